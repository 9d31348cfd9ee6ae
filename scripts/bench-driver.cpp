// Measures from outside how a running Quorvel.exe answers on a big project, for scripts/bench-window.sh:
//
//   bench-driver.exe PROJECT NODES [PAIRS [UNIX-PID]]
//
// (UNIX-PID: the program's process on Linux, when it runs under Wine.)
// 1. paste-to-tree: PROJECT (a full path) goes on the clipboard and Ctrl+V is typed into the file-name
//    edit through the system's input queue; the time runs until the tree shows NODES nodes.
// 2. typing: PAIRS times (default 5) "x" then Backspace typed at the end of the name. "...Big.makx"
//    names no file, Backspace makes the text name the unchanged project again. Each keystroke is timed
//    until the edit holds its new text and the window answers again.
// 3. Rescan: F5, the project read again.
// All the while a second thread keeps sending the window WM_NULL and keeps the longest wait for an
// answer in each phase. Then, without it, the processor time the program spends (on any of its
// threads, until it rests) on a Backspace of step 2 and on F5. Then the window is closed. Figures go
// to standard output, one "name: value" a line.
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
#include <utility>
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
    std::fflush(stderr);
    return 1;
}

// The program's process on Linux, when it runs under Wine there (0: not known): Wine's GetProcessTimes
// does not count every thread of another process, Linux does.
int unixProcess = 0;

