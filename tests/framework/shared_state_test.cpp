// What the worker threads share with the main thread: the glide thread
// asks where the window's client is while the main thread moves it and
// attaches its menu, and a movie thread presents into the window while the
// main thread resizes it. Run under ThreadSanitizer these show any access
// that is not guarded; in every build they check the results.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "framework/key_manager.h"
#include "platform/backend.h"
#include "platform/fake/fake_backend.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/window.h"

namespace {

struct SharedState : ::testing::Test {
  pl::FakeBackend fake;
  pl::Window* w = nullptr;
  void SetUp() override {
    pl::WindowDesc d;
    d.className = "KIV";
    w = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(w, nullptr);
    pl::ShowWindow(w, pl::SW_SHOW);
  }
  void TearDown() override { pl::FreeWindow(w); }
  void Pump() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
  static bool Gliding(CKeyManager& keys) {
    ReleaseScopedLock lock(keys.m_Mouse.Lock());
    return keys.m_Mouse.m_bGliding != 0;
  }
  static void Glide(CKeyManager& keys, pl::Point from, pl::Point to) {
    ReleaseScopedLock lock(keys.m_Mouse.Lock());
    keys.m_Mouse.m_ptCurrent = from;
    keys.m_Mouse.m_ptTarget = to;
    keys.m_Mouse.m_bGliding = 1;
  }
  static bool WaitGlideEnd(CKeyManager& keys) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Gliding(keys)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
};

TEST_F(SharedState, GlideLandsOnTheClientPointWhereverTheWindowMoved) {
  CKeyManager keys;
  ASSERT_EQ(keys.Init(w), 1);
  pl::Menu strip;
  strip.popups.push_back(pl::MenuPopup{"File", {}});
  pl::Menu* menu = &strip;
  const int bar = pl::GetMenuBarHeight();
  ASSERT_GT(bar, 0);

  // Moves and menu changes on this thread while the glide thread runs.
  Glide(keys, {0, 0}, {1000, 590});
  for (int i = 0; Gliding(keys); ++i) {
    pl::SetWindowPos(w, 10 + i % 50, 20 + i % 30, 1024, 600, false);
    pl::SetMenu(w, i % 2 ? menu : nullptr);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }

  struct Case {
    const char* what;
    int x, y;
    bool withMenu;
  };
  const Case cases[] = {
      {"without the menu", 200, 100, false},
      {"below the menu strip", 40, 30, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pl::SetMenu(w, c.withMenu ? menu : nullptr);
    pl::SetWindowPos(w, c.x, c.y, 1024, 600 + (c.withMenu ? bar : 0), false);
    Pump();
    fake.cursorMoves.clear();
    Glide(keys, {0, 0}, {100, 40});
    ASSERT_TRUE(WaitGlideEnd(keys));
    Pump();  // the moves are applied on this thread
    ASSERT_FALSE(fake.cursorMoves.empty());
    EXPECT_EQ(fake.cursorMoves.back().x, c.x + 100);
    EXPECT_EQ(fake.cursorMoves.back().y, c.y + 40 + (c.withMenu ? bar : 0));
  }
  keys.m_Mouse.Stop();
  pl::SetMenu(w, nullptr);
}

TEST_F(SharedState, FramesPresentedFromAnotherThreadWhileTheWindowResizes) {
  const std::vector<std::uint32_t> frame(1024 * 600, 0xFF00FF00u);
  std::atomic<bool> stop{false};
  std::thread presenter([&] {
    // Small frames at the far corner: the part a shrink takes away.
    while (!stop.load()) pl::PresentPixels(w, frame.data(), 1024 * 4, 0, 0, 64, 64, 960, 536);
  });
  for (int i = 0; i < 60; ++i) {
    const int width = i % 2 ? 1024 : 320, height = i % 2 ? 600 : 200;
    pl::SetWindowPos(w, 0, 0, width, height, false);
    pl::FillFrontRect(w, pl::Rect{0, 0, width, height}, 0xFF000000u);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  stop.store(true);
  presenter.join();
  // The last resize left the full size; one more frame fills all of it.
  pl::PresentPixels(w, frame.data(), 1024 * 4, 0, 0, 1024, 600, 0, 0);
  std::lock_guard<std::mutex> g(w->pixelsMu);
  ASSERT_EQ(w->clientWidth, 1024);
  ASSERT_EQ(w->front.size(), 1024u * 600u);
  for (std::uint32_t px : w->front) ASSERT_EQ(px, 0xFF00FF00u);
}

}  // namespace
