// The RIFF wave reader over loose files and archive members.
#include <gtest/gtest.h>

#include "sound/wave_file.h"
#include "tests/sound/sound_test_util.h"

namespace {

CArcView ViewOf(const std::string& path) {
  auto f = std::make_shared<pl::File>();
  EXPECT_TRUE(f->OpenNativeRead(path)) << path;
  return CArcView::WholeFile(f);
}

// Reads the whole data chunk in pieces of `piece` bytes.
std::vector<std::uint8_t> ReadAll(CWaveFile& w, std::uint32_t piece) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> buf(piece);
  for (;;) {
    std::uint32_t n = 0;
    EXPECT_EQ(w.Read(0, piece, buf.data(), &n), CWaveFile::kOk);
    if (n == 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  }
  return out;
}

struct WaveCase {
  const char* what;
  const char* options;
  bool opens;
  bool pcm16;           // a 16-bit PCM format the channels can take
  std::size_t dataBytes;  // what the reader hands out (whole frames)
};

void PrintTo(const WaveCase& c, std::ostream* os) { *os << c.what; }

class WaveVariants : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveVariants, OpenAndRead) {
  const WaveCase& c = GetParam();
  kvtest::TempDir dir;
  const std::string path =
      soundtest::MakeSound(dir, "t.wav", "wav", std::string("--wave ramp --frames 1000 ") + c.options);
  CWaveFile w;
  ASSERT_EQ(w.Open(ViewOf(path)) == CWaveFile::kOk, c.opens);
  if (!c.opens) {
    EXPECT_FALSE(w.IsOpen());
    return;
  }
  const WaveFormat& f = w.Format();
  EXPECT_EQ(f.IsPcm() && f.bitsPerSample == 16 && f.channels == 2 && f.samplesPerSec == 22050, c.pcm16);
  ASSERT_EQ(w.SeekData(), CWaveFile::kOk);
  EXPECT_EQ(w.Remaining(), c.dataBytes);
  const auto got = ReadAll(w, 1536);
  ASSERT_EQ(got.size(), c.dataBytes);
  // Whatever was handed out is the start of the file's own data.
  auto data = soundtest::WaveData(path);
  data.resize(std::min(data.size(), got.size()));
  EXPECT_EQ(got, data);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveVariants,
    ::testing::Values(WaveCase{"plain", "", true, true, 4000},
                      WaveCase{"fmt 14 bytes", "--fmt-size 14", false, false, 0},
                      WaveCase{"fmt 18 bytes", "--fmt-size 18", true, true, 4000},
                      WaveCase{"extensible PCM", "--fmt-size 40", true, true, 4000},
                      WaveCase{"extensible float", "--fmt-size 40 --tag 3", true, false, 4000},
                      WaveCase{"float tag", "--fmt-size 18 --tag 3", true, false, 4000},
                      WaveCase{"LIST before fmt", "--list-before-fmt", true, true, 4000},
                      WaveCase{"odd chunk before data", "--chunk-before-data junk:5", true, true, 4000},
                      WaveCase{"fmt after data", "--fmt-after-data", true, true, 4000},
                      WaveCase{"cut file", "--cut 1001", true, true, 2996},
                      WaveCase{"data size beyond the file", "--data-size 900000", true, true, 4000},
                      WaveCase{"odd data size", "--data-size 3999", true, true, 3996},
                      WaveCase{"8-bit", "--bits 8", true, false, 2000},
                      WaveCase{"48 kHz", "--rate 48000", true, false, 4000}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(WaveFile, NotAWaveFile) {
  kvtest::TempDir dir;
  for (const std::string& bytes : {std::string("RIFF"), std::string("RIFX\x10\0\0\0WAVEfmt ", 16),
                                   std::string("RIFF\x10\0\0\0AVI fmt ", 16), std::string()}) {
    kvtest::WriteFile(dir / "bad.wav", bytes);
    CWaveFile w;
    EXPECT_EQ(w.Open(ViewOf(dir / "bad.wav")), CWaveFile::kFail);
  }
  CWaveFile w;
  EXPECT_EQ(w.Open(CArcView()), CWaveFile::kFail);
  EXPECT_EQ(w.SeekData(), CWaveFile::kFail);
}

TEST(WaveFile, NoDataChunk) {
  kvtest::TempDir dir;
  // A whole file, then cut to the header and "fmt ".
  const std::string path = soundtest::MakeSound(dir, "t.wav", "wav", "--frames 0");
  std::string bytes = kvtest::ReadFile(path);
  kvtest::WriteFile(path, bytes.substr(0, 36));
  CWaveFile w;
  ASSERT_EQ(w.Open(ViewOf(path)), CWaveFile::kOk);
  EXPECT_EQ(w.SeekData(), CWaveFile::kFail);
}

// A data chunk of 1000 bytes read in halves of 88,200: all of it at once,
// nothing left, and all of it again after going back to the data.
TEST(WaveFile, ShortDataAndRewind) {
  kvtest::TempDir dir;
  const std::string path = soundtest::MakeSound(dir, "t.wav", "wav", "--wave ramp --frames 250");
  CWaveFile w;
  ASSERT_EQ(w.Open(ViewOf(path)), CWaveFile::kOk);
  ASSERT_EQ(w.SeekData(), CWaveFile::kOk);
  std::vector<std::uint8_t> half(88200, 0xEE);
  std::uint32_t n = 0;
  ASSERT_EQ(w.Read(0, 88200, half.data(), &n), CWaveFile::kOk);
  EXPECT_EQ(n, 1000u);
  EXPECT_EQ(w.Remaining(), 0u);
  EXPECT_EQ(half[1000], 0xEE) << "nothing written past the data";
  ASSERT_EQ(w.SeekData(), CWaveFile::kOk);
  EXPECT_EQ(w.Remaining(), 1000u);
  // A read that continues after bytes already there.
  ASSERT_EQ(w.Read(1000, 88200, half.data(), &n), CWaveFile::kOk);
  EXPECT_EQ(n, 2000u);
  EXPECT_TRUE(std::equal(half.begin(), half.begin() + 1000, half.begin() + 1000));
}

TEST(WaveFile, ArchiveMemberBetweenOthers) {
  kvtest::TempDir dir;
  const std::string a = soundtest::MakeSound(dir, "a.wav", "wav", "--wave noise --frames 300 --seed 3");
  const std::string b = soundtest::MakeSound(dir, "b.wav", "wav", "--wave ramp --frames 700");
  const std::string c = soundtest::MakeSound(dir, "c.wav", "wav", "--wave noise --frames 300 --seed 4");
  const std::string arcPath = soundtest::MakeArchive(dir, "SE.AOS", {"A.WAV=" + a, "B.WAV=" + b, "C.WAV=" + c});
  CArc arc;
  ASSERT_EQ(arc.Open(arcPath), 1);
  CWaveFile w;
  ASSERT_EQ(w.Open(arc.Seek("b.wav")), CWaveFile::kOk);
  ASSERT_EQ(w.SeekData(), CWaveFile::kOk);
  EXPECT_EQ(ReadAll(w, 1000), soundtest::WaveData(b));
}

}  // namespace
