#include "framework/Dpi.h"

#include "controls/EditButton.h"
#include "controls/FilenameEdit.h"
#include "controls/RxLabel.h"
#include "controls/RxSpeedButton.h"
#include "credits/SecretPanel.h"
#include "framework/Bevel.h"
#include "framework/Clipboard.h"
#include "framework/ImageList.h"
#include "framework/TreeView.h"
#include "gui/MainForm.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/MainWindowTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// Rectangles compared and shown by the tests (and by the containers that hold them).
static bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}

static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

// The main window on a desktop of another resolution. ctest runs this program three times: at the test
// prefix's 96 pixels per inch, and at 144 and 192 through scripts/wine-dpi.sh, which names the
// resolution in QUORVEL_TEST_DPI. Input is real: the pointer is put on the scaled places and the
// buttons pressed with SendInput.

namespace {

using guitest::PumpUntil;

// The resolution this run's desktop was set to.
int RunDpi() {
    const char* dpi = std::getenv("QUORVEL_TEST_DPI");
    return dpi ? std::atoi(dpi) : kDesignDpi;
}

// A length of the 96-dpi layout at the run's resolution, rounded to the nearest pixel.
int S(int pixels) {
    return MulDiv(pixels, RunDpi(), kDesignDpi);
}

// A rectangle of the 96-dpi layout, scaled by its edges.
RECT S(const RECT& r) {
    return RECT{S(r.left), S(r.top), S(r.right), S(r.bottom)};
}

// Windows 10's awareness query, looked up: the build targets older systems too.
int ProcessAwareness() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    using GetContext = HANDLE(WINAPI*)();
    using GetAwareness = int(WINAPI*)(HANDLE);
    auto getContext = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto getAwareness = reinterpret_cast<GetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    return getContext && getAwareness ? getAwareness(getContext()) : -1;
}

// A setting of the program's manifest as the system read it into the process's activation context.
std::wstring ManifestSetting(const wchar_t* space, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, nullptr, space, name, value, 64, &written))
        return L"(none)";
    return value;
}

// A press and then a release of the left button where the pointer is, as the mouse gives them, each
// handled before the next: the thread's button state follows the mouse messages it has read.
void PressLeftButton() {
    for (const DWORD flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flag;
        ASSERT_EQ(SendInput(1, &input, sizeof(INPUT)), 1u);
        const bool down = flag == MOUSEEVENTF_LEFTDOWN;
        ASSERT_TRUE(PumpUntil([down] { return (GetKeyState(VK_LBUTTON) < 0) == down; }));
    }
}

