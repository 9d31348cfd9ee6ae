#include "framework/Controls.h"

#include "framework/Menus.h"
#include "framework/WindowHost.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <map>

namespace {

// Nesting depth of the framework window procedure: contexts taken for drawing outside WM_PAINT are
// released when the outermost message is done.
int dispatchDepth = 0;
std::vector<TControlCanvas*> canvasesWithDC;

// The built-in procedure behind each of our classes that extends a system class.
std::map<ATOM, WNDPROC>& DefaultProcs() {
    static std::map<ATOM, WNDPROC> procs;
    return procs;
}

WNDPROC DefaultProcOf(HWND window) {
    auto& procs = DefaultProcs();
    auto it = procs.find(static_cast<ATOM>(GetClassWord(window, GCW_ATOM)));
    return it == procs.end() ? DefWindowProcW : it->second;
}

bool IsMouseClientMessage(UINT message) {
    return message == WM_MOUSEMOVE || (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK);
}

bool IsButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
           message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDOWN || message == WM_MBUTTONDBLCLK;
}

} // namespace

TShiftState KeyboardShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

namespace {

wchar_t UpperUnit(wchar_t c) {
    // CharUpperW takes a single character in the pointer's low word.
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

} // namespace

bool IsAccelerator(WPARAM key, const std::string& caption) {
    const std::wstring text = os::Widen(caption);
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return UpperUnit(text[i + 1]) == UpperUnit(static_cast<wchar_t>(key));
    }
    return false;
}

TShiftState MouseShiftState(WPARAM keyFlags) {
    TShiftState shift = 0;
    if (keyFlags & MK_SHIFT)
        shift |= ssShift;
    if (keyFlags & MK_CONTROL)
        shift |= ssCtrl;
    if (keyFlags & MK_LBUTTON)
        shift |= ssLeft;
    if (keyFlags & MK_RBUTTON)
        shift |= ssRight;
    if (keyFlags & MK_MBUTTON)
        shift |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

LRESULT GuardedDispatch(TObject* sender, const std::function<LRESULT()>& call) {
    try {
        return call();
    } catch (...) {
        try {
            WindowHost().HandleException(sender);
        } catch (...) {
            // The error display itself failed; nothing may cross the window procedure.
        }
        return 0;
    }
}

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self && message == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->handle_ = window;
        }
    }
    if (!self)
        return CallWindowProcW(DefaultProcOf(window), window, message, wParam, lParam);
    ++dispatchDepth;
    LRESULT result = GuardedDispatch(self, [&]() -> LRESULT {
        TMessage msg{message, wParam, lParam, 0};
        self->WndProc(msg);
        return msg.Result;
    });
    if (--dispatchDepth == 0)
        TControlCanvas::FreeDeviceContexts();
    return result;
}

// ---- TControl -------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TObject*) {
        if (!takingParentFont_)
            parentFont_ = false;
        Perform(CM_FONTCHANGED);
    };
}

TControl::~TControl() {
    MarkDestroying();
    WindowHost().ControlDestroyed(this);
    if (parent_)
        parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    for (TControl* p = parent; p; p = p->parent_)
        if (p == this)
            throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::SetBoundsValues(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    Invalidate();
    SetBoundsValues(left, top, width, height);
    Invalidate();
}

void TControl::ScaleForDpi(int dpi) {
    if (dpi <= 0 || dpi == pixelsPerInch_)
        return;
    const int oldDpi = pixelsPerInch_;
    pixelsPerInch_ = dpi;
    ChangeScale(dpi, oldDpi);
}

void TControl::ChangeScale(int newDpi, int oldDpi) {
    ScaleFont(newDpi);
    ScaleBounds(newDpi, oldDpi);
}

void TControl::ScaleBounds(int newDpi, int oldDpi) {
    const int left = MulDiv(left_, newDpi, oldDpi), top = MulDiv(top_, newDpi, oldDpi);
    const int right = MulDiv(left_ + width_, newDpi, oldDpi), bottom = MulDiv(top_ + height_, newDpi, oldDpi);
    SetBounds(left, top, right - left, bottom - top);
}

void TControl::ScaleFont(int dpi) {
    if (!parentFont_)
        font_->ScaleTo(dpi);
}

POINT TControl::ClientOrigin() const {
    if (!parent_)
        return POINT{left_, top_};
    POINT origin = parent_->ClientOrigin();
    origin.x += left_;
    origin.y += top_;
    return origin;
}

POINT TControl::ClientToScreen(POINT point) const {
    POINT origin = ClientOrigin();
    return POINT{point.x + origin.x, point.y + origin.y};
}

POINT TControl::ScreenToClient(POINT point) const {
    POINT origin = ClientOrigin();
    return POINT{point.x - origin.x, point.y - origin.y};
}

bool TControl::Showing() const {
    if (!visible_)
        return false;
    if (parent_)
        return parent_->Showing();
    return IsWindowed();
}

void TControl::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    VisibleChanged();
    Perform(CM_VISIBLECHANGED, value ? 1 : 0);
}

