// Rectangle copies, blends, adds, tints, fills and colour shifts.
#include "graphics/blit.h"

#include <algorithm>
#include <cstring>

#include "graphics/pixel_kernels.h"

namespace {

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Clips against the destination and the 32-bit source; false when empty or
// when either buffer has no pixels.
bool Clip32(const CBuffer& dst, const CBuffer& src, int& dx, int& dy, int& w, int& h, int& sx, int& sy) {
  if (dst.Empty() || src.Empty()) return false;
  return ClipBlit(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy, w, h, sx, sy);
}

const pixk::RowKernels& K(const CBuffer& dst) { return pixk::Kernels(dst.SimdAllowed()); }

}  // namespace

bool ClipBlit(int dstW, int dstH, int srcW, int srcH, int& dx, int& dy, int& w, int& h, int& sx, int& sy) {
  if (w <= 0 || h <= 0) return false;
  long long x = dx, y = dy, cw = w, ch = h, u = sx, v = sy;
  if (x < 0) { u -= x; cw += x; x = 0; }
  if (y < 0) { v -= y; ch += y; y = 0; }
  if (u < 0) { x -= u; cw += u; u = 0; }
  if (v < 0) { y -= v; ch += v; v = 0; }
  cw = std::min({cw, static_cast<long long>(dstW) - x, static_cast<long long>(srcW) - u});
  ch = std::min({ch, static_cast<long long>(dstH) - y, static_cast<long long>(srcH) - v});
  if (cw <= 0 || ch <= 0) return false;
  dx = static_cast<int>(x);
  dy = static_cast<int>(y);
  sx = static_cast<int>(u);
  sy = static_cast<int>(v);
  w = static_cast<int>(cw);
  h = static_cast<int>(ch);
  return true;
}

void CopyPixelRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy) {
  if (dst.m_nBpp != src.m_nBpp || dst.m_nBpp == 0) return;
  if (dst.Empty() || src.Empty() || !ClipBlit(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy, w, h, sx, sy))
    return;
  const int bpp = dst.m_nBpp;
  for (int r = 0; r < h; ++r)
    std::memmove(dst.Row(dy + r) + dx * bpp, src.Row(sy + r) + sx * bpp, static_cast<std::size_t>(w) * bpp);
}

void AlphaBlitRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r) k.alpha(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), w);
}

void AlphaBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int opacity) {
  if (opacity >= 255) {
    AlphaBlitRect(dst, src, dx, dy, w, h, sx, sy);
    return;
  }
  opacity = std::max(opacity, 0);
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r) k.alphaOpacity(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), w, opacity);
}

void FadeBlitRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int opacity) {
  opacity = Clamp(opacity, 0, 255);
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r) k.fade(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), w, opacity);
}

void AddBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r) k.add(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), w);
}

namespace {
// Clips a blit with a second source (the background) that moves with the
// first; false when empty.
bool Clip32WithBackground(const CBuffer& dst, const CBuffer& src, const CBuffer& bg, int& dx, int& dy, int& w, int& h,
                          int& sx, int& sy, int& bx, int& by) {
  if (bg.Empty()) return false;
  const int sx0 = sx, sy0 = sy;
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return false;
  bx += sx - sx0;
  by += sy - sy0;
  int bdx = 0, bdy = 0, bw = w, bh = h;
  const int bx0 = bx, by0 = by;
  // The background rectangle as a source of its own, clipped to itself.
  if (!ClipBlit(w, h, bg.Width(), bg.Height(), bdx, bdy, bw, bh, bx, by)) return false;
  const int shiftX = bx - bx0, shiftY = by - by0;
  dx += shiftX;
  dy += shiftY;
  sx += shiftX;
  sy += shiftY;
  w = bw;
  h = bh;
  return true;
}
}  // namespace

void BlendImageRows(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy,
                    const CBuffer& background, int bx, int by) {
  if (!Clip32WithBackground(dst, src, background, dx, dy, w, h, sx, sy, bx, by)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r)
    k.compositeAdd(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), background.Pixel32(bx, by + r), w);
}

