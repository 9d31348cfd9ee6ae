#pragma once

#include <string>

#include "scanner/ResultTree.h"

class Arguments;

// How a command that scans a project reads it: --any-version, --keep-going.
struct ScanOptions {
    // Also XML project files and text-saved forms of the environment's later versions.
    bool AnyVersion = false;
    // A failing form is reported on standard error and skipped; the scan goes on.
    bool KeepGoing = false;
};

// The options every project command takes, beside its own.
ScanOptions ScanOptionsOf(const Arguments& args);

// A Rescan of PROJECT for scan, map and check, run by the constructor. Failures of single forms
// under KeepGoing are reported on standard error as they happen; the failure that ends a scan is
// kept, so the command writes what was found before it reports it.
class ProjectScan {
public:
    ProjectScan(const std::string& project, const ScanOptions& options);

    const TMemoryTree& Tree() const { return tree_; }
    // Reports the failure that ended the scan, if any. The exit code of the command when its own
    // output raises no further failure: 1 when the scan or any form failed, else 0.
    int Finish() const;

private:
    TMemoryTree tree_;
    bool formsFailed_ = false;
    std::string error_;
};
