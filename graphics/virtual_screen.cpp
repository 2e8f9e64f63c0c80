#include "graphics/virtual_screen.h"

#include <algorithm>
#include <new>

#include "framework/display_mode.h"
#include "framework/globals.h"
#include "graphics/blit.h"
#include "graphics/draw_rect.h"
#include "graphics/pixel_kernels.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {
VirtualScreen* g_pScreens[4] = {};
VirtualScreen* g_pPresented = nullptr;
CBuffer g_Screen0View, g_Screen2View;
PresentRectHandler g_pPresentHandler = nullptr;

// Offsets of the four surfaces' pixels inside their blocks: different
// multiples of 64 bytes, so that equal points of two surfaces (4096-byte
// rows) do not alias at 4 KiB when one is blended into another.
constexpr std::size_t kStagger[4] = {0, 1088, 2176, 3264};

CBuffer ScreenView(const VirtualScreen* s) {
  CBuffer v;
  SetupDibHeader(v, kScreenWidth, 32, kScreenHeight, s->m_Surface.m_pcPix, GetMmxFlag());
  return v;
}
}  // namespace

VirtualScreen* CreateVirtualScreen(int index) {
  auto* s = new (std::nothrow) VirtualScreen;
  if (s && s->m_Surface.Create(1, kScreenWidth, kScreenHeight, GetMmxFlag(), kStagger[index & 3]) != 0) {
    delete s;
    s = nullptr;
  }
  if (!s) {
    pl::MessageBox(pl::GetActiveWindow(), SJ("VirtualScreen生成エラー"), SJ("vsライブラリエラー"), pl::MB_OK);
    return nullptr;
  }
  s->m_Header = s->m_Surface.m_Header;
  return s;
}

void FreeVirtualScreen(VirtualScreen* screen) { delete screen; }

VirtualScreen* GetVirtualScreen(int i) { return (i >= 0 && i < 4) ? g_pScreens[i] : nullptr; }
void SetVirtualScreen(int i, VirtualScreen* screen) {
  if (i >= 0 && i < 4) g_pScreens[i] = screen;
}
VirtualScreen* GetPresentedScreen() { return g_pPresented; }
void SetPresentedScreen(VirtualScreen* screen) { g_pPresented = screen; }
CBuffer& GetScreen0View() { return g_Screen0View; }
CBuffer& GetScreen2View() { return g_Screen2View; }

void BindScreenBitmapInfos(VirtualScreen* screen0, VirtualScreen* screen2, pl::Window* window) {
  GetAntiFont().Init(window);
  if (screen0) SetupDibHeader(g_Screen0View, kScreenWidth, 32, kScreenHeight, screen0->m_Surface.m_pcPix, GetMmxFlag());
  if (screen2) SetupDibHeader(g_Screen2View, kScreenWidth, 32, kScreenHeight, screen2->m_Surface.m_pcPix, GetMmxFlag());
}

bool CreateVirtualScreens(pl::Window* window) {
  for (int i = 3; i >= 0; --i) {
    g_pScreens[i] = CreateVirtualScreen(i);
    if (!g_pScreens[i]) return false;
  }
  BindScreenBitmapInfos(g_pScreens[0], g_pScreens[2], window);
  g_pPresented = g_pScreens[0];
  return true;
}

void FreeVirtualScreens() {
  for (auto*& s : g_pScreens) {
    delete s;
    s = nullptr;
  }
  g_pPresented = nullptr;
  g_Screen0View.m_pcPix = nullptr;
  g_Screen2View.m_pcPix = nullptr;
}

