// The screen transitions: each routine's first and last frame, a middle
// frame checked against what the routine is meant to show, the geometry at
// the edges, and every routine on odd and mismatched sizes (exactly sized
// pixel blocks, so that a write past a buffer shows under the sanitizer).
#include "graphics/transition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "graphics/crt_random.h"
#include "graphics/layer_image.h"
#include "graphics/pixel_kernels.h"
#include "tests/graphics/pixel_test_util.h"

namespace {

using namespace transition;

constexpr std::uint32_t kSentinel = 0x5A123456u;

// A picture over an exactly sized block of its own.
struct Pic {
  Pic(int w, int h, std::uint32_t fill = 0) : px(static_cast<std::size_t>(w) * h, fill) {
    SetupDibHeader(view, w, 32, -h, px.data());
  }
  Pic(const Pic&) = delete;
  std::uint32_t& at(int x, int y) { return px[static_cast<std::size_t>(y) * view.Width() + x]; }
  std::uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y) * view.Width() + x]; }
  std::vector<std::uint32_t> px;
  CBuffer view;
};

// Colours only (the fourth byte 0), as the pictures of the layers hold.
void Randomize(Pic& p, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (auto& v : p.px) v = rng() & 0x00FFFFFFu;
}

std::uint32_t Rgb(std::uint32_t v) { return v & 0x00FFFFFFu; }

std::uint32_t MixPixel(std::uint32_t d, std::uint32_t s, std::uint32_t k) {
  std::uint32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    const std::uint32_t a = (d >> (8 * c)) & 0xFF, b = (s >> (8 * c)) & 0xFF;
    out |= pixk::Mix(a, b, k) << (8 * c);
  }
  return out;
}

// How many pixels of `got` differ in colour from `want`.
int Differences(const Pic& got, const Pic& want) {
  int n = 0;
  for (std::size_t i = 0; i < got.px.size(); ++i) n += Rgb(got.px[i]) != Rgb(want.px[i]);
  return n;
}

using TwoPictureRoutine = std::function<void(CBuffer& d, const CBuffer& o, const CBuffer& n, float p)>;

struct TwoPictureCase {
  const char* name;
  TwoPictureRoutine run;
};

CLayerImage RandomRule(int w, int h, std::uint32_t seed) {
  CLayerImage rule;
  rule.m_nKind = 8;
  rule.m_nWidth = static_cast<std::int16_t>(w);
  rule.m_nHeight = static_cast<std::int16_t>(h);
  rule.m_Plane.resize(static_cast<std::size_t>(w) * h);
  std::mt19937 rng(seed);
  for (auto& b : rule.m_Plane) b = static_cast<std::uint8_t>(rng());
  return rule;
}

