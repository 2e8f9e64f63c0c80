// The text settings as the player changes them on the settings screen and
// sees them in the message window: the reveal's pace under each text speed,
// and a speed changed while a line is revealed taking effect at the next
// character.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
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

constexpr int kW = 1024, kH = 600;

// Window 0 at (100, 400), 600 x 150; its text from (10, 8), 20 characters
// a line, 3 lines a page.
constexpr const char kWindow[] =
    "fnt(24,0xFFFFFF,0,0)\r\nwnd(1)\r\nwnd(0,2,100,400)\r\nwnd(0,1,600,150)\r\nwnd(0,4,10,8,4,0,3,20)\r\n";
// A wait for ever, a second at a time (skipping passes each).
constexpr const char kIdle[] = "var(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";

// Controls of the settings screen, at their centres.
constexpr pl::Point kTextSpeed[4] = {{500, 287}, {591, 287}, {681, 287}, {770, 287}};
constexpr pl::Point kReturn{513, 571};

int Ch(std::uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }
// Any text pixel over the black scene.
bool Inked(std::uint32_t p) { return Ch(p, 0) > 0x60 || Ch(p, 1) > 0x60 || Ch(p, 2) > 0x60; }
struct TextSettingsRun : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  // --- injected input, one step at least three pumps after the last
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };
  std::deque<Step> steps;
  int notBefore = 0;
  static bool Now() { return true; }
  void Then(std::function<bool()> ready, std::function<void()> act) {
    steps.push_back({std::move(ready), std::move(act)});
  }
  void Drive(int count) {
    if (steps.empty() || count < notBefore || !steps.front().ready()) return;
    std::function<void()> act = std::move(steps.front().act);
    steps.pop_front();
    act();
    notBefore = count + 3;
  }
  void Click(pl::Point at, std::function<bool()> ready = Now) {
    Then(std::move(ready), [this, at] { fake.InjectMouseMove(at); });
    Then(Now, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, at); });
    Then(Now, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); });
  }
  // A tap: the pointer comes to the control with the press, as on a touch
  // screen or from a pen.
  void Tap(pl::Point at, std::function<bool()> ready = Now) {
    Then(std::move(ready), [this, at] {
      fake.InjectMouseMove(at);
      fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
    });
    Then(Now, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); });
  }
  bool SettingsOpen() {
    CKivBase* e = Engine();
    return e && e->m_bScreenRunning && e->m_ConfigMode.m_bLoop == 1;
  }
  // On the settings screen once it is open: the controls clicked in order,
  // then the return button.
  void OnSettingsScreen(std::vector<pl::Point> controls) {
    bool first = true;
    for (pl::Point p : controls) {
      Click(p, first ? std::function<bool()>([this] { return SettingsOpen(); }) : std::function<bool()>(Now));
      first = false;
    }
    Click(kReturn, first ? std::function<bool()>([this] { return SettingsOpen(); }) : std::function<bool()>(Now));
  }
  void Quit(std::function<bool()> ready) {
    Then(std::move(ready), [this] { QuitYes(); });
  }

  // --- the settings screen's pictures
  void MakePicture(const std::string& name, const std::string& recipe) {
    const std::string out = folder / ("grp/" + name);
    ASSERT_TRUE(WriteFile(out + ".recipe", recipe));
    ASSERT_EQ(RunCommand(ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << name;
  }
  void MakeSettingsPictures() {
    MakePicture("cfm_bk0.bmp", "variant 24\nsize 1024 600\nfill 614400 FF203040\n");
    MakePicture("cfm_bk1.bmp", "variant 24\nsize 1024 600\nfill 614400 FF203040\n");
    MakePicture("cfm_cp.abm", "variant 32\nsize 344 288\nfill 99072 FF808080\n");
  }
  // A first start: no settings, read marks or saves from an earlier run.
  void ForgetSaves() { std::filesystem::remove_all(folder / "save"); }
  // The script is written here in UTF-8 and stored in CP932.
  void RunScript(const std::string& start) {
    startScript = pl::Utf8ToCp932(start);
    MakeSettingsPictures();
    onPump = [this](int count) {
      Drive(count);
      if (watch) watch(count);
    };
    Run();
  }
  std::function<void(int)> watch;

  // --- what the player sees
  std::vector<std::uint32_t> Presented() {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return {};
    return w->front;
  }
  // The character cells of a text line of the current window that hold
  // text, counted from the left up to the first empty one.
  int Revealed(const std::vector<std::uint32_t>& px, int line, int upTo = 20) {
    const CTextWindow* w = Engine() ? Engine()->Tables().CurrentWindow() : nullptr;
    if (!w || px.empty()) return 0;
    const int size = Engine()->Script().m_nTextSize;
    const int pitchX = w->m_nCharGap + Engine()->Script().m_nLetterSpacing;
    const int pitchY = w->m_nLineGap + size;
    const int x0 = w->m_nX + w->m_nHomeX, y0 = w->m_nY + w->m_nHomeY + line * pitchY;
    int n = 0;
    for (int c = 0; c < upTo; ++c) {
      bool ink = false;
      for (int y = y0; y < y0 + size && !ink; ++y)
        for (int x = x0 + c * pitchX; x < x0 + (c + 1) * pitchX && !ink; ++x)
          ink = Inked(px[static_cast<std::size_t>(y) * kW + x]);
      if (!ink) break;
      ++n;
    }
    return n;
  }
  std::uint32_t Tick() { return fake.manualClock().TickMs(); }
};

// The ticks at which the count of revealed characters of the first text
// line grew, one entry per new count.
struct RevealLog {
  std::vector<std::uint32_t> at;  // at[k]: when k + 1 characters stood
  void See(int revealed, std::uint32_t tick) {
    while (static_cast<int>(at.size()) < revealed) at.push_back(tick);
  }
};

constexpr const char kTenChars[] = "あいうえおかきくけこ";

TEST_F(TextSettingsRun, TheRevealKeepsThePaceOfTheSpeedChosenOnTheSettingsScreen) {
  const struct {
    int speed;
    std::uint32_t interval;  // 0: the whole line at once
  } cases[] = {{0, 90}, {1, 45}, {2, 16}, {3, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("text speed " + std::to_string(c.speed));
    steps.clear();
    ForgetSaves();
    RevealLog log;
    bool waited = false;
    OnSettingsScreen({kTextSpeed[c.speed]});
    bool pastSettings = false;
    watch = [&](int) {
      // Only what comes after this run's settings screen counts.
      if (SettingsOpen()) pastSettings = true;
      if (!pastSettings || SettingsOpen() || !Engine()) return;
      log.See(Revealed(Presented(), 0), Tick());
      if (Scene().m_nPendingState == PND_PROMPT_PAGE) waited = true;
    };
    Quit([&] { return waited; });
    RunScript(std::string("::START\r\n\r\n") + kWindow + "float(9)\r\n" + kTenChars + "\r\n" + kIdle);
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(waited) << "the line never came to its click wait; boxes:\n" << Texts(fake.boxes);
    ASSERT_EQ(log.at.size(), 10u) << "every character of the line is shown";
    if (c.interval == 0) {
      EXPECT_EQ(log.at.back(), log.at.front()) << "the whole line appears at once";
      continue;
    }
    for (std::size_t k = 1; k < log.at.size(); ++k) {
      const std::uint32_t gap = log.at[k] - log.at[k - 1];
      EXPECT_GE(gap, c.interval) << "character " << k;
      EXPECT_LE(gap, c.interval + 8) << "character " << k;
    }
  }
}

TEST_F(TextSettingsRun, ATapWorksTheControlItLandsOnThoughThePointerArrivesWithThePress) {
  // A radio button and then the return button, each tapped where the
  // pointer was not before.
  Tap(kTextSpeed[2], [this] { return SettingsOpen(); });
  Tap(kReturn);
  bool opened = false, closed = false;
  int speed = -1;
  watch = [&](int) {
    if (SettingsOpen()) {
      opened = true;
    } else if (opened && !closed) {
      closed = true;
      speed = Engine()->Settings().m_nTextSpeed;
    }
  };
  Quit([&] { return closed; });
  RunScript(std::string("::START\r\n\r\n") + kWindow + "float(9)\r\n" + kIdle);
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(opened) << Texts(fake.boxes);
  EXPECT_TRUE(closed) << "the return button did not take its tap";
  EXPECT_EQ(speed, 2) << "the radio button did not take its tap";
}

TEST_F(TextSettingsRun, ASpeedChangedDuringTheRevealTakesEffectAtTheNextCharacter) {
  RevealLog log;
  bool changed = false, waited = false;
  OnSettingsScreen({kTextSpeed[0]});
  bool pastSettings = false;
  watch = [&](int) {
    if (SettingsOpen()) pastSettings = true;
    if (!pastSettings || SettingsOpen() || !Engine()) return;
    log.See(Revealed(Presented(), 0), Tick());
    // With three characters shown the settings' text speed becomes 2, as
    // the settings screen's radio button writes it.
    if (!changed && log.at.size() == 3) {
      Engine()->Settings().m_nTextSpeed = 2;
      changed = true;
    }
    if (Scene().m_nPendingState == PND_PROMPT_PAGE) waited = true;
  };
  Quit([&] { return waited; });
  RunScript(std::string("::START\r\n\r\n") + kWindow + "float(9)\r\n" + kTenChars + "\r\n" + kIdle);
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(changed && waited) << Texts(fake.boxes);
  ASSERT_EQ(log.at.size(), 10u);
  EXPECT_GE(log.at[1] - log.at[0], 90u) << "speed 0 before the change";
  EXPECT_GE(log.at[2] - log.at[1], 90u);
  for (std::size_t k = 3; k < log.at.size(); ++k) {
    EXPECT_GE(log.at[k] - log.at[k - 1], 16u) << "character " << k;
    EXPECT_LE(log.at[k] - log.at[k - 1], 24u) << "character " << k << " still at the old speed";
  }
}

// The colour of the brightest text pixel of a text line of the current
// window (0 when the line holds no text).
std::uint32_t LineColour(TextSettingsRun& run, const std::vector<std::uint32_t>& px, int line) {
  const CTextWindow* w = run.Engine() ? run.Engine()->Tables().CurrentWindow() : nullptr;
  if (!w || px.empty()) return 0;
  const int size = run.Engine()->Script().m_nTextSize;
  const int pitchY = w->m_nLineGap + size;
  const int x0 = w->m_nX + w->m_nHomeX, y0 = w->m_nY + w->m_nHomeY + line * pitchY;
  std::uint32_t best = 0;
  int bestSum = 0;
  for (int y = y0; y < y0 + size; ++y) {
    for (int x = x0; x < x0 + 20 * size && x < kW; ++x) {
      const std::uint32_t p = px[static_cast<std::size_t>(y) * kW + x];
      const int sum = Ch(p, 0) + Ch(p, 1) + Ch(p, 2);
      if (Inked(p) && sum > bestSum) {
        bestSum = sum;
        best = p & 0xFFFFFFu;
      }
    }
  }
  return best;
}

TEST_F(TextSettingsRun, ALineShownAgainIsDrawnInTheReadColourFromTheFirstStart) {
  // The same line twice: the second time it has been read, and the
  // read-text colour is on from the first start.
  std::uint32_t first = 0, again = 0;
  bool done = false;
  auto atWait = [this] {
    const std::uint32_t s = Scene().m_nPendingState;
    return s == PND_PROMPT_PAGE || s == PND_FPROMPT;
  };
  Then(atWait, [&] { first = LineColour(*this, Presented(), 0); });
  Then(Now, [this] { fake.InjectKey(pl::DIK_RETURN, true); });
  Then(Now, [this] { fake.InjectKey(pl::DIK_RETURN, false); });
  Then([&] { return atWait() && LineColour(*this, Presented(), 1) != 0; },
       [&] {
         again = LineColour(*this, Presented(), 1);
         done = true;
       });
  Quit([&] { return done; });
  ForgetSaves();
  RunScript(std::string("::START\r\n\r\nmode(1)\r\n") + kWindow + "var(%n)\r\n^wh(%n<2)\r\n%n+=1\r\n" + kTenChars +
            "\r\n^endw\r\n" + kIdle);
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(done) << "the line did not come twice; boxes:\n" << Texts(fake.boxes);
  // Within a step of the colour: the font's edge blend leaves the fullest
  // pixel a shade below it.
  auto near = [](std::uint32_t a, std::uint32_t b) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(Ch(a, c) - Ch(b, c)) > 2) return false;
    }
    return true;
  };
  EXPECT_TRUE(near(first, 0xFFFFFFu)) << std::hex << first << ": a line not read before is in the script's colour";
  // The read colour is a colour value of blue, green and red from the low byte.
  const std::uint32_t read = ((kReadTextColor & 0xFF) << 16) | (kReadTextColor & 0xFF00) | ((kReadTextColor >> 16) & 0xFF);
  EXPECT_TRUE(near(again, read)) << std::hex << again << " for " << read;
}

