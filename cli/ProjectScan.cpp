#include "cli/ProjectScan.h"

#include <algorithm>
#include <string>

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "report/CheckReport.h"
#include "scanner/Rescan.h"

ScanResult ScanProject(const Arguments& args, bool keepTrees) {
    ScanOptions options;
    options.KeepTrees = keepTrees;
    options.AnyVersion = args.Has("--any-version");
    options.KeepGoing = args.Has("--keep-going");
    // The parser lets only the code pages of forms through.
    options.CodePage = static_cast<unsigned>(std::stoul(args.Value("--codepage", "0")));
    return Rescan(args.Operands()[0], options);
}

int ScanExitCode(const ScanResult& result) {
    if (result.Failure)
        return Fail(NoticeText(*result.Failure));
    const bool formFailed = std::any_of(result.Notices.begin(), result.Notices.end(),
                                        [](const Notice& notice) { return notice.What == Notice::kError; });
    return formFailed ? kExitFailure : kExitSuccess;
}
