// The user settings: the record in which they are given defaults, edited
// and reset, and the live setting words that the rest of the engine reads.
//
// The engine object owns one CSettings for the whole run (it is built before
// "system.dat" is read, so its DefaultSettings is ready for the reader); the
// settings screen keeps its working record beside it. The display mode is
// the one setting whose live word is not kept here: it belongs to the
// display-mode code of the framework (GetDisplayModeSetting /
// SetDisplayModeWord), which must know the player's choice even while a
// full-screen mode is left.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kFontFaceSize = 32;
inline constexpr std::size_t kSpeakerSlots = 128;

// The record as the settings screen and the defaults hold it. It lives in
// memory only ("system.dat" stores the live words in an order of its own, see
// system_file.h), but its layout is kept as it always was: a 32-byte face,
// then 32-bit words in this order.
struct SettingsRecord {
  char m_szFontFace[kFontFaceSize];
  std::int32_t m_nDisplayMode;
  std::int32_t m_bBgm;
  std::int32_t m_bVoice;
  std::int32_t m_bSe;
  std::int32_t m_bNoEffect;
  std::int32_t m_bSkipReadOnly;
  std::int32_t m_nBgmVolume;
  std::int32_t m_nVoiceVolume;
  std::int32_t m_nSeVolume;
  std::int32_t m_nSpeakerVolume[kSpeakerSlots];
  std::int32_t m_bSpeakerVoice[kSpeakerSlots];
  std::int32_t m_nTextSpeed;
  std::int32_t m_nAutoCharWait;
  std::int32_t m_nAutoPageWait;
  std::int32_t m_nAutoMinWait;
  std::int32_t m_nAutoDeadline;
  std::int32_t m_bKeyOption;
  std::int32_t m_bSoundFade;
  std::int32_t m_bDuckBgm;
  std::int32_t m_bVoiceStop;
  std::int32_t m_nVoiceGroups;
};
static_assert(sizeof(SettingsRecord) == 1132);

// Clears the record, then puts the factory defaults in it.
void FillDefaultSettings(SettingsRecord* rec);

// Ranges of the settings; anything read from outside is brought into them.
inline constexpr std::int32_t kMaxAttenuation = 100;
inline constexpr std::int32_t kMaxTextSpeed = 3;
inline constexpr std::int32_t kMaxAutoCharWait = 200;
inline constexpr std::int32_t kMaxAutoPageWait = 4;
// Not bounded by any control; kept small enough that the deadline sums
// (x 1000 ms) stay far from overflow.
inline constexpr std::int32_t kMaxAutoMinWait = 600;
inline constexpr std::int32_t kMinFontSize = 8;
inline constexpr std::int32_t kMaxFontSize = 96;
inline constexpr std::int32_t kDefaultFontSize = 20;
inline constexpr std::int32_t kDefaultWindowOpacity = 70;

// The auto-mode slider (0..100) and the two waits it sets together.
void AutoSliderToWaits(std::int32_t v, std::int32_t* charWait, std::int32_t* pageWait);
std::int32_t AutoWaitsToSlider(std::int32_t charWait);

class CSettings {
 public:
  // DefaultSettings is filled, and the live words take their creation values.
  CSettings();

  // The factory defaults for the whole run: written only by the constructor.
  const SettingsRecord& DefaultSettings() const { return m_DefaultSettings; }

  // Every live word to the value a newly made "system.dat" holds.
  void SetCreationValues();
  // Brings every live word into its range (the face included); values in
  // range are kept bit for bit.
  void Validate();

  // The working record from the live words (the display mode from the
  // framework's setting word); and the live words from a record (the display
  // mode is left to the caller, who applies it).
  void ToRecord(SettingsRecord* rec) const;
  void FromRecord(const SettingsRecord& rec);

  // --- the live words of the record's fields
  std::string m_strFontFace;  // CP932, at most kFontFaceSize - 1 bytes
  std::int32_t m_bBgm = 0;
  std::int32_t m_bVoice = 0;
  std::int32_t m_bSe = 0;
  std::int32_t m_bNoEffect = 0;
  std::int32_t m_bSkipReadOnly = 0;
  std::int32_t m_nBgmVolume = 0;
  std::int32_t m_nVoiceVolume = 0;
  std::int32_t m_nSeVolume = 0;
  std::int32_t m_nSpeakerVolume[kSpeakerSlots] = {};
  std::int32_t m_bSpeakerVoice[kSpeakerSlots] = {};
  std::int32_t m_nTextSpeed = 0;
  std::int32_t m_nAutoCharWait = 0;
  std::int32_t m_nAutoPageWait = 0;
  std::int32_t m_nAutoMinWait = 0;
  std::int32_t m_nAutoDeadline = 0;  // a working value of the wait driver, never stored
  std::int32_t m_bKeyOption = 0;
  std::int32_t m_bSoundFade = 0;
  std::int32_t m_bDuckBgm = 0;
  std::int32_t m_bVoiceStop = 0;
  std::int32_t m_nVoiceGroups = 0;

  // --- live words that "system.dat" stores beside the record's fields
  std::int32_t m_bAntiAlias = 1;       // message text through the anti-aliased renderer
  std::int32_t m_nFontSize = kDefaultFontSize;  // the message font size (`fnt`)
  std::int32_t m_nFontSizeWork = kDefaultFontSize;  // its working copy
  std::int32_t m_bAutoMode = 0;        // the window button "automode"
  std::int32_t m_bAutoAdvance = 0;     // auto mode advances at once
  std::int32_t m_nWindowOpacity = kDefaultWindowOpacity;  // percent
  std::int32_t m_nMode01 = 1;

 private:
  SettingsRecord m_DefaultSettings;
};

// Whether a face name may stand in the 32-byte field: not empty, NUL-free,
// at most 31 bytes, and not ending inside a double-byte character.
bool IsValidFontFace(std::string_view face);
