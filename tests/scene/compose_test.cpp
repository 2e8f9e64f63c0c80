// Screen composition on the four layers: the sprite order warning, the
// fill colour and the weather of a scene without pictures, script buttons
// and the overlay, the message window's buttons under the mouse, gauges,
// rectangle copies, the layer rebuild a window redraw consumes, and the
// `bmp` export.
#include "scene/compose.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/settings_record.h"
#include "framework/arc.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "graphics/layer_draw.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"
#include "scene/text_host.h"
#include "tests/engine/script_test_util.h"
#include "tests/scene/screen_harness.h"
#include "tests/support/test_support.h"

namespace {

// A kind-24 picture (copied exactly at full opacity) of `colours.size()`
// states stacked, each w x h of one colour (0x00RRGGBB).
void Solid(CLayerImage& r, const char* name, int w, int h, const std::vector<std::uint32_t>& colours, int cls = 0) {
  kvtest::SolidPicture(r, name, w, h, colours, 24, cls);
}

struct ComposeTest : ::testing::Test, kvtest::MainWindowScreens {
  pl::FakeBackend fake;
  CObjectTables tables;
  static inline std::vector<const VirtualScreen*> weatherOn;
  static inline int overlayOffs = 0;

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OpenScreens());
    SetDisplayModeWord(0);
    ResetPresentation();
    ResetSceneState();
    Presentation().m_pTables = &tables;
    weatherOn.clear();
    overlayOffs = 0;
    SetLayerDrawHooks(LayerDrawHooks{});
    InstallSceneDrawHooks();
    // The weather and the overlay are watched instead of drawn.
    Presentation().m_pfnOverlayOff = [] { ++overlayOffs; };
    LayerDrawHooks h = GetLayerDrawHooks();
    h.drawWeatherAndOverlay = [](VirtualScreen* s, int) {
      weatherOn.push_back(s);
      s->Pixels()[0] = 0x00ABCDEF;  // the weather's mark
    };
    SetLayerDrawHooks(h);
  }
  void TearDown() override {
    SetLayerDrawHooks(LayerDrawHooks{});
    ResetPresentation();
    CloseScreens();
  }
  std::vector<std::string> BoxTexts() const { return kvtest::BoxTexts(fake); }
};

TEST_F(ComposeTest, OrderWarningNamesEachNormalSpriteAboveASystemSprite) {
  const struct {
    std::vector<int> classes;  // sprites 0.. (sprite 0 the background)
    std::vector<int> warned;
  } cases[] = {
      {{0, 0, 1, 0}, {3}},
      {{0, 1, 0, 0}, {2, 3}},
      {{0, 0, 0, 1}, {}},
      {{0, 1, 1, 0}, {3}},
      // The background's own class does not count.
      {{1, 0, 0}, {}},
      // -1: a sprite not in use, which is never drawn.
      {{0, 1, -1, -1, 0}, {4}},
  };
  for (const auto& c : cases) {
    fake.boxes.clear();
    tables.CreateSprites(static_cast<int>(c.classes.size()));
    for (std::size_t i = 0; i < c.classes.size(); ++i)
      if (c.classes[i] >= 0) Solid(*tables.SpriteAt(static_cast<int>(i)), "s", 4, 4, {0x00102030}, c.classes[i]);
    ComposeSprites(true);
    std::vector<std::string> expected;
    for (int n : c.warned)
      expected.push_back("KIV:スプライトナンバー " + std::to_string(n) +
                         " より後のスプライトで通常スプライトを使用しています。\nシステムスプライトを指定してください。");
    EXPECT_EQ(BoxTexts(), expected) << c.classes.size();
    for (const auto& b : fake.boxes) EXPECT_EQ(b.owner, win);
  }
}

TEST_F(ComposeTest, SceneWithoutPicturesShowsTheFillColourAndTheWeather) {
  tables.CreateSprites(3);  // all unnamed
  Presentation().m_dwFillColor = 0x00112233;
  ComposeSprites(true);
  EXPECT_EQ(Px(2, 500, 300), 0x112233u);
  EXPECT_EQ(Px(3, 500, 300), 0x112233u);
  ASSERT_EQ(weatherOn.size(), 1u);
  EXPECT_EQ(weatherOn[0], GetVirtualScreen(2));
  EXPECT_EQ(Px(2, 0, 0), 0xABCDEFu);
  EXPECT_EQ(Px(3, 0, 0), 0x112233u);

  // With a background the weather comes with the last normal sprite's
  // copy of layer 3, once, and the scene reaches layer 2.
  weatherOn.clear();
  Solid(*tables.SpriteAt(0), "bg", kScreenWidth, kScreenHeight, {0x00405060});
  Solid(*tables.SpriteAt(1), "ch", 10, 10, {0x00FF0000});
  tables.SpriteAt(1)->m_nX = 100;
  ComposeSprites(true);
  EXPECT_EQ(weatherOn.size(), 1u);
  EXPECT_EQ(Px(2, 500, 300), 0x405060u);
  EXPECT_EQ(Px(2, 105, 5), 0xFF0000u);
}

