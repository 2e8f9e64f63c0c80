#include "screens/save_mode.h"

#include <algorithm>

#include "engine/script_engine.h"
#include "framework/app_base.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/sjis.h"
#include "graphics/abm_image.h"
#include "graphics/anti_font.h"
#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "graphics/virtual_screen.h"
#include "platform/text.h"
#include "platform/time.h"

const LayoutButton SaveButtonLayout[25] = {
#define KV_SLOT_BAR(r) {526, 54 + 49 * (r), 496, 48, 0, 0, 0, 48, 0, 96, 0, 0, 0, 0}
    KV_SLOT_BAR(0), KV_SLOT_BAR(1), KV_SLOT_BAR(2), KV_SLOT_BAR(3), KV_SLOT_BAR(4),
    KV_SLOT_BAR(5), KV_SLOT_BAR(6), KV_SLOT_BAR(7), KV_SLOT_BAR(8), KV_SLOT_BAR(9),
#undef KV_SLOT_BAR
#define KV_PAGE_TAB(p) {570 + 40 * (p), 8, 40, 32, 40 * (p), 144, 40 * (p), 176, 40 * (p), 208, 40 * (p), 144, 0, 0}
    KV_PAGE_TAB(0), KV_PAGE_TAB(1), KV_PAGE_TAB(2), KV_PAGE_TAB(3), KV_PAGE_TAB(4),
    KV_PAGE_TAB(5), KV_PAGE_TAB(6), KV_PAGE_TAB(7), KV_PAGE_TAB(8), KV_PAGE_TAB(9),
#undef KV_PAGE_TAB
    {693, 548, 152, 48, 400, 144, 400, 192, 400, 240, 400, 144, 0, 0},
    {438, 0, 40, 24, 496, 0, 496, 0, 496, 0, 496, 0, 0, 0},
    {4, 65, 512, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {15, 413, 496, 48, 0, 0, 0, 48, 0, 96, 0, 0, 0, 0},
    {277, 191, 472, 216, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

const LayoutButton SaveDialogLayout[4] = {
    {277, 191, 472, 216, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {357, 303, 144, 64, 0, 216, 0, 280, 0, 344, 0, 344, 0, 0},
    {524, 303, 144, 64, 144, 216, 144, 280, 144, 344, 144, 344, 0, 0},
    {394, 281, 236, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

const char* const SaveVoiceCues[6][3] = {
    {"aa3947", "aa3948", "aa3949"}, {"ab2886", "ab2887", "ab2888"}, {"ac2834", "ac2835", "ac2836"},
    {"ad2185", "ad2186", "ad2187"}, {"ba0785", "ba0786", "ba0787"}, {"bb0884", "bb0885", "bb0886"},
};

const SaveModePictures& SaveModePictureNames(int kind) {
  static const SaveModePictures kSave{"save_bk.bmp", "save_cp.abm", "save_yn.abm"};
  static const SaveModePictures kLoad{"load_bk.bmp", "load_cp.abm", "load_yn.abm"};
  return kind == SAVEMODE_LOAD ? kLoad : kSave;
}

namespace {

constexpr int kScreenW = 1024, kScreenH = 600;
const LayoutButton& Thumb() { return SaveButtonLayout[kSaveItemThumbnail]; }

bool IsSlotBar(int item) { return item >= 0 && item <= 9; }
bool IsTab(int item) { return item >= 10 && item <= 19; }

}  // namespace

// ------------------------------------------------------------ run entries

int CSaveMode::Run(pl::Window* owner, const ScreenDescriptor& first, const ScreenDescriptor& kept,
                   const ScreenDescriptor* third, CKeyManager* keys, IWinHookList* hooks, int kind,
                   SaveGameContext& ctx) {
  CrtRandom& rnd = GetCrtRandom();
  rnd.Seed(pl::TickMs());
  m_nCueRow = rnd.Next() % 6;
  if (!BeginRun(owner, first, keys, hooks)) return -1;
  m_pCtx = &ctx;
  m_nKind = kind == SAVEMODE_LOAD ? SAVEMODE_LOAD : SAVEMODE_SAVE;
  m_nResult = -1;
  if (!MakeScreenView(m_ScreenView, first) || !MakeScreenView(m_KeptView, kept)) return -1;
  m_bHasThird = third && MakeScreenView(m_ThirdView, *third);
  CopyPixelRect(m_KeptView, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (!MakeSurfaces()) {
    FreeSurfaces();
    m_nResult = -1;
    return -1;
  }
  if (m_nKind == SAVEMODE_SAVE) CreateCommentEdits(owner);
  m_Font.Select(12, 700);
  Execute();
  m_Font.Restore();
  HideCommentEdits();
  DestroyCommentEdits();
  m_bPanelOpen = false;
  FreeSurfaces();
  m_pCtx = nullptr;
  const bool loaded = m_nKind == SAVEMODE_LOAD && m_nResult > 0;
  if (loaded) {
    StopVoiceCue();
    ctx.eng.m_bSaveEnabled = 1;
    ctx.eng.m_bLoadEnabled = 1;
    return m_nResult;
  }
  // The game's picture comes back as it was before the screen.
  CopyPixelRect(m_ScreenView, m_KeptView, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
  return m_nResult;
}

bool CSaveMode::MakeSurfaces() {
  int* mmx = GetMmxFlag();
  struct Surface {
    CBuffer* buffer;
    int w, h;
    const char* name;
  };
  const Surface surfaces[] = {{&m_Back, 1024, 600, "Back"},
                              {&m_Chip, 552, 288, "Chip"},
                              {&m_YesNo, 472, 408, "YesNo"},
                              {&m_Capture, kThumbnailWidth, kThumbnailHeight, "Capture"},
                              {&m_Backup, 1024, 600, "Backup"}};
  for (const Surface& s : surfaces) {
    if (s.buffer->Create(1, s.w, s.h, mmx) != 0) {
      ShowSurfaceFailure(GetMainWindowHandle(), s.name);
      return false;
    }
  }
  return true;
}

void CSaveMode::FreeSurfaces() {
  m_Back.Destroy();
  m_Chip.Destroy();
  m_YesNo.Destroy();
  m_Backup.Destroy();
  m_Capture.Destroy();
}

void CSaveMode::CaptureThumbnail(const CBuffer& picture) {
  const int w = picture.Width(), h = picture.Height();
  if (w == 2 * kThumbnailWidth && h == 2 * kThumbnailHeight) {
    ShrinkBlt2x(m_Capture, picture, 0, 0, kThumbnailWidth, kThumbnailHeight, 0, 0);
  } else if (w == 4 * kThumbnailWidth && h == 4 * kThumbnailHeight) {
    ShrinkBlt4x(m_Capture, picture, 0, 0, kThumbnailWidth, kThumbnailHeight, 0, 0);
  } else {
    StretchBlt32(0, m_Capture, 0, kThumbnailWidth, kThumbnailHeight, picture, 0, 0, w, h, 0);
  }
}

int CSaveMode::QuickSave(pl::Window*, const ScreenDescriptor& first, SaveGameContext& ctx) {
  CBuffer screen;
  if (!MakeScreenView(screen, first)) return 0;
  if (m_Capture.Create(1, kThumbnailWidth, kThumbnailHeight, GetMmxFlag()) != 0) {
    ShowSurfaceFailure(GetMainWindowHandle(), "Capture");
    return 0;
  }
  ctx.comment.clear();
  CaptureThumbnail(screen);
  const int ok = SaveGame(ctx, kQuickSlot, reinterpret_cast<const std::uint32_t*>(m_Capture.m_pcPix),
                          kThumbnailWidth, kThumbnailHeight);
  m_Capture.Destroy();
  if (ok != 1) return 0;
  m_nResult = 101;
  return 1;
}

// ------------------------------------------------------------ the page

void CSaveMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  m_nPage = 0;
  m_nHover = m_nPrevHover = kNoItem;
  m_nPanelHover = m_nPanelPrevHover = kNoItem;
  m_nNewest = kNoItem;
  m_nPanelResult = 0;
  const std::string& folder = m_pCtx->eng.m_strProgramFolder;
  m_nNewest = FindNewestSlot(folder);
  if (m_nNewest != kNoItem) m_nPage = m_nNewest / 10;
  BuildSlotLabels();
  const SaveModePictures& pics = SaveModePictureNames(m_nKind);
  const bool back = LoadBitmapToBuffer(pics.background, m_pGraphicsArc, m_Back) != 0;
  const bool chips = LoadAbmToBuffer(pics.chips, m_pGraphicsArc, m_Chip) != 0;
  const bool panel = LoadAbmToBuffer(pics.panel, m_pGraphicsArc, m_YesNo) != 0;
  if (!back || !chips || !panel) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  DrawAll();
}

void CSaveMode::BuildSlotLabels() {
  const std::string& folder = m_pCtx->eng.m_strProgramFolder;
  for (int row = 0; row < 10; ++row) m_Rows[row] = ReadSlotInfo(folder, m_nPage * 10 + row);
  m_Rows[10] = ReadSlotInfo(folder, kQuickSlot);
}

int CSaveMode::SlotOfItem(int item) const {
  if (IsSlotBar(item)) return m_nPage * 10 + item;
  if (item == kSaveItemQuick) return kQuickSlot;
  return -1;
}

int CSaveMode::HitTest() const {
  const pl::Point pt = LogicalCursor();
  int hit = HitTestLayout(SaveButtonLayout, 21, pt);
  if (m_nKind == SAVEMODE_LOAD && LayoutContains(SaveButtonLayout[kSaveItemQuick], pt)) hit = kSaveItemQuick;
  return hit;
}

void CSaveMode::DrawLook(int item, int cellX, int cellY) {
  DrawLayoutLook(SaveButtonLayout[item], cellX, cellY, m_Back, m_Chip, m_ScreenView);
}

void CSaveMode::DrawSlotText(int item) {
  const LayoutButton& bar = SaveButtonLayout[item];
  const SaveSlotInfo& row = RowOf(item);
  CAntiFont& font = GetAntiFont();
  font.DrawString(bar.x + 56, row.label, m_ScreenView, 0, bar.y + 10);
  if (row.present) font.DrawString(bar.x + 98, row.comment, m_ScreenView, 0, bar.y + 28);
  if (IsSlotBar(item) && m_nNewest != kNoItem && SlotOfItem(item) == m_nNewest) {
    const LayoutButton& mark = SaveButtonLayout[kSaveItemNewest];
    AlphaBlitRect(m_ScreenView, m_Chip, bar.x + mark.x, bar.y + mark.y, mark.w, mark.h, mark.normalX, mark.normalY);
  }
}

void CSaveMode::BlankThumbnail() {
  const LayoutButton& t = Thumb();
  CopyPixelRect(m_ScreenView, m_Back, t.x, t.y, t.w, t.h, t.x, t.y);
}

void CSaveMode::DrawThumbnail(int slot, bool show) {
  if (slot == kNoItem || slot < 0) return;
  std::vector<std::uint32_t> px;
  const LayoutButton& t = Thumb();
  // Only a thumbnail of exactly the capture surface's size is taken; any
  // other file is treated as missing.
  if (ReadThumbnail(m_pCtx->eng.m_strProgramFolder, slot, kThumbnailWidth, kThumbnailHeight, &px)) {
    for (int y = 0; y < kThumbnailHeight; ++y) {
      std::copy_n(px.data() + static_cast<std::size_t>(y) * kThumbnailWidth, kThumbnailWidth, m_Capture.Row32(y));
    }
  } else {
    CopyPixelRect(m_Capture, m_Back, 0, 0, t.w, t.h, t.x, t.y);
  }
  if (show) CopyPixelRect(m_ScreenView, m_Capture, t.x, t.y, t.w, t.h, 0, 0);
}

void CSaveMode::DrawItem(int item, bool pressed) {
  if (item == kNoItem) {
    if (m_nPrevHover != kNoItem) BlankThumbnail();
    return;
  }
  if (!(item >= 0 && item <= kSaveItemReturn) && item != kSaveItemQuick) return;
  const LayoutButton& b = SaveButtonLayout[item];
  if (item == m_nHover) {
    DrawLook(item, pressed ? b.pressedX : b.hoverX, pressed ? b.pressedY : b.hoverY);
    if (IsSlotBar(item) || item == kSaveItemQuick) DrawThumbnail(SlotOfItem(item), true);
  } else if (IsTab(item) && item - 10 == m_nPage) {
    DrawLook(item, b.pressedX, b.pressedY);
  } else {
    DrawLook(item, b.normalX, b.normalY);
  }
  if (IsSlotBar(item) || item == kSaveItemQuick) DrawSlotText(item);
}

void CSaveMode::DrawPageItems() {
  for (int item = 0; item <= kSaveItemReturn; ++item) DrawItem(item, false);
  if (m_nKind == SAVEMODE_LOAD) DrawItem(kSaveItemQuick, false);
}

void CSaveMode::DrawAll() {
  CopyPixelRect(m_ScreenView, m_Back, 0, 0, kScreenW, kScreenH, 0, 0);
  DrawPageItems();
  if (SlotOfItem(m_nHover) < 0) BlankThumbnail();
  RedrawAll();
}

void CSaveMode::Update() {
  if (m_bPanelOpen) return;
  const int hit = HitTest();
  if (hit == m_nHover) return;
  m_nHover = hit;
  DrawItem(m_nPrevHover, false);
  DrawItem(m_nHover, false);
  m_nPrevHover = m_nHover;
  RedrawAll();
}

void CSaveMode::OnDecide() {
  const int item = m_nHover;
  const bool slotItem = IsSlotBar(item) || (item == kSaveItemQuick && m_nKind == SAVEMODE_LOAD);
  if (slotItem && (m_nKind == SAVEMODE_SAVE ? item != kSaveItemQuick : RowOf(item).present)) {
    DrawItem(item, true);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
    PlayVoiceCue(*this, SaveVoiceCues[m_nCueRow][m_nKind == SAVEMODE_SAVE ? 0 : 2]);
    const int panel = RunCommentDialog();
    if (m_nKind == SAVEMODE_LOAD && panel == 1) {
      m_bLoop = 0;
    } else {
      DrawItem(item, false);
      RedrawAll();
    }
  } else if (IsTab(item)) {
    DrawItem(item, true);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
    m_nPage = item - 10;
    BuildSlotLabels();
    DrawPageItems();
  } else if (item == kSaveItemReturn) {
    DrawItem(item, true);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
    m_bLoop = 0;
  }
  RedrawAll();
  WaitKeyRelease(*this, KEY_ENTER);
}

void CSaveMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  m_bLoop = 0;
  WaitKeyRelease(*this, KEY_SPACE);
}

int CSaveMode::CursorTarget(std::uint32_t key) const {
  const int h = m_nHover;
  const bool load = m_nKind == SAVEMODE_LOAD;
  if (h == kNoItem) return 0;
  if (IsSlotBar(h)) {
    switch (key) {
      case KEY_UP: return h == 0 ? 10 + m_nPage : h - 1;
      case KEY_DOWN: return h == 9 ? kSaveItemReturn : h + 1;
      case KEY_LEFT: return load ? kSaveItemQuick : -1;
      default: return -1;
    }
  }
  if (IsTab(h)) {
    switch (key) {
      case KEY_DOWN: return 0;
      case KEY_LEFT: return h == 10 ? -1 : h - 1;
      case KEY_RIGHT: return h == 19 ? -1 : h + 1;
      default: return -1;
    }
  }
  if (h == kSaveItemReturn) return key == KEY_UP ? 9 : -1;
  if (h == kSaveItemQuick) {
    if (key == KEY_UP) return 10 + m_nPage;
    if (key == KEY_RIGHT) return 0;
  }
  return -1;
}

void CSaveMode::MoveCursorTo(int item) { SetLogicalCursorPos(LayoutCenter(SaveButtonLayout[item])); }

void CSaveMode::CursorKey(std::uint32_t key) {
  WaitKeyRelease(*this, key);
  const int target = CursorTarget(key);
  if (target >= 0) MoveCursorTo(target);
  WaitKeyRelease(*this, key);
}

void CSaveMode::OnUp() { CursorKey(KEY_UP); }
void CSaveMode::OnDown() { CursorKey(KEY_DOWN); }
void CSaveMode::OnLeft() { CursorKey(KEY_LEFT); }
void CSaveMode::OnRight() { CursorKey(KEY_RIGHT); }

// ------------------------------------------------------------ the panel

int CSaveMode::SelectedSlot() const { return SlotOfItem(m_nHover); }

int CSaveMode::RunCommentDialog() {
  CopyPixelRect(m_Backup, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  OpenCommentDialog();
  static constexpr std::uint32_t kOrder[] = {KEY_ENTER, KEY_SPACE, KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT};
  while (m_nPanelResult == 0 && PumpAndPace()) {
    PanelUpdate();
    if (CommentComposing()) {
      // The keys belong to the input method while it composes.
      for (std::uint32_t bit : {KEY_ENTER, KEY_SPACE, KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_CTRL}) {
        WaitKeyRelease(*this, bit);
      }
      continue;
    }
    for (std::uint32_t bit : kOrder) {
      if (!CheckKey(bit)) continue;
      if (bit == KEY_ENTER) {
        PanelDecide();
      } else if (bit == KEY_SPACE) {
        PanelCancel();
      } else {
        PanelCursor(bit);
      }
      break;
    }
    if (m_bPresent == 1 && GetDisplayMode() == 1) PresentDirtyRegion();
  }
  m_bPanelOpen = false;
  const int result = m_nPanelResult;
  if (!(m_nKind == SAVEMODE_LOAD && result == 1)) {
    HideCommentEdits();
    CopyPixelRect(m_ScreenView, m_Backup, 0, 0, kScreenW, kScreenH, 0, 0);
    if (result == 1) {
      BuildSlotLabels();
      DrawPageItems();
    }
    const LayoutButton& t = Thumb();
    CopyPixelRect(m_ScreenView, m_Capture, t.x, t.y, t.w, t.h, 0, 0);
    RedrawAll();
  }
  return result;
}

void CSaveMode::OpenCommentDialog() {
  m_nPanelHover = m_nPanelPrevHover = kNoItem;
  m_nPanelResult = 0;
  m_bPanelOpen = true;
  const LayoutButton& p = SaveDialogLayout[0];
  AlphaBlitRect(m_ScreenView, m_YesNo, p.x, p.y, p.w, p.h, p.normalX, p.normalY);
  for (int button = 1; button <= 2; ++button) {
    const LayoutButton& b = SaveDialogLayout[button];
    AlphaBlitRect(m_ScreenView, m_YesNo, b.x, b.y, b.w, b.h, b.normalX, b.normalY);
  }
  RedrawAll();
  GlideCursorTo(LayoutCenter(SaveDialogLayout[1]));
  if (m_nKind != SAVEMODE_SAVE) return;
  PumpAndPace();
  // The comment the slot will keep: the row's own, or the chapter's title
  // for a row without one of its own.
  const int slot = SelectedSlot();
  const SaveSlotInfo& row = RowOf(slot == kQuickSlot ? kSaveItemQuick : slot - m_nPage * 10);
  m_strComment = row.comment.empty() || sjis::EqualNoCase(row.comment, row.title) ? m_pCtx->eng.m_strChapter : row.comment;
  m_bCommentEnter = false;
  if (CChildEditWnd* edit = GetActiveCommentEdit()) {
    PlaceCommentEdit();
    edit->Show(pl::SW_SHOW);
    m_bCommentShown = true;
    m_nShownEdit = edit == &m_CommentEdit[1] ? 1 : 0;
    // All of it selected: what the player types replaces the offer.
    pl::SendMessage(edit->Handle(), pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(m_strComment.c_str()));
    pl::SendMessage(edit->Handle(), pl::EM_SETSEL, 0, static_cast<pl::LPARAM>(-1));
  }
}

void CSaveMode::CreateCommentEdits(pl::Window* mainWindow) {
  if (m_bEditsMade || !mainWindow) return;
  const LayoutButton& box = SaveDialogLayout[3];
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  const int s = sh * 4 / 3;
  const bool a = m_CommentEdit[0].CreateEdit(mainWindow, box.x, box.y, box.w, box.h, 100) == 1;
  const bool b = m_CommentEdit[1].CreateEdit(mainWindow, (sw - s) / 2 + s * box.x / 1024, sh * box.y / 600,
                                             s * box.w / 1024, sh * box.h / 600, 101) == 1;
  // Without its fields the screen still saves, with the comment it offers.
  if (!a || !b) {
    DestroyCommentEdits();
    return;
  }
  // The field holds no more than the slot keeps, cut on a character
  // boundary, so the comment shown is the comment saved.
  for (CChildEditWnd& edit : m_CommentEdit) {
    pl::SendMessage(edit.Handle(), pl::EM_SETLIMITTEXT, kCommentBytes, 0);
  }
  m_bEditsMade = true;
  m_bCommentShown = false;
}

void CSaveMode::DestroyCommentEdits() {
  m_CommentEdit[0].Destroy();
  m_CommentEdit[1].Destroy();
  m_bEditsMade = false;
  m_bCommentShown = false;
}

CChildEditWnd* CSaveMode::GetActiveCommentEdit() {
  if (!m_bEditsMade) return nullptr;
  return &m_CommentEdit[GetDisplayMode() == 1 ? 1 : 0];
}

void CSaveMode::HideCommentEdits() {
  if (m_bEditsMade) {
    m_CommentEdit[0].Show(0);
    m_CommentEdit[1].Show(0);
  }
  m_bCommentShown = false;
}

void CSaveMode::PlaceCommentEdit() {
  if (!m_bEditsMade) return;
  const LayoutButton& box = SaveDialogLayout[3];
  int dx = 0, dy = 0;
  if (GetDisplayMode() == 2) {
    if (CAppBase* app = GetApp(); app && app->m_pWindow) {
      dx = app->m_pWindow->GetOffsetX();
      dy = app->m_pWindow->GetOffsetY();
    }
  }
  m_CommentEdit[0].Move(box.x + dx, box.y + dy, box.w, box.h, true);
}

void CSaveMode::MoveCommentText(bool leavingMode1) {
  if (!m_bCommentShown || !m_bEditsMade) return;
  // The source is the field that is shown, whichever mode was left: between
  // the window and the 1024-wide full screen it is the same field, which
  // only moves (hiding it would empty it).
  const int target = leavingMode1 ? 0 : 1;
  PlaceCommentEdit();
  if (target == m_nShownEdit) return;
  CChildEditWnd& from = m_CommentEdit[m_nShownEdit];
  CChildEditWnd& to = m_CommentEdit[target];
  const std::string text = from.GetText();
  from.Show(0);
  to.Show(pl::SW_SHOW);
  m_nShownEdit = target;
  pl::SendMessage(to.Handle(), pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(text.c_str()));
  pl::SendMessage(to.Handle(), pl::EM_SETSEL, 0, static_cast<pl::LPARAM>(-1));
}

bool CSaveMode::CommentHasFocus() {
  CChildEditWnd* edit = GetActiveCommentEdit();
  return m_bCommentShown && edit && edit->HasFocus();
}

bool CSaveMode::CommentComposing() {
  CChildEditWnd* edit = GetActiveCommentEdit();
  return m_bCommentShown && edit && edit->Ime() && edit->Ime()->IsComposing();
}

std::int32_t CSaveMode::OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (uMsg == pl::WM_KEYDOWN && m_bCommentShown) {
    CChildEditWnd* edit = GetActiveCommentEdit();
    if (wParam == pl::VK_TAB && edit) {
      if (m_nKind == SAVEMODE_SAVE && !edit->HasFocus()) {
        edit->SetFocus();
      } else {
        pl::SetFocus(m_hWnd);
      }
    } else if (wParam == pl::VK_RETURN && edit && edit->HasFocus()) {
      m_bCommentEnter = true;
    }
  }
  return IProgMode::OnWindowMessage(hWnd, uMsg, wParam, lParam);
}

void CSaveMode::DrawPanelButton(int button, int look) {
  if (button != 1 && button != 2) return;
  const LayoutButton& p = SaveDialogLayout[0];
  const LayoutButton& b = SaveDialogLayout[button];
  CopyPixelRect(m_ScreenView, m_Backup, b.x, b.y, b.w, b.h, b.x, b.y);
  AlphaBlitRect(m_ScreenView, m_YesNo, b.x, b.y, b.w, b.h, p.normalX + b.x - p.x, p.normalY + b.y - p.y);
  const int cx = look == 2 ? b.pressedX : look == 1 ? b.hoverX : b.normalX;
  const int cy = look == 2 ? b.pressedY : look == 1 ? b.hoverY : b.normalY;
  AlphaBlitRect(m_ScreenView, m_YesNo, b.x, b.y, b.w, b.h, cx, cy);
}

void CSaveMode::PanelUpdate() {
  if (m_bCommentEnter) {
    // Enter typed in the comment: the screen takes the keyboard back and
    // offers the yes button.
    if (CommentHasFocus()) pl::SetFocus(m_hWnd);
    GlideCursorTo(LayoutCenter(SaveDialogLayout[1]));
    m_bCommentEnter = false;
    WaitKeyRelease(*this, KEY_ENTER);
  }
  const pl::Point pt = LogicalCursor();
  int hover = kNoItem;
  for (int button = 1; button <= 2; ++button) {
    if (LayoutContains(SaveDialogLayout[button], pt)) {
      hover = button;
      break;
    }
  }
  m_nPanelHover = hover;
  if (m_nPanelHover == m_nPanelPrevHover) return;
  DrawPanelButton(1, m_nPanelHover == 1 ? 1 : 0);
  DrawPanelButton(2, m_nPanelHover == 2 ? 1 : 0);
  m_nPanelPrevHover = m_nPanelHover;
  RedrawAll();
}

void CSaveMode::PanelDecide() {
  const int button = m_nPanelHover;
  if (CommentHasFocus()) {
    WaitKeyRelease(*this, KEY_ENTER);
    if (m_bCommentEnter) {
      if (button != 1) return;
      m_bCommentEnter = false;
    }
  }
  if (button == 1 || button == 2) {
    DrawPanelButton(button, 2);
    RedrawAll();
  }
  WaitKeyRelease(*this, KEY_ENTER);
  if (!m_bLoop) return;
  if (button == 1) {
    const int slot = SelectedSlot();
    if (CommitSlot() == 1) {
      if (slot != kQuickSlot) m_nNewest = slot;
      m_nPanelResult = 1;
    } else if (m_nKind == SAVEMODE_LOAD) {
      // LoadGame has told why; the panel closes and the page stays.
      m_nPanelResult = 2;
    } else {
      // The panel stays for another try; what the failed save left of the
      // thumbnail is read again.
      DrawThumbnail(slot, false);
      DrawPanelButton(1, 1);
      RedrawAll();
    }
  } else if (button == 2) {
    m_nPanelResult = 2;
  }
}

void CSaveMode::PanelCancel() {
  // Space types into the comment while it has the keyboard.
  if (CommentHasFocus()) return;
  WaitKeyRelease(*this, KEY_SPACE);
  m_nPanelResult = 2;
  WaitKeyRelease(*this, KEY_SPACE);
}

void CSaveMode::PanelCursor(std::uint32_t key) {
  if ((key == KEY_UP || key == KEY_DOWN) && CommentHasFocus()) return;
  WaitKeyRelease(*this, key);
  const int h = m_nPanelHover;
  int target = -1;
  switch (key) {
    case KEY_UP:
    case KEY_DOWN:
      if (h == kNoItem) target = 2;
      break;
    case KEY_LEFT:
      target = h == 2 ? 1 : h == 1 ? -1 : 2;
      break;
    case KEY_RIGHT:
      if (h != 2) target = 2;
      break;
    default:
      break;
  }
  if (target > 0) SetLogicalCursorPos(LayoutCenter(SaveDialogLayout[target]));
  WaitKeyRelease(*this, key);
}

int CSaveMode::CommitSlot() {
  const int slot = SelectedSlot();
  if (slot < 0) return 0;
  SaveGameContext& ctx = *m_pCtx;
  int ok = 0;
  if (m_nKind == SAVEMODE_SAVE) {
    PlayVoiceCue(*this, SaveVoiceCues[m_nCueRow][1]);
    // The comment field keeps what fits the slot's field, cut on a
    // character boundary.
    if (CChildEditWnd* edit = GetActiveCommentEdit(); edit && m_bCommentShown) m_strComment = edit->GetText();
    ctx.comment = sjis::CutBounded(m_strComment, kSlotCommentSize - 1);
    // The thumbnail shows the game, not this screen over it.
    CaptureThumbnail(m_KeptView);
    ok = SaveGame(ctx, slot, reinterpret_cast<const std::uint32_t*>(m_Capture.m_pcPix), kThumbnailWidth,
                  kThumbnailHeight);
    ctx.comment.clear();
  } else {
    if (m_bHasThird) CopyPixelRect(m_ThirdView, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
    ok = LoadGame(ctx, slot, 0);
    if (ok == 1 && slot == kQuickSlot) m_nResult = 101;
  }
  if (ok == 1 && slot != kQuickSlot) m_nResult = slot + 1;
  return ok;
}
