#include "framework/byte_io.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using byteio::ByteReader;
using byteio::ByteWriter;

TEST(ByteIoTest, FieldsRoundTripLittleEndian) {
  ByteWriter w;
  w.U32(0x11223344);
  w.I32(-2);
  w.U16(0xBEEF);
  w.U8(7);
  w.PaddedText("abc");   // 4 bytes
  w.PaddedText("abcd");  // 8 bytes
  w.PaddedText("");      // 4 bytes
  w.FixedText("xy", 6);
  const auto& d = w.Data();
  ASSERT_EQ(d.size(), 4u + 4 + 2 + 1 + 4 + 8 + 4 + 6);
  EXPECT_EQ(d[0], 0x44);
  EXPECT_EQ(d[3], 0x11);
  EXPECT_EQ(d[4], 0xFE);
  EXPECT_EQ(d[7], 0xFF);
  EXPECT_EQ(d[8], 0xEF);
  EXPECT_EQ(std::string(d.begin() + 11, d.begin() + 15), std::string("abc\0", 4));
  EXPECT_EQ(std::string(d.begin() + 15, d.begin() + 23), std::string("abcd\0\0\0\0", 8));

  ByteReader r(d);
  EXPECT_EQ(r.U32(), 0x11223344u);
  EXPECT_EQ(r.I32(), -2);
  EXPECT_EQ(r.U16(), 0xBEEF);
  EXPECT_EQ(r.U8(), 7);
  EXPECT_EQ(r.PaddedText(), "abc");
  EXPECT_EQ(r.PaddedText(), "abcd");
  EXPECT_EQ(r.PaddedText(), "");
  EXPECT_EQ(r.FixedText(6), "xy");
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteIoTest, ReadsPastTheEndFailForGood) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    void (*read)(ByteReader&);
  } cases[] = {
      {"short word", {1, 2, 3}, [](ByteReader& r) { EXPECT_EQ(r.U32(), 0u); }},
      {"text without NUL", {'a', 'b', 'c', 'd'}, [](ByteReader& r) { EXPECT_EQ(r.PaddedText(), ""); }},
      {"text without padding", {'a', 'b', 'c', 'd', 0, 0}, [](ByteReader& r) { r.PaddedText(); }},
      {"fixed field too wide", {'a', 0}, [](ByteReader& r) { EXPECT_EQ(r.FixedText(3), ""); }},
      {"bytes too many", {1, 2}, [](ByteReader& r) {
         std::uint8_t b[3] = {9, 9, 9};
         EXPECT_FALSE(r.Bytes(b, 3));
         EXPECT_EQ(b[0], 9);
       }},
      {"span too long", {1}, [](ByteReader& r) { EXPECT_TRUE(r.Span(2).empty()); }},
      {"skip too far", {1, 2}, [](ByteReader& r) { EXPECT_FALSE(r.Skip(3)); }},
      {"seek past end", {1, 2}, [](ByteReader& r) { EXPECT_FALSE(r.Seek(3)); }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    ByteReader r(c.bytes);
    c.read(r);
    EXPECT_FALSE(r.Ok());
    // Once failed, even a read that would fit yields nothing.
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.Remaining(), 0u);
  }
}

TEST(ByteIoTest, FixedTextCutsOnCharacterBoundary) {
  ByteWriter w;
  w.FixedText("ab\x95\x5C", 4);  // "ab表" does not fit in 3 bytes + NUL
  EXPECT_EQ(w.Data(), (std::vector<std::uint8_t>{'a', 'b', 0, 0}));
  // A full field without a NUL reads back whole.
  const std::vector<std::uint8_t> full{'w', 'x', 'y', 'z'};
  ByteReader r(full);
  EXPECT_EQ(r.FixedText(4), "wxyz");
  EXPECT_FALSE(w.PutU32At(1, 5));
  EXPECT_TRUE(w.PutU32At(0, 0x01020304));
  EXPECT_EQ(w.Data()[0], 4);
}

}  // namespace
