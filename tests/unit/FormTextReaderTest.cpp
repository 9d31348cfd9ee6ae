#include "formstream/FormTextReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <random>

#include "formstream/FormText.h"
#include "formstream/NumberText.h"
#include "formstream/Reader.h"
#include "runtime/Exceptions.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/SmallStack.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

std::string ToFormFile(const std::string& text, const TFormTextOptions& options = {}) {
    BytesStream input(text);
    return FormTextToFormFile(input, options);
}

// The form data behind the resource header, which a one-letter name makes 11 bytes long.
std::string ToBinary(const std::string& text, TWideStringFormat wide = wsUtf16) {
    return ToFormFile(text, {"F", wide}).substr(11);
}

std::string ToText(const std::string& formFile) {
    BytesStream input(formFile);
    TMemoryStream output;
    FormFileToText(input, output);
    return std::string(output.Memory(), static_cast<std::size_t>(output.Size()));
}

// The bytes of the one value of property P in a form "object A: TA".
std::string ValueBytes(const std::string& valueText, TWideStringFormat wide = wsUtf16) {
    const std::string data = ToBinary("object A: TA\r\n  P = " + valueText + "\r\nend\r\n", wide);
    const std::string head = std::string("TPF0\x02TA\x01"
                                         "A\x01P",
                                         11);
    const std::string tail(2, '\0');
    EXPECT_EQ(data.compare(0, head.size(), head), 0);
    EXPECT_GE(data.size(), head.size() + tail.size());
    return data.substr(head.size(), data.size() - head.size() - tail.size());
}

std::string ErrorOf(const std::string& text) {
    try {
        ToBinary(text);
    } catch (const EParserError& error) {
        return error.Message();
    }
    return "no error";
}

std::string Little(std::uint64_t value, int bytes) {
    std::string result;
    for (int i = 0; i < bytes; ++i)
        result += static_cast<char>(value >> (8 * i));
    return result;
}

std::string Tagged(std::uint8_t tag, const std::string& payload) {
    return std::string(1, static_cast<char>(tag)) + payload;
}

TEST(FormTextReader, TheWorkedExampleGivesItsFormFile) {
    FormBuilder f;
    f.Object("TForm1", "Form1")
        .Prop("Caption")
        .String("Main")
        .EndProps()
        .Object("TBevel", "Bevel1")
        .Prop("HelpContext")
        .Int8(42)
        .EndProps()
        .EndChildren()
        .EndChildren();
    const std::string text = "object Form1: TForm1\r\n  Caption = 'Main'\r\n  object Bevel1: TBevel\r\n"
                             "    HelpContext = 42\r\n  end\r\nend\r\n";
    EXPECT_EQ(ToFormFile(text), f.FormFile("TFORM1"));
    TFormTextOptions options;
    options.ResourceName = "MainForm";
    EXPECT_EQ(ToFormFile(text, options), f.FormFile("MainForm"));
}

