#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/settings_record.h"
#include "framework/display_mode.h"
#include "platform/fake/fake_backend.h"
#include "platform/text.h"

namespace {

TEST(SettingsRecord, FactoryDefaults) {
  CSettings s;
  const SettingsRecord& d = s.DefaultSettings();
  EXPECT_EQ(std::string(d.m_szFontFace), pl::Utf8ToCp932("ＭＳ ゴシック"));
  EXPECT_EQ(std::strlen(d.m_szFontFace), 13u);
  // The bytes after the face's NUL are zero.
  for (std::size_t i = 13; i < kFontFaceSize; ++i) EXPECT_EQ(d.m_szFontFace[i], 0) << i;
  EXPECT_EQ(d.m_nDisplayMode, 0);
  EXPECT_EQ(d.m_nBgmVolume, 60);
  EXPECT_EQ(d.m_nVoiceVolume, 0);
  EXPECT_EQ(d.m_nSeVolume, 35);
  EXPECT_EQ(d.m_nTextSpeed, 3);
  EXPECT_EQ(d.m_nAutoCharWait, 50);
  EXPECT_EQ(d.m_nAutoPageWait, 1);
  EXPECT_EQ(d.m_nAutoMinWait, 0);
  EXPECT_EQ(d.m_nVoiceGroups, 3);
  EXPECT_EQ(d.m_bBgm + d.m_bVoice + d.m_bSe + d.m_bSkipReadOnly + d.m_bSoundFade, 5);
  EXPECT_EQ(d.m_bNoEffect + d.m_bKeyOption + d.m_bDuckBgm + d.m_bVoiceStop, 0);
  for (std::size_t i = 0; i < kSpeakerSlots; ++i) {
    EXPECT_EQ(d.m_nSpeakerVolume[i], 0);
    EXPECT_EQ(d.m_bSpeakerVoice[i], 1);
  }
  // The live words start as a new "system.dat" holds them.
  EXPECT_EQ(s.m_strFontFace, std::string(d.m_szFontFace));
  EXPECT_EQ(s.m_nBgmVolume, 60);
  EXPECT_EQ(s.m_nFontSize, 20);
  EXPECT_EQ(s.m_nWindowOpacity, 70);
  EXPECT_EQ(s.m_nMode01, 1);
  EXPECT_EQ(s.m_bAntiAlias, 1);
  EXPECT_EQ(s.m_bAutoMode, 0);
}

TEST(SettingsRecord, AutoSliderMapping) {
  struct Case {
    int v, charWait, pageWait;
  } cases[] = {{0, 0, 0}, {25, 50, 1}, {50, 100, 2}, {99, 198, 3}, {100, 200, 4}, {-3, 0, 0}, {140, 200, 4}};
  for (const Case& c : cases) {
    std::int32_t cw = -1, pw = -1;
    AutoSliderToWaits(c.v, &cw, &pw);
    EXPECT_EQ(cw, c.charWait) << c.v;
    EXPECT_EQ(pw, c.pageWait) << c.v;
  }
  EXPECT_EQ(AutoWaitsToSlider(0), 0);
  EXPECT_EQ(AutoWaitsToSlider(50), 25);
  EXPECT_EQ(AutoWaitsToSlider(200), 100);
  // A wait above the slider's end keeps the knob on the track.
  EXPECT_EQ(AutoWaitsToSlider(5000), 100);
}

TEST(SettingsRecord, ValidateBringsWordsIntoRange) {
  CSettings s;
  s.m_nBgmVolume = -5;
  s.m_nSeVolume = 250;
  s.m_nVoiceVolume = 100;  // in range: kept
  s.m_nTextSpeed = 7;
  s.m_nAutoCharWait = 300;
  s.m_nAutoPageWait = -1;
  s.m_nAutoMinWait = 1 << 30;
  s.m_nWindowOpacity = 101;
  s.m_nFontSize = 0;
  s.m_nVoiceGroups = 6;
  s.m_bBgm = 5;
  s.m_nSpeakerVolume[127] = 1000;
  s.m_bSpeakerVoice[3] = 0;
  s.m_strFontFace = std::string(40, 'A');
  s.Validate();
  EXPECT_EQ(s.m_nBgmVolume, 0);
  EXPECT_EQ(s.m_nSeVolume, 100);
  EXPECT_EQ(s.m_nVoiceVolume, 100);
  EXPECT_EQ(s.m_nTextSpeed, 3);
  EXPECT_EQ(s.m_nAutoCharWait, 200);
  EXPECT_EQ(s.m_nAutoPageWait, 0);
  EXPECT_EQ(s.m_nAutoMinWait, kMaxAutoMinWait);
  EXPECT_EQ(s.m_nWindowOpacity, 100);
  EXPECT_EQ(s.m_nFontSize, 20);
  EXPECT_EQ(s.m_nVoiceGroups, 2);
  EXPECT_EQ(s.m_bBgm, 1);
  EXPECT_EQ(s.m_nSpeakerVolume[127], 100);
  EXPECT_EQ(s.m_bSpeakerVoice[3], 0);
  EXPECT_EQ(s.m_strFontFace, std::string(s.DefaultSettings().m_szFontFace));
}

TEST(SettingsRecord, FontFaceValidity) {
  struct Case {
    std::string face;
    bool valid;
  } cases[] = {
      {"", false},
      {"A", true},
      {std::string(31, 'x'), true},  // fills the field with its NUL
      {std::string(32, 'x'), false},
      {std::string("a\0b", 3), false},
      {pl::Utf8ToCp932("ＭＳ 明朝"), true},
      {pl::Utf8ToCp932("ＭＳ 明朝").substr(0, 4), true},
      {std::string("ab\x82"), false},  // cut inside a character
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidFontFace(c.face), c.valid) << c.face;
}

TEST(SettingsRecord, RecordRoundTripAndDisplayModeFromTheFramework) {
  pl::FakeBackend fake;
  ResetDisplayModeState();
  SetDisplayModeWord(2);
  CSettings s;
  s.m_strFontFace = pl::Utf8ToCp932("ＭＳ 明朝");
  s.m_nTextSpeed = 1;
  s.m_bSpeakerVoice[40] = 0;
  s.m_nSpeakerVolume[0] = 33;
  SettingsRecord rec;
  s.ToRecord(&rec);
  EXPECT_EQ(rec.m_nDisplayMode, 2);
  CSettings t;
  t.FromRecord(rec);
  SettingsRecord back;
  t.ToRecord(&back);
  EXPECT_EQ(std::memcmp(&rec, &back, sizeof rec), 0);
  EXPECT_EQ(t.m_strFontFace, s.m_strFontFace);
  // Resetting takes the defaults whole.
  t.FromRecord(t.DefaultSettings());
  EXPECT_EQ(t.m_nTextSpeed, 3);
  EXPECT_EQ(t.m_bSpeakerVoice[40], 1);
  ResetDisplayModeState();
}

}  // namespace
