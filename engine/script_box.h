// Script faults are shown in message boxes owned by the main window; the
// script then goes on. Texts and captions are CP932.
#pragma once
#include <string>
#include <string_view>

// An OK box owned by the main window.
void ScriptBox(std::string_view textCp932, std::string_view captionCp932);
// printf-style formatting of CP932 texts into a string of any length (no
// fixed buffer for script-supplied names).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
