#include "credits/SecretPanel.h"

#include "GuiTestSupport.h"
#include "credits/Credits.h"
#include "credits/NotifyingStrings.h"
#include "framework/Application.h"
#include "framework/Panel.h"
#include "runtime/Exceptions.h"
#include "threads/RxTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using guitest::CaptureClient;
using guitest::PumpUntil;

namespace {

// A credits panel that counts its ticks and can be stepped by hand.
class ProbePanel : public TSecretPanel {
public:
    using TSecretPanel::LayoutTextArea;
    using TSecretPanel::TSecretPanel;

    void Step(int times = 1) {
        for (int i = 0; i < times; ++i)
            ScrollTick(nullptr);
    }
    int ticks = 0;

protected:
    void ScrollTick(TObject* sender) override {
        ++ticks;
        TSecretPanel::ScrollTick(sender);
    }
};

// A window-less child that a panel hides while it plays.
class Child : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
};

int MeasuredHeight(const TFont& font) {
    WindowDC dc(nullptr);
    CanvasSelection select(dc.Handle(), font.Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Handle(), &metrics);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

class SecretPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        guitest::CollectBoxTexts(boxes);
        form = std::make_unique<guitest::TestForm>(300, 240);
    }
    void TearDown() override {
        form.reset();
        Application->MessageBoxHook = nullptr;
    }

    // The main window's credits panel, at its place on the form, its ticks left to the test (interval 0).
    ProbePanel* MakeCreditsPanel() {
        auto* panel = new ProbePanel(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(8, 8, 281, 220);
        SetupCreditsPanel(*panel);
        panel->SetInterval(0);
        panel->OnStartPlay = [this](TObject* sender) { events.push_back(sender ? "start" : "start?"); };
        panel->OnStopPlay = [this](TObject* sender) { events.push_back(sender ? "stop" : "stop?"); };
        return panel;
    }

    // Starts play and lets the repaint that starting asks for happen, so later frames stay on the window.
    static void Play(TSecretPanel& panel) {
        panel.SetActive(true);
        UpdateWindow(panel.Handle());
    }

    // The panel's pixels as the window shows them now, once every pending paint is done.
    TBitmap Shown(TWinControl& panel) {
        UpdateWindow(form->Handle());
        UpdateWindow(panel.Handle());
        return CaptureClient(panel.Handle());
    }

    static int CountInside(const TBitmap& image, const RECT& area, TColor color) {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += image.Pixel(x, y) == TColor(ColorToRGB(color));
        return count;
    }

    std::unique_ptr<guitest::TestForm> form;
    std::vector<std::string> events;
    std::vector<std::string> boxes;
};

// ---- The plain panel ------------------------------------------------------------------------------

TEST_F(SecretPanelTest, PlainPanelDrawsNestedBevelsBorderAndFill) {
    auto* panel = new TCustomPanel(form.get());
    EXPECT_EQ(panel->BevelOuter(), bvRaised);
    EXPECT_EQ(panel->BevelInner(), bvNone);
    EXPECT_EQ(panel->BevelWidth(), 1);
    EXPECT_EQ(panel->BorderWidth(), 0);
    EXPECT_EQ(panel->BorderStyle(), bsNone);
    EXPECT_EQ(panel->Color(), clBtnFace);
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 60, 40);
    panel->SetBevelWidth(2);
    panel->SetBorderWidth(1);
    panel->SetBevelInner(bvLowered);
    panel->SetColor(clYellow);
    form->ShowAndSettle();
    const TBitmap image = Shown(*panel);
    const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
    const TColor fill = clYellow;
    // Outer raised rings 0 and 1: top-left corner and top/left edges light, the other corners dark.
    for (int ring = 0; ring < 2; ++ring) {
        const int l = ring, t = ring, r = 59 - ring, b = 39 - ring;
        EXPECT_EQ(image.Pixel(l, t), light) << ring;
        EXPECT_EQ(image.Pixel(30, t), light) << ring;
        EXPECT_EQ(image.Pixel(l, 20), light) << ring;
        EXPECT_EQ(image.Pixel(r, t), dark) << ring;
        EXPECT_EQ(image.Pixel(l, b), dark) << ring;
        EXPECT_EQ(image.Pixel(r, b), dark) << ring;
        EXPECT_EQ(image.Pixel(30, b), dark) << ring;
        EXPECT_EQ(image.Pixel(r, 20), dark) << ring;
    }
    // The flat border in the panel's colour, then the lowered inner rings with swapped colours.
    EXPECT_EQ(image.Pixel(2, 2), fill);
    EXPECT_EQ(image.Pixel(57, 37), fill);
    for (int ring = 3; ring < 5; ++ring) {
        const int l = ring, t = ring, r = 59 - ring, b = 39 - ring;
        EXPECT_EQ(image.Pixel(l, t), dark) << ring;
        EXPECT_EQ(image.Pixel(r, t), light) << ring;
        EXPECT_EQ(image.Pixel(l, b), light) << ring;
        EXPECT_EQ(image.Pixel(r, b), light) << ring;
        EXPECT_EQ(image.Pixel(30, t), dark) << ring;
        EXPECT_EQ(image.Pixel(30, b), light) << ring;
    }
    EXPECT_EQ(image.Pixel(5, 5), fill);
    EXPECT_EQ(image.Pixel(54, 34), fill);
    EXPECT_EQ(image.Pixel(30, 20), fill);
}

