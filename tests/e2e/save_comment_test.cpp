// The save screen's comment field in the staged sample game: the comment
// it offers (the chapter's title) opens selected, so typing replaces it; the
// field stops at the slot's 31 bytes without splitting a double-byte
// character; when the full-screen game is left for the desktop (the window
// mode) and taken back, the field follows each display-mode change with
// the text typed; and the slot is saved with exactly the comment the field
// showed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"
#include "framework/display_mode.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/pending.h"
#include "screens/save_mode.h"
#include "screens/save_slot_info.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

namespace fs = std::filesystem;

using kvtest::StageFolder;

struct SaveComment : kvtest::Process {
  kvtest::TitleStart titleStart;
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  void SetUp() override {
    Process::SetUp();
    // The display's state of an earlier run in this process (the desktop
    // recorded, the mode) is not this run's.
    ResetDisplayModeState();
    // The staged game, entered from its title by "はじめから".
    kvtest::CopyStagedGame(folder.path());
    gate = [this](int count) { return titleStart.Step(fake, globals.m_App.m_pKivBase, count); };
  }
  // The game starts in `mode` (the settings file the engine writes, with
  // the factory settings).
  void StartIn(int mode) {
    CSettings settings;
    settings.SetCreationValues();
    const std::vector<std::uint8_t> bytes = EncodeSystemFile(settings, mode);
    ASSERT_TRUE(kvtest::WriteFile(folder / "save/system.dat", std::string(bytes.begin(), bytes.end())));
  }

  // What the field of the display mode holds.
  std::string FieldText() {
    CChildEditWnd* edit = Engine()->m_SaveMode.GetActiveCommentEdit();
    return edit ? edit->GetText() : std::string("<no field>");
  }
  bool FieldShown() {
    CChildEditWnd* edit = Engine()->m_SaveMode.GetActiveCommentEdit();
    return edit && pl::IsWindowVisible(edit->Handle());
  }
  // A point of the 1024 x 600 picture in the window's client, for the mode.
  static pl::Point Client(pl::Point logical) {
    LogicalToClient(logical);
    return logical;
  }

  struct Seen {
    std::string offered;
    std::uint32_t selStart = 99, selEnd = 99;
    std::string typed;
    int awayMode = -1, backMode = -1;
    std::string awayText, backText;
    bool awayShown = false, backShown = false;
    bool saved = false;
  };

