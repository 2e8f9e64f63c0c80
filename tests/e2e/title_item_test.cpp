// Menu item 112 ("タイトルに戻る") through the running engine: it looks
// greyed while choosing it would do nothing (the backlog view, also after
// the quit question asked over it), and a return to the title chosen while
// a command runs its own loop (a window fade, the raster's stop) waits for
// that loop's end: the question comes after it, and the title follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "platform/menu.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
namespace fs = std::filesystem;

using kvtest::StageFolder;

bool TitleItemGreyed() {
  pl::Menu* menu = GetMenuHandle();
  pl::MenuItem* item = menu ? menu->FindItem(IDM_TITLE) : nullptr;
  return !item || item->grayed;
}

struct TitleItem : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::int32_t Var(const char* name) {
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }
  void ChooseTitleDuring(const struct LoopCase& c);
  void CopyStaged(const char* name) {
    const fs::path from = StageFolder() / name;
    ASSERT_TRUE(fs::exists(from)) << from << " is missing: build the stage first";
    fs::copy_file(from, fs::path(folder.path()) / name);
  }
};

// The staged game's first page, the backlog view opened over it by the
// wheel, the quit question asked and answered no, the view left again.
TEST_F(TitleItem, GreyedWhileTheBacklogViewIsOpenAlsoAfterTheQuitQuestion) {
  // The staged game, entered from its title by "はじめから".
  kvtest::CopyStagedGame(folder.path());
  kvtest::TitleStart titleStart;
  gate = [&](int count) { return titleStart.Step(fake, Engine(), count); };
  enum Phase { kToPage, kOpening, kAsking, kAnswered, kLeaving, kDone };
  Phase phase = kToPage;
  int from = 0, askedFrom = -1, answeredFrom = -1;
  bool atPage = false, inView = true, afterQuestion = false, afterView = true, viewAfterQuestion = false;
  onPump = [&](int n) {
    CKivBase* e = Engine();
    if (!e || phase == kDone) return;
    const std::uint32_t state = Scene().m_nPendingState;
    switch (phase) {
      case kToPage:
        if (state != PND_PROMPT_PAGE || e->Text().PageText().empty()) return;
        atPage = TitleItemGreyed();
        fake.InjectWheel(1);
        phase = kOpening;
        from = n;
        return;
      case kOpening:
        if (state != PND_BACKLOG || n - from < 20) return;
        inView = TitleItemGreyed();
        // The close box: the quit question over the view, answered no.
        answering = true;
        fake.InjectClose();
        phase = kAsking;
        return;
      case kAsking:
        if (!e->QuestionShown()) return;
        if (askedFrom < 0) askedFrom = n;
        // Once its fade in is over.
        if (n - askedFrom < 60) return;
        fake.InjectKey(pl::DIK_SPACE, true);
        At(3, [this] { fake.InjectKey(pl::DIK_SPACE, false); });
        phase = kAnswered;
        return;
      case kAnswered:
        if (e->QuestionShown()) return;
        // The box fades out before it is gone.
        if (answeredFrom < 0) answeredFrom = n;
        if (n - answeredFrom < 60) return;
        afterQuestion = TitleItemGreyed();
        viewAfterQuestion = Scene().m_nPendingState == PND_BACKLOG;
        // Out of the view with the right button.
        fake.InjectMouseButton(pl::MOUSE_RIGHT, true, {300, 300});
        At(3, [this] { fake.InjectMouseButton(pl::MOUSE_RIGHT, false, {300, 300}); });
        phase = kLeaving;
        from = n;
        return;
      case kLeaving:
        if (Scene().m_nPendingState == PND_BACKLOG || n - from < 20) return;
        afterView = TitleItemGreyed();
        answering = false;
        QuitYes();
        phase = kDone;
        return;
      case kDone:
        return;
    }
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << Texts(fake.boxes);
  EXPECT_FALSE(atPage) << "greyed over the story";
  EXPECT_TRUE(inView) << "not greyed in the backlog view";
  EXPECT_TRUE(viewAfterQuestion);
  EXPECT_TRUE(afterQuestion) << "enabled after the quit question, in the backlog view";
  EXPECT_FALSE(afterView) << "still greyed after the view";
}

// The command with its own loop, how to tell it is under way, how to tell
// it has ended (null: only by the time), and how long it runs at least from
// its start (virtual ms).
struct LoopCase {
  const char* what;
  const char* lines;  // the script lines before "%t=1"
  bool (*started)(CKivBase&);
  bool (*ended)(CKivBase&);
  std::uint32_t lasts;
};

bool WindowState(CKivBase& e, int state) {
  CTextWindow* w = e.Tables().CurrentWindow();
  return w && w->m_nState == state;
}

std::int32_t ScriptVar(CKivBase& e, const char* name) {
  ValueNode* v = e.Script().FindVariable(e.Script().m_Root, name);
  return v ? v->nValue : -999;
}

const LoopCase kLoops[] = {
    {"a window fade in", "wndon(3000)\r\n", [](CKivBase& e) { return WindowState(e, 1); }, nullptr, 2900},
    {"a window fade out", "var(%shown)\r\nwndon(100)\r\n%shown=1\r\nwndoff(3000)\r\n",
     [](CKivBase& e) { return WindowState(e, 2) && ScriptVar(e, "shown") == 1; }, nullptr, 2900},
    {"the raster's stop", "spr(4)\r\nbgon(\"bg01\",0,0)\r\nud(1,100)\r\nraster(1)\r\nwait(300)\r\nraster(0)\r\n",
     [](CKivBase&) { return Presentation().m_bRasterOn == 3; }, [](CKivBase&) { return Presentation().m_bRasterOn == 0; },
     0},
};

void TitleItem::ChooseTitleDuring(const LoopCase& c) {
  CopyStaged("GRP.AOS");
  {
    SCOPED_TRACE(c.what);
    startScript = std::string("::START\r\n\r\nvar(%t)\r\nmode(1)\r\nfnt(24,0xFFFFFF,2,0x101018)\r\nwnd(1)\r\n"
                              "wnd(0,2,12,420)\r\nwnd(0,1,1000,170)\r\nwnd(0,6,\"msgwnd\",0,0)\r\n"
                              "wnd(0,4,36,8,8,1,5,34)\r\n") +
                  c.lines + "%t=1\r\nwait(100000)\r\n::END\r\n";
    ASSERT_TRUE(kvtest::WriteFile(folder / "txt/TITLE.TXT",
                                  "::START\r\n\r\nvar(%title)\r\n%title=1\r\nwait(100000)\r\n::END\r\n"));
    bool chosen = false, asked = false, endedAtQuestion = false, reachedTitle = false;
    std::uint32_t chosenAt = 0, askedAt = 0;
    onPump = [&](int) {
      CKivBase* e = Engine();
      if (!e || reachedTitle) return;
      if (!chosen) {
        if (Var("t") != 0 || !c.started(*e)) return;
        // Chosen as soon as the loop runs.
        fake.InjectMenuChoice(IDM_TITLE);
        chosen = true;
        chosenAt = fake.manualClock().TickMs();
        return;
      }
      if (!asked && e->QuestionShown()) {
        // The fixture answers yes.
        asked = true;
        askedAt = fake.manualClock().TickMs();
        endedAtQuestion = !c.ended || c.ended(*e);
        return;
      }
      if (asked && !e->QuestionShown() && Var("title") == 1) {
        reachedTitle = true;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(chosen) << "the loop was not seen; boxes:\n" << Texts(fake.boxes);
    ASSERT_TRUE(asked) << "the title question never came; boxes:\n" << Texts(fake.boxes);
    EXPECT_TRUE(endedAtQuestion) << "asked while the command's loop still ran";
    EXPECT_GE(askedAt - chosenAt, c.lasts) << "asked before the loop could have ended";
    EXPECT_TRUE(reachedTitle) << "the title script did not run";
  }
}

TEST_F(TitleItem, ATitleChosenDuringAWindowFadeInWaitsForItsEnd) { ChooseTitleDuring(kLoops[0]); }
TEST_F(TitleItem, ATitleChosenDuringAWindowFadeOutWaitsForItsEnd) { ChooseTitleDuring(kLoops[1]); }
TEST_F(TitleItem, ATitleChosenDuringTheRastersStopWaitsForItsEnd) { ChooseTitleDuring(kLoops[2]); }

}  // namespace
