#include "controls/EditButton.h"

TEditButton::TEditButton(TComponent* owner) : TRxSpeedButton(owner) {}

void TEditButton::Paint() {
    TRxSpeedButton::Paint();
    if (State() == gsDown || State() == gsExclusive)
        return;
    // Two lines along the left edge join the button to the edit's sunken frame: x = 0 from y = 0 to
    // height - 2 and x = 1 from y = 1 to height - 3, both inclusive (LineTo leaves out its end point).
    TCanvas& canvas = Canvas();
    canvas.Pen().SetColor(NewStyleLook(Style()) ? clBtnFace : clBtnShadow);
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, Height() - 1);
    canvas.Pen().SetColor(clBtnHighlight);
    canvas.MoveTo(1, 1);
    canvas.LineTo(1, Height() - 2);
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && OnClosePopup)
        OnClosePopup(this);
    TRxSpeedButton::MouseDown(button, shift, x, y);
}
