#include "framework/TreeView.h"

#include "framework/ImageList.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

#include <cstring>
#include <vector>

namespace {

// Captions longer than this are cut when read; the tree view itself keeps them whole.
constexpr size_t kMaxCaption = 65536;

// The tree view's own state-image bits hold index + 1, so that 0 can mean "no state image".
UINT StateBits(int stateIndex) {
    return stateIndex < 0 ? 0u : INDEXTOSTATEIMAGEMASK(static_cast<UINT>(stateIndex) + 1);
}

// The tree view reads -1 (I_IMAGECALLBACK) as "ask the parent", so "no image" is stored as I_IMAGENONE.
int ImageToItem(int index) {
    return index < 0 ? I_IMAGENONE : index;
}
int ImageFromItem(int index) {
    return index < 0 ? -1 : index;
}

} // namespace

// ---- TTreeNode ------------------------------------------------------------------------------------

HWND TTreeNode::Window() const {
    if (!owner_)
        throw EInvalidOperation("The tree node refers to no item");
    return owner_->Owner()->Handle();
}

TVITEMW TTreeNode::Get(UINT mask) const {
    TVITEMW item{};
    item.mask = mask | TVIF_HANDLE;
    item.hItem = item_;
    item.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
    if (!owner_ || !SendMessageW(Window(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return TVITEMW{};
    return item;
}

void TTreeNode::Set(TVITEMW& item) {
    item.mask |= TVIF_HANDLE;
    item.hItem = item_;
    SendMessageW(Window(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::string TTreeNode::Text() const {
    if (!owner_)
        return std::string();
    // The tree view copies at most the buffer's size; a caption that fills the buffer may be longer.
    for (size_t size = 256;; size *= 2) {
        std::vector<wchar_t> buffer(size, L'\0');
        TVITEMW item{};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = item_;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        if (!SendMessageW(Window(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            return std::string();
        // The tree view may hand back its own buffer instead of filling ours.
        const std::wstring text(item.pszText ? item.pszText : L"");
        if (text.size() + 1 < size || size >= kMaxCaption)
            return os::Narrow(text);
    }
}

void TTreeNode::SetText(const std::string& value) {
    std::wstring wide = os::Widen(value);
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.pszText = wide.data();
    Set(item);
}

LPARAM TTreeNode::Data() const {
    return Get(TVIF_PARAM).lParam;
}

int TTreeNode::ImageIndex() const {
    return ImageFromItem(Get(TVIF_IMAGE).iImage);
}

void TTreeNode::SetImageIndex(int value) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE;
    item.iImage = ImageToItem(value);
    Set(item);
}

int TTreeNode::SelectedIndex() const {
    return ImageFromItem(Get(TVIF_SELECTEDIMAGE).iSelectedImage);
}

void TTreeNode::SetSelectedIndex(int value) {
    TVITEMW item{};
    item.mask = TVIF_SELECTEDIMAGE;
    item.iSelectedImage = ImageToItem(value);
    Set(item);
}

int TTreeNode::StateIndex() const {
    const UINT bits = (Get(TVIF_STATE).state & TVIS_STATEIMAGEMASK) >> 12;
    return static_cast<int>(bits) - 1;
}

void TTreeNode::SetStateIndex(int value) {
    TVITEMW item{};
    item.mask = TVIF_STATE;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = StateBits(value);
    Set(item);
}

bool TTreeNode::Expanded() const {
    return (Get(TVIF_STATE).state & TVIS_EXPANDED) != 0;
}

void TTreeNode::SetExpanded(bool value) {
    SendMessageW(Window(), TVM_EXPAND, value ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
}

TTreeNode TTreeNode::Parent() const {
    if (!owner_)
        return TTreeNode();
    auto parent = reinterpret_cast<HTREEITEM>(
        SendMessageW(Window(), TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item_)));
    return TTreeNode(owner_, parent);
}

TTreeNode TTreeNode::GetFirstChild() const {
    if (!owner_)
        return TTreeNode();
    auto child = reinterpret_cast<HTREEITEM>(
        SendMessageW(Window(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item_)));
    return TTreeNode(owner_, child);
}

TTreeNode TTreeNode::GetNextSibling() const {
    if (!owner_)
        return TTreeNode();
    auto next = reinterpret_cast<HTREEITEM>(
        SendMessageW(Window(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item_)));
    return TTreeNode(owner_, next);
}

int TTreeNode::Count() const {
    int count = 0;
    for (TTreeNode child = GetFirstChild(); child; child = child.GetNextSibling())
        ++count;
    return count;
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode parent = Parent(); parent; parent = parent.Parent())
        ++level;
    return level;
}

void TTreeNode::Delete() {
    if (owner_)
        owner_->Delete(*this);
}

void TTreeNode::EditText() {
    SendMessageW(Window(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item_));
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
    RECT rect{};
    if (!owner_)
        return rect;
    // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
    std::memcpy(&rect, &item_, sizeof item_);
    if (!SendMessageW(Window(), TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&rect)))
        return RECT{};
    return rect;
}

// ---- TTreeNodes -----------------------------------------------------------------------------------

int TTreeNodes::Count() const {
    if (!owner_->HandleAllocated())
        return 0;
    return static_cast<int>(SendMessageW(owner_->Handle(), TVM_GETCOUNT, 0, 0));
}

void TTreeNodes::Clear() {
    if (!owner_->HandleAllocated())
        return;
    // Every node goes at once: the tree view's per-node deletion and selection notifications mean
    // nothing to the program here.
    owner_->clearing_ = true;
    SendMessageW(owner_->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    owner_->clearing_ = false;
}

TTreeNode TTreeNodes::AddRoot(const std::string& text) {
    return AddChild(TTreeNode(), text);
}

TTreeNode TTreeNodes::AddChild(TTreeNode parent, const std::string& text, int imageIndex, int selectedIndex,
                               LPARAM data, bool childrenLater) {
    std::wstring wide = os::Widen(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent.ItemId() : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM |
                       (childrenLater ? TVIF_CHILDREN : 0);
    insert.item.lParam = data;
    insert.item.cChildren = childrenLater ? 1 : 0;
    insert.item.pszText = wide.data();
    insert.item.iImage = ImageToItem(imageIndex);
    insert.item.iSelectedImage = ImageToItem(selectedIndex);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = StateBits(-1);
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(owner_->Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item)
        throw EOutOfResources(SInsertError, {});
    return TTreeNode(this, item);
}

void TTreeNodes::Delete(TTreeNode node) {
    if (node && owner_->HandleAllocated())
        SendMessageW(owner_->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node.ItemId()));
}

TTreeNode TTreeNodes::GetFirstNode() const {
    if (!owner_->HandleAllocated())
        return TTreeNode();
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(owner_->Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    return TTreeNode(const_cast<TTreeNodes*>(this), root);
}

// ---- TTreeView ------------------------------------------------------------------------------------

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner), items_(this) {
    SetBoundsValues(0, 0, 121, 97);
    TabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
    // Clicks come from the tree view's notification, which knows about its items. Double clicks come
    // from the tree's own double-click message: Wine's tree view notifies them only on an item, while
    // the copy acts on the selected node wherever the double click lands.
    ControlStyle &= ~csClickEvents;
}

TTreeView::~TTreeView() {
    // The window goes while this object is whole; its per-node notifications are not news to anyone.
    clearing_ = true;
    SetImages(nullptr);
    DestroyWnd();
}

void TTreeView::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TTreeView";
    params.BuiltInClass = os::Narrow(WC_TREEVIEWW);
    // No TVS_SHOWSELALWAYS: the selection shows only while the tree has the focus.
    params.Style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_DISABLEDRAGDROP;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    ApplyImages();
    ApplyColor();
}

TTreeNode TTreeView::Selected() {
    if (!HandleAllocated())
        return TTreeNode();
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    return TTreeNode(&items_, item);
}

void TTreeView::SetSelected(TTreeNode node) {
    SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node.ItemId()));
}

void TTreeView::SetIndent(int value) {
    if (indent_ == value)
        return;
    indent_ = value;
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(value), 0);
}

void TTreeView::SetImages(TImageList* value) {
    if (images_ == value)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_)
        images_->FreeNotification(this);
    ApplyImages();
}

void TTreeView::ApplyImages() {
    if (!HandleAllocated())
        return;
    SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
    // Wine's tree view takes the images' width as its indent when it gets a list: the set one stays.
    SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
}

void TTreeView::ChangeScale(int newDpi, int oldDpi) {
    TWinControl::ChangeScale(newDpi, oldDpi);
    if (images_) {
        images_->SetPixelsPerInch(newDpi);
        // Taken off and set again, the list makes the tree measure its items anew.
        if (HandleAllocated())
            SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
        ApplyImages();
    }
    SetIndent(MulDiv(indent_, newDpi, oldDpi));
}

void TTreeView::ColorChanged() {
    TWinControl::ColorChanged();
    ApplyColor();
}

void TTreeView::ApplyColor() {
    // -1 keeps the system's window colour, so a change of the system colours reaches the tree.
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_SETBKCOLOR, 0,
                     Color() == clWindow ? LPARAM(-1) : static_cast<LPARAM>(ColorToRGB(Color())));
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        ApplyImages();
    }
}

