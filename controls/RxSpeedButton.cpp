#include "controls/RxSpeedButton.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Forms.h"
#include "threads/Timer.h"

#include <algorithm>

namespace {

// The held-down look of a grouped button fills its face with an 8 x 8 pattern of face pixels and white
// ones where a pixel's row and column have the same parity. One brush serves every button; it lives while
// buttons live and is made again when the system colours change.
int liveButtons = 0;
GdiObject patternBrush;

HBRUSH PatternBrush() {
    if (!patternBrush) {
        TBitmap pattern(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.SetPixel(x, y, (x & 1) == (y & 1) ? clWhite : clBtnFace);
        patternBrush.Reset(CreatePatternBrush(pattern.Handle()));
    }
    return static_cast<HBRUSH>(patternBrush.Handle());
}

void FillSolid(HDC dc, const RECT& rect, TColor color) {
    GdiObject brush(CreateSolidBrush(ColorToRGB(color)));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Handle()));
}

// One frame step: top and left lines in `topLeft`, bottom and right lines in `bottomRight` (the
// top-right corner belongs to the right line, the bottom-left one to the left line); then one pixel in.
void Frame(HDC dc, RECT& r, TColor topLeft, TColor bottomRight) {
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0)
        return;
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    FillSolid(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolid(dc, RECT{r.left + 1, r.bottom - 1, r.right, r.bottom}, bottomRight);
    InflateRect(&r, -1, -1);
}

// Drops the last character of a UTF-8 text, all of its bytes.
void DropLastCharacter(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty())
        text.pop_back();
}

// The lines of a caption, each shortened with "..." until it is no wider than `width`.
std::string ShortenCaption(TCanvas& canvas, const std::string& caption, int width) {
    std::string result;
    size_t start = 0;
    while (start <= caption.size()) {
        size_t end = caption.find_first_of("\r\n", start);
        std::string line = caption.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (canvas.TextWidth(line) > width) {
            do
                DropLastCharacter(line);
            while (!line.empty() && canvas.TextWidth(line + "...") > width);
            line += "...";
        }
        result += line;
        if (end == std::string::npos)
            break;
        // Keep the line break as it was written (CR LF, CR or LF).
        size_t next = end + 1;
        if (caption[end] == '\r' && next < caption.size() && caption[next] == '\n')
            ++next;
        result += caption.substr(end, next - end);
        start = next;
    }
    return result;
}

} // namespace

TColor GrayPixel(TColor color, TColor transparentColor) {
    if (color == transparentColor)
        return color;
    const COLORREF c = ColorToRGB(color);
    const int g = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) >> 8;
    return static_cast<TColor>(RGB(g, g, g));
}

