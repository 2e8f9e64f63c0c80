#include "engine/settings_record.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "framework/display_mode.h"
#include "framework/sjis.h"
#include "platform/text.h"

static_assert(offsetof(SettingsRecord, m_nDisplayMode) == 32);
static_assert(offsetof(SettingsRecord, m_nSeVolume) == 64);
static_assert(offsetof(SettingsRecord, m_nSpeakerVolume) == 68);
static_assert(offsetof(SettingsRecord, m_bSpeakerVoice) == 68 + 512);
static_assert(offsetof(SettingsRecord, m_nTextSpeed) == 1092);
static_assert(offsetof(SettingsRecord, m_nVoiceGroups) == 1128);

namespace {

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) { return std::clamp(v, lo, hi); }
// A switch is on or off; anything else counts as on, as every reader of
// these words tests them against 0.
std::int32_t Switch(std::int32_t v) { return v != 0 ? 1 : 0; }

}  // namespace

void FillDefaultSettings(SettingsRecord* rec) {
  std::memset(rec, 0, sizeof *rec);
  sjis::CopyBounded(rec->m_szFontFace, kFontFaceSize, SJ("ＭＳ ゴシック"));
  rec->m_nDisplayMode = 0;
  rec->m_bBgm = 1;
  rec->m_bVoice = 1;
  rec->m_bSe = 1;
  rec->m_bNoEffect = 0;
  rec->m_bSkipReadOnly = 1;
  rec->m_nBgmVolume = 60;
  rec->m_nVoiceVolume = 0;
  rec->m_nSeVolume = 35;
  for (std::size_t i = 0; i < kSpeakerSlots; ++i) {
    rec->m_nSpeakerVolume[i] = 0;
    rec->m_bSpeakerVoice[i] = 1;
  }
  rec->m_nTextSpeed = 3;
  rec->m_nAutoCharWait = 50;
  rec->m_nAutoPageWait = 1;
  rec->m_nAutoMinWait = 0;
  rec->m_nAutoDeadline = 0;
  rec->m_bKeyOption = 0;
  rec->m_bSoundFade = 1;
  rec->m_bDuckBgm = 0;
  rec->m_bVoiceStop = 0;
  rec->m_nVoiceGroups = 3;
}

void AutoSliderToWaits(std::int32_t v, std::int32_t* charWait, std::int32_t* pageWait) {
  v = Clamp(v, 0, 100);
  *charWait = std::min(2 * v, kMaxAutoCharWait);
  *pageWait = std::min(v / 25, kMaxAutoPageWait);
}

std::int32_t AutoWaitsToSlider(std::int32_t charWait) {
  return Clamp(charWait, 0, kMaxAutoCharWait) * 100 / kMaxAutoCharWait;
}

bool IsValidFontFace(std::string_view face) {
  if (face.empty() || face.size() >= kFontFaceSize) return false;
  if (face.find('\0') != std::string_view::npos) return false;
  // A lead byte as the last byte would pair with the terminator.
  for (std::size_t i = 0; i < face.size(); i += sjis::CharLen(face, i)) {
    if (sjis::IsLead(static_cast<unsigned char>(face[i])) && i + 1 == face.size()) return false;
  }
  return true;
}

CSettings::CSettings() {
  FillDefaultSettings(&m_DefaultSettings);
  SetCreationValues();
}

void CSettings::SetCreationValues() {
  FromRecord(m_DefaultSettings);
  m_nAutoDeadline = 0;
  m_bAntiAlias = 1;
  m_nFontSize = m_nFontSizeWork = kDefaultFontSize;
  m_bAutoMode = 0;
  m_bAutoAdvance = 0;
  m_nWindowOpacity = kDefaultWindowOpacity;
  m_nMode01 = 1;
}

