#pragma once

#include "framework/Controls.h"

#include <string>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TEditBorderStyle { ebsNone, ebsSingle };

// The platform edit window. OnChange fires once for every change of the text: for typing, cutting,
// pasting and undoing through the edit's own change report (EN_CHANGE), for a Text write through the
// text-changed notification, and for a text set from outside (WM_SETTEXT); never while the window is
// being made, and never when the text is what it was at the last report.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    TEditBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TEditBorderStyle value);
    // The sunken three-dimensional frame instead of the plain border.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Modified() const;

    void SelectAll();
    // Positions count UTF-16 units, as the window does.
    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);
    std::string SelText() const;
    void Clear() { SetText(std::string()); }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void SetTextValue(const std::string& value) override;
    void WndProc(TMessage& message) override;
    // Raises OnChange.
    virtual void Change();
    // Whether the edit window is to be read-only now; subclasses add their own reasons.
    virtual bool EditReadOnly() const { return readOnly_; }
    // Hands the read-only state of EditReadOnly() to the window.
    void UpdateReadOnlyState();
    // Called on entering the control; selects everything for AutoSelect unless the left button is held.
    virtual void AutoSelectOnEnter();
    // True while the text is being set or the window being made: the edit's own change reports are
    // ignored then (the text write reports itself once).
    bool ChangeReportsMuted() const { return muteChanges_ > 0; }

private:
    void TextMayHaveChanged();

    bool autoSelect_ = true;
    TEditCharCase charCase_ = ecNormal;
    bool hideSelection_ = true;
    TEditBorderStyle borderStyle_ = ebsSingle;
    bool ctl3D_ = true;
    bool readOnly_ = false;
    int muteChanges_ = 0;
    std::string reportedText_; // the text as the last change report left it
};

// True while the left mouse button is held.
bool LeftButtonHeld();
