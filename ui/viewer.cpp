#include "base/whole_file.h"
#include "ui/viewer.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/wipe_text.h"
#include "interfaces/merrowin_exports.h"
#include "strings/text_client.h"
#include "ui/file_dialog_ex.h"
#include "ui/file_names.h"
#include "ui/hot_hint.h"
#include "ui/look.h"
#include "ui/pgp_find.h"

namespace orv::ui {

namespace {

constexpr const char* kSubjectLine = "Subject: ";
// The viewer's own text that the string library does not hold.
constexpr const char* kReplaceTarget = "\" already exists.\r\nReplace it";

// Design sizes (client pixels).
constexpr int kDesignWidth = 520;
constexpr int kDesignHeight = 360;
constexpr int kButtonsWidth = 60;
constexpr int kTopHeight = 168;
constexpr int kCloseHeight = 51;
constexpr int kViewerBorder = 10;
constexpr int kFontHeight = 13;
// Frees the viewer from the message loop, after its close has run to its end.
constexpr UINT kFreeMessage = WM_APP + 0x56;

std::string Say(int number) { return texts::Get(number); }

using orv::FileExists;

// The character of a key already acted on must not reach the edit.
void DropPendingChar() {
    MSG pending;
    while (PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}

bool OnlyCtrl() {
    return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0;
}

HFONT ViewerFont() {
    static HFONT font = CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, "Arial");
    return font;
}

}  // namespace

// ---- Small controls --------------------------------------------------------

bool TGauge::Create(Window* parent) {
    if (!CreateStandard(PROGRESS_CLASSA, 0, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, "", parent, 0, 0, 10, 10)) return false;
    Apply();
    return true;
}

void TGauge::SetMax(std::uint32_t max) {
    max_ = max ? max : 1;
    position_ = std::min(position_, max_);
    Apply();
}

void TGauge::SetPosition(std::uint32_t position) {
    position_ = std::min(position, max_);
    Redraw(position_ == 0 || position_ == max_);
}

void TGauge::Redraw(bool now) {
    if (!Handle()) return;
    constexpr DWORD kRedrawInterval = 250;
    constexpr int kRedrawSteps = 100;
    RECT r{};
    GetClientRect(Handle(), &r);
    const LONG width = std::max<LONG>(r.right - r.left, 1);
    const int pixels = int(std::int64_t(Scaled(position_)) * width / 0x7FFF);
    const DWORD tick = GetTickCount();
    if (pixels == drawnPixels_ && !now) return;
    if (!now && drawnPixels_ >= 0 &&
        (tick - drawnAt_ < kRedrawInterval || pixels - drawnPixels_ < std::max<int>(1, int(width) / kRedrawSteps)))
        return;
    drawnPixels_ = pixels;
    drawnAt_ = tick;
    SendMessageA(Handle(), PBM_SETPOS, WPARAM(Scaled(position_)), 0);
}

void TGauge::SetColors(COLORREF bar, COLORREF back) {
    if (!Handle()) return;
    SendMessageA(Handle(), PBM_SETBARCOLOR, 0, LPARAM(bar));
    SendMessageA(Handle(), PBM_SETBKCOLOR, 0, LPARAM(back));
}

int TGauge::Scaled(std::uint32_t value) const {
    // The control counts in int; a folder may be longer than that.
    return int(std::uint64_t(value) * 0x7FFF / max_);
}

void TGauge::Apply() {
    if (!Handle()) return;
    SendMessageA(Handle(), PBM_SETRANGE32, 0, 0x7FFF);
    Redraw(true);
}

void TCaptionPanel::SetCaption(const std::string& caption) {
    SetText(caption);
    InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TCaptionPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, SolidBrush(Color()));
        HGDIOBJ old = SelectObject(dc, BoldFont());
        SetBkMode(dc, TRANSPARENT);
        const std::string caption = Text();
        DrawTextA(dc, caption.c_str(), int(caption.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(Handle(), &ps);
        return 0;
    }
    return TPanel::HandleMessage(msg, wp, lp);
}

// ---- Creation and lifecycle ------------------------------------------------

TfrmViewer::TfrmViewer(TViewerHost& host, TViewerJobs& jobs) : host_(host), jobs_(jobs) {}

TfrmViewer::~TfrmViewer() {
    WipeText(rawText_);
    if (!modal_ && Handle()) host_.ViewerDestroyed(this);
}

bool TfrmViewer::Create() {
    modal_ = false;
    if (!CreateWindowAndControls(nullptr, true)) return false;
    SizeToHost();
    host_.EnableFindMenu();
    host_.BecomeOwner(this);
    RouteHostKeys();
    return true;
}

bool TfrmViewer::CreateForText(HWND owner) {
    modal_ = true;
    if (!CreateWindowAndControls(owner, owner != nullptr)) return false;
    SizeToHost();
    fbFolder.SetVisible(false);
    return true;
}

bool TfrmViewer::CreateWindowAndControls(HWND owner, bool withOwner) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    const bool created = withOwner ? CreateForm("TfrmViewer", "Viewer", style, 0, 100, 100, owner)
                                   : CreateForm("TfrmViewer", "Viewer", style, 0, 100, 100);
    if (!created) return false;
    keyPreview = true;
    SetClientSize(kDesignWidth, kDesignHeight);
    RECT r;
    GetWindowRect(Handle(), &r);
    designSize_ = SIZE{r.right - r.left, r.bottom - r.top};

