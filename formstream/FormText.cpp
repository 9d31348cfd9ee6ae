#include "formstream/FormText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// The vector paths take SSE2 on x86-64. QUORVEL_PORTABLE builds the plain paths that every other
// machine takes, which the sanitizer build tests.
#if defined(__SSE2__) && defined(__x86_64__) && !defined(QUORVEL_PORTABLE)
#define QUORVEL_SSE2 1
#include <emmintrin.h>
#endif

#include "formstream/Reader.h"
#include "formstream/Utf8.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

namespace {

// ---- Floating-point digits
//
// The digits are made from the value of the 80-bit number with integer arithmetic alone, so no
// locale, rounding mode or long double format of the host takes part in them.

// A non-negative integer in base 1e9, least significant limb first, that keeps only its leading
// kMaxLimbs limbs (144 digits): each dropped limb adds 9 to the decimal exponent and sets the
// sticky flag when it was not zero. The relative error stays below 1e-130, far below anything that
// can decide an 18-digit rounding of a 64-bit mantissa, and the cost stays a few microseconds even
// for the extreme exponents, so a file full of them cannot stall the conversion.
class BigDecimal {
public:
    explicit BigDecimal(std::uint64_t value) {
        do {
            limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
            value /= kBase;
        } while (value != 0);
    }

    // factor * kBase must fit in 64 bits together with the carry.
    void Multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t product = std::uint64_t(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        while (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
            carry /= kBase;
        }
        if (limbs_.size() > kMaxLimbs) {
            const size_t dropped = limbs_.size() - kMaxLimbs;
            for (size_t i = 0; i < dropped; ++i)
                sticky_ = sticky_ || limbs_[i] != 0;
            limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(dropped));
            shift_ += 9 * static_cast<int>(dropped);
        }
    }

    std::string Digits() const {
        std::string digits = std::to_string(limbs_.back());
        for (size_t i = limbs_.size() - 1; i-- > 0;) {
            const std::string limb = std::to_string(limbs_[i]);
            digits.append(9 - limb.size(), '0');
            digits += limb;
        }
        return digits;
    }
    // The kept limbs times 10^Shift() is the number, less something when Sticky().
    int Shift() const { return shift_; }
    bool Sticky() const { return sticky_; }

private:
    static constexpr std::uint64_t kBase = 1000000000;
    static constexpr size_t kMaxLimbs = 16;
    std::vector<std::uint32_t> limbs_;
    int shift_ = 0;
    bool sticky_ = false;
};

// The decimal digits of mantissa * 2^power (mantissa not 0) with the exponent e for which
// value = 0.digits * 10^e; `inexact` tells that nonzero digits were dropped after them.
std::string DecimalDigits(std::uint64_t mantissa, int power, int& exponent, bool& inexact) {
    BigDecimal number(mantissa);
    int shift = 0; // value = number * 10^shift
    if (power >= 0) {
        for (; power >= 29; power -= 29)
            number.Multiply(std::uint32_t(1) << 29);
        number.Multiply(std::uint32_t(1) << power);
    } else {
        // m / 2^q = m * 5^q / 10^q
        int q = -power;
        shift = power;
        for (; q >= 13; q -= 13)
            number.Multiply(1220703125u); // 5^13
        std::uint32_t rest = 1;
        while (q-- > 0)
            rest *= 5;
        number.Multiply(rest);
    }
    std::string digits = number.Digits();
    exponent = static_cast<int>(digits.size()) + shift + number.Shift();
    inexact = number.Sticky();
    return digits;
}

// Rounds the digits to 18 significant digits, to nearest with ties to even as the floating-point
// unit stores them, and returns them as an integer of exactly 18 digits.
std::uint64_t RoundTo18(const std::string& digits, bool inexact, int& exponent) {
    std::uint64_t result = 0;
    for (size_t i = 0; i < 18; ++i)
        result = result * 10 + (i < digits.size() ? static_cast<std::uint64_t>(digits[i] - '0') : 0);
    if (digits.size() > 18) {
        const char first = digits[18];
        const bool restIsZero = !inexact && digits.find_first_not_of('0', 19) == std::string::npos;
        if (first > '5' || (first == '5' && (!restIsZero || (result & 1) != 0)))
            ++result;
        if (result == 1000000000000000000ull) {
            result /= 10;
            ++exponent;
        }
    }
    return result;
}

// ---- The fast path: 15 digits from one multiplication
//
// value * 10^j for the j that puts it between 1e14 and 1e15 is the 64-bit mantissa times a 128-bit
// approximation of 10^j, a 192-bit product whose integer part holds the digits and whose fraction
// tells how to round them. Each approximation is rounded down and carries a relative error below
// 2^-126 (none for the powers that are exact in 128 bits), so the product lies below the true one
// by less than 2^66 of its units: rounding is decided unless the fraction falls within that
// distance below the point where it turns, which leaves the rare rest to the exact expansion.

using UInt128 = unsigned __int128;

// 10^j ≈ (High * 2^64 + Low) * 2^Exponent, the 128-bit significand rounded down and normalised
// (High has its top bit set).
struct PowerOfTen {
    std::uint64_t High;
    std::uint64_t Low;
    int Exponent;
};

// Every power that a finite extended value can need, unnormals included: log10 of such values
// runs from about -4951 to 4932, and j is 14 minus that, one more after an adjustment.
constexpr int kMinPower = -4920;
constexpr int kMaxPower = 4972;

// A 192-bit unsigned integer, least significant word first.
struct UInt192 {
    std::uint64_t Word[3];
};

