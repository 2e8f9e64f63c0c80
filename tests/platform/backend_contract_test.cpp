// One suite run against both backends: the Fake backend with injected input
// and the SDL backend on SDL's dummy video driver with pushed SDL events.
// Each case drives the backend through its own native input and checks only
// what the program sees (messages, the input reads, the shown pixels, the
// display), so the fake that the engine's tests trust answers as the real
// backend does.
#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/display.h"
#include "platform/fake/fake_backend.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/ui/menu_bar_view.h"
#include "platform/window.h"

namespace {

std::vector<pl::Message>* g_got = nullptr;

pl::LRESULT Record(pl::Window* w, std::uint32_t id, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (g_got) g_got->push_back(pl::Message{w, id, wParam, lParam});
  return 0;
}

// Points handed to the drivers are window points: the menu strip is the
// window's top rows, the client below it.

// The keys the cases press, as each backend's native input names them.
struct KeyName {
  int scanCode;
  SDL_Scancode sdlScancode;
  SDL_Keycode sdlKey;
};
constexpr KeyName kReturn{pl::DIK_RETURN, SDL_SCANCODE_RETURN, SDLK_RETURN};
constexpr KeyName kAlt{0x38, SDL_SCANCODE_LALT, SDLK_LALT};
constexpr KeyName kEscape{pl::DIK_ESCAPE, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE};

class FakeDriver {
 public:
  static constexpr const char* kName = "fake";
  void Install() {}
  void Close() { fake_.InjectClose(); }
  void Focus(bool gained) { fake_.InjectFocus(gained); }
  // The window presents at most once in the minimum interval (a repaint
  // the focus asked for included): a case that looks at a present lets it
  // pass first.
  void LetPresentIntervalPass() { fake_.manualClock().Advance(pl::kMinPresentIntervalMs); }
  void Key(const KeyName& k, bool down) { fake_.InjectKey(k.scanCode, down); }
  void LeftButton(pl::Window* w, bool down, pl::Point at) {
    fake_.InjectMouseButton(pl::MOUSE_LEFT, down, pl::Point{at.x, at.y - Strip(w)});
  }
  // What the window shows at a client point, as 0xRRGGBB: the fake shows
  // its front buffer as it is.
  std::uint32_t ShownAt(pl::Window* w, pl::Point client) {
    std::lock_guard<std::mutex> g(w->pixelsMu);
    return w->front[static_cast<std::size_t>(client.y) * w->clientWidth + client.x] & 0xFFFFFFu;
  }

 private:
  static int Strip(pl::Window* w) { return w->menu ? pl::GetMenuBarHeight() : 0; }
  pl::FakeBackend fake_;
};

class SdlDriver {
 public:
  static constexpr const char* kName = "sdl";
  SdlDriver() : backend_(pl::CreateSdlBackend()) { pl::SetBackend(backend_.get()); }
  ~SdlDriver() { pl::SetBackend(nullptr); }
  // After the window is shown: what showing it caused is not the case's.
  void Install() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  void Close() { PushWindowEvent(SDL_WINDOWEVENT_CLOSE); }
  void Focus(bool gained) { PushWindowEvent(gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST); }
  void Key(const KeyName& k, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = k.sdlScancode;
    e.key.keysym.sym = k.sdlKey;
    if (down && k.sdlKey == SDLK_LALT) e.key.keysym.mod = KMOD_LALT;
    SDL_PushEvent(&e);
  }
  void LeftButton(pl::Window*, bool down, pl::Point at) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = WindowId();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = at.x;
    e.button.y = at.y;
    SDL_PushEvent(&e);
  }
  void LetPresentIntervalPass() { SDL_Delay(pl::kMinPresentIntervalMs + 1); }
  std::uint32_t ShownAt(pl::Window* w, pl::Point client) {
    SDL_Renderer* ren = SDL_GetRenderer(SDL_GetWindowFromID(WindowId()));
    std::uint32_t px = 0;
    SDL_Rect r{client.x, client.y + (w->menu ? pl::GetMenuBarHeight() : 0), 1, 1};
    if (!ren || SDL_RenderReadPixels(ren, &r, SDL_PIXELFORMAT_ARGB8888, &px, 4) != 0) return 0xDEADBEEF;
    return px & 0xFFFFFFu;
  }

 private:
  static std::uint32_t WindowId() {
    // The only window there is.
    for (std::uint32_t id = 1; id < 64; ++id) {
      if (SDL_GetWindowFromID(id)) return id;
    }
    return 0;
  }
  void PushWindowEvent(std::uint8_t what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.windowID = WindowId();
    SDL_PushEvent(&e);
  }
  std::unique_ptr<pl::Backend> backend_;
};