void TControl::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    EnabledChanged();
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::string& value) {
    if (GetText() == value)
        return;
    SetTextValue(value);
    Perform(CM_TEXTCHANGED);
}

void TControl::SetParentFont(bool value) {
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    if (value)
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(TColor value) {
    if (color_ == value)
        return;
    color_ = value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    if (value)
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetShowHint(bool value) {
    parentShowHint_ = false;
    if (showHint_ == value)
        return;
    showHint_ = value;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
    if (parentShowHint_ == value)
        return;
    parentShowHint_ = value;
    if (value)
        Perform(CM_PARENTSHOWHINTCHANGED);
}

LRESULT TControl::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
    TMessage msg{message, wParam, lParam, 0};
    WndProc(msg);
    return msg.Result;
}

void TControl::WndProc(TMessage& message) {
    if (IsMouseClientMessage(message.Msg)) {
        HandleMouseMessage(message);
        return;
    }
    switch (message.Msg) {
        case CM_FONTCHANGED:
            FontChanged();
            break;
        case CM_COLORCHANGED:
            ColorChanged();
            break;
        case CM_ENABLEDCHANGED:
        case CM_TEXTCHANGED:
            Invalidate();
            break;
        case CM_PARENTFONTCHANGED:
            if (parentFont_ && parent_) {
                takingParentFont_ = true;
                try {
                    font_->Assign(parent_->Font());
                } catch (...) {
                    takingParentFont_ = false;
                    throw;
                }
                takingParentFont_ = false;
            }
            break;
        case CM_PARENTCOLORCHANGED:
            if (parentColor_ && parent_ && color_ != parent_->Color()) {
                color_ = parent_->Color();
                Perform(CM_COLORCHANGED);
            }
            break;
        case CM_PARENTSHOWHINTCHANGED:
            if (parentShowHint_ && parent_ && showHint_ != parent_->ShowHint()) {
                showHint_ = parent_->ShowHint();
                Perform(CM_SHOWHINTCHANGED);
            }
            break;
        default:
            DefaultHandler(message);
            break;
    }
}

void TControl::HandleMouseMessage(TMessage& message) {
    DefaultHandler(message);
    const int x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
    TShiftState shift = MouseShiftState(message.WParam);
    switch (message.Msg) {
        case WM_MOUSEMOVE:
            MouseMove(shift, x, y);
            break;
        case WM_LBUTTONDBLCLK:
            if (ControlStyle & csDoubleClicks) {
                DblClick();
                MouseDown(mbLeft, shift | ssDouble, x, y);
                break;
            }
            [[fallthrough]];
        case WM_LBUTTONDOWN:
            if (ControlStyle & csClickEvents)
                clicking_ = true;
            MouseDown(mbLeft, shift, x, y);
            break;
        case WM_LBUTTONUP: {
            const bool wasClicking = clicking_;
            clicking_ = false;
            if (wasClicking && x >= 0 && y >= 0 && x < width_ && y < height_)
                Click();
            MouseUp(mbLeft, shift, x, y);
            break;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            MouseDown(mbRight, shift | (message.Msg == WM_RBUTTONDBLCLK ? unsigned(ssDouble) : 0u), x, y);
            break;
        case WM_RBUTTONUP:
            MouseUp(mbRight, shift, x, y);
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            MouseDown(mbMiddle, shift | (message.Msg == WM_MBUTTONDBLCLK ? unsigned(ssDouble) : 0u), x, y);
            break;
        case WM_MBUTTONUP:
            MouseUp(mbMiddle, shift, x, y);
            break;
    }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::VisibleChanged() {
    Invalidate();
}
void TControl::EnabledChanged() {
    Invalidate();
}
void TControl::FontChanged() {
    Invalidate();
}
void TControl::ColorChanged() {
    Invalidate();
}

void TControl::Invalidate() {
    if (parent_ && parent_->HandleAllocated()) {
        RECT r = BoundsRect();
        InvalidateRect(parent_->Handle(), &r, (ControlStyle & csOpaque) ? FALSE : TRUE);
    }
}

void TControl::Update() {
    if (parent_)
        parent_->Update();
}

void TControl::Repaint() {
    if (!parent_ || !parent_->HandleAllocated() || !Showing())
        return;
    if (ControlStyle & csOpaque) {
        // Drawn at once over the parent: this control and the later siblings that may lie on it.
        WindowDC dc(parent_->Handle());
        parent_->PaintControls(dc.Handle(), this);
    } else {
        Invalidate();
        Update();
    }
}

bool TControl::MouseCapture() const {
    if (IsWindowed()) {
        auto* self = static_cast<const TWinControl*>(this);
        return self->HandleAllocated() && GetCapture() == const_cast<TWinControl*>(self)->Handle();
    }
    return parent_ && parent_->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
    if (MouseCapture() == value)
        return;
    if (IsWindowed()) {
        if (value)
            SetCapture(static_cast<TWinControl*>(this)->Handle());
        else
            ReleaseCapture();
    } else if (parent_) {
        parent_->CaptureFor(value ? this : nullptr);
    }
}

// ---- TControlCanvas -------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::CreateHandle() {
    if (control_->IsWindowed()) {
        window_ = static_cast<TWinControl*>(control_)->Handle();
        ownDC_ = GetDC(window_);
    } else {
        TWinControl* parent = control_->Parent();
        if (!parent)
            throw EInvalidOperation("Control '" + control_->Name() + "' has no parent window");
        window_ = parent->Handle();
        ownDC_ = GetDC(window_);
        if (ownDC_) {
            SetViewportOrgEx(ownDC_, control_->Left(), control_->Top(), nullptr);
            IntersectClipRect(ownDC_, 0, 0, control_->Width(), control_->Height());
        }
    }
    if (!ownDC_)
        throw EOutOfResources("Out of system resources");
    canvasesWithDC.push_back(this);
    SetHandle(ownDC_);
}

void TControlCanvas::FreeHandle() {
    if (!ownDC_) {
        SetHandle(nullptr);
        return;
    }
    SetHandle(nullptr);
    ReleaseDC(window_, ownDC_);
    ownDC_ = nullptr;
    window_ = nullptr;
    canvasesWithDC.erase(std::remove(canvasesWithDC.begin(), canvasesWithDC.end(), this),
                         canvasesWithDC.end());
}

void TControlCanvas::FreeDeviceContexts() {
    while (!canvasesWithDC.empty())
        canvasesWithDC.back()->FreeHandle();
}

// ---- TWinControl ----------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    MarkDestroying();
    DestroyComponents();
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
    DestroyWnd();
}

TWinControl* TWinControl::FindControl(HWND window) {
    if (!window)
        return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return nullptr;
    // Only windows of our own classes carry a control in their user data. The class tells, not the window's
    // procedure now: a window may be subclassed (as the system's completion does to an edit).
    if (reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC)) != FrameworkWindowProc)
        return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

