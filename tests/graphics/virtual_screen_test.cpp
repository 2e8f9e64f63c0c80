// The dirty-rectangle accumulator and the virtual screens: unions, the
// present path into the window's front buffer, clipping of the surface
// blits and the character blend.
#include "graphics/virtual_screen.h"

#include <gtest/gtest.h>

#include "framework/display_mode.h"
#include "framework/globals.h"
#include "graphics/draw_rect.h"
#include "platform/backend.h"
#include "platform/fake/fake_backend.h"
#include "platform/text.h"

namespace {

TEST(CDrawRect, UnionsAndEmptyRectangles) {
  CDrawRect r;
  r.Add(0, 0, 0, 0, 10, 10);
  r.Add(100, 50, 100, 50, 5, 5);
  DrawRectBox src, dst;
  r.Take(&src, &dst);
  EXPECT_EQ(src, (DrawRectBox{0, 0, 105, 55}));
  EXPECT_EQ(dst, (DrawRectBox{0, 0, 105, 55}));
  EXPECT_EQ(r.m_bValid, 0);
  // Taking from an empty accumulator gives empty rectangles.
  r.Take(&src, &dst);
  EXPECT_TRUE(src.IsEmpty());
  EXPECT_EQ(dst, DrawRectBox{});
  // A first empty Add is stored and sets the flag; a later non-empty one
  // replaces it.
  r.Add(5, 5, 5, 5, 0, 0);
  EXPECT_EQ(r.m_bValid, 1);
  EXPECT_EQ(r.m_Dst, (DrawRectBox{5, 5, 5, 5}));
  r.Add(20, 30, 1, 2, 3, 4);
  EXPECT_EQ(r.m_Dst, (DrawRectBox{20, 30, 23, 34}));
  EXPECT_EQ(r.m_Src, (DrawRectBox{1, 2, 4, 6}));
  EXPECT_EQ(UnionRect(DrawRectBox{3, 3, 1, 1}, DrawRectBox{}), DrawRectBox{});
}

struct ScreenFixture : ::testing::Test {
  pl::FakeBackend fake;
  pl::Window* w = nullptr;
  void SetUp() override {
    pl::WindowDesc d;
    d.className = "KIV";
    w = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(w, nullptr);
    SetMainWindowHandle(w);
    ASSERT_TRUE(CreateVirtualScreens(w));
    SetDisplayModeWord(0);
  }
  void TearDown() override {
    FreeVirtualScreens();
    SetMainWindowHandle(nullptr);
    SetDrawRect(nullptr);
    pl::FreeWindow(w);
  }
  std::uint32_t Front(int x, int y) { return w->front[static_cast<std::size_t>(y) * w->clientWidth + x]; }
};

TEST_F(ScreenFixture, FourStaggeredSurfacesScreen0Presented) {
  for (int i = 0; i < 4; ++i) ASSERT_NE(GetVirtualScreen(i), nullptr);
  EXPECT_EQ(GetPresentedScreen(), GetVirtualScreen(0));
  EXPECT_EQ(GetScreen0View().m_pcPix, GetVirtualScreen(0)->m_Surface.m_pcPix);
  EXPECT_EQ(GetScreen2View().m_pcPix, GetVirtualScreen(2)->m_Surface.m_pcPix);
  EXPECT_EQ(GetScreen0View().m_nStride, 4096);
  EXPECT_EQ(GetVirtualScreen(0)->m_Header.biHeight, -600);
  // No two surfaces share their offset within a page.
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      EXPECT_NE(reinterpret_cast<std::uintptr_t>(GetVirtualScreen(i)->Pixels()) % 4096,
                reinterpret_cast<std::uintptr_t>(GetVirtualScreen(j)->Pixels()) % 4096);
}

TEST_F(ScreenFixture, PresentCopiesTheRectangleIntoTheFrontBuffer) {
  ClearVirtualScreen(GetVirtualScreen(0), 0x000000FF);  // red
  ASSERT_EQ(GetVirtualScreen(0)->Pixels()[0], 0x00FF0000u);
  ASSERT_GE(w->front.size(), 1024u * 600u);
  std::fill(w->front.begin(), w->front.end(), 0x12345678u);
  PresentRect(10, 20, 5, 4, 10, 20, nullptr);
  EXPECT_EQ(Front(10, 20) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Front(14, 23) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Front(15, 23), 0x12345678u);
  EXPECT_EQ(Front(14, 24), 0x12345678u);
  // The inclusive clamp to 1024 must not present a 1025th column.
  PresentScreenRect(1000, 0, 5000, 599, 1000, 0, nullptr);
  EXPECT_EQ(Front(1023, 599) & 0xFFFFFF, 0xFF0000u);
  // Held lock: the present lock is free again afterwards.
  EXPECT_EQ(GetPresentLock().OwnerId(), -1);
}

TEST_F(ScreenFixture, ModeOneCollectsInsteadOfPresenting) {
  CDrawRect acc;
  SetDrawRect(&acc);
  SetDisplayModeWord(1);
  std::fill(w->front.begin(), w->front.end(), 0u);
  ClearVirtualScreen(GetVirtualScreen(0), 0x00FFFFFF);
  {
    CUBitBlt scope;
    scope.Add(0, 0, 0, 0, 8, 8);
  }  // presents through PresentRect: in mode 1 into the accumulator
  EXPECT_EQ(Front(0, 0), 0u);
  EXPECT_EQ(acc.m_Dst, (DrawRectBox{0, 0, 8, 8}));
  SetDisplayModeWord(0);
  {
    CUBitBlt nothing;  // nothing added: nothing presented
  }
  EXPECT_EQ(Front(0, 0), 0u);
  {
    CUBitBlt scope;
    scope.Add(0, 0, 0, 0, 8, 8);
  }
  EXPECT_EQ(Front(7, 7) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ScreenFixture, PalettedAndImageBlitsClip) {
  VirtualScreen* s = GetVirtualScreen(1);
  std::uint8_t palette[1024] = {};
  palette[4 * 7 + 2] = 200;  // entry 7 red 200
  std::uint8_t idx[20 * 2] = {};
  for (int i = 0; i < 40; ++i) idx[i] = (i % 20) >= 10 ? 7 : 0;
  ClearVirtualScreen(s, 0x00010101);
  BlitPalettedImage(palette, idx, -10, 599, 20, 2, s);  // columns 10.. at x 0, one row
  EXPECT_EQ(s->Pixels()[599 * 1024 + 0], 0x00C80000u);
  EXPECT_EQ(s->Pixels()[599 * 1024 + 9], 0x00C80000u);
  EXPECT_EQ(s->Pixels()[599 * 1024 + 10], 0x00010101u);  // index 0 leaves the screen
  std::vector<std::uint32_t> px(30 * 30, 0x80FF00FFu);
  BlitImage(30, s, 1010, -5, px.data(), 30, 0, 255);  // opaque copy keeps the alpha bytes
  EXPECT_EQ(s->Pixels()[1023], 0x80FF00FFu);
  EXPECT_EQ(s->Pixels()[24 * 1024 + 1010], 0x80FF00FFu);
  EXPECT_EQ(s->Pixels()[25 * 1024 + 1010], 0x00010101u);
  ClearVirtualScreen(s, 0);
  BlitImage(30, s, 0, 0, px.data(), 30, 0, 128);
  EXPECT_EQ(s->Pixels()[0] & 0xFFFFFF, 0x7F007Fu);  // 255 * 128 >> 8
}

TEST_F(ScreenFixture, CopyScreenRectClipsBothSides) {
  VirtualScreen *a = GetVirtualScreen(1), *b = GetVirtualScreen(2);
  ClearVirtualScreen(a, 0x00AABBCC);
  ClearVirtualScreen(b, 0);
  // A source left of the surface moves the destination right by as much.
  CopyScreenRect(-20, 0, 2000, 10, 1000, 595, a, b);
  EXPECT_EQ(b->Pixels()[595 * 1024 + 1020], 0x00CCBBAAu);
  EXPECT_EQ(b->Pixels()[599 * 1024 + 1023], 0x00CCBBAAu);
  EXPECT_EQ(b->Pixels()[595 * 1024 + 1019], 0u);
  EXPECT_EQ(b->Pixels()[594 * 1024 + 1023], 0u);
}

TEST_F(ScreenFixture, GlyphCellsAreWholeOrNothing) {
  VirtualScreen* s = GetVirtualScreen(0);
  ClearVirtualScreen(s, 0);
  SetScreenTextColor(s, 0x00FFFFFF);
  std::vector<std::uint8_t> cov(16 * 8, 0);
  cov[0] = 255;
  cov[16 * 7 + 9] = 128;
  DrawGlyphCoverage(s, cov.data(), 10, 8, 100, 200);  // width 10 -> rows of 16
  EXPECT_EQ(s->Pixels()[200 * 1024 + 100], 0x00FEFEFEu);
  EXPECT_EQ(s->Pixels()[207 * 1024 + 109], 0x007F7F7Fu);
  EXPECT_EQ(s->m_pLastGlyph, cov.data());
  // A cell that would reach x 1024 or y 600, or starts left of 0: nothing.
  const int spots[][2] = {{1024 - 16, 0}, {0, 600 - 8}, {-1, 0}, {0, -3}};
  for (const auto& p : spots) {
    ClearVirtualScreen(s, 0);
    DrawGlyphCoverage(s, cov.data(), 10, 8, p[0], p[1]);
    for (int i = 0; i < 1024 * 600; ++i) ASSERT_EQ(s->Pixels()[i], 0u) << p[0] << "," << p[1];
  }
}

}  // namespace

namespace {

TEST_F(ScreenFixture, CharactersThroughTheTextRenderer) {
  VirtualScreen* s = GetVirtualScreen(0);
  SetScreenFont(SJ("ＭＳ ゴシック"), s, 24);
  EXPECT_EQ(s->m_LogFont.lfHeight, 24);
  EXPECT_EQ(s->m_LogFont.lfWeight, 700);
  EXPECT_EQ(s->m_LogFont.lfCharSet, 128);
  if (s->m_nGlyphBufferSize <= 0) GTEST_SKIP() << "no Japanese font installed";
  SetScreenTextColor(s, 0x00FFFFFF);
  ClearVirtualScreen(s, 0);
  const char* square = SJ("■");
  DrawGlyphAntialiased(square, s, 100, 100);
  int lit = 0, outside = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 1024; ++x)
      if (s->Pixels()[y * 1024 + x]) {
        const bool in = x >= 100 && x < 100 + 32 && y >= 100 && y < 100 + 24;
        (in ? lit : outside)++;
      }
  EXPECT_GT(lit, 100);
  EXPECT_EQ(outside, 0);
  // A cell reaching the right edge is not drawn at all.
  ClearVirtualScreen(s, 0);
  DrawGlyphAntialiased(square, s, 1024 - 20, 100);
  for (int i = 0; i < 1024 * 600; ++i) ASSERT_EQ(s->Pixels()[i], 0u);
}

}  // namespace
