#pragma once

#include "framework/TreeView.h"
#include "scanner/ResultTree.h"

// The scan's nodes straight into the window's tree view: each node's caption made from its name and
// number, shown in the system's code page, with the image of its kind. A node reference is the tree
// view's item handle.
class TTreeViewResult : public TResultTree {
public:
    explicit TTreeViewResult(TTreeNodes& nodes) : nodes_(nodes) {}

    void Clear() override;
    Node AddForm(const std::string& name, std::optional<std::int32_t> number) override;
    Node AddComponent(Node form, const std::string& name, std::int32_t number) override;

    TTreeNode NodeOf(Node node) { return TTreeNode(&nodes_, reinterpret_cast<HTREEITEM>(node)); }

private:
    Node Add(TTreeNode parent, const std::string& name, std::optional<std::int32_t> number, TResultKind kind);

    TTreeNodes& nodes_; // not owned: the tree view's collection
};
