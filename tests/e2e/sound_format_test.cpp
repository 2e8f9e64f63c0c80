// Sound files whose rate or channel count differ from their channel's play
// through the engine's sound path at the right pitch and length: a 44.1 kHz
// mono effect on a 22.05 kHz stereo effect channel, a mono or 48 kHz piece
// of music, a 44.1 kHz ambience, a 22.05 kHz stereo voice on the 44.1 kHz
// mono voice channel (whose mouth timing runs on the clock, so a voice
// heard at its own length stays with it), as wave and as Ogg Vorbis; a
// looping one keeps its period pass after pass. What is checked is the device's mixed
// output (44.1 kHz stereo), rendered block by block while the game runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sound/sound_system.h"
#include "tests/e2e/scene_script_fixture.h"

namespace {

using kvtest::Texts;

constexpr int kOutRate = 44100;
constexpr int kSilence = 200;  // a sample beyond this is sound

struct SoundFormats : kvtest::SceneScript {
  // The left side of everything the device mixed while the game ran.
  std::vector<std::int16_t> left;

  void MakeSound(const std::string& where, const std::string& kind, const std::string& options) {
    const std::string path = folder / where;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string cmd = kvtest::ToolPath("gensound") + " " + kind + " '" + path + "' " + options;
    ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  }

  // Runs `lines` and mixes `seconds` of output, one block a pump, each
  // block's refills served before the next.
  void RunAndListen(const std::vector<std::string>& lines, double seconds) {
    startScript = Script(lines);
    left.clear();
    const std::size_t total = static_cast<std::size_t>(seconds * kOutRate);
    bool quitting = false;
    onPump = [&, total](int) {
      CSoundSystem* snd = GetSoundSystem();
      if (quitting || !snd || !snd->Device() || !snd->IsSoundAvailable()) return;
      std::vector<std::int16_t> block(2 * pl::SoundDevice::kBlockFrames);
      snd->Device()->Render(block.data(), pl::SoundDevice::kBlockFrames);
      EXPECT_TRUE(snd->WaitQuiescent(5000));
      for (std::size_t i = 0; i < block.size(); i += 2) left.push_back(block[i]);
      if (left.size() >= total) {
        quitting = true;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
  }

  // First and one past the last sounding frame; {0, 0} for silence.
  std::pair<std::size_t, std::size_t> Span() const {
    std::size_t first = left.size(), last = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
      if (std::abs(left[i]) > kSilence) {
        if (first == left.size()) first = i;
        last = i + 1;
      }
    }
    return first < last ? std::make_pair(first, last) : std::make_pair<std::size_t, std::size_t>(0, 0);
  }
  // Rising zero crossings in [from, to): the frames where the sign turns.
  std::vector<std::size_t> Rising(std::size_t from, std::size_t to) const {
    std::vector<std::size_t> out;
    for (std::size_t i = from + 1; i < to && i < left.size(); ++i) {
      if (left[i - 1] < 0 && left[i] >= 0) out.push_back(i);
    }
    return out;
  }
};

TEST_F(SoundFormats, OtherRatesAndChannelCountsPlayAtTheirPitchAndLength) {
  struct Case {
    const char* what;
    const char* file;     // under the program folder
    const char* kind;     // wav or ogg
    const char* options;  // gensound's
    const char* line;
    double seconds;  // the sound's length
    double freq;
  };
  const Case cases[] = {
      {"44.1 kHz mono wave effect", "se/fx1.wav", "wav", "--rate 44100 --channels 1 --seconds 0.5 --freq 441",
       "seon(\"fx1\",0,0)", 0.5, 441},
      {"44.1 kHz mono Ogg effect", "se/fx2.ogg", "ogg", "--rate 44100 --channels 1 --seconds 0.5 --freq 441",
       "seon(\"fx2\",0,2)", 0.5, 441},
      {"44.1 kHz stereo wave ambience", "se/amb.wav", "wav", "--rate 44100 --channels 2 --seconds 0.7 --freq 300",
       "envon(\"amb\",1)", 0.7, 300},
      {"22.05 kHz mono wave music", "bgm/m22.wav", "wav", "--rate 22050 --channels 1 --seconds 0.6 --freq 500",
       "bgmon(\"m22\",1)", 0.6, 500},
      {"22.05 kHz stereo wave voice", "cv/zz0001.wav", "wav", "--rate 22050 --channels 2 --seconds 0.8 --freq 350",
       "cvon(\"zz0001\")", 0.8, 350},
      {"48 kHz stereo Ogg music", "bgm/m48.ogg", "ogg", "--rate 48000 --channels 2 --seconds 1.5 --freq 400",
       "bgmon(\"m48\",1)", 1.5, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeSound(c.file, c.kind, c.options);
    RunAndListen({c.line}, c.seconds + 2.5);
    const auto [first, last] = Span();
    ASSERT_LT(first, last) << "nothing was heard";
    // The length at the output rate (the channel's rate times its own
    // factor): within a few frames of the resampler's edges.
    const double want = c.seconds * kOutRate;
    EXPECT_NEAR(static_cast<double>(last - first), want, 40.0);
    // The pitch: the rising crossings of the sine over its length.
    const std::size_t cycles = Rising(first, last).size();
    EXPECT_NEAR(static_cast<double>(cycles), c.freq * c.seconds, 2.0);
  }
}

TEST_F(SoundFormats, ALoopInAnotherFormatKeepsItsPeriod) {
  // 0.3 s of 440 Hz is 132 whole cycles: looped, a continuous sine whose
  // crossings stay on their grid from the first pass to the tenth.
  for (const char* kind : {"wav", "ogg"}) {
    SCOPED_TRACE(kind);
    MakeSound(std::string("se/loop.") + kind, kind, "--rate 44100 --channels 1 --seconds 0.3 --freq 440");
    RunAndListen({"envon(\"loop\",0)"}, 4.0);
    std::filesystem::remove(folder / (std::string("se/loop.") + kind));
    const auto [first, last] = Span();
    ASSERT_LT(first, last) << "nothing was heard";
    ASSERT_GT(last - first, static_cast<std::size_t>(3.2 * kOutRate)) << "the loop stopped";
    const std::vector<std::size_t> rising = Rising(first, last);
    ASSERT_GT(rising.size(), 100u);
    const double period = static_cast<double>(kOutRate) / 440.0;
    // Every crossing where the sine's grid puts it, counted from the first.
    const double r0 = static_cast<double>(rising.front());
    double worst = 0;
    for (std::size_t r : rising) {
      const double cyclesIn = (static_cast<double>(r) - r0) / period;
      worst = std::max(worst, std::fabs(cyclesIn - std::round(cyclesIn)) * period);
    }
    EXPECT_LT(worst, 3.0) << "frames off the grid at worst";
    // And no cycle lost or gained across ten passes (3 s).
    const std::size_t threeSeconds = static_cast<std::size_t>(3 * kOutRate);
    EXPECT_NEAR(static_cast<double>(Rising(rising.front(), rising.front() + threeSeconds).size()), 440.0 * 3, 1.0);
  }
}

}  // namespace