TBitmap MakeDisabledImage(const TBitmap& source) {
    const int w = source.Width(), h = source.Height();
    TBitmap result(w, h);
    if (result.Empty())
        return result;
    HDC dest = result.Canvas().Handle();
    FillSolid(dest, RECT{0, 0, w, h}, clBtnFace);

    // The mask holds 1 exactly where the source is black: a colour-to-monochrome copy sets the pixels
    // that have the source context's background colour.
    GdiObject mask(CreateBitmap(w, h, 1, 1, nullptr));
    MemoryDC maskDC(dest);
    CanvasSelection selectMask(maskDC.Handle(), mask.Handle());
    HDC sourceDC = const_cast<TBitmap&>(source).Canvas().Handle();
    const COLORREF oldSourceBk = SetBkColor(sourceDC, RGB(0, 0, 0));
    BitBlt(maskDC.Handle(), 0, 0, w, h, sourceDC, 0, 0, SRCCOPY);
    SetBkColor(sourceDC, oldSourceBk);

    // 0xE20746 takes the brush where the mask is set and keeps the destination elsewhere; the mask's
    // set pixels must arrive as all ones, so the destination's background is white and its text black.
    const COLORREF oldBk = SetBkColor(dest, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    {
        GdiObject highlight(CreateSolidBrush(ColorToRGB(clBtnHighlight)));
        CanvasSelection selectBrush(dest, highlight.Handle());
        BitBlt(dest, 1, 1, w, h, maskDC.Handle(), 0, 0, 0xE20746);
    }
    {
        GdiObject shadow(CreateSolidBrush(ColorToRGB(clBtnShadow)));
        CanvasSelection selectBrush(dest, shadow.Handle());
        BitBlt(dest, 0, 0, w, h, maskDC.Handle(), 0, 0, 0xE20746);
    }
    SetBkColor(dest, oldBk);
    SetTextColor(dest, oldText);
    GdiFlush();
    return result;
}

bool NewStyleLook(TButtonStyle style) {
    if (style == bsAutoDetect) {
        // The major version is the low byte of the low word.
        return LOBYTE(LOWORD(GetVersion())) >= 4;
    }
    return style == bsNew;
}

// ---- TRxButtonGlyph -------------------------------------------------------------------------------

TRxButtonGlyph::TRxButtonGlyph() : source_(std::make_unique<TBitmap>()) {
    indexes_.fill(-1);
    source_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TRxButtonGlyph::~TRxButtonGlyph() = default;

void TRxButtonGlyph::SetGlyph(const TBitmap& value) {
    source_->Assign(value); // fires GlyphChanged
}

void TRxButtonGlyph::SetNumGlyphs(int value) {
    if (value < 1 || value > 5 || value == numGlyphs_)
        return;
    InvalidateImages();
    numGlyphs_ = value;
    if (OnChange)
        OnChange(this);
}

void TRxButtonGlyph::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    if (OnChange)
        OnChange(this);
}

void TRxButtonGlyph::SetWordWrap(bool value) {
    if (wordWrap_ == value)
        return;
    wordWrap_ = value;
    if (OnChange)
        OnChange(this);
}

void TRxButtonGlyph::SetPixelsPerInch(int value) {
    if (pixelsPerInch_ == value || value <= 0)
        return;
    InvalidateImages();
    pixelsPerInch_ = value;
    if (OnChange)
        OnChange(this);
}

void TRxButtonGlyph::InvalidateImages() {
    images_.clear();
    indexes_.fill(-1);
}

void TRxButtonGlyph::GlyphChanged() {
    InvalidateImages();
    const int w = source_->Width(), h = source_->Height();
    if (h > 0) {
        transparentColor_ = source_->Pixel(0, h - 1);
        // A strip of square pictures tells its count by itself.
        if (w > 0 && w % h == 0) {
            const int count = w / h;
            numGlyphs_ = count < 6 ? count : 1;
        }
    }
    if (OnChange)
        OnChange(this);
}

TBitmap* TRxButtonGlyph::PrepareStateImage(TRxGlyphState state) {
    if (state == gsDown && numGlyphs_ < 3)
        state = gsUp;
    if (indexes_[state] >= 0)
        return images_[static_cast<size_t>(indexes_[state])].get();
    if (source_->Empty())
        return nullptr;
    const int w = source_->Width() / numGlyphs_, h = source_->Height();
    if (w <= 0)
        return nullptr;
    auto image = std::make_unique<TBitmap>(w, h);
    HDC dest = image->Canvas().Handle();
    FillSolid(dest, RECT{0, 0, w, h}, clBtnFace);
    const int slice = state < numGlyphs_ ? state : 0;
    HDC source = source_->Canvas().Handle();
    auto copySlice = [&](int index) { BitBlt(dest, 0, 0, w, h, source, index * w, 0, SRCCOPY); };
    switch (state) {
        case gsUp:
        case gsDown:
        case gsExclusive:
            copySlice(slice);
            break;
        case gsDisabled:
            if (numGlyphs_ > 1)
                copySlice(slice);
            else
                *image = MakeDisabledImage(*source_);
            break;
        case gsInactive:
            copySlice(numGlyphs_ == 5 ? slice : 0);
            if (numGlyphs_ != 5) {
                GdiFlush();
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        image->SetPixel(x, y, GrayPixel(image->Pixel(x, y), transparentColor_));
            }
            break;
    }
    GdiFlush();
    if (pixelsPerInch_ != kDesignDpi)
        *image = ScaleBitmap(*image, ScaleValue(w, pixelsPerInch_), ScaleValue(h, pixelsPerInch_));
    image->SetTransparent(true);
    // The etched picture is drawn on button face; every other one leaves the strip's colour out.
    image->SetTransparentColor(state == gsDisabled && numGlyphs_ == 1
                                   ? static_cast<TColor>(ColorToRGB(clBtnFace))
                                   : transparentColor_);
    images_.push_back(std::move(image));
    indexes_[state] = static_cast<int>(images_.size()) - 1;
    return images_.back().get();
}

void TRxButtonGlyph::CalcLayout(TCanvas& canvas, const RECT& client, std::string& caption,
                                TButtonLayout layout, int margin, int spacing, POINT& glyphPos,
                                RECT& textBounds) {
    const int clientW = client.right - client.left, clientH = client.bottom - client.top;
    SIZE glyphSize{0, 0};
    if (!source_->Empty() && source_->Width() / numGlyphs_ > 0)
        glyphSize = SIZE{ScaleValue(source_->Width() / numGlyphs_, pixelsPerInch_),
                         ScaleValue(source_->Height(), pixelsPerInch_)};
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

    // The room the caption may take.
    SIZE space;
    if (horizontal) {
        space.cx = clientW - glyphSize.cx - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0);
        space.cy = clientH;
    } else {
        space.cx = clientW;
        space.cy = clientH - glyphSize.cy - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0);
    }
    space.cx = std::max<LONG>(space.cx, 0);
    space.cy = std::max<LONG>(space.cy, 0);

    SIZE textSize{0, 0};
    if (!caption.empty()) {
        if (!wordWrap_)
            caption = ShortenCaption(canvas, caption, space.cx);
        RECT measure{0, 0, space.cx, 0};
        const UINT alignFlag = alignment_ == taLeftJustify    ? DT_LEFT
                               : alignment_ == taRightJustify ? DT_RIGHT
                                                              : DT_CENTER;
        canvas.DrawText(caption, measure,
                        DT_CALCRECT | DT_CENTER | (wordWrap_ ? DT_WORDBREAK : 0) | alignFlag);
        textSize.cx = std::min<LONG>(measure.right - measure.left, space.cx);
        textSize.cy = std::min<LONG>(measure.bottom - measure.top, space.cy);
    }

    POINT textPos{0, 0};
    glyphPos = POINT{0, 0};
    if (horizontal) {
        glyphPos.y = clientH / 2 - glyphSize.cy / 2;
        textPos.y = clientH / 2 - textSize.cy / 2;
    } else {
        glyphPos.x = clientW / 2 - glyphSize.cx / 2;
        textPos.x = clientW / 2 - textSize.cx / 2;
    }
    if (textSize.cx == 0 || glyphSize.cx == 0)
        spacing = 0;

    const int length = horizontal ? clientW : clientH;
    const int picture = horizontal ? glyphSize.cx : glyphSize.cy;
    const int text = horizontal ? textSize.cx : textSize.cy;
    if (margin == -1) {
        if (spacing == -1) {
            spacing = (length - picture - text) / 3;
            margin = spacing;
        } else {
            margin = length / 2 - (picture + spacing + text) / 2;
        }
    } else if (spacing == -1) {
        const int remaining = length - (margin + picture);
        spacing = remaining / 2 - text / 2;
    }

    switch (layout) {
        case blGlyphLeft:
            glyphPos.x = margin;
            textPos.x = glyphPos.x + glyphSize.cx + spacing;
            break;
        case blGlyphRight:
            glyphPos.x = clientW - margin - glyphSize.cx;
            textPos.x = glyphPos.x - spacing - textSize.cx;
            break;
        case blGlyphTop:
            glyphPos.y = margin;
            textPos.y = glyphPos.y + glyphSize.cy + spacing;
            break;
        case blGlyphBottom:
            glyphPos.y = clientH - margin - glyphSize.cy;
            textPos.y = glyphPos.y - spacing - textSize.cy;
            break;
    }
    glyphPos.x += client.left;
    glyphPos.y += client.top;
    textBounds = RECT{textPos.x + client.left, textPos.y + client.top, textPos.x + client.left + textSize.cx,
                      textPos.y + client.top + textSize.cy};
}

