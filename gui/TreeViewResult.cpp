#include "gui/TreeViewResult.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "report/ScanReport.h"

namespace {

// The last node of the root level. Deleting from the end spares the tree view renumbering the nodes
// after the deleted one.
TTreeNode LastRoot(TTreeNodes& nodes) {
    const HWND tree = nodes.Owner()->Handle();
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_LASTVISIBLE, 0));
    while (item) {
        auto parent = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
        if (!parent)
            break;
        item = parent;
    }
    return TTreeNode(&nodes, item);
}

void AddForm(TTreeNodes& nodes, const ScannedForm& form, bool laterVersions) {
    const TNodeShows shows = form.Shows(laterVersions);
    const TResultKind kind = shows.Any() ? rkForm : rkBareForm;
    const TTreeNode node = nodes.AddChild(
        TTreeNode(), form.Encoding.ToUtf8(NodeCaption(form.Name, shows, form.Keyword.get())), kind, kind);
    for (const ScannedComponent& component : form.Components) {
        const TNodeShows shown = component.Shows(laterVersions);
        if (shown.Any()) {
            nodes.AddChild(node,
                           form.Encoding.ToUtf8(NodeCaption(component.Name, shown, component.Keyword.get())),
                           rkComponent, rkComponent);
        }
    }
}

} // namespace

TTreeViewFill::TTreeViewFill(TTreeNodes& nodes, std::shared_ptr<const ScanResult> result)
    : nodes_(nodes), result_(std::move(result)) {
    SendMessageW(nodes_.Owner()->Handle(), WM_SETREDRAW, FALSE, 0);
}

TTreeViewFill::~TTreeViewFill() {
    const HWND tree = nodes_.Owner()->Handle();
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
}

// The clock is looked at every few nodes: one node takes the tree view microseconds.
bool TTreeViewFill::Step(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (int count = 1;; ++count) {
        if (!cleared_) {
            TTreeNode last = LastRoot(nodes_);
            if (last)
                last.Delete();
            else
                cleared_ = true;
        } else {
            while (nextForm_ < result_->Forms.size() &&
                   !result_->Forms[nextForm_].Shown(result_->LaterVersions))
                ++nextForm_;
            if (nextForm_ == result_->Forms.size())
                return true;
            AddForm(nodes_, result_->Forms[nextForm_++], result_->LaterVersions);
        }
        if (count % 16 == 0 && Clock::now() >= end)
            return false;
    }
}

void ShowScanResult(TTreeNodes& nodes, const ScanResult& result) {
    TTreeViewFill fill(nodes, std::shared_ptr<const ScanResult>(&result, [](const ScanResult*) {}));
    nodes.Clear();
    while (!fill.Step(1000)) {
    }
}

std::size_t TreeNodeCount(const ScanResult& result) {
    std::size_t count = 0;
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown(result.LaterVersions))
            continue;
        count +=
            1 + static_cast<std::size_t>(std::count_if(form.Components.begin(), form.Components.end(),
                                                       [&](const ScannedComponent& component) {
                                                           return component.Shows(result.LaterVersions).Any();
                                                       }));
    }
    return count;
}
