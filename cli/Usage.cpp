#include "cli/Usage.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "cli/Commands.h"

namespace {

OptionInfo Flag(std::string name, std::string commands, std::string summary, std::string text) {
    OptionInfo option;
    option.Name = std::move(name);
    option.Commands = std::move(commands);
    option.Summary = std::move(summary);
    option.Text = std::move(text);
    return option;
}

OptionInfo Valued(std::string name, std::string value, std::string commands, std::string summary,
                  std::string text) {
    OptionInfo option = Flag(std::move(name), std::move(commands), std::move(summary), std::move(text));
    option.Value = std::move(value);
    return option;
}

const std::vector<std::string> kProjects = {"mak", "bpr"};

// The blank-separated words of a text.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

} // namespace

OptionInfo OptionInfo::WithChoices(std::vector<std::string> choices) const {
    OptionInfo option = *this;
    option.Choices = std::move(choices);
    return option;
}

OptionInfo OptionInfo::WithFiles(std::vector<std::string> extensions) const {
    OptionInfo option = *this;
    option.Files = std::move(extensions);
    return option;
}

OptionInfo OptionInfo::Excluding(std::string other) const {
    OptionInfo option = *this;
    option.Excludes = std::move(other);
    return option;
}

std::vector<std::string> OptionInfo::CommandNames() const {
    return Words(Commands);
}

bool OptionInfo::TakenBy(const std::string& command) const {
    const std::vector<std::string> names = CommandNames();
    return std::find(names.begin(), names.end(), command) != names.end();
}

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = {
        {"scan", "PROJECT", kProjects, "forms and components with their numbers",
         "Scan the forms listed in PROJECT's RESDEPEN macro and print every form and component whose "
         "HelpContext is set, with its number: a form at column 0, its components after two blanks. A form "
         "without a number of its own shows its bare name.",
         ScanCommand},
        {"map", "PROJECT", kProjects, "the numbers as a help project's map",
         "Write every numbered node as the map a help project includes, in the format --format names. "
         "Identifiers are the prefix, the form's name and, for a component, _ and its name.",
         MapCommand},
        {"check", "PROJECT", kProjects, "repeated and negative numbers, broken help links",
         "Report every number held by more than one node (sharing a topic may be meant; it is listed all "
         "the same) and every negative number. With a help project also every number it does not map "
         "(unmapped), every mapped number that reaches no topic (no-topic) and every identifier that map "
         "(with the same prefix) writes with another number (stale). Exit 1 with findings.",
         CheckCommand},
        {"coverage", "PROJECT", kProjects, "where F1 lands from each control",
         "For each form and each control a user can focus (a windowed control, one whose form text states "
         "TabOrder, that holds no windowed control; the form itself), print where F1 lands: own (its own "
         "help is set), container (the nearest component around it with help set), form, or none; unknown "
         "for an inherited or inline node whose ancestor may set the help. Per form a line of counts and "
         "the controls that land nowhere, then the totals.",
         CoverageCommand},
        {"assign", "PROJECT", kProjects, "numbers for the forms and controls without help",
         "Give a number to each form without help of its own (--forms, the default) and to each control a "
         "user can focus whose help is not its own (--controls): numbers no node holds and the help project "
         "does not map, from --from in steps of --step, in the project's order. Print the plan; with --write "
         "put the numbers into the forms. Nodes helped by a keyword, and inherited or inline ones whose "
         "ancestor is not known here, are skipped and listed.",
         AssignCommand},
        {"form2text",
         "FILE",
         {"dfm"},
         "the text rendering of one binary form",
         "Print the text rendering of a binary form file.",
         Form2TextCommand},
        {"text2form",
         "FILE",
         {"txt", "dfm"},
         "the way back: text to binary form",
         "Write the binary form file of a form's text (CR LF or LF lines) to standard output, only once it "
         "is whole.",
         Text2FormCommand},
    };
    return commands;
}

