#include "controls/FilenameEdit.h"

#include "controls/EditButton.h"
#include "controls/FileNames.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/Dialogs.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "tests/gui/GuiTestSupport.h"

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// ---- The name rules -------------------------------------------------------------------------------

struct TextCase {
    std::string Input;
    std::string Expected;
};

TEST(FileNamesTest, FirstToken) {
    const std::vector<TextCase> cases = {
        {"", ""},
        {"a.mak", "a.mak"},
        {"  \t\x01 a.mak b.mak", "a.mak"},
        {"\"C:\\My Projects\\a.mak\" x", "C:\\My Projects\\a.mak"},
        {"C:\\My Projects\\a.mak", "C:\\My"},
        {"\"\"\"\"a b", "a"},               // pairs of quotes at the start are skipped
        {"\"C:\\Open end", "C:\\Open end"}, // a quote runs to the end of the text
        {"a\"b c\"d e", "ab cd"},           // quotes inside a token are not part of it
        {"\"\"", ""},
        {std::string("a\0b c", 5), "a"}, // the text ends at a NUL
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(FirstToken(c.Input), c.Expected) << "input: " << c.Input;
}

TEST(FileNamesTest, FirstTokenHoldsAtMost256Characters) {
    const std::string longName(300, 'x');
    EXPECT_EQ(FirstToken(longName), std::string(256, 'x'));
    EXPECT_EQ(FirstToken("\"" + longName + " y\""), std::string(256, 'x'));
    EXPECT_EQ(FirstToken(std::string(256, 'z') + " tail"), std::string(256, 'z'));
}

TEST(FileNamesTest, QuoteUsableFolderPart) {
    const std::vector<TextCase> quoted = {
        {"", ""},
        {"C:\\a.mak", "C:\\a.mak"},
        {"C:\\My Projects\\b.mak", "\"C:\\My Projects\\b.mak\""},
        {"\"C:\\My Projects\\b.mak\"", "\"C:\\My Projects\\b.mak\""},
    };
    for (const TextCase& c : quoted)
        EXPECT_EQ(QuoteNameWithBlanks(c.Input), c.Expected) << c.Input;

    for (const char* usable : {"a.mak", "C:\\My Projects\\a.mak", "x*?"})
        EXPECT_TRUE(IsUsableFileName(usable)) << usable;
    for (const char* unusable : {"", "a<b", "a>b", "\"a\"", "a[1]", "b]", "a|b"})
        EXPECT_FALSE(IsUsableFileName(unusable)) << unusable;

    const std::vector<TextCase> folders = {
        {"C:\\Proj\\a.mak", "C:\\Proj\\"},         {"C:a.mak", "C:"}, {"a.mak", ""},
        {"\\\\srv\\share\\x", "\\\\srv\\share\\"}, {"C:\\", "C:\\"},
    };
    for (const TextCase& c : folders)
        EXPECT_EQ(ExtractFolderPart(c.Input), c.Expected) << c.Input;

    const std::vector<TextCase> trimmed = {
        {"C:\\Dir\\", "C:\\Dir"}, {"C:\\", "C:\\"}, {"\\", "\\"}, {"", ""},
        {"C:\\Dir", "C:\\Dir"},   {"D\\\\", "D\\"},
    };
    for (const TextCase& c : trimmed)
        EXPECT_EQ(TrimInitialDir(c.Input), c.Expected) << c.Input;
}

TEST(FileDialogTest, FlagsAndFilter) {
    EXPECT_EQ(FileDialogFlags(ofHideReadOnly), 0x80024u);
    EXPECT_EQ(FileDialogFlags(ofHideReadOnly | ofOldStyleDialog), 0x24u);
    EXPECT_EQ(FileDialogFlags(ofReadOnly | ofNoChangeDir | ofAllowMultiSelect | ofNoDereferenceLinks),
              0x180229u);
    const std::string filter = FileDialogFilter("Project files|*.mak;*.bpr");
    EXPECT_EQ(filter, std::string("Project files\0*.mak;*.bpr\0", 26));
    EXPECT_EQ(filter.c_str()[filter.size()], '\0'); // two NULs end the list
    EXPECT_EQ(FileDialogFilter(""), "");
}

// ---- Files on disk --------------------------------------------------------------------------------

// A folder with a blank in its name under the temporary folder, holding one project file; removed at the
// end with the current directory put back.
class TempProject {
public:
    TempProject() {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        GetCurrentDirectoryA(MAX_PATH, savedDir_);
        folder_ = std::string(temp) + "Quorvel Browse " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        file_ = folder_ + "\\b.mak";
        HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
    ~TempProject() {
        SetCurrentDirectoryA(savedDir_);
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    const std::string& Folder() const { return folder_; }
    const std::string& File() const { return file_; }

private:
    char savedDir_[MAX_PATH + 1] = {};
    std::string folder_, file_;
};

TEST(FileNamesTest, ExistingFilesAndFolders) {
    TempProject project;
    EXPECT_TRUE(FolderExists(project.Folder()));
    EXPECT_TRUE(FolderExists(project.Folder() + "\\"));
    EXPECT_FALSE(FolderExists(project.File()));
    EXPECT_FALSE(FolderExists(""));
    // A whole text that names an existing file is the name, blanks and all.
    EXPECT_EQ(ExtractNameFromText(project.File()), project.File());
    EXPECT_EQ(ExtractNameFromText(project.File() + " x"), FirstToken(project.File()));
    EXPECT_EQ(ExtractNameFromText("\"" + project.File() + "\" x"), project.File());
    EXPECT_EQ(ExtractNameFromText(""), "");
}

// ---- The control on a form ------------------------------------------------------------------------

std::string CurrentDirectory() {
    char dir[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

// The file-name edit, noting the formatting rectangles it asks of its window.
class ProbeEdit : public TFilenameEdit {
public:
    using TFilenameEdit::TFilenameEdit;
    std::vector<RECT> TextAreas;
    void WndProc(TMessage& message) override {
        if (message.Msg == EM_SETRECTNP)
            TextAreas.push_back(*reinterpret_cast<const RECT*>(message.LParam));
        TFilenameEdit::WndProc(message);
    }
};

// A test form that remembers the dialog keys it is handed.
class KeyForm : public guitest::TestForm {
public:
    std::vector<WPARAM> DialogKeys;
    void WndProc(TMessage& message) override {
        if (message.Msg == CM_DIALOGKEY)
            DialogKeys.push_back(message.WParam);
        guitest::TestForm::WndProc(message);
    }
};

// Answers the file dialog from a timer that runs inside the dialog's own message loop: once the dialog
// is on the screen it notes what it sees, types the name and presses Open, or presses Cancel.
class DialogDriver {
public:
    explicit DialogDriver(std::string name, bool confirm = true) : name_(std::move(name)), confirm_(confirm) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, &DialogDriver::Tick);
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    ~DialogDriver() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }

    int Answered = 0;
    std::string Caption;
    RECT Bounds{};
    UINT ErrorMode = 0;
    bool OwnerFormEnabled = true;
    HWND Capture = nullptr; // the window holding the mouse while the dialog is up
    HWND Form = nullptr;

private:
    static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) == "#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_)
            current_->Poll();
    }

    void Poll() {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &DialogDriver::FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || dialog == answered_)
            return;
        answered_ = dialog;
        ++Answered;
        char caption[128] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        Caption = caption;
        GetWindowRect(dialog, &Bounds);
        ErrorMode = GetErrorMode();
        OwnerFormEnabled = Form && IsWindowEnabled(Form);
        Capture = GetCapture();
        if (confirm_) {
            // The explorer dialog's file name box is a combo box, the old one's an edit.
            HWND box = GetDlgItem(dialog, cmb13);
            if (!box)
                box = GetDlgItem(dialog, edt1);
            SetWindowTextA(box, name_.c_str());
        }
        const int button = confirm_ ? IDOK : IDCANCEL;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    }

    static DialogDriver* current_;
    std::string name_;
    bool confirm_;
    UINT_PTR timer_ = 0;
    HWND answered_ = nullptr;
};
DialogDriver* DialogDriver::current_ = nullptr;

