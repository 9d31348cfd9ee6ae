#include "framework/Forms.h"

#include "framework/Dpi.h"
#include "framework/WindowHost.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

TScreen* Screen = nullptr;

namespace {

// The window class of a form is named after the form's class, so each form class gets its own.
std::string ClassNameOf(const TForm& form) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(typeid(form).name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : "TForm";
    std::free(demangled);
    return name;
}

} // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetParentFont(false);
    SetParentColor(false);
    SetColor(clBtnFace);
    ControlStyle |= csAcceptsControls;
    SetBoundsValues(0, 0, 320, 240);
    if (Screen)
        Screen->AddForm(this);
}

TForm::~TForm() {
    MarkDestroying();
    if (Screen)
        Screen->RemoveForm(this);
    DestroyComponents();
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons value) {
    if (borderIcons_ == value)
        return;
    borderIcons_ = value;
    RecreateWnd();
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = ClassNameOf(*this);
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
    if (!Enabled())
        params.Style |= WS_DISABLED;
    switch (borderStyle_) {
        case bsNone:
            params.Style |= WS_POPUP;
            break;
        case bsSingle:
        case bsToolWindow:
            params.Style |= WS_CAPTION;
            break;
        case bsSizeable:
        case bsSizeToolWin:
            params.Style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case bsDialog:
            params.Style |= WS_CAPTION;
            params.ExStyle |= WS_EX_DLGMODALFRAME;
            break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin)
        params.ExStyle |= WS_EX_TOOLWINDOW;
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & biMinimize)
                params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize)
                params.Style |= WS_MAXIMIZEBOX;
        }
    }
    // The application window stays hidden, so the main form carries the taskbar button.
    if (WindowHost().MainForm() == this)
        params.ExStyle |= WS_EX_APPWINDOW;
    params.WndParent = WindowHost().Handle();
    if (clientWidth_ >= 0) {
        RECT r{0, 0, clientWidth_, clientHeight_};
        AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
        params.Width = r.right - r.left;
        params.Height = r.bottom - r.top;
        SetBoundsValues(Left(), Top(), params.Width, params.Height);
    }
}

void TForm::CreateWnd() {
    // Before the window exists the system's resolution is the best guess; the window's own monitor
    // decides once it is there.
    ScaleForDpi(SystemDpi());
    TWinControl::CreateWnd();
    HWND window = Handle();
    ScaleForDpi(WindowDpi(window));
    // The frame metrics of the running system may differ from what AdjustWindowRectEx assumed.
    if (clientWidth_ >= 0) {
        RECT client{};
        GetClientRect(window, &client);
        const int dx = clientWidth_ - client.right, dy = clientHeight_ - client.bottom;
        if (dx || dy)
            SetWindowPos(window, nullptr, 0, 0, Width() + dx, Height() + dy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (HICON icon = WindowHost().Icon()) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
}

void TForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (!HandleAllocated()) {
        TCreateParams params;
        CreateParams(params); // computes the outer size from the styles
        return;
    }
    HWND window = Handle();
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
    RECT client{};
    GetClientRect(window, &client);
    if (client.right != width || client.bottom != height)
        SetBounds(Left(), Top(), Width() + width - client.right, Height() + height - client.bottom);
}

void TForm::ChangeScale(int newDpi, int oldDpi) {
    const RECT client = ClientRect();
    const int width = MulDiv(client.right, newDpi, oldDpi), height = MulDiv(client.bottom, newDpi, oldDpi);
    ScaleLayoutAndFont(newDpi, oldDpi, [&] {
        if (!HandleAllocated())
            SetBounds(MulDiv(Left(), newDpi, oldDpi), MulDiv(Top(), newDpi, oldDpi), Width(), Height());
        SetClientSize(width, height);
    });
}

void TForm::DpiChanged(int dpi, const RECT& suggested) {
    ScaleForDpi(dpi);
    SetBounds(suggested.left, suggested.top, suggested.right - suggested.left,
              suggested.bottom - suggested.top);
    // The suggested size may miss the scaled client area by the rounding of the frame.
    if (clientWidth_ >= 0)
        SetClientSize(clientWidth_, clientHeight_);
}

RECT TForm::ClientRect() const {
    if (!HandleAllocated() && clientWidth_ >= 0)
        return RECT{0, 0, clientWidth_, clientHeight_};
    return TWinControl::ClientRect();
}

void TForm::VisibleChanged() {
    if (Visible()) {
        HWND window = Handle();
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        if (OnShow)
            OnShow(this);
    } else if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

void TForm::Close() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose)
        return;
    const bool isMain = WindowHost().MainForm() == this;
    TCloseAction action = isMain ? caFree : caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (isMain) {
        WindowHost().Terminate();
        return;
    }
    switch (action) {
        case caHide:
            Hide();
            break;
        case caMinimize:
            if (HandleAllocated())
                ShowWindow(Handle(), SW_MINIMIZE);
            break;
        case caFree:
            Release();
            break;
        case caNone:
            break;
    }
}