// An option is one entry here, naming the commands that take it: the parser, --help, the usage lines,
// the manual page and the completions all follow. A command reads it with Arguments::Has or Value.
const std::vector<OptionInfo>& Options() {
    static const std::vector<OptionInfo> options = {
        Flag("--json", "scan check coverage", "JSON output",
             "Print the nodes (scan), the findings (check) or the controls (coverage) as a JSON array."),
        Flag("--sarif", "check", "SARIF 2.1.0 output",
             "Write the findings as a SARIF 2.1.0 log, each finding located at its first node's form file.")
            .Excluding("--json"),
        Flag(
            "--csv", "coverage", "CSV output",
            "Write the controls as CSV (RFC 4180, UTF-8): form, control, class, lands, via, number, keyword.")
            .Excluding("--json"),
        Valued("--format", "h|csv", "map", "the map's format",
               "The map's format: h (the default), a C header of \"#define IDH_Form_Component 110\" lines; "
               "csv, rows of form, component, number.")
            .WithChoices({"h", "csv"}),
        Flag("--forms", "assign", "numbers for the forms",
             "Give a number to each form without help of its own; the default when --controls is not given."),
        Flag("--controls", "assign", "numbers for the controls",
             "Give a number to each control a user can focus whose help is not its own: F1 on it lands on "
             "a container's or the form's help, or on none."),
        Valued("--from", "N", "assign", "the first number",
               "The first number to give (1 to 2147483647); default the first multiple of 100 above the "
               "largest number the forms hold or the help project maps."),
        Valued("--step", "S", "assign", "the step between numbers",
               "Give every S-th number (default 10), so that numbers can be put in between later."),
        Valued(
            "--help-project", "FILE", "check assign", "the help project to check against",
            "Also check the numbers against the help project FILE, HTML (.hhp) or classic (.hpj): its "
            "map, its aliases and its topics, read as the help compilers and the C preprocessor read them. "
            "A file it names that is not there is a warning; one that cannot be read ends the check. assign "
            "gives no number that FILE maps.")
            .WithFiles({"hhp", "hpj"}),
        Valued("--prefix", "P", "map check", "the identifiers' prefix",
               "Identifiers begin with P (default IDH_)."),
        Flag(
            "--coverage", "check", "also controls without help",
            "Also report each form's controls on which F1 lands on no help: \"no-help: Form: Control, ...\", "
            "a warning."),
        Flag("--write", "assign", "write the numbers into the forms",
             "Write the numbers into the forms: each form changes only by its new HelpContext properties, "
             "its old file is kept beside it as NAME.~df, and the new file takes its place only once it "
             "reads back as the old form with the new numbers. A form that cannot be written is named and "
             "left as it was; the others are written."),
        Flag("--any-version", "scan map check coverage assign", "also what later versions write",
             "Also read what later versions of the environment write: XML project files (.bpr: the forms in "
             "the value of their RESDEPEN element) and forms saved as text (searched as they stand). Without "
             "it the tool reads what the window reads: makefiles and binary forms."),
        Flag("--keep-going", "scan map check coverage", "go on after a form that cannot be read",
             "Report a form that cannot be read on standard error as \"quorvel-cli: NAME: MESSAGE.\" and go "
             "on with the next; the exit code is then 1. A project file that cannot be read still ends the "
             "run. check goes on in the same way without a file of the help project that cannot be read."),
        Valued("--codepage", "N", "scan map check coverage", "the code page of the forms' names",
               "The code page a form's names were saved in: 1250-1258, 874, 932, 936, 949, 950; default the "
               "system code page on Windows, Windows-1252 elsewhere. With --any-version a name that is valid "
               "UTF-8 is UTF-8, as later versions write it. JSON, CSV and SARIF convert names from it; the "
               "text outputs print them as they are.")
            .WithChoices({"1250", "1251", "1252", "1253", "1254", "1255", "1256", "1257", "1258", "874",
                          "932", "936", "949", "950"}),
        Valued("--resource-name", "NAME", "text2form", "the resource's name",
               "Name the resource NAME rather than after the root's class in upper case."),
        Valued("--wide", "utf16|utf8", "text2form", "how strings above 255 are stored",
               "Store strings with characters above 255 as UTF-16 (the default) or UTF-8.")
            .WithChoices({"utf16", "utf8"}),
        [] {
            OptionInfo help = Flag("--help", "", "print the usage",
                                   "Print this usage and exit, also when it follows a command.");
            help.Short = "-h";
            return help;
        }(),
        Flag("--version", "", "print the version",
             "Print the version and the commit it was built from: \"quorvel-cli 1.3.0 (abc1234)\"."),
    };
    return options;
}

