// Requests by kind and name on the manual device: which channel and mode a
// request takes, the user's switches and the voice gates, the memos, the
// archives, the fades and the ducking of music and ambience under a voice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/arc.h"
#include "platform/file.h"
#include "platform/text.h"
#include "sound/mouth_timing.h"
#include "sound/sound_request.h"
#include "sound/voice_speakers.h"
#include "tests/sound/sound_test_util.h"

namespace {

using soundtest::SoundRig;

constexpr std::uint32_t kFade = 0x2000;
constexpr std::uint32_t kBacklog = 0x80000000u;

struct Host : ISoundRequestHost {
  SoundRequestSettings s;
  CArc* music = nullptr;
  CArc* effect = nullptr;
  CArc* voice = nullptr;
  std::int32_t run = 1;
  std::uint32_t pending = 0;
  int resets = 0;
  bool voiceSprite = false;
  std::vector<std::string> timings;  // path | name of every mouth-timing start

  void ReadSettings(SoundRequestSettings* out) override { *out = s; }
  CArc* MusicArchive() override { return music; }
  CArc* EffectArchive() override { return effect; }
  CArc* VoiceArchive() override { return voice; }
  std::int32_t RunMode() override { return run; }
  std::uint32_t PendingState() override { return pending; }
  void SetPendingState(std::uint32_t p) override { pending = p; }
  bool HasVoiceSprite() override { return voiceSprite; }
  void StartMouthTiming(const std::string& path, const std::string& name, CArc*) override {
    timings.push_back(path + "|" + name);
  }
  void ResetVoiceAnimations() override { ++resets; }
};

// A sound in its channel's format: "bgm" 44.1 kHz stereo, "cv" 44.1 kHz
// mono, "se" (effects and ambience) 22.05 kHz stereo.
std::string FormatFor(const std::string& folder) {
  if (folder == "bgm") return " --rate 44100 --channels 2";
  if (folder == "cv") return " --rate 44100 --channels 1";
  return " --rate 22050 --channels 2";
}

class SoundRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig.initOk);
    pl::SetProgramFolder(dir.path());
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm" + " " + dir / "se" + " " + dir / "cv"), 0);
    SetSoundSystem(&rig.sound);
    ResetSoundRequests();
    host.s.bgmOn = host.s.voiceOn = host.s.seOn = 1;
    for (auto& v : host.s.speakerVoice) v = 1;
    SetSoundRequestHost(&host);
  }
  void TearDown() override {
    SetSoundRequestHost(nullptr);
    ResetSoundRequests();
    SetSoundSystem(nullptr);
    pl::SetProgramFolder("");
  }
  // folder/file, made by gensound ("wav" or "ogg" from the extension).
  std::string Sound(const std::string& folder, const std::string& file) {
    const std::string kind = file.substr(file.size() - 3);
    return soundtest::MakeSound(dir, folder + "/" + file, kind, "--seconds 0.5" + FormatFor(folder));
  }
  std::string Name(int ch) { return rig.sound.Channel(ch).m_szName; }
  std::vector<int> Busy() {
    std::vector<int> b;
    for (int ch = 0; ch < kSoundChannelCount; ++ch)
      if (!Name(ch).empty()) b.push_back(ch);
    return b;
  }
  std::vector<std::string> TakeBoxes() {
    std::vector<std::string> c;
    for (const auto& b : rig.backend.boxes) c.push_back(pl::Cp932ToUtf8(b.caption) + ":" + pl::Cp932ToUtf8(b.text));
    rig.backend.boxes.clear();
    return c;
  }
  void Advance(std::uint32_t ms) { rig.backend.manualClock().Advance(ms); }
  // Every channel stopped: a test's own archives must not outlive it in a
  // channel.
  void StopAll() {
    for (int ch = 0; ch < kSoundChannelCount; ++ch) StopChannel(ch);
    EXPECT_EQ(rig.sound.GetVoiceArchive(), nullptr);
  }

  SoundRig rig;
  kvtest::TempDir dir;
  Host host;
};