void CopyScreenRect(int left, int top, int right, int bottom, int dstX, int dstY, const VirtualScreen* source,
                    VirtualScreen* destination) {
  if (!source) return;
  const long long w = static_cast<long long>(right) - left + 1, h = static_cast<long long>(bottom) - top + 1;
  if (w <= 0 || h <= 0) return;
  const int cw = static_cast<int>(std::min<long long>(w, kScreenWidth)), ch = static_cast<int>(std::min<long long>(h, kScreenHeight));
  if (!destination) {
    // To the window: the source surface's pixels, clipped like a present.
    int l = left, t = top, dx = dstX, dy = dstY, ww = cw, hh = ch;
    if (!ClipBlit(kScreenWidth, kScreenHeight, kScreenWidth, kScreenHeight, dx, dy, ww, hh, l, t)) return;
    pl::Window* win = GetMainWindowHandle();
    if (!win) return;
    ReleaseScopedLock lock(GetPresentLock());
    pl::PresentPixels(win, source->Pixels(), kScreenWidth * 4, l, t, ww, hh, dx, dy);
    return;
  }
  CBuffer dst = ScreenView(destination);
  const CBuffer src = ScreenView(source);
  CopyPixelRect(dst, src, dstX, dstY, cw, ch, left, top);
}

void PresentScreenRect(int left, int top, int right, int bottom, int dstX, int dstY, pl::Window* target) {
  if (!target) target = GetMainWindowHandle();
  if (!g_pPresented || !target) return;
  left = std::clamp(left, 0, kScreenWidth);
  right = std::clamp(right, 0, kScreenWidth);
  top = std::clamp(top, 0, kScreenHeight);
  bottom = std::clamp(bottom, 0, kScreenHeight);
  dstX = std::clamp(dstX, 0, kScreenWidth);
  dstY = std::clamp(dstY, 0, kScreenWidth);
  // The clamp lets right reach 1024, one past the last column: cut the
  // rectangle to the surface (the window clips the destination itself).
  const int w = std::min(right - left + 1, kScreenWidth - left);
  const int h = std::min(bottom - top + 1, kScreenHeight - top);
  if (w <= 0 || h <= 0) return;
  ReleaseScopedLock lock(GetPresentLock());
  pl::PresentPixels(target, g_pPresented->Pixels(), kScreenWidth * 4, left, top, w, h, dstX, dstY);
}

void SetPresentRectHandler(PresentRectHandler handler) { g_pPresentHandler = handler; }

void PresentRect(int x, int y, int width, int height, int dstX, int dstY, pl::Window* target) {
  if (g_pPresentHandler) {
    g_pPresentHandler(x, y, width, height, dstX, dstY, target);
    return;
  }
  const int mode = GetDisplayMode();
  if (mode == 1) {
    if (CDrawRect* acc = GetDrawRect()) acc->Add(dstX, dstY, x, y, width, height);
    return;
  }
  if (mode == 2) {
    const pl::Point offset = GetPictureOffset();
    dstX += offset.x;
    dstY += offset.y;
  }
  PresentScreenRect(x, y, x + width - 1, y + height - 1, dstX, dstY, target);
}

void PresentDirtyRegion(const pl::Rect* rect, const std::uint32_t* pixels) {
  // The main thread and the movie threads present through the same presenter.
  ReleaseScopedLock present(GetPresentLock());
  if (!ScaledViewReady()) return;
  if (!pixels) {
    VirtualScreen* screen = GetPresentedScreen();
    if (!screen) return;
    pixels = screen->Pixels();
  }
  pl::Rect r;
  if (rect) {
    r = *rect;
  } else {
    CDrawRect* acc = GetDrawRect();
    if (!acc) return;
    DrawRectBox src, dst;
    acc->Take(&src, &dst);
    r = pl::Rect{src.left, src.top, src.right, src.bottom};
  }
  PresentScaledRect(r, pixels);
}

void ClearVirtualScreen(VirtualScreen* screen, std::uint32_t colorref) {
  if (!screen || screen->m_Surface.Empty()) return;
  CBuffer v = ScreenView(screen);
  FillRect32(v, 0, 0, kScreenWidth, kScreenHeight, colorref);
}

namespace {
// The part of a w x h source at (x, y) that lies on the screen.
bool ClipToScreen(int& x, int& y, int& w, int& h, int& sx, int& sy) {
  sx = sy = 0;
  return ClipBlit(kScreenWidth, kScreenHeight, w, h, x, y, w, h, sx, sy);
}
}  // namespace

