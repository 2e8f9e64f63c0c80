// The per-frame screen transitions and raster effects. Each routine draws
// one frame of its effect from the old and/or the new picture into the
// destination for a progress value; none keeps time (the caller does), and
// only the ripple, the wave bands and the wave rows keep a little state
// between frames.
//
// Progress values are clamped to 0..1. The pictures may be any size: a
// routine works on the area the buffers it is given have in common, and
// centres its geometry on the middle of that area ((512, 300) on the
// screen). Unless a routine says otherwise it writes B, G, R and a zero
// fourth byte into each destination pixel it touches. A destination may
// not be one of the routine's sources unless the routine says so.
#pragma once
#include <cstdint>

#include "graphics/pixel_buffer.h"

struct CLayerImage;

namespace transition {

// 65 entries: round(32 + 32 sin(2 pi i / 64)).
extern const std::uint8_t kSine[65];

// The size the given pictures have in common (a null one does not count);
// 0 x 0 when any given one is empty.
void CommonSize(int* width, int* height, const CBuffer* a, const CBuffer* b = nullptr, const CBuffer* c = nullptr);
// Progress held in 0..1 (a NaN is 0).
inline float ClampProgress(float p) {
  if (!(p > 0.0f)) return 0.0f;
  return p > 1.0f ? 1.0f : p;
}
// n pixels' colours with a zero fourth byte.
inline void CopyRgb(std::uint32_t* d, const std::uint32_t* s, int n) {
  for (int i = 0; i < n; ++i) d[i] = s[i] & 0x00FFFFFFu;
}

// The old picture, then the new one over it at the constant opacity p x 256.
// The destination may be the old picture.
void DissolveStep(const CBuffer& oldPicture, const CBuffer& newPicture, CBuffer& destination, float p);

// Each pixel moves from old to new as the threshold p x 512 passes its rule
// byte (low bytes first): w = (m + 256 - t) >> 1 in 0..128, c = new +
// (w (old - new) >> 7). The rule is a 1024 x 600-style plane of one byte a
// pixel (a kind-8 record as the rule loader makes it); without a plane of
// the right size every pixel counts as rule byte 0. The fourth byte of the
// destination is left alone.
void RuleWipe(const CBuffer& newPicture, const CBuffer& oldPicture, CBuffer& destination, const CLayerImage& rule,
              float p);
// The same on a bare plane of `ruleWidth` bytes a row (null: all 0).
void RuleWipePlane(const CBuffer& newPicture, const CBuffer& oldPicture, CBuffer& destination,
                   const std::uint8_t* rule, int ruleWidth, int ruleHeight, float p);

// The source zoomed about the centre and turned by `angleDegrees`; points
// that turn outside the source are black. Zoom 0 (or below) draws nothing.
// Only B, G, R are written.
void ZoomRotateCenter(CBuffer& destination, const CBuffer& source, float zoom, float angleDegrees);
// The filling part: the destination rectangle (dx, dy, dw, dh) from the
// source rectangle (sx, sy, sw, sh) by nearest-neighbour tables, each
// point turned about the centre.
void ZoomRotateBlt(CBuffer& destination, int dx, int dy, int dw, int dh, const CBuffer& source, int sx, int sy,
                   int sw, int sh, float angleDegrees);

// A midpoint-rasterised disc of `radius` about the centre: on every row it
// crosses, the span inside from `inside` and the rest of the row from
// `outside` (a null picture is skipped). Other rows are left alone; a
// negative radius draws nothing.
void WipeSquare(int radius, CBuffer& destination, const CBuffer* inside, const CBuffer* outside);

// 32 x 32 discs of the old picture flying from their places to scattered
// end points while they shrink from radius 9 to nothing.
void ScatterTiles(CBuffer& destination, const CBuffer& oldPicture, float p);
// Start and end point of scatter disc i (0..1023), for tests.
void ScatterPoint(int i, int* startX, int* startY, int* endX, int* endY);
// The disc of `radius` about (sx, sy) of the source to the disc about
// (x, y) of the destination, clipped to both.
void DrawScatterTile(CBuffer& destination, const CBuffer& source, int x, int y, int sx, int sy, int radius);

// Four blades turning clockwise by p x 90 degrees, one in each quarter.
void TransDoor(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p);
// One hand from the upward ray turning clockwise by p x 360 degrees; the
// quarters it has not reached are left alone.
void TransSpin(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p);

// Bands of the coming picture blended at 128 over the going one, growing
// from the top and bottom (TB) or the left and right edges (LR).
void EdgeFadeTB(CBuffer& destination, const CBuffer& oldPicture, const CBuffer& newPicture, float p);
void EdgeFadeLR(CBuffer& destination, const CBuffer& oldPicture, const CBuffer& newPicture, float p);

// 4 x 4-pixel tiles turning from old to new in sixteen patterned steps.
// Only B, G, R are written.
void TileWipe4x4(CBuffer& destination, const CBuffer& newPicture, const CBuffer& oldPicture, float p);
// Whether tile byte k (0..15) shows the old picture at step s (0..15).
bool TileShowsOld(int step, int k);

// Blocks of p x 32 + 8 pixels filled with their mean colour.
void Mosaic(CBuffer& destination, const CBuffer& source, float p);
// Every pixel the mean of its row from x - r to x + r, r = p x 320.
void BlurH(CBuffer& destination, const CBuffer& source, float p);
// Rows shifted by p x 1024 x sin(angle + 0.05 y); the angle moves on by
// 0.1 a call.
void WaveRows(CBuffer& destination, const CBuffer& source, float p);
// The picture squeezed towards its middle row (V) or column (H) between
// black bands.
void SqueezeV(CBuffer& destination, const CBuffer& source, float p);
void SqueezeH(const CBuffer& source, CBuffer& destination, float p);
// Rows cut into spans of random length up to p x 256 + 16, each one colour:
// its middle pixel (Random) or its mean (Average). The spans come from the
// process's C-runtime generator.
void StreakRandom(const CBuffer& source, CBuffer& destination, float p);
void StreakAverage(CBuffer& destination, const CBuffer& source, float p);

// The raster effects of `raster`, written from `view` into `destination`
// (the screen-2 view in the engine). Phase 0 starts, 1 continues, 2
// finishes; `tick` 1 moves the effect on. RippleRows returns 1 once a
// finishing ripple has calmed down, WaveBands on every finishing call.
int RippleRows(CBuffer& destination, const CBuffer& view, int phase, int tick);
int WaveBands(CBuffer& destination, const CBuffer& view, int phase, int tick);
int RippleRows(const CBuffer& view, int phase, int tick);  // into the screen-2 view
int WaveBands(const CBuffer& view, int phase, int tick);

// The state the ripple, the bands and the wave rows keep between frames.
struct RasterState {
  int amplitude = 0;   // -2..64, shared by the ripple and the bands
  int phaseIndex = 0;  // 0..63
  int bandCounter = 0; // 0..32
  float waveAngle = 0.0f;
};
RasterState& GetRasterState();
void ResetRasterState();

}  // namespace transition
