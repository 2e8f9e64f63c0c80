#include "framework/sjis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// "表" is 95 5C and "ソ" is 83 5C: their trail bytes are the backslash.
// "ア" is 83 41 and "ャ" is 83 61: their trail bytes differ only in ASCII case.
const std::string kHyo = "\x95\x5C";
const std::string kA = "\x83\x41";
const std::string kYa = "\x83\x61";
const std::string kExt = "\xFA\x40";  // extension kanji: lead byte beyond 0xEF

TEST(SjisTest, CharLenStepsWholeCharactersAndStopsAtNul) {
  struct Case {
    std::string text;
    std::size_t len;
  } cases[] = {
      {"A", 1}, {kHyo, 2}, {kExt, 2}, {std::string("\x81\0", 2), 1}, {"", 0}, {"\x80x", 1}, {"\xA0x", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sjis::CharLen(c.text.c_str()), c.len) << testing::PrintToString(c.text);
  }
  // A lead byte at the very end of a view is one byte; stepping never passes the end.
  std::string_view cut("a\x95", 2);
  EXPECT_EQ(sjis::CharLen(cut, 1), 1u);
  EXPECT_EQ(sjis::CharLen(cut, 2), 0u);
  const char* p = "\x95";
  EXPECT_EQ(*sjis::NextChar(p), '\0');
  EXPECT_EQ(sjis::NextChar(sjis::NextChar(p)), p + 1);
}

TEST(SjisTest, FindAndEndsWithSeeOnlyWholeCharacters) {
  std::string s = "a\\" + kHyo + "b\\" + kHyo;  // a \ 表 b \ 表
  EXPECT_EQ(sjis::FindChar(s, '\\'), 1u);
  EXPECT_EQ(sjis::FindChar(s, '\\', 2), 5u);  // the trail of 表 at 3 is skipped
  EXPECT_EQ(sjis::FindLastChar(s, '\\'), 5u);
  EXPECT_FALSE(sjis::EndsWithChar(s, '\\'));
  EXPECT_TRUE(sjis::EndsWithChar(s + "\\", '\\'));
  EXPECT_EQ(sjis::FindChar(kHyo + kHyo, '\\'), std::string::npos);
  EXPECT_EQ(sjis::LastCharStart(s), s.size() - 2);
  EXPECT_EQ(sjis::LastCharStart(""), 0u);
}

TEST(SjisTest, CopyBoundedCutsOnCharacterBoundaryAndTerminates) {
  struct Case {
    std::string src;
    std::size_t cap;
    std::string want;
  } cases[] = {
      {"abcdef", 4, "abc"},
      {"ab" + kHyo, 4, "ab"},          // 表 would need bytes 2-3, leaving no room for the NUL
      {"ab" + kHyo, 5, "ab" + kHyo},
      {"a" + kHyo + "c", 3, "a"},
      {"abc", 1, ""},
      {std::string("ab\0cd", 5), 10, "ab"},
      {"abc", 4, "abc"},
  };
  for (const auto& c : cases) {
    char buf[16];
    std::memset(buf, 'X', sizeof buf);
    std::size_t n = sjis::CopyBounded(buf, c.cap, c.src);
    EXPECT_EQ(std::string(buf), c.want) << "cap " << c.cap;
    EXPECT_EQ(n, c.want.size());
    EXPECT_EQ(buf[c.cap], 'X') << "wrote past the field";
    EXPECT_EQ(sjis::CutBounded(c.src.substr(0, c.src.find('\0')), c.cap - 1), c.want);
  }
  char untouched = 'X';
  EXPECT_EQ(sjis::CopyBounded(&untouched, 0, "abc"), 0u);
  EXPECT_EQ(untouched, 'X');
}

TEST(SjisTest, CaseFoldingTouchesSingleByteLettersOnly) {
  struct Case {
    std::string a, b;
    bool equal;
  } cases[] = {
      {"START.SCR", "start.scr", true},
      {"Bg01", "bG01", true},
      {kA, kYa, false},                         // trail bytes are never folded
      {"x" + kA + "Y", "X" + kA + "y", true},
      {kHyo + "A", kHyo + "a", true},
      {"abc", "abcd", false},
      {"_", "\x7F", false},
      {"", "", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sjis::EqualNoCase(c.a, c.b), c.equal) << testing::PrintToString(c.a) << " vs " << c.b;
    EXPECT_EQ(sjis::EqualNoCase(c.b, c.a), c.equal);
  }
  EXPECT_LT(sjis::CompareNoCase("abc", "ABD"), 0);
  EXPECT_GT(sjis::CompareNoCase("b", "A"), 0);
  EXPECT_LT(sjis::CompareNoCase("ab", "abc"), 0);
  EXPECT_EQ(sjis::ToLowerAscii("A" + kA + "B"), "a" + kA + "b");
}

TEST(SjisTest, BoundedCompareLooksAtMostNBytes) {
  // Two fields of 4 bytes without a NUL, followed by bytes that differ.
  const char a[8] = {'N', 'a', 'M', 'e', '1', '2', '3', '4'};
  const char b[8] = {'n', 'A', 'm', 'E', '5', '6', '7', '8'};
  EXPECT_EQ(sjis::CompareNoCaseN(a, b, 4), 0);
  EXPECT_NE(sjis::CompareNoCaseN(a, b, 5), 0);
  EXPECT_EQ(sjis::CompareNoCaseN("name", "NAME", 32), 0);
  EXPECT_EQ(sjis::BoundedLength(a, 4), 4u);
  EXPECT_EQ(sjis::BoundedLength("ab", 4), 2u);
}

}  // namespace
