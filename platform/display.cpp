#include "platform/display.h"

#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/front_pixels.h"

namespace pl {

std::vector<DisplayModeInfo> ListDisplayModes() {
  Backend* b = CurrentBackend();
  return b ? b->DisplayModes() : std::vector<DisplayModeInfo>{};
}

DisplayModeInfo GetDesktopDisplayMode() {
  Backend* b = CurrentBackend();
  return b ? b->DesktopMode() : DisplayModeInfo{1024, 600, 32, 60};
}

DisplayModeInfo GetCurrentDisplayMode() {
  Backend* b = CurrentBackend();
  return b ? b->CurrentMode() : DisplayModeInfo{1024, 600, 32, 60};
}

bool SetFullscreen(Window* w, FullscreenKind kind, int width, int height) {
  Backend* b = CurrentBackend();
  if (!w || !b) return false;
  if (!b->SetFullscreen(*w, kind, width, height)) return false;
  w->fullscreen = kind;
  return true;
}

FullscreenKind GetFullscreen(Window* w) { return w ? w->fullscreen : FullscreenKind::Off; }

void SetScaledView(Window* w, bool on, Rect viewport) {
  if (!w) return;
  std::lock_guard<std::mutex> g(w->pixelsMu);
  w->scaled = on;
  w->viewport = viewport;
  if (on && w->picture.empty()) w->picture.assign(1024 * 600, 0xFF000000u);
  w->pictureDirty = Rect{0, 0, 1024, 600};
  if (Backend* b = CurrentBackend()) b->ScaledViewChanged(*w);
}

void PresentScaledPixels(Window* w, const std::uint32_t* pixels, int pitchBytes, int sx, int sy, int width, int height,
                         int dx, int dy) {
  if (!w || !pixels || width <= 0 || height <= 0) return;
  int x0 = std::clamp(dx, 0, 1024), x1 = std::clamp(dx + width, 0, 1024);
  int y0 = std::clamp(dy, 0, 600), y1 = std::clamp(dy + height, 0, 600);
  if (x0 >= x1 || y0 >= y1) return;
  std::lock_guard<std::mutex> g(w->pixelsMu);
  if (!w->scaled || w->picture.empty()) return;
  const auto* src = reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(sy + (y0 - dy)) * pitchBytes +
                    sizeof(std::uint32_t) * static_cast<std::size_t>(sx + (x0 - dx));
  const Rect changed = CopyChangedPixels(w->picture.data(), 1024, x0, y0, x1 - x0, y1 - y0, src, pitchBytes);
  w->pictureDirty = UnionRect(w->pictureDirty, changed);
}

}  // namespace pl
