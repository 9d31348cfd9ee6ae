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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "formstream/Reader.h"
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

// ---- The fast path: 18 digits from one multiplication
//
// value * 10^j for the j that puts it between 1e17 and 1e18 is the 64-bit mantissa times a 128-bit
// approximation of 10^j, a 192-bit product whose integer part holds the 18 digits and whose
// fraction tells how to round them. Each approximation is rounded down and carries a relative
// error below 2^-126 (none for the powers that are exact in 128 bits), so the product lies below
// the true one by less than 2^66 of its units: rounding is decided unless the fraction falls
// within that distance below one half, which leaves the rare rest to the exact expansion.

using UInt128 = unsigned __int128;

// 10^j ≈ (High * 2^64 + Low) * 2^Exponent, the 128-bit significand rounded down and normalised
// (High has its top bit set).
struct PowerOfTen {
    std::uint64_t High;
    std::uint64_t Low;
    int Exponent;
};

// Every power that a finite extended value can need, unnormals included: log10 of such values
// runs from about -4951 to 4932, and j is 17 minus that, one more after an adjustment.
constexpr int kMinPower = -4920;
constexpr int kMaxPower = 4972;

// 10^j for j from 0 to 55 is exact in 128 bits (5^55 < 2^128).
bool PowerIsExact(int j) {
    return j >= 0 && j <= 55;
}

// A 192-bit unsigned integer, least significant word first.
struct UInt192 {
    std::uint64_t Word[3];
};

// The table, made once on first use by stepping through the powers with 192-bit arithmetic that
// rounds down: each step adds at most 2^-191 of relative error, so after the 4972 steps of either
// direction the 128 bits kept are still correct to better than 2^-126.
const std::vector<PowerOfTen>& PowersOfTen() {
    static const std::vector<PowerOfTen> table = [] {
        std::vector<PowerOfTen> powers(static_cast<std::size_t>(kMaxPower - kMinPower + 1));
        const auto store = [&](int j, const UInt192& x, int exponent) {
            powers[static_cast<std::size_t>(j - kMinPower)] = {x.Word[2], x.Word[1], exponent + 64};
        };
        // Upward: x * 2^exponent ≈ 10^j, x normalised to 192 bits.
        UInt192 x{{0, 0, std::uint64_t(1) << 63}};
        int exponent = -191;
        for (int j = 0; j <= kMaxPower; ++j) {
            store(j, x, exponent);
            // x * 10 needs up to 196 bits; shift it back into 192, dropping the low bits.
            std::uint64_t product[4];
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
            std::uint64_t quotient[3];
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
    }();
    return table;
}

// floor(log10(m * 2^q)) for m normalised to 64 bits, or one less near a power of ten. log2 of the
// value is taken from below as q + 63 plus m's next eight bits as a fraction (log2(1 + x) >= x),
// in 1/256ths, and log10(2) from below as a 40-bit fraction: the estimate misses by one only
// within about 0.03 below a power of ten, where the caller takes one more step. (For values below
// one the low constant makes the estimate a hair too high, by under 2e-8 — there the fast path
// merely gives up.)
int FloorLog10(std::uint64_t m, int q) {
    const std::int64_t log2 = std::int64_t(q + 63) * 256 + static_cast<std::int64_t>((m >> 55) & 0xFF);
    const std::int64_t product = log2 * 330985980290; // log10(2) * 2^40, rounded down
    // The shift rounds toward minus infinity (an arithmetic shift, as every supported compiler
    // makes it): no branch on the sign, which values above and below one make unpredictable.
    return static_cast<int>(product >> 48);
}

} // namespace

