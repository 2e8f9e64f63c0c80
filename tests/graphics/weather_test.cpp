// The weather and overlay layers: kinds, fades, particle movement, the
// wrapped overlay and the screen-effects switch.
#include "graphics/weather.h"

#include <gtest/gtest.h>

#include <vector>

#include "graphics/pixel_buffer.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

namespace {

struct Screen {
  std::vector<std::uint32_t> px = std::vector<std::uint32_t>(1024 * 600, 0);
  CBuffer view;
  Screen() { SetupDibHeader(view, 1024, 32, 600, px.data()); }
  int Changed() const {
    int n = 0;
    for (std::uint32_t p : px) n += p != 0 ? 1 : 0;
    return n;
  }
};

TEST(Weather, BuiltInPicturesHaveTheirFrameSizes) {
  pl::FakeBackend fake;
  CWeather w;
  ASSERT_EQ(w.Create(nullptr), 1);
  const int expected[3][2][2] = {{{16, 16}, {24, 24}}, {{16, 64}, {24, 128}}, {{16, 256}, {24, 384}}};
  for (int kind = 0; kind < 3; ++kind) {
    w.Start(kind);
    EXPECT_EQ(w.m_Particles[0].width, expected[kind][1][0]) << kind;
    EXPECT_EQ(w.m_Particles[0].height, expected[kind][1][1]) << kind;
    EXPECT_EQ(w.m_Particles[63].width, expected[kind][0][0]) << kind;
    EXPECT_EQ(w.m_Particles[63].height, expected[kind][0][1]) << kind;
  }
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(Weather, KindsOutOfRangeAndTheFadeOut) {
  pl::FakeBackend fake;
  CWeather w;
  ASSERT_EQ(w.Create(nullptr), 1);
  w.Start(5);
  EXPECT_EQ(w.m_nKind, 0);
  w.Start(-1);
  EXPECT_EQ(w.m_nKind, 2);
  EXPECT_EQ(w.m_nAlpha, 255);

  Screen s;
  w.Stop();
  w.Start(1);  // asked for while fading: waits for the fade's end
  EXPECT_EQ(w.m_nKind, 2);
  std::vector<int> alphas;
  while (w.m_nState == 2) {
    w.Tick(s.view, 1);
    alphas.push_back(w.m_nAlpha);
  }
  EXPECT_EQ(alphas, (std::vector<int>{192, 144, 108, 81, 61, 46, 35, 27, 21, 16, 255}));
  EXPECT_EQ(w.m_nState, 1) << "the remembered kind started when the fade ended";
  EXPECT_EQ(w.m_nKind, 1);
}

TEST(Weather, RainFallsAStepATickAndDriftsRightOnceOnScreen) {
  pl::FakeBackend fake;
  CWeather w;
  ASSERT_EQ(w.Create(nullptr), 1);
  w.Start(1);
  WeatherParticle& drop = w.m_Particles[40];  // small: 64 pixels a tick
  drop.x = drop.startX = 100;
  drop.y = drop.startY = -300;
  Screen s;
  std::vector<std::pair<int, int>> path;
  for (int i = 0; i < 7; ++i) {
    w.Tick(s.view, 1);
    path.emplace_back(drop.x, drop.y);
  }
  EXPECT_EQ(path, (std::vector<std::pair<int, int>>{
                      {100, -236}, {100, -172}, {100, -108}, {100, -44}, {100, 20}, {124, 84}, {148, 148}}));
  // Off the bottom it goes back to its start.
  drop.y = 599;
  w.Tick(s.view, 1);
  EXPECT_EQ(drop.y, 663);
  w.Tick(s.view, 1);
  EXPECT_EQ(drop.y, -300);
}

TEST(Weather, SnowDrawsOnTheScreenUnlessEffectsAreOff) {
  pl::FakeBackend fake;
  std::int32_t noEffect = 0;
  CWeather w;
  ASSERT_EQ(w.Create(&noEffect), 1);
  w.Start(0);
  for (WeatherParticle& p : w.m_Particles) {
    p.x = 500;
    p.y = 300;
  }
  Screen s;
  w.Tick(s.view, 0);  // a redraw: nothing moves
  EXPECT_EQ(w.m_Particles[0].y, 300);
  EXPECT_GT(s.Changed(), 50);

  noEffect = 1;
  Screen quiet;
  w.Tick(quiet.view, 1);
  EXPECT_EQ(quiet.Changed(), 0);
  EXPECT_EQ(w.m_Particles[0].y, 300) << "effects off: the layer stands still";
}

struct OverlayTest : ::testing::Test {
  pl::FakeBackend fake;
  kvtest::TempDir dir;
  void SetUp() override {
    pl::SetProgramFolder(dir.path());
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "grp"), 0);
  }
  void TearDown() override { pl::SetProgramFolder(""); }
  // An opaque picture of the given size: its left half one colour, its
  // right half another.
  void Picture(const std::string& name, int w, int h) {
    std::string recipe = "variant 32\nsize " + std::to_string(w) + " " + std::to_string(h) + "\n";
    for (int y = 0; y < h; ++y) {
      recipe += "fill " + std::to_string(w / 2) + " FF0000FF\n";
      recipe += "fill " + std::to_string(w - w / 2) + " FFFF0000\n";
    }
    kvtest::WriteFile(dir / (name + ".recipe"), recipe);
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / ("grp/" + name + ".abm") + " " +
                                 dir / (name + ".recipe")),
              0);
  }
};

