// The render tick on the virtual clock: the click-wait cursor's frames,
// the skip's page end, the recomposition that keeps animated sprites moving
// (and stands still after a black-out), hidden system sprites, and a
// revealed page in its window as the player sees it in the front buffer.
#include "scene/render_tick.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "framework/app_base.h"
#include "framework/globals.h"
#include "graphics/anti_font.h"
#include "graphics/layer_draw.h"
#include "platform/window.h"
#include "scene/compose.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"
#include "scene/text_host.h"
#include "tests/scene/scene_harness.h"
#include "tests/scene/screen_harness.h"

namespace {

using kvtest::SolidPicture;

bool Near(std::uint32_t a, std::uint32_t b) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(static_cast<int>((a >> (8 * c)) & 0xFF) - static_cast<int>((b >> (8 * c)) & 0xFF)) > 2) return false;
  return true;
}

struct RenderTickTest : ::testing::Test, kvtest::MainWindowScreens {
  pl::FakeBackend fake;
  CObjectTables tables;
  CScriptEngine eng;
  static constexpr std::uint32_t kStart = 50000;

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OpenScreens());
    ResetPresentation();
    ResetSceneState();
    Presentation().m_pTables = &tables;
    Presentation().m_pScript = &eng;
    SetLayerDrawHooks(LayerDrawHooks{});
    InstallSceneDrawHooks();
    fake.manualClock().Set(kStart);
    tables.CreateWindows(1);
    ASSERT_TRUE(tables.SelectWindow(0));
    CTextWindow& w = W();
    w.m_nX = 100, w.m_nY = 400, w.m_nWidth = 300, w.m_nHeight = 100, w.m_nState = 1;
  }
  void TearDown() override {
    ResetPresentation();
    CloseScreens();
  }
  CTextWindow& W() { return *tables.WindowAt(0); }
  static int IndexOf(const std::vector<std::uint32_t>& v, std::uint32_t c) {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (v[i] == c) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(RenderTickTest, ClickWaitCursorShowsOneFrameEvery66MsAndStartsAgain) {
  const std::vector<std::uint32_t> page = {0x000010, 0x000020, 0x000030, 0x000040, 0x000050};
  const std::vector<std::uint32_t> prompt = {0x100000, 0x200000, 0x300000, 0x400000, 0x500000};
  const struct {
    std::uint32_t pending;
    const std::vector<std::uint32_t>* colours;
  } cases[] = {{PND_FPROMPT, &page}, {PND_PROMPT_PAGE, &prompt}};
  CTextWindow& w = W();
  SolidPicture(w.m_PageCursor, "cur", 8, 8, page, 24, 2);
  SolidPicture(w.m_PromptCursor, "cur", 8, 8, prompt, 24, 2);
  w.m_nPageCursorLast = w.m_nPromptCursorLast = 4;
  w.m_nPageCursorX = w.m_nPromptCursorX = 50;
  w.m_nPageCursorY = w.m_nPromptCursorY = 20;
  for (const auto& c : cases) {
    Scene().m_nPendingState = c.pending;
    fake.manualClock().Set(kStart);
    Presentation().m_dwCursorAnimStart = kStart;
    std::vector<int> frames, presented;
    for (int k = 0; k < 13; ++k) {
      fake.manualClock().Set(kStart + 33u * static_cast<std::uint32_t>(k));
      RenderFrame();
      frames.push_back(IndexOf(*c.colours, Px(0, 154, 424)));
      presented.push_back(IndexOf(*c.colours, Front(154, 424)));
    }
    // Five frames from the last down, 66 ms each; at 330 ms it starts again.
    const std::vector<int> expected = {4, 4, 3, 3, 2, 2, 1, 1, 0, 0, 4, 4, 3};
    EXPECT_EQ(frames, expected) << c.pending;
    EXPECT_EQ(presented, expected) << c.pending;
    // Only the cursor's rectangle is drawn.
    EXPECT_EQ(Px(0, 158, 424), 0u);
    EXPECT_EQ(Px(0, 154, 428), 0u);
  }
}

TEST_F(RenderTickTest, WithoutACursorPictureNothingIsDrawnOrPresented) {
  Scene().m_nPendingState = PND_FPROMPT;
  ClearVirtualScreen(GetVirtualScreen(2), 0x00FFFFFF);
  std::fill(win->front.begin(), win->front.end(), 0x12345678u);
  for (int k = 0; k < 5; ++k) {
    fake.manualClock().Advance(33);
    RenderFrame();
  }
  EXPECT_EQ(Px(0, 150, 420), 0u);
  EXPECT_EQ(win->front[420 * win->clientWidth + 150], 0x12345678u);
}

TEST_F(RenderTickTest, SkippingClearsAPageEndWithinTheTick) {
  CTextWindow& w = W();
  SolidPicture(w.m_PageCursor, "cur", 8, 8, {0x0000AA}, 24, 2);
  SolidPicture(w.m_PromptCursor, "cur", 8, 8, {0x0000BB}, 24, 2);
  const struct {
    std::int32_t runMode;
    std::uint32_t pending;
    bool cleared;
  } cases[] = {
      {RUN_SKIP, PND_FPROMPT, true},
      {RUN_SKIPHELD, PND_FPROMPT, true},
      {RUN_NORMAL, PND_FPROMPT, false},
      {RUN_SKIP, PND_PROMPT_PAGE, false},
  };
  for (const auto& c : cases) {
    ClearPendingOpsAll();
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    Scene().m_nRunMode = c.runMode;
    Scene().m_nPendingState = c.pending;
    RenderFrame();
    EXPECT_EQ(Scene().m_Ops[0].code, c.cleared ? OP_PAGE_CLEAR : 0) << c.runMode << " " << c.pending;
    // A page end that is cleared shows no cursor.
    EXPECT_EQ(Px(0, 102, 402) != 0, !c.cleared) << c.runMode << " " << c.pending;
  }
}

TEST_F(RenderTickTest, BlackOutAndChangedSceneStopTheRecomposition) {
  tables.CreateSprites(1);
  SolidPicture(*tables.SpriteAt(0), "anim", 16, 16, {0xFFFF0000, 0xFF00FF00}, 3);
  const struct {
    std::int32_t screenOut, sceneChanged;
    bool recomposed;
  } cases[] = {{0, 0, true}, {1, 0, false}, {2, 0, false}, {0, 1, false}};
  for (const auto& c : cases) {
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    std::fill(win->front.begin(), win->front.end(), 0u);
    eng.m_nScreenOut = c.screenOut;
    eng.m_bSceneChanged = c.sceneChanged;
    fake.manualClock().Advance(33);
    RenderFrame();
    EXPECT_EQ(Px(0, 5, 5) != 0, c.recomposed) << c.screenOut << c.sceneChanged;
    EXPECT_EQ(Front(5, 5) != 0, c.recomposed) << c.screenOut << c.sceneChanged;
    // A still scene is not recomposed.
    tables.SpriteAt(0)->m_nKind = 24;
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    EXPECT_EQ(RecomposeScene(), 0);
    EXPECT_EQ(Px(0, 5, 5), 0u);
    tables.SpriteAt(0)->m_nKind = 3;
  }
}

TEST_F(RenderTickTest, HiddenSystemSpriteStaysHiddenUntilTheWindowsComeBack) {
  tables.CreateSprites(2);
  SolidPicture(*tables.SpriteAt(0), "anim", kScreenWidth, kScreenHeight, {0xFF800000}, 3);
  SolidPicture(*tables.SpriteAt(1), "sys", 10, 10, {0x0000FF00}, 24, 1);
  tables.SpriteAt(1)->m_nX = 100;
  tables.SpriteAt(1)->m_nY = 100;
  RedrawLayers(1);
  EXPECT_EQ(tables.SpriteAt(1)->m_nClass, 0x81);
  EXPECT_NE(Px(0, 105, 105), 0x00FF00u);
  EXPECT_EQ(Px(1, 105, 105), Px(2, 105, 105));
  W().m_nState = 0;
  for (int k = 0; k < 4; ++k) {
    // Shown or not, the window does not bring the hidden sprite back.
    W().m_nState = k % 2 ? 1 : 0;
    EXPECT_EQ(RecomposeScene(), 1);
    EXPECT_NE(Px(0, 105, 105), 0x00FF00u) << k;
  }
  W().m_nState = 0;
  RedrawLayers(0);
  EXPECT_EQ(tables.SpriteAt(1)->m_nClass, 1);
  EXPECT_EQ(W().m_nState, 1);
  EXPECT_EQ(Px(0, 105, 105), 0x00FF00u);
  EXPECT_EQ(Px(1, 105, 105), 0x00FF00u);
  ClearVirtualScreen(GetVirtualScreen(0), 0);
  EXPECT_EQ(RecomposeScene(), 1);
  EXPECT_EQ(Px(0, 105, 105), 0x00FF00u);
  // Without the window a system sprite is left out.
  W().m_nState = 0;
  EXPECT_EQ(RecomposeScene(), 1);
  EXPECT_NE(Px(0, 105, 105), 0x00FF00u);
}

TEST_F(RenderTickTest, PumpedPausesDispatchAndStopWhenTheWindowIsGone) {
  static int seen = 0;
  seen = 0;
  pl::Window* other = pl::CreateWindow(pl::WindowDesc{}, [](pl::Window*, std::uint32_t id, pl::WPARAM, pl::LPARAM) {
    if (id == pl::WM_USER + 7) ++seen;
    return pl::LRESULT{0};
  });
  ASSERT_NE(other, nullptr);
  for (int i = 0; i < 3; ++i) pl::PostMessage(other, pl::WM_USER + 7, 0, 0);
  const std::uint32_t before = pl::TickMs();
  EXPECT_EQ(PumpFrames(2), 2);
  EXPECT_EQ(seen, 3);
  EXPECT_GE(pl::TickMs() - before, 30u);
  // With the program's window destroyed the pause ends at once with 0.
  CAppBase app;
  SetApp(&app);
  app.m_nState = APP_DESTROYED;
  EXPECT_EQ(PumpFrames(5), 0);
  app.m_nState = APP_ACTIVE;
  EXPECT_EQ(PumpFrames(1), 1);
  SetApp(nullptr);
  pl::FreeWindow(other);
}

// A page revealed through the interpreter in a window with a frame picture.
class RevealedWindowTest : public kvtest::SceneScriptTest, public kvtest::MainWindowScreens {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(OpenScreens());
    ResetPresentation();
    PointPresentation(&text, nullptr);
    SetLayerDrawHooks(LayerDrawHooks{});
    InstallSceneDrawHooks();
    UseBoxText(font, text);
    eng.m_nTextColor = 0x0000FF;  // COLORREF red
  }
  void TearDown() override {
    SetAntiFont(nullptr);
    ResetPresentation();
    CloseScreens();
    SceneScriptTest::TearDown();
  }
  static std::uint32_t Px(int x, int y) { return kvtest::LayerColour(0, x, y); }

  CAntiFont font;
  CSceneTextHost host;
  CMessageText text{eng, tables, &host};
};

