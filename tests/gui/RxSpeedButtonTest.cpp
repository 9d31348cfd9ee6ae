#include "controls/RxSpeedButton.h"

#include "controls/EditButton.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "runtime/Exceptions.h"
#include "tests/gui/GuiTestSupport.h"
#include "threads/Timer.h"

#include <gtest/gtest.h>

#include <memory>

using guitest::Rgb;

namespace {

constexpr TColor kOlive = static_cast<TColor>(RGB(128, 128, 0)); // the strips' transparent colour
// Each picture of a test strip: olive around a filled square of its own colour, with a marker pixel of
// its own at its top-left corner.
constexpr TColor kSliceColour[] = {static_cast<TColor>(RGB(200, 40, 60)),
                                   static_cast<TColor>(RGB(30, 160, 90)),
                                   static_cast<TColor>(RGB(20, 50, 220))};
constexpr TColor kSliceMarker[] = {static_cast<TColor>(RGB(250, 250, 0)),
                                   static_cast<TColor>(RGB(0, 250, 250)),
                                   static_cast<TColor>(RGB(250, 0, 250))};

TBitmap MakeStrip(int count, int size = 32) {
    TBitmap strip(size * count, size);
    for (int s = 0; s < count; ++s)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                TColor c = kOlive;
                if (x == 0 && y == 0)
                    c = kSliceMarker[s % 3];
                else if (x < size - 2 && y < size - 2)
                    c = kSliceColour[s % 3];
                strip.SetPixel(s * size + x, y, c);
            }
    return strip;
}

TColor Gray(TColor c) {
    const int g = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) >> 8;
    return static_cast<TColor>(RGB(g, g, g));
}

class RxSpeedButtonTest : public guitest::FormTest {
protected:
    RxSpeedButtonTest() : FormTest(240, 120) {}

    // A flat, transparent 58 x 33 button like those of the main window.
    TRxSpeedButton* AddFlatButton(const TBitmap& glyph, int numGlyphs, int left = 20, int top = 20) {
        auto* button = new TRxSpeedButton(form.get());
        button->SetParent(form.get());
        button->SetBounds(left, top, 58, 33);
        button->SetFlat(true);
        button->SetTransparent(true);
        button->SetGlyph(glyph);
        button->SetNumGlyphs(numGlyphs);
        button->OnClick = [this](TObject*) { ++clicks; };
        return button;
    }

    void ShowActive() {
        form->ShowAndSettle();
        SetForegroundWindow(form->Handle());
        ASSERT_TRUE(guitest::PumpUntil([&] { return Application->Active(); }))
            << "the test window never became active";
    }

    // A pixel of the button as its parent shows it when painted now.
    TColor ButtonPixel(TRxSpeedButton* button, int x, int y) {
        return guitest::RenderClient(*form).Pixel(button->Left() + x, button->Top() + y);
    }

    LPARAM At(TRxSpeedButton* button, int x, int y) {
        return MAKELPARAM(button->Left() + x, button->Top() + y);
    }

    int clicks = 0;
};

TEST(GlyphTest, GrayPixelWeightsAndTransparentColour) {
    EXPECT_EQ(GrayPixel(RGB(200, 40, 60), kOlive), static_cast<TColor>(RGB(90, 90, 90)));
    EXPECT_EQ(GrayPixel(RGB(255, 255, 255), kOlive), static_cast<TColor>(RGB(255, 255, 255)));
    EXPECT_EQ(GrayPixel(RGB(0, 0, 255), kOlive), static_cast<TColor>(RGB(28, 28, 28)));
    EXPECT_EQ(GrayPixel(kOlive, kOlive), kOlive);
}

