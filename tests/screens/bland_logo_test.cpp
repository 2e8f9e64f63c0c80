#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/blend_table.h"
#include "screens/bland_logo.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kLogo = 0xFFC08040;

std::vector<std::string>& Sounds() {
  static std::vector<std::string> s;
  return s;
}
int RecordSound(int mode, const char* name, const char* kind, int index) {
  Sounds().push_back(std::to_string(mode) + ":" + name + ":" + kind + ":" + std::to_string(index));
  return 1;
}

class BlandLogoTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    SetScreenSoundPlayer(&RecordSound);
    Sounds().clear();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), 0);
  }
  void TearDown() override {
    SetScreenSoundPlayer(nullptr);
    ScreenHarness::TearDown();
  }
  int Run() {
    const int r = logo.Run(window, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved), &keys, &hooks);
    logo.LeaveHookList();
    return r;
  }
  CBuffer saved;
  CBlandLogo logo;
};

enum Input { kNone, kCtrlHeld, kRightInFadeIn, kEnterAfterFadeIn, kClose };

TEST_F(BlandLogoTest, FadesShowsAndEndsAsThePlayerLets) {
  struct Case {
    Input input;
    int result;
    bool sound;
    bool fadeOut;       // ends black
    bool reachedFull;   // the logo was shown at full brightness
  };
  const Case cases[] = {
      {kNone, 0, true, true, true},
      {kEnterAfterFadeIn, 0, true, true, true},
      {kCtrlHeld, 0, false, true, true},
      {kRightInFadeIn, 0, false, false, true},
      {kClose, -1, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "input " << c.input);
    MakePicture("ld_logo.bmp", Bands(24, 1024, {{600, kLogo}}));
    Sounds().clear();
    FillShown(0xFF102030);
    // The logo's corner at each pump; the input by the same clock.
    std::vector<std::uint32_t> seen;
    int pressAt = -1;
    const int start = fake.pumps;
    fake.onPump = [&](int absolute) {
      const int pump = absolute - start;
      const std::uint32_t px = ShownAt(10, 10) & 0xFFFFFF;
      if (seen.empty() || seen.back() != px) seen.push_back(px);
      const bool fadingIn = seen.size() >= 3 && px != (kLogo & 0xFFFFFF);
      switch (c.input) {
        case kCtrlHeld:
          if (pump == 0) fake.InjectKey(pl::DIK_LCONTROL, true);
          break;
        case kRightInFadeIn:
          if (pressAt < 0 && fadingIn) {
            fake.InjectMouseButton(pl::MOUSE_RIGHT, true, {500, 300});
            pressAt = pump;
          }
          break;
        case kEnterAfterFadeIn:
          if (pressAt < 0 && px == (kLogo & 0xFFFFFF)) {
            fake.InjectKey(pl::DIK_RETURN, true);
            pressAt = pump;
          }
          if (pressAt >= 0 && pump == pressAt + 3) fake.InjectKey(pl::DIK_RETURN, false);
          break;
        case kClose:
          if (pump == 5) fake.InjectClose();
          break;
        case kNone:
          break;
      }
      if (pump > 100000) fake.InjectClose();
    };
    EXPECT_EQ(Run(), c.result);
    fake.onPump = {};
    // Held keys and buttons are let go after the run.
    fake.InjectKey(pl::DIK_LCONTROL, false);
    fake.InjectMouseButton(pl::MOUSE_RIGHT, false, {500, 300});
    EXPECT_EQ(!Sounds().empty(), c.sound);
    if (c.sound) {
      EXPECT_EQ(Sounds(), std::vector<std::string>{std::string("0:") + LogoSoundNames[logo.m_nSound] + ":se:0"});
    }
    const bool full = std::find(seen.begin(), seen.end(), kLogo & 0xFFFFFF) != seen.end();
    EXPECT_EQ(full, c.reachedFull);
    if (c.fadeOut) {
      EXPECT_EQ(ShownAt(10, 10), 0u);
      EXPECT_EQ(ShownAt(1023, 599), 0u);
    } else if (c.reachedFull) {
      EXPECT_EQ(ShownAt(10, 10) & 0xFFFFFF, kLogo & 0xFFFFFF);
    }
    if (c.input == kNone) {
      // Fade levels went up to the logo and down to black: more than a
      // handful of distinct pictures each way.
      EXPECT_GT(seen.size(), 20u);
      // The logo stayed a second with nothing to wait for.
      EXPECT_GE(fake.pumps - start, 1000);
    }
    if (c.input == kCtrlHeld) {
      // No wait for a sound: far fewer pumps than the second of the logo.
      EXPECT_LT(fake.pumps - start, 500);
    }
    EXPECT_TRUE(hooks.Hooks().empty());
    // The game picture was kept before the logo drew.
    EXPECT_EQ(*saved.Pixel32(10, 10), 0xFF102030u);
  }
}

TEST_F(BlandLogoTest, WithoutItsPictureTheLogoEndsAtOnce) {
  FillShown(0xFF102030);
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(Sounds().empty());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(ShownAt(10, 10), 0xFF102030u);
  EXPECT_LT(fake.pumps, 5);
}

}  // namespace
