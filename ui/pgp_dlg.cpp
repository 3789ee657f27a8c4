#include "ui/pgp_dlg.h"

#include "strings/text_client.h"
#include "ui/hot_hint.h"
#include "ui/look.h"

#include <richedit.h>

namespace orv::ui {

namespace {

constexpr int kClientWidth = 335;  // the custom buttons' panel, 63 + 90 + 29 + 90 + 63
constexpr int kSpareHeight = 6;  // below the text, above the buttons
constexpr int kBottomHeight = 31;
constexpr int kTextBorder = 10;
constexpr int kCustomWidth = 90;
constexpr int kButtonHeight = 30;
constexpr int kYesNoWidth = 70;
constexpr UINT_PTR kPopupTimer = 1;
constexpr int kPopupIntervalMs = 100;

bool IsYesKey(WPARAM vk) { return vk == 'J' || vk == 'O' || vk == 'S' || vk == 'Y'; }

void KeepOnlyMove(HWND wnd) {
    HMENU menu = GetSystemMenu(wnd, FALSE);
    if (!menu) return;
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i)
        if (GetMenuItemID(menu, i) != SC_MOVE) DeleteMenu(menu, UINT(i), MF_BYPOSITION);
}

// The icon and the caption of a box of each kind; custom boxes keep their title.
struct KindLook {
    const char* icon;
    int caption;
};

KindLook LookOf(int kind) {
    using namespace dlgflags;
    switch (kind) {
    case kError:
        return {IDI_HAND, txt::_ERROR};
    case kWarning:
        return {IDI_EXCLAMATION, txt::_WARN};
    case kQuestion:
        return {IDI_QUESTION, txt::_CONFIRM};
    case kInformation:
    default:
        return {IDI_ASTERISK, txt::_INFO};
    }
}

}  // namespace

TfrmPGPDlg::TfrmPGPDlg() { CurrentSession().frmPGPDlg = this; }

TfrmPGPDlg::~TfrmPGPDlg() {
    if (CurrentSession().frmPGPDlg == this) CurrentSession().frmPGPDlg = nullptr;
    HWND wnd = Handle();
    if (!wnd) return;
    // The window that was below the box comes back to the top.
    HWND next = GetWindow(wnd, GW_HWNDNEXT);
    while (next && (!IsWindowVisible(next) || next == HotHint().Handle())) next = GetWindow(next, GW_HWNDNEXT);
    DestroyWindow(wnd);
    if (next) BringWindowToTop(next);
}

bool TfrmPGPDlg::Create(const std::string& title, const std::string& text,
                        const std::string& leftCaption, int flags, const std::string& rightCaption,
                        HWND owner) {
    const bool custom = TakeFlags(flags);
    text_ = text;
    const KindLook look = LookOf(kind_);
    const std::string caption = custom ? title : texts::Get(look.caption);
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    bool created = owner ? CreateForm("TfrmPGPDlg", caption, style, WS_EX_DLGMODALFRAME, 100, 100, owner)
                         : CreateForm("TfrmPGPDlg", caption, style, WS_EX_DLGMODALFRAME, 100, 100);
    if (!created) return false;
    keyPreview = true;
    KeepOnlyMove(Handle());
    SetKindIcon(look.icon);
    CreatePanes(text, custom ? BoldFont() : DefaultFont());
    CreateStandardButtons();
    CreateCustomButtons();
    ShowButtonSet(leftCaption, rightCaption);
    return true;
}

bool TfrmPGPDlg::TakeFlags(int flags) {
    using namespace dlgflags;
    kind_ = flags & kKindMask;
    defaultButton_ = (flags & kDefaultMask) >> 8;
    const bool custom = (flags & kCustomMask) != 0;
    if (custom && kind_ == 0) kind_ = kQuestion;
    buttons_ = custom ? Buttons::Custom : kind_ == kQuestion ? Buttons::YesNo : Buttons::Ok;
    threeButtons_ = custom && (flags & kDefaultMask) == kDefaultThird;
    return custom;
}

