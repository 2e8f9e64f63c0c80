// The parts the screen pictures are made of, in their one shared look, and
// the writer the screen pictures share.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/demo_art/canvas.h"
#include "tools/demo_art/dot_font.h"
#include "tools/demo_art/screen_art.h"
#include "tools/demo_art/font_text.h"

namespace art {

// The screens share one light look: a pale sky with soft lights, white
// panels edged in navy, navy ink (the screens write their own text in
// black, so everything under it stays light).
inline const Rgba kInk = Rgb(34, 44, 96);
inline const Rgba kEdge = Rgb(70, 90, 170);
inline const Rgba kPaper = Rgb(252, 253, 255);

// A caption: Japanese through the font when there is one, the dot font's
// capitals otherwise.
inline void Caption(Canvas& c, const std::string& jp, const std::string& latin, float cx, float cy, int px, const Rgba& col) {
  if (!jp.empty() && Text(c, jp, cx, cy, px, col)) return;
  float dot = static_cast<float>(px) / 8.0f;
  if (dot < 1.2f) dot = 1.2f;
  Label(c, latin, cx, cy, dot, col);
}

inline Canvas Backdrop(int w, int h, const Rgba& top, const Rgba& bottom, std::uint32_t seed) {
  Canvas c(w, h);
  c.Paint([&](float x, float y) {
    const float t = Clamp01(y / static_cast<float>(h) * 0.85f + x / static_cast<float>(w) * 0.15f);
    return Mix(top, bottom, t);
  });
  Random rnd(seed);
  for (int i = 0; i < 26; ++i) {
    const float x = rnd.Next() * static_cast<float>(w), y = rnd.Next() * static_cast<float>(h);
    const float r = 18 + 70 * rnd.Next();
    const float a = 0.06f + 0.12f * rnd.Next();
    c.Fill({x - r, y - r, x + r, y + r}, Disc(x, y, r), [&](float px, float py) {
      const float d = Clamp01(std::hypot(px - x, py - y) / r);
      return Rgba{1, 1, 1, a * (1 - d * d)};
    });
  }
  return c;
}

inline void Panel(Canvas& c, float x0, float y0, float x1, float y1, float r, float alpha = 0.72f) {
  c.Fill({x0 + 2, y0 + 4, x1 + 6, y1 + 8}, RoundRect(x0 + 3, y0 + 5, x1 + 3, y1 + 5, r), Rgb(20, 30, 80, 0.12f));
  c.Fill({x0, y0, x1, y1}, RoundRect(x0, y0, x1, y1, r), [&](float, float y) {
    return Mix(Rgb(255, 255, 255, alpha), Rgb(232, 238, 255, alpha), Clamp01((y - y0) / (y1 - y0)));
  });
  c.Fill({x0, y0, x1, y1}, Outline(RoundRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1), 1.5f), Rgb(120, 140, 210, 0.9f));
}

// A screen's title, drawn in its top-left corner.
inline void Title(Canvas& c, const std::string& jp, const std::string& latin, float x, float y) {
  c.Fill({x - 8, y - 4, x + 260, y + 40}, Capsule(x, y + 36, x + 220, y + 36, 1.2f), Rgba{kEdge.r, kEdge.g, kEdge.b, 0.7f});
  Label(c, latin, x + LabelWidth(latin, 2.6f) / 2, y + 12, 2.6f, kInk);
  if (!jp.empty() && HaveFont()) Text(c, jp, x + LabelWidth(latin, 2.6f) + 16 + TextWidth(jp, 16) / 2, y + 16, 16, kEdge);
}

// One look of a button in its cell: 0 normal, 1 hover, 2 pressed (also
// the look of a chosen tab), 3 a switched-on button.
inline void ButtonLook(Canvas& c, float x, float y, float w, float h, int look, const std::string& jp, const std::string& latin,
                int px) {
  const float press = look == 2 ? 1.0f : 0.0f;
  const float r = std::min(h / 2 - 1, 12.0f);
  const Rgba top = look == 0 ? Rgb(255, 255, 255, 0.92f) : look == 1 ? Rgb(222, 234, 255) : Rgb(70, 92, 176);
  const Rgba low = look == 0 ? Rgb(226, 232, 250, 0.92f) : look == 1 ? Rgb(180, 204, 255) : Rgb(44, 60, 130);
  c.Fill({x, y, x + w, y + h}, RoundRect(x + 1, y + 1 + press, x + w - 1, y + h - 1, r),
         [&](float, float py) { return Mix(top, low, Clamp01((py - y) / h)); });
  c.Fill({x, y, x + w, y + h}, Outline(RoundRect(x + 1.5f, y + 1.5f + press, x + w - 1.5f, y + h - 1.5f, r - 0.5f), 1.2f),
         look == 1 ? Rgb(250, 190, 90) : kEdge);
  if (look == 3) c.Fill({x, y, x + w, y + h}, Disc(x + 10, y + h / 2, 3.5f), Rgb(250, 200, 100));
  const Rgba ink = look == 2 ? Rgb(255, 255, 255) : kInk;
  Caption(c, jp, latin, x + w / 2, y + h / 2 + press, px, ink);
}

// A picture shrunk to a thumbnail by averaging the pixels under each one.
inline Canvas Shrink(const Canvas& src, int w, int h) {
  Canvas c(w, h);
  const float sx = static_cast<float>(src.Width()) / static_cast<float>(w);
  const float sy = static_cast<float>(src.Height()) / static_cast<float>(h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgba sum{0, 0, 0, 0};
      int n = 0;
      for (int v = static_cast<int>(y * sy); v < static_cast<int>((y + 1) * sy) && v < src.Height(); ++v)
        for (int u = static_cast<int>(x * sx); u < static_cast<int>((x + 1) * sx) && u < src.Width(); ++u, ++n) {
          const Rgba& p = src.At(u, v);
          sum.r += p.r, sum.g += p.g, sum.b += p.b;
        }
      if (n) c.At(x, y) = {sum.r / n, sum.g / n, sum.b / n, 1};
    }
  return c;
}

inline bool WriteOne(const std::string& folder, const std::string& name, const Canvas& c, bool alpha) {
  const std::string path = folder + "/" + name + ".bmp";
  if (c.WriteBmp(path, alpha)) return true;
  std::fprintf(stderr, "demo_art: cannot write %s\n", path.c_str());
  return false;
}

// The gallery's and the replay's pictures and lists, the music room's.
bool WriteGalleryArt(const std::string& folder, const std::vector<Picture>& gallery, const std::vector<Picture>& replays);
// The settings screen's two pages and its cells.
bool WriteConfigArt(const std::string& folder);

}  // namespace art
