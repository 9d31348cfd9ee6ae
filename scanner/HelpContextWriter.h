#pragma once

#include <string>
#include <vector>

#include "formstream/PropertyInserter.h"
#include "io/Os.h"
#include "io/SafeReplace.h"
#include "scanner/ScanResult.h"

// Numbers written into the form files of a project a scan read, so that nothing is lost: each form
// changes only by its new HelpContext properties, and is replaced only once the new file reads back as
// the form it was with those numbers.
class THelpContextWriter {
public:
    // The project as the scan read it (its folder is where relative form names are looked up), and
    // whether the scan read later versions' text forms.
    THelpContextWriter(const std::string& projectFile, bool anyVersion,
                       TFileSystem& fileSystem = NativeFileSystem());

    // Gives the components of `form` (read by that scan, with its tree) the numbers of `settings`, by
    // their places in its tree: the file is found again as the scan found it and read once; it must
    // still give the tree the scan read (else EFileReplaceError "the file changed since it was read");
    // the properties go in (SetHelpContexts, or SetHelpContextsInText for a text form); and the file
    // is replaced by ReplaceFileSafely, whose check reads the new bytes as the scan reads a form and
    // wants the old tree with exactly the new numbers. Errors pass through; those of the replace
    // name the form as listed, and so do those of opening it.
    void Write(const ScannedForm& form, const std::vector<THelpContextSetting>& settings);

private:
    std::string folder_;
    bool anyVersion_;
    TFileSystem& fileSystem_;
    os::FileLocator locator_;
};
