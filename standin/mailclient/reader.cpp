// Message readers: an MDI "WPMMDI" window holding the dialog "WPMDLG_MRC",
// or a "READER" window holding "WPMDLG_RDR" / "WPMDLG_RDRC"; inside, the
// header control "HEADCTRL_DH", the button strip "DH_NTLBAR" and the
// read-only editor control with the message text.
#include <cctype>
#include <cstring>

#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

constexpr int kHeaderHeight = 44;
constexpr int kStripHeight = 26;

bool IsClass(HWND wnd, const char* cls) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return lstrcmpiA(name, cls) == 0;
}

// The header lines of a message, for the header control.
bool HasHeader(const std::string& text);

std::string HeaderSummary(const std::string& message) {
    std::string out;
    if (!HasHeader(message)) return out;
    size_t pos = 0;
    while (pos < message.size()) {
        size_t end = message.find("\r\n", pos);
        if (end == std::string::npos) end = message.size();
        std::string line = message.substr(pos, end - pos);
        if (line.empty()) break;
        for (const char* name : {"From:", "To:", "Subject:", "Date:"})
            if (_strnicmp(line.c_str(), name, std::strlen(name)) == 0) out += line + "\r\n";
        pos = end + 2;
    }
    return out;
}

// A message begins with a header field ("Name: value"); other texts are
// shown whole.
bool HasHeader(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (isalnum(static_cast<unsigned char>(text[i])) || text[i] == '-')) ++i;
    return i > 0 && i + 1 < text.size() && text[i] == ':' && text[i + 1] == ' ';
}

// The text below the header, for the layouts with a header control.
std::string BodyOf(const std::string& message) {
    size_t blank = message.find("\r\n\r\n");
    return blank == std::string::npos || !HasHeader(message) ? message : message.substr(blank + 4);
}

void Font(HWND wnd) { SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE); }

LRESULT CALLBACK HeaderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_INFOBK));
        char text[2048] = {};
        GetWindowTextA(wnd, text, sizeof text);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        rc.left += 6;
        rc.top += 2;
        DrawTextA(dc, text, -1, &rc, DT_LEFT | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(wnd, &ps);
        return 0;
    }
    if (msg == WM_SETTEXT) {
        LRESULT r = DefWindowProcA(wnd, msg, wp, lp);
        InvalidateRect(wnd, nullptr, TRUE);
        return r;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The strip's buttons are commands of the reader dialog.
LRESULT CALLBACK StripProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_COMMAND) return SendMessageA(GetParent(wnd), WM_COMMAND, LOWORD(wp), 0);
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ReaderWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_CREATE: {
            auto* mdi = static_cast<MDICREATESTRUCTA*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, mdi ? mdi->lParam : 0);
            break;
        }
        case WM_SIZE:
            if (HWND dialog = GetWindow(wnd, GW_CHILD)) MoveWindow(dialog, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            break;
        case WM_DESTROY:
            if (auto* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA))) host->ForgetWindow(wnd);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            break;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

void LayoutReader(HWND dialog, int w, int h) {
    HWND header = GetDlgItem(dialog, kIdReaderHeader);
    HWND strip = GetDlgItem(dialog, kIdReaderStrip);
    int top = 0;
    if (strip && IsWindowVisible(strip)) {
        MoveWindow(strip, 0, 0, w, kStripHeight, TRUE);
        int x = 2;
        for (HWND b = GetWindow(strip, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
            MoveWindow(b, x, 2, 80, kStripHeight - 4, TRUE);
            x += 82;
        }
        top += kStripHeight;
    }
    if (header && IsWindowVisible(header)) {
        MoveWindow(header, 0, top, w, kHeaderHeight, TRUE);
        top += kHeaderHeight;
    }
    MoveWindow(GetDlgItem(dialog, kIdReaderBody), 0, top, w, h > top ? h - top : 0, TRUE);
}

}  // namespace

