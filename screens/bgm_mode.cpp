#include "screens/bgm_mode.h"

#include <algorithm>

#include "engine/value_node.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/anti_font.h"
#include "graphics/blit.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "platform/time.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

// clang-format off
const LayoutButton BGMButtonLayout[kBgmControls] = {
    {190, 452, 184, 64, 0, 0, 0, 64, 0, 128, 0, 128, 0, 0},
    {426, 452, 184, 64, 368, 0, 368, 64, 368, 128, 368, 128, 0, 0},
    {657, 452, 184, 64, 184, 0, 184, 64, 184, 128, 184, 128, 0, 0},
    {437, 548, 152, 48, 552, 0, 552, 48, 552, 96, 552, 0, 0, 0},
    {176, 77, 336, 40, 0, 0, 0, 360, 0, 720, 0, 0, 0, 0},
    {176, 117, 336, 40, 0, 40, 0, 400, 0, 760, 0, 40, 0, 0},
    {176, 157, 336, 40, 0, 80, 0, 440, 0, 800, 0, 80, 0, 0},
    {176, 197, 336, 40, 0, 120, 0, 480, 0, 840, 0, 120, 0, 0},
    {176, 237, 336, 40, 0, 160, 0, 520, 0, 880, 0, 160, 0, 0},
    {176, 277, 336, 40, 0, 200, 0, 560, 0, 920, 0, 200, 0, 0},
    {176, 317, 336, 40, 0, 240, 0, 600, 0, 960, 0, 240, 0, 0},
    {176, 357, 336, 40, 0, 280, 0, 640, 0, 1000, 0, 280, 0, 0},
    {176, 397, 336, 40, 0, 320, 0, 680, 0, 1040, 0, 320, 0, 0},
    {512, 77, 336, 40, 336, 0, 336, 360, 336, 720, 336, 0, 0, 0},
    {512, 117, 336, 40, 336, 40, 336, 400, 336, 760, 336, 40, 0, 0},
    {512, 157, 336, 40, 336, 80, 336, 440, 336, 800, 336, 80, 0, 0},
    {512, 197, 336, 40, 336, 120, 336, 480, 336, 840, 336, 120, 0, 0},
    {512, 237, 336, 40, 336, 160, 336, 520, 336, 880, 336, 160, 0, 0},
    {512, 277, 336, 40, 336, 200, 336, 560, 336, 920, 336, 200, 0, 0},
    {512, 317, 336, 40, 336, 240, 336, 600, 336, 960, 336, 240, 0, 0},
    {512, 357, 336, 40, 336, 280, 336, 640, 336, 1000, 336, 280, 0, 0},
    {512, 397, 336, 40, 336, 320, 336, 680, 336, 1040, 336, 320, 0, 0},
};
// clang-format on

const char* const BGMTrackNames[kBgmTracks] = {
    "bgm01", "bgm02", "bgm03", "bgm04", "bgm05", "bgm06", "bgm07", "bgm08", "bgm09",
    "bgm10", "bgm11", "bgm12", "bgm13", "bgm14", "bgm15", "bgm16", "bgm17", "bgm18",
};

namespace {

constexpr std::uint32_t kFadeStepMs = 15;
constexpr int kScreenW = 1024;
constexpr int kScreenH = 600;

enum { kUp, kDown, kLeft, kRight };

// The button a cursor key goes to from the hovered one (up, down, left,
// right); -1 none.
int CursorTarget(int hovered, int dir) {
  if (hovered == kNoItem) return kBgmFirstTrack;
  if (hovered < 0 || hovered >= kBgmControls || dir < 0 || dir > 3) return -1;
  int t[4] = {-1, -1, -1, -1};
  auto set = [&](int up, int down, int left, int right) {
    t[kUp] = up;
    t[kDown] = down;
    t[kLeft] = left;
    t[kRight] = right;
  };
  const int h = hovered;
  if (h == 0) set(12, 3, -1, 1);
  else if (h == 1) set(12, 3, 0, 2);
  else if (h == 2) set(12, 3, 1, -1);
  else if (h == 3) set(0, -1, -1, -1);
  else if (h == 4) set(-1, 5, -1, 13);
  else if (h <= 11) set(h - 1, h + 1, -1, h + 9);
  else if (h == 12) set(11, 0, -1, 21);
  else if (h == 13) set(-1, 14, 4, -1);
  else if (h <= 20) set(h - 1, h + 1, h - 9, -1);
  else set(20, 0, 12, -1);
  return t[dir];
}

SoundRequestSettings Settings() {
  SoundRequestSettings s;
  if (ISoundRequestHost* h = GetSoundRequestHost()) h->ReadSettings(&s);
  return s;
}

void HaltMusic() {
  if (CSoundSystem* snd = GetSoundSystem()) snd->HaltChannel(kBgmChannel);
}

}  // namespace

