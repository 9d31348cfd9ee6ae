#pragma once

#include <cstddef>
#include <memory>

#include "framework/TreeView.h"
#include "scanner/ShownTree.h"

// A scan's result shown in the window's tree view: a root item per form row (ShownTree), captioned in
// the form's code page, with the image of its kind; each item carries its row's node id. Tens of
// thousands of forms take the tree view a while to delete and insert, so the roots go in a part at a
// time and the window answers between the parts; a form's component rows go in when the form is first
// expanded (InsertComponentRows), so that a tree of any size is whole once its roots are. The tree does
// not draw during a part (each change would otherwise update the window). A node the tree refuses raises
// "Unable to insert an item" and leaves the nodes added before it.
class TTreeViewFill {
public:
    // Nothing is done yet. `nodes` is the tree's (not owned; it outlives the fill).
    TTreeViewFill(TTreeNodes& nodes, std::shared_ptr<const ScanResult> result);
    // The tree draws again, whole or not.
    ~TTreeViewFill();
    TTreeViewFill(const TTreeViewFill&) = delete;
    TTreeViewFill& operator=(const TTreeViewFill&) = delete;

    // Goes on for about `milliseconds`; true once the tree holds every form's row.
    bool Step(int milliseconds);

    const std::shared_ptr<const ScanResult>& Result() const { return result_; }
    std::size_t FormsShown() const { return nextForm_; } // of the result's forms, those in the tree
    std::size_t Forms() const { return result_->Forms.size(); }

private:
    TTreeNodes& nodes_;
    std::shared_ptr<const ScanResult> result_;
    bool cleared_ = false;
    std::size_t nextForm_ = 0;
};

// The whole result at once, every form's components too.
void ShowScanResult(TTreeNodes& nodes, const ScanResult& result);

// The node id an item of the tree carries.
TNodeId ItemNode(TTreeNode item);

// Inserts the component rows of the form row `form` of `result`, unless it holds them already; how many
// it inserted.
std::size_t InsertComponentRows(TTreeNodes& nodes, TTreeNode form, const ScanResult& result);
