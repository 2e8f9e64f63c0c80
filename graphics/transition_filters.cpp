// The transitions that filter one picture at a time (the stepper runs them
// on the old picture and then on the new one): mosaic, horizontal blur,
// wave rows, squeezes and streaks; and the two raster effects of `raster`.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "graphics/transition.h"
#include "graphics/virtual_screen.h"

namespace transition {

namespace {

RasterState g_Raster;

std::uint32_t Pack(std::uint64_t b, std::uint64_t g, std::uint64_t r) {
  return static_cast<std::uint32_t>(b | (g << 8) | (r << 16));
}

// Row y of the source into the destination moved right by k pixels (left
// for a negative k); the pixels nothing moves onto become 0. The source row
// is read before anything is written, so the two may be one buffer.
void ShiftRow(std::uint32_t* d, const std::uint32_t* s, int w, long long k, std::vector<std::uint32_t>& tmp) {
  if (k >= w || -k >= w) {
    std::fill(d, d + w, 0u);
    return;
  }
  tmp.assign(s, s + w);
  const int n = static_cast<int>(k);
  if (n >= 0) {
    std::fill(d, d + n, 0u);
    CopyRgb(d + n, tmp.data(), w - n);
  } else {
    CopyRgb(d, tmp.data() - n, w + n);
    std::fill(d + w + n, d + w, 0u);
  }
}

}  // namespace

RasterState& GetRasterState() { return g_Raster; }
void ResetRasterState() { g_Raster = RasterState{}; }

// ---------------------------------------------------------------- mosaic and blur

void Mosaic(CBuffer& destination, const CBuffer& source, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0) return;
  const int n = static_cast<int>(ClampProgress(p) * 32.0f + 8.0f);
  if (n <= 1) {
    CopyPixelRect(destination, source, 0, 0, w, h, 0, 0);
    return;
  }
  for (int by = 0; by < h; by += n) {
    const int bh = std::min(n, h - by);
    for (int bx = 0; bx < w; bx += n) {
      const int bw = std::min(n, w - bx);
      std::uint64_t sb = 0, sg = 0, sr = 0;
      for (int y = by; y < by + bh; ++y) {
        const std::uint8_t* s = source.Row(y) + 4 * bx;
        for (int x = 0; x < bw; ++x) {
          sb += s[4 * x];
          sg += s[4 * x + 1];
          sr += s[4 * x + 2];
        }
      }
      const std::uint64_t count = static_cast<std::uint64_t>(bw) * static_cast<std::uint64_t>(bh);
      const std::uint32_t px = Pack(sb / count, sg / count, sr / count);
      for (int y = by; y < by + bh; ++y) std::fill(destination.Pixel32(bx, y), destination.Pixel32(bx + bw, y), px);
    }
  }
}

void BlurH(CBuffer& destination, const CBuffer& source, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0) return;
  const int r = std::min(320, static_cast<int>(ClampProgress(p) * 320.0f));
  if (r == 0) return;
  if (r == 1) {
    CopyPixelRect(destination, source, 0, 0, w, h, 0, 0);
    return;
  }
  // Running sums of each channel: sum[x] holds pixels 0 .. x - 1.
  std::vector<std::uint32_t> sum(3 * (static_cast<std::size_t>(w) + 1));
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = source.Row(y);
    sum[0] = sum[1] = sum[2] = 0;
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) sum[3 * (x + 1) + c] = sum[3 * x + c] + s[4 * x + c];
    }
    std::uint32_t* d = destination.Row32(y);
    for (int x = 0; x < w; ++x) {
      const int lo = std::max(0, x - r), hi = std::min(w - 1, x + r);
      const std::uint32_t count = static_cast<std::uint32_t>(hi - lo + 1);
      const std::size_t a = 3 * static_cast<std::size_t>(lo), b = 3 * (static_cast<std::size_t>(hi) + 1);
      d[x] = Pack((sum[b] - sum[a]) / count, (sum[b + 1] - sum[a + 1]) / count, (sum[b + 2] - sum[a + 2]) / count);
    }
  }
}

