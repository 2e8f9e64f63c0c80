// abmpack: writes the engine's pictures (.abm of every variant, 8- and
// 24-bit .bmp and .msk) for the sample game and the tests.
//
//   abmpack OUT --from IN [--variant V] [--frames N] [--seq MODE:F,F,...]...
//       From a picture IN (a 24- or 32-bit BMP, or a PNG): V is 32 (the
//       default: byte coding with alpha), 24 (a plain 24-bit BMP), 8 (an
//       8-bit BMP whose index is the blue channel over a grey palette: rule
//       pictures), 1 or 3 (IN holds N frames stacked vertically; 1 stores
//       frame 0 raw). --seq adds a sequence record (mode 2 = no repeat).
//   abmpack OUT RECIPE
//       From a recipe: one command a line, '#' starts a comment, numbers
//       are decimal or 0x hex:
//         variant V          1, 2, 3, 8, 24, 32 or 248
//         bitcount N         the 16-bit bit-count field as written (default V)
//         size W H           width and height (one frame's for 1 and 3)
//         offset N           pixel-data offset of 8, 24, 32, 248 (zeros fill up)
//         palette I B G R    a palette entry (8, 248)
//         frame              starts the next frame (1, 3)
//         part X Y W H G     starts the next part (2) with group byte G
//         px AARRGGBB...     pixels of the current image, top-down
//         fill N AARRGGBB    N equal pixels
//         pattern N SEED     N pseudo-random pixels with all kinds of alpha
//         idx I:A ...        indexed pixels (8, 248): index and alpha
//         pairs B...         the current image's coded bytes as given
//                            (variant 1 frame 0, 24 and 8: its raw bytes)
//         seq MODE F...      a sequence record
//         order K...         file order of the frame blocks
//         gap N              N zero bytes before every frame block
//         groups N / frames N / seqsize N   counts as written
//         frameoffset K N    frame table entry K as written
//         cut N              the file cut to N bytes
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifdef ABMPACK_PNG
#include <png.h>
#endif

#include "tools/abmpack/abm_writer.h"

namespace {

using abmw::Bytes;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "abmpack: %s\n", why.c_str());
  std::exit(2);
}

bool ReadAll(const std::string& path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void WriteAll(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  if (!out) Fail("cannot write " + path);
}

long long Num(const std::string& s) {
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 0);
  if (end == s.c_str() || *end) Fail("not a number: " + s);
  return v;
}

// One image of the recipe: pixels for automatic coding, or bytes as given.
struct Image {
  std::vector<std::uint32_t> px;
  std::vector<std::uint8_t> index, alpha;
  Bytes given;
  bool hasGiven = false;
  std::int32_t x = 0, y = 0, w = 0, h = 0;
  int group = 0;
};

struct Recipe {
  int variant = 32;
  long long bitCount = -1;
  int width = 0, height = 0;
  long long offset = -1;
  std::uint8_t palette[1024] = {};
  std::vector<Image> images{1};
  std::vector<Bytes> seqs;
  std::vector<int> order;
  long long gap = 0, groups = -1, frames = -1, seqSize = -1, cut = -1;
  std::map<int, long long> frameOffsets;
};

Bytes SingleData(const Recipe& r, const Image& im) {
  if (im.hasGiven) return im.given;
  const std::size_t n = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height < 0 ? -r.height : r.height);
  switch (r.variant) {
    case 24: {
      Bytes rgb(n * 3, 0);
      for (std::size_t i = 0; i < n && i < im.px.size(); ++i)
        for (int c = 0; c < 3; ++c) rgb[3 * i + c] = static_cast<std::uint8_t>(im.px[i] >> (8 * c));
      return abmw::BmpRows(rgb.data(), r.width, r.height, 3);
    }
    case 8: {
      Bytes idx(n, 0);
      for (std::size_t i = 0; i < n && i < im.index.size(); ++i) idx[i] = im.index[i];
      return abmw::BmpRows(idx.data(), r.width, r.height, 1);
    }
    case 248:
      return abmw::EncodeIndexCoding(im.index.data(), im.alpha.data(), im.index.size());
    default:
      return abmw::EncodeByteCoding(im.px.data(), im.px.size());
  }
}

