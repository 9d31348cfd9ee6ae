#pragma once

#include "framework/Component.h"
#include "framework/Dpi.h"
#include "framework/Graphics.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Framework notifications, sent to a control with Perform. They live in the application's message range.
enum : UINT {
    CM_BASE = 0xB000,
    CM_FONTCHANGED = CM_BASE + 1, // the control's font changed
    CM_COLORCHANGED,              // the control's colour changed
    CM_ENABLEDCHANGED,            // Enabled changed
    CM_VISIBLECHANGED,            // Visible changed; wParam = new value
    CM_TEXTCHANGED,               // Caption/Text changed
    CM_PARENTFONTCHANGED,         // the parent's font changed (taken when ParentFont)
    CM_PARENTCOLORCHANGED,        // the parent's colour changed (taken when ParentColor)
    CM_SHOWHINTCHANGED,           // ShowHint changed
    CM_PARENTSHOWHINTCHANGED,     // the parent's ShowHint changed (taken when ParentShowHint)
    CM_MOUSEENTER,                // the mouse came onto the control (idle processing)
    CM_MOUSELEAVE,                // the mouse left the control (idle processing)
    CM_DIALOGKEY,                 // wParam = virtual key (Tab, Enter, Esc...); Result 1 = used
    CM_DIALOGCHAR,                // wParam = character of an accelerator; Result 1 = used
    CM_FOCUSCHANGED,              // lParam = the TWinControl that now has the focus
    CM_SYSCOLORCHANGE,            // the system colours changed
    CM_ENTER,                     // the windowed control got the focus
    CM_EXIT,                      // the windowed control lost the focus
    CM_CANCELHINT,                // (application window) a hint must go
    CM_RELEASE,                   // (form) free the form
    CN_BASE = 0xBC00,             // CN_BASE + WM_xxx: a notification reflected to its control
    CN_COMMAND = CN_BASE + WM_COMMAND,
    CN_NOTIFY = CN_BASE + WM_NOTIFY,
    CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
    CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
};

// One message on its way through WndProc.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter }; // horizontal placement of a text
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
TShiftState KeyboardShiftState();             // the keys held now
TShiftState MouseShiftState(WPARAM keyFlags); // the MK_xxx flags of a mouse message
// True when `key` (a UTF-16 unit, as CM_DIALOGCHAR carries it) is the accelerator of `caption` (UTF-8):
// the character after its first single '&', compared without regard to case.
bool IsAccelerator(WPARAM key, const std::string& caption);

enum TControlStyleFlag : unsigned {
    csCaptureMouse = 1,     // the parent captures the mouse for it while a button is held on it
    csClickEvents = 2,      // a left press and release inside raise Click
    csOpaque = 4,           // paints its whole rectangle: nothing behind it is erased first
    csDoubleClicks = 8,     // a double click is a double click, not a second press
    csAcceptsControls = 16, // may be a parent
};
using TControlStyle = unsigned;

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>; // a UTF-16 unit
// Files dropped from the shell: their names, whole and in UTF-8, in the order the shell gives them.
using TDropFilesEvent = std::function<void(TObject* sender, const std::vector<std::string>& names)>;

class TWinControl;
class TPopupMenu;

