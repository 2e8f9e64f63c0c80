// The "global.dat" reader over arbitrary bytes: it must stay inside them,
// and the records it takes must write and read back the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/global_file.h"
#include "engine/value_node.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ValueList read;
  DecodeGlobalFile(std::span(data, size), &read);
  const auto once = EncodeGlobalFile(read);
  ValueList again;
  if (!DecodeGlobalFile(once, &again) || EncodeGlobalFile(again) != once) __builtin_trap();
  return 0;
}
