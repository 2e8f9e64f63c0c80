// The pixel routines: the edge cases of their definitions, clipping that
// never leaves either buffer, and SIMD against plain at routine level.
#include "graphics/blit.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <random>

#include "graphics/blend_table.h"
#include "pixel_test_util.h"

namespace {

using u32 = std::uint32_t;
using gtest_px::SimdCap;
using pixk::SimdLevel;

struct Buf {
  CBuffer b;
  Buf(int w, int h, u32 fill = 0) {
    b.Create(1, w, h, gtest_px::SimdOn());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.Row32(y)[x] = fill;
  }
  u32& at(int x, int y) { return b.Row32(y)[x]; }
};

TEST(Blits, EdgeCasesOfTheDefinitions) {
  {  // opacity 128 of an opaque source over black: v = 128 * 255 >> 8 = 127
    Buf d(5, 1, 0), s(5, 1, 0xFFC86432);
    AlphaBlt32(d.b, s.b, 0, 0, 5, 1, 0, 0, 128);
    // 200*127>>8 = 99, 100*127>>8 = 49, 50*127>>8 = 24
    for (int x = 0; x < 5; ++x) EXPECT_EQ(d.at(x, 0), 0x7F633118u);
  }
  {  // (200, 200, 200) added to (100, 10, 0) -> (255, 210, 200), alpha kept
    Buf d(6, 1, 0x33640A00), s(6, 1, 0x00C8C8C8);  // R 0x64, G 0x0A, B 0x00
    AddBlt32(d.b, s.b, 0, 0, 6, 1, 0, 0);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(d.at(x, 0), 0x33FFD2C8u);
  }
  {  // fade opacity 300 acts as 255, -5 as 0
    Buf s(5, 1, 0x00FF8000);
    Buf d1(5, 1, 0x11000000), d2(5, 1, 0x11000000), d3(5, 1, 0x11000000);
    FadeBlitRect(d1.b, s.b, 0, 0, 5, 1, 0, 0, 300);
    FadeBlitRect(d2.b, s.b, 0, 0, 5, 1, 0, 0, 255);
    FadeBlitRect(d3.b, s.b, 0, 0, 5, 1, 0, 0, -5);
    EXPECT_TRUE(gtest_px::SameBuffer(d1.b, d2.b));
    EXPECT_EQ(d2.at(0, 0), 0x11FE7F00u);  // 255*255>>8 = 254, 128*255>>8 = 127: never quite the source
    EXPECT_EQ(d3.at(0, 0), 0x11000000u);
  }
  {  // a negative destination x draws from source column 10 on
    Buf d(20, 1, 0), s(20, 1);
    for (int x = 0; x < 20; ++x) s.at(x, 0) = 0xFF000000u | static_cast<u32>(x);
    AlphaBlitRect(d.b, s.b, -10, 0, 20, 1, 0, 0);
    // an opaque source over 0 gives s * 255 >> 8
    for (int x = 0; x < 10; ++x) EXPECT_EQ(d.at(x, 0), 0xFF000000u | static_cast<u32>(((x + 10) * 255) >> 8));
    for (int x = 10; x < 20; ++x) EXPECT_EQ(d.at(x, 0), 0u);
  }
  {  // a red COLORREF fill paints red (B, G, R = 0, 0, 255), alpha 0
    Buf d(3, 2, 0xFFFFFFFF);
    FillRect32(d.b, 0, 0, 3, 2, 0x000000FF);
    EXPECT_EQ(d.at(2, 1), 0x00FF0000u);
    EXPECT_EQ(d.b.Row(0)[2], 0xFF);
    EXPECT_EQ(d.b.Row(0)[0], 0x00);
  }
  {  // tint word: red, green, blue low to high, factor on top; full factor = colour
    Buf d(4, 1, 0), s(4, 1, 0x80112233);
    TintBlt32(0xFF0000FFu, 4, 1, d.b, 0, 0, s.b, 0, 0, 0);
    // s.c + (255 * (colour.c - s.c) >> 8): R 0x11 + (255 * 238 >> 8) = 0x11 + 237 = 0xFE,
    // G 0x22 + (255 * -34 >> 8) = 0x22 - 34 = 0, B 0x33 + (255 * -51 >> 8) = 0x33 - 51 = 0
    EXPECT_EQ(d.at(0, 0), 0x80FE0000u);
  }
  {  // ScaleBlt32 1024x600 -> 512x300 with the box shrink averages 2 x 2 blocks
    Buf s(1024, 600), d(512, 300, 0xAB000000);
    gtest_px::FillRandom(s.b, 5);
    ScaleBlt32(d.b, 0, 0, 512, 300, s.b, 0, 0, 1024, 600, 1);
    for (int y : {0, 151, 299})
      for (int x : {0, 300, 511}) {
        u32 expect = 0xAB000000u;
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) sum += (s.at(2 * x + i, 2 * y + j) >> (8 * c)) & 0xFF;
          expect |= static_cast<u32>(sum >> 2) << (8 * c);
        }
        EXPECT_EQ(d.at(x, y), expect);
      }
    // ... to 500 x 300 it stretches: nearest pixels, no averaging
    Buf e(500, 300, 0);
    ScaleBlt32(e.b, 0, 0, 500, 300, s.b, 0, 0, 1024, 600, 1);
    const auto cols = MakeScaleTable(500, 1024, 0, 1);
    EXPECT_EQ(e.at(499, 299) & 0xFFFFFF, s.at(cols[499], 598) & 0xFFFFFF);
  }
}

