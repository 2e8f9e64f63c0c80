// Compressed blocks: scripts (".scr"), packed pictures (".dat") and some save
// data. A block is a 32-bit little-endian output size, then one bit stream
// read most significant bit first: the code tree in pre-order (1 = inner
// node, its 0-branch then its 1-branch; 0 = leaf followed by its 8-bit
// literal), followed at once by the codes of the output bytes.
#pragma once
#include <cstddef>
#include <cstdint>

// The output size a block announces, or -1 when it is shorter than the size
// word.
std::int64_t HuffmanBlockSize(const std::uint8_t* block, std::size_t blockLen);

// Expands the block of blockLen bytes into out (outCap bytes). Returns the
// output size, or -1 when the block is shorter than its size word, announces
// more than outCap, runs out of bits before the last byte, or holds a tree of
// more than 255 inner nodes (no tree over 256 literals needs more). A size of
// 0 yields 0 and writes nothing, whatever follows the size word. Each call
// keeps its own state, so blocks may be expanded on several threads at once.
std::int64_t DecodeHuffman(const std::uint8_t* block, std::size_t blockLen, std::uint8_t* out, std::size_t outCap);
