// The composition of a scene (a full-screen background and eight
// characters with alpha, through layer 3 up to layer 2) and the redraw of a
// message window with its frame and buttons, each beside a plain copy of
// the whole 1024 x 600 screen: the work a render tick pays for a scene
// change in units of one full-screen copy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "framework/globals.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/virtual_screen.h"
#include "platform/fake/fake_backend.h"
#include "scene/compose.h"
#include "scene/object_tables.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"

namespace {

// A kind-32 picture with varied alpha (opaque body, soft edges, holes).
void Picture(CLayerImage& r, const char* name, int w, int h, int kind, int states = 1, int cls = 0) {
  r.m_nKind = static_cast<std::int8_t>(kind);
  r.m_nWidth = static_cast<std::int16_t>(w);
  r.m_nHeight = static_cast<std::int16_t>(h * states);
  r.m_nRowsLessOne = static_cast<std::uint8_t>(states - 1);
  r.m_nClass = static_cast<std::uint8_t>(cls);
  r.m_Pixels.resize(static_cast<std::size_t>(w) * h * states);
  std::uint32_t seed = 12345;
  for (std::uint32_t& p : r.m_Pixels) {
    seed = seed * 1103515245u + 12345u;
    const std::uint32_t a = kind == 24 ? 0 : ((seed >> 24) < 160 ? 255u : (seed >> 16) & 0xFF);
    p = (a << 24) | ((seed >> 8) & 0xFFFFFF);
  }
  std::snprintf(r.m_szName, sizeof r.m_szName, "%s", name);
}

struct Stage {
  pl::FakeBackend fake;
  CObjectTables tables;
  Stage() {
    CreateVirtualScreens(nullptr);
    ResetPresentation();
    Presentation().m_pTables = &tables;
    InstallSceneDrawHooks();
    tables.CreateSprites(9);
    Picture(*tables.SpriteAt(0), "bg", kScreenWidth, kScreenHeight, 24);
    for (int i = 1; i < 9; ++i) {
      CLayerImage& s = *tables.SpriteAt(i);
      Picture(s, "ch", 320, 560, 32);
      s.m_nX = static_cast<std::int16_t>(-60 + 110 * i);
      s.m_nY = 40;
    }
    tables.CreateWindows(1);
    tables.SelectWindow(0);
    CTextWindow& w = *tables.WindowAt(0);
    w.m_nX = 0, w.m_nY = 420, w.m_nWidth = 1024, w.m_nHeight = 180, w.m_nState = 1;
    Picture(w.m_Frame, "frame", 1024, 180, 32, 1, 2);
    for (int b = 0; b < 8; ++b) {
      auto btn = std::make_unique<CWindowButton>();
      Picture(btn->m_Image, "sb", 64, 24, 32, 3, 2);
      btn->m_Image.m_nX = static_cast<std::int16_t>(420 + 72 * b);
      btn->m_Image.m_nY = 150;
      w.m_Buttons.push_back(std::move(btn));
    }
    ComposeSprites(true);
  }
  ~Stage() {
    ResetPresentation();
    FreeVirtualScreens();
  }
};

Stage& TheStage() {
  static Stage s;
  return s;
}

void FullScreenCopy(benchmark::State& state) {
  TheStage();
  CBuffer dst, src;
  SetupDibHeader(dst, kScreenWidth, 32, kScreenHeight, GetVirtualScreen(2)->Pixels(), GetMmxFlag());
  SetupDibHeader(src, kScreenWidth, 32, kScreenHeight, GetVirtualScreen(3)->Pixels(), GetMmxFlag());
  for (auto _ : state) {
    CopyPixelRect(dst, src, 0, 0, kScreenWidth, kScreenHeight, 0, 0);
    benchmark::DoNotOptimize(dst.m_pcPix[4096]);
  }
}
BENCHMARK(FullScreenCopy)->Name("reference/CopyPixelRect_full_screen");

// Each figure's label names the benchmark it is measured against.
constexpr const char kRef[] = "ref:reference/CopyPixelRect_full_screen";

void ComposeScene(benchmark::State& state) {
  state.SetLabel(kRef);
  TheStage();
  for (auto _ : state) {
    ComposeSprites(true);
    benchmark::DoNotOptimize(GetVirtualScreen(2)->Pixels()[1000]);
  }
}
BENCHMARK(ComposeScene)->Name("ComposeSprites_background_and_8_sprites");

void RedrawWindow(benchmark::State& state) {
  state.SetLabel(kRef);
  Stage& s = TheStage();
  CTextWindow& w = *s.tables.WindowAt(0);
  for (auto _ : state) {
    RedrawMessageWindow(1, w, 3);
    benchmark::DoNotOptimize(GetVirtualScreen(0)->Pixels()[500 * kScreenWidth]);
  }
}
BENCHMARK(RedrawWindow)->Name("RedrawMessageWindow_frame_and_8_buttons");

}  // namespace
