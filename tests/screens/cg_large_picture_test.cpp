// The CG gallery shows the pictures a script can show: an animated CG of
// twelve full-screen frames, a file of more than 16 MB, opens in the viewer
// and steps through its frames, and the gallery ends normally afterwards.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/value_node.h"
#include "framework/byte_io.h"
#include "graphics/blend_table.h"
#include "screens/cg_mode.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kSheet = 0xFFC08040;
constexpr std::uint32_t kLocked = 0xFFE0E0E0;
constexpr int kFrames = 12;

std::uint32_t FrameColour(int f) {
  return 0xFF008000u | static_cast<std::uint32_t>(0x10 + 0x12 * f) << 16 | static_cast<std::uint32_t>(0xF0 - 0x10 * f);
}

class CGLargePicture : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    ASSERT_EQ(backdrop.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    MakePicture("cgm_bk0.bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("cgm_cp.abm", Bands(32, 564, {{440, kTabs}, {144, kNormal}}));
    MakePicture("cgm000.bmp", Bands(24, 576, {{339, kSheet}}));
    MakePicture("cgm_no.abm", Bands(32, 192, {{113, kLocked}}));
    pl::SetCursorPos(pl::ClientToScreen(window, {0, 0}));
  }
  // One record "name" in group `group`, and the counts.
  void List(const std::string& name, int group) {
    std::uint8_t r[48 + 8] = {};
    std::memcpy(r, name.data(), name.size());
    byteio::PutLE32(r + 36, static_cast<std::uint32_t>(group));
    byteio::PutLE32(r + 48, 1);
    byteio::PutLE32(r + 52, 1);
    ASSERT_TRUE(kvtest::WriteFile(dir / "cglist00.dat", std::string(reinterpret_cast<const char*>(r), sizeof r)));
  }
  static const BlendTables* Tables() {
    static const std::unique_ptr<BlendTables> tables = MakeBlendTables();
    return tables.get();
  }

  CCGMode screen;
  ValueList globals;
  CBuffer saved, backdrop;
};

TEST_F(CGLargePicture, ALargeAnimatedCGOpensInTheViewerAndAnimates) {
  // Frame 0 is stored raw, the others coded: twelve frames of 1024 x 600.
  std::string recipe = "variant 1\nsize 1024 600\n";
  for (int f = 0; f < kFrames; ++f) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", FrameColour(f));
    recipe += "frame\n";
    recipe += "fill 614400 " + std::string(hex) + "\n";
  }
  recipe += "seq 0";
  for (int f = 0; f < kFrames; ++f) recipe += " " + std::to_string(f);
  recipe += "\n";
  MakePicture("ev01.abm", recipe);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "grp/ev01.abm").c_str(), &st), 0);
  ASSERT_GT(st.st_size, 16 << 20) << "the picture must be a large one";

  List("ev01", 90);
  globals.AddInt("ev01", 1);
  std::set<int> framesSeen;
  const pl::Point slot = LayoutCenter(CGButtonLayout[kCGFirstSlot]);
  std::vector<Step> s;
  AddClick(s, [this] { return screen.m_bLoop == 1 && Near(ShownAt(100, 20), kPage) && Later(2)(); }, slot);
  // The viewer's animation runs on its step time: wait until several
  // frames have been on the screen.
  s.push_back({[&] { return framesSeen.size() >= 4; }, [] {}});
  AddKey(s, Later(1), pl::DIK_SPACE);
  s.push_back({[this] { return screen.m_nViewEnd == 2 && Near(ShownAt(100, 20), kPage) && Later(3)(); }, [] {}});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  auto inner = fake.onPump;
  fake.onPump = [&](int p) {
    for (int f = 0; f < kFrames; ++f) {
      if (Near(ShownAt(500, 300), FrameColour(f))) framesSeen.insert(f);
    }
    inner(p);
  };
  screen.m_pBlendTable = Tables();
  const int result = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                                DescribeBuffer(backdrop), &keys, &globals);
  screen.LeaveHookList();
  EXPECT_EQ(result, 0) << "the gallery ended normally";
  EXPECT_TRUE(AllPlayed());
  EXPECT_GE(framesSeen.size(), 4u) << "the frames were shown one after the other";
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