TEST(FormTextReader, EveryValueKindTakesItsNarrowestTag) {
    struct Case {
        const char* text;
        std::string bytes;
    };
    const Case cases[] = {
        {"0", FormBuilder().Int8(0).Records()},
        {"-128", FormBuilder().Int8(-128).Records()},
        {"127", FormBuilder().Int8(127).Records()},
        {"128", FormBuilder().Int16(128).Records()},
        {"-32768", FormBuilder().Int16(-32768).Records()},
        {"32768", FormBuilder().Int32(32768).Records()},
        {"-2147483648", FormBuilder().Int32(INT32_MIN).Records()},
        {"2147483648", Tagged(19, Little(2147483648u, 8))},
        {"-9223372036854775808", Tagged(19, Little(std::uint64_t(1) << 63, 8))},
        {"007", FormBuilder().Int8(7).Records()},
        {"1.5", FormBuilder().Extended(1.5).Records()},
        {"-0.00123",
         FormBuilder().ExtendedBytes({0xFA, 0xB8, 0x36, 0x54, 0x8C, 0xF3, 0x37, 0xA1, 0xF5, 0xBF}).Records()},
        {"1E20", FormBuilder().Extended(1e20).Records()},
        {"1.5E-7",
         FormBuilder().ExtendedBytes({0x0D, 0xB2, 0x1B, 0x6C, 0xA0, 0xAF, 0x0F, 0xA1, 0xE8, 0x3F}).Records()},
        {"INF", FormBuilder().ExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}).Records()},
        {"NAN", FormBuilder().ExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}).Records()},
        {"1.5s", Tagged(15, Little(0x3FC00000u, 4))},
        {"-0.1s", Tagged(15, Little(0xBDCCCCCDu, 4))},
        {"125000c", Tagged(16, Little(125000, 8))},
        {"12.5c", Tagged(16, Little(12, 8))},
        {"-70000c", Tagged(16, Little(static_cast<std::uint64_t>(-70000), 8))},
        {"36526.5d", Tagged(17, Little(0x40E1D5D000000000ull, 8))},
        {"''", FormBuilder().String("").Records()},
        {"'Main'", FormBuilder().String("Main").Records()},
        {"'It'#39's'#13", FormBuilder().String("It's\r").Records()},
        {"'It''s'", FormBuilder().String("It's").Records()},
        {"#13#10", FormBuilder().String("\r\n").Records()},
        {"#$41'b'", FormBuilder().String("Ab").Records()},
        {"'caf\xE9'", FormBuilder().String("caf\xE9").Records()},
        // A code beyond 126 is what the rendering writes for a wide string's character.
        {"'caf\xE9'#255", FormBuilder().WideString(u"caf\u00E9\u00FF").Records()},
        {"'ab' +\r\n    'cd' +\n'ef'", FormBuilder().String("abcdef").Records()},
        {"'Brak odcink'#243'w'", FormBuilder().WideString(u"Brak odcink\u00F3w").Records()},
        {"'a'#127", FormBuilder().WideString(u"a\u007F").Records()},
        {"'a'#1076", Tagged(18, Little(2, 4) + std::string("a\0\x34\x04", 4))},
        {"'a' + #1076'b'", Tagged(18, Little(3, 4) + std::string("a\0\x34\x04"
                                                                 "b\0",
                                                                 6))},
        {"#55357#56832", Tagged(18, Little(2, 4) + std::string("\x3D\xD8\x00\xDE", 4))},
        {"True", FormBuilder().True().Records()},
        {"FALSE", FormBuilder().False().Records()},
        {"nil", FormBuilder().Nil().Records()},
        {"bsSingle", FormBuilder().Ident("bsSingle").Records()},
        {"Form2.PopupMenu1", FormBuilder().Ident("Form2.PopupMenu1").Records()},
        {"[]", FormBuilder().Set({}).Records()},
        {"[biSystemMenu, biMinimize]", FormBuilder().Set({"biSystemMenu", "biMinimize"}).Records()},
        {"()", FormBuilder().List().EndList().Records()},
        {"(\r\n    'a'\r\n    ('b' 5))",
         FormBuilder().List().String("a").List().String("b").Int8(5).EndList().EndList().Records()},
        {"{}", FormBuilder().Binary("").Records()},
        {"{01ABff}", FormBuilder().Binary("\x01\xAB\xFF").Records()},
        {"{\r\n    0102\r\n    03 04}", FormBuilder().Binary("\x01\x02\x03\x04").Records()},
        {"<>", FormBuilder().Collection().EndCollection().Records()},
        {"<\r\n    item [3]\r\n      Width = 64\r\n    end\r\n    item\r\n    end>", FormBuilder()
                                                                                         .Collection()
                                                                                         .Item(3)
                                                                                         .Prop("Width")
                                                                                         .Int8(64)
                                                                                         .EndItem()
                                                                                         .Item()
                                                                                         .EndItem()
                                                                                         .EndCollection()
                                                                                         .Records()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValueBytes(c.text), c.bytes) << c.text;
}

// Every non-finite value the conversion writes reads back to its own tag and kind, so its text
// comes back as it was; before, all but "INF" and "NAN" were refused.
TEST(FormTextReader, NonFiniteValuesComeBackAsTheyWereWritten) {
    const std::string cases[] = {
        Tagged(5, std::string("\0\0\0\0\0\0\0\x80\xFF\x7F", 10)),
        Tagged(5, std::string("\0\0\0\0\0\0\0\xC0\xFF\x7F", 10)),
        Tagged(15, Little(0x7F800000u, 4)),
        Tagged(15, Little(0xFF800000u, 4)),
        Tagged(15, Little(0x7FC00000u, 4)),
        Tagged(17, Little(0x7FF0000000000000ull, 8)),
        Tagged(17, Little(0xFFF0000000000000ull, 8)),
        Tagged(17, Little(0x7FF8000000000000ull, 8)),
        Tagged(21, Little(0xFFF0000000000000ull, 8)),
    };
    for (const std::string& value : cases) {
        const std::string text = ToText(
            FormBuilder().Object("TA", "A").Prop("P").Bytes(value).EndProps().EndChildren().FormFile("TA"));
        const std::size_t start = text.find("= ") + 2;
        EXPECT_EQ(ValueBytes(text.substr(start, text.find('\r', start) - start)), value) << text;
    }
}

TEST(FormTextReader, StringsAboveTheShortLengthAreLong) {
    EXPECT_EQ(ValueBytes("'" + std::string(255, 'x') + "'"),
              FormBuilder().String(std::string(255, 'x')).Records());
    EXPECT_EQ(ValueBytes("'" + std::string(200, 'x') + "' + '" + std::string(100, 'y') + "'"),
              FormBuilder().LongString(std::string(200, 'x') + std::string(100, 'y')).Records());
}

