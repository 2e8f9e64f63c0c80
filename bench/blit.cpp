// The pixel routines at full frame (1024 x 600), each SIMD path beside its
// plain path in the same run, the alpha blend also beside pixman's OVER and
// SDL2's blended blit on the same pixels; .abm decoding beside libpng
// decoding the same pictures; and the composition of a typical frame.
//
// pixman and libpng are loaded at run time (benchmark-only dependencies);
// a benchmark whose library is missing reports that and skips.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <png.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics/abm_image.h"
#include "graphics/blit.h"
#include "graphics/pixel_kernels.h"
#include "tools/abmpack/abm_writer.h"

namespace {

using pixk::SimdLevel;

constexpr int W = 1024, H = 600;

int g_nSimdOn = 1;

struct Frame {
  CBuffer b;
  Frame(int w, int h, std::uint32_t seed, std::size_t stagger = 0) {
    b.Create(1, w, h, &g_nSimdOn, stagger);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.Row32(y)[x] = rng();
  }
};

// Runs `fn` with the SIMD level capped at `level`; skips a level the
// processor lacks. `ref` names the benchmark this one is measured against
// (for a SIMD level, the same routine's plain path).
template <typename Fn>
void AtLevel(benchmark::State& state, const std::string& ref, Fn&& fn) {
  const auto level = static_cast<SimdLevel>(state.range(0));
  if (!ref.empty()) state.SetLabel("ref:" + ref);
  if (static_cast<int>(pixk::ActiveSimdLevel()) < static_cast<int>(level)) {
    state.SkipWithError("this processor lacks the level");
    return;
  }
  const SimdLevel old = pixk::GetSimdLevelCap();
  pixk::SetSimdLevelCap(level);
  for (auto _ : state) fn();
  pixk::SetSimdLevelCap(old);
  state.SetItemsProcessed(state.iterations() * W * H);
}

void LevelArgs(benchmark::internal::Benchmark* b) {
  b->ArgName("simd")->Arg(0)->Arg(1)->Arg(2);
}

void BM_AlphaBlit(benchmark::State& state) {
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  AtLevel(state, "BM_AlphaBlitPixmanOver", [&] {
    AlphaBlitRect(dst.b, src.b, 0, 0, W, H, 0, 0);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_AlphaBlit)->Apply(LevelArgs);

void BM_OpacityBlend(benchmark::State& state) {
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  AtLevel(state, state.range(0) ? "BM_OpacityBlend/simd:0" : "", [&] {
    AlphaBlt32(dst.b, src.b, 0, 0, W, H, 0, 0, 160);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_OpacityBlend)->Apply(LevelArgs);

void BM_Fade(benchmark::State& state) {
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  AtLevel(state, state.range(0) ? "BM_Fade/simd:0" : "", [&] {
    FadeBlitRect(dst.b, src.b, 0, 0, W, H, 0, 0, 100);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_Fade)->Apply(LevelArgs);

void BM_Additive(benchmark::State& state) {
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  AtLevel(state, state.range(0) ? "BM_Additive/simd:0" : "", [&] {
    AddBlt32(dst.b, src.b, 0, 0, W, H, 0, 0);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_Additive)->Apply(LevelArgs);

void BM_ScaleHalf(benchmark::State& state) {
  Frame dst(W / 2, H / 2, 1), src(W, H, 2, 1088);
  AtLevel(state, state.range(0) ? "BM_ScaleHalf/simd:0" : "", [&] {
    ScaleBlt32(dst.b, 0, 0, W / 2, H / 2, src.b, 0, 0, W, H, 1);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_ScaleHalf)->Apply(LevelArgs);

void BM_ToneSepia(benchmark::State& state) {
  Frame dst(W, H, 1);
  AtLevel(state, state.range(0) ? "BM_ToneSepia/simd:0" : "", [&] {
    ApplyTone(dst.b, 2);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_ToneSepia)->Apply(LevelArgs);

void BM_ToneGrey(benchmark::State& state) {
  Frame dst(W, H, 1);
  AtLevel(state, state.range(0) ? "BM_ToneGrey/simd:0" : "", [&] {
    ApplyTone(dst.b, 0);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_ToneGrey)->Apply(LevelArgs);

// The tones that change each channel by itself: 3 yellow, 4 blue,
// 5 negative, 6 red, 7 green, 8 deep red.
void BM_ToneColour(benchmark::State& state) {
  Frame dst(W, H, 1);
  const int tone = static_cast<int>(state.range(1));
  const std::string ref = state.range(0) ? "BM_ToneColour/simd:0/tone:" + std::to_string(tone) : "";
  AtLevel(state, ref, [&] {
    ApplyTone(dst.b, tone);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  });
}
BENCHMARK(BM_ToneColour)->ArgNames({"simd", "tone"})->ArgsProduct({{0, 1, 2}, {3, 4, 5, 6, 7, 8}});

// ---- references on the same pixels

struct Pixman {
  using Image = void;
  Image* (*create)(std::uint32_t format, int w, int h, std::uint32_t* bits, int stride) = nullptr;
  void (*composite)(int op, Image* src, Image* mask, Image* dst, std::int32_t sx, std::int32_t sy, std::int32_t mx,
                    std::int32_t my, std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h) = nullptr;
  int (*unref)(Image*) = nullptr;
  bool ok = false;
  Pixman() {
    void* lib = dlopen("libpixman-1.so.0", RTLD_NOW);
    if (!lib) return;
    create = reinterpret_cast<decltype(create)>(dlsym(lib, "pixman_image_create_bits"));
    composite = reinterpret_cast<decltype(composite)>(dlsym(lib, "pixman_image_composite32"));
    unref = reinterpret_cast<decltype(unref)>(dlsym(lib, "pixman_image_unref"));
    ok = create && composite && unref;
  }
  static constexpr std::uint32_t kA8R8G8B8 = 0x20028888;  // 32 bpp, ARGB, 8 bits a channel
  static constexpr int kOpOver = 3;
};

void BM_AlphaBlitPixmanOver(benchmark::State& state) {
  static Pixman px;
  if (!px.ok) {
    state.SkipWithError("libpixman-1.so.0 not found");
    return;
  }
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  void* d = px.create(Pixman::kA8R8G8B8, W, H, dst.b.Row32(0), dst.b.m_nStride);
  void* s = px.create(Pixman::kA8R8G8B8, W, H, src.b.Row32(0), src.b.m_nStride);
  for (auto _ : state) {
    px.composite(Pixman::kOpOver, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  }
  px.unref(s);
  px.unref(d);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_AlphaBlitPixmanOver);

void BM_AlphaBlitSdlBlend(benchmark::State& state) {
  Frame dst(W, H, 1, 0), src(W, H, 2, 1088);
  SDL_Surface* d = SDL_CreateRGBSurfaceWithFormatFrom(dst.b.m_pcPix, W, H, 32, dst.b.m_nStride, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(src.b.m_pcPix, W, H, 32, src.b.m_nStride, SDL_PIXELFORMAT_ARGB8888);
  if (!d || !s) {
    state.SkipWithError("SDL surfaces");
    return;
  }
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
  for (auto _ : state) {
    SDL_BlitSurface(s, nullptr, d, nullptr);
    benchmark::DoNotOptimize(dst.b.m_pcPix);
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_AlphaBlitSdlBlend);

// ---- decoding: a background and a sprite as .abm, and as PNG

struct Png {
  int (*beginRead)(png_imagep, png_const_voidp, size_t) = nullptr;
  int (*finishRead)(png_imagep, png_const_colorp, void*, png_int_32, void*) = nullptr;
  int (*writeMem)(png_imagep, void*, png_alloc_size_t*, int, const void*, png_int_32, const void*) = nullptr;
  bool ok = false;
  Png() {
    void* lib = dlopen("libpng16.so.16", RTLD_NOW);
    if (!lib) return;
    beginRead = reinterpret_cast<decltype(beginRead)>(dlsym(lib, "png_image_begin_read_from_memory"));
    finishRead = reinterpret_cast<decltype(finishRead)>(dlsym(lib, "png_image_finish_read"));
    writeMem = reinterpret_cast<decltype(writeMem)>(dlsym(lib, "png_image_write_to_memory"));
    ok = beginRead && finishRead && writeMem;
  }
};

// A picture like real content: smooth colour areas, a transparent margin
// for the sprite, soft edges.
std::vector<std::uint32_t> Picture(int w, int h, bool sprite) {
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t a = 255;
      if (sprite) {
        const int dx = x - w / 2, dy = y - h / 2;
        const int d = dx * dx * 4 + dy * dy - (w / 2) * (w / 2) * 3;
        a = d > 0 ? 0 : (d > -4000 ? static_cast<std::uint32_t>(-d * 255 / 4000) : 255);
      }
      const std::uint32_t r = (x * 255 / w) & 0xF8, g = (y * 255 / h) & 0xF8, b = ((x + y) / 8) & 0xFF;
      px[static_cast<std::size_t>(y) * w + x] = a ? (a << 24) | (r << 16) | (g << 8) | b : 0;
    }
  return px;
}

abmw::Bytes AbmFile(const std::vector<std::uint32_t>& px, int w, int h) {
  abmw::Bytes f = abmw::Header(32, w, h, 54);
  const abmw::Bytes data = abmw::EncodeByteCoding(px.data(), px.size());
  f.insert(f.end(), data.begin(), data.end());
  abmw::Finish(f);
  return f;
}

void DecodeAbmBench(benchmark::State& state, int w, int h, bool sprite) {
  const auto px = Picture(w, h, sprite);
  const abmw::Bytes file = AbmFile(px, w, h);
  CBuffer b;
  b.Create(1, w, h, &g_nSimdOn);
  for (auto _ : state) {
    DecodeAbm(ByteSpan(file.data(), file.size()), b);
    benchmark::DoNotOptimize(b.m_pcPix);
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.SetItemsProcessed(state.iterations() * w * h);
}

void DecodePngBench(benchmark::State& state, int w, int h, bool sprite) {
  static Png png;
  if (!png.ok) {
    state.SkipWithError("libpng16.so.16 not found");
    return;
  }
  const auto px = Picture(w, h, sprite);
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(w);
  img.height = static_cast<png_uint_32>(h);
  img.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  png.writeMem(&img, nullptr, &size, 0, px.data(), 0, nullptr);
  std::vector<std::uint8_t> file(size);
  png.writeMem(&img, file.data(), &size, 0, px.data(), 0, nullptr);
  std::vector<std::uint32_t> out(px.size());
  for (auto _ : state) {
    png_image r{};
    r.version = PNG_IMAGE_VERSION;
    png.beginRead(&r, file.data(), size);
    r.format = PNG_FORMAT_BGRA;
    png.finishRead(&r, nullptr, out.data(), 0, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["file_bytes"] = static_cast<double>(size);
  state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_DecodeAbmBackground(benchmark::State& s) {
  s.SetLabel("ref:BM_DecodePngBackground");
  DecodeAbmBench(s, 1024, 600, false);
}
void BM_DecodePngBackground(benchmark::State& s) { DecodePngBench(s, 1024, 600, false); }
void BM_DecodeAbmSprite(benchmark::State& s) {
  s.SetLabel("ref:BM_DecodePngSprite");
  DecodeAbmBench(s, 400, 600, true);
}
void BM_DecodePngSprite(benchmark::State& s) { DecodePngBench(s, 400, 600, true); }
BENCHMARK(BM_DecodeAbmBackground);
BENCHMARK(BM_DecodePngBackground);
BENCHMARK(BM_DecodeAbmSprite);
BENCHMARK(BM_DecodePngSprite);

// ---- a typical frame: the background copied to the composition layer,
// four sprites blended, a message window part at window opacity, the
// result copied to the presented layer.
void BM_ComposeFrame(benchmark::State& state) {
  Frame bg(W, H, 1, 0), layer3(W, H, 2, 1088), layer0(W, H, 3, 2176);
  std::vector<Frame*> sprites;
  const auto spritePx = Picture(400, 600, true);
  Frame s0(400, 600, 4), s1(400, 600, 5), s2(400, 600, 6), s3(400, 600, 7);
  for (Frame* s : {&s0, &s1, &s2, &s3}) {
    std::memcpy(s->b.m_pcPix, spritePx.data(), spritePx.size() * 4);
    sprites.push_back(s);
  }
  Frame window(1000, 180, 8);
  AtLevel(state, state.range(0) ? "BM_ComposeFrame/simd:0" : "", [&] {
    CopyPixelRect(layer3.b, bg.b, 0, 0, W, H, 0, 0);
    for (int i = 0; i < 4; ++i) AlphaBlt32(layer3.b, sprites[i]->b, i * 220 - 60, 0, 400, 600, 0, 0, 255);
    CopyPixelRect(layer0.b, layer3.b, 0, 0, W, H, 0, 0);
    AlphaBlt32(layer0.b, window.b, 12, 410, 1000, 180, 0, 0, 200);
    benchmark::DoNotOptimize(layer0.b.m_pcPix);
  });
}
BENCHMARK(BM_ComposeFrame)->Apply(LevelArgs);

}  // namespace
