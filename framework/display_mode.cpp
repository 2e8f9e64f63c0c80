#include "framework/display_mode.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "framework/app_base.h"
#include "framework/d3d_screen.h"
#include "framework/ddraw.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/window.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/time.h"

namespace {

// Read by the movie threads when they present a frame.
std::atomic<std::int32_t> g_nDisplayMode{0};
DesktopSettings g_Desktop;
bool g_bMenuAttached = true;
pl::Point g_PictureOffset;

// The window style of the window mode and of the full-screen popup.
constexpr std::uint32_t kCaptionStyle = 0x80CA0000u;
constexpr std::uint32_t kPopupStyle = 0x80000000u;

CWindow* MainWindowObject() {
  CAppBase* app = GetApp();
  return app ? app->m_pWindow : nullptr;
}

CD3DScreen* Presenter() {
  CAppBase* app = GetApp();
  return app ? app->m_pD3DScreen : nullptr;
}

// The presenter's box, when mode 1 has a working one.
bool ScaledBox(int* x, int* y, int* w, int* h) {
  CD3DScreen* p = Presenter();
  if (g_nDisplayMode != 1 || !p || !p->Ready() || p->GetWidth() <= 0 || p->GetHeight() <= 0) return false;
  *x = p->GetX();
  *y = p->GetY();
  *w = p->GetWidth();
  *h = p->GetHeight();
  return true;
}

void SetInputBounds(int width, int height) {
  CAppBase* app = GetApp();
  if (app && app->m_pKeyManager) app->m_pKeyManager->SetBounds(width, height);
}

// Sizes the window for a client of the given size (with the menu when it is
// attached) and centres it on the desktop.
void SizeWindow(int clientWidth, int clientHeight, bool topmost) {
  CWindow* window = MainWindowObject();
  if (!window) return;
  pl::Rect r = pl::AdjustWindowRect(clientWidth, clientHeight, pl::GetMenu(window->GetHandle()) != nullptr);
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  int x = std::max(sw - r.Width(), 1) / 2;
  int y = std::max(sh - r.Height(), 1) / 2;
  window->SetPos(topmost, x, y, r.Width(), r.Height());
}

void RecordDesktop() {
  if (g_Desktop.recorded) return;
  pl::DisplayModeInfo m = pl::GetDesktopDisplayMode();
  g_Desktop = DesktopSettings{true, m.width, m.height, m.bits, m.refresh};
}

void AttachMenu(pl::Window* hWnd, bool attach) {
  pl::SetMenu(hWnd, attach ? GetMenuHandle() : nullptr);
  g_bMenuAttached = attach && GetMenuHandle() != nullptr;
}

// Entering a full-screen mode, shared by the start, SetDisplayMode and the
// settings.
void EnterFullScreenMode(pl::Window* hWnd, bool maximize) {
  RecordDesktop();
  if (g_nDisplayMode == 2) {
    bool changed = pl::SetFullscreen(hWnd, pl::FullscreenKind::Exclusive, 1024, 600);
    if (!changed) {
      int taller = FindTallerDisplayMode(1024, 600);
      if (taller > 0) changed = pl::SetFullscreen(hWnd, pl::FullscreenKind::Exclusive, 1024, taller);
    }
    // Refused twice: not reported; the popup still covers the screen, with
    // the picture centred in it.
    if (!changed) pl::SetFullscreen(hWnd, pl::FullscreenKind::Desktop);
  } else {
    pl::SetFullscreen(hWnd, pl::FullscreenKind::Desktop);
  }
  ChangeWindowStyle(kCaptionStyle, kPopupStyle);
  if (pl::IsIconic(hWnd)) pl::ShowWindow(hWnd, maximize ? pl::SW_MAXIMIZE : pl::SW_SHOWNORMAL);
  AttachMenu(hWnd, false);
  EnterFullScreen();
}

void LeaveScaledView() {
  // A movie thread may be presenting through it right now.
  ReleaseScopedLock present(GetPresentLock());
  if (CD3DScreen* p = Presenter()) p->Release();
}

CommentFieldMover g_pfnCommentFieldMover = nullptr;

void SwitchMode(std::int32_t mode, pl::Window* hWnd, bool fromSettings) {
  g_nDisplayMode = mode;
  if (mode == 1 || mode == 2) {
    if (mode == 2) LeaveScaledView();
    EnterFullScreenMode(hWnd, fromSettings);
  } else {
    LeaveScaledView();
    pl::SetFullscreen(hWnd, pl::FullscreenKind::Off);
    ChangeWindowStyle(kPopupStyle, kCaptionStyle);
    AttachMenu(hWnd, true);
  }
  pl::DrawMenuBar(hWnd);
  if (g_pfnCommentFieldMover) g_pfnCommentFieldMover(mode != 1);
}

}  // namespace

