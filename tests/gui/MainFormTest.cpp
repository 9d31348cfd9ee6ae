#include "gui/MainForm.h"

#include "controls/FilenameEdit.h"
#include "controls/RxLabel.h"
#include "controls/RxSpeedButton.h"
#include "credits/Credits.h"
#include "credits/SecretPanel.h"
#include "framework/Application.h"
#include "framework/Bevel.h"
#include "framework/Clipboard.h"
#include "framework/HintWindow.h"
#include "framework/ImageList.h"
#include "framework/TreeView.h"
#include "gui/UserSettings.h"
#include "io/Os.h"
#include "report/ScanReport.h"
#include "runtime/Exceptions.h"
#include "scanner/Rescan.h"
#include "scripts/driver-support.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/MainWindowTest.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/TestFiles.h"
#include "threads/Thread.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <iterator>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// The main window driven as a user drives it: keystrokes into the edit, clicks on the buttons, double
// clicks on the tree; read back through the tree view's own items, the clipboard and the window state.

namespace {

const char kProject[] = "Project1.mak";
// The demo project's tree.
const char kDemoTree[] = "MainForm:100\n  CustomerEdit:110\n  QuantityEdit:120\n  OkButton:130\n"
                         "OptionsDialog\n  AutoSaveBox:210\n  BackupBox:-1\n  FolderEdit:230\n"
                         "AboutBox\n  ProductName:310\n  Version:320\n  OkButton:330\n";

using guitest::PumpUntil;

using guitest::SourcePath;

// One node as the tree view reports it.
struct ShownNode {
    std::string Caption;
    int Image, SelectedImage, StateImage;
    bool Expanded;
    std::vector<ShownNode> Children;
};

std::vector<ShownNode> ReadTree(HWND tree, HTREEITEM first) {
    std::vector<ShownNode> nodes;
    for (HTREEITEM item = first; item;
         item = reinterpret_cast<HTREEITEM>(
             SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        char text[300] = {};
        TVITEMA info{};
        info.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        info.hItem = item;
        info.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info)));
        auto child = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        nodes.push_back(ShownNode{text, info.iImage, info.iSelectedImage,
                                  static_cast<int>((info.state & TVIS_STATEIMAGEMASK) >> 12),
                                  (info.state & TVIS_EXPANDED) != 0, ReadTree(tree, child)});
    }
    return nodes;
}

