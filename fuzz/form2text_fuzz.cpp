// Converts arbitrary bytes as a form file. Any Exception is a clean rejection; a crash, a hang, a
// sanitizer report or an out-of-memory is a fault. Inputs go up to 1 MiB (form2text.options), deep
// and long enough to reach every nesting bound and every buffer refill.
#include <cstddef>
#include <cstdint>

#include "formstream/FormText.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"

namespace {

// Reads the fuzzer's bytes in place, without copying them.
class InputStream : public TCustomMemoryStream {
public:
    InputStream(const std::uint8_t* data, std::size_t size) {
        SetPointer(const_cast<std::uint8_t*>(data), static_cast<std::int32_t>(size));
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
};

// Takes every byte and keeps none: a deeply indented text can be hundreds of times the input, and
// the conversion, not the memory of a text, is what is tried here.
class DiscardingStream : public TStream {
public:
    std::int32_t Read(void*, std::int32_t) override { return 0; }
    std::int32_t Write(const void*, std::int32_t count) override {
        size_ += count;
        return count;
    }
    std::int32_t Seek(std::int32_t, std::uint16_t) override { return static_cast<std::int32_t>(size_); }

private:
    std::int64_t size_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 24))
        return 0;
    InputStream input(data, size);
    DiscardingStream output;
    try {
        FormFileToText(input, output);
    } catch (const Exception&) {
    }
    return 0;
}