// The size of a text in a font, as the screen measures it.
SIZE TextSize(const TFont& font, const std::string& text) {
    WindowDC screen(nullptr);
    CanvasSelection selection(screen.Handle(), font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(screen.Handle(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// The column after the rightmost dark pixel in `area`, counted from its left; 0 when nothing is dark.
int DarkEnd(const TBitmap& image, const RECT& area) {
    int end = 0;
    for (int y = area.top; y < std::min<int>(area.bottom, image.Height()); ++y)
        for (int x = area.left; x < std::min<int>(area.right, image.Width()); ++x) {
            const COLORREF c = static_cast<COLORREF>(image.Pixel(x, y));
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300)
                end = std::max<int>(end, x - area.left + 1);
        }
    return end;
}

// A label's caption drawn with its font, black on white, with room to spare and nothing clipped.
TBitmap TextAlone(TRxLabel& label) {
    const SIZE text = TextSize(label.Font(), label.Caption());
    TBitmap image(text.cx + 2 * text.cy, text.cy);
    image.Canvas().Font().Assign(label.Font());
    image.Canvas().Font().SetColor(clBlack);
    image.Canvas().Brush().SetStyle(bsClear);
    RECT r{0, 0, image.Width(), image.Height()};
    image.Canvas().DrawText(label.Caption(), r, DT_NOCLIP);
    return image;
}

class DpiTest : public guitest::MainWindowTest {
protected:
    void TearDown() override {
        MainWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty());
    }

    // Puts the pointer on a point of the window's client area and clicks there.
    void ClickAt(POINT client) {
        const POINT screen = form->ClientToScreen(client);
        ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
        PressLeftButton();
    }

    // The project's name pasted into the file-name edit: one change, one scan.
    void PasteProject() {
        Clipboard()->SetAsText("Project1.mak");
        SendMessageA(form->FilenameEdit1->Handle(), WM_PASTE, 0, 0);
        ASSERT_EQ(NodeCount(), 12);
    }

    // Every control's bounds, by name.
    std::map<std::string, RECT> Layout() {
        std::map<std::string, RECT> layout;
        for (int i = 0; i < form->ControlCount(); ++i)
            layout[form->Controls(i)->Name()] = form->Controls(i)->BoundsRect();
        return layout;
    }
};

// The controls that keep the size of the 96-dpi layout, scaled (the labels size themselves to their text).
const struct {
    const char* name;
    RECT bounds; // at 96 dpi
} kPlaces[] = {
    {"Bevel1", {8, 7, 289, 228}},
    {"RxSpeedButton3", {118, 236, 176, 269}},
    {"RxSpeedButton1", {174, 236, 232, 269}},
    {"RxSpeedButton2", {230, 236, 288, 269}},
    {"FilenameEdit1", {18, 32, 278, 53}},
    {"TreeView1", {16, 80, 279, 218}},
    {"SecretPanel1", {8, 8, 289, 228}},
};

TEST_F(DpiTest, TheProgramRunsPerMonitorAwareAtTheDesktopsResolution) {
    WindowDC screen(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen.Handle(), LOGPIXELSX), RunDpi());
    EXPECT_EQ(WindowDpi(form->Handle()), RunDpi());
    EXPECT_EQ(form->PixelsPerInch(), RunDpi());
    EXPECT_EQ(ProcessAwareness(), 2); // DPI_AWARENESS_PER_MONITOR_AWARE
    // Per-monitor v2 where the system has it, else per-monitor; before Windows 10, "true/pm".
    EXPECT_TRUE(ManifestSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
                L"PerMonitorV2, PerMonitor");
    EXPECT_TRUE(ManifestSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") ==
                L"true/pm");
}

TEST_F(DpiTest, TheClientAreaAndThePlaceAreScaled) {
    // 297 x 271 scaled and rounded; other resolutions (a run by hand) scale the same way.
    const std::map<int, SIZE> clientSizes = {{96, {297, 271}}, {144, {446, 407}}, {192, {594, 542}}};
    const auto known = clientSizes.find(RunDpi());
    const SIZE expected = known != clientSizes.end() ? known->second : SIZE{S(297), S(271)};
    RECT client{};
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, expected.cx);
    EXPECT_EQ(client.bottom, expected.cy);
    RECT window{};
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.left, S(195));
    EXPECT_EQ(window.top, S(108));
}

TEST_F(DpiTest, ControlsStandAtTheirScaledPlaces) {
    const std::map<std::string, RECT> layout = Layout();
    for (const auto& place : kPlaces)
        EXPECT_EQ(layout.at(place.name), S(place.bounds)) << place.name;

    // The browse button and its folder, the buttons' pictures, the tree's indent and node images.
    TEditButton& browse = form->FilenameEdit1->Button();
    EXPECT_EQ(form->FilenameEdit1->ButtonHost().Width(), S(21));
    EXPECT_EQ(browse.Width(), S(21));
    const TBitmap* folder = browse.ButtonGlyph().PrepareStateImage(gsUp);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->Width(), S(14));
    EXPECT_EQ(folder->Height(), S(12));
    for (TRxSpeedButton* button : {form->RxSpeedButton1, form->RxSpeedButton2, form->RxSpeedButton3}) {
        for (TRxGlyphState state : {gsUp, gsDisabled, gsDown, gsInactive}) {
            const TBitmap* picture = button->ButtonGlyph().PrepareStateImage(state);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->Width(), S(32)) << button->Hint() << " " << state;
            EXPECT_EQ(picture->Height(), S(32)) << button->Hint() << " " << state;
        }
    }
    EXPECT_EQ(SendMessageA(Tree(), TVM_GETINDENT, 0, 0), S(19));
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(SendMessageA(Tree(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)), &width,
        &height));
    EXPECT_EQ(width, S(16));
    EXPECT_EQ(height, S(16));
    EXPECT_EQ(form->ImageList1->Count(), 3);
}

