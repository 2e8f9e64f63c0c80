// A game slot through the scene: a script builds a window with its frame
// and button, sprites, a script button and a gauge, and shows text into a
// click wait; the game is saved, the story goes on and changes, and the load
// brings back the variables, the objects, the page text and the wait at the
// same line. A damaged slot changes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "engine/read_mark_file.h"
#include "engine/save_slot.h"
#include "engine/slot_scene.h"
#include "graphics/layer_image.h"
#include "graphics/virtual_screen.h"
#include "scene/presentation.h"
#include "scene/transition_stepper.h"
#include "tests/scene/scene_harness.h"

namespace {

using kvtest::Sj;

class SlotSceneTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    scene.text = &text;
    ASSERT_EQ(text.TextSpeed(), 3);  // the factory speed: a line at once
    Picture("frame", 40, 20);
    Picture("button", 30, 30);
    Picture("chara", 16, 16);
    Picture("other", 8, 8);
  }
  // The story up to the text line `shown`, revealed into its wait.
  void Build(const std::string& shown, const std::string& after) {
    Run({"::START", "var(%a,$s)", "wnd(1)", "wnd(0,1,600,150)", "wnd(0,2,100,400)", "wnd(0,4,10,8,4,0,3,20)",
         "wnd(0,5,1,2,598,148,1056816)", "wnd(0,6,\"frame\",5,6)", "wnd(0,9,\"button\",\"save\",20,30)", "spr(3)",
         "ch(1,2,50,60)", "ch(1,5,1)", "btn(1)", "btn(0,2,300,310)", "gg(1)", "gg(0,1,200,10)", "gg(0,2,400,20)",
         "gg(0,4,100)", "gg(0,7,40)", "%a=1", "$s=\"saved\"", shown, "%a=2",
         "wnd(0,9,\"button\",\"title\",40,50)", "gg(0,7,90)", after});
    ASSERT_EQ(tables.SpriteCount(), 3);
    // The show command's share of a sprite: its picture and state bytes.
    CLayerImage& s = *tables.SpriteAt(1);
    ASSERT_EQ(LoadLayerImage(s, "chara", 0, nullptr, 0, 0), 1);
    s.m_State0[3] = 1;
    s.m_nShownState = 0;
    // And of a script button: its picture and caption.
    CScriptButton& b = *tables.ButtonAt(0);
    ASSERT_EQ(LoadLayerImage(b.m_Image, "button", 0, nullptr, 0, 0), 1);
    std::snprintf(b.m_szCaption, sizeof b.m_szCaption, "go");
    b.m_nCaptionX = 3;
    RevealAll();
    // Remaking the tables of the previous case is reported; not a fault here.
    TakeBoxes();
  }
  void RevealAll() {
    for (int i = 0; i < 50 && Scene().m_Ops[0].code == kTextRevealOp && Scene().m_nPendingState == PND_TYPING; ++i) {
      text.ShowTextStep();
      fake.manualClock().Advance(100);
    }
  }
  // The story goes on past the wait and changes what it shows.
  void GoOn() {
    Scene().m_nPendingState = 0;
    Continue();
    RevealAll();
    CLayerImage& s = *tables.SpriteAt(1);
    ASSERT_EQ(LoadLayerImage(s, "other", 0, nullptr, 0, 0), 1);
    s.m_nX = 1;
    tables.WindowAt(0)->m_nX = 7;
    std::snprintf(tables.ButtonAt(0)->m_szCaption, kCaptionSize, "later");
  }
  std::int32_t Var(const char* n) {
    const ValueNode* v = eng.m_Root.m_Vars.Find(n);
    return v ? v->nValue : -999;
  }
  std::string SavePath(int slot) const { return dir / ("save/" + SlotFileName(slot)); }

  CMessageText text{eng, tables};
  CSlotScene slotScene{tables, text};
  CReadMarks marks;
  SaveGameContext ctx{eng, slotScene, marks, "comment"};
};

