// The script's sound commands through the interpreter, on the manual sound
// device: the variable "bgm" and the same-music rule of bgmon, the fade-out
// of bgmoff / envoff with its wait, the waited effect, seoff's range, the
// voice rule while skipping, the mouths, and the memos through a saved slot.
#include <gtest/gtest.h>

#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "engine/settings_record.h"
#include "engine/slot_scene.h"
#include "platform/sound_device.h"
#include "scene/presentation.h"
#include "graphics/layer_draw.h"
#include "scene/sound_commands.h"
#include "sound/mouth_timing.h"
#include "sound/sound_system.h"
#include "tests/scene/scene_harness.h"

namespace {

using Strings = std::vector<std::string>;

class SoundCommandsTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm" + " " + dir / "se" + " " + dir / "cv"), 0);
    settings.m_bBgm = settings.m_bVoice = settings.m_bSe = 1;
    settings.m_nBgmVolume = settings.m_nVoiceVolume = settings.m_nSeVolume = 0;
    settings.m_bSoundFade = 1;
    settings.m_bDuckBgm = 0;
    settings.m_nVoiceGroups = 3;
    settings.m_nTextSpeed = 1;
    settings.m_bSkipReadOnly = 0;
    for (auto& v : settings.m_bSpeakerVoice) v = 1;
    for (auto& v : settings.m_nSpeakerVolume) v = 0;
    Presentation().m_pSettings = &settings;
    Presentation().m_pTables = &tables;
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    ResetSoundRequests();
    InstallSoundCommands(eng);
  }
  void TearDown() override {
    SetSoundRequestHost(nullptr);
    ResetSoundRequests();
    sound.ShutdownDirectSound();
    SetSoundSystem(nullptr);
    ResetPresentation();
    SceneScriptTest::TearDown();
  }
  void Sound(const std::string& folder, const std::string& file) {
    const std::string format = folder == "bgm"  ? "--rate 44100 --channels 2"
                               : folder == "cv" ? "--rate 44100 --channels 1"
                                                : "--rate 22050 --channels 2";
    const std::string cmd = kvtest::ToolPath("gensound") + " wav " + dir / (folder + "/" + file) + " --seconds 0.5 " + format;
    ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  }
  std::string Name(int ch) { return sound.Channel(ch).m_szName; }
  std::vector<int> Busy() {
    std::vector<int> b;
    for (int ch = 0; ch < kSoundChannelCount; ++ch)
      if (!Name(ch).empty()) b.push_back(ch);
    return b;
  }
  const ValueNode* Bgm() { return eng.m_Root.m_Vars.Find("bgm"); }
  void Advance(std::uint32_t ms) { fake.manualClock().Advance(ms); }

  CSettings settings;
  CSoundSystem sound;
};

TEST_F(SoundCommandsTest, BgmonKeepsTheSameMusicAndTheVariable) {
  Sound("bgm", "m1.wav");
  Run({"::START", "bgmon(\"m1\",0)"});
  ASSERT_EQ(Busy(), std::vector<int>{0});
  EXPECT_EQ(sound.m_nBgmMode.load(), 2);
  ASSERT_NE(Bgm(), nullptr);
  EXPECT_EQ(Bgm()->type, VT_TEXT);
  EXPECT_EQ(Bgm()->text, "m1");
  const std::uint16_t playing = sound.Channel(0).m_nGeneration.load();

  // Named without its extension the music goes on; with it, it restarts.
  Run({"::START", "bgmon(\"m1\",1)"});
  EXPECT_EQ(sound.Channel(0).m_nGeneration.load(), playing);
  EXPECT_EQ(sound.m_nBgmMode.load(), 2);
  Run({"::START", "bgmon(\"m1.wav\",1)"});
  EXPECT_NE(sound.Channel(0).m_nGeneration.load(), playing);
  EXPECT_EQ(sound.m_nBgmMode.load(), 1);
  EXPECT_EQ(Bgm()->text, "m1.wav");

  // A number only sets the variable.
  Run({"::START", "bgmon(7)"});
  EXPECT_EQ(Bgm()->type, VT_INT);
  EXPECT_EQ(Bgm()->nValue, 7);
  EXPECT_EQ(Name(0), "m1.wav");
  Run({"::START", "bgmoff(1,0)"});
  EXPECT_EQ(Bgm()->nValue, 0);
  EXPECT_TRUE(Busy().empty());
  EXPECT_TRUE(TakeBoxes().empty());
}

