// The operating-system seam on POSIX systems. There are no share modes here: a file opened for
// reading can be opened again by anyone, which the scan does not rely on either way.
#include "io/Os.h"

#include "runtime/Text.h"
#include "runtime/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

FileHandle FileOpen(const std::string& name, std::uint16_t mode) {
    static const int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const unsigned access = mode & 3u;
    const unsigned share = (mode >> 4) & 0xFu;
    if (access > 2 || share > 4 || name.find('\0') != std::string::npos)
        return kInvalidHandle;
    const int fd = ::open(name.c_str(), kAccess[access] | O_CLOEXEC);
    if (fd < 0)
        return kInvalidHandle;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return kInvalidHandle;
    }
    return fd;
}

FileHandle FileCreate(const std::string& name) {
    if (name.find('\0') != std::string::npos)
        return kInvalidHandle;
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? kInvalidHandle : fd;
}

namespace {

// A whole transfer of `count` bytes by `step` (read or write), which may move fewer and may be
// interrupted by a signal before it moves any: the bytes moved, fewer only at the end of a file or an
// error.
template <class Step> std::size_t Whole(std::size_t count, Step step) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t moved = step(done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            break;
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

} // namespace

// A regular file gives all it has in one call on Windows; keep that promise across EINTR and short
// reads here.
std::int32_t FileRead(FileHandle handle, void* buffer, std::int32_t count) {
    auto* out = static_cast<char*>(buffer);
    return static_cast<std::int32_t>(
        Whole(count > 0 ? static_cast<std::size_t>(count) : 0, [&](std::size_t done) {
            return ::read(static_cast<int>(handle), out + done, static_cast<std::size_t>(count) - done);
        }));
}

std::int32_t FileWrite(FileHandle handle, const void* buffer, std::int32_t count) {
    const auto* in = static_cast<const char*>(buffer);
    return static_cast<std::int32_t>(
        Whole(count > 0 ? static_cast<std::size_t>(count) : 0, [&](std::size_t done) {
            return ::write(static_cast<int>(handle), in + done, static_cast<std::size_t>(count) - done);
        }));
}

std::int32_t FileSeek(FileHandle handle, std::int32_t offset, int origin) {
    const int fd = static_cast<int>(handle);
    long long base = 0;
    if (origin == 1) {
        base = ::lseek(fd, 0, SEEK_CUR);
    } else if (origin == 2) {
        struct stat info {};
        base = ::fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
    } else if (origin != 0) {
        return -1;
    }
    if (base < 0)
        return -1;
    const long long target = base + offset;
    if (target < 0 || target > INT32_MAX)
        return -1;
    if (::lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0)
        return -1;
    return static_cast<std::int32_t>(target);
}

void FileClose(FileHandle handle) {
    ::close(static_cast<int>(handle));
}

FileHandle StdOutHandle() {
    return STDOUT_FILENO;
}

void WriteStdErr(std::string_view utf8) {
    Whole(utf8.size(),
          [&](std::size_t done) { return ::write(STDERR_FILENO, utf8.data() + done, utf8.size() - done); });
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

namespace {

// Devices, pipes and sockets are no form files, and reading one may never end.
bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "*" matches any run of characters, "?" exactly one; "*.*" matches every name, as on Windows.
bool MatchesPattern(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

} // namespace

bool FileExists(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    const size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.find_first_of("*?") == std::string::npos)
        return IsRegularFile(name);
    if (folder.find_first_of("*?") != std::string::npos)
        return false;
    const std::string pattern = last == "*.*" ? "*" : last;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (MatchesPattern(pattern.c_str(), entry->d_name) &&
            IsRegularFile(slash == std::string::npos ? entry->d_name : folder + entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool FileStampOf(const std::string& name, FileStamp& stamp) {
    struct stat info {};
    if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp.Size = static_cast<std::int64_t>(info.st_size);
    stamp.LastWrite = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

std::int64_t FileTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t FileTimeUnitsPerSecond() {
    return 1000000000;
}

// Nothing here is trusted to report changes: the scan asks each form's stamp instead.
ChangeWatch::~ChangeWatch() = default;
ChangeWatch::ChangeWatch(ChangeWatch&& other) noexcept = default;
ChangeWatch& ChangeWatch::operator=(ChangeWatch&& other) noexcept = default;

void ChangeWatch::Close() {
    handles_.clear();
}

bool ChangeWatch::Add(const std::string&) {
    Close();
    changed_ = true;
    return false;
}

bool ChangeWatch::Changed() {
    return true;
}

std::int64_t StampSettleTime(const std::string&) {
    return 3 * FileTimeUnitsPerSecond();
}

std::string SystemBytesToUtf8(std::string_view bytes) {
    return std::string(bytes);
}

unsigned SystemCodePage() {
    return 1252;
}

namespace {

#include "io/CodePageTables.inc"

// A double-byte code page through the C library's converter, which knows them by these names. False
// when it cannot: the library lacks the converter, or the bytes are no text of that code page.
bool ConvertWithLibrary(unsigned codePage, std::string_view bytes, std::string& out) {
    const std::string from = "CP" + std::to_string(codePage);
    const iconv_t converter = ::iconv_open("UTF-8", from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in(bytes);
    std::string converted(bytes.size() * 3 + 4, '\0');
    char* inAt = in.data();
    size_t inLeft = in.size();
    char* outAt = converted.data();
    size_t outLeft = converted.size();
    const bool whole = ::iconv(converter, &inAt, &inLeft, &outAt, &outLeft) != static_cast<size_t>(-1);
    ::iconv_close(converter);
    if (!whole)
        return false;
    converted.resize(converted.size() - outLeft);
    out = std::move(converted);
    return true;
}

} // namespace

std::string CodePageToUtf8(unsigned codePage, std::string_view bytes) {
    const CodePageTable* table = nullptr;
    for (const CodePageTable& candidate : kCodePageTables) {
        if (candidate.Page == codePage)
            table = &candidate;
    }
    std::string utf8;
    if (table == nullptr && ConvertWithLibrary(codePage, bytes, utf8))
        return utf8;
    // A page without a table here, or bytes its converter refused: each byte as the control
    // character or Latin letter of its number, so that nothing is lost and the text stays UTF-8.
    utf8.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(utf8, byte >= 0x80 && table != nullptr ? table->High[byte - 0x80] : byte);
    }
    return utf8;
}

std::string FileIdentity(const std::string& name) {
    struct stat info {};
    if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &info) != 0)
        return std::string();
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The entries of `folder` ("" the current one) that are `part` without regard to ASCII case and of the
// kind wanted, in sorted order.
std::vector<std::string> MatchesIgnoringCase(const std::string& folder, const std::string& part,
                                             bool wantFolder) {
    std::vector<std::string> matches;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return matches;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (EqualIgnoringAsciiCase(name, part) &&
            (wantFolder ? IsFolder(folder + name) : IsRegularFile(folder + name)))
            matches.push_back(name);
    }
    ::closedir(dir);
    std::sort(matches.begin(), matches.end());
    return matches;
}

} // namespace

LocatedFile LocateFile(const std::string& folder, const std::string& name) {
    LocatedFile located;
    std::string path = IsAbsoluteName(name) ? name : folder + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    located.Path = path;
    const bool onDrive = IsAbsoluteName(name) && name[0] != '\\' && name[0] != '/';
    if (onDrive || path.empty() || path.find('\0') != std::string::npos)
        return located;
    located.Found = FileExists(path);
    const size_t slash = path.find_last_of('/');
    if (located.Found ||
        path.find_first_of("*?", slash == std::string::npos ? 0 : slash) != std::string::npos)
        return located;
    // Folder by folder: each part as it stands when it is there, else the first that matches it
    // without regard to case.
    std::string resolved = path[0] == '/' ? "/" : "";
    for (size_t at = resolved.size(); at < path.size();) {
        const size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        const bool last = end == path.size();
        at = end + 1;
        if (part.empty() || part == "." || part == "..") {
            resolved += part.empty() ? "" : part + "/";
            continue;
        }
        const std::string exact = resolved + part;
        if (!(last ? IsRegularFile(exact) : IsFolder(exact))) {
            const std::vector<std::string> matches = MatchesIgnoringCase(resolved, part, !last);
            if (matches.empty())
                return located;
            located.Ambiguous = located.Ambiguous || matches.size() > 1;
            resolved += matches.front();
        } else {
            resolved = exact;
        }
        if (!last)
            resolved += '/';
    }
    located.Path = resolved;
    located.Found = IsRegularFile(resolved);
    return located;
}

std::size_t FolderPartLength(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

void* AllocBlock(std::size_t size) {
    return std::malloc(size);
}
void* GrowBlock(void* block, std::size_t size) {
    return std::realloc(block, size);
}
void FreeBlock(void* block) {
    std::free(block);
}

bool FileReadOnly(const std::string& name) {
    struct stat info {};
    if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &info) != 0)
        return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(name.c_str(), W_OK) != 0;
}

// The mode is set again after the open, which the process's umask would otherwise narrow.
FileHandle FileCreateNew(const std::string& name, const std::string& like, bool& taken) {
    taken = false;
    if (name.find('\0') != std::string::npos || like.find('\0') != std::string::npos) {
        errno = EINVAL;
        return kInvalidHandle;
    }
    struct stat info {};
    const mode_t mode = ::stat(like.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0666;
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        taken = errno == EEXIST;
        return kInvalidHandle;
    }
    ::fchmod(fd, mode);
    return fd;
}

bool FileFlush(FileHandle handle) {
    return ::fsync(static_cast<int>(handle)) == 0;
}

// The rename is on the disk only once the folder that holds the names is; a file system that cannot
// flush a folder (some refuse) has done what it can.
bool FileMoveReplacing(const std::string& from, const std::string& to) {
    if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    const size_t slash = to.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : to.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

bool FileDelete(const std::string& name) {
    return name.find('\0') == std::string::npos && ::unlink(name.c_str()) == 0;
}

std::string LastErrorText() {
    return std::strerror(errno);
}

} // namespace os
