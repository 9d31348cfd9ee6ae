#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "scanner/HelpMap.h"

// Exit 0 for a clean project and 1 for findings, so a build can stop on them; a failed scan also
// exits with 1 and says so on standard error.
int CheckCommand(const Arguments& args) {
    const ProjectScan scan(args.Operands()[0], args, true);
    const std::vector<HelpContextFinding> findings = CheckHelpContexts(NumberedNodes(scan.Tree()));
    WriteOut(args.Has("--json") ? FindingsJson(findings)
                                : FindingsText(findings, scan.Tree().Roots().size()));
    const int scanExit = scan.Finish();
    if (scanExit != kExitSuccess)
        return scanExit;
    return findings.empty() ? kExitSuccess : kExitFailure;
}
