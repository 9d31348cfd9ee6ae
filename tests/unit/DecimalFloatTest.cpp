#include "formstream/DecimalFloat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "formstream/NumberText.h"
#include "formstream/Reader.h"

namespace {

// "[-]digits[.digits][E[-]digits]" as the tokenizer hands it over.
TDecimal Parse(const std::string& text) {
    TDecimal decimal;
    std::size_t i = 0;
    if (text[i] == '-') {
        decimal.Negative = true;
        ++i;
    }
    bool fraction = false;
    for (; i < text.size() && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            fraction = true;
            continue;
        }
        if (decimal.Digits.empty() && text[i] == '0') {
            decimal.Exponent -= fraction ? 1 : 0;
            continue;
        }
        decimal.Digits += text[i];
        decimal.Exponent -= fraction ? 1 : 0;
    }
    if (i < text.size())
        decimal.Exponent += std::stoll(text.substr(i + 1));
    return decimal;
}

std::string Hex(const TExtended& value) {
    char text[24];
    std::snprintf(text, sizeof text, "%02X%02X:%016" PRIX64, value.Bytes[9], value.Bytes[8],
                  value.Mantissa());
    return text;
}

std::string Extended(const std::string& decimal) {
    TExtended value;
    return DecimalToExtended(Parse(decimal), value) ? Hex(value) : "out of range";
}

