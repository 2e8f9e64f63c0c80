// The settings screen: every control lands in the live settings and takes
// effect (sound volumes and switches on the sound system, the display mode),
// the sliders' ends, the reset with its question, the face choice, the page
// tabs, and missing pictures.
#include "screens/config_mode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "graphics/font_list.h"
#include "platform/sound_device.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "sound/voice_speakers.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kPage1 = 0xFF405060;

// The chip sheet: every 8 x 8 block its own colour, so a drawn control
// tells which cell it shows.
std::uint32_t Chip(int x, int y) {
  return 0xFF000000u | (static_cast<std::uint32_t>(x / 8) << 16) | (static_cast<std::uint32_t>(y / 8) << 8) | 0x80u;
}

// The sound requests read the screen's live settings, as the engine's host
// does.
struct SettingsHost : ISoundRequestHost {
  CSettings* s = nullptr;
  void ReadSettings(SoundRequestSettings* out) override {
    out->bgmOn = s->m_bBgm;
    out->voiceOn = s->m_bVoice;
    out->seOn = s->m_bSe;
    out->bgmVolume = s->m_nBgmVolume;
    out->voiceVolume = s->m_nVoiceVolume;
    out->seVolume = s->m_nSeVolume;
    out->voiceGroups = s->m_nVoiceGroups;
    for (int i = 0; i < kSoundSpeakerSlots; ++i) {
      out->speakerVoice[i] = s->m_bSpeakerVoice[i];
      out->speakerVolume[i] = s->m_nSpeakerVolume[i];
    }
  }
};

class ConfigModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    MakePicture("cfm_bk0.bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("cfm_bk1.bmp", Bands(24, 1024, {{600, kPage1}}));
    MakeChips();
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    ResetSoundRequests();
    host.s = &settings;
    SetSoundRequestHost(&host);
    fonts.BuildFontList({{"FaceA", true}, {"FaceB", true}, {"FaceC", true}});
    SetFontList(&fonts);
    settings.m_strFontFace = "FaceB";
    FillShown(0xFF112233);
  }
  void TearDown() override {
    SetFontList(nullptr);
    SetSoundRequestHost(nullptr);
    ResetSoundRequests();
    SetSoundSystem(nullptr);
    sound.ShutdownDirectSound();
    ScreenHarness::TearDown();
  }
  void MakeChips() {
    std::string r = "variant 32\nsize 344 288\n";
    char line[64];
    for (int y = 0; y < 288; ++y) {
      for (int x = 0; x < 344; x += 8) {
        std::snprintf(line, sizeof line, "fill %d %08X\n", std::min(8, 344 - x), Chip(x, y));
        r += line;
      }
    }
    MakePicture("cfm_cp.abm", r);
  }
  int Run() {
    const int r = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved), nullptr,
                             &keys, &settings);
    screen.LeaveHookList();
    return r;
  }
  std::function<bool()> Open() {
    return [this] { return screen.m_bLoop == 1 && Later(3)(); };
  }
  pl::Point Center(int i) {
    LayoutButton b = screen.m_Controls[i];
    if (b.user1 == 1) b.x += b.user0;
    return LayoutCenter(b);
  }
  void ClickControl(std::vector<Step>& s, int i) {
    AddClick(s, Later(3), Center(i));
  }
  // Runs the screen: the steps, then the return button.
  int RunWith(const std::function<void(std::vector<Step>&)>& body) {
    std::vector<Step> s;
    s.push_back({Open(), [] {}});
    body(s);
    s.push_back({Later(3), [this] { fake.InjectMouseMove(LayoutCenter(ConfigControlLayout[kConfigReturn])); }});
    s.push_back({Later(3), [this] {
                   fake.InjectMouseButton(pl::MOUSE_LEFT, true, LayoutCenter(ConfigControlLayout[kConfigReturn]));
                 }});
    s.push_back({Later(3), [this] {
                   fake.InjectMouseButton(pl::MOUSE_LEFT, false, LayoutCenter(ConfigControlLayout[kConfigReturn]));
                 }});
    Play(std::move(s));
    const int r = Run();
    EXPECT_TRUE(AllPlayed()) << "stopped before step " << next << " of " << steps.size();
    EXPECT_FALSE(screen.m_bClosed) << "the screen did not end by itself";
    return r;
  }
  // The look a control shows, by its cell in the chip sheet.
  bool Shows(const std::vector<std::uint32_t>& shot, int i, int cellX, int cellY) {
    LayoutButton b = screen.m_Controls[i];
    if (b.user1 == 1) b.x += b.user0;
    return Near(shot[static_cast<std::size_t>(b.y + 2) * 1024 + b.x + 2], Chip(cellX + 2, cellY + 2));
  }
  void Snapshot(std::vector<Step>& s, std::vector<std::uint32_t>* shot) {
    s.push_back({Later(3), [this, shot] { shot->assign(Shown(), Shown() + 1024 * 600); }});
  }
  std::string MakeMusic(const std::string& name) {
    EXPECT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm"), 0);
    const std::string cmd = kvtest::ToolPath("gensound") + " ogg '" + dir / ("bgm/" + name + ".ogg") +
                            "' --seconds 0.5 --rate 44100 --channels 2";
    EXPECT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
    return name;
  }

  CSoundSystem sound;
  SettingsHost host;
  CFontList fonts;
  CSettings settings;
  CConfigMode screen;
  CBuffer saved;
};

