#include "formstream/FormText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "formstream/Reader.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/SmallStack.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// Remembers the size of every write it takes; after `failAfter` writes it takes nothing more.
class RecordingStream : public TMemoryStream {
public:
    std::int32_t Write(const void* buffer, std::int32_t count) override {
        writes.push_back(count);
        if (static_cast<int>(writes.size()) > failAfter)
            return 0;
        return TMemoryStream::Write(buffer, count);
    }
    std::vector<std::int32_t> writes;
    int failAfter = 1 << 30;
};

// A memory stream whose block cannot grow beyond its first 8192 bytes.
class SmallMemoryStream : public TMemoryStream {
protected:
    void* Realloc(std::int32_t& newCapacity) override {
        if (newCapacity > kMemoryDelta)
            throw EStreamError(SMemoryStreamError, {});
        return TMemoryStream::Realloc(newCapacity);
    }
};

std::string TextOf(TMemoryStream& stream) {
    return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

std::string Convert(const std::string& file) {
    BytesStream in(file);
    TMemoryStream out;
    FormFileToText(in, out);
    return TextOf(out);
}

// Converts and returns what the output holds together with the message of the error raised.
struct Outcome {
    std::string text;
    std::string error;
};
Outcome ConvertFailing(const std::string& file) {
    BytesStream in(file);
    TMemoryStream out;
    Outcome outcome;
    try {
        FormFileToText(in, out);
    } catch (const Exception& error) {
        outcome.error = error.Message();
    }
    outcome.text = TextOf(out);
    return outcome;
}

// A root form with one property whose value `value` writes; returns the text of that value.
std::string ValueText(const std::function<void(FormBuilder&)>& value) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("P");
    value(f);
    f.EndProps().EndChildren();
    const std::string text = Convert(f.FormFile("TFORM1"));
    const std::string head = "object Form1: TForm1\r\n  P = ";
    const std::string tail = "\r\nend\r\n";
    EXPECT_EQ(text.compare(0, head.size(), head), 0) << text;
    EXPECT_GE(text.size(), head.size() + tail.size());
    return text.substr(head.size(), text.size() - head.size() - tail.size());
}

TEST(FormFileToText, WorkedExample) {
    const unsigned char file[] = {
        0xFF, 0x0A, 0x00, 0x54, 0x46, 0x4F, 0x52, 0x4D, 0x31, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00,
        0x54, 0x50, 0x46, 0x30, 0x06, 0x54, 0x46, 0x6F, 0x72, 0x6D, 0x31, 0x05, 0x46, 0x6F, 0x72, 0x6D,
        0x31, 0x07, 0x43, 0x61, 0x70, 0x74, 0x69, 0x6F, 0x6E, 0x06, 0x04, 0x4D, 0x61, 0x69, 0x6E, 0x00,
        0x06, 0x54, 0x42, 0x65, 0x76, 0x65, 0x6C, 0x06, 0x42, 0x65, 0x76, 0x65, 0x6C, 0x31, 0x0B, 0x48,
        0x65, 0x6C, 0x70, 0x43, 0x6F, 0x6E, 0x74, 0x65, 0x78, 0x74, 0x02, 0x2A, 0x00, 0x00, 0x00,
    };
    const std::string bytes(reinterpret_cast<const char*>(file), sizeof file);
    ASSERT_EQ(bytes.size(), 79u);
    const std::string expected = "object Form1: TForm1\r\n"
                                 "  Caption = 'Main'\r\n"
                                 "  object Bevel1: TBevel\r\n"
                                 "    HelpContext = 42\r\n"
                                 "  end\r\n"
                                 "end\r\n";
    ASSERT_EQ(expected.size(), 101u);
    EXPECT_EQ(Convert(bytes), expected);

    // The builder writes the same records.
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Main").EndProps();
    f.Object("TBevel", "Bevel1").Prop("HelpContext").Int8(42).EndProps().EndChildren();
    f.EndChildren();
    EXPECT_EQ(f.FormData(), bytes.substr(16));
    EXPECT_EQ(Convert(f.FormFile("TFORM1")), expected);
}

