#include "sound/wave_file.h"

#include <algorithm>
#include <cstring>

#include "framework/byte_io.h"

namespace {

constexpr std::uint64_t kRiffHeader = 12;  // "RIFF", size, "WAVE"
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM as it is stored: 00000001-0000-0010-8000-00AA00389B71.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

int CWaveFile::Open(CArcView view) {
  Close();
  m_View = std::move(view);
  if (!m_View.IsValid()) return kFail;

  std::uint8_t head[kRiffHeader];
  if (m_View.ReadAt(0, head, sizeof head) != static_cast<std::int64_t>(sizeof head) ||
      std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
    Close();
    return kFail;
  }
  // A RIFF size beyond the file (a cut file, or a writer that left it open)
  // is bounded by what the file holds.
  m_nRiffEnd = std::min<std::uint64_t>(8 + static_cast<std::uint64_t>(byteio::GetLE32(head + 4)), m_View.Size());

  std::uint64_t at = 0;
  std::uint32_t size = 0;
  std::uint8_t fmt[16];
  if (!FindChunk("fmt ", &at, &size) || size < 16 || m_View.ReadAt(at, fmt, 16) != 16) {
    Close();
    return kFail;
  }
  WaveFormat f;
  f.formatTag = byteio::GetLE16(fmt);
  f.channels = byteio::GetLE16(fmt + 2);
  f.samplesPerSec = byteio::GetLE32(fmt + 4);
  f.avgBytesPerSec = byteio::GetLE32(fmt + 8);
  f.blockAlign = byteio::GetLE16(fmt + 12);
  f.bitsPerSample = byteio::GetLE16(fmt + 14);
  if (f.formatTag != kTagPcm) {
    // Other formats carry a count of extra bytes that must be there in full.
    std::uint8_t cb[2];
    if (size < 18 || m_View.ReadAt(at + 16, cb, 2) != 2) {
      Close();
      return kFail;
    }
    const std::uint16_t extra = byteio::GetLE16(cb);
    if (18u + extra > size || at + 18 + extra > m_View.Size()) {
      Close();
      return kFail;
    }
    if (f.formatTag == kTagExtensible && extra >= 22) {
      std::uint8_t ext[22];
      if (m_View.ReadAt(at + 18, ext, sizeof ext) != static_cast<std::int64_t>(sizeof ext)) {
        Close();
        return kFail;
      }
      f.pcmSubFormat = std::memcmp(ext + 6, kPcmSubFormat, 16) == 0;
    }
  }
  m_Format = f;
  m_bOpen = true;
  return kOk;
}

void CWaveFile::Close() {
  m_View = CArcView();
  m_bOpen = false;
  m_Format = WaveFormat();
  m_nRiffEnd = m_nDataAt = m_nDataSize = m_nRemaining = 0;
  m_bDataFound = false;
}

bool CWaveFile::FindChunk(const char id[4], std::uint64_t* at, std::uint32_t* size) const {
  std::uint64_t pos = kRiffHeader;
  while (pos + 8 <= m_nRiffEnd) {
    std::uint8_t h[8];
    if (m_View.ReadAt(pos, h, 8) != 8) return false;
    const std::uint32_t n = byteio::GetLE32(h + 4);
    if (std::memcmp(h, id, 4) == 0) {
      *at = pos + 8;
      *size = n;
      return true;
    }
    pos += 8 + static_cast<std::uint64_t>(n) + (n & 1);
  }
  return false;
}

int CWaveFile::SeekData() {
  if (!m_bOpen) return kFail;
  if (!m_bDataFound) {
    std::uint64_t at = 0;
    std::uint32_t size = 0;
    if (!FindChunk("data", &at, &size)) return kFail;
    std::uint64_t usable = std::min<std::uint64_t>(size, m_View.Size() - std::min(at, m_View.Size()));
    // A trailing part of a frame would shift every frame after a rewind.
    if (m_Format.blockAlign > 0) usable -= usable % m_Format.blockAlign;
    m_nDataAt = at;
    m_nDataSize = usable;
    m_bDataFound = true;
  }
  m_nRemaining = m_nDataSize;
  return kOk;
}

int CWaveFile::Read(std::uint32_t start, std::uint32_t end, std::uint8_t* dst, std::uint32_t* count) {
  if (count) *count = start;
  if (!m_bOpen || !m_bDataFound) return kFail;
  if (end <= start) return kOk;
  const std::uint32_t want = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - start, m_nRemaining));
  if (want == 0) return kOk;
  const std::uint64_t from = m_nDataAt + (m_nDataSize - m_nRemaining);
  const std::int64_t got = m_View.ReadAt(from, dst + start, want);
  if (got < 0 || static_cast<std::uint32_t>(got) != want) {
    m_nRemaining = 0;
    return kOk;
  }
  m_nRemaining -= want;
  if (count) *count = start + want;
  return kOk;
}
