// The show/hide and widget commands driven through scripts: the records
// they change, the layers they prepare, the pending state they leave, and
// the boxes of every argument a script can get wrong.
#include <gtest/gtest.h>

#include "platform/input.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/weather.h"
#include "platform/window.h"
#include "scene/pending.h"
#include "tests/scene/effects_harness.h"

namespace {

using kvtest::EffectsTest;
using Strings = std::vector<std::string>;

class ShowCommandsTest : public EffectsTest {};

TEST_F(ShowCommandsTest, ChonPlacesThePictureByPositionCodeAndAlignment) {
  Picture("c300", 300, 40);
  struct Case {
    std::int32_t code;
    int align;
    int expectedX;
  } cases[] = {
      {-16, 0, 256}, {-15, 0, 512}, {-14, 0, 767}, {-15, 1, 362}, {-16, 2, -44}, {-14, 1, 617}, {40, 0, 40},
      {40, 1, -110}, {40, 2, -260},
  };
  for (const Case& c : cases) {
    RunWith({});
    Sprite(1).m_nAlign = static_cast<std::uint8_t>(c.align);
    More({"chon(1,\"c300\"," + std::to_string(c.code) + ",77,1,2)"});
    EXPECT_STREQ(Sprite(1).m_szName, "c300") << c.code;
    EXPECT_EQ(Sprite(1).m_nX, c.expectedX) << c.code << " align " << c.align;
    EXPECT_EQ(Sprite(1).m_nY, 77);
    EXPECT_EQ(Sprite(1).m_nShownState, 1);
    EXPECT_EQ(Sprite(1).m_nRowsLessOne, 2);
    EXPECT_EQ(BackgroundFlag(Sprite(1)), 0);
    EXPECT_EQ(CharacterFlag(Sprite(1)), 1);
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ShowCommandsTest, ChonKeepCodeKeepsXAndIgnoresTheAlignment) {
  Picture("c300", 300, 40);
  RunWith({"chon(1,\"c300\",100,5,0,0)"});
  Sprite(1).m_nAlign = 1;
  More({"chon(1,\"c300\",-13,9,0,0)"});
  EXPECT_EQ(Sprite(1).m_nX, 100);
  EXPECT_EQ(Sprite(1).m_nY, 9);
  EXPECT_TRUE(TakeBoxes().empty());
  // On a sprite that is not shown the script is warned and the picture
  // still comes up.
  More({"chon(2,\"c300\",-13,9,0,0)"});
  EXPECT_EQ(TakeBoxes(), Strings{"KIV:表示されていないスプライトに【NON】コマンドを指定しています。"});
  EXPECT_STREQ(Sprite(2).m_szName, "c300");
}

TEST_F(ShowCommandsTest, ChonFaultsGetTheirBoxesAndChangeNothing) {
  Picture("c300", 300, 40);
  RunWith({"chon(1,5,10,10,0,0)", "chon(9,\"c300\",10,10,0,0)", "chon(-1,\"c300\",10,10,0,0)",
           "chon(1,\"missing\",10,10,0,0)"});
  const Strings boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], "デバッグ:chonコマンドに不正な引数が渡されました。");
  EXPECT_EQ(boxes[1], "デバッグ:chon コマンドのスプライト指定が間違っています。");
  EXPECT_EQ(boxes[2], "デバッグ:chon コマンドのスプライト指定が間違っています。");
  EXPECT_EQ(boxes[3], "ファイルオープンエラー:不正なグラフィック指定：missing");
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
}

TEST_F(ShowCommandsTest, ChonOnAReservedSpriteHidesIt) {
  Picture("c300", 300, 40);
  RunWith({"chon(1,\"c300\",10,10,0,0)"});
  Sprite(1).m_nClass = 3;
  More({"chon(1,\"c300\",20,10,0,0)"});
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
  EXPECT_EQ(Sprite(1).m_nX, 10);
}