std::vector<ShownNode> ReadTree(HWND tree) {
    guitest::OpenEveryRoot(tree);
    return ReadTree(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

// The same tree in the text form of the in-memory tree: a node per line, children indented.
std::string TreeText(const std::vector<ShownNode>& nodes, const std::string& indent = "") {
    std::string text;
    for (const ShownNode& node : nodes)
        text += indent + node.Caption + "\n" + TreeText(node.Children, indent + "  ");
    return text;
}

std::string ClipboardText() {
    return Clipboard()->AsText();
}

// Keys through the system's input queue to whatever window has the focus: each character with Shift
// when it needs it, and Ctrl+V.
void SendKeys(const std::vector<std::pair<WORD, bool>>& keys) {
    for (const auto& [vk, modifier] : keys) {
        const WORD key = vk & 0xFF;
        if (modifier)
            driver::PressChord({static_cast<WORD>(vk >> 8 == 2 ? VK_CONTROL : VK_SHIFT), key});
        else
            driver::PressChord({key});
    }
}

void TypeText(const std::string& text) {
    for (char c : text) {
        const SHORT scan = VkKeyScanA(c);
        SendKeys({{static_cast<WORD>(scan & 0xFF), (scan & 0x100) != 0}});
    }
}

class MainFormTest : public guitest::MainWindowTest {
protected:
    // Types into the file-name edit, one character message per key, as the keyboard would.
    void Type(const std::string& text) {
        form->FilenameEdit1->SetFocus();
        for (char c : text)
            PostMessageA(form->FilenameEdit1->Handle(), WM_CHAR, static_cast<BYTE>(c), 1);
    }

    // A left click on the form's client area, where the window-less glyph buttons are.
    void ClickAt(int x, int y) {
        const LPARAM at = MAKELPARAM(x, y);
        PostMessageA(form->Handle(), WM_MOUSEMOVE, 0, at);
        PostMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(form->Handle(), WM_LBUTTONUP, 0, at);
        // The click is handled synchronously: once nothing is left in the queue, it has been.
        ASSERT_TRUE(PumpUntil([&] { return !HasPosted(form->Handle()); }));
        ASSERT_TRUE(WaitForRescan());
    }
    static bool HasPosted(HWND window) {
        MSG msg;
        return PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE) != 0;
    }
    void ClickButton(TRxSpeedButton* button) {
        ClickAt(button->Left() + button->Width() / 2, button->Top() + button->Height() / 2);
    }

    // Double-clicks the middle of a node's caption.
    void DoubleClickNode(HTREEITEM item) {
        RECT r{};
        std::memcpy(&r, &item, sizeof item); // TVM_GETITEMRECT takes the item in the first bytes
        ASSERT_TRUE(SendMessageA(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(Tree(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(Tree(), WM_LBUTTONUP, 0, at);
        PostMessageA(Tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageA(Tree(), WM_LBUTTONUP, 0, at);
        ASSERT_TRUE(PumpUntil([&] { return !HasPosted(Tree()); }));
    }

    HTREEITEM FindNode(const std::string& caption) {
        HTREEITEM found = nullptr;
        std::function<void(HTREEITEM)> walk = [&](HTREEITEM item) {
            for (; item && !found; item = reinterpret_cast<HTREEITEM>(SendMessageA(
                                       Tree(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
                if (TTreeNode(&form->TreeView1->Items(), item).Text() == caption)
                    found = item;
                walk(reinterpret_cast<HTREEITEM>(
                    SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))));
            }
        };
        walk(reinterpret_cast<HTREEITEM>(SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0)));
        return found;
    }

    // Puts a text into the edit the way the browse button's choice arrives: one change of the whole
    // text, inside the handling of a message (whose guard shows the errors).
    void SetEditText(const char* text) {
        GuardedDispatch(form->FilenameEdit1, [&]() -> LRESULT {
            form->FilenameEdit1->SetText(text);
            return 0;
        });
        ASSERT_TRUE(WaitForRescan());
    }

    void LoadDemo() {
        SetEditText(kProject);
        ASSERT_EQ(NodeCount(), 12);
        ASSERT_TRUE(boxes.empty());
    }
};

TEST_F(MainFormTest, ControlsAreMadeInOrderWithTheirPlacesAndSettings) {
    const std::vector<std::string> order = {"Bevel1",         "RxSpeedButton1", "RxLabel1",      "RxLabel2",
                                            "RxSpeedButton2", "RxSpeedButton3", "FilenameEdit1", "TreeView1",
                                            "ProgressLine1",  "SecretPanel1",   "ImageList1",    "PopupMenu1",
                                            "ScanTimer1"};
    ASSERT_EQ(form->ComponentCount(), static_cast<int>(order.size()));
    for (int i = 0; i < form->ComponentCount(); ++i)
        EXPECT_EQ(form->Components(i)->Name(), order[static_cast<size_t>(i)]);

    auto expectBounds = [](TControl* control, int left, int top, int width, int height) {
        EXPECT_EQ(control->Left(), left) << control->Name();
        EXPECT_EQ(control->Top(), top) << control->Name();
        EXPECT_EQ(control->Width(), width) << control->Name();
        EXPECT_EQ(control->Height(), height) << control->Name();
    };
    expectBounds(form->Bevel1, 8, 7, 281, 221);
    EXPECT_EQ(form->Bevel1->Shape(), bsBox);
    EXPECT_EQ(form->Bevel1->Style(), bsLowered);
    expectBounds(form->RxSpeedButton3, 118, 236, 58, 33);
    expectBounds(form->RxSpeedButton1, 174, 236, 58, 33);
    expectBounds(form->RxSpeedButton2, 230, 236, 58, 33);
    const struct {
        TRxSpeedButton* button;
        const char* hint;
    } buttons[] = {
        {form->RxSpeedButton1, "Rescan"}, {form->RxSpeedButton2, "Exit"}, {form->RxSpeedButton3, "About"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->Hint(), b.hint);
        EXPECT_TRUE(b.button->ShowHint()) << b.hint;
        EXPECT_FALSE(b.button->ParentShowHint()) << b.hint;
        EXPECT_TRUE(b.button->Flat()) << b.hint;
        EXPECT_TRUE(b.button->Transparent()) << b.hint;
        EXPECT_TRUE(b.button->Enabled()) << b.hint;
        EXPECT_EQ(b.button->NumGlyphs(), 3) << b.hint;
        EXPECT_EQ(b.button->Glyph().Width(), 96) << b.hint;
    }
    EXPECT_EQ(form->RxLabel1->Left(), 16);
    EXPECT_EQ(form->RxLabel1->Top(), 15);
    EXPECT_EQ(form->RxLabel1->Caption(), "Project file name");
    EXPECT_EQ(form->RxLabel2->Left(), 16);
    EXPECT_EQ(form->RxLabel2->Top(), 62);
    EXPECT_EQ(form->RxLabel2->Caption(), "Forms and components with HelpContext");
    // Sized to their text in the window's 8-point "MS Sans Serif" (the test prefix has Wine's fonts).
    expectBounds(form->RxLabel1, 16, 15, 80, 13);
    expectBounds(form->RxLabel2, 16, 62, 195, 13);
    EXPECT_TRUE(form->RxLabel1->Font().Equals(form->Font()));

    expectBounds(form->FilenameEdit1, 18, 32, 260, 21);
    EXPECT_EQ(form->FilenameEdit1->Filter(), "Project files|*.mak;*.bpr");
    EXPECT_EQ(form->FilenameEdit1->NumGlyphs(), 1);
    EXPECT_EQ(form->FilenameEdit1->TabOrder(), 0);
    EXPECT_EQ(form->FilenameEdit1->Text(), "");

    expectBounds(form->TreeView1, 16, 80, 263, 138);
    EXPECT_EQ(form->TreeView1->Indent(), 19);
    EXPECT_EQ(SendMessageA(Tree(), TVM_GETINDENT, 0, 0), 19);
    EXPECT_FALSE(form->TreeView1->ParentColor());
    EXPECT_EQ(form->TreeView1->Color(), clWindow);
    EXPECT_EQ(form->TreeView1->TabOrder(), 1);
    EXPECT_EQ(form->TreeView1->Images(), form->ImageList1);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(Tree(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
              form->ImageList1->Handle());
    EXPECT_EQ(NodeCount(), 0);

    expectBounds(form->SecretPanel1, 8, 8, 281, 220);
    EXPECT_FALSE(form->SecretPanel1->Visible());
    EXPECT_FALSE(form->SecretPanel1->Active());
    EXPECT_EQ(form->SecretPanel1->TabOrder(), 2);
    EXPECT_EQ(form->SecretPanel1->Lines().Count(), static_cast<int>(CreditLines().size()));

    EXPECT_EQ(form->ImageList1->Count(), 3);
    EXPECT_EQ(form->ImageList1->Width(), 16);
    EXPECT_EQ(form->ImageList1->Height(), 16);
}

// Every key typed changes the text and starts a Rescan; while the text names no file yet (or a folder:
// the demo folder holds one named "examples") these say nothing and the tree stays.
TEST_F(MainFormTest, TypingAProjectNameKeyByKeyShowsNoBoxAndEndsWithItsTree) {
    Type(kProject);
    ASSERT_TRUE(PumpUntil([&] { return NodeCount() == 12; })) << NodeCount();
    ASSERT_TRUE(PumpUntil([&] { return !HasPosted(form->FilenameEdit1->Handle()); }));
    EXPECT_EQ(form->FilenameEdit1->Text(), kProject);
    EXPECT_TRUE(boxes.empty()) << boxes.front();

    // The window's tree holds what the portable scan finds: same nodes, images, no state image, collapsed.
    const ScanResult expected = Rescan(kProject);
    const std::vector<ShownNode> shown = ReadTree(Tree());
    EXPECT_EQ(TreeText(shown), ScanText(expected));
    EXPECT_EQ(TreeText(shown), kDemoTree);
    std::vector<ScannedForm> roots;
    for (std::size_t i = 0; i < expected.Forms.size(); ++i) {
        if (FormShows(expected, i))
            roots.push_back(expected.Forms[i]);
    }
    ASSERT_EQ(shown.size(), roots.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        const ScannedForm& root = roots[i];
        const int kind = root.Number ? rkForm : rkBareForm;
        EXPECT_EQ(shown[i].Image, kind) << shown[i].Caption;
        EXPECT_EQ(shown[i].SelectedImage, kind) << shown[i].Caption;
        EXPECT_EQ(shown[i].StateImage, 0) << shown[i].Caption;
        EXPECT_FALSE(shown[i].Expanded) << shown[i].Caption;
        ASSERT_EQ(shown[i].Children.size(), root.Components.size());
        for (size_t j = 0; j < shown[i].Children.size(); ++j) {
            EXPECT_EQ(shown[i].Children[j].Image, 1);
            EXPECT_EQ(shown[i].Children[j].SelectedImage, 1);
            EXPECT_EQ(shown[i].Children[j].StateImage, 0);
        }
    }
    EXPECT_EQ(shown[0].Image, 0);
    EXPECT_EQ(shown[1].Image, 2);
}

// Form names are looked up beside the project, wherever the current folder is, and a quoted name
// (as the browse dialog gives one with blanks) opens what the quotes hold.
TEST_F(MainFormTest, AProjectNamedWithItsFolderFindsItsFormsBesideIt) {
    ASSERT_TRUE(SetCurrentDirectoryA(SourcePath("scanner").c_str()));
    const std::string project = SourcePath("examples/demo/Project1.mak");
    Type(project);
    ASSERT_TRUE(PumpUntil([&] { return NodeCount() == 12; })) << NodeCount();
    ASSERT_TRUE(PumpUntil([&] { return !HasPosted(form->Handle()); }));
    EXPECT_EQ(TreeText(ReadTree(Tree())), kDemoTree);
    form->TreeView1->Items().Clear();
    boxes.clear();
    SetEditText(("\"" + project + "\"").c_str());
    EXPECT_EQ(TreeText(ReadTree(Tree())), kDemoTree);
    EXPECT_TRUE(boxes.empty());
}

// The keyboard through the system's input queue: typing the project's name key by key brings no box
// and ends with its tree; a pasted name with a trailing line break scans too, and the break stays out.
TEST_F(MainFormTest, AProjectNameTypedOrPastedWithTheKeyboardScans) {
    for (bool paste : {false, true}) {
        SetEditText("");
        form->TreeView1->Items().Clear();
        SetForegroundWindow(form->Handle());
        form->FilenameEdit1->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form->FilenameEdit1->Handle(); }));
        if (paste) {
            Clipboard()->SetAsText(std::string(kProject) + "\r\n");
            SendKeys({{static_cast<WORD>(0x200 | 'V'), true}});
        } else {
            TypeText(kProject);
        }
        EXPECT_TRUE(PumpUntil([&] { return NodeCount() == 12 && form->FilenameEdit1->Text() == kProject; }))
            << (paste ? "pasted: " : "typed: ") << form->FilenameEdit1->Text();
        EXPECT_EQ(SendMessageA(form->FilenameEdit1->Handle(), EM_GETLINECOUNT, 0, 0), 1);
        EXPECT_TRUE(boxes.empty()) << boxes.front();
    }
}

// A dialog that the keyboard opened, closed again by a timer, as the one who opened it would.
void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    if (HWND dialog = FindWindowW(L"#32770", nullptr)) {
        KillTimer(nullptr, timer);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

// Everything the mouse does, from the keyboard alone: the caret starts in the edit, Tab and Shift+Tab
// go between the edit and the tree, Enter, Ctrl+C and Ctrl+Insert copy a number, F5 rescans (and tells
// what went wrong), Alt+Down browses.
TEST_F(MainFormTest, TheKeyboardAloneReachesEveryAction) {
    TypeText(kProject);
    ASSERT_TRUE(PumpUntil([&] { return NodeCount() == 12; })) << form->FilenameEdit1->Text();
    SendKeys({{VK_TAB, false}, {VK_HOME, false}});
    ASSERT_TRUE(PumpUntil([&] { return form->TreeView1->Selected().Text() == "MainForm:100"; }));
    const WORD ctrl = 0x200;
    for (const WORD key : {WORD(VK_RETURN), WORD(ctrl | 'C'), WORD(ctrl | VK_INSERT)}) {
        Clipboard()->SetAsText("none");
        SendKeys({{VK_DOWN, false}, {VK_UP, false}, {key, (key & ctrl) != 0}});
        EXPECT_TRUE(PumpUntil([&] { return ClipboardText() == "100"; })) << key << ": " << ClipboardText();
    }
    SendKeys({{static_cast<WORD>(0x100 | VK_TAB), true}});
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form->FilenameEdit1->Handle(); }));
    SetEditText("none.mak");
    SendKeys({{VK_F5, false}});
    EXPECT_TRUE(PumpUntil([&] { return boxes.size() == 1; }));
    EXPECT_EQ(boxes, std::vector<std::string>{"Cannot open file none.mak."});
    int requests = 0;
    form->FilenameEdit1->Dialog().OnRequest = [&](const OPENFILENAMEW&) { ++requests; };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, CancelDialog);
    driver::PressChord({VK_MENU, VK_DOWN});
    EXPECT_TRUE(PumpUntil([&] { return requests == 1 && !FindWindowW(L"#32770", nullptr); }));
    KillTimer(nullptr, timer);
}

TEST_F(MainFormTest, RescanButtonReadsTheProjectAgain) {
    LoadDemo();
    const std::string before = TreeText(ReadTree(Tree()));
    form->TreeView1->Items().GetFirstNode().Delete();
    ASSERT_EQ(NodeCount(), 8);
    ClickButton(form->RxSpeedButton1);
    EXPECT_EQ(NodeCount(), 12);
    EXPECT_EQ(TreeText(ReadTree(Tree())), before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainFormTest, AMissingProjectLeavesTheTreeAsItWas) {
    LoadDemo();
    const std::string before = TreeText(ReadTree(Tree()));
    // A change of the text to a name of no file, or of a folder, says nothing; the Rescan button tells.
    SetEditText("C:\\x.mak");
    EXPECT_TRUE(boxes.empty());
    ClickButton(form->RxSpeedButton1);
    ASSERT_EQ(boxes, std::vector<std::string>{"Cannot open file C:\\x.mak."});
    SetEditText("examples");
    EXPECT_EQ(boxes.size(), 1u);
    ClickButton(form->RxSpeedButton1);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Cannot open file examples.");
    EXPECT_EQ(TreeText(ReadTree(Tree())), before);
    // Clearing the edit: nothing happens, the tree stays.
    SetEditText("");
    ClickButton(form->RxSpeedButton1);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(TreeText(ReadTree(Tree())), before);
    // The window goes on working.
    SetEditText(kProject);
    EXPECT_EQ(NodeCount(), 12);
}

// A project that exists is scanned on a change of the text as on the button, its forms' errors included.
TEST_F(MainFormTest, AChangeToAnExistingProjectReportsTheErrorsOfItsForms) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "QuorvelBroken" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    auto write = [&](const char* name, const std::string& content) {
        HANDLE file =
            CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    };
    write("Broken.mak", "RESDEPEN = $(RESFILES) Bad.dfm\r\n");
    write("Bad.dfm", "this is no form");
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    const std::string expected = Rescan("Broken.mak").Failure.value_or(Notice()).Message + ".";
    ASSERT_NE(expected, ".");

    SetEditText("Broken.mak");
    EXPECT_EQ(boxes, std::vector<std::string>{expected});
    ClickButton(form->RxSpeedButton1);
    EXPECT_EQ(boxes, (std::vector<std::string>{expected, expected}));

    SetCurrentDirectoryA(previousDirectory.c_str());
    DeleteFileA((folder + "\\Broken.mak").c_str());
    DeleteFileA((folder + "\\Bad.dfm").c_str());
    RemoveDirectoryA(folder.c_str());
}

// The tree does not draw while a Rescan fills it; a form that fails half way must not leave it so: it
// shows the nodes of the forms before the failing one.
TEST_F(MainFormTest, AFormThatFailsHalfWayLeavesTheTreeDrawingTheNodesBeforeIt) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "QuorvelHalfWay" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileA(SourcePath("examples/demo/MainForm.dfm").c_str(), (folder + "\\Good.dfm").c_str(), FALSE));
    HANDLE file =
        CreateFileA((folder + "\\Bad.dfm").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    const std::string project = folder + "\\HalfWay.mak";
    file = CreateFileA(project.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string makefile = "RESDEPEN = $(RESFILES) Good.dfm Bad.dfm Good.dfm\r\n";
    DWORD written = 0;
    WriteFile(file, makefile.data(), static_cast<DWORD>(makefile.size()), &written, nullptr);
    CloseHandle(file);

    SetEditText(project.c_str());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(NodeCount(), 4);
    ASSERT_TRUE(PumpUntil([&] { return !GetUpdateRect(Tree(), nullptr, FALSE); }));
    const TBitmap shown = guitest::CaptureClient(Tree());
    const RECT caption = form->TreeView1->Items().GetFirstNode().DisplayRect(true);
    int ink = 0;
    for (int y = caption.top; y < caption.bottom; ++y)
        for (int x = caption.left; x < caption.right; ++x)
            ink += shown.Pixel(x, y) == guitest::Rgb(clWindowText);
    EXPECT_GT(ink, 20);

    for (const char* name : {"\\Good.dfm", "\\Bad.dfm", "\\HalfWay.mak"})
        DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(MainFormTest, NodesShowTheirImages) {
    LoadDemo();
    form->TreeView1->Repaint();
    const RECT client = form->TreeView1->ClientRect();
    TBitmap picture(client.right, client.bottom);
    form->TreeView1->PaintTo(picture.Canvas().Handle(), 0, 0);
    GdiFlush();
    // Each root's row shows its olive-backed picture left of the caption.
    for (TTreeNode node = form->TreeView1->Items().GetFirstNode(); node; node = node.GetNextSibling()) {
        const RECT text = node.DisplayRect(true);
        int olive = 0;
        for (int y = text.top; y < text.bottom; ++y)
            for (int x = std::max(0, static_cast<int>(text.left) - 20); x < text.left; ++x)
                olive += picture.Pixel(x, y) == TColor(RGB(127, 127, 0));
        EXPECT_GT(olive, 20) << node.Text();
    }
}

TEST_F(MainFormTest, DoubleClickCopiesTheSelectedNodesNumber) {
    Clipboard()->SetAsText("before");
    // An empty tree: the clipboard keeps what it held.
    PostMessageA(Tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    PostMessageA(Tree(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    PumpUntil([&] { return !HasPosted(Tree()); });
    form->TreeView1DblClick(form->TreeView1);
    EXPECT_EQ(ClipboardText(), "before");

    LoadDemo();
    // Nodes, but none selected: nothing happens.
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, 0);
    ASSERT_FALSE(form->TreeView1->Selected());
    form->TreeView1DblClick(form->TreeView1);
    EXPECT_EQ(ClipboardText(), "before");

    // Whatever the clipboard held goes; only the text is there afterwards.
    const UINT custom = RegisterClipboardFormatA("QuorvelMainFormTest");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(custom, GlobalAlloc(GMEM_MOVEABLE, 4));
    CloseClipboard();

    form->TreeView1->Items().GetFirstNode().SetExpanded(true);
    DoubleClickNode(FindNode("QuantityEdit:120"));
    EXPECT_EQ(form->TreeView1->Selected().Text(), "QuantityEdit:120");
    EXPECT_EQ(ClipboardText(), "120");
    EXPECT_FALSE(Clipboard()->HasFormat(custom));

    DoubleClickNode(FindNode("MainForm:100"));
    EXPECT_EQ(ClipboardText(), "100");
    DoubleClickNode(FindNode("OptionsDialog"));
    EXPECT_EQ(ClipboardText(), "0");
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindNode("OptionsDialog")));
    DoubleClickNode(FindNode("BackupBox:-1"));
    EXPECT_EQ(ClipboardText(), "-1");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainFormTest, ADoubleClickInTheTreesEmptyPartCopiesTheSelectedNumber) {
    LoadDemo();
    DoubleClickNode(FindNode("AboutBox"));
    ASSERT_EQ(ClipboardText(), "0");
    form->TreeView1->Items().GetFirstNode().SetExpanded(true);
    HTREEITEM item = FindNode("QuantityEdit:120");
    RECT r{};
    std::memcpy(&r, &item, sizeof item);
    ASSERT_TRUE(SendMessageA(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    PostMessageA(Tree(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 2, (r.top + r.bottom) / 2));
    PostMessageA(Tree(), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 2, (r.top + r.bottom) / 2));
    ASSERT_TRUE(PumpUntil([&] { return form->TreeView1->Selected().Text() == "QuantityEdit:120"; }));

    const RECT client = form->TreeView1->ClientRect();
    const LPARAM empty = MAKELPARAM(client.right - 4, client.bottom - 4);
    PostMessageA(Tree(), WM_LBUTTONDOWN, MK_LBUTTON, empty);
    PostMessageA(Tree(), WM_LBUTTONUP, 0, empty);
    PostMessageA(Tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, empty);
    PostMessageA(Tree(), WM_LBUTTONUP, 0, empty);
    ASSERT_TRUE(PumpUntil([&] { return !HasPosted(Tree()); }));
    EXPECT_EQ(form->TreeView1->Selected().Text(), "QuantityEdit:120");
    EXPECT_EQ(ClipboardText(), "120");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainFormTest, ACaptionEditedInPlaceIsWhatIsCopied) {
    LoadDemo();
    form->TreeView1->SetFocus();
    const struct {
        const char* typed;
        const char* copied;
    } cases[] = {{"a:b:c", "b:c"}, {"no colon", "0"}, {"Button1:2010", "2010"}, {"x:", ""}};
    for (const auto& c : cases) {
        HTREEITEM item = form->TreeView1->Items().GetFirstNode().ItemId();
        SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        SendMessageA(Tree(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item));
        ASSERT_TRUE(PumpUntil([&] { return form->TreeView1->IsEditing(); }));
        HWND edit = form->TreeView1->EditHandle();
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const char* p = c.typed; *p; ++p)
            PostMessageA(edit, WM_CHAR, static_cast<BYTE>(*p), 1);
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
        ASSERT_TRUE(PumpUntil([&] { return !form->TreeView1->IsEditing(); }));
        EXPECT_EQ(TTreeNode(&form->TreeView1->Items(), item).Text(), c.typed);
        DoubleClickNode(item);
        EXPECT_EQ(ClipboardText(), c.copied) << c.typed;
    }
    EXPECT_TRUE(boxes.empty());
}

// Files dropped from the shell come as a DROPFILES block with the names one after another: on the edit or
// anywhere on the window, the first project among them is opened.
TEST_F(MainFormTest, TheFirstProjectAmongDroppedFilesIsOpened) {
    const std::string project = SourcePath("examples/demo/Project1.mak");
    std::wstring names;
    for (const char* name : {"README.md", "examples/demo/Project1.mak", "examples/demo/Project1.bpr"})
        names += os::Widen(SourcePath(name)) + L'\0';
    const size_t bytes = (names.size() + 1) * sizeof(wchar_t);
    for (HWND target : {form->FilenameEdit1->Handle(), form->Handle()}) {
        SetEditText("");
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(drop + 1, names.c_str(), bytes);
        GlobalUnlock(block);
        PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
        EXPECT_TRUE(PumpUntil([&] { return form->FilenameEdit1->Text() == project && NodeCount() == 12; }));
    }
    EXPECT_TRUE(boxes.empty());
}

// The window comes back where it was, on a monitor that is there; closed where it opened, it remembers
// nothing.
TEST_F(MainFormTest, ThePlaceOfTheLastRunIsTakenUpOnTheNearestMonitor) {
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }));
    HKEY remembered = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, TUserSettings::kKey, 0, KEY_READ, &remembered), ERROR_SUCCESS);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    const LONG width = form->Width(), height = form->Height();
    const struct {
        POINT remembered, shown;
    } cases[] = {{{300, 200}, {300, 200}},
                 {{work.right + 5000, work.bottom + 5000}, {work.right - width, work.bottom - height}},
                 {{work.left - 5000, 100}, {work.left, 100}}};
    for (const auto& c : cases) {
        delete form;
        TUserSettings().SetWindowPlace(
            RECT{c.remembered.x, c.remembered.y, c.remembered.x + width, c.remembered.y + height});
        form = new TForm1(nullptr);
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; }));
        RECT shown{};
        GetWindowRect(form->Handle(), &shown);
        EXPECT_EQ(shown.left, c.shown.x) << c.remembered.x;
        EXPECT_EQ(shown.top, c.shown.y) << c.remembered.y;
    }
}