// ---------------------------------------------------------------- routing

struct RouteCase {
  const char* what;
  const char* kind;
  std::int32_t mode;
  std::int32_t index;
  const char* folder;  // where the file lies
  const char* file;
  const char* request;  // the name asked for
  int channel;
  std::int32_t modeWord;  // the kind's mode word after the request (-1: not checked)
  const char* memo;       // the kind's memo after it (null: the kind keeps none)
  std::uint32_t pending;
};
void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.what; }

class SoundRoute : public SoundRequestTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(SoundRoute, RequestTakesItsChannelModeAndMemo) {
  const RouteCase& c = GetParam();
  Sound(c.folder, c.file);
  ASSERT_EQ(PlaySoundByKind(c.mode, c.request, c.kind, c.index), 1);
  EXPECT_EQ(Busy(), std::vector<int>{c.channel});
  EXPECT_EQ(Name(c.channel), c.file);
  const std::string kind(c.kind);
  const SoundRequestState& st = SoundRequests();
  if (kind == "bgm" || kind == "BGM") {
    EXPECT_EQ(rig.sound.m_nBgmMode.load(), c.modeWord);
    EXPECT_EQ(st.bgmMemo, c.memo);
  } else if (kind == "env") {
    EXPECT_EQ(rig.sound.m_nEnvMode.load(), c.modeWord);
    EXPECT_EQ(st.envMemo, c.memo);
  } else if (kind == "se") {
    EXPECT_EQ(rig.sound.m_nSeMode.load(), c.modeWord);
    EXPECT_EQ(st.seMemo, c.memo);
  } else {
    EXPECT_TRUE(st.bgmMemo.empty() && st.envMemo.empty() && st.seMemo.empty());
  }
  EXPECT_EQ(host.pending, c.pending);
  EXPECT_TRUE(TakeBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SoundRoute,
    ::testing::Values(
        RouteCase{"music loops in mode 0", "bgm", 0, 0, "bgm", "m1.ogg", "m1", 0, 2, "m1.ogg", 0},
        RouteCase{"music once in mode 1", "BGM", 1, 0, "bgm", "m1.ogg", "m1", 0, 1, "m1.ogg", 0},
        RouteCase{"music as a wave file", "bgm", 0, 0, "bgm", "m2.wav", "m2", 0, 2, "m2.wav", 0},
        RouteCase{"music named with its extension", "bgm", 5, 0, "bgm", "m3.wav", "m3.wav", 0, 1, "m3.wav", 0},
        RouteCase{"ambience from the effect folder", "env", 0, 0, "se", "rain.wav", "rain", 1, 2, "rain.wav", 0},
        RouteCase{"effect 5 once", "se", 0, 5, "se", "bell.wav", "bell", 8, 1, "bell.wav", 0},
        RouteCase{"effect 0 loops", "se", 2, 0, "se", "bell.wav", "bell", 3, 2, "bell.wav", 0},
        RouteCase{"effect index above the range", "se", 0, 20, "se", "bell.wav", "bell", 18, 1, "bell.wav", 0},
        RouteCase{"effect index below the range", "se", 0, -1, "se", "bell.wav", "bell", 3, 1, "bell.wav", 0},
        RouteCase{"waited effect on channel 3", "se", 1, 7, "se", "bell.ogg", "bell", 3, 3, "bell.ogg", 1},
        RouteCase{"voice", "cv", 0, 0, "cv", "aa001.wav", "aa001", 2, -1, nullptr, 0}));

TEST_F(SoundRequestTest, UnknownKindIsRefused) {
  EXPECT_EQ(PlaySoundByKind(0, "m1", "music", 0), 0);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"デバッグ:サウンドのディレクトリ指定が間違っています。"});
  EXPECT_TRUE(Busy().empty());
}

