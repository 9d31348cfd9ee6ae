#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The operating-system seam of the stream classes: files by handle, the existence test and
// growable memory blocks. One implementation per platform (os_win32.cpp, os_posix.cpp); nothing
// else in the portable core talks to the operating system.
namespace os {

using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidHandle = -1;

// Opens an existing file; `mode` holds the access in its low two bits (0 read, 1 write, 2 both)
// and the sharing in bits 4 to 7. Returns kInvalidHandle on failure. Directories never open, and
// opening a pipe never waits for its writer. A file another program holds without sharing it is
// waited for a while (on Windows, where that happens): until `cancel`, when given, holds true. `facts`,
// when given, receives what the open file's handle tells of it.
FileHandle FileOpen(const std::string& name, std::uint16_t mode, const std::atomic<bool>* cancel = nullptr,
                    struct FileFacts* facts = nullptr);
// Creates or truncates a file for reading and writing. Returns kInvalidHandle on failure.
FileHandle FileCreate(const std::string& name);
// Bytes read or written, 0 when the call fails.
std::int32_t FileRead(FileHandle handle, void* buffer, std::int32_t count);
std::int32_t FileWrite(FileHandle handle, const void* buffer, std::int32_t count);
// Origin 0 beginning, 1 current, 2 end. Returns the new position, or -1 (nothing moved) when the
// target lies before the start or beyond what a 32-bit position can hold.
std::int32_t FileSeek(FileHandle handle, std::int32_t offset, int origin);
void FileClose(FileHandle handle);
// The process's standard output, in binary mode.
FileHandle StdOutHandle();

// Writes to standard error, unbuffered; nothing is reported when that fails too. On a Windows console
// the UTF-8 text is written as characters, so that names in any language read right; otherwise bytes.
void WriteStdErr(std::string_view utf8);

// The program's arguments after its name, UTF-8: on Windows read again from the wide command line, so
// that no name passes through the ANSI code page; elsewhere argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// True when a directory search for `name` finds an entry that is not a folder (on POSIX: a regular
// file, never a device, pipe or socket), whatever its time stamp. "*" and "?" in the last part of the
// name match as patterns.
bool FileExists(const std::string& name);

// True when the file system holds an entry of any kind by that name: a file, a folder, a device, a pipe.
bool EntryExists(const std::string& name);

// The size and last write time of a file (the time in the platform's own units, compared only with
// another stamp of the same platform).
struct FileStamp {
    std::int64_t Size = 0;
    std::int64_t LastWrite = 0;
    bool operator==(const FileStamp& other) const {
        return Size == other.Size && LastWrite == other.LastWrite;
    }
};
// One look at the file system: true, with the stamp, when `name` is a file (what FileExists answers
// for a name without patterns: no folder, on POSIX only a regular file, on Windows no device);
// "*" and "?" are no patterns here.
bool FileStampOf(const std::string& name, FileStamp& stamp);
// What the handle of an open file tells of it, without another look by name: whether it is a regular
// file (no folder, device, pipe or socket), its stamp, and its identity (as FileIdentity gives it).
struct FileFacts {
    bool Regular = false;
    FileStamp Stamp;
    std::string Identity;
};
// The time now, in the units of FileStamp::LastWrite, and how many of them make a second.
std::int64_t FileTimeNow();
std::int64_t FileTimeUnitsPerSecond();
// How long after a write the file system may still give the same time stamp to another write: once a
// file was read that long after its last write, a later rewrite is sure to change its stamp. Rounded up
// generously, in the units of FileStamp::LastWrite: half a second on a local NTFS or ReFS volume (whose
// stamps follow the system clock's tick); 3 seconds anywhere else -- FAT's stamps step by 2 seconds, a
// share on another machine stamps by a clock of its own, and on POSIX nothing is assumed.
std::int64_t StampSettleTime(const std::string& fileName);

// Tells whether the files of some folders changed since they were added to it, as the file system
// reports it: a file made, deleted, renamed, written or resized in one of the folders (not in their
// subfolders). Reading files is no change. Move-only; the watch ends with the object.
class ChangeWatch {
public:
    ChangeWatch() = default;
    ~ChangeWatch();
    ChangeWatch(ChangeWatch&& other) noexcept;
    ChangeWatch& operator=(ChangeWatch&& other) noexcept;

    // Starts watching `folder` (empty for the current folder). False where the file system cannot be
    // trusted to report changes -- a network share, POSIX, a folder that is not there -- and then the
    // watch tells a change from now on.
    bool Add(const std::string& folder);
    // Whether a change was reported since the folders were added, or one of them could not be watched.
    bool Changed();

private:
    void Close();

