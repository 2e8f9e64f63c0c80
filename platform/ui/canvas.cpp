#include "platform/ui/canvas.h"

#include <algorithm>

#include "platform/font.h"
#include "platform/text.h"

namespace pl::ui {

bool KeyFromVirtualKey(std::uint32_t vk, Key* out) {
  switch (vk) {
    case 0x25:
      *out = Key::Left;
      return true;
    case 0x26:
      *out = Key::Up;
      return true;
    case 0x27:
      *out = Key::Right;
      return true;
    case 0x28:
      *out = Key::Down;
      return true;
    case VK_RETURN:
      *out = Key::Enter;
      return true;
    case VK_ESCAPE:
      *out = Key::Escape;
      return true;
    case VK_MENU:
      *out = Key::Alt;
      return true;
    case 0x20:
      *out = Key::Space;
      return true;
    case VK_TAB:
      *out = Key::Tab;
      return true;
    default:
      return false;
  }
}

Font* UiFont() {
  // Kept for the whole run and never destroyed, so that a box shown while
  // the program exits still has its font.
  static Font* font = Font::Open(FontSpec{SJ("ＭＳ Ｐゴシック"), -12, false}).release();
  return font;
}

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

namespace {

Rect Bounds(const Canvas& c) { return Rect{0, 0, c.width, c.height}; }

std::uint32_t* At(Canvas& c, int x, int y) { return c.pixels + static_cast<std::ptrdiff_t>(y) * c.pitch + x; }

}  // namespace

void BlendPixel(Canvas& c, int x, int y, std::uint32_t argb, int coverage) {
  if (!c.pixels || x < 0 || y < 0 || x >= c.width || y >= c.height || coverage <= 0) return;
  std::uint32_t a = ((argb >> 24) * static_cast<std::uint32_t>(std::min(coverage, 255)) + 127) / 255;
  std::uint32_t* p = At(c, x, y);
  if (a == 255) {
    *p = argb | 0xFF000000u;
    return;
  }
  if (a == 0) return;
  std::uint32_t d = *p;
  std::uint32_t inv = 255 - a;
  auto mix = [&](int shift) {
    std::uint32_t s = (argb >> shift) & 0xFF, t = (d >> shift) & 0xFF;
    return ((s * a + t * inv + 127) / 255) << shift;
  };
  std::uint32_t da = d >> 24;
  std::uint32_t outA = a + (da * inv + 127) / 255;
  *p = (outA << 24) | mix(16) | mix(8) | mix(0);
}

void FillRect(Canvas& c, const Rect& r, std::uint32_t argb) {
  Rect cl = Intersect(r, Bounds(c));
  if (!c.pixels) return;
  for (int y = cl.top; y < cl.bottom; ++y) {
    if ((argb >> 24) == 0xFF) {
      std::fill(At(c, cl.left, y), At(c, cl.right, y), argb);
    } else {
      for (int x = cl.left; x < cl.right; ++x) BlendPixel(c, x, y, argb);
    }
  }
}

void FrameRect(Canvas& c, const Rect& r, std::uint32_t argb) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  FillRect(c, Rect{r.left, r.top, r.right, r.top + 1}, argb);
  FillRect(c, Rect{r.left, r.bottom - 1, r.right, r.bottom}, argb);
  FillRect(c, Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1}, argb);
  FillRect(c, Rect{r.right - 1, r.top + 1, r.right, r.bottom - 1}, argb);
}

void FillGradient(Canvas& c, const Rect& r, std::uint32_t left, std::uint32_t right) {
  Rect cl = Intersect(r, Bounds(c));
  if (!c.pixels || r.Width() <= 0) return;
  int span = std::max(1, r.Width() - 1);
  for (int x = cl.left; x < cl.right; ++x) {
    int t = (x - r.left) * 255 / span;
    auto ch = [&](int shift) {
      int a = static_cast<int>((left >> shift) & 0xFF), b = static_cast<int>((right >> shift) & 0xFF);
      return static_cast<std::uint32_t>(a + (b - a) * t / 255) << shift;
    };
    std::uint32_t col = 0xFF000000u | ch(16) | ch(8) | ch(0);
    for (int y = cl.top; y < cl.bottom; ++y) *At(c, x, y) = col;
  }
}

int TextWidth(Font* font, std::u32string_view text) {
  if (font) return font->TextWidth(text);
  int w = 0;
  for (char32_t ch : text) w += ch < 0x80 || (ch >= 0xFF61 && ch <= 0xFF9F) ? 6 : 12;
  return w;
}

int LineHeight(Font* font) { return font ? font->metrics().height : 12; }
int Ascent(Font* font) { return font ? font->metrics().ascent : 10; }

int DrawText(Canvas& c, Font* font, int x, int top, std::u32string_view text, std::uint32_t argb, const Rect& clip,
             bool bold) {
  if (!font) return x + TextWidth(font, text);
  Rect cl = Intersect(clip, Bounds(c));
  int baseline = top + font->metrics().ascent;
  for (char32_t ch : text) {
    GlyphBitmap g = font->Render(ch);
    int gx = x + g.left, gy = baseline - g.top;
    for (int pass = 0; pass < (bold ? 2 : 1); ++pass) {
      for (int j = 0; j < g.height; ++j) {
        int py = gy + j;
        if (py < cl.top || py >= cl.bottom) continue;
        const std::uint8_t* row = g.coverage.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(g.width);
        for (int i = 0; i < g.width; ++i) {
          int px = gx + i + pass;
          if (px < cl.left || px >= cl.right || row[i] == 0) continue;
          BlendPixel(c, px, py, argb, row[i]);
        }
      }
    }
    x += g.advance + (bold ? 1 : 0);
  }
  return x;
}

}  // namespace pl::ui