LRESULT CALLBACK ReaderPaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_SIZE: LayoutReader(wnd, LOWORD(lp), HIWORD(lp)); return 0;
        case WM_COMMAND: {
            HWND reader = GetParent(wnd);
            Host* host = Host::From(reader);
            if (!host) return 0;
            switch (LOWORD(wp)) {
            case host::kCmdReaderNext: host->StepReader(reader, 1); return 0;
            case host::kCmdReaderPrevious: host->StepReader(reader, -1); return 0;
            case host::kCmdRawView:
                if (const ReaderMessage* m = host->MessageOf(reader)) host->ShowInReader(reader, *m);
                return 0;
            case host::kCmdSaveAttachment: host->Log("attachments of the reader's message: none saved"); return 0;
            case kCmdReaderHeaders: {
                // Headers in their own control or in the text; the reader
                // dialog hears of the change (0x0AAC, 11, bit 4).
                HWND header = GetDlgItem(wnd, kIdReaderHeader);
                if (!header) return 0;
                ShowWindow(header, IsWindowVisible(header) ? SW_HIDE : SW_SHOW);
                RECT rc;
                GetClientRect(wnd, &rc);
                LayoutReader(wnd, rc.right, rc.bottom);
                if (const ReaderMessage* m = host->MessageOf(reader)) host->ShowInReader(reader, *m);
                PostMessageA(wnd, host::kReaderState, host::kReaderHeaderChanged, kReaderHeaderBit);
                return 0;
            }
            case host::kCmdVerify:
            case host::kCmdAddKey: host->Command(LOWORD(wp)); return 0;
            case kCmdReaderForward: host->OpenForward(reader); return 0;
            default: return 0;
            }
        }
        case host::kReaderState:
            // Activation (12, 13) and header changes (11) are for the
            // extensions that watch the dialog.
            return 0;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The forward window: the address to forward to, the subject marked as
// forwarded, and its buttons.
LRESULT CALLBACK ForwardProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_CREATE: {
            auto* mdi = static_cast<MDICREATESTRUCTA*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, mdi ? mdi->lParam : 0);
            break;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                auto* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
                if (LOWORD(wp) == IDOK && host) {
                    char to[512] = {};
                    GetDlgItemTextA(wnd, kIdForwardTo, to, sizeof to);
                    if (!*to || !host->ForwardMessage(wnd, to)) return 0;
                }
                PostMessageA(wnd, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (auto* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA))) host->ForgetWindow(wnd);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            break;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

bool RegisterReaderClasses() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    struct {
        const char* name;
        WNDPROC proc;
    } classes[] = {{host::kReaderMdiClass, ReaderWindowProc},   {host::kReaderClass, ReaderWindowProc},
                   {host::kReaderDialogClass, ReaderPaneProc},  {host::kReaderDialogClass2, ReaderPaneProc},
                   {host::kReaderDialogClass3, ReaderPaneProc}, {host::kHeaderControlClass, HeaderProc},
                   {host::kToolbarStripClass, StripProc},      {host::kForwardClass, ForwardProc}};
    for (const auto& c : classes) {
        WNDCLASSEXA wc{};
        if (GetClassInfoExA(inst, c.name, &wc)) continue;
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = c.proc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = c.name;
        if (!RegisterClassExA(&wc)) return false;
    }
    return true;
}

HWND Host::ReaderDialog(HWND reader) {
    if (!reader) return nullptr;
    for (const char* cls : {host::kReaderDialogClass, host::kReaderDialogClass2, host::kReaderDialogClass3})
        if (HWND d = FindWindowExA(reader, nullptr, cls, nullptr)) return d;
    return nullptr;
}

HWND Host::ReaderBody(HWND reader) {
    HWND dialog = ReaderDialog(reader);
    return dialog ? GetDlgItem(dialog, kIdReaderBody) : nullptr;
}

HWND Host::ActiveReader() const {
    HWND active = ActiveMdiChild();
    if (active && (IsClass(active, host::kReaderMdiClass) || IsClass(active, host::kReaderClass))) return active;
    return nullptr;
}

const ReaderMessage* Host::MessageOf(HWND reader) const {
    auto it = readers_.find(reader);
    return it == readers_.end() ? nullptr : &it->second;
}

