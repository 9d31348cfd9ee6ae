#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "scanner/FormSource.h"
#include "scanner/ScanResult.h"

// The one scan of a project, from the name the user gave to the result, for the window and the tool
// alike: the project file of any version, then each listed form of any version.

// How a Rescan reads a project.
struct ScanOptions {
    // Also the XML project files and text-saved forms of the environment's later versions; their
    // names may be UTF-8.
    bool AnyVersion = false;
    // A form that fails is an error notice, and the scan goes on; otherwise its error ends the scan.
    bool KeepGoing = false;
    // Each form's whole component tree too (ScannedForm::Tree), for the commands that look at every
    // component: the others keep only the nodes with help.
    bool KeepTrees = false;
    // The code page the forms' names were saved in; 0 for the system's (os::SystemCodePage).
    unsigned CodePage = 0;
    // How many forms are read at once, on as many threads (the calling one among them; a short list gets
    // fewer); 0 for one per processor core. The result is the same whatever the number.
    unsigned Threads = 0;
    // When set, looked at before each form: once it holds true the scan ends, cancelled.
    const std::atomic<bool>* Cancel = nullptr;
    // When set, called once the project's name list is read, before any form is: the project file and
    // the names it lists.
    std::function<void(const std::string& projectFile, const std::vector<std::string>& names)> ListRead;
    // When set, called as each listed name is done, from the thread that did it: how many are done.
    std::function<void(std::size_t done)> Progress;
};

// A project as the user named it: the file to read, and the name its messages give it (the file-name
// edit's text as typed, the command line's argument).
struct ProjectName {
    ProjectName() = default;
    ProjectName(std::string file) : File(file), Shown(std::move(file)) {}
    ProjectName(const char* file) : ProjectName(std::string(file)) {}
    ProjectName(std::string file, std::string shown) : File(std::move(file)), Shown(std::move(shown)) {}

    std::string File;
    std::string Shown;
};

// The whole Rescan of a project: nothing when it names no file (an empty name); otherwise the project
// file is read, and every listed file that is found is read through `source` (from several threads at
// once) and searched; the result holds them in the list's order. A name that is not found is skipped,
// with a warning when it names a file; a name found only among several of another case is read with a
// warning. The error that ends the scan (the project cannot be read; a form fails: the first in the
// list's order) is the result's Failure, beside the forms listed before it.
ScanResult Rescan(const ProjectName& project, TFormSource& source, const ScanOptions& options = {});
// The same, each form read from its file.
ScanResult Rescan(const ProjectName& project, const ScanOptions& options = {});
