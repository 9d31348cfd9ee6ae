#include "scanner/ShownTree.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "scanner/FormTextSearch.h"

namespace {

ScanResult Result(const std::vector<std::string>& texts, bool later) {
    ScanResult result;
    result.LaterVersions = later;
    for (const std::string& text : texts) {
        result.Forms.emplace_back();
        ScanFormText(text, result.Forms.back());
    }
    return result;
}

// Each row as "form.component image caption" ("0.- 2 F" for a form's own row).
std::string Rows(const ScanResult& result) {
    std::string text;
    for (std::size_t form = 0; form < result.Forms.size(); ++form) {
        for (const TShownRow& row : ShownRows(result, form)) {
            text += std::to_string(row.Id.Form) + "." +
                    (row.Id.IsForm() ? std::string("-") : std::to_string(row.Id.Component)) + " " +
                    std::to_string(row.Image) + " " + row.Caption + "\n";
            EXPECT_EQ(TNodeId::Unpacked(row.Id.Packed()), row.Id);
            EXPECT_EQ(*NodeSettings(result, row.Id)->Name, row.Caption.substr(0, row.Caption.find(':')));
        }
    }
    EXPECT_EQ(ShownRowCount(result), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    return text;
}

const std::string kNumbered =
    "object Main: TMain\n  HelpContext = 100\n  object Edit: TEdit\n    HelpContext = 110\n"
    "  end\n  object Plain: TEdit\n  end\nend\n";
const std::string kBare = "object Bare: TBare\n  object Box: TBox\n    HelpContext = 7\n  end\nend\n";
const std::string kNothing = "object Empty: TEmpty\n  object Box: TBox\n  end\nend\n";
// A component helped only by its keyword stands before a numbered one: ids name each by its own place.
const std::string kKeywords = "object Search: TSearch\n  object Find: TEdit\n    HelpType = htKeyword\n"
                              "    HelpKeyword = 'saving'\n  end\n  object Numbered: TEdit\n"
                              "    HelpContext = 120\n  end\nend\n";

TEST(ShownTree, RowsCarryTheIdsOfTheirNodes) {
    const struct {
        const char* name;
        std::vector<std::string> forms;
        bool later;
        const char* rows;
    } cases[] = {
        {"forms with and without numbers",
         {kNumbered, kNothing, kBare},
         false,
         "0.- 0 Main:100\n0.0 1 Edit:110\n2.- 2 Bare\n2.0 1 Box:7\n"},
        {"keyword-only nodes of the first version", {kKeywords}, false, "0.- 2 Search\n0.1 1 Numbered:120\n"},
        {"keyword-only nodes of later versions",
         {kKeywords},
         true,
         "0.- 2 Search\n0.0 1 Find:'saving'\n0.1 1 Numbered:120\n"},
        {"a file listed twice", {kBare, kBare}, false, "0.- 2 Bare\n0.0 1 Box:7\n1.- 2 Bare\n1.0 1 Box:7\n"},
        {"nothing to show", {kNothing}, true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(Result(c.forms, c.later)), c.rows) << c.name;
}

// The same rows under other ids are another tree: the tree view's items would name other nodes.
TEST(ShownTree, TheSameTreeHasTheSameRowsAndIds) {
    const ScanResult shown = Result({kNumbered, kBare}, false);
    EXPECT_TRUE(SameShownTree(shown, Result({kNumbered, kBare}, false)));
    EXPECT_FALSE(SameShownTree(shown, Result({kNothing, kNumbered, kBare}, false)));
    EXPECT_FALSE(SameShownTree(shown, Result({kNumbered, kNumbered}, false)));
    EXPECT_FALSE(NodeSettings(shown, TNodeId{2, TNodeId::kFormItself}));
    EXPECT_FALSE(NodeSettings(shown, TNodeId{0, 5}));
}

} // namespace
