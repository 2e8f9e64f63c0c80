// The nineteen channels with their threads, on the manual device: what is
// heard, when the end of a sound is posted, looping, halting, and the
// failure paths.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/file.h"
#include "platform/text.h"
#include "tests/sound/sound_test_util.h"

namespace {

using soundtest::BufferIsSilent;
using soundtest::ExpectedOutput;
using soundtest::SoundRig;

constexpr std::size_t kSecond = 44100;

std::string FormatOptions(int channel) {
  const pl::PcmFormat f = ChannelFormat(channel);
  return " --rate " + std::to_string(f.rate) + " --channels " + std::to_string(f.channels);
}

void SetLoop(CSoundSystem& s, int channel, bool loop) {
  const int mode = loop ? 2 : 1;
  if (channel == kBgmChannel) s.m_nBgmMode = mode;
  else if (channel == kEnvChannel) s.m_nEnvMode = mode;
  else s.m_nSeMode = mode;
}

struct PlayCase {
  const char* what;
  int channel;
  const char* kind;  // "wav" or "ogg"
  const char* seconds;
  bool loop;
  long long messageAt;  // frames rendered when the end is posted; -1 never
};

void PrintTo(const PlayCase& c, std::ostream* os) { *os << c.what; }

class ChannelPlayback : public ::testing::TestWithParam<PlayCase> {};

// Each sound is heard exactly (looping without a gap), and a sound played
// once posts its end once, at the frame the two-half scheme gives.
TEST_P(ChannelPlayback, OutputAndEndMessage) {
  const PlayCase& c = GetParam();
  kvtest::TempDir dir;
  const std::string wave = std::string(c.kind) == "wav" ? "ramp" : "chirp --amp 0.7";
  const std::string path = soundtest::MakeSound(dir, std::string("t.") + c.kind, c.kind,
                                                "--wave " + wave + " --seconds " + c.seconds + FormatOptions(c.channel));
  const std::vector<std::uint8_t> data =
      std::string(c.kind) == "wav" ? soundtest::WaveData(path) : soundtest::ReferenceDecode(path);
  ASSERT_FALSE(data.empty());

  SoundRig rig;
  ASSERT_TRUE(rig.initOk);
  // Channel 3 honours the effect loop; another effect channel never loops.
  SetLoop(rig.sound, c.channel, c.loop || c.channel > kFirstSeChannel);
  ASSERT_EQ(rig.sound.OpenChannelFile(path.c_str(), c.channel), 1);
  EXPECT_EQ(rig.host.opened[c.channel], 1);

  std::vector<std::int16_t> out;
  auto render = [&](std::size_t n) {
    auto part = rig.Render(n);
    out.insert(out.end(), part.begin(), part.end());
  };
  const std::size_t total = 8 * kSecond;
  if (c.messageAt > 0) {
    render(static_cast<std::size_t>(c.messageAt) - 1);
    EXPECT_TRUE(rig.messages.empty()) << "posted before every byte was heard";
    render(1);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].channel, c.channel);
    EXPECT_EQ(rig.sound.CheckEndMessage(CSoundSystem::EndMessageParam(c.channel, rig.messages[0].generation)),
              c.channel);
    EXPECT_EQ(rig.sound.Channel(c.channel).m_bFinished.load(), 1);
  }
  render(total - out.size() / 2);
  EXPECT_EQ(rig.messages.size(), c.messageAt > 0 ? 1u : 0u) << "the end is posted once";

  const pl::PcmFormat f = ChannelFormat(c.channel);
  for (std::size_t i = 0; i < total; ++i)
    for (int s = 0; s < 2; ++s)
      ASSERT_EQ(out[2 * i + s], ExpectedOutput(f, data, i, s, c.loop)) << "frame " << i << " side " << s;
}

