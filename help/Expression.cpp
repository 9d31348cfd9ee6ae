#include "help/Expression.h"

#include <iterator>
#include <set>
#include <vector>

#include "runtime/Text.h"

namespace {

// Macros replaced within macros deeper than this, or into more tokens than that, are a definition
// built to explode, not a help map.
constexpr int kMaxExpansionDepth = 64;
constexpr std::size_t kMaxTokens = 100000;
// Operators nested deeper than this would exhaust the stack before they meant anything.
constexpr int kMaxNesting = 200;

struct Token {
    enum Kind { kNumber, kIdentifier, kPunctuator, kEnd };
    Kind What = kEnd;
    std::string Text;
    std::int64_t Value = 0;
};

bool IsIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsIdentifierChar(char c) {
    return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

// A preprocessing number: its digits in the base its prefix says, then any mix of the suffixes u
// and l. False when it is none.
bool NumberValue(std::string_view text, std::int64_t& value) {
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
    const std::size_t first = at;
    for (; at < text.size(); ++at) {
        const int digit = HexDigitValue(text[at]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            break;
        if (magnitude > (UINT64_MAX - static_cast<unsigned>(digit)) / base)
            return false;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
    }
    if (at == first && base != 8)
        return false;
    for (; at < text.size(); ++at) {
        const char c = AsciiUpper(text[at]);
        if (c != 'U' && c != 'L')
            return false;
    }
    value = static_cast<std::int64_t>(magnitude);
    return true;
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

// The tokens of `text`, ending in kEnd; false with a problem at the first that is none.
bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string& problem) {
    static const std::string_view kDouble[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++at;
            continue;
        }
        Token token;
        if (IsIdentifierStart(c)) {
            const std::size_t start = at;
            while (at < text.size() && IsIdentifierChar(text[at]))
                ++at;
            token.What = Token::kIdentifier;
            token.Text = std::string(text.substr(start, at - start));
        } else if (c >= '0' && c <= '9') {
            const std::size_t start = at;
            while (at < text.size() && (IsIdentifierChar(text[at]) || text[at] == '.'))
                ++at;
            token.What = Token::kNumber;
            token.Text = std::string(text.substr(start, at - start));
            if (!NumberValue(token.Text, token.Value)) {
                problem = "'" + token.Text + "' is no integer";
                return false;
            }
        } else if (c == '\'') {
            ++at;
            token.What = Token::kNumber;
            if (!CharacterValue(text, at, token.Value)) {
                problem = "a character constant is not closed";
                return false;
            }
        } else {
            token.What = Token::kPunctuator;
            token.Text = std::string(1, c);
            for (const std::string_view pair : kDouble) {
                if (StartsWith(text, at, pair))
                    token.Text = std::string(pair);
            }
            if (token.Text.size() == 1 &&
                std::string_view("()+-*/%<>&^|!~?:").find(c) == std::string_view::npos) {
                problem = "'" + token.Text + "' has no place in an expression";
                return false;
            }
            at += token.Text.size();
        }
        tokens.push_back(std::move(token));
        if (tokens.size() > kMaxTokens) {
            problem = "the expression is too long";
            return false;
        }
    }
    return true;
}

class Evaluator {
public:
    Evaluator(const MacroTable& macros, UndefinedIdentifiers undefined)
        : macros_(macros), undefined_(undefined) {}

    ExpressionValue Run(std::string_view text) {
        ExpressionValue result;
        std::vector<Token> tokens;
        if (!Tokenize(text, tokens, problem_) || !Expand(tokens, 0))
            return Failed();
        if (tokens_.empty())
            return Failed("no value");
        tokens_.push_back(Token{});
        result.Value = Conditional(true, 0);
        if (!problem_.empty())
            return Failed();
        if (tokens_[at_].What != Token::kEnd)
            return Failed("'" + tokens_[at_].Text + "' is not expected here");
        result.Ok = true;
        return result;
    }

private:
    ExpressionValue Failed(const std::string& problem = std::string()) {
        ExpressionValue result;
        result.Problem = problem.empty() ? problem_ : problem;
        return result;
    }

    bool Fail(const std::string& problem) {
        if (problem_.empty())
            problem_ = problem;
        return false;
    }

    // The tokens with every macro replaced by its own tokens, themselves replaced in turn (a macro is
    // not replaced within itself), and "defined X" by 1 or 0.
    bool Expand(const std::vector<Token>& tokens, int depth) {
        if (depth > kMaxExpansionDepth)
            return Fail("macros are nested too deeply");
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const Token& token = tokens[i];
            if (token.What == Token::kIdentifier && token.Text == "defined") {
                const bool parenthesised = i + 1 < tokens.size() && tokens[i + 1].Text == "(";
                const std::size_t name = i + (parenthesised ? 2 : 1);
                if (name >= tokens.size() || tokens[name].What != Token::kIdentifier ||
                    (parenthesised && (name + 1 >= tokens.size() || tokens[name + 1].Text != ")")))
                    return Fail("'defined' without a name");
                Token value;
                value.What = Token::kNumber;
                value.Text = "defined";
                value.Value = macros_.count(tokens[name].Text) != 0 ? 1 : 0;
                tokens_.push_back(value);
                i = name + (parenthesised ? 1 : 0);
                continue;
            }
            const auto macro = token.What == Token::kIdentifier ? macros_.find(token.Text) : macros_.end();
            if (macro == macros_.end() || expanding_.count(token.Text) != 0) {
                tokens_.push_back(token);
            } else if (macro->second.FunctionLike) {
                return Fail("'" + token.Text + "' is a macro with arguments");
            } else {
                // A macro that stands for nothing still costs its replacement: count those too.
                if (++expansions_ > kMaxTokens)
                    return Fail("the expression is too long");
                std::vector<Token> body;
                if (!Tokenize(macro->second.Body, body, problem_))
                    return false;
                expanding_.insert(token.Text);
                const bool expanded = Expand(body, depth + 1);
                expanding_.erase(token.Text);
                if (!expanded)
                    return false;
            }
            if (tokens_.size() > kMaxTokens)
                return Fail("the expression is too long");
        }
        return true;
    }

    const Token& Peek() const { return tokens_[at_]; }
    bool Accept(std::string_view punctuator) {
        if (Peek().What != Token::kPunctuator || Peek().Text != punctuator)
            return false;
        ++at_;
        return true;
    }

    // Each level takes `evaluate`: false on the side of && || ?: that is not taken, where division by
    // zero and undefined names are no error, as in C.
    std::int64_t Conditional(bool evaluate, int nesting) {
        if (nesting > kMaxNesting)
            return Fail("the expression is nested too deeply"), 0;
        const std::int64_t condition = Binary(0, evaluate, nesting);
        if (!Accept("?"))
            return condition;
        const std::int64_t yes = Conditional(evaluate && condition != 0, nesting + 1);
        if (!Accept(":"))
            return Fail("'?' without ':'"), 0;
        const std::int64_t no = Conditional(evaluate && condition == 0, nesting + 1);
        return condition != 0 ? yes : no;
    }

    // The binary operators by precedence, lowest first.
    static int Precedence(const Token& token) {
        static const std::string_view kLevels[][4] = {
            {"||"},       {"&&"},     {"|"},          {"^"}, {"&"}, {"==", "!="}, {"<", "<=", ">", ">="},
            {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};
        if (token.What != Token::kPunctuator)
            return -1;
        for (int level = 0; level < static_cast<int>(std::size(kLevels)); ++level) {
            for (const std::string_view op : kLevels[level]) {
                if (!op.empty() && op == token.Text)
                    return level;
            }
        }
        return -1;
    }

    std::int64_t Binary(int level, bool evaluate, int nesting) {
        std::int64_t left = Unary(evaluate, nesting + 1);
        for (;;) {
            const int precedence = Precedence(Peek());
            if (precedence < level || !problem_.empty())
                return left;
            const std::string op = Peek().Text;
            ++at_;
            const bool rightEvaluated = evaluate && !(op == "&&" && left == 0) && !(op == "||" && left != 0);
            const std::int64_t right = Binary(precedence + 1, rightEvaluated, nesting + 1);
            left = Apply(op, left, right, evaluate);
        }
    }

    std::int64_t Apply(const std::string& op, std::int64_t left, std::int64_t right, bool evaluate) {
        const auto l = static_cast<std::uint64_t>(left);
        const auto r = static_cast<std::uint64_t>(right);
        if (op == "*")
            return static_cast<std::int64_t>(l * r);
        if (op == "/" || op == "%") {
            if (right == 0)
                return evaluate ? (Fail("division by zero"), 0) : 0;
            if (right == -1) // INT64_MIN / -1 would trap
                return op == "/" ? static_cast<std::int64_t>(0 - l) : 0;
            return op == "/" ? left / right : left % right;
        }
        if (op == "+")
            return static_cast<std::int64_t>(l + r);
        if (op == "-")
            return static_cast<std::int64_t>(l - r);
        if (op == "<<")
            return right < 0 || right > 63 ? 0 : static_cast<std::int64_t>(l << right);
        if (op == ">>")
            return right < 0 || right > 63 ? (left < 0 ? -1 : 0) : left >> right;
        if (op == "<")
            return left < right;
        if (op == "<=")
            return left <= right;
        if (op == ">")
            return left > right;
        if (op == ">=")
            return left >= right;
        if (op == "==")
            return left == right;
        if (op == "!=")
            return left != right;
        if (op == "&")
            return left & right;
        if (op == "^")
            return left ^ right;
        if (op == "|")
            return left | right;
        if (op == "&&")
            return left != 0 && right != 0;
        return left != 0 || right != 0;
    }

    std::int64_t Unary(bool evaluate, int nesting) {
        if (nesting > kMaxNesting)
            return Fail("the expression is nested too deeply"), 0;
        if (Accept("+"))
            return Unary(evaluate, nesting + 1);
        if (Accept("-"))
            return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(Unary(evaluate, nesting + 1)));
        if (Accept("~"))
            return ~Unary(evaluate, nesting + 1);
        if (Accept("!"))
            return Unary(evaluate, nesting + 1) == 0;
        if (Accept("(")) {
            const std::int64_t value = Conditional(evaluate, nesting + 1);
            if (!Accept(")"))
                return Fail("'(' without ')'"), 0;
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
                Fail("'" + token.Text + "' is not defined");
            return 0;
        }
        return Fail(token.What == Token::kEnd ? "a value is missing"
                                              : "'" + token.Text + "' is not expected here"),
               0;
    }

    const MacroTable& macros_;
    UndefinedIdentifiers undefined_;
    std::set<std::string> expanding_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    std::size_t expansions_ = 0;
    std::string problem_;
};

} // namespace

ExpressionValue EvaluateExpression(std::string_view text, const MacroTable& macros,
                                   UndefinedIdentifiers undefined) {
    return Evaluator(macros, undefined).Run(text);
}
