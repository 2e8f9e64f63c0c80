// Block decoding throughput on a script-like text and a picture-like buffer,
// beside zlib's inflate of the same bytes (compressed by zlib) in the same
// run. zlib is reached through the copy the process already loads with the
// movie libraries, so this program needs no link line of its own.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/huffman.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// About 1 MB of CP932 script: commands, speaker names and message lines.
Bytes ScriptText() {
  std::mt19937 rng(1);
  Bytes t;
  auto put = [&](const std::string& s) { t.insert(t.end(), s.begin(), s.end()); };
  for (int line = 0; t.size() < (1u << 20); ++line) {
    switch (rng() % 5) {
      case 0: put("bgon(BG" + std::to_string(rng() % 40) + ",1,0)\r\n"); break;
      case 1: put("\x81\x79\x90\xE7\x8F\x74\x81\x7A\r\n"); break;  // 【千春】
      default: {
        put("\x81\x75");  // 「
        int n = 8 + static_cast<int>(rng() % 30);
        for (int k = 0; k < n; ++k) {
          // Hiragana most of the time, some kanji.
          if (rng() % 4) {
            t.push_back(0x82);
            t.push_back(static_cast<std::uint8_t>(0x9F + rng() % 83));
          } else {
            t.push_back(static_cast<std::uint8_t>(0x88 + rng() % 8));
            t.push_back(static_cast<std::uint8_t>(0x40 + rng() % 60));
          }
        }
        put("\x81\x76\r\n");  // 」
      }
    }
  }
  t.resize(1u << 20);
  return t;
}

// 2 MB of 32-bit pixels: smooth gradients with a little noise, alpha 255.
Bytes PictureBuffer() {
  std::mt19937 rng(2);
  Bytes p;
  p.reserve(2u << 20);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 1024; ++x) {
      p.push_back(static_cast<std::uint8_t>((x / 4 + rng() % 3) & 0xFF));
      p.push_back(static_cast<std::uint8_t>((y / 2 + rng() % 3) & 0xFF));
      p.push_back(static_cast<std::uint8_t>(((x + y) / 6) & 0xFF));
      p.push_back(255);
    }
  }
  return p;
}

// Packs with the project's encoder (the engine itself has none).
Bytes HufPack(const Bytes& in, const std::string& tag) {
  std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
  std::string src = dir + "/kivzo_bench_" + tag + ".bin", dst = src + ".blk";
  {
    std::ofstream out(src, std::ios::binary);
    out.write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size()));
  }
  std::string cmd = std::string(KIVZO_TOOLS_DIR) + "/hufpack encode " + src + " " + dst;
  Bytes block;
  if (std::system(cmd.c_str()) == 0) {
    std::ifstream blk(dst, std::ios::binary);
    block.assign(std::istreambuf_iterator<char>(blk), std::istreambuf_iterator<char>());
  }
  std::remove(src.c_str());
  std::remove(dst.c_str());
  return block;
}

struct Zlib {
  decltype(&::compress2) compress2 = nullptr;
  decltype(&::compressBound) compressBound = nullptr;
  decltype(&::uncompress) uncompress = nullptr;
  Zlib() {
    void* h = ::dlopen("libz.so.1", RTLD_NOW);
    if (!h) return;
    compress2 = reinterpret_cast<decltype(compress2)>(::dlsym(h, "compress2"));
    compressBound = reinterpret_cast<decltype(compressBound)>(::dlsym(h, "compressBound"));
    uncompress = reinterpret_cast<decltype(uncompress)>(::dlsym(h, "uncompress"));
  }
  bool ok() const { return compress2 && compressBound && uncompress; }
};

const Zlib& Z() {
  static Zlib z;
  return z;
}

struct Data {
  Bytes raw, block, deflated;
};

const Data& Input(int which) {
  static Data data[2];
  Data& d = data[which];
  if (d.raw.empty()) {
    d.raw = which == 0 ? ScriptText() : PictureBuffer();
    d.block = HufPack(d.raw, which == 0 ? "script" : "picture");
    if (Z().ok()) {
      uLongf n = Z().compressBound(d.raw.size());
      d.deflated.resize(n);
      if (Z().compress2(d.deflated.data(), &n, d.raw.data(), d.raw.size(), Z_DEFAULT_COMPRESSION) == Z_OK) {
        d.deflated.resize(n);
      } else {
        d.deflated.clear();
      }
    }
  }
  return d;
}

void BM_DecodeHuffman(benchmark::State& state) {
  const Data& d = Input(static_cast<int>(state.range(0)));
  if (d.block.empty()) {
    state.SkipWithError("hufpack did not run");
    return;
  }
  Bytes out(d.raw.size());
  for (auto _ : state) {
    std::int64_t n = DecodeHuffman(d.block.data(), d.block.size(), out.data(), out.size());
    benchmark::DoNotOptimize(n);
    benchmark::ClobberMemory();
  }
  if (out != d.raw) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(d.raw.size()));
  state.counters["ratio"] = static_cast<double>(d.block.size()) / static_cast<double>(d.raw.size());
  state.SetLabel("ref:BM_ZlibInflate/" + std::to_string(state.range(0)));
}

void BM_ZlibInflate(benchmark::State& state) {
  const Data& d = Input(static_cast<int>(state.range(0)));
  if (d.deflated.empty()) {
    state.SkipWithError("zlib not available");
    return;
  }
  Bytes out(d.raw.size());
  for (auto _ : state) {
    uLongf n = out.size();
    int rc = Z().uncompress(out.data(), &n, d.deflated.data(), d.deflated.size());
    benchmark::DoNotOptimize(rc);
    benchmark::ClobberMemory();
  }
  if (out != d.raw) state.SkipWithError("inflated bytes differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(d.raw.size()));
  state.counters["ratio"] = static_cast<double>(d.deflated.size()) / static_cast<double>(d.raw.size());
}

}  // namespace

// Argument 0: the 1 MB script; 1: the 2 MB picture.
BENCHMARK(BM_DecodeHuffman)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