std::int32_t GetDisplayMode() { return g_nDisplayMode; }
void SetCommentFieldMover(CommentFieldMover mover) { g_pfnCommentFieldMover = mover; }
void SetDisplayModeWord(std::int32_t mode) { g_nDisplayMode = mode; }

std::int32_t GetDisplayModeSetting() {
  CAppBase* app = GetApp();
  if (app && app->m_bRestoreMode) return app->m_nSavedMode;
  return g_nDisplayMode;
}

const DesktopSettings& GetRecordedDesktop() { return g_Desktop; }

void SetPictureOffset(int x, int y) { g_PictureOffset = pl::Point{x, y}; }
pl::Point GetPictureOffset() { return g_PictureOffset; }

void ResetDisplayModeState() {
  g_nDisplayMode = 0;
  SetPictureOffset(0, 0);
  g_Desktop = DesktopSettings{};
  g_bMenuAttached = true;
}

void ClientToLogical(pl::Point& pt) {
  int x, y, w, h;
  if (ScaledBox(&x, &y, &w, &h)) {
    // A multiplication, not a shift: points in the bars are negative.
    pt.x = (pt.x - x) * 1024 / w;
    pt.y = (pt.y - y) * 600 / h;
  } else if (g_nDisplayMode == 2) {
    if (CWindow* window = MainWindowObject()) {
      pt.x -= window->GetOffsetX();
      pt.y -= window->GetOffsetY();
    }
  }
}

void LogicalToClient(pl::Point& pt) {
  int x, y, w, h;
  if (ScaledBox(&x, &y, &w, &h)) {
    pt.x = w * pt.x / 1024 + x;
    pt.y = h * pt.y / 600 + y;
  } else if (g_nDisplayMode == 2) {
    if (CWindow* window = MainWindowObject()) {
      pt.x += window->GetOffsetX();
      pt.y += window->GetOffsetY();
    }
  }
}

void GetLogicalMousePos(pl::Point* pt) {
  CAppBase* app = GetApp();
  *pt = app && app->m_pKeyManager ? app->m_pKeyManager->m_ptMouse : pl::Point{};
  ClientToLogical(*pt);
}

void GetClientSize(int* x, int* y) {
  pl::Point p;
  GetLogicalMousePos(&p);
  *x = p.x;
  *y = p.y;
}

void GetLogicalCursorPos(pl::Point* pt) {
  *pt = pl::ScreenToClient(GetMainWindowHandle(), pl::GetCursorPos());
  ClientToLogical(*pt);
}

void SetLogicalCursorPos(pl::Point pt) {
  LogicalToClient(pt);
  CAppBase* app = GetApp();
  if (app && app->m_pKeyManager) app->m_pKeyManager->m_ptMouse = pt;
  pl::SetCursorPos(pl::ClientToScreen(GetMainWindowHandle(), pt));
}

void SetLogicalCursorXY(int x, int y) { SetLogicalCursorPos(pl::Point{x, y}); }

