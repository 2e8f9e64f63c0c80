// SSE2 row kernels. Each computes exactly what its plain twin computes (the
// unsigned blend form in 16-bit lanes), handles four pixels a step and
// leaves the rest of the row to the plain kernel.
#include "graphics/pixel_kernels.h"

#if defined(__x86_64__)
#include <emmintrin.h>

#include <cstring>

namespace pixk {
namespace {

const RowKernels& P() { return PlainKernels(); }

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
inline __m128i Lo(__m128i v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
inline __m128i Hi(__m128i v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
// Each pixel's alpha lane copied into its four lanes.
inline __m128i AlphaLanes(__m128i v16) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v16, 0xFF), 0xFF); }
// (d * (256 - k) + s * k) >> 8 per 16-bit lane.
inline __m128i Mix(__m128i d, __m128i s, __m128i k) {
  const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), k);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, inv), _mm_mullo_epi16(s, k)), 8);
}
inline __m128i RgbMask() { return _mm_set1_epi32(0x00FFFFFF); }
inline __m128i AMask() { return _mm_set1_epi32(static_cast<int>(0xFF000000u)); }
inline __m128i KeepRgbTakeA(__m128i rgb, __m128i a) {
  return _mm_or_si128(_mm_and_si128(rgb, RgbMask()), _mm_and_si128(a, AMask()));
}

void Alpha(std::uint32_t* d, const std::uint32_t* s, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i), vd = Load(d + i);
    const __m128i sl = Lo(vs), sh = Hi(vs);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), sl, AlphaLanes(sl)), Mix(Hi(vd), sh, AlphaLanes(sh)));
    Store(d + i, KeepRgbTakeA(r, vs));
  }
  P().alpha(d + i, s + i, n - i);
}

void AlphaOpacity(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  const __m128i vop = _mm_set1_epi16(static_cast<short>(op));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i), vd = Load(d + i);
    const __m128i sl = Lo(vs), sh = Hi(vs);
    const __m128i vl = _mm_srli_epi16(_mm_mullo_epi16(AlphaLanes(sl), vop), 8);
    const __m128i vh = _mm_srli_epi16(_mm_mullo_epi16(AlphaLanes(sh), vop), 8);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), sl, vl), Mix(Hi(vd), sh, vh));
    Store(d + i, KeepRgbTakeA(r, _mm_packus_epi16(vl, vh)));
  }
  P().alphaOpacity(d + i, s + i, n - i, op);
}

void Fade(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  const __m128i k = _mm_set1_epi16(static_cast<short>(op));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i), vd = Load(d + i);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), Lo(vs), k), Mix(Hi(vd), Hi(vs), k));
    Store(d + i, KeepRgbTakeA(r, vd));
  }
  P().fade(d + i, s + i, n - i, op);
}

void Add(std::uint32_t* d, const std::uint32_t* s, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) Store(d + i, _mm_adds_epu8(Load(d + i), _mm_and_si128(Load(s + i), RgbMask())));
  P().add(d + i, s + i, n - i);
}

inline __m128i Composite4(__m128i vs, __m128i vb) {
  const __m128i sl = Lo(vs), sh = Hi(vs);
  return _mm_packus_epi16(Mix(Lo(vb), sl, AlphaLanes(sl)), Mix(Hi(vb), sh, AlphaLanes(sh)));
}

void Composite(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i);
    Store(d + i, KeepRgbTakeA(Composite4(vs, Load(b + i)), vs));
  }
  P().composite(d + i, s + i, b + i, n - i);
}

void CompositeAdd(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i);
    const __m128i c = _mm_and_si128(Composite4(vs, Load(b + i)), RgbMask());
    Store(d + i, KeepRgbTakeA(_mm_adds_epu8(Load(d + i), c), vs));
  }
  P().compositeAdd(d + i, s + i, b + i, n - i);
}

