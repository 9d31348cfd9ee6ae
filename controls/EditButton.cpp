#include "controls/EditButton.h"

TEditButton::TEditButton(TComponent* owner) : TRxSpeedButton(owner) {}

void TEditButton::Paint() {
    TRxSpeedButton::Paint();
    if (State() == gsDown || State() == gsExclusive)
        return;
    // Two lines along the left edge join the button to the edit's sunken frame.
    TCanvas& canvas = Canvas();
    canvas.Pen().SetColor(NewStyleLook(Style()) ? clBtnFace : clBtnShadow);
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, Height() - 2);
    canvas.Pen().SetColor(clBtnHighlight);
    canvas.MoveTo(1, 1);
    canvas.LineTo(1, Height() - 3);
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && OnClosePopup)
        OnClosePopup(this);
    TRxSpeedButton::MouseDown(button, shift, x, y);
}
