#include "framework/app_base.h"

#include <cerrno>
#include <cstdio>

#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "platform/dialog.h"
#include "platform/signals.h"
#include "platform/text.h"
#include "platform/time.h"
#include "platform/window.h"

CAppBase::~CAppBase() { m_Mutex.Release(); }

int AcquireSingleInstance(CAppBase& app) { return app.m_Mutex.Acquire(app.m_strMutexName) ? 1 : 0; }

int ShowWarning(const char* text) {
  pl::Window* hWnd = GetMainWindowHandle();
  if (hWnd) {
    pl::SetForegroundWindow(hWnd);
    pl::SetFocus(hWnd);
  }
  return pl::MessageBox(hWnd, text, "KIV", pl::MB_OK | pl::MB_ICONWARNING);
}

void ShowLastError() {
  int code = errno;
  if (code == 0) return;
  char buf[1024];
  std::snprintf(buf, sizeof buf, SJ("LastErrorコード No.%d"), code);
  ShowWarning(buf);
}

int CAppBase::PumpMessage() {
  pl::Message msg;
  if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
  std::uint32_t now = pl::TickMs();
  if (pl::GetActiveWindow()) {
    pl::SleepMs(now - m_dwLastPump <= 33 ? 1 : 0);
  } else {
    pl::SleepMs(30);
  }
  m_dwLastPump = pl::TickMs();
  return m_nState != APP_DESTROYED ? 1 : 0;
}

void CAppBase::OnDestroyWindow(pl::Window* hWnd) {
  pl::ShowWindow(hWnd, pl::SW_HIDE);
  pl::SetWindowStyle(hWnd, pl::WS_POPUP);
  pl::Rect r = pl::GetWindowRect(hWnd);
  pl::SetWindowPos(hWnd, r.left, r.top, r.Width(), r.Height(), false);
  pl::PostQuitMessage(0);
  m_nState = APP_DESTROYED;
}

void CAppBase::OnActivate(pl::Window* hWnd, pl::WPARAM wParam) {
  std::uint32_t how = pl::LoWord(wParam);
  if (how == pl::WA_INACTIVE) {
    if (m_nState == APP_ACTIVE || m_nState == APP_INACTIVE) m_nState = APP_INACTIVE;
    return;
  }
  if (m_nState == APP_NONE) return;
  if (how == pl::WA_ACTIVE && m_bRestoreMode && pl::HiWord(wParam) == 0) {
    // Back from another program: the full-screen mode that was left.
    m_bRestoreMode = 0;
    pl::ShowWindow(hWnd, pl::SW_RESTORE);
    SetDisplayMode(m_nSavedMode, hWnd);
  }
  if (m_nState != APP_QUITTING && m_nState != APP_DESTROYED) m_nState = APP_ACTIVE;
}

void CAppBase::OnActivateApp(pl::Window* hWnd, bool activating) {
  if (m_nState == APP_NONE || m_nState == APP_DESTROYED) return;
  if (activating) {
    m_bAppActive = 1;
    return;
  }
  m_bAppActive = 0;
  // Another program is in front: a full-screen mode gives the desktop back
  // and waits minimised, unless a dialog of ours is what took the focus.
  if (GetDisplayMode() != 0 && !m_bModal && m_nState != APP_QUITTING) {
    m_nSavedMode = GetDisplayMode();
    SetDisplayMode(0, hWnd);
    pl::ShowWindow(hWnd, pl::SW_MINIMIZE);
    pl::SleepMs(100);
    m_bRestoreMode = 1;
  }
}

std::int32_t CAppBase::OnSysCommand(pl::Window* hWnd, pl::WPARAM command) {
  std::uint32_t sc = static_cast<std::uint32_t>(command) & 0xFFF0u;
  if (sc == pl::SC_SCREENSAVE) return 1;
  if (sc == pl::SC_RESTORE && pl::IsIconic(hWnd) && m_bRestoreMode && m_nState != APP_NONE) {
    m_bRestoreMode = 0;
    SetDisplayMode(m_nSavedMode, hWnd);
  }
  return 0;
}

void CAppBase::ShowMenuBar(pl::Window* hWnd) {
  if (GetDisplayMode() == 0 || IsMenuAttached() || !GetMenuHandle()) return;
  pl::SetMenu(hWnd, GetMenuHandle());
  pl::DrawMenuBar(hWnd);
  SetMenuAttached(true);
}

std::int32_t CAppBase::OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  switch (uMsg) {
    case pl::WM_DESTROY:
      OnDestroyWindow(hWnd);
      return 0;
    case pl::WM_ACTIVATE:
      OnActivate(hWnd, wParam);
      return 0;
    case pl::WM_ERASEBKGND:
      if (!m_bErased) {
        m_bErased = true;
        return 0;
      }
      return 1;
    case pl::WM_ACTIVATEAPP:
      OnActivateApp(hWnd, wParam != 0);
      return 0;
    case pl::WM_NCLBUTTONDOWN:
    case pl::WM_NCLBUTTONDBLCLK:
      return wParam == pl::HTSYSMENU ? 1 : 0;
    case pl::WM_SYSKEYUP:
      if (wParam == pl::VK_MENU) ShowMenuBar(hWnd);
      return 0;
    case pl::WM_SYSCOMMAND:
      return OnSysCommand(hWnd, wParam);
    case pl::WM_EXITMENULOOP:
      // The click that closed the menu must not reach the game: wait until
      // the decide key is up.
      while (m_pKeyManager && IsDecideKeyDown(m_pKeyManager) && PumpMessage()) {
      }
      return 0;
    case pl::WM_KV_QUITREQUEST:
      // A termination signal: quit as after a confirmed question, so that
      // what shutdown writes is still written.
      if (m_nState != APP_DESTROYED) {
        m_nState = APP_QUITTING;
        pl::DestroyWindow(hWnd);
      }
      return 1;
    default:
      (void)lParam;
      return 0;
  }
}
