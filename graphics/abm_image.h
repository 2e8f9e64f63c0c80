// CAbmImage: a picture of any .abm variant decoded with everything it
// needs (the CG gallery reads its pictures this way), and DecodeAbm, which
// decodes a single-image picture into a buffer the caller made.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/abm_decoder.h"
#include "graphics/pixel_buffer.h"

class CAbmImage {
 public:
  CAbmImage() = default;
  ~CAbmImage() { Destroy(); }
  CAbmImage(const CAbmImage&) = delete;
  CAbmImage& operator=(const CAbmImage&) = delete;

  // Decodes the whole file image (which the caller may drop afterwards).
  // 1 when decoded; 0 when the picture was refused (impossible sizes,
  // missing headers, no memory) or is of no variant this reader knows, in
  // which case the record is left empty.
  int Load(ByteSpan file);
  void FreeTables();
  void Destroy();

  // The count n of sequence record i; 1 without sequence data (or for a
  // record that is missing or empty).
  int GetSequenceLength(int i) const;
  // Group record i of a kind-2 picture, or null when i is not below the
  // group count.
  const AbmGroupRect* GetFrameRecord(int i) const;

  std::uint32_t m_nWord = 0;
  int m_nKind = 0;
  CBuffer m_Buffer;
  AbmPartSet m_Parts;  // kind 2
  std::vector<std::uint8_t> m_Sequence;
  std::uint16_t m_nFrameCount = 0;
  std::uint16_t m_nGroupCount = 0;
};

// Decodes a variant-32 or variant-248 picture into `buffer` at the
// buffer's size (never more than both the file and the buffer hold). Other
// variants leave the buffer untouched. Returns 1.
int DecodeAbm(ByteSpan file, CBuffer& buffer);
