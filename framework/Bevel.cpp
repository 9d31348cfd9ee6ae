#include "framework/Bevel.h"

namespace {

// A one-pixel 3-D frame: `topLeft` along the top and left edges, `bottomRight` along the bottom and
// right edges (which own the top-right and bottom-left corners).
void Frame3D(TCanvas& canvas, const RECT& r, TColor topLeft, TColor bottomRight) {
    const int right = r.right - 1, bottom = r.bottom - 1;
    canvas.Pen().SetColor(topLeft);
    canvas.MoveTo(r.left, bottom);
    canvas.LineTo(r.left, r.top);
    canvas.LineTo(right, r.top);
    canvas.Pen().SetColor(bottomRight);
    canvas.LineTo(right, bottom);
    canvas.LineTo(r.left - 1, bottom);
}

void Line(TCanvas& canvas, TColor color, int x1, int y1, int x2, int y2) {
    canvas.Pen().SetColor(color);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

} // namespace

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBoundsValues(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
    if (shape_ == value)
        return;
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (style_ == value)
        return;
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas& canvas = Canvas();
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width(), h = Height();
    switch (shape_) {
        case bsBox:
            Frame3D(canvas, RECT{0, 0, w, h}, first, second);
            break;
        case bsFrame:
            // Two nested frames of opposite sense: an engraved (or embossed) line.
            Frame3D(canvas, RECT{0, 0, w - 1, h - 1}, first, first);
            Frame3D(canvas, RECT{1, 1, w, h}, second, second);
            break;
        case bsTopLine:
            Line(canvas, first, 0, 0, w, 0);
            Line(canvas, second, 0, 1, w, 1);
            break;
        case bsBottomLine:
            Line(canvas, first, 0, h - 2, w, h - 2);
            Line(canvas, second, 0, h - 1, w, h - 1);
            break;
        case bsLeftLine:
            Line(canvas, first, 0, 0, 0, h);
            Line(canvas, second, 1, 0, 1, h);
            break;
        case bsRightLine:
            Line(canvas, first, w - 2, 0, w - 2, h);
            Line(canvas, second, w - 1, 0, w - 1, h);
            break;
    }
}
