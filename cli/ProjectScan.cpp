#include "cli/ProjectScan.h"

#include <exception>

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "scanner/HelpContextScan.h"
#include "scanner/Rescan.h"

// A Rescan as if PROJECT had been typed into the window: the project is opened by the name as given,
// and relative form names are looked up in its folder.
ProjectScan::ProjectScan(const std::string& project, const Arguments& args, bool eachFileOnce) {
    ScanOptions options;
    options.AnyVersion = args.Has("--any-version");
    options.EachFileOnce = eachFileOnce;
    options.OnNotice = [this](const Notice& notice) { notices_.push_back(notice); };
    if (args.Has("--keep-going")) {
        options.OnFormFailure = [this](const ListedForm& form, const std::exception& error) {
            notices_.push_back(Notice{Notice::kError, form.Name, 0, error.what()});
            formsFailed_ = true;
        };
    }
    try {
        // Each form names the file it came from, for the locations of a SARIF report.
        const auto noteForms = [this](size_t before, const ListedForm& form) {
            formFiles_.resize(before);
            formFiles_.resize(tree_.Roots().size(), form.Name);
        };
        Rescan(
            project, tree_,
            [&](const ListedForm& form) {
                const size_t before = tree_.Roots().size();
                try {
                    ScanListedForm(form, tree_, options);
                    ++formsRead_;
                } catch (...) {
                    noteForms(before, form);
                    throw;
                }
                noteForms(before, form);
            },
            options);
    } catch (const std::exception& error) {
        error_ = error.what();
    }
}

int ProjectScan::Finish() const {
    if (!error_.empty())
        return Fail(error_);
    return formsFailed_ ? kExitFailure : kExitSuccess;
}

const std::string& ProjectScan::FormFile(size_t root) const {
    static const std::string kNone;
    return root < formFiles_.size() ? formFiles_[root] : kNone;
}