TEST(DecimalFloat, ExtendedIsTheNearestValueTiesToEven) {
    struct Case {
        const char* decimal;
        const char* bits; // sign and exponent field : mantissa
    };
    const Case cases[] = {
        {"0", "0000:0000000000000000"},
        {"-0.0", "8000:0000000000000000"},
        {"1", "3FFF:8000000000000000"},
        {"-1.5", "BFFF:C000000000000000"},
        {"0.1", "3FFB:CCCCCCCCCCCCCCCD"},
        {"0.3", "3FFD:999999999999999A"},
        {"3.14159265358979324", "4000:C90FDAA22168C23C"},
        // 2^64 + 1 lies halfway between 2^64 and 2^64 + 2: the even mantissa wins.
        {"18446744073709551617", "403F:8000000000000000"},
        // 2^64 + 3 lies halfway between 2^64 + 2 (odd) and 2^64 + 4 (even).
        {"18446744073709551619", "403F:8000000000000002"},
        // Just above the first halfway point: up.
        {"18446744073709551617.000000000000000000000000001", "403F:8000000000000001"},
        {"1.18973149535723176502E4932", "7FFE:FFFFFFFFFFFFFFFF"},
        {"1.18973149535723176509E4932", "out of range"},
        {"1E5000", "out of range"},
        // The smallest normal, the smallest subnormal, and half of it (a tie with zero).
        {"3.36210314311209350626E-4932", "0001:8000000000000000"},
        {"3.6451995318824746025E-4951", "0000:0000000000000001"},
        {"1.8225997659412373012E-4951", "0000:0000000000000000"},
        {"1.8225997659412373013E-4951", "0000:0000000000000001"},
        {"1E-6000", "0000:0000000000000000"},
        {"123456.75", "400F:F120600000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Extended(c.decimal), c.bits) << c.decimal;
}

TEST(DecimalFloat, DroppedDigitsDecideATie) {
    TDecimal decimal = Parse("18446744073709551617");
    decimal.Inexact = true; // more nonzero digits followed: above the halfway point
    TExtended value;
    ASSERT_TRUE(DecimalToExtended(decimal, value));
    EXPECT_EQ(Hex(value), "403F:8000000000000001");
}

TEST(DecimalFloat, SingleAndDoubleAreCorrectlyRounded) {
    struct Case {
        const char* decimal;
        std::uint64_t doubleBits;
        std::uint32_t singleBits;
    };
    const Case cases[] = {
        {"0.1", 0x3FB999999999999Aull, 0x3DCCCCCDu},
        {"-2.5", 0xC004000000000000ull, 0xC0200000u},
        {"16777217", 0x4170000010000000ull, 0x4B800000u},         // single: a tie, to even
        {"9007199254740993", 0x4340000000000000ull, 0x5A000000u}, // double: a tie, to even
        {"4.9406564584124654E-324", 0x0000000000000001ull, 0},
        {"2.2250738585072011E-308", 0x000FFFFFFFFFFFFFull, 0},
        {"1.4E-45", 0x369FF868BF4D956Aull, 0x00000001u},
        {"3.4028235E38", 0x47EFFFFFE54DAFF8ull, 0x7F7FFFFFu},
        {"36526.5", 0x40E1D5D000000000ull, 0x470EAE80u},
    };
    for (const Case& c : cases) {
        std::uint64_t doubleBits = 0;
        std::uint32_t singleBits = 0;
        EXPECT_TRUE(DecimalToDouble(Parse(c.decimal), doubleBits));
        EXPECT_TRUE(DecimalToSingle(Parse(c.decimal), singleBits));
        EXPECT_EQ(doubleBits, c.doubleBits) << c.decimal;
        EXPECT_EQ(singleBits, c.singleBits) << c.decimal;
    }
    std::uint32_t singleBits = 0;
    std::uint64_t doubleBits = 0;
    EXPECT_FALSE(DecimalToSingle(Parse("3.4028236E38"), singleBits));
    EXPECT_FALSE(DecimalToDouble(Parse("1.8E308"), doubleBits));
}

// The host's own correctly rounded conversions are the reference here, on random decimals of every
// length and range; the converter under test uses none of them.
TEST(DecimalFloat, AgreesWithTheHostOnRandomDecimals) {
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime of MinGW does not promise correctly rounded conversions";
#endif
    std::mt19937_64 random(1234);
    for (int i = 0; i < 20000; ++i) {
        std::string text = std::to_string(random() % 1000000000000000000ull);
        text.resize(1 + random() % text.size());
        if (random() % 2 == 0)
            text.insert(1 + random() % text.size(), ".");
        const int exponent = static_cast<int>(random() % 700) - 350;
        const std::string decimal = text + "E" + std::to_string(exponent);

        std::uint64_t bits = 0;
        const double expected = std::strtod(decimal.c_str(), nullptr);
        if (expected > DBL_MAX) {
            ASSERT_FALSE(DecimalToDouble(Parse(decimal), bits)) << decimal;
            continue;
        }
        ASSERT_TRUE(DecimalToDouble(Parse(decimal), bits)) << decimal;
        std::uint64_t expectedBits = 0;
        std::memcpy(&expectedBits, &expected, sizeof expected);
        ASSERT_EQ(bits, expectedBits) << decimal;

#if LDBL_MANT_DIG == 64 && !defined(_WIN32)
        TExtended value;
        ASSERT_TRUE(DecimalToExtended(Parse(decimal), value));
        const long double reference = std::strtold(decimal.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(value.Bytes, &reference, 10), 0) << decimal;
#endif
    }
}

// The text of an extended value reads back as the same value whenever 15 digits carry it, and as
// a value with the same text otherwise.
TEST(DecimalFloat, FormattedExtendedValuesReadBackToTheSameText) {
    std::mt19937_64 random(99);
    for (int i = 0; i < 5000; ++i) {
        TExtended value;
        const std::uint64_t mantissa = random() | (std::uint64_t(1) << 63);
        const auto field = static_cast<std::uint16_t>(16383 - 200 + random() % 400);
        for (int b = 0; b < 8; ++b)
            value.Bytes[b] = static_cast<std::uint8_t>(mantissa >> (8 * b));
        value.Bytes[8] = static_cast<std::uint8_t>(field);
        value.Bytes[9] = static_cast<std::uint8_t>(field >> 8);
        const std::string text = FormatExtended(value);
        TExtended back;
        ASSERT_TRUE(DecimalToExtended(Parse(text), back)) << text;
        ASSERT_EQ(FormatExtended(back), text);
    }
}

TEST(DecimalFloat, ScaledIntegersRoundHalfToEven) {
    struct Case {
        const char* decimal;
        int scale;
        bool inRange;
        std::int64_t value;
    };
    const Case cases[] = {
        {"12.5", 4, true, 125000},
        {"0.00005", 4, true, 0},
        {"0.00015", 4, true, 2},
        {"0.000150001", 4, true, 2},
        {"0.000149", 4, true, 1},
        {"-1.00005", 4, true, -10000},
        {"922337203685477.5807", 4, true, INT64_MAX},
        {"-922337203685477.5808", 4, true, INT64_MIN},
        {"922337203685477.5808", 4, false, 0},
        {"0E99999", 4, true, 0},
        {"9223372036854775807", 0, true, INT64_MAX},
        {"9223372036854775808", 0, false, 0},
        {"123456789012345678901234567890", 0, false, 0},
        {"1E-30", 0, true, 0},
    };
    for (const Case& c : cases) {
        std::int64_t value = 0;
        EXPECT_EQ(DecimalToScaledInteger(Parse(c.decimal), c.scale, value), c.inRange) << c.decimal;
        if (c.inRange) {
            EXPECT_EQ(value, c.value) << c.decimal;
        }
    }
}

} // namespace
