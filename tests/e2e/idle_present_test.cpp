// What reaches the screen while the player only looks, counted at the fake
// backend's presents: during a click wait of the staged sample game the
// window is presented only when the click-wait cursor shows a new frame, at
// most once a render tick, and only inside the cursor's rectangle, whether
// the pointer rests away from the window's buttons or on one; moving the
// pointer onto a button shows its hover look once and moving it off shows
// the normal look again; an expose puts the whole picture up again; and a
// plain `wait` under a shown scene presents nothing at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "platform/window.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTickMs = 33;         // the render tick
constexpr std::uint32_t kCursorFrameMs = 66;  // one frame of the click-wait cursor
constexpr std::uint32_t kWatchMs = 2000;      // of the virtual clock

using kvtest::StageFolder;

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
  bool Holds(const pl::Rect& r) const { return r.left >= x && r.top >= y && r.right <= x + w && r.bottom <= y + h; }
  bool Meets(const pl::Rect& r) const { return r.left < x + w && r.right > x && r.top < y + h && r.bottom > y; }
  pl::Point Centre() const { return {x + w / 2, y + h / 2}; }
};

std::string Describe(const pl::Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

struct IdlePresent : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::uint32_t Now() { return fake.manualClock().TickMs(); }
  kvtest::TitleStart titleStart;

  // The staged game, entered from its title by "はじめから".
  void StageGame() {
    kvtest::CopyStagedGame(folder.path());
    MakeScenePictures();
    gate = [this](int count) { return titleStart.Step(fake, Engine(), count); };
  }

  void CopyStaged(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const fs::path from = StageFolder() / name;
      ASSERT_TRUE(fs::exists(from)) << from << " is missing: build the stage first";
      fs::copy_file(from, fs::path(folder.path()) / name);
    }
  }

  // The pixels of a box on the screen (as last presented) or in the
  // window's front buffer (as the program last drew it).
  std::vector<std::uint32_t> ShownIn(const Box& b) { return Cut(fake.shown, fake.shownWidth, b); }
  std::vector<std::uint32_t> FrontIn(const Box& b) {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    return Cut(w->front, w->clientWidth, b);
  }
  static std::vector<std::uint32_t> Cut(const std::vector<std::uint32_t>& px, int width, const Box& b) {
    std::vector<std::uint32_t> out;
    if (width <= 0) return out;
    for (int y = b.y; y < b.y + b.h; ++y)
      for (int x = b.x; x < b.x + b.w; ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x;
        if (at < px.size()) out.push_back(px[at]);
      }
    return out;
  }

  // The current window's in-page click-wait cursor (one frame) and first
  // button, as the script placed them.
  Box cursor, button;
  bool NoteWindow() {
    const CTextWindow* w = Engine()->Tables().CurrentWindow();
    if (!w || w->m_nState != 1 || w->m_Buttons.empty()) return false;
    const CLayerImage& c = w->m_PromptCursor;
    cursor = Box{w->m_nX + w->m_nPromptCursorX, w->m_nY + w->m_nPromptCursorY, c.m_nWidth,
                 c.m_nHeight / (w->m_nPromptCursorLast + 1)};
    const CLayerImage& b = w->m_Buttons.front()->m_Image;
    button = Box{w->m_nX + b.m_nX, w->m_nY + b.m_nY, b.m_nWidth, b.m_nHeight / 3};
    return button.w > 0 && button.h > 0;
  }

  // A list of steps run one after the other from the pumps: each returns
  // true once it is done.
  std::vector<std::function<bool()>> steps;
  std::size_t step = 0;
  bool AllDone() const { return step == steps.size(); }
  void RunSteps() {
    onPump = [this](int) {
      if (step < steps.size() && steps[step]()) {
        ++step;
        if (AllDone()) QuitYes();
      }
    };
    exitCode = RunMain();
  }
  // A step that waits until the virtual clock has gone on by `ms` from the
  // moment the step before it ended.
  std::function<bool()> Pause(std::uint32_t ms) {
    auto until = std::make_shared<std::uint32_t>(0);
    auto armed = std::make_shared<bool>(false);
    return [this, ms, until, armed] {
      if (!*armed) {
        *until = Now() + ms;
        *armed = true;
      }
      return Now() >= *until;
    };
  }
  // The first step of the click-wait runs: the first line's click wait of
  // the sample game, with its window noted.
  std::function<bool()> ToFirstClickWait() {
    return [this] { return Scene().m_nPendingState == PND_PROMPT_PAGE && NoteWindow() && cursor.w > 0 && cursor.h > 0; };
  }
  // The first line is voiced, and Mina's mouth moves until the voice ends:
  // this step waits until nothing but the cursor has been presented for
  // `ms` of the virtual clock.
  std::function<bool()> SceneAtRest(std::uint32_t ms = 1000) {
    auto seen = std::make_shared<std::size_t>(0);
    auto since = std::make_shared<std::uint32_t>(0);
    return [this, ms, seen, since] {
      if (*since == 0) *since = Now();
      for (; *seen < fake.presents.size(); ++*seen)
        if (!cursor.Holds(fake.presents[*seen].rect) || fake.presents[*seen].whole) *since = Now();
      return Now() - *since >= ms;
    };
  }
};

