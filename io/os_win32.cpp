// The operating-system seam on Windows: the wide CreateFileW with share modes, FindFirstFileW for
// the existence test, movable global memory blocks for the memory stream. Names arrive as UTF-8 and
// reach the file system as UTF-16, long ones with the "\\?\" prefix.
#include "io/Os.h"

#include "io/CodePages.h"
#include "runtime/Text.h"

#include <windows.h>

#include <shellapi.h>

namespace os {

namespace {

// How long an open waits for a file that another program holds for a moment (the environment saving
// it, a virus scanner reading it), and how often it looks again.
constexpr DWORD kLockedFileWaitMs = 2000;
constexpr DWORD kLockedFileRetryMs = 50;

HANDLE ToHandle(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
FileHandle FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<FileHandle>(handle);
}

std::wstring ConvertToWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty())
        return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// CreateFileW, tried again for a while when another program holds the file without sharing it, unless
// `cancel` holds true. The wait is told once on the debug output, where a debugger or a debug-output
// viewer shows why the program pauses.
HANDLE CreateFileRetrying(const std::string& name, DWORD access, DWORD share, DWORD disposition,
                          const std::atomic<bool>* cancel = nullptr) {
    const std::wstring path = FileSystemName(name);
    const DWORD start = ::GetTickCount();
    for (bool told = false;; told = true) {
        HANDLE handle =
            ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = ::GetLastError();
        if (handle != INVALID_HANDLE_VALUE ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
            ::GetTickCount() - start >= kLockedFileWaitMs || (cancel && cancel->load()))
            return handle;
        if (!told)
            ::OutputDebugStringW((L"Waiting for a file another program holds: " + path + L"\n").c_str());
        ::Sleep(kLockedFileRetryMs);
    }
}

FileStamp StampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    return FileStamp{static_cast<std::int64_t>((static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow),
                     static_cast<std::int64_t>((static_cast<std::uint64_t>(written.dwHighDateTime) << 32) |
                                               written.dwLowDateTime)};
}

} // namespace

std::wstring Widen(std::string_view utf8) {
    return ConvertToWide(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty())
        return std::string();
    const int size = static_cast<int>(utf16.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::wstring WidenSystemBytes(std::string_view bytes) {
    return ConvertToWide(CP_ACP, bytes);
}

std::string SystemBytesToUtf8(std::string_view bytes) {
    return Narrow(WidenSystemBytes(bytes));
}

unsigned SystemCodePage() {
    return ::GetACP();
}

bool ConvertsCodePage(unsigned codePage) {
    return ::IsValidCodePage(codePage) != 0;
}

std::string CodePageToUtf8(unsigned codePage, std::string_view bytes) {
    const std::wstring wide = ConvertToWide(codePage, bytes);
    if (wide.empty() && !bytes.empty())
        throw UnconvertibleCodePage(codePage);
    return Narrow(wide);
}

std::wstring FileSystemName(const std::string& name) {
    std::wstring wide = Widen(name);
    if (wide.size() < 4 || wide.compare(0, 4, L"\\\\?\\") != 0) {
        // Short names keep their form, relative ones too; the full path is what the limit applies to.
        const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (length >= MAX_PATH - 12) { // a folder's own limit is MAX_PATH less room for an 8.3 name
            std::wstring full(length, L'\0');
            const DWORD got = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
            if (got > 0 && got < length) {
                full.resize(got);
                if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1]))
                    wide = L"\\\\?\\UNC\\" + full.substr(2);
                else
                    wide = L"\\\\?\\" + full;
            }
        }
    }
    return wide;
}

// The full path, letter case ignored. A file's index on its volume would tell links apart too, but the
// volume's serial number that goes with it costs a millisecond a file where the file system is emulated.
std::string FileIdentity(const std::string& name) {
    const std::wstring path = FileSystemName(name);
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return std::string();
    std::wstring full(length, L'\0');
    const DWORD got = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (got == 0 || got >= length)
        return std::string();
    full.resize(got);
    if (full.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        full = L"\\\\" + full.substr(8);
    else if (full.compare(0, 4, L"\\\\?\\") == 0)
        full.erase(0, 4);
    ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return Narrow(full);
}

namespace {

// What the handle of a file opened by `name` tells, through the cheap queries only.
bool FactsOf(HANDLE handle, const std::string& name, FileFacts& facts) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return false;
    facts.Regular = ::GetFileType(handle) == FILE_TYPE_DISK && !standard.Directory &&
                    (basic.FileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    facts.Stamp = FileStamp{standard.EndOfFile.QuadPart, basic.LastWriteTime.QuadPart};
    facts.Identity = FileIdentity(name);
    return true;
}

} // namespace

FileHandle FileOpen(const std::string& name, std::uint16_t mode, const std::atomic<bool>* cancel,
                    FileFacts* facts) {
    static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE};
    const unsigned access = mode & 3u;
    const unsigned share = (mode >> 4) & 0xFu;
    if (access > 2 || share > 4)
        return kInvalidHandle;
    const FileHandle handle =
        FromHandle(CreateFileRetrying(name, kAccess[access], kShare[share], OPEN_EXISTING, cancel));
    if (handle != kInvalidHandle && facts != nullptr && !FactsOf(ToHandle(handle), name, *facts)) {
        FileClose(handle);
        return kInvalidHandle;
    }
    return handle;
}

