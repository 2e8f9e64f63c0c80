#include "graphics/anti_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "graphics/pixel_buffer.h"
#include "platform/fake/fake_backend.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace {

// A rasteriser whose output the tests know: every character is the 4x
// pattern the test gives (a function of the 4x cell column and row, 0 or
// 255), placed with its top-left at the cell's top-left and reaching past
// its right and bottom; widths come from a table.
struct FakeRaster {
  std::function<int(std::uint16_t code, int x, int y)> pattern = [](std::uint16_t, int, int) { return 0; };
  std::map<std::uint16_t, int> widthBC;
  int renders = 0;
  int opens = 0;
  std::vector<std::string> openedFaces;
};

class FakeFace final : public IGlyphFace {
 public:
  FakeFace(FakeRaster* r, int height) : r_(r), h4_(4 * height) {}
  int Ascent4x() override { return h4_ * 3 / 4; }
  pl::GlyphBitmap Render4x(std::uint16_t code) override {
    ++r_->renders;
    pl::GlyphBitmap g;
    g.width = 2 * h4_ + 8;  // wider than any cell: the canvas cuts it
    g.height = h4_ + 32;  // reaching below the cell into the padding rows
    g.left = 0;
    g.top = Ascent4x();
    g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x)
        g.coverage[static_cast<std::size_t>(y) * g.width + x] = static_cast<std::uint8_t>(r_->pattern(code, x, y));
    return g;
  }
  int WidthBC(std::uint16_t code) override {
    auto it = r_->widthBC.find(code);
    return it == r_->widthBC.end() ? 0 : it->second;
  }

 private:
  FakeRaster* r_;
  int h4_;
};

class AntiFontFake : public ::testing::Test {
 protected:
  void SetUp() override {
    font.Init(nullptr);
    font.SetGlyphFaceFactory([this](const std::string& face, int height, bool) {
      ++raster.opens;
      raster.openedFaces.push_back(face);
      return std::make_unique<FakeFace>(&raster, height);
    });
  }
  // A font of height h whose cell is w wide (w >= h).
  void Use(int h, int w, const char* face = "Fake") {
    raster.widthBC[0x815C] = w;
    raster.widthBC[0x82A0] = w - 1;
    LogFontA lf = MakeLogFont(face, h);
    font.SetFont(lf);
    ASSERT_EQ(font.CellWidth(), w);
  }
  std::vector<std::uint8_t> Glyph(std::uint16_t code) {
    GlyphCoverage g;
    EXPECT_GT(font.GetGlyph(code, &g), 0u);
    return std::vector<std::uint8_t>(g.bits, g.bits + g.size);
  }

  pl::FakeBackend fake;
  FakeRaster raster;
  CAntiFont font;
};

// A 4x box from (8, 8) to (23, 23): the white box over its grey copies two
// pixels to the left and two up, reduced by 4 x 4 means.
TEST_F(AntiFontFake, GreyCopiesLeftAndAboveThenWhiteReduceToCoverage) {
  raster.pattern = [](std::uint16_t, int x, int y) { return (x >= 8 && x < 24 && y >= 8 && y < 24) ? 255 : 0; };
  Use(8, 12);
  const std::vector<std::uint8_t> g = Glyph(0x82A0);
  ASSERT_EQ(g.size(), 8u * 16u);
  auto at = [&](int x, int y) { return g[static_cast<std::size_t>(y) * 16 + x]; };
  // Inside the white box: full.
  EXPECT_EQ(at(2, 2), 255);
  EXPECT_EQ(at(5, 5), 255);
  // Left of it, 2 of 4 sample columns grey 128: 8 x 128 / 16.
  EXPECT_EQ(at(1, 2), 64);
  EXPECT_EQ(at(1, 5), 64);
  // Above it, 2 of 4 sample rows grey.
  EXPECT_EQ(at(2, 1), 64);
  // The corner up-left gets neither copy; right of and below the box nothing.
  EXPECT_EQ(at(1, 1), 0);
  EXPECT_EQ(at(6, 3), 0);
  EXPECT_EQ(at(3, 6), 0);
  EXPECT_EQ(at(0, 0), 0);
}