std::vector<TwoPictureCase> TwoPictureRoutines(const CLayerImage* rule) {
  return {
      {"DissolveStep", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { DissolveStep(o, n, d, p); }},
      {"RuleWipe", [rule](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { RuleWipe(n, o, d, *rule, p); }},
      {"TransDoor", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { TransDoor(d, n, o, p); }},
      {"TransSpin", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { TransSpin(d, n, o, p); }},
      {"EdgeFadeTB", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { EdgeFadeTB(d, o, n, p); }},
      {"EdgeFadeLR", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { EdgeFadeLR(d, o, n, p); }},
      {"TileWipe4x4", [](CBuffer& d, const CBuffer& o, const CBuffer& n, float p) { TileWipe4x4(d, n, o, p); }},
  };
}

TEST(TransitionTest, EveryRoutineStartsOnTheOldPictureAndEndsOnTheNewOne) {
  const int w = 61, h = 37;
  Pic oldP(w, h), newP(w, h);
  Randomize(oldP, 1);
  Randomize(newP, 2);
  const CLayerImage rule = RandomRule(w, h, 3);
  for (const auto& r : TwoPictureRoutines(&rule)) {
    SCOPED_TRACE(r.name);
    // Progress outside 0..1 acts as its nearer end.
    for (const float p : {0.0f, -0.5f, 1.0f, 1.5f}) {
      SCOPED_TRACE(p);
      Pic d(w, h);
      d.px = oldP.px;  // layer 0 shows the old picture when a transition starts
      r.run(d.view, oldP.view, newP.view, p);
      EXPECT_EQ(Differences(d, p <= 0.0f ? oldP : newP), 0);
    }
  }
}

TEST(TransitionTest, TheDissolveBlendsAtTheProgressOpacity) {
  const int w = 40, h = 9;
  Pic oldP(w, h), newP(w, h);
  Randomize(oldP, 4);
  Randomize(newP, 5);
  for (const float p : {0.25f, 0.5f, 0.99f}) {
    Pic d(w, h, kSentinel);
    DissolveStep(oldP.view, newP.view, d.view, p);
    const auto k = static_cast<std::uint32_t>(p * 256.0f);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(Rgb(d.px[i]), MixPixel(oldP.px[i], newP.px[i], k)) << p << " at " << i;
  }
  // The destination may be the old picture itself.
  Pic same(w, h);
  same.px = oldP.px;
  DissolveStep(same.view, newP.view, same.view, 0.5f);
  for (int i = 0; i < w * h; ++i) ASSERT_EQ(Rgb(same.px[i]), MixPixel(oldP.px[i], newP.px[i], 128));
}

TEST(TransitionTest, TheRuleWipeTurnsLowRuleBytesFirst) {
  const int w = 256, h = 2;
  Pic oldP(w, h, 0x00FFFFFF), newP(w, h, 0);
  CLayerImage rule = RandomRule(w, h, 0);
  for (int i = 0; i < w * h; ++i) rule.m_Plane[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 256);
  const struct {
    float p;
    int newUpTo;  // rule bytes below this show the new picture alone
  } cases[] = {{0.25f, 0}, {0.5f, 2}, {0.75f, 130}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    Pic d(w, h, 0xAB000000u);
    RuleWipe(newP.view, oldP.view, d.view, rule, c.p);
    int last = -1;
    for (int x = 0; x < w; ++x) {
      const int v = static_cast<int>(d.at(x, 0) & 0xFF);
      // The fourth byte is the destination's own.
      ASSERT_EQ(d.at(x, 0) >> 24, 0xABu);
      // White to black: higher rule bytes stay nearer the old picture.
      ASSERT_GE(v, last) << x;
      last = v;
      if (x < c.newUpTo) {
        ASSERT_EQ(v, 0) << x;
      }
      const int t = static_cast<int>(c.p * 512.0f);
      const int weight = std::clamp((x + 256 - t) >> 1, 0, 128);
      ASSERT_EQ(v, (weight * 255) >> 7) << x;
    }
  }
  // Without a rule plane of the picture's size every pixel counts as 0.
  CLayerImage none;
  Pic d(w, h);
  RuleWipe(newP.view, oldP.view, d.view, none, 0.25f);
  EXPECT_EQ(d.at(200, 1) & 0xFF, static_cast<std::uint32_t>((64 * 255) >> 7));
}

TEST(TransitionTest, TheRuleWipesSimdRowsGiveThePlainBytes) {
  for (const int w : {1, 3, 4, 7, 64, 1023}) {
    SCOPED_TRACE(w);
    const int h = 3;
    Pic oldP(w, h), newP(w, h), plain(w, h), fast(w, h);
    std::mt19937 rng(static_cast<std::uint32_t>(w));
    for (auto* p : {&oldP, &newP, &plain}) for (auto& v : p->px) v = rng();
    fast.px = plain.px;
    SetupDibHeader(fast.view, w, 32, -h, fast.px.data(), gtest_px::SimdOn());
    const CLayerImage rule = RandomRule(w, h, 19);
    for (const float p : {0.0f, 0.3f, 0.5f, 0.77f, 1.0f}) {
      {
        gtest_px::SimdCap cap(pixk::SimdLevel::Plain);
        RuleWipe(newP.view, oldP.view, plain.view, rule, p);
      }
      RuleWipe(newP.view, oldP.view, fast.view, rule, p);
      ASSERT_EQ(plain.px, fast.px) << p;
    }
  }
}

// At 45 degrees every blade lies on a diagonal through the centre.
TEST(TransitionTest, TheDoorBladesStandOnTheDiagonalsHalfway) {
  const int w = 64, h = 40, cx = 32, cy = 20;
  Pic oldP(w, h, 0x000000AA), newP(w, h, 0x000000BB);
  Pic d(w, h, kSentinel);
  TransDoor(d.view, newP.view, oldP.view, 0.5f);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool upper = y < cy, right = x >= cx;
      const int n = upper ? cy - 1 - y : y - cy + 1;
      const int off = right ? x - cx : cx - 1 - x;
      // Upper right and lower left turn away from the vertical; the others
      // from the horizontal.
      const bool fromVertical = upper == right;
      const bool showsNew = fromVertical ? off < n : off >= n;
      ASSERT_EQ(d.at(x, y), showsNew ? 0xBBu : 0xAAu) << x << "," << y;
    }
  }
}

