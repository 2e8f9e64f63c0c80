// The run forms of the .abm decoders (whole pixels at once, through the
// SIMD kernels) against the byte-by-byte forms that define the result: on
// pair streams generated here, at every SIMD level this machine has, for
// every variant, on whole and cut files, with guard bytes after the pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "abm_fixture.h"
#include "graphics/abm_decoder.h"
#include "pixel_test_util.h"

namespace {

using abmfix::Bytes;
using pixk::SimdLevel;

constexpr std::uint8_t kUntouched = 0xEE;
constexpr std::size_t kGuard = 64;

std::vector<SimdLevel> Levels() {
  std::vector<SimdLevel> v{SimdLevel::Plain};
  for (SimdLevel l : {SimdLevel::Sse2, SimdLevel::Avx2}) {
    gtest_px::SimdCap cap(l);
    if (pixk::ActiveSimdLevel() == l) v.push_back(l);
  }
  return v;
}

// Pairs of every kind: literal runs (long ones of random bytes, lengths on
// and off whole pixels, 0 and 255), zero runs and single bytes that carry
// an alpha, so runs start and end at every position within a pixel.
Bytes RandomPairs(std::uint32_t seed, std::size_t pairs) {
  std::mt19937 rng(seed);
  Bytes out;
  const int lengths[] = {0, 1, 2, 3, 4, 5, 6, 28, 29, 30, 83, 84, 85, 254, 255};
  for (std::size_t k = 0; k < pairs; ++k) {
    const unsigned kind = rng() % 10;
    const int n = rng() % 3 ? lengths[rng() % std::size(lengths)] : static_cast<int>(rng() % 256);
    if (kind < 4) {
      out.push_back(255);
      out.push_back(static_cast<std::uint8_t>(n));
      for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
    } else if (kind < 6) {
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(n));
    } else {
      out.push_back(static_cast<std::uint8_t>(1 + rng() % 254));
      out.push_back(static_cast<std::uint8_t>(rng()));
    }
  }
  return out;
}

std::string PairsLine(const Bytes& b) {
  std::string s = "pairs";
  for (std::uint8_t v : b) s += " " + std::to_string(v);
  return s + "\n";
}

void ExpectGuardKept(const Bytes& out, std::size_t pixels, const std::string& what) {
  for (std::size_t i = pixels * 4; i < out.size(); ++i) ASSERT_EQ(out[i], kUntouched) << what << " wrote past the pixels";
}

TEST(AbmRunDecoders, CodingsMatchThePlainFormAtEveryLevel) {
  const std::size_t pixelCounts[] = {0, 1, 2, 3, 5, 8, 9, 10, 17, 85, 86, 333, 1001, 4099};
  std::mt19937 rng(7);
  for (SimdLevel level : Levels()) {
    gtest_px::SimdCap cap(level);
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
      const Bytes stream = RandomPairs(seed, 40 + seed * 30);
      std::uint8_t palette[1024];
      for (auto& v : palette) v = static_cast<std::uint8_t>(rng());
      for (std::size_t pixels : pixelCounts) {
        // The whole stream, and cuts at random places (inside runs too).
        for (int c = 0; c < 4; ++c) {
          const std::size_t len = c == 0 ? stream.size() : rng() % (stream.size() + 1);
          const ByteSpan src(stream.data(), len);
          const std::string what = "level " + std::to_string(static_cast<int>(level)) + " seed " +
                                   std::to_string(seed) + " pixels " + std::to_string(pixels) + " len " +
                                   std::to_string(len);
          // 4-byte aligned, as the decoders' pixels are.
          std::vector<std::uint32_t> plain(pixels + kGuard / 4), runs(pixels + kGuard / 4);
          std::memset(plain.data(), kUntouched, plain.size() * 4);
          std::memset(runs.data(), kUntouched, runs.size() * 4);
          const auto* p8 = reinterpret_cast<std::uint8_t*>(plain.data());
          auto* r8 = reinterpret_cast<std::uint8_t*>(runs.data());
          ASSERT_EQ(DecodeByteCoding(src, reinterpret_cast<std::uint8_t*>(plain.data()), pixels, false),
                    DecodeByteCoding(src, r8, pixels, true))
              << what;
          ASSERT_EQ(0, std::memcmp(p8, r8, plain.size() * 4)) << "byte coding " << what;
          ExpectGuardKept(Bytes(r8, r8 + runs.size() * 4), pixels, "byte coding " + what);

          std::memset(plain.data(), kUntouched, plain.size() * 4);
          std::memset(runs.data(), kUntouched, runs.size() * 4);
          ASSERT_EQ(DecodeIndexCoding(src, palette, reinterpret_cast<std::uint8_t*>(plain.data()), pixels, false),
                    DecodeIndexCoding(src, palette, r8, pixels, true))
              << what;
          ASSERT_EQ(0, std::memcmp(p8, r8, plain.size() * 4)) << "index coding " << what;
          ExpectGuardKept(Bytes(r8, r8 + runs.size() * 4), pixels, "index coding " + what);
        }
      }
    }
  }
}

