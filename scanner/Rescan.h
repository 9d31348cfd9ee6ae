#pragma once

#include <exception>
#include <functional>
#include <string>

#include "scanner/HelpContextScan.h"
#include "scanner/ResultTree.h"

// The one scan of a project, from the name the user gave to the result tree, for the window and the
// tool alike: the project file of any version, then each listed form of any version.

// How a Rescan reads a project.
struct ScanOptions {
    // Also the XML project files and text-saved forms of the environment's later versions.
    bool AnyVersion = false;
    // A file that the list names more than once, however spelt, is scanned the first time only.
    bool EachFileOnce = false;
    // When set, a form that fails is reported here and skipped; otherwise its error ends the scan.
    std::function<void(const ListedForm& form, const std::exception& error)> OnFormFailure;
    // When set, hears of listed forms that are not found or found only among names of another case.
    FormNameNotice OnNotice;
};

// The whole Rescan of `projectText` (the file-name edit's text): nothing for an empty text; otherwise
// the project's name list is read, the tree emptied and every listed file that exists handed to
// `scanFormFile` in order (without one, ScanFormFile, or ScanAnyVersionFormFile under AnyVersion, into
// the same tree). A text that names no file is tried once more without its leading and trailing blanks
// before its error is raised. Errors pass through and leave the nodes added before them.
void Rescan(const std::string& projectText, TResultTree& tree,
            const std::function<void(const ListedForm&)>& scanFormFile, const ScanOptions& options = {});
void Rescan(const std::string& projectText, TResultTree& tree, const ScanOptions& options = {});

// What a Rescan without its own step does with each listed form: ScanFormFile, or under AnyVersion
// ScanAnyVersionFormFile.
void ScanListedForm(const ListedForm& form, TResultTree& tree, const ScanOptions& options);
