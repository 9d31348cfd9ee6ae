#pragma once

#include <string>
#include <vector>

#include "cli/Arguments.h"

// What quorvel-cli accepts and what it says about it, in one place: its commands, their options and
// the texts of --help. The usage lines, --help, the manual page and the shell completions are all
// made from it, so an option added here is parsed, validated, documented and completed.

// One option, and the commands that take it.
struct OptionInfo {
    std::string Name;     // "--format"
    std::string Short;    // another spelling ("-h"), or empty
    std::string Value;    // what the value is called in the usage ("h|csv", "P"); empty: a flag
    std::string Commands; // the commands that take it, blank-separated; empty: none, it stands alone
    std::string Summary;  // a few words, for the completions
    std::string Text;     // the description in --help and the manual page
    std::vector<std::string> Choices; // the values it takes; empty: any
    std::vector<std::string> Files;   // the extensions of the files its value names (completion)
    std::string Excludes;             // an option that may not stand beside it

    OptionInfo WithChoices(std::vector<std::string> choices) const;
    OptionInfo WithFiles(std::vector<std::string> extensions) const;
    OptionInfo Excluding(std::string option) const;
    std::vector<std::string> CommandNames() const;
    bool TakenBy(const std::string& command) const;
};

struct CommandInfo {
    std::string Name;
    std::string Operand;                   // what its one operand is called ("PROJECT")
    std::vector<std::string> OperandFiles; // the extensions of the files it names (completion)
    std::string Summary;                   // a few words: the completions, the README's list
    std::string Text;                      // the description in --help and the manual page
    int (*Run)(const Arguments& args);
};

// A term and what it means: an exit status, a kind of file.
struct Entry {
    std::string Term;
    std::string Text;
};

// An example: what it does, then the command lines.
struct Example {
    std::string Text;
    std::vector<std::string> Lines;
};

// The texts of the tool as a whole.
struct ToolTexts {
    std::string Name;                     // "quorvel-cli"
    std::string Purpose;                  // what it does, in a line
    std::vector<std::string> Description; // paragraphs
    std::vector<Entry> ExitStatus;
    std::vector<Entry> Files;
    std::vector<Example> Examples;
};

const ToolTexts& Texts();
const std::vector<CommandInfo>& Commands();
// Every option, in the order the usage lines show them.
const std::vector<OptionInfo>& Options();

// The command of that name, or nullptr.
const CommandInfo* FindCommand(const std::string& name);
std::vector<const OptionInfo*> OptionsOf(const CommandInfo& command);
// The options that stand without a command (--help, --version).
std::vector<const OptionInfo*> ToolOptions();
// What the parser of the command's arguments needs to know.
std::vector<CommandOption> ParsedOptionsOf(const CommandInfo& command);

// The command's options as its usage shows them, each group in one pair of brackets: an option alone,
// or options that exclude each other ("[--json | --sarif]").
std::vector<std::vector<const OptionInfo*>> UsageGroups(const CommandInfo& command);
// The usage line's words after the tool's name, each to be kept on one line:
// {"scan", "[--json]", ..., "PROJECT"}; {"--help | --version"} for the tool's own options.
std::vector<std::string> UsageWords(const CommandInfo& command);
std::vector<std::string> ToolUsageWords();
// "usage: quorvel-cli scan ...", with "       quorvel-cli ..." for every further line: all commands,
// or the one given.
std::string UsageLines();
std::string UsageLines(const CommandInfo& command);
// The text of --help.
std::string HelpText();