// What the edit asked of the platform dialog, copied while the request is alive.
struct Request {
    DWORD StructSize = 0, Flags = 0, FilterIndex = 0, MaxFile = 0;
    HWND Owner = nullptr;
    std::string Filter, File, InitialDir, Title;
    bool HasHook = false;
};

class FilenameEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        guitest::CollectBoxTexts(errors);
        form = new KeyForm;
        edit = new ProbeEdit(form);
        edit->SetParent(form);
        edit->SetBounds(18, 32, 260, 21);
        edit->SetFilter("Project files|*.mak;*.bpr");
        edit->OnChange = [this](TObject*) {
            ++changes;
            directoryAtChange = CurrentDirectory();
        };
        edit->Dialog().OnRequest = [this](const OPENFILENAMEW& r) {
            Request copy;
            copy.StructSize = r.lStructSize;
            copy.Flags = r.Flags;
            copy.FilterIndex = r.nFilterIndex;
            copy.MaxFile = r.nMaxFile;
            copy.Owner = r.hwndOwner;
            const wchar_t* end = r.lpstrFilter;
            while (end && (end[0] || end[1]))
                ++end;
            copy.Filter =
                r.lpstrFilter ? os::Narrow(std::wstring_view(r.lpstrFilter, end + 2 - r.lpstrFilter)) : "";
            copy.File = os::Narrow(r.lpstrFile);
            copy.InitialDir = r.lpstrInitialDir ? os::Narrow(r.lpstrInitialDir) : "";
            copy.Title = r.lpstrTitle ? os::Narrow(r.lpstrTitle) : "";
            copy.HasHook = r.lpfnHook != nullptr;
            requests.push_back(copy);
        };
        form->ShowAndSettle();
        edit->SetFocus();
        changes = 0;
    }
    void TearDown() override {
        delete form;
        Application->MessageBoxHook = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }

    void Type(char c) { SendMessageA(edit->Handle(), WM_CHAR, static_cast<BYTE>(c), 1); }

    // Alt+Down as the keyboard delivers it: a system key with the Alt key held.
    void PressAltDown() {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        const BYTE saved = keys[VK_MENU];
        keys[VK_MENU] = 0x80;
        SetKeyboardState(keys);
        SendMessageA(edit->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
        GetKeyboardState(keys);
        keys[VK_MENU] = saved;
        SetKeyboardState(keys);
    }

    void ClickButton() {
        HWND host = edit->ButtonHost().Handle();
        SendMessageA(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 8));
        SendMessageA(host, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    }

    KeyForm* form = nullptr;
    ProbeEdit* edit = nullptr; // owned by the form
    int changes = 0;
    std::string directoryAtChange;
    std::vector<Request> requests;
    std::vector<std::string> errors;
};

