#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/Object.h"

class TStream;

// The buffer size the conversion gives its reader and writer.
constexpr std::int32_t kFilerBufferSize = 4096;

// A buffered reader or writer over a stream it does not own.
class TFiler : public TObject {
protected:
    TFiler(TStream& stream, std::int32_t bufferSize);
    ~TFiler() override;

    TStream& stream_; // not owned
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t bufferSize_;
    std::int32_t bufferPosition_ = 0; // next byte to take (reader) or to put (writer)
    std::int32_t bufferEnd_ = 0;      // valid bytes in the buffer (reader only)
};

// Copies more than 16 bytes: a library call, kept out of line.
void CopyLongText(char* out, const char* from, std::size_t count);

// Copies `count` bytes and returns the end of the copy. The short pieces of a text (names, blanks,
// numbers) are copied without a library call and with as few branches on their length as can be:
// 4 to 16 bytes as four words of four that overlap as needed (at the start and the end, and 4 or 8
// bytes in from each once the piece has 8 or 16), 1 to 3 bytes as the first, middle and last.
// Nothing is read or written outside the two ranges.
inline char* CopyText(char* out, const char* from, std::size_t count) {
    if (count >= 4 && count <= 16) {
        const std::size_t in = (count >> 3) << 2;
        std::uint32_t word[4];
        std::memcpy(&word[0], from, 4);
        std::memcpy(&word[1], from + in, 4);
        std::memcpy(&word[2], from + count - 4 - in, 4);
        std::memcpy(&word[3], from + count - 4, 4);
        std::memcpy(out, &word[0], 4);
        std::memcpy(out + in, &word[1], 4);
        std::memcpy(out + count - 4 - in, &word[2], 4);
        std::memcpy(out + count - 4, &word[3], 4);
    } else if (count < 4) {
        if (count > 0) {
            out[0] = from[0];
            out[count / 2] = from[count / 2];
            out[count - 1] = from[count - 1];
        }
    } else {
        CopyLongText(out, from, count);
    }
    return out + count;
}

// A buffered byte sink: the stream sees writes of exactly the buffer size, then one of the rest.
class TWriter : public TFiler {
public:
    TWriter(TStream& stream, std::int32_t bufferSize = kFilerBufferSize);
    // Flushes what is left, ignoring an output failure: call FlushOutput first to see it. On the
    // error path this is what puts the text made so far into the output.
    ~TWriter() override;

    // Copied into the buffer inline while it has room to spare; a full buffer goes to the stream.
    void WriteBytes(const void* source, std::int32_t count) {
        if (count < bufferSize_ - bufferPosition_) {
            CopyText(reinterpret_cast<char*>(buffer_.get() + bufferPosition_),
                     static_cast<const char*>(source), static_cast<std::size_t>(count));
            bufferPosition_ += count;
        } else {
            WriteAcrossFlushes(source, count);
        }
    }
    void WriteBytes(const std::string& text) {
        WriteBytes(text.data(), static_cast<std::int32_t>(text.size()));
    }
    // Room to write `count` bytes straight into the buffer, or nullptr when it has fewer left; the
    // bytes written there count once Commit is called, which hands on the buffer when it is full.
    char* Reserve(std::int32_t count) {
        return count <= bufferSize_ - bufferPosition_
                   ? reinterpret_cast<char*>(buffer_.get() + bufferPosition_)
                   : nullptr;
    }
    // How many bytes Reserve can give at most.
    std::int32_t Room() const { return bufferSize_ - bufferPosition_; }
    void Commit(std::int32_t count) {
        bufferPosition_ += count;
        if (bufferPosition_ == bufferSize_)
            FlushOutput();
    }
    // Hands the buffered bytes to the stream (EWriteError when it takes fewer) and empties the buffer.
    void FlushOutput();

private:
    void WriteAcrossFlushes(const void* source, std::int32_t count);
};
