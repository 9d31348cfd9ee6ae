#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "report/MapReport.h"

int MapCommand(const Arguments& args) {
    const std::string format = args.Value("--format", "h");
    const ScanResult result = ScanProject(args);
    ReportNotices(result.Notices);
    const std::vector<HelpContextEntry> entries = HelpNodes(FormsOnce(result), result.LaterVersions);
    WriteOut(format == "csv" ? MapCsv(entries)
                             : MapHeader(entries, args.Operands()[0], "quorvel-cli " QUORVEL_VERSION,
                                         args.Value("--prefix", kDefaultHelpPrefix)));
    return ScanExitCode(result);
}
