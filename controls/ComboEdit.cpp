#include "controls/ComboEdit.h"

#include "controls/EditButton.h"
#include "framework/Forms.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

constexpr int kDefaultButtonWidth = 21;
constexpr int kDefaultHostHeight = 17;
constexpr int kDefaultEditHeight = 21;

int CharacterHeight(HDC dc, HGDIOBJ font) {
    CanvasSelection selection(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return metrics.tmHeight;
}

} // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
    if (key & 0xFF00)
        return 0;
    TShortCut result = key;
    if (shift & ssShift)
        result |= scShift;
    if (shift & ssCtrl)
        result |= scCtrl;
    if (shift & ssAlt)
        result |= scAlt;
    return result;
}

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    SetHeight(kDefaultEditHeight);
    buttonHost_ = new TWinControl(this);
    buttonHost_->SetBounds(0, 0, kDefaultButtonWidth, kDefaultHostHeight);
    buttonHost_->SetParent(this);
    button_ = new TEditButton(buttonHost_);
    button_->SetBounds(0, 0, buttonHost_->Width(), buttonHost_->Height());
    button_->SetParent(buttonHost_);
    button_->OnClick = [this](TObject*) { EditButtonClick(); };
}

TCustomComboEdit::~TCustomComboEdit() {
    // The button may still be told of a click while the children go; it must not reach this edit.
    button_->OnClick = nullptr;
}

void TCustomComboEdit::CreateParams(TCreateParams& params) {
    TCustomMaskEdit::CreateParams(params);
    params.WinClassName = "TComboEdit";
    static constexpr DWORD kAlignments[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style |= ES_MULTILINE | WS_CLIPCHILDREN | kAlignments[alignment_];
}

void TCustomComboEdit::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    // Setting the font reset the formatting rectangle to the whole client area.
    SetTextArea();
}

void TCustomComboEdit::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    RecreateWnd();
}

int TCustomComboEdit::ButtonWidth() const {
    return button_->Width();
}

void TCustomComboEdit::SetButtonWidth(int value) {
    if (creating_) {
        buttonHost_->SetWidth(value);
        button_->SetWidth(value);
        return;
    }
    if (value == ButtonWidth() || value >= ClientWidth())
        return;
    button_->SetWidth(value);
    buttonHost_->SetWidth(value);
    if (HandleAllocated())
        RecreateWnd();
    else
        LayoutButton();
    if (glyphKind_ != gkCustom)
        ApplyDefaultGlyph();
}

std::string TCustomComboEdit::ButtonHint() const {
    return button_->Hint();
}

void TCustomComboEdit::SetButtonHint(const std::string& value) {
    button_->SetHint(value);
}

void TCustomComboEdit::SetDirectInput(bool value) {
    if (directInput_ == value)
        return;
    directInput_ = value;
    UpdateReadOnlyState();
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value) {
    if (glyphKind_ == value)
        return;
    glyphKind_ = value;
    if (value != gkCustom)
        ApplyDefaultGlyph();
}

TBitmap& TCustomComboEdit::Glyph() {
    return button_->Glyph();
}

void TCustomComboEdit::SetGlyph(const TBitmap& value) {
    button_->SetGlyph(value);
    glyphKind_ = gkCustom;
}

int TCustomComboEdit::NumGlyphs() const {
    return button_->NumGlyphs();
}

void TCustomComboEdit::SetNumGlyphs(int value) {
    button_->SetNumGlyphs(value);
}

bool TCustomComboEdit::EditReadOnly() const {
    return ReadOnly() || !directInput_;
}

int TCustomComboEdit::LineHeightOfFont() {
    WindowDC screen(nullptr);
    return std::min(CharacterHeight(screen.Handle(), GetStockObject(SYSTEM_FONT)),
                    CharacterHeight(screen.Handle(), Font().Handle()));
}

int TCustomComboEdit::MinimumHeight() {
    return LineHeightOfFont() + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TCustomComboEdit::PerformButtonAction() {
    if (OnButtonClick)
        OnButtonClick(this);
}

void TCustomComboEdit::EditButtonClick() {
    if (!ReadOnly() || alwaysEnable_)
        PerformButtonAction();
}

void TCustomComboEdit::LayoutButton() {
    const int width = ButtonWidth();
    if (Ctl3D())
        buttonHost_->SetBounds(Width() - width - 4, 0, width, Height() - 4);
    else
        buttonHost_->SetBounds(Width() - width - 2, 2, width, Height() - 4);
    button_->SetHeight(buttonHost_->Height());
    SetTextArea();
}

void TCustomComboEdit::SetTextArea() {
    if (!HandleAllocated())
        return;
    RECT area{0, 0, ClientWidth() - buttonHost_->Width() - 2, ClientHeight() + 1};
    SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&area));
}

