#include "scanner/HelpContextScan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "formstream/StringList.h"
#include "runtime/Exceptions.h"
#include "tests/support/TestFiles.h"

namespace {

// A form text as the conversion writes it: every line ends with CR LF.
std::string FormText(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

std::string ScanText(const std::string& text) {
    TMemoryTree tree;
    ScanFormText(text.data(), static_cast<std::int32_t>(text.size()), tree);
    return tree.ToText();
}

std::string NameList(const std::string& makefile) {
    TStringList lines;
    lines.SetAllText(makefile);
    return ExtractFormNameList(lines);
}

// The message of the error of class E that `call` raises; a test failure when it raises none.
template <class E, class Call> std::string MessageOf(Call call) {
    try {
        call();
    } catch (const E& error) {
        return error.Message();
    }
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
        TextCase{"nested panel reports the first button's number under its own name",
                 FormText({"object Form1: TForm1", "  object Panel1: TPanel", "    object Button1: TButton",
                           "      HelpContext = 10", "    end", "    object Button2: TButton",
                           "      HelpContext = 20", "    end", "  end", "  object Edit1: TEdit",
                           "    HelpContext = 30", "  end", "end"}),
                 "Form1\n  Panel1:10\n  Button2:20\n  Edit1:30\n"},
        TextCase{"\"end\" inside a component's name hides its context",
                 FormText({"object Form1: TForm1", "  object SendButton: TButton", "    HelpContext = 4",
                           "  end", "  object Calendar1: TCalendar", "    HelpContext = 6", "  end", "end"}),
                 ""},
        TextCase{"a component without context before one with a context",
                 FormText({"object F: TF", "  object A: TA", "  end", "  object B: TB", "    HelpContext = 2",
                           "  end", "end"}),
                 "F\n  B:2\n"},
        TextCase{"\"object\" in a caption starts a false component",
                 FormText({"object F: TF", "  object L: TLabel", "    Caption = 'an object: here'",
                           "    HelpContext = 9", "  end", "end"}),
                 "F\n  L:9\n"},
        TextCase{"an inherited form takes its name from the eighth character",
                 FormText({"inherited Form2: TForm2", "  HelpContext = 8", "  object B: TB", "  end", "end"}),
                 "ed Form2:8\n"},
        TextCase{"nested inherited components are never met",
                 FormText({"object F: TF", "  inherited B: TB", "    HelpContext = 8", "  end", "end"}),
                 "F:8\n"},
        TextCase{"no \"object\" anywhere", FormText({"inherited F: TF", "  HelpContext = 1", "end"}), ""},
        TextCase{"no colon anywhere", FormText({"object TForm1", "  HelpContext = 1", "end"}), ""}));

TEST(ScanFormText, NamesStopAt255CharactersAndANegativeSpanIsEmpty) {
    const std::string longName(300, 'N');
    EXPECT_EQ(ScanText(FormText({("object " + longName + ": TF").c_str(), "  HelpContext = 1", "end"})),
              std::string(255, 'N') + ":1\n");
    // "object:" in a string: the colon stands within the seven characters after "object".
    EXPECT_EQ(ScanText(FormText({"object F: TF", "  object A: TA", "    Caption = 'object:'",
                                 "    HelpContext = 3", "  end", "end"})),
              "F\n  A:3\n");
    EXPECT_EQ(ScanText("object F: TF\r\n  X = 'object:'\r\n  HelpContext = 3\r\nend\r\n"), "F\n  :3\n");
}

TEST(ScanFormText, NeverReadsPastTheText) {
    // The number would stand beyond the end: nothing there reads as 0.
    const std::string cut = "object F: TF\r\n  object A: TA\r\n  HelpContext";
    EXPECT_EQ(ScanText(cut), "");
    const std::string atEnd = "object F: TF\r\n  HelpContext";
    EXPECT_EQ(ScanText(atEnd), "F:0\n");
    // Only `size` bytes count, whatever follows them in memory.
    const std::string text = "object F: TF\r\n  HelpContext = 12345";
    TMemoryTree tree;
    ScanFormText(text.data(), static_cast<std::int32_t>(text.size() - 3), tree);
    EXPECT_EQ(tree.ToText(), "F:12\n");
}

TEST(ScanFormText, ImagesAndNoStateImage) {
    TMemoryTree tree;
    const std::string text = FormText({"object F: TF", "  HelpContext = 1", "  object A: TA",
                                       "    HelpContext = 2", "  end", "end", "object G: TG"});
    ScanFormText(text.data(), static_cast<std::int32_t>(text.size()), tree);
    ASSERT_EQ(tree.Roots().size(), 1u);
    const TMemoryTree::Item& form = tree.Roots()[0];
    EXPECT_EQ(form.ImageIndex, kImageFormWithContext);
    EXPECT_EQ(form.SelectedIndex, kImageFormWithContext);
    EXPECT_EQ(form.StateIndex, -1);
    ASSERT_EQ(form.Children.size(), 1u);
    EXPECT_EQ(form.Children[0].ImageIndex, kImageComponent);
    EXPECT_EQ(form.Children[0].SelectedIndex, kImageComponent);

    TMemoryTree bare;
    const std::string noOwn =
        FormText({"object F: TF", "  object A: TA", "    HelpContext = 2", "  end", "end"});
    ScanFormText(noOwn.data(), static_cast<std::int32_t>(noOwn.size()), bare);
    EXPECT_EQ(bare.Roots()[0].ImageIndex, kImageFormWithoutContext);
    EXPECT_EQ(bare.Roots()[0].SelectedIndex, kImageFormWithoutContext);
}

TEST(ScanFormText, ManyComponentsWithoutContextStayLinear) {
    // 100 000 components and no HelpContext anywhere: finishes (the benchmark measures how fast).
    std::string text = "object F: TF\r\n";
    for (int i = 0; i < 100000; ++i)
        text += "  object B" + std::to_string(i) + ": TButton\r\n    Left = 1\r\n  end\r\n";
    text += "end\r\n";
    EXPECT_EQ(ScanText(text), "");
}

TEST(FormNameList, CutsTheFirst23CharactersOfTheFirstMacroLine) {
    EXPECT_EQ(NameList("# RESDEPEN comment\r\nRESDEPEN = $(RESFILES) a.dfm\r\n"), "");
    EXPECT_EQ(NameList("CFLAG = x\r\nRESDEPEN = $(RESFILES) Unit1.dfm Unit2.dfm\r\n"), "Unit1.dfm Unit2.dfm");
    EXPECT_EQ(NameList("RESDEPEN = $(RESFILES)X.dfm\r\n"), ".dfm");
    EXPECT_EQ(NameList("  RESDEPEN = $(RESFILES) a.dfm\r\n"), ") a.dfm");
    EXPECT_EQ(NameList("xRESDEPENx\r\n"), "");
    EXPECT_EQ(NameList("no macro here\r\nresdepen = $(RESFILES) a.dfm\r\n"), "");
}

TEST(FormNameList, JoinsContinuationLines) {
    EXPECT_EQ(NameList("RESDEPEN = $(RESFILES) Unit1.dfm Unit2.dfm \\\r\n    Unit3.dfm\r\nOTHER = 1\r\n"),
              "Unit1.dfm Unit2.dfm      Unit3.dfm");
    EXPECT_EQ(SplitFormNames(NameList("RESDEPEN = $(RESFILES) Unit1.dfm Unit2.dfm \\\r\n    Unit3.dfm\r\n")),
              (std::vector<std::string>{"Unit1.dfm", "Unit2.dfm", "Unit3.dfm"}));
    // A backslash inside a name continues too, and takes the next line whatever it holds.
    EXPECT_EQ(NameList("RESDEPEN = $(RESFILES) sub\\a.dfm\r\nNEXT = 1\r\n"), "suba.dfm NEXT = 1");
    // A backslash among the first 23 characters goes with them.
    EXPECT_EQ(NameList("RESDEPEN = $(RESFILES)\\ a.dfm\r\n"), " a.dfm");
    // Each pass takes one more line; backslashes of appended lines continue again.
    EXPECT_EQ(NameList("RESDEPEN = $(RESFILES) a \\\r\nb \\\r\nc\r\n"), "a  b  c");
}

TEST(FormNameList, ContinuationPastTheLastLineRaises) {
    EXPECT_EQ(MessageOf<EListError>([] { NameList("RESDEPEN = $(RESFILES) a.dfm \\\r\n"); }),
              "List index out of bounds");
}

TEST(FormNameList, SplitsAtBlanksOnly) {
    EXPECT_EQ(SplitFormNames("  a.dfm   b.dfm "), (std::vector<std::string>{"a.dfm", "b.dfm"}));
    EXPECT_EQ(SplitFormNames("a.dfm\tb.dfm"), (std::vector<std::string>{"a.dfm\tb.dfm"}));
    EXPECT_TRUE(SplitFormNames("   ").empty());
    EXPECT_TRUE(SplitFormNames("").empty());
}

TEST(Rescan, EmptyTextDoesNothing) {
    TMemoryTree tree;
    tree.AddRoot("kept");
    Rescan("", tree);
    EXPECT_EQ(tree.ToText(), "kept\n");
}

TEST(Rescan, AProjectThatCannotBeOpenedLeavesTheTree) {
    TempDir dir;
    TMemoryTree tree;
    tree.AddRoot("kept");
    const std::string missing = dir.File("missing.mak");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { Rescan(missing, tree); }), "Cannot open file " + missing);
    EXPECT_THROW(Rescan(dir.Path(), tree), EFOpenError); // a folder
    EXPECT_EQ(tree.ToText(), "kept\n");
}

