#include "gui/TreeViewResult.h"

#include "io/Os.h"

void TTreeViewResult::Clear() {
    nodes_.Clear();
    shown_.Clear();
    shownForms_.clear();
}

TResultTree::Node TTreeViewResult::AddForm(const std::string& name, std::optional<std::int32_t> number) {
    const Node form = Add(TTreeNode(), name, number, number ? rkForm : rkBareForm);
    shownForms_[form] = shown_.AddForm(name, number);
    return form;
}

TResultTree::Node TTreeViewResult::AddComponent(Node form, const std::string& name, std::int32_t number) {
    const Node component = Add(NodeOf(form), name, number, rkComponent);
    const auto shownForm = shownForms_.find(form);
    if (shownForm != shownForms_.end())
        shown_.AddComponent(shownForm->second, name, number);
    return component;
}

// A form's names are bytes in the ANSI code page of the system that wrote it; the tree's text is
// UTF-8. The images go with the insertion.
TResultTree::Node TTreeViewResult::Add(TTreeNode parent, const std::string& name,
                                       std::optional<std::int32_t> number, TResultKind kind) {
    const std::string caption = os::Narrow(os::WidenSystemBytes(ResultCaption(name, number)));
    return reinterpret_cast<Node>(nodes_.AddChild(parent, caption, kind, kind).ItemId());
}
