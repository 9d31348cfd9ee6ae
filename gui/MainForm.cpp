#include "gui/MainForm.h"

#include "controls/FilenameEdit.h"
#include "controls/RxLabel.h"
#include "controls/RxSpeedButton.h"
#include "credits/Credits.h"
#include "credits/SecretPanel.h"
#include "framework/Bevel.h"
#include "framework/Clipboard.h"
#include "framework/ImageList.h"
#include "framework/TreeView.h"
#include "gui/TreeViewResult.h"
#include "io/Os.h"
#include "resources/ResourceNames.h"
#include "scanner/FormTextCache.h"
#include "scanner/HelpContextScan.h"
#include "scanner/Rescan.h"

#include <windows.h>

#include <string>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

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
    TreeView1->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) {
        // The keyboard's ways to what the double click does.
        const TShiftState modifiers = shift & (ssShift | ssAlt | ssCtrl);
        if ((key == VK_RETURN && modifiers == 0) ||
            ((key == 'C' || key == VK_INSERT) && modifiers == ssCtrl)) {
            TreeView1DblClick(sender);
            key = 0;
        }
    };

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

    for (TRxSpeedButton* button : {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3})
        button->Loaded();
}

// Credits still playing stop while the window is whole: the stop handler they fire uses the buttons,
// which the owned-component clean-up after this body would free around it.
TForm1::~TForm1() {
    if (SecretPanel1)
        SecretPanel1->SetActive(false);
}

// A Rescan started by a change of the edit's text (every key typed) says nothing while the text names no
// project file yet, or a folder: the tree stays as it is. The Rescan button reports every error, and a
// change that names an existing project reports the errors of its forms.
void TForm1::RxSpeedButton1Click(TObject* sender) {
    const std::string projectText = FilenameEdit1->Text();
    if (sender == FilenameEdit1 && !projectText.empty() && NoProjectFileThere(projectText))
        return;
    const ScanResult result = Rescan(projectText, FormTexts());
    if (result.ProjectRead)
        ShowScanResult(TreeView1->Items(), result);
    if (result.Failure)
        std::rethrow_exception(result.Failure);
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
