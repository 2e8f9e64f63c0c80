#include "platform/ui/message_box_view.h"

#include <algorithm>
#include <cmath>

#include "platform/font.h"
#include "platform/text.h"

namespace pl::ui {
namespace {

constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kMaxTextWidth = 440;
constexpr int kMinClientWidth = 180;
constexpr int kLineGap = 3;

// Shapes are drawn with 4 x 4 samples per pixel for smooth edges.
template <typename Inside>
void FillShape(Canvas& c, int x0, int y0, std::uint32_t argb, Inside inside) {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++hits;
        }
      }
      if (hits) BlendPixel(c, x0 + x, y0 + y, argb, hits * 255 / 16);
    }
  }
}

bool InTriangle(double px, double py, double inset) {
  // Apex (16, 1.5), base from (1, 30) to (31, 30), shrunk by `inset`.
  const double ax = 16, ay = 1.5 + inset * 2.2, by = 30 - inset;
  if (py < ay || py > by) return false;
  double half = (py - ay) / (30 - 1.5) * 15.0 - inset * 0.2;
  return std::abs(px - ax) <= half;
}

bool InRoundBar(double px, double py, double x0, double y0, double x1, double y1) {
  double r = (x1 - x0) / 2, cx = (x0 + x1) / 2;
  if (py >= y0 + r && py <= y1 - r) return px >= x0 && px <= x1;
  double cy = py < y0 + r ? y0 + r : y1 - r;
  return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

bool InCircle(double px, double py, double cx, double cy, double r) {
  return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

}  // namespace

void DrawWarningIcon(Canvas& c, int x, int y) {
  FillShape(c, x, y, 0xFF8A6A00, [](double px, double py) { return InTriangle(px, py, 0); });
  FillShape(c, x, y, 0xFFFFCC22, [](double px, double py) { return InTriangle(px, py, 1.3); });
  FillShape(c, x, y, 0xFF000000, [](double px, double py) {
    return InRoundBar(px, py, 14.5, 9.5, 17.5, 22) || InCircle(px, py, 16, 25.8, 1.8);
  });
}

void DrawInformationIcon(Canvas& c, int x, int y) {
  FillShape(c, x, y, 0xFF0B3F8F, [](double px, double py) { return InCircle(px, py, 16, 16, 15); });
  FillShape(c, x, y, 0xFF2F7BDB, [](double px, double py) { return InCircle(px, py, 16, 16, 13.8); });
  FillShape(c, x, y, 0xFFFFFFFF, [](double px, double py) {
    return InCircle(px, py, 16, 8.5, 2.2) || InRoundBar(px, py, 14.3, 12.5, 17.7, 25.5);
  });
}

MessageBoxView::MessageBoxView(const std::string& textCp932, const std::string& captionCp932, std::uint32_t style,
                               int canvasWidth, int canvasHeight, Font* font)
    : font_(font ? font : UiFont()), caption_(Cp932ToUtf32(captionCp932)), style_(style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONWARNING:
      icon_ = Icon::Warning;
      break;
    case MB_ICONINFORMATION:
      icon_ = Icon::Information;
      break;
    default:
      break;
  }
  struct Label {
    int id;
    const char* utf8;
  };
  std::vector<Label> labels;
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      labels = {{IDOK, "OK"}, {IDCANCEL, "キャンセル"}};
      break;
    case MB_YESNO:
      labels = {{IDYES, "はい"}, {IDNO, "いいえ"}};
      break;
    default:
      labels = {{IDOK, "OK"}};
      break;
  }

  int maxText = std::min(kMaxTextWidth, std::max(80, canvasWidth - 2 * kMargin - kIconSize - kIconGap - 40));
  lines_ = WrapText(font_, Cp932ToUtf32(textCp932), maxText);
  // A text taller than the canvas is cut so that the buttons stay on it.
  int lineH = LineHeight(font_) + kLineGap;
  int chrome = kCaptionHeight + 2 * kFrameBorder + 3 * kMargin + kButtonHeight;
  std::size_t maxLines = static_cast<std::size_t>(std::max(1, (canvasHeight - chrome + kLineGap) / lineH));
  if (lines_.size() > maxLines) {
    lines_.resize(maxLines);
    lines_.back() += U"…";
  }
  int textW = 0;
  for (const auto& l : lines_) textW = std::max(textW, TextWidth(font_, l));
  int textH = static_cast<int>(lines_.size()) * lineH - kLineGap;
  int iconW = icon_ == Icon::None ? 0 : kIconSize + kIconGap;
  int bodyH = std::max(textH, icon_ == Icon::None ? 0 : kIconSize);

  std::vector<PushButton> buttons;
  int rowW = 0;
  for (const Label& l : labels) {
    PushButton b;
    b.id = l.id;
    b.label = Cp932ToUtf32(Utf8ToCp932(l.utf8));
    int w = std::max(kButtonWidth, TextWidth(font_, b.label) + 16);
    b.rect = Rect{0, 0, w, kButtonHeight};
    rowW += w + (buttons.empty() ? 0 : kButtonGap);
    buttons.push_back(std::move(b));
  }
  int captionW = TextWidth(font_, caption_) + 24;
  int clientW = std::max({kMinClientWidth, 2 * kMargin + iconW + textW, 2 * kMargin + rowW, captionW});
  int clientH = kMargin + bodyH + kMargin + kButtonHeight + kMargin;
  box_ = CenteredFrame(canvasWidth, canvasHeight, clientW, clientH);
  Rect client = FrameClient(box_);

  int bodyTop = client.top + kMargin;
  iconRect_ = Rect{client.left + kMargin, bodyTop, client.left + kMargin + kIconSize, bodyTop + kIconSize};
  // The text sits beside the icon, centred on it when it is shorter.
  int textTop = bodyTop + std::max(0, (bodyH - textH) / 2);
  textRect_ = Rect{client.left + kMargin + iconW, textTop, client.right - kMargin, textTop + textH};

  int x = client.left + (client.Width() - rowW) / 2;
  int y = client.bottom - kMargin - kButtonHeight;
  for (PushButton& b : buttons) {
    int w = b.rect.Width();
    b.rect = Rect{x, y, x + w, y + kButtonHeight};
    x += w + kButtonGap;
  }
  buttons_.buttons = std::move(buttons);
  buttons_.focus = 0;
}