TEST_F(OverlayTest, FadesInByAQuarterOfTheRestAndScrollsWrapped) {
  Picture("fog", 2048, 600);
  COverlay o;
  ASSERT_EQ(o.Open("fog", nullptr), 1);
  EXPECT_EQ(o.m_nX, 2048);
  EXPECT_EQ(o.m_nAlpha, 1);
  o.m_nDx = -512;
  Screen s;
  std::vector<int> alphas;
  for (int i = 0; i < 3; ++i) {
    o.Draw(1, s.view);
    alphas.push_back(o.m_nAlpha);
  }
  EXPECT_EQ(alphas, (std::vector<int>{64, 111, 147}));
  for (int i = 0; i < 40; ++i) o.Draw(1, s.view);
  EXPECT_EQ(o.m_nAlpha, 252) << "the quarter of the remainder becomes 0";
  // Place the picture so that its seam (right half, then the left half of
  // the next tile) lies at screen column 512.
  o.m_nX = 1536;
  o.m_nDx = 0;
  std::fill(s.px.begin(), s.px.end(), 0u);
  o.Draw(0, s.view);
  auto red = [&](int x) { return (s.px[100 * 1024 + x] >> 16) & 0xFF; };
  auto blue = [&](int x) { return s.px[100 * 1024 + x] & 0xFF; };
  EXPECT_GT(red(10), 240u) << "picture column 1546: the right half";
  EXPECT_EQ(blue(10), 0u);
  EXPECT_GT(blue(600), 240u) << "the wrapped left half";
  EXPECT_EQ(red(600), 0u);
  o.Stop();
  while (o.m_nState != 0) o.Draw(1, s.view);
  EXPECT_EQ(o.m_nAlpha, 0);
}

TEST_F(OverlayTest, APictureSmallerThanTheScreenIsLoadedButNeverDrawn) {
  Picture("small", 800, 600);
  COverlay o;
  ASSERT_EQ(o.Open("small", nullptr), 1);
  Screen s;
  for (int i = 0; i < 5; ++i) o.Draw(1, s.view);
  EXPECT_EQ(s.Changed(), 0);
  EXPECT_EQ(o.Open("missing", nullptr), 0);
  EXPECT_TRUE(fake.boxes.empty()) << "a missing overlay picture shows no box";
}

}  // namespace
