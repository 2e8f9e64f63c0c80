#include "screens/h_mode.h"

#include <algorithm>
#include <cstdio>

#include "engine/script_engine.h"
#include "engine/value_node.h"
#include "framework/arc.h"
#include "framework/byte_io.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/blit.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/wait_input.h"
#include "screens/cg_mode.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

// The replay gallery's controls are the CG gallery's, with a caption place
// after them.
const std::array<LayoutButton, kHItems> HModeLayout = [] {
  std::array<LayoutButton, kHItems> t{};
  std::copy(CGButtonLayout, CGButtonLayout + kCGControls, t.begin());
  t[kCGControls] = LayoutButton{64, 98, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  return t;
}();

namespace {

constexpr std::uint32_t kFadeStepMs = 15;
constexpr int kScreenW = 1024;
constexpr int kScreenH = 600;
constexpr std::size_t kListMaxBytes = 1u << 20;

std::string ListName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "hmlist%02d.dat", n);
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

CSoundSystem* SoundDevice() {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->IsSoundAvailable() ? snd : nullptr;
}

}  // namespace

bool ParseHList(const std::vector<std::uint8_t>& file, std::vector<HListRecord>* records) {
  records->clear();
  if (file.size() < 4) return false;
  const std::size_t claimed = file[file.size() - 4];
  // The count is the file's word; the records are only what it holds.
  const std::size_t n = std::min(claimed, (file.size() - 4) / kHListRecordSize);
  records->resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* r = file.data() + i * kHListRecordSize;
    const std::uint8_t* nul = std::find(r, r + 32, std::uint8_t{0});
    HListRecord& rec = (*records)[i];
    rec.name.assign(reinterpret_cast<const char*>(r), static_cast<std::size_t>(nul - r));
    rec.seen = 0;
    rec.scene = static_cast<std::int32_t>(byteio::GetLE32(r + 44));
  }
  return true;
}

void SetFadeBgmVolume(int level, std::int32_t bgmVolume) {
  CSoundSystem* snd = SoundDevice();
  if (level >= 255) {
    SoundRequests().bgmMemo.clear();
    if (GetSoundSystem()) GetSoundSystem()->m_nBgmMode.store(0);
    if (snd) snd->HaltChannel(kBgmChannel);
    return;
  }
  const int v = std::clamp<int>(bgmVolume, 0, 100);
  const int attenuation = std::min(100, v + (100 - v) * std::max(level, 0) / 255);
  if (snd) snd->SetChannelVolume(attenuation, kBgmChannel);
}

CHMode::CHMode() { std::copy(HModeLayout.begin(), HModeLayout.end(), m_Buttons); }

// ------------------------------------------------------------ run

int CHMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
                const ScreenDescriptor* third, CKeyManager* keys, const ValueList* globals) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_pGlobals = globals;
  m_nResult = -1;
  CountCategories();
  if (!LoadSceneList()) return -1;
  if (!MakeScreenView(m_ScreenView, m_Screen) || !MakeScreenView(m_SavedView, saved)) return -1;
  // The step needs a whole screen's picture; a smaller one is passed over.
  const bool haveThird = third && MakeScreenView(m_ThirdView, *third) && m_ThirdView.Width() >= kScreenW &&
                         m_ThirdView.Height() >= kScreenH;
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
      {&m_PagePicture, 576, 339, "CGボタン Surface の作成に失敗しました。"},
      {&m_Unseen, 192, 113, "CGボタン（非選択）Surface の作成に失敗しました。"},
      {&m_Work, kScreenW, kScreenH, "Backup Surface の作成に失敗しました。"},
      {&m_Album, kScreenW, kScreenH, "Album Surface の作成に失敗しました。"},
  };
  auto destroyAll = [&] {
    for (const Surface& s : surfaces) s.buffer->Destroy();
  };
  for (const Surface& s : surfaces) {
    if (s.buffer->Create(1, s.w, s.h, mmx) != CBuffer::kCreateOk) {
      destroyAll();
      m_Records.clear();
      Box(s.failure);
      return -1;
    }
  }
  std::int32_t keptScreenWord = 0;
  if (m_pScreenWord) {
    keptScreenWord = *m_pScreenWord;
    *m_pScreenWord = 0;
  }
  m_Font.Select(16, 400);
  if (haveThird) CopyPixelRect(m_ScreenView, m_ThirdView, 0, 0, kScreenW, kScreenH, 0, 0);
  m_nResult = 0;
  RedrawAll();
  Execute();
  if (CSoundSystem* snd = SoundDevice(); snd && snd->Channel(kVoiceChannel).m_szName[0]) {
    snd->Channel(kVoiceChannel).m_bFinished.store(1);
    snd->HaltChannel(kVoiceChannel);
  }
  m_Font.Restore();
  destroyAll();
  m_Records.clear();
  // The replay starts from an empty page and backlog.
  if (m_pText) {
    m_pText->ClearBacklog();
    m_pText->ClearPageText();
  }
  if (m_pTables) {
    if (CTextWindow* w = m_pTables->CurrentWindow()) w->HomeText();
  }
  if (!CheckKey(KEY_CTRL)) Scene().m_nRunMode = RUN_NORMAL;
  if (m_pScreenWord) *m_pScreenWord = keptScreenWord;
  if (!m_bStarted) m_nPage = -1;
  return m_nResult;
}

// ------------------------------------------------------------ lists

void CHMode::CountCategories() {
  if (m_nPage == -1) m_nCategory = 0;
  m_nCategoryCount = 0;
  for (int n = 0; n < 10; ++n) {
    const std::string name = ListName(n);
    if (pl::FileExists("K:\\" + name) || (m_pScriptArc && m_pScriptArc->GetSize(name) != -1)) ++m_nCategoryCount;
  }
}

int CHMode::LoadSceneList() {
  m_Records.clear();
  m_nScenes = 0;
  const std::string name = ListName(m_nCategory);
  std::vector<std::uint8_t> data;
  bool readOk = false;
  if (!ReadLooseFile(name, &data, &readOk)) {
    const std::int64_t size = m_pScriptArc ? m_pScriptArc->GetSize(name) : -1;
    if (size < 0) {
      Box("hmlist.datのファイルデータ取得に失敗しました。");
      return 0;
    }
    if (static_cast<std::uint64_t>(size) > kListMaxBytes) {
      Box("m_pHmListDataのメモリ取得に失敗しました。");
      return 0;
    }
    data.resize(static_cast<std::size_t>(size));
    readOk = m_pScriptArc->Read(name, data.data(), data.size()) == size;
  }
  // A list that cannot be read whole, or too short for its count, is as
  // good as none.
  if (!readOk || !ParseHList(data, &m_Records)) {
    m_Records.clear();
    Box("hmlist.datのファイルデータ取得に失敗しました。");
    return 0;
  }
  m_nScenes = static_cast<int>(m_Records.size());
  return 1;
}

void CHMode::UpdateButtonStates() {
  for (std::int32_t& s : m_bItemSeen) s = 0;
  for (int i = 0; i <= kHReturn; ++i) {
    bool on = false;
    if (i < kHFirstPage) on = i < m_nCategoryCount;
    else if (i < kHReturn) on = i - kHFirstPage < m_nPageCount;
    else on = true;
    m_Buttons[i].user0 = on ? 1 : 0;
  }
  for (int i = kHFirstThumb; i < kHFirstThumb + 9; ++i) m_Buttons[i].user0 = 0;
  const int first = 9 * m_nPage;
  const int end = std::min(first + 9, m_nScenes);
  for (int s = std::max(first, 0); s < end; ++s) {
    const int k = s - first;
    m_Buttons[kHFirstThumb + k].user0 = 1;
    HListRecord& r = m_Records[static_cast<std::size_t>(s)];
    r.seen = 0;
    if (m_pGlobals && m_pGlobals->FindNoCase(r.name)) {
      r.seen = 1;
      m_bItemSeen[k] = 1;
    }
  }
}