TEST_F(ConfigModeTest, EveryChoiceLandsInTheLiveSettings) {
  struct Case {
    int page;
    int control;
    std::function<std::int32_t(const CSettings&)> word;
    std::int32_t expected;
  };
  const Case cases[] = {
      {0, 5, [](const CSettings&) { return GetDisplayModeSetting(); }, 1},
      {0, 8, [](const CSettings& s) { return s.m_bNoEffect; }, 1},
      {0, 9, [](const CSettings& s) { return s.m_bKeyOption; }, 1},
      {0, 11, [](const CSettings& s) { return s.m_nTextSpeed; }, 0},
      {0, 13, [](const CSettings& s) { return s.m_nTextSpeed; }, 2},
      {0, 20, [](const CSettings& s) { return s.m_bSkipReadOnly; }, 0},
      {0, 21, [](const CSettings& s) { return s.m_bVoiceStop; }, 1},
      {1, 29, [](const CSettings& s) { return s.m_bDuckBgm; }, 1},
      {1, 32, [](const CSettings& s) { return s.m_nVoiceGroups; }, 2},
      {1, 34, [](const CSettings& s) { return s.m_nVoiceGroups; }, 1},
      {1, 26, [](const CSettings& s) { return s.m_bVoice; }, 0},
      {1, 28, [](const CSettings& s) { return s.m_bSe; }, 0},
      // A speaker toggle switches every row of its group in both tables.
      {1, 36, [](const CSettings& s) { return s.m_bSpeakerVoice[0]; }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "control " << c.control);
    settings.SetCreationValues();
    settings.m_strFontFace = "FaceB";
    ResetDisplayModeState();
    const std::int32_t before = c.word(settings);
    ASSERT_NE(before, c.expected);
    const int r = RunWith([&](std::vector<Step>& s) {
      if (c.page == 1) ClickControl(s, kConfigTab1);
      ClickControl(s, c.control);
      s.push_back({Later(3), [&] { EXPECT_EQ(c.word(settings), c.expected) << "while open"; }});
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c.word(settings), c.expected);
    ResetDisplayModeState();
  }
}

TEST_F(ConfigModeTest, SliderEndsGiveTheirExtremesAndReachTheChannels) {
  struct Case {
    int control;
    bool farLeft;
    std::function<std::int32_t(const CSettings&)> word;
    std::int32_t expected;
    int channel;  // -1: no channel to look at
  };
  const Case cases[] = {
      {kConfigBgmSlider, true, [](const CSettings& s) { return s.m_nBgmVolume; }, 100, kBgmChannel},
      {kConfigBgmSlider, false, [](const CSettings& s) { return s.m_nBgmVolume; }, 0, kBgmChannel},
      {kConfigVoiceSlider, true, [](const CSettings& s) { return s.m_nVoiceVolume; }, 100, -1},
      {kConfigSeSlider, true, [](const CSettings& s) { return s.m_nSeVolume; }, 100, 1},
      {kConfigSeSlider, false, [](const CSettings& s) { return s.m_nSeVolume; }, 0, 3},
      // The two auto waits as one number: char wait x 10 + page wait.
      {kConfigAutoSlider, true, [](const CSettings& s) { return s.m_nAutoCharWait * 10 + s.m_nAutoPageWait; }, 2004,
       -1},
      {kConfigAutoSlider, false, [](const CSettings& s) { return s.m_nAutoCharWait * 10 + s.m_nAutoPageWait; }, 0,
       -1},
      {kConfigFirstSpeaker, true, [](const CSettings& s) { return s.m_nSpeakerVolume[0]; }, 100, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "control " << c.control << (c.farLeft ? " left" : " right"));
    settings.SetCreationValues();
    settings.m_nBgmVolume = settings.m_nSeVolume = 50;
    ApplySoundVolumes();
    const LayoutButton& b = ConfigControlLayout[c.control];
    const pl::Point end{c.farLeft ? b.x : b.x + b.fourthX + b.w - 1, b.y + b.h / 2};
    RunWith([&](std::vector<Step>& s) {
      if (c.control >= kConfigBgmSlider) ClickControl(s, kConfigTab1);
      // A click on the track away from the knob jumps the knob there.
      AddClick(s, Later(3), end);
    });
    EXPECT_EQ(c.word(settings), c.expected);
    if (c.channel >= 0) {
      EXPECT_EQ(sound.Channel(c.channel).m_nAttenuation, c.expected);
    }
  }
}

TEST_F(ConfigModeTest, WithoutASoundDeviceTheVolumesStillChange) {
  SetSoundSystem(nullptr);
  settings.SetCreationValues();
  const LayoutButton& b = ConfigControlLayout[kConfigVoiceSlider];
  RunWith([&](std::vector<Step>& s) {
    ClickControl(s, kConfigTab1);
    AddClick(s, Later(3), pl::Point{b.x, b.y + 4});
    ClickControl(s, kConfigSeToggle);
  });
  EXPECT_EQ(settings.m_nVoiceVolume, 100);
  EXPECT_EQ(settings.m_bSe, 0);
}

TEST_F(ConfigModeTest, DraggingTheKnobFollowsTheHeldButton) {
  settings.SetCreationValues();
  settings.m_nBgmVolume = 0;  // the knob at the right end
  const LayoutButton& b = ConfigControlLayout[kConfigBgmSlider];
  std::vector<std::int32_t> seen;
  RunWith([&](std::vector<Step>& s) {
    ClickControl(s, kConfigTab1);
    s.push_back({Later(3), [this] { fake.InjectMouseMove(Center(kConfigBgmSlider)); }});
    s.push_back({Later(3), [this] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, Center(kConfigBgmSlider)); }});
    // Half way along the track, then past its left end, still held.
    const pl::Point half{b.x + b.w / 2 + b.fourthX / 2, b.y + 8};
    s.push_back({Later(5), [this, half] { fake.InjectMouseMove(half); }});
    s.push_back({Later(5), [&] { seen.push_back(settings.m_nBgmVolume); }});
    s.push_back({Later(1), [this, &b] { fake.InjectMouseMove(pl::Point{b.x - 40, b.y + 8}); }});
    s.push_back({Later(5), [&] { seen.push_back(settings.m_nBgmVolume); }});
    s.push_back({Later(1), [this, &b] {
                   fake.InjectMouseButton(pl::MOUSE_LEFT, false, pl::Point{b.x - 40, b.y + 8});
                 }});
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], 50);
  EXPECT_EQ(seen[1], 100);
  EXPECT_EQ(sound.Channel(kBgmChannel).m_nAttenuation, 100);
}