TEST(FormFileToText, SingleValues) {
    struct Case {
        std::function<void(FormBuilder&)> value;
        std::string text;
    };
    const Case cases[] = {
        {[](FormBuilder& f) { f.Int8(-1); }, "-1"},
        {[](FormBuilder& f) { f.Int16(-32768); }, "-32768"},
        {[](FormBuilder& f) { f.Int32(2147483647); }, "2147483647"},
        {[](FormBuilder& f) { f.Int32(-2147483647 - 1); }, "-2147483648"},
        {[](FormBuilder& f) {
             f.Set({"biSystemMenu", "biMinimize"});
         },
         "[biSystemMenu, biMinimize]"},
        {[](FormBuilder& f) { f.Set({}); }, "[]"},
        {[](FormBuilder& f) { f.List().String("a").String("b").EndList(); }, "(\r\n    'a'\r\n    'b')"},
        {[](FormBuilder& f) { f.List().EndList(); }, "()"},
        {[](FormBuilder& f) { f.List().List().Int(1).EndList().EndList(); }, "(\r\n    (\r\n      1))"},
        {[](FormBuilder& f) { f.Binary("\x01\xAB\xFF"); }, "{01ABFF}"},
        {[](FormBuilder& f) { f.Binary(""); }, "{}"},
        {[](FormBuilder& f) { f.BinaryCount(-7); }, "{}"},
        {[](FormBuilder& f) { f.Collection().Item(3).Prop("Width").Int8(64).EndItem().EndCollection(); },
         "<\r\n    item [3]\r\n      Width = 64\r\n    end>"},
        {[](FormBuilder& f) {
             f.Collection().Item().Prop("A").True().EndItem().Item().EndItem().EndCollection();
         },
         "<\r\n    item\r\n      A = True\r\n    end\r\n    item\r\n    end>"},
        {[](FormBuilder& f) { f.Collection().EndCollection(); }, "<>"},
        {[](FormBuilder& f) { f.String(""); }, "''"},
        {[](FormBuilder& f) { f.String("It's\r"); }, "'It'#39's'#13"},
        {[](FormBuilder& f) { f.String("\r\n"); }, "#13#10"},
        {[](FormBuilder& f) { f.String(std::string("a\0b\tc", 5)); }, "'a'#0'b'#9'c'"},
        {[](FormBuilder& f) { f.String("'"); }, "#39"},
        {[](FormBuilder& f) { f.String("\x80\xE4\xFF ~"); }, "'\x80\xE4\xFF ~'"},
        {[](FormBuilder& f) { f.Ident("bsSingle"); }, "bsSingle"},
        {[](FormBuilder& f) { f.False(); }, "False"},
        {[](FormBuilder& f) { f.True(); }, "True"},
        {[](FormBuilder& f) { f.Nil(); }, "nil"},
        {[](FormBuilder& f) { f.Extended(1.5); }, "1.5"},
        {[](FormBuilder& f) { f.End(); }, ""}, // the 0 ends the property list: "  P = " stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValueText(c.value), c.text);
}

TEST(FormFileToText, ValuesOfLaterVersions) {
    struct Case {
        std::function<void(FormBuilder&)> value;
        std::string text;
    };
    const float maxSingle = std::numeric_limits<float>::max();
    const float infSingle = std::numeric_limits<float>::infinity();
    const double infDouble = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        // Singles: the fewest digits that read back, laid out like an extended value, then "s".
        {[](FormBuilder& f) { f.Single(0.0f); }, "0s"},
        {[](FormBuilder& f) { f.Single(-0.0f); }, "-0s"},
        {[](FormBuilder& f) { f.Single(1.5f); }, "1.5s"},
        {[](FormBuilder& f) { f.Single(0.1f); }, "0.1s"},
        {[](FormBuilder& f) { f.Single(-123456.75f); }, "-123456.75s"},
        {[](FormBuilder& f) { f.Single(16777216.0f); }, "16777216s"},
        {[](FormBuilder& f) { f.Single(1e14f); }, "100000000000000s"},
        {[](FormBuilder& f) { f.Single(1e15f); }, "1E15s"},
        {[](FormBuilder& f) { f.Single(0.0001f); }, "0.0001s"},
        {[](FormBuilder& f) { f.Single(0.00001f); }, "1E-5s"},
        {[=](FormBuilder& f) { f.Single(maxSingle); }, "3.4028235E38s"},
        {[](FormBuilder& f) { f.Single(std::numeric_limits<float>::min()); }, "1.1754944E-38s"},
        {[](FormBuilder& f) { f.Single(std::numeric_limits<float>::denorm_min()); }, "1E-45s"},
        {[=](FormBuilder& f) { f.Single(infSingle); }, "INFs"},
        {[=](FormBuilder& f) { f.Single(-infSingle); }, "-INFs"},
        {[](FormBuilder& f) { f.Single(std::numeric_limits<float>::quiet_NaN()); }, "NANs"},
        // Doubles: the same with double precision, no suffix; dates end in "d".
        {[](FormBuilder& f) { f.Double(0.1); }, "0.1"},
        {[](FormBuilder& f) { f.Double(1.0 / 3); }, "0.3333333333333333"},
        {[](FormBuilder& f) { f.Double(1e16); }, "1E16"},
        {[](FormBuilder& f) { f.Double(123456789012345680.0); }, "1.2345678901234568E17"},
        {[](FormBuilder& f) { f.Double(std::numeric_limits<double>::max()); }, "1.7976931348623157E308"},
        {[](FormBuilder& f) { f.Double(std::numeric_limits<double>::denorm_min()); }, "5E-324"},
        {[=](FormBuilder& f) { f.Double(-infDouble); }, "-INF"},
        {[](FormBuilder& f) { f.Double(-0.0); }, "-0"},
        {[](FormBuilder& f) { f.Date(0.0); }, "0d"},
        {[](FormBuilder& f) { f.Date(45000.5); }, "45000.5d"},
        {[](FormBuilder& f) { f.Date(-1.25); }, "-1.25d"},
        // Currency in ten-thousandths with "c", and 64-bit integers.
        {[](FormBuilder& f) { f.Currency(0); }, "0c"},
        {[](FormBuilder& f) { f.Currency(12345678); }, "12345678c"},
        {[](FormBuilder& f) { f.Currency(INT64_MIN); }, "-9223372036854775808c"},
        {[](FormBuilder& f) { f.Int64(INT64_MAX); }, "9223372036854775807"},
        {[](FormBuilder& f) { f.Int64(-1); }, "-1"},
        // Wide strings: printable ASCII between apostrophes, every other unit as "#<code>".
        {[](FormBuilder& f) { f.WideString(u""); }, "''"},
        {[](FormBuilder& f) { f.WideString(u"Brak odcink\u00F3w do przeliczania"); },
         "'Brak odcink'#243'w do przeliczania'"},
        {[](FormBuilder& f) { f.WideString(u"\u015Arodek Trakcyjny:"); }, "#346'rodek Trakcyjny:'"},
        {[](FormBuilder& f) { f.WideString(u"It's ~"); }, "'It'#39's ~'"},
        {[](FormBuilder& f) { f.WideString(u"\x1F\x7F\r\n"); }, "#31#127#13#10"},
        {[](FormBuilder& f) { f.WideString(u"\U0001F600!"); }, "#55357#56832'!'"},
        {[](FormBuilder& f) { f.WideString(u"\xD800\xFFFF"); }, "#55296#65535"},
        {[](FormBuilder& f) { f.WideString(std::u16string(300, u'w')); }, "'" + std::string(300, 'w') + "'"},
        // UTF-8 strings: decoded to units, then as wide strings.
        {[](FormBuilder& f) { f.Utf8String(""); }, "''"},
        {[](FormBuilder& f) { f.Utf8String("Poci\xC4\x85gu"); }, "'Poci'#261'gu'"},
        {[](FormBuilder& f) { f.Utf8String("\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"); }, "#2047#2048#65535"},
        {[](FormBuilder& f) { f.Utf8String("\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"); },
         "#55357#56832#56319#57343"},
        {[](FormBuilder& f) { f.Utf8String("\xF0\x90\x80\x80"); }, "#55296#56320"},
        // A byte that starts no valid sequence is the unit of its own value.
        {[](FormBuilder& f) { f.Utf8String("a\x80z"); }, "'a'#128'z'"},
        {[](FormBuilder& f) { f.Utf8String("\xC0\xAF\xC1\xBF"); }, "#192#175#193#191"},
        {[](FormBuilder& f) { f.Utf8String("\xE0\x9F\xBF"); }, "#224#159#191"},
        {[](FormBuilder& f) { f.Utf8String("\xED\xA0\x80"); }, "#237#160#128"},
        {[](FormBuilder& f) { f.Utf8String("\xF4\x90\x80\x80\xF5\x80"); }, "#244#144#128#128#245#128"},
        {[](FormBuilder& f) { f.Utf8String("\xE2\x82x\xE2\x82"); }, "#226#130'x'#226#130"},
        {[](FormBuilder& f) { f.Utf8String("\xC3"); }, "#195"},
        // In lists and collection items alike.
        {[](FormBuilder& f) {
             f.List().Single(2.5f).Currency(-5).Date(1).WideString(u"w").Int64(7).Utf8String("u").Double(0.5);
             f.EndList();
         },
         "(\r\n    2.5s\r\n    -5c\r\n    1d\r\n    'w'\r\n    7\r\n    'u'\r\n    0.5)"},
        {[](FormBuilder& f) {
             f.Collection().Item(1).Prop("A").WideString(u"\u00E9").Prop("B").Int64(1LL << 40).EndItem();
             f.EndCollection();
         },
         "<\r\n    item [1]\r\n      A = #233\r\n      B = 1099511627776\r\n    end>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValueText(c.value), c.text);
}

// Every value of a later version cut short at each of its bytes, inside the count or the payload:
// "Stream read error", and nothing of the value in the text.
TEST(FormFileToText, ValuesOfLaterVersionsCutShort) {
    const std::function<void(FormBuilder&)> values[] = {
        [](FormBuilder& f) { f.Single(1.5f); }, [](FormBuilder& f) { f.Currency(1); },
        [](FormBuilder& f) { f.Date(2); },      [](FormBuilder& f) { f.WideString(u"\u00E9t\u00E9"); },
        [](FormBuilder& f) { f.Int64(3); },     [](FormBuilder& f) { f.Utf8String("\xC3\xA9t\xC3\xA9"); },
        [](FormBuilder& f) { f.Double(4); },
    };
    const std::string head = "object Form1: TForm1\r\n  P = ";
    for (const auto& value : values) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("P");
        const std::string file = f.FormFile("TFORM1");
        value(f);
        const std::string whole = f.FormFile("TFORM1");
        // The header's size field differs; the value's bytes follow the property name in both.
        for (size_t cut = file.size() + 1; cut < whole.size(); ++cut) {
            const Outcome outcome = ConvertFailing(whole.substr(0, cut));
            EXPECT_EQ(outcome.error, "Stream read error") << cut;
            EXPECT_EQ(outcome.text, head) << cut;
        }
    }
}

TEST(FormFileToText, CountsOfLaterStringsAreNotTrusted) {
    const std::pair<std::function<void(FormBuilder&)>, const char*> cases[] = {
        {[](FormBuilder& f) { f.WideStringCount(0x80000000u).Bytes("abcd"); }, "Invalid property value"},
        {[](FormBuilder& f) { f.Utf8StringCount(0xFFFFFFFFu).Bytes("abcd"); }, "Invalid property value"},
        // The largest counts fail on the data, with nothing allocated on their word.
        {[](FormBuilder& f) { f.WideStringCount(0x7FFFFFFFu).Bytes("abcd"); }, "Stream read error"},
        {[](FormBuilder& f) { f.Utf8StringCount(0x7FFFFFFFu).Bytes("abcd"); }, "Stream read error"},
    };
    for (const auto& c : cases) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("P");
        c.first(f);
        f.EndProps().EndChildren();
        const Outcome outcome = ConvertFailing(f.FormFile("TFORM1"));
        EXPECT_EQ(outcome.error, c.second);
        EXPECT_EQ(outcome.text, "object Form1: TForm1\r\n  P = ");
    }
}