FileHandle FileCreate(const std::string& name) {
    return FromHandle(CreateFileRetrying(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
}

std::int32_t FileRead(FileHandle handle, void* buffer, std::int32_t count) {
    DWORD done = 0;
    if (count <= 0 || !::ReadFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr))
        return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t FileWrite(FileHandle handle, const void* buffer, std::int32_t count) {
    DWORD done = 0;
    if (count <= 0 || !::WriteFile(ToHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr))
        return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t FileSeek(FileHandle handle, std::int32_t offset, int origin) {
    return static_cast<std::int32_t>(
        ::SetFilePointer(ToHandle(handle), offset, nullptr, static_cast<DWORD>(origin)));
}

void FileClose(FileHandle handle) {
    ::CloseHandle(ToHandle(handle));
}

FileHandle StdOutHandle() {
    return FromHandle(::GetStdHandle(STD_OUTPUT_HANDLE));
}

void WriteStdErr(std::string_view utf8) {
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD consoleMode = 0;
    if (::GetConsoleMode(error, &consoleMode)) {
        const std::wstring text = Widen(utf8);
        DWORD done = 0;
        ::WriteConsoleW(error, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        return;
    }
    for (size_t at = 0; at < utf8.size();) {
        DWORD done = 0;
        if (!::WriteFile(error, utf8.data() + at, static_cast<DWORD>(utf8.size() - at), &done, nullptr) ||
            done == 0)
            return;
        at += done;
    }
}

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(Narrow(wide[i]));
    ::LocalFree(wide);
    return args;
}

bool FileExists(const std::string& name) {
    // A plain name is answered by its attributes: a directory search reads the whole folder, which a
    // project of thousands of forms in one folder pays once per form.
    if (name.find_first_of("*?<>\"") == std::string::npos) {
        FileStamp stamp;
        return FileStampOf(name, stamp);
    }
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(FileSystemName(name).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    // A pattern exists when any entry other than a folder matches it; a plain name finds at most
    // itself. The time stamp does not matter: a form dated 1970 is as much a form.
    bool exists = false;
    do
        exists = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (!exists && ::FindNextFileW(search, &found));
    ::FindClose(search);
    return exists;
}

bool EntryExists(const std::string& name) {
    return ::GetFileAttributesW(FileSystemName(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileStampOf(const std::string& name, FileStamp& stamp) {
    const std::wstring path = FileSystemName(name);
    // A device name ("NUL", "CON" in any folder) has attributes but no directory entry.
    wchar_t full[16] = {};
    const DWORD length = ::GetFullPathNameW(path.c_str(), 16, full, nullptr);
    if (length >= 4 && length < 16 && std::wstring_view(full, 4) == L"\\\\.\\")
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        return false;
    stamp = StampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
    return true;
}

std::int64_t FileTimeNow() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                     now.dwLowDateTime);
}

std::int64_t FileTimeUnitsPerSecond() {
    return 10000000;
}

std::int64_t StampSettleTime(const std::string& fileName) {
    const std::wstring path = FileSystemName(fileName);
    std::wstring root(path.size() + MAX_PATH, L'\0'); // a relative name's volume may be longer than it
    wchar_t system[MAX_PATH + 1] = {};
    if (::GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size())) &&
        ::GetDriveTypeW(root.c_str()) != DRIVE_REMOTE &&
        ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) &&
        (::lstrcmpiW(system, L"NTFS") == 0 || ::lstrcmpiW(system, L"ReFS") == 0))
        return FileTimeUnitsPerSecond() / 2;
    return 3 * FileTimeUnitsPerSecond();
}

// A share may take the request and never report what other machines write, so only local volumes are
// watched.
bool ChangeWatch::Add(const std::string& folder) {
    const std::wstring name = FileSystemName(folder.empty() ? std::string(".") : folder);
    std::wstring path(::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    path.resize(::GetFullPathNameW(name.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr));
    std::wstring root(path.size() + MAX_PATH, L'\0');
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!path.empty() && ::GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size())) &&
        ::GetDriveTypeW(root.c_str()) != DRIVE_REMOTE)
        handle = ::FindFirstChangeNotificationW(path.c_str(), FALSE,
                                                FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                                    FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (handle == INVALID_HANDLE_VALUE) {
        changed_ = true;
        return false;
    }
    handles_.push_back(FromHandle(handle));
    return true;
}

bool ChangeWatch::Changed() {
    for (size_t i = 0; i < handles_.size() && !changed_; ++i)
        changed_ = ::WaitForSingleObject(ToHandle(handles_[i]), 0) != WAIT_TIMEOUT;
    return changed_;
}

void ChangeWatch::Close() {
    for (const FileHandle handle : handles_)
        ::FindCloseChangeNotification(ToHandle(handle));
    handles_.clear();
}

ChangeWatch::~ChangeWatch() {
    Close();
}

ChangeWatch::ChangeWatch(ChangeWatch&& other) noexcept
    : handles_(std::move(other.handles_)), changed_(other.changed_) {
    other.handles_.clear();
}

ChangeWatch& ChangeWatch::operator=(ChangeWatch&& other) noexcept {
    if (this != &other) {
        Close();
        handles_ = std::move(other.handles_);
        changed_ = other.changed_;
        other.handles_.clear();
    }
    return *this;
}

// Windows finds a name in any case itself: a locator has nothing to list.
struct FileLocator::Listed {};

FileLocator::FileLocator() = default;
FileLocator::~FileLocator() = default;

std::size_t FileLocator::Listings() const {
    return 0;
}

LocatedFile FileLocator::Locate(const std::string& folder, const std::string& name) {
    LocatedFile located;
    located.Path = JoinedName(folder, name);
    FileStamp stamp;
    if (located.Path.find_first_of("*?<>\"") != std::string::npos)
        located.Found = FileExists(located.Path);
    else if ((located.Found = FileStampOf(located.Path, stamp)))
        located.Stamp = stamp;
    return located;
}

LocatedFile LocateFile(const std::string& folder, const std::string& name) {
    FileLocator locator;
    return locator.Locate(folder, name);
}

// UTF-8 never uses the bytes of "\\", "/" or ":" inside a character, so a byte search finds characters.
std::size_t FolderPartLength(const std::string& fileName) {
    const size_t separator = fileName.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

void* AllocBlock(std::size_t size) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    void* memory = ::GlobalLock(block);
    if (memory == nullptr)
        ::GlobalFree(block);
    return memory;
}

void* GrowBlock(void* memory, std::size_t size) {
    HGLOBAL block = ::GlobalHandle(memory);
    ::GlobalUnlock(block);
    HGLOBAL grown = ::GlobalReAlloc(block, size, GMEM_MOVEABLE);
    if (grown == nullptr) {
        ::GlobalLock(block); // the old block stays, locked as before
        return nullptr;
    }
    return ::GlobalLock(grown);
}

void FreeBlock(void* memory) {
    if (memory == nullptr)
        return;
    HGLOBAL block = ::GlobalHandle(memory);
    ::GlobalUnlock(block);
    ::GlobalFree(block);
}

bool FileReadOnly(const std::string& name) {
    const DWORD attributes = ::GetFileAttributesW(FileSystemName(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Windows keeps no mode to copy: the new file takes its folder's permissions, as a saved file does.
FileHandle FileCreateNew(const std::string& name, const std::string&, bool& taken) {
    HANDLE handle = ::CreateFileW(FileSystemName(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = ::GetLastError();
    taken = handle == INVALID_HANDLE_VALUE && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
    ::SetLastError(error);
    return FromHandle(handle);
}

bool FileFlush(FileHandle handle) {
    return ::FlushFileBuffers(ToHandle(handle)) != FALSE;
}

// A file that another program holds open (the environment, a virus scanner) cannot be replaced; like
// an open, the move waits a moment for it to let go. Replacing such a file is refused as a denied
// access as often as as a sharing violation.
bool FileMoveReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = FileSystemName(from);
    const std::wstring target = FileSystemName(to);
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
             error != ERROR_ACCESS_DENIED) ||
            ::GetTickCount() - start >= kLockedFileWaitMs)
            return false;
        ::Sleep(kLockedFileRetryMs);
    }
}

bool FileDelete(const std::string& name) {
    return ::DeleteFileW(FileSystemName(name).c_str()) != FALSE;
}

std::string LastErrorText() {
    const DWORD error = ::GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message =
        length > 0 ? Narrow(std::wstring_view(text, length)) : "Error " + std::to_string(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '.' || message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace os
