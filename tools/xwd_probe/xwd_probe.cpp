// xwd_probe: reads X window dumps (the files `xwd` writes, version 7, Z
// pixmaps of 16, 24 or 32 bits per pixel with true-colour masks) and
// answers what the real-window tests ask of a screenshot. Rectangles are
// given as WxH+X+Y in the dump's pixels and are clipped to it.
//
//   xwd_probe size FILE
//       "W H"
//   xwd_probe stats FILE RECT
//       "MEAN DEVIATION": the mean of the red, green and blue channels and
//       the standard deviation of the grey (Rec. 709 luma), both 0..1
//   xwd_probe diff FILE1 FILE2 RECT TOLERANCE
//       the number of pixels of which some channel differs by more than
//       TOLERANCE (0..255) between the two dumps
//   xwd_probe near FILE RECT RRGGBB TOLERANCE
//       the number of pixels whose every channel lies within TOLERANCE of
//       the colour RRGGBB (hex)
//
// Exit status 0 with the answer on stdout; 2 with a reason on stderr for a
// file that is not such a dump or a bad request.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "xwd_probe: %s\n", why.c_str());
  std::exit(2);
}

struct Rgb {
  int r, g, b;
};

struct Dump {
  int width = 0, height = 0;
  std::vector<Rgb> px;  // top-down rows
  const Rgb& At(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
};

// The header's 25 words are written most significant byte first.
std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
         (static_cast<std::uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

// The value of a channel under `mask`, scaled to 0..255.
int Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const std::uint32_t bits = mask >> shift;
  const std::uint32_t v = (pixel & mask) >> shift;
  return static_cast<int>(v * 255u / bits);
}

Dump Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open " + path);
  std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  constexpr std::size_t kHeaderWords = 25;
  if (b.size() < kHeaderWords * 4) Fail(path + ": too short for a dump header");
  std::uint32_t h[kHeaderWords];
  for (std::size_t i = 0; i < kHeaderWords; ++i) h[i] = Be32(b, i * 4);
  const std::uint32_t headerSize = h[0], version = h[1], format = h[2];
  const std::uint32_t width = h[4], height = h[5], byteOrder = h[7];
  const std::uint32_t bitsPerPixel = h[11], bytesPerLine = h[12], visualClass = h[13];
  const std::uint32_t redMask = h[14], greenMask = h[15], blueMask = h[16], colours = h[19];
  if (version != 7) Fail(path + ": not a version 7 dump");
  if (format != 2) Fail(path + ": not a Z pixmap");
  // TrueColor (4) or DirectColor (5): the pixel holds the colour itself.
  if (visualClass != 4 && visualClass != 5) Fail(path + ": not a true-colour dump");
  if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) Fail(path + ": unsupported pixel size");
  if (width == 0 || height == 0 || width > 16384 || height > 16384) Fail(path + ": unusable size");
  if (headerSize < kHeaderWords * 4) Fail(path + ": header size too small");
  const std::size_t bytesPerPixel = bitsPerPixel / 8;
  if (bytesPerLine < width * bytesPerPixel) Fail(path + ": rows shorter than the width");
  // The colour table (12 bytes an entry) lies between the header and the
  // pixels; a true-colour dump does not need it.
  const std::size_t start = static_cast<std::size_t>(headerSize) + static_cast<std::size_t>(colours) * 12;
  if (start > b.size() || (b.size() - start) / bytesPerLine < height) Fail(path + ": pixels cut short");
  Dump d;
  d.width = static_cast<int>(width);
  d.height = static_cast<int>(height);
  d.px.resize(static_cast<std::size_t>(width) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = b.data() + start + static_cast<std::size_t>(y) * bytesPerLine;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = row + x * bytesPerPixel;
      std::uint32_t v = 0;
      for (std::size_t k = 0; k < bytesPerPixel; ++k) {
        // Byte order 0: least significant byte first.
        const std::size_t at = byteOrder == 0 ? bytesPerPixel - 1 - k : k;
        v = (v << 8) | p[at];
      }
      d.px[static_cast<std::size_t>(y) * width + x] = Rgb{Channel(v, redMask), Channel(v, greenMask), Channel(v, blueMask)};
    }
  }
  return d;
}

