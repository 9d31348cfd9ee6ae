#include "framework/Application.h"

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/HintWindow.h"
#include "framework/UtilWindow.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <commctrl.h>
#include <ole2.h>

#include <atomic>
#include <cctype>

TApplication* Application = nullptr;

namespace {

constexpr UINT_PTR kHintTimer = 1;
constexpr SIZE_T kHintWatcherStack = 64 * 1024;

} // namespace

TAutomationSwitches FindAutomationSwitches(const std::vector<std::string>& args) {
    TAutomationSwitches found;
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
            continue;
        const std::string word = AsciiUpperCase(arg.substr(1));
        if (word == "AUTOMATION")
            found.Automation = true;
        else if (word == "EMBEDDING")
            found.Embedding = true;
        else if (word == "REGSERVER")
            found.RegServer = true;
        else if (word == "UNREGSERVER")
            found.UnregServer = true;
    }
    return found;
}

std::string ApplicationTitleFromPath(const std::string& modulePath) {
    const size_t folderEnd = modulePath.find_last_of("\\/:");
    std::string name = folderEnd == std::string::npos ? modulePath : modulePath.substr(folderEnd + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos)
        name.resize(dot);
    // Lower case is a matter of characters, not of UTF-8 bytes; a first character outside the basic
    // plane is a pair of UTF-16 units and stays whole.
    std::wstring wide = os::Widen(name);
    const size_t first = !wide.empty() && IS_HIGH_SURROGATE(wide[0]) ? 2 : 1;
    if (wide.size() > first)
        CharLowerBuffW(&wide[first], static_cast<DWORD>(wide.size() - first));
    return os::Narrow(wide);
}

std::string ModuleFileName() {
    // The path may be longer than MAX_PATH; the call cuts it to the buffer, so the buffer grows until
    // the whole path fits.
    for (DWORD size = MAX_PATH + 1;; size *= 2) {
        std::wstring path(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0)
            return std::string();
        if (length < size || size >= 65536) {
            path.resize(length);
            return os::Narrow(path);
        }
    }
}

// ---- Hint watcher ---------------------------------------------------------------------------------

// Shared by the main thread and the watcher thread, which may outlive the application object by a
// moment: it only reads these words and posts to the application window.
struct TApplication::HintWatcher {
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND appWindow = nullptr;
    std::atomic<bool> hintControlSet{true};
    ~HintWatcher() { CloseHandle(stop); }

    static DWORD WINAPI Run(void* parameter) {
        auto* holder = static_cast<std::shared_ptr<HintWatcher>*>(parameter);
        std::shared_ptr<HintWatcher> self = *holder;
        delete holder;
        for (;;) {
            WaitForInputIdle(GetCurrentProcess(), 1000);
            // The wait for input idle may return at once; a short pause on the stop event keeps the
            // loop from spinning and ends it promptly when the hint goes.
            if (WaitForSingleObject(self->stop, 50) == WAIT_OBJECT_0)
                break;
            if (!self->hintControlSet)
                continue;
            POINT cursor{};
            if (!GetCursorPos(&cursor))
                continue;
            HWND window = WindowFromPoint(cursor);
            DWORD process = 0;
            if (window)
                GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId())
                PostMessageW(self->appWindow, CM_CANCELHINT, 0, 0);
        }
        return 0;
    }
};

// ---- TApplication ---------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    title_ = ApplicationTitleFromPath(ModuleFileName());
    icon_ = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    handle_ =
        AllocateHWnd("TApplication", this, [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            return WndProc(window, message, wParam, lParam);
        });
    SetWindowTextW(handle_, os::Widen(title_).c_str());
    if (icon_) {
        SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    SetWindowHost(this);
}

TApplication::~TApplication() {
    MarkDestroying();
    CancelHint();
    DestroyComponents(); // the forms, while the application window still owns them
    hintWindow_.reset();
    DeallocateHWnd(handle_);
    handle_ = nullptr;
    if (&WindowHost() == this)
        SetWindowHost(nullptr);
}

bool TApplication::Initialize(const std::vector<std::string>& args) {
    // The automation support registers no classes; only its two registration switches have an effect.
    const TAutomationSwitches switches = FindAutomationSwitches(args);
    return !(switches.RegServer || switches.UnregServer);
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_)
        SetWindowTextW(handle_, os::Widen(title_).c_str());
}

void TApplication::FormCreated(TForm* form) {
    if (!mainForm_)
        mainForm_ = form;
    form->HandleNeeded();
}

bool TApplication::Active() const {
    HWND active = GetActiveWindow();
    return active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId();
}