TEST_F(ShowCommandsTest, ChoffAllLeavesTheBackgroundAndSystemSprites) {
  Picture("bg", 1024, 600);
  Picture("c", 30, 30);
  RunWith({"bgon(\"bg\",0,0)", "chon(1,\"c\",0,0,0,0)", "chon(2,\"c\",0,0,0,0)", "chon(3,\"c\",0,0,0,0)"});
  Sprite(2).m_nClass = 1;
  More({"choff(-1)"});
  EXPECT_STREQ(Sprite(0).m_szName, "bg");
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
  EXPECT_STREQ(Sprite(2).m_szName, "c");
  EXPECT_EQ(Sprite(3).m_szName[0], '\0');
  More({"choff(2)"});
  EXPECT_EQ(Sprite(2).m_szName[0], '\0');
  More({"choff(7)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:choff コマンドのスプライト指定が間違っています。"});
}

TEST_F(ShowCommandsTest, HidingWithAnAnimatedPictureShownKeepsTheOldPicture) {
  Picture("c", 30, 30);
  RunWith({"chon(1,\"c\",0,0,0,0)", "chon(2,\"c\",0,0,0,0)"});
  ClearVirtualScreen(GetVirtualScreen(2), 0x00345678);
  ClearVirtualScreen(GetVirtualScreen(1), 0);
  // Still pictures alone: layer 1 is left as it is.
  More({"choff(2)"});
  EXPECT_EQ(At(1, 5, 5), 0u);
  Sprite(1).m_nKind = 3;
  More({"choff(1)"});
  EXPECT_EQ(At(1, 5, 5), At(2, 5, 5));
  EXPECT_NE(At(1, 5, 5), 0u);
}

TEST_F(ShowCommandsTest, BgonAndCgonPutUpTheBackground) {
  Picture("bg", 1024, 600);
  Picture("cg01", 1024, 600);
  RunWith({"fill(1,2,3)", "mono(2)", "bgon(\"bg\",4,5)"});
  EXPECT_STREQ(Sprite(0).m_szName, "bg");
  EXPECT_EQ(Sprite(0).m_nX, 4);
  EXPECT_EQ(Sprite(0).m_nY, 5);
  EXPECT_EQ(BackgroundFlag(Sprite(0)), 1);
  EXPECT_EQ(CharacterFlag(Sprite(0)), 0);
  EXPECT_EQ(Presentation().m_dwFillColor, 0u);
  EXPECT_EQ(GetSpriteTone(), 0);
  // The new background took the tone that was in force.
  std::vector<std::uint32_t> yellow(1, 0xFF808080u);
  ApplyTone(yellow.data(), 1, 3);
  EXPECT_EQ(Sprite(0).m_Pixels[0], yellow[0]);
  EXPECT_NE(yellow[0], 0xFF808080u);
  EXPECT_EQ(scene.globalSaves, 0);
  // The background keeps its stacked-state count through a new picture.
  Sprite(0).m_nRowsLessOne = 1;

  More({"cgon(\"cg01\",0,0)"});
  EXPECT_EQ(Sprite(0).m_nRowsLessOne, 1);
  EXPECT_STREQ(Sprite(0).m_szName, "cg01");
  const ValueNode* seen = eng.m_Globals.Find("cg01");
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen->type, '%');
  EXPECT_EQ(scene.globalSaves, 1);
  // A picture that is missing is not counted as seen.
  More({"cgon(\"cg99\",0,0)"});
  EXPECT_EQ(eng.m_Globals.Find("cg99"), nullptr);
  EXPECT_EQ(scene.globalSaves, 1);
  More({"cgoff()"});
  EXPECT_EQ(Sprite(0).m_szName[0], '\0');
}

TEST_F(ShowCommandsTest, BackgroundFaultsGetTheirBoxes) {
  Picture("bg", 1024, 600);
  struct Case {
    const char* line;
    const char* box;
  } cases[] = {
      {"bgon(3,0,0)", "デバッグ:bgonコマンドに不正な引数が渡されました。"},
      {"cgon(3,0,0)", "デバッグ:cgonコマンドに不正な引数が渡されました。"},
      {"bmp(3)", "デバッグ:bmpコマンドに不正な引数が渡されました。"},
  };
  for (const Case& c : cases) {
    RunWith({c.line});
    EXPECT_EQ(TakeBoxes(), Strings{c.box}) << c.line;
    EXPECT_EQ(Sprite(0).m_szName[0], '\0');
  }
  tables.FreeAll();
  Run({"::START", "bgon(\"bg\",0,0)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:bgon コマンドの背景スプライトがありません。"});
}