TEST_F(SoundRequestTest, WaitedEffectStopsTheOthersAndIsReleasedByItsStop) {
  Sound("se", "a.wav");
  ASSERT_EQ(PlaySoundByKind(0, "a", "se", 4), 1);
  ASSERT_EQ(PlaySoundByKind(2, "a", "se", 9), 1);
  EXPECT_EQ(Busy(), (std::vector<int>{7, 12}));
  ASSERT_EQ(PlaySoundByKind(1, "a", "se", 9), 1);
  EXPECT_EQ(Busy(), std::vector<int>{3});
  EXPECT_EQ(host.pending, 1u);
  // Behind the backlog view the wait's value stays; otherwise it ends.
  host.pending = kBacklog;
  EXPECT_EQ(StopChannel(3), 1);
  EXPECT_EQ(host.pending, kBacklog);
  ASSERT_EQ(PlaySoundByKind(1, "a", "se", 0), 1);
  EXPECT_EQ(StopAllEffects(), 1);
  EXPECT_EQ(host.pending, 0u);
  EXPECT_TRUE(Busy().empty());
}

TEST_F(SoundRequestTest, SkippingOpensNoLooseEffectButKeepsItsMemo) {
  Sound("se", "a.wav");
  host.run = 8;
  ASSERT_EQ(PlaySoundByKind(1, "a", "se", 0), 1);
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(host.pending, 0u);
  EXPECT_EQ(SoundRequests().seMemo, "a.wav");
  // Music is not an effect: it plays while skipping.
  Sound("bgm", "m.wav");
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  EXPECT_EQ(Busy(), std::vector<int>{0});
}

// ---------------------------------------------------------------- switches

struct SwitchCase {
  const char* what;
  const char* kind;
  const char* request;
  void (*off)(SoundRequestSettings&);
  const char* bgmMemo;
  const char* envMemo;
};
void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.what; }

