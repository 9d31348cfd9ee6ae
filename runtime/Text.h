#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The small text rules the readers of every file format share, each written once.

// Whether `text` holds `prefix` at `at`; false when `at` lies past its end.
inline bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) {
    return at <= text.size() && text.size() - at >= prefix.size() &&
           text.compare(at, prefix.size(), prefix) == 0;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return StartsWith(text, 0, prefix);
}

// Letter case as Windows ignores it in the names of project and help files: ASCII letters only, so
// that no byte of a multi-byte character changes.
inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsAsciiLetter(char c) {
    return AsciiUpper(c) >= 'A' && AsciiUpper(c) <= 'Z';
}

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters of a C identifier, and so of the identifiers of help maps.
inline bool IsIdentifierChar(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_';
}

inline std::string AsciiUpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = AsciiUpper(c);
    return upper;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

// The hexadecimal digit, as written in capitals, of the low four bits of `value`.
inline char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0xF];
}

// The value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(char c) {
    if (IsAsciiDigit(c))
        return c - '0';
    c = AsciiUpper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The length of a UTF-8 byte-order mark at the start of `bytes`: 3, or 0 when there is none.
inline std::size_t ByteOrderMarkLength(std::string_view bytes) {
    return StartsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0;
}

// Where a text's first word can begin: after a UTF-8 byte-order mark, if there is one, and the
// blanks, tabs and line ends that follow.
inline std::size_t SkipByteOrderMarkAndBlanks(std::string_view bytes) {
    std::size_t at = ByteOrderMarkLength(bytes);
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at;
}

// Whether the name begins with a drive letter and ":" ("C:\x", and "C:x", relative to that drive's own
// current folder, which is no folder of ours): a disk of a Windows machine.
inline bool IsDriveName(std::string_view name) {
    const char drive = AsciiUpper(name.empty() ? '\0' : name[0]);
    return name.size() >= 2 && drive >= 'A' && drive <= 'Z' && name[1] == ':';
}

// Whether a name that a Windows file gives stands on its own, without a current folder: it names a drive
// (IsDriveName), or begins with "\" or "/" (a rooted path, "\\server\share" included).
inline bool IsAbsoluteName(std::string_view name) {
    return (!name.empty() && (name[0] == '\\' || name[0] == '/')) || IsDriveName(name);
}

// A name that a Windows file gives, read in the folder `folder` (which ends in a separator, or is empty
// for the current folder): a relative name stands in it, an absolute one on its own.
inline std::string JoinedName(const std::string& folder, const std::string& name) {
    return IsAbsoluteName(name) ? name : folder + name;
}
