// The line reader: what one logical script line is. It works on the raw
// script text (NUL-terminated, CP932, lines ended by CR LF) and leaves the
// cursor after the logical line.
#pragma once
#include <cstddef>
#include <string>

// A logical line holds at most this many bytes (the line buffer keeps one
// more for its terminator).
inline constexpr std::size_t kScriptLineMax = 65535;

// Skips blanks and tabs.
const char* SkipBlanks(const char* p);
// Advances a whole character at a time to the CR LF (or NUL) that ends the
// physical line, leaving the cursor on it.
const char* SkipToLineEnd(const char* p);

// Reads one logical line into out. `mode` is the script mode word in force:
// in mode 2 message lines without a speaker name are not joined. At the end
// of the text out is empty and the cursor stays on the NUL.
void ReadScriptLine(std::string& out, const char*& cursor, int mode);
