// hufpack: writes and checks the engine's compressed blocks (packed scripts
// ".scr" and packed pictures ".dat").
//
//   hufpack encode IN OUT [--text] [--announce N] [--cut N]
//       An optimal Huffman code of IN: the 32-bit output size, the code tree
//       in pre-order (1 = inner node, 0 = leaf + 8-bit literal, most
//       significant bit first), then the codes. --text takes IN as UTF-8
//       text and packs it as CP932 with CR LF line ends (scripts). --announce
//       writes N as the size word instead of the true size and --cut drops
//       the last N bytes of the block (fixtures for broken blocks).
//   hufpack decode IN OUT
//       Expands a block with the engine's own decoder; exit 1 when it fails.
//   hufpack bits OUT SIZE BITS...
//       A block from a size word and hand-written bits ('0' / '1'; any other
//       character is ignored), padded with zeros to a whole byte.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <queue>
#include <string>
#include <vector>

#include "framework/huffman.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool ReadAll(const char* path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteAll(const char* path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

class BitWriter {
 public:
  void Bit(int b) {
    if (m_nUsed == 0) m_Out.push_back(0);
    if (b) m_Out.back() |= static_cast<std::uint8_t>(0x80 >> m_nUsed);
    m_nUsed = (m_nUsed + 1) & 7;
  }
  void Byte(std::uint8_t v) {
    for (int k = 7; k >= 0; --k) Bit((v >> k) & 1);
  }
  Bytes& Out() { return m_Out; }

 private:
  Bytes m_Out;
  int m_nUsed = 0;
};

struct Node {
  std::uint64_t weight;
  int child[2];  // -1 for a leaf
  int literal;
};

// Builds the tree: leaves in literal order, ties broken by creation order
// (the older node first), the first node taken becoming the 0-branch. The
// result does not depend on the platform's priority queue.
int BuildTree(const Bytes& in, std::vector<Node>* nodes) {
  std::uint64_t freq[256] = {};
  for (std::uint8_t b : in) ++freq[b];
  using Item = std::pair<std::uint64_t, int>;  // weight, node index
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
  for (int s = 0; s < 256; ++s) {
    if (freq[s] == 0) continue;
    nodes->push_back({freq[s], {-1, -1}, s});
    q.push({freq[s], static_cast<int>(nodes->size()) - 1});
  }
  if (nodes->empty()) {
    // Even an empty block carries a tree: one leaf (literal 0).
    nodes->push_back({0, {-1, -1}, 0});
    return 0;
  }
  while (q.size() > 1) {
    Item a = q.top();
    q.pop();
    Item b = q.top();
    q.pop();
    nodes->push_back({a.first + b.first, {a.second, b.second}, 0});
    q.push({a.first + b.first, static_cast<int>(nodes->size()) - 1});
  }
  return q.top().second;
}

// Pre-order tree bits; the codes may be longer than 32 bits on skewed input.
void WriteTree(const std::vector<Node>& nodes, int root, BitWriter* w, std::vector<std::vector<bool>>* codes) {
  struct Frame {
    int node;
    std::vector<bool> path;
  };
  std::vector<Frame> stack{{root, {}}};
  while (!stack.empty()) {
    Frame f = std::move(stack.back());
    stack.pop_back();
    const Node& n = nodes[static_cast<std::size_t>(f.node)];
    if (n.child[0] < 0) {
      w->Bit(0);
      w->Byte(static_cast<std::uint8_t>(n.literal));
      (*codes)[static_cast<std::size_t>(n.literal)] = f.path;
      continue;
    }
    w->Bit(1);
    std::vector<bool> one = f.path, zero = f.path;
    one.push_back(true);
    zero.push_back(false);
    // The 0-branch is written first, so it goes on the stack last.
    stack.push_back({n.child[1], std::move(one)});
    stack.push_back({n.child[0], std::move(zero)});
  }
}

