// Measures from outside how a running Quorvel.exe answers on a big project, for scripts/bench-window.sh:
//
//   bench-driver.exe PROJECT NODES [PAIRS]
//
// 1. paste-to-tree: PROJECT (a full path) goes on the clipboard and Ctrl+V is typed into the file-name
//    edit through the system's input queue; the time runs until the tree holds NODES nodes.
// 2. typing: PAIRS times (default 5) "x" then Backspace typed at the end of the name. "...Big.makx"
//    names no file, Backspace makes the text name the project again, which rescans it. Each keystroke
//    is timed until the edit holds its new text and the window answers again; a second thread keeps
//    sending the window WM_NULL and keeps the longest wait for an answer.
// Then the window is closed. Figures go to standard output, one "name: value" a line.
//
// A message sent from another process is handled only when the window's thread looks at its queue,
// so while it works on a Rescan it answers nothing: a sent message's round trip is the freeze.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "driver-support.h"

namespace {

using driver::Clock;
using driver::FindChild;
using driver::FocusOf;
using driver::MainWindow;
using driver::PutOnClipboard;
using driver::WaitFor;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sent messages wait for the window's thread; the timeout only keeps a hung program from hanging us.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 600000, &result);
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND edit) {
    char buffer[4096] = {};
    Ask(edit, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void ClickAt(POINT point) {
    const int width = GetSystemMetrics(SM_CXSCREEN) - 1;
    const int height = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = point.x * 65535 / width;
        input.mi.dy = point.y * 65535 / height;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, inputs, sizeof(INPUT));
}

int Fail(const char* what) {
    std::fprintf(stderr, "bench-driver: %s\n", what);
    return 1;
}

int Run(const std::string& project, int nodes, int pairs) {
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = MainWindow()) != nullptr; }, 60))
        return Fail("no Quorvel window");
    HWND edit = FindChild(window, L"TFilenameEdit");
    HWND tree = FindChild(window, L"TTreeView");
    if (!edit || !tree)
        return Fail("the window has no file-name edit or no tree");

    SetForegroundWindow(window);
    RECT editRect{};
    GetWindowRect(edit, &editRect);
    ClickAt({(editRect.left + editRect.right) / 2 - 20, (editRect.top + editRect.bottom) / 2});
    if (!WaitFor([&] { return FocusOf(window) == edit; }, 10))
        return Fail("the edit did not get the focus");

    // 1. Paste.
    if (!PutOnClipboard(std::wstring(project.begin(), project.end()))) // a path of the Z: drive, ASCII
        return Fail("cannot use the clipboard");
    const auto pasted = Clock::now();
    driver::PressChord({VK_CONTROL, 'V'});
    if (!WaitFor([&] { return Ask(tree, TVM_GETCOUNT) >= nodes; }))
        return Fail("the tree did not fill");
    const double pasteToTree = MillisecondsSince(pasted);
    if (TextOf(edit) != project)
        return Fail("the edit does not hold the pasted name");
    std::printf("paste-to-tree: %.0f ms (%d nodes)\n", pasteToTree,
                static_cast<int>(Ask(tree, TVM_GETCOUNT)));
    std::fflush(stdout);

    // 2. Typing, with the window pinged all the while.
    std::atomic<bool> typing{true};
    double longestUnanswered = 0;
    std::thread pinger([&] {
        while (typing) {
            const auto sent = Clock::now();
            Ask(window, WM_NULL);
            longestUnanswered = std::max(longestUnanswered, MillisecondsSince(sent));
            Sleep(2);
        }
    });
    double longestKey = 0;
    double longestBackspace = 0;
    bool typed = true;
    for (int pair = 0; pair < pairs && typed; ++pair) {
        for (const bool back : {false, true}) {
            const std::string expected = back ? project : project + "x";
            const auto pressed = Clock::now();
            driver::PressChord({static_cast<WORD>(back ? VK_BACK : 'X')});
            typed = WaitFor([&] { return TextOf(edit) == expected; });
            Ask(window, WM_NULL);
            const double took = MillisecondsSince(pressed);
            (back ? longestBackspace : longestKey) = std::max(back ? longestBackspace : longestKey, took);
            if (!typed)
                break;
        }
    }
    typing = false;
    pinger.join();
    if (!typed)
        return Fail("a keystroke did not reach the edit");
    const int count = static_cast<int>(Ask(tree, TVM_GETCOUNT));
    std::printf("keystroke that rescans (Backspace), longest: %.0f ms\n", longestBackspace);
    std::printf("keystroke to no file (x), longest: %.0f ms\n", longestKey);
    std::printf("longest freeze while typing: %.0f ms (%d keystrokes)\n", longestUnanswered, pairs * 2);
    if (count != nodes)
        return Fail("the tree no longer holds every node");

    return driver::CloseAndWait(window, 60000) ? 0 : Fail("Quorvel did not end");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 || argc == 4) {
        const int nodes = std::atoi(argv[2]);
        const int pairs = argc == 4 ? std::atoi(argv[3]) : 5;
        if (nodes > 0 && pairs > 0)
            return Run(argv[1], nodes, pairs);
    }
    std::fprintf(stderr, "usage: bench-driver.exe PROJECT NODES [PAIRS]\n");
    return 2;
}
