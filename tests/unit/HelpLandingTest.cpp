#include "scanner/HelpLanding.h"

#include <gtest/gtest.h>

namespace {

// A node by name, nested in the node named `parent` ("" for the root); `help` states its help as a
// text would: "5" a HelpContext, "'k'" a keyword ("''" an empty one), "kw"/"ctx" a HelpType, any of
// them joined by blanks.
struct NodeText {
    const char* Name;
    const char* Parent;
    bool Windowed;
    const char* Help = "";
    THeaderKind Header = THeaderKind::kObject;
};

TFormTree Tree(const std::vector<NodeText>& texts) {
    TFormTree tree;
    for (const NodeText& text : texts) {
        TFormNode node;
        node.Name = text.Name;
        node.Windowed = text.Windowed;
        node.Header = text.Header;
        for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
            if (tree.Nodes[i].Name == text.Parent)
                node.Parent = i;
        }
        const std::string help = text.Help;
        for (std::size_t at = 0; at < help.size();) {
            const std::string word = help.substr(at, help.find(' ', at) - at);
            at += word.size() + 1;
            if (word == "kw" || word == "ctx")
                node.HelpType = word == "kw" ? THelpType::kKeyword : THelpType::kContext;
            else if (word[0] == '\'')
                node.HelpKeyword = TFormString{false, word.substr(1, word.size() - 2), {}};
            else
                node.HelpContext = std::stoi(word);
        }
        tree.Nodes.push_back(node);
    }
    return tree;
}

// "Control=lands(Via)" for each focusable node.
std::string Landings(const TFormTree& tree, bool laterVersions) {
    std::string text;
    for (const TFocusLanding& landing : WhereF1Lands(tree, laterVersions)) {
        text +=
            (text.empty() ? "" : " ") + tree.Nodes[landing.Control].Name + "=" + LandingName(landing.Lands);
        if (landing.Via)
            text += "(" + tree.Nodes[*landing.Via].Name + ")";
    }
    return text;
}

constexpr THeaderKind kInherited = THeaderKind::kInherited;
constexpr THeaderKind kInline = THeaderKind::kInline;

struct LandingCase {
    const char* Name;
    std::vector<NodeText> Nodes;
    bool LaterVersions;
    const char* Expected;
};

TEST(HelpLanding, WhereF1LandsFromEachFocusableControl) {
    const LandingCase cases[] = {
        {"the form's help reaches through a panel; a panel of labels is focusable",
         {{"F", "", false, "10"},
          {"P", "F", true},
          {"E", "P", true},
          {"Q", "F", true},
          {"L", "Q", false, "3"}},
         false,
         "F=own(F) E=form(F) Q=form(F)"},
        {"the nearest container with help; none without a form's help; the number 0 is no help",
         {{"F", "", false},
          {"G", "F", true, "5"},
          {"P", "G", true},
          {"E", "P", true},
          {"B", "G", true, "7"},
          {"M", "F", true, "0"}},
         false,
         "F=none E=container(G) B=own(B) M=none"},
        {"keyword help in later versions",
         {{"F", "", false, "1"},
          {"A", "F", true, "'topic'"},
          {"B", "F", true, "kw 9"},
          {"C", "F", true, "ctx 'topic'"},
          {"D", "F", true, "kw ''"}},
         true,
         "F=own(F) A=own(A) B=form(F) C=form(F) D=form(F)"},
        {"no keyword help in the first version",
         {{"F", "", false}, {"A", "F", true, "'topic'"}, {"B", "F", true, "kw 9"}},
         false,
         "F=none A=none B=own(B)"},
        {"inherited nodes: unknown until a stated help decides",
         {{"F", "", false, "", kInherited},
          {"A", "F", true, "", kInherited},
          {"B", "F", true, "0", kInherited},
          {"C", "F", true, "4"},
          {"P", "F", true, "3", kInherited},
          {"E", "P", true}},
         false,
         "F=unknown A=unknown B=unknown C=own(C) E=container(P)"},
        {"inside a frame placed inline, under a form with help",
         {{"F", "", false, "1"},
          {"R", "F", true, "", kInline},
          {"E", "R", true, "", kInherited},
          {"N", "R", true},
          {"S", "R", true, "0", kInherited},
          {"T", "F", true, "0", kInherited}},
         false,
         "F=own(F) E=unknown N=unknown S=unknown T=form(F)"},
        {"later versions: an ancestor's htKeyword may void a stated number",
         {{"F", "", false, "1"},
          {"A", "F", true, "6", kInherited},
          {"B", "F", true, "ctx 6", kInherited},
          {"C", "F", true, "6 'k'", kInherited},
          {"D", "F", true, "0 ''", kInherited}},
         true,
         "F=own(F) A=unknown B=own(B) C=own(C) D=form(F)"},
    };
    for (const LandingCase& c : cases)
        EXPECT_EQ(Landings(Tree(c.Nodes), c.LaterVersions), c.Expected) << c.Name;
}

} // namespace