Bytes Encode(const Bytes& in) {
  std::vector<Node> nodes;
  int root = BuildTree(in, &nodes);
  BitWriter w;
  std::uint32_t size = static_cast<std::uint32_t>(in.size());
  for (int k = 0; k < 4; ++k) w.Out().push_back(static_cast<std::uint8_t>(size >> (8 * k)));
  std::vector<std::vector<bool>> codes(256);
  WriteTree(nodes, root, &w, &codes);
  for (std::uint8_t b : in) {
    for (bool bit : codes[b]) w.Bit(bit ? 1 : 0);
  }
  return std::move(w.Out());
}

// UTF-8 text to CP932 with CR LF line ends (a CR LF already there stays one).
bool TextToCp932(const Bytes& utf8, Bytes* out) {
  Bytes crlf;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) crlf.push_back('\r');
    crlf.push_back(utf8[i]);
  }
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->assign(crlf.size() * 2 + 16, 0);
  char* src = reinterpret_cast<char*>(crlf.data());
  std::size_t srcLeft = crlf.size();
  char* dst = reinterpret_cast<char*>(out->data());
  std::size_t dstLeft = out->size();
  std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return false;
  out->resize(out->size() - dstLeft);
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: hufpack encode IN OUT [--text] [--announce N] [--cut N]\n"
               "       hufpack decode IN OUT\n"
               "       hufpack bits OUT SIZE BITS...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string mode = argv[1];
  if (mode == "encode" && argc >= 4) {
    bool text = false;
    long long announce = -1, cut = 0;
    for (int i = 4; i < argc; ++i) {
      std::string opt = argv[i];
      if (opt == "--text") {
        text = true;
      } else if (opt == "--announce" && i + 1 < argc) {
        announce = std::strtoll(argv[++i], nullptr, 0);
      } else if (opt == "--cut" && i + 1 < argc) {
        cut = std::strtoll(argv[++i], nullptr, 0);
      } else {
        return Usage();
      }
    }
    Bytes in;
    if (!ReadAll(argv[2], &in)) {
      std::fprintf(stderr, "hufpack: cannot read %s\n", argv[2]);
      return 1;
    }
    if (text) {
      Bytes cp932;
      if (!TextToCp932(in, &cp932)) {
        std::fprintf(stderr, "hufpack: %s is not UTF-8 text that CP932 can hold\n", argv[2]);
        return 1;
      }
      in.swap(cp932);
    }
    if (in.size() > 0xFFFFFFFFull) {
      std::fprintf(stderr, "hufpack: %s is too large for a block\n", argv[2]);
      return 1;
    }
    Bytes block = Encode(in);
    if (announce >= 0) {
      for (int k = 0; k < 4; ++k) block[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(announce >> (8 * k));
    }
    if (cut > 0) block.resize(static_cast<std::size_t>(cut) >= block.size() ? 0 : block.size() - static_cast<std::size_t>(cut));
    if (!WriteAll(argv[3], block)) {
      std::fprintf(stderr, "hufpack: cannot write %s\n", argv[3]);
      return 1;
    }
    return 0;
  }
  if (mode == "decode" && argc == 4) {
    Bytes block;
    if (!ReadAll(argv[2], &block)) {
      std::fprintf(stderr, "hufpack: cannot read %s\n", argv[2]);
      return 1;
    }
    std::int64_t size = HuffmanBlockSize(block.data(), block.size());
    if (size < 0) {
      std::fprintf(stderr, "hufpack: %s is no block\n", argv[2]);
      return 1;
    }
    Bytes out(static_cast<std::size_t>(size));
    if (DecodeHuffman(block.data(), block.size(), out.data(), out.size()) != size) {
      std::fprintf(stderr, "hufpack: %s does not decode\n", argv[2]);
      return 1;
    }
    return WriteAll(argv[3], out) ? 0 : 1;
  }
  if (mode == "bits" && argc >= 4) {
    std::uint32_t size = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 0));
    BitWriter w;
    for (int k = 0; k < 4; ++k) w.Out().push_back(static_cast<std::uint8_t>(size >> (8 * k)));
    for (int i = 4; i < argc; ++i) {
      for (const char* p = argv[i]; *p; ++p) {
        if (*p == '0' || *p == '1') w.Bit(*p - '0');
      }
    }
    return WriteAll(argv[2], w.Out()) ? 0 : 1;
  }
  return Usage();
}
