#include <gtest/gtest.h>

#include <memory>

#include <algorithm>

#include "framework/app_base.h"
#include "framework/d3d_screen.h"
#include "framework/ddraw.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/window.h"
#include "graphics/virtual_screen.h"
#include "platform/fake/fake_backend.h"

namespace {

TEST(PresenterBox, LargestBoxOfThePictureShape) {
  struct Case {
    int cw, ch, x, y, w, h;
  };
  const Case cases[] = {
      {1920, 1080, 38, 0, 1843, 1080},
      {1280, 1024, 0, 137, 1280, 750},
      {1024, 600, 0, 0, 1024, 600},
  };
  for (const Case& c : cases) {
    PresenterBox b = FitPresenterBox(c.cw, c.ch);
    EXPECT_EQ(b.x, c.x) << c.cw << "x" << c.ch;
    EXPECT_EQ(b.y, c.y) << c.cw << "x" << c.ch;
    EXPECT_EQ(b.width, c.w) << c.cw << "x" << c.ch;
    EXPECT_EQ(b.height, c.h) << c.cw << "x" << c.ch;
  }
  EXPECT_EQ(NextPowerOfTwo(1024), 1024);
  EXPECT_EQ(NextPowerOfTwo(600), 1024);
  EXPECT_EQ(NextPowerOfTwo(1), 2);
}

struct Display : ::testing::Test {
  pl::FakeBackend fake;
  CAppBase app;
  std::unique_ptr<CWindow> owned = std::make_unique<CWindow>();
  CWindow& window = *owned;
  CKeyManager keys;
  std::unique_ptr<pl::Menu> menu = pl::LoadMenu(101);
  CDDraw ddraw;

  // The display device lists the modes the fake display offers now.
  void ListModes(std::vector<pl::DisplayModeInfo> modes) {
    fake.modes = std::move(modes);
    ASSERT_EQ(ddraw.Init(window.GetHandle()), 1);
    app.m_pDDraw = &ddraw;
  }

  void SetUp() override {
    ResetDisplayModeState();
    SetApp(&app);
    SetMenuHandle(menu.get());
    window.Hooks().Add(&app);
    WindowCreateRecord rec;
    rec.className = "KIV";
    rec.hMenu = menu.get();
    rec.dwStyle = 0x82CA0000u;
    ASSERT_EQ(window.Create(rec), 0);
    app.m_pWindow = &window;
    app.m_pKeyManager = &keys;
    keys.Init(window.GetHandle());
    window.Show(pl::SW_SHOW);
    app.m_nState = APP_ACTIVE;
  }
  void TearDown() override {
    app.m_pDDraw = nullptr;
    keys.m_Mouse.Stop();
    delete app.m_pD3DScreen;
    app.m_pD3DScreen = nullptr;
    window.Hooks().Clear();
    // As shutdown does it: the window object first, the native window last.
    pl::Window* handle = window.GetHandle();
    owned.reset();
    pl::FreeWindow(handle);
    SetMainWindowHandle(nullptr);
    SetMenuHandle(nullptr);
    SetApp(nullptr);
    ResetDisplayModeState();
  }
  pl::Window* hWnd() { return window.GetHandle(); }
  pl::Point ToLogical(int x, int y) {
    pl::Point p{x, y};
    ClientToLogical(p);
    return p;
  }
};

TEST_F(Display, FullScreenAtTheDesktopResolutionScalesIntoTheBox) {
  SetDisplayMode(1, hWnd());
  ASSERT_NE(app.m_pD3DScreen, nullptr);
  EXPECT_TRUE(hWnd()->scaled);
  EXPECT_EQ(hWnd()->viewport.left, 38);
  EXPECT_EQ(hWnd()->viewport.Width(), 1843);
  EXPECT_EQ(pl::GetMenu(hWnd()), nullptr) << "no menu in full screen";
  EXPECT_EQ(pl::GetWindowStyle(hWnd()), 0x82000000u) << "caption, system menu and minimise box go";
  EXPECT_EQ(pl::GetClientRect(hWnd()).Width(), 1920);
  EXPECT_EQ(keys.m_nBoundWidth, 1920);
  pl::Point a = ToLogical(38, 0), b = ToLogical(1880, 1079), bar = ToLogical(0, 500);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 0);
  EXPECT_EQ(b.x, 1023);
  EXPECT_EQ(b.y, 599);
  EXPECT_LT(bar.x, 0) << "a point in the bar left of the picture";
  pl::Point back{1023, 599};
  LogicalToClient(back);
  EXPECT_EQ(back.x, 1879);
  EXPECT_EQ(back.y, 1078);
  EXPECT_EQ(fake.displayLog, std::vector<std::string>{"desktop"});