TEST(TransitionTest, TheHandLeavesTheQuartersItHasNotReached) {
  const int w = 64, h = 40, cx = 32, cy = 20;
  Pic oldP(w, h, 0x000000AA), newP(w, h, 0x000000BB);
  const struct {
    float p;
    std::uint32_t ur, lr, ll, ul;  // 0: a mixed quarter
  } cases[] = {
      {0.25f, 0xBB, kSentinel, kSentinel, kSentinel},
      {0.375f, 0xBB, 0, kSentinel, kSentinel},
      {0.5f, 0xBB, 0xBB, kSentinel, kSentinel},
      {0.75f, 0xBB, 0xBB, 0xBB, kSentinel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    Pic d(w, h, kSentinel);
    TransSpin(d.view, newP.view, oldP.view, c.p);
    const auto check = [&](int x0, int y0, std::uint32_t want) {
      bool sawOld = false, sawNew = false;
      for (int y = y0; y < y0 + cy; ++y)
        for (int x = x0; x < x0 + cx; ++x) {
          if (want) {
            ASSERT_EQ(d.at(x, y), want) << x << "," << y;
          }
          sawOld |= d.at(x, y) == 0xAA;
          sawNew |= d.at(x, y) == 0xBB;
        }
      if (!want) {
        EXPECT_TRUE(sawOld && sawNew);
      }
    };
    check(cx, 0, c.ur);
    check(cx, cy, c.lr);
    check(0, cy, c.ll);
    check(0, 0, c.ul);
  }
}

TEST(TransitionTest, EdgeFadesBlendBandsFromTheEdges) {
  const int w = 64, h = 40;
  Pic oldP(w, h), newP(w, h);
  Randomize(oldP, 6);
  Randomize(newP, 7);
  const struct {
    bool rows;
    float p;
    int band;      // rows or columns blended at each edge
    bool overOld;  // the old picture underneath
  } cases[] = {
      {true, 0.25f, 10, true}, {true, 0.5f, 20, true},   {true, 0.75f, 10, false},
      // Columns: the band is made even.
      {false, 0.25f, 16, true}, {false, 0.18f, 12, true}, {false, 0.5f, 32, true}, {false, 0.8f, 12, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.rows ? "TB " : "LR ") << c.p);
    Pic d(w, h, kSentinel);
    if (c.rows)
      EdgeFadeTB(d.view, oldP.view, newP.view, c.p);
    else
      EdgeFadeLR(d.view, oldP.view, newP.view, c.p);
    const Pic& base = c.overOld ? oldP : newP;
    const Pic& over = c.overOld ? newP : oldP;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int edge = c.rows ? std::min(y, h - 1 - y) : std::min(x, w - 1 - x);
        const std::uint32_t want = edge < c.band ? MixPixel(base.at(x, y), over.at(x, y), 128) : Rgb(base.at(x, y));
        ASSERT_EQ(Rgb(d.at(x, y)), want) << x << "," << y;
      }
  }
}

