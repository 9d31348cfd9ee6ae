#include "controls/RxLabel.h"

#include "framework/Application.h"
#include "framework/Forms.h"
#include "tests/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using guitest::Rgb;

namespace {

// The size of one line of `text` in `font`, as the platform measures it.
SIZE Extent(TFont& font, const std::string& text) {
    WindowDC screen(nullptr);
    CanvasSelection select(screen.Handle(), font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(screen.Handle(), text.data(), static_cast<int>(text.size()), &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen.Handle(), &metrics);
    size.cy = metrics.tmHeight;
    return size;
}

class RxLabelTest : public guitest::FormTest {
protected:
    RxLabelTest() : FormTest(300, 120) {}

    TRxLabel* AddLabel(const std::string& caption, int left = 16, int top = 15) {
        auto* label = new TRxLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(left, top, label->Width(), label->Height());
        label->SetCaption(caption);
        return label;
    }

    // How many pixels of the label's area have `colour`.
    int Count(TRxLabel* label, TColor colour) {
        TBitmap image = guitest::RenderClient(*form);
        int n = 0;
        for (int y = 0; y < label->Height(); ++y)
            for (int x = 0; x < label->Width(); ++x)
                n += image.Pixel(label->Left() + x, label->Top() + y) == colour;
        return n;
    }
};

TEST_F(RxLabelTest, ConstructionDefaults) {
    TRxLabel label(nullptr);
    EXPECT_EQ(label.Width(), 65);
    EXPECT_EQ(label.Height(), 17);
    EXPECT_FALSE(label.Transparent());
    EXPECT_TRUE(label.AutoSize());
    EXPECT_TRUE(label.ShowAccelChar());
    EXPECT_EQ(label.ShadowColor(), clBtnHighlight);
    EXPECT_EQ(label.ShadowSize(), 1);
    EXPECT_EQ(label.ShadowPos(), spLeftTop);
    EXPECT_EQ(label.Alignment(), taLeftJustify);
    EXPECT_EQ(label.Layout(), tlTop);
}

TEST_F(RxLabelTest, AutoSizeIsTextWidthPlusTwoAndOneLineHigh) {
    TRxLabel* label = AddLabel("Project file name");
    const SIZE text = Extent(label->Font(), "Project file name");
    EXPECT_EQ(label->Width(), text.cx + 2);
    EXPECT_EQ(label->Height(), text.cy);
    EXPECT_EQ(label->Left(), 16);
    EXPECT_EQ(label->Top(), 15);

    // An empty caption, and a lone ampersand that underlines nothing, measure one blank.
    const SIZE blank = Extent(label->Font(), " ");
    label->SetCaption("");
    EXPECT_EQ(label->Width(), blank.cx + 2);
    EXPECT_EQ(label->Height(), blank.cy);
    label->SetCaption("&");
    EXPECT_EQ(label->Width(), blank.cx + 2);
    label->SetShowAccelChar(false);
    label->SetCaption("x");
    label->SetCaption("&");
    EXPECT_EQ(label->Width(), Extent(label->Font(), "&").cx + 2);

    // A prefixed character is measured without its ampersand.
    label->SetShowAccelChar(true);
    label->SetCaption("&Name");
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Name").cx + 2);

    // A font change sizes again.
    TFont big;
    big.SetHeight(-20);
    label->SetFont(big);
    EXPECT_EQ(label->Width(), Extent(label->Font(), "Name").cx + 2);
    EXPECT_EQ(label->Height(), Extent(label->Font(), "Name").cy);

    // Without AutoSize the bounds stay.
    label->SetAutoSize(false);
    label->SetBounds(16, 15, 200, 40);
    label->SetCaption("x");
    EXPECT_EQ(label->Width(), 200);
}

TEST_F(RxLabelTest, ShadowPositionAndSizeGrowTheLabel) {
    TRxLabel* label = AddLabel("Shadowed");
    label->SetShadowSize(0);
    const int w0 = label->Width(), h0 = label->Height();
    label->SetShadowPos(spRightBottom);
    label->SetShadowSize(2);
    EXPECT_EQ(label->Width(), w0 + 2);
    EXPECT_EQ(label->Height(), h0 + 2);
}

TEST_F(RxLabelTest, RightAlignedKeepsItsRightEdge) {
    TRxLabel* label = AddLabel("ab", 100);
    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("a much longer caption");
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_LT(label->Left(), 100);
    label->SetAlignment(taLeftJustify);
    const int left = label->Left();
    label->SetCaption("ab");
    EXPECT_EQ(label->Left(), left);
}

TEST_F(RxLabelTest, DrawsTextOverHighlightShadowAndGrayWhenDisabled) {
    TRxLabel* label = AddLabel("MMMM WWWW");
    label->Font().SetColor(clBlack);
    form->ShowAndSettle();
    const TColor highlight = Rgb(clBtnHighlight);
    EXPECT_GT(Count(label, Rgb(clBlack)), 10);
    EXPECT_GT(Count(label, highlight), 5);
    // The shadow lies one pixel up and left of the text: a text pixel's up-left neighbour, where it is
    // not text itself, is highlight far more often than its down-right one. (Where the text begins,
    // and whether its edges are smoothed, depends on the font the platform picks.)
    TBitmap image = guitest::RenderClient(*form);
    const auto shadowBeside = [&](int dx, int dy) {
        int count = 0;
        for (int y = label->Top() + 1; y < label->Top() + label->Height() - 1; ++y)
            for (int x = label->Left() + 1; x < label->Left() + label->Width() - 1; ++x)
                count += image.Pixel(x, y) == Rgb(clBlack) && image.Pixel(x + dx, y + dy) == highlight;
        return count;
    };
    EXPECT_GT(shadowBeside(-1, -1), 5);
    EXPECT_GT(shadowBeside(-1, -1), 2 * shadowBeside(1, 1));

    // Disabled: grayed text and a highlight shadow, whatever ShadowColor says.
    label->SetShadowColor(clRed);
    EXPECT_GT(Count(label, Rgb(clRed)), 5);
    label->SetEnabled(false);
    EXPECT_GT(Count(label, Rgb(clGrayText)), 10);
    EXPECT_GT(Count(label, highlight), 5);
    EXPECT_EQ(Count(label, Rgb(clRed)), 0);
    if (Rgb(clGrayText) != Rgb(clBlack)) {
        EXPECT_EQ(Count(label, Rgb(clBlack)), 0);
    }

    // Size 0 hides the shadow under the text; disabled it becomes a highlight one pixel right-bottom.
    label->SetEnabled(true);
    label->SetShadowSize(0);
    EXPECT_EQ(Count(label, Rgb(clRed)), 0);
    label->SetEnabled(false);
    EXPECT_GT(Count(label, highlight), 5);
}

TEST_F(RxLabelTest, TransparentLabelPaintsNoBackground) {
    form->SetColor(clTeal);
    TRxLabel* label = AddLabel("i");
    label->SetAutoSize(false);
    label->SetBounds(16, 15, 80, 20);
    label->SetColor(clYellow);
    form->ShowAndSettle();
    EXPECT_EQ(guitest::RenderClient(*form).Pixel(16 + 60, 15 + 10), Rgb(clYellow));
    label->SetTransparent(true);
    EXPECT_TRUE(label->Transparent());
    EXPECT_FALSE(label->ControlStyle & csOpaque);
    EXPECT_EQ(guitest::RenderClient(*form).Pixel(16 + 60, 15 + 10), Rgb(clTeal));
    EXPECT_EQ(Count(label, Rgb(clYellow)), 0);
    label->SetTransparent(false);
    EXPECT_TRUE(label->ControlStyle & csOpaque);
}

TEST_F(RxLabelTest, LayoutsPlaceTheTextVertically) {
    TRxLabel* label = AddLabel("MMMM");
    label->Font().SetColor(clBlack);
    label->SetShadowSize(0);
    label->SetAutoSize(false);
    label->SetBounds(16, 15, 80, 60);
    form->ShowAndSettle();
    auto firstTextRow = [&] {
        TBitmap image = guitest::RenderClient(*form);
        for (int y = 0; y < label->Height(); ++y)
            for (int x = 0; x < label->Width(); ++x)
                if (image.Pixel(label->Left() + x, label->Top() + y) == Rgb(clBlack))
                    return y;
        return -1;
    };
    const int top = firstTextRow();
    ASSERT_GE(top, 0);
    label->SetLayout(tlBottom);
    const int bottom = firstTextRow();
    label->SetLayout(tlCenter);
    const int centre = firstTextRow();
    const int lineHeight = Extent(label->Font(), "M").cy;
    EXPECT_EQ(bottom - top, 60 - lineHeight);
    EXPECT_EQ(centre - top, (60 - lineHeight) / 2);
}

TEST_F(RxLabelTest, AcceleratorMovesTheFocusAndFocusControlIsForgotten) {
    auto* edit = new TWinControl(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(16, 40, 100, 20);
    auto* other = new TWinControl(form.get());
    other->SetParent(form.get());
    other->SetBounds(16, 70, 100, 20);
    TRxLabel* label = AddLabel("&Name");
    label->SetFocusControl(edit);
    label->SetShowFocus(true);
    form->ShowAndSettle();
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(guitest::PumpUntil([&] { return Application->Active(); }));
    other->SetFocus();
    ASSERT_TRUE(guitest::PumpUntil([&] { return other->Focused(); }));

    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'x'), 0);
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'n'), 1);
    EXPECT_TRUE(guitest::PumpUntil([&] { return edit->Focused(); }));
    // Nothing happens while accelerators are not shown or the label is disabled.
    other->SetFocus();
    label->SetShowAccelChar(false);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'N'), 0);
    label->SetShowAccelChar(true);
    label->SetEnabled(false);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'N'), 0);
    label->SetEnabled(true);

    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'n'), 0);
}

