// The plain row kernels (they define every result) and the choice of set.
#include "graphics/pixel_kernels.h"

#include <atomic>

namespace pixk {
namespace {

inline std::uint32_t Ch(std::uint32_t p, int shift) { return (p >> shift) & 0xFF; }
inline std::uint32_t Pack(std::uint32_t b, std::uint32_t g, std::uint32_t r, std::uint32_t a) {
  return b | (g << 8) | (r << 16) | (a << 24);
}
inline std::uint32_t MixRgb(std::uint32_t d, std::uint32_t s, std::uint32_t k) {
  return Pack(Mix(Ch(d, 0), Ch(s, 0), k), Mix(Ch(d, 8), Ch(s, 8), k), Mix(Ch(d, 16), Ch(s, 16), k), 0);
}
inline std::uint32_t Sat(std::uint32_t v) { return v > 255 ? 255 : v; }

void Alpha(std::uint32_t* d, const std::uint32_t* s, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t a = s[i] >> 24;
    d[i] = MixRgb(d[i], s[i], a) | (a << 24);
  }
}

void AlphaOpacity(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t v = (static_cast<std::uint32_t>(op) * (s[i] >> 24)) >> 8;
    d[i] = MixRgb(d[i], s[i], v) | (v << 24);
  }
}

void Fade(std::uint32_t* d, const std::uint32_t* s, int n, int op) {
  for (int i = 0; i < n; ++i) d[i] = MixRgb(d[i], s[i], op) | (d[i] & 0xFF000000u);
}

void Add(std::uint32_t* d, const std::uint32_t* s, int n) {
  for (int i = 0; i < n; ++i) {
    d[i] = Pack(Sat(Ch(d[i], 0) + Ch(s[i], 0)), Sat(Ch(d[i], 8) + Ch(s[i], 8)), Sat(Ch(d[i], 16) + Ch(s[i], 16)),
                d[i] >> 24);
  }
}

void Composite(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t a = s[i] >> 24;
    d[i] = MixRgb(b[i], s[i], a) | (a << 24);
  }
}

void CompositeAdd(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* b, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t a = s[i] >> 24;
    const std::uint32_t c = MixRgb(b[i], s[i], a);
    d[i] = Pack(Sat(Ch(d[i], 0) + Ch(c, 0)), Sat(Ch(d[i], 8) + Ch(c, 8)), Sat(Ch(d[i], 16) + Ch(c, 16)), a);
  }
}

void TintCopy(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f) {
  for (int i = 0; i < n; ++i) d[i] = MixRgb(s[i], colour, f) | (s[i] & 0xFF000000u);
}

void TintBlend(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour, int f) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t a = s[i] >> 24;
    const std::uint32_t t = MixRgb(s[i], colour, f);
    d[i] = MixRgb(d[i], t, a) | (a << 24);
  }
}

void FillMask(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t colour) {
  for (int i = 0; i < n; ++i) d[i] = MixRgb(d[i], colour, s[i] >> 24) | (d[i] & 0xFF000000u);
}

void Fill(std::uint32_t* d, int n, std::uint32_t pixel) {
  for (int i = 0; i < n; ++i) d[i] = pixel;
}

inline std::uint32_t Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<std::uint32_t>(v)); }

void Shift(std::uint32_t* d, const std::uint32_t* s, int n, int offB, int offG, int offR) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t p = s[i];
    d[i] = Pack(Clamp255(static_cast<int>(Ch(p, 0)) + offB), Clamp255(static_cast<int>(Ch(p, 8)) + offG),
                Clamp255(static_cast<int>(Ch(p, 16)) + offR), 0);
  }
}

void Shrink2(std::uint32_t* d, const std::uint32_t* s0, const std::uint32_t* s1, int n) {
  for (int i = 0; i < n; ++i) {
    std::uint32_t out = d[i] & 0xFF000000u;
    for (int sh = 0; sh < 24; sh += 8) {
      const std::uint32_t sum = Ch(s0[2 * i], sh) + Ch(s0[2 * i + 1], sh) + Ch(s1[2 * i], sh) + Ch(s1[2 * i + 1], sh);
      out |= (sum >> 2) << sh;
    }
    d[i] = out;
  }
}

void Shrink4(std::uint32_t* d, const std::uint32_t* const* rows, int n) {
  for (int i = 0; i < n; ++i) {
    std::uint32_t out = d[i] & 0xFF000000u;
    for (int sh = 0; sh < 24; sh += 8) {
      std::uint32_t sum = 0;
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) sum += Ch(rows[r][4 * i + c], sh);
      out |= (sum >> 4) << sh;
    }
    d[i] = out;
  }
}

