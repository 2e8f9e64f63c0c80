// The screen-effect commands driven through scripts: the operation each
// fills in the pending table with its parameters, the windows they hide
// or keep, the wait they start, the colour tone and the sprite-kind query.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/blit.h"
#include "scene/pending.h"
#include "tests/scene/effects_harness.h"

namespace {

using kvtest::EffectsTest;
using Strings = std::vector<std::string>;

class EffectCommandsTest : public EffectsTest {
 protected:
  // Sprite 1: a 200 x 50 picture at (300, 100) with the alignment.
  void Character(int align) {
    Solid(Sprite(1), "c", 200, 50, 0x00FF0000);
    Sprite(1).m_nX = 300;
    Sprite(1).m_nY = 100;
    Sprite(1).m_nAlign = static_cast<std::uint8_t>(align);
  }
  std::vector<std::int32_t> Op(int entry = 0) {
    const PendingOp& op = Scene().m_Ops[entry];
    std::vector<std::int32_t> v{op.code};
    v.insert(v.end(), op.p, op.p + 8);
    return v;
  }
};

TEST_F(EffectCommandsTest, EfFillsTheOperationOfEachKind) {
  Picture("n", 100, 40);
  const std::int32_t t = 100000;  // the clock when the command runs
  struct Case {
    const char* line;
    int align;
    std::vector<std::int32_t> op;  // code, p1 .. p8
  } cases[] = {
      {"ef(1,1,40,60,100,500)", 0, {39, 1, 40, 60, 100, 500, t, 0, 0}},
      {"ef(1,2,40,60,100,500)", 1, {40, 1, -60, 60, 100, 500, t, 0, 0}},
      {"ef(1,4,40,60,100,500)", 2, {42, 1, -160, 60, 100, 500, t, 0, 0}},
      {"ef(1,5,40,60,0,500)", 0, {43, 1, 300, 100, -260, -40, 500, t, 0}},
      {"ef(1,7,400,60,0,500)", 1, {45, 1, 300, 100, 0, -40, 500, t, 0}},
      {"ef(1,6,40,60,\"n\",500,20,30)", 0, {44, 1, 20, 30, 20, 30, 500, t, 0}},
      {"ef(1,8,40,60,\"n\",500,25)", 0, {46, 1, 40, 60, 25, 0, 500, t, 0}},
      {"ef(1,9,0,0,0,500,25)", 0, {47, 1, 300, 100, 25, 0, 500, t, 0}},
      {"ef(1,11)", 0, {48, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(-1,12)", 0, {49, -1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(1,16)", 0, {50, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(1,17)", 0, {51, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(-1,18,10,20,330,400)", 0, {52, -1, 10, 20, 10, 400, t, 0, 0}},
      {"ef(1,19,10,20,100,400)", 0, {53, 1, 10, 20, 3, 400, t, 0, 0}},
      {"ef(-1,20)", 0, {54, -1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(1,28)", 0, {62, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"ef(-1,29,4,4,66,300)", 0, {63, -1, 4, 4, 2, 300, t, 0, 0}},
      {"ef(1,30,40,60,0,700)", 1, {64, 1, 140, 60, 700, t, 700, 0, 0}},
      {"ef(1,30,40,60,0,0,1)", 2, {64, 1, 240, 60, 1000, t, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RunWith({});
    Character(c.align);
    More({c.line});
    EXPECT_EQ(Op(), c.op) << c.line;
    EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION) << c.line;
    EXPECT_EQ(eng.m_bSaveEnabled, 0) << c.line;
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(EffectCommandsTest, EfTimeZeroRunsASecondAndTheWindowsFollowTheKind) {
  struct Case {
    const char* line;
    int windowState;
    int rebuild;
  } cases[] = {
      {"ef(1,1,0,0,10,0)", 2, 1}, {"ef(1,11,0,0,0,0)", 1, 0}, {"ef(-1,19,1,1,99,0)", 1, 0},
      {"ef(-1,29,1,1,99,0)", 1, 0}, {"ef(-1,20,0,0,0,0)", 2, 1}, {"ef(1,30,0,0,0,0)", 2, 1},
  };
  for (const Case& c : cases) {
    RunWith({});
    Character(0);
    Window().m_nState = 1;
    Presentation().m_bLayersNeedRebuild = 0;
    More({c.line});
    EXPECT_EQ(Window().m_nState, c.windowState) << c.line;
    EXPECT_EQ(Presentation().m_bLayersNeedRebuild, c.rebuild) << c.line;
  }
  RunWith({});
  Character(0);
  More({"ef(1,5,0,0,0,0)"});
  EXPECT_EQ(Scene().m_Ops[0].p[5], 1000);
}

TEST_F(EffectCommandsTest, EfUnknownKindOrBadSpriteStartsNoWait) {
  RunWith({});
  Character(0);
  eng.m_bSaveEnabled = 1;
  Window().m_nState = 1;
  // An unknown kind only hides the windows: nothing would end a wait.
  More({"ef(1,10,0,0,0,0)"});
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  EXPECT_EQ(Window().m_nState, 2);
  EXPECT_EQ(Scene().m_nPendingState, 2u);  // the script ran on to its closing wait
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  More({"ef(9,1,0,0,10,0)", "ef(-1,5,0,0,0,0)", "ef(7,11)"});
  EXPECT_EQ(TakeBoxes(), Strings(3, "デバッグ:ef コマンドのスプライト指定が間違っています。"));
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
}

TEST_F(EffectCommandsTest, TheSaveLockKeepsTheSaveSwitches) {
  RunWith({});
  Character(0);
  eng.m_nMode = 1;
  eng.m_bSaveEnabled = 1;
  eng.m_bLoadEnabled = 1;
  More({"ef(1,1,0,0,10,100)"});
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  eng.m_nMode = 0;
}

TEST_F(EffectCommandsTest, EfexGroupsParallelMovesUnderOneMainOperation) {
  Picture("n", 100, 40);
  RunWith({});
  Character(1);
  Solid(Sprite(2), "d", 60, 60, 0x0000FF00);
  Sprite(2).m_nX = 10;
  Sprite(2).m_nY = 20;
  Window().m_nState = 1;
  More({"efex(1,11,500,90)", "efex(2,13,70,80)", "efex(3,12,0,0,\"n\",5,6)"});
  EXPECT_EQ(Op(1), (std::vector<std::int32_t>{68, 1, 300, 100, 400, 90, 0, 0, 0}));
  EXPECT_EQ(Op(2), (std::vector<std::int32_t>{70, 2, 10, 20, 70, 80, 0, 0, 0}));
  EXPECT_EQ(Op(3), (std::vector<std::int32_t>{69, 3, 5, 6, 0, 0, 0, 0, 0}));
  EXPECT_STREQ(Sprite(3).m_szName, "n");
  // The parallel entries leave the script running and the window shown.
  EXPECT_EQ(Window().m_nState, 1);
  EXPECT_EQ(Scene().m_nPendingState, 2u);
  More({"efex(0,2,800)"});
  EXPECT_EQ(Op(0), (std::vector<std::int32_t>{66, 800, 100000, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Op(1)[0], 68);
  EXPECT_EQ(Op(3)[0], 69);
  EXPECT_EQ(Window().m_nState, 2);
  EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
}

TEST_F(EffectCommandsTest, UdChoosesTheTransitionAndItsTime) {
  struct Case {
    const char* line;
    std::int32_t code, time;
  } cases[] = {
      {"ud(1,700)", 6, 700},  {"ud(1,0)", 6, 1000}, {"ud(3,700)", 5, 0},   {"ud(14,700)", 5, 0},
      {"ud(10,8)", 9, 8},     {"ud(13,8)", 12, 8},  {"ud(15,4)", 13, 4},   {"ud(18,4)", 16, 4},
      {"ud(19,300)", 17, 300}, {"ud(39,300)", 37, 300}, {"ud(40,300)", 5, 0}, {"ud(-2,300)", 5, 0},
  };
  for (const Case& c : cases) {
    RunWith({});
    Window().m_nState = 1;
    More({c.line});
    EXPECT_EQ(Op(), (std::vector<std::int32_t>{c.code, 0, 0, 1024, 600, c.time, 100000, 0, 0})) << c.line;
    EXPECT_EQ(Window().m_nState, 2) << c.line;
    EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION) << c.line;
  }
}

TEST_F(EffectCommandsTest, UdZeroCutsAndKeepsTheWindow) {
  RunWith({});
  Window().m_nState = 1;
  More({"ud(0)"});
  EXPECT_EQ(Op()[0], OP_CUT);
  EXPECT_EQ(Window().m_nState, 1);
  EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
}

TEST_F(EffectCommandsTest, UdTwoLoadsTheRulePictureAndTakesTheThirdArgument) {
  const std::string recipe = dir / "rule.recipe";
  ASSERT_TRUE(kvtest::WriteFile(recipe, "variant 8\nsize 4 2\npalette 0 0 0 0\npalette 1 255 255 255\n"
                                        "pairs 0 1 0 1 1 0 1 0\n"));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / "GRP/wipe.msk" + " " + recipe), 0);
  RunWith({"ud(2,\"wipe\",400)"});
  EXPECT_EQ(Op()[0], OP_RULE);
  EXPECT_EQ(Op()[5], 400);
  EXPECT_STREQ(Presentation().m_RuleMask.m_szName, "wipe.msk");
  EXPECT_EQ(Presentation().m_RuleMask.m_nWidth, 1024);
  EXPECT_EQ(Presentation().m_RuleMask.m_nHeight, 600);
  // Stretched over the screen: the file's 4 x 2 indices (its rows stored
  // bottom-up) in quarters and halves.
  const std::vector<std::uint8_t>& plane = Presentation().m_RuleMask.m_Plane;
  ASSERT_EQ(plane.size(), 1024u * 600u);
  const int top[4] = {1, 0, 1, 0};
  for (int q = 0; q < 4; ++q) {
    EXPECT_EQ(plane[10 * 1024 + q * 256 + 100], top[q]) << q;
    EXPECT_EQ(plane[590 * 1024 + q * 256 + 100], 1 - top[q]) << q;
  }
  More({"ud(2,\"wipe\",0)"});
  EXPECT_EQ(Op()[5], 1000);
  // Without its picture the change still takes its time.
  More({"ud(2,\"none\",300)"});
  EXPECT_EQ(TakeBoxes(), Strings{"ファイルオープンエラー:不正なグラフィック指定：none.msk"});
  EXPECT_EQ(Op()[0], OP_DISSOLVE);
  EXPECT_EQ(Op()[5], 300);
}

TEST_F(EffectCommandsTest, FadesTakeTheWindowsOffTheScreen) {
  struct Case {
    const char* line;
    std::int32_t code, time;
  } cases[] = {
      {"bout(300)", OP_BLACK_OUT, 300}, {"bin(200)", OP_BLACK_IN, 200}, {"wout(100)", OP_WHITE_OUT, 100},
      {"win(50)", OP_WHITE_IN, 50},     {"bout(0)", OP_BLACK_OUT, 1},
  };
  for (const Case& c : cases) {
    RunWith({});
    Window().m_nState = 1;
    ClearVirtualScreen(GetVirtualScreen(2), 0x00112233);
    ClearVirtualScreen(GetVirtualScreen(0), 0x00FFFFFF);
    More({c.line});
    EXPECT_EQ(Op(), (std::vector<std::int32_t>{c.code, c.time, 100000, 0, 0, 0, 0, 0, 0})) << c.line;
    EXPECT_EQ(Window().m_nState, 2) << c.line;
    // The window's place shows the scene again; the rest waits for the fade.
    EXPECT_EQ(At(0, 150, 450), At(2, 150, 450)) << c.line;
    EXPECT_EQ(At(0, 50, 50), 0xFFFFFFu) << c.line;
  }
}

TEST_F(EffectCommandsTest, MonoTonesShownNormalSpritesAndLaterLoads) {
  RunWith({});
  Solid(Sprite(0), "bg", 4, 4, 0x00806040);
  Solid(Sprite(1), "sys", 4, 4, 0x00806040, 1);
  Solid(Sprite(2), "hidden", 4, 4, 0x00806040);
  Sprite(2).m_szName[0] = '\0';
  std::vector<std::uint32_t> sepia(Sprite(0).m_Pixels), grey(Sprite(0).m_Pixels);
  ApplyTone(sepia.data(), sepia.size(), 2);
  ApplyTone(grey.data(), grey.size(), 0);
  ASSERT_NE(sepia, Sprite(0).m_Pixels);

  More({"mono(-1)"});
  EXPECT_EQ(GetSpriteTone(), 0);
  EXPECT_EQ(Sprite(0).m_Pixels[0] & 0xFFFFFFu, 0x806040u);

  More({"mono(1)"});
  EXPECT_EQ(GetSpriteTone(), 2);
  EXPECT_EQ(Sprite(0).m_Pixels, sepia);
  EXPECT_EQ(Sprite(1).m_Pixels[0] & 0xFFFFFFu, 0x806040u);
  EXPECT_EQ(Sprite(2).m_Pixels[0] & 0xFFFFFFu, 0x806040u);

  // A sprite loaded while the tone is set comes up toned.
  Picture("g", 4, 4, 0xFF806040);
  More({"chon(3,\"g\",0,0,0,0)"});
  std::vector<std::uint32_t> loaded(16, 0xFF806040u);
  ApplyTone(loaded.data(), loaded.size(), 2);
  EXPECT_EQ(Sprite(3).m_Pixels, loaded);

  // Tones past the seven colours are grey.
  Solid(Sprite(0), "bg", 4, 4, 0x00806040);
  More({"mono(8)"});
  EXPECT_EQ(GetSpriteTone(), 9);
  EXPECT_EQ(Sprite(0).m_Pixels, grey);
  Solid(Sprite(0), "bg", 4, 4, 0x00806040);
  More({"mono(30)"});
  EXPECT_EQ(GetSpriteTone(), 31);
  EXPECT_EQ(Sprite(0).m_Pixels, grey);
}

TEST_F(EffectCommandsTest, FillHidesTheBackgroundAndSetsTheColour) {
  Picture("bg", 8, 8);
  RunWith({"bgon(\"bg\",0,0)", "fill(0x1FF,0x22,0x133)"});
  EXPECT_EQ(Sprite(0).m_szName[0], '\0');
  EXPECT_EQ(Presentation().m_dwFillColor, 0xFF2233u);
}

TEST_F(EffectCommandsTest, TheSpriteKindQuery) {
  RunWith({});
  struct Case {
    std::vector<std::int8_t> kinds;  // sprites 0.. (0: not shown)
    std::int32_t query;
    int expected;
  } cases[] = {
      {{24, 2, 0, 0}, -2, 1}, {{24, 1, 0, 0}, -2, 0}, {{0, 0, 1, 0}, -3, 1}, {{0, 0, 0, 3}, -4, 1},
      {{0, 8, 32, -8}, -1, 0}, {{24, 8, 3, 0}, -1, 1}, {{0, 2, 0, 0}, 1, 1}, {{0, 24, 0, 0}, 1, 0},
      {{0, 0, 0, 0}, -1, 0},  {{3, 0, 0, 0}, 9, 0},   {{0, 1, 0, 0}, -7, 0},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) {
      Solid(Sprite(i), "s", 2, 2, 0);
      Sprite(i).m_nKind = c.kinds[static_cast<std::size_t>(i)];
      if (c.kinds[static_cast<std::size_t>(i)] == 0) Sprite(i).m_szName[0] = '\0';
    }
    EXPECT_EQ(HasVisibleSpriteKind(c.query), c.expected) << c.query;
  }
  tables.FreeAll();
  EXPECT_EQ(HasVisibleSpriteKind(-1), 0);
}

TEST_F(EffectCommandsTest, ClsHomesTheWindowTextAndReadalSetsTheSwitch) {
  RunWith({"wnd(0,4,10,8,4,0,3,5)"});
  Window().m_nCursorX = 90;
  Window().m_nLine = 2;
  Window().m_nColumn = 3;
  More({"cls(0)", "readal(5)"});
  EXPECT_EQ(Window().m_nCursorX, 10);
  EXPECT_EQ(Window().m_nCursorY, 8);
  EXPECT_EQ(Window().m_nLine, 0);
  EXPECT_EQ(Window().m_nColumn, 0);
  EXPECT_EQ(text.m_Settings.readMarkDisplay, 1);
  More({"readal(0)", "cls(4)"});
  EXPECT_EQ(text.m_Settings.readMarkDisplay, 0);
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:cls コマンドのウィンドウ番号指定が間違っています。"});
}

}  // namespace