template <typename Driver>
class BackendContract : public ::testing::Test {
 protected:
  void SetUp() override {
    pl::ClearMessageQueue();
    menu = pl::ParseMenu("POPUP File\nITEM 7 Open\nITEM 8 Quit\n");
    ASSERT_NE(menu, nullptr);
    pl::WindowDesc d;
    d.className = "KIV";
    d.menu = menu.get();
    w = pl::CreateWindow(d, &Record);
    ASSERT_NE(w, nullptr) << Driver::kName << " makes the window";
    pl::ShowWindow(w, pl::SW_SHOW);
    driver.Install();
    // Each case starts with the window in the focus and nothing queued.
    driver.Focus(true);
    Drain();
    got.clear();
    g_got = &got;
  }
  void TearDown() override {
    g_got = nullptr;
    if (w) pl::FreeWindow(w);
    pl::ClearMessageQueue();
    pl::ReleaseAllKeys();
  }

  // One pump: every message the native events became, dispatched.
  std::vector<pl::Message> Drain() {
    got.clear();
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
    return got;
  }
  std::vector<std::uint32_t> Ids(const std::vector<pl::Message>& msgs) {
    std::vector<std::uint32_t> ids;
    for (const pl::Message& m : msgs) ids.push_back(m.id);
    return ids;
  }
  int Strip() const { return pl::GetMenuBarHeight(); }

  Driver driver;
  std::unique_ptr<pl::Menu> menu;
  pl::Window* w = nullptr;
  std::vector<pl::Message> got;
};

using Backends = ::testing::Types<FakeDriver, SdlDriver>;
class BackendNames {
 public:
  template <typename T>
  static std::string GetName(int) {
    return T::kName;
  }
};
TYPED_TEST_SUITE(BackendContract, Backends, BackendNames);

TYPED_TEST(BackendContract, TheCloseBoxPostsClose) {
  this->driver.Close();
  EXPECT_EQ(this->Ids(this->Drain()), std::vector<std::uint32_t>{pl::WM_CLOSE});
}

TYPED_TEST(BackendContract, FocusIsReportedAndLosingItReleasesTheKeys) {
  EXPECT_EQ(pl::GetActiveWindow(), this->w);
  this->driver.Key(kReturn, true);
  this->Drain();
  this->driver.Focus(false);
  auto msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), (std::vector<std::uint32_t>{pl::WM_ACTIVATE, pl::WM_ACTIVATEAPP}));
  EXPECT_EQ(msgs[0].wParam & 0xFFFF, pl::WA_INACTIVE);
  EXPECT_EQ(msgs[1].wParam, 0u);
  EXPECT_EQ(pl::GetActiveWindow(), nullptr);
  EXPECT_FALSE(pl::IsKeyDown(pl::DIK_RETURN)) << "no key reads down without the focus";

  this->driver.Focus(true);
  msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), (std::vector<std::uint32_t>{pl::WM_ACTIVATE, pl::WM_ACTIVATEAPP}));
  EXPECT_EQ(msgs[0].wParam & 0xFFFF, pl::WA_ACTIVE);
  EXPECT_EQ(msgs[1].wParam, 1u);
  EXPECT_EQ(pl::GetActiveWindow(), this->w);
  EXPECT_FALSE(pl::IsKeyDown(pl::DIK_RETURN)) << "the key held when the focus went is up";
}

TYPED_TEST(BackendContract, AKeyPressAndReleaseSetTheStateAndPostTheKeyMessages) {
  this->driver.Key(kReturn, true);
  auto msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), std::vector<std::uint32_t>{pl::WM_KEYDOWN});
  EXPECT_EQ(msgs[0].wParam, pl::VK_RETURN);
  EXPECT_TRUE(pl::IsKeyDown(pl::DIK_RETURN));
  EXPECT_TRUE(pl::IsKeyDown(pl::DIK_RETURN)) << "held, it stays down";

  this->driver.Key(kReturn, false);
  msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), std::vector<std::uint32_t>{pl::WM_KEYUP});
  EXPECT_EQ(msgs[0].wParam, pl::VK_RETURN);
  EXPECT_FALSE(pl::IsKeyDown(pl::DIK_RETURN));
}

TYPED_TEST(BackendContract, AClickBelowTheStripReachesTheClientAtItsClientPoint) {
  const pl::Point at{300, this->Strip() + 200};
  this->driver.LeftButton(this->w, true, at);
  auto msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), std::vector<std::uint32_t>{pl::WM_LBUTTONDOWN});
  EXPECT_EQ(msgs[0].lParam, pl::MakePointParam(300, 200));
  EXPECT_TRUE(pl::IsMouseButtonDown(pl::MOUSE_LEFT));
  const pl::Point screen = pl::ClientToScreen(this->w, pl::Point{300, 200});
  EXPECT_EQ(pl::GetCursorPos().x, screen.x);
  EXPECT_EQ(pl::GetCursorPos().y, screen.y);

  this->driver.LeftButton(this->w, false, at);
  msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), std::vector<std::uint32_t>{pl::WM_LBUTTONUP});
  EXPECT_EQ(msgs[0].lParam, pl::MakePointParam(300, 200));
  EXPECT_FALSE(pl::IsMouseButtonDown(pl::MOUSE_LEFT));
}