TEST_F(SecretPanelTest, PlainPanelCentresItsCaption) {
    auto* panel = new TCustomPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 120, 40);
    panel->SetBevelOuter(bvNone);
    panel->Font().SetColor(clBlack);
    panel->SetCaption("Hello");
    form->ShowAndSettle();
    const TBitmap image = Shown(*panel);
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (image.Pixel(x, y) == clBlack) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "no caption drawn";
    EXPECT_NEAR((minX + maxX) / 2.0, 60, 3);
    EXPECT_NEAR((minY + maxY) / 2.0, 20, 3);
}

// ---- Construction and the main window's instance ------------------------------------------------------

TEST_F(SecretPanelTest, DefaultsAndTheMainWindowsInstance) {
    ProbePanel plain(nullptr);
    EXPECT_FALSE(plain.Active());
    EXPECT_EQ(plain.Alignment(), taCenter);
    EXPECT_FALSE(plain.Cycled());
    EXPECT_TRUE(plain.Glyph().Empty());
    EXPECT_EQ(plain.GlyphLayout(), glGlyphLeft);
    EXPECT_EQ(plain.Interval(), 30);
    EXPECT_EQ(plain.Lines().Count(), 0);
    EXPECT_EQ(plain.TextStyle(), bvNone);
    EXPECT_EQ(plain.BevelOuter(), bvLowered);
    EXPECT_EQ(plain.BevelInner(), bvNone);
    EXPECT_EQ(plain.Caption(), "");
    EXPECT_EQ(plain.LineHeight(), 1);
    EXPECT_EQ(plain.ScrollPos(), 0);
    EXPECT_EQ(plain.TextBitmap(), nullptr);
    EXPECT_FALSE(plain.ScrollTimer().Enabled());
    EXPECT_TRUE(plain.ScrollTimer().Threaded());
    EXPECT_TRUE(plain.ScrollTimer().SyncEvent());
    EXPECT_EQ(plain.ScrollTimer().Owner(), &plain);

    ProbePanel* panel = MakeCreditsPanel();
    const std::vector<std::string>& lines = CreditLines();
    ASSERT_EQ(panel->Lines().Count(), 36);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(panel->Lines()[i], lines[size_t(i)]) << i;
    EXPECT_EQ(lines[11], "Quorvel v. 1.01");
    EXPECT_EQ(lines[14], "file (.mak), selected on the upper ");
    EXPECT_EQ(lines[32], " is) to its authors.");
    EXPECT_EQ(lines[34], "The Quorvel authors, 2026");
    EXPECT_EQ(lines[35], "e-mail authors@quorvel.invalid");
    EXPECT_EQ(panel->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(panel->Font().Height(), -13);
    EXPECT_EQ(panel->Font().Style(), TFontStyles(fsBold));
    EXPECT_EQ(panel->Font().Color(), clBlack);
    EXPECT_EQ(panel->Font().Charset(), ANSI_CHARSET);
    EXPECT_FALSE(panel->ParentFont());
    EXPECT_EQ(panel->TextStyle(), bvRaised);

    panel->SetActive(true);
    const RECT area = panel->TextArea();
    EXPECT_EQ(area.left, 7);
    EXPECT_EQ(area.top, 4);
    EXPECT_EQ(area.right, 277);
    EXPECT_EQ(area.bottom, 216);
    // The raised text style adds one pixel to the font's cell height and external leading.
    EXPECT_EQ(panel->LineHeight(), MeasuredHeight(panel->Font()) + 1);
    ASSERT_NE(panel->TextBitmap(), nullptr);
    EXPECT_EQ(panel->TextBitmap()->Width(), 270);
    EXPECT_EQ(panel->TextBitmap()->Height(), 212);
}

TEST_F(SecretPanelTest, GlyphTakesItsSideOfTheInterior) {
    ProbePanel* panel = MakeCreditsPanel();
    TBitmap glyph(20, 10);
    panel->SetGlyph(glyph);
    EXPECT_EQ(panel->Glyph().Width(), 20);
    struct Case {
        TGlyphLayout layout;
        POINT glyphPos;
        RECT textArea;
    };
    // The interior inside the lowered bevel and the 3-pixel margin is (4, 4, 277, 216).
    const Case cases[] = {
        {glGlyphLeft, {7, 105}, {27, 4, 277, 216}},
        {glGlyphRight, {254, 105}, {4, 4, 254, 216}},
        {glGlyphTop, {130, 6}, {4, 16, 277, 216}},
        {glGlyphBottom, {130, 204}, {4, 4, 277, 204}},
    };
    for (const Case& c : cases) {
        panel->SetGlyphLayout(c.layout);
        panel->LayoutTextArea();
        EXPECT_EQ(panel->GlyphPos().x, c.glyphPos.x) << c.layout;
        EXPECT_EQ(panel->GlyphPos().y, c.glyphPos.y) << c.layout;
        EXPECT_TRUE(EqualRect(&panel->TextArea(), &c.textArea)) << c.layout;
    }
    // While playing, a new picture or layout lays the text out again at once.
    panel->SetGlyphLayout(glGlyphRight);
    panel->SetActive(true);
    panel->SetGlyph(TBitmap(40, 10));
    EXPECT_EQ(panel->TextArea().left, 4);
    EXPECT_EQ(panel->TextArea().right, 234);
    EXPECT_EQ(panel->TextBitmap()->Width(), 230);
    panel->SetGlyphLayout(glGlyphLeft);
    EXPECT_EQ(panel->TextArea().left, 47);
    EXPECT_EQ(panel->TextBitmap()->Width(), 230);
    panel->SetActive(false);
    events.clear();

    // No room left for text: the area becomes empty, yet play runs and ends as usual.
    panel->SetBounds(8, 8, 30, 60);
    panel->Lines().Clear();
    panel->Lines().Add("a");
    panel->Lines().Add("b");
    panel->SetActive(true);
    const RECT none{0, 0, 0, 0};
    EXPECT_TRUE(EqualRect(&panel->TextArea(), &none));
    panel->Step(panel->LineHeight() + 1);
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(SecretPanelTest, GlyphIsDrawnWhilePlayingWithoutItsTransparentColour) {
    ProbePanel* panel = MakeCreditsPanel();
    TBitmap glyph(12, 12);
    glyph.Canvas().Brush().SetColor(clOlive); // the bottom-left pixel's colour: transparent
    glyph.Canvas().FillRect(RECT{0, 0, 12, 12});
    glyph.Canvas().Brush().SetColor(clRed);
    glyph.Canvas().FillRect(RECT{0, 0, 6, 6});
    panel->SetGlyph(glyph);
    form->ShowAndSettle();
    panel->LayoutTextArea();
    const POINT at = panel->GlyphPos();
    EXPECT_EQ(Shown(*panel).Pixel(at.x + 1, at.y + 1), TColor(ColorToRGB(clBtnFace))); // inactive: no glyph
    Play(*panel);
    const TBitmap image = Shown(*panel);
    EXPECT_EQ(image.Pixel(at.x + 1, at.y + 1), clRed);
    EXPECT_EQ(image.Pixel(at.x + 9, at.y + 9), TColor(ColorToRGB(clBtnFace)));
    EXPECT_EQ(CountInside(image, RECT{0, 0, 281, 220}, clOlive), 0);
}

// ---- Start and stop -----------------------------------------------------------------------------------

TEST_F(SecretPanelTest, EachTransitionFiresOneEvent) {
    ProbePanel* panel = MakeCreditsPanel();
    panel->SetActive(false);
    EXPECT_TRUE(events.empty());
    panel->SetActive(true);
    panel->SetActive(true);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    EXPECT_TRUE(panel->ScrollTimer().Enabled());
    panel->Step(5);
    EXPECT_EQ(panel->ScrollPos(), 5);
    panel->SetActive(false); // fires before the write returns
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    EXPECT_FALSE(panel->ScrollTimer().Enabled());
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_EQ(panel->TextBitmap(), nullptr);
    panel->SetActive(false);
    EXPECT_EQ(events.size(), 2u);
    // Destroying an active panel stops it first.
    panel->SetActive(true);
    delete panel;
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop", "start", "stop"}));
}

TEST_F(SecretPanelTest, FailedStartLeavesThePanelInactiveWithoutStopEvent) {
    ProbePanel* panel = MakeCreditsPanel();
    bool refuse = true;
    panel->OnStartPlay = [&](TObject*) {
        events.push_back("start");
        if (refuse)
            throw EInvalidOperation("no credits today");
    };
    try {
        panel->SetActive(true);
        FAIL() << "the start handler's error was swallowed";
    } catch (const EInvalidOperation& error) {
        EXPECT_STREQ(error.what(), "no credits today");
    }
    EXPECT_FALSE(panel->Active());
    EXPECT_FALSE(panel->ScrollTimer().Enabled());
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    EXPECT_NE(panel->TextBitmap(), nullptr); // kept for the next attempt
    refuse = false;
    panel->SetActive(true);
    EXPECT_TRUE(panel->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "start"}));

    // A panel that cannot measure its font (it has no window to draw on) fails the same way.
    ProbePanel orphan(nullptr);
    orphan.Lines().Add("x");
    int starts = 0, stops = 0;
    orphan.OnStartPlay = [&](TObject*) { ++starts; };
    orphan.OnStopPlay = [&](TObject*) { ++stops; };
    EXPECT_THROW(orphan.SetActive(true), Exception);
    EXPECT_FALSE(orphan.Active());
    EXPECT_FALSE(orphan.ScrollTimer().Enabled());
    EXPECT_EQ(starts + stops, 0);
}