TEST_F(DpiTest, LabelsAreSizedToTheirScaledText) {
    EXPECT_EQ(form->Font().Height(), MulDiv(-11, RunDpi(), kDesignDpi));
    const struct {
        TRxLabel* label;
        POINT place; // at 96 dpi
    } labels[] = {{form->RxLabel1, {16, 15}}, {form->RxLabel2, {16, 62}}};
    const TBitmap window = guitest::RenderClient(*form);
    for (const auto& l : labels) {
        ASSERT_TRUE(l.label->Font().Equals(form->Font()));
        const SIZE text = TextSize(l.label->Font(), l.label->Caption());
        EXPECT_EQ(l.label->Left(), S(l.place.x)) << l.label->Caption();
        EXPECT_EQ(l.label->Top(), S(l.place.y)) << l.label->Caption();
        // The text with room for its shadow, one pixel at 96 dpi, on either side; wider where the glyphs
        // ink past their advances (Wine's at 120 dpi), so the label shows every inked pixel of its text.
        EXPECT_GE(l.label->Width(), text.cx + 2 * S(1)) << l.label->Caption();
        EXPECT_LE(l.label->Width(), text.cx + 2 * S(1) + text.cy) << l.label->Caption();
        const RECT textArea{l.label->Left() + S(1), l.label->Top(), l.label->Left() + l.label->Width(),
                            l.label->Top() + l.label->Height()};
        EXPECT_GE(DarkEnd(window, textArea), DarkEnd(TextAlone(*l.label), {0, 0, 10000, 10000}) - 1)
            << l.label->Caption() << " is cut";
        EXPECT_EQ(l.label->Height(), text.cy) << l.label->Caption();

        // The shadow lies the scaled offset left of the text: the text (dark) begins that far right of
        // the first column that holds shadow.
        const TColor face = guitest::Rgb(clBtnFace);
        int firstDrawn = -1, firstDark = -1;
        for (int x = 0; x < l.label->Width() && firstDark < 0; ++x) {
            for (int y = 0; y < l.label->Height(); ++y) {
                const COLORREF c =
                    static_cast<COLORREF>(window.Pixel(l.label->Left() + x, l.label->Top() + y));
                if (firstDrawn < 0 && static_cast<TColor>(c) != face)
                    firstDrawn = x;
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 100) {
                    firstDark = x;
                    break;
                }
            }
        }
        EXPECT_EQ(firstDark - firstDrawn, S(1)) << l.label->Caption();
    }
}

TEST_F(DpiTest, TheCreditsScrollWithAScaledFontAndLineHeight) {
    TSecretPanel& panel = *form->SecretPanel1;
    EXPECT_EQ(panel.Font().Height(), MulDiv(-13, RunDpi(), kDesignDpi));
    const RECT area96{7, 4, 277, 216};
    ClickAt(POINT{form->RxSpeedButton3->Left() + 4, form->RxSpeedButton3->Top() + 4});
    ASSERT_TRUE(PumpUntil([&] { return panel.Active() && panel.ScrollPos() > 0; }));
    TEXTMETRICA metrics{};
    {
        WindowDC dc(panel.Handle());
        CanvasSelection selection(dc.Handle(), panel.Font().Handle());
        GetTextMetricsA(dc.Handle(), &metrics);
    }
    // The raised text's extra pixel is scaled with the rest; so is the whole (17 pixels at 96 dpi).
    EXPECT_EQ(panel.LineHeight(), metrics.tmHeight + metrics.tmExternalLeading + S(1));
    EXPECT_NEAR(panel.LineHeight(), S(17), 1);
    // The text area's margins scale; the bevel line on either side stays one pixel wide.
    EXPECT_NEAR(panel.TextArea().right - panel.TextArea().left, S(area96.right - area96.left), 2);
    EXPECT_NEAR(panel.TextArea().bottom - panel.TextArea().top, S(area96.bottom - area96.top), 2);
    // Away from the first click, which a second one there would make a double click.
    ClickAt(POINT{form->RxSpeedButton3->Left() + 4,
                  form->RxSpeedButton3->Top() + form->RxSpeedButton3->Height() - 4});
    ASSERT_TRUE(PumpUntil([&] { return !panel.Visible(); }));
}

