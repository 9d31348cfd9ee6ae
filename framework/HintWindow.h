#pragma once

#include "framework/Controls.h"

#include <string>

// The small popup that shows a hint text, on the colour its owner gives it (the application: its hint
// colour).
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    // The rectangle (screen) that `text` needs with its margins, its top-left corner at `origin`.
    RECT CalcHintRect(const std::string& text, POINT origin);
    void ActivateHint(const RECT& screenRect, const std::string& text);
    void ReleaseHandle(); // hides the window
    bool IsHintShowing() const;
    // True for the messages that end a hint: mouse presses and key strokes.
    static bool IsHintMsg(const MSG& msg);

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};