TEST(FormFileToText, NullValueLeavesTheTrailingBlank) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Tag").EndProps().EndChildren();
    EXPECT_EQ(Convert(f.FormFile("X")), "object Form1: TForm1\r\n  Tag = \r\nend\r\n");
}

TEST(FormFileToText, BinaryBlockLines) {
    std::string bytes31(31, '\xA5'), bytes32(32, '\x0F'), bytes65;
    for (int i = 0; i < 65; ++i)
        bytes65 += static_cast<char>(i);
    std::string digits31;
    for (int i = 0; i < 31; ++i)
        digits31 += "A5";
    EXPECT_EQ(ValueText([&](FormBuilder& f) { f.Binary(bytes31); }), "{" + digits31 + "}");
    std::string digits32;
    for (int i = 0; i < 32; ++i)
        digits32 += "0F";
    EXPECT_EQ(ValueText([&](FormBuilder& f) { f.Binary(bytes32); }), "{\r\n    " + digits32 + "}");
    const std::string text65 = ValueText([&](FormBuilder& f) { f.Binary(bytes65); });
    EXPECT_EQ(text65, "{\r\n    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
                      "\r\n    202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F"
                      "\r\n    40}");
}

// Every byte value, in blocks that cross the reader's and the writer's buffers in the middle of a
// line, against digits made one byte at a time.
TEST(FormFileToText, BinaryBlockDigitsAcrossBuffers) {
    for (const int size : {4096, 5003, 9000}) {
        std::string bytes, expected = "{";
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((i * 7 + i / 256) & 0xFF);
            if (i % 32 == 0)
                expected += "\r\n    ";
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(bytes.back()));
            expected += digits;
        }
        EXPECT_EQ(ValueText([&](FormBuilder& f) { f.Binary(bytes); }), expected + "}") << size;
    }
}

