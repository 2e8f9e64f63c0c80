#include "scene/backlog_view.h"

#include <cstring>

#include "engine/engine_host.h"
#include "engine/value_node.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/sjis.h"
#include "graphics/layer_draw.h"
#include "graphics/virtual_screen.h"
#include "platform/menu.h"
#include "platform/messages.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"
#include "scene/wait_input.h"
#include "sound/sound_request.h"

namespace {

CBacklogView g_View;

// DrawWindowButton's selectors: onto layer 0, restoring from layer 2.
constexpr int kToLayer0 = 3;
constexpr int kFromLayer2 = 1;
// The arrows hold three looks: normal, hover, pressed.
constexpr int kArrowRowsLessOne = 2;
constexpr int kArrowCount = kHistoryImages;

CMessageText* Text() { return Presentation().m_pText; }
CObjectTables* Tables() { return Presentation().m_pTables; }

ValueList* Backlog() {
  CMessageText* text = Text();
  return text ? &text->Backlog() : nullptr;
}

bool IsRecord(const ValueNode* n) { return n && n->type == VT_BACKLOG; }

// The start of the page that `end` closes: the record after the previous
// page mark, or the list's first record.
ValueNode* PageStartOf(ValueNode* end) {
  ValueNode* start = end;
  for (ValueNode* p = end ? end->prev : nullptr; p; p = p->prev) {
    if (IsRecord(p) && EndsBacklogPage(*p)) break;
    start = p;
  }
  return start;
}

// The record that closes the page starting at `first`, or null.
ValueNode* PageEndOf(ValueNode* first) {
  for (ValueNode* p = first; p; p = p->next) {
    if (IsRecord(p) && EndsBacklogPage(*p)) return p;
  }
  return nullptr;
}

// The last record that closes a page, walking back from the list's end.
ValueNode* LastPageEnd(ValueList& list) {
  for (ValueNode* p = list.Last(); p; p = p->prev) {
    if (IsRecord(p) && EndsBacklogPage(*p)) return p;
  }
  return nullptr;
}

bool CurrentWindowShown() {
  CObjectTables* t = Tables();
  const CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  return w && w->m_nState == 1;
}

bool InViewableWait() {
  const std::uint32_t s = Scene().m_nPendingState;
  return s == PND_PROMPT_PAGE || s == PND_FPROMPT || s == PND_SLCT || s == PND_BACKLOG;
}

// Strictly inside an arrow's rectangle (one look high).
bool InsideArrow(const CLayerImage& a, int px, int py) {
  const int h = LookHeight(a, kArrowRowsLessOne);
  return a.m_nX < px && px < a.m_nX + a.m_nWidth && a.m_nY < py && py < a.m_nY + h;
}

void DrawArrow(CLayerImage& a, int look) {
  a.m_nShownState = static_cast<std::uint8_t>(look);
  if (a.m_szName[0] == '\0') return;
  DrawWindowButton(a, a.m_nX, a.m_nY, look, kArrowRowsLessOne, kToLayer0, kFromLayer2);
}

void PresentArrow(const CLayerImage& a) {
  PresentScreenArea(a.m_nX, a.m_nY, a.m_nWidth, LookHeight(a, kArrowRowsLessOne));
}

// Whether a record's hit rectangle (history window coordinates) holds a
// screen point strictly.
bool RecordHolds(const ValueNode& r, const CTextWindow& h, int x, int y) {
  const int mx = x - h.m_nX, my = y - h.m_nY;
  return mx > r.header[BL_LEFT] && mx < r.header[BL_RIGHT] && my > r.header[BL_TOP] && my < r.header[BL_BOTTOM];
}

void RedrawPageHook() { g_View.RedrawPage(); }

}  // namespace

bool EndsBacklogPage(const ValueNode& record) {
  const std::string& t = record.text;
  const std::size_t last = sjis::LastCharStart(t);
  if (last == 0 || last >= t.size() || t.size() - last != 1) return false;
  const char c = t[last];
  return (c == 'f' || c == 'F') && sjis::EndsWithChar(std::string_view(t).substr(0, last), '\\');
}