TEST(Blits, ShiftRectColourMixedSigns) {
  std::vector<u32> src(1024 * 600, 0xFF204060), dst(1024 * 600, 0x12345678);
  ShiftRectColour(-5, -5, 2000, 0, dst.data(), src.data(), 300, -0x50, 0x10);
  // R 0x20+255 -> 255, G 0x40-0x50 -> 0, B 0x60+0x10; alpha 0
  EXPECT_EQ(dst[0], 0x00FF0070u);
  EXPECT_EQ(dst[1023], 0x00FF0070u);
  EXPECT_EQ(dst[1024], 0x12345678u);  // row 1 is outside the rectangle
}

TEST(Blits, ToneNamesAndTwiceNegative) {
  Buf b(33, 3);
  gtest_px::FillRandom(b.b, 77);
  Buf copy(33, 3);
  CopyPixelRect(copy.b, b.b, 0, 0, 33, 3, 0, 0);
  ToneNegative(b.b);
  EXPECT_FALSE(gtest_px::SameBuffer(copy.b, b.b));
  ToneNegative(b.b);
  EXPECT_TRUE(gtest_px::SameBuffer(copy.b, b.b));
  Buf w(3, 1, 0x40FFFFFF);
  ToneGrey(w.b);
  EXPECT_EQ(w.at(2, 0), 0x40FFFFFFu);
}

TEST(ScaleTables, NeverPastTheSpan) {
  // Plain rounding gives s0 + m for the last entries whenever n >= 2m.
  for (int m = 1; m <= 64; ++m)
    for (int n = 1; n <= 256; ++n) {
      const auto t = MakeScaleTable(n, m, 7, 1);
      for (int i = 0; i < n; ++i) {
        ASSERT_GE(t[i], 7);
        ASSERT_LE(t[i], 7 + m - 1) << m << " " << n << " " << i;
        const int plain = 7 + static_cast<int>(0.5f + static_cast<float>(m) * i / static_cast<float>(n));
        if (plain <= 7 + m - 1) {
          ASSERT_EQ(t[i], plain);  // in-range entries unchanged
        }
      }
    }
  const auto bytes = MakeScaleTable(4, 4, 2, 4);
  EXPECT_EQ(bytes, (std::vector<int>{8, 12, 16, 20}));
}