TEST_F(FilenameEditTest, StartsAsTheMainWindowHasIt) {
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(edit->DialogTitle(), "Browse");
    EXPECT_EQ(edit->FilterIndex(), 1);
    EXPECT_EQ(edit->DialogOptions(), TOpenOptions(ofHideReadOnly));
    EXPECT_EQ(edit->ClickKey, 32808);
    EXPECT_EQ(edit->GlyphKind(), gkDefault);
    EXPECT_EQ(edit->NumGlyphs(), 1);
    EXPECT_EQ(edit->ButtonWidth(), 21);
    EXPECT_EQ(edit->Glyph().Width(), 14);
    EXPECT_EQ(edit->Glyph().Height(), 12);
    EXPECT_EQ(edit->Glyph().Pixel(0, 11), clFuchsia);
    EXPECT_EQ(edit->Button().Parent(), &edit->ButtonHost());

    const auto style = static_cast<DWORD>(GetWindowLongA(edit->Handle(), GWL_STYLE));
    const DWORD wanted = ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE | WS_CLIPCHILDREN | ES_OEMCONVERT;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_BORDER | ES_READONLY | ES_CENTER | ES_RIGHT), 0u);
    EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    // A new edit made on a living form reports no change while its window is made.
    int early = 0;
    auto* other = new TFilenameEdit(form);
    other->OnChange = [&](TObject*) { ++early; };
    other->SetParent(form);
    other->HandleNeeded();
    EXPECT_EQ(early, 0);
}

