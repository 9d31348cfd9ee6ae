#include "controls/RxLabel.h"

#include <algorithm>

#include "controls/RxSpeedButton.h"
#include "framework/Application.h"
#include "framework/Forms.h"

namespace {

UINT AlignmentFlag(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return DT_RIGHT;
        case taCenter:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

} // namespace

void PaintShadowedText(TCanvas& canvas, const std::string& text, RECT& rect, UINT format, int shadowSize,
                       TColor shadowColor, TShadowPosition position) {
    RECT shadow = rect;
    switch (position) {
        case spLeftTop:
            OffsetRect(&shadow, -shadowSize, -shadowSize);
            break;
        case spLeftBottom:
            OffsetRect(&shadow, -shadowSize, shadowSize);
            break;
        case spRightBottom:
            OffsetRect(&shadow, shadowSize, shadowSize);
            break;
        case spRightTop:
            OffsetRect(&shadow, shadowSize, -shadowSize);
            break;
    }
    const TColor fontColor = canvas.Font().Color();
    canvas.Font().SetColor(shadowColor);
    canvas.DrawText(text, shadow, format);
    canvas.Font().SetColor(fontColor);
    canvas.DrawText(text, rect, format);
    UnionRect(&rect, &rect, &shadow);
}

TRxCustomLabel::TRxCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    ControlStyle |= csOpaque;
    SetBounds(0, 0, 65, 17);
}

TRxCustomLabel::~TRxCustomLabel() = default;

void TRxCustomLabel::SetFocusControl(TWinControl* value) {
    if (focusControl_ == value)
        return;
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value)
        value->FreeNotification(this);
    if (showFocus_)
        Invalidate();
}

void TRxCustomLabel::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TRxCustomLabel::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    AdjustBounds();
}

void TRxCustomLabel::SetLayout(TTextLayout value) {
    if (layout_ == value)
        return;
    layout_ = value;
    Invalidate();
}

void TRxCustomLabel::SetShadowColor(TColor value) {
    if (shadowColor_ == value)
        return;
    shadowColor_ = value;
    Invalidate();
}

void TRxCustomLabel::SetShadowSize(std::uint8_t value) {
    if (shadowSize_ == value)
        return;
    shadowSize_ = value;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShadowPos(TShadowPosition value) {
    if (shadowPos_ == value)
        return;
    shadowPos_ = value;
    Invalidate();
}

void TRxCustomLabel::SetWordWrap(bool value) {
    if (wordWrap_ == value)
        return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShowAccelChar(bool value) {
    if (showAccelChar_ == value)
        return;
    showAccelChar_ = value;
    Invalidate();
}

void TRxCustomLabel::SetShowFocus(bool value) {
    if (showFocus_ == value)
        return;
    showFocus_ = value;
    Invalidate();
}

void TRxCustomLabel::SetTransparent(bool value) {
    if (Transparent() == value)
        return;
    if (value)
        ControlStyle &= ~csOpaque;
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

void TRxCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_)
        focusControl_ = nullptr;
}

void TRxCustomLabel::DrawLabelText(TCanvas& canvas, RECT& rect, UINT flags) {
    std::string text = Caption();
    // An empty caption still measures one line.
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&")))
        text += ' ';
    if (!showAccelChar_)
        flags |= DT_NOPREFIX;
    canvas.Font().Assign(Font());
    TColor shadowColor = shadowColor_;
    int shadowSize = Scaled(shadowSize_);
    TShadowPosition shadowPos = shadowPos_;
    if (!Enabled()) {
        canvas.Font().SetColor(clGrayText);
        shadowColor = clBtnHighlight;
        // A shadow under the text would vanish; the grayed text gets a highlight edge instead.
        if (shadowSize == 0 && NewStyleLook(bsAutoDetect)) {
            shadowSize = Scaled(1);
            shadowPos = spRightBottom;
        }
    }
    PaintShadowedText(canvas, text, rect, flags, shadowSize, shadowColor, shadowPos);
}

void TRxCustomLabel::Paint() {
    if (!Enabled())
        dragging_ = false;
    TCanvas& canvas = Canvas();
    const RECT client = ClientRect();
    if (!Transparent()) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(Color());
        canvas.FillRect(client);
    }
    canvas.Brush().SetStyle(bsClear);
    // The text stands one pixel (at 96 dpi) in from each side: room for a shadow to the left.
    const int inner = Scaled(1), leftMargin = Scaled(leftMargin_), rightMargin = Scaled(rightMargin_);
    RECT r{client.left + leftMargin + inner, client.top, client.right - rightMargin - inner, client.bottom};
    const UINT flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentFlag(alignment_);
    if (layout_ != tlTop) {
        DrawLabelText(canvas, r, flags | DT_CALCRECT);
        r.left = client.left + leftMargin;
        r.right = client.right - rightMargin;
        const int shift = layout_ == tlBottom ? Height() - r.bottom : (Height() - r.bottom) / 2;
        OffsetRect(&r, 0, shift);
    }
    DrawLabelText(canvas, r, flags);
    if (showFocus_ && focusControl_ && focusControl_->Focused()) {
        InflateRect(&r, 1, 0);
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(Color());
        canvas.DrawFocusRect(r);
    }
}

