#pragma once

#include <cstddef>
#include <memory>

#include "framework/TreeView.h"
#include "scanner/ScanResult.h"

// A scan's result shown in the window's tree view: its nodes replace the tree's, each captioned with
// its name (in the form's code page) and number, with the image of its kind. Tens of thousands of nodes
// take the tree view a while to delete and insert, so it is done a part at a time, and the window
// answers between the parts. The tree does not draw meanwhile (each change would otherwise update the
// window) and is drawn once at the end. A node the tree refuses raises "Unable to insert an item" and
// leaves the nodes added before it.
class TTreeViewFill {
public:
    // Nothing is done yet. `nodes` is the tree's (not owned; it outlives the fill).
    TTreeViewFill(TTreeNodes& nodes, std::shared_ptr<const ScanResult> result);
    // The tree draws again, whole or not.
    ~TTreeViewFill();
    TTreeViewFill(const TTreeViewFill&) = delete;
    TTreeViewFill& operator=(const TTreeViewFill&) = delete;

    // Goes on for about `milliseconds`; true once the tree holds the whole result.
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

// The whole result at once.
void ShowScanResult(TTreeNodes& nodes, const ScanResult& result);

// How many nodes the tree of `result` holds.
std::size_t TreeNodeCount(const ScanResult& result);
