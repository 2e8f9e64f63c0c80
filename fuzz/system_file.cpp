// The "system.dat" reader over arbitrary bytes: it must stay inside them,
// and what it makes of them must be a fixed point (the settings it takes,
// written and read again, come back the same).
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/settings_record.h"
#include "engine/system_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CSettings s;
  const SystemFileDecode d = DecodeSystemFile(std::span(data, size), &s);
  if (d.displayMode < 0 || d.displayMode > 2) __builtin_trap();
  const auto once = EncodeSystemFile(s, d.displayMode);
  if (once.size() != kSystemFileSize) __builtin_trap();
  CSettings t;
  const SystemFileDecode e = DecodeSystemFile(once, &t);
  if (!e.complete || EncodeSystemFile(t, e.displayMode) != once) __builtin_trap();
  return 0;
}