// Property lines of every common kind at every offset to the reader's and the writer's buffer
// edges: a first string of each length from 0 to 255 shifts the lines behind it, which run on far
// past the first 4096 bytes of either buffer.
TEST(FormFileToText, PropertyLinesAcrossBuffers) {
    struct Line {
        std::function<void(FormBuilder&)> value;
        std::string text;
    };
    const Line lines[] = {
        {[](FormBuilder& f) { f.Int8(-1); }, "-1"},
        {[](FormBuilder& f) { f.Int16(-32768); }, "-32768"},
        {[](FormBuilder& f) { f.Int32(-2147483647 - 1); }, "-2147483648"},
        {[](FormBuilder& f) {
             f.Set({"akLeft", "akTop"});
         },
         "[akLeft, akTop]"},
        {[](FormBuilder& f) { f.Set({}); }, "[]"},
        {[](FormBuilder& f) { f.String("It's\r"); }, "'It'#39's'#13"},
        {[](FormBuilder& f) { f.String(""); }, "''"},
        {[](FormBuilder& f) { f.String(std::string(90, '\x01')); },
         [] {
             std::string codes;
             for (int i = 0; i < 90; ++i)
                 codes += "#1";
             return codes;
         }()},
        {[](FormBuilder& f) { f.String(std::string(200, 'x')); }, "'" + std::string(200, 'x') + "'"},
        {[](FormBuilder& f) { f.Ident("bsSingle"); }, "bsSingle"},
        {[](FormBuilder& f) { f.False(); }, "False"},
        {[](FormBuilder& f) { f.True(); }, "True"},
        {[](FormBuilder& f) { f.Nil(); }, "nil"},
        {[](FormBuilder& f) { f.Extended(-0.000125); }, "-0.000125"},
        {[](FormBuilder& f) { f.List().Int(1).EndList(); }, "(\r\n    1)"},
    };
    for (int shift = 0; shift < 256; ++shift) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("Shift").String(std::string(static_cast<size_t>(shift), 'a'));
        std::string expected =
            "object Form1: TForm1\r\n  Shift = '" + std::string(static_cast<size_t>(shift), 'a') + "'\r\n";
        if (shift == 0)
            expected = "object Form1: TForm1\r\n  Shift = ''\r\n";
        for (int round = 0; round < 12; ++round) {
            for (const Line& line : lines) {
                const std::string name = "P" + std::string(static_cast<size_t>(round * 20), 'n');
                f.Prop(name);
                line.value(f);
                expected += "  " + name + " = " + line.text + "\r\n";
            }
        }
        f.EndProps().EndChildren();
        expected += "end\r\n";
        ASSERT_GT(expected.size(), 3 * 4096u);
        ASSERT_EQ(Convert(f.FormFile("TFORM1")), expected) << shift;
    }
}

