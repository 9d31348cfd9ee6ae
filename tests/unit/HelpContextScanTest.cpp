#include "scanner/FormTextSearch.h"
#include "scanner/ProjectFile.h"
#include "scanner/Rescan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "formstream/FormText.h"
#include "io/StringList.h"
#include "report/ScanReport.h"
#include "runtime/Exceptions.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/FormCompiler.h"
#include "tests/support/ShortTree.h"
#include "tests/support/TestFiles.h"

namespace {

// A form text as the conversion writes it: every line ends with CR LF.
std::string FormText(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

ScannedForm Scanned(std::string_view text) {
    ScannedForm form;
    ScanFormText(text, form);
    return form;
}

std::string ScanText(std::string_view text) {
    ScanResult result;
    result.Forms.push_back(Scanned(text));
    return ScanText(result);
}

std::string NameList(const std::string& makefile) {
    TStringList lines;
    lines.SetAllText(makefile);
    return ExtractFormNameList(lines);
}

// The message of the error that ended the scan; a test failure when none did.
std::string MessageOf(const ScanResult& result) {
    if (result.Failure)
        return result.Failure->Message;
    ADD_FAILURE() << "no error";
    return std::string();
}

struct TextCase {
    const char* what;
    std::string text;
    const char* tree;
};

class ScanFormTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ScanFormTextTest, GivesTheTree) {
    EXPECT_EQ(ScanText(GetParam().text), GetParam().tree) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ScanFormTextTest,
    ::testing::Values(
        TextCase{"own context before the first nested object",
                 FormText({"object Form1: TForm1", "  HelpContext = 5", "  object Button1: TButton", "  end",
                           "end"}),
                 "Form1:5\n"},
        TextCase{"own context, no nested objects",
                 FormText({"object Form1: TForm1", "  HelpContext = 100", "end"}), "Form1:100\n"},
        TextCase{"nothing anywhere gives no node",
                 FormText({"object Form1: TForm1", "  Caption = 'x'", "  object Button1: TButton", "  end",
                           "end"}),
                 ""},
        TextCase{"component with a context under a bare form node",
                 FormText({"object Form1: TForm1", "  object Edit1: TEdit", "    HelpContext = 7", "  end",
                           "end"}),
                 "Form1\n  Edit1:7\n"},
        TextCase{"a component whose context reads 0 gives no node; at form level it does",
                 FormText({"object Form1: TForm1", "  HelpContext = 0", "  object Edit1: TEdit",
                           "    HelpContext = 0", "  end", "end"}),
                 "Form1:0\n"},
        TextCase{"negative numbers", FormText({"object F: TF", "  HelpContext = -3", "end"}), "F:-3\n"},
        TextCase{"the number wraps at 32 bits",
                 FormText({"object F: TF", "  HelpContext = 4294967297", "end"}), "F:1\n"},
        TextCase{"a sign and white space before the digits; no digits read as 0",
                 FormText({"object F: TF", "  object A: TA", "    HelpContext = \t+12x", "  end",
                           "  object B: TB", "    HelpContext = abc", "  end", "end"}),
                 "F\n  A:12\n"},
        TextCase{
            "a container without a number keeps none; every component at any depth has its own",
            FormText({"object Form1: TForm1", "  Caption = 'Send or Append'", "  object GroupBox1: TGroupBox",
                      "    Caption = 'Options'", "    object Button1: TButton", "      HelpContext = 10",
                      "    end", "    object Button2: TButton", "      HelpContext = 20", "    end", "  end",
                      "  object SendButton: TButton", "    Caption = 'Send'", "    HelpContext = 30", "  end",
                      "  object Edit1: TEdit", "    HelpContext = 40", "  end", "end"}),
            "Form1\n  Button1:10\n  Button2:20\n  SendButton:30\n  Edit1:40\n"},
        TextCase{"\"end\" inside names and values hides nothing",
                 FormText({"object Form1: TForm1", "  object Legend1: TLabel", "    SortType = loAscending",
                           "    HelpContext = 4", "  end", "  object Calendar1: TCalendar",
                           "    HelpContext = 6", "  end", "end"}),
                 "Form1\n  Legend1:4\n  Calendar1:6\n"},
        TextCase{"a component without context before one with a context",
                 FormText({"object F: TF", "  object A: TA", "  end", "  object B: TB", "    HelpContext = 2",
                           "  end", "end"}),
                 "F\n  B:2\n"},
        TextCase{"\"object\" and \"HelpContext\" inside strings and longer names are text",
                 FormText({"object F: TF", "  Hint = 'object Fake: TFake'", "  object L: TLabel",
                           "    Caption = 'HelpContext = 9'", "    MyHelpContext = 8", "    HelpContextX = 7",
                           "    HelpContext=6", "  end", "end"}),
                 ""},
        TextCase{"inherited and inline headers, the form's included",
                 FormText({"inherited Form3: TForm3", "  HelpContext = 8", "  inherited B: TB",
                           "    HelpContext = 9", "  end", "  inline Frame1: TFrame1", "    HelpContext = 10",
                           "  end", "end"}),
                 "Form3:8\n  B:9\n  Frame1:10\n"},
        TextCase{"a HelpContext of a collection item is not its component's",
                 FormText({"object F: TF", "  object Bar: TStatusBar", "    Panels = <", "      item",
                           "        HelpContext = 5", "      end>", "    HelpContext = 6", "  end",
                           "  object Grid: TDBGrid", "    Columns = <", "      item",
                           "        HelpContext = 7", "      end>", "  end", "end"}),
                 "F\n  Bar:6\n"},
        TextCase{"the form's number is its own property, not an item's",
                 FormText({"object F: TF", "  Items = <", "    item", "      HelpContext = 5", "    end>",
                           "  object A: TA", "    HelpContext = 1", "  end", "end"}),
                 "F\n  A:1\n"},
        TextCase{"own properties end at the first child and at the own end line",
                 FormText({"object F: TF", "  object P: TPanel", "    object B: TB", "    end",
                           "    HelpContext = 3", "  end", "  HelpContext = 4", "end"}),
                 ""},
        TextCase{"only the first HelpContext of a component counts",
                 FormText({"object F: TF", "  object A: TA", "    HelpContext = 0", "    HelpContext = 5",
                           "  end", "end"}),
                 ""},
        TextCase{"lines at another indentation are not own properties",
                 FormText({"object F: TF", "  object A: TA", "   HelpContext = 1", "     HelpContext = 2",
                           "  HelpContext = 3", "\tHelpContext = 4", "  end", "end"}),
                 ""},
        TextCase{
            "text before the first header is not looked at",
            FormText({"HelpContext = 1", "  HelpContext = 2", "object F: TF", "  HelpContext = 3", "end"}),
            "F:3\n"},
        TextCase{"a header without a colon has an empty name",
                 FormText({"object TForm1", "  HelpContext = 1", "  object TBevel", "    HelpContext = 2",
                           "  end", "end"}),
                 ":1\n  :2\n"},
        TextCase{"headers after the form's end are its components",
                 FormText({"object F: TF", "end", "object G: TG", "  HelpContext = 2", "end"}), "F\n  G:2\n"},
        TextCase{"no header at all", FormText({"HelpContext = 1", "end"}), ""}));

TEST(ScanFormText, LinesEndAtLineFeedsWithOrWithoutACarriageReturn) {
    EXPECT_EQ(ScanText("object F: TF\n  HelpContext = 1\n  object A: TA\r\n    HelpContext = 2\nend"),
              "F:1\n  A:2\n");
    // A carriage return alone ends no line: the header's line goes on.
    EXPECT_EQ(ScanText("object F: TF\r  HelpContext = 1\r\nend\r\n"), "");
    // ...and one before a line feed is not part of the line, so "end" closes the window.
    EXPECT_EQ(ScanText("object F: TF\r\n  object A: TA\r\n  end\r\n    HelpContext = 5\r\nend\r\n"), "");
    // The number stays on its line.
    EXPECT_EQ(ScanText("object F: TF\r\n  HelpContext = \r\n7\r\nend\r\n"), "F:0\n");
}

TEST(ScanFormText, NamesStopAt255Characters) {
    const std::string longName(300, 'N');
    EXPECT_EQ(ScanText(FormText({("object " + longName + ": TF").c_str(), "  HelpContext = 1", "end"})),
              std::string(255, 'N') + ":1\n");
    EXPECT_EQ(ScanText(FormText({"object F: TF", ("  inline " + longName + ": TF").c_str(),
                                 "    HelpContext = 2", "  end", "end"})),
              "F\n  " + std::string(255, 'N') + ":2\n");
}

TEST(ScanFormText, NeverReadsPastTheText) {
    EXPECT_EQ(ScanText("object F: TF\r\n  object A: TA\r\n    HelpContext"), "");
    EXPECT_EQ(ScanText("object F: TF\r\n  HelpContext = "), "F:0\n");
    EXPECT_EQ(ScanText("object F"), "");
    // Only the text counts, whatever follows it in memory.
    const std::string text = "object F: TF\r\n  HelpContext = 12345";
    EXPECT_EQ(ScanText(std::string_view(text).substr(0, text.size() - 3)), "F:12\n");
}

TEST(ScanFormText, TheFormAndItsComponents) {
    const ScannedForm form = Scanned(FormText({"object F: TF", "  HelpContext = 1", "  object A: TA",
                                               "    HelpContext = 2", "  end", "end", "object G: TG"}));
    EXPECT_EQ(form.Name, "F");
    EXPECT_EQ(form.Number, 1);
    ASSERT_EQ(form.Components.size(), 1u);
    EXPECT_EQ(form.Components[0].Name, "A");
    EXPECT_EQ(form.Components[0].Number, 2);
    EXPECT_EQ(
        Scanned(FormText({"object F: TF", "  object A: TA", "    HelpContext = 2", "  end", "end"})).Number,
        std::nullopt);
}

// A form whose one component's properties are written by `properties`, as binary converted to text.
std::string ConvertedForm(const std::function<void(FormBuilder&)>& properties) {
    FormBuilder f;
    f.Object("TF", "F").EndProps().Object("TC", "C");
    properties(f);
    f.EndProps().EndChildren().EndChildren();
    BytesStream binary(f.FormFile("TF"));
    TMemoryStream text;
    FormFileToText(binary, text);
    return std::string(text.Memory(), static_cast<size_t>(text.Size()));
}

std::string TextForm(const std::string& properties) {
    return "object F: TF\r\n  object C: TC\r\n" + properties + "  end\r\nend\r\n";
}

// HelpType and HelpKeyword as forms of either kind hold them, every kind of string: the tree of later
// versions shows the keyword as the form text writes it, and the value holds it for UTF-8 outputs.
TEST(ScanFormText, ReadsKeywordHelpOfEveryStringKind) {
    const struct {
        const char* what;
        std::string text;
        const char* shown;
        const char* keyword; // in UTF-8, nullptr for none
    } cases[] = {
        {"a byte string", ConvertedForm([](FormBuilder& f) { f.Prop("HelpKeyword").String("it's"); }),
         "F\n  C:'it'#39's'\n", "it's"},
        {"a long string", ConvertedForm([](FormBuilder& f) { f.Prop("HelpKeyword").LongString("saving"); }),
         "F\n  C:'saving'\n", "saving"},
        {"a wide string",
         ConvertedForm([](FormBuilder& f) { f.Prop("HelpKeyword").WideString(u"\uCD94\uAC00"); }),
         "F\n  C:#52628#44032\n", "\xEC\xB6\x94\xEA\xB0\x80"},
        {"a UTF-8 string",
         ConvertedForm([](FormBuilder& f) { f.Prop("HelpKeyword").Utf8String("\xC3\xA9t\xC3\xA9"); }),
         "F\n  C:#233't'#233\n", "\xC3\xA9t\xC3\xA9"},
        {"a stated htKeyword leaves the number unused", ConvertedForm([](FormBuilder& f) {
             f.Prop("HelpType").Ident("htKeyword").Prop("HelpContext").Int(7).Prop("HelpKeyword").String("k");
         }),
         "F\n  C:'k'\n", "k"},
        {"a stated htKeyword without a keyword", TextForm("    HelpType = htKeyword\r\n"), "F\n  C:''\n",
         nullptr},
        {"a stated htContext keeps the number, not the keyword",
         TextForm("    HelpType = htContext\r\n    HelpContext = 5\r\n    HelpKeyword = 'k'\r\n"),
         "F\n  C:5\n", "k"},
        {"no stated type: a number and a keyword keep the number",
         TextForm("    HelpContext = 5\r\n    HelpKeyword = 'k'\r\n"), "F\n  C:5\n", "k"},
        {"pieces joined over lines, codes among them",
         TextForm("    HelpKeyword = 'ab'#13 +\r\n      'cd'\r\n"), "F\n  C:'ab'#13'cd'\n", "ab\rcd"},
        {"no stated type, a number 0 and no keyword: no node", TextForm("    HelpContext = 0\r\n"), "",
         nullptr},
    };
    for (const auto& c : cases) {
        ScanResult result;
        result.LaterVersions = true;
        result.Forms.push_back(Scanned(c.text));
        EXPECT_EQ(ScanText(result), c.shown) << c.what;
        const ScannedForm& form = result.Forms.back();
        if (c.keyword != nullptr && !form.Components.empty() && form.Components[0].Keyword)
            EXPECT_EQ(form.KeywordUtf8(*form.Components[0].Keyword), c.keyword) << c.what;
        else
            EXPECT_TRUE(c.keyword == nullptr && (form.Components.empty() || !form.Components[0].Keyword))
                << c.what;
    }
}

// The tree rides on the same pass: every header (as TreeOfShort writes it), and the same form and
// components as without it.
TEST(ScanFormText, KeepsTheWholeTreeWhenAsked) {
    const struct {
        const char* what;
        std::string text;
        const char* tree;
    } cases[] = {
        {"nesting by indentation; TabOrder marks a windowed control, a child position is no class",
         FormText({"object F: TF", "  object P: TP", "    TabOrder = 0", "    object E: TE [1]",
                   "      TabOrder = 1", "      HelpContext = 5", "    end", "    object L: TL", "    end",
                   "  end", "  object Q: TQ", "    TabOrder = 2", "  end", "end"}),
         "F, P<F w, E<P w 5, L<P, Q<F w"},
        {"header kinds and help properties, a stated 0 kept",
         FormText({"inherited F: TF", "  HelpContext = 0", "  inline R: TR", "    HelpType = htKeyword",
                   "    HelpKeyword = 'k'", "    inherited B: TB", "      HelpType = htContext", "    end",
                   "  end", "end"}),
         "F inherited 0, R<F inline kw 'k', B<R inherited ctx"},
        {"only own property lines count; a header after the form's end and one without a name are its",
         FormText({"object F: TF", "  object G: TG", "    Columns = <", "      item", "        TabOrder = 1",
                   "      end>", "  end", "  object P: TP", "    object B: TB", "    end", "    TabOrder = 3",
                   "  end", "end", "object T", "end"}),
         "F, G<F, P<F, B<P, <F"},
    };
    for (const auto& c : cases) {
        ScannedForm with, without;
        TFormTree tree;
        ScanFormText(c.text, with, &tree);
        ScanFormText(c.text, without);
        EXPECT_TRUE(tree == TreeOfShort(c.tree) && FormTreeOf(c.text) == tree) << c.what;
        EXPECT_TRUE(with.Name == without.Name && with.Number == without.Number &&
                    with.Components == without.Components)
            << c.what;
    }
}

TEST(ScanFormText, ManyComponentsWithoutContextStayLinear) {
    // 100 000 components and no HelpContext anywhere: finishes (the benchmark measures how fast).
    std::string text = "object F: TF\r\n";
    for (int i = 0; i < 100000; ++i)
        text += "  object B" + std::to_string(i) + ": TButton\r\n    Left = 1\r\n  end\r\n";
    text += "end\r\n";
    EXPECT_EQ(ScanText(text), "");
}

struct NameListCase {
    const char* what;
    const char* makefile;
    std::vector<std::string> names;
};

class FormNameListTest : public ::testing::TestWithParam<NameListCase> {};

TEST_P(FormNameListTest, GivesTheNames) {
    EXPECT_EQ(SplitFormNames(NameList(GetParam().makefile)), GetParam().names) << GetParam().what;
}

using Names = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Makefiles, FormNameListTest,
    ::testing::Values(
        NameListCase{"a RESDEPEN in a comment before the macro is the macro line",
                     "# RESDEPEN comment\r\nRESDEPEN = $(RESFILES) a.dfm\r\n", Names{}},
        NameListCase{"the first line that holds RESDEPEN",
                     "CFLAG = x\r\nRESDEPEN = $(RESFILES) U1.dfm U2.dfm\r\n", Names{"U1.dfm", "U2.dfm"}},
        NameListCase{"always 23 characters go", "RESDEPEN = $(RESFILES)X.dfm\r\n", Names{".dfm"}},
        NameListCase{"wherever RESDEPEN stands", "  RESDEPEN = $(RESFILES) a.dfm\r\n", Names{")", "a.dfm"}},
        NameListCase{"a short macro line", "xRESDEPENx\r\n", Names{}},
        NameListCase{"the search is case-sensitive", "resdepen = $(RESFILES) a.dfm\r\n", Names{}},
        NameListCase{"a continuation joins the next line",
                     "RESDEPEN = $(RESFILES) Unit1.dfm Unit2.dfm \\\r\n    Unit3.dfm\r\nOTHER = 1\r\n",
                     Names{"Unit1.dfm", "Unit2.dfm", "Unit3.dfm"}},
        NameListCase{"continued lines continue again", "RESDEPEN = $(RESFILES) a \\\r\nb\\\r\nc\r\nd\r\n",
                     Names{"a", "b", "c"}},
        NameListCase{"blanks and tabs after the backslash are set aside",
                     "RESDEPEN = $(RESFILES) a.dfm \\ \t \r\nb.dfm\r\n", Names{"a.dfm", "b.dfm"}},
        NameListCase{"a backslash inside a name is a folder separator",
                     "RESDEPEN = $(RESFILES) forms\\Main.dfm ..\\x.dfm\r\nNEXT = 1\r\n",
                     Names{"forms\\Main.dfm", "..\\x.dfm"}},
        NameListCase{"a name ending in a backslash continues the list",
                     "RESDEPEN = $(RESFILES) a.dfm forms\\\r\nb.dfm\r\n", Names{"a.dfm", "forms", "b.dfm"}},
        NameListCase{"a continuation after the last line ends the list",
                     "RESDEPEN = $(RESFILES) a.dfm \\\r\n", Names{"a.dfm"}},
        NameListCase{"the continued line may itself end the file", "RESDEPEN = $(RESFILES) a \\\r\nb \\",
                     Names{"a", "b"}},
        NameListCase{"a backslash among the first 23 characters goes with them",
                     "RESDEPEN = $(RESFILES)\\\r\nb.dfm\r\n", Names{}},
        NameListCase{"tabs separate names", "RESDEPEN = $(RESFILES)\ta.dfm\t\tb.dfm \t c.dfm\t\r\n",
                     Names{"a.dfm", "b.dfm", "c.dfm"}}));

