#pragma once

#include "controls/ComboEdit.h"

#include <functional>
#include <string>

// Raised around the dialog of a file or folder edit: `name` may be changed, and `action` set to false
// to cancel.
using TExecOpenDialogEvent = std::function<void(TObject* sender, std::string& name, bool& action)>;

// The folder glyph of the browse button, loaded from the "FEDITBMP" resource on first use and kept
// until the program ends; every file-name edit takes a copy.
const TBitmap& SharedFolderGlyph();

// A combo edit whose button opens a file or folder dialog: the hooks around the dialog, the
// suppression of the platform's critical-error boxes while it runs, and the folder glyph by default.
class TFileDirEdit : public TCustomComboEdit {
public:
    explicit TFileDirEdit(TComponent* owner);

    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;

    // Names typed into the edit are completed from the file system, as in the Run box (off by default).
    bool PathCompletion() const { return pathCompletion_; }
    void SetPathCompletion(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void ApplyDefaultGlyph() override;

    void DoBeforeDialog(std::string& name, bool& action);
    void DoAfterDialog(std::string& name, bool& action);
    // Drive errors (a drive without a medium) go to the dialog instead of a box of the platform's own;
    // RestoreErrorBoxes puts the previous error mode back.
    void SuppressErrorBoxes();
    void RestoreErrorBoxes();

private:
    UINT savedErrorMode_ = 0;
    bool pathCompletion_ = false;
};
