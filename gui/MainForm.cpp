#include "gui/MainForm.h"

#include "controls/FileNames.h"
#include "controls/FilenameEdit.h"
#include "controls/RxLabel.h"
#include "controls/RxSpeedButton.h"
#include "credits/Credits.h"
#include "credits/SecretPanel.h"
#include "framework/Bevel.h"
#include "framework/Clipboard.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "framework/Panel.h"
#include "framework/TreeView.h"
#include "framework/UtilWindow.h"
#include "gui/TreeViewResult.h"
#include "io/Os.h"
#include "report/ScanReport.h"
#include "resources/ResourceNames.h"
#include "runtime/Format.h"
#include "runtime/Text.h"
#include "scanner/BackgroundScan.h"
#include "scanner/FormTextCache.h"
#include "scanner/HelpContextScan.h"
#include "scanner/Rescan.h"
#include "threads/Timer.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

// Posted by OpenAtStart: what the window opens at start is opened once it shows.
constexpr UINT CM_OPENATSTART = WM_APP + 1;
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

// One of the three flat glyph buttons below the frame.
TRxSpeedButton* MakeGlyphButton(TForm1* form, const char* name, int left, const char* hint,
                                const char* glyphName, TNotifyEvent onClick) {
    auto* button = new TRxSpeedButton(form);
    button->SetName(name);
    button->SetParent(form);
    button->SetBounds(left, 236, 58, 33);
    button->SetHint(hint);
    button->SetFlat(true);
    button->SetTransparent(true);
    TBitmap glyph;
    glyph.LoadFromResourceName(nullptr, glyphName);
    button->SetGlyph(glyph);
    button->SetNumGlyphs(3);
    button->SetParentShowHint(false);
    button->OnClick = std::move(onClick);
    return button;
}

// The project file that a text of the edit names (as the scan opens it) does not exist or is a folder:
// nothing a typed name on its way to a project could be blamed for.
bool NoProjectFileThere(const std::string& text) {
    os::FileStamp stamp;
    return !os::FileStampOf(ProjectFileOf(text), stamp);
}

// The name with the folder it stands in when it is relative (to the current folder), UTF-8.
std::string FullPathName(const std::string& name) {
    const std::wstring wide = os::Widen(name);
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return name;
    full.resize(length);
    return os::Narrow(full);
}

// A makefile, or the project file of the environment's later versions: what the browse dialog offers.
bool IsProjectFileName(const std::string& name) {
    const size_t dot = name.find_last_of(".\\/:");
    if (dot == std::string::npos || name[dot] != '.')
        return false;
    const std::string extension = AsciiUpperCase(name.substr(dot));
    return extension == ".MAK" || extension == ".BPR";
}

TRxLabel* MakeLabel(TForm1* form, const char* name, int left, int top, int width, const char* caption) {
    auto* label = new TRxLabel(form);
    label->SetName(name);
    label->SetParent(form);
    label->SetBounds(left, top, width, 13);
    label->SetCaption(caption);
    return label;
}

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