TEST(FormNameList, ContinuationsStayLinear) {
    // 200 000 continued lines join in one pass.
    std::string makefile = "RESDEPEN = $(RESFILES) \\\r\n";
    for (int i = 0; i < 200000; ++i)
        makefile += "f" + std::to_string(i) + ".dfm \\\r\n";
    const Names names = SplitFormNames(NameList(makefile));
    ASSERT_EQ(names.size(), 200000u);
    EXPECT_EQ(names.back(), "f199999.dfm");
}

// Only a project read replaces what a tree shows: an empty text and a project that cannot be read
// leave it; a project without a macro empties it.
TEST(Rescan, WhatReplacesTheTree) {
    TempDir dir;
    const ScanResult empty = Rescan("");
    EXPECT_FALSE(empty.ProjectRead);
    EXPECT_FALSE(empty.Failure);
    const std::string missing = dir.File("missing.mak");
    const ScanResult unread = Rescan(missing);
    EXPECT_FALSE(unread.ProjectRead);
    EXPECT_EQ(MessageOf(unread), "Cannot open file " + missing);
    EXPECT_EQ(MessageOf(Rescan(dir.Path())), "Cannot open file " + dir.Path()); // a folder
    const ScanResult noMacro = Rescan(dir.Write("p.mak", "PROJECT = p.exe\r\n"));
    EXPECT_TRUE(noMacro.ProjectRead);
    EXPECT_TRUE(noMacro.Forms.empty());
    EXPECT_FALSE(noMacro.Failure);
}

