// The .abm decoders on pictures our encoder made: every variant, the edge
// cases of the codings, and broken files of every kind.
#include "graphics/abm_decoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "abm_fixture.h"
#include "graphics/abm_image.h"

namespace {

using abmfix::Bytes;
using u32 = std::uint32_t;

u32 Px(const CBuffer& b, int x, int y) { return b.Row32(y)[x]; }

class AbmTest : public ::testing::Test {
 protected:
  Bytes Make(const std::string& recipe) { return abmfix::Make(dir_, recipe, "p" + std::to_string(n_++)); }
  kvtest::TempDir dir_;
  int n_ = 0;
};

TEST_F(AbmTest, ByteCodingRunsCrossPixels) {
  // (0,2)(255,4) 10 20 30 40: px0 = B0 G0 R10 A255 (red from the literal
  // run), px1 = 20,30,40,255; then (128,77) at p=0 and p=1 set no alpha,
  // (128,77) at p=2 gives alpha 128; (0,3) zeroes a pixel with alpha 0.
  const Bytes f = Make("variant 32\nsize 4 1\npairs 0 2 255 4 10 20 30 40 128 77 5 66 128 77 0 3\n");
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  EXPECT_EQ(img.m_nKind, 32);
  EXPECT_EQ(Px(img.m_Buffer, 0, 0), 0xFF0A0000u);
  EXPECT_EQ(Px(img.m_Buffer, 1, 0), 0xFF281E14u);
  EXPECT_EQ(Px(img.m_Buffer, 2, 0), 0x804D424Du);
  EXPECT_EQ(Px(img.m_Buffer, 3, 0), 0x00000000u);
  EXPECT_EQ(img.m_nFrameCount, 1);
  EXPECT_EQ(img.m_nGroupCount, 1);
}

TEST_F(AbmTest, PairsWithZeroCountAndExactEnd) {
  // n = 0 pairs produce nothing; the stream ends exactly at w*h*3 and the
  // bytes after it are never read.
  const Bytes f = Make("variant 32\nsize 2 1\npairs 0 0 255 0 255 6 1 2 3 4 5 6 255 3 9 9 9\n");
  CBuffer b;
  b.Create(1, 2, 1, nullptr);
  std::memset(b.m_pcPix, 0xEE, 8);
  DecodeAbm(f, b);
  EXPECT_EQ(Px(b, 0, 0), 0xFF030201u);
  EXPECT_EQ(Px(b, 1, 0), 0xFF060504u);
}

TEST_F(AbmTest, OnlyTheLowByteOfTheBitCountCounts) {
  const Bytes f = Make("variant 32\nbitcount 0x0120\nsize 1 1\npx 80102030\n");
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  EXPECT_EQ(img.m_nKind, 32);
  EXPECT_EQ(Px(img.m_Buffer, 0, 0), 0x80102030u);
}

TEST_F(AbmTest, AutomaticCodingRoundTrips) {
  const Bytes f = Make("variant 32\nsize 37 11\npattern 407 5\n");
  Bytes again = Make("variant 32\nsize 37 11\npattern 407 5\n");
  ASSERT_EQ(f, again);
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  // The same pixels through the recipe reader: regenerate the pattern.
  std::uint32_t s = 5;
  for (int i = 0; i < 407; ++i) {
    s = s * 1664525u + 1013904223u;
    u32 p = s;
    switch ((p >> 5) % 4) {
      case 0: p &= 0x00FFFFFFu; break;
      case 1: p |= 0xFF000000u; break;
      default: break;
    }
    const u32 expect = (p >> 24) == 0 ? 0u : p;  // a transparent pixel's colour is not kept
    ASSERT_EQ(Px(img.m_Buffer, i % 37, i / 37), expect) << i;
  }
  // DecodeAbm into a buffer of the same size gives the same pixels; into a
  // smaller buffer, the first pixels and no read past the file.
  CBuffer same, small;
  same.Create(1, 37, 11, nullptr);
  small.Create(1, 5, 3, nullptr);
  DecodeAbm(f, same);
  DecodeAbm(f, small);
  for (int i = 0; i < 407; ++i) ASSERT_EQ(Px(same, i % 37, i / 37), Px(img.m_Buffer, i % 37, i / 37));
  for (int i = 0; i < 15; ++i) ASSERT_EQ(Px(small, i % 5, i / 5), Px(img.m_Buffer, i % 37, i / 37));
}

TEST_F(AbmTest, IndexCodingUsesEntryZerosColour) {
  const Bytes f = Make(
      "variant 248\nsize 6 1\npalette 0 10 20 30\npalette 5 1 2 3\npalette 9 7 8 9\n"
      "idx 0:0 0:0 0:0 5:255 9:200 5:255\n");
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  EXPECT_EQ(img.m_nKind, -8);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Px(img.m_Buffer, x, 0), 0x001E140Au);  // not black
  EXPECT_EQ(Px(img.m_Buffer, 3, 0), 0xFF030201u);
  EXPECT_EQ(Px(img.m_Buffer, 4, 0), 0xC8090807u);
  EXPECT_EQ(Px(img.m_Buffer, 5, 0), 0xFF030201u);
}

