#include "scanner/Rescan.h"

#include <exception>

#include "scanner/ProjectFile.h"

ScanResult Rescan(const std::string& projectText, TFormSource& source, const ScanOptions& options) {
    ScanResult result;
    if (projectText.empty())
        return result;
    try {
        // The project is read whole first: when that fails, nothing is replaced.
        const std::string projectName = ProjectFileOf(projectText);
        const std::string nameList = LoadProjectNameList(projectName, projectText, options.AnyVersion);
        result.ProjectRead = true;
        result.LaterVersions = options.AnyVersion;
        const NameEncoding encoding{options.CodePage != 0 ? options.CodePage : os::SystemCodePage(),
                                    options.AnyVersion};
        for (const std::string& name : SplitFormNames(nameList)) {
            const os::LocatedFile located = LocateListedForm(projectName, name);
            if (!located.Found) {
                if (NamesAFile(name))
                    result.Notices.push_back(Notice{Notice::kWarning, name, 0, "listed, not found"});
                continue;
            }
            if (located.Ambiguous) {
                result.Notices.push_back(
                    Notice{Notice::kWarning, name, 0,
                           "several files match it without regard to case; " + located.Path + " is read"});
            }
            ScannedForm form;
            form.Listed = name;
            form.Path = located.Path;
            form.Identity = os::FileIdentity(located.Path);
            form.Encoding = encoding;
            try {
                ScanFormText(source.FormText(ListedForm{name, located.Path}), form);
            } catch (const std::exception& error) {
                if (!options.KeepGoing)
                    throw;
                result.Notices.push_back(Notice{Notice::kError, name, 0, error.what()});
                continue;
            }
            result.Forms.push_back(std::move(form));
        }
    } catch (...) {
        result.Failure = std::current_exception();
    }
    return result;
}

ScanResult Rescan(const std::string& projectText, const ScanOptions& options) {
    TFileFormSource source(options.AnyVersion);
    return Rescan(projectText, source, options);
}