TEST_F(FilenameEditTest, ButtonAndTextAreaLayout) {
    EXPECT_EQ(edit->ClientWidth(), 256);
    EXPECT_EQ(edit->ClientHeight(), 17);
    TWinControl& host = edit->ButtonHost();
    EXPECT_EQ(host.Left(), 235);
    EXPECT_EQ(host.Top(), 0);
    EXPECT_EQ(host.Width(), 21);
    EXPECT_EQ(host.Height(), 17);
    EXPECT_EQ(edit->Button().Width(), 21);
    EXPECT_EQ(edit->Button().Height(), 17);
    RECT placed{};
    GetWindowRect(host.Handle(), &placed);
    MapWindowPoints(HWND_DESKTOP, edit->Handle(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 235);
    EXPECT_EQ(placed.right, 256);

    // The text area asked of the window; the window keeps its margins and frame inside it.
    ASSERT_FALSE(edit->TextAreas.empty());
    const RECT asked = edit->TextAreas.back();
    EXPECT_EQ(asked.left, 0);
    EXPECT_EQ(asked.top, 0);
    EXPECT_EQ(asked.right, 233);
    EXPECT_EQ(asked.bottom, 18);
    RECT area{};
    SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const int rightMargin = HIWORD(SendMessageA(edit->Handle(), EM_GETMARGINS, 0, 0));
    EXPECT_LE(area.right, 233 - rightMargin);
    EXPECT_GE(area.right, 233 - rightMargin - 1);

    // A wider edit moves the button along and keeps the text left of it.
    edit->SetWidth(300);
    EXPECT_EQ(host.Left(), 275);
    EXPECT_EQ(edit->TextAreas.back().right, 273);
    SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    EXPECT_LE(area.right, 273 - rightMargin);
}

TEST_F(FilenameEditTest, ButtonShowsTheFolderAtThreeTwo) {
    // The edit repaints itself (it just got the focus, and typing does the same) without covering the
    // button inside it.
    Type('a');
    edit->Repaint();
    ASSERT_TRUE(guitest::PumpPastMarker()); // the button's own paint comes through the queue
    const TBitmap shown = guitest::CaptureClient(form->Handle());
    POINT origin{0, 0};
    MapWindowPoints(edit->ButtonHost().Handle(), form->Handle(), &origin, 1);
    const TBitmap& folder = SharedFolderGlyph();
    const TColor transparent = folder.Pixel(0, folder.Height() - 1);
    int compared = 0;
    for (int y = 0; y < folder.Height(); ++y)
        for (int x = 0; x < folder.Width(); ++x)
            if (folder.Pixel(x, y) != transparent) {
                EXPECT_EQ(shown.Pixel(origin.x + 3 + x, origin.y + 2 + y), folder.Pixel(x, y))
                    << x << "," << y;
                ++compared;
            }
    EXPECT_GT(compared, 40);
}

TEST_F(FilenameEditTest, HeightIsNeverBelowTheMinimum) {
    WindowDC screen(nullptr);
    TEXTMETRICA system{}, own{};
    {
        CanvasSelection selection(screen.Handle(), GetStockObject(SYSTEM_FONT));
        GetTextMetricsA(screen.Handle(), &system);
    }
    {
        CanvasSelection selection(screen.Handle(), edit->Font().Handle());
        GetTextMetricsA(screen.Handle(), &own);
    }
    const int expected = std::min(system.tmHeight, own.tmHeight) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
    EXPECT_EQ(edit->MinimumHeight(), expected);
    if (own.tmHeight == 13 && system.tmHeight >= 13 && GetSystemMetrics(SM_CYBORDER) == 1) {
        EXPECT_EQ(edit->MinimumHeight(), 18);
    }
    edit->SetHeight(8);
    EXPECT_EQ(edit->Height(), expected);
    EXPECT_EQ(edit->ButtonHost().Height(), expected - 4);
    edit->SetHeight(30);
    EXPECT_EQ(edit->Height(), 30);
    EXPECT_EQ(edit->ButtonHost().Height(), 26);
    EXPECT_EQ(edit->Button().Height(), 26);
}

TEST_F(FilenameEditTest, OnChangeOncePerChange) {
    Type('a');
    Type('b');
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(changes, 2);
    Type('\b');
    EXPECT_EQ(edit->Text(), "a");
    EXPECT_EQ(changes, 3);

    // Enter: the form hears it as a dialog key, the text keeps its one line.
    Type('\r');
    EXPECT_EQ(edit->Text(), "a");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(form->DialogKeys, std::vector<WPARAM>{VK_RETURN});
    // Through the message loop, as the keyboard sends it, and with Ctrl held.
    PostMessageA(edit->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(guitest::PumpPastMarker());
    Type('\n');
    EXPECT_EQ(edit->Text(), "a");
    EXPECT_EQ(changes, 3);

    // Writing the text: once for a new text, never for the same text.
    edit->SetText("a");
    EXPECT_EQ(changes, 3);
    edit->SetText("C:\\x.mak");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(edit->Text(), "C:\\x.mak");
    edit->SetText("C:\\x.mak");
    EXPECT_EQ(changes, 4);

    // Undo and paste go through the edit's own change report.
    SendMessageA(edit->Handle(), EM_SETSEL, 0, -1);
    Type('z');
    EXPECT_EQ(edit->Text(), "z");
    EXPECT_EQ(changes, 5);
    SendMessageA(edit->Handle(), EM_UNDO, 0, 0);
    EXPECT_EQ(edit->Text(), "C:\\x.mak");
    EXPECT_EQ(changes, 6);
}

TEST_F(FilenameEditTest, EscapePassesOnAndTabMovesOn) {
    auto* next = new TFilenameEdit(form);
    next->SetParent(form);
    next->SetBounds(18, 70, 260, 21);
    next->TabStop = true;
    edit->SetText("a.mak");
    changes = 0;

    // Esc, as the keyboard sends it: the form hears it and stays; the text stays.
    PostMessageA(edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(guitest::PumpPastMarker());
    EXPECT_EQ(form->DialogKeys, std::vector<WPARAM>{VK_ESCAPE});
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(edit->Text(), "a.mak");

    PostMessageA(edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
    ASSERT_TRUE(guitest::PumpUntil([&] { return next->Focused(); }, 5000));
    EXPECT_EQ(edit->Text(), "a.mak");
    EXPECT_EQ(changes, 0);
}

TEST_F(FilenameEditTest, PasteOnlyWithDirectInputAndNotReadOnly) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
    memcpy(GlobalLock(block), "x.mak", 6);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();

    edit->SetReadOnly(true);
    EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_READONLY);
    SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "");
    edit->SetReadOnly(false);
    edit->SetDirectInput(false);
    EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_READONLY);
    SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
    Type('q');
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(changes, 0);
    edit->SetDirectInput(true);
    EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_READONLY);
    SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "x.mak");
    EXPECT_EQ(changes, 1);
}

