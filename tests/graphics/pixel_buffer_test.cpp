#include "graphics/pixel_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(CBuffer, CreateFullScreen) {
  int flag = 1;
  CBuffer b;
  ASSERT_EQ(b.Create(1, 1024, 600, &flag), CBuffer::kCreateOk);
  EXPECT_EQ(b.m_nStride, 4096);
  EXPECT_EQ(b.m_Header.biHeight, -600);
  EXPECT_EQ(b.m_Header.biWidth, 1024);
  EXPECT_EQ(b.m_Header.biSizeImage, 2457600u);
  EXPECT_EQ(b.m_Header.biSize, 40u);
  EXPECT_EQ(b.m_Header.biBitCount, 32);
  EXPECT_EQ(b.m_nBpp, 4);
  EXPECT_EQ(b.m_pMmx, &flag);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.m_pcPix) % 64, 0u);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 4096; ++x) ASSERT_EQ(b.Row(y)[x], 0);
}

TEST(CBuffer, StrideRoundsRowsToFourBytes) {
  struct Case {
    int width, bpp, stride;
  } cases[] = {{3, 8, 4}, {3, 32, 12}, {3, 24, 12}, {1, 24, 4}, {5, 24, 16}, {4, 8, 4}, {1024, 32, 4096}};
  for (const auto& c : cases) {
    CBuffer b;
    b.SetHeader(c.width, c.bpp, 7);
    EXPECT_EQ(b.m_nStride, c.stride) << c.width << "x" << c.bpp;
    EXPECT_EQ(b.m_nBpp, c.bpp / 8);
    EXPECT_EQ(b.m_pcPix, nullptr);
  }
}

TEST(CBuffer, RefusesImpossibleSizes) {
  const int bad[][2] = {{0, 10}, {-1, 10}, {10, 0}, {10, -5}, {32768, 1}, {1, 32768}, {0x7FFFFFFF, 0x7FFFFFFF}};
  for (const auto& s : bad) {
    CBuffer b;
    EXPECT_EQ(b.Create(1, s[0], s[1], nullptr), CBuffer::kCreateNoMemory) << s[0] << "x" << s[1];
    EXPECT_TRUE(b.Empty());
  }
  CBuffer ok;
  EXPECT_EQ(ok.Create(1, 32767, 1, nullptr), CBuffer::kCreateOk);
}

TEST(CBuffer, DestroyIsSafeAndRecreateReplacesPixels) {
  CBuffer b;
  b.Destroy();
  b.Destroy();
  EXPECT_TRUE(b.Empty());
  ASSERT_EQ(b.Create(1, 8, 8, nullptr), 0);
  b.Row32(0)[0] = 0x12345678;
  // A second Create on a live buffer gives fresh zeroed pixels (no leak:
  // the sanitizer build checks that).
  ASSERT_EQ(b.Create(0, 16, 4, nullptr), 0);
  EXPECT_EQ(b.Width(), 16);
  EXPECT_EQ(b.Row32(0)[0], 0u);
  b.Destroy();
  b.Destroy();
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.m_Header.biWidth, 0);
}

TEST(CBuffer, StaggeredPixelsKeepTheirOffset) {
  CBuffer a, b;
  ASSERT_EQ(a.Create(1, 1024, 600, nullptr, 0), 0);
  ASSERT_EQ(b.Create(1, 1024, 600, nullptr, 1088), 0);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a.m_pcPix) % 4096, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.m_pcPix) % 4096, 1088u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.m_pcPix) % 64, 0u);
}

TEST(CBuffer, ViewOwnsNothing) {
  std::uint32_t pixels[6] = {1, 2, 3, 4, 5, 6};
  {
    CBuffer v;
    EXPECT_EQ(SetupDibHeader(v, 3, 32, 2, pixels), 12);
    EXPECT_FALSE(v.Owns());
    EXPECT_EQ(v.Height(), 2);
    EXPECT_EQ(v.Row32(1)[2], 6u);
  }
  EXPECT_EQ(pixels[5], 6u);
}

}  // namespace
