// The Ogg Vorbis source: loose files and archive members, one second at a
// time, against a direct decode through libvorbisfile.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/text.h"
#include "sound/ogg_stream.h"
#include "tests/sound/sound_test_util.h"

namespace {

struct RecordingReporter : ISoundReporter {
  std::vector<std::string> texts;
  void ReportBox(const std::string& text, const char*) override { texts.push_back(text); }
};

// Everything the stream gives, second by second, until it gives nothing.
std::vector<std::uint8_t> DecodeAll(COggStream& s, std::vector<int>* lengths = nullptr) {
  std::vector<std::uint8_t> out;
  for (int guard = 0; guard < 1000; ++guard) {
    const int n = s.Decode(0);
    if (lengths) lengths->push_back(n);
    if (n <= 0) break;
    out.insert(out.end(), s.Pcm(), s.Pcm() + n);
  }
  return out;
}

class OggStreamTest : public ::testing::Test {
 protected:
  kvtest::TempDir dir;
  RecordingReporter reporter;
};

// Exactly one second and a second and a half: the decoder gives whole
// seconds, then the rest, then nothing; the samples are the reference's.
TEST_F(OggStreamTest, DecodesOneSecondAtATime) {
  struct {
    const char* seconds;
    std::vector<int> lengths;
  } cases[] = {{"1", {176400, 0}}, {"1.5", {176400, 88200, 0}}, {"0.25", {44100, 0}}};
  for (const auto& c : cases) {
    const std::string path =
        soundtest::MakeSound(dir, "t.ogg", "ogg", std::string("--rate 44100 --wave chirp --seconds ") + c.seconds);
    COggStream s;
    ASSERT_EQ(s.Open(path.c_str(), nullptr, &reporter), 0);
    EXPECT_EQ(s.Rate(), 44100);
    EXPECT_EQ(s.Channels(), 2);
    std::vector<int> lengths;
    EXPECT_EQ(DecodeAll(s, &lengths), soundtest::ReferenceDecode(path));
    EXPECT_EQ(lengths, c.lengths) << c.seconds << " s";
    EXPECT_EQ(s.Close(), 1);
  }
  EXPECT_TRUE(reporter.texts.empty());
}

TEST_F(OggStreamTest, RewindStartsOver) {
  const std::string path = soundtest::MakeSound(dir, "t.ogg", "ogg", "--rate 22050 --wave noise --seconds 2.2");
  COggStream s;
  ASSERT_EQ(s.Open(path.c_str(), nullptr, &reporter), 0);
  const auto first = DecodeAll(s);
  ASSERT_EQ(s.Rewind(), 1);
  EXPECT_EQ(DecodeAll(s), first);
  // A decode that goes on after bytes already in the buffer.
  ASSERT_EQ(s.Rewind(), 1);
  const int n = s.Decode(40000);
  EXPECT_EQ(n, 88200);
  EXPECT_EQ(std::memcmp(s.Pcm() + 40000, first.data(), 88200 - 40000), 0);
}

// Members between other members: the callbacks read the member and nothing
// around it, with libvorbisfile's seeks to the end and back.
TEST_F(OggStreamTest, ArchiveMemberReadsOnlyItself) {
  const std::string before = soundtest::MakeSound(dir, "a.ogg", "ogg", "--rate 22050 --wave noise --seconds 0.7");
  const std::string mid = soundtest::MakeSound(dir, "b.ogg", "ogg", "--rate 22050 --wave chirp --seconds 1.3");
  const std::string after = soundtest::MakeSound(dir, "c.ogg", "ogg", "--rate 22050 --wave noise --seconds 0.4 --seed 9");
  const std::string arcPath =
      soundtest::MakeArchive(dir, "SE.AOS", {"A.OGG=" + before, "B.OGG=" + mid, "C.OGG=" + after});
  CArc arc;
  ASSERT_EQ(arc.Open(arcPath), 1);
  COggStream s;
  ASSERT_EQ(s.Open("b.ogg", &arc, &reporter), 0);
  EXPECT_EQ(s.Archive(), &arc);
  EXPECT_EQ(DecodeAll(s), soundtest::ReferenceDecode(mid));
  ASSERT_EQ(s.Rewind(), 1);
  EXPECT_EQ(DecodeAll(s), soundtest::ReferenceDecode(mid));
  EXPECT_EQ(s.Close(), 1);
  EXPECT_EQ(s.Archive(), nullptr);
  EXPECT_TRUE(arc.IsOpen()) << "the archive keeps its file";

  EXPECT_EQ(s.Open("missing.ogg", &arc, &reporter), -1);
  EXPECT_TRUE(reporter.texts.empty()) << "a missing member is no decoder failure";
}

// Sixteen effects of one archive decoded on sixteen threads at once give
// what each gives alone.
TEST_F(OggStreamTest, ConcurrentMembersOfOneArchive) {
  constexpr int kStreams = 16;
  std::vector<std::string> members;
  std::vector<std::string> paths;
  for (int i = 0; i < kStreams; ++i) {
    const std::string name = "se" + std::to_string(i) + ".ogg";
    paths.push_back(soundtest::MakeSound(dir, name, "ogg",
                                         "--rate 22050 --wave noise --seconds " + std::to_string(1 + i % 3) +
                                             ".5 --seed " + std::to_string(i + 1)));
    members.push_back("SE" + std::to_string(i) + ".OGG=" + paths.back());
  }
  CArc arc;
  ASSERT_EQ(arc.Open(soundtest::MakeArchive(dir, "SE.AOS", members)), 1);
  std::vector<std::unique_ptr<COggStream>> streams;
  for (int i = 0; i < kStreams; ++i) {
    streams.push_back(std::make_unique<COggStream>());
    ASSERT_EQ(streams.back()->Open(("se" + std::to_string(i) + ".ogg").c_str(), &arc, &reporter), 0);
  }
  std::vector<std::vector<std::uint8_t>> got(kStreams);
  std::vector<std::thread> threads;
  for (int i = 0; i < kStreams; ++i)
    threads.emplace_back([&, i] {
      got[i] = DecodeAll(*streams[i]);
      streams[i]->Rewind();
      auto again = DecodeAll(*streams[i]);
      if (again != got[i]) got[i].clear();
    });
  for (auto& t : threads) t.join();
  for (int i = 0; i < kStreams; ++i) EXPECT_EQ(got[i], soundtest::ReferenceDecode(paths[i])) << "stream " << i;
}

TEST_F(OggStreamTest, BrokenAndMissingFiles) {
  kvtest::WriteFile(dir / "junk.ogg", std::string(5000, 'x'));
  COggStream s;
  EXPECT_EQ(s.Open((dir / "junk.ogg").c_str(), nullptr, &reporter), -1);
  ASSERT_EQ(reporter.texts.size(), 1u);
  EXPECT_EQ(reporter.texts[0], SJ("PCMデータのオープンに失敗しました。"));
  EXPECT_FALSE(s.IsOpen());

  reporter.texts.clear();
  EXPECT_EQ(s.Open((dir / "none.ogg").c_str(), nullptr, &reporter), -1);
  EXPECT_TRUE(reporter.texts.empty()) << "a missing file gets no box";

  // A stream cut in the middle decodes what is there and then ends.
  const std::string path = soundtest::MakeSound(dir, "t.ogg", "ogg", "--rate 22050 --wave noise --seconds 3");
  std::string bytes = kvtest::ReadFile(path);
  kvtest::WriteFile(dir / "cut.ogg", bytes.substr(0, bytes.size() / 2));
  ASSERT_EQ(s.Open((dir / "cut.ogg").c_str(), nullptr, &reporter), 0);
  const auto part = DecodeAll(s);
  EXPECT_GT(part.size(), 0u);
  EXPECT_LT(part.size(), soundtest::ReferenceDecode(path).size());
  EXPECT_EQ(s.Close(), 1);

  // Decoding or rewinding a closed stream does nothing harmful.
  EXPECT_EQ(s.Decode(0), 0);
  reporter.texts.clear();
  EXPECT_EQ(s.Rewind(), 0);
  EXPECT_EQ(reporter.texts.size(), 1u);
}

}  // namespace