TEST(TransitionTest, TheTilePatternTurnsOneTileMoreEachStep) {
  // Old tiles per step, as the pattern list gives them.
  const int olds[16] = {16, 15, 14, 13, 12, 11, 10, 9, 7, 6, 5, 4, 3, 2, 1, 0};
  for (int s = 0; s < 16; ++s) {
    int n = 0;
    for (int k = 0; k < 16; ++k) n += TileShowsOld(s, k);
    EXPECT_EQ(n, olds[s]) << s;
  }
  // Byte 6 comes back for one step.
  for (int s = 0; s < 16; ++s) EXPECT_EQ(TileShowsOld(s, 6), s <= 2 || s == 7) << s;

  const int w = 37, h = 22;  // tiles cut at the right and bottom
  Pic oldP(w, h, 0x000000AA), newP(w, h, 0x000000BB);
  for (int s = 0; s < 16; ++s) {
    Pic d(w, h, 0xCC000000u);
    TileWipe4x4(d.view, newP.view, oldP.view, (static_cast<float>(s) + 0.5f) / 16.0f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int k = ((x / 4) % 4) * 4 + (y / 4) % 4;
        ASSERT_EQ(d.at(x, y), 0xCC000000u | (TileShowsOld(s, k) ? 0xAAu : 0xBBu)) << s << " " << x << "," << y;
      }
  }
}

TEST(TransitionTest, TheCircleWritesOnlyTheRowsItCrosses) {
  const int w = 64, h = 40, cx = 32, cy = 20;
  Pic in(w, h, 0x000000AA), out(w, h, 0x000000BB);
  const struct {
    int radius;
    bool withOutside;
  } cases[] = {{-1, true}, {0, true}, {1, true}, {7, true}, {15, false}, {30, true}, {593, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.radius);
    Pic d(w, h, kSentinel);
    WipeSquare(c.radius, d.view, &in.view, c.withOutside ? &out.view : nullptr);
    for (int y = 0; y < h; ++y) {
      const int dy = std::abs(y - cy);
      if (c.radius < 0 || dy > c.radius) {
        for (int x = 0; x < w; ++x) ASSERT_EQ(d.at(x, y), kSentinel) << x << "," << y;
        continue;
      }
      int l = -1, r = -1;
      for (int x = 0; x < w; ++x) {
        if (d.at(x, y) != 0xAA) continue;
        if (l < 0) l = x;
        r = x;
      }
      ASSERT_GE(l, 0) << y;
      for (int x = 0; x < w; ++x) {
        const std::uint32_t want = (x >= l && x <= r) ? 0xAAu : c.withOutside ? 0xBBu : kSentinel;
        ASSERT_EQ(d.at(x, y), want) << x << "," << y;
      }
      // One span about the centre column, on the circle.
      const int half = cx - l;
      ASSERT_EQ(r, std::min(w - 1, cx + half)) << y;
      if (l > 0) {
        const double rr = std::sqrt(static_cast<double>(half) * half + static_cast<double>(dy) * dy);
        EXPECT_NEAR(rr, c.radius, 1.0) << y;
      }
    }
  }
}

TEST(TransitionTest, TheSineTableIsRoundedSine) {
  for (int i = 0; i <= 64; ++i)
    EXPECT_EQ(kSine[i], static_cast<int>(std::lround(32.0 + 32.0 * std::sin(2.0 * 3.14159265358979 * i / 64.0)))) << i;
}

