// CBuffer: the one pixel-buffer type. An owning buffer holds a zero-filled,
// 64-byte-aligned heap block and frees it when it goes (or on Destroy); a
// view made with SetupDibHeader only describes pixels someone else owns.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // negative: rows top-down
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// Largest width or height a buffer takes: image records keep sizes in 16 bits.
constexpr int kMaxBufferSide = 32767;

class CBuffer {
 public:
  // Create's status words; 3 and 4 (device context, DIB section) belong to
  // GDI buffers and cannot happen here, but callers still name them.
  enum { kCreateOk = 0, kCreateNoMemory = 1, kCreateNoContext = 3, kCreateNoSection = 4 };

  CBuffer() = default;
  ~CBuffer() { Destroy(); }
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;
  // Moving hands the pixels (and their ownership) over.
  CBuffer(CBuffer&& other) noexcept { *this = static_cast<CBuffer&&>(other); }
  CBuffer& operator=(CBuffer&& other) noexcept;

  // Header, stride and bytes per pixel; the pixel pointer is left alone.
  // The stride is computed in 64 bits and kept only when it fits.
  void SetHeader(int width, int bitsPerPixel, int height);
  // Modes 0 and 1 both make a heap block (nothing here draws through a
  // device context). Refuses width or height below 1 or above 32767 with
  // status 1. A buffer that already holds pixels frees them first.
  // `staggerBytes` (a multiple of 64) moves the pixels off the block's
  // alignment so that equal positions of several big buffers do not share
  // cache sets.
  int Create(int mode, int width, int height, int* mmxFlag, std::size_t staggerBytes = 0);
  void Destroy();

  int Width() const { return m_Header.biWidth; }
  int Height() const { return m_Header.biHeight < 0 ? -m_Header.biHeight : m_Header.biHeight; }
  bool Empty() const { return m_pcPix == nullptr; }
  bool Owns() const { return m_pBlock != nullptr; }
  std::uint8_t* Row(int y) const { return m_pcPix + static_cast<std::ptrdiff_t>(y) * m_nStride; }
  std::uint32_t* Row32(int y) const { return reinterpret_cast<std::uint32_t*>(Row(y)); }
  std::uint32_t* Pixel32(int x, int y) const { return Row32(y) + x; }
  // Whether the pixel routines may take their SIMD paths for this buffer.
  bool SimdAllowed() const { return m_pMmx && *m_pMmx == 1; }

  std::uint8_t* m_pcPix = nullptr;
  void* m_pBlock = nullptr;  // owned heap block (null for a view)
  std::uint32_t m_nDepth = 32;
  std::uint32_t m_nWord0 = 0, m_nWord1 = 0;
  BitmapInfoHeader m_Header;
  std::int32_t m_nStride = 0;
  std::uint16_t m_nBpp = 0;
  int* m_pMmx = nullptr;
};

// Makes `buffer` a view over `pixels`; returns the stride.
int SetupDibHeader(CBuffer& buffer, int width, int bitsPerPixel, int height, void* pixels, int* mmxFlag = nullptr);

// Frees a malloc'd block and clears the pointer.
template <typename T>
void FreeAndNull(T*& p) {
  if (p) {
    std::free(p);
    p = nullptr;
  }
}