TEST_F(SlotSceneTest, ASaveInAClickWaitLoadsBackIntoThatWait) {
  const struct {
    const char* shown;
    const char* after;
    std::uint32_t wait;
  } cases[] = {
      {"あいう", "えお", PND_PROMPT_PAGE},
      // A page-end mark: the wait for the next page.
      {"あい\\f", "えお\\f", PND_FPROMPT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    text.ClearPageText();
    Build(c.shown, c.after);
    ASSERT_EQ(Scene().m_nPendingState, c.wait);
    const std::int32_t line = eng.m_Root.m_nLine;
    const std::string page = text.PageText();
    ASSERT_FALSE(page.empty());
    SlotData saved;
    slotScene.CaptureSlot(&saved);
    ASSERT_EQ(SaveGame(ctx, 3, nullptr, 0, 0), 1) << TakeBoxes().size();

    GoOn();
    ASSERT_EQ(Var("a"), 2);
    ASSERT_EQ(tables.WindowAt(0)->m_Buttons.size(), 2u);
    ASSERT_NE(text.PageText(), page);

    ASSERT_EQ(LoadGame(ctx, 3, 0), 1);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
    // The saved wait comes back when the dissolve after the load ends.
    EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
    Presentation().m_pTables = &tables;
    Presentation().m_pText = &text;
    fake.manualClock().Advance(kLoadDissolveMs);
    CBuffer none;
    TransitionStep(none, none, none);
    ResetPresentation();
    EXPECT_EQ(Var("a"), 1);
    EXPECT_EQ(eng.m_Root.m_Vars.Find("s")->text, "saved");
    EXPECT_EQ(eng.m_Root.m_nLine, line);
    ASSERT_NE(eng.m_Root.m_pLine, nullptr);
    EXPECT_EQ(eng.m_Root.m_pLine->text, Sj(c.shown));
    EXPECT_EQ(Scene().m_nPendingState, c.wait);
    EXPECT_EQ(Scene().m_pfnFrameHook, &RunWaitStates);
    EXPECT_EQ(text.PageText(), page);

    // What the scene holds now is what was saved, field by field.
    SlotData back;
    slotScene.CaptureSlot(&back);
    EXPECT_EQ(back.windows, saved.windows);
    EXPECT_EQ(back.sprites, saved.sprites);
    EXPECT_EQ(back.buttons, saved.buttons);
    EXPECT_EQ(back.gauges, saved.gauges);
    const CTextWindow& w = *tables.WindowAt(0);
    EXPECT_EQ(w.m_nX, 100);
    EXPECT_EQ(w.m_nState, 1);
    EXPECT_EQ(w.m_nColorR, 0x10);
    EXPECT_STREQ(w.m_Frame.m_szName, "frame");
    EXPECT_GT(w.m_Frame.m_nWidth, 0) << "the frame picture is loaded again";
    ASSERT_EQ(w.m_Buttons.size(), 1u) << "the saved button replaces the window's own";
    EXPECT_STREQ(w.m_Buttons[0]->m_szAction, "save");
    EXPECT_EQ(w.m_Buttons[0]->m_Image.m_pNext, nullptr);
    const CLayerImage& s = *tables.SpriteAt(1);
    EXPECT_STREQ(s.m_szName, "chara");
    EXPECT_EQ(s.m_nWidth, 16);
    EXPECT_EQ(s.m_nX, 50);
    EXPECT_EQ(s.m_nBlendMode, 1);
    EXPECT_EQ(s.m_State0[3], 1);
    EXPECT_EQ(tables.GaugeAt(0)->m_nValue, 40);
    EXPECT_EQ(tables.ButtonAt(0)->m_Image.m_nX, 300);
    EXPECT_STREQ(tables.ButtonAt(0)->m_szCaption, "go");
    EXPECT_EQ(tables.ButtonAt(0)->m_nCaptionX, 3);

    // The click goes on with the line after the saved one.
    Scene().m_nPendingState = 0;
    Continue();
    EXPECT_EQ(Var("a"), 2);
  }
}

TEST_F(SlotSceneTest, ABackloggedWaitIsSavedAsTheWaitBehindTheView) {
  Build("あいう", "えお");
  text.m_nBacklogSavedState = Scene().m_nPendingState;
  Scene().m_nPendingState = PND_BACKLOG;
  SlotData saved;
  slotScene.CaptureSlot(&saved);
  EXPECT_EQ(saved.pendingState, PND_PROMPT_PAGE);
}

TEST_F(SlotSceneTest, TheSavedVoiceIsThatOfTheNewestBacklogRecord) {
  eng.m_Root.m_Vars.AddText("cv", "ka");
  SlotData slot;
  slotScene.CaptureSlot(&slot);
  EXPECT_EQ(slot.voice, "");
  text.AddBacklogLine(Sj("\\C001あい"));
  slotScene.CaptureSlot(&slot);
  EXPECT_EQ(slot.voice, "ka001");
  text.AddBacklogLine(Sj("うえ"));
  slotScene.CaptureSlot(&slot);
  EXPECT_EQ(slot.voice, "");
}

TEST_F(SlotSceneTest, AskedLoadsGoOnlyOnOk) {
  Build("あいう", "えお");
  ASSERT_EQ(SaveGame(ctx, 7, nullptr, 0, 0), 1);
  GoOn();
  fake.QueueBoxAnswer(pl::IDCANCEL);
  EXPECT_EQ(LoadGame(ctx, 7, 1), 0);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"確認:ロードします。よろしいですか？"});
  EXPECT_EQ(Var("a"), 2);
  fake.QueueBoxAnswer(pl::IDOK);
  EXPECT_EQ(LoadGame(ctx, 7, 1), 1);
  EXPECT_EQ(Var("a"), 1);
}