// The table, made once on first use by stepping through the powers with 192-bit arithmetic that
// rounds down: each step adds at most 2^-191 of relative error, so after the 4972 steps of either
// direction the 128 bits kept are still correct to better than 2^-126.
constexpr std::size_t kPowerCount = kMaxPower - kMinPower + 1;
constexpr std::array<PowerOfTen, kPowerCount> MakePowersOfTen() {
    std::array<PowerOfTen, kPowerCount> powers{};
    const auto store = [&](int j, const UInt192& x, int exponent) {
        powers[static_cast<std::size_t>(j - kMinPower)] = {x.Word[2], x.Word[1], exponent + 64};
    };
    // Upward: x * 2^exponent ≈ 10^j, x normalised to 192 bits.
    UInt192 x{{0, 0, std::uint64_t(1) << 63}};
    int exponent = -191;
    for (int j = 0; j <= kMaxPower; ++j) {
        store(j, x, exponent);
        // x * 10 needs up to 196 bits; shift it back into 192, dropping the low bits.
        std::uint64_t product[4] = {};
        UInt128 carry = 0;
        for (int w = 0; w < 3; ++w) {
            const UInt128 t = UInt128(x.Word[w]) * 10 + carry;
            product[w] = static_cast<std::uint64_t>(t);
            carry = t >> 64;
        }
        product[3] = static_cast<std::uint64_t>(carry);
        const int shift = 64 - __builtin_clzll(product[3]); // 3 or 4
        for (int w = 0; w < 3; ++w)
            x.Word[w] = (product[w] >> shift) | (product[w + 1] << (64 - shift));
        exponent += shift;
    }
    // Downward: divide by 10 after a shift by 4 (or 3 when that would pass 192 bits).
    x = {{0, 0, std::uint64_t(1) << 63}};
    exponent = -191;
    for (int j = -1; j >= kMinPower; --j) {
        const int shift = x.Word[2] < 0xA000000000000000ull ? 4 : 3; // x < 1.25 * 2^191
        const std::uint64_t top = x.Word[2] >> (64 - shift);
        UInt128 remainder = top % 10;
        std::uint64_t quotient[3] = {};
        for (int w = 2; w >= 0; --w) {
            const std::uint64_t word = (x.Word[w] << shift) | (w > 0 ? x.Word[w - 1] >> (64 - shift) : 0);
            const UInt128 current = (remainder << 64) | word;
            quotient[w] = static_cast<std::uint64_t>(current / 10);
            remainder = current % 10;
        }
        for (int w = 0; w < 3; ++w)
            x.Word[w] = quotient[w];
        exponent -= shift;
        store(j, x, exponent);
    }
    return powers;
}

constexpr std::array<PowerOfTen, kPowerCount> kPowersOfTen = MakePowersOfTen();

// floor(256 * log2(1 + i / 256)) for each i below 256, exact: y = 1 + i / 256 in 62 fractional
// bits is squared eight times, each squaring doubling log2(y) and each halving when y reaches 2
// taking one bit of it. (The squares are cut short, by far less than the 0.0016 that every entry
// lies from the next integer.)
constexpr std::array<std::uint8_t, 256> MakeLog2Fractions() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint64_t y = std::uint64_t(256 + i) << 54;
        unsigned bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
            y = static_cast<std::uint64_t>((UInt128(y) * y) >> 62);
            bits <<= 1;
            if (y >= std::uint64_t(1) << 63) {
                y >>= 1;
                bits |= 1;
            }
        }
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kLog2Fractions = MakeLog2Fractions();

// floor(log10(m * 2^q)) for m normalised to 64 bits, or one less near a power of ten. log2 of the
// value is taken from below in 1/256ths as q + 63 plus log2 of m's leading nine bits (1 and the
// next eight) from the table, and log10(2) from below as a 40-bit fraction: the estimate misses by
// one only within about 0.003 below a power of ten, where the caller takes one more step. (For
// values below one the low constant makes the estimate a hair too high, by under 2e-8 — there the
// fast path merely gives up.)
int FloorLog10(std::uint64_t m, int q) {
    const std::int64_t log2 = std::int64_t(q + 63) * 256 + kLog2Fractions[(m >> 55) & 0xFF];
    const std::int64_t product = log2 * 330985980290; // log10(2) * 2^40, rounded down
    // The shift rounds toward minus infinity (an arithmetic shift, as every supported compiler
    // makes it): no branch on the sign, which values above and below one make unpredictable.
    return static_cast<int>(product >> 48);
}

// 15 significant digits of m * 2^q for m normalised to 64 bits, rounded as the text wants them: to
// 18 digits, ties to even, then half up at the 16th. That is w = value * 10^j in [1e14, 1e15)
// rounded up exactly when its fraction is 0.4995 or more: the 18-digit rounding moves the last
// three digits of 1000 * w to 500 or more from 499.5 on (a tie there goes to the even 500). The
// product may lie below the true one by up to three units of the fraction's top 64 bits, so a
// fraction that close below 0.4995 is left to the exact expansion, as are values outside the
// table.
[[gnu::always_inline]] inline bool NormalDigits15(std::uint64_t m, int q, TDecimalDigits& result) {
    int j = 14 - FloorLog10(m, q);
    for (int attempt = 0; attempt < 2; ++attempt, --j) {
        if (j < kMinPower || j > kMaxPower)
            return false;
        const PowerOfTen& power = kPowersOfTen[static_cast<std::size_t>(j - kMinPower)];
        const UInt128 low = UInt128(m) * power.Low;
        const UInt128 high = UInt128(m) * power.High;
        const std::uint64_t carried = static_cast<std::uint64_t>(low >> 64);
        const std::uint64_t z1 = static_cast<std::uint64_t>(high) + carried;
        const std::uint64_t z2 = static_cast<std::uint64_t>(high >> 64) + (z1 < carried ? 1 : 0);
        const int r = -(q + power.Exponent) - 128;
        if (r < 1 || r > 62)
            return false;
        std::uint64_t digits = z2 >> r;
        if (digits >= 1000000000000000ull) {
            if (attempt == 0)
                continue;
            return false;
        }
        if (digits < 100000000000000ull)
            return false;
        const std::uint64_t fraction = (z2 << (64 - r)) | (z1 >> r);
        constexpr std::uint64_t kThreshold = 0x7FDF3B645A1CAC09ull; // 0.4995 * 2^64, rounded up
        if (fraction - (kThreshold - 4) < 4)
            return false;
        // Rounding up is the carry out of fraction + (2^64 - threshold): taken as a number, not a
        // condition, the compiler makes no branch of it, which the processor would guess wrong for
        // every other value.
        digits += static_cast<std::uint64_t>((UInt128(fraction) + (0 - kThreshold)) >> 64);
        int exponent = 15 - j;
        if (digits == 1000000000000000ull) {
            digits /= 10;
            ++exponent;
        }
        result = {digits, exponent};
        return true;
    }
    return false;
}

