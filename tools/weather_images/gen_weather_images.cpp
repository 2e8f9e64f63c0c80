// gen_weather_images OUTDIR: writes SNOW01.bmp, SNOW02.bmp, RAIN01.bmp,
// RAIN02.bmp, HANA01.bmp and HANA02.bmp (32-bit, alpha in the fourth byte)
// for the weather layer: soft snow flakes, thin rain streaks and a petal
// turning through 16 frames stacked vertically.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Picture {
  int width, height;
  std::vector<std::uint32_t> px;  // 0xAARRGGBB, top-down
  Picture(int w, int h) : width(w), height(h), px(static_cast<size_t>(w) * h, 0) {}
  void Blend(int x, int y, std::uint32_t rgb, double coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) return;
    std::uint32_t& p = px[static_cast<size_t>(y) * width + x];
    int a = std::min(255, static_cast<int>((p >> 24) + coverage * 255.0 + 0.5));
    p = (static_cast<std::uint32_t>(a) << 24) | (rgb & 0xFFFFFF);
  }
};

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool WriteBmp(const std::string& path, const Picture& pic) {
  std::vector<std::uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + static_cast<std::uint32_t>(pic.px.size()) * 4);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(pic.width));
  Put32(b, static_cast<std::uint32_t>(pic.height));
  Put16(b, 1);
  Put16(b, 32);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int y = pic.height - 1; y >= 0; --y) {
    for (int x = 0; x < pic.width; ++x) Put32(b, pic.px[static_cast<size_t>(y) * pic.width + x]);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

// A soft disc: full inside, fading over its last pixels.
void Flake(Picture& p, double cx, double cy, double r, int top) {
  for (int y = 0; y < p.width; ++y) {
    for (int x = 0; x < p.width; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      double c = std::clamp((r - d) / (r * 0.6), 0.0, 1.0);
      p.Blend(x, top + y, 0xFFFFFF, c * 0.9);
    }
  }
}

Picture Snow(int size) {
  Picture p(size, size);
  Flake(p, size / 2.0, size / 2.0, size * 0.32, 0);
  return p;
}

Picture Rain(int width, int height) {
  Picture p(width, height);
  // A slanted streak, brightest in its middle, matching the drops' drift to
  // the right as they fall.
  for (int y = 0; y < height; ++y) {
    double t = static_cast<double>(y) / (height - 1);
    double cx = width * 0.2 + t * width * 0.6;
    double strength = std::sin(t * 3.14159265) * 0.55;
    for (int x = 0; x < width; ++x) {
      double d = std::fabs(x + 0.5 - cx);
      p.Blend(x, y, 0xDDE8FF, std::clamp(1.0 - d, 0.0, 1.0) * strength);
    }
  }
  return p;
}

Picture Petals(int size) {
  const int frames = 16;
  Picture p(size, size * frames);
  for (int f = 0; f < frames; ++f) {
    double angle = f * 3.14159265 * 2 / frames;
    // The petal turns: its apparent width follows the cosine of the turn.
    double rx = size * 0.42, ry = size * 0.22 * (0.35 + 0.65 * std::fabs(std::cos(angle)));
    double ca = std::cos(angle * 0.5), sa = std::sin(angle * 0.5);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
        double u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
        double e = (u * u) / (rx * rx) + (v * v) / (ry * ry);
        double c = std::clamp((1.0 - e) * 3.0, 0.0, 1.0);
        std::uint32_t colour = e < 0.3 ? 0xFFD9E6 : 0xF7A8C4;
        p.Blend(x, f * size + y, colour, c * 0.95);
      }
    }
  }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_weather_images OUTDIR\n");
    return 2;
  }
  std::string dir = argv[1];
  struct Out {
    const char* name;
    Picture pic;
  } outs[] = {
      {"SNOW01", Snow(16)}, {"SNOW02", Snow(24)}, {"RAIN01", Rain(16, 64)},
      {"RAIN02", Rain(24, 128)}, {"HANA01", Petals(16)}, {"HANA02", Petals(24)},
  };
  for (const Out& o : outs) {
    if (!WriteBmp(dir + "/" + o.name + ".bmp", o.pic)) {
      std::fprintf(stderr, "gen_weather_images: cannot write %s\n", o.name);
      return 1;
    }
  }
  return 0;
}