void Tone(std::uint32_t* p, int n, int tone) {
  for (int i = 0; i < n; ++i) {
    int b = static_cast<int>(Ch(p[i], 0)), g = static_cast<int>(Ch(p[i], 8)), r = static_cast<int>(Ch(p[i], 16));
    const int y = (151 * b + 77 * g + 28 * r) >> 8;
    switch (tone) {
      case 2:
        b = y - ((56 * y) >> 8);
        g = y - (y >> 5);
        r = y + (((255 - y) * 48) >> 8);
        break;
      case 3:
        b = b - ((51 * b) >> 8);
        g = g - ((51 * g) >> 8);
        break;
      case 4:
        b = b + 31 - (b >> 3);
        g = g - g / 4;
        r = r - r / 4;
        break;
      case 5:
        b = 255 - b;
        g = 255 - g;
        r = 255 - r;
        break;
      case 6:
        g = g - ((80 * g) >> 8);
        r = r + (((255 - r) * 3) >> 3);
        break;
      case 7:
        b = b - ((96 * b) >> 8);
        g = g + 31 - (g >> 3);
        r = r - ((96 * r) >> 8);
        break;
      case 8:
        b = b - ((3 * b) >> 2);
        g = g - ((3 * g) >> 2);
        r = r + 31 - (r >> 3);
        break;
      default:
        b = g = r = y;
        break;
    }
    p[i] = (p[i] & 0xFF000000u) | Pack(static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                       static_cast<std::uint8_t>(r), 0);
  }
}

void LutBlend(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, int n, int k) {
  for (int i = 0; i < n; ++i) {
    if (a[i] == b[i]) {
      out[i] = b[i];
    } else {
      const int x = ((a[i] * (k + 1)) >> 8) + ((b[i] * (256 - k)) >> 8);
      out[i] = static_cast<std::uint8_t>(x > 255 ? 255 : x);
    }
  }
}

void Multiply(std::uint32_t* d, const std::uint32_t* s, int n, int k) {
  const std::uint32_t m = static_cast<std::uint32_t>(k) + 1;
  for (int i = 0; i < n; ++i) {
    const std::uint32_t p = s[i];
    d[i] = Pack((Ch(p, 0) * m) >> 8, (Ch(p, 8) * m) >> 8, (Ch(p, 16) * m) >> 8, (Ch(p, 24) * m) >> 8);
  }
}

void Glyph(std::uint32_t* d, const std::uint8_t* coverage, int n, std::uint32_t colour) {
  for (int i = 0; i < n; ++i) {
    if (coverage[i]) d[i] = MixRgb(d[i], colour, coverage[i]) | (d[i] & 0xFF000000u);
  }
}

void Expand24(std::uint32_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, s += 3) d[i] = Pack(s[0], s[1], s[2], 255);
}

const RowKernels kPlain = {Alpha,     AlphaOpacity, Fade,    Add,   Composite, CompositeAdd, TintCopy, TintBlend,
                           FillMask,  Fill,         Shift,   Shrink2, Shrink4, Tone,       LutBlend, Multiply,
                           Glyph,     Expand24};

std::atomic<int> g_nCap{static_cast<int>(SimdLevel::Avx2)};

}  // namespace

const RowKernels& PlainKernels() { return kPlain; }

bool FindChannelTone(int tone, ChannelTone* out) {
  switch (tone) {
    case 3: *out = {{0, 0, 0}, {0, 0, 0}, {51, 51, 0}}; return true;
    case 4: *out = {{31, 0, 0}, {0, 0, 0}, {32, 64, 64}}; return true;
    case 6: *out = {{0, 0, 0}, {0, 0, 96}, {0, 80, 0}}; return true;
    case 7: *out = {{0, 31, 0}, {0, 0, 0}, {96, 32, 96}}; return true;
    case 8: *out = {{0, 0, 31}, {0, 0, 0}, {192, 192, 32}}; return true;
    default: return false;
  }
}

SimdLevel ActiveSimdLevel() {
  int level = static_cast<int>(SimdLevel::Plain);
#if defined(__x86_64__)
  level = Avx2Kernels() ? static_cast<int>(SimdLevel::Avx2) : static_cast<int>(SimdLevel::Sse2);
#endif
  const int cap = g_nCap.load(std::memory_order_relaxed);
  return static_cast<SimdLevel>(level < cap ? level : cap);
}

void SetSimdLevelCap(SimdLevel cap) { g_nCap.store(static_cast<int>(cap), std::memory_order_relaxed); }
SimdLevel GetSimdLevelCap() { return static_cast<SimdLevel>(g_nCap.load(std::memory_order_relaxed)); }

const RowKernels& Kernels(bool simdAllowed) {
  if (!simdAllowed) return kPlain;
  switch (ActiveSimdLevel()) {
    case SimdLevel::Avx2:
      return *Avx2Kernels();
    case SimdLevel::Sse2:
      return Sse2Kernels();
    default:
      return kPlain;
  }
}

}  // namespace pixk
