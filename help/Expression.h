#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// The integer constant expressions of the C preprocessor, as "#if" lines and the values of
// "#define" lines in help maps hold them: decimal, octal, hexadecimal and character constants with
// any integer suffix; "defined X" and "defined(X)"; the unary + - ~ !, the binary * / % + - << >>
// < <= > >= == != & ^ | && || and ?: with C's precedence, and parentheses. Arithmetic is 64-bit and
// wraps. Nothing is predefined.

// A macro as "#define" gives it: its replacement text, which an expression uses in its place.
struct Macro {
    std::string Body;
    // "#define F(x) ...": no expression here can call it.
    bool FunctionLike = false;
};
using MacroTable = std::unordered_map<std::string, Macro>;

// What an identifier that is no macro stands for: 0, as in "#if"; or nothing, so that the whole
// expression has no value (a map entry whose value names something undefined maps nothing).
enum class UndefinedIdentifiers { kAreZero, kFail };

struct ExpressionValue {
    bool Ok = false;
    std::int64_t Value = 0;
    // Why there is no value, when there is none: "division by zero", "'(' without ')'", ...
    std::string Problem;
};

// The value of `text`, its identifiers replaced by the macros of `macros` as the preprocessor
// replaces them. Never fails by an exception, however the text is made.
ExpressionValue EvaluateExpression(std::string_view text, const MacroTable& macros,
                                   UndefinedIdentifiers undefined);
