#pragma once

#include "controls/RxSpeedButton.h"

// The push button embedded at the right end of a combo edit: a non-flat glyph button that draws two
// vertical lines along its left edge, so that it joins the edit's sunken frame, unless it is drawn
// pressed. A left press first lets the edit close its popup.
class TEditButton : public TRxSpeedButton {
public:
    explicit TEditButton(TComponent* owner);

    TNotifyEvent OnClosePopup; // a left press is about to press the button

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
};
