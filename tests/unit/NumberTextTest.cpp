#include "formstream/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "formstream/Reader.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/Sanitizers.h"

namespace {

TEST(FormatExtended, Examples) {
    const std::pair<double, const char*> cases[] = {
        {0.00123, "0.00123"},
        {0.0001, "0.0001"},
        {1.5, "1.5"},
        {100, "100"},
        {123456.75, "123456.75"},
        {1e20, "1E20"},
        {1e15, "1E15"},
        {1e14, "100000000000000"},
        {1e-5, "1E-5"},
        {1.5e-7, "1.5E-7"},
        {-2.5, "-2.5"},
        {-0.0, "0"},
        {0.0, "0"},
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {999999999999999.9, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1.7976931348623157e308, "1.79769313486232E308"},
        {5e-324, "4.94065645841247E-324"},
        {12.000000000000002, "12"},
    };
    for (const auto& c : cases) {
        TExtended value;
        const auto bytes = FormBuilder::ExtendedOf(c.first);
        std::copy(bytes.begin(), bytes.end(), value.Bytes);
        EXPECT_EQ(FormatExtended(value), c.second) << c.first;
    }
}

TEST(FormatExtended, SpecialAndExtremeEncodings) {
    // Bytes: 8 of mantissa (low first), then exponent and sign.
    const std::pair<std::array<std::uint8_t, 10>, const char*> cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}, "INF"},
        {{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}, "INF"},
        {{1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xFF}, "NAN"},
        {{1, 2, 3, 4, 5, 6, 7, 0x88, 0x00, 0x00}, "0"}, // exponent field 0
        {{1, 2, 3, 4, 5, 6, 7, 0x88, 0x00, 0x80}, "0"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F}, "1.18973149535723E4932"},
        {{0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00}, "3.36210314311209E-4932"},
    };
    for (const auto& c : cases) {
        TExtended value;
        std::copy(c.first.begin(), c.first.end(), value.Bytes);
        EXPECT_EQ(FormatExtended(value), c.second);
    }
}

TEST(FormatExtended, RoundsTiesToEvenAt18DigitsThenHalfUpAt16) {
    // 1000000000000004995 is exact in 64 bits of mantissa: 18 digits round the tie to even
    // (...500), and the 16th digit 5 then rounds up.
    const auto extendedOf = [](std::uint64_t n) {
        TExtended value;
        int exponent = 16383 + 63;
        while ((n >> 63) == 0) {
            n <<= 1;
            --exponent;
        }
        for (int i = 0; i < 8; ++i)
            value.Bytes[i] = static_cast<std::uint8_t>(n >> (8 * i));
        value.Bytes[8] = static_cast<std::uint8_t>(exponent);
        value.Bytes[9] = static_cast<std::uint8_t>(exponent >> 8);
        return value;
    };
    EXPECT_EQ(FormatExtended(extendedOf(1000000000000004995ull)), "1.00000000000001E18");
    EXPECT_EQ(FormatExtended(extendedOf(1000000000000004985ull)), "1E18");
    EXPECT_EQ(FormatExtended(extendedOf(1000000000000004994ull)), "1E18");
    EXPECT_EQ(FormatExtended(TExtended::FromInteger(-2147483647 - 1)), "-2147483648");
}

TExtended ExtendedOfParts(std::uint64_t mantissa, int field, bool negative = false) {
    TExtended value;
    for (int i = 0; i < 8; ++i)
        value.Bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    value.Bytes[8] = static_cast<std::uint8_t>(field);
    value.Bytes[9] = static_cast<std::uint8_t>((field >> 8) | (negative ? 0x80 : 0));
    return value;
}

// The fast digits against the exact expansion at every exponent: a single bit and all ones there,
// and in turn one of their neighbours, an unnormal (a bit at the bottom, all ones below the top)
// or a random significand. Where the fast path decides it must agree; it may decline only rarely.
// The sanitizer build, far slower at the exact expansion, takes every 13th exponent.
TEST(ExtendedDigits15Fast, AgreesWithTheExactExpansionAtEveryExponent) {
    const std::uint64_t others[] = {
        0x8000000000000001ull, 0xFFFFFFFFFFFFFFFEull, 0xC000000000000000ull,
        0x0000000000000001ull, 0x7FFFFFFFFFFFFFFFull, 0,
    };
    std::mt19937_64 random(20261207);
    int compared = 0, declined = 0;
    for (int field = 1; field < 0x7FFF; field += kSanitized ? 13 : 1) {
        const std::uint64_t other =
            others[field % 6] != 0 ? others[field % 6] : random() | (std::uint64_t(1) << 63);
        for (const std::uint64_t mantissa : {std::uint64_t(1) << 63, ~std::uint64_t(0), other}) {
            const TExtended value = ExtendedOfParts(mantissa, field);
            detail::TDecimalDigits fast;
            if (!detail::ExtendedDigits15Fast(value, fast)) {
                ++declined;
                continue;
            }
            const detail::TDecimalDigits exact = detail::Digits15Of(detail::ExtendedDigits18Exact(value));
            ASSERT_EQ(fast.Digits, exact.Digits) << std::hex << mantissa << " field " << std::dec << field;
            ASSERT_EQ(fast.Exponent, exact.Exponent)
                << std::hex << mantissa << " field " << std::dec << field;
            ++compared;
        }
    }
    EXPECT_LE(declined, compared / 10000);
}

