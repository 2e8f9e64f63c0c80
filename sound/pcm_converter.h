// CPcmConverter: turns a sound file's 16-bit samples of any rate, mono or
// stereo, into its channel's format while it streams (the platform's
// Resampler). The
// resampler runs on without a break across the rewinds of a looping sound,
// so the loop keeps its length at the channel's rate; at the end of a sound
// played once its tail is drained. Converted frames wait in a queue of the
// converter's own until a refill takes them. Owned by one channel and used
// under its refill lock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/resampler.h"

class CPcmConverter {
 public:
  // The input frames one Push may carry at most.
  static constexpr int kMaxPushFrames = 96000;

  CPcmConverter() = default;
  CPcmConverter(const CPcmConverter&) = delete;
  CPcmConverter& operator=(const CPcmConverter&) = delete;
  ~CPcmConverter();

  // From `inRate` Hz with `inChannels` (1 or 2) to `outRate` Hz with
  // `outChannels` (1 or 2), 16-bit interleaved both. false when the formats
  // cannot be converted (the converter stays closed).
  bool Open(int inRate, int inChannels, int outRate, int outChannels);
  void Close();
  bool IsOpen() const { return m_Resampler.IsOpen(); }
  int InBlockAlign() const { return 2 * m_nInChannels; }

  // Converts `frames` input frames (at most kMaxPushFrames) onto the queue.
  bool Push(const std::uint8_t* in, int frames);
  // The end of the data: what the resampler still holds joins the queue.
  void Flush();
  // Moves up to `bytes` queued bytes (whole output frames) into `dst`;
  // returns the count.
  std::uint32_t Take(std::uint8_t* dst, std::uint32_t bytes);
  std::uint32_t Queued() const { return static_cast<std::uint32_t>(m_nEnd - m_nHead); }

 private:
  bool Convert(const std::uint8_t* in, int frames);

  pl::Resampler m_Resampler;
  int m_nInRate = 0, m_nInChannels = 0, m_nOutRate = 0, m_nOutChannels = 0;
  // The queue: bytes [m_nHead, m_nEnd) of m_Queue are waiting. Its room is
  // made at Open for a push's output on top of a refill's leftovers, so a
  // refill does not allocate.
  std::vector<std::uint8_t> m_Queue;
  std::size_t m_nHead = 0, m_nEnd = 0;
};
