#include "framework/window.h"

#include "framework/globals.h"

CWindow::~CWindow() {
  if (m_hWnd) pl::SetUserData(m_hWnd, nullptr);
  m_HookList.Clear();
}

int CWindow::RegisterClass(const WindowCreateRecord& rec) {
  // There is no class registry below us; a class needs only its name.
  return rec.className.empty() ? 0 : 1;
}

pl::WindowDesc DescribeWindow(const WindowCreateRecord& rec) {
  pl::WindowDesc desc;
  desc.className = rec.className;
  desc.caption = rec.caption;
  desc.x = rec.x;
  desc.y = rec.y;
  desc.width = rec.nWidth;
  desc.height = rec.nHeight;
  desc.style = rec.dwStyle;
  desc.exStyle = rec.dwExStyle;
  desc.menu = rec.hMenu;
  desc.parent = rec.hParent;
  desc.controlId = rec.nId;
  return desc;
}

int CWindow::Create(const WindowCreateRecord& rec) {
  m_Rec = rec;
  if (!RegisterClass(m_Rec)) return 1;
  m_dwStyle = rec.dwStyle;
  pl::WindowDesc desc = DescribeWindow(rec);
  desc.iconName = "131";
  m_hWnd = pl::CreateWindow(desc, &MainWndProc);
  if (!m_hWnd) return 2;
  SetMainWindowHandle(m_hWnd);
  pl::SetUserData(m_hWnd, this);
  return 0;
}

void CWindow::SetLong(int index, std::uint32_t value) {
  if (index == GWL_STYLE) {
    m_dwStyle = value;
    pl::SetWindowStyle(m_hWnd, value);
  }
}

void CWindow::SetCenteredOffset(int clientWidth, int clientHeight) {
  m_nOffsetX = (clientWidth - 1024) / 2;
  m_nOffsetY = m_bCentering ? (clientHeight - 600) / 2 : 0;
}

pl::LRESULT MainWndProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  auto* pWindow = static_cast<CWindow*>(pl::GetUserData(hWnd));
  if (pWindow) {
    std::int32_t result = pWindow->Hooks().Dispatch(hWnd, uMsg, wParam, lParam);
    if (result != 0) return result;
  }
  return pl::DefWindowProc(hWnd, uMsg, wParam, lParam);
}