TEST_F(SecretPanelTest, ChildrenHiddenDuringPlayAndOnlyTheVisibleOnesComeBack) {
    ProbePanel* panel = MakeCreditsPanel();
    auto* shown = new Child(form.get());
    auto* hidden = new Child(form.get());
    auto* freed = new Child(form.get());
    for (Child* c : {shown, hidden, freed})
        c->SetParent(panel);
    hidden->Hide();
    panel->SetActive(true);
    EXPECT_FALSE(shown->Visible());
    EXPECT_FALSE(hidden->Visible());
    EXPECT_FALSE(freed->Visible());
    delete freed; // a child freed during play is simply forgotten
    panel->SetActive(false);
    EXPECT_TRUE(shown->Visible());
    EXPECT_FALSE(hidden->Visible());
    // The list is emptied at each stop: a child shown meanwhile by the owner is not hidden a second time.
    panel->SetActive(true);
    hidden->Show();
    panel->SetActive(false);
    EXPECT_TRUE(shown->Visible());
    EXPECT_TRUE(hidden->Visible());
}

TEST_F(SecretPanelTest, StopHandlerFailureStillRestoresTheChildren) {
    ProbePanel* panel = MakeCreditsPanel();
    auto* child = new Child(form.get());
    child->SetParent(panel);
    panel->OnStopPlay = [](TObject*) { throw EInvalidOperation("stop failed"); };
    panel->SetActive(true);
    EXPECT_THROW(panel->SetActive(false), EInvalidOperation);
    EXPECT_FALSE(panel->Active());
    EXPECT_TRUE(child->Visible());
    // Freed while active with a failing handler: the error goes to the error display, nothing escapes.
    panel->SetActive(true);
    delete panel;
    EXPECT_EQ(boxes, std::vector<std::string>{"stop failed."});
}

