#include "screens/cg_mode.h"

#include <algorithm>
#include <cstdio>

#include "engine/value_node.h"
#include "framework/arc.h"
#include "framework/byte_io.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/anti_font.h"
#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "graphics/virtual_screen.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "sound/sound_system.h"

// clang-format off
const LayoutButton CGButtonLayout[kCGControls] = {
    {0, 70, 188, 88, 0, 0, 188, 0, 376, 0, 0, 0, 0, 0},
    {0, 164, 188, 88, 0, 88, 188, 88, 376, 88, 0, 0, 0, 0},
    {0, 257, 188, 88, 0, 176, 188, 176, 376, 176, 0, 0, 0, 0},
    {0, 351, 188, 88, 0, 264, 188, 264, 376, 264, 0, 0, 0, 0},
    {0, 445, 188, 88, 0, 352, 188, 352, 376, 352, 0, 0, 0, 0},
    {0, 365, 184, 48, 0, 240, 184, 240, 368, 240, 0, 0, 0, 0},
    {6, 423, 184, 48, 0, 288, 184, 288, 368, 288, 0, 0, 0, 0},
    {577, 465, 72, 104, 504, 0, 504, 104, 504, 208, 392, 144, 0, 0},
    {655, 465, 72, 104, 576, 0, 576, 104, 576, 208, 448, 144, 0, 0},
    {733, 465, 72, 104, 648, 0, 648, 104, 648, 208, 504, 144, 0, 0},
    {459, 500, 40, 32, 0, 440, 0, 472, 0, 504, 0, 504, 0, 0},
    {499, 500, 40, 32, 40, 440, 40, 472, 40, 504, 40, 504, 0, 0},
    {539, 500, 40, 32, 80, 440, 80, 472, 80, 504, 80, 504, 0, 0},
    {579, 500, 40, 32, 120, 440, 120, 472, 120, 504, 120, 504, 0, 0},
    {580, 500, 40, 32, 192, 320, 192, 368, 192, 416, 192, 416, 0, 0},
    {821, 500, 40, 32, 448, 320, 448, 392, 448, 448, 280, 448, 0, 0},
    {885, 500, 40, 32, 512, 320, 512, 392, 512, 448, 336, 448, 0, 0},
    {949, 500, 40, 32, 576, 320, 576, 392, 576, 448, 392, 448, 0, 0},
    {1013, 500, 40, 32, 640, 320, 640, 392, 640, 448, 448, 448, 0, 0},
    {1077, 500, 40, 32, 704, 320, 704, 392, 704, 448, 504, 448, 0, 0},
    {458, 548, 152, 48, 160, 440, 160, 488, 160, 536, 160, 536, 0, 0},
    {213, 79, 192, 113, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {415, 79, 192, 113, 192, 0, 192, 0, 192, 0, 192, 0, 0, 0},
    {617, 79, 192, 113, 384, 0, 384, 0, 384, 0, 384, 0, 0, 0},
    {213, 212, 192, 113, 0, 113, 0, 113, 0, 113, 0, 113, 0, 0},
    {415, 212, 192, 113, 192, 113, 192, 113, 192, 113, 192, 113, 0, 0},
    {617, 212, 192, 113, 384, 113, 384, 113, 384, 113, 384, 113, 0, 0},
    {213, 345, 192, 113, 0, 226, 0, 226, 0, 226, 0, 226, 0, 0},
    {415, 345, 192, 113, 192, 226, 192, 226, 192, 226, 192, 226, 0, 0},
    {617, 345, 192, 113, 384, 226, 384, 226, 384, 226, 384, 226, 0, 0},
};

const CGScrollKind CGScrollKinds[82] = {
    {1, 1},  {2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1},  {7, 1},  {8, 1},  {10, 1}, {12, 1}, {13, 1},
    {14, 1}, {15, 1}, {16, 1}, {17, 1}, {18, 1}, {19, 1}, {20, 1}, {21, 1}, {22, 1}, {23, 1}, {25, 1},
    {26, 1}, {27, 1}, {28, 1}, {29, 1}, {30, 1}, {31, 1}, {32, 1}, {34, 1}, {35, 1}, {36, 1}, {87, 1},
    {37, 1}, {38, 1}, {39, 1}, {40, 1}, {41, 1}, {42, 1}, {43, 1}, {44, 1}, {45, 1}, {46, 1}, {47, 1},
    {48, 1}, {49, 1}, {50, 1}, {51, 1}, {52, 1}, {53, 1}, {54, 1}, {55, 1}, {56, 1}, {57, 1}, {58, 1},
    {59, 1}, {60, 1}, {61, 1}, {62, 1}, {63, 1}, {64, 1}, {65, 1}, {67, 1}, {68, 1}, {69, 1}, {70, 1},
    {71, 1}, {72, 1}, {73, 1}, {74, 1}, {75, 1}, {76, 1}, {78, 1}, {79, 1}, {80, 1}, {81, 1}, {82, 1},
    {24, 1}, {83, 1}, {84, 1}, {85, 1}, {86, 1},
};
// clang-format on

namespace {

constexpr std::uint32_t kFadeStepMs = 15;
constexpr int kScrollStep = 4;
// Largest list file taken: far more records than any gallery has.
constexpr std::size_t kListMaxBytes = 16u << 20;
constexpr int kScreenW = 1024;
constexpr int kScreenH = 600;

std::string ListName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "cglist%02d.dat", n);
  return name;
}

