#include "help/Preprocessor.h"

#include <gtest/gtest.h>

#include <string>

#include "help/HelpText.h"

namespace {

// The lines of `source` that count, each problem as "!problem", joined by "|"; then the blocks left
// open, if any. X is defined, Y is not.
std::string Counted(const std::string& source) {
    MacroTable macros;
    macros.Define("X", "2");
    TConditionals conditionals;
    std::string result;
    std::string_view rest = source;
    while (!rest.empty()) {
        const std::string_view line = TakeLine(rest);
        std::string problem;
        const bool taken = conditionals.Take(ParseDirective(line), macros, nullptr, problem);
        const std::string shown =
            taken ? (problem.empty() ? "" : "!" + problem) : (conditionals.Active() ? std::string(line) : "");
        result += shown.empty() ? "" : (result.empty() ? "" : "|") + shown;
    }
    return conditionals.Open() == 0 ? result : result + "|open " + std::to_string(conditionals.Open());
}

// Which lines of a file count, nested blocks and every branch, and what a wrong directive says.
TEST(Conditionals, LinesThatCountAndProblems) {
    std::string deep;
    for (int i = 0; i < 256; ++i)
        deep += "#if 1\n";
    const struct {
        std::string source;
        const char* counted;
    } cases[] = {
        {"a\n#if X == 2\nb\n#else\nc\n#endif\nd", "a|b|d"},
        {"#if 0\na\n#elif Y\nb\n#elif X\nc\n#elif 1\nd\n#else\ne\n#endif", "c"},
        {"#ifdef X\na\n#endif\n#ifndef X\nb\n#endif\n#ifdef Y\nc\n#else\nd\n#endif", "a|d"},
        {"#if 0\n#if 1\na\n#elif 1\nb\n#else\nc\n#endif\n#elif 1\n#if 0\nd\n#else\ne\n#endif\n#endif", "e"},
        {"  #  IF 1\na\n # Else\nb\n#ENDIF", "a"},
        {"#endif\n#else\n#elif 1\na", "!#endif without #if|!#else without #if|!#elif without #if|a"},
        {"#if 1\na\n#else\nb\n#else\nc\n#elif 1\nd\n#endif\ne", "a|!#else after #else|!#elif after #else|e"},
        {"#ifdef\na\n#elif 1 +\nb\n#else\nc\n#endif", "!#ifdef without a name|!#elif: a value is missing|c"},
        {"#if 1\n#ifdef X\na", "a|open 2"},
        {deep + "deep\n#if 1\nhidden\n#endif\n#if 1",
         "deep|!conditional blocks nested more than 256 deep; the lines within them are not read|open 257"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Counted(c.source), c.counted) << c.source.substr(0, 60);
}

} // namespace