void TApplication::Run() {
    running_ = true;
    if (mainForm_)
        mainForm_->Show();
    while (!terminated_)
        HandleMessage();
    running_ = false;
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool consumed = false;
    GuardedDispatch(this, [&]() -> LRESULT {
        consumed = PreProcessMessage(msg);
        return 0;
    });
    if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) {
        Idle();
        if (!terminated_)
            WaitMessage();
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::Idle() {
    GuardedDispatch(this, [this]() -> LRESULT {
        TControl* control = Screen ? Screen->ControlAtPos(Screen->CursorPos()) : nullptr;
        if (control != mouseControl_) {
            TControl* old = mouseControl_;
            mouseControl_ = control;
            if (old)
                old->Perform(CM_MOUSELEAVE);
            // The leave handler may have freed the new control; ControlDestroyed clears the field then.
            if (mouseControl_)
                mouseControl_->Perform(CM_MOUSEENTER);
        }
        if (showHint_ && !mouseControl_)
            CancelHint();
        return 0;
    });
    TControlCanvas::FreeDeviceContexts();
}

bool TApplication::PreProcessMessage(MSG& msg) {
    if (showHint_) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            TControl* control = nullptr;
            if (TWinControl* window = TWinControl::FindControl(msg.hwnd)) {
                control = window;
                if (msg.message == WM_MOUSEMOVE) {
                    POINT client{static_cast<short>(LOWORD(msg.lParam)),
                                 static_cast<short>(HIWORD(msg.lParam))};
                    if (TControl* child = window->ControlAtPos(client))
                        control = child;
                }
            }
            HintMouseMessage(control, msg);
        } else if (THintWindow::IsHintMsg(msg) && hintControl_ && !hintActive_) {
            CancelHint(); // a press before the pause is over: no hint for this stay
        }
    }
    return IsDialogKeyMessage(msg);
}

bool TApplication::IsDialogKeyMessage(MSG& msg) {
    const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    if (!(keyDown && (msg.wParam == VK_TAB || msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) &&
        msg.message != WM_SYSCHAR)
        return false;
    TWinControl* control = TWinControl::FindNearestControl(msg.hwnd);
    if (!control)
        return false;
    TForm* form = GetParentForm(control);
    if (!form)
        return false;
    if (msg.message == WM_SYSCHAR)
        return form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    const LRESULT wanted = msg.wParam == VK_TAB ? (DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)
                                                : (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    if (code & wanted)
        return false;
    return form->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam) != 0;
}

// ---- Hints ----------------------------------------------------------------------------------------

void TApplication::SetShowHint(bool value) {
    if (showHint_ == value)
        return;
    showHint_ = value;
    if (value) {
        hintWindow_ = std::make_unique<THintWindow>(nullptr);
        hintWindow_->SetColor(HintColor);
    } else {
        CancelHint();
        hintWindow_.reset();
    }
}

void TApplication::HintMouseMessage(TControl* control, const MSG&) {
    // The hint belongs to the nearest control that shows hints.
    while (control && !control->ShowHint())
        control = control->Parent();
    if (control && control->Hint().empty())
        control = nullptr;
    if (control == hintControl_)
        return;
    if (!control) {
        CancelHint();
        return;
    }
    const bool showing = hintActive_;
    if (showing)
        hintWindow_->ReleaseHandle();
    hintActive_ = false;
    hintControl_ = control;
    StartHintTimer(showing ? HintShortPause : HintPause, false);
    if (showing)
        hintActive_ = true; // still in hint mode: the hooks stay until the next hint or a cancel
}

void TApplication::StartHintTimer(unsigned interval, bool hiding) {
    StopHintTimer();
    hintTimerHides_ = hiding;
    if (SetTimer(handle_, kHintTimer, interval, nullptr))
        hintTimerRunning_ = true;
}

void TApplication::StopHintTimer() {
    if (hintTimerRunning_) {
        KillTimer(handle_, kHintTimer);
        hintTimerRunning_ = false;
    }
}

void TApplication::HintTimerExpired() {
    StopHintTimer();
    if (hintTimerHides_) {
        // Shown long enough: hide it, but keep the control so the hint does not come back at once.
        if (hintWindow_)
            hintWindow_->ReleaseHandle();
        hintActive_ = false;
        UnhookHintHooks();
        return;
    }
    ActivateHint();
}

void TApplication::ActivateHint() {
    if (!hintControl_ || !hintWindow_ || !Screen)
        return;
    TControl* under = Screen->ControlAtPos(Screen->CursorPos());
    while (under && under != hintControl_)
        under = under->Parent();
    if (!under) {
        CancelHint();
        return;
    }
    std::string text = hintControl_->Hint();
    text = text.substr(0, text.find('|'));
    if (text.empty()) {
        CancelHint();
        return;
    }
    POINT cursor = Screen->CursorPos();
    cursor.y += GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    RECT rect = hintWindow_->CalcHintRect(text, cursor);
    // Keep the whole hint on the screen.
    if (rect.right > Screen->Width())
        OffsetRect(&rect, Screen->Width() - rect.right, 0);
    if (rect.bottom > Screen->Height())
        OffsetRect(&rect, 0, Screen->Height() - rect.bottom);
    hintWindow_->SetColor(HintColor);
    hintWindow_->ActivateHint(rect, text);
    hintActive_ = true;
    HookHintHooks();
    StartHintTimer(HintHidePause, true);
}

void TApplication::CancelHint() {
    StopHintTimer();
    if (hintWindow_)
        hintWindow_->ReleaseHandle();
    hintActive_ = false;
    hintControl_ = nullptr;
    UnhookHintHooks();
}

void TApplication::HookHintHooks() {
    if (!hintHook_)
        hintHook_ = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    if (!hintWatcher_) {
        auto watcher = std::make_shared<HintWatcher>();
        watcher->appWindow = handle_;
        auto* holder = new std::shared_ptr<HintWatcher>(watcher);
        HANDLE thread = CreateThread(nullptr, kHintWatcherStack, HintWatcher::Run, holder,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread) {
            CloseHandle(thread);
            hintWatcher_ = watcher;
        } else {
            delete holder;
        }
    }
    if (hintWatcher_)
        hintWatcher_->hintControlSet = hintControl_ != nullptr;
}

void TApplication::UnhookHintHooks() {
    if (hintHook_) {
        UnhookWindowsHookEx(hintHook_);
        hintHook_ = nullptr;
    }
    if (hintWatcher_) {
        hintWatcher_->hintControlSet = false;
        SetEvent(hintWatcher_->stop);
        hintWatcher_.reset();
    }
}

LRESULT CALLBACK TApplication::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && Application) {
        const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
        if (THintWindow::IsHintMsg(msg))
            GuardedDispatch(Application, [] {
                Application->CancelHint();
                return LRESULT(0);
            });
    }
    return result;
}

