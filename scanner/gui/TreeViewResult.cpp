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

void TTreeViewResult::Delete(Node node) {
    nodes_.Delete(NodeOf(node));
}
