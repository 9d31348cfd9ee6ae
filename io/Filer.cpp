#include "io/Filer.h"

#include <algorithm>
#include <cstring>

#include "io/Streams.h"

// ---- TFiler

TFiler::TFiler(TStream& stream, std::int32_t bufferSize)
    : stream_(stream), buffer_(new std::uint8_t[static_cast<size_t>(std::max(bufferSize, 1))]),
      bufferSize_(std::max(bufferSize, 1)) {}

TFiler::~TFiler() = default;

// ---- TWriter

void CopyLongText(char* out, const char* from, std::size_t count) {
    std::memcpy(out, from, count);
}

TWriter::TWriter(TStream& stream, std::int32_t bufferSize) : TFiler(stream, bufferSize) {}

TWriter::~TWriter() {
    try {
        FlushOutput();
    } catch (...) {
        // Only reached on the error path or when the owner skipped FlushOutput: the error already
        // on its way is the one to report.
    }
}

void TWriter::WriteAcrossFlushes(const void* source, std::int32_t count) {
    const auto* in = static_cast<const std::uint8_t*>(source);
    while (count > 0) {
        const std::int32_t n = std::min(count, bufferSize_ - bufferPosition_);
        std::memcpy(buffer_.get() + bufferPosition_, in, static_cast<size_t>(n));
        bufferPosition_ += n;
        in += n;
        count -= n;
        if (bufferPosition_ == bufferSize_)
            FlushOutput();
    }
}

void TWriter::FlushOutput() {
    // The buffer is emptied before the write: bytes the stream refused are not offered again by
    // the destructor, so a partly written block is never written twice.
    const std::int32_t count = bufferPosition_;
    bufferPosition_ = 0;
    if (count > 0)
        stream_.WriteExact(buffer_.get(), count);
}
