#include "framework/Dialogs.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "io/Os.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Room for a name of any length the file system takes (the long-path limit), not MAX_PATH.
constexpr std::size_t kFileBufferLength = 32768;
constexpr std::size_t kMultiSelectBufferLength = 8192;
constexpr std::size_t kDefaultExtLength = 3;

struct OptionFlag {
    TOpenOption Option;
    DWORD Flag;
};

constexpr OptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofShowHelp, OFN_SHOWHELP},
    {ofNoValidate, OFN_NOVALIDATE},
    {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
    {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
    {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofShareAware, OFN_SHAREAWARE},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
    {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
    {ofNoNetworkButton, OFN_NONETWORKBUTTON},
    {ofNoLongNames, OFN_NOLONGNAMES},
    {ofOldStyleDialog, OFN_EXPLORER},
    {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
};

// Places the dialog once it is laid out: the explorer style tells its child hook dialog when the frame
// is ready (CDN_INITDONE); the old style hooks the dialog itself.
UINT_PTR CALLBACK DialogHook(HWND window, UINT message, WPARAM, LPARAM lParam) {
    return static_cast<UINT_PTR>(GuardedDispatch(nullptr, [&]() -> LRESULT {
        if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
            CenterDialog(GetParent(window));
            return 0;
        }
        if (message == WM_INITDIALOG && !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
            CenterDialog(window);
            return TRUE;
        }
        return 0;
    }));
}

// The application's windows are disabled while a dialog runs on top of them, and come back as they
// were, the window that was active activated again.
class TaskModalScope {
public:
    TaskModalScope() : active_(GetActiveWindow()) {
        EnumThreadWindows(GetCurrentThreadId(), &TaskModalScope::Disable, reinterpret_cast<LPARAM>(this));
    }
    TaskModalScope(const TaskModalScope&) = delete;
    TaskModalScope& operator=(const TaskModalScope&) = delete;
    ~TaskModalScope() {
        for (HWND window : disabled_)
            if (IsWindow(window))
                EnableWindow(window, TRUE);
        if (active_ && IsWindow(active_))
            SetActiveWindow(active_);
    }

private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self) {
        if (IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            reinterpret_cast<TaskModalScope*>(self)->disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND active_;
    std::vector<HWND> disabled_;
};

// Makes the folder of a confirmed file the current directory. The platform dialog does so itself when
// the user walked to the folder; a path typed into it must leave the same directory behind.
void EnterFolderOf(const std::wstring& fileName) {
    const DWORD size = GetFullPathNameW(fileName.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return;
    std::wstring full(size, L'\0');
    wchar_t* namePart = nullptr;
    const DWORD length = GetFullPathNameW(fileName.c_str(), size, full.data(), &namePart);
    if (length == 0 || length >= size || !namePart)
        return;
    *namePart = L'\0';
    SetCurrentDirectoryW(full.c_str());
}

} // namespace

DWORD FileDialogFlags(TOpenOptions options) {
    DWORD flags = OFN_ENABLEHOOK;
    for (const OptionFlag& entry : kOptionFlags)
        if (options & entry.Option)
            flags |= entry.Flag;
    // Every platform this program runs on has the explorer-style dialog.
    return flags ^ OFN_EXPLORER;
}

// The texts are UTF-8, where no byte of a multi-byte character looks like '|' or '\\'.
std::string FileDialogFilter(const std::string& filter) {
    if (filter.empty())
        return std::string();
    std::string result = filter;
    std::replace(result.begin(), result.end(), '|', '\0');
    result.push_back('\0'); // with the string's own terminator: the list ends with an empty string
    return result;
}

std::string TrimInitialDir(const std::string& folder) {
    const std::size_t n = folder.size();
    if (n <= 1 || folder[n - 1] != '\\' || folder[n - 2] == ':')
        return folder;
    return folder.substr(0, n - 1);
}

void CenterDialog(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 3, 0, 0,
                 SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER);
}

// ---- TOpenDialog ----------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

TOpenDialog::~TOpenDialog() = default;

BOOL TOpenDialog::CallPlatformDialog(OPENFILENAMEW& request) {
    return GetOpenFileNameW(&request);
}

bool TOpenDialog::RunFileDialog() {
    // The record of the platform version 4 dialog: its size without the fields that later versions
    // added, so the dialog keeps that version's look.
    OPENFILENAMEW request;
    std::memset(&request, 0, sizeof request);
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    request.hInstance = GetModuleHandleW(nullptr);
    request.hwndOwner = Application ? Application->Handle() : nullptr;

    const std::wstring filter = os::Widen(FileDialogFilter(filter_));
    request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = static_cast<DWORD>(filterIndex_);

    const std::size_t capacity =
        (options_ & ofAllowMultiSelect) ? kMultiSelectBufferLength : kFileBufferLength;
    std::vector<wchar_t> buffer(capacity + 2, L'\0');
    const std::wstring fileName = os::Widen(fileName_);
    std::copy_n(fileName.begin(), std::min(fileName.size(), kFileBufferLength), buffer.begin());
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(capacity);

    const std::wstring initialDir = os::Widen(initialDir_);
    request.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    const std::wstring title = os::Widen(title_);
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = FileDialogFlags(options_);
    const std::wstring defaultExt = os::Widen(defaultExt_).substr(0, kDefaultExtLength);
    request.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    request.lpfnHook = DialogHook;

    if (OnRequest)
        OnRequest(request);

    BOOL confirmed;
    {
        TaskModalScope modal;
        confirmed = CallPlatformDialog(request);
    }
    if (!confirmed)
        return false;

    buffer.back() = L'\0';
    const std::wstring chosen = buffer.data();
    fileName_ = os::Narrow(chosen);
    options_ = (options_ & ~(ofExtensionDifferent | ofReadOnly)) |
               ((request.Flags & OFN_EXTENSIONDIFFERENT) ? ofExtensionDifferent : 0u) |
               ((request.Flags & OFN_READONLY) ? ofReadOnly : 0u);
    filterIndex_ = static_cast<int>(request.nFilterIndex);
    if (!(options_ & ofNoChangeDir)) {
        // Several files chosen together come as their folder followed by their names.
        const bool severalFiles = (options_ & ofAllowMultiSelect) && buffer[chosen.size() + 1] != L'\0';
        if (severalFiles)
            SetCurrentDirectoryW(chosen.c_str());
        else
            EnterFolderOf(chosen);
    }
    return true;
}

// ---- TSaveDialog ----------------------------------------------------------------------------------

TSaveDialog::TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

BOOL TSaveDialog::CallPlatformDialog(OPENFILENAMEW& request) {
    return GetSaveFileNameW(&request);
}
