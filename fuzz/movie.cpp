// The movie decoder on arbitrary bytes held in memory: open, run the
// picture through a series of stream times into a same-size destination,
// seek back and run it on into a small one, and play the sound on a device
// nobody pulls (entering the run state writes the first half of its buffer
// at once). A player keeps one destination size, so each pass keeps one
// too: every change of size makes the scaler anew.
#include <cstdint>
#include <vector>

#include "platform/movie.h"
#include "platform/sound_device.h"
#include "platform/time.h"

// A few frames of a tiny movie fit in 32 KB; larger inputs only make each
// run slower (the container and codec parsers are the same).
constexpr std::size_t kMaxInput = 32 * 1024;
// Pictures up to this many pixels are played through; a larger one only has
// its first frame drawn, since decoding more of it costs time and reaches
// no other code of ours.
constexpr std::int64_t kMaxPlayedPixels = 256 * 256;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxInput) return 0;
  static pl::ManualClock clock;
  pl::SetClock(&clock);
  // One device for the whole run, as the program has one.
  static pl::SoundDevice device;
  pl::MovieStream stream;
  if (stream.OpenSource(pl::MemoryMovieSource({data, size}), &device) != pl::MovieOpenResult::Ok) return 0;
  const int w = stream.Width(), h = stream.Height();
  if (w < 0 || h < 0 || w > pl::MovieStream::kMaxSide || h > pl::MovieStream::kMaxSide) __builtin_trap();
  const bool small = static_cast<std::int64_t>(w) * h <= kMaxPlayedPixels;
  // The frame at its own size only when it is small; else always stretched.
  const bool sameSize = w > 0 && h > 0 && small;
  std::vector<std::uint32_t> stretched(64 * 48), own(sameSize ? static_cast<std::size_t>(w) * h : 0);
  stream.SetVolume(-600);
  stream.SetState(pl::MovieState::Run);
  if (!small) {
    stream.Update(stretched.data(), 64 * 4, 64, 48);
    return 0;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 6; ++i) {
      const pl::MovieSample r = sameSize && pass == 0 ? stream.Update(own.data(), w * 4, w, h)
                                                      : stream.Update(stretched.data(), 64 * 4, 64, 48);
      if (r == pl::MovieSample::EndOfStream || r == pl::MovieSample::NoVideo) break;
      clock.Advance(70);
    }
    // A seek while running moves the sound too; the seek back to the start
    // comes once stopped, where only the picture moves.
    if (pass == 1) stream.SetState(pl::MovieState::Stop);
    stream.Seek(pass == 0 ? 40 * 10000 : 0);
  }
  stream.Close();
  return 0;
}
