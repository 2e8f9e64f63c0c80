// The settings screen's key option, opened by the script over the staged
// game's pictures: choosing "on" lets the cursor glide onto a control at
// once (the reset question's yes button, while the screen is still open),
// and the reset to the defaults turns it off again at once.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/kiv_base.h"
#include "framework/key_manager.h"
#include "platform/input.h"
#include "screens/config_mode.h"
#include "screens/msg_mode.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path StageFolder() { return fs::path(kvtest::ToolPath("")).parent_path().parent_path() / "stage"; }

struct ConfigKeyOption : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  void SetUp() override {
    Process::SetUp();
    const fs::path from = StageFolder() / "GRP.AOS";
    ASSERT_TRUE(fs::exists(from)) << from << " is missing: build the stage first";
    fs::copy_file(from, fs::path(folder.path()) / "GRP.AOS");
    // The settings screen straight away, then a long wait.
    startScript = "::START\r\n\r\nvar(%after)\r\nfloat(9)\r\n%after=1\r\nwait(100000)\r\n::END\r\n";
  }

  // The pointer onto the point, then a left click there held for two
  // pumps; true while that is under way.
  int busyUntil = -1;
  void Click(int n, pl::Point at) {
    fake.InjectMouseMove(at);
    At(4, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, at); });
    At(6, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); });
    busyUntil = n + 7;
  }
  void ClickControl(int n, int control) { Click(n, LayoutCenter(ConfigControlLayout[control])); }
  bool Holding(int n) const { return n <= busyUntil; }
};

// Three reset questions: before the option is chosen, after "on" (the
// cursor glides onto yes, which is clicked: the reset), and after the reset.
TEST_F(ConfigKeyOption, TheOptionAndTheResetReachTheCursorGlideAtOnce) {
  enum Phase {
    kOpen,         // wait for the screen, then ask
    kAskedOff,     // the first question, the option off
    kChooseOn,     // "on" is clicked, then the second question
    kAskedOn,      // the second question: wait for the glide, click yes
    kAskAgain,     // after the reset: the third question
    kAskedReset,   // the third question, the option off again
    kLeave,        // the screen's return button
    kDone,
  };
  Phase phase = kOpen;
  int waitFrom = 0;
  Clock::time_point since;
  std::size_t movesBefore = 0;
  std::size_t movesWhileOff = 0, movesAfterReset = 0;
  bool reachedYes = false;
  std::int32_t optionWhileAsked = -1;
  pl::Point yes;
  auto answerNo = [&](int n) {
    fake.InjectKey(pl::DIK_SPACE, true);
    At(2, [this] { fake.InjectKey(pl::DIK_SPACE, false); });
    waitFrom = n;
  };
  onPump = [&](int n) {
    if (Holding(n)) return;
    CKivBase* e = Engine();
    if (!e) return;
    // The question screens are answered here, not by the fixture.
    if (phase != kDone) answering = true;
    const bool asked = e->QuestionShown();
    switch (phase) {
      case kOpen:
        if (!e->m_bScreenRunning || e->m_ConfigMode.m_bLoop != 1) return;
        if (waitFrom == 0) waitFrom = n;
        if (n - waitFrom < 30) return;
        ClickControl(n, kConfigReset);
        phase = kAskedOff;
        waitFrom = 0;
        return;
      case kAskedOff:
        if (!asked) return;
        if (waitFrom == 0) {
          waitFrom = n;
          since = Clock::now();
          movesBefore = fake.cursorMoves.size();
          yes = pl::ClientToScreen(fake.lastWindow, LayoutCenter(MsgBoxLayout[1]));
        }
        // Many glide passes' time: the cursor stays where it is.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (Clock::now() - since < std::chrono::milliseconds(400)) return;
        movesWhileOff = fake.cursorMoves.size() - movesBefore;
        answerNo(n);
        phase = kChooseOn;
        return;
      case kChooseOn:
        if (asked || n - waitFrom < 30) return;
        if (e->Settings().m_bKeyOption == 0) {
          ClickControl(n, 9);
          return;
        }
        ClickControl(n, kConfigReset);
        phase = kAskedOn;
        waitFrom = 0;
        return;
      case kAskedOn:
        if (!asked) return;
        if (waitFrom == 0) {
          waitFrom = n;
          since = Clock::now();
          optionWhileAsked = e->Settings().m_bKeyOption;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        reachedYes = !fake.cursorMoves.empty() && fake.cursorMoves.back().x == yes.x &&
                     fake.cursorMoves.back().y == yes.y;
        if (!reachedYes && Clock::now() - since < std::chrono::seconds(5)) return;
        // Yes, with the mouse: the reset.
        Click(n, LayoutCenter(MsgBoxLayout[1]));
        phase = kAskAgain;
        waitFrom = n;
        return;
      case kAskAgain:
        if (asked || n - waitFrom < 30) return;
        ClickControl(n, kConfigReset);
        phase = kAskedReset;
        waitFrom = 0;
        return;
      case kAskedReset:
        if (!asked) return;
        if (waitFrom == 0) {
          waitFrom = n;
          since = Clock::now();
          movesBefore = fake.cursorMoves.size();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (Clock::now() - since < std::chrono::milliseconds(400)) return;
        movesAfterReset = fake.cursorMoves.size() - movesBefore;
        answerNo(n);
        phase = kLeave;
        return;
      case kLeave:
        if (asked || n - waitFrom < 30) return;
        ClickControl(n, kConfigReturn);
        phase = kDone;
        At(60, [this] {
          answering = false;
          QuitYes();
        });
        return;
      case kDone:
        return;
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "the screen or its questions did not come; boxes:\n" << Texts(fake.boxes);
  EXPECT_EQ(movesWhileOff, 0u) << "the cursor glided with the option off";
  EXPECT_EQ(optionWhileAsked, 1);
  EXPECT_TRUE(reachedYes) << "with the option on, the cursor did not glide onto yes (" << fake.cursorMoves.size()
                          << " moves)";
  EXPECT_EQ(movesAfterReset, 0u) << "the cursor still glided after the reset to the defaults";
}

}  // namespace
