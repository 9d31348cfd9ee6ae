#include "framework/Edit.h"

#include "io/Os.h"

#include <algorithm>
#include <utility>

bool LeftButtonHeld() {
    // The logical left button: GetKeyState follows swapped buttons.
    return GetKeyState(VK_LBUTTON) < 0;
}

namespace {

// Counts a mute for the span of a scope, also when the scope ends by an error.
class MuteScope {
public:
    explicit MuteScope(int& counter) : counter_(counter) { ++counter_; }
    MuteScope(const MuteScope&) = delete;
    MuteScope& operator=(const MuteScope&) = delete;
    ~MuteScope() { --counter_; }

private:
    int& counter_;
};

} // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetBoundsValues(0, 0, 121, 25);
    TabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TEdit";
    params.BuiltInClass = "EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (charCase_ == ecUpperCase)
        params.Style |= ES_UPPERCASE;
    else if (charCase_ == ecLowerCase)
        params.Style |= ES_LOWERCASE;
    if (!hideSelection_)
        params.Style |= ES_NOHIDESEL;
    if (EditReadOnly())
        params.Style |= ES_READONLY;
    if (borderStyle_ == ebsSingle) {
        if (ctl3D_)
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TCustomEdit::CreateWnd() {
    // The new window takes the kept text: that is no change.
    MuteScope mute(muteChanges_);
    TWinControl::CreateWnd();
    reportedText_ = Text();
}

void TCustomEdit::SetTextValue(const std::string& value) {
    // A single-line edit reports a set text with EN_CHANGE, a multi-line one does not; the
    // text-changed notification that follows every write reports it in both cases, exactly once.
    MuteScope mute(muteChanges_);
    TWinControl::SetTextValue(value);
}

void TCustomEdit::TextMayHaveChanged() {
    // Some edit windows report one change twice (an undo, for one): only a new text is a change.
    std::string text = Text();
    if (text == reportedText_)
        return;
    reportedText_ = std::move(text);
    Change();
}

void TCustomEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (charCase_ == value)
        return;
    charCase_ = value;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
    if (hideSelection_ == value)
        return;
    hideSelection_ = value;
    RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TEditBorderStyle value) {
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomEdit::SetCtl3D(bool value) {
    if (ctl3D_ == value)
        return;
    ctl3D_ = value;
    RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool value) {
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    UpdateReadOnlyState();
}

void TCustomEdit::UpdateReadOnlyState() {
    if (HandleAllocated())
        SendMessageW(Handle(), EM_SETREADONLY, EditReadOnly() ? TRUE : FALSE, 0);
}

bool TCustomEdit::Modified() const {
    return HandleAllocated() &&
           SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated())
        SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

int TCustomEdit::SelStart() const {
    if (!HandleAllocated())
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TCustomEdit::SelLength() const {
    if (!HandleAllocated())
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelection(int start, int length) {
    SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

std::string TCustomEdit::SelText() const {
    // The selection counts UTF-16 units of the window's text, not bytes of its UTF-8 form.
    const std::wstring text = os::Widen(Text());
    const auto start = static_cast<std::size_t>(std::min<int>(SelStart(), static_cast<int>(text.size())));
    return os::Narrow(text.substr(start, static_cast<std::size_t>(std::max(SelLength(), 0))));
}

void TCustomEdit::AutoSelectOnEnter() {
    // A multi-line edit keeps the caret where the user put it.
    const bool multiLine = HandleAllocated() && (GetWindowLongW(Handle(), GWL_STYLE) & ES_MULTILINE);
    if (autoSelect_ && !multiLine && !LeftButtonHeld())
        SelectAll();
}

void TCustomEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
        case CN_COMMAND:
            if (HIWORD(message.WParam) == EN_CHANGE && !ChangeReportsMuted())
                TextMayHaveChanged();
            return;
        case CM_TEXTCHANGED:
            TWinControl::WndProc(message);
            reportedText_ = Text();
            Change();
            return;
        case WM_SETTEXT:
            // A text set from outside the framework (the choice of a completion list, another program) is a
            // change as a typed one is, also where the window reports none (a multi-line edit); the
            // framework's own writes report themselves.
            TWinControl::WndProc(message);
            if (!ChangeReportsMuted())
                TextMayHaveChanged();
            return;
        case CM_ENTER:
            AutoSelectOnEnter();
            break;
    }
    TWinControl::WndProc(message);
}