void CSettings::Validate() {
  const SettingsRecord& d = m_DefaultSettings;
  if (!IsValidFontFace(m_strFontFace)) m_strFontFace = d.m_szFontFace;
  m_bBgm = Switch(m_bBgm);
  m_bVoice = Switch(m_bVoice);
  m_bSe = Switch(m_bSe);
  m_bNoEffect = Switch(m_bNoEffect);
  m_bSkipReadOnly = Switch(m_bSkipReadOnly);
  m_nBgmVolume = Clamp(m_nBgmVolume, 0, kMaxAttenuation);
  m_nVoiceVolume = Clamp(m_nVoiceVolume, 0, kMaxAttenuation);
  m_nSeVolume = Clamp(m_nSeVolume, 0, kMaxAttenuation);
  for (std::size_t i = 0; i < kSpeakerSlots; ++i) {
    m_nSpeakerVolume[i] = Clamp(m_nSpeakerVolume[i], 0, kMaxAttenuation);
    m_bSpeakerVoice[i] = Switch(m_bSpeakerVoice[i]);
  }
  m_nTextSpeed = Clamp(m_nTextSpeed, 0, kMaxTextSpeed);
  m_nAutoCharWait = Clamp(m_nAutoCharWait, 0, kMaxAutoCharWait);
  m_nAutoPageWait = Clamp(m_nAutoPageWait, 0, kMaxAutoPageWait);
  m_nAutoMinWait = Clamp(m_nAutoMinWait, 0, kMaxAutoMinWait);
  m_bKeyOption = Switch(m_bKeyOption);
  m_bSoundFade = Switch(m_bSoundFade);
  m_bDuckBgm = Switch(m_bDuckBgm);
  m_bVoiceStop = Switch(m_bVoiceStop);
  // Two flag bits; other bits have no meaning and are dropped.
  m_nVoiceGroups &= 3;
  m_bAntiAlias = Switch(m_bAntiAlias);
  // A size the font renderer cannot make sense of takes the usual one.
  if (m_nFontSize < kMinFontSize || m_nFontSize > kMaxFontSize) m_nFontSize = kDefaultFontSize;
  m_nFontSizeWork = m_nFontSize;
  m_bAutoMode = Switch(m_bAutoMode);
  m_bAutoAdvance = Switch(m_bAutoAdvance);
  m_nWindowOpacity = Clamp(m_nWindowOpacity, 0, 100);
  m_nMode01 = m_nMode01 == 1 ? 1 : 0;
}

void CSettings::ToRecord(SettingsRecord* rec) const {
  std::memset(rec, 0, sizeof *rec);
  sjis::CopyBounded(rec->m_szFontFace, kFontFaceSize, m_strFontFace);
  rec->m_nDisplayMode = GetDisplayModeSetting();
  rec->m_bBgm = m_bBgm;
  rec->m_bVoice = m_bVoice;
  rec->m_bSe = m_bSe;
  rec->m_bNoEffect = m_bNoEffect;
  rec->m_bSkipReadOnly = m_bSkipReadOnly;
  rec->m_nBgmVolume = m_nBgmVolume;
  rec->m_nVoiceVolume = m_nVoiceVolume;
  rec->m_nSeVolume = m_nSeVolume;
  std::memcpy(rec->m_nSpeakerVolume, m_nSpeakerVolume, sizeof m_nSpeakerVolume);
  std::memcpy(rec->m_bSpeakerVoice, m_bSpeakerVoice, sizeof m_bSpeakerVoice);
  rec->m_nTextSpeed = m_nTextSpeed;
  rec->m_nAutoCharWait = m_nAutoCharWait;
  rec->m_nAutoPageWait = m_nAutoPageWait;
  rec->m_nAutoMinWait = m_nAutoMinWait;
  rec->m_nAutoDeadline = m_nAutoDeadline;
  rec->m_bKeyOption = m_bKeyOption;
  rec->m_bSoundFade = m_bSoundFade;
  rec->m_bDuckBgm = m_bDuckBgm;
  rec->m_bVoiceStop = m_bVoiceStop;
  rec->m_nVoiceGroups = m_nVoiceGroups;
}

void CSettings::FromRecord(const SettingsRecord& rec) {
  m_strFontFace.assign(rec.m_szFontFace, sjis::BoundedLength(rec.m_szFontFace, kFontFaceSize - 1));
  m_bBgm = rec.m_bBgm;
  m_bVoice = rec.m_bVoice;
  m_bSe = rec.m_bSe;
  m_bNoEffect = rec.m_bNoEffect;
  m_bSkipReadOnly = rec.m_bSkipReadOnly;
  m_nBgmVolume = rec.m_nBgmVolume;
  m_nVoiceVolume = rec.m_nVoiceVolume;
  m_nSeVolume = rec.m_nSeVolume;
  std::memcpy(m_nSpeakerVolume, rec.m_nSpeakerVolume, sizeof m_nSpeakerVolume);
  std::memcpy(m_bSpeakerVoice, rec.m_bSpeakerVoice, sizeof m_bSpeakerVoice);
  m_nTextSpeed = rec.m_nTextSpeed;
  m_nAutoCharWait = rec.m_nAutoCharWait;
  m_nAutoPageWait = rec.m_nAutoPageWait;
  m_nAutoMinWait = rec.m_nAutoMinWait;
  m_nAutoDeadline = rec.m_nAutoDeadline;
  m_bKeyOption = rec.m_bKeyOption;
  m_bSoundFade = rec.m_bSoundFade;
  m_bDuckBgm = rec.m_bDuckBgm;
  m_bVoiceStop = rec.m_bVoiceStop;
  m_nVoiceGroups = rec.m_nVoiceGroups;
}
