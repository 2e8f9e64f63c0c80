#include "sound/sound_system.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>
#include <algorithm>

#include "framework/sjis.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"

namespace {

void SoundLog(const char* what, int channel) { std::fprintf(stderr, "kivzo: sound channel %d: %s\n", channel, what); }

bool ValidChannel(int ch) { return ch >= 0 && ch < kSoundChannelCount; }

std::string BadFileText(const char* path) {
  return std::string(SJ("指定サウンドファイル：")) + pl::DisplayPath(path) + SJ(" は不正なファイルです。");
}

}  // namespace

CSoundSystem::CSoundSystem() : m_nMainThread(pl::CurrentThreadId()) {}

CSoundSystem::~CSoundSystem() { ShutdownDirectSound(); }

bool CSoundSystem::OnMainThread() const { return pl::CurrentThreadId() == m_nMainThread; }

int CSoundSystem::KindVolume(int ch) { return m_pHost ? m_pHost->KindVolume(ch) : 0; }

bool CSoundSystem::IsLooping(int ch) const {
  switch (ch) {
    case kBgmChannel:
      return m_nBgmMode.load() == 2;
    case kEnvChannel:
      return m_nEnvMode.load() == 2;
    case kFirstSeChannel:
      return m_nSeMode.load() == 2;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- boxes

void CSoundSystem::ReportBox(const std::string& text, const char* caption) {
  if (OnMainThread() && m_nBoxHold == 0) {
    pl::MessageBox(m_pWindow, text, caption, pl::MB_OK);
    return;
  }
  // A box from a channel thread would hold up its refills while it is up,
  // and only the main thread may show one.
  std::lock_guard<std::mutex> g(m_BoxMu);
  m_Boxes.push_back({text, caption});
}

void CSoundSystem::ShowDeferredBoxes() {
  for (;;) {
    DeferredBox box;
    {
      std::lock_guard<std::mutex> g(m_BoxMu);
      if (m_Boxes.empty()) return;
      box = std::move(m_Boxes.front());
      m_Boxes.pop_front();
    }
    pl::MessageBox(m_pWindow, box.text, box.caption, pl::MB_OK);
  }
}

bool CSoundSystem::HasDeferredBoxes() const {
  std::lock_guard<std::mutex> g(m_BoxMu);
  return !m_Boxes.empty();
}

// ---------------------------------------------------------------- end message

pl::WPARAM CSoundSystem::EndMessageParam(int channel, std::uint16_t generation) {
  return static_cast<pl::WPARAM>(static_cast<std::uint32_t>(channel & 0xFFFF) |
                                 (static_cast<std::uint32_t>(generation) << 16));
}

int CSoundSystem::CheckEndMessage(pl::WPARAM wParam) const {
  const int ch = static_cast<int>(pl::LoWord(wParam));
  if (!ValidChannel(ch)) return -1;
  if (pl::HiWord(wParam) != m_Channels[ch].m_nGeneration.load()) return -1;
  return ch;
}

// ---------------------------------------------------------------- device

int CSoundSystem::InitDirectSound(pl::Window* window) {
  m_nMainThread = pl::CurrentThreadId();
  m_pWindow = window;
  if (m_pDevice) return IsSoundAvailable();
  m_pDevice = pl::CreateSoundDevice();
  if (!m_pDevice) {
    ReportBox(SJ("DirectSoundが使用できません。"), SJ("警告"));
    return 0;
  }
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    if (!CreateSoundChannel(ch)) {
      ReportBox(SJ("DirectSoundのセカンダリバッファ生成に失敗しました。"), SJ("デバッグ"));
      return 0;
    }
  }
  m_bSoundAvailable.store(1, std::memory_order_release);
  return 1;
}

int CSoundSystem::CreateSoundChannel(int ch) {
  if (!m_pDevice || !ValidChannel(ch)) return 0;
  CSoundChannel& c = m_Channels[ch];
  if (c.m_pBuffer) return 1;
  c.m_Format = ChannelFormat(ch);
  c.m_nHalfBytes = c.m_Format.BytesPerSecond();
  c.m_nBufferBytes = 2 * c.m_nHalfBytes;
  c.m_pBuffer = m_pDevice->CreateBuffer(c.m_Format, c.m_nBufferBytes);
  if (!c.m_pBuffer) {
    ReportBox(SJ("セカンダリ DirectSoundBuffer オブジェクトの生成に失敗しました。"), SJ("警告"));
    return 0;
  }
  SetChannelVolume(KindVolume(ch), ch);
  ZeroBuffer(c, 0, c.m_nBufferBytes);

  c.m_Notify[0] = {0, &c.m_Events, kEventHalf0};
  c.m_Notify[1] = {c.m_nHalfBytes, &c.m_Events, kEventHalf1};
  c.m_Notify[2] = {pl::kSoundNotifyAtStop, &c.m_Events, kEventStopped};
  if (!c.m_pBuffer->SetNotificationPositions(c.m_Notify)) {
    ReportBox(SJ("DirectSoundNotify オブジェクトの通知設定に失敗しました。"), SJ("警告"));
    c.m_pBuffer.reset();
    return 0;
  }

  // The events are latched, so the thread needs no head start before the
  // first Play; it runs from here on and only waits while the channel idles.
  c.m_ThreadDone.Reset();
  c.m_bAbandoned.store(false);
  c.m_pThread = std::make_unique<pl::NativeThread>();
  if (!c.m_pThread->Start([this, ch] { return StreamThreadProc(ch); }, kThreadStack)) {
    c.m_pThread.reset();
    c.m_ThreadDone.Set();
    c.m_pBuffer.reset();
    return 0;
  }
  c.m_nThreadId = c.m_pThread->Id();
  return 1;
}

void CSoundSystem::DestroyChannel(int ch) {
  CSoundChannel& c = m_Channels[ch];
  c.m_pBuffer.reset();
  if (c.m_pThread) {
    c.m_Events.Set(kEventQuit);
    if (c.m_ThreadDone.Wait(kAnswerWaitMs) == pl::WaitResult::Signaled) {
      c.m_pThread->Join();
      c.m_pThread.reset();
    } else {
      // Joining would hang the exit; the thread is left to the end of the
      // process. Its object is leaked on purpose: destroying it would join.
      SoundLog("thread did not end; abandoned", ch);
      c.m_bAbandoned.store(true);
      (void)c.m_pThread.release();
    }
    c.m_nThreadId = 0;
  }
  for (int e = kEventHalf0; e <= kEventProbe; ++e) c.m_Events.Reset(e);
  c.m_StopAck.Reset();
}

void CSoundSystem::ShutdownDirectSound() {
  // Also after a failed start, whose channels and threads must still end.
  if (IsSoundAvailable())
    for (int ch = 0; ch < kSoundChannelCount; ++ch) HaltChannel(ch);
  m_bSoundAvailable.store(0, std::memory_order_release);
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    CSoundChannel& c = m_Channels[ch];
    if (!c.m_bAbandoned.load()) {
      CRefillGuard lock(c.m_RefillLock, kAnswerWaitMs);
      if (lock.Held()) CloseStream(c);
    }
    DestroyChannel(ch);
  }
  m_pDevice.reset();
}

