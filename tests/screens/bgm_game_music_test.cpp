// The music room gives the game's music back on the way out from whatever
// the script left in its reserved variable "bgm": a text names the music,
// a number above 1 names it in decimal ("12" plays the music file "12"),
// and anything else names none.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/value_node.h"
#include "platform/sound_device.h"
#include "screens/bgm_mode.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

struct Host : ISoundRequestHost {
  SoundRequestSettings s;
  void ReadSettings(SoundRequestSettings* out) override { *out = s; }
};

class BgmGameMusic : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    ASSERT_EQ(backdrop.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    MakePicture("bgmm_bk.bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("bgmm_cp.abm", Bands(32, 704, {{64, kNormal}, {64, kHover}, {64, kPressed}}));
    MakePicture("bgmm000.abm", Bands(32, 672, {{360, kNormal}, {360, kHover}, {360, kPressed}}));
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm"), 0);
    for (const char* n : {"12", "1", "0", "theme"}) {
      const std::string cmd = kvtest::ToolPath("gensound") + " wav " + dir / ("bgm/" + std::string(n) + ".wav") +
                              " --seconds 0.5 --rate 44100 --channels 2";
      ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
    }
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    ResetSoundRequests();
    host.s.bgmOn = host.s.seOn = host.s.voiceOn = 1;
    SetSoundRequestHost(&host);
    pl::SetCursorPos(pl::ClientToScreen(window, {0, 0}));
  }
  void TearDown() override {
    SetSoundRequestHost(nullptr);
    ResetSoundRequests();
    sound.ShutdownDirectSound();
    SetSoundSystem(nullptr);
    ScreenHarness::TearDown();
  }
  std::string Music() { return sound.Channel(kBgmChannel).m_szName; }

  Host host;
  CSoundSystem sound;
  CBGMMode room;
  ValueList vars;
  CBuffer saved, backdrop;
};

TEST_F(BgmGameMusic, TheGamesMusicComesBackFromATextOrANumberInDecimal) {
  struct Case {
    const char* what;
    bool number;
    std::int32_t value;
    const char* text;
    std::string after;  // the music playing once the room is left
  };
  const Case cases[] = {
      {"a number above 1 in decimal", true, 12, "", "12.wav"},
      {"a text", false, 0, "theme", "theme.wav"},
      {"1 names no music", true, 1, "", ""},
      {"0 names no music", true, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vars.Clear();
    if (c.number) {
      vars.AddInt("bgm", c.value);
    } else {
      vars.AddText("bgm", c.text);
    }
    EXPECT_EQ(GetBgmVariableText(&vars), c.after.empty() ? std::string() : c.after.substr(0, c.after.size() - 4));
    std::vector<Step> s;
    s.push_back({[this] { return room.m_bLoop == 1 && (ShownAt(20, 20) & 0xFFFFFF) == (kPage & 0xFFFFFF) && Later(2)(); },
                 [] {}});
    AddKey(s, Later(1), pl::DIK_SPACE);
    Play(std::move(s));
    room.m_pBlendTable = nullptr;
    const int r = room.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                           DescribeBuffer(backdrop), &keys, &vars);
    room.LeaveHookList();
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(AllPlayed());
    EXPECT_EQ(Music(), c.after);
    StopChannel(kBgmChannel);
  }
}

}  // namespace
