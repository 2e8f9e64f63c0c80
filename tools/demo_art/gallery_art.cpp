// The gallery, the scene replay (both read the same layout of cells) and
// the music room.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tools/demo_art/ui_parts.h"

namespace art {

namespace {

constexpr int kThumbW = 192, kThumbH = 113;

// The page: category tabs down the left, the 3 x 3 thumbnails' frames,
// the page buttons and the return button's place under them.
Canvas AlbumBack(const std::string& jp, const std::string& latin, const Rgba& top, const Rgba& bottom, std::uint32_t seed) {
  Canvas c = Backdrop(1024, 600, top, bottom, seed);
  Title(c, jp, latin, 24, 12);
  Panel(c, 200, 66, 822, 470, 16, 0.55f);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const float x = 213.0f + 202.0f * col, y = 79.0f + 133.0f * row;
      c.Fill({x - 4, y - 4, x + kThumbW + 4, y + kThumbH + 4}, RoundRect(x - 3, y - 3, x + kThumbW + 3, y + kThumbH + 3, 5),
             Rgb(200, 210, 240));
      c.Fill({x, y, x + kThumbW, y + kThumbH}, RoundRect(x, y, x + kThumbW, y + kThumbH, 2), Rgb(236, 240, 250));
    }
  Panel(c, 450, 494, 628, 538, 12, 0.5f);
  return c;
}

// The cells: five category tabs (normal, hover, pressed across), four page
// buttons and the return button (looks down).
Canvas AlbumChips(const char* const tabs[5][2]) {
  Canvas c(564, 584);
  for (int t = 0; t < 5; ++t)
    for (int look = 0; look < 3; ++look) {
      const float x = static_cast<float>(188 * look), y = static_cast<float>(88 * t);
      ButtonLook(c, x + 4, y + 8, 180, 72, look, tabs[t][0], tabs[t][1], 22);
    }
  for (int p = 0; p < 4; ++p)
    for (int look = 0; look < 3; ++look)
      ButtonLook(c, static_cast<float>(40 * p), static_cast<float>(440 + 32 * look), 40, 32, look, "", std::to_string(p + 1), 12);
  for (int look = 0; look < 3; ++look)
    ButtonLook(c, 160, static_cast<float>(440 + 48 * look), 152, 48, look, "戻る", "RETURN", 20);
  return c;
}

// A page's thumbnails in reading order; the rest of the sheet stays plain.
Canvas AlbumSheet(const std::vector<const Canvas*>& pictures) {
  Canvas c(576, 339);
  c.Paint([](float, float) { return Rgb(236, 240, 250); });
  for (std::size_t k = 0; k < pictures.size() && k < 9; ++k) {
    const int x = kThumbW * static_cast<int>(k % 3), y = kThumbH * static_cast<int>(k / 3);
    c.Draw(Shrink(*pictures[k], kThumbW, kThumbH), x, y);
    c.Fill({static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + kThumbW), static_cast<float>(y + kThumbH)},
           Outline(RoundRect(x + 1.0f, y + 1.0f, x + kThumbW - 1.0f, y + kThumbH - 1.0f, 1), 1.5f), Rgb(255, 255, 255, 0.9f));
  }
  return c;
}

// What shows in place of a picture not yet seen.
Canvas NotSeen() {
  Canvas c(kThumbW, kThumbH);
  c.Fill({0, 0, kThumbW, kThumbH}, RoundRect(0, 0, kThumbW, kThumbH, 4), [](float x, float y) {
    const bool stripe = static_cast<int>((x + y) / 12) % 2 == 0;
    return stripe ? Rgb(206, 214, 236) : Rgb(218, 224, 242);
  });
  c.Fill({0, 0, kThumbW, kThumbH}, Outline(RoundRect(1, 1, kThumbW - 1.0f, kThumbH - 1.0f, 4), 1.5f), kEdge);
  Label(c, "?", kThumbW / 2.0f, kThumbH / 2.0f, 5.0f, Rgb(140, 150, 200));
  return c;
}

// ---- the music room

Canvas MusicBack() {
  Canvas c = Backdrop(1024, 600, Rgb(214, 204, 246), Rgb(246, 226, 236), 53);
  Title(c, "音楽鑑賞", "MUSIC", 24, 12);
  Panel(c, 164, 66, 860, 446, 16, 0.55f);
  // Notes in the corner.
  for (int i = 0; i < 3; ++i) {
    const float x = 900.0f + 34 * i, y = 150.0f + 30 * (i % 2);
    c.Fill({x - 12, y - 60, x + 14, y + 10}, Ellipse(x, y, 10, 7), Rgb(160, 140, 210, 0.6f));
    c.Fill({x - 12, y - 60, x + 14, y + 10}, Capsule(x + 9, y - 2, x + 9, y - 50, 1.6f), Rgb(160, 140, 210, 0.6f));
  }
  return c;
}

