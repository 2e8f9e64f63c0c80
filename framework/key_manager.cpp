#include "framework/key_manager.h"

#include <cmath>

#include "platform/input.h"
#include "platform/time.h"

int GlideStep(int current, int target) {
  float d = static_cast<float>(target - current) * 0.466f;
  if (std::fabs(d) >= 1.0f) return current + static_cast<int>(d);
  return target;
}

void CMouse::Pass() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bGliding) return;
  m_ptCurrent.x = GlideStep(m_ptCurrent.x, m_ptTarget.x);
  m_ptCurrent.y = GlideStep(m_ptCurrent.y, m_ptTarget.y);
  if (m_ptCurrent.x == m_ptTarget.x && m_ptCurrent.y == m_ptTarget.y) m_bGliding = 0;
  pl::SetCursorPos(pl::ClientToScreen(m_hWnd, m_ptCurrent));
}

int CMouse::Run() {
  do {
    std::uint32_t t0 = pl::TickMs();
    Pass();
    std::uint32_t elapsed = pl::TickMs() - t0;
    if (elapsed > 33) elapsed = 33;
    std::uint32_t pause = elapsed == 33 ? 1 : 33 - elapsed;
    if (WaitForStop(pause)) break;
  } while (true);
  return 0;
}

CKeyManager::~CKeyManager() {
  Release();
  m_Mouse.Stop();
}

int CKeyManager::Init(pl::Window* hWnd) {
  m_hWnd = hWnd;
  {
    ReleaseScopedLock lock(m_Mouse.Lock());
    m_Mouse.m_hWnd = hWnd;
  }
  m_Mouse.Start();
  // The keyboard and the mouse are read from the state the platform keeps;
  // there are no devices to create that could fail.
  m_bDevices = true;
  RefreshPoint();
  return 1;
}

void CKeyManager::Release() { m_bDevices = false; }

void CKeyManager::RefreshPoint() { m_ptMouse = pl::ScreenToClient(m_hWnd, pl::GetCursorPos()); }

int CKeyManager::IsScanCodeDown(int code) { return m_bDevices && pl::IsKeyDown(code) ? 1 : 0; }

int CKeyManager::IsMouseButtonDown(int button) {
  if (!m_bDevices || !pl::IsMouseButtonDown(button)) return 0;
  bool inside = m_ptMouse.x >= 0 && m_ptMouse.x <= m_nBoundWidth && m_ptMouse.y >= 0 && m_ptMouse.y <= m_nBoundHeight;
  return inside ? 1 : 0;
}

int CKeyManager::CheckKey(std::uint32_t bit, pl::Point* pt) {
  if (!m_bDecideLatch && !m_bCancelLatch) RefreshPoint();
  int down = 0;
  switch (bit) {
    case KEY_ENTER:
      down = IsScanCodeDown(pl::DIK_RETURN) || IsScanCodeDown(pl::DIK_NUMPADENTER) || IsMouseButtonDown(pl::MOUSE_LEFT);
      m_bDecideLatch = down;
      break;
    case KEY_SPACE:
      down = IsScanCodeDown(pl::DIK_SPACE) || IsMouseButtonDown(pl::MOUSE_RIGHT);
      m_bCancelLatch = down;
      break;
    case KEY_UP:
      down = IsScanCodeDown(pl::DIK_UP) || IsScanCodeDown(pl::DIK_NUMPAD8);
      break;
    case KEY_DOWN:
      down = IsScanCodeDown(pl::DIK_DOWN) || IsScanCodeDown(pl::DIK_NUMPAD2);
      break;
    case KEY_LEFT:
      down = IsScanCodeDown(pl::DIK_LEFT) || IsScanCodeDown(pl::DIK_NUMPAD4);
      break;
    case KEY_RIGHT:
      down = IsScanCodeDown(pl::DIK_RIGHT) || IsScanCodeDown(pl::DIK_NUMPAD6);
      break;
    case KEY_SHIFT:
      down = IsScanCodeDown(pl::DIK_RSHIFT) || IsScanCodeDown(pl::DIK_LSHIFT);
      break;
    case KEY_CTRL:
      down = IsScanCodeDown(pl::DIK_RCONTROL) || IsScanCodeDown(pl::DIK_LCONTROL);
      break;
    case KEY_PAGEUP:
      down = IsScanCodeDown(pl::DIK_PRIOR);
      break;
    case KEY_PAGEDOWN:
      down = IsScanCodeDown(pl::DIK_NEXT);
      break;
    case KEY_HOME:
      down = IsScanCodeDown(pl::DIK_HOME);
      break;
    case KEY_END:
      down = IsScanCodeDown(pl::DIK_END);
      break;
    case KEY_WHEEL:
      down = m_nWheel != 0;
      break;
    case KEY_Z:
      down = IsScanCodeDown(pl::DIK_Z);
      break;
    case KEY_X:
      down = IsScanCodeDown(pl::DIK_X);
      break;
    case KEY_C:
      down = IsScanCodeDown(pl::DIK_C);
      break;
    case KEY_V:
      down = IsScanCodeDown(pl::DIK_V);
      break;
    default:
      down = 0;
      break;
  }
  if (pt) *pt = m_ptMouse;
  return down ? 1 : 0;
}

std::int32_t CKeyManager::OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM) {
  if (uMsg == pl::WM_MOUSEWHEEL) m_nWheel = static_cast<std::uint32_t>(wParam);
  return 0;
}

bool IsDecideKeyDown(CKeyManager* pKeyManager) { return pKeyManager && pKeyManager->CheckKey(KEY_ENTER); }
