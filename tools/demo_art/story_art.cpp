// The story's own pictures beyond the first chapter's: the title screen and
// its buttons, the rainy street and the snowy field, the event pictures
// (CG) of the gallery, the speaking character with a voice-driven mouth,
// a twinkling star in frames, the rule picture of the mask transition and
// the mist of the scrolling overlay.
#include "tools/demo_art/story_art.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/demo_art/font_text.h"
#include "tools/demo_art/ui_parts.h"

namespace art {

namespace {

constexpr float kPi = 3.14159265f;

float Uniform(Random& r, float lo, float hi) { return lo + (hi - lo) * r.Next(); }

Canvas Copy(const Canvas& src) {
  Canvas c(src.Width(), src.Height());
  c.Draw(src, 0, 0);
  return c;
}

// A wash of one colour over the whole picture.
void Wash(Canvas& c, const Rgba& col) {
  c.Fill({0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())},
         RoundRect(-10, -10, c.Width() + 10.0f, c.Height() + 10.0f, 0), col);
}

void Stars(Canvas& c, std::uint32_t seed, int count, float maxY) {
  Random rnd(seed);
  for (int i = 0; i < count; ++i) {
    const float x = Uniform(rnd, 0, static_cast<float>(c.Width())), y = Uniform(rnd, 0, maxY), r = Uniform(rnd, 0.8f, 2.2f);
    c.Fill({x - 4, y - 4, x + 4, y + 4}, Disc(x, y, r), Rgb(255, 250, 230, Uniform(rnd, 0.5f, 1.0f)));
  }
}

Canvas Title(const Canvas& dusk) {
  Canvas c = Copy(dusk);
  Wash(c, Rgb(30, 30, 80, 0.25f));
  Stars(c, 5, 80, 200);
  Panel(c, 272, 70, 752, 196, 24, 0.5f);
  if (HaveFont()) {
    Text(c, "ひかりの季節", 512, 122, 56, Rgb(40, 50, 110));
    Text(c, "kivzo サンプルゲーム", 512, 174, 20, Rgb(90, 100, 170));
  } else {
    Label(c, "HIKARI NO KISETSU", 512, 130, 4.0f, Rgb(40, 50, 110));
  }
  return c;
}

// A title or story button: 240 x 44, normal, hover and pressed stacked.
Canvas Button(const std::string& jp, const std::string& latin) {
  Canvas c(240, 44 * 3);
  for (int look = 0; look < 3; ++look) ButtonLook(c, 2, static_cast<float>(44 * look) + 2, 236, 40, look, jp, latin, 20);
  return c;
}

Canvas RainStreet() {
  Canvas c(1024, 600);
  c.Paint([](float, float y) { return Mix(Rgb(70, 80, 96), Rgb(120, 128, 140), Clamp01(y / 600.0f)); });
  Random rnd(23);
  // Houses along the street, their windows lit.
  for (int i = 0; i < 7; ++i) {
    const float x0 = i * 150.0f - 20, w = Uniform(rnd, 110, 140), top = Uniform(rnd, 220, 300);
    c.Fill({x0, top - 60, x0 + w, 440}, RoundRect(x0, top, x0 + w, 440, 2), Rgb(56 + 6 * i, 62, 76));
    c.Fill({x0 - 10, top - 62, x0 + w + 10, top + 2}, Polygon({x0 - 8, top, x0 + w / 2, top - 58, x0 + w + 8, top}, 1),
           Rgb(90, 60, 60));
    for (int k = 0; k < 2; ++k) {
      const float wx = x0 + 22 + k * 50, wy = top + 50;
      c.Fill({wx, wy, wx + 30, wy + 36}, RoundRect(wx, wy, wx + 30, wy + 36, 3),
             Uniform(rnd, 0, 1) > 0.4f ? Rgb(250, 214, 140) : Rgb(60, 70, 90));
    }
  }
  // The wet road with the lights' reflections.
  c.Fill({0, 440, 1024, 600}, RoundRect(-10, 440, 1034, 610, 0), [](float, float y) {
    return Mix(Rgb(70, 76, 90), Rgb(40, 44, 56), Clamp01((y - 440) / 160.0f));
  });
  for (int i = 0; i < 7; ++i) {
    const float x = i * 150.0f + 40;
    c.Fill({x - 20, 450, x + 20, 590}, Capsule(x, 460, x, 580, 8), Rgb(250, 214, 140, 0.18f));
  }
  return c;
}

Canvas SnowField() {
  Canvas c(1024, 600);
  c.Paint([](float, float y) { return Mix(Rgb(20, 30, 70), Rgb(90, 110, 170), Clamp01(y / 420.0f)); });
  Stars(c, 11, 160, 320);
  c.Fill({790, 40, 890, 140}, Disc(840, 90, 40), Rgb(250, 250, 230));
  c.Fill({790, 40, 890, 140}, Disc(858, 80, 36), Rgb(20, 30, 70));  // a crescent
  for (int layer = 0; layer < 3; ++layer) {
    const float base = 380.0f + layer * 60;
    std::vector<float> xy;
    for (int x = -8; x <= 1032; x += 16) {
      xy.push_back(static_cast<float>(x));
      xy.push_back(base - 30 * std::sin(x * 0.006f + layer * 2.0f) - 12 * std::sin(x * 0.017f + layer));
    }
    xy.insert(xy.end(), {1032, 610, -8, 610});
    const int shade = 200 + 20 * layer;
    c.Fill({0, base - 60, 1024, 600}, Polygon(xy), Rgb(shade, shade + 10 > 255 ? 255 : shade + 10, 255));
  }
  // A snowman on the nearest slope.
  c.Fill({150, 380, 250, 520}, Disc(200, 480, 40), Rgb(252, 252, 255));
  c.Fill({150, 380, 250, 520}, Disc(200, 418, 28), Rgb(252, 252, 255));
  c.Fill({150, 380, 250, 520}, Disc(190, 412, 3), Rgb(40, 40, 50));
  c.Fill({150, 380, 250, 520}, Disc(210, 412, 3), Rgb(40, 40, 50));
  c.Fill({150, 380, 250, 520}, Polygon({200, 420, 222, 426, 200, 428}, 1), Rgb(240, 130, 60));
  return c;
}

// An event picture: a background with the two characters side by side and
// a light of the scene's own.
Canvas Event(const Canvas& back, const Canvas& left, const Canvas& right, const Rgba& light) {
  Canvas c = Copy(back);
  c.Draw(left, 230, 90);
  c.Draw(right, 494, 90);
  c.Fill({0, 0, 1024, 600}, RoundRect(-10, -10, 1034, 610, 0), [&](float x, float y) {
    const float d = std::hypot(x - 512, y - 300) / 600.0f;
    return Rgba{light.r, light.g, light.b, light.a * Clamp01(d)};
  });
  return c;
}

Canvas Umbrella(const Canvas& street, const Canvas& mina, const Canvas& sora) {
  Canvas c = Event(street, mina, sora, Rgb(20, 30, 60, 0.5f));
  // One umbrella over both heads.
  c.Fill({300, 20, 740, 200}, Subtract(Disc(520, 190, 210), RoundRect(280, 190, 760, 420, 0)), Rgb(70, 110, 210));
  c.Fill({516, 180, 524, 420}, RoundRect(517, 190, 523, 420, 2), Rgb(80, 50, 40));
  return c;
}

Canvas Rainbow(const Canvas& street, const Canvas& mina, const Canvas& sora) {
  Canvas c = Copy(street);
  Wash(c, Rgb(255, 240, 220, 0.35f));
  const Rgba bands[] = {Rgb(240, 80, 80, 0.5f), Rgb(250, 170, 70, 0.5f), Rgb(250, 240, 90, 0.5f), Rgb(100, 210, 100, 0.5f),
                        Rgb(80, 150, 240, 0.5f), Rgb(150, 100, 220, 0.5f)};
  for (int i = 0; i < 6; ++i) c.Fill({0, 0, 1024, 600}, Arc(512, 620, 560 - 14.0f * i, -kPi, 0, 7), bands[i]);
  c.Draw(mina, 230, 90);
  c.Draw(sora, 494, 90);
  return c;
}

// The star: four frames of 64 x 64 stacked, growing and shrinking.
Canvas Star() {
  Canvas c(64, 64 * 4);
  for (int f = 0; f < 4; ++f) {
    const float oy = 64.0f * f, s = 0.6f + 0.4f * std::sin(f * kPi / 3);
    std::vector<float> xy;
    for (int k = 0; k < 10; ++k) {
      const float a = -kPi / 2 + k * kPi / 5, r = (k % 2 ? 11.0f : 28.0f) * s;
      xy.push_back(32 + r * std::cos(a));
      xy.push_back(oy + 32 + r * std::sin(a));
    }
    c.Fill({0, oy, 64, oy + 64}, Disc(32, oy + 32, 30 * s), Rgb(255, 240, 160, 0.3f));
    c.Fill({0, oy, 64, oy + 64}, Polygon(xy, 1), Rgb(255, 236, 120));
  }
  return c;
}

// The rule of the mask transition: a grey level a pixel (the blue channel),
// in rings from the centre with a little noise.
Canvas Rule() {
  Canvas c(1024, 600);
  Random rnd(31);
  c.Paint([&](float x, float y) {
    const float d = std::hypot(x - 512, (y - 300) * 1.7f) / 600.0f;
    const float v = Clamp01(d + 0.04f * std::sin(std::atan2(y - 300, x - 512) * 8) + Uniform(rnd, -0.02f, 0.02f));
    return Rgb(static_cast<int>(v * 255), static_cast<int>(v * 255), static_cast<int>(v * 255));
  });
  return c;
}

// Mist for the overlay: soft white clouds with little alpha.
Canvas Mist() {
  Canvas c(1024, 600);
  Random rnd(47);
  for (int i = 0; i < 40; ++i) {
    const float x = Uniform(rnd, 0, 1024), y = Uniform(rnd, 0, 600), r = Uniform(rnd, 60, 160);
    c.Fill({x - r, y - r, x + r, y + r}, Disc(x, y, r), [&](float px, float py) {
      const float d = std::hypot(px - x, py - y) / r;
      return Rgba{1, 1, 1, 0.12f * (1 - d)};
    });
  }
  return c;
}

// The abmpack recipe of the speaking character: the whole figure as the
// first part, and an open mouth as a voice-driven group over it, which
// moves while a voice whose timing says so plays.
bool WriteSpeaker(const std::string& path, const Canvas& figure) {
  std::ofstream out(path, std::ios::trunc);
  auto hex = [](const Rgba& p) {
    auto b = [](float v) { return static_cast<unsigned>(std::lround(Clamp01(v) * 255)); };
    char s[12];
    std::snprintf(s, sizeof s, "%02X%02X%02X%02X", b(p.a), b(p.r), b(p.g), b(p.b));
    return std::string(s);
  };
  out << "variant 2\nsize " << figure.Width() << " " << figure.Height() << "\n";
  out << "part 0 0 " << figure.Width() << " " << figure.Height() << " 0\n";
  for (int y = 0; y < figure.Height(); ++y) {
    out << "px";
    for (int x = 0; x < figure.Width(); ++x) out << " " << hex(figure.At(x, y));
    out << "\n";
  }
  // The open mouth (40 x 28 at 130, 172): the skin with a dark oval.
  Canvas mouth(40, 28);
  mouth.Paint([&](float x, float y) { return figure.At(130 + static_cast<int>(x), 172 + static_cast<int>(y)); });
  mouth.Fill({0, 0, 40, 28}, Ellipse(20, 14, 9, 8), Rgb(150, 50, 70));
  mouth.Fill({0, 0, 40, 28}, Ellipse(20, 18, 6, 3), Rgb(230, 120, 130));
  out << "part 130 172 40 28 1\n";
  for (int y = 0; y < 28; ++y) {
    out << "px";
    for (int x = 0; x < 40; ++x) out << " " << hex(mouth.At(x, y));
    out << "\n";
  }
  out << "seq 0 0\nseq 2 1 0\n";
  if (out) return true;
  std::fprintf(stderr, "demo_art: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

bool WriteStoryArt(const std::string& folder, const StoryCast& cast, std::vector<Canvas>* events) {
  struct Item {
    const char* name;
    const char* jp;
    const char* latin;
  };
  static const Item kTitleButtons[] = {
      {"tb_start", "はじめから", "START"},   {"tb_load", "つづきから", "CONTINUE"}, {"tb_cg", "CG鑑賞", "GALLERY"},
      {"tb_replay", "回想", "REPLAY"},       {"tb_music", "音楽鑑賞", "MUSIC"},     {"tb_ending", "エンディング", "ENDINGS"},
      {"tb_config", "設定", "SETTINGS"},      {"tb_exit", "おわる", "EXIT"},
      {"sb_blank", "", ""},
  };
  bool ok = WriteOne(folder, "title", Title(*cast.dusk), false);
  for (const Item& b : kTitleButtons) ok = ok && WriteOne(folder, b.name, Button(b.jp, b.latin), true);
  const Canvas street = RainStreet(), snow = SnowField();
  ok = ok && WriteOne(folder, "bg03", street, false) && WriteOne(folder, "bg04", snow, false);
  events->clear();
  events->push_back(Event(*cast.night, *cast.mina, *cast.sora, Rgb(255, 200, 120, 0.25f)));
  events->push_back(Umbrella(street, *cast.mina, *cast.sora));
  events->push_back(Event(snow, *cast.mina, *cast.sora, Rgb(200, 220, 255, 0.3f)));
  Canvas spring = Copy(*cast.dusk);
  Wash(spring, Rgb(255, 250, 200, 0.45f));
  events->push_back(Event(spring, *cast.mina, *cast.sora, Rgb(255, 255, 220, 0.3f)));
  events->push_back(Rainbow(street, *cast.mina, *cast.sora));
  for (std::size_t i = 0; i < events->size(); ++i) {
    ok = ok && WriteOne(folder, "ev0" + std::to_string(i + 1), (*events)[i], false);
  }
  ok = ok && WriteOne(folder, "star", Star(), true) && WriteOne(folder, "rule01", Rule(), false) &&
       WriteOne(folder, "mist", Mist(), true);
  ok = ok && WriteSpeaker(folder + "/T1mina.recipe", *cast.mina);
  return ok;
}

}  // namespace art
