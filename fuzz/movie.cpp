// The movie decoder on arbitrary bytes held in memory: open, run the
// picture through a series of stream times (with a seek back) into a small
// and a same-size destination, and play the sound on a device nobody pulls
// (entering the run state writes the first half of its buffer at once).
#include <cstdint>
#include <vector>

#include "platform/movie.h"
#include "platform/sound_device.h"
#include "platform/time.h"

// A few frames of a tiny movie fit in 32 KB; larger inputs only make each
// run slower (the container and codec parsers are the same).
constexpr std::size_t kMaxInput = 32 * 1024;

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
  // The frame at its own size only when it is small; always a stretched one.
  const bool sameSize = w > 0 && h > 0 && static_cast<std::int64_t>(w) * h <= 256 * 256;
  std::vector<std::uint32_t> small(64 * 48), own(sameSize ? static_cast<std::size_t>(w) * h : 0);
  stream.SetVolume(-600);
  stream.SetState(pl::MovieState::Run);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 6; ++i) {
      const pl::MovieSample r = sameSize && (i & 1) ? stream.Update(own.data(), w * 4, w, h)
                                                    : stream.Update(small.data(), 64 * 4, 64, 48);
      if (r == pl::MovieSample::EndOfStream || r == pl::MovieSample::NoVideo) break;
      clock.Advance(70);
    }
    stream.Seek(pass == 0 ? 40 * 10000 : 0);
  }
  stream.SetState(pl::MovieState::Stop);
  stream.Close();
  return 0;
}
