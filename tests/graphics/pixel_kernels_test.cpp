// The row kernels: the plain set against the written definitions, and
// every SIMD set against the plain set (exhaustively over all (s, d, a) for
// the blends, on random rows of odd lengths and offsets for everything).
#include "graphics/pixel_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <random>

#include "pixel_test_util.h"

namespace {

using pixk::RowKernels;
using u32 = std::uint32_t;

int Ch(u32 p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }
// The definition: d + ((s - d) * k >> 8) with an arithmetic shift.
int Blend(int d, int s, int k) { return d + (((s - d) * k) >> 8); }

// Rows covering every (s, d) pair for one k: pixel i has s = i >> 8 and
// d = i & 255 in blue, other pairings in green and red.
void ExhaustiveRows(int k, std::vector<u32>& src, std::vector<u32>& dst) {
  src.resize(65536);
  dst.resize(65536);
  for (u32 i = 0; i < 65536; ++i) {
    const u32 s = i >> 8, d = i & 255;
    src[i] = (static_cast<u32>(k) << 24) | ((s ^ d) << 16) | (d << 8) | s;
    dst[i] = ((255 - s) << 24) | ((255 - s) << 16) | (s << 8) | d;
  }
}

TEST(PlainKernels, AlphaMatchesTheDefinitionForAllTriples) {
  const RowKernels& P = pixk::PlainKernels();
  std::vector<u32> src, dst;
  for (int a = 0; a < 256; ++a) {
    ExhaustiveRows(a, src, dst);
    std::vector<u32> out = dst;
    P.alpha(out.data(), src.data(), 65536);
    for (int i = 0; i < 65536; ++i) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(Ch(out[i], c), Blend(Ch(dst[i], c), Ch(src[i], c), a)) << a << " " << i;
      ASSERT_EQ(Ch(out[i], 3), a);
    }
  }
}

TEST(PlainKernels, OtherBlendsMatchTheirDefinitions) {
  const RowKernels& P = pixk::PlainKernels();
  const auto src = gtest_px::RandomPixels(4096, 1), dst = gtest_px::RandomPixels(4096, 2),
             bg = gtest_px::RandomPixels(4096, 3);
  const u32 colour = 0x00C01020;  // R C0, G 10, B 20
  std::vector<u32> o;
  for (int op : {0, 1, 77, 128, 254}) {
    o = dst;
    P.alphaOpacity(o.data(), src.data(), 4096, op);
    for (int i = 0; i < 4096; ++i) {
      const int v = (op * Ch(src[i], 3)) >> 8;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(Ch(o[i], c), Blend(Ch(dst[i], c), Ch(src[i], c), v));
      ASSERT_EQ(Ch(o[i], 3), v);
    }
    o = dst;
    P.fade(o.data(), src.data(), 4096, op);
    for (int i = 0; i < 4096; ++i) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(Ch(o[i], c), Blend(Ch(dst[i], c), Ch(src[i], c), op));
      ASSERT_EQ(Ch(o[i], 3), Ch(dst[i], 3));
    }
    o = dst;
    P.tintCopy(o.data(), src.data(), 4096, colour, op);
    for (int i = 0; i < 4096; ++i) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(Ch(o[i], c), Blend(Ch(src[i], c), Ch(colour, c), op));
      ASSERT_EQ(Ch(o[i], 3), Ch(src[i], 3));
    }
    o = dst;
    P.tintBlend(o.data(), src.data(), 4096, colour, op);
    for (int i = 0; i < 4096; ++i) {
      const int a = Ch(src[i], 3);
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(Ch(o[i], c), Blend(Ch(dst[i], c), Blend(Ch(src[i], c), Ch(colour, c), op), a));
      ASSERT_EQ(Ch(o[i], 3), a);
    }
  }
  o = dst;
  P.compositeAdd(o.data(), src.data(), bg.data(), 4096);
  for (int i = 0; i < 4096; ++i) {
    const int a = Ch(src[i], 3);
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(Ch(o[i], c), std::min(255, Ch(dst[i], c) + Ch(bg[i], c) + (((Ch(src[i], c) - Ch(bg[i], c)) * a) >> 8)));
    ASSERT_EQ(Ch(o[i], 3), a);
  }
  o = dst;
  P.fillMask(o.data(), src.data(), 4096, colour);
  for (int i = 0; i < 4096; ++i) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(Ch(o[i], c), Blend(Ch(dst[i], c), Ch(colour, c), Ch(src[i], 3)));
    ASSERT_EQ(Ch(o[i], 3), Ch(dst[i], 3));
  }
}