TEST_F(ConfigModeTest, MusicMuteHaltsAndBringsBackOnlyLoopingMusic) {
  MakeMusic("m01");
  for (int mode : {0, 1}) {  // 0 loops, 1 plays once
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    settings.SetCreationValues();
    ASSERT_EQ(PlaySoundByKind(mode, "m01", "bgm", 0), 1);
    ASSERT_NE(sound.Channel(kBgmChannel).m_szName[0], '\0');
    bool haltedWhileMuted = false;
    RunWith([&](std::vector<Step>& s) {
      ClickControl(s, kConfigTab1);
      ClickControl(s, kConfigBgmToggle);
      s.push_back({Later(3), [&] {
                     haltedWhileMuted = sound.Channel(kBgmChannel).m_szName[0] == '\0' && settings.m_bBgm == 0;
                   }});
      ClickControl(s, kConfigBgmToggle);
    });
    EXPECT_TRUE(haltedWhileMuted);
    EXPECT_EQ(settings.m_bBgm, 1);
    EXPECT_EQ(sound.Channel(kBgmChannel).m_szName[0] != '\0', mode == 0);
    sound.HaltChannel(kBgmChannel);
  }
}

TEST_F(ConfigModeTest, ResetAsksAndOnlyYesRestoresTheDefaults) {
  struct Case {
    bool panel;  // the question's own box can run
    int answer;  // the plain box's answer, or the panel's button (1 yes, 2 no)
    bool reset;
  };
  const Case cases[] = {{false, pl::IDOK, true}, {false, pl::IDCANCEL, false}, {true, 1, true}, {true, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "panel " << c.panel << " answer " << c.answer);
    if (c.panel) {
      MakePicture(MsgPanelPicture(MSG_RESET),
                  Bands(32, 472, {{216, kPanel}, {64, kNormal}, {64, kHover}, {64, kPressed}}));
    }
    settings.SetCreationValues();
    settings.m_nTextSpeed = 0;
    settings.m_nBgmVolume = 7;
    settings.m_bSkipReadOnly = 0;
    settings.m_nVoiceGroups = 1;
    settings.m_nSpeakerVolume[3] = 40;
    settings.m_bSe = 0;
    fake.boxes.clear();
    if (!c.panel) fake.QueueBoxAnswer(c.answer);
    RunWith([&](std::vector<Step>& s) {
      ClickControl(s, kConfigReset);
      if (c.panel) {
        const pl::Point p = LayoutCenter(MsgBoxLayout[c.answer]);
        AddClick(s, [this] { return screen.m_MsgBox.m_bLoop == 1 && Near(ShownAt(290, 200), kPanel) && Later(3)(); },
                 p);
        // The return click is for the settings screen, once the box is gone.
        s.push_back({[this] { return screen.m_MsgBox.m_bLoop == 0 && Later(3)(); }, [] {}});
      }
    });
    const SettingsRecord& d = settings.DefaultSettings();
    EXPECT_EQ(settings.m_nTextSpeed == d.m_nTextSpeed, c.reset);
    EXPECT_EQ(settings.m_nBgmVolume == d.m_nBgmVolume, c.reset);
    EXPECT_EQ(settings.m_bSkipReadOnly == d.m_bSkipReadOnly, c.reset);
    EXPECT_EQ(settings.m_nVoiceGroups == d.m_nVoiceGroups, c.reset);
    EXPECT_EQ(settings.m_nSpeakerVolume[3] == d.m_nSpeakerVolume[3], c.reset);
    EXPECT_EQ(settings.m_bSe == d.m_bSe, c.reset);
    if (c.reset) {
      EXPECT_EQ(sound.Channel(kBgmChannel).m_nAttenuation, d.m_nBgmVolume);
    }
    const std::vector<std::string> boxes = Boxes();
    if (c.panel) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], "確認:初期化してもよろしいですか？");
    }
    ASSERT_EQ(kvtest::RunCommand("rm -f " + dir / ("grp/" + std::string(MsgPanelPicture(MSG_RESET)))), 0);
  }
}