// The window and its controls with the values they have at start, in the order they are made.
TForm1::TForm1(TComponent* owner) : TForm(owner) {
    SetName("Form1");
    SetCaption("Quorvel");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetLeft(195);
    SetTop(108);
    SetClientSize(297, 271);
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    font.SetColor(clWindowText);
    font.SetCharset(DEFAULT_CHARSET);
    font.SetStyle(0);
    SetFont(font);
    // F5 anywhere in the window is a click on Rescan, and does nothing while Rescan is disabled.
    KeyPreview = true;
    OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
        if (key == VK_F5 && (shift & (ssShift | ssAlt | ssCtrl)) == 0) {
            key = 0;
            if (RxSpeedButton1->Enabled())
                RxSpeedButton1Click(RxSpeedButton1);
        }
    };

    Bevel1 = new TBevel(this);
    Bevel1->SetName("Bevel1");
    Bevel1->SetParent(this);
    Bevel1->SetBounds(8, 7, 281, 221);

    RxSpeedButton1 = MakeGlyphButton(this, "RxSpeedButton1", 174, "Rescan", kRescanGlyph,
                                     [this](TObject* sender) { RxSpeedButton1Click(sender); });
    RxLabel1 = MakeLabel(this, "RxLabel1", 16, 15, 80, "Project file name");
    RxLabel2 = MakeLabel(this, "RxLabel2", 16, 62, 195, "Forms and components with HelpContext");
    RxSpeedButton2 = MakeGlyphButton(this, "RxSpeedButton2", 230, "Exit", kExitGlyph,
                                     [this](TObject* sender) { RxSpeedButton2Click(sender); });
    RxSpeedButton3 = MakeGlyphButton(this, "RxSpeedButton3", 118, "About", kAboutGlyph,
                                     [this](TObject* sender) { RxSpeedButton3Click(sender); });

    FilenameEdit1 = new TFilenameEdit(this);
    FilenameEdit1->SetName("FilenameEdit1");
    FilenameEdit1->SetParent(this);
    FilenameEdit1->SetBounds(18, 32, 260, 21);
    FilenameEdit1->SetFilter("Project files|*.mak;*.bpr");
    FilenameEdit1->SetNumGlyphs(1);
    FilenameEdit1->SetTabOrder(0);
    FilenameEdit1->OnChange = [this](TObject* sender) { RxSpeedButton1Click(sender); };

    TreeView1 = new TTreeView(this);
    TreeView1->SetName("TreeView1");
    TreeView1->SetParent(this);
    TreeView1->SetBounds(16, 80, 263, 138);
    TreeView1->SetIndent(19);
    TreeView1->SetParentColor(false);
    TreeView1->SetTabOrder(1);
    TreeView1->OnDblClick = [this](TObject* sender) { TreeView1DblClick(sender); };
    // A form's components go into the tree when it is first expanded; a node of the tree that a fill is
    // replacing has none to show.
    TreeView1->OnExpanding = [this](TObject*, TTreeNode node) {
        if (!fill_)
            treeItems_ += InsertComponentRows(TreeView1->Items(), node, *shown_);
    };
    TreeView1->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) {
        // The keyboard's ways to what the double click does.
        const TShiftState modifiers = shift & (ssShift | ssAlt | ssCtrl);
        if ((key == VK_RETURN && modifiers == 0) ||
            ((key == 'C' || key == VK_INSERT) && modifiers == ssCtrl)) {
            TreeView1DblClick(sender);
            key = 0;
        }
    };

    // Beyond the stored description: where the tree stands, the progress of a long Rescan (under the
    // credits, which are made after it).
    ProgressLine1 = new TCustomPanel(this);
    ProgressLine1->SetName("ProgressLine1");
    ProgressLine1->SetParent(this);
    ProgressLine1->SetBounds(16, 80, 263, 138);
    ProgressLine1->SetBevelOuter(bvNone);
    ProgressLine1->SetBorderStyle(bsSingle);
    ProgressLine1->SetColor(clWindow);
    ProgressLine1->SetVisible(false);
    SecretPanel1 = new TSecretPanel(this);
    SecretPanel1->SetName("SecretPanel1");
    SecretPanel1->SetParent(this);
    SecretPanel1->SetBounds(8, 8, 281, 220);
    SecretPanel1->SetVisible(false);
    SecretPanel1->SetTabOrder(2);
    SecretPanel1->OnStopPlay = [this](TObject* sender) { SecretPanel1StopPlay(sender); };
    SetupCreditsPanel(*SecretPanel1);

    ImageList1 = new TImageList(this, 16, 16);
    ImageList1->SetName("ImageList1");
    for (const char* image : kNodeImages)
        ImageList1->AddResource(image);
    TreeView1->SetImages(ImageList1);

    // Beyond the stored description: the tree's shortcut menu, dropped files and completed paths.
    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    PopupMenu1->OnPopup = [this](TObject* sender) { PopupMenu1Popup(sender); };
    CopyNumber1 = PopupMenu1->Add("CopyNumber1", "&Copy number", [this](TObject* s) { CopyNumber1Click(s); });
    CopyMapLine1 =
        PopupMenu1->Add("CopyMapLine1", "Copy as &map line", [this](TObject* s) { CopyMapLine1Click(s); });
    CopyAll1 = PopupMenu1->Add("CopyAll1", "Copy &all as text", [this](TObject* s) { CopyAll1Click(s); });
    TreeView1->SetPopupMenu(PopupMenu1);
    TreeView1->RightClickSelect = true;

    const TDropFilesEvent dropped = [this](TObject* sender, const std::vector<std::string>& names) {
        FormDropFiles(sender, names);
    };
    OnDropFiles = dropped;
    SetAcceptFiles(true);
    FilenameEdit1->OnDropFiles = dropped;
    FilenameEdit1->SetAcceptFiles(true);
    FilenameEdit1->SetPathCompletion(true);
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };

    ScanTimer1 = new TTimer(this);
    ScanTimer1->SetName("ScanTimer1");
    ScanTimer1->SetEnabled(false);
    ScanTimer1->SetOnTimer([this](TObject* sender) { ScanTimer1Timer(sender); });
    shown_ = std::make_shared<const ScanResult>();
    scanWindow_ = AllocateHWnd("TScanWindow", this, [this](HWND window, UINT message, WPARAM w, LPARAM l) {
        return ScanWindowProc(window, message, w, l);
    });
    scans_ = std::make_unique<TBackgroundScan>(
        FormTexts(), [window = scanWindow_] { PostMessageW(window, CM_SCANFINISHED, 0, 0); });

    for (TRxSpeedButton* button : {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3})
        button->Loaded();
}

