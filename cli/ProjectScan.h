#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/Notice.h"
#include "scanner/HelpContextScan.h"
#include "scanner/Rescan.h"
#include "scanner/ResultTree.h"

class Arguments;

// A Rescan of PROJECT for scan, map and check, run by the constructor. The failure that ends a scan is
// kept, so the command writes what was found before it reports it.
class ProjectScan {
public:
    // `eachFileOnce`: a form file listed twice counts once (map and check).
    ProjectScan(const std::string& project, const Arguments& args, bool eachFileOnce);

    const TMemoryTree& Tree() const { return tree_; }
    // In the order met: listed forms not found or found only without regard to case (warnings), and
    // under --keep-going the forms that failed (errors).
    const std::vector<Notice>& Notices() const { return notices_; }
    // The forms read whole.
    std::size_t FormsRead() const { return formsRead_; }
    // Reports the failure that ended the scan, if any. The exit code of the command when its own
    // output raises no further failure: 1 when the scan or any form failed, else 0.
    int Finish() const;
    // The form file, as the project lists it, that the tree's root `root` came from.
    const std::string& FormFile(size_t root) const;

private:
    TMemoryTree tree_;
    std::vector<std::string> formFiles_;
    std::vector<Notice> notices_;
    std::size_t formsRead_ = 0;
    bool formsFailed_ = false;
    std::string error_;
};
