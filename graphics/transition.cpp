// The wipes: dissolve, rule wipe, zoom with rotation, the circle, the
// scattered discs, the doors and the spinning hand, the edge fades and the
// tile pattern. The filters that work on one picture at a time are in
// transition_filters.cpp.
#include "graphics/transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "graphics/layer_image.h"
#include "graphics/pixel_kernels.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace transition {

const std::uint8_t kSine[65] = {32, 35, 38, 41, 44, 47, 50, 52, 55, 57, 59, 60, 62, 63, 63, 64, 64,
                                64, 63, 63, 62, 60, 59, 57, 55, 52, 50, 47, 44, 41, 38, 35, 32, 29,
                                26, 23, 20, 17, 14, 12, 9,  7,  5,  4,  2,  1,  1,  0,  0,  0,  1,
                                1,  2,  4,  5,  7,  9,  12, 14, 17, 20, 23, 26, 29, 32};

void CommonSize(int* width, int* height, const CBuffer* a, const CBuffer* b, const CBuffer* c) {
  int w = 1 << 30, h = 1 << 30;
  for (const CBuffer* x : {a, b, c}) {
    if (!x) continue;
    if (x->Empty()) {
      w = h = 0;
      break;
    }
    w = std::min(w, x->Width());
    h = std::min(h, x->Height());
  }
  if (w == 1 << 30) w = h = 0;
  *width = w;
  *height = h;
}

namespace {

// Columns [x0, x1) of row y from the source; nothing for an empty span.
void CopySpan(CBuffer& d, const CBuffer& s, int y, int x0, int x1) {
  if (x1 > x0) CopyRgb(d.Pixel32(x0, y), s.Pixel32(x0, y), x1 - x0);
}

// Half-widths of a midpoint-rasterised disc, by row distance from its
// centre row (0..radius): the term starts at the radius and falls by the
// odd numbers; each time it goes negative the half-width shrinks by one.
std::vector<int> DiscHalfWidths(int radius) {
  std::vector<int> hw(static_cast<std::size_t>(radius) + 1, 0);
  int x = radius, y = 0, d = radius;
  while (y <= x) {
    hw[static_cast<std::size_t>(y)] = std::max(hw[static_cast<std::size_t>(y)], x);
    hw[static_cast<std::size_t>(x)] = std::max(hw[static_cast<std::size_t>(x)], y);
    d -= 2 * y + 1;
    ++y;
    if (d < 0) {
      d += 2 * x - 2;
      --x;
    }
  }
  return hw;
}

}  // namespace

// ---------------------------------------------------------------- dissolve

void DissolveStep(const CBuffer& oldPicture, const CBuffer& newPicture, CBuffer& destination, float p) {
  int w, h;
  CommonSize(&w, &h, &oldPicture, &newPicture, &destination);
  if (w <= 0 || h <= 0) return;
  const int opacity = static_cast<int>(ClampProgress(p) * 256.0f);
  // A full opacity is the new picture itself (a blend at 255 is not).
  if (opacity >= 256) {
    CopyPixelRect(destination, newPicture, 0, 0, w, h, 0, 0);
    return;
  }
  if (&destination != &oldPicture && destination.m_pcPix != oldPicture.m_pcPix)
    CopyPixelRect(destination, oldPicture, 0, 0, w, h, 0, 0);
  if (opacity > 0) FadeBlitRect(destination, newPicture, 0, 0, w, h, 0, 0, opacity);
}

// ---------------------------------------------------------------- rule wipe

