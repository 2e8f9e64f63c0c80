// The engine's start and its idle cost. Start: the blend tables (16 MB)
// beside filling the same bytes, and start-up to the first executed script
// line. Idle: one main-loop pass while the script waits (key dispatch and
// frame step) beside the bare message pump it includes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "engine/kiv_base.h"
#include "framework/entry/process.h"
#include "graphics/blend_table.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"

namespace {

constexpr const char kWaitingStart[] = "::START\r\n\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(100000)\r\n^endw\r\n::END\r\n";

void BM_BlendTables(benchmark::State& state) {
  for (auto _ : state) {
    auto t = MakeBlendTables();
    benchmark::DoNotOptimize(t->T[255][255][255]);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sizeof(BlendTables)));
}
BENCHMARK(BM_BlendTables)->Unit(benchmark::kMillisecond);

void BM_FillSameBytes(benchmark::State& state) {
  auto t = std::make_unique<BlendTables>();
  std::uint8_t v = 0;
  for (auto _ : state) {
    std::memset(t.get(), ++v, sizeof(BlendTables));
    benchmark::DoNotOptimize(t->T[255][255][255]);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sizeof(BlendTables)));
}
BENCHMARK(BM_FillSameBytes)->Unit(benchmark::kMillisecond);

// A process on the fake backend with its program folder and START script.
struct Engine {
  pl::FakeBackend fake;
  std::string folder;
  ProcessGlobals globals;
  bool started = false;
  Engine() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kivzo-bench-XXXXXX").string();
    folder = mkdtemp(tmpl.data()) ? tmpl : std::string("/tmp");
    std::filesystem::create_directories(folder + "/txt");
    std::ofstream(folder + "/txt/START.TXT", std::ios::binary) << kWaitingStart;
    pl::SetProgramFolder(folder);
    globals.m_App.m_strMutexName = "kivzo-bench-" + std::to_string(getpid());
  }
  bool Start() {
    started = Startup(globals.m_App, nullptr) != 0;
    return started;
  }
  ~Engine() {
    if (started && globals.m_App.m_pKivBase) globals.m_App.m_pKivBase->Cleanup();
    Shutdown(globals.m_App);
    std::error_code ec;
    if (folder != "/tmp") std::filesystem::remove_all(folder, ec);
  }
};

void BM_StartToFirstLine(benchmark::State& state) {
  for (auto _ : state) {
    Engine e;
    if (!e.Start()) {
      state.SkipWithError("start-up failed");
      return;
    }
    // The first frame step resets the scene; the next runs the first line.
    e.globals.m_App.m_pKivBase->FrameStep();
    e.globals.m_App.m_pKivBase->FrameStep();
    e.globals.m_App.m_pKivBase->FrameStep();
    benchmark::DoNotOptimize(e.globals.m_App.m_pKivBase->Script().m_Root.m_nLine);
  }
}
BENCHMARK(BM_StartToFirstLine)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_IdlePass(benchmark::State& state) {
  Engine e;
  if (!e.Start()) {
    state.SkipWithError("start-up failed");
    return;
  }
  CKivBase& kiv = *e.globals.m_App.m_pKivBase;
  for (int i = 0; i < 10; ++i) kiv.FrameStep();  // into the wait
  for (auto _ : state) {
    kiv.DispatchWaitKeys();
    kiv.FrameStep();
  }
}
BENCHMARK(BM_IdlePass);

void BM_BarePump(benchmark::State& state) {
  Engine e;
  if (!e.Start()) {
    state.SkipWithError("start-up failed");
    return;
  }
  pl::Message m;
  for (auto _ : state) {
    if (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
}
BENCHMARK(BM_BarePump);

}  // namespace