TEST(FormFileToText, LongStringStaysOnOneLine) {
    std::string text300;
    for (int i = 0; i < 300; ++i)
        text300 += static_cast<char>('a' + i % 26);
    EXPECT_EQ(ValueText([&](FormBuilder& f) { f.LongString(text300); }), "'" + text300 + "'");

    // Pieces of a long string meet without closing the quotes between them.
    std::string mixed(5000, 'q');
    mixed[255] = '\'';
    mixed[256] = '\n';
    mixed[4999] = '\r';
    EXPECT_EQ(ValueText([&](FormBuilder& f) { f.LongString(mixed); }),
              "'" + std::string(255, 'q') + "'#39#10'" + std::string(4742, 'q') + "'#13");
}

TEST(FormFileToText, StringCutShortLeavesNothingOfItself) {
    // The text ends with the property's " = ": no quote and no piece of the string.
    for (const std::uint32_t count : {300u, 5000u}) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("P").LongStringCount(count).Bytes(std::string(count - 20, 'a'));
        const Outcome outcome = ConvertFailing(f.FormFile("TFORM1"));
        EXPECT_EQ(outcome.error, "Stream read error");
        EXPECT_EQ(outcome.text, "object Form1: TForm1\r\n  P = ") << count;
        EXPECT_EQ(outcome.text.size(), 28u);
    }
}

TEST(FormFileToText, ComponentHeaders) {
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps();
    f.Object("TBevel").EndProps().EndChildren();
    f.Inherited("TBevel", "Bevel1").EndProps().EndChildren();
    f.ObjectAt("TBevel", "Bevel2", 2).EndProps().EndChildren();
    f.ObjectAt("TPanel", "Panel1", -3, true).EndProps();
    f.Prefix(0xFC).Object("TLabel", "Label1").EndProps().EndChildren(); // bits 2 and 3 mean nothing
    f.EndChildren();
    f.EndChildren();
    EXPECT_EQ(Convert(f.FormFile("TFORM1")), "object Form1: TForm1\r\n"
                                             "  object TBevel\r\n"
                                             "  end\r\n"
                                             "  inherited Bevel1: TBevel\r\n"
                                             "  end\r\n"
                                             "  object Bevel2: TBevel [2]\r\n"
                                             "  end\r\n"
                                             "  inherited Panel1: TPanel [-3]\r\n"
                                             "    object Label1: TLabel\r\n"
                                             "    end\r\n"
                                             "  end\r\n"
                                             "end\r\n");
}

TEST(FormFileToText, FloatValuesInAForm) {
    EXPECT_EQ(ValueText([](FormBuilder& f) { f.Extended(-0.00123); }), "-0.00123");
    EXPECT_EQ(ValueText([](FormBuilder& f) {
                  f.ExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F});
              }),
              "NAN");
}

TEST(FormFileToText, WriterHandsOnWholeBuffers) {
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps();
    for (int i = 0; i < 500; ++i)
        f.Object("TLabel", "Label" + std::to_string(i)).Prop("HelpContext").Int(i).EndProps().EndChildren();
    f.EndChildren();
    BytesStream in(f.FormFile("TFORM1"));
    RecordingStream out;
    FormFileToText(in, out);
    ASSERT_GT(out.Size(), 3 * 4096);
    ASSERT_GE(out.writes.size(), 2u);
    for (size_t i = 0; i + 1 < out.writes.size(); ++i)
        EXPECT_EQ(out.writes[i], 4096);
    EXPECT_GT(out.writes.back(), 0);
    EXPECT_LE(out.writes.back(), 4096);
    EXPECT_EQ(out.Size(), 4096 * static_cast<std::int32_t>(out.writes.size() - 1) + out.writes.back());
}

TEST(FormFileToText, WritesAtTheOutputPositionAndReadsNothingAfterTheRoot) {
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps().EndChildren();
    const std::string file = f.FormFile("TFORM1");
    BytesStream in(file + "trailing bytes that are never read");
    BytesStream out("prefix:");
    out.Seek(0, soFromEnd);
    FormFileToText(in, out);
    EXPECT_EQ(TextOf(out), "prefix:object Form1: TForm1\r\nend\r\n");
    EXPECT_EQ(in.Position(), static_cast<std::int32_t>(file.size()));
}

TEST(FormFileToText, OutputHoldsTheTextMadeBeforeAFailure) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Main").Prop("Width").Int16(300);
    const std::string file = f.FormFile("TFORM1");
    const Outcome cut = ConvertFailing(file.substr(0, file.size() - 1));
    EXPECT_EQ(cut.error, "Stream read error");
    EXPECT_EQ(cut.text, "object Form1: TForm1\r\n  Caption = 'Main'\r\n  Width = ");

    const Outcome text = ConvertFailing("object Form1: TForm1\r\nend\r\n");
    EXPECT_EQ(text.error, "Invalid stream format");
    EXPECT_EQ(text.text, "");
}