// The edit window is multi-line; a paste still inserts one line, as a one-line edit does, in place of
// the selection, and reports it as one change.
TEST_F(FilenameEditTest, APasteInsertsTheClipboardTextUpToItsFirstLineBreak) {
    const struct {
        const char* before;
        int selStart, selEnd;
        const char* clipboard;
        const char* after;
    } cases[] = {
        {"", 0, 0, "Project1.mak\r\n", "Project1.mak"},
        {"", 0, 0, "a.mak\nb.mak", "a.mak"},
        {"", 0, 0, "a.mak\rb.mak", "a.mak"},
        {"C:\\old.mak", 3, 6, "new\r\n", "C:\\new.mak"},
        {"x.mak", 0, 5, "\r\nrest", ""},
        {"x.mak", 5, 5, "plain", "x.makplain"},
    };
    for (const auto& c : cases) {
        edit->SetText(c.before);
        SendMessageA(edit->Handle(), EM_SETSEL, c.selStart, c.selEnd);
        Clipboard()->SetAsText(c.clipboard);
        changes = 0;
        SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
        EXPECT_EQ(edit->Text(), c.after) << c.clipboard;
        EXPECT_EQ(changes, std::string(c.before) == c.after ? 0 : 1) << c.clipboard;
        EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLINECOUNT, 0, 0), 1) << c.clipboard;
    }
    // Ctrl+V as typed reaches the same paste.
    edit->SetText("");
    Clipboard()->SetAsText("typed.mak\r\n");
    changes = 0;
    SendMessageA(edit->Handle(), WM_CHAR, 0x16, 1);
    EXPECT_EQ(edit->Text(), "typed.mak");
    EXPECT_EQ(changes, 1);
}