void TRxButtonGlyph::DrawPicture(TCanvas& canvas, POINT pos, TRxGlyphState state) {
    if (TBitmap* image = PrepareStateImage(state))
        canvas.Draw(pos.x, pos.y, *image);
}

void TRxButtonGlyph::DrawCaption(TCanvas& canvas, const std::string& caption, RECT bounds,
                                 TRxGlyphState state) {
    if (caption.empty())
        return;
    const UINT alignFlag = alignment_ == taLeftJustify    ? DT_LEFT
                           : alignment_ == taRightJustify ? DT_RIGHT
                                                          : DT_CENTER;
    const UINT format = DT_VCENTER | alignFlag | (wordWrap_ ? DT_WORDBREAK : 0);
    canvas.Brush().SetStyle(bsClear);
    const TColor fontColor = canvas.Font().Color();
    if (state == gsDisabled) {
        RECT shifted = bounds;
        OffsetRect(&shifted, 1, 1);
        canvas.Font().SetColor(clWhite);
        canvas.DrawText(caption, shifted, format);
        canvas.Font().SetColor(clGray);
        canvas.DrawText(caption, bounds, format);
        canvas.Font().SetColor(fontColor);
    } else {
        canvas.DrawText(caption, bounds, format);
    }
    canvas.Brush().SetStyle(bsSolid);
}

