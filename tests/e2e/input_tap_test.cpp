// Quick presses on the staged sample game, through the engine's own loop on
// the fake backend: a click or a key whose press and release both arrive
// in one pump (a touchpad tap, a synthetic click) ends the click wait it
// lands on, every time, and a tap that brings the pointer along takes the
// choice it lands on; a press held over many frames ends a wait once, and
// not once more after its release.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "engine/value_node.h"
#include "platform/input.h"
#include "scene/message_text.h"
#include "scene/pending.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

namespace fs = std::filesystem;

using kvtest::StageFolder;

// A point in the message window's text area, away from its buttons.
constexpr pl::Point kTextArea{300, 560};

enum class Device { LeftButton, ReturnKey, KeypadEnter };

bool IsClickWait(std::uint32_t state) { return state == PND_PROMPT_PAGE || state == PND_FPROMPT; }

struct InputTaps : kvtest::Process {
  kvtest::TitleStart titleStart;
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  // The story's wait state, once the story runs (a page is up).
  std::uint32_t StoryState() {
    CKivBase* e = Engine();
    return e && !e->Text().PageText().empty() ? Scene().m_nPendingState : 0;
  }

  void SetUp() override {
    Process::SetUp();
    // The staged game, entered from its title by "はじめから".
    kvtest::CopyStagedGame(folder.path());
    gate = [this](int count) { return titleStart.Step(fake, globals.m_App.m_pKivBase, count); };
  }

  void Press(Device d, bool down) {
    switch (d) {
      case Device::LeftButton:
        fake.InjectMouseButton(pl::MOUSE_LEFT, down, kTextArea);
        break;
      case Device::ReturnKey:
        fake.InjectKey(pl::DIK_RETURN, down);
        break;
      case Device::KeypadEnter:
        fake.InjectKey(pl::DIK_NUMPADENTER, down);
        break;
    }
  }
  // Press and release in the same pump: no read of the input comes
  // between them.
  void Tap(Device d) {
    Press(d, true);
    Press(d, false);
  }

  void TapThroughTheStory(Device d);
  void HoldAtTheFirstWait(Device d);

  bool finished = false;
  void Finish() {
    finished = true;
    QuitYes();
  }
};

// Each click wait the story reaches gets one instant tap; the story has to
// reach the next wait (another page, or more text on the same one) after
// each.
void InputTaps::TapThroughTheStory(Device d) {
  constexpr int kTaps = 5;
  int taps = 0, tappedAt = -1;
  std::uint32_t tappedState = 0;
  std::string tappedPage, stuckPage;
  std::vector<std::string> pages;
  onPump = [&](int n) {
    if (finished) return;
    const std::uint32_t state = StoryState();
    const std::string page = Utf8(Engine()->Text().PageText());
    if (tappedAt >= 0) {
      if (IsClickWait(state) && state == tappedState && page == tappedPage) {
        // Still the wait that was tapped: the tap was lost.
        if (n - tappedAt > 300) {
          stuckPage = page;
          Finish();
        }
        return;
      }
      tappedAt = -1;
    }
    if (!IsClickWait(state)) return;
    if (taps == kTaps) {
      Finish();
      return;
    }
    pages.push_back(page);
    tappedState = state;
    tappedPage = page;
    tappedAt = n;
    ++taps;
    Tap(d);
  };
  EXPECT_EQ(RunMain(), 0);
  EXPECT_EQ(stuckPage, "") << "tap " << taps << " did not end its wait; boxes:\n" << Texts(fake.boxes);
  EXPECT_EQ(taps, kTaps) << Texts(fake.boxes);
  // The story went on: the first wait is the first line's, the later ones
  // hold the lines after it.
  ASSERT_FALSE(pages.empty());
  EXPECT_NE(pages.front().find("ようこそ"), std::string::npos) << pages.front();
  bool second = false, third = false;
  for (const std::string& p : pages) {
    second = second || p.find("案内役") != std::string::npos;
    third = third || p.find("文字はひとつずつ") != std::string::npos;
  }
  EXPECT_TRUE(second) << "the second line never came";
  EXPECT_TRUE(third) << "the second page never came";
}

