#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"

int ScanCommand(const Arguments& args) {
    const ProjectScan scan(args.Operands()[0], args, false);
    ReportNotices(scan.Notices());
    WriteOut(args.Has("--json") ? scan.Tree().ToJson() : scan.Tree().ToText());
    return scan.Finish();
}