// ---- Scrolling ------------------------------------------------------------------------------------------

TEST_F(SecretPanelTest, MainCreditsPlayToTheEndOnTheRealTimer) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    panel->SetInterval(1);
    int32_t lastPos = -1;
    int stopTicks = -1;
    panel->OnStopPlay = [&](TObject*) {
        stopTicks = panel->ticks;
        events.push_back("stop");
    };
    panel->OnStartPlay = [&](TObject*) { events.push_back("start"); };
    // Watch the scroll position climb, one pixel per tick.
    int climbs = 0;
    panel->SetActive(true);
    const int lineHeight = panel->LineHeight();
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (panel->ScrollPos() > lastPos) {
                ++climbs;
                lastPos = panel->ScrollPos();
            }
            return stopTicks >= 0;
        },
        120000));
    EXPECT_EQ(stopTicks, 35 * lineHeight + 1);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    EXPECT_FALSE(panel->Active());
    EXPECT_FALSE(panel->ScrollTimer().Enabled());
    EXPECT_GT(climbs, 1);
    // No tick comes after the end, not even one already on its way.
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(panel->ticks, stopTicks);
}

TEST_F(SecretPanelTest, ScrollStepsEndsAndWraps) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    panel->Lines().Clear();
    panel->Lines().Add("one");
    panel->Lines().Add("two");
    panel->Lines().Add("three");
    panel->SetActive(true);
    const int lh = panel->LineHeight();
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 1);
    panel->Step(2 * lh - 1);
    EXPECT_EQ(panel->ScrollPos(), 2 * lh);
    EXPECT_TRUE(panel->Active());
    panel->Step();
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));

    // Cycled: the tick after the last frame starts again at 0, and play goes on.
    events.clear();
    panel->SetCycled(true);
    panel->SetActive(true);
    panel->Step(2 * lh);
    EXPECT_EQ(panel->ScrollPos(), 2 * lh);
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 0);
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 1);
    EXPECT_EQ(events, std::vector<std::string>{"start"});

    // A single line: the first tick ends play (or, cycled, stays at 0).
    panel->Lines().Clear();
    panel->Lines().Add("only");
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_TRUE(panel->Active());
    panel->SetCycled(false);
    panel->Step();
    EXPECT_FALSE(panel->Active());
    // A tick that arrives while inactive does nothing.
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(SecretPanelTest, ChangingLinesDuringPlayRestartsFromTheTop) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    Play(*panel);
    panel->Step(300);
    ASSERT_EQ(panel->ScrollPos(), 300);
    ASSERT_GT(CountInside(Shown(*panel), panel->TextArea(), clBlack), 0);
    panel->Lines().Add("one more");
    EXPECT_EQ(panel->ScrollPos(), 0);
    // The repaint clears the text area; the next tick draws position 1.
    EXPECT_EQ(CountInside(Shown(*panel), panel->TextArea(), clBlack), 0);
    panel->Step();
    EXPECT_EQ(panel->ScrollPos(), 1);
    EXPECT_TRUE(panel->Active());
    // Replacing the whole text is one modification too.
    panel->Step(10);
    std::vector<std::string> seen;
    TStringList replacement;
    replacement.Add("a");
    replacement.Add("b");
    panel->SetLines(replacement);
    EXPECT_EQ(panel->ScrollPos(), 0);
    EXPECT_EQ(panel->Lines().Count(), 2);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
}

