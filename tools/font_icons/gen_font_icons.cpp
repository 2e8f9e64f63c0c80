// gen_font_icons: draws the two inline text icons, a heart ("@0", FONT00)
// and a musical note ("@1", FONT01), as 64 x 64 white-on-black packed DIBs
// (BITMAPINFOHEADER, a 256-entry grey colour table, 8-bit rows bottom-up,
// no file header), the form of a bitmap resource. The text renderer reads
// their red channel as coverage.
//   gen_font_icons FONT00.dib FONT01.dib
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kSide = 64;
constexpr int kSub = 4;  // samples per pixel side

using Shape = std::function<bool(double x, double y)>;  // pixel units, y down

void Put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::vector<std::uint8_t> Dib(const Shape& inside) {
  std::vector<std::uint8_t> b;
  Put32(b, 40);
  Put32(b, kSide);
  Put32(b, kSide);  // positive: bottom-up
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);  // BI_RGB
  Put32(b, kSide * kSide);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 256);
  Put32(b, 0);
  for (int i = 0; i < 256; ++i) {
    b.push_back(static_cast<std::uint8_t>(i));
    b.push_back(static_cast<std::uint8_t>(i));
    b.push_back(static_cast<std::uint8_t>(i));
    b.push_back(0);
  }
  for (int row = kSide - 1; row >= 0; --row) {
    for (int col = 0; col < kSide; ++col) {
      int hits = 0;
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx)
          hits += inside(col + (sx + 0.5) / kSub, row + (sy + 0.5) / kSub) ? 1 : 0;
      b.push_back(static_cast<std::uint8_t>((hits * 255 + kSub * kSub / 2) / (kSub * kSub)));
    }
  }
  return b;
}

bool Heart(double px, double py) {
  // (x^2 + y^2 - 1)^3 - x^2 y^3 <= 0, y up, scaled to leave a margin like
  // a full-width glyph's.
  const double s = 1.42 / (kSide / 2.0);
  const double x = (px - kSide / 2.0) * s;
  const double y = -(py - kSide / 2.0) * s + 0.1;
  const double a = x * x + y * y - 1.0;
  return a * a * a - x * x * y * y * y <= 0.0;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double vx = bx - ax, vy = by - ay;
  double t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  const double dx = px - (ax + t * vx), dy = py - (ay + t * vy);
  return std::sqrt(dx * dx + dy * dy);
}

bool Note(double px, double py) {
  // Head: an ellipse tilted up to the right.
  const double hx = 23.0, hy = 48.0, angle = -0.42;
  const double ux = (px - hx) * std::cos(angle) - (py - hy) * std::sin(angle);
  const double uy = (px - hx) * std::sin(angle) + (py - hy) * std::cos(angle);
  if ((ux * ux) / (11.5 * 11.5) + (uy * uy) / (8.0 * 8.0) <= 1.0) return true;
  // Stem from the head's right side up.
  if (px >= 30.5 && px <= 35.0 && py >= 7.0 && py <= 46.0) return true;
  // Flag: a thick curve from the stem's top, out to the right and down.
  double lastX = 33.0, lastY = 8.0;
  for (int i = 1; i <= 24; ++i) {
    const double t = i / 24.0, u = 1.0 - t;
    const double x = u * u * 33.0 + 2 * u * t * 54.0 + t * t * 47.0;
    const double y = u * u * 8.0 + 2 * u * t * 20.0 + t * t * 38.0;
    if (SegmentDistance(px, py, lastX, lastY, x, y) <= 3.6 - 1.6 * t) return true;
    lastX = x;
    lastY = y;
  }
  return false;
}

bool Write(const char* path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_font_icons FONT00.dib FONT01.dib\n");
    return 2;
  }
  if (!Write(argv[1], Dib(Heart)) || !Write(argv[2], Dib(Note))) {
    std::fprintf(stderr, "gen_font_icons: cannot write the icons\n");
    return 1;
  }
  return 0;
}
