#include "framework/Panel.h"

#include <algorithm>

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    // The panel paints every pixel of its window, so nothing is erased underneath first.
    ControlStyle |= csAcceptsControls | csOpaque;
    SetBoundsValues(0, 0, 185, 41);
    SetColor(clBtnFace);
}

TCustomPanel::~TCustomPanel() = default;

void TCustomPanel::SetBevelOuter(TPanelBevel value) {
    if (bevelOuter_ == value)
        return;
    bevelOuter_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel value) {
    if (bevelInner_ == value)
        return;
    bevelInner_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (bevelWidth_ == value)
        return;
    bevelWidth_ = value;
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
    value = std::max(value, 0);
    if (borderWidth_ == value)
        return;
    borderWidth_ = value;
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TFormBorderStyle value) {
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "TPanel";
    // The frame hugs the edges, so a change of size repaints all of it, not only the uncovered part.
    params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
    if (borderStyle_ != bsNone)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomPanel::Frame3D(TCanvas& canvas, RECT& rect, TColor top, TColor bottom, int width) {
    TBrush& brush = canvas.Brush();
    for (int ring = 0; ring < width; ++ring) {
        const RECT& r = rect;
        if (r.right - r.left <= 0 || r.bottom - r.top <= 0)
            break;
        brush.SetColor(top);
        canvas.FillRect(RECT{r.left, r.top, r.right - 1, r.top + 1});       // top edge, top-left corner
        canvas.FillRect(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}); // left edge
        brush.SetColor(bottom);
        canvas.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom});       // right edge, two corners
        canvas.FillRect(RECT{r.left, r.bottom - 1, r.right - 1, r.bottom}); // bottom edge, bottom-left
        InflateRect(&rect, -1, -1);
    }
    // A frame wider than the rectangle leaves nothing inside it.
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
}

namespace {

void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom) {
    top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}

} // namespace

void TCustomPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT rect = ClientRect();
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        BevelColors(bevelOuter_, top, bottom);
        Frame3D(canvas, rect, top, bottom, bevelWidth_);
    }
    Frame3D(canvas, rect, Color(), Color(), borderWidth_);
    if (bevelInner_ != bvNone) {
        BevelColors(bevelInner_, top, bottom);
        Frame3D(canvas, rect, top, bottom, bevelWidth_);
    }
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    const std::string caption = Caption();
    if (!caption.empty()) {
        canvas.Brush().SetStyle(bsClear);
        canvas.Font().Assign(Font());
        canvas.DrawText(caption, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}
