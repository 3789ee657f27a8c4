// The client's small dialogs that the extensions watch (the mailbox
// directory, kind 18; the new user name), and its address book window.
#include <string>
#include <vector>

#include "standin/mailclient/dialog_template.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

constexpr WORD kIdText = 401;
constexpr UINT kAnnounce = WM_APP + 10;
constexpr const char* kAddressWindowCaption = "Address books";

struct TextDialog {
    Host* host;
    WORD kind;  // 0: not announced to the forms
    std::string text;
};

INT_PTR CALLBACK TextDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<TextDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        state = reinterpret_cast<TextDialog*>(lp);
        SetDlgItemTextA(dlg, kIdText, state->text.c_str());
        PostMessageA(dlg, kAnnounce, 0, 0);
        return TRUE;
    case kAnnounce:
        if (state && state->kind) {
            host::DialogNotice notice{dlg, state->kind, 0};
            state->host->NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened, reinterpret_cast<LPARAM>(&notice),
                                     0);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            char text[MAX_PATH] = {};
            GetDlgItemTextA(dlg, kIdText, text, sizeof text);
            state->text = text;
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

// Runs a dialog with one text field; false when it was cancelled.
bool AskText(Host* host, const wchar_t* caption, const wchar_t* label, WORD kind, std::string* text) {
    DialogTemplate t(caption, 240, 70);
    t.Item(SS_LEFT, 8, 10, 224, 10, 0xFFFF, kStatic, label);
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 24, 224, 13, kIdText, kEdit, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 112, 48, 56, 14, IDOK, kButton, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 176, 48, 56, 14, IDCANCEL, kButton, L"Cancel");
    TextDialog state{host, kind, *text};
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), host->Frame(), TextDialogProc,
                                        reinterpret_cast<LPARAM>(&state));
    if (r != IDOK) return false;
    *text = state.text;
    return true;
}

constexpr WORD kIdFolders = 402;

struct FolderDialog {
    std::vector<std::string> files;
    std::string chosen;
};

INT_PTR CALLBACK FolderDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<FolderDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        state = reinterpret_cast<FolderDialog*>(lp);
        for (const std::string& f : state->files)
            SendDlgItemMessageA(dlg, kIdFolders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
        SendDlgItemMessageA(dlg, kIdFolders, LB_SETCURSEL, 0, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || (LOWORD(wp) == kIdFolders && HIWORD(wp) == LBN_DBLCLK)) {
            LRESULT sel = SendDlgItemMessageA(dlg, kIdFolders, LB_GETCURSEL, 0, 0);
            if (sel != LB_ERR && size_t(sel) < state->files.size()) state->chosen = state->files[size_t(sel)];
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

LRESULT CALLBACK AddressWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_SIZE) {
        if (HWND list = GetWindow(wnd, GW_CHILD)) MoveWindow(list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

}  // namespace

bool Host::OpenMailboxDialog() {
    std::string dir = user_.mailboxDir;
    if (!AskText(this, L"Mailbox directory", L"Directory of your mailbox:", host::kDialogMailboxDir, &dir)) return false;
    dir = WithBackslash(dir);
    if (dir.empty() || dir == user_.mailboxDir) return false;
    user_.mailboxDir = dir;
    WriteUserRegistryDefault(host::kRegMailbox, dir);
    Log("mailbox " + dir);
    return true;
}

bool Host::OpenUserNameDialog() {
    std::string name;
    if (!AskText(this, L"New user name", L"Name of the new user:", 0, &name) || name.empty()) return false;
    WriteUserRegistryDefault(host::kRegUsername, name);
    Log("new user " + name);
    return true;
}

std::string Host::ChooseFolder() {
    DialogTemplate t(L"Select a folder", 180, 130);
    t.Item(LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 8, 8, 164, 92, kIdFolders, kListBox, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 52, 108, 56, 14, IDOK, kButton, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 116, 108, 56, 14, IDCANCEL, kButton, L"Cancel");
    FolderDialog state{FolderFiles(user_.mailboxDir), {}};
    if (state.files.empty()) return {};
    if (DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), frame_, FolderDialogProc,
                                reinterpret_cast<LPARAM>(&state)) != IDOK)
        return {};
    return state.chosen;
}

std::string Host::GlobalAddressBookDir() const {
    char value[MAX_PATH] = {};
    std::string ini = user_.programDir + host::kPegasusIni;
    GetPrivateProfileStringA(host::kPegasusIniSectionEnv, host::kPegasusIniKeyPmr, "", value, sizeof value, ini.c_str());
    std::string dir = value;
    size_t a = dir.find_first_not_of(' ');
    dir = a == std::string::npos ? std::string() : dir.substr(a, dir.find_last_not_of(' ') - a + 1);
    if (dir.empty()) {
        DWORD n = GetEnvironmentVariableA(host::kPmrEnvironment, value, sizeof value);
        if (n > 0 && n < sizeof value) dir = value;
    }
    return WithBackslash(dir);
}

std::vector<AddressBook> Host::AddressBooks() const {
    std::vector<AddressBook> all;
    std::vector<std::string> dirs{GlobalAddressBookDir(), user_.programDir, user_.mailboxDir};
    for (size_t i = 0; i < dirs.size(); ++i) {
        bool seen = false;
        for (size_t j = 0; j < i; ++j) seen = seen || lstrcmpiA(dirs[i].c_str(), dirs[j].c_str()) == 0;
        if (seen) continue;
        for (AddressBook& b : AddressBooksIn(dirs[i])) all.push_back(b);
    }
    return all;
}

HWND Host::OpenAddressBooks() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(inst, host::kListWindowClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = AddressWindowProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = host::kListWindowClass;
        if (!RegisterClassExA(&wc)) return nullptr;
    }
    MDICREATESTRUCTA mc{};
    mc.szClass = host::kListWindowClass;
    mc.szTitle = kAddressWindowCaption;
    mc.hOwner = inst;
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 420;
    mc.cy = 300;
    mc.style = WS_VISIBLE;
    HWND wnd = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!wnd) return nullptr;
    RECT rc;
    GetClientRect(wnd, &rc);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0,
                                rc.right, rc.bottom, wnd, nullptr, inst, nullptr);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    for (const AddressBook& book : AddressBooks())
        for (const AddressEntry& e : book.entries) {
            std::string line = book.name + ": " + e.alias + " <" + e.address + ">";
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
    return wnd;
}

}  // namespace orv::mailclient