TEST_F(RevealedWindowTest, FrameAndRevealedTextReachLayer0AndTheScreen) {
  Picture("frame", 300, 100, 0xFF336699);
  Run({"::START", "wnd(1)", "wnd(0,2,100,400)", "wnd(0,1,300,100)", "wnd(0,6,\"frame\",0,0)", "wnd(0,4,10,8,4,0,3,3)",
       "あい"});
  ASSERT_EQ(Scene().m_nPendingState, PND_TYPING);
  ASSERT_EQ(TakeBoxes(), std::vector<std::string>{});
  for (int i = 0; i < 50 && Scene().m_nPendingState == PND_TYPING; ++i) {
    text.ShowTextStep();
    fake.manualClock().Advance(100);
  }
  ASSERT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  const int textX = 100 + 10 + 8, textY = 400 + 8 + 8;
  for (const auto& [x, y, colour] : std::vector<std::tuple<int, int, std::uint32_t>>{
           {390, 490, 0x336699}, {textX, textY, 0xFF0000}, {textX + 17, textY, 0xFF0000}, {textX + 34, textY, 0x336699}}) {
    EXPECT_TRUE(Near(Px(x, y), colour)) << x << "," << y << " " << std::hex << Px(x, y);
    EXPECT_TRUE(Near(Front(x, y), colour)) << x << "," << y << " " << std::hex << Front(x, y);
  }
  EXPECT_EQ(Px(50, 50), 0u);

  // An animated sprite recomposes the scene every tick: the window and its
  // page come back over it.
  tables.CreateSprites(1);
  SolidPicture(*tables.SpriteAt(0), "anim", kScreenWidth, kScreenHeight, {0xFF0000FF}, 3);
  fake.manualClock().Advance(33);
  RenderFrame();
  EXPECT_TRUE(Near(Front(50, 50), 0x0000FF)) << std::hex << Front(50, 50);
  EXPECT_TRUE(Near(Front(textX, textY), 0xFF0000)) << std::hex << Front(textX, textY);
  EXPECT_TRUE(Near(Front(390, 490), 0x336699)) << std::hex << Front(390, 490);
}

}  // namespace
