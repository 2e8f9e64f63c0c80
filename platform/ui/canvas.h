// The platform's own small widgets (menu bar, message box, dialog) draw
// into a canvas of 0xAARRGGBB pixels (B, G, R, A bytes in memory) and take
// abstract input, so that the SDL backend and the tests' fake backend run
// the same logic. Main thread only.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/window.h"

namespace pl {
class Font;
}

namespace pl::ui {

struct Canvas {
  std::uint32_t* pixels = nullptr;
  int width = 0, height = 0;
  int pitch = 0;  // in pixels
};

// The keys the widgets answer to.
enum class Key { Left, Right, Up, Down, Enter, Escape, Alt, Space, Tab };
// The widget key for a virtual-key code of the key messages; false for keys
// the widgets ignore.
bool KeyFromVirtualKey(std::uint32_t vk, Key* out);

// Colours of the widgets: a light classic desktop.
namespace color {
constexpr std::uint32_t kFace = 0xFFF0F0F0;   // menu strip, box body
constexpr std::uint32_t kPopup = 0xFFF8F8F8;  // open popup
constexpr std::uint32_t kBorder = 0xFFA0A0A0;
constexpr std::uint32_t kText = 0xFF000000;
constexpr std::uint32_t kGrayText = 0xFF8D8D8D;
constexpr std::uint32_t kHighlight = 0xFF3399FF;  // chosen item
constexpr std::uint32_t kHighlightText = 0xFFFFFFFF;
constexpr std::uint32_t kHot = 0xFFD5E6F7;  // title under the mouse
constexpr std::uint32_t kCaptionLeft = 0xFF0A246A;
constexpr std::uint32_t kCaptionRight = 0xFFA6CAF0;
constexpr std::uint32_t kCaptionText = 0xFFFFFFFF;
constexpr std::uint32_t kButton = 0xFFE1E1E1;
constexpr std::uint32_t kButtonPressed = 0xFFCCE4F7;
constexpr std::uint32_t kButtonBorder = 0xFFADADAD;
constexpr std::uint32_t kFocus = 0xFF0078D7;
constexpr std::uint32_t kShadow = 0x40000000;
}  // namespace color

// The widgets' font (a "ＭＳ Ｐゴシック"-like face, 12 px), opened on first
// use and kept for the run; null when no face is installed, in which case
// texts are measured by an estimate and not drawn.
Font* UiFont();

inline bool Contains(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
Rect Intersect(const Rect& a, const Rect& b);

// "Over" compositing of a colour with its alpha scaled by coverage
// (0..255); the canvas keeps an alpha so that it can itself be composited.
void BlendPixel(Canvas& c, int x, int y, std::uint32_t argb, int coverage = 255);
void FillRect(Canvas& c, const Rect& r, std::uint32_t argb);
void FrameRect(Canvas& c, const Rect& r, std::uint32_t argb);
// Left-to-right blend of two opaque colours.
void FillGradient(Canvas& c, const Rect& r, std::uint32_t left, std::uint32_t right);

int TextWidth(Font* font, std::u32string_view text);
int LineHeight(Font* font);
int Ascent(Font* font);
// Draws text whose line cell starts at `top`, clipped to `clip` (and the
// canvas); returns the pen position after it. Bold overprints one pixel.
int DrawText(Canvas& c, Font* font, int x, int top, std::u32string_view text, std::uint32_t argb, const Rect& clip,
             bool bold = false);

}  // namespace pl::ui