// A visual component with bounds inside a parent. A control without a window of its own (see
// TGraphicControl) draws on its parent's window and gets its mouse messages through the parent.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;
    virtual POINT ClientOrigin() const; // screen position of the client area's top-left corner

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Showing() const; // visible, and so is every parent up to a window on the screen
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& value) { SetText(value); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& value);

    TFont& Font() { return *font_; }
    void SetFont(const TFont& value) { font_->Assign(value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);

    TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;

    // The resolution the control's bounds, font and pictures are laid out for: 96 until it is scaled.
    int PixelsPerInch() const { return pixelsPerInch_; }
    // Lays the control (a windowed one with its children) out anew for `dpi`.
    void ScaleForDpi(int dpi);

    // Hands a message (a framework notification or a window message) straight to WndProc.
    LRESULT Perform(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(TMessage& message);

    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }

    // True while the parent holds the mouse for this control (or, for a window, the window holds it).
    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    virtual bool IsWindowed() const { return false; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    virtual std::string GetText() const { return text_; }
    virtual void SetTextValue(const std::string& value) { text_ = value; }
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // What is left when WndProc has nothing to say; a window hands the message to its window procedure.
    virtual void DefaultHandler(TMessage& message);
    // Parent changes, visibility and enabling are applied here (windows override them).
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    // The font or colour changed on this control (own change or taken from the parent).
    virtual void FontChanged();
    virtual void ColorChanged();

    void SetBoundsValues(int left, int top, int width, int height);
    // Scales from `oldDpi` to `newDpi` (PixelsPerInch already tells the new one): the bounds (by their
    // edges, so that neighbours stay neighbours) and an own font; controls add what they draw at a size
    // of their own.
    virtual void ChangeScale(int newDpi, int oldDpi);
    void ScaleFont(int dpi); // an own font; one taken from the parent arrives scaled with the parent's
    void ScaleBounds(int newDpi, int oldDpi);
    // A length of the 96-dpi layout (a margin, a shadow offset) at the control's resolution.
    int Scaled(int pixels) const { return ScaleValue(pixels, pixelsPerInch_); }

private:
    friend class TWinControl; // keeps parent_ in step with its child list
    void HandleMouseMessage(TMessage& message);

    TWinControl* parent_ = nullptr; // not owned; the parent lists this control
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool takingParentFont_ = false;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    bool clicking_ = false; // a left press landed on the control with csClickEvents
    int pixelsPerInch_ = kDesignDpi;
};

// A canvas over a control's area: its own window, or the parent's window clipped to the control for a
// window-less one. The context it gets for drawing outside WM_PAINT is released at the end of the
// message being handled.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : control_(control) {}
    ~TControlCanvas() override;
    void FreeHandle();
    static void FreeDeviceContexts(); // releases every context taken outside WM_PAINT

protected:
    void CreateHandle() override;

private:
    TControl* control_; // not owned: the control owns the canvas
    HWND window_ = nullptr;
    HDC ownDC_ = nullptr;
};

// A control with a window. One HWND, bound to this object at WM_NCCREATE through lpCreateParams and
// unbound at WM_NCDESTROY; messages reach WndProc through the framework's window procedure, inside its
// one exception guard. Built-in window classes (EDIT, SysTreeView32) are used the same way through a
// class of our own that calls their procedure as the default handler.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle(); // creates the window (and the parents' windows) when needed
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { Handle(); }
    static TWinControl* FindControl(HWND window); // the framework control bound to a window, or nullptr
    // The framework control bound to a window or else to its nearest parent window (a built-in child
    // such as a tree view's edit belongs to the control around it), or nullptr.
    static TWinControl* FindNearestControl(HWND window);
    // The outermost window around this one (itself when it has no parent): a form, as a rule.
    TWinControl* TopParent();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    // The topmost visible child (window-less ones only unless `allowWindowed`) at a client point.
    TControl* ControlAtPos(POINT point, bool allowDisabled = false, bool allowWindowed = false) const;
    void Broadcast(TMessage& message); // to every child, until one sets a Result

    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop = false;
    bool CanFocus() const;
    virtual void SetFocus();
    bool Focused() const;
    // The next child (in tab order, recursively) after `current` that can take the focus.
    TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;

    RECT ClientRect() const override;
    POINT ClientOrigin() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void WndProc(TMessage& message) override;
    bool IsWindowed() const override { return true; }

    // Paints the window, its window-less children and its windowed children into `dc` at (x, y).
    void PaintTo(HDC dc, int x, int y);
    // Paints the window-less children into `dc` (origin at this client area), from `first` on.
    void PaintControls(HDC dc, TControl* first = nullptr);
    // Paints the window's own picture, background included, without any child into `dc` (origin at this
    // client area): what a transparent window-less child shows behind itself.
    void PaintBackground(HDC dc) {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        PaintWindow(dc);
    }

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // The shortcut menu of the window and of the children that have none: a right click, the Menu key or
    // Shift+F10 opens it (the platform's WM_CONTEXTMENU). Not owned; cleared when the menu is freed.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);

    // Files dragged from the shell may be dropped on the window (WS_EX_ACCEPTFILES); OnDropFiles hears
    // their names.
    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool value);
    TDropFilesEvent OnDropFiles;

    // Used by TControl::SetParent.
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void CaptureFor(TControl* control); // the window-less child that gets the mouse while it is held
    TControl* CaptureControl() const { return captureControl_; }

