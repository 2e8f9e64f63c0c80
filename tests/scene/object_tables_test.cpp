// The allocation commands driven through scripts: the records they make and
// configure, and every index a script can get wrong.
#include <gtest/gtest.h>

#include "tests/scene/scene_harness.h"

namespace {

using kvtest::SceneScriptTest;
using Strings = std::vector<std::string>;

class ObjectTablesTest : public SceneScriptTest {};

TEST_F(ObjectTablesTest, WindowCountZeroMakesOneWindowAndSelectsIt) {
  Run({"::START", "wnd(0)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:wnd 数指定に 0 以下は渡せません。"});
  ASSERT_EQ(tables.WindowCount(), 1);
  EXPECT_EQ(tables.CurrentIndex(), 0);
  EXPECT_EQ(tables.WindowAt(0)->m_nState, 2);
}

TEST_F(ObjectTablesTest, WindowSubCommandsSetTheirFields) {
  Run({"::START", "wnd(3)", "wnd(-1,2,10,20)", "wnd(1,1,800,150)", "wnd(2,4,30,40,8,2,3,20)",
       "wnd(0,5,1,2,3,4,0x112233)"});
  EXPECT_TRUE(TakeBoxes().empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tables.WindowAt(i)->m_nX, 10) << i;
    EXPECT_EQ(tables.WindowAt(i)->m_nY, 20) << i;
  }
  EXPECT_EQ(tables.WindowAt(1)->m_nWidth, 800);
  EXPECT_EQ(tables.WindowAt(1)->m_nHeight, 150);
  EXPECT_EQ(tables.WindowAt(0)->m_nWidth, 0);
  const CTextWindow& w2 = *tables.WindowAt(2);
  EXPECT_EQ(w2.m_nHomeX, 30);
  EXPECT_EQ(w2.m_nCursorX, 30);
  EXPECT_EQ(w2.m_nHomeY, 40);
  EXPECT_EQ(w2.m_nCursorY, 40);
  EXPECT_EQ(w2.m_nLineGap, 8);
  EXPECT_EQ(w2.m_nCharGap, 2);
  EXPECT_EQ(w2.m_nLinesPerPage, 3);
  EXPECT_EQ(w2.m_nCharsPerLine, 20);
  const CTextWindow& w0 = *tables.WindowAt(0);
  EXPECT_EQ(w0.m_nPanelX, 1);
  EXPECT_EQ(w0.m_nPanelHeight, 4);
  // 0xRRGGBB, as scripts write it.
  EXPECT_EQ(w0.m_nColorR, 0x11);
  EXPECT_EQ(w0.m_nColorG, 0x22);
  EXPECT_EQ(w0.m_nColorB, 0x33);
  EXPECT_EQ(w0.TextColorRef(), 0x332211u);
  EXPECT_EQ(w0.m_nPanelStrength, 100);
}

TEST_F(ObjectTablesTest, FieldsThatWouldWrapAreClampedWithABox) {
  Run({"::START", "wnd(1)", "wnd(0,2,40000,-40000)", "wnd(0,4,0,0,300,0,0,0)"});
  const CTextWindow& w = *tables.WindowAt(0);
  EXPECT_EQ(w.m_nX, 32767);
  EXPECT_EQ(w.m_nY, -32768);
  EXPECT_EQ(w.m_nLineGap, 255);
  // No wrapping would ever happen at 0 characters a line or 0 lines a page.
  EXPECT_EQ(w.m_nLinesPerPage, 1);
  EXPECT_EQ(w.m_nCharsPerLine, 1);
  EXPECT_EQ(TakeBoxes().size(), 5u);
}

