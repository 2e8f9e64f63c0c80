// The menu bar drawn in the strip above the client area, with its popups,
// driven by mouse and keyboard as a desktop menu bar is:
// - a press on a title opens its popup (a press on the open title closes
//   the menu); while a popup is open, moving over another title opens that
//   one; releasing the button over an enabled item chooses it;
// - Alt alone gives the bar the keyboard (and takes it away again); Left /
//   Right move between titles or open popups, Up / Down between the enabled
//   items, Enter (or Down on the bar) opens or chooses; Escape closes the
//   popup and leaves the bar with the keyboard, a second Escape leaves the
//   menu; a press outside the bar and the popup leaves the menu.
// Greyed items are drawn greyed and can be neither highlighted nor chosen.
// The view only reads the menu, so items greyed while it is shown take
// effect at once.
#pragma once
#include <cstdint>

#include "platform/menu.h"
#include "platform/ui/canvas.h"

namespace pl::ui {

struct MenuInput {
  enum Kind {
    None,     // nothing changed for the menu loop (see `redraw`)
    Opened,   // the menu became active or another popup opened
    Closed,   // the menu is no longer active: the menu loop ends
    Command,  // an item was chosen (`id`); the menu is closed
  } kind = None;
  std::uint32_t id = 0;
  bool redraw = false;  // the view looks different now
};

class MenuBarView {
 public:
  static constexpr int kBarHeight = 20;

  // The bar spans the canvas width from (0, 0); popups are kept inside
  // `width`. `font` null means UiFont().
  explicit MenuBarView(const Menu& menu, int width = 1024, Font* font = nullptr);

  void SetWidth(int width) { width_ = width; }
  int BarHeight() const { return kBarHeight; }

  // Draws the strip and, when one is open, the popup below its title.
  void Draw(Canvas& c) const;

  MenuInput MouseMove(Point p);
  MenuInput MouseDown(Point p);
  MenuInput MouseUp(Point p);
  MenuInput MouseLeave();
  MenuInput KeyPress(Key k);
  // Leaves the menu without a choice (the window lost the focus).
  MenuInput Cancel();

  // In the menu loop: the bar has the keyboard or a popup is open.
  bool Active() const { return mode_ != Mode::Idle; }
  bool PopupOpen() const { return mode_ == Mode::Popup; }
  int OpenPopup() const { return mode_ == Mode::Popup ? open_ : -1; }
  int SelectedItem() const { return mode_ == Mode::Popup ? selected_ : -1; }
  int HotTitle() const { return hot_; }

  // Layout, in canvas coordinates.
  int TitleCount() const;
  Rect TitleRect(int popup) const;
  Rect PopupRect(int popup) const;
  Rect ItemRect(int popup, int item) const;
  int TitleAt(Point p) const;

 private:
  enum class Mode { Idle, Bar, Popup };
  int ItemAt(int popup, Point p) const;
  bool Enabled(int popup, int item) const;
  int NextEnabled(int popup, int from, int step) const;
  MenuInput Open(int popup, bool selectFirst);
  MenuInput Close();

  const Menu& menu_;
  int width_;
  Font* font_;
  Mode mode_ = Mode::Idle;
  int hot_ = -1;       // highlighted title
  int open_ = -1;      // open popup
  int selected_ = -1;  // highlighted item of the open popup
};

}  // namespace pl::ui
