#include "platform/ui/dialog_view.h"

#include "platform/font.h"

namespace pl::ui {

DialogView::DialogView(const Dialog& dlg, int canvasWidth, int canvasHeight, Font* font)
    : dlg_(dlg), font_(font ? font : UiFont()) {
  box_ = CenteredFrame(canvasWidth, canvasHeight, dlg.tmpl.width, dlg.tmpl.height);
  client_ = FrameClient(box_);
  for (std::size_t i = 0; i < dlg.tmpl.items.size(); ++i) {
    const DialogItem& item = dlg.tmpl.items[i];
    if (item.kind != DialogItem::Button) continue;
    PushButton b;
    b.id = item.id;
    b.rect = ItemRect(static_cast<int>(i));
    buttons_.buttons.push_back(b);
    buttonItems_.push_back(static_cast<int>(i));
  }
  SyncButtons();
}

void DialogView::SyncButtons() const {
  for (std::size_t b = 0; b < buttonItems_.size(); ++b) {
    const auto& items = dlg_.tmpl.items;
    std::size_t i = static_cast<std::size_t>(buttonItems_[b]);
    if (i < items.size()) buttons_.buttons[b].label = Cp932ToUtf32(items[i].text);
  }
}

Rect DialogView::ItemRect(int index) const {
  if (index < 0 || index >= static_cast<int>(dlg_.tmpl.items.size())) return {};
  const Rect& r = dlg_.tmpl.items[static_cast<std::size_t>(index)].rect;
  return Rect{client_.left + r.left, client_.top + r.top, client_.left + r.right, client_.top + r.bottom};
}

int DialogView::FocusedItem() const {
  if (buttonItems_.empty()) return -1;
  return buttonItems_[static_cast<std::size_t>(buttons_.focus)];
}

int DialogView::MouseMove(Point p) { return buttons_.MouseMove(p); }
int DialogView::MouseDown(Point p) { return buttons_.MouseDown(p); }
int DialogView::MouseUp(Point p) { return buttons_.MouseUp(p); }

int DialogView::KeyPress(Key k) {
  switch (k) {
    case Key::Enter:
    case Key::Space:
      return buttons_.FocusedId();
    case Key::Escape:
      return IDCANCEL;
    default:
      buttons_.MoveFocus(k);
      return 0;
  }
}

void DialogView::Draw(Canvas& c) const {
  SyncButtons();
  DrawFrameWindow(c, font_, box_, Cp932ToUtf32(dlg_.tmpl.caption));
  int lineH = LineHeight(font_) + 2;
  for (std::size_t i = 0; i < dlg_.tmpl.items.size(); ++i) {
    const DialogItem& item = dlg_.tmpl.items[i];
    if (item.kind != DialogItem::Static) continue;
    Rect r = Intersect(ItemRect(static_cast<int>(i)), client_);
    auto lines = WrapText(font_, Cp932ToUtf32(item.text), r.Width());
    for (std::size_t l = 0; l < lines.size(); ++l) {
      int top = r.top + static_cast<int>(l) * lineH;
      if (top >= r.bottom) break;
      DrawText(c, font_, r.left, top, lines[l], color::kText, r);
    }
  }
  buttons_.Draw(c, font_);
}

}  // namespace pl::ui
