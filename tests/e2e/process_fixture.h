// The whole process on the fake backend, as the end-to-end tests run it:
// globals, start-up, the run and shutdown, in a program folder of the
// test's own with a START script, under a single-instance name of its own.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "framework/entry/process.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/text.h"
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

  void SetUp() override {
    pl::SetProgramFolder(folder.path());
    static std::atomic<int> n{0};
    globals.m_App.m_strMutexName = "kivzo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(n++);
    // A run that does not end by itself is a failure, not a hang.
    fake.onPump = [this](int count) {
      if (count == 20000) {
        ADD_FAILURE() << "the run did not end";
        if (pl::Window* w = fake.lastWindow) pl::DestroyWindow(w);
      }
      if (onPump) onPump(count);
    };
  }
  void Run() {
    ASSERT_TRUE(WriteFile(folder / "txt/START.TXT", startScript));
    exitCode = KivzoMain(globals, nullptr);
  }
};

}  // namespace kvtest