INSTANTIATE_TEST_SUITE_P(
    Sounds, ChannelPlayback,
    ::testing::Values(PlayCase{"music_half_second_once", kBgmChannel, "wav", "0.5", false, 44100},
                      PlayCase{"music_one_second_once", kBgmChannel, "wav", "1", false, 88200},
                      PlayCase{"music_two_and_a_half_seconds_once", kBgmChannel, "wav", "2.5", false, 132300},
                      PlayCase{"music_short_loop", kBgmChannel, "wav", "0.3", true, -1},
                      PlayCase{"music_one_second_loop", kBgmChannel, "wav", "1", true, -1},
                      PlayCase{"music_ogg_once", kBgmChannel, "ogg", "1.5", false, 88200},
                      PlayCase{"ambience_ogg_short_loop", kEnvChannel, "ogg", "0.3", true, -1},
                      PlayCase{"voice_once", kVoiceChannel, "wav", "0.5", false, 44100},
                      PlayCase{"voice_ogg_once", kVoiceChannel, "ogg", "2.2", false, 132300},
                      PlayCase{"effect_loop_on_channel_3", kFirstSeChannel, "wav", "0.3", true, -1},
                      PlayCase{"effect_on_channel_4_never_loops", kFirstSeChannel + 1, "wav", "0.3", false, 44100}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(SoundChannels, HaltSilencesAndARestartBeginsAgain) {
  kvtest::TempDir dir;
  const std::string path = soundtest::MakeSound(dir, "t.wav", "wav", "--wave ramp --seconds 2.5" + FormatOptions(0));
  const auto data = soundtest::WaveData(path);
  SoundRig rig;
  rig.host.volume[kBgmChannel] = 30;
  SetLoop(rig.sound, kBgmChannel, false);
  ASSERT_EQ(rig.sound.OpenChannelFile(path.c_str(), kBgmChannel), 1);
  const std::uint16_t firstGeneration = rig.sound.Channel(0).m_nGeneration;
  rig.Render(kSecond + 1234);

  EXPECT_EQ(rig.sound.HaltChannel(kBgmChannel), 1);
  CSoundChannel& c = rig.sound.Channel(kBgmChannel);
  EXPECT_FALSE(c.m_pBuffer->IsPlaying());
  EXPECT_EQ(c.m_szName[0], '\0');
  EXPECT_EQ(c.m_nFileKind, SoundFileKind::None);
  EXPECT_TRUE(BufferIsSilent(c));
  EXPECT_NE(c.m_nGeneration, firstGeneration);
  EXPECT_EQ(c.m_pBuffer->GetVolume(), VolumeOfAttenuation(30)) << "the kind's volume is back after the halt";
  const auto quiet = rig.Render(3 * kSecond);
  EXPECT_TRUE(std::all_of(quiet.begin(), quiet.end(), [](std::int16_t s) { return s == 0; }));
  EXPECT_TRUE(rig.messages.empty());
  EXPECT_EQ(rig.sound.HaltChannel(kBgmChannel), 1) << "halting an idle channel";

  rig.host.volume[kBgmChannel] = 0;
  ASSERT_EQ(rig.sound.OpenChannelFile(path.c_str(), kBgmChannel), 1);
  const auto again = rig.Render(kSecond);
  for (std::size_t i = 0; i < kSecond; ++i) ASSERT_EQ(again[2 * i + 1], ExpectedOutput(ChannelFormat(0), data, i, 1, false));
}

// The end message of a sound that was halted and replaced before the main
// thread read it no longer names the sound on the channel.
TEST(SoundChannels, StaleEndMessageIsRecognised) {
  kvtest::TempDir dir;
  const std::string once = soundtest::MakeSound(dir, "a.wav", "wav", "--seconds 0.5" + FormatOptions(0));
  const std::string loop = soundtest::MakeSound(dir, "b.wav", "wav", "--seconds 0.5 --freq 300" + FormatOptions(0));
  SoundRig rig;
  SetLoop(rig.sound, kBgmChannel, false);
  ASSERT_EQ(rig.sound.OpenChannelFile(once.c_str(), kBgmChannel), 1);
  rig.Render(kSecond + 10);
  ASSERT_EQ(rig.messages.size(), 1u);
  const pl::WPARAM old = CSoundSystem::EndMessageParam(kBgmChannel, rig.messages[0].generation);
  EXPECT_EQ(pl::LoWord(old), 0u) << "the channel is in the low word";
  EXPECT_EQ(rig.sound.CheckEndMessage(old), kBgmChannel);

  rig.sound.HaltChannel(kBgmChannel);
  EXPECT_EQ(rig.sound.CheckEndMessage(old), -1);
  SetLoop(rig.sound, kBgmChannel, true);
  ASSERT_EQ(rig.sound.OpenChannelFile(loop.c_str(), kBgmChannel), 1);
  EXPECT_EQ(rig.sound.CheckEndMessage(old), -1);
  EXPECT_EQ(rig.sound.CheckEndMessage(CSoundSystem::EndMessageParam(kSoundChannelCount, 0)), -1);
}

// All nineteen at once, each in its own format: the mix is their sum, and
// each posts its end at the same frame.
TEST(SoundChannels, NineteenChannelsAtOnce) {
  kvtest::TempDir dir;
  SoundRig rig;
  int sum = 0;
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    const int level = 50 * (ch + 1);
    sum += level;
    const std::string path = soundtest::MakeSound(dir, "c" + std::to_string(ch) + ".wav", "wav",
                                                  "--wave const --level " + std::to_string(level) +
                                                      " --seconds 0.5" + FormatOptions(ch));
    ASSERT_EQ(rig.sound.OpenChannelFile(path.c_str(), ch), 1) << ch;
  }
  const auto out = rig.Render(kSecond / 2 - 2);
  for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], sum) << "sample " << i;
  rig.Render(kSecond / 2 + 1);
  EXPECT_TRUE(rig.messages.empty());
  rig.Render(1);
  ASSERT_EQ(rig.messages.size(), static_cast<std::size_t>(kSoundChannelCount));
  std::vector<bool> seen(kSoundChannelCount);
  for (const auto& m : rig.messages) seen[m.channel] = true;
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool b) { return b; }));
}

