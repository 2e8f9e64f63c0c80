// The transition stepper on the virtual clock and the real layers: how long
// each kind of transition runs, the end at once in skip mode and with
// effects off, blinds and combs by ticks, the page clears, the fades, the
// end every transition shares, and the dissolve after a load putting the
// saved wait back.
#include "scene/transition_stepper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/settings_record.h"
#include "graphics/pixel_kernels.h"
#include "graphics/virtual_screen.h"
#include "scene/effect_commands.h"
#include "scene/presentation.h"
#include "tests/scene/scene_harness.h"

namespace {

constexpr std::uint32_t kMark = 0x00C0FFEEu;

class TransitionStepperTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_TRUE(CreateVirtualScreens(nullptr));
    ResetPresentation();
    PointPresentation(&text, &settings);
    ResetTransitionStepper();
    Fill(1, 1);  // the old picture, also on show
    Fill(0, 1);
    Fill(2, 2);  // the scene without windows
    Fill(3, 3);  // the new picture
  }
  void TearDown() override {
    ResetPresentation();
    FreeVirtualScreens();
    SceneScriptTest::TearDown();
  }
  static CBuffer& L(int i) { return GetVirtualScreen(i)->m_Surface; }
  static std::uint32_t* Px(int i) { return GetVirtualScreen(i)->Pixels(); }
  static void Fill(int layer, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uint32_t* p = Px(layer);
    for (int i = 0; i < kScreenWidth * kScreenHeight; ++i) p[i] = rng() & 0x00FFFFFFu;
  }
  static bool Same(int a, int b) {
    return std::memcmp(Px(a), Px(b), sizeof(std::uint32_t) * kScreenWidth * kScreenHeight) == 0;
  }
  int Step() { return TransitionStep(L(0), L(1), L(3)); }
  std::uint32_t Now() { return fake.manualClock().TickMs(); }
  // A timed transition from now (the fades take their time first).
  void Start(std::int32_t code, std::int32_t duration, std::int32_t p7 = 0) {
    const auto now = static_cast<std::int32_t>(Now());
    if (code >= OP_BLACK_OUT && code <= OP_WHITE_IN)
      SetPendingOp(code, duration, now);
    else
      SetPendingOp(code, 0, 0, kScreenWidth, kScreenHeight, duration, now, p7);
    Scene().m_nPendingState = PND_OPERATION;
  }
  // Render ticks of 33 ms until the operation ends; the ticks it took.
  int RunToEnd(std::int32_t code, int maxTicks = 400) {
    for (int tick = 1; tick <= maxTicks; ++tick) {
      fake.manualClock().Advance(33);
      const int presented = Step();
      if (Scene().m_Ops[0].code != code) return tick;
      EXPECT_EQ(presented, 1) << "a running transition shows each frame";
      EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION) << "the story waits while it runs";
    }
    return -1;
  }
  CTextWindow& Window() {
    tables.CreateWindows(1);
    tables.SelectWindow(0);
    CTextWindow& w = *tables.WindowAt(0);
    w.m_nX = 10;
    w.m_nY = 400;
    w.m_nWidth = 600;
    w.m_nHeight = 150;
    w.m_nHomeX = 8;
    w.m_nHomeY = 6;
    return w;
  }

  CMessageText text{eng, tables};
  CSettings settings;
};

