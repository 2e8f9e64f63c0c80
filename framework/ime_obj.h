// CIMEObj: the input method of one text field. Attached to the field it
// opens the input method with a Japanese composition font; as a hook on
// the field's messages it follows the composition and, while input-method
// use is not allowed, keeps the status window closed and the conversion
// mode fixed.
#pragma once
#include <cstdint>

#include "framework/critical_section.h"
#include "framework/win_hook.h"

class CIMEObj : public IWinHook {
 public:
  CIMEObj();
  // Keeps the field, allows input-method use and opens it. Always 1.
  int Attach(pl::Window* hEdit);
  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  std::int32_t OnNotify(std::uint32_t command);
  void OnActivate();

  bool IsComposing() const { return m_bComposing != 0; }
  bool IsAllowed() const { return m_bAllowed != 0; }
  bool ShowsComposition() const { return m_bShowComposition != 0; }
  void SetAllowed(bool allowed) { m_bAllowed = allowed ? 1 : 0; }

 private:
  pl::Window* m_hEdit = nullptr;
  std::int32_t m_bShowComposition = 1;
  std::int32_t m_bAllowed = 0;
  std::int32_t m_bComposing = 0;
  char m_szComposition[256] = {};
  CCriticalSection m_Lock;
};