// One picture of each variant with 32-bit output, made by abmpack from
// recipes whose coded frames are the random streams above.
struct VariantCase {
  const char* name;
  std::string recipe;
};

std::vector<VariantCase> VariantCases() {
  const std::string p1 = PairsLine(RandomPairs(21, 120)), p2 = PairsLine(RandomPairs(22, 60)),
                    p3 = PairsLine(RandomPairs(23, 40)), p4 = PairsLine(RandomPairs(24, 30));
  return {
      {"32", "variant 32\nsize 97 13\n" + p1},
      {"248", "variant 248\nsize 61 7\npalette 0 1 2 3\npalette 200 9 8 7\npalette 255 250 251 252\n" + p1},
      {"24", "variant 24\nsize 61 9\npattern 549 4\n"},
      {"24-top-down", "variant 24\nsize 33 -7\npattern 231 5\n"},
      {"1", "variant 1\nsize 61 9\nframe\npattern 549 1\nframe\n" + p2 + "frame\n" + p3 + "seq 0 0 1 2\n"},
      {"3", "variant 3\nsize 33 5\nframe\n" + p3 + "frame\n" + p4 + "seq 0 1 0\n"},
      {"2", "variant 2\nsize 40 12\npart 0 0 40 12 0\n" + p2 + "part 3 2 17 5 1\n" + p3 + "part 3 2 17 5 1\n" + p4 +
                "part 30 7 9 4 2\n" + p4 + "seq 0 0\nseq 0 1 2\n"},
  };
}

// Everything a decoder of 32-bit pixels gives for the file, as bytes.
Bytes DecodeAll(ByteSpan file, bool simd) {
  AbmHeader h;
  if (!ParseAbmHeader(file, &h) || !AbmSizeOk(h)) return {};
  const std::size_t absH = static_cast<std::size_t>(h.height < 0 ? -h.height : h.height);
  const std::size_t frame = static_cast<std::size_t>(h.width) * absH;
  std::vector<std::uint32_t> px;
  switch (h.variant) {
    case kAbmCoded32:
    case kAbmIndexCoded:
      px.assign(frame, 0xEEEEEEEEu);
      DecodeSingleImage(file, h, reinterpret_cast<std::uint8_t*>(px.data()), frame, simd);
      break;
    case kAbmBmp24:
      px.assign(frame, 0xEEEEEEEEu);
      DecodeBmp24(file, h, px.data(), simd);
      break;
    case kAbmStacked:
    case kAbmStackedCoded:
      px.assign(frame * h.frameCount, 0xEEEEEEEEu);
      DecodeStackedFrames(file, h, px.data(), simd);
      break;
    case kAbmParts: {
      AbmPartSet set;
      px.push_back(DecodeParts(file, h, &set, simd) ? 1 : 0);
      for (const AbmPart& p : set.parts) px.insert(px.end(), p.pixels.begin(), p.pixels.end());
      for (const auto& c : set.composites) px.insert(px.end(), c.begin(), c.end());
      break;
    }
    default:
      break;
  }
  const auto* b = reinterpret_cast<const std::uint8_t*>(px.data());
  return Bytes(b, b + px.size() * 4);
}

TEST(AbmRunDecoders, EveryVariantMatchesThePlainFormWholeAndCut) {
  kvtest::TempDir dir;
  int n = 0;
  for (const VariantCase& c : VariantCases()) {
    const Bytes file = abmfix::Make(dir, c.recipe, "v" + std::to_string(n++));
    ASSERT_GT(file.size(), 54u) << c.name;
    const Bytes whole = DecodeAll(file, false);
    ASSERT_FALSE(whole.empty()) << c.name;
    for (SimdLevel level : Levels()) {
      gtest_px::SimdCap cap(level);
      // Every cut is decoded the same way by both forms, down to the header.
      for (std::size_t len = file.size(); len + 1 > 54; --len) {
        const ByteSpan part(file.data(), len);
        ASSERT_EQ(DecodeAll(part, false), DecodeAll(part, true))
            << "variant " << c.name << " level " << static_cast<int>(level) << " cut to " << len;
      }
    }
  }
}

}  // namespace
