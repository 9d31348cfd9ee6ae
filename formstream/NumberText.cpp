#include "formstream/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "formstream/BigInteger.h"
#include "formstream/Reader.h"
#include "formstream/Simd.h"

namespace detail {
namespace {

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

// The exact expansion: mantissa * 2^power * 10^k divided out by the long division that reads
// texts too, for the k that leaves 18 or 19 digits in front of the point. The quotient is exact and
// the remainder decides the rounding, so nothing is truncated on the way.
TDecimalDigits Digits18(std::uint64_t mantissa, int power) {
    // value in [2^(bits - 1), 2^bits), so its decimal exponent e (value = 0.d1… × 10^e) is about
    // (bits - 1) * log10(2) + 1; 0.30103 is close enough that a miss is one digit, put right below.
    const std::int64_t bits = 64 - __builtin_clzll(mantissa) + power;
    const std::int64_t scaled = (bits - 1) * 30103;
    int k = 18 - static_cast<int>((scaled >= 0 ? scaled : scaled - 99999) / 100000 + 1);
    for (;;) {
        TBigInteger numerator(mantissa);
        TBigInteger denominator(1);
        numerator.ShiftLeft(power);
        denominator.ShiftLeft(-power);
        if (k >= 0)
            numerator.MultiplyByPowerOfTen(k);
        else
            denominator.MultiplyByPowerOfTen(-k);
        TLongDivision quotient(std::move(numerator), std::move(denominator));
        if (quotient.Exponent() > 63) { // 20 digits or more: the estimate was one too low
            --k;
            continue;
        }
        std::uint64_t digits = 0;
        for (std::int64_t bit = 0; bit <= quotient.Exponent(); ++bit)
            digits = (digits << 1) | (quotient.NextBit() ? 1 : 0);
        if (digits < 100000000000000000ull) { // 17 digits or fewer: one too high
            ++k;
            continue;
        }
        int exponent = 18 - k;
        bool up = false;
        if (digits >= 1000000000000000000ull) {
            const std::uint64_t last = digits % 10;
            digits /= 10;
            ++exponent;
            up = last > 5 || (last == 5 && (!quotient.RemainderIsZero() || (digits & 1) != 0));
        } else {
            const int half = quotient.CompareRemainderToHalf();
            up = half > 0 || (half == 0 && (digits & 1) != 0);
        }
        digits += up ? 1 : 0;
        if (digits == 1000000000000000000ull) {
            digits /= 10;
            ++exponent;
        }
        return {digits, exponent};
    }
}

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
    return Digits18(value.Mantissa(), value.ExponentField() - kExponentBias);
}

TDecimalDigits Digits15Of(const TDecimalDigits& digits18) {
    const std::uint64_t digits = (digits18.Digits + 500) / 1000;
    if (digits == 1000000000000000ull)
        return {digits / 10, digits18.Exponent + 1};
    return {digits, digits18.Exponent};
}

} // namespace detail

namespace {

using detail::Digits15Of;
using detail::ExtendedDigits15Fast;
using detail::ExtendedDigits18Exact;
using detail::kExponentBias;
using detail::NormalDigits15;
using detail::TDecimalDigits;
using detail::UInt128;

// ---- The text of a number
//
// The digits are made side by side in the lanes of a register and the text is stored in whole
// words straight into its place: nothing written is read back, and the branches are on the layout
// and on whether all 15 digits count, which a form's numbers mostly share.

// A scratch area for one number: its text (at most a sign, "0.", three zeros and 17 digits, or a
// sign, 17 digits, a point, "E-" and four digits of exponent) and the whole words stored past it.
constexpr std::size_t kNumberRoom = kNumberTextRoom;

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

char* FormatExtendedTo(char* out, const TExtended& value) {
    return WriteExtendedText(out, value);
}

char* FormatSingleTo(char* out, float value) {
    return FormatShortestTo(out, value);
}

char* FormatDoubleTo(char* out, double value) {
    return FormatShortestTo(out, value);
}

std::string FormatExtended(const TExtended& value) {
    char text[kNumberRoom];
    return std::string(text, FormatExtendedTo(text, value));
}