TEST_F(AbmTest, Bmp24RowsArePaddedAndBottomUp) {
  for (int w = 1; w <= 5; ++w) {
    for (int h : {3, -3}) {
      std::string r = "variant 24\noffset 70\nsize " + std::to_string(w) + " " + std::to_string(h) + "\npx";
      for (int i = 0; i < w * 3; ++i) r += " " + std::to_string(0x00010203 * (i + 1) + 0x100000 * i);
      const Bytes f = Make(r + "\n");
      // padding: 3 -> 4, 6 -> 8, 9 -> 12, 12, 15 -> 16
      EXPECT_EQ(f.size(), 70u + static_cast<std::size_t>(((w * 3 + 3) & ~3) * 3));
      CAbmImage img;
      ASSERT_EQ(img.Load(f), 1) << w << " " << h;
      ASSERT_EQ(img.m_nKind, 24);
      ASSERT_EQ(img.m_Buffer.Height(), 3);
      for (int i = 0; i < w * 3; ++i) {
        const u32 p = static_cast<u32>(std::stoul(std::to_string(0x00010203 * (i + 1) + 0x100000 * i), nullptr, 16));
        ASSERT_EQ(Px(img.m_Buffer, i % w, i / w), (p & 0x00FFFFFF) | 0xFF000000u) << w << " " << h << " " << i;
      }
    }
  }
}

