#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TStream;
struct TExtended;

// Converts a form file (resource header, then the binary form stream) that `input` stands at into
// its indented text rendering, written to `output` at its position: CR LF after every line, nothing
// after the last one. Reader and output errors pass through; the output then holds the text made
// before the failing step.
void FormFileToText(TStream& input, TStream& output);

// The same for a stream that stands at the "TPF0" signature, without resource header.
void FormBinaryToText(TStream& input, TStream& output);

// An extended value as the conversion writes it: 15 significant digits, "." as decimal separator
// whatever the locale, fixed form for exponents -3 to 15 and "1.5E-7" form otherwise; "INF", "NAN",
// and "0" for every value with a zero exponent field.
std::string FormatExtended(const TExtended& value);
// The same text into `out`, which has room for kExtendedTextRoom characters (the text is at most
// 25; the rest is scratch space that may be overwritten); returns its end.
constexpr std::size_t kExtendedTextRoom = 64;
char* FormatExtendedTo(char* out, const TExtended& value);

// The digits behind FormatExtended, of a finite extended value that is not 0 (exponent field 1 to
// 0x7FFE, mantissa not 0): the integer d1…dn of n significant digits and the exponent e of
// 0.d1…dn × 10^e.
struct TDecimalDigits {
    std::uint64_t Digits;
    int Exponent;
};
// The exact binary value rounded to 18 significant digits, to nearest with ties to even, from its
// exact decimal expansion: the reference.
TDecimalDigits ExtendedDigits18Exact(const TExtended& value);
// 18 digits rounded half up at the 16th: the 15 that the text shows.
TDecimalDigits Digits15Of(const TDecimalDigits& digits18);
// The same 15 digits by 128-bit arithmetic on a table of powers of ten; false when that cannot
// decide the rounding (about one value in 2^62, and values exactly at the point where it turns),
// and for values outside its domain.
bool ExtendedDigits15Fast(const TExtended& value, TDecimalDigits& result);
