#include <gtest/gtest.h>

#include <signal.h>

#include "engine/kiv_base.h"
#include "framework/key_manager.h"
#include "framework/window.h"
#include "platform/signals.h"
#include "platform/ui/menu_bar_view.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Process;
using kvtest::Texts;
using kvtest::Utf8;

TEST_F(Process, NormalRunOpensTheWindowWithItsMenuAndEndsOnAConfirmedClose) {
  std::vector<IWinHook*> hooks;
  IWinHook* engine = nullptr;
  IWinHook* input = nullptr;
  bool visible = false;
  std::vector<std::string> popupTitles;
  int width = 0, height = 0;
  std::int32_t stateWhileRunning = -1;
  bool seen = false;
  onPump = [&](int) {
    // Once the brand logo (a screen of its own in the hook list) is over.
    CAppBase& app = globals.m_App;
    if (seen || !app.m_pKivBase || app.m_pKivBase->m_bScreenRunning) return;
    seen = true;
    hooks = app.m_pWindow->Hooks().Hooks();
    engine = app.m_pKivBase;
    input = app.m_pKeyManager;
    visible = pl::IsWindowVisible(app.m_pWindow->GetHandle());
    if (pl::Menu* menu = pl::GetMenu(app.m_pWindow->GetHandle())) {
      for (const pl::MenuPopup& p : menu->popups) popupTitles.push_back(Utf8(p.title));
    }
    pl::Rect r = app.m_pWindow->GetClientRect();
    width = r.Width();
    height = r.Height();
    stateWhileRunning = app.m_nState;
    fake.InjectClose();
  };
  fake.QueueBoxAnswer(pl::IDOK);
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(hooks.size(), 3u);
  EXPECT_EQ(hooks[0], &globals.m_App) << "hook order: application, engine, input";
  EXPECT_EQ(hooks[1], engine);
  EXPECT_EQ(hooks[2], input);
  EXPECT_TRUE(visible);
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(height, 600);
  EXPECT_EQ(stateWhileRunning, APP_ACTIVE);
  EXPECT_EQ(popupTitles, (std::vector<std::string>{"システム", "ヘルプ"}));
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(Utf8(fake.boxes[0].text), "終了してもよろしいですか？");
  EXPECT_EQ(Utf8(fake.boxes[0].caption), "確認");
  EXPECT_EQ(fake.boxes[0].style & pl::MB_TYPEMASK, pl::MB_OKCANCEL);
  // Everything start-up made is gone again, the native window last.
  EXPECT_EQ(fake.windowsCreated, 1);
  EXPECT_EQ(fake.windowsFreed, 1);
  EXPECT_EQ(globals.m_App.m_pWindow, nullptr);
  EXPECT_EQ(globals.m_App.m_pKivBase, nullptr);
  EXPECT_EQ(globals.m_App.m_pKeyManager, nullptr);
  EXPECT_FALSE(globals.m_App.m_Mutex.Held());
}

TEST_F(Process, AnsweringNoKeepsTheGameAndASecondRequestWhileAskingIsSwallowed) {
  int closesSeen = 0;
  onPump = [&](int count) {
    if (count == 0) fake.InjectMenuChoice(IDM_EXIT);
    if (count == 50) fake.InjectClose();
  };
  fake.onBox = [&](const pl::RecordedBox&) {
    // While the question is open the player closes again: no second box.
    if (++closesSeen == 1) {
      pl::SendMessage(fake.lastWindow, pl::WM_CLOSE, 0, 0);
    }
  };
  fake.QueueBoxAnswer(pl::IDCANCEL);  // "ゲームの終了" -> no
  fake.QueueBoxAnswer(pl::IDOK);      // the close box later -> yes
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(fake.boxes.size(), 2u) << Texts(fake.boxes);
  EXPECT_GE(fake.pumps, 50) << "the game went on after the first no";
}

