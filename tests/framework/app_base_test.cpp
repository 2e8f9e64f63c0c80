#include <gtest/gtest.h>

#include <memory>

#include <cerrno>

#include "framework/app_base.h"
#include "framework/cpu.h"
#include "framework/globals.h"
#include "framework/window.h"
#include "platform/fake/fake_backend.h"
#include "platform/text.h"

namespace {

// A window with the application object as its first hook, on the fake
// backend.
struct AppFixture : ::testing::Test {
  pl::FakeBackend fake;
  CAppBase app;
  std::unique_ptr<CWindow> owned = std::make_unique<CWindow>();
  CWindow& window = *owned;

  void SetUp() override {
    window.Hooks().Add(&app);
    WindowCreateRecord rec;
    rec.className = "KIV";
    rec.dwStyle = 0x82CA0000u;
    ASSERT_EQ(window.Create(rec), 0);
    app.m_pWindow = &window;
    window.Show(pl::SW_SHOW);
    app.m_nState = APP_ACTIVE;
  }
  void TearDown() override {
    window.Hooks().Clear();
    // As shutdown does it: the window object first, the native window last.
    pl::Window* handle = window.GetHandle();
    owned.reset();
    pl::FreeWindow(handle);
    SetMainWindowHandle(nullptr);
  }
  pl::Window* hWnd() { return window.GetHandle(); }
};

TEST_F(AppFixture, PumpPacing) {
  struct Case {
    const char* what;
    bool active;
    std::uint32_t gap;  // ms since the previous pass
    std::uint32_t sleep;
  };
  const Case cases[] = {
      {"33 ms after the previous pass", true, 33, 1},
      {"34 ms after", true, 34, 0},
      {"right after", true, 0, 1},
      {"no active window", false, 5, 30},
      {"no active window, long gap", false, 500, 30},
  };
  for (const Case& c : cases) {
    fake.active = c.active;
    app.m_dwLastPump = fake.manualClock().TickMs();
    fake.manualClock().Advance(c.gap);
    fake.manualClock().TakeSleeps();
    EXPECT_EQ(app.PumpMessage(), 1) << c.what;
    EXPECT_EQ(fake.manualClock().TakeSleeps(), std::vector<std::uint32_t>{c.sleep}) << c.what;
    EXPECT_EQ(app.m_dwLastPump, fake.manualClock().TickMs()) << c.what;
  }
}

TEST_F(AppFixture, PumpWrapsAroundTheTickCounter) {
  fake.manualClock().Set(0xFFFFFFF0u);
  app.m_dwLastPump = 0xFFFFFFF0u;
  fake.manualClock().Advance(0x20);  // wraps to 0x10: 32 ms later
  fake.manualClock().TakeSleeps();
  app.PumpMessage();
  EXPECT_EQ(fake.manualClock().TakeSleeps(), std::vector<std::uint32_t>{1});
}

TEST_F(AppFixture, MessagesOfTheFirstHook) {
  struct Case {
    const char* what;
    std::uint32_t msg;
    pl::WPARAM wParam;
    std::int32_t result;
  };
  const Case cases[] = {
      {"first erase is left to the default", pl::WM_ERASEBKGND, 0, 0},
      {"later erases are suppressed", pl::WM_ERASEBKGND, 0, 1},
      {"again", pl::WM_ERASEBKGND, 0, 1},
      {"press on the system-menu icon is swallowed", pl::WM_NCLBUTTONDOWN, pl::HTSYSMENU, 1},
      {"double click on it too", pl::WM_NCLBUTTONDBLCLK, pl::HTSYSMENU, 1},
      {"elsewhere on the frame goes on", pl::WM_NCLBUTTONDOWN, 2, 0},
      {"the screen saver is refused", pl::WM_SYSCOMMAND, pl::SC_SCREENSAVE, 1},
      {"other system commands go on", pl::WM_SYSCOMMAND, pl::SC_MINIMIZE, 0},
      {"unknown messages go on", 0x7777, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app.OnWindowMessage(hWnd(), c.msg, c.wParam, 0), c.result) << c.what;
  }
}

TEST_F(AppFixture, ActivationMovesTheState) {
  struct Case {
    std::int32_t before;
    pl::WPARAM wParam;
    std::int32_t after;
  };
  const Case cases[] = {
      {APP_ACTIVE, pl::WA_INACTIVE, APP_INACTIVE},  {APP_INACTIVE, pl::WA_INACTIVE, APP_INACTIVE},
      {APP_NONE, pl::WA_INACTIVE, APP_NONE},        {APP_QUITTING, pl::WA_INACTIVE, APP_QUITTING},
      {APP_DESTROYED, pl::WA_INACTIVE, APP_DESTROYED}, {APP_INACTIVE, pl::WA_ACTIVE, APP_ACTIVE},
      {APP_INACTIVE, pl::WA_CLICKACTIVE, APP_ACTIVE}, {APP_NONE, pl::WA_ACTIVE, APP_NONE},
      {APP_QUITTING, pl::WA_ACTIVE, APP_QUITTING},  {APP_DESTROYED, pl::WA_CLICKACTIVE, APP_DESTROYED},
  };
  for (const Case& c : cases) {
    app.m_nState = c.before;
    app.OnWindowMessage(hWnd(), pl::WM_ACTIVATE, c.wParam, 0);
    EXPECT_EQ(app.m_nState, c.after) << "from " << c.before << " with " << c.wParam;
  }
}

TEST_F(AppFixture, DestroyHidesPostsQuitAndEndsThePump) {
  pl::DestroyWindow(hWnd());
  EXPECT_EQ(app.m_nState, APP_DESTROYED);
  EXPECT_FALSE(pl::IsWindowVisible(hWnd()));
  EXPECT_EQ(pl::GetWindowStyle(hWnd()), pl::WS_POPUP);
  pl::Message msg;
  ASSERT_TRUE(pl::PeekMessage(&msg));
  EXPECT_EQ(msg.id, pl::WM_QUIT);
  EXPECT_EQ(app.PumpMessage(), 0);
}

TEST_F(AppFixture, CloseBoxDestroysTheWindowThroughTheDefaultProcedure) {
  fake.InjectClose();
  app.PumpMessage();
  EXPECT_FALSE(pl::IsWindow(hWnd()));
  EXPECT_EQ(app.m_nState, APP_DESTROYED);
}

TEST_F(AppFixture, QuitRequestOfASignalDestroysWithoutAQuestion) {
  pl::PostMessage(hWnd(), 0x8001, 0, 0);
  app.PumpMessage();
  EXPECT_FALSE(pl::IsWindow(hWnd()));
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(AppFixture, WarningBoxesAreCaptionedKivAndOwnedByTheWindow) {
  ShowWarning(SJ("DirectDrawクラスの作成に失敗しました。"));
  errno = 0;
  ShowLastError();  // no error code: no box
  errno = 13;
  ShowLastError();
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].text), "DirectDrawクラスの作成に失敗しました。");
  EXPECT_EQ(fake.boxes[0].caption, "KIV");
  EXPECT_EQ(fake.boxes[0].style, pl::MB_OK | pl::MB_ICONWARNING);
  EXPECT_EQ(fake.boxes[0].owner, hWnd());
  EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[1].text), "LastErrorコード No.13");
  EXPECT_GE(fake.raises, 2) << "the window is brought to the front before each warning";
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  CAppBase first, second;
  first.m_strMutexName = second.m_strMutexName = "kivzo-test-single-" + std::to_string(getpid());
  EXPECT_EQ(AcquireSingleInstance(first), 1);
  EXPECT_EQ(AcquireSingleInstance(second), 0);
  first.m_Mutex.Release();
  EXPECT_EQ(AcquireSingleInstance(second), 1);
}

TEST(Cpu, ClassTable) {
  EXPECT_EQ(ClassifyCpu(false, 0xFFFFFFFFu), 1);
  EXPECT_EQ(ClassifyCpu(true, 0), 2);
  EXPECT_EQ(ClassifyCpu(true, 0x800000u), 3);            // MMX without conditional moves
  EXPECT_EQ(ClassifyCpu(true, 0x800000u | 0x8000u), 4);  // both
  EXPECT_EQ(ClassifyCpu(true, 0x8000u), 2);              // conditional moves alone do not count
#if defined(__x86_64__)
  EXPECT_EQ(GetCpuClass(), 4);
#endif
}

}  // namespace