TEST_F(TransitionStepperTest, TransitionsEndWithinATickOfTheirTime) {
  const struct {
    std::int32_t code;
    std::int32_t duration;
    std::uint32_t endsAt;  // ms
  } cases[] = {
      {OP_DISSOLVE, 1000, 1000}, {OP_RULE, 1000, 500}, {25, 1000, 1000}, {26, 400, 400}, {29, 1000, 500},
      {30, 300, 150},  {33, 660, 330},  {36, 200, 100},  {31, 100, 100},  {37, 250, 250},  {22, 500, 500},
      {OP_BLACK_OUT, 1000, 1000}, {OP_WHITE_IN, 90, 90}, {OP_LOAD_DISSOLVE, kLoadDissolveMs, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const std::uint32_t start = Now();
    Start(c.code, c.duration);
    ASSERT_GT(RunToEnd(c.code), 0);
    const std::uint32_t took = Now() - start;
    EXPECT_GE(took, c.endsAt);
    EXPECT_LT(took, c.endsAt + 33);
    EXPECT_EQ(TransitionProgress(), 0) << "the counter is back at rest";
  }
}

TEST_F(TransitionStepperTest, SkippingAndEffectsOffEndOnTheFirstStep) {
  const std::int32_t codes[] = {6, 7, 9, 12, 13, 16, 18, 20, 22, 23, 24, 25, 26, 27, 28, 29, 30,
                                31, 32, 33, 34, 35, 36, 37, OP_LOAD_DISSOLVE};
  const struct {
    const char* how;
    std::int32_t runMode;
    std::int32_t noEffect;
  } ways[] = {{"skip mode", RUN_SKIP, 0}, {"ctrl skip", RUN_SKIPHELD, 0}, {"effects off", RUN_NORMAL, 1}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    Scene().m_nRunMode = way.runMode;
    settings.m_bNoEffect = way.noEffect;
    for (const std::int32_t code : codes) {
      SCOPED_TRACE(code);
      Fill(0, 1);
      Fill(1, 1);
      Start(code, 100000);
      Scene().m_Ops[0].p[4] = code >= 9 && code <= 16 ? 8 : 100000;  // the stripes' width
      EXPECT_EQ(Step(), 1);
      EXPECT_EQ(Scene().m_Ops[0].code, 0);
      EXPECT_TRUE(Same(0, 3)) << "the new picture is shown";
      EXPECT_TRUE(Same(1, 3));
    }
  }
}

TEST_F(TransitionStepperTest, ANonPositiveDurationEndsAtOnce) {
  for (const std::int32_t duration : {0, -1, -100000}) {
    for (const std::int32_t code : {6, 7, 25, 29, 36, 37, 71, 74, 80}) {
      SCOPED_TRACE(testing::Message() << code << " " << duration);
      Start(code, duration);
      EXPECT_EQ(Step(), 1);
      EXPECT_EQ(Scene().m_Ops[0].code, 0);
    }
  }
}

TEST_F(TransitionStepperTest, AMiddleFrameMixesTheTwoPictures) {
  // 100 of 400 ms: c = 64.
  Start(OP_DISSOLVE, 400);
  fake.manualClock().Advance(100);
  EXPECT_EQ(Step(), 1);
  for (int i = 0; i < kScreenWidth * kScreenHeight; i += 4099) {
    std::uint32_t want = 0;
    for (int c = 0; c < 3; ++c)
      want |= pixk::Mix((Px(1)[i] >> (8 * c)) & 0xFF, (Px(3)[i] >> (8 * c)) & 0xFF, 64) << (8 * c);
    ASSERT_EQ(Px(0)[i] & 0x00FFFFFFu, want) << i;
  }
  EXPECT_TRUE(Scene().m_Ops[0].code == OP_DISSOLVE);

  // The rule wipe at its threshold 256: rule bytes below 2 show the new
  // picture, the highest ones are still nearly the old one.
  CLayerImage& rule = Presentation().m_RuleMask;
  rule.m_nKind = 8;
  rule.m_nWidth = kScreenWidth;
  rule.m_nHeight = kScreenHeight;
  rule.m_Plane.assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0);
  for (int y = 0; y < kScreenHeight; ++y) std::memset(&rule.m_Plane[y * kScreenWidth + 512], 255, 512);
  Start(OP_RULE, 1000);
  fake.manualClock().Advance(250);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Px(0)[300 * kScreenWidth + 100] & 0x00FFFFFFu, Px(3)[300 * kScreenWidth + 100]);
  const std::uint32_t o = Px(1)[300 * kScreenWidth + 900], n = Px(3)[300 * kScreenWidth + 900],
                      d = Px(0)[300 * kScreenWidth + 900];
  for (int c = 0; c < 3; ++c) {
    const int ov = (o >> (8 * c)) & 0xFF, nv = (n >> (8 * c)) & 0xFF, dv = (d >> (8 * c)) & 0xFF;
    EXPECT_LE(std::abs(dv - ov), std::abs(nv - ov) / 128 + 1) << c;
  }
}

