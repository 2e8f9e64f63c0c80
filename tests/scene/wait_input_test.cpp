// The player's clicks and keys during the script's waits: which waits a
// click ends, skip and the hidden windows, the message window's buttons,
// the choices and the script's buttons.
#include <gtest/gtest.h>

#include <memory>

#include "engine/value_node.h"
#include "framework/display_mode.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "tests/scene/input_harness.h"

namespace {

using kvtest::InputTest;
using kvtest::kHomeX;
using kvtest::kHomeY;
using kvtest::kPitchY;
using kvtest::kWinX;
using kvtest::kWinY;

class WaitInputTest : public InputTest {
 protected:
  // Window 0 shown with the three choices "a", "b", "c" (one text line
  // each), the script waiting at them.
  void ThreeChoices() {
    Page({"/a/b/c//"});
    ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
    ASSERT_EQ(text.ChoiceCount(), 3);
  }
  // The centre of choice i on the screen.
  pl::Point ChoiceCentre(int i) {
    const ChoiceRecord& r = text.Choice(i);
    return {W().m_nX + r.m_nX + r.m_nWidth / 2, W().m_nY + r.m_nY + r.m_nHeight / 2};
  }
  // The line that gives window 0 a button of 40 x 60 (three looks of 20)
  // at (x, y).
  std::string WindowButton(const std::string& action, int x, int y) {
    Picture("wbtn", 40, 60);
    return "wnd(0,9,\"wbtn\",\"" + action + "\"," + std::to_string(x) + "," + std::to_string(y) + ")";
  }
  // Script button i: a 30 x 45 picture of three looks at (x, y).
  CScriptButton& ScriptButton(int i, int x, int y) {
    CScriptButton& b = *tables.ButtonAt(i);
    LoadPicture(b.m_Image, "sb" + std::to_string(i), 30, 45, 0xFF00FF00u);
    b.m_Image.m_nX = static_cast<std::int16_t>(x);
    b.m_Image.m_nY = static_cast<std::int16_t>(y);
    b.m_Image.m_nRowsLessOne = 2;
    b.m_nState = 0;
    return b;
  }
};

TEST_F(WaitInputTest, SkipModeIgnoresClickWaitsButNotChoicesOrButtons) {
  struct Case {
    const char* what;
    std::uint32_t state;
    bool ends;
  };
  const Case cases[] = {
      {"pause", PND_PAUSE, false},
      {"click wait in a page", PND_PROMPT_PAGE, false},
      {"click wait at the page end", PND_FPROMPT, false},
      {"a choice", PND_SLCT, true},
      {"a button wait", PND_BUTTON, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ThreeChoices();
    tables.CreateButtons(1);
    ScriptButton(0, 500, 100);
    if (c.state == PND_SLCT) {
      text.DrawChoice(1, -1);
      MouseAt(ChoiceCentre(1).x, ChoiceCentre(1).y);
    } else if (c.state == PND_BUTTON) {
      MouseAt(510, 105);
    }
    Scene().m_nPendingState = c.state;
    Scene().m_nRunMode = RUN_SKIP;
    OnLeftClick(1);
    EXPECT_EQ(Scene().m_nPendingState, c.ends ? 0u : c.state);
    EXPECT_EQ(W().m_nState, 1) << "no window was hidden or shown";
  }
}

TEST_F(WaitInputTest, RightClickEndsSkipWithoutHidingTheWindows) {
  ShownWindowIn(PND_PROMPT_PAGE);
  Scene().m_nRunMode = RUN_SKIP;
  OnRightClick();
  EXPECT_EQ(Scene().m_nRunMode, RUN_NORMAL);
  EXPECT_EQ(W().m_nState, 1);
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
}

TEST_F(WaitInputTest, AfterARightClickTheFirstLeftClickOnlyShowsTheWindows) {
  ShownWindowIn(PND_PROMPT_PAGE);
  OnRightClick();
  ASSERT_EQ(W().m_nState, 0) << "the right click hides the windows";
  // Auto mode neither shows the windows nor advances behind them.
  OnLeftClick(0);
  EXPECT_EQ(W().m_nState, 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  OnLeftClick(1);
  EXPECT_EQ(W().m_nState, 1) << "the first click shows them";
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE) << "and is used up";
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, 0u) << "the second advances";
  // A second right click shows them again as well.
  Scene().m_nPendingState = PND_FPROMPT;
  OnRightClick();
  OnRightClick();
  EXPECT_EQ(W().m_nState, 1);
}

TEST_F(WaitInputTest, AutoClickOrWheelOverASystemButtonOpensNothing) {
  ShownWindowIn(PND_PROMPT_PAGE, {WindowButton("automode", 300, 10), WindowButton("calllog", 400, 10)});
  struct Case {
    const char* what;
    int x;
    int fromUser;
    std::int32_t autoAfter;
    std::size_t posted;  // wheel messages of "calllog"
    std::uint32_t stateAfter;
  };
  const Case cases[] = {
      {"auto click over automode", kWinX + 310, 0, 0, 0, PND_PROMPT_PAGE},
      {"auto click over calllog", kWinX + 410, 0, 0, 0, PND_PROMPT_PAGE},
      {"player click over automode", kWinX + 310, 1, 1, 0, PND_PROMPT_PAGE},
      {"player click over calllog", kWinX + 410, 1, 0, 1, PND_PROMPT_PAGE},
      {"auto click beside the buttons", kWinX + 200, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings.m_bAutoMode = 0;
    Scene().m_nPendingState = PND_PROMPT_PAGE;
    MouseAt(c.x, kWinY + 15);
    OnLeftClick(c.fromUser);
    EXPECT_EQ(settings.m_bAutoMode, c.autoAfter);
    EXPECT_EQ(Scene().m_nPendingState, c.stateAfter);
    const auto posted = Posted();
    ASSERT_EQ(posted.size(), c.posted);
    if (c.posted) {
      EXPECT_EQ(posted[0].id, static_cast<std::uint32_t>(pl::WM_MOUSEWHEEL));
      EXPECT_EQ(posted[0].wParam, 0x10000u);
    }
  }
  // The look of a pressed button goes back to normal after its action.
  EXPECT_EQ(W().m_Buttons[0]->m_nLook, 0);
}

TEST_F(WaitInputTest, AutoModeButtonTurnsAutoModeOnFromAnyValueButOne) {
  ShownWindowIn(PND_FPROMPT, {WindowButton("automode", 300, 10)});
  MouseAt(kWinX + 320, kWinY + 29);  // the lowest row of the first look
  for (const auto& [before, after] : {std::pair{0, 1}, {1, 0}, {2, 1}, {-1, 1}}) {
    SCOPED_TRACE(before);
    settings.m_bAutoMode = before;
    Scene().m_nPendingState = PND_FPROMPT;
    OnLeftClick(1);
    EXPECT_EQ(settings.m_bAutoMode, after);
    EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT) << "the click went to the button";
  }
  // A disabled button is passed over: the click ends the wait.
  W().m_Buttons[0]->m_nState = 3;
  settings.m_bAutoMode = 0;
  OnLeftClick(1);
  EXPECT_EQ(settings.m_bAutoMode, 0);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

TEST_F(WaitInputTest, StartSkipButtonTurnsSkipOnUnlessSkippingIsDisabled) {
  ShownWindowIn(PND_PROMPT_PAGE, {WindowButton("startskip", 300, 10)});
  for (const auto& [before, after] : {std::pair{RUN_NORMAL, RUN_SKIP}, {RUN_NOSKIP, RUN_NOSKIP}, {RUN_SKIP, RUN_SKIP}}) {
    SCOPED_TRACE(before);
    Scene().m_nPendingState = PND_PROMPT_PAGE;
    Scene().m_nRunMode = before;
    MouseAt(kWinX + 320, kWinY + 15);
    OnLeftClick(1);
    // In skip mode the player's click is ignored before any button sees it.
    EXPECT_EQ(Scene().m_nRunMode, after);
    EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  }
}

TEST_F(WaitInputTest, PressShowsTheButtonPressedWithoutItsAction) {
  ShownWindowIn(PND_PROMPT_PAGE, {WindowButton("automode", 300, 10)});
  MouseAt(kWinX + 320, kWinY + 15);
  PressWindowButton();
  EXPECT_EQ(W().m_Buttons[0]->m_nLook, 2);
  EXPECT_EQ(settings.m_bAutoMode, 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
}

TEST_F(WaitInputTest, UpAndDownMoveTheChoiceHighlightAndTheCursor) {
  struct Case {
    const char* what;
    std::int32_t before;
    std::uint32_t key;
    std::int32_t after;
    bool moves;
  };
  const Case cases[] = {
      {"Up without a highlight takes the first", -1, KEY_UP, 0, true},
      {"Down without a highlight takes the first", -1, KEY_DOWN, 0, true},
      {"Up on the first does nothing", 0, KEY_UP, 0, false},
      {"Down on the last does nothing", 2, KEY_DOWN, 2, false},
      {"Up from the second", 1, KEY_UP, 0, true},
      {"Down from the second", 1, KEY_DOWN, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ThreeChoices();
    if (c.before >= 0) text.DrawChoice(c.before, -1);
    MouseAt(1, 1);
    OnKey(c.key);
    EXPECT_EQ(text.Highlighted(), c.after);
    const ChoiceRecord& r = text.Choice(c.after);
    const pl::Point expected = c.moves ? pl::Point{kWinX + r.m_nX + 4, kWinY + r.m_nY + r.m_nHeight - 4} : pl::Point{1, 1};
    EXPECT_EQ(Mouse().x, expected.x);
    EXPECT_EQ(Mouse().y, expected.y);
  }
}

TEST_F(WaitInputTest, ChoiceClickSetsRegToTheIndexAndStartsThePageClear) {
  ThreeChoices();
  eng.Reg()->SetText("text before");
  eng.m_nMode = 2;
  text.DrawChoice(1, -1);
  const ChoiceRecord& r = text.Choice(1);
  const int left = kWinX + r.m_nX, top = kWinY + r.m_nY;
  // Outside the highlighted choice, by one pixel past its last column.
  MouseAt(left + r.m_nWidth, top + 1);
  OnLeftClick(1);
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  EXPECT_EQ(eng.Reg()->type, VT_TEXT);
  MouseAt(left + r.m_nWidth - 1, top + r.m_nHeight - 1);
  const std::size_t records = text.Backlog().Size();
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  ASSERT_EQ(eng.Reg()->type, VT_INT);
  EXPECT_EQ(eng.Reg()->nValue, 1);
  EXPECT_EQ(text.ChoiceCount(), 0);
  EXPECT_EQ(Scene().m_Ops[0].code, 2) << "the animated page clear";
  EXPECT_EQ(Scene().m_Ops[0].p[0], 0);
  ASSERT_EQ(text.Backlog().Size(), records + 1);
  EXPECT_EQ(text.Backlog().Last()->text, "b\\f") << "in mode 2 the choice ends its backlog page";
  EXPECT_TRUE(text.IsPageTextEmpty());
  EXPECT_EQ(W().m_nCursorX, W().m_nHomeX);
  EXPECT_EQ(W().m_nLine, 0);
}

TEST_F(WaitInputTest, ChoiceClickWithoutAHighlightDoesNothing) {
  ThreeChoices();
  MouseAt(ChoiceCentre(0).x, ChoiceCentre(0).y);
  EXPECT_EQ(OnChoiceClick(W()), 1);
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
  // Auto mode never chooses.
  text.DrawChoice(0, -1);
  OnLeftClick(0);
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
}

TEST_F(WaitInputTest, ChoiceClickInMode0LeavesTheRecordWithoutAPageMark) {
  ThreeChoices();
  eng.m_nMode = 0;
  text.DrawChoice(2, -1);
  MouseAt(ChoiceCentre(2).x, ChoiceCentre(2).y);
  OnLeftClick(1);
  EXPECT_EQ(eng.Reg()->nValue, 2);
  EXPECT_EQ(text.Backlog().Last()->text, "c");
}

TEST_F(WaitInputTest, WhichWaitsAClickEnds) {
  struct Case {
    const char* what;
    std::uint32_t state;
    std::int32_t runMode;
    std::uint32_t stateAfter;
    std::int32_t runModeAfter;
  };
  const Case cases[] = {
      {"pause", PND_PAUSE, RUN_NORMAL, 0, RUN_NORMAL},
      {"movie", PND_MOVIE, RUN_NORMAL, 0, RUN_NORMAL},
      {"typing completes the page", PND_TYPING, RUN_NORMAL, PND_TYPING, RUN_PAGE},
      {"typing with skipping disabled", PND_TYPING, RUN_NOSKIP, PND_TYPING, RUN_NOSKIP},
      {"a timed wait", PND_TIMER, RUN_NORMAL, PND_TIMER, RUN_NORMAL},
      {"a screen operation", PND_OPERATION, RUN_NORMAL, PND_OPERATION, RUN_NORMAL},
      {"a fade", PND_FADE, RUN_NORMAL, PND_FADE, RUN_NORMAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShownWindowIn(c.state);
    Scene().m_nRunMode = c.runMode;
    OnLeftClick(1);
    EXPECT_EQ(Scene().m_nPendingState, c.stateAfter);
    EXPECT_EQ(Scene().m_nRunMode, c.runModeAfter);
  }
}

TEST_F(WaitInputTest, PageEndClickClearsThePageAtOnce) {
  ShownWindowIn(PND_FPROMPT);
  text.AppendPageText("abc");
  W().m_nCursorX = 77;
  W().m_nLine = 2;
  Scene().m_nRunMode = RUN_PAGE;
  eng.DeepestFrame().m_nCursor = 5;
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_EQ(Scene().m_nRunMode, RUN_NORMAL);
  EXPECT_TRUE(text.IsPageTextEmpty());
  EXPECT_EQ(W().m_nCursorX, kHomeX);
  EXPECT_EQ(W().m_nLine, 0);
  EXPECT_EQ(eng.DeepestFrame().m_nCursor, 0u);
  EXPECT_EQ(Scene().m_bStepReady, 0);
}

TEST_F(WaitInputTest, PromptClickErasesTheInPageCursor) {
  ShownWindowIn(PND_PROMPT_PAGE);
  LoadPicture(W().m_PromptCursor, "pcur", 12, 48, 0xFFFF0000u);
  W().m_nPromptCursorX = 50;
  W().m_nPromptCursorY = 30;
  const int x = kWinX + 50 + 6, y = kWinY + 30 + 6;
  GetVirtualScreen(0)->Pixels()[y * kScreenWidth + x] = 0x00FF0000u;  // the cursor as drawn
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_NE(Px(x, y), 0x00FF0000u) << "restored from the scene";
}

TEST_F(WaitInputTest, WithoutACurrentWindowThePromptsShowTheDebugBoxAndKeepWaiting) {
  struct Case {
    std::uint32_t state;
    const char* message;
  };
  const Case cases[] = {
      {PND_PROMPT_PAGE, "デバッグ:PND_FPROMPT がアクティブなウィンドウのない状態で発行されました。"},
      {PND_FPROMPT, "デバッグ:PND_FPROMPT がアクティブなウィンドウのない状態で発行されました。"},
      {PND_SLCT, "デバッグ:PND_SLCT がアクティブなウィンドウのない状態で発行されました。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Scene().m_nPendingState = c.state;
    OnLeftClick(1);
    EXPECT_EQ(Scene().m_nPendingState, c.state);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{c.message});
  }
  // Up and Down report only a choice without a window.
  Scene().m_nPendingState = PND_SLCT;
  OnKey(KEY_DOWN);
  EXPECT_EQ(TakeBoxes(),
            std::vector<std::string>{"デバッグ:PND_SLCT がアクティブなウィンドウのない状態で発行されました。"});
  Scene().m_nPendingState = PND_TIMER;
  OnKey(KEY_UP);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WaitInputTest, ButtonKeysWorkWithoutAnyMessageWindow) {
  Scene().m_nPendingState = PND_BUTTON;
  tables.CreateButtons(2);
  ScriptButton(0, 100, 100);
  ScriptButton(1, 200, 100);
  MouseAt(115, 107);
  OnKey(KEY_DOWN);
  EXPECT_EQ(Mouse().x, 215);
  EXPECT_EQ(Mouse().y, 107);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WaitInputTest, ScriptButtonPressReleaseAndRightClick) {
  ShownWindowIn(PND_BUTTON);
  tables.CreateButtons(3);
  ScriptButton(0, 100, 100);
  CScriptButton& second = ScriptButton(1, 200, 100);
  ScriptButton(2, 300, 100);
  tables.ButtonAt(2)->m_nState = 3;  // hidden
  MouseAt(210, 110);
  EXPECT_EQ(OnButtonClick(1), 1);
  EXPECT_EQ(second.m_nState, 2) << "shown pressed";
  EXPECT_EQ(Scene().m_nPendingState, PND_BUTTON);
  // Released elsewhere: the pressed look goes back and nothing is chosen.
  MouseAt(10, 10);
  OnLeftClick(1);
  EXPECT_EQ(second.m_nState, 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_BUTTON);
  // A hidden button is never hit.
  MouseAt(310, 110);
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, PND_BUTTON);
  MouseAt(229, 114);  // the last pixel of one look
  OnLeftClick(1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_EQ(eng.Reg()->nValue, 1);

  // The right click: nothing without an `rbtn` value, else its value.
  Scene().m_nPendingState = PND_BUTTON;
  Presentation().m_nRightClickValue = -1;
  EXPECT_EQ(OnRightClick(), 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_BUTTON);
  Presentation().m_nRightClickValue = 7;
  EXPECT_EQ(OnRightClick(), 1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_EQ(eng.Reg()->nValue, 7);
}

TEST_F(WaitInputTest, UpAndDownCycleThroughTheUsableButtons) {
  ShownWindowIn(PND_BUTTON);
  tables.CreateButtons(4);
  ScriptButton(0, 100, 100);
  ScriptButton(1, 200, 100);
  ScriptButton(2, 300, 100).m_nState = 3;  // hidden: not usable
  ScriptButton(3, 400, 100);
  auto centre = [](int x) { return pl::Point{x + 15, 100 + 7}; };
  struct Case {
    const char* what;
    pl::Point from;
    std::uint32_t key;
    pl::Point to;
  };
  const Case cases[] = {
      {"Down from the first", centre(100), KEY_DOWN, centre(200)},
      {"Down passes the hidden one", centre(200), KEY_DOWN, centre(400)},
      {"Down from the last wraps to the first", centre(400), KEY_DOWN, centre(100)},
      {"Up from the first wraps to the last", centre(100), KEY_UP, centre(400)},
      {"off every button: the first", {5, 5}, KEY_UP, centre(100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MouseAt(c.from.x, c.from.y);
    OnKey(c.key);
    EXPECT_EQ(Mouse().x, c.to.x);
    EXPECT_EQ(Mouse().y, c.to.y);
  }
}

TEST_F(WaitInputTest, CtrlSkipsAndAdvancesUnlessSkippingIsDisabled) {
  struct Case {
    const char* what;
    std::uint32_t state;
    std::int32_t runMode;
    std::int32_t windowState;
    std::uint32_t stateAfter;
    std::int32_t runModeAfter;
    std::int32_t opAfter;
  };
  const Case cases[] = {
      {"pause", PND_PAUSE, RUN_NORMAL, 1, 0, RUN_SKIPHELD, 0},
      {"in-page prompt", PND_PROMPT_PAGE, RUN_NORMAL, 1, 0, RUN_SKIPHELD, 0},
      {"page end: the page clear", PND_FPROMPT, RUN_NORMAL, 1, PND_FPROMPT, RUN_SKIPHELD, 2},
      {"hidden windows keep the prompt", PND_PROMPT_PAGE, RUN_NORMAL, 0, PND_PROMPT_PAGE, RUN_NORMAL, 0},
      {"skipping disabled", PND_PROMPT_PAGE, RUN_NOSKIP, 1, PND_PROMPT_PAGE, RUN_NOSKIP, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShownWindowIn(c.state);
    ClearPendingOpsAll();
    W().m_nState = static_cast<std::uint8_t>(c.windowState);
    Scene().m_nRunMode = c.runMode;
    OnKey(KEY_CTRL);
    EXPECT_EQ(Scene().m_nPendingState, c.stateAfter);
    EXPECT_EQ(Scene().m_nRunMode, c.runModeAfter);
    EXPECT_EQ(Scene().m_Ops[0].code, c.opAfter);
  }
}

TEST_F(WaitInputTest, HoverMovesTheChoiceHighlightOnlyWhileTheWindowIsShown) {
  ThreeChoices();
  const pl::Point c2 = ChoiceCentre(2);
  HoverAt(c2.x, c2.y);
  EXPECT_EQ(text.Highlighted(), 2);
  HoverAt(5, 5);
  EXPECT_EQ(text.Highlighted(), -1);
  W().m_nState = 0;
  HoverAt(c2.x, c2.y);
  EXPECT_EQ(text.Highlighted(), -1);
}

TEST_F(WaitInputTest, HoverGivesScriptButtonsTheirHoverLook) {
  ShownWindowIn(PND_BUTTON);
  tables.CreateButtons(2);
  CScriptButton& a = ScriptButton(0, 100, 100);
  CScriptButton& b = ScriptButton(1, 200, 100);
  HoverAt(110, 110);
  EXPECT_EQ(a.m_nState, 1);
  EXPECT_EQ(b.m_nState, 0);
  HoverAt(210, 110);
  EXPECT_EQ(a.m_nState, 0);
  EXPECT_EQ(b.m_nState, 1);
  b.m_nState = 2;  // pressed keeps its look
  HoverAt(211, 110);
  EXPECT_EQ(b.m_nState, 2);
}

TEST_F(WaitInputTest, ResultValueReplacesAnyType) {
  eng.Reg()->SetText("x");
  SetResultValue(42);
  ASSERT_EQ(eng.Reg()->type, VT_INT);
  EXPECT_EQ(eng.Reg()->nValue, 42);
}

TEST_F(WaitInputTest, HoverDrawsTheWindowButtonsInTheirLooks) {
  // Three looks of 40 x 20 stacked: red, green, blue.
  const std::string recipe = dir / "looks.recipe";
  ASSERT_TRUE(kvtest::WriteFile(recipe, "variant 32\nsize 40 60\nfill 800 FFFF0000\nfill 800 FF00FF00\n"
                                        "fill 800 FF0000FF\n"));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / "GRP/looks.abm" + " " + recipe), 0);
  ShownWindowIn(PND_FPROMPT, {"wnd(0,9,\"looks\",\"automode\",300,10)", "wnd(0,9,\"looks\",\"calllog\",400,10)"});
  enum Look { kRed, kGreen, kBlue };
  auto lookAt = [&](int x) {
    // Channels within a step of the picture's (the blend rounds).
    const std::uint32_t p = Px(kWinX + x + 5, kWinY + 15);
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r >= 0xFE && g <= 1 && b <= 1) return kRed;
    if (g >= 0xFE && r <= 1 && b <= 1) return kGreen;
    EXPECT_TRUE(b >= 0xFE && r <= 1 && g <= 1) << std::hex << p;
    return kBlue;
  };
  struct Case {
    const char* what;
    int mouseX;  // relative to the window
    std::int32_t autoMode;
    std::int32_t calllogLook;  // its look byte
    Look automode, calllog;
  };
  const Case cases[] = {
      {"nothing under the cursor", 10, 0, 0, kRed, kRed},
      {"hovered", 410, 0, 0, kRed, kGreen},
      {"hovered while its look byte says pressed", 410, 0, 2, kRed, kBlue},
      {"automode shows pressed while auto mode is on", 10, 1, 0, kBlue, kRed},
      {"and when hovered", 310, 1, 0, kBlue, kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings.m_bAutoMode = c.autoMode;
    W().m_Buttons[1]->m_nLook = c.calllogLook;
    HoverAt(kWinX + c.mouseX, kWinY + 15);
    EXPECT_EQ(lookAt(300), c.automode);
    EXPECT_EQ(lookAt(400), c.calllog);
  }
}

TEST_F(WaitInputTest, TheMenuBarFollowsTheCursorInTheFullScreenModes) {
  pl::WindowDesc desc;
  pl::Window* w = pl::CreateWindow(desc, &pl::DefWindowProc);
  ASSERT_NE(w, nullptr);
  pl::ShowWindow(w, pl::SW_SHOW);
  std::unique_ptr<pl::Menu> menu = pl::LoadMenu(101);
  SetMenuHandle(menu.get());
  int x = -1, y = -1;
  fake.active = false;
  EXPECT_EQ(TrackMenuBar(w, &x, &y), 0) << "not the active window";
  EXPECT_EQ(y, -1);
  fake.active = true;
  struct Case {
    const char* what;
    std::int32_t mode;
    int mouseY;
    bool attached;
  };
  const Case cases[] = {
      {"the window mode leaves the menu alone", 0, 5, false},
      {"near the top it comes", 2, 10, true},
      {"and stays", 1, 3, true},
      {"below half the bar it goes", 2, 11, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetDisplayModeWord(c.mode);
    MouseAt(50, c.mouseY);
    EXPECT_EQ(TrackMenuBar(w, &x, &y), 1);
    EXPECT_EQ(y, c.mouseY);
    EXPECT_EQ(pl::GetMenu(w) == menu.get(), c.attached);
    EXPECT_EQ(Presentation().m_bMenuBarShown, c.attached ? 1 : 0);
  }
  SetDisplayModeWord(0);
  pl::SetMenu(w, nullptr);
  SetMenuHandle(nullptr);
  pl::DestroyWindow(w);
  pl::FreeWindow(w);
}

}  // namespace