struct Rect {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};

Rect ParseRect(const std::string& s, const Dump& d) {
  int w = 0, h = 0, x = 0, y = 0;
  char sx = 0, sy = 0;
  if (std::sscanf(s.c_str(), "%dx%d%c%d%c%d", &w, &h, &sx, &x, &sy, &y) != 6 || (sx != '+' && sx != '-') ||
      (sy != '+' && sy != '-') || w <= 0 || h <= 0)
    Fail("not a rectangle WxH+X+Y: " + s);
  if (sx == '-') x = -x;
  if (sy == '-') y = -y;
  Rect r{x, y, x + w, y + h};
  if (r.x0 < 0) r.x0 = 0;
  if (r.y0 < 0) r.y0 = 0;
  if (r.x1 > d.width) r.x1 = d.width;
  if (r.y1 > d.height) r.y1 = d.height;
  if (r.x1 <= r.x0 || r.y1 <= r.y0) Fail("the rectangle " + s + " lies outside the dump");
  return r;
}

int ParseInt(const std::string& s, int base) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, base);
  if (end == s.c_str() || *end) Fail("not a number: " + s);
  return static_cast<int>(v);
}

void Stats(const Dump& d, const Rect& r) {
  double sum = 0, graySum = 0, graySq = 0;
  const double n = static_cast<double>(r.x1 - r.x0) * (r.y1 - r.y0);
  for (int y = r.y0; y < r.y1; ++y) {
    for (int x = r.x0; x < r.x1; ++x) {
      const Rgb& p = d.At(x, y);
      sum += (p.r + p.g + p.b) / (3.0 * 255.0);
      const double gray = (0.2126 * p.r + 0.7152 * p.g + 0.0722 * p.b) / 255.0;
      graySum += gray;
      graySq += gray * gray;
    }
  }
  const double mean = graySum / n;
  const double var = graySq / n - mean * mean;
  std::printf("%.6f %.6f\n", sum / n, std::sqrt(var > 0 ? var : 0));
}

int Usage() {
  std::fprintf(stderr,
               "usage: xwd_probe size FILE | stats FILE RECT | diff FILE1 FILE2 RECT TOLERANCE |"
               " near FILE RECT RRGGBB TOLERANCE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string what = argv[1];
  if (what == "size" && argc == 3) {
    const Dump d = Read(argv[2]);
    std::printf("%d %d\n", d.width, d.height);
    return 0;
  }
  if (what == "stats" && argc == 4) {
    const Dump d = Read(argv[2]);
    Stats(d, ParseRect(argv[3], d));
    return 0;
  }
  if (what == "diff" && argc == 6) {
    const Dump a = Read(argv[2]);
    const Dump b = Read(argv[3]);
    if (a.width != b.width || a.height != b.height) Fail("the dumps differ in size");
    const Rect r = ParseRect(argv[4], a);
    const int tolerance = ParseInt(argv[5], 10);
    long n = 0;
    for (int y = r.y0; y < r.y1; ++y) {
      for (int x = r.x0; x < r.x1; ++x) {
        const Rgb& p = a.At(x, y);
        const Rgb& q = b.At(x, y);
        if (std::abs(p.r - q.r) > tolerance || std::abs(p.g - q.g) > tolerance || std::abs(p.b - q.b) > tolerance) ++n;
      }
    }
    std::printf("%ld\n", n);
    return 0;
  }
  if (what == "near" && argc == 6) {
    const Dump d = Read(argv[2]);
    const Rect r = ParseRect(argv[3], d);
    const int colour = ParseInt(argv[4], 16);
    const int tolerance = ParseInt(argv[5], 10);
    const Rgb c{(colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF};
    long n = 0;
    for (int y = r.y0; y < r.y1; ++y) {
      for (int x = r.x0; x < r.x1; ++x) {
        const Rgb& p = d.At(x, y);
        if (std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance) ++n;
      }
    }
    std::printf("%ld\n", n);
    return 0;
  }
  return Usage();
}
