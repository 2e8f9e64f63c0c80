#include "screens/end_mode.h"

#include "engine/global_file.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/anti_font.h"
#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "platform/time.h"
#include "sound/sound_system.h"

const LayoutButton EndingListLayout[6] = {
    {64, 98, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  {64, 126, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {64, 154, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {64, 196, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {64, 224, 370, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {40, 52, 320, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

const char* const EndingNames[5] = {
    "ひだまりの約束", "雨上がりの帰り道", "ひとりきりの朝", "星を数える夜", "はじまりの季節",
};

namespace {

constexpr std::uint32_t kFadeStepMs = 15;
constexpr const char* kFlagNames[5] = {"end01", "end02", "end03", "end04", "end05"};

}  // namespace

int CEndMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen,
                  const ScreenDescriptor& saved, CKeyManager* keys, const ValueList* globals) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_pGlobals = globals;
  m_nResult = -1;
  if (!MakeScreenView(m_ScreenView, m_Screen) || !MakeScreenView(m_SavedView, saved)) return -1;
  CopyPixelRect(m_SavedView, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  int* mmx = GetMmxFlag();
  if (m_ListSurface.Create(1, 1024, 600, mmx) != CBuffer::kCreateOk) {
    pl::MessageBox(GetMainWindowHandle(), SJ("Back DIB の作成に失敗しました。"), SJ("メッセージ"), pl::MB_OK);
    return -1;
  }
  if (m_Background.Create(1, 1024, 600, mmx) != CBuffer::kCreateOk) {
    m_ListSurface.Destroy();
    pl::MessageBox(GetMainWindowHandle(), SJ("Back Surface の作成に失敗しました。"), SJ("メッセージ"), pl::MB_OK);
    return -1;
  }
  m_Font.Select(18, 400);
  Execute();
  if (CSoundSystem* snd = GetSoundSystem(); snd && snd->IsSoundAvailable() && snd->Channel(kVoiceChannel).m_szName[0]) {
    snd->HaltChannel(kVoiceChannel);
  }
  m_Font.Restore();
  m_ListSurface.Destroy();
  m_Background.Destroy();
  const int result = m_nResult;
  CopyPixelRect(m_ScreenView, m_SavedView, 0, 0, 1024, 600, 0, 0);
  if (result != -1) RedrawAll();
  return result;
}

void CEndMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  if (!LoadBitmapToBuffer("endm_bk.bmp", m_pGraphicsArc, m_Background)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  FadeOutGame();
  FadeInList();
}

void CEndMode::DrawList(CBuffer& target) {
  CopyPixelRect(target, m_Background, 0, 0, 1024, 600, 0, 0);
  CAntiFont& font = GetAntiFont();
  auto row = [&](const LayoutButton& r, const char* text) {
    FillRect32(target, r.x, r.y, 1, r.h, 0);
    FillRect32(target, r.x, r.y + r.h, r.w, 1, 0);
    font.DrawString(r.x + 4, std::string(text), target, 0, r.y + 4);
  };
  for (int i = 0; i < 5; ++i) {
    std::int32_t flag = 0;
    if (m_pGlobals) FindScriptVariable(*m_pGlobals, &flag, kFlagNames[i]);
    row(EndingListLayout[i], flag == 1 ? pl::Utf8ToCp932(EndingNames[i]).c_str() : SJ("　Unknown"));
  }
  row(EndingListLayout[5], SJ("エンディング情報画面"));
}

bool CEndMode::Fade(const CBuffer& source, int first, int step) {
  if (m_bNoEffect) return true;
  for (int i = 0, a = first; i < 7; ++i, a += step) {
    const std::uint32_t start = pl::TickMs();
    if (!PumpAndPace()) return false;
    for (int y = 0; y < 600; ++y) {
      const std::uint8_t* s = source.Row(y);
      std::uint8_t* d = m_ScreenView.Row(y);
      for (int k = 0; k < 1024 * 4; ++k) {
        d[k] = m_pBlendTable ? m_pBlendTable->M[a][s[k]] : static_cast<std::uint8_t>(MulTable(a, s[k]));
      }
    }
    RedrawAll();
    // Ctrl cuts the fade short.
    if (CheckKey(KEY_CTRL)) return true;
    while (pl::TickMs() - start < kFadeStepMs) {
      if (!PumpAndPace()) return false;
    }
  }
  return true;
}

void CEndMode::FadeOutGame() {
  if (!Fade(m_SavedView, 224, -32)) return;
  FillRect32(m_ScreenView, 0, 0, 1024, 600, 0);
  RedrawAll();
}

void CEndMode::FadeInList() {
  DrawList(m_ListSurface);
  if (!Fade(m_ListSurface, 32, 32)) return;
  CopyPixelRect(m_ScreenView, m_ListSurface, 0, 0, 1024, 600, 0, 0);
  RedrawAll();
}

void CEndMode::FadeOutList() {
  CopyPixelRect(m_ListSurface, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  if (!Fade(m_ListSurface, 224, -32)) return;
  FillRect32(m_ScreenView, 0, 0, 1024, 600, 0);
  RedrawAll();
}

void CEndMode::FadeInGame() { Fade(m_SavedView, 32, 32); }

void CEndMode::Leave(std::uint32_t key) {
  WaitKeyRelease(*this, key);
  FadeOutList();
  FadeInGame();
  m_bLoop = 0;
  WaitKeyRelease(*this, key);
}

void CEndMode::OnDecide() { Leave(KEY_ENTER); }
void CEndMode::OnCancel() { Leave(KEY_SPACE); }