void GlideCursorTo(pl::Point pt) {
  LogicalToClient(pt);
  CAppBase* app = GetApp();
  if (!app || !app->m_pKeyManager || !pl::GetActiveWindow()) return;
  CMouse& mouse = app->m_pKeyManager->m_Mouse;
  ReleaseScopedLock lock(mouse.Lock());
  if (!mouse.m_bGlide) return;
  mouse.m_ptTarget = pt;
  mouse.m_ptCurrent = pl::ScreenToClient(GetMainWindowHandle(), pl::GetCursorPos());
  mouse.m_bGliding = 1;
}

bool ScaledViewReady() {
  CD3DScreen* p = Presenter();
  return g_nDisplayMode == 1 && p && p->Ready();
}

void PresentScaledRect(pl::Rect r, const std::uint32_t* pixels) {
  // The main thread and the movie threads present through the same presenter.
  ReleaseScopedLock present(GetPresentLock());
  CD3DScreen* p = Presenter();
  if (g_nDisplayMode != 1 || !p || !p->Ready() || !pixels) return;
  r.left = std::clamp(r.left, 0, 1024);
  r.right = std::clamp(r.right, 0, 1024);
  r.top = std::clamp(r.top, 0, 600);
  r.bottom = std::clamp(r.bottom, 0, 600);
  p->Render(r.Width(), pixels, r.left, r.top, r.Height(), r.left, r.top);
}

void BlitToWindowDc(const std::uint32_t* pixels, int pitchBytes, int x, int y, int width, int height) {
  if (g_nDisplayMode == 1 && Presenter() && Presenter()->Ready()) return;
  if (g_nDisplayMode == 2) {
    if (CWindow* window = MainWindowObject()) {
      x += window->GetOffsetX();
      y += window->GetOffsetY();
    }
  }
  pl::PresentPixels(GetMainWindowHandle(), pixels, pitchBytes, 0, 0, width, height, x, y);
}

void PaintBorders() {
  pl::Window* hWnd = GetMainWindowHandle();
  CWindow* window = MainWindowObject();
  if (!hWnd || !window) return;
  const std::uint32_t kBlack = 0xFF000000u;
  int x, y, w, h;
  if (ScaledBox(&x, &y, &w, &h)) {
    // The scaled view keeps everything outside its box black by itself.
    return;
  }
  if (g_nDisplayMode != 2) return;
  int ox = window->GetOffsetX(), oy = window->GetOffsetY();
  pl::Rect client = pl::GetClientRect(hWnd);
  if (oy != 0 && ox == 0) {
    pl::FillFrontRect(hWnd, pl::Rect{0, 0, 1024, oy}, kBlack);
    pl::FillFrontRect(hWnd, pl::Rect{0, oy + 600, 1024, oy + 600 + oy}, kBlack);
  } else if (ox != 0) {
    // A display wider than 1024: every bar around the picture.
    pl::FillFrontRect(hWnd, pl::Rect{0, 0, client.right, oy}, kBlack);
    pl::FillFrontRect(hWnd, pl::Rect{0, oy + 600, client.right, client.bottom}, kBlack);
    pl::FillFrontRect(hWnd, pl::Rect{0, oy, ox, oy + 600}, kBlack);
    pl::FillFrontRect(hWnd, pl::Rect{ox + 1024, oy, client.right, oy + 600}, kBlack);
  }
}

int EnterFullScreen() {
  CAppBase* app = GetApp();
  pl::Window* hWnd = GetMainWindowHandle();
  if (!app || !hWnd) return 0;
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  if (g_nDisplayMode == 1) {
    // The movie threads present through the presenter: it is made and
    // fitted under the lock they present under (the warnings come after it).
    int made = 1;
    {
      ReleaseScopedLock present(GetPresentLock());
      if (!app->m_pD3DScreen) app->m_pD3DScreen = new (std::nothrow) CD3DScreen;
      if (!app->m_pD3DScreen) {
        made = -1;
      } else if (!app->m_pD3DScreen->Create(hWnd, sw, sh)) {
        // Fitted afresh each time: the desktop may have changed size.
        made = 0;
      }
    }
    if (made == -1) {
      ShowWarning(SJ("Direct3D インターフェースクラスの作成に失敗しました。"));
      return 0;
    }
    if (made == 0) {
      ShowWarning(SJ("Direct3D インターフェースの作成に失敗しました。"));
      return 0;
    }
  }
  if (CWindow* window = MainWindowObject()) window->SetPos(true, 0, 0, sw, sh);
  return 1;
}

