// CLayerImage: the picture of a sprite, window part, button or background,
// the loader that fills it by name from a loose file under "GRP" or from
// "GRP.AOS", and its tone routines. Drawing is in layer_draw.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/abm_decoder.h"

class CArc;

struct ImageGroupRecord {
  std::uint16_t m_nSeqLength = 1;
  std::uint16_t m_nPosition = 0;
  std::int32_t m_bRunning = 0;  // the voice layer sets it for a speaking mouth
  std::uint16_t m_nWait = 0;    // blink countdown in ticks
  std::uint8_t m_nMode = 0;     // the mode byte of the group's sequence
  std::int32_t m_nShownFrame = -1;  // the frame it was last drawn with
  AbmGroupRect m_Rect;
};

struct CLayerImage {
  CLayerImage* m_pNext = nullptr;  // the next button of a window
  std::uint8_t m_State0[4] = {};
  std::int16_t m_nX = 0, m_nY = 0;
  std::int16_t m_nWidth = 0, m_nHeight = 0;  // kinds 1 and 3: one frame's height
  std::uint8_t m_State1[3] = {};
  std::uint8_t m_nRowsLessOne = 0;  // states stacked vertically, less one
  std::uint8_t m_nState2 = 0;
  std::uint8_t m_nShowState = 0;
  std::int8_t m_nKind = 0;          // 1, 2, 3, 8, 24, 32, -8
  std::uint8_t m_nBlendMode = 0;    // 0 alpha, 1 additive, 2 black / 3 white silhouette
  std::uint8_t m_nShownState = 0;
  std::vector<std::uint8_t> m_Palette;  // 1024 bytes once made (kinds 8, -8)
  std::vector<std::uint32_t> m_Pixels;  // kinds 1, 3, 24, 32
  std::vector<std::uint8_t> m_Plane;    // kinds 8, -8: palette indices
  std::vector<std::uint8_t> m_Alpha;    // kind -8
  char m_szName[16] = {};               // empty: not in use, not drawn
  std::uint8_t m_nClass = 0;            // 0 sprite, 1 system sprite, 2 window part, 3 reserved
  std::uint8_t m_nAlign = 0;
  std::vector<std::uint8_t> m_Sequence;
  std::uint16_t m_nFrameCount = 0;
  std::uint16_t m_nGroupCount = 0;
  std::uint16_t m_nCurSeq = 0;
  std::uint16_t m_nPosition = 0;
  std::int32_t m_nShownFrame = -1;  // kinds 1 to 3: the frame (kind 2: base part) last drawn
  std::vector<ImageGroupRecord> m_Groups;  // kind 2
  AbmPartSet m_Parts;                      // kind 2: parts by frame number and the composites

  ByteSpan SequenceData() const { return ByteSpan(m_Sequence.data(), m_Sequence.size()); }
  // Pixels of frame f of kinds 1 and 3 (width x height).
  std::uint32_t* Frame(int f) {
    return m_Pixels.data() + static_cast<std::size_t>(f) * static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight);
  }
};

// Picture sizes the loader takes as files before it refuses them: the
// original's work buffers.
constexpr std::size_t kPictureWorkBytes = 157288448;
constexpr std::size_t kPackedWorkBytes = 4 * 1024 * 1024;

// Where the loader finds a picture's bytes: a loose file under "GRP" of the
// program folder first, then the archive; ".abm", ".bmp", ".dat" in that
// order for a name without a dot. Result: 1 found (bytes filled, `packed`
// set for a ".dat" file), 0 not found, -1 found but unreadable (`where`
// names the path).
int FindPictureFile(const std::string& name, CArc* archive, std::vector<std::uint8_t>* bytes, bool* packed,
                    bool* asBmp, std::string* where);

// Loads the picture `name` into the record. Caller kind 6 (rule pictures)
// gives a 1024 x 600 plane. keep8 widens 8-bit pictures to kind 24. 1 on
// success; 0 after the loader's box (the record keeps its previous picture
// and name).
int LoadLayerImage(CLayerImage& record, const char* name, int callerKind, CArc* archive, int toneFlag, int keep8);
// The decode stage alone, from the bytes of a file (expanded when packed);
// 0 when the picture is refused. Shows no box.
int DecodeLayerImage(CLayerImage& record, ByteSpan file, int callerKind, int keep8, bool asBmp);

void FreeFrameTable(CLayerImage& record);
void FreeFrameList(CLayerImage& record);
// Rectangle of group i of a kind-2 record, or null when there is no group i.
const AbmGroupRect* GetFrameImage(const CLayerImage& record, int i);
int GetImageSequenceLength(const CLayerImage& record, int i);

// Tones of the stacked frames of kinds 1 and 3, and of a kind-2 record's
// base parts, group parts and composites.
void ApplyImageTone(CLayerImage& record, int tone);
void ApplyImageToneFrames(CLayerImage& record, int tone);

// The script's colour tone for freshly loaded sprites (`mono`): set by the
// scene layer; null applies none.
using SpriteToneHook = void (*)(CLayerImage& record);
void SetSpriteToneHook(SpriteToneHook hook);
