#include "help/Expression.h"

#include <algorithm>
#include <vector>

#include "help/HelpText.h"
#include "runtime/Text.h"

namespace {

// Macros replaced within macros deeper than this, or into more tokens than that, are a definition
// built to explode, not a help map.
constexpr int kMaxExpansionDepth = 64;
constexpr std::size_t kMaxTokens = 100000;
// Operators nested deeper than this would exhaust the stack before they meant anything.
constexpr int kMaxNesting = 200;

// The operators and parentheses, the binary ones by precedence, lowest first.
enum Op : std::uint8_t {
    kNoOp,
    kOr,
    kAnd,
    kBitOr,
    kXor,
    kBitAnd,
    kEqual,
    kUnequal,
    kLess,
    kLessEqual,
    kGreater,
    kGreaterEqual,
    kShiftLeft,
    kShiftRight,
    kPlus,
    kMinus,
    kTimes,
    kDivide,
    kModulo,
    kNot,
    kComplement,
    kQuestion,
    kColon,
    kOpen,
    kClose
};

// The precedence of each binary operator, from 0 (||) to 9 (* / %); -1 for any other token.
int Precedence(Op op) {
    static const int kLevels[] = {-1, 0, 1, 2, 3, 4, 5,  5,  6,  6,  6,  6, 7,
                                  7,  8, 8, 9, 9, 9, -1, -1, -1, -1, -1, -1};
    return kLevels[op];
}

// The operator that `text` holds at `at`, and its length; kNoOp for a character that is none.
Op OperatorAt(std::string_view text, std::size_t at, std::size_t& length) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    length = 2;
    switch (text[at]) {
        case '<':
            return next == '<' ? kShiftLeft : next == '=' ? kLessEqual : (length = 1, kLess);
        case '>':
            return next == '>' ? kShiftRight : next == '=' ? kGreaterEqual : (length = 1, kGreater);
        case '=':
            return next == '=' ? kEqual : (length = 1, kNoOp);
        case '!':
            return next == '=' ? kUnequal : (length = 1, kNot);
        case '&':
            return next == '&' ? kAnd : (length = 1, kBitAnd);
        case '|':
            return next == '|' ? kOr : (length = 1, kBitOr);
        default:
            break;
    }
    length = 1;
    static const std::string_view kSingle = "^+-*/%~?:()";
    static const Op kSingleOps[] = {kXor,        kPlus,     kMinus, kTimes, kDivide, kModulo,
                                    kComplement, kQuestion, kColon, kOpen,  kClose};
    const std::size_t single = kSingle.find(text[at]);
    return single == std::string_view::npos ? kNoOp : kSingleOps[single];
}

struct Token {
    enum Kind { kNumber, kIdentifier, kPunctuator, kEnd };
    Kind What = kEnd;
    Op Operator = kNoOp; // a punctuator's
    // Where it stands: in the expression's text or a macro's body, both of which outlive the
    // evaluation.
    std::string_view Text;
    std::int64_t Value = 0;
};

bool IsIdentifierStart(char c) {
    return IsAsciiLetter(c) || c == '_';
}

// A preprocessing number: its digits in the base its prefix says, then any mix of the suffixes u
// and l. kMalformed when it is none, kRange when it lies past 64 bits.
ExpressionValue::Failure NumberValue(std::string_view text, std::int64_t& value) {
    unsigned base = 10;
    std::size_t at = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
        at = 1;
    }
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    const std::size_t first = at;
    for (; at < text.size(); ++at) {
        const int digit = HexDigitValue(text[at]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            break;
        if (magnitude > (static_cast<std::uint64_t>(INT64_MAX) - static_cast<unsigned>(digit)) / base)
            tooLarge = true;
        else
            magnitude = magnitude * base + static_cast<unsigned>(digit);
    }
    if (at == first && base != 8)
        return ExpressionValue::kMalformed;
    for (; at < text.size(); ++at) {
        const char c = AsciiUpper(text[at]);
        if (c != 'U' && c != 'L')
            return ExpressionValue::kMalformed;
    }
    value = static_cast<std::int64_t>(magnitude);
    return tooLarge ? ExpressionValue::kRange : ExpressionValue::kNone;
}

