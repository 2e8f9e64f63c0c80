// The spin effect (`ef` 30) turns the sprite's picture at the place the
// command gives (moved by the sprite's alignment), not where the sprite
// stood, and turns it one way for a direction of 0 and the other way for
// any other value; at its end the sprite is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/pending.h"
#include "tests/e2e/scene_script_fixture.h"

namespace {

using kvtest::ScreenPicture;
using kvtest::Texts;

bool Red(std::uint32_t p) { return ScreenPicture::R(p) > 150 && ScreenPicture::G(p) < 80 && ScreenPicture::B(p) < 80; }
bool Blue(std::uint32_t p) { return ScreenPicture::B(p) > 150 && ScreenPicture::R(p) < 80 && ScreenPicture::G(p) < 80; }

// The 60 x 60 picture: its left half red, its right half blue.
constexpr int kSide = 60;

struct Case {
  const char* what;
  int align;
  const char* line;
  int boxX, boxY;  // where the turning picture's square lies
  int side;        // -1: the red half turns up, +1: down
};
const Case kCases[] = {
    {"direction 0 (time 1000)", 0, "ef(1,30,600,300,0,0)", 600, 300, +1},
    {"direction 900 (time 900)", 0, "ef(1,30,600,300,0,900)", 600, 300, -1},
    {"alignment 1 moves the place by half the width", 1, "ef(1,30,570,300,0,900)", 600, 300, -1},
};

struct Spin : kvtest::SceneScript, ::testing::WithParamInterface<Case> {};

TEST_P(Spin, TheSpriteTurnsAtTheGivenPlaceInTheGivenDirection) {
  const Case& c = GetParam();
  MakeBackground("bg.bmp", "FF646464");
  std::string half;
  for (int y = 0; y < kSide; ++y) half += "fill 30 FFFF0000\nfill 30 FF0000FF\n";
  MakePicture("sq.abm", "variant 32\nsize 60 60\n" + half);
  startScript = Script({"var(%done)", "spr(3)", "ch(1,6," + std::to_string(c.align) + ")", "bgon(\"bg\",0,0)",
                        "chon(1,\"sq\",100,100,0,0)", "ud(0)", c.line, "%done=1"});
  int frames = 0, turnedFrames = 0, leftBehind = 0;
  long long sideSum = 0;
  int doneAt = -1;
  int endRed = -1;
  onPump = [&](int count) {
    if (doneAt < 0 && Var("done") == 1) doneAt = count;
    const bool newFrame = NewFramePresented();
    // From the second render tick of the spin on (the first may not have
    // been presented yet).
    const PendingOp& op = Scene().m_Ops[0];
    if (doneAt < 0 && newFrame && op.code == 64 && fake.manualClock().TickMs() - static_cast<std::uint32_t>(op.p[4]) > 70) {
      const ScreenPicture pic = Presented();
      if (pic.Empty()) return;
      ++frames;
      // Nothing of the picture where the sprite stood (the square at
      // 100, 100 lies apart from the box).
      for (int y = 100; y < 100 + kSide; ++y)
        for (int x = 100; x < 100 + kSide; ++x) leftBehind += Red(pic.Rgb(x, y)) || Blue(pic.Rgb(x, y)) ? 1 : 0;
      long long redY = 0, reds = 0, blues = 0;
      for (int y = c.boxY; y < c.boxY + kSide; ++y) {
        for (int x = c.boxX; x < c.boxX + kSide; ++x) {
          if (Red(pic.Rgb(x, y))) {
            redY += y;
            ++reds;
          }
          if (Blue(pic.Rgb(x, y))) ++blues;
        }
      }
      if (reds > 200 && blues > 200) {
        ++turnedFrames;
        const long long centre = c.boxY + kSide / 2;
        sideSum += redY / reds - centre;
      }
    }
    if (doneAt >= 0 && count == doneAt + 10) {
      const ScreenPicture pic = Presented();
      endRed = 0;
      for (int y = 0; y < ScreenPicture::kH; ++y)
        for (int x = 0; x < ScreenPicture::kW; ++x) endRed += Red(pic.Rgb(x, y)) ? 1 : 0;
      QuitYes();
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
  EXPECT_GT(frames, 5) << "the spin ran over several frames";
  EXPECT_GT(turnedFrames, 3) << "the turning picture showed at the given place";
  EXPECT_EQ(leftBehind, 0) << "nothing was drawn where the sprite stood";
  EXPECT_EQ(sideSum > 0 ? 1 : sideSum < 0 ? -1 : 0, c.side) << "the red half's offset, summed: " << sideSum;
  EXPECT_EQ(endRed, 0) << "the sprite is gone at the end";
}

INSTANTIATE_TEST_SUITE_P(Cases, Spin, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return kvtest::CaseName(i.param.what); });

}  // namespace