// The exponent field of 1 stands for 2^-16382, and the mantissa's 64 bits are 63 of fraction.
constexpr int kExponentBias = 16383 + 63;

} // namespace

bool ExtendedDigits15Fast(const TExtended& value, TDecimalDigits& result) {
    const std::uint64_t mantissa = value.Mantissa();
    const int field = value.ExponentField();
    if (mantissa == 0 || field == 0 || field == 0x7FFF)
        return false;
    // Unnormals too: their mantissa is shifted up as far as it goes.
    const int leading = __builtin_clzll(mantissa);
    return NormalDigits15(mantissa << leading, field - kExponentBias - leading, result);
}

TDecimalDigits ExtendedDigits18Exact(const TExtended& value) {
    int exponent = 0;
    bool inexact = false;
    const std::string decimal =
        DecimalDigits(value.Mantissa(), value.ExponentField() - kExponentBias, exponent, inexact);
    const std::uint64_t digits = RoundTo18(decimal, inexact, exponent);
    return {digits, exponent};
}

TDecimalDigits Digits15Of(const TDecimalDigits& digits18) {
    const std::uint64_t digits = (digits18.Digits + 500) / 1000;
    if (digits == 1000000000000000ull)
        return {digits / 10, digits18.Exponent + 1};
    return {digits, digits18.Exponent};
}

namespace {

// ---- The text of a number
//
// The digits are made side by side in the lanes of a register and the text is stored in whole
// words straight into its place: nothing written is read back, and the branches are on the layout
// and on whether all 15 digits count, which a form's numbers mostly share.

// A scratch area for one number: its text (at most a sign, "0.", three zeros and 17 digits, or a
// sign, 17 digits, a point, "E-" and four digits of exponent) and the whole words stored past it.
constexpr std::size_t kNumberRoom = kExtendedTextRoom;

// Eight characters as a word, the first in its lowest byte whatever the host's byte order.
std::uint64_t LoadChars(const char* in) {
    std::uint64_t word;
    std::memcpy(&word, in, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

void StoreChars(char* out, std::uint64_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    std::memcpy(out, &word, 8);
}

constexpr std::uint64_t kZeros = 0x3030303030303030ull; // "00000000"

// Up to 24 significant digits as characters, '0' after the last: the first in the lowest byte of
// Word[0].
struct TDigitText {
    std::uint64_t Word[3];
};

#if defined(QUORVEL_SSE2)

// The 15 digits of a number from 10^14 to 10^15 - 1, and in `count` the number of them up to the
// last that is not 0. Its two halves of eight digits (the first a leading 0) are split into four
// quarters in 32-bit lanes, the quarters into pairs of digits in 16-bit lanes, the pairs into
// digits in bytes; each division a multiplication that keeps the high half, by a rounded-up
// reciprocal that is exact in the lane's range, and each remainder a multiplication and a
// subtraction.
[[gnu::always_inline]] inline TDigitText Digits15(std::uint64_t number, int& count) {
    const __m128i halves = _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<long long>(number / 100000000)),
                                              _mm_cvtsi64_si128(static_cast<long long>(number % 100000000)));
    // Below 10^8: * 0xD1B71759 >> 45 divides by 10^4.
    const __m128i highQuarters =
        _mm_srli_epi64(_mm_mul_epu32(halves, _mm_set1_epi32(static_cast<int>(0xD1B71759))), 45);
    const __m128i lowQuarters = _mm_sub_epi32(halves, _mm_mul_epu32(highQuarters, _mm_set1_epi32(10000)));
    const __m128i quarters = _mm_or_si128(highQuarters, _mm_slli_epi64(lowQuarters, 32));
    // Below 10^4: * 5243 >> 19 divides by 100.
    const __m128i highPairs = _mm_srli_epi16(_mm_mulhi_epu16(quarters, _mm_set1_epi16(5243)), 3);
    const __m128i lowPairs = _mm_sub_epi32(quarters, _mm_madd_epi16(highPairs, _mm_set1_epi32(100)));
    const __m128i pairs = _mm_or_si128(highPairs, _mm_slli_epi32(lowPairs, 16));
    // Below 100: * 6554 >> 16 divides by 10; then tens + 256 * (pair - 10 * tens) is the two
    // digits in their bytes, with one multiplication.
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
    const __m128i bytes =
        _mm_add_epi16(_mm_slli_epi16(pairs, 8), _mm_mullo_epi16(tens, _mm_set1_epi16(1 - 2560)));
    // Byte 0 is the leading 0; the last digit that is not 0 is the highest byte that is not 0.
    const unsigned nonzero =
        ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    count = 31 - __builtin_clz(nonzero & 0xFFFF);
    const __m128i text = _mm_add_epi8(_mm_srli_si128(bytes, 1), _mm_set1_epi8('0'));
    return {{static_cast<std::uint64_t>(_mm_cvtsi128_si64(text)),
             static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(text, text))), kZeros}};
}

#else

// The eight decimal digits of a number below 10^8, most significant first, as the values of the
// bytes of a word from its lowest: the number is split into halves, the halves into pairs and the
// pairs into digits side by side in lanes of the word, each division by 100 or 10 a multiplication
// by a rounded-up reciprocal that is exact for the lane's range (below 10^4, below 100).
std::uint64_t DigitLanes8(std::uint32_t number) {
    std::uint64_t v = (number / 10000) | (std::uint64_t(number % 10000) << 32);
    std::uint64_t q = ((v * 10486) >> 20) & 0x0000007F0000007Full;
    v = q | ((v - 100 * q) << 16);
    q = ((v * 103) >> 10) & 0x000F000F000F000Full;
    return q | ((v - 10 * q) << 8);
}

