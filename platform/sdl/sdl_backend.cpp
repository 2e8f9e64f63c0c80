#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/edit_control.h"
#include "platform/ime.h"
#include "platform/input.h"
#include "platform/resources.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sound_device.h"
#include "platform/text.h"

namespace pl {
namespace sdl {

NativeWindow* Native(Window& w) { return static_cast<NativeWindow*>(w.native); }

std::uint32_t VirtualKeyOf(const SDL_Keysym& k) {
  SDL_Keycode c = k.sym;
  if (c >= SDLK_a && c <= SDLK_z) return static_cast<std::uint32_t>('A' + (c - SDLK_a));
  if (c >= SDLK_0 && c <= SDLK_9) return static_cast<std::uint32_t>('0' + (c - SDLK_0));
  if (c >= SDLK_F1 && c <= SDLK_F12) return 0x70u + static_cast<std::uint32_t>(c - SDLK_F1);
  switch (c) {
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 0x11;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_1: return 0x61;
    case SDLK_KP_2: return 0x62;
    case SDLK_KP_3: return 0x63;
    case SDLK_KP_4: return 0x64;
    case SDLK_KP_5: return 0x65;
    case SDLK_KP_6: return 0x66;
    case SDLK_KP_7: return 0x67;
    case SDLK_KP_8: return 0x68;
    case SDLK_KP_9: return 0x69;
    default: return 0;
  }
}

// The PC scan code (set 1, extended keys + 0x80) of a key: positional, as
// SDL's scancodes are.
int ButtonOf(std::uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return MOUSE_LEFT;
    case SDL_BUTTON_RIGHT: return MOUSE_RIGHT;
    case SDL_BUTTON_MIDDLE: return MOUSE_MIDDLE;
    default: return -1;
  }
}

int ScanCodeOf(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
    static const unsigned char kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                               0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                               0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    return kLetters[sc - SDL_SCANCODE_A];
  }
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0) return 0x02 + (sc - SDL_SCANCODE_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F10) return 0x3B + (sc - SDL_SCANCODE_F1);
  switch (sc) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_KP_ENTER: return 0x9C;
    case SDL_SCANCODE_RCTRL: return 0x9D;
    case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
    case SDL_SCANCODE_RALT: return 0xB8;
    case SDL_SCANCODE_HOME: return 0xC7;
    case SDL_SCANCODE_UP: return 0xC8;
    case SDL_SCANCODE_PAGEUP: return 0xC9;
    case SDL_SCANCODE_LEFT: return 0xCB;
    case SDL_SCANCODE_RIGHT: return 0xCD;
    case SDL_SCANCODE_END: return 0xCF;
    case SDL_SCANCODE_DOWN: return 0xD0;
    case SDL_SCANCODE_PAGEDOWN: return 0xD1;
    case SDL_SCANCODE_INSERT: return 0xD2;
    case SDL_SCANCODE_DELETE: return 0xD3;
    default: return 0;
  }
}

namespace {

// Whether the renderer draws through a GL rasterizer that runs on the
// processor (Mesa's llvmpipe, softpipe or swrast: a virtual X server, a
// machine without a GPU driver).
bool OnSoftwareGl(SDL_Renderer* ren) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(ren, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0) return false;
  if (!SDL_GL_GetCurrentContext()) return false;
  using GetString = const unsigned char* (*)(unsigned int);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString ? getString(0x1F01 /* GL_RENDERER */) : nullptr;
  if (!name) return false;
  const char* n = reinterpret_cast<const char*>(name);
  return std::strstr(n, "llvmpipe") || std::strstr(n, "softpipe") || std::strstr(n, "swrast") ||
         std::strstr(n, "Software Rasterizer");
}

// The window's renderer. The picture is made in software; a GPU only
// copies and scales it. A GL rasterizer on the processor would draw the
// whole window on all its threads for every present, several times what
// a plain copy into the window's own framebuffer costs, so it is traded
// for SDL's software renderer over that framebuffer. A renderer named in
// SDL_RENDER_DRIVER is kept as it is.
SDL_Renderer* CreateWindowRenderer(SDL_Window* win) {
  SDL_Renderer* ren = SDL_CreateRenderer(win, -1, 0);
  if (ren && !SDL_GetHint(SDL_HINT_RENDER_DRIVER) && OnSoftwareGl(ren)) {
    SDL_DestroyRenderer(ren);
    // The window surface straight on the X server's shared memory, not
    // through GL again (a setting in the environment still wins).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
    if (!ren) ren = SDL_CreateRenderer(win, -1, 0);
  }
  if (!ren) ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
  return ren;
}

}  // namespace

}  // namespace sdl

