#include "framework/huffman.h"

#include <bit>
#include <cstring>
#include <vector>

#include "framework/byte_io.h"

namespace {

constexpr int kFirstInner = 256;
constexpr int kLastInner = 510;  // 255 inner nodes: all a tree over 256 literals can need
constexpr int kTableBits = 12;
// Below this output size a lookup table costs more to build than it saves.
constexpr std::size_t kTableMinOutput = 4096;

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
    std::size_t i = 0;
    if (size >= kTableMinOutput) {
      BuildTable(root);
      // Whole table lookups only while four input bytes remain from the
      // cursor's byte, so a peek never reads past the input.
      while (i < size && (m_nBitPos >> 3) + 4 <= m_nBytes) {
        std::uint32_t entry = m_Table[Peek()];
        m_nBitPos += entry >> 16;
        int node = static_cast<int>(entry & 0xFFFF);
        while (node >= kFirstInner) {
          int bit = ReadBit();
          if (bit < 0) return false;
          node = m_Child[bit][node];
        }
        out[i++] = static_cast<std::uint8_t>(node);
      }
    }
    for (; i < size; ++i) {
      int node = root;
      while (node >= kFirstInner) {
        int bit = ReadBit();
        if (bit < 0) return false;
        node = m_Child[bit][node];
      }
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

  // The next kTableBits bits; four bytes from the cursor's byte must exist.
  std::uint32_t Peek() const {
    std::uint32_t w;
    std::memcpy(&w, m_pIn + (m_nBitPos >> 3), 4);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap32(w);
    w <<= (m_nBitPos & 7);
    return w >> (32 - kTableBits);
  }

  // For every kTableBits-bit prefix: the leaf it reaches and the bits that
  // took, or the inner node reached after all kTableBits bits.
  void BuildTable(int root) {
    m_Table.resize(std::size_t{1} << kTableBits);
    for (std::uint32_t p = 0; p < m_Table.size(); ++p) {
      int node = root;
      std::uint32_t used = 0;
      while (node >= kFirstInner && used < kTableBits) {
        int bit = static_cast<int>((p >> (kTableBits - 1 - used)) & 1);
        node = m_Child[bit][node];
        ++used;
      }
      m_Table[p] = (used << 16) | static_cast<std::uint32_t>(node);
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
