// Helpers of the engine tests: CP932 script texts written in UTF-8, and
// the message boxes shown read back in UTF-8.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/fake/fake_backend.h"
#include "platform/text.h"

namespace kvtest {

// A UTF-8 literal as the CP932 bytes of a script.
inline std::string Sj(const std::string& utf8) { return pl::Utf8ToCp932(utf8); }

// Physical lines joined with CR LF (each line ends with one), converted.
inline std::string Script(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& l : lines) out += pl::Utf8ToCp932(l) + "\r\n";
  return out;
}

// "caption:text" of every box the fake backend has recorded, in UTF-8.
inline std::vector<std::string> BoxTexts(const pl::FakeBackend& fake) {
  std::vector<std::string> out;
  for (const pl::RecordedBox& b : fake.boxes) out.push_back(pl::Cp932ToUtf8(b.caption) + ":" + pl::Cp932ToUtf8(b.text));
  return out;
}

}  // namespace kvtest
