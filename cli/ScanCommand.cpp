#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "report/ScanReport.h"

int ScanCommand(const Arguments& args) {
    const ScanResult result = ScanProject(args);
    ReportNotices(result.Notices);
    WriteOut(args.Has("--json") ? ScanJson(result) : ScanText(result));
    return ScanExitCode(result);
}