TEST_F(Process, MenuItemsReachTheHooksAsCommands) {
  struct Recorder : IWinHook {
    std::vector<std::uint32_t> commands;
    std::int32_t OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM) override {
      if (uMsg == pl::WM_COMMAND) commands.push_back(pl::LoWord(wParam));
      return 0;
    }
  } recorder;
  onPump = [&](int count) {
    if (count == 0) {
      globals.m_App.m_pWindow->Hooks().Add(&recorder);
      fake.InjectMenuChoice(IDM_HOMEPAGE);
      fake.InjectMenuChoice(IDM_VERSION);
      fake.InjectMenuChoice(IDM_EXIT);
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  // The hook after the engine sees only what the engine let through; all
  // three are answered 0 by the engine, so all three arrive.
  EXPECT_EQ(recorder.commands, (std::vector<std::uint32_t>{IDM_HOMEPAGE, IDM_VERSION, IDM_EXIT}));
  EXPECT_EQ(fake.openedUrls, std::vector<std::string>{kHomePageUrl});
  ASSERT_EQ(fake.dialogs.size(), 1u);
  EXPECT_EQ(Utf8(fake.dialogs[0].caption), "バージョン情報");
  bool titleShown = false;
  for (const pl::DialogItem& item : fake.dialogs[0].itemsAtStart) {
    if (item.id == 1011) titleShown = Utf8(item.text) == "kivzo サンプルゲーム";
  }
  EXPECT_TRUE(titleShown) << "the version dialog shows the game's title";
}

// The player works the menu with the mouse: a press on the strip's first
// title opens its popup, a click on its exit item chooses it, and the game
// asks whether to quit.
TEST_F(Process, ClicksOnTheMenuStripChooseAnItem) {
  struct Recorder : IWinHook {
    std::vector<std::uint32_t> commands;
    std::int32_t OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM) override {
      if (uMsg == pl::WM_COMMAND) commands.push_back(pl::LoWord(wParam));
      return 0;
    }
  } recorder;
  onPump = [&](int count) {
    if (count != 0) return;
    globals.m_App.m_pWindow->Hooks().Add(&recorder);
    pl::Window* w = fake.lastWindow;
    ASSERT_NE(pl::GetMenu(w), nullptr);
    pl::ui::MenuBarView layout(*pl::GetMenu(w), w->clientWidth);
    auto client = [](const pl::Rect& r) {
      return pl::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2 - pl::GetMenuBarHeight()};
    };
    const pl::Point title = client(layout.TitleRect(0));
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, title);
    fake.InjectMouseButton(pl::MOUSE_LEFT, false, title);
    const pl::Point exit = client(layout.ItemRect(0, 1));
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, exit);
    fake.InjectMouseButton(pl::MOUSE_LEFT, false, exit);
  };
  fake.QueueBoxAnswer(pl::IDOK);
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(recorder.commands, std::vector<std::uint32_t>{IDM_EXIT});
  ASSERT_EQ(fake.boxes.size(), 1u) << Texts(fake.boxes);
  EXPECT_EQ(Utf8(fake.boxes[0].text), "終了してもよろしいですか？");
}

TEST_F(Process, GreyedMenuItemSendsNoCommand) {
  onPump = [&](int count) {
    if (count == 0) {
      pl::EnableMenuItem(pl::GetMenu(fake.lastWindow), IDM_VERSION, pl::MF_GRAYED);
      fake.InjectMenuChoice(IDM_VERSION);
    }
    if (count == 5) fake.InjectClose();
  };
  Run();
  EXPECT_TRUE(fake.dialogs.empty());
}

TEST_F(Process, SecondCopyEndsSilentlyWithoutAWindow) {
  pl::SingleInstance first;
  ASSERT_TRUE(first.Acquire(globals.m_App.m_strMutexName));
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(fake.windowsCreated, 0);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(Process, StartUpFailuresShowOnlyTheirOwnMessageAndReleaseEverything) {
  struct Case {
    const char* what;
    bool failWindow;
    int screenBits;
    const char* text;
    const char* caption;
  };
  const Case cases[] = {
      {"no window", true, 32, "ウィンドウの作成に失敗しました。", "KIV"},
      {"256 colours", false, 8, "65536色以上のカラーモードでお楽しみ下さい。", "中止"},
  };
  for (const Case& c : cases) {
    pl::FakeBackend local;
    local.failCreateWindow = c.failWindow;
    local.screenBits = c.screenBits;
    ProcessGlobals g;
    g.m_App.m_strMutexName = globals.m_App.m_strMutexName + "-fail";
    int rc = KivzoMain(g, nullptr);
    EXPECT_EQ(rc, 1) << c.what;
    ASSERT_EQ(local.boxes.size(), 1u) << c.what;
    EXPECT_EQ(Utf8(local.boxes[0].text), c.text) << c.what;
    EXPECT_EQ(Utf8(local.boxes[0].caption), c.caption) << c.what;
    EXPECT_EQ(local.windowsCreated, local.windowsFreed) << c.what;
    EXPECT_EQ(g.m_App.m_pWindow, nullptr) << c.what;
    EXPECT_EQ(g.m_App.m_pKivBase, nullptr) << c.what;
    EXPECT_EQ(g.m_App.m_pCharaCheck, nullptr) << c.what;
    EXPECT_EQ(g.m_App.m_pKeyManager, nullptr) << c.what;
    EXPECT_FALSE(g.m_App.m_Mutex.Held()) << c.what;
    pl::SetBackend(&fake);
  }
}

TEST_F(Process, TerminationSignalQuitsInOrderWithoutTheQuestion) {
  pl::InstallQuitSignals();
  onPump = [&](int count) {
    if (count == 3) ::raise(SIGTERM);
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(fake.windowsFreed, 1);
}

}  // namespace

namespace {

TEST_F(Process, TickSourceFollowsTheClocksPeriod) {
  struct Case {
    std::uint32_t minPeriod;
    std::int32_t flag;  // 1: the plain tick count, 0: the fine timer
  };
  for (Case c : {Case{1, 0}, Case{9, 0}, Case{10, 1}, Case{16, 1}}) {
    fake.manualClock().SetMinPeriod(c.minPeriod);
    std::int32_t seen = -1;
    int first = fake.pumps;
    onPump = [&](int count) {
      if (count == first) {
        seen = globals.m_App.m_nTickSource;
        fake.InjectClose();
      }
    };
    fake.QueueBoxAnswer(pl::IDOK);
    Run();
    EXPECT_EQ(seen, c.flag) << "minimum period " << c.minPeriod;
  }
}

}  // namespace
