#include "sound/movie_player.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "framework/app_base.h"
#include "framework/ddraw.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "platform/file.h"
#include "platform/movie.h"
#include "platform/sound_device.h"
#include "platform/text.h"
#include "platform/time.h"
#include "sound/sound_channel.h"
#include "sound/sound_system.h"

namespace {

constexpr std::int64_t kUnitsPerMs = pl::MovieStream::kUnitsPerSecond / 1000;

MovieSoundSettings g_Settings;

pl::SoundDevice* MovieSoundDevice() {
  CSoundSystem* s = GetSoundSystem();
  return s && s->IsSoundAvailable() ? s->Device() : nullptr;
}

bool AppDestroyed() {
  CAppBase* app = GetApp();
  return app && app->m_nState == APP_DESTROYED;
}

}  // namespace

void SetMovieSoundSettings(const MovieSoundSettings& settings) { g_Settings = settings; }
std::int32_t MovieBgmSwitch() { return g_Settings.bgm ? *g_Settings.bgm : 1; }
std::int32_t MovieBgmVolume() { return g_Settings.bgmVolume ? *g_Settings.bgmVolume : 0; }

// ---------------------------------------------------------------- CDirectShow

CDirectShow::CDirectShow() = default;

CDirectShow::~CDirectShow() {
  m_Thread.Stop();
  Close();
}

int CDirectShow::StartThread(pl::Window* hWnd) {
  m_hWnd = hWnd;
  m_pDirectDraw = GetDDraw();
  m_nVolume = MovieBgmVolume();
  return m_Thread.Start();
}

void CDirectShow::StopThread() { m_Thread.Stop(); }

void CDirectShow::SetThreadRunning(int flag) {
  m_bRunWanted.store(flag);
  while (m_bBusy.load()) pl::SleepMs(1);
  if (flag == 1) {
    m_Thread.Resume();
  } else {
    m_Thread.Park();
  }
}

int CDirectShow::ThreadMain() {
  for (;;) {
    if (m_Thread.WaitWhileParked()) return 0;
    m_bBusy.store(1);
    std::uint32_t pass = 0;
    {
      ReleaseScopedLock lock(m_Lock);
      const std::uint32_t t0 = pl::TickMs();
      if (m_bRunWanted.load() == 1 && !AppDestroyed()) Update();
      pass = std::min<std::uint32_t>(pl::TickMs() - t0, kPassMs);
    }
    m_bBusy.store(0);
    if (m_Thread.WaitForStop(kPassMs - pass)) return 0;
  }
}

int CDirectShow::Open(const char* path) {
  if (!path || !*path) return -1;
  if (!m_pDirectDraw) {
    ShowWarning(SJ("DirectDrawオブジェクト作成に失敗しています。\nムービー再生を中止します。"));
    return -1;
  }
  Close();

  std::string utf8 = pl::Cp932ToUtf8(path);
  char cp932[kPathBytes] = {};
  sjis::CopyBounded(cp932, sizeof cp932, path);

  pl::SoundDevice* device = MovieSoundDevice();
  if (!device) {
    // No sound output: the movie plays without its sound.
    ShowWarning(SJ("ムービーの初期化エラーです。\nm_pAMMultiMediaStream->AddMediaStream( &MSPID_PrimaryAudio )\n"
                   "ドライバを最新の物に更新してください。"));
  }
  auto stream = std::make_unique<pl::MovieStream>();
  switch (stream->Open(path, device)) {
    case pl::MovieOpenResult::Ok:
      break;
    case pl::MovieOpenResult::NoDecoder:
      ShowWarning(SJ("ムービーの初期化エラーです。\nm_pDDStream->GetFormat()\nドライバを最新の物に更新してください。"));
      return -1;
    default:
      ShowWarning((std::string(SJ("ムービーの読み込みエラーです。\n")) + pl::DisplayPath(cp932)).c_str());
      return -1;
  }

  const int width = stream->Width(), height = stream->Height();
  const bool picture = width > 0 && height > 0;
  if (picture && !m_pDirectDraw->CreateMovieSurface(width, height)) {
    // Without its surface the movie cannot be shown: it is not opened.
    ShowWarning(SJ("ムービーの初期化エラーです。\nm_pDirectDraw->CreateMovieSurface()\n"
                   "ドライバを最新の物に更新してください。"));
    return -1;
  }

  ReleaseScopedLock lock(m_Lock);
  m_strPath = std::move(utf8);
  std::copy(std::begin(cp932), std::end(cp932), m_szPath);
  m_nWidth = width;
  m_nHeight = height;
  m_bFullSize = width >= 1024 && height >= 600;
  m_nFrameTime = stream->FrameTime();
  m_bSurfaceReady = m_bShown = m_bSampleReady = picture ? 1 : 0;
  m_bHasAudio = stream->HasAudio() ? 1 : 0;
  m_nPauseCount = 0;
  m_nSavedTime = 0;
  m_pStream = std::move(stream);
  m_bOpen = 1;
  return 0;
}

