#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace detail {

// A non-negative integer of any size, 32-bit limbs, least significant first, no leading zero
// limbs: the exact arithmetic that both directions of the number conversion share, text to binary
// and binary to text. Just what an exact division needs; no host floating point takes part.
class TBigInteger {
public:
    explicit TBigInteger(std::uint64_t value = 0);
    // The integer that a string of decimal digits writes.
    static TBigInteger FromDigits(const std::string& digits);

    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend);
    void MultiplyByPowerOfTen(std::int64_t power); // power >= 0
    void ShiftLeft(std::int64_t bits);             // bits >= 0
    void Subtract(const TBigInteger& other);       // requires *this >= other
    int Compare(const TBigInteger& other) const;   // -1, 0 or 1
    std::int64_t BitLength() const;
    bool IsZero() const { return limbs_.empty(); }

private:
    std::vector<std::uint32_t> limbs_;
};

// numerator / denominator (both not 0) as a binary fraction, one bit at a time from its highest:
// the quotient is 1.b1b2… × 2^Exponent(), and the first NextBit() is that leading 1.
class TLongDivision {
public:
    TLongDivision(TBigInteger numerator, TBigInteger denominator);
    std::int64_t Exponent() const { return exponent_; }
    bool NextBit();
    // What the bits taken so far leave: nothing, or a fraction of the last bit's weight below (-1),
    // at (0) or above (1) one half of it.
    bool RemainderIsZero() const { return numerator_.IsZero(); }
    int CompareRemainderToHalf() const { return numerator_.Compare(denominator_); }

private:
    TBigInteger numerator_;   // the remainder, doubled after each bit
    TBigInteger denominator_; // scaled so that the quotient lies in [1, 2)
    std::int64_t exponent_ = 0;
};

} // namespace detail
