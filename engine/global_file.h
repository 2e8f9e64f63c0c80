// "global.dat": the persistent global variables. Records of a scrambled
// name ((length + 5) / 4 words: each byte minus 0x61, then 0x9F for the NUL,
// zeros after), a type word and the value ('%' and '!' one word, '$' a padded
// text, other types nothing), ended by the four bytes 'R', 'F', 0, 0.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class ValueList;

inline constexpr const char* kGlobalFileName = "global.dat";

std::vector<std::uint8_t> EncodeGlobalFile(const ValueList& globals);

// Appends the records of the file to `out` (which the caller gives empty).
// False when the file ends before its end mark or inside a record: the
// records before the damage have been appended.
bool DecodeGlobalFile(std::span<const std::uint8_t> bytes, ValueList* out);

// SaveGlobalFile: 1, or the write box and 0.
int SaveGlobalFile(const std::string& programFolder, const ValueList& globals);
// LoadGlobalFile. A missing file is made holding the end mark alone. The
// list is replaced only by what the file gave: after a read that failed
// (the read box) it is left as it was; a damaged file replaces it with the
// records before the damage (and the read box). 1 on a whole read.
int LoadGlobalFile(const std::string& programFolder, ValueList& globals);
// The first persistent global of that name (ASCII case ignored): a text
// variable gives its text, an integer one writes *out (and gives null);
// anything else, or no such variable, gives null with *out 0.
const std::string* FindScriptVariable(const ValueList& globals, std::int32_t* out, std::string_view name);

// ProbeSaveSlots, the last step of application set-up: "global.dat" once more.
inline int ProbeSaveSlots(const std::string& programFolder, ValueList& globals) {
  return LoadGlobalFile(programFolder, globals);
}