// ------------------------------------------------------------ the page

bool CHMode::LoadPicture(bool background) {
  char name[32];
  if (background) std::snprintf(name, sizeof name, "hm_bk%01d.bmp", m_nCategory);
  else std::snprintf(name, sizeof name, "hm%01d%02d.bmp", m_nCategory, m_nPage);
  if (LoadBitmapToBuffer(name, m_pGraphicsArc, background ? m_Background : m_PagePicture)) return true;
  m_nResult = -1;
  m_bLoop = 0;
  return false;
}

void CHMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  if (m_nPage == -1) m_nPage = 0;
  m_bStarted = 0;
  m_nHovered = m_nPrevHovered = kNoItem;
  if (LoadSceneList()) m_nPageCount = (m_nScenes + 8) / 9;
  // A list that shrank since the page was kept.
  if (m_nPage >= m_nPageCount) m_nPage = std::max(m_nPageCount - 1, 0);
  UpdateButtonStates();
  if (!LoadPicture(true)) return;
  if (!LoadAbmToBuffer("hm_cp.abm", m_pGraphicsArc, m_Chips) || !LoadPicture(false) ||
      !LoadAbmToBuffer("hm_no.abm", m_pGraphicsArc, m_Unseen)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  DrawPageToWork();
}

bool CHMode::Hoverable(int i) const {
  if (i < kHFirstPage) return m_nCategoryCount >= 2 && i < m_nCategoryCount;
  if (i < kHReturn) return m_nPageCount >= 2 && i < kHFirstPage + m_nPageCount;
  if (i == kHReturn) return true;
  if (i < kHFirstThumb + 9) return SceneExists(i - kHFirstThumb);
  return false;
}

bool CHMode::HitTest() {
  const pl::Point pt = LogicalCursor();
  m_nHovered = kNoItem;
  for (int i = 0; i < kHFirstThumb + 9; ++i) {
    if (Hoverable(i) && LayoutContains(m_Buttons[i], pt)) {
      m_nHovered = i;
      break;
    }
  }
  return m_nHovered != m_nPrevHovered;
}

void CHMode::Update() {
  if (!HitTest()) return;
  DrawButton(m_nPrevHovered, false);
  DrawButton(m_nHovered, false);
  m_nPrevHovered = m_nHovered;
  RedrawAll();
}

void CHMode::DrawRecord(int item, bool pressed) {
  const LayoutButton& b = m_Buttons[item];
  const int cx = pressed ? b.pressedX : item == m_nHovered ? b.hoverX : b.normalX;
  const int cy = pressed ? b.pressedY : item == m_nHovered ? b.hoverY : b.normalY;
  DrawLayoutLook(b, cx, cy, m_Background, m_Chips, m_ScreenView);
}

void CHMode::DrawButtonTo(int item, bool pressed, CBuffer& target) {
  if (item < 0 || item >= kHFirstThumb + 9) return;
  const LayoutButton& b = m_Buttons[item];
  if (item >= kHFirstThumb) {
    CopyPixelRect(target, m_Background, b.x, b.y, b.w, b.h, b.x, b.y);
    const int k = item - kHFirstThumb;
    if (!SceneExists(k)) return;
    const bool hover = item == m_nHovered;
    const std::uint32_t mode = hover && pressed ? 0u : hover ? 0x40000000u : 0x80000000u;
    if (m_bItemSeen[k]) TintBlt32(mode, b.w, b.h, target, b.x, b.y, m_PagePicture, b.normalX, b.normalY, 0);
    else TintBlt32(mode, b.w, b.h, target, b.x, b.y, m_Unseen, 0, 0, 1);
    return;
  }
  auto record = [&] {
    const int cx = pressed ? b.pressedX : item == m_nHovered ? b.hoverX : b.normalX;
    const int cy = pressed ? b.pressedY : item == m_nHovered ? b.hoverY : b.normalY;
    DrawLayoutLook(b, cx, cy, m_Background, m_Chips, target);
  };
  if (item == kHReturn) {
    record();
    return;
  }
  if (!Hoverable(item)) return;
  record();
  const bool current = item < kHFirstPage ? item == m_nCategory : item - kHFirstPage == m_nPage;
  if (current) DrawLayoutButton(b, m_Background, m_Chips, target);
}

