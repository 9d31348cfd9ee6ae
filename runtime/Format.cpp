#include "runtime/Format.h"

#include "runtime/Messages.h"

std::string Format(const std::string& pattern, std::initializer_list<std::string> args) {
    std::string result;
    result.reserve(pattern.size());
    const std::string* next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size()) {
            const char directive = pattern[i + 1];
            if (directive == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (directive == 's' && next != args.end()) {
                result += *next++;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::string FormatRes(int ident, std::initializer_list<std::string> args) {
    return Format(LoadResString(ident), args);
}