// A character constant's value from just after its opening quote; `at` left after the closing one.
bool CharacterValue(std::string_view text, std::size_t& at, std::int64_t& value) {
    if (at >= text.size() || text[at] == '\'')
        return false;
    char c = text[at++];
    if (c == '\\') {
        if (at >= text.size())
            return false;
        static const std::string_view kEscapes = "n\nt\tr\rv\va\ab\bf\f0\0\\\\''\"\"??";
        c = text[at++];
        const std::size_t known = kEscapes.find(c);
        if (known == std::string_view::npos || known % 2 != 0)
            return false;
        c = kEscapes[known + 1];
    }
    value = static_cast<unsigned char>(c);
    if (at >= text.size() || text[at] != '\'')
        return false;
    ++at;
    return true;
}

// Why tokens could not be made, when they could not.
struct TokenProblem {
    ExpressionValue::Failure Failed = ExpressionValue::kNone;
    std::string Problem;

    bool Set(ExpressionValue::Failure failed, std::string problem) {
        Failed = failed;
        Problem = std::move(problem);
        return false;
    }
};

// The tokens of `text`; false with a problem at the first that is none, or past kMaxTokens.
bool Tokenize(std::string_view text, std::vector<Token>& tokens, TokenProblem& problem) {
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++at;
            continue;
        }
        Token token;
        const std::size_t start = at;
        if (IsIdentifierStart(c)) {
            while (at < text.size() && IsIdentifierChar(text[at]))
                ++at;
            token.What = Token::kIdentifier;
        } else if (IsAsciiDigit(c)) {
            while (at < text.size() && (IsIdentifierChar(text[at]) || text[at] == '.'))
                ++at;
            token.What = Token::kNumber;
            const ExpressionValue::Failure failed = NumberValue(text.substr(start, at - start), token.Value);
            if (failed != ExpressionValue::kNone) {
                const std::string shown = Shown(text.substr(start, at - start));
                return problem.Set(failed, failed == ExpressionValue::kRange
                                               ? shown + " does not fit 64 bits"
                                               : "'" + shown + "' is no integer");
            }
        } else if (c == '\'') {
            ++at;
            token.What = Token::kNumber;
            if (!CharacterValue(text, at, token.Value))
                return problem.Set(ExpressionValue::kMalformed, "a character constant is not closed");
        } else {
            token.What = Token::kPunctuator;
            std::size_t length = 1;
            token.Operator = OperatorAt(text, at, length);
            if (token.Operator == kNoOp)
                return problem.Set(ExpressionValue::kMalformed,
                                   "'" + Shown(text.substr(at, 1)) + "' has no place in an expression");
            at += length;
        }
        token.Text = text.substr(start, at - start);
        tokens.push_back(token);
        if (tokens.size() > kMaxTokens)
            return problem.Set(ExpressionValue::kBound, "the expression is too long");
    }
    return true;
}

} // namespace

// A macro's body with its tokens, which point into it; tokenised once.
struct MacroTokens {
    bool FunctionLike = false;
    std::string Body;
    std::vector<Token> Tokens;
    TokenProblem Problem; // why the body has no tokens, when it has none
};

MacroTable::MacroTable() = default;
MacroTable::~MacroTable() = default;
MacroTable::MacroTable(MacroTable&&) noexcept = default;
MacroTable& MacroTable::operator=(MacroTable&&) noexcept = default;

std::uint32_t MacroTable::Place(std::string_view name) const {
    return index_.Find(name, [this](std::uint32_t place) { return Name(place); });
}

