// Arbitrary bytes as an HTML help index or topic file: the reader of their parameters must stay inside
// the text, however its tags, quotes and references break off, and never fail.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "help/Sitemap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    IndexKeywords(html);
    TopicKeywords(html);
    return 0;
}
