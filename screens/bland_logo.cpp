#include "screens/bland_logo.h"

#include <cstring>

#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "platform/time.h"

const char* const LogoSoundNames[6] = {"aa3942", "ab2881", "ac2829", "ad2180", "ba0780", "bb0879"};

namespace {

constexpr std::uint32_t kFadeStepMs = 15;
constexpr std::uint32_t kStayMs = 1000;

}  // namespace

int CBlandLogo::Run(pl::Window* owner, const ScreenDescriptor& first, const ScreenDescriptor& second,
                    CKeyManager* keys, IWinHookList* hooks) {
  if (!BeginRun(owner, first, keys, hooks)) return -1;
  if (!MakeScreenView(m_ScreenView, first)) return m_nResult = -1;
  if (MakeScreenView(m_SavedView, second)) CopyPixelRect(m_SavedView, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  if (m_Back.Create(1, 1024, 600, GetMmxFlag()) != 0) {
    ShowSurfaceFailure(owner, "Back");
    return m_nResult = -1;
  }
  m_Font.Select(24, 700);
  m_ptCursor = pl::Point{0, 0};
  Enter();
  MainLoop();
  StopVoiceCue();
  m_Font.Restore();
  m_Back.Destroy();
  return m_nResult;
}

void CBlandLogo::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  if (!LoadBitmapToBuffer("ld_logo.bmp", m_pGraphicsArc, m_Back)) {
    m_bLoop = 0;
    m_nResult = -1;
    return;
  }
  FadeIn();
  CrtRandom& rnd = GetCrtRandom();
  rnd.Seed(pl::TickMs());
  m_nSound = rnd.Next() % 6;
  // The logo sound goes through the cue player with the play-once mode; a
  // held Ctrl skips it.
  if (!CheckKey(KEY_CTRL) && m_bLoop) PlayVoiceCue(*this, LogoSoundNames[m_nSound]);
  // The logo stays until the sound has been over for a second.
  std::uint32_t since = pl::TickMs();
  for (;;) {
    if (pl::TickMs() - since >= kStayMs) return;
    if (!PumpAndPace()) return;
    if (CheckKey(KEY_CTRL)) return;
    if (CheckKey(KEY_SPACE)) {
      m_bLoop = 0;
      return;
    }
    if (IsEffectChannelBusy()) since = pl::TickMs();
  }
}

void CBlandLogo::Update() {
  if (!IsEffectChannelBusy()) OnDecide();
  if (CheckKey(KEY_SPACE)) {
    StopVoiceCue();
    m_bLoop = 0;
  }
}

void CBlandLogo::OnDecide() {
  WaitDecideRelease();
  StopVoiceCue();
  FadeOut();
  m_bLoop = 0;
  WaitDecideRelease();
}

void CBlandLogo::OnSkip() {
  StopVoiceCue();
  FadeOut();
  m_bLoop = 0;
}

void CBlandLogo::WaitDecideRelease() {
  while (CheckKey(KEY_ENTER) && PumpAndPace()) {
  }
}

bool CBlandLogo::FadeStep(int a, bool* ended) {
  const std::uint32_t start = pl::TickMs();
  if (!PumpAndPace()) {
    *ended = true;
    return false;
  }
  MultiplyBlt32(m_ScreenView, m_Back, 0, 0, 1024, 600, 0, 0, a);
  RedrawAll();
  while (pl::TickMs() - start < kFadeStepMs) {
    if (!PumpAndPace()) {
      *ended = true;
      return false;
    }
  }
  if (CheckKey(KEY_CTRL)) return false;
  if (CheckKey(KEY_SPACE)) {
    m_bLoop = 0;
    return false;
  }
  return true;
}

void CBlandLogo::FadeIn() {
  bool ended = false;
  for (int a = 8; a <= 248; a += 8) {
    if (!FadeStep(a, &ended)) break;
  }
  if (ended) return;
  CopyPixelRect(m_ScreenView, m_Back, 0, 0, 1024, 600, 0, 0);
  RedrawAll();
}

void CBlandLogo::FadeOut() {
  CopyPixelRect(m_Back, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  bool ended = false;
  for (int a = 240; a >= 16; a -= 16) {
    if (!FadeStep(a, &ended)) break;
  }
  if (ended) return;
  for (int y = 0; y < m_ScreenView.Height(); ++y) std::memset(m_ScreenView.Row(y), 0, 4 * static_cast<std::size_t>(m_ScreenView.Width()));
  RedrawAll();
}
