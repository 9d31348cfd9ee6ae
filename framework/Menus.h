#pragma once

#include "framework/Component.h"

#include <windows.h>

#include <string>

class TWinControl;

// One command of a menu, owned by its menu. "&" in the caption marks the letter that chooses it from
// the keyboard.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}

    std::string Caption; // UTF-8
    bool Enabled = true; // a disabled item is shown greyed and cannot be chosen
    TNotifyEvent OnClick;
};

// A shortcut menu: its items are the menu items it owns, in the order they were made. Popup shows it
// and returns once it is closed; the item chosen (by the mouse, or the keyboard: the arrows and Enter,
// or an item's letter) then runs its OnClick. A control shows it from its PopupMenu property.
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}

    // A new item at the end.
    TMenuItem* Add(const std::string& name, const std::string& caption, TNotifyEvent onClick);
    int Count() const { return ComponentCount(); }
    TMenuItem* Items(int index) const;

    // Shows the menu over `control` at a screen point. OnPopup runs first (the time to enable and grey
    // items); PopupComponent tells for which control it shows.
    void Popup(TWinControl* control, POINT screen);
    TWinControl* PopupComponent() const { return popupComponent_; }
    TNotifyEvent OnPopup;

private:
    TWinControl* popupComponent_ = nullptr; // not owned; set while the menu shows and its item runs
};
