#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "help/NameIndex.h"

// The integer constant expressions of the C preprocessor, as "#if" lines and the values of
// "#define" lines in help maps hold them: decimal, octal, hexadecimal and character constants with
// any integer suffix; "defined X" and "defined(X)"; the unary + - ~ !, the binary * / % + - << >>
// < <= > >= == != & ^ | && || and ?: with C's precedence, and parentheses. Arithmetic is 64-bit; a
// constant or a result outside 64 bits is no value. Nothing is predefined.

// The tokens of a macro's body, made when an expression first replaces the macro.
struct MacroTokens;

// The macros "#define" gives, by name, each as its latest definition gives it. A help map defines
// every identifier it maps, so the names and bodies are kept in one block, found through one index,
// and a body is tokenised once, at its first use, however often it is used.
class MacroTable {
public:
    MacroTable();
    ~MacroTable();
    MacroTable(MacroTable&&) noexcept;
    MacroTable& operator=(MacroTable&&) noexcept;

    // Defines `name` as `body` ("#define F(x) ..." is function-like: no expression here can call it).
    // Returns the name's place, which it keeps for as long as the table lives (an undefined name too),
    // or kNoPlace when the table is full.
    std::uint32_t Define(std::string_view name, std::string_view body, bool functionLike = false);
    static constexpr std::uint32_t kNoPlace = TNameIndex<false>::kNone;
    // The name at `place`, as Define was given it.
    std::string_view Name(std::uint32_t place) const {
        return std::string_view(text_).substr(entries_[place].NameAt, entries_[place].NameSize);
    }
    void Undefine(std::string_view name);
    bool Defined(std::string_view name) const;
    // Whether `name` has a place (it was defined, and may be undefined since); how many names have one.
    bool Named(std::string_view name) const { return Place(name) != kNoPlace; }
    std::size_t Names() const { return entries_.size(); }
    // The defined macro `name` as tokens, or nullptr.
    const MacroTokens* Tokens(std::string_view name) const;

private:
    struct Entry {
        std::uint32_t NameAt = 0, NameSize = 0, BodyAt = 0, BodySize = 0;
        bool Defined = false;
        bool FunctionLike = false;
    };
    std::string_view Body(const Entry& entry) const {
        return std::string_view(text_).substr(entry.BodyAt, entry.BodySize);
    }
    std::uint32_t Place(std::string_view name) const;

    std::string text_; // every name and body
    std::vector<Entry> entries_;
    TNameIndex<false> index_;
    mutable std::unordered_map<std::uint32_t, std::unique_ptr<MacroTokens>> tokens_; // by entry
};

// How many tokens macros may still be replaced by, shared by every expression of one reading: a
// definition built to explode costs no more than a bounded share of the work, whatever it is used in.
struct ExpansionBudget {
    std::uint64_t Left = 0;
    // An expression needed more than was left: it, and every later one that needs more, has no value.
    bool Exhausted = false;
};

// What an identifier that is no macro stands for: 0, as in "#if"; or nothing, so that the whole
// expression has no value (a map entry whose value names something undefined maps nothing).
enum class UndefinedIdentifiers { kAreZero, kFail };

struct ExpressionValue {
    // Why there is no value: the text is no expression here (a string, an undefined name, a broken
    // operator), a constant or result lies outside 64 bits, a division or modulo by zero, or a bound
    // (length, nesting, the expansion budget) cut the work off.
    enum Failure { kNone, kMalformed, kRange, kDivisionByZero, kBound };
    bool Ok = false;
    std::int64_t Value = 0;
    Failure Failed = kNone;
    // What was wrong, when there is no value: "division by zero", "'(' without ')'", ...
    std::string Problem;
};

// The value of `text`, its identifiers replaced by the macros of `macros` as the preprocessor
// replaces them, the replacements counted against `budget` when one is given (besides the bound of
// every expression). Never fails by an exception, however the text is made.
ExpressionValue EvaluateExpression(std::string_view text, const MacroTable& macros,
                                   UndefinedIdentifiers undefined, ExpansionBudget* budget = nullptr);
