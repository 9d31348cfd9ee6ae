#include "framework/Application.h"

#include "framework/Forms.h"
#include "framework/HintWindow.h"
#include "gui/MainForm.h"
#include "gui/Program.h"
#include "runtime/Exceptions.h"
#include "tests/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using guitest::PumpUntil;

TEST(ApplicationTitleTest, FileNameCutAtTheFirstDotWithTheRestInLowerCase) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"C:\\Program Files\\Quorvel\\Quorvel.exe", "Quorvel"},
        {"C:\\tools\\my.tool.exe", "my"},
        {"D:\\QUORVEL.EXE", "Quorvel"},
        {"quorvel.exe", "quorvel"},
        {"C:NOEXT", "Noext"},
        {"C:\\a\\X.exe", "X"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << c.path;
}

TEST(AutomationSwitchTest, SlashOrDashAnyCase) {
    EXPECT_TRUE(FindAutomationSwitches({"/regserver"}).RegServer);
    EXPECT_TRUE(FindAutomationSwitches({"-UNREGSERVER"}).UnregServer);
    EXPECT_TRUE(FindAutomationSwitches({"/Automation", "-embedding"}).Automation);
    EXPECT_TRUE(FindAutomationSwitches({"/Automation", "-embedding"}).Embedding);
    const TAutomationSwitches none = FindAutomationSwitches({"regserver", "/regserverx", "x.mak", "/"});
    EXPECT_FALSE(none.RegServer || none.UnregServer || none.Automation || none.Embedding);
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::ForgetUserSettings();
        InitFramework();
    }
    void TearDown() override { guitest::ForgetUserSettings(); }
};

TEST_F(ApplicationTest, ApplicationWindowCarriesTheTitle) {
    char text[256] = {};
    GetWindowTextA(Application->Handle(), text, sizeof text);
    EXPECT_EQ(Application->Title(), "Applicationtest");
    EXPECT_EQ(std::string(text), Application->Title());
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

TEST_F(ApplicationTest, RegistrationSwitchesEndBeforeAnyWindow) {
    for (const char* sw : {"/REGSERVER", "-unregserver"}) {
        int windowsBefore = 0, windowsAfter = 0;
        auto count = [](HWND, LPARAM data) -> BOOL {
            ++*reinterpret_cast<int*>(data);
            return TRUE;
        };
        EnumThreadWindows(GetCurrentThreadId(), count, reinterpret_cast<LPARAM>(&windowsBefore));
        EXPECT_EQ(RunQuorvel({sw}), 0);
        EnumThreadWindows(GetCurrentThreadId(), count, reinterpret_cast<LPARAM>(&windowsAfter));
        EXPECT_EQ(windowsAfter, windowsBefore) << sw;
        EXPECT_EQ(Form1, nullptr);
    }
}

// Refuses the creation of every window of one class on this thread, as a system out of resources would.
class RefuseWindows {
public:
    explicit RefuseWindows(std::vector<std::string> classNames) {
        refused = std::move(classNames);
        hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~RefuseWindows() { UnhookWindowsHookEx(hook_); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            char name[64] = {};
            GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
            for (const std::string& className : refused)
                if (className == name)
                    return 1;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::vector<std::string> refused;
    HHOOK hook_;
};

// The main window cannot be built: the error is shown once, no loop runs, and the run reports failure.
TEST_F(ApplicationTest, AnErrorWhileTheMainWindowIsBuiltIsShownOnceAndEndsWithExitCodeOne) {
    std::vector<std::string> shown;
    Application->MessageBoxHook = [&](HWND owner, const std::string& text, const std::string& caption,
                                      unsigned flags) {
        EXPECT_EQ(owner, Application->Handle());
        EXPECT_EQ(caption, Application->Title());
        EXPECT_EQ(flags, 0x10u);
        shown.push_back(text);
        return IDOK;
    };
    int exitCode = -1;
    {
        RefuseWindows refuse({"TForm1"});
        exitCode = RunQuorvel({});
    }
    Application->MessageBoxHook = nullptr;
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(shown, std::vector<std::string>{"Error creating window."});
    EXPECT_FALSE(Application->Terminated());
    EXPECT_EQ(FindWindowA("TForm1", nullptr), nullptr);
    delete Form1; // what was built of it
    Form1 = nullptr;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

// No window at all can be made (as under Wine without a display): not the application's hidden window,
// not a message box. The start ends with exit code 1 instead of ending the process abnormally.
TEST_F(ApplicationTest, AStartThatCannotMakeAnyWindowEndsWithExitCodeOne) {
    DoneFramework();
    int exitCode = -1;
    {
        RefuseWindows refuse({"TApplication", "#32770"});
        exitCode = RunQuorvel({});
        EXPECT_EQ(Application, nullptr);
    }
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(Form1, nullptr);
    InitFramework();
    ASSERT_NE(Application, nullptr);
}

// The real program under Wine: the switch ends it with exit code 0.
TEST_F(ApplicationTest, RealProgramEndsOnRegServer) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe = path;
    exe = exe.substr(0, exe.find_last_of('\\')); // tests\gui
    exe = exe.substr(0, exe.find_last_of('\\')); // tests
    exe = exe.substr(0, exe.find_last_of('\\')) + "\\Quorvel.exe";
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "Quorvel.exe not built";
    std::string command = "\"" + exe + "\" /RegServer";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u);
}

TEST_F(ApplicationTest, MainWindowHasItsCaptionSizePositionAndStyles) {
    TForm1 form(nullptr);
    HWND window = form.Handle();
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quorvel");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 297);
    EXPECT_EQ(client.bottom, 271);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 195);
    EXPECT_EQ(outer.top, 108);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetParent(window) == nullptr ? GetWindow(window, GW_OWNER) : GetParent(window),
              Application->Handle());
    EXPECT_EQ(form.Font().Name(), "MS Sans Serif");
    EXPECT_EQ(form.Font().Height(), -11);
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheLoop) {
    TForm1* form = nullptr;
    Application->CreateForm(form);
    ASSERT_EQ(Application->MainForm(), form);
    EXPECT_TRUE(form->HandleAllocated());
    PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    Application->Run(); // shows the form, returns once the quit message arrives
    EXPECT_TRUE(Application->Terminated());
    delete form;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

// A shown form with window-less spots that carry hints, the pointer away from it at start.
class HintTest : public ApplicationTest {
protected:
    class Spot : public TGraphicControl {
    public:
        using TGraphicControl::TGraphicControl;
    };

    void SetUp() override {
        ApplicationTest::SetUp();
        SetCursorPos(0, 0);
        form.SetBorderStyle(bsSingle);
        form.SetBounds(100, 100, 300, 200);
    }
    void TearDown() override {
        SetCursorPos(0, 0);
        Application->CancelHint();
        Application->HintPause = 500;
        Application->HintShortPause = 50;
        Application->HintHidePause = 2500;
    }

    Spot* AddSpot(int left, const std::string& hint) {
        auto* spot = new Spot(&form);
        spot->SetParent(&form);
        spot->SetBounds(left, 20, 60, 30);
        spot->SetHint(hint);
        spot->SetShowHint(true);
        return spot;
    }
    void ShowForm() {
        form.Show();
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != 0; }));
    }
    // The pointer onto the spot; its own move message starts the pause, a posted one makes sure it arrives.
    std::chrono::steady_clock::time_point MoveOnto(Spot* spot) {
        const POINT inside = spot->ClientToScreen(POINT{10, 10});
        SetCursorPos(inside.x, inside.y);
        const POINT client = form.ScreenToClient(inside);
        PostMessageA(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        return std::chrono::steady_clock::now();
    }

    TForm form{nullptr};
};

