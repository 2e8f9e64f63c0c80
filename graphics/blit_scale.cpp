// Scaling, box shrinks, zoom, rotation, depth conversions, 8-bit table
// blends, colour tones and the value sort.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "graphics/pixel_kernels.h"

namespace {
inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline std::uint32_t MixRgbKeepA(std::uint32_t d, std::uint32_t s, std::uint32_t a) {
  std::uint32_t out = d & 0xFF000000u;
  for (int sh = 0; sh < 24; sh += 8) out |= pixk::Mix((d >> sh) & 0xFF, (s >> sh) & 0xFF, a) << sh;
  return out;
}
}  // namespace

namespace {
int ScaleEntry(int i, int n, int m) {
  const int e = static_cast<int>(0.5f + static_cast<float>(m) * static_cast<float>(i) / static_cast<float>(n));
  // Enlarging two times or more rounds the last entries up to m: that is
  // one past the span, so such entries take the span's last element.
  return Clamp(e, 0, m - 1);
}
// Entries i0..i1-1 of a table of n over a span of m (indices, not scaled).
std::vector<long long> ScaleRange(int i0, int i1, int n, int m, long long s0) {
  std::vector<long long> t(i1 > i0 ? static_cast<std::size_t>(i1 - i0) : 0);
  for (int i = i0; i < i1; ++i) t[i - i0] = s0 + ScaleEntry(i, n, m);
  return t;
}
}  // namespace

std::vector<int> MakeScaleTable(int n, int m, int s0, int scale) {
  std::vector<int> table(n > 0 ? static_cast<std::size_t>(n) : 0);
  if (n <= 0 || m <= 0) return table;
  for (int i = 0; i < n; ++i) table[i] = (s0 + ScaleEntry(i, n, m)) * scale;
  return table;
}

void StretchBlt32(int dy, CBuffer& dst, int dx, int w, int h, const CBuffer& src, int sx, int sy, int sw, int sh,
                  int alphaFlag) {
  if (dst.Empty() || src.Empty() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  // Only the visible part of the destination gets table entries.
  const long long i0 = std::max(0LL, -static_cast<long long>(dx)),
                  i1 = std::min(static_cast<long long>(w), static_cast<long long>(dst.Width()) - dx);
  const long long j0 = std::max(0LL, -static_cast<long long>(dy)),
                  j1 = std::min(static_cast<long long>(h), static_cast<long long>(dst.Height()) - dy);
  if (i1 <= i0 || j1 <= j0) return;
  const auto cols = ScaleRange(static_cast<int>(i0), static_cast<int>(i1), w, sw, sx);
  const auto rows = ScaleRange(static_cast<int>(j0), static_cast<int>(j1), h, sh, sy);
  for (int j = static_cast<int>(j0); j < j1; ++j) {
    const long long v = rows[j - j0];
    if (v < 0 || v >= src.Height()) continue;
    const std::uint32_t* s = src.Row32(static_cast<int>(v));
    std::uint32_t* d = dst.Row32(static_cast<int>(dy + j));
    for (int i = static_cast<int>(i0); i < i1; ++i) {
      const long long u = cols[i - i0];
      if (u < 0 || u >= src.Width()) continue;
      const std::uint32_t p = s[u];
      std::uint32_t& o = d[dx + i];
      o = alphaFlag ? MixRgbKeepA(o, p, p >> 24) : (o & 0xFF000000u) | (p & 0x00FFFFFFu);
    }
  }
}

namespace {
// Clips a box shrink by `f`: destination w x h at (dx, dy) from f*w x f*h at
// (sx, sy).
bool ClipShrink(const CBuffer& dst, const CBuffer& src, int f, int& dx, int& dy, int& w, int& h, int& sx, int& sy) {
  if (dst.Empty() || src.Empty() || w <= 0 || h <= 0) return false;
  // In 64 bits: far-off positions must not overflow on the way.
  auto axis = [f](int& d0, int& s0, int& n0, long long dstN, long long srcN) {
    long long d = d0, s = s0, n = n0;
    if (d < 0) { s -= d * f; n += d; d = 0; }
    if (s < 0) {
      const long long k = (-s + f - 1) / f;
      d += k; s += k * f; n -= k;
    }
    n = std::min({n, dstN - d, (srcN - s) / f});
    if (n <= 0) return false;
    d0 = static_cast<int>(d);
    s0 = static_cast<int>(s);
    n0 = static_cast<int>(n);
    return true;
  };
  return axis(dx, sx, w, dst.Width(), src.Width()) && axis(dy, sy, h, dst.Height(), src.Height());
}
}  // namespace

void ShrinkBlt2x(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!ClipShrink(dst, src, 2, dx, dy, w, h, sx, sy)) return;
  const auto& k = pixk::Kernels(dst.SimdAllowed());
  for (int j = 0; j < h; ++j)
    k.shrink2(dst.Pixel32(dx, dy + j), src.Pixel32(sx, sy + 2 * j), src.Pixel32(sx, sy + 2 * j + 1), w);
}