TEST(FormTextReader, WideStringsAsUtf8OnRequest) {
    // U+0434, a surrogate pair (U+1F600) and a lone surrogate, which keeps its own three bytes.
    EXPECT_EQ(ValueBytes("'a'#1076#55357#56832#56320", wsUtf8),
              Tagged(20, Little(10, 4) + "a\xD0\xB4\xF0\x9F\x98\x80\xED\xB0\x80"));
}

TEST(FormTextReader, Utf8TextsMakeTheirNonAsciiStringsWide) {
    const std::string data = ToBinary("\xEF\xBB\xBFobject A: TA\n  P = 'caf\xC3\xA9'\n  Q = 'x'\nend\n");
    EXPECT_EQ(data, std::string("TPF0\x02TA\x01"
                                "A\x01P",
                                11) +
                        Tagged(18, Little(4, 4) + std::string("c\0a\0f\0\xE9\0", 8)) + "\x01Q" +
                        FormBuilder().String("x").Records() + std::string(2, '\0'));
}

// Invalid sequences in a UTF-8 text are read as the conversion decodes a UTF-8 string, each byte
// that starts no valid sequence a character of its own value: before, F7 BF BF BF became two lone
// surrogates and C0 80 a zero. So a string's text and the text of its way back are the same.
TEST(FormTextReader, InvalidUtf8ReadsAsTheConversionDecodesIt) {
    for (const std::string bytes : {"\xF7\xBF\xBF\xBF", "\xC0\x80", "a\xE2\x82", "\xED\xA0\x80z",
                                    "\xF4\x90\x80\x80", "\xC3\xA9\x80\xF0\x9F\x98\x80"}) {
        const std::string text = ToText(
            FormBuilder().Object("TA", "A").Prop("P").Utf8String(bytes).EndProps().EndChildren().FormFile(
                "TA"));
        EXPECT_EQ(ToText(ToFormFile("\xEF\xBB\xBFobject A: TA\r\n  P = '" + bytes + "'\r\nend")), text);
        EXPECT_EQ(ToText(ToFormFile(text)), text);
    }
}

TEST(FormTextReader, HeadersPrefixesAndLayout) {
    FormBuilder f;
    f.Inherited("TForm2", "Form2")
        .Prop("Font.Name")
        .String("Arial")
        .EndProps()
        .ObjectAt("TButton", "Button1", 2)
        .EndProps()
        .EndChildren()
        .ObjectAt("TPanel", "Panel1", 300, true)
        .EndProps()
        .Object("TBevel")
        .EndProps()
        .EndChildren()
        .Prefix(0xF4)
        .Object("TFrame1", "Frame1")
        .EndProps()
        .EndChildren()
        .EndChildren()
        .EndChildren();
    const std::string expected = f.FormData();
    const std::string crlf =
        "inherited Form2: TForm2\r\n  Font.Name = 'Arial'\r\n  object Button1: TButton [2]\r\n"
        "  end\r\n  inherited Panel1: TPanel [300]\r\n    object TBevel\r\n    end\r\n"
        "    inline Frame1: TFrame1\r\n    end\r\n  end\r\nend\r\n";
    EXPECT_EQ(ToBinary(crlf), expected);
    std::string flat;
    for (const char c : crlf) {
        if (c != '\r' && c != ' ')
            flat += c;
        else if (c == ' ' && !flat.empty() && flat.back() != '\n')
            flat += "\t ";
    }
    EXPECT_EQ(ToBinary(flat), expected) << flat;
    EXPECT_EQ(ToBinary("OBJECT Form2:TForm2 END"),
              FormBuilder().Object("TForm2", "Form2").EndProps().EndChildren().FormData());
}

// A length byte of 240 or more at a component's start reads as a prefix, so a class name that long
// is written after an empty prefix (found by fuzzing); a name that long needs none.
TEST(FormTextReader, ClassNamesOfPrefixLengthTakeAnEmptyPrefix) {
    for (const std::size_t length : {std::size_t(239), std::size_t(240), std::size_t(255)}) {
        const std::string className(length, 'T');
        const std::string text = "object Form1: TForm1\r\n  object " + std::string(length, 'N') + ": " +
                                 className + "\r\n  end\r\nend\r\n";
        FormBuilder f;
        f.Object("TForm1", "Form1").EndProps();
        if (length >= 240)
            f.Prefix(0xF0);
        f.Object(className, std::string(length, 'N')).EndProps().EndChildren().EndChildren();
        const std::string binary = ToBinary(text);
        EXPECT_EQ(binary, f.FormData()) << length;
        EXPECT_EQ(ToText(ToFormFile(text)), text) << length;
    }
}