void TCustomComboEdit::AutoSelectOnEnter() {
    // The edit window is multi-line only for its own reasons: it selects like a one-line edit.
    if (AutoSelect() && directInput_ && !LeftButtonHeld())
        SelectAll();
}

void TCustomComboEdit::ShowOwnCaret() {
    // The edit placed its caret already; ours takes its place there.
    POINT at{};
    GetCaretPos(&at);
    CreateCaret(Handle(), nullptr, (Font().Style() & fsBold) ? 2 : 1, LineHeightOfFont());
    SetCaretPos(at.x, at.y);
    ShowCaret(Handle());
}

void TCustomComboEdit::FontChanged() {
    TCustomMaskEdit::FontChanged();
    if (!HandleAllocated())
        return;
    const bool hadFocus = Focused();
    RecreateWnd();
    if (hadFocus && CanFocus())
        SetFocus();
}

void TCustomComboEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if (key != 0 && ShortCut(key, shift) == ClickKey && ButtonWidth() > 0) {
        EditButtonClick();
        key = 0;
    }
}

void TCustomComboEdit::KeyPress(wchar_t& key) {
    if (key == '\r' || key == '\x1b') {
        if (TForm* form = GetParentForm(this))
            form->Perform(CM_DIALOGKEY, static_cast<WPARAM>(key), 0);
        if (key == '\r') {
            // The window is multi-line only to behave as this control needs: a line break never
            // enters it.
            TCustomMaskEdit::KeyPress(key);
            key = 0;
            return;
        }
    }
    // Ctrl+Enter and a Tab the form did not use would break the one line as well.
    if (key == '\n' || key == '\t') {
        key = 0;
        return;
    }
    TCustomMaskEdit::KeyPress(key);
}

void TCustomComboEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_SIZE:
            TCustomMaskEdit::WndProc(message);
            if (Height() < MinimumHeight())
                SetHeight(MinimumHeight()); // the new size comes back as a resize of its own
            else
                LayoutButton();
            return;
        case WM_NCPAINT:
            // A themed edit draws its frame on a context of the whole window, which does not leave
            // out the windows inside it: the button's host paints itself again afterwards.
            TCustomMaskEdit::WndProc(message);
            if (buttonHost_->HandleAllocated())
                InvalidateRect(buttonHost_->Handle(), nullptr, FALSE);
            return;
        case WM_SETFOCUS:
            focused_ = true;
            TCustomMaskEdit::WndProc(message);
            if (HandleAllocated() && GetFocus() == Handle())
                ShowOwnCaret();
            return;
        case WM_KILLFOCUS:
            focused_ = false;
            break;
        case WM_GETDLGCODE: {
            // Asked with the key's message, a multi-line edit takes itself for part of a dialog box
            // and answers a later Esc by closing its parent window: it is asked without it.
            TMessage plain{message.Msg, message.WParam, 0, 0};
            TCustomMaskEdit::WndProc(plain);
            message.Result = plain.Result;
            // Multi-line edits want every key; Tab still moves on to the next control.
            if (message.WParam == VK_TAB)
                message.Result &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
            return;
        }
        case WM_CUT:
            if (!directInput_ || ReadOnly())
                return;
            break;
        case WM_PASTE:
            if (directInput_ && !ReadOnly())
                PasteFirstLine();
            return;
        case CM_ENABLEDCHANGED:
            TCustomMaskEdit::WndProc(message);
            button_->SetEnabled(Enabled());
            return;
        case CN_CTLCOLOREDIT:
        case CN_CTLCOLORSTATIC:
            TCustomMaskEdit::WndProc(message);
            if (!Enabled() && ColorToRGB(Color()) != ColorToRGB(clGrayText))
                SetTextColor(reinterpret_cast<HDC>(message.WParam), ColorToRGB(clGrayText));
            return;
    }
    TCustomMaskEdit::WndProc(message);
}

// The edit window is multi-line, so its own paste would take the clipboard's line breaks in, and the
// caret would drop to a line nobody sees. A paste inserts what a one-line edit inserts: the clipboard
// text up to its first CR or LF, in place of the selection, reported as one change. A clipboard that
// holds no text, or is held open elsewhere, pastes nothing.
void TCustomComboEdit::PasteFirstLine() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(Handle()))
        return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t size = GlobalSize(data) / sizeof(wchar_t);
            const wchar_t* end = std::wmemchr(chars, L'\0', size);
            text.assign(chars, end ? end : chars + size);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    text.resize(std::min(text.find_first_of(L"\r\n"), text.size()));
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
