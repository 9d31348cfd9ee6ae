#include "io/Streams.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

std::int32_t TStream::Size() {
    const std::int32_t position = Seek(0, soFromCurrent);
    const std::int32_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::WriteExact(const void* buffer, std::int32_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(SWriteError, {});
}

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) {
    return os::FileRead(handle_, buffer, count);
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) {
    return os::FileWrite(handle_, buffer, count);
}

std::int32_t THandleStream::Seek(std::int32_t offset, std::uint16_t origin) {
    return os::FileSeek(handle_, offset, origin);
}

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode)
    : THandleStream(os::kInvalidHandle) {
    if (mode == fmCreate) {
        handle_ = os::FileCreate(fileName);
        if (handle_ == os::kInvalidHandle)
            throw EFCreateError(SFCreateError, {fileName});
    } else {
        handle_ = os::FileOpen(fileName, mode);
        if (handle_ == os::kInvalidHandle)
            throw EFOpenError(SFOpenError, {fileName});
    }
}

TFileStream::~TFileStream() {
    if (handle_ >= 0)
        os::FileClose(handle_);
}

std::int32_t TCustomMemoryStream::Read(void* buffer, std::int32_t count) {
    if (position_ >= 0 && count >= 0) {
        std::int32_t available = size_ - position_;
        if (available > 0) {
            if (available > count)
                available = count;
            std::memcpy(buffer, Memory() + position_, static_cast<size_t>(available));
            position_ += available;
            return available;
        }
    }
    return 0;
}

std::int32_t TCustomMemoryStream::Seek(std::int32_t offset, std::uint16_t origin) {
    // The position is not clamped; wrapping keeps the 32-bit arithmetic defined.
    const auto wrap = [](long long value) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    };
    switch (origin) {
        case soFromBeginning:
            position_ = offset;
            break;
        case soFromCurrent:
            position_ = wrap(static_cast<long long>(position_) + offset);
            break;
        case soFromEnd:
            position_ = wrap(static_cast<long long>(size_) + offset);
            break;
        default:
            break;
    }
    return position_;
}

TBytesReadStream::TBytesReadStream(const char* bytes, std::size_t size) {
    SetPointer(const_cast<char*>(bytes), static_cast<std::int32_t>(std::min<std::size_t>(size, INT32_MAX)));
}

std::int32_t TBytesReadStream::Write(const void*, std::int32_t) {
    return 0;
}

std::int32_t TStringWriteStream::Read(void*, std::int32_t) {
    return 0;
}

std::int32_t TStringWriteStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0)
        return 0;
    if (text_.size() + static_cast<std::size_t>(count) > static_cast<std::size_t>(INT32_MAX))
        throw EStreamError(SMemoryStreamError, {});
    text_.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    return count;
}

std::int32_t TStringWriteStream::Seek(std::int32_t, std::uint16_t) {
    return static_cast<std::int32_t>(text_.size());
}

TMemoryStream::~TMemoryStream() {
    Clear();
}

void TMemoryStream::Clear() {
    ResizeBlock(0);
    size_ = 0;
    position_ = 0;
}

void* TMemoryStream::Realloc(std::int32_t& newCapacity) {
    if (newCapacity > 0) {
        if (newCapacity > INT32_MAX - (kMemoryDelta - 1))
            throw EStreamError(SMemoryStreamError, {});
        newCapacity = (newCapacity + (kMemoryDelta - 1)) & ~(kMemoryDelta - 1);
    }
    if (newCapacity == capacity_)
        return memory_;
    if (newCapacity <= 0) {
        os::FreeBlock(memory_);
        return nullptr;
    }
    void* block = capacity_ == 0 ? os::AllocBlock(static_cast<size_t>(newCapacity))
                                 : os::GrowBlock(memory_, static_cast<size_t>(newCapacity));
    if (block == nullptr)
        throw EStreamError(SMemoryStreamError, {});
    return block;
}

void TMemoryStream::ResizeBlock(std::int32_t newCapacity) {
    void* block = Realloc(newCapacity);
    memory_ = block;
    capacity_ = newCapacity < 0 ? 0 : newCapacity;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
    if (position_ < 0 || count < 0)
        return 0;
    const long long end = static_cast<long long>(position_) + count;
    if (end <= 0)
        return 0;
    if (end > INT32_MAX)
        throw EStreamError(SMemoryStreamError, {});
    const auto newEnd = static_cast<std::int32_t>(end);
    if (newEnd > size_) {
        // The block grows by half again at least, so a stream written in small pieces is copied a
        // bounded number of times per byte, however large it gets.
        if (newEnd > capacity_) {
            const long long grown = static_cast<long long>(capacity_) + capacity_ / 2;
            ResizeBlock(grown > newEnd && grown <= INT32_MAX - kMemoryDelta ? static_cast<std::int32_t>(grown)
                                                                            : newEnd);
        }
        size_ = newEnd;
    }
    std::memcpy(Memory() + position_, buffer, static_cast<size_t>(count));
    position_ = newEnd;
    return count;
}

void ReadRest(TStream& stream, std::string& bytes, std::int32_t limit) {
    char buffer[65536];
    for (std::int32_t got;
         limit > 0 && (got = stream.Read(buffer, std::min<std::int32_t>(limit, sizeof buffer))) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(got));
        limit -= got;
    }
}