// Near the right edge the sample columns are chosen by 1x column numbers:
// output column i (from 1) keeps sample k when i - 1 + k < w. With w = 10
// the eighth column averages 3 samples and the ninth 2, and from the tenth
// on all is 0 - pinned as the renderer has always drawn it.
TEST_F(AntiFontFake, RightEdgeColumnsAverageTheSamplesTheirColumnNumbersAllow) {
  // Sample columns 3, 7, 11, ... white; their grey copies fall on 1, 5, 9, ...
  raster.pattern = [](std::uint16_t, int x, int) { return x % 4 == 3 ? 255 : 0; };
  Use(8, 10);
  const std::vector<std::uint8_t> g = Glyph(0x82A0);
  ASSERT_EQ(g.size(), 8u * 16u);
  const std::uint8_t full = (4 * (128 + 255)) >> 4;  // 95
  const std::uint8_t expected[16] = {full, full, full, full, full, full, full, 4 * 128 / 12, 4 * 128 / 8, 0, 0,
                                     0,    0,    0,    0,    0};
  for (int row = 1; row < 8; ++row) {  // row 0 also has the grey copy from below cut off
    for (int col = 0; col < 16; ++col) {
      EXPECT_EQ(g[static_cast<std::size_t>(row) * 16 + col], expected[col]) << "row " << row << " col " << col;
    }
  }
}

// The cell is the wider of the dash 0x815C and the kana 0x82A0 (B + C),
// never narrower than the height (then height + 1); one-byte characters
// advance by half of it plus 1.
TEST_F(AntiFontFake, CellWidthFromTheDashAndTheKana) {
  struct Case {
    int dash, kana, height, width;
  } cases[] = {{20, 22, 16, 22}, {23, 18, 16, 23}, {10, 12, 16, 17}, {16, 16, 16, 16}, {0, 0, 24, 25}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dash << " " << c.kana << " " << c.height);
    raster.widthBC[0x815C] = c.dash;
    raster.widthBC[0x82A0] = c.kana;
    LogFontA lf = MakeLogFont(("Fake" + std::to_string(n++)).c_str(), c.height);
    font.SetFont(lf);
    EXPECT_EQ(font.Height(), c.height);
    EXPECT_EQ(font.CellWidth(), c.width);
    const std::string text = pl::Utf8ToCp932("あA") + "@0" + "b";
    EXPECT_EQ(font.TextWidth(text.c_str(), static_cast<int>(text.size())), c.width + (c.width / 2 + 1) * 2 + c.width);
  }
}

TEST_F(AntiFontFake, SetFontLimitsTheHeightAndKeepsAnEqualFont) {
  LogFontA ok = MakeLogFont("Fake", 64);
  font.SetFont(ok);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(font.Height(), 64);
  EXPECT_EQ(font.GetLogFont().lfHeight, 256);  // kept at four times the height
  EXPECT_EQ(raster.opens, 1);

  // The same font again, with the face in other ASCII case: nothing new.
  LogFontA again = MakeLogFont("FAKE", 64);
  font.SetFont(again);
  EXPECT_EQ(raster.opens, 1);

  LogFontA big = MakeLogFont("Other", 65);
  font.SetFont(big);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, pl::Utf8ToCp932("設定するフォントのポイント数が文字描画バッファのサイズ以上のポイント数です。"
                                                "\nポイント数を強い策してください。"));
  EXPECT_EQ(fake.boxes[0].caption, SJ("CAntiFontクラス"));
  EXPECT_EQ(fake.boxes[0].style, pl::MB_OK);
  EXPECT_EQ(big.lfHeight, 64);  // the caller's record too
  EXPECT_EQ(font.Height(), 64);
  EXPECT_EQ(font.GetLogFont().lfHeight, 256);

  // A negative height is limited by its size as well.
  LogFontA negative = MakeLogFont("Other", -300);
  font.SetFont(negative);
  EXPECT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(font.Height(), 64);
}