// Credits still playing stop while the window is whole: the stop handler they fire uses the buttons,
// which the owned-component clean-up after this body would free around it. The scan's thread ends
// before the window it tells goes.
TForm1::~TForm1() {
    if (SecretPanel1)
        SecretPanel1->SetActive(false);
    scans_.reset();
    fill_.reset();
    DeallocateHWnd(scanWindow_);
}

// A remembered place on no monitor any more comes onto the nearest one. The window's size is always its
// layout's for the monitor's resolution (its border is fixed), so only the place is taken over.
void TForm1::CreateWnd() {
    TForm::CreateWnd();
    if (const std::optional<RECT>& place = settings_.WindowPlace()) {
        const RECT bounds =
            OnAMonitor(RECT{place->left, place->top, place->left + Width(), place->top + Height()});
        SetBounds(bounds.left, bounds.top, Width(), Height());
    }
    placeAtStart_ = BoundsRect();
}

void TForm1::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CM_OPENATSTART:
            OpenStartProject();
            return;
        case WM_ENDSESSION:
            // Windows ends without closing its windows.
            if (message.WParam)
                RememberPlace();
            break;
        case WM_SETCURSOR:
            // The children ask here first (their default procedure does).
            if (ProgressLine1->Visible() && LOWORD(message.LParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
                message.Result = TRUE;
                return;
            }
            break;
        case WM_NOTIFY: {
            // A caption edited in place: the tree no longer shows what the last scan found.
            const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
            if (header->hwndFrom == TreeView1->Handle() && header->code == TVN_ENDLABELEDITW &&
                reinterpret_cast<const NMTVDISPINFOW*>(header)->item.pszText != nullptr)
                treeEdited_ = true;
            break;
        }
    }
    TForm::WndProc(message);
}

void TForm1::OpenAtStart(const std::string& argument) {
    startArgument_ = argument;
    PostMessageW(Handle(), CM_OPENATSTART, 0, 0);
}

// A remembered project whose file is gone is forgotten quietly: the window starts empty.
void TForm1::OpenStartProject() {
    if (!startArgument_.empty()) {
        OpenProject(FullPathName(startArgument_));
        startArgument_.clear();
    } else if (const std::string& last = settings_.LastProject();
               !last.empty() && !NoProjectFileThere(last)) {
        FilenameEdit1->SetText(QuoteNameWithBlanks(last));
    }
}