using sdl::Native;
using sdl::NativeWindow;

SdlBackend::SdlBackend() = default;

SdlBackend::~SdlBackend() { SDL_Quit(); }

bool SdlBackend::CreateNative(Window& w, const WindowDesc& desc) {
  if (!videoOk_) return false;
  auto* n = new NativeWindow;
  int menuH = w.menu ? MenuBarHeight() : 0;
  std::string title = Cp932ToUtf8(desc.caption);
  n->win = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w.clientWidth,
                            w.clientHeight + menuH, SDL_WINDOW_HIDDEN);
  if (!n->win) {
    delete n;
    return false;
  }
  if (desc.iconName) {
    auto icon = FindResource("ICON", desc.iconName);
    if (!icon.empty()) {
      SDL_RWops* rw = SDL_RWFromConstMem(icon.data(), static_cast<int>(icon.size()));
      if (SDL_Surface* s = SDL_LoadBMP_RW(rw, 1)) {
        SDL_SetWindowIcon(n->win, s);
        SDL_FreeSurface(s);
      }
    }
  }
  n->ren = sdl::CreateWindowRenderer(n->win);
  SDL_GetWindowPosition(n->win, &w.x, &w.y);
  n->windowId = SDL_GetWindowID(n->win);
  w.native = n;
  n->owner = &w;
  n->fullRedraw = true;
  if (!mainWindow_) mainWindow_ = &w;
  ApplyStyle(w);
  return true;
}

void SdlBackend::HideNative(Window& w) {
  if (NativeWindow* n = Native(w)) {
    if (n->win) SDL_HideWindow(n->win);
  }
}

void SdlBackend::FreeNative(Window& w) {
  NativeWindow* n = Native(w);
  if (!n) return;
  if (n->clientTex) SDL_DestroyTexture(n->clientTex);
  if (n->pictureTex) SDL_DestroyTexture(n->pictureTex);
  if (n->overlayTex) SDL_DestroyTexture(n->overlayTex);
  if (n->childTex) SDL_DestroyTexture(n->childTex);
  if (n->stripTex) SDL_DestroyTexture(n->stripTex);
  if (n->ren) SDL_DestroyRenderer(n->ren);
  if (n->win) SDL_DestroyWindow(n->win);
  delete n;
  w.native = nullptr;
  if (mainWindow_ == &w) mainWindow_ = nullptr;
}

void SdlBackend::TitleChanged(Window& w) {
  if (NativeWindow* n = Native(w)) SDL_SetWindowTitle(n->win, Cp932ToUtf8(w.caption).c_str());
}

void SdlBackend::ShowChanged(Window& w, int command) {
  NativeWindow* n = Native(w);
  if (!n) return;
  switch (command) {
    case SW_HIDE:
      SDL_HideWindow(n->win);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      SDL_ShowWindow(n->win);
      SDL_MinimizeWindow(n->win);
      break;
    case SW_MAXIMIZE:
      SDL_ShowWindow(n->win);
      SDL_MaximizeWindow(n->win);
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      SDL_ShowWindow(n->win);
      SDL_RestoreWindow(n->win);
      break;
    default:
      SDL_ShowWindow(n->win);
      break;
  }
  n->fullRedraw = true;
}

void SdlBackend::ApplyStyle(Window& w) {
  NativeWindow* n = Native(w);
  if (!n) return;
  // A captioned window keeps the window manager's frame; a popup has none.
  bool captioned = (w.style & WS_CAPTION) == WS_CAPTION;
  SDL_SetWindowBordered(n->win, captioned ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowAlwaysOnTop(n->win, w.topmost ? SDL_TRUE : SDL_FALSE);
}

void SdlBackend::GeometryChanged(Window& w) {
  NativeWindow* n = Native(w);
  if (!n) return;
  ApplyStyle(w);
  int menuH = w.menu ? MenuBarHeight() : 0;
  SDL_SetWindowSize(n->win, w.clientWidth, w.clientHeight + menuH);
  SDL_SetWindowPosition(n->win, w.x, w.y);
  n->fullRedraw = true;
}

void SdlBackend::MenuChanged(Window& w) {
  NativeWindow* n = Native(w);
  if (!n) return;
  int menuH = w.menu ? MenuBarHeight() : 0;
  int cw = 0, ch = 0;
  SDL_GetWindowSize(n->win, &cw, &ch);
  if (ch != w.clientHeight + menuH) SDL_SetWindowSize(n->win, w.clientWidth, w.clientHeight + menuH);
  n->fullRedraw = true;
  n->stripDirty = true;
}

void SdlBackend::Raise(Window& w) {
  if (NativeWindow* n = Native(w)) {
    SDL_RaiseWindow(n->win);
  }
}

bool SdlBackend::HasFocus(Window& w) {
  NativeWindow* n = Native(w);
  return n && n->focused && w.visible;
}

namespace {
DisplayModeInfo InfoOf(const SDL_DisplayMode& m) {
  int bits = SDL_BITSPERPIXEL(m.format);
  return DisplayModeInfo{m.w, m.h, bits == 24 ? 32 : bits, m.refresh_rate};
}
}  // namespace

std::vector<DisplayModeInfo> SdlBackend::DisplayModes() {
  std::vector<DisplayModeInfo> out;
  if (!videoOk_) return out;
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) == 0) out.push_back(InfoOf(m));
  }
  return out;
}