// Face names fold ASCII letters only: "ア" (83 41) and "ャ" (83 61) differ
// by an ASCII case bit in their trail bytes and are different faces.
TEST_F(AntiFontFake, FaceNamesFoldOnlyAsciiLetters) {
  raster.pattern = [](std::uint16_t, int, int) { return 255; };
  LogFontA a = MakeLogFont(SJ("ア"), 16);
  font.SetFont(a);
  Glyph(0x82A0);
  LogFontA b = MakeLogFont(SJ("ャ"), 16);
  font.SetFont(b);
  EXPECT_EQ(raster.opens, 2);
  Glyph(0x82A0);
  EXPECT_EQ(raster.renders, 2);  // not taken from the other face's cache
  EXPECT_EQ(font.CacheEntries(), 2u);
}

// Glyphs are made once per code, height, weight and face; the cache outlives
// font changes.
TEST_F(AntiFontFake, CacheKeysAndReuseAcrossFontChanges) {
  raster.pattern = [](std::uint16_t code, int x, int) { return x < code % 16 ? 255 : 0; };
  Use(16, 17);
  const std::vector<std::uint8_t> first = Glyph(0x82A0);
  Glyph(0x82A0);
  EXPECT_EQ(raster.renders, 1);
  Glyph(0x82A2);
  EXPECT_EQ(raster.renders, 2);

  Use(20, 21);  // another height: its own glyphs
  Glyph(0x82A0);
  EXPECT_EQ(raster.renders, 3);
  LogFontA bold = MakeLogFont("Fake", 20, 400);
  font.SetFont(bold);  // another weight: its own glyphs
  Glyph(0x82A0);
  EXPECT_EQ(raster.renders, 4);

  Use(16, 17, "fAKE");  // back: found in the cache
  EXPECT_EQ(Glyph(0x82A0), first);
  EXPECT_EQ(raster.renders, 4);
}

// Height 64 with a cell of 65 is 64 rows of 72 bytes a glyph; 228 of them
// pass 1 MiB, so the 229th new glyph empties the cache first. Hits never do.
TEST_F(AntiFontFake, CacheIsEmptiedWholeOncePastOneMebibyte) {
  Use(64, 65);
  const std::size_t each = 64 * 72;
  for (int i = 0; i < 228; ++i) Glyph(static_cast<std::uint16_t>(0x8800 + i));
  EXPECT_EQ(font.CacheEntries(), 228u);
  EXPECT_EQ(font.CacheBytes(), 228 * each);
  ASSERT_GE(font.CacheBytes(), CAntiFont::kCacheLimit + 1);
  Glyph(0x8800);  // a hit
  EXPECT_EQ(font.CacheEntries(), 228u);
  Glyph(0x9000);
  EXPECT_EQ(font.CacheEntries(), 1u);
  EXPECT_EQ(font.CacheBytes(), each);
}

TEST_F(AntiFontFake, CacheBelowTheLimitKeepsGrowing) {
  Use(64, 65);
  for (int i = 0; i < 227; ++i) Glyph(static_cast<std::uint16_t>(0x8800 + i));
  ASSERT_LT(font.CacheBytes(), CAntiFont::kCacheLimit + 1);
  Glyph(0x9000);
  EXPECT_EQ(font.CacheEntries(), 228u);
}

// A 1024 x 600 screen as the engine's surfaces are, with a known background.
struct Screen {
  std::vector<std::uint8_t> px = std::vector<std::uint8_t>(1024 * 600 * 4);
  Screen() {
    for (std::size_t i = 0; i < px.size(); i += 4) {
      px[i] = 0x20;
      px[i + 1] = 0x40;
      px[i + 2] = 0x60;
      px[i + 3] = 0x5A;
    }
  }
  const std::uint8_t* at(int x, int y) const { return &px[(static_cast<std::size_t>(y) * 1024 + x) * 4]; }
};