namespace {

// One row of the rule wipe: c = new + (w (old - new) >> 7) for B, G, R,
// the destination's fourth byte kept.
void RuleRowPlain(std::uint8_t* d, const std::uint8_t* n, const std::uint8_t* o, const std::uint8_t* r,
                  const std::int32_t* weight, int w) {
  for (int x = 0; x < w; ++x) {
    const std::int32_t k = weight[r ? r[x] : 0];
    for (int c = 0; c < 3; ++c) {
      const std::int32_t nv = n[4 * x + c], ov = o[4 * x + c];
      d[4 * x + c] = static_cast<std::uint8_t>(nv + ((k * (ov - nv)) >> 7));
    }
  }
}

#if defined(__x86_64__)
// Four pixels a step in 16-bit lanes (the products stay within +-32640);
// the rest of the row goes to the plain row.
void RuleRowSse2(std::uint8_t* d, const std::uint8_t* n, const std::uint8_t* o, const std::uint8_t* r,
                 const std::int32_t* weight, int w, int t) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(static_cast<short>(256 - t));
  const __m128i top = _mm_set1_epi16(128);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; r && x + 4 <= w; x += 4) {
    std::int32_t rule4;
    std::memcpy(&rule4, r + x, 4);
    const __m128i m = _mm_unpacklo_epi8(_mm_cvtsi32_si128(rule4), zero);
    const __m128i k = _mm_min_epi16(_mm_max_epi16(_mm_srai_epi16(_mm_add_epi16(m, bias), 1), zero), top);
    const __m128i k2 = _mm_unpacklo_epi16(k, k);
    const __m128i kLo = _mm_unpacklo_epi32(k2, k2), kHi = _mm_unpackhi_epi32(k2, k2);
    const __m128i nv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + 4 * x));
    const __m128i ov = _mm_loadu_si128(reinterpret_cast<const __m128i*>(o + 4 * x));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * x));
    const __m128i nLo = _mm_unpacklo_epi8(nv, zero), nHi = _mm_unpackhi_epi8(nv, zero);
    const __m128i oLo = _mm_unpacklo_epi8(ov, zero), oHi = _mm_unpackhi_epi8(ov, zero);
    const __m128i lo = _mm_add_epi16(nLo, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(oLo, nLo), kLo), 7));
    const __m128i hi = _mm_add_epi16(nHi, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(oHi, nHi), kHi), 7));
    const __m128i rgb = _mm_andnot_si128(alpha, _mm_packus_epi16(lo, hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), _mm_or_si128(rgb, _mm_and_si128(dv, alpha)));
  }
  RuleRowPlain(d + 4 * x, n + 4 * x, o + 4 * x, r ? r + x : nullptr, weight, w - x);
}
#endif

}  // namespace

void RuleWipePlane(const CBuffer& newPicture, const CBuffer& oldPicture, CBuffer& destination,
                   const std::uint8_t* rule, int ruleWidth, int ruleHeight, float p) {
  int w, h;
  CommonSize(&w, &h, &oldPicture, &newPicture, &destination);
  if (w <= 0 || h <= 0) return;
  const int t = static_cast<int>(ClampProgress(p) * 512.0f);
  const bool haveRule = rule && ruleWidth >= w && ruleHeight >= h;
  // The weight for each rule byte, once per frame.
  std::int32_t weight[256];
  for (int m = 0; m < 256; ++m) weight[m] = std::clamp((m + 256 - t) >> 1, 0, 128);
  // The SIMD row only when the destination allows it and the cap does.
  const bool simd = &pixk::Kernels(destination.SimdAllowed()) != &pixk::PlainKernels();
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* n = newPicture.Row(y);
    const std::uint8_t* o = oldPicture.Row(y);
    std::uint8_t* d = destination.Row(y);
    const std::uint8_t* r = haveRule ? rule + static_cast<std::ptrdiff_t>(y) * ruleWidth : nullptr;
#if defined(__x86_64__)
    if (simd) {
      RuleRowSse2(d, n, o, r, weight, w, t);
      continue;
    }
#endif
    RuleRowPlain(d, n, o, r, weight, w);
  }
  (void)simd;
}

void RuleWipe(const CBuffer& newPicture, const CBuffer& oldPicture, CBuffer& destination, const CLayerImage& rule,
              float p) {
  const std::size_t need = static_cast<std::size_t>(std::max<int>(0, rule.m_nWidth)) *
                           static_cast<std::size_t>(std::max<int>(0, rule.m_nHeight));
  const bool ok = rule.m_nWidth > 0 && rule.m_nHeight > 0 && rule.m_Plane.size() >= need;
  RuleWipePlane(newPicture, oldPicture, destination, ok ? rule.m_Plane.data() : nullptr, ok ? rule.m_nWidth : 0,
                ok ? rule.m_nHeight : 0, p);
}

// ---------------------------------------------------------------- zoom and rotation

