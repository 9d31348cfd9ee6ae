// Arbitrary bytes as form text: the search must stay inside them, never fail, and give exactly
// the tree of a plain reference search that looks for every occurrence afresh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scanner/HelpContextScan.h"

namespace {

constexpr size_t kNone = std::string::npos;

// The scan written the slow, obvious way: every "first X at or after P" searches the text again.
std::string ReferenceScan(const std::string& text) {
    const auto find = [&](const char* needle, size_t from) {
        return from > text.size() ? kNone : text.find(needle, from);
    };
    const auto number = [&](size_t at) {
        while (at < text.size() && std::strchr(" \t\n\v\f\r", text[at]) && text[at] != '\0')
            ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            negative = text[at++] == '-';
        std::uint32_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            value = value * 10u + static_cast<std::uint32_t>(text[at++] - '0');
        return std::to_string(static_cast<std::int32_t>(negative ? 0u - value : value));
    };
    const auto name = [&](size_t begin, size_t end) {
        return end <= begin ? std::string() : text.substr(begin, std::min<size_t>(end - begin, 255));
    };
    if (find("object", 0) == kNone || find(":", 0) == kNone)
        return "";
    const size_t c = find(":", 0);
    const size_t n = find("object", c);
    const size_t h = find("HelpContext", 0);
    const bool own = h != kNone && (n == kNone || h < n);
    std::string form = own ? name(7, c) + ":" + number(h + 14) + "\n" : name(7, c) + "\n";
    std::string children;
    for (size_t p = n; p != kNone;) {
        const size_t e = find("end", p);
        const size_t hc = find("HelpContext", p);
        if (hc != kNone && e != kNone && hc < e) {
            const size_t colon = find(":", p);
            if (colon != kNone && number(hc + 14) != "0")
                children += "  " + name(p + 7, colon) + ":" + number(hc + 14) + "\n";
        }
        p = e == kNone ? kNone : find("object", e);
    }
    return own || !children.empty() ? form + children : "";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read beyond them is caught.
    char* text = new char[size];
    std::memcpy(text, data, size);
    TMemoryTree tree;
    ScanFormText(text, static_cast<std::int32_t>(size), tree);
    if (tree.ToText() != ReferenceScan(std::string(text, size)))
        std::abort();
    delete[] text;
    return 0;
}
