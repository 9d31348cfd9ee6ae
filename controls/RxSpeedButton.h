#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTimer;

// Drawing states of a glyph button; the value is the index into the glyph strip and into the table of
// prepared images.
enum TRxGlyphState { gsUp, gsDisabled, gsDown, gsExclusive, gsInactive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
using TRxNumGlyphs = int; // 1 to 5
using TModalResult = int;

// The gray of a glyph pixel for the inactive look: (77 R + 150 G + 29 B) / 256 on every channel; the
// transparent colour stays as it is.
TColor GrayPixel(TColor color, TColor transparentColor);

// The etched picture of a one-image glyph: button face, with the source's black pixels painted in the
// highlight colour one pixel down-right and in the shadow colour in place.
TBitmap MakeDisabledImage(const TBitmap& source);

// True when the button frames are drawn in the flat three-dimensional look of platform version 4 on.
bool NewStyleLook(TButtonStyle style);

// The picture strip of a glyph button (one to five equally wide images, one per drawing state; the
// bottom-left pixel's colour is transparent) and the drawing of picture and caption.
class TRxButtonGlyph : public TObject {
public:
    TRxButtonGlyph();
    ~TRxButtonGlyph() override;

    TBitmap& Glyph() { return *source_; } // changes to it are noticed through its OnChange
    void SetGlyph(const TBitmap& value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value); // 1 to 5; other values are ignored
    TColor TransparentColor() const { return transparentColor_; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // The strip is drawn for 96 dpi; at another resolution its pictures are resampled (ScaleBitmap).
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value);

    // The picture for a state, made on first use and kept; nullptr when there is no picture.
    TBitmap* PrepareStateImage(TRxGlyphState state);
    // Drops every prepared picture (the strip, its count or the system colours changed).
    void InvalidateImages();

    // Draws picture and caption into `client`, laid out as `layout` with `margin` and `spacing` (-1:
    // automatic), the picture in its look for `state`. Returns the caption's rectangle.
    RECT Draw(TCanvas& canvas, const RECT& client, const std::string& caption, TButtonLayout layout,
              int margin, int spacing, TRxGlyphState state);
    // Where picture and caption go inside `client`; the caption may be shortened to fit.
    void CalcLayout(TCanvas& canvas, const RECT& client, std::string& caption, TButtonLayout layout,
                    int margin, int spacing, POINT& glyphPos, RECT& textBounds);

    TNotifyEvent OnChange; // the picture or the caption's look changed

private:
    void GlyphChanged();
    void DrawPicture(TCanvas& canvas, POINT pos, TRxGlyphState state);
    void DrawCaption(TCanvas& canvas, const std::string& caption, RECT bounds, TRxGlyphState state);

    std::unique_ptr<TBitmap> source_;
    int numGlyphs_ = 1;
    TColor transparentColor_ = clOlive;
    TAlignment alignment_ = taCenter;
    bool wordWrap_ = false;
    int pixelsPerInch_ = kDesignDpi;
    std::vector<std::unique_ptr<TBitmap>> images_; // prepared pictures, in the order they were made
    std::array<int, 5> indexes_;                   // per state: position in images_, or -1
};

// A window-less push button showing a picture from a glyph strip. Flat, it shows no border and a gray
// picture until the mouse is over it. A click is reported when the left button is released over it.
class TRxSpeedButton : public TGraphicControl {
public:
    explicit TRxSpeedButton(TComponent* owner);
    ~TRxSpeedButton() override;

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value);
    bool Down() const { return down_; }
    void SetDown(bool value); // only buttons of a group stay down
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    TModalResult ModalResult = 0; // handed to the owning form on click
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value);
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    std::uint16_t InitPause = 500;      // milliseconds before the first repeat
    std::uint16_t RepeatInterval = 100; // milliseconds between repeats

    TAlignment Alignment() const { return glyph_->Alignment(); }
    void SetAlignment(TAlignment value) { glyph_->SetAlignment(value); }
    bool WordWrap() const { return glyph_->WordWrap(); }
    void SetWordWrap(bool value) { glyph_->SetWordWrap(value); }
    TBitmap& Glyph() { return glyph_->Glyph(); }
    void SetGlyph(const TBitmap& value) { glyph_->SetGlyph(value); }
    TRxNumGlyphs NumGlyphs() const { return glyph_->NumGlyphs(); }
    void SetNumGlyphs(TRxNumGlyphs value); // 0 and below are ignored; above 5 becomes 5
    TRxButtonGlyph& ButtonGlyph() { return *glyph_; }

    TRxGlyphState State() const { return state_; } // never gsInactive: that look is chosen while painting
    bool MouseInside() const { return mouseInside_; }
    bool Dragging() const { return dragging_; }

    // After the stored property values are set: prepares the picture of the look the button starts in.
    void Loaded();
    // Recomputes whether the mouse is over the enabled button in the active application.
    void RefreshHover();
    void Click() override;

    // Buttons alive now; they share one pattern brush for the held-down look.
    static int LiveButtonCount();

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void ChangeScale(int newDpi, int oldDpi) override;

    bool InsideForDrag(int x, int y) const;

private:
    void MouseEnter();
    void MouseLeave();
    void CopyParentImage(HDC dc);
    RECT DrawButtonFrame(TCanvas& canvas, RECT rect, bool pressed);
    void UpdateExclusive();
    void TimerExpired();

    // Fields in the order of their meaning: grouping, picture, look, press state, options.
    int groupIndex_ = 0;
    std::unique_ptr<TRxButtonGlyph> glyph_;
    TButtonStyle style_ = bsAutoDetect;
    std::unique_ptr<TBitmap> drawBuffer_; // the whole button, drawn off-screen, then copied at once
    bool down_ = false;
    bool dragging_ = false; // the left button was pressed here and not yet released
    bool flat_ = false;
    bool mouseInside_ = false; // the mouse is over the button and the application is active
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphTop;
    int spacing_ = 1;
    int margin_ = -1;
    bool transparent_ = false;
    bool markDropDown_ = true;
    bool grayedInactive_ = true;
    bool menuTracking_ = false;     // a press is being handled
    TTimer* repeatTimer_ = nullptr; // owned (as component); made on the first auto-repeat press
    bool allowTimer_ = false;
    TRxGlyphState state_ = gsUp;
};