TEST_F(ObjectTablesTest, FramePictureGrowsTheWindowAndAnEmptyNameClearsIt) {
  Picture("frame", 40, 30);
  Run({"::START", "wnd(1)", "wnd(0,1,20,50)", "wnd(0,6,\"frame\",3,4)"});
  const CTextWindow& w = *tables.WindowAt(0);
  EXPECT_STREQ(w.m_Frame.m_szName, "frame");
  EXPECT_EQ(w.m_nFrameX, 3);
  EXPECT_EQ(w.m_nFrameY, 4);
  EXPECT_EQ(w.m_nWidth, 40);
  EXPECT_EQ(w.m_nHeight, 50);
  Run({"::START", "wnd(0,6,\"\",0,0)"});
  EXPECT_EQ(w.m_Frame.m_szName[0], '\0');
  EXPECT_TRUE(w.m_Frame.m_Pixels.empty());
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ObjectTablesTest, CursorPicturesCountTheirFrames) {
  Picture("cur4", 24, 96);
  Picture("flat", 30, 20);
  struct Case {
    std::string line;
    std::int32_t fixed, last;
    bool image;
  } cases[] = {
      {"wnd(0,7,\"cur4\",-1,5)", -1, 3, true},
      {"wnd(0,7,\"cur4\",7,-1)", -1, 3, true},
      {"wnd(0,7,\"cur4\",7,5)", 0, 3, true},
      // Shorter than wide: one frame, never -1 (a later division by the
      // frame count would be by zero).
      {"wnd(0,7,\"flat\",7,5)", 0, 0, true},
      // A picture that is not there leaves no cursor.
      {"wnd(0,7,\"none\",7,5)", 0, 0, false},
  };
  for (const Case& c : cases) {
    Run({"::START", "wnd(1)", c.line});
    const CTextWindow& w = *tables.WindowAt(0);
    EXPECT_EQ(w.m_nPageCursorFixed, c.fixed) << c.line;
    EXPECT_EQ(w.m_nPageCursorLast, c.last) << c.line;
    EXPECT_EQ(w.m_nPageCursorFrame, 0) << c.line;
    EXPECT_EQ(w.m_PageCursor.m_szName[0] != '\0', c.image) << c.line;
    TakeBoxes();
  }
  Run({"::START", "wnd(1)", "wnd(0,8,\"cur4\")"});
  EXPECT_EQ(tables.WindowAt(0)->m_nPromptCursorLast, 3);
}

TEST_F(ObjectTablesTest, WindowButtonsAppendInOrderAndAnEmptyNameFreesThem) {
  Picture("b1", 10, 30);
  Picture("lab", 8, 8);
  Run({"::START", "wnd(2)", "wnd(0,9,\"b1\",\"savemenu\",5,6)",
       "wnd(0,9,\"b1\",\"an_action_name_longer_than_thirty_two_bytes\",7,8,\"lab\",1,2)", "wnd(-1,9,\"b1\",\"x\",0,0)"});
  const CTextWindow& w = *tables.WindowAt(0);
  ASSERT_EQ(w.m_Buttons.size(), 2u);
  EXPECT_STREQ(w.m_Buttons[0]->m_szAction, "savemenu");
  EXPECT_EQ(w.m_Buttons[0]->m_Image.m_nX, 5);
  EXPECT_EQ(w.m_Buttons[0]->m_Image.m_pNext, &w.m_Buttons[1]->m_Image);
  EXPECT_EQ(w.FirstButton(), &w.m_Buttons[0]->m_Image);
  EXPECT_EQ(std::string(w.m_Buttons[1]->m_szAction), "an_action_name_longer_than_thir");  // 31 bytes and the NUL
  ASSERT_NE(w.m_Buttons[1]->m_pLabel, nullptr);
  EXPECT_EQ(w.m_Buttons[1]->m_pLabel->m_nX, 1);
  EXPECT_EQ(w.m_Buttons[1]->m_pLabel->m_nClass, 1);
  // Index -1 adds nothing anywhere.
  EXPECT_TRUE(tables.WindowAt(1)->m_Buttons.empty());
  Run({"::START", "wnd(0,9,\"\")"});
  EXPECT_TRUE(tables.WindowAt(0)->m_Buttons.empty());
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ObjectTablesTest, GaugeValues) {
  struct Case {
    std::string line;
    std::int16_t value;
  } cases[] = {
      {"gg(0,8,50)", 100}, {"gg(0,8,-10)", 0}, {"gg(0,8,300)", 200}, {"gg(0,7,150)", 150}, {"gg(0,8,\"x\")", 0},
  };
  for (const Case& c : cases) {
    Run({"::START", "gg(2)", "gg(-1,4,200)", c.line});
    EXPECT_EQ(tables.GaugeAt(0)->m_nValue, c.value) << c.line;
    EXPECT_EQ(tables.GaugeAt(1)->m_nMaximum, 200) << c.line;
  }
  tables.FreeAll();
  TakeBoxes();
  Run({"::START", "gg(1)", "gg(0,6,0x102030)", "gg(0,2,5,6)", "gg(0,1,7,8)", "gg(0,3,9)"});
  const CGauge& g = *tables.GaugeAt(0);
  EXPECT_EQ(g.m_nR, 0x10);
  EXPECT_EQ(g.m_nG, 0x20);
  EXPECT_EQ(g.m_nB, 0x30);
  EXPECT_EQ(g.m_nX, 5);
  EXPECT_EQ(g.m_nHeight, 8);
  EXPECT_EQ(g.m_nBlend, 9);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ObjectTablesTest, SpritesAndBackground) {
  Run({"::START", "spr(0)"});
  EXPECT_EQ(tables.SpriteCount(), 0);
  Run({"::START", "spr(3)", "ch(-1,2,11,12)", "ch(2,4,1)", "ch(1,5,2)", "ch(1,6,2)", "ch(2,6,7)", "bg(0,2,3,4)",
       "ch(1,1,4,3)", "bg(0,1,2,2)"});
  EXPECT_TRUE(TakeBoxes().empty());
  ASSERT_EQ(tables.SpriteCount(), 3);
  // -1 is every sprite but the background.
  EXPECT_EQ(tables.SpriteAt(1)->m_nX, 11);
  EXPECT_EQ(tables.SpriteAt(2)->m_nY, 12);
  EXPECT_EQ(tables.SpriteAt(0)->m_nX, 3);
  EXPECT_EQ(tables.SpriteAt(0)->m_nY, 4);
  EXPECT_EQ(tables.SpriteAt(2)->m_nClass, 1);
  EXPECT_EQ(tables.SpriteAt(1)->m_nBlendMode, 2);
  EXPECT_EQ(tables.SpriteAt(1)->m_nAlign, 2);
  EXPECT_EQ(tables.SpriteAt(2)->m_nAlign, 0);
  EXPECT_EQ(tables.SpriteAt(1)->m_Pixels.size(), 12u);
  EXPECT_EQ(tables.SpriteAt(1)->m_Alpha.size(), 12u);
  EXPECT_EQ(tables.SpriteAt(1)->m_Palette.size(), 1024u);
  EXPECT_EQ(tables.SpriteAt(0)->m_Pixels.size(), 4u);
}

