// The platform's message box: a captioned frame centred over the canvas,
// an icon drawn by code (a yellow warning triangle or a blue information
// circle), the text wrapped to the box, and the buttons of its style
// (MB_OK, MB_OKCANCEL, MB_YESNO) with the first one focused.
// Enter and Space press the focused button, Escape answers Cancel / No (OK
// for an OK box), Tab / Right and Left move the focus, and a click (press
// and release over the same button) presses a button.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/ui/widgets.h"

namespace pl::ui {

class MessageBoxView {
 public:
  // Texts in CP932; `font` null means UiFont().
  MessageBoxView(const std::string& textCp932, const std::string& captionCp932, std::uint32_t style, int canvasWidth,
                 int canvasHeight, Font* font = nullptr);

  void Draw(Canvas& c) const;

  // Each returns the answer (IDOK, IDCANCEL, IDYES, IDNO) once the box is
  // answered, else 0.
  int MouseMove(Point p);
  int MouseDown(Point p);
  int MouseUp(Point p);
  int KeyPress(Key k);
  // The answer when the box is closed without a button (Escape, the close
  // box, the end of the program).
  int CloseAnswer() const;

  Rect BoxRect() const { return box_; }
  int ButtonCount() const { return static_cast<int>(buttons_.buttons.size()); }
  Rect ButtonRect(int i) const;
  int ButtonId(int i) const;
  int FocusedButton() const { return buttons_.focus; }
  const std::vector<std::u32string>& Lines() const { return lines_; }

 private:
  enum class Icon { None, Warning, Information };
  Font* font_;
  std::u32string caption_;
  std::vector<std::u32string> lines_;
  std::uint32_t style_;
  Icon icon_ = Icon::None;
  Rect box_, iconRect_, textRect_;
  ButtonGroup buttons_;
};

// Draws the icons (32 x 32 at the given top-left).
void DrawWarningIcon(Canvas& c, int x, int y);
void DrawInformationIcon(Canvas& c, int x, int y);

}  // namespace pl::ui