TEST_F(DpiTest, ButtonsTakeClicksWithinTheirScaledBounds) {
    PasteProject();
    TSecretPanel& panel = *form->SecretPanel1;
    // About, at the bottom-left corner of its scaled place, plays the credits; at its top-right corner,
    // where it lies over Rescan, it stops them.
    const RECT about = S(RECT{118, 236, 176, 269});
    ClickAt(POINT{about.left + 1, about.bottom - 2});
    ASSERT_TRUE(PumpUntil([&] { return panel.Visible() && panel.Active(); }));
    ClickAt(POINT{about.right - 2, about.top + 1});
    ASSERT_TRUE(PumpUntil([&] { return !panel.Visible(); }));

    // Rescan reads the project again into the emptied tree.
    form->TreeView1->Items().Clear();
    const RECT rescan = S(RECT{174, 236, 232, 269});
    // Its middle: About lies over its left edge, Exit over its right one.
    ClickAt(POINT{(rescan.left + rescan.right) / 2, rescan.bottom - 2});
    ASSERT_TRUE(PumpUntil([&] { return NodeCount() == 12; }));

    // Just outside the scaled places nothing answers: right of Exit and below the buttons.
    const RECT exit = S(RECT{230, 236, 288, 269});
    for (POINT outside : {POINT{exit.right + 1, exit.top + 4}, POINT{rescan.left + 4, exit.bottom + 1}}) {
        ClickAt(outside);
        ASSERT_TRUE(guitest::PumpPastMarker());
        EXPECT_TRUE(IsWindowVisible(form->Handle()));
        EXPECT_FALSE(panel.Visible());
    }
    // Exit, at the bottom-right corner of its scaled place, closes the window.
    ClickAt(POINT{exit.right - 1, exit.bottom - 1});
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }));
}

TEST_F(DpiTest, ADoubleClickOnANodeCopiesItsNumber) {
    PasteProject();
    Clipboard()->SetAsText("before");
    TTreeNode root = form->TreeView1->Items().GetFirstNode();
    root.SetExpanded(true);
    const TTreeNode component = root.GetFirstChild();
    ASSERT_EQ(component.Text(), "CustomerEdit:110");
    const RECT caption = component.DisplayRect(true);
    const POINT screen = form->TreeView1->ClientToScreen(
        POINT{(caption.left + caption.right) / 2, (caption.top + caption.bottom) / 2});
    ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
    PressLeftButton();
    PressLeftButton();
    ASSERT_TRUE(PumpUntil([&] { return Clipboard()->AsText() == "110"; }));
    EXPECT_EQ(form->TreeView1->Selected(), component);
}

TEST_F(DpiTest, AMoveToAMonitorOfAnotherResolutionTakesTheSuggestedPlaceAndScalesAgain) {
    const std::map<std::string, RECT> before = Layout();
    RECT window{}, client{};
    GetWindowRect(form->Handle(), &window);
    GetClientRect(form->Handle(), &client);
    // The other resolution: 192, or 96 from 192 (each layout value there is even, so it comes back exactly).
    const int other = RunDpi() == 192 ? 96 : 192;
    const auto scaled = [&](int pixels) { return MulDiv(pixels, other, RunDpi()); };
    const RECT suggested{100, 80, 100 + scaled(window.right - window.left),
                         80 + scaled(window.bottom - window.top)};
    SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(other, other),
                 reinterpret_cast<LPARAM>(&suggested));

    RECT moved{}, movedClient{};
    GetWindowRect(form->Handle(), &moved);
    GetClientRect(form->Handle(), &movedClient);
    EXPECT_EQ(moved.left, 100);
    EXPECT_EQ(moved.top, 80);
    EXPECT_EQ(form->PixelsPerInch(), other);
    // Scaled from the run's layout, each length is within a pixel of the other resolution's own.
    EXPECT_NEAR(movedClient.right, MulDiv(297, other, kDesignDpi), 1);
    EXPECT_NEAR(movedClient.bottom, MulDiv(271, other, kDesignDpi), 1);
    const std::map<std::string, RECT> layout = Layout();
    for (const auto& place : kPlaces) {
        const RECT& r = layout.at(place.name);
        EXPECT_NEAR(r.left, MulDiv(place.bounds.left, other, kDesignDpi), 1) << place.name;
        EXPECT_NEAR(r.top, MulDiv(place.bounds.top, other, kDesignDpi), 1) << place.name;
        EXPECT_NEAR(r.right, MulDiv(place.bounds.right, other, kDesignDpi), 1) << place.name;
        EXPECT_NEAR(r.bottom, MulDiv(place.bounds.bottom, other, kDesignDpi), 1) << place.name;
    }
    EXPECT_NEAR(form->Font().Height(), MulDiv(-11, other, kDesignDpi), 1);
    EXPECT_NEAR(SendMessageA(Tree(), TVM_GETINDENT, 0, 0), MulDiv(19, other, kDesignDpi), 1);

    // Back on a monitor of the run's resolution, the layout is the one the window started with.
    SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(RunDpi(), RunDpi()),
                 reinterpret_cast<LPARAM>(&window));
    RECT back{}, backClient{};
    GetWindowRect(form->Handle(), &back);
    GetClientRect(form->Handle(), &backClient);
    EXPECT_EQ(back, window);
    EXPECT_EQ(backClient, client);
    EXPECT_EQ(Layout(), before);
}

