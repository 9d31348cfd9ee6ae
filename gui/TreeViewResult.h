#pragma once

#include "framework/TreeView.h"
#include "scanner/ResultTree.h"

// The result tree of the scan over a tree view's nodes: the scan appends straight into the window.
// A node reference is the tree view's item handle.
class TTreeViewResult : public TResultTree {
public:
    explicit TTreeViewResult(TTreeNodes& nodes) : nodes_(nodes) {}

    void Clear() override;
    Node AddRoot(const std::string& caption) override;
    Node AddChild(Node parent, const std::string& caption) override;
    void SetImages(Node node, int imageIndex, int selectedIndex) override;
    Node Add(Node parent, const std::string& caption, int imageIndex, int selectedIndex) override;
    void Delete(Node node) override;

    TTreeNode NodeOf(Node node) { return TTreeNode(&nodes_, reinterpret_cast<HTREEITEM>(node)); }

private:
    static Node RefOf(TTreeNode node) { return reinterpret_cast<Node>(node.ItemId()); }

    TTreeNodes& nodes_; // not owned: the tree view's collection
};