TEST_F(InputTaps, AnInstantClickEndsEveryClickWaitItLandsOn) { TapThroughTheStory(Device::LeftButton); }
TEST_F(InputTaps, AnInstantReturnTapEndsEveryClickWaitItLandsOn) { TapThroughTheStory(Device::ReturnKey); }
TEST_F(InputTaps, AnInstantKeypadEnterTapEndsEveryClickWaitItLandsOn) { TapThroughTheStory(Device::KeypadEnter); }

// The story is tapped on to its first choice. Once the pointer has glided
// to the first line, the second line gets a tap that brings the pointer
// with its press and its release, all in one pump, as a touch screen or a
// synthetic click gives it: that line is chosen.
TEST_F(InputTaps, AnInstantTapThatBringsThePointerTakesTheChoiceItLandsOn) {
  int lastTap = -1000, choiceAt = -1, tappedAt = -1;
  std::int32_t reg = -1;
  bool stuck = false;
  onPump = [&](int n) {
    if (finished) return;
    CKivBase* e = Engine();
    const std::uint32_t state = StoryState();
    if (tappedAt >= 0) {
      if (state == PND_SLCT) {
        stuck = n - tappedAt > 300;
        if (stuck) Finish();
        return;
      }
      if (ValueNode* r = e->Script().Reg()) reg = r->nValue;
      Finish();
      return;
    }
    if (state == PND_SLCT) {
      if (choiceAt < 0) choiceAt = n;
      const CTextWindow* w = e->Tables().CurrentWindow();
      if (n - choiceAt < 120 || !w || e->Text().ChoiceCount() < 2) return;
      const ChoiceRecord& r = e->Text().Choice(1);
      const pl::Point at{w->m_nX + r.m_nX + 8, w->m_nY + r.m_nY + r.m_nHeight / 2};
      fake.InjectMouseMove(at);
      fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
      fake.InjectMouseButton(pl::MOUSE_LEFT, false, at);
      tappedAt = n;
      return;
    }
    if (IsClickWait(state) && n - lastTap > 5) {
      Tap(Device::LeftButton);
      lastTap = n;
    }
  };
  EXPECT_EQ(RunMain(), 0);
  ASSERT_GE(tappedAt, 0) << "the first choice never came; boxes:\n" << Texts(fake.boxes);
  EXPECT_FALSE(stuck) << "the tap chose nothing";
  EXPECT_EQ(reg, 1) << "the line under the tap was not the one chosen";
}

// A press held over many frames ends the first click wait once, at its
// release: the next line then reveals at its own pace (a second click would
// show it whole at once). The player has chosen a timed text speed.
void InputTaps::HoldAtTheFirstWait(Device d) {
  int pressedAt = -1, releasedAt = -1;
  std::uint32_t heldState = 0, afterRelease = 0;
  std::string heldPage;
  bool speedChosen = false;
  onPump = [&](int n) {
    if (finished) return;
    if (!speedChosen && Engine()) {
      Engine()->Settings().m_nTextSpeed = 1;  // 45 ms a character
      speedChosen = true;
    }
    const std::uint32_t state = StoryState();
    if (pressedAt < 0) {
      if (state != PND_PROMPT_PAGE) return;
      Press(d, true);
      pressedAt = n;
      return;
    }
    if (releasedAt < 0) {
      if (n - pressedAt < 40) return;
      heldState = state;
      heldPage = Utf8(Engine()->Text().PageText());
      Press(d, false);
      releasedAt = n;
      return;
    }
    if (n - releasedAt == 8) {
      afterRelease = state;
      Finish();
    }
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_GE(releasedAt, 0) << "the first click wait never came; boxes:\n" << Texts(fake.boxes);
  EXPECT_EQ(heldState, PND_PROMPT_PAGE) << "the wait ended while the press was held";
  EXPECT_EQ(heldPage.find("案内役"), std::string::npos) << heldPage;
  EXPECT_EQ(afterRelease, PND_TYPING) << "the release did not end the wait once, and only once";
}

TEST_F(InputTaps, AHeldClickEndsTheWaitOnceAtItsRelease) { HoldAtTheFirstWait(Device::LeftButton); }
TEST_F(InputTaps, AHeldReturnEndsTheWaitOnceAtItsRelease) { HoldAtTheFirstWait(Device::ReturnKey); }

}  // namespace