// The three play buttons (continuous, repeat, stop) and return.
Canvas MusicChips() {
  Canvas c(704, 192);
  struct Button {
    float x;
    const char* jp;
    const char* latin;
  };
  const Button buttons[] = {{0, "通し再生", "ALL"}, {184, "停止", "STOP"}, {368, "リピート", "REPEAT"}};
  for (const Button& b : buttons)
    for (int look = 0; look < 3; ++look)
      ButtonLook(c, b.x + 4, static_cast<float>(64 * look) + 6, 176, 52, look, b.jp, b.latin, 20);
  for (int look = 0; look < 3; ++look)
    ButtonLook(c, 552, static_cast<float>(48 * look), 152, 48, look, "戻る", "RETURN", 20);
  return c;
}

// The eighteen tracks in two columns of nine; the three looks one below
// the other, 360 pixels apart.
Canvas MusicTracks() {
  Canvas c(672, 1080);
  for (int t = 0; t < 18; ++t)
    for (int look = 0; look < 3; ++look) {
      const float x = 336.0f * static_cast<float>(t / 9), y = 360.0f * look + 40.0f * static_cast<float>(t % 9);
      char name[24];
      std::snprintf(name, sizeof name, "TRACK %02d", t + 1);
      ButtonLook(c, x + 4, y + 3, 328, 34, look, "", name, 14);
    }
  return c;
}

// ---- list files

void PutLE32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutName(std::vector<std::uint8_t>& b, const std::string& name) {
  for (std::size_t i = 0; i < 32; ++i) b.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  if (out) return true;
  std::fprintf(stderr, "demo_art: cannot write %s\n", path.c_str());
  return false;
}

// The gallery's list: 48-byte records (the name of the picture, a word
// kept free, its thumbnail's group and two words the gallery keeps), then
// the count of records and of groups. Each picture is its own group.
std::vector<std::uint8_t> GalleryList(const std::vector<std::string>& names) {
  std::vector<std::uint8_t> b;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PutName(b, names[i]);
    PutLE32(b, 0);
    PutLE32(b, static_cast<std::uint32_t>(i));
    PutLE32(b, 0);
    PutLE32(b, 0);
  }
  PutLE32(b, static_cast<std::uint32_t>(names.size()));
  PutLE32(b, static_cast<std::uint32_t>(names.size()));
  return b;
}

// The replay's list: 48-byte records (the name that marks the scene seen,
// and at 44 the number handed back to the script), then the count.
std::vector<std::uint8_t> ReplayList(const std::vector<std::string>& names) {
  std::vector<std::uint8_t> b;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PutName(b, names[i]);
    PutLE32(b, 0);
    PutLE32(b, 0);
    PutLE32(b, 0);
    PutLE32(b, static_cast<std::uint32_t>(i + 1));
  }
  PutLE32(b, static_cast<std::uint32_t>(names.size()));
  return b;
}

}  // namespace

bool WriteGalleryArt(const std::string& folder, const std::vector<Picture>& gallery, const std::vector<Picture>& replays) {
  static const char* const kCgTabs[5][2] = {
      {"思い出", "MEMORIES"}, {"アルバム2", "ALBUM 2"}, {"アルバム3", "ALBUM 3"}, {"アルバム4", "ALBUM 4"}, {"アルバム5", "ALBUM 5"}};
  static const char* const kSceneTabs[5][2] = {
      {"物語", "STORY"}, {"第二集", "PART 2"}, {"第三集", "PART 3"}, {"第四集", "PART 4"}, {"第五集", "PART 5"}};
  auto sheetOf = [](const std::vector<Picture>& list) {
    std::vector<const Canvas*> pictures;
    for (const Picture& p : list) pictures.push_back(p.canvas);
    return AlbumSheet(pictures);
  };
  auto namesOf = [](const std::vector<Picture>& list) {
    std::vector<std::string> names;
    for (const Picture& p : list) names.push_back(p.name);
    return names;
  };
  bool ok = WriteOne(folder, "cgm_bk0", AlbumBack("CG鑑賞", "GALLERY", Rgb(206, 226, 250), Rgb(236, 232, 250), 61), false) &&
            WriteOne(folder, "cgm_cp", AlbumChips(kCgTabs), true) && WriteOne(folder, "cgm000", sheetOf(gallery), false) &&
            WriteOne(folder, "cgm_no", NotSeen(), true);
  ok = ok && WriteOne(folder, "hm_bk0", AlbumBack("回想", "REPLAY", Rgb(250, 222, 214), Rgb(240, 230, 250), 67), false) &&
       WriteOne(folder, "hm_cp", AlbumChips(kSceneTabs), true) && WriteOne(folder, "hm000", sheetOf(replays), false) &&
       WriteOne(folder, "hm_no", NotSeen(), true);
  ok = ok && WriteOne(folder, "bgmm_bk", MusicBack(), false) && WriteOne(folder, "bgmm_cp", MusicChips(), true) &&
       WriteOne(folder, "bgmm000", MusicTracks(), true);
  ok = ok && WriteFile(folder + "/cglist00.dat", GalleryList(namesOf(gallery))) &&
       WriteFile(folder + "/hmlist00.dat", ReplayList(namesOf(replays)));
  return ok;
}

}  // namespace art