TEST_F(ShowCommandsTest, WndonFadesTheCurrentWindowIn) {
  RunWith({});
  ASSERT_EQ(Window().m_nState, 2);
  eng.m_bSaveEnabled = 1;
  const std::uint32_t before = Now();
  More({"wndon(0)"});
  // Time 0 is a fade of 100 ms on the clock, in 33 ms steps.
  EXPECT_GE(Now() - before, 100u);
  EXPECT_LT(Now() - before, 100u + 2 * 33u);
  EXPECT_EQ(Window().m_nState, 1);
  EXPECT_EQ(Scene().m_nPendingState, 2u);  // the script's closing wait, nothing of the fade
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  // A window already shown: nothing, no time.
  const std::uint32_t again = Now();
  More({"wndon(500)"});
  EXPECT_EQ(Now(), again);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ShowCommandsTest, WndonWhileSkippingEndsOnTheFirstTick) {
  RunWith({});
  Scene().m_nRunMode = RUN_SKIP;
  const std::uint32_t before = Now();
  More({"wndon(5000)"});
  EXPECT_LT(Now() - before, 33u);
  EXPECT_EQ(Window().m_nState, 1);
}

TEST_F(ShowCommandsTest, WndonWithCtrlDownEndsAtOnce) {
  RunWith({});
  // Keys count only while the program's window has the focus.
  pl::WindowDesc d;
  d.className = "KIV";
  pl::Window* win = pl::CreateWindow(d, &pl::DefWindowProc);
  ASSERT_NE(win, nullptr);
  pl::ShowWindow(win, pl::SW_SHOW);
  pl::SetKeyState(pl::DIK_LCONTROL, true);
  ASSERT_TRUE(IsCtrlDown());
  const std::uint32_t before = Now();
  More({"wndon(5000)"});
  pl::SetKeyState(pl::DIK_LCONTROL, false);
  pl::FreeWindow(win);
  EXPECT_LT(Now() - before, 33u);
  EXPECT_EQ(Window().m_nState, 1);
}

TEST_F(ShowCommandsTest, WndoffFadesOutOrCutsAtTimeZero) {
  RunWith({"wndon(0)"});
  ClearVirtualScreen(GetVirtualScreen(3), 0x00102030);
  ClearVirtualScreen(GetVirtualScreen(0), 0x00FFFFFF);
  const std::uint32_t cut = Now();
  More({"wndoff(0)"});
  EXPECT_EQ(Now(), cut);
  EXPECT_EQ(Window().m_nState, 2);
  EXPECT_EQ(At(0, 10, 10), At(3, 10, 10));
  // A hidden window: nothing.
  More({"wndoff(300)"});
  EXPECT_EQ(Window().m_nState, 2);

  More({"wndon(0)"});
  ClearVirtualScreen(GetVirtualScreen(3), 0x00102030);
  const std::uint32_t before = Now();
  More({"wndoff(300)"});
  EXPECT_GE(Now() - before, 300u);
  EXPECT_EQ(Window().m_nState, 2);
  EXPECT_EQ(At(0, 500, 300), At(3, 500, 300));
  EXPECT_EQ(Scene().m_nPendingState, 2u);
}

TEST_F(ShowCommandsTest, WindowCommandsWithoutAWindowSayIt) {
  Run({"::START", "wndon(0)", "wndoff(0)"});
  EXPECT_EQ(TakeBoxes(), Strings(2, "デバッグ:カレントウィンドウが指定されていません。"));
}

