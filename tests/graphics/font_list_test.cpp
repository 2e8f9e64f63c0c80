#include "graphics/font_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {

std::string Cp(const char* utf8) { return pl::Utf8ToCp932(utf8); }

// Fixed-pitch faces only (Japanese "Gothic"s report half-width and
// full-width cells); vertical "@" faces and names too long for a face
// field are left out; the order is the platform's.
TEST(FontList, KeepsFixedPitchFacesThatFitAFaceField) {
  CFontList list;
  list.BuildFontList({{Cp("IPAゴシック"), true},
                      {Cp("IPA Pゴシック"), false},
                      {Cp("@IPAゴシック"), true},
                      {std::string(31, 'A'), true},
                      {std::string(32, 'B'), true},
                      {"", true},
                      {Cp("ＭＳ ゴシック"), true}});
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Names()[0], Cp("IPAゴシック"));
  EXPECT_EQ(list.Names()[1], std::string(31, 'A'));
  EXPECT_EQ(list.Names()[2], Cp("ＭＳ ゴシック"));
}

TEST(FontList, WithoutFixedPitchFacesEveryFaceIsOffered) {
  CFontList list;
  list.BuildFontList({{Cp("IPA Pゴシック"), false}, {Cp("IPA P明朝"), false}});
  EXPECT_EQ(list.Count(), 2);
}

TEST(FontList, HoldsAtMost1023Names) {
  std::vector<pl::InstalledFont> many;
  for (int i = 0; i < 1100; ++i) many.push_back({"Face" + std::to_string(i), true});
  CFontList list;
  list.BuildFontList(many);
  EXPECT_EQ(list.Count(), 1023);
  EXPECT_EQ(list.FindFont("Face1022"), 1022);
  EXPECT_EQ(list.FindFont("Face1023"), -1);
  // A second build starts over.
  list.BuildFontList({{"One", true}});
  EXPECT_EQ(list.Count(), 1);
}

// Names are found byte for byte; indexes outside the list give nothing.
TEST(FontList, FindFontAndGetFontName) {
  CFontList list;
  list.BuildFontList({{"Gothic", true}, {Cp("ＭＳ 明朝"), true}});
  struct Find {
    std::string name;
    int index;
  } finds[] = {{"Gothic", 0}, {"gothic", -1}, {"Gothic ", -1}, {Cp("ＭＳ 明朝"), 1}, {"", -1}};
  for (const Find& f : finds) EXPECT_EQ(list.FindFont(f.name.c_str()), f.index) << f.name;
  EXPECT_EQ(list.FindFont(nullptr), -1);

  char name[32] = "unchanged";
  EXPECT_EQ(list.GetFontName(1, name, sizeof name), 1);
  EXPECT_EQ(std::string(name), Cp("ＭＳ 明朝"));
  for (int bad : {2, -1, 1 << 30}) {
    std::strcpy(name, "unchanged");
    EXPECT_EQ(list.GetFontName(bad, name, sizeof name), 0) << bad;
    EXPECT_STREQ(name, "unchanged");
  }
  // A short field gets whole characters only.
  char small[5];
  EXPECT_EQ(list.GetFontName(1, small, sizeof small), 1);
  EXPECT_EQ(std::string(small), Cp("ＭＳ"));
}

// On this system: the installed Japanese Gothic and Mincho, and the Windows
// names the settings use by default, which the platform maps to them.
TEST(FontList, InstalledFontsOfferTheDefaultFace) {
  CFontList list;
  list.BuildFontList();
  ASSERT_GT(list.Count(), 0);
  EXPECT_GE(list.FindFont(SJ("ＭＳ ゴシック")), 0);
  for (const std::string& n : list.Names()) {
    EXPECT_LE(n.size(), CFontList::kMaxName);
    EXPECT_NE(n[0], '@');
    EXPECT_EQ(pl::Utf8ToCp932(pl::Cp932ToUtf8(n)), n);
  }
  EXPECT_EQ(list.FindFont(SJ("ＭＳ Ｐゴシック")), -1);  // proportional
}

}  // namespace