TEST(StretchCopy8, SmallRuleScaledUpTurnsRowsAndStaysInside) {
  // 2 x 2 bottom-up rows of 4 bytes (padded): stored row 0 is the bottom.
  const std::uint8_t src[8] = {1, 2, 0xEE, 0xEE, 3, 4, 0xEE, 0xEE};
  std::vector<std::uint8_t> dst(8 * 6, 0);
  StretchCopy8(dst.data(), 8, 6, src, 2, 2, 4);
  EXPECT_EQ(dst[0], 3);       // top-left comes from the last stored row
  EXPECT_EQ(dst[7], 4);
  EXPECT_EQ(dst[5 * 8], 1);   // bottom-left
  EXPECT_EQ(dst[5 * 8 + 7], 2);
  for (auto v : dst) EXPECT_NE(v, 0xEE);  // never a padding byte
}

TEST(SortValues, Cases) {
  std::vector<std::vector<u32>> cases = {{5, 5, 5}, {3, 1, 2}, {1}, {2, 1}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, {}};
  std::mt19937 rng(3);
  for (int i = 0; i < 50; ++i) {
    std::vector<u32> v(rng() % 40);
    for (auto& x : v) x = rng() % 7;
    cases.push_back(v);
  }
  for (auto v : cases) {
    auto expect = v;
    std::sort(expect.begin(), expect.end());
    if (!v.empty()) SortValues(v.data(), 0, static_cast<int>(v.size()) - 1);
    EXPECT_EQ(v, expect);
  }
}

// ---- clipping: any rectangle stays inside both buffers

// A destination view in the middle of a larger block, canary bands around.
struct Canvas {
  static constexpr int kW = 37, kH = 19, kBand = 8;
  std::vector<u32> block;
  CBuffer view;
  Canvas() : block(static_cast<std::size_t>((kW + 2 * kBand) * (kH + 2 * kBand)), 0xC0DEC0DE) {
    SetupDibHeader(view, kW, 32, kH, &block[kBand * (kW + 2 * kBand) + kBand], gtest_px::SimdOn());
    view.m_nStride = (kW + 2 * kBand) * 4;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) view.Row32(y)[x] = 0x01020304u * static_cast<u32>(x + y);
  }
  bool CanariesIntact() const {
    const int W = kW + 2 * kBand;
    for (int y = 0; y < kH + 2 * kBand; ++y)
      for (int x = 0; x < W; ++x) {
        const bool inside = x >= kBand && x < kBand + kW && y >= kBand && y < kBand + kH;
        if (!inside && block[static_cast<std::size_t>(y) * W + x] != 0xC0DEC0DE) return false;
      }
    return true;
  }
};