// Reads the items' states of the shortcut menu once it shows, and closes it with Esc.
bool menuGreyed[3];
void CALLBACK ReadMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, timer);
    const auto items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    for (int i = 0; i < 3; ++i)
        menuGreyed[i] = (GetMenuState(items, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
    driver::PressChord({VK_ESCAPE});
}

// A form without a number of its own has nothing to copy but the whole tree.
TEST_F(MainFormTest, TheMenuOnAFormWithoutANumberGreysItsCopies) {
    LoadDemo();
    for (const char* node : {"OptionsDialog", "MainForm:100"}) {
        form->TreeView1->SetFocus();
        form->TreeView1->SetSelected(TTreeNode(&form->TreeView1->Items(), FindNode(node)));
        std::fill(std::begin(menuGreyed), std::end(menuGreyed), true);
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, ReadMenuAndClose);
        driver::PressChord({VK_APPS});
        EXPECT_TRUE(PumpUntil([&] { return !menuGreyed[2]; })) << node;
        KillTimer(nullptr, timer);
        const bool numbered = node[0] == 'M';
        EXPECT_EQ(menuGreyed[0], !numbered) << node;
        EXPECT_EQ(menuGreyed[1], !numbered) << node;
    }
}

// Each item carries the id of its node: the map line is the selected node's, whatever the scan kept around
// it. A component helped by its keyword alone stands before the numbered ones; the window, which reads
// first-version forms, does not show it.
TEST_F(MainFormTest, TheShortcutMenuCopiesTheSelectedNodesMapLine) {
    TempDir dir;
    FormBuilder f;
    f.Object("TSearch", "Search").EndProps();
    f.Object("TEdit", "Find").Prop("HelpType").Ident("htKeyword").Prop("HelpKeyword").String("saving");
    f.EndProps().EndChildren();
    for (const auto& [name, number] : {std::pair{"Numbered", 120}, std::pair{"Second", 130}})
        f.Object("TEdit", name).Prop("HelpContext").Int(number).EndProps().EndChildren();
    dir.Write("Search.dfm", f.EndChildren().FormFile("TSEARCH"));
    SetEditText(dir.Write("Search.mak", "RESDEPEN = $(RESFILES) Search.dfm\r\n").c_str());
    ASSERT_EQ(NodeCount(), 3);
    form->TreeView1->SetFocus();
    const struct {
        std::initializer_list<WORD> move;
        const char* copied;
    } rows[] = {{{VK_HOME, VK_RIGHT, VK_DOWN}, "#define IDH_Search_Numbered 120"},
                {{VK_DOWN}, "#define IDH_Search_Second 130"}};
    for (const auto& row : rows) {
        Clipboard()->SetAsText("none");
        for (WORD key : row.move)
            driver::PressChord({key});
        driver::PressChord({VK_SHIFT, VK_F10});
        driver::PressChord({'M'});
        EXPECT_TRUE(PumpUntil([&] { return ClipboardText() == row.copied; })) << ClipboardText();
    }
}

class CreditsTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        // The stop handler stays wired; this only counts its runs.
        TNotifyEvent handler = form->SecretPanel1->OnStopPlay;
        form->SecretPanel1->OnStopPlay = [this, handler](TObject* sender) {
            ++stops;
            handler(sender);
        };
    }
    void ExpectNormal() {
        EXPECT_FALSE(form->SecretPanel1->Visible());
        EXPECT_FALSE(form->SecretPanel1->Active());
        EXPECT_TRUE(form->RxSpeedButton1->Enabled());
        EXPECT_TRUE(form->RxSpeedButton2->Enabled());
        EXPECT_TRUE(form->RxSpeedButton3->Enabled());
    }
    void ExpectCredits() {
        EXPECT_TRUE(form->SecretPanel1->Visible());
        EXPECT_TRUE(form->SecretPanel1->Active());
        EXPECT_FALSE(form->RxSpeedButton1->Enabled());
        EXPECT_FALSE(form->RxSpeedButton2->Enabled());
        EXPECT_TRUE(form->RxSpeedButton3->Enabled());
    }
    int stops = 0;
};

TEST_F(CreditsTest, AboutPlaysAndASecondAboutStops) {
    ExpectNormal();
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    EXPECT_EQ(stops, 0);
    ClickButton(form->RxSpeedButton3);
    ExpectNormal();
    EXPECT_EQ(stops, 1);
    // And again, after some scrolling: the play starts from the top.
    ClickButton(form->RxSpeedButton3);
    ASSERT_TRUE(PumpUntil([&] { return form->SecretPanel1->ScrollPos() >= 20; }));
    ClickButton(form->RxSpeedButton3);
    EXPECT_EQ(stops, 2);
    int startedAt = -1; // where the play stands when it starts, before its timer can move it
    form->SecretPanel1->OnStartPlay = [&](TObject*) { startedAt = form->SecretPanel1->ScrollPos(); };
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    EXPECT_EQ(startedAt, 0);
    ClickButton(form->RxSpeedButton3);
    EXPECT_EQ(stops, 3);
}

