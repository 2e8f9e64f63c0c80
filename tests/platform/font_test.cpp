#include "platform/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/text.h"

namespace {

std::unique_ptr<pl::Font> OpenUtf8(const char* face, int height, bool bold = false) {
  return pl::Font::Open(pl::FontSpec{pl::Utf8ToCp932(face), height, bold});
}

// The Windows names (however a game spells them) reach their installed
// stand-ins with the same metrics.
TEST(FontResolve, WindowsJapaneseFacesMapToTheirStandIns) {
  struct Case {
    const char* name;
    const char* family;
  } cases[] = {
      {"ＭＳ ゴシック", "IPAGothic"},   {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ 明朝", "IPAMincho"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},    {"MS Gothic", "IPAGothic"},        {"ms pgothic", "IPAPGothic"},
      {"MS Mincho", "IPAMincho"},       {"MS PMincho", "IPAPMincho"},      {"MS ゴシック", "IPAGothic"},
      {"ＭＳＰゴシック", "IPAPGothic"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(pl::ResolveFaceAlias(pl::Utf8ToCp932(c.name)), c.family);
    auto font = OpenUtf8(c.name, 16);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->family(), c.family);
    EXPECT_TRUE(font->coversJapanese());
    EXPECT_TRUE(font->HasGlyph(U'あ'));
  }
}

// Whatever is asked for, the engine draws Japanese with it, so a face
// without kana is passed over while one with kana is installed.
TEST(FontResolve, FacesWithoutJapaneseAreNeverChosen) {
  for (const char* name : {"DejaVu Sans", "Liberation Serif", "no such face at all", ""}) {
    SCOPED_TRACE(name);
    auto font = OpenUtf8(name, 14);
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->coversJapanese());
    EXPECT_TRUE(font->HasGlyph(U'あ'));
    EXPECT_TRUE(font->Metrics(U'漢').present);
  }
}

// Heights follow LOGFONT: positive is the cell, negative the em. The
// Windows faces have their em as their cell, so both give the same font,
// with full-width characters one em wide and half-width ones half.
TEST(FontMetrics, WindowsGothicKeepsItsCellsAndWidths) {
  for (int height : {12, 16, 24, -16}) {
    SCOPED_TRACE(height);
    auto font = OpenUtf8("ＭＳ ゴシック", height);
    ASSERT_NE(font, nullptr);
    int em = std::abs(height);
    const pl::TextMetrics& m = font->metrics();
    EXPECT_EQ(m.height, em);
    EXPECT_EQ(m.ascent + m.descent, m.height);
    EXPECT_GT(m.ascent, m.descent);
    EXPECT_EQ(font->Metrics(U'あ').advance, em);
    EXPECT_EQ(font->Metrics(U'漢').advance, em);
    EXPECT_EQ(font->Metrics(U'A').advance, em / 2);
    EXPECT_EQ(font->MetricsCp932(0xB1).advance, em / 2);  // half-width katakana
  }
}

TEST(FontMetrics, AbcWidthsAddUpAndCp932MatchesUnicode) {
  auto font = OpenUtf8("ＭＳ Ｐゴシック", 16);
  ASSERT_NE(font, nullptr);
  struct Case {
    std::uint16_t cp932;
    char32_t unicode;
  } cases[] = {{0x82A0, U'あ'}, {0x815C, U'―'}, {0x8140, U'　'}, {0x41, U'A'}, {0x69, U'i'}, {0x20, U' '}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cp932);
    pl::GlyphMetrics a = font->MetricsCp932(c.cp932), b = font->Metrics(c.unicode);
    EXPECT_EQ(a.advance, b.advance);
    EXPECT_EQ(a.a, b.a);
    EXPECT_EQ(a.b, b.b);
    EXPECT_TRUE(a.present);
    EXPECT_GT(a.advance, 0);
    EXPECT_EQ(a.a + a.b + a.c, a.advance);
  }
  // Blanks have no black box; a proportional face gives 'i' less than 'W'.
  EXPECT_EQ(font->Metrics(U' ').b, 0);
  EXPECT_EQ(font->Metrics(U'　').b, 0);
  EXPECT_LT(font->Metrics(U'i').advance, font->Metrics(U'W').advance);
  EXPECT_EQ(font->TextWidthCp932(pl::Utf8ToCp932("あi")), font->Metrics(U'あ').advance + font->Metrics(U'i').advance);
}

TEST(FontMetrics, BoldFromARegularFaceIsOnePixelWider) {
  auto regular = OpenUtf8("ＭＳ ゴシック", 16, false);
  auto bold = OpenUtf8("ＭＳ ゴシック", 16, true);
  ASSERT_NE(regular, nullptr);
  ASSERT_NE(bold, nullptr);
  for (char32_t c : {U'あ', U'A', U' '}) {
    EXPECT_EQ(bold->Metrics(c).advance, regular->Metrics(c).advance + 1);
  }
  pl::GlyphBitmap r = regular->Render(U'あ'), b = bold->Render(U'あ');
  EXPECT_EQ(b.width, r.width + 1);
  EXPECT_EQ(b.height, r.height);
  // Overprinting never takes ink away.
  int inkR = 0, inkB = 0;
  for (auto v : r.coverage) inkR += v;
  for (auto v : b.coverage) inkB += v;
  EXPECT_GT(inkB, inkR);
}

