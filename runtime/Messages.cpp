#include "runtime/Messages.h"

#include <algorithm>
#include <vector>

namespace {

const MessageEntry kMessages[] = {
#define QV_MESSAGE(number, ident, text) {number, text},
#include "Messages.def"
#undef QV_MESSAGE
};

} // namespace

const std::string& LoadResString(int ident) {
    // Strings are made once, on first use; the table is small and never changes.
    static const std::string empty;
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        for (const MessageEntry& entry : kMessages)
            all.emplace_back(entry.Text);
        return all;
    }();
    const auto* found = std::find_if(std::begin(kMessages), std::end(kMessages),
                                     [ident](const MessageEntry& entry) { return entry.Ident == ident; });
    return found == std::end(kMessages) ? empty : texts[static_cast<size_t>(found - std::begin(kMessages))];
}

const MessageEntry* MessageTableBegin() {
    return std::begin(kMessages);
}
const MessageEntry* MessageTableEnd() {
    return std::end(kMessages);
}
