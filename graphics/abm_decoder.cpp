#include "graphics/abm_decoder.h"

#include <algorithm>
#include <cstring>

#include "framework/byte_io.h"
#include "graphics/pixel_kernels.h"

using byteio::GetLE16;
using byteio::GetLE32;

namespace {

inline std::uint32_t Opaque(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  return b | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(r) << 16) | 0xFF000000u;
}

// Opaque pixels from 3-byte B, G, R; n is at most a frame (below 2^31).
void Expand24(std::uint32_t* dst, const std::uint8_t* src, std::size_t n, bool simd) {
  if (simd) {
    pixk::Kernels(true).expand24(dst, src, static_cast<int>(n));
  } else {
    for (std::size_t i = 0; i < n; ++i) dst[i] = Opaque(src[3 * i], src[3 * i + 1], src[3 * i + 2]);
  }
}

}  // namespace

void LoadAbmPalette(ByteSpan file, std::uint8_t* palette) {
  std::memset(palette, 0, 1024);
  if (file.size() > kAbmInfoEnd)
    std::memcpy(palette, file.data() + kAbmInfoEnd, std::min<std::size_t>(1024, file.size() - kAbmInfoEnd));
}

void DecodeSingleImage(ByteSpan file, const AbmHeader& h, std::uint8_t* dst, std::size_t pixels, bool simd) {
  const ByteSpan data = h.pixelOffset < file.size() ? file.subspan(h.pixelOffset) : ByteSpan{};
  if (h.variant == kAbmCoded32) {
    DecodeByteCoding(data, dst, pixels, simd);
  } else if (h.variant == kAbmIndexCoded) {
    std::uint8_t palette[1024];
    LoadAbmPalette(file, palette);
    DecodeIndexCoding(data, palette, dst, pixels, simd);
  }
}

bool ParseAbmHeader(ByteSpan file, AbmHeader* out) {
  *out = AbmHeader{};
  if (file.size() < kAbmInfoEnd) return false;
  const std::uint8_t* p = file.data();
  out->pixelOffset = GetLE32(p + 10);
  out->infoSize = GetLE32(p + 14);
  out->width = static_cast<std::int32_t>(GetLE32(p + 18));
  out->height = static_cast<std::int32_t>(GetLE32(p + 22));
  out->bitCount = GetLE16(p + 28);
  out->compression = GetLE32(p + 30);
  out->variant = p[28];
  if (out->variant == kAbmStacked || out->variant == kAbmParts || out->variant == kAbmStackedCoded) {
    if (file.size() < kAbmFrameTable) return false;
    out->groupCount = GetLE16(p + 56);
    out->frameCount = GetLE16(p + 58);
    out->sequenceSize = GetLE32(p + 62);
  }
  return true;
}

bool AbmSizeOk(const AbmHeader& h) {
  if (h.width < 1 || h.width > 32767 || h.height == 0 || h.height < -32767 || h.height > 32767) return false;
  const std::uint64_t absH = static_cast<std::uint64_t>(h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height);
  return static_cast<std::uint64_t>(h.width) * absH <= kMaxPicturePixels;
}

bool IsPlainBmp(const AbmHeader& h) {
  return (h.bitCount == 8 || h.bitCount == 24) && h.compression == 0 && h.infoSize == 40;
}