void ZoomRotateBlt(CBuffer& destination, int dx, int dy, int dw, int dh, const CBuffer& source, int sx, int sy,
                   int sw, int sh, float angleDegrees) {
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int cx = w / 2, cy = h / 2;
  const std::vector<int> cols = MakeScaleTable(dw, sw, sx, 1);
  const std::vector<int> rows = MakeScaleTable(dh, sh, sy, 1);
  // An angle that is no number turns nothing.
  const double rad = std::isfinite(angleDegrees) ? static_cast<double>(angleDegrees) * 6.283185307 / 360.0 : 0.0;
  const long long S = static_cast<long long>(std::sin(rad) * 128.0), C = static_cast<long long>(std::cos(rad) * 128.0);
  const int i0 = std::max(0, -dx), i1 = std::min(dw, w - dx);
  const int j0 = std::max(0, -dy), j1 = std::min(dh, h - dy);
  for (int j = j0; j < j1; ++j) {
    std::uint32_t* d = destination.Row32(dy + j);
    const long long oy = rows[static_cast<std::size_t>(j)] - cy;
    for (int i = i0; i < i1; ++i) {
      const long long ox = cols[static_cast<std::size_t>(i)] - cx;
      const long long u = cx + ((ox * C - oy * S) >> 7);
      const long long v = cy + ((ox * S + oy * C) >> 7);
      std::uint32_t& o = d[dx + i];
      if (u < 0 || v < 0 || u >= w || v >= h) {
        o &= 0xFF000000u;
      } else {
        o = (o & 0xFF000000u) | (source.Row32(static_cast<int>(v))[u] & 0x00FFFFFFu);
      }
    }
  }
}

void ZoomRotateCenter(CBuffer& destination, const CBuffer& source, float zoom, float angleDegrees) {
  if (!(zoom > 0.0f) || std::isinf(zoom)) return;
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0) return;
  int sw = w, sh = h, dw = w, dh = h;
  if (zoom > 1.0f) {
    sw = static_cast<int>(static_cast<float>(w) / zoom);
    sh = static_cast<int>(static_cast<float>(h) / zoom);
  } else if (zoom < 1.0f) {
    dw = static_cast<int>(static_cast<float>(w) * zoom);
    dh = static_cast<int>(static_cast<float>(h) * zoom);
  }
  const int cx = w / 2, cy = h / 2;
  ZoomRotateBlt(destination, cx - dw / 2, cy - dh / 2, dw, dh, source, cx - sw / 2, cy - sh / 2, sw, sh,
                angleDegrees);
}

// ---------------------------------------------------------------- circle and discs

void WipeSquare(int radius, CBuffer& destination, const CBuffer* inside, const CBuffer* outside) {
  if (radius < 0 || (!inside && !outside)) return;
  int w, h;
  CommonSize(&w, &h, &destination, inside, outside);
  if (w <= 0 || h <= 0) return;
  const int cx = w / 2, cy = h / 2;
  // Rows beyond the picture are never reached: the disc needs no more.
  radius = std::min(radius, std::max(cx, cy) + std::max(w, h));
  const std::vector<int> hw = DiscHalfWidths(radius);
  for (int dy = -radius; dy <= radius; ++dy) {
    const int y = cy + dy;
    if (y < 0 || y >= h) continue;
    const int half = hw[static_cast<std::size_t>(std::abs(dy))];
    const int l = std::clamp(cx - half, 0, w), r = std::clamp(cx + half + 1, 0, w);
    if (inside) CopySpan(destination, *inside, y, l, r);
    if (outside) {
      CopySpan(destination, *outside, y, 0, l);
      CopySpan(destination, *outside, y, r, w);
    }
  }
}

namespace {

struct ScatterEnds {
  std::int16_t x[1024], y[1024];
  ScatterEnds() {
    // A private generator: the game's own random sequence is not touched,
    // and the end points are the same on every run.
    CrtRandom rnd;
    rnd.Seed(0x5CA77E25u);
    for (int i = 0; i < 1024; ++i) {
      const int a = rnd.Next(), b = rnd.Next();
      x[i] = static_cast<std::int16_t>(1 + (a * 32768 + b) % 799);
      y[i] = static_cast<std::int16_t>((b * 32768 + a) % 600);
    }
  }
};

const ScatterEnds& Ends() {
  static const ScatterEnds ends;
  return ends;
}

}  // namespace

void ScatterPoint(int i, int* startX, int* startY, int* endX, int* endY) {
  i &= 1023;
  const int row = i / 32, col = i % 32;
  *startX = 12 + 25 * col;
  *startY = 9 + static_cast<int>(std::floor(18.75 * row));
  *endX = Ends().x[i];
  *endY = Ends().y[i];
}

