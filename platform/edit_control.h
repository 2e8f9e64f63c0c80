// The platform's "edit" class: a one-line text field for CP932 text with a
// caret, drawn by the backend over its parent's picture. Characters arrive
// as WM_CHAR bytes (a two-byte character as its lead byte, then its trail
// byte), editing keys as WM_KEYDOWN; WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH and WM_SETFONT work as for any window. While an input
// method composes, the composition is shown at the caret, underlined.
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
  Font* font = nullptr;   // not owned (WM_SETFONT); null: the widgets' font
  std::size_t limit = 1024;  // bytes the field holds
  unsigned char pendingLead = 0;  // a lead byte waiting for its trail byte
};

LRESULT EditWindowProc(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam);

// Draws the parent's shown children into a canvas of its client.
void DrawChildWindows(Window& parent, ui::Canvas& canvas);

}  // namespace pl
