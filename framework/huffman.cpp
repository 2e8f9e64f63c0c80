#include "framework/huffman.h"

#include <bit>
#include <cstring>
#include <vector>

#include "framework/byte_io.h"

namespace {

constexpr int kFirstInner = 256;
constexpr int kLastInner = 510;  // 255 inner nodes: all a tree over 256 literals can need
constexpr int kTableBits = 13;
// Below this output size a lookup table costs more to build than it saves.
constexpr std::size_t kTableMinOutput = 16384;

// A lookup table entry: the literals of up to three whole codes that the
// next kTableBits bits begin with, in its low three bytes, their count in
// bits 24-25 and the bits they take in bits 28-31. A count of 0 marks a
// prefix whose first code is longer than the table reaches.
constexpr std::uint32_t EntryCount(std::uint32_t e) { return (e >> 24) & 3; }
constexpr std::uint32_t EntryBits(std::uint32_t e) { return e >> 28; }

std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  return w;
}

// The state of one decoding: an input bit cursor and the two child tables,
// indexed by node id (ids below 256 are leaves whose id is their literal).
class HuffmanDecoder {
 public:
  HuffmanDecoder(const std::uint8_t* bits, std::size_t byteCount)
      : m_pIn(bits), m_nBytes(byteCount), m_nBitEnd(static_cast<std::uint64_t>(byteCount) * 8) {}

  // Reads the tree; false when the bits run out or the tree has more inner
  // nodes than ids (the original then took leaf 0 and misread the rest).
  bool BuildTree(int* root) { return BuildSubtree(root); }

  bool Decode(int root, std::uint8_t* out, std::size_t size) {
    if (root < kFirstInner) {
      // A lone leaf: every byte is its literal and no code bits are read.
      std::memset(out, root, size);
      return true;
    }
    // Every code takes at least one bit: too few bits fail here at once,
    // as they would at the end.
    if (m_nBitEnd - m_nBitPos < size) return false;
    std::size_t i = 0;
    if (size >= kTableMinOutput) {
      BuildTable(root);
      // Four lookups per 64-bit load, each writing four bytes: only while
      // the load stays inside the input and the writes inside the output.
      // Four lookups take at most 48 bits, and a load at any bit offset
      // holds at least 57. The state is kept in locals, since the byte
      // stores through `out` could alias the members.
      const std::uint32_t* table = m_Table.data();
      const std::uint8_t* in = m_pIn;
      const std::size_t bytes = m_nBytes;
      std::uint64_t pos = m_nBitPos;
      std::uint8_t* o = out + i;
      std::uint8_t* const oEnd = out + size;
      while (oEnd - o >= 16 && (pos >> 3) + 8 <= bytes) {
        std::uint64_t w = LoadBigEndian64(in + (pos >> 3)) << (pos & 7);
        std::uint32_t e = table[w >> (64 - kTableBits)];
        if (EntryCount(e) != 0) {
          std::memcpy(o, &e, 4);
          o += EntryCount(e);
          w <<= EntryBits(e);
          pos += EntryBits(e);
          e = table[w >> (64 - kTableBits)];
          if (EntryCount(e) != 0) {
            std::memcpy(o, &e, 4);
            o += EntryCount(e);
            w <<= EntryBits(e);
            pos += EntryBits(e);
            e = table[w >> (64 - kTableBits)];
            if (EntryCount(e) != 0) {
              std::memcpy(o, &e, 4);
              o += EntryCount(e);
              w <<= EntryBits(e);
              pos += EntryBits(e);
              e = table[w >> (64 - kTableBits)];
              if (EntryCount(e) != 0) {
                std::memcpy(o, &e, 4);
                o += EntryCount(e);
                pos += EntryBits(e);
                continue;
              }
            }
          }
        }
        // A code longer than the table: walked a bit at a time.
        m_nBitPos = pos;
        const int node = DecodeOne(root);
        if (node < 0) return false;
        *o++ = static_cast<std::uint8_t>(node);
        pos = m_nBitPos;
      }
      m_nBitPos = pos;
      i = static_cast<std::size_t>(o - out);
    }
    for (; i < size; ++i) {
      const int node = DecodeOne(root);
      if (node < 0) return false;
      out[i] = static_cast<std::uint8_t>(node);
    }
    return true;
  }

