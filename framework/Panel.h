#pragma once

#include "framework/Controls.h"
#include "framework/Forms.h"

// The 3-D look of a panel's frame (and of a text drawn with it).
enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A windowed box in the button-face colour with an outer and an inner 3-D frame, a flat border between
// them and a caption centred in what is left. BorderStyle bsSingle adds a sunken window edge; the other
// form border styles count as bsSingle.
class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    ~TCustomPanel() override;

    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value); // at least 1
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value); // at least 0
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);

    // Draws `width` nested one-pixel rings just inside `rect` and shrinks it by `width` on every side. In
    // each ring the top and left edges (and the top-left corner) take `top`, the bottom and right edges
    // (and the other three corners) take `bottom`.
    static void Frame3D(TCanvas& canvas, RECT& rect, TColor top, TColor bottom, int width);

protected:
    void CreateParams(TCreateParams& params) override;
    // Outer bevel, flat border, inner bevel, fill, caption.
    void Paint() override;

private:
    TPanelBevel bevelOuter_ = bvRaised;
    TPanelBevel bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TFormBorderStyle borderStyle_ = bsNone;
};