// ---------------------------------------------------------------- waves and squeezes

namespace {

// The size the two pictures share and the progress clamped; false when
// there is nothing left to do: no common area, or no progress, where the
// source has been copied as it is.
bool BeginFilter(CBuffer& destination, const CBuffer& source, float* p, int* w, int* h) {
  CommonSize(w, h, &destination, &source);
  if (*w <= 0 || *h <= 0) return false;
  *p = ClampProgress(*p);
  if (*p == 0.0f) {
    CopyPixelRect(destination, source, 0, 0, *w, *h, 0, 0);
    return false;
  }
  return true;
}

// The picture shrunk into the middle along one axis (rows for `vertical`)
// between two black bars, cropped by as much along the other; all black
// once nothing is left of it.
void Squeeze(CBuffer& destination, const CBuffer& source, float p, bool vertical) {
  int w, h;
  if (!BeginFilter(destination, source, &p, &w, &h)) return;
  const int b = std::min(h / 2, static_cast<int>(p * static_cast<float>(h) / 2.0f));
  const int c = std::min(w / 2, static_cast<int>(p * static_cast<float>(w) / 2.0f));
  if (p >= 1.0f || h - 2 * b <= 0 || w - 2 * c <= 0) {
    FillRect32(destination, 0, 0, w, h, 0);
    return;
  }
  if (vertical) {
    FillRect32(destination, 0, 0, w, b, 0);
    FillRect32(destination, 0, h - b, w, b, 0);
    ScaleBlt32(destination, 0, b, w, h - 2 * b, source, c, 0, w - 2 * c, h, 0);
  } else {
    FillRect32(destination, 0, 0, c, h, 0);
    FillRect32(destination, w - c, 0, c, h, 0);
    ScaleBlt32(destination, c, 0, w - 2 * c, h, source, 0, b, w, h - 2 * b, 0);
  }
}

}  // namespace

void WaveRows(CBuffer& destination, const CBuffer& source, float p) {
  int w, h;
  if (!BeginFilter(destination, source, &p, &w, &h)) return;
  std::vector<std::uint32_t> tmp;
  const float angle = g_Raster.waveAngle;
  for (int y = 0; y < h; ++y) {
    const float f = p * 1024.0f * std::sin(angle + 0.05f * static_cast<float>(y));
    ShiftRow(destination.Row32(y), source.Row32(y), w, static_cast<long long>(f), tmp);
  }
  g_Raster.waveAngle += 0.1f;
  if (g_Raster.waveAngle > 6.2831855f) g_Raster.waveAngle = 0.0f;
}

void SqueezeV(CBuffer& destination, const CBuffer& source, float p) { Squeeze(destination, source, p, true); }

void SqueezeH(const CBuffer& source, CBuffer& destination, float p) { Squeeze(destination, source, p, false); }

// ---------------------------------------------------------------- streaks

namespace {

// Cuts every row into random spans and fills each with `colour(row, start,
// length)`.
template <typename Colour>
void Streaks(CBuffer& destination, int w, int h, float p, Colour&& colour) {
  const int f = static_cast<int>(ClampProgress(p) * 256.0f + 16.0f);
  CrtRandom& rnd = GetCrtRandom();
  for (int y = 0; y < h; ++y) {
    std::uint32_t* d = destination.Row32(y);
    for (int x = 0; x < w;) {
      int len = rnd.Next() % f + 1;
      if (x >= w - f) len = std::min(len, w - x);
      std::fill(d + x, d + x + len, colour(y, x, len));
      x += len;
    }
  }
}

}  // namespace

void StreakRandom(const CBuffer& source, CBuffer& destination, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0) return;
  Streaks(destination, w, h, p,
          [&](int y, int x, int len) { return source.Row32(y)[x + len / 2] & 0x00FFFFFFu; });
}

