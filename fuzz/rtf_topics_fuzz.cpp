// Arbitrary bytes as an RTF topic file: the walker must stay inside them, however the groups nest or
// break off, and never fail.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "help/RtfTopics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadRtfTopics(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