TEST_F(SecretPanelTest, EmptyTextEndsAtTheFirstTickAndDrawsNothing) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    panel->Lines().Clear();
    panel->SetCycled(true);
    Play(*panel);
    panel->Step(5);
    EXPECT_TRUE(panel->Active());
    EXPECT_EQ(panel->ScrollPos(), 0);
    const TBitmap image = Shown(*panel);
    const RECT inner{1, 1, 280, 219};
    EXPECT_EQ(CountInside(image, inner, clBtnFace), 279 * 218);
    panel->SetCycled(false);
    panel->Step();
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

// ---- Frames on the window -------------------------------------------------------------------------------

TEST_F(SecretPanelTest, FramesStayInsideTheTextAreaWithARaisedHighlightCopy) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    Play(*panel);
    // Line 12 ("Quorvel v. 1.01") is in the middle of the area after 150 ticks.
    panel->Step(150);
    const TBitmap image = Shown(*panel);
    const RECT area = panel->TextArea();
    const TColor face = ColorToRGB(clBtnFace), light = ColorToRGB(clBtnHighlight),
                 dark = ColorToRGB(clBtnShadow);
    // Outside the text area: the lowered bevel (shadow on top and left, highlight at the bottom and
    // right) and the background, nothing else.
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 281; ++x) {
            if (Inside(area, x, y))
                continue;
            TColor expected = face;
            if (x == 280 || y == 219)
                expected = light;
            else if (x == 0 || y == 0)
                expected = dark;
            ASSERT_EQ(image.Pixel(x, y), expected) << x << "," << y;
        }
    // Inside: black text, each line with its highlight copy one pixel up and to the left.
    EXPECT_GT(CountInside(image, area, clBlack), 50);
    int copies = 0;
    for (int y = area.top; y < area.bottom - 1; ++y)
        for (int x = area.left; x < area.right - 1; ++x)
            copies += image.Pixel(x, y) == light && image.Pixel(x + 1, y + 1) == clBlack;
    EXPECT_GT(copies, 20);

    // A repaint shows the background only, until the next tick draws the same frame again.
    panel->Invalidate();
    const TBitmap repainted = Shown(*panel);
    EXPECT_EQ(CountInside(repainted, area, clBlack), 0);
    EXPECT_EQ(CountInside(repainted, area, clBtnFace), (area.right - area.left) * (area.bottom - area.top));
    panel->Step();
    EXPECT_GT(CountInside(Shown(*panel), area, clBlack), 50);
}

