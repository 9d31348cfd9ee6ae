#include "gui/TreeViewResult.h"

#include <windows.h>

#include <chrono>
#include <vector>

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

TTreeNode AddRow(TTreeNodes& nodes, TTreeNode parent, const ScannedForm& form, const TShownRow& row,
                 bool childrenLater) {
    return nodes.AddChild(parent, form.Encoding.ToUtf8(row.Caption), row.Image, row.Image,
                          static_cast<LPARAM>(row.Id.Packed()), childrenLater);
}

// The form's row; its component rows wait for the form's first expansion.
void AddForm(TTreeNodes& nodes, const ScanResult& result, std::size_t form) {
    const std::vector<TShownRow> rows = ShownRows(result, form);
    if (!rows.empty())
        AddRow(nodes, TTreeNode(), result.Forms[form], rows.front(), rows.size() > 1);
}

} // namespace

TTreeViewFill::TTreeViewFill(TTreeNodes& nodes, std::shared_ptr<const ScanResult> result)
    : nodes_(nodes), result_(std::move(result)) {}

TTreeViewFill::~TTreeViewFill() {
    InvalidateRect(nodes_.Owner()->Handle(), nullptr, TRUE);
}

// The clock is looked at every few nodes: one node takes the tree view microseconds. A tree view that
// draws updates itself at every node, and one that has not drawn for a while lays out every node it
// holds when it draws again (Wine's measures each caption then): so drawing is off only for a part, and
// each part lays out its own nodes.
bool TTreeViewFill::Step(int milliseconds) {
    const HWND tree = nodes_.Owner()->Handle();
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    struct DrawAgain {
        HWND Tree;
        ~DrawAgain() { SendMessageW(Tree, WM_SETREDRAW, TRUE, 0); }
    } drawAgain{tree};
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
            if (nextForm_ == result_->Forms.size())
                return true;
            AddForm(nodes_, *result_, nextForm_++);
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
    for (TTreeNode form = nodes.GetFirstNode(); form; form = form.GetNextSibling())
        InsertComponentRows(nodes, form, result);
}

TNodeId ItemNode(TTreeNode item) {
    return TNodeId::Unpacked(static_cast<std::uint64_t>(item.Data()));
}

std::size_t InsertComponentRows(TTreeNodes& nodes, TTreeNode form, const ScanResult& result) {
    const TNodeId id = ItemNode(form);
    if (!form || form.Parent() || form.GetFirstChild() || !id.IsForm() || id.Form >= result.Forms.size())
        return 0;
    const std::vector<TShownRow> rows = ShownRows(result, id.Form);
    for (std::size_t i = 1; i < rows.size(); ++i)
        AddRow(nodes, form, result.Forms[id.Form], rows[i], false);
    return rows.empty() ? 0 : rows.size() - 1;
}
