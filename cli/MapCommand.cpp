#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "scanner/HelpMap.h"

int MapCommand(const Arguments& args) {
    static const std::string kDefaultFormat = "h";
    static const std::string kDefaultPrefix = "IDH_";
    const std::string format = args.Value("--format", kDefaultFormat);
    const std::string& project = args.Operands()[0];
    const ProjectScan scan(project, args, true);
    const std::vector<HelpContextEntry> entries = NumberedNodes(scan.Tree());
    WriteOut(format == "csv" ? HelpMapCsv(entries)
                             : HelpMapHeader(entries, project, "quorvel-cli " QUORVEL_VERSION,
                                             args.Value("--prefix", kDefaultPrefix)));
    return scan.Finish();
}