TEST_F(TransitionStepperTest, BlindsAndCombsMoveOneStepATick) {
  const struct {
    std::int32_t code;
    std::int32_t width;
    int ticks;         // steps to the end (1: the first step ends it)
    int newAt, oldAt;  // a column (or row) of the new and of the old picture after one tick
  } cases[] = {
      {9, 0, 1, -1, -1},   {9, 1, 1, -1, -1},  {9, 4, 4, 8, 9},      {10, 3, 3, 6, 0},
      {11, 4, 4, 596, 1},  {12, 5, 5, 5, 0},   {13, 64, 28, 52, 0},  {13, 0, 1, -1, -1},
      {14, 64, 28, 972, 1023}, {15, 64, 22, 52, 0}, {16, 100, 18, 512, 599},
      // Wider than the screen: one stripe of the screen, and a comb that is
      // done in a tick.
      {9, 0x7FFFFFFF, 1024, 0, 1}, {11, 5000, 600, 0, 1}, {13, 0x7FFFFFFF, 13, -1, -1},
      {16, 0x7FFFFFFF, 13, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " N=" << c.width);
    Fill(0, 1);
    Fill(1, 1);
    Start(c.code, c.width);
    const bool columns = c.code == 9 || c.code == 10 || c.code == 13 || c.code == 14;
    const auto at = [&](int layer, int pos) {
      return columns ? Px(layer)[300 * kScreenWidth + pos] : Px(layer)[pos * kScreenWidth + 512];
    };
    int ticks = 0;
    for (; ticks < 2000 && Scene().m_Ops[0].code == c.code; ++ticks) {
      EXPECT_EQ(Step(), 1);
      if (ticks == 0 && c.newAt >= 0 && Scene().m_Ops[0].code == c.code) {
        EXPECT_EQ(at(0, c.newAt), at(3, c.newAt));
        EXPECT_EQ(at(0, c.oldAt), at(1, c.oldAt));
      }
    }
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_TRUE(Same(0, 3));
  }
}

// The script's rule wipe: the ".msk" picture that `ud` loads (two pixels,
// stretched to the screen: the nearest-neighbour table gives the first
// quarter to the left one) decides which part turns first.
TEST_F(TransitionStepperTest, TheScriptsRuleWipeFollowsItsRulePicture) {
  const std::string recipe = dir / "wipe.recipe";
  ASSERT_TRUE(kvtest::WriteFile(recipe, "variant 8\nsize 2 1\nidx 0:255 255:255\n"));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / "GRP/wipe.msk" + " " + recipe), 0);
  InstallEffectCommands(eng);
  Run({"::START", "ud(2,\"wipe\",1000)"});
  ASSERT_EQ(Scene().m_Ops[0].code, OP_RULE) << TakeBoxes().size();
  ASSERT_EQ(Presentation().m_RuleMask.m_Plane.size(), static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
  Fill(1, 1);
  Fill(3, 3);
  fake.manualClock().Advance(250);  // halfway to the end: threshold 256
  EXPECT_EQ(Step(), 1);
  for (const int y : {0, 299, 599}) {
    for (const int x : {0, 100, 250}) EXPECT_EQ(Px(0)[y * kScreenWidth + x] & 0x00FFFFFFu, Px(3)[y * kScreenWidth + x]);
    for (const int x : {530, 800, 1023}) {
      const std::uint32_t o = Px(1)[y * kScreenWidth + x], d = Px(0)[y * kScreenWidth + x];
      for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(static_cast<int>((o >> (8 * c)) & 0xFF) - static_cast<int>((d >> (8 * c)) & 0xFF)), 2);
    }
  }
  fake.manualClock().Advance(250);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_TRUE(Same(0, 3));
}

