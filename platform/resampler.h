// Resampler: 16-bit interleaved PCM from one rate and channel count (1 or
// 2) to another (libswresample). It keeps what it needs of the input
// between calls, so a stream converted piece by piece comes out as if
// converted whole. Used by one thread at a time.
#pragma once
#include <cstdint>

struct SwrContext;

namespace pl {

class Resampler {
 public:
  Resampler() = default;
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;
  ~Resampler();

  // Mono goes to both sides at its full level; stereo becomes mono as the
  // mean of its sides. False when the formats cannot be converted (it stays
  // closed).
  bool Open(int inRate, int inChannels, int outRate, int outChannels);
  void Close();
  bool IsOpen() const { return m_pSwr != nullptr; }

  // The most output frames the next Convert of `inFrames` input frames can
  // give; -1 on an error.
  int MaxOutFrames(int inFrames);
  // Converts `inFrames` frames of `in` into at most `outFrames` frames at
  // `out`; null input gives out what it still holds (the end of the data).
  // Returns the output frames written, -1 on an error.
  int Convert(const std::uint8_t* in, int inFrames, std::uint8_t* out, int outFrames);

 private:
  SwrContext* m_pSwr = nullptr;
};

}  // namespace pl
