// quorvel-cli: the help-context scan and the form conversion from the command line.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <csignal>
#endif

#include "cli/Text2FormCommand.h"
#include "formstream/FormText.h"
#include "formstream/Streams.h"
#include "runtime/Exceptions.h"
#include "scanner/HelpContextScan.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] = "usage: quorvel-cli form2text FILE | quorvel-cli text2form [--resource-name NAME] "
                      "[--wide utf16|utf8] FILE | "
                      "quorvel-cli scan [--json] PROJECT | quorvel-cli --help | "
                      "quorvel-cli --version";

const char kHelp[] =
    "quorvel-cli - list the HelpContext numbers of a project's forms\n"
    "\n"
    "usage:\n"
    "  quorvel-cli scan [--json] PROJECT   scan the forms listed in PROJECT's RESDEPEN macro\n"
    "                                      and print forms and components with their numbers\n"
    "  quorvel-cli form2text FILE          print the text rendering of a binary form file\n"
    "  quorvel-cli text2form [--resource-name NAME] [--wide utf16|utf8] FILE\n"
    "                                      write the binary form file of a form's text\n"
    "  quorvel-cli --help                  show this help\n"
    "  quorvel-cli --version               show the version\n"
    "\n"
    "Relative form names are looked up in PROJECT's folder. On an error, what was produced\n"
    "before it is printed, then the message on standard error; the exit code is 1.\n";

int UsageError(const std::string& problem) {
    std::cerr << "quorvel-cli: " << problem << '\n' << kUsage << '\n';
    return kExitUsage;
}

// The message as the window's error box shows it: always followed by a full stop.
int Failure(const std::string& message) {
    std::cout.flush();
    std::cerr << "quorvel-cli: " << message << ".\n";
    return kExitFailure;
}

int Form2Text(const std::string& fileName) {
    try {
        TFileStream input(fileName, fmOpenRead);
        THandleStream output(os::StdOutHandle());
        FormFileToText(input, output);
        return 0;
    } catch (const std::exception& error) {
        return Failure(error.what());
    }
}

void PrintTree(const TMemoryTree& tree, bool json) {
    const std::string text = json ? tree.ToJson() : tree.ToText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// A Rescan as if PROJECT had been chosen in the browse dialog: the project is opened by the name as
// given, and relative form names resolve against its folder, which becomes the current directory.
int Scan(const std::string& project, bool json) {
    TMemoryTree tree;
    try {
        if (!project.empty()) {
            const std::string nameList = LoadFormNameList(project);
            const std::filesystem::path folder = std::filesystem::path(project).parent_path();
            if (!folder.empty())
                std::filesystem::current_path(folder);
            tree.Clear();
            ScanFormNames(nameList, tree);
        }
    } catch (const std::exception& error) {
        PrintTree(tree, json);
        return Failure(error.what());
    }
    PrintTree(tree, json);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Output is exact bytes: LF stays LF, and the conversion's CR LF is not doubled.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A closed pipe on standard output is a write error to report, not a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("missing command");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::cout << kHelp;
        return 0;
    }
    if (command == "--version") {
        std::cout << "quorvel-cli " << QUORVEL_VERSION << '\n';
        return 0;
    }
    if (command == "form2text") {
        if (args.size() != 2)
            return UsageError(args.size() < 2 ? "form2text needs a FILE" : "form2text takes one FILE");
        return Form2Text(args[1]);
    }
    if (command == "text2form")
        return Text2FormCommand({args.begin() + 1, args.end()});
    if (command == "scan") {
        bool json = false;
        bool optionsEnded = false;
        std::vector<std::string> operands;
        for (size_t i = 1; i < args.size(); ++i) {
            if (!optionsEnded && args[i] == "--json")
                json = true;
            else if (!optionsEnded && args[i] == "--")
                optionsEnded = true;
            else if (!optionsEnded && args[i].size() > 1 && args[i][0] == '-')
                return UsageError("unknown option '" + args[i] + "'");
            else
                operands.push_back(args[i]);
        }
        if (operands.size() != 1)
            return UsageError(operands.empty() ? "scan needs a PROJECT" : "scan takes one PROJECT");
        return Scan(operands[0], json);
    }
    return UsageError("unknown command '" + command + "'");
}
