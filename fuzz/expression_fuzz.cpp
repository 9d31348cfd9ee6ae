// Arbitrary bytes as a preprocessor expression over arbitrary macros: the first line is the
// expression, each further line "NAME BODY" a macro ("- NAME" undoes one). The evaluator must never fail by a
// crash, an overflow the sanitizers see, a stack exhausted by nesting or a replacement that explodes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "help/Expression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t end = text.find('\n');
    const std::string_view expression = text.substr(0, end);
    MacroTable macros;
    for (text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1); !text.empty();) {
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), line.size() + 1));
        const std::size_t blank = line.find(' ');
        const std::string_view name = line.substr(0, blank);
        const std::string_view body =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (name == "-") // "- NAME" undefines
            macros.Undefine(body);
        else
            macros.Define(name, body, !name.empty() && name.back() == '(');
    }
    // Twice with one budget: the second time the macros' tokens come from where the first left them.
    ExpansionBudget budget{std::uint64_t{1} << 20};
    EvaluateExpression(expression, macros, UndefinedIdentifiers::kAreZero, &budget);
    EvaluateExpression(expression, macros, UndefinedIdentifiers::kFail, &budget);
    return 0;
}