TEST_F(SlotSceneTest, TheQuickSlotKeepsThePresentedPictureInTheSecondLayer) {
  ASSERT_TRUE(CreateVirtualScreens(nullptr));
  Build("あいう", "えお");
  ASSERT_EQ(SaveGame(ctx, kQuickSlot, nullptr, 0, 0), 1);
  ASSERT_EQ(SaveGame(ctx, 0, nullptr, 0, 0), 1);
  for (int slot : {0, kQuickSlot}) {
    SCOPED_TRACE(slot);
    GetPresentedScreen()->Pixels()[5 * kScreenWidth + 7] = 0x00ABCDEFu;
    GetVirtualScreen(1)->Pixels()[5 * kScreenWidth + 7] = 0;
    ASSERT_EQ(LoadGame(ctx, slot, 0), 1);
    EXPECT_EQ(GetVirtualScreen(1)->Pixels()[5 * kScreenWidth + 7], slot == kQuickSlot ? 0x00ABCDEFu : 0u);
  }
  FreeVirtualScreens();
}

TEST_F(SlotSceneTest, ARefusedSlotLeavesTheRunningStoryAlone) {
  struct Case {
    const char* what;
    std::function<void(std::vector<char>&)> damage;
    std::function<void()> change;  // the running story, after the save
  };
  const Case cases[] = {
      {"cut in the header", [](std::vector<char>& b) { b.resize(200); }, nullptr},
      {"cut in the sections", [](std::vector<char>& b) { b.resize(b.size() / 2); }, nullptr},
      {"last gauge word missing", [](std::vector<char>& b) { b.resize(b.size() - 4); }, nullptr},
      {"more sprites than the table", nullptr, [this] { tables.CreateSprites(2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    text.ClearPageText();
    Build("あいう", "えお");
    ASSERT_EQ(SaveGame(ctx, 5, nullptr, 0, 0), 1);
    GoOn();
    if (c.damage) {
      const std::string s = kvtest::ReadFile(SavePath(5));
      std::vector<char> b(s.begin(), s.end());
      c.damage(b);
      ASSERT_TRUE(kvtest::WriteFile(SavePath(5), std::string(b.begin(), b.end())));
    }
    if (c.change) c.change();
    TakeBoxes();
    SlotData before;
    slotScene.CaptureSlot(&before);
    const std::int32_t line = eng.m_Root.m_nLine;
    const std::uint32_t wait = Scene().m_nPendingState;

    EXPECT_EQ(LoadGame(ctx, 5, 0), 0);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"エラー:ロードに失敗しました。"});
    SlotData after;
    slotScene.CaptureSlot(&after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Var("a"), 2);
    EXPECT_EQ(eng.m_Root.m_nLine, line);
    EXPECT_EQ(Scene().m_nPendingState, wait);
    EXPECT_EQ(tables.WindowAt(0)->m_Buttons.size(), 2u);
  }
}

}  // namespace