TEST(FormTextReader, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "Line 1: 'object' expected"},
        {"\r\n\r\n  Form1: TForm1", "Line 3: 'object' expected"},
        {"object Form1: TForm1\r\n  Left = 1\r\n", "Line 2: 'end' expected"},
        {"object Form1: TForm1\r\n  Left 1\r\nend", "Line 2: '=' expected"},
        {"object Form1: TForm1\r  Top = 1\r  Left 1\rend", "Line 3: '=' expected"},
        {"object Form1: TForm1\r\n  Left = )\r\nend", "Line 2: Value expected"},
        {"object Form1: TForm1\r\n  Lines = (\r\n    'a'\r\n", "Line 3: ')' expected"},
        {"object Form1: TForm1\n  P = 'a' +\n  5\nend", "Line 3: String expected"},
        {"object Form1: TForm1\n  P = 'abc\nend", "Line 2: Unterminated string"},
        {"object Form1: TForm1\n  P = {\n 0A1\n}\nend", "Line 3: Invalid binary value"},
        {"object Form1: TForm1\n  P = {0AZZ}\nend", "Line 2: Invalid binary value"},
        {"object Form1: TForm1\n  P = {\n  0A0B\n\n", "Line 3: '}' expected"},
        {"object Form1: TForm1\n  P = 9223372036854775808\nend", "Line 2: Number out of range"},
        {"object Form1: TForm1\n  P = 1E5000\nend", "Line 2: Number out of range"},
        {"object Form1: TForm1\n  P = 1E39s\nend", "Line 2: Number out of range"},
        {"object Form1: TForm1\n  P = 9223372036854775808c\nend", "Line 2: Number out of range"},
        {"object Form1: TForm1\n  P = 1.5x\nend", "Line 2: Invalid number"},
        {"object Form1: TForm1\n  P = 1.\nend", "Line 2: Invalid number"},
        {"object Form1: TForm1\n  P = 1E+\nend", "Line 2: Invalid number"},
        {"object Form1: TForm1\n  P = #65536\nend", "Line 2: Character code out of range"},
        {"object Form1: TForm1\n  P = 'a'#\nend", "Line 2: Number expected"},
        {"object Form1: TForm1\n  P = [a b]\nend", "Line 2: ',' expected"},
        {"object Form1: TForm1\n  P = [1]\nend", "Line 2: Identifier expected"},
        {"object Form1: TForm1\n  P = <\n    items\n  >\nend", "Line 3: '>' expected"},
        {"object Form1: TForm1\n  P = -x\nend", "Line 2: Value expected"},
        {"object Form1: TForm1\n  Font. = 1\nend", "Line 2: Identifier expected"},
        {"object Form1: TForm1 [x]\nend", "Line 1: Number expected"},
        {"object Form1: TForm1 [2147483648]\nend", "Line 1: Number out of range"},
        {"object Form1: TForm1 [1.5]\nend", "Line 1: Number expected"},
        {"object Form1: TForm1\n  object B: TB\n  end\n  Left = 1\nend", "Line 4: 'end' expected"},
        {"object Form1: TForm1\nend\nobject Form2: TForm2\nend\n", "Line 3: Text after the end of the form"},
        {"object Form1\n: 5", "Line 2: Identifier expected"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorOf(c.text), c.message) << c.text;
    EXPECT_EQ(ErrorOf("object " + std::string(256, 'N') + ": T\nend"), "Line 1: Identifier too long");
    // Found by fuzzing: a character code of many digits once stopped consuming them.
    EXPECT_EQ(ErrorOf("object A: TA\n  P = #" + std::string(100, '9') + "\nend"),
              "Line 2: Character code out of range");
    EXPECT_EQ(ErrorOf("object A: TA\n  P = #$" + std::string(100, 'F') + "\nend"),
              "Line 2: Character code out of range");
    EXPECT_EQ(ErrorOf("object A: TA\n  " + std::string(200, 'N') + "." + std::string(60, 'N') + " = 1\nend"),
              "Line 2: Identifier too long");
}

TEST(FormTextReader, ResourceNamesLongerThanTheHeaderTakesAreRefused) {
    TFormTextOptions options;
    options.ResourceName = std::string(76, 'R');
    const std::string file = ToFormFile("object A: TA\nend", options);
    EXPECT_EQ(ToText(file), "object A: TA\r\nend\r\n");
    options.ResourceName += 'R';
    EXPECT_THROW(ToFormFile("object A: TA\nend", options), EWriteError);
}

// Components, lists and collections nest exactly as deep as the binary reader takes them, so
// every form read converts back to text.
TEST(FormTextReader, NestingIsBoundedAsTheBinaryReaderBoundsIt) {
    auto lists = [](int depth) {
        return "object A: TA\n  P = " + std::string(static_cast<std::size_t>(depth), '(') +
               std::string(static_cast<std::size_t>(depth), ')') + "\nend\n";
    };
    const std::string deepest = lists(kMaxFormNesting - 1);
    EXPECT_NO_THROW(ToText(ToFormFile(deepest)));
    EXPECT_EQ(ErrorOf(lists(kMaxFormNesting)), "Line 2: Form nesting too deep");

    std::string components;
    for (int i = 0; i <= kMaxFormNesting; ++i)
        components += "object A: TA\n";
    EXPECT_EQ(ErrorOf(components), "Line 257: Form nesting too deep");
    EXPECT_EQ(ErrorOf("object A: TA\n  P = " + std::string(1000000, '<')), "Line 2: '>' expected");
    std::string collections = "object A: TA\n  P = ";
    for (int i = 0; i < 1000; ++i)
        collections += "<item P = ";
    EXPECT_EQ(ErrorOf(collections), "Line 2: Form nesting too deep");
}

