#include "graphics/pixel_buffer.h"

#include <cstring>

void CBuffer::SetHeader(int width, int bitsPerPixel, int height) {
  m_Header = BitmapInfoHeader{};
  m_Header.biSize = 40;
  m_Header.biWidth = width;
  m_Header.biHeight = -height;
  m_Header.biPlanes = 1;
  m_Header.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
  m_Header.biCompression = 0;
  m_nBpp = static_cast<std::uint16_t>(bitsPerPixel / 8);
  const long long absH = height < 0 ? -static_cast<long long>(height) : height;
  const long long rowBytes = static_cast<long long>(width) * m_nBpp;
  const long long stride = (rowBytes + 3) & ~3LL;
  const long long image = rowBytes * absH;
  m_nStride = (stride >= 0 && stride <= 0x7FFFFFFF) ? static_cast<std::int32_t>(stride) : 0;
  m_Header.biSizeImage = (image >= 0 && image <= 0xFFFFFFFFLL) ? static_cast<std::uint32_t>(image) : 0;
}

int CBuffer::Create(int mode, int width, int height, int* mmxFlag, std::size_t staggerBytes) {
  if (mode == 0 || mode == 1) {
    // A live buffer would leak its pixels: let Create replace them.
    Destroy();
    if (width < 1 || height < 1 || width > kMaxBufferSide || height > kMaxBufferSide) return kCreateNoMemory;
    SetHeader(width, 32, height);
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    staggerBytes = (staggerBytes + 63) & ~static_cast<std::size_t>(63);
    // Big blocks start on a page so that the stagger decides where their
    // rows fall in the cache.
    const std::size_t align = bytes >= 65536 ? 4096 : 64;
    const std::size_t total = (bytes + staggerBytes + align - 1) & ~(align - 1);
    void* block = std::aligned_alloc(align, total);
    if (!block) {
      m_Header = BitmapInfoHeader{};
      m_nStride = 0;
      m_nBpp = 0;
      return kCreateNoMemory;
    }
    m_pBlock = block;
    m_pcPix = static_cast<std::uint8_t*>(block) + staggerBytes;
    std::memset(m_pcPix, 0, bytes);
    m_nDepth = 32;
  }
  m_nWord0 = m_nWord1 = 0;
  m_pMmx = mmxFlag;
  return kCreateOk;
}

void CBuffer::Destroy() {
  if (m_pBlock) {
    std::free(m_pBlock);
    m_pBlock = nullptr;
    m_pcPix = nullptr;
  }
  m_Header = BitmapInfoHeader{};
}

int SetupDibHeader(CBuffer& buffer, int width, int bitsPerPixel, int height, void* pixels, int* mmxFlag) {
  buffer.SetHeader(width, bitsPerPixel, height);
  buffer.m_pcPix = static_cast<std::uint8_t*>(pixels);
  buffer.m_pMmx = mmxFlag;
  return buffer.m_nStride;
}

CBuffer& CBuffer::operator=(CBuffer&& other) noexcept {
  if (this == &other) return *this;
  Destroy();
  m_pcPix = other.m_pcPix;
  m_pBlock = other.m_pBlock;
  m_nDepth = other.m_nDepth;
  m_nWord0 = other.m_nWord0;
  m_nWord1 = other.m_nWord1;
  m_Header = other.m_Header;
  m_nStride = other.m_nStride;
  m_nBpp = other.m_nBpp;
  m_pMmx = other.m_pMmx;
  other.m_pBlock = nullptr;
  other.m_pcPix = nullptr;
  other.m_Header = BitmapInfoHeader{};
  return *this;
}