class SoundSwitch : public SoundRequestTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SoundSwitch, SilencedRequestPlaysNothingAndSucceeds) {
  const SwitchCase& c = GetParam();
  Sound("bgm", "m1.wav");
  Sound("se", "rain.wav");
  Sound("cv", "aa01.wav");
  Sound("cv", "ga01.wav");
  c.off(host.s);
  EXPECT_EQ(PlaySoundByKind(0, c.request, c.kind, 0), 1);
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(SoundRequests().bgmMemo, c.bgmMemo);
  EXPECT_EQ(SoundRequests().envMemo, c.envMemo);
  EXPECT_TRUE(TakeBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Off, SoundSwitch,
    ::testing::Values(
        SwitchCase{"music off keeps the name as asked", "bgm", "m1", [](SoundRequestSettings& s) { s.bgmOn = 0; }, "m1", ""},
        SwitchCase{"effects off silence the ambience", "env", "rain", [](SoundRequestSettings& s) { s.seOn = 0; }, "", "rain"},
        SwitchCase{"effects off", "se", "rain", [](SoundRequestSettings& s) { s.seOn = 0; }, "", ""},
        SwitchCase{"voices off", "cv", "aa01", [](SoundRequestSettings& s) { s.voiceOn = 0; }, "", ""},
        SwitchCase{"speaker table's group refused", "cv", "aa01", [](SoundRequestSettings& s) { s.voiceGroups = 1; }, "", ""},
        SwitchCase{"other speakers' group refused", "cv", "ga01", [](SoundRequestSettings& s) { s.voiceGroups = 2; }, "", ""},
        SwitchCase{"speaker switched off", "cv", "AA01", [](SoundRequestSettings& s) { s.speakerVoice[0] = 0; }, "", ""},
        SwitchCase{"other speaker switched off", "cv", "ga01", [](SoundRequestSettings& s) { s.speakerVoice[35] = 0; }, "", ""}));

TEST_F(SoundRequestTest, VoiceOfNoSpeakerUsesRow127) {
  Sound("cv", "cu01.wav");
  host.s.speakerVoice[kUnknownSpeakerRow] = 0;
  ASSERT_EQ(PlaySoundByKind(0, "cu01", "cv", 0), 1);
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(SoundRequests().currentSpeaker, kUnknownSpeakerRow);
  host.s.speakerVoice[kUnknownSpeakerRow] = 1;
  // The voice is weighted by its speaker's volume: 20 + (100 - 20) x 50 / 100.
  host.s.voiceVolume = 20;
  host.s.speakerVolume[kUnknownSpeakerRow] = 50;
  ASSERT_EQ(PlaySoundByKind(0, "cu01", "cv", 0), 1);
  EXPECT_EQ(Busy(), std::vector<int>{2});
  EXPECT_EQ(rig.sound.Channel(2).m_nAttenuation, 60);
}

TEST_F(SoundRequestTest, NewVoiceStopsTheOldOneAndItsMouths) {
  Sound("cv", "aa01.wav");
  Sound("cv", "ab01.wav");
  ASSERT_EQ(PlaySoundByKind(0, "aa01", "cv", 0), 1);
  EXPECT_EQ(host.resets, 0);
  ASSERT_EQ(PlaySoundByKind(0, "ab01", "cv", 0), 1);
  EXPECT_EQ(Name(2), "ab01.wav");
  EXPECT_EQ(host.resets, 1);
  EXPECT_EQ(SoundRequests().currentSpeaker, 1);
  EXPECT_EQ(StopChannel(2), 1);
  EXPECT_EQ(host.resets, 2);
  EXPECT_TRUE(Busy().empty());
}

TEST_F(SoundRequestTest, MouthTimingStartsOnlyWithAVoiceSprite) {
  Sound("cv", "mwd01.wav");
  ASSERT_EQ(PlaySoundByKind(0, "mwd01", "cv", 0), 1);
  EXPECT_TRUE(host.timings.empty());
  host.voiceSprite = true;
  ASSERT_EQ(PlaySoundByKind(0, "mwd01", "cv", 0), 1);
  EXPECT_EQ(host.timings, std::vector<std::string>{"K:\\cv\\mwd01.cog|mwd01"});
}

// ---------------------------------------------------------------- names

TEST_F(SoundRequestTest, LongNamesAreCutWithAWarning) {
  Sound("bgm", "abcdefghijk.wav");
  ASSERT_EQ(PlaySoundByKind(0, "abcdefghijklmn", "bgm", 0), 1);
  EXPECT_EQ(Name(0), "abcdefghijk.wav");
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"KIV:ファイル名の指定が長すぎます\n「 abcdefghijklmn 」"});
  // With its extension a name may use 15 bytes.
  Sound("se", "abcdefghijk.wav");
  ASSERT_EQ(PlaySoundByKind(0, "abcdefghijk.wav", "se", 0), 1);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(Name(3), "abcdefghijk.wav");
}

TEST_F(SoundRequestTest, LongJapaneseNameIsCutOnACharacter) {
  // Six two-byte characters: 12 bytes, one too many; a cut at 11 would
  // split the last one.
  const std::string name = SJ("あいうえおか");
  ASSERT_EQ(PlaySoundByKind(0, name, "bgm", 0), 1);
  EXPECT_EQ(TakeBoxes().size(), 1u);
  host.s.bgmOn = 0;
  ASSERT_EQ(PlaySoundByKind(0, name + name, "bgm", 0), 1);
  EXPECT_EQ(pl::Cp932ToUtf8(SoundRequests().bgmMemo), "あいうえおかあ");
}

// ---------------------------------------------------------------- archives