struct OffCase {
  const char* what;
  const char* kind;  // "bgm" or "env"
  const char* line;
  std::int32_t soundFade;
  std::int32_t runMode;
  bool fades;
  std::int32_t duration;
};
void PrintTo(const OffCase& c, std::ostream* os) { *os << c.what; }

class SoundOff : public SoundCommandsTest, public ::testing::WithParamInterface<OffCase> {};

TEST_P(SoundOff, FadesOrStopsAtOnce) {
  const OffCase& c = GetParam();
  const bool music = std::string(c.kind) == "bgm";
  const int ch = music ? 0 : 1;
  Sound(music ? "bgm" : "se", "s.wav");
  settings.m_bSoundFade = c.soundFade;
  settings.m_nBgmVolume = 40;
  settings.m_nSeVolume = 20;
  Run({"::START", music ? "bgmon(\"s\",0)" : "envon(\"s\",0)"});
  ASSERT_EQ(Busy(), std::vector<int>{ch});
  Scene().m_nRunMode = c.runMode;
  Run({"::START", c.line});
  const SoundRequestState& st = SoundRequests();
  const std::string& memo = music ? st.bgmMemo : st.envMemo;
  if (!c.fades) {
    EXPECT_TRUE(Busy().empty());
    EXPECT_EQ(memo, "");
    EXPECT_EQ(music ? sound.m_nBgmMode.load() : sound.m_nEnvMode.load(), 0);
    EXPECT_NE(Scene().m_nPendingState, PND_FADE);
    return;
  }
  EXPECT_EQ(Scene().m_nPendingState, PND_FADE);
  EXPECT_EQ(st.fades[ch].duration, c.duration);
  EXPECT_EQ(st.fades[ch].delta, music ? 60 : 80);
  Advance(static_cast<std::uint32_t>(c.duration) / 2);
  UpdateSoundFades();
  EXPECT_EQ(sound.Channel(ch).m_nAttenuation, music ? 70 : 60);
  EXPECT_EQ(Busy(), std::vector<int>{ch});
  Advance(static_cast<std::uint32_t>(c.duration) - static_cast<std::uint32_t>(c.duration) / 2);
  UpdateSoundFades();
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(memo, "");
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundOff,
    ::testing::Values(OffCase{"music fades over the default length", "bgm", "bgmoff(0,0)", 1, RUN_NORMAL, true, 1200},
                      OffCase{"music fades over its length", "bgm", "bgmoff(0,500)", 1, RUN_NORMAL, true, 500},
                      OffCase{"music stops at once when asked", "bgm", "bgmoff(1,500)", 1, RUN_NORMAL, false, 0},
                      OffCase{"music stops at once while skipping", "bgm", "bgmoff(0,0)", 1, RUN_SKIP, false, 0},
                      OffCase{"music stops at once without fades", "bgm", "bgmoff(0,0)", 0, RUN_NORMAL, false, 0},
                      OffCase{"ambience fades", "env", "envoff(0,0)", 1, RUN_NORMAL, true, 1200},
                      OffCase{"ambience stops at once while skipping", "env", "envoff(0,0)", 1, RUN_SKIPHELD, false, 0}));

TEST_F(SoundCommandsTest, OffWithoutMusicOnlyEmptiesTheVariable) {
  Run({"::START", "bgmon(3)", "bgmoff(0,0)", "envoff(0,0)"});
  EXPECT_EQ(Bgm()->nValue, 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_TIMER);  // the script ran on to its last wait
  EXPECT_FALSE(SoundRequests().fades[0].active || SoundRequests().fades[1].active);
}

TEST_F(SoundCommandsTest, WaitedEffectHoldsTheScriptUntilSeoff) {
  Sound("se", "bell.wav");
  Run({"::START", "seon(\"bell\",0,4)", "seon(\"bell\",2,6)"});
  EXPECT_EQ(Busy(), (std::vector<int>{7, 9}));
  Run({"::START", "seon(\"bell\",1,6)"});
  EXPECT_EQ(Busy(), std::vector<int>{3});
  EXPECT_EQ(Scene().m_nPendingState, PND_OPERATION);
  Run({"::START", "seoff(0)"});
  EXPECT_TRUE(Busy().empty());
  EXPECT_EQ(Scene().m_nPendingState, PND_TIMER);
}

