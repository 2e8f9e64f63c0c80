// Helpers of the graphics tests: random pixels, buffers, a cap on the SIMD
// level for the length of a scope.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "graphics/pixel_buffer.h"
#include "graphics/pixel_kernels.h"

namespace gtest_px {

inline std::vector<std::uint32_t> RandomPixels(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint32_t> v(n);
  for (auto& p : v) {
    p = rng();
    // Plenty of the alphas that take special paths.
    switch (rng() % 8) {
      case 0: p &= 0x00FFFFFFu; break;
      case 1: p |= 0xFF000000u; break;
      default: break;
    }
  }
  return v;
}

inline void FillRandom(CBuffer& b, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width() * b.m_nBpp; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(rng());
}

inline bool SameBuffer(const CBuffer& a, const CBuffer& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.m_nBpp != b.m_nBpp) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * a.m_nBpp; ++x)
      if (a.Row(y)[x] != b.Row(y)[x]) return false;
  return true;
}

class SimdCap {
 public:
  explicit SimdCap(pixk::SimdLevel level) : old_(pixk::GetSimdLevelCap()) { pixk::SetSimdLevelCap(level); }
  ~SimdCap() { pixk::SetSimdLevelCap(old_); }

 private:
  pixk::SimdLevel old_;
};

// The SIMD kernel sets this machine has, with their names.
struct NamedKernels {
  const char* name;
  const pixk::RowKernels* k;
};
inline std::vector<NamedKernels> SimdSets() {
  std::vector<NamedKernels> v{{"sse2", &pixk::Sse2Kernels()}};
  if (pixk::Avx2Kernels()) v.push_back({"avx2", pixk::Avx2Kernels()});
  return v;
}

inline int* SimdOn() {
  static int one = 1;
  return &one;
}

}  // namespace gtest_px