TEST_F(SoundRequestTest, ArchivesServeWhatIsNotLoose) {
  const std::string ogg = soundtest::MakeSound(dir, "src_m.ogg", "ogg", "--seconds 0.5" + FormatFor("bgm"));
  const std::string wav = soundtest::MakeSound(dir, "src_s.wav", "wav", "--seconds 0.5" + FormatFor("se"));
  CArc bgm, se;
  ASSERT_EQ(bgm.Open(soundtest::MakeArchive(dir, "BGM.AOS", {"tune.ogg=" + ogg})), 1);
  ASSERT_EQ(se.Open(soundtest::MakeArchive(dir, "SE.AOS", {"door.wav=" + wav})), 1);
  host.music = &bgm;
  host.effect = &se;

  ASSERT_EQ(PlaySoundByKind(0, "tune", "bgm", 0), 1);
  EXPECT_EQ(Name(0), "tune.ogg");
  EXPECT_EQ(SoundRequests().bgmMemo, "tune.ogg");
  // Effects from the archive are opened even while skipping.
  host.run = 4;
  ASSERT_EQ(PlaySoundByKind(0, "door", "se", 2), 1);
  EXPECT_EQ(Name(5), "door.wav");
  ASSERT_EQ(PlaySoundByKind(0, "door", "env", 0), 1);
  EXPECT_EQ(Name(1), "door.wav");

  EXPECT_EQ(PlaySoundByKind(0, "none", "bgm", 0), 0);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"警告:「 none 」　サウンドファイルオープンに失敗しました。"});
  // Without an archive a missing sound is only silence.
  host.music = nullptr;
  EXPECT_EQ(PlaySoundByKind(0, "none", "bgm", 0), 1);
  EXPECT_TRUE(TakeBoxes().empty());
  StopAll();
}

TEST_F(SoundRequestTest, VoiceArchiveIsReopenedForEachVoice) {
  const std::string wav = soundtest::MakeSound(dir, "src_v.wav", "wav", "--seconds 0.5" + FormatFor("cv"));
  CArc cv;
  ASSERT_EQ(cv.Open(soundtest::MakeArchive(dir, "CV.AOS", {"aa01.wav=" + wav})), 1);
  cv.Close();
  host.voice = &cv;
  host.voiceSprite = true;
  ASSERT_EQ(PlaySoundByKind(0, "aa01", "cv", 0), 1);
  EXPECT_EQ(Name(2), "aa01.wav");
  EXPECT_EQ(rig.sound.GetVoiceArchive(), &cv);
  // From the archive the timing is read by its member name.
  EXPECT_EQ(host.timings, std::vector<std::string>{"aa01.cog|aa01"});
  // The voice's stop closes it again.
  EXPECT_EQ(StopChannel(2), 1);
  EXPECT_EQ(rig.sound.GetVoiceArchive(), nullptr);
  EXPECT_FALSE(cv.IsOpen());
  ASSERT_EQ(PlaySoundByKind(0, "aa01", "cv", 0), 1);
  EXPECT_EQ(Name(2), "aa01.wav");
  StopAll();
}

// ---------------------------------------------------------------- fades

TEST_F(SoundRequestTest, FadeRaisesTheAttenuationAndEndsWithTheStop) {
  Sound("bgm", "m.wav");
  host.s.bgmVolume = 60;
  host.s.soundFade = 1;
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  StartChannelFade(0, 0);
  host.pending = kFade;
  EXPECT_EQ(SoundRequests().fades[0].duration, kDefaultFadeMs);
  Advance(600);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 80);
  EXPECT_EQ(Name(0), "m.wav");
  EXPECT_EQ(host.pending, kFade);
  Advance(599);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 99);
  Advance(1);
  UpdateSoundFades();
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(SoundRequests().fades[0].active, 0);
  EXPECT_EQ(SoundRequests().bgmMemo, "");
  EXPECT_EQ(rig.sound.m_nBgmMode.load(), 0);
  EXPECT_EQ(host.pending, 0u);
}

struct FadeEndCase {
  const char* what;
  std::int32_t duration;
  std::uint32_t advance;
  std::int32_t soundFade;
  std::uint32_t pendingBefore;
  std::uint32_t pendingAfter;
};
void PrintTo(const FadeEndCase& c, std::ostream* os) { *os << c.what; }

