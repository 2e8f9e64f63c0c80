// Real SDL events pushed on the dummy video driver: a button or a key whose
// press and release are pumped together reads down once at the next read
// and up at the read after it; a held one reads down until its release.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>

#include "framework/key_manager.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"

namespace {

TEST(SdlTaps, APressAndItsReleasePumpedTogetherReadDownOnce) {
  auto backend = pl::CreateSdlBackend();
  pl::SetBackend(backend.get());
  pl::WindowDesc d;
  d.className = "KIV";
  pl::Window* w = pl::CreateWindow(d, &pl::DefWindowProc);
  ASSERT_NE(w, nullptr);
  pl::ShowWindow(w, pl::SW_SHOW);
  CKeyManager keys;
  keys.Init(w);
  auto pump = [] {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  };
  auto push = [](SDL_Event e) { SDL_PushEvent(&e); };
  std::uint32_t id = 0;
  for (std::uint32_t i = 1; !id && i < 64; ++i) {
    if (SDL_GetWindowFromID(i)) id = i;
  }
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  focus.window.windowID = id;
  push(focus);
  pump();

  auto button = [&](bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 200;
    e.button.y = 150;
    push(e);
  };
  auto key = [&](bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_Z;
    e.key.keysym.sym = SDLK_z;
    push(e);
  };
  struct Case {
    const char* what;
    std::uint32_t bit;
    std::function<void(bool)> press;
  };
  const Case cases[] = {
      {"the left button", KEY_ENTER, button},
      {"Z", KEY_Z, key},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.press(true);
    c.press(false);
    pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1) << "the tap was lost";
    EXPECT_EQ(keys.CheckKey(c.bit), 0) << "the tap was seen twice";
    pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 0);
    // Held over several pumps: down at every read until the release.
    c.press(true);
    pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1);
    pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 1);
    c.press(false);
    pump();
    EXPECT_EQ(keys.CheckKey(c.bit), 0) << "the held press was seen once more after its release";
  }
  keys.m_Mouse.Stop();
  pl::FreeWindow(w);
  pl::ClearMessageQueue();
  pl::SetBackend(nullptr);
}

}  // namespace