  // Opens the save screen at the first page's wait, chooses the first slot,
  // types over the offered comment, leaves for the desktop and comes back,
  // and saves.
  Seen PlayIn(int mode) {
    StartIn(mode);
    Seen seen;
    enum Step { kWaitPage, kWaitScreen, kOnSlot, kWaitField, kTyping, kAway, kBack, kOnYes, kSave, kLeaving, kOver };
    Step step = kWaitPage;
    int at = -1, keyUp = -1, heldKey = 0, since = 0;
    bool finished = false;
    auto press = [&](int key, int n) {
      fake.InjectKey(key, true);
      heldKey = key;
      keyUp = n + 2;
    };
    const pl::Point slotBar{526 + 248, 54 + 24}, yes{357 + 72, 303 + 32};
    onPump = [&](int n) {
      if (finished) return;
      if (n == keyUp) {
        fake.InjectKey(heldKey, false);
        keyUp = -1;
        return;
      }
      if (keyUp >= 0 || (at >= 0 && n < at)) return;
      const bool running = Engine()->m_bScreenRunning != 0;
      auto finish = [&] {
        finished = true;
        QuitYes();
      };
      switch (step) {
        case kWaitPage:
          // The page's text is up first (the wait word may still be an
          // earlier run's before that).
          if (Scene().m_nPendingState == PND_TYPING && n % 200 == 0) return press(pl::DIK_RETURN, n);
          if (Engine()->Text().PageText().empty() || Scene().m_nPendingState != PND_PROMPT_PAGE) return;
          press(pl::DIK_Z, n);
          step = kWaitScreen;
          at = n + 30;
          return;
        case kWaitScreen:
          if (!running) {
            if (n > at + 600) finish();
            return;
          }
          fake.InjectMouseMove(Client(slotBar));
          step = kOnSlot;
          at = n + 10;
          return;
        case kOnSlot:
          press(pl::DIK_RETURN, n);
          step = kWaitField;
          since = n;
          return;
        case kWaitField: {
          if (!Engine()->m_SaveMode.m_bCommentShown || !FieldShown()) {
            if (n > since + 600) {
              ADD_FAILURE() << "the comment field did not open";
              finish();
            }
            return;
          }
          CChildEditWnd* edit = Engine()->m_SaveMode.GetActiveCommentEdit();
          seen.offered = edit->GetText();
          pl::SendMessage(edit->Handle(), pl::EM_GETSEL, reinterpret_cast<pl::WPARAM>(&seen.selStart),
                          reinterpret_cast<pl::LPARAM>(&seen.selEnd));
          // Two bytes and fifteen double-byte characters: the fifteenth
          // would take bytes 30 and 31 and is refused whole; "z" then fills
          // byte 30, and "w" finds the field full.
          fake.InjectText("abあいうえおかきくけこさしすせそzw");
          step = kTyping;
          since = n;
          return;
        }
        case kTyping:
          // One message a pass: the bytes arrive one by one.
          if (n < since + 60) return;
          seen.typed = FieldText();
          fake.InjectFocus(false);
          step = kAway;
          at = n + 1200;
          return;
        case kAway:
          seen.awayMode = GetDisplayMode();
          seen.awayText = FieldText();
          seen.awayShown = FieldShown();
          fake.InjectFocus(true);
          step = kBack;
          at = n + 1200;
          return;
        case kBack:
          seen.backMode = GetDisplayMode();
          seen.backText = FieldText();
          seen.backShown = FieldShown();
          fake.InjectMouseMove(Client(yes));
          step = kOnYes;
          at = n + 10;
          return;
        case kOnYes:
          press(pl::DIK_RETURN, n);
          step = kSave;
          at = n + 30;
          return;
        case kSave:
          seen.saved = !Engine()->m_SaveMode.m_bCommentShown;
          step = kLeaving;
          return;
        case kLeaving:
          if (running) {
            press(pl::DIK_SPACE, n);
            at = n + 30;
            return;
          }
          step = kOver;
          finish();
          return;
        case kOver:
          return;
      }
    };
    exitCode = RunMain();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(step, kOver) << "boxes:\n" << Texts(fake.boxes);
    EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
    return seen;
  }

  void Check(int mode) {
    const Seen seen = PlayIn(mode);
    // The chapter's title is offered, all of it selected.
    const std::string offered = pl::Utf8ToCp932("第一章　夕暮れの丘");
    EXPECT_EQ(seen.offered, offered);
    EXPECT_EQ(seen.selStart, 0u);
    EXPECT_EQ(seen.selEnd, offered.size());
    // Typing replaced it and stopped at 31 bytes, the last double-byte
    // character that would not fit left out whole.
    const std::string expected = pl::Utf8ToCp932("abあいうえおかきくけこさしすせz");
    ASSERT_EQ(expected.size(), 31u);
    EXPECT_EQ(seen.typed, expected) << Utf8(seen.typed);
    // Away on the desktop the game is in the window mode, the field shown
    // with the text; back, in its full-screen mode, likewise.
    EXPECT_EQ(seen.awayMode, 0);
    EXPECT_TRUE(seen.awayShown);
    EXPECT_EQ(seen.awayText, expected) << Utf8(seen.awayText);
    EXPECT_EQ(seen.backMode, mode);
    EXPECT_TRUE(seen.backShown);
    EXPECT_EQ(seen.backText, expected) << Utf8(seen.backText);
    // The slot keeps what the field showed.
    EXPECT_TRUE(seen.saved);
    const SaveSlotInfo slot = ReadSlotInfo(folder.path(), 0);
    EXPECT_TRUE(slot.present);
    EXPECT_EQ(slot.comment, expected) << Utf8(slot.comment);
  }
};

// The 1024-wide full screen: the window mode uses the same field.
TEST_F(SaveComment, TypedOverTheOfferKeptThroughTheWideFullScreensChangesAndSaved) { Check(2); }

// The scaled full screen: the text goes to the window's field and back.
TEST_F(SaveComment, TypedOverTheOfferKeptThroughTheScaledFullScreensChangesAndSaved) { Check(1); }

}  // namespace
