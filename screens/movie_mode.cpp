#include "screens/movie_mode.h"

#include <algorithm>

#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/blit.h"
#include "platform/time.h"
#include "sound/sound_system.h"

namespace {

constexpr int kScreenW = 1024, kScreenH = 600;

pl::Rect Intersect(const pl::Rect& a, const pl::Rect& b) {
  pl::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  if (r.Width() <= 0 || r.Height() <= 0) return pl::Rect{};
  return r;
}

}  // namespace

CMovieMode::~CMovieMode() {
  // The thread goes before anything it could still be drawing with.
  m_Player.StopThread();
}

int CMovieMode::StartPlayer(pl::Window* hWnd) {
  if (m_bPlayerStarted) return 0;
  if (m_Player.StartThread(hWnd) != 0) return 1;
  m_bPlayerStarted = true;
  // Parked until a movie plays: an idle pass every 30 ms is work for
  // nothing.
  m_Player.SetThreadRunning(0);
  return 0;
}

int CMovieMode::Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen,
                    const ScreenDescriptor& saved, CKeyManager* keys, const char* path, int x, int y) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_nResult = -1;
  if (!MakeScreenView(m_Backdrop, m_Screen) || !MakeScreenView(m_SavedView, saved)) return -1;
  CopyPixelRect(m_SavedView, m_Backdrop, 0, 0, kScreenW, kScreenH, 0, 0);
  if (m_BackSurface.Create(1, kScreenW, kScreenH, GetMmxFlag()) != CBuffer::kCreateOk) {
    ShowSurfaceFailure(owner, "Back");
    return -1;
  }
  std::int32_t wasRunning = 0;
  if (m_pScreenRunning) {
    wasRunning = *m_pScreenRunning;
    *m_pScreenRunning = 0;
  }
  m_strPath = path ? path : "";
  m_nX = x;
  m_nY = y;
  m_ptCursor = pl::Point{0, 0};
  Enter();
  MainLoop();

  // A movie left open (the window closed, or it was paused by someone
  // else) would keep its file, its sound and a running thread.
  if (m_Player.IsOpen() || m_Player.IsRunWanted()) Stop();
  if (CSoundSystem* snd = GetSoundSystem(); snd && snd->Channel(kVoiceChannel).m_szName[0]) {
    // Marked finished so that the halt puts the voice-driven mouths back.
    snd->Channel(kVoiceChannel).m_bFinished.store(1);
    snd->HaltChannel(kVoiceChannel);
  }
  m_BackSurface.Destroy();
  CopyPixelRect(m_Backdrop, m_SavedView, 0, 0, kScreenW, kScreenH, 0, 0);
  RedrawAll();
  if (m_pScreenRunning) *m_pScreenRunning = wasRunning;
  return m_nResult;
}

void CMovieMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  // A player whose thread was never made would open movies that are never
  // drawn and never end.
  if (!m_bPlayerStarted) StartPlayer(m_hWnd);
  m_Player.SetPos(m_nX, m_nY);
  if (m_Player.Open(m_strPath.c_str()) == -1) {
    // The player has shown why.
    m_bLoop = 0;
    m_nResult = -1;
    return;
  }
  m_Player.Play();
  m_Player.SetThreadRunning(1);
  m_bPresent = 0;
}

void CMovieMode::Update() {
  // A movie that reached its end pauses itself; a looping one plays on.
  const bool ended = m_Player.IsPaused() && m_Player.GetLoop() == 0;
  if (ended || CheckKey(KEY_SPACE)) {
    Stop();
    m_bLoop = 0;
  }
  pl::SleepMs(1);
}

void CMovieMode::Stop() {
  m_Player.Close();
  m_Player.SetThreadRunning(0);
  m_bPresent = 1;
}

pl::Rect CMovieMode::ShownRect() {
  if (!*m_Player.GetShowFlagPtr()) return pl::Rect{};
  pl::Rect r;
  m_Player.GetRect(&r);
  return Intersect(r, pl::Rect{0, 0, kScreenW, kScreenH});
}

void CMovieMode::Redraw(int x, int y, int width, int height, int srcX, int srcY) {
  const pl::Rect v = ShownRect();
  if (v.Width() <= 0) {
    IProgMode::Redraw(x, y, width, height, srcX, srcY);
    return;
  }
  if (v.left == 0 && v.top == 0 && v.right == kScreenW && v.bottom == kScreenH) return;
  const pl::Rect bands[4] = {
      {0, 0, kScreenW, v.top},               // above, full width
      {0, v.bottom, kScreenW, kScreenH},     // below, full width
      {0, v.top, v.left, v.bottom},          // left, beside the movie
      {v.right, v.top, kScreenW, v.bottom},  // right, beside the movie
  };
  const pl::Rect asked{x, y, x + width, y + height};
  for (const pl::Rect& band : bands) {
    const pl::Rect r = Intersect(band, asked);
    if (r.Width() <= 0) continue;
    IProgMode::Redraw(r.left, r.top, r.Width(), r.Height(), srcX + r.left - x, srcY + r.top - y);
  }
}
