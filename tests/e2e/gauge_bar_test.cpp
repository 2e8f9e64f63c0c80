// A gauge's bar is drawn over the scene under it: showing it again at the
// same value changes nothing, a lower value shortens it, `ggoff` takes it
// off the screen, a bar that fills over a time ends at its value, and the
// per-tick recomposition of an animated scene keeps a shown bar.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/scene_script_fixture.h"

namespace {

using kvtest::ScreenPicture;
using kvtest::Texts;

constexpr std::uint32_t kGrey = 0x646464;
// 50 % of the colour (200, 0, 0) over the grey: (200, 100, 100).
constexpr std::uint32_t kBar = 0xC86464;

struct GaugeBar : kvtest::SceneScript {};

TEST_F(GaugeBar, TheBarFollowsItsValueAndLeavesWithGgoff) {
  MakeBackground("bg.bmp", "FF646464");
  MakePicture("anim.abm", "variant 1\nsize 4 4\nframe\nfill 16 FF00FF00\nframe\nfill 16 FF0000FF\nseq 0 0 1\n");
  struct Case {
    const char* what;
    bool animated;  // an animated sprite makes the scene recompose every tick
  };
  const Case cases[] = {{"a still scene", false}, {"an animated scene", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> lines = {"var(%step)", "spr(3)", "bgon(\"bg\",0,0)"};
    if (c.animated) lines.push_back("chon(2,\"anim\",800,400,0,0)");
    const std::vector<std::string> rest = {
        "ud(0)",        "gg(1)",           "gg(0,2,100,200)", "gg(0,1,200,10)",   "gg(0,4,100)",
        "gg(0,7,50)",   "gg(0,3,50)",      "gg(0,6,0xC80000)", "ggon(0,0)",       "%step=1",
        "wait(500)",    "ggon(0,0)",       "%step=2",          "wait(500)",       "gg(0,7,25)",
        "ggon(0,0)",    "%step=3",         "wait(500)",        "ggoff(0)",        "%step=4",
        "wait(500)",    "ggon(0,400)",     "%step=5",          "wait(1000)",      "%step=6"};
    lines.insert(lines.end(), rest.begin(), rest.end());
    startScript = Script(lines);
    // Per step: the pixels at x 110, 160 and 250 of the bar's row 205.
    std::map<int, std::vector<std::uint32_t>> seen;
    int step = 0;
    std::uint32_t stepTick = 0;
    onPump = [&](int) {
      const int now = Var("step");
      const std::uint32_t tick = fake.manualClock().TickMs();
      if (now != step) {
        step = now;
        stepTick = tick;
      }
      if (step >= 1 && step <= 5 && !seen.count(step) && tick - stepTick >= (step == 5 ? 700u : 300u)) {
        const ScreenPicture pic = Presented();
        if (pic.Empty()) return;
        seen[step] = {pic.Rgb(110, 205), pic.Rgb(160, 205), pic.Rgb(250, 205)};
      }
      if (step == 6) {
        step = 7;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
    using Row = std::vector<std::uint32_t>;
    EXPECT_EQ(seen[1], (Row{kBar, kBar, kGrey})) << "value 50 of 100: 100 of the 200 pixels";
    EXPECT_EQ(seen[2], (Row{kBar, kBar, kGrey})) << "shown again: not brighter";
    EXPECT_EQ(seen[3], (Row{kBar, kGrey, kGrey})) << "value 25: 50 pixels";
    EXPECT_EQ(seen[4], (Row{kGrey, kGrey, kGrey})) << "ggoff: gone";
    EXPECT_EQ(seen[5], (Row{kBar, kGrey, kGrey})) << "filled over 400 ms to its value";
  }
}

}  // namespace
