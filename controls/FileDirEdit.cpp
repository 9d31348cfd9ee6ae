#include "controls/FileDirEdit.h"

#include "controls/EditButton.h"
#include "controls/PathCompletion.h"
#include "resources/ResourceNames.h"

#include <algorithm>
#include <memory>

const TBitmap& SharedFolderGlyph() {
    static const std::unique_ptr<TBitmap> glyph = [] {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->LoadFromResourceName(nullptr, kFolderGlyph);
        return bitmap;
    }();
    return *glyph;
}

TFileDirEdit::TFileDirEdit(TComponent* owner) : TCustomComboEdit(owner) {
    creating_ = true;
    SetGlyphKind(gkDefault);
    creating_ = false;
}

void TFileDirEdit::CreateParams(TCreateParams& params) {
    TCustomComboEdit::CreateParams(params);
    params.WinClassName = "TFileDirEdit";
    params.Style |= ES_OEMCONVERT;
}

// The completion goes with the window: a window made anew gets it again.
void TFileDirEdit::CreateWnd() {
    TCustomComboEdit::CreateWnd();
    if (pathCompletion_)
        CompletePathsIn(Handle());
}

void TFileDirEdit::SetPathCompletion(bool value) {
    if (pathCompletion_ == value)
        return;
    pathCompletion_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TFileDirEdit::ApplyDefaultGlyph() {
    if (GlyphKind() != gkDefault)
        return;
    const TBitmap& folder = SharedFolderGlyph();
    Button().SetGlyph(folder);
    Button().SetNumGlyphs(1);
    SetButtonWidth(std::max(folder.Width() / NumGlyphs() + 6, ButtonWidth()));
}

void TFileDirEdit::DoBeforeDialog(std::string& name, bool& action) {
    if (OnBeforeDialog)
        OnBeforeDialog(this, name, action);
}

void TFileDirEdit::DoAfterDialog(std::string& name, bool& action) {
    if (OnAfterDialog)
        OnAfterDialog(this, name, action);
}

void TFileDirEdit::SuppressErrorBoxes() {
    savedErrorMode_ = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
}

void TFileDirEdit::RestoreErrorBoxes() {
    SetErrorMode(savedErrorMode_);
}
