// CWaveFile: our own reader of RIFF wave files, over a view of a loose file
// or of an archive member. It finds the "fmt " and "data" chunks wherever
// they are inside the RIFF chunk (other chunks, with their pad byte when odd,
// are stepped over), keeps the file's format as a value, and hands out the
// data bytes from the start of the data chunk on, counting down what
// remains.
#pragma once
#include <cstdint>

#include "framework/arc.h"

struct WaveFormat {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint32_t avgBytesPerSec = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  // An extensible format (tag 0xFFFE) whose sub-format is integer PCM.
  bool pcmSubFormat = false;

  // Integer PCM: tag 1, or the extensible tag with the PCM sub-format.
  bool IsPcm() const { return formatTag == 1 || (formatTag == 0xFFFE && pcmSubFormat); }
};

class CWaveFile {
 public:
  static constexpr int kOk = 0;
  static constexpr int kFail = -1;

  // Reads the RIFF/WAVE header and the "fmt " chunk (at least 16 bytes; the
  // extra bytes of a non-PCM format are read as the file gives them).
  // kFail for anything that is not such a file; the view is dropped then.
  int Open(CArcView view);
  void Close();
  bool IsOpen() const { return m_bOpen; }
  const WaveFormat& Format() const { return m_Format; }

  // Positions at the first byte of the "data" chunk; what remains is its
  // size, cut to the bytes the file really holds and to whole frames.
  int SeekData();
  // Copies data into dst[start, end) up to what remains and sets *count to
  // the end offset reached. A read error ends the data (nothing more
  // remains) rather than failing the caller's fill half-way.
  int Read(std::uint32_t start, std::uint32_t end, std::uint8_t* dst, std::uint32_t* count);
  std::uint64_t Remaining() const { return m_nRemaining; }

 private:
  // Finds the first chunk with that id inside the RIFF chunk; its data
  // offset and size (the size as stored, not cut).
  bool FindChunk(const char id[4], std::uint64_t* at, std::uint32_t* size) const;

  CArcView m_View;
  bool m_bOpen = false;
  WaveFormat m_Format;
  std::uint64_t m_nRiffEnd = 0;   // end of the RIFF chunk's data, cut to the file
  std::uint64_t m_nDataAt = 0;    // offset of the data chunk's first byte
  std::uint64_t m_nDataSize = 0;  // usable bytes of the data chunk
  std::uint64_t m_nRemaining = 0;
  bool m_bDataFound = false;
};