TEST(GlyphTest, StripCountFromItsShapeAndNumGlyphsLimits) {
    InitFramework();
    TRxSpeedButton button(nullptr);
    EXPECT_EQ(button.NumGlyphs(), 1);
    button.SetGlyph(MakeStrip(3)); // 96 x 32 tells 3 by itself
    EXPECT_EQ(button.NumGlyphs(), 3);
    button.SetNumGlyphs(7);
    EXPECT_EQ(button.NumGlyphs(), 5);
    button.SetNumGlyphs(0);
    EXPECT_EQ(button.NumGlyphs(), 5);
    button.SetNumGlyphs(-2);
    EXPECT_EQ(button.NumGlyphs(), 5);
    button.SetNumGlyphs(2);
    button.SetGlyph(TBitmap(50, 32)); // not a multiple of its height: the count stays
    EXPECT_EQ(button.NumGlyphs(), 2);
    button.SetGlyph(TBitmap(7 * 16, 16)); // seven squares are too many: one picture
    EXPECT_EQ(button.NumGlyphs(), 1);
}

TEST(GlyphTest, PreparedImagesPerStateAreMadeOnceAndDroppedOnChange) {
    InitFramework();
    TRxButtonGlyph glyph;
    glyph.SetGlyph(MakeStrip(3));
    TBitmap* up = glyph.PrepareStateImage(gsUp);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->Width(), 32);
    EXPECT_EQ(up->Pixel(0, 0), kSliceMarker[0]);
    EXPECT_EQ(glyph.PrepareStateImage(gsUp), up);
    EXPECT_EQ(glyph.PrepareStateImage(gsDisabled)->Pixel(0, 0), kSliceMarker[1]);
    EXPECT_EQ(glyph.PrepareStateImage(gsDown)->Pixel(0, 0), kSliceMarker[2]);
    EXPECT_EQ(glyph.PrepareStateImage(gsExclusive)->Pixel(0, 0), kSliceMarker[0]);
    TBitmap* inactive = glyph.PrepareStateImage(gsInactive);
    EXPECT_EQ(inactive->Pixel(0, 0), Gray(kSliceMarker[0]));
    EXPECT_EQ(inactive->Pixel(5, 5), Gray(kSliceColour[0]));
    EXPECT_EQ(inactive->Pixel(31, 31), kOlive);
    // A glyph without a picture draws nothing.
    TRxButtonGlyph empty;
    EXPECT_EQ(empty.PrepareStateImage(gsUp), nullptr);
}

TEST_F(RxSpeedButtonTest, ConstructionDefaultsAndLiveCount) {
    const int before = TRxSpeedButton::LiveButtonCount();
    auto* button = new TRxSpeedButton(form.get());
    EXPECT_EQ(TRxSpeedButton::LiveButtonCount(), before + 1);
    EXPECT_EQ(button->Width(), 25);
    EXPECT_EQ(button->Height(), 25);
    EXPECT_TRUE(button->GrayedInactive());
    EXPECT_TRUE(button->ShowHint());
    EXPECT_FALSE(button->ParentShowHint());
    EXPECT_TRUE(button->ParentFont());
    EXPECT_EQ(button->Spacing(), 1);
    EXPECT_EQ(button->Margin(), -1);
    EXPECT_EQ(button->Layout(), blGlyphTop);
    EXPECT_EQ(button->Style(), bsAutoDetect);
    EXPECT_EQ(button->InitPause, 500);
    EXPECT_EQ(button->RepeatInterval, 100);
    EXPECT_TRUE(button->MarkDropDown());
    EXPECT_EQ(button->State(), gsUp);
    delete button;
    EXPECT_EQ(TRxSpeedButton::LiveButtonCount(), before);
}