void CDirectShow::Close() {
  bool had = false;
  {
    ReleaseScopedLock lock(m_Lock);
    if (m_pStream) {
      // Silenced before a paused movie is resumed for its stop, so that
      // the resume is never heard.
      m_pStream->SetVolume(pl::kSoundVolumeMin);
      had = true;
    }
  }
  if (IsPaused()) Resume();
  // Lets the silenced sound reach the device before it stops.
  if (had) pl::SleepMs(50);
  Stop();
  ReleaseScopedLock lock(m_Lock);
  m_bShown = m_bOpen = m_bSampleReady = m_bHasAudio = 0;
  m_nPauseCount = 0;
  m_pStream.reset();
}

int CDirectShow::Play() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  Pause();
  if (MovieBgmSwitch() == 1) {
    SetVolume(m_nVolume);
  } else {
    m_pStream->SetVolume(pl::kSoundVolumeMin);
  }
  m_pStream->Seek(0);
  m_pStream->SetState(pl::MovieState::Run);
  m_nPauseCount = 0;
  return 0;
}

int CDirectShow::Pause() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !IsRunning()) return -1;
  m_nPauseCount = 1;
  m_nSavedTime = m_pStream->Time();
  m_pStream->SetState(pl::MovieState::Stop);
  return 0;
}

int CDirectShow::Resume() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  if (m_nPauseCount == 0) return 0;
  if (--m_nPauseCount == 0 && !IsRunning()) {
    m_pStream->Seek(m_nSavedTime);
    m_pStream->SetState(pl::MovieState::Run);
    m_nPauseCount = 0;
  }
  return 0;
}

void CDirectShow::Stop() {
  // The thread is held out of its passes while the stream stops, and let
  // go again only when it was running before.
  const bool parked = m_bOpen && m_bRunWanted.load() == 1;
  if (parked) SetThreadRunning(0);
  Pause();
  if (m_bOpen && parked) SetThreadRunning(1);
}

int CDirectShow::IsRunning() {
  ReleaseScopedLock lock(m_Lock);
  return m_pStream && m_pStream->State() == pl::MovieState::Run ? 1 : 0;
}

int CDirectShow::SetLoop(int loop) { return m_bLoop.exchange(loop) == loop ? 1 : 0; }

int CDirectShow::GetTimeMs() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  return static_cast<int>(m_pStream->Time() / kUnitsPerMs);
}

int CDirectShow::GetFrame() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  // A movie that does not tell its frame time stays at frame 0.
  if (m_nFrameTime <= 0) return 0;
  return static_cast<int>(m_pStream->Time() / m_nFrameTime);
}

int CDirectShow::GetDurationMs() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  return static_cast<int>(m_pStream->Duration() / kUnitsPerMs);
}

int CDirectShow::SeekMs(int ms) {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_pStream) return -1;
  const pl::MovieState state = m_pStream->State();
  m_pStream->SetState(pl::MovieState::Stop);
  m_pStream->Seek(static_cast<std::int64_t>(ms) * kUnitsPerMs);
  m_nSavedTime = m_pStream->Time();
  m_pStream->SetState(state);
  return 0;
}