TEST_F(FilenameEditTest, FileNameReadAndWrite) {
    edit->SetText("\"C:\\My Projects\\a.mak\" rest");
    EXPECT_EQ(edit->FileName(), "C:\\My Projects\\a.mak");
    edit->SetFileName("C:\\My Projects\\b.mak");
    EXPECT_EQ(edit->Text(), "\"C:\\My Projects\\b.mak\"");
    try {
        edit->SetFileName("a|b.mak");
        ADD_FAILURE() << "no error";
    } catch (const EComboEditError& e) {
        EXPECT_EQ(e.Message(), "Invalid file name - a|b.mak");
    }
    EXPECT_EQ(edit->Text(), "\"C:\\My Projects\\b.mak\"");
    edit->SetFileName("");
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(FilenameEditTest, BrowseConfirmedThroughTheRealDialog) {
    TempProject project;
    const UINT modeBefore = GetErrorMode();
    DialogDriver driver(project.File());
    driver.Form = form->Handle();
    ClickButton();
    ASSERT_EQ(driver.Answered, 1);

    EXPECT_EQ(driver.Caption, "Browse");
    EXPECT_EQ(driver.ErrorMode, 0x8001u);
    EXPECT_EQ(GetErrorMode(), modeBefore);
    EXPECT_FALSE(driver.OwnerFormEnabled);
    EXPECT_EQ(driver.Capture, nullptr); // the pressed button does not keep the mouse from the dialog
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    const int width = driver.Bounds.right - driver.Bounds.left;
    const int height = driver.Bounds.bottom - driver.Bounds.top;
    EXPECT_EQ(driver.Bounds.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(driver.Bounds.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 3);

    ASSERT_EQ(requests.size(), 1u);
    const Request& r = requests[0];
    EXPECT_EQ(r.StructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400W));
    EXPECT_EQ(r.Flags, 0x80024u);
    EXPECT_EQ(r.Owner, Application->Handle());
    EXPECT_EQ(r.Filter, std::string("Project files\0*.mak;*.bpr\0\0", 27));
    EXPECT_EQ(r.FilterIndex, 1u);
    EXPECT_EQ(r.MaxFile, 32768u); // a long path fits
    EXPECT_EQ(r.File, "");
    EXPECT_EQ(r.InitialDir, "");
    EXPECT_EQ(r.Title, "Browse");
    EXPECT_TRUE(r.HasHook);

    EXPECT_EQ(edit->Text(), "\"" + project.File() + "\"");
    EXPECT_EQ(changes, 1);
    // The change handler (the scan) already runs in the chosen file's folder.
    EXPECT_EQ(directoryAtChange, project.Folder());
    EXPECT_EQ(CurrentDirectory(), project.Folder());
    EXPECT_EQ(edit->FileName(), project.File());
    EXPECT_EQ(edit->InitialDir(), project.Folder());
    EXPECT_TRUE(edit->Focused());

    // A second run opens on the text's file and folder; cancelling it changes nothing.
    edit->SetFilterIndex(2);
    DialogDriver cancel("", false);
    ClickButton();
    ASSERT_EQ(cancel.Answered, 1);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].File, project.File());
    EXPECT_EQ(requests[1].InitialDir, project.Folder());
    EXPECT_EQ(requests[1].FilterIndex, 2u);
    EXPECT_EQ(edit->Text(), "\"" + project.File() + "\"");
    EXPECT_EQ(edit->InitialDir(), project.Folder());
    EXPECT_EQ(edit->FilterIndex(), 2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(GetErrorMode(), modeBefore);
}

