// The music room on the manual sound device: what a chosen track does when
// it ends in each play mode, the play-mode buttons, the music switch, the
// game's music on the way in and out, the cursor keys and a missing room
// picture. A track "ends" the way the engine's end handling ends it: its
// channel is halted.
#include "screens/bgm_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/value_node.h"
#include "graphics/blend_table.h"
#include "platform/sound_device.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kGame = 0xFF405060;

struct Host : ISoundRequestHost {
  SoundRequestSettings s;
  void ReadSettings(SoundRequestSettings* out) override { *out = s; }
};

class BgmModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    ASSERT_EQ(backdrop.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    std::fill_n(backdrop.Row32(0), 1024 * 600, kGame);
    MakePictures();
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm"), 0);
    for (const char* n : {"bgm01", "bgm02", "bgm05", "bgm06", "bgm18", "game"}) {
      const std::string cmd = kvtest::ToolPath("gensound") + " wav " + dir / ("bgm/" + std::string(n) + ".wav") +
                              " --seconds 0.5 --rate 44100 --channels 2";
      ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
    }
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    ResetSoundRequests();
    host.s.bgmOn = host.s.seOn = host.s.voiceOn = 1;
    host.s.bgmVolume = 20;
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
  void MakePictures() {
    MakePicture("bgmm_bk.bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("bgmm_cp.abm", Bands(32, 704, {{64, kNormal}, {64, kHover}, {64, kPressed}}));
    MakePicture("bgmm000.abm", Bands(32, 672, {{360, kNormal}, {360, kHover}, {360, kPressed}}));
  }
  int Run() {
    room.m_pBlendTable = nullptr;
    const int r = room.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                           DescribeBuffer(backdrop), &keys, &vars);
    room.LeaveHookList();
    return r;
  }
  std::string Music() { return sound.Channel(kBgmChannel).m_szName; }
  static pl::Point Button(int i) { return LayoutCenter(BGMButtonLayout[i]); }
  bool Is(int x, int y, std::uint32_t colour) { return ((ShownAt(x, y) ^ colour) & 0xFFFFFF) == 0; }
  // The room has faded in and waits.
  std::function<bool()> RoomIn() {
    return [this] { return room.m_bLoop == 1 && Is(20, 20, kPage) && Later(2)(); };
  }

  Host host;
  CSoundSystem sound;
  CBGMMode room;
  ValueList vars;
  CBuffer saved, backdrop;
};

TEST_F(BgmModeTest, WhatATrackDoesWhenItEndsDependsOnThePlayMode) {
  struct Case {
    const char* what;
    std::vector<int> modeClicks;  // control buttons clicked first
    int track;
    int playMode;                 // afterwards
    int bgmWord;                  // the channel's loop word while it plays
    std::string after;            // music once the track ended; "" silence
    int current;                  // the room's track then
  };
  const Case cases[] = {
      {"single", {}, 1, 0, 1, "", kNoItem},
      {"continuous, last track", {0}, 17, 1, 1, "bgm01.wav", 0},
      {"continuous pressed again is single", {0, 0}, 1, 0, 1, "", kNoItem},
      {"repeat loops", {1}, 0, 2, 2, "", 0},
      {"repeat then continuous", {1, 0}, 4, 1, 1, "bgm06.wav", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string playing, after;
    int word = -1, mode = -1, current = -2;
    std::vector<Step> s;
    s.push_back({RoomIn(), [] {}});
    for (int b : c.modeClicks) AddClick(s, Later(2), Button(b));
    AddClick(s, Later(2), Button(kBgmFirstTrack + c.track));
    s.push_back({Later(5), [&] {
                   playing = Music();
                   word = sound.m_nBgmMode.load();
                   mode = room.m_nPlayMode;
                   // The track plays through (repeat: its pass ends and it goes on).
                   if (c.playMode != 2) sound.HaltChannel(kBgmChannel);
                 }});
    s.push_back({Later(5), [&] {
                   after = c.playMode == 2 ? "" : Music();
                   current = room.m_nCurrent;
                 }});
    AddKey(s, Later(1), pl::DIK_SPACE);
    Play(std::move(s));
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AllPlayed());
    EXPECT_EQ(playing, std::string(BGMTrackNames[c.track]) + ".wav");
    EXPECT_EQ(mode, c.playMode);
    EXPECT_EQ(word, c.bgmWord);
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(current, c.current);
    EXPECT_TRUE(fake.boxes.empty());
  }
}