std::string GetBgmVariableText(const ValueList* scriptVars) {
  if (!scriptVars) return {};
  const ValueNode* v = scriptVars->Find("bgm");
  if (!v) return {};
  if (v->type == VT_TEXT) return v->text;
  if (v->type == VT_INT && v->nValue > 1) return std::to_string(v->nValue);
  return {};
}

bool IsBgmPlaying() {
  const CSoundSystem* snd = GetSoundSystem();
  return snd && snd->Channel(kBgmChannel).m_szName[0] != '\0';
}

// ------------------------------------------------------------ run

int CBGMMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen,
                  const ScreenDescriptor& saved, const ScreenDescriptor& backdrop, CKeyManager* keys,
                  const ValueList* scriptVars) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_pScriptVars = scriptVars;
  m_nResult = -1;
  if (!MakeScreenView(m_ScreenView, m_Screen) || !MakeScreenView(m_SavedView, saved) ||
      !MakeScreenView(m_BackdropView, backdrop)) {
    return -1;
  }
  CopyPixelRect(m_SavedView, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  int* mmx = GetMmxFlag();
  struct Surface {
    CBuffer* buffer;
    int w, h;
    const char* failure;  // UTF-8
  };
  const Surface surfaces[] = {
      {&m_Background, kScreenW, kScreenH, "Back Surface の作成に失敗しました。"},
      {&m_Chips, 704, 192, "Chip Surface の作成に失敗しました。"},
      {&m_Tracks, 672, 1080, "BGMボタン Surface の作成に失敗しました。"},
      {&m_Work, kScreenW, kScreenH, "Backup Surface の作成に失敗しました。"},
  };
  auto destroyAll = [&] {
    for (const Surface& s : surfaces) s.buffer->Destroy();
  };
  for (const Surface& s : surfaces) {
    if (s.buffer->Create(1, s.w, s.h, mmx) != CBuffer::kCreateOk) {
      destroyAll();
      pl::MessageBox(GetMainWindowHandle(), pl::Utf8ToCp932(s.failure), SJ("メッセージ"), pl::MB_OK);
      return -1;
    }
  }
  m_Font.Select(16, GetAntiFont().HasFont() ? GetAntiFont().GetLogFont().lfWeight : 400);
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
  const int result = m_nResult;
  CopyPixelRect(m_ScreenView, m_BackdropView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (result != -1) RedrawAll();
  return result;
}

void CBGMMode::Enter() {
  m_nHovered = m_nPrevHovered = m_nCurrent = kNoItem;
  m_bLoop = 1;
  m_nResult = 0;
  m_nPlayMode = 0;
  m_bPlaying = 0;
  m_nFailedStarts = 0;
  if (!LoadBitmapToBuffer("bgmm_bk.bmp", m_pGraphicsArc, m_Background) ||
      !LoadAbmToBuffer("bgmm_cp.abm", m_pGraphicsArc, m_Chips) ||
      !LoadAbmToBuffer("bgmm000.abm", m_pGraphicsArc, m_Tracks)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  m_strGameBgm = GetBgmVariableText(m_pScriptVars);
  FadeOutGame();
  FadeInRoom();
}

// ------------------------------------------------------------ drawing

bool CBGMMode::HitTest() {
  m_nHovered = HitTestLayout(BGMButtonLayout, kBgmControls, LogicalCursor());
  return m_nHovered != m_nPrevHovered;
}

void CBGMMode::CheckHover() {
  if (!HitTest()) return;
  if (m_nPrevHovered != kNoItem) DrawButton(m_nPrevHovered, false);
  if (m_nHovered != kNoItem) DrawButton(m_nHovered, false);
  m_nPrevHovered = m_nHovered;
  RedrawAll();
}

void CBGMMode::DrawLook(int i, int look, CBuffer& target) {
  const LayoutButton& b = BGMButtonLayout[i];
  const int cx = look == 3 ? b.fourthX : look == 2 ? b.pressedX : look == 1 ? b.hoverX : b.normalX;
  const int cy = look == 3 ? b.fourthY : look == 2 ? b.pressedY : look == 1 ? b.hoverY : b.normalY;
  CopyPixelRect(target, m_Background, b.x, b.y, b.w, b.h, b.x, b.y);
  if (i >= kBgmFirstTrack) {
    TintBlt32(0, b.w, b.h, target, b.x, b.y, m_Tracks, cx, cy, m_bBlend);
  } else {
    AlphaBlitRect(target, m_Chips, b.x, b.y, b.w, b.h, cx, cy);
  }
}

void CBGMMode::DrawButton(int i, bool pressed) {
  if (i < 0 || i >= kBgmControls) return;
  const bool hovered = i == m_nHovered;
  int look = pressed && hovered ? 2 : hovered ? 1 : 0;
  if (i >= kBgmFirstTrack) {
    const bool current = m_nCurrent != kNoItem && i == kBgmFirstTrack + m_nCurrent;
    if (current) {
      look = 2;
      m_bPlaying = 1;
    }
  } else if ((i == 0 && m_nPlayMode == 1) || (i == 1 && m_nPlayMode == 2)) {
    look = 3;
  }
  DrawLook(i, look, m_ScreenView);
}

void CBGMMode::DrawAllButtons() {
  for (int i = 0; i < kBgmControls; ++i) DrawButton(i, false);
}

// ------------------------------------------------------------ music

void CBGMMode::PlayTrack(int t) {
  const int prev = m_nCurrent;
  m_nCurrent = t;
  PlaySoundByKind(m_nPlayMode == 2 ? 0 : 1, BGMTrackNames[t], "bgm", 0);
  if (prev != kNoItem) DrawButton(kBgmFirstTrack + prev, false);
  DrawButton(kBgmFirstTrack + t, false);
}

void CBGMMode::SetPlayMode(int m) {
  m_nPlayMode = m_nPlayMode == m ? 0 : m;
  DrawButton(0, false);
  DrawButton(1, false);
}

void CBGMMode::ResetRoom() {
  HaltMusic();
  m_nCurrent = kNoItem;
  m_bPlaying = 0;
}

void CBGMMode::Update() {
  CheckHover();
  CSoundSystem* snd = GetSoundSystem();
  if (Settings().bgmOn != 1 && m_nCurrent != kNoItem) {
    ResetRoom();
    m_nPlayMode = 0;
    DrawAllButtons();
    RedrawAll();
  }
  auto modeWord = [&](int from, int to) {
    if (snd && snd->m_nBgmMode.load() == from) snd->m_nBgmMode.store(to);
  };
  switch (m_nPlayMode) {
    case 0:
      modeWord(2, 1);
      if (m_bPlaying == 1 && !IsBgmPlaying()) {
        ResetRoom();
        DrawAllButtons();
        RedrawAll();
      }
      break;
    case 1:
      modeWord(2, 1);
      if (m_bPlaying == 1 && !IsBgmPlaying()) {
        if (++m_nFailedStarts > kBgmTracks) {
          // Not one track would start: trying on would ask for a track
          // (and a failure box) every frame.
          ResetRoom();
          m_nPlayMode = 0;
          m_nFailedStarts = 0;
          DrawAllButtons();
        } else {
          PlayTrack((m_nCurrent + 1) % kBgmTracks);
          if (IsBgmPlaying()) m_nFailedStarts = 0;
        }
        RedrawAll();
      }
      break;
    case 2:
      modeWord(1, 2);
      break;
    default:
      break;
  }
}

void CBGMMode::FadeBgmStep(int level) {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  if (level >= 255) {
    // The script's music record stays: the game's music comes back later.
    snd->HaltChannel(kBgmChannel);
    return;
  }
  const int v = std::clamp(Settings().bgmVolume, 0, 100);
  const int attenuation = std::min(100, v + (100 - v) * level / 255);
  snd->SetChannelVolume(attenuation, kBgmChannel);
}

// ------------------------------------------------------------ fades

bool CBGMMode::Fade(const CBuffer& source, int first, int step, bool music) {
  if (m_bNoEffect) return true;
  for (int i = 0, a = first; i < 7; ++i, a += step) {
    const std::uint32_t start = pl::TickMs();
    if (!PumpAndPace()) return false;
    MultiplyBlt32(m_ScreenView, source, 0, 0, kScreenW, kScreenH, 0, 0, a);
    if (music) FadeBgmStep(255 - a);
    RedrawAll();
    while (pl::TickMs() - start < kFadeStepMs) {
      if (!PumpAndPace()) return false;
    }
    if (CheckKey(KEY_CTRL)) return true;
  }
  return true;
}

void CBGMMode::FadeOutGame() {
  if (!Fade(m_BackdropView, 224, -32, true)) return;
  FillRect32(m_ScreenView, 0, 0, kScreenW, kScreenH, 0);
  RedrawAll();
  HaltMusic();
}

void CBGMMode::FadeInRoom() {
  CopyPixelRect(m_Work, m_Background, 0, 0, kScreenW, kScreenH, 0, 0);
  for (int i = kBgmFirstTrack; i < kBgmControls; ++i) DrawLook(i, 0, m_Work);
  for (int i = 0; i < kBgmFirstTrack; ++i) DrawLook(i, 0, m_Work);
  if (!Fade(m_Work, 32, 32, false)) return;
  CopyPixelRect(m_ScreenView, m_Work, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
}

void CBGMMode::FadeOutRoom() {
  CopyPixelRect(m_Work, m_ScreenView, 0, 0, kScreenW, kScreenH, 0, 0);
  if (!Fade(m_Work, 224, -32, true)) return;
  FillRect32(m_ScreenView, 0, 0, kScreenW, kScreenH, 0);
  RedrawAll();
  HaltMusic();
}

void CBGMMode::FadeInGame() { Fade(m_BackdropView, 32, 32, false); }

// ------------------------------------------------------------ input

void CBGMMode::Leave() {
  FadeOutRoom();
  // With no music of its own the game stays silent, and the room's last
  // track must not be remembered as the game's.
  HaltMusic();
  if (m_strGameBgm.empty()) {
    SoundRequests().bgmMemo.clear();
    if (CSoundSystem* snd = GetSoundSystem()) snd->m_nBgmMode.store(0);
  } else {
    PlaySoundByKind(0, m_strGameBgm, "bgm", 0);
  }
  FadeInGame();
  m_bLoop = 0;
}

void CBGMMode::OnDecide() {
  const int h = m_nHovered;
  if (h != kNoItem) {
    DrawButton(h, true);
    RedrawAll();
    WaitKeyRelease(*this, KEY_ENTER);
  }
  if (h == 0) {
    SetPlayMode(1);
  } else if (h == 1) {
    SetPlayMode(2);
  } else if (h == 2) {
    ResetRoom();
    DrawAllButtons();
  } else if (h == 3) {
    Leave();
  } else if (h != kNoItem) {
    m_nFailedStarts = 0;
    PlayTrack(h - kBgmFirstTrack);
  }
  RedrawAll();
  WaitKeyRelease(*this, KEY_ENTER);
}

void CBGMMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  Leave();
  WaitKeyRelease(*this, KEY_SPACE);
}

void CBGMMode::CursorKey(std::uint32_t key, int dir) {
  WaitKeyRelease(*this, key);
  const int target = CursorTarget(m_nHovered, dir);
  if (target >= 0) SetLogicalCursorPos(LayoutCenter(BGMButtonLayout[target]));
  WaitKeyRelease(*this, key);
}

void CBGMMode::OnUp() { CursorKey(KEY_UP, kUp); }
void CBGMMode::OnDown() { CursorKey(KEY_DOWN, kDown); }
void CBGMMode::OnLeft() { CursorKey(KEY_LEFT, kLeft); }
void CBGMMode::OnRight() { CursorKey(KEY_RIGHT, kRight); }
