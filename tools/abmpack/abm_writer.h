// Writers of the engine's picture files: .abm of every variant, 8- and
// 24-bit .bmp, with the codings as the decoders read them. Used by abmpack.
#pragma once
#include <cstdint>
#include <vector>

namespace abmw {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Append16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Append32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The 54 bytes of file header and info header. The file size is patched by
// Finish.
inline Bytes Header(std::uint16_t bitCount, std::int32_t width, std::int32_t height, std::uint32_t pixelOffset) {
  Bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, pixelOffset);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bitCount);
  return b;
}
inline void Finish(Bytes& b) {
  if (b.size() >= 6) Put32(b, 2, static_cast<std::uint32_t>(b.size()));
}

// Byte coding of pixels 0xAARRGGBB: alpha 0 pixels as zero runs (their
// colour is dropped), opaque pixels as literal runs, any other alpha as its
// blue and green bytes in the current run and the pair (alpha, red).
inline Bytes EncodeByteCoding(const std::uint32_t* px, std::size_t n) {
  Bytes out;
  int runCode = -1;  // 0 or 255 while a run is open
  std::size_t runAt = 0;
  auto close = [&]() { runCode = -1; };
  auto put = [&](int code, std::uint8_t v) {
    if (runCode != code || out[runAt + 1] == 255) {
      runAt = out.size();
      out.push_back(static_cast<std::uint8_t>(code));
      out.push_back(0);
      runCode = code;
    }
    ++out[runAt + 1];
    if (code == 255) out.push_back(v);
  };
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t p = px[i];
    const std::uint8_t a = static_cast<std::uint8_t>(p >> 24);
    const std::uint8_t c[3] = {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
                               static_cast<std::uint8_t>(p >> 16)};
    if (a == 0) {
      for (int k = 0; k < 3; ++k) put(0, 0);
    } else if (a == 255) {
      for (int k = 0; k < 3; ++k) put(255, c[k]);
    } else {
      for (int k = 0; k < 2; ++k) put(c[k] == 0 && runCode == 0 ? 0 : 255, c[k]);
      close();
      out.push_back(a);
      out.push_back(c[2]);
    }
  }
  return out;
}

// Index coding: alpha 0 as zero runs, 255 as literal index runs, any other
// alpha as (alpha, index).
inline Bytes EncodeIndexCoding(const std::uint8_t* index, const std::uint8_t* alpha, std::size_t n) {
  Bytes out;
  int runCode = -1;
  std::size_t runAt = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int code = alpha[i] == 0 ? 0 : (alpha[i] == 255 ? 255 : -1);
    if (code < 0) {
      runCode = -1;
      out.push_back(alpha[i]);
      out.push_back(index[i]);
      continue;
    }
    if (runCode != code || out[runAt + 1] == 255) {
      runAt = out.size();
      out.push_back(static_cast<std::uint8_t>(code));
      out.push_back(0);
      runCode = code;
    }
    ++out[runAt + 1];
    if (code == 255) out.push_back(index[i]);
  }
  return out;
}

// BMP rows (bottom-up for a positive height), each padded to 4 bytes, from
// top-down rows of width x bytesPerPixel bytes.
inline Bytes BmpRows(const std::uint8_t* topDown, int width, int height, int bytesPerPixel) {
  const int absH = height < 0 ? -height : height;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
  const std::size_t padded = (rowBytes + 3) & ~static_cast<std::size_t>(3);
  Bytes out(padded * absH, 0);
  for (int r = 0; r < absH; ++r) {
    const int fileRow = height > 0 ? absH - 1 - r : r;
    for (std::size_t i = 0; i < rowBytes; ++i) out[fileRow * padded + i] = topDown[r * rowBytes + i];
  }
  return out;
}

}  // namespace abmw