// The reader needs about 64 KB at the deepest nesting; the sanitizer's unoptimised frames with
// their red zones take several times that.
constexpr std::size_t kReaderStack = kSanitized ? 2048 * 1024 : kSmallStackBytes;

TEST(FormTextReader, TheDeepestNestingFitsASmallStack) {
    // Components nested as deep as their values allow, each with values four levels deep.
    std::string components;
    const int depth = kMaxFormNesting - 4;
    for (int i = 0; i < depth; ++i)
        components += "object A: TA\n  P = (((<item P = 1 end>)))\n";
    for (int i = 0; i < depth; ++i)
        components += "end\n";
    std::string lists = "object A: TA\n  P = ";
    for (int i = 1; i < kMaxFormNesting; ++i)
        lists += i % 2 ? "(" : "<item P = ";
    std::string result;
    RunOnSmallStack(
        [&] {
            try {
                result = ToBinary(components).substr(0, 4);
            } catch (const Exception& error) {
                result = error.Message();
            }
            result += " " + ErrorOf(components + "object") + " " + ErrorOf(lists);
        },
        kReaderStack);
    EXPECT_EQ(result, "TPF0 Line " + std::to_string(3 * depth + 1) +
                          ": Text after the end of the form Line 2: ')' expected");
}

// Texts made to exhaust memory or time end with a message after one pass over them.
TEST(FormTextReader, HostileTextsEndWithAMessage) {
    const std::string head = "object A: TA\n  P = ";
    EXPECT_EQ(ErrorOf(head + "{" + std::string(8 << 20, 'A')), "Line 2: '}' expected");
    EXPECT_EQ(ErrorOf(head + "'" + std::string(8 << 20, 'x')), "Line 2: Unterminated string");
    EXPECT_EQ(ErrorOf(head + "1" + std::string(8 << 20, '0') + "\nend"), "Line 2: Number out of range");
    EXPECT_EQ(ErrorOf(head + "(" + std::string(8 << 20, '\n')), "Line 2: ')' expected");
    // A long number is read correctly: its digits after the kept ones only round.
    EXPECT_EQ(ValueBytes("0." + std::string(4 << 20, '0') + "1"), FormBuilder().Extended(0).Records());
    EXPECT_EQ(ValueBytes("1." + std::string(1 << 20, '0') + "1"), FormBuilder().Extended(1).Records());
    // 1 + 2^-64 lies halfway between 1 and the next value; a 1 twenty thousand digits later tips it.
    const std::string tie = "1.0000000000000000000542101086242752217003726400434970855712890625";
    EXPECT_EQ(ValueBytes(tie), FormBuilder().Extended(1).Records());
    EXPECT_EQ(ValueBytes(tie + std::string(20000, '0') + "1"),
              FormBuilder().ExtendedBytes({1, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}).Records());
}

// ---- Generated round trips: text2form(form2text(B)) == B

class FormGenerator {
public:
    explicit FormGenerator(unsigned seed) : random_(seed) {}

    std::string Form() {
        FormBuilder f;
        Component(f, 0);
        return f.FormFile("TFORM1");
    }

private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    std::string Name(const char* stem) { return stem + std::to_string(counter_++); }

    void Component(FormBuilder& f, int depth) {
        const std::string className = "TFORM" + std::to_string(counter_);
        switch (Pick(5)) {
            case 0:
                f.Inherited(className, Name("Inh"));
                break;
            case 1:
                f.ObjectAt(className, Name("Pos"), Pick(70000) - 35000, Pick(2) == 0);
                break;
            case 2:
                f.Object(className);
                ++counter_;
                break;
            default:
                f.Object(className, Name("Obj"));
        }
        for (int i = Pick(6); i > 0; --i)
            Property(f, depth);
        f.EndProps();
        for (int i = depth < 3 ? Pick(4) : 0; i > 0; --i)
            Component(f, depth + 1);
        f.EndChildren();
    }

    void Property(FormBuilder& f, int depth) {
        f.Prop(Pick(2) == 0 ? Name("Prop") : Name("Font.Sub"));
        Value(f, depth);
    }

