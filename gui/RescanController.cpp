#include "gui/RescanController.h"

#include "controls/FileNames.h"
#include "framework/Panel.h"
#include "framework/TreeView.h"
#include "framework/UtilWindow.h"
#include "gui/TreeViewResult.h"
#include "gui/UserSettings.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "scanner/BackgroundScan.h"
#include "scanner/FormTextCache.h"
#include "threads/Timer.h"

#include <cstdint>

namespace {

// To the scan window: a scan has its result (from the scan's thread); the tree takes the next part.
constexpr UINT CM_SCANFINISHED = WM_APP + 2;
constexpr UINT CM_FILLTREE = WM_APP + 3;
// The scan window's timer for the next part of the tree, when input waits: posted messages come before
// input, a timer's after it.
constexpr UINT_PTR kFillTimer = 1;
// A part of the tree's fill: the window does not answer meanwhile.
constexpr int kFillPartMs = 25;
// A Rescan this long shows the progress line, which then follows at the pace.
constexpr int kProgressDelayMs = 500;
constexpr int kProgressPaceMs = 100;

// The forms' texts across Rescans: typing in the edit rescans the project on every key.
TFormSource& FormTexts() {
    static TFileFormSource files(false);
    static TFormTextCache cache(files);
    return cache;
}

// A count as the user's locale groups its digits ("10,000", "10 000").
std::string GroupedNumber(std::size_t number) {
    wchar_t separator[8] = L",";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += os::Narrow(separator);
        grouped += digits[i];
    }
    return grouped;
}

// The window under the pointer asked again for its cursor, as a move of the mouse would.
void RefreshCursor() {
    POINT at{};
    GetCursorPos(&at);
    HWND under = WindowFromPoint(at);
    if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId())
        return;
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

} // namespace

TRescanController::TRescanController(TObject* window, TTreeView& tree, TCustomPanel& progressLine,
                                     TTimer& timer, TUserSettings& settings)
    : tree_(tree), progressLine_(progressLine), timer_(timer), settings_(settings),
      shown_(std::make_shared<const ScanResult>()) {
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this](TObject*) { TimerTick(); });
    // A form's components go into the tree when it is first expanded; a node of the tree that a fill is
    // replacing has none to show.
    tree_.OnExpanding = [this](TObject*, TTreeNode node) { Expanding(node); };
    scanWindow_ = AllocateHWnd("TScanWindow", window, [this](HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        return ScanWindowProc(hwnd, message, w, l);
    });
    scans_ = std::make_unique<TBackgroundScan>(
        FormTexts(), [hwnd = scanWindow_] { PostMessageW(hwnd, CM_SCANFINISHED, 0, 0); });
}

TRescanController::~TRescanController() {
    scans_.reset();
    fill_.reset();
    DeallocateHWnd(scanWindow_);
}

// The button reads the project again in any case.
void TRescanController::Rescan(const ProjectName& project) {
    if (!project.File.empty())
        Start(project);
}

// A key typed cancels the scan under way, whatever the text then names; it reads only what changed.
void TRescanController::NameChanged(const ProjectName& project) {
    if (scanning_) {
        scans_->Cancel();
        scanning_ = false;
        if (!Rescanning())
            EndProgress();
    }
    os::FileStamp stamp;
    if (project.File.empty() || !os::FileStampOf(project.File, stamp))
        return;
    if (std::shared_ptr<const ScanResult> same = scans_->Unchanged(project.File)) {
        ShowResult(std::move(same), project);
        return;
    }
    Start(project);
}

void TRescanController::Start(const ProjectName& project) {
    scanned_ = project;
    scans_->Start(project);
    scanning_ = true;
    BeginProgress();
}

bool TRescanController::Rescanning() const {
    return scanning_ || fill_ != nullptr;
}

bool TRescanController::Waiting() const {
    return progressLine_.Visible();
}

// What the scan's thread tells arrives here, inside the window's exception guard: the error that ended
// a scan shows as that of any handler.
LRESULT TRescanController::ScanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case CM_SCANFINISHED:
            ScanFinished();
            return 0;
        case WM_TIMER:
            if (wParam != kFillTimer)
                break;
            KillTimer(window, kFillTimer);
            [[fallthrough]];
        case CM_FILLTREE:
            FillTree();
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A result cancelled meanwhile is none.
void TRescanController::ScanFinished() {
    std::shared_ptr<const ScanResult> result = scans_->TakeResult();
    if (!result)
        return;
    scanning_ = false;
    ShowResult(std::move(result), scanned_);
}