// Each pixel of the cell becomes d + ((colour - d) * c >> 8) in B, G and R
// with the colour given as a COLORREF; the fourth byte stays; nothing
// outside the cells changes.
TEST_F(AntiFontFake, DrawStringBlendsTheColourByCoverageInsideTheCellsOnly) {
  raster.pattern = [](std::uint16_t code, int x, int y) { return ((x / 3 + y / 5 + code) % 3) ? 255 : 0; };
  Use(12, 13);
  Screen s;
  const Screen before;
  const std::string text = pl::Utf8ToCp932("あ") + "x";
  const int x0 = 100, y0 = 50;
  const std::uint32_t colour = 0x00C08010;  // R 0x10, G 0x80, B 0xC0
  const int pen = font.DrawString(x0, text.c_str(), s.px.data(), colour, y0, static_cast<int>(text.size()));
  EXPECT_EQ(pen, x0 + 13 + 13 / 2 + 1);

  std::vector<std::uint8_t> expected = before.px;
  int cellX = x0;
  for (std::uint16_t code : {std::uint16_t{0x82A0}, std::uint16_t{'x'}}) {
    GlyphCoverage g;
    ASSERT_GT(font.GetGlyph(code, &g), 0u);
    for (int r = 0; r < g.rows; ++r)
      for (int c = 0; c < g.stride; ++c) {
        const int cov = g.bits[r * g.stride + c];
        if (!cov) continue;
        std::uint8_t* d = &expected[(static_cast<std::size_t>(y0 + r) * 1024 + cellX + c) * 4];
        const int want[3] = {0xC0, 0x80, 0x10};  // B, G, R in memory
        for (int k = 0; k < 3; ++k) d[k] = static_cast<std::uint8_t>(d[k] + ((want[k] - d[k]) * cov >> 8));
      }
    cellX += code > 0xFF ? 13 : 13 / 2 + 1;
  }
  ASSERT_EQ(s.px.size(), expected.size());
  std::size_t diffs = 0, changed = 0;
  for (std::size_t i = 0; i < s.px.size(); ++i) {
    diffs += s.px[i] != expected[i];
    changed += s.px[i] != before.px[i];
  }
  EXPECT_EQ(diffs, 0u);
  EXPECT_GT(changed, 0u);
  // A full-coverage pixel: the COLORREF's blue byte lands first in memory.
  GlyphCoverage g;
  font.GetGlyph(0x82A0, &g);
  int fx = -1, fy = -1;
  for (int r = 0; r < g.rows && fx < 0; ++r)
    for (int c = 0; c < 13 && fx < 0; ++c)
      if (g.bits[r * g.stride + c] == 255) fx = c, fy = r;
  ASSERT_GE(fx, 0);
  const std::uint8_t* p = s.at(x0 + fx, y0 + fy);
  EXPECT_EQ(p[0], 0x20 + ((0xC0 - 0x20) * 255 >> 8));
  EXPECT_EQ(p[1], 0x40 + ((0x80 - 0x40) * 255 >> 8));
  EXPECT_EQ(p[2], 0x10);  // 0x60 + (-80 * 255 >> 8)
  EXPECT_EQ(p[3], 0x5A);
}

// A cell reaching x = 1024 or y = 600 is skipped whole; cells starting left
// of or above the picture are cut, the part inside drawn as it would be.
TEST_F(AntiFontFake, EdgesSkipRightAndBottomAndCutLeftAndTop) {
  raster.pattern = [](std::uint16_t, int x, int y) { return (x + 2 * y) % 7 < 4 ? 255 : 0; };
  Use(12, 13);  // rows 16, stride 16
  const std::string a = pl::Utf8ToCp932("あ");
  struct Case {
    int x, y;
    bool drawn;
  } cases[] = {{1024 - 16, 10, false}, {1024 - 17, 10, true}, {10, 600 - 12, false}, {10, 600 - 13, true},
               {-5, 10, true},         {10, -7, true},        {-20, 10, false},      {10, -16, false}};
  GlyphCoverage g;
  ASSERT_GT(font.GetGlyph(0x82A0, &g), 0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    Screen s;
    const Screen before;
    font.DrawString(c.x, a.c_str(), s.px.data(), 0xFFFFFF, c.y, 2);
    std::size_t changed = 0, wrong = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 1024; ++x) {
        const int gx = x - c.x, gy = y - c.y;
        const bool inCell = gx >= 0 && gx < g.stride && gy >= 0 && gy < g.rows;
        const int cov = inCell && c.drawn ? g.bits[gy * g.stride + gx] : 0;
        const std::uint8_t want = static_cast<std::uint8_t>(0x20 + ((0xFF - 0x20) * cov >> 8));
        changed += s.at(x, y)[0] != before.at(x, y)[0];
        wrong += s.at(x, y)[0] != want;
      }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(changed > 0, c.drawn);
  }
}

