// The ways back to the title: the script's `backtitle`, menu item 112 with
// its question, and the ending list opened by `float`.
#include <gtest/gtest.h>

#include "engine/kiv_base.h"
#include "scene/pending.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Process;
using kvtest::Texts;
using kvtest::Utf8;

// The title script marks that it ran and then idles.
constexpr const char kTitle[] =
    "::START\r\n\r\nvar(%t)\r\n%t=1\r\n^wh(%t==1)\r\nwait(1000)\r\n^endw\r\n::END\r\n";

struct Title : Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::int32_t Var(const char* name) {
    if (!Engine()) return -999;
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }
  void SetUp() override {
    Process::SetUp();
    ASSERT_TRUE(kvtest::WriteFile(folder / "txt/TITLE.TXT", kTitle));
  }
  void Quit() {
    fake.QueueBoxAnswer(pl::IDOK);
    fake.InjectClose();
  }
};

TEST_F(Title, BacktitleStartsTheTitleScriptWithoutAQuestion) {
  startScript = "::START\r\n\r\nwait(100)\r\nbacktitle\r\nwait(100000)\r\n::END\r\n";
  std::int32_t seen = -1;
  std::size_t boxesBefore = 0;
  onPump = [&](int count) {
    if (count == 5) boxesBefore = fake.boxes.size();
    if (seen < 0 && Var("t") == 1) {
      seen = 1;
      EXPECT_EQ(fake.boxes.size(), boxesBefore) << Texts(fake.boxes);
      Quit();
    }
    if (count == 2000 && seen < 0) Quit();
  };
  Run();
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(exitCode, 0);
}

TEST_F(Title, MenuItemAsksFirstAndCancelKeepsTheStory) {
  startScript = "::START\r\n\r\nvar(%s)\r\n%s=5\r\nwait(100000)\r\n::END\r\n";
  int phase = 0;
  onPump = [&](int count) {
    if (phase == 0 && count == 20) {
      fake.QueueBoxAnswer(pl::IDCANCEL);
      fake.InjectMenuChoice(IDM_TITLE);
      phase = 1;
    } else if (phase == 1 && count == 60) {
      EXPECT_EQ(Var("s"), 5) << "Cancel: the story goes on";
      EXPECT_EQ(Var("t"), -999);
      fake.QueueBoxAnswer(pl::IDOK);
      fake.InjectMenuChoice(IDM_TITLE);
      phase = 2;
    } else if (phase == 2 && Var("t") == 1) {
      phase = 3;
      Quit();
    } else if (count == 3000) {
      Quit();
    }
  };
  Run();
  EXPECT_EQ(phase, 3);
  int questions = 0;
  for (const pl::RecordedBox& b : fake.boxes) questions += Utf8(b.text) == "タイトルに戻ります。よろしいですか？" ? 1 : 0;
  EXPECT_EQ(questions, 2) << Texts(fake.boxes);
}

TEST_F(Title, FloatOpensTheEndingListWhichLeavesOnAClick) {
  // Without the list's page picture the screen ends at once and the story
  // goes on after the command.
  startScript = "::START\r\n\r\nvar(%after)\r\nfloat(6)\r\n%after=1\r\nwait(100000)\r\n::END\r\n";
  bool done = false;
  onPump = [&](int count) {
    if (!done && Var("after") == 1) {
      done = true;
      Quit();
    }
    if (count == 2000 && !done) Quit();
  };
  Run();
  EXPECT_TRUE(done);
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
