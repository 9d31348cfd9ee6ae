#include "scanner/ResultTree.h"

#include "scanner/Utf8Output.h"

namespace {

void AppendJsonItem(std::string& out, const TMemoryTree::Item& item) {
    out += "{\"caption\": ";
    AppendJsonString(out, item.Caption());
    out += ", \"image\": " + std::to_string(item.Kind) + ", \"children\": [";
    for (size_t i = 0; i < item.Children.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendJsonItem(out, item.Children[i]);
    }
    out += "]}";
}

} // namespace

std::string ResultCaption(const std::string& name, std::optional<std::int32_t> number) {
    return number ? name + ":" + std::to_string(*number) : name;
}

// A node is its form's position, and for a component the position of the form's last child too: the
// scan adds components to the form it added last.
TResultTree::Node TMemoryTree::AddForm(const std::string& name, std::optional<std::int32_t> number) {
    roots_.push_back(Item{name, number, number ? rkForm : rkBareForm, {}});
    return roots_.size();
}

TResultTree::Node TMemoryTree::AddComponent(Node form, const std::string& name, std::int32_t number) {
    if (form == 0 || form > roots_.size())
        return 0;
    std::vector<Item>& children = roots_[form - 1].Children;
    children.push_back(Item{name, number, rkComponent, {}});
    return form;
}

std::string TMemoryTree::ToText() const {
    std::string text;
    for (const Item& root : roots_) {
        text += root.Caption() + '\n';
        for (const Item& child : root.Children)
            text += "  " + child.Caption() + '\n';
    }
    return text;
}

std::string TMemoryTree::ToJson() const {
    if (roots_.empty())
        return "[]\n";
    std::string json = "[\n";
    for (size_t i = 0; i < roots_.size(); ++i) {
        json += "  ";
        AppendJsonItem(json, roots_[i]);
        json += i + 1 < roots_.size() ? ",\n" : "\n";
    }
    json += "]\n";
    return json;
}
