// The platform's "edit" class: a one-line text field for CP932 text with a
// caret, drawn by the backend over its parent's picture. Characters arrive
// as WM_CHAR bytes (a two-byte character as its lead byte, then its trail
// byte), editing keys as WM_KEYDOWN; WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH and WM_SETFONT work as for any window. While an input
// method composes, the composition is shown at the caret, underlined.
//
// The selection runs from the anchor to the caret (either may be first).
// EM_SETSEL and EM_GETSEL set and read it; Shift with Left, Right, Home or
// End moves the caret and keeps the anchor; Ctrl+A selects everything; a
// character typed replaces the selection, Backspace and Delete remove it.
// The field takes no more bytes than its limit (EM_SETLIMITTEXT): a text
// put in is cut to it on a character boundary, a character that does not
// fit is refused whole.
#pragma once
#include <cstddef>
#include <string>

#include "platform/messages.h"
#include "platform/ui/canvas.h"

namespace pl {

class Font;

struct EditControl {
  std::string text;  // CP932
  std::size_t caret = 0;  // byte offset, always on a character boundary
  std::size_t anchor = 0; // the selection's other end, likewise
  Font* font = nullptr;   // not owned (WM_SETFONT); null: the widgets' font
  std::size_t limit = 1024;  // bytes the field holds
  unsigned char pendingLead = 0;  // a lead byte waiting for its trail byte
};

// The selection as [start, end) byte offsets; start == end when none.
inline std::size_t SelectionStart(const EditControl& e) { return e.anchor < e.caret ? e.anchor : e.caret; }
inline std::size_t SelectionEnd(const EditControl& e) { return e.anchor < e.caret ? e.caret : e.anchor; }

LRESULT EditWindowProc(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam);

// Draws the parent's shown children into a canvas of its client.
void DrawChildWindows(Window& parent, ui::Canvas& canvas);

}  // namespace pl
