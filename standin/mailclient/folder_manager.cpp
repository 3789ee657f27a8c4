// The folder manager: an MDI "FOLMAN" window holding the dialog "wpmdlg_fol"
// with the folder list, the "Open" button (201), the message list (202) and a
// read-only preview. The folder shown is held open, as the client holds it.
#include <cstring>

#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

constexpr const char* kFolderManagerCaption = "Folders";

void Font(HWND wnd) { SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE); }

HWND Pane(HWND folman) { return folman ? FindWindowExA(folman, nullptr, host::kFolderDialogClass, nullptr) : nullptr; }

std::string SubjectOf(const std::string& message) {
    size_t pos = 0;
    while (pos < message.size()) {
        size_t end = message.find("\r\n", pos);
        if (end == std::string::npos) end = message.size();
        if (end == pos) break;
        if (_strnicmp(message.c_str() + pos, "Subject:", 8) == 0) {
            std::string s = message.substr(pos + 8, end - pos - 8);
            size_t first = s.find_first_not_of(' ');
            return first == std::string::npos ? std::string() : s.substr(first);
        }
        pos = end + 2;
    }
    return "(no subject)";
}

void LayoutPane(HWND pane, int w, int h) {
    int listW = 160, msgH = h / 2 - 20;
    MoveWindow(GetDlgItem(pane, kIdFolderList), 4, 4, listW, h - 8, TRUE);
    MoveWindow(GetDlgItem(pane, kIdFolderMessages), listW + 8, 4, w - listW - 12, msgH, TRUE);
    MoveWindow(GetDlgItem(pane, kIdFolderOpen), listW + 8, msgH + 8, 80, 24, TRUE);
    MoveWindow(GetDlgItem(pane, kIdFolderPreview), listW + 8, msgH + 36, w - listW - 12, h - msgH - 40, TRUE);
}

LRESULT CALLBACK FolderWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_CREATE: {
            auto* mdi = static_cast<MDICREATESTRUCTA*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, mdi ? mdi->lParam : 0);
            break;
        }
        case WM_SIZE:
            if (HWND pane = Pane(wnd)) MoveWindow(pane, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            break;
        case WM_DESTROY:
            if (Host* host = Host::From(wnd)) host->ReleaseFolder();
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            break;
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK FolderPaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_SIZE: LayoutPane(wnd, LOWORD(lp), HIWORD(lp)); return 0;
        case WM_COMMAND: {
            Host* host = Host::From(GetParent(wnd));
            if (!host) return 0;
            int id = LOWORD(wp), code = HIWORD(wp);
            if (id == kIdFolderList && code == LBN_SELCHANGE) {
                char name[MAX_PATH] = {};
                HWND list = GetDlgItem(wnd, kIdFolderList);
                LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
                if (sel != LB_ERR && SendMessageA(list, LB_GETTEXTLEN, WPARAM(sel), 0) < MAX_PATH) {
                    SendMessageA(list, LB_GETTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(name));
                    host->ShowFolder(name);
                }
            } else if (id == kIdFolderMessages && code == LBN_SELCHANGE) {
                host->SelectFolderMessage(int(SendDlgItemMessageA(wnd, kIdFolderMessages, LB_GETCURSEL, 0, 0)));
            } else if ((id == kIdFolderMessages && code == LBN_DBLCLK) || (id == kIdFolderOpen && code == BN_CLICKED)) {
                host->Command(host::kCmdFolderOpen201);
            }
            return 0;
        }
        default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterFolderClasses() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (auto [name, proc] : {std::pair<const char*, WNDPROC>{host::kFolderManagerClass, FolderWindowProc},
                              std::pair<const char*, WNDPROC>{host::kFolderDialogClass, FolderPaneProc}}) {
        WNDCLASSEXA wc{};
        if (GetClassInfoExA(inst, name, &wc)) continue;
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        if (!RegisterClassExA(&wc)) return false;
    }
    return true;
}

HWND Host::FolderManager() const {
    return mdiClient_ ? FindWindowExA(mdiClient_, nullptr, host::kFolderManagerClass, nullptr) : nullptr;
}

