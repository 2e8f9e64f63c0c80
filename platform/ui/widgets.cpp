#include "platform/ui/widgets.h"

#include <algorithm>

namespace pl::ui {
namespace {

constexpr int kShadowSize = 3;

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

// Characters that must not begin a line (Japanese line-breaking rules).
bool IsClosing(char32_t c) {
  static constexpr std::u32string_view kClosing =
      U"、。，．・：；？！ー」』）］｝〉》】ぁぃぅぇぉっゃゅょァィゥェォッャュョ,.:;?!)]}";
  return kClosing.find(c) != std::u32string_view::npos;
}

}  // namespace

Rect FrameClient(const Rect& outer) {
  return Rect{outer.left + kFrameBorder, outer.top + kFrameBorder + kCaptionHeight, outer.right - kFrameBorder,
              outer.bottom - kFrameBorder};
}

Rect FrameOuter(int x, int y, int clientWidth, int clientHeight) {
  return Rect{x, y, x + clientWidth + 2 * kFrameBorder, y + clientHeight + kCaptionHeight + 2 * kFrameBorder};
}

Rect CenteredFrame(int canvasWidth, int canvasHeight, int clientWidth, int clientHeight) {
  Rect r = FrameOuter(0, 0, clientWidth, clientHeight);
  int x = std::max(0, (canvasWidth - r.Width()) / 2), y = std::max(0, (canvasHeight - r.Height()) / 2);
  return FrameOuter(x, y, clientWidth, clientHeight);
}

Rect DrawFrameWindow(Canvas& c, Font* font, const Rect& outer, std::u32string_view caption) {
  // The shadow first, right and below, so that the frame covers its inner part.
  FillRect(c, Rect{outer.right, outer.top + kShadowSize, outer.right + kShadowSize, outer.bottom + kShadowSize},
           color::kShadow);
  FillRect(c, Rect{outer.left + kShadowSize, outer.bottom, outer.right, outer.bottom + kShadowSize}, color::kShadow);
  FrameRect(c, outer, 0xFF404040);
  Rect bar{outer.left + kFrameBorder, outer.top + kFrameBorder, outer.right - kFrameBorder,
           outer.top + kFrameBorder + kCaptionHeight};
  FillGradient(c, bar, color::kCaptionLeft, color::kCaptionRight);
  int top = bar.top + (kCaptionHeight - LineHeight(font)) / 2;
  DrawText(c, font, bar.left + 6, top, caption, color::kCaptionText,
           Rect{bar.left + 2, bar.top, bar.right - 4, bar.bottom}, true);
  Rect client = FrameClient(outer);
  FillRect(c, client, color::kFace);
  return client;
}

std::vector<std::u32string> WrapText(Font* font, std::u32string_view text, int maxWidth) {
  std::vector<std::u32string> lines;
  std::u32string line;
  int width = 0;
  std::size_t lastBlank = std::u32string::npos;  // in `line`
  auto flush = [&]() {
    if (!line.empty() && line.back() == U'\r') line.pop_back();
    lines.push_back(line);
    line.clear();
    width = 0;
    lastBlank = std::u32string::npos;
  };
  for (char32_t ch : text) {
    if (ch == U'\n') {
      flush();
      continue;
    }
    int w = TextWidth(font, std::u32string_view(&ch, 1));
    if (!line.empty() && width + w > maxWidth && !IsBlank(ch) && !IsClosing(ch)) {
      bool latinBreak = lastBlank != std::u32string::npos && lastBlank > 0 && ch < 0x3000;
      if (latinBreak) {
        std::u32string rest = line.substr(lastBlank + 1);
        line.resize(lastBlank);
        while (!line.empty() && IsBlank(line.back())) line.pop_back();
        flush();
        line = rest;
        width = TextWidth(font, line);
      } else {
        flush();
      }
    }
    if (IsBlank(ch)) lastBlank = line.size();
    line.push_back(ch);
    width += w;
  }
  flush();
  return lines;
}

void DrawPushButton(Canvas& c, Font* font, const PushButton& b, bool focused, bool pushed) {
  FillRect(c, b.rect, pushed ? color::kButtonPressed : color::kButton);
  FrameRect(c, b.rect, focused ? color::kFocus : color::kButtonBorder);
  if (focused) {
    FrameRect(c, Rect{b.rect.left + 1, b.rect.top + 1, b.rect.right - 1, b.rect.bottom - 1}, color::kFocus);
  }
  int tw = TextWidth(font, b.label);
  int x = b.rect.left + (b.rect.Width() - tw) / 2 + (pushed ? 1 : 0);
  int y = b.rect.top + (b.rect.Height() - LineHeight(font)) / 2 + (pushed ? 1 : 0);
  DrawText(c, font, x, y, b.label, color::kText,
           Rect{b.rect.left + 2, b.rect.top + 2, b.rect.right - 2, b.rect.bottom - 2});
}

int ButtonGroup::Find(Point p) const {
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (Contains(buttons[i].rect, p)) return static_cast<int>(i);
  }
  return -1;
}

int ButtonGroup::MouseDown(Point p) {
  armed_ = Find(p);
  armedInside_ = armed_ >= 0;
  if (armed_ >= 0) focus = armed_;
  return 0;
}

int ButtonGroup::MouseMove(Point p) {
  if (armed_ >= 0) armedInside_ = Find(p) == armed_;
  return 0;
}

int ButtonGroup::MouseUp(Point p) {
  int armed = armed_;
  armed_ = -1;
  armedInside_ = false;
  if (armed >= 0 && Find(p) == armed) return buttons[static_cast<std::size_t>(armed)].id;
  return 0;
}

bool ButtonGroup::MoveFocus(Key k) {
  int n = static_cast<int>(buttons.size());
  if (n == 0) return false;
  if (k == Key::Tab || k == Key::Right) {
    focus = (focus + 1) % n;
  } else if (k == Key::Left) {
    focus = (focus + n - 1) % n;
  } else {
    return false;
  }
  return true;
}

int ButtonGroup::FocusedId() const {
  if (focus < 0 || focus >= static_cast<int>(buttons.size())) return 0;
  return buttons[static_cast<std::size_t>(focus)].id;
}

void ButtonGroup::Draw(Canvas& c, Font* font) const {
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    int idx = static_cast<int>(i);
    DrawPushButton(c, font, buttons[i], idx == focus, idx == armed_ && armedInside_);
  }
}

}  // namespace pl::ui
