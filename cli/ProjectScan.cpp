#include "cli/ProjectScan.h"

#include <algorithm>

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "scanner/Rescan.h"

namespace {

// The code pages forms are saved in: Windows' single-byte ones, Thai and the four East Asian ones.
unsigned CodePageOption(const Arguments& args) {
    static const unsigned kCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                          1252, 1253, 1254, 1255, 1256, 1257, 1258};
    const std::string value = args.Value("--codepage", "");
    if (value.empty() && !args.Has("--codepage"))
        return 0;
    const unsigned page = value.find_first_not_of("0123456789") == std::string::npos && value.size() <= 5
                              ? static_cast<unsigned>(std::stoul("0" + value))
                              : 0;
    if (std::find(std::begin(kCodePages), std::end(kCodePages), page) == std::end(kCodePages))
        throw UsageError("unknown code page '" + value + "'; use 1250 to 1258, 874, 932, 936, 949 or 950");
    return page;
}

} // namespace

ScanResult ScanProject(const Arguments& args) {
    ScanOptions options;
    options.AnyVersion = args.Has("--any-version");
    options.KeepGoing = args.Has("--keep-going");
    options.CodePage = CodePageOption(args);
    return Rescan(args.Operands()[0], options);
}

int ScanExitCode(const ScanResult& result) {
    if (result.Failure)
        return Fail(result.FailureMessage());
    const bool formFailed = std::any_of(result.Notices.begin(), result.Notices.end(),
                                        [](const Notice& notice) { return notice.What == Notice::kError; });
    return formFailed ? kExitFailure : kExitSuccess;
}