HWND Host::OpenFolderManager() {
    if (HWND existing = FolderManager()) {
        SendMessageA(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(existing), 0);
        FillFolderList();
        return existing;
    }
    MDICREATESTRUCTA mc{};
    mc.szClass = host::kFolderManagerClass;
    mc.szTitle = kFolderManagerCaption;
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 640;
    mc.cy = 420;
    mc.style = WS_VISIBLE;
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND folman = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!folman) return nullptr;
    RECT rc;
    GetClientRect(folman, &rc);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND pane = CreateWindowExA(WS_EX_CONTROLPARENT, host::kFolderDialogClass, "", WS_CHILD | WS_VISIBLE, 0, 0,
                                rc.right, rc.bottom, folman, nullptr, inst, nullptr);
    auto make = [&](const char* cls, const char* text, DWORD style, int id) {
        HWND w = CreateWindowExA(WS_EX_CLIENTEDGE, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 10, 10,
                                 pane, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        Font(w);
        return w;
    };
    make("LISTBOX", "", LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kIdFolderList);
    make("LISTBOX", "", LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kIdFolderMessages);
    Font(CreateWindowExA(0, "BUTTON", "&Open", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, pane,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdFolderOpen)), inst, nullptr));
    ter_.Create(pane, kIdFolderPreview, true, 0, 0, 10, 10);
    LayoutPane(pane, rc.right, rc.bottom);
    FillFolderList();
    return folman;
}

void Host::FillFolderList() {
    HWND list = GetDlgItem(Pane(FolderManager()), kIdFolderList);
    if (!list) return;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : FolderFiles(user_.mailboxDir))
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void Host::ReleaseFolder() {
    heldFolder_.reset();
}

bool Host::ShowFolder(const std::string& fileName) {
    ReleaseFolder();
    shownFolder_.clear();
    shownFolderData_ = Folder{};
    std::string path = user_.mailboxDir + fileName;
    std::string text;
    Folder folder;
    if (!ReadFileText(path, &text) || !ParseFolder(text, &folder)) {
        Log("error cannot read " + path);
        return false;
    }
    // Held without sharing while shown.
    heldFolder_.reset(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    shownFolder_ = fileName;
    shownFolderData_ = folder;
    HWND pane = Pane(FolderManager());
    HWND messages = GetDlgItem(pane, kIdFolderMessages);
    if (messages) {
        SendMessageA(messages, LB_RESETCONTENT, 0, 0);
        for (const std::string& m : folder.messages)
            SendMessageA(messages, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SubjectOf(m).c_str()));
    }
    HWND list = GetDlgItem(pane, kIdFolderList);
    LRESULT at = list ? SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(fileName.c_str()))
                      : LB_ERR;
    if (at != LB_ERR) SendMessageA(list, LB_SETCURSEL, WPARAM(at), 0);
    ter_.SetText(GetDlgItem(pane, kIdFolderPreview), "");
    Log("folder " + fileName + " " + std::to_string(folder.messages.size()) + " messages");
    return true;
}

bool Host::SelectFolderMessage(int index) {
    if (index < 0 || size_t(index) >= shownFolderData_.messages.size()) return false;
    HWND pane = Pane(FolderManager());
    SendDlgItemMessageA(pane, kIdFolderMessages, LB_SETCURSEL, WPARAM(index), 0);
    ter_.SetText(GetDlgItem(pane, kIdFolderPreview), shownFolderData_.messages[size_t(index)]);
    return true;
}

bool Host::AddToFolder(const std::string& path, const std::string& name, const std::string& message) {
    // The folder held open for the folder manager is let go for the write and
    // shown again afterwards.
    bool shown = !shownFolder_.empty() && lstrcmpiA((user_.mailboxDir + shownFolder_).c_str(), path.c_str()) == 0;
    std::string again = shownFolder_;
    if (shown) ReleaseFolder();
    bool ok = AppendToFolder(path, name, message);
    if (shown) ShowFolder(again);
    else if (FolderManager()) FillFolderList();
    return ok;
}

}  // namespace orv::mailclient