// ---------------------------------------------------------------- volume

int CSoundSystem::SetChannelVolume(int attenuation, int ch) {
  if (!ValidChannel(ch)) return 0;
  CSoundChannel& c = m_Channels[ch];
  c.m_nAttenuation = attenuation;
  if (!c.m_pBuffer) return 0;
  if (!c.m_pBuffer->SetVolume(VolumeOfAttenuation(attenuation))) {
    ReportBox(SJ("ボリュームを変更できませんでした。"), SJ("エラー"));
    return -1;
  }
  return 0;
}

// ---------------------------------------------------------------- open / halt

void CSoundSystem::ZeroBuffer(CSoundChannel& c, std::uint32_t offset, std::uint32_t bytes) {
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  if (!c.m_pBuffer || !c.m_pBuffer->Lock(offset, bytes, &p1, &n1, &p2, &n2)) return;
  std::memset(p1, 0, n1);
  if (p2) std::memset(p2, 0, n2);
  c.m_pBuffer->Unlock(p1, n1, p2, n2);
}

void CSoundSystem::CloseStream(CSoundChannel& c) {
  if (c.m_nFileKind == SoundFileKind::Ogg) c.m_Ogg.Close();
  c.m_Wave.Close();
  c.m_Converter.Close();
  c.m_SourceBlock.clear();
  c.m_bSourceDone = false;
  c.m_nFileKind = SoundFileKind::None;
  c.m_pArchive = nullptr;
  c.m_szName[0] = '\0';
}