// As the browse dialog's choice: the text changes and its change scans. A name of no file, or the text
// the edit holds already, changes nothing that scans: it is scanned as by Rescan, which reports.
void TForm1::OpenProject(const std::string& fileName) {
    const std::string text = QuoteNameWithBlanks(fileName);
    const bool changeScans = FilenameEdit1->Text() != text && !NoProjectFileThere(text);
    FilenameEdit1->SetText(text);
    if (!changeScans)
        RxSpeedButton1Click(RxSpeedButton1);
}

void TForm1::FormDropFiles(TObject*, const std::vector<std::string>& names) {
    const auto project = std::find_if(names.begin(), names.end(), IsProjectFileName);
    if (project == names.end()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    OpenProject(*project);
}

void TForm1::FormClose(TObject*, TCloseAction&) {
    RememberPlace();
}

// The bounds follow the window while it is not minimized: they are where it comes back to.
void TForm1::RememberPlace() {
    const RECT place = BoundsRect();
    if (place.left != placeAtStart_.left || place.top != placeAtStart_.top ||
        place.right != placeAtStart_.right || place.bottom != placeAtStart_.bottom)
        settings_.SetWindowPlace(place);
}

// A Rescan started by a change of the edit's text (every key typed) says nothing while the text names no
// project file yet, or a folder: the tree stays as it is. The Rescan button reports every error, and a
// change that names an existing project reports the errors of its forms. A key typed cancels the scan
// under way, whatever the text then names: the last name typed wins. The button reads the project again
// in any case; a key reads only what changed.
void TForm1::RxSpeedButton1Click(TObject* sender) {
    const std::string projectText = FilenameEdit1->Text();
    const bool typed = sender == FilenameEdit1;
    if (typed && scanning_) {
        scans_->Cancel();
        scanning_ = false;
        if (!Rescanning())
            EndProgress();
    }
    if (projectText.empty() || (typed && NoProjectFileThere(projectText)))
        return;
    if (typed) {
        if (std::shared_ptr<const ScanResult> same = scans_->Unchanged(projectText)) {
            ShowResult(std::move(same), projectText);
            return;
        }
    }
    scanText_ = projectText;
    scans_->Start(projectText);
    scanning_ = true;
    BeginProgress();
}

bool TForm1::Rescanning() const {
    return scanning_ || fill_ != nullptr;
}

// What the scan's thread tells arrives here, inside the window's exception guard: the error that ended
// a scan shows as that of any handler.
LRESULT TForm1::ScanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
void TForm1::ScanFinished() {
    std::shared_ptr<const ScanResult> result = scans_->TakeResult();
    if (!result)
        return;
    scanning_ = false;
    ShowResult(std::move(result), scanText_);
}

// The tree is filled anew only when it would show something else: the same tree keeps its selection,
// scroll position and expanded nodes.
void TForm1::ShowResult(std::shared_ptr<const ScanResult> result, const std::string& projectText) {
    if (result->ProjectRead && !TreeShows(*result)) {
        fill_.reset();
        fill_ = std::make_unique<TTreeViewFill>(TreeView1->Items(), result);
        fillText_ = projectText;
        shown_ = std::move(result);
        treeEdited_ = false;
        treeItems_ = SIZE_MAX; // a fill that does not end leaves another tree
        BeginProgress();
        FillTree();
        return;
    }
    if (result->ProjectRead)
        shown_ = result;
    Finish(*result, projectText);
}

// Posted messages come before input: when input waits, the next part waits for a timer, which comes
// after it.
void TForm1::FillTree() {
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
    treeItems_ = static_cast<std::size_t>(TreeView1->Items().Count());
    Finish(*result, fillText_);
}

// The tree shows the result: what a Rescan ends with.
void TForm1::Finish(const ScanResult& result, const std::string& projectText) {
    if (!Rescanning())
        EndProgress();
    if (result.Failure)
        std::rethrow_exception(result.Failure);
    // Scanned without an error: the project is the one to open at the next start.
    if (result.ProjectRead)
        settings_.SetLastProject(FullPathName(ProjectFileOf(projectText)));
}

// Nodes deleted or captions edited since the fill count as another tree.
bool TForm1::TreeShows(const ScanResult& result) {
    return !fill_ && !treeEdited_ && static_cast<std::size_t>(TreeView1->Items().Count()) == treeItems_ &&
           (&result == shown_.get() || SameShownTree(result, *shown_));
}

// The progress line waits for half a second: most Rescans are over by then.
void TForm1::BeginProgress() {
    if (!ScanTimer1->Enabled()) {
        ScanTimer1->SetInterval(kProgressDelayMs);
        ScanTimer1->SetEnabled(true);
    }
}

// The progress line with the wait cursor stands in the tree's place while a Rescan goes on.
void TForm1::ScanTimer1Timer(TObject*) {
    if (!Rescanning()) {
        EndProgress();
        return;
    }
    ProgressLine1->SetCaption(ProgressText());
    ScanTimer1->SetInterval(kProgressPaceMs);
    if (!ProgressLine1->Visible()) {
        ProgressLine1->SetVisible(true);
        TreeView1->SetVisible(false);
        RefreshCursor();
    }
}

// The tree, with its selection and scroll position, comes back.
void TForm1::EndProgress() {
    ScanTimer1->SetEnabled(false);
    if (ProgressLine1->Visible()) {
        TreeView1->SetVisible(true);
        ProgressLine1->SetVisible(false);
        RefreshCursor();
    }
}

std::string TForm1::ProgressText() const {
    if (fill_) {
        return Format("Showing forms\u2026 %s of %s",
                      {GroupedNumber(fill_->FormsShown()), GroupedNumber(fill_->Forms())});
    }
    if (scans_->Listed() == 0)
        return "Reading the project\u2026";
    return Format("Reading forms\u2026 %s of %s",
                  {GroupedNumber(scans_->Done()), GroupedNumber(scans_->Listed())});
}

void TForm1::TreeView1DblClick(TObject*) {
    if (TreeView1->Items().Count() == 0)
        return;
    const TTreeNode node = TreeView1->Selected();
    if (!node)
        return;
    const std::string caption = node.Text();
    const size_t colon = caption.find(':');
    Clipboard()->SetAsText(colon == std::string::npos ? std::string("0") : caption.substr(colon + 1));
}

// The node of the result that the selected item stands for: the id it carries.
std::optional<TNodeId> TForm1::SelectedNode() {
    const TTreeNode selected = TreeView1->Selected();
    if (!selected || fill_)
        return std::nullopt;
    return ItemNode(selected);
}

// A form without a number of its own has none to copy, nor a line in the map.
void TForm1::PopupMenu1Popup(TObject*) {
    const TTreeNode selected = TreeView1->Selected();
    const std::optional<TNodeId> node = SelectedNode();
    CopyNumber1->Enabled = selected && selected.ImageIndex() != rkBareForm;
    CopyMapLine1->Enabled = node && HelpMapLine(*shown_, *node);
    CopyAll1->Enabled = TreeView1->Items().Count() > 0;
}

void TForm1::CopyNumber1Click(TObject*) {
    TreeView1DblClick(TreeView1);
}

void TForm1::CopyMapLine1Click(TObject*) {
    if (const std::optional<TNodeId> node = SelectedNode())
        if (const std::optional<std::string> line = HelpMapLine(*shown_, *node))
            Clipboard()->SetAsText(*line);
}

void TForm1::CopyAll1Click(TObject*) {
    Clipboard()->SetAsText(TreeText(*shown_));
}

void TForm1::RxSpeedButton3Click(TObject*) {
    if (SecretPanel1->Visible()) {
        SecretPanel1->SetActive(false); // runs SecretPanel1StopPlay before it returns
        SecretPanel1->SetVisible(false);
        RxSpeedButton1->SetEnabled(true);
        RxSpeedButton2->SetEnabled(true);
    } else {
        SecretPanel1->SetVisible(true);
        SecretPanel1->SetActive(true);
        RxSpeedButton1->SetEnabled(false);
        RxSpeedButton2->SetEnabled(false);
    }
}

void TForm1::SecretPanel1StopPlay(TObject*) {
    SecretPanel1->SetVisible(false);
    RxSpeedButton1->SetEnabled(true);
    RxSpeedButton2->SetEnabled(true);
}

void TForm1::RxSpeedButton2Click(TObject*) {
    Close();
}