    // Aligned panels take the client area in the order they are made.
    pnButtons.Create(this, Align::Right, kButtonsWidth, 0);
    CreateButtons();
    pnViewer.Create(this, Align::Client, 0, 0, kViewerBorder);
    SetWindowLongA(pnViewer.Handle(), GWL_EXSTYLE, GetWindowLongA(pnViewer.Handle(), GWL_EXSTYLE) | WS_EX_STATICEDGE);
    SetWindowPos(pnViewer.Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    pnSpace.Create(&pnViewer, Align::Left, 2, 0);
    // The scroll bars stay, disabled while the text fits: one that comes or
    // goes after the text went in has the control lay out all of it again.
    deViewer.Create(&pnViewer, WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL |
                                   ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    deViewer.SetAlign(Align::Client);
    deViewer.SetPlainText(true);
    deViewer.SetAcceptFiles(false);
    deViewer.SetFont(ViewerFont());
    SendMessageA(deViewer.Handle(), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageA(deViewer.Handle(), EM_SETTARGETDEVICE, 0, 1);  // no wrap at start
    CreateProgress();
    Realign();
    return true;
}

void TfrmViewer::CreateButtons() {
    pnTop.Create(&pnButtons, Align::Top, 0, kTopHeight);
    fbWrap.Create(&pnTop, 15, 10, 30, 23);
    fbWrap.onClick = [this] { fbWrapClick(); };
    fbFindFirst.Create(&pnTop, 6, 44, 24, 24);
    fbFindFirst.SetGlyph(GlyphBitmap(Glyph::Find));
    fbFindFirst.onClick = [this] { PostCommand(host::kCmdFind); };
    fbFindNext.Create(&pnTop, 30, 44, 24, 24);
    fbFindNext.SetGlyph(GlyphBitmap(Glyph::Find));
    fbFindNext.onClick = [this] { PostCommand(host::kCmdFindNext); };
    fbSave.Create(&pnTop, 15, 80, 30, 30);
    fbSave.SetGlyph(GlyphBitmap(Glyph::Key));
    fbSave.onClick = [this] { PostCommand(host::kCmdSave); };
    fbFolder.Create(&pnTop, 15, 120, 30, 30);
    fbFolder.onClick = [this] { fbFolderClick(); };
    fbFolder.SetVisible(false);

    pnClose.Create(&pnButtons, Align::Bottom, 0, kCloseHeight);
    fbClose.Create(&pnClose, 15, 6, 30, 30);
    fbClose.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbClose.isCancel = true;
    fbClose.modalResult = mrCancel;
    fbClose.onClick = [this] {
        if (!modal_) PostMessageA(Handle(), WM_CLOSE, 0, 0);
    };
    cgResize.Create(&pnClose);

    SetHotHint(fbWrap, txt::WRAP_HINT);
    SetHotHint(fbFindFirst, txt::FF_HINT);
    SetHotHint(fbFindNext, txt::FN_HINT);
    SetHotHint(fbSave, txt::SAVE_HINT);
    SetHotHint(fbFolder, txt::FOLDER_HINT);
    SetHotHint(fbClose, txt::CLOSE_HINT);
}

// The session's hot-key helper: the text is the hint, and a text with "&"
// gives the button the two characters from the "&" on as its caption.
void TfrmViewer::SetHotHint(TFlatBtn& button, int textNumber) {
    button.hint = Say(textNumber);
    const std::size_t amp = button.hint.find('&');
    if (amp != std::string::npos) button.SetCaption(button.hint.substr(amp, 2));
}

void TfrmViewer::SizeToHost() {
    const Session& session = CurrentSession();
    HWND main = session.HostMain() && IsWindow(session.HostMain()) ? session.HostMain() : GetDesktopWindow();
    RECT host;
    GetWindowRect(main, &host);
    const int hostWidth = host.right - host.left, hostHeight = host.bottom - host.top;
    const int width = std::max<int>(hostWidth / 4 * 3, designSize_.cx);
    const int height = std::max<int>(hostHeight / 8 * 5, designSize_.cy);
    if (session.InsideHost()) {
        SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CenterOverHost(Handle());
    } else {
        SetWindowPos(Handle(), nullptr, host.left + (hostWidth - width) / 2, host.top + (hostHeight - height) / 4,
                     width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TfrmViewer::ApplyColors() {
    const COLORREF color = WindowColor();
    SetColor(color);
    pnSpace.SetColor(color);
    deViewer.SetColor(color);
}

void TfrmViewer::BeforeShow() {
    ApplyColors();
    Realign();
}

int TfrmViewer::ShowText(const std::string& text) {
    pnButtons.SetEnabled(false);
    LoadText(text);
    pnButtons.SetEnabled(true);
    return ShowModal();
}

void ShowTextModal(const std::string& text, TViewerHost& host, TViewerJobs& jobs) {
    TfrmViewer viewer(host, jobs);
    HWND owner = CurrentSession().Owner();
    if (!viewer.CreateForText(owner)) return;
    viewer.ShowText(text);
}

void TfrmViewer::Start() {
    ApplyColors();
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    const std::string mode = host_.Mode();
    if (mode == merrowin::kFormViewer) {
        RunReaderMode();
    } else if (mode == merrowin::kFormFolder) {
        fbFolder.SetVisible(true);
        fbFolder.Click();
    }
}

void TfrmViewer::FormClose() {
    if (DeferClose()) {
        // A running loop sees this and stops; the close comes when the
        // operation has ended.
        SetModalResult(mrAbort);
        return;
    }
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (host_.Mode() == merrowin::kFormUtilities) {
        ShowWindow(Handle(), SW_HIDE);
        return;
    }
    if (freed_) return;
    freed_ = true;
    ShowWindow(Handle(), SW_HIDE);
    PostMessageA(Handle(), kFreeMessage, 0, 0);
}

LRESULT TfrmViewer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == host_.CommandMessage()) {
        OnCommand(wp, lp);
        return 0;
    }
    switch (msg) {
    case WM_CLOSE:
        FormClose();
        return 0;
    case kFreeMessage:
        // An operation begun after the close (a relayed command) keeps the
        // viewer until it ends.
        if (DeferClose()) {
            freed_ = false;
            return 0;
        }
        // Nothing of the viewer is touched after this.
        delete this;
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE && Busy()) return 0;
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize = POINT{designSize_.cx, designSize_.cy};
        return 0;
    }
    case WM_SIZE: {
        const LRESULT result = Form::HandleMessage(msg, wp, lp);
        if (pnButtons.Handle()) host_.EnableFindMenu();
        return result;
    }
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

// ---- Commands and keys -----------------------------------------------------

void TfrmViewer::PostCommand(unsigned command) { PostMessageA(Handle(), host_.CommandMessage(), command, 0); }

void TfrmViewer::OnCommand(WPARAM wp, LPARAM lp) {
    if (lp == host::kCommandForce) {
        if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
        BringWindowToTop(Handle());
        SetForegroundWindow(Handle());
        return;
    }
    if (lp == host::kCommandStart) {
        Start();
        return;
    }
    if (lp != 0) return;
    if (HIWORD(wp) != 0) {
        ClickAccelerator(char(std::toupper(LOWORD(wp) & 0xFF)));
        return;
    }
    switch (LOWORD(wp)) {
    case host::kCmdCopy: Copy(); break;
    case host::kCmdFind: Find(false); break;
    case host::kCmdFindNext: Find(true); break;
    case host::kCmdSave:
        if (!Busy() && pnButtons.Enabled()) SaveText(nullptr);
        break;
    default: break;
    }
}

void TfrmViewer::ClickAccelerator(char upper) {
    for (Window* child : pnTop.Controls()) {
        auto* button = dynamic_cast<TFlatBtn*>(child);
        if (button && button->CanFocus() && AccelChar(button->Caption()) == upper) button->Click();
    }
    if (fbClose.CanFocus() && AccelChar(fbClose.Caption()) == upper) fbClose.Click();
}

bool TfrmViewer::PreviewKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    switch (msg.wParam) {
    case 'F':
    case 'G':
        if (!OnlyCtrl()) return false;
        DropPendingChar();
        PostCommand(msg.wParam == 'F' ? host::kCmdFind : host::kCmdFindNext);
        return true;
    case VK_F3:
        PostCommand(host::kCmdFindNext);
        return true;
    case VK_TAB:
        SelectNext(GetKeyState(VK_SHIFT) < 0);
        return true;
    case VK_ESCAPE:
        DropPendingChar();
        if (pnProgress.Visible() && pnProgress.Enabled())
            fbCancel.Click();
        else if (pnButtons.Enabled())
            fbClose.Click();
        return true;
    default:
        return false;
    }
}

// ---- Text ------------------------------------------------------------------

// The text goes into the edit piece by piece: the edit converts each piece
// as it comes, instead of one converted copy of the whole text beside the
// viewer's own.
void TfrmViewer::SetEditText(std::string_view text) {
    if (text.empty()) {
        SetWindowTextA(deViewer.Handle(), "");
        return;
    }
    std::string_view rest = text;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rest);
    stream.pfnCallback = &TfrmViewer::StreamPiece;
    SendMessageA(deViewer.Handle(), EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
}

DWORD CALLBACK TfrmViewer::StreamPiece(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) noexcept {
    auto* rest = reinterpret_cast<std::string_view*>(cookie);
    std::size_t n = std::min<std::size_t>(rest->size(), std::size_t(std::max<LONG>(wanted, 0)));
    // A line end is not cut between its CR and its LF.
    if (n > 1 && n < rest->size() && (*rest)[n - 1] == '\r') --n;
    std::memcpy(buffer, rest->data(), n);
    rest->remove_prefix(n);
    *given = LONG(n);
    return 0;
}

std::string TfrmViewer::ViewText() const { return deViewer.Text(); }

void TfrmViewer::ScrollToTop() {
    CHARRANGE none{0, 0};
    SendMessageA(deViewer.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
    SendMessageA(deViewer.Handle(), WM_VSCROLL, SB_TOP, 0);
    SendMessageA(deViewer.Handle(), WM_HSCROLL, SB_LEFT, 0);
}

bool TfrmViewer::LoadText(std::string text) {
    Operation operation(*this);
    HWND edit = deViewer.Handle();
    SendMessageA(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
    SetEditText("");
    // The text shown before may be decrypted mail.
    WipeText(rawText_);
    bool loaded = false;
    try {
        // Checked before the text goes in: past its capacity the edit takes
        // the whole address space.
        if (!FitsViewer(text.size(), EditPieces(text))) {
            if (jobs_.Confirm(Say(txt::SAVE_TEXT))) loaded = SaveText(&text);
        } else {
            rawText_ = std::move(text);
            SetEditText(rawText_);
            loaded = true;
        }
    } catch (...) {
        loaded = false;
    }
    WipeText(text);
    if (!loaded) jobs_.Error(Say(txt::LOAD_ERR));
    ScrollToTop();
    SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(edit, nullptr, TRUE);
    return loaded;
}

bool TfrmViewer::LooksTextual(std::string_view data) {
    const std::size_t zero = data.find('\0');
    return zero == std::string_view::npos || zero + 1 == data.size();
}

std::size_t TfrmViewer::EditPieces(std::string_view text) {
    std::size_t pieces = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\t' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++pieces;
    }
    return pieces;
}

void TfrmViewer::Copy() { SendMessageA(deViewer.Handle(), WM_COPY, 0, 0); }

void TfrmViewer::fbWrapClick() {
    HWND edit = deViewer.Handle();
    SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
    CHARRANGE selection{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstLine = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    const LRESULT firstChar = SendMessageA(edit, EM_LINEINDEX, firstLine, 0);
    wordWrap_ = !wordWrap_;
    SendMessageA(edit, EM_SETTARGETDEVICE, 0, wordWrap_ ? 0 : 1);
    SetEditText(rawText_);
    // The selection first: setting it may scroll the caret into view.
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
    const LRESULT line = SendMessageA(edit, EM_EXLINEFROMCHAR, 0, firstChar);
    SendMessageA(edit, EM_LINESCROLL, 0, line - SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(edit, nullptr, TRUE);
    deViewer.SetFocus();
}

// ---- Find ------------------------------------------------------------------

void TfrmViewer::Find(bool again) {
    if (Busy() || searching_ || CurrentSession().frmPGPDlg) return;
    Operation operation(*this);
    searching_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{searching_};
    if (!again || searchText_.empty()) {
        std::string proposed;
        if (!again) {
            proposed = deViewer.SelectedText();
        }
        const FindAnswer answer = ShowFindDialog(proposed, searchOptions_, true);
        searchText_ = answer.text;
        if (!answer.text.empty()) searchOptions_ = answer.options;
    }
    if (!searchText_.empty()) SearchOnce();
}

bool TfrmViewer::SearchOnce() {
    HWND edit = deViewer.Handle();
    CHARRANGE start{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&start));
    FINDTEXTEXA find{};
    find.chrg.cpMin = start.cpMax;
    find.chrg.cpMax = -1;
    find.lpstrText = searchText_.c_str();
    WPARAM flags = FR_DOWN;
    if (searchOptions_ & kFindCaseSensitive) flags |= FR_MATCHCASE;
    if (searchOptions_ & kFindWholeWords) flags |= FR_WHOLEWORD;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const LRESULT found = SendMessageA(edit, EM_FINDTEXTEX, flags, reinterpret_cast<LPARAM>(&find));
    SetCursor(old);
    if (found >= 0) {
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        const LRESULT line = SendMessageA(edit, EM_EXLINEFROMCHAR, 0, find.chrgText.cpMin);
        SendMessageA(edit, EM_LINESCROLL, 0, line - SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
        CHARRANGE now{};
        SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&now));
        if (now.cpMax == now.cpMin) jobs_.Info(Say(txt::NOT_FOUND));
        return true;
    }
    if (jobs_.Confirm(std::string(Say(txt::NOT_FOUND)) + Say(txt::RE_SEARCH))) {
        CHARRANGE top{0, 0};
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&top));
        SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
        PostMessageA(Handle(), WM_KEYDOWN, VK_F3, 0);
    } else {
        CHARRANGE back{start.cpMax, start.cpMax};
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&back));
    }
    return false;
}

