#include "tests/support/FormCompiler.h"

#include <cctype>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "tests/support/FormBuilder.h"

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

class Compiler {
public:
    explicit Compiler(const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            line = Trim(line);
            lines_.push_back(line);
        }
    }

    FormBuilder Compile() {
        SkipEmpty();
        Component();
        SkipEmpty();
        if (at_ < lines_.size())
            Fail("text after the root component's end");
        return std::move(builder_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("form text line " + std::to_string(at_ + 1) + ": " + what);
    }

    void SkipEmpty() {
        while (at_ < lines_.size() && lines_[at_].empty())
            ++at_;
    }

    bool IsHeader(const std::string& line) const {
        return line.rfind("object ", 0) == 0 || line.rfind("inherited ", 0) == 0;
    }

    void Component() {
        Header(lines_[at_++]);
        bool childrenStarted = false;
        for (;;) {
            SkipEmpty();
            if (at_ == lines_.size())
                Fail("missing end");
            const std::string& line = lines_[at_];
            if (line == "end") {
                ++at_;
                if (!childrenStarted)
                    builder_.EndProps();
                builder_.EndChildren();
                return;
            }
            if (IsHeader(line)) {
                if (!childrenStarted)
                    builder_.EndProps();
                childrenStarted = true;
                Component();
                continue;
            }
            if (childrenStarted)
                Fail("a property after a child object");
            Property(line);
            ++at_;
        }
    }

    void Header(const std::string& line) {
        const bool inherited = line.rfind("inherited ", 0) == 0;
        std::string rest = line.substr(inherited ? 10 : 7);
        int position = -1;
        const size_t bracket = rest.find(" [");
        if (bracket != std::string::npos && rest.back() == ']') {
            position = std::stoi(rest.substr(bracket + 2));
            rest = rest.substr(0, bracket);
        }
        std::string name;
        std::string className = rest;
        const size_t colon = rest.find(": ");
        if (colon != std::string::npos) {
            name = rest.substr(0, colon);
            className = rest.substr(colon + 2);
        }
        if (position >= 0)
            builder_.ObjectAt(className, name, position, inherited);
        else if (inherited)
            builder_.Inherited(className, name);
        else
            builder_.Object(className, name);
    }

    void Property(const std::string& line) {
        const size_t equals = line.find(" = ");
        if (equals == std::string::npos)
            Fail("expected 'Name = value'");
        builder_.Prop(line.substr(0, equals));
        Value(line.substr(equals + 3));
    }

    void Value(const std::string& value) {
        if (value.empty())
            Fail("missing value");
        const char first = value[0];
        if (first == '\'' || first == '#') {
            builder_.String(StringValue(value));
        } else if (std::isdigit(static_cast<unsigned char>(first)) || first == '-') {
            builder_.Int(static_cast<std::int32_t>(std::stol(value)));
        } else if (first == '[') {
            SetValue(value);
        } else if (value == "True") {
            builder_.True();
        } else if (value == "False") {
            builder_.False();
        } else if (value == "nil") {
            builder_.Nil();
        } else {
            builder_.Ident(value);
        }
    }

    std::string StringValue(const std::string& value) {
        std::string text;
        for (size_t i = 0; i < value.size();) {
            if (value[i] == '\'') {
                const size_t close = value.find('\'', i + 1);
                if (close == std::string::npos)
                    Fail("unterminated string");
                text += value.substr(i + 1, close - i - 1);
                i = close + 1;
            } else if (value[i] == '#') {
                size_t end = i + 1;
                while (end < value.size() && std::isdigit(static_cast<unsigned char>(value[end])))
                    ++end;
                if (end == i + 1)
                    Fail("'#' without a number");
                text += static_cast<char>(std::stoi(value.substr(i + 1, end - i - 1)));
                i = end;
            } else {
                Fail("unexpected character in a string");
            }
        }
        return text;
    }

    void SetValue(const std::string& value) {
        if (value.back() != ']')
            Fail("unterminated set");
        std::vector<std::string> elements;
        std::istringstream items(value.substr(1, value.size() - 2));
        for (std::string item; std::getline(items, item, ',');) {
            item = Trim(item);
            if (!item.empty())
                elements.push_back(item);
        }
        builder_.Byte(11);
        for (const std::string& element : elements)
            builder_.ShortString(element);
        builder_.Byte(0);
    }

    std::vector<std::string> lines_;
    size_t at_ = 0;
    FormBuilder builder_;
};

} // namespace

std::string CompileFormText(const std::string& text, const std::string& resourceName) {
    return Compiler(text).Compile().FormFile(resourceName);
}
