#pragma once

// Helpers shared by the GUI test programs: pumping messages until something holds, a shown test form,
// and reading back the pixels a window shows.

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/UtilWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace guitest {

// Handles messages until `done` holds or `timeoutMs` has passed; waits for messages, never sleeps
// blindly. False when the time ran out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Application->ProcessMessages();
        Application->Idle();
        if (done())
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Handles messages until a marker posted now has come through this thread's queue, and the queue is empty
// again: whatever was waiting before it (posted messages, input, calls sent from other threads, paints)
// has been handled, and so has what that handling posted. For showing that something does not happen.
// False when the marker did not arrive within the time.
inline bool PumpPastMarker(int timeoutMs = 20000) {
    bool arrived = false;
    HWND marker =
        AllocateHWnd("TMarkerWindow", nullptr, [&arrived](HWND window, UINT message, WPARAM w, LPARAM l) {
            if (message != WM_APP)
                return DefWindowProcW(window, message, w, l);
            arrived = true;
            return LRESULT(0);
        });
    PostMessageW(marker, WM_APP, 0, 0);
    const bool done = PumpUntil([&arrived] { return arrived; }, timeoutMs);
    DeallocateHWnd(marker);
    return done;
}

// The operating-system threads of this process now.
inline int ProcessThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// The kernel handles this process holds now. Wine's GetProcessHandleCount answers 0, so there the
// handle table is walked instead (handle values are multiples of 4).
inline int ProcessHandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0)
        return static_cast<int>(count);
    int found = 0;
    for (uintptr_t value = 4; value < 0x40000; value += 4) {
        DWORD flags = 0;
        found += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    }
    return found;
}

// A top-level form with a fixed border, placed on the screen with the given client size. Show() it,
// then ShowAndSettle() to have it painted before reading pixels.
class TestForm : public TForm {
public:
    explicit TestForm(int clientWidth = 320, int clientHeight = 260) : TForm(nullptr) {
        SetBorderStyle(bsSingle);
        SetBounds(40, 40, clientWidth + 16, clientHeight + 40);
        SetClientSize(clientWidth, clientHeight);
    }

    // Shows the form and handles messages until its first paint is done.
    void ShowAndSettle() {
        Show();
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        UpdateWindow(Handle());
        PumpUntil([this] { return IsWindowVisible(Handle()) && !GetUpdateRect(Handle(), nullptr, FALSE); },
                  5000);
    }
};

// What the window's client area shows now, copied from its device context: the pixels as drawn,
// without painting anything again.
inline TBitmap CaptureClient(HWND window) {
    GdiFlush();
    RECT client{};
    GetClientRect(window, &client);
    TBitmap image(client.right, client.bottom);
    WindowDC source(window);
    BitBlt(image.Canvas().Handle(), 0, 0, client.right, client.bottom, source.Handle(), 0, 0, SRCCOPY);
    GdiFlush();
    return image;
}

// The client area of a framework window painted afresh into a bitmap: its background, its window-less
// children and its windowed children, as they would draw themselves now.
inline TBitmap RenderClient(TWinControl& window) {
    const RECT client = window.ClientRect();
    TBitmap image(client.right, client.bottom);
    window.PaintTo(image.Canvas().Handle(), 0, 0);
    GdiFlush();
    return image;
}

// A colour as the pixels hold it (system colours looked up).
inline TColor Rgb(TColor color) {
    return static_cast<TColor>(ColorToRGB(color));
}

// What the program remembers for its user (HKCU\Software\Quorvel) goes: a test that starts the window
// starts it as for the first time, and leaves nothing for the next test or program of the shared prefix.
inline void ForgetUserSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvel");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quorvel");
}

// Answers every message box of the application with OK at once and keeps its text in `texts`.
inline void CollectBoxTexts(std::vector<std::string>& texts) {
    Application->MessageBoxHook = [&texts](HWND, const std::string& text, const std::string&, unsigned) {
        texts.push_back(text);
        return IDOK;
    };
}

// A test with a test form of the given client size: the framework is up, message boxes answer OK at
// once, and the pointer stays away from the form until a test moves it there.
class FormTest : public ::testing::Test {
protected:
    FormTest(int clientWidth, int clientHeight) : clientWidth_(clientWidth), clientHeight_(clientHeight) {}
    void SetUp() override {
        InitFramework();
        Application->MessageBoxHook = [](HWND, const std::string&, const std::string&, unsigned) {
            return IDOK;
        };
        SetCursorPos(0, 0);
        form = std::make_unique<TestForm>(clientWidth_, clientHeight_);
    }
    void TearDown() override {
        form.reset();
        Application->MessageBoxHook = nullptr;
    }

    std::unique_ptr<TestForm> form;

private:
    int clientWidth_;
    int clientHeight_;
};

// Opens every root node of the tree whose children are still to come and closes it again, as a person
// opening each form would: its children are in the tree afterwards, and nothing shows expanded that did
// not before. The number of nodes the tree then holds.
inline int OpenEveryRoot(HWND tree) {
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(
             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        TVITEMW info{};
        info.mask = TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
        info.hItem = item;
        info.stateMask = TVIS_EXPANDED;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
        if (info.cChildren != 0 && (info.state & TVIS_EXPANDED) == 0 &&
            !SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) {
            SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
        }
    }
    return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
}

} // namespace guitest