TEST_F(ConfigModeTest, ResetInAFullScreenModeGoesBackToTheWindow) {
  settings.SetCreationValues();
  fake.QueueBoxAnswer(pl::IDOK);
  RunWith([&](std::vector<Step>& s) {
    ClickControl(s, 5);
    s.push_back({Later(3), [] { EXPECT_EQ(GetDisplayModeSetting(), 1); }});
    ClickControl(s, kConfigReset);
  });
  EXPECT_EQ(GetDisplayModeSetting(), 0);
  EXPECT_EQ(GetDisplayMode(), 0);
}

TEST_F(ConfigModeTest, FaceChoiceIsAppliedOnCloseUnlessPageZeroWasLoadedAgain) {
  struct Case {
    std::string face;     // the face when the screen opens
    std::vector<int> presses;
    bool visitPage1;
    std::string result;
  };
  const Case cases[] = {
      {"FaceB", {kConfigFontNext}, false, "FaceC"},
      {"FaceC", {kConfigFontNext}, false, "FaceA"},       // past the last wraps
      {"FaceA", {kConfigFontPrev}, false, "FaceC"},       // below the first wraps
      {"Unlisted", {kConfigFontNext}, false, "FaceA"},    // not listed: next gives the first
      {"Unlisted", {kConfigFontPrev}, false, "FaceC"},    // and previous the last
      {"FaceB", {kConfigFontNext}, true, "FaceB"},        // forgotten by the page change
      {"FaceB", {kConfigFontNext, kConfigTab0}, false, "FaceC"},  // the shown tab reloads nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.face << " -> " << c.result);
    settings.m_strFontFace = c.face;
    RunWith([&](std::vector<Step>& s) {
      for (int p : c.presses) ClickControl(s, p);
      if (c.visitPage1) {
        ClickControl(s, kConfigTab1);
        ClickControl(s, kConfigTab0);
      }
      s.push_back({Later(3), [&] { EXPECT_EQ(settings.m_strFontFace, c.face) << "applied only on close"; }});
    });
    EXPECT_EQ(settings.m_strFontFace, c.result);
  }
}

