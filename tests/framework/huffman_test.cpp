#include "framework/huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Runs the project's block packer on `in` and returns the block.
Bytes Pack(const kvtest::TempDir& dir, const Bytes& in, const std::string& options = "") {
  std::string src = dir / "in.bin", dst = dir / "out.blk";
  EXPECT_TRUE(kvtest::WriteFile(src, std::string(in.begin(), in.end())));
  EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " encode " + src + " " + dst + " " + options), 0);
  return ToBytes(kvtest::ReadFile(dst));
}

Bytes PackBits(const kvtest::TempDir& dir, std::uint32_t size, const std::string& bits) {
  std::string dst = dir / "bits.blk";
  EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " bits " + dst + " " + std::to_string(size) + " " + bits), 0);
  return ToBytes(kvtest::ReadFile(dst));
}

std::int64_t Decode(const Bytes& block, Bytes* out, std::size_t cap) {
  out->assign(cap, 0xCD);
  return DecodeHuffman(block.data(), block.size(), out->data(), out->size());
}

TEST(HuffmanTest, HandMadeBlocksDecodeAsDocumented) {
  struct Case {
    const char* what;
    Bytes block;
    Bytes want;
  } cases[] = {
      // Bits 0 01000001 and padding: the root is the leaf 'A', no code bits.
      {"single leaf", {0x03, 0, 0, 0, 0x20, 0x80}, {'A', 'A', 'A'}},
      // Bits 1 0 00000000 0 11111111, then the codes 0 1 1 straight after the
      // tree in the middle of a byte.
      {"one inner node", {0x03, 0, 0, 0, 0x80, 0x1F, 0xEC}, {0x00, 0xFF, 0xFF}},
      {"size 0", {0, 0, 0, 0, 0, 0}, {}},
      {"size 0 without a tree", {0, 0, 0, 0}, {}},
  };
  kvtest::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out;
    ASSERT_EQ(Decode(c.block, &out, 8), static_cast<std::int64_t>(c.want.size()));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(c.want.size())), c.want);
    EXPECT_EQ(out[c.want.size()], 0xCD) << "wrote past the output size";
  }
  // The packer writes exactly these blocks for the first and third case.
  EXPECT_EQ(Pack(dir, {'A', 'A', 'A'}), cases[0].block);
  EXPECT_EQ(Pack(dir, {0x00, 0xFF, 0xFF}), cases[1].block);
  EXPECT_EQ(Pack(dir, {}), cases[2].block);
}

TEST(HuffmanTest, PackedBlocksRoundTrip) {
  std::mt19937 rng(7);
  Bytes random(65536);
  for (auto& b : random) b = static_cast<std::uint8_t>(rng());
  Bytes all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
  // Fibonacci frequencies give the deepest tree for the count: codes of 26
  // bits, longer than the decoder's lookup table reaches at once.
  Bytes skewed;
  {
    std::uint64_t a = 1, b = 1;
    for (int s = 0; s < 27; ++s) {
      skewed.insert(skewed.end(), a, static_cast<std::uint8_t>(s * 9));
      std::uint64_t c = a + b;
      a = b;
      b = c;
    }
    std::shuffle(skewed.begin(), skewed.end(), rng);
  }
  Bytes text;
  for (int i = 0; text.size() < 200000; ++i) {
    std::string line = "\x81\x79\x96\xBC\x91\x4F\x81\x7A line " + std::to_string(i) + "\r\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  struct Case {
    const char* what;
    Bytes in;
  } cases[] = {
      {"one byte", {0x42}},
      {"one repeated byte", Bytes(10000, 0x7F)},
      {"two symbols", {1, 2, 2, 1, 1}},
      {"all 256 values", all},
      {"random 64 KB", random},
      {"skewed", skewed},
      {"script-like text", text},
  };
  kvtest::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes block = Pack(dir, c.in);
    EXPECT_EQ(HuffmanBlockSize(block.data(), block.size()), static_cast<std::int64_t>(c.in.size()));
    Bytes out;
    ASSERT_EQ(Decode(block, &out, c.in.size()), static_cast<std::int64_t>(c.in.size()));
    EXPECT_TRUE(out == c.in);
    // One byte less of capacity than announced is refused before writing.
    if (!c.in.empty()) {
      Bytes small(c.in.size(), 0xCD);
      EXPECT_EQ(DecodeHuffman(block.data(), block.size(), small.data(), c.in.size() - 1), -1);
      EXPECT_EQ(small[0], 0xCD);
    }
  }
}

