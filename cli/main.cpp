// quorvel-cli: the help-context scan, its help map and checks, and the form conversion from the
// command line.
#include <exception>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#endif

#include "cli/Arguments.h"
#include "cli/Commit.h"
#include "cli/Output.h"
#include "cli/Usage.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

namespace {

int ReportUsageError(const std::string& problem, const std::string& usage) {
    os::WriteStdErr("quorvel-cli: " + problem + "\n" + usage);
    return kExitUsage;
}

int Run(const std::vector<std::string>& args) {
    if (AsksFor(args, {"--help", "-h"})) {
        WriteOut(HelpText());
        return kExitSuccess;
    }
    if (AsksFor(args, {"--version"})) {
        WriteOut("quorvel-cli " QUORVEL_VERSION " (" QUORVEL_COMMIT ")\n");
        return kExitSuccess;
    }
    if (args.empty())
        return ReportUsageError("missing command", UsageLines());
    const CommandInfo* command = FindCommand(args[0]);
    if (!command)
        return ReportUsageError("unknown command '" + args[0] + "'", UsageLines());
    try {
        const Arguments parsed(std::vector<std::string>(args.begin() + 1, args.end()),
                               ParsedOptionsOf(*command));
        if (parsed.Operands().size() != 1) {
            throw UsageError(command->Name + (parsed.Operands().empty() ? " needs a " : " takes one ") +
                             command->Operand);
        }
        return command->Run(parsed);
    } catch (const UsageError& error) {
        return ReportUsageError(error.what(), UsageLines(*command));
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
    } catch (...) {
        return Fail(ErrorMessage(std::current_exception()));
    }
}