std::string BackgroundName(int category) {
  char name[32];
  std::snprintf(name, sizeof name, "cgm_bk%01d.bmp", category);
  return name;
}

std::string SheetName(int category, int page) {
  char name[32];
  std::snprintf(name, sizeof name, "cgm%01d%02d.bmp", category, page);
  return name;
}

// `text` is UTF-8.
void Box(const char* text) {
  pl::MessageBox(GetMainWindowHandle(), pl::Utf8ToCp932(text), SJ("メッセージ"), pl::MB_OK);
}

// A loose file of the program folder, read whole; false when it does not
// open (a file that opens but cannot be read gives true and no bytes).
bool ReadLooseFile(const std::string& name, std::vector<std::uint8_t>* out, bool* readOk) {
  pl::File f;
  if (!f.OpenRead("K:\\" + name)) return false;
  const std::int64_t size = f.Size();
  *readOk = false;
  if (size < 0 || static_cast<std::uint64_t>(size) > kListMaxBytes) return true;
  out->resize(static_cast<std::size_t>(size));
  *readOk = f.ReadExactAt(0, out->data(), out->size());
  return true;
}

}  // namespace

bool ParseCGList(const std::vector<std::uint8_t>& file, std::vector<CGListRecord>* records, int* groups) {
  records->clear();
  *groups = 0;
  if (file.size() < 8) return false;
  const std::uint8_t* end = file.data() + file.size();
  const std::int32_t claimedRecords = static_cast<std::int32_t>(byteio::GetLE32(end - 8));
  const std::int32_t claimedGroups = static_cast<std::int32_t>(byteio::GetLE32(end - 4));
  // The counts are the file's word; the records are only what it holds.
  const std::size_t whole = (file.size() - 8) / kCGListRecordSize;
  const std::size_t n = claimedRecords <= 0 ? 0 : std::min<std::size_t>(whole, static_cast<std::size_t>(claimedRecords));
  records->resize(n);
  int runs = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* r = file.data() + i * kCGListRecordSize;
    CGListRecord& rec = (*records)[i];
    const std::uint8_t* nul = std::find(r, r + 32, std::uint8_t{0});
    rec.name.assign(reinterpret_cast<const char*>(r), static_cast<std::size_t>(nul - r));
    rec.seen = 0;
    rec.group = static_cast<std::int32_t>(byteio::GetLE32(r + 36));
    rec.word40 = static_cast<std::int32_t>(byteio::GetLE32(r + 40));
    rec.word44 = static_cast<std::int32_t>(byteio::GetLE32(r + 44));
    if (i == 0 || rec.group != (*records)[i - 1].group) ++runs;
  }
  *groups = std::clamp(claimedGroups, 0, runs);
  return true;
}

CCGMode::CCGMode() { std::copy(CGButtonLayout, CGButtonLayout + kCGControls, m_Buttons); }

// ------------------------------------------------------------ run

int CCGMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen,
                 const ScreenDescriptor& saved, const ScreenDescriptor& backdrop, CKeyManager* keys,
                 const ValueList* globals) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_pGlobals = globals;
  m_nResult = -1;
  m_nCategory = 0;
  CountCGLists();
  if (!LoadCGList()) return -1;
  if (!MakeScreenView(m_ScreenView, m_Screen) || !MakeScreenView(m_SavedView, saved) ||
      !MakeScreenView(m_BackdropView, backdrop)) {
    return -1;
  }
  CopyPixelRect(m_SavedView, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  int* mmx = GetMmxFlag();
  struct Surface {
    CBuffer* buffer;
    int w, h;
    const char* failure;
  };
  const Surface surfaces[] = {
      {&m_Background, kScreenW, kScreenH, "Back Surface の作成に失敗しました。"},
      {&m_Chips, 564, 584, "Chip Surface の作成に失敗しました。"},
      {&m_Sheet, 576, 339, "CGボタン Surface の作成に失敗しました。"},
      {&m_NoThumb, 192, 113, "CGボタン（非選択）Surface の作成に失敗しました。"},
      {&m_PageWork, kScreenW, kScreenH, "Backup Surface の作成に失敗しました。"},
      {&m_ViewFade, kScreenW, kScreenH, "Album Backup Surface の作成に失敗しました。"},
  };
  auto destroyAll = [&] {
    for (const Surface& s : surfaces) s.buffer->Destroy();
    m_Picture.Destroy();
  };
  for (const Surface& s : surfaces) {
    if (s.buffer->Create(1, s.w, s.h, mmx) != CBuffer::kCreateOk) {
      destroyAll();
      Box(s.failure);
      return -1;
    }
  }
  const CAntiFont& font = GetAntiFont();
  m_Font.Select(16, font.HasFont() ? font.GetLogFont().lfWeight : 400);
  CopyPixelRect(m_ScreenView, m_BackdropView, 0, 0, kScreenW, kScreenH, 0, 0);
  m_nResult = 0;
  RedrawAll();
  Execute();
  if (CSoundSystem* snd = GetSoundSystem(); snd && snd->IsSoundAvailable() && snd->Channel(kVoiceChannel).m_szName[0]) {
    snd->Channel(kVoiceChannel).m_bFinished.store(1);
    snd->HaltChannel(kVoiceChannel);
  }
  m_Font.Restore();
  destroyAll();
  m_Records.clear();
  const int result = m_nResult;
  CopyPixelRect(m_ScreenView, m_BackdropView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (result != -1) RedrawAll();
  return result;
}

// ------------------------------------------------------------ lists

void CCGMode::CountCGLists() {
  m_nCategoryCount = 0;
  for (int n = 0; n < 10; ++n) {
    const std::string name = ListName(n);
    if (pl::FileExists("K:\\" + name) || (m_pScriptArc && m_pScriptArc->GetSize(name) != -1)) ++m_nCategoryCount;
  }
}

int CCGMode::LoadCGList() {
  m_Records.clear();
  m_nGroups = 0;
  const std::string name = ListName(m_nCategory);
  std::vector<std::uint8_t> data;
  bool readOk = false;
  if (!ReadLooseFile(name, &data, &readOk)) {
    const std::int64_t size = m_pScriptArc ? m_pScriptArc->GetSize(name) : -1;
    if (size < 0) {
      Box("cglist.datのファイルデータ取得に失敗しました。");
      return 0;
    }
    if (static_cast<std::uint64_t>(size) > kListMaxBytes) {
      Box("m_pCGListDataのメモリ取得に失敗しました。");
      return 0;
    }
    data.resize(static_cast<std::size_t>(size));
    readOk = m_pScriptArc->Read(name, data.data(), data.size()) == size;
  }
  // A list that cannot be read whole, or too short for its counts, is as
  // good as none.
  if (!readOk || !ParseCGList(data, &m_Records, &m_nGroups)) {
    m_Records.clear();
    Box("cglist.datのファイルデータ取得に失敗しました。");
    return 0;
  }
  return 1;
}

int CCGMode::ReloadList() {
  const int ok = LoadCGList();
  m_nPage = 0;
  m_nPageCount = m_nGroups / 9 + (m_nGroups % 9 ? 1 : 0);
  return ok;
}

int CCGMode::FindGroup(int k) const {
  int group = -1;
  for (std::size_t i = 0; i < m_Records.size(); ++i) {
    if (i == 0 || m_Records[i].group != m_Records[i - 1].group) {
      if (++group == k) return static_cast<int>(i);
    }
  }
  return static_cast<int>(m_Records.size());
}

void CCGMode::SetupPage() {
  for (int i = 0; i < kCGControls; ++i) {
    bool on = false;
    if (i < kCGFirstPage) on = i < m_nCategoryCount;
    else if (i < kCGReturn) on = i - kCGFirstPage < m_nPageCount;
    else on = i == kCGReturn;
    m_Buttons[i].user0 = on ? 1 : 0;
  }
  for (int s = 0; s < 9; ++s) {
    m_bSlotUnlocked[s] = m_nSlotSeen[s] = m_nSlotCount[s] = 0;
    if (!SlotInUse(s)) continue;
    const std::size_t first = static_cast<std::size_t>(FindGroup(m_nPage * 9 + s));
    for (std::size_t i = first; i < m_Records.size() && m_Records[i].group == m_Records[first].group; ++i) {
      CGListRecord& r = m_Records[i];
      r.seen = 0;
      if (m_pGlobals && m_pGlobals->FindNoCase(r.name)) {
        r.seen = 1;
        ++m_nSlotSeen[s];
        m_bSlotUnlocked[s] = 1;
      }
      ++m_nSlotCount[s];
    }
    m_Buttons[kCGFirstSlot + s].user0 = 1;
  }
}

// ------------------------------------------------------------ page

bool CCGMode::Hoverable(int i) const {
  if (i < kCGFirstPage) return m_nCategoryCount >= 2 && i < m_nCategoryCount;
  if (i < kCGReturn) return m_nPageCount >= 2 && i < kCGFirstPage + m_nPageCount;
  if (i == kCGReturn) return true;
  return SlotInUse(i - kCGFirstSlot);
}

bool CCGMode::HitTest() {
  const pl::Point pt = LogicalCursor();
  m_nHovered = kNoItem;
  for (int i = 0; i < kCGControls; ++i) {
    if (Hoverable(i) && LayoutContains(m_Buttons[i], pt)) {
      m_nHovered = i;
      break;
    }
  }
  return m_nHovered != m_nPrevHovered;
}

void CCGMode::Update() {
  if (!HitTest()) return;
  if (m_nPrevHovered != kNoItem) DrawControl(m_nPrevHovered, 0);
  if (m_nHovered != kNoItem) DrawControl(m_nHovered, 1);
  m_nPrevHovered = m_nHovered;
  RedrawAll();
}

void CCGMode::DrawButton(int i, int look, CBuffer& target) {
  const LayoutButton& b = m_Buttons[i];
  const int cx = look == 2 ? b.pressedX : look == 1 ? b.hoverX : b.normalX;
  const int cy = look == 2 ? b.pressedY : look == 1 ? b.hoverY : b.normalY;
  DrawLayoutLook(b, cx, cy, m_Background, m_Chips, target);
}

void CCGMode::DrawControl(int i, int look, CBuffer& target) {
  if (i < 0 || i >= kCGControls) return;
  const LayoutButton& b = m_Buttons[i];
  if (i >= kCGFirstSlot) {
    CopyPixelRect(target, m_Background, b.x, b.y, b.w, b.h, b.x, b.y);
    const int slot = i - kCGFirstSlot;
    if (!SlotInUse(slot)) return;
    const std::uint32_t tint = look == 2 ? 0u : look == 1 ? 64u << 24 : 128u << 24;
    if (m_bSlotUnlocked[slot]) {
      TintBlt32(tint, b.w, b.h, target, b.x, b.y, m_Sheet, b.normalX, b.normalY, 0);
      DrawSeenCount(slot, target);
    } else {
      TintBlt32(tint, b.w, b.h, target, b.x, b.y, m_NoThumb, 0, 0, 1);
    }
    return;
  }
  if (i == kCGReturn) {
    DrawButton(i, look, target);
    return;
  }
  if (!Hoverable(i)) return;
  const bool current = i < kCGFirstPage ? i == m_nCategory : i - kCGFirstPage == m_nPage;
  if (current) {
    DrawLayoutButton(b, m_Background, m_Chips, target);
  } else {
    DrawButton(i, look, target);
  }
}

void CCGMode::DrawAllControls(CBuffer& target) {
  for (int i = 0; i < kCGControls; ++i) DrawControl(i, i == m_nHovered ? 1 : 0, target);
}

void CCGMode::DrawSeenCount(int slot, CBuffer& target) {
  const LayoutButton& b = m_Buttons[kCGFirstSlot + slot];
  char text[32];
  const int len = std::snprintf(text, sizeof text, "%d/%d", m_nSlotSeen[slot], m_nSlotCount[slot]);
  GetAntiFont().DrawString(b.x + b.w - 4 - 9 * len, text, target, 0xFFFFFF, b.y + 2, len);
}

void CCGMode::DrawPage() {
  CopyPixelRect(m_ScreenView, m_Background, 0, 0, kScreenW, kScreenH, 0, 0);
  DrawAllControls(m_ScreenView);
  RedrawAll();
}

bool CCGMode::Fade(const CBuffer& source, int first, int step, std::uint32_t ms) {
  if (m_bNoEffect) return true;
  for (int i = 0, a = first; i < 7; ++i, a += step) {
    const std::uint32_t start = pl::TickMs();
    if (!PumpAndPace()) return false;
    MultiplyBlt32(m_ScreenView, source, 0, 0, kScreenW, kScreenH, 0, 0, a);
    RedrawAll();
    while (pl::TickMs() - start < ms) {
      if (!PumpAndPace()) return false;
    }
    if (CheckKey(KEY_CTRL)) return true;
  }
  return true;
}

void CCGMode::FadeInPage() {
  CopyPixelRect(m_PageWork, m_Background, 0, 0, kScreenW, kScreenH, 0, 0);
  DrawAllControls(m_PageWork);
  if (!Fade(m_PageWork, 32, 32, kFadeStepMs)) return;
  CopyPixelRect(m_ScreenView, m_PageWork, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
}

void CCGMode::FadeOut() {
  CopyPixelRect(m_PageWork, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (!Fade(m_PageWork, 224, -32, kFadeStepMs)) return;
  FillRect32(m_ScreenView, 0, 0, kScreenW, kScreenH, 0);
  RedrawAll();
}

void CCGMode::FadeInGame() { Fade(m_BackdropView, 32, 32, kFadeStepMs); }

void CCGMode::ViewerFadeOut() {
  CopyPixelRect(m_ViewFade, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (!Fade(m_ViewFade, 224, -32, m_dwStepTime)) return;
  FillRect32(m_ScreenView, 0, 0, kScreenW, kScreenH, 0);
  RedrawAll();
}

bool CCGMode::LoadPagePictures(bool background) {
  if (background && !LoadBitmapToBuffer(BackgroundName(m_nCategory), m_pGraphicsArc, m_Background)) return false;
  return LoadBitmapToBuffer(SheetName(m_nCategory, m_nPage), m_pGraphicsArc, m_Sheet) != 0;
}

void CCGMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  m_nHovered = m_nPrevHovered = kNoItem;
  m_nScrollKind = 0;
  const bool ok = ReloadList() && (SetupPage(), LoadPagePictures(true)) &&
                  LoadAbmToBuffer("cgm_cp.abm", m_pGraphicsArc, m_Chips) &&
                  LoadAbmToBuffer("cgm_no.abm", m_pGraphicsArc, m_NoThumb);
  if (!ok) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  ViewerFadeOut();
  FadeInPage();
}

void CCGMode::OnDecide() {
  const int h = m_nHovered;
  auto pressed = [&] {
    DrawControl(h, 2);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
  };
  auto fail = [&] {
    m_nResult = -1;
    m_bLoop = 0;
  };
  if (h != kNoItem && h < kCGFirstPage) {
    if (h != m_nCategory) {
      pressed();
      m_nCategory = h;
      // A tab whose list is gone cannot be shown: the gallery ends.
      if (!ReloadList()) return fail();
      SetupPage();
      if (!LoadPagePictures(true)) return fail();
      DrawPage();
    }
  } else if (h != kNoItem && h < kCGReturn) {
    pressed();
    m_nPage = h - kCGFirstPage;
    SetupPage();
    if (!LoadPagePictures(false)) return fail();
    DrawAllControls(m_ScreenView);
  } else if (h == kCGReturn) {
    pressed();
    FadeOut();
    FadeInGame();
    m_bLoop = 0;
  } else if (h != kNoItem) {
    pressed();
    DrawControl(h, 1);
    RedrawAll();
    ViewGroup();
  }
  RedrawAll();
  WaitKeyRelease(*this, KEY_ENTER);
}

void CCGMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  FadeOut();
  FadeInGame();
  m_bLoop = 0;
  WaitKeyRelease(*this, KEY_SPACE);
}

// ------------------------------------------------------------ cursor keys

int CCGMode::TargetUp() const {
  const int h = m_nHovered;
  if (h < kCGFirstPage) return h > 0 ? h - 1 : -1;
  auto leftColumn = [&] {
    for (int s : {6, 3, 0}) {
      if (SlotInUse(s)) return kCGFirstSlot + s;
    }
    return -1;
  };
  if (h < kCGReturn) return leftColumn();
  if (h == kCGReturn) return m_nPageCount >= 2 ? kCGFirstPage + m_nPage : leftColumn();
  const int s = h - kCGFirstSlot;
  return s >= 3 ? h - 3 : -1;
}

int CCGMode::TargetDown() const {
  const int h = m_nHovered;
  if (h < kCGFirstPage) return h + 1 < m_nCategoryCount ? h + 1 : -1;
  if (h < kCGReturn) return kCGReturn;
  if (h == kCGReturn) return -1;
  const int s = h - kCGFirstSlot;
  if (s < 6 && SlotInUse(s + 3)) return h + 3;
  return m_nPageCount >= 2 ? kCGFirstPage + m_nPage : kCGReturn;
}

int CCGMode::TargetLeft() const {
  const int h = m_nHovered;
  if (h < kCGFirstPage || h == kCGReturn) return -1;
  if (h < kCGReturn) return h > kCGFirstPage ? h - 1 : -1;
  const int s = h - kCGFirstSlot;
  return s % 3 == 0 ? m_nCategory : h - 1;
}

int CCGMode::TargetRight() const {
  const int h = m_nHovered;
  if (h < kCGFirstPage) return kCGFirstSlot;
  if (h < kCGReturn) return h + 1 < kCGFirstPage + m_nPageCount ? h + 1 : -1;
  if (h == kCGReturn) return -1;
  const int s = h - kCGFirstSlot;
  return s % 3 == 2 ? -1 : h + 1;
}

void CCGMode::MoveTo(int target) {
  // A control the hit test passes over (a lone tab, a lone page button)
  // would take the cursor where nothing can be chosen.
  if (target < 0 || target >= kCGControls || !m_Buttons[target].user0 || !Hoverable(target)) return;
  SetLogicalCursorPos(LayoutCenter(m_Buttons[target]));
}

void CCGMode::CursorKey(std::uint32_t key, int target) {
  WaitKeyRelease(*this, key);
  MoveTo(m_nHovered == kNoItem ? kCGFirstSlot : target);
  WaitKeyRelease(*this, key);
}

void CCGMode::OnUp() { CursorKey(KEY_UP, m_nHovered == kNoItem ? -1 : TargetUp()); }
void CCGMode::OnDown() { CursorKey(KEY_DOWN, m_nHovered == kNoItem ? -1 : TargetDown()); }
void CCGMode::OnLeft() { CursorKey(KEY_LEFT, m_nHovered == kNoItem ? -1 : TargetLeft()); }
void CCGMode::OnRight() { CursorKey(KEY_RIGHT, m_nHovered == kNoItem ? -1 : TargetRight()); }

// ------------------------------------------------------------ viewer

void CCGMode::ViewGroup() {
  CopyPixelRect(m_PageWork, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  RunViewer();
  ViewerLoop();
  CopyPixelRect(m_ScreenView, m_PageWork, 0, 0, kScreenW, kScreenH, 0, 0);
  m_nScrollKind = 0;
  m_Picture.Destroy();
  SetupPage();
  DrawAllControls(m_ScreenView);
  RedrawAll();
}

int CCGMode::GroupNumber() const {
  return static_cast<std::size_t>(m_nViewFirst) < m_Records.size() ? m_Records[m_nViewFirst].group : -1;
}

int CCGMode::LookUpScrollKind() const {
  for (const CGScrollKind& k : CGScrollKinds) {
    if (k.group == GroupNumber()) return k.kind;
  }
  return m_nScrollKind;
}

void CCGMode::RunViewer() {
  m_nViewIndex = 0;
  m_nViewEnd = 0;
  const int slot = m_nHovered - kCGFirstSlot;
  m_nViewFirst = FindGroup(m_nPage * 9 + slot);
  if (!LoadNextSeen()) {
    m_nViewEnd = 2;
    return;
  }
  ViewerFadeOut();
  m_nScrollKind = LookUpScrollKind();
  ShowPicture(nullptr);
  ScrollPicture();
}

int CCGMode::LoadNextSeen() {
  const std::size_t first = static_cast<std::size_t>(m_nViewFirst);
  if (first >= m_Records.size()) return 0;
  const int group = m_Records[first].group;
  std::size_t at = first + static_cast<std::size_t>(m_nViewIndex);
  while (at < m_Records.size() && m_Records[at].group == group && !m_Records[at].seen) ++at;
  if (at >= m_Records.size() || m_Records[at].group != group) return 0;
  m_nViewIndex = static_cast<int>(at - first);
  const std::string& name = m_Records[at].name;
  std::vector<std::uint8_t> file;
  m_bViewAbm = false;
  if (!LoadGraphicData(name + ".bmp", m_pGraphicsArc, &file)) {
    m_bViewAbm = LoadGraphicData(name + ".abm", m_pGraphicsArc, &file);
  }
  // Only the pixels of a stacked or single picture can be shown here.
  if (file.empty() || !m_Picture.Load(ByteSpan(file.data(), file.size())) || m_Picture.m_Buffer.Empty()) {
    m_Picture.Destroy();
    m_nResult = -1;
    m_bLoop = 0;
    return 0;
  }
  m_nAnimStep = 0;
  m_dwLastAnim = pl::TickMs();
  return 1;
}

int CCGMode::FrameHeight() const {
  const int h = m_Picture.m_Buffer.Height();
  if (!m_bViewAbm || m_Picture.m_nFrameCount <= 1) return h;
  return h / m_Picture.m_nFrameCount;
}

void CCGMode::StartWindow(int* x, int* y) const {
  const int maxX = std::max(0, m_Picture.m_Buffer.Width() - kScreenW);
  const int maxY = std::max(0, FrameHeight() - kScreenH);
  *x = m_nScrollKind == 3 ? maxX : 0;
  *y = m_nScrollKind == 1 ? maxY : 0;
}

void CCGMode::EndWindow(int* x, int* y) const {
  const int maxX = std::max(0, m_Picture.m_Buffer.Width() - kScreenW);
  const int maxY = std::max(0, FrameHeight() - kScreenH);
  *x = m_nScrollKind == 2 ? maxX : 0;
  *y = m_nScrollKind == 0 ? maxY : 0;
}

void CCGMode::ComposeWindow(int x, int y, CBuffer& target) const {
  FillRect32(target, 0, 0, kScreenW, kScreenH, 0);
  CopyPixelRect(target, m_Picture.m_Buffer, 0, 0, std::min(kScreenW, m_Picture.m_Buffer.Width()),
                std::min(kScreenH, FrameHeight()), x, y);
}

void CCGMode::ShowPicture(const CBuffer* source) {
  if (!source) {
    StartWindow(&m_nViewX, &m_nViewY);
    ComposeWindow(m_nViewX, m_nViewY, m_ViewFade);
    source = &m_ViewFade;
  }
  if (!m_bNoEffect && m_pBlendTable) {
    for (int a = 32; a <= 224; a += 32) {
      const std::uint32_t start = pl::TickMs();
      if (!PumpAndPace()) return;
      for (int y = 0; y < kScreenH; ++y) {
        LutBlend8(source->Row(y), m_ScreenView.Row(y), m_ScreenView.Row(y), kScreenW * 4, 1, 0, 0, 0, *m_pBlendTable,
                  a);
      }
      RedrawAll();
      while (pl::TickMs() - start < m_dwStepTime) {
        if (!PumpAndPace()) return;
      }
    }
  }
  CopyPixelRect(m_ScreenView, *source, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
}

void CCGMode::ShowNextPicture() {
  if (m_bViewAbm) m_nScrollKind = LookUpScrollKind();
  ShowPicture(nullptr);
}

void CCGMode::DrawFrame(int x, int y) {
  const int fh = FrameHeight();
  int frame = 0, length = 1;
  if (!m_Picture.m_Sequence.empty()) {
    SequenceRecord r;
    FindSequenceRecord(ByteSpan(m_Picture.m_Sequence.data(), m_Picture.m_Sequence.size()), 0, &r);
    length = r.Length();
    frame = r.Frame(m_nAnimStep % length);
  }
  // A sequence may name a frame the picture does not have.
  if (frame >= std::max<int>(1, m_Picture.m_nFrameCount) || !m_bViewAbm) frame = 0;
  const int w = std::min(kScreenW, m_Picture.m_Buffer.Width());
  const int h = std::min(kScreenH, fh);
  AlphaBlendBlit(m_Picture.m_Buffer, m_ScreenView, 0, 0, w, h, x, y + fh * frame, m_Picture.m_Buffer, x, y);
  m_nAnimStep = m_nAnimStep + 1 >= length ? 0 : m_nAnimStep + 1;
}

void CCGMode::ScrollPicture() {
  int ex = 0, ey = 0;
  EndWindow(&ex, &ey);
  auto drawAt = [&](int x, int y) {
    if (m_bViewAbm) {
      DrawFrame(x, y);
    } else {
      CopyPixelRect(m_ScreenView, m_Picture.m_Buffer, 0, 0, std::min(kScreenW, m_Picture.m_Buffer.Width()),
                    std::min(kScreenH, FrameHeight()), x, y);
    }
    RedrawAll();
  };
  if (!m_bNoEffect) {
    while ((m_nViewX != ex || m_nViewY != ey) && !CheckKey(KEY_CTRL)) {
      const std::uint32_t start = pl::TickMs();
      auto toward = [](int v, int end) { return v < end ? std::min(end, v + kScrollStep) : std::max(end, v - kScrollStep); };
      m_nViewX = toward(m_nViewX, ex);
      m_nViewY = toward(m_nViewY, ey);
      drawAt(m_nViewX, m_nViewY);
      while (pl::TickMs() - start < m_dwStepTime) {
        if (!PumpAndPace()) return;
      }
    }
  }
  m_nViewX = ex;
  m_nViewY = ey;
  drawAt(ex, ey);
}

void CCGMode::ViewerTick() {
  const std::uint32_t now = pl::TickMs();
  if (now - m_dwLastAnim < m_dwStepTime) return;
  m_dwLastAnim = now;
  DrawFrame(m_nViewX, m_nViewY);
  RedrawAll();
}

void CCGMode::ViewerLoop() {
  static constexpr std::uint32_t kOrder[] = {KEY_ENTER, KEY_SPACE, KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_CTRL};
  while (m_nViewEnd == 0 && PumpAndPace()) {
    ViewerTick();
    int hit = -1;
    for (int i = 0; i < 7; ++i) {
      if (CheckKey(kOrder[i])) {
        hit = i;
        break;
      }
    }
    if (hit == 0) ViewerNext();
    else if (hit == 1) ViewerCancel();
    if (m_bPresent == 1 && GetDisplayMode() == 1) PresentDirtyRegion();
  }
}

void CCGMode::ViewerNext() {
  RedrawAll();
  WaitKeyRelease(*this, KEY_ENTER);
  ++m_nViewIndex;
  if (LoadNextSeen()) {
    ShowNextPicture();
    ScrollPicture();
    WaitKeyRelease(*this, KEY_ENTER);
    return;
  }
  if (!m_bLoop) {
    m_nViewEnd = 2;
    return;
  }
  ViewerFadeOut();
  ShowPicture(&m_PageWork);
  m_nViewEnd = 2;
}

void CCGMode::ViewerCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  ViewerFadeOut();
  ShowPicture(&m_PageWork);
  m_nViewEnd = 2;
  WaitKeyRelease(*this, KEY_SPACE);
}
