#include "scanner/gui/TreeViewResult.h"

void TTreeViewResult::Clear() {
    nodes_.Clear();
}

TResultTree::Node TTreeViewResult::AddRoot(const std::string& caption) {
    return RefOf(nodes_.AddRoot(caption));
}

TResultTree::Node TTreeViewResult::AddChild(Node parent, const std::string& caption) {
    return RefOf(nodes_.AddChild(NodeOf(parent), caption));
}

void TTreeViewResult::SetImages(Node node, int imageIndex, int selectedIndex) {
    TTreeNode item = NodeOf(node);
    item.SetImageIndex(imageIndex);
    item.SetSelectedIndex(selectedIndex);
    item.SetStateIndex(-1);
}

// The images go with the insertion: three messages fewer for each node.
TResultTree::Node TTreeViewResult::Add(Node parent, const std::string& caption, int imageIndex,
                                       int selectedIndex) {
    return RefOf(nodes_.AddChild(parent ? NodeOf(parent) : TTreeNode(), caption, imageIndex, selectedIndex));
}

void TTreeViewResult::Delete(Node node) {
    nodes_.Delete(NodeOf(node));
}