TEST(PlainKernels, ToneTable) {
  const RowKernels& P = pixk::PlainKernels();
  struct Case {
    int tone;
    u32 in, out;
  } cases[] = {
      {0, 0x80FFFFFF, 0x80FFFFFF},  // grey keeps white: the weights add up to 256
      {0, 0x00000000, 0x00000000},
      // The weights stay as the pictures were made with: 151 on blue.
      {0, 0x000000FF, 0x00969696},  // blue only: y = 151 * 255 >> 8 = 150
      {0, 0x00FF0000, 0x001B1B1B},  // red only: 28 * 255 >> 8 = 27
      {5, 0x7F102030, 0x7FEFDFCF},
      {4, 0x00000000, 0x0000001F},
      {8, 0x11FFFFFF, 0x11FF4040},
      {3, 0x00FFFFFF, 0x00FFCDCD},
  };
  for (const auto& c : cases) {
    u32 p = c.in;
    P.tone(&p, 1, c.tone);
    EXPECT_EQ(p, c.out) << "tone " << c.tone << " of " << std::hex << c.in;
  }
  auto px = gtest_px::RandomPixels(1000, 9), twice = px;
  P.tone(twice.data(), 1000, 5);
  P.tone(twice.data(), 1000, 5);
  EXPECT_EQ(twice, px);
}

// ---- SIMD against plain

class SimdVsPlain : public ::testing::TestWithParam<gtest_px::NamedKernels> {};

TEST_P(SimdVsPlain, BlendsAgreeForAllTriples) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  std::vector<u32> src, dst, a, b;
  for (int k = 0; k < 256; ++k) {
    ExhaustiveRows(k, src, dst);
    // (s, d, a): a is the source alpha
    a = dst, b = dst;
    P.alpha(a.data(), src.data(), 65536);
    S.alpha(b.data(), src.data(), 65536);
    ASSERT_EQ(a, b) << "alpha " << k;
    a = dst, b = dst;
    P.composite(a.data(), src.data(), dst.data(), 65536);
    S.composite(b.data(), src.data(), dst.data(), 65536);
    ASSERT_EQ(a, b) << "composite " << k;
    a = dst, b = dst;
    P.compositeAdd(a.data(), src.data(), dst.data(), 65536);
    S.compositeAdd(b.data(), src.data(), dst.data(), 65536);
    ASSERT_EQ(a, b) << "compositeAdd " << k;
    // (s, d, opacity)
    a = dst, b = dst;
    P.fade(a.data(), src.data(), 65536, k);
    S.fade(b.data(), src.data(), 65536, k);
    ASSERT_EQ(a, b) << "fade " << k;
    // (d, colour, a) and (s, colour, f): the colour runs through all values
    // together with the pixel, by lanes.
    for (u32 colour : {0x00000000u, 0x00FFFFFFu, 0x0080FF01u, 0x00123456u}) {
      a = dst, b = dst;
      P.fillMask(a.data(), src.data(), 65536, colour);
      S.fillMask(b.data(), src.data(), 65536, colour);
      ASSERT_EQ(a, b) << "fillMask " << k;
      a = dst, b = dst;
      P.tintCopy(a.data(), src.data(), 65536, colour, k);
      S.tintCopy(b.data(), src.data(), 65536, colour, k);
      ASSERT_EQ(a, b) << "tintCopy " << k;
      a = dst, b = dst;
      P.tintBlend(a.data(), src.data(), 65536, colour, k);
      S.tintBlend(b.data(), src.data(), 65536, colour, k);
      ASSERT_EQ(a, b) << "tintBlend " << k;
    }
    if (k < 255) {
      a = dst, b = dst;
      P.alphaOpacity(a.data(), src.data(), 65536, k);
      S.alphaOpacity(b.data(), src.data(), 65536, k);
      ASSERT_EQ(a, b) << "alphaOpacity " << k;
    }
    a = dst, b = dst;
    P.multiply(a.data(), src.data(), 65536, k);
    S.multiply(b.data(), src.data(), 65536, k);
    ASSERT_EQ(a, b) << "multiply " << k;
  }
}