TWinControl* TWinControl::FindNearestControl(HWND window) {
    TWinControl* control = nullptr;
    while (window && !(control = FindControl(window)))
        window = GetParent(window);
    return control;
}

TWinControl* TWinControl::TopParent() {
    TWinControl* top = this;
    while (top->Parent())
        top = top->Parent();
    return top;
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<size_t>(index)];
}

TControl* TWinControl::ControlAtPos(POINT point, bool allowDisabled, bool allowWindowed) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!c->Enabled() && !allowDisabled) || (c->IsWindowed() && !allowWindowed))
            continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, point))
            return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
    for (size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->WndProc(message);
        if (message.Result)
            return;
    }
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (control->IsWindowed())
        tabList_.push_back(static_cast<TWinControl*>(control));
    control->Perform(CM_PARENTFONTCHANGED);
    control->Perform(CM_PARENTCOLORCHANGED);
    control->Perform(CM_PARENTSHOWHINTCHANGED);
    if (control->IsWindowed()) {
        auto* child = static_cast<TWinControl*>(control);
        if (handle_ && !child->handle_ && !creating_)
            child->CreateWnd();
        else if (handle_ && child->handle_)
            ::SetParent(child->handle_, handle_);
    } else {
        control->Invalidate();
    }
}

void TWinControl::RemoveControl(TControl* control) {
    if (captureControl_ == control)
        CaptureFor(nullptr);
    TopParent()->ControlRemoved(control);
    if (control->IsWindowed())
        static_cast<TWinControl*>(control)->DestroyWnd();
    else
        control->Invalidate();
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    control->parent_ = nullptr;
}

