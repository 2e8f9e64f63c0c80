#include "tools/demo_art/font_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

namespace {

struct Face {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  Face() {
    if (FT_Init_FreeType(&lib) != 0) {
      lib = nullptr;
      return;
    }
    // The proportional gothic first; any of the others reads as well.
    static const char* const kPaths[] = {
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
        "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
        "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf",
    };
    for (const char* p : kPaths)
      if (FT_New_Face(lib, p, 0, &face) == 0) return;
    face = nullptr;
  }
  ~Face() {
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
  }
};

Face& TheFace() {
  static Face f;
  return f;
}

std::vector<std::uint32_t> CodePoints(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + static_cast<std::size_t>(n) > s.size()) break;
    std::uint32_t cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(n);
  }
  return out;
}

}  // namespace

bool HaveFont() { return TheFace().face != nullptr; }

float TextWidth(const std::string& utf8, int px) {
  FT_Face f = TheFace().face;
  if (!f || FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(px)) != 0) return 0;
  float w = 0;
  for (std::uint32_t cp : CodePoints(utf8))
    if (FT_Load_Char(f, cp, FT_LOAD_DEFAULT) == 0) w += static_cast<float>(f->glyph->advance.x) / 64.0f;
  return w;
}

bool Text(Canvas& c, const std::string& utf8, float cx, float cy, int px, const Rgba& col) {
  FT_Face f = TheFace().face;
  if (!f) return false;
  const float width = TextWidth(utf8, px);
  // The em box centred on cy: ascender down to the baseline is about 0.88 em.
  float pen = cx - width / 2;
  const float baseline = cy + 0.38f * static_cast<float>(px);
  for (std::uint32_t cp : CodePoints(utf8)) {
    if (FT_Load_Char(f, cp, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = f->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int ox = static_cast<int>(std::lround(pen)) + g->bitmap_left;
    const int oy = static_cast<int>(std::lround(baseline)) - g->bitmap_top;
    for (unsigned y = 0; y < bm.rows; ++y)
      for (unsigned x = 0; x < bm.width; ++x) {
        const std::uint8_t v = bm.buffer[static_cast<std::ptrdiff_t>(y) * bm.pitch + x];
        if (v) c.Blend(ox + static_cast<int>(x), oy + static_cast<int>(y), col, v / 255.0f);
      }
    pen += static_cast<float>(g->advance.x) / 64.0f;
  }
  return true;
}

}  // namespace art
