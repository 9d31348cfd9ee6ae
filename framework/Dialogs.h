#pragma once

#include "framework/Component.h"

#include <windows.h>

#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

// Options of the file dialogs; each maps to its OFN_xxx flag.
enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,
    ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4,
    ofNoValidate = 1u << 5,
    ofAllowMultiSelect = 1u << 6,
    ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8,
    ofFileMustExist = 1u << 9,
    ofCreatePrompt = 1u << 10,
    ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12,
    ofNoTestFileCreate = 1u << 13,
    ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15,
    ofOldStyleDialog = 1u << 16,
    ofNoDereferenceLinks = 1u << 17,
};
using TOpenOptions = unsigned;

enum TFileEditStyle { fsEdit, fsComboBox };

// The OFN_xxx flags of a request: the hook flag, the options' flags, and the explorer style switched
// (so ofOldStyleDialog turns it off).
DWORD FileDialogFlags(TOpenOptions options);
// The filter as the dialog wants it (still UTF-8): every '|' becomes NUL, and one more NUL ends the
// list. Empty for an empty filter.
std::string FileDialogFilter(const std::string& filter);
// A folder as the dialog keeps it: one trailing '\' is dropped unless the value is that one character
// or the character before it is ':' (C:\Dir\ becomes C:\Dir, C:\ stays C:\).
std::string TrimInitialDir(const std::string& folder);
// Places a dialog window at x = (screen width - width) / 2, y = (screen height - height) / 3.
void CenterDialog(HWND window);

// The platform's open-file dialog, run task-modal. Between runs it keeps FileName, InitialDir and
// FilterIndex, so the next run opens where the last one ended.
class TOpenDialog : public TComponent {
public:
    // Sees the request just before the platform dialog runs with it (for tests).
    using TRequestObserver = std::function<void(const OPENFILENAMEW& request)>;

    explicit TOpenDialog(TComponent* owner);
    ~TOpenDialog() override;

    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
    TFileEditStyle FileEditStyle() const { return fileEditStyle_; }
    void SetFileEditStyle(TFileEditStyle value) { fileEditStyle_ = value; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::vector<std::string>& HistoryList() const { return historyList_; }
    void SetHistoryList(const std::vector<std::string>& value) { historyList_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = TrimInitialDir(value); }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }
    int HelpContext = 0;

    // Runs the dialog. True when the user confirmed a choice: FileName, FilterIndex and the
    // ofReadOnly and ofExtensionDifferent options then hold what the dialog returned. On cancel
    // nothing changes.
    bool Execute() { return RunFileDialog(); }
    bool RunFileDialog();

    TRequestObserver OnRequest;

protected:
    // The platform call: GetOpenFileNameW here.
    virtual BOOL CallPlatformDialog(OPENFILENAMEW& request);

private:
    std::string defaultExt_;
    TFileEditStyle fileEditStyle_ = fsEdit;
    std::string fileName_;
    std::string filter_;
    int filterIndex_ = 1;
    std::vector<std::string> historyList_;
    std::string initialDir_;
    TOpenOptions options_ = ofHideReadOnly;
    std::string title_;
};

// The platform's save-file dialog: the open dialog's request, run with GetSaveFileNameW.
class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner);

protected:
    BOOL CallPlatformDialog(OPENFILENAMEW& request) override;
};
