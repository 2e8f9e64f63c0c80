// The sound device: secondary buffers that a software mixer plays, in the
// manner the sound layer was written against. A buffer is a ring of 16-bit
// PCM with a play cursor; the caller writes regions through Lock/Unlock,
// plays it (looping or once), sets its volume as an attenuation in
// hundredths of a decibel and asks for events at cursor offsets and at stop.
//
// The mixer's output is always 44100 Hz, stereo, signed 16-bit. A buffer at
// 22050 Hz is doubled by linear interpolation: output frame 2k is source
// frame k, output frame 2k+1 is the midpoint (a + b) >> 1 of frames k and
// k+1 (the frame after the last one is silence for a buffer played once,
// the first frame for a looping one). A mono buffer feeds both sides. Each
// sample is scaled by the buffer's gain in 16.16 fixed point,
// (s * g + 0x8000) >> 16, with g = round(65536 * 10^(volume / 2000)) and
// exactly 0 at -10000; the scaled samples are summed and the sum clamped to
// the 16-bit range. At volume 0 a 44.1 kHz stereo buffer therefore comes out
// bit for bit.
//
// Notifications are events of a pl::EventGroup. The one at the offset where
// Play starts fires at Play; offsets the cursor crosses, in (old, new],
// fire in cursor order after each mixed block of at most 1024 frames; the
// stop notification fires once the buffer has left the mix (Stop, or the end
// of a buffer played once), and nothing of that buffer fires after it.
//
// All of it may be used from any thread. A buffer and its device may be
// destroyed in either order; a buffer whose device is gone is never mixed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/thread.h"

namespace pl {

struct PcmFormat {
  std::uint32_t rate = 44100;      // 22050 or 44100
  std::uint16_t channels = 2;      // 1 or 2
  std::uint16_t bitsPerSample = 16;  // 16 only
  std::uint32_t BlockAlign() const { return static_cast<std::uint32_t>(channels) * bitsPerSample / 8; }
  std::uint32_t BytesPerSecond() const { return BlockAlign() * rate; }
  bool operator==(const PcmFormat&) const = default;
};

inline constexpr std::int32_t kSoundVolumeMax = 0;       // full level
inline constexpr std::int32_t kSoundVolumeMin = -10000;  // silence
inline constexpr std::uint32_t kSoundNotifyAtStop = 0xFFFFFFFFu;

// Gain of a volume in 16.16 fixed point (65536 at 0, 0 at -10000 and below).
std::int32_t SoundGainOf(std::int32_t volume);

struct SoundNotification {
  std::uint32_t offset = 0;  // a byte offset in the buffer, or kSoundNotifyAtStop
  EventGroup* group = nullptr;
  int index = 0;             // the event of the group to set
};

class SoundDevice;

class SoundBuffer {
 public:
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;
  ~SoundBuffer();

  const PcmFormat& Format() const { return format_; }
  std::uint32_t Size() const { return size_; }

  // Hands out the region [offset, offset + bytes) for writing, as one part
  // or, when it wraps, two. What was written before is still there. False
  // for a region outside the buffer.
  bool Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1, void** part2,
            std::uint32_t* bytes2);
  // Commits what Lock handed out; the mixer sees the bytes from now on.
  bool Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2);
  // Buffers are never lost here; kept for callers written for devices that
  // lose them.
  bool Restore() { return true; }

  // The cursor, rounded down to a whole frame.
  bool SetCurrentPosition(std::uint32_t offset);
  // The play cursor (the next byte the mixer takes) and the write cursor
  // (the first byte that may be changed without being heard late).
  bool GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) const;
  bool Play(bool looping);
  bool Stop();
  bool IsPlaying() const;
  // Clamped to [-10000, 0].
  bool SetVolume(std::int32_t volume);
  std::int32_t GetVolume() const;
  // Only while stopped; replaces the earlier set. False for an offset outside
  // the buffer, a missing group or an index beyond 31.
  bool SetNotificationPositions(std::span<const SoundNotification> positions);

 private:
  friend class SoundDevice;
  struct Core;
  SoundBuffer(std::shared_ptr<Core> core, const PcmFormat& format, std::uint32_t size);
  void FireLocked(std::uint32_t offset);

  std::shared_ptr<Core> core_;  // the device's lock and list, shared so either may go first
  const PcmFormat format_;
  const std::uint32_t size_;
  // Written only by the lock holder; Unlock copies committed regions into
  // ring_, so the mixer never reads memory a writer is changing.
  std::vector<std::uint8_t> staging_;
  // Everything below is guarded by the core's lock.
  std::vector<std::uint8_t> ring_;
  std::vector<SoundNotification> notifications_;
  std::uint32_t cursor_ = 0;
  int phase_ = 0;  // 22050 Hz: 1 when the next output frame is the midpoint
  bool playing_ = false;
  bool looping_ = false;
  std::int32_t volume_ = 0;
  std::int32_t gain_ = 65536;
};

class SoundDevice {
 public:
  static constexpr std::uint32_t kOutputRate = 44100;
  static constexpr int kOutputChannels = 2;
  static constexpr std::size_t kBlockFrames = 1024;

  SoundDevice();
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;
  ~SoundDevice();

  // A stopped, silent buffer of `bytes` bytes; null for a format other than
  // 22050/44100 Hz, 1/2 channels, 16 bits, or a size that is not a positive
  // whole number of frames (at most 64 MB).
  std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, std::uint32_t bytes);

  // Mixes `frames` output frames (interleaved stereo) into `out`, in blocks
  // of at most kBlockFrames, firing notifications after each block.
  void Render(std::int16_t* out, std::size_t frames);

  // Attaches the thing that pulls the mix (the backend's audio device); it
  // goes before the buffers are detached when the device is destroyed.
  // Without one, nobody pulls: the owner calls Render.
  class Output {
   public:
    virtual ~Output() = default;
  };
  void SetOutput(std::unique_ptr<Output> output) { output_ = std::move(output); }
  bool HasOutput() const { return output_ != nullptr; }

 private:
  friend class SoundBuffer;
  void MixBlock(std::int16_t* out, std::size_t frames);
  void MixBuffer(SoundBuffer& b, std::size_t frames);

  std::shared_ptr<SoundBuffer::Core> core_;
  // Scratch of the mix, used only under the core's lock.
  std::vector<std::int32_t> acc_;
  struct Crossing {
    std::uint64_t at;
    const SoundNotification* n;
  };
  std::vector<Crossing> crossings_;
  std::unique_ptr<Output> output_;
};

// Opens a device on the installed backend's output (Backend::OpenSoundDevice);
// null when none can be opened or no backend is installed.
std::unique_ptr<SoundDevice> CreateSoundDevice();

}  // namespace pl