TEST_F(ComposeTest, ButtonsGoBackToState0HiddenOnesStayAndTheOverlayGoesOff) {
  const struct {
    std::vector<int> states;
    std::vector<int> after;
    int overlayOffs;
  } cases[] = {
      {{0, 1, 2}, {0, 0, 0}, 1},
      {{3, 1}, {3, 0}, 1},
      {{3, 3}, {3, 3}, 0},
  };
  tables.CreateSprites(1);
  Presentation().m_dwFillColor = 0x00000080;
  for (const auto& c : cases) {
    overlayOffs = 0;
    tables.CreateButtons(static_cast<int>(c.states.size()));
    for (std::size_t i = 0; i < c.states.size(); ++i) {
      CScriptButton& b = *tables.ButtonAt(static_cast<int>(i));
      Solid(b.m_Image, "b", 8, 8, {0x00AA0000, 0x0000AA00, 0x000000AA});
      b.m_Image.m_nX = static_cast<std::int16_t>(20 * i);
      b.m_nState = static_cast<std::uint8_t>(c.states[i]);
    }
    ComposeSprites(true);
    for (std::size_t i = 0; i < c.states.size(); ++i) {
      EXPECT_EQ(tables.ButtonAt(static_cast<int>(i))->m_nState, c.after[i]) << i;
      // Shown buttons in their first look; a hidden one leaves the scene.
      EXPECT_EQ(Px(2, 20 * static_cast<int>(i) + 4, 4), c.after[i] == 3 ? 0x000080u : 0xAA0000u) << i;
    }
    EXPECT_EQ(overlayOffs, c.overlayOffs);
  }
}

TEST_F(ComposeTest, CompositionWithoutSystemSpritesMakesTheNextWindowRedrawRebuild) {
  tables.CreateSprites(3);
  Solid(*tables.SpriteAt(0), "bg", kScreenWidth, kScreenHeight, {0x00203040});
  Solid(*tables.SpriteAt(1), "sys", 10, 10, {0x00FFFF00}, 1);
  tables.CreateWindows(1);
  ASSERT_TRUE(tables.SelectWindow(0));
  CTextWindow& w = *tables.WindowAt(0);
  w.m_nX = 100, w.m_nY = 400, w.m_nWidth = 50, w.m_nHeight = 20, w.m_nState = 1;

  ComposeSprites(false);
  EXPECT_EQ(Presentation().m_bLayersNeedRebuild, 1);
  EXPECT_EQ(Px(2, 5, 5), 0x203040u);  // the system sprite waits
  std::fill(win->front.begin(), win->front.end(), 0u);
  RedrawTextWindow(w, 1, true);
  EXPECT_EQ(Presentation().m_bLayersNeedRebuild, 0);
  EXPECT_EQ(Px(0, 5, 5), 0xFFFF00u);
  // The whole screen is presented after a rebuild, not only the window.
  EXPECT_EQ(Front(5, 5), 0xFFFF00u);
  EXPECT_EQ(Front(1000, 10), 0x203040u);

  // Without a rebuild only the window's rectangle is presented.
  std::fill(win->front.begin(), win->front.end(), 0u);
  RedrawTextWindow(w, 1, true);
  EXPECT_EQ(Front(5, 5), 0u);
  EXPECT_EQ(Front(110, 410), 0x203040u);
}

