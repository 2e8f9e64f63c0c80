// Pictures from outside: every .abm variant, .bmp and .msk through the three
// readers (the record decoder, the decoder into a caller's buffer, and the
// image store's decode stage with each caller kind and depth choice).
#include <cstddef>
#include <cstdint>

#include "graphics/abm_image.h"
#include "framework/huffman.h"
#include "graphics/layer_image.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan file(data, size);
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
  if (n > 0 && n <= (1 << 20)) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(n));
    if (DecodeHuffman(data, size, out.data(), out.size()) == n) {
      CLayerImage rec;
      DecodeLayerImage(rec, ByteSpan(out.data(), out.size()), 0, 0, false);
    }
  }
  return 0;
}