TEST_F(RxLabelTest, MouseEnterAndLeaveThroughTheIdleProcessing) {
    TRxLabel* label = AddLabel("Hover over me");
    int enters = 0, leaves = 0;
    label->OnMouseEnter = [&](TObject*) { ++enters; };
    label->OnMouseLeave = [&](TObject*) { ++leaves; };
    form->ShowAndSettle();
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(guitest::PumpUntil([&] { return Application->Active(); }));
    POINT inside = label->ClientToScreen(POINT{5, 5});
    SetCursorPos(inside.x, inside.y);
    ASSERT_TRUE(guitest::PumpUntil([&] { return enters == 1; })) << "no enter";
    EXPECT_TRUE(label->MouseInside());
    // A held left button keeps the label tracked while the mouse leaves.
    SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(label->Left() + 5, label->Top() + 5));
    EXPECT_TRUE(label->Dragging());
    label->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(leaves, 0);
    SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(label->Left() + 5, label->Top() + 5));
    EXPECT_FALSE(label->Dragging());
    SetCursorPos(0, 0);
    ASSERT_TRUE(guitest::PumpUntil([&] { return leaves == 1; })) << "no leave";
    EXPECT_FALSE(label->MouseInside());
    EXPECT_EQ(enters, 1);
}

} // namespace