void CHMode::DrawButton(int item, bool pressed) { DrawButtonTo(item, pressed, m_ScreenView); }

void CHMode::DrawAllButtons() {
  for (int i = 0; i < kHFirstThumb + 9; ++i) DrawButton(i, false);
}

void CHMode::ComposePage(CBuffer& target) {
  CopyPixelRect(target, m_Background, 0, 0, kScreenW, kScreenH, 0, 0);
  for (int i = 0; i < kHFirstThumb + 9; ++i) DrawButtonTo(i, false, target);
}

void CHMode::DrawPage() {
  ComposePage(m_ScreenView);
  RedrawAll();
}

bool CHMode::Fade(const CBuffer& source, int first, int step, bool withMusic) {
  if (m_bNoEffect) return true;
  for (int i = 0, a = first; i < 7; ++i, a += step) {
    const std::uint32_t start = pl::TickMs();
    if (!PumpAndPace()) return false;
    MultiplyBlt32(m_ScreenView, source, 0, 0, kScreenW, kScreenH, 0, 0, a);
    if (withMusic) SetFadeBgmVolume(31 + 32 * i, m_nBgmVolume);
    RedrawAll();
    while (pl::TickMs() - start < kFadeStepMs) {
      if (!PumpAndPace()) return false;
    }
    if (CheckKey(KEY_CTRL)) return true;
  }
  return true;
}