// The processor time the program has used so far, in milliseconds: what its threads worked, also off
// the window's thread. Under Wine, from Linux's account of the process (in its 10 ms ticks).
double WorkedMs(HANDLE process) {
    if (unixProcess != 0) {
        const std::string stat = "Z:\\proc\\" + std::to_string(unixProcess) + "\\stat";
        if (FILE* file = std::fopen(stat.c_str(), "r")) {
            char line[1024] = {};
            const size_t length = std::fread(line, 1, sizeof line - 1, file);
            std::fclose(file);
            line[length] = '\0';
            // After the command's closing parenthesis: state, then fields 4 to 13, then user and system.
            const char* fields = std::strrchr(line, ')');
            unsigned long user = 0, system = 0;
            if (fields && std::sscanf(fields + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                                      &user, &system) == 2)
                return (user + system) * 10.0;
        }
    }
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return 0;
    const auto ms = [](FILETIME t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// Waits until the program has worked no more for a quarter of a second; the time from `start` to its
// last work, and the work done since `workedBefore`.
std::pair<double, double> UntilQuiet(HANDLE process, Clock::time_point start, double workedBefore) {
    double worked = WorkedMs(process);
    auto lastWork = Clock::now();
    while (Clock::now() - lastWork < std::chrono::milliseconds(250)) {
        Sleep(25);
        const double now = WorkedMs(process);
        if (now > worked + 1) {
            worked = now;
            lastWork = Clock::now();
        }
    }
    return {std::chrono::duration<double, std::milli>(lastWork - start).count(), worked - workedBefore};
}

int Run(const std::string& project, int nodes, int pairs) {
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = MainWindow()) != nullptr; }, 60))
        return Fail("no Quorvel window");
    HWND edit = FindChild(window, L"TFilenameEdit");
    HWND tree = FindChild(window, L"TTreeView");
    if (!edit || !tree)
        return Fail("the window has no file-name edit or no tree");
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);

    SetForegroundWindow(window);
    RECT editRect{};
    GetWindowRect(edit, &editRect);
    ClickAt({(editRect.left + editRect.right) / 2 - 20, (editRect.top + editRect.bottom) / 2});
    if (!WaitFor([&] { return FocusOf(window) == edit; }, 10))
        return Fail("the edit did not get the focus");

    // The window pinged all the while; the longest wait for an answer is kept for each phase. The
    // answers cost the program processor time, so the pings pause while its work is taken.
    enum Phase { kPaste, kTyping, kRescan, kQuiet, kDone };
    std::atomic<int> phase{kPaste};
    double longestUnanswered[kQuiet] = {};
    std::thread pinger([&] {
        for (int now; (now = phase) != kDone;) {
            if (now != kQuiet) {
                const auto sent = Clock::now();
                Ask(window, WM_NULL);
                longestUnanswered[now] = std::max(longestUnanswered[now], MillisecondsSince(sent));
            }
            Sleep(2);
        }
    });
    const auto stop = [&](int code) {
        phase = kDone;
        pinger.join();
        return code;
    };
    // A key through the input queue, until the edit holds `expected` and the window answers again.
    const auto press = [&](WORD key, const std::string& expected) {
        driver::PressChord({key});
        const bool typed = WaitFor([&] { return TextOf(edit) == expected; });
        Ask(window, WM_NULL);
        return typed;
    };

    // 1. Paste.
    if (!PutOnClipboard(std::wstring(project.begin(), project.end()))) // a path of the Z: drive, ASCII
        return stop(Fail("cannot use the clipboard"));
    const auto pasted = Clock::now();
    driver::PressChord({VK_CONTROL, 'V'});
    if (!WaitFor([&] { return Ask(tree, TVM_GETCOUNT) >= nodes && IsWindowVisible(tree); }))
        return stop(Fail("the tree did not fill"));
    const double pasteToTree = MillisecondsSince(pasted);
    if (TextOf(edit) != project)
        return stop(Fail("the edit does not hold the pasted name"));
    Sleep(1000);

    // 2. Typing: "x" names no file, Backspace the project again.
    phase = kTyping;
    double longestKey = 0;
    double longestBackspace = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        for (const bool back : {false, true}) {
            const auto pressed = Clock::now();
            if (!press(back ? VK_BACK : 'X', back ? project : project + "x"))
                return stop(Fail("a keystroke did not reach the edit"));
            double& longest = back ? longestBackspace : longestKey;
            longest = std::max(longest, MillisecondsSince(pressed));
        }
    }
    Sleep(1000);

    // 3. Rescan (F5), given time to end.
    phase = kRescan;
    driver::PressChord({VK_F5});
    Sleep(3000);

    // 4. The processor time of the same keys and of F5, without pings.
    phase = kQuiet;
    UntilQuiet(process, Clock::now(), 0);
    double backspaceWork = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        press('X', project + "x");
        UntilQuiet(process, Clock::now(), 0);
        const double workedBefore = WorkedMs(process);
        if (!press(VK_BACK, project))
            return stop(Fail("a keystroke did not reach the edit"));
        backspaceWork = std::max(backspaceWork, UntilQuiet(process, Clock::now(), workedBefore).second);
    }
    const double workedBefore = WorkedMs(process);
    const auto rescanned = Clock::now();
    driver::PressChord({VK_F5});
    const auto [rescanDone, rescanWork] = UntilQuiet(process, rescanned, workedBefore);
    const int count = static_cast<int>(Ask(tree, TVM_GETCOUNT));
    stop(0);

    std::printf("paste-to-tree: %.0f ms (%d nodes)\n", pasteToTree, nodes);
    std::printf("longest freeze after the paste: %.0f ms\n", longestUnanswered[kPaste]);
    std::printf("keystroke naming the same project (Backspace), longest: %.0f ms\n", longestBackspace);
    std::printf("keystroke naming the same project, work: %.0f ms of processor time\n", backspaceWork);
    std::printf("keystroke to no file (x), longest: %.0f ms\n", longestKey);
    std::printf("longest freeze while typing: %.0f ms (%d keystrokes)\n", longestUnanswered[kTyping],
                pairs * 2);
    std::printf("longest freeze after Rescan (F5): %.0f ms\n", longestUnanswered[kRescan]);
    std::printf("Rescan (F5) done: %.0f ms, work: %.0f ms of processor time\n", rescanDone, rescanWork);
    std::fflush(stdout);
    if (count != nodes)
        return Fail("the tree no longer holds every node");

    return driver::CloseAndWait(window, 60000) ? 0 : Fail("Quorvel did not end");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5) {
        unixProcess = std::atoi(argv[4]);
        argc = 4;
    }
    if (argc == 3 || argc == 4) {
        const int nodes = std::atoi(argv[2]);
        const int pairs = argc == 4 ? std::atoi(argv[3]) : 5;
        if (nodes > 0 && pairs > 0)
            return Run(argv[1], nodes, pairs);
    }
    std::fprintf(stderr, "usage: bench-driver.exe PROJECT NODES [PAIRS [UNIX-PID]]\n");
    return 2;
}