TEST_F(ObjectTablesTest, BlockSizesOutsideTheRangeAreRefused) {
  Run({"::START", "btn(1)", "spr(2)", "btn(0,1,100000,100000)", "btn(0,1,-1,5)", "ch(1,1,65536,65536)",
       "bg(0,1,0,4)", "btn(0,1,3,2)"});
  EXPECT_EQ(TakeBoxes(), (Strings{"デバッグ:btn コマンドの大きさ指定が間違っています。",
                                  "デバッグ:btn コマンドの大きさ指定が間違っています。",
                                  "デバッグ:ch コマンドの大きさ指定が間違っています。",
                                  "デバッグ:bg コマンドの大きさ指定が間違っています。"}));
  EXPECT_EQ(tables.SpriteAt(1)->m_Pixels.size(), 0u);
  EXPECT_EQ(tables.ButtonAt(0)->m_Image.m_Pixels.size(), 6u);
}

TEST_F(ObjectTablesTest, EveryIndexOutsideItsTableGetsTheCommandsMessage) {
  const std::string wnd = "デバッグ:wnd コマンドのウィンドウ番号指定が間違っています。";
  const std::string btn = "デバッグ:btn コマンドのボタン番号指定が間違っています。";
  const std::string ch = "デバッグ:ch コマンドのスプライト指定が間違っています。";
  const std::string gg = "デバッグ:gg コマンドのゲージ番号指定が間違っています。";
  const std::string bg = "デバッグ:bg コマンドの背景スプライトがありません。";
  struct Case {
    std::string line;
    std::string box;
  } cases[] = {
      {"wnd(0,2,1,1)", wnd}, {"wnd(-1,2,1,1)", wnd}, {"btn(0,2,1,1)", btn}, {"btn(-1,1,1,1)", btn},
      {"ch(1,2,1,1)", ch},   {"ch(-1,2,1,1)", ch},   {"gg(0,2,1,1)", gg},   {"gg(-1,8,1)", gg},
      {"bg(0,2,1,1)", bg},
  };
  // Before any table exists.
  for (const Case& c : cases) {
    Run({"::START", c.line});
    EXPECT_EQ(TakeBoxes(), Strings{c.box}) << c.line;
  }
  // Index = count and -2 on made tables: nothing is touched.
  Run({"::START", "wnd(2)", "btn(2)", "spr(3)", "gg(2)"});
  const Case bad[] = {
      {"wnd(2,2,9,9)", wnd}, {"wnd(-2,2,9,9)", wnd}, {"wnd(2,9,\"b\",\"x\",0,0)", wnd},
      {"btn(2,2,9,9)", btn}, {"btn(-2,2,9,9)", btn}, {"ch(3,2,9,9)", ch},
      {"ch(-2,2,9,9)", ch},  {"gg(2,2,9,9)", gg},    {"gg(-2,8,50)", gg},
  };
  for (const Case& c : bad) {
    Run({"::START", c.line});
    EXPECT_EQ(TakeBoxes(), Strings{c.box}) << c.line;
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(tables.WindowAt(i)->m_nX, 0);
    EXPECT_EQ(tables.ButtonAt(i)->m_Image.m_nX, 0);
    EXPECT_EQ(tables.GaugeAt(i)->m_nX, 0);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tables.SpriteAt(i)->m_nX, 0);
  EXPECT_EQ(tables.WindowAt(2), nullptr);
  EXPECT_EQ(tables.SpriteAt(-1), nullptr);
}

