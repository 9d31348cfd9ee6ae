#include "controls/PathCompletion.h"

#include "io/Os.h"

#include <objbase.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>

namespace {

// The entries of one folder for the completion object: every folder and file that is not hidden, each as
// the folder's text followed by its name, which is how the object compares them with the typed text. The
// object names the folder through IACList::Expand (the text up to its last separator) and may read the
// list on a thread of its own, one call at a time. (The system's own list of the file system is not
// there under Wine.) Where the object lists on the window's own thread, as Wine's does, the list of a folder
// of thousands of files ends after a while: the window must answer meanwhile.
// A COM object is freed by its own Release, never through a pointer to an interface, whose destructors
// COM leaves non-virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FolderEntries final : public IEnumString, public IACList {
public:
    // `windowThread`: the thread of the edit completed.
    explicit FolderEntries(DWORD windowThread) : windowThread_(windowThread) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IEnumString))
            *object = static_cast<IEnumString*>(this);
        else if (IsEqualIID(id, IID_IACList))
            *object = static_cast<IACList*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IACList
    HRESULT STDMETHODCALLTYPE Expand(LPCWSTR folder) override {
        folder_ = folder ? folder : L"";
        Close();
        return S_OK;
    }

    // IEnumString
    HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLESTR* entries, ULONG* fetched) override {
        if (!entries || (count > 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        while (given < count) {
            const std::wstring name = NextName();
            if (name.empty())
                break;
            const std::wstring entry = folder_ + name;
            const size_t bytes = (entry.size() + 1) * sizeof(wchar_t);
            auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!copy)
                break;
            std::memcpy(copy, entry.c_str(), bytes);
            entries[given++] = copy;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        for (; count > 0; --count)
            if (NextName().empty())
                return S_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        Close();
        return S_OK;
    }
    // A copy that goes on from the same entry, on a search of its own.
    HRESULT STDMETHODCALLTYPE Clone(IEnumString** copy) override {
        if (!copy)
            return E_POINTER;
        auto* twin = new FolderEntries(windowThread_);
        twin->folder_ = folder_;
        if (started_)
            twin->Skip(passed_);
        *copy = static_cast<IEnumString*>(twin);
        return S_OK;
    }

private:
    ~FolderEntries() { Close(); }

    // The next entry's name, or an empty one at the end; the search starts on the first call after a
    // Reset or an Expand. Names too long for the plain API are reached through the long-path form.
    std::wstring NextName() {
        WIN32_FIND_DATAW found{};
        for (;;) {
            if (started_ && passed_ % 64 == 0 && GetCurrentThreadId() == windowThread_ &&
                GetTickCount64() - startedAt_ > kWindowThreadListMs)
                return std::wstring();
            if (!started_) {
                started_ = true;
                startedAt_ = GetTickCount64();
                search_ = FindFirstFileExW(os::FileSystemName(os::Narrow(folder_ + L"*")).c_str(),
                                           FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
                if (search_ == INVALID_HANDLE_VALUE)
                    return std::wstring();
            } else if (search_ == INVALID_HANDLE_VALUE || !FindNextFileW(search_, &found)) {
                return std::wstring();
            }
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && !(found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
                ++passed_;
                return name;
            }
        }
    }
    void Close() {
        if (search_ != INVALID_HANDLE_VALUE)
            FindClose(search_);
        search_ = INVALID_HANDLE_VALUE;
        started_ = false;
        passed_ = 0;
    }

    // How long a list read on the window's thread may take.
    static constexpr ULONGLONG kWindowThreadListMs = 40;

    std::atomic<ULONG> references_{1};
    DWORD windowThread_;
    std::wstring folder_; // as typed, up to and including its last separator; empty: the current folder
    HANDLE search_ = INVALID_HANDLE_VALUE;
    bool started_ = false;
    ULONG passed_ = 0; // entries given or skipped since the search started
    ULONGLONG startedAt_ = 0;
};
#pragma GCC diagnostic pop

// A COM reference released at the end of its scope.
template <class T> struct Releasing {
    T* object = nullptr;
    ~Releasing() {
        if (object)
            object->Release();
    }
};

} // namespace

// The completion object ties itself to the window it completes and goes with it.
void CompletePathsIn(HWND edit) {
    Releasing<IAutoComplete2> completion;
    if (FAILED(CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER, IID_IAutoComplete2,
                                reinterpret_cast<void**>(&completion.object))))
        return;
    Releasing<FolderEntries> entries{new FolderEntries(GetWindowThreadProcessId(edit, nullptr))};
    if (SUCCEEDED(completion.object->Init(edit, static_cast<IEnumString*>(entries.object), nullptr, nullptr)))
        completion.object->SetOptions(ACO_AUTOSUGGEST);
}
