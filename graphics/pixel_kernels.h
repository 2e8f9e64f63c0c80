// Row kernels of the pixel routines: one plain set that defines every
// result, and SIMD sets (SSE2, AVX2) that must give the same bytes for any
// row length. The routines in blit.h clip and then call one kernel per row.
//
// Every blend here is d + ((s - d) * k >> 8) per channel with k in 0..255,
// computed in the exact unsigned form (d * (256 - k) + s * k) >> 8, whose
// terms never leave 0..65280 and so fit 16-bit lanes.
#pragma once
#include <cstdint>

namespace pixk {

struct RowKernels {
  // d.c blended with s.c by s.a; d.a = s.a
  void (*alpha)(std::uint32_t* d, const std::uint32_t* s, int n);
  // v = op * s.a >> 8 (op 0..254); d.c blended by v; d.a = v
  void (*alphaOpacity)(std::uint32_t* d, const std::uint32_t* s, int n, int op);
  // d.c blended with s.c by op (0..255); d.a unchanged
  void (*fade)(std::uint32_t* d, const std::uint32_t* s, int n, int op);
  // d.c = min(255, d.c + s.c); d.a unchanged
  void (*add)(std::uint32_t* d, const std::uint32_t* s, int n);
  // d.c = b.c blended with s.c by s.a; d.a = s.a
  void (*composite)(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n);
  // d.c = min(255, d.c + (b.c blended with s.c by s.a)); d.a = s.a
  void (*compositeAdd)(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n);
  // t.c = s.c blended with colour by f; tintCopy: d = t, d.a = s.a;
  // tintBlend: d.c blended with t.c by s.a, d.a = s.a. colour is 0x00RRGGBB.
  void (*tintCopy)(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f);
  void (*tintBlend)(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f);
  // d.c blended with colour (0x00RRGGBB) by s.a; d.a unchanged
  void (*fillMask)(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour);
  // d = pixel
  void (*fill)(std::uint32_t* d, int n, std::uint32_t pixel);
  // d.c = clamp(s.c + offset); d.a = 0; offsets in -255..255
  void (*shift)(std::uint32_t* d, const std::uint32_t* s, int n, int offB, int offG, int offR);
  // n destination pixels from 2n (4n) pixels of each of 2 (4) source rows;
  // d.c = sum >> 2 (>> 4); d.a unchanged
  void (*shrink2)(std::uint32_t* d, const std::uint32_t* s0, const std::uint32_t* s1, int n);
  void (*shrink4)(std::uint32_t* d, const std::uint32_t* const* rows, int n);
  // colour tone 2..8 (anything else grey) in place; alpha unchanged
  void (*tone)(std::uint32_t* p, int n, int tone);
  // out = b where a == b, else min(255, M[k][a] + M[255-k][b])
  void (*lutBlend)(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, int n, int k);
  // all four bytes: v * (k + 1) >> 8
  void (*multiply)(std::uint32_t* d, const std::uint32_t* s, int n, int k);
  // d.c blended with colour (0x00RRGGBB) by the coverage byte; d.a unchanged
  void (*glyph)(std::uint32_t* d, const std::uint8_t* coverage, int n, std::uint32_t colour);
  // n pixels from 3n bytes B, G, R (reading no byte past them); d.a = 255
  void (*expand24)(std::uint32_t* d, const std::uint8_t* s, int n);
};

const RowKernels& PlainKernels();
const RowKernels& Sse2Kernels();
// Null when the processor has no AVX2.
const RowKernels* Avx2Kernels();

enum class SimdLevel { Plain = 0, Sse2 = 1, Avx2 = 2 };
// The best level the processor and the test switch allow.
SimdLevel ActiveSimdLevel();
// For tests and benchmarks: caps the level (Plain forces every plain path).
void SetSimdLevelCap(SimdLevel cap);
SimdLevel GetSimdLevelCap();

// The kernels a routine uses: plain unless SIMD is allowed (the buffer's
// flag, when there is one, and the cap).
const RowKernels& Kernels(bool simdAllowed);

// The colour tones that change each channel by itself (3, 4, 6, 7, 8), in
// the one form the SIMD sets compute them:
//   x + add + ((255 - x) * up >> 8) - (x * sub >> 8)
// with constants per channel. The shifts of the plain formulas are the same
// products: x >> 3 is x * 32 >> 8, x / 4 is x * 64 >> 8, 3 x >> 2 is
// x * 192 >> 8 and 3 t >> 3 is t * 96 >> 8.
struct ChannelTone {
  short add[3], up[3], sub[3];  // B, G, R; alpha is left alone
};
// False for the tones that are not of this form.
bool FindChannelTone(int tone, ChannelTone* out);

// Plain per-pixel helpers shared by the kernels' scalar tails.
inline std::uint32_t Mix(std::uint32_t d, std::uint32_t s, std::uint32_t k) {
  return (d * (256 - k) + s * k) >> 8;
}

}  // namespace pixk
