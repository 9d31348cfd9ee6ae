// Converts arbitrary bytes as a form file. Any Exception is a clean rejection; a crash, a hang, a
// sanitizer report or an out-of-memory is a fault.
#include <cstddef>
#include <cstdint>

#include "formstream/FormText.h"
#include "formstream/Streams.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 24))
        return 0;
    InputStream input(data, size);
    TMemoryStream output;
    try {
        FormFileToText(input, output);
    } catch (const Exception&) {
    }
    return 0;
}
