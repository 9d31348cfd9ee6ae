#include "help/Sitemap.h"

#include "help/HelpText.h"
#include "runtime/Entities.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value with its references decoded; anything else stays as it is written.
std::string Decoded(std::string_view value) {
    std::string out;
    for (std::size_t at = 0; at < value.size();) {
        const char c = value[at++];
        const auto entity = c == '&' ? EntityAt(value, at, Markup::kHtml) : std::nullopt;
        if (entity) {
            AppendUtf8(out, entity->Code);
            at = entity->End;
        } else {
            out += c;
        }
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
