// Numbers read from text as the C library reads them in its "C" locale,
// whatever locale the process runs in: the decimal point is always '.'.
#pragma once

namespace pl {

// strtod's reading of the text (leading spaces, a sign, decimal or
// hexadecimal digits, an exponent, "inf" and "nan"; 0 when nothing reads).
double StrToDoubleC(const char* text);

}  // namespace pl
