#include "framework/child_wnd.h"

#include <new>

#include "framework/app_base.h"
#include "platform/ime.h"
#include "platform/messages.h"
#include "platform/text.h"

CChildWnd::~CChildWnd() { CChildWnd::Destroy(); }

void CChildWnd::Destroy() {
  if (!m_hWnd) return;
  pl::Window* w = m_hWnd;
  m_hWnd = nullptr;
  pl::SetUserData(w, nullptr);
  pl::DestroyWindow(w);
  pl::FreeWindow(w);
}

int CChildWnd::Create(pl::Window* hParent, const WindowCreateRecord& rec) {
  m_hParent = hParent;
  m_Rec = rec;
  m_dwStyle = rec.dwStyle;
  pl::WindowDesc desc = DescribeWindow(rec);
  desc.menu = nullptr;
  desc.parent = hParent;
  m_hWnd = hParent ? pl::CreateWindow(desc, nullptr) : nullptr;
  if (!m_hWnd) return 2;
  pl::SetUserData(m_hWnd, this);
  m_pfnPrevProc = pl::SetWindowProc(m_hWnd, &ChildWndProc);
  return 0;
}

void CChildWnd::SetLong(int index, std::uint32_t value) {
  if (index == GWL_STYLE) {
    m_dwStyle = value;
    pl::SetWindowStyle(m_hWnd, value);
  } else if (index == GWL_EXSTYLE) {
    m_Rec.dwExStyle = value;
  }
}

void CChildWnd::Show(int command) {
  pl::ShowWindow(m_hWnd, command);
  Enable(command != 0);
}

void CChildWnd::Move(int x, int y, int width, int height, bool repaint) {
  pl::MoveWindow(m_hWnd, x, y, width, height);
  if (repaint) Update();
}

void CChildWnd::GetPosition(int* x, int* y) const {
  if (x) *x = m_Rec.x;
  if (y) *y = m_Rec.y;
}

void CChildWnd::GetSize(int* width, int* height) const {
  if (width) *width = m_Rec.nWidth;
  if (height) *height = m_Rec.nHeight;
}

pl::LRESULT CChildWnd::WindowProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  return pl::CallWindowProc(m_pfnPrevProc, hWnd, uMsg, wParam, lParam);
}

pl::LRESULT ChildWndProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (auto* self = static_cast<CChildWnd*>(pl::GetUserData(hWnd))) return self->WindowProc(hWnd, uMsg, wParam, lParam);
  return pl::DefWindowProc(hWnd, uMsg, wParam, lParam);
}

CChildEditWnd::~CChildEditWnd() { CChildEditWnd::Destroy(); }

void CChildEditWnd::Destroy() {
  m_pIme.reset();
  CChildWnd::Destroy();
}

int CChildEditWnd::CreateEdit(pl::Window* hParent, int x, int y, int width, int height, int id) {
  WindowCreateRecord rec;
  rec.className = "edit";
  rec.dwStyle = pl::WS_CHILD | pl::WS_TABSTOP;
  rec.x = x;
  rec.y = y;
  rec.nWidth = width;
  rec.nHeight = height;
  rec.hParent = hParent;
  rec.nId = id;
  if (Create(hParent, rec) != 0) return 0;
  Show(0);
  if (!m_pFont) {
    pl::FontSpec spec;
    spec.faceCp932 = SJ("ＭＳ ゴシック");
    spec.height = height - 4;
    spec.bold = true;
    m_pFont = pl::Font::Open(spec);
  }
  pl::SendMessage(m_hWnd, pl::WM_SETFONT, reinterpret_cast<pl::WPARAM>(m_pFont.get()), 1);
  pl::SendMessage(m_hWnd, pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(""));
  m_pIme.reset(new (std::nothrow) CIMEObj);
  if (!m_pIme) {
    ShowWarning(SJ("IME Class の作成に失敗しました"));
    return 0;
  }
  m_pIme->Attach(m_hWnd);
  return 1;
}

void CChildEditWnd::Show(int command) {
  if (command == 0) {
    pl::SendMessage(m_hWnd, pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(""));
    pl::ShowWindow(m_hWnd, pl::SW_HIDE);
    Enable(false);
    return;
  }
  pl::ShowWindow(m_hWnd, command);
  Enable(true);
  // A field that cannot take the keyboard (its window is not the active one)
  // must not hang the screen that shows it.
  for (int i = 0; i < kFocusTries && m_hWnd && pl::GetFocus() != m_hWnd; ++i) pl::SetFocus(m_hWnd);
}

pl::LRESULT CChildEditWnd::WindowProc(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  bool wasComposing = m_pIme && m_pIme->IsComposing();
  if (uMsg == pl::WM_SETFOCUS) pl::ImeEnable(hWnd, true);
  if (uMsg == pl::WM_KILLFOCUS) pl::ImeEnable(m_hParent, false);
  if ((uMsg == pl::WM_KEYDOWN && (wParam == pl::VK_TAB || wParam == pl::VK_RETURN)) || uMsg == pl::WM_SYSKEYDOWN) {
    pl::PostMessage(m_hParent, uMsg, wParam, lParam);
    return 0;
  }
  std::int32_t handled = m_pIme ? m_pIme->OnWindowMessage(hWnd, uMsg, wParam, lParam) : 0;
  if (wasComposing && m_pIme && !m_pIme->IsComposing()) pl::InvalidateWindow(hWnd);
  if (handled) return 0;
  return CChildWnd::WindowProc(hWnd, uMsg, wParam, lParam);
}

std::string CChildEditWnd::GetText() const {
  if (!m_hWnd) return {};
  auto n = static_cast<std::size_t>(pl::SendMessage(m_hWnd, pl::WM_GETTEXTLENGTH, 0, 0));
  std::string s(n + 1, '\0');
  auto got = static_cast<std::size_t>(pl::SendMessage(m_hWnd, pl::WM_GETTEXT, s.size(), reinterpret_cast<pl::LPARAM>(s.data())));
  s.resize(got);
  return s;
}
