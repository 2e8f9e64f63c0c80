// The software pixel routines on CBuffer buffers and views. Argument order
// of the blits: destination, source, destination x, y, width, height, source
// x, y, then the routine's own arguments.
//
// Every routine clips its rectangle to the destination on all four sides
// (a negative destination position moves the source start) and to the
// source, so a call with any numbers stays inside both buffers; calls that
// lie inside both give the same pixels as unclipped drawing would.
// Colours passed as one word are in COLORREF order (red in the low byte).
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/pixel_buffer.h"

struct BlendTables;

// Clips a rectangle of w x h at (dx, dy) in a dstW x dstH destination, read
// from (sx, sy) of a srcW x srcH source; false when nothing remains.
bool ClipBlit(int dstW, int dstH, int srcW, int srcH, int& dx, int& dy, int& w, int& h, int& sx, int& sy);

// COLORREF (0x00BBGGRR) -> pixel word 0x00RRGGBB (B, G, R, 0 in memory).
constexpr std::uint32_t ColorrefToPixel(std::uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// d = s, all bytes (rows copied whole); both buffers of one depth.
void CopyPixelRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy);
// d.c = d.c + ((s.c - d.c) * a >> 8); d.a = a
void AlphaBlitRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy);
// opacity >= 255: AlphaBlitRect; else v = opacity * a >> 8 blends, d.a = v
void AlphaBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int opacity);
// blend by the constant opacity (clamped to 0..255); source alpha ignored
void FadeBlitRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int opacity);
// d.c = min(255, d.c + s.c); d.a unchanged
void AddBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy);
// d.c = min(255, d.c + (s over background b)); d.a = a. The background
// rectangle starts at (bx, by) and moves with the source.
void BlendImageRows(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy,
                    const CBuffer& background, int bx, int by);
// target = s over background b (b + ((s - b) * a >> 8)), target alpha = a.
void AlphaBlendBlit(const CBuffer& src, CBuffer& target, int tx, int ty, int w, int h, int sx, int sy,
                    const CBuffer& background, int bx, int by);
// t.c = s.c + (f * (colour.c - s.c) >> 8); TintCopy32: d = t with d.a = s.a;
// TintBlend32: t blended over d by s.a, d.a = s.a.
void TintCopy32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g, int b,
                int f);
void TintBlend32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g, int b,
                 int f);
void TintBlt32Select(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g,
                     int b, int f, int blend);
// colourAndFactor: red, green, blue in the low three bytes, factor on top.
void TintBlt32(std::uint32_t colourAndFactor, int w, int h, CBuffer& dst, int x, int y, const CBuffer& src, int sx,
               int sy, int blend);
// silhouette: d.c = d.c + (a * (colour.c - d.c) >> 8) with a = s.a
void FillImageRect(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int r, int g,
                   int b);
void FillImageRectColour(std::uint32_t colorref, CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h,
                         int sx, int sy);
// d = the colour, alpha 0
void FillRect32(CBuffer& dst, int x, int y, int w, int h, std::uint32_t colorref);
// Screen fades: every byte of the source becomes v * (a + 1) >> 8 (M[a][v]).
void MultiplyBlt32(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy, int a);
// On two 1024 x 600 buffers (stride 4096): the inclusive rectangle cut to
// the screen; each channel min(255, max(0, c + offset)), alpha 0.
void ShiftRectColour(int left, int top, int right, int bottom, std::uint32_t* dst, const std::uint32_t* src,
                     int offR, int offG, int offB, bool simd = true);

// Scale tables: entry i = s0 + trunc(0.5 + m * i / n) (single precision),
// never past s0 + m - 1, times `scale` (1, 4 or a row stride).
std::vector<int> MakeScaleTable(int n, int m, int s0, int scale);
// Nearest-neighbour scaling of the source rectangle onto the destination
// one; B, G, R copied (alpha kept), or blended by the source alpha.
void StretchBlt32(int dy, CBuffer& dst, int dx, int w, int h, const CBuffer& src, int sx, int sy, int sw, int sh,
                  int alphaFlag);
// Truncated means of 2 x 2 and 4 x 4 blocks; alpha kept.
void ShrinkBlt2x(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy);
void ShrinkBlt4x(CBuffer& dst, const CBuffer& src, int dx, int dy, int w, int h, int sx, int sy);
void ScaleBlt32(CBuffer& dst, int dx, int dy, int w, int h, const CBuffer& src, int sx, int sy, int sw, int sh,
                int allowBoxShrink);
// Zoom about (512, 300); outRect (x, y, w, h) when the factor is below 1.
void ZoomCenter(const CBuffer& src, CBuffer& dst, float factor, int* outRect, int drawFlag);
// 8-bit nearest-neighbour scaling that turns a bottom-up source top-down.
void StretchCopy8(std::uint8_t* dst, int w, int h, const std::uint8_t* src, int sw, int sh, int srcStride);
// v = trunc(factor * source) in B, G, R; alpha 255 when v != 0.
void StretchGrey8To32(int dy, CBuffer& dst, int w, int h, const std::uint8_t* src, int sw, int sh, float factor);
void RotateBlt32(CBuffer& dst, int x, int y, const CBuffer& src, int w, int h, int cx, int cy, float angleDegrees,
                 int blend);

// Depth conversions into 32-bit rows; destination alpha kept. A negative
// row count reads the source bottom-up.
void Convert24To32(const CBuffer& src, int rows, int w, CBuffer& dst);
void ConvertPal8To32(const CBuffer& src, int rows, const std::uint8_t* palette, CBuffer& dst, int w);

// out = B where A == B, else T[a][A][B]. Each plane row is `width` bytes
// followed by its remainder.
void LutBlend8(const std::uint8_t* planeA, const std::uint8_t* planeB, std::uint8_t* out, int width, int rows,
               int remA, int remB, int remOut, const BlendTables& tables, int a, bool simd = true);

// Colour tones in place (alpha kept): 2 sepia, 3 yellow, 4 blue, 5 negative,
// 6 red, 7 green, 8 deep red, anything else grey.
void ApplyTone(std::uint32_t* pixels, std::size_t count, int tone, bool simd = true);
void ApplyTone(CBuffer& buffer, int tone);
inline void ToneSepia(CBuffer& b) { ApplyTone(b, 2); }
inline void ToneYellow(CBuffer& b) { ApplyTone(b, 3); }
inline void ToneBlue(CBuffer& b) { ApplyTone(b, 4); }
inline void ToneNegative(CBuffer& b) { ApplyTone(b, 5); }
inline void ToneRed(CBuffer& b) { ApplyTone(b, 6); }
inline void ToneGreen(CBuffer& b) { ApplyTone(b, 7); }
inline void ToneDeepRed(CBuffer& b) { ApplyTone(b, 8); }
inline void ToneGrey(CBuffer& b) { ApplyTone(b, 0); }

// Ascending in-place quicksort of values[first..last].
void SortValues(std::uint32_t* values, int first, int last);
int PartitionValues(std::uint32_t* values, int first, int last, std::uint32_t pivot);
