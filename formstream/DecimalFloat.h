#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TExtended;

// A decimal number as a text writes it: Digits * 10^Exponent, with the sign apart.
struct TDecimal {
    bool Negative = false;
    std::string Digits;        // significant digits, no leading zero; empty for zero
    std::int64_t Exponent = 0; // power of ten of the last digit
    bool Inexact = false;      // nonzero digits after Digits were dropped
};

// Digits a reader needs to keep of a decimal to round it correctly to any of the formats below:
// more than the ~11,520 significant digits of the smallest 80-bit halfway point. Digits after
// these only tell whether the number is above the kept ones (TDecimal::Inexact).
constexpr std::size_t kDecimalDigitsKept = 12000;

// The nearest value of each format to a decimal, correctly rounded (ties to even), made with
// integer arithmetic alone. Subnormal results and zero are exact; a value beyond the format's
// largest finite number gives false. The sign is kept, so "-0.0" is a negative zero.
bool DecimalToExtended(const TDecimal& decimal, TExtended& result);
bool DecimalToDouble(const TDecimal& decimal, std::uint64_t& bits);
bool DecimalToSingle(const TDecimal& decimal, std::uint32_t& bits);

// decimal * 10^scale rounded to the nearest integer (ties to even); false beyond 64 bits.
bool DecimalToScaledInteger(const TDecimal& decimal, int scale, std::int64_t& result);
