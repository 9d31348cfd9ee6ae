#pragma once

#include <climits>
#include <cstdint>
#include <string>

#include "io/Os.h"

// Seek origins.
enum : std::uint16_t { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// File open modes: access in the low two bits, sharing in bits 4 to 7; fmCreate creates or truncates.
enum : std::uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

// A sequence of bytes with a 32-bit position.
class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Copies up to `count` bytes; 0 at the end of the data or on failure.
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    // Takes up to `count` bytes; returns how many were taken.
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
    // Moves the position (origin soFromBeginning, soFromCurrent or soFromEnd); returns the new one.
    virtual std::int32_t Seek(std::int32_t offset, std::uint16_t origin) = 0;

    std::int32_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(std::int32_t position) { Seek(position, soFromBeginning); }
    std::int32_t Size();

    // Raises EWriteError when fewer than `count` bytes move.
    void WriteExact(const void* buffer, std::int32_t count);
};

// Appends what is left of a stream to `bytes`, at most `limit` bytes, up to its end or its first
// failing read.
void ReadRest(TStream& stream, std::string& bytes, std::int32_t limit = INT32_MAX);

// A stream over an operating-system file handle, which it does not own.
class THandleStream : public TStream {
public:
    explicit THandleStream(os::FileHandle handle) : handle_(handle) {}

    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int32_t Seek(std::int32_t offset, std::uint16_t origin) override;

    os::FileHandle Handle() const { return handle_; }

protected:
    os::FileHandle handle_;
};

// A stream on a named file, opened (or created, with fmCreate) by the constructor and closed by
// the destructor. A failed open raises EFOpenError / EFCreateError naming the file as passed.
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, std::uint16_t mode);
    ~TFileStream() override;
};

// A stream that reads a block of memory it does not manage.
class TCustomMemoryStream : public TStream {
public:
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Seek(std::int32_t offset, std::uint16_t origin) override;

    // The data: exactly Size() valid bytes, no terminator.
    const char* Memory() const { return static_cast<const char*>(memory_); }
    char* Memory() { return static_cast<char*>(memory_); }

protected:
    void SetPointer(void* memory, std::int32_t size) {
        memory_ = memory;
        size_ = size;
    }

    void* memory_ = nullptr;
    std::int32_t size_ = 0;
    std::int32_t position_ = 0;
};

// A stream over bytes held elsewhere (a file read whole), standing at their start; nothing can be
// written to it.
class TBytesReadStream : public TCustomMemoryStream {
public:
    // At most INT32_MAX bytes are seen.
    TBytesReadStream(const char* bytes, std::size_t size);
    std::int32_t Write(const void* buffer, std::int32_t count) override;
};

// A stream that appends what is written to a string it does not own, from the string's end: text made
// in memory, taken as it is.
class TStringWriteStream : public TStream {
public:
    explicit TStringWriteStream(std::string& text) : text_(text) {}

    std::int32_t Read(void* buffer, std::int32_t count) override;
    // Raises EStreamError ("Out of memory while expanding memory stream") past INT32_MAX bytes.
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    // Only tells where it stands (the string's size): the text is made front to back.
    std::int32_t Seek(std::int32_t offset, std::uint16_t origin) override;

private:
    std::string& text_;
};

// A growable memory stream; its block grows by half its size at least, in whole steps of 8192 bytes.
class TMemoryStream : public TCustomMemoryStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    std::int32_t Write(const void* buffer, std::int32_t count) override;
    void Clear();
    std::int32_t Capacity() const { return capacity_; }

protected:
    // Rounds `newCapacity` up to the growth step and returns the block for it (nullptr for 0).
    // Raises EStreamError when the block cannot grow, leaving the current block untouched.
    virtual void* Realloc(std::int32_t& newCapacity);

private:
    void ResizeBlock(std::int32_t newCapacity);

    std::int32_t capacity_ = 0;
};

constexpr std::int32_t kMemoryDelta = 8192;