// The 15 digits of a number from 10^14 to 10^15 - 1, and in `count` the number of them up to the
// last that is not 0.
TDigitText Digits15(std::uint64_t number, int& count) {
    // The high half has seven digits: its first lane is 0.
    const std::uint64_t high = DigitLanes8(static_cast<std::uint32_t>(number / 100000000));
    const std::uint64_t low = DigitLanes8(static_cast<std::uint32_t>(number % 100000000));
    // Trailing zeros are the zero lanes at the top of a word.
    const auto zeroLanes = [](std::uint64_t word) {
        return static_cast<int>(unsigned(__builtin_clzll(word)) / 8);
    };
    count = low != 0 ? 15 - zeroLanes(low) : 7 - zeroLanes(high);
    return {{((high >> 8) | (low << 56)) + kZeros, (low >> 8) + kZeros, kZeros}};
}

#endif

// A decimal exponent from -9999 to 9999 ("-7", "4931"): the pairs of its digits side by side in
// 16-bit lanes, then its four digits in bytes, the leading zeros dropped. May write up to 8
// characters past the sign.
[[gnu::always_inline]] inline char* WriteExponent(char* out, int exponent) {
    *out = '-';
    out += exponent < 0 ? 1 : 0;
    const auto magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
    const std::uint32_t hundreds = magnitude / 100;
    const std::uint32_t pairs = hundreds | ((magnitude - 100 * hundreds) << 16);
    const std::uint32_t tens = ((pairs * 103) >> 10) & 0x000F000Fu;
    const std::uint32_t digits = tens | ((pairs - 10 * tens) << 8);
    // The leading zeros are the zero bytes at the bottom; the last digit stays even when it is 0.
    const int zeros = __builtin_ctz(digits | 0x01000000u) / 8;
    StoreChars(out, (digits >> (8 * zeros)) + 0x30303030u);
    return out + 4 - zeros;
}

// Lays out the significant digits d1…dk (1 <= k <= 17, no trailing zero) of the number
// 0.d1…dk × 10^e the way the text form writes floating-point values: fixed for e from -3 to 15
// ("0.00123", "100", "123456.75"), else "1.5E-7". What lies past the text's end, within
// kNumberRoom characters, is scratch. Returns the end of the text.
[[gnu::always_inline]] inline char* LayoutDecimal(char* out, bool negative, const TDigitText& digits, int k,
                                                  int e) {
    *out = '-';
    out += negative ? 1 : 0;
    const UInt128 head = (UInt128(digits.Word[1]) << 64) | digits.Word[0];
    if (e >= 1 && e <= 15) {
        // The first e digits (zeros past the k-th), and the point and the rest when there is a rest.
        StoreChars(out, digits.Word[0]);
        StoreChars(out + 8, digits.Word[1]);
        UInt128 rest = head >> (8 * e);
        if (k > 16) { // digits past the 16th, which only singles and doubles have
            StoreChars(out + 16, digits.Word[2]);
            rest |= UInt128(digits.Word[2]) << (128 - 8 * e);
        }
        out[e] = '.';
        StoreChars(out + e + 1, static_cast<std::uint64_t>(rest));
        StoreChars(out + e + 9, static_cast<std::uint64_t>(rest >> 64));
        return out + (k > e ? k + 1 : e);
    }
    if (e >= -3 && e <= 0) {
        StoreChars(out, 0x3030303030302E30ull); // "0.000000"
        StoreChars(out + 2 - e, digits.Word[0]);
        StoreChars(out + 10 - e, digits.Word[1]);
        StoreChars(out + 18 - e, digits.Word[2]);
        return out + 2 - e + k;
    }
    const UInt128 rest = (head >> 8) | (UInt128(digits.Word[2]) << 120);
    out[0] = static_cast<char>(digits.Word[0]);
    out[1] = '.';
    StoreChars(out + 2, static_cast<std::uint64_t>(rest));
    StoreChars(out + 10, static_cast<std::uint64_t>(rest >> 64));
    out += k > 1 ? k + 1 : 1;
    *out = 'E';
    return WriteExponent(out + 1, e - 1);
}

char* AppendText(char* out, std::string_view text) {
    return CopyText(out, text.data(), text.size());
}

// The values the fast path leaves: infinities, NaNs, zeros, and the rare values whose rounding
// takes the exact expansion.
[[gnu::noinline]] char* FormatExtendedSlowly(char* out, const TExtended& value);

// 15 significant digits laid out.
[[gnu::always_inline]] inline char* WriteDigits15(char* out, bool negative, const TDecimalDigits& digits15) {
    const int e = digits15.Exponent;
    int k = 0;
    const TDigitText digits = Digits15(digits15.Digits, k);
    // Most numbers keep all 15 digits. Told so by a branch rather than by the digits, the
    // processor knows the text's length, and goes on to the next, long before the digits are made.
    if (k == 15)
        return LayoutDecimal(out, negative, digits, 15, e);
    return LayoutDecimal(out, negative, digits, k, e);
}

char* FormatExtendedSlowly(char* out, const TExtended& value) {
    const std::uint16_t exponentField = value.ExponentField();
    const std::uint64_t mantissa = value.Mantissa();
    if (exponentField == 0x7FFF)
        return AppendText(out, (mantissa & 0x7FFFFFFFFFFFFFFFull) == 0 ? "INF" : "NAN");
    if (exponentField == 0 || mantissa == 0)
        return AppendText(out, "0");
    TDecimalDigits digits15;
    if (!ExtendedDigits15Fast(value, digits15))
        digits15 = Digits15Of(ExtendedDigits18Exact(value));
    return WriteDigits15(out, value.Negative(), digits15);
}

// FormatExtendedTo, inlined where the conversion writes a value.
[[gnu::always_inline]] inline char* WriteExtendedText(char* out, const TExtended& value) {
    const std::uint64_t mantissa = value.Mantissa();
    const unsigned field = value.ExponentField();
    // A normal number (the mantissa's integer bit set, the exponent field neither 0 nor all ones)
    // takes the short way.
    TDecimalDigits digits15;
    if ((mantissa >> 63) != 0 && field - 1 < 0x7FFE &&
        NormalDigits15(mantissa, static_cast<int>(field) - kExponentBias, digits15))
        return WriteDigits15(out, value.Negative(), digits15);
    return FormatExtendedSlowly(out, value);
}

} // namespace