TEST_F(ShowCommandsTest, ScriptButtonsAreSetResetAndHidden) {
  Picture("b", 40, 90);
  RunWith({"btnset(1,\"b\",10,20,\"OK\",3,4)", "rbtn(7)"});
  CScriptButton& b = *tables.ButtonAt(1);
  EXPECT_STREQ(b.m_Image.m_szName, "b");
  EXPECT_EQ(b.m_Image.m_nX, 10);
  EXPECT_EQ(b.m_Image.m_nY, 20);
  EXPECT_EQ(b.m_Image.m_nRowsLessOne, 2);
  EXPECT_EQ(b.m_nState, 0);
  EXPECT_STREQ(b.m_szCaption, "OK");
  EXPECT_EQ(b.m_nCaptionX, 3);
  EXPECT_EQ(b.m_nCaptionY, 4);
  EXPECT_EQ(Presentation().m_nRightClickValue, 7);

  More({"btnset(2,\"b\",1,1)", "btnoff(2)"});
  EXPECT_EQ(tables.ButtonAt(2)->m_Image.m_szName[0], '\0');
  EXPECT_EQ(tables.ButtonAt(2)->m_nState, 3);
  EXPECT_STREQ(b.m_Image.m_szName, "b");

  b.m_nState = 1;
  More({"btnon(-1)"});
  EXPECT_EQ(b.m_nState, 0);
  EXPECT_EQ(tables.ButtonAt(2)->m_nState, 3);  // no picture: stays hidden

  More({"btnreset(-1)"});
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tables.ButtonAt(i)->m_Image.m_szName[0], '\0') << i;
    EXPECT_EQ(tables.ButtonAt(i)->m_nState, 3) << i;
    EXPECT_EQ(tables.ButtonAt(i)->m_szCaption[0], '\0') << i;
  }
  EXPECT_EQ(Presentation().m_nRightClickValue, -1);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ShowCommandsTest, BtnsetArgumentFaultsGetTheirBoxes) {
  Picture("b", 40, 90);
  struct Case {
    const char* line;
    Strings boxes;
    int x, y;  // -1: no picture set
    const char* caption = "";
    int captionX = 0, captionY = 0;
  } cases[] = {
      {"btnset(\"1\",\"b\",5,6)", {"デバッグ:btnsetコマンドの第1引数に不正な値が渡されました。"}, -1, -1},
      {"btnset(1,2,5,6)", {"デバッグ:btnsetコマンドの第2引数に不正な値が渡されました。"}, -1, -1},
      {"btnset(1,\"b\",\"x\",6)", {"デバッグ:btnsetコマンドの第3引数に不正な値が渡されました。"}, 1, 6},
      {"btnset(1,\"b\",5,\"y\")", {"デバッグ:btnsetコマンドの第3引数に不正な値が渡されました。"}, 5, 1},
      {"btnset(1,\"b\",5,6,9)", {"デバッグ:btnsetコマンドの第4引数に不正な値が渡されました。"}, 5, 6},
      {"btnset(1,\"b\",5,6,\"L\",\"a\",\"b\")",
       {"デバッグ:btnsetコマンドの第5引数に不正な値が渡されました。",
        "デバッグ:btnsetコマンドの第6引数に不正な値が渡されました。"},
       5, 6, "L", 1, 1},
      {"btnset(1,\"b\",5,6,\"\",7,8)", {}, 5, 6},
      {"btnset(1,\"b\",5,6,\"Go\",7,8)", {}, 5, 6, "Go", 7, 8},
      {"btnset(9,\"b\",5,6)", {"デバッグ:btnset コマンドのボタン番号指定が間違っています。"}, -1, -1},
      {"btnreset(\"a\")", {"デバッグ:btnresetコマンドに不正な値が渡されました。"}, -1, -1},
      {"btnon(9)", {"デバッグ:btnon コマンドのボタン番号指定が間違っています。"}, -1, -1},
      {"btnoff(-5)", {"デバッグ:btnoff コマンドのボタン番号指定が間違っています。"}, -1, -1},
  };
  for (const Case& c : cases) {
    RunWith({c.line});
    EXPECT_EQ(TakeBoxes(), c.boxes) << c.line;
    const CScriptButton& b = *tables.ButtonAt(1);
    if (c.x < 0) {
      EXPECT_EQ(b.m_Image.m_szName[0], '\0') << c.line;
      continue;
    }
    EXPECT_STREQ(b.m_Image.m_szName, "b") << c.line;
    EXPECT_EQ(b.m_Image.m_nX, c.x) << c.line;
    EXPECT_EQ(b.m_Image.m_nY, c.y) << c.line;
    // A label coordinate of the wrong type takes the button index.
    EXPECT_STREQ(b.m_szCaption, c.caption) << c.line;
    EXPECT_EQ(b.m_nCaptionX, c.captionX) << c.line;
    EXPECT_EQ(b.m_nCaptionY, c.captionY) << c.line;
  }
}