// Rows past a cell's height (its 8-row padding) are cut at the bottom of
// the buffer rather than written past it (the vector is exactly the
// picture, so the sanitizer builds catch an overrun).
TEST_F(AntiFontFake, PaddedRowsAtTheBottomStayInsideTheBuffer) {
  raster.pattern = [](std::uint16_t, int, int) { return 255; };
  Use(10, 11);  // 16 rows for a 10-row cell
  Screen s;
  const std::string a = pl::Utf8ToCp932("あ");
  font.DrawString(0, a.c_str(), s.px.data(), 0xFFFFFF, 600 - 11, 2);
  EXPECT_NE(s.at(0, 599)[0], 0x20);  // cell row 10: padding, cut after it

  CBuffer small;
  ASSERT_EQ(small.Create(0, 40, 14, nullptr), CBuffer::kCreateOk);
  font.DrawString(0, a.c_str(), small, 0xFFFFFF, 3, 2);
  EXPECT_NE(small.Row(13)[0], 0);
}

// The length counts bytes and is tested before each character, so a cut
// two-byte character is still drawn; a NUL ends the text, also where the
// second byte of a character belongs.
TEST_F(AntiFontFake, LengthCutsAndNulBytes) {
  raster.pattern = [](std::uint16_t, int x, int) { return x < 16 ? 255 : 0; };  // ink in cell columns 0..3
  Use(12, 13);
  struct Case {
    std::string text;
    int length;
    int advance;
    int cells;
  } cases[] = {
      {pl::Utf8ToCp932("あい"), 3, 26, 2},
      {pl::Utf8ToCp932("あい"), 2, 13, 1},
      {std::string("\x82"), 1, 0, 0},
      {std::string("@"), 1, 0, 0},
      {std::string("ab\0cd", 5), 5, 14, 2},
      {pl::Utf8ToCp932("ｱ"), 1, 7, 1},  // half-width katakana: one byte
      {pl::Utf8ToCp932("表ソ"), 4, 26, 2},  // trail bytes 0x5C are no characters of their own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Screen s;
    const int pen = font.DrawString(200, c.text.c_str(), s.px.data(), 0xFFFFFF, 100, c.length);
    EXPECT_EQ(pen, 200 + c.advance);
    int cells = 0;
    for (int x = 200; x < 260; ++x) cells += s.at(x, 104)[0] != 0x20 && s.at(x - 1, 104)[0] == 0x20;
    EXPECT_EQ(cells, c.cells);
  }
}

// --- the inline icons

std::vector<std::uint8_t> ToBytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// A 2 x 2 packed DIB, right column "on", left "off", in red only.
std::vector<std::uint8_t> TwoByTwo(int bits) {
  std::vector<std::uint8_t> b;
  Put32(b, 40);
  Put32(b, 2);
  Put32(b, 2);
  b.push_back(1), b.push_back(0), b.push_back(static_cast<std::uint8_t>(bits)), b.push_back(0);
  for (int i = 0; i < 6; ++i) Put32(b, i == 4 && bits == 8 ? 2 : 0);
  if (bits == 8) {
    Put32(b, 0x0000FFFF);  // index 0: blue and green, no red
    Put32(b, 0x00FF0000);  // index 1: red
    for (int row = 0; row < 2; ++row) b.insert(b.end(), {0, 1, 0, 0});
  } else {
    for (int row = 0; row < 2; ++row) b.insert(b.end(), {255, 255, 0, 0, 0, 255, 0, 0});
  }
  return b;
}