const ToolTexts& Texts() {
    static const ToolTexts texts = {
        "quorvel-cli",
        "list the HelpContext numbers of a project's forms",
        {
            "quorvel-cli runs the help-context scan of the Quorvel window for batch and CI use. It reads the "
            "form files (.dfm) listed in a project makefile's RESDEPEN macro, converts each to its text "
            "rendering and finds every HelpContext setting; it lists the forms and components with their "
            "numbers, writes them as the map a help project includes, checks them for repeated and negative "
            "numbers and against a help project, tells where F1 lands from each control and gives numbers "
            "where it lands nowhere, and converts a form to its text and back.",
            "Relative form names are looked up in PROJECT's folder, as Windows finds them: without regard to "
            "letter case where the exact name is not there. A listed form that is not found is skipped with "
            "a "
            "warning on standard error (\"quorvel-cli: warning: NAME: listed, not found.\"). Warnings and "
            "failures that do not end the run are also in check's JSON and SARIF. Options may stand anywhere "
            "among the arguments; \"--\" ends them.",
        },
        {
            {"0", "Success; check found nothing."},
            {"1", "An error: what was produced before it is printed (text2form prints nothing), then "
                  "\"quorvel-cli: MESSAGE.\" on standard error. Also a form that failed under --keep-going, "
                  "findings of check, and a form assign --write could not write."},
            {"2", "A usage error: an unknown command or option, a missing or extra operand, a value an "
                  "option does not take."},
        },
        {
            {"*.mak", "A project makefile: the forms are the names its RESDEPEN macro lists."},
            {"*.bpr", "An XML project file of later versions (with --any-version)."},
            {"*.dfm",
             "A form file, binary; or saved as text by a later version, which --any-version scans and "
             "text2form reads."},
            {"*.txt", "A form's text, as form2text writes it and text2form reads it."},
            {"*.~df", "The old form file that assign --write keeps beside a form it changes."},
            {"*.hhp, *.hpj", "An HTML or classic help project (check --help-project), with the headers it "
                             "includes and, for a classic one, its RTF topic files."},
        },
        {
            {"List the forms and components of a project with their numbers:",
             {"quorvel-cli scan Project1.mak"}},
            {"Find the controls without help, give them numbers, and make the map again:",
             {"quorvel-cli coverage Project1.mak", "quorvel-cli assign --controls Project1.mak",
              "quorvel-cli assign --controls --write Project1.mak",
              "quorvel-cli map Project1.mak > HelpMap.h"}},
            {"Make a help project's map from the forms:", {"quorvel-cli map Project1.mak > HelpMap.h"}},
            {"Stop a help build before the help compiler when a help key lands nowhere:",
             {"quorvel-cli check --help-project Help.hhp Project1.mak || exit 1", "hhc Help.hhp"}},
            {"A form as text, to diff and merge, and back byte for byte:",
             {"quorvel-cli form2text Main.dfm > Main.txt", "quorvel-cli text2form Main.txt > Main.dfm"}},
        },
    };
    return texts;
}

const CommandInfo* FindCommand(const std::string& name) {
    const auto found = std::find_if(Commands().begin(), Commands().end(),
                                    [&name](const CommandInfo& command) { return command.Name == name; });
    return found == Commands().end() ? nullptr : &*found;
}

std::vector<const OptionInfo*> OptionsOf(const CommandInfo& command) {
    std::vector<const OptionInfo*> options;
    for (const OptionInfo& option : Options()) {
        if (option.TakenBy(command.Name))
            options.push_back(&option);
    }
    return options;
}

