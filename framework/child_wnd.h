// CChildWnd: a child window of the main window, subclassed so that the
// program sees its messages before the window's own procedure does.
// CChildEditWnd: a text field with its own font and input method that
// hands Tab, Enter and Alt keys to its parent instead of typing them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/ime_obj.h"
#include "framework/window.h"
#include "platform/font.h"
#include "platform/window.h"

class CChildWnd {
 public:
  CChildWnd() = default;
  CChildWnd(const CChildWnd&) = delete;
  CChildWnd& operator=(const CChildWnd&) = delete;
  virtual ~CChildWnd();

  virtual void Destroy();
  // 0 made, 2 the window could not be made.
  virtual int Create(pl::Window* hParent, const WindowCreateRecord& rec);
  virtual void SetStyle(std::uint32_t style) { SetLong(GWL_STYLE, style); }
  virtual void SetExStyle(std::uint32_t style) { SetLong(GWL_EXSTYLE, style); }
  virtual bool IsVisible() { return pl::IsWindowVisible(m_hWnd); }
  virtual void SetLong(int index, std::uint32_t value);
  virtual void SetPos(bool topmost, int x, int y, int cx, int cy) { pl::SetWindowPos(m_hWnd, x, y, cx, cy, topmost); }
  virtual void Show(int command);
  virtual void SetForeground() { pl::SetForegroundWindow(m_hWnd); }
  virtual void Update() { pl::InvalidateWindow(m_hWnd); }
  virtual void SetFocus() { pl::SetFocus(m_hWnd); }
  virtual pl::Window* GetFocus() { return pl::GetFocus(); }
  virtual bool HasFocus() { return m_hWnd && pl::GetFocus() == m_hWnd; }
  virtual pl::Rect GetClientRect() { return pl::GetClientRect(m_hWnd); }
  virtual pl::Rect GetWindowRect() { return pl::GetWindowRect(m_hWnd); }
  virtual pl::Point ClientToScreen(pl::Point p) { return pl::ClientToScreen(m_hWnd, p); }
  virtual pl::Point ScreenToClient(pl::Point p) { return pl::ScreenToClient(m_hWnd, p); }
  virtual void Enable(bool enable) { pl::EnableWindow(m_hWnd, enable); }
  virtual void Move(int x, int y, int width, int height, bool repaint);
  virtual void GetPosition(int* x, int* y) const;
  virtual void GetSize(int* width, int* height) const;
  virtual pl::LRESULT WindowProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam);

  pl::Window* Handle() const { return m_hWnd; }

 protected:
  pl::WindowProc m_pfnPrevProc = nullptr;
  pl::Window* m_hWnd = nullptr;
  pl::Window* m_hParent = nullptr;
  WindowCreateRecord m_Rec;
  std::uint32_t m_dwStyle = 0;
};

// The subclass procedure of every child: the object's WindowProc.
pl::LRESULT ChildWndProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam);

class CChildEditWnd : public CChildWnd {
 public:
  // The tries a show makes to give the field the keyboard.
  static constexpr int kFocusTries = 8;

  ~CChildEditWnd() override;
  void Destroy() override;
  // Hiding (0) empties, hides and disables the field; showing shows and
  // enables it and gives it the keyboard.
  void Show(int command) override;
  pl::LRESULT WindowProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  // 1 made (hidden), 0 not.
  virtual int CreateEdit(pl::Window* hParent, int x, int y, int width, int height, int id);

  // The field's text (CP932).
  std::string GetText() const;
  CIMEObj* Ime() const { return m_pIme.get(); }

 private:
  std::unique_ptr<pl::Font> m_pFont;
  std::unique_ptr<CIMEObj> m_pIme;
};