TEST_F(RxSpeedButtonTest, FlatButtonLooksInactiveHoveredPressedAndDisabled) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3);
    ShowActive();
    const TColor face = Rgb(clBtnFace);

    // Mouse away: no border, the gray version of picture 0 at (13, 0); olive lets the window through.
    EXPECT_EQ(ButtonPixel(button, 0, 5), face);
    EXPECT_EQ(ButtonPixel(button, 57, 5), face);
    EXPECT_EQ(ButtonPixel(button, 13, 0), Gray(kSliceMarker[0]));
    EXPECT_EQ(ButtonPixel(button, 20, 10), Gray(kSliceColour[0]));
    EXPECT_EQ(ButtonPixel(button, 13 + 31, 31), face);

    // Mouse over (reported by the idle processing): raised thin border, picture 0 in colour.
    POINT centre = button->ClientToScreen(POINT{29, 16});
    SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(guitest::PumpUntil([&] { return button->MouseInside(); })) << "no hover";
    EXPECT_EQ(ButtonPixel(button, 0, 5), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 5, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 57, 5), Rgb(clBtnShadow));
    EXPECT_EQ(ButtonPixel(button, 5, 32), Rgb(clBtnShadow));
    EXPECT_EQ(ButtonPixel(button, 13, 0), kSliceMarker[0]);
    EXPECT_EQ(ButtonPixel(button, 12, 1), face);
    EXPECT_EQ(ButtonPixel(button, 20, 10), kSliceColour[0]);
    // The hover look reached the window at once, through the one copy of the draw buffer.
    ASSERT_TRUE(guitest::PumpUntil([&] { return !GetUpdateRect(form->Handle(), nullptr, FALSE); }));
    EXPECT_EQ(guitest::CaptureClient(form->Handle()).Pixel(button->Left() + 13, button->Top()),
              kSliceMarker[0]);

    // Held down: sunken border, picture 2 moved to (14, 1).
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 29, 16));
    EXPECT_EQ(button->State(), gsDown);
    EXPECT_EQ(ButtonPixel(button, 0, 5), Rgb(clWindowFrame));
    EXPECT_EQ(ButtonPixel(button, 5, 0), Rgb(clWindowFrame));
    EXPECT_EQ(ButtonPixel(button, 57, 5), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 5, 32), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 14, 1), kSliceMarker[2]);
    EXPECT_EQ(ButtonPixel(button, 13, 1), face);
    EXPECT_EQ(ButtonPixel(button, 21, 11), kSliceColour[2]);
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(button, 29, 16));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->State(), gsUp);
    EXPECT_TRUE(button->MouseInside()); // still over it after the release

    // Disabled with the mouse over it: no border, picture 1.
    button->SetEnabled(false);
    EXPECT_FALSE(button->MouseInside());
    EXPECT_EQ(ButtonPixel(button, 0, 5), face);
    EXPECT_EQ(ButtonPixel(button, 13, 0), kSliceMarker[1]);
    EXPECT_EQ(ButtonPixel(button, 20, 10), kSliceColour[1]);
    EXPECT_EQ(button->State(), gsDisabled);
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 29, 16));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(button, 29, 16));
    EXPECT_EQ(clicks, 1);

    // Enabled again with the mouse still over it: lit up again.
    button->SetEnabled(true);
    EXPECT_TRUE(button->MouseInside());
    EXPECT_EQ(ButtonPixel(button, 0, 5), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 13, 0), kSliceMarker[0]);
    EXPECT_EQ(button->State(), gsUp);

    // Away again: gray.
    SetCursorPos(0, 0);
    ASSERT_TRUE(guitest::PumpUntil([&] { return !button->MouseInside(); })) << "no leave";
    EXPECT_EQ(ButtonPixel(button, 13, 0), Gray(kSliceMarker[0]));
}

TEST_F(RxSpeedButtonTest, InactiveApplicationDoesNotLightTheButton) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3);
    form->ShowAndSettle();
    // Another program's window is active (or none of ours): the entering mouse is ignored.
    if (!Application->Active()) {
        button->Perform(CM_MOUSEENTER);
        EXPECT_FALSE(button->MouseInside());
    }
    ShowActive();
    button->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(button->MouseInside());
    button->Perform(CM_MOUSELEAVE);
    EXPECT_FALSE(button->MouseInside());
    SetActiveWindow(nullptr);
    SetForegroundWindow(GetDesktopWindow());
    if (guitest::PumpUntil([&] { return !Application->Active(); }, 2000)) {
        button->Perform(CM_MOUSEENTER);
        EXPECT_FALSE(button->MouseInside());
        EXPECT_EQ(ButtonPixel(button, 13, 0), Gray(kSliceMarker[0]));
    }
}

