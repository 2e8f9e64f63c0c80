#include "framework/ddraw.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/app_base.h"
#include "framework/globals.h"
#include "platform/fake/fake_backend.h"
#include "platform/window.h"

namespace {

struct DDrawFixture : ::testing::Test {
  pl::FakeBackend fake;
  CDDraw dd;
  void Init(std::vector<pl::DisplayModeInfo> modes, int desktopBits = 32) {
    fake.screenBits = desktopBits;
    fake.modes = std::move(modes);
    ASSERT_EQ(dd.Init(nullptr), 1);
  }
  std::vector<std::pair<int, int>> Listed() {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < dd.ModeCount(); ++i) {
      int w = -1, h = -1;
      dd.GetMode(i, &w, &h);
      out.emplace_back(w, h);
    }
    return out;
  }
};

TEST_F(DDrawFixture, ListsOnlyModesThatHoldThePictureAtTheDesktopDepthSortedWithoutDuplicates) {
  Init({{1920, 1080, 32, 60},
        {1280, 720, 32, 60},
        {1280, 720, 32, 75},   // a second refresh rate: one entry
        {1024, 768, 16, 60},   // another depth
        {800, 600, 32, 60},    // too small
        {1024, 600, 32, 60},
        {1080, 1920, 32, 60},  // taller than wide
        {1280, 1024, 32, 60},
        {1024, 768, 32, 60}});
  EXPECT_EQ(Listed(), (std::vector<std::pair<int, int>>{{1024, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}}));
  EXPECT_EQ(dd.FindMode(1024, 768), 1);
  EXPECT_EQ(dd.FindMode(800, 600), -1);
  int w = 7, h = 9;
  dd.GetMode(5, &w, &h);  // past the end: left alone
  dd.GetMode(-1, &w, &h);
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 9);
}

TEST_F(DDrawFixture, SixteenBitDesktopListsSixteenBitModes) {
  Init({{1024, 768, 32, 60}, {1024, 768, 16, 60}, {800, 600, 16, 60}}, 16);
  EXPECT_EQ(Listed(), (std::vector<std::pair<int, int>>{{1024, 768}}));
}

TEST_F(DDrawFixture, MovieSurfaceIsClearedAndCopiedWhereItFitsElseDrawnToTheWindow) {
  Init({{1024, 768, 32, 60}});
  ASSERT_EQ(dd.CreateMovieSurface(4, 2), 1);
  MovieSurface& s = dd.Surface();
  EXPECT_EQ(s.pitch, 16);
  for (std::uint32_t p : s.pixels) EXPECT_EQ(p, 0u);
  for (int i = 0; i < 8; ++i) s.pixels[static_cast<size_t>(i)] = 0x100u + static_cast<std::uint32_t>(i);

  std::vector<std::uint32_t> buf(1024 * 600, 0xEEu);
  dd.CopySurface(600, nullptr, buf.data(), 1024, 10, 5);
  // The first surface row lands on row 5, the next one below it.
  EXPECT_EQ(buf[5 * 1024 + 10], 0x100u);
  EXPECT_EQ(buf[5 * 1024 + 13], 0x103u);
  EXPECT_EQ(buf[6 * 1024 + 10], 0x104u);
  EXPECT_EQ(buf[5 * 1024 + 14], 0xEEu);

  // One column too far right: nothing is copied into the buffer.
  std::vector<std::uint32_t> untouched(1024 * 600, 0xEEu);
  dd.CopySurface(600, nullptr, untouched.data(), 1024, 1021, 0);
  for (std::uint32_t p : untouched) ASSERT_EQ(p, 0xEEu);
}

TEST_F(DDrawFixture, ASurfaceOfNoSizeIsRefusedWithTheBox) {
  Init({});
  EXPECT_EQ(dd.CreateMovieSurface(0, 480), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find("CreateSurface()"), std::string::npos);
  EXPECT_FALSE(dd.Surface().Valid());
}

TEST_F(DDrawFixture, DrawSurfaceReachesTheWindowAtItsPlace) {
  pl::WindowDesc d;
  pl::Window* w = pl::CreateWindow(d, &pl::DefWindowProc);
  ASSERT_NE(w, nullptr);
  CAppBase app;
  SetApp(&app);
  SetMainWindowHandle(w);
  Init({{1024, 768, 32, 60}});
  ASSERT_EQ(dd.CreateMovieSurface(2, 2), 1);
  std::fill(dd.Surface().pixels.begin(), dd.Surface().pixels.end(), 0xFF123456u);
  dd.DrawSurface(w, 2, 2, 100, 50);
  EXPECT_EQ(w->front[50 * 1024 + 100], 0xFF123456u);
  EXPECT_EQ(w->front[51 * 1024 + 101], 0xFF123456u);
  EXPECT_NE(w->front[52 * 1024 + 100], 0xFF123456u);
  SetMainWindowHandle(nullptr);
  SetApp(nullptr);
  pl::FreeWindow(w);
}

}  // namespace