TEST(Rescan, MissingFormsAreSkippedAndWildcardsExistButCannotBeOpened) {
    TempDir dir;
    ScopedCurrentDir current(dir.Path());
    dir.Write("a.txt", "not a form");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) nothing.dfm *.txt\r\n");
    EXPECT_EQ(MessageOf(Rescan("p.mak")), "Cannot open file *.txt");
}

// A compiled form whose text has the lines given.
std::string Form(std::initializer_list<const char*> lines) {
    return CompileFormText(FormText(lines), "TFORM");
}

TEST(Rescan, FindsFormsBesideTheProjectWhateverTheCurrentFolder) {
    TempDir project;
    TempDir elsewhere;
    project.Write("Unit1.dfm", Form({"object Beside: TForm1", "  HelpContext = 1", "end"}));
    project.Write("forms/Main.dfm", Form({"object Nested: TForm1", "  HelpContext = 2", "end"}));
    const std::string absolute =
        elsewhere.Write("Abs.dfm", Form({"object Absolute: TForm1", "  HelpContext = 3", "end"}));
    elsewhere.Write("Unit1.dfm", Form({"object Current: TForm1", "  HelpContext = 9", "end"}));
    const std::string mak =
        project.Write("p.mak", "RESDEPEN = $(RESFILES) Unit1.dfm forms\\Main.dfm " + absolute + "\r\n");
    ScopedCurrentDir current(elsewhere.Path());
    const std::string before = std::filesystem::current_path().string();
    EXPECT_EQ(ScanText(Rescan(mak)), "Beside:1\nNested:2\nAbsolute:3\n");
    EXPECT_EQ(std::filesystem::current_path().string(), before);
    // A project named without a folder is read, with its forms, from the current folder.
    ScopedCurrentDir inProject(project.Path());
    EXPECT_EQ(ScanText(Rescan("p.mak")), "Beside:1\nNested:2\nAbsolute:3\n");
}

