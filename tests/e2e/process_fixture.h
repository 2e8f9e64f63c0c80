// The whole process on the fake backend, as the end-to-end tests run it:
// globals, start-up, the run and shutdown, in a program folder of the
// test's own with a START script, under a single-instance name of its own.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/process.h"
#include "engine/kiv_base.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/input.h"
#include "platform/text.h"
#include "tests/support/process_state.h"
#include "tests/support/test_support.h"

namespace kvtest {

inline std::string Utf8(const std::string& cp932) { return pl::Cp932ToUtf8(cp932); }

inline std::string Texts(const std::vector<pl::RecordedBox>& boxes) {
  std::string out;
  for (const pl::RecordedBox& b : boxes) out += "[" + Utf8(b.caption) + "] " + Utf8(b.text) + "\n";
  return out;
}

// A START script that waits for ever, a second at a time.
inline constexpr const char kIdleStart[] =
    "::START\r\n\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";

struct Process : ::testing::Test {
  pl::FakeBackend fake;
  TempDir folder;
  ProcessGlobals globals;
  int exitCode = -1;
  std::string startScript = kIdleStart;
  // Called at every pump with its number, after the guard below.
  std::function<void(int)> onPump;
  // When set, asked first at every pump: while it returns true (it is at
  // work, as passing a game's title is), onPump is not called.
  std::function<bool(int)> gate;

  void SetUp() override {
    ResetProcessState(folder.path());
    static std::atomic<int> n{0};
    globals.m_App.m_strMutexName = "kivzo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(n++);
    // A run that does not end by itself is a failure, not a hang.
    fake.onPump = [this](int count) {
      if (count == 20000) {
        ADD_FAILURE() << "the run did not end";
        if (pl::Window* w = fake.lastWindow) pl::DestroyWindow(w);
      }
      for (std::size_t i = 0; i < later.size();) {
        if (later[i].first <= count) {
          auto act = std::move(later[i].second);
          later.erase(later.begin() + static_cast<std::ptrdiff_t>(i));
          act();
        } else {
          ++i;
        }
      }
      AnswerQuestionScreens();
      if (gate && gate(count)) return;
      if (onPump) onPump(count);
    };
  }
  // Runs `act` at the pump `pumps` from now.
  void At(int pumps, std::function<void()> act) { later.emplace_back(fake.pumps + pumps, std::move(act)); }
  // The close request answered with yes: by the plain box, or by the keys
  // on the confirmation screen when the game has its pictures.
  void QuitYes() {
    fake.QueueBoxAnswer(pl::IDOK);
    fake.InjectClose();
  }
  // Answers the confirmation screen with yes whenever it asks (the games
  // with its pictures ask there instead of in a box): Left twice puts the
  // cursor on yes from anywhere, Return takes it.
  void AnswerQuestionScreens() {
    CKivBase* engine = globals.m_App.m_pKivBase;
    if (!engine || !engine->QuestionShown() || answering) return;
    answering = true;
    At(30, [this] { fake.InjectKey(pl::DIK_LEFT, true); });
    At(33, [this] { fake.InjectKey(pl::DIK_LEFT, false); });
    At(36, [this] { fake.InjectKey(pl::DIK_LEFT, true); });
    At(39, [this] { fake.InjectKey(pl::DIK_LEFT, false); });
    At(42, [this] { fake.InjectKey(pl::DIK_RETURN, true); });
    At(45, [this] { fake.InjectKey(pl::DIK_RETURN, false); });
    At(200, [this] { answering = false; });
  }
  bool answering = false;
  // Boxes other than the quit question.
  std::vector<pl::RecordedBox> OtherBoxes() const {
    std::vector<pl::RecordedBox> out;
    for (const pl::RecordedBox& b : fake.boxes) {
      if (Utf8(b.text) != "終了してもよろしいですか？") out.push_back(b);
    }
    return out;
  }
  std::vector<std::pair<int, std::function<void()>>> later;

  void Run() {
    ASSERT_TRUE(WriteFile(folder / "txt/START.TXT", startScript));
    MakeScenePictures();
    exitCode = RunMain();
  }
  // One run of the program in the folder as it is.
  int RunMain() {
    later.clear();
    answering = false;
    return KivzoMain(globals, nullptr);
  }
  // The name window and the two cells every game ships (the first run
  // loads them and reports a missing one).
  void MakeScenePictures() {
    struct Pic {
      const char* name;
      const char* recipe;
    } pics[] = {
        {"namewnd1.abm", "variant 32\nsize 8 4\nfill 32 80FFFFFF\n"},
        {"msgcell1.bmp", "variant 24\nsize 4 4\nfill 16 FF404040\n"},
        {"namecell1.bmp", "variant 24\nsize 4 4\nfill 16 FF404040\n"},
    };
    for (const Pic& p : pics) {
      const std::string out = folder / (std::string("grp/") + p.name);
      if (access(out.c_str(), F_OK) == 0) continue;
      ASSERT_TRUE(WriteFile(out + ".recipe", p.recipe));
      ASSERT_EQ(RunCommand(ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << p.name;
      std::remove((out + ".recipe").c_str());
    }
  }
};

}  // namespace kvtest