// Values whose exact expansion has 5 as its 19th significant digit and nothing after it, and their
// neighbours one unit of the mantissa away: 18 digits round ties to even, near-ties to the nearer
// side. A quarter of them end in 499 or 999 before the 5, where the tie rounds up to ...500 (or
// carries) and so turns the 16th digit's rounding too; the fast path must agree or decline.
TEST(ExtendedDigits15Fast, HalfwayValuesRoundTiesToEvenThenHalfUp) {
    std::mt19937_64 random(7);
    int ties = 0, decided = 0;
    for (int i = 0; i < 3000; ++i) {
        std::uint64_t a = 100000000000000000ull + random() % 900000000000000000ull; // 18 digits
        if (i % 4 == 0)
            a = a - a % 1000 + (i % 8 == 0 ? 999 : 499);
        // (2a + 1) / 2 * 10^p with p = 0, 1, 2: exact in 64 bits of mantissa.
        const int p = i % 3;
        std::uint64_t mantissa = 2 * a + 1;
        int power2 = -1; // value = mantissa * 2^power2
        for (int k = 0; k < p; ++k) {
            mantissa *= 5;
            ++power2;
        }
        if (p == 2 && mantissa / 25 != 2 * a + 1)
            continue; // too large for 64 bits
        const int leading = __builtin_clzll(mantissa);
        for (const std::int64_t delta : {0, -1, 1}) {
            const std::uint64_t normalised = (mantissa << leading) + static_cast<std::uint64_t>(delta);
            const TExtended value = ExtendedOfParts(normalised, 16383 + 63 + power2 - leading);
            const detail::TDecimalDigits exact = detail::ExtendedDigits18Exact(value);
            if (delta == 0) {
                EXPECT_EQ(exact.Digits, a + (a & 1)) << a;
                ++ties;
            }
            detail::TDecimalDigits fast;
            if (detail::ExtendedDigits15Fast(value, fast)) {
                const detail::TDecimalDigits expected = detail::Digits15Of(exact);
                EXPECT_EQ(fast.Digits, expected.Digits) << a << " " << delta;
                EXPECT_EQ(fast.Exponent, expected.Exponent) << a << " " << delta;
                ++decided;
            }
        }
    }
    EXPECT_GT(ties, 2000);
    EXPECT_GT(decided, 6000);
}

#if defined(__x86_64__) && !defined(_WIN32) && LDBL_MANT_DIG == 64
// Here long double is the 80-bit format and the C library prints it exactly rounded (to nearest,
// ties to even), which makes an independent source of the 18 digits.
TEST(FormatExtended, AgreesWithTheCLibraryOnRandomValues) {
    std::mt19937_64 random(20260101);
    for (int i = 0; i < 10000; ++i) {
        TExtended value;
        const std::uint64_t mantissa = random() | (std::uint64_t(1) << 63);
        // Half the values near 1, half over the whole exponent range.
        const int field =
            i % 2 ? static_cast<int>(random() % 0x7FFE) + 1 : 16383 + static_cast<int>(random() % 200) - 100;
        for (int b = 0; b < 8; ++b)
            value.Bytes[b] = static_cast<std::uint8_t>(mantissa >> (8 * b));
        value.Bytes[8] = static_cast<std::uint8_t>(field);
        value.Bytes[9] = static_cast<std::uint8_t>((field >> 8) | (i % 3 == 0 ? 0x80 : 0));
        long double native;
        std::memcpy(&native, value.Bytes, 10);

        char printed[64];
        std::snprintf(printed, sizeof printed, "%.17Le", native < 0 ? -native : native);
        std::string digits18 = std::string(1, printed[0]) + std::string(printed + 2, 17);
        int e = std::atoi(std::strchr(printed, 'e') + 1) + 1;
        // Half up at the 16th digit, then the text.
        std::uint64_t kept = std::stoull(digits18.substr(0, 15)) + (digits18[15] >= '5' ? 1 : 0);
        if (kept == 1000000000000000ull) {
            kept /= 10;
            ++e;
        }
        std::string digits = std::to_string(kept);
        digits.erase(digits.find_last_not_of('0') + 1);
        std::string expected = native < 0 ? "-" : "";
        if (e >= -3 && e <= 15) {
            if (e <= 0)
                expected += "0." + std::string(static_cast<size_t>(-e), '0') + digits;
            else if (static_cast<int>(digits.size()) <= e)
                expected += digits + std::string(static_cast<size_t>(e) - digits.size(), '0');
            else
                expected +=
                    digits.substr(0, static_cast<size_t>(e)) + "." + digits.substr(static_cast<size_t>(e));
        } else {
            expected += digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + "E" +
                        std::to_string(e - 1);
        }
        ASSERT_EQ(FormatExtended(value), expected) << printed;
    }
}
#endif

} // namespace
