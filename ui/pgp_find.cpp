#include "ui/pgp_find.h"

#include "strings/text_client.h"
#include "ui/look.h"

namespace orv::ui {

namespace {
constexpr int kWidth = 412;
constexpr int kHeight = 85;
constexpr int kTopHeight = 26;
constexpr int kMaxLength = 60;

// The character of the key already acted on must not reach the edit.
void DropPendingChar() {
    MSG pending;
    while (PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}
}  // namespace

TfrmPGPFind::TfrmPGPFind() { CurrentSession().frmPGPFind = this; }

TfrmPGPFind::~TfrmPGPFind() {
    if (CurrentSession().frmPGPFind == this) CurrentSession().frmPGPFind = nullptr;
}

bool TfrmPGPFind::Create(const std::string& proposed, uint8_t options, bool showOptions, HWND owner) {
    options_ = options;
    showOptions_ = showOptions;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    bool created = owner ? CreateForm("TfrmPGPFind", texts::Get(txt::SEARCH_FOR), style,
                                      WS_EX_DLGMODALFRAME, kWidth, kHeight, owner)
                         : CreateForm("TfrmPGPFind", texts::Get(txt::SEARCH_FOR), style,
                                      WS_EX_DLGMODALFRAME, kWidth, kHeight);
    if (!created) return false;
    keyPreview = true;
    pnTop.Create(this, Align::Top, 0, kTopHeight);
    cbCase.Create(&pnTop, 10, 4, 160, 18, texts::Get(txt::CASE_SENS));
    cbCase.SetChecked((options & kFindCaseSensitive) != 0);
    cbWord.Create(&pnTop, 180, 4, 160, 18, texts::Get(txt::WHOLE_WORD));
    cbWord.SetChecked((options & kFindWholeWords) != 0);
    pnTop.SetVisible(showOptions);

    pnButtons.Create(this, Align::Right, 78, 0);
    int buttonTop = (ClientHeight() - 30) / 2;
    fbOk.Create(&pnButtons, 4, buttonTop, 30, 30);
    fbOk.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbOk.modalResult = mrOk;
    fbOk.isDefault = true;
    fbOk.hint = texts::Get(txt::OK_HINT);
    fbCancel.Create(&pnButtons, 40, buttonTop, 30, 30);
    fbCancel.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbCancel.modalResult = mrCancel;
    fbCancel.isCancel = true;
    fbCancel.hint = texts::Get(txt::CANCEL_HINT);

    pnEdit.Create(this, Align::Client);
    edAnswer.Create(&pnEdit, 10, 0, 100, 22);
    edAnswer.SetMaxLength(kMaxLength);
    edAnswer.SetText(proposed.substr(0, kMaxLength));
    return true;
}

void TfrmPGPFind::BeforeShow() {
    if (showOptions_) {
        RECT r;
        GetWindowRect(Handle(), &r);
        SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, kHeight + kTopHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Realign();
    int editHeight = edAnswer.Height();
    edAnswer.SetBounds(10, (pnEdit.ClientHeight() - editHeight) / 2, pnEdit.ClientWidth() - 14, editHeight);
    int buttonTop = (pnButtons.ClientHeight() - 30) / 2;
    fbOk.SetBounds(4, buttonTop, 30, 30);
    fbCancel.SetBounds(40, buttonTop, 30, 30);
    CenterOverHost(Handle());
}

HWND TfrmPGPFind::InitialFocus() {
    SendMessageA(edAnswer.Handle(), EM_SETSEL, 0, -1);
    return edAnswer.Handle();
}

bool TfrmPGPFind::PreviewKey(MSG& msg) {
    if (msg.message == WM_CHAR && msg.wParam >= ' ' && msg.hwnd != edAnswer.Handle() &&
        GetFocus() == edAnswer.Handle()) {
        msg.hwnd = edAnswer.Handle();
        return false;
    }
    if (msg.message != WM_KEYDOWN) return false;
    switch (msg.wParam) {
    case VK_RETURN:
        DropPendingChar();
        fbOk.Click();
        return true;
    case VK_ESCAPE:
        DropPendingChar();
        fbCancel.Click();
        return true;
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
        return false;
    default:
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        // Typing always goes to the search text.
        if (msg.hwnd != edAnswer.Handle()) {
            edAnswer.SetFocus();
            msg.hwnd = edAnswer.Handle();
        }
        if (msg.wParam == VK_TAB) return true;
        return false;
    }
}

FindAnswer TfrmPGPFind::Execute() {
    FindAnswer answer;
    if (ShowModal() != mrOk) return answer;
    answer.text = edAnswer.Text();
    answer.options = options_;
    if (showOptions_) {
        answer.options = uint8_t(options_ & ~(kFindCaseSensitive | kFindWholeWords));
        if (cbCase.Checked()) answer.options |= kFindCaseSensitive;
        if (cbWord.Checked()) answer.options |= kFindWholeWords;
    }
    return answer;
}

FindAnswer ShowFindDialog(const std::string& proposed, uint8_t options, bool showOptions) {
    TfrmPGPFind dialog;
    if (!dialog.Create(proposed, options, showOptions)) return {};
    return dialog.Execute();
}

}  // namespace orv::ui
