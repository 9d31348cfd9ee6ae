#include "help/HelpEntries.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "help/Findings.h"
#include "report/CheckReport.h"
#include "report/MapReport.h"
#include "scanner/FormTextSearch.h"

namespace {

// The numbered nodes of forms as the scan reads them from their texts.
std::vector<HelpContextEntry> Tree(std::initializer_list<std::string> formTexts) {
    ScanResult result;
    for (const std::string& text : formTexts) {
        result.Forms.emplace_back();
        ScanFormText(text, result.Forms.back());
    }
    return HelpNodes(FormsOnce(result), false);
}

// A form text: the form's own number (0: none) and components given as name and number.
std::string Form(const std::string& name, int number,
                 std::initializer_list<std::pair<std::string, int>> components, bool ownNumberZero = false) {
    std::string text = "object " + name + ": T" + name + "\r\n";
    if (number != 0 || ownNumberZero)
        text += "  HelpContext = " + std::to_string(number) + "\r\n";
    for (const auto& component : components) {
        text += "  object " + component.first + ": TEdit\r\n";
        if (component.second != 0)
            text += "    HelpContext = " + std::to_string(component.second) + "\r\n";
        text += "  end\r\n";
    }
    return text + "end\r\n";
}

std::vector<HelpContextEntry> Entries(std::initializer_list<std::pair<std::string, int>> nodes) {
    std::vector<HelpContextEntry> entries;
    for (const auto& node : nodes) {
        const size_t dot = node.first.find('.');
        HelpContextEntry entry;
        entry.Form = node.first.substr(0, dot);
        if (dot != std::string::npos)
            entry.Component = node.first.substr(dot + 1);
        entry.Number = node.second;
        entries.push_back(entry);
    }
    return entries;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items)
        joined += (joined.empty() ? "" : " ") + item;
    return joined;
}

TEST(NumberedNodes, AreTheNodesWithANumberOtherThanZeroInTreeOrder) {
    const std::vector<HelpContextEntry> tree =
        Tree({Form("Main", 100, {{"Edit1", 110}, {"Plain", 0}, {"Edit2", -5}}),
              Form("NoOwn", 0, {{"Box", 7}}), Form("Zero", 0, {{"Button", 8}}, true),
              Form("Nothing", 0, {{"Label", 0}}), Form("Alone", 3, {}), Form("Unnamed", 4, {{"", 9}})});
    std::string nodes;
    for (const HelpContextEntry& entry : tree)
        nodes += entry.NodeName() + "=" + std::to_string(entry.Number) + " ";
    // A component without a name is still a component, never its form's own number.
    EXPECT_EQ(
        nodes,
        "Main=100 Main.Edit1=110 Main.Edit2=-5 NoOwn.Box=7 Zero.Button=8 Alone=3 Unnamed=4 Unnamed.=9 ");
    EXPECT_EQ(Joined(HelpMapIdentifiers(tree, "IDH_")),
              "IDH_Main IDH_Main_Edit1 IDH_Main_Edit2 IDH_NoOwn_Box IDH_Zero_Button IDH_Alone IDH_Unnamed "
              "IDH_Unnamed_");
}

