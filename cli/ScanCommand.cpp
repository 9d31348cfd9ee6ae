#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "report/ScanReport.h"

int ScanCommand(const Arguments& args) {
    const ScanResult result = ScanProject(args);
    ReportNotices(result.Notices);
    if (args.Has("--json"))
        WriteOut(ScanJson(result));
    else
        ScanText(result, WriteOut);
    return ScanExitCode(result);
}