TEST_F(TransitionStepperTest, ACombCutShortDoesNotShortenTheNextOne) {
  for (const std::int32_t code : {11, 13}) {
    SCOPED_TRACE(code);
    Start(code, 64);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Step(), 1);
    ClearPendingOps();  // a reset in the middle
    fake.manualClock().Advance(10);
    Start(code, 64);
    int ticks = 0;
    while (Scene().m_Ops[0].code == code && ticks < 100) {
      Step();
      ++ticks;
    }
    EXPECT_EQ(ticks, code == 11 ? 64 : 28);
  }
}

TEST_F(TransitionStepperTest, EmptyViewsStillEndTheOperation) {
  for (const std::int32_t code : {1, 5, 6, 7, 9, 13, 17, 21, 23, 29, 37, 71, 73, 80}) {
    SCOPED_TRACE(code);
    Start(code, 100, static_cast<std::int32_t>(PND_PROMPT_PAGE));
    Scene().m_Ops[0].p[4] = 100;
    CBuffer none;
    for (int i = 0; i < 200 && Scene().m_Ops[0].code == code; ++i) {
      fake.manualClock().Advance(33);
      TransitionStep(none, none, none);
    }
    EXPECT_EQ(Scene().m_Ops[0].code, 0);
    EXPECT_EQ(Scene().m_nPendingState, code == 80 ? PND_PROMPT_PAGE : 0u);
  }
}

TEST_F(TransitionStepperTest, ThePageClearsHomeTheWindowAndEmptyThePage) {
  for (const std::int32_t code : {OP_PAGE_CLEAR, OP_PAGE_CLEAR2}) {
    for (const std::uint32_t wait : {PND_FPROMPT, PND_BACKLOG}) {
      SCOPED_TRACE(testing::Message() << code << " " << wait);
      CTextWindow& w = Window();
      w.m_nState = 1;
      w.m_nCursorX = 300;
      w.m_nCursorY = 90;
      w.m_nLine = 3;
      w.m_nColumn = 12;
      text.AppendPageText("abc");
      eng.m_Root.m_nLineStart = 5;
      eng.m_Root.m_nCursor = 9;
      SetPendingOp(code, 0);
      AddPendingOp(70, 1, 2, 3, 4, 5);  // a parallel move
      Scene().m_nPendingState = wait;
      Scene().m_bStepReady = 1;
      // A composition without system sprites asked for the layers again.
      Presentation().m_bLayersNeedRebuild = wait == PND_BACKLOG ? 1 : 0;
      EXPECT_EQ(Step(), 0);
      EXPECT_EQ(Presentation().m_bLayersNeedRebuild, 0);
      EXPECT_EQ(w.m_nCursorX, 8);
      EXPECT_EQ(w.m_nCursorY, 6);
      EXPECT_EQ(w.m_nLine, 0);
      EXPECT_EQ(w.m_nColumn, 0);
      EXPECT_TRUE(text.IsPageTextEmpty());
      EXPECT_EQ(eng.m_Root.m_nLineStart, 0u);
      EXPECT_EQ(eng.m_Root.m_nCursor, 0u);
      EXPECT_EQ(Scene().m_Ops[0].code, 70) << "the parallel move moves up";
      EXPECT_EQ(Scene().m_Ops[1].code, 0);
      EXPECT_EQ(Scene().m_nPendingState, wait == PND_BACKLOG ? PND_BACKLOG : 0u);
      EXPECT_EQ(Scene().m_bStepReady, 0);
    }
  }
}