// A project is read by its file and named as the user named it; a form that fails is named as listed.
TEST(Rescan, MessagesNameTheProjectAsGivenAndTheFormAsListed) {
    TempDir dir;
    dir.Write("My Projects/Unit1.dfm", Form({"object Form1: TForm1", "  HelpContext = 7", "end"}));
    dir.Write("My Projects/Unit2.dfm", "not a form");
    const std::string mak = dir.Write("My Projects/p.mak", "RESDEPEN = $(RESFILES) Unit1.dfm Unit2.dfm\r\n");
    const ScanResult failed = Rescan(ProjectName(mak, "\"" + mak + "\""));
    EXPECT_EQ(ScanText(failed), "Form1:7\n");
    EXPECT_EQ(failed.Failure, (Notice{Notice::kError, "Unit2.dfm", 0, "Invalid stream format"}));
    const std::string missing = dir.File("My Projects/none.mak");
    EXPECT_EQ(Rescan(ProjectName(missing, "\"" + missing + "\"")).Failure,
              (Notice{Notice::kError, "", 0, "Cannot open file \"" + missing + "\""}));
}

// Forms read on several threads come back in the list's order, and the scan ends at the first form in
// that order that fails (whichever thread met a failure first), with the warnings of the names before it.
TEST(Rescan, ThreadsKeepTheListsOrderAndItsFirstFailure) {
    TempDir dir;
    std::string list;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "F" + std::to_string(i) + ".dfm";
        const std::string header = "object F" + std::to_string(i) + ": TForm1";
        dir.Write(name, i == 41   ? std::string("no form")
                        : i == 45 ? std::string()
                                  : Form({header.c_str(), "  HelpContext = 1", "end"}));
        list += (i % 7 == 3 ? " missing" + std::to_string(i) + ".dfm " : " ") + name;
    }
    const std::string mak = dir.Write("p.mak", "RESDEPEN = $(RESFILES)" + list + "\r\n");
    for (const bool keepGoing : {false, true}) {
        ScanOptions options;
        options.KeepGoing = keepGoing;
        options.Threads = 1;
        const ScanResult one = Rescan(mak, options);
        ASSERT_EQ(one.Forms.size(), keepGoing ? 58u : 41u);
        ASSERT_EQ(one.Notices.size(), keepGoing ? 11u : 6u);
        for (const unsigned threads : {2u, 5u}) {
            options.Threads = threads;
            const ScanResult many = Rescan(mak, options);
            EXPECT_EQ(ScanText(many), ScanText(one)) << threads;
            EXPECT_EQ(many.Notices, one.Notices) << threads;
            EXPECT_EQ(many.Failure, one.Failure) << threads;
        }
    }
    const std::atomic<bool> cancel{true};
    ScanOptions cancelled;
    cancelled.Cancel = &cancel;
    EXPECT_TRUE(Rescan(mak, cancelled).Cancelled);
}

