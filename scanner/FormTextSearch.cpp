#include "scanner/FormTextSearch.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "formstream/FormTextLayout.h"
#include "formstream/FormTextTokenizer.h"
#include "runtime/Text.h"

namespace {

using namespace form_text;

// Names are cut out into a buffer of 256 bytes.
constexpr size_t kMaxNameLength = 255;
constexpr std::string_view kHelpContextProperty = "HelpContext = ";
constexpr std::string_view kHelpTypeProperty = "HelpType = ";
constexpr std::string_view kHelpKeywordProperty = "HelpKeyword = ";
constexpr std::string_view kTabOrderProperty = "TabOrder = ";
// Room for the nodes of a kept tree at first: a little more than real forms hold on average.
constexpr size_t kNodesAtFirst = 16;

bool IsBlankSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// White space, an optional sign and decimal digits; no digits read as 0. The value wraps at 32 bits.
std::int32_t ReadNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlankSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        value = value * 10u + static_cast<std::uint32_t>(text[at++] - '0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// A header line: how it brings its component in, its name and its class.
struct THeaderLine {
    THeaderKind Kind = THeaderKind::kObject;
    std::string_view Name;
    std::string_view Class;
};

// The header a line is (the text after its indentation), or nothing when the line is no header. The
// name runs from after its word up to the line's first ":", at most 255 characters, and is empty when
// the line holds no ":"; the class is the word after the ":" (after the header's word when there is no
// ":"), without a child position " [n]" after it. Most lines are properties: the first letter sends
// them on before any word is compared.
std::optional<THeaderLine> HeaderOf(std::string_view text) {
    if (text.empty() || (text[0] != 'o' && text[0] != 'i'))
        return std::nullopt;
    static constexpr std::pair<std::string_view, THeaderKind> kWords[] = {
        {kObjectWord, THeaderKind::kObject},
        {kInheritedWord, THeaderKind::kInherited},
        {kInlineWord, THeaderKind::kInline}};
    for (const auto& [word, kind] : kWords) {
        if (!StartsWith(text, word))
            continue;
        std::string_view rest = text.substr(word.size());
        THeaderLine header{kind, std::string_view(), rest};
        const size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            header.Name = rest.substr(0, std::min(colon, kMaxNameLength));
            header.Class = rest.substr(colon + 1);
        }
        header.Class.remove_prefix(std::min(header.Class.find_first_not_of(" \t"), header.Class.size()));
        header.Class = header.Class.substr(0, header.Class.find_first_of(" \t"));
        return header;
    }
    return std::nullopt;
}

// The form's text, line by line: CR LF or LF ends a line, and the end of the text ends the last.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line without moving past it.
    bool Peek(std::string_view& line) const {
        LineReader copy = *this;
        return copy.Next(line);
    }