// Pressed and released before the program reads the button: the next read
// answers down once, the read after it up.
TYPED_TEST(BackendContract, AnInstantClickIsSeenDownOnceByTheNextRead) {
  const pl::Point at{100, this->Strip() + 100};
  this->driver.LeftButton(this->w, true, at);
  this->driver.LeftButton(this->w, false, at);
  EXPECT_EQ(this->Ids(this->Drain()), (std::vector<std::uint32_t>{pl::WM_LBUTTONDOWN, pl::WM_LBUTTONUP}));
  EXPECT_TRUE(pl::IsMouseButtonDown(pl::MOUSE_LEFT));
  EXPECT_FALSE(pl::IsMouseButtonDown(pl::MOUSE_LEFT));
  // A tap that a pass of reads skipped (it read other input) is gone after
  // the next pump, as a press held that long and released would be.
  this->driver.LeftButton(this->w, true, at);
  this->driver.LeftButton(this->w, false, at);
  this->Drain();
  EXPECT_FALSE(pl::IsKeyDown(pl::DIK_RETURN));
  this->Drain();
  EXPECT_FALSE(pl::IsMouseButtonDown(pl::MOUSE_LEFT));
}

// A click on the strip is the menu's: its loop runs, the item chosen in it
// is posted as the command, and neither click reaches the program.
TYPED_TEST(BackendContract, AClickOnTheStripRunsTheMenuLoop) {
  pl::ui::MenuBarView layout(*this->menu, this->w->clientWidth);
  const pl::Rect title = layout.TitleRect(0);
  const pl::Point onTitle{(title.left + title.right) / 2, (title.top + title.bottom) / 2};
  this->driver.LeftButton(this->w, true, onTitle);
  this->driver.LeftButton(this->w, false, onTitle);
  layout.MouseDown(onTitle);  // the popup's rectangles are those of an open popup
  const pl::Rect item = layout.ItemRect(0, 1);
  const pl::Point onItem{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  this->driver.LeftButton(this->w, true, onItem);
  this->driver.LeftButton(this->w, false, onItem);
  auto msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs), (std::vector<std::uint32_t>{pl::WM_EXITMENULOOP, pl::WM_COMMAND}));
  EXPECT_EQ(msgs[1].wParam, 8u);
  EXPECT_FALSE(pl::IsMouseButtonDown(pl::MOUSE_LEFT)) << "the menu's clicks are no taps of the program";
}

// Alt pressed and released alone gives the menu bar the keyboard: the loop
// has the keys until Escape leaves it, and only the release of that Escape
// comes after it to the program.
TYPED_TEST(BackendContract, AltAloneRunsTheMenuLoopWithTheKeyboard) {
  this->driver.Key(kAlt, true);
  this->driver.Key(kAlt, false);
  this->driver.Key(kEscape, true);
  this->driver.Key(kEscape, false);
  auto msgs = this->Drain();
  ASSERT_EQ(this->Ids(msgs),
            (std::vector<std::uint32_t>{pl::WM_EXITMENULOOP, pl::WM_SYSKEYDOWN, pl::WM_SYSKEYUP, pl::WM_KEYUP}));
  EXPECT_EQ(msgs[1].wParam, pl::VK_MENU);
  EXPECT_EQ(msgs[2].wParam, pl::VK_MENU);
  EXPECT_EQ(msgs[3].wParam, pl::VK_ESCAPE);
  EXPECT_FALSE(pl::IsKeyDown(pl::DIK_ESCAPE)) << "the menu's key is no tap of the program";
}

TYPED_TEST(BackendContract, APresentIsClippedToTheClientAndTheSourceMovesWithTheClip) {
  // A 64 x 64 source whose every pixel tells where it is.
  std::vector<std::uint32_t> src(64 * 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) src[y * 64 + x] = 0xFF000040u | static_cast<std::uint32_t>(x << 16 | y << 8);
  }
  auto at = [](int x, int y) { return static_cast<std::uint32_t>(x << 16 | y << 8 | 0x40); };
  pl::PresentPixels(this->w, src.data(), 64 * 4, 0, 0, 64, 64, -10, -5);
  pl::PresentPixels(this->w, src.data(), 64 * 4, 0, 0, 64, 64, 1000, 590);
  this->driver.LetPresentIntervalPass();
  this->Drain();
  EXPECT_EQ(this->driver.ShownAt(this->w, {0, 0}), at(10, 5)) << "over the top-left corner";
  EXPECT_EQ(this->driver.ShownAt(this->w, {53, 58}), at(63, 63));
  EXPECT_EQ(this->driver.ShownAt(this->w, {54, 20}), 0u) << "right of the first block";
  EXPECT_EQ(this->driver.ShownAt(this->w, {1023, 599}), at(23, 9)) << "over the bottom-right corner";
  EXPECT_EQ(this->driver.ShownAt(this->w, {1000, 590}), at(0, 0));
  EXPECT_EQ(this->driver.ShownAt(this->w, {999, 599}), 0u) << "left of the second block";
}

TYPED_TEST(BackendContract, AFullScreenModeTheDisplayDoesNotListIsRefused) {
  EXPECT_FALSE(pl::ListDisplayModes().empty());
  EXPECT_FALSE(pl::SetFullscreen(this->w, pl::FullscreenKind::Exclusive, 1023, 601));
  EXPECT_EQ(pl::GetFullscreen(this->w), pl::FullscreenKind::Off);
}

}  // namespace