TEST_F(ShowCommandsTest, BtnoffRebuildsTheSpriteLayerWithoutTheButtons) {
  RunWith({});
  Solid(Sprite(0), "bg", 1024, 600, 0x00203040);
  Solid(Sprite(1), "c", 20, 20, 0x00FF0000);
  Sprite(1).m_nX = 50;
  Sprite(1).m_nY = 60;
  Solid(Sprite(2), "sys", 20, 20, 0x0000FF00, 1);
  Sprite(2).m_nX = 300;
  ClearVirtualScreen(GetVirtualScreen(2), 0);
  More({"btnoff(-1)"});
  EXPECT_EQ(At(2, 10, 10), 0x203040u);
  EXPECT_EQ(At(2, 55, 65), 0xFF0000u);
  EXPECT_EQ(At(2, 305, 5), 0x00FF00u);
}

TEST_F(ShowCommandsTest, TheButtonWaitAndItsEnd) {
  struct Case {
    const char* line;
    std::int32_t runMode;
    std::uint32_t pending;
    std::int32_t runModeAfter;
  } cases[] = {
      {"btnenable(0)", RUN_NORMAL, PND_BUTTON, RUN_NORMAL},
      {"btnenable(0)", RUN_SKIP, PND_BUTTON, RUN_NORMAL},
      {"btnenable(0)", RUN_SKIPHELD, PND_BUTTON, RUN_NORMAL},
      {"btnenable(0)", RUN_NOSKIP, PND_BUTTON, RUN_NOSKIP},
      {"btnenable(1)", RUN_SKIP, 2u, RUN_SKIP},  // nothing: the closing wait
  };
  for (const Case& c : cases) {
    RunWith({});
    Scene().m_nRunMode = c.runMode;
    More({c.line});
    EXPECT_EQ(Scene().m_nPendingState, c.pending) << c.line << " " << c.runMode;
    EXPECT_EQ(Scene().m_nRunMode, c.runModeAfter) << c.line << " " << c.runMode;
  }
  CmdBtndisable(eng, eng.DeepestFrame());
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

TEST_F(ShowCommandsTest, GaugesShowAtOnceOrFillOverTheirTime) {
  RunWith({"gg(3)", "gg(-1,2,100,200)", "gg(2,2,300,300)", "gg(-1,1,50,10)", "gg(-1,4,200)", "gg(-1,8,50)",
           "gg(-1,3,50)", "gg(-1,6,0xC80000)"});
  ClearVirtualScreen(GetVirtualScreen(2), 0x00646464);
  CopyLayer(0, 2);
  tables.GaugeAt(1)->m_nDirection = 7;
  More({"ggon(0,0)", "ggon(1,0)", "ggon(3,0)", "ggon(2,500)"});
  EXPECT_EQ(TakeBoxes(), (Strings{"デバッグ:ゲージ番号1のゲージに設定された方向が不正です。",
                                  "デバッグ:gg コマンドのゲージ番号指定が間違っています。"}));
  EXPECT_EQ(tables.GaugeAt(0)->m_bShown, 1);
  EXPECT_EQ(tables.GaugeAt(1)->m_bShown, 0);
  // Gauge 0 at once: half of its 50 pixels, on layer 2 and on the screen.
  EXPECT_NE(At(2, 110, 205), 0x646464u);
  EXPECT_EQ(At(2, 110, 205), At(0, 110, 205));
  EXPECT_EQ(At(2, 130, 205), 0x646464u);
  // Gauge 2 fills over 500 ms beside the main operation, then is drawn.
  int fill = -1;
  for (int e = 1; e < 8; ++e) {
    if (Scene().m_Ops[e].code == OP_GAUGE_FILL) fill = e;
  }
  ASSERT_GT(fill, 0);
  EXPECT_EQ(Scene().m_Ops[fill].p[4], 500);
  EXPECT_EQ(tables.GaugeAt(2)->m_bShown, 1);
  EXPECT_EQ(At(2, 310, 305), 0x646464u);
  // Half-way the bar has reached half its length on the screen only.
  Advance(250);
  Step();
  EXPECT_NE(At(0, 305, 305), 0x646464u);
  EXPECT_EQ(At(0, 320, 305), 0x646464u);
  EXPECT_EQ(At(2, 305, 305), 0x646464u);
  for (int i = 0; i < 20 && Scene().m_Ops[fill].code != 0; ++i) {
    Step();
    Advance(33);
  }
  EXPECT_EQ(Scene().m_Ops[fill].code, 0);
  EXPECT_NE(At(2, 320, 305), 0x646464u);
  EXPECT_EQ(At(2, 320, 305), At(0, 320, 305));
  EXPECT_EQ(At(2, 330, 305), 0x646464u);

  // With every parallel entry busy the bar is drawn at once.
  for (int e = 1; e < 8; ++e) Scene().m_Ops[e].code = 68;
  ClearVirtualScreen(GetVirtualScreen(2), 0x00646464);
  More({"ggon(2,500)"});
  EXPECT_NE(At(2, 305, 305), 0x646464u);
  for (int e = 1; e < 8; ++e) EXPECT_EQ(Scene().m_Ops[e].code, 68) << e;

  More({"ggoff(-1)", "ggoff(3)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:ggoff コマンドのゲージ番号指定が間違っています。"});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tables.GaugeAt(i)->m_bShown, 0) << i;
}

