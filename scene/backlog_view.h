// The backlog view: the text already shown, paged back one message page at
// a time in the history window, with the voice of a line replayed by a
// click on it. It is a wait of its own (PND_BACKLOG) laid over the wait in
// force, which it saves on opening and gives back on leaving. Opened by the
// wheel turned back, Page Up, Home, End and the "calllog" window button;
// paged by the wheel, the page keys and five arrows; left by paging forward
// past the last page, the right click or Space, and the fifth arrow.
//
// A page is the run of backlog records after one page mark ("\f" at a
// record's end) up to and including the next. The page being read has no
// mark yet: while a handler walks the pages, the last record gets one for
// the time of the call, so that it counts as the last page. Main thread only.
#pragma once
#include <cstdint>
#include <string>

struct ValueNode;

// The arrows of the history window, by index.
enum : int {
  kArrowPageBack = 0,
  kArrowPageForward = 1,
  kArrowFirstPage = 2,
  kArrowLastPage = 3,
  kArrowClose = 4,
};

class CBacklogView {
 public:
  // The frame step's wheel turn: delta > 0 away from the player (back),
  // delta < 0 toward the player (forward).
  void OnWheel(std::int32_t delta);
  // KEY_HOME and KEY_END.
  void OnKey(std::uint32_t bit);
  // 1 when an arrow was pressed (press 1) or acted (press 0).
  int OnScrollArrow(int press);
  // Index within the page on show of the voiced record under the screen
  // point, -1 for none; the page is drawn again when that changed.
  int HitHistoryEntry(int x, int y);
  void LeaveBacklog();
  // 1 when the last record got a temporary page mark (its text before the
  // mark handed back); 0 when it ends a page already or there is none.
  int AppendPageMark(ValueNode** entry, std::string* previous);

  // The left click, the press and the hover while the view is open.
  void Click(int x, int y);
  void Press();
  void Hover(int x, int y);

  // 1 while the view is open (menu item 112 is greyed then).
  int IsOpen() const { return m_bOpen; }
  // The page on show drawn again over a recomposed scene (not presented).
  void RedrawPage();
  ValueNode* CurrentPage() const { return m_pPage; }
  int HoveredIndex() const { return m_nHovered; }

 private:
  // The temporary page mark of a call.
  struct TempText {
    ValueNode* entry = nullptr;
    std::string previous;
    bool armed = false;
  };
  void SwapInTempText();
  void RestoreTempText();
  // The view opens on a page (or, already open, shows it).
  void OpenAt(ValueNode* page);
  void ShowPage(ValueNode* page);
  // The page drawn with the line under the point (or the cursor) lit,
  // and presented.
  void DrawPage();
  void DrawPageAt(int x, int y, bool present);
  void SetTitleItemGreyed(bool greyed);
  // The page on show, when it is still in the backlog.
  ValueNode* LivePage();

  ValueNode* m_pPage = nullptr;
  int m_bOpen = 0;
  int m_nHovered = -1;
  TempText m_Temp;
};

// The process's backlog view (tests reset it).
CBacklogView& BacklogView();
void ResetBacklogView();

// Whether a backlog record's text ends with the page mark (either case).
bool EndsBacklogPage(const ValueNode& record);
// The voice name a backlog record's header holds (empty for none).
std::string BacklogVoiceName(const ValueNode& record);
