#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"

#include <cstdint>
#include <string>

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws (or, with DT_CALCRECT in `format`, measures) `text` twice: a shadow copy in `shadowColor` moved
// `shadowSize` pixels towards `position`, then the text itself in the canvas's font colour. `rect`
// becomes the union of both rectangles as the drawing calls leave them.
void PaintShadowedText(TCanvas& canvas, const std::string& text, RECT& rect, UINT format, int shadowSize,
                       TColor shadowColor, TShadowPosition position);

// A window-less text label drawn with a shadow copy of its caption. It can size itself to its text,
// wrap words, place the text at the top, middle or bottom, move the focus to a companion control on its
// accelerator character and report mouse enter and leave.
class TRxCustomLabel : public TGraphicControl {
public:
    explicit TRxCustomLabel(TComponent* owner);
    ~TRxCustomLabel() override;

    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value);
    std::uint8_t ShadowSize() const { return shadowSize_; } // pixels at 96 dpi, drawn scaled
    void SetShadowSize(std::uint8_t value);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool value);
    // Transparent exactly when the label does not declare itself opaque: the parent shows between letters.
    bool Transparent() const { return !(ControlStyle & csOpaque); }
    void SetTransparent(bool value);

    bool MouseInside() const { return mouseInside_; }
    bool Dragging() const { return dragging_; }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;
    virtual void MouseEnter();
    virtual void MouseLeave();

    void WndProc(TMessage& message) override;
    void ChangeScale(int newDpi, int oldDpi) override;
    // Draws, or with DT_CALCRECT measures, the caption on `canvas` with the label's font and shadow.
    void DrawLabelText(TCanvas& canvas, RECT& rect, UINT flags);
    // The width of what the caption inks in one line measured `width` by `height` pixels.
    int InkedWidth(int width, int height);
    // Sizes the label to its text when AutoSize is on.
    void AdjustBounds();
    void UpdateTracking();

private:
    TWinControl* focusControl_ = nullptr; // not owned; cleared by Notification
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TTextLayout layout_ = tlTop;
    TColor shadowColor_ = clBtnHighlight;
    std::uint8_t shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool showFocus_ = false;
    bool focused_ = false;     // FocusControl has the focus
    bool mouseInside_ = false; // the mouse is over the label and the application is active
    bool dragging_ = false;    // the left button was pressed here and not yet released
    int leftMargin_ = 0;
    int rightMargin_ = 0;
};

// The shadowed label with every property public.
class TRxLabel : public TRxCustomLabel {
public:
    using TRxCustomLabel::TRxCustomLabel;
};
