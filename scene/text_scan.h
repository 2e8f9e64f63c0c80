// Scanning of message text for the reveal, the layouts and the backlog:
// whole characters first, then escapes ('@' or '\\' and one byte), names
// in brackets and voice cues, never past the text's end or its NUL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/script_engine.h"
#include "framework/sjis.h"

namespace textscan {

inline constexpr std::size_t kLineMax = 65535;  // the line buffer's room
inline constexpr int kVoiceCueMax = 16;         // single-byte characters after "@c"

inline std::uint16_t CodeAt(std::string_view s, std::size_t i) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(s[i]) << 8) | static_cast<unsigned char>(s[i + 1]));
}

inline bool AtEnd(std::string_view s, std::size_t i) { return i >= s.size() || s[i] == '\0'; }

inline bool IsEscapeByte(char c) { return c == '@' || c == '\\'; }

// An escape starts here: '@' or '\\' as a character of its own, with a
// byte after it (a lone one at the end is no escape).
inline bool EscapeAt(std::string_view s, std::size_t i, char* e) {
  if (AtEnd(s, i) || sjis::CharLen(s, i) != 1 || !IsEscapeByte(s[i]) || AtEnd(s, i + 1)) return false;
  *e = s[i + 1];
  return true;
}
inline bool LoneEscapeAt(std::string_view s, std::size_t i) {
  return !AtEnd(s, i) && sjis::CharLen(s, i) == 1 && IsEscapeByte(s[i]) && AtEnd(s, i + 1);
}

// Full-width punctuation that may stand one place past the line's end.
inline bool IsHanging(std::uint16_t c) { return (c >= 0x8141 && c <= 0x814F) || (c >= 0x8150 && c <= 0x817B && c % 2 == 0); }
// The opening brackets of the same row, which never end a line.
inline bool IsOpening(std::uint16_t c) { return c >= 0x8165 && c <= 0x8179 && c % 2 == 1; }

inline bool TwoByteAt(std::string_view s, std::size_t i) { return !AtEnd(s, i) && sjis::CharLen(s, i) == 2; }

// A break escape ("@n", "\\N") at i.
inline bool BreakAt(std::string_view s, std::size_t i) {
  char e = 0;
  return EscapeAt(s, i, &e) && (e == 'n' || e == 'N');
}

// Past a speaker name "[...]" at i (stepping whole characters).
inline std::size_t SkipName(std::string_view s, std::size_t i, std::string* name) {
  std::size_t j = i + 1;
  while (!AtEnd(s, j)) {
    const std::size_t n = sjis::CharLen(s, j);
    if (n == 1 && s[j] == ']') return j + 1;
    if (name) name->append(s.substr(j, n));
    j += n;
  }
  return j;
}

// Past the voice cue's characters after "@c" (at most 16 single bytes).
inline std::size_t SkipCue(std::string_view s, std::size_t i) {
  std::size_t j = i;
  while (!AtEnd(s, j) && j - i < kVoiceCueMax && sjis::CharLen(s, j) == 1 && s[j] != '[' && !IsEscapeByte(s[j])) ++j;
  return j;
}

inline bool IsAsciiNameByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The line buffer of the frame whose line is being revealed.
inline CScriptFrame& RevealFrame(CScriptEngine& eng) { return eng.DeepestFrame(); }

inline void AppendBounded(std::string& out, std::string_view s, std::size_t cap) {
  if (out.size() >= cap) return;
  out += sjis::CutBounded(s, cap - out.size());
}


}  // namespace textscan
