#include "framework/Clipboard.h"

#include "framework/Application.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

#include <cstring>
#include <cwchar>
#include <memory>

// The clipboard open for the length of one operation, owned by the application window.
class TClipboard::Session {
public:
    Session() {
        const HWND owner = Application ? Application->Handle() : nullptr;
        // Another program may hold the clipboard open for the moment it takes to read it.
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (OpenClipboard(owner))
                return;
            Sleep(10);
        }
        throw Exception(SCannotOpenClipboard, {});
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { CloseClipboard(); }
};

namespace {

// A movable global block until the clipboard takes it over.
class GlobalBlock {
public:
    explicit GlobalBlock(size_t size) : handle_(GlobalAlloc(GMEM_MOVEABLE, size)) {
        if (!handle_)
            throw std::bad_alloc();
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    ~GlobalBlock() {
        if (handle_)
            GlobalFree(handle_);
    }
    HGLOBAL Handle() const { return handle_; }
    HGLOBAL Release() {
        HGLOBAL handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    HGLOBAL handle_;
};

} // namespace

void TClipboard::SetAsText(const std::string& text) {
    const std::wstring wide = os::Widen(std::string_view(text.c_str(), std::strlen(text.c_str())));
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    GlobalBlock block(bytes);
    void* data = GlobalLock(block.Handle());
    if (!data)
        throw std::bad_alloc();
    std::memcpy(data, wide.c_str(), bytes);
    GlobalUnlock(block.Handle());

    Session session;
    EmptyClipboard();
    // Readers of the old CF_TEXT get it made from this by the system, in their own code page.
    if (!SetClipboardData(CF_UNICODETEXT, block.Handle()))
        throw EOutOfResources("Out of system resources");
    block.Release(); // the clipboard owns it now
}

std::string TClipboard::AsText() {
    Session session;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return std::string();
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (!text)
        return std::string();
    // The block may be larger than its text; the text ends at its zero unit or at the block's end.
    const size_t size = GlobalSize(data) / sizeof(wchar_t);
    const std::string result = os::Narrow(std::wstring_view(text, wcsnlen(text, size)));
    GlobalUnlock(data);
    return result;
}

bool TClipboard::HasFormat(UINT format) const {
    return IsClipboardFormatAvailable(format) != FALSE;
}

void TClipboard::Clear() {
    Session session;
    EmptyClipboard();
}

TClipboard* Clipboard() {
    static std::unique_ptr<TClipboard> clipboard;
    if (!clipboard)
        clipboard = std::make_unique<TClipboard>();
    return clipboard.get();
}