TEST_F(RxSpeedButtonTest, OneImageGlyphDisabledShowsItsBlackPixelsEtched) {
    TBitmap glyph(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            glyph.SetPixel(x, y, kOlive);
    glyph.SetPixel(10, 10, clBlack);
    glyph.SetPixel(20, 10, clRed);
    glyph.SetPixel(5, 20, clBlack);
    glyph.SetPixel(6, 20, static_cast<TColor>(RGB(1, 0, 0))); // nearly black is not black
    TRxSpeedButton* button = AddFlatButton(glyph, 1);
    button->SetEnabled(false);
    ShowActive();
    const TColor face = Rgb(clBtnFace);
    // Picture at (13, 0): shadow at the black pixels, highlight one down-right of them, face elsewhere.
    EXPECT_EQ(ButtonPixel(button, 13 + 10, 10), Rgb(clBtnShadow));
    EXPECT_EQ(ButtonPixel(button, 13 + 11, 11), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 13 + 5, 20), Rgb(clBtnShadow));
    EXPECT_EQ(ButtonPixel(button, 13 + 6, 21), Rgb(clBtnHighlight));
    EXPECT_EQ(ButtonPixel(button, 13 + 20, 10), face);
    EXPECT_EQ(ButtonPixel(button, 13 + 6, 20), face);
    EXPECT_EQ(ButtonPixel(button, 13 + 11, 10), face);
    EXPECT_EQ(ButtonPixel(button, 13 + 0, 31), face);

    // The same etched picture, made directly.
    TBitmap etched = MakeDisabledImage(glyph);
    EXPECT_EQ(etched.Pixel(10, 10), Rgb(clBtnShadow));
    EXPECT_EQ(etched.Pixel(11, 11), Rgb(clBtnHighlight));
    EXPECT_EQ(etched.Pixel(20, 10), face);
    EXPECT_EQ(etched.Pixel(0, 0), face);
}

TEST_F(RxSpeedButtonTest, TwoImageStripPressedShowsImageZero) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(2), 2);
    ShowActive();
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 29, 16));
    ASSERT_EQ(button->State(), gsDown);
    EXPECT_EQ(ButtonPixel(button, 14, 1), kSliceMarker[0]);
    EXPECT_EQ(ButtonPixel(button, 21, 11), kSliceColour[0]);
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(button, 29, 16));
}

TEST_F(RxSpeedButtonTest, ClickComesOnReleaseInsideOnly) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3);
    int ups = 0;
    button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    ShowActive();
    HWND window = form->Handle();

    // Press and release inside: one click, on the release.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return button->Dragging(); }));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button->MouseCapture());
    PostMessageA(window, WM_LBUTTONUP, 0, At(button, 10, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return ups == 1; }));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->MouseCapture());

    // Press inside, drag outside (the button comes up), release outside: no click.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(button, 70, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return button->Dragging() && button->State() == gsUp; }));
    EXPECT_EQ(ButtonPixel(button, 13, 0), kSliceMarker[0]);
    // Back inside it is down again; the row just below the bottom edge still counts as inside.
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(button, 10, 33));
    EXPECT_EQ(button->State(), gsDown);
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(button, 58, 10));
    EXPECT_EQ(button->State(), gsUp);
    PostMessageA(window, WM_LBUTTONUP, 0, At(button, 70, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return ups == 2; }));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->State(), gsUp);
    EXPECT_FALSE(button->Dragging());

    // Released on the row below the bottom edge: a click.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    PostMessageA(window, WM_LBUTTONUP, 0, At(button, 10, 33));
    ASSERT_TRUE(guitest::PumpUntil([&] { return ups == 3; }));
    EXPECT_EQ(clicks, 2);
}

