// The speakers of the voices: every voice file belongs to the speaker named
// by the first two letters of its name. Two prefix tables give the speaker
// row whose voice switch and volume the settings keep; each row also names
// the settings-screen slider and toggle that stand for its group.
#pragma once
#include <cstdint>
#include <string_view>

struct VoicePrefixRow {
  const char* prefix;
  std::int32_t volumeControl;
  std::int32_t switchControl;
};

inline constexpr int kSpeakerRows = 35;       // speaker rows 0 .. 34
inline constexpr int kOtherSpeakerRows = 41;  // speaker rows 35 .. 75
inline constexpr int kFirstOtherSpeakerRow = kSpeakerRows;
inline constexpr int kUnknownSpeakerRow = 127;  // a voice no row matches
inline constexpr std::uint32_t kNoVoiceRow = 0xFFFF;

const VoicePrefixRow* SpeakerTable();       // kSpeakerRows rows
const VoicePrefixRow* OtherSpeakerTable();  // kOtherSpeakerRows rows

// The row of the other-speaker table whose prefix begins the name (ASCII
// case folded); 1 found, 0 (row kNoVoiceRow) not.
int FindVoiceNameA(std::string_view name, std::uint32_t* row);
// The same over the speaker table.
int FindVoiceNameB(std::string_view name, std::uint32_t* row);

// The speaker row of a voice, the other-speaker table tried first (35 + its
// row); `group` tells which table matched: 0 other-speaker, 1 speaker, -1
// none (row kUnknownSpeakerRow).
int SpeakerRowOf(std::string_view name, int* group = nullptr);

// Stores an attenuation for every row of both tables whose volume control
// is `control` (the per-row array has 128 slots, indexed by speaker row).
void SetVoiceSetting(std::int32_t* speakerVolume, std::int32_t attenuation, std::int32_t control);