Rect MessageBoxView::ButtonRect(int i) const {
  if (i < 0 || i >= ButtonCount()) return {};
  return buttons_.buttons[static_cast<std::size_t>(i)].rect;
}

int MessageBoxView::ButtonId(int i) const {
  if (i < 0 || i >= ButtonCount()) return 0;
  return buttons_.buttons[static_cast<std::size_t>(i)].id;
}

int MessageBoxView::CloseAnswer() const {
  switch (style_ & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    default:
      return IDOK;
  }
}

int MessageBoxView::MouseMove(Point p) { return buttons_.MouseMove(p); }
int MessageBoxView::MouseDown(Point p) { return buttons_.MouseDown(p); }
int MessageBoxView::MouseUp(Point p) { return buttons_.MouseUp(p); }

int MessageBoxView::KeyPress(Key k) {
  switch (k) {
    case Key::Enter:
    case Key::Space:
      return buttons_.FocusedId();
    case Key::Escape:
      return CloseAnswer();
    default:
      buttons_.MoveFocus(k);
      return 0;
  }
}

void MessageBoxView::Draw(Canvas& c) const {
  DrawFrameWindow(c, font_, box_, caption_);
  if (icon_ == Icon::Warning) DrawWarningIcon(c, iconRect_.left, iconRect_.top);
  if (icon_ == Icon::Information) DrawInformationIcon(c, iconRect_.left, iconRect_.top);
  int lineH = LineHeight(font_) + kLineGap;
  Rect clip = FrameClient(box_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    DrawText(c, font_, textRect_.left, textRect_.top + static_cast<int>(i) * lineH, lines_[i], color::kText, clip);
  }
  buttons_.Draw(c, font_);
}

}  // namespace pl::ui
