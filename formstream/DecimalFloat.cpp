#include "formstream/DecimalFloat.h"

#include <vector>

#include "formstream/Reader.h"

namespace {

// A non-negative integer of any size, 32-bit limbs, least significant first, no leading zero
// limbs. Just the operations an exact division needs: no host floating point takes part.
class BigInt {
public:
    explicit BigInt(std::uint32_t value = 0) {
        if (value != 0)
            limbs_.push_back(value);
    }

    static BigInt FromDigits(const std::string& digits) {
        BigInt number;
        std::size_t i = 0;
        const std::size_t head = digits.size() % 9;
        for (std::size_t end = head == 0 ? 9 : head; i < digits.size(); end = i + 9) {
            std::uint32_t chunk = 0;
            std::uint32_t scale = 1;
            for (; i < end; ++i) {
                chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
                scale *= 10;
            }
            number.MultiplyAdd(scale, chunk);
        }
        return number;
    }

    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t product = std::uint64_t(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0)
            limbs_.push_back(static_cast<std::uint32_t>(carry));
    }

    void MultiplyByPowerOfTen(std::int64_t power) {
        for (; power >= 9; power -= 9)
            MultiplyAdd(1000000000u, 0);
        std::uint32_t rest = 1;
        while (power-- > 0)
            rest *= 10;
        MultiplyAdd(rest, 0);
    }

    void ShiftLeft(std::int64_t bits) {
        if (limbs_.empty() || bits <= 0)
            return;
        const auto whole = static_cast<std::size_t>(bits / 32);
        const int part = static_cast<int>(bits % 32);
        if (part != 0) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : limbs_) {
                const std::uint32_t next = limb >> (32 - part);
                limb = (limb << part) | carry;
                carry = next;
            }
            if (carry != 0)
                limbs_.push_back(carry);
        }
        limbs_.insert(limbs_.begin(), whole, 0u);
    }

    // *this -= other; requires *this >= other.
    void Subtract(const BigInt& other) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            std::int64_t difference =
                std::int64_t(limbs_[i]) - borrow - (i < other.limbs_.size() ? other.limbs_[i] : 0);
            borrow = difference < 0 ? 1 : 0;
            limbs_[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
        }
        while (!limbs_.empty() && limbs_.back() == 0)
            limbs_.pop_back();
    }

    int Compare(const BigInt& other) const {
        if (limbs_.size() != other.limbs_.size())
            return limbs_.size() < other.limbs_.size() ? -1 : 1;
        for (std::size_t i = limbs_.size(); i-- > 0;) {
            if (limbs_[i] != other.limbs_[i])
                return limbs_[i] < other.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

    std::int64_t BitLength() const {
        if (limbs_.empty())
            return 0;
        std::int64_t bits = 32 * static_cast<std::int64_t>(limbs_.size() - 1);
        for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1)
            ++bits;
        return bits;
    }

    bool IsZero() const { return limbs_.empty(); }

private:
    std::vector<std::uint32_t> limbs_;
};

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

    BigInt numerator = BigInt::FromDigits(digits);
    BigInt denominator(1);
    if (exponent >= 0)
        numerator.MultiplyByPowerOfTen(exponent);
    else
        denominator.MultiplyByPowerOfTen(-exponent);

    // Scale so that numerator / denominator lies in [1, 2); the value is that times 2^top.
    std::int64_t top = numerator.BitLength() - denominator.BitLength();
    numerator.ShiftLeft(-top);
    denominator.ShiftLeft(top);
    if (numerator.Compare(denominator) < 0) {
        numerator.ShiftLeft(1);
        --top;
    }

    const std::int64_t unit = (top > format.MinExponent ? top : format.MinExponent) - (format.Precision - 1);
    const std::int64_t keep = top - unit + 1;
    std::uint64_t mantissa = 0;
    bool roundBit = false;
    bool sticky = decimal.Inexact;
    if (keep < 0) {
        sticky = true;
    } else {
        for (std::int64_t bit = 0; bit <= keep; ++bit) {
            const bool one = numerator.Compare(denominator) >= 0;
            if (one)
                numerator.Subtract(denominator);
            if (bit < keep)
                mantissa = (mantissa << 1) | (one ? 1 : 0);
            else
                roundBit = one;
            numerator.ShiftLeft(1);
        }
        sticky = sticky || !numerator.IsZero();
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
