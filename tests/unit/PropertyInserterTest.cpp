#include "formstream/PropertyInserter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "formstream/FormText.h"
#include "formstream/FormTextReader.h"
#include "runtime/Exceptions.h"
#include "scanner/FormTextSearch.h"
#include "scanner/TextForm.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::string ToText(const std::string& formFile) {
    BytesStream input(formFile);
    TMemoryStream output;
    FormFileToText(input, output);
    return std::string(output.Memory(), static_cast<std::size_t>(output.Size()));
}

// A form built twice, without and with the HelpContext values the settings give: the inserter must
// turn the first into the second, byte for byte, the header's size included.
struct BinaryCase {
    const char* Name;
    std::vector<THelpContextSetting> Settings;
    std::function<void(FormBuilder&, bool)> Build; // the bool: build the form as it is to become
};

const BinaryCase kBinaryCases[] = {
    {"each integer kind, negative numbers, nested five deep",
     {{0, 5}, {1, 300}, {2, 70000}, {3, -1}, {4, -200}},
     [](FormBuilder& f, bool after) {
         for (const std::string& value :
              {"\x02\x05"s, "\x03\x2C\x01"s, "\x04\x70\x11\x01\x00"s, "\x02\xFF"s, "\x03\x38\xFF"s}) {
             f.Object("TEdit", "E").Prop("Left").Int8(1);
             if (after)
                 f.Prop("HelpContext").Bytes(value);
             f.EndProps();
         }
         f.End().End().End().End().End();
     }},
    {"a component behind every kind of value, bytes after the root kept",
     {{2, 7}},
     [](FormBuilder& f, bool after) {
         f.Object("TForm1", "Form1").Prop("L").List().String("a").List().Int8(1).EndList().EndList();
         f.Prop("C").Collection().Item(3).Prop("W").Int8(64).Prop("E").End().Item().EndItem().EndCollection();
         f.Prop("B").Binary(std::string(40, '\x01')).Prop("S").LongString(std::string(300, 'x'));
         f.Prop("U").WideString(u"\u0105").Prop("V").Utf8String("\xC4\x85").Prop("X").Extended(1.5);
         f.Prop("D").Double(2).Prop("Y").Set({"a", "b"}).Prop("Z").Single(1).Prop("M").Currency(1);
         f.EndProps().Object("TPanel", "P").EndProps().Object("TEdit", "E").Prop("Left").Int8(1);
         if (after)
             f.Prop("HelpContext").Int8(7);
         f.EndProps().EndChildren().EndChildren().EndChildren().Bytes("trailing");
     }},
    {"inherited with a child position, its stored 0 replaced",
     {{1, 1000}},
     [](FormBuilder& f, bool after) {
         f.Inherited("TForm2", "Form2").EndProps().ObjectAt("TButton", "B", 2, true).Prop("HelpContext");
         if (after)
             f.Int16(1000);
         else
             f.Int8(0);
         f.Prop("Top").Int8(3).EndProps().EndChildren().EndChildren();
     }},
};

std::string ErrorOf(const std::function<std::string()>& call) {
    try {
        return call();
    } catch (const Exception& error) {
        return error.Message();
    }
}

TEST(PropertyInserter, BinaryFormsGetTheNarrowestPropertyAndTheirSizeMended) {
    for (const BinaryCase& c : kBinaryCases) {
        FormBuilder before, after;
        c.Build(before, false);
        c.Build(after, true);
        EXPECT_EQ(SetHelpContexts(before.FormFile("F"), c.Settings), after.FormFile("F")) << c.Name;
    }
    const std::string file = FormBuilder().Object("TForm1").EndProps().EndChildren().FormFile("F");
    const std::pair<std::string, std::string> bad[] = {{file, "Form has no component 1"},
                                                       {file.substr(0, file.size() - 1), "Stream read error"},
                                                       {"object A: TA\r\nend\r\n", "Invalid stream format"}};
    for (const auto& c : bad)
        EXPECT_EQ(ErrorOf([&] { return SetHelpContexts(c.first, {{1, 5}}); }), c.second);
}

// Texts written with "\n", which each case's line end replaces.
struct TextCase {
    const char* Name;
    const char* LineEnd;
    std::vector<THelpContextSetting> Settings;
    const char* Before;
    const char* After;
};

