#pragma once

#include <cstddef>
#include <string_view>

// Whether `text` holds `prefix` at `at`; false when `at` lies past its end.
inline bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) {
    return at <= text.size() && text.size() - at >= prefix.size() &&
           text.compare(at, prefix.size(), prefix) == 0;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return StartsWith(text, 0, prefix);
}

// Where a text's first word can begin: after a UTF-8 byte-order mark, if there is one, and the
// blanks, tabs and line ends that follow.
inline std::size_t SkipByteOrderMarkAndBlanks(std::string_view bytes) {
    std::size_t at = StartsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at;
}