namespace {

// The byte-by-byte forms: they define what the decoders produce.
std::size_t DecodeByteCodingPlain(ByteSpan src, std::uint8_t* dst, std::size_t pixels) {
  const std::size_t total = pixels * 3;
  std::size_t produced = 0, i = 0, pix = 0;
  int pos = 0;
  auto put = [&](std::uint8_t v, std::uint8_t a) {
    dst[pix * 4 + pos] = v;
    if (pos == 2) {
      dst[pix * 4 + 3] = a;
      ++pix;
      pos = 0;
    } else {
      ++pos;
    }
    ++produced;
  };
  while (produced < total && i + 2 <= src.size()) {
    const std::uint8_t code = src[i], n = src[i + 1];
    i += 2;
    if (code == 0) {
      const std::size_t run = std::min<std::size_t>(n, total - produced);
      for (std::size_t k = 0; k < run; ++k) put(0, 0);
    } else if (code == 255) {
      const std::size_t avail = src.size() - i;
      const std::size_t run = std::min({static_cast<std::size_t>(n), total - produced, avail});
      for (std::size_t k = 0; k < run; ++k) put(src[i + k], 255);
      if (avail < n) break;  // the file ends inside the run
      i += n;
    } else {
      put(n, code);
    }
  }
  return produced;
}

std::size_t DecodeIndexCodingPlain(ByteSpan src, const std::uint8_t* palette, std::uint8_t* dst, std::size_t pixels) {
  std::size_t pix = 0, i = 0;
  auto put = [&](std::uint8_t index, std::uint8_t a) {
    const std::uint8_t* e = palette + 4 * index;
    std::uint8_t* d = dst + 4 * pix++;
    d[0] = e[0];
    d[1] = e[1];
    d[2] = e[2];
    d[3] = a;
  };
  while (pix < pixels && i + 2 <= src.size()) {
    const std::uint8_t code = src[i], n = src[i + 1];
    i += 2;
    if (code == 0) {
      const std::size_t run = std::min<std::size_t>(n, pixels - pix);
      for (std::size_t k = 0; k < run; ++k) put(0, 0);  // entry 0's colour, not black
    } else if (code == 255) {
      const std::size_t avail = src.size() - i;
      const std::size_t run = std::min({static_cast<std::size_t>(n), pixels - pix, avail});
      for (std::size_t k = 0; k < run; ++k) put(src[i + k], 255);
      if (avail < n) break;
      i += n;
    } else {
      put(n, code);
    }
  }
  return pix;
}

// The run forms: the same pairs, with the whole pixels of a run written a
// pixel at a time (literal colour bytes through the 24-to-32-bit kernel)
// and only the bytes before the first and after the last whole pixel of a
// run written one by one. Every length is cut exactly as in the plain form.
std::size_t DecodeByteCodingRuns(ByteSpan src, std::uint8_t* dst, std::size_t pixels, const pixk::RowKernels& k) {
  const std::size_t total = pixels * 3;
  std::size_t pix = 0, i = 0;
  int pos = 0;
  auto produced = [&] { return pix * 3 + static_cast<std::size_t>(pos); };
  auto put = [&](std::uint8_t v, std::uint8_t a) {
    dst[pix * 4 + pos] = v;
    if (pos == 2) {
      dst[pix * 4 + 3] = a;
      ++pix;
      pos = 0;
    } else {
      ++pos;
    }
  };
  std::uint32_t* const dst32 = reinterpret_cast<std::uint32_t*>(dst);
  while (produced() < total && i + 2 <= src.size()) {
    const std::uint8_t code = src[i], n = src[i + 1];
    i += 2;
    if (code == 0) {
      std::size_t run = std::min<std::size_t>(n, total - produced());
      for (; run > 0 && pos != 0; --run) put(0, 0);
      const std::size_t whole = run / 3;
      std::memset(dst32 + pix, 0, whole * 4);
      pix += whole;
      for (run -= whole * 3; run > 0; --run) put(0, 0);
    } else if (code == 255) {
      const std::size_t avail = src.size() - i;
      std::size_t run = std::min({static_cast<std::size_t>(n), total - produced(), avail});
      const std::uint8_t* s = src.data() + i;
      for (; run > 0 && pos != 0; --run) put(*s++, 255);
      const std::size_t whole = run / 3;
      k.expand24(dst32 + pix, s, static_cast<int>(whole));
      pix += whole;
      s += whole * 3;
      for (run -= whole * 3; run > 0; --run) put(*s++, 255);
      if (avail < n) break;  // the file ends inside the run
      i += n;
    } else {
      put(n, code);
    }
  }
  return produced();
}

std::size_t DecodeIndexCodingRuns(ByteSpan src, const std::uint8_t* palette, std::uint8_t* dst, std::size_t pixels) {
  std::uint32_t colour[256];
  for (int e = 0; e < 256; ++e) {
    const std::uint8_t* p = palette + 4 * e;
    colour[e] = p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
  }
  std::uint32_t* const d = reinterpret_cast<std::uint32_t*>(dst);
  std::size_t pix = 0, i = 0;
  while (pix < pixels && i + 2 <= src.size()) {
    const std::uint8_t code = src[i], n = src[i + 1];
    i += 2;
    if (code == 0) {
      const std::size_t run = std::min<std::size_t>(n, pixels - pix);
      std::fill(d + pix, d + pix + run, colour[0]);  // entry 0's colour, not black
      pix += run;
    } else if (code == 255) {
      const std::size_t avail = src.size() - i;
      const std::size_t run = std::min({static_cast<std::size_t>(n), pixels - pix, avail});
      const std::uint8_t* s = src.data() + i;
      for (std::size_t e = 0; e < run; ++e) d[pix + e] = colour[s[e]] | 0xFF000000u;
      pix += run;
      if (avail < n) break;
      i += n;
    } else {
      d[pix++] = colour[n] | (static_cast<std::uint32_t>(code) << 24);
    }
  }
  return pix;
}

}  // namespace