int CSoundSystem::OpenChannelFile(const char* path, int ch) {
  if (!IsSoundAvailable() || !ValidChannel(ch) || !path) return 0;
  CSoundChannel& c = m_Channels[ch];
  if (!c.m_pBuffer || c.m_bAbandoned.load()) return 0;

  const std::string_view whole(path);
  const std::size_t dot = sjis::FindLastChar(whole, '.');
  SoundFileKind kind = SoundFileKind::None;
  if (dot == std::string_view::npos) {
    ReportBox(SJ("不正なBGMが指定されました。"), SJ("デバッグ"));
  } else if (sjis::EqualNoCase(whole.substr(dot), ".ogg")) {
    kind = SoundFileKind::Ogg;
  } else if (sjis::EqualNoCase(whole.substr(dot), ".wav")) {
    kind = SoundFileKind::Wave;
  } else {
    ReportBox(BadFileText(path), SJ("デバッグ"));
  }
  if (kind == SoundFileKind::None) {
    c.m_pArchive = nullptr;
    return 0;
  }

  CBoxHold boxes(*this);  // declared first: shows its boxes after the lock is gone
  CRefillGuard lock(c.m_RefillLock, kAnswerWaitMs);
  if (!lock.Held()) {
    SoundLog("refill lock held too long; channel abandoned", ch);
    c.m_bAbandoned.store(true);
    return 0;
  }
  CArc* archive = std::exchange(c.m_pArchive, nullptr);
  CloseStream(c);  // the caller halted; this only makes sure

  // 16-bit samples, mono or stereo, at any rate: a file in another format
  // than its channel's is converted while it streams.
  bool fits = true;
  int fileRate = 0, fileChannels = 0;
  if (kind == SoundFileKind::Ogg) {
    if (c.m_Ogg.Open(path, archive, this) != 0) return 0;
    fileRate = c.m_Ogg.Rate();
    fileChannels = c.m_Ogg.Channels();
  } else {
    CArcView view;
    if (archive) {
      view = archive->Seek(path);
    } else {
      auto file = std::make_shared<pl::File>();
      if (file->OpenRead(path)) view = CArcView::WholeFile(std::move(file));
    }
    if (c.m_Wave.Open(std::move(view)) != CWaveFile::kOk) return 0;
    const WaveFormat& f = c.m_Wave.Format();
    fits = f.IsPcm() && f.bitsPerSample == 16 && f.blockAlign == 2 * f.channels;
    fileRate = static_cast<int>(f.samplesPerSec);
    fileChannels = f.channels;
    if (fits && c.m_Wave.SeekData() != CWaveFile::kOk) {
      c.m_Wave.Close();
      return 0;
    }
  }
  fits = fits && fileRate > 0 && (fileChannels == 1 || fileChannels == 2);
  if (fits && (fileRate != static_cast<int>(c.m_Format.rate) || fileChannels != c.m_Format.channels)) {
    fits = c.m_Converter.Open(fileRate, fileChannels, static_cast<int>(c.m_Format.rate), c.m_Format.channels);
    // A second of the file at a time, as the Ogg decoder hands it out.
    if (fits && kind == SoundFileKind::Wave) {
      c.m_SourceBlock.assign(static_cast<std::size_t>(std::min(fileRate, CPcmConverter::kMaxPushFrames)) * 2 *
                                 static_cast<std::size_t>(fileChannels),
                             0);
    }
  }
  if (!fits) {
    c.m_nFileKind = kind;
    CloseStream(c);
    ReportBox(BadFileText(path), SJ("デバッグ"));
    return 0;
  }
  c.m_nFileKind = kind;
  c.m_pArchive = archive;

  ZeroBuffer(c, 0, c.m_nBufferBytes);
  // A member keeps the name it was asked for, a loose file its file name;
  // either is cut to the field on a character boundary.
  std::string_view name = whole;
  if (!archive) {
    const std::size_t slash = std::max(sjis::FindLastChar(whole, '\\') + 1, sjis::FindLastChar(whole, '/') + 1);
    if (slash <= whole.size()) name = whole.substr(slash);
  }
  sjis::CopyBounded(c.m_szName, CSoundChannel::kNameSize, name);
  if (c.m_szName[0] == '\0') sjis::CopyBounded(c.m_szName, CSoundChannel::kNameSize, "?");

  c.m_nGeneration.fetch_add(1);
  c.m_bFinished.store(0);
  c.m_pBuffer->SetCurrentPosition(0);
  c.m_nEndHalf = -1;
  FillChannelHalf(ch, kEventHalf1);  // writes the first second into half 0
  c.m_pBuffer->SetCurrentPosition(0);
  lock.Release();

  SetChannelVolume(m_pHost ? m_pHost->OpenVolume(ch) : 0, ch);
  if (m_pHost) m_pHost->OnChannelOpened(ch);
  c.m_pBuffer->Play(true);
  return 1;
}

