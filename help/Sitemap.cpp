#include "help/Sitemap.h"

#include <cstdint>

#include "help/HelpText.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// "&amp;", "&#233;", "&#xE9;" and the like at `at` (just after the "&"): the character, `at` left after
// the ";". Anything else stays as it is written.
bool Entity(std::string_view text, std::size_t& at, std::string& out) {
    // No reference is longer than ten characters: the search stops there, so that a text of "&"s
    // costs its length.
    const std::size_t semicolon = text.substr(0, at + 11).find(';', at);
    if (semicolon == std::string_view::npos)
        return false;
    const std::string_view name = text.substr(at, semicolon - at);
    static const struct {
        std::string_view Name;
        char Character;
    } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", '\0'}};
    for (const auto& named : kNamed) {
        if (name == named.Name) {
            if (named.Character == '\0')
                AppendUtf8(out, 0xA0);
            else
                out += named.Character;
            at = semicolon + 1;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    std::uint32_t code = 0;
    for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i) {
        const int digit = hex                                ? HexDigitValue(name[i])
                          : name[i] >= '0' && name[i] <= '9' ? name[i] - '0'
                                                             : -1;
        if (digit < 0 || code > 0x10FFFF)
            return false;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
        return false;
    AppendUtf8(out, code);
    at = semicolon + 1;
    return true;
}

std::string Decoded(std::string_view value) {
    std::string out;
    for (std::size_t at = 0; at < value.size();) {
        const char c = value[at++];
        if (c != '&' || !Entity(value, at, out))
            out += c;
    }
    return out;
}

// The attributes of a tag from just after its name, up to its ">": each name (in lower case) with
// its value, `at` left after the tag.
struct Attribute {
    std::string Name;
    std::string_view Value;
};

std::vector<Attribute> Attributes(std::string_view html, std::size_t& at) {
    std::vector<Attribute> attributes;
    while (at < html.size()) {
        while (at < html.size() && (IsSpace(html[at]) || html[at] == '/'))
            ++at;
        if (at >= html.size() || html[at] == '>') {
            ++at;
            break;
        }
        const std::size_t nameStart = at;
        while (at < html.size() && !IsSpace(html[at]) && html[at] != '=' && html[at] != '>')
            ++at;
        Attribute attribute{AsciiUpperCase(html.substr(nameStart, at - nameStart)), {}};
        while (at < html.size() && IsSpace(html[at]))
            ++at;
        if (at < html.size() && html[at] == '=') {
            ++at;
            while (at < html.size() && IsSpace(html[at]))
                ++at;
            if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
                const char quote = html[at++];
                const std::size_t end = std::min(html.find(quote, at), html.size());
                attribute.Value = html.substr(at, end - at);
                at = end + 1;
            } else {
                const std::size_t start = at;
                while (at < html.size() && !IsSpace(html[at]) && html[at] != '>')
                    ++at;
                attribute.Value = html.substr(start, at - start);
            }
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

} // namespace

std::vector<std::string> ParamValues(std::string_view html, std::string_view name) {
    std::vector<std::string> values;
    const std::string wanted = AsciiUpperCase(name);
    for (std::size_t at = 0; (at = html.find('<', at)) != std::string_view::npos;) {
        ++at;
        if (!EqualIgnoringAsciiCase(html.substr(at, 5), "param") || at + 5 >= html.size() ||
            !IsSpace(html[at + 5]))
            continue;
        at += 5;
        std::string_view value;
        bool named = false;
        for (const Attribute& attribute : Attributes(html, at)) {
            if (attribute.Name == "NAME")
                named = EqualIgnoringAsciiCase(Trimmed(attribute.Value), wanted);
            else if (attribute.Name == "VALUE")
                value = attribute.Value;
        }
        if (named)
            values.push_back(Decoded(value));
    }
    return values;
}

std::vector<std::string> IndexKeywords(std::string_view sitemap) {
    std::vector<std::string> keywords;
    for (const std::string& name : ParamValues(sitemap, "Name")) {
        const std::string_view keyword = Trimmed(name);
        if (!keyword.empty())
            keywords.emplace_back(keyword);
    }
    return keywords;
}

std::vector<std::string> TopicKeywords(std::string_view html) {
    std::vector<std::string> keywords;
    for (const std::string& value : ParamValues(html, "Keyword")) {
        AddListItems(value, ';', keywords);
    }
    return keywords;
}