DisplayModeInfo SdlBackend::DesktopMode() {
  SDL_DisplayMode m;
  if (videoOk_ && SDL_GetDesktopDisplayMode(0, &m) == 0) return InfoOf(m);
  return DisplayModeInfo{1024, 600, 32, 60};
}

DisplayModeInfo SdlBackend::CurrentMode() {
  SDL_DisplayMode m;
  if (videoOk_ && SDL_GetCurrentDisplayMode(0, &m) == 0) return InfoOf(m);
  return DisplayModeInfo{1024, 600, 32, 60};
}

bool SdlBackend::SetFullscreen(Window& w, FullscreenKind kind, int width, int height) {
  NativeWindow* n = Native(w);
  if (!n) return false;
  n->fullRedraw = true;
  switch (kind) {
    case FullscreenKind::Off:
      return SDL_SetWindowFullscreen(n->win, 0) == 0;
    case FullscreenKind::Desktop:
      return SDL_SetWindowFullscreen(n->win, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    case FullscreenKind::Exclusive: {
      // Only a mode the display lists exactly: SDL would otherwise pick the
      // closest one by itself.
      int count = SDL_GetNumDisplayModes(0);
      for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w != width || m.h != height) continue;
        if (SDL_SetWindowDisplayMode(n->win, &m) != 0) return false;
        return SDL_SetWindowFullscreen(n->win, SDL_WINDOW_FULLSCREEN) == 0;
      }
      return false;
    }
  }
  return false;
}

void SdlBackend::ScaledViewChanged(Window& w) {
  if (NativeWindow* n = Native(w)) n->fullRedraw = true;
}

int SdlBackend::ScreenBitsPerPixel() {
  SDL_DisplayMode mode;
  if (videoOk_ && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    int bits = SDL_BITSPERPIXEL(mode.format);
    // SDL reports 24 for the usual 32-bit X visual.
    return bits == 24 ? 32 : bits;
  }
  return 32;
}

void SdlBackend::GetScreenSize(int* width, int* height) {
  SDL_DisplayMode mode;
  if (videoOk_ && SDL_GetCurrentDisplayMode(0, &mode) == 0) {
    *width = mode.w;
    *height = mode.h;
  } else {
    *width = 1024;
    *height = 600;
  }
}

int SdlBackend::MenuBarHeight() { return ui::MenuBarView::kBarHeight; }

Window* SdlBackend::WindowOf(std::uint32_t windowId) {
  if (mainWindow_ && mainWindow_->native && Native(*mainWindow_)->windowId == windowId) return mainWindow_;
  return nullptr;
}

void SdlBackend::TranslateWindowEvent(Window& w, const SDL_WindowEvent& e) {
  NativeWindow* n = Native(w);
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      input_.Close(w);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      bool gained = e.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      n->focused = gained;
      // Only what changes is presented otherwise: coming back, the whole
      // picture is put up again in case the desktop drew over it meanwhile.
      if (gained) n->fullRedraw = true;
      input_.Focus(w, gained, (SDL_GetWindowFlags(n->win) & SDL_WINDOW_MINIMIZED) != 0);
      break;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      w.iconic = true;
      break;
    case SDL_WINDOWEVENT_RESTORED:
      // Delivered while the window still counts as minimised, so that the
      // restore logic can tell where it comes from; the default procedure
      // then clears it.
      if (w.iconic) PostMessage(&w, WM_SYSCOMMAND, SC_RESTORE, 0);
      n->fullRedraw = true;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      n->fullRedraw = true;
      PostMessage(&w, WM_PAINT, 0, 0);
      break;
    case SDL_WINDOWEVENT_LEAVE:
      input_.MouseLeave(w);
      break;
    case SDL_WINDOWEVENT_MOVED:
      w.x = e.data1;
      w.y = e.data2;
      PublishClientOrigin(w);
      break;
    default:
      break;
  }
}