TEST_F(RxSpeedButtonTest, DoubleClickGivesExactlyOneClick) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3);
    int ups = 0, doubles = 0;
    button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    button->OnDblClick = [&](TObject*) { ++doubles; };
    ShowActive();
    HWND window = form->Handle();
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    PostMessageA(window, WM_LBUTTONUP, 0, At(button, 10, 10));
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(button, 10, 10));
    PostMessageA(window, WM_LBUTTONUP, 0, At(button, 10, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return ups == 2; }));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 0); // a plain button is never down
    EXPECT_EQ(button->State(), gsUp);
}

TEST_F(RxSpeedButtonTest, GroupedButtonsStayDownOneAtATime) {
    TRxSpeedButton* a = AddFlatButton(MakeStrip(3), 3, 20, 20);
    TRxSpeedButton* b = AddFlatButton(MakeStrip(3), 3, 100, 20);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    ShowActive();
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(a, 10, 10));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(a, 10, 10));
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), gsExclusive);
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(b, 10, 10));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(b, 10, 10));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    // Without AllowAllUp the last one down stays down.
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(b, 10, 10));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(b, 10, 10));
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(clicks, 3);
    // Held down shows a sunken border and the picture moved by (1, 1), gray while the mouse is away.
    EXPECT_EQ(ButtonPixel(b, 0, 5), Rgb(clWindowFrame));
    EXPECT_EQ(ButtonPixel(b, 14, 1), Gray(kSliceMarker[0]));
    b->SetFlat(false);
    EXPECT_EQ(ButtonPixel(b, 14, 1), kSliceMarker[0]);
}

// A grouped button held down and not flat fills its face with button face and white, white where the
// pixel's row and column have the same parity.
TEST_F(RxSpeedButtonTest, AnExclusiveButtonThatIsNotFlatShowsTheWhiteChecker) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3, 20, 20);
    button->SetFlat(false);
    button->SetGroupIndex(1);
    button->SetDown(true);
    ShowActive();
    ASSERT_EQ(button->State(), gsExclusive);
    // The face left of the picture, inside the two sunken frames.
    for (int y = 3; y < 12; ++y)
        for (int x = 2; x < 8; ++x)
            EXPECT_EQ(ButtonPixel(button, x, y), (x & 1) == (y & 1) ? Rgb(clWhite) : Rgb(clBtnFace))
                << x << "," << y;
}

TEST_F(RxSpeedButtonTest, TransparentButtonShowsTheParentAndEarlierSiblings) {
    form->SetColor(clTeal);
    // A plain square drawn before the button, under its left part.
    class Square : public TGraphicControl {
    public:
        using TGraphicControl::TGraphicControl;

    protected:
        void Paint() override {
            Canvas().Brush().SetColor(clRed);
            Canvas().FillRect(RECT{0, 0, Width(), Height()});
        }
    };
    auto* square = new Square(form.get());
    square->SetParent(form.get());
    square->SetBounds(10, 20, 14, 33);
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3, 20, 20);
    auto* opaque = AddFlatButton(MakeStrip(3), 3, 120, 20);
    opaque->SetTransparent(false);
    ShowActive();
    EXPECT_EQ(ButtonPixel(button, 2, 10), Rgb(clRed));        // the earlier sibling
    EXPECT_EQ(ButtonPixel(button, 6, 10), Rgb(clTeal));       // the parent
    EXPECT_EQ(ButtonPixel(button, 13 + 31, 31), Rgb(clTeal)); // through the picture's transparent colour
    EXPECT_EQ(ButtonPixel(opaque, 6, 10), Rgb(clBtnFace));
    EXPECT_EQ(ButtonPixel(opaque, 13 + 31, 31), Rgb(clBtnFace));
}

