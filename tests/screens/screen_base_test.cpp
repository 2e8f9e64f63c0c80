#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/arc.h"
#include "graphics/pixel_buffer.h"
#include "screens/screen_base.h"
#include "tests/screens/screen_harness.h"

namespace {

using screentest::ScreenHarness;

TEST(LayoutHitTest, EdgesAreInsideAndTheFirstRecordWins) {
  const LayoutButton table[] = {
      {10, 10, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {25, 15, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // overlaps the first
  };
  struct Case {
    pl::Point pt;
    int expect;
  };
  const Case cases[] = {
      {{10, 10}, 0}, {{30, 20}, 0},  {{9, 10}, kNoItem}, {{10, 21}, kNoItem}, {{28, 18}, 0},
      {{31, 18}, 1}, {{45, 25}, 1},  {{46, 25}, kNoItem}, {{0, 0}, kNoItem},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitTestLayout(table, 2, c.pt), c.expect) << c.pt.x << "," << c.pt.y;
  }
  EXPECT_EQ(LayoutCenter(table[1]).x, 35);
  EXPECT_EQ(LayoutCenter(table[1]).y, 20);
}

// A screen that records which key slot ran and then leaves.
class ProbeScreen : public IProgMode {
 public:
  void Enter() override {
    m_bLoop = 1;
    m_nResult = 7;
  }
  void Update() override { ++updates; }
  void OnDecide() override { Hit("decide"); }
  void OnCancel() override { Hit("cancel"); }
  void OnUp() override { Hit("up"); }
  void OnDown() override { Hit("down"); }
  void OnLeft() override { Hit("left"); }
  void OnRight() override { Hit("right"); }
  void OnSkip() override { Hit("skip"); }
  void Hit(const char* what) {
    calls.push_back(what);
    m_bLoop = 0;
  }
  std::vector<std::string> calls;
  int updates = 0;
};

class ScreenLoopTest : public ScreenHarness {
 protected:
  int RunProbe(ProbeScreen& s) {
    if (!s.BeginRun(window, DescribeScreen(GetPresentedScreen()), &keys, &hooks)) return -1;
    const int r = s.Execute();
    s.LeaveHookList();
    return r;
  }
};

TEST_F(ScreenLoopTest, OnlyTheFirstKeyDownInTheLoopsOrderIsServed) {
  struct Case {
    std::vector<int> held;
    const char* expect;  // null: no slot runs (the window is closed to end)
  };
  const Case cases[] = {
      {{pl::DIK_UP, pl::DIK_SPACE}, "cancel"},
      {{pl::DIK_LCONTROL, pl::DIK_DOWN}, "down"},
      {{pl::DIK_RIGHT, pl::DIK_LEFT}, "left"},
      {{pl::DIK_LCONTROL, pl::DIK_RIGHT}, "right"},
      {{pl::DIK_LCONTROL}, "skip"},
      {{pl::DIK_RETURN, pl::DIK_SPACE, pl::DIK_UP}, "decide"},
      {{pl::DIK_LSHIFT, pl::DIK_PRIOR}, nullptr},
  };
  for (const Case& c : cases) {
    ProbeScreen s;
    std::vector<Step> list;
    // All keys go down in the same pump.
    list.push_back({Later(0), [this, &c] {
                      for (int code : c.held) fake.InjectKey(code, true);
                    }});
    list.push_back({Later(30), [this] { fake.InjectClose(); }});
    Play(std::move(list));
    const int r = RunProbe(s);
    for (int code : c.held) fake.InjectKey(code, false);
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
    if (c.expect) {
      ASSERT_EQ(s.calls.size(), 1u) << c.expect;
      EXPECT_EQ(s.calls[0], c.expect);
      EXPECT_EQ(r, 7);
      EXPECT_EQ(s.m_bClosed, 0);
    } else {
      EXPECT_TRUE(s.calls.empty());
      EXPECT_EQ(r, -1);
      EXPECT_GT(s.updates, 5);
    }
  }
}

TEST_F(ScreenLoopTest, AClosedWindowEndsTheScreenAndEveryLaterRun) {
  ProbeScreen s;
  Play({{Later(5), [this] { fake.InjectClose(); }}});
  EXPECT_EQ(RunProbe(s), -1);
  EXPECT_EQ(s.m_bClosed, 1);
  EXPECT_EQ(s.m_bLoop, 0);
  // The screen is out of the hook list; a later run does not start.
  EXPECT_TRUE(hooks.Hooks().empty());
  EXPECT_FALSE(s.BeginRun(window, DescribeScreen(GetPresentedScreen()), &keys, &hooks));
  EXPECT_EQ(s.m_nResult, -1);
  EXPECT_TRUE(hooks.Hooks().empty());
}

// A termination signal destroys the window without a close request: the
// screen must end all the same instead of pumping a window that is gone.
TEST_F(ScreenLoopTest, TheWindowGoingEndsTheScreen) {
  ProbeScreen s;
  Play({{Later(5), [this] { pl::DestroyWindow(window); }}});
  EXPECT_EQ(RunProbe(s), -1);
  EXPECT_EQ(s.m_bClosed, 1);
  EXPECT_EQ(s.m_bLoop, 0);
}

TEST_F(ScreenLoopTest, KeyReleaseWaitPumpsUntilTheKeyIsUp) {
  ProbeScreen s;
  ASSERT_TRUE(s.BeginRun(window, DescribeScreen(GetPresentedScreen()), &keys, &hooks));
  s.m_bLoop = 1;
  fake.InjectKey(pl::DIK_UP, true);
  Play({{Later(0), [] {}}, {Later(20), [this] { fake.InjectKey(pl::DIK_UP, false); }}});
  const int before = fake.pumps;
  s.PumpAndPace();
  WaitKeyRelease(s, KEY_UP);
  EXPECT_GE(fake.pumps - before, 20);
  EXPECT_EQ(keys.CheckKey(KEY_UP), 0);
  // A loop that ended stops the wait at once, the key still down.
  fake.InjectKey(pl::DIK_DOWN, true);
  s.PumpAndPace();
  s.m_bLoop = 0;
  const int at = fake.pumps;
  WaitKeyRelease(s, KEY_DOWN);
  EXPECT_LE(fake.pumps - at, 1);
  s.LeaveHookList();
}

// ------------------------------------------------------------ pictures

class ScreenPictureTest : public ScreenHarness {
 protected:
  void Pack(const std::string& members) {
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("aospack") + " " + dir / "GRP.AOS" + " " + members), 0);
    ASSERT_EQ(arc.Open("K:\\GRP.AOS"), 1);
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string p = dir / ("src/" + name);
    EXPECT_TRUE(kvtest::WriteFile(p, bytes));
    return p;
  }
  CArc arc;
};

