// A dialog made from its template (static texts and push buttons), drawn
// as a captioned frame centred over the canvas. The texts are read from the
// dialog each time it is drawn, so SetDlgItemText shows at once. Enter and
// Space press the focused button (the first one at the start), Escape
// answers IDCANCEL, Tab / Right and Left move the focus, a click presses a
// button. The backend hands each answer to Dialog::Command.
#pragma once
#include "platform/backend.h"
#include "platform/ui/widgets.h"

namespace pl::ui {

class DialogView {
 public:
  DialogView(const Dialog& dlg, int canvasWidth, int canvasHeight, Font* font = nullptr);

  void Draw(Canvas& c) const;

  // Each returns the id of the command the input gives, else 0.
  int MouseMove(Point p);
  int MouseDown(Point p);
  int MouseUp(Point p);
  int KeyPress(Key k);

  Rect BoxRect() const { return box_; }
  // Canvas rectangle of the template item at `index` (empty past the end).
  Rect ItemRect(int index) const;
  // The template index of the focused button, -1 without buttons.
  int FocusedItem() const;

 private:
  void SyncButtons() const;
  const Dialog& dlg_;
  Font* font_;
  Rect box_, client_;
  mutable ButtonGroup buttons_;   // labels refreshed from the template
  std::vector<int> buttonItems_;  // template index of each button
};

}  // namespace pl::ui