RECT TRxButtonGlyph::Draw(TCanvas& canvas, const RECT& client, const std::string& caption,
                          TButtonLayout layout, int margin, int spacing, TRxGlyphState state) {
    std::string text = caption;
    POINT glyphPos{};
    RECT textBounds{};
    CalcLayout(canvas, client, text, layout, margin, spacing, glyphPos, textBounds);
    DrawPicture(canvas, glyphPos, state);
    DrawCaption(canvas, text, textBounds, state);
    return textBounds;
}

// ---- TRxSpeedButton -------------------------------------------------------------------------------

TRxSpeedButton::TRxSpeedButton(TComponent* owner)
    : TGraphicControl(owner), glyph_(std::make_unique<TRxButtonGlyph>()),
      drawBuffer_(std::make_unique<TBitmap>()) {
    SetBounds(0, 0, 25, 25);
    ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
    glyph_->OnChange = [this](TObject*) { Invalidate(); };
    SetParentFont(true);
    SetShowHint(true); // also ends taking the parent's ShowHint
    ++liveButtons;
}

TRxSpeedButton::~TRxSpeedButton() {
    if (--liveButtons == 0)
        patternBrush.Reset();
}

int TRxSpeedButton::LiveButtonCount() {
    return liveButtons;
}

void TRxSpeedButton::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TRxSpeedButton::SetStyle(TButtonStyle value) {
    if (style_ == value)
        return;
    style_ = value;
    Invalidate();
}

void TRxSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    if (down_ && !allowAllUp_)
        return; // the last button down of a group stays down
    down_ = value;
    if (value) {
        if (state_ == gsUp)
            Invalidate();
        state_ = gsExclusive;
    } else {
        state_ = gsUp;
        Repaint();
    }
    if (value)
        UpdateExclusive();
}

void TRxSpeedButton::SetFlat(bool value) {
    if (flat_ == value)
        return;
    flat_ = value;
    Invalidate();
}

void TRxSpeedButton::SetAllowAllUp(bool value) {
    if (allowAllUp_ == value)
        return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TRxSpeedButton::SetLayout(TButtonLayout value) {
    if (layout_ == value)
        return;
    layout_ = value;
    Invalidate();
}

void TRxSpeedButton::SetSpacing(int value) {
    if (spacing_ == value)
        return;
    spacing_ = value;
    Invalidate();
}

void TRxSpeedButton::SetMargin(int value) {
    if (margin_ == value || value < -1)
        return;
    margin_ = value;
    Invalidate();
}

void TRxSpeedButton::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    Invalidate();
}

void TRxSpeedButton::SetMarkDropDown(bool value) {
    if (markDropDown_ == value)
        return;
    markDropDown_ = value;
    Invalidate();
}

void TRxSpeedButton::SetGrayedInactive(bool value) {
    if (grayedInactive_ == value)
        return;
    grayedInactive_ = value;
    Invalidate();
}

void TRxSpeedButton::SetAllowTimer(bool value) {
    allowTimer_ = value;
    if (!value && repeatTimer_) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TRxSpeedButton::SetNumGlyphs(TRxNumGlyphs value) {
    if (value <= 0)
        return;
    glyph_->SetNumGlyphs(std::min(value, 5));
}

void TRxSpeedButton::Loaded() {
    if (!Enabled())
        glyph_->PrepareStateImage(gsDisabled);
    else
        glyph_->PrepareStateImage(flat_ ? gsInactive : gsUp);
}

// Tells the other buttons of the group on the same parent that this one is down (or that the group's
// settings changed).
void TRxSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent())
        return;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TRxSpeedButton*>(Parent()->Controls(i));
        if (!other || other == this || other->groupIndex_ != groupIndex_)
            continue;
        if (down_ && other->down_) {
            other->down_ = false;
            other->state_ = gsUp;
            other->Invalidate();
        }
        other->allowAllUp_ = allowAllUp_;
    }
}