TEST_F(SecretPanelTest, TextStylesPlaceTheCopyAndSetTheLineHeight) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    const TColor light = ColorToRGB(clBtnHighlight);
    struct Case {
        TPanelBevel style;
        int extra;      // pixels added to the line height
        int dx;         // where the text lies from its copy
        bool hasCopies; // highlight pixels at all
    };
    for (const Case& c :
         {Case{bvNone, 0, 0, false}, Case{bvLowered, 1, -1, true}, Case{bvRaised, 1, 1, true}}) {
        panel->SetTextStyle(c.style);
        Play(*panel);
        EXPECT_EQ(panel->LineHeight(), MeasuredHeight(panel->Font()) + c.extra) << c.style;
        panel->Step(150);
        const TBitmap image = Shown(*panel);
        const RECT area = panel->TextArea();
        // Each highlight pixel is a text pixel moved away from the text: the text lies beside it in the
        // style's direction, far more often than in the opposite one.
        const int lights = CountInside(image, area, clBtnHighlight);
        int toward = 0, away = 0;
        for (int y = area.top + 1; y < area.bottom - 1; ++y)
            for (int x = area.left + 1; x < area.right - 1; ++x)
                if (image.Pixel(x, y) == light) {
                    toward += image.Pixel(x + c.dx, y + c.dx) == clBlack;
                    away += image.Pixel(x - c.dx, y - c.dx) == clBlack;
                }
        EXPECT_EQ(lights > 0, c.hasCopies) << c.style;
        if (c.hasCopies) {
            EXPECT_GT(toward, lights / 3) << c.style;
            EXPECT_LT(away, toward / 4) << c.style;
        }
        panel->SetActive(false);
    }
}

TEST_F(SecretPanelTest, AlignmentPlacesEveryLine) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    panel->SetTextStyle(bvNone);
    panel->Lines().Clear();
    panel->Lines().Add("Wide");
    panel->Lines().Add("Wide");
    struct Case {
        TAlignment alignment;
        const char* name;
    };
    for (const Case& c :
         {Case{taLeftJustify, "left"}, Case{taRightJustify, "right"}, Case{taCenter, "centre"}}) {
        panel->SetAlignment(c.alignment);
        Play(*panel);
        panel->Step();
        const TBitmap image = Shown(*panel);
        const RECT area = panel->TextArea();
        int minX = 10000, maxX = -1;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (image.Pixel(x, y) == clBlack)
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
        ASSERT_GE(maxX, 0) << c.name;
        if (c.alignment == taLeftJustify)
            EXPECT_LT(minX - area.left, 3) << c.name;
        else if (c.alignment == taRightJustify)
            EXPECT_LT(area.right - 1 - maxX, 3) << c.name;
        else
            EXPECT_NEAR((minX + maxX) / 2.0, (area.left + area.right) / 2.0, 2.5) << c.name;
        panel->SetActive(false);
    }
}