void TWinControl::CaptureFor(TControl* control) {
    captureControl_ = control;
    if (control) {
        if (GetCapture() != Handle())
            SetCapture(Handle());
    } else if (handle_ && GetCapture() == handle_) {
        ReleaseCapture();
    }
}

int TWinControl::TabOrder() const {
    if (!Parent())
        return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (!Parent())
        return;
    auto& list = Parent()->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, this);
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TWinControl* top = TopParent(); top != this)
        top->FocusRequested(this);
    if (CanFocus())
        ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const {
    std::vector<TWinControl*> all;
    std::function<void(const TWinControl*)> collect = [&](const TWinControl* parent) {
        for (TWinControl* c : parent->tabList_) {
            all.push_back(c);
            collect(c);
        }
    };
    collect(this);
    if (all.empty())
        return nullptr;
    const int n = static_cast<int>(all.size());
    auto it = std::find(all.begin(), all.end(), current);
    int start = it == all.end() ? (forward ? -1 : n) : static_cast<int>(it - all.begin());
    for (int step = 1; step <= n; ++step) {
        int i = ((start + (forward ? step : -step)) % n + n) % n;
        TWinControl* c = all[static_cast<size_t>(i)];
        if (c != current && c->CanFocus() && (c->TabStop || !checkTabStop))
            return c;
    }
    return nullptr;
}

HWND TWinControl::Handle() {
    if (!handle_) {
        if (Parent())
            Parent()->HandleNeeded();
        if (!handle_)
            CreateWnd();
    }
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = TControl::GetText();
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (Visible())
        params.Style |= WS_VISIBLE;
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (TabStop)
        params.Style |= WS_TABSTOP;
    params.X = Left();
    params.Y = Top();
    params.Width = Width();
    params.Height = Height();
    if (Parent())
        params.WndParent = Parent()->Handle();
    params.WinClassName = "TWinControl";
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if (!params.WndParent && (params.Style & WS_CHILD))
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring className = os::Widen(params.WinClassName);
    WNDCLASSW existing{};
    if (!GetClassInfoW(instance, className.c_str(), &existing)) {
        WNDCLASSW wc{};
        WNDPROC builtIn = nullptr;
        if (!params.BuiltInClass.empty()) {
            if (!GetClassInfoW(nullptr, os::Widen(params.BuiltInClass).c_str(), &wc))
                throw EOutOfResources("Window class " + params.BuiltInClass + " is not available");
            builtIn = wc.lpfnWndProc;
        } else {
            wc.style = params.ClassStyle;
            wc.hCursor =
                params.Cursor ? params.Cursor : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.hbrBackground = params.Background;
        }
        wc.lpfnWndProc = FrameworkWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = className.c_str();
        ATOM atom = RegisterClassW(&wc);
        if (!atom)
            throw EOutOfResources("Cannot register window class " + params.WinClassName);
        if (builtIn)
            DefaultProcs()[atom] = builtIn;
    }
    // The built-in procedure must see the window from its very first message.
    if (!params.BuiltInClass.empty()) {
        WNDCLASSEXW ours{};
        ours.cbSize = sizeof ours;
        const ATOM atom = static_cast<ATOM>(GetClassInfoExW(instance, className.c_str(), &ours));
        auto it = DefaultProcs().find(atom);
        defaultProc_ = it == DefaultProcs().end() ? nullptr : it->second;
    }
    creating_ = true;
    HWND window = CreateWindowExW(params.ExStyle, className.c_str(), os::Widen(params.Caption).c_str(),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.WndParent, nullptr, instance, this);
    creating_ = false;
    if (!window)
        throw EOutOfResources("Error creating window");
    PlaceInZOrder();
    ApplyFont();
    if (acceptFiles_)
        DragAcceptFiles(window, TRUE);
    for (TWinControl* child : tabList_)
        if (!child->handle_)
            child->CreateWnd();
}