// ---- Painting --------------------------------------------------------------------------------------

void TRxSpeedButton::Paint() {
    if (!Enabled()) {
        state_ = gsDisabled;
        dragging_ = false;
    } else if (state_ == gsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? gsExclusive : gsUp;
    }
    TRxGlyphState look = state_;
    if (flat_ && !mouseInside_)
        look = gsInactive;

    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0)
        return;
    drawBuffer_->SetSize(w, h);
    TCanvas& buffer = drawBuffer_->Canvas();
    buffer.Font().Assign(Font());
    HDC dc = buffer.Handle();
    FillSolid(dc, RECT{0, 0, w, h}, clBtnFace);
    if (transparent_)
        CopyParentImage(dc);

    const bool pressed = state_ == gsDown || state_ == gsExclusive;
    RECT r{0, 0, w, h};
    if (look != gsInactive || state_ == gsExclusive)
        r = DrawButtonFrame(buffer, r, pressed);
    else if (flat_)
        InflateRect(&r, -2, -2);
    if (state_ == gsExclusive && !flat_) {
        RECT face = r;
        InflateRect(&face, 1, 1);
        ::FillRect(dc, &face, PatternBrush());
    }
    if (pressed)
        OffsetRect(&r, 1, 1);

    const TRxGlyphState pictureState = state_ == gsDisabled || !grayedInactive_ ? state_ : look;
    glyph_->Draw(buffer, r, Caption(), layout_, margin_, spacing_, pictureState);

    GdiFlush();
    BitBlt(Canvas().Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
}

RECT TRxSpeedButton::DrawButtonFrame(TCanvas& canvas, RECT r, bool pressed) {
    HDC dc = canvas.Handle();
    if (NewStyleLook(style_)) {
        if (pressed) {
            Frame(dc, r, clWindowFrame, clBtnHighlight);
            if (!flat_)
                Frame(dc, r, clBtnShadow, clBtnFace);
        } else if (flat_) {
            Frame(dc, r, clBtnHighlight, clBtnShadow);
        } else {
            Frame(dc, r, clBtnHighlight, clWindowFrame);
            Frame(dc, r, clBtnFace, clBtnShadow);
        }
    } else if (pressed) {
        if (flat_) {
            Frame(dc, r, clWindowFrame, clBtnHighlight);
        } else {
            Frame(dc, r, clWindowFrame, clWindowFrame);
            FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, clBtnShadow);
            FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, clBtnShadow);
        }
    } else if (flat_) {
        Frame(dc, r, clBtnHighlight, clWindowFrame);
    } else {
        Frame(dc, r, clWindowFrame, clWindowFrame);
        Frame(dc, r, clBtnHighlight, clBtnShadow);
    }
    InflateRect(&r, -1, -1);
    return r;
}

// What lies behind a transparent button: the parent's own picture, then the window-less siblings that
// come before this button and overlap it, each at its place.
void TRxSpeedButton::CopyParentImage(HDC dc) {
    TWinControl* parent = Parent();
    if (!parent)
        return;
    SavedDC saved(dc);
    SetViewportOrgEx(dc, -Left(), -Top(), nullptr);
    const RECT client = parent->ClientRect();
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    parent->PaintBackground(dc);
    const RECT self = BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == this)
            break;
        RECT bounds = sibling->BoundsRect(), overlap{};
        if (sibling->IsWindowed() || !sibling->Visible() || !IntersectRect(&overlap, &bounds, &self))
            continue;
        SavedDC savedSibling(dc);
        OffsetViewportOrgEx(dc, sibling->Left(), sibling->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, sibling->Width(), sibling->Height());
        sibling->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

// ---- Mouse and notifications -----------------------------------------------------------------------

