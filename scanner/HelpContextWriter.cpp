#include "scanner/HelpContextWriter.h"

#include "io/InputFile.h"
#include "runtime/Messages.h"
#include "scanner/FormSource.h"
#include "scanner/FormTextSearch.h"
#include "scanner/TextForm.h"

THelpContextWriter::THelpContextWriter(const std::string& projectFile, bool anyVersion,
                                       TFileSystem& fileSystem)
    : folder_(os::FolderOf(projectFile)), anyVersion_(anyVersion), fileSystem_(fileSystem) {}

// The bytes are read once, and the file closed again before it is replaced: they are both what the
// properties go into and what the replace wants the file still to hold. The tree is compared first, as
// the plan's places are places in the tree the scan read.
void THelpContextWriter::Write(const ScannedForm& form, const std::vector<THelpContextSetting>& settings) {
    const os::LocatedFile located = locator_.Locate(folder_, form.Listed);
    std::string bytes;
    {
        TInputFile file(located.Path, form.Listed, kMaxFormFileBytes);
        bytes = file.ReadAll();
    }
    const auto treeOf = [this](const std::string& fileBytes) {
        return FormTreeOf(FormTextOfFile(fileBytes, anyVersion_));
    };
    if (!form.Tree || treeOf(bytes) != *form.Tree)
        throw EFileReplaceError(SFileChanged, {form.Listed});
    TFormTree expected = *form.Tree;
    for (const THelpContextSetting& setting : settings) {
        if (setting.Component < expected.Nodes.size())
            expected.Nodes[setting.Component].HelpContext = setting.Number;
    }
    const bool text = anyVersion_ && TextFormStart(bytes) != std::string_view::npos;
    const std::string newBytes =
        text ? SetHelpContextsInText(bytes, settings) : SetHelpContexts(bytes, settings);
    ReplaceFileSafely(
        located.Path, form.Listed, bytes, newBytes,
        [&](const std::string& readBack) {
            if (treeOf(readBack) != expected)
                throw Exception(SNotTheTreeWritten, {});
        },
        fileSystem_);
}