TEST(HuffmanTest, BrokenBlocksFail) {
  kvtest::TempDir dir;
  Bytes text = ToBytes("the quick brown fox jumps over the lazy dog, again and again and again");
  Bytes whole = Pack(dir, text);
  struct Case {
    const char* what;
    Bytes block;
    std::size_t cap;
  } cases[] = {
      {"shorter than the size word", {3, 0, 0}, 100},
      {"no tree after the size", {3, 0, 0, 0}, 100},
      {"cut inside the tree", Bytes(whole.begin(), whole.begin() + 8), 100},
      {"cut inside the codes", Pack(dir, text, "--cut 3"), 100},
      {"size larger than the codes hold", Pack(dir, text, "--announce 1000"), 4096},
      {"size larger than the capacity", Pack(dir, text, "--announce 0x7FFFFFFF"), 4096},
      {"size 4 GiB - 1", Pack(dir, text, "--announce 0xFFFFFFFF"), 4096},
      {"single leaf tree cut in its literal", {3, 0, 0, 0, 0x20}, 100},
      // 256 inner nodes: more than any tree over 256 literals needs.
      {"tree of 256 inner nodes", PackBits(dir, 1, std::string(256, '1') + std::string(257 * 9 + 300, '0')), 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out;
    EXPECT_EQ(Decode(c.block, &out, c.cap), -1);
  }
  EXPECT_EQ(DecodeHuffman(nullptr, 0, nullptr, 0), -1);
}

TEST(HuffmanTest, TreeOfExactly255InnerNodesIsValid) {
  kvtest::TempDir dir;
  // A chain leaning on its 0-branches: 255 inner nodes, then 256 leaves in
  // pre-order: the deepest 0-leaf is literal 1, every other leaf literal 2.
  std::string bits(255, '1');
  bits += "0 00000001";
  for (int i = 0; i < 255; ++i) bits += " 0 00000010";
  // Code of the deepest 0-leaf: 255 zero bits; then a 1 (the root's 1-leaf).
  bits += " " + std::string(255, '0') + " 1";
  Bytes block = PackBits(dir, 2, bits);
  Bytes out;
  ASSERT_EQ(Decode(block, &out, 2), 2);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
}

TEST(HuffmanTest, PackerPacksScriptsAsCp932AndChecksBlocks) {
  kvtest::TempDir dir;
  const std::string hufpack = kvtest::ToolPath("hufpack");
  // A UTF-8 script with LF line ends, one line already ending in CR LF.
  const std::string utf8 = "::START\n[名前]\r\n「表示」\n::END\n";
  ASSERT_TRUE(kvtest::WriteFile(dir / "START.txt", utf8));
  ASSERT_EQ(kvtest::RunCommand(hufpack + " encode " + dir / "START.txt" + " " + dir / "START.scr --text"), 0);
  Bytes block = ToBytes(kvtest::ReadFile(dir / "START.scr"));
  const std::string want = pl::Utf8ToCp932("::START\r\n[名前]\r\n「表示」\r\n::END\r\n");
  Bytes out;
  ASSERT_EQ(Decode(block, &out, 100), static_cast<std::int64_t>(want.size()));
  EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<long>(want.size())), want);

  // The decode mode runs the engine's decoder and says when a block is bad.
  ASSERT_EQ(kvtest::RunCommand(hufpack + " decode " + dir / "START.scr" + " " + dir / "back.txt"), 0);
  EXPECT_EQ(kvtest::ReadFile(dir / "back.txt"), want);
  ASSERT_EQ(kvtest::RunCommand(hufpack + " encode " + dir / "START.txt" + " " + dir / "cut.scr --cut 2"), 0);
  EXPECT_EQ(kvtest::RunCommand(hufpack + " decode " + dir / "cut.scr" + " " + dir / "x 2>/dev/null"), 1);
  EXPECT_NE(kvtest::RunCommand(hufpack + " encode " + dir / "none.txt" + " " + dir / "x 2>/dev/null"), 0);
}

TEST(HuffmanTest, BlocksDecodeOnSeveralThreadsAtOnce) {
  kvtest::TempDir dir;
  std::vector<Bytes> inputs, blocks;
  for (int t = 0; t < 4; ++t) {
    Bytes in(50000 + t * 1000);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>((i * (t + 3)) % (17 + t * 40));
    blocks.push_back(Pack(dir, in));
    inputs.push_back(std::move(in));
  }
  std::vector<int> ok(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        Bytes out(inputs[t].size());
        if (DecodeHuffman(blocks[t].data(), blocks[t].size(), out.data(), out.size()) !=
                static_cast<std::int64_t>(out.size()) ||
            out != inputs[t])
          return;
      }
      ok[t] = 1;
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(ok, std::vector<int>(4, 1));
}


// A plain model of the format, written for this test: the tree as a node
// vector, codes walked a bit at a time, -1 when the bits run out.
class BitWriter {
 public:
  void Put(int bit) {
    if (m_nBits % 8 == 0) m_Bytes.push_back(0);
    if (bit) m_Bytes.back() |= static_cast<std::uint8_t>(0x80 >> (m_nBits % 8));
    ++m_nBits;
  }
  void PutByte(int v) {
    for (int k = 7; k >= 0; --k) Put((v >> k) & 1);
  }
  const Bytes& bytes() const { return m_Bytes; }

 private:
  Bytes m_Bytes;
  std::size_t m_nBits = 0;
};

