#include "credits/SecretPanel.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "threads/RxTimer.h"

#include <algorithm>
#include <exception>

namespace {

// The longest part of a line that is drawn; the rest of a longer line is cut off.
constexpr size_t kMaxLineChars = 255;

UINT AlignmentFormat(TAlignment alignment) {
    switch (alignment) {
        case taLeftJustify:
            return DT_LEFT;
        case taRightJustify:
            return DT_RIGHT;
        case taCenter:
            break;
    }
    return DT_CENTER;
}

} // namespace

TSecretPanel::TSecretPanel(TComponent* owner) : TCustomPanel(owner) {
    SetCaption("");
    SetBevelOuter(bvLowered);
    lines_ = std::make_unique<TNotifyingStringList>();
    lines_->OnChange = [this](TObject*) { LinesModified(); };
    glyph_ = std::make_unique<TBitmap>();
    glyph_->OnChange = [this](TObject*) { GlyphModified(); };
    lineBuffer_.reserve(kMaxLineChars + 1);
    scrollTimer_ = new TRxTimer(this);
    scrollTimer_->SetEnabled(false);
    scrollTimer_->SetOnTimer([this](TObject* sender) { ScrollTick(sender); });
    scrollTimer_->SetInterval(30);
}

TSecretPanel::~TSecretPanel() {
    MarkDestroying();
    // A destructor cannot pass on the failure of an OnStopPlay handler: it goes to the error display.
    try {
        SetActive(false);
    } catch (...) {
        if (Application)
            Application->HandleException(this);
    }
    glyph_->OnChange = nullptr;
    lines_->OnChange = nullptr;
    glyph_.reset();
    lines_.reset();
    ForgetHiddenControls();
}

// ---- Properties -------------------------------------------------------------------------------------

void TSecretPanel::SetActive(bool value) {
    if (active_ == value)
        return;
    active_ = value;
    scrollPos_ = 0;
    std::exception_ptr stopFailure;
    if (value) {
        // A start that fails halfway leaves the panel as it was: inactive, its timer off, no event.
        try {
            PrepareTextBitmap();
            scrollTimer_->SetEnabled(true);
            DoStartPlay();
        } catch (...) {
            active_ = false;
            scrollTimer_->SetEnabled(false);
            throw;
        }
    } else {
        scrollTimer_->SetEnabled(false);
        textBitmap_.reset();
        // The children come back even when the stop handler fails.
        try {
            DoStopPlay();
        } catch (...) {
            stopFailure = std::current_exception();
        }
    }
    if (!Destroying())
        ShowOrHideChildren();
    if (!active_)
        ForgetHiddenControls();
    Invalidate();
    if (stopFailure)
        std::rethrow_exception(stopFailure);
}

void TSecretPanel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    if (active_)
        Invalidate();
}

void TSecretPanel::SetGlyph(const TBitmap& value) {
    glyph_->Assign(value);
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout value) {
    if (glyphLayout_ == value)
        return;
    glyphLayout_ = value;
    if (active_) {
        PrepareTextBitmap();
        Invalidate();
    }
}

int32_t TSecretPanel::Interval() const {
    return scrollTimer_->Interval();
}

void TSecretPanel::SetInterval(int32_t value) {
    scrollTimer_->SetInterval(value);
}

void TSecretPanel::SetLines(const TStrings& value) {
    lines_->Assign(value);
}

// ---- Reactions --------------------------------------------------------------------------------------

void TSecretPanel::LinesModified() {
    // Play starts again from the top; the repaint clears what the old text left on the window.
    if (active_) {
        scrollPos_ = 0;
        Invalidate();
    }
}

void TSecretPanel::GlyphModified() {
    if (active_) {
        PrepareTextBitmap();
        Invalidate();
    }
}

void TSecretPanel::WndProc(TMessage& message) {
    TCustomPanel::WndProc(message);
    switch (message.Msg) {
        case CM_FONTCHANGED:
        case CM_COLORCHANGED:
        case WM_SIZE:
            // A new line height, colour or text area: the next tick draws the frame anew at the same
            // scroll position.
            if (active_)
                PrepareTextBitmap();
            break;
    }
}

void TSecretPanel::Notification(TComponent* component, TOperation operation) {
    TCustomPanel::Notification(component, operation);
    if (operation == opRemove)
        hiddenControls_.erase(std::remove(hiddenControls_.begin(), hiddenControls_.end(), component),
                              hiddenControls_.end());
}

void TSecretPanel::ShowOrHideChildren() {
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (active_) {
            if (child->Visible()) {
                hiddenControls_.push_back(child);
                child->FreeNotification(this);
            }
            child->Hide();
        } else if (std::find(hiddenControls_.begin(), hiddenControls_.end(), child) !=
                   hiddenControls_.end()) {
            child->Show();
            child->Invalidate();
        }
    }
}

void TSecretPanel::ForgetHiddenControls() {
    for (TControl* child : hiddenControls_)
        child->RemoveFreeNotification(this);
    hiddenControls_.clear();
}

// ---- Play -------------------------------------------------------------------------------------------

void TSecretPanel::DoStartPlay() {
    if (OnStartPlay)
        OnStartPlay(this);
}

void TSecretPanel::DoStopPlay() {
    if (OnStopPlay)
        OnStopPlay(this);
}