inline __m128i Colour16(std::uint32_t colour) { return Lo(_mm_set1_epi32(static_cast<int>(colour))); }

void TintCopy(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f) {
  const __m128i c = Colour16(colour), k = _mm_set1_epi16(static_cast<short>(f));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i);
    Store(d + i, KeepRgbTakeA(_mm_packus_epi16(Mix(Lo(vs), c, k), Mix(Hi(vs), c, k)), vs));
  }
  P().tintCopy(d + i, s + i, n - i, colour, f);
}

void TintBlend(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f) {
  const __m128i c = Colour16(colour), k = _mm_set1_epi16(static_cast<short>(f));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i), vd = Load(d + i);
    const __m128i sl = Lo(vs), sh = Hi(vs);
    const __m128i tl = Mix(sl, c, k), th = Mix(sh, c, k);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), tl, AlphaLanes(sl)), Mix(Hi(vd), th, AlphaLanes(sh)));
    Store(d + i, KeepRgbTakeA(r, vs));
  }
  P().tintBlend(d + i, s + i, n - i, colour, f);
}

void FillMask(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour) {
  const __m128i c = Colour16(colour);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = Load(s + i), vd = Load(d + i);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), c, AlphaLanes(Lo(vs))), Mix(Hi(vd), c, AlphaLanes(Hi(vs))));
    Store(d + i, KeepRgbTakeA(r, vd));
  }
  P().fillMask(d + i, s + i, n - i, colour);
}

void Fill(std::uint32_t* d, int n, std::uint32_t pixel) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(pixel));
  int i = 0;
  for (; i + 4 <= n; i += 4) Store(d + i, v);
  P().fill(d + i, n - i, pixel);
}

inline std::uint32_t Bytes3(int b, int g, int r) {
  return static_cast<std::uint32_t>(b) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(r) << 16);
}
inline int Pos(int v) { return v > 0 ? v : 0; }

void Shift(std::uint32_t* d, const std::uint32_t* s, int n, int offB, int offG, int offR) {
  // Adding the positive parts and then subtracting the negative ones, each
  // saturating, is exact even when the signs differ between channels.
  const __m128i up = _mm_set1_epi32(static_cast<int>(Bytes3(Pos(offB), Pos(offG), Pos(offR))));
  const __m128i down = _mm_set1_epi32(static_cast<int>(Bytes3(Pos(-offB), Pos(-offG), Pos(-offR))));
  int i = 0;
  for (; i + 4 <= n; i += 4)
    Store(d + i, _mm_and_si128(_mm_subs_epu8(_mm_adds_epu8(Load(s + i), up), down), RgbMask()));
  P().shift(d + i, s + i, n - i, offB, offG, offR);
}

// Sums of horizontal pixel pairs of two rows: in = 4 pixels of each row,
// out = 2 summed pixels in 16-bit lanes.
inline __m128i PairSums(__m128i r0, __m128i r1) {
  const __m128i l = _mm_add_epi16(Lo(r0), Lo(r1)), h = _mm_add_epi16(Hi(r0), Hi(r1));
  return _mm_add_epi16(_mm_unpacklo_epi64(l, h), _mm_unpackhi_epi64(l, h));
}

void Shrink2(std::uint32_t* d, const std::uint32_t* s0, const std::uint32_t* s1, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i a = PairSums(Load(s0 + 2 * i), Load(s1 + 2 * i));
    const __m128i b = PairSums(Load(s0 + 2 * i + 4), Load(s1 + 2 * i + 4));
    const __m128i r = _mm_packus_epi16(_mm_srli_epi16(a, 2), _mm_srli_epi16(b, 2));
    Store(d + i, KeepRgbTakeA(r, Load(d + i)));
  }
  P().shrink2(d + i, s0 + 2 * i, s1 + 2 * i, n - i);
}