void TfrmPGPDlg::SetKindIcon(const char* kindIcon) {
    HICON icon = LoadIcon(nullptr, kindIcon);
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TfrmPGPDlg::CreatePanes(const std::string& text, HFONT textFont) {
    // At its smallest the box holds one line; longer texts grow it before it shows.
    int lineHeight = TextExtent(textFont, "X").cy;
    SetClientSize(kClientWidth, 2 * kTextBorder + lineHeight + 4 + kSpareHeight + kBottomHeight);

    pnBottom.Create(this, Align::Bottom, kClientWidth, kBottomHeight);
    pnText.Create(this, Align::Client, 0, 0, kTextBorder);
    deText.Create(&pnText, ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL);
    deText.SetAlign(Align::Client);
    deText.SetPlainText(true);
    deText.SetParentColor(true);
    SendMessageA(deText.Handle(), EM_SETTARGETDEVICE, 0, 1);  // no wrap
    deText.SetFont(textFont);
    deText.SetText(text);
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = PFA_CENTER;
    SendMessageA(deText.Handle(), EM_SETSEL, 0, -1);
    SendMessageA(deText.Handle(), EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    SendMessageA(deText.Handle(), EM_SETSEL, 0, 0);
}

// Standard boxes: OK alone, or Yes and No.
void TfrmPGPDlg::CreateStandardButtons() {
    pnButtons.Create(&pnBottom, Align::None, 2 * kYesNoWidth, kButtonHeight);
    fbOk.Create(&pnButtons, 0, 0, kButtonHeight, kButtonHeight);
    fbOk.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbOk.modalResult = mrOk;
    fbOk.isDefault = true;
    fbOk.isCancel = true;
    fbOk.hint = texts::Get(txt::OK_HINT);
    pnYesNo.Create(&pnButtons, Align::None, 2 * kYesNoWidth, kButtonHeight);
    fbYes.Create(&pnYesNo, 0, 0, kYesNoWidth - 6, kButtonHeight, texts::Accel(txt::_YES));
    fbYes.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbYes.modalResult = mrYes;
    fbNo.Create(&pnYesNo, kYesNoWidth + 6, 0, kYesNoWidth - 6, kButtonHeight, texts::Accel(txt::_NO));
    fbNo.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbNo.modalResult = mrNo;
    fbNo.isCancel = true;
    pnYesNo.SetVisible(false);
}

// Custom boxes: left and right captions, and the middle one for three buttons.
void TfrmPGPDlg::CreateCustomButtons() {
    pnCustom.Create(&pnBottom, Align::None, kClientWidth, kButtonHeight);
    fbLeft.Create(&pnCustom, 63, 0, kCustomWidth, kButtonHeight);
    fbLeft.modalResult = mrYes;
    fbMiddle.Create(&pnCustom, (kClientWidth - kCustomWidth) / 2, 0, kCustomWidth, kButtonHeight,
                    texts::Get(txt::_CANCEL));
    fbMiddle.modalResult = mrCancel;
    fbMiddle.isCancel = true;
    fbMiddle.SetVisible(false);
    fbMiddle.SetEnabled(false);
    fbRight.Create(&pnCustom, 182, 0, kCustomWidth, kButtonHeight);
    fbRight.modalResult = mrNo;
    pnCustom.SetVisible(false);
}

void TfrmPGPDlg::ShowButtonSet(const std::string& leftCaption, const std::string& rightCaption) {
    switch (buttons_) {
    case Buttons::Ok:
        pnButtons.SetBounds(0, 0, kButtonHeight, kButtonHeight);
        break;
    case Buttons::YesNo:
        fbOk.SetEnabled(false);
        fbOk.SetVisible(false);
        pnYesNo.SetVisible(true);
        break;
    case Buttons::Custom:
        pnButtons.SetVisible(false);
        pnCustom.SetVisible(true);
        fbLeft.SetCaption(leftCaption);
        fbRight.SetCaption(rightCaption);
        if (threeButtons_) {
            fbLeft.SetBounds(19, 0, kCustomWidth, kButtonHeight);
            fbRight.SetBounds(226, 0, kCustomWidth, kButtonHeight);
            fbMiddle.SetVisible(true);
            fbMiddle.SetEnabled(true);
        }
        break;
    }
    if (TFlatBtn* def = DefaultOf()) {
        fbOk.isDefault = false;
        def->isDefault = true;
    }
}

TFlatBtn* TfrmPGPDlg::DefaultOf() {
    switch (buttons_) {
    case Buttons::Ok:
        return &fbOk;
    case Buttons::YesNo:
        return defaultButton_ >= 1 ? &fbNo : &fbYes;
    case Buttons::Custom:
        if (threeButtons_) return &fbMiddle;
        return defaultButton_ >= 1 ? &fbRight : &fbLeft;
    }
    return nullptr;
}

HWND TfrmPGPDlg::InitialFocus() {
    TFlatBtn* def = DefaultOf();
    return def ? def->Handle() : Form::InitialFocus();
}

void TfrmPGPDlg::FitToText() {
    HFONT font = deText.Font();
    HDC dc = GetDC(deText.Handle());
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int widest = 0, lines = 0;
    size_t start = 0;
    while (start <= text_.size()) {
        size_t end = text_.find('\n', start);
        if (end == std::string::npos) end = text_.size();
        size_t len = end - start;
        if (len && text_[start + len - 1] == '\r') --len;
        SIZE s{0, 0};
        if (len) GetTextExtentPoint32A(dc, text_.c_str() + start, int(len), &s);
        int width = s.cx + tm.tmAveCharWidth;  // the line plus one character
        if (width > widest) widest = width;
        ++lines;
        start = end + 1;
    }
    SelectObject(dc, old);
    ReleaseDC(deText.Handle(), dc);
    int lineHeight = tm.tmHeight + tm.tmExternalLeading;
    int needW = widest + 4;  // the rich edit's own inset
    int needH = lines * lineHeight + 4;

    RECT have;
    GetClientRect(deText.Handle(), &have);
    int dw = needW > have.right ? needW - have.right : 0;
    int dh = needH > have.bottom ? needH - have.bottom : 0;
    if (dw || dh) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        RECT me;
        GetWindowRect(Handle(), &me);
        int w = me.right - me.left + dw, h = me.bottom - me.top + dh;
        // Very long texts stay inside the screen; the edit scrolls with the keys.
        if (w > work.right - work.left) w = work.right - work.left;
        if (h > work.bottom - work.top) h = work.bottom - work.top;
        SetWindowPos(Handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Realign();
        GetClientRect(deText.Handle(), &have);
    }
    // Fewer lines than the edit holds: the text sits in the middle.
    RECT format = have;
    if (needH < have.bottom) format.top = (have.bottom - needH) / 2;
    InflateRect(&format, -1, 0);
    SendMessageA(deText.Handle(), EM_SETRECT, 0, reinterpret_cast<LPARAM>(&format));

    int bottomWidth = pnBottom.ClientWidth();
    pnButtons.SetBounds((bottomWidth - pnButtons.Width()) / 2, 0, pnButtons.Width(), kButtonHeight);
    pnCustom.SetBounds((bottomWidth - pnCustom.Width()) / 2, 0, pnCustom.Width(), kButtonHeight);
}

void TfrmPGPDlg::BeforeShow() {
    FitToText();
    CenterOverHost(Handle());
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    using namespace dlgflags;
    if (buttons_ == Buttons::Custom || kind_ == kError || kind_ == kWarning || kind_ == kQuestion) {
        UINT sound = kind_ == kError ? MB_ICONHAND : kind_ == kWarning ? MB_ICONEXCLAMATION : MB_ICONQUESTION;
        MessageBeep(sound);
    }
}

void TfrmPGPDlg::ShowWithTimer() {
    shownAt_ = GetTickCount();
    SetModalResult(mrNone);
    BeforeShow();
    SetTimer(Handle(), kPopupTimer, kPopupIntervalMs, nullptr);
    ShowWindow(Handle(), SW_SHOW);
    if (HWND focus = InitialFocus()) ::SetFocus(focus);
}

bool TfrmPGPDlg::PreviewKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    WPARAM vk = msg.wParam;
    switch (buttons_) {
    case Buttons::YesNo:
        if (IsYesKey(vk)) {
            fbYes.Click();
            return true;
        }
        if (vk == 'N') {
            fbNo.Click();
            return true;
        }
        return vk == VK_ESCAPE;  // a question has to be answered
    case Buttons::Custom:
        if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
            char key = char(vk);
            if (key == AccelChar(fbLeft.Caption())) {
                fbLeft.Click();
                return true;
            }
            if (key == AccelChar(fbRight.Caption())) {
                fbRight.Click();
                return true;
            }
        }
        return false;
    case Buttons::Ok:
        return false;
    }
    return false;
}

bool TfrmPGPDlg::CloseQuery() {
    // Closing answers only where there is an answer meaning "no choice".
    if (buttons_ == Buttons::Ok) {
        SetModalResult(mrOk);
        return false;
    }
    if (buttons_ == Buttons::Custom && threeButtons_) return true;  // Cancel
    return false;
}

LRESULT TfrmPGPDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kPopupTimer) return 0;  // wakes the waiting loop; the time is the clock's
        break;
    case WM_DESTROY:
        KillTimer(Handle(), kPopupTimer);
        break;
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