// Ogg members of one archive on three channels at once: each channel reads
// its own member's bytes.
TEST(SoundChannels, ArchiveStreamsOnSeveralChannels) {
  kvtest::TempDir dir;
  const int channels[] = {kEnvChannel, 3, 4, 17};
  std::vector<std::string> members, paths;
  for (int i = 0; i < 4; ++i) {
    paths.push_back(soundtest::MakeSound(dir, "e" + std::to_string(i) + ".ogg", "ogg",
                                         "--wave noise --amp 0.15 --seed " + std::to_string(i + 5) + " --seconds " +
                                             std::to_string(1 + i) + ".3" + FormatOptions(3)));
    members.push_back("E" + std::to_string(i) + ".OGG=" + paths.back());
  }
  CArc arc;
  ASSERT_EQ(arc.Open(soundtest::MakeArchive(dir, "SE.AOS", members)), 1);
  SoundRig rig;
  SetLoop(rig.sound, kEnvChannel, false);
  SetLoop(rig.sound, kFirstSeChannel, false);
  for (int i = 0; i < 4; ++i) {
    rig.sound.Channel(channels[i]).m_pArchive = &arc;
    const std::string name = "e" + std::to_string(i) + ".ogg";
    ASSERT_EQ(rig.sound.OpenChannelFile(name.c_str(), channels[i]), 1);
    EXPECT_STREQ(rig.sound.Channel(channels[i]).m_szName, name.c_str()) << "a member keeps its name";
  }
  const std::size_t frames = 5 * kSecond;
  const auto out = rig.Render(frames);
  std::vector<std::vector<std::uint8_t>> ref;
  for (const auto& p : paths) ref.push_back(soundtest::ReferenceDecode(p));
  for (std::size_t i = 0; i < frames; ++i)
    for (int s = 0; s < 2; ++s) {
      std::int32_t want = 0;
      for (const auto& r : ref) want += ExpectedOutput(ChannelFormat(3), r, i, s, false);
      ASSERT_EQ(out[2 * i + s], want) << "frame " << i;
    }
  EXPECT_EQ(rig.messages.size(), 4u);
  for (int ch : channels) rig.sound.HaltChannel(ch);
  EXPECT_EQ(rig.sound.Channel(3).m_pArchive, nullptr);
  EXPECT_TRUE(arc.IsOpen());
}

