#include "scanner/ResultTree.h"

#include "scanner/Utf8Output.h"

namespace {

void AppendJsonItem(std::string& out, const TMemoryTree::Item& item) {
    out += "{\"caption\": ";
    AppendJsonString(out, item.Caption);
    out += ", \"image\": " + std::to_string(item.ImageIndex) + ", \"children\": [";
    for (size_t i = 0; i < item.Children.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendJsonItem(out, item.Children[i]);
    }
    out += "]}";
}

} // namespace

TResultTree::Node TResultTree::Add(Node parent, const std::string& caption, int imageIndex,
                                   int selectedIndex) {
    const Node node = parent ? AddChild(parent, caption) : AddRoot(caption);
    SetImages(node, imageIndex, selectedIndex);
    return node;
}

TResultTree::Node TMemoryTree::AddRoot(const std::string& caption) {
    roots_.push_back(Item{caption, -1, -1, -1, {}, ++lastId_});
    return lastId_;
}

TResultTree::Node TMemoryTree::AddChild(Node parent, const std::string& caption) {
    Item* owner = Find(parent, nullptr);
    if (owner == nullptr)
        return 0;
    owner->Children.push_back(Item{caption, -1, -1, -1, {}, ++lastId_});
    return lastId_;
}

void TMemoryTree::SetImages(Node node, int imageIndex, int selectedIndex) {
    if (Item* item = Find(node, nullptr)) {
        item->ImageIndex = imageIndex;
        item->SelectedIndex = selectedIndex;
        item->StateIndex = -1;
    }
}

void TMemoryTree::Delete(Node node) {
    std::vector<Item>* siblings = nullptr;
    if (Item* item = Find(node, &siblings))
        siblings->erase(siblings->begin() + (item - siblings->data()));
}

// Searches from the back: the scan works on the nodes it appended last.
TMemoryTree::Item* TMemoryTree::Find(Node node, std::vector<Item>** siblings) {
    for (auto root = roots_.rbegin(); root != roots_.rend(); ++root) {
        if (root->Id == node) {
            if (siblings)
                *siblings = &roots_;
            return &*root;
        }
        for (auto child = root->Children.rbegin(); child != root->Children.rend(); ++child) {
            if (child->Id == node) {
                if (siblings)
                    *siblings = &root->Children;
                return &*child;
            }
        }
    }
    return nullptr;
}

std::string TMemoryTree::ToText() const {
    std::string text;
    for (const Item& root : roots_) {
        text += root.Caption + '\n';
        for (const Item& child : root.Children)
            text += "  " + child.Caption + '\n';
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
