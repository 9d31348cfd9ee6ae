#include "controls/FilenameEdit.h"

#include "controls/FileNames.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

TFilenameEdit::TFilenameEdit(TComponent* owner) : TFileDirEdit(owner) {
    dialog_ = new TOpenDialog(this);
    dialog_->SetTitle(LoadResString(SBrowse));
    dialog_->SetFilter(LoadResString(SDefaultFilter));
    dialog_->SetOptions(ofHideReadOnly);
    dialog_->SetFilterIndex(1);
}

void TFilenameEdit::CreateParams(TCreateParams& params) {
    TFileDirEdit::CreateParams(params);
    params.WinClassName = "TFilenameEdit";
}

void TFilenameEdit::SetDialogKind(TFileDialogKind value) {
    if (dialogKind_ == value)
        return;
    TOpenDialog* replacement = value == dkSave ? new TSaveDialog(this) : new TOpenDialog(this);
    replacement->SetDefaultExt(dialog_->DefaultExt());
    replacement->SetFileEditStyle(dialog_->FileEditStyle());
    replacement->SetFileName(dialog_->FileName());
    replacement->SetFilter(dialog_->Filter());
    replacement->SetFilterIndex(dialog_->FilterIndex());
    replacement->SetInitialDir(dialog_->InitialDir());
    replacement->SetHistoryList(dialog_->HistoryList());
    replacement->SetOptions(dialog_->Options());
    replacement->SetTitle(dialog_->Title());
    replacement->HelpContext = dialog_->HelpContext;
    replacement->OnRequest = dialog_->OnRequest;
    delete dialog_;
    dialog_ = replacement;
    dialogKind_ = value;
}

std::string TFilenameEdit::FileName() const {
    return ExtractNameFromText(Text());
}

void TFilenameEdit::SetFileName(const std::string& value) {
    if (!value.empty() && !IsUsableFileName(ExtractNameFromText(value)))
        throw EComboEditError(SInvalidFileName, {value});
    SetText(QuoteNameWithBlanks(value));
}

void TFilenameEdit::PerformButtonAction() {
    TFileDirEdit::PerformButtonAction(); // OnButtonClick
    std::string name = ExtractNameFromText(Text());
    bool action = true;
    DoBeforeDialog(name, action);
    if (!action)
        return;
    // A name that is no usable file name leaves the dialog where the last run left it.
    if (IsUsableFileName(name)) {
        const std::string folder = ExtractFolderPart(name);
        if (FolderExists(folder))
            dialog_->SetInitialDir(folder);
        dialog_->SetFileName(name);
    }
    dialog_->HelpContext = HelpContext;
    SuppressErrorBoxes();
    try {
        action = dialog_->Execute();
    } catch (...) {
        RestoreErrorBoxes();
        throw;
    }
    RestoreErrorBoxes();
    if (action)
        name = dialog_->FileName();
    if (CanFocus())
        SetFocus();
    DoAfterDialog(name, action);
    if (action) {
        SetText(QuoteNameWithBlanks(name)); // OnChange runs here, before the folder is remembered
        dialog_->SetInitialDir(ExtractFolderPart(dialog_->FileName()));
    }
}
