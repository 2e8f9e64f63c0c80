// Display modes and the two ways a picture reaches the window: 1:1 into the
// front buffer (window mode and full screen at 1024 wide), or a 1024 x 600
// picture scaled into a viewport of the client with black around it (full
// screen at the desktop resolution).
#pragma once
#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace pl {

struct DisplayModeInfo {
  int width = 0, height = 0, bits = 32, refresh = 0;
};

// The modes the display lists (largest first, as the system gives them).
std::vector<DisplayModeInfo> ListDisplayModes();
DisplayModeInfo GetDesktopDisplayMode();
DisplayModeInfo GetCurrentDisplayMode();

enum class FullscreenKind { Off, Desktop, Exclusive };
// Desktop: the window covers the screen at the desktop's resolution.
// Exclusive: the display is switched to width x height, which must be a
// listed mode exactly (no "closest" substitute); false when it is not, or the
// switch is refused. Off: back to a window and the desktop's mode.
bool SetFullscreen(Window* w, FullscreenKind kind, int width = 0, int height = 0);
FullscreenKind GetFullscreen(Window* w);

// The scaled view: while it is on, the window shows the 1024 x 600 picture
// stretched (linear filtering) into the viewport (client coordinates) instead
// of the front buffer.
void SetScaledView(Window* w, bool on, Rect viewport);
// Copies a rectangle of B, G, R, A pixels into the scaled view's 1024 x 600
// picture at (dx, dy); clipped to the picture. Safe from any thread.
void PresentScaledPixels(Window* w, const std::uint32_t* pixels, int pitchBytes, int sx, int sy, int width, int height,
                         int dx, int dy);

}  // namespace pl
