// The four 1024 x 600 composition surfaces and the operations on them:
// copies between surfaces, presenting a rectangle of the presented surface,
// clearing, paletted and 32-bit blits with clipping, and the blend of an
// anti-aliased character's coverage.
#pragma once
#include <cstdint>

#include "graphics/anti_font.h"
#include "graphics/pixel_buffer.h"

namespace pl {
class Window;
struct Rect;
}

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 600;

struct VirtualScreen {
  BitmapInfoHeader m_Header;
  CBuffer m_Surface;  // owns the pixels (stride 4096)
  std::uint32_t m_TextColor = 0;  // COLORREF
  std::uint8_t m_Palette[1024] = {};  // for paletted drawing without a palette of its own
  const std::uint8_t* m_pLastGlyph = nullptr;
  LogFontA m_LogFont;              // the text font (1x height)
  int m_nGlyphBufferSize = 0;      // a measure of one full-width glyph's coverage
  std::uint32_t* Pixels() const { return reinterpret_cast<std::uint32_t*>(m_Surface.m_pcPix); }
};

// A new surface (pixels zero), or null after the box "VirtualScreen生成エラー"
// captioned "vsライブラリエラー". `index` staggers the pixel block so that
// the same point of two surfaces falls into different cache sets.
VirtualScreen* CreateVirtualScreen(int index = 0);
void FreeVirtualScreen(VirtualScreen* screen);

// The engine's four surfaces (null until made) and the presented one.
VirtualScreen* GetVirtualScreen(int i);
void SetVirtualScreen(int i, VirtualScreen* screen);
VirtualScreen* GetPresentedScreen();
void SetPresentedScreen(VirtualScreen* screen);
// The shared views over screen 0 and screen 2.
CBuffer& GetScreen0View();
CBuffer& GetScreen2View();
void BindScreenBitmapInfos(VirtualScreen* screen0, VirtualScreen* screen2, pl::Window* window);
// Makes screens 3, 2, 1, 0 (in that order), binds the views and presents
// screen 0. False when a surface cannot be made: the caller ends start-up.
bool CreateVirtualScreens(pl::Window* window);
void FreeVirtualScreens();

// Copies the inclusive rectangle between surfaces (clipped on both sides);
// a null destination is the window.
void CopyScreenRect(int left, int top, int right, int bottom, int dstX, int dstY, const VirtualScreen* source,
                    VirtualScreen* destination);
// Copies the inclusive rectangle of the presented surface to the window
// (null: the main window) at (dstX, dstY) under the present lock.
void PresentScreenRect(int left, int top, int right, int bottom, int dstX, int dstY, pl::Window* target);
// How a finished rectangle (x, y, width, height of the presented surface)
// reaches the monitor for the display mode: mode 1 collects it in the
// accumulator, mode 2 moves it by the picture offset, modes 0 and 2 present
// it at once. The display layer may install a handler of its own.
using PresentRectHandler = void (*)(int x, int y, int width, int height, int dstX, int dstY, pl::Window* target);
void SetPresentRectHandler(PresentRectHandler handler);  // null: the one below
void PresentRect(int x, int y, int width, int height, int dstX, int dstY, pl::Window* target);

// Mode 1 with its presenter: the given rectangle (source and destination),
// or else the union the accumulator collected, of the pixels (by default the
// presented surface's) is shown scaled. Nothing in the other modes.
void PresentDirtyRegion(const pl::Rect* rect = nullptr, const std::uint32_t* pixels = nullptr);

// Fills the whole surface with the colour (COLORREF; alpha 0).
void ClearVirtualScreen(VirtualScreen* screen, std::uint32_t colorref);
// 8-bit indices (rows of `width` bytes) at (x, y); index 0 transparent,
// others the palette entry with a zero fourth byte. Null palette: the
// screen's own.
void BlitPalettedImage(const std::uint8_t* palette, const std::uint8_t* indices, int x, int y, int width, int height,
                       VirtualScreen* screen);
// 32-bit pixels (stride width x 4): additive, copied (opacity 255) or
// blended at the constant opacity.
void BlitImage(int width, VirtualScreen* screen, int x, int y, const std::uint32_t* pixels, int height, int additive,
               int opacity);
void SetScreenTextColor(VirtualScreen* screen, std::uint32_t colorref);
// The surface's text font: the face (cut on a character boundary to 31
// bytes) at `height`, weight 700, Shift-JIS; handed to the text renderer.
void SetScreenFont(const char* faceCp932, VirtualScreen* screen, int height);
// Draws the double-byte character at text[0..1] (lead byte high) at (x, y)
// in the surface's text colour, whole or not at all.
void DrawGlyphAntialiased(const char* text, VirtualScreen* screen, int x, int y);
// Blends a character's coverage rows (pitch bytes apart, the width rounded
// up to 8) in the screen's text colour at (x, y): d + ((colour - d) * c >> 8)
// for B, G, R. Drawn only when the whole cell is inside the screen.
void DrawGlyphCoverage(VirtualScreen* screen, const std::uint8_t* coverage, int width, int height, int x, int y);
