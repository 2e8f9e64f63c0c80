// The "readal.dat" reader over arbitrary bytes: it must stay inside them,
// keep one node per key, and what it takes must write and read back the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/read_mark_file.h"
#include "engine/value_node.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ValueList read;
  DecodeReadMarkFile(std::span(data, size), &read);
  for (const ValueNode* n = read.Head(); n; n = n->next) {
    if (read.Find(n->name) != n) __builtin_trap();
  }
  const auto once = EncodeReadMarkFile(read);
  ValueList again;
  if (!DecodeReadMarkFile(once, &again) || EncodeReadMarkFile(again) != once) __builtin_trap();
  return 0;
}
