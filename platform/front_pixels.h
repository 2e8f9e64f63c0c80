// Writing into a retained picture (a window's front buffer, the scaled
// view's picture) so that only what really changes is marked for the next
// present: a rectangle presented again with the pixels it already shows
// leaves nothing to draw.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

namespace pl {

// Copies the rectangle (x, y, width, height) of `dst` (`dstPitch` pixels a
// row) from `src`, whose first row and pixel go to (x, y), and returns the
// smallest rectangle around the pixels that differed (empty when none did).
Rect CopyChangedPixels(std::uint32_t* dst, std::size_t dstPitch, int x, int y, int width, int height,
                       const std::uint8_t* src, std::ptrdiff_t srcPitchBytes);
// The same with every pixel of the rectangle set to `value`.
Rect FillChangedPixels(std::uint32_t* dst, std::size_t dstPitch, int x, int y, int width, int height,
                       std::uint32_t value);

}  // namespace pl
