// CWindow: the main window, a thin layer over the platform window, with the
// offset of the 1024 x 600 picture inside the client area and the embedded
// hook list that MainWndProc hands every message to.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "framework/win_hook.h"
#include "platform/window.h"

// What start-up fills to create the window.
struct WindowCreateRecord {
  void* hInstance = nullptr;
  pl::Menu* hMenu = nullptr;
  pl::Window* hParent = nullptr;
  int nId = 0;  // a child window's control id
  int nHeight = 600;
  int nWidth = 1024;
  int y = 0;
  int x = 0;
  std::uint32_t dwStyle = 0;
  std::string caption;    // CP932
  std::string className;  // CP932
  std::uint32_t dwExStyle = 0;
};

enum : int { GWL_STYLE = -16, GWL_EXSTYLE = -20 };

// The platform's description of the window a record asks for.
pl::WindowDesc DescribeWindow(const WindowCreateRecord& rec);

class CWindow {
 public:
  CWindow() = default;
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  // Late messages go to the default procedure only. The native window is not
  // freed here: shutdown frees it last, after everything that may touch it.
  virtual ~CWindow();

  // 0 created, 1 the class could not be registered, 2 the window could not
  // be created.
  virtual int Create(const WindowCreateRecord& rec);
  virtual void SetStyle(std::uint32_t style) { SetLong(GWL_STYLE, style); }
  virtual void SetExStyle(std::uint32_t style) { SetLong(GWL_EXSTYLE, style); }
  virtual bool IsVisible() { return pl::IsWindowVisible(m_hWnd); }
  virtual void SetLong(int index, std::uint32_t value);
  virtual void SetPos(bool topmost, int x, int y, int cx, int cy) { pl::SetWindowPos(m_hWnd, x, y, cx, cy, topmost); }
  virtual void SetMenu(pl::Menu* menu) { pl::SetMenu(m_hWnd, menu); }
  virtual void Show(int command) { pl::ShowWindow(m_hWnd, command); }
  virtual void SetForeground() { pl::SetForegroundWindow(m_hWnd); }
  virtual void Update() {}
  virtual void SetFocus() { pl::SetFocus(m_hWnd); }
  virtual pl::Window* GetFocus() { return pl::GetFocus(); }
  virtual pl::Rect GetClientRect() { return pl::GetClientRect(m_hWnd); }
  virtual pl::Rect GetWindowRect() { return pl::GetWindowRect(m_hWnd); }
  virtual pl::Point ClientToScreen(pl::Point p) { return pl::ClientToScreen(m_hWnd, p); }
  virtual pl::Point ScreenToClient(pl::Point p) { return pl::ScreenToClient(m_hWnd, p); }
  virtual int GetOffsetX() { return m_nOffsetX; }
  virtual int GetOffsetY() { return m_nOffsetY; }
  virtual void SetOffsetX(int v) { m_nOffsetX = v; }
  virtual void SetOffsetY(int v) { m_nOffsetY = v; }
  virtual void SetCenteredOffset(int clientWidth, int clientHeight);
  virtual int RegisterClass(const WindowCreateRecord& rec);

  pl::Window* GetHandle() const { return m_hWnd; }
  CWinHookList& Hooks() { return m_HookList; }
  std::uint32_t GetStyle() const { return m_dwStyle; }

 private:
  pl::Window* m_hWnd = nullptr;
  WindowCreateRecord m_Rec;
  std::uint32_t m_dwStyle = 0;
  // Where the picture sits in the client; the movie threads read them.
  std::atomic<int> m_nOffsetX{0};
  std::atomic<int> m_nOffsetY{0};
  int m_bCentering = 1;
  CWinHookList m_HookList;
};

// The window procedure of the main window.
pl::LRESULT MainWndProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam);