char* FormatExtendedTo(char* out, const TExtended& value) {
    return WriteExtendedText(out, value);
}

namespace {

// A single or double with the fewest significant digits that read back to the same value, laid out
// like an extended value. Infinities and zeros keep their sign, which reads back too.
template <typename Float> char* FormatShortestTo(char* out, Float value) {
    if (std::isnan(value))
        return AppendText(out, "NAN");
    if (std::isinf(value))
        return AppendText(out, value < 0 ? "-INF" : "INF");
    if (value == 0)
        return AppendText(out, std::signbit(value) ? "-0" : "0");
    // "-d.ddde-XX": the digits without the point, and the exponent plus one for 0.d1…dk × 10^e.
    char scientific[kNumberRoom];
    const char* end = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                    std::chars_format::scientific)
                          .ptr;
    const char* exponent = std::find(static_cast<const char*>(scientific), end, 'e');
    char digits[sizeof(TDigitText)];
    std::memset(digits, '0', sizeof digits);
    int k = 0;
    for (const char* c = scientific; c != exponent; ++c) {
        if (*c != '.')
            digits[k++] = *c;
    }
    int e = 0;
    std::from_chars(exponent + (exponent[1] == '+' ? 2 : 1), end, e);
    const TDigitText text{{LoadChars(digits), LoadChars(digits + 8), LoadChars(digits + 16)}};
    return LayoutDecimal(out, std::signbit(value), text, k, e + 1);
}

} // namespace

std::string FormatExtended(const TExtended& value) {
    char text[kNumberRoom];
    return std::string(text, FormatExtendedTo(text, value));
}

namespace {

const char kLineEnd[] = "\r\n";
// Indentation is copied from here, up to 32 levels at once.
constexpr std::string_view kBlanks = "                                                                ";

bool IsWideCode(char16_t unit) {
    return unit < 32 || unit > 126 || unit == u'\'';
}

bool IsByteCode(char c) {
    return static_cast<std::uint8_t>(c) < 0x20 || c == '\'';
}

// At most three characters a byte ("#31", or a byte of a run and its share of the apostrophes
// around it), and "''" for no bytes.
constexpr std::size_t QuotedRoom(std::size_t count) {
    return 3 * count + 2;
}

// The text of a string's bytes with QuotedRoom(count) room at `out`: control bytes and the
// apostrophe as "#<code>", runs of other bytes between apostrophes. Returns the end of the text.
char* QuoteBytes(char* out, const char* bytes, std::size_t count) {
    if (count == 0) {
        std::memcpy(out, "''", 2);
        return out + 2;
    }
    for (std::size_t i = 0; i < count;) {
        if (IsByteCode(bytes[i])) {
            *out++ = '#';
            out = std::to_chars(out, out + 2, static_cast<std::uint8_t>(bytes[i++])).ptr;
            continue;
        }
        const std::size_t start = i;
        while (i < count && !IsByteCode(bytes[i]))
            ++i;
        *out++ = '\'';
        out = CopyText(out, bytes + start, i - start);
        *out++ = '\'';
    }
    return out;
}

// The text of a value of the common short kinds (integers, extended numbers, identifiers,
// booleans, nil, short strings and sets) whose bytes, tag first, lie whole in
// value[0..available) and whose text fits in `room` characters at `out`: returns its end and the
// bytes it took in `taken`, or nullptr for any other value, which is then left to the general path.
char* WriteShortValue(char* out, std::ptrdiff_t room, const std::uint8_t* value, std::int32_t available,
                      std::int32_t& taken) {
    const auto fits = [&](std::int32_t bytes, std::size_t text) {
        return bytes <= available && static_cast<std::ptrdiff_t>(text) <= room;
    };
    switch (value[0]) {
        case TagInt8:
        case TagInt16:
        case TagInt32: {
            taken = value[0] == TagInt8 ? 2 : value[0] == TagInt16 ? 3 : 5;
            if (!fits(taken, 11))
                return nullptr;
            std::int32_t number = static_cast<std::int8_t>(value[1]);
            if (value[0] == TagInt16)
                number = static_cast<std::int16_t>(value[1] | (value[2] << 8));
            else if (value[0] == TagInt32)
                number = static_cast<std::int32_t>(std::uint32_t(value[1]) | (std::uint32_t(value[2]) << 8) |
                                                   (std::uint32_t(value[3]) << 16) |
                                                   (std::uint32_t(value[4]) << 24));
            return std::to_chars(out, out + 11, number).ptr;
        }
        case TagExtended: {
            taken = 1 + static_cast<std::int32_t>(sizeof(TExtended::Bytes));
            if (!fits(taken, kNumberRoom))
                return nullptr;
            TExtended number;
            std::memcpy(number.Bytes, value + 1, sizeof number.Bytes);
            return WriteExtendedText(out, number);
        }
        case TagFalse:
        case TagTrue:
        case TagNil: {
            const std::string_view word = value[0] == TagFalse  ? "False"
                                          : value[0] == TagTrue ? "True"
                                                                : "nil";
            taken = 1;
            if (!fits(taken, word.size()))
                return nullptr;
            return CopyText(out, word.data(), word.size());
        }
        case TagIdent:
        case TagString: {
            if (available < 2)
                return nullptr;
            const std::size_t length = value[1];
            taken = 2 + static_cast<std::int32_t>(length);
            const char* text = reinterpret_cast<const char*>(value + 2);
            if (value[0] == TagIdent)
                return fits(taken, length) ? CopyText(out, text, length) : nullptr;
            return fits(taken, QuotedRoom(length)) ? QuoteBytes(out, text, length) : nullptr;
        }
        case TagSet: {
            // The elements up to the empty one; each takes its length and two more (", " or the
            // brackets) of the text.
            std::int32_t at = 1;
            std::size_t text = 2;
            for (;;) {
                if (at >= available)
                    return nullptr;
                const std::uint8_t length = value[at];
                if (length == 0)
                    break;
                at += 1 + length;
                text += 2 + length;
            }
            taken = at + 1;
            if (!fits(taken, text))
                return nullptr;
            *out++ = '[';
            for (std::int32_t element = 1; value[element] != 0; element += 1 + value[element]) {
                if (element != 1) {
                    std::memcpy(out, ", ", 2);
                    out += 2;
                }
                out = CopyText(out, reinterpret_cast<const char*>(value + element + 1), value[element]);
            }
            *out++ = ']';
            return out;
        }
        default:
            return nullptr;
    }
}

// Turns one form stream into text. Shares the reader, the writer and the nesting level among the
// steps. Components, lists and collections hold one of the reader's nesting levels while they are
// written, which bounds the recursion together with any skip the reader makes inside them.
class FormTextConverter {
public:
    FormTextConverter(TReader& reader, TWriter& writer) : reader_(reader), writer_(writer) {}

