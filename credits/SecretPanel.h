#pragma once

#include "credits/NotifyingStrings.h"
#include "framework/Panel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TRxTimer;

// The side of the panel's interior that the glyph takes.
enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };

// A panel that, while Active, scrolls its Lines upward through its interior one pixel per tick of its
// own timer, beside an optional Glyph, and announces the start and the end of play. Inactive, it looks
// like an empty panel. Each frame is drawn off-screen and copied onto the window straight from the
// tick; painting never draws text, so a repaint shows the background until the next tick.
class TSecretPanel : public TCustomPanel {
public:
    // BevelOuter bvLowered, no caption, Alignment taCenter, TextStyle bvNone; the timer is disabled,
    // threaded, with an interval of 30 ms.
    explicit TSecretPanel(TComponent* owner);
    // Stops play first, so a panel freed while active fires OnStopPlay.
    ~TSecretPanel() override;

    bool Active() const { return active_; }
    // Starting measures the font, lays out the text area, makes the off-screen bitmap, hides the
    // visible children and fires OnStartPlay; if any of that fails the panel stays inactive, no event
    // fires and the failure propagates. Stopping fires OnStopPlay and shows the hidden children again.
    void SetActive(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool Cycled() const { return cycled_; }
    void SetCycled(bool value) { cycled_ = value; } // takes effect at the next tick
    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap& value); // copies the picture
    TGlyphLayout GlyphLayout() const { return glyphLayout_; }
    void SetGlyphLayout(TGlyphLayout value);
    int32_t Interval() const; // the timer's interval, milliseconds
    void SetInterval(int32_t value);
    TNotifyingStringList& Lines() { return *lines_; }
    void SetLines(const TStrings& value); // copies the lines
    TPanelBevel TextStyle() const { return textStyle_; }
    void SetTextStyle(TPanelBevel value) { textStyle_ = value; } // takes effect at the next tick

    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

    // The play state, for looking at it from outside (tests, diagnostics).
    int32_t ScrollPos() const { return scrollPos_; }
    uint8_t LineHeight() const { return lineHeight_; }
    const RECT& TextArea() const { return textArea_; }
    const POINT& GlyphPos() const { return glyphPos_; }
    const TBitmap* TextBitmap() const { return textBitmap_.get(); }
    const TRxTimer& ScrollTimer() const { return *scrollTimer_; }

protected:
    // One step of play: scroll one pixel and draw, wrap round when Cycled, or stop at the end.
    virtual void ScrollTick(TObject* sender);
    virtual void DoStartPlay();
    virtual void DoStopPlay();

    void Paint() override;
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

    // Places the text area and the glyph inside the bevels and borders.
    void LayoutTextArea();
    // Measures the line height, lays out and sizes the off-screen bitmap for the text area.
    void PrepareTextBitmap();
    // Draws the frame for ScrollPos off-screen and copies it onto the window at the text area.
    void RenderText();
    void DrawGlyph();

private:
    void LinesModified();
    void GlyphModified();
    void ShowOrHideChildren();
    void ForgetHiddenControls();

    bool active_ = false;
    TAlignment alignment_ = taCenter;
    bool cycled_ = false;
    TGlyphLayout glyphLayout_ = glGlyphLeft;
    TPanelBevel textStyle_ = bvNone;
    std::unique_ptr<TNotifyingStringList> lines_;
    std::unique_ptr<TBitmap> glyph_;

    int32_t scrollPos_ = 0;
    uint8_t lineHeight_ = 1; // never 0: it divides the scroll position
    TRxTimer* scrollTimer_;  // owned as a component of the panel
    RECT textArea_{0, 0, 0, 0};
    POINT glyphPos_{0, 0};
    std::unique_ptr<TBitmap> textBitmap_;   // exists while active (and after a failed start)
    std::vector<TControl*> hiddenControls_; // not owned; a freed child is dropped through Notification
    std::string lineBuffer_;                // one line's text on its way to the drawing call
};
