#pragma once

#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A command line that does not follow a command's usage; the message says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One option of a command: a flag ("--json") or an option with a value ("--format csv", also
// written "--format=csv").
struct CommandOption {
    std::string Name;
    bool TakesValue = false;
    // The values it takes; empty: any.
    std::vector<std::string> Choices;
    // An option that may not stand beside it, or empty.
    std::string Excludes;
};

// The arguments after a command: its options, wherever they stand, and its operands in order.
// "--" ends the options; a lone "-" is an operand. Any other argument that begins with "-" and is
// not one of the command's options, a value not among an option's choices, and two options that
// exclude each other raise UsageError.
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::vector<CommandOption>& options);

    bool Has(const std::string& option) const { return values_.count(option) != 0; }
    // The value of the option's last occurrence, or `fallback` when it was not given.
    std::string Value(const std::string& option, const std::string& fallback) const;
    const std::vector<std::string>& Operands() const { return operands_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> operands_;
};

// True when any of `spellings` ("--help", "-h") stands among the arguments before any "--".
bool AsksFor(const std::vector<std::string>& args, std::initializer_list<const char*> spellings);

// "a", "a or b", "a, b or c".
std::string Alternatives(const std::vector<std::string>& words);
