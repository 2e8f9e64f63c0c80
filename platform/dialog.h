// Modal message boxes and dialogs, drawn by the platform over the window.
#pragma once
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace pl {

enum : std::uint32_t {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNO = 0x4,
  MB_TYPEMASK = 0xF,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Shows a modal box owned by `owner` (may be null) with CP932 text and
// caption; returns the button chosen. Closing the box answers Cancel, or No
// for a Yes/No box, or OK for an OK box.
int MessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932, std::uint32_t style);

// Dialogs made from a "DIALOG" resource: static texts and push buttons.
class Dialog;
using DialogProc = LRESULT (*)(Dialog* dlg, std::uint32_t id, WPARAM wParam, LPARAM lParam);
// Runs the dialog modally. The procedure gets WM_INITDIALOG (lParam = the
// given parameter) and WM_COMMAND with the id of a pressed button (IDCANCEL
// for Escape or the close box); EndDialog ends it with a result. -1 when the
// dialog resource is missing or the backend cannot show it.
std::intptr_t DialogBoxParam(Window* owner, int dialogId, DialogProc proc, LPARAM param);
void SetDlgItemText(Dialog* dlg, int itemId, const std::string& cp932);
void EndDialog(Dialog* dlg, std::intptr_t result);

}  // namespace pl