std::size_t DecodeByteCoding(ByteSpan src, std::uint8_t* dst, std::size_t pixels, bool simd) {
  return simd ? DecodeByteCodingRuns(src, dst, pixels, pixk::Kernels(true)) : DecodeByteCodingPlain(src, dst, pixels);
}

std::size_t DecodeIndexCoding(ByteSpan src, const std::uint8_t* palette, std::uint8_t* dst, std::size_t pixels,
                              bool simd) {
  return simd ? DecodeIndexCodingRuns(src, palette, dst, pixels) : DecodeIndexCodingPlain(src, palette, dst, pixels);
}

std::size_t DecodeIndexCodingPlanes(ByteSpan src, std::uint8_t* indices, std::uint8_t* alpha, std::size_t pixels) {
  std::size_t pix = 0, i = 0;
  while (pix < pixels && i + 2 <= src.size()) {
    const std::uint8_t code = src[i], n = src[i + 1];
    i += 2;
    if (code == 0) {
      const std::size_t run = std::min<std::size_t>(n, pixels - pix);
      std::memset(indices + pix, 0, run);
      std::memset(alpha + pix, 0, run);
      pix += run;
    } else if (code == 255) {
      const std::size_t avail = src.size() - i;
      const std::size_t run = std::min({static_cast<std::size_t>(n), pixels - pix, avail});
      std::memcpy(indices + pix, src.data() + i, run);
      std::memset(alpha + pix, 255, run);
      pix += run;
      if (avail < n) break;
      i += n;
    } else {
      indices[pix] = n;
      alpha[pix] = code;
      ++pix;
    }
  }
  return pix;
}

ByteSpan BmpRow(ByteSpan file, std::uint32_t pixelOffset, int width, int height, int bytesPerPixel, int row) {
  if (width <= 0 || height == 0) return {};
  const std::uint64_t absH = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
  if (row < 0 || static_cast<std::uint64_t>(row) >= absH) return {};
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bytesPerPixel + 3) & ~3ull;
  const std::uint64_t fileRow = height > 0 ? absH - 1 - static_cast<std::uint64_t>(row) : static_cast<std::uint64_t>(row);
  const std::uint64_t start = pixelOffset + fileRow * rowBytes;
  if (start >= file.size()) return {};
  const std::uint64_t len = std::min<std::uint64_t>(static_cast<std::uint64_t>(width) * bytesPerPixel, file.size() - start);
  return file.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(len));
}

std::uint16_t SequenceRecord::Frame(int pos) const {
  if (pos < 0 || static_cast<std::size_t>(pos) * 2 + 2 > frames.size()) return 0;
  return GetLE16(frames.data() + 2 * pos);
}

bool FindSequenceRecord(ByteSpan seq, int i, SequenceRecord* out) {
  *out = SequenceRecord{};
  std::size_t at = 0;
  for (int k = 0;; ++k) {
    if (at + 4 > seq.size()) return false;
    const std::uint16_t n = GetLE16(seq.data() + at + 2);
    if (k == i) {
      out->mode = seq[at + 1];
      out->count = n;
      const std::size_t avail = std::min<std::size_t>(2u * n, seq.size() - at - 4);
      out->frames = seq.subspan(at + 4, avail & ~static_cast<std::size_t>(1));
      return n != 0;
    }
    at += 4 + 2u * n;
  }
}