TEST_F(BgmModeTest, ContinuousPlayPassesOverMissingTracksAndGivesUpAfterARound) {
  struct Case {
    const char* what;
    bool removeAll;
    int track;
    std::string music;  // what plays in the end
    int playMode;
    int current;
  };
  const Case cases[] = {
      {"bgm03 and bgm04 missing", false, 2, "bgm05.wav", 1, 4},
      {"no track at all", true, 0, "", 0, kNoItem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.removeAll) {
      ASSERT_EQ(kvtest::RunCommand("rm -f " + dir / "bgm/bgm*.wav"), 0);
    }
    std::string music;
    int mode = -1, current = -2;
    std::vector<Step> s;
    AddClick(s, RoomIn(), Button(0));
    AddClick(s, Later(2), Button(kBgmFirstTrack + c.track));
    s.push_back({Later(60), [&] {
                   music = Music();
                   mode = room.m_nPlayMode;
                   current = room.m_nCurrent;
                 }});
    AddKey(s, Later(1), pl::DIK_SPACE);
    Play(std::move(s));
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AllPlayed());
    EXPECT_EQ(music, c.music);
    EXPECT_EQ(mode, c.playMode);
    EXPECT_EQ(current, c.current);
  }
}

TEST_F(BgmModeTest, TheCurrentTrackShowsPressedUntilStopped) {
  const pl::Point track = Button(kBgmFirstTrack + 1), other = Button(kBgmFirstTrack + 2);
  bool pressedLook = false, normalAfterStop = false;
  std::vector<Step> s;
  AddClick(s, RoomIn(), track);
  s.push_back({Later(1), [&] { fake.InjectMouseMove(other); }});
  s.push_back({Later(5), [&] { pressedLook = Near(ShownAt(track.x, track.y), kPressed) && room.m_bPlaying == 1; }});
  AddClick(s, Later(1), Button(2));
  s.push_back({Later(5), [&] {
                 normalAfterStop = Near(ShownAt(track.x, track.y), kNormal) && Music().empty() &&
                                   room.m_nCurrent == kNoItem && room.m_bPlaying == 0;
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(pressedLook);
  EXPECT_TRUE(normalAfterStop);
}

TEST_F(BgmModeTest, WithTheMusicSwitchedOffAChosenTrackResetsTheRoom) {
  host.s.bgmOn = 0;
  const pl::Point track = Button(kBgmFirstTrack + 4);
  bool reset = false;
  std::vector<Step> s;
  AddClick(s, RoomIn(), Button(0));
  AddClick(s, Later(2), track);
  s.push_back({Later(5), [&] {
                 reset = room.m_nCurrent == kNoItem && room.m_nPlayMode == 0 && room.m_bPlaying == 0 &&
                         Music().empty() && Near(ShownAt(track.x, track.y), kHover);
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(reset);
}

TEST_F(BgmModeTest, TheGamesMusicFadesOutOnTheWayInAndComesBackOnTheWayOut) {
  struct Case {
    const char* gameMusic;
    std::string after;
    int word;
  };
  for (const Case& c : {Case{"game", "game.wav", 2}, Case{"", "", 0}}) {
    SCOPED_TRACE(c.gameMusic);
    vars.Clear();
    vars.AddText("bgm", c.gameMusic);
    if (*c.gameMusic) {
      ASSERT_EQ(PlaySoundByKind(0, c.gameMusic, "bgm", 0), 1);
      ASSERT_EQ(Music(), "game.wav");
    }
    std::vector<int> attenuations;
    bool silentInRoom = false;
    std::vector<Step> s;
    s.push_back({RoomIn(), [&] { silentInRoom = Music().empty(); }});
    AddClick(s, Later(1), Button(kBgmFirstTrack));
    AddClick(s, [this] { return Music() == "bgm01.wav" && Later(2)(); }, Button(3));
    Play(std::move(s));
    auto inner = fake.onPump;
    fake.onPump = [&](int p) {
      const int a = sound.Channel(kBgmChannel).m_nAttenuation;
      if (!Music().empty() && (attenuations.empty() || attenuations.back() != a)) attenuations.push_back(a);
      inner(p);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AllPlayed());
    EXPECT_TRUE(silentInRoom);
    EXPECT_EQ(Music(), c.after);
    EXPECT_EQ(sound.m_nBgmMode.load(), c.word);
    EXPECT_EQ(SoundRequests().bgmMemo.empty(), c.after.empty());
    // Each fade lowers the music step by step from its setting, never to
    // silence before the halt.
    std::vector<int> fade;
    for (int level = 31; level < 255; level += 32) fade.push_back(20 + 80 * level / 255);
    auto contains = [&](const std::vector<int>& seq) {
      return std::search(attenuations.begin(), attenuations.end(), seq.begin(), seq.end()) != attenuations.end();
    };
    EXPECT_TRUE(contains(fade)) << testing::PrintToString(attenuations);
    EXPECT_TRUE(contains(std::vector<int>{20}));  // the room's track at its setting
    EXPECT_EQ(ShownAt(500, 300), kGame);
    StopChannel(kBgmChannel);
  }
}

TEST_F(BgmModeTest, CursorKeysFollowTheRoomsColumns) {
  struct Case {
    int from;  // kNoItem: the cursor on no button
    int key;
    int hovered;
  };
  const Case cases[] = {
      {kNoItem, pl::DIK_UP, kBgmFirstTrack},
      {kBgmFirstTrack, pl::DIK_UP, kBgmFirstTrack},            // track 1: nothing above
      {kBgmFirstTrack + 9, pl::DIK_UP, kBgmFirstTrack + 9},    // track 10
      {kBgmFirstTrack + 8, pl::DIK_DOWN, 0},                   // track 9 to continuous play
      {kBgmFirstTrack + 17, pl::DIK_DOWN, 0},                  // track 18 likewise
      {kBgmFirstTrack + 1, pl::DIK_RIGHT, kBgmFirstTrack + 10},
      {kBgmFirstTrack + 10, pl::DIK_LEFT, kBgmFirstTrack + 1},
      {0, pl::DIK_UP, kBgmFirstTrack + 8},
      {2, pl::DIK_LEFT, 1},
      {3, pl::DIK_DOWN, 3},
      {3, pl::DIK_UP, 0},
  };
  std::vector<int> got;
  std::vector<Step> s;
  s.push_back({RoomIn(), [] {}});
  for (const Case& c : cases) {
    const pl::Point from = c.from == kNoItem ? pl::Point{20, 20} : Button(c.from);
    s.push_back({Later(1), [this, from] { fake.InjectMouseMove(from); }});
    AddKey(s, Later(4), c.key);
    s.push_back({Later(6), [&] { got.push_back(room.m_nHovered); }});
  }
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  std::vector<int> want;
  for (const Case& c : cases) want.push_back(c.hovered);
  EXPECT_EQ(got, want);
}

TEST_F(BgmModeTest, AMissingRoomPictureEndsTheRoomAtOnce) {
  for (const char* name : {"bgmm_bk.bmp", "bgmm_cp.abm", "bgmm000.abm"}) {
    SCOPED_TRACE(name);
    MakePictures();
    ASSERT_EQ(kvtest::RunCommand("rm " + dir / ("grp/" + std::string(name))), 0);
    FillShown(kPage);
    CBGMMode fresh;
    EXPECT_EQ(fresh.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                        DescribeBuffer(backdrop), &keys, &vars),
              -1);
    fresh.LeaveHookList();
    EXPECT_EQ(ShownAt(500, 300), kGame);
    EXPECT_TRUE(fake.boxes.empty());
  }
}

}  // namespace
