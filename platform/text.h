// Text at the platform boundary: everything inside the engine is CP932
// (Shift-JIS) bytes; the window system, fonts and the console take UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace pl {

// Conversions through iconv "CP932". Bytes that do not convert become '?'
// (and an incomplete trailing character is dropped) so that a bad name in
// game data can never stop a caller.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// True for a CP932 lead byte: 0x81-0x9F and 0xE0-0xFC, the extension kanji
// of 0xFA-0xFC included (they are common in names).
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace pl

// SJ("...") turns a UTF-8 literal of the source into the CP932 text the
// engine works in, converted once per place of use.
#define SJ(utf8_literal)                                                     \
  ([]() -> const char* {                                                     \
    static const std::string kConverted = ::pl::Utf8ToCp932(utf8_literal);  \
    return kConverted.c_str();                                               \
  }())
