#include "scanner/TextForm.h"

#include "runtime/Text.h"

namespace {

constexpr std::size_t kNone = std::string_view::npos;

} // namespace

std::size_t TextFormStart(std::string_view bytes) {
    const std::size_t at = SkipByteOrderMarkAndBlanks(bytes);
    for (const std::string_view word : {"object", "inherited", "inline"}) {
        const std::size_t after = at + word.size();
        if (bytes.compare(at, word.size(), word) == 0 && after < bytes.size() &&
            (bytes[after] == ' ' || bytes[after] == '\t'))
            return at;
    }
    return kNone;
}
