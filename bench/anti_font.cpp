// The anti-aliased text renderer: one 40-character Japanese line with its
// glyphs cached (the usual case) and with the cache emptied first (every
// glyph rendered at 4x and reduced), and a page of five lines; each on the
// plain blend beside the SIMD one.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "graphics/anti_font.h"
#include "graphics/pixel_kernels.h"
#include "platform/text.h"

namespace {

const std::string& Line() {
  static const std::string line =
      pl::Utf8ToCp932("「今日はいい天気ですね。どこかへ出かけませんか？」と、彼女は窓の外を見ながら言った。");
  return line;
}

struct Setup {
  CAntiFont font;
  std::vector<std::uint8_t> screen = std::vector<std::uint8_t>(1024 * 600 * 4, 0x40);
  Setup() {
    LogFontA lf = MakeLogFont(pl::Utf8ToCp932("ＭＳ ゴシック").c_str(), 24);
    font.SetFont(lf);
  }
};

void Run(benchmark::State& state, bool cold, int lines, const char* name) {
  Setup s;
  const pixk::SimdLevel cap = pixk::GetSimdLevelCap();
  if (state.range(0) == 0) pixk::SetSimdLevelCap(pixk::SimdLevel::Plain);
  const std::string& line = Line();
  std::int64_t glyphs = 0;
  for (auto _ : state) {
    if (cold) s.font.FreeCache();
    for (int l = 0; l < lines; ++l) {
      s.font.DrawString(40, line.c_str(), s.screen.data(), 0xFFFFFF, 40 + 30 * l, static_cast<int>(line.size()));
    }
    glyphs += static_cast<std::int64_t>(line.size() / 2) * lines;
    benchmark::ClobberMemory();
  }
  pixk::SetSimdLevelCap(cap);
  // The SIMD blend is measured against the plain one.
  if (state.range(0) == 1) state.SetLabel(std::string("ref:") + name + "/0");
  state.counters["glyphs/s"] = benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
}

void BM_LineWarm(benchmark::State& state) { Run(state, false, 1, "BM_LineWarm"); }
void BM_LineCold(benchmark::State& state) { Run(state, true, 1, "BM_LineCold"); }
void BM_PageWarm(benchmark::State& state) { Run(state, false, 5, "BM_PageWarm"); }

}  // namespace

// Argument: 0 plain blend, 1 SIMD blend.
BENCHMARK(BM_LineWarm)->Arg(0)->Arg(1);
BENCHMARK(BM_LineCold)->Arg(0)->Arg(1);
BENCHMARK(BM_PageWarm)->Arg(0)->Arg(1);
