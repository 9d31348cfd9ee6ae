#include "framework/Controls.h"

#include "framework/Application.h"
#include "framework/Component.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "runtime/Exceptions.h"
#include "tests/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

// Handles messages until `done` holds or the time is up; waits for messages, never sleeps blindly.
using guitest::PumpUntil;

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        Application->MessageBoxHook = [this](HWND owner, const std::string& text, const std::string& caption,
                                             unsigned flags) {
            boxes.push_back({owner, text, caption, flags});
            return IDOK;
        };
    }
    void TearDown() override { Application->MessageBoxHook = nullptr; }

    struct Box {
        HWND owner;
        std::string text, caption;
        unsigned flags;
    };
    std::vector<Box> boxes;
};

// Records what happens to it, for the ownership tests.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log) : TComponent(owner), log_(log) {
        SetName(std::move(name));
    }
    ~Probe() override { log_.push_back("free " + Name()); }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove)
            log_.push_back(Name() + " hears " + component->Name());
    }

private:
    std::vector<std::string>& log_;
};

TEST(ComponentTest, OwnerFreesNewestFirstAndWatchersHear) {
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", log);
    auto* a = new Probe(owner, "a", log);
    new Probe(owner, "b", log);
    auto* watcher = new Probe(nullptr, "watcher", log);
    a->FreeNotification(watcher);
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_THROW(owner->Components(2), EListError);
    log.clear();
    delete owner;
    // The owner's own destructor body runs first; then b (newest), heard by its sibling a; then a,
    // heard by its watcher.
    const std::vector<std::string> expected = {"free owner", "a hears b", "free b", "free a",
                                               "watcher hears a"};
    EXPECT_EQ(log, expected);
    log.clear();
    delete watcher;
    EXPECT_EQ(log, std::vector<std::string>{"free watcher"});
}

TEST(ComponentTest, FreedWatcherIsForgotten) {
    std::vector<std::string> log;
    auto* watched = new Probe(nullptr, "watched", log);
    auto* watcher = new Probe(nullptr, "watcher", log);
    watched->FreeNotification(watcher);
    delete watcher; // the watched one hears it and forgets it
    log.clear();
    delete watched;
    EXPECT_EQ(log, std::vector<std::string>{"free watched"});
}

TEST(GraphicsTest, BitmapPixelsCopiesAndTransparentColour) {
    TBitmap bitmap(4, 3);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.SetPixel(0, 2, clOlive);
    bitmap.SetPixel(3, 0, clRed);
    EXPECT_EQ(bitmap.Pixel(0, 2), clOlive);
    EXPECT_EQ(bitmap.TransparentColor(), clOlive);
    EXPECT_GT(changes, 0);
    TBitmap copy = bitmap;
    copy.SetPixel(3, 0, clBlue);
    EXPECT_EQ(bitmap.Pixel(3, 0), clRed);
    EXPECT_EQ(copy.Pixel(3, 0), clBlue);
    EXPECT_EQ(copy.Pixel(0, 2), clOlive);
    // Drawing through the canvas reaches the readable pixels.
    bitmap.Canvas().Brush().SetColor(clLime);
    bitmap.Canvas().FillRect(RECT{1, 1, 3, 2});
    EXPECT_EQ(bitmap.Pixel(1, 1), clLime);
    EXPECT_EQ(bitmap.Pixel(1, 0), clWhite);
    bitmap.SetSize(6, 3); // content kept, new pixels white
    EXPECT_EQ(bitmap.Pixel(1, 1), clLime);
    EXPECT_EQ(bitmap.Pixel(5, 1), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
}

TEST(GraphicsTest, TransparentDrawLeavesTheTransparentColourUndrawn) {
    TBitmap glyph(2, 2);
    glyph.SetPixel(0, 0, clRed);
    glyph.SetPixel(1, 0, clFuchsia);
    glyph.SetPixel(0, 1, clFuchsia); // bottom-left: transparent
    glyph.SetPixel(1, 1, clBlue);
    glyph.SetTransparent(true);
    TBitmap target(4, 4);
    target.Canvas().Brush().SetColor(clGreen);
    target.Canvas().FillRect(RECT{0, 0, 4, 4});
    target.Canvas().Draw(1, 1, glyph);
    EXPECT_EQ(target.Pixel(1, 1), clRed);
    EXPECT_EQ(target.Pixel(2, 1), clGreen);
    EXPECT_EQ(target.Pixel(1, 2), clGreen);
    EXPECT_EQ(target.Pixel(2, 2), clBlue);
}

TEST(GraphicsTest, LoadsBitmapResourceOrFailsClearly) {
    TBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromResourceName(nullptr, "NO_SUCH_BITMAP"), EInvalidImage);
    if (!FindResourceA(nullptr, "EXITGLYPH", MAKEINTRESOURCEA(2)))
        GTEST_SKIP() << "resources not linked";
    bitmap.LoadFromResourceName(nullptr, "EXITGLYPH");
    EXPECT_EQ(bitmap.Width(), 96);
    EXPECT_EQ(bitmap.Height(), 32);
    EXPECT_EQ(bitmap.TransparentColor(), static_cast<TColor>(RGB(128, 128, 0)));
}

