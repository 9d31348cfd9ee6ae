// What the programs that drive a running Quorvel.exe from outside share (scripts/screenshot-driver.cpp,
// scripts/bench-driver.cpp, and the window tests' real input): finding its windows, waiting on it, the
// clipboard, key presses. Header only, on nothing but Win32: each driver is one translation unit,
// built by its script.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

namespace driver {

using Clock = std::chrono::steady_clock;

// Polls `done` for up to `seconds`: a driver waits on another process, which it cannot pump.
template <class Condition> bool WaitFor(Condition done, int seconds = 120) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        Sleep(1);
    }
    return true;
}

inline HWND FindChild(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* name;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (std::wcscmp(name, s->name) == 0) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's main window once it shows.
inline HWND MainWindow() {
    HWND window = FindWindowW(L"TForm1", L"Quorvel");
    return window && IsWindowVisible(window) ? window : nullptr;
}

// The program's windows are Unicode, and so is what a driver pastes.
inline bool PutOnClipboard(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return false;
    std::memcpy(GlobalLock(block), text.c_str(), bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!placed)
        GlobalFree(block);
    return placed;
}

// A chord as the keyboard sends it, through the system's input queue to whatever window has the focus:
// the keys down in order (modifiers first), then up in reverse. False when not all were queued.
inline bool PressChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    const WORD* key = keys.begin();
    const size_t count = keys.size();
    for (size_t i = 0; i < 2 * count; ++i) {
        const bool up = i >= count;
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key[up ? 2 * count - 1 - i : i];
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(input.ki.wVk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The window of `window`'s thread that has the keyboard focus.
inline HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Closes the program's window as its close box does and waits up to `milliseconds` for the program to
// end; false when it did not.
inline bool CloseAndWait(HWND window, DWORD milliseconds) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const bool ended = !process || WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    if (process)
        CloseHandle(process);
    return ended;
}

} // namespace driver
