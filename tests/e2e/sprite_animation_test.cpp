// An animated sprite in the running game keeps the pace of its sequence
// through the ticks it stands still: a picture of every animated kind
// whose sequence holds its first frame for five positions and shows the
// second for one comes up on the screen as a red flash of one render tick
// every six ticks, flash after flash, and nothing else on the scene moves.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/scene_script_fixture.h"

namespace {

using kvtest::ScreenPicture;
using kvtest::Texts;

constexpr std::uint32_t kTickMs = 33;  // the render tick
constexpr int kHold = 6;               // positions of the sequence: five blue, one red
constexpr int kX = 200, kY = 150;      // where the 32 x 32 picture stands

struct Case {
  const char* what;
  const char* recipe;
};
const Case kCases[] = {
    {"kind 1 frames over a raw first frame",
     "variant 1\nsize 32 32\nframe\nfill 1024 FF0000FF\nframe\nfill 1024 FFFF0000\nseq 0 0 0 0 0 0 1\n"},
    {"kind 2 a group over the base",
     "variant 2\nsize 32 32\npart 0 0 32 32 0\nfill 1024 FF0000FF\npart 0 0 32 32 1\nfill 1024 FFFF0000\n"
     "seq 0 0\nseq 0 0 0 0 0 0 1\n"},
    {"kind 3 whole frames",
     "variant 3\nsize 32 32\nframe\nfill 1024 FF0000FF\nframe\nfill 1024 FFFF0000\nseq 0 0 0 0 0 0 1\n"},
};

struct SpriteAnimation : kvtest::SceneScript, ::testing::WithParamInterface<Case> {};

TEST_P(SpriteAnimation, AFlashOfOneTickEverySixTicks) {
  MakeBackground("bg.bmp", "FF646464");
  MakePicture("anim.abm", GetParam().recipe);
  startScript = Script({"var(%shown)", "spr(3)", "bgon(\"bg\",0,0)",
                        "chon(1,\"anim\"," + std::to_string(kX) + "," + std::to_string(kY) + ",0,0)", "ud(0)",
                        "wait(300)", "%shown=1"});
  enum Look { kNone, kBlue, kRed };
  auto lookAt = [](const ScreenPicture& pic) {
    const std::uint32_t p = pic.Rgb(kX + 16, kY + 16);
    if (ScreenPicture::R(p) > 200 && ScreenPicture::G(p) < 60 && ScreenPicture::B(p) < 60) return kRed;
    if (ScreenPicture::B(p) > 200 && ScreenPicture::R(p) < 60 && ScreenPicture::G(p) < 60) return kBlue;
    return kNone;
  };
  std::vector<std::uint32_t> flashes;  // when each red flash came up
  std::vector<std::uint32_t> lengths;  // how long each stayed
  Look last = kNone;
  std::uint32_t start = 0, lastChange = 0;
  int otherLooks = 0, elsewhere = 0;
  ScreenPicture first;
  onPump = [&](int) {
    if (Var("shown") != 1 || !NewFramePresented()) return;
    const std::uint32_t now = fake.manualClock().TickMs();
    if (start == 0) start = now;
    const ScreenPicture pic = Presented();
    if (pic.Empty()) return;
    if (first.Empty()) first = pic;
    // Away from the picture the scene stays as it first came.
    for (int y = 0; y < ScreenPicture::kH; y += 7)
      for (int x = 0; x < ScreenPicture::kW; x += 7) {
        const bool inPicture = x >= kX && x < kX + 32 && y >= kY && y < kY + 32;
        if (!inPicture && pic.Rgb(x, y) != first.Rgb(x, y)) ++elsewhere;
      }
    const Look look = lookAt(pic);
    if (look == kNone) ++otherLooks;
    if (look == kRed && last != kRed) flashes.push_back(now);
    if (look == kBlue && last == kRed) lengths.push_back(now - lastChange);
    if (look != last) lastChange = now;
    last = look;
    if (now - start > 3000) QuitYes();
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
  EXPECT_EQ(otherLooks, 0) << "the picture shows one of its two frames";
  EXPECT_EQ(elsewhere, 0) << "nothing else on the scene changed";
  // Three seconds hold fifteen flashes of six ticks.
  ASSERT_GE(flashes.size(), 13u);
  EXPECT_LE(flashes.size(), 16u);
  for (std::size_t i = 1; i < flashes.size(); ++i) {
    const std::uint32_t gap = flashes[i] - flashes[i - 1];
    EXPECT_GE(gap, (kHold - 1) * kTickMs + kTickMs / 2) << "flash " << i;
    EXPECT_LE(gap, (kHold + 1) * kTickMs - kTickMs / 2) << "flash " << i;
  }
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    EXPECT_GE(lengths[i], kTickMs / 2) << "flash " << i;
    EXPECT_LE(lengths[i], kTickMs + kTickMs / 2) << "flash " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpriteAnimation, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return kvtest::CaseName(i.param.what); });

}  // namespace
