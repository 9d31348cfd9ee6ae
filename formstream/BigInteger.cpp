#include "formstream/BigInteger.h"

#include <utility>

namespace detail {

TBigInteger::TBigInteger(std::uint64_t value) {
    for (; value != 0; value >>= 32)
        limbs_.push_back(static_cast<std::uint32_t>(value));
}

TBigInteger TBigInteger::FromDigits(const std::string& digits) {
    TBigInteger number;
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

void TBigInteger::MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::uint32_t& limb : limbs_) {
        const std::uint64_t product = std::uint64_t(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0)
        limbs_.push_back(static_cast<std::uint32_t>(carry));
}

void TBigInteger::MultiplyByPowerOfTen(std::int64_t power) {
    for (; power >= 9; power -= 9)
        MultiplyAdd(1000000000u, 0);
    std::uint32_t rest = 1;
    while (power-- > 0)
        rest *= 10;
    MultiplyAdd(rest, 0);
}

void TBigInteger::ShiftLeft(std::int64_t bits) {
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

void TBigInteger::Subtract(const TBigInteger& other) {
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

int TBigInteger::Compare(const TBigInteger& other) const {
    if (limbs_.size() != other.limbs_.size())
        return limbs_.size() < other.limbs_.size() ? -1 : 1;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
        if (limbs_[i] != other.limbs_[i])
            return limbs_[i] < other.limbs_[i] ? -1 : 1;
    }
    return 0;
}

std::int64_t TBigInteger::BitLength() const {
    if (limbs_.empty())
        return 0;
    std::int64_t bits = 32 * static_cast<std::int64_t>(limbs_.size() - 1);
    for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1)
        ++bits;
    return bits;
}

TLongDivision::TLongDivision(TBigInteger numerator, TBigInteger denominator)
    : numerator_(std::move(numerator)), denominator_(std::move(denominator)) {
    exponent_ = numerator_.BitLength() - denominator_.BitLength();
    numerator_.ShiftLeft(-exponent_);
    denominator_.ShiftLeft(exponent_);
    if (numerator_.Compare(denominator_) < 0) {
        numerator_.ShiftLeft(1);
        --exponent_;
    }
}

bool TLongDivision::NextBit() {
    const bool one = numerator_.Compare(denominator_) >= 0;
    if (one)
        numerator_.Subtract(denominator_);
    numerator_.ShiftLeft(1);
    return one;
}

} // namespace detail
