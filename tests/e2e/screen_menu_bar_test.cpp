// The menu bar over a screen in full screen: with the settings screen open
// (opened by the script over the staged game's pictures) and the display
// switched to the scaled full screen on that screen, the menu bar comes
// while the pointer is at the top edge and goes when it leaves, as it does
// over the story.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/kiv_base.h"
#include "framework/display_mode.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "screens/config_mode.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
namespace fs = std::filesystem;

fs::path StageFolder() { return fs::path(kvtest::ToolPath("")).parent_path().parent_path() / "stage"; }

struct ScreenMenuBar : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  void SetUp() override {
    Process::SetUp();
    const fs::path from = StageFolder() / "GRP.AOS";
    ASSERT_TRUE(fs::exists(from)) << from << " is missing: build the stage first";
    fs::copy_file(from, fs::path(folder.path()) / "GRP.AOS");
    startScript = "::START\r\n\r\nvar(%after)\r\nfloat(9)\r\n%after=1\r\nwait(100000)\r\n::END\r\n";
  }
};

TEST_F(ScreenMenuBar, TheBarFollowsThePointerWhileTheSettingsScreenRunsInFullScreen) {
  enum Phase { kOpen, kFull, kTop, kDown, kDone };
  Phase phase = kOpen;
  int from = 0;
  bool barBefore = true, barAtTop = false, barBelow = true, screenAtTop = false;
  std::int32_t modeOnScreen = -1;
  onPump = [&](int n) {
    CKivBase* e = Engine();
    pl::Window* w = fake.lastWindow;
    if (!e || !w) return;
    const bool onScreen = e->m_bScreenRunning && e->m_ConfigMode.m_bLoop == 1;
    switch (phase) {
      case kOpen:
        if (!onScreen) return;
        if (from == 0) from = n;
        if (n - from < 30) return;
        {
          // Display mode 1 (the scaled full screen), clicked on the screen.
          const pl::Point at = LayoutCenter(ConfigControlLayout[5]);
          fake.InjectMouseMove(at);
          At(4, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, at); });
          At(6, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); });
        }
        phase = kFull;
        from = n;
        return;
      case kFull:
        if (n - from < 40) return;
        modeOnScreen = GetDisplayModeSetting();
        barBefore = pl::GetMenu(w) != nullptr;
        // The top edge of the picture.
        fake.InjectMouseMove({w->clientWidth / 2, 2});
        phase = kTop;
        from = n;
        return;
      case kTop:
        if (n - from < 20) return;
        barAtTop = pl::GetMenu(w) != nullptr;
        screenAtTop = onScreen;
        fake.InjectMouseMove({w->clientWidth / 2, w->clientHeight / 2});
        phase = kDown;
        from = n;
        return;
      case kDown:
        if (n - from < 20) return;
        barBelow = pl::GetMenu(w) != nullptr;
        // Leave the screen with the cancel key, then quit.
        fake.InjectKey(pl::DIK_SPACE, true);
        At(3, [this] { fake.InjectKey(pl::DIK_SPACE, false); });
        At(60, [this] { QuitYes(); });
        phase = kDone;
        return;
      case kDone:
        return;
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "the settings screen did not come; boxes:\n" << Texts(fake.boxes);
  ASSERT_EQ(modeOnScreen, 1) << "the screen's display mode choice did not switch";
  EXPECT_FALSE(barBefore) << "the full screen starts without the menu bar";
  EXPECT_TRUE(screenAtTop) << "the settings screen had ended";
  EXPECT_TRUE(barAtTop) << "the menu bar did not come at the top edge over the screen";
  EXPECT_FALSE(barBelow) << "the menu bar stayed when the pointer left the top edge";
}

}  // namespace