TEST_F(ScreenPictureTest, LooseFileArchiveAndPackedForm) {
  const std::string packedSrc = Put("d.raw", "EXPANDED-PICTURE-BYTES");
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " encode " + packedSrc + " " + dir / "src/d.dat"), 0);
  Pack("a.abm=" + Put("a1", "ARCH-A") + " b.abm=" + Put("b1", "ARCH-B") + " c.abm=" + Put("c1", "ARCH-C") +
       " d.dat=" + dir / "src/d.dat");
  ASSERT_TRUE(kvtest::WriteFile(dir / "grp/a.abm", "LOOSE-A"));
  ASSERT_TRUE(kvtest::WriteFile(dir / "grp/b.abm", ""));
  ASSERT_TRUE(kvtest::WriteFile(dir / "grp/e.abm", "LOOSE-E"));
  struct Case {
    const char* name;
    bool found;
    const char* bytes;
  };
  const Case cases[] = {
      {"a.abm", true, "LOOSE-A"},                 // the loose file wins
      {"A.ABM", true, "LOOSE-A"},                 // names without regard to case
      {"b.abm", false, ""},                       // a loose file of 0 bytes gives nothing
      {"c.abm", true, "ARCH-C"},                  // the archive
      {"d.abm", true, "EXPANDED-PICTURE-BYTES"},  // its packed form, expanded
      {"e.abm", true, "LOOSE-E"},
      {"f.abm", false, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> out;
    EXPECT_EQ(LoadGraphicData(c.name, &arc, &out), c.found) << c.name;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.bytes) << c.name;
  }
  std::vector<std::uint8_t> out;
  EXPECT_FALSE(LoadGraphicData("c.abm", nullptr, &out));
}