    void Value(FormBuilder& f, int depth) {
        static const std::int32_t kIntegers[] = {0,     -1,     127,   -128,      128,      -129,
                                                 32767, -32768, 32768, INT32_MAX, INT32_MIN};
        // Values whose text carries them exactly, none of them a whole number below 1E15.
        static const double kFloats[] = {1.5,       -0.25, 0.125,          3.0517578125e-5,
                                         123456.75, 1e20,  6.103515625e-5, -7.125e15};
        switch (Pick(depth < 4 ? 14 : 11)) {
            case 0:
                f.Int(kIntegers[Pick(11)]);
                break;
            case 1:
                f.Int(static_cast<std::int32_t>(random_()));
                break;
            case 2:
                f.Extended(kFloats[Pick(8)]);
                break;
            case 3: {
                std::string text;
                for (int i = Pick(2) == 0 ? Pick(8) : 250 + Pick(100); i > 0; --i)
                    text += static_cast<char>(Pick(4) == 0 ? Pick(256) : 'a' + Pick(26));
                f.String(text);
                break;
            }
            case 4:
                f.Ident(Name("ident"));
                break;
            case 5:
                Pick(2) == 0 ? f.True() : f.False();
                break;
            case 6:
                f.Nil();
                break;
            case 7: {
                std::string bytes;
                for (int i = Pick(2) == 0 ? Pick(40) : Pick(200); i > 0; --i)
                    bytes += static_cast<char>(Pick(256));
                f.Binary(bytes);
                break;
            }
            case 8:
                f.Set({});
                break;
            case 9:
                f.Set({Name("a"), Name("b")});
                break;
            case 10:
                f.Extended(-kFloats[Pick(8)]);
                break;
            case 11:
                f.List();
                for (int i = Pick(4); i > 0; --i)
                    Value(f, depth + 1);
                f.EndList();
                break;
            default:
                f.Collection();
                for (int i = Pick(3); i > 0; --i) {
                    Pick(2) == 0 ? f.Item() : f.Item(Pick(1000) - 500);
                    for (int j = Pick(3); j > 0; --j)
                        Property(f, depth + 1);
                    f.EndItem();
                }
                f.EndCollection();
        }
    }

    std::mt19937 random_;
    int counter_ = 1;
};

TEST(FormTextReader, GeneratedFormsSurviveTheWayThereAndBack) {
    for (unsigned seed = 0; seed < 300; ++seed) {
        const std::string form = FormGenerator(seed).Form();
        const std::string text = ToText(form);
        ASSERT_EQ(ToFormFile(text), form) << "seed " << seed << "\n" << text;
    }
}

// Values of the later kinds as this reader writes them; once the conversion renders them, their
// text must read back to the same bytes.
TEST(FormTextReader, LaterKindsSurviveTheWayBackWhereTheConversionRendersThem) {
    const char* texts[] = {"1.5s",
                           "-3.40282346638529E38s",
                           "1.17549435082229E-38s",
                           "9223372036854775807c",
                           "-1c",
                           "36526.5d",
                           "1E-300d",
                           "9223372036854775807",
                           "-2147483649",
                           "'a'#1076#12354",
                           "#55357#56832"};
    for (const char* value : texts) {
        for (const TWideStringFormat wide : {wsUtf16, wsUtf8}) {
            TFormTextOptions options;
            options.WideStrings = wide;
            const std::string form =
                ToFormFile("object A: TA\r\n  P = " + std::string(value) + "\r\nend\r\n", options);
            std::string text;
            try {
                text = ToText(form);
            } catch (const EReadError&) {
                continue; // a kind the conversion does not render yet
            }
            EXPECT_EQ(ToFormFile(text, options), form) << value << "\n" << text;
        }
    }
}

// ---- Real forms: text2form(form2text(B)) == B, the environment's own pairs, every real text form

std::string RealWorld() {
    const std::string corpus = CorpusDir();
    return corpus.empty() || !fs::is_directory(fs::path(corpus) / "realworld")
               ? std::string()
               : (fs::path(corpus) / "realworld").string();
}

// The files of a folder tree whose content begins as `accept` says, in a stable order.
template <typename Accept> std::vector<fs::path> FilesIn(const fs::path& folder, Accept accept) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && accept(ReadWholeFile(entry.path().string())))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool IsBinaryForm(const std::string& bytes) {
    return bytes.compare(0, 3, std::string("\xFF\x0A\x00", 3)) == 0;
}

bool IsTextForm(const std::string& bytes) {
    std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    start = bytes.find_first_not_of(" \t\r\n", start);
    if (start == std::string::npos)
        return false;
    for (const char* word : {"object ", "inherited ", "inline "}) {
        if (bytes.compare(start, std::strlen(word), word) == 0)
            return true;
    }
    return false;
}

// Walks two form files side by side and tells how they differ: not at all, only in floats whose
// text is the same (a whole number the text writes as an integer, or more digits than the text's
// fifteen), or otherwise.
class FloatTolerantComparison {
public:
    FloatTolerantComparison(const std::string& original, const std::string& copy)
        : originalStream_(original), copyStream_(copy) {}