// ---------------------------------------------------------------- click wait

struct PointerCase {
  const char* name;
  bool onButton;  // else away from the window's buttons, over the scene
};

struct ClickWaitPresents : IdlePresent, ::testing::WithParamInterface<PointerCase> {};

TEST_P(ClickWaitPresents, OnlyTheCursorsNewFramesAtMostOneATick) {
  const PointerCase& c = GetParam();
  StageGame();
  std::vector<std::uint32_t> normalLook, endLook;
  std::size_t first = 0, last = 0;
  std::uint32_t watchStart = 0;
  std::vector<std::uint32_t> previousCursor;
  std::vector<std::string> faults;
  int changes = 0;
  steps = {
      ToFirstClickWait(),
      SceneAtRest(),
      [&] {
        normalLook = ShownIn(button);
        fake.InjectMouseMove(c.onButton ? button.Centre() : pl::Point{300, 300});
        return true;
      },
      // The pointer's hover look (when on a button) is drawn and presented.
      Pause(200),
      [&] {
        first = fake.presents.size();
        watchStart = Now();
        previousCursor = ShownIn(cursor);
        return true;
      },
      [&] {
        if (Scene().m_nPendingState != PND_PROMPT_PAGE) faults.push_back("the click wait ended");
        // Each present as it comes: in the cursor's rectangle, and showing
        // a frame other than the one on the screen before.
        for (std::size_t i = first + static_cast<std::size_t>(changes); i < fake.presents.size(); ++i, ++changes) {
          const pl::FakeBackend::RecordedPresent& p = fake.presents[i];
          if (!cursor.Holds(p.rect) || p.whole) faults.push_back("a present of " + Describe(p.rect) + " at " + std::to_string(p.tick));
          const std::vector<std::uint32_t> now = ShownIn(cursor);
          if (now == previousCursor) faults.push_back("a present without a new cursor frame at " + std::to_string(p.tick));
          previousCursor = now;
        }
        if (Now() - watchStart < kWatchMs) return false;
        last = fake.presents.size();
        endLook = ShownIn(button);
        return true;
      },
  };
  RunSteps();
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(AllDone()) << "the game did not reach its first click wait; boxes:\n" << kvtest::Texts(fake.boxes);
  EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front();
  const std::size_t count = last - first;
  // The cursor shows a new frame every 66 ms; the tick comes every 33 ms.
  EXPECT_GE(count, kWatchMs / kCursorFrameMs * 3 / 4) << "the cursor did not animate on the screen";
  EXPECT_LE(count, kWatchMs / kCursorFrameMs + 1);
  for (std::size_t i = first + 1; i < last; ++i)
    EXPECT_GE(fake.presents[i].tick - fake.presents[i - 1].tick, kTickMs) << "two presents in one tick at " << fake.presents[i].tick;
  // The button shows the look the pointer gives it.
  ASSERT_FALSE(normalLook.empty());
  if (c.onButton) {
    EXPECT_NE(endLook, normalLook) << "no hover look on the button under the pointer";
  } else {
    EXPECT_EQ(endLook, normalLook);
  }
}

INSTANTIATE_TEST_SUITE_P(Pointer, ClickWaitPresents,
                         ::testing::Values(PointerCase{"AwayFromTheButtons", false}, PointerCase{"RestingOnAButton", true}),
                         [](const ::testing::TestParamInfo<PointerCase>& i) { return std::string(i.param.name); });