TEST_F(TransitionStepperTest, CodesWithoutAStepLeaveEverythingAlone) {
  for (const std::int32_t code : {0, 3, 4, 8, 38, 39, 50, 68, 70, 75, 79, 81, 255, -1}) {
    SCOPED_TRACE(code);
    SetPendingOp(code, 0, 0, kScreenWidth, kScreenHeight, 0, 0);
    Scene().m_nPendingState = PND_OPERATION;
    fake.manualClock().Advance(5000);
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(Scene().m_Ops[0].code, code);
    EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
    EXPECT_TRUE(Same(0, 1));
  }
}

TEST_F(TransitionStepperTest, TheCommonEndReleasesTheStory) {
  const struct {
    std::int32_t mode;  // the script's `mode` word
    std::uint32_t wait;
    std::uint32_t after;
    std::int32_t allowed;
  } cases[] = {{0, PND_OPERATION, 0, 1}, {1, PND_OPERATION, 0, 0}, {0, PND_BACKLOG, PND_BACKLOG, 1}};
  for (const auto& c : cases) {
    eng.m_nMode = c.mode;
    eng.m_bSaveEnabled = eng.m_bLoadEnabled = 0;
    Start(OP_DISSOLVE, 100);
    Scene().m_nPendingState = c.wait;
    Scene().m_bStepReady = 1;
    fake.manualClock().Advance(100);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Scene().m_nPendingState, c.after);
    EXPECT_EQ(eng.m_bSaveEnabled, c.allowed);
    EXPECT_EQ(eng.m_bLoadEnabled, c.allowed);
    EXPECT_EQ(Scene().m_bStepReady, 0);
    EXPECT_TRUE(Same(1, 3));
  }
}

TEST_F(TransitionStepperTest, ZoomsIntoTheOldPictureEndOnIt) {
  for (const std::int32_t code : {17, 19, 21}) {
    SCOPED_TRACE(code);
    Fill(0, 1);
    Fill(1, 1);
    eng.m_bSceneChanged = 0;
    Start(code, 200);
    ASSERT_GT(RunToEnd(code), 0);
    EXPECT_TRUE(Same(0, 1)) << "the last frame is kept as the old picture";
    EXPECT_EQ(eng.m_bSceneChanged, 1);
  }
}

TEST_F(TransitionStepperTest, FadesGoThroughBlackOrWhite) {
  const struct {
    std::int32_t code;
    int sign;             // the colour shift halfway: -128 or +128 of layer 2
    std::uint32_t endAt;  // the colour everything ends on, or 1: layer 2's picture
    std::int32_t screenOut;
  } cases[] = {{OP_BLACK_OUT, -1, 0x000000, 1}, {OP_WHITE_OUT, 1, 0xFFFFFF, 2}, {OP_BLACK_IN, -1, 1, 0},
               {OP_WHITE_IN, 1, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Fill(2, 2);
    eng.m_nScreenOut = 0;
    Start(c.code, 512);
    fake.manualClock().Advance(256);  // c = 128
    EXPECT_EQ(Step(), 1);
    for (int i = 0; i < kScreenWidth * kScreenHeight; i += 7919) {
      for (int k = 0; k < 3; ++k) {
        const int s = (Px(2)[i] >> (8 * k)) & 0xFF, d = (Px(0)[i] >> (8 * k)) & 0xFF;
        ASSERT_EQ(d, std::clamp(s + c.sign * 128, 0, 255)) << i;
      }
    }
    fake.manualClock().Advance(256);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Scene().m_Ops[0].code, 0);
    if (c.endAt == 1) {
      EXPECT_TRUE(Same(0, 2));
    } else {
      for (int i = 0; i < kScreenWidth * kScreenHeight; i += 997) {
        ASSERT_EQ(Px(0)[i] & 0x00FFFFFFu, c.endAt);
        ASSERT_EQ(Px(2)[i] & 0x00FFFFFFu, c.endAt);
      }
    }
    EXPECT_TRUE(Same(0, 1));
    EXPECT_EQ(eng.m_nScreenOut, c.screenOut);
  }
}

