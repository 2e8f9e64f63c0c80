#include "screens/config_mode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/script_engine.h"
#include "engine/value_node.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/sjis.h"
#include "graphics/anti_font.h"
#include "graphics/blit.h"
#include "graphics/font_list.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "sound/movie_player.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "sound/voice_speakers.h"

// clang-format off
#define KV_RADIO(x, y) {x, y, 32, 32, 0, 240, 32, 240, 64, 240, 0, 240, 0, 0}
#define KV_SLIDER(x, y, len) {x, y, 16, 32, 248, 144, 264, 144, 280, 144, len, 0, 0, 1}
#define KV_TOGGLE(x, y) {x, y, 48, 16, 0, 272, 48, 272, 96, 272, 96, 272, 0, 0}
const LayoutButton ConfigControlLayout[kConfigControls] = {
    {83, 547, 152, 48, 0, 0, 0, 48, 0, 96, 0, 96, 0, 0},
    {214, 12, 136, 32, 0, 144, 0, 176, 0, 208, 0, 208, 0, 0},
    {427, 12, 112, 32, 136, 144, 136, 176, 136, 208, 96, 208, 0, 0},
    {437, 547, 152, 48, 152, 0, 152, 48, 152, 96, 152, 80, 0, 0},
    KV_RADIO(414, 81), KV_RADIO(538, 81), KV_RADIO(737, 81),
    KV_RADIO(558, 127), KV_RADIO(665, 127),
    KV_RADIO(558, 176), KV_RADIO(665, 176),
    KV_RADIO(484, 271), KV_RADIO(575, 271), KV_RADIO(665, 271), KV_RADIO(754, 271),
    {502, 319, 16, 32, 248, 144, 264, 144, 280, 144, 314, 0, 0, 1},
    {490, 368, 340, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {453, 366, 32, 32, 248, 176, 280, 176, 312, 176, 312, 176, 0, 0},
    {843, 366, 32, 32, 248, 208, 280, 208, 312, 208, 312, 208, 0, 0},
    KV_RADIO(557, 414), KV_RADIO(682, 414),
    KV_RADIO(558, 462), KV_RADIO(665, 462),
    KV_SLIDER(503, 82, 312), KV_TOGGLE(398, 91),
    KV_SLIDER(503, 128, 312), KV_TOGGLE(398, 139),
    KV_SLIDER(503, 177, 312), KV_TOGGLE(398, 186),
    KV_RADIO(550, 226), KV_RADIO(658, 226),
    KV_RADIO(331, 274), KV_RADIO(406, 274),
    KV_RADIO(802, 274), KV_RADIO(877, 274),
    KV_SLIDER(218, 341, 190), KV_TOGGLE(441, 347),
    KV_SLIDER(689, 341, 190), KV_TOGGLE(912, 347),
    KV_SLIDER(218, 393, 190), KV_TOGGLE(441, 399),
    KV_SLIDER(689, 393, 190), KV_TOGGLE(912, 399),
    KV_SLIDER(218, 447, 190), KV_TOGGLE(441, 449),
    KV_SLIDER(689, 447, 190), KV_TOGGLE(912, 449),
    KV_SLIDER(218, 498, 190), KV_TOGGLE(441, 500),
};
#undef KV_RADIO
#undef KV_SLIDER
#undef KV_TOGGLE
// clang-format on

namespace {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 600;
constexpr int kFontHeight = 24;

struct RadioGroup {
  int first, last;
};
constexpr RadioGroup kRadioGroups[] = {{4, 6},   {7, 8},   {9, 10},  {11, 14}, {19, 20},
                                       {21, 22}, {29, 30}, {31, 32}, {33, 34}};

const RadioGroup* GroupOf(int i) {
  for (const RadioGroup& g : kRadioGroups) {
    if (i >= g.first && i <= g.last) return &g;
  }
  return nullptr;
}

bool IsToggle(int i) {
  if (i == kConfigBgmToggle || i == kConfigVoiceToggle || i == kConfigSeToggle) return true;
  return i >= 36 && i <= 48 && i % 2 == 0;  // the speakers' mute toggles
}

// The member of a group the record's field selects (-1: none).
int SelectedMember(const SettingsRecord& r, int first) {
  auto pick = [first](std::int32_t v, std::int32_t firstValue, int count) {
    // Groups whose first member means 1 list their values downward.
    const std::int32_t k = firstValue == 1 ? 1 - v : v;
    return k >= 0 && k < count ? first + k : -1;
  };
  switch (first) {
    case 4: return pick(r.m_nDisplayMode, 0, 3);
    case 7: return pick(r.m_bNoEffect, 0, 2);
    case 9: return pick(r.m_bKeyOption, 1, 2);
    case 11: return pick(r.m_nTextSpeed, 0, 4);
    case 19: return pick(r.m_bSkipReadOnly, 1, 2);
    case 21: return pick(r.m_bVoiceStop, 1, 2);
    case 29: return pick(r.m_bDuckBgm, 1, 2);
    case 31: return (r.m_nVoiceGroups & 1) ? 31 : 32;
    case 33: return (r.m_nVoiceGroups & 2) ? 33 : 34;
    default: return -1;
  }
}

// The member's value into the working record and the live word.
void WriteMember(SettingsRecord& r, CSettings& live, int member) {
  switch (member) {
    case 4: case 5: case 6: r.m_nDisplayMode = member - 4; break;
    case 7: case 8: live.m_bNoEffect = r.m_bNoEffect = member - 7; break;
    case 9: case 10: live.m_bKeyOption = r.m_bKeyOption = 10 - member; break;
    case 11: case 12: case 13: case 14: live.m_nTextSpeed = r.m_nTextSpeed = member - 11; break;
    case 19: case 20: live.m_bSkipReadOnly = r.m_bSkipReadOnly = 20 - member; break;
    case 21: case 22: live.m_bVoiceStop = r.m_bVoiceStop = 22 - member; break;
    case 29: case 30: live.m_bDuckBgm = r.m_bDuckBgm = 30 - member; break;
    case 31: r.m_nVoiceGroups |= 1; live.m_nVoiceGroups = r.m_nVoiceGroups; break;
    case 32: r.m_nVoiceGroups &= ~1; live.m_nVoiceGroups = r.m_nVoiceGroups; break;
    case 33: r.m_nVoiceGroups |= 2; live.m_nVoiceGroups = r.m_nVoiceGroups; break;
    case 34: r.m_nVoiceGroups &= ~2; live.m_nVoiceGroups = r.m_nVoiceGroups; break;
    default: break;
  }
}

// The key option is the input object's glide switch: a change reaches the
// glide thread at once, under its lock.
void HandKeyOptionToInput(CKeyManager* keys, std::int32_t on) {
  if (!keys) return;
  ReleaseScopedLock lock(keys->m_Mouse.Lock());
  keys->m_Mouse.m_bGlide = on;
}

CSoundSystem* SoundDevice() {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->IsSoundAvailable() ? snd : nullptr;
}

bool ChannelBusy(CSoundSystem* snd, int ch) { return snd && snd->Channel(ch).m_szName[0] != '\0'; }

}  // namespace

void SliderToAutoWait(std::int32_t v, CSettings& live, SettingsRecord& work) {
  AutoSliderToWaits(v, &work.m_nAutoCharWait, &work.m_nAutoPageWait);
  live.m_nAutoCharWait = work.m_nAutoCharWait;
  live.m_nAutoPageWait = work.m_nAutoPageWait;
}

CConfigMode::CConfigMode() {
  std::memset(&m_Work, 0, sizeof m_Work);
  m_Work.m_nAutoCharWait = 50;
  m_Work.m_nAutoPageWait = 1;
  std::copy(ConfigControlLayout, ConfigControlLayout + kConfigControls, m_Controls);
}

// ------------------------------------------------------------ run

int CConfigMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen,
                     const ScreenDescriptor& saved, const ScreenDescriptor* backdrop, CKeyManager* keys,
                     CSettings* settings) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_nResult = -1;
  m_pSettings = settings;
  if (!settings || !MakeScreenView(m_ScreenView, m_Screen) || !MakeScreenView(m_SavedView, saved)) return -1;
  const bool haveBackdrop = backdrop && MakeScreenView(m_BackdropView, *backdrop) &&
                            m_BackdropView.Width() >= kScreenW && m_BackdropView.Height() >= kScreenH;
  CopyPixelRect(m_SavedView, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  int* mmx = GetMmxFlag();
  if (m_Background.Create(1, kScreenW, kScreenH, mmx) != CBuffer::kCreateOk) {
    ShowSurfaceFailure(owner, "Back");
    return -1;
  }
  if (m_Chips.Create(1, 344, 288, mmx) != CBuffer::kCreateOk) {
    m_Background.Destroy();
    ShowSurfaceFailure(owner, "Chip");
    return -1;
  }
  const CAntiFont& font = GetAntiFont();
  m_Font.Select(kFontHeight, font.HasFont() ? font.GetLogFont().lfWeight : 700);
  m_nResult = 0;
  if (haveBackdrop) CopyPixelRect(m_ScreenView, m_BackdropView, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
  Execute();
  StopVoice();
  m_Font.Restore();
  m_Background.Destroy();
  m_Chips.Destroy();
  const int result = m_nResult;
  CopyPixelRect(m_ScreenView, m_SavedView, 0, 0, kScreenW, kScreenH, 0, 0);
  ApplyFontFace();
  if (result != -1) RedrawAll();
  return result;
}

void CConfigMode::StopVoice() {
  CSoundSystem* snd = SoundDevice();
  if (!ChannelBusy(snd, kVoiceChannel)) return;
  snd->Channel(kVoiceChannel).m_bFinished.store(1);
  snd->HaltChannel(kVoiceChannel);
}

void CConfigMode::Enter() {
  m_nHovered = m_nPrevHovered = kNoItem;
  m_bLoop = 1;
  m_nResult = 0;
  LoadSettings();
  m_nPage = 0;
  LoadPageBackground();
  if (!m_bLoop) return;
  if (!LoadAbmToBuffer("cfm_cp.abm", m_pGraphicsArc, m_Chips)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  DrawPage();
}

void CConfigMode::LoadSettings() { m_pSettings->ToRecord(&m_Work); }

void CConfigMode::LoadPageBackground() {
  char name[32];
  std::snprintf(name, sizeof name, "cfm_bk%01d.bmp", m_nPage);
  if (!LoadBitmapToBuffer(name, m_pGraphicsArc, m_Background)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  auto select = [this](int first, int last) {
    DrawRadioGroup(first, last, SelectedMember(m_Work, first), true, nullptr);
  };
  if (m_nPage == 0) {
    select(4, 6);
    select(7, 8);
    select(9, 10);
    select(11, 14);
    SetSlider(kConfigAutoSlider, AutoWaitsToSlider(m_Work.m_nAutoCharWait), nullptr);
    sjis::CopyBounded(m_Work.m_szFontFace, kFontFaceSize, m_pSettings->m_strFontFace);
    m_nFontIndex = FindFont(m_Work.m_szFontFace);
    select(19, 20);
    select(21, 22);
  } else {
    SetSlider(kConfigBgmSlider, m_Work.m_nBgmVolume, nullptr);
    SetSlider(kConfigVoiceSlider, m_Work.m_nVoiceVolume, nullptr);
    SetSlider(kConfigSeSlider, m_Work.m_nSeVolume, nullptr);
    m_Controls[kConfigBgmToggle].user0 = m_Work.m_bBgm == 0 ? 1 : 0;
    m_Controls[kConfigVoiceToggle].user0 = m_Work.m_bVoice == 0 ? 1 : 0;
    m_Controls[kConfigSeToggle].user0 = m_Work.m_bSe == 0 ? 1 : 0;
    select(29, 30);
    select(31, 32);
    select(33, 34);
    ApplyVoiceVolumes();
    ApplyVoiceSwitches();
  }
}

void CConfigMode::DrawPage() {
  CopyPixelRect(m_ScreenView, m_Background, 0, 0, kScreenW, kScreenH, 0, 0);
  for (int i = 0; i < kConfigControls; ++i) {
    if (OnPage(i)) HandleControl(i, false, &m_ScreenView);
  }
  RedrawAll();
}

// ------------------------------------------------------------ hover and input

bool CConfigMode::OnPage(int i) const {
  if (i < 0 || i >= kConfigControls) return false;
  if (i <= kConfigReturn) return true;
  return m_nPage == 0 ? i <= 22 : i >= 23;
}

bool CConfigMode::IsSlider(int i) const {
  return i >= 0 && i < kConfigControls && ConfigControlLayout[i].user1 == 1;
}

bool CConfigMode::HitTest() {
  const pl::Point pt = LogicalCursor();
  m_nHovered = kNoItem;
  for (int i = 0; i < kConfigControls; ++i) {
    if (!OnPage(i)) continue;
    LayoutButton b = m_Controls[i];
    if (IsSlider(i)) b.x += b.user0;  // the knob is what the cursor finds
    if (LayoutContains(b, pt)) {
      m_nHovered = i;
      break;
    }
  }
  return m_nHovered != m_nPrevHovered;
}

void CConfigMode::Update() {
  if (!HitTest()) return;
  if (m_nPrevHovered != kNoItem) HandleControl(m_nPrevHovered, false, &m_ScreenView);
  if (m_nHovered != kNoItem) HandleControl(m_nHovered, false, &m_ScreenView);
  m_nPrevHovered = m_nHovered;
  RedrawAll();
}

void CConfigMode::OnDecide() {
  const int h = m_nHovered;
  if (h == kConfigReset) {
    DrawTopControl(h, true, &m_ScreenView);
    RedrawAll();
    WaitDecideRelease();
    ConfirmReset();
    if (!m_bLoop) return;
    LoadPageBackground();
    if (m_bLoop) DrawPage();
  } else if (h == kConfigTab0 || h == kConfigTab1) {
    if (m_nPage == h - kConfigTab0) return;  // the page already shown
    DrawTopControl(h, true, &m_ScreenView);
    RedrawAll();
    WaitDecideRelease();
    m_nPage = h - kConfigTab0;
    LoadPageBackground();
    if (m_bLoop) DrawPage();
  } else if (h == kConfigReturn) {
    DrawTopControl(h, true, &m_ScreenView);
    RedrawAll();
    WaitDecideRelease();
    m_bLoop = 0;
  } else if (h == kNoItem) {
    ClickTrack();
  } else {
    HandleControl(h, true, &m_ScreenView);
    RedrawAll();
    WaitDecideRelease();
  }
  RedrawAll();
  while (CheckKey(KEY_ENTER) && PumpAndPace()) DragSlider();
}

void CConfigMode::WaitTwice(std::uint32_t bit) {
  WaitKeyRelease(*this, bit);
  WaitKeyRelease(*this, bit);
}

void CConfigMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  m_bLoop = 0;
  WaitKeyRelease(*this, KEY_SPACE);
}
void CConfigMode::OnUp() { WaitTwice(KEY_UP); }
void CConfigMode::OnDown() { WaitTwice(KEY_DOWN); }
void CConfigMode::OnLeft() { WaitTwice(KEY_LEFT); }
void CConfigMode::OnRight() { WaitTwice(KEY_RIGHT); }

void CConfigMode::WaitDecideRelease() {
  while (CheckKey(KEY_ENTER) && PumpAndPace()) DragSlider();
}

void CConfigMode::ClickTrack() {
  const pl::Point pt = LogicalCursor();
  for (int i = 0; i < kConfigControls; ++i) {
    if (!OnPage(i) || !IsSlider(i)) continue;
    LayoutButton& b = m_Controls[i];
    const int len = b.fourthX;
    if (pt.x < b.x || pt.x > b.x + len + b.w - 1 || pt.y < b.y || pt.y > b.y + b.h + b.fourthY - 1) continue;
    // The knob stays on its track: beyond the track's end the value would
    // leave 0..100.
    b.user0 = std::clamp(pt.x - b.x, 0, len);
    m_nPrevHovered = m_nHovered;
    m_nHovered = i;
    DragSlider();
    RedrawAll();
    while (CheckKey(KEY_ENTER) && PumpAndPace()) DragSlider();
    return;
  }
}

void CConfigMode::DragSlider() {
  const int i = m_nHovered;
  if (!IsSlider(i) || !OnPage(i)) return;
  const LayoutButton& b = m_Controls[i];
  const int len = b.fourthX;
  if (len <= 0) return;
  // The live cursor: the input object keeps its point still while the
  // button is held, which is exactly when the knob is dragged.
  pl::Point pt;
  GetLogicalCursorPos(&pt);
  const int f = std::clamp((pt.x - b.w / 2 - b.x) * 100 / len, 0, 100);
  const int v = b.user1 == 1 ? 100 - f : f;
  SetSlider(i, v, &m_ScreenView);
  RedrawAll();
  ApplySlider(i, v);
}

// ------------------------------------------------------------ controls

void CConfigMode::DrawLook(int i, int cellX, int cellY, CBuffer* target) {
  if (target) DrawLayoutLook(m_Controls[i], cellX, cellY, m_Background, m_Chips, *target);
}

void CConfigMode::DrawTopControl(int i, bool acting, CBuffer* target) {
  const LayoutButton& b = m_Controls[i];
  const bool shownTab = (i == kConfigTab0 && m_nPage == 0) || (i == kConfigTab1 && m_nPage == 1);
  if (shownTab) DrawLook(i, b.pressedX, b.pressedY, target);
  else if (m_nHovered != i) DrawLook(i, b.normalX, b.normalY, target);
  else if (acting) DrawLook(i, b.pressedX, b.pressedY, target);
  else DrawLook(i, b.hoverX, b.hoverY, target);
}

void CConfigMode::DrawButton(int i, bool acting, CBuffer* target) {
  const LayoutButton& b = m_Controls[i];
  if (m_nHovered != i) DrawLook(i, b.normalX, b.normalY, target);
  else if (acting) DrawLook(i, b.pressedX, b.pressedY, target);
  else DrawLook(i, b.hoverX, b.hoverY, target);
}

int CConfigMode::DrawRadioGroup(int first, int last, int index, bool acting, CBuffer* target) {
  int result = -1;
  if (acting) {
    for (int k = first; k <= last; ++k) m_Controls[k].user0 = k == index ? 1 : 0;
    result = index;
  }
  if (!target) return result;
  for (int k = first; k <= last; ++k) {
    const LayoutButton& b = m_Controls[k];
    if (b.user0 == 1) DrawLook(k, b.pressedX, b.pressedY, target);
    else if (m_nHovered == k) DrawLook(k, b.hoverX, b.hoverY, target);
    else DrawLook(k, b.normalX, b.normalY, target);
  }
  return result;
}

int CConfigMode::DrawToggle(int i, bool acting, CBuffer* target) {
  LayoutButton& b = m_Controls[i];
  int result = -1;
  if (m_nHovered == i) {
    if (acting) {
      b.user0 = b.user0 ? 0 : 1;
      result = b.user0;
    }
    if (b.user0 == 0) DrawLook(i, b.hoverX, b.hoverY, target);
    else DrawLook(i, b.fourthX, b.fourthY, target);
  } else if (b.user0 == 1) {
    DrawLook(i, b.pressedX, b.pressedY, target);
  } else {
    DrawLook(i, b.normalX, b.normalY, target);
  }
  return result;
}

int CConfigMode::DrawSlider(int i, bool acting, CBuffer* target) {
  const LayoutButton& b = m_Controls[i];
  const int len = b.fourthX;
  if (target) CopyPixelRect(*target, m_Background, b.x, b.y, b.w + len, b.h + b.fourthY, b.x, b.y);
  auto knob = [&](int cx, int cy) {
    if (target) DrawLayoutLook(LayoutButton{b.x + b.user0, b.y, b.w, b.h, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, cx, cy,
                               m_Background, m_Chips, *target);
  };
  if (m_nHovered != i) {
    knob(b.normalX, b.normalY);
    return -1;
  }
  if (!acting) {
    knob(b.hoverX, b.hoverY);
    return -1;
  }
  knob(b.pressedX, b.pressedY);
  if (len <= 0) return -1;
  return b.user1 == 1 ? (len - b.user0) * 100 / len : b.user0 * 100 / len;
}

void CConfigMode::SetSlider(int i, int value, CBuffer* target) {
  LayoutButton& b = m_Controls[i];
  const int len = b.fourthX;
  const int v = std::clamp(value, 0, 100);
  b.user0 = b.user1 == 1 ? len - v * len / 100 : v * len / 100;
  if (!target) return;
  CopyPixelRect(*target, m_Background, b.x, b.y, b.w + len, b.h + b.fourthY, b.x, b.y);
  DrawLayoutLook(LayoutButton{b.x + b.user0, b.y, b.w, b.h, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, b.pressedX, b.pressedY,
                 m_Background, m_Chips, *target);
}

void CConfigMode::DrawFontName(CBuffer* target) {
  if (!target) return;
  const char* face = m_Work.m_szFontFace[0] ? m_Work.m_szFontFace : SJ("ＭＳ ゴシック");
  CAntiFont& font = GetAntiFont();
  const int weight = font.HasFont() ? font.GetLogFont().lfWeight : 700;
  // The name is shown in its own face.
  LogFontA lf = MakeLogFont(face, kFontHeight, weight);
  font.SetFont(lf);
  const LayoutButton& b = m_Controls[kConfigFontName];
  CopyPixelRect(*target, m_Background, b.x, b.y, b.w, b.h, b.x, b.y);
  font.DrawString(b.x + 2, std::string(face), *target, 0, b.y + 2);
}

void CConfigMode::HandleControl(int i, bool acting, CBuffer* target) {
  if (!OnPage(i)) return;
  if (i <= kConfigReturn) {
    DrawTopControl(i, acting, target);
    return;
  }
  if (const RadioGroup* g = GroupOf(i)) {
    if (!acting) {
      DrawRadioGroup(g->first, g->last, i, false, target);
      return;
    }
    DrawRadioGroup(g->first, g->last, i, true, target);
    WriteMember(m_Work, *m_pSettings, i);
    if (g->first == 4) ApplyDisplayModeChoice();
    if (g->first == 9) HandKeyOptionToInput(m_pKeyManager, m_Work.m_bKeyOption);
    return;
  }
  if (IsSlider(i)) {
    const int v = DrawSlider(i, acting, target);
    if (v >= 0) ApplySlider(i, v);
    return;
  }
  if (IsToggle(i)) {
    const int s = DrawToggle(i, acting, target);
    if (s < 0) return;
    CSettings& live = *m_pSettings;
    if (i == kConfigBgmToggle) {
      m_Work.m_bBgm = 1 - s;
      ApplyBgmSwitch();
    } else if (i == kConfigVoiceToggle) {
      m_Work.m_bVoice = 1 - s;
      ApplyVoiceSwitch();
    } else if (i == kConfigSeToggle) {
      m_Work.m_bSe = 1 - s;
      ApplySeSwitch();
    } else {
      const std::int32_t on = s == 0 ? 1 : 0;
      for (int r = 0; r < kSpeakerRows; ++r) {
        if (SpeakerTable()[r].switchControl == i) live.m_bSpeakerVoice[r] = m_Work.m_bSpeakerVoice[r] = on;
      }
      for (int r = 0; r < kOtherSpeakerRows; ++r) {
        const int row = kFirstOtherSpeakerRow + r;
        if (OtherSpeakerTable()[r].switchControl == i) live.m_bSpeakerVoice[row] = m_Work.m_bSpeakerVoice[row] = on;
      }
    }
    return;
  }
  if (i == kConfigFontPrev || i == kConfigFontNext) {
    DrawButton(i, acting, target);
    if (!acting) return;
    const int count = GetFontList().Count();
    if (count <= 0) return;
    int k = m_nFontIndex + (i == kConfigFontNext ? 1 : -1);
    if (k < 0) k = count - 1;
    if (k >= count) k = 0;
    m_nFontIndex = k;
    GetFontName(k, m_Work.m_szFontFace, kFontFaceSize);
    DrawFontName(target);
    return;
  }
  if (i == kConfigFontName) DrawFontName(target);
}

void CConfigMode::ApplySlider(int i, int v) {
  CSettings& live = *m_pSettings;
  switch (i) {
    case kConfigAutoSlider:
      SliderToAutoWait(v, live, m_Work);
      break;
    case kConfigBgmSlider:
      m_Work.m_nBgmVolume = v;
      ApplyBgmVolume();
      break;
    case kConfigVoiceSlider:
      m_Work.m_nVoiceVolume = v;
      ApplyVoiceVolume();
      break;
    case kConfigSeSlider:
      m_Work.m_nSeVolume = v;
      ApplySeVolume();
      break;
    default:
      SetVoiceSetting(m_Work.m_nSpeakerVolume, v, i);
      SetVoiceSetting(live.m_nSpeakerVolume, v, i);
      ApplySoundVolumes();
      break;
  }
}

// ------------------------------------------------------------ appliers

void CConfigMode::ApplyDisplayModeChoice() { ApplyDisplayModeSetting(m_hWnd, m_Work.m_nDisplayMode); }

void CConfigMode::ApplyBgmVolume() {
  m_pSettings->m_nBgmVolume = m_Work.m_nBgmVolume;
  ApplySoundVolumes();
  if (m_pMovie) m_pMovie->SetVolume(m_Work.m_nBgmVolume);
}

void CConfigMode::ApplyVoiceVolume() {
  m_pSettings->m_nVoiceVolume = m_Work.m_nVoiceVolume;
  ApplySoundVolumes();
}

void CConfigMode::ApplySeVolume() {
  m_pSettings->m_nSeVolume = m_Work.m_nSeVolume;
  ApplySoundVolumes();
}

void CConfigMode::ApplyBgmSwitch() {
  m_pSettings->m_bBgm = m_Work.m_bBgm;
  CSoundSystem* snd = SoundDevice();
  // The music the script asked for last: the "bgm" variable, else the
  // request's memo.
  std::string name = SoundRequests().bgmMemo;
  if (m_pScript) {
    if (ValueNode* v = m_pScript->m_Root.m_Vars.Find("bgm"); v && v->type == VT_TEXT) name = v->text;
  }
  if (m_Work.m_bBgm != 1) {
    // The memo stays, so the music can come back.
    if (ChannelBusy(snd, kBgmChannel)) snd->HaltChannel(kBgmChannel);
  } else if (!name.empty() && snd && snd->m_nBgmMode.load() == 2 && !ChannelBusy(snd, kBgmChannel)) {
    // Music that still plays (a reset with the music on) is not restarted.
    PlaySoundByKind(0, name, "bgm", 0);
  }
  if (m_pMovie) m_pMovie->SetVolume(m_Work.m_bBgm == 1 ? m_pSettings->m_nBgmVolume : kMaxAttenuation);
}

void CConfigMode::ApplyVoiceSwitch() {
  m_pSettings->m_bVoice = m_Work.m_bVoice;
  if (m_Work.m_bVoice != 1) StopVoice();
}

void CConfigMode::ApplySeSwitch() {
  m_pSettings->m_bSe = m_Work.m_bSe;
  CSoundSystem* snd = SoundDevice();
  if (m_Work.m_bSe == 1) {
    const std::string memo = SoundRequests().envMemo;
    if (!memo.empty() && snd && snd->m_nEnvMode.load() == 2 && !ChannelBusy(snd, kEnvChannel)) {
      PlaySoundByKind(0, memo, "env", 0);
    }
    return;
  }
  if (snd) snd->HaltChannel(kEnvChannel);
  StopVoiceCue();
}

void CConfigMode::ApplyVoiceVolumes() {
  const CSettings& live = *m_pSettings;
  for (int c = kConfigFirstSpeaker; c < kConfigControls; c += 2) {
    for (int r = 0; r < kSpeakerRows + kOtherSpeakerRows; ++r) {
      const VoicePrefixRow& row = r < kSpeakerRows ? SpeakerTable()[r] : OtherSpeakerTable()[r - kSpeakerRows];
      if (row.volumeControl != c) continue;
      SetSlider(c, live.m_nSpeakerVolume[r], nullptr);
      break;
    }
  }
}

void CConfigMode::ApplyVoiceSwitches() {
  const CSettings& live = *m_pSettings;
  for (int c = kConfigFirstSpeaker + 1; c < kConfigControls; c += 2) {
    for (int r = 0; r < kSpeakerRows + kOtherSpeakerRows; ++r) {
      const VoicePrefixRow& row = r < kSpeakerRows ? SpeakerTable()[r] : OtherSpeakerTable()[r - kSpeakerRows];
      if (row.switchControl != c) continue;
      m_Controls[c].user0 = live.m_bSpeakerVoice[r] == 0 ? 1 : 0;
      break;
    }
  }
}

void CConfigMode::ApplyFontFace() {
  CSettings& live = *m_pSettings;
  if (!m_Work.m_szFontFace[0] || sjis::EqualNoCase(m_Work.m_szFontFace, live.m_strFontFace)) return;
  if (!IsValidFontFace(m_Work.m_szFontFace)) return;
  live.m_strFontFace = m_Work.m_szFontFace;
  CAntiFont& font = GetAntiFont();
  const int height = font.HasFont() ? font.GetLogFont().lfHeight / 4 : live.m_nFontSize;
  LogFontA lf = MakeLogFont(live.m_strFontFace.c_str(), height > 0 ? height : live.m_nFontSize, 700);
  font.SetFont(lf);
  if (Scene().m_nPendingState == PND_BACKLOG) {
    if (Presentation().m_pfnRedrawBacklogPage) Presentation().m_pfnRedrawBacklogPage();
    return;
  }
  if (!m_pText || !m_pTables) return;
  if (CTextWindow* w = m_pTables->CurrentWindow(); w && w->m_nState == 1) m_pText->ResetWindowText(nullptr, true);
}

// ------------------------------------------------------------ reset

int CConfigMode::ConfirmReset() {
  if (m_bAskRunning) return 0;
  m_bAskRunning = true;
  int answer = AskReset();
  if (answer == -1 && m_bLoop) {
    const int box = pl::MessageBox(GetMainWindowHandle(), SJ("初期化してもよろしいですか？"), SJ("確認"),
                                   pl::MB_OKCANCEL);
    answer = box == pl::IDOK ? 1 : 0;
  }
  m_bAskRunning = false;
  if (answer != 1) return 0;
  ResetToDefaults();
  return 1;
}

int CConfigMode::AskReset() {
  if (m_fnAskBox) return m_fnAskBox(MSG_RESET);
  if (m_MsgBox.m_bLoop) return 2;
  m_MsgBox.m_pBlendTable = m_pBlendTable;
  m_MsgBox.m_pGraphicsArc = m_pGraphicsArc;
  m_MsgBox.m_bNoEffect = m_pSettings->m_bNoEffect;
  const int r = m_MsgBox.Run(MSG_RESET, m_hWnd, m_Screen, m_pHookList, m_pKeyManager);
  m_MsgBox.LeaveHookList();
  if (m_MsgBox.m_bClosed) {
    pl::PostMessage(m_hWnd, pl::WM_CLOSE, 0, 0);
    // The window is going: no second question.
    return 2;
  }
  return r;
}

void CConfigMode::ResetToDefaults() {
  CSettings& live = *m_pSettings;
  m_Work = live.DefaultSettings();
  ApplyDisplayModeSetting(m_hWnd, m_Work.m_nDisplayMode);
  live.m_bNoEffect = m_Work.m_bNoEffect;
  live.m_bKeyOption = m_Work.m_bKeyOption;
  HandKeyOptionToInput(m_pKeyManager, m_Work.m_bKeyOption);
  live.m_nTextSpeed = m_Work.m_nTextSpeed;
  live.m_nAutoCharWait = m_Work.m_nAutoCharWait;
  live.m_nAutoPageWait = m_Work.m_nAutoPageWait;
  live.m_bSkipReadOnly = m_Work.m_bSkipReadOnly;
  live.m_bVoiceStop = m_Work.m_bVoiceStop;
  live.m_bDuckBgm = m_Work.m_bDuckBgm;
  live.m_nVoiceGroups = m_Work.m_nVoiceGroups;
  std::memcpy(live.m_nSpeakerVolume, m_Work.m_nSpeakerVolume, sizeof live.m_nSpeakerVolume);
  std::memcpy(live.m_bSpeakerVoice, m_Work.m_bSpeakerVoice, sizeof live.m_bSpeakerVoice);
  // The volumes before the switches: music switched back on starts at its
  // new level.
  live.m_nVoiceVolume = m_Work.m_nVoiceVolume;
  live.m_nSeVolume = m_Work.m_nSeVolume;
  ApplyBgmVolume();
  ApplyBgmSwitch();
  ApplyVoiceSwitch();
  ApplySeSwitch();
  ApplyVoiceVolumes();
  ApplyVoiceSwitches();
}