TEST(TransitionTest, ZoomAndTurnAboutTheCentre) {
  const int w = 64, h = 40, cx = 32, cy = 20;
  Pic src(w, h);
  Randomize(src, 8);
  {
    Pic d(w, h, 0xEE000000u);
    ZoomRotateCenter(d.view, src.view, 1.0f, 0.0f);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(d.px[i], 0xEE000000u | src.px[i]) << i;
  }
  {
    // A half turn mirrors through the centre; what turns in from outside is
    // black.
    Pic d(w, h, kSentinel);
    ZoomRotateCenter(d.view, src.view, 1.0f, 180.0f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int u = 2 * cx - x, v = 2 * cy - y;
        const std::uint32_t want = (u < w && v < h) ? src.at(u, v) : 0;
        ASSERT_EQ(Rgb(d.at(x, y)), want) << x << "," << y;
      }
  }
  {
    // Zoom 2: the middle half of the source fills the picture.
    Pic d(w, h, kSentinel);
    ZoomRotateCenter(d.view, src.view, 2.0f, 0.0f);
    for (int y = 0; y < h; y += 2)
      for (int x = 0; x < w; x += 2) ASSERT_EQ(Rgb(d.at(x, y)), src.at(cx / 2 + x / 2, cy / 2 + y / 2)) << x << "," << y;
  }
  {
    // Below 1 only the middle rectangle is drawn; zoom 0 draws nothing.
    Pic d(w, h, kSentinel);
    ZoomRotateCenter(d.view, src.view, 0.5f, 0.0f);
    EXPECT_EQ(d.at(0, 0), kSentinel);
    EXPECT_EQ(d.at(w - 1, h - 1), kSentinel);
    EXPECT_EQ(Rgb(d.at(cx, cy)), src.at(cx, cy));
    Pic z(w, h, kSentinel);
    ZoomRotateCenter(z.view, src.view, 0.0f, 30.0f);
    ZoomRotateCenter(z.view, src.view, -2.0f, 30.0f);
    for (auto v : z.px) ASSERT_EQ(v, kSentinel);
  }
}

TEST(TransitionTest, ScatteredDiscsLeaveFromTheirPlacesAndVanish) {
  int sx, sy, ex, ey;
  ScatterPoint(0, &sx, &sy, &ex, &ey);
  EXPECT_EQ(sx, 12);
  EXPECT_EQ(sy, 9);
  ScatterPoint(1023, &sx, &sy, &ex, &ey);
  EXPECT_EQ(sx, 787);
  EXPECT_EQ(sy, 590);
  int distinct = 0;
  for (int i = 0; i < 1024; ++i) {
    ScatterPoint(i, &sx, &sy, &ex, &ey);
    ASSERT_GE(ex, 1);
    ASSERT_LE(ex, 799);
    ASSERT_GE(ey, 0);
    ASSERT_LE(ey, 599);
    int px, py, qx, qy;
    ScatterPoint((i + 1) % 1024, &px, &py, &qx, &qy);
    distinct += qx != ex || qy != ey;
  }
  EXPECT_GT(distinct, 1000) << "the end points are scattered";

  Pic oldP(1024, 600);
  Randomize(oldP, 9);
  {
    Pic d(1024, 600, kSentinel);
    ScatterTiles(d.view, oldP.view, 0.0f);
    for (int i = 0; i < 1024; i += 37) {
      ScatterPoint(i, &sx, &sy, &ex, &ey);
      for (const auto& o : {std::pair{0, 0}, {9, 0}, {-9, 0}, {0, 9}, {0, -9}, {6, 6}})
        ASSERT_EQ(d.at(sx + o.first, sy + o.second), oldP.at(sx + o.first, sy + o.second)) << i;
    }
    // Between the discs the stepper's picture stays.
    EXPECT_EQ(d.at(0, 0), kSentinel);
    EXPECT_EQ(d.at(1000, 300), kSentinel);
  }
  {
    Pic d(1024, 600, kSentinel);
    ScatterTiles(d.view, oldP.view, 1.0f);
    for (auto v : d.px) ASSERT_EQ(v, kSentinel);
  }
  {
    // Halfway each disc (radius 4) has flown half its way.
    Pic d(1024, 600, kSentinel);
    ScatterTiles(d.view, oldP.view, 0.5f);
    ScatterPoint(500, &sx, &sy, &ex, &ey);
    const int x = static_cast<int>(sx - 0.5f * (sx - ex)), y = static_cast<int>(sy - 0.5f * (sy - ey));
    EXPECT_NE(d.at(x, y), kSentinel);
  }
}

