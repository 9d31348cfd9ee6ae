#include "scanner/Rescan.h"

#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "scanner/ProjectFile.h"
#include "scanner/TextForm.h"

void Rescan(const std::string& projectText, TResultTree& tree,
            const std::function<void(const ListedForm&)>& scanFormFile, const ScanOptions& options) {
    if (projectText.empty())
        return;
    // The project is read whole first: when that fails, the tree keeps what it shows. A pasted name
    // often brings a blank along; the name without it is tried before the error is reported as typed.
    std::string projectName = projectText;
    std::string nameList;
    try {
        nameList = LoadProjectNameList(projectName, options.AnyVersion);
    } catch (const EFOpenError&) {
        projectName = WithoutSurroundingBlanks(projectText);
        if (projectName.empty() || projectName == projectText)
            throw;
        try {
            nameList = LoadProjectNameList(projectName, options.AnyVersion);
        } catch (const EFOpenError&) {
            throw EFOpenError(SFOpenError, {projectText});
        }
    }
    tree.Clear();
    ScanFormNames(
        ProjectFileName(projectName), nameList,
        [&](const ListedForm& form) {
            if (!options.OnFormFailure)
                return scanFormFile(form);
            try {
                scanFormFile(form);
            } catch (const std::exception& error) {
                options.OnFormFailure(form, error);
            }
        },
        options.EachFileOnce, options.OnNotice);
}

void ScanListedForm(const ListedForm& form, TResultTree& tree, const ScanOptions& options) {
    if (options.AnyVersion)
        ScanAnyVersionFormFile(form, tree);
    else
        ScanFormFile(form, tree);
}

void Rescan(const std::string& projectText, TResultTree& tree, const ScanOptions& options) {
    Rescan(
        projectText, tree, [&](const ListedForm& form) { ScanListedForm(form, tree, options); }, options);
}