TEST_F(SoundCommandsTest, SeoffOutsideTheEffectsIsRefused) {
  Sound("se", "bell.wav");
  Run({"::START", "seon(\"bell\",2,15)", "seon(\"bell\",0,0)", "seoff(16)", "seoff(-2)"});
  EXPECT_EQ(TakeBoxes(), (Strings{"デバッグ:seoff コマンドの値 16 は範囲外です。",
                                  "デバッグ:seoff コマンドの値 -2 は範囲外です。"}));
  EXPECT_EQ(Busy(), (std::vector<int>{3, 18}));
  Run({"::START", "seoff(15)"});
  EXPECT_EQ(Busy(), std::vector<int>{3});
  Run({"::START", "seoff(-1)"});
  EXPECT_TRUE(Busy().empty());
  EXPECT_TRUE(TakeBoxes().empty());
}

struct VoiceCase {
  const char* what;
  std::int32_t runMode;
  std::int32_t skipReadOnly;
  std::int32_t mark;  // the read mark of the section; -1 none yet
  bool plays;
};
void PrintTo(const VoiceCase& c, std::ostream* os) { *os << c.what; }

class VoiceRule : public SoundCommandsTest, public ::testing::WithParamInterface<VoiceCase> {};

TEST_P(VoiceRule, CvonPlaysByRunModeAndReadMark) {
  const VoiceCase& c = GetParam();
  Sound("cv", "aa01.wav");
  settings.m_bSkipReadOnly = c.skipReadOnly;
  ValueList marks;
  Scene().m_nRunMode = c.runMode;
  // The script's line numbers are small; the mark says how far the player
  // has read this section before.
  ValueNode* node = c.mark >= 0 ? marks.AddInt("START,START,", c.mark) : nullptr;
  eng.m_Root.m_pReadMark = node;
  Run({"::START", "cvon(\"aa01\")"});
  EXPECT_EQ(!Busy().empty(), c.plays);
  if (c.plays) {
    EXPECT_EQ(Name(2), "aa01.wav");
  }
  eng.m_Root.m_pReadMark = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoiceRule,
    ::testing::Values(VoiceCase{"normal run", RUN_NORMAL, 0, 1000, true},
                      VoiceCase{"page at once", RUN_PAGE, 0, -1, true},
                      VoiceCase{"skipping plays nothing", RUN_SKIP, 0, -1, false},
                      VoiceCase{"skipping unread lines only: not read", RUN_SKIP, 1, 0, true},
                      VoiceCase{"skipping unread lines only: no mark yet", RUN_SKIPHELD, 1, -1, true},
                      VoiceCase{"skipping unread lines only: read before", RUN_SKIP, 1, 1000, false}));