    void EmitComponent();

private:
    void EmitHeader();
    void EmitProperty();
    void EmitValue();
    void EmitInteger();
    void EmitInt64();
    void EmitFloat();
    void EmitSingle();
    void EmitDouble();
    void EmitIdent();
    void EmitList();
    void EmitSet();
    void EmitString();
    void EmitWideString();
    void EmitUtf8String();
    template <typename Unit, typename IsCode>
    void EmitQuoted(const Unit* units, std::size_t count, IsCode isCode);
    void EmitRun(const char* bytes, std::size_t count) { EmitText(bytes, count); }
    void EmitRun(const char16_t* units, std::size_t count);
    void EmitCode(unsigned code);
    void EmitBinary();
    void EmitCollection();
    void EmitIndent();
    void EmitLineEnd();
    void EmitIndented(std::string_view a, std::string_view b = {}, std::string_view c = {},
                      std::string_view d = {});
    void EmitNewLine();
    void EmitText(const char* text, std::size_t length) {
        writer_.WriteBytes(text, static_cast<std::int32_t>(length));
    }
    void EmitText(std::string_view text) { EmitText(text.data(), text.size()); }
    template <std::size_t N> void EmitText(const char (&text)[N]) { EmitText(text, N - 1); }
    static void HexEncode(const std::uint8_t* bytes, int count, char* out);

    TReader& reader_;
    TWriter& writer_;
    int level_ = 0;
    std::u16string units_; // a wide or UTF-8 string as UTF-16 units; kept to reuse its storage
};

void FormTextConverter::EmitComponent() {
    TReader::TNestingLevel nesting(reader_);
    EmitHeader();
    ++level_;
    while (!reader_.AtListEnd())
        EmitProperty();
    reader_.ExpectListEnd();
    while (!reader_.AtListEnd())
        EmitComponent();
    reader_.ExpectListEnd();
    --level_;
    EmitIndented("end", kLineEnd);
}

void FormTextConverter::EmitHeader() {
    const TComponentPrefix prefix = reader_.ReadComponentPrefix();
    // The class name comes first but is written last; reading the name may refill the buffer.
    char className[256];
    const std::string_view classView = reader_.ReadShortStringView();
    const std::string_view classText(className, classView.size());
    std::copy(classView.begin(), classView.end(), className);
    const std::string_view name = reader_.ReadShortStringView();
    const std::string_view word = (prefix.Flags & FlagInherited) ? "inherited " : "object ";
    if (name.empty())
        EmitIndented(word, classText);
    else
        EmitIndented(word, name, ": ", classText);
    if (prefix.Flags & FlagChildPosition) {
        char position[16] = {' ', '['};
        char* end = std::to_chars(position + 2, position + sizeof position - 1, prefix.ChildPosition).ptr;
        *end++ = ']';
        EmitText(position, static_cast<std::size_t>(end - position));
    }
    EmitText(kLineEnd);
}

// The indentation goes out before the name is read, so a form cut short inside the name leaves it
// in the text, as every step writes what it has before it reads on. A line whose name and value lie
// in the reader's buffer goes into the writer's buffer at once, with the bounds checked once for
// the name and once for the value: no stream is read for it, so nothing changes that the text was
// made before the bytes were read. A value of another kind, or one that does not lie whole in the
// buffer, goes on through the general path after the name.
void FormTextConverter::EmitProperty() {
    const std::size_t indent = 2 * static_cast<std::size_t>(level_);
    const TReader::TBufferedBytes in = reader_.Buffered();
    const std::int32_t room = writer_.Room();
    if (indent <= 32 && in.Count >= 2 && in.Count >= 2 + in.Bytes[0] && room >= 32 + in.Bytes[0] + 3) {
        const std::int32_t nameBytes = 1 + in.Bytes[0];
        char* const line = writer_.Reserve(room);
        std::memcpy(line, kBlanks.data(), 32);
        char* out = CopyText(line + indent, reinterpret_cast<const char*>(in.Bytes + 1), in.Bytes[0]);
        std::memcpy(out, " = ", 3);
        out += 3;
        std::int32_t taken = 0;
        if (char* end = WriteShortValue(out, line + room - 2 - out, in.Bytes + nameBytes,
                                        in.Count - nameBytes, taken)) {
            std::memcpy(end, kLineEnd, 2);
            reader_.Consume(nameBytes + taken);
            writer_.Commit(static_cast<std::int32_t>(end + 2 - line));
            return;
        }
        reader_.Consume(nameBytes);
        writer_.Commit(static_cast<std::int32_t>(out - line));
    } else {
        EmitIndent();
        const std::string_view name = reader_.ReadShortStringView();
        EmitText(name);
        EmitText(" = ");
    }
    EmitValue();
    EmitLineEnd();
}

// The indentation and up to four pieces: one copy into the writer's buffer when it has the room.
void FormTextConverter::EmitIndented(std::string_view a, std::string_view b, std::string_view c,
                                     std::string_view d) {
    const std::size_t blanks = 2 * static_cast<std::size_t>(level_);
    const std::size_t length = blanks + a.size() + b.size() + c.size() + d.size();
    if (blanks <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(length))) {
            out = CopyText(out, kBlanks.data(), blanks);
            for (const std::string_view piece : {a, b, c, d})
                out = CopyText(out, piece.data(), piece.size());
            writer_.Commit(static_cast<std::int32_t>(length));
            return;
        }
    }
    EmitIndent();
    for (const std::string_view piece : {a, b, c, d})
        EmitText(piece);
}