// The icon's red channel, scaled to the 4x height square, is composed like
// a character: half grey 2 pixels up and left, full white at its place.
TEST_F(AntiFontFake, IconRedChannelComposedLikeACharacter) {
  Use(8, 9);
  for (int bits : {8, 24}) {
    SCOPED_TRACE(bits);
    font.SetIconBitmap(0, TwoByTwo(bits));
    const std::vector<std::uint8_t> g = Glyph(0x4030);  // "@0"
    ASSERT_EQ(g.size(), 8u * 16u);
    for (int row = 0; row < 8; ++row) {
      // Canvas: white at columns 16..31; grey 128 at 14..15 down to row 29.
      const int edge = row < 7 ? 64 : 32;
      const int expected[16] = {0, 0, 0, edge, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0};
      for (int col = 0; col < 16; ++col) EXPECT_EQ(g[row * 16 + col], expected[col]) << row << "," << col;
    }
  }
  // Broken icon bytes leave the cell empty.
  font.SetIconBitmap(0, {1, 2, 3});
  const std::vector<std::uint8_t> empty = Glyph(0x4030);
  EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](std::uint8_t v) { return v == 0; }));
}

class IconTool : public AntiFontFake {
 protected:
  void SetUp() override {
    AntiFontFake::SetUp();
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("gen_font_icons") + " " + (dir / "f0.dib") + " " +
                                 (dir / "f1.dib")),
              0);
    icon[0] = ToBytes(kvtest::ReadFile(dir / "f0.dib"));
    icon[1] = ToBytes(kvtest::ReadFile(dir / "f1.dib"));
  }
  kvtest::TempDir dir;
  std::vector<std::uint8_t> icon[2];
};

TEST_F(IconTool, WritesSquareGreyDibsThatReadBack) {
  for (const auto& dib : icon) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> red;
    ASSERT_TRUE(ReadDibRedChannel(dib, &w, &h, &red));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    // White symbol on black: a solid middle, an empty border.
    const int lit = static_cast<int>(std::count_if(red.begin(), red.end(), [](std::uint8_t v) { return v > 128; }));
    EXPECT_GT(lit, 64 * 64 / 8);
    for (int i = 0; i < 64; ++i) {
      EXPECT_EQ(red[i], 0);
      EXPECT_EQ(red[63 * 64 + i], 0);
    }
  }
  EXPECT_NE(icon[0], icon[1]);
}

// "@0" and "@1" draw their own icons in a full cell, "@" with any other
// byte the first one; the pen moves on by the cell width.
TEST_F(IconTool, IconsComeOutInTheirCells) {
  raster.pattern = [](std::uint16_t, int x, int y) { return (x < 8 && y < 8) ? 255 : 0; };
  font.SetIconBitmap(0, icon[0]);
  font.SetIconBitmap(1, icon[1]);
  Use(24, 25);
  const std::string text = pl::Utf8ToCp932("あ") + "@0@1@7";
  Screen s;
  const int pen = font.DrawString(10, text.c_str(), s.px.data(), 0xFFFFFF, 20, static_cast<int>(text.size()));
  EXPECT_EQ(pen, 10 + 4 * 25);
  auto cellInk = [&](int cell) {
    std::vector<std::uint8_t> ink;
    for (int y = 20; y < 20 + 24; ++y)
      for (int x = 10 + 25 * cell; x < 10 + 25 * (cell + 1); ++x) ink.push_back(s.at(x, y)[0]);
    return ink;
  };
  auto count = [](const std::vector<std::uint8_t>& v) {
    return std::count_if(v.begin(), v.end(), [](std::uint8_t b) { return b != 0x20; });
  };
  EXPECT_GT(count(cellInk(1)), 24 * 24 / 8);
  EXPECT_GT(count(cellInk(2)), 24 * 24 / 10);
  EXPECT_NE(cellInk(1), cellInk(2));
  EXPECT_EQ(cellInk(3), cellInk(1));
  // Nothing below the cells.
  for (int x = 0; x < 1024; ++x) EXPECT_EQ(s.at(x, 20 + 24)[0], 0x20);
}

// Once the build embeds the icons, they are the ones the tool writes.
TEST_F(IconTool, EmbeddedIconsAreTheToolsIcons) {
  auto f0 = pl::FindResource("BITMAP", "FONT00");
  auto f1 = pl::FindResource("BITMAP", "FONT01");
  if (f0.empty() && f1.empty()) GTEST_SKIP() << "FONT00 / FONT01 are not embedded in this build";
  EXPECT_EQ(std::vector<std::uint8_t>(f0.begin(), f0.end()), icon[0]);
  EXPECT_EQ(std::vector<std::uint8_t>(f1.begin(), f1.end()), icon[1]);
}

