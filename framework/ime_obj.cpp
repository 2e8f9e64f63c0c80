#include "framework/ime_obj.h"

#include "platform/ime.h"
#include "platform/messages.h"
#include "platform/text.h"

CIMEObj::CIMEObj() = default;

int CIMEObj::Attach(pl::Window* hEdit) {
  m_hEdit = hEdit;
  m_bAllowed = 1;
  pl::ImeSetOpen(hEdit, true);
  pl::ImeCompositionFont font;
  font.height = 16;
  font.weight = 400;
  font.charSet = 128;
  font.faceCp932 = SJ("ＭＳ ゴシック");
  pl::ImeSetCompositionFont(hEdit, font);
  return 1;
}

void CIMEObj::OnActivate() {
  pl::PostMessage(m_hEdit, pl::WM_IME_NOTIFY, m_bAllowed ? pl::IMN_OPENSTATUSWINDOW : pl::IMN_CLOSESTATUSWINDOW, 0);
}

std::int32_t CIMEObj::OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  ReleaseScopedLock lock(m_Lock);
  switch (uMsg) {
    case pl::WM_ACTIVATE: {
      std::uint32_t state = pl::LoWord(wParam);
      if (state == pl::WA_ACTIVE || state == pl::WA_CLICKACTIVE) OnActivate();
      return 0;
    }
    case pl::WM_IME_STARTCOMPOSITION:
      m_szComposition[0] = 0;
      m_bComposing = 1;
      return 0;
    case pl::WM_IME_ENDCOMPOSITION:
      m_bComposing = 0;
      return 0;
    case pl::WM_IME_SETCONTEXT:
      if (wParam == 1 && lParam < 0 && !m_bAllowed && m_bShowComposition == 1) m_bShowComposition = 0;
      return 0;
    case pl::WM_IME_NOTIFY:
      return OnNotify(static_cast<std::uint32_t>(wParam));
    default:
      return 0;
  }
}

std::int32_t CIMEObj::OnNotify(std::uint32_t command) {
  if (m_bAllowed) return 0;
  if (command == pl::IMN_CLOSESTATUSWINDOW || command == pl::IMN_CLOSECANDIDATE) return 0;
  if (pl::ImeIsOpen(m_hEdit)) pl::PostMessage(m_hEdit, pl::WM_IME_NOTIFY, pl::IMN_CLOSESTATUSWINDOW, 0);
  if (command == pl::IMN_SETCONVERSIONMODE) {
    std::uint32_t conversion = 0, sentence = 0;
    pl::ImeGetConversion(m_hEdit, &conversion, &sentence);
    constexpr std::uint32_t kWanted = pl::IME_CMODE_NATIVE | pl::IME_CMODE_FULLSHAPE | pl::IME_CMODE_ROMAN;
    if (conversion != kWanted || sentence != pl::IME_SMODE_PHRASEPREDICT) {
      pl::ImeSetConversion(m_hEdit, kWanted, pl::IME_SMODE_PHRASEPREDICT);
    }
  } else if (command == pl::IMN_SETOPENSTATUS) {
    if (pl::ImeIsOpen(m_hEdit)) pl::ImeSetOpen(m_hEdit, false);
  }
  return 1;
}
