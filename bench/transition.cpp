// One frame of the dissolve and of the rule wipe over the full 1024 x 600
// screen, beside a plain full-screen copy in the same run (the least any
// transition frame costs: every pixel written once). A frame must fit well
// inside the 33 ms render tick.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "graphics/blit.h"
#include "graphics/layer_image.h"
#include "graphics/transition.h"

namespace {

constexpr int W = 1024, H = 600;

int g_nSimdOn = 1;

struct Frame {
  CBuffer b;
  Frame(std::uint32_t seed, std::size_t stagger) {
    b.Create(1, W, H, &g_nSimdOn, stagger);
    std::mt19937 rng(seed);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) b.Row32(y)[x] = rng() & 0x00FFFFFFu;
  }
};

struct Screens {
  Frame out{1, 0}, oldP{2, 64 * 5}, newP{3, 64 * 11};
  CLayerImage rule;
  Screens() {
    rule.m_nKind = 8;
    rule.m_nWidth = W;
    rule.m_nHeight = H;
    rule.m_Plane.resize(static_cast<std::size_t>(W) * H);
    std::mt19937 rng(4);
    for (auto& v : rule.m_Plane) v = static_cast<std::uint8_t>(rng());
  }
};

Screens& Shared() {
  static Screens s;
  return s;
}

void BM_FullScreenCopy(benchmark::State& state) {
  Screens& s = Shared();
  for (auto _ : state) {
    CopyPixelRect(s.out.b, s.newP.b, 0, 0, W, H, 0, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_FullScreenCopy);

// Each figure's label names the benchmark it is measured against.
void BM_DissolveStep(benchmark::State& state) {
  state.SetLabel("ref:BM_FullScreenCopy");
  Screens& s = Shared();
  for (auto _ : state) {
    transition::DissolveStep(s.oldP.b, s.newP.b, s.out.b, 0.4f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_DissolveStep);

void BM_RuleWipeStep(benchmark::State& state) {
  state.SetLabel("ref:BM_FullScreenCopy");
  Screens& s = Shared();
  for (auto _ : state) {
    transition::RuleWipe(s.newP.b, s.oldP.b, s.out.b, s.rule, 0.4f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_RuleWipeStep);

}  // namespace