    // "" when the only differences are floats; else what differs first.
    std::string Compare() {
        try {
            SkipResourceHeader(originalStream_);
            SkipResourceHeader(copyStream_);
            TReader original(originalStream_);
            TReader copy(copyStream_);
            original_ = &original;
            copy_ = &copy;
            original.CheckSignature();
            copy.CheckSignature();
            Component();
        } catch (const Exception& error) {
            return error.Message();
        }
        return difference_;
    }
    int WholeNumbers() const { return wholeNumbers_; }
    int LongFloats() const { return longFloats_; }
    int WideKinds() const { return wideKinds_; }

private:
    bool Same(bool equal, const char* what) {
        if (!equal && difference_.empty())
            difference_ = what;
        return equal;
    }

    void Component() {
        const TComponentPrefix a = original_->ReadComponentPrefix();
        const TComponentPrefix b = copy_->ReadComponentPrefix();
        Same(a.Flags == b.Flags && a.ChildPosition == b.ChildPosition, "prefix");
        Same(original_->ReadShortStringView() == copy_->ReadShortStringView(), "class name");
        Same(original_->ReadShortStringView() == copy_->ReadShortStringView(), "component name");
        Properties();
        while (!original_->AtListEnd() && difference_.empty())
            Component();
        original_->ExpectListEnd();
        copy_->ExpectListEnd();
    }

    void Properties() {
        while (!original_->AtListEnd() && difference_.empty()) {
            Same(original_->ReadShortStringView() == copy_->ReadShortStringView(), "property name");
            Value();
        }
        original_->ExpectListEnd();
        copy_->ExpectListEnd();
    }

    void Value() {
        const std::uint8_t tag = original_->PeekTag();
        if (tag == TagExtended) {
            const std::uint8_t copyTag = copy_->PeekTag();
            const TExtended a = original_->ReadFloatValue();
            const TExtended b = copy_->ReadFloatValue();
            if (std::memcmp(a.Bytes, b.Bytes, sizeof a.Bytes) == 0 && copyTag == TagExtended)
                return;
            Same(FormatExtended(a) == FormatExtended(b), "float text");
            ++(copyTag == TagExtended ? longFloats_ : wholeNumbers_);
            return;
        }
        // Whether a wide string was stored as UTF-16 or UTF-8 the text cannot tell; the texts are the same.
        const auto isWide = [](std::uint8_t t) { return t == TagWideString || t == TagUtf8String; };
        if (isWide(tag) && isWide(copy_->PeekTag()) && tag != copy_->PeekTag()) {
            original_->SkipFormValue();
            copy_->SkipFormValue();
            ++wideKinds_;
            return;
        }
        if (!Same(tag == copy_->PeekTag(), "value tag"))
            return;
        switch (tag) {
            case TagList:
                original_->ReadTag();
                copy_->ReadTag();
                while (!original_->AtListEnd() && difference_.empty())
                    Value();
                original_->ExpectListEnd();
                copy_->ExpectListEnd();
                return;
            case TagCollection:
                original_->ReadTag();
                copy_->ReadTag();
                while (!original_->AtListEnd() && difference_.empty()) {
                    const std::uint8_t index = original_->PeekTag();
                    if (index == TagInt8 || index == TagInt16 || index == TagInt32)
                        Same(original_->ReadIntValue() == copy_->ReadIntValue(), "item index");
                    original_->ExpectListStart();
                    copy_->ExpectListStart();
                    Properties();
                }
                original_->ExpectListEnd();
                copy_->ExpectListEnd();
                return;
            default:
                Same(RawValue(*original_) == RawValue(*copy_), "value");
        }
    }

    // The next `size` bytes of a value's payload.
    static std::string Payload(TReader& reader, std::uint32_t size) {
        std::string bytes(size, '\0');
        reader.ReadBytes(bytes.data(), static_cast<std::int32_t>(size));
        return bytes;
    }

    // A value other than a list, collection or float, as its bytes.
    static std::string RawValue(TReader& reader) {
        const std::uint8_t tag = reader.PeekTag();
        switch (tag) {
            case TagInt8:
            case TagInt16:
            case TagInt32:
                return std::to_string(tag) + ":" + std::to_string(reader.ReadIntValue());
            case TagString:
            case TagLongString:
                return std::to_string(tag) + ":" + std::string(reader.ReadStringView());
            case TagBinary: {
                reader.ReadTag();
                std::int32_t count = 0;
                reader.ReadBytes(&count, 4);
                std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
                reader.ReadBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
                return "10:" + bytes;
            }
            case TagSet: {
                reader.ReadTag();
                std::string elements = "11:";
                for (std::string element; !(element = reader.ReadShortStringView()).empty();)
                    elements += element + ",";
                return elements;
            }
            case TagSingle:
            case TagCurrency:
            case TagDate:
            case TagInt64:
            case TagDouble:
                reader.ReadTag();
                return std::to_string(tag) + ":" + Payload(reader, tag == TagSingle ? 4 : 8);
            case TagWideString:
            case TagUtf8String: {
                reader.ReadTag();
                std::uint32_t count = 0;
                reader.ReadBytes(&count, 4);
                return std::to_string(tag) + ":" + Payload(reader, tag == TagWideString ? 2 * count : count);
            }
            default:
                reader.ReadTag();
                return std::to_string(tag) +
                       (tag == TagIdent ? ":" + std::string(reader.ReadShortStringView()) : "");
        }
    }