 private:
  int ReadBit() {
    if (m_nBitPos >= m_nBitEnd) return -1;
    int bit = (m_pIn[m_nBitPos >> 3] >> (7 - (m_nBitPos & 7))) & 1;
    ++m_nBitPos;
    return bit;
  }

  // One code walked from the root a bit at a time: its literal, or -1 when
  // the bits run out.
  int DecodeOne(int root) {
    int node = root;
    while (node >= kFirstInner) {
      const int bit = ReadBit();
      if (bit < 0) return -1;
      node = m_Child[bit][node];
    }
    return node;
  }

  bool BuildSubtree(int* node) {
    int bit = ReadBit();
    if (bit < 0) return false;
    if (bit == 0) {
      int literal = 0;
      for (int k = 0; k < 8; ++k) {
        int b = ReadBit();
        if (b < 0) return false;
        literal = (literal << 1) | b;
      }
      *node = literal;
      return true;
    }
    int id = m_nNextInner++;
    if (id > kLastInner) return false;
    int zero = 0, one = 0;
    if (!BuildSubtree(&zero) || !BuildSubtree(&one)) return false;
    m_Child[0][id] = static_cast<std::uint16_t>(zero);
    m_Child[1][id] = static_cast<std::uint16_t>(one);
    *node = id;
    return true;
  }

  // Walks one code from the root through the bits of `prefix` from bit
  // `from` (counted from the top of its kTableBits bits): the literal and
  // the bits it took, or -1 when the prefix ends first.
  int WalkPrefix(int root, std::uint32_t prefix, std::uint32_t from, std::uint32_t* taken) const {
    int node = root;
    std::uint32_t used = 0;
    while (node >= kFirstInner) {
      if (from + used == kTableBits) return -1;
      const int bit = static_cast<int>((prefix >> (kTableBits - 1 - from - used)) & 1);
      node = m_Child[bit][node];
      ++used;
    }
    *taken = used;
    return node;
  }

  // For every kTableBits-bit prefix: the whole codes it begins with (up to
  // three) and the bits they take.
  void BuildTable(int root) {
    m_Table.resize(std::size_t{1} << kTableBits);
    for (std::uint32_t p = 0; p < m_Table.size(); ++p) {
      std::uint32_t entry = 0, bits = 0, count = 0;
      while (count < 3) {
        std::uint32_t taken = 0;
        const int literal = WalkPrefix(root, p, bits, &taken);
        if (literal < 0) break;
        entry |= static_cast<std::uint32_t>(literal) << (8 * count);
        bits += taken;
        ++count;
      }
      m_Table[p] = entry | (count << 24) | (bits << 28);
    }
  }

  const std::uint8_t* m_pIn;
  std::size_t m_nBytes;
  std::uint64_t m_nBitEnd;
  std::uint64_t m_nBitPos = 0;
  int m_nNextInner = kFirstInner;
  std::uint16_t m_Child[2][kLastInner + 1] = {};
  std::vector<std::uint32_t> m_Table;
};

}  // namespace

std::int64_t HuffmanBlockSize(const std::uint8_t* block, std::size_t blockLen) {
  if (block == nullptr || blockLen < 4) return -1;
  return byteio::GetLE32(block);
}

std::int64_t DecodeHuffman(const std::uint8_t* block, std::size_t blockLen, std::uint8_t* out, std::size_t outCap) {
  std::int64_t size = HuffmanBlockSize(block, blockLen);
  if (size < 0) return -1;
  // Size 0 reads no further: a block of only the size word stays valid.
  if (size == 0) return 0;
  if (static_cast<std::uint64_t>(size) > outCap || out == nullptr) return -1;
  HuffmanDecoder d(block + 4, blockLen - 4);
  int root = 0;
  if (!d.BuildTree(&root)) return -1;
  if (!d.Decode(root, out, static_cast<std::size_t>(size))) return -1;
  return size;
}