TEST(DibRedChannel, RefusesWhatItCannotRead) {
  std::vector<std::uint8_t> good = TwoByTwo(8);
  int w = 0, h = 0;
  std::vector<std::uint8_t> red;
  ASSERT_TRUE(ReadDibRedChannel(good, &w, &h, &red));
  EXPECT_EQ(red, (std::vector<std::uint8_t>{0, 255, 0, 255}));
  auto with = [&](std::size_t at, std::uint32_t v) {
    std::vector<std::uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
  };
  const std::vector<std::vector<std::uint8_t>> bad = {
      {},
      std::vector<std::uint8_t>(good.begin(), good.end() - 1),  // last row short
      with(0, 12),                                              // a header smaller than the info header
      with(0, 100000),                                          // header past the end
      with(8, 0x7FFFFFFF),                                      // height beyond the bytes
      with(4, 0),                                               // no width
      with(16, 1),                                              // compressed
      with(32, 100000),                                         // colour table past the end
  };
  for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(ReadDibRedChannel(bad[i], &w, &h, &red)) << i;
}

// --- the real fonts

TEST(AntiFontReal, JapaneseLineRendersEveryCellAtItsAdvance) {
  pl::FakeBackend fake;
  CAntiFont font;
  font.Init(nullptr);
  for (const char* face : {"ＭＳ ゴシック", "存在しない書体", ""}) {
    SCOPED_TRACE(face);
    LogFontA lf = MakeLogFont(pl::Utf8ToCp932(face).c_str(), 24);
    font.SetFont(lf);
    ASSERT_TRUE(font.HasFont());
    const int w = font.CellWidth();
    EXPECT_GE(w, 24);
    EXPECT_LE(w, 26);
    const std::string text = pl::Utf8ToCp932("日本語の文章、テスト。");
    const int chars = 11;
    Screen s;
    const int x0 = 30, y0 = 40;
    const int pen = font.DrawString(x0, text.c_str(), s.px.data(), 0x0000FF, y0, static_cast<int>(text.size()));
    EXPECT_EQ(pen, x0 + chars * w);
    for (int i = 0; i < chars; ++i) {
      SCOPED_TRACE(i);
      int ink = 0, full = 0;
      for (int y = y0; y < y0 + 24; ++y)
        for (int x = x0 + i * w; x < x0 + (i + 1) * w; ++x) {
          const std::uint8_t* p = s.at(x, y);
          if (p[2] != 0x60) ++ink;
          // Full coverage: the colour red (0xFF in R, 0 in B and G) to within
          // the >> 8 of the blend.
          if (p[2] >= 0xFE && p[0] <= 0x21 && p[1] <= 0x41) ++full;
          EXPECT_EQ(p[3], 0x5A);
        }
      EXPECT_GT(ink, 10);
      EXPECT_GT(full, 0);
    }
    // Nothing outside the line's cells (rows padded to 24 here).
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 1024; ++x) {
        if (y >= y0 && y < y0 + 24 && x >= x0 && x < x0 + chars * w + 8) continue;
        ASSERT_EQ(s.at(x, y)[2], 0x60) << x << "," << y;
      }
  }
}

TEST(AntiFontReal, HalfWidthTextAdvancesByHalfTheCellPlusOne) {
  pl::FakeBackend fake;
  CAntiFont font;
  LogFontA lf = MakeLogFont(SJ("ＭＳ ゴシック"), 16);
  font.SetFont(lf);
  const int w = font.CellWidth();
  CBuffer b;
  ASSERT_EQ(b.Create(0, 300, 40, nullptr), CBuffer::kCreateOk);
  const int pen = font.DrawString(5, std::string("Abc12"), b, 0xFFFFFF, 4);
  EXPECT_EQ(pen, 5 + 5 * (w / 2 + 1));
  int ink = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 300; ++x) ink += b.Row(y)[x * 4] != 0;
  EXPECT_GT(ink, 40);
}

}  // namespace