protected:
    struct TCreateParams {
        std::string Caption;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
        HWND WndParent = nullptr;
        std::string WinClassName; // our class name; registered on first use
        std::string BuiltInClass; // a system class whose procedure handles what we leave (e.g. "EDIT")
        UINT ClassStyle = CS_DBLCLKS;
        HCURSOR Cursor = nullptr; // the arrow when none
        HBRUSH Background = nullptr;
    };
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd(); // registers the class, makes the window, then the children's windows
    virtual void DestroyWnd();
    void RecreateWnd();
    bool IsBuiltIn() const { return defaultProc_ != nullptr; }

    std::string GetText() const override;
    void SetTextValue(const std::string& value) override;
    void DefaultHandler(TMessage& message) override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    // The children, the bounds and the font.
    void ChangeScale(int newDpi, int oldDpi) override;
    void ScaleChildren(int dpi); // each from the resolution it is at
    // The children, the own bounds (as `scaleOwnBounds` does them) and the font, in the order that keeps
    // every font within its control's room.
    void ScaleLayoutAndFont(int newDpi, int oldDpi, const std::function<void()>& scaleOwnBounds);
    virtual void PaintWindow(HDC dc); // the window's own picture; the default leaves the erased background
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key); // a UTF-16 unit
    // Where the shortcut menu appears when the keyboard opened it, in client coordinates: the top-left
    // corner unless the control knows a better place (a tree view: its selected item).
    virtual POINT KeyboardPopupPoint() { return POINT{0, 0}; }
    void Notification(TComponent* component, TOperation operation) override;
    // What the outermost window hears from the controls inside it. A form keeps its active control and
    // previews keys with these (Forms.h); any other window lets them pass.
    virtual void FocusRequested(TWinControl*) {} // SetFocus of a windowed control inside
    virtual void FocusChanged(TWinControl*) {}   // a windowed control inside, or this one, got the focus
    virtual void ControlRemoved(TControl*) {}    // a control left a window inside, or this one
    virtual void PreviewKeyDown(WORD&, TShiftState) {} // a key pressed inside, before the control's own
                                                       // KeyDown; a key set to 0 goes no further

private:
    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);
    void ContextMenu(LPARAM at);
    void DropFiles(WPARAM drop); // an HDROP
    void PaintHandler(TMessage& message);
    void PlaceInZOrder();
    bool RouteMouseMessage(TMessage& message);
    void UpdateBoundsFromWindow();
    void ApplyFont();

    HWND handle_ = nullptr;
    WNDPROC defaultProc_ = nullptr;      // the built-in class's procedure, or nullptr for DefWindowProcW
    std::vector<TControl*> controls_;    // not owned: children, in creation (z) order
    std::vector<TWinControl*> tabList_;  // not owned: windowed children in tab order
    TControl* captureControl_ = nullptr; // not owned; cleared when it leaves or the capture ends
    bool creating_ = false;
    GdiObject colorBrush_;            // the background brush handed to a built-in control for its colour
    TPopupMenu* popupMenu_ = nullptr; // not owned; cleared by Notification
    bool acceptFiles_ = false;
};

// A window-less control: it draws on its parent's window through its canvas.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas& Canvas() { return *canvas_; }
    void WndProc(TMessage& message) override;

protected:
    // Draws the control. The canvas origin is the control's top-left corner and drawing is clipped to it.
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that draws itself through its own canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas& Canvas() { return *canvas_; }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// The one exception guard of every window procedure: runs `call`; whatever escapes goes to
// the host's error display (WindowHost.h: the application's HandleException) and the message answers 0.
LRESULT GuardedDispatch(TObject* sender, const std::function<LRESULT()>& call);