TEST_F(ShowCommandsTest, AnmnumClampsToTheLastSequence) {
  Picture("c", 30, 30);
  RunWith({"chon(1,\"c\",0,0,0,0)"});
  Sprite(1).m_nGroupCount = 3;
  Sprite(1).m_nPosition = 5;
  More({"anmnum(1,9)"});
  EXPECT_EQ(Sprite(1).m_nCurSeq, 2);
  EXPECT_EQ(Sprite(1).m_nPosition, 0);
  Sprite(1).m_nPosition = 4;
  More({"anmnum(1,2)"});  // already the current one: nothing
  EXPECT_EQ(Sprite(1).m_nPosition, 4);
  More({"anmnum(1,-3)"});
  EXPECT_EQ(Sprite(1).m_nCurSeq, 0);
  More({"anmnum(8,1)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:anmnum コマンドのスプライト指定が間違っています。"});
}

TEST_F(ShowCommandsTest, AnmnumLetsTheRunningSequenceReachTheTargetsFirstFrame) {
  // Three one-colour frames; sequence 0 plays 0, 1, 2 and sequence 1
  // starts at frame 2.
  const std::string recipe = dir / "anim.recipe";
  ASSERT_TRUE(kvtest::WriteFile(recipe, "variant 1\ngroups 2\nsize 4 4\nfill 16 FF0000FF\nframe\nfill 16 FF00FF00\n"
                                "frame\nfill 16 FFFF0000\nseq 0 0 1 2\nseq 0 2 0\n"));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / "GRP/anim.abm" + " " + recipe), 0);
  for (const std::int32_t runMode : {RUN_NORMAL, RUN_SKIP}) {
    RunWith({"chon(1,\"anim\",0,0,0,0)"});
    ASSERT_EQ(Sprite(1).m_nKind, 1);
    ASSERT_EQ(Sprite(1).m_nGroupCount, 2);
    Scene().m_nRunMode = runMode;
    const std::uint32_t before = Now();
    More({"anmnum(1,1)"});
    EXPECT_EQ(Sprite(1).m_nCurSeq, 1);
    EXPECT_EQ(Sprite(1).m_nPosition, 0);
    if (runMode == RUN_NORMAL) {
      // Two render ticks of 64 ms bring sequence 0 to its frame 2.
      EXPECT_GE(Now() - before, 2 * 64u);
      EXPECT_LT(Now() - before, 3 * 64u);
    } else {
      EXPECT_EQ(Now(), before);
    }
  }
  Scene().m_nRunMode = RUN_NORMAL;
}

TEST_F(ShowCommandsTest, RasterStartsWithItsKindAndStops) {
  struct Case {
    const char* line;
    std::int32_t kindBefore;
    std::int32_t on, kind;
  } cases[] = {
      {"raster(1)", 1, 1, 0}, {"raster(2)", 0, 1, 1}, {"raster(5)", 1, 1, 1}, {"raster(0)", 1, 0, 1},
  };
  for (const Case& c : cases) {
    RunWith({});
    Presentation().m_nRasterKind = c.kindBefore;
    Presentation().m_bRasterOn = 1;
    More({c.line});
    EXPECT_EQ(Presentation().m_bRasterOn, c.on) << c.line;
    EXPECT_EQ(Presentation().m_nRasterKind, c.kind) << c.line;
  }
}

int g_rasterSteps = 0, g_rasterEndsAfter = 0;
bool CountedRasterStep(VirtualScreen*) {
  if (++g_rasterSteps == g_rasterEndsAfter) Presentation().m_bRasterOn = 0;
  return true;
}

