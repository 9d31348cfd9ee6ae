#pragma once

#include "framework/Controls.h"

#include <functional>
#include <string>
#include <vector>

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TBorderIcons = unsigned;
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// A top-level window owned by the application window. Hidden until shown; Left and Top are screen
// positions. Closing the main form ends the message loop.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    void SetClientSize(int width, int height); // keeps Left and Top
    void SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
    void SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }
    RECT ClientRect() const override;

    void Close();
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop);
    int ModalResult = 0;
    // The form hears every key pressed in its controls (KeyDown, OnKeyDown) before the control does;
    // a key it sets to 0 goes no further.
    bool KeyPreview = false;

    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnShow;

    // Frees the form once the message being handled is done.
    void Release();
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    // The window is laid out for the resolution of the monitor it appears on.
    void CreateWnd() override;
    void VisibleChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    // A control of this form asked for the focus: it becomes the active control, even while it cannot
    // take the focus yet.
    void FocusRequested(TWinControl* control) override;
    // A windowed control of this form got the focus: it becomes the active control and every control
    // hears CM_FOCUSCHANGED.
    void FocusChanged(TWinControl* control) override;
    // A control leaves the form: it (or the control inside it) stops being the active control.
    void ControlRemoved(TControl* control) override;
    // With KeyPreview, the form's own KeyDown.
    void PreviewKeyDown(WORD& key, TShiftState shift) override;
    // The client size, the font and the controls; the position too until the window exists (the
    // stored one is a 96-dpi layout's), afterwards the platform places it.
    void ChangeScale(int newDpi, int oldDpi) override;

private:
    // The window went to a monitor with another resolution: it takes the suggested place, the layout
    // is made again for the new resolution.
    void DpiChanged(int dpi, const RECT& suggested);

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TWinControl* activeControl_ = nullptr;     // not owned; cleared by Notification / ControlRemoved
    int clientWidth_ = -1, clientHeight_ = -1; // asked for before the window exists
};

// The form a control is on (the control itself when it is a form without a parent), or nullptr.
TForm* GetParentForm(const TControl* control);

// A top-level window's bounds (screen pixels) as they are when they overlap a monitor; otherwise moved
// into the work area of the nearest monitor, as far as they fit there (the top-left corner first).
RECT OnAMonitor(const RECT& bounds);

// What the program knows about the screen, its forms and the mouse.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return pixelsPerInch_; }
    POINT CursorPos() const;
    const std::vector<std::string>& Fonts(); // the installed font families, sorted, read once
    TForm* ActiveForm() const;               // the form whose window is active, or nullptr
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
    // The innermost framework control (window-less children included) under a screen point.
    TControl* ControlAtPos(POINT screenPoint, bool allowDisabled = false) const;

    void AddForm(TForm* form);
    void RemoveForm(TForm* form);

private:
    std::vector<TForm*> forms_; // not owned
    std::vector<std::string> fonts_;
    int pixelsPerInch_ = 96;
};

// The screen object, made by InitFramework (Application.h) and freed by DoneFramework; forms list
// themselves in it while it exists.
extern TScreen* Screen;
