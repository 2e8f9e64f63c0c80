// A small drawing surface for the sample game's pictures: straight RGBA in
// floats, shapes given by signed distance (negative inside, in pixels) so
// that every edge is anti-aliased by its distance, and writers of 32-bit
// (with alpha) and 24-bit BMP files.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace art {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};

inline Rgba Rgb(int r, int g, int b, float a = 1.0f) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }
inline Rgba Mix(const Rgba& x, const Rgba& y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

struct Box {
  float x0, y0, x1, y1;  // the shape lies inside (pixels outside are not visited)
};

// Signed distance of a point to a shape; negative inside.
using Field = std::function<float(float x, float y)>;

inline float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

class Canvas {
 public:
  Canvas(int w, int h) : m_nW(w), m_nH(h), m_Px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    for (Rgba& p : m_Px) p.a = 0;
  }
  int Width() const { return m_nW; }
  int Height() const { return m_nH; }
  Rgba& At(int x, int y) { return m_Px[static_cast<std::size_t>(y) * m_nW + x]; }
  const Rgba& At(int x, int y) const { return m_Px[static_cast<std::size_t>(y) * m_nW + x]; }

  // Source-over of one colour with a coverage.
  void Blend(int x, int y, const Rgba& c, float cover) {
    if (x < 0 || y < 0 || x >= m_nW || y >= m_nH) return;
    const float sa = Clamp01(c.a * cover);
    if (sa <= 0) return;
    Rgba& d = At(x, y);
    const float oa = sa + d.a * (1 - sa);
    if (oa <= 0) return;
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
  }

  // Fills a shape; the colour may vary over the picture.
  void Fill(const Box& box, const Field& sd, const std::function<Rgba(float, float)>& paint) {
    const int x0 = std::max(0, static_cast<int>(std::floor(box.x0)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(box.y0)) - 1);
    const int x1 = std::min(m_nW - 1, static_cast<int>(std::ceil(box.x1)) + 1);
    const int y1 = std::min(m_nH - 1, static_cast<int>(std::ceil(box.y1)) + 1);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const float px = x + 0.5f, py = y + 0.5f;
        const float cover = Clamp01(0.5f - sd(px, py));
        if (cover > 0) Blend(x, y, paint(px, py), cover);
      }
  }
  void Fill(const Box& box, const Field& sd, const Rgba& c) {
    Fill(box, sd, [&c](float, float) { return c; });
  }

  // Every pixel set from a function of its centre (gradients, skies).
  void Paint(const std::function<Rgba(float, float)>& paint) {
    for (int y = 0; y < m_nH; ++y)
      for (int x = 0; x < m_nW; ++x) At(x, y) = paint(x + 0.5f, y + 0.5f);
  }

  // Another canvas blended over this one at (dx, dy).
  void Draw(const Canvas& src, int dx, int dy) {
    for (int y = 0; y < src.m_nH; ++y)
      for (int x = 0; x < src.m_nW; ++x) {
        const Rgba& s = src.At(x, y);
        Blend(x + dx, y + dy, {s.r, s.g, s.b, 1}, s.a);
      }
  }

  bool WriteBmp(const std::string& path, bool alpha) const {
    const int bpp = alpha ? 4 : 3;
    const std::size_t stride = (static_cast<std::size_t>(m_nW) * bpp + 3) & ~static_cast<std::size_t>(3);
    std::vector<std::uint8_t> f(54 + stride * static_cast<std::size_t>(m_nH), 0);
    auto put = [&f](std::size_t at, std::uint32_t v, int n) {
      for (int i = 0; i < n; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put(2, static_cast<std::uint32_t>(f.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(m_nW), 4);
    put(22, static_cast<std::uint32_t>(m_nH), 4);  // bottom-up rows
    put(26, 1, 2);
    put(28, static_cast<std::uint32_t>(bpp * 8), 2);
    auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
    for (int y = 0; y < m_nH; ++y) {
      std::uint8_t* row = f.data() + 54 + stride * static_cast<std::size_t>(m_nH - 1 - y);
      for (int x = 0; x < m_nW; ++x) {
        const Rgba& p = At(x, y);
        // A pixel nobody can see keeps no colour: the encoder drops it anyway.
        const bool clear = alpha && byte(p.a) == 0;
        row[x * bpp + 0] = clear ? 0 : byte(p.b);
        row[x * bpp + 1] = clear ? 0 : byte(p.g);
        row[x * bpp + 2] = clear ? 0 : byte(p.r);
        if (alpha) row[x * bpp + 3] = byte(p.a);
      }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    return static_cast<bool>(out);
  }

 private:
  int m_nW, m_nH;
  std::vector<Rgba> m_Px;
};

// ---- distance fields of the shapes the pictures are made of

inline Field Disc(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}
// An ellipse by its scaled distance (close enough for soft shapes).
inline Field Ellipse(float cx, float cy, float rx, float ry) {
  return [=](float x, float y) {
    const float dx = (x - cx) / rx, dy = (y - cy) / ry;
    const float k = std::hypot(dx, dy);
    return (k - 1.0f) * std::min(rx, ry);
  };
}
inline Field RoundRect(float x0, float y0, float x1, float y1, float r) {
  return [=](float x, float y) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
  };
}
// A line segment with round ends and a half thickness.
inline Field Capsule(float ax, float ay, float bx, float by, float r) {
  return [=](float x, float y) {
    const float vx = bx - ax, vy = by - ay;
    const float len2 = vx * vx + vy * vy;
    const float t = len2 > 0 ? Clamp01(((x - ax) * vx + (y - ay) * vy) / len2) : 0;
    return std::hypot(x - ax - vx * t, y - ay - vy * t) - r;
  };
}
// A polygon (any winding, even-odd inside), rounded outward by r.
inline Field Polygon(std::vector<float> xy, float r = 0) {
  return [xy = std::move(xy), r](float x, float y) {
    const std::size_t n = xy.size() / 2;
    float best = 1e9f;
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
      const float ax = xy[2 * j], ay = xy[2 * j + 1], bx = xy[2 * i], by = xy[2 * i + 1];
      const float vx = bx - ax, vy = by - ay;
      const float len2 = vx * vx + vy * vy;
      const float t = len2 > 0 ? Clamp01(((x - ax) * vx + (y - ay) * vy) / len2) : 0;
      best = std::min(best, std::hypot(x - ax - vx * t, y - ay - vy * t));
      if ((ay > y) != (by > y) && x < ax + (y - ay) * vx / vy) inside = !inside;
    }
    return (inside ? -best : best) - r;
  };
}
// A ring's piece: the arc of radius r about (cx, cy) from angle a0 to a1
// (radians, y down), t thick.
inline Field Arc(float cx, float cy, float r, float a0, float a1, float t) {
  return [=](float x, float y) {
    float a = std::atan2(y - cy, x - cx);
    const float mid = (a0 + a1) / 2, half = (a1 - a0) / 2;
    float d = a - mid;
    while (d > 3.14159265f) d -= 6.2831853f;
    while (d < -3.14159265f) d += 6.2831853f;
    if (std::fabs(d) <= half) return std::fabs(std::hypot(x - cx, y - cy) - r) - t / 2;
    const float e = d > 0 ? mid + half : mid - half;
    return std::hypot(x - cx - r * std::cos(e), y - cy - r * std::sin(e)) - t / 2;
  };
}
inline Field Union(Field a, Field b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
inline Field Subtract(Field a, Field b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
// The outline band of a shape, t thick, centred on its edge.
inline Field Outline(Field a, float t) {
  return [=](float x, float y) { return std::fabs(a(x, y)) - t / 2; };
}

// A repeatable sequence of numbers (the same pictures on every build).
struct Random {
  std::uint32_t s;
  explicit Random(std::uint32_t seed) : s(seed) {}
  float Next() {
    s = s * 1664525u + 1013904223u;
    return static_cast<float>(s >> 8) / 16777216.0f;
  }
};

}  // namespace art