TEST_F(ComposeTest, WindowButtonsShowTheirLookForMouseAndAutoMode) {
  CSettings settings;
  Presentation().m_pSettings = &settings;
  settings.m_nWindowOpacity = 100;
  tables.CreateSprites(1);
  tables.CreateWindows(1);
  ASSERT_TRUE(tables.SelectWindow(0));
  CTextWindow& w = *tables.WindowAt(0);
  w.m_nX = 200, w.m_nY = 300, w.m_nWidth = 300, w.m_nHeight = 100, w.m_nState = 1;
  for (const char* name : {"automode", "calllog"}) {
    auto b = std::make_unique<CWindowButton>();
    Solid(b->m_Image, "sb", 20, 10, {0x00110000, 0x00220000, 0x00330000}, 2);
    b->m_Image.m_nX = static_cast<std::int16_t>(w.m_Buttons.empty() ? 10 : 40);
    std::snprintf(b->m_szAction, sizeof b->m_szAction, "%s", name);
    w.m_Buttons.push_back(std::move(b));
  }
  CWindowButton& autoBtn = *w.m_Buttons[0];
  CWindowButton& logBtn = *w.m_Buttons[1];
  const int autoX = 200 + 10 + 5, logX = 200 + 40 + 5, btnY = 300 + 5;
  const std::uint32_t look[3] = {0x110000, 0x220000, 0x330000};
  pl::ShowWindow(win, pl::SW_SHOW);

  const struct {
    const char* what;
    bool active;
    int mouseX;  // -1: away from every button
    int autoMode, logLook;
    int autoShows, logShows;
  } cases[] = {
      {"nothing hovered", true, -1, 0, 0, 0, 0},
      {"auto mode on", true, -1, 1, 0, 2, 0},
      {"auto mode button hovered, on", true, autoX, 1, 0, 2, 0},
      {"auto mode button hovered, off", true, autoX, 0, 0, 1, 0},
      {"other hovered", true, logX, 1, 0, 2, 1},
      {"other hovered while pressed", true, logX, 0, 2, 0, 2},
      {"program not active", false, logX, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    fake.active = c.active;
    settings.m_bAutoMode = c.autoMode;
    logBtn.m_nLook = c.logLook;
    SetLogicalCursorXY(c.mouseX < 0 ? 600 : c.mouseX, c.mouseX < 0 ? 50 : btnY);
    RedrawMessageWindow(1, w, 3);
    EXPECT_EQ(Px(0, autoX, btnY), look[c.autoShows]) << c.what;
    EXPECT_EQ(Px(0, logX, btnY), look[c.logShows]) << c.what;
  }
  (void)autoBtn;
}

TEST_F(ComposeTest, GaugeBarsBlendTowardsTheColourOrItsComplement) {
  const struct {
    int percent, r, g, b;
    std::uint32_t over;  // source pixel 0x00RRGGBB
    std::uint32_t expect;
  } cases[] = {
      {50, 200, 0, 0, 0x646464, 0xC86464},    // (200, 100, 100)
      {100, 200, 0, 0, 0x646464, 0xFF6464},   // saturates at 255
      {0, 200, 10, 20, 0x646464, 0xC80A14},   // the colour itself
      {-50, 200, 0, 0, 0x646464, 0x490000},   // 100 - 27, 100 - 127 -> 0
      {-10, 255, 255, 255, 0x646464, 0x646464},
  };
  VirtualScreen* layer = GetVirtualScreen(2);
  for (const auto& c : cases) {
    ClearVirtualScreen(layer, ((c.over & 0xFF) << 16) | (c.over & 0xFF00) | (c.over >> 16));
    layer->Pixels()[10 * kScreenWidth + 10] |= 0xFF000000u;  // alpha to be dropped
    BlendGaugeBar(ScreenRect{10, 10, 19, 14}, c.r, c.percent, layer, layer, c.g, c.b);
    EXPECT_EQ(layer->Pixels()[10 * kScreenWidth + 10], c.expect) << c.percent;
    EXPECT_EQ(Px(2, 19, 14), c.expect) << c.percent;
    // The rectangle is inclusive and nothing outside it changes.
    EXPECT_EQ(Px(2, 20, 14), c.over) << c.percent;
    EXPECT_EQ(Px(2, 19, 15), c.over) << c.percent;
    EXPECT_EQ(Px(2, 9, 10), c.over) << c.percent;
  }
  // A bar reaching past the screen is cut to it.
  BlendGaugeBar(ScreenRect{-5, 590, 2000, 700}, 0, 0, layer, layer, 0, 0);
  EXPECT_EQ(Px(2, 1023, 599), 0u);
}

TEST_F(ComposeTest, RegionCopiesAreInclusiveAndNeedASource) {
  ClearVirtualScreen(GetVirtualScreen(3), 0x000000FF);
  CopyScreenRegion(ScreenRect{5, 6, 7, 8}, GetVirtualScreen(1), GetVirtualScreen(3));
  EXPECT_EQ(Px(1, 7, 8), 0xFF0000u);
  EXPECT_EQ(Px(1, 8, 8), 0u);
  EXPECT_EQ(Px(1, 7, 9), 0u);
  CopyFullScreenRect(nullptr, GetVirtualScreen(3), GetVirtualScreen(1), ScreenRect{0, 0, 1, 1});
  EXPECT_EQ(Px(1, 1, 1), 0xFF0000u);
  EXPECT_EQ(Px(1, 2, 2), 0u);
  CopyFullScreenRect(nullptr, nullptr, GetVirtualScreen(1), ScreenRect{0, 0, 1023, 599});
  EXPECT_EQ(Px(1, 500, 500), 0u);
}

struct BmpExportTest : ComposeTest {
  kvtest::TempDir dir;
  void SetUp() override {
    ComposeTest::SetUp();
    pl::SetProgramFolder(dir.path());
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "GRP"), 0);
  }
  void TearDown() override {
    pl::SetProgramFolder("");
    ComposeTest::TearDown();
  }
  void Picture(const std::string& file, int variant) {
    const std::string recipe = dir / "p.recipe";
    ASSERT_TRUE(kvtest::WriteFile(recipe, "variant " + std::to_string(variant) + "\nsize 2 2\nfill 4 FF102030\n"));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / ("GRP/" + file) + " " + recipe), 0);
  }
};

