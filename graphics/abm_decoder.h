// The .abm picture format (a BMP file and info header followed by
// run-length coded 32-bit pixels with alpha, optionally several frames,
// part images and animation sequences) and plain 8- and 24-bit BMP rows.
//
// Every decoder here is bounded: it reads only the bytes it is given and
// writes only the pixels it is given. A run that would pass the end of the
// picture is cut, data that ends early leaves the rest as it was (zeros in
// a fresh block), and counts, offsets and frame numbers are checked before
// they are used.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using ByteSpan = std::span<const std::uint8_t>;

// Variants by the low byte of the bit-count field.
enum : int {
  kAbmStacked = 1,   // frame 0 raw, later frames byte-coded, stacked
  kAbmParts = 2,     // part images in groups
  kAbmStackedCoded = 3,
  kAbmIndexed8 = 8,  // plain 8-bit BMP
  kAbmBmp24 = 24,
  kAbmCoded32 = 32,
  kAbmIndexCoded = 248,
};

constexpr std::size_t kAbmInfoEnd = 54;        // end of the two headers
constexpr std::size_t kAbmPaletteEnd = 54 + 1024;
constexpr std::size_t kAbmFrameTable = 66;     // variants 1, 2, 3

// Most pixels one decoded picture may have (all its frames): 32 Mi pixels,
// 54 full-screen frames. A file that claims more is refused rather than
// allowed to take the memory.
constexpr std::uint64_t kMaxPicturePixels = 1ull << 25;

struct AbmHeader {
  std::uint32_t pixelOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // one frame's height for variants 1 and 3
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  int variant = 0;          // low byte of bitCount
  // variants 1, 2, 3
  std::uint16_t groupCount = 0;
  std::uint16_t frameCount = 0;
  std::uint32_t sequenceSize = 0;
};

// False when the file is shorter than the headers it needs (54 bytes; 66
// for the multi-frame variants).
bool ParseAbmHeader(ByteSpan file, AbmHeader* out);
// Whether width and height (one frame) are sizes a picture may have: width
// 1..32767, height non-zero with |height| <= 32767.
bool AbmSizeOk(const AbmHeader& h);
// Whether the header describes a picture the ".bmp" name may hold: an 8- or
// 24-bit uncompressed BMP with the 40-byte info header.
bool IsPlainBmp(const AbmHeader& h);

// The 256-entry palette at offset 54 (1024 bytes); entries past the end of
// the file are zero.
void LoadAbmPalette(ByteSpan file, std::uint8_t* palette);
// The decoders of 32-bit pixels take a `simd` switch like the pixel
// routines: with it off they run the byte-by-byte form that defines their
// result; with it on (the default) they write whole pixels of a run at once
// through the SIMD kernels the processor and the level cap allow, giving
// the same bytes. `dst` is 4-byte aligned.

// Variant 32 (byte coding) or 248 (index coding through the palette) from
// the pixel-data offset into `pixels` packed 32-bit pixels.
void DecodeSingleImage(ByteSpan file, const AbmHeader& h, std::uint8_t* dst, std::size_t pixels, bool simd = true);

// Byte coding: pairs (code, n) into B, G, R colour bytes with the alpha
// written after each red byte. Fills at most `pixels` pixels of `dst`
// (4 bytes each); returns the colour bytes produced.
std::size_t DecodeByteCoding(ByteSpan src, std::uint8_t* dst, std::size_t pixels, bool simd = true);
// Index coding through a 1024-byte palette into 32-bit pixels; returns the
// pixels produced.
std::size_t DecodeIndexCoding(ByteSpan src, const std::uint8_t* palette, std::uint8_t* dst, std::size_t pixels,
                              bool simd = true);
// Index coding into an index plane and an alpha plane.
std::size_t DecodeIndexCodingPlanes(ByteSpan src, std::uint8_t* indices, std::uint8_t* alpha, std::size_t pixels);

// Row i of a BMP of `width` pixels of `bytesPerPixel` bytes whose rows are
// padded to 4 bytes, counted from the top of the picture (bottom-up files
// for a positive height). Empty when the row is not (wholly) in the file;
// a partial last row gives what there is.
ByteSpan BmpRow(ByteSpan file, std::uint32_t pixelOffset, int width, int height, int bytesPerPixel, int row);

// Sequence data: records of (u8 unused, u8 mode, u16 n, n x u16 frame).
struct SequenceRecord {
  std::uint8_t mode = 0;
  std::uint16_t count = 0;     // as stored (may claim more than there is)
  ByteSpan frames;             // the frame numbers really present
  // Frame number at position pos (0 when outside what was read).
  std::uint16_t Frame(int pos) const;
  // The count the players use: the stored n, but 1 for a missing or empty
  // record (an empty record would otherwise never advance).
  int Length() const { return count ? count : 1; }
};
// Record i, walked without passing the data; false (and a record of
// length 1 showing frame 0) when it is not there whole.
bool FindSequenceRecord(ByteSpan seq, int i, SequenceRecord* out);

// The sequence data of a multi-frame file, cut to what the file holds.
ByteSpan AbmSequenceData(ByteSpan file, const AbmHeader& h);
// The data of frame k: from its offset to the end of the file; empty when
// the offset is outside the file or k is not below the frame count.
ByteSpan AbmFrameData(ByteSpan file, const AbmHeader& h, int k);

// Frames of variants 1 and 3 stacked into width x (height x frames) pixels
// (`dst` holds that many). Variant 1 copies frame 0 raw (rows of width x 3
// bytes, no padding).
void DecodeStackedFrames(ByteSpan file, const AbmHeader& h, std::uint32_t* dst, bool simd = true);
// 24-bit rows into top-down opaque pixels; 8-bit rows through the file's
// palette into top-down opaque pixels.
void DecodeBmp24(ByteSpan file, const AbmHeader& h, std::uint32_t* dst, bool simd = true);
void DecodeBmp8To32(ByteSpan file, const AbmHeader& h, std::uint32_t* dst);
// 8-bit rows into a top-down index plane of width x |height| bytes.
void DecodeBmp8Indices(ByteSpan file, const AbmHeader& h, std::uint8_t* dst);

// Variant 2: part images in groups.
struct AbmGroupRect {
  std::int32_t x = 0, y = 0, w = 0, h = 0;
};
struct AbmPart {
  AbmGroupRect rect;
  int group = 0;  // group index (0 = the base)
  std::vector<std::uint32_t> pixels;  // rect.w x rect.h
};
struct AbmPartSet {
  std::vector<AbmPart> parts;                        // by frame number
  std::vector<AbmGroupRect> groups;                  // one per group
  std::vector<std::vector<std::uint32_t>> composites;  // groups 1.. : what the base shows there
};
// Decodes the parts, groups them, cuts the composites from part 0 and the
// holes of groups 1 and up (not group 3) into the base parts named by
// sequence 0. False when the file has no group or no frame, or a part
// claims an impossible size.
bool DecodeParts(ByteSpan file, const AbmHeader& h, AbmPartSet* out, bool simd = true);
