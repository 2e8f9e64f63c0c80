// The real path end to end: SDL's disk audio driver writes what the mixer
// gives the device to a file, which is analysed for the tone and its level.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/backend.h"
#include "platform/sdl/sdl_backend.h"
#include "tests/sound/sound_test_util.h"

namespace {

struct ToneReport {
  std::size_t toneWindows = 0;
  double rms = 0;        // median over the windows that hold the tone
  double frequency = 0;  // from the zero crossings of the left side there
};

ToneReport Analyse(const std::string& raw) {
  const auto* s = reinterpret_cast<const std::int16_t*>(raw.data());
  const std::size_t frames = raw.size() / 4;
  constexpr std::size_t kWindow = 441;  // 10 ms
  std::vector<double> rms;
  for (std::size_t w = 0; w + kWindow <= frames; w += kWindow) {
    double sum = 0;
    for (std::size_t i = w; i < w + kWindow; ++i) sum += double(s[2 * i]) * s[2 * i];
    rms.push_back(std::sqrt(sum / kWindow));
  }
  ToneReport r;
  if (rms.empty()) return r;
  const double top = *std::max_element(rms.begin(), rms.end());
  if (top == 0) return r;
  std::vector<double> tone;
  std::size_t runStart = 0, runLength = 0, bestStart = 0, bestLength = 0;
  for (std::size_t w = 0; w < rms.size(); ++w) {
    if (rms[w] < 0.5 * top) {
      runLength = 0;
      continue;
    }
    tone.push_back(rms[w]);
    if (runLength++ == 0) runStart = w;
    if (runLength > bestLength) bestStart = runStart, bestLength = runLength;
  }
  r.toneWindows = tone.size();
  std::nth_element(tone.begin(), tone.begin() + tone.size() / 2, tone.end());
  r.rms = tone[tone.size() / 2];
  // Half periods between the first and the last zero crossing of the
  // longest stretch of tone.
  std::size_t first = 0, last = 0, crossings = 0;
  for (std::size_t i = bestStart * kWindow + 1; i < (bestStart + bestLength) * kWindow; ++i) {
    if ((s[2 * (i - 1)] < 0) == (s[2 * i] < 0)) continue;
    if (crossings++ == 0) first = i;
    last = i;
  }
  if (crossings > 1) r.frequency = (crossings - 1) / 2.0 * 44100.0 / double(last - first);
  return r;
}

// The SDL backend installed while a test runs: its sound device is SDL's
// audio device.
struct SdlBackendInstalled {
  std::unique_ptr<pl::Backend> backend = pl::CreateSdlBackend();
  SdlBackendInstalled() { pl::SetBackend(backend.get()); }
  ~SdlBackendInstalled() { pl::SetBackend(nullptr); }
};

TEST(SoundOnSdl, ToneReachesTheDiskDriverAtItsLevel) {
  SdlBackendInstalled sdl;
  kvtest::TempDir dir;
  const std::string tone = soundtest::MakeSound(dir, "tone.wav", "wav",
                                                "--rate 44100 --channels 2 --freq 1000 --amp 0.5 --seconds 2");
  ToneReport runs[2];
  const int attenuation[2] = {0, 50};
  for (int run = 0; run < 2; ++run) {
    const std::string out = dir / ("out" + std::to_string(run) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");  // keep real-time pacing
    {
      soundtest::TestHost host;
      host.volume[kBgmChannel] = attenuation[run];
      CSoundSystem sound;
      sound.SetHost(&host);
      if (sound.InitDirectSound(nullptr) != 1) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        GTEST_SKIP() << "SDL has no disk audio driver here";
      }
      sound.m_nBgmMode = 2;
      ASSERT_EQ(sound.OpenChannelFile(tone.c_str(), kBgmChannel), 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      sound.ShutdownDirectSound();
    }
    runs[run] = Analyse(kvtest::ReadFile(out));
    EXPECT_GE(runs[run].toneWindows, 20u) << "run " << run;
    EXPECT_NEAR(runs[run].frequency, 1000.0, 2.0) << "run " << run;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_GT(runs[0].rms, 0);
  EXPECT_NEAR(runs[0].rms, 0.5 * 32767 / std::sqrt(2.0), 200) << "full level at attenuation 0";
  EXPECT_NEAR(20 * std::log10(runs[1].rms / runs[0].rms), -12.5, 0.2)
      << runs[0].rms << " " << runs[1].rms << " windows " << runs[0].toneWindows << " " << runs[1].toneWindows
      << " Hz " << runs[0].frequency << " " << runs[1].frequency;
}

// An audio driver that does not exist: the sound-available flag stays 0.
TEST(SoundOnSdl, NoDriverGivesTheSilentRun) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SdlBackendInstalled sdl;
  {
    CSoundSystem sound;
    EXPECT_EQ(sound.InitDirectSound(nullptr), 0);
    EXPECT_EQ(sound.IsSoundAvailable(), 0);
    EXPECT_EQ(sound.OpenChannelFile("x.ogg", 0), 0);
    EXPECT_EQ(sound.HaltChannel(0), 0);
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