TEST_F(ConfigModeTest, TabsShowTheirPageAndTheShownTabDoesNothing) {
  settings.SetCreationValues();
  settings.m_nTextSpeed = 2;
  std::vector<std::uint32_t> page0, page0Again, page1;
  int pageAfterSameTab = -1;
  RunWith([&](std::vector<Step>& s) {
    Snapshot(s, &page0);
    ClickControl(s, kConfigTab0);
    s.push_back({Later(3), [&] { pageAfterSameTab = screen.m_nPage; }});
    Snapshot(s, &page0Again);
    ClickControl(s, kConfigTab1);
    s.push_back({Later(3), [this] { fake.InjectMouseMove(pl::Point{1000, 300}); }});
    Snapshot(s, &page1);
  });
  ASSERT_FALSE(page0.empty());
  ASSERT_FALSE(page1.empty());
  EXPECT_EQ(pageAfterSameTab, 0);
  EXPECT_EQ(ShownAt(600, 300), 0xFF112233u) << "the game's picture is back";
  EXPECT_TRUE(Near(page0[300 * 1024 + 1000], kPage));
  EXPECT_TRUE(Near(page1[300 * 1024 + 1000], kPage1));
  const LayoutButton& speed2 = ConfigControlLayout[13];
  const LayoutButton& speed0 = ConfigControlLayout[11];
  // The selected member pressed, the others normal; the shown tab pressed.
  EXPECT_TRUE(Shows(page0, 13, speed2.pressedX, speed2.pressedY));
  EXPECT_TRUE(Shows(page0, 11, speed0.normalX, speed0.normalY));
  EXPECT_TRUE(Shows(page0, kConfigTab0, ConfigControlLayout[1].pressedX, ConfigControlLayout[1].pressedY));
  EXPECT_TRUE(Shows(page1, kConfigTab1, ConfigControlLayout[2].pressedX, ConfigControlLayout[2].pressedY));
  EXPECT_TRUE(Shows(page1, kConfigTab0, ConfigControlLayout[1].normalX, ConfigControlLayout[1].normalY));
  // The music slider's knob stands where its attenuation puts it.
  EXPECT_TRUE(Shows(page1, kConfigBgmSlider, ConfigControlLayout[23].normalX, ConfigControlLayout[23].normalY));
  EXPECT_EQ(screen.m_Controls[kConfigBgmSlider].user0, 312 - settings.m_nBgmVolume * 312 / 100);
}

TEST_F(ConfigModeTest, AMissingPictureEndsTheScreenAtOnce) {
  for (const char* missing : {"cfm_cp.abm", "cfm_bk0.bmp"}) {
    SCOPED_TRACE(missing);
    ASSERT_EQ(kvtest::RunCommand("mv " + dir / ("grp/" + std::string(missing)) + " " + dir / "kept"), 0);
    FillShown(kPage1);
    Play({});
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(ShownAt(500, 300), kPage1);
    ASSERT_EQ(kvtest::RunCommand("mv " + dir / "kept" + " " + dir / ("grp/" + std::string(missing))), 0);
  }
}

}  // namespace
