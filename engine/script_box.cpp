#include "engine/script_box.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "framework/globals.h"
#include "platform/dialog.h"

void ScriptBox(std::string_view textCp932, std::string_view captionCp932) {
  pl::MessageBox(GetMainWindowHandle(), std::string(textCp932), std::string(captionCp932), pl::MB_OK);
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), format, again);
    out.assign(buf.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}