TEST_F(FilenameEditTest, ChoosingTheSameFileAgainFiresNothing) {
    TempProject project;
    const std::string plain = project.Folder() + "\\..\\plain.mak";
    char full[MAX_PATH] = {};
    GetFullPathNameA(plain.c_str(), MAX_PATH, full, nullptr);
    edit->SetText(full);
    changes = 0;
    DialogDriver driver(full);
    ClickButton();
    ASSERT_EQ(driver.Answered, 1);
    EXPECT_EQ(edit->Text(), full);
    EXPECT_EQ(changes, 0);
}

TEST_F(FilenameEditTest, TheDialogTakesTheEditsHelpContext) {
    for (int helpContext : {0, 4711}) {
        edit->HelpContext = helpContext;
        int seen = -1;
        edit->Dialog().OnRequest = [&](const OPENFILENAMEW&) { seen = edit->Dialog().HelpContext; };
        DialogDriver cancel("", false);
        ClickButton();
        ASSERT_EQ(cancel.Answered, 1);
        EXPECT_EQ(seen, helpContext);
    }
}

TEST_F(FilenameEditTest, HooksCanCancelOrRename) {
    int before = 0;
    edit->OnBeforeDialog = [&](TObject*, std::string&, bool& action) {
        ++before;
        action = false;
    };
    ClickButton();
    EXPECT_EQ(before, 1);
    EXPECT_TRUE(requests.empty());

    TempProject project;
    edit->OnBeforeDialog = nullptr;
    edit->OnAfterDialog = [](TObject*, std::string& name, bool&) { name += ".bak"; };
    DialogDriver driver(project.File());
    ClickButton();
    ASSERT_EQ(driver.Answered, 1);
    EXPECT_EQ(edit->Text(), "\"" + project.File() + ".bak\"");
    EXPECT_EQ(changes, 1);
}

TEST_F(FilenameEditTest, AltDownOpensTheDialogUnlessReadOnly) {
    {
        DialogDriver cancel("", false);
        PressAltDown();
        EXPECT_EQ(cancel.Answered, 1);
    }
    EXPECT_EQ(requests.size(), 1u);

    edit->SetReadOnly(true);
    PressAltDown();
    ClickButton();
    EXPECT_EQ(requests.size(), 1u);

    // Always-enable lets the button browse even so; turning direct input off does not stop it.
    edit->SetAlwaysEnable(true);
    {
        DialogDriver cancel("", false);
        ClickButton();
        EXPECT_EQ(cancel.Answered, 1);
    }
    edit->SetReadOnly(false);
    edit->SetAlwaysEnable(false);
    edit->SetDirectInput(false);
    {
        DialogDriver cancel("", false);
        PressAltDown();
        EXPECT_EQ(cancel.Answered, 1);
    }
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_EQ(changes, 0);
}

TEST_F(FilenameEditTest, DisablingDisablesTheButton) {
    edit->SetEnabled(false);
    EXPECT_FALSE(edit->Button().Enabled());
    EXPECT_FALSE(IsWindowEnabled(edit->Handle()));
    edit->SetEnabled(true);
    EXPECT_TRUE(edit->Button().Enabled());
}

