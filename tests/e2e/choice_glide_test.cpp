// The cursor's way onto the first choice of a choice list: with gliding on
// (the key option of the settings screen) it glides there in steps that
// close in on the choice; with gliding off the cursor stays where it is.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "platform/input.h"
#include "platform/window.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "screens/config_mode.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::RunCommand;
using kvtest::Texts;
using kvtest::ToolPath;
using kvtest::WriteFile;

constexpr const char kWindow[] =
    "fnt(24,0xFFFFFF,0,0)\r\nwnd(1)\r\nwnd(0,2,100,400)\r\nwnd(0,1,600,150)\r\nwnd(0,4,10,8,4,0,3,20)\r\n";
constexpr const char kIdle[] = "var(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";
constexpr pl::Point kKeyOptionOn{574, 192};
constexpr pl::Point kReturn{513, 571};

struct ChoiceGlide : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  void MakePicture(const std::string& name, const std::string& recipe) {
    const std::string out = folder / ("grp/" + name);
    ASSERT_TRUE(WriteFile(out + ".recipe", recipe));
    ASSERT_EQ(RunCommand(ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << name;
  }
  bool SettingsOpen() {
    CKivBase* e = Engine();
    return e && e->m_bScreenRunning && e->m_ConfigMode.m_bLoop == 1;
  }
  bool Gliding() {
    CKivBase* e = Engine();
    if (!e || !e->m_pKeyManager) return false;
    CMouse& m = e->m_pKeyManager->m_Mouse;
    ReleaseScopedLock lock(m.Lock());
    return m.m_bGliding != 0;
  }
  // A run that turns the key option on through the settings screen.
  void TurnGlidingOn() {
    MakePicture("cfm_bk0.bmp", "variant 24\nsize 1024 600\nfill 614400 FF203040\n");
    MakePicture("cfm_bk1.bmp", "variant 24\nsize 1024 600\nfill 614400 FF203040\n");
    MakePicture("cfm_cp.abm", "variant 32\nsize 344 288\nfill 99072 FF808080\n");
    startScript = std::string("::START\r\n\r\nfloat(9)\r\n") + kIdle;
    int at = -1, stage = 0;
    const pl::Point clicks[] = {kKeyOptionOn, kReturn};
    onPump = [&](int count) {
      if (stage >= 6) {
        if (stage == 6 && !SettingsOpen() && Scene().m_nPendingState == PND_TIMER) {
          stage = 7;
          QuitYes();
        }
        return;
      }
      if (at < 0) {
        if (SettingsOpen()) at = count + 3;
        return;
      }
      if (count < at) return;
      const pl::Point p = clicks[stage / 3];
      if (stage % 3 == 0) fake.InjectMouseMove(p);
      if (stage % 3 == 1) fake.InjectMouseButton(pl::MOUSE_LEFT, true, p);
      if (stage % 3 == 2) fake.InjectMouseButton(pl::MOUSE_LEFT, false, p);
      ++stage;
      at = count + 3;
    };
    Run();
    ASSERT_EQ(stage, 7) << Texts(fake.boxes);
  }
};

TEST_F(ChoiceGlide, TheCursorGlidesOntoTheFirstChoiceOnlyWhileGlidingIsOn) {
  const struct {
    const char* what;
    bool glide;
  } cases[] = {{"gliding off (the factory setting)", false}, {"gliding on", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder / "save");
    if (c.glide) TurnGlidingOn();
    std::size_t from = 0;
    std::vector<pl::Point> seen;  // client points the cursor was moved to
    startScript = pl::Utf8ToCp932(std::string("::START\r\n\r\n") + kWindow + "/はい/いいえ//\r\n" + kIdle);
    pl::Point target{-1, -1};
    bool shown = false, done = false;
    int settle = -1;
    onPump = [&](int count) {
      if (done || !Engine()) return;
      if (!shown && Scene().m_nPendingState == PND_SLCT) {
        shown = true;
        const CTextWindow* w = Engine()->Tables().CurrentWindow();
        const ChoiceRecord& r = Engine()->Text().Choice(0);
        target = {w->m_nX + r.m_nX + 4, w->m_nY + r.m_nY + r.m_nHeight - 5};
        from = fake.cursorMoves.size();
      }
      if (!shown) return;
      for (; from < fake.cursorMoves.size(); ++from)
        seen.push_back(pl::ScreenToClient(GetMainWindowHandle(), fake.cursorMoves[from]));
      // The glide thread keeps real time: give it that while it glides.
      if (Gliding()) {
        usleep(3000);
        return;
      }
      if (settle < 0) settle = count + 20;
      if (count >= settle) {
        done = true;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(shown) << Texts(fake.boxes);
    if (!c.glide) {
      EXPECT_TRUE(seen.empty()) << "the cursor was moved although gliding is off";
      continue;
    }
    ASSERT_FALSE(seen.empty()) << "the cursor never moved";
    EXPECT_EQ(seen.back().x, target.x);
    EXPECT_EQ(seen.back().y, target.y);
    ASSERT_GE(seen.size(), 3u) << "the cursor glides in steps";
    auto dist = [&](pl::Point p) { return std::abs(p.x - target.x) + std::abs(p.y - target.y); };
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_LT(dist(seen[i]), dist(seen[i - 1])) << "step " << i;
    EXPECT_GT(dist(seen[0]), 0) << "the first step is not yet on the choice";
  }
}

}  // namespace