// ---- Save ------------------------------------------------------------------

std::string TfrmViewer::ProposedTextName(std::string_view text, TViewerJobs& jobs) {
    std::size_t at = text.compare(0, 9, kSubjectLine) == 0 ? 0 : std::string_view::npos;
    if (at == std::string_view::npos) {
        const std::size_t found = text.find(std::string("\n") + kSubjectLine);
        if (found != std::string_view::npos) at = found + 1;
    }
    std::string name;
    if (at != std::string_view::npos) {
        std::string_view line = text.substr(at + 9);
        line = line.substr(0, line.find('\n'));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        for (char c : jobs.DecodeHeader(line)) {
            if (c == '_') c = ' ';
            if (std::string_view("*/:<>?\\|").find(c) == std::string_view::npos) name += c;
        }
        // A subject is the sender's text: it becomes a bare, valid name.
        name = SafeFileName(name);
    }
    if (name.empty()) name = "NoName";
    return name + ".txt";
}

std::string TfrmViewer::ChooseFile(const std::string& proposed, int filterIndex) {
    TSaveDialogEx& dialog = jobs_.SaveDialog();
    dialog.SetClipboardCaption("");
    dialog.filter = SessionFileFilter();
    dialog.filterIndex = filterIndex < 0 ? int(dialog.filter.size()) : filterIndex;
    dialog.initialDir = host_.MailboxDir();
    dialog.fileName = proposed;
    dialog.parent = Handle();
    if (!dialog.Execute()) return {};
    return dialog.fileName;
}

