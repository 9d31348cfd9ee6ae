#include "framework/TreeView.h"

#include "framework/Application.h"
#include "framework/Bevel.h"
#include "framework/Clipboard.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ImageList.h"
#include "resources/ResourceNames.h"
#include "runtime/Exceptions.h"
#include "tests/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The tree view, its image list, the clipboard and the bevel, each on a test form.

namespace {

using guitest::PumpUntil;

// The item as the tree view itself reports it.
TVITEMA ReadItem(HWND tree, HTREEITEM item, char* text, int size) {
    TVITEMA info{};
    info.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    info.hItem = item;
    info.stateMask = TVIS_STATEIMAGEMASK;
    info.pszText = text;
    info.cchTextMax = size;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
    return info;
}

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFramework();
        guitest::CollectBoxTexts(boxes);
        form = new TForm(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetBounds(50, 50, 320, 260);
        tree = new TTreeView(form);
        tree->SetParent(form);
        tree->SetBounds(10, 10, 260, 180);
    }
    void TearDown() override {
        delete form;
        Application->MessageBoxHook = nullptr;
    }

    void ShowAndFocus() {
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; }));
        SetForegroundWindow(form->Handle());
        tree->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return tree->Focused(); }));
    }

    TForm* form = nullptr;
    TTreeView* tree = nullptr; // owned by the form
    std::vector<std::string> boxes;
};

TEST_F(TreeViewTest, WindowHasTheDefaultStylesAndIndent) {
    HWND window = tree->Handle();
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "TTreeView");
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    for (LONG flag : {LONG(TVS_HASBUTTONS), LONG(TVS_HASLINES), LONG(TVS_LINESATROOT), LONG(TVS_EDITLABELS),
                      LONG(TVS_DISABLEDRAGDROP), LONG(WS_TABSTOP)})
        EXPECT_TRUE(style & flag) << std::hex << flag;
    EXPECT_FALSE(style & TVS_SHOWSELALWAYS);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(SendMessageA(window, TVM_GETINDENT, 0, 0), 19);
    tree->SetIndent(25);
    EXPECT_EQ(SendMessageA(window, TVM_GETINDENT, 0, 0), 25);
}

TEST_F(TreeViewTest, NodesAreAppendedInOrderAndReadBack) {
    TTreeNodes& items = tree->Items();
    EXPECT_EQ(items.Count(), 0);
    TTreeNode form1 = items.AddRoot("Form1:100");
    TTreeNode button = items.AddChild(form1, "Button1:2010");
    TTreeNode edit = items.AddChild(form1, "Edit1:-3");
    TTreeNode form2 = items.AddChild(TTreeNode(), "Form2");
    EXPECT_EQ(items.Count(), 4);
    EXPECT_EQ(items.GetFirstNode(), form1);
    EXPECT_EQ(form1.GetNextSibling(), form2);
    EXPECT_EQ(form1.GetFirstChild(), button);
    EXPECT_EQ(button.GetNextSibling(), edit);
    EXPECT_EQ(edit.Parent(), form1);
    EXPECT_FALSE(form2.Parent());
    EXPECT_EQ(form1.Count(), 2);
    EXPECT_EQ(edit.Level(), 1);
    EXPECT_EQ(edit.Text(), "Edit1:-3");
    EXPECT_FALSE(form1.Expanded());

    // A new node has no images and no state image; the setters reach the tree view's own item.
    EXPECT_EQ(button.ImageIndex(), -1);
    EXPECT_EQ(button.StateIndex(), -1);
    button.SetImageIndex(1);
    button.SetSelectedIndex(2);
    char text[64] = {};
    TVITEMA info = ReadItem(tree->Handle(), button.ItemId(), text, sizeof text);
    EXPECT_STREQ(text, "Button1:2010");
    EXPECT_EQ(info.iImage, 1);
    EXPECT_EQ(info.iSelectedImage, 2);
    EXPECT_EQ(info.state & TVIS_STATEIMAGEMASK, 0u);
    button.SetStateIndex(0);
    EXPECT_EQ(button.StateIndex(), 0);
    button.SetStateIndex(-1);
    EXPECT_EQ(button.StateIndex(), -1);

    const std::string longCaption(3000, 'x');
    form2.SetText(longCaption);
    EXPECT_EQ(form2.Text(), longCaption);

    form1.Delete();
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.GetFirstNode(), form2);
}