std::uint32_t MacroTable::Define(std::string_view name, std::string_view body, bool functionLike) {
    // The block's places are 32-bit: more text than that is more than any help project defines.
    if (text_.size() + name.size() + body.size() > UINT32_MAX)
        return kNoPlace;
    std::uint32_t place = Place(name);
    if (place == TNameIndex<false>::kNone) {
        place = static_cast<std::uint32_t>(entries_.size());
        entries_.push_back(
            Entry{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(name.size())});
        text_.append(name);
        index_.Add(place, [this](std::uint32_t at) { return Name(at); });
    }
    Entry& entry = entries_[place];
    if (!entry.Defined || Body(entry) != body) {
        entry.BodyAt = static_cast<std::uint32_t>(text_.size());
        entry.BodySize = static_cast<std::uint32_t>(body.size());
        text_.append(body);
    }
    entry.Defined = true;
    entry.FunctionLike = functionLike;
    tokens_.erase(place);
    return place;
}

void MacroTable::Undefine(std::string_view name) {
    const std::uint32_t place = Place(name);
    if (place != TNameIndex<false>::kNone) {
        entries_[place].Defined = false;
        tokens_.erase(place);
    }
}

bool MacroTable::Defined(std::string_view name) const {
    const std::uint32_t place = Place(name);
    return place != TNameIndex<false>::kNone && entries_[place].Defined;
}

const MacroTokens* MacroTable::Tokens(std::string_view name) const {
    const std::uint32_t place = Place(name);
    if (place == TNameIndex<false>::kNone || !entries_[place].Defined)
        return nullptr;
    std::unique_ptr<MacroTokens>& tokens = tokens_[place];
    if (!tokens) {
        tokens = std::make_unique<MacroTokens>();
        tokens->FunctionLike = entries_[place].FunctionLike;
        tokens->Body = std::string(Body(entries_[place]));
        if (!tokens->FunctionLike && !Tokenize(tokens->Body, tokens->Tokens, tokens->Problem))
            tokens->Tokens.clear();
    }
    return tokens.get();
}

namespace {

class Evaluator {
public:
    Evaluator(const MacroTable& macros, UndefinedIdentifiers undefined, ExpansionBudget* budget)
        : macros_(macros), undefined_(undefined), budget_(budget) {}

    ExpressionValue Run(std::string_view text) {
        ExpressionValue result;
        std::vector<Token> tokens;
        TokenProblem problem;
        tokens.reserve(std::min(text.size() / 4, kMaxTokens) + 1);
        if (!Tokenize(text, tokens, problem))
            return Failed(problem.Failed, problem.Problem);
        tokens_.reserve(tokens.size() + 1);
        if (!Expand(tokens, 0))
            return Failed();
        if (tokens_.empty())
            return Failed(ExpressionValue::kMalformed, "no value");
        tokens_.push_back(Token{});
        result.Value = Conditional(true, 0);
        if (failed_ != ExpressionValue::kNone)
            return Failed();
        if (tokens_[at_].What != Token::kEnd)
            return Failed(ExpressionValue::kMalformed,
                          "'" + Shown(tokens_[at_].Text) + "' is not expected here");
        result.Ok = true;
        return result;
    }

private:
    ExpressionValue Failed(ExpressionValue::Failure failed = ExpressionValue::kNone,
                           const std::string& problem = std::string()) {
        ExpressionValue result;
        result.Failed = failed != ExpressionValue::kNone ? failed : failed_;
        result.Problem = failed != ExpressionValue::kNone ? problem : problem_;
        return result;
    }

    // Keeps the first problem: the one that made the rest fail.
    bool Fail(ExpressionValue::Failure failed, const std::string& problem) {
        if (failed_ == ExpressionValue::kNone) {
            failed_ = failed;
            problem_ = problem;
        }
        return false;
    }

