#include <cstdio>

#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace pl {

int MessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932, std::uint32_t style) {
  if (Backend* b = CurrentBackend()) return b->ShowMessageBox(owner, textCp932, captionCp932, style);
  // No backend at all (very early start-up): the console is all there is.
  std::fprintf(stderr, "[%s] %s\n", Cp932ToUtf8(captionCp932).c_str(), Cp932ToUtf8(textCp932).c_str());
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    default:
      return IDOK;
  }
}

std::intptr_t DialogBoxParam(Window* owner, int dialogId, DialogProc proc, LPARAM param) {
  Backend* b = CurrentBackend();
  auto bytes = FindResource("DIALOG", std::to_string(dialogId).c_str());
  if (!b || bytes.empty() || !proc) return -1;
  auto tmpl = ParseDialogTemplate(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!tmpl) return -1;
  Dialog dlg;
  dlg.tmpl = std::move(*tmpl);
  dlg.proc = proc;
  proc(&dlg, WM_INITDIALOG, 0, param);
  if (!dlg.ended && !b->RunDialog(owner, dlg)) return -1;
  return dlg.result;
}

void SetDlgItemText(Dialog* dlg, int itemId, const std::string& cp932) {
  if (!dlg) return;
  for (DialogItem& item : dlg->tmpl.items) {
    if (item.id == itemId) item.text = cp932;
  }
}

void EndDialog(Dialog* dlg, std::intptr_t result) {
  if (!dlg) return;
  dlg->ended = true;
  dlg->result = result;
}

}  // namespace pl