TEST_F(TreeViewTest, ARefusedNodeRaisesTheInsertError) {
    TTreeNode gone = tree->Items().AddRoot("gone");
    tree->Items().Delete(gone);
    try {
        tree->Items().AddChild(gone, "orphan");
        FAIL() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), "Unable to insert an item");
    }
    EXPECT_EQ(tree->Items().Count(), 0);
}

TEST_F(TreeViewTest, ClearingIgnoresTheDeletionNotifications) {
    std::vector<std::string> deleted;
    int changes = 0;
    tree->OnDeletion = [&](TObject* sender, TTreeNode node) {
        EXPECT_EQ(sender, tree);
        deleted.push_back(node.Text());
    };
    tree->OnChange = [&](TObject*, TTreeNode) { ++changes; };
    TTreeNode a = tree->Items().AddRoot("a");
    tree->Items().AddChild(a, "a1");
    TTreeNode b = tree->Items().AddRoot("b");
    tree->SetSelected(b);
    EXPECT_EQ(tree->Selected(), b);
    EXPECT_EQ(changes, 1);
    b.Delete();
    EXPECT_EQ(deleted, (std::vector<std::string>{"b"}));
    deleted.clear();
    changes = 0;
    tree->SetSelected(a);
    changes = 0;
    tree->Items().Clear();
    EXPECT_EQ(tree->Items().Count(), 0);
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(tree->Selected());
}

// Wine's tree view notifies a double click only on an item; the event fires once wherever it lands.
TEST_F(TreeViewTest, ADoubleClickAnywhereInTheTreeFiresOnDblClickOnce) {
    int doubleClicks = 0;
    tree->OnDblClick = [&](TObject* sender) {
        EXPECT_EQ(sender, tree);
        ++doubleClicks;
    };
    TTreeNode node = tree->Items().AddRoot("Form1:5");
    tree->Items().AddRoot("Form2");
    ShowAndFocus();
    const RECT caption = node.DisplayRect(true);
    const RECT client = tree->ClientRect();
    const struct {
        const char* where;
        POINT at;
    } places[] = {
        {"on a caption", {(caption.left + caption.right) / 2, (caption.top + caption.bottom) / 2}},
        {"below the nodes", {client.right / 2, client.bottom - 5}},
        {"right of a caption", {client.right - 5, (caption.top + caption.bottom) / 2}},
    };
    HWND window = tree->Handle();
    for (const auto& place : places) {
        doubleClicks = 0;
        const LPARAM at = MAKELPARAM(place.at.x, place.at.y);
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(window, WM_LBUTTONUP, 0, at);
        PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageA(window, WM_LBUTTONUP, 0, at);
        ASSERT_TRUE(PumpUntil([&] { return doubleClicks > 0; })) << place.where;
        Application->ProcessMessages(); // the rest of the clicks: no second event
        EXPECT_EQ(doubleClicks, 1) << place.where;
        EXPECT_EQ(tree->Selected(), node) << place.where;
    }
}

TEST_F(TreeViewTest, ACaptionEditedInPlaceStays) {
    TTreeNode node = tree->Items().AddRoot("Button1:2010");
    ShowAndFocus();
    tree->SetSelected(node);
    node.EditText();
    ASSERT_TRUE(PumpUntil([&] { return tree->IsEditing(); }));
    HWND edit = tree->EditHandle();
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : std::string("a:b:c"))
        PostMessageA(edit, WM_CHAR, static_cast<BYTE>(c), 1);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    ASSERT_TRUE(PumpUntil([&] { return !tree->IsEditing(); }));
    EXPECT_EQ(node.Text(), "a:b:c");

    // Escape cancels: the caption stays as it was.
    node.EditText();
    ASSERT_TRUE(PumpUntil([&] { return tree->IsEditing(); }));
    edit = tree->EditHandle();
    PostMessageA(edit, WM_CHAR, 'z', 1);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(PumpUntil([&] { return !tree->IsEditing(); }));
    EXPECT_EQ(node.Text(), "a:b:c");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TreeViewTest, ImagesGoToTheTreeAndLeaveWithTheImageList) {
    auto* images = new TImageList(form);
    for (const char* name : kNodeImages)
        images->AddResource(name);
    EXPECT_EQ(images->Count(), 3);
    tree->SetImages(images);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
              images->Handle());
    delete images;
    EXPECT_EQ(tree->Images(), nullptr);
    EXPECT_EQ(SendMessageA(tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);
}