void Host::ShowInReader(HWND reader, const ReaderMessage& message) {
    readers_[reader] = message;
    HWND dialog = ReaderDialog(reader);
    if (!dialog) return;
    const std::string& text = RawView() ? message.raw : message.shown;
    HWND header = GetDlgItem(dialog, kIdReaderHeader);
    bool withHeader = header && IsWindowVisible(header);
    if (header) SetWindowTextA(header, HeaderSummary(text).c_str());
    ter_.SetText(GetDlgItem(dialog, kIdReaderBody), withHeader && !RawView() ? BodyOf(text) : text);
    // The reader paints anew, caption and all, with each message it shows.
    RedrawWindow(reader, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND Host::OpenReader(const std::string& title, const std::string& text) {
    bool mdi = readerLayout == ReaderLayout::Mdi;
    MDICREATESTRUCTA mc{};
    mc.szClass = mdi ? host::kReaderMdiClass : host::kReaderClass;
    mc.szTitle = title.c_str();
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 600;
    mc.cy = 420;
    mc.style = WS_VISIBLE;
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND reader = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!reader) return nullptr;
    const char* dialogClass = readerLayout == ReaderLayout::Mdi     ? host::kReaderDialogClass
                              : readerLayout == ReaderLayout::Plain ? host::kReaderDialogClass2
                                                                    : host::kReaderDialogClass3;
    RECT rc;
    GetClientRect(reader, &rc);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    // A dialog, as the client's readers are: it paints beneath its controls
    // (extensions write the signature block when it paints).
    HWND dialog = CreateWindowExA(WS_EX_CONTROLPARENT, dialogClass, "", WS_CHILD | WS_VISIBLE, 0,
                                  0, rc.right, rc.bottom, reader, nullptr, inst, nullptr);
    HWND strip = CreateWindowExA(0, host::kToolbarStripClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdReaderStrip)), inst, nullptr);
    const struct {
        const char* caption;
        WORD id;
    } buttons[] = {{"Previous", host::kCmdReaderPrevious},
                   {"Next", host::kCmdReaderNext},
                   {"Verify", host::kCmdVerify},
                   {"Add key", host::kCmdAddKey},
                   {"Headers", kCmdReaderHeaders},
                   {"Forward", kCmdReaderForward}};
    for (const auto& b : buttons)
        Font(CreateWindowExA(0, "BUTTON", b.caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10, strip,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), inst, nullptr));
    if (readerLayout != ReaderLayout::Plain)
        CreateWindowExA(0, host::kHeaderControlClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdReaderHeader)), inst, nullptr);
    ter_.Create(dialog, kIdReaderBody, true, 0, 0, 10, 10);
    LayoutReader(dialog, rc.right, rc.bottom);
    ReaderMessage m;
    m.raw = m.shown = text;
    ShowInReader(reader, m);
    host::DialogNotice notice{dialog, mdi ? host::kDialogReader : host::kDialogReaderAlt, 0};
    NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened, reinterpret_cast<LPARAM>(&notice), 0);
    return reader;
}

void Host::ForgetWindow(HWND wnd) {
    readers_.erase(wnd);
    forwards_.erase(wnd);
}

