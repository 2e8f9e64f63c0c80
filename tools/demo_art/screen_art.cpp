#include "tools/demo_art/screen_art.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "tools/demo_art/dot_font.h"
#include "tools/demo_art/font_text.h"
#include "tools/demo_art/ui_parts.h"

namespace art {

namespace {

// ---- save and load

Canvas SaveBack(bool load) {
  Canvas c = load ? Backdrop(1024, 600, Rgb(196, 232, 224), Rgb(226, 236, 252), 31)
                  : Backdrop(1024, 600, Rgb(200, 214, 250), Rgb(240, 226, 246), 29);
  Title(c, load ? "ロード" : "セーブ", load ? "LOAD" : "SAVE", 24, 12);
  // The thumbnail's place: what shows while no slot is pointed at.
  Panel(c, 0, 59, 520, 371, 10, 0.85f);
  c.Fill({4, 65, 516, 365}, RoundRect(4, 65, 516, 365, 4), [](float x, float y) {
    const bool check = (static_cast<int>(x / 32) + static_cast<int>(y / 32)) % 2 == 0;
    return check ? Rgb(226, 232, 246) : Rgb(236, 240, 250);
  });
  Caption(c, "", "NO IMAGE", 260, 215, 18, Rgb(150, 160, 200));
  // The slot list's column and the return button's place.
  Panel(c, 520, 48, 1024 - 0.5f, 543, 14, 0.45f);
  if (load) {
    Caption(c, "クイックセーブ", "QUICK SAVE", 110, 396, 16, kInk);
    Panel(c, 11, 409, 515, 465, 12, 0.5f);
  } else {
    Panel(c, 11, 390, 515, 580, 14, 0.5f);
    Caption(c, "スロットを選んでセーブします", "CHOOSE A SLOT", 263, 450, 18, kInk);
    Caption(c, "", "KIVZO", 263, 520, 22, Rgb(150, 164, 220));
  }
  return c;
}

Canvas SaveChips(bool load) {
  Canvas c(552, 288);
  const Rgba accent = load ? Rgb(60, 160, 140) : Rgb(90, 110, 210);
  for (int look = 0; look < 3; ++look) {
    const float oy = static_cast<float>(48 * look);
    const Rgba top = look == 0 ? Rgb(255, 255, 255, 0.94f) : look == 1 ? Rgb(255, 246, 222) : Rgb(214, 226, 255);
    const Rgba low = look == 0 ? Rgb(232, 238, 252, 0.94f) : look == 1 ? Rgb(255, 226, 180) : Rgb(182, 200, 250);
    c.Fill({0, oy, 496, oy + 48}, RoundRect(1, oy + 1, 495, oy + 47, 10),
           [&](float, float y) { return Mix(top, low, Clamp01((y - oy) / 48)); });
    c.Fill({0, oy, 496, oy + 48}, Outline(RoundRect(1.5f, oy + 1.5f, 494.5f, oy + 46.5f, 9.5f), 1.3f),
           look == 1 ? Rgb(240, 170, 70) : kEdge);
    // A badge left of the label (the screen writes from 56 on).
    c.Fill({0, oy, 56, oy + 48}, Disc(27, oy + 24, 15), look == 0 ? accent : look == 1 ? Rgb(240, 160, 60) : kInk);
    c.Fill({0, oy, 56, oy + 48}, Polygon({21, oy + 15, 35, oy + 24, 21, oy + 33}, 1), Rgb(255, 255, 255));
  }
  for (int p = 0; p < 10; ++p)
    for (int look = 0; look < 3; ++look)
      ButtonLook(c, static_cast<float>(40 * p), static_cast<float>(144 + 32 * look), 40, 32, look, "", std::to_string(p + 1), 12);
  for (int look = 0; look < 3; ++look)
    ButtonLook(c, 400, static_cast<float>(144 + 48 * look), 152, 48, look, "戻る", "RETURN", 20);
  // The newest slot's mark, over the slot bar's right end.
  c.Fill({496, 0, 536, 24}, RoundRect(497, 3, 535, 21, 9), Rgb(236, 84, 96));
  Label(c, "NEW", 516, 12, 1.5f, Rgb(255, 255, 255));
  return c;
}

// The question panel with yes and no under it (normal, hover, pressed).
Canvas QuestionPanel(const std::string& jp, const std::string& latin, bool comment) {
  Canvas c(472, 408);
  c.Fill({0, 0, 472, 216}, RoundRect(2, 2, 470, 214, 18), [](float, float y) {
    return Mix(Rgb(255, 255, 255, 0.96f), Rgb(226, 234, 255, 0.96f), Clamp01(y / 216));
  });
  c.Fill({0, 0, 472, 216}, Outline(RoundRect(3, 3, 469, 213, 17), 2.0f), kEdge);
  c.Fill({0, 0, 472, 216}, Outline(RoundRect(9, 9, 463, 207, 12), 1.0f), Rgb(150, 170, 230, 0.6f));
  Caption(c, jp, latin, 236, comment ? 48 : 64, 24, kInk);
  // The comment field's frame (the edit box sits at 117, 90).
  if (comment) {
    c.Fill({100, 80, 372, 120}, RoundRect(113, 86, 357, 114, 4), kPaper);
    c.Fill({100, 80, 372, 120}, Outline(RoundRect(113.5f, 86.5f, 356.5f, 113.5f, 4), 1.0f), kEdge);
  }
  for (int look = 0; look < 3; ++look) {
    const float oy = static_cast<float>(216 + 64 * look);
    ButtonLook(c, 0, oy, 144, 64, look, "はい", "YES", 22);
    ButtonLook(c, 144, oy, 144, 64, look, "いいえ", "NO", 22);
  }
  return c;
}

// ---- the brand logo and the ending list

Canvas Logo() {
  Canvas c(1024, 600);
  c.Paint([](float, float) { return kPaper; });
  // A ring of petals behind the name.
  for (int i = 0; i < 16; ++i) {
    const float a = static_cast<float>(i) * 0.3926991f;
    const float x = 512 + 250 * std::cos(a), y = 290 + 170 * std::sin(a);
    c.Fill({x - 30, y - 30, x + 30, y + 30}, Disc(x, y, 22), Rgb(190, 200, 250, 0.35f));
  }
  if (HaveFont()) {
    Text(c, "kivzo", 512, 262, 150, kInk);
  } else {
    Label(c, "KIVZO", 512, 262, 14.0f, kInk);
  }
  c.Fill({300, 360, 724, 366}, Capsule(360, 363, 664, 363, 1.5f), kEdge);
  Label(c, "VISUAL NOVEL ENGINE", 512, 392, 2.0f, kEdge);
  return c;
}

Canvas EndListBack() {
  Canvas c = Backdrop(1024, 600, Rgb(250, 236, 226), Rgb(236, 230, 250), 41);
  // The rows are written from 64, 52 to 434, 250: a quiet sheet under them.
  Panel(c, 40, 28, 460, 276, 16, 0.9f);
  c.Fill({0, 0, 1024, 600}, Capsule(64, 272, 436, 272, 0.6f), Rgb(180, 160, 200, 0.6f));
  Caption(c, "エンディング", "ENDINGS", 760, 460, 34, Rgb(140, 110, 150));
  return c;
}

}  // namespace

bool WriteScreenArt(const std::string& folder, const std::vector<Picture>& gallery, const std::vector<Picture>& replays) {
  bool ok = WriteOne(folder, "save_bk", SaveBack(false), false) && WriteOne(folder, "load_bk", SaveBack(true), false) &&
            WriteOne(folder, "save_cp", SaveChips(false), true) && WriteOne(folder, "load_cp", SaveChips(true), true);
  struct Question {
    const char* name;
    const char* jp;
    const char* latin;
    bool comment;
  };
  const Question questions[] = {
      {"save_yn", "セーブしますか？", "SAVE?", true},
      {"load_yn", "ロードしますか？", "LOAD?", false},
      {"qload_yn", "クイックロードしますか？", "QUICK LOAD?", false},
      {"end_yn", "終了しますか？", "QUIT?", false},
      {"title_yn", "タイトルに戻りますか？", "BACK TO TITLE?", false},
      {"cfini_yn", "設定を初期化しますか？", "RESET SETTINGS?", false},
  };
  for (const Question& q : questions) ok = ok && WriteOne(folder, q.name, QuestionPanel(q.jp, q.latin, q.comment), true);
  ok = ok && WriteOne(folder, "ld_logo", Logo(), false) && WriteOne(folder, "endm_bk", EndListBack(), false);
  return ok && WriteGalleryArt(folder, gallery, replays) && WriteConfigArt(folder);
}

}  // namespace art
