// Pieces shared by the message box and the dialog: the captioned frame,
// push buttons with a focus and a pressed state, and line wrapping.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/canvas.h"

namespace pl::ui {

constexpr int kCaptionHeight = 22;
constexpr int kFrameBorder = 1;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;

// Draws a window frame (border, caption bar, body) over `outer` with a soft
// shadow, and returns the client rectangle below the caption.
Rect DrawFrameWindow(Canvas& c, Font* font, const Rect& outer, std::u32string_view caption);
// The client rectangle DrawFrameWindow leaves for `outer`, and the outer
// rectangle around a client of the given size at (x, y).
Rect FrameClient(const Rect& outer);
Rect FrameOuter(int x, int y, int clientWidth, int clientHeight);
// The outer rectangle centred on a canvas (kept on it when it is larger).
Rect CenteredFrame(int canvasWidth, int canvasHeight, int clientWidth, int clientHeight);

// Breaks text at "\n" (a "\r" before it is dropped) and where a line would
// pass `maxWidth`: after the last blank of a Latin run when there is one,
// else before the character that does not fit; closing punctuation stays
// at the end of its line rather than starting the next one.
std::vector<std::u32string> WrapText(Font* font, std::u32string_view text, int maxWidth);

struct PushButton {
  Rect rect;  // canvas coordinates
  int id = 0;
  std::u32string label;
};

// A row of buttons: one has the keyboard focus; a mouse press arms the
// button under it, and releasing over the same button presses it.
class ButtonGroup {
 public:
  std::vector<PushButton> buttons;
  int focus = 0;

  int Find(Point p) const;
  // The id of the pressed button, or 0.
  int MouseDown(Point p);
  int MouseMove(Point p);
  int MouseUp(Point p);
  // Tab / Right: next; Left: previous (both wrap). False for other keys.
  bool MoveFocus(Key k);
  int FocusedId() const;
  void Draw(Canvas& c, Font* font) const;

 private:
  int armed_ = -1;  // button the mouse went down on
  bool armedInside_ = false;
};

void DrawPushButton(Canvas& c, Font* font, const PushButton& b, bool focused, bool pushed);

}  // namespace pl::ui