HWND Host::OpenForward(HWND reader) {
    const ReaderMessage* m = MessageOf(reader);
    if (!m) return nullptr;
    std::string subject;
    size_t at = m->shown.find("Subject: ");
    if (at != std::string::npos && at < m->shown.find("\r\n\r\n"))
        subject = m->shown.substr(at + 9, m->shown.find("\r\n", at) - at - 9);
    MDICREATESTRUCTA mc{};
    mc.szClass = host::kForwardClass;
    mc.szTitle = "Forward message";
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 420;
    mc.cy = 150;
    mc.style = WS_VISIBLE;
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND wnd = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!wnd) return nullptr;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
        Font(CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, wnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr));
    };
    std::string marked = std::string(host::kForwardMark) + " " + subject;
    make("STATIC", "Forward to:", SS_LEFT, 8, 11, 80, 16, -1);
    make("EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 92, 8, 300, 20, kIdForwardTo);
    make("STATIC", "Subject:", SS_LEFT, 8, 37, 80, 16, -1);
    make("EDIT", marked.c_str(), WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 92, 34, 300, 20, kIdForwardSubject);
    make("BUTTON", "Forward", BS_DEFPUSHBUTTON | WS_TABSTOP, 224, 64, 80, 24, IDOK);
    make("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 312, 64, 80, 24, IDCANCEL);
    forwards_[wnd] = m->shown;
    SetFocus(GetDlgItem(wnd, kIdForwardTo));
    return wnd;
}

bool Host::ForwardMessage(HWND forwardWindow, const std::string& to) {
    auto it = forwards_.find(forwardWindow);
    if (it == forwards_.end()) return false;
    char subject[512] = {};
    GetDlgItemTextA(forwardWindow, kIdForwardSubject, subject, sizeof subject);
    std::string text = "From: " + user_.fromAddress + "\r\nTo: " + to + "\r\nSubject: " + subject +
                       "\r\n\r\n-------- Forwarded message --------\r\n" + it->second;
    forwards_.erase(it);
    std::string file = user_.mailboxDir + "FWD" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                       std::to_string(++messageCounter_) + host::kMessageFileExt;
    if (!WriteOwnedFile(file, text)) return false;
    host::FileNotice notice{file.c_str()};
    NotifyForms(host::kFormMsgNotify, host::kNotifyFileWritten, reinterpret_cast<LPARAM>(&notice), 0);
    return Deliver(file);
}

bool CarriesPgp(const std::string& message) {
    return message.find("-----BEGIN PGP ") != std::string::npos ||
           message.find("application/pgp-encrypted") != std::string::npos ||
           message.find("application/pgp-signature") != std::string::npos;
}

ReaderMessage Host::DecodeForReading(const std::string& raw) {
    ReaderMessage m;
    m.raw = m.shown = raw;
    if (!CarriesPgp(raw)) return m;
    Extension* decryptor = nullptr;
    for (auto& ext : extensions_)
        if (ext->decryptFileEx) decryptor = ext.get();
    if (!decryptor) {
        Log("error no decryptor for a PGP message");
        return m;
    }
    // The client hands the decryptor the message as a file of its own.
    std::string base = user_.mailboxDir + "READ" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                       std::to_string(++readCounter_);
    std::string file = base + ".CNM", output = base + ".OUT";
    if (!WriteOwnedFile(file, raw)) {
        Log("error cannot write " + file);
        return m;
    }
    bool shown = showReaders;
    showReaders = false;
    CryptOutcome r = RunCrypt(*decryptor, CryptOp::Decrypt, file, output, "");
    showReaders = shown;
    std::string decoded;
    if (r.result == host::kDecodeWritten && ReadFileText(output, &decoded)) m.shown = decoded;
    DeleteFileA(file.c_str());
    DeleteFileA(output.c_str());
    return m;
}

HWND Host::OpenFolderMessage(const std::string& folderPath, int index) {
    std::string text;
    Folder folder;
    bool shown = !shownFolder_.empty() && lstrcmpiA((user_.mailboxDir + shownFolder_).c_str(), folderPath.c_str()) == 0;
    if (shown) {
        folder = shownFolderData_;
    } else if (!ReadFileText(folderPath, &text) || !ParseFolder(text, &folder)) {
        Log("error cannot read " + folderPath);
        return nullptr;
    }
    if (index < 0 || size_t(index) >= folder.messages.size()) return nullptr;
    ReaderMessage m = DecodeForReading(folder.messages[size_t(index)]);
    m.folderPath = folderPath;
    m.index = index;
    HWND reader = OpenReader(folder.name + " - message " + std::to_string(index + 1), m.shown);
    if (reader) ShowInReader(reader, m);
    Log("read " + folderPath + " " + std::to_string(index + 1));
    return reader;
}

bool Host::StepReader(HWND reader, int step) {
    const ReaderMessage* m = MessageOf(reader);
    if (!m || m->folderPath.empty()) return false;
    std::string path = m->folderPath;
    int index = m->index + step;
    Folder folder;
    std::string text;
    bool shown = !shownFolder_.empty() && lstrcmpiA((user_.mailboxDir + shownFolder_).c_str(), path.c_str()) == 0;
    if (shown) folder = shownFolderData_;
    else if (!ReadFileText(path, &text) || !ParseFolder(text, &folder)) return false;
    if (index < 0 || size_t(index) >= folder.messages.size()) return false;
    ReaderMessage next = DecodeForReading(folder.messages[size_t(index)]);
    next.folderPath = path;
    next.index = index;
    ShowInReader(reader, next);
    std::string title = folder.name + " - message " + std::to_string(index + 1);
    SetWindowTextA(reader, title.c_str());
    return true;
}

void Host::RunOnReader(CryptOp op) {
    HWND reader = ActiveReader();
    const ReaderMessage* m = reader ? MessageOf(reader) : nullptr;
    Extension* ext = nullptr;
    for (auto& e : extensions_)
        if (op == CryptOp::Verify ? e->verifySignature != nullptr : e->keyManagement != nullptr) ext = e.get();
    if (!m || !ext) {
        Log(std::string("nothing to ") + (op == CryptOp::Verify ? "verify" : "take keys from"));
        return;
    }
    std::string file = user_.mailboxDir + "CHECK" + std::to_string(GetCurrentProcessId() % 10000) + ".CNM";
    if (!WriteOwnedFile(file, m->raw)) return;
    CryptOutcome r = RunCrypt(*ext, op, file, "", "");
    if (op == CryptOp::Verify && r.called)
        AddStatusLine(host::kStatusSignature, (r.verifyText.empty() ? r.reaction : r.verifyText).c_str());
    DeleteFileA(file.c_str());
}

}  // namespace orv::mailclient
