#include "help/Preprocessor.h"

#include "help/HelpText.h"
#include "runtime/Text.h"

namespace {

// Blocks nested deeper than this are no help map; further ones count as false.
constexpr std::size_t kMaxBlocks = 256;

bool Condition(const Directive& directive, const MacroTable& macros, ExpansionBudget* budget,
               std::string& problem) {
    if (directive.Name == "ifdef" || directive.Name == "ifndef") {
        std::string_view name = Trimmed(directive.Rest);
        name = name.substr(0, name.find_first_of(" \t"));
        if (name.empty()) {
            problem = "#" + directive.Name + " without a name";
            return false;
        }
        return macros.Defined(name) == (directive.Name == "ifdef");
    }
    const ExpressionValue value =
        EvaluateExpression(directive.Rest, macros, UndefinedIdentifiers::kAreZero, budget);
    // The reader tells once that the budget ran out, not at every line it leaves without a value.
    if (!value.Ok && !(value.Failed == ExpressionValue::kBound && budget != nullptr && budget->Exhausted))
        problem = "#" + directive.Name + ": " + value.Problem;
    return value.Ok && value.Value != 0;
}

} // namespace

Directive ParseDirective(std::string_view line) {
    line = Trimmed(line);
    Directive directive;
    if (line.empty() || line.front() != '#')
        return directive;
    line = Trimmed(line.substr(1));
    std::size_t end = 0;
    while (end < line.size() && IsAsciiLetter(line[end]))
        ++end;
    for (const char c : line.substr(0, end))
        directive.Name += AsciiLower(c);
    directive.Rest = Trimmed(line.substr(end));
    return directive;
}

bool TConditionals::Take(const Directive& directive, const MacroTable& macros, ExpansionBudget* budget,
                         std::string& problem) {
    problem.clear();
    const std::string& name = directive.Name;
    if (name == "if" || name == "ifdef" || name == "ifndef") {
        Block block;
        block.Outer = Active() && blocks_.size() < kMaxBlocks;
        if (block.Outer)
            block.Taken = block.Active = Condition(directive, macros, budget, problem);
        if (blocks_.size() >= kMaxBlocks && Active() && !toldDepth_) {
            toldDepth_ = true;
            problem = "conditional blocks nested more than " + std::to_string(kMaxBlocks) +
                      " deep; the lines within them are not read";
        }
        blocks_.push_back(block);
        return true;
    }
    if (name != "elif" && name != "else" && name != "endif")
        return false;
    if (blocks_.empty()) {
        problem = "#" + name + " without #if";
        return true;
    }
    Block& block = blocks_.back();
    if (name == "endif") {
        blocks_.pop_back();
    } else if (block.SeenElse) {
        problem = "#" + name + " after #else";
        block.Active = false;
    } else if (name == "else") {
        block.SeenElse = true;
        block.Active = block.Outer && !block.Taken;
        block.Taken = true;
    } else {
        block.Active = block.Outer && !block.Taken && Condition(directive, macros, budget, problem);
        block.Taken = block.Taken || block.Active;
    }
    return true;
}