TEST_F(ShowCommandsTest, RasterStopWaitsForTheEffectToCalmDown) {
  LayerDrawHooks hooks = GetLayerDrawHooks();
  hooks.stepRasterEffect = &CountedRasterStep;
  SetLayerDrawHooks(hooks);
  struct Case {
    bool background;
    std::int32_t runMode;
    int endsAfter;
    int steps;  // render ticks the stop waited
  } cases[] = {
      {true, RUN_NORMAL, 3, 3}, {true, RUN_NORMAL, 0, 150}, {false, RUN_NORMAL, 3, 0}, {true, RUN_SKIP, 3, 0},
  };
  for (const Case& c : cases) {
    RunWith({});
    if (c.background) Solid(Sprite(0), "bg", 1024, 600, 0x000010);
    Scene().m_nRunMode = c.runMode;
    Presentation().m_bRasterOn = 1;
    g_rasterSteps = 0;
    g_rasterEndsAfter = c.endsAfter;
    const std::uint32_t before = Now();
    More({"raster(0)"});
    EXPECT_EQ(g_rasterSteps, c.steps) << c.endsAfter << " " << c.background;
    EXPECT_EQ(Presentation().m_bRasterOn, 0);
    EXPECT_GE(Now() - before, c.steps > 0 ? (c.steps - 1) * 33u : 0u);
  }
  Scene().m_nRunMode = RUN_NORMAL;
}

}  // namespace

namespace {

class WeatherCommandsTest : public kvtest::EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    SetWeatherLayers(&weather, &overlay);
  }
  void TearDown() override {
    SetWeatherLayers(nullptr, nullptr);
    EffectsTest::TearDown();
  }
  CWeather weather;
  COverlay overlay;
};

TEST_F(WeatherCommandsTest, FallStartsAKindStopsAndQueuesDuringTheFade) {
  struct Case {
    std::int32_t stateBefore;
    const char* line;
    std::int32_t state, kind, pending, alpha;
  } cases[] = {
      {0, "fall(1)", 1, 0, 3, 255}, {0, "fall(2)", 1, 1, 3, 255}, {0, "fall(3)", 1, 2, 3, 255},
      {1, "fall(0)", 2, 1, 3, 99},  {0, "fall(0)", 0, 1, 3, 99},  {2, "fall(3)", 2, 1, 2, 99},
      {0, "fall(4)", 0, 1, 3, 99},
  };
  for (const Case& c : cases) {
    RunWith({});
    weather.m_nState = c.stateBefore;
    weather.m_nKind = 1;
    weather.m_nPending = 3;
    weather.m_nAlpha = 99;
    More({c.line});
    EXPECT_EQ(weather.m_nState, c.state) << c.line << " from " << c.stateBefore;
    EXPECT_EQ(weather.m_nKind, c.kind) << c.line << " from " << c.stateBefore;
    EXPECT_EQ(weather.m_nPending, c.pending) << c.line << " from " << c.stateBefore;
    EXPECT_EQ(weather.m_nAlpha, c.alpha) << c.line << " from " << c.stateBefore;
  }
}

TEST_F(WeatherCommandsTest, FilterSetsTheScrollOpensAndStopsTheOverlay) {
  RunWith({"filter(2,\"fog\",3,-4)"});
  EXPECT_EQ(overlay.m_nDx, 3);
  EXPECT_EQ(overlay.m_nDy, -4);
  EXPECT_EQ(overlay.m_nState, 0);  // mode 2 loads nothing
  More({"filter(1,\"missing\",1,2)"});
  EXPECT_EQ(overlay.m_nState, 0);
  EXPECT_EQ(overlay.m_nDx, 1);
  Picture("fog", 1024, 600);
  More({"filter(1,\"fog\",5,6)"});
  EXPECT_EQ(overlay.m_nState, 1);
  EXPECT_EQ(overlay.m_strName, "fog");
  EXPECT_EQ(overlay.m_nDx, 5);
  More({"filter(0)"});
  EXPECT_EQ(overlay.m_nState, 2);
  overlay.m_nState = 1;
  More({"filter(0,\"fog\",9,9)"});
  EXPECT_EQ(overlay.m_nState, 2);
  EXPECT_EQ(overlay.m_nDx, 5);  // a stop leaves the scroll alone
  EXPECT_TRUE(TakeBoxes().empty());
}

}  // namespace