void ShrinkBlt4x(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!ClipShrink(dst, src, 4, dx, dy, w, h, sx, sy)) return;
  const auto& k = pixk::Kernels(dst.SimdAllowed());
  for (int j = 0; j < h; ++j) {
    const std::uint32_t* rows[4];
    for (int r = 0; r < 4; ++r) rows[r] = src.Pixel32(sx, sy + 4 * j + r);
    k.shrink4(dst.Pixel32(dx, dy + j), rows, w);
  }
}

void ScaleBlt32(CBuffer& dst, int dx, int dy, int w, int h, const CBuffer& src, int sx, int sy, int sw, int sh,
                int allowBoxShrink) {
  if (allowBoxShrink == 1 && w > 0 && h > 0) {
    if (sw == 2 * w && sh == 2 * h) return ShrinkBlt2x(dst, src, dx, dy, w, h, sx, sy);
    if (sw == 4 * w && sh == 4 * h) return ShrinkBlt4x(dst, src, dx, dy, w, h, sx, sy);
  }
  StretchBlt32(dy, dst, dx, w, h, src, sx, sy, sw, sh, 0);
}

void ZoomCenter(const CBuffer& src, CBuffer& dst, float factor, int* outRect, int drawFlag) {
  const int W = src.Width(), H = src.Height();
  int sw = W, sh = H, dw = W, dh = H;
  if (factor > 1.0f) {
    sw = static_cast<int>(static_cast<float>(W) / factor);
    sh = static_cast<int>(static_cast<float>(H) / factor);
  } else if (factor < 1.0f) {
    dw = static_cast<int>(factor * static_cast<float>(W));
    dh = static_cast<int>(factor * static_cast<float>(H));
  }
  const int dx = 512 - dw / 2, dy = 300 - dh / 2, sx = 512 - sw / 2, sy = 300 - sh / 2;
  if (factor < 1.0f && outRect) {
    outRect[0] = dx;
    outRect[1] = dy;
    outRect[2] = dw;
    outRect[3] = dh;
  }
  if (drawFlag != 1 || factor == 0.0f) return;
  if (factor == 1.0f)
    CopyPixelRect(dst, src, dx, dy, W, H, sx, sy);
  else
    ScaleBlt32(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, 0);
}

void StretchCopy8(std::uint8_t* dst, int w, int h, const std::uint8_t* src, int sw, int sh, int srcStride) {
  if (!dst || !src || w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || srcStride < sw) return;
  const std::vector<int> cols = MakeScaleTable(w, sw, 0, 1);
  const std::vector<int> rows = MakeScaleTable(h, sh, 0, 1);
  for (int j = 0; j < h; ++j) {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(sh - 1 - rows[j]) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(j) * w;
    for (int i = 0; i < w; ++i) d[i] = s[cols[i]];
  }
}

void StretchGrey8To32(int dy, CBuffer& dst, int w, int h, const std::uint8_t* src, int sw, int sh, float factor) {
  if (dst.Empty() || !src || sw <= 0 || sh <= 0) return;
  factor = std::clamp(factor, 0.0f, 1.0f);
  w = std::min(w, dst.Width());
  const long long j0 = std::max(0LL, -static_cast<long long>(dy)),
                  j1 = std::min(static_cast<long long>(h), static_cast<long long>(dst.Height()) - dy);
  if (w <= 0 || j1 <= j0) return;
  const std::vector<int> cols = MakeScaleTable(w, sw, 0, 1);
  const std::vector<int> rows = MakeScaleTable(h, sh, 0, sw);
  for (long long j = j0; j < j1; ++j) {
    const std::uint8_t* s = src + rows[j];
    std::uint32_t* d = dst.Row32(static_cast<int>(dy + j));
    for (int i = 0; i < w; ++i) {
      const std::uint32_t v = static_cast<std::uint32_t>(factor * static_cast<float>(s[cols[i]]));
      d[i] = v | (v << 8) | (v << 16) | (v ? 0xFF000000u : 0);
    }
  }
}

