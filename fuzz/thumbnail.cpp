// The thumbnail reader over arbitrary bytes: width and height from the first
// two bytes, the pixels after them; only exactly width x height x 4 bytes
// are taken, and those come back as they were.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/save_slot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int width = data[0], height = data[1];
  std::vector<std::uint32_t> px;
  const std::span<const std::uint8_t> bytes(data + 2, size - 2);
  if (!DecodeThumbnail(bytes, width, height, &px)) return 0;
  const auto again = EncodeThumbnail(px.data(), width, height);
  if (again.size() != bytes.size() || !std::equal(again.begin(), again.end(), bytes.begin())) __builtin_trap();
  return 0;
}
