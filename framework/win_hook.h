// Every window message of the main window reaches the program through one
// ordered list of hooks; the first hook that answers non-zero ends the
// dispatch.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/critical_section.h"
#include "platform/messages.h"

class IWinHook {
 public:
  virtual ~IWinHook() = default;
  virtual std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam,
                                       pl::LPARAM lParam) = 0;
};

class IWinHookList {
 public:
  virtual ~IWinHookList() = default;
  virtual void Add(IWinHook* pHook) = 0;
  virtual void Remove(IWinHook* pHook) = 0;
  virtual void Clear() = 0;
  virtual std::int32_t Dispatch(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) = 0;
};

// Hooks are called in the order they were added (duplicates allowed, not
// owned). The recursive lock is held through a whole dispatch, so a hook may
// add or remove hooks and pump messages (nested dispatches on the same
// thread). A hook removed during a dispatch is never called again, not even
// by the dispatch that is running: its entries are blanked at once and the
// list is compacted when the outermost dispatch ends. A hook added during a
// dispatch is reached by it.
class CWinHookList : public IWinHookList {
 public:
  void Add(IWinHook* pHook) override;
  void Remove(IWinHook* pHook) override;
  void Clear() override;
  std::int32_t Dispatch(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;

  // The hooks now in the list, in order (blanked entries left out).
  std::vector<IWinHook*> Hooks();

 private:
  std::vector<IWinHook*> m_List;
  int m_nDepth = 0;
  CCriticalSection m_Lock;
};