    // The tokens with every macro replaced by its own tokens, themselves replaced in turn (a macro is
    // not replaced within itself), and "defined X" by 1 or 0.
    bool Expand(const std::vector<Token>& tokens, int depth) {
        if (depth > kMaxExpansionDepth)
            return Fail(ExpressionValue::kBound, "macros are nested too deeply");
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const Token& token = tokens[i];
            if (token.What == Token::kIdentifier && token.Text == "defined") {
                const bool parenthesised = i + 1 < tokens.size() && tokens[i + 1].Operator == kOpen;
                const std::size_t name = i + (parenthesised ? 2 : 1);
                if (name >= tokens.size() || tokens[name].What != Token::kIdentifier ||
                    (parenthesised && (name + 1 >= tokens.size() || tokens[name + 1].Operator != kClose)))
                    return Fail(ExpressionValue::kMalformed, "'defined' without a name");
                tokens_.push_back(
                    Token{Token::kNumber, kNoOp, token.Text, macros_.Defined(tokens[name].Text) ? 1 : 0});
                i = name + (parenthesised ? 1 : 0);
                continue;
            }
            const MacroTokens* macro =
                token.What == Token::kIdentifier &&
                        std::find(expanding_.begin(), expanding_.end(), token.Text) == expanding_.end()
                    ? macros_.Tokens(token.Text)
                    : nullptr;
            if (macro == nullptr) {
                tokens_.push_back(token);
            } else if (macro->FunctionLike) {
                return Fail(ExpressionValue::kMalformed,
                            "'" + Shown(token.Text) + "' is a macro with arguments");
            } else if (macro->Problem.Failed != ExpressionValue::kNone) {
                return Fail(macro->Problem.Failed, macro->Problem.Problem);
            } else {
                // A macro that stands for nothing still costs its replacement: count those too.
                const std::size_t cost = std::max<std::size_t>(macro->Tokens.size(), 1);
                expansions_ += cost;
                if (expansions_ > kMaxTokens)
                    return Fail(ExpressionValue::kBound, "the expression is too long");
                if (budget_ != nullptr && budget_->Left < cost) {
                    budget_->Left = 0;
                    budget_->Exhausted = true;
                    return Fail(ExpressionValue::kBound, "macros expand past the bound of this reading");
                }
                if (budget_ != nullptr)
                    budget_->Left -= cost;
                expanding_.push_back(token.Text);
                const bool expanded = Expand(macro->Tokens, depth + 1);
                expanding_.pop_back();
                if (!expanded)
                    return false;
            }
            if (tokens_.size() > kMaxTokens)
                return Fail(ExpressionValue::kBound, "the expression is too long");
        }
        return true;
    }

    const Token& Peek() const { return tokens_[at_]; }
    bool Accept(Op op) {
        if (Peek().Operator != op)
            return false;
        ++at_;
        return true;
    }

    // Each level takes `evaluate`: false on the side of && || ?: that is not taken, where division by
    // zero, a result past 64 bits and undefined names are no error, as in C.
    std::int64_t Conditional(bool evaluate, int nesting) {
        if (nesting > kMaxNesting)
            return Fail(ExpressionValue::kBound, "the expression is nested too deeply"), 0;
        const std::int64_t condition = Binary(0, evaluate, nesting);
        if (!Accept(kQuestion))
            return condition;
        const std::int64_t yes = Conditional(evaluate && condition != 0, nesting + 1);
        if (!Accept(kColon))
            return Fail(ExpressionValue::kMalformed, "'?' without ':'"), 0;
        const std::int64_t no = Conditional(evaluate && condition == 0, nesting + 1);
        return condition != 0 ? yes : no;
    }

    std::int64_t Binary(int level, bool evaluate, int nesting) {
        std::int64_t left = Unary(evaluate, nesting + 1);
        for (;;) {
            const int precedence = Precedence(Peek().Operator);
            if (precedence < level || failed_ != ExpressionValue::kNone)
                return left;
            const Op op = Peek().Operator;
            ++at_;
            const bool rightEvaluated = evaluate && !(op == kAnd && left == 0) && !(op == kOr && left != 0);
            const std::int64_t right = Binary(precedence + 1, rightEvaluated, nesting + 1);
            left = Apply(op, left, right, evaluate);
        }
    }

