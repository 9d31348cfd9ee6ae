// quorvel-cli: the help-context scan, its help map and checks, and the form conversion from the
// command line.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#endif

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "io/Os.h"

namespace {

struct Command {
    const char* Name;
    // The command's usage after "quorvel-cli ".
    const char* Usage;
    // What its one operand names.
    const char* Operand;
    std::vector<CommandOption> Options;
    int (*Run)(const Arguments& args);
};

const Command kCommands[] = {
    {"scan",
     "scan [--json] [--any-version] [--keep-going] PROJECT",
     "PROJECT",
     {{"--json", false}, {"--any-version", false}, {"--keep-going", false}, {"--codepage", true}},
     ScanCommand},
    {"map",
     "map [--format h|csv] [--prefix P] [--any-version] [--keep-going] PROJECT",
     "PROJECT",
     {{"--format", true},
      {"--prefix", true},
      {"--any-version", false},
      {"--keep-going", false},
      {"--codepage", true}},
     MapCommand},
    {"check",
     "check [--json | --sarif] [--help-project FILE] [--prefix P] [--any-version] [--keep-going] PROJECT",
     "PROJECT",
     {{"--json", false},
      {"--sarif", false},
      {"--help-project", true},
      {"--prefix", true},
      {"--any-version", false},
      {"--keep-going", false},
      {"--codepage", true}},
     CheckCommand},
    {"form2text", "form2text FILE", "FILE", {}, Form2TextCommand},
    {"text2form",
     "text2form [--resource-name NAME] [--wide utf16|utf8] FILE",
     "FILE",
     {{"--resource-name", true}, {"--wide", true}},
     Text2FormCommand},
};

const char kHelp[] =
    "quorvel-cli - list the HelpContext numbers of a project's forms\n"
    "\n"
    "usage:\n"
    "  quorvel-cli scan [--json] [--any-version] [--keep-going] PROJECT\n"
    "      Scan the forms listed in PROJECT's RESDEPEN macro and print every form and\n"
    "      component whose HelpContext is set, with its number; --json prints a JSON array.\n"
    "  quorvel-cli map [--format h|csv] [--prefix P] [--any-version] [--keep-going] PROJECT\n"
    "      Write every numbered node as the map a help project includes: h (the default),\n"
    "      a C header of \"#define IDH_Form_Component 110\" lines; csv, rows of form,\n"
    "      component, number. Identifiers begin with P (default IDH_).\n"
    "  quorvel-cli check [--json | --sarif] [--help-project FILE] [--prefix P]\n"
    "                    [--any-version] [--keep-going] PROJECT\n"
    "      Report every number held by more than one node (sharing a topic may be meant;\n"
    "      it is listed all the same) and every negative number. With a help project FILE\n"
    "      (.hhp or .hpj) also every number it does not map (unmapped), every mapped number\n"
    "      that reaches no topic (no-topic) and every identifier that map (with prefix P)\n"
    "      writes with another number (stale). --sarif writes a SARIF 2.1.0 log, each\n"
    "      finding located at its first node's form file. Exit 1 with findings.\n"
    "  quorvel-cli form2text FILE\n"
    "      Print the text rendering of a binary form file.\n"
    "  quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE\n"
    "      Write the binary form file of a form's text (CR LF or LF lines) to standard output,\n"
    "      only once it is whole. The resource is named after the root's class in upper case\n"
    "      unless NAME is given; strings with characters above 255 are stored as UTF-16 (the\n"
    "      default) or UTF-8.\n"
    "  quorvel-cli --help | --version\n"
    "\n"
    "options for reading a project (scan, map, check):\n"
    "  --any-version  Also read what later versions of the environment write: XML project\n"
    "                 files (.bpr: the forms in the value of their RESDEPEN element) and\n"
    "                 forms saved as text (searched as they stand). Without it the tool\n"
    "                 reads what the window reads: makefiles and binary forms.\n"
    "  --keep-going   Report a form that cannot be read on standard error as\n"
    "                 \"quorvel-cli: NAME: MESSAGE.\" and go on with the next; the exit code\n"
    "                 is then 1. A project file that cannot be read still ends the run.\n"
    "                 check goes on in the same way without a help project's file that\n"
    "                 cannot be read.\n"
    "Options may stand anywhere among the arguments.\n"
    "\n"
    "Relative form names are looked up in PROJECT's folder; listed files that do not exist\n"
    "are skipped. On an error, what was produced before it is printed (text2form prints\n"
    "nothing), then the message on standard error; the exit code is 1. Usage errors exit\n"
    "with 2.\n";

std::string UsageLines() {
    std::string lines;
    for (const Command& command : kCommands)
        lines += std::string(lines.empty() ? "usage: " : "       ") + "quorvel-cli " + command.Usage + '\n';
    return lines + "       quorvel-cli --help | --version\n";
}

int ReportUsageError(const std::string& problem, const std::string& usage) {
    os::WriteStdErr("quorvel-cli: " + problem + "\n" + usage);
    return kExitUsage;
}

int Run(const std::vector<std::string>& args) {
    if (AsksFor(args, {"--help", "-h"})) {
        WriteOut(kHelp);
        return kExitSuccess;
    }
    if (AsksFor(args, {"--version"})) {
        WriteOut("quorvel-cli " QUORVEL_VERSION "\n");
        return kExitSuccess;
    }
    if (args.empty())
        return ReportUsageError("missing command", UsageLines());
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&args](const Command& c) { return args[0] == c.Name; });
    if (command == std::end(kCommands))
        return ReportUsageError("unknown command '" + args[0] + "'", UsageLines());
    const std::string usage = std::string("usage: quorvel-cli ") + command->Usage + '\n';
    try {
        const Arguments parsed(std::vector<std::string>(args.begin() + 1, args.end()), command->Options);
        if (parsed.Operands().size() != 1) {
            throw UsageError(std::string(command->Name) +
                             (parsed.Operands().empty() ? " needs a " : " takes one ") + command->Operand);
        }
        return command->Run(parsed);
    } catch (const UsageError& error) {
        return ReportUsageError(error.what(), usage);
    }
}

} // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    // A reader that went away is a write error to report, not a signal that ends the process unheard.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    try {
        return Run(os::ProgramArguments(argc, argv));
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
