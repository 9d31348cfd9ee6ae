#include "gui/TreeViewResult.h"

#include <windows.h>

#include "report/ScanReport.h"

namespace {

class TreeRedrawOff {
public:
    explicit TreeRedrawOff(HWND tree) : tree_(tree) { SendMessageW(tree_, WM_SETREDRAW, FALSE, 0); }
    ~TreeRedrawOff() {
        SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_, nullptr, TRUE);
    }
    TreeRedrawOff(const TreeRedrawOff&) = delete;
    TreeRedrawOff& operator=(const TreeRedrawOff&) = delete;

private:
    HWND tree_;
};

} // namespace

void ShowScanResult(TTreeNodes& nodes, const ScanResult& result) {
    const TreeRedrawOff quiet(nodes.Owner()->Handle());
    nodes.Clear();
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown(result.LaterVersions))
            continue;
        const TNodeShows shows = form.Shows(result.LaterVersions);
        const TResultKind kind = shows.Any() ? rkForm : rkBareForm;
        const TTreeNode node =
            nodes.AddChild(TTreeNode(), form.Encoding.ToUtf8(NodeCaption(form.Name, shows, form.Keyword)), kind, kind);
        for (const ScannedComponent& component : form.Components) {
            const TNodeShows shown = component.Shows(result.LaterVersions);
            if (shown.Any()) {
                nodes.AddChild(node, form.Encoding.ToUtf8(NodeCaption(component.Name, shown, component.Keyword)),
                               rkComponent, rkComponent);
            }
        }
    }
}