// The tree is filled anew only when it would show something else: the same tree keeps its selection,
// scroll position and expanded nodes.
void TRescanController::ShowResult(std::shared_ptr<const ScanResult> result, const ProjectName& project) {
    if (result->ProjectRead && !TreeShows(*result)) {
        fill_.reset();
        fill_ = std::make_unique<TTreeViewFill>(tree_.Items(), result);
        filled_ = project;
        shown_ = std::move(result);
        treeEdited_ = false;
        treeItems_ = SIZE_MAX; // a fill that does not end leaves another tree
        BeginProgress();
        FillTree();
        return;
    }
    if (result->ProjectRead)
        shown_ = result;
    Finish(*result, project);
}

// Posted messages come before input: when input waits, the next part waits for a timer, which comes
// after it.
void TRescanController::FillTree() {
    if (!fill_)
        return;
    bool whole = false;
    try {
        whole = fill_->Step(kFillPartMs);
    } catch (...) {
        fill_.reset();
        if (!Rescanning())
            EndProgress();
        throw;
    }
    if (!whole) {
        if (HIWORD(GetQueueStatus(QS_INPUT)) != 0)
            SetTimer(scanWindow_, kFillTimer, USER_TIMER_MINIMUM, nullptr);
        else
            PostMessageW(scanWindow_, CM_FILLTREE, 0, 0);
        return;
    }
    const std::shared_ptr<const ScanResult> result = fill_->Result();
    fill_.reset();
    treeItems_ = static_cast<std::size_t>(tree_.Items().Count());
    Finish(*result, filled_);
}

// The tree shows the result: what a Rescan ends with. The window's box shows the error as the reader
// said it, the form being the one the tree ends before.
void TRescanController::Finish(const ScanResult& result, const ProjectName& project) {
    if (!Rescanning())
        EndProgress();
    if (result.Failure)
        throw Exception(result.Failure->Message);
    // Scanned without an error: the project is the one to open at the next start.
    if (result.ProjectRead)
        settings_.SetLastProject(FullPathName(project.File));
}

// Nodes deleted or captions edited since the fill count as another tree.
bool TRescanController::TreeShows(const ScanResult& result) const {
    return !fill_ && !treeEdited_ && static_cast<std::size_t>(tree_.Items().Count()) == treeItems_ &&
           (&result == shown_.get() || SameShownTree(result, *shown_));
}

void TRescanController::Expanding(TTreeNode node) {
    if (!fill_)
        treeItems_ += InsertComponentRows(tree_.Items(), node, *shown_);
}

std::optional<TNodeId> TRescanController::SelectedNode() const {
    const TTreeNode selected = tree_.Selected();
    if (!selected || fill_)
        return std::nullopt;
    return ItemNode(selected);
}

// The progress line waits for half a second: most Rescans are over by then.
void TRescanController::BeginProgress() {
    if (!timer_.Enabled()) {
        timer_.SetInterval(kProgressDelayMs);
        timer_.SetEnabled(true);
    }
}

// The progress line with the wait cursor stands in the tree's place while a Rescan goes on.
void TRescanController::TimerTick() {
    if (!Rescanning()) {
        EndProgress();
        return;
    }
    progressLine_.SetCaption(ProgressText());
    timer_.SetInterval(kProgressPaceMs);
    if (!progressLine_.Visible()) {
        progressLine_.SetVisible(true);
        tree_.SetVisible(false);
        RefreshCursor();
    }
}

// The tree, with its selection and scroll position, comes back.
void TRescanController::EndProgress() {
    timer_.SetEnabled(false);
    if (progressLine_.Visible()) {
        tree_.SetVisible(true);
        progressLine_.SetVisible(false);
        RefreshCursor();
    }
}

std::string TRescanController::ProgressText() const {
    if (fill_) {
        return Format("Showing forms\u2026 %s of %s",
                      {GroupedNumber(fill_->FormsShown()), GroupedNumber(fill_->Forms())});
    }
    if (scans_->Listed() == 0)
        return "Reading the project\u2026";
    return Format("Reading forms\u2026 %s of %s",
                  {GroupedNumber(scans_->Done()), GroupedNumber(scans_->Listed())});
}