void SdlBackend::PumpEvents() {
  input_.BeginPump();
  // Cursor moves asked for by any thread happen here, on the main thread.
  Point warp;
  if (TakePendingCursorMove(&warp) && mainWindow_ && Native(*mainWindow_)) {
    SDL_WarpMouseInWindow(Native(*mainWindow_)->win, warp.x - mainWindow_->x, warp.y - mainWindow_->y);
  }
  if (mainWindow_) UpdateTextInput(*mainWindow_);
  SDL_Event e;
  while (SDL_PollEvent(&e)) Translate(e);
  if (mainWindow_) Render(*mainWindow_, nullptr);
}

// The system's text input (and its input method) is on only while a text
// field has the keyboard: elsewhere the game reads the keys itself.
void SdlBackend::UpdateTextInput(Window& w) {
  bool want = w.alive && WantsTextInput(&w);
  if (want) {
    Window* field = KeyTarget(&w);
    int menuH = w.menu ? MenuBarHeight() : 0;
    SDL_Rect r{field->x, field->y + menuH, field->clientWidth, field->clientHeight};
    SDL_SetTextInputRect(&r);
  }
  if (want == textInputOn_) return;
  textInputOn_ = want;
  if (want) {
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
}

void SdlBackend::Translate(const SDL_Event& e) {
  Window* w = mainWindow_;
  if (!w || !w->alive) return;
  switch (e.type) {
    case SDL_QUIT:
      // Only from the session (the close box arrives as a window event, and
      // SDL's signal handlers are off).
      input_.Close(*w);
      break;
    case SDL_WINDOWEVENT:
      if (WindowOf(e.window.windowID) == w) TranslateWindowEvent(*w, e.window);
      break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      // The renderer lost what its textures held: all of it goes up again.
      if (NativeWindow* n = Native(*w)) {
        n->fullRedraw = true;
        n->stripDirty = true;
        std::lock_guard<std::mutex> g(w->pixelsMu);
        w->pictureDirty = Rect{0, 0, 1024, 600};
      }
      break;
    case SDL_MOUSEMOTION:
      input_.MouseMove(*w, Point{e.motion.x, e.motion.y});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      input_.MouseButton(*w, sdl::ButtonOf(e.button.button), e.type == SDL_MOUSEBUTTONDOWN,
                         Point{e.button.x, e.button.y});
      break;
    case SDL_MOUSEWHEEL: {
      int y = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
      input_.Wheel(*w, y);
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      input_.Key(*w, sdl::ScanCodeOf(e.key.keysym.scancode), sdl::VirtualKeyOf(e.key.keysym), e.type == SDL_KEYDOWN,
                 e.key.repeat != 0, (e.key.keysym.mod & KMOD_ALT) != 0);
      break;
    case SDL_TEXTEDITING:
      input_.Composition(*w, e.edit.text);
      break;
    case SDL_TEXTINPUT:
      input_.Text(*w, e.text.text);
      break;
    default:
      break;
  }
}

void SdlBackend::DrawChildren(Window& w, NativeWindow& n, int menuH) {
  bool any = false;
  for (Window* c : w.children) any = any || (c->alive && c->visible);
  if (!any) return;
  if (!n.childTex || n.childWidth != w.clientWidth || n.childHeight != w.clientHeight) {
    if (n.childTex) SDL_DestroyTexture(n.childTex);
    n.childTex = SDL_CreateTexture(n.ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w.clientWidth,
                                   w.clientHeight);
    if (n.childTex) SDL_SetTextureBlendMode(n.childTex, SDL_BLENDMODE_BLEND);
    n.childWidth = w.clientWidth;
    n.childHeight = w.clientHeight;
  }
  if (!n.childTex) return;
  n.childPixels.assign(static_cast<size_t>(w.clientWidth) * w.clientHeight, 0);
  ui::Canvas canvas{n.childPixels.data(), w.clientWidth, w.clientHeight, w.clientWidth};
  DrawChildWindows(w, canvas);
  SDL_UpdateTexture(n.childTex, nullptr, n.childPixels.data(), w.clientWidth * 4);
  // In the scaled view the children sit on the picture, as the game placed
  // them in its 1024 x 600 screen.
  SDL_Rect dst{0, menuH, w.clientWidth, w.clientHeight};
  SDL_Rect src{0, 0, w.clientWidth, w.clientHeight};
  if (w.scaled) {
    src = SDL_Rect{0, 0, std::min(1024, w.clientWidth), std::min(600, w.clientHeight)};
    dst = SDL_Rect{w.viewport.left, w.viewport.top + menuH, w.viewport.Width(), w.viewport.Height()};
  }
  SDL_RenderCopy(n.ren, n.childTex, &src, &dst);
}

void SdlBackend::UploadFront(Window& w, NativeWindow& n) {
  if (!n.ren) return;
  if (!n.clientTex || n.texWidth != w.clientWidth || n.texHeight != w.clientHeight) {
    if (n.clientTex) SDL_DestroyTexture(n.clientTex);
    n.clientTex = SDL_CreateTexture(n.ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w.clientWidth,
                                    w.clientHeight);
    n.texWidth = w.clientWidth;
    n.texHeight = w.clientHeight;
    n.fullRedraw = true;
  }
  if (!n.clientTex) return;
  Rect d = n.fullRedraw ? Rect{0, 0, w.clientWidth, w.clientHeight} : w.frontDirty;
  if (d.Width() > 0 && d.Height() > 0) {
    SDL_Rect r{d.left, d.top, d.Width(), d.Height()};
    SDL_UpdateTexture(n.clientTex, &r, &w.front[static_cast<size_t>(d.top) * w.clientWidth + d.left],
                      w.clientWidth * 4);
  }
}

void SdlBackend::Render(Window& w, const OverlayPainter* overlay) {
  NativeWindow* n = Native(w);
  if (!n || !n->ren || !w.visible) return;
  std::unique_lock<std::mutex> pixels(w.pixelsMu);
  bool dirty = (w.frontDirty.Width() > 0 && w.frontDirty.Height() > 0) ||
               (w.scaled && w.pictureDirty.Width() > 0 && w.pictureDirty.Height() > 0);
  if (!dirty && !n->fullRedraw && !overlay && !w.childrenDirty) return;
  const std::uint32_t now = SDL_GetTicks();
  if (!n->fullRedraw && !overlay && now - n->lastPresent < kMinPresentIntervalMs) return;
  n->lastPresent = now;
  w.childrenDirty = false;
  UploadFront(w, *n);
  w.frontDirty = Rect{};
  int menuH = w.menu ? MenuBarHeight() : 0;
  SDL_SetRenderDrawColor(n->ren, 0, 0, 0, 255);
  SDL_RenderClear(n->ren);
  if (w.scaled) {
    // The picture stretched into the viewport; the bars stay black.
    if (!n->pictureTex) {
      n->pictureTex = SDL_CreateTexture(n->ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, 1024, 600);
      if (n->pictureTex) SDL_SetTextureScaleMode(n->pictureTex, SDL_ScaleModeLinear);
      w.pictureDirty = Rect{0, 0, 1024, 600};
    }
    Rect d = w.pictureDirty;
    if (n->pictureTex && d.Width() > 0 && d.Height() > 0 && !w.picture.empty()) {
      SDL_Rect r{d.left, d.top, d.Width(), d.Height()};
      SDL_UpdateTexture(n->pictureTex, &r, &w.picture[static_cast<size_t>(d.top) * 1024 + d.left], 1024 * 4);
    }
    w.pictureDirty = Rect{};
    pixels.unlock();
    if (n->pictureTex) {
      SDL_Rect dst{w.viewport.left, w.viewport.top + menuH, w.viewport.Width(), w.viewport.Height()};
      SDL_RenderCopy(n->ren, n->pictureTex, nullptr, &dst);
    }
  } else {
    pixels.unlock();
    if (n->clientTex) {
      SDL_Rect dst{0, menuH, w.clientWidth, w.clientHeight};
      SDL_RenderCopy(n->ren, n->clientTex, nullptr, &dst);
    }
  }
  DrawChildren(w, *n, menuH);
  if (menuH > 0) DrawMenuStrip(w, *n, menuH);
  // A modal widget is drawn into a canvas of the whole window, over the
  // picture and the strip.
  int fullH = w.clientHeight + menuH;
  if (overlay) {
    if (!n->overlayTex || n->overlayWidth != w.clientWidth || n->overlayHeight != fullH) {
      if (n->overlayTex) SDL_DestroyTexture(n->overlayTex);
      n->overlayTex = SDL_CreateTexture(n->ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w.clientWidth,
                                        fullH);
      if (n->overlayTex) SDL_SetTextureBlendMode(n->overlayTex, SDL_BLENDMODE_BLEND);
      n->overlayWidth = w.clientWidth;
      n->overlayHeight = fullH;
    }
    if (n->overlayTex) {
      n->overlayPixels.assign(static_cast<size_t>(w.clientWidth) * fullH, 0);
      ui::Canvas canvas{n->overlayPixels.data(), w.clientWidth, fullH, w.clientWidth};
      (*overlay)(canvas);
      SDL_UpdateTexture(n->overlayTex, nullptr, n->overlayPixels.data(), w.clientWidth * 4);
      SDL_RenderCopy(n->ren, n->overlayTex, nullptr, nullptr);
    }
  }
  SDL_RenderPresent(n->ren);
  n->fullRedraw = false;
}

void SdlBackend::DrawMenuStrip(Window& w, sdl::NativeWindow& n, int menuH) {
  if (!n.stripTex || n.stripWidth != w.clientWidth) {
    if (n.stripTex) SDL_DestroyTexture(n.stripTex);
    n.stripTex = SDL_CreateTexture(n.ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w.clientWidth, menuH);
    n.stripWidth = w.clientWidth;
    n.stripDirty = true;
  }
  if (!n.stripTex) return;
  if (n.stripDirty) {
    n.stripPixels.assign(static_cast<size_t>(w.clientWidth) * menuH, 0xFF000000u);
    ui::Canvas canvas{n.stripPixels.data(), w.clientWidth, menuH, w.clientWidth};
    if (ui::MenuBarView* bar = MenuBar(w)) bar->Draw(canvas);
    SDL_UpdateTexture(n.stripTex, nullptr, n.stripPixels.data(), w.clientWidth * 4);
    n.stripDirty = false;
  }
  SDL_Rect dst{0, 0, w.clientWidth, menuH};
  SDL_RenderCopy(n.ren, n.stripTex, nullptr, &dst);
}

std::unique_ptr<SoundDevice> SdlBackend::OpenSoundDevice() {
  auto device = std::make_unique<SoundDevice>();
  auto output = sdl::OpenAudioOutput(device.get());
  if (!output) return nullptr;
  device->SetOutput(std::move(output));
  return device;
}

bool SdlBackend::Interactive() const {
  const char* driver = SDL_GetCurrentVideoDriver();
  // Nobody can answer a box on the dummy or offscreen drivers.
  return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

int SdlBackend::ShowMessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932,
                               std::uint32_t style) {
  std::string text = Cp932ToUtf8(textCp932), caption = Cp932ToUtf8(captionCp932);
  int fallback = (style & MB_TYPEMASK) == MB_YESNO ? IDNO : (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
  if (!Interactive()) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return fallback;
  }
  Window* w = owner ? owner : mainWindow_;
  if (w && w->alive && Native(*w) && Native(*w)->ren) {
    // A box of a window that start-up has not shown yet shows it: the box is
    // drawn over the window, and the player must see what it asks.
    if (!w->visible) ShowWindow(w, SW_SHOW);
    return RunMessageBoxLoop(*w, textCp932, captionCp932, style);
  }
  // No window to draw on yet: SDL's own box, which shows UTF-8 as well as
  // the system's fonts allow.
  SDL_MessageBoxButtonData buttons[2];
  int count = 0;
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
      buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
      count = 2;
      break;
    case MB_YESNO:
      buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
      buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
      count = 2;
      break;
    default:
      buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
      count = 1;
      break;
  }
  std::uint32_t flags = (style & MB_ICONMASK) == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  SDL_MessageBoxData data{flags, nullptr, caption.c_str(), text.c_str(), count, buttons, nullptr};
  int pressed = fallback;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return fallback;
  }
  return pressed < 0 ? fallback : pressed;
}

std::unique_ptr<Backend> CreateSdlBackend() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_APP_NAME, "kivzo");
  auto b = std::unique_ptr<SdlBackend>(new SdlBackend);
  // Without video the backend still stands: creating the window then fails
  // and start-up reports it in its own words.
  bool ok = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
  b->SetVideoAvailable(ok);
  if (ok) {
    // The game reads keys itself; an input method would swallow them.
    SDL_StopTextInput();
  }
  return b;
}

}  // namespace pl