TEST_F(AbmTest, StackedFramesOfOddWidth) {
  // 3 frames of 101 x 50, blocks in the file out of order and with gaps;
  // frame 0 raw with 303-byte rows.
  const Bytes f = Make(
      "variant 1\nsize 101 50\n"
      "frame\npattern 5050 1\n"
      "frame\npattern 5050 2\n"
      "frame\npattern 5050 3\n"
      "order 2 0 1\ngap 13\n"
      "seq 2 0 1 2 1\nseq 0 2 2\n");
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  EXPECT_EQ(img.m_nKind, 1);
  EXPECT_EQ(img.m_Buffer.Width(), 101);
  EXPECT_EQ(img.m_Buffer.Height(), 150);
  EXPECT_EQ(img.m_nFrameCount, 3);
  EXPECT_EQ(img.GetSequenceLength(0), 4);
  EXPECT_EQ(img.GetSequenceLength(1), 2);
  EXPECT_EQ(img.GetSequenceLength(7), 1);  // no such record
  std::uint32_t s = 1;
  for (int i = 0; i < 5050; ++i) {
    s = s * 1664525u + 1013904223u;
    // frame 0 is raw: every pixel opaque with its colour
    ASSERT_EQ(Px(img.m_Buffer, i % 101, i / 101), s | 0xFF000000u) << i;
  }
  // frame 2 begins at row 100 and is byte-coded
  s = 3;
  s = s * 1664525u + 1013904223u;
  u32 p = s;
  switch ((p >> 5) % 4) {
    case 0: p &= 0x00FFFFFFu; break;
    case 1: p |= 0xFF000000u; break;
    default: break;
  }
  EXPECT_EQ(Px(img.m_Buffer, 0, 100), (p >> 24) ? p : 0u);
  // The same picture as variant 3 codes frame 0 too.
  const Bytes f3 = Make("variant 3\nsize 2 1\nframe\npx 80102030 00FFFFFF\nframe\npx FF000001 7F7F7F7F\n");
  CAbmImage img3;
  ASSERT_EQ(img3.Load(f3), 1);
  EXPECT_EQ(img3.m_nKind, 3);
  EXPECT_EQ(Px(img3.m_Buffer, 0, 0), 0x80102030u);
  EXPECT_EQ(Px(img3.m_Buffer, 1, 0), 0u);
  EXPECT_EQ(Px(img3.m_Buffer, 1, 1), 0x7F7F7F7Fu);
  EXPECT_EQ(img3.GetSequenceLength(0), 1);  // no sequence data at all
}

// A kind-2 picture: base 8 x 4 in group 0 (two base frames), then groups
// with the bytes 7, 7, 9, 3, 5: indices 1, 1, 2, 3, 4.
std::string PartsRecipe() {
  return "variant 2\nsize 8 4\n"
         "part 0 0 8 4 0\nfill 32 FF101010\n"
         "part 0 0 8 4 0\nfill 32 FF202020\n"
         "part 1 1 2 2 7\nfill 4 FF0000AA\n"
         "part 1 1 2 2 7\nfill 4 FF0000AB\n"
         "part 4 0 2 1 9\nfill 2 FF00BB00\n"
         "part 6 2 2 2 3\nfill 4 FFCC0000\n"
         "part 3 3 1 1 5\nfill 1 FFDDDDDD\n"
         "seq 0 0 1\nseq 1 0 3\nseq 2 0 4\nseq 0 0 5\nseq 0 6\n";
}

TEST_F(AbmTest, PartsGroupsCompositesAndHoles) {
  const Bytes f = Make(PartsRecipe());
  CAbmImage img;
  ASSERT_EQ(img.Load(f), 1);
  EXPECT_EQ(img.m_nKind, 2);
  ASSERT_EQ(img.m_nGroupCount, 5);
  EXPECT_EQ(img.m_nFrameCount, 7);
  const auto& ps = img.m_Parts;
  const int groupOf[] = {0, 0, 1, 1, 2, 3, 4};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(ps.parts[k].group, groupOf[k]) << k;
  ASSERT_NE(img.GetFrameRecord(4), nullptr);
  EXPECT_EQ(img.GetFrameRecord(4)->x, 3);
  EXPECT_EQ(img.GetFrameRecord(5), nullptr);  // past the groups, though below the frame count
  // Composites keep what base part 0 showed under each group.
  ASSERT_EQ(ps.composites.size(), 4u);
  for (u32 p : ps.composites[0]) EXPECT_EQ(p, 0xFF101010u);
  // Holes: groups 1, 2 and 4 cut into both base parts named by sequence 0;
  // group 3 (at 6,2 2x2) never.
  for (int base = 0; base < 2; ++base) {
    const auto& px = ps.parts[base].pixels;
    auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y) * 8 + x]; };
    const u32 fill = base ? 0xFF202020u : 0xFF101010u;
    EXPECT_EQ(at(1, 1), 0u);
    EXPECT_EQ(at(2, 2), 0u);
    EXPECT_EQ(at(4, 0), 0u);
    EXPECT_EQ(at(5, 0), 0u);
    EXPECT_EQ(at(3, 3), 0u);
    EXPECT_EQ(at(6, 2), fill);
    EXPECT_EQ(at(7, 3), fill);
    EXPECT_EQ(at(0, 0), fill);
  }
}

