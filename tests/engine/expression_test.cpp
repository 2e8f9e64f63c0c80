#include "engine/expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/value_node.h"
#include "platform/fake/fake_backend.h"
#include "tests/engine/script_test_util.h"

using kvtest::Sj;

namespace {

class ExpressionTest : public testing::Test {
 protected:
  void SetUp() override {
    vars.AddText("reg", "");
    vars.AddInt("three", 3);
    vars.AddInt("min", INT32_MIN);
    vars.AddFloat("neg", -2.7f);
    vars.AddFloat("half", 3.5f);
    vars.AddFloat("huge", 1e20f);
    vars.AddFloat("inf", std::numeric_limits<float>::infinity());
    vars.AddText("t", "abc");
    vars.AddText("t2", "abd");
    vars.AddText("empty", "");
    vars.AddList("q");
  }
  pl::FakeBackend fake;
  ValueList vars;
};

TEST_F(ExpressionTest, IntegerExpressions) {
  struct Case {
    const char* text;
    std::int32_t value;
    const char* caption;  // the one box expected, UTF-8 (null: none)
    char restAt;          // the byte the cursor is left on
  } cases[] = {
      {"7-2-1", 4, nullptr, 0},
      {"2+3*4", 14, nullptr, 0},
      {"2*3+4", 10, nullptr, 0},
      {"1|2^3", 0, nullptr, 0},
      {"1+2&3", 3, nullptr, 0},
      {"7/0", 1, "ゼロ除算エラー", 0},
      {"7%0", 0, "ゼロ除算エラー", 0},
      {"-7/2", -3, nullptr, 0},
      {"-7%2", -1, nullptr, 0},
      {"(1+2", 3, "文法エラー", 0},
      {"(1+2]*2", 6, "文法エラー", 0},
      {"!neg", -2, nullptr, 0},
      {"%three*%three", 9, nullptr, 0},
      {"2`10", 1024, nullptr, 0},
      {"2`-1", 0, nullptr, 0},
      {"0`0", 1, nullptr, 0},
      {"0`-1", INT32_MIN, nullptr, 0},  // 1/0 is infinite: x86 gives INT_MIN
      {"3`40", INT32_MIN, nullptr, 0},
      {"%min/-1", INT32_MIN, nullptr, 0},
      {"%min%-1", 0, nullptr, 0},
      {"2147483647+1", INT32_MIN, nullptr, 0},
      {"65536*65536", 0, nullptr, 0},
      {"0x7fffffff*2", -2, nullptr, 0},
      {"4294967295", 0x7FFFFFFF, nullptr, 0},
      {"~0", -1, nullptr, 0},
      {"-0x10", -16, nullptr, 0},
      {"!huge", INT32_MIN, nullptr, 0},
      {"!inf", INT32_MIN, nullptr, 0},
      {"%t+1", 1, nullptr, 0},  // a text has no integer value
      {"%empty", 0, nullptr, 0},
      {"%q", 0, nullptr, 0},
      {"%nope+1", 1, "デバッグ", 0},
      {"1+2)", 3, nullptr, ')'},
      {"$t", 0, nullptr, '$'},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    const char* p = c.text;
    EXPECT_EQ(EvalSum(p, vars), c.value) << c.text;
    EXPECT_EQ(*p, c.restAt) << c.text;
    if (c.caption) {
      ASSERT_EQ(fake.boxes.size(), 1u) << c.text;
      EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].caption), c.caption) << c.text;
    } else {
      EXPECT_TRUE(fake.boxes.empty()) << c.text;
    }
  }
  // Deeply nested parentheses are refused, not recursed into without end.
  fake.boxes.clear();
  const std::string deep(60000, '(');
  const char* p = deep.c_str();
  EXPECT_EQ(EvalSum(p, vars), 0);
  EXPECT_FALSE(fake.boxes.empty());
}

TEST_F(ExpressionTest, Conditions) {
  struct Case {
    std::string text;
    std::int32_t value;
    bool box;
  } cases[] = {
      {"%three==3", 1, false},   {"!half>3", 1, false},    {"!half<=3", 0, false},  {"%three!=3", 0, false},
      {"3>=%three", 1, false},   {"-1<0", 1, false},       {"$t==\"abc\"", 1, false}, {"$t<$t2", 1, false},
      {"$t<$t", 0, false},       {"$t>$t", 0, false},      {"\"abc\"!=$t2", 1, false}, {"$t<=\"x\"", 0, true},
      {"%three=3", 0, true},     {"%three+3", 0, true},    {"$none==\"\"", 1, true},
      // Bytes compare unsigned: a two-byte character sorts after ASCII.
      {Sj("$t<\"あ\""), 1, false},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    const char* p = c.text.c_str();
    EXPECT_EQ(EvalCondition(p, vars), c.value) << c.text;
    EXPECT_EQ(!fake.boxes.empty(), c.box) << c.text;
  }
}