TEST(HelpMapIdentifiers, ReplaceEveryOtherCharacterAndNumberRepeats) {
    const struct {
        std::vector<HelpContextEntry> entries;
        const char* prefix;
        const char* identifiers;
    } cases[] = {
        {Entries({{"Main", 1}, {"Main.Edit1", 2}}), "IDH_", "IDH_Main IDH_Main_Edit1"},
        {Entries({{"Caf\xE9-Form", 1}, {"Main.a b", 2}, {"x.\x80$:", 3}}), "IDH_",
         "IDH_Caf__Form IDH_Main_a_b IDH_x____"},
        {Entries({{"Main", 1}}), "help-", "help_Main"},
        {Entries({{"Main", 1}}), "", "Main"},
        {Entries({{"A", 1}, {"A", 2}, {"A", 3}}), "", "A A_2 A_3"},
        {Entries({{"A-B", 1}, {"A.B", 2}, {"A_B", 3}}), "", "A_B A_B_2 A_B_3"},
        // "The first free": a name that already ends in a suffix takes its place.
        {Entries({{"A_2", 1}, {"A", 2}, {"A", 3}, {"A_3", 4}}), "", "A_2 A A_3 A_3_2"},
        {Entries({{"A", 1}, {"A", 2}, {"A_2", 3}}), "", "A A_2 A_2_2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(HelpMapIdentifiers(c.entries, c.prefix)), c.identifiers) << c.identifiers;
}

TEST(HelpMapHeader, IsOneDefinePerEntryWithCrLf) {
    const std::vector<HelpContextEntry> tree =
        Tree({Form("Main", 100, {{"Edit1", 110}}), Form("Dialog", 0, {{"Edit1", -1}})});
    EXPECT_EQ(MapHeader(tree, "dir/Project1.mak", "quorvel-cli 9.9", "IDH_"),
              "/* Help context numbers of dir/Project1.mak (quorvel-cli 9.9) */\r\n"
              "#define IDH_Main 100\r\n"
              "#define IDH_Main_Edit1 110\r\n"
              "#define IDH_Dialog_Edit1 -1\r\n");
    EXPECT_EQ(MapHeader({}, "", "x", "IDH_"), "/* Help context numbers of  (x) */\r\n");
}

// A project's name never ends the comment early nor breaks its line.
TEST(HelpMapHeader, KeepsTheCommentWhole) {
    EXPECT_EQ(MapHeader({}, "a*/b\r\n*/.mak", "x", "IDH_"),
              "/* Help context numbers of a* /b  * /.mak (x) */\r\n");
}

TEST(HelpMapCsv, QuotesAsRfc4180AndWritesUtf8) {
    EXPECT_EQ(MapCsv({}), "form,component,number\r\n");
    EXPECT_EQ(MapCsv(Entries({{"Main", 100}, {"Main.Edit1", -3}, {"Caf\xE9.\x80", 4}})),
              "form,component,number\r\nMain,,100\r\nMain,Edit1,-3\r\nCaf\xC3\xA9,\xE2\x82\xAC,4\r\n");
    // A damaged form can give names that hold the separators.
    HelpContextEntry odd;
    odd.Form = "a,b";
    odd.Component = "say \"hi\"\r\nthere";
    odd.Number = 5;
    EXPECT_EQ(MapCsv({odd}), "form,component,number\r\n\"a,b\",\"say \"\"hi\"\"\r\nthere\",5\r\n");
}

TEST(CheckHelpContexts, FindsRepeatedAndNegativeNumbersInTreeOrder) {
    const std::vector<HelpContextEntry> tree =
        Tree({Form("Main", 100, {{"Edit1", 110}, {"Edit2", -1}, {"Edit3", 110}}),
              Form("Dialog", 0, {{"Help", 100}, {"Back", -1}, {"Odd", -2}}), Form("Other", 0, {{"X", 5}})});
    const std::vector<HelpContextFinding> findings = CheckHelpContexts(tree);
    EXPECT_EQ(FindingsText(findings, tree, 3), "duplicate 100: Main, Dialog.Help\n"
                                               "duplicate 110: Main.Edit1, Main.Edit3\n"
                                               "duplicate -1: Main.Edit2, Dialog.Back\n"
                                               "negative -1: Main.Edit2\n"
                                               "negative -1: Dialog.Back\n"
                                               "negative -2: Dialog.Odd\n"
                                               "6 findings in 3 forms\n");
    EXPECT_EQ(FindingsJson(findings, tree, {}),
              "[\n"
              "  {\"kind\": \"duplicate\", \"number\": 100, \"nodes\": [\"Main\", \"Dialog.Help\"]},\n"
              "  {\"kind\": \"duplicate\", \"number\": 110, \"nodes\": [\"Main.Edit1\", \"Main.Edit3\"]},\n"
              "  {\"kind\": \"duplicate\", \"number\": -1, \"nodes\": [\"Main.Edit2\", \"Dialog.Back\"]},\n"
              "  {\"kind\": \"negative\", \"number\": -1, \"nodes\": [\"Main.Edit2\"]},\n"
              "  {\"kind\": \"negative\", \"number\": -1, \"nodes\": [\"Dialog.Back\"]},\n"
              "  {\"kind\": \"negative\", \"number\": -2, \"nodes\": [\"Dialog.Odd\"]}\n"
              "]\n");
}

TEST(CheckHelpContexts, ACleanProjectHasNoFindings) {
    const std::vector<HelpContextEntry> tree =
        Tree({Form("Main", 100, {{"Edit1", 110}}), Form("Zero", 0, {{"A", 1}}, true),
              Form("Zero2", 0, {{"B", 2}}, true)});
    const std::vector<HelpContextFinding> findings = CheckHelpContexts(tree);
    EXPECT_TRUE(findings.empty());
    EXPECT_EQ(FindingsText(findings, tree, 3), "0 findings in 3 forms\n");
    EXPECT_EQ(FindingsJson(findings, tree, {}), "[]\n");
}

TEST(CheckHelpContexts, JsonNamesAreUtf8) {
    const std::vector<HelpContextEntry> tree = Entries({{"Caf\xE9.\"q\"", -1}});
    const std::vector<HelpContextFinding> findings = CheckHelpContexts(tree);
    EXPECT_EQ(FindingsJson(findings, tree, {}),
              "[\n  {\"kind\": \"negative\", \"number\": -1, \"nodes\": [\"Caf\xC3\xA9.\\\"q\\\"\"]}\n]\n");
}

} // namespace