    BytesStream originalStream_;
    BytesStream copyStream_;
    TReader* original_ = nullptr; // not owned; set while Compare runs
    TReader* copy_ = nullptr;
    std::string difference_;
    int wholeNumbers_ = 0;
    int longFloats_ = 0;
    int wideKinds_ = 0;
};

TEST(FormTextCorpus, RealBinaryFormsSurviveTheWayThereAndBack) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    int exact = 0;
    std::map<std::string, int> notConverted; // by the conversion's message
    std::vector<std::string> floatsOnly;
    for (const fs::path& path : FilesIn(realWorld, IsBinaryForm)) {
        const std::string form = ReadWholeFile(path.string());
        std::string text;
        try {
            text = ToText(form);
        } catch (const Exception& error) {
            ++notConverted[error.Message()];
            continue;
        }
        const std::string name = fs::relative(path, realWorld).generic_string();
        std::string back;
        ASSERT_NO_THROW(back = ToFormFile(text)) << name;
        // A form that stores its wide strings as UTF-8 comes back with --wide utf8.
        TFormTextOptions utf8;
        utf8.WideStrings = wsUtf8;
        if (back != form && ToFormFile(text, utf8) == form)
            back = form;
        if (back == form) {
            ++exact;
            continue;
        }
        ASSERT_EQ(ToText(back), text) << name;
        FloatTolerantComparison comparison(form, back);
        EXPECT_EQ(comparison.Compare(), "") << name << " differs in more than its text can carry";
        floatsOnly.push_back(name + " (" + std::to_string(comparison.WholeNumbers()) + " whole, " +
                             std::to_string(comparison.LongFloats()) + " longer than 15 digits, " +
                             std::to_string(comparison.WideKinds()) + " wide strings of the other kind)");
    }
    std::cout << exact << " real binary forms came back byte for byte; " << floatsOnly.size()
              << " differ only in what their text cannot carry:\n";
    for (const std::string& line : floatsOnly)
        std::cout << "  " << line << '\n';
    for (const auto& [message, count] : notConverted)
        std::cout << count << " not converted to text: " << message << '\n';
    EXPECT_GT(exact, 600);
}

// The environment converted these forms itself; its text gives exactly its binary, wrapped strings
// included. tetris/MAIN.dfm was saved as text after two components had moved: its four
// coordinates are all that differs.
TEST(FormTextCorpus, TheEnvironmentsTextsGiveItsBinaries) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    const fs::path pairs = fs::path(realWorld) / "pairs";
    int compared = 0;
    for (const char* project : {"innosetup", "quark", "tetris"}) {
        const fs::path binaries = pairs / project / "binary";
        if (!fs::is_directory(binaries))
            continue;
        for (const fs::path& binary : FilesIn(binaries, IsBinaryForm)) {
            fs::path text = pairs / project / "text" / fs::relative(binary, binaries);
            text.replace_extension(".dfm");
            const std::string name = fs::relative(text, pairs).generic_string();
            const std::string form = ReadWholeFile(binary.string());
            std::string back;
            ASSERT_NO_THROW(back = ToFormFile(ReadWholeFile(text.string()))) << name;
            ++compared;
            if (name != "tetris/text/MAIN.dfm") {
                EXPECT_EQ(back, form) << name;
                continue;
            }
            const std::string ours = ToText(back);
            const std::string theirs = ToText(form);
            int differentLines = 0;
            for (std::size_t a = 0, b = 0; a < ours.size() && b < theirs.size();) {
                const std::size_t endA = ours.find('\n', a);
                const std::size_t endB = theirs.find('\n', b);
                differentLines += ours.compare(a, endA - a, theirs, b, endB - b) != 0;
                a = endA + 1;
                b = endB + 1;
            }
            EXPECT_EQ(differentLines, 4) << name;
        }
    }
    EXPECT_EQ(compared, 18);
}

// Every real text form converts; where the conversion renders the result, its text converts to the
// same bytes again.
TEST(FormTextCorpus, RealTextFormsConvertAndStayStable) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    int converted = 0;
    int stable = 0;
    for (const fs::path& path : FilesIn(realWorld, IsTextForm)) {
        const std::string name = fs::relative(path, realWorld).generic_string();
        std::string form;
        ASSERT_NO_THROW(form = ToFormFile(ReadWholeFile(path.string()))) << name;
        ++converted;
        std::string text;
        try {
            text = ToText(form);
        } catch (const EReadError&) {
            continue; // a value kind the conversion does not render yet
        }
        EXPECT_EQ(ToFormFile(text), form) << name;
        ++stable;
    }
    std::cout << converted << " real text forms converted, " << stable << " checked stable\n";
    EXPECT_GT(converted, 60);
}

} // namespace
