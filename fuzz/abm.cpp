// Pictures from outside: every .abm variant, .bmp and .msk through the three
// readers (the record decoder, the decoder into a caller's buffer, and the
// image store's decode stage with each caller kind and depth choice).
#include <cstddef>
#include <cstdint>

#include "graphics/abm_image.h"
#include "framework/byte_io.h"
#include "framework/huffman.h"
#include "graphics/layer_image.h"

#include <algorithm>
#include <vector>

namespace {

// Pictures of at most this many pixels a frame, and this many in all
// frames, are decoded: larger ones take their time in filling memory, not
// in the decoders' paths, which small pictures reach alike. Files without
// a header of sizes go through, since the readers refuse them at once.
constexpr std::uint64_t kFramePixels = 1u << 14;
constexpr std::uint64_t kAllPixels = 1u << 16;

bool SmallEnough(ByteSpan file) {
  AbmHeader h;
  if (!ParseAbmHeader(file, &h)) return true;
  const std::uint64_t w = static_cast<std::uint32_t>(h.width);
  const std::uint64_t absH = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
  const std::uint64_t frame = w * absH;
  if (frame > kFramePixels) return false;
  const bool framed = h.variant == kAbmStacked || h.variant == kAbmParts || h.variant == kAbmStackedCoded;
  const std::uint64_t frames = framed ? std::max<std::uint64_t>(1, std::max(h.frameCount, h.groupCount)) : 1;
  if (frame * frames > kAllPixels) return false;
  if (h.variant == kAbmParts) {
    // Each part names its own size, which the header does not bound.
    std::uint64_t parts = 0;
    for (int k = 0; k < h.frameCount; ++k) {
      const ByteSpan d = AbmFrameData(file, h, k);
      if (d.size() < 16) continue;
      parts += static_cast<std::uint64_t>(byteio::GetLE32(d.data() + 8)) * byteio::GetLE32(d.data() + 12);
      if (parts > kAllPixels) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan file(data, size);
  if (size == 0 || !SmallEnough(file)) return 0;
  {
    CAbmImage img;
    img.Load(file);
    img.GetSequenceLength(0);
    img.GetSequenceLength(3);
    img.GetFrameRecord(1);
  }
  {
    CBuffer b;
    b.Create(1, 37, 11, nullptr);
    DecodeAbm(file, b);
  }
  for (int mode = 0; mode < 4; ++mode) {
    // The full-screen caller (kind 6) makes an 8-bit picture of any size
    // 1024 x 600, which takes its time in filling memory: it runs for half
    // the inputs, with one of its two depth choices, by the last byte.
    if ((mode & 1) && mode != (data[size - 1] & 3)) continue;
    CLayerImage rec;
    DecodeLayerImage(rec, file, (mode & 1) ? 6 : 0, (mode & 2) ? 1 : 0, mode == 2);
    GetImageSequenceLength(rec, 1);
    GetFrameImage(rec, 2);
    ApplyImageTone(rec, 2);
    ApplyImageToneFrames(rec, 5);
  }
  // The same bytes as a packed ".dat" picture: expanded (bounded), then
  // decoded as the loader does.
  const std::int64_t n = HuffmanBlockSize(data, size);
  if (n > 0 && n <= (1 << 18)) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(n));
    if (DecodeHuffman(data, size, out.data(), out.size()) == n && SmallEnough(ByteSpan(out.data(), out.size()))) {
      CLayerImage rec;
      DecodeLayerImage(rec, ByteSpan(out.data(), out.size()), 0, 0, false);
    }
  }
  return 0;
}
