// AVX2 forms of the hottest kernels (full-frame blends, fades, adds and
// the colour tones): eight pixels a step, the same arithmetic as the SSE2
// set; every other kernel is taken from the SSE2 set. Chosen at run time.
#include "graphics/pixel_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace pixk {
namespace {

#define KV_AVX2 __attribute__((target("avx2")))

KV_AVX2 inline __m256i Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
KV_AVX2 inline void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
KV_AVX2 inline __m256i Lo(__m256i v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
KV_AVX2 inline __m256i Hi(__m256i v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
KV_AVX2 inline __m256i AlphaLanes(__m256i v16) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v16, 0xFF), 0xFF);
}
KV_AVX2 inline __m256i Mix(__m256i d, __m256i s, __m256i k) {
  const __m256i inv = _mm256_sub_epi16(_mm256_set1_epi16(256), k);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(d, inv), _mm256_mullo_epi16(s, k)), 8);
}
KV_AVX2 inline __m256i KeepRgbTakeA(__m256i rgb, __m256i a) {
  return _mm256_or_si256(_mm256_and_si256(rgb, _mm256_set1_epi32(0x00FFFFFF)),
                         _mm256_and_si256(a, _mm256_set1_epi32(static_cast<int>(0xFF000000u))));
}

KV_AVX2 void Alpha(std::uint32_t* d, const std::uint32_t* s, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = Load(s + i), vd = Load(d + i);
    const __m256i sl = Lo(vs), sh = Hi(vs);
    const __m256i r = _mm256_packus_epi16(Mix(Lo(vd), sl, AlphaLanes(sl)), Mix(Hi(vd), sh, AlphaLanes(sh)));
    Store(d + i, KeepRgbTakeA(r, vs));
  }
  Sse2Kernels().alpha(d + i, s + i, n - i);
}

KV_AVX2 void AlphaOpacity(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  const __m256i vop = _mm256_set1_epi16(static_cast<short>(op));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = Load(s + i), vd = Load(d + i);
    const __m256i sl = Lo(vs), sh = Hi(vs);
    const __m256i vl = _mm256_srli_epi16(_mm256_mullo_epi16(AlphaLanes(sl), vop), 8);
    const __m256i vh = _mm256_srli_epi16(_mm256_mullo_epi16(AlphaLanes(sh), vop), 8);
    const __m256i r = _mm256_packus_epi16(Mix(Lo(vd), sl, vl), Mix(Hi(vd), sh, vh));
    Store(d + i, KeepRgbTakeA(r, _mm256_packus_epi16(vl, vh)));
  }
  Sse2Kernels().alphaOpacity(d + i, s + i, n - i, op);
}

KV_AVX2 void Fade(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  const __m256i k = _mm256_set1_epi16(static_cast<short>(op));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = Load(s + i), vd = Load(d + i);
    const __m256i r = _mm256_packus_epi16(Mix(Lo(vd), Lo(vs), k), Mix(Hi(vd), Hi(vs), k));
    Store(d + i, KeepRgbTakeA(r, vd));
  }
  Sse2Kernels().fade(d + i, s + i, n - i, op);
}

KV_AVX2 void Add(std::uint32_t* d, const std::uint32_t* s, int n) {
  const __m256i rgb = _mm256_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 8 <= n; i += 8) Store(d + i, _mm256_adds_epu8(Load(d + i), _mm256_and_si256(Load(s + i), rgb)));
  Sse2Kernels().add(d + i, s + i, n - i);
}

KV_AVX2 void Composite(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = Load(s + i), vb = Load(b + i);
    const __m256i sl = Lo(vs), sh = Hi(vs);
    const __m256i r = _mm256_packus_epi16(Mix(Lo(vb), sl, AlphaLanes(sl)), Mix(Hi(vb), sh, AlphaLanes(sh)));
    Store(d + i, KeepRgbTakeA(r, vs));
  }
  Sse2Kernels().composite(d + i, s + i, b + i, n - i);
}

// The colour tones in the arithmetic of the SSE2 set, eight pixels a step.
KV_AVX2 inline __m256i Luma(__m256i v) {
  const __m256i br = _mm256_and_si256(v, _mm256_set1_epi32(0x00FF00FF));
  const __m256i g = _mm256_and_si256(_mm256_srli_epi32(v, 8), _mm256_set1_epi32(0xFF));
  const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(br, _mm256_set1_epi32((28 << 16) | 151)),
                                       _mm256_madd_epi16(g, _mm256_set1_epi32(77)));
  return _mm256_srli_epi32(sum, 8);
}
KV_AVX2 inline __m256i KeepA(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi32(static_cast<int>(0xFF000000u))); }

