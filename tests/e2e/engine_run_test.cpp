// The engine's main loop on the fake backend: script lines run until one
// waits, timed waits end on the virtual clock, the frame step works on every
// second call while the script waits, and held keys are dispatched in their
// order with the first one masking the rest.
#include <gtest/gtest.h>

#include "engine/kiv_base.h"
#include "framework/key_manager.h"
#include "platform/input.h"
#include "scene/pending.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Process;
using kvtest::Texts;
using kvtest::Utf8;

// A counter that waits ten seconds between steps: only skipping (or the
// clock) moves it on.
constexpr const char kSlowCounter[] =
    "::START\r\n\r\nvar(%n)\r\n^wh(%n<1000000)\r\n%n+=1\r\nwait(10000)\r\n^endw\r\n::END\r\n";

struct EngineRun : Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::int32_t Var(const char* name) {
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }
  void CloseAt(int count, int at) {
    if (count == at) {
      fake.QueueBoxAnswer(pl::IDOK);
      fake.InjectClose();
    }
  }
};

TEST_F(EngineRun, LinesRunUntilOneWaitsAndTheWaitEndsOnTheClock) {
  startScript =
      "::START\r\n\r\nvar(%x,%y)\r\n%x=7\r\nwait(500)\r\n%y=1\r\nwait(100000)\r\n::END\r\n";
  std::int32_t xEarly = -1, yEarly = -1, yLate = -1;
  std::uint32_t stateEarly = 0, stateLate = 0;
  std::uint32_t startTick = 0;
  onPump = [&](int count) {
    if (count == 1) startTick = fake.manualClock().TickMs();
    if (count == 100) {
      xEarly = Var("x");
      yEarly = Var("y");
      stateEarly = Scene().m_nPendingState;
    }
    if (count > 100 && yLate < 0 && fake.manualClock().TickMs() - startTick > 700) {
      yLate = Var("y");
      stateLate = Scene().m_nPendingState;
      fake.QueueBoxAnswer(pl::IDOK);
      fake.InjectClose();
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(xEarly, 7) << "the lines before the wait ran at once";
  EXPECT_EQ(yEarly, 0);
  EXPECT_EQ(stateEarly, PND_TIMER);
  EXPECT_EQ(yLate, 1) << "the wait of 500 ms ended on the virtual clock";
  EXPECT_EQ(stateLate, PND_TIMER) << "in the next wait";
  EXPECT_EQ(fake.boxes.size(), 1u) << Texts(fake.boxes);
}

int g_hookCalls = 0;
void CountingHook() { ++g_hookCalls; }

TEST_F(EngineRun, WhileTheScriptWaitsTheFrameWorkRunsEverySecondCall) {
  int calls = -1;
  onPump = [&](int count) {
    if (count == 10) {
      g_hookCalls = 0;
      Scene().m_pfnFrameHook = &CountingHook;
    }
    if (count == 30) {
      calls = g_hookCalls;
      Scene().m_pfnFrameHook = &RunWaitStates;
    }
    CloseAt(count, 40);
  };
  Run();
  EXPECT_EQ(calls, 10) << "20 frame steps, work on every second one";
}

TEST_F(EngineRun, HeldCtrlSkipsUntilReleasedAndOtherKeysMaskIt) {
  startScript = kSlowCounter;
  struct Case {
    const char* what;
    std::vector<int> held;
    bool skips;
  };
  const Case cases[] = {
      {"Ctrl alone skips the waits", {pl::DIK_LCONTROL}, true},
      {"Left masks Ctrl", {pl::DIK_LEFT, pl::DIK_LCONTROL}, false},
      {"Shift masks Ctrl", {pl::DIK_RSHIFT, pl::DIK_RCONTROL}, false},
      {"a decide key in mode 0 does nothing and masks Ctrl", {pl::DIK_RETURN, pl::DIK_LCONTROL}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::int32_t before = -1, during = -1, runModeHeld = -1, runModeAfter = -1;
    int first = fake.pumps;
    onPump = [&](int count) {
      int n = count - first;
      if (n == 10) {
        before = Var("n");
        for (int k : c.held) fake.InjectKey(k, true);
      }
      if (n == 60) {
        during = Var("n");
        runModeHeld = Scene().m_nRunMode;
        for (int k : c.held) fake.InjectKey(k, false);
      }
      if (n == 80) runModeAfter = Scene().m_nRunMode;
      CloseAt(n, 90);
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    if (c.skips) {
      EXPECT_GT(during, before + 10) << "waits end at once while skipping";
      EXPECT_EQ(runModeHeld, RUN_SKIPHELD);
    } else {
      EXPECT_EQ(during, before);
      EXPECT_EQ(runModeHeld, RUN_NORMAL);
    }
    EXPECT_EQ(runModeAfter, RUN_NORMAL) << "releasing Ctrl ends the skip";
  }
}

TEST_F(EngineRun, VTogglesSkipOnlyWhileTheScriptWaitsForAClick) {
  struct Case {
    const char* what;
    std::uint32_t state;  // the wait the script is in when V is pressed
    std::int32_t runModeAfter;
  };
  const Case cases[] = {
      {"click wait in a page", PND_PROMPT_PAGE, RUN_SKIP},
      {"click wait at the page end", PND_FPROMPT, RUN_SKIP},
      {"a timed wait", PND_TIMER, RUN_NORMAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::int32_t seen = -1;
    int first = fake.pumps;
    onPump = [&](int count) {
      int n = count - first;
      if (n == 10) {
        Scene().m_nPendingState = c.state;
        fake.InjectKey(pl::DIK_V, true);
      }
      if (n == 20) fake.InjectKey(pl::DIK_V, false);
      if (n == 30) seen = Scene().m_nRunMode;
      CloseAt(n, 40);
    };
    Run();
    EXPECT_EQ(seen, c.runModeAfter);
  }
}

TEST_F(EngineRun, AScriptThatNeverWaitsDoesNotFreezeTheWindow) {
  startScript = "::START\r\n\r\nvar(%n)\r\n^wh(%n>=0)\r\n%n+=1\r\n^endw\r\n::END\r\n";
  onPump = [&](int count) { CloseAt(count, 5); };
  Run();
  EXPECT_EQ(exitCode, 0) << "the close request got through between runs of lines";
  ASSERT_EQ(fake.boxes.size(), 1u) << Texts(fake.boxes);
  EXPECT_EQ(Utf8(fake.boxes[0].caption), "確認");
}

TEST_F(EngineRun, WithoutAStartScriptTheStubRunsAndTheWindowStillCloses) {
  startScript.clear();
  onPump = [&](int count) { CloseAt(count, 20); };
  ASSERT_TRUE(kvtest::WriteFile(folder / "placeholder", ""));
  pl::SetProgramFolder(folder.path());
  exitCode = KivzoMain(globals, nullptr);
  EXPECT_EQ(exitCode, 0);
  ASSERT_GE(fake.boxes.size(), 2u) << Texts(fake.boxes);
  EXPECT_EQ(Utf8(fake.boxes[0].caption), "エラー") << Texts(fake.boxes);
  EXPECT_EQ(Utf8(fake.boxes.back().caption), "確認");
}

TEST_F(EngineRun, ShutdownWritesTheReadMarksAndTheSettings) {
  onPump = [&](int count) { CloseAt(count, 10); };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(pl::FileExists("K:\\save\\readal.dat"));
  EXPECT_TRUE(pl::FileExists("K:\\save\\system.dat"));
}

}  // namespace