TEST_F(CreditsTest, ThePanelCoversTheEditAndTheTree) {
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    for (TControl* covered : std::initializer_list<TControl*>{form->FilenameEdit1, form->TreeView1}) {
        const POINT centre{covered->Left() + covered->Width() / 2, covered->Top() + covered->Height() / 2};
        EXPECT_EQ(ChildWindowFromPointEx(form->Handle(), centre, CWP_SKIPINVISIBLE),
                  form->SecretPanel1->Handle())
            << covered->Name();
    }
    ClickButton(form->RxSpeedButton3);
    ExpectNormal();
}

TEST_F(CreditsTest, WhileTheCreditsPlayRescanAndExitIgnoreClicksButTheEditStillRescans) {
    LoadDemo();
    form->TreeView1->Items().Clear();
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    ClickButton(form->RxSpeedButton1);
    EXPECT_EQ(NodeCount(), 0);
    ClickButton(form->RxSpeedButton2);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    SetEditText("");
    Type(kProject);
    ASSERT_TRUE(PumpUntil([&] { return NodeCount() == 12; }));
    ExpectCredits();
    ClickButton(form->RxSpeedButton3);
    ExpectNormal();
}

TEST_F(CreditsTest, TheEndOfTheTextStopsAndHidesThePanel) {
    form->SecretPanel1->SetInterval(1);
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    ASSERT_TRUE(PumpUntil([&] { return !form->SecretPanel1->Visible(); }, 120000));
    ExpectNormal();
    EXPECT_EQ(stops, 1);
}