TEST_F(FilenameEditTest, FocusSelectsAllAndMakesOwnCaret) {
    edit->SetText("C:\\a.mak");
    SetFocus(form->Handle());
    EXPECT_FALSE(edit->HasFocus());
    edit->SetFocus();
    EXPECT_TRUE(edit->HasFocus());
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 8);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_EQ(info.hwndCaret, edit->Handle());
    EXPECT_EQ(info.rcCaret.right - info.rcCaret.left, 1);
    EXPECT_EQ(info.rcCaret.bottom - info.rcCaret.top, edit->LineHeightOfFont());
    SetFocus(form->Handle());
    EXPECT_FALSE(edit->HasFocus());

    // A bold font makes the caret two pixels wide (and makes the window anew).
    TFont bold;
    bold.Assign(edit->Font());
    bold.SetStyle(fsBold);
    edit->SetFont(bold);
    edit->SetFocus();
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_EQ(info.rcCaret.right - info.rcCaret.left, 2);
    EXPECT_EQ(edit->Text(), "C:\\a.mak");
    EXPECT_EQ(edit->ButtonHost().Left(), 235);
    SetFocus(form->Handle());

    edit->SetDirectInput(false);
    SendMessageA(edit->Handle(), EM_SETSEL, 0, 0);
    edit->SetFocus();
    EXPECT_TRUE(edit->HasFocus());
    EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(FilenameEditTest, DialogKindSwitchKeepsTheSettings) {
    edit->SetInitialDir("C:\\Dir\\");
    EXPECT_EQ(edit->InitialDir(), "C:\\Dir");
    edit->SetFilterIndex(2);
    edit->SetDefaultExt("mak");
    edit->SetDialogKind(dkSave);
    EXPECT_NE(dynamic_cast<TSaveDialog*>(&edit->Dialog()), nullptr);
    EXPECT_EQ(edit->InitialDir(), "C:\\Dir");
    EXPECT_EQ(edit->FilterIndex(), 2);
    EXPECT_EQ(edit->DefaultExt(), "mak");
    EXPECT_EQ(edit->Filter(), "Project files|*.mak;*.bpr");
    EXPECT_EQ(edit->DialogTitle(), "Browse");
    edit->SetDialogKind(dkOpen);
    EXPECT_EQ(dynamic_cast<TSaveDialog*>(&edit->Dialog()), nullptr);
    EXPECT_EQ(edit->FilterIndex(), 2);
}

} // namespace

// Names are offered under the edit as they are typed: the folders and files of the folder the text names
// that begin so, none that are hidden; Down goes through them, and the text becomes each in turn.
TEST_F(FilenameEditTest, TypedNamesAreOfferedFromTheirFolder) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "QuorvelOffers" + std::to_string(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"Forms", "Fonts"})
        CreateDirectoryA((folder + "\\" + name).c_str(), nullptr);
    for (const char* name : {"Form1.dfm", "Other.txt", "Fhidden.dfm"})
        CloseHandle(CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                name[1] == 'h' ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr));
    edit->SetPathCompletion(true);
    for (char c : folder + "\\Fo")
        Type(c);
    std::vector<std::string> offered;
    HWND list = nullptr;
    ASSERT_TRUE(guitest::PumpUntil(
        [&] {
            list = nullptr;
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND window, LPARAM found) -> BOOL {
                    char name[32] = {};
                    GetClassNameA(window, name, sizeof name);
                    HWND child = FindWindowExA(window, nullptr, "ListBox", nullptr);
                    if (IsWindowVisible(window) && (child || lstrcmpiA(name, "ListBox") == 0))
                        *reinterpret_cast<HWND*>(found) = child ? child : window;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&list));
            return list && SendMessageW(list, LB_GETCOUNT, 0, 0) > 0;
        },
        5000));
    // The list draws what it holds itself: the names are read off the edit, which takes each one Down
    // moves to.
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        PostMessageW(edit->Handle(), WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(edit->Handle(), WM_KEYUP, VK_DOWN, 1u | 3u << 30);
        guitest::PumpPastMarker();
        offered.push_back(edit->Text().substr(std::min(edit->Text().size(), folder.size() + 1)));
    }
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, (std::vector<std::string>{"Fonts", "Form1.dfm", "Forms"}));
    for (const char* name : {"Forms", "Fonts"})
        RemoveDirectoryA((folder + "\\" + name).c_str());
    for (const char* name : {"Form1.dfm", "Other.txt", "Fhidden.dfm"}) {
        SetFileAttributesA((folder + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((folder + "\\" + name).c_str());
    }
    RemoveDirectoryA(folder.c_str());
}