// Onto a button and off it again: each move presents the button's new look
// once; then an expose puts the whole picture up again.
TEST_F(IdlePresent, HoverLooksFollowThePointerAndAnExposeRepaintsAll) {
  StageGame();
  std::vector<std::uint32_t> normalLook, hoverLook, backLook;
  std::size_t mark = 0;
  int onPresents = -1, offPresents = -1;
  auto presentsOnButton = [&] {
    int n = 0;
    for (std::size_t i = mark; i < fake.presents.size(); ++i) n += button.Meets(fake.presents[i].rect) ? 1 : 0;
    return n;
  };
  bool repainted = false;
  int wrongAfterExpose = -1;
  steps = {
      ToFirstClickWait(),
      SceneAtRest(),
      [&] {
        fake.InjectMouseMove({300, 300});
        return true;
      },
      Pause(200),
      [&] {
        normalLook = ShownIn(button);
        mark = fake.presents.size();
        fake.InjectMouseMove(button.Centre());
        return true;
      },
      Pause(300),
      [&] {
        hoverLook = ShownIn(button);
        onPresents = presentsOnButton();
        mark = fake.presents.size();
        fake.InjectMouseMove({300, 300});
        return true;
      },
      Pause(300),
      [&] {
        backLook = ShownIn(button);
        offPresents = presentsOnButton();
        // The window system lost the picture.
        std::fill(fake.shown.begin(), fake.shown.end(), 0x12345678u);
        mark = fake.presents.size();
        fake.InjectExpose();
        return true;
      },
      [&] {
        if (fake.presents.size() == mark) return false;
        repainted = fake.presents.back().whole;
        // The whole picture is back; only the cursor may have been drawn
        // anew since.
        const Box all{0, 0, 1024, 600};
        const std::vector<std::uint32_t> shown = ShownIn(all), front = FrontIn(all);
        wrongAfterExpose = 0;
        for (int y = 0; y < 600; ++y)
          for (int x = 0; x < 1024; ++x) {
            const bool inCursor = x >= cursor.x && x < cursor.x + cursor.w && y >= cursor.y && y < cursor.y + cursor.h;
            const std::size_t at = static_cast<std::size_t>(y) * 1024 + x;
            if (!inCursor && (at >= shown.size() || at >= front.size() || shown[at] != front[at])) ++wrongAfterExpose;
          }
        return true;
      },
  };
  RunSteps();
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(AllDone()) << "the game did not reach its first click wait; boxes:\n" << kvtest::Texts(fake.boxes);
  EXPECT_NE(hoverLook, normalLook) << "the hover look was not shown";
  EXPECT_EQ(onPresents, 1) << "presents of the button while the pointer rested on it";
  EXPECT_EQ(backLook, normalLook) << "the normal look did not come back";
  EXPECT_EQ(offPresents, 1) << "presents of the button after the pointer left it";
  EXPECT_TRUE(repainted) << "the present after the expose was not of the whole window";
  EXPECT_EQ(wrongAfterExpose, 0) << "pixels not repainted after the expose";
}

// ---------------------------------------------------------------- plain wait

// The sample game's window and first scene, then a wait that never ends.
constexpr const char kPlainWait[] =
    "::START\r\n"
    "mode(1)\r\n"
    "fnt(24,0xFFFFFF,2,0x101018)\r\n"
    "wnd(1)\r\n"
    "wnd(0,2,12,420)\r\n"
    "wnd(0,1,1000,170)\r\n"
    "wnd(0,6,\"msgwnd\",0,0)\r\n"
    "wnd(0,4,36,8,8,1,5,34)\r\n"
    "wnd(0,9,\"sb_automode\",\"automode\",454,6)\r\n"
    "wnd(0,9,\"sb_startskip\",\"startskip\",520,6)\r\n"
    "spr(4)\r\n"
    "bgon(\"bg01\",0,0)\r\n"
    "chon(1,\"ch_mina\",-15,80,0,0)\r\n"
    "ud(1,800)\r\n"
    "wndon(300)\r\n"
    "var(%i)\r\n"
    "^wh(%i==0)\r\n"
    "wait(1000)\r\n"
    "^endw\r\n"
    "::END\r\n";

TEST_F(IdlePresent, APlainWaitPresentsNothingOnceTheSceneIsUp) {
  CopyStaged({"GRP.AOS"});
  ASSERT_TRUE(kvtest::WriteFile(folder / "txt/START.TXT", kPlainWait));
  MakeScenePictures();
  std::size_t before = 0, after = 0;
  bool waited = false;
  std::vector<std::uint32_t> shownAtEnd, frontAtEnd;
  steps = {
      [&] { return Scene().m_nPendingState == PND_TIMER && NoteWindow(); },
      // The dissolve and the window's fade are over well before this.
      Pause(1500),
      [&] {
        before = fake.presents.size();
        // The pointer on a button changes nothing outside a click wait.
        fake.InjectMouseMove(button.Centre());
        return true;
      },
      Pause(kWatchMs),
      [&] {
        waited = Scene().m_nPendingState == PND_TIMER;
        after = fake.presents.size();
        const Box all{0, 0, 1024, 600};
        shownAtEnd = ShownIn(all);
        frontAtEnd = FrontIn(all);
        return true;
      },
  };
  RunSteps();
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(AllDone()) << "the scene did not come up; boxes:\n" << kvtest::Texts(fake.boxes);
  EXPECT_TRUE(waited);
  EXPECT_GT(before, 0u) << "the scene was never presented";
  EXPECT_EQ(after, before) << "presents during a plain wait";
  // What is on the screen is the whole scene as drawn.
  ASSERT_EQ(shownAtEnd.size(), 1024u * 600u);
  EXPECT_TRUE(shownAtEnd == frontAtEnd) << "the screen does not show what was drawn";
}

}  // namespace
