#include "controls/FileNames.h"

#include "io/Os.h"
#include "runtime/Text.h"

#include <windows.h>

namespace {

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

// Length in bytes of the UTF-8 character that starts at `i`: its lead byte and the continuation bytes
// that follow it (a stray continuation byte is a character of its own).
std::size_t CharLength(const std::string& text, std::size_t i) {
    std::size_t length = 1;
    if (Byte(text[i]) >= 0xC0)
        while (i + length < text.size() && length < 4 && (Byte(text[i + length]) & 0xC0) == 0x80)
            ++length;
    return length;
}

// Position of the last character that is one of `delimiters`, or npos. No byte of a multi-byte
// character is ASCII, so a byte-wise search would do; the walk keeps the rule in one place.
std::size_t LastDelimiter(const std::string& text, const char* delimiters) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        for (const char* d = delimiters; *d; ++d)
            if (text[i] == *d)
                found = i;
    return found;
}

} // namespace

std::string FirstToken(const std::string& whole) {
    // The text ends at its first NUL, as a window text does.
    const std::string text = whole.substr(0, whole.find('\0'));
    std::size_t i = 0;
    while (i < text.size()) {
        if (Byte(text[i]) <= 32)
            ++i;
        else if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
            i += 2;
        else
            break;
    }
    std::string token;
    std::size_t characters = 0;
    bool quoted = false;
    while (i < text.size()) {
        if (text[i] == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && Byte(text[i]) <= 32)
            break;
        const std::size_t length = CharLength(text, i);
        // The bound counts characters; a multi-byte character is never cut in two by it.
        if (characters == kMaxTokenLength)
            break;
        token.append(text, i, length);
        ++characters;
        i += length;
    }
    return token;
}

std::string ExtractNameFromText(const std::string& text) {
    if (text.empty())
        return std::string();
    if (FileNameExists(text))
        return text;
    return FirstToken(text);
}

std::string QuoteNameWithBlanks(const std::string& name) {
    if (name.find(' ') != std::string::npos && name[0] != '"')
        return '"' + name + '"';
    return name;
}

bool IsUsableFileName(const std::string& name) {
    if (name.empty())
        return false;
    for (std::size_t i = 0; i < name.size(); i += CharLength(name, i)) {
        switch (name[i]) {
            case '<':
            case '>':
            case '"':
            case '[':
            case ']':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

std::string ExtractFolderPart(const std::string& name) {
    const std::size_t last = LastDelimiter(name, "\\:");
    return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(os::FileSystemName(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileNameExists(const std::string& path) {
    // Patterns are not names: "*.mak" must not count as an existing file.
    if (path.find_first_of("*?") != std::string::npos)
        return false;
    const DWORD attributes = GetFileAttributesW(os::FileSystemName(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPathName(const std::string& name) {
    const std::wstring wide = os::Widen(name);
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return name;
    full.resize(length);
    return os::Narrow(full);
}

bool IsProjectFileName(const std::string& name) {
    const std::size_t dot = LastDelimiter(name, ".\\/:");
    if (dot == std::string::npos || name[dot] != '.')
        return false;
    const std::string extension = AsciiUpperCase(name.substr(dot));
    return extension == ".MAK" || extension == ".BPR";
}