TEST(ImageListTest, ImagesAreDrawnOpaqueWithTheirOliveBackground) {
    InitFramework();
    TImageList images(nullptr);
    EXPECT_EQ(images.Width(), 16);
    EXPECT_EQ(images.Height(), 16);
    for (const char* name : kNodeImages)
        images.AddResource(name);
    ASSERT_EQ(images.Count(), 3);
    EXPECT_THROW(images.AddResource("NOSUCHIMAGE"), EInvalidImage);
    EXPECT_THROW(images.Add(TBitmap(10, 16)), EInvalidOperation);
    for (int index = 0; index < 3; ++index) {
        TBitmap target(16, 16);
        target.Canvas().Brush().SetColor(clFuchsia);
        target.Canvas().FillRect(RECT{0, 0, 16, 16});
        images.Draw(target.Canvas().Handle(), 0, 0, index);
        GdiFlush();
        TBitmap source;
        source.LoadFromResourceName(nullptr, kNodeImages[index]);
        int olive = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(target.Pixel(x, y), source.Pixel(x, y)) << index << " at " << x << "," << y;
                olive += target.Pixel(x, y) == TColor(RGB(127, 127, 0));
            }
        EXPECT_GT(olive, 0) << "image " << index << " shows no background";
    }
    images.Clear();
    EXPECT_EQ(images.Count(), 0);
}

TEST(ClipboardTest, TextIsTheOnlyContent) {
    InitFramework();
    TClipboard* clipboard = Clipboard();
    EXPECT_EQ(Clipboard(), clipboard);
    // Something else on the clipboard first: it goes.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const UINT custom = RegisterClipboardFormatA("QuorvelTestFormat");
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    SetClipboardData(custom, block);
    CloseClipboard();
    ASSERT_TRUE(clipboard->HasFormat(custom));

    clipboard->SetAsText("2010");
    EXPECT_FALSE(clipboard->HasFormat(custom));
    EXPECT_TRUE(clipboard->HasFormat(CF_TEXT));
    EXPECT_EQ(clipboard->AsText(), "2010");
    ASSERT_TRUE(OpenClipboard(nullptr));
    const char* raw = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
    ASSERT_NE(raw, nullptr);
    EXPECT_STREQ(raw, "2010");
    GlobalUnlock(GetClipboardData(CF_TEXT));
    CloseClipboard();

    clipboard->SetAsText("");
    EXPECT_EQ(clipboard->AsText(), "");
    clipboard->Clear();
    EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
    EXPECT_EQ(clipboard->AsText(), "");
}

TEST(ClipboardTest, AClipboardHeldOpenElsewhereIsAnErrorAndChangesNothing) {
    InitFramework();
    Clipboard()->SetAsText("kept");
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        const BOOL open = OpenClipboard(nullptr);
        SetEvent(opened);
        WaitForSingleObject(release, 30000);
        if (open)
            CloseClipboard();
    });
    ASSERT_EQ(WaitForSingleObject(opened, 30000), WAIT_OBJECT_0);
    try {
        Clipboard()->SetAsText("lost");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_EQ(Clipboard()->AsText(), "kept");
}

TEST_F(TreeViewTest, BevelIsALoweredBox) {
    auto* bevel = new TBevel(form);
    bevel->SetParent(form);
    bevel->SetBounds(8, 7, 281, 221);
    EXPECT_EQ(bevel->Shape(), bsBox);
    EXPECT_EQ(bevel->Style(), bsLowered);
    tree->SetVisible(false);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; }));
    const RECT client = form->ClientRect();
    TBitmap picture(client.right, client.bottom);
    form->PaintTo(picture.Canvas().Handle(), 0, 0);
    GdiFlush();
    const TColor shadow = TColor(ColorToRGB(clBtnShadow)), light = TColor(ColorToRGB(clBtnHighlight));
    const int left = 8, top = 7, right = 8 + 280, bottom = 7 + 220;
    EXPECT_EQ(picture.Pixel(left, top), shadow);
    EXPECT_EQ(picture.Pixel(left + 100, top), shadow);
    EXPECT_EQ(picture.Pixel(left, top + 100), shadow);
    EXPECT_EQ(picture.Pixel(right, top + 100), light);
    EXPECT_EQ(picture.Pixel(left + 100, bottom), light);
    EXPECT_EQ(picture.Pixel(right, top), light);
    EXPECT_EQ(picture.Pixel(left, bottom), light);
    EXPECT_EQ(picture.Pixel(left + 1, top + 1), TColor(ColorToRGB(clBtnFace)));
    EXPECT_EQ(picture.Pixel(right + 1, top + 100), TColor(ColorToRGB(clBtnFace)));
}

} // namespace
