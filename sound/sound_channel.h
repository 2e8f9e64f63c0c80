// CSoundChannel: the record of one of the nineteen streaming channels. Each
// owns a looping buffer of two seconds in its kind's format, split into two
// one-second halves, a thread that refills a half once the cursor has moved
// into the other, and the source (Ogg or wave) that feeds it.
//
// Who touches what: the main thread opens, halts and sets volumes; the
// channel thread refills. The stream state (name, file kind, end half, the
// sources) is touched only under the refill lock, or by the main thread
// while the channel is halted and its thread has acknowledged the stop.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/arc.h"
#include "platform/sound_device.h"
#include "platform/thread.h"
#include "sound/ogg_stream.h"
#include "sound/pcm_converter.h"
#include "sound/wave_file.h"

inline constexpr int kSoundChannelCount = 19;
inline constexpr int kBgmChannel = 0;
inline constexpr int kEnvChannel = 1;
inline constexpr int kVoiceChannel = 2;
inline constexpr int kFirstSeChannel = 3;  // effects 0-15 on channels 3-18

// The channel's format: 44.1 kHz stereo for music, 44.1 kHz mono for the
// voice, 22.05 kHz stereo for ambience and effects; 16 bits always.
pl::PcmFormat ChannelFormat(int channel);

// The volume curve: an attenuation a (0 loudest, 100 silent; clamped to
// that range) as a device volume -(a * a) / 2 in hundredths of a decibel,
// truncated toward zero, and exactly -10000 at 100.
int ScaleVolume(int value);
int VolumeOfAttenuation(int attenuation);

enum class SoundFileKind : std::uint8_t { None, Ogg, Wave };

// The channel thread's events, in the order the thread serves them when
// several are set (lowest first).
enum : int {
  kEventHalf0 = 0,    // the cursor came back to the start: the second half is free
  kEventHalf1 = 1,    // the cursor reached the second half: the first half is free
  kEventStopped = 2,  // the buffer left the mix
  kEventQuit = 3,
  // Served only when the four above are clear: tells a caller that waits on
  // it that everything signalled before has been handled (tests).
  kEventProbe = 4,
};

// Holds a channel's refill lock for a scope; with a time limit it may fail
// to get it (Held() false).
class CRefillGuard {
 public:
  explicit CRefillGuard(pl::Event& lock, std::uint32_t ms = pl::kInfinite)
      : m_Lock(lock), m_bHeld(lock.Wait(ms) == pl::WaitResult::Signaled) {}
  CRefillGuard(const CRefillGuard&) = delete;
  CRefillGuard& operator=(const CRefillGuard&) = delete;
  ~CRefillGuard() { Release(); }
  bool Held() const { return m_bHeld; }
  void Release() {
    if (m_bHeld) m_Lock.Set();
    m_bHeld = false;
  }

 private:
  pl::Event& m_Lock;
  bool m_bHeld;
};

class CSoundChannel {
 public:
  static constexpr std::uint32_t kNameSize = 16;

  CSoundChannel() = default;
  CSoundChannel(const CSoundChannel&) = delete;
  CSoundChannel& operator=(const CSoundChannel&) = delete;

  std::unique_ptr<pl::SoundBuffer> m_pBuffer;  // null until the channel is made
  pl::PcmFormat m_Format;
  std::uint32_t m_nBufferBytes = 0;
  std::uint32_t m_nHalfBytes = 0;
  pl::SoundNotification m_Notify[3];

  std::unique_ptr<pl::NativeThread> m_pThread;
  std::int32_t m_nThreadId = 0;
  pl::EventGroup m_Events;
  pl::Event m_StopAck{false};
  pl::Event m_ThreadDone{true};
  // A thread that did not answer within the bounded waits; the channel is
  // left alone from then on.
  std::atomic<bool> m_bAbandoned{false};

  // The sound now loaded; empty (first byte 0) when idle. Always
  // NUL-terminated.
  char m_szName[kNameSize] = {};
  // Which source feeds the channel, decided from the extension at open, so
  // a name that had to be cut can never pick the wrong decoder.
  SoundFileKind m_nFileKind = SoundFileKind::None;
  // -1 while data flows; else the half (0 or 1) that got the last data.
  std::int32_t m_nEndHalf = -1;
  // 1 once the end message was posted for the sound now loaded.
  std::atomic<std::int32_t> m_bFinished{0};
  // Counts the sounds opened and halted on the channel; the end message
  // carries it so that a message of a sound since replaced is dropped.
  std::atomic<std::uint16_t> m_nGeneration{0};

  CWaveFile m_Wave;
  COggStream m_Ogg;
  // Open while the file's rate or channel count is not the channel's: the
  // samples are converted as they stream. The wave source reads through
  // m_SourceBlock then; m_bSourceDone is set once the data has ended and
  // the converter's tail has been drained.
  CPcmConverter m_Converter;
  std::vector<std::uint8_t> m_SourceBlock;
  bool m_bSourceDone = false;
  // The archive the next (or current) sound comes from; null for a loose
  // file. Set just before an open, cleared when the stream closes.
  CArc* m_pArchive = nullptr;

  // The volume last set through SetChannelVolume (0-100).
  std::int32_t m_nAttenuation = 0;

  // Taken by the thread around each refill; the main thread takes it only
  // where it changes the stream, which after an acknowledged stop is never
  // contended. A binary semaphore (an auto-reset event that starts set), for
  // the bounded wait that a stuck thread calls for.
  pl::Event m_RefillLock{false, true};

  std::mutex m_ProbeMu;
  std::condition_variable m_ProbeCv;
  std::uint64_t m_nProbes = 0;
};
