// The screens on the fake backend: a shown window whose messages go
// through a hook list, the input object, the engine's four surfaces, a
// program folder in a temporary folder, pictures made by abmpack, and a
// list of input steps played from the backend's pump.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/win_hook.h"
#include "graphics/virtual_screen.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/input.h"
#include "platform/text.h"
#include "scene/pending.h"
#include "tests/support/process_state.h"
#include "tests/support/test_support.h"

namespace screentest {

// Pixel words (B, G, R, A in memory) of the fixtures' flat colours.
inline constexpr std::uint32_t kPage = 0xFF203040;
inline constexpr std::uint32_t kNormal = 0xFF0000C0;
inline constexpr std::uint32_t kHover = 0xFF00C000;
inline constexpr std::uint32_t kPressed = 0xFFC00000;
inline constexpr std::uint32_t kTabs = 0xFFC0C000;
inline constexpr std::uint32_t kPanel = 0xFF808080;

// The colour a flat opaque cell shows over anything (the blend of an
// opaque pixel keeps 255/256 of it): within a step of the colour.
inline bool Near(std::uint32_t px, std::uint32_t colour) {
  for (int s = 0; s < 24; s += 8) {
    int a = static_cast<int>((px >> s) & 0xFF), b = static_cast<int>((colour >> s) & 0xFF);
    if (std::abs(a - b) > 2) return false;
  }
  return true;
}

class ScreenHarness : public testing::Test {
 protected:
  static CWinHookList*& Hooks() {
    static CWinHookList* hooks = nullptr;
    return hooks;
  }
  static pl::LRESULT Proc(pl::Window* w, std::uint32_t id, pl::WPARAM wp, pl::LPARAM lp) {
    if (Hooks() && Hooks()->Dispatch(w, id, wp, lp)) return 0;
    // The close request ends only the screen here; the window stays.
    if (id == pl::WM_CLOSE) return 0;
    return pl::DefWindowProc(w, id, wp, lp);
  }

  void SetUp() override {
    kvtest::ResetProcessState(dir.path());
    Hooks() = &hooks;
    pl::WindowDesc d;
    d.className = "KIV";
    window = pl::CreateWindow(d, &Proc);
    ASSERT_NE(window, nullptr);
    pl::ShowWindow(window, pl::SW_SHOW);
    SetMainWindowHandle(window);
    ASSERT_EQ(keys.Init(window), 1);
    keys.SetBounds(1024, 600);
    ASSERT_TRUE(CreateVirtualScreens(window));
  }
  void TearDown() override {
    fake.onPump = {};
    keys.m_Mouse.Stop();
    FreeVirtualScreens();
    SetMainWindowHandle(nullptr);
    Hooks() = nullptr;
    pl::FreeWindow(window);
    kvtest::ResetProcessState();
  }

  // The presented picture.
  std::uint32_t* Shown() { return GetPresentedScreen()->Pixels(); }
  std::uint32_t ShownAt(int x, int y) { return Shown()[y * 1024 + x]; }
  void FillShown(std::uint32_t px) { std::fill_n(Shown(), 1024 * 600, px); }

  // A picture under "grp" from an abmpack recipe.
  void MakePicture(const std::string& name, const std::string& recipe) {
    const std::string in = dir / (name + ".recipe");
    ASSERT_TRUE(kvtest::WriteFile(in, recipe));
    ASSERT_TRUE(kvtest::WriteFile(dir / ("grp/" + name), ""));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir / ("grp/" + name) + " " + in), 0) << name;
  }
  // Horizontal bands of flat colour, top-down: rows and colour.
  static std::string Bands(int variant, int width, std::vector<std::pair<int, std::uint32_t>> bands) {
    int height = 0;
    for (auto& b : bands) height += b.first;
    std::string r = "variant " + std::to_string(variant) + "\nsize " + std::to_string(width) + " " +
                    std::to_string(height) + "\n";
    for (auto& b : bands) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%08X", b.second);
      r += "fill " + std::to_string(b.first * width) + " " + hex + "\n";
    }
    return r;
  }

  // --- input played from the pump
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };
  // Steps run in order, each once its condition holds; a run that is still
  // going long after its last step is closed, so a stuck screen fails the
  // test instead of hanging it.
  void Play(std::vector<Step> list) {
    steps = std::move(list);
    next = 0;
    lastFired = 0;
    fake.onPump = [this](int pump) {
      if (next < steps.size()) {
        if (steps[next].ready()) {
          steps[next].act();
          ++next;
          lastFired = pump;
        }
      } else if (pump - lastFired > 3000) {
        fake.InjectClose();
        lastFired = pump;
      }
      if (pump > 200000) fake.InjectClose();
    };
  }
  bool AllPlayed() const { return next == steps.size(); }
  std::function<bool()> Later(int pumps) {
    return [this, pumps] { return fake.pumps - lastFired >= pumps; };
  }
  // Move, press, release of the left button at a point.
  void AddClick(std::vector<Step>& s, std::function<bool()> ready, pl::Point p) {
    s.push_back({std::move(ready), [this, p] { fake.InjectMouseMove(p); }});
    s.push_back({Later(3), [this, p] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, p); }});
    s.push_back({Later(3), [this, p] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, p); }});
  }
  void AddKey(std::vector<Step>& s, std::function<bool()> ready, int code) {
    s.push_back({std::move(ready), [this, code] { fake.InjectKey(code, true); }});
    s.push_back({Later(3), [this, code] { fake.InjectKey(code, false); }});
  }
  // "caption:text" of the boxes shown, in UTF-8.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const pl::RecordedBox& b : fake.boxes) out.push_back(pl::Cp932ToUtf8(b.caption) + ":" + pl::Cp932ToUtf8(b.text));
    return out;
  }

  pl::FakeBackend fake;
  kvtest::TempDir dir;
  pl::Window* window = nullptr;
  CWinHookList hooks;
  CKeyManager keys;
  std::vector<Step> steps;
  std::size_t next = 0;
  int lastFired = 0;
};

}  // namespace screentest
