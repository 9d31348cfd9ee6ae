#include <exception>
#include <filesystem>
#include <string>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "scanner/HelpContextScan.h"

namespace {

// A Rescan as if PROJECT had been chosen in the browse dialog: the project is opened by the name as
// given, and relative form names resolve against its folder, which becomes the current directory.
void ScanProject(const std::string& project, TMemoryTree& tree) {
    if (project.empty())
        return;
    const std::string nameList = LoadFormNameList(project);
    const std::filesystem::path folder = std::filesystem::path(project).parent_path();
    if (!folder.empty())
        std::filesystem::current_path(folder);
    tree.Clear();
    ScanFormNames(nameList, tree);
}

} // namespace

int ScanCommand(const Arguments& args) {
    const bool json = args.Has("--json");
    TMemoryTree tree;
    std::string error;
    try {
        ScanProject(args.Operands()[0], tree);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    // The nodes found before a failure are printed all the same, then the message.
    WriteOut(json ? tree.ToJson() : tree.ToText());
    return error.empty() ? kExitSuccess : Fail(error);
}
