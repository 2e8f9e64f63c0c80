#include "platform/front_pixels.h"

#include <algorithm>
#include <cstring>

namespace pl {

namespace {

// Widens `r` by the row segment [left, right) of row y.
void AddRow(Rect& r, bool& any, int left, int right, int y) {
  if (!any) {
    r = Rect{left, y, right, y + 1};
    any = true;
    return;
  }
  r.left = std::min(r.left, left);
  r.right = std::max(r.right, right);
  r.bottom = y + 1;
}

}  // namespace

Rect CopyChangedPixels(std::uint32_t* dst, std::size_t dstPitch, int x, int y, int width, int height,
                       const std::uint8_t* src, std::ptrdiff_t srcPitchBytes) {
  Rect changed{};
  bool any = false;
  if (width <= 0 || height <= 0) return changed;
  const std::size_t bytes = sizeof(std::uint32_t) * static_cast<std::size_t>(width);
  for (int row = 0; row < height; ++row) {
    std::uint32_t* d = dst + static_cast<std::size_t>(y + row) * dstPitch + x;
    const auto* s = reinterpret_cast<const std::uint32_t*>(src + row * srcPitchBytes);
    if (std::memcmp(d, s, bytes) == 0) continue;
    int left = 0, right = width;
    while (d[left] == s[left]) ++left;
    while (d[right - 1] == s[right - 1]) --right;
    std::memcpy(d + left, s + left, sizeof(std::uint32_t) * static_cast<std::size_t>(right - left));
    AddRow(changed, any, x + left, x + right, y + row);
  }
  return changed;
}

Rect FillChangedPixels(std::uint32_t* dst, std::size_t dstPitch, int x, int y, int width, int height,
                       std::uint32_t value) {
  Rect changed{};
  bool any = false;
  for (int row = 0; row < height; ++row) {
    std::uint32_t* d = dst + static_cast<std::size_t>(y + row) * dstPitch + x;
    int left = 0, right = width;
    while (left < right && d[left] == value) ++left;
    if (left == right) continue;
    while (d[right - 1] == value) --right;
    std::fill(d + left, d + right, value);
    AddRow(changed, any, x + left, x + right, y + row);
  }
  return changed;
}

}  // namespace pl