int CSoundSystem::HaltChannel(int ch) {
  if (!IsSoundAvailable()) return 0;
  if (!ValidChannel(ch)) return 1;
  CSoundChannel& c = m_Channels[ch];
  if (!c.m_pBuffer || c.m_bAbandoned.load()) return 1;

  if (c.m_pBuffer->IsPlaying()) {
    // Muted first, so that the stop does not click.
    c.m_pBuffer->SetVolume(pl::kSoundVolumeMin);
    pl::SleepMs(25);
    c.m_StopAck.Reset();
    c.m_pBuffer->Stop();
    // The thread serves a pending refill before the stop (lower events
    // first), so once it answers it is done with this sound; the voice
    // thread has also closed the voice archive by then.
    if (c.m_StopAck.Wait(kAnswerWaitMs) == pl::WaitResult::Timeout) SoundLog("no answer to the stop", ch);
    c.m_StopAck.Reset();
    c.m_pBuffer->SetVolume(VolumeOfAttenuation(KindVolume(ch)));
  }

  CBoxHold boxes(*this);
  CRefillGuard lock(c.m_RefillLock, kAnswerWaitMs);
  if (!lock.Held()) {
    // Stuck inside a refill: its stream cannot be closed under it.
    SoundLog("refill never ended; channel abandoned", ch);
    c.m_bAbandoned.store(true);
    c.m_nGeneration.fetch_add(1);
    return 1;
  }
  ZeroBuffer(c, 0, c.m_nBufferBytes);
  c.m_nEndHalf = -1;
  CloseStream(c);
  lock.Release();

  c.m_nGeneration.fetch_add(1);
  if (c.m_bFinished.exchange(0) == 1 && ch == kVoiceChannel && m_pHost) m_pHost->ResetVoiceAnimations();
  return 1;
}

// ---------------------------------------------------------------- tests

bool CSoundSystem::WaitQuiescent(std::uint32_t ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::uint64_t before[kSoundChannelCount] = {};
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    CSoundChannel& c = m_Channels[ch];
    if (!c.m_pThread || c.m_bAbandoned.load()) continue;
    {
      std::lock_guard<std::mutex> g(c.m_ProbeMu);
      before[ch] = c.m_nProbes;
    }
    c.m_Events.Set(kEventProbe);
  }
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    CSoundChannel& c = m_Channels[ch];
    if (!c.m_pThread || c.m_bAbandoned.load()) continue;
    std::unique_lock<std::mutex> g(c.m_ProbeMu);
    if (!c.m_ProbeCv.wait_until(g, deadline, [&] { return c.m_nProbes > before[ch]; })) return false;
  }
  return true;
}

namespace {
CSoundSystem* g_pSoundSystem = nullptr;
}

CSoundSystem* GetSoundSystem() { return g_pSoundSystem; }
void SetSoundSystem(CSoundSystem* system) { g_pSoundSystem = system; }
