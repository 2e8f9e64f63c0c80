// Screen composition on the four layers: the sprites in number order, the
// message window with its frame, buttons and name window, rectangle copies
// between layers, gauge bars, and the `bmp` command's picture export.
// Layer selectors are those of DrawWindowButton (layer_draw.h).
#pragma once
#include <cstdint>

#include "graphics/virtual_screen.h"
#include "scene/object_tables.h"

class CArc;

// Inclusive rectangle (left, top, right, bottom).
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

void ComposeSprites(bool withSystemSprites);
// Every named script button that is not hidden, in its normal look with its
// caption (shadow first), onto a layer; true when one was drawn.
bool DrawScriptButtons(VirtualScreen* layer);
// The script buttons again over a scene redrawn without them: the normal
// look onto `scene` (layer 2), a hovered or pressed look onto `shown`
// (layer 0, after layer 2 was copied there); states are left as they are.
void RedrawScriptButtons(VirtualScreen* scene, VirtualScreen* shown);
void RedrawMessageWindow(int sourceLayer, CTextWindow& window, int destinationLayer);
void DrawWindowDecoration(CTextWindow& window, VirtualScreen* destination, const VirtualScreen* source);
void RedrawTextWindow(CTextWindow& window, int sourceLayer, bool present);
void CopyScreenRegion(const ScreenRect& rect, VirtualScreen* destination, const VirtualScreen* source);
void CopyFullScreenRect(const ScreenRect* rect, const VirtualScreen* source, VirtualScreen* destination,
                        const ScreenRect& fallback);
void BlendGaugeBar(const ScreenRect& rect, int red, int percent, VirtualScreen* destination,
                   const VirtualScreen* source, int green, int blue);
// A gauge's bar on `layer` (layer 2 of the scene): drawn over the scene
// that lies under the gauge, never over a bar drawn there before, so that
// drawing it again changes nothing and a lower value shortens it.
void PutGaugeOnLayer(const CGauge& gauge, VirtualScreen* layer);
// The scene under the gauge put back on `layer` when the bar is still there.
void TakeGaugeOffLayer(const CGauge& gauge, VirtualScreen* layer);
// Every shown gauge of direction 0 on `layer`, except one that is filling
// over a time (its stepper draws that one).
void DrawShownGauges(VirtualScreen* layer);
// 1 when the picture was found and handed to the export.
int LoadBmpImage(const char* name, CArc* archive);
