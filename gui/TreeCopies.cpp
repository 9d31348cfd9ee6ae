#include "gui/TreeCopies.h"

#include "io/Os.h"
#include "scanner/HelpMap.h"

#include <vector>

namespace {

// How many of the map's entries the nodes before `node` in tree order make, with the node itself when
// `including`.
std::size_t EntriesUpTo(const TMemoryTree& tree, TShownNode node, bool including) {
    TMemoryTree part;
    const std::vector<TMemoryTree::Item>& forms = tree.Roots();
    for (std::size_t f = 0; f <= node.Form; ++f) {
        const TMemoryTree::Item& form = forms[f];
        const bool last = f == node.Form;
        if (last && !node.Component && !including)
            break;
        const TResultTree::Node added = part.AddForm(form.Name, form.Number);
        const std::size_t children = !last            ? form.Children.size()
                                     : node.Component ? *node.Component + (including ? 1 : 0)
                                                      : 0;
        for (std::size_t c = 0; c < children; ++c)
            part.AddComponent(added, form.Children[c].Name, form.Children[c].Number.value_or(0));
    }
    return NumberedNodes(part).size();
}

} // namespace

// The numbered nodes, in tree order, are the map's entries: the node's entry is the one that the tree
// up to it adds to the tree before it, and its line is that entry's line of the map.
std::optional<std::string> HelpMapLine(const TMemoryTree& tree, TShownNode node) {
    if (node.Form >= tree.Roots().size() ||
        (node.Component && *node.Component >= tree.Roots()[node.Form].Children.size()))
        return std::nullopt;
    const std::size_t before = EntriesUpTo(tree, node, false);
    if (EntriesUpTo(tree, node, true) == before)
        return std::nullopt;
    const std::string map = HelpMapHeader(NumberedNodes(tree), "", "", kHelpMapPrefix);
    // The map's first line is its comment; the entries' lines follow in order.
    std::size_t start = 0;
    for (std::size_t line = 0; line <= before; ++line)
        start = map.find("\r\n", start) + 2;
    return map.substr(start, map.find("\r\n", start) - start);
}

// The core's text has LF line ends; each line is converted on its own, so that no line end can be taken
// into a character of the code page.
std::string ScanText(const TMemoryTree& tree) {
    const std::string text = tree.ToText();
    std::string result;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        result += os::Narrow(os::WidenSystemBytes(text.substr(start, end - start))) + "\r\n";
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return result;
}