TEST_F(TextSettingsRun, SkippingStopsAtAPageNotReadBeforeOnlyWhileSkipReadOnlyIsOn) {
  // Four pages never read (a first start); skip mode is turned on with V at
  // the first one's end.
  const struct {
    const char* what;
    std::int32_t skipReadOnly;
    bool stops;
  } cases[] = {{"skip-read-only on (the factory setting)", 1, true}, {"skip-read-only off", 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    steps.clear();
    ForgetSaves();
    bool chosen = false, done = false;
    std::string pageAfter;
    std::uint32_t stateAfter = 0;
    std::int32_t runAfter = -1;
    auto atPageEnd = [this] { return Scene().m_nPendingState == PND_FPROMPT; };
    watch = [&](int) {
      if (!chosen && Engine()) {
        Engine()->Settings().m_bSkipReadOnly = c.skipReadOnly;  // the word the settings screen writes
        chosen = true;
      }
    };
    Then(atPageEnd, [this] { fake.InjectKey(pl::DIK_V, true); });
    Then(Now, [this] { fake.InjectKey(pl::DIK_V, false); });
    // Long enough for the skip to run through every page when it does not stop.
    for (int i = 0; i < 20; ++i) Then(Now, [] {});
    Then(Now, [&] {
      pageAfter = pl::Cp932ToUtf8(Engine()->Text().PageText());
      stateAfter = Scene().m_nPendingState;
      runAfter = Scene().m_nRunMode;
      done = true;
    });
    Quit([&] { return done; });
    RunScript(std::string("::START\r\n\r\nmode(1)\r\n") + kWindow +
              "あいう\r\n\r\nかきく\r\n\r\nさしす\r\n\r\nたちつ\r\n\r\n" + kIdle);
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(done) << Texts(fake.boxes);
    if (c.stops) {
      EXPECT_EQ(stateAfter, PND_FPROMPT) << "the skip went on past a page not read before";
      EXPECT_NE(pageAfter.find("かきく"), std::string::npos) << pageAfter;
      EXPECT_NE(runAfter, RUN_SKIP);
    } else {
      // Past the last page, in the wait after it, still skipping.
      EXPECT_EQ(stateAfter, PND_TIMER) << "the skip stopped although skip-read-only is off; " << pageAfter;
      EXPECT_EQ(runAfter, RUN_SKIP);
    }
  }
}

TEST_F(TextSettingsRun, TheReturnToTheTitleSwitchesTheReadColourOnAgain) {
  // The story switches the read colour off; the menu's return to the title
  // switches it on again, so the title's line shown a second time is in the
  // read colour.
  const std::string title = std::string("::START\r\n\r\nmode(1)\r\n") + kWindow + "var(%n)\r\n^wh(%n<2)\r\n%n+=1\r\n" +
                            kTenChars + "\r\n^endw\r\n" + kIdle;
  ASSERT_TRUE(WriteFile(folder / "txt/TITLE.TXT", pl::Utf8ToCp932(title)));
  std::uint32_t again = 0;
  bool done = false;
  auto atWait = [this] {
    const std::uint32_t s = Scene().m_nPendingState;
    return s == PND_PROMPT_PAGE || s == PND_FPROMPT;
  };
  Then([this] { return Scene().m_nPendingState == PND_TIMER; },
       [this] {
         fake.QueueBoxAnswer(pl::IDOK);
         fake.InjectMenuChoice(IDM_TITLE);
       });
  Then(atWait, [this] { fake.InjectKey(pl::DIK_RETURN, true); });
  Then(Now, [this] { fake.InjectKey(pl::DIK_RETURN, false); });
  Then([&] { return atWait() && LineColour(*this, Presented(), 1) != 0; },
       [&] {
         again = LineColour(*this, Presented(), 1);
         done = true;
       });
  Quit([&] { return done; });
  ForgetSaves();
  RunScript(std::string("::START\r\n\r\nmode(1)\r\nreadal(0)\r\n") + kWindow + "wait(100000)\r\n::END\r\n");
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(done) << "the title's line did not come twice; boxes:\n" << Texts(fake.boxes);
  const std::uint32_t read = ((kReadTextColor & 0xFF) << 16) | (kReadTextColor & 0xFF00) | ((kReadTextColor >> 16) & 0xFF);
  for (int ch = 0; ch < 3; ++ch) EXPECT_LE(std::abs(Ch(again, ch) - Ch(read, ch)), 2) << std::hex << again << " for " << read;
}

}  // namespace
