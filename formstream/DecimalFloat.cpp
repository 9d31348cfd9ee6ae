#include "formstream/DecimalFloat.h"

#include <utility>

#include "formstream/BigInteger.h"
#include "formstream/Reader.h"

namespace {

using detail::TBigInteger;
using detail::TLongDivision;

// A binary floating-point format: Precision significant bits (leading bit included), normal
// numbers 2^MinExponent to below 2^(MaxExponent + 1), subnormals below that.
struct BinaryFormat {
    int Precision;
    int MinExponent;
    int MaxExponent;
};

constexpr BinaryFormat kExtended{64, -16382, 16383};
constexpr BinaryFormat kDouble{53, -1022, 1023};
constexpr BinaryFormat kSingle{24, -126, 127};

// Mantissa * 2^Unit; the mantissa has Precision bits for a normal number, fewer for a subnormal.
struct RoundedValue {
    std::uint64_t Mantissa = 0;
    std::int64_t Unit = 0;
};

// The decimal rounded to the format (sign apart). The quotient digits / 10^-exponent is formed one
// bit at a time by long division, as many bits as the format keeps, then one more to round with;
// the remainder and the dropped decimal digits decide the ties.
bool RoundToFormat(const TDecimal& decimal, const BinaryFormat& format, RoundedValue& result) {
    result = RoundedValue{};
    const std::size_t last = decimal.Digits.find_last_not_of('0');
    if (last == std::string::npos)
        return true;
    const std::string digits = decimal.Digits.substr(0, last + 1);
    const std::int64_t exponent =
        decimal.Exponent + static_cast<std::int64_t>(decimal.Digits.size() - last - 1);

    // The value lies in [10^(lead - 1), 10^lead). log10(2) < 0.30103 settles the extremes without
    // building numbers of millions of digits.
    const std::int64_t lead = static_cast<std::int64_t>(digits.size()) + exponent;
    if (lead > (format.MaxExponent + 1) * 30103LL / 100000 + 2)
        return false;
    if (lead < (format.MinExponent - format.Precision) * 30103LL / 100000 - 2)
        return true; // below half the smallest subnormal: zero

    TBigInteger numerator = TBigInteger::FromDigits(digits);
    TBigInteger denominator(1);
    if (exponent >= 0)
        numerator.MultiplyByPowerOfTen(exponent);
    else
        denominator.MultiplyByPowerOfTen(-exponent);

    // The value is 1.b1b2… × 2^top.
    TLongDivision quotient(std::move(numerator), std::move(denominator));
    const std::int64_t top = quotient.Exponent();
    const std::int64_t unit = (top > format.MinExponent ? top : format.MinExponent) - (format.Precision - 1);
    const std::int64_t keep = top - unit + 1;
    std::uint64_t mantissa = 0;
    bool roundBit = false;
    bool sticky = decimal.Inexact;
    if (keep < 0) {
        sticky = true;
    } else {
        for (std::int64_t bit = 0; bit <= keep; ++bit) {
            const bool one = quotient.NextBit();
            if (bit < keep)
                mantissa = (mantissa << 1) | (one ? 1 : 0);
            else
                roundBit = one;
        }
        sticky = sticky || !quotient.RemainderIsZero();
    }
    std::int64_t resultUnit = unit;
    if (roundBit && (sticky || (mantissa & 1) != 0)) {
        ++mantissa;
        // All ones rounded up: the next power of two, one bit longer than the format holds.
        const bool carried = keep == 64 ? mantissa == 0 : (mantissa >> keep) != 0 && keep == format.Precision;
        if (carried) {
            mantissa = std::uint64_t(1) << (format.Precision - 1);
            ++resultUnit;
        }
    }
    const bool normal = (mantissa >> (format.Precision - 1)) != 0;
    if (normal && resultUnit + format.Precision - 1 > format.MaxExponent)
        return false;
    result.Mantissa = mantissa;
    result.Unit = resultUnit;
    return true;
}

// The biased exponent field of a rounded value: 0 for zero and subnormals.
std::uint32_t ExponentField(const RoundedValue& value, const BinaryFormat& format) {
    if ((value.Mantissa >> (format.Precision - 1)) == 0)
        return 0;
    return static_cast<std::uint32_t>(value.Unit + format.Precision - 1 + format.MaxExponent);
}

// The IEEE bits of a format with a hidden leading bit.
bool ToIeeeBits(const TDecimal& decimal, const BinaryFormat& format, std::uint64_t& bits) {
    RoundedValue value;
    if (!RoundToFormat(decimal, format, value))
        return false;
    const int fractionBits = format.Precision - 1;
    const std::uint64_t fraction = value.Mantissa & ((std::uint64_t(1) << fractionBits) - 1);
    const int width = fractionBits + (format.Precision == 53 ? 11 : 8);
    bits = (decimal.Negative ? std::uint64_t(1) << width : 0) |
           (std::uint64_t(ExponentField(value, format)) << fractionBits) | fraction;
    return true;
}

} // namespace

bool DecimalToExtended(const TDecimal& decimal, TExtended& result) {
    RoundedValue value;
    if (!RoundToFormat(decimal, kExtended, value))
        return false;
    const std::uint32_t field = ExponentField(value, kExtended) | (decimal.Negative ? 0x8000u : 0u);
    for (int i = 0; i < 8; ++i)
        result.Bytes[i] = static_cast<std::uint8_t>(value.Mantissa >> (8 * i));
    result.Bytes[8] = static_cast<std::uint8_t>(field);
    result.Bytes[9] = static_cast<std::uint8_t>(field >> 8);
    return true;
}

bool DecimalToDouble(const TDecimal& decimal, std::uint64_t& bits) {
    return ToIeeeBits(decimal, kDouble, bits);
}

bool DecimalToSingle(const TDecimal& decimal, std::uint32_t& bits) {
    std::uint64_t wide = 0;
    if (!ToIeeeBits(decimal, kSingle, wide))
        return false;
    bits = static_cast<std::uint32_t>(wide);
    return true;
}

bool DecimalToScaledInteger(const TDecimal& decimal, int scale, std::int64_t& result) {
    const std::string& digits = decimal.Digits;
    if (digits.find_first_not_of('0') == std::string::npos) {
        result = 0;
        return true;
    }
    const std::int64_t exponent = decimal.Exponent + scale;
    // The digits that stay in front of the point, and the first one dropped behind it.
    std::int64_t whole = static_cast<std::int64_t>(digits.size()) + exponent;
    if (whole > 20)
        return false;
    std::uint64_t magnitude = 0;
    for (std::int64_t i = 0; i < whole; ++i) {
        const std::uint64_t digit =
            i < static_cast<std::int64_t>(digits.size())
                ? static_cast<std::uint64_t>(digits[static_cast<std::size_t>(i)] - '0')
                : 0;
        if (magnitude > (UINT64_MAX - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    if (whole < 0)
        whole = -1; // the first dropped digit is a leading zero: no rounding up
    bool up = false;
    if (whole >= 0 && whole < static_cast<std::int64_t>(digits.size())) {
        const char first = digits[static_cast<std::size_t>(whole)];
        const bool rest = decimal.Inexact || digits.find_first_not_of('0', static_cast<std::size_t>(whole) +
                                                                               1) != std::string::npos;
        up = first > '5' || (first == '5' && (rest || (magnitude & 1) != 0));
    }
    if (up && ++magnitude == 0)
        return false;
    const std::uint64_t limit = decimal.Negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    if (magnitude > limit)
        return false;
    result =
        decimal.Negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}
