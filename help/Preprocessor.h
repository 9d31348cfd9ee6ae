#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "help/Expression.h"

// The C preprocessor's directives as help maps use them: the conditional blocks of one file, and a
// directive line taken apart.

// "#  define X 1" as the directive's name ("define") and what follows it ("X 1"); an empty name for
// a line that is no directive.
struct Directive {
    std::string Name;
    std::string_view Rest;
};
Directive ParseDirective(std::string_view line);

// The "#if", "#ifdef", "#ifndef", "#elif", "#else" and "#endif" blocks of one file: whether its lines
// count where they stand.
class TConditionals {
public:
    // Whether lines here count: every open block's taken branch.
    bool Active() const { return blocks_.empty() || blocks_.back().Active; }
    // Takes `directive` when it is one of the six and returns true; `problem` then says what was wrong
    // with it ("#endif without #if", an expression without value), and is empty when nothing was. An
    // expression without a value counts as false. Expressions use the macros of `macros`, their
    // replacements counted against `budget`. Blocks nested past the bound count as false, said once.
    bool Take(const Directive& directive, const MacroTable& macros, ExpansionBudget* budget,
              std::string& problem);
    // Blocks still open at the file's end.
    std::size_t Open() const { return blocks_.size(); }

private:
    struct Block {
        bool Outer = true;   // the lines around the block count
        bool Taken = false;  // a branch was taken
        bool Active = false; // the branch here is it
        bool SeenElse = false;
    };
    std::vector<Block> blocks_;
    bool toldDepth_ = false;
};
