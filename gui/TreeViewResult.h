#pragma once

#include "framework/TreeView.h"
#include "scanner/ResultTree.h"

#include <map>

// The scan's nodes straight into the window's tree view: each node's caption made from its name and
// number, shown in the system's code page, with the image of its kind. A node reference is the tree
// view's item handle. The same nodes go into `shown` as well, the tree shown as data, from which the
// tree's shortcut menu makes what it copies.
class TTreeViewResult : public TResultTree {
public:
    TTreeViewResult(TTreeNodes& nodes, TMemoryTree& shown) : nodes_(nodes), shown_(shown) {}

    void Clear() override;
    Node AddForm(const std::string& name, std::optional<std::int32_t> number) override;
    Node AddComponent(Node form, const std::string& name, std::int32_t number) override;

    TTreeNode NodeOf(Node node) { return TTreeNode(&nodes_, reinterpret_cast<HTREEITEM>(node)); }

private:
    Node Add(TTreeNode parent, const std::string& name, std::optional<std::int32_t> number, TResultKind kind);

    TTreeNodes& nodes_;               // not owned: the tree view's collection
    TMemoryTree& shown_;              // not owned: the window's
    std::map<Node, Node> shownForms_; // the forms added here: tree view item -> node of `shown`
};