void TTreeView::SelectNodeAtCursor() {
    const DWORD at = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = ScreenToClient(POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))});
    SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.hItem && (hit.flags & TVHT_ONITEM))
        SetSelected(TTreeNode(&items_, hit.hItem));
}

POINT TTreeView::KeyboardPopupPoint() {
    const TTreeNode node = Selected();
    if (!node)
        return TWinControl::KeyboardPopupPoint();
    SendMessageW(Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node.ItemId()));
    const RECT caption = node.DisplayRect(true);
    return POINT{caption.left, caption.bottom};
}

HWND TTreeView::EditHandle() {
    if (!HandleAllocated())
        return nullptr;
    return reinterpret_cast<HWND>(SendMessageW(Handle(), TVM_GETEDITCONTROL, 0, 0));
}

void TTreeView::WndProc(TMessage& message) {
    if (message.Msg == CN_NOTIFY) {
        Notify(message);
        return;
    }
    TWinControl::WndProc(message);
}

// Wine's tree view keeps the system keys to itself instead of handing them to the default procedure, so
// Alt+F4 (and Alt+Space, F10) would do nothing while the tree has the focus; the tree has no use for
// them on any platform.
void TTreeView::DefaultHandler(TMessage& message) {
    if (HandleAllocated() &&
        (message.Msg == WM_SYSKEYDOWN || message.Msg == WM_SYSKEYUP || message.Msg == WM_SYSCHAR)) {
        message.Result = DefWindowProcW(Handle(), message.Msg, message.WParam, message.LParam);
        return;
    }
    TWinControl::DefaultHandler(message);
}