void Shrink4(std::uint32_t* d, const std::uint32_t* const* rows, int n) {
  for (int i = 0; i < n; ++i) {
    __m128i acc = _mm_setzero_si128();
    for (int r = 0; r < 4; ++r) {
      const __m128i v = Load(rows[r] + 4 * i);
      acc = _mm_add_epi16(acc, _mm_add_epi16(Lo(v), Hi(v)));
    }
    acc = _mm_add_epi16(acc, _mm_unpackhi_epi64(acc, acc));
    const std::uint32_t sum =
        static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_srli_epi16(acc, 4), _mm_setzero_si128())));
    d[i] = (sum & 0x00FFFFFFu) | (d[i] & 0xFF000000u);
  }
}

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// The grey weight (151 B + 77 G + 28 R) >> 8 of each pixel in its 32-bit lane.
inline __m128i Luma(__m128i v) {
  const __m128i br = _mm_and_si128(v, _mm_set1_epi32(0x00FF00FF));
  const __m128i g = _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xFF));
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(br, _mm_set1_epi32((28 << 16) | 151)),
                                    _mm_madd_epi16(g, _mm_set1_epi32(77)));
  return _mm_srli_epi32(sum, 8);
}
inline __m128i KeepA(__m128i v) { return _mm_and_si128(v, AMask()); }

inline __m128i Grey4(__m128i v) {
  const __m128i y = Luma(v);
  return _mm_or_si128(_mm_or_si128(KeepA(v), y), _mm_or_si128(_mm_slli_epi32(y, 8), _mm_slli_epi32(y, 16)));
}

// y stays below 256, so the 16-bit products of its lane are exact and the
// lane's upper half stays 0.
inline __m128i Sepia4(__m128i v) {
  const __m128i y = Luma(v);
  const __m128i b = _mm_sub_epi32(y, _mm_srli_epi32(_mm_mullo_epi16(y, _mm_set1_epi32(56)), 8));
  const __m128i g = _mm_sub_epi32(y, _mm_srli_epi32(y, 5));
  const __m128i up = _mm_mullo_epi16(_mm_sub_epi32(_mm_set1_epi32(255), y), _mm_set1_epi32(48));
  const __m128i r = _mm_add_epi32(y, _mm_srli_epi32(up, 8));
  return _mm_or_si128(_mm_or_si128(KeepA(v), b), _mm_or_si128(_mm_slli_epi32(g, 8), _mm_slli_epi32(r, 16)));
}

struct ChannelLanes {
  __m128i add, up, sub;
  explicit ChannelLanes(const ChannelTone& t)
      : add(_mm_setr_epi16(t.add[0], t.add[1], t.add[2], 0, t.add[0], t.add[1], t.add[2], 0)),
        up(_mm_setr_epi16(static_cast<short>(t.up[0] << 8), static_cast<short>(t.up[1] << 8),
                          static_cast<short>(t.up[2] << 8), 0, static_cast<short>(t.up[0] << 8),
                          static_cast<short>(t.up[1] << 8), static_cast<short>(t.up[2] << 8), 0)),
        sub(_mm_setr_epi16(static_cast<short>(t.sub[0] << 8), static_cast<short>(t.sub[1] << 8),
                           static_cast<short>(t.sub[2] << 8), 0, static_cast<short>(t.sub[0] << 8),
                           static_cast<short>(t.sub[1] << 8), static_cast<short>(t.sub[2] << 8), 0)) {}
  __m128i Apply16(__m128i x) const {
    const __m128i t = _mm_xor_si128(x, _mm_set1_epi16(255));  // 255 - x
    return _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(x, add), _mm_mulhi_epu16(t, up)), _mm_mulhi_epu16(x, sub));
  }
  __m128i Apply(__m128i v) const { return _mm_packus_epi16(Apply16(Lo(v)), Apply16(Hi(v))); }
};