std::string BacklogVoiceName(const ValueNode& record) {
  char field[kVoiceNameSize + 1] = {};
  for (std::size_t k = 0; k < kVoiceNameSize / 4; ++k) {
    const std::uint32_t v = static_cast<std::uint32_t>(record.header[BL_VOICE + k]);
    for (std::size_t b = 0; b < 4; ++b) field[4 * k + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
  }
  return std::string(field, strnlen(field, kVoiceNameSize));
}

CBacklogView& BacklogView() { return g_View; }
void ResetBacklogView() { g_View = CBacklogView(); }

// ---------------------------------------------------------------- page mark

int CBacklogView::AppendPageMark(ValueNode** entry, std::string* previous) {
  ValueList* list = Backlog();
  ValueNode* last = list ? list->Last() : nullptr;
  if (!IsRecord(last) || EndsBacklogPage(*last)) return 0;
  if (entry) *entry = last;
  if (previous) *previous = last->text;
  last->text += "\\f";
  return 1;
}

void CBacklogView::SwapInTempText() {
  if (m_Temp.armed) return;
  ValueNode* entry = nullptr;
  std::string previous;
  if (!AppendPageMark(&entry, &previous)) return;
  m_Temp.entry = entry;
  m_Temp.previous = std::move(previous);
  m_Temp.armed = true;
}

void CBacklogView::RestoreTempText() {
  if (!m_Temp.armed) return;
  // A record freed meanwhile (the backlog emptied) has nothing to put back.
  ValueList* list = Backlog();
  if (list && list->Contains(m_Temp.entry)) m_Temp.entry->text = std::move(m_Temp.previous);
  m_Temp = TempText();
}

ValueNode* CBacklogView::LivePage() {
  ValueList* list = Backlog();
  if (!m_pPage || !list || !list->Contains(m_pPage)) return nullptr;
  return m_pPage;
}

// ---------------------------------------------------------------- drawing

void CBacklogView::SetTitleItemGreyed(bool greyed) {
  if (pl::Menu* menu = GetMenuHandle()) pl::EnableMenuItem(menu, IDM_TITLE, greyed ? pl::MF_GRAYED : pl::MF_ENABLED);
  if (pl::Window* w = GetMainWindowHandle()) pl::DrawMenuBar(w);
}

void CBacklogView::DrawPage() {
  int x = 0, y = 0;
  GetCursorPoint(&x, &y);
  DrawPageAt(x, y, true);
}

void CBacklogView::RedrawPage() {
  int x = 0, y = 0;
  GetCursorPoint(&x, &y);
  DrawPageAt(x, y, false);
}

void CBacklogView::DrawPageAt(int x, int y, bool present) {
  CMessageText* text = Text();
  ValueNode* page = LivePage();
  if (!text || !page) return;
  const ValueNode* hovered = text->DrawHistoryPage(page, x, y);
  m_nHovered = -1;
  int i = 0;
  for (ValueNode* r = page; r && hovered; r = r->next, ++i) {
    if (r == hovered) {
      m_nHovered = i;
      break;
    }
    if (IsRecord(r) && EndsBacklogPage(*r)) break;
  }
  if (present) PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr);
}

void CBacklogView::ShowPage(ValueNode* page) {
  m_pPage = page;
  DrawPage();
  PumpFrames(2);
  m_bOpen = 1;
  SetTitleItemGreyed(true);
}

void CBacklogView::OpenAt(ValueNode* page) {
  if (!page) return;
  if (m_bOpen) {
    ShowPage(page);
    return;
  }
  SceneState& s = Scene();
  if (CMessageText* text = Text()) text->m_nBacklogSavedState = s.m_nPendingState;
  s.m_nPendingState = PND_BACKLOG;
  if (CObjectTables* t = Tables()) {
    for (CLayerImage& a : t->m_HistoryImages) {
      if (a.m_szName[0] != '\0') a.m_nShownState = 0;
    }
  }
  m_bOpen = 1;
  m_nHovered = -1;
  SetTitleItemGreyed(true);
  m_pPage = page;
  // A recomposed scene draws the page again over itself.
  Presentation().m_pfnRedrawBacklogPage = &RedrawPageHook;
  RedrawLayers(1);
  DrawPage();
  PumpFrames(2);
}

void CBacklogView::LeaveBacklog() {
  CMessageText* text = Text();
  RedrawLayers(0);
  SceneState& s = Scene();
  s.m_nPendingState = text ? text->m_nBacklogSavedState : 0;
  if (text) text->ResetWindowText(nullptr, false);
  PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr);
  if (s.m_nPendingState == PND_SLCT && text) text->GlideCursorToChoice();
  StopVoice();
  m_pPage = nullptr;
  m_nHovered = -1;
  m_bOpen = 0;
  if (text) text->m_nBacklogSavedState = 0;
  SetTitleItemGreyed(false);
}

