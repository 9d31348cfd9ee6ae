#pragma once

#include "framework/Forms.h"

#include <string>

class TBevel;
class TFilenameEdit;
class TImageList;
class TRxLabel;
class TRxSpeedButton;
class TSecretPanel;
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

    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // Rescan: the project named by the edit's text, read again into the tree. Also the edit's OnChange
    // (sender: the edit), which passes over a text that names no file yet.
    void RxSpeedButton1Click(TObject* sender);
    // Exit.
    void RxSpeedButton2Click(TObject* sender);
    // Copies the selected node's number (the caption after its first ":", else "0") to the clipboard.
    void TreeView1DblClick(TObject* sender);
    // About: plays the credits over the window, or stops them when they play.
    void RxSpeedButton3Click(TObject* sender);
    // The credits stopped: the window comes back.
    void SecretPanel1StopPlay(TObject* sender);
};

extern TForm1* Form1; // not owned: the application owns the window; set while it is being built