TEST_F(ObjectTablesTest, ATableMadeAgainReplacesTheOldOneAndKeepsTheCurrentWindowInside) {
  Run({"::START", "wnd(3)", ">2", "wnd(0,2,5,5)", "wnd(2)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:wnd コマンドで作成済みのテーブルを作り直します。"});
  EXPECT_EQ(tables.WindowCount(), 2);
  EXPECT_EQ(tables.CurrentIndex(), 0);
  EXPECT_EQ(tables.WindowAt(0)->m_nX, 0);
  // A sub-command the command does not know is a creation too.
  Run({"::START", "gg(2)", "gg(4,99)"});
  EXPECT_EQ(TakeBoxes(), Strings{"デバッグ:gg コマンドで作成済みのテーブルを作り直します。"});
  EXPECT_EQ(tables.GaugeCount(), 4);
}

TEST_F(ObjectTablesTest, WindowSelectionTakesOverTheShownState) {
  Run({"::START", "wnd(2)"});
  tables.WindowAt(0)->m_nState = 1;
  Run({"::START", ">1"});
  EXPECT_EQ(tables.CurrentIndex(), 1);
  EXPECT_EQ(tables.WindowAt(1)->m_nState, 1);
  EXPECT_FALSE(tables.SelectWindow(2));
  EXPECT_EQ(tables.CurrentIndex(), 1);
}

TEST_F(ObjectTablesTest, HistoryWindow) {
  Picture("arrow", 16, 48);
  eng.m_nTextSize = 20;
  Run({"::START", "wbl(1,600,500)", "wbl(2,10,20)", "wbl(4,30,40,4,2,0,25)", "wbl(9,\"arrow\",4,100,200)",
       "wbl(9,\"arrow\",5,1,1)", "wbl(10,7)", "wbl(5,1,2,3,4,0xFF0000,60)"});
  EXPECT_TRUE(TakeBoxes().empty());
  const CTextWindow& h = tables.m_History;
  EXPECT_EQ(h.m_nX, 10);
  EXPECT_EQ(h.m_nWidth, 600);
  EXPECT_EQ(h.m_nCursorY, 40);
  // (500 - 2 x 40) / (4 + 20)
  EXPECT_EQ(h.m_nLinesPerPage, 17);
  EXPECT_EQ(h.m_nCharsPerLine, 25);
  EXPECT_STREQ(tables.m_HistoryImages[4].m_szName, "arrow");
  EXPECT_EQ(tables.m_HistoryImages[4].m_nX, 100);
  EXPECT_EQ(tables.m_HistoryImages[4].m_nClass, 2);
  EXPECT_EQ(tables.m_nHistoryWord, 7);
  EXPECT_EQ(h.m_nColorR, 0xFF);
  EXPECT_EQ(h.m_nPanelStrength, 60);
  // A line pitch of 0 or less fits one line a page.
  eng.m_nTextSize = -4;
  Run({"::START", "wbl(4,0,0,4,0,0,10)"});
  EXPECT_EQ(h.m_nLinesPerPage, 1);
}

TEST_F(ObjectTablesTest, VoicePrefixVariable) {
  Run({"::START", "cv(\"ev01_\")"});
  ASSERT_NE(eng.m_Root.m_Vars.Find("cv"), nullptr);
  EXPECT_EQ(eng.m_Root.m_Vars.Find("cv")->text, "ev01_");
  Run({"::START", "cv(\"b\")"});
  EXPECT_EQ(eng.m_Root.m_Vars.Find("cv")->text, "b");
}

TEST_F(ObjectTablesTest, ResetLeavesWindowsAtTheirPageStartAndHidesObjects) {
  Run({"::START", "wnd(2)", "wnd(-1,4,5,6,0,0,3,10)", "spr(2)", "ch(1,2,9,9)", "btn(1)", "gg(1)"});
  for (int i = 0; i < 2; ++i) {
    tables.WindowAt(i)->m_nCursorX = 99;
    tables.WindowAt(i)->m_nColumn = 4;
    tables.WindowAt(i)->m_nState = 1;
  }
  tables.GaugeAt(0)->m_bShown = 1;
  tables.ResetWindows(true);
  EXPECT_EQ(tables.WindowAt(0)->m_nCursorX, 5);
  EXPECT_EQ(tables.WindowAt(0)->m_nState, 2);
  EXPECT_EQ(tables.WindowAt(1)->m_nCursorX, 99);
  tables.ResetWindows(false);
  EXPECT_EQ(tables.WindowAt(1)->m_nColumn, 0);
  tables.HideAllObjects();
  EXPECT_EQ(tables.SpriteAt(1)->m_nX, 0);
  EXPECT_EQ(tables.ButtonAt(0)->m_nState, 3);
  EXPECT_EQ(tables.GaugeAt(0)->m_bShown, 0);
}

}  // namespace