TEST(FontRender, GreyCoverageIsAntialiasedAndMonoIsTwoLevel) {
  auto font = OpenUtf8("ＭＳ ゴシック", 24);
  ASSERT_NE(font, nullptr);
  pl::GlyphBitmap g = font->RenderCp932(0x82A0);  // あ
  ASSERT_GT(g.width, 0);
  ASSERT_GT(g.height, 0);
  ASSERT_EQ(g.coverage.size(), static_cast<std::size_t>(g.width * g.height));
  EXPECT_EQ(g.advance, 24);
  bool partial = std::any_of(g.coverage.begin(), g.coverage.end(), [](auto v) { return v > 0 && v < 255; });
  bool full = std::any_of(g.coverage.begin(), g.coverage.end(), [](auto v) { return v > 200; });
  EXPECT_TRUE(partial);
  EXPECT_TRUE(full);
  // The black box lies inside the cell: from the pen and the cell top.
  const pl::TextMetrics& m = font->metrics();
  EXPECT_GE(g.left, 0);
  EXPECT_LE(g.left + g.width, g.advance + 1);
  EXPECT_LE(g.top, m.ascent + 1);
  EXPECT_GE(g.top - g.height, -m.descent - 1);

  pl::GlyphBitmap mono = font->Render(U'あ', true);
  ASSERT_FALSE(mono.coverage.empty());
  EXPECT_TRUE(std::all_of(mono.coverage.begin(), mono.coverage.end(), [](auto v) { return v == 0 || v == 255; }));
  EXPECT_TRUE(std::any_of(mono.coverage.begin(), mono.coverage.end(), [](auto v) { return v == 255; }));

  pl::GlyphBitmap blank = font->Render(U' ');
  EXPECT_TRUE(std::all_of(blank.coverage.begin(), blank.coverage.end(), [](auto v) { return v == 0; }));
  EXPECT_EQ(blank.advance, 12);
}

TEST(FontText, Cp932CharactersBecomeCodePoints) {
  EXPECT_EQ(pl::Cp932CodeToUnicode(0x82A0), U'あ');
  EXPECT_EQ(pl::Cp932CodeToUnicode(0x41), U'A');
  EXPECT_EQ(pl::Cp932CodeToUnicode(0xB1), U'\uFF71');
  EXPECT_EQ(pl::Cp932CodeToUnicode('?'), U'?');
  // No character: a lead byte alone, an unassigned byte, a bad trail byte.
  EXPECT_EQ(pl::Cp932CodeToUnicode(0x82), U'\uFFFD');
  EXPECT_EQ(pl::Cp932CodeToUnicode(0xFF), U'\uFFFD');
  EXPECT_EQ(pl::Cp932CodeToUnicode(0x8220), U'\uFFFD');
  EXPECT_EQ(pl::Cp932CodeToUnicode(0x4142), U'\uFFFD');  // 'A' is no lead byte

  // "ソ" has the trail byte 0x5C, which must not split the character.
  std::string text = pl::Utf8ToCp932("ソA") + "\x82";
  EXPECT_EQ(pl::Cp932ToUtf32(text), std::u32string(U"ソA\uFFFD"));
}

TEST(FontList, ListsInstalledJapaneseFamiliesInCp932) {
  auto fonts = pl::ListJapaneseFonts();
  ASSERT_FALSE(fonts.empty());
  auto find = [&](const char* utf8) {
    std::string cp = pl::Utf8ToCp932(utf8);
    return std::find_if(fonts.begin(), fonts.end(), [&](const pl::InstalledFont& f) { return f.nameCp932 == cp; });
  };
  // Under their Japanese names, as a Japanese desktop shows them.
  auto gothic = find("IPAゴシック");
  auto pgothic = find("IPA Pゴシック");
  ASSERT_NE(gothic, fonts.end());
  ASSERT_NE(pgothic, fonts.end());
  EXPECT_TRUE(gothic->fixedPitch);
  EXPECT_FALSE(pgothic->fixedPitch);
  EXPECT_EQ(find("IPAGothic"), fonts.end());  // one entry per family
  EXPECT_EQ(find("DejaVu Sans"), fonts.end());
  EXPECT_EQ(find("ＭＳ ゴシック"), fonts.end());
  EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end(),
                             [](const auto& a, const auto& b) { return a.nameCp932 < b.nameCp932; }));
  for (const auto& f : fonts) {
    SCOPED_TRACE(pl::Cp932ToUtf8(f.nameCp932));
    EXPECT_EQ(pl::Utf8ToCp932(pl::Cp932ToUtf8(f.nameCp932)), f.nameCp932);
    auto font = pl::Font::Open({f.nameCp932, 16, false});
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->HasGlyph(U'あ'));
  }

  auto withWindows = pl::ListJapaneseFonts(true);
  EXPECT_EQ(withWindows.size(), fonts.size() + 4);
  std::string ms = pl::Utf8ToCp932("ＭＳ ゴシック");
  auto it = std::find_if(withWindows.begin(), withWindows.end(), [&](const auto& f) { return f.nameCp932 == ms; });
  ASSERT_NE(it, withWindows.end());
  EXPECT_TRUE(it->fixedPitch);
}

}  // namespace