TEST_F(TransitionStepperTest, TheCutShowsTheSceneAtOnce) {
  SetPendingOp(OP_CUT);
  Scene().m_nPendingState = PND_OPERATION;
  EXPECT_EQ(Step(), 1);
  EXPECT_TRUE(Same(0, 2));
  EXPECT_TRUE(Same(1, 2));
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

TEST_F(TransitionStepperTest, TheLoadDissolvePutsTheSavedWaitBack) {
  const struct {
    const char* what;
    std::uint32_t saved;
    bool pageText;
    bool choices;
    std::uint8_t windowAfter;
  } cases[] = {
      {"click wait", PND_PROMPT_PAGE, true, false, 1},
      {"page end without text", PND_FPROMPT, false, false, 2},
      {"choice", PND_SLCT, true, true, 1},
      {"choice on an empty page", PND_SLCT, false, true, 1},
      {"running story", 0, false, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CTextWindow& w = Window();
    w.m_nState = 2;
    text.ClearPageText();
    if (c.pageText) text.AppendPageText("abc");
    std::vector<ChoiceRecord> saved;
    if (c.choices) {
      saved.resize(2);
      saved[0].m_nX = 8, saved[0].m_nY = 6, saved[0].m_nWidth = 300, saved[0].m_nHeight = 24;
      saved[0].m_strText = "yes";
      saved[1].m_nX = 8, saved[1].m_nY = 30, saved[1].m_nWidth = 300, saved[1].m_nHeight = 24;
      saved[1].m_strText = "no";
    }
    text.RestoreChoices(saved);
    Start(OP_LOAD_DISSOLVE, kLoadDissolveMs, static_cast<std::int32_t>(c.saved));
    AddPendingOp(70, 1);
    fake.manualClock().Advance(250);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION) << "nothing runs behind the dissolve";
    EXPECT_EQ(w.m_nState, 2);
    fake.manualClock().Advance(250);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Scene().m_nPendingState, c.saved);
    EXPECT_EQ(Scene().m_Ops[0].code, 70);
    EXPECT_EQ(w.m_nState, c.windowAfter);
    EXPECT_TRUE(Same(1, 3));
    EXPECT_EQ(text.ChoiceCount(), c.choices ? 2 : 0);
    if (c.choices) {
      EXPECT_EQ(text.ChoiceAt(10 + 8 + 5, 400 + 30 + 5), 1);
      EXPECT_TRUE(text.ApplyChoice(1));
      EXPECT_EQ(Scene().m_nPendingState, 0u);
    }
  }
}

// What the text draws last (the page, then the choices after it) must still
// be on the screen when the dissolve after a load has ended.
TEST_F(TransitionStepperTest, ThePageBeforeTheChoicesStaysAfterTheLoadDissolve) {
  struct MarkingHost : ITextHost {
    // The redraw the page text is drawn over stands for the text; a
    // presenting redraw after it would wipe that text again.
    void RedrawWindow(std::int32_t, bool present) override {
      Px(0)[450 * kScreenWidth + 100] = present ? 0 : kMark;
    }
  };
  MarkingHost host;
  CMessageText marked(eng, tables, &host);
  Presentation().m_pText = &marked;
  CTextWindow& w = Window();
  w.m_nState = 2;
  marked.AppendPageText("abc");
  std::vector<ChoiceRecord> saved(1);
  saved[0].m_nHeight = 24;
  saved[0].m_strText = "yes";
  marked.RestoreChoices(saved);
  Start(OP_LOAD_DISSOLVE, kLoadDissolveMs, static_cast<std::int32_t>(PND_SLCT));
  fake.manualClock().Advance(kLoadDissolveMs);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
  EXPECT_EQ(Px(0)[450 * kScreenWidth + 100], kMark);
  EXPECT_NE(Px(2)[450 * kScreenWidth + 100], kMark);
}

}  // namespace