TEST(Rescan, ContinuationPastTheEndLeavesTheTree) {
    TempDir dir;
    const std::string project = dir.Write("p.mak", "RESDEPEN = $(RESFILES) a.dfm \\\r\n");
    TMemoryTree tree;
    tree.AddRoot("kept");
    EXPECT_THROW(Rescan(project, tree), EListError);
    EXPECT_EQ(tree.ToText(), "kept\n");
}

TEST(Rescan, NoMacroEmptiesTheTree) {
    TempDir dir;
    const std::string project = dir.Write("p.mak", "PROJECT = p.exe\r\n");
    TMemoryTree tree;
    tree.AddRoot("old");
    Rescan(project, tree);
    EXPECT_EQ(tree.ToText(), "");
}

// Form names stand relative to the current directory: a path in a makefile has backslashes, which
// continue the macro line.
TEST(Rescan, MissingFormsAreSkippedAndWildcardsExistButCannotBeOpened) {
    TempDir dir;
    ScopedCurrentDir current(dir.Path());
    dir.Write("a.txt", "not a form");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) nothing.dfm *.txt\r\n");
    TMemoryTree tree;
    EXPECT_EQ(MessageOf<EFOpenError>([&] { Rescan("p.mak", tree); }), "Cannot open file *.txt");
}

TEST(Rescan, AFileThatIsNoFormStopsTheScan) {
    TempDir dir;
    ScopedCurrentDir current(dir.Path());
    dir.Write("text.dfm", "object Form1: TForm1\r\nend\r\n");
    dir.Write("p.mak", "RESDEPEN = $(RESFILES) text.dfm\r\n");
    TMemoryTree tree;
    EXPECT_EQ(MessageOf<EInvalidImage>([&] { Rescan("p.mak", tree); }), "Invalid stream format");
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
        ScopedCurrentDir current(entry.path().parent_path().string());
        TMemoryTree tree;
        try {
            Rescan(entry.path().filename().string(), tree);
        } catch (const Exception& error) {
            EXPECT_FALSE(error.Message().empty()) << entry.path();
        }
        for (const TMemoryTree::Item& form : tree.Roots()) {
            EXPECT_FALSE(form.ImageIndex == kImageFormWithoutContext && form.Children.empty())
                << entry.path();
            for (const TMemoryTree::Item& component : form.Children)
                EXPECT_NE(component.Caption.find(':'), std::string::npos) << entry.path();
        }
    }
    EXPECT_GT(projects, 0);
}

} // namespace
