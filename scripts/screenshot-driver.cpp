// Drives a running Quorvel.exe from outside, as a user would, for scripts/screenshot.sh:
//
//   screenshot-driver.exe show PROJECT   pastes PROJECT into the file-name edit (the program scans it),
//                                        clicks into the tree, expands the first form and
//                                        selects its first component; prints the window's screen
//                                        rectangle as "left top width height".
//   screenshot-driver.exe close          closes the window (once it shows) as its close box does and waits
//                                        for the program to end.
//
// Everything here goes through the program's windows' messages.
// Pasting (not typing) puts the whole name in with one change, so no incomplete name is scanned.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "driver-support.h"

namespace {

using driver::FindChild;
using driver::FocusOf;
using driver::MainWindow;
using driver::PutOnClipboard;
using driver::WaitFor;

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

int Fail(const char* what) {
    std::fprintf(stderr, "screenshot-driver: %s\n", what);
    return 1;
}

int Show(const std::wstring& project) {
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = MainWindow()) != nullptr; }))
        return Fail("no Quorvel window");
    HWND edit = FindChild(window, L"TFilenameEdit");
    HWND tree = FindChild(window, L"TTreeView");
    if (!edit || !tree)
        return Fail("the window has no file-name edit or no tree");

    if (!PutOnClipboard(project))
        return Fail("cannot use the clipboard");
    SendMessageW(edit, WM_PASTE, 0, 0);
    if (!WaitFor([&] { return SendMessageW(tree, TVM_GETCOUNT, 0, 0) > 0; }, 10))
        return Fail("the scan put no node in the tree");

    // A click on the tree's empty lower part gives it the focus, so that the selection shows.
    RECT client{};
    GetClientRect(tree, &client);
    const LPARAM below = MAKELPARAM(client.right / 2, client.bottom - 8);
    PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, below);
    PostMessageW(tree, WM_LBUTTONUP, 0, below);
    if (!WaitFor([&] { return FocusOf(window) == tree; }, 10))
        return Fail("the tree did not get the focus");
    HTREEITEM form = TreeItem(tree, TVGN_ROOT);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(form));
    HTREEITEM component = TreeItem(tree, TVGN_CHILD, form);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(component ? component : form));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // A message answered after everything before it: the window has painted.
    SendMessageW(window, WM_NULL, 0, 0);

    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int Close() {
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = MainWindow()) != nullptr; }))
        return Fail("no Quorvel window");
    return driver::CloseAndWait(window, 30000) ? 0 : Fail("Quorvel did not end");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "show") == 0) {
        // The argument comes in the ANSI code page.
        std::wstring project(std::strlen(argv[2]) + 1, L'\0');
        const int length =
            MultiByteToWideChar(CP_ACP, 0, argv[2], -1, project.data(), static_cast<int>(project.size()));
        project.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0); // less the terminator
        return Show(project);
    }
    if (argc == 2 && std::strcmp(argv[1], "close") == 0)
        return Close();
    std::fprintf(stderr, "usage: screenshot-driver.exe show PROJECT | close\n");
    return 2;
}