bool ExtendedDigits18Fast(const TExtended& value, TDigits18& result) {
    const std::uint64_t mantissa = value.Mantissa();
    const int field = value.ExponentField();
    if (mantissa == 0 || field == 0 || field == 0x7FFF)
        return false;
    // value = m * 2^q with m normalised to 64 bits (unnormals too).
    const int leading = __builtin_clzll(mantissa);
    const std::uint64_t m = mantissa << leading;
    const int q = field - 16383 - 63 - leading;
    // 10^(17 - d) with d = floor(log10(value)) puts value * 10^j in [1e17, 1e18); when the estimate
    // of d is one short, a result of 1e18 or more takes one more step down.
    int j = 17 - FloorLog10(m, q);
    for (int attempt = 0; attempt < 2; ++attempt, --j) {
        if (j < kMinPower || j > kMaxPower)
            return false;
        const PowerOfTen& power = PowersOfTen()[static_cast<std::size_t>(j - kMinPower)];
        // z = m * (High * 2^64 + Low), 192 bits in z2:z1:z0.
        const UInt128 low = UInt128(m) * power.Low;
        const UInt128 high = UInt128(m) * power.High;
        const std::uint64_t z0 = static_cast<std::uint64_t>(low);
        const UInt128 middle = (low >> 64) + static_cast<std::uint64_t>(high);
        const std::uint64_t z1 = static_cast<std::uint64_t>(middle);
        const std::uint64_t z2 =
            static_cast<std::uint64_t>(high >> 64) + static_cast<std::uint64_t>(middle >> 64);
        // value * 10^j = z * 2^(q + Exponent): the integer part is z >> s, s between 129 and 137.
        const int r = -(q + power.Exponent) - 128;
        if (r < 1 || r > 62)
            return false;
        std::uint64_t digits = z2 >> r;
        if (digits >= 1000000000000000000ull) {
            if (attempt == 0)
                continue;
            return false;
        }
        if (digits < 100000000000000000ull)
            return false;
        // The fraction is the low r bits of z2, then z1 and z0; one half is bit r - 1 of z2.
        const std::uint64_t fractionHigh = z2 & ((std::uint64_t(1) << r) - 1);
        const std::uint64_t halfHigh = std::uint64_t(1) << (r - 1);
        // Below one half by less than the error (2^66 of those units: 4 of z1's), the true
        // fraction may lie on either side.
        const bool exact = PowerIsExact(j);
        if (!exact && fractionHigh == halfHigh - 1 && z1 > ~std::uint64_t(0) - 4)
            return false;
        // From one half on it rounds up; but an exact half, nothing in z1 and z0 either, goes to
        // the even one of the two.
        digits += (z2 >> (r - 1)) & 1;
        if (exact && fractionHigh == halfHigh && z1 == 0 && z0 == 0)
            digits &= ~std::uint64_t(1);
        int exponent = 18 - j;
        if (digits == 1000000000000000000ull) {
            digits /= 10;
            ++exponent;
        }
        result = {digits, exponent};
        return true;
    }
    return false;
}

TDigits18 ExtendedDigits18Exact(const TExtended& value) {
    int exponent = 0;
    bool inexact = false;
    const std::string decimal =
        DecimalDigits(value.Mantissa(), value.ExponentField() - 16383 - 63, exponent, inexact);
    const std::uint64_t digits = RoundTo18(decimal, inexact, exponent);
    return {digits, exponent};
}

namespace {

// A scratch area for one number: its text (at most a sign, "0.", three zeros and 17 digits, or a
// sign, 17 digits, a point, "E-" and four digits of exponent) and the whole blocks copied past it.
constexpr std::size_t kNumberRoom = kExtendedTextRoom;
// The digits given to the layout: up to 17 significant digits, then '0' to the end.
constexpr std::size_t kDigitRoom = 48;

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

// The digits of the lanes as characters at `out`.
void StoreDigitLanes(char* out, std::uint64_t lanes) {
    lanes += 0x3030303030303030ull;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    lanes = __builtin_bswap64(lanes);
#endif
    std::memcpy(out, &lanes, 8);
}

// The 15 digits of a number from 10^14 to 10^15 - 1 at out[0..15), which may write out[-1]; returns
// the number of digits up to the last that is not 0.
int WriteDigits15(std::uint64_t number, char* out) {
    const std::uint64_t high = DigitLanes8(static_cast<std::uint32_t>(number / 100000000));
    const std::uint64_t low = DigitLanes8(static_cast<std::uint32_t>(number % 100000000));
    StoreDigitLanes(out - 1, high);
    StoreDigitLanes(out + 7, low);
    // Trailing zeros are the zero lanes at the top of the word.
    return low != 0 ? 15 - __builtin_clzll(low) / 8 : 7 - __builtin_clzll(high) / 8;
}

// A decimal exponent from -9999 to 9999 ("-7", "4931"); may write up to 8 characters past the sign.
char* WriteExponent(char* out, int exponent) {
    *out = '-';
    out += exponent < 0 ? 1 : 0;
    const auto magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
    const int n = 1 + (magnitude >= 10) + (magnitude >= 100) + (magnitude >= 1000);
    // Its digits are the last n of the eight lanes.
    StoreDigitLanes(out, DigitLanes8(magnitude) >> (8 * (8 - n)));
    return out + n;
}

// Lays out the significant digits d1…dk (1 <= k <= 17, no trailing zero) of the number
// 0.d1…dk × 10^e the way the text form writes floating-point values: fixed for e from -3 to 15
// ("0.00123", "100", "123456.75"), else "1.5E-7". `digits` holds kDigitRoom characters, '0' after
// the k digits, and is copied in whole blocks that may run past the text's end, but not past
// kNumberRoom characters. Returns the end of the text.
char* LayoutDecimal(char* out, bool negative, const char* digits, int k, int e) {
    *out = '-';
    out += negative ? 1 : 0;
    if (e >= 1 && e <= 15) {
        // The first e digits, zeros past the k-th, and the point and the rest when there is a rest.
        std::memcpy(out, digits, 32);
        std::memcpy(out + e + 1, digits + e, 32);
        out[e] = '.';
        return out + (k > e ? k + 1 : e);
    }
    if (e >= -3 && e <= 0) {
        std::memcpy(out, "0.000", 5);
        std::memcpy(out + 2 - e, digits, 32);
        return out + 2 - e + k;
    }
    out[0] = digits[0];
    out[1] = '.';
    std::memcpy(out + 2, digits + 1, 32);
    out += k > 1 ? k + 1 : 1;
    *out++ = 'E';
    return WriteExponent(out, e - 1);
}

char* AppendText(char* out, std::string_view text) {
    return CopyText(out, text.data(), text.size());
}

} // namespace