// Every step writes what it has before it reads on: a name cut short leaves its indentation, a
// multi-line binary block cut short leaves the line end and indentation of the line it was reading.
TEST(FormFileToText, TextBeforeTheFailingReadStays) {
    FormBuilder name;
    name.Object("TForm1", "Form1").Byte(7).Bytes("Cap");
    EXPECT_EQ(ConvertFailing(name.FormFile("TFORM1")).text, "object Form1: TForm1\r\n  ");
    FormBuilder block;
    block.Object("TForm1", "Form1").Prop("Data").BinaryCount(64).Bytes(std::string(40, '\x11'));
    EXPECT_EQ(ConvertFailing(block.FormFile("TFORM1")).text,
              "object Form1: TForm1\r\n  Data = {\r\n    " + std::string(64, '1') + "\r\n    ");
}

TEST(FormFileToText, OutputErrorsPassThrough) {
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps();
    for (int i = 0; i < 2000; ++i)
        f.Object("TLabel", "Label" + std::to_string(i)).EndProps().EndChildren();
    f.EndChildren();
    const std::string file = f.FormFile("TFORM1");
    {
        BytesStream in(file);
        RecordingStream out;
        out.failAfter = 2;
        try {
            FormFileToText(in, out);
            FAIL() << "no error";
        } catch (const EWriteError& error) {
            EXPECT_EQ(error.Message(), "Stream write error");
        }
        EXPECT_EQ(out.Size(), 2 * 4096);
        EXPECT_EQ(out.writes.size(), 3u); // the refused block is not offered again
    }
    {
        BytesStream in(file);
        SmallMemoryStream out;
        try {
            FormFileToText(in, out);
            FAIL() << "no error";
        } catch (const EStreamError& error) {
            EXPECT_EQ(error.Message(), "Out of memory while expanding memory stream");
        }
        EXPECT_EQ(out.Size(), 8192);
    }
}

TEST(FormFileToText, RejectsBadTagsCleanly) {
    const std::pair<std::function<void(FormBuilder&)>, const char*> cases[] = {
        {[](FormBuilder& f) { f.Byte(22); }, "Invalid property value"},
        {[](FormBuilder& f) { f.Byte(0xFF); }, "Invalid property value"},
        {[](FormBuilder& f) { f.List().Byte(22).EndList(); }, "Invalid property value"},
        {[](FormBuilder& f) { f.Collection().Item().Prop("A").Byte(22).EndItem().End(); },
         "Invalid property value"},
        {[](FormBuilder& f) { f.LongStringCount(0xFFFFFFF0u).Bytes("abc"); }, "Invalid property value"},
        {[](FormBuilder& f) { f.Collection().Int(1).True().End(); }, "Invalid property value"},
        {[](FormBuilder& f) { f.BinaryCount(0x7FFFFFFF).Bytes("0123456789"); }, "Stream read error"},
        {[](FormBuilder& f) { f.LongStringCount(0x7FFFFFFF).Bytes("0123456789"); }, "Stream read error"},
    };
    for (const auto& c : cases) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("P");
        c.first(f);
        f.EndProps().EndChildren();
        EXPECT_EQ(ConvertFailing(f.FormFile("TFORM1")).error, c.second);
    }
}