// A window-less control that paints a solid square and counts its clicks.
class Square : public TGraphicControl {
public:
    explicit Square(TComponent* owner) : TGraphicControl(owner) { ControlStyle |= csOpaque; }
    TColor Fill = clRed;
    int enters = 0, leaves = 0, downs = 0;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Fill);
        Canvas().FillRect(ClientRect());
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        ++downs;
        lastX = x;
        lastY = y;
        TGraphicControl::MouseDown(button, shift, x, y);
    }

public:
    void WndProc(TMessage& message) override {
        if (message.Msg == CM_MOUSEENTER)
            ++enters;
        if (message.Msg == CM_MOUSELEAVE)
            ++leaves;
        TGraphicControl::WndProc(message);
    }
    int lastX = -1, lastY = -1;
};

class TestForm : public TForm {
public:
    explicit TestForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(40, 40, 300, 200);
        SetClientSize(200, 120);
    }
};

TEST_F(FrameworkTest, WindowlessControlGetsRoutedClicksWithCapture) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    square->SetBounds(20, 30, 40, 40);
    int clicks = 0;
    square->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, square);
        ++clicks;
    };
    form.Show();
    HWND window = form.Handle();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 35));
    EXPECT_EQ(square->downs, 1);
    EXPECT_EQ(square->lastX, 5);
    EXPECT_EQ(square->lastY, 5);
    EXPECT_TRUE(square->MouseCapture());
    EXPECT_EQ(GetCapture(), window);
    // Released outside: no click, capture ends.
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(150, 100));
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(square->MouseCapture());
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 35));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    EXPECT_EQ(clicks, 1);
    // A press outside every child goes to the form itself.
    int formDowns = 0;
    form.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++formDowns; };
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 100));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(150, 100));
    EXPECT_EQ(formDowns, 1);
    EXPECT_EQ(square->downs, 2);
    // Disabled and hidden children are not hit.
    square->SetEnabled(false);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 35));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(25, 35));
    EXPECT_EQ(square->downs, 2);
    EXPECT_EQ(formDowns, 2);
}

TEST_F(FrameworkTest, WindowlessControlPaintsIntoItsParent) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    square->SetBounds(20, 30, 40, 40);
    form.Show();
    TBitmap picture(200, 120);
    form.PaintTo(picture.Canvas().Handle(), 0, 0);
    EXPECT_EQ(picture.Pixel(20, 30), clRed);
    EXPECT_EQ(picture.Pixel(59, 69), clRed);
    EXPECT_EQ(picture.Pixel(60, 70), static_cast<TColor>(ColorToRGB(clBtnFace)));
    EXPECT_EQ(picture.Pixel(19, 30), static_cast<TColor>(ColorToRGB(clBtnFace)));
    // A repaint goes to the real window at once.
    square->Fill = clBlue;
    square->Repaint();
    WindowDC dc(form.Handle());
    EXPECT_EQ(GetPixel(dc.Handle(), 30, 40), static_cast<COLORREF>(clBlue));
}

TEST_F(FrameworkTest, FontColourAndHintFlowFromTheParent) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    int fontChanges = 0;
    square->Font(); // parent font taken on insertion
    EXPECT_EQ(square->Font().Height(), form.Font().Height());
    TFont big;
    big.SetHeight(-20);
    form.SetFont(big);
    EXPECT_EQ(square->Font().Height(), -20);
    EXPECT_EQ(square->Color(), clBtnFace);
    form.SetShowHint(true);
    EXPECT_TRUE(square->ShowHint());
    square->SetShowHint(false);
    EXPECT_FALSE(square->ParentShowHint());
    // An own font stops following the parent.
    square->Font().SetHeight(-9);
    EXPECT_FALSE(square->ParentFont());
    form.Font().SetHeight(-14);
    EXPECT_EQ(square->Font().Height(), -9);
    (void)fontChanges;
}

TEST_F(FrameworkTest, ExceptionInHandlerReachesTheErrorDisplay) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    square->SetBounds(0, 0, 50, 50);
    form.Show();
    square->OnClick = [](TObject*) { throw EFOpenError(61442, {"C:\\x.mak"}); };
    SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open file C:\\x.mak.");
    EXPECT_EQ(boxes[0].caption, Application->Title());
    EXPECT_EQ(boxes[0].flags, 0x10u);
    EXPECT_EQ(boxes[0].owner, Application->Handle());
    EXPECT_TRUE(IsWindowEnabled(form.Handle())); // enabled again after the box

    square->OnClick = [](TObject*) { throw Exception("Already ends."); };
    SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Already ends..");

    square->OnClick = [](TObject*) { throw EAbort("silent"); };
    SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(FrameworkTest, ErrorDisplayCancelsCaptureAndDisablesWindowsMeanwhile) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    square->SetBounds(0, 0, 50, 50);
    form.Show();
    bool enabledDuringBox = true;
    Application->MessageBoxHook = [&](HWND, const std::string&, const std::string&, unsigned) {
        enabledDuringBox = IsWindowEnabled(form.Handle()) != 0;
        return IDOK;
    };
    square->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw Exception("Boom"); };
    SendMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(enabledDuringBox);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_NE(GetCapture(), form.Handle()); // the capture was cancelled before the box
    EXPECT_EQ(form.CaptureControl(), nullptr);
}