const TextCase kTextCases[] = {
    {"CR LF, after the last property line",
     "\r\n",
     {{0, 5}},
     "object Form1: TForm1\n  Left = 1\n  Top = 2\nend\n",
     "object Form1: TForm1\n  Left = 1\n  Top = 2\n  HelpContext = 5\nend\n"},
    {"LF, a component without properties",
     "\n",
     {{1, -3}},
     "object Form1: TForm1\n  Left = 1\n  object B: TButton\n  end\nend",
     "object Form1: TForm1\n  Left = 1\n  object B: TButton\n    HelpContext = -3\n  end\nend"},
    {"CR, multi-line values",
     "\r",
     {{0, 70000}, {1, 9}},
     "inherited F: TF\n  S = 'a' +\n    'b'\n  L = (\n    1\n    2)\n  C = <\n    item\n      X = 1\n    "
     "end>\n"
     "  inline P: TP\n    B = {\n      0011}\n  end\nend\n",
     "inherited F: TF\n  S = 'a' +\n    'b'\n  L = (\n    1\n    2)\n  C = <\n    item\n      X = 1\n    "
     "end>\n"
     "  HelpContext = 70000\n  inline P: TP\n    B = {\n      0011}\n    HelpContext = 9\n  end\nend\n"},
    {"an existing value replaced, an item's left alone",
     "\r\n",
     {{0, 12}},
     "object F: TF\n  HelpContext = 0\n  C = <\n    item\n      HelpContext = 1\n    end>\nend\n",
     "object F: TF\n  HelpContext = 12\n  C = <\n    item\n      HelpContext = 1\n    end>\nend\n"},
    {"tabs, a byte-order mark, a header with its end on one line",
     "\n",
     {{0, 1}, {1, 2}},
     "\xEF\xBB\xBFobject F: TF\n\tobject B: TB end\nend\n",
     "\xEF\xBB\xBFobject F: TF\n  HelpContext = 1\n\tobject B: TB\n\t  HelpContext = 2\n end\nend\n"},
};

std::string WithLineEnd(std::string text, const std::string& lineEnd) {
    std::string result;
    for (const char c : text)
        result += c == '\n' ? lineEnd : std::string(1, c);
    return result;
}

TEST(PropertyInserter, TextFormsGetALineWithTheirIndentAndLineEnd) {
    for (const TextCase& c : kTextCases) {
        const std::string before = WithLineEnd(c.Before, c.LineEnd);
        const std::string after = WithLineEnd(c.After, c.LineEnd);
        EXPECT_EQ(SetHelpContextsInText(before, c.Settings), after) << c.Name;
        BytesStream input(after);
        EXPECT_NO_THROW(FormTextToFormFile(input)) << c.Name;
    }
    const std::pair<const char*, const char*> bad[] = {
        {"object F: TF\nend\n", "Form has no component 1"},
        {"object F: TF\n  L = (\nend\n", "Line 3: ')' expected"}};
    for (const auto& c : bad)
        EXPECT_EQ(ErrorOf([&] { return SetHelpContextsInText(c.first, {{1, 5}}); }), c.second);
}

// Every real form given a number on every component reads back, through the conversion and the
// scan, as the old text with those numbers and nothing else changed.
std::string WithoutHelpLines(const std::string& text) {
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        const std::string line = text.substr(at, end - at);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, 14, "HelpContext = ") != 0)
            kept += line;
        at = end;
    }
    return kept;
}

// Numbers 1, 2, ... for every component of a text, counted by its header lines.
std::vector<THelpContextSetting> Numbering(const std::string& text) {
    std::vector<THelpContextSetting> settings;
    for (std::size_t at = 0; at < text.size(); at = std::min(text.find('\n', at), text.size()) + 1) {
        const std::size_t first = std::min(text.find_first_not_of(" \t", at), text.size());
        if (TextFormStart(std::string_view(text).substr(first, 10)) == 0)
            settings.push_back({settings.size(), static_cast<std::int32_t>(settings.size()) + 1});
    }
    return settings;
}

void ExpectNumbered(const std::string& oldText, const std::string& newText, std::size_t components,
                    const std::string& file) {
    EXPECT_EQ(WithoutHelpLines(newText), WithoutHelpLines(oldText)) << file;
    ScannedForm form;
    ScanFormText(newText, form);
    EXPECT_EQ(form.Number, 1) << file;
    ASSERT_EQ(form.Components.size() + 1, components) << file;
    for (std::size_t i = 0; i < form.Components.size(); ++i)
        EXPECT_EQ(form.Components[i].Number, static_cast<std::int32_t>(i) + 2) << file;
}

TEST(PropertyInserter, RealFormsReadBackAsTheOldTreeWithTheNewNumbers) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    int written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        const std::string name = entry.path().string();
        const std::string bytes = entry.is_regular_file() ? ReadWholeFile(name) : std::string();
        if (bytes.compare(0, 3, std::string("\xFF\x0A\x00", 3)) == 0) {
            std::string oldText;
            try {
                oldText = ToText(bytes);
            } catch (const Exception&) {
                EXPECT_THROW(SetHelpContexts(bytes, {{0, 1}}), Exception) << name;
                continue;
            }
            const std::vector<THelpContextSetting> settings = Numbering(oldText);
            ExpectNumbered(oldText, ToText(SetHelpContexts(bytes, settings)), settings.size(), name);
            ++written;
        } else if (TextFormStart(bytes) != std::string_view::npos) {
            const std::vector<THelpContextSetting> settings = Numbering(bytes);
            ExpectNumbered(bytes, SetHelpContextsInText(bytes, settings), settings.size(), name);
            ++written;
        }
    }
    EXPECT_GT(written, 700);
}

} // namespace
