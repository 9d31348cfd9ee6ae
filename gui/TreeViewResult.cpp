#include "gui/TreeViewResult.h"

#include "formstream/Os.h"

namespace {

// The scan hands over the form's own bytes, which are in the ANSI code page of the system that wrote
// the form; the tree's text is UTF-8.
std::string ShownCaption(const std::string& formBytes) {
    return os::Narrow(os::WidenSystemBytes(formBytes));
}

} // namespace

void TTreeViewResult::Clear() {
    nodes_.Clear();
}

TResultTree::Node TTreeViewResult::AddRoot(const std::string& caption) {
    return RefOf(nodes_.AddRoot(ShownCaption(caption)));
}

TResultTree::Node TTreeViewResult::AddChild(Node parent, const std::string& caption) {
    return RefOf(nodes_.AddChild(NodeOf(parent), ShownCaption(caption)));
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