void CHMode::DrawPageToWork() {
  ComposePage(m_Work);
  if (!Fade(m_Work, 32, 32, false)) return;
  CopyPixelRect(m_ScreenView, m_Work, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
}

void CHMode::FadeOut(bool withMusic) {
  CopyPixelRect(m_Work, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  Fade(m_Work, 224, -32, withMusic);
  FillRect32(m_ScreenView, 0, 0, kScreenW, kScreenH, 0);
  RedrawAll();
  if (!withMusic) return;
  SetFadeBgmVolume(255, m_nBgmVolume);
  // The replay starts without music of its own: the switch on the settings
  // screen must not bring the gallery's music back.
  if (m_pScript) {
    if (ValueNode* v = m_pScript->m_Root.m_Vars.Find("bgm"); v && v->type == VT_TEXT) v->SetText("");
  }
}

// ------------------------------------------------------------ decide and cancel

void CHMode::SetResult(std::int32_t value) {
  if (m_pScript) {
    if (ValueNode* reg = m_pScript->Reg()) reg->SetInt(value);
    return;
  }
  SetResultValue(value);
}

void CHMode::OnDecide() {
  const int h = m_nHovered;
  const bool currentTab = h < kHFirstPage && h == m_nCategory;
  if (h != kNoItem && !currentTab) {
    DrawButton(h, true);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
  }
  if (h < kHFirstPage) {
    if (!currentTab) {
      m_nCategory = h;
      if (LoadSceneList()) {
        m_nPage = 0;
        m_nPageCount = (m_nScenes + 8) / 9;
      } else {
        m_nPage = 0;
        m_nPageCount = 0;
      }
      UpdateButtonStates();
      if (!LoadPicture(true) || !LoadPicture(false)) return;
      DrawPage();
    }
  } else if (h < kHReturn) {
    m_nPage = h - kHFirstPage;
    UpdateButtonStates();
    if (!LoadPicture(false)) return;
    DrawAllButtons();
  } else if (h == kHReturn) {
    SetResult(-1);
    FadeOut(false);
    m_bLoop = 0;
  } else if (h < kHFirstThumb + 9) {
    StartReplay();
  }
  RedrawAll();
  while (CheckKey(KEY_ENTER) && PumpAndPace()) {
  }
}

void CHMode::StartReplay() {
  const int s = 9 * m_nPage + m_nHovered - kHFirstThumb;
  if (s < 0 || s >= m_nScenes || m_Records[static_cast<std::size_t>(s)].seen != 1) {
    DrawAllButtons();
    return;
  }
  SetResult(m_Records[static_cast<std::size_t>(s)].scene);
  FadeOut(true);
  m_bLoop = 0;
  m_bStarted = 1;
}

void CHMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  SetResult(-1);
  FadeOut(false);
  m_bLoop = 0;
  WaitKeyRelease(*this, KEY_SPACE);
}

// ------------------------------------------------------------ cursor keys

int CHMode::FirstEnabledThumbUp() const {
  for (int t : {27, 24, 21}) {
    if (m_Buttons[t].user0 == 1) return t;
  }
  return kNoItem;
}

int CHMode::TargetUp() const {
  const int h = m_nHovered;
  if (h == kNoItem) return kHFirstThumb;
  if (h < kHFirstPage) return h == 0 ? kNoItem : h - 1;
  if (h < kHReturn) return FirstEnabledThumbUp();
  if (h == kHReturn) return m_nPageCount >= 2 ? kHFirstPage + m_nPage : FirstEnabledThumbUp();
  if (h < kHFirstThumb + 3) return kNoItem;
  return h - 3;
}

int CHMode::TargetDown() const {
  const int h = m_nHovered;
  if (h == kNoItem) return kHFirstThumb;
  if (h < kHFirstPage) return h + 1 >= m_nCategoryCount ? kNoItem : h + 1;
  if (h < kHReturn) return kHReturn;
  if (h == kHReturn) return kNoItem;
  if (h < kHFirstThumb + 6 && m_Buttons[h + 3].user0 == 1) return h + 3;
  return CurrentPageItem();
}

int CHMode::TargetLeft() const {
  const int h = m_nHovered;
  if (h == kNoItem) return kHFirstThumb;
  if (h < kHFirstPage) return kNoItem;
  if (h < kHReturn) return h == kHFirstPage ? kNoItem : h - 1;
  if (h == kHReturn) return kNoItem;
  return (h - kHFirstThumb) % 3 == 0 ? m_nCategory : h - 1;
}

int CHMode::TargetRight() const {
  const int h = m_nHovered;
  if (h == kNoItem) return kHFirstThumb;
  if (h < kHFirstPage) return kHFirstThumb;
  if (h < kHReturn) return h - kHFirstPage + 1 >= m_nPageCount ? kNoItem : h + 1;
  if (h == kHReturn) return kNoItem;
  return (h - kHFirstThumb) % 3 == 2 ? kNoItem : h + 1;
}

void CHMode::CursorKey(std::uint32_t bit, int target) {
  WaitKeyRelease(*this, bit);
  if (target >= 0 && target < kHFirstThumb + 9 && m_Buttons[target].user0 == 1) {
    SetLogicalCursorPos(LayoutCenter(m_Buttons[target]));
  }
  WaitKeyRelease(*this, bit);
}

void CHMode::OnUp() { CursorKey(KEY_UP, TargetUp()); }
void CHMode::OnDown() { CursorKey(KEY_DOWN, TargetDown()); }
void CHMode::OnLeft() { CursorKey(KEY_LEFT, TargetLeft()); }
void CHMode::OnRight() { CursorKey(KEY_RIGHT, TargetRight()); }
