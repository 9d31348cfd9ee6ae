#include "cli/ManualPage.h"

#include "cli/Usage.h"
#include "help/Findings.h"
#include "runtime/Text.h"

namespace {

bool IsOptionCharacter(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-';
}

// Text for a roff line: backslashes and minus signs escaped, so that options copied from the page
// are typed with the hyphen-minus they need; options in bold.
std::string Roff(const std::string& text, bool boldOptions = true) {
    std::string roff;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool optionStarts = boldOptions && text.compare(i, 2, "--") == 0 && i + 2 < text.size() &&
                                  IsAsciiLetter(text[i + 2]) && (i == 0 || !IsOptionCharacter(text[i - 1]));
        if (optionStarts) {
            size_t end = i + 2;
            while (end < text.size() && IsOptionCharacter(text[end]))
                ++end;
            roff += "\\fB" + Roff(text.substr(i, end - i), false) + "\\fR";
            i = end - 1;
        } else if (text[i] == '\\') {
            roff += "\\e";
        } else if (text[i] == '-') {
            roff += "\\-";
        } else {
            roff += text[i];
        }
    }
    // A line that begins with a period or an apostrophe would be read as a request.
    if (!roff.empty() && (roff[0] == '.' || roff[0] == '\''))
        roff.insert(0, "\\&");
    return roff;
}

std::string Bold(const std::string& text) {
    return "\\fB" + Roff(text, false) + "\\fR";
}

std::string Italic(const std::string& text) {
    return "\\fI" + Roff(text, false) + "\\fR";
}

// "--format h|csv" with the name in bold and the value in italics.
std::string OptionWithValue(const OptionInfo& option) {
    return Bold(option.Name) + (option.Value.empty() ? "" : " " + Italic(option.Value));
}

std::string Synopsis(const std::string& tool) {
    std::string page = ".SH SYNOPSIS\n";
    for (const CommandInfo& command : Commands()) {
        page += ".SY " + Roff(tool) + "\n.B " + Roff(command.Name) + "\n";
        for (const std::vector<const OptionInfo*>& group : UsageGroups(command)) {
            std::string alternatives;
            for (const OptionInfo* option : group)
                alternatives += (alternatives.empty() ? "" : " | ") + OptionWithValue(*option);
            page += "[" + alternatives + "]\n";
        }
        page += Italic(command.Operand) + "\n.YS\n";
    }
    std::string alone;
    for (const OptionInfo* option : ToolOptions())
        alone += (alone.empty() ? "" : " | ") + Bold(option->Name);
    return page + ".SY " + Roff(tool) + "\n" + alone + "\n.YS\n";
}

std::string Entries(const std::string& section, const std::vector<Entry>& entries, bool italic) {
    std::string page = ".SH " + section + "\n";
    for (const Entry& entry : entries)
        page += ".TP\n" + (italic ? Italic(entry.Term) : Bold(entry.Term)) + "\n" + Roff(entry.Text) + "\n";
    return page;
}

// What check reports, kind by kind, from the one table the reports read.
std::string Findings() {
    std::string page =
        ".SH FINDINGS\n.PP\nThe kinds of finding that " + Bold("check") +
        Roff(" reports, named as its text, JSON and SARIF name them, each with its level in SARIF "
             "and the options without which it does not look for it.") +
        "\n";
    for (const FindingKindInfo& kind : FindingKinds()) {
        std::string options;
        for (const char* option : kind.Options)
            options += (options.empty() ? "; with " : " and ") + Bold(option);
        page +=
            ".TP\n" + Bold(kind.Name) + " (" + kind.Level() + options + ")\n" + Roff(kind.Description) + "\n";
    }
    return page;
}

} // namespace

std::string ManualPage(const std::string& version, const std::string& date) {
    const ToolTexts& texts = Texts();
    std::string page =
        ".\\\" The manual page of " + texts.Name + ", written from the tool's own description.\n";
    page += ".TH " + Roff(AsciiUpperCase(texts.Name)) + " 1 \"" + Roff(date) + "\" \"" +
            Roff(texts.Name + " " + version) + "\" \"User Commands\"\n";
    page += ".SH NAME\n" + Roff(texts.Name) + " \\- " + Roff(texts.Purpose) + "\n";
    page += Synopsis(texts.Name);

    page += ".SH DESCRIPTION\n";
    for (const std::string& paragraph : texts.Description)
        page += ".PP\n" + Roff(paragraph) + "\n";

    page += ".SH COMMANDS\n";
    for (const CommandInfo& command : Commands())
        page +=
            ".TP\n" + Bold(command.Name) + " " + Italic(command.Operand) + "\n" + Roff(command.Text) + "\n";

    page += ".SH OPTIONS\n";
    for (const OptionInfo& option : Options()) {
        page += ".TP\n" + (option.Short.empty() ? "" : Bold(option.Short) + ", ") + OptionWithValue(option);
        std::string commands;
        for (const std::string& command : option.CommandNames())
            commands += (commands.empty() ? "" : ", ") + Bold(command);
        page += (commands.empty() ? "" : " (" + commands + ")") + "\n" + Roff(option.Text) + "\n";
    }

    page += Findings();
    page += Entries("EXIT STATUS", texts.ExitStatus, false);
    page += Entries("FILES", texts.Files, true);

    page += ".SH EXAMPLES\n";
    for (const Example& example : texts.Examples) {
        page += ".PP\n" + Roff(example.Text) + "\n.PP\n.RS 4\n.nf\n";
        for (const std::string& line : example.Lines)
            page += Roff(line, false) + "\n";
        page += ".fi\n.RE\n";
    }

    page += ".SH SEE ALSO\n.BR wine (1),\nunder which " + Bold("Quorvel.exe") +
            ", the window of the Windows releases, runs on Linux; the README of the release (" +
            Italic("README.md") + " in the tarball).\n";
    return page;
}
