// The settings screen: a page of text and display settings, a page of
// sound settings, and the cells of its buttons, radio buttons, sliders
// and mute switches.
#include <string>

#include "tools/demo_art/ui_parts.h"

namespace art {

namespace {

// A row's name, right-aligned a little left of its controls.
void RowName(Canvas& c, const std::string& jp, const std::string& latin, float right, float cy) {
  const float w = HaveFont() ? TextWidth(jp, 18) : LabelWidth(latin, 2.0f);
  Caption(c, jp, latin, right - w / 2, cy, 18, kInk);
}

// The options' names, each just right of its radio button (32 x 32 at x, y).
void Option(Canvas& c, float x, float y, const std::string& jp, const std::string& latin) {
  const float w = HaveFont() ? TextWidth(jp, 16) : LabelWidth(latin, 1.6f);
  Caption(c, jp, latin, x + 36 + w / 2, y + 16, 16, kInk);
}

// The groove a slider's knob (16 x 32 at x, y) runs along.
void Groove(Canvas& c, float x, float y, float len) {
  const float cy = y + 16, x1 = x + len + 16;
  c.Fill({x - 2, cy - 6, x1 + 2, cy + 6}, Capsule(x + 4, cy, x1 - 4, cy, 4), Rgb(190, 200, 236));
  c.Fill({x - 2, cy - 6, x1 + 2, cy + 6}, Outline(Capsule(x + 4, cy, x1 - 4, cy, 4), 1.0f), kEdge);
}

// The page's name left of the tabs, and the sheet the rows sit on.
void Sheet(Canvas& c) {
  Label(c, "CONFIG", 24 + LabelWidth("CONFIG", 2.6f) / 2, 26, 2.6f, kInk);
  c.Fill({20, 40, 200, 48}, Capsule(24, 44, 190, 44, 1.2f), Rgba{kEdge.r, kEdge.g, kEdge.b, 0.7f});
  Panel(c, 40, 62, 984, 530, 18, 0.55f);
}

Canvas TextPage() {
  Canvas c = Backdrop(1024, 600, Rgb(206, 222, 250), Rgb(232, 236, 252), 71);
  Sheet(c);
  RowName(c, "画面モード", "SCREEN", 380, 97);
  Option(c, 414, 81, "ウィンドウ", "WINDOW");
  Option(c, 538, 81, "フルスクリーン", "FULL");
  Option(c, 737, 81, "拡大表示", "WIDE");
  RowName(c, "画面効果", "EFFECTS", 380, 143);
  Option(c, 558, 127, "あり", "ON");
  Option(c, 665, 127, "なし", "OFF");
  RowName(c, "キー操作", "KEYS", 380, 192);
  Option(c, 558, 176, "オン", "ON");
  Option(c, 665, 176, "オフ", "OFF");
  RowName(c, "文字の速さ", "TEXT SPEED", 380, 287);
  Option(c, 484, 271, "遅い", "SLOW");
  Option(c, 575, 271, "普通", "MID");
  Option(c, 665, 271, "速い", "FAST");
  Option(c, 754, 271, "瞬間", "NOW");
  RowName(c, "オートの速さ", "AUTO SPEED", 380, 335);
  Groove(c, 502, 319, 314);
  RowName(c, "フォント", "FONT", 380, 384);
  c.Fill({486, 364, 834, 412}, RoundRect(490, 368, 830, 408, 6), kPaper);
  c.Fill({486, 364, 834, 412}, Outline(RoundRect(490.5f, 368.5f, 829.5f, 407.5f, 6), 1.0f), kEdge);
  RowName(c, "既読スキップ", "SKIP", 380, 430);
  Option(c, 557, 414, "既読のみ", "READ");
  Option(c, 682, 414, "すべて", "ALL");
  RowName(c, "クリックでボイス停止", "VOICE STOP", 380, 478);
  Option(c, 558, 462, "する", "YES");
  Option(c, 665, 462, "しない", "NO");
  return c;
}

Canvas SoundPage() {
  Canvas c = Backdrop(1024, 600, Rgb(214, 236, 232), Rgb(232, 236, 252), 73);
  Sheet(c);
  const struct {
    const char* jp;
    const char* latin;
    float y;
  } volumes[] = {{"音楽", "MUSIC", 82}, {"ボイス", "VOICE", 128}, {"効果音", "EFFECTS", 177}};
  for (const auto& v : volumes) {
    RowName(c, v.jp, v.latin, 380, v.y + 16);
    Groove(c, 503, v.y, 312);
  }
  RowName(c, "ボイス中は音楽を下げる", "DUCK MUSIC", 530, 242);
  Option(c, 550, 226, "する", "YES");
  Option(c, 658, 226, "しない", "NO");
  RowName(c, "ボイスA", "VOICE A", 320, 290);
  Option(c, 331, 274, "オン", "ON");
  Option(c, 406, 274, "オフ", "OFF");
  RowName(c, "ボイスB", "VOICE B", 790, 290);
  Option(c, 802, 274, "オン", "ON");
  Option(c, 877, 274, "オフ", "OFF");
  const struct {
    const char* jp;
    const char* latin;
    float x, y;
  } speakers[] = {{"ミナ", "MINA", 218, 341},     {"ソラ", "SORA", 689, 341},     {"ボイス3", "VOICE 3", 218, 393},
                  {"ボイス4", "VOICE 4", 689, 393}, {"ボイス5", "VOICE 5", 218, 447}, {"ボイス6", "VOICE 6", 689, 447},
                  {"その他", "OTHERS", 218, 498}};
  for (const auto& s : speakers) {
    RowName(c, s.jp, s.latin, s.x - 14, s.y + 16);
    Groove(c, s.x, s.y, 190);
  }
  return c;
}

// A loudspeaker with waves (sound on) or with a cross (muted).
void Speaker(Canvas& c, float x, float y, bool muted, const Rgba& ink) {
  c.Fill({x, y, x + 48, y + 16}, Polygon({x + 14, y + 5, x + 18, y + 5, x + 23, y + 2, x + 23, y + 14, x + 18, y + 11, x + 14, y + 11}, 0.5f),
         ink);
  if (muted) {
    c.Fill({x, y, x + 48, y + 16}, Capsule(x + 27, y + 4, x + 34, y + 12, 1.1f), ink);
    c.Fill({x, y, x + 48, y + 16}, Capsule(x + 34, y + 4, x + 27, y + 12, 1.1f), ink);
  } else {
    c.Fill({x, y, x + 48, y + 16}, Arc(x + 24, y + 8, 4, -0.9f, 0.9f, 1.4f), ink);
    c.Fill({x, y, x + 48, y + 16}, Arc(x + 24, y + 8, 8, -0.9f, 0.9f, 1.4f), ink);
  }
}

Canvas ConfigChips() {
  Canvas c(344, 288);
  for (int look = 0; look < 3; ++look) {
    const float oy = static_cast<float>(48 * look);
    ButtonLook(c, 0, oy, 152, 48, look, "初期化", "RESET", 20);
    ButtonLook(c, 152, oy, 152, 48, look, "戻る", "RETURN", 20);
    const float ty = static_cast<float>(144 + 32 * look);
    ButtonLook(c, 0, ty, 136, 32, look, "テキスト", "TEXT", 16);
    ButtonLook(c, 136, ty, 112, 32, look, "サウンド", "SOUND", 16);
    // The slider's knob.
    const float kx = static_cast<float>(248 + 16 * look);
    const Rgba knob = look == 0 ? Rgb(255, 255, 255) : look == 1 ? Rgb(255, 226, 170) : Rgb(70, 92, 176);
    c.Fill({kx, 144, kx + 16, 176}, RoundRect(kx + 1, 145, kx + 15, 175, 6), knob);
    c.Fill({kx, 144, kx + 16, 176}, Outline(RoundRect(kx + 1.5f, 145.5f, kx + 14.5f, 174.5f, 5.5f), 1.2f), kEdge);
    // The font list's arrows.
    const float ax = static_cast<float>(248 + 32 * look);
    ButtonLook(c, ax, 176, 32, 32, look, "", "", 12);
    ButtonLook(c, ax, 208, 32, 32, look, "", "", 12);
    const Rgba ink = look == 2 ? Rgb(255, 255, 255) : kInk;
    c.Fill({ax, 176, ax + 32, 208}, Polygon({ax + 20, 184, ax + 20, 200, ax + 11, 192}, 0.5f), ink);
    c.Fill({ax, 208, ax + 32, 240}, Polygon({ax + 12, 216, ax + 12, 232, ax + 21, 224}, 0.5f), ink);
    // The radio button: an empty ring, lit, chosen.
    const float rx = static_cast<float>(32 * look) + 16;
    c.Fill({rx - 16, 240, rx + 16, 272}, Disc(rx, 256, 11), look == 1 ? Rgb(255, 240, 210) : kPaper);
    c.Fill({rx - 16, 240, rx + 16, 272}, Outline(Disc(rx, 256, 11), 1.8f), look == 1 ? Rgb(240, 170, 70) : kEdge);
    if (look == 2) c.Fill({rx - 16, 240, rx + 16, 272}, Disc(rx, 256, 6), Rgb(70, 92, 176));
    // The mute switch: on, lit, muted.
    const float sx = static_cast<float>(48 * look);
    const Rgba pill = look == 0 ? Rgb(255, 255, 255, 0.95f) : look == 1 ? Rgb(255, 236, 200) : Rgb(200, 204, 220);
    c.Fill({sx, 272, sx + 48, 288}, RoundRect(sx + 1, 273, sx + 47, 287, 7), pill);
    c.Fill({sx, 272, sx + 48, 288}, Outline(RoundRect(sx + 1.5f, 273.5f, sx + 46.5f, 286.5f, 6.5f), 1.0f), kEdge);
    Speaker(c, sx, 272, look == 2, look == 2 ? Rgb(120, 120, 140) : kInk);
  }
  return c;
}

}  // namespace

bool WriteConfigArt(const std::string& folder) {
  return WriteOne(folder, "cfm_bk0", TextPage(), false) && WriteOne(folder, "cfm_bk1", SoundPage(), false) &&
         WriteOne(folder, "cfm_cp", ConfigChips(), true);
}

}  // namespace art
