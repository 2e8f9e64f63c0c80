// What the scene tests draw with and look at: the program's window over the
// four layers, a font whose characters are solid boxes, solid pictures put
// straight into records, and readers of the layers' and the window's pixels.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "graphics/anti_font.h"
#include "graphics/layer_image.h"
#include "graphics/virtual_screen.h"
#include "platform/window.h"

namespace kvtest {

// Every character is a solid box over its whole 16 x 16 cell: a lit cell
// centre tells that a character stands there, its colour which colour.
class BoxFace final : public IGlyphFace {
 public:
  int Ascent4x() override { return 48; }
  pl::GlyphBitmap Render4x(std::uint16_t) override {
    pl::GlyphBitmap g;
    g.width = g.height = 64;
    g.top = 48;
    g.coverage.assign(64 * 64, 255);
    return g;
  }
  int WidthBC(std::uint16_t) override { return 16; }
};

// `font` drawing boxes at size 16, made the text's font.
inline void UseBoxFont(CAntiFont& font) {
  font.Init(nullptr);
  font.SetGlyphFaceFactory([](const std::string&, int, bool) { return std::make_unique<BoxFace>(); });
  LogFontA lf = MakeLogFont("Box", 16);
  font.SetFont(lf);
  SetAntiFont(&font);
}

// A layer's pixel as stored, and its colour alone (0x00RRGGBB).
inline std::uint32_t LayerPixel(int layer, int x, int y) {
  return GetVirtualScreen(layer)->Pixels()[static_cast<std::size_t>(y) * kScreenWidth + x];
}
inline std::uint32_t LayerColour(int layer, int x, int y) { return LayerPixel(layer, x, y) & 0xFFFFFFu; }

// A picture of `colours.size()` states, each w x h of one colour, put
// straight into a record: kind 24 (copied exactly at full opacity) stacks
// the states, kind 3 makes them the frames of an animation.
inline void SolidPicture(CLayerImage& r, const char* name, int w, int h, const std::vector<std::uint32_t>& colours,
                         int kind = 24, int cls = 0) {
  r.m_nKind = static_cast<std::int8_t>(kind);
  r.m_nWidth = static_cast<std::int16_t>(w);
  r.m_nHeight = static_cast<std::int16_t>(kind == 3 ? h : h * static_cast<int>(colours.size()));
  r.m_nRowsLessOne = kind == 3 ? 0 : static_cast<std::uint8_t>(colours.size() - 1);
  r.m_nFrameCount = kind == 3 ? static_cast<std::uint16_t>(colours.size()) : 0;
  r.m_nClass = static_cast<std::uint8_t>(cls);
  r.m_Pixels.clear();
  for (std::uint32_t c : colours) r.m_Pixels.insert(r.m_Pixels.end(), static_cast<std::size_t>(w) * h, c);
  std::snprintf(r.m_szName, sizeof r.m_szName, "%s", name);
}

// The program's window (class "KIV") with the four layers made over it, for
// the tests that look at what reaches the screen.
struct MainWindowScreens {
  pl::Window* win = nullptr;

  void OpenScreens() {
    pl::WindowDesc d;
    d.className = "KIV";
    win = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(win, nullptr);
    SetMainWindowHandle(win);
    ASSERT_TRUE(CreateVirtualScreens(win));
  }
  void CloseScreens() {
    FreeVirtualScreens();
    SetMainWindowHandle(nullptr);
    pl::FreeWindow(win);
    win = nullptr;
  }
  static std::uint32_t Px(int layer, int x, int y) { return LayerColour(layer, x, y); }
  // The colour of a pixel of the window's front buffer.
  std::uint32_t Front(int x, int y) const {
    return win->front[static_cast<std::size_t>(y) * win->clientWidth + x] & 0xFFFFFFu;
  }
};

}  // namespace kvtest
