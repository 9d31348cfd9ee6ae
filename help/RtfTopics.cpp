#include "help/RtfTopics.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "help/HelpText.h"
#include "runtime/Text.h"

namespace {

// RTF groups nested deeper than this share the state of the deepest one kept.
constexpr size_t kMaxRtfDepth = 256;

// The walker's state per group.
struct RtfGroup {
    // Text that is no topic text: \* destinations, font and colour tables, pictures.
    bool Skip = false;
    bool Footnote = false;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::set<std::string> RtfTopicIds(std::string_view rtf) {
    std::set<std::string> ids;
    std::vector<RtfGroup> stack{RtfGroup{}};
    size_t deeper = 0;        // groups past kMaxRtfDepth, sharing the deepest state
    size_t footnoteDepth = 0; // the stack size inside the footnote being read
    bool groupStart = false;  // nothing read yet in the group just opened
    char lastChar = 0;        // the last plain character of the body: a footnote's mark
    char footnoteMark = 0;
    std::string footnoteText;
    const auto plain = [&](char c) {
        if (stack.back().Skip)
            return;
        if (stack.back().Footnote)
            footnoteText += c;
        else
            lastChar = c;
    };
    size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{') {
            if (stack.size() < kMaxRtfDepth)
                stack.push_back(stack.back());
            else
                ++deeper;
            groupStart = true;
            continue;
        }
        if (c == '}') {
            if (deeper > 0) {
                --deeper;
            } else if (stack.size() > 1) {
                if (stack.back().Footnote && stack.size() == footnoteDepth) {
                    std::string_view text = Trimmed(footnoteText);
                    if (!text.empty() && text.front() == '#')
                        text = Trimmed(text.substr(1));
                    if (footnoteMark == '#' && !text.empty())
                        ids.insert(AsciiUpperCase(text));
                    lastChar = 0;
                }
                stack.pop_back();
            }
            groupStart = false;
            continue;
        }
        const bool first = groupStart;
        groupStart = false;
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            plain(c);
            continue;
        }
        if (i >= rtf.size())
            break;
        if (IsLetter(rtf[i])) {
            const size_t start = i;
            while (i < rtf.size() && IsLetter(rtf[i]) && i - start < 32)
                ++i;
            const std::string_view word = rtf.substr(start, i - start);
            std::uint64_t parameter = 0;
            if (i < rtf.size() && rtf[i] == '-')
                ++i;
            for (size_t digits = 0; i < rtf.size() && rtf[i] >= '0' && rtf[i] <= '9'; ++digits, ++i) {
                if (digits < 10)
                    parameter = parameter * 10 + static_cast<unsigned>(rtf[i] - '0');
            }
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
            RtfGroup& group = stack.back();
            if (word == "bin") {
                i += static_cast<size_t>(std::min<std::uint64_t>(parameter, rtf.size() - i));
            } else if (first && word == "footnote" && !group.Skip && !group.Footnote && deeper == 0) {
                group.Footnote = true;
                footnoteDepth = stack.size();
                footnoteMark = lastChar;
                footnoteText.clear();
            } else if (first && (word == "fonttbl" || word == "colortbl" || word == "stylesheet" ||
                                 word == "info" || word == "pict" || word == "object")) {
                group.Skip = true;
            }
            continue;
        }
        const char symbol = rtf[i++];
        if (symbol == '\'') {
            const int high = i < rtf.size() ? HexDigitValue(rtf[i]) : -1;
            const int low = i + 1 < rtf.size() ? HexDigitValue(rtf[i + 1]) : -1;
            if (high >= 0 && low >= 0) {
                plain(static_cast<char>(high * 16 + low));
                i += 2;
            }
        } else if (symbol == '\\' || symbol == '{' || symbol == '}') {
            plain(symbol);
        } else if (symbol == '~') {
            plain(' ');
        } else if (symbol == '*' && first) {
            stack.back().Skip = true;
        }
    }
    return ids;
}
