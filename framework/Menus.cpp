#include "framework/Menus.h"

#include "framework/Controls.h"
#include "io/Os.h"

#include <utility>

namespace {

// The menu handle for the length of one showing.
class MenuHandle {
public:
    MenuHandle() : menu_(CreatePopupMenu()) {}
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    ~MenuHandle() {
        if (menu_)
            DestroyMenu(menu_);
    }
    HMENU Handle() const { return menu_; }

private:
    HMENU menu_;
};

} // namespace

TMenuItem* TPopupMenu::Add(const std::string& name, const std::string& caption, TNotifyEvent onClick) {
    auto* item = new TMenuItem(this);
    item->SetName(name);
    item->Caption = caption;
    item->OnClick = std::move(onClick);
    return item;
}

TMenuItem* TPopupMenu::Items(int index) const {
    return static_cast<TMenuItem*>(Components(index));
}

// The menu is made anew for each showing from the items as they are then. Its command numbers are the
// items' places plus one (0 answers a menu closed without a choice); the chosen item runs after the
// menu is gone, so that what it does (a message box, the clipboard) meets no menu loop.
void TPopupMenu::Popup(TWinControl* control, POINT screen) {
    popupComponent_ = control;
    struct Clear {
        TWinControl*& component;
        ~Clear() { component = nullptr; }
    } clear{popupComponent_};
    if (OnPopup)
        OnPopup(this);
    MenuHandle menu;
    if (!menu.Handle())
        return;
    for (int i = 0; i < Count(); ++i) {
        const TMenuItem* item = Items(i);
        AppendMenuW(menu.Handle(), MF_STRING | (item->Enabled ? MF_ENABLED : MF_GRAYED),
                    static_cast<UINT_PTR>(i + 1), os::Widen(item->Caption).c_str());
    }
    const HWND owner = control->Handle();
    const int chosen = static_cast<int>(
        TrackPopupMenuEx(menu.Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                         screen.x, screen.y, owner, nullptr));
    if (chosen < 1 || chosen > Count())
        return;
    TMenuItem* item = Items(chosen - 1);
    if (item->Enabled && item->OnClick)
        item->OnClick(item);
}
