#pragma once

#include "framework/Controls.h"

#include <windows.h>

#include <commctrl.h> // after windows.h, which it needs

#include <functional>
#include <string>

class TImageList;
class TTreeNodes;
class TTreeView;

// A node of a tree view: a small handle (the tree's item) that is cheap to copy. A null node refers to
// no item. Every operation goes to the tree view's window, so a node is valid while its item exists.
class TTreeNode {
public:
    TTreeNode() = default;
    TTreeNode(TTreeNodes* owner, HTREEITEM item) : owner_(item ? owner : nullptr), item_(item) {}

    HTREEITEM ItemId() const { return item_; }
    explicit operator bool() const { return item_ != nullptr; }
    bool operator==(const TTreeNode& other) const { return item_ == other.item_; }
    bool operator!=(const TTreeNode& other) const { return item_ != other.item_; }

    std::string Text() const; // UTF-8, as every text of the framework
    void SetText(const std::string& value);
    // Image indexes into the tree's image list; -1 (any negative value) is no image.
    int ImageIndex() const;
    void SetImageIndex(int value);
    int SelectedIndex() const;
    void SetSelectedIndex(int value);
    int StateIndex() const; // -1: no state image
    void SetStateIndex(int value);
    bool Expanded() const;
    void SetExpanded(bool value);
    // What the program keeps with the item (0 unless given when it was added).
    LPARAM Data() const;

    TTreeNode Parent() const;
    TTreeNode GetFirstChild() const;
    TTreeNode GetNextSibling() const;
    int Count() const; // the direct children
    int Level() const; // 0 for a root node

    void Delete();                         // the node with its children
    void EditText();                       // starts the in-place editing of the caption
    RECT DisplayRect(bool textOnly) const; // in the tree's client coordinates

private:
    TVITEMW Get(UINT mask) const;
    void Set(TVITEMW& item);
    HWND Window() const;

    TTreeNodes* owner_ = nullptr; // not owned: the collection of the tree holding the item
    HTREEITEM item_ = nullptr;
};

// The nodes of a tree view (its Items). Appending raises "Unable to insert an item" when the tree view
// refuses the node.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* owner) : owner_(owner) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    TTreeView* Owner() const { return owner_; }
    int Count() const; // every node, at all levels
    void Clear();
    TTreeNode AddRoot(const std::string& text); // the last node of the root level
    // The last child of `parent`; a null parent appends at the root level. The images are given with
    // the insertion (-1: none), the state image is none. `data` stays with the item. With `childrenLater`
    // the node shows an expand button before it has children: they are added when it is first expanded
    // (TTreeView::OnExpanding).
    TTreeNode AddChild(TTreeNode parent, const std::string& text, int imageIndex = -1, int selectedIndex = -1,
                       LPARAM data = 0, bool childrenLater = false);
    void Delete(TTreeNode node);
    TTreeNode GetFirstNode() const;

private:
    TTreeView* owner_; // not owned: the tree view owns its collection
};

using TTVNodeEvent = std::function<void(TObject* sender, TTreeNode node)>;

// The platform's tree view: expand buttons, lines (also at the root), in-place caption editing that
// keeps the edited text, no dragging, a sunken edge, and the selection hidden while the tree has no
// focus. OnDblClick fires once for each double click anywhere in the tree's client area.
class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;

    TTreeNodes& Items() { return items_; }
    TTreeNode Selected();
    void SetSelected(TTreeNode node);

    int Indent() const { return indent_; }
    void SetIndent(int value);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* value);

    // The caption of the node that is being edited in place, or nullptr.
    HWND EditHandle();
    bool IsEditing() { return EditHandle() != nullptr; }

    // A right click selects the node under it before the shortcut menu opens on it.
    bool RightClickSelect = false;

    TTVNodeEvent OnChange;    // the selection moved to `node`
    TTVNodeEvent OnDeletion;  // `node` is being deleted (not while the whole tree is cleared)
    TTVNodeEvent OnExpanding; // `node` is about to be expanded, by the user or the program

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DefaultHandler(TMessage& message) override;
    void ColorChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    // The indent and the images go with the rest of the layout.
    void ChangeScale(int newDpi, int oldDpi) override;
    // Below the selected node's caption, scrolled into view; the top-left corner without a selection.
    POINT KeyboardPopupPoint() override;

private:
    friend class TTreeNodes;
    void Notify(TMessage& message);
    void SelectNodeAtCursor(); // where the message being handled found the mouse
    void ApplyImages();
    void ApplyColor();

    TTreeNodes items_;
    int indent_ = 19;
    TImageList* images_ = nullptr; // not owned; cleared by Notification
    bool clearing_ = false;        // Items.Clear is deleting every node
};