char* FormatExtendedTo(char* out, const TExtended& value) {
    const std::uint16_t exponentField = value.ExponentField();
    const std::uint64_t mantissa = value.Mantissa();
    if (exponentField == 0x7FFF)
        return AppendText(out, (mantissa & 0x7FFFFFFFFFFFFFFFull) == 0 ? "INF" : "NAN");
    if (exponentField == 0 || mantissa == 0)
        return AppendText(out, "0");

    TDigits18 digits18;
    if (!ExtendedDigits18Fast(value, digits18))
        digits18 = ExtendedDigits18Exact(value);
    int e = digits18.Exponent;
    // Half up at the 16th digit leaves 15 significant digits.
    std::uint64_t digits15 = (digits18.Digits + 500) / 1000;
    if (digits15 == 1000000000000000ull) {
        digits15 /= 10;
        ++e;
    }
    char buffer[kDigitRoom + 1];
    std::memset(buffer, '0', sizeof buffer);
    char* digits = buffer + 1;
    const int k = WriteDigits15(digits15, digits);
    return LayoutDecimal(out, value.Negative(), digits, k, e);
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
    char digits[kDigitRoom];
    std::memset(digits, '0', sizeof digits);
    int k = 0;
    for (const char* c = scientific; c != exponent; ++c) {
        if (*c != '.')
            digits[k++] = *c;
    }
    int e = 0;
    std::from_chars(exponent + (exponent[1] == '+' ? 2 : 1), end, e);
    return LayoutDecimal(out, std::signbit(value), digits, k, e + 1);
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

// UTF-8 to UTF-16 units. A byte that starts no valid sequence (a stray continuation byte, an
// overlong form, an encoded surrogate, a code point above U+10FFFF, a sequence cut short) is the
// unit of its own value, and decoding goes on with the next byte.
void DecodeUtf8(std::string_view bytes, std::u16string& units) {
    units.clear();
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const auto continuation = [&](std::size_t i, std::uint8_t low, std::uint8_t high) {
        return i < bytes.size() && at(i) >= low && at(i) <= high;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = at(i);
        // The range of the first continuation byte depends on the lead; the others are 80..BF.
        int length = 1;
        std::uint8_t low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 1 && continuation(i + 1, low, high);
        for (int n = 2; valid && n < length; ++n)
            valid = continuation(i + static_cast<std::size_t>(n), 0x80, 0xBF);
        if (!valid) {
            units.push_back(lead);
            ++i;
            continue;
        }
        static const std::uint8_t kLeadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
        std::uint32_t code = lead & kLeadMask[length];
        for (int n = 1; n < length; ++n)
            code = (code << 6) | (at(i + static_cast<std::size_t>(n)) & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(length);
    }
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
            return FormatExtendedTo(out, number);
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
    DecodeUtf8(reader_.ReadUtf8StringView(), units_);
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
#if defined(__SSE2__)
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