TEST_F(AbmTest, BrokenPartsAreBounded) {
  // More groups in the frames than the header counts: the extra frames are
  // dropped instead of writing past the group records.
  std::string r = PartsRecipe() + "groups 3\n";
  CAbmImage img;
  ASSERT_EQ(img.Load(Make(r)), 1);
  EXPECT_EQ(img.m_Parts.groups.size(), 3u);
  EXPECT_TRUE(img.m_Parts.parts[5].pixels.empty());
  EXPECT_TRUE(img.m_Parts.parts[6].pixels.empty());
  // Sequence 0 naming frames that are not there, and a group rect outside
  // the base: skipped and cut.
  CAbmImage img2;
  ASSERT_EQ(img2.Load(Make("variant 2\nsize 4 4\npart 0 0 4 4 0\nfill 16 FF111111\n"
                           "part 3 3 5 5 1\nfill 25 FF222222\nseq 0 0 1 9 65535\n")),
            1);
  EXPECT_EQ(img2.m_Parts.parts[0].pixels[15], 0u);  // the hole, cut at the base's edge
  EXPECT_EQ(img2.m_Parts.parts[0].pixels[14], 0xFF111111u);
  // No group or no frame: refused.
  CAbmImage img3;
  EXPECT_EQ(img3.Load(Make(PartsRecipe() + "groups 0\n")), 0);
  EXPECT_EQ(img3.Load(Make("variant 1\nsize 4 4\nframes 0\n")), 0);
}

TEST_F(AbmTest, ImpossibleSizesAreRefused) {
  const char* sizes[] = {"0 4", "-3 4", "4 0", "0x7FFFFFFF 1", "40000 2", "30000 30000", "1 0x7FFFFFFF"};
  for (const char* s : sizes) {
    for (const char* v : {"32", "24", "248"}) {
      CAbmImage img;
      EXPECT_EQ(img.Load(Make(std::string("variant ") + v + "\nsize " + s + "\npairs 0 255\n")), 0) << v << " " << s;
      EXPECT_TRUE(img.m_Buffer.Empty());
    }
  }
  // frames x height past what a buffer holds
  CAbmImage img;
  EXPECT_EQ(img.Load(Make("variant 3\nsize 1 20000\nframe\nframe\n")), 0);
}

// Every prefix of every fixture decodes without reading past it, and what
// it gives is the full picture's bytes or zeros.
TEST_F(AbmTest, EveryTruncationIsSafe) {
  const std::string recipes[] = {
      "variant 32\nsize 9 5\npattern 45 8\n",
      "variant 248\nsize 7 3\npalette 0 1 2 3\nidx 0:0 1:255 2:255 3:128 0:0 4:255 5:255 6:1 7:255 1:255 2:2 3:255 "
      "1:255 1:255 1:255 1:255 1:255 1:255 1:255 1:255 1:255\n",
      "variant 24\nsize 5 3\npattern 15 4\n",
      "variant 1\nsize 3 2\nframe\npattern 6 1\nframe\npattern 6 2\nseq 0 0 1\n",
      "variant 3\nsize 2 2\nframe\npattern 4 6\nframe\npattern 4 7\nseq 1 0 1 0\n",
      PartsRecipe(),
  };
  for (const auto& r : recipes) {
    const Bytes full = Make(r);
    CAbmImage whole;
    ASSERT_EQ(whole.Load(full), 1);
    for (std::size_t len = 0; len < full.size(); ++len) {
      Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
      CAbmImage img;
      const int ok = img.Load(cut);
      if (!ok || img.m_nKind != whole.m_nKind || img.m_Buffer.Empty() || whole.m_Buffer.Empty()) continue;
      ASSERT_EQ(img.m_Buffer.Width(), whole.m_Buffer.Width());
      for (int y = 0; y < img.m_Buffer.Height(); ++y)
        for (int x = 0; x < img.m_Buffer.Width() * 4; ++x) {
          const std::uint8_t got = img.m_Buffer.Row(y)[x];
          ASSERT_TRUE(got == 0 || got == whole.m_Buffer.Row(y)[x]) << r << " len " << len;
        }
    }
  }
}

