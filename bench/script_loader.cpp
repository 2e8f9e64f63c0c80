// Loading a 100,000-line script: the split into numbered lines and labels,
// and a whole LoadScriptFile from a loose text, beside a bare CR LF split of
// the same text (the cost of only finding the lines) as the reference.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"

namespace {

// Message text, commands, labels and a macro, as a story script mixes them.
std::string MakeScript(int lines) {
  std::string s = "::START\r\n^macro(\"M\")\r\n%a+=1\r\n^endm\r\n";
  for (int i = 0; s.size() < 64 || i < lines; ++i) {
    switch (i % 8) {
      case 0: s += "::L" + std::to_string(i) + "\r\n"; break;
      case 1: s += "[\x96\xBC]\r\n"; break;
      case 2: s += "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8@N\x82\xA9\x82\xAB\r\n"; break;
      case 3: s += "\r\n"; break;
      case 4: s += "chon( \"ch01\" , 1 , 2 ) # show\r\n"; break;
      case 5: s += "%a = %a + 1\r\n"; break;
      case 6: s += "/\x82\xCD\x82\xA2/\x82\xA2\x82\xA2\x82\xA6//\r\n"; break;
      default: s += "M\r\n"; break;
    }
  }
  return s + "::END\r\n";
}

const std::string& Script() {
  static const std::string s = MakeScript(100000);
  return s;
}

void BM_SplitScript(benchmark::State& state) {
  pl::FakeBackend fake;
  const std::string& text = Script();
  ValueList lines, labels, macros;
  for (auto _ : state) {
    SplitScript(text.c_str(), 0, lines, labels, macros, nullptr);
    benchmark::DoNotOptimize(lines.Size());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  state.SetLabel("ref:BM_ReferenceLineCut");
}
BENCHMARK(BM_SplitScript)->Unit(benchmark::kMillisecond);

void BM_LoadScriptFile(benchmark::State& state) {
  pl::FakeBackend fake;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kivzo-bench-loader";
  std::filesystem::create_directories(dir / "txt");
  std::ofstream(dir / "txt" / "START.TXT", std::ios::binary) << Script();
  pl::SetProgramFolder(dir.string());
  CScriptEngine eng;
  eng.Reset();
  for (auto _ : state) {
    LoadScriptFile(eng, "START", "START");
    benchmark::DoNotOptimize(eng.m_Root.m_pLine);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  state.SetLabel("ref:BM_ReferenceLineCut");
  pl::SetProgramFolder("");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadScriptFile)->Unit(benchmark::kMillisecond);

// Reference: only cutting the text at CR LF into strings.
void BM_ReferenceLineCut(benchmark::State& state) {
  const std::string& text = Script();
  std::vector<std::string> lines;
  for (auto _ : state) {
    lines.clear();
    std::size_t at = 0;
    for (std::size_t e; (e = text.find("\r\n", at)) != std::string::npos; at = e + 2) {
      lines.emplace_back(text, at, e - at);
    }
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ReferenceLineCut)->Unit(benchmark::kMillisecond);

}  // namespace