void AlphaBlendBlit(const CBuffer& src, CBuffer& target, int tx, int ty, int w, int h, int sx, int sy,
                    const CBuffer& background, int bx, int by) {
  if (!Clip32WithBackground(target, src, background, tx, ty, w, h, sx, sy, bx, by)) return;
  const auto& k = K(target);
  for (int r = 0; r < h; ++r)
    k.composite(target.Pixel32(tx, ty + r), src.Pixel32(sx, sy + r), background.Pixel32(bx, by + r), w);
}

namespace {
std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r & 0xFF) << 16) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
         static_cast<std::uint32_t>(b & 0xFF);
}
}  // namespace

void TintCopy32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g, int b,
                int f) {
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  const std::uint32_t c = Rgb(r, g, b);
  f = Clamp(f, 0, 255);
  for (int y = 0; y < h; ++y) k.tintCopy(dst.Pixel32(dx, dy + y), src.Pixel32(sx, sy + y), w, c, f);
}

void TintBlend32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g, int b,
                 int f) {
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  const std::uint32_t c = Rgb(r, g, b);
  f = Clamp(f, 0, 255);
  for (int y = 0; y < h; ++y) k.tintBlend(dst.Pixel32(dx, dy + y), src.Pixel32(sx, sy + y), w, c, f);
}

void TintBlt32Select(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g,
                     int b, int f, int blend) {
  if (blend)
    TintBlend32(dst, src, dx, dy, w, h, sx, sy, r, g, b, f);
  else
    TintCopy32(dst, src, dx, dy, w, h, sx, sy, r, g, b, f);
}

void TintBlt32(std::uint32_t colourAndFactor, int w, int h, CBuffer& dst, int x, int y, const CBuffer& src, int sx,
               int sy, int blend) {
  TintBlt32Select(dst, src, x, y, w, h, sx, sy, static_cast<int>(colourAndFactor & 0xFF),
                  static_cast<int>((colourAndFactor >> 8) & 0xFF), static_cast<int>((colourAndFactor >> 16) & 0xFF),
                  static_cast<int>(colourAndFactor >> 24), blend);
}

void FillImageRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g,
                   int b) {
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  const std::uint32_t c = Rgb(r, g, b);
  for (int y = 0; y < h; ++y) k.fillMask(dst.Pixel32(dx, dy + y), src.Pixel32(sx, sy + y), w, c);
}

void FillImageRectColour(std::uint32_t colorref, CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h,
                         int sx, int sy) {
  FillImageRect(dst, src, dx, dy, w, h, sx, sy, static_cast<int>(colorref & 0xFF),
                static_cast<int>((colorref >> 8) & 0xFF), static_cast<int>((colorref >> 16) & 0xFF));
}

void FillRect32(CBuffer& dst, int x, int y, int w, int h, std::uint32_t colorref) {
  if (dst.Empty() || dst.m_nBpp != 4) return;
  int sx = x, sy = y;  // the fill has no source: clip against the destination twice
  if (!ClipBlit(dst.Width(), dst.Height(), dst.Width(), dst.Height(), x, y, w, h, sx, sy)) return;
  const auto& k = K(dst);
  const std::uint32_t px = ColorrefToPixel(colorref);
  for (int r = 0; r < h; ++r) k.fill(dst.Pixel32(x, y + r), w, px);
}

void MultiplyBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int a) {
  a = Clamp(a, 0, 255);
  if (!Clip32(dst, src, dx, dy, w, h, sx, sy)) return;
  const auto& k = K(dst);
  for (int r = 0; r < h; ++r) k.multiply(dst.Pixel32(dx, dy + r), src.Pixel32(sx, sy + r), w, a);
}

void ShiftRectColour(int left, int top, int right, int bottom, std::uint32_t* dst, const std::uint32_t* src,
                     int offR, int offG, int offB, bool simd) {
  if (!dst || !src) return;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, 1023);
  bottom = std::min(bottom, 599);
  if (right < left || bottom < top) return;
  offR = Clamp(offR, -255, 255);
  offG = Clamp(offG, -255, 255);
  offB = Clamp(offB, -255, 255);
  const auto& k = pixk::Kernels(simd);
  const int w = right - left + 1;
  for (int y = top; y <= bottom; ++y) k.shift(dst + y * 1024 + left, src + y * 1024 + left, w, offB, offG, offR);
}
