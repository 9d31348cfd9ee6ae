// The operating-system seam on Windows: CreateFileA with share modes, FindFirstFileA for the
// existence test, movable global memory blocks for the memory stream.
#include "formstream/Os.h"

#include <windows.h>

namespace os {

namespace {

HANDLE ToHandle(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
FileHandle FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<FileHandle>(handle);
}

} // namespace

FileHandle FileOpen(const std::string& name, std::uint16_t mode) {
    static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE};
    const unsigned access = mode & 3u;
    const unsigned share = (mode >> 4) & 0xFu;
    if (access > 2 || share > 4)
        return kInvalidHandle;
    return FromHandle(::CreateFileA(name.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle FileCreate(const std::string& name) {
    return FromHandle(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool FileExists(const std::string& name) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    // A pattern exists when any entry other than a folder matches it; a plain name finds at most
    // itself. The time stamp does not matter: a form dated 1970 is as much a form.
    bool exists = false;
    do
        exists = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (!exists && ::FindNextFileA(search, &found));
    ::FindClose(search);
    return exists;
}

std::string ListedNameToPath(const std::string& listedName) {
    return listedName;
}

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

} // namespace os