TEST_F(SoundCommandsTest, CvoffStopsTheVoiceAndPutsTheMouthsBack) {
  Sound("cv", "mwd01.wav");
  tables.CreateSprites(3);
  const char* names[] = {"T1a", "T10", "X1a"};
  for (int i = 0; i < 3; ++i) {
    CLayerImage& s = *tables.SpriteAt(i);
    std::snprintf(s.m_szName, sizeof s.m_szName, "%s", names[i]);
    s.m_nKind = 2;
    s.m_Groups.resize(2);
    s.m_Groups[0].m_nMode = 2;  // a voice-driven mouth
    s.m_Groups[1].m_nMode = 1;  // blinking
    s.m_Groups[0].m_nPosition = s.m_Groups[1].m_nPosition = 3;
  }
  ASSERT_TRUE(HasVoiceSprite());
  MarkVoiceMouths("aa01");
  EXPECT_EQ(tables.SpriteAt(0)->m_Groups[0].m_bRunning, 0);
  MarkVoiceMouths("MWD01");
  std::vector<int> running;
  for (int i = 0; i < 3; ++i)
    for (int g = 0; g < 2; ++g) running.push_back(tables.SpriteAt(i)->m_Groups[g].m_bRunning);
  EXPECT_EQ(running, (std::vector<int>{1, 0, 0, 0, 0, 0}));

  // The voice's timing file marks the mouths again.
  MarkVoiceMouths("aa01");
  ResetVoiceAnimations();
  std::string cog(CMouthTiming::kHeaderBytes, '\0');
  for (std::uint32_t w : {500u, 800u, CMouthTiming::kEndMark, CMouthTiming::kEndMark})
    for (int k = 0; k < 4; ++k) cog.push_back(static_cast<char>((w >> (8 * k)) & 0xFF));
  ASSERT_TRUE(kvtest::WriteFile(dir / "cv/mwd01.cog", cog));
  Run({"::START", "cvon(\"mwd01\")"});
  ASSERT_EQ(Name(2), "mwd01.wav");
  EXPECT_EQ(tables.SpriteAt(0)->m_Groups[0].m_bRunning, 1);
  ASSERT_TRUE(MouthTiming().HasTable());
  Advance(600);
  std::uint32_t elapsed = 0;
  ASSERT_TRUE(GetLayerDrawHooks().voiceTiming && GetLayerDrawHooks().voiceTiming(&elapsed, nullptr, nullptr));
  EXPECT_EQ(elapsed, 600u);
  EXPECT_TRUE(MouthTiming().RestsAt(elapsed));
  Run({"::START", "cvoff()"});
  EXPECT_TRUE(Busy().empty());
  const ImageGroupRecord& mouth = tables.SpriteAt(0)->m_Groups[0];
  EXPECT_EQ(mouth.m_nPosition, 0);
  EXPECT_EQ(mouth.m_bRunning, 0);
  EXPECT_EQ(tables.SpriteAt(0)->m_Groups[1].m_nPosition, 3);
}

TEST_F(SoundCommandsTest, MemosGoThroughASavedSlotAndRestartTheMusic) {
  Sound("bgm", "m1.wav");
  Sound("se", "rain.wav");
  Sound("se", "bell.wav");
  Run({"::START", "bgmon(\"m1\",0)", "envon(\"rain\",0)", "seon(\"bell\",2,0)"});
  ASSERT_EQ(Busy(), (std::vector<int>{0, 1, 3}));

  CMessageText text(eng, tables);
  CSlotScene slotScene(tables, text);
  SlotData saved;
  CaptureScriptState(eng, &saved);
  slotScene.CaptureSlot(&saved);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodeSlot(saved, &bytes));
  SlotData slot;
  ASSERT_EQ(ParseSlot(bytes, &slot), SlotParse::kOk);
  EXPECT_EQ(slot.music, (SlotSound{2, "m1.wav"}));
  EXPECT_EQ(slot.ambience, (SlotSound{2, "rain.wav"}));
  EXPECT_EQ(slot.effect, (SlotSound{2, "bell.wav"}));

  // Another story plays when the slot is loaded.
  Run({"::START", "bgmoff(1,0)", "envoff(1,0)", "seoff(-1)"});
  ResetSoundRequests();
  ASSERT_TRUE(Busy().empty());
  ASSERT_TRUE(slotScene.CanRestoreSlot(slot));
  slotScene.BeginRestore();
  slotScene.RestoreSlot(slot);
  slotScene.FinishRestore(slot, false);
  // Music and the looping ambience come back; an effect does not.
  EXPECT_EQ(Busy(), (std::vector<int>{0, 1}));
  EXPECT_EQ(Name(0), "m1.wav");
  EXPECT_EQ(Name(1), "rain.wav");
  EXPECT_EQ(sound.m_nBgmMode.load(), 2);
  EXPECT_EQ(sound.m_nSeMode.load(), 2);
  EXPECT_EQ(SoundRequests().seMemo, "bell.wav");

  // Saved while the ambience played once: only the music comes back.
  slot.ambience.mode = 1;
  slotScene.BeginRestore();
  EXPECT_TRUE(Busy().empty());
  slotScene.RestoreSlot(slot);
  slotScene.FinishRestore(slot, false);
  EXPECT_EQ(Busy(), std::vector<int>{0});
  EXPECT_EQ(SoundRequests().envMemo, "rain.wav");
}

}  // namespace
