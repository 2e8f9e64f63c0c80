// Real SDL events (pushed on the dummy video driver) reach the input object
// as logical key bits and a mouse point.
#include <gtest/gtest.h>

#include <SDL.h>

#include "framework/key_manager.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"

namespace {

TEST(SdlInput, PushedEventsBecomeKeyBitsAndThePoint) {
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
  std::uint32_t id = SDL_GetWindowID(SDL_GetWindowFromID(1) ? SDL_GetWindowFromID(1) : nullptr);
  for (std::uint32_t i = 1; !id && i < 64; ++i) {
    if (SDL_GetWindowFromID(i)) id = i;
  }
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  focus.window.windowID = id;
  push(focus);
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.scancode = SDL_SCANCODE_Z;
  key.key.keysym.sym = SDLK_z;
  push(key);
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_LEFT;
  button.button.x = 200;
  button.button.y = 150;
  push(button);
  pump();
  pl::Point p;
  EXPECT_EQ(keys.CheckKey(KEY_Z), 1);
  EXPECT_EQ(keys.CheckKey(KEY_X), 0);
  EXPECT_EQ(keys.CheckKey(KEY_ENTER, &p), 1);
  EXPECT_EQ(p.x, 200);
  EXPECT_EQ(p.y, 150);
  key.type = SDL_KEYUP;
  push(key);
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  push(focus);
  pump();
  EXPECT_EQ(keys.CheckKey(KEY_Z), 0);
  EXPECT_EQ(keys.CheckKey(KEY_ENTER), 0) << "nothing is down without the focus";
  keys.m_Mouse.Stop();
  pl::FreeWindow(w);
  pl::ClearMessageQueue();
  pl::SetBackend(nullptr);
}

}  // namespace