TEST_F(FrameworkTest, IdleProcessingSendsMouseEnterAndLeave) {
    TestForm form(nullptr);
    auto* square = new Square(&form);
    square->SetParent(&form);
    square->SetBounds(20, 20, 40, 40);
    form.Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != 0; }));
    POINT inside = square->ClientToScreen(POINT{10, 10});
    SetCursorPos(inside.x, inside.y);
    ASSERT_TRUE(PumpUntil([&] { return square->enters == 1; })) << "no mouse enter";
    EXPECT_EQ(Application->MouseControl(), square);
    POINT outside = form.ClientToScreen(POINT{150, 100});
    SetCursorPos(outside.x, outside.y);
    ASSERT_TRUE(PumpUntil([&] { return square->leaves == 1; })) << "no mouse leave";
    EXPECT_EQ(Application->MouseControl(), &form);
}

TEST_F(FrameworkTest, SubclassedEditKeepsItsBehaviourAndUnbinds) {
    class Edit : public TWinControl {
    public:
        using TWinControl::TWinControl;
        int changes = 0;

    protected:
        void CreateParams(TCreateParams& params) override {
            TWinControl::CreateParams(params);
            params.WinClassName = "TTestEdit";
            params.BuiltInClass = "EDIT";
            params.Style |= ES_AUTOHSCROLL | WS_BORDER;
        }

    public:
        void WndProc(TMessage& message) override {
            if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == EN_CHANGE)
                ++changes;
            TWinControl::WndProc(message);
        }
    };
    TestForm form(nullptr);
    auto* edit = new Edit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    form.Show();
    HWND window = edit->Handle();
    EXPECT_EQ(TWinControl::FindControl(window), edit);
    SendMessageA(window, WM_CHAR, 'a', 0);
    SendMessageA(window, WM_CHAR, 'b', 0);
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(edit->changes, 2);
    edit->SetText("xyz");
    EXPECT_EQ(edit->Text(), "xyz");
    delete edit;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form.ControlCount(), 0);
}

TEST_F(FrameworkTest, TabMovesTheFocusAndFocusChangesAreBroadcast) {
    class Panel : public TCustomControl {
    public:
        using TCustomControl::TCustomControl;
    };
    TestForm form(nullptr);
    auto* first = new Panel(&form);
    first->SetParent(&form);
    first->TabStop = true;
    first->SetBounds(0, 0, 20, 20);
    auto* second = new Panel(&form);
    second->SetParent(&form);
    second->TabStop = true;
    second->SetBounds(30, 0, 20, 20);
    auto* square = new Square(&form);
    square->SetParent(&form);
    TWinControl* heard = nullptr;
    class Listener : public TGraphicControl {
    public:
        using TGraphicControl::TGraphicControl;
        TWinControl** target = nullptr;
        void WndProc(TMessage& message) override {
            if (message.Msg == CM_FOCUSCHANGED)
                *target = reinterpret_cast<TWinControl*>(message.LParam);
            TGraphicControl::WndProc(message);
        }
    };
    auto* listener = new Listener(&form);
    listener->target = &heard;
    listener->SetParent(&form);
    form.Show();
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == form.Handle(); }));
    first->SetFocus();
    EXPECT_TRUE(first->Focused());
    EXPECT_EQ(heard, first);
    EXPECT_EQ(form.ActiveControl(), first);
    MSG tab{first->Handle(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(Application->PreProcessMessage(tab));
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(heard, second);
    delete second;
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

} // namespace

namespace {

// Overlapping windowed siblings stack in the order they were made, whichever window exists first.
TEST_F(FrameworkTest, LaterSiblingsLieAboveEarlierOnes) {
    TestForm form(nullptr);
    const auto addPanel = [&form](int left) {
        auto* panel = new TCustomControl(&form);
        panel->SetParent(&form);
        panel->SetBounds(left, 10, 60, 60);
        return panel;
    };
    TCustomControl* bottom = addPanel(10);
    TCustomControl* middle = addPanel(30);
    TCustomControl* top = addPanel(50);
    top->HandleNeeded(); // its window exists before the others'
    form.Show();
    bottom->HandleNeeded();
    middle->HandleNeeded();
    EXPECT_EQ(ChildWindowFromPointEx(form.Handle(), POINT{55, 40}, CWP_SKIPINVISIBLE), top->Handle());
    EXPECT_EQ(ChildWindowFromPointEx(form.Handle(), POINT{35, 40}, CWP_SKIPINVISIBLE), middle->Handle());
    EXPECT_EQ(ChildWindowFromPointEx(form.Handle(), POINT{15, 40}, CWP_SKIPINVISIBLE), bottom->Handle());
}

} // namespace