// ---------------------------------------------------------------- input

void CBacklogView::OnWheel(std::int32_t delta) {
  if (!CurrentWindowShown() || !InViewableWait()) return;
  ValueList* list = Backlog();
  if (!list) return;
  SwapInTempText();
  const bool open = Scene().m_nPendingState == PND_BACKLOG;
  ValueNode* page = open ? LivePage() : nullptr;
  if (delta < 0) {
    if (!open) {
      RestoreTempText();
      OnLeftClick(0);
      return;
    }
    ValueNode* end = PageEndOf(page);
    ValueNode* next = end ? end->next : nullptr;
    if (!next || !PageEndOf(next)) {
      RestoreTempText();
      LeaveBacklog();
      return;
    }
    ShowPage(next);
  } else if (open) {
    ValueNode* previousEnd = nullptr;
    for (ValueNode* p = page ? page->prev : nullptr; p && !previousEnd; p = p->prev) {
      if (IsRecord(p) && EndsBacklogPage(*p)) previousEnd = p;
    }
    ShowPage(previousEnd ? PageStartOf(previousEnd) : page);
  } else if (ValueNode* end = LastPageEnd(*list)) {
    // The page being read, not the one before it.
    OpenAt(PageStartOf(end));
  }
  RestoreTempText();
}

void CBacklogView::OnKey(std::uint32_t bit) {
  if (bit != KEY_HOME && bit != KEY_END) return;
  if (!CurrentWindowShown() || !InViewableWait()) return;
  ValueList* list = Backlog();
  if (!list) return;
  SwapInTempText();
  if (ValueNode* end = LastPageEnd(*list)) OpenAt(bit == KEY_HOME ? list->Head() : PageStartOf(end));
  RestoreTempText();
}

int CBacklogView::OnScrollArrow(int press) {
  CObjectTables* t = Tables();
  if (!t) return 0;
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  int result = 0;
  for (int i = 0; i < kArrowCount; ++i) {
    CLayerImage& a = t->m_HistoryImages[i];
    if (InsideArrow(a, px, py)) {
      DrawArrow(a, 2);
      PresentArrow(a);
      if (press == 1) return 1;
      switch (i) {
        case kArrowPageBack:
          PumpFrames(4);
          pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0x10000, 0);
          break;
        case kArrowPageForward:
          PumpFrames(4);
          pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0xFFFF0000u, 0);
          break;
        case kArrowFirstPage:
          ::OnKey(KEY_HOME);
          break;
        case kArrowLastPage:
          ::OnKey(KEY_END);
          break;
        default:
          ::OnKey(KEY_SPACE);
          break;
      }
      result = 1;
    }
    a.m_nShownState = 0;
    PresentArrow(a);
  }
  return result;
}

void CBacklogView::Click(int x, int y) {
  if (OnScrollArrow(0)) return;
  CObjectTables* t = Tables();
  ValueNode* page = LivePage();
  if (!t || !page) return;
  for (ValueNode* r = page; r; r = r->next) {
    if (!IsRecord(r)) continue;
    const std::string voice = BacklogVoiceName(*r);
    if (!voice.empty() && RecordHolds(*r, t->m_History, x, y)) PlaySoundByKind(1, voice, "cv", 0);
    if (EndsBacklogPage(*r)) break;
  }
}

void CBacklogView::Press() { OnScrollArrow(1); }

void CBacklogView::Hover(int x, int y) {
  if (CObjectTables* t = Tables()) {
    for (CLayerImage& a : t->m_HistoryImages) {
      if (!InsideArrow(a, x, y)) {
        DrawArrow(a, 0);
      } else if (a.m_nShownState != 2) {
        DrawArrow(a, 1);
      } else {
        continue;  // pressed: left as it is
      }
      PresentArrow(a);
    }
  }
  HitHistoryEntry(x, y);
}

int CBacklogView::HitHistoryEntry(int x, int y) {
  CObjectTables* t = Tables();
  ValueNode* page = LivePage();
  if (!t || !page) return -1;
  int found = -1, i = 0;
  for (ValueNode* r = page; r; r = r->next, ++i) {
    if (!IsRecord(r)) continue;
    if (!BacklogVoiceName(*r).empty() && RecordHolds(*r, t->m_History, x, y)) found = i;
    if (EndsBacklogPage(*r)) break;
  }
  if (found != m_nHovered) DrawPageAt(x, y, true);
  return found;
}