TEST(ConversionTest, NumbersAndTexts) {
  pl::FakeBackend fake;
  struct IntCase {
    const char* text;
    std::int32_t value;
  } ints[] = {
      {"12", 12},          {"-12", -12},     {"~0", -1},       {"0x1F", 31},   {"0X1f", 31},
      {"-0x10", -16},      {"", 0},          {"abc", 0},       {"12ab", 12},   {"  7", 7},
      // The sign is taken off first and the rest saturates as a 32-bit long.
      {"0x80000000", 0x7FFFFFFF},            {"-2147483648", -0x7FFFFFFF},    {"-99999999999", -0x7FFFFFFF},
      {"--5", 5},          {"0x", 0},
  };
  for (const IntCase& c : ints) EXPECT_EQ(TextToInt(c.text), c.value) << c.text;
  std::int32_t out = 0;
  TextToInt("9", &out);
  EXPECT_EQ(out, 9);

  EXPECT_FLOAT_EQ(TextToFloat("2.5"), 2.5f);
  EXPECT_FLOAT_EQ(TextToFloat("-0.25x"), -0.25f);
  EXPECT_EQ(FindDot("12.5"), 2);
  EXPECT_EQ(FindDot("125"), -1);
  EXPECT_EQ(FloatToText(0.0f), "0\x81\x44" "0");
  EXPECT_EQ(FloatToText(2.5f), "2\x81\x44" "500000");
  EXPECT_EQ(FloatToText(-2.5f), "-2\x81\x44" "-500000");

  EXPECT_EQ(ToFullWidth("-5"), Sj("－５"));
  EXPECT_EQ(ToFullWidth("Az09 ."), Sj("Ａｚ０９　．"));
  EXPECT_EQ(ToFullWidth(std::string("1\x81\x44" "5")), Sj("１"));  // no full-width form: the text ends
  EXPECT_EQ(ToFullWidth("\xB1\xDE"), Sj("ア゛"));
  EXPECT_EQ(ToHalfWidth(Sj("－１２")), "-12");
  EXPECT_EQ(ToHalfWidth(Sj("０ｘ１Ｆ")), "0x1F");
  EXPECT_EQ(ToHalfWidth(Sj("１a２")), "1a2");  // single bytes stay and do not shift the pairs
  EXPECT_EQ(ToHalfWidth(Sj("ア")), "\xB1");
  EXPECT_EQ(ToHalfWidth(std::string("1\x82")), "1\x82");  // a lead byte at the end

  // Our width table agrees with the platform's conversion of the full-width
  // ASCII forms (the quotes, the backslash and the tilde are the runtime's
  // own choices and differ from the Unicode mapping).
  for (int c = 0x21; c <= 0x7E; ++c) {
    if (c == '"' || c == '\'' || c == '\\' || c == '~') continue;
    const std::string utf8 = pl::Cp932ToUtf8(ToFullWidth(std::string(1, static_cast<char>(c))));
    ASSERT_EQ(utf8.size(), 3u) << c;
    const unsigned code = ((utf8[0] & 0x0F) << 12) | ((utf8[1] & 0x3F) << 6) | (utf8[2] & 0x3F);
    EXPECT_EQ(code, 0xFF01u + (c - 0x21)) << static_cast<char>(c);
  }
}

TEST(ArithmeticTest, EdgesOfThe32BitRules) {
  pl::FakeBackend fake;
  EXPECT_EQ(DoubleToInt32(-2.7), -2);
  EXPECT_EQ(DoubleToInt32(2147483647.9), 2147483647);
  EXPECT_EQ(DoubleToInt32(2147483648.0), INT32_MIN);
  EXPECT_EQ(DoubleToInt32(-2147483648.9), INT32_MIN);
  EXPECT_EQ(DoubleToInt32(std::nan("")), INT32_MIN);
  EXPECT_EQ(WrapNeg(INT32_MIN), INT32_MIN);
  EXPECT_EQ(IntPow(-2, 3), -8);
  EXPECT_EQ(IntPow(2, INT32_MIN), 0);
  EXPECT_EQ(CheckedDiv(INT32_MIN, -1), INT32_MIN);
  EXPECT_EQ(CheckedMod(INT32_MIN, -1), 0);
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
