#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "io/Os.h"

// A file of the user's opened for reading, as every reader of forms, projects and help files opens one:
// a regular file or nothing (a folder, device, pipe or socket is refused before a byte is read, so
// nothing waits for ever or reads without end), no larger than a bound the reader sets, with its stamp
// and identity told by the open file itself. One open, one read.
class TInputFile {
public:
    // Opens `path` (sharing as `mode` says, fmOpenRead by default). A failure raises EFOpenError naming
    // the file `shownName` (the name the user knows it by): "Cannot open file %s", "%s is not a regular
    // file", "%s is too large" (more than `maxBytes`). A file another program holds is waited for as the
    // OS seam waits, until `cancel` holds true.
    TInputFile(const std::string& path, const std::string& shownName, std::int64_t maxBytes,
               const std::atomic<bool>* cancel = nullptr, std::uint16_t mode = 0);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    const os::FileStamp& Stamp() const { return facts_.Stamp; }
    const std::string& Identity() const { return facts_.Identity; }

    // The whole file, once, as it was when it was opened: as many bytes as it told then (fewer when it
    // shrank meanwhile or a read failed, which the reader of its format then finds cut short).
    std::string ReadAll();

private:
    os::FileHandle handle_ = os::kInvalidHandle;
    os::FileFacts facts_;
    std::string shownName_;
    std::int64_t maxBytes_;
};

// The largest file each reader takes: many times the largest real one of its kind, and little enough
// memory to hold whole.
constexpr std::int64_t kMaxFormFileBytes = std::int64_t{256} << 20;
constexpr std::int64_t kMaxProjectFileBytes = std::int64_t{64} << 20;