// A pasted name often brings blanks along; a list may name one file in two spellings.
TEST(Rescan, FilesListedTwice) {
    TempDir dir;
    dir.Write("A.dfm", Form({"object A: TForm1", "  HelpContext = 1", "end"}));
    const std::string mak = dir.Write("p.mak", "RESDEPEN = $(RESFILES) A.dfm sub\\..\\A.dfm ./A.dfm\r\n");
    std::filesystem::create_directory(dir.File("sub"));
    const ScanResult result = Rescan(mak);
    EXPECT_EQ(ScanText(result), "A:1\nA:1\nA:1\n");
    EXPECT_EQ(FormsOnce(result).size(), 1u);
}

TEST(Rescan, MessagesNameFormsAsListed) {
    TempDir dir;
    dir.Write("sub/a.txt", "not a form");
    const std::string mak = dir.Write("p.mak", "RESDEPEN = $(RESFILES) sub\\*.txt\r\n");
    EXPECT_EQ(MessageOf(Rescan(mak)), "Cannot open file sub\\*.txt");
}

TEST(Rescan, AnEntryThatIsNoFolderExistsWhateverItsDate) {
    TempDir dir;
    const std::string old = dir.Write("Old.dfm", Form({"object Old: TForm1", "  HelpContext = 1970", "end"}));
    // Some time in 1975: no DOS date can hold it.
    using Clock = std::filesystem::file_time_type::clock;
    std::filesystem::last_write_time(old, Clock::now() - std::chrono::hours(24 * 365 * 51));
    ASSERT_LT(std::filesystem::last_write_time(old), Clock::now() - std::chrono::hours(24 * 365 * 47));
    std::filesystem::create_directories(dir.File("Folder.dfm"));
    std::filesystem::create_directories(dir.File("only/Sub.dfm"));
    const std::string mak = dir.Write("p.mak", "RESDEPEN = $(RESFILES) Folder.dfm only\\*.dfm Old.dfm\r\n");
    EXPECT_EQ(ScanText(Rescan(mak)), "Old:1970\n");
}

TEST(Rescan, AFileThatIsNoFormStopsTheScan) {
    TempDir dir;
    ScopedCurrentDir current(dir.Path());
    dir.Write("text.dfm", "object Form1: TForm1\r\nend\r\n");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) text.dfm\r\n");
    EXPECT_EQ(MessageOf(Rescan("p.mak")), "Invalid stream format");
}

} // namespace

namespace {

// Every real project makefile next to the repository scans without a crash: a tree, or a clean
// error after the nodes of the forms before it.
TEST(Rescan, RealProjects) {
    const std::string corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no real-world corpus next to the repository";
    int projects = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".mak")
            continue;
        ++projects;
        const ScanResult result = Rescan(entry.path().string());
        EXPECT_TRUE(!result.Failure || !result.Failure->Message.empty()) << entry.path();
        for (const ScannedForm& form : result.Forms) {
            for (const ScannedComponent& component : form.Components)
                EXPECT_NE(component.Number, 0) << entry.path();
        }
    }
    EXPECT_GT(projects, 0);
}

} // namespace