void Tone(std::uint32_t* p, int n, int tone) {
  int i = 0;
  ChannelTone ct;
  if (tone == 2) {
    for (; i + 4 <= n; i += 4) Store(p + i, Sepia4(Load(p + i)));
  } else if (tone == 5) {
    for (; i + 4 <= n; i += 4) Store(p + i, _mm_xor_si128(Load(p + i), RgbMask()));
  } else if (FindChannelTone(tone, &ct)) {
    const ChannelLanes lanes(ct);
    for (; i + 4 <= n; i += 4) Store(p + i, lanes.Apply(Load(p + i)));
  } else {
    for (; i + 4 <= n; i += 4) Store(p + i, Grey4(Load(p + i)));
  }
  P().tone(p + i, n - i, tone);
}

void LutBlend(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, int n, int k) {
  const __m128i ka = _mm_set1_epi16(static_cast<short>(k + 1)), kb = _mm_set1_epi16(static_cast<short>(256 - k));
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i va = Load(a + i), vb = Load(b + i);
    const __m128i xl = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(Lo(va), ka), 8),
                                     _mm_srli_epi16(_mm_mullo_epi16(Lo(vb), kb), 8));
    const __m128i xh = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(Hi(va), ka), 8),
                                     _mm_srli_epi16(_mm_mullo_epi16(Hi(vb), kb), 8));
    // Equal inputs keep their value: the table does not map x, x to x.
    Store(out + i, Select(_mm_cmpeq_epi8(va, vb), vb, _mm_packus_epi16(xl, xh)));
  }
  P().lutBlend(out + i, a + i, b + i, n - i, k);
}

void Multiply(std::uint32_t* d, const std::uint32_t* s, int n, int k) {
  const __m128i m = _mm_set1_epi16(static_cast<short>(k + 1));
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i v = Load(s + i);
    Store(d + i, _mm_packus_epi16(_mm_srli_epi16(_mm_mullo_epi16(Lo(v), m), 8),
                                  _mm_srli_epi16(_mm_mullo_epi16(Hi(v), m), 8)));
  }
  P().multiply(d + i, s + i, n - i, k);
}

void Glyph(std::uint32_t* d, const std::uint8_t* coverage, int n, std::uint32_t colour) {
  const __m128i c = Colour16(colour);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint32_t cov4;
    std::memcpy(&cov4, coverage + i, 4);
    __m128i k = _mm_cvtsi32_si128(static_cast<int>(cov4));
    k = _mm_unpacklo_epi8(k, k);
    k = _mm_unpacklo_epi16(k, k);  // each coverage byte in its pixel's four bytes
    const __m128i vd = Load(d + i);
    const __m128i r = _mm_packus_epi16(Mix(Lo(vd), c, Lo(k)), Mix(Hi(vd), c, Hi(k)));
    Store(d + i, KeepRgbTakeA(r, vd));
  }
  P().glyph(d + i, coverage + i, n - i, colour);
}

// SSE2 has no byte shuffle; four pixels are cut from three 32-bit words.
void Expand24(std::uint32_t* d, const std::uint8_t* s, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 12) {
    std::uint32_t w[3];
    std::memcpy(w, s, 12);
    const __m128i v = _mm_setr_epi32(static_cast<int>(w[0]), static_cast<int>((w[0] >> 24) | (w[1] << 8)),
                                     static_cast<int>((w[1] >> 16) | (w[2] << 16)), static_cast<int>(w[2] >> 8));
    Store(d + i, _mm_or_si128(v, AMask()));
  }
  P().expand24(d + i, s, n - i);
}

const RowKernels kSse2 = {Alpha,    AlphaOpacity, Fade,  Add,     Composite, CompositeAdd, TintCopy, TintBlend,
                          FillMask, Fill,         Shift, Shrink2, Shrink4,   Tone,         LutBlend, Multiply,
                          Glyph,    Expand24};

}  // namespace

const RowKernels& Sse2Kernels() { return kSse2; }

}  // namespace pixk

#else
namespace pixk {
const RowKernels& Sse2Kernels() { return PlainKernels(); }
}  // namespace pixk
#endif