// Lists and collections recurse through here, so the dispatch keeps no locals of its own: each
// kind is written by a function whose frame is gone before the next level starts.
void FormTextConverter::EmitValue() {
    switch (reader_.PeekTag()) {
        case TagNull:
            break; // left for the caller's list end: the line ends after " = "
        case TagList:
            EmitList();
            break;
        case TagInt8:
        case TagInt16:
        case TagInt32:
            EmitInteger();
            break;
        case TagExtended:
            EmitFloat();
            break;
        case TagString:
        case TagLongString:
            EmitString();
            break;
        case TagIdent:
        case TagFalse:
        case TagTrue:
        case TagNil:
            EmitIdent();
            break;
        case TagBinary:
            EmitBinary();
            break;
        case TagSet:
            EmitSet();
            break;
        case TagCollection:
            EmitCollection();
            break;
        case TagSingle:
            EmitSingle();
            break;
        case TagCurrency:
        case TagInt64:
            EmitInt64();
            break;
        case TagDate:
        case TagDouble:
            EmitDouble();
            break;
        case TagWideString:
            EmitWideString();
            break;
        case TagUtf8String:
            EmitUtf8String();
            break;
        default:
            // Not a value. Left in place it would be read again as a name length, or, inside a
            // list, make the list loop write line ends for ever.
            reader_.ReadTag();
            throw EReadError(SInvalidProperty, {});
    }
}

void FormTextConverter::EmitInteger() {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, reader_.ReadIntValue()).ptr;
    EmitText(digits, static_cast<std::size_t>(end - digits));
}

void FormTextConverter::EmitInt64() {
    const bool currency = reader_.PeekTag() == TagCurrency;
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, reader_.ReadInt64Value()).ptr;
    if (currency)
        *end++ = 'c';
    EmitText(digits, static_cast<std::size_t>(end - digits));
}

void FormTextConverter::EmitFloat() {
    const TExtended value = reader_.ReadFloatValue();
    if (char* out = writer_.Reserve(kNumberRoom)) {
        writer_.Commit(static_cast<std::int32_t>(FormatExtendedTo(out, value) - out));
        return;
    }
    char text[kNumberRoom];
    EmitText(text, static_cast<std::size_t>(FormatExtendedTo(text, value) - text));
}

void FormTextConverter::EmitSingle() {
    char text[kNumberRoom + 1];
    char* end = FormatShortestTo(text, reader_.ReadSingleValue());
    *end++ = 's';
    EmitText(text, static_cast<std::size_t>(end - text));
}

void FormTextConverter::EmitDouble() {
    const bool date = reader_.PeekTag() == TagDate;
    char text[kNumberRoom + 1];
    char* end = FormatShortestTo(text, reader_.ReadDoubleValue());
    if (date)
        *end++ = 'd';
    EmitText(text, static_cast<std::size_t>(end - text));
}

void FormTextConverter::EmitIdent() {
    switch (reader_.ReadTag()) {
        case TagIdent:
            EmitText(reader_.ReadShortStringView());
            break;
        case TagFalse:
            EmitText("False");
            break;
        case TagTrue:
            EmitText("True");
            break;
        default:
            EmitText("nil");
    }
}

void FormTextConverter::EmitList() {
    TReader::TNestingLevel nesting(reader_);
    reader_.ReadTag();
    EmitText("(");
    ++level_;
    while (!reader_.AtListEnd()) {
        EmitNewLine();
        EmitValue();
    }
    reader_.ExpectListEnd();
    --level_;
    EmitText(")");
}

void FormTextConverter::EmitSet() {
    reader_.ReadTag();
    EmitText("[");
    for (bool first = true;; first = false) {
        const std::string_view element = reader_.ReadShortStringView();
        if (element.empty())
            break;
        if (!first)
            EmitText(", ");
        EmitText(element);
    }
    EmitText("]");
}

// Control bytes and the apostrophe become "#<code>", runs of other bytes stand between
// apostrophes. The whole value is read before anything of it is written: a string cut short by the
// end of the data leaves nothing of itself in the text.
void FormTextConverter::EmitString() {
    const std::string_view text = reader_.ReadStringView();
    EmitQuoted(text.data(), text.size(), IsByteCode);
}

