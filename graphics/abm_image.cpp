#include "graphics/abm_image.h"

#include <cstring>

#include "framework/globals.h"

int CAbmImage::Load(ByteSpan file) {
  AbmHeader h;
  const bool headerOk = ParseAbmHeader(file, &h);
  Destroy();
  if (!headerOk || !AbmSizeOk(h)) return 0;
  const int absH = h.height < 0 ? -h.height : h.height;
  switch (h.variant) {
    case kAbmBmp24:
      if (m_Buffer.Create(1, h.width, absH, GetMmxFlag()) != 0) return 0;
      DecodeBmp24(file, h, m_Buffer.Row32(0));
      m_nKind = 24;
      m_nFrameCount = m_nGroupCount = 1;
      return 1;
    case kAbmCoded32:
    case kAbmIndexCoded: {
      if (h.height < 0 || m_Buffer.Create(1, h.width, h.height, GetMmxFlag()) != 0) return 0;
      DecodeSingleImage(file, h, m_Buffer.m_pcPix, static_cast<std::size_t>(h.width) * h.height);
      m_nKind = h.variant == kAbmCoded32 ? 32 : -8;
      // Single images: one frame, one group (the original left stale counts).
      m_nFrameCount = m_nGroupCount = 1;
      return 1;
    }
    case kAbmStacked:
    case kAbmStackedCoded: {
      if (h.height < 0 || h.frameCount == 0) return 0;
      const long long rows = static_cast<long long>(h.height) * h.frameCount;
      if (rows > kMaxBufferSide || static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(rows) > kMaxPicturePixels ||
          m_Buffer.Create(1, h.width, static_cast<int>(rows), GetMmxFlag()) != 0) return 0;
      DecodeStackedFrames(file, h, m_Buffer.Row32(0));
      const ByteSpan seq = AbmSequenceData(file, h);
      m_Sequence.assign(seq.begin(), seq.end());
      m_nKind = h.variant;
      m_nFrameCount = h.frameCount;
      m_nGroupCount = h.groupCount;
      return 1;
    }
    case kAbmParts: {
      if (!DecodeParts(file, h, &m_Parts)) {
        m_Parts = AbmPartSet{};
        return 0;
      }
      const ByteSpan seq = AbmSequenceData(file, h);
      m_Sequence.assign(seq.begin(), seq.end());
      m_nKind = 2;
      m_nFrameCount = h.frameCount;
      m_nGroupCount = h.groupCount;
      return 1;
    }
    default:
      return 0;
  }
}

void CAbmImage::FreeTables() { m_Parts = AbmPartSet{}; }

void CAbmImage::Destroy() {
  m_Buffer.Destroy();
  FreeTables();
  m_Sequence.clear();
  m_Sequence.shrink_to_fit();
  m_nKind = 0;
  m_nFrameCount = m_nGroupCount = 0;
}

int CAbmImage::GetSequenceLength(int i) const {
  if (m_Sequence.empty()) return 1;
  SequenceRecord r;
  FindSequenceRecord(ByteSpan(m_Sequence.data(), m_Sequence.size()), i, &r);
  return r.Length();
}

const AbmGroupRect* CAbmImage::GetFrameRecord(int i) const {
  // Bounded by the groups there are (the frame count may be larger).
  if (m_nKind != 2 || i < 0 || static_cast<std::size_t>(i) >= m_Parts.groups.size()) return nullptr;
  return &m_Parts.groups[i];
}

int DecodeAbm(ByteSpan file, CBuffer& buffer) {
  AbmHeader h;
  if (!ParseAbmHeader(file, &h) || buffer.Empty() || buffer.m_nBpp != 4) return 1;
  if (h.variant != kAbmCoded32 && h.variant != kAbmIndexCoded) return 1;
  // The buffer gives the size (the file may hold more or less).
  const int w = buffer.Width(), hgt = buffer.Height();
  const std::size_t pixels = static_cast<std::size_t>(w) * hgt;
  if (buffer.m_nStride == w * 4) {
    DecodeSingleImage(file, h, buffer.m_pcPix, pixels);
    return 1;
  }
  // A view with rows further apart: decode packed, then copy the rows.
  std::vector<std::uint32_t> packed(pixels);
  for (int y = 0; y < hgt; ++y) std::memcpy(&packed[static_cast<std::size_t>(y) * w], buffer.Row(y), w * 4u);
  DecodeSingleImage(file, h, reinterpret_cast<std::uint8_t*>(packed.data()), pixels);
  for (int y = 0; y < hgt; ++y) std::memcpy(buffer.Row(y), &packed[static_cast<std::size_t>(y) * w], w * 4u);
  return 1;
}
