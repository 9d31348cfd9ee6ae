#include "io/InputFile.h"

#include <algorithm>

#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

TInputFile::TInputFile(const std::string& path, const std::string& shownName, std::int64_t maxBytes,
                       const std::atomic<bool>* cancel, std::uint16_t mode)
    : shownName_(shownName), maxBytes_(maxBytes) {
    handle_ = os::FileOpen(path, mode, cancel, &facts_);
    if (handle_ == os::kInvalidHandle)
        throw EFOpenError(SFOpenError, {shownName});
    const int refused = !facts_.Regular ? SNotRegularFile : facts_.Stamp.Size > maxBytes_ ? SFileTooLarge : 0;
    if (refused != 0) {
        os::FileClose(handle_);
        throw EFOpenError(refused, {shownName});
    }
}

TInputFile::~TInputFile() {
    os::FileClose(handle_);
}

// One read of the size told: the file as it was when it was opened.
std::string TInputFile::ReadAll() {
    std::string bytes(static_cast<std::size_t>(facts_.Stamp.Size), '\0');
    std::size_t size = 0;
    while (size < bytes.size()) {
        const std::size_t room = std::min<std::size_t>(bytes.size() - size, INT32_MAX);
        const std::int32_t got = os::FileRead(handle_, bytes.data() + size, static_cast<std::int32_t>(room));
        if (got <= 0)
            break;
        size += static_cast<std::size_t>(got);
    }
    bytes.resize(size);
    return bytes;
}