void TTreeView::Notify(TMessage& message) {
    const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
    message.Result = 0;
    switch (header->code) {
        case NM_CLICK:
            Click();
            break;
        case NM_RCLICK:
            // 0: the tree view goes on to ask its parent for the shortcut menu (WM_CONTEXTMENU).
            if (RightClickSelect)
                SelectNodeAtCursor();
            break;
        case NM_DBLCLK:
            break; // OnDblClick fires from WM_LBUTTONDBLCLK; 0: the tree view still expands or collapses
        // A Unicode tree view under a Unicode parent notifies in the wide form only.
        case TVN_ENDLABELEDITW:
            // The edited text stays (the pointer is null when the editing was cancelled).
            message.Result = reinterpret_cast<const NMTVDISPINFOW*>(header)->item.pszText != nullptr;
            break;
        case TVN_DELETEITEMW:
            if (!clearing_ && OnDeletion)
                OnDeletion(this,
                           TTreeNode(&items_, reinterpret_cast<const NMTREEVIEWW*>(header)->itemOld.hItem));
            break;
        case TVN_ITEMEXPANDINGW: {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
            if ((change->action & TVE_EXPAND) != 0 && OnExpanding)
                OnExpanding(this, TTreeNode(&items_, change->itemNew.hItem));
            break;
        }
        case TVN_SELCHANGEDW:
            if (!clearing_ && OnChange)
                OnChange(this,
                         TTreeNode(&items_, reinterpret_cast<const NMTREEVIEWW*>(header)->itemNew.hItem));
            break;
    }
}
