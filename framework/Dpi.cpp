#include "framework/Dpi.h"

#include "framework/Graphics.h"

#include <algorithm>
#include <cstring>

namespace {

// The per-monitor calls of Windows 10 version 1607, looked up so that older systems run the program
// at their system resolution.
template <class Function> Function User32Function(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

} // namespace

int SystemDpi() {
    using GetDpiForSystemCall = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32Function<GetDpiForSystemCall>("GetDpiForSystem");
    if (getDpiForSystem)
        return static_cast<int>(getDpiForSystem());
    WindowDC screen(nullptr);
    return GetDeviceCaps(screen.Handle(), LOGPIXELSY);
}

int WindowDpi(HWND window) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowCall>("GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    return SystemDpi();
}

TBitmap ScaleBitmap(const TBitmap& source, int width, int height) {
    TBitmap result(std::max(width, 0), std::max(height, 0), source.PixelFormat());
    if (result.Empty() || source.Empty())
        return result;
    const int bytes = source.PixelFormat() == pf32bit ? 4 : 3;
    GdiFlush();
    // Each result pixel takes the source pixel under its centre.
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * source.Height() / (2LL * height));
        const BYTE* from = source.ScanLine(sy);
        BYTE* to = result.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>((2LL * x + 1) * source.Width() / (2LL * width));
            std::memcpy(to + x * bytes, from + sx * bytes, static_cast<size_t>(bytes));
        }
    }
    return result;
}
