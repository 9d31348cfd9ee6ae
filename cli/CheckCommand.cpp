#include <algorithm>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "help/CoverageCheck.h"
#include "help/HelpLinks.h"
#include "help/HelpProject.h"
#include "report/CheckReport.h"

namespace {

bool IsError(const Notice& notice) {
    return notice.What == Notice::kError;
}

} // namespace

// Exit 0 for a clean project and 1 for findings, so a build can stop on them; a failed scan also
// exits with 1 and says so on standard error.
int CheckCommand(const Arguments& args) {
    const bool withHelp = args.Has("--help-project");
    const std::string helpFile = args.Value("--help-project", "");
    if (withHelp && HelpProjectKindOf(helpFile) == HelpProjectKind::kNone)
        throw UsageError("a help project is a .hhp or .hpj file: '" + helpFile + "'");
    // The help project is read before the forms, its keyword index after them, when they ask for
    // keywords. A project that cannot be read ends the run before any report; so does a file it names
    // that is there and cannot be read, unless --keep-going lets the check go on without it.
    HelpProjectReading help;
    const auto helpFailed = [&]() {
        const auto error = std::find_if(help.Notices.begin(), help.Notices.end(), IsError);
        if (help.Read && (error == help.Notices.end() || args.Has("--keep-going")))
            return false;
        ReportNotices(std::vector<Notice>(help.Notices.begin(), error));
        Fail(NoticeText(*error));
        return true;
    };
    if (withHelp) {
        help = ReadHelpProject(helpFile);
        if (helpFailed())
            return kExitFailure;
    }

    const ScanResult result = ScanProject(args, args.Has("--coverage"));
    const std::vector<const ScannedForm*> forms = FormsOnce(result);
    const std::vector<HelpContextEntry> entries = HelpNodes(forms, result.LaterVersions);
    if (withHelp && AsksForKeywords(entries)) {
        ReadKeywordIndex(helpFile, help);
        if (helpFailed())
            return kExitFailure;
    }
    std::vector<Notice> notices = help.Notices;
    notices.insert(notices.end(), result.Notices.begin(), result.Notices.end());
    ReportNotices(notices);
    std::vector<HelpContextFinding> findings =
        MergeFindings(CheckHelpContexts(entries), CheckKeywordHelp(entries));
    if (withHelp) {
        findings = MergeFindings(
            findings, CheckHelpProject(entries, help.Project, args.Value("--prefix", kDefaultHelpPrefix)));
        findings = MergeFindings(findings, CheckKeywords(entries, help.Project));
    }
    if (args.Has("--coverage"))
        findings = MergeFindings(CheckCoverage(forms, entries, result.LaterVersions), findings);
    if (args.Has("--sarif"))
        WriteOut(FindingsSarif(findings, entries, notices, "quorvel-cli", QUORVEL_VERSION));
    else if (args.Has("--json"))
        WriteOut(FindingsJson(findings, entries, notices));
    else
        WriteOut(FindingsText(findings, entries, forms.size()));
    const int scanExit = ScanExitCode(result);
    if (scanExit != kExitSuccess)
        return scanExit;
    return findings.empty() && std::none_of(notices.begin(), notices.end(), IsError) ? kExitSuccess
                                                                                     : kExitFailure;
}
