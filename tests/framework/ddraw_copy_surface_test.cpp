// The movie surface copied into a pixel buffer: every surface row lands on
// the buffer row below the one before, starting at the given point, and
// nothing else in the buffer changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/ddraw.h"
#include "platform/fake/fake_backend.h"

namespace {

constexpr std::uint32_t kUntouched = 0xEEEEEEEEu;

// A surface no flip or shift maps onto itself: 3 x 2, every pixel its own.
std::uint32_t SurfacePixel(int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>((y + 1) << 8 | (x + 1)); }

TEST(DDrawCopySurface, RowsLandTopDownAtThePointGiven) {
  pl::FakeBackend fake;
  CDDraw dd;
  ASSERT_EQ(dd.Init(nullptr), 1);
  ASSERT_EQ(dd.CreateMovieSurface(3, 2), 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) dd.Surface().pixels[static_cast<std::size_t>(y * 3 + x)] = SurfacePixel(x, y);

  struct Case {
    int bufferHeight, stride, x, y;
  };
  const Case cases[] = {
      {600, 1024, 7, 4},     // somewhere inside
      {600, 1024, 0, 0},     // the top-left corner
      {600, 1024, 1021, 598}, // the bottom-right corner, exactly fitting
      {700, 1024, 10, 20},   // a taller buffer changes nothing about the rows
      {600, 1100, 5, 3},     // a wider stride
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "buffer " << c.stride << " x " << c.bufferHeight << " at " << c.x << ", "
                                    << c.y);
    std::vector<std::uint32_t> buf(static_cast<std::size_t>(c.stride) * c.bufferHeight, kUntouched);
    dd.CopySurface(c.bufferHeight, nullptr, buf.data(), c.stride, c.x, c.y);
    int changed = 0;
    for (int y = 0; y < c.bufferHeight; ++y) {
      for (int x = 0; x < c.stride; ++x) {
        const std::uint32_t got = buf[static_cast<std::size_t>(y) * c.stride + x];
        const bool inside = x >= c.x && x < c.x + 3 && y >= c.y && y < c.y + 2;
        if (inside) {
          EXPECT_EQ(got, SurfacePixel(x - c.x, y - c.y)) << "at " << x << ", " << y;
        } else if (got != kUntouched) {
          ++changed;
        }
      }
    }
    EXPECT_EQ(changed, 0) << "pixels outside the frame's place were written";
  }
}

}  // namespace