struct ModelNode {
  int literal = -1;  // a leaf's literal; -1 for inner nodes
  int child[2] = {-1, -1};
};

// A random tree in pre-order: `chain` is the chance (in percent) that the
// 0-branch is an inner node again, which makes deep trees and long codes.
int RandomTree(std::mt19937& rng, BitWriter& w, std::vector<ModelNode>& nodes, int& inner, int chain, int depth) {
  const int id = static_cast<int>(nodes.size());
  nodes.emplace_back();
  const bool makeInner = depth == 0 || (inner < 255 && static_cast<int>(rng() % 100) < (depth < 6 ? 70 : chain));
  if (!makeInner) {
    const int literal = static_cast<int>(rng() % 256);
    w.Put(0);
    w.PutByte(literal);
    nodes[static_cast<std::size_t>(id)].literal = literal;
    return id;
  }
  ++inner;
  w.Put(1);
  const int zero = RandomTree(rng, w, nodes, inner, chain, depth + 1);
  const int one = RandomTree(rng, w, nodes, inner, chain / 2, depth + 1);
  nodes[static_cast<std::size_t>(id)].child[0] = zero;
  nodes[static_cast<std::size_t>(id)].child[1] = one;
  return id;
}

// The model's output for `size` bytes from the code bits at bit `from`.
std::int64_t ModelDecode(const std::vector<ModelNode>& nodes, const Bytes& bits, std::size_t from, std::size_t size,
                         Bytes* out) {
  out->clear();
  std::size_t pos = from;
  const std::size_t end = bits.size() * 8;
  for (std::size_t i = 0; i < size; ++i) {
    int n = 0;
    while (nodes[static_cast<std::size_t>(n)].literal < 0) {
      if (pos >= end) return -1;
      const int bit = (bits[pos / 8] >> (7 - pos % 8)) & 1;
      ++pos;
      n = nodes[static_cast<std::size_t>(n)].child[bit];
    }
    out->push_back(static_cast<std::uint8_t>(nodes[static_cast<std::size_t>(n)].literal));
  }
  return static_cast<std::int64_t>(size);
}

// Random trees (shallow ones whose codes all fit the decoder's lookup, and
// deep ones with codes of dozens of bits) over random code bits, decoded by
// the decoder and by the model: the same bytes for every size up to the
// last code the bits hold, and -1 for one byte more, with the input cut at
// every byte near its end.
TEST(HuffmanTest, AgreesWithAPlainModelUpToTheLastBit) {
  std::mt19937 rng(11);
  int checked = 0;
  for (int round = 0; round < 24; ++round) {
    BitWriter w;
    std::vector<ModelNode> nodes;
    int inner = 0;
    const int chain = round % 3 == 0 ? 95 : (round % 3 == 1 ? 40 : 0);
    RandomTree(rng, w, nodes, inner, chain, 0);
    ASSERT_LE(inner, 255);
    Bytes bits = w.bytes();
    // The tree ends somewhere in its last byte; the codes follow at once.
    std::size_t treeBits = 0;
    for (const ModelNode& n : nodes) treeBits += n.literal < 0 ? 1 : 9;
    const std::size_t codeBytes = 20000 + rng() % 30000;
    for (std::size_t k = 0; k < codeBytes; ++k) bits.push_back(static_cast<std::uint8_t>(rng()));
    // The most bytes the whole input holds.
    Bytes want;
    std::size_t most = 0;
    {
      std::size_t lo = 0, hi = codeBytes * 8;
      while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (ModelDecode(nodes, bits, treeBits, mid, &want) >= 0) {
          lo = mid;
        } else {
          hi = mid - 1;
        }
      }
      most = lo;
    }
    for (std::size_t cut = 0; cut < 12; ++cut) {
      const Bytes input(bits.begin(), bits.end() - static_cast<long>(cut));
      for (const std::size_t size : {most - 40 * cut, most - 40 * cut + 1, std::size_t{20000}}) {
        // One byte more than the bits hold fails at the last code; far more
        // fails too, without reading past the input (which the sanitizer
        // builds check).
        for (const std::size_t ask : {size, size + 1, size + 5000}) {
          Bytes block(4 + input.size());
          for (int b = 0; b < 4; ++b) block[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(ask >> (8 * b));
          std::copy(input.begin(), input.end(), block.begin() + 4);
          const std::int64_t model = ModelDecode(nodes, input, treeBits, ask, &want);
          Bytes got(ask + 16, 0xCD);
          const std::int64_t n = DecodeHuffman(block.data(), block.size(), got.data(), ask);
          SCOPED_TRACE("round " + std::to_string(round) + " cut " + std::to_string(cut) + " size " +
                       std::to_string(ask));
          ASSERT_EQ(n, model);
          if (n >= 0) {
            ASSERT_TRUE(std::equal(want.begin(), want.end(), got.begin()));
            ASSERT_EQ(got[ask], 0xCD) << "wrote past the output size";
          }
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(checked, 24 * 12 * 3 * 3);
}

}  // namespace
