// The operating-system seam on POSIX systems. There are no share modes here: a file opened for
// reading can be opened again by anyone, which the scan does not rely on either way.
#include "io/Os.h"

#include "io/CodePages.h"
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
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace os {

namespace {

FileStamp StampOf(const struct stat& info) {
    return FileStamp{static_cast<std::int64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::string IdentityOf(const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

FileFacts FactsOf(const struct stat& info) {
    return FileFacts{S_ISREG(info.st_mode), StampOf(info), IdentityOf(info)};
}

} // namespace

// O_NONBLOCK keeps the open of a pipe from waiting for a writer; reads wait as usual once it is cleared.
FileHandle FileOpen(const std::string& name, std::uint16_t mode, const std::atomic<bool>*, FileFacts* facts) {
    static const int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const unsigned access = mode & 3u;
    const unsigned share = (mode >> 4) & 0xFu;
    if (access > 2 || share > 4 || name.find('\0') != std::string::npos)
        return kInvalidHandle;
    const int fd = ::open(name.c_str(), kAccess[access] | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return kInvalidHandle;
    // A regular file takes no notice of O_NONBLOCK: only other kinds need it cleared.
    struct stat info {};
    int flags = 0;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) ||
        (!S_ISREG(info.st_mode) &&
         ((flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0))) {
        ::close(fd);
        return kInvalidHandle;
    }
    if (facts != nullptr)
        *facts = FactsOf(info);
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
    const std::string folder = FolderOf(name);
    const std::string last = name.substr(folder.size());
    if (last.find_first_of("*?") == std::string::npos)
        return IsRegularFile(name);
    if (folder.find_first_of("*?") != std::string::npos)
        return false;
    const std::string pattern = last == "*.*" ? "*" : last;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (MatchesPattern(pattern.c_str(), entry->d_name) && IsRegularFile(folder + entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool EntryExists(const std::string& name) {
    struct stat info {};
    return name.find('\0') == std::string::npos && ::stat(name.c_str(), &info) == 0;
}

bool FileStampOf(const std::string& name, FileStamp& stamp) {
    struct stat info {};
    if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp = StampOf(info);
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

std::string CodePageToUtf8(unsigned codePage, std::string_view bytes) {
    return CodePageTextToUtf8(codePage, bytes);
}

bool ConvertsCodePage(unsigned codePage) {
    return CodePageTableCarried(codePage);
}

std::string FileIdentity(const std::string& name) {
    struct stat info {};
    if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &info) != 0)
        return std::string();
    return IdentityOf(info);
}

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

enum class EntryKind : unsigned char { kUnknown, kFile, kFolder, kOther };

EntryKind KindOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return EntryKind::kOther;
    return S_ISREG(info.st_mode)   ? EntryKind::kFile
           : S_ISDIR(info.st_mode) ? EntryKind::kFolder
                                   : EntryKind::kOther;
}

// The order of a folder's listing: by name without regard to ASCII case, then by the bytes, so that the
// names that match one another without case stand together, in sorted order.
int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

struct Entry {
    std::string Name;
    EntryKind Kind = EntryKind::kUnknown; // as the listing tells it, where the file system does

    bool operator<(const Entry& other) const {
        const int order = CompareIgnoringCase(Name, other.Name);
        return order != 0 ? order < 0 : Name < other.Name;
    }
};

EntryKind ListedKind(unsigned char type) {
    switch (type) {
        case DT_REG:
            return EntryKind::kFile;
        case DT_DIR:
            return EntryKind::kFolder;
        case DT_LNK:
        case DT_UNKNOWN:
            return EntryKind::kUnknown; // asked of the entry when it matters
        default:
            return EntryKind::kOther;
    }
}

// A folder's entries in that order; none when it cannot be listed.
std::vector<Entry> ListFolder(const std::string& folder) {
    std::vector<Entry> entries;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return entries;
    while (const dirent* entry = ::readdir(dir))
        entries.push_back(Entry{entry->d_name, ListedKind(entry->d_type)});
    ::closedir(dir);
    std::sort(entries.begin(), entries.end());
    entries.shrink_to_fit();
    return entries;
}

} // namespace

namespace {

// How many names are looked up in a folder one at a time before it is listed.
constexpr unsigned kListAfterNames = 16;

} // namespace

struct FileLocator::Listed {
    // A folder as a name writes it ("" the current one, else ending in "/"), found as Windows would.
    struct Folder {
        bool Found = false;
        std::string Path;
        bool Ambiguous = false;
    };

    mutable std::mutex Lock;                                      // guards what follows
    std::unordered_map<std::string, std::vector<Entry>> Listings; // by the folder's own path
    std::unordered_map<std::string, Folder> Folders;              // by the folder as written
    std::unordered_map<std::string, unsigned> Asked;              // names looked up in each folder as written

    // The entries of the folder `path` that are `part` without regard to case and of the kind wanted: the
    // exact one first, then the others in sorted order.
    std::vector<std::string> Matches(const std::string& path, const std::string& part, bool wantFolder) {
        auto listed = Listings.find(path);
        if (listed == Listings.end())
            listed = Listings.emplace(path, ListFolder(path)).first;
        std::vector<Entry>& entries = listed->second;
        auto at = std::lower_bound(entries.begin(), entries.end(), part,
                                   [](const Entry& entry, const std::string& key) {
                                       return CompareIgnoringCase(entry.Name, key) < 0;
                                   });
        std::vector<std::string> matches;
        for (; at != entries.end() && CompareIgnoringCase(at->Name, part) == 0; ++at) {
            if (at->Kind == EntryKind::kUnknown)
                at->Kind = KindOf(path + at->Name);
            if (at->Kind == (wantFolder ? EntryKind::kFolder : EntryKind::kFile))
                matches.insert(at->Name == part ? matches.begin() : matches.end(), at->Name);
        }
        return matches;
    }

    // The written folder, when it was found and listed before.
    const Folder* ListedFolder(const std::string& written) const {
        const auto known = Folders.find(written);
        return known != Folders.end() && known->second.Found && Listings.count(known->second.Path) != 0
                   ? &known->second
                   : nullptr;
    }

    // A written folder ("" the current one, else ending in "/"): as it stands when it is there (one
    // look), else part by part, each as it stands or else the entry of its parent that matches it without
    // regard to case. Only the written folder itself is remembered, so that what is kept grows with the
    // names looked up, not with their depth.
    Folder Resolve(const std::string& written) {
        if (written.empty() || written == "/")
            return Folder{true, written, false};
        if (const auto known = Folders.find(written); known != Folders.end())
            return known->second;
        Folder found{true, written[0] == '/' ? "/" : "", false};
        if (IsFolder(written)) {
            found.Path = written;
        } else {
            for (std::size_t at = found.Path.size(); found.Found && at < written.size();) {
                const std::size_t end = written.find('/', at);
                const std::string part = written.substr(at, end - at);
                at = end + 1;
                if (part.empty() || part == "." || part == "..") {
                    found.Path += part.empty() ? "" : part + "/";
                    continue;
                }
                const std::vector<std::string> matches = IsFolder(found.Path + part)
                                                             ? std::vector<std::string>{part}
                                                             : Matches(found.Path, part, true);
                found.Found = !matches.empty();
                if (found.Found) {
                    found.Ambiguous = found.Ambiguous || (matches.size() > 1 && matches.front() != part);
                    found.Path += matches.front() + "/";
                }
            }
        }
        Folders.emplace(written, found);
        return found;
    }
};

FileLocator::FileLocator() : listed_(std::make_unique<Listed>()) {}
FileLocator::~FileLocator() = default;

std::size_t FileLocator::Listings() const {
    const std::lock_guard<std::mutex> hold(listed_->Lock);
    return listed_->Listings.size();
}

// The exact name costs one look; a name in another case the listing of its folder, once per locator, and
// then a search in memory. Once a folder is listed, every name in it is looked up in the listing.
LocatedFile FileLocator::Locate(const std::string& folder, const std::string& name) {
    LocatedFile located;
    std::string path = JoinedName(folder, name);
    std::replace(path.begin(), path.end(), '\\', '/');
    located.Path = path;
    // A name longer than the system takes is no name of a file here.
    if (IsDriveName(name) || path.empty() || path.size() >= PATH_MAX || path.find('\0') != std::string::npos)
        return located;
    const std::string written = FolderOf(path);
    const std::string last = path.substr(written.size());
    if (last.find_first_of("*?") != std::string::npos || last.empty() || last == "." || last == "..") {
        located.Found = FileExists(path);
        return located;
    }
    const auto fromListing = [&](const Listed::Folder& parent) {
        const std::vector<std::string> matches = listed_->Matches(parent.Path, last, false);
        if (!matches.empty()) {
            located.Path = parent.Path + matches.front();
            located.Found = true;
            located.Ambiguous = parent.Ambiguous || (matches.size() > 1 && matches.front() != last);
        }
        return located;
    };
    {
        // A folder many names are looked up in is listed: that costs less than a look at each name.
        const std::lock_guard<std::mutex> hold(listed_->Lock);
        if (const Listed::Folder* parent = listed_->ListedFolder(written))
            return fromListing(*parent);
        if (++listed_->Asked[written] >= kListAfterNames) {
            const Listed::Folder parent = listed_->Resolve(written);
            if (parent.Found)
                return fromListing(parent);
        }
    }
    FileStamp stamp;
    if ((located.Found = FileStampOf(path, stamp))) {
        located.Stamp = stamp;
        return located;
    }
    const std::lock_guard<std::mutex> hold(listed_->Lock);
    const Listed::Folder parent = listed_->Resolve(written);
    return parent.Found ? fromListing(parent) : located;
}

LocatedFile LocateFile(const std::string& folder, const std::string& name) {
    FileLocator locator;
    return locator.Locate(folder, name);
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
    const std::string folder = FolderOf(to);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
