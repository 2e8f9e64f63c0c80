// Walking CP932 (Shift-JIS) text. Trail bytes run from 0x40 to 0xFC and so
// include '@', '[', '\\', ']', '^', '_', '`', '{', '|', '}', '~' and the ASCII
// letters: every scan for a delimiter, an escape or a case-folded letter must
// step a whole character at a time, and these are the only rules for it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace sjis {

// The lead-byte test of the whole system (the full CP932 range).
inline bool IsLead(unsigned char c) { return pl::IsLeadByte(c); }

// Length of the character at p in a NUL-terminated text: 0 at the NUL, 2 for
// a lead byte with its trail, 1 otherwise. A lead byte followed by the NUL is
// one byte long, so that a scan stops on the terminator instead of eating it.
inline std::size_t CharLen(const char* p) {
  const unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0) return 0;
  return (IsLead(c) && p[1] != '\0') ? 2 : 1;
}
// The character after the one at p (p itself at the NUL).
inline const char* NextChar(const char* p) { return p + CharLen(p); }
inline char* NextChar(char* p) { return p + CharLen(p); }

// Length of the character at index i of s (i < s.size()): 2 for a lead byte
// with a non-NUL trail inside s, 1 otherwise; 0 when i is at or past the end.
inline std::size_t CharLen(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  const unsigned char c = static_cast<unsigned char>(s[i]);
  return (IsLead(c) && i + 1 < s.size() && s[i + 1] != '\0') ? 2 : 1;
}

// The largest character boundary of s that is at most n (n itself when it
// is past the end: the size of s).
std::size_t BoundaryAtMost(std::string_view s, std::size_t n);
// Start of the last character of s (s.size() when s is empty).
std::size_t LastCharStart(std::string_view s);
// True when the last character of s is the single byte c (never a trail byte
// that happens to equal c, as in "表" 0x95 0x5C against '\\').
bool EndsWithChar(std::string_view s, char c);
// Index of the first single-byte character c in s at or after `from`
// (always on a character boundary), or npos.
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0);
// Index of the last single-byte character c in s, or npos.
std::size_t FindLastChar(std::string_view s, char c);

// Copies src into the fixed field dst of cap bytes: at most cap - 1 bytes,
// cut before a character that does not fit whole, always NUL-terminated
// (nothing is written when cap is 0). Returns the bytes copied, NUL excluded.
std::size_t CopyBounded(char* dst, std::size_t cap, std::string_view src);
inline std::size_t CopyBounded(char* dst, std::size_t cap, const char* src) {
  return CopyBounded(dst, cap, std::string_view(src ? src : ""));
}
// The same cut, as a string of at most maxBytes bytes.
std::string CutBounded(std::string_view src, std::size_t maxBytes);

// ASCII letters are folded to lower case only where they stand as characters
// of their own; a trail byte is compared as it is, so that "ア" (83 41) and
// "ャ" (83 61) stay different. Result like strcmp: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }
// The same over NUL-terminated texts of which at most n bytes are looked at
// (for fixed name fields that may lack their NUL).
int CompareNoCaseN(const char* a, const char* b, std::size_t n);
// ASCII lower case of every single-byte letter of s, trail bytes kept.
std::string ToLowerAscii(std::string_view s);

// Length of a NUL-terminated text inside a field of at most n bytes.
std::size_t BoundedLength(const char* s, std::size_t n);

}  // namespace sjis