void TRxCustomLabel::AdjustBounds() {
    if (!autoSize_)
        return;
    const int inner = Scaled(1), leftMargin = Scaled(leftMargin_), rightMargin = Scaled(rightMargin_);
    RECT r = ClientRect();
    r.left += leftMargin + inner;
    r.right -= rightMargin + inner;
    {
        WindowDC screen(nullptr);
        TCanvas canvas;
        canvas.SetHandle(screen.Handle());
        DrawLabelText(canvas, r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
        canvas.SetHandle(nullptr);
    }
    if (!wordWrap_) {
        const int measured = r.right - r.left;
        r.right = r.left + std::max(measured, InkedWidth(measured, r.bottom - r.top));
    }
    r.left -= leftMargin + inner;
    r.right += rightMargin + inner;
    int left = Left();
    if (alignment_ == taRightJustify)
        left += Width() - r.right; // keeps the right edge
    SetBounds(left, Top(), r.right, r.bottom);
}

// Some rasterizers draw a size's glyphs wider than their advances add up to (Wine's Tahoma at 14 pixels,
// the size at 125 %, by five pixels): a label sized by the measure alone would cut its last letter. The
// caption is drawn once on a bitmap with room to spare, and its rightmost inked column counts too.
int TRxCustomLabel::InkedWidth(int width, int height) {
    const std::string text = Caption();
    if (text.empty() || (showAccelChar_ && text == "&") || width <= 0 || height <= 0)
        return 0; // measured as a blank, drawn as nothing
    TBitmap ink(width + 2 * height, height);
    TCanvas& canvas = ink.Canvas();
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(clBlack);
    canvas.Brush().SetStyle(bsClear);
    RECT r{0, 0, ink.Width(), height};
    canvas.DrawText(text, r, DT_EXPANDTABS | DT_NOCLIP | (showAccelChar_ ? 0 : DT_NOPREFIX));
    for (int x = ink.Width() - 1; x >= 0; --x)
        for (int y = 0; y < height; ++y)
            if (ink.Pixel(x, y) != clWhite)
                return x + 1;
    return 0;
}

void TRxCustomLabel::ChangeScale(int newDpi, int oldDpi) {
    TGraphicControl::ChangeScale(newDpi, oldDpi);
    // The text's own size decides, at the new font and shadow.
    AdjustBounds();
}

void TRxCustomLabel::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_TEXTCHANGED:
            Invalidate();
            AdjustBounds();
            return;
        case CM_FONTCHANGED:
            TGraphicControl::WndProc(message);
            AdjustBounds();
            return;
        case CM_DIALOGCHAR:
            if (focusControl_ && Enabled() && showAccelChar_) {
                if (IsAccelerator(message.WParam, Caption()) && focusControl_->CanFocus()) {
                    focusControl_->SetFocus();
                    message.Result = 1;
                }
            }
            return;
        case CM_FOCUSCHANGED: {
            const bool focused =
                focusControl_ && reinterpret_cast<TWinControl*>(message.LParam) == focusControl_;
            if (focused != focused_) {
                focused_ = focused;
                if (showFocus_)
                    Invalidate();
            }
            return;
        }
        case CM_MOUSEENTER:
            if (!mouseInside_ && Enabled() && Application && Application->Active()) {
                mouseInside_ = true;
                MouseEnter();
            }
            return;
        case CM_MOUSELEAVE:
            if (mouseInside_ && Enabled() && !dragging_) {
                mouseInside_ = false;
                MouseLeave();
            }
            return;
        case CM_ENABLEDCHANGED:
            TGraphicControl::WndProc(message);
            UpdateTracking();
            return;
        case CM_VISIBLECHANGED:
            TGraphicControl::WndProc(message);
            if (message.WParam)
                UpdateTracking();
            return;
    }
    TGraphicControl::WndProc(message);
}

void TRxCustomLabel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TRxCustomLabel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TRxCustomLabel::UpdateTracking() {
    const bool inside = Enabled() && Screen && Screen->ControlAtPos(Screen->CursorPos()) == this &&
                        Application && Application->Active();
    if (inside == mouseInside_)
        return;
    mouseInside_ = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TRxCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled())
        dragging_ = true;
    else if (button == mbRight)
        UpdateTracking();
}

void TRxCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft)
        dragging_ = false;
    if (button == mbLeft || button == mbRight)
        UpdateTracking();
}