TEST(TransitionTest, MosaicBlocksHoldTheirMeanColour) {
  const int w = 60, h = 37;  // blocks of 8 cut at both ends
  Pic src(w, h);
  Randomize(src, 10);
  for (const auto& c : {std::pair{0.0f, 8}, {0.5f, 24}, {1.0f, 40}}) {
    SCOPED_TRACE(c.first);
    const int n = c.second;
    Pic d(w, h, kSentinel);
    Mosaic(d.view, src.view, c.first);
    for (int by = 0; by < h; by += n)
      for (int bx = 0; bx < w; bx += n) {
        std::uint64_t sum[3] = {}, count = 0;
        for (int y = by; y < std::min(h, by + n); ++y)
          for (int x = bx; x < std::min(w, bx + n); ++x, ++count)
            for (int k = 0; k < 3; ++k) sum[k] += (src.at(x, y) >> (8 * k)) & 0xFF;
        const std::uint32_t want = static_cast<std::uint32_t>(sum[0] / count | (sum[1] / count) << 8 |
                                                              (sum[2] / count) << 16);
        for (int y = by; y < std::min(h, by + n); ++y)
          for (int x = bx; x < std::min(w, bx + n); ++x) ASSERT_EQ(d.at(x, y), want) << x << "," << y;
      }
  }
}

TEST(TransitionTest, TheBlurAveragesTheRowAroundEachPixel) {
  const int w = 50, h = 3;
  Pic src(w, h);
  Randomize(src, 11);
  {
    Pic d(w, h, kSentinel);
    BlurH(d.view, src.view, 0.0f);
    for (auto v : d.px) ASSERT_EQ(v, kSentinel);
    BlurH(d.view, src.view, 1.5f / 320.0f);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(Rgb(d.px[i]), src.px[i]);
  }
  for (const int r : {2, 7, 320}) {
    SCOPED_TRACE(r);
    Pic d(w, h, kSentinel);
    BlurH(d.view, src.view, (static_cast<float>(r) + 0.5f) / 320.0f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint32_t want = 0;
        for (int k = 0; k < 3; ++k) {
          std::uint32_t sum = 0, n = 0;
          for (int i = std::max(0, x - r); i <= std::min(w - 1, x + r); ++i, ++n) sum += (src.at(i, y) >> (8 * k)) & 0xFF;
          want |= (sum / n) << (8 * k);
        }
        ASSERT_EQ(d.at(x, y), want) << x << "," << y;
      }
  }
}

TEST(TransitionTest, WaveRowsShiftEachRowBySine) {
  const int w = 64, h = 30;
  Pic src(w, h);
  Randomize(src, 12);
  ResetRasterState();
  Pic d(w, h, kSentinel);
  WaveRows(d.view, src.view, 0.0f);
  EXPECT_EQ(Differences(d, src), 0);
  EXPECT_EQ(GetRasterState().waveAngle, 0.0f);
  const float p = 0.01f;
  WaveRows(d.view, src.view, p);
  for (int y = 0; y < h; ++y) {
    const int f = static_cast<int>(p * 1024.0f * std::sin(0.05f * static_cast<float>(y)));
    for (int x = 0; x < w; ++x) {
      const int from = x - f;
      ASSERT_EQ(d.at(x, y), from >= 0 && from < w ? src.at(from, y) : 0u) << x << "," << y;
    }
  }
  EXPECT_FLOAT_EQ(GetRasterState().waveAngle, 0.1f);
  // The whole width or more: the row is black.
  WaveRows(d.view, src.view, 1.0f);
  EXPECT_EQ(d.at(10, 20), 0u);
}

TEST(TransitionTest, SqueezesNarrowThePictureBetweenBlackBands) {
  const int w = 64, h = 40;
  Pic src(w, h);
  Randomize(src, 13);
  for (const bool vertical : {true, false}) {
    SCOPED_TRACE(vertical);
    const auto run = [&](Pic& d, float p) {
      if (vertical)
        SqueezeV(d.view, src.view, p);
      else
        SqueezeH(src.view, d.view, p);
    };
    Pic d(w, h, kSentinel);
    run(d, 0.0f);
    EXPECT_EQ(Differences(d, src), 0);
    run(d, 1.0f);
    for (auto v : d.px) ASSERT_EQ(v, 0u);
    Pic m(w, h, kSentinel);
    run(m, 0.5f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool band = vertical ? (y < 10 || y >= 30) : (x < 16 || x >= 48);
        if (band) {
          ASSERT_EQ(m.at(x, y), 0u) << x << "," << y;
        }
      }
    // The middle of the picture stays in the middle.
    EXPECT_EQ(Rgb(m.at(32, 20)), src.at(32, 20));
  }
}

