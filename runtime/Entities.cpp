#include "runtime/Entities.h"

#include <algorithm>

#include "runtime/Text.h"

namespace {

// The characters an XML document may hold; HTML's references name no others either.
bool IsDocumentCharacter(std::uint32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// "#233" or "#xE9" from just after the "#": the code, `end` left after the digits. Past U+10FFFF the
// value stays just above it, however many digits follow.
std::optional<std::uint32_t> NumericReference(std::string_view text, std::size_t& end, Markup markup) {
    const bool hex = end < text.size() && (text[end] == 'x' || (markup == Markup::kHtml && text[end] == 'X'));
    end += hex ? 1 : 0;
    const std::size_t digits = end;
    std::uint32_t code = 0;
    for (; end < text.size(); ++end) {
        const int digit = hex ? HexDigitValue(text[end]) : IsAsciiDigit(text[end]) ? text[end] - '0' : -1;
        if (digit < 0)
            break;
        code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit), 0x110000);
    }
    if (end == digits)
        return std::nullopt;
    return code;
}

std::optional<std::uint32_t> NamedEntity(std::string_view text, std::size_t& end, Markup markup) {
    const std::size_t start = end;
    while (end < text.size() && (IsAsciiLetter(text[end]) || IsAsciiDigit(text[end])))
        ++end;
    static const struct {
        std::string_view Name;
        std::uint32_t Code;
        bool HtmlOnly;
    } kNamed[] = {{"amp", '&', false},  {"lt", '<', false},    {"gt", '>', false},
                  {"quot", '"', false}, {"apos", '\'', false}, {"nbsp", 0xA0, true}};
    const std::string_view name = text.substr(start, end - start);
    for (const auto& named : kNamed) {
        if (name == named.Name && (!named.HtmlOnly || markup == Markup::kHtml))
            return named.Code;
    }
    return std::nullopt;
}

} // namespace

std::optional<DecodedEntity> EntityAt(std::string_view text, std::size_t at, Markup markup) {
    std::size_t end = at;
    const bool numeric = end < text.size() && text[end] == '#';
    const std::optional<std::uint32_t> code =
        numeric ? NumericReference(text, ++end, markup) : NamedEntity(text, end, markup);
    if (!code || !IsDocumentCharacter(*code) || end >= text.size() || text[end] != ';')
        return std::nullopt;
    return DecodedEntity{*code, end + 1};
}
