// demo_art: draws the sample game's pictures as BMP files (32-bit with
// alpha, or 24-bit for the cells), which abmpack then turns into the
// engine's pictures.
//
//   demo_art OUT_FOLDER
// writes, into OUT_FOLDER:
//   bg01.bmp, bg02.bmp        1024 x 600 backgrounds (a hill at dusk, a town
//                             at night)
//   ch_mina.bmp, ch_mina2.bmp, ch_sora.bmp
//                             300 x 520 characters with alpha (mina2 smiles)
//   msgwnd.bmp                1000 x 170 message window frame, semi-transparent
//   cur_page.bmp, cur_line.bmp 24 x 96: four square frames stacked, the
//                             page-end and the in-page click-wait cursors
//   namewnd1.bmp              260 x 60 name plate with alpha
//   namecell1.bmp             24-bit cell of the plate's size
//   msgcell1.bmp              1000 x 40 24-bit cell: the bar behind the
//                             highlighted choice
//   sb_<name>.bmp             64 x 60 system buttons, three looks stacked
//                             (normal, hover, pressed), for automode,
//                             startskip, calllog, quicksave, quickload,
//                             savemenu, loadmenu, config
//   logwnd.bmp                1024 x 600 backlog window, semi-transparent
//   bl_back.bmp, bl_next.bmp, bl_top.bmp, bl_end.bmp, bl_close.bmp
//                             40 x 84 backlog arrows, three looks stacked
//   the story's further pictures (see story_art.h)
//   and the modal screens' pictures and list files (see screen_art.h)
// Everything is drawn here from shapes: no outside art.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/demo_art/canvas.h"
#include "tools/demo_art/dot_font.h"
#include "tools/demo_art/screen_art.h"
#include "tools/demo_art/story_art.h"

