// The mouth-timing file of a voice over arbitrary bytes: at most 16 pairs
// are kept, each from the file, and asking whether the mouth rests at any
// moment reads only what was kept.
#include <cstddef>
#include <cstdint>

#include "sound/mouth_timing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CMouthTiming timing;
  if (!timing.SetTable(data, size)) {
    if (timing.HasTable()) __builtin_trap();
    return 0;
  }
  timing.Start();
  std::uint32_t elapsed = 0;
  const std::uint32_t* pairs = nullptr;
  int count = 0;
  if (timing.Now(&elapsed, &pairs, &count)) {
    // Every pair kept (the end mark too) was read from the file.
    if (count < 0 || count > CMouthTiming::kMaxPairs + 1) __builtin_trap();
    if (CMouthTiming::kHeaderBytes + static_cast<std::size_t>(count) * 8 > size) __builtin_trap();
    if (count > 0 && !pairs) __builtin_trap();
  }
  for (std::uint32_t t : {0u, 1u, 100u, 65535u, 0xFFFFFFFEu}) (void)timing.RestsAt(t);
  return 0;
}