Bytes Build(const Recipe& r) {
  const std::uint16_t bits = static_cast<std::uint16_t>(r.bitCount >= 0 ? r.bitCount : (r.variant == 248 ? 0xF8 : r.variant));
  const bool multi = r.variant == 1 || r.variant == 2 || r.variant == 3;
  const bool paletted = r.variant == 8 || r.variant == 248;
  if (!multi) {
    const std::size_t headerEnd = paletted ? 54 + 1024 : 54;
    const std::size_t off = r.offset >= 0 ? static_cast<std::size_t>(r.offset) : headerEnd;
    Bytes f = abmw::Header(bits, r.width, r.height, static_cast<std::uint32_t>(off));
    if (paletted) f.insert(f.end(), r.palette, r.palette + 1024);
    if (f.size() < off) f.resize(off, 0);
    const Bytes data = SingleData(r, r.images[0]);
    f.insert(f.end(), data.begin(), data.end());
    abmw::Finish(f);
    return f;
  }
  // Frames: the recipe's images in order (the first image is unused when a
  // 'frame' or 'part' line started the list).
  std::vector<const Image*> frames;
  for (std::size_t i = 1; i < r.images.size(); ++i) frames.push_back(&r.images[i]);
  const int F = static_cast<int>(frames.size());
  Bytes seq;
  for (const auto& s : r.seqs) seq.insert(seq.end(), s.begin(), s.end());
  Bytes f = abmw::Header(bits, r.width, r.height, 0);
  f.resize(66 + 4 * static_cast<std::size_t>(F), 0);
  int groupCount = 0, last = -1;
  for (const Image* im : frames)
    if (im->group != last) ++groupCount, last = im->group;
  abmw::Put16(f, 56, static_cast<std::uint32_t>(r.groups >= 0 ? r.groups : (r.variant == 2 ? groupCount : 1)));
  abmw::Put16(f, 58, static_cast<std::uint32_t>(r.frames >= 0 ? r.frames : F));
  abmw::Put32(f, 62, static_cast<std::uint32_t>(r.seqSize >= 0 ? r.seqSize : static_cast<long long>(seq.size())));
  f.insert(f.end(), seq.begin(), seq.end());
  std::vector<int> order = r.order;
  if (order.empty())
    for (int k = 0; k < F; ++k) order.push_back(k);
  for (int k : order) {
    if (k < 0 || k >= F) Fail("order names a frame that is not there");
    f.resize(f.size() + static_cast<std::size_t>(r.gap), 0);
    abmw::Put32(f, 66 + 4 * static_cast<std::size_t>(k), static_cast<std::uint32_t>(f.size()));
    const Image& im = *frames[k];
    Bytes data;
    if (im.hasGiven) {
      data = im.given;
    } else if (r.variant == 1 && k == 0) {
      for (std::uint32_t p : im.px)
        for (int c = 0; c < 3; ++c) data.push_back(static_cast<std::uint8_t>(p >> (8 * c)));
    } else {
      data = abmw::EncodeByteCoding(im.px.data(), im.px.size());
    }
    if (r.variant == 2) {
      Bytes rec(17, 0);
      abmw::Put32(rec, 0, static_cast<std::uint32_t>(im.x));
      abmw::Put32(rec, 4, static_cast<std::uint32_t>(im.y));
      abmw::Put32(rec, 8, static_cast<std::uint32_t>(im.w));
      abmw::Put32(rec, 12, static_cast<std::uint32_t>(im.h));
      rec[16] = static_cast<std::uint8_t>(im.group);
      f.insert(f.end(), rec.begin(), rec.end());
    }
    f.insert(f.end(), data.begin(), data.end());
  }
  for (const auto& [k, v] : r.frameOffsets) {
    if (66 + 4 * static_cast<std::size_t>(k) + 4 > f.size()) Fail("frameoffset outside the table");
    abmw::Put32(f, 66 + 4 * static_cast<std::size_t>(k), static_cast<std::uint32_t>(v));
  }
  abmw::Finish(f);
  return f;
}

std::uint32_t NextRandom(std::uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s;
}