TEST_F(BmpExportTest, ThePictureFileLandsInSaveBmpOnce) {
  Picture("pic.bmp", 24);
  ASSERT_EQ(LoadBmpImage("pic", nullptr), 1);
  const std::string original = kvtest::ReadFile(dir / "GRP/pic.bmp");
  ASSERT_FALSE(original.empty());
  EXPECT_EQ(kvtest::ReadFile(dir / "save/bmp/pic.bmp"), original);
  // An exported file is kept as it is.
  ASSERT_TRUE(kvtest::WriteFile(dir / "save/bmp/pic.bmp", "mine"));
  EXPECT_EQ(LoadBmpImage("pic", nullptr), 1);
  EXPECT_EQ(kvtest::ReadFile(dir / "save/bmp/pic.bmp"), "mine");
  EXPECT_TRUE(fake.boxes.empty()) << BoxTexts().size();

  // ".abm" comes first; a name with a dot is taken as it is.
  Picture("two.abm", 32);
  Picture("two.bmp", 24);
  EXPECT_EQ(LoadBmpImage("two", nullptr), 1);
  EXPECT_TRUE(pl::FileExists("K:\\save\\bmp\\two.abm"));
  EXPECT_FALSE(pl::FileExists("K:\\save\\bmp\\two.bmp"));
  EXPECT_EQ(LoadBmpImage("two.bmp", nullptr), 1);
  EXPECT_TRUE(pl::FileExists("K:\\save\\bmp\\two.bmp"));
}

TEST_F(BmpExportTest, MissingPicturesAndForeignFoldersExportNothing) {
  // Packed pictures are not looked for.
  ASSERT_TRUE(kvtest::WriteFile(dir / "GRP/gone.dat", "packed"));
  EXPECT_EQ(LoadBmpImage("gone", nullptr), 0);
  ASSERT_EQ(BoxTexts(), std::vector<std::string>{"ファイルオープンエラー:不正なグラフィック指定：gone"});
  EXPECT_FALSE(pl::FileExists("K:\\save\\bmp\\gone.dat"));
  // A folder in the name never leads the export out of "save\bmp".
  ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "GRP/sub"), 0);
  Picture("sub/deep.bmp", 24);
  EXPECT_EQ(LoadBmpImage("sub\\deep", nullptr), 1);
  EXPECT_TRUE(pl::FileExists("K:\\save\\bmp\\deep.bmp"));
}