void RotateBlt32(CBuffer& dst, int x, int y, const CBuffer& src, int w, int h, int cx, int cy, float angleDegrees,
                 int blend) {
  if (dst.Empty() || src.Empty()) return;
  const double rad = static_cast<double>(angleDegrees) * 3.14159265358979323846 / 180.0;
  const int S = static_cast<int>(128.0 * std::sin(rad)), C = static_cast<int>(128.0 * std::cos(rad));
  const int rows = std::min(h, dst.Height()), cols = std::min(w, dst.Width());
  // 64-bit positions: a far-off centre or origin must not overflow.
  const long long X = x, Y = y, CX = cx, CY = cy;
  for (int i = 0; i < rows; ++i) {
    if (Y + i < 0 || Y + i >= dst.Height()) continue;
    std::uint32_t* d = dst.Row32(static_cast<int>(Y + i));
    for (int j = 0; j < cols; ++j) {
      if (X + j < 0 || X + j >= dst.Width()) continue;
      const long long u = CX + (((j - CX) * C + (i - CY) * S) >> 7);
      const long long v = CY + (((i - CY) * C - (j - CX) * S) >> 7);
      if (u < 0 || v < 0 || u >= src.Width() || v >= src.Height()) continue;
      const std::uint32_t p = src.Row32(static_cast<int>(v))[u];
      std::uint32_t& o = d[X + j];
      o = blend == 1 ? MixRgbKeepA(o, p, p >> 24) : (o & 0xFF000000u) | (p & 0x00FFFFFFu);
    }
  }
}

namespace {
// Source row for destination row r of a conversion of `rows` rows.
template <typename Fn>
void ConvertRows(const CBuffer& src, int rows, int w, CBuffer& dst, Fn&& fn) {
  if (src.Empty() || dst.Empty() || rows == 0) return;
  const bool bottomUp = rows < 0;
  int n = bottomUp ? -rows : rows;
  n = std::min({n, dst.Height(), src.Height()});
  w = std::min({w, dst.Width(), src.Width()});
  if (w <= 0) return;
  for (int r = 0; r < n; ++r) fn(src.Row(bottomUp ? n - 1 - r : r), dst.Row32(r), w);
}
}  // namespace

void Convert24To32(const CBuffer& src, int rows, int w, CBuffer& dst) {
  if (src.m_nBpp != 3) return;
  ConvertRows(src, rows, w, dst, [](const std::uint8_t* s, std::uint32_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 3)
      d[i] = (d[i] & 0xFF000000u) | s[0] | (static_cast<std::uint32_t>(s[1]) << 8) |
             (static_cast<std::uint32_t>(s[2]) << 16);
  });
}

void ConvertPal8To32(const CBuffer& src, int rows, const std::uint8_t* palette, CBuffer& dst, int w) {
  if (src.m_nBpp != 1 || !palette) return;
  ConvertRows(src, rows, w, dst, [palette](const std::uint8_t* s, std::uint32_t* d, int n) {
    for (int i = 0; i < n; ++i) {
      const std::uint8_t* e = palette + 4 * s[i];
      d[i] = (d[i] & 0xFF000000u) | e[0] | (static_cast<std::uint32_t>(e[1]) << 8) |
             (static_cast<std::uint32_t>(e[2]) << 16);
    }
  });
}

void LutBlend8(const std::uint8_t* planeA, const std::uint8_t* planeB, std::uint8_t* out, int width, int rows,
               int remA, int remB, int remOut, const BlendTables& tables, int a, bool simd) {
  if (!planeA || !planeB || !out || width <= 0 || rows <= 0) return;
  a = Clamp(a, 0, 255);
  const auto& slice = tables.T[a];
  const auto& k = pixk::Kernels(simd);
  const bool useKernel = &k != &pixk::PlainKernels();
  for (int r = 0; r < rows; ++r) {
    if (useKernel) {
      k.lutBlend(out, planeA, planeB, width, a);
    } else {
      for (int i = 0; i < width; ++i) out[i] = planeA[i] == planeB[i] ? planeB[i] : slice[planeA[i]][planeB[i]];
    }
    planeA += width + remA;
    planeB += width + remB;
    out += width + remOut;
  }
}

void ApplyTone(std::uint32_t* pixels, std::size_t count, int tone, bool simd) {
  if (!pixels) return;
  const auto& k = pixk::Kernels(simd);
  while (count > 0) {
    const int n = static_cast<int>(std::min<std::size_t>(count, 1 << 20));
    k.tone(pixels, n, tone);
    pixels += n;
    count -= static_cast<std::size_t>(n);
  }
}

void ApplyTone(CBuffer& buffer, int tone) {
  if (buffer.Empty() || buffer.m_nBpp != 4) return;
  for (int y = 0; y < buffer.Height(); ++y) ApplyTone(buffer.Row32(y), buffer.Width(), tone, buffer.SimdAllowed());
}

int PartitionValues(std::uint32_t* values, int first, int last, std::uint32_t pivot) {
  int l = first, r = last;
  for (;;) {
    while (values[l] < pivot) ++l;
    while (values[r] >= pivot) --r;
    if (l > r) return l;
    std::swap(values[l], values[r]);
  }
}

void SortValues(std::uint32_t* values, int first, int last) {
  while (first < last) {
    int k = first + 1;
    while (k <= last && values[k] == values[first]) ++k;
    if (k > last) return;  // all equal
    const std::uint32_t pivot = std::max(values[first], values[k]);
    const int mid = PartitionValues(values, first, last, pivot);
    SortValues(values, first, mid - 1);
    first = mid;
  }
}