TEST_F(CreditsTest, AboutAfterTheCreditsRanOutReplaysThem) {
    form->SecretPanel1->SetInterval(1);
    ClickButton(form->RxSpeedButton3);
    ASSERT_TRUE(PumpUntil([&] { return !form->SecretPanel1->Visible(); }, 120000));
    ExpectNormal();
    form->SecretPanel1->SetInterval(30);
    ClickButton(form->RxSpeedButton3);
    ExpectCredits();
    EXPECT_TRUE(PumpUntil([&] { return form->SecretPanel1->ScrollPos() >= 3; }));
    ClickButton(form->RxSpeedButton3);
    ExpectNormal();
    EXPECT_EQ(stops, 2);
}

// When the credits run out, their timer stops from within its tick, so its worker parks inside that
// hand-off; the window closed afterwards still ends the worker's thread.
TEST_F(CreditsTest, ClosingAfterTheCreditsRanOutLeavesNoThread) {
    delete form;
    form = nullptr;
    ASSERT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    const int threadsBefore = guitest::ProcessThreadCount();
    form = new TForm1(nullptr);
    form->Show();
    form->SecretPanel1->SetInterval(1);
    ClickButton(form->RxSpeedButton3);
    ASSERT_TRUE(PumpUntil([&] { return !form->SecretPanel1->Visible(); }, 120000));
    EXPECT_EQ(ThreadObjectCount(), 1);
    delete form;
    form = nullptr;
    EXPECT_TRUE(PumpUntil([] { return ThreadObjectCount() == 0; }));
    EXPECT_TRUE(PumpUntil([&] { return guitest::ProcessThreadCount() <= threadsBefore; }))
        << guitest::ProcessThreadCount() << " threads, " << threadsBefore << " before";
}

