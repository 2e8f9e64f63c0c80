// Halting channels while a mixer thread runs freely and the channel threads
// refill: no hang, no end message that still names a sound, and a halted
// channel's buffer holds silence.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "tests/sound/sound_test_util.h"

namespace {

using soundtest::BufferIsSilent;

std::string FormatOptions(int channel) {
  const pl::PcmFormat f = ChannelFormat(channel);
  return " --rate " + std::to_string(f.rate) + " --channels " + std::to_string(f.channels);
}

TEST(SoundStress, HaltWhileTheMixerRuns) {
  kvtest::TempDir dir;
  // One Ogg and one wave file per format: music, voice, ambience/effects.
  std::string files[3][2];
  const int formatChannel[3] = {kBgmChannel, kVoiceChannel, kFirstSeChannel};
  for (int f = 0; f < 3; ++f) {
    files[f][0] = soundtest::MakeSound(dir, "s" + std::to_string(f) + ".ogg", "ogg",
                                       "--wave noise --seconds 0.6" + FormatOptions(formatChannel[f]));
    files[f][1] = soundtest::MakeSound(dir, "s" + std::to_string(f) + ".wav", "wav",
                                       "--wave noise --seconds 1.4" + FormatOptions(formatChannel[f]));
  }
  auto fileFor = [&](int ch, int which) -> const std::string& {
    const int f = ch == kBgmChannel ? 0 : ch == kVoiceChannel ? 1 : 2;
    return files[f][which];
  };

  soundtest::SoundRig rig;
  ASSERT_TRUE(rig.initOk);
  std::atomic<bool> running{true};
  // About twenty times real time: refills keep up, and sounds end often.
  std::thread mixer([&] {
    std::vector<std::int16_t> block(2 * pl::SoundDevice::kBlockFrames);
    while (running.load()) {
      rig.sound.Device()->Render(block.data(), pl::SoundDevice::kBlockFrames);
      std::this_thread::sleep_for(std::chrono::microseconds(1000));
    }
  });

  std::mt19937 rng(12345);
  for (int round = 0; round < 120; ++round) {
    const int ch = static_cast<int>(rng() % kSoundChannelCount);
    rig.sound.m_nBgmMode = 1 + static_cast<int>(rng() % 2);
    rig.sound.m_nEnvMode = 1 + static_cast<int>(rng() % 2);
    rig.sound.m_nSeMode = 1 + static_cast<int>(rng() % 2);
    ASSERT_EQ(rig.sound.OpenChannelFile(fileFor(ch, static_cast<int>(rng() % 2)).c_str(), ch), 1);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 60000));
    ASSERT_EQ(rig.sound.HaltChannel(ch), 1);
    CSoundChannel& c = rig.sound.Channel(ch);
    EXPECT_FALSE(c.m_pBuffer->IsPlaying());
    EXPECT_TRUE(BufferIsSilent(c)) << "round " << round;
    EXPECT_EQ(c.m_szName[0], '\0');
    EXPECT_FALSE(c.m_bAbandoned.load());
    // Every end message posted so far belongs to a sound that is gone.
    rig.CollectMessages();
    for (const auto& m : rig.messages)
      EXPECT_EQ(rig.sound.CheckEndMessage(CSoundSystem::EndMessageParam(m.channel, m.generation)), -1);
    rig.messages.clear();
  }
  running = false;
  mixer.join();
}

// Channels still playing and refilling when the system shuts down.
TEST(SoundStress, ShutdownWhilePlaying) {
  kvtest::TempDir dir;
  const std::string se = soundtest::MakeSound(dir, "l.ogg", "ogg", "--wave noise --seconds 0.7" + FormatOptions(3));
  for (int round = 0; round < 5; ++round) {
    soundtest::SoundRig rig;
    rig.sound.m_nSeMode = 2;
    for (int ch = kFirstSeChannel; ch < kSoundChannelCount; ++ch)
      ASSERT_EQ(rig.sound.OpenChannelFile(se.c_str(), ch), 1);
    std::vector<std::int16_t> block(2 * pl::SoundDevice::kBlockFrames);
    for (int i = 0; i < 200; ++i) rig.sound.Device()->Render(block.data(), pl::SoundDevice::kBlockFrames);
    rig.sound.ShutdownDirectSound();
    EXPECT_EQ(rig.sound.IsSoundAvailable(), 0);
    EXPECT_EQ(rig.sound.Device(), nullptr);
    for (int ch = 0; ch < kSoundChannelCount; ++ch) EXPECT_FALSE(rig.sound.Channel(ch).m_pThread) << ch;
  }
}

}  // namespace