    // A result past 64 bits, where it is evaluated.
    std::int64_t OutOfRange(bool evaluate) {
        if (evaluate)
            Fail(ExpressionValue::kRange, "a value does not fit 64 bits");
        return 0;
    }

    std::int64_t Apply(Op op, std::int64_t left, std::int64_t right, bool evaluate) {
        std::int64_t result = 0;
        switch (op) {
            case kTimes:
                return __builtin_mul_overflow(left, right, &result) ? OutOfRange(evaluate) : result;
            case kPlus:
                return __builtin_add_overflow(left, right, &result) ? OutOfRange(evaluate) : result;
            case kMinus:
                return __builtin_sub_overflow(left, right, &result) ? OutOfRange(evaluate) : result;
            case kDivide:
            case kModulo:
                if (right == 0)
                    return evaluate ? (Fail(ExpressionValue::kDivisionByZero, "division by zero"), 0) : 0;
                if (right == -1) // INT64_MIN / -1 would trap
                    return op == kModulo ? 0 : left == INT64_MIN ? OutOfRange(evaluate) : -left;
                return op == kDivide ? left / right : left % right;
            case kShiftLeft:
            case kShiftRight: {
                if (right < 0 || right > 63)
                    return OutOfRange(evaluate);
                if (op == kShiftRight)
                    return left >> right;
                const auto shifted = static_cast<std::int64_t>(static_cast<std::uint64_t>(left) << right);
                return (shifted >> right) != left ? OutOfRange(evaluate) : shifted;
            }
            case kLess:
                return left < right;
            case kLessEqual:
                return left <= right;
            case kGreater:
                return left > right;
            case kGreaterEqual:
                return left >= right;
            case kEqual:
                return left == right;
            case kUnequal:
                return left != right;
            case kBitAnd:
                return left & right;
            case kXor:
                return left ^ right;
            case kBitOr:
                return left | right;
            case kAnd:
                return left != 0 && right != 0;
            default:
                return left != 0 || right != 0;
        }
    }

    std::int64_t Unary(bool evaluate, int nesting) {
        if (nesting > kMaxNesting)
            return Fail(ExpressionValue::kBound, "the expression is nested too deeply"), 0;
        if (Accept(kPlus))
            return Unary(evaluate, nesting + 1);
        if (Accept(kMinus)) {
            const std::int64_t value = Unary(evaluate, nesting + 1);
            return value == INT64_MIN ? OutOfRange(evaluate) : -value;
        }
        if (Accept(kComplement))
            return ~Unary(evaluate, nesting + 1);
        if (Accept(kNot))
            return Unary(evaluate, nesting + 1) == 0;
        if (Accept(kOpen)) {
            const std::int64_t value = Conditional(evaluate, nesting + 1);
            if (!Accept(kClose))
                return Fail(ExpressionValue::kMalformed, "'(' without ')'"), 0;
            return value;
        }
        const Token& token = Peek();
        if (token.What == Token::kNumber) {
            ++at_;
            return token.Value;
        }
        if (token.What == Token::kIdentifier) {
            ++at_;
            if (undefined_ == UndefinedIdentifiers::kFail && evaluate)
                Fail(ExpressionValue::kMalformed, "'" + Shown(token.Text) + "' is not defined");
            return 0;
        }
        return Fail(ExpressionValue::kMalformed, token.What == Token::kEnd
                                                     ? "a value is missing"
                                                     : "'" + Shown(token.Text) + "' is not expected here"),
               0;
    }

    const MacroTable& macros_;
    UndefinedIdentifiers undefined_;
    ExpansionBudget* budget_;
    std::vector<std::string_view> expanding_; // the macros being replaced, innermost last
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    std::size_t expansions_ = 0;
    ExpressionValue::Failure failed_ = ExpressionValue::kNone;
    std::string problem_;
};

} // namespace

ExpressionValue EvaluateExpression(std::string_view text, const MacroTable& macros,
                                   UndefinedIdentifiers undefined, ExpansionBudget* budget) {
    return Evaluator(macros, undefined, budget).Run(text);
}
