// A second start of the program in one process (as the play-through test
// starts the game again): the music its script names plays, though the
// first run's last music had the same name.
#include <gtest/gtest.h>

#include <string>

#include "engine/kiv_base.h"
#include "platform/sound_device.h"
#include "sound/sound_system.h"
#include "tests/e2e/process_fixture.h"

namespace {

struct SecondStart : kvtest::Process {
  std::string Music() {
    CSoundSystem* snd = GetSoundSystem();
    return snd ? std::string(snd->Channel(0).m_szName) : std::string();
  }
};

TEST_F(SecondStart, PlaysTheMusicTheFirstRunEndedWith) {
  const std::string out = folder / "bgm/tune.wav";
  ASSERT_TRUE(kvtest::WriteFile(out, ""));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("gensound") + " wav '" + out + "' --seconds 2"), 0);
  startScript = "::START\r\n\r\nbgmon(\"tune\",0)\r\nwait(100000)\r\n::END\r\n";
  std::string heard[2];
  for (std::string& music : heard) {
    bool quitting = false;
    const int start = fake.pumps;
    onPump = [&](int count) {
      if (quitting) return;
      if (music.empty()) music = Music();
      if (!music.empty() || count - start > 3000) {
        quitting = true;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
  }
  EXPECT_EQ(heard[0], "tune.wav");
  EXPECT_EQ(heard[1], "tune.wav") << "the second start is silent";
}

}  // namespace
