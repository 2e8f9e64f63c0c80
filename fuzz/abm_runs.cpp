// The run forms of the picture decoders against the byte-by-byte forms on
// any bytes: the file as a coded pixel stream (both codings) and as a
// whole picture of each variant with 32-bit output. Any difference aborts.
// Picture sizes are bounded here, in the harness, so that each input runs
// quickly; the decoders keep their own bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/abm_decoder.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1 << 14;

void Same(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a != b) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan file(data, size);
  // As a pixel stream: the first two bytes give the pixel count (below
  // 8192, more than any stream of an input this size fills).
  if (size >= 2) {
    const std::size_t pixels = (data[0] | (static_cast<std::size_t>(data[1]) << 8)) & 0x1FFF;
    const ByteSpan src = file.subspan(2);
    std::uint8_t palette[1024];
    for (int i = 0; i < 1024; ++i) palette[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<std::uint32_t> a(pixels + 1, 0xEEEEEEEEu), b = a;
    if (DecodeByteCoding(src, reinterpret_cast<std::uint8_t*>(a.data()), pixels, false) !=
        DecodeByteCoding(src, reinterpret_cast<std::uint8_t*>(b.data()), pixels, true))
      std::abort();
    Same(a, b);
    std::fill(a.begin(), a.end(), 0xEEEEEEEEu);
    std::fill(b.begin(), b.end(), 0xEEEEEEEEu);
    if (DecodeIndexCoding(src, palette, reinterpret_cast<std::uint8_t*>(a.data()), pixels, false) !=
        DecodeIndexCoding(src, palette, reinterpret_cast<std::uint8_t*>(b.data()), pixels, true))
      std::abort();
    Same(a, b);
  }
  // As a picture.
  AbmHeader h;
  if (!ParseAbmHeader(file, &h) || !AbmSizeOk(h)) return 0;
  const std::uint64_t absH = static_cast<std::uint64_t>(h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height);
  const std::uint64_t frame = static_cast<std::uint64_t>(h.width) * absH;
  switch (h.variant) {
    case kAbmCoded32:
    case kAbmIndexCoded:
    case kAbmBmp24: {
      if (frame > kMaxPixels) return 0;
      std::vector<std::uint32_t> a(frame, 0xEEEEEEEEu), b = a;
      if (h.variant == kAbmBmp24) {
        DecodeBmp24(file, h, a.data(), false);
        DecodeBmp24(file, h, b.data(), true);
      } else if (h.height > 0) {
        DecodeSingleImage(file, h, reinterpret_cast<std::uint8_t*>(a.data()), frame, false);
        DecodeSingleImage(file, h, reinterpret_cast<std::uint8_t*>(b.data()), frame, true);
      }
      Same(a, b);
      break;
    }
    case kAbmStacked:
    case kAbmStackedCoded: {
      if (h.frameCount > 256 || h.height < 0 || frame * h.frameCount > kMaxPixels) return 0;
      std::vector<std::uint32_t> a(frame * h.frameCount, 0xEEEEEEEEu), b = a;
      DecodeStackedFrames(file, h, a.data(), false);
      DecodeStackedFrames(file, h, b.data(), true);
      Same(a, b);
      break;
    }
    case kAbmParts: {
      // The hole cutting walks every group for every frame of sequence 0.
      if (h.groupCount > 64 || h.frameCount > 256) return 0;
      std::uint64_t total = 0;
      for (int k = 0; k < h.frameCount; ++k) {
        const ByteSpan part = AbmFrameData(file, h, k);
        if (part.size() < 17) continue;
        std::uint32_t w, hh;
        std::memcpy(&w, part.data() + 8, 4);
        std::memcpy(&hh, part.data() + 12, 4);
        total += static_cast<std::uint64_t>(w) * hh;
      }
      if (total > kMaxPixels) return 0;
      AbmPartSet a, b;
      if (DecodeParts(file, h, &a, false) != DecodeParts(file, h, &b, true)) std::abort();
      if (a.parts.size() != b.parts.size() || a.composites != b.composites) std::abort();
      for (std::size_t i = 0; i < a.parts.size(); ++i) Same(a.parts[i].pixels, b.parts[i].pixels);
      break;
    }
    default:
      break;
  }
  return 0;
}