// ---- Resampling pictures ------------------------------------------------------------------------------

// Every source column (and row) reappears, in order, as a run of whole pixels: at a whole factor all
// runs are equal; at 125 %, 150 % and 175 % they differ by one pixel at most. Nothing is blended.
TEST(ScaleBitmapTest, EachSourcePixelBecomesABlockOfWholePixels) {
    TBitmap source(8, 4);
    std::set<TColor> colours;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const TColor c = static_cast<TColor>(RGB(x * 30, y * 60, 7));
            source.SetPixel(x, y, c);
            colours.insert(c);
        }
    for (int percent : {100, 125, 150, 175, 200, 300}) {
        const int width = 8 * percent / 100, height = 4 * percent / 100;
        const TBitmap scaled = ScaleBitmap(source, width, height);
        ASSERT_EQ(scaled.Width(), width);
        ASSERT_EQ(scaled.Height(), height);
        std::vector<int> runs;
        int previous = -1;
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y)
                ASSERT_EQ(colours.count(scaled.Pixel(x, y)), 1u) << percent << "% at " << x << ", " << y;
            const int column = static_cast<int>(GetRValue(static_cast<COLORREF>(scaled.Pixel(x, 0)))) / 30;
            if (column != previous) {
                ASSERT_EQ(column, previous + 1) << percent << "%";
                runs.push_back(0);
                previous = column;
            }
            ++runs.back();
        }
        ASSERT_EQ(runs.size(), 8u) << percent << "%";
        const auto [shortest, longest] = std::minmax_element(runs.begin(), runs.end());
        EXPECT_LE(*longest - *shortest, percent % 100 == 0 ? 0 : 1) << percent << "%";
        // The bottom-left pixel, a glyph's transparent colour, stays where it was.
        EXPECT_EQ(scaled.Pixel(0, height - 1), source.Pixel(0, 3)) << percent << "%";
    }
}

TEST_F(DpiTest, TheButtonPicturesHoldOnlyTheColoursOfTheirStrip) {
    for (TRxSpeedButton* button : {form->RxSpeedButton1, form->RxSpeedButton2, form->RxSpeedButton3}) {
        std::set<TColor> strip;
        const TBitmap& source = button->Glyph();
        for (int y = 0; y < source.Height(); ++y)
            for (int x = 0; x < source.Width() / 3; ++x)
                strip.insert(source.Pixel(x, y));
        const TBitmap* up = button->ButtonGlyph().PrepareStateImage(gsUp);
        ASSERT_NE(up, nullptr);
        for (int y = 0; y < up->Height(); ++y)
            for (int x = 0; x < up->Width(); ++x)
                ASSERT_EQ(strip.count(up->Pixel(x, y)), 1u) << button->Hint() << " at " << x << ", " << y;
    }
}

} // namespace
