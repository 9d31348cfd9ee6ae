#pragma once

#include "controls/FileDirEdit.h"
#include "framework/Dialogs.h"

#include <string>
#include <vector>

enum TFileDialogKind { dkOpen, dkSave };

// A one-line edit for a file name with a browse button. The button (or Alt+Down) opens the file
// dialog pre-set from the text; a confirmed choice is written back, in double quotes when it holds a
// blank, and the dialog remembers where it ended for the next time.
class TFilenameEdit : public TFileDirEdit {
public:
    explicit TFilenameEdit(TComponent* owner);

    TFileDialogKind DialogKind() const { return dialogKind_; }
    // Replaces the dialog by one of the other kind that takes over every setting.
    void SetDialogKind(TFileDialogKind value);
    TOpenDialog& Dialog() { return *dialog_; }

    // The name in the text: without quotes, and only its first token unless the whole text names an
    // existing file.
    std::string FileName() const;
    // Sets the text to the name, quoted when it holds a blank. Raises EComboEditError for a name that
    // is not usable.
    void SetFileName(const std::string& value);

    // Settings of the dialog, held by it.
    const std::string& Filter() const { return dialog_->Filter(); }
    void SetFilter(const std::string& value) { dialog_->SetFilter(value); }
    int FilterIndex() const { return dialog_->FilterIndex(); }
    void SetFilterIndex(int value) { dialog_->SetFilterIndex(value); }
    const std::string& DialogTitle() const { return dialog_->Title(); }
    void SetDialogTitle(const std::string& value) { dialog_->SetTitle(value); }
    TOpenOptions DialogOptions() const { return dialog_->Options(); }
    void SetDialogOptions(TOpenOptions value) { dialog_->SetOptions(value); }
    const std::string& DefaultExt() const { return dialog_->DefaultExt(); }
    void SetDefaultExt(const std::string& value) { dialog_->SetDefaultExt(value); }
    const std::string& InitialDir() const { return dialog_->InitialDir(); }
    void SetInitialDir(const std::string& value) { dialog_->SetInitialDir(value); }
    TFileEditStyle FileEditStyle() const { return dialog_->FileEditStyle(); }
    void SetFileEditStyle(TFileEditStyle value) { dialog_->SetFileEditStyle(value); }
    const std::vector<std::string>& HistoryList() const { return dialog_->HistoryList(); }
    void SetHistoryList(const std::vector<std::string>& value) { dialog_->SetHistoryList(value); }

    // The browse sequence: the dialog opens on the text's name and folder; a confirmed choice becomes
    // the text (raising OnChange) and the dialog's next initial folder.
    void PerformButtonAction() override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TOpenDialog* dialog_; // owned (as component)
    TFileDialogKind dialogKind_ = dkOpen;
};
