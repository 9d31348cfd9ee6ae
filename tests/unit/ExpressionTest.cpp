#include "help/Expression.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The value of `text` over a few macros as "value" or "failure: problem".
std::string Evaluated(const std::string& text, ExpansionBudget* budget = nullptr) {
    MacroTable macros;
    macros.Define("BASE", "100");
    macros.Define("SUM", "BASE + 1");
    macros.Define("SELF", "SELF + 1");
    macros.Define("F", "x", true);
    macros.Define("GONE", "1");
    macros.Undefine("GONE");
    macros.Define("TWICE", "1");
    macros.Tokens("TWICE"); // tokenised once, until it is defined again
    macros.Define("TWICE", "2");
    macros.Define("BIG", "BASE << 56");
    const ExpressionValue value = EvaluateExpression(text, macros, UndefinedIdentifiers::kFail, budget);
    static const char* const kFailures[] = {"", "malformed", "range", "division", "bound"};
    return value.Ok ? std::to_string(value.Value)
                    : std::string(kFailures[value.Failed]) + ": " + value.Problem;
}

TEST(Expression, ValuesAndWhyThereIsNone) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"SUM * 2 - (BASE >> 2) % 7 ? 0x7fffffffffffffff : 1", "9223372036854775807"},
        {"1 || 1 / 0", "1"},
        {"0 && (0x7FFFFFFFFFFFFFFF + 1)", "0"},
        {"-0x7FFFFFFFFFFFFFFF - 1", "-9223372036854775808"},
        {"TWICE + defined(GONE) + defined BASE", "3"},
        {"!GONE", "malformed: 'GONE' is not defined"},
        {"9223372036854775808", "range: 9223372036854775808 does not fit 64 bits"},
        {"0x7FFFFFFFFFFFFFFF * 2 + 2", "range: a value does not fit 64 bits"},
        {"-(-0x7FFFFFFFFFFFFFFF - 1)", "range: a value does not fit 64 bits"},
        {"BIG << 8", "range: a value does not fit 64 bits"},
        {"1 << 64", "range: a value does not fit 64 bits"},
        {"(-0x7FFFFFFFFFFFFFFF - 1) / -1", "range: a value does not fit 64 bits"},
        {"BASE % (SUM - 101)", "division: division by zero"},
        {"SELF", "malformed: 'SELF' is not defined"},
        {"F", "malformed: 'F' is a macro with arguments"},
        {"1 +", "malformed: a value is missing"},
        {"1 $", "malformed: '$' has no place in an expression"},
        {"12x", "malformed: '12x' is no integer"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Evaluated(c.text), c.expected) << c.text;
    const std::string longToken(1000, '7');
    EXPECT_EQ(Evaluated(longToken), "range: " + std::string(60, '7') + "... does not fit 64 bits");
    EXPECT_EQ(Evaluated(std::string(300, '(') + "1" + std::string(300, ')')),
              "bound: the expression is nested too deeply");
}

// Macros are replaced within one budget: what is left after each expression is what the next one has.
TEST(Expression, ReplacementsShareOneBudget) {
    ExpansionBudget budget{10};
    EXPECT_EQ(Evaluated("SUM + SUM", &budget), "202"); // 3 + 1 for each SUM
    EXPECT_EQ(budget.Left, 2u);
    EXPECT_FALSE(budget.Exhausted);
    EXPECT_EQ(Evaluated("SUM", &budget), "bound: macros expand past the bound of this reading");
    EXPECT_TRUE(budget.Exhausted);
    EXPECT_EQ(Evaluated("7", &budget), "7");
}

} // namespace
