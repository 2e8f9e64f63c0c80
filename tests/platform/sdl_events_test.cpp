// The SDL backend on the dummy video driver: window-system events become the
// messages the engine's hooks expect.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <vector>

#include "platform/display.h"
#include "platform/edit_control.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

std::vector<pl::Message>* g_got = nullptr;

pl::LRESULT Record(pl::Window* w, std::uint32_t id, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (g_got) g_got->push_back(pl::Message{w, id, wParam, lParam});
  return 0;
}

struct SdlFixture : ::testing::Test {
  std::unique_ptr<pl::Backend> backend;
  pl::Window* w = nullptr;
  std::vector<pl::Message> got;
  void SetUp() override {
    backend = pl::CreateSdlBackend();
    ASSERT_NE(backend, nullptr);
    pl::SetBackend(backend.get());
    pl::WindowDesc d;
    d.className = "KIV";
    d.iconName = "131";
    w = pl::CreateWindow(d, &Record);
    ASSERT_NE(w, nullptr) << "the dummy driver makes windows: " << SDL_GetError();
    pl::ShowWindow(w, pl::SW_SHOW);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);  // what showing the window caused
    g_got = &got;
  }
  void TearDown() override {
    g_got = nullptr;
    pl::FreeWindow(w);
    pl::ClearMessageQueue();
    pl::SetBackend(nullptr);
    backend.reset();
  }
  void PushWindowEvent(std::uint8_t what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.windowID = windowId();
    SDL_PushEvent(&e);
  }
  std::uint32_t windowId() {
    // The only window there is.
    for (std::uint32_t id = 1; id < 64; ++id) {
      if (SDL_GetWindowFromID(id)) return id;
    }
    return 0;
  }
  std::vector<pl::Message> Drain() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
    return got;
  }
};

TEST_F(SdlFixture, WindowEventsBecomeMessages) {
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  auto msgs = Drain();
  std::vector<std::pair<std::uint32_t, pl::WPARAM>> want = {
      {pl::WM_ACTIVATE, pl::WA_ACTIVE}, {pl::WM_ACTIVATEAPP, 1},   {pl::WM_ACTIVATE, pl::WA_INACTIVE},
      {pl::WM_ACTIVATEAPP, 0},          {pl::WM_PAINT, 0},         {pl::WM_CLOSE, 0},
  };
  ASSERT_EQ(msgs.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(msgs[i].id, want[i].first) << i;
    EXPECT_EQ(msgs[i].wParam & 0xFFFF, want[i].second) << i;
  }
}

TEST_F(SdlFixture, WheelKeysAndMouse) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = 1;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  SDL_PushEvent(&e);
  e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;  // natural scrolling: the sign turns
  SDL_PushEvent(&e);
  SDL_Event k{};
  k.type = SDL_KEYDOWN;
  k.key.keysym.sym = SDLK_LALT;
  k.key.keysym.mod = KMOD_LALT;
  SDL_PushEvent(&k);
  k.type = SDL_KEYUP;
  SDL_PushEvent(&k);
  SDL_Event m{};
  m.type = SDL_MOUSEMOTION;
  m.motion.x = 300;
  m.motion.y = 200;
  SDL_PushEvent(&m);
  auto msgs = Drain();
  ASSERT_EQ(msgs.size(), 5u);
  EXPECT_EQ(msgs[0].id, pl::WM_MOUSEWHEEL);
  EXPECT_EQ(static_cast<std::int16_t>(pl::HiWord(msgs[0].wParam)), 120);
  EXPECT_EQ(static_cast<std::int16_t>(pl::HiWord(msgs[1].wParam)), -120);
  EXPECT_EQ(msgs[2].id, pl::WM_SYSKEYDOWN);
  EXPECT_EQ(msgs[3].id, pl::WM_SYSKEYUP);
  EXPECT_EQ(msgs[3].wParam, pl::VK_MENU);
  EXPECT_EQ(msgs[4].id, pl::WM_MOUSEMOVE);
  EXPECT_EQ(msgs[4].lParam & 0xFFFF, 300);
  EXPECT_EQ((msgs[4].lParam >> 16) & 0xFFFF, 200) << "no menu attached: client = window coordinates";
}

TEST_F(SdlFixture, BoxesNobodyCanAnswerReturnTheirSafeButtonAtOnce) {
  EXPECT_EQ(pl::MessageBox(w, "text", "caption", pl::MB_OK), pl::IDOK);
  EXPECT_EQ(pl::MessageBox(w, "text", "caption", pl::MB_OKCANCEL), pl::IDCANCEL);
  EXPECT_EQ(pl::MessageBox(nullptr, "text", "caption", pl::MB_YESNO), pl::IDNO);
}

}  // namespace