TEST(SoundChannels, VolumeCurve) {
  const struct {
    int a, v;
  } table[] = {{0, 0}, {1, 0}, {2, -2}, {10, -50}, {50, -1250}, {99, -4900}, {100, -10000}, {120, -10000}, {-3, 0}};
  for (const auto& row : table) EXPECT_EQ(VolumeOfAttenuation(row.a), row.v) << "a = " << row.a;
  EXPECT_EQ(ScaleVolume(-10000), -10000);
  EXPECT_EQ(ScaleVolume(-9801), -4900);

  kvtest::TempDir dir;
  const std::string path =
      soundtest::MakeSound(dir, "t.wav", "wav", "--wave const --level 16000 --seconds 2" + FormatOptions(0));
  SoundRig rig;
  ASSERT_EQ(rig.sound.OpenChannelFile(path.c_str(), kBgmChannel), 1);
  for (int a : {0, 25, 50, 99, 100}) {
    EXPECT_EQ(rig.sound.SetChannelVolume(a, kBgmChannel), 0);
    EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, a);
    const auto out = rig.Render(100);
    const double want = a == 100 ? 0.0 : 16000 * std::pow(10.0, VolumeOfAttenuation(a) / 2000.0);
    EXPECT_NEAR(out[150], want, 1.0) << "a = " << a;
  }
}

// Files whose samples are not 16-bit PCM, or that are not sound files at
// all: the boxes the channel shows, result 0, and the channel stays idle.
TEST(SoundChannels, MalformedAndMismatchedFiles) {
  kvtest::TempDir dir;
  SoundRig rig;
  auto make = [&](const std::string& name, const std::string& kind, const std::string& options) {
    return soundtest::MakeSound(dir, name, kind, options);
  };
  const std::string bad = SJ("デバッグ");
  const std::string error = SJ("エラー");
  struct Case {
    std::string path;
    int channel;
    std::string text;  // empty: no box
    std::string caption;
  };
  auto badText = [](const std::string& p) {
    return std::string(SJ("指定サウンドファイル：")) + p + SJ(" は不正なファイルです。");
  };
  const std::string eight = make("eight.wav", "wav", "--rate 44100 --bits 8");
  const std::string fl = make("float.wav", "wav", "--rate 22050 --fmt-size 18 --tag 3");
  const std::string fmt14 = make("f14.wav", "wav", "--rate 44100 --fmt-size 14");
  kvtest::WriteFile(dir / "junk.ogg", std::string(3000, 'j'));
  kvtest::WriteFile(dir / "song.mp3", "x");
  const Case cases[] = {
      {eight, kBgmChannel, badText(eight), bad},
      {fl, 5, badText(fl), bad},
      {dir / "song.mp3", 0, badText(dir / "song.mp3"), bad},
      {dir / "noextension", 0, SJ("不正なBGMが指定されました。"), bad},
      {dir / "junk.ogg", 0, SJ("PCMデータのオープンに失敗しました。"), error},
      {fmt14, 0, "", ""},
      {dir / "missing.ogg", 0, "", ""},
      {dir / "missing.wav", 0, "", ""},
  };
  int current = 0;
  // A box may pump messages whose handlers use the channel: its lock is
  // never held while a box is up.
  rig.backend.onBox = [&](const pl::RecordedBox&) {
    CRefillGuard free(rig.sound.Channel(current).m_RefillLock, 0);
    EXPECT_TRUE(free.Held());
  };
  for (const Case& c : cases) {
    current = c.channel;
    rig.backend.boxes.clear();
    EXPECT_EQ(rig.sound.OpenChannelFile(c.path.c_str(), c.channel), 0) << c.path;
    const CSoundChannel& ch = rig.sound.Channel(c.channel);
    EXPECT_EQ(ch.m_szName[0], '\0') << c.path;
    EXPECT_FALSE(ch.m_pBuffer->IsPlaying()) << c.path;
    if (c.text.empty()) {
      EXPECT_TRUE(rig.backend.boxes.empty()) << c.path;
    } else {
      ASSERT_EQ(rig.backend.boxes.size(), 1u) << c.path;
      EXPECT_EQ(rig.backend.boxes[0].text, c.text);
      EXPECT_EQ(rig.backend.boxes[0].caption, c.caption);
    }
  }
}