// Nothing piles up over a long session: the threads and handles of the process come back to where they
// were after many Rescans and About toggles.
TEST_F(CreditsTest, ManyRescansAndAboutTogglesLeaveThreadsAndHandlesWhereTheyWere) {
    // The clicks below are posted, and the pointer may rest wherever an earlier test left it: no hint
    // (with its watcher thread and event) comes and goes in the middle of the count.
    SetCursorPos(0, 0);
    Application->SetShowHint(false);
    LoadDemo();
    for (int i = 0; i < 3; ++i) { // whatever is made on first use (the first tick too) exists from here on
        ClickButton(form->RxSpeedButton1);
        ClickButton(form->RxSpeedButton3);
        ASSERT_TRUE(PumpUntil([&] { return form->SecretPanel1->ScrollPos() >= 1; })) << i;
        ClickButton(form->RxSpeedButton3);
    }
    PumpUntil([] { return false; }, 300);
    const int threadsBefore = guitest::ProcessThreadCount();
    const int handlesBefore = guitest::ProcessHandleCount();
    ASSERT_GT(threadsBefore, 0);
    ASSERT_GT(handlesBefore, 0);
    for (int i = 0; i < 1000; ++i) {
        ClickButton(form->RxSpeedButton1);
        ASSERT_EQ(NodeCount(), 12) << i;
    }
    for (int i = 0; i < 100; ++i) {
        ClickButton(form->RxSpeedButton3);
        ASSERT_TRUE(form->SecretPanel1->Active()) << i;
        if (i % 10 == 0) {
            ASSERT_TRUE(PumpUntil([&] { return form->SecretPanel1->ScrollPos() >= 1; })) << i;
        }
        ClickButton(form->RxSpeedButton3);
        ASSERT_FALSE(form->SecretPanel1->Visible()) << i;
    }
    EXPECT_EQ(stops, 103);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(PumpUntil([&] { return guitest::ProcessThreadCount() <= threadsBefore; }))
        << guitest::ProcessThreadCount() << " threads, " << threadsBefore << " before";
    // A mutex of the C++ library makes its event the first time two threads meet on it, which a loaded
    // machine may put off past the warm-up: a leak of every Rescan would show as a thousand.
    EXPECT_TRUE(PumpUntil([&] { return guitest::ProcessHandleCount() <= handlesBefore + 2; }))
        << guitest::ProcessHandleCount() << " handles, " << handlesBefore << " before";
    Application->SetShowHint(true);
}

TEST_F(MainFormTest, EachButtonShowsItsHint) {
    for (TRxSpeedButton* button : {form->RxSpeedButton3, form->RxSpeedButton1, form->RxSpeedButton2}) {
        const POINT inside = button->ClientToScreen(POINT{button->Width() / 2, button->Height() / 2});
        SetCursorPos(inside.x, inside.y);
        const POINT client = form->ScreenToClient(inside);
        PostMessageA(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        ASSERT_TRUE(PumpUntil([&] {
            return Application->HintControl() == button && Application->HintWindow()->IsHintShowing();
        })) << button->Hint();
        EXPECT_EQ(Application->HintWindow()->Caption(), button->Hint());
    }
    SetCursorPos(0, 0);
    Application->CancelHint();
}

// Alt+F4 as the keyboard sends it: Alt down, F4 down and up, Alt up, through the system's input queue
// to whichever control has the focus.
void PressAltF4() {
    ASSERT_TRUE(driver::PressChord({VK_MENU, VK_F4}));
}

TEST_F(MainFormTest, AltF4ClosesTheWindowFromEveryControlInBothStates) {
    for (bool credits : {false, true}) {
        for (bool tree : {false, true}) {
            const char* focused = tree ? "TreeView1" : "FilenameEdit1";
            if (credits)
                ClickButton(form->RxSpeedButton3);
            ASSERT_EQ(form->SecretPanel1->Active(), credits);
            TWinControl* control = tree ? static_cast<TWinControl*>(form->TreeView1) : form->FilenameEdit1;
            SetForegroundWindow(form->Handle());
            control->SetFocus();
            ASSERT_TRUE(PumpUntil([&] { return GetFocus() == control->Handle(); })) << focused;
            PressAltF4();
            EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }))
                << focused << (credits ? " while the credits play" : "");
            delete form;
            form = new TForm1(nullptr);
            form->Show();
            ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; }));
        }
    }
}

