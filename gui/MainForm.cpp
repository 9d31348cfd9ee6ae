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
#include "gui/RescanController.h"
#include "gui/TreeCopies.h"
#include "io/Os.h"
#include "resources/ResourceNames.h"
#include "threads/Timer.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

// Posted by OpenAtStart: what the window opens at start is opened once it shows.
constexpr UINT CM_OPENATSTART = WM_APP + 1;

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

TRxLabel* MakeLabel(TForm1* form, const char* name, int left, int top, int width, const char* caption) {
    auto* label = new TRxLabel(form);
    label->SetName(name);
    label->SetParent(form);
    label->SetBounds(left, top, width, 13);
    label->SetCaption(caption);
    return label;
}

// The project file a text names does not exist or is a folder.
bool NoProjectFileThere(const std::string& fileName) {
    os::FileStamp stamp;
    return !os::FileStampOf(fileName, stamp);
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
    FilenameEdit1->OnChange = [this](TObject* sender) { FilenameEdit1Change(sender); };

    TreeView1 = new TTreeView(this);
    TreeView1->SetName("TreeView1");
    TreeView1->SetParent(this);
    TreeView1->SetBounds(16, 80, 263, 138);
    TreeView1->SetIndent(19);
    TreeView1->SetParentColor(false);
    TreeView1->SetTabOrder(1);
    TreeView1->OnDblClick = [this](TObject* sender) { TreeView1DblClick(sender); };
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
    rescans_ = std::make_unique<TRescanController>(this, *TreeView1, *ProgressLine1, *ScanTimer1, settings_);

    for (TRxSpeedButton* button : {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3})
        button->Loaded();
}

// Credits still playing stop while the window is whole: the stop handler they fire uses the buttons,
// which the owned-component clean-up after this body would free around it. The scan's thread ends
// before the window it tells goes.
TForm1::~TForm1() {
    if (SecretPanel1)
        SecretPanel1->SetActive(false);
    rescans_.reset();
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
            if (rescans_->Waiting() && LOWORD(message.LParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
                message.Result = TRUE;
                return;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
            if (header->hwndFrom == TreeView1->Handle() && header->code == TVN_ENDLABELEDITW &&
                reinterpret_cast<const NMTVDISPINFOW*>(header)->item.pszText != nullptr)
                rescans_->CaptionEdited();
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
    const bool changeScans = FilenameEdit1->Text() != text && !NoProjectFileThere(fileName);
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

// The edit's text as the project it names, read once here: messages name the project as typed.
ProjectName TForm1::EditedProject() const {
    const std::string text = FilenameEdit1->Text();
    return ProjectName(ExtractNameFromText(text), text);
}

void TForm1::RxSpeedButton1Click(TObject*) {
    rescans_->Rescan(EditedProject());
}

void TForm1::FilenameEdit1Change(TObject*) {
    rescans_->NameChanged(EditedProject());
}

bool TForm1::Rescanning() const {
    return rescans_->Rescanning();
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

// A form without a number of its own has none to copy, nor a line in the map.
void TForm1::PopupMenu1Popup(TObject*) {
    const TTreeNode selected = TreeView1->Selected();
    const std::optional<TNodeId> node = rescans_->SelectedNode();
    CopyNumber1->Enabled = selected && selected.ImageIndex() != rkBareForm;
    CopyMapLine1->Enabled = node && HelpMapLine(rescans_->Shown(), *node);
    CopyAll1->Enabled = TreeView1->Items().Count() > 0;
}

void TForm1::CopyNumber1Click(TObject*) {
    TreeView1DblClick(TreeView1);
}

void TForm1::CopyMapLine1Click(TObject*) {
    if (const std::optional<TNodeId> node = rescans_->SelectedNode())
        if (const std::optional<std::string> line = HelpMapLine(rescans_->Shown(), *node))
            Clipboard()->SetAsText(*line);
}

void TForm1::CopyAll1Click(TObject*) {
    Clipboard()->SetAsText(TreeText(rescans_->Shown()));
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