void TRxSpeedButton::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_MOUSEENTER:
            MouseEnter();
            return;
        case CM_MOUSELEAVE:
            MouseLeave();
            return;
        case CM_ENABLEDCHANGED:
            // The picture of the new look is made now, so the repaint below only copies it.
            if (!Enabled())
                glyph_->PrepareStateImage(gsDisabled);
            else
                glyph_->PrepareStateImage(flat_ ? gsInactive : gsUp);
            RefreshHover();
            Repaint();
            return;
        case CM_VISIBLECHANGED:
            TGraphicControl::WndProc(message);
            if (message.WParam)
                RefreshHover();
            return;
        case CM_SYSCOLORCHANGE:
            glyph_->InvalidateImages();
            patternBrush.Reset();
            Invalidate();
            return;
        case CM_DIALOGCHAR:
            if (Enabled() && Showing() && IsAccelerator(message.WParam, Caption())) {
                Click();
                message.Result = 1;
            }
            return;
        case WM_CANCELMODE:
            // The capture was taken away (an error box, another window): the press ends without a click.
            if (dragging_) {
                dragging_ = false;
                if (!down_)
                    state_ = gsUp;
                Invalidate();
            }
            if (repeatTimer_)
                repeatTimer_->SetEnabled(false);
            return;
    }
    TGraphicControl::WndProc(message);
}

void TRxSpeedButton::MouseEnter() {
    if (mouseInside_ || !Enabled() || !Application || !Application->Active())
        return;
    mouseInside_ = true;
    if (flat_)
        Repaint();
}

void TRxSpeedButton::MouseLeave() {
    if (!mouseInside_ || !Enabled() || dragging_)
        return;
    mouseInside_ = false;
    if (flat_)
        Invalidate();
}

void TRxSpeedButton::RefreshHover() {
    const bool inside = Enabled() && Screen && Screen->ControlAtPos(Screen->CursorPos()) == this &&
                        Application && Application->Active();
    if (inside == mouseInside_)
        return;
    mouseInside_ = inside;
    if (flat_) {
        if (inside)
            Repaint();
        else
            Invalidate();
    }
}

bool TRxSpeedButton::InsideForDrag(int x, int y) const {
    // The row just below the bottom edge still counts as inside.
    return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TRxSpeedButton::DblClick() {
    // On a plain button the second press of a double click is neither a press nor a click.
    if (down_)
        TGraphicControl::DblClick();
}

void TRxSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (menuTracking_)
        return;
    TGraphicControl::MouseDown(button, shift, x, y);
    if (Enabled() && !mouseInside_) {
        mouseInside_ = true;
        if (flat_)
            Repaint();
    }
    if (button == mbRight) {
        RefreshHover();
        return;
    }
    if (button != mbLeft || !Enabled() || (shift & ssDouble))
        return;
    if (!down_) {
        state_ = gsDown;
        Repaint();
    }
    dragging_ = true;
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new TTimer(this);
            repeatTimer_->SetOnTimer([this](TObject*) { TimerExpired(); });
        }
        repeatTimer_->SetEnabled(false);
        repeatTimer_->SetInterval(InitPause);
        repeatTimer_->SetEnabled(true);
    }
}

void TRxSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    TRxGlyphState newState;
    if (InsideForDrag(x, y))
        newState = down_ ? gsExclusive : gsDown;
    else
        newState = down_ ? gsExclusive : gsUp;
    if (newState != state_) {
        state_ = newState;
        Repaint();
    }
}

void TRxSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft && dragging_) {
        dragging_ = false;
        const bool inside = InsideForDrag(x, y);
        if (groupIndex_ == 0) {
            state_ = gsUp;
            mouseInside_ = false;
            if (inside)
                Repaint();
            else
                Invalidate();
        } else if (inside) {
            SetDown(!down_);
            state_ = down_ ? gsExclusive : gsUp;
            Repaint();
        } else {
            state_ = down_ ? gsExclusive : gsUp;
            Invalidate();
        }
        if (repeatTimer_)
            repeatTimer_->SetEnabled(false);
        if (inside && !menuTracking_)
            Click();
    }
    RefreshHover();
    if (repeatTimer_)
        repeatTimer_->SetEnabled(false);
}

void TRxSpeedButton::ChangeScale(int newDpi, int oldDpi) {
    TGraphicControl::ChangeScale(newDpi, oldDpi);
    glyph_->SetPixelsPerInch(newDpi);
}

void TRxSpeedButton::Click() {
    if (TForm* form = GetParentForm(this))
        form->ModalResult = ModalResult;
    TGraphicControl::Click();
}

void TRxSpeedButton::TimerExpired() {
    repeatTimer_->SetInterval(RepeatInterval);
    if (state_ == gsDown && MouseCapture()) {
        try {
            Click();
        } catch (...) {
            repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}
