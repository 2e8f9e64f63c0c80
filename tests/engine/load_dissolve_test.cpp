// Loading a game dissolves into the loaded picture before the story goes
// on: a game saved at a choice comes back, after the dissolve, with the
// same choices waiting and taking a click; until the dissolve ends the
// story waits on it.
#include <gtest/gtest.h>

#include "engine/read_mark_file.h"
#include "engine/save_slot.h"
#include "engine/settings_record.h"
#include "engine/slot_scene.h"
#include "graphics/virtual_screen.h"
#include "scene/presentation.h"
#include "scene/transition_stepper.h"
#include "tests/scene/scene_harness.h"

namespace {

using kvtest::Sj;

class LoadDissolveTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_TRUE(CreateVirtualScreens(nullptr));
    scene.text = &text;
    ResetPresentation();
    Presentation().m_pTables = &tables;
    Presentation().m_pText = &text;
    Presentation().m_pScript = &eng;
    Presentation().m_pSettings = &settings;
    settings.m_nTextSpeed = 3;
    ResetTransitionStepper();
  }
  void TearDown() override {
    ResetPresentation();
    FreeVirtualScreens();
    SceneScriptTest::TearDown();
  }
  // Ticks of the render tick until the dissolve has gone.
  int Dissolve() {
    int ticks = 0;
    while (Scene().m_Ops[0].code == OP_LOAD_DISSOLVE && ticks < 100) {
      fake.manualClock().Advance(33);
      TransitionStep(GetVirtualScreen(0)->m_Surface, GetVirtualScreen(1)->m_Surface, GetVirtualScreen(3)->m_Surface);
      ++ticks;
    }
    return ticks;
  }
  std::int32_t Reg() {
    const ValueNode* r = eng.Reg();
    return r ? r->nValue : -999;
  }

  CMessageText text{eng, tables};
  CSlotScene slotScene{tables, text};
  CReadMarks marks;
  CSettings settings;
  SaveGameContext ctx{eng, slotScene, marks, ""};
};

TEST_F(LoadDissolveTest, AGameSavedAtAChoiceComesBackWithItsChoices) {
  Run({"::START", "var(%a)", "wnd(1)", "wnd(0,1,600,150)", "wnd(0,2,100,400)", "wnd(0,4,10,8,4,0,3,20)", "%a=1",
       "/はい/いいえ/あとで//", "%a=2", "/ちがう//"});
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  ASSERT_EQ(text.ChoiceCount(), 3);
  std::vector<ChoiceRecord> before;
  for (int i = 0; i < 3; ++i) before.push_back(text.Choice(i));
  TakeBoxes();
  ASSERT_EQ(SaveGame(ctx, 4, nullptr, 0, 0), 1) << TakeBoxes().size();

  // The story goes on to the next choice.
  ASSERT_TRUE(text.ApplyChoice(2));
  Continue();
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  ASSERT_EQ(text.ChoiceCount(), 1);

  ASSERT_EQ(LoadGame(ctx, 4, 0), 1);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
  // The dissolve runs first, and the story waits on it.
  EXPECT_EQ(Scene().m_Ops[0].code, OP_LOAD_DISSOLVE);
  EXPECT_EQ(Scene().m_Ops[0].p[4], kLoadDissolveMs);
  EXPECT_EQ(Scene().m_Ops[0].p[6], static_cast<std::int32_t>(PND_SLCT));
  EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
  Continue();
  EXPECT_EQ(text.ChoiceCount(), 3) << "no line runs behind the dissolve";

  const int ticks = Dissolve();
  EXPECT_GE(ticks * 33, kLoadDissolveMs);
  EXPECT_LT(ticks * 33, kLoadDissolveMs + 33);
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  ASSERT_EQ(text.ChoiceCount(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const ChoiceRecord& c = text.Choice(i);
    EXPECT_EQ(c.m_strText, before[static_cast<std::size_t>(i)].m_strText);
    EXPECT_EQ(c.m_nX, before[static_cast<std::size_t>(i)].m_nX);
    EXPECT_EQ(c.m_nY, before[static_cast<std::size_t>(i)].m_nY);
    EXPECT_EQ(c.m_nWidth, before[static_cast<std::size_t>(i)].m_nWidth);
    EXPECT_EQ(c.m_nHeight, before[static_cast<std::size_t>(i)].m_nHeight);
  }
  EXPECT_EQ(text.Choice(1).m_strText, Sj("いいえ"));
  EXPECT_EQ(text.Highlighted(), -1);
  EXPECT_EQ(tables.WindowAt(0)->m_nState, 1) << "the window shows the choices";

  // A click on the second choice takes it.
  const CTextWindow& w = *tables.WindowAt(0);
  const ChoiceRecord& second = text.Choice(1);
  // (Without a font the rectangles have no width: their left edge is hit.)
  EXPECT_EQ(text.ChoiceAt(w.m_nX + second.m_nX, w.m_nY + second.m_nY + second.m_nHeight / 2), 1);
  EXPECT_TRUE(text.ApplyChoice(1));
  EXPECT_EQ(Reg(), 1);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  Continue();
  EXPECT_EQ(eng.m_Root.m_Vars.Find("a")->nValue, 2);
}

TEST_F(LoadDissolveTest, AGameSavedInAClickWaitWaitsAgainAfterTheDissolve) {
  Run({"::START", "var(%a)", "wnd(1)", "wnd(0,1,600,150)", "wnd(0,2,100,400)", "wnd(0,4,10,8,4,0,3,20)", "%a=1",
       "あいう", "%a=2", "えお"});
  for (int i = 0; i < 50 && Scene().m_nPendingState == PND_TYPING; ++i) text.ShowTextStep();
  ASSERT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  const std::string page = text.PageText();
  TakeBoxes();
  ASSERT_EQ(SaveGame(ctx, 4, nullptr, 0, 0), 1);
  Scene().m_nPendingState = 0;
  Continue();
  for (int i = 0; i < 50 && Scene().m_nPendingState == PND_TYPING; ++i) text.ShowTextStep();
  tables.WindowAt(0)->m_nState = 2;

  ASSERT_EQ(LoadGame(ctx, 4, 0), 1);
  EXPECT_EQ(text.ChoiceCount(), 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
  Dissolve();
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  EXPECT_EQ(text.PageText(), page);
  EXPECT_EQ(tables.WindowAt(0)->m_nState, 1) << "the page is shown again";
  EXPECT_EQ(eng.m_Root.m_Vars.Find("a")->nValue, 1);
}

}  // namespace
