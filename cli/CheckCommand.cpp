#include <exception>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "io/Os.h"
#include "scanner/HelpMap.h"
#include "scanner/HelpProject.h"

// Exit 0 for a clean project and 1 for findings, so a build can stop on them; a failed scan also
// exits with 1 and says so on standard error.
int CheckCommand(const Arguments& args) {
    static const std::string kDefaultPrefix = "IDH_";
    const bool withHelp = args.Has("--help-project");
    const std::string helpFile = args.Value("--help-project", "");
    if (withHelp && HelpProjectKindOf(helpFile) == HelpProjectKind::kNone)
        throw UsageError("a help project is a .hhp or .hpj file: '" + helpFile + "'");
    // The help project is read before the forms: one that cannot be read ends the run before any
    // report, unless --keep-going lets the check go on without it.
    HelpProject help;
    bool helpFailed = false;
    HelpFileFailure onFailure;
    if (args.Has("--keep-going")) {
        onFailure = [&helpFailed](const std::string& name, const std::exception& error) {
            ReportError(name + ": " + error.what());
            helpFailed = true;
        };
    }
    const bool helpRead = withHelp && ReadHelpProject(helpFile, help, onFailure);

    const ProjectScan scan(args.Operands()[0], args, true);
    const std::vector<HelpContextEntry> entries = NumberedNodes(scan.Tree());
    std::vector<HelpContextFinding> findings = CheckHelpContexts(entries);
    if (helpRead) {
        findings = MergeFindings(
            findings, CheckHelpProject(entries, help, args.Value("--prefix", kDefaultPrefix),
                                       [](const std::string& name) { return os::FileExists(name); }));
    }
    if (args.Has("--sarif")) {
        // The form file of each finding's first node: entries follow the roots in tree order.
        std::vector<std::string> entryFiles;
        const std::vector<TMemoryTree::Item>& roots = scan.Tree().Roots();
        for (size_t root = 0; root < roots.size(); ++root) {
            size_t numbered = roots[root].Number.value_or(0) != 0 ? 1 : 0;
            for (const TMemoryTree::Item& component : roots[root].Children)
                numbered += component.Number.value_or(0) != 0 ? 1 : 0;
            entryFiles.resize(entryFiles.size() + numbered, scan.FormFile(root));
        }
        std::vector<std::string> files;
        for (const HelpContextFinding& finding : findings)
            files.push_back(finding.FirstEntry < entryFiles.size() ? entryFiles[finding.FirstEntry] : "");
        WriteOut(FindingsSarif(findings, files, "quorvel-cli", QUORVEL_VERSION));
    } else {
        WriteOut(args.Has("--json") ? FindingsJson(findings)
                                    : FindingsText(findings, scan.Tree().Roots().size()));
    }
    const int scanExit = scan.Finish();
    if (scanExit != kExitSuccess)
        return scanExit;
    return findings.empty() && !helpFailed ? kExitSuccess : kExitFailure;
}
