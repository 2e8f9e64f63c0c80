// The engine's start, its idle cost and the work of one tick of a busy
// scene. Start: the blend tables (16 MB) beside filling the same bytes, and
// start-up to the first executed script line. Idle: one main-loop pass
// while the script waits (key dispatch and frame step) beside the bare
// message pump it includes. Busy: the main-loop passes of one 33 ms tick
// while a page is revealed over a background, eight characters, snow and a
// scrolling overlay, beside one copy of the whole screen.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/process.h"
#include "engine/kiv_base.h"
#include "engine/scene_interface.h"
#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/input.h"
#include "platform/text.h"
#include "scene/pending.h"
#include "tools/abmpack/abm_writer.h"

namespace {

constexpr const char kWaitingStart[] = "::START\r\n\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(100000)\r\n^endw\r\n::END\r\n";

// Each figure's label names the benchmark it is measured against.
void BM_BlendTables(benchmark::State& state) {
  state.SetLabel("ref:BM_FillSameBytes");
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
  explicit Engine(const std::string& start = kWaitingStart) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kivzo-bench-XXXXXX").string();
    folder = mkdtemp(tmpl.data()) ? tmpl : std::string("/tmp");
    std::filesystem::create_directories(folder + "/txt");
    std::filesystem::create_directories(folder + "/grp");
    std::ofstream(folder + "/txt/START.TXT", std::ios::binary) << start;
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
  state.SetLabel("ref:BM_BarePump");
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

// ---- one tick of a busy scene

constexpr int W = 1024, H = 600;

// A picture in the byte coding with its alpha: smooth colours, for the
// characters an opaque body with soft edges inside a transparent margin.
void WritePicture(const std::string& path, int w, int h, int shape, std::uint32_t tint) {
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t a = 255;
      if (shape == 1) {  // a character: an ellipse with a soft edge
        const int dx = x - w / 2, dy = y - h / 2;
        const int d = dx * dx * 4 + dy * dy - (w / 2) * (w / 2) * 3;
        a = d > 0 ? 0 : (d > -4000 ? static_cast<std::uint32_t>(-d * 255 / 4000) : 255);
      } else if (shape == 2) {  // a window frame or a fog: see-through
        a = 160 + (x + y) % 64;
      } else if (shape == 3) {
        a = 48 + (y / 8) % 32;
      }
      const std::uint32_t r = (x * 255 / w) & 0xF8, g = (y * 255 / h) & 0xF8, b = ((x + y) / 8) & 0xFF;
      px[static_cast<std::size_t>(y) * w + x] = a ? ((a << 24) | (((r << 16) | (g << 8) | b) ^ tint)) : 0;
    }
  abmw::Bytes f = abmw::Header(32, w, h, 54);
  const abmw::Bytes data = abmw::EncodeByteCoding(px.data(), px.size());
  f.insert(f.end(), data.begin(), data.end());
  abmw::Finish(f);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

// The window of the sample game, a background, eight characters, snow and
// a scrolling fog, then pages of text for ever (mode 1: a click goes on).
std::string BusyStart() {
  std::string s =
      "::START\r\n\r\nvar(%i)\r\nmode(1)\r\nfnt(24,0xFFFFFF,2,0x101018)\r\n"
      "wnd(1)\r\nwnd(0,2,12,420)\r\nwnd(0,1,1000,170)\r\nwnd(0,6,\"msgwnd\",0,0)\r\n"
      "wnd(0,4,36,8,8,1,5,34)\r\nspr(9)\r\nbgon(\"bg\",0,0)\r\n";
  for (int i = 1; i <= 8; ++i)
    s += "chon(" + std::to_string(i) + ",\"ch" + std::to_string(i) + "\"," + std::to_string(-80 + 110 * i) + ",40,0,0)\r\n";
  s += "ud(1,100)\r\nfall(1)\r\nfilter(1,\"fog\",0,2)\r\nwndon(100)\r\n^wh(%i==0)\r\n";
  const std::string line = pl::Utf8ToCp932(
      "[ミナ]「夕暮れの丘に風が吹いて、草の海がゆっくりと波を打つ。遠くの町にひとつ、またひとつと灯りがともる。」");
  s += line + "\r\n" + line + "\r\n\r\n^endw\r\n::END\r\n";
  return s;
}

void BM_FrameStepBusyScene(benchmark::State& state) {
  state.SetLabel("ref:BM_FullScreenCopy");
  Engine e(BusyStart());
  WritePicture(e.folder + "/grp/bg.abm", W, H, 0, 0);
  for (int i = 1; i <= 8; ++i) WritePicture(e.folder + "/grp/ch" + std::to_string(i) + ".abm", 320, 560, 1, i * 0x132435u);
  WritePicture(e.folder + "/grp/msgwnd.abm", 1000, 170, 2, 0x404040);
  WritePicture(e.folder + "/grp/fog.abm", W, H, 3, 0xFFFFFF);
  if (!e.Start()) {
    state.SkipWithError("start-up failed");
    return;
  }
  CKivBase& kiv = *e.globals.m_App.m_pKivBase;
  kiv.Settings().m_nTextSpeed = 1;  // 45 ms a character (the factory setting shows a page at once)
  pl::ManualClock& clock = e.fake.manualClock();
  int passes = 0;
  auto pass = [&] {
    kiv.PumpAndPace();
    kiv.DispatchWaitKeys();
    kiv.FrameStep();
    ++passes;
  };
  auto revealing = [] {
    const SceneState& s = Scene();
    return s.m_Ops[0].code == kTextRevealOp && s.m_nPendingState == PND_TYPING;
  };
  // Into the reveal of the next page: Return at a click wait (the engine
  // acts once it is released, two pumps later), then passes until
  // the text runs again. False when it does not come.
  int releaseIn = 0;
  e.fake.onPump = [&](int) {
    if (releaseIn > 0 && --releaseIn == 0) e.fake.InjectKey(pl::DIK_RETURN, false);
  };
  auto nextReveal = [&] {
    for (int tries = 0; tries < 5000 && !revealing(); ++tries) {
      const SceneState& s = Scene();
      if (releaseIn == 0 && (s.m_nPendingState == PND_PROMPT_PAGE || s.m_nPendingState == PND_FPROMPT)) {
        e.fake.InjectKey(pl::DIK_RETURN, true);
        releaseIn = 2;
      }
      pass();
    }
    return revealing();
  };
  if (!nextReveal()) {
    state.SkipWithError("the page reveal did not start");
    return;
  }
  // A second into the scene: the transition is over and the layers run.
  for (std::uint32_t t0 = clock.TickMs(); clock.TickMs() - t0 < 1000;) pass();
  if (!e.fake.boxes.empty()) {
    state.SkipWithError(("the scene showed a box: " + pl::Cp932ToUtf8(e.fake.boxes[0].text)).c_str());
    return;
  }
  if (!nextReveal()) {
    state.SkipWithError("the page reveal did not start");
    return;
  }
  std::int64_t ticks = 0;
  passes = 0;
  for (auto _ : state) {
    const std::uint32_t start = clock.TickMs();
    while (clock.TickMs() - start < 33) pass();
    ++ticks;
    if (!revealing()) {
      state.PauseTiming();
      const int counted = passes;
      if (!nextReveal()) {
        state.ResumeTiming();
        state.SkipWithError("the next page did not start");
        break;
      }
      passes = counted;
      state.ResumeTiming();
    }
  }
  state.counters["passes_a_tick"] = ticks ? static_cast<double>(passes) / static_cast<double>(ticks) : 0.0;
}
BENCHMARK(BM_FrameStepBusyScene)->Unit(benchmark::kMicrosecond);

int g_nSimdOn = 1;

// The least a tick that changes the whole picture costs: every pixel of
// the screen copied once.
void BM_FullScreenCopy(benchmark::State& state) {
  CBuffer dst, src;
  dst.Create(1, W, H, &g_nSimdOn);
  src.Create(1, W, H, &g_nSimdOn);
  for (auto _ : state) {
    CopyPixelRect(dst, src, 0, 0, W, H, 0, 0);
    benchmark::DoNotOptimize(dst.m_pcPix);
    benchmark::ClobberMemory();
  }
  dst.Destroy();
  src.Destroy();
}
BENCHMARK(BM_FullScreenCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