namespace {

// What the renderer shows at a window point, as 0xRRGGBB.
std::uint32_t ShownAt(int x, int y) {
  SDL_Renderer* ren = nullptr;
  for (std::uint32_t id = 1; id < 64 && !ren; ++id) {
    if (SDL_Window* win = SDL_GetWindowFromID(id)) ren = SDL_GetRenderer(win);
  }
  std::uint32_t px = 0;
  SDL_Rect r{x, y, 1, 1};
  if (!ren || SDL_RenderReadPixels(ren, &r, SDL_PIXELFORMAT_ARGB8888, &px, 4) != 0) return 0xDEADBEEF;
  return px & 0xFFFFFF;
}

TEST_F(SdlFixture, ATextFieldWithTheKeyboardGetsTheTypedTextAndIsDrawnOverThePicture) {
  pl::WindowDesc d;
  d.className = "edit";
  d.parent = w;
  d.x = 100;
  d.y = 200;
  d.width = 200;
  d.height = 24;
  d.style = pl::WS_CHILD | pl::WS_VISIBLE;
  pl::Window* field = pl::CreateWindow(d, nullptr);
  ASSERT_NE(field, nullptr);
  pl::Message m;
  pl::PeekMessage(&m);
  EXPECT_FALSE(SDL_IsTextInputActive()) << "no field has the keyboard yet";
  pl::SetFocus(field);
  pl::PeekMessage(&m);
  EXPECT_TRUE(SDL_IsTextInputActive());
  SDL_Event t{};
  t.type = SDL_TEXTINPUT;
  std::snprintf(t.text.text, sizeof t.text.text, "%s", "日本");
  SDL_PushEvent(&t);
  SDL_Event k{};
  k.type = SDL_KEYDOWN;
  k.key.keysym.sym = SDLK_BACKSPACE;
  SDL_PushEvent(&k);
  got.clear();
  Drain();
  // The field's new face goes up with the next present, at most one in the
  // minimum interval after the last.
  SDL_Delay(pl::kMinPresentIntervalMs + 1);
  Drain();
  EXPECT_TRUE(got.empty()) << "the keys went to the field, not to the main window";
  ASSERT_NE(field->edit, nullptr);
  EXPECT_EQ(field->edit->text, pl::Utf8ToCp932("日"));
  EXPECT_EQ(ShownAt(250, 212), 0xFFFFFFu) << "the field's face over the black picture";
  EXPECT_EQ(ShownAt(50, 212), 0x000000u);
  pl::ShowWindow(field, pl::SW_HIDE);
  pl::PeekMessage(&m);
  EXPECT_FALSE(SDL_IsTextInputActive());
  SDL_Delay(pl::kMinPresentIntervalMs + 1);
  pl::PeekMessage(&m);
  EXPECT_EQ(ShownAt(250, 212), 0x000000u);
  pl::DestroyWindow(field);
  pl::FreeWindow(field);
}

TEST_F(SdlFixture, PresentedPixelsReachTheWindowOneToOneAndScaled) {
  std::vector<std::uint32_t> red(1024 * 600, 0xFFFF0000u);
  pl::PresentPixels(w, red.data(), 1024 * 4, 0, 0, 100, 50, 10, 20);
  pl::Message m;
  pl::PeekMessage(&m);  // the pump draws the window
  EXPECT_EQ(ShownAt(10, 20), 0xFF0000u);
  EXPECT_EQ(ShownAt(109, 69), 0xFF0000u);
  EXPECT_EQ(ShownAt(110, 20), 0x000000u);

  // The scaled view: the whole picture into a box half the size, black bars.
  std::vector<std::uint32_t> green(1024 * 600, 0xFF00FF00u);
  pl::SetScaledView(w, true, pl::Rect{100, 0, 612, 300});
  pl::PresentScaledPixels(w, green.data(), 1024 * 4, 0, 0, 1024, 600, 0, 0);
  pl::PeekMessage(&m);
  EXPECT_EQ(ShownAt(356, 150), 0x00FF00u);
  EXPECT_EQ(ShownAt(50, 150), 0x000000u) << "left bar";
  EXPECT_EQ(ShownAt(356, 400), 0x000000u) << "below the box";
  pl::SetScaledView(w, false, pl::Rect{});
  pl::PeekMessage(&m);
  EXPECT_EQ(ShownAt(10, 20), 0xFF0000u) << "the front buffer is back";
}

TEST_F(SdlFixture, FullScreenAndBackAndOnlyListedModes) {
  EXPECT_TRUE(pl::SetFullscreen(w, pl::FullscreenKind::Desktop));
  EXPECT_EQ(pl::GetFullscreen(w), pl::FullscreenKind::Desktop);
  EXPECT_TRUE(pl::SetFullscreen(w, pl::FullscreenKind::Off));
  // A mode the display does not list is refused, not replaced by the nearest.
  EXPECT_FALSE(pl::SetFullscreen(w, pl::FullscreenKind::Exclusive, 1023, 601));
  EXPECT_EQ(pl::GetFullscreen(w), pl::FullscreenKind::Off);
  EXPECT_FALSE(pl::ListDisplayModes().empty());
}

}  // namespace
