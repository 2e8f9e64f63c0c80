// gen_icon: draws the window icon (a 32 x 32 picture: a rounded speech
// bubble on a dark tile) and writes it as a 32-bit BMP file.
//   gen_icon OUT.bmp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_icon OUT.bmp\n");
    return 2;
  }
  const int n = 32;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + n * n * 4);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, n);
  Put32(b, n);  // bottom-up rows
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 0);
  Put32(b, n * n * 4);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int row = n - 1; row >= 0; --row) {
    for (int x = 0; x < n; ++x) {
      double dx = (x - 15.5) / 12.0, dy = (row - 13.0) / 9.0;
      bool bubble = dx * dx + dy * dy <= 1.0 || (x >= 8 && x <= 12 && row >= 20 && row <= 27 && x - 8 <= 27 - row);
      bool dot = (row >= 12 && row <= 14) && (x == 10 || x == 11 || x == 15 || x == 16 || x == 20 || x == 21);
      uint8_t r = 0x20, g = 0x24, bl = 0x40;
      if (bubble) r = g = bl = 0xF4;
      if (bubble && dot) {
        r = 0xE0;
        g = 0x40;
        bl = 0x70;
      }
      b.push_back(bl);
      b.push_back(g);
      b.push_back(r);
      b.push_back(0xFF);
    }
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  std::fwrite(b.data(), 1, b.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}
