#include "platform/sound_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/backend.h"

namespace pl {

// The lock and the buffer list of one device. Notifications are set while
// this lock is held: an event group's own lock is a leaf (nobody waits on
// anything while holding it), so this cannot deadlock, and it is what makes
// "nothing fires after Stop" and "stop fires after the buffer left the mix"
// hold without further bookkeeping.
struct SoundBuffer::Core {
  std::mutex mu;
  std::vector<SoundBuffer*> buffers;
  bool alive = true;
};

namespace {

constexpr std::uint32_t kMaxBufferBytes = 64u << 20;

inline std::int32_t ReadSample(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

inline std::int32_t Scale(std::int32_t s, std::int32_t gain) { return (s * gain + 0x8000) >> 16; }

}  // namespace

std::int32_t SoundGainOf(std::int32_t volume) {
  if (volume <= kSoundVolumeMin) return 0;
  if (volume >= kSoundVolumeMax) return 65536;
  return static_cast<std::int32_t>(std::lround(65536.0 * std::pow(10.0, volume / 2000.0)));
}

// ---------------------------------------------------------------- buffer

SoundBuffer::SoundBuffer(std::shared_ptr<Core> core, const PcmFormat& format, std::uint32_t size)
    : core_(std::move(core)), format_(format), size_(size), staging_(size, 0), ring_(size, 0) {}

SoundBuffer::~SoundBuffer() {
  std::lock_guard<std::mutex> g(core_->mu);
  auto& list = core_->buffers;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool SoundBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1,
                       void** part2, std::uint32_t* bytes2) {
  if (!part1 || !bytes1 || offset >= size_ || bytes == 0 || bytes > size_) return false;
  const std::uint32_t first = std::min(bytes, size_ - offset);
  const std::uint32_t rest = bytes - first;
  if (rest && (!part2 || !bytes2)) return false;
  *part1 = staging_.data() + offset;
  *bytes1 = first;
  if (part2) *part2 = rest ? staging_.data() : nullptr;
  if (bytes2) *bytes2 = rest;
  return true;
}

bool SoundBuffer::Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2) {
  auto inside = [this](void* p, std::uint32_t n) {
    if (!p) return n == 0;
    auto* b = static_cast<std::uint8_t*>(p);
    return b >= staging_.data() && n <= size_ && static_cast<std::size_t>(b - staging_.data()) <= size_ - n;
  };
  if (!inside(part1, bytes1) || !inside(part2, bytes2)) return false;
  std::lock_guard<std::mutex> g(core_->mu);
  for (auto [p, n] : {std::pair{part1, bytes1}, std::pair{part2, bytes2}}) {
    if (!p || !n) continue;
    std::size_t at = static_cast<std::uint8_t*>(p) - staging_.data();
    std::memcpy(ring_.data() + at, staging_.data() + at, n);
  }
  return true;
}

bool SoundBuffer::SetCurrentPosition(std::uint32_t offset) {
  if (offset >= size_) return false;
  std::lock_guard<std::mutex> g(core_->mu);
  cursor_ = offset - offset % format_.BlockAlign();
  phase_ = 0;
  return true;
}

bool SoundBuffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) const {
  std::lock_guard<std::mutex> g(core_->mu);
  // The mixer reads one frame ahead when it interpolates.
  if (play) *play = cursor_;
  if (write) *write = (cursor_ + format_.BlockAlign()) % size_;
  return true;
}

void SoundBuffer::FireLocked(std::uint32_t offset) {
  for (const SoundNotification& n : notifications_)
    if (n.offset == offset) n.group->Set(n.index);
}

bool SoundBuffer::Play(bool looping) {
  std::lock_guard<std::mutex> g(core_->mu);
  looping_ = looping;
  if (playing_) return true;
  if (!core_->alive) return false;
  playing_ = true;
  phase_ = 0;
  FireLocked(cursor_);
  return true;
}

bool SoundBuffer::Stop() {
  std::lock_guard<std::mutex> g(core_->mu);
  if (!playing_) return true;
  playing_ = false;
  FireLocked(kSoundNotifyAtStop);
  return true;
}

bool SoundBuffer::IsPlaying() const {
  std::lock_guard<std::mutex> g(core_->mu);
  return playing_;
}

bool SoundBuffer::SetVolume(std::int32_t volume) {
  volume = std::clamp(volume, kSoundVolumeMin, kSoundVolumeMax);
  const std::int32_t gain = SoundGainOf(volume);
  std::lock_guard<std::mutex> g(core_->mu);
  volume_ = volume;
  gain_ = gain;
  return true;
}

std::int32_t SoundBuffer::GetVolume() const {
  std::lock_guard<std::mutex> g(core_->mu);
  return volume_;
}

bool SoundBuffer::SetNotificationPositions(std::span<const SoundNotification> positions) {
  for (const SoundNotification& n : positions) {
    if (!n.group || n.index < 0 || n.index > 31) return false;
    if (n.offset != kSoundNotifyAtStop && n.offset >= size_) return false;
  }
  std::lock_guard<std::mutex> g(core_->mu);
  if (playing_) return false;
  notifications_.assign(positions.begin(), positions.end());
  return true;
}