TEST(TransitionTest, StreaksFillRandomSpansOfTheRow) {
  const int w = 250, h = 6;  // x fits the blue byte: its mean is the mean x
  Pic src(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) src.at(x, y) = static_cast<std::uint32_t>(x & 0xFF) | static_cast<std::uint32_t>(x >> 8) << 8;
  for (const bool average : {false, true}) {
    for (const float p : {0.0f, 0.5f}) {
      SCOPED_TRACE(testing::Message() << average << " " << p);
      const int f = static_cast<int>(p * 256.0f + 16.0f);
      GetCrtRandom().Seed(77);
      Pic d(w, h, kSentinel);
      if (average)
        StreakAverage(d.view, src.view, p);
      else
        StreakRandom(src.view, d.view, p);
      int spans = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
          int len = 1;
          while (x + len < w && d.at(x + len, y) == d.at(x, y)) ++len;
          ASSERT_LE(len, f) << x << "," << y;
          const std::uint32_t v = d.at(x, y);
          const int got = static_cast<int>((v & 0xFF) | ((v >> 8) & 0xFF) << 8);
          // The middle pixel, or the mean of the span (whose mean position
          // truncates the same way).
          const int want = average ? (len * x + len * (len - 1) / 2) / len : x + len / 2;
          ASSERT_EQ(got, want) << x << "," << y << " len " << len;
          x += len;
          ++spans;
        }
      }
      EXPECT_GT(spans, h * w / f) << "the spans are not all the longest";
    }
  }
}