// The first run's name window and cells: loose under "grp" or in the
// graphics archive; what cannot be had is told and left out.
TEST_F(BmpExportTest, FirstRunPicturesLoadOrAreToldMissing) {
  const std::string kNameFile = "メッセージ:名前ウインドウデータの読み込みに失敗しました。";
  const std::string kNameSurface = "メッセージ:NameWnd Surface の作成に失敗しました。";
  const std::string kCellFile = "メッセージ:セルＢＭＰデータの読み込みに失敗しました。";
  const struct {
    const char* what;
    bool name, cells, archive;
    const char* brokenName;  // bytes of a namewnd1.abm that is no picture
    std::vector<std::string> boxes;
  } cases[] = {
      {"all loose", true, true, false, nullptr, {}},
      {"all in the archive", true, true, true, nullptr, {}},
      {"none", false, false, false, nullptr, {kNameFile, kCellFile, kCellFile}},
      {"cells only", false, true, false, nullptr, {kNameFile}},
      {"name window no picture", false, true, false, "not a picture", {kNameSurface}},
      {"name window empty", false, true, false, "", {kNameFile}},
  };
  CSceneTextHost host;
  for (const auto& c : cases) {
    ASSERT_EQ(kvtest::RunCommand("rm -rf " + dir / "GRP" + " " + dir / "GRP.AOS" + " && mkdir -p " + dir / "GRP"), 0);
    fake.boxes.clear();
    if (c.name) Picture("namewnd1.abm", 32);
    if (c.cells) {
      Picture("msgcell1.bmp", 24);
      Picture("namecell1.bmp", 24);
    }
    if (c.brokenName) {
      ASSERT_TRUE(kvtest::WriteFile(dir / "GRP/namewnd1.abm", c.brokenName));
    }
    CArc arc;
    if (c.archive) {
      std::string members;
      for (const char* n : {"namewnd1.abm", "msgcell1.bmp", "namecell1.bmp"})
        members += std::string(" '") + n + "=" + dir / ("GRP/" + std::string(n)) + "'";
      ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("aospack") + " '" + dir / "GRP.AOS" + "'" + members), 0);
      ASSERT_EQ(kvtest::RunCommand("rm -rf " + dir / "GRP"), 0);
      ASSERT_EQ(arc.Open("K:\\GRP.AOS"), 1);
    }
    LoadScenePictures(c.archive ? &arc : nullptr);
    EXPECT_EQ(BoxTexts(), c.boxes) << c.what;
    const ScenePresentation& p = Presentation();
    EXPECT_EQ(p.m_bNameWindowLoaded, c.name ? 1 : 0) << c.what;
    EXPECT_EQ(p.m_bMessageCellLoaded, c.cells ? 1 : 0) << c.what;
    EXPECT_EQ(p.m_bNameCellLoaded, c.cells ? 1 : 0) << c.what;
    int w = 0, h = 0;
    EXPECT_EQ(host.NameWindow(&w, &h), c.name) << c.what;
    if (c.name) {
      EXPECT_EQ(std::make_pair(w, h), std::make_pair(2, 2)) << c.what;
    }
    if (c.cells) {
      EXPECT_EQ(p.m_MessageCell.m_Pixels.size(), 4u) << c.what;
    }
    ReleaseScenePictures();
    EXPECT_EQ(p.m_bNameWindowLoaded + p.m_bMessageCellLoaded + p.m_bNameCellLoaded, 0);
    EXPECT_TRUE(p.m_NameWindow.m_Pixels.empty());
  }
}

}  // namespace

namespace {

// The backlog view's window: the page drawn before goes back to the scene,
// the window's picture is laid over it by its alpha, and the rest of the
// screen is left alone.
TEST_F(ComposeTest, HistoryWindowReplacesThePageBeforeWithItsPicture) {
  CTextWindow& h = tables.m_History;
  h.m_nX = 100;
  h.m_nY = 50;
  h.m_nWidth = 300;
  h.m_nHeight = 200;
  Solid(h.m_Frame, "logwnd", 100, 100, {0xFF00FF00});  // opaque green
  h.m_nFrameX = 10;
  h.m_nFrameY = 10;
  ClearVirtualScreen(GetVirtualScreen(2), 0x000080);  // the scene (COLORREF: red)
  ClearVirtualScreen(GetVirtualScreen(0), 0xFFFFFF);  // the page before, white
  CSceneTextHost host;
  host.DrawHistoryWindow();
  EXPECT_GE(Px(0, 150, 100) & 0x00FF00, 0x00F000u) << "inside the picture";
  EXPECT_LT(Px(0, 150, 100) & 0xFF0000, 0x100000u);
  EXPECT_EQ(Px(0, 300, 200), Px(2, 300, 200)) << "the window outside its picture shows the scene";
  EXPECT_EQ(Px(0, 50, 20), 0xFFFFFFu) << "outside the window nothing changes";
}

}  // namespace