  SetDisplayMode(0, hWnd());
  EXPECT_FALSE(hWnd()->scaled);
  EXPECT_EQ(pl::GetMenu(hWnd()), menu.get());
  EXPECT_EQ(pl::GetWindowStyle(hWnd()), 0x82CA0000u);
  EXPECT_EQ(pl::GetClientRect(hWnd()).Width(), 1024);
  EXPECT_EQ(pl::GetClientRect(hWnd()).Height(), 600);
  EXPECT_EQ(ToLogical(38, 0).x, 38) << "the window mode maps 1:1";
}

TEST_F(Display, FullScreenAt1024WideTakesTheNextTallerModeAndPaintsTheBars) {
  ListModes({{1920, 1080, 32, 60}, {1024, 768, 32, 60}, {800, 600, 32, 60}});
  SetDisplayMode(2, hWnd());
  EXPECT_EQ(fake.displayLog, (std::vector<std::string>{"refused 1024x600", "exclusive 1024x768"}));
  EXPECT_EQ(window.GetOffsetX(), 0);
  EXPECT_EQ(window.GetOffsetY(), 84);
  EXPECT_EQ(ToLogical(10, 84).y, 0);
  EXPECT_EQ(keys.m_nBoundWidth, 1920) << "input bounds of mode 2 are the desktop's";
  std::fill(hWnd()->front.begin(), hWnd()->front.end(), 0xFFFFFFFFu);
  PaintBorders();
  const auto& f = hWnd()->front;
  int width = pl::GetClientRect(hWnd()).Width();
  ASSERT_EQ(width, 1024);
  EXPECT_EQ(f[0], 0xFF000000u);
  EXPECT_EQ(f[83 * width + 1023], 0xFF000000u);
  EXPECT_EQ(f[84 * width], 0xFFFFFFFFu) << "the picture itself is left alone";
  EXPECT_EQ(f[683 * width + 5], 0xFFFFFFFFu);
  EXPECT_EQ(f[684 * width + 5], 0xFF000000u);
  EXPECT_EQ(f[767 * width + 1023], 0xFF000000u);

  // A rectangle of the presented surface reaches the window at the offset.
  VirtualScreen* screen = CreateVirtualScreen(0);
  ASSERT_NE(screen, nullptr);
  std::fill(screen->Pixels(), screen->Pixels() + 1024 * 600, 0xFF112233u);
  SetPresentedScreen(screen);
  PresentRect(0, 0, 16, 16, 0, 0, nullptr);
  EXPECT_EQ(hWnd()->front[84 * width], 0xFF112233u);
  EXPECT_EQ(hWnd()->front[83 * width], 0xFF000000u);
  SetPresentedScreen(nullptr);
  FreeVirtualScreen(screen);
}

TEST_F(Display, RefusedTwiceStillCoversTheScreenWithThePictureCentred) {
  ListModes({{1920, 1080, 32, 60}});
  SetDisplayMode(2, hWnd());
  EXPECT_EQ(fake.displayLog, (std::vector<std::string>{"refused 1024x600", "desktop"}));
  EXPECT_EQ(window.GetOffsetX(), 448);
  EXPECT_EQ(window.GetOffsetY(), 240);
  pl::Point p = ToLogical(448, 240);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST_F(Display, SettingsChangeBetweenFullScreenModesPassesThroughTheWindow) {
  ApplyDisplayModeSetting(hWnd(), 1);
  fake.manualClock().TakeSleeps();
  fake.displayLog.clear();
  ApplyDisplayModeSetting(hWnd(), 2);
  EXPECT_EQ(GetDisplayMode(), 2);
  auto sleeps = fake.manualClock().TakeSleeps();
  EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 100u), sleeps.end()) << "a 100 ms pause in mode 0";
  ASSERT_GE(fake.displayLog.size(), 2u);
  EXPECT_EQ(fake.displayLog.front(), "off");
  EXPECT_FALSE(hWnd()->scaled);
}

