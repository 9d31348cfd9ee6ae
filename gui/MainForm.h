#pragma once

#include "framework/Forms.h"
#include "gui/UserSettings.h"
#include "scanner/Rescan.h"

#include <memory>
#include <string>
#include <vector>

class TBevel;
class TCustomPanel;
class TFilenameEdit;
class TImageList;
class TMenuItem;
class TPopupMenu;
class TRescanController;
class TRxLabel;
class TRxSpeedButton;
class TSecretPanel;
class TTimer;
class TTreeView;

// The program's one window: the project file's name, the tree of forms and components with their help
// contexts, the About, Rescan and Exit buttons and the credits panel that About plays over the window.
class TForm1 : public TForm {
public:
    // Every control below is owned by the window (as its component) and lives as long as it does.
    TFilenameEdit* FilenameEdit1 = nullptr;
    TRxSpeedButton* RxSpeedButton1 = nullptr; // Rescan
    TRxLabel* RxLabel1 = nullptr;
    TRxLabel* RxLabel2 = nullptr;
    TBevel* Bevel1 = nullptr;
    TRxSpeedButton* RxSpeedButton2 = nullptr; // Exit
    TTreeView* TreeView1 = nullptr;
    TImageList* ImageList1 = nullptr;
    TRxSpeedButton* RxSpeedButton3 = nullptr; // About
    TSecretPanel* SecretPanel1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr; // the tree's shortcut menu, which owns its three items
    TMenuItem* CopyNumber1 = nullptr;
    TMenuItem* CopyMapLine1 = nullptr;
    TMenuItem* CopyAll1 = nullptr;
    TCustomPanel* ProgressLine1 = nullptr; // in the tree's place while a Rescan takes long
    TTimer* ScanTimer1 = nullptr;          // shows the progress line, then keeps it up to date

    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // Rescan: the project named by the edit's text, read again into the tree, off the window's thread
    // (the result comes into the tree when the scan is done); every error is told.
    void RxSpeedButton1Click(TObject* sender);
    // The edit's text changed (each key typed): the scan under way is cancelled, a text that names no
    // file yet passes, and the same project takes the last result again when nothing changed in its
    // folders since.
    void FilenameEdit1Change(TObject* sender);
    // A Rescan is under way: its scan runs, or its result is going into the tree.
    bool Rescanning() const;
    // Exit.
    void RxSpeedButton2Click(TObject* sender);
    // Copies the selected node's number (the caption after its first ":", else "0") to the clipboard.
    void TreeView1DblClick(TObject* sender);
    // About: plays the credits over the window, or stops them when they play.
    void RxSpeedButton3Click(TObject* sender);
    // The credits stopped: the window comes back.
    void SecretPanel1StopPlay(TObject* sender);

    // The tree's shortcut menu is about to show on the selected node: what has nothing to copy is greyed.
    void PopupMenu1Popup(TObject* sender);
    // Copies what Ctrl+C copies.
    void CopyNumber1Click(TObject* sender);
    // Copies the selected node's line of the help map ("#define IDH_Form1_Button1 1001").
    void CopyMapLine1Click(TObject* sender);
    // Copies the whole tree as text, a node a line.
    void CopyAll1Click(TObject* sender);
    // Files dropped on the window or the edit: the first project file among them is opened.
    void FormDropFiles(TObject* sender, const std::vector<std::string>& names);
    // The window closes: its place is remembered when it moved.
    void FormClose(TObject* sender, TCloseAction& action);

    // A project named from outside the window (the command line, a drop): the edit takes its name and the
    // project is scanned as a name chosen with the browse button is; a name of no file gives the box.
    void OpenProject(const std::string& fileName);
    // What the window opens once it is on the screen: the project `argument` names (relative to the
    // current folder), or without one the project of the last run, when its file is still there.
    void OpenAtStart(const std::string& argument);

protected:
    // The window appears where it was at the end of the last run, on a monitor that is still there.
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    void OpenStartProject();
    void RememberPlace();
    ProjectName EditedProject() const;

    TUserSettings settings_;
    std::unique_ptr<TRescanController> rescans_;
    RECT placeAtStart_{};       // the window's bounds when it was made
    std::string startArgument_; // for OpenStartProject
};

extern TForm1* Form1; // not owned: the application owns the window; set while it is being built