// Wide strings keep only the printable ASCII units between apostrophes; every other unit, and the
// apostrophe, is written "#<code>", as the environment's own text forms show ('Poci'#261'gu').
void FormTextConverter::EmitWideString() {
    const std::string_view bytes = reader_.ReadWideStringView();
    units_.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < units_.size(); ++i)
        units_[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                          (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    EmitQuoted(units_.data(), units_.size(), IsWideCode);
}

void FormTextConverter::EmitUtf8String() {
    const std::string_view bytes = reader_.ReadUtf8StringView();
    DecodeUtf8(bytes.data(), bytes.size(), units_);
    EmitQuoted(units_.data(), units_.size(), IsWideCode);
}

template <typename Unit, typename IsCode>
void FormTextConverter::EmitQuoted(const Unit* units, std::size_t count, IsCode isCode) {
    if (count == 0) {
        EmitText("''");
        return;
    }
    for (std::size_t i = 0; i < count;) {
        if (isCode(units[i])) {
            EmitCode(static_cast<unsigned>(std::make_unsigned_t<Unit>(units[i])));
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < count && !isCode(units[i]))
            ++i;
        EmitText("'");
        EmitRun(units + start, i - start);
        EmitText("'");
    }
}

// A run of printable ASCII units, written as the bytes of the same characters.
void FormTextConverter::EmitRun(const char16_t* units, std::size_t count) {
    char bytes[256];
    while (count > 0) {
        const std::size_t n = std::min(count, sizeof bytes);
        std::copy(units, units + n, bytes);
        EmitText(bytes, n);
        units += n;
        count -= n;
    }
}

void FormTextConverter::EmitCode(unsigned code) {
    char text[16] = {'#'};
    EmitText(text, static_cast<std::size_t>(std::to_chars(text + 1, text + sizeof text, code).ptr - text));
}

// Read 32 bytes at a time: a count that claims more than the file holds ends in "Stream read
// error" without anything allocated for it. A line whose bytes lie in the reader's buffer goes
// into the writer's buffer at once, line end, indentation and digits, when it has the room: no
// stream is read for it, so nothing changes that the text was made before the bytes were read.
// Otherwise its line end and indentation are written before its bytes are read.
void FormTextConverter::EmitBinary() {
    reader_.ReadTag();
    EmitText("{");
    ++level_;
    auto count = static_cast<std::int32_t>(reader_.ReadUInt32());
    const bool multiLine = count >= 32;
    const std::size_t indent = 2 * static_cast<std::size_t>(level_);
    const std::size_t prefix = multiLine ? 2 + indent : 0;
    while (count > 0) {
        const int n = count < 32 ? count : 32;
        const auto length = static_cast<std::int32_t>(prefix) + 2 * n;
        if (indent <= kBlanks.size()) {
            if (char* out = writer_.Reserve(length)) {
                if (const std::uint8_t* bytes = reader_.TakeBuffered(n)) {
                    if (multiLine) {
                        std::memcpy(out, kLineEnd, 2);
                        CopyText(out + 2, kBlanks.data(), indent);
                    }
                    HexEncode(bytes, n, out + prefix);
                    writer_.Commit(length);
                    count -= n;
                    continue;
                }
            }
        }
        if (multiLine)
            EmitNewLine();
        std::uint8_t bytes[32];
        reader_.ReadBytes(bytes, n);
        count -= n;
        char text[64];
        HexEncode(bytes, n, text);
        EmitText(text, static_cast<std::size_t>(2 * n));
    }
    --level_;
    EmitText("}");
}

// Two digits a byte, high four bits first. Sixteen bytes at a time with the vector unit where there
// is one: each half byte becomes '0' + half, or 'A' + half - 10 from 10 on (7 more).
void FormTextConverter::HexEncode(const std::uint8_t* bytes, int count, char* out) {
    int i = 0;
#if defined(QUORVEL_SSE2)
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i letterStep = _mm_set1_epi8('A' - '0' - 10);
    const auto ascii = [&](__m128i halves) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(halves, nine), letterStep);
        return _mm_add_epi8(_mm_add_epi8(halves, zero), letters);
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i high = _mm_and_si128(_mm_srli_epi16(block, 4), low4);
        const __m128i low = _mm_and_si128(block, low4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), ascii(_mm_unpacklo_epi8(high, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), ascii(_mm_unpackhi_epi8(high, low)));
    }
#endif
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
}

void FormTextConverter::EmitCollection() {
    TReader::TNestingLevel nesting(reader_);
    reader_.ReadTag();
    EmitText("<");
    ++level_;
    while (!reader_.AtListEnd()) {
        EmitNewLine();
        EmitText("item");
        const std::uint8_t tag = reader_.PeekTag();
        if (tag == TagInt8 || tag == TagInt16 || tag == TagInt32) {
            EmitText(" [");
            EmitValue();
            EmitText("]");
        }
        EmitText(kLineEnd);
        reader_.ExpectListStart();
        ++level_;
        while (!reader_.AtListEnd())
            EmitProperty();
        reader_.ExpectListEnd();
        --level_;
        EmitIndent();
        EmitText("end");
    }
    reader_.ExpectListEnd();
    --level_;
    EmitText(">");
}

void FormTextConverter::EmitIndent() {
    const std::size_t indent = 2 * static_cast<std::size_t>(level_);
    // Up to 16 levels from one block of blanks of a fixed size, of which the indentation counts.
    if (indent <= 32) {
        if (char* out = writer_.Reserve(32)) {
            std::memcpy(out, kBlanks.data(), 32);
            writer_.Commit(static_cast<std::int32_t>(indent));
            return;
        }
    }
    if (indent <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(indent))) {
            CopyText(out, kBlanks.data(), indent);
            writer_.Commit(static_cast<std::int32_t>(indent));
            return;
        }
    }
    for (std::size_t blanks = indent; blanks > 0;) {
        const std::size_t n = std::min(blanks, kBlanks.size());
        EmitText(kBlanks.data(), n);
        blanks -= n;
    }
}

void FormTextConverter::EmitLineEnd() {
    if (char* out = writer_.Reserve(2)) {
        std::memcpy(out, kLineEnd, 2);
        writer_.Commit(2);
    } else {
        EmitText(kLineEnd);
    }
}

void FormTextConverter::EmitNewLine() {
    const std::size_t indent = 2 * static_cast<std::size_t>(level_);
    if (indent <= kBlanks.size()) {
        if (char* out = writer_.Reserve(static_cast<std::int32_t>(indent + 2))) {
            std::memcpy(out, kLineEnd, 2);
            CopyText(out + 2, kBlanks.data(), indent);
            writer_.Commit(static_cast<std::int32_t>(indent + 2));
            return;
        }
    }
    EmitText(kLineEnd);
    EmitIndent();
}

} // namespace

void FormFileToText(TStream& input, TStream& output) {
    SkipResourceHeader(input);
    FormBinaryToText(input, output);
}

void FormBinaryToText(TStream& input, TStream& output) {
    // Digits are made without any locale, so no process-wide setting is touched. The writer is
    // declared after the reader and so destroyed first; on an error its destructor flushes the
    // text made so far into the output while the error passes on.
    TReader reader(input, kFilerBufferSize);
    TWriter writer(output, kFilerBufferSize);
    reader.CheckSignature();
    FormTextConverter(reader, writer).EmitComponent();
    writer.FlushOutput();
}
