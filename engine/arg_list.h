// The argument list "(a, b, ...)" of the commands from index 128 on, parsed
// into ten fixed 256-byte slots with a type word each; and the readers of
// names, strings, numbers and operators that the whole language shares.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class ValueList;

inline constexpr int kArgSlots = 10;
inline constexpr std::size_t kArgSlotSize = 256;
inline constexpr std::size_t kTokenMax = 255;  // names and string literals

struct ArgSlot {
  char bytes[kArgSlotSize] = {};
  std::int32_t type = 0;  // '%', '!', '$' or 0 when no argument was given

  std::int32_t Int() const {
    std::int32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
  }
  float Float() const {
    float v;
    std::memcpy(&v, bytes, 4);
    return v;
  }
  // The slot as a text (always terminated: the last byte is never written).
  std::string_view Text() const { return std::string_view(bytes, ::strnlen(bytes, kArgSlotSize - 1)); }
  void SetInt(std::int32_t v) { std::memcpy(bytes, &v, 4); }
  void SetFloat(float v) { std::memcpy(bytes, &v, 4); }
  // Copies at most 255 bytes, cut on a character boundary; true when it fit.
  bool SetText(std::string_view s);
};

struct ArgSlots {
  ArgSlot slot[kArgSlots];
  ArgSlot& operator[](int i) { return slot[i]; }
  const ArgSlot& operator[](int i) const { return slot[i]; }
};

// FetchName: two-byte characters whole and single bytes of 0-9, A-Z, a-z,
// '_'. A name of more than 255 bytes is cut (box "トークン取得エラー") and the
// rest of it is passed over, so that it is not read again as a token.
std::string FetchName(const char*& p);
// FetchString, with p after the opening quote: up to the closing double
// quote (passed over); a backslash takes the byte after it as it is; stops
// at the NUL in every case. More than 255 bytes: cut, box "文字列取得エラー",
// the rest up to the quote passed over.
std::string FetchString(const char*& p);
// FetchNumber: an optional '-' or '~', an optional "0x", then hex digits;
// at most 32 characters.
std::string FetchNumber(const char*& p);
// FetchOperator: one operator character and a following '=' when there is
// one; empty (cursor unmoved) for any other byte.
std::string FetchOperator(const char*& p);

// LookupCommand's word: bytes of 0-9, A-Z, a-z, '_'; the first 32 are kept,
// and the cursor passes the whole identifier.
std::string FetchCommandWord(const char*& p);

// ParseArgList over the text at p (which must start with '(' for any
// argument to be read). Variables are looked up in `rootVars`, named
// constants in `constants`.
void ParseArgList(ArgSlots& args, const char*& p, const ValueList& rootVars, const ValueList& constants);

// The named constants, in their order of creation.
void AddNamedConstants(ValueList& constants);