class FadeEnd : public SoundRequestTest, public ::testing::WithParamInterface<FadeEndCase> {};

TEST_P(FadeEnd, FadeEndsAtOnce) {
  const FadeEndCase& c = GetParam();
  Sound("se", "rain.wav");
  host.s.soundFade = 1;
  ASSERT_EQ(PlaySoundByKind(0, "rain", "env", 0), 1);
  StartChannelFade(1, c.duration);
  host.pending = c.pendingBefore;
  host.s.soundFade = c.soundFade;
  Advance(c.advance);
  UpdateSoundFades();
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(SoundRequests().envMemo, "");
  EXPECT_EQ(rig.sound.m_nEnvMode.load(), 0);
  EXPECT_EQ(host.pending, c.pendingAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FadeEnd,
    ::testing::Values(FadeEndCase{"fades switched off meanwhile", 1200, 10, 0, kFade, 0},
                      FadeEndCase{"a negative length", -5, 0, 1, kFade, 0},
                      FadeEndCase{"exactly at its length", 1200, 1200, 1, kFade, 0},
                      FadeEndCase{"a backlog view over the wait stays", 100, 100, 1, kBacklog, kBacklog}));

TEST_F(SoundRequestTest, FadeOfAnotherEffectLeavesTheEffectWord) {
  Sound("se", "bell.wav");
  host.s.soundFade = 1;
  ASSERT_EQ(PlaySoundByKind(2, "bell", "se", 0), 1);
  ASSERT_EQ(PlaySoundByKind(0, "bell", "se", 2), 1);
  ASSERT_EQ(PlaySoundByKind(2, "bell", "se", 0), 1);
  StartChannelFade(5, 100);
  Advance(100);
  UpdateSoundFades();
  EXPECT_EQ(Busy(), std::vector<int>{3});
  EXPECT_EQ(rig.sound.m_nSeMode.load(), 2);
  EXPECT_EQ(SoundRequests().seMemo, "bell.wav");
}

TEST_F(SoundRequestTest, LongFadeDoesNotOverflow) {
  Sound("bgm", "m.wav");
  host.s.soundFade = 1;
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  StartChannelFade(0, 0x7FFFFFFF);
  Advance(0x40000000u);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 50);
}

TEST_F(SoundRequestTest, NewVolumeSettingsReachEveryChannel) {
  Sound("bgm", "m.wav");
  Sound("cv", "ab01.wav");
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  ASSERT_EQ(PlaySoundByKind(0, "ab01", "cv", 0), 1);
  host.s.bgmVolume = 30;
  host.s.voiceVolume = 50;
  host.s.speakerVolume[1] = 20;  // ab
  host.s.seVolume = 70;
  ApplySoundVolumes();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 30);
  EXPECT_EQ(rig.sound.Channel(2).m_nAttenuation, 60);
  EXPECT_EQ(rig.sound.Channel(1).m_nAttenuation, 70);
  EXPECT_EQ(rig.sound.Channel(18).m_nAttenuation, 70);
}

// ---------------------------------------------------------------- ducking

TEST_F(SoundRequestTest, VoiceDucksMusicAndAmbienceUntilItStops) {
  Sound("bgm", "m.wav");
  Sound("se", "rain.wav");
  Sound("cv", "aa01.wav");
  host.s.bgmVolume = 60;
  host.s.seVolume = 10;
  host.s.duckBgm = 1;
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  ASSERT_EQ(PlaySoundByKind(0, "rain", "env", 0), 1);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 60);
  EXPECT_EQ(rig.sound.Channel(1).m_nAttenuation, 10);
  ASSERT_EQ(PlaySoundByKind(0, "aa01", "cv", 0), 1);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 80);
  EXPECT_EQ(rig.sound.Channel(1).m_nAttenuation, 55);
  StopChannel(2);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 60);
  EXPECT_EQ(rig.sound.Channel(1).m_nAttenuation, 10);

  // Ducking switched off under a voice brings the music back too.
  ASSERT_EQ(PlaySoundByKind(0, "aa01", "cv", 0), 1);
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 80);
  host.s.duckBgm = 0;
  UpdateSoundFades();
  EXPECT_EQ(rig.sound.Channel(0).m_nAttenuation, 60);
}