    std::vector<FileHandle> handles_; // one change notification per folder
    bool changed_ = false;
};

// Where a name that a Windows project or help file gives is found here.
struct LocatedFile {
    // The name to open it by.
    std::string Path;
    // A file is there, as FileExists tells.
    bool Found = false;
    // Several names there match it without regard to case and none exactly: Path is the first of them
    // in sorted order.
    bool Ambiguous = false;
    // The file's stamp, when the look that found it told it (FileStampOf): a reader need not ask again.
    std::optional<FileStamp> Stamp;
};
// `name` as a file of the folder `folder` writes it (`folder` ends in a separator, or is empty for
// the current folder): backslashes separate folders, a relative name stands in `folder`, an absolute
// one (IsAbsoluteName) on its own. Windows ignores letter case itself. Elsewhere the name is looked up
// as Windows would: the exact name when it is there, else folder by folder the one that matches it
// without regard to ASCII case; a drive letter names a disk of another machine and is never found.
// Names with "*" or "?" in their last part are patterns, as FileExists takes them, and are not
// looked up without case.
//
// A locator serves one run of a reader (a scan, a help project's reading): each folder it has to
// list to find a name in another case is listed once, so that a project written on Windows, whose
// names differ in case from the disk, costs one look-up a name. What it listed is not looked at again:
// a locator is made anew for each run. Several threads may ask one locator at once.
class FileLocator {
public:
    FileLocator();
    ~FileLocator();
    FileLocator(const FileLocator&) = delete;
    FileLocator& operator=(const FileLocator&) = delete;

    LocatedFile Locate(const std::string& folder, const std::string& name);
    // How many folders it has listed.
    std::size_t Listings() const;

private:
    struct Listed;
    std::unique_ptr<Listed> listed_;
};
// The same with a locator of its own: one name, once.
LocatedFile LocateFile(const std::string& folder, const std::string& name);
// The length of the folder part of a file name, up to and including its last folder separator (on
// Windows "\\", "/" or a drive's ":"; on POSIX "/"); 0 when the name has no folder part.
std::size_t FolderPartLength(const std::string& fileName);
// That folder part: the folder the file stands in, as the name writes it ("" the current one).
inline std::string FolderOf(const std::string& fileName) {
    return fileName.substr(0, FolderPartLength(fileName));
}

// File names are UTF-8 everywhere in the program, on every platform; this seam turns them into what
// the file system takes (on Windows UTF-16 for the wide API, with the "\\?\" prefix where a path is
// too long for the plain form). No name ever passes through the ANSI code page.

// A name list that a makefile holds is bytes in the code page of the system that wrote it: on Windows
// the ANSI code page, converted here to UTF-8; elsewhere the bytes as they are.
std::string SystemBytesToUtf8(std::string_view bytes);

// The code page of text that Windows programs wrote without saying which: the system's ANSI code page
// on Windows, Windows-1252 elsewhere.
unsigned SystemCodePage();
// `bytes` in the Windows code page `codePage` as UTF-8, as Windows converts them: by the system on
// Windows, by the program's own tables elsewhere (io/CodePages.h). A code page that cannot be converted
// is an error naming it (UnconvertibleCodePage), never other text.
std::string CodePageToUtf8(unsigned codePage, std::string_view bytes);
// Whether CodePageToUtf8 takes text of that code page: what a file states of its own code page (an RTF
// file's \ansicpg) is believed only then.
bool ConvertsCodePage(unsigned codePage);

// A key that two names of the same file share: the full path, letter case ignored, on Windows; the
// device and inode elsewhere. Empty when it cannot be told (on POSIX: the file is not there).
std::string FileIdentity(const std::string& name);

#ifdef _WIN32
// UTF-8 and UTF-16 at the edge of the Win32 API. A byte sequence that is no UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Bytes in the system's ANSI code page (captions read from forms) as UTF-16.
std::wstring WidenSystemBytes(std::string_view bytes);
// The name as the wide file API takes it: long absolute paths made absolute, normalised and
// prefixed with "\\?\" (UNC paths with "\\?\UNC\"); others as they are.
std::wstring FileSystemName(const std::string& name);
#endif

// Memory blocks of the memory stream. Grow keeps the contents and returns nullptr on failure,
// leaving the old block as it was.
void* AllocBlock(std::size_t size);
void* GrowBlock(void* block, std::size_t size);
void FreeBlock(void* block);

// ---- The steps of a safe replace (io/SafeReplace.h)

// Whether a file is marked read-only: on Windows its read-only attribute; elsewhere a mode without
// any write permission bit (a mark the super-user, who could write anyway, is held to as well), or
// one this process may not write. False when the file is not there.
bool FileReadOnly(const std::string& name);
// Creates `name`, which must not be there yet, for reading and writing, with the permissions of the
// file `like` where the platform keeps them in a mode (POSIX). kInvalidHandle on failure; `taken`
// then tells whether the name was in use.
FileHandle FileCreateNew(const std::string& name, const std::string& like, bool& taken);
// Hands what was written to the file to the disk (FlushFileBuffers, fsync); false when it failed.
bool FileFlush(FileHandle handle);
// Puts the file `from` in the place of `to` in one step, replacing it, and returns once the disk
// holds the change: on Windows MoveFileExW write-through, tried again for a moment while another
// program holds `to`; on POSIX rename, then the folder flushed. False when it did not happen.
bool FileMoveReplacing(const std::string& from, const std::string& to);
bool FileDelete(const std::string& name);
// Why the last call of this seam that failed did, in the system's words, without a final period.
std::string LastErrorText();

} // namespace os