// A source whose last byte is the last byte before an inaccessible page: a
// read past it faults.
struct GuardedSource {
  static constexpr int kW = 23, kH = 11;
  void* map = nullptr;
  std::size_t mapLen = 0;
  CBuffer view;
  GuardedSource() {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = kW * kH * 4;
    const std::size_t dataPages = (bytes + page - 1) / page;
    mapLen = (dataPages + 1) * page;
    map = mmap(nullptr, mapLen, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    auto* base = static_cast<std::uint8_t*>(map);
    mprotect(base + dataPages * page, page, PROT_NONE);
    auto* pixels = base + dataPages * page - bytes;
    std::mt19937 rng(11);
    for (std::size_t i = 0; i < bytes; ++i) pixels[i] = static_cast<std::uint8_t>(rng());
    SetupDibHeader(view, kW, 32, kH, pixels);
  }
  ~GuardedSource() { munmap(map, mapLen); }
};

// Arithmetic on the random coordinates, kept inside int.
int Sat(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

TEST(Clipping, NoRoutineLeavesItsBuffers) {
  GuardedSource src;
  Buf bg(GuardedSource::kW, GuardedSource::kH, 0x80808080);
  const std::vector<std::pair<const char*, std::function<void(CBuffer&, int, int, int, int, int, int)>>> routines = {
      {"CopyPixelRect", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { CopyPixelRect(d, src.view, dx, dy, w, h, sx, sy); }},
      {"AlphaBlitRect", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { AlphaBlitRect(d, src.view, dx, dy, w, h, sx, sy); }},
      {"AlphaBlt32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { AlphaBlt32(d, src.view, dx, dy, w, h, sx, sy, 100); }},
      {"FadeBlitRect", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { FadeBlitRect(d, src.view, dx, dy, w, h, sx, sy, 100); }},
      {"AddBlt32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { AddBlt32(d, src.view, dx, dy, w, h, sx, sy); }},
      {"BlendImageRows", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { BlendImageRows(d, src.view, dx, dy, w, h, sx, sy, bg.b, Sat(sx + 1LL), Sat(sy - 2LL)); }},
      {"AlphaBlendBlit", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { AlphaBlendBlit(src.view, d, dx, dy, w, h, sx, sy, bg.b, Sat(sx - 3LL), sy); }},
      {"TintCopy32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { TintCopy32(d, src.view, dx, dy, w, h, sx, sy, 1, 2, 3, 90); }},
      {"TintBlend32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { TintBlend32(d, src.view, dx, dy, w, h, sx, sy, 1, 2, 3, 90); }},
      {"FillImageRect", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { FillImageRect(d, src.view, dx, dy, w, h, sx, sy, 255, 255, 255); }},
      {"FillRect32", [&](CBuffer& d, int dx, int dy, int w, int h, int, int) { FillRect32(d, dx, dy, w, h, 0x123456); }},
      {"MultiplyBlt32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { MultiplyBlt32(d, src.view, dx, dy, w, h, sx, sy, 99); }},
      {"ShrinkBlt2x", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { ShrinkBlt2x(d, src.view, dx, dy, w, h, sx, sy); }},
      {"ShrinkBlt4x", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { ShrinkBlt4x(d, src.view, dx, dy, w, h, sx, sy); }},
      {"StretchBlt32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { StretchBlt32(dy, d, dx, w, h, src.view, sx, sy, Sat(w * 2LL + 1), Sat(h + 3LL), 1); }},
      {"RotateBlt32", [&](CBuffer& d, int dx, int dy, int w, int h, int sx, int sy) { RotateBlt32(d, dx, dy, src.view, w, h, sx, sy, 33.0f, 1); }},
  };
  std::mt19937 rng(2024);
  auto coord = [&]() {
    switch (rng() % 6) {
      case 0: return -static_cast<int>(rng() % 100);
      case 1: return static_cast<int>(rng() % 100);
      case 2: return 0x7FFFFFF0 + static_cast<int>(rng() % 15);
      case 3: return -0x7FFFFFF0 - static_cast<int>(rng() % 15);
      default: return static_cast<int>(rng() % 40) - 10;
    }
  };
  for (const auto& [name, call] : routines) {
    for (int iter = 0; iter < 400; ++iter) {
      Canvas c;
      call(c.view, coord(), coord(), coord(), coord(), coord(), coord());
      ASSERT_TRUE(c.CanariesIntact()) << name << " iteration " << iter;
    }
    // The whole source to the origin, and a rectangle reaching exactly the
    // source's last byte, must draw (the guard page proves nothing is read
    // past it).
    Canvas c;
    call(c.view, 0, 0, GuardedSource::kW, GuardedSource::kH, 0, 0);
    call(c.view, 5, 5, 100, 100, GuardedSource::kW - 3, GuardedSource::kH - 2);
    EXPECT_TRUE(c.CanariesIntact()) << name;
  }
}

TEST(Clipping, InRangeCallsMatchUnclippedDrawing) {
  // The clipped form of a call that sticks out draws exactly the part that
  // the in-range call draws.
  Buf s(30, 20);
  gtest_px::FillRandom(s.b, 8);
  Buf a(40, 30, 0x11111111), b(40, 30, 0x11111111);
  AlphaBlitRect(a.b, s.b, -4, -3, 30, 20, 0, 0);
  AlphaBlitRect(b.b, s.b, 0, 0, 26, 17, 4, 3);
  EXPECT_TRUE(gtest_px::SameBuffer(a.b, b.b));
}

// ---- SIMD against plain through the routines (the flag and the cap)

TEST(Blits, SimdAndPlainRoutinesAgreeOnOddRectangles) {
  std::mt19937 rng(99);
  Buf src(101, 37), bg(101, 37);
  gtest_px::FillRandom(src.b, 1);
  gtest_px::FillRandom(bg.b, 2);
  for (int iter = 0; iter < 60; ++iter) {
    const int dx = static_cast<int>(rng() % 20) - 5, dy = static_cast<int>(rng() % 10) - 3;
    const int w = static_cast<int>(rng() % 90) + 1, h = static_cast<int>(rng() % 30) + 1;
    const int sx = static_cast<int>(rng() % 11), sy = static_cast<int>(rng() % 7), op = static_cast<int>(rng() % 256);
    auto run = [&](CBuffer& d) {
      AlphaBlitRect(d, src.b, dx, dy, w, h, sx, sy);
      AlphaBlt32(d, src.b, dy, dx, w, h, sy, sx, op);
      FadeBlitRect(d, src.b, dx + 1, dy, w, h, sx, sy, op);
      AddBlt32(d, src.b, dx, dy + 1, w, h, sx, sy);
      BlendImageRows(d, src.b, dx, dy, w, h, sx, sy, bg.b, sy, sx);
      AlphaBlendBlit(src.b, d, dx, dy, w, h, sx, sy, bg.b, sx, sy);
      TintBlt32(0x80102030u ^ static_cast<u32>(op), w, h, d, dx, dy, src.b, sx, sy, op & 1);
      FillImageRect(d, src.b, dx, dy, w, h, sx, sy, 255, 0, 128);
      MultiplyBlt32(d, src.b, dx + 3, dy, w, h, sx, sy, op);
      ShrinkBlt2x(d, src.b, dx, dy, w / 2, h / 2, sx, sy);
      ShrinkBlt4x(d, src.b, dx, dy, w / 4, h / 4, sx, sy);
      ApplyTone(d, op % 9);
    };
    Buf p(97, 41), s(97, 41);
    gtest_px::FillRandom(p.b, static_cast<u32>(iter));
    CopyPixelRect(s.b, p.b, 0, 0, 97, 41, 0, 0);
    {
      SimdCap cap(SimdLevel::Plain);
      run(p.b);
    }
    run(s.b);
    ASSERT_TRUE(gtest_px::SameBuffer(p.b, s.b)) << "iteration " << iter;
  }
}

TEST(LutBlend8, TablePathAndSimdPathAgree) {
  auto tables = MakeBlendTables();
  std::mt19937 rng(5);
  const int w = 77, rows = 9, rem = 3;
  std::vector<std::uint8_t> a((w + rem) * rows), b((w + rem) * rows), o1((w + rem) * rows, 7), o2 = o1;
  for (auto& v : a) v = static_cast<std::uint8_t>(rng());
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = (i % 5 == 0) ? a[i] : static_cast<std::uint8_t>(rng());
  for (int k : {0, 1, 100, 200, 254, 255}) {
    LutBlend8(a.data(), b.data(), o1.data(), w, rows, rem, rem, rem, *tables, k, false);
    LutBlend8(a.data(), b.data(), o2.data(), w, rows, rem, rem, rem, *tables, k, true);
    ASSERT_EQ(o1, o2) << k;
    // equal inputs keep their value, although T[k][x][x] need not be x
    for (int i = 0; i < w; ++i)
      if (a[i] == b[i]) {
        EXPECT_EQ(o1[i], b[i]);
      }
    for (int r = 0; r < rows; ++r)
      for (int i = w; i < w + rem; ++i) EXPECT_EQ(o1[r * (w + rem) + i], 7);  // remainders untouched
  }
}

}  // namespace

namespace {

TEST(Blits, ZoomRotateAndConversions) {
  Buf src(1024, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 1024; ++x) src.at(x, y) = 0xFF000000u | (static_cast<u32>(y) << 12) | static_cast<u32>(x);
  {  // factor 2: the centre 512 x 300 stretched over the screen
    Buf d(1024, 600, 0);
    int rect[4] = {-1, -1, -1, -1};
    ZoomCenter(src.b, d.b, 2.0f, rect, 1);
    EXPECT_EQ(rect[0], -1);  // only a shrink reports its rectangle
    EXPECT_EQ(d.at(0, 0) & 0xFFFFFF, src.at(256, 150) & 0xFFFFFF);
    EXPECT_EQ(d.at(1023, 599) & 0xFFFFFF, src.at(767, 449) & 0xFFFFFF);
  }
  {  // factor 0.5: the whole picture shrunk into the centre
    Buf d(1024, 600, 0);
    int rect[4] = {};
    ZoomCenter(src.b, d.b, 0.5f, rect, 1);
    EXPECT_EQ((std::vector<int>(rect, rect + 4)), (std::vector<int>{256, 150, 512, 300}));
    EXPECT_EQ(d.at(256, 150) & 0xFFFFFF, src.at(0, 0) & 0xFFFFFF);
    EXPECT_EQ(d.at(255, 150), 0u);
  }
  {  // rotation by 0 copies B, G, R; by 90 degrees about (2, 2) turns
    Buf s(5, 5), d0(5, 5, 0x7F000000), d90(5, 5, 0);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) s.at(x, y) = 0xFF000000u | static_cast<u32>(y * 16 + x);
    RotateBlt32(d0.b, 0, 0, s.b, 5, 5, 2, 2, 0.0f, 0);
    EXPECT_EQ(d0.at(3, 1), 0x7F000013u);  // the destination's alpha stays
    RotateBlt32(d90.b, 0, 0, s.b, 5, 5, 2, 2, 90.0f, 0);
    // u = cx + (i - cy), v = cy - (j - cx)
    EXPECT_EQ(d90.at(4, 0) & 0xFF, static_cast<u32>(0 * 16 + 0));
    EXPECT_EQ(d90.at(0, 4) & 0xFF, static_cast<u32>(4 * 16 + 4));
    EXPECT_EQ(d90.at(1, 3) & 0xFF, static_cast<u32>(3 * 16 + 3));
  }
  {  // 24-bit rows, padded, read bottom-up for a negative row count
    std::uint8_t rows[2 * 8] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
    CBuffer s24;
    SetupDibHeader(s24, 2, 24, 2, rows);
    Buf d(2, 2, 0x55000000);
    Convert24To32(s24, -2, 2, d.b);
    EXPECT_EQ(d.at(0, 0), 0x55090807u);
    EXPECT_EQ(d.at(1, 1), 0x55060504u);
    std::uint8_t idx[8] = {1, 0, 9, 9, 0, 1, 9, 9};  // rows padded to 4
    std::uint8_t pal[1024] = {};
    pal[4] = 0x10, pal[5] = 0x20, pal[6] = 0x30;
    CBuffer s8;
    SetupDibHeader(s8, 2, 8, 2, idx);
    ConvertPal8To32(s8, 2, pal, d.b, 2);
    EXPECT_EQ(d.at(0, 0), 0x55302010u);
    EXPECT_EQ(d.at(1, 0), 0x55000000u);
  }
  {  // grey plane scaled, half strength; zero stays transparent
    std::uint8_t plane[4] = {0, 100, 200, 255};
    Buf d(4, 2, 0x12345678);
    StretchGrey8To32(0, d.b, 4, 2, plane, 2, 2, 0.5f);
    EXPECT_EQ(d.at(0, 0), 0u);
    EXPECT_EQ(d.at(3, 0), 0xFF323232u);
    EXPECT_EQ(d.at(3, 1), 0xFF7F7F7Fu);
  }
}

}  // namespace