// Siblings stand in the z-order of their parent's child list: a control made later lies above one made
// earlier, whatever order their windows are made in (Windows puts a new child window at the bottom).
void TWinControl::PlaceInZOrder() {
    TWinControl* parent = Parent();
    if (!parent || !(GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD))
        return;
    HWND above = HWND_TOP;
    const auto self = std::find(parent->controls_.begin(), parent->controls_.end(), this);
    for (auto later = self == parent->controls_.end() ? self : self + 1; later != parent->controls_.end();
         ++later) {
        auto* windowed = (*later)->IsWindowed() ? static_cast<TWinControl*>(*later) : nullptr;
        if (windowed && windowed->handle_) {
            above = windowed->handle_; // this window goes right below it
            break;
        }
    }
    SetWindowPos(handle_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TWinControl::DestroyWnd() {
    if (!handle_)
        return;
    TControl::SetTextValue(GetText()); // keep the text for a window made again
    captureControl_ = nullptr;
    DestroyWindow(handle_); // WM_NCDESTROY unbinds the object
    handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
    if (!handle_)
        return;
    DestroyWnd();
    CreateWnd();
}

std::string TWinControl::GetText() const {
    if (!handle_)
        return TControl::GetText();
    const int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = GetWindowTextW(handle_, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return os::Narrow(text);
}

void TWinControl::SetTextValue(const std::string& value) {
    TControl::SetTextValue(value);
    if (handle_)
        SetWindowTextW(handle_, os::Widen(value).c_str());
}

RECT TWinControl::ClientRect() const {
    if (!handle_)
        return TControl::ClientRect();
    RECT r{};
    GetClientRect(handle_, &r);
    return r;
}

POINT TWinControl::ClientOrigin() const {
    if (!handle_)
        return TControl::ClientOrigin();
    POINT origin{0, 0};
    ::ClientToScreen(handle_, &origin);
    return origin;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == Left() && top == Top() && width == Width() && height == Height())
        return;
    SetBoundsValues(left, top, width, height);
    if (handle_)
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetPopupMenu(TPopupMenu* value) {
    if (popupMenu_ == value)
        return;
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = value;
    if (popupMenu_)
        popupMenu_->FreeNotification(this);
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
    TControl::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_)
        popupMenu_ = nullptr;
}

// The keyboard's request (the Menu key, Shift+F10) comes without a point: (-1, -1).
void TWinControl::ContextMenu(LPARAM at) {
    POINT screen{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (screen.x == -1 && screen.y == -1)
        screen = ClientToScreen(KeyboardPopupPoint());
    popupMenu_->Popup(this, screen);
}

void TWinControl::SetAcceptFiles(bool value) {
    if (acceptFiles_ == value)
        return;
    acceptFiles_ = value;
    if (handle_)
        DragAcceptFiles(handle_, value ? TRUE : FALSE);
}

// The receiver of a drop frees the shell's block, whatever its handler does with the names.
void TWinControl::DropFiles(WPARAM drop) {
    const auto files = reinterpret_cast<HDROP>(drop);
    std::vector<std::string> names;
    const UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(files, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(files, i, name.data(), static_cast<UINT>(name.size())));
        names.push_back(os::Narrow(name));
    }
    DragFinish(files);
    if (OnDropFiles)
        OnDropFiles(this, names);
}

void TWinControl::UpdateBoundsFromWindow() {
    RECT r{};
    GetWindowRect(handle_, &r);
    HWND parent = GetParent(handle_);
    if (parent && (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    SetBoundsValues(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TWinControl::Invalidate() {
    if (handle_)
        InvalidateRect(handle_, nullptr, (ControlStyle & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
    if (handle_)
        UpdateWindow(handle_);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::VisibleChanged() {
    if (handle_)
        ShowWindow(handle_, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TWinControl::EnabledChanged() {
    if (handle_)
        EnableWindow(handle_, Enabled() ? TRUE : FALSE);
    Invalidate();
}

void TWinControl::ApplyFont() {
    if (handle_)
        ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
}

void TWinControl::FontChanged() {
    ApplyFont();
    Invalidate();
    for (size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->Perform(CM_PARENTFONTCHANGED);
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->Perform(CM_PARENTCOLORCHANGED);
}

void TWinControl::ChangeScale(int newDpi, int oldDpi) {
    ScaleLayoutAndFont(newDpi, oldDpi, [&] { ScaleBounds(newDpi, oldDpi); });
}

void TWinControl::ScaleLayoutAndFont(int newDpi, int oldDpi, const std::function<void()>& scaleOwnBounds) {
    // The room grows before the text and the text shrinks before its room: a control that keeps a
    // least height for its font (the file-name edit) never finds the font too big for it halfway.
    if (newDpi > oldDpi) {
        ScaleChildren(newDpi);
        scaleOwnBounds();
        ScaleFont(newDpi);
    } else {
        ScaleFont(newDpi);
        ScaleChildren(newDpi);
        scaleOwnBounds();
    }
}

void TWinControl::ScaleChildren(int dpi) {
    for (size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->ScaleForDpi(dpi);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    bool started = first == nullptr;
    for (size_t i = 0; i < controls_.size(); ++i) {
        TControl* c = controls_[i];
        if (!started) {
            if (c != first)
                continue;
            started = true;
        }
        if (c->IsWindowed() || !c->Visible())
            continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(dc, &r))
            continue;
        SavedDC saved(dc);
        OffsetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::PaintHandler(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (dc) {
        PaintWindow(dc);
        PaintControls(dc);
    } else {
        PaintDC paint(handle_);
        PaintWindow(paint.Handle());
        PaintControls(paint.Handle());
    }
    message.Result = 0;
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
    if (!handle_ || !Visible())
        return;
    SavedDC saved(dc);
    OffsetViewportOrgEx(dc, x, y, nullptr);
    RECT client = ClientRect();
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (TWinControl* child : tabList_)
        child->PaintTo(dc, child->Left(), child->Top());
}

bool TWinControl::RouteMouseMessage(TMessage& message) {
    POINT pt{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    TControl* target = captureControl_;
    if (!target) {
        if (GetCapture() == handle_ && !IsButtonDown(message.Msg) && message.Msg != WM_MOUSEMOVE)
            return false;
        target = ControlAtPos(pt);
    }
    if (!target)
        return false;
    if (IsButtonDown(message.Msg) && !captureControl_ && (target->ControlStyle & csCaptureMouse))
        CaptureFor(target);
    TMessage routed{message.Msg, message.WParam, MAKELPARAM(pt.x - target->Left(), pt.y - target->Top()), 0};
    target->WndProc(routed);
    message.Result = routed.Result;
    const bool buttonUp =
        message.Msg == WM_LBUTTONUP || message.Msg == WM_RBUTTONUP || message.Msg == WM_MBUTTONUP;
    if (buttonUp && captureControl_ && !(message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
        CaptureFor(nullptr);
    return true;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::DefaultHandler(TMessage& message) {
    if (!handle_)
        return;
    message.Result = CallWindowProcW(defaultProc_ ? defaultProc_ : DefWindowProcW, handle_, message.Msg,
                                     message.WParam, message.LParam);
}

void TWinControl::WndProc(TMessage& message) {
    if (IsMouseClientMessage(message.Msg) && RouteMouseMessage(message))
        return;
    switch (message.Msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
            if (IsBuiltIn())
                DefaultHandler(message);
            else
                PaintHandler(message);
            return;
        case WM_ERASEBKGND:
            if (IsBuiltIn()) {
                DefaultHandler(message);
            } else {
                if (!(ControlStyle & csOpaque)) {
                    RECT r = ClientRect();
                    GdiObject brush(CreateSolidBrush(ColorToRGB(Color())));
                    ::FillRect(reinterpret_cast<HDC>(message.WParam), &r,
                               static_cast<HBRUSH>(brush.Handle()));
                }
                message.Result = 1;
            }
            return;
        case WM_WINDOWPOSCHANGED:
            if (!IsIconic(handle_))
                UpdateBoundsFromWindow();
            DefaultHandler(message);
            return;
        case WM_SETFOCUS:
            DefaultHandler(message);
            TopParent()->FocusChanged(this);
            Perform(CM_ENTER);
            return;
        case WM_KILLFOCUS:
            DefaultHandler(message);
            Perform(CM_EXIT);
            return;
        case CM_ENTER:
            if (OnEnter)
                OnEnter(this);
            return;
        case CM_EXIT:
            if (OnExit)
                OnExit(this);
            return;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD key = static_cast<WORD>(message.WParam);
            if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN) {
                if (TWinControl* top = TopParent(); top != this)
                    top->PreviewKeyDown(key, KeyboardShiftState());
                if (key != 0)
                    KeyDown(key, KeyboardShiftState());
            } else
                KeyUp(key, KeyboardShiftState());
            if (key == 0)
                return;
            message.WParam = key;
            DefaultHandler(message);
            return;
        }
        case WM_CHAR: {
            wchar_t key = static_cast<wchar_t>(message.WParam);
            KeyPress(key);
            if (key == 0)
                return;
            message.WParam = static_cast<WPARAM>(key);
            DefaultHandler(message);
            return;
        }
        case WM_COMMAND:
            if (TWinControl* control = FindControl(reinterpret_cast<HWND>(message.LParam))) {
                message.Result = control->Perform(CN_COMMAND, message.WParam, message.LParam);
                return;
            }
            break;
        case WM_NOTIFY:
            if (TWinControl* control = FindControl(reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom)) {
                message.Result = control->Perform(CN_NOTIFY, message.WParam, message.LParam);
                return;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSCROLLBAR:
            if (TWinControl* control = FindControl(reinterpret_cast<HWND>(message.LParam))) {
                message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
                return;
            }
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(message.LParam) != handle_)
                captureControl_ = nullptr;
            break;
        case WM_CANCELMODE:
            if (captureControl_) {
                TControl* control = captureControl_;
                captureControl_ = nullptr;
                control->Perform(WM_CANCELMODE);
            }
            break;
        case WM_SYSCOLORCHANGE:
            Perform(CM_SYSCOLORCHANGE);
            break;
        case WM_CONTEXTMENU: {
            // Some controls ask their parent for their menu (the tree view after a right click); a child
            // without a menu of its own passes the message on to its parent.
            TWinControl* control = FindControl(reinterpret_cast<HWND>(message.WParam));
            if (!control || !control->popupMenu_)
                control = this;
            if (control->popupMenu_) {
                control->ContextMenu(message.LParam);
                return;
            }
            break;
        }
        case WM_DROPFILES:
            DropFiles(message.WParam);
            return;
        case CM_DIALOGKEY:
        case CM_DIALOGCHAR:
        case CM_FOCUSCHANGED:
        case CM_SYSCOLORCHANGE:
            Broadcast(message);
            return;
        case CM_SHOWHINTCHANGED:
            for (size_t i = 0; i < controls_.size(); ++i)
                controls_[i]->Perform(CM_PARENTSHOWHINTCHANGED);
            return;
        case WM_NCDESTROY:
            DefaultHandler(message);
            SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
            handle_ = nullptr;
            return;
        case CN_CTLCOLOREDIT:
        case CN_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            SetTextColor(dc, ColorToRGB(Font().Color()));
            SetBkColor(dc, ColorToRGB(Color()));
            colorBrush_.Reset(CreateSolidBrush(ColorToRGB(Color())));
            message.Result = reinterpret_cast<LRESULT>(colorBrush_.Handle());
            return;
        }
    }
    TControl::WndProc(message);
}

// ---- TGraphicControl, TCustomControl --------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() {
    canvas_->FreeHandle();
}

namespace {

// Lends the paint message's device context to a control's canvas for its Paint, and takes it back on
// every path: the canvas never keeps a context it does not own.
template <class PaintCall> void PaintThroughCanvas(TControlCanvas& canvas, HDC dc, PaintCall paint) {
    canvas.FreeHandle();
    canvas.SetHandle(dc);
    try {
        paint();
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}

} // namespace

void TGraphicControl::WndProc(TMessage& message) {
    if (message.Msg == WM_PAINT && message.WParam) {
        PaintThroughCanvas(*canvas_, reinterpret_cast<HDC>(message.WParam), [this] { Paint(); });
        return;
    }
    TControl::WndProc(message);
}

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
    canvas_->FreeHandle();
}

void TCustomControl::PaintWindow(HDC dc) {
    PaintThroughCanvas(*canvas_, dc, [this] { Paint(); });
}
