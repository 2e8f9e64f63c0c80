// The staged sample game on the fake backend: a quick save on the first
// page (one character in the middle), reading on until two characters
// stand apart, then a quick load by the window's button: after the load's
// dissolve the scene above the window is the saved page's again, not the
// picture of the two characters.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/arc.h"
#include "framework/globals.h"
#include "graphics/layer_image.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/transition_stepper.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

namespace fs = std::filesystem;

constexpr int kW = 1024, kH = 600;

using kvtest::StageFolder;

struct DemoQuickLoad : kvtest::Process {
  kvtest::TitleStart titleStart;
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  void SetUp() override {
    Process::SetUp();
    // The staged game, entered from its title by "はじめから".
    kvtest::CopyStagedGame(folder.path());
    gate = [this](int count) { return titleStart.Step(fake, globals.m_App.m_pKivBase, count); };
  }

  std::vector<std::uint32_t> Presented() {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return {};
    return w->front;
  }

  int releaseAt = -1;
  pl::Point clickAt{0, 0};
  void Click(int count, pl::Point at) {
    clickAt = at;
    fake.InjectMouseMove(at);
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
    releaseAt = count + 2;
  }
  bool Holding(int count) {
    if (releaseAt < 0) return false;
    if (count == releaseAt) {
      fake.InjectMouseButton(pl::MOUSE_LEFT, false, clickAt);
      fake.InjectMouseMove({300, 560});
    }
    if (count >= releaseAt + 4) {
      releaseAt = -1;
      return false;
    }
    return true;
  }

  // The centre of the current window's button with this action.
  bool ButtonPoint(const char* action, pl::Point* out) {
    const CTextWindow* w = Engine()->Tables().CurrentWindow();
    if (!w) return false;
    for (const auto& b : w->m_Buttons) {
      if (std::string(b->m_szAction) != action) continue;
      const CLayerImage& img = b->m_Image;
      *out = {w->m_nX + img.m_nX + img.m_nWidth / 2, w->m_nY + img.m_nY + img.m_nHeight / 6};
      return true;
    }
    return false;
  }
};

// Pixels of the rows above the window's name plate that differ.
int SceneDiffers(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int rows) {
  int n = 0;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < kW; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * kW + x;
      n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF) ? 1 : 0;
    }
  return n;
}

TEST_F(DemoQuickLoad, TheQuickLoadShowsTheSavedPageScene) {
  enum Phase { kToFirstPage, kSaving, kReading, kLoading, kDone };
  Phase phase = kToFirstPage;
  std::vector<std::uint32_t> saved, apart, loaded;
  int rows = 0, settle = -1;
  bool sawDissolve = false, finished = false;
  const std::string second = pl::Utf8ToCp932("ソラ");
  onPump = [&](int n) {
    if (finished || Holding(n)) return;
    const std::uint32_t state = Scene().m_nPendingState;
    const bool wait = (state == PND_PROMPT_PAGE || state == PND_FPROMPT) && Scene().m_Ops[0].code == 0;
    const std::string page = Engine()->Text().PageText();
    auto settled = [&](bool ready, int pumps) {
      if (!ready) {
        settle = -1;
        return false;
      }
      if (settle < 0) settle = n;
      if (n - settle < pumps) return false;
      settle = -1;
      return true;
    };
    switch (phase) {
      case kToFirstPage: {
        if (!settled(wait, 10)) return;
        const CTextWindow* w = Engine()->Tables().CurrentWindow();
        pl::Point at;
        if (!w || !ButtonPoint("quicksave", &at)) return;
        rows = w->m_nY - 30;
        saved = Presented();
        Click(n, at);
        phase = kSaving;
        return;
      }
      case kSaving:
        if (!settled(wait, 10)) return;
        Click(n, {300, 560});
        phase = kReading;
        return;
      case kReading: {
        if (state == PND_TYPING) {
          Click(n, {300, 560});
          return;
        }
        if (!wait) return;
        if (page.find(second) == std::string::npos) {
          if (settled(true, 6)) Click(n, {300, 560});
          return;
        }
        if (!settled(true, 10)) return;
        pl::Point at;
        if (!ButtonPoint("quickload", &at)) return;
        apart = Presented();
        Click(n, at);
        phase = kLoading;
        return;
      }
      case kLoading:
        if (Scene().m_Ops[0].code == OP_LOAD_DISSOLVE) sawDissolve = true;
        if (!settled(sawDissolve && wait, 20)) return;
        loaded = Presented();
        phase = kDone;
        finished = true;
        QuitYes();
        return;
      case kDone:
        return;
    }
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "state " << Scene().m_nPendingState << "; boxes:\n" << Texts(fake.boxes);
  ASSERT_EQ(saved.size(), static_cast<std::size_t>(kW) * kH);
  ASSERT_EQ(apart.size(), saved.size());
  ASSERT_EQ(loaded.size(), saved.size());
  ASSERT_GT(rows, 100);
  EXPECT_GT(SceneDiffers(apart, saved, rows), 10000) << "the two characters did not change the scene";
  EXPECT_EQ(SceneDiffers(loaded, saved, rows), 0) << "the scene above the window is not the saved page's";
}

}  // namespace