ByteSpan AbmSequenceData(ByteSpan file, const AbmHeader& h) {
  const std::uint64_t start = kAbmFrameTable + 4ull * h.frameCount;
  if (start >= file.size()) return {};
  const std::uint64_t len = std::min<std::uint64_t>(h.sequenceSize, file.size() - start);
  return file.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(len));
}

ByteSpan AbmFrameData(ByteSpan file, const AbmHeader& h, int k) {
  if (k < 0 || k >= h.frameCount) return {};
  const std::uint64_t at = kAbmFrameTable + 4ull * static_cast<std::uint64_t>(k);
  if (at + 4 > file.size()) return {};
  const std::uint32_t off = GetLE32(file.data() + at);
  if (off >= file.size()) return {};
  return file.subspan(off);
}

void DecodeStackedFrames(ByteSpan file, const AbmHeader& h, std::uint32_t* dst, bool simd) {
  const std::size_t framePixels = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
  for (int k = 0; k < h.frameCount; ++k) {
    const ByteSpan data = AbmFrameData(file, h, k);
    std::uint32_t* frame = dst + framePixels * static_cast<std::size_t>(k);
    if (k == 0 && h.variant == kAbmStacked) {
      // Raw rows of width x 3 bytes with no padding, top-down, opaque.
      const std::size_t n = std::min(framePixels, data.size() / 3);
      Expand24(frame, data.data(), n, simd);
    } else {
      DecodeByteCoding(data, reinterpret_cast<std::uint8_t*>(frame), framePixels, simd);
    }
  }
}

void DecodeBmp24(ByteSpan file, const AbmHeader& h, std::uint32_t* dst, bool simd) {
  const int absH = h.height < 0 ? -h.height : h.height;
  for (int r = 0; r < absH; ++r) {
    const ByteSpan row = BmpRow(file, h.pixelOffset, h.width, h.height, 3, r);
    std::uint32_t* d = dst + static_cast<std::size_t>(r) * h.width;
    Expand24(d, row.data(), row.size() / 3, simd);
  }
}

void DecodeBmp8To32(ByteSpan file, const AbmHeader& h, std::uint32_t* dst) {
  std::uint8_t palette[1024];
  LoadAbmPalette(file, palette);
  const int absH = h.height < 0 ? -h.height : h.height;
  for (int r = 0; r < absH; ++r) {
    const ByteSpan row = BmpRow(file, h.pixelOffset, h.width, h.height, 1, r);
    std::uint32_t* d = dst + static_cast<std::size_t>(r) * h.width;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::uint8_t* e = palette + 4 * row[i];
      d[i] = Opaque(e[0], e[1], e[2]);
    }
  }
}

void DecodeBmp8Indices(ByteSpan file, const AbmHeader& h, std::uint8_t* dst) {
  const int absH = h.height < 0 ? -h.height : h.height;
  for (int r = 0; r < absH; ++r) {
    const ByteSpan row = BmpRow(file, h.pixelOffset, h.width, h.height, 1, r);
    if (!row.empty()) std::memcpy(dst + static_cast<std::size_t>(r) * h.width, row.data(), row.size());
  }
}

namespace {
// Copies a rect of `src` (sw x sh) at (x, y) into a w x h block, cut to the
// source; the rest stays zero.
void CutRect(const std::vector<std::uint32_t>& src, int sw, int sh, int x, int y, int w, int h,
             std::vector<std::uint32_t>& out) {
  for (int r = 0; r < h; ++r) {
    const long long sy = static_cast<long long>(y) + r;
    if (sy < 0 || sy >= sh) continue;
    for (int c = 0; c < w; ++c) {
      const long long sx = static_cast<long long>(x) + c;
      if (sx < 0 || sx >= sw) continue;
      out[static_cast<std::size_t>(r) * w + c] = src[static_cast<std::size_t>(sy) * sw + static_cast<std::size_t>(sx)];
    }
  }
}
}  // namespace

