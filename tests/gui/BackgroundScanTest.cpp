#include "gui/MainForm.h"

#include "controls/FilenameEdit.h"
#include "framework/Panel.h"
#include "scripts/driver-support.h"
#include "tests/gui/MainWindowTest.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The window's Rescan off its thread, driven through the system's input queue: a key cancels the scan
// under way, and the file system's notices decide whether the same project is read again.

namespace {

using guitest::PumpUntil;

const char kDemoRoots[] = "MainForm:100\nOptionsDialog\nAboutBox\n";

class BackgroundScanTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "QuorvelScan" + std::to_string(GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        for (const char* name : {"MainForm.dfm", "Options.dfm", "About.dfm"})
            Copy(guitest::SourcePath("examples/demo/") + name, name);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        form->FilenameEdit1->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form->FilenameEdit1->Handle(); }));
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        for (const std::string& name : files)
            DeleteFileA((folder + name).c_str());
        RemoveDirectoryA(folder.c_str());
    }

    void Copy(const std::string& from, const std::string& name) {
        ASSERT_TRUE(CopyFileA(from.c_str(), (folder + name).c_str(), FALSE));
        files.push_back(name);
    }
    void Write(const std::string& name, const std::string& bytes) {
        HANDLE file =
            CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        files.push_back(name);
    }
    void WriteProject(const std::string& name, const std::string& forms) {
        Write(name, "RESDEPEN = $(RESFILES) " + forms + "\r\n");
    }
    // Each character a key press, as the keyboard sends it.
    static void Type(const std::string& text) {
        for (const char c : text) {
            const SHORT key = VkKeyScanA(c);
            if (key & 0x100)
                driver::PressChord({VK_SHIFT, static_cast<WORD>(key & 0xFF)});
            else
                driver::PressChord({static_cast<WORD>(key & 0xFF)});
        }
    }
    bool EditHolds(const std::string& text) {
        return PumpUntil([&] { return form->FilenameEdit1->Text() == text; });
    }
    std::string Roots() {
        std::string text;
        for (TTreeNode node = form->TreeView1->Items().GetFirstNode(); node; node = node.GetNextSibling())
            text += node.Text() + "\n";
        return text;
    }

    std::string folder;
    std::vector<std::string> files;
};

// The scan of Long.mak waits on a form that another program holds, and would end in an error box; the
// key typed meanwhile names another project, whose tree is what the window ends with.
TEST_F(BackgroundScanTest, AKeyTypedDuringALongScanCancelsItAndTheLastNameWins) {
    Copy(guitest::SourcePath("examples/demo/Splash.dfm"), "Held.dfm");
    WriteProject("Long.mak", "MainForm.dfm Held.dfm");
    WriteProject("Long.makx", "MainForm.dfm Options.dfm About.dfm");
    HANDLE held =
        CreateFileA((folder + "Held.dfm").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Type("Long.mak");
    ASSERT_TRUE(EditHolds("Long.mak"));
    ASSERT_TRUE(form->Rescanning());
    Type("x");
    ASSERT_TRUE(EditHolds("Long.makx"));
    // It waits for the cancelled scan to let go of the held form: the progress line and the wait cursor
    // stand in the tree's place meanwhile.
    EXPECT_TRUE(PumpUntil([&] { return form->ProgressLine1->Visible() || !form->Rescanning(); }));
    if (form->ProgressLine1->Visible()) {
        EXPECT_FALSE(form->TreeView1->Visible());
        EXPECT_EQ(form->ProgressLine1->Caption().rfind("Reading", 0), 0u) << form->ProgressLine1->Caption();
        const POINT centre = form->ProgressLine1->ClientToScreen(POINT{20, 20});
        SetCursorPos(centre.x, centre.y);
        EXPECT_TRUE(PumpUntil([&] {
            CURSORINFO cursor{};
            cursor.cbSize = sizeof cursor;
            return !form->Rescanning() ||
                   (GetCursorInfo(&cursor) &&
                    cursor.hCursor == LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        }));
    }
    ASSERT_TRUE(WaitForRescan());
    CloseHandle(held);
    EXPECT_TRUE(form->TreeView1->Visible());
    EXPECT_FALSE(form->ProgressLine1->Visible());
    EXPECT_EQ(Roots(), kDemoRoots);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// Typed again, the same project leaves the tree untouched while nothing changed in its folder; a form
// written there shows once the file system has told of it.
TEST_F(BackgroundScanTest, AFormChangedOnDiskShowsAfterItsNotification) {
    WriteProject("Watched.mak", "MainForm.dfm Options.dfm About.dfm");
    Type("Watched.mak");
    ASSERT_TRUE(EditHolds("Watched.mak"));
    ASSERT_EQ(NodeCount(), 12);
    TTreeNode options = form->TreeView1->Items().GetFirstNode().GetNextSibling();
    form->TreeView1->SetSelected(options);
    options.SetExpanded(true);

    Type("x");
    ASSERT_TRUE(EditHolds("Watched.makx"));
    driver::PressChord({VK_BACK});
    ASSERT_TRUE(EditHolds("Watched.mak"));
    ASSERT_TRUE(WaitForRescan());
    EXPECT_EQ(form->TreeView1->Selected(), options);
    EXPECT_TRUE(options.Expanded());

    HANDLE notice = FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_LAST_WRITE);
    ASSERT_NE(notice, INVALID_HANDLE_VALUE);
    std::ifstream mainForm(guitest::SourcePath("examples/demo/MainForm.dfm"), std::ios::binary);
    Write("Options.dfm", std::string(std::istreambuf_iterator<char>(mainForm), {}));
    EXPECT_EQ(WaitForSingleObject(notice, 20000), WAIT_OBJECT_0);
    FindCloseChangeNotification(notice);
    Type("x");
    ASSERT_TRUE(EditHolds("Watched.makx"));
    driver::PressChord({VK_BACK});
    ASSERT_TRUE(EditHolds("Watched.mak"));
    ASSERT_TRUE(WaitForRescan());
    EXPECT_EQ(Roots(), "MainForm:100\nMainForm:100\nAboutBox\n");
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
