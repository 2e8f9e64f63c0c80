// AVX2 forms of the hottest kernels (full-frame blends, fades and adds):
// eight pixels a step, the same arithmetic as the SSE2 set; every other
// kernel is taken from the SSE2 set. Chosen at run time.
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

RowKernels MakeAvx2() {
  RowKernels k = Sse2Kernels();
  k.alpha = Alpha;
  k.alphaOpacity = AlphaOpacity;
  k.fade = Fade;
  k.add = Add;
  k.composite = Composite;
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
