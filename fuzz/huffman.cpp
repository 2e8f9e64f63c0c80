// Block decoder over arbitrary bytes, with the capacity of a large caller.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/huffman.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t> out(1 << 20);
  std::int64_t n = DecodeHuffman(data, size, out.data(), out.size());
  std::int64_t announced = HuffmanBlockSize(data, size);
  if (n >= 0 && n != announced) __builtin_trap();
  if (n > static_cast<std::int64_t>(out.size())) __builtin_trap();
  // The same block with a capacity one short of its size must be refused.
  if (n > 0 && DecodeHuffman(data, size, out.data(), static_cast<std::size_t>(n - 1)) != -1) __builtin_trap();
  return 0;
}