// ---------------------------------------------------------------- device

SoundDevice::SoundDevice() : core_(std::make_shared<SoundBuffer::Core>()), acc_(kBlockFrames * 2, 0) {}

SoundDevice::~SoundDevice() {
  // The output's thread calls Render: it must be gone before the list is.
  output_.reset();
  std::lock_guard<std::mutex> g(core_->mu);
  core_->alive = false;
  for (SoundBuffer* b : core_->buffers) b->playing_ = false;
  core_->buffers.clear();
}

std::unique_ptr<SoundBuffer> SoundDevice::CreateBuffer(const PcmFormat& format, std::uint32_t bytes) {
  if (format.rate != 22050 && format.rate != 44100) return nullptr;
  if (format.channels != 1 && format.channels != 2) return nullptr;
  if (format.bitsPerSample != 16) return nullptr;
  if (bytes == 0 || bytes > kMaxBufferBytes || bytes % format.BlockAlign() != 0) return nullptr;
  std::unique_ptr<SoundBuffer> b(new SoundBuffer(core_, format, bytes));
  std::lock_guard<std::mutex> g(core_->mu);
  core_->buffers.push_back(b.get());
  return b;
}

void SoundDevice::Render(std::int16_t* out, std::size_t frames) {
  while (frames > 0) {
    const std::size_t n = std::min(frames, kBlockFrames);
    MixBlock(out, n);
    out += n * kOutputChannels;
    frames -= n;
  }
}

void SoundDevice::MixBlock(std::int16_t* out, std::size_t frames) {
  std::lock_guard<std::mutex> g(core_->mu);
  std::fill(acc_.begin(), acc_.begin() + static_cast<std::ptrdiff_t>(frames * 2), 0);
  for (SoundBuffer* b : core_->buffers)
    if (b->playing_) MixBuffer(*b, frames);
  for (std::size_t i = 0; i < frames * 2; ++i)
    out[i] = static_cast<std::int16_t>(std::clamp(acc_[i], -32768, 32767));
}

void SoundDevice::MixBuffer(SoundBuffer& b, std::size_t frames) {
  const std::uint32_t align = b.format_.BlockAlign();
  const bool doubled = b.format_.rate == 22050;
  const bool mono = b.format_.channels == 1;
  const std::int32_t gain = b.gain_;
  const std::uint8_t* ring = b.ring_.data();
  const std::uint64_t start = b.cursor_;
  std::uint64_t advanced = 0;
  bool ended = false;
  std::int32_t* acc = acc_.data();

  for (std::size_t i = 0; i < frames; ++i) {
    const std::uint32_t c = b.cursor_;
    if (gain != 0) {
      std::int32_t l = ReadSample(ring + c);
      std::int32_t r = mono ? l : ReadSample(ring + c + 2);
      if (doubled && b.phase_) {
        std::uint32_t next = c + align;
        std::int32_t nl = 0, nr = 0;
        if (next >= b.size_) next = b.looping_ ? 0 : b.size_;
        if (next < b.size_) {
          nl = ReadSample(ring + next);
          nr = mono ? nl : ReadSample(ring + next + 2);
        }
        l = (l + nl) >> 1;
        r = (r + nr) >> 1;
      }
      if (gain == 65536) {
        acc[2 * i] += l;
        acc[2 * i + 1] += r;
      } else {
        acc[2 * i] += Scale(l, gain);
        acc[2 * i + 1] += Scale(r, gain);
      }
    }
    if (doubled && !b.phase_) {
      b.phase_ = 1;
      continue;
    }
    b.phase_ = 0;
    b.cursor_ += align;
    advanced += align;
    if (b.cursor_ >= b.size_) {
      b.cursor_ = 0;
      if (!b.looping_) {
        ended = true;
        break;
      }
    }
  }

  // Offsets crossed in (start, start + advanced], in cursor order. A buffer
  // played once that ran out did not come back to offset 0.
  if (advanced > 0 && !b.notifications_.empty()) {
    crossings_.clear();
    const std::uint64_t end = start + advanced;
    for (const SoundNotification& n : b.notifications_) {
      if (n.offset == kSoundNotifyAtStop) continue;
      for (std::uint64_t at = n.offset; at <= end; at += b.size_) {
        if (at <= start) continue;
        if (ended && at >= b.size_) break;
        crossings_.push_back({at, &n});
      }
    }
    std::stable_sort(crossings_.begin(), crossings_.end(),
                     [](const Crossing& x, const Crossing& y) { return x.at < y.at; });
    for (const Crossing& x : crossings_) x.n->group->Set(x.n->index);
  }
  if (ended) {
    b.playing_ = false;
    b.FireLocked(kSoundNotifyAtStop);
  }
}

std::unique_ptr<SoundDevice> CreateSoundDevice() {
  Backend* backend = CurrentBackend();
  return backend ? backend->OpenSoundDevice() : nullptr;
}

}  // namespace pl
