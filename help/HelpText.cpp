#include "help/HelpText.h"

#include "io/Os.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// UTF-16 of either byte order after its byte-order mark; an unpaired surrogate becomes U+FFFD.
// The units of UTF-16 of either byte order after its byte-order mark.
std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<std::uint8_t>(bytes[at]);
        const auto second = static_cast<std::uint8_t>(bytes[at + 1]);
        units += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return units;
}

std::string WithLfLineEnds(std::string_view text) {
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lf += text[i];
            continue;
        }
        // CR LF, CR CR LF (an editor's CR LF saved once more in text mode) and a lone CR each end one line.
        if (StartsWith(text, i + 1, "\n"))
            ++i;
        else if (StartsWith(text, i + 1, "\r\n"))
            i += 2;
        lf += '\n';
    }
    return lf;
}

} // namespace

std::string HelpFileText(std::string_view bytes) {
    if (StartsWith(bytes, "\xFF\xFE"))
        return WithLfLineEnds(Utf16ToUtf8(Utf16Units(bytes, false)));
    if (StartsWith(bytes, "\xFE\xFF"))
        return WithLfLineEnds(Utf16ToUtf8(Utf16Units(bytes, true)));
    bytes.remove_prefix(ByteOrderMarkLength(bytes));
    if (IsValidUtf8(bytes))
        return WithLfLineEnds(bytes);
    return WithLfLineEnds(os::CodePageToUtf8(os::SystemCodePage(), bytes));
}

std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::vector<SourceLine> SourceLines(std::string_view text) {
    // First the comments, which may span lines, then the continuations of what is left.
    std::string code;
    code.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != c && text[end] != '\n')
                end += text[end] == '\\' && end + 1 < text.size() && text[end + 1] != '\n' ? 2 : 1;
            const std::size_t stop = end < text.size() && text[end] == c ? end + 1 : end;
            code.append(text.substr(i, stop - i));
            i = stop - 1;
        } else if (StartsWith(text, i, "//")) {
            while (i + 1 < text.size() && text[i + 1] != '\n')
                ++i;
        } else if (StartsWith(text, i, "/*")) {
            const std::size_t end = text.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end + 2;
            for (std::size_t j = i; j < stop; ++j) {
                if (text[j] == '\n')
                    code += '\n';
            }
            code += ' ';
            i = stop - 1;
        } else {
            code += c;
        }
    }
    std::vector<SourceLine> lines;
    int number = 0;
    bool continued = false;
    for (const std::string_view line : TextLines(code)) {
        ++number;
        if (!continued)
            lines.push_back(SourceLine{std::string(), number});
        std::string_view end = line;
        while (!end.empty() && (end.back() == ' ' || end.back() == '\t'))
            end.remove_suffix(1);
        continued = !end.empty() && end.back() == '\\';
        lines.back().Text.append(continued ? end.substr(0, end.size() - 1) : line);
    }
    return lines;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string_view BeforeSemicolonComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted)
            return line.substr(0, i);
    }
    return line;
}
