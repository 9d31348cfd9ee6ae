#include <algorithm>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "help/HelpLinks.h"
#include "help/HelpProject.h"
#include "scanner/HelpMap.h"

namespace {

bool IsError(const Notice& notice) {
    return notice.What == Notice::kError;
}

} // namespace

// Exit 0 for a clean project and 1 for findings, so a build can stop on them; a failed scan also
// exits with 1 and says so on standard error.
int CheckCommand(const Arguments& args) {
    static const std::string kDefaultPrefix = "IDH_";
    if (args.Has("--json") && args.Has("--sarif"))
        throw UsageError("--json and --sarif exclude each other");
    const bool withHelp = args.Has("--help-project");
    const std::string helpFile = args.Value("--help-project", "");
    if (withHelp && HelpProjectKindOf(helpFile) == HelpProjectKind::kNone)
        throw UsageError("a help project is a .hhp or .hpj file: '" + helpFile + "'");
    const bool keepGoing = args.Has("--keep-going");
    // The help project is read before the forms. One that cannot be read ends the run before any
    // report; so does a file it names that is there and cannot be read, unless --keep-going lets the
    // check go on without it.
    HelpProjectReading help;
    if (withHelp) {
        help = ReadHelpProject(helpFile);
        const auto error = std::find_if(help.Notices.begin(), help.Notices.end(), IsError);
        if (!help.Read || (error != help.Notices.end() && !keepGoing)) {
            ReportNotices(std::vector<Notice>(help.Notices.begin(), error));
            return Fail(NoticeText(*error));
        }
    }

    const ProjectScan scan(args.Operands()[0], args, true);
    std::vector<Notice> notices = help.Notices;
    notices.insert(notices.end(), scan.Notices().begin(), scan.Notices().end());
    ReportNotices(notices);
    const std::vector<HelpContextEntry> entries = NumberedNodes(scan.Tree());
    std::vector<HelpContextFinding> findings = CheckHelpContexts(entries);
    if (withHelp)
        findings = MergeFindings(
            findings, CheckHelpProject(entries, help.Project, args.Value("--prefix", kDefaultPrefix)));
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
        WriteOut(FindingsSarif(findings, files, notices, "quorvel-cli", QUORVEL_VERSION));
    } else {
        WriteOut(args.Has("--json") ? FindingsJson(findings, notices)
                                    : FindingsText(findings, scan.FormsRead()));
    }
    const int scanExit = scan.Finish();
    if (scanExit != kExitSuccess)
        return scanExit;
    return findings.empty() && std::none_of(notices.begin(), notices.end(), IsError) ? kExitSuccess
                                                                                     : kExitFailure;
}
