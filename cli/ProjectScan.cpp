#include "cli/ProjectScan.h"

#include <exception>
#include <optional>

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "scanner/HelpContextScan.h"
#include "scanner/ProjectFile.h"
#include "scanner/TextForm.h"

namespace {

// Everything the tool asks of the scan core, in one place. A Rescan as if PROJECT had been typed into
// the window: the project is opened by the name as given, and relative form names are looked up in
// its folder.
template <typename OnFormFailure>
void ScanProjectForms(const std::string& project, const ScanOptions& options, TResultTree& tree,
                      OnFormFailure onFormFailure) {
    if (project.empty())
        return;
    std::optional<std::string> nameList;
    if (options.AnyVersion)
        nameList = LoadXmlProjectNameList(project);
    if (!nameList)
        nameList = LoadFormNameList(project);
    tree.Clear();
    ScanFormNames(ProjectFileName(project), *nameList, [&](const ListedForm& form) {
        try {
            if (options.AnyVersion)
                ScanAnyVersionFormFile(form, tree);
            else
                ScanFormFile(form, tree);
        } catch (const std::exception& error) {
            if (!options.KeepGoing)
                throw;
            onFormFailure(form.Name, error);
        }
    });
}

} // namespace

ScanOptions ScanOptionsOf(const Arguments& args) {
    ScanOptions options;
    options.AnyVersion = args.Has("--any-version");
    options.KeepGoing = args.Has("--keep-going");
    return options;
}

ProjectScan::ProjectScan(const std::string& project, const ScanOptions& options) {
    try {
        ScanProjectForms(project, options, tree_,
                         [this](const std::string& name, const std::exception& error) {
                             ReportError(name + ": " + error.what());
                             formsFailed_ = true;
                         });
    } catch (const std::exception& error) {
        error_ = error.what();
    }
}

int ProjectScan::Finish() const {
    if (!error_.empty())
        return Fail(error_);
    return formsFailed_ ? kExitFailure : kExitSuccess;
}