TEST_P(SimdVsPlain, GlyphAndLutBlendAgreeForAllTriples) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  std::vector<std::uint8_t> pa(65536), pb(65536), oa(65536), ob(65536);
  for (int i = 0; i < 65536; ++i) {
    pa[i] = static_cast<std::uint8_t>(i >> 8);
    pb[i] = static_cast<std::uint8_t>(i);
  }
  for (int k = 0; k < 256; ++k) {
    P.lutBlend(oa.data(), pa.data(), pb.data(), 65536, k);
    S.lutBlend(ob.data(), pa.data(), pb.data(), 65536, k);
    ASSERT_EQ(oa, ob) << "lutBlend " << k;
  }
  // coverage c x destination d x colour c: pixel i has d = i & 255 in every
  // channel, coverage = i >> 8
  std::vector<u32> dst(65536);
  for (int i = 0; i < 65536; ++i) dst[i] = 0x5A000000u | ((i & 255) * 0x010101u);
  for (int col = 0; col < 256; ++col) {
    const u32 colour = static_cast<u32>(col) * 0x010101u ^ 0x00F00F;
    auto a = dst, b = dst;
    P.glyph(a.data(), pa.data(), 65536, colour);
    S.glyph(b.data(), pa.data(), 65536, colour);
    ASSERT_EQ(a, b) << "glyph " << col;
  }
}

TEST_P(SimdVsPlain, ToneAgreesForEveryColour) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  std::vector<u32> all(1u << 24);
  for (u32 i = 0; i < all.size(); ++i) all[i] = i | ((i * 37u) << 24);
  for (int tone = 1; tone <= 9; ++tone) {
    auto a = all, b = all;
    P.tone(a.data(), static_cast<int>(a.size()), tone);
    S.tone(b.data(), static_cast<int>(b.size()), tone);
    ASSERT_TRUE(a == b) << "tone " << tone;
  }
}

// Every tone over rows of odd widths (each SIMD step and tail length) at
// misaligned starts, made of the channel values where the formulas turn
// (0 and 255, the shifts' and products' edges), with guard pixels on both
// sides; alpha stays as it was.
TEST_P(SimdVsPlain, ToneOverOddWidthsAndEdgeValues) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  const int edges[] = {0, 1, 2, 3, 4, 7, 8, 31, 32, 63, 64, 127, 128, 223, 224, 252, 253, 254, 255};
  const int kEdges = static_cast<int>(std::size(edges));
  const int tones[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 256};
  const int widths[] = {1, 2, 3, 5, 7, 9, 11, 13, 15, 17, 23, 31, 33, 63, 65, 1023, 1025};
  const int kGuard = 8;
  for (int tone : tones) {
    for (int width : widths) {
      for (int off = 0; off < 4; ++off) {
        std::vector<u32> row(static_cast<std::size_t>(width + 2 * kGuard + off));
        for (std::size_t i = 0; i < row.size(); ++i) {
          const int k = static_cast<int>(i) * 7 + tone + width;
          row[i] = static_cast<u32>(edges[k % kEdges]) | static_cast<u32>(edges[(k / kEdges) % kEdges]) << 8 |
                   static_cast<u32>(edges[(k / 3 + 5) % kEdges]) << 16 | static_cast<u32>(edges[(k + 11) % kEdges]) << 24;
        }
        auto a = row, b = row;
        P.tone(a.data() + kGuard + off, width, tone);
        S.tone(b.data() + kGuard + off, width, tone);
        ASSERT_EQ(a, b) << "tone " << tone << " width " << width << " off " << off;
        for (std::size_t i = 0; i < row.size(); ++i) {
          const bool inside = i >= static_cast<std::size_t>(kGuard + off) && i < static_cast<std::size_t>(kGuard + off + width);
          if (!inside) {
            ASSERT_EQ(b[i], row[i]) << "guard " << i << " tone " << tone << " width " << width;
          }
          ASSERT_EQ(b[i] >> 24, row[i] >> 24) << "alpha " << i << " tone " << tone;
        }
      }
    }
  }
}

// The 24-to-32-bit expansion over sources of exactly 3 n bytes (so a
// sanitizer build sees any read past them), at every length up to a few
// SIMD steps and at misaligned starts.
TEST_P(SimdVsPlain, Expand24ReadsExactlyItsBytes) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  std::mt19937 rng(3);
  for (int n = 0; n <= 70; ++n) {
    for (int off = 0; off < 3; ++off) {
      std::vector<std::uint8_t> src(static_cast<std::size_t>(3 * n + off));
      for (auto& v : src) v = static_cast<std::uint8_t>(rng());
      std::vector<u32> a(static_cast<std::size_t>(n) + 4, 0xEEEEEEEEu), b = a;
      P.expand24(a.data(), src.data() + off, n);
      S.expand24(b.data(), src.data() + off, n);
      ASSERT_EQ(a, b) << "n=" << n << " off=" << off;
      for (int i = 0; i < n; ++i) {
        const std::uint8_t* p = src.data() + off + 3 * i;
        ASSERT_EQ(a[i], 0xFF000000u | p[0] | (u32{p[1]} << 8) | (u32{p[2]} << 16)) << i;
      }
      for (int g = 0; g < 4; ++g) ASSERT_EQ(b[static_cast<std::size_t>(n + g)], 0xEEEEEEEEu);
    }
  }
}

