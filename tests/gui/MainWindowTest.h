#pragma once

// The main window as a person meets it: made and shown in the demo project's folder, every message box
// it would show collected instead of waiting for a click.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/TreeView.h"
#include "gui/MainForm.h"
#include "tests/gui/GuiTestSupport.h"

namespace guitest {

// A file or folder of the source tree as a Windows path (Wine maps the Unix root to drive Z:).
inline std::string SourcePath(const std::string& relative) {
    std::string path = std::string(QUORVEL_SOURCE_DIR) + "/" + relative;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetUserSettings();
        InitFramework();
        // Every error box is the application's: its owner, its title, OK with the stop icon.
        Application->MessageBoxHook = [this](HWND owner, const std::string& text, const std::string& caption,
                                             unsigned flags) {
            EXPECT_EQ(owner, Application->Handle());
            EXPECT_EQ(caption, Application->Title());
            EXPECT_EQ(flags, 0x10u);
            boxes.push_back(text);
            return IDOK;
        };
        char previous[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, previous);
        previousDirectory = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(SourcePath("examples/demo").c_str()));
        SetCursorPos(0, 0);
        form = new TForm1(nullptr);
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; }));
        SetForegroundWindow(form->Handle());
    }
    void TearDown() override {
        delete form;
        form = nullptr;
        Application->MessageBoxHook = nullptr;
        SetCurrentDirectoryA(previousDirectory.c_str());
        ForgetUserSettings();
    }

    HWND Tree() { return form->TreeView1->Handle(); }
    // Handles messages until the Rescan under way, if any, has its result in the tree.
    bool WaitForRescan() {
        return PumpUntil([&] { return !form->Rescanning(); });
    }
    // The tree's nodes once the Rescan under way is over, every form opened.
    int NodeCount() {
        WaitForRescan();
        return OpenEveryRoot(Tree());
    }

    TForm1* form = nullptr;
    std::vector<std::string> boxes;
    std::string previousDirectory;
};

} // namespace guitest