void DrawScatterTile(CBuffer& destination, const CBuffer& source, int x, int y, int sx, int sy, int radius) {
  if (radius < 0) return;
  const int dw = destination.Width(), dh = destination.Height(), sw = source.Width(), shh = source.Height();
  if (destination.Empty() || source.Empty()) return;
  radius = std::min(radius, 4096);
  const std::vector<int> hw = DiscHalfWidths(radius);
  for (int dy = -radius; dy <= radius; ++dy) {
    const int ty = y + dy, fy = sy + dy;
    if (ty < 0 || ty >= dh || fy < 0 || fy >= shh) continue;
    const int half = hw[static_cast<std::size_t>(std::abs(dy))];
    // Cut to both rows: i runs over the span's offsets from the centres.
    const int i0 = std::max({-half, -x, -sx}), i1 = std::min({half + 1, dw - x, sw - sx});
    if (i1 > i0) CopyRgb(destination.Pixel32(x + i0, ty), source.Pixel32(sx + i0, fy), i1 - i0);
  }
}

void ScatterTiles(CBuffer& destination, const CBuffer& oldPicture, float p) {
  p = ClampProgress(p);
  const int radius = static_cast<int>(9.0f * (1.0f - p));
  if (radius <= 0) return;
  for (int i = 0; i < 1024; ++i) {
    int sx, sy, ex, ey;
    ScatterPoint(i, &sx, &sy, &ex, &ey);
    const int x = static_cast<int>(static_cast<float>(sx) - p * static_cast<float>(sx - ex));
    const int y = static_cast<int>(static_cast<float>(sy) - p * static_cast<float>(sy - ey));
    DrawScatterTile(destination, oldPicture, x, y, sx, sy, radius);
  }
}

// ---------------------------------------------------------------- doors and the hand

namespace {

// Horizontal offset from the centre column of a blade turned `a` degrees
// away from the vertical, n rows from the centre row: the tangent taken
// linearly up to 45 degrees and as its mirror above, held in 0..limit.
int FromVertical(int n, float a, int limit) {
  float v;
  if (a <= 45.0f)
    v = static_cast<float>(n) * (a * 6.6666665f) / 300.0f;
  else if (a >= 90.0f)
    return limit;
  else
    v = 512.0f * static_cast<float>(n) / ((90.0f - a) * 11.377778f);
  if (!(v > 0.0f)) return 0;
  return v >= static_cast<float>(limit) ? limit : static_cast<int>(v);
}

// The same for a blade turned away from the horizontal.
int FromHorizontal(int n, float a, int limit) { return FromVertical(n, 90.0f - a, limit); }

// Quarters in the hand's order: 0 upper right (from the upward ray), 1
// lower right (from the rightward ray), 2 lower left (from the downward
// ray), 3 upper left (from the leftward ray). The part a blade turned by
// `a` has passed shows the new picture.
void DrawQuarter(CBuffer& d, const CBuffer& np, const CBuffer& op, int quarter, float a, int w, int h) {
  const int cx = w / 2, cy = h / 2;
  const bool upper = quarter == 0 || quarter == 3;
  const int y0 = upper ? 0 : cy, y1 = upper ? cy : h;
  for (int y = y0; y < y1; ++y) {
    // Rows counted from 0 upward of the centre and from 1 below it.
    const int n = upper ? cy - 1 - y : y - cy + 1;
    switch (quarter) {
      case 0: {
        const int b = FromVertical(n, a, w - cx);
        CopySpan(d, np, y, cx, cx + b);
        CopySpan(d, op, y, cx + b, w);
        break;
      }
      case 1: {
        const int b = FromHorizontal(n, a, w - cx);
        CopySpan(d, op, y, cx, cx + b);
        CopySpan(d, np, y, cx + b, w);
        break;
      }
      case 2: {
        const int b = FromVertical(n, a, cx);
        CopySpan(d, np, y, cx - b, cx);
        CopySpan(d, op, y, 0, cx - b);
        break;
      }
      default: {
        const int b = FromHorizontal(n, a, cx);
        CopySpan(d, op, y, cx - b, cx);
        CopySpan(d, np, y, 0, cx - b);
        break;
      }
    }
  }
}

}  // namespace

void TransDoor(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &newPicture, &oldPicture);
  if (w <= 0 || h <= 0) return;
  const float a = ClampProgress(p) * 90.0f;
  for (int q = 0; q < 4; ++q) DrawQuarter(destination, newPicture, oldPicture, q, a, w, h);
}

void TransSpin(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &newPicture, &oldPicture);
  if (w <= 0 || h <= 0) return;
  const float a = ClampProgress(p) * 360.0f;
  for (int q = 0; q < 4; ++q) {
    const float turn = a - 90.0f * static_cast<float>(q);
    // The hand starts in the first quarter; the others wait until it has
    // passed into them.
    if (q > 0 && turn <= 0.0f) continue;
    DrawQuarter(destination, newPicture, oldPicture, q, std::min(turn, 90.0f), w, h);
  }
}

