#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TExtended;

// The text of the conversion's floating-point values, made from their binary value with integer
// arithmetic alone, so no locale, rounding mode or long double format of the host takes part.
// DecimalFloat.h reads such texts back.

// An extended value: 15 significant digits, "." as decimal separator, fixed form for exponents -3
// to 15 and "1.5E-7" form otherwise; "INF", "NAN", and "0" for every value with a zero exponent
// field.
std::string FormatExtended(const TExtended& value);
// Room for any number's text and the scratch past it: the text is at most 25 characters, the rest
// may be overwritten.
constexpr std::size_t kNumberTextRoom = 64;
// The same text into `out`, which has kNumberTextRoom characters of room; returns its end.
char* FormatExtendedTo(char* out, const TExtended& value);
// A single or double with the fewest significant digits that read back to the same value, laid
// out like an extended value; "NAN", "INF" and "-INF", "0" and "-0".
char* FormatSingleTo(char* out, float value);
char* FormatDoubleTo(char* out, double value);

namespace detail {

// The digits behind FormatExtended, of a finite extended value that is not 0 (exponent field 1 to
// 0x7FFE, mantissa not 0): the integer d1…dn of n significant digits and the exponent e of
// 0.d1…dn × 10^e.
struct TDecimalDigits {
    std::uint64_t Digits;
    int Exponent;
};
// The exact binary value rounded to 18 significant digits, to nearest with ties to even: the
// reference.
TDecimalDigits ExtendedDigits18Exact(const TExtended& value);
// 18 digits rounded half up at the 16th: the 15 that the text shows.
TDecimalDigits Digits15Of(const TDecimalDigits& digits18);
// The same 15 digits by 128-bit arithmetic on a table of powers of ten; false when that cannot
// decide the rounding (about one value in 2^62, and values exactly at the point where it turns),
// and for values outside its domain.
bool ExtendedDigits15Fast(const TExtended& value, TDecimalDigits& result);

} // namespace detail
