#include "framework/HintWindow.h"

#include "framework/Dpi.h"
#include "framework/WindowHost.h"
#include "io/Os.h"

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetParentColor(false);
    SetParentFont(false);
    SetColor(clInfoBk);
    Font().SetColor(clInfoText);
    ScaleForDpi(SystemDpi());
}

void THintWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "THintWindow";
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.ClassStyle |= CS_SAVEBITS;
    params.WndParent = WindowHost().Handle();
}

RECT THintWindow::CalcHintRect(const std::string& text, POINT origin) {
    WindowDC screen(nullptr);
    CanvasSelection font(screen.Handle(), Font());
    RECT r{0, 0, 300, 0};
    const std::wstring wide = os::Widen(text);
    DrawTextW(screen.Handle(), wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    // Room for the border and a small margin around the text.
    return RECT{origin.x, origin.y, origin.x + r.right + Scaled(6), origin.y + r.bottom + Scaled(4)};
}

void THintWindow::ActivateHint(const RECT& screenRect, const std::string& text) {
    SetCaption(text);
    SetWindowPos(Handle(), HWND_TOPMOST, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                 screenRect.bottom - screenRect.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
    Update();
}

void THintWindow::ReleaseHandle() {
    if (HandleAllocated())
        ShowWindow(Handle(), SW_HIDE);
}

bool THintWindow::IsHintShowing() const {
    return HandleAllocated() && IsWindowVisible(const_cast<THintWindow*>(this)->Handle());
}

bool THintWindow::IsHintMsg(const MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_NCMBUTTONDOWN:
            return true;
        default:
            return false;
    }
}

void THintWindow::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(bsClear);
    r.left += Scaled(2);
    r.top += Scaled(1);
    canvas.DrawText(Caption(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
