#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "scanner/Rescan.h"
#include "scanner/ShownTree.h"

class TBackgroundScan;
class TCustomPanel;
class TObject;
class TTimer;
class TTreeNode;
class TTreeView;
class TTreeViewFill;
class TUserSettings;

// The window's Rescan from the name given to the tree shown: the scan off the window's thread, the tree
// filled a part at a time, the progress line in the tree's place while that takes long, and the result
// the tree shows, as data. Errors are raised on the window's thread, where its guard shows them.
class TRescanController {
public:
    // The controls are the window's (not owned; they outlive the controller); `progressLine` stands where
    // the tree stands, `timer` is the controller's to use. `settings` takes the last project read.
    TRescanController(TObject* window, TTreeView& tree, TCustomPanel& progressLine, TTimer& timer,
                      TUserSettings& settings);
    // The scan's thread ends before the window it tells goes.
    ~TRescanController();
    TRescanController(const TRescanController&) = delete;
    TRescanController& operator=(const TRescanController&) = delete;

    // The Rescan button: `project` read again, every error told.
    void Rescan(const ProjectName& project);
    // The edit's text changed to name `project`: the scan under way is cancelled (the last name typed
    // wins); a name of no file yet, or of a folder, says nothing; the same project while nothing changed
    // in its folders shows the last result again; its forms' errors are told.
    void NameChanged(const ProjectName& project);
    // A Rescan is under way: its scan runs, or its result is going into the tree.
    bool Rescanning() const;

    // What the tree shows, as data, and the node of it that the selected item stands for.
    const ScanResult& Shown() const { return *shown_; }
    std::optional<TNodeId> SelectedNode() const;
    // A caption was edited in place: the tree no longer shows what the last scan found.
    void CaptionEdited() { treeEdited_ = true; }
    // Whether the wait cursor belongs over the tree's place.
    bool Waiting() const;

private:
    void Start(const ProjectName& project);
    LRESULT ScanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ScanFinished();
    void ShowResult(std::shared_ptr<const ScanResult> result, const ProjectName& project);
    void FillTree();
    void Finish(const ScanResult& result, const ProjectName& project);
    bool TreeShows(const ScanResult& result) const;
    void Expanding(TTreeNode node);
    void BeginProgress();
    void TimerTick();
    void EndProgress();
    std::string ProgressText() const;

    TTreeView& tree_;
    TCustomPanel& progressLine_;
    TTimer& timer_;
    TUserSettings& settings_;
    std::shared_ptr<const ScanResult> shown_; // what the tree view shows, as data
    std::unique_ptr<TBackgroundScan> scans_;
    HWND scanWindow_ = nullptr;           // hears from the scan's thread; owned
    bool scanning_ = false;               // a scan was started and its result not yet taken
    ProjectName scanned_;                 // the project the scan reads
    std::unique_ptr<TTreeViewFill> fill_; // a result going into the tree
    ProjectName filled_;                  // the project it was read for
    bool treeEdited_ = false;             // a caption was edited in place since the tree was filled
    std::size_t treeItems_ = 0;           // the items put into the tree for shown_
};
