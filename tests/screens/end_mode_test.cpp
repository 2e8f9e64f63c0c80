// The ending list: which rows show their ending, the page's way in and out,
// and a missing page picture.
#include "screens/end_mode.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/value_node.h"
#include "graphics/blit.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

class EndModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    MakePage();
  }
  void MakePage() {
    MakePicture("endm_bk.bmp", Bands(24, 1024, {{600, 0xFFF0F0F0}}));
  }
  int Run() {
    const int r = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved), &keys, &globals);
    screen.LeaveHookList();
    return r;
  }
  // Runs the screen: once the list waits, the presented picture is kept
  // and Enter leaves.
  std::vector<std::uint32_t> Snapshot() {
    std::vector<std::uint32_t> shot;
    std::vector<Step> s;
    // The list is in when the page shows at full strength (every fade
    // step darkens it).
    s.push_back({[this] { return (ShownAt(600, 400) & 0xFFFFFF) == 0xF0F0F0 && Later(2)(); },
                 [this, &shot] { shot.assign(Shown(), Shown() + 1024 * 600); }});
    AddKey(s, Later(1), pl::DIK_RETURN);
    Play(std::move(s));
    lastResult = Run();
    EXPECT_TRUE(AllPlayed());
    return shot;
  }
  static std::vector<std::uint32_t> RowOf(const std::vector<std::uint32_t>& shot, int row) {
    const LayoutButton& r = EndingListLayout[row];
    std::vector<std::uint32_t> out;
    for (int y = r.y; y <= r.y + r.h; ++y) {
      for (int x = r.x; x < r.x + r.w; ++x) out.push_back(shot[static_cast<size_t>(y) * 1024 + x]);
    }
    return out;
  }

  CEndMode screen;
  ValueList globals;
  CBuffer saved;
  int lastResult = -2;
};

TEST_F(EndModeTest, OnlyReachedEndingsShowTheirNameWhateverTheCaseOfTheFlag) {
  FillShown(kPage);
  const std::vector<std::uint32_t> none = Snapshot();
  globals.AddInt("END03", 1);   // row 2, by another case
  globals.AddText("end01", "1");  // text, not the integer 1
  globals.AddInt("end02", 2);     // another integer
  const std::vector<std::uint32_t> some = Snapshot();
  ASSERT_FALSE(none.empty());
  ASSERT_FALSE(some.empty());
  for (int row = 0; row < 6; ++row) {
    const bool same = RowOf(none, row) == RowOf(some, row);
    EXPECT_EQ(same, row != 2) << "row " << row;
  }
  // Every row has its frame and some text: nothing is left blank.
  for (int row = 0; row < 6; ++row) {
    const LayoutButton& r = EndingListLayout[row];
    EXPECT_EQ(none[static_cast<size_t>(r.y + 2) * 1024 + r.x] & 0xFFFFFF, 0u) << "left frame line of row " << row;
    int ink = 0;
    for (std::uint32_t p : RowOf(none, row)) ink += (p & 0xFFFFFF) < 0x404040 ? 1 : 0;
    EXPECT_GT(ink, r.h + r.w + 20) << "text in row " << row;
  }
}

TEST_F(EndModeTest, LeavingPutsTheGamePictureBack) {
  FillShown(kPage);
  EXPECT_FALSE(Snapshot().empty());
  EXPECT_EQ(lastResult, 0);
  EXPECT_EQ(ShownAt(10, 10), kPage);
  EXPECT_EQ(ShownAt(500, 300), kPage);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(EndModeTest, WithoutItsPagePictureTheScreenEndsAtOnce) {
  ASSERT_EQ(kvtest::RunCommand("rm " + dir / "grp/endm_bk.bmp"), 0);
  FillShown(kPage);
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(ShownAt(500, 300), kPage);
}

}  // namespace
