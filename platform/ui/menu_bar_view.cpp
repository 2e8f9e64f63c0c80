#include "platform/ui/menu_bar_view.h"

#include <algorithm>

#include "platform/font.h"

namespace pl::ui {
namespace {

constexpr int kTitlePad = 8;  // each side of a title's text
constexpr int kItemHeight = 22;
constexpr int kPopupPad = 2;       // above the first and below the last item
constexpr int kItemTextLeft = 24;  // room a check mark would take
constexpr int kItemTextRight = 24;
constexpr int kPopupMinWidth = 120;
constexpr int kShadowSize = 3;

constexpr std::uint32_t kTitleHot = 0xFFE5F3FF;
constexpr std::uint32_t kTitleHotBorder = 0xFFCCE8FF;
constexpr std::uint32_t kTitleOpen = 0xFFCCE8FF;
constexpr std::uint32_t kTitleOpenBorder = 0xFF99D1FF;
constexpr std::uint32_t kBarLine = 0xFFDADADA;

}  // namespace

MenuBarView::MenuBarView(const Menu& menu, int width, Font* font)
    : menu_(menu), width_(width), font_(font ? font : UiFont()) {}

int MenuBarView::TitleCount() const { return static_cast<int>(menu_.popups.size()); }

Rect MenuBarView::TitleRect(int popup) const {
  if (popup < 0 || popup >= TitleCount()) return {};
  int x = 0;
  for (int i = 0;; ++i) {
    int w = TextWidth(font_, Cp932ToUtf32(menu_.popups[static_cast<std::size_t>(i)].title)) + 2 * kTitlePad;
    if (i == popup) return Rect{x, 0, x + w, kBarHeight};
    x += w;
  }
}

Rect MenuBarView::PopupRect(int popup) const {
  if (popup < 0 || popup >= TitleCount()) return {};
  const MenuPopup& p = menu_.popups[static_cast<std::size_t>(popup)];
  int textW = 0;
  for (const MenuItem& item : p.items) textW = std::max(textW, TextWidth(font_, Cp932ToUtf32(item.text)));
  int w = std::max(kPopupMinWidth, kItemTextLeft + textW + kItemTextRight) + 2;
  int h = static_cast<int>(p.items.size()) * kItemHeight + 2 * kPopupPad + 2;
  Rect title = TitleRect(popup);
  // Kept on the canvas: shifted left when it would pass the right edge.
  int x = std::max(0, std::min(title.left, width_ - w));
  return Rect{x, kBarHeight, x + w, kBarHeight + h};
}

Rect MenuBarView::ItemRect(int popup, int item) const {
  Rect r = PopupRect(popup);
  if (r.Width() == 0 || item < 0 ||
      item >= static_cast<int>(menu_.popups[static_cast<std::size_t>(popup)].items.size())) {
    return {};
  }
  int top = r.top + 1 + kPopupPad + item * kItemHeight;
  return Rect{r.left + 1 + kPopupPad, top, r.right - 1 - kPopupPad, top + kItemHeight};
}

int MenuBarView::TitleAt(Point p) const {
  if (p.y < 0 || p.y >= kBarHeight) return -1;
  for (int i = 0; i < TitleCount(); ++i) {
    if (Contains(TitleRect(i), p)) return i;
  }
  return -1;
}

int MenuBarView::ItemAt(int popup, Point p) const {
  if (popup < 0 || popup >= TitleCount()) return -1;
  int n = static_cast<int>(menu_.popups[static_cast<std::size_t>(popup)].items.size());
  for (int i = 0; i < n; ++i) {
    if (Contains(ItemRect(popup, i), p)) return i;
  }
  return -1;
}

bool MenuBarView::Enabled(int popup, int item) const {
  if (popup < 0 || popup >= TitleCount()) return false;
  const auto& items = menu_.popups[static_cast<std::size_t>(popup)].items;
  return item >= 0 && item < static_cast<int>(items.size()) && !items[static_cast<std::size_t>(item)].grayed;
}

// The next enabled item after `from` in the direction `step`, wrapping;
// -1 when every item is greyed.
int MenuBarView::NextEnabled(int popup, int from, int step) const {
  if (popup < 0 || popup >= TitleCount()) return -1;
  int n = static_cast<int>(menu_.popups[static_cast<std::size_t>(popup)].items.size());
  if (n == 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
    if (Enabled(popup, i)) return i;
  }
  return -1;
}

MenuInput MenuBarView::Open(int popup, bool selectFirst) {
  mode_ = Mode::Popup;
  open_ = hot_ = popup;
  selected_ = selectFirst ? NextEnabled(popup, -1, 1) : -1;
  return MenuInput{MenuInput::Opened, 0, true};
}

MenuInput MenuBarView::Close() {
  mode_ = Mode::Idle;
  open_ = hot_ = selected_ = -1;
  return MenuInput{MenuInput::Closed, 0, true};
}

MenuInput MenuBarView::Cancel() {
  if (!Active()) return MenuInput{};
  return Close();
}

MenuInput MenuBarView::MouseMove(Point p) {
  int title = TitleAt(p);
  switch (mode_) {
    case Mode::Idle:
    case Mode::Bar: {
      // On the bar with the keyboard the highlight follows the mouse only
      // while it is over a title.
      if (mode_ == Mode::Bar && title < 0) return MenuInput{};
      bool changed = title != hot_;
      hot_ = title;
      return MenuInput{MenuInput::None, 0, changed};
    }
    case Mode::Popup: {
      if (title >= 0 && title != open_) return Open(title, false);
      if (Contains(PopupRect(open_), p)) {
        int item = ItemAt(open_, p);
        int sel = Enabled(open_, item) ? item : -1;
        bool changed = sel != selected_;
        selected_ = sel;
        return MenuInput{MenuInput::None, 0, changed};
      }
      return MenuInput{};
    }
  }
  return MenuInput{};
}

MenuInput MenuBarView::MouseLeave() {
  if (mode_ != Mode::Idle || hot_ < 0) return MenuInput{};
  hot_ = -1;
  return MenuInput{MenuInput::None, 0, true};
}

MenuInput MenuBarView::MouseDown(Point p) {
  int title = TitleAt(p);
  if (title >= 0) {
    if (mode_ == Mode::Popup && title == open_) return Close();
    return Open(title, false);
  }
  if (mode_ == Mode::Popup && Contains(PopupRect(open_), p)) {
    int item = ItemAt(open_, p);
    int sel = Enabled(open_, item) ? item : -1;
    bool changed = sel != selected_;
    selected_ = sel;
    return MenuInput{MenuInput::None, 0, changed};
  }
  if (mode_ != Mode::Idle) return Close();
  return MenuInput{};
}

MenuInput MenuBarView::MouseUp(Point p) {
  if (mode_ != Mode::Popup) return MenuInput{};
  int item = ItemAt(open_, p);
  if (!Enabled(open_, item)) return MenuInput{};
  std::uint32_t id = menu_.popups[static_cast<std::size_t>(open_)].items[static_cast<std::size_t>(item)].id;
  Close();
  return MenuInput{MenuInput::Command, id, true};
}

MenuInput MenuBarView::KeyPress(Key k) {
  int n = TitleCount();
  if (mode_ == Mode::Idle) {
    if (k != Key::Alt || n == 0) return MenuInput{};
    mode_ = Mode::Bar;
    hot_ = 0;
    return MenuInput{MenuInput::Opened, 0, true};
  }
  if (k == Key::Alt || n == 0) return Close();
  if (mode_ == Mode::Bar) {
    if (hot_ < 0 || hot_ >= n) hot_ = 0;
    switch (k) {
      case Key::Left:
        hot_ = (hot_ + n - 1) % n;
        return MenuInput{MenuInput::None, 0, true};
      case Key::Right:
        hot_ = (hot_ + 1) % n;
        return MenuInput{MenuInput::None, 0, true};
      case Key::Down:
      case Key::Up:
      case Key::Enter:
        return Open(hot_, true);
      case Key::Escape:
        return Close();
      default:
        return MenuInput{};
    }
  }
  // A popup is open.
  switch (k) {
    case Key::Left:
      return Open((open_ + n - 1) % n, true);
    case Key::Right:
      return Open((open_ + 1) % n, true);
    case Key::Down:
    case Key::Up: {
      int sel = NextEnabled(open_, selected_, k == Key::Down ? 1 : -1);
      bool changed = sel != selected_;
      selected_ = sel;
      return MenuInput{MenuInput::None, 0, changed};
    }
    case Key::Enter: {
      if (!Enabled(open_, selected_)) return MenuInput{};
      std::uint32_t id = menu_.popups[static_cast<std::size_t>(open_)].items[static_cast<std::size_t>(selected_)].id;
      Close();
      return MenuInput{MenuInput::Command, id, true};
    }
    case Key::Escape:
      mode_ = Mode::Bar;
      hot_ = open_;
      open_ = selected_ = -1;
      return MenuInput{MenuInput::None, 0, true};
    default:
      return MenuInput{};
  }
}

void MenuBarView::Draw(Canvas& c) const {
  Rect bar{0, 0, c.width, kBarHeight};
  FillRect(c, bar, color::kFace);
  FillRect(c, Rect{0, kBarHeight - 1, c.width, kBarHeight}, kBarLine);
  int textTop = (kBarHeight - LineHeight(font_)) / 2;
  for (int i = 0; i < TitleCount(); ++i) {
    Rect r = TitleRect(i);
    bool open = mode_ == Mode::Popup && i == open_;
    if (open || i == hot_) {
      FillRect(c, r, open ? kTitleOpen : kTitleHot);
      FrameRect(c, r, open ? kTitleOpenBorder : kTitleHotBorder);
    }
    DrawText(c, font_, r.left + kTitlePad, textTop, Cp932ToUtf32(menu_.popups[static_cast<std::size_t>(i)].title),
             color::kText, r);
  }
  if (mode_ != Mode::Popup || open_ < 0 || open_ >= TitleCount()) return;

  Rect pr = PopupRect(open_);
  FillRect(c, Rect{pr.right, pr.top + kShadowSize, pr.right + kShadowSize, pr.bottom + kShadowSize}, color::kShadow);
  FillRect(c, Rect{pr.left + kShadowSize, pr.bottom, pr.right, pr.bottom + kShadowSize}, color::kShadow);
  FillRect(c, pr, color::kPopup);
  FrameRect(c, pr, color::kBorder);
  const auto& items = menu_.popups[static_cast<std::size_t>(open_)].items;
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    Rect r = ItemRect(open_, i);
    const MenuItem& item = items[static_cast<std::size_t>(i)];
    bool sel = i == selected_ && !item.grayed;
    if (sel) FillRect(c, r, color::kHighlight);
    std::uint32_t col = item.grayed ? color::kGrayText : sel ? color::kHighlightText : color::kText;
    int top = r.top + (kItemHeight - LineHeight(font_)) / 2;
    DrawText(c, font_, r.left + kItemTextLeft - kPopupPad, top, Cp932ToUtf32(item.text), col, r);
  }
}

}  // namespace pl::ui