TEST(SoundChannels, NoDeviceMeansSilenceEverywhere) {
  pl::FakeBackend backend;
  backend.failSoundDevice = true;
  {
    CSoundSystem sound;
    EXPECT_EQ(sound.InitDirectSound(nullptr), 0);
    EXPECT_EQ(sound.IsSoundAvailable(), 0);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].text, SJ("DirectSoundが使用できません。"));
    EXPECT_EQ(backend.boxes[0].caption, SJ("警告"));
    EXPECT_EQ(sound.OpenChannelFile("K:\\bgm\\a.ogg", 0), 0);
    EXPECT_EQ(sound.FillChannelHalf(0, 0), 0);
    EXPECT_EQ(sound.HaltChannel(0), 0);
    EXPECT_EQ(sound.SetChannelVolume(40, 0), 0);
    EXPECT_TRUE(sound.WaitQuiescent(100));
    sound.ShutdownDirectSound();
    EXPECT_EQ(backend.boxes.size(), 1u);
  }
}

// A voice halted after its end: the voice archive was closed by the
// channel's thread before it answered, and the mouth frames are reset.
TEST(SoundChannels, VoiceHaltClosesTheVoiceArchive) {
  kvtest::TempDir dir;
  const std::string v = soundtest::MakeSound(dir, "v.ogg", "ogg", "--seconds 0.4" + FormatOptions(kVoiceChannel));
  CArc arc;
  ASSERT_EQ(arc.Open(soundtest::MakeArchive(dir, "CV.AOS", {"V001.OGG=" + v})), 1);
  SoundRig rig;
  rig.sound.SetVoiceArchive(&arc);
  rig.sound.Channel(kVoiceChannel).m_pArchive = &arc;
  ASSERT_EQ(rig.sound.OpenChannelFile("v001.ogg", kVoiceChannel), 1);
  rig.Render(kSecond + 5);
  ASSERT_EQ(rig.messages.size(), 1u);
  EXPECT_EQ(rig.sound.HaltChannel(kVoiceChannel), 1);
  EXPECT_EQ(rig.sound.GetVoiceArchive(), nullptr);
  EXPECT_FALSE(arc.IsOpen());
  EXPECT_EQ(rig.host.voiceResets, 1);
  EXPECT_EQ(rig.sound.HaltChannel(kVoiceChannel), 1);
  EXPECT_EQ(rig.host.voiceResets, 1) << "only a finished voice resets the frames";
}

TEST(SoundChannels, LooseNamesAreKeptBoundedAndDecoderFollowsTheExtension) {
  kvtest::TempDir dir;
  const std::string path =
      soundtest::MakeSound(dir, "a_rather_long_sound_name.ogg", "ogg", "--seconds 0.2" + FormatOptions(5));
  pl::SetProgramFolder(dir.path());
  SoundRig rig;
  ASSERT_EQ(rig.sound.OpenChannelFile("K:\\A_RATHER_LONG_SOUND_NAME.OGG", 5), 1);
  const CSoundChannel& c = rig.sound.Channel(5);
  EXPECT_EQ(std::string(c.m_szName), "A_RATHER_LONG_S");
  EXPECT_EQ(c.m_nFileKind, SoundFileKind::Ogg);
  rig.Render(2 * kSecond);
  EXPECT_EQ(rig.messages.size(), 1u);
  EXPECT_EQ(rig.sound.HaltChannel(5), 1);
  pl::SetProgramFolder("");
}

TEST(SoundChannels, BoxesFromOtherThreadsWaitForTheMainThread) {
  SoundRig rig;
  std::thread([&] { rig.sound.ReportBox(SJ("oggデータのシークに失敗しました。"), SJ("エラー")); }).join();
  EXPECT_TRUE(rig.backend.boxes.empty());
  EXPECT_TRUE(rig.sound.HasDeferredBoxes());
  rig.sound.ShowDeferredBoxes();
  ASSERT_EQ(rig.backend.boxes.size(), 1u);
  EXPECT_EQ(rig.backend.boxes[0].text, SJ("oggデータのシークに失敗しました。"));
  EXPECT_FALSE(rig.sound.HasDeferredBoxes());
}

}  // namespace