TEST_F(SecretPanelTest, OnlyTheFirst255CharactersOfALineAreDrawn) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    panel->SetAlignment(taRightJustify);
    for (size_t blanks : {250u, 255u}) {
        panel->Lines().Clear();
        const std::string line = std::string(blanks, ' ') + "WWW";
        panel->Lines().Add(line);
        panel->Lines().Add(line);
        Play(*panel);
        panel->Step();
        const int black = CountInside(Shown(*panel), panel->TextArea(), clBlack);
        // After 255 blanks the letters are cut off; after 250 they are within the drawn part.
        EXPECT_EQ(black > 0, blanks == 250u) << blanks;
        panel->SetActive(false);
    }
}

TEST_F(SecretPanelTest, ResizeFontAndColourChangesKeepThePosition) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    Play(*panel);
    panel->Step(40);
    panel->SetBounds(8, 8, 200, 150);
    EXPECT_EQ(panel->ScrollPos(), 40);
    const RECT resized{7, 4, 196, 146};
    EXPECT_TRUE(EqualRect(&panel->TextArea(), &resized));
    EXPECT_EQ(panel->TextBitmap()->Width(), 189);
    panel->Font().SetHeight(-24);
    EXPECT_EQ(panel->ScrollPos(), 40);
    EXPECT_EQ(panel->LineHeight(), MeasuredHeight(panel->Font()) + 1);
    panel->SetColor(clYellow);
    EXPECT_EQ(panel->ScrollPos(), 40);
    UpdateWindow(panel->Handle());
    panel->Step();
    const TBitmap image = Shown(*panel);
    EXPECT_GT(CountInside(image, panel->TextArea(), clYellow), 0);
    EXPECT_EQ(CountInside(image, panel->TextArea(), clBtnFace), 0);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
}

TEST_F(SecretPanelTest, FontsTallerThanAByteGetTheLargestLineHeight) {
    ProbePanel* panel = MakeCreditsPanel();
    form->ShowAndSettle();
    TFont tall;
    tall.SetHeight(-300);
    std::string face;
    for (const char* name : {"Tahoma", "MS Sans Serif", "Courier New", "Arial"}) {
        tall.SetName(name);
        if (MeasuredHeight(tall) >= 256) {
            face = name;
            break;
        }
    }
    if (face.empty())
        GTEST_SKIP() << "no scalable font here reaches 256 pixels";
    panel->Font().SetName(face);
    panel->Font().SetHeight(-300);
    panel->SetTextStyle(bvNone);
    panel->Lines().Clear();
    panel->Lines().Add("A");
    panel->Lines().Add("B");
    panel->SetActive(true);
    // A wrapped byte would give a height of a few pixels, or 0, which cannot divide the position.
    EXPECT_EQ(panel->LineHeight(), 255);
    panel->Step(255);
    EXPECT_EQ(panel->ScrollPos(), 255);
    EXPECT_TRUE(panel->Active());
    panel->Step();
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

// ---- The notifying line list ------------------------------------------------------------------------------

TEST(NotifyingStringListTest, ReportsEachChangeAndOneForABlock) {
    TNotifyingStringList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(changes, 2);
    list.Clear();
    list.Clear(); // nothing left to change
    EXPECT_EQ(changes, 3);
    TStringList source;
    source.Add("x");
    source.Add("y");
    list.Assign(source);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(1), "y");
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("z");
    list.EndUpdate();
    EXPECT_EQ(changes, 4);
    list.EndUpdate();
    EXPECT_EQ(changes, 5);
    list.BeginUpdate();
    list.EndUpdate(); // nothing changed
    EXPECT_EQ(changes, 5);
    list.SetAllText("one\r\ntwo");
    EXPECT_GT(changes, 5);
    EXPECT_EQ(list.Count(), 2);
}

} // namespace