TEST_F(Display, LeavingTheProgramInFullScreenDropsToTheWindowAndComesBack) {
  SetDisplayMode(1, hWnd());
  app.OnWindowMessage(hWnd(), pl::WM_ACTIVATEAPP, 0, 0);
  EXPECT_EQ(GetDisplayMode(), 0);
  EXPECT_TRUE(pl::IsIconic(hWnd()));
  EXPECT_EQ(app.m_bRestoreMode, 1);
  EXPECT_EQ(GetDisplayModeSetting(), 1) << "the player's choice is what the settings keep";
  // Still minimised: activation waits for the window to be restored.
  app.OnWindowMessage(hWnd(), pl::WM_ACTIVATE, pl::WA_ACTIVE | 0x10000u, 0);
  EXPECT_EQ(GetDisplayMode(), 0);
  app.OnWindowMessage(hWnd(), pl::WM_ACTIVATE, pl::WA_ACTIVE, 0);
  EXPECT_EQ(GetDisplayMode(), 1);
  EXPECT_FALSE(pl::IsIconic(hWnd()));
  EXPECT_EQ(app.m_bRestoreMode, 0);

  // Restored from the task bar instead.
  app.OnWindowMessage(hWnd(), pl::WM_ACTIVATEAPP, 0, 0);
  ASSERT_EQ(GetDisplayMode(), 0);
  pl::SendMessage(hWnd(), pl::WM_SYSCOMMAND, pl::SC_RESTORE, 0);
  EXPECT_EQ(GetDisplayMode(), 1);

  // A dialog of ours taking the focus does not count.
  app.m_bModal = 1;
  app.OnWindowMessage(hWnd(), pl::WM_ACTIVATEAPP, 0, 0);
  EXPECT_EQ(GetDisplayMode(), 1);
}

TEST_F(Display, AltShowsTheMenuOnlyInFullScreen) {
  app.OnWindowMessage(hWnd(), pl::WM_SYSKEYUP, pl::VK_MENU, 0);
  EXPECT_EQ(pl::GetMenu(hWnd()), menu.get());
  SetDisplayMode(1, hWnd());
  ASSERT_EQ(pl::GetMenu(hWnd()), nullptr);
  app.OnWindowMessage(hWnd(), pl::WM_SYSKEYUP, 'A', 0);
  EXPECT_EQ(pl::GetMenu(hWnd()), nullptr);
  app.OnWindowMessage(hWnd(), pl::WM_SYSKEYUP, pl::VK_MENU, 0);
  EXPECT_EQ(pl::GetMenu(hWnd()), menu.get());
  EXPECT_TRUE(IsMenuAttached());
}

TEST_F(Display, CursorPlacementAndGlideGoThroughTheMapping) {
  SetDisplayMode(1, hWnd());
  fake.cursorMoves.clear();
  SetLogicalCursorPos(pl::Point{512, 300});
  pl::Message m;
  pl::PeekMessage(&m);
  ASSERT_EQ(fake.cursorMoves.size(), 1u);
  pl::Point client = pl::ScreenToClient(hWnd(), fake.cursorMoves[0]);
  EXPECT_EQ(client.x, 1843 * 512 / 1024 + 38);
  EXPECT_EQ(client.y, 1080 * 300 / 600);
  pl::Point logical;
  GetLogicalCursorPos(&logical);
  // The integer mapping loses a little on the way there and back.
  EXPECT_EQ(logical.x, (client.x - 38) * 1024 / 1843);
  EXPECT_EQ(logical.x, 511);
  EXPECT_EQ(logical.y, 300);

  keys.m_Mouse.Stop();  // the glide fields only, no thread moving them
  GlideCursorTo(pl::Point{0, 0});
  EXPECT_EQ(keys.m_Mouse.m_bGliding, 0) << "gliding is off in the settings";
  keys.m_Mouse.m_bGlide = 1;
  GlideCursorTo(pl::Point{0, 0});
  EXPECT_EQ(keys.m_Mouse.m_bGliding, 1);
  EXPECT_EQ(keys.m_Mouse.m_ptTarget.x, 38);
  EXPECT_EQ(keys.m_Mouse.m_ptCurrent.x, client.x);
}

}  // namespace