int CDirectShow::SetVolume(int attenuation) {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bHasAudio || !m_pStream) {
    m_nVolume = attenuation;
    return -1;
  }
  if (MovieBgmSwitch() == 1 && !m_pStream->SetVolume(VolumeOfAttenuation(attenuation))) return 1;
  m_nVolume = attenuation;
  return 0;
}

std::int32_t CDirectShow::GetDeviceVolume() {
  ReleaseScopedLock lock(m_Lock);
  return m_pStream ? m_pStream->Volume() : pl::kSoundVolumeMin;
}

void CDirectShow::SetPos(int x, int y) {
  ReleaseScopedLock lock(m_Lock);
  m_nX = x;
  m_nY = y;
}

void CDirectShow::GetRect(pl::Rect* rect) {
  if (!rect) return;
  ReleaseScopedLock lock(m_Lock);
  *rect = pl::Rect{m_nX, m_nY, m_nX + m_nWidth, m_nY + m_nHeight};
}

void CDirectShow::Update() {
  ReleaseScopedLock lock(m_Lock);
  if (m_nPauseCount != 0 || !m_pStream) return;
  if (!m_bSampleReady || !m_bShown) {
    // A movie of sound only has no frames to end it: its length does.
    const std::int64_t duration = m_pStream->Duration();
    if (m_bOpen && IsRunning() && duration > 0 && m_pStream->Time() >= duration) OnEndOfStream();
    return;
  }
  pl::MovieSample r;
  {
    ReleaseScopedLock surface(m_pDirectDraw->Lock());
    MovieSurface& s = m_pDirectDraw->Surface();
    r = m_pStream->Update(s.Valid() ? s.pixels.data() : nullptr, s.pitch, s.width, s.height);
  }
  if (r == pl::MovieSample::Drawn) {
    DrawFrame();
  } else if (r == pl::MovieSample::EndOfStream) {
    OnEndOfStream();
  }
}

void CDirectShow::OnEndOfStream() {
  Pause();
  if (m_bLoop == 1) {
    // From the start again at the volume it plays at: the settings words
    // belong to the main thread and are read only by Play.
    SeekMs(0);
    m_pStream->SetState(pl::MovieState::Run);
    m_nPauseCount = 0;
  }
}

void CDirectShow::DrawFrame() {
  if (!m_pDirectDraw) return;
  // The main thread presents under the same lock: the two never show a
  // rectangle at once.
  ReleaseScopedLock present(GetPresentLock());
  m_pDirectDraw->DrawSurface(m_hWnd, m_nWidth, m_nHeight, m_nX, m_nY);
  m_nFramesDrawn.fetch_add(1);
}

// ---------------------------------------------------------------- AVI

namespace {

// The picture the AVI covers: the logical screen.
constexpr int kAviWidth = 1024, kAviHeight = 600;

class CAviPlayer : public CThread {
 public:
  ~CAviPlayer() override { Stop(); }

  // 0 or the error; the stream plays from its start when 0.
  int Open(pl::Window* notify, const char* path, std::uint32_t id) {
    std::lock_guard<std::mutex> g(m_Mu);
    m_pNotify = notify;
    m_nId = id;
    m_bEnded = false;
    switch (m_Stream.Open(path, MovieSoundDevice())) {
      case pl::MovieOpenResult::Ok:
        break;
      case pl::MovieOpenResult::NotFound:
        return kAviErrorFileNotFound;
      default:
        return kAviErrorInvalidFile;
    }
    pl::Window* main = GetMainWindowHandle();
    const pl::Rect client = main ? pl::GetClientRect(main) : pl::Rect{0, 0, kAviWidth, kAviHeight};
    m_nWidth = std::clamp(client.Width(), 1, kAviWidth);
    m_nHeight = std::clamp(client.Height(), 1, kAviHeight);
    m_Frame.assign(static_cast<std::size_t>(kAviWidth) * kAviHeight, 0xFF000000u);
    m_Stream.SetVolume(pl::kSoundVolumeMax);
    m_Stream.Seek(0);
    m_Stream.SetState(pl::MovieState::Run);
    m_nFrames.store(0);
    return 0;
  }

  void Close() {
    std::lock_guard<std::mutex> g(m_Mu);
    m_Stream.SetState(pl::MovieState::Stop);
    m_Stream.Close();
    m_nId = 0;
  }

