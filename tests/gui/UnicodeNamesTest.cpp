#include "controls/FilenameEdit.h"
#include "framework/Clipboard.h"
#include "gui/TreeViewResult.h"
#include "io/Os.h"
#include "scanner/FormTextSearch.h"
#include "scripts/driver-support.h"
#include "tests/gui/MainWindowTest.h"

#include <dlgs.h>

// A project in a folder whose name no ANSI code page holds, reached through the edit and the browse
// dialog: an ANSI window would turn the name into question marks and find nothing.

namespace {

const char kDemoRoots[] = "MainForm:100\nOptionsDialog\nAboutBox\n";

// The demo project copied into "Проект 项目 <pid>" under the temporary folder, with the wide API.
class ForeignFolder {
public:
    ForeignFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"\u041f\u0440\u043e\u0435\u043a\u0442 \u9879\u76ee " +
                  std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        const std::wstring demo = os::Widen(guitest::SourcePath("examples/demo")) + L"\\";
        for (const wchar_t* name : kFiles)
            EXPECT_TRUE(CopyFileW((demo + name).c_str(), (folder_ + L"\\" + name).c_str(), FALSE));
    }
    ~ForeignFolder() {
        for (const wchar_t* name : kFiles)
            DeleteFileW((folder_ + L"\\" + name).c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring Project() const { return folder_ + L"\\Project1.mak"; }

private:
    static constexpr const wchar_t* kFiles[] = {L"Project1.mak", L"MainForm.dfm", L"Options.dfm",
                                                L"About.dfm", L"Splash.dfm"};
    std::wstring folder_;
};

class UnicodeNamesTest : public guitest::MainWindowTest {
protected:
    std::string Roots() {
        std::string text;
        for (TTreeNode node = form->TreeView1->Items().GetFirstNode(); node; node = node.GetNextSibling())
            text += node.Text() + "\n";
        return text;
    }
    std::wstring EditText() {
        wchar_t text[MAX_PATH * 2] = {};
        GetWindowTextW(form->FilenameEdit1->Handle(), text, MAX_PATH * 2);
        return text;
    }
    ForeignFolder folder;
};

TEST_F(UnicodeNamesTest, APastedPathOutsideTheAnsiCodePageScansAndStaysAsPasted) {
    SetForegroundWindow(form->Handle());
    form->FilenameEdit1->SetFocus();
    ASSERT_TRUE(guitest::PumpUntil([&] { return GetFocus() == form->FilenameEdit1->Handle(); }));
    Clipboard()->SetAsText(os::Narrow(folder.Project()));
    driver::PressChord({VK_CONTROL, 'V'});
    EXPECT_TRUE(guitest::PumpUntil([&] { return NodeCount() == 12; })) << NodeCount();
    EXPECT_EQ(Roots(), kDemoRoots);
    EXPECT_TRUE(EditText() == folder.Project()) << os::Narrow(EditText());
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// Types the name into the open dialog's file name box and presses Open, from a timer that runs inside
// the dialog's own message loop.
std::wstring chosenName;
void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (!dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    HWND box = GetDlgItem(dialog, cmb13);
    SetWindowTextW(box ? box : GetDlgItem(dialog, edt1), chosenName.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

TEST_F(UnicodeNamesTest, AProjectChosenInTheBrowseDialogScans) {
    chosenName = folder.Project();
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerDialog);
    const TControl& button = form->FilenameEdit1->ButtonHost();
    const LPARAM at = MAKELPARAM(button.Width() / 2, button.Height() / 2);
    PostMessageW(form->FilenameEdit1->ButtonHost().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(form->FilenameEdit1->ButtonHost().Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(guitest::PumpUntil([&] { return NodeCount() == 12; })) << NodeCount();
    KillTimer(nullptr, timer);
    EXPECT_EQ(Roots(), kDemoRoots);
    EXPECT_TRUE(form->FilenameEdit1->Text() == "\"" + os::Narrow(folder.Project()) + "\"")
        << form->FilenameEdit1->Text();
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// The scan hands over captions as the form's bytes, in the ANSI code page of the system that wrote it.
TEST_F(UnicodeNamesTest, ACaptionInTheFormsCodePageShowsAsItsCharacters) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the case is written for code page 1252";
    ScanResult result;
    result.Forms.emplace_back();
    result.Forms.back().Encoding.CodePage = GetACP();
    ScanFormText("object Caf\xE9: TForm1\r\n  HelpContext = 5\r\nend\r\n", result.Forms.back());
    ShowScanResult(form->TreeView1->Items(), result);
    const TTreeNode node = form->TreeView1->Items().GetFirstNode();
    wchar_t shown[16] = {};
    TVITEMW item{TVIF_TEXT | TVIF_HANDLE, node.ItemId(), 0, 0, shown, 16, 0, 0, 0, 0};
    ASSERT_TRUE(SendMessageW(Tree(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_TRUE(std::wstring(shown) == L"Caf\u00e9:5") << os::Narrow(shown);
    EXPECT_EQ(node.Text(), "Caf\xC3\xA9:5");
}

} // namespace