    bool Next(std::string_view& line) {
        if (at_ >= text_.size())
            return false;
        const size_t feed = text_.find('\n', at_);
        const size_t end = feed == std::string_view::npos ? text_.size() : feed;
        line = text_.substr(at_, end - at_);
        if (feed != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        at_ = end + 1;
        return true;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
};

// A node's help settings as its window gives them: each property's first line counts.
struct WindowHelp {
    std::optional<std::int32_t> Number;
    THelpType StatedType = THelpType::kUnstated;
    std::optional<TFormString> Keyword;
    bool TypeSeen = false;
    bool KeywordSeen = false;
    bool TabOrder = false;
};

THelpType HelpTypeOf(std::string_view value) {
    value = value.substr(0, value.find_first_of(" \t"));
    if (value == "htKeyword")
        return THelpType::kKeyword;
    return value == "htContext" ? THelpType::kContext : THelpType::kUnstated;
}

} // namespace

// One pass over the lines. Each header opens the window of its own properties: the lines after it,
// up to the next header or its own "end" line, indented exactly two blanks deeper than it. Deeper
// lines there belong to list items, binary blocks and collection items, whose help is not the
// component's. The first header is the form's. A component is kept when its window sets a number
// other than 0 or any keyword help. A header nests in the nearest header before it that is indented
// less and not yet closed by a header as little indented as it; the form holds every other, also one
// after its own end.
void ScanFormText(std::string_view text, ScannedForm& form, TFormTree* tree) {
    LineReader lines(text);
    bool formSeen = false;
    std::string_view name; // of the header whose window is open, in the text
    bool isForm = false;   // whether that header is the form's
    bool windowOpen = false;
    size_t indent = 0; // of that header
    WindowHelp help;
    // Kept trees: the headers that may hold the next one, by their indentation and their nodes.
    std::vector<std::pair<size_t, size_t>> holders;

    const auto close = [&] {
        if (!windowOpen)
            return;
        windowOpen = false;
        if (tree) {
            TFormNode& node = tree->Nodes.back();
            node.HelpContext = help.Number;
            node.HelpType = help.StatedType;
            node.HelpKeyword = help.Keyword;
            node.Windowed = help.TabOrder;
        }
        if (isForm) {
            form.Number = help.Number;
            form.StatedType = help.StatedType;
            form.Keyword = std::move(help.Keyword);
        } else if (help.Number.value_or(0) != 0 || help.TypeSeen || help.KeywordSeen) {
            form.Components.push_back(ScannedComponent{std::string(name), help.Number.value_or(0),
                                                       help.StatedType, std::move(help.Keyword)});
        }
    };
    const auto open = [&](const THeaderLine& header, size_t blanks) {
        while (holders.size() > 1 && holders.back().first >= blanks)
            holders.pop_back();
        if (tree->Nodes.empty())
            tree->Nodes.reserve(kNodesAtFirst);
        TFormNode& node = tree->Nodes.emplace_back();
        node.Name = header.Name;
        node.ClassName = header.Class;
        node.Header = header.Kind;
        if (!holders.empty())
            node.Parent = holders.back().second;
        holders.emplace_back(blanks, tree->Nodes.size() - 1);
    };
    std::string_view line;
    while (lines.Next(line)) {
        size_t blanks = 0;
        while (blanks < line.size() && line[blanks] == ' ')
            ++blanks;
        const std::string_view rest = line.substr(blanks);
        // Only a header ("object", "inherited", "inline"), an "end" or a help property ("Help...") matters,
        // and for a tree TabOrder: most lines are passed over on their first letter.
        const char first = rest.empty() ? '\0' : rest[0];
        if (first != 'o' && first != 'i' && first != 'e' && first != 'H' && (first != 'T' || !tree))
            continue;
        if (const std::optional<THeaderLine> header = HeaderOf(rest)) {
            close();
            name = header->Name;
            isForm = !formSeen;
            formSeen = true;
            windowOpen = true;
            indent = blanks;
            help = WindowHelp();
            if (isForm)
                form.Name = name;
            if (tree)
                open(*header, blanks);
            continue;
        }
        if (!windowOpen)
            continue;
        if (blanks == indent && rest == kEndLine) {
            close();
        } else if (blanks != indent + kIndentStep) {
            continue;
        } else if (first == 'T') {
            help.TabOrder = help.TabOrder || StartsWith(rest, kTabOrderProperty);
        } else if (first != 'H') {
            continue;
        } else if (StartsWith(rest, kHelpContextProperty)) {
            if (!help.Number)
                help.Number = ReadNumber(rest.substr(kHelpContextProperty.size()));
        } else if (StartsWith(rest, kHelpTypeProperty)) {
            if (!help.TypeSeen)
                help.StatedType = HelpTypeOf(rest.substr(kHelpTypeProperty.size()));
            help.TypeSeen = true;
        } else if (StartsWith(rest, kHelpKeywordProperty)) {
            // A long string goes on over the lines after it, indented deeper, each piece but the last
            // ending in "+". A line that is a header stays one.
            std::string value(rest.substr(kHelpKeywordProperty.size()));
            const auto continues = [blanks](std::string_view more) {
                const size_t deeper = std::min(more.find_first_not_of(' '), more.size());
                return deeper > blanks && !HeaderOf(more.substr(deeper));
            };
            for (std::string_view more;
                 !value.empty() && value.back() == '+' && lines.Peek(more) && continues(more);) {
                lines.Next(more);
                value.append(" ").append(more);
            }
            if (!help.KeywordSeen)
                help.Keyword = ParseFormString(value);
            help.KeywordSeen = true;
        }
    }
    close();
    form.Components.shrink_to_fit(); // kept for as long as the result lives
    if (tree)
        tree->Nodes.shrink_to_fit();
}

TFormTree FormTreeOf(std::string_view text) {
    ScannedForm form;
    TFormTree tree;
    ScanFormText(text, form, &tree);
    return tree;
}