namespace {

using namespace art;

constexpr float kPi = 3.14159265f;

// ---- backgrounds

// A skyline of hills: the sum of a few waves, filled down to the bottom.
Field Hills(float base, float amp, float seed, int width, int height) {
  std::vector<float> xy;
  for (int x = -8; x <= width + 8; x += 8) {
    const float fx = static_cast<float>(x);
    const float h = base - amp * (0.55f * std::sin(fx * 0.0061f + seed) + 0.3f * std::sin(fx * 0.0143f + seed * 2.1f) +
                                  0.15f * std::sin(fx * 0.031f + seed * 3.7f));
    xy.push_back(fx);
    xy.push_back(h);
  }
  xy.push_back(static_cast<float>(width + 8));
  xy.push_back(static_cast<float>(height + 8));
  xy.push_back(-8.0f);
  xy.push_back(static_cast<float>(height + 8));
  return Polygon(std::move(xy));
}

void Cloud(Canvas& c, float x, float y, float s, const Rgba& col) {
  const float parts[][3] = {{0, 0, 30}, {34, -12, 36}, {70, -2, 28}, {100, 6, 20}, {-28, 8, 20}, {50, 14, 26}};
  for (const auto& p : parts) {
    const float cx = x + p[0] * s, cy = y + p[1] * s, r = p[2] * s;
    c.Fill({cx - r, cy - r, cx + r, cy + r}, Disc(cx, cy, r), col);
  }
}

void Tree(Canvas& c, float x, float ground, float s) {
  const Rgba trunk = Rgb(70, 45, 40);
  c.Fill({x - 10 * s, ground - 120 * s, x + 10 * s, ground}, RoundRect(x - 8 * s, ground - 120 * s, x + 8 * s, ground + 4, 4 * s),
         trunk);
  const float leaves[][3] = {{0, -150, 52}, {-42, -118, 40}, {44, -114, 42}, {-18, -196, 40}, {26, -182, 38}};
  for (const auto& l : leaves) {
    const float cx = x + l[0] * s, cy = ground + l[1] * s, r = l[2] * s;
    c.Fill({cx - r, cy - r, cx + r, cy + r}, Disc(cx, cy, r), [&](float px, float py) {
      // Light from the setting sun on the left-top of each clump.
      const float t = Clamp01(((px - cx) + (py - cy)) / (2.2f * r) + 0.5f);
      return Mix(Rgb(96, 112, 70), Rgb(36, 52, 40), t);
    });
  }
}

Canvas DuskHill() {
  Canvas c(1024, 600);
  const Rgba top = Rgb(40, 48, 110), mid = Rgb(236, 134, 92), low = Rgb(252, 206, 140);
  c.Paint([&](float, float y) {
    const float t = y / 430.0f;
    return t < 0.6f ? Mix(top, mid, t / 0.6f) : Mix(mid, low, Clamp01((t - 0.6f) / 0.4f));
  });
  // The sun with its glow.
  const float sx = 700, sy = 330;
  c.Fill({sx - 220, sy - 220, sx + 220, sy + 220}, Disc(sx, sy, 220), [&](float x, float y) {
    const float d = std::hypot(x - sx, y - sy) / 220.0f;
    return Rgba{1.0f, 0.93f, 0.75f, 0.55f * (1 - d) * (1 - d)};
  });
  c.Fill({sx - 48, sy - 48, sx + 48, sy + 48}, Disc(sx, sy, 46), Rgb(255, 242, 210));
  Cloud(c, 150, 120, 1.2f, Rgb(250, 190, 170, 0.55f));
  Cloud(c, 520, 80, 0.9f, Rgb(240, 170, 160, 0.5f));
  Cloud(c, 860, 170, 0.7f, Rgb(255, 210, 180, 0.5f));
  c.Fill({0, 250, 1024, 600}, Hills(380, 50, 1.3f, 1024, 600), Rgb(120, 96, 130));
  c.Fill({0, 300, 1024, 600}, Hills(440, 40, 4.1f, 1024, 600), Rgb(84, 92, 96));
  c.Fill({0, 380, 1024, 600}, Hills(500, 26, 2.2f, 1024, 600), [](float, float y) {
    return Mix(Rgb(92, 120, 72), Rgb(50, 74, 48), Clamp01((y - 470) / 130.0f));
  });
  Tree(c, 180, 505, 1.0f);
  Tree(c, 930, 512, 0.8f);
  // A path through the grass.
  c.Fill({380, 480, 700, 600}, Polygon({500, 486, 530, 486, 700, 604, 380, 604}, 2), Rgb(196, 170, 130, 0.8f));
  // Birds: two short arcs each.
  const float birds[][2] = {{420, 160}, {452, 182}, {480, 150}};
  for (const auto& b : birds) {
    c.Fill({b[0] - 14, b[1] - 10, b[0] + 14, b[1] + 4}, Arc(b[0] - 6, b[1] + 4, 7, -2.6f, -0.5f, 2.0f), Rgb(50, 40, 60));
    c.Fill({b[0] - 2, b[1] - 10, b[0] + 20, b[1] + 4}, Arc(b[0] + 6, b[1] + 4, 7, -2.6f, -0.5f, 2.0f), Rgb(50, 40, 60));
  }
  return c;
}

Canvas NightTown() {
  Canvas c(1024, 600);
  c.Paint([](float, float y) { return Mix(Rgb(8, 10, 34), Rgb(44, 52, 102), Clamp01(y / 460.0f)); });
  Random rnd(7);
  for (int i = 0; i < 160; ++i) {
    const float x = rnd.Next() * 1024, y = rnd.Next() * 330, r = 0.6f + rnd.Next() * 1.3f;
    c.Fill({x - 3, y - 3, x + 3, y + 3}, Disc(x, y, r), Rgb(255, 250, 220, 0.5f + 0.5f * rnd.Next()));
  }
  // A crescent moon with a halo.
  const float mx = 820, my = 110;
  c.Fill({mx - 120, my - 120, mx + 120, my + 120}, Disc(mx, my, 120), [&](float x, float y) {
    const float d = std::hypot(x - mx, y - my) / 120.0f;
    return Rgba{0.85f, 0.88f, 1.0f, 0.3f * (1 - d) * (1 - d)};
  });
  c.Fill({mx - 44, my - 44, mx + 44, my + 44}, Subtract(Disc(mx, my, 42), Disc(mx + 18, my - 10, 36)), Rgb(250, 244, 210));
  // Buildings with lit windows.
  Random win(11);
  float x = -10;
  int k = 0;
  while (x < 1030) {
    const float w = 70 + 60 * win.Next();
    const float h = 140 + 200 * win.Next();
    const float top = 520 - h;
    const Rgba wall = Mix(Rgb(22, 24, 46), Rgb(40, 40, 70), win.Next());
    c.Fill({x, top, x + w, 600}, RoundRect(x, top, x + w, 610, 3), wall);
    for (float wy = top + 16; wy < 500; wy += 26)
      for (float wx = x + 10; wx + 12 < x + w - 6; wx += 20)
        if (win.Next() < 0.45f) c.Fill({wx, wy, wx + 12, wy + 14}, RoundRect(wx, wy, wx + 12, wy + 14, 2), Rgb(255, 214, 120, 0.9f));
    if (k++ % 3 == 1) c.Fill({x + w / 2 - 2, top - 30, x + w / 2 + 2, top}, Capsule(x + w / 2, top - 28, x + w / 2, top, 1.5f),
                             Rgb(30, 30, 50));
    x += w + 4 + 20 * win.Next();
  }
  // The street and its lamps.
  c.Fill({0, 510, 1024, 600}, RoundRect(-20, 512, 1044, 640, 0), [](float, float y) {
    return Mix(Rgb(40, 40, 56), Rgb(20, 20, 28), Clamp01((y - 512) / 88.0f));
  });
  for (float lx = 120; lx < 1024; lx += 260) {
    c.Fill({lx - 4, 420, lx + 4, 540}, Capsule(lx, 424, lx, 540, 3), Rgb(60, 60, 74));
    c.Fill({lx - 90, 330, lx + 90, 510}, Disc(lx, 420, 90), [&](float px, float py) {
      const float d = std::hypot(px - lx, py - 420) / 90.0f;
      return Rgba{1.0f, 0.85f, 0.55f, 0.35f * (1 - d) * (1 - d)};
    });
    c.Fill({lx - 10, 410, lx + 10, 430}, Disc(lx, 420, 8), Rgb(255, 236, 180));
  }
  return c;
}

// ---- characters

struct Look {
  Rgba hair, hairShade, dress, dressShade, eyes, ribbon;
  bool longHair;
  bool smile;
};

Canvas Character(const Look& k) {
  Canvas c(300, 520);
  const Rgba skin = Rgb(252, 224, 206), skinShade = Rgb(236, 196, 178), white = Rgb(250, 250, 255);
  const float hx = 150, hy = 138;
  // Hair behind the head.
  c.Fill({50, 40, 250, 360}, Ellipse(hx, hy + 4, 96, 104), k.hairShade);
  if (k.longHair) c.Fill({54, 120, 246, 380}, RoundRect(56, 130, 244, 372, 40), k.hairShade);
  // Neck and body.
  c.Fill({128, 200, 172, 270}, RoundRect(130, 200, 170, 268, 12), skinShade);
  const Field body = Polygon({92, 252, 208, 252, 248, 520, 52, 520}, 18);
  c.Fill({30, 230, 270, 520}, body, [&](float x, float) {
    return Mix(k.dress, k.dressShade, Clamp01((x - 110) / 150.0f));
  });
  // Arms at the sides and the hands.
  for (int side = -1; side <= 1; side += 2) {
    const float sx = hx + side * 92.0f, ex = hx + side * 112.0f;
    c.Fill({sx - 30, 250, sx + 40, 450}, Capsule(sx, 276, ex, 430, 17), k.dressShade);
    c.Fill({ex - 16, 420, ex + 16, 456}, Disc(ex, 440, 14), skin);
  }
  // Collar and ribbon.
  c.Fill({112, 244, 188, 300}, Polygon({114, 250, 150, 292, 186, 250, 172, 244, 150, 268, 128, 244}, 2), white);
  c.Fill({132, 262, 168, 300}, Polygon({150, 278, 132, 266, 134, 294}, 2), k.ribbon);
  c.Fill({132, 262, 168, 300}, Polygon({150, 278, 168, 266, 166, 294}, 2), k.ribbon);
  c.Fill({144, 272, 156, 284}, Disc(150, 278, 5), k.ribbon);
  // The face.
  c.Fill({70, 48, 230, 232}, Ellipse(hx, hy, 74, 86), skin);
  c.Fill({70, 48, 230, 232}, Subtract(Ellipse(hx, hy, 74, 86), Ellipse(hx - 8, hy - 8, 74, 86)),
         Rgba{skinShade.r, skinShade.g, skinShade.b, 0.6f});
  // Bangs: a row of discs along the brow, cut off below the eyebrows.
  const Field fringe = Subtract(Union(Union(Disc(108, 92, 40), Disc(150, 82, 44)), Union(Disc(194, 92, 40), Ellipse(hx, 70, 88, 44))),
                                RoundRect(60, 124, 240, 300, 0));
  c.Fill({56, 20, 244, 130}, fringe, [&](float, float y) { return Mix(k.hair, k.hairShade, Clamp01((y - 30) / 100.0f)); });
  // Locks of the fringe hanging over the brow.
  const float locks[][3] = {{92, 14, 134}, {124, 16, 138}, {160, 16, 136}, {192, 14, 134}, {214, 10, 128}};
  const Rgba lockColour = Mix(k.hair, k.hairShade, 0.9f);
  for (const auto& l : locks)
    c.Fill({l[0] - l[1] - 2, 112, l[0] + l[1] + 2, l[2] + 2}, Polygon({l[0] - l[1], 114, l[0] + l[1], 114, l[0] + 3, l[2]}, 1),
           lockColour);
  c.Fill({90, 40, 170, 80}, Capsule(112, 58, 140, 50, 5), Rgba{1, 1, 1, 0.35f});  // shine
  // Eyes, brows, cheeks, mouth.
  for (int side = -1; side <= 1; side += 2) {
    const float ex = hx + side * 30.0f, ey = 150;
    c.Fill({ex - 20, ey - 34, ex + 20, ey - 20}, Capsule(ex - 12, ey - 26 + side * 2.0f, ex + 12, ey - 26 - side * 2.0f, 2.2f),
           k.hairShade);
    if (k.smile) {
      c.Fill({ex - 16, ey - 12, ex + 16, ey + 8}, Arc(ex, ey + 6, 12, -2.7f, -0.45f, 4.0f), Rgb(60, 40, 50));
    } else {
      c.Fill({ex - 14, ey - 18, ex + 14, ey + 18}, Ellipse(ex, ey, 11, 15), Rgb(50, 36, 44));
      c.Fill({ex - 12, ey - 12, ex + 12, ey + 16}, Ellipse(ex, ey + 2, 8, 11), k.eyes);
      c.Fill({ex - 8, ey - 12, ex + 4, ey}, Disc(ex - 3, ey - 6, 3.5f), white);
    }
    c.Fill({ex - 18, ey + 10, ex + 18, ey + 34}, Ellipse(ex + side * 6.0f, ey + 22, 13, 7), Rgb(255, 150, 160, 0.35f));
  }
  if (k.smile)
    c.Fill({130, 176, 170, 204}, Subtract(Disc(hx, 184, 14), RoundRect(120, 160, 180, 184, 0)), Rgb(200, 90, 100));
  else
    c.Fill({136, 180, 164, 200}, Arc(hx, 180, 10, 0.5f, 2.64f, 3.0f), Rgb(180, 90, 100));
  return c;
}

// ---- the message window and its parts

Canvas MessageFrame() {
  Canvas c(1000, 170);
  const Field outer = RoundRect(1, 1, 999, 169, 18);
  c.Fill({0, 0, 1000, 170}, outer, [](float, float y) {
    return Mix(Rgb(26, 34, 78, 0.82f), Rgb(10, 14, 40, 0.9f), Clamp01(y / 170.0f));
  });
  c.Fill({0, 0, 1000, 170}, Outline(RoundRect(3, 3, 997, 167, 16), 2.5f), Rgb(200, 214, 255, 0.95f));
  c.Fill({0, 0, 1000, 170}, Outline(RoundRect(9, 9, 991, 161, 11), 1.0f), Rgb(160, 180, 240, 0.5f));
  return c;
}

// Square frames stacked vertically, one a step of a loop.
Canvas PageCursor() {
  const int s = 24, n = 4;
  Canvas c(s, s * n);
  for (int f = 0; f < n; ++f) {
    const float oy = static_cast<float>(f * s);
    const float grow = 1.0f + 0.12f * std::sin(f * kPi / 2);
    c.Fill({0, oy, 24, oy + 24}, Disc(12, oy + 12, 9 * grow), Rgb(255, 220, 140, 0.35f));
    const float r = 6 * grow;
    c.Fill({0, oy, 24, oy + 24}, Polygon({12 - r, oy + 9, 12 + r, oy + 9, 12, oy + 9 + r * 1.3f}, 1), Rgb(255, 246, 220));
  }
  return c;
}

Canvas LineCursor() {
  const int s = 24, n = 4;
  Canvas c(s, s * n);
  const float bounce[n] = {0, 2, 4, 2};
  for (int f = 0; f < n; ++f) {
    const float oy = static_cast<float>(f * s) + bounce[f];
    c.Fill({0, oy, 24, oy + 24}, Polygon({6, oy + 6, 18, oy + 6, 12, oy + 15}, 1), Rgb(200, 230, 255));
    c.Fill({0, oy, 24, oy + 24}, Capsule(7, oy + 19, 17, oy + 19, 1.2f), Rgb(200, 230, 255, 0.7f));
  }
  return c;
}

// The plate is drawn 21 pixels above the window's top and the name centred
// 7 pixels below its middle: a 60-pixel plate keeps the whole name a few
// pixels inside the window's rectangle, which every redraw of the window
// covers, and its body sits on the window's top edge.
Canvas NamePlate(bool opaque) {
  Canvas c(260, 60);
  if (opaque) c.Paint([](float, float) { return Rgb(44, 30, 76); });
  c.Fill({0, 0, 260, 60}, RoundRect(2, 18, 258, 59, 14), [](float, float y) {
    return Mix(Rgb(120, 80, 170, 0.92f), Rgb(60, 36, 104, 0.92f), Clamp01((y - 18) / 41.0f));
  });
  c.Fill({0, 0, 260, 60}, Outline(RoundRect(3.5f, 19.5f, 256.5f, 57.5f, 12), 1.5f), Rgb(240, 220, 255, 0.9f));
  return c;
}

// The message cell: laid behind the highlighted choice, as wide as a text
// line and one line high (its top-left part is used), opaque.
Canvas ChoiceBar() {
  Canvas c(1000, 40);
  c.Paint([](float x, float y) {
    const float glow = 1.0f - std::fabs(y - 16.0f) / 20.0f;
    const Rgba base = Mix(Rgb(48, 58, 130), Rgb(22, 28, 70), Clamp01(x / 1000.0f));
    return Mix(base, Rgb(120, 140, 230), 0.45f * Clamp01(glow) * (1.0f - Clamp01(x / 1000.0f)));
  });
  c.Fill({0, 0, 1000, 3}, RoundRect(-4, 0, 1004, 1.5f, 0), Rgb(190, 205, 255, 0.8f));
  c.Fill({0, 29, 1000, 33}, RoundRect(-4, 30.5f, 1004, 32, 0), Rgb(190, 205, 255, 0.6f));
  return c;
}

Canvas SystemButton(const std::string& label) {
  const int w = 64, h = 20;
  Canvas c(w, h * 3);
  for (int look = 0; look < 3; ++look) {
    const float oy = static_cast<float>(look * h);
    const Rgba fill = look == 0 ? Rgb(30, 40, 90, 0.7f) : look == 1 ? Rgb(90, 110, 200, 0.9f) : Rgb(220, 230, 255, 0.95f);
    const Rgba ink = look == 2 ? Rgb(30, 40, 90) : Rgb(230, 236, 255);
    const float press = look == 2 ? 1.0f : 0.0f;
    c.Fill({0, oy, 64, oy + 20}, RoundRect(1, oy + 1 + press, 63, oy + 19, 8), fill);
    c.Fill({0, oy, 64, oy + 20}, Outline(RoundRect(1.5f, oy + 1.5f + press, 62.5f, oy + 18.5f, 7.5f), 1.0f),
           Rgb(200, 214, 255, look == 0 ? 0.6f : 1.0f));
    Label(c, label, 32, oy + 10 + press, 1.4f, ink);
  }
  return c;
}

// ---- the backlog view: its window over the whole screen and its five
// arrows (one page back, one forward, the first page, the last, close)

Canvas HistoryWindow() {
  Canvas c(1024, 600);
  c.Paint([](float, float) { return Rgb(6, 8, 24, 0.55f); });
  c.Fill({0, 0, 1024, 600}, RoundRect(40, 24, 984, 576, 22), [](float, float y) {
    return Mix(Rgb(22, 28, 66, 0.8f), Rgb(10, 12, 34, 0.86f), Clamp01(y / 600.0f));
  });
  c.Fill({0, 0, 1024, 600}, Outline(RoundRect(43, 27, 981, 573, 19), 2.0f), Rgb(200, 214, 255, 0.9f));
  c.Fill({0, 0, 1024, 600}, Capsule(70, 58, 860, 58, 0.6f), Rgb(200, 214, 255, 0.5f));
  Label(c, "BACKLOG", 110, 44, 2.0f, Rgb(220, 228, 255));
  return c;
}

// kind: 0 back (up), 1 forward (down), 2 first (double up), 3 last
// (double down), 4 close (a cross).
Canvas HistoryArrow(int kind) {
  const int w = 40, h = 28;
  Canvas c(w, h * 3);
  for (int look = 0; look < 3; ++look) {
    const float oy = static_cast<float>(look * h);
    const Rgba fill = look == 0 ? Rgb(30, 40, 90, 0.8f) : look == 1 ? Rgb(90, 110, 200, 0.95f) : Rgb(220, 230, 255, 0.95f);
    const Rgba ink = look == 2 ? Rgb(30, 40, 90) : Rgb(230, 236, 255);
    c.Fill({0, oy, 40, oy + 28}, RoundRect(1, oy + 1, 39, oy + 27, 9), fill);
    c.Fill({0, oy, 40, oy + 28}, Outline(RoundRect(1.5f, oy + 1.5f, 38.5f, oy + 26.5f, 8.5f), 1.0f), Rgb(200, 214, 255));
    const float cy = oy + 14;
    auto tri = [&](float y, bool up) {
      const float d = up ? -5.0f : 5.0f;
      c.Fill({0, oy, 40, oy + 28}, Polygon({13, y - d, 27, y - d, 20, y + d}, 0.5f), ink);
    };
    switch (kind) {
      case 0: tri(cy, true); break;
      case 1: tri(cy, false); break;
      case 2: tri(cy - 4, true), tri(cy + 4, true); break;
      case 3: tri(cy - 4, false), tri(cy + 4, false); break;
      default:
        c.Fill({0, oy, 40, oy + 28}, Capsule(14, cy - 6, 26, cy + 6, 1.6f), ink);
        c.Fill({0, oy, 40, oy + 28}, Capsule(26, cy - 6, 14, cy + 6, 1.6f), ink);
        break;
    }
  }
  return c;
}

bool Write(const std::string& folder, const std::string& name, const Canvas& c, bool alpha) {
  const std::string path = folder + "/" + name + ".bmp";
  if (c.WriteBmp(path, alpha)) return true;
  std::fprintf(stderr, "demo_art: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_art OUT_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  const Canvas dusk = DuskHill(), night = NightTown();
  bool ok = Write(out, "bg01", dusk, false) && Write(out, "bg02", night, false);
  const Look mina{Rgb(120, 70, 60), Rgb(84, 46, 44), Rgb(236, 120, 140), Rgb(190, 80, 110), Rgb(170, 90, 60), Rgb(250, 210, 90),
                  true, false};
  Look mina2 = mina;
  mina2.smile = true;
  const Look sora{Rgb(70, 90, 150), Rgb(40, 54, 100), Rgb(90, 160, 200), Rgb(50, 110, 160), Rgb(60, 110, 190), Rgb(240, 90, 80),
                  false, false};
  const Canvas minaPic = Character(mina), soraPic = Character(sora);
  ok = ok && Write(out, "ch_mina", minaPic, true) && Write(out, "ch_mina2", Character(mina2), true) &&
       Write(out, "ch_sora", soraPic, true);
  ok = ok && Write(out, "msgwnd", MessageFrame(), true) && Write(out, "cur_page", PageCursor(), true) &&
       Write(out, "cur_line", LineCursor(), true) && Write(out, "namewnd1", NamePlate(false), true) &&
       Write(out, "namecell1", NamePlate(true), false);
  ok = ok && Write(out, "msgcell1", ChoiceBar(), false);
  const char* buttons[][2] = {{"automode", "AUTO"},    {"startskip", "SKIP"}, {"calllog", "LOG"},   {"quicksave", "Q.SAVE"},
                              {"quickload", "Q.LOAD"}, {"savemenu", "SAVE"},  {"loadmenu", "LOAD"}, {"config", "CONFIG"}};
  for (const auto& b : buttons) ok = ok && Write(out, std::string("sb_") + b[0], SystemButton(b[1]), true);
  ok = ok && Write(out, "logwnd", HistoryWindow(), true);
  const char* arrows[] = {"bl_back", "bl_next", "bl_top", "bl_end", "bl_close"};
  for (int i = 0; i < 5; ++i) ok = ok && Write(out, arrows[i], HistoryArrow(i), true);
  std::vector<Canvas> events;
  ok = ok && WriteStoryArt(out, {&dusk, &night, &minaPic, &soraPic}, &events);
  // The gallery shows the event pictures; the replay a scene by the
  // background it begins with.
  std::vector<Picture> gallery, replays;
  for (std::size_t i = 0; i < events.size(); ++i) gallery.push_back({"ev0" + std::to_string(i + 1), &events[i]});
  replays = {{"scene01", &dusk}, {"scene02", &events[1]}, {"scene03", &events[2]}};
  ok = ok && WriteScreenArt(out, gallery, replays);
  return ok ? 0 : 1;
}