KV_AVX2 inline __m256i Grey8(__m256i v) {
  const __m256i y = Luma(v);
  return _mm256_or_si256(_mm256_or_si256(KeepA(v), y),
                         _mm256_or_si256(_mm256_slli_epi32(y, 8), _mm256_slli_epi32(y, 16)));
}

KV_AVX2 inline __m256i Sepia8(__m256i v) {
  const __m256i y = Luma(v);
  const __m256i b = _mm256_sub_epi32(y, _mm256_srli_epi32(_mm256_mullo_epi16(y, _mm256_set1_epi32(56)), 8));
  const __m256i g = _mm256_sub_epi32(y, _mm256_srli_epi32(y, 5));
  const __m256i up = _mm256_mullo_epi16(_mm256_sub_epi32(_mm256_set1_epi32(255), y), _mm256_set1_epi32(48));
  const __m256i r = _mm256_add_epi32(y, _mm256_srli_epi32(up, 8));
  return _mm256_or_si256(_mm256_or_si256(KeepA(v), b),
                         _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(r, 16)));
}

KV_AVX2 inline __m256i Lanes16(const short c[3], int shift) {
  const short b = static_cast<short>(c[0] << shift), g = static_cast<short>(c[1] << shift),
              r = static_cast<short>(c[2] << shift);
  return _mm256_setr_epi16(b, g, r, 0, b, g, r, 0, b, g, r, 0, b, g, r, 0);
}

KV_AVX2 inline __m256i ChannelTone16(__m256i x, __m256i add, __m256i up, __m256i sub) {
  const __m256i t = _mm256_xor_si256(x, _mm256_set1_epi16(255));  // 255 - x
  return _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(x, add), _mm256_mulhi_epu16(t, up)),
                          _mm256_mulhi_epu16(x, sub));
}

KV_AVX2 void Tone(std::uint32_t* p, int n, int tone) {
  int i = 0;
  ChannelTone ct;
  if (tone == 2) {
    for (; i + 8 <= n; i += 8) Store(p + i, Sepia8(Load(p + i)));
  } else if (tone == 5) {
    const __m256i rgb = _mm256_set1_epi32(0x00FFFFFF);
    for (; i + 8 <= n; i += 8) Store(p + i, _mm256_xor_si256(Load(p + i), rgb));
  } else if (FindChannelTone(tone, &ct)) {
    const __m256i add = Lanes16(ct.add, 0), up = Lanes16(ct.up, 8), sub = Lanes16(ct.sub, 8);
    for (; i + 8 <= n; i += 8) {
      const __m256i v = Load(p + i);
      Store(p + i, _mm256_packus_epi16(ChannelTone16(Lo(v), add, up, sub), ChannelTone16(Hi(v), add, up, sub)));
    }
  } else {
    for (; i + 8 <= n; i += 8) Store(p + i, Grey8(Load(p + i)));
  }
  Sse2Kernels().tone(p + i, n - i, tone);
}

// Eight pixels from 24 bytes: each 128-bit half takes 12 bytes through
// the byte shuffle. The halves are read at s and s + 12, 16 bytes each, so
// the loop stops while 28 bytes are left and the rest goes to SSE2.
KV_AVX2 void Expand24(std::uint32_t* d, const std::uint8_t* s, int n) {
  const __m256i shuffle = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                           0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; 3 * i + 28 <= 3 * n; i += 8, s += 24) {
    const __m256i v = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 12)), 1);
    Store(d + i, _mm256_or_si256(_mm256_shuffle_epi8(v, shuffle), alpha));
  }
  Sse2Kernels().expand24(d + i, s, n - i);
}

RowKernels MakeAvx2() {
  RowKernels k = Sse2Kernels();
  k.alpha = Alpha;
  k.alphaOpacity = AlphaOpacity;
  k.fade = Fade;
  k.add = Add;
  k.composite = Composite;
  k.tone = Tone;
  k.expand24 = Expand24;
  return k;
}

}  // namespace

const RowKernels* Avx2Kernels() {
  static const bool s_bHas = __builtin_cpu_supports("avx2");
  static const RowKernels s_Kernels = MakeAvx2();
  return s_bHas ? &s_Kernels : nullptr;
}

}  // namespace pixk

#else
namespace pixk {
const RowKernels* Avx2Kernels() { return nullptr; }
}  // namespace pixk
#endif