// Each pause holds the hint back (or keeps it up) at least as long as it says: the first hint waits for
// HintPause, the next while one is shown for HintShortPause, and a shown hint stays HintHidePause.
TEST_F(HintTest, HintsKeepTheirPauses) {
    Spot* first = AddSpot(20, "First");
    Spot* second = AddSpot(120, "Second");
    ShowForm();
    Application->HintPause = 400;
    Application->HintShortPause = 200;
    Application->HintHidePause = 600;
    auto elapsedMs = [](std::chrono::steady_clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
            .count();
    };
    // Window timers may fire up to one timer tick early.
    constexpr long long kTick = 16;
    auto moved = MoveOnto(first);
    ASSERT_TRUE(PumpUntil([&] { return Application->HintWindow()->IsHintShowing(); })) << "no hint";
    EXPECT_GE(elapsedMs(moved), 400 - kTick) << "the first hint came before its pause";
    EXPECT_EQ(Application->HintWindow()->Caption(), "First");

    moved = MoveOnto(second);
    ASSERT_TRUE(PumpUntil([&] {
        return Application->HintControl() == second && Application->HintWindow()->IsHintShowing();
    })) << "no second hint";
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_GE(elapsedMs(moved), 200 - kTick) << "the next hint came before its short pause";
    EXPECT_EQ(Application->HintWindow()->Caption(), "Second");

    ASSERT_TRUE(PumpUntil([&] { return !Application->HintWindow()->IsHintShowing(); })) << "hint stayed";
    EXPECT_GE(elapsedMs(shown), 600 - kTick) << "the hint went before its hide pause";
}

TEST_F(HintTest, HintShowsAfterThePauseAndGoesOnAPress) {
    Spot* spot = AddSpot(20, "Rescan|Scan the project again");
    ShowForm();
    MoveOnto(spot);
    ASSERT_TRUE(PumpUntil([&] { return Application->HintWindow()->IsHintShowing(); })) << "no hint";
    EXPECT_EQ(Application->HintControl(), spot);
    EXPECT_EQ(Application->HintWindow()->Caption(), "Rescan");
    EXPECT_EQ(Application->HintWindow()->Color(), clInfoBk);
    PostMessageA(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    PostMessageA(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    ASSERT_TRUE(PumpUntil([&] { return !Application->HintWindow()->IsHintShowing(); })) << "hint stayed";
    EXPECT_EQ(Application->HintControl(), nullptr);
}

} // namespace
