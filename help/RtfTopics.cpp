#include "help/RtfTopics.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "help/HelpText.h"
#include "io/Os.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// The walker's state per group.
struct RtfGroup {
    // Text that is no topic text: \* destinations, font and colour tables, pictures.
    bool Skip = false;
    bool Footnote = false;
};

// A footnote read whole: after a "#" mark its text is a topic's identifier, after a "K" mark its
// keywords, separated by ";". Word writes the mark into the footnote too, before a blank.
void Footnote(char mark, std::string_view text, RtfTopics& topics) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == mark &&
        (mark == '#' || (text.size() > 1 && (text[1] == ' ' || text[1] == '\t'))))
        text = Trimmed(text.substr(1));
    if (mark == '#' && !text.empty()) {
        topics.Ids.insert(AsciiUpperCase(text));
    } else if (mark == 'K') {
        AddListItems(text, ';', topics.Keywords);
    }
}

} // namespace

RtfTopics ReadRtfTopics(std::string_view rtf) {
    RtfTopics topics;
    std::vector<RtfGroup> stack{RtfGroup{}};
    size_t deeper = 0;        // groups past kMaxRtfDepth, sharing the deepest state
    size_t footnoteDepth = 0; // the stack size inside the footnote being read
    bool groupStart = false;  // nothing read yet in the group just opened
    char lastChar = 0;        // the last plain character of the body: a footnote's mark
    char footnoteMark = 0;
    // The footnote's text in UTF-8, and the bytes of the document's code page not yet converted.
    std::string footnoteText;
    std::string footnoteBytes;
    unsigned codePage = os::SystemCodePage();
    std::uint64_t fallbackLength = 1; // \uc: the characters after a \u that stand in for it
    std::uint64_t fallbackLeft = 0;
    const auto plain = [&](char c) {
        if (fallbackLeft > 0) {
            --fallbackLeft;
            return;
        }
        if (stack.back().Skip)
            return;
        if (stack.back().Footnote)
            footnoteBytes += c;
        else
            lastChar = c;
    };
    const auto footnoteSoFar = [&]() -> std::string& {
        footnoteText += os::CodePageToUtf8(codePage, footnoteBytes);
        footnoteBytes.clear();
        return footnoteText;
    };
    size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{') {
            if (stack.size() < kMaxRtfDepth) {
                stack.push_back(stack.back());
            } else {
                ++deeper; // sharing the state of the deepest group kept
                topics.TooDeep = true;
            }
            groupStart = true;
            continue;
        }
        if (c == '}') {
            if (deeper > 0) {
                --deeper;
            } else if (stack.size() > 1) {
                if (stack.back().Footnote && stack.size() == footnoteDepth) {
                    Footnote(footnoteMark, footnoteSoFar(), topics);
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
        if (IsAsciiLetter(rtf[i])) {
            const size_t start = i;
            while (i < rtf.size() && IsAsciiLetter(rtf[i]) && i - start < 32)
                ++i;
            const std::string_view word = rtf.substr(start, i - start);
            std::uint64_t parameter = 0;
            const bool negative = i < rtf.size() && rtf[i] == '-';
            if (negative)
                ++i;
            for (size_t digits = 0; i < rtf.size() && IsAsciiDigit(rtf[i]); ++digits, ++i) {
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
                footnoteBytes.clear();
            } else if (word == "ansicpg" && parameter > 0 && parameter < 65536 &&
                       os::ConvertsCodePage(static_cast<unsigned>(parameter))) {
                codePage = static_cast<unsigned>(parameter); // one that cannot be read leaves the system's
            } else if (word == "uc") {
                fallbackLength = parameter;
            } else if (word == "u") {
                // A character beyond the code page: its UTF-16 unit (negative above 32767), then the
                // characters that stand in for it where \u is not known.
                const auto unit =
                    static_cast<std::uint32_t>(negative ? 65536 - parameter : parameter) & 0xFFFF;
                if (stack.back().Footnote && !stack.back().Skip)
                    AppendUtf8(footnoteSoFar(), unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
                fallbackLeft = fallbackLength;
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
    return topics;
}