int ChangeWindowStyle(std::uint32_t remove, std::uint32_t add) {
  CWindow* window = MainWindowObject();
  if (!window) return 0;
  std::uint32_t style = (window->GetStyle() & ~remove) | add;
  if (style == window->GetStyle()) return 0;
  pl::SleepMs(500);
  window->SetStyle(style);
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  window->SetCenteredOffset(sw, sh);
  // Rectangles presented in mode 2 land at the picture offset.
  SetPictureOffset(window->GetOffsetX(), window->GetOffsetY());
  switch (g_nDisplayMode) {
    case 1:
      SizeWindow(sw, sh, true);
      SetInputBounds(sw, sh);
      break;
    case 2:
      SizeWindow(2 * window->GetOffsetX() + 1024, 2 * window->GetOffsetY() + 600, true);
      SetInputBounds(g_Desktop.recorded ? g_Desktop.width : sw, g_Desktop.recorded ? g_Desktop.height : sh);
      break;
    default:
      SizeWindow(1024, 600, false);
      SetInputBounds(1024, 600);
      break;
  }
  return 1;
}

void FitWindowToDisplayMode() {
  if (g_nDisplayMode != 0) return;
  SizeWindow(1024, 600, false);
  SetInputBounds(1024, 600);
}

void CenterWindow(CWindow& window, const WindowCreateRecord& rec) {
  pl::Rect r = pl::AdjustWindowRect(rec.nWidth, rec.nHeight, rec.hMenu != nullptr);
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  int x = std::max(sw - r.Width(), 1) / 2;
  int y = std::max(sh - r.Height(), 1) / 2;
  window.SetPos(false, x, y, r.Width(), r.Height());
  SetInputBounds(1024, 600);
}

void EnterDisplayModeAtStart(pl::Window* hWnd) {
  if (g_nDisplayMode == 1 || g_nDisplayMode == 2) EnterFullScreenMode(hWnd, false);
}

void SetDisplayMode(std::int32_t mode, pl::Window* hWnd) {
  if (mode == g_nDisplayMode) return;
  SwitchMode(mode, hWnd, false);
}

void ApplyDisplayModeSetting(pl::Window* hWnd, std::int32_t mode) {
  if (mode == g_nDisplayMode) return;
  if ((g_nDisplayMode == 1 && mode == 2) || (g_nDisplayMode == 2 && mode == 1)) {
    ApplyDisplayModeSetting(hWnd, 0);
    pl::SleepMs(100);
  }
  if (mode == 0 && g_Desktop.recorded) {
    // Back to the recorded desktop resolution when the display lists it and
    // is not in it already; the window is fitted again after the change.
    pl::DisplayModeInfo cur = pl::GetCurrentDisplayMode();
    bool listed = false;
    for (const pl::DisplayModeInfo& m : pl::ListDisplayModes()) {
      listed = listed || (m.width == g_Desktop.width && m.height == g_Desktop.height);
    }
    if (listed && (cur.width != g_Desktop.width || cur.height != g_Desktop.height)) {
      g_nDisplayMode = 0;
      LeaveScaledView();
      pl::SetFullscreen(hWnd, pl::FullscreenKind::Off);
      FitWindowToDisplayMode();
    }
  }
  SwitchMode(mode, hWnd, true);
}

int FindTallerDisplayMode(int width, int height) {
  CDDraw* device = GetDDraw();
  if (!device) return -1;
  for (int i = 0, n = device->ModeCount(); i < n; ++i) {
    int w = 0, h = 0;
    device->GetMode(i, &w, &h);
    if (w == width && h > height) return h;
  }
  return -1;
}

bool IsMenuAttached() { return g_bMenuAttached; }
void SetMenuAttached(bool attached) { g_bMenuAttached = attached; }
