#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "report/CoverageReport.h"

int CoverageCommand(const Arguments& args) {
    const ScanResult result = ScanProject(args, true);
    ReportNotices(result.Notices);
    const std::vector<const ScannedForm*> forms = FormsOnce(result);
    if (args.Has("--json"))
        WriteOut(CoverageJson(forms, result.LaterVersions));
    else if (args.Has("--csv"))
        WriteOut(CoverageCsv(forms, result.LaterVersions));
    else
        CoverageText(forms, result.LaterVersions, WriteOut);
    return ScanExitCode(result);
}
