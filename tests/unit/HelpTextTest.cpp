#include "help/HelpText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The text of help files in every encoding they come in, made UTF-8 with LF line ends (in place when it
// is UTF-8 already).
TEST(HelpText, LineEndsAndEncodings) {
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"a\r\nb\r\r\nc\rd\r", "a\nb\nc\nd\n"},
        {"\xEF\xBB\xBF\r\r\n\r\n\xC3\xA9\r", "\n\n\xC3\xA9\n"},
        {std::string("\xFF\xFE"
                     "a\0\r\0\n\0",
                     8),
         "a\n"},
        {std::string("\xFE\xFF\0a\0\r\0\r\0\n\0b", 12), "a\nb"},
        // a pair of surrogates is one character, a lone one U+FFFD; an odd last byte is no unit
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xDCz", 9), "\xF0\x9F\x98\x80\xEF\xBF\xBD"},
        {"caf\xC3\xA9\n", "caf\xC3\xA9\n"},
        {"caf\xE9\r\n", "caf\xC3\xA9\n"},
        {"\r", "\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HelpFileText(c.bytes), c.text) << c.bytes;
}

// C source line by line: comments blank (their line ends kept), continuations joined, each line with the
// number of its first.
TEST(HelpText, SourceLines) {
    std::string lines;
    TSourceLines source("a /* x\ny */ b // c\n\"/*\" '\\'' \\  \n  d \\\ne\n/* open\n\n");
    std::string_view line;
    int number = 0;
    while (source.Next(line, number))
        lines += std::to_string(number) + ":" + std::string(line) + "|";
    EXPECT_EQ(lines, "1:a  |2: b |3:\"/*\" '\\''   d e|6: |7:|");
    EXPECT_EQ(source.LastNumber(), 7);
}

TEST(HelpText, ListsAndShownTokens) {
    std::vector<std::string> items;
    AddListItems(" a ; b;;\tc ;", ';', items);
    EXPECT_EQ(items, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Shown("short"), "short");
    // Cut before a character's first byte, never inside it.
    EXPECT_EQ(Shown(std::string(59, 'x') + "\xC3\xA9" + "yyy"), std::string(59, 'x') + "...");
    EXPECT_EQ(Shown(std::string(70, 'x'), 10), std::string(10, 'x') + "...");
}

} // namespace