// Hostile nesting, converted on a thread with a small stack: every shape ends by itself, either
// converted (at the bound) or with the nesting error (past it), never by overflowing the stack.
TEST(FormFileToText, BoundsNestingOnASmallStack) {
    // A root form whose property P holds `value`.
    const auto form = [](const std::function<void(FormBuilder&)>& value) {
        FormBuilder f;
        f.Object("TForm1", "Form1").Prop("P");
        value(f);
        f.EndProps().EndChildren();
        return f.FormFile("TFORM1");
    };
    const auto nestedLists = [&](int depth) {
        return form([depth](FormBuilder& f) {
            for (int i = 0; i < depth; ++i)
                f.List();
            for (int i = 0; i < depth; ++i)
                f.EndList();
        });
    };
    // Each collection's single item holds the next collection in its property X.
    const auto nestedCollections = [&](int depth) {
        return form([depth](FormBuilder& f) {
            for (int i = 0; i < depth; ++i)
                f.Collection().Item().Prop("X");
            f.Int(1);
            for (int i = 0; i < depth; ++i)
                f.EndItem().EndCollection();
        });
    };
    const auto nestedComponents = [](int depth) {
        FormBuilder f;
        for (int i = 0; i < depth; ++i)
            f.Object("TPanel", "P" + std::to_string(i)).EndProps();
        for (int i = 0; i < depth; ++i)
            f.EndChildren();
        return f.FormFile("TFORM1");
    };
    // Lists, collections and components in turn, each a level.
    const auto mixed = [](int depth) {
        FormBuilder f;
        int open = 0;
        for (; open + 3 <= depth; open += 3)
            f.Object("TPanel", "P")
                .Prop("L")
                .List()
                .Collection()
                .Item()
                .Prop("X")
                .Int(1)
                .EndItem()
                .EndCollection()
                .EndList()
                .EndProps();
        for (int i = 0; i < open / 3; ++i)
            f.EndChildren();
        return f.FormFile("TFORM1");
    };
    // Items without their list tag: the value in its place is skipped, and it is the next such
    // collection, for ever.
    const auto skippedCollections = [&](int count) {
        return form([count](FormBuilder& f) {
            for (int i = 0; i < count; ++i)
                f.Collection();
        });
    };
    // An item lacks its list tag; the collection skipped in its place holds lists `depth` deep.
    const auto skippedLists = [&](int depth) {
        return form([depth](FormBuilder& f) {
            f.Collection().Collection().Item().Prop("X");
            for (int i = 0; i < depth; ++i)
                f.List();
            for (int i = 0; i < depth; ++i)
                f.EndList();
            f.EndItem().EndCollection().EndCollection();
        });
    };
    // The form of the crash report, byte for byte: property P of Form1 holds 200 001 bytes 0E.
    const std::string crash = std::string("\xFF\x0A\x00\x00\x30\x10\x00\x00\x00\x00"
                                          "TPF0\x06TForm1\x05"
                                          "Form1\x01P",
                                          29) +
                              std::string(200001, '\x0E');
    ASSERT_EQ(crash.size(), 29u + 200001u);

    struct Case {
        const char* what;
        std::string file;
        const char* error;
    };
    const Case cases[] = {
        // The form takes one level, each list or collection one more.
        {"lists at the bound", nestedLists(kMaxFormNesting - 1), ""},
        {"lists past the bound", nestedLists(kMaxFormNesting), "Form nesting too deep"},
        {"endless lists", nestedLists(100000), "Form nesting too deep"},
        {"collections at the bound", nestedCollections(kMaxFormNesting - 1), ""},
        {"collections past the bound", nestedCollections(kMaxFormNesting), "Form nesting too deep"},
        {"endless collections", nestedCollections(100000), "Form nesting too deep"},
        {"components at the bound", nestedComponents(kMaxFormNesting), ""},
        {"endless components", nestedComponents(100000), "Form nesting too deep"},
        {"mixed at the bound", mixed(kMaxFormNesting - kMaxFormNesting % 3), ""},
        {"endless mixed", mixed(100000), "Form nesting too deep"},
        {"skipped collections", skippedCollections(100000), "Form nesting too deep"},
        // The form, the collection and the skipped one take three levels.
        {"skipped lists at the bound", skippedLists(kMaxFormNesting - 3), "Invalid property value"},
        {"skipped lists past the bound", skippedLists(kMaxFormNesting - 2), "Form nesting too deep"},
        {"endless skipped lists", skippedLists(100000), "Form nesting too deep"},
        {"the crash report", crash, "Form nesting too deep"},
    };
    for (const Case& c : cases) {
        Outcome outcome;
        RunOnSmallStack([&] { outcome = ConvertFailing(c.file); });
        EXPECT_EQ(outcome.error, c.error) << c.what;
    }
}

// ---- Real-world forms

std::vector<fs::path> BinaryFormsIn(const std::string& folder) {
    std::vector<fs::path> forms;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const std::string head = ReadWholeFile(entry.path().string()).substr(0, 3);
        if (head == std::string("\xFF\x0A\x00", 3))
            forms.push_back(entry.path());
    }
    return forms;
}

int IndentOf(const std::string& line) {
    return static_cast<int>(line.find_first_not_of(' '));
}

// Every binary form of the real-world corpus, those that later versions re-saved with wide and
// UTF-8 strings included, converts with each component's "end" at its header's indentation. The
// damaged forms (every CR or LF byte stored as CR LF, so they begin FF 0D 0A) fail cleanly.
TEST(FormFileToText, RealWorldBinaryFormsConvertBalanced) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus folder";
    int converted = 0, damaged = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        const std::string bytes = ReadWholeFile(entry.path().string());
        if (bytes.compare(0, 4, "\xFF\x0D\x0A\x00", 4) == 0) {
            EXPECT_NE(ConvertFailing(bytes).error, "") << entry.path();
            ++damaged;
            continue;
        }
        if (bytes.compare(0, 3, "\xFF\x0A\x00", 3) != 0)
            continue;
        const Outcome outcome = ConvertFailing(bytes);
        EXPECT_EQ(outcome.error, "") << entry.path();
        std::vector<int> open;
        size_t start = 0;
        while (start < outcome.text.size()) {
            const size_t end = outcome.text.find("\r\n", start);
            ASSERT_NE(end, std::string::npos) << entry.path();
            const std::string line = outcome.text.substr(start, end - start);
            start = end + 2;
            const int indent = IndentOf(line);
            const std::string rest = indent < 0 ? "" : line.substr(static_cast<size_t>(indent));
            // Only component lines count: an item's "end" stands deeper than its component's.
            if (rest.rfind("object ", 0) == 0 || rest.rfind("inherited ", 0) == 0)
                open.push_back(indent);
            else if (rest == "end" && !open.empty() && open.back() == indent)
                open.pop_back();
        }
        EXPECT_TRUE(open.empty()) << entry.path();
        ++converted;
    }
    EXPECT_GT(converted, 0);
    RecordProperty("converted", converted);
    RecordProperty("damaged", damaged);
}