  std::uint32_t Id() {
    std::lock_guard<std::mutex> g(m_Mu);
    return m_nId;
  }
  std::uint64_t Frames() const { return m_nFrames.load(); }

  int Run() override {
    while (!WaitForStop(0)) {
      const std::uint32_t t0 = pl::TickMs();
      Pass();
      const std::uint32_t pass = std::min<std::uint32_t>(pl::TickMs() - t0, CDirectShow::kPassMs);
      if (WaitForStop(CDirectShow::kPassMs - pass)) break;
    }
    return 0;
  }

 private:
  void Pass() {
    std::lock_guard<std::mutex> g(m_Mu);
    if (m_nId == 0 || m_bEnded || AppDestroyed()) return;
    const pl::MovieSample r = m_Stream.Update(m_Frame.data(), kAviWidth * 4, m_nWidth, m_nHeight);
    if (r == pl::MovieSample::Drawn) {
      ReleaseScopedLock present(GetPresentLock());
      BlitToWindowDc(m_Frame.data(), kAviWidth * 4, 0, 0, m_nWidth, m_nHeight);
      const pl::Rect rect{0, 0, m_nWidth, m_nHeight};
      PresentScaledRect(rect, m_Frame.data());
      m_nFrames.fetch_add(1);
    } else if (r == pl::MovieSample::EndOfStream ||
               (r == pl::MovieSample::NoVideo && m_Stream.Time() >= m_Stream.Duration())) {
      // The last frame stays until the AVI is stopped, as the device leaves it.
      m_bEnded = true;
      m_Stream.SetState(pl::MovieState::Stop);
      if (m_pNotify) {
        pl::PostMessage(m_pNotify, kAviNotifyMessage, kAviNotifySuccessful, static_cast<pl::LPARAM>(m_nId));
      }
    }
  }

  std::mutex m_Mu;
  pl::MovieStream m_Stream;
  std::vector<std::uint32_t> m_Frame;  // 1024 pixels a row
  int m_nWidth = kAviWidth, m_nHeight = kAviHeight;
  pl::Window* m_pNotify = nullptr;
  std::uint32_t m_nId = 0;
  bool m_bEnded = false;
  std::atomic<std::uint64_t> m_nFrames{0};
};

std::uint32_t g_nAviDevice = 0;
std::uint32_t g_nNextAviId = 0;

CAviPlayer& AviPlayer() {
  static CAviPlayer player;
  return player;
}

}  // namespace

std::uint32_t& AviDeviceId() { return g_nAviDevice; }

int PlayAvi(pl::Window* window, std::uint32_t* deviceId, const char* path) {
  if (!window || !deviceId) return kAviErrorNoWindow;
  if (!path || !*path) return kAviErrorFileNotFound;
  CAviPlayer& player = AviPlayer();
  // One AVI at a time: an earlier one would otherwise play on unseen.
  player.Stop();
  if (player.Id() != 0) {
    player.Close();
    g_nAviDevice = 0;
  }
  // Ids count from 1 and skip 0, so a late end of an earlier AVI never
  // matches the one now open.
  if (++g_nNextAviId == 0) ++g_nNextAviId;
  const std::uint32_t id = g_nNextAviId;
  const int err = player.Open(window, path, id);
  if (err != 0) {
    player.Close();
    return err;
  }
  if (player.Start() != 0) {
    player.Close();
    return kAviErrorInvalidFile;
  }
  *deviceId = id;
  return 0;
}

int StopAvi() {
  if (g_nAviDevice == 0) return 0;
  CAviPlayer& player = AviPlayer();
  player.Stop();
  player.Close();
  g_nAviDevice = 0;
  return 0;
}

bool IsAviEndMessage(pl::WPARAM wParam, pl::LPARAM lParam) {
  return wParam == kAviNotifySuccessful && g_nAviDevice != 0 && static_cast<std::uint32_t>(lParam) == g_nAviDevice &&
         AviPlayer().Id() == g_nAviDevice;
}

std::uint64_t AviFramesDrawn() { return AviPlayer().Frames(); }
