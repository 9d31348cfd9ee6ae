#include "framework/UtilWindow.h"

#include "framework/Controls.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

namespace {

struct UtilWindowData {
    TObject* sender; // not owned
    TWndMethod method;
};

LRESULT CALLBACK UtilWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<UtilWindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!data)
        return DefWindowProcW(window, message, wParam, lParam);
    return GuardedDispatch(data->sender, [&] { return data->method(window, message, wParam, lParam); });
}

} // namespace

HWND AllocateHWnd(const char* className, TObject* sender, TWndMethod method) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring name = os::Widen(className);
    WNDCLASSW existing{};
    const bool registered = GetClassInfoW(instance, name.c_str(), &existing) != 0;
    if (!registered || existing.lpfnWndProc != UtilWindowProc) {
        if (registered)
            UnregisterClassW(name.c_str(), instance);
        WNDCLASSW wc{};
        wc.lpfnWndProc = UtilWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = name.c_str();
        if (!RegisterClassW(&wc))
            throw EOutOfResources(std::string("Cannot register window class ") + className);
    }
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, name.c_str(), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        throw EOutOfResources("Error creating window");
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new UtilWindowData{sender, std::move(method)}));
    return window;
}

void DeallocateHWnd(HWND window) {
    if (!window)
        return;
    auto* data = reinterpret_cast<UtilWindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Unbind first: the messages of the destruction need no method.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    delete data;
}