TEST_F(ScreenPictureTest, BitmapsOfBothDepthsArriveTopDownKeepingTheFourthByte) {
  MakePicture("p24.bmp", Bands(24, 3, {{1, 0xFF102030}, {1, 0xFF405060}}));
  MakePicture("p8.bmp", "variant 8\nsize 3 2\npalette 1 10 20 30\npalette 2 40 50 60\n"
                        "idx 1:255 2:255 1:255 2:255 2:255 0:255\n");
  struct Case {
    const char* name;
    std::uint32_t expect[6];  // the 3 x 2 pixels, fourth byte 0xAB kept
  };
  const Case cases[] = {
      {"p24.bmp", {0xAB102030, 0xAB102030, 0xAB102030, 0xAB405060, 0xAB405060, 0xAB405060}},
      {"p8.bmp", {0xAB1E140A, 0xAB3C3228, 0xAB1E140A, 0xAB3C3228, 0xAB3C3228, 0xAB000000}},
  };
  for (const Case& c : cases) {
    CBuffer target;
    ASSERT_EQ(target.Create(1, 4, 3, nullptr), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) *target.Pixel32(x, y) = 0xABFFFFFF;
    ASSERT_EQ(LoadBitmapToBuffer(c.name, nullptr, target), 1) << c.name;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(*target.Pixel32(i % 3, i / 3), c.expect[i]) << c.name << " " << i;
    // Beyond the picture nothing changes.
    EXPECT_EQ(*target.Pixel32(3, 0), 0xABFFFFFFu);
    EXPECT_EQ(*target.Pixel32(0, 2), 0xABFFFFFFu);
  }
  CBuffer target;
  ASSERT_EQ(target.Create(1, 4, 4, nullptr), 0);
  EXPECT_EQ(LoadBitmapToBuffer("none.bmp", nullptr, target), 0);
  EXPECT_EQ(LoadAbmToBuffer("none.abm", nullptr, target), 0);
}

TEST_F(ScreenPictureTest, ABitmapShorterThanItsRowsIsReadAsFarAsItGoes) {
  MakePicture("cut.bmp", Bands(24, 2, {{2, 0xFF112233}}) + "cut 60\n");
  CBuffer target;
  ASSERT_EQ(target.Create(1, 2, 2, nullptr), 0);
  EXPECT_EQ(LoadBitmapToBuffer("cut.bmp", nullptr, target), 1);
  // Rows are stored bottom-up: the 6 bytes after the headers are the
  // bottom row, the top row is missing.
  EXPECT_EQ(*target.Pixel32(0, 1), 0x00112233u);
  EXPECT_EQ(*target.Pixel32(1, 1), 0x00112233u);
  EXPECT_EQ(*target.Pixel32(0, 0), 0u);
}

// ------------------------------------------------------------ voice cues

std::vector<std::string>& Played() {
  static std::vector<std::string> played;
  return played;
}
int RecordPlay(int mode, const char* name, const char* kind, int index) {
  Played().push_back(std::to_string(mode) + ":" + name + ":" + kind + ":" + std::to_string(index));
  return 1;
}

TEST_F(ScreenLoopTest, VoiceCuesPlayOnlyWhenTheyMay) {
  SetScreenSoundPlayer(&RecordPlay);
  ProbeScreen s;
  ASSERT_TRUE(s.BeginRun(window, DescribeScreen(GetPresentedScreen()), &keys, &hooks));
  struct Case {
    const char* name;
    bool ctrl;
    int loop;
    bool plays;
  };
  const Case cases[] = {
      {"aa3949", false, 1, true}, {"NONFILE", false, 1, false}, {"nonfile", false, 1, false},
      {"aa3949", true, 1, false}, {"aa3949", false, 0, false},
  };
  for (const Case& c : cases) {
    Played().clear();
    fake.InjectKey(pl::DIK_LCONTROL, c.ctrl);
    s.m_bLoop = 1;
    s.PumpAndPace();
    s.m_bLoop = c.loop;
    EXPECT_EQ(PlayVoiceCue(s, c.name), c.plays ? 1 : 0) << c.name;
    if (c.plays) {
      EXPECT_EQ(Played(), std::vector<std::string>{std::string("0:") + c.name + ":se:0"});
    } else {
      EXPECT_TRUE(Played().empty()) << c.name;
    }
  }
  SetScreenSoundPlayer(nullptr);
  s.LeaveHookList();
}

}  // namespace