std::vector<const OptionInfo*> ToolOptions() {
    std::vector<const OptionInfo*> options;
    for (const OptionInfo& option : Options()) {
        if (option.Commands.empty())
            options.push_back(&option);
    }
    return options;
}

std::vector<CommandOption> ParsedOptionsOf(const CommandInfo& command) {
    std::vector<CommandOption> parsed;
    for (const OptionInfo* option : OptionsOf(command))
        parsed.push_back({option->Name, !option->Value.empty(), option->Choices, option->Excludes});
    return parsed;
}

std::vector<std::vector<const OptionInfo*>> UsageGroups(const CommandInfo& command) {
    std::vector<std::vector<const OptionInfo*>> groups;
    for (const OptionInfo* option : OptionsOf(command)) {
        if (!option->Excludes.empty() && !groups.empty() && groups.back().back()->Name == option->Excludes)
            groups.back().push_back(option);
        else
            groups.push_back({option});
    }
    return groups;
}

std::vector<std::string> UsageWords(const CommandInfo& command) {
    std::vector<std::string> words = {command.Name};
    for (const std::vector<const OptionInfo*>& group : UsageGroups(command)) {
        std::string word;
        for (const OptionInfo* option : group)
            word += (word.empty() ? "" : " | ") + option->Name +
                    (option->Value.empty() ? "" : " " + option->Value);
        words.push_back("[" + word + "]");
    }
    words.push_back(command.Operand);
    return words;
}

std::vector<std::string> ToolUsageWords() {
    std::string words;
    for (const OptionInfo* option : ToolOptions())
        words += (words.empty() ? "" : " | ") + option->Name;
    return {words};
}

namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words)
        line += (line.empty() ? "" : " ") + word;
    return line;
}

std::string UsageLine(const std::vector<std::string>& words, bool first) {
    return std::string(first ? "usage: " : "       ") + Texts().Name + " " + Joined(words) + "\n";
}

constexpr size_t kWidth = 80;

// `words` on lines of at most kWidth columns where they fit, the first after `first`, the others
// after `indent` blanks.
std::string Wrapped(const std::vector<std::string>& words, const std::string& first, size_t indent) {
    std::string text = first;
    size_t column = first.size();
    bool lineEmpty = true;
    for (const std::string& word : words) {
        if (!lineEmpty && column + 1 + word.size() > kWidth) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
        lineEmpty = false;
    }
    return text + "\n";
}

} // namespace

std::string UsageLines() {
    std::string lines;
    for (const CommandInfo& command : Commands())
        lines += UsageLine(UsageWords(command), lines.empty());
    return lines + UsageLine(ToolUsageWords(), false);
}

std::string UsageLines(const CommandInfo& command) {
    return UsageLine(UsageWords(command), true);
}

std::string HelpText() {
    const ToolTexts& texts = Texts();
    std::string help = texts.Name + " - " + texts.Purpose + "\n\nusage:\n";
    const std::string tool = "  " + texts.Name + " ";
    for (const CommandInfo& command : Commands()) {
        // A long usage goes on under its first option.
        help += Wrapped(UsageWords(command), tool, tool.size() + command.Name.size() + 1);
        help += Wrapped(Words(command.Text), std::string(6, ' '), 6);
    }
    help += Wrapped(ToolUsageWords(), tool, tool.size());
    help += "\noptions:\n";
    for (const OptionInfo& option : Options()) {
        std::string name = "  " + (option.Short.empty() ? "" : option.Short + ", ") + option.Name;
        name += option.Value.empty() ? "" : " " + option.Value;
        std::string commands;
        for (const std::string& command : option.CommandNames())
            commands += (commands.empty() ? "" : ", ") + command;
        name += commands.empty() ? "" : "  (" + commands + ")";
        help += name + "\n" + Wrapped(Words(option.Text), std::string(6, ' '), 6);
    }
    for (const std::string& paragraph : texts.Description)
        help += "\n" + Wrapped(Words(paragraph), "", 0);
    help += "\nexit status:\n";
    for (const Entry& status : texts.ExitStatus)
        help += Wrapped(Words(status.Text), "  " + status.Term + "  ", 5);
    return help;
}