LRESULT TApplication::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kHintTimer) {
                HintTimerExpired();
                return 0;
            }
            break;
        case CM_CANCELHINT:
            CancelHint();
            return 0;
        case WM_CLOSE:
            if (mainForm_)
                mainForm_->Close();
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TApplication::ControlDestroyed(TControl* control) {
    if (mouseControl_ == control)
        mouseControl_ = nullptr;
    if (hintControl_ == control)
        CancelHint();
    if (mainForm_ == control)
        mainForm_ = nullptr;
}

// ---- Error display --------------------------------------------------------------------------------

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr error = std::current_exception();
    if (!error)
        return;
    if (HWND capture = GetCapture())
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const Exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (const std::bad_alloc&) {
        ShowRuntimeError("Out of memory");
    } catch (const std::exception& e) {
        ShowRuntimeError(e.what());
    } catch (...) {
        ShowRuntimeError("Unknown error");
    }
}

void TApplication::ShowException(const Exception& error) {
    ShowMessageBox(error.Message() + ".", title_, MB_OK | MB_ICONSTOP);
}

void TApplication::ShowRuntimeError(const std::string& text) {
    ShowMessageBox(text, "Runtime error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    struct Disabled {
        std::vector<HWND> windows;
        HWND except;
    } disabled{{}, handle_};
    const HWND active = GetActiveWindow();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* list = reinterpret_cast<Disabled*>(data);
            if (window != list->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
                EnableWindow(window, FALSE);
                list->windows.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    auto restore = [&] {
        for (auto it = disabled.windows.rbegin(); it != disabled.windows.rend(); ++it)
            if (IsWindow(*it))
                EnableWindow(*it, TRUE);
        if (active && IsWindow(active))
            SetActiveWindow(active);
    };
    int result;
    try {
        result = MessageBoxHook
                     ? MessageBoxHook(handle_, text, caption, flags)
                     : MessageBoxW(handle_, os::Widen(text).c_str(), os::Widen(caption).c_str(), flags);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return result;
}

// ---- Start and end --------------------------------------------------------------------------------

namespace {
bool oleStarted = false;
}

void InitFramework() {
    if (!oleStarted)
        oleStarted = SUCCEEDED(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!Screen)
        Screen = new TScreen(nullptr);
    if (!Application) {
        Application = new TApplication(nullptr);
        Application->SetShowHint(true);
    }
}

void DoneFramework() {
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
    if (oleStarted) {
        OleUninitialize();
        oleStarted = false;
    }
}
