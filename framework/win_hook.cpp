#include "framework/win_hook.h"

#include <algorithm>

void CWinHookList::Add(IWinHook* pHook) {
  ReleaseScopedLock lock(m_Lock);
  m_List.push_back(pHook);
}

void CWinHookList::Remove(IWinHook* pHook) {
  ReleaseScopedLock lock(m_Lock);
  if (m_nDepth > 0) {
    std::replace(m_List.begin(), m_List.end(), pHook, static_cast<IWinHook*>(nullptr));
  } else {
    m_List.erase(std::remove(m_List.begin(), m_List.end(), pHook), m_List.end());
  }
}

void CWinHookList::Clear() {
  ReleaseScopedLock lock(m_Lock);
  if (m_nDepth > 0) {
    std::fill(m_List.begin(), m_List.end(), nullptr);
  } else {
    m_List.clear();
  }
}

std::int32_t CWinHookList::Dispatch(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  ReleaseScopedLock lock(m_Lock);
  ++m_nDepth;
  std::int32_t result = 0;
  // By index up to the current size: hooks added by a hook are reached too,
  // and the vector may grow under us.
  for (size_t i = 0; i < m_List.size(); ++i) {
    IWinHook* pHook = m_List[i];
    if (!pHook) continue;
    result = pHook->OnWindowMessage(hWnd, uMsg, wParam, lParam);
    if (result != 0) break;
  }
  if (--m_nDepth == 0) m_List.erase(std::remove(m_List.begin(), m_List.end(), nullptr), m_List.end());
  return result;
}

std::vector<IWinHook*> CWinHookList::Hooks() {
  ReleaseScopedLock lock(m_Lock);
  std::vector<IWinHook*> out;
  for (IWinHook* h : m_List) {
    if (h) out.push_back(h);
  }
  return out;
}