// The command-line form the sample game's pictures are made with: from a
// BMP (here one the encoder wrote itself) to each kind of picture.
TEST_F(AbmTest, PicturesFromABitmap) {
  Make("variant 24\nsize 6 4\npattern 24 9\n");  // p0.abm: a 24-bit BMP
  const std::string src = dir_ / "p0.abm";
  CAbmImage ref;
  ASSERT_EQ(ref.Load(abmfix::ToBytes(kvtest::ReadFile(src))), 1);
  auto from = [&](const std::string& out, const std::string& opts) {
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir_ / out + " --from " + src + " " + opts), 0);
    return abmfix::ToBytes(kvtest::ReadFile(dir_ / out));
  };
  CAbmImage c32, c1;
  ASSERT_EQ(c32.Load(from("a.abm", "")), 1);
  EXPECT_EQ(c32.m_nKind, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(c32.m_Buffer, x, y), Px(ref.m_Buffer, x, y));
  ASSERT_EQ(c1.Load(from("b.abm", "--variant 1 --frames 2 --seq 0:0,1 --seq 2:1")), 1);
  EXPECT_EQ(c1.m_nKind, 1);
  EXPECT_EQ(c1.m_nFrameCount, 2);
  EXPECT_EQ(c1.GetSequenceLength(0), 2);
  EXPECT_EQ(Px(c1.m_Buffer, 5, 3), Px(ref.m_Buffer, 5, 3));
  // a rule picture: 8-bit, index = blue
  const Bytes rule = from("r.msk", "--variant 8");
  AbmHeader h;
  ASSERT_TRUE(ParseAbmHeader(rule, &h));
  EXPECT_EQ(h.variant, 8);
  EXPECT_TRUE(IsPlainBmp(h));
  std::vector<std::uint8_t> plane(24);
  DecodeBmp8Indices(rule, h, plane.data());
  EXPECT_EQ(plane[7], Px(ref.m_Buffer, 1, 1) & 0xFF);
  EXPECT_NE(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + dir_ / "x.abm --from " + src + " --variant 1 --frames 3 2>/dev/null"), 0);
}

TEST(SequenceRecords, WalkIsBounded) {
  // records: (mode 2, n 2: 5 6), (mode 0, n 0), (mode 1, n 3 but only one frame present)
  const std::uint8_t seq[] = {0, 2, 2, 0, 5, 0, 6, 0, 0, 0, 0, 0, 0, 1, 3, 0, 9, 0};
  SequenceRecord r;
  ASSERT_TRUE(FindSequenceRecord(ByteSpan(seq, sizeof seq), 0, &r));
  EXPECT_EQ(r.mode, 2);
  EXPECT_EQ(r.Length(), 2);
  EXPECT_EQ(r.Frame(1), 6);
  EXPECT_FALSE(FindSequenceRecord(ByteSpan(seq, sizeof seq), 1, &r));
  EXPECT_EQ(r.Length(), 1);  // empty: shows frame 0 for good
  EXPECT_EQ(r.Frame(0), 0);
  ASSERT_TRUE(FindSequenceRecord(ByteSpan(seq, sizeof seq), 2, &r));
  EXPECT_EQ(r.Length(), 3);
  EXPECT_EQ(r.Frame(0), 9);
  EXPECT_EQ(r.Frame(2), 0);  // not in the data
  EXPECT_FALSE(FindSequenceRecord(ByteSpan(seq, sizeof seq), 3, &r));
}

}  // namespace
