#include "framework/UtilWindow.h"

#include "framework/Controls.h"
#include "runtime/Exceptions.h"

namespace {

struct UtilWindowData {
    TObject* sender; // not owned
    TWndMethod method;
};

LRESULT CALLBACK UtilWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<UtilWindowData*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!data)
        return DefWindowProcA(window, message, wParam, lParam);
    return GuardedDispatch(data->sender, [&] { return data->method(window, message, wParam, lParam); });
}

} // namespace

HWND AllocateHWnd(const char* className, TObject* sender, TWndMethod method) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    const bool registered = GetClassInfoA(instance, className, &existing) != 0;
    if (!registered || existing.lpfnWndProc != UtilWindowProc) {
        if (registered)
            UnregisterClassA(className, instance);
        WNDCLASSA wc{};
        wc.lpfnWndProc = UtilWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = className;
        if (!RegisterClassA(&wc))
            throw EOutOfResources(std::string("Cannot register window class ") + className);
    }
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        throw EOutOfResources("Error creating window");
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new UtilWindowData{sender, std::move(method)}));
    return window;
}

void DeallocateHWnd(HWND window) {
    if (!window)
        return;
    auto* data = reinterpret_cast<UtilWindowData*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Unbind first: the messages of the destruction need no method.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    delete data;
}
