// CSoundSystem: the sound manager. It owns the sound device and the nineteen
// channel records with their threads, opens a file on a channel, refills
// halves, halts channels, applies the volume curve and posts the end of a
// sound to the main window as WM_USER+1.
//
// The end message carries the channel in the low 16 bits of its WPARAM and
// the channel's generation in the high 16 bits (LPARAM 0). The generation
// changes with every open and halt, so the window's handler asks
// CheckEndMessage first and drops a message of a sound that is gone.
//
// While the sound-available flag is 0 (no device, or a failed start) every
// channel operation returns without effect: the game runs silent.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/messages.h"
#include "platform/sound_device.h"
#include "sound/sound_channel.h"

namespace pl {
class Window;
}

// What the channels need from the rest of the game: the volume settings,
// the fade entries and the voice-driven sprite frames. Called on the main
// thread only. Without a host every volume is 0 and the calls do nothing.
class ISoundHost {
 public:
  virtual ~ISoundHost() = default;
  // The kind's volume setting: the BGM volume for channel 0, the voice
  // volume for channel 2, the effect volume for every other channel.
  virtual int KindVolume(int channel) = 0;
  // The attenuation an open applies: the kind's setting, and for the voice
  // channel the current speaker's weighting of it.
  virtual int OpenVolume(int channel) = 0;
  // A sound was opened on the channel: its fade entry ends.
  virtual void OnChannelOpened(int channel) = 0;
  // A finished voice was halted: the voice-driven sprite frames go back.
  virtual void ResetVoiceAnimations() = 0;
};

class CSoundSystem : public ISoundReporter {
 public:
  static constexpr std::uint32_t kEndMessage = pl::WM_USER + 1;
  static constexpr std::size_t kThreadStack = 0x200000;
  // How long a halt waits for the thread's acknowledgement, and shutdown for
  // a thread to end, before it reports the thread and goes on.
  static constexpr std::uint32_t kAnswerWaitMs = 2000;

  CSoundSystem();
  CSoundSystem(const CSoundSystem&) = delete;
  CSoundSystem& operator=(const CSoundSystem&) = delete;
  ~CSoundSystem() override;

  // Opens the device and makes the nineteen channels; sets and returns the
  // sound-available flag (1 / 0). `window` receives the end messages and
  // owns the boxes.
  int InitDirectSound(pl::Window* window);
  // Halts and destroys every channel, ends the threads, closes the device.
  // Whatever a partly failed start made is torn down too.
  void ShutdownDirectSound();
  int CreateSoundChannel(int channel);
  // Opens a ".ogg" or ".wav" (a game path, or the member name when the
  // channel's archive is set) on an idle channel, primes the first half and
  // starts looping playback. 1 / 0.
  int OpenChannelFile(const char* path, int channel);
  // The refill step for event 0 or 1 (the half 1 - e is written).
  int FillChannelHalf(int channel, int event);
  // Silences and stops the channel, waits for its thread's acknowledgement,
  // clears the buffer and closes the stream. 0 while sound is not
  // available, else 1.
  int HaltChannel(int channel);
  // Stores the attenuation and sets the device volume through the curve; 0,
  // or the failure. 0 when the channel has no buffer.
  int SetChannelVolume(int attenuation, int channel);

  int IsSoundAvailable() const { return m_bSoundAvailable.load(std::memory_order_acquire); }
  CSoundChannel& Channel(int channel) { return m_Channels[channel]; }
  const CSoundChannel& Channel(int channel) const { return m_Channels[channel]; }
  pl::SoundDevice* Device() { return m_pDevice.get(); }
  void SetHost(ISoundHost* host) { m_pHost = host; }

  // The play-mode words (2 = loop): music on channel 0, ambience on channel
  // 1, effects (honoured by channel 3 only). Written by the main thread,
  // read by the refill.
  std::atomic<std::int32_t> m_nBgmMode{0};
  std::atomic<std::int32_t> m_nEnvMode{0};
  std::atomic<std::int32_t> m_nSeMode{0};
  bool IsLooping(int channel) const;

  // The voice archive while it is open: the voice channel's thread closes
  // it and clears this when the voice stops, before it acknowledges.
  void SetVoiceArchive(CArc* arc) { m_pVoiceArchive.store(arc, std::memory_order_release); }
  CArc* GetVoiceArchive() const { return m_pVoiceArchive.load(std::memory_order_acquire); }

  static pl::WPARAM EndMessageParam(int channel, std::uint16_t generation);
  // Main thread, on the end message: its channel, or -1 when the message is
  // not for the sound now loaded there.
  int CheckEndMessage(pl::WPARAM wParam) const;

  // Boxes: shown at once on the main thread; from a channel thread they
  // wait for the main thread's next ShowDeferredBoxes.
  void ReportBox(const std::string& text, const char* caption) override;
  void ShowDeferredBoxes();
  bool HasDeferredBoxes() const;

  // Waits until every channel thread has handled everything signalled to
  // it so far (tests, which render on the caller's thread). False on
  // time-out.
  bool WaitQuiescent(std::uint32_t ms = 5000);

 private:
  int StreamThreadProc(int channel);
  void ZeroBuffer(CSoundChannel& c, std::uint32_t offset, std::uint32_t bytes);
  std::uint32_t FillFromWave(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed);
  std::uint32_t FillFromOgg(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed);
  // A file in another format than its channel's, through the converter.
  std::uint32_t FillConverted(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed);
  void CloseStream(CSoundChannel& c);
  void DestroyChannel(int channel);
  int KindVolume(int channel);
  bool OnMainThread() const;
  // While a channel's refill lock is held on the main thread its boxes wait:
  // a modal box pumps messages, and a handler must not find the lock taken.
  class CBoxHold {
   public:
    explicit CBoxHold(CSoundSystem& s) : m_s(s) { ++m_s.m_nBoxHold; }
    ~CBoxHold() {
      if (--m_s.m_nBoxHold == 0) m_s.ShowDeferredBoxes();
    }
    CBoxHold(const CBoxHold&) = delete;
    CBoxHold& operator=(const CBoxHold&) = delete;

   private:
    CSoundSystem& m_s;
  };

  std::unique_ptr<pl::SoundDevice> m_pDevice;
  CSoundChannel m_Channels[kSoundChannelCount];
  std::atomic<int> m_bSoundAvailable{0};
  pl::Window* m_pWindow = nullptr;
  ISoundHost* m_pHost = nullptr;
  std::atomic<CArc*> m_pVoiceArchive{nullptr};
  std::int32_t m_nMainThread = 0;
  int m_nBoxHold = 0;  // main thread only

  struct DeferredBox {
    std::string text, caption;
  };
  mutable std::mutex m_BoxMu;
  std::deque<DeferredBox> m_Boxes;
};

// The process's sound system (it lives with the process's globals; null
// outside a run).
CSoundSystem* GetSoundSystem();
void SetSoundSystem(CSoundSystem* system);