// ---------------------------------------------------------------- restarts

TEST_F(SoundRequestTest, RestartsComeFromTheMemos) {
  Sound("bgm", "m.wav");
  Sound("se", "rain.wav");
  Sound("se", "bell.wav");
  ASSERT_EQ(PlaySoundByKind(0, "m", "bgm", 0), 1);
  ASSERT_EQ(PlaySoundByKind(1, "rain", "env", 0), 1);
  ASSERT_EQ(PlaySoundByKind(2, "bell", "se", 0), 1);
  for (int ch : {0, 1, 3}) rig.sound.HaltChannel(ch);
  EXPECT_EQ(RestartLoopingSound(0), 1);
  EXPECT_EQ(RestartLoopingSound(1), 0);  // played once: not again
  EXPECT_EQ(RestartLoopingSound(3), 1);
  EXPECT_EQ(RestartLoopingSound(2), 0);
  EXPECT_EQ(Busy(), (std::vector<int>{0, 3}));

  for (int ch : {0, 3}) rig.sound.HaltChannel(ch);
  ResetSoundRequests();
  // After a load: the music whatever its mode, the ambience only looping.
  RestartSoundsFromMemos(1, "m.wav", 1, "rain.wav");
  EXPECT_EQ(Busy(), std::vector<int>{0});
  EXPECT_EQ(rig.sound.m_nBgmMode.load(), 1);
  EXPECT_EQ(SoundRequests().envMemo, "rain.wav");
  RestartSoundsFromMemos(2, "m.wav", 2, "rain.wav");
  EXPECT_EQ(Busy(), (std::vector<int>{0, 1}));
  EXPECT_EQ(rig.sound.m_nEnvMode.load(), 2);
  // A memo whose file is gone is kept for the next save.
  RestartSoundsFromMemos(2, "gone.ogg", 0, "");
  EXPECT_EQ(SoundRequests().bgmMemo, "gone.ogg");
}

// ---------------------------------------------------------------- speakers and mouths

struct SpeakerCase {
  const char* name;
  int row;
  int group;
};

TEST(VoiceSpeakers, PrefixesGiveTheirRows) {
  const SpeakerCase cases[] = {
      {"aa001", 0, 1},  {"AA001", 0, 1},   {"ca01", 6, 1},  {"cy01", 29, 1}, {"mg01", 34, 1}, {"ga01", 35, 0},
      {"GZ01", 59, 0},  {"me01", 75, 0},   {"mb01", 74, 0}, {"cu01", 127, -1}, {"gm01", 127, -1},
      {"a", 127, -1},   {"", 127, -1},
  };
  for (const SpeakerCase& c : cases) {
    int group = 9;
    EXPECT_EQ(SpeakerRowOf(c.name, &group), c.row) << c.name;
    EXPECT_EQ(group, c.group) << c.name;
  }
  std::uint32_t row = 0;
  EXPECT_EQ(FindVoiceNameA("aa01", &row), 0);
  EXPECT_EQ(row, kNoVoiceRow);
}

TEST(VoiceSpeakers, SliderSetsEveryRowOfItsGroup) {
  std::int32_t volume[kSoundSpeakerSlots] = {};
  SetVoiceSetting(volume, 40, 35);
  std::vector<int> rows;
  for (int r = 0; r < kSoundSpeakerSlots; ++r)
    if (volume[r] == 40) rows.push_back(r);
  EXPECT_EQ(rows, (std::vector<int>{0, 32, 34}));  // aa, md, mg
  SetVoiceSetting(volume, 7, 47);
  int others = 0;
  for (int r = kFirstOtherSpeakerRow; r < kFirstOtherSpeakerRow + kOtherSpeakerRows; ++r) others += volume[r] == 7;
  EXPECT_EQ(others, kOtherSpeakerRows);
  EXPECT_EQ(volume[6], 7);   // ca
  EXPECT_EQ(volume[33], 0);  // mf has its own slider
}