bool TfrmViewer::SaveText(const std::string* text) {
    Operation operation(*this);
    const std::string path = ChooseFile(ProposedTextName(text ? *text : rawText_, jobs_), 1);
    if (path.empty()) return false;
    const std::string& content = text ? *text : rawText_;
    if (host_.Mode() != merrowin::kFormFolder && jobs_.Confirm(Say(txt::ENC_TEXT)))
        WriteEncrypted(content, path);
    else
        WriteTextFile(content, path);
    return true;
}

void TfrmViewer::WriteTextFile(const std::string& text, const std::string& path) {
    if (jobs_.WriteFile(path, text)) jobs_.Info(std::string(Say(txt::TEXT_SAVED)) + "\r\n" + path);
}

void TfrmViewer::WriteEncrypted(const std::string& text, const std::string& path) {
    // The save dialog asked about the name chosen; the encrypted text goes
    // to another name, so that one is asked about here.
    const std::string target = path + ".pgp";
    if (FileExists(target) && !jobs_.Confirm("\"" + target + kReplaceTarget)) return;
    if (jobs_.EncryptTextToFile(text, target)) jobs_.Info(std::string(Say(txt::TEXT_SUCCESS)) + "\r\n" + target);
}

void TfrmViewer::SaveBinary(const std::string& data) {
    if (!jobs_.Confirm(Say(txt::SAVE_ATTACH))) return;
    const std::string path = ChooseFile("", -1);
    if (path.empty() || !jobs_.WriteFile(path, data)) return;
    if (jobs_.Confirm(std::string(Say(txt::ATTACH_SAVED)) + "\r\n" + path + "\r\n\r\n" + Say(txt::LAUNCH_ATTACH)))
        jobs_.OpenFile(path);
}

}  // namespace orv::ui
