#pragma once

#include "framework/Edit.h"
#include "framework/Graphics.h"

#include <windows.h>

#include <string>

class TEditButton;

// A key with its modifiers, as menus and click keys name it: the virtual key in the low byte, plus
// scShift, scCtrl and scAlt.
using TShortCut = WORD;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(WORD key, TShiftState shift);

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// The edit-mask level of the edit. This program sets no mask, and without one every operation passes
// straight through to the plain edit.
class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}
};

// An edit with a push button embedded at its right end. The button (or the click key, Alt+Down by
// default) runs PerformButtonAction unless the edit is read-only. The edit window is multi-line so that
// it reports no change for a set text and the text never runs under the button; Enter never reaches it.
class TCustomComboEdit : public TCustomMaskEdit {
public:
    explicit TCustomComboEdit(TComponent* owner);
    ~TCustomComboEdit() override;

    TEditButton& Button() { return *button_; }
    TWinControl& ButtonHost() { return *buttonHost_; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AlwaysEnable() const { return alwaysEnable_; }
    void SetAlwaysEnable(bool value) { alwaysEnable_ = value; }
    int ButtonWidth() const;
    // Outside construction, a new width below the client width re-creates the window.
    void SetButtonWidth(int value);
    std::string ButtonHint() const;
    void SetButtonHint(const std::string& value);
    TShortCut ClickKey = scAlt | VK_DOWN; // 32808
    int HelpContext = 0;                  // the edit's help topic; a browse dialog takes it over
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool value);
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    TBitmap& Glyph();
    void SetGlyph(const TBitmap& value); // the glyph kind becomes gkCustom
    int NumGlyphs() const;
    void SetNumGlyphs(int value);
    bool HasFocus() const { return focused_; } // between gaining and losing the keyboard focus

    // The smaller of the character heights of the system font and of the control's font.
    int LineHeightOfFont();
    // The least height: LineHeightOfFont + 4 vertical borders + 1.
    int MinimumHeight();

    // Run by the button and the click key: raises OnButtonClick.
    virtual void PerformButtonAction();

    TNotifyEvent OnButtonClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void FontChanged() override;
    bool EditReadOnly() const override;
    void AutoSelectOnEnter() override;

    // The button was clicked or the click key pressed: PerformButtonAction unless read-only (and not
    // always enabled).
    void EditButtonClick();
    // Places the host and its button at the right end and keeps the text to their left.
    void LayoutButton();
    // The formatting rectangle of the edit: left of the button, set without redrawing.
    void SetTextArea();
    // The glyph of a kind other than gkCustom; the base class has none of its own.
    virtual void ApplyDefaultGlyph() {}
    // Set while the control is being constructed: width changes go straight to host and button.
    bool creating_ = false;

private:
    void ShowOwnCaret();
    void PasteFirstLine();

    TWinControl* buttonHost_; // owned (as component)
    TEditButton* button_;     // owned (as component); the host's only child
    TAlignment alignment_ = taLeftJustify;
    bool directInput_ = true;
    bool alwaysEnable_ = false;
    bool focused_ = false;
    TGlyphKind glyphKind_ = gkCustom;
};