TEST_F(RxSpeedButtonTest, CaptionIsLaidOutAndDrawnGrayWhenDisabled) {
    auto* button = new TRxSpeedButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(20, 20, 80, 30);
    button->SetCaption("MMMM");
    ShowActive();
    auto count = [&](TColor colour) {
        TBitmap image = guitest::RenderClient(*form);
        int n = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 80; ++x)
                n += image.Pixel(20 + x, 20 + y) == colour;
        return n;
    };
    const TColor text = Rgb(button->Font().Color());
    EXPECT_GT(count(text), 0);
    button->SetEnabled(false);
    EXPECT_GT(count(static_cast<TColor>(RGB(128, 128, 128))), 0);
    EXPECT_GT(count(static_cast<TColor>(RGB(255, 255, 255))), 0);
    if (text != static_cast<TColor>(RGB(128, 128, 128))) {
        EXPECT_EQ(count(text), 0);
    }
}

TEST_F(RxSpeedButtonTest, EditButtonJoinsTheEditFrameUnlessPressed) {
    auto* button = new TEditButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(20, 20, 21, 17);
    TBitmap folder(14, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x)
            folder.SetPixel(x, y,
                            y == 0 && x == 0   ? kSliceMarker[0]
                            : x < 12 && y < 10 ? kSliceColour[0]
                                               : clFuchsia);
    button->SetGlyph(folder);
    button->SetNumGlyphs(1);
    int closed = 0;
    button->OnClosePopup = [&](TObject*) { ++closed; };
    ShowActive();
    EXPECT_EQ(ButtonPixel(button, 3, 2), kSliceMarker[0]);
    // x = 0 from y = 0 to height - 2, x = 1 from y = 1 to height - 3, both ends included.
    for (int y : {0, 5, 15})
        EXPECT_EQ(ButtonPixel(button, 0, y), Rgb(clBtnFace)) << y;
    for (int y : {1, 5, 14})
        EXPECT_EQ(ButtonPixel(button, 1, y), Rgb(clBtnHighlight)) << y;
    EXPECT_EQ(ButtonPixel(button, 20, 5), Rgb(clWindowFrame));
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 8));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(ButtonPixel(button, 4, 3), kSliceMarker[0]);
    EXPECT_EQ(ButtonPixel(button, 0, 5), Rgb(clWindowFrame));
    EXPECT_EQ(ButtonPixel(button, 1, 5), Rgb(clBtnShadow));
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(button, 10, 8));
    EXPECT_EQ(button->State(), gsUp);
}

// The button's repeat timer (made on its first auto-repeat press) is on.
bool RepeatTimerRuns(const TRxSpeedButton& button) {
    for (int i = 0; i < button.ComponentCount(); ++i)
        if (const auto* timer = dynamic_cast<const TTimer*>(button.Components(i)))
            return timer->Enabled();
    return false;
}

TEST_F(RxSpeedButtonTest, AutoRepeatClicksWhileHeldAndStopsOnRelease) {
    TRxSpeedButton* button = AddFlatButton(MakeStrip(3), 3);
    button->SetAllowTimer(true);
    button->InitPause = 30;
    button->RepeatInterval = 10;
    ShowActive();
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    EXPECT_EQ(clicks, 0);
    ASSERT_TRUE(guitest::PumpUntil([&] { return clicks >= 3; })) << "no repeated clicks";
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, At(button, 10, 10));
    const int afterRelease = clicks;
    EXPECT_FALSE(RepeatTimerRuns(*button));
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(clicks, afterRelease);

    // A failing click stops the repeat; the error reaches the error display once.
    int errors = 0;
    Application->MessageBoxHook = [&](HWND, const std::string&, const std::string&, unsigned) {
        ++errors;
        return IDOK;
    };
    button->OnClick = [](TObject*) { throw Exception("Repeat failed"); };
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(button, 10, 10));
    ASSERT_TRUE(guitest::PumpUntil([&] { return errors >= 1; }));
    EXPECT_FALSE(RepeatTimerRuns(*button));
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(errors, 1);
}

} // namespace