TEST_F(MainFormTest, ExitClosesTheWindow) {
    ClickButton(form->RxSpeedButton2);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

// ---- The real program, as a child process under the same Wine ------------------------------------

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        exe = path;
        for (int up = 0; up < 3; ++up) // tests\gui\MainFormTest.exe -> the build folder
            exe = exe.substr(0, exe.find_last_of('\\'));
        exe += "\\Quorvel.exe";
        if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "Quorvel.exe not built";
        guitest::ForgetUserSettings();
    }
    void TearDown() override {
        Stop();
        guitest::ForgetUserSettings();
    }
    void Stop() {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        process = PROCESS_INFORMATION{};
    }

    void Start(const std::string& arguments = "", const std::string& folder = SourcePath("examples/demo")) {
        std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.c_str(), &startup, &process));
    }

    // The program's main window once it is on the screen, or nullptr when the program ended first.
    HWND WaitForWindow() {
        struct Search {
            DWORD process;
            HWND found;
        } search{process.dwProcessId, nullptr};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!search.found && std::chrono::steady_clock::now() < end) {
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    char className[32] = {};
                    GetClassNameA(window, className, sizeof className);
                    if (owner == s->process && std::string(className) == "TForm1" &&
                        IsWindowVisible(window)) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            // Waiting on the process: returns at once if it ends, else after a short while to look again.
            if (!search.found && WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;
        }
        return search.found;
    }

    DWORD WaitForExit() {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    std::string exe;
    PROCESS_INFORMATION process{};
};

TEST_F(ProgramTest, TheCloseBoxEndsTheProgramWithExitCodeZero) {
    Start();
    HWND window = WaitForWindow();
    ASSERT_NE(window, nullptr);
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quorvel");
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(), 0u);
}

TEST_F(ProgramTest, ExitButtonEndsTheProgramWithExitCodeZero) {
    Start();
    HWND window = WaitForWindow();
    ASSERT_NE(window, nullptr);
    HWND edit = driver::FindChild(window, L"TFilenameEdit");
    HWND tree = driver::FindChild(window, L"TTreeView");
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(tree, nullptr);
    // The project name pasted into the program's own edit fills its tree.
    Clipboard()->SetAsText(kProject);
    SendMessageA(edit, WM_PASTE, 0, 0);
    // The forms' rows: their components go in as each is opened.
    EXPECT_TRUE(driver::WaitFor([&] { return SendMessageA(tree, TVM_GETCOUNT, 0, 0) == 3; }, 20));
    const LPARAM exitButton = MAKELPARAM(230 + 29, 236 + 16);
    PostMessageA(window, WM_MOUSEMOVE, 0, exitButton);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, exitButton);
    PostMessageA(window, WM_LBUTTONUP, 0, exitButton);
    EXPECT_EQ(WaitForExit(), 0u);
}

TEST_F(ProgramTest, TheCloseBoxEndsTheProgramWhileTheCreditsPlay) {
    Start();
    HWND window = WaitForWindow();
    ASSERT_NE(window, nullptr);
    const LPARAM aboutButton = MAKELPARAM(118 + 29, 236 + 16);
    PostMessageA(window, WM_MOUSEMOVE, 0, aboutButton);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, aboutButton);
    PostMessageA(window, WM_LBUTTONUP, 0, aboutButton);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(), 0u);
}

TEST_F(ProgramTest, RegServerEndsTheProgramWithoutAWindow) {
    Start("/REGSERVER");
    EXPECT_EQ(WaitForWindow(), nullptr);
    EXPECT_EQ(WaitForExit(), 0u);
    HKEY remembered = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, TUserSettings::kKey, 0, KEY_READ, &remembered), ERROR_SUCCESS);
}

std::string WindowText(HWND window) {
    wchar_t text[MAX_PATH] = {};
    SendMessageW(window, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text));
    return os::Narrow(text);
}

// "Open with" starts the program with the project's name, here relative to a folder of another project.
// Its tree's shortcut menu, opened with Shift+F10, copies each item's text by its letter; the next start
// opens the project again.
TEST_F(ProgramTest, TheArgumentsProjectIsOpenedCopiedFromItsMenuAndOpenedAgainAtTheNextStart) {
    const std::string project = SourcePath("examples/demo/Project1.mak");
    std::string treeText;
    for (const char* line : {"MainForm:100", "  CustomerEdit:110", "  QuantityEdit:120", "  OkButton:130",
                             "OptionsDialog", "  AutoSaveBox:210", "  BackupBox:-1", "  FolderEdit:230",
                             "AboutBox", "  ProductName:310", "  Version:320", "  OkButton:330"})
        treeText += std::string(line) + "\r\n";
    Start("..\\examples\\demo\\Project1.mak", SourcePath("scanner"));
    for (bool restart : {false, true}) {
        HWND window = WaitForWindow();
        ASSERT_NE(window, nullptr) << restart;
        HWND edit = driver::FindChild(window, L"TFilenameEdit");
        HWND tree = driver::FindChild(window, L"TTreeView");
        EXPECT_TRUE(driver::WaitFor([&] { return SendMessageW(tree, TVM_GETCOUNT, 0, 0) == 3; }, 60))
            << restart;
        EXPECT_EQ(WindowText(edit), project);
        if (!restart) {
            SetForegroundWindow(window);
            ASSERT_TRUE(driver::WaitFor([&] { return driver::FocusOf(window) == edit; }, 30));
            driver::PressChord({VK_TAB});
            driver::PressChord({VK_HOME});
            const struct {
                std::initializer_list<WORD> move;
                WORD letter;
                std::string copied;
            } items[] = {{{}, 'C', "100"},
                         {{}, 'M', "#define IDH_MainForm 100"},
                         {{VK_RIGHT, VK_DOWN, VK_DOWN}, 'M', "#define IDH_MainForm_QuantityEdit 120"},
                         {{}, 'A', treeText}};
            for (const auto& item : items) {
                Clipboard()->SetAsText("none");
                for (WORD key : item.move)
                    driver::PressChord({key});
                driver::PressChord({VK_SHIFT, VK_F10});
                driver::PressChord({item.letter});
                EXPECT_TRUE(driver::WaitFor([&] { return ClipboardText() == item.copied; }, 30))
                    << char(item.letter) << ": " << ClipboardText();
            }
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExit(), 0u);
        Stop();
        if (!restart)
            Start();
    }
}

} // namespace