std::vector<std::uint8_t> TimingFile(const std::vector<std::uint32_t>& words) {
  std::vector<std::uint8_t> b(CMouthTiming::kHeaderBytes, 0xAB);
  for (std::uint32_t w : words)
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(w >> (8 * k)));
  return b;
}

TEST(MouthTiming, PairsTellWhenTheMouthRests) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> words;
    std::size_t cut;  // bytes cut off the end
    std::vector<std::pair<std::uint32_t, bool>> at;
  };
  const std::uint32_t E = CMouthTiming::kEndMark;
  const Case cases[] = {
      {"one rest then the end", {500, 800, E, E}, 0, {{100, false}, {500, false}, {600, true}, {800, false}, {900, true}}},
      {"two rests", {100, 200, 300, 400, E, E}, 0, {{150, true}, {250, false}, {350, true}, {500, true}}},
      {"no end mark: moves after the last pair", {100, 200}, 0, {{150, true}, {300, false}}},
      {"cut inside a pair keeps the whole ones", {100, 200, 300, 400}, 3, {{150, true}, {350, false}}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> f = TimingFile(c.words);
    f.resize(f.size() - c.cut);
    CMouthTiming t;
    ASSERT_EQ(t.SetTable(f.data(), f.size()), 1) << c.what;
    for (const auto& [ms, rests] : c.at) EXPECT_EQ(t.RestsAt(ms), rests) << c.what << " at " << ms;
  }
  CMouthTiming t;
  const std::vector<std::uint8_t> shortFile(CMouthTiming::kHeaderBytes - 1, 0);
  EXPECT_EQ(t.SetTable(shortFile.data(), shortFile.size()), 0);
  EXPECT_FALSE(t.HasTable());
  // Only sixteen pairs are read, whatever follows.
  std::vector<std::uint32_t> many;
  for (std::uint32_t i = 0; i < 20; ++i) {
    many.push_back(i * 100);
    many.push_back(i * 100 + 50);
  }
  const std::vector<std::uint8_t> big = TimingFile(many);
  ASSERT_EQ(t.SetTable(big.data(), big.size()), 1);
  const std::uint32_t* pairs = nullptr;
  int count = 0;
  ASSERT_TRUE(t.Now(nullptr, &pairs, &count));
  EXPECT_EQ(count, CMouthTiming::kMaxPairs);
  EXPECT_FALSE(t.RestsAt(1725));
}

TEST(MouthTiming, LoadsFromAFileAndTimesFromTheStart) {
  pl::FakeBackend fake;
  kvtest::TempDir dir;
  pl::SetProgramFolder(dir.path());
  const std::vector<std::uint8_t> f = TimingFile({500, 800, CMouthTiming::kEndMark, CMouthTiming::kEndMark});
  ASSERT_TRUE(kvtest::WriteFile(dir / "v.cog", std::string(f.begin(), f.end())));
  CMouthTiming t;
  EXPECT_EQ(t.LoadTable("K:\\missing.cog", "", nullptr), 0);
  ASSERT_EQ(t.LoadTable("K:\\v.cog", "", nullptr), 1);
  t.Start();
  fake.manualClock().Advance(650);
  std::uint32_t elapsed = 0;
  ASSERT_TRUE(t.Now(&elapsed, nullptr, nullptr));
  EXPECT_EQ(elapsed, 650u);
  EXPECT_TRUE(t.RestsAt(elapsed));
  pl::SetProgramFolder("");
}

}  // namespace
