#include "help/HelpText.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "io/Os.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

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

// The text from `from` on, moved to `to` with LF line ends: CR LF, CR CR LF (an editor's CR LF saved
// once more in text mode) and a lone CR each end one line. Works in place (`to` never passes `from`).
void ToLfLineEnds(std::string& text, std::size_t from) {
    std::size_t to = 0;
    while (from < text.size()) {
        const std::size_t cr = std::min(text.find('\r', from), text.size());
        if (to != from)
            std::memmove(&text[to], &text[from], cr - from);
        to += cr - from;
        if (cr == text.size())
            break;
        from = cr + (StartsWith(text, cr + 1, "\n") ? 2 : StartsWith(text, cr + 1, "\r\n") ? 3 : 1);
        text[to++] = '\n';
    }
    text.resize(to);
}

std::string WithLfLineEnds(std::string text) {
    ToLfLineEnds(text, 0);
    return text;
}

} // namespace

std::string HelpFileText(std::string bytes) {
    if (StartsWith(bytes, "\xFF\xFE"))
        return WithLfLineEnds(Utf16ToUtf8(Utf16Units(bytes, false)));
    if (StartsWith(bytes, "\xFE\xFF"))
        return WithLfLineEnds(Utf16ToUtf8(Utf16Units(bytes, true)));
    const std::size_t mark = ByteOrderMarkLength(bytes);
    if (!IsValidUtf8(std::string_view(bytes).substr(mark)))
        return WithLfLineEnds(os::CodePageToUtf8(os::SystemCodePage(), std::string_view(bytes).substr(mark)));
    ToLfLineEnds(bytes, mark);
    return bytes;
}

std::string_view TakeLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

TSourceLines::TSourceLines(std::string source) : code_(std::move(source)) {
    // First the comments, which may span lines, each made one blank and its line ends, in place (that is
    // never longer than the comment); the continuations of what is left as it is read.
    const std::string_view text = code_; // read ahead of where `code_` is written
    std::size_t written = 0;
    const auto keep = [&](std::size_t from, std::size_t to) {
        if (written != from)
            std::memmove(&code_[written], &code_[from], to - from);
        written += to - from;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t plain = std::min(text.find_first_of("\"'/", i), text.size());
        keep(i, plain);
        if ((i = plain) == text.size())
            break;
        const char c = text[i];
        if (c == '"' || c == '\'') {
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != c && text[end] != '\n')
                end += text[end] == '\\' && end + 1 < text.size() && text[end + 1] != '\n' ? 2 : 1;
            const std::size_t stop = end < text.size() && text[end] == c ? end + 1 : end;
            keep(i, stop);
            i = stop - 1;
        } else if (StartsWith(text, i, "//")) {
            i = std::min(text.find('\n', i), text.size()) - 1;
        } else if (StartsWith(text, i, "/*")) {
            const std::size_t end = text.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end + 2;
            const auto lineEnds =
                static_cast<std::size_t>(std::count(text.begin() + i, text.begin() + stop, '\n'));
            code_[written++] = ' ';
            code_.replace(written, lineEnds, lineEnds, '\n');
            written += lineEnds;
            i = stop - 1;
        } else {
            keep(i, i + 1);
        }
    }
    code_.resize(written);
    rest_ = code_;
}

bool TSourceLines::Next(std::string_view& line, int& number) {
    if (rest_.empty())
        return false;
    number = ++number_;
    // The line without its closing "\\" and the blanks after it, when it goes on in the next one.
    const auto continued = [](std::string_view text) -> std::optional<std::string_view> {
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        if (text.empty() || text.back() != '\\')
            return std::nullopt;
        return text.substr(0, text.size() - 1);
    };
    line = TakeLine(rest_);
    std::optional<std::string_view> head = continued(line);
    if (!head)
        return true;
    joined_.assign(*head);
    while (head && !rest_.empty()) {
        ++number_;
        const std::string_view next = TakeLine(rest_);
        head = continued(next);
        joined_.append(head ? *head : next);
    }
    line = joined_;
    return true;
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

void AddListItems(std::string_view list, char separator, std::vector<std::string>& items) {
    while (!list.empty()) {
        const std::size_t end = list.find(separator);
        const std::string_view item = Trimmed(list.substr(0, end));
        if (!item.empty())
            items.emplace_back(item);
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
}

std::string Shown(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return std::string(text);
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end)) + "...";
}
