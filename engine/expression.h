// Integer expressions, conditions and the number <-> text conversions of
// the script. All arithmetic is the 32-bit two's-complement arithmetic of
// the original program, computed so that no input can trap or overflow in
// C++: wrap-around is explicit, INT_MIN / -1 gives INT_MIN, a double out of
// the int range gives INT_MIN as the x86 truncation did.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

class ValueList;

// --- 32-bit arithmetic as the original computed it
std::int32_t WrapAdd(std::int32_t a, std::int32_t b);
std::int32_t WrapSub(std::int32_t a, std::int32_t b);
std::int32_t WrapMul(std::int32_t a, std::int32_t b);
std::int32_t WrapNeg(std::int32_t a);
// Division and remainder: a zero divisor shows the zero-division box and
// gives 1 (division) or 0 (remainder).
std::int32_t CheckedDiv(std::int32_t a, std::int32_t b);
std::int32_t CheckedMod(std::int32_t a, std::int32_t b);
// The power operator: double precision by repeated squaring, truncated.
std::int32_t IntPow(std::int32_t base, std::int32_t exponent);
// Truncation toward zero; NaN and values outside the int range give INT_MIN.
std::int32_t DoubleToInt32(double d);

// --- expressions over the root frame's variables
// EvalSum: a whole expression; the cursor is left on the first byte that
// continues no expression.
std::int32_t EvalSum(const char*& p, const ValueList& vars);
std::int32_t EvalProduct(const char*& p, const ValueList& vars);
std::int32_t EvalPrimary(const char*& p, const ValueList& vars);
// EvalCondition: one comparison, 1 or 0.
std::int32_t EvalCondition(const char*& p, const ValueList& vars);

// --- conversions
// strtol of the C library on a 32-bit long: leading blanks, a sign, the
// digits of the base (16 also takes a "0x" prefix), saturated to the int
// range on overflow.
std::int32_t StrToLong32(std::string_view text, int base);
// TextToInt: a leading '-' negates, '~' complements; "0x" selects base 16.
std::int32_t TextToInt(std::string_view text, std::int32_t* out = nullptr);
// TextToFloat: strtod in the "C" locale, as a 32-bit float.
float TextToFloat(std::string_view text, float* out = nullptr);
int FindDot(std::string_view text);
// The integer part, the full-width period, the fraction x 1,000,000.
std::string FloatToText(float value);
// Code page 932 width conversions (the C runtime's tables): full-width
// characters to their half-width bytes (a character without one gives its
// low byte; single bytes stay), and bytes to full-width characters (a byte
// without a full-width form ends the result).
std::string ToHalfWidth(std::string_view text);
std::string ToFullWidth(std::string_view text);