Recipe ParseRecipe(const std::string& text) {
  Recipe r;
  std::istringstream lines(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(lines, line)) {
    ++lineNo;
    if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream in(line);
    std::vector<std::string> t;
    for (std::string w; in >> w;) t.push_back(w);
    if (t.empty()) continue;
    const std::string& cmd = t[0];
    auto need = [&](std::size_t n) {
      if (t.size() < n + 1) Fail("line " + std::to_string(lineNo) + ": " + cmd + " needs " + std::to_string(n) + " values");
    };
    Image& cur = r.images.back();
    if (cmd == "variant") need(1), r.variant = static_cast<int>(Num(t[1]));
    else if (cmd == "bitcount") need(1), r.bitCount = Num(t[1]);
    else if (cmd == "size") need(2), r.width = static_cast<int>(Num(t[1])), r.height = static_cast<int>(Num(t[2]));
    else if (cmd == "offset") need(1), r.offset = Num(t[1]);
    else if (cmd == "palette") {
      need(4);
      const long long i = Num(t[1]);
      if (i < 0 || i > 255) Fail("palette index");
      for (int c = 0; c < 3; ++c) r.palette[4 * i + c] = static_cast<std::uint8_t>(Num(t[2 + c]));
    } else if (cmd == "frame") {
      r.images.emplace_back();
    } else if (cmd == "part") {
      need(5);
      Image im;
      im.x = static_cast<std::int32_t>(Num(t[1]));
      im.y = static_cast<std::int32_t>(Num(t[2]));
      im.w = static_cast<std::int32_t>(Num(t[3]));
      im.h = static_cast<std::int32_t>(Num(t[4]));
      im.group = static_cast<int>(Num(t[5]));
      r.images.push_back(im);
    } else if (cmd == "px") {
      for (std::size_t i = 1; i < t.size(); ++i) cur.px.push_back(static_cast<std::uint32_t>(std::strtoul(t[i].c_str(), nullptr, 16)));
    } else if (cmd == "fill") {
      need(2);
      cur.px.insert(cur.px.end(), static_cast<std::size_t>(Num(t[1])), static_cast<std::uint32_t>(std::strtoul(t[2].c_str(), nullptr, 16)));
    } else if (cmd == "pattern") {
      need(2);
      std::uint32_t s = static_cast<std::uint32_t>(Num(t[2]));
      for (long long i = 0; i < Num(t[1]); ++i) {
        std::uint32_t p = NextRandom(s);
        switch ((p >> 5) % 4) {
          case 0: p &= 0x00FFFFFFu; break;
          case 1: p |= 0xFF000000u; break;
          default: break;
        }
        cur.px.push_back(p);
      }
    } else if (cmd == "idx") {
      for (std::size_t i = 1; i < t.size(); ++i) {
        const auto colon = t[i].find(':');
        cur.index.push_back(static_cast<std::uint8_t>(Num(t[i].substr(0, colon))));
        cur.alpha.push_back(colon == std::string::npos ? 255 : static_cast<std::uint8_t>(Num(t[i].substr(colon + 1))));
      }
    } else if (cmd == "pairs") {
      cur.hasGiven = true;
      for (std::size_t i = 1; i < t.size(); ++i) cur.given.push_back(static_cast<std::uint8_t>(Num(t[i])));
    } else if (cmd == "seq") {
      need(1);
      Bytes s{0, static_cast<std::uint8_t>(Num(t[1]))};
      abmw::Append16(s, static_cast<std::uint32_t>(t.size() - 2));
      for (std::size_t i = 2; i < t.size(); ++i) abmw::Append16(s, static_cast<std::uint32_t>(Num(t[i])));
      r.seqs.push_back(s);
    } else if (cmd == "order") {
      for (std::size_t i = 1; i < t.size(); ++i) r.order.push_back(static_cast<int>(Num(t[i])));
    } else if (cmd == "gap") need(1), r.gap = Num(t[1]);
    else if (cmd == "groups") need(1), r.groups = Num(t[1]);
    else if (cmd == "frames") need(1), r.frames = Num(t[1]);
    else if (cmd == "seqsize") need(1), r.seqSize = Num(t[1]);
    else if (cmd == "frameoffset") need(2), r.frameOffsets[static_cast<int>(Num(t[1]))] = Num(t[2]);
    else if (cmd == "cut") need(1), r.cut = Num(t[1]);
    else Fail("line " + std::to_string(lineNo) + ": unknown command " + cmd);
  }
  return r;
}

// ---- pictures to convert: 24/32-bit BMP or PNG, as 0xAARRGGBB top-down

struct Picture {
  int w = 0, h = 0;
  std::vector<std::uint32_t> px;
};

bool ReadBmp(const Bytes& f, Picture* out) {
  if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return false;
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (static_cast<std::uint32_t>(f[at + 3]) << 24));
  };
  const std::uint32_t off = u32(10);
  const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
  const int bits = f[28] | (f[29] << 8);
  if (w <= 0 || h == 0 || (bits != 24 && bits != 32)) return false;
  const int absH = h < 0 ? -h : h, bpp = bits / 8;
  const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 3) & ~static_cast<std::size_t>(3);
  if (off + stride * absH > f.size()) return false;
  out->w = w;
  out->h = absH;
  out->px.resize(static_cast<std::size_t>(w) * absH);
  for (int y = 0; y < absH; ++y) {
    const std::uint8_t* row = f.data() + off + stride * (h > 0 ? absH - 1 - y : y);
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = row + x * bpp;
      out->px[static_cast<std::size_t>(y) * w + x] =
          p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(bpp == 4 ? p[3] : 255) << 24);
    }
  }
  return true;
}

