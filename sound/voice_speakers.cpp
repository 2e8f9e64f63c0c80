#include "sound/voice_speakers.h"

#include "framework/sjis.h"

namespace {

constexpr VoicePrefixRow kSpeakers[kSpeakerRows] = {
    {"aa", 35, 36}, {"ab", 37, 38}, {"ac", 39, 40}, {"ad", 41, 42}, {"ba", 43, 44}, {"bb", 45, 46},
    {"ca", 47, 48}, {"cb", 47, 48}, {"cc", 47, 48}, {"cd", 47, 48}, {"ce", 47, 48}, {"cf", 47, 48},
    {"cg", 47, 48}, {"ch", 47, 48}, {"ci", 47, 48}, {"cj", 47, 48}, {"ck", 47, 48}, {"cl", 47, 48},
    {"cm", 47, 48}, {"cn", 47, 48}, {"co", 47, 48}, {"cp", 47, 48}, {"cq", 47, 48}, {"cr", 47, 48},
    {"cs", 47, 48}, {"ct", 47, 48}, {"cv", 47, 48}, {"cw", 47, 48}, {"cx", 47, 48}, {"cy", 47, 48},
    {"ma", 47, 48}, {"mc", 47, 48}, {"md", 35, 36}, {"mf", 37, 38}, {"mg", 35, 36},
};

constexpr VoicePrefixRow kOthers[kOtherSpeakerRows] = {
    {"ga", 47, 48}, {"gb", 47, 48}, {"gc", 47, 48}, {"gd", 47, 48}, {"ge", 47, 48}, {"gf", 47, 48},
    {"gg", 47, 48}, {"gh", 47, 48}, {"gi", 47, 48}, {"gj", 47, 48}, {"gk", 47, 48}, {"gl", 47, 48},
    {"gn", 47, 48}, {"go", 47, 48}, {"gp", 47, 48}, {"gq", 47, 48}, {"gr", 47, 48}, {"gs", 47, 48},
    {"gt", 47, 48}, {"gu", 47, 48}, {"gv", 47, 48}, {"gw", 47, 48}, {"gx", 47, 48}, {"gy", 47, 48},
    {"gz", 47, 48}, {"ha", 47, 48}, {"hb", 47, 48}, {"hc", 47, 48}, {"hd", 47, 48}, {"he", 47, 48},
    {"hf", 47, 48}, {"hg", 47, 48}, {"hh", 47, 48}, {"hi", 47, 48}, {"hj", 47, 48}, {"hk", 47, 48},
    {"hl", 47, 48}, {"hm", 47, 48}, {"hn", 47, 48}, {"mb", 47, 48}, {"me", 47, 48},
};

int FindIn(const VoicePrefixRow* rows, int count, std::string_view name, std::uint32_t* row) {
  for (int r = 0; r < count; ++r) {
    const std::string_view prefix(rows[r].prefix);
    // A name shorter than the prefix cannot begin with it.
    if (name.size() >= prefix.size() && sjis::EqualNoCase(name.substr(0, prefix.size()), prefix)) {
      if (row) *row = static_cast<std::uint32_t>(r);
      return 1;
    }
  }
  if (row) *row = kNoVoiceRow;
  return 0;
}

}  // namespace

const VoicePrefixRow* SpeakerTable() { return kSpeakers; }
const VoicePrefixRow* OtherSpeakerTable() { return kOthers; }

int FindVoiceNameA(std::string_view name, std::uint32_t* row) { return FindIn(kOthers, kOtherSpeakerRows, name, row); }
int FindVoiceNameB(std::string_view name, std::uint32_t* row) { return FindIn(kSpeakers, kSpeakerRows, name, row); }

int SpeakerRowOf(std::string_view name, int* group) {
  std::uint32_t r = 0;
  if (FindVoiceNameA(name, &r)) {
    if (group) *group = 0;
    return kFirstOtherSpeakerRow + static_cast<int>(r);
  }
  if (FindVoiceNameB(name, &r)) {
    if (group) *group = 1;
    return static_cast<int>(r);
  }
  if (group) *group = -1;
  return kUnknownSpeakerRow;
}

void SetVoiceSetting(std::int32_t* speakerVolume, std::int32_t attenuation, std::int32_t control) {
  if (!speakerVolume) return;
  for (int r = 0; r < kSpeakerRows; ++r)
    if (kSpeakers[r].volumeControl == control) speakerVolume[r] = attenuation;
  for (int r = 0; r < kOtherSpeakerRows; ++r)
    if (kOthers[r].volumeControl == control) speakerVolume[kFirstOtherSpeakerRow + r] = attenuation;
}