TEST(TransitionTest, TheRippleGrowsToItsAmplitudeAndCalmsDown) {
  const int w = 64, h = 20;
  Pic view(w, h);
  Randomize(view, 14);
  Pic d(w, h, kSentinel);
  ResetRasterState();
  EXPECT_EQ(RippleRows(d.view, view.view, 0, 0), 0);
  EXPECT_EQ(Differences(d, view), 0) << "no amplitude, no shift";
  for (int i = 1; i <= 40; ++i) {
    EXPECT_EQ(RippleRows(d.view, view.view, 1, 1), 0);
    EXPECT_EQ(GetRasterState().amplitude, std::min(64, 2 * i));
  }
  // Phase index 40: row 0 at g = 40 goes right by (32 - sine[40]) x 64 / 128.
  EXPECT_EQ(GetRasterState().phaseIndex, 40);
  const int k = (32 - kSine[40]) * 64 / 128;
  ASSERT_GT(k, 0);
  for (int x = 0; x < w; ++x) ASSERT_EQ(d.at(x, 0), x < k ? 0u : view.at(x - k, 0)) << x;
  // Finishing: down by 2 a ticked call; done exactly when it reaches 0.
  int calls = 0, result = 0;
  while (result == 0 && calls < 100) {
    result = RippleRows(d.view, view.view, 2, 1);
    ++calls;
    if (result == 0) {
      EXPECT_GT(GetRasterState().amplitude, 0);
    }
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(calls, 32);
  EXPECT_EQ(GetRasterState().amplitude, 0);
}

TEST(TransitionTest, WaveBandsStretchRunsOfBands) {
  const int w = 16, h = 600;
  Pic view(w, h);
  Randomize(view, 15);
  Pic d(w, h, kSentinel);
  ResetRasterState();
  EXPECT_EQ(WaveBands(d.view, view.view, 0, 0), 0);
  // Counter 0: the first three bands keep their 10 rows (their step is 0).
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(Rgb(d.at(x, y)), view.at(x, y)) << x << "," << y;
  EXPECT_EQ(WaveBands(d.view, view.view, 1, 1), 0);
  EXPECT_EQ(GetRasterState().bandCounter, 1);
  EXPECT_EQ(WaveBands(d.view, view.view, 2, 0), 1);
  // A counter past 32 starts again.
  GetRasterState().bandCounter = 40;
  WaveBands(d.view, view.view, 1, 0);
  EXPECT_EQ(GetRasterState().bandCounter, 0);
}

// Every routine on buffers of odd and unequal sizes, at the edges of its
// progress: nothing is written outside any buffer (the sanitizer build
// watches the blocks), and pixels outside the common area stay.
TEST(TransitionTest, EveryRoutineStaysInsideBuffersOfAnySize) {
  struct Sizes {
    int dw, dh, ow, oh, nw, nh;
  };
  const Sizes sizes[] = {{1, 1, 1, 1, 1, 1}, {3, 2, 5, 7, 2, 9}, {61, 37, 30, 50, 45, 20}, {30, 20, 61, 37, 45, 50}};
  for (const Sizes& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.dw << "x" << s.dh);
    Pic d(s.dw, s.dh, kSentinel), o(s.ow, s.oh), n(s.nw, s.nh);
    Randomize(o, 16);
    Randomize(n, 17);
    const CLayerImage rule = RandomRule(s.ow, s.oh, 18);
    std::vector<std::function<void(float)>> all;
    for (const auto& r : TwoPictureRoutines(&rule)) all.push_back([&, r](float p) { r.run(d.view, o.view, n.view, p); });
    all.push_back([&](float p) { ZoomRotateCenter(d.view, o.view, 255.0f * p + 0.1f, p * 360.0f); });
    all.push_back([&](float p) { ZoomRotateCenter(d.view, o.view, p, 45.0f); });
    all.push_back([&](float p) { WipeSquare(static_cast<int>(p * 600), d.view, &o.view, &n.view); });
    all.push_back([&](float p) { Mosaic(d.view, o.view, p); });
    all.push_back([&](float p) { BlurH(d.view, o.view, p); });
    all.push_back([&](float p) { WaveRows(d.view, o.view, p); });
    all.push_back([&](float p) { SqueezeV(d.view, o.view, p); });
    all.push_back([&](float p) { SqueezeH(o.view, d.view, p); });
    all.push_back([&](float p) { StreakRandom(o.view, d.view, p); });
    all.push_back([&](float p) { StreakAverage(d.view, o.view, p); });
    all.push_back([&](float p) { RippleRows(d.view, o.view, p < 0.5f ? 1 : 2, 1); });
    all.push_back([&](float p) { WaveBands(d.view, o.view, 1, p > 0.5f ? 1 : 0); });
    for (std::size_t i = 0; i < all.size(); ++i) {
      for (const float p : {-1.0f, 0.0f, 0.01f, 0.5f, 0.99f, 1.0f, 2.0f, NAN}) all[i](p);
    }
    const int cw = std::min({s.dw, s.ow, s.nw}), ch = std::min({s.dh, s.oh, s.nh});
    // Outside the area the destination shares with the old picture (every
    // routine here reads that one) nothing was written.
    for (int y = 0; y < s.dh; ++y)
      for (int x = 0; x < s.dw; ++x) {
        if (x >= std::min(s.dw, s.ow) || y >= std::min(s.dh, s.oh)) {
          ASSERT_EQ(d.at(x, y), kSentinel) << x << "," << y;
        }
      }
    EXPECT_GT(cw * ch, 0);
    // The discs fly to points of their own, anywhere in the destination.
    for (const float p : {-1.0f, 0.0f, 0.5f, 1.0f, NAN}) {
      ScatterTiles(d.view, o.view, p);
      DrawScatterTile(d.view, o.view, -3, s.dh, s.ow, -2, static_cast<int>(p * 9));
      DrawScatterTile(d.view, o.view, s.dw - 1, 0, 0, s.oh - 1, 9);
    }
  }
}

}  // namespace