bool DecodeParts(ByteSpan file, const AbmHeader& h, AbmPartSet* out, bool simd) {
  *out = AbmPartSet{};
  if (h.groupCount == 0 || h.frameCount == 0) return false;
  out->groups.resize(h.groupCount);
  out->parts.resize(h.frameCount);
  std::uint64_t totalPixels = 0;
  int index = 0, lastGroupByte = -1;
  for (int k = 0; k < h.frameCount; ++k) {
    AbmPart& part = out->parts[k];
    const ByteSpan data = AbmFrameData(file, h, k);
    if (data.size() < 17) {
      part.group = index;
      continue;  // a frame that is not in the file stays empty
    }
    AbmGroupRect r;
    r.x = static_cast<std::int32_t>(GetLE32(data.data()));
    r.y = static_cast<std::int32_t>(GetLE32(data.data() + 4));
    r.w = static_cast<std::int32_t>(GetLE32(data.data() + 8));
    r.h = static_cast<std::int32_t>(GetLE32(data.data() + 12));
    const int groupByte = data[16];
    if (r.w < 0 || r.h < 0 || r.w > 32767 || r.h > 32767) return false;
    if (lastGroupByte >= 0 && groupByte != lastGroupByte) ++index;
    lastGroupByte = groupByte;
    if (index >= h.groupCount) {
      // More groups than the header counts: the extra frames are dropped.
      part.group = h.groupCount - 1;
      part.rect = AbmGroupRect{};
      continue;
    }
    const std::uint64_t n = static_cast<std::uint64_t>(r.w) * static_cast<std::uint64_t>(r.h);
    totalPixels += n;
    if (totalPixels > kMaxPicturePixels) return false;
    part.rect = r;
    part.group = index;
    part.pixels.assign(static_cast<std::size_t>(n), 0);
    DecodeByteCoding(data.subspan(17), reinterpret_cast<std::uint8_t*>(part.pixels.data()), static_cast<std::size_t>(n), simd);
    out->groups[index] = r;
  }
  // Composites: what the base (part 0) shows under each animated group.
  const AbmPart& base = out->parts[0];
  out->composites.resize(h.groupCount > 1 ? h.groupCount - 1 : 0);
  for (int g = 1; g < h.groupCount; ++g) {
    const AbmGroupRect& r = out->groups[g];
    totalPixels += static_cast<std::uint64_t>(r.w) * static_cast<std::uint64_t>(r.h);
    if (totalPixels > kMaxPicturePixels) return false;
    auto& c = out->composites[g - 1];
    c.assign(static_cast<std::size_t>(r.w) * static_cast<std::size_t>(r.h), 0);
    CutRect(base.pixels, base.rect.w, base.rect.h, r.x, r.y, r.w, r.h, c);
  }
  // Holes in the base parts named by sequence 0 where the animated groups
  // are drawn; group 3 is never cut out. Frame numbers that name no base
  // part are passed over.
  if (h.groupCount >= 2) {
    SequenceRecord seq0;
    FindSequenceRecord(AbmSequenceData(file, h), 0, &seq0);
    const int listed = static_cast<int>(seq0.frames.size() / 2);
    for (int g = 1; g < h.groupCount; ++g) {
      if (g == 3) continue;
      const AbmGroupRect& r = out->groups[g];
      for (int i = 0; i < listed; ++i) {
        const int f = seq0.Frame(i);
        if (f >= h.frameCount) continue;
        AbmPart& p = out->parts[f];
        if (p.group != 0 || p.pixels.empty()) continue;
        for (int y = std::max(0, r.y); y < std::min<long long>(p.rect.h, static_cast<long long>(r.y) + r.h); ++y)
          for (int x = std::max(0, r.x); x < std::min<long long>(p.rect.w, static_cast<long long>(r.x) + r.w); ++x)
            p.pixels[static_cast<std::size_t>(y) * p.rect.w + x] = 0;
      }
    }
  }
  return true;
}
