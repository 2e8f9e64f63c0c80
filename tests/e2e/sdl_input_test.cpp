// Real SDL events (pushed on the dummy video driver) reach the input object
// as logical key bits and a mouse point; a button or a key whose press and
// release are pumped together reads down once at the next read and up at
// the read after it, and a held one reads down until its release.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>

#include "framework/key_manager.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"

namespace {

struct SdlInput : ::testing::Test {
  std::unique_ptr<pl::Backend> backend;
  pl::Window* w = nullptr;
  CKeyManager keys;
  SDL_Event focus{};

  void SetUp() override {
    backend = pl::CreateSdlBackend();
    pl::SetBackend(backend.get());
    pl::WindowDesc d;
    d.className = "KIV";
    w = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(w, nullptr);
    pl::ShowWindow(w, pl::SW_SHOW);
    keys.Init(w);
    std::uint32_t id = 0;
    for (std::uint32_t i = 1; !id && i < 64; ++i) {
      if (SDL_GetWindowFromID(i)) id = i;
    }
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    focus.window.windowID = id;
    Push(focus);
  }
  void TearDown() override {
    keys.m_Mouse.Stop();
    pl::FreeWindow(w);
    pl::ClearMessageQueue();
    pl::SetBackend(nullptr);
  }
  static void Pump() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
  static void Push(SDL_Event e) { SDL_PushEvent(&e); }
  static SDL_Event Button(bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 200;
    e.button.y = 150;
    return e;
  }
  static SDL_Event KeyZ(bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_Z;
    e.key.keysym.sym = SDLK_z;
    return e;
  }
};

TEST_F(SdlInput, PushedEventsBecomeKeyBitsAndThePoint) {
  Push(KeyZ(true));
  Push(Button(true));
  Pump();
  pl::Point p;
  EXPECT_EQ(keys.CheckKey(KEY_Z), 1);
  EXPECT_EQ(keys.CheckKey(KEY_X), 0);
  EXPECT_EQ(keys.CheckKey(KEY_ENTER, &p), 1);
  EXPECT_EQ(p.x, 200);
  EXPECT_EQ(p.y, 150);
  Push(KeyZ(false));
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  Push(focus);
  Pump();
  EXPECT_EQ(keys.CheckKey(KEY_Z), 0);
  EXPECT_EQ(keys.CheckKey(KEY_ENTER), 0) << "nothing is down without the focus";
}

TEST_F(SdlInput, APressAndItsReleasePumpedTogetherReadDownOnce) {
  Pump();
  struct Case {
    const char* what;
    std::uint32_t bit;
    std::function<SDL_Event(bool)> event;
  };
  const Case cases[] = {
      {"the left button", KEY_ENTER, &Button},
      {"Z", KEY_Z, &KeyZ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Push(c.event(true));
    Push(c.event(false));
    Pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1) << "the tap was lost";
    EXPECT_EQ(keys.CheckKey(c.bit), 0) << "the tap was seen twice";
    Pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 0);
    // Held over several pumps: down at every read until the release.
    Push(c.event(true));
    Pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1);
    Pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1);
    Push(c.event(false));
    Pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 0) << "the held press was seen once more after its release";
  }
}

}  // namespace