bool ReadPicture(const std::string& path, Picture* out) {
  Bytes f;
  if (!ReadAll(path, &f)) return false;
  if (ReadBmp(f, out)) return true;
#ifdef ABMPACK_PNG
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, f.data(), f.size())) return false;
  img.format = PNG_FORMAT_BGRA;
  out->w = static_cast<int>(img.width);
  out->h = static_cast<int>(img.height);
  out->px.resize(static_cast<std::size_t>(out->w) * out->h);
  if (!png_image_finish_read(&img, nullptr, out->px.data(), 0, nullptr)) return false;
  return true;
#else
  return false;
#endif
}

Bytes FromPicture(const Picture& pic, int variant, int frameCount, const std::vector<std::string>& seqs) {
  Recipe r;
  r.variant = variant;
  r.width = pic.w;
  r.height = pic.h;
  if (variant == 1 || variant == 3) {
    if (frameCount < 1 || pic.h % frameCount) Fail("the picture's height is not a whole number of frames");
    r.height = pic.h / frameCount;
    const std::size_t n = static_cast<std::size_t>(pic.w) * r.height;
    for (int k = 0; k < frameCount; ++k) {
      Image im;
      im.px.assign(pic.px.begin() + static_cast<std::ptrdiff_t>(n * k), pic.px.begin() + static_cast<std::ptrdiff_t>(n * (k + 1)));
      r.images.push_back(im);
    }
    for (const auto& s : seqs) {
      const auto colon = s.find(':');
      if (colon == std::string::npos) Fail("--seq MODE:F,F,...");
      Bytes rec{0, static_cast<std::uint8_t>(Num(s.substr(0, colon)))};
      std::vector<int> fr;
      std::stringstream list(s.substr(colon + 1));
      for (std::string v; std::getline(list, v, ',');) fr.push_back(static_cast<int>(Num(v)));
      abmw::Append16(rec, static_cast<std::uint32_t>(fr.size()));
      for (int v : fr) abmw::Append16(rec, static_cast<std::uint32_t>(v));
      r.seqs.push_back(rec);
    }
    return Build(r);
  }
  Image& im = r.images[0];
  im.px = pic.px;
  if (variant == 8) {
    for (int i = 0; i < 256; ++i)
      for (int c = 0; c < 3; ++c) r.palette[4 * i + c] = static_cast<std::uint8_t>(i);
    for (std::uint32_t p : pic.px) im.index.push_back(static_cast<std::uint8_t>(p));
  } else if (variant != 24 && variant != 32) {
    Fail("--from makes variants 1, 3, 8, 24 and 32");
  }
  return Build(r);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: abmpack OUT RECIPE | abmpack OUT --from IN [--variant V] [--frames N] [--seq M:F,..]\n");
    return 2;
  }
  const std::string out = argv[1];
  if (std::strcmp(argv[2], "--from") == 0) {
    if (argc < 4) Fail("--from needs a picture");
    int variant = 32, frames = 1;
    std::vector<std::string> seqs;
    for (int i = 4; i < argc; ++i) {
      const std::string a = argv[i];
      if (i + 1 >= argc) Fail(a + " needs a value");
      if (a == "--variant") variant = static_cast<int>(Num(argv[++i]));
      else if (a == "--frames") frames = static_cast<int>(Num(argv[++i]));
      else if (a == "--seq") seqs.push_back(argv[++i]);
      else Fail("unknown option " + a);
    }
    Picture pic;
    if (!ReadPicture(argv[3], &pic)) Fail(std::string("cannot read the picture ") + argv[3]);
    WriteAll(out, FromPicture(pic, variant, frames, seqs));
    return 0;
  }
  Bytes text;
  if (!ReadAll(argv[2], &text)) Fail(std::string("cannot read ") + argv[2]);
  const Recipe r = ParseRecipe(std::string(text.begin(), text.end()));
  Bytes file = Build(r);
  if (r.cut >= 0 && static_cast<std::size_t>(r.cut) < file.size()) file.resize(static_cast<std::size_t>(r.cut));
  WriteAll(out, file);
  return 0;
}