// The traincalc project saved its forms as text, so they show how the environment itself writes
// a wide string. Each of their one-line string values, read back into UTF-16 units and stored as
// a wide string, converts to the same text.
TEST(FormFileToText, WideStringsMatchTheEnvironmentsOwnText) {
    const std::string corpus = CorpusDir();
    const fs::path folder = corpus.empty() ? fs::path() : fs::path(corpus) / "realworld" / "traincalc";
    if (corpus.empty() || !fs::is_directory(folder))
        GTEST_SKIP() << "no traincalc forms in the corpus";
    // The units of a string literal: quoted runs of characters and #<code> units.
    const auto unitsOf = [](const std::string& literal, std::u16string& units) {
        for (size_t i = 0; i < literal.size();) {
            if (literal[i] == '#') {
                size_t end = i + 1;
                while (end < literal.size() && std::isdigit(static_cast<unsigned char>(literal[end])))
                    ++end;
                if (end == i + 1)
                    return false;
                units += static_cast<char16_t>(std::stoul(literal.substr(i + 1, end - i - 1)));
                i = end;
            } else if (literal[i] == '\'') {
                const size_t close = literal.find('\'', i + 1);
                if (close == std::string::npos)
                    return false;
                for (size_t c = i + 1; c < close; ++c)
                    units += static_cast<char16_t>(static_cast<unsigned char>(literal[c]));
                i = close + 1;
            } else {
                return false;
            }
        }
        return true;
    };
    int compared = 0, withCodes = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string text = ReadWholeFile(entry.path().string());
        if (text.rfind("object ", 0) != 0)
            continue;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t equals = line.find(" = ");
            if (equals == std::string::npos || equals + 3 >= line.size())
                continue;
            const std::string literal = line.substr(equals + 3);
            std::u16string units;
            if ((literal[0] != '\'' && literal[0] != '#') || !unitsOf(literal, units) || units.empty())
                continue;
            EXPECT_EQ(ValueText([&](FormBuilder& f) { f.WideString(units); }), literal) << line;
            ++compared;
            withCodes += literal.find('#') != std::string::npos;
        }
    }
    EXPECT_GT(compared, 0);
    EXPECT_GT(withCodes, 0);
}

// The text twins were written by the development environment, which breaks long strings into
// "'...' +" pieces on lines of their own; joining them gives this program's one-line form.
std::vector<std::string> UnwrapTwinLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    std::vector<std::string> joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string current = lines[i];
        const bool opensWrap = current.size() >= 3 && current.compare(current.size() - 3, 3, " = ") == 0 &&
                               i + 1 < lines.size() &&
                               lines[i + 1].find_first_not_of(' ') != std::string::npos &&
                               lines[i + 1][lines[i + 1].find_first_not_of(' ')] != '(' &&
                               lines[i + 1][lines[i + 1].find_first_not_of(' ')] != '{';
        if (opensWrap) {
            bool more = true;
            while (more && i + 1 < lines.size()) {
                std::string piece = lines[++i];
                piece.erase(0, piece.find_first_not_of(' '));
                more = piece.size() >= 2 && piece.compare(piece.size() - 2, 2, " +") == 0;
                if (more)
                    piece.resize(piece.size() - 2);
                if (!current.empty() && current.back() == '\'' && !piece.empty() && piece[0] == '\'') {
                    current.pop_back();
                    piece.erase(0, 1);
                }
                current += piece;
            }
        }
        joined.push_back(current);
    }
    return joined;
}

TEST(FormFileToText, MatchesTheTextTwinsOfRealWorldForms) {
    const std::string corpus = CorpusDir();
    const fs::path pairs = corpus.empty() ? fs::path() : fs::path(corpus) / "realworld" / "pairs";
    if (corpus.empty() || !fs::is_directory(pairs))
        GTEST_SKIP() << "no pairs in the corpus";
    // Projects whose twins hold the same form; others were edited after the conversion.
    int compared = 0;
    for (const char* project : {"innosetup", "quark"}) {
        const fs::path binary = pairs / project / "binary";
        if (!fs::is_directory(binary))
            continue;
        for (const fs::path& form : BinaryFormsIn(binary.string())) {
            const fs::path textFolder = pairs / project / "text" / fs::relative(form.parent_path(), binary);
            const std::string lower = [&] {
                std::string name = form.filename().string();
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                return name;
            }();
            fs::path twin;
            for (const auto& entry : fs::directory_iterator(textFolder)) {
                std::string name = entry.path().filename().string();
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (name == lower)
                    twin = entry.path();
            }
            if (twin.empty())
                continue;
            const std::string text = Convert(ReadWholeFile(form.string()));
            EXPECT_EQ(UnwrapTwinLines(text), UnwrapTwinLines(ReadWholeFile(twin.string()))) << form;
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}

} // namespace