void StreakAverage(CBuffer& destination, const CBuffer& source, float p) {
  int w, h;
  CommonSize(&w, &h, &destination, &source);
  if (w <= 0 || h <= 0) return;
  Streaks(destination, w, h, p, [&](int y, int x, int len) {
    const std::uint8_t* s = source.Row(y) + 4 * x;
    std::uint64_t b = 0, g = 0, r = 0;
    for (int i = 0; i < len; ++i) {
      b += s[4 * i];
      g += s[4 * i + 1];
      r += s[4 * i + 2];
    }
    const std::uint64_t n = static_cast<std::uint64_t>(len);
    return Pack(b / n, g / n, r / n);
  });
}

// ---------------------------------------------------------------- raster effects

int RippleRows(CBuffer& destination, const CBuffer& view, int phase, int tick) {
  RasterState& st = g_Raster;
  if (phase == 0) {
    st.amplitude = 0;
    st.phaseIndex = 0;
  } else if (phase == 2) {
    st.amplitude -= 4;
  }
  st.amplitude = std::clamp(st.amplitude, -2, 64);
  if (tick == 1) {
    if (st.amplitude != 64) st.amplitude += 2;
    st.phaseIndex = (st.phaseIndex + 1) % 64;
  }
  int w, h;
  CommonSize(&w, &h, &destination, &view);
  std::vector<std::uint32_t> tmp;
  int g = st.phaseIndex;
  bool second = false;
  for (int y = 0; y < h; ++y) {
    const int s = kSine[g];
    // Right of the middle of the table the row goes right, else left.
    const long long k = g > 31 ? (32 - s) * st.amplitude / 128 : -(st.amplitude * (s - 32) / 128);
    ShiftRow(destination.Row32(y), view.Row32(y), w, k, tmp);
    if (g == 63) {
      g = 0;
      second = false;
    } else if (second) {
      ++g;
      second = false;
    } else {
      second = true;
    }
  }
  return phase == 2 && st.amplitude == 0 ? 1 : 0;
}

int WaveBands(CBuffer& destination, const CBuffer& view, int phase, int tick) {
  RasterState& st = g_Raster;
  if (phase == 0) {
    st.amplitude = 0;
    st.phaseIndex = 0;
  } else if (phase == 2) {
    st.amplitude = 0;
  } else {
    st.amplitude = std::clamp(st.amplitude, -2, 64);
  }
  if (st.bandCounter > 32 || st.bandCounter < 0) st.bandCounter = 0;
  int w, h;
  CommonSize(&w, &h, &destination, &view);
  const int l = h / 60;
  if (w > 0 && l > 0) {
    int d = st.bandCounter;
    int y = 0;
    int runStart = 0, runCount = 0, runHeight = -1;
    const auto flush = [&] {
      if (runCount == 0) return;
      const int dh = runCount * runHeight;
      if (dh > 0) ScaleBlt32(destination, 0, y, w, dh, view, 0, runStart * l, w, runCount * l, 0);
      y += dh;
    };
    for (int band = 0; band < 60 && y < h; ++band) {
      const int t = d <= 15 ? (kSine[2 * d] - 32) / 16 : (32 - kSine[2 * d]) / 16;
      const int bandHeight = d <= 15 ? l - t : l + t;
      if (bandHeight != runHeight) {
        flush();
        runStart = band;
        runCount = 0;
        runHeight = bandHeight;
      }
      ++runCount;
      d = d >= 32 ? 0 : d + 1;
    }
    if (y < h) flush();
  }
  if (tick == 1) ++st.bandCounter;
  return phase == 2 ? 1 : 0;
}

int RippleRows(const CBuffer& view, int phase, int tick) { return RippleRows(GetScreen2View(), view, phase, tick); }
int WaveBands(const CBuffer& view, int phase, int tick) { return WaveBands(GetScreen2View(), view, phase, tick); }

}  // namespace transition