void BlitPalettedImage(const std::uint8_t* palette, const std::uint8_t* indices, int x, int y, int width, int height,
                       VirtualScreen* screen) {
  if (!screen || !indices || width <= 0 || height <= 0) return;
  if (!palette) palette = screen->m_Palette;
  const int srcW = width;
  int sx, sy;
  if (!ClipToScreen(x, y, width, height, sx, sy)) return;
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* s = indices + static_cast<std::size_t>(sy + r) * srcW + sx;
    std::uint32_t* d = screen->Pixels() + static_cast<std::size_t>(y + r) * kScreenWidth + x;
    for (int i = 0; i < width; ++i) {
      if (!s[i]) continue;
      const std::uint8_t* e = palette + 4 * s[i];
      d[i] = e[0] | (static_cast<std::uint32_t>(e[1]) << 8) | (static_cast<std::uint32_t>(e[2]) << 16);
    }
  }
}

void BlitImage(int width, VirtualScreen* screen, int x, int y, const std::uint32_t* pixels, int height, int additive,
               int opacity) {
  if (!screen || !pixels || width <= 0 || height <= 0) return;
  CBuffer src;
  SetupDibHeader(src, width, 32, height, const_cast<std::uint32_t*>(pixels));
  CBuffer dst = ScreenView(screen);
  if (additive)
    AddBlt32(dst, src, x, y, width, height, 0, 0);
  else if (opacity >= 255)
    CopyPixelRect(dst, src, x, y, width, height, 0, 0);
  else
    FadeBlitRect(dst, src, x, y, width, height, 0, 0, opacity);
}

void SetScreenTextColor(VirtualScreen* screen, std::uint32_t colorref) {
  if (screen) screen->m_TextColor = colorref;
}

void DrawGlyphCoverage(VirtualScreen* screen, const std::uint8_t* coverage, int width, int height, int x, int y) {
  if (!screen || !coverage || width <= 0 || height <= 0) return;
  const int pitch = (width + 7) & ~7;
  // Whole characters only; a negative position is outside too (it would
  // write before the surface).
  if (x < 0 || y < 0 || x + pitch >= kScreenWidth || y + height >= kScreenHeight) return;
  const auto& k = pixk::Kernels(screen->m_Surface.SimdAllowed());
  const std::uint32_t colour = ColorrefToPixel(screen->m_TextColor);
  // Only the character's own rows: the coverage may hold more (rounded).
  for (int r = 0; r < height; ++r)
    k.glyph(screen->Pixels() + static_cast<std::size_t>(y + r) * kScreenWidth + x, coverage + static_cast<std::size_t>(r) * pitch,
            pitch, colour);
  screen->m_pLastGlyph = coverage;
}

void SetScreenFont(const char* faceCp932, VirtualScreen* screen, int height) {
  if (!screen) return;
  screen->m_LogFont = MakeLogFont(faceCp932 ? faceCp932 : "", height, 700);
  CAntiFont& font = GetAntiFont();
  font.SetFont(screen->m_LogFont);
  // Only its being positive matters to the callers.
  GlyphCoverage cov;
  screen->m_nGlyphBufferSize = static_cast<int>(font.GetGlyph(0x81A1, &cov) * 10);
}

void DrawGlyphAntialiased(const char* text, VirtualScreen* screen, int x, int y) {
  if (!screen || !text || !text[0]) return;
  const std::uint16_t code = static_cast<std::uint16_t>((static_cast<std::uint8_t>(text[0]) << 8) |
                                                        static_cast<std::uint8_t>(text[1]));
  GlyphCoverage cov;
  if (!GetAntiFont().GetGlyph(code, &cov) || !cov.bits) return;
  // The cell's own rows: the coverage holds its height rounded up to 8.
  DrawGlyphCoverage(screen, cov.bits, cov.stride, std::min(cov.height, cov.rows), x, y);
}