void TSecretPanel::LayoutTextArea() {
    // The gaps are lengths of the 96-dpi layout and scale with it; bevels and borders are lines.
    const int gap = Scaled(3), glyphGapX = Scaled(3), glyphGapY = Scaled(2);
    int inset = BorderWidth() + gap;
    if (BevelOuter() != bvNone)
        inset += BevelWidth();
    if (BevelInner() != bvNone)
        inset += BevelWidth();
    RECT r = ClientRect();
    InflateRect(&r, -inset, -inset);
    textArea_ = r;
    const int gw = glyph_->Empty() ? 0 : Scaled(glyph_->Width());
    const int gh = glyph_->Empty() ? 0 : Scaled(glyph_->Height());
    switch (glyphLayout_) {
        case glGlyphLeft:
        case glGlyphRight:
            glyphPos_.y = std::max<int>(r.top, (r.top + r.bottom - gh) / 2);
            if (glyphLayout_ == glGlyphLeft) {
                glyphPos_.x = r.left + glyphGapX;
                textArea_.left = glyphPos_.x + gw;
            } else {
                glyphPos_.x = std::max<int>(r.left, r.right - gw - glyphGapX);
                textArea_.right = glyphPos_.x;
            }
            break;
        case glGlyphTop:
        case glGlyphBottom:
            glyphPos_.x = std::max<int>(r.left, (r.left + r.right - gw) / 2);
            if (glyphLayout_ == glGlyphTop) {
                glyphPos_.y = r.top + glyphGapY;
                textArea_.top = glyphPos_.y + gh;
            } else {
                glyphPos_.y = std::max<int>(r.top, r.bottom - gh - glyphGapY);
                textArea_.bottom = glyphPos_.y;
            }
            break;
    }
    if (textArea_.left >= textArea_.right || textArea_.top >= textArea_.bottom)
        textArea_ = RECT{0, 0, 0, 0};
}

void TSecretPanel::PrepareTextBitmap() {
    TEXTMETRICW metrics{};
    {
        WindowDC dc(Handle());
        CanvasSelection font(dc.Handle(), Font());
        GetTextMetricsW(dc.Handle(), &metrics);
    }
    // The line height is kept in a byte. A font of 255 pixels or more gets lines 255 pixels apart
    // instead of a height wrapped round to a few pixels, or to 0, which could not divide the scroll
    // position.
    const int height = metrics.tmHeight + metrics.tmExternalLeading + (textStyle_ != bvNone ? Scaled(1) : 0);
    lineHeight_ = static_cast<uint8_t>(std::clamp(height, 1, 255));
    LayoutTextArea();
    if (!textBitmap_)
        textBitmap_ = std::make_unique<TBitmap>();
    textBitmap_->SetSize(textArea_.right - textArea_.left, textArea_.bottom - textArea_.top);
    TCanvas& canvas = textBitmap_->Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetColor(Color());
}

void TSecretPanel::ScrollTick(TObject*) {
    if (!active_)
        return;
    const int64_t lastPos = (int64_t(lines_->Count()) - 1) * lineHeight_;
    if (scrollPos_ < lastPos) {
        ++scrollPos_;
        RenderText();
    } else if (cycled_) {
        scrollPos_ = 0;
        RenderText();
    } else {
        SetActive(false);
    }
}

void TSecretPanel::RenderText() {
    const int n = lines_->Count();
    const int w = textArea_.right - textArea_.left;
    const int h = textArea_.bottom - textArea_.top;
    if (n == 0 || !textBitmap_ || w <= 0 || h <= 0)
        return;
    TCanvas& canvas = textBitmap_->Canvas();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(RECT{0, 0, w, h});
    canvas.Brush().SetStyle(bsClear); // the text goes on the background as it is
    const TColor textColor = Font().Color();
    const UINT format = AlignmentFormat(alignment_) | DT_SINGLELINE | DT_EXPANDTABS;
    const int copyOffset = textStyle_ == bvLowered ? Scaled(1) : -Scaled(1);
    RECT line{0, -(scrollPos_ % lineHeight_), w, 0};
    line.bottom = line.top + lineHeight_;
    for (int i = scrollPos_ / lineHeight_; i <= n && line.top < h; ++i) {
        if (i == n)
            lineBuffer_.assign(" "); // the place below the last line
        else
            lineBuffer_.assign(lines_->Get(i), 0, kMaxLineChars);
        if (textStyle_ != bvNone) {
            canvas.Font().SetColor(clBtnHighlight);
            RECT copy = line;
            OffsetRect(&copy, copyOffset, copyOffset);
            canvas.DrawText(lineBuffer_, copy, format);
            canvas.Font().SetColor(textColor);
        }
        canvas.DrawText(lineBuffer_, line, format);
        OffsetRect(&line, 0, lineHeight_);
    }
    // One copy onto the window, outside its paint cycle: no clearing between frames, no flicker.
    WindowDC window(Handle());
    BitBlt(window.Handle(), textArea_.left, textArea_.top, w, h, canvas.Handle(), 0, 0, SRCCOPY);
}

// ---- Painting ---------------------------------------------------------------------------------------

void TSecretPanel::Paint() {
    TCustomPanel::Paint();
    if (active_)
        DrawGlyph();
}

void TSecretPanel::DrawGlyph() {
    if (glyph_->Empty())
        return;
    LayoutTextArea();
    // The bottom-left pixel's colour stays undrawn, whatever the picture itself says about it.
    TBitmap image = PixelsPerInch() == kDesignDpi
                        ? *glyph_
                        : ScaleBitmap(*glyph_, Scaled(glyph_->Width()), Scaled(glyph_->Height()));
    image.SetTransparentColor(clNone);
    image.SetTransparent(true);
    Canvas().Draw(glyphPos_.x, glyphPos_.y, image);
}