// Every kernel over random rows, at many lengths and misaligned starts, with
// guard pixels after the row that must stay as they were.
TEST_P(SimdVsPlain, RandomRowsOfEveryLength) {
  const RowKernels& P = pixk::PlainKernels();
  const RowKernels& S = *GetParam().k;
  const int kGuard = 16;
  for (int n = 0; n <= 67; ++n) {
    for (int off = 0; off < 4; ++off) {
      const u32 seed = static_cast<u32>(n * 8 + off);
      const auto src = gtest_px::RandomPixels(4 * n + 64, seed);
      const auto bg = gtest_px::RandomPixels(4 * n + 64, seed + 1000);
      const auto dst0 = gtest_px::RandomPixels(n + 64, seed + 2000);
      const int op = static_cast<int>(seed % 255);
      using Fn = std::function<void(const RowKernels&, u32*)>;
      const std::pair<const char*, Fn> calls[] = {
          {"alpha", [&](const RowKernels& k, u32* d) { k.alpha(d, src.data() + off, n); }},
          {"alphaOpacity", [&](const RowKernels& k, u32* d) { k.alphaOpacity(d, src.data() + off, n, op); }},
          {"fade", [&](const RowKernels& k, u32* d) { k.fade(d, src.data() + off, n, op); }},
          {"add", [&](const RowKernels& k, u32* d) { k.add(d, src.data() + off, n); }},
          {"composite", [&](const RowKernels& k, u32* d) { k.composite(d, src.data() + off, bg.data() + off, n); }},
          {"compositeAdd",
           [&](const RowKernels& k, u32* d) { k.compositeAdd(d, src.data() + off, bg.data() + off, n); }},
          {"tintCopy", [&](const RowKernels& k, u32* d) { k.tintCopy(d, src.data() + off, n, 0x00A0B0C0, op); }},
          {"tintBlend", [&](const RowKernels& k, u32* d) { k.tintBlend(d, src.data() + off, n, 0x00FF0102, op); }},
          {"fillMask", [&](const RowKernels& k, u32* d) { k.fillMask(d, src.data() + off, n, 0x00FFFFFF); }},
          {"fill", [&](const RowKernels& k, u32* d) { k.fill(d, n, 0x00123456); }},
          {"shiftMixed", [&](const RowKernels& k, u32* d) { k.shift(d, src.data() + off, n, 40, -70, 255); }},
          {"shiftDown", [&](const RowKernels& k, u32* d) { k.shift(d, src.data() + off, n, -255, -1, 0); }},
          {"shrink2",
           [&](const RowKernels& k, u32* d) { k.shrink2(d, src.data() + off, bg.data() + off, n); }},
          {"shrink4",
           [&](const RowKernels& k, u32* d) {
             const u32* rows[4] = {src.data() + off, bg.data() + off, bg.data() + off + 1, src.data() + 2};
             k.shrink4(d, rows, n);
           }},
          {"multiply", [&](const RowKernels& k, u32* d) { k.multiply(d, src.data() + off, n, op); }},
          {"tone2", [&](const RowKernels& k, u32* d) { k.tone(d, n, 2); }},
          {"tone7", [&](const RowKernels& k, u32* d) { k.tone(d, n, 7); }},
          {"glyph",
           [&](const RowKernels& k, u32* d) {
             k.glyph(d, reinterpret_cast<const std::uint8_t*>(src.data()) + off, n, 0x00804020);
           }},
          {"lutBlend",
           [&](const RowKernels& k, u32* d) {
             k.lutBlend(reinterpret_cast<std::uint8_t*>(d), reinterpret_cast<const std::uint8_t*>(src.data()) + off,
                        reinterpret_cast<const std::uint8_t*>(bg.data()) + off, n, op);
           }},
      };
      for (const auto& [name, call] : calls) {
        auto a = dst0, b = dst0;
        call(P, a.data() + off);
        call(S, b.data() + off);
        ASSERT_EQ(a, b) << name << " n=" << n << " off=" << off;
        for (int g = 0; g < kGuard; ++g) ASSERT_EQ(b[off + n + g + 20], dst0[off + n + g + 20]) << name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, SimdVsPlain, ::testing::ValuesIn(gtest_px::SimdSets()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