// ---------------------------------------------------------------- edge fades

namespace {

// Bands at both edges (top and bottom for `rows`, else left and right) of
// the other picture at half opacity: growing to the middle over the old
// picture, then shrinking back over the new one. The side bands move in
// even steps.
void EdgeFade(CBuffer& destination, const CBuffer& oldPicture, const CBuffer& newPicture, float p, bool rows) {
  int w, h;
  CommonSize(&w, &h, &destination, &newPicture, &oldPicture);
  if (w <= 0 || h <= 0) return;
  const int size = rows ? h : w;
  int b = static_cast<int>(static_cast<float>(size) * ClampProgress(p));
  if (!rows && (b & 1)) ++b;
  const bool first = b <= size / 2;
  const CBuffer& base = first ? oldPicture : newPicture;
  const CBuffer& over = first ? newPicture : oldPicture;
  const int band = std::min(first ? b : 2 * (size / 2) - b, size);
  CopyPixelRect(destination, base, 0, 0, w, h, 0, 0);
  if (band <= 0) return;
  if (rows) {
    FadeBlitRect(destination, over, 0, 0, w, band, 0, 0, 128);
    FadeBlitRect(destination, over, 0, h - band, w, band, 0, h - band, 128);
  } else {
    FadeBlitRect(destination, over, 0, 0, band, h, 0, 0, 128);
    FadeBlitRect(destination, over, w - band, 0, band, h, w - band, 0, 128);
  }
}

}  // namespace

void EdgeFadeTB(CBuffer& destination, const CBuffer& oldPicture, const CBuffer& newPicture, float p) {
  EdgeFade(destination, oldPicture, newPicture, p, true);
}

void EdgeFadeLR(CBuffer& destination, const CBuffer& oldPicture, const CBuffer& newPicture, float p) {
  EdgeFade(destination, oldPicture, newPicture, p, false);
}

// ---------------------------------------------------------------- tiles

namespace {

constexpr std::uint16_t Bits(std::initializer_list<int> ks) {
  std::uint16_t v = 0;
  for (int k : ks) v = static_cast<std::uint16_t>(v | (1u << k));
  return v;
}

// Bit k set: tile byte k shows the old picture at that step.
constexpr std::uint16_t kTileSteps[16] = {
    0xFFFF,
    static_cast<std::uint16_t>(~Bits({4})),
    static_cast<std::uint16_t>(~Bits({4, 14})),
    static_cast<std::uint16_t>(~Bits({4, 6, 14})),
    static_cast<std::uint16_t>(~Bits({4, 6, 12, 14})),
    static_cast<std::uint16_t>(~Bits({4, 6, 9, 12, 14})),
    static_cast<std::uint16_t>(~Bits({3, 4, 6, 9, 12, 14})),
    Bits({0, 2, 5, 6, 7, 8, 10, 13, 15}),
    Bits({0, 2, 5, 7, 10, 13, 15}),
    Bits({0, 5, 7, 10, 13, 15}),
    Bits({5, 7, 10, 13, 15}),
    Bits({5, 7, 13, 15}),
    Bits({5, 7, 15}),
    Bits({5, 15}),
    Bits({5}),
    0,
};

}  // namespace

bool TileShowsOld(int step, int k) {
  if (step < 0 || step > 15 || k < 0 || k > 15) return false;
  return (kTileSteps[step] >> k) & 1u;
}

void TileWipe4x4(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &newPicture, &oldPicture);
  if (w <= 0 || h <= 0) return;
  const int step = std::min(15, static_cast<int>(ClampProgress(p) * 16.0f));
  const std::uint16_t bits = kTileSteps[step];
  for (int y = 0; y < h; ++y) {
    const int rowMod = (y / 4) % 4;
    std::uint32_t* d = destination.Row32(y);
    const std::uint32_t* o = oldPicture.Row32(y);
    const std::uint32_t* n = newPicture.Row32(y);
    for (int x = 0; x < w; x += 4) {
      const int k = ((x / 4) % 4) * 4 + rowMod;
      const std::uint32_t* s = ((bits >> k) & 1u) ? o : n;
      const int end = std::min(w, x + 4);
      for (int i = x; i < end; ++i) d[i] = (d[i] & 0xFF000000u) | (s[i] & 0x00FFFFFFu);
    }
  }
}

}  // namespace transition