void TForm::Release() {
    if (HandleAllocated())
        PostMessageW(Handle(), CM_RELEASE, 0, 0);
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_)
        return;
    activeControl_ = control;
    if (control)
        control->FreeNotification(this);
}

void TForm::FocusRequested(TWinControl* control) {
    SetActiveControl(control);
}

void TForm::FocusChanged(TWinControl* control) {
    if (control != this)
        SetActiveControl(control);
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
}

void TForm::ControlRemoved(TControl* control) {
    for (TControl* c = activeControl_; c; c = c->Parent()) {
        if (c == control) {
            activeControl_ = nullptr;
            return;
        }
    }
}

void TForm::PreviewKeyDown(WORD& key, TShiftState shift) {
    if (KeyPreview)
        KeyDown(key, shift);
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == activeControl_)
        activeControl_ = nullptr;
}

void TForm::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, forward, checkTabStop))
        next->SetFocus();
}

void TForm::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_CLOSE:
            Close();
            return;
        case CM_RELEASE:
            delete this;
            return;
        case WM_DPICHANGED:
            DpiChanged(HIWORD(message.WParam), *reinterpret_cast<const RECT*>(message.LParam));
            message.Result = 0;
            return;
        case WM_ACTIVATE:
            // The caret goes back where it was; at first to the first control in tab order, so that
            // typing after the window is shown or clicked goes somewhere.
            if (LOWORD(message.WParam) != WA_INACTIVE && !HIWORD(message.WParam)) {
                TWinControl* target = activeControl_ && activeControl_->CanFocus()
                                          ? activeControl_
                                          : FindNextControl(nullptr, true, true);
                if (target) {
                    target->SetFocus();
                    message.Result = 0;
                    return;
                }
            }
            break;
        case CM_DIALOGKEY:
            if (message.WParam == VK_TAB && !(KeyboardShiftState() & (ssCtrl | ssAlt))) {
                SelectNext(activeControl_, !(KeyboardShiftState() & ssShift), true);
                message.Result = 1;
                return;
            }
            break;
    }
    TWinControl::WndProc(message);
}

RECT OnAMonitor(const RECT& bounds) {
    if (MonitorFromRect(&bounds, MONITOR_DEFAULTTONULL))
        return bounds;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST), &monitor))
        return bounds;
    const RECT& work = monitor.rcWork;
    const LONG width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const LONG left = std::max(work.left, std::min(bounds.left, work.right - width));
    const LONG top = std::max(work.top, std::min(bounds.top, work.bottom - height));
    return RECT{left, top, left + width, top + height};
}

TForm* GetParentForm(const TControl* control) {
    if (control && control->Parent())
        return dynamic_cast<TForm*>(control->Parent()->TopParent());
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

// ---- TScreen --------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    WindowDC screen(nullptr);
    pixelsPerInch_ = GetDeviceCaps(screen.Handle(), LOGPIXELSY);
}

TScreen::~TScreen() = default;

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}
int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

POINT TScreen::CursorPos() const {
    POINT p{0, 0};
    GetCursorPos(&p);
    return p;
}

const std::vector<std::string>& TScreen::Fonts() {
    if (fonts_.empty()) {
        WindowDC screen(nullptr);
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(
            screen.Handle(), &lf,
            [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
                reinterpret_cast<std::vector<std::string>*>(data)->push_back(os::Narrow(font->lfFaceName));
                return 1;
            },
            reinterpret_cast<LPARAM>(&fonts_), 0);
        std::sort(fonts_.begin(), fonts_.end());
        fonts_.erase(std::unique(fonts_.begin(), fonts_.end()), fonts_.end());
    }
    return fonts_;
}

TForm* TScreen::ActiveForm() const {
    HWND active = GetActiveWindow();
    for (TForm* form : forms_)
        if (form->HandleAllocated() && form->Handle() == active)
            return form;
    return nullptr;
}

TControl* TScreen::ControlAtPos(POINT screenPoint, bool allowDisabled) const {
    TWinControl* control = TWinControl::FindNearestControl(WindowFromPoint(screenPoint));
    if (!control)
        return nullptr;
    POINT client = screenPoint;
    ::ScreenToClient(control->Handle(), &client);
    if (TControl* child = control->ControlAtPos(client, allowDisabled, false))
        return child;
    return control;
}

void TScreen::AddForm(TForm* form) {
    forms_.push_back(form);
}

void TScreen::RemoveForm(TForm* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}
