// A new mailbox directory or a new user name: the per-user files move, the
// user register learns the new place, and the client restarts through the
// launcher.
#include "automation/user_switch.h"

#include <vector>

#include "automation/merrowin_bridge.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "base/installation.h"
#include "base/unique_handle.h"
#include "interfaces/mail_client.h"
#include "interfaces/restart_signal.h"

namespace orv::automation {

namespace {

// A window still there this long after its close request was kept open by
// the user (a question answered with Cancel). Time spent in a question the
// window asks while it is waited for does not count.
constexpr DWORD kKeptAfterMs = 2000;
constexpr DWORD kQuestionMs = 250;
std::string TextOf(HWND wnd) {
    int n = GetWindowTextLengthA(wnd);
    std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
    GetWindowTextA(wnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

bool DirectoryExists(const std::string& dir) {
    DWORD a = GetFileAttributesA(dir.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Closes a window as its user would and waits for it while the thread's
// messages go on; false when it is still there.
bool CloseAndWait(HWND wnd) {
    if (!IsWindow(wnd)) return true;
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    DWORD since = GetTickCount();
    while (IsWindow(wnd) && GetTickCount() - since <= kKeptAfterMs) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DWORD before = GetTickCount();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (GetTickCount() - before > kQuestionMs) since = GetTickCount();
    }
    return !IsWindow(wnd);
}

std::vector<HWND> ChildrenOfClasses(HWND parent, std::initializer_list<const char*> classes) {
    std::vector<HWND> out;
    if (!parent) return out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string cls = ClassOf(c);
        for (const char* name : classes)
            if (cls == name) out.push_back(c);
    }
    return out;
}

LRESULT CALLBACK SubclassedUserNameEdit(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return data->Users().UserNameEditProc(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK SubclassedMailboxEdit(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return data->Users().MailboxEditProc(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

void TUserSwitch::MailboxDialogOpened(HWND dialog) {
    HWND edit = FindChildWnd(dialog, "Edit", "");
    if (!edit) return;
    mailboxEdit_ = edit;
    mailboxTextAtOpen_ = TextOf(edit);
    mailboxTextAtClose_.clear();
    mailboxEditProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassedMailboxEdit)));
}

LRESULT TUserSwitch::MailboxEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC previous = mailboxEditProc_;
    if (msg == WM_DESTROY && wnd == mailboxEdit_) {
        // The text outlives the dialog; whether the client took it shows
        // once the dialog is over.
        mailboxTextAtClose_ = TextOf(wnd);
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        mailboxEditProc_ = nullptr;
        mailboxEdit_ = nullptr;
        PostMessageA(pl_.AutomationWindow(), kMsgMailboxDialogClosed, 0, 0);
    }
    return previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

void TUserSwitch::OnMailboxDialogClosed() {
    // A cancelled dialog leaves the client's mailbox where it was: nothing
    // moves then.
    std::string now = TPLUtils::GetMailboxPath(pl_.HostWindow());
    if (!SameTextNoCase(now, WithBackslash(mailboxTextAtClose_))) mailboxTextAtClose_.clear();
    MailboxMove();
}

void TUserSwitch::MailboxMove() {
    std::string text = mailboxEdit_ && IsWindow(mailboxEdit_) ? TextOf(mailboxEdit_) : mailboxTextAtClose_;
    mailboxTextAtClose_.clear();
    const TStringLibrary& texts = pl_.Texts();
    TPLUtils* utils = pl_.Utils();
    TMerrowin* merrowin = pl_.Merrowin();
    if (!utils || !merrowin || !IsMailboxChange(text, mailboxTextAtOpen_, texts.Text(txt::DEF_PATH))) return;
    mailboxTextAtOpen_ = text;
    try {
        std::string path = text;
        if (!DirectoryExists(path)) {
            std::string question = std::string(texts.Text(txt::CREATE_PATH_BEG)) + path + texts.Text(txt::CREATE_PATH_END);
            if (!merrowin->Confirm(question) || !CreateDirectoryA(path.c_str(), nullptr)) {
                merrowin->Error(std::string(texts.Text(txt::NO_PATH_BEG)) + path + texts.Text(txt::NO_PATH_END));
                merrowin->ReleaseProc();
                return;
            }
        }
        path = WithBackslash(path);
        MoveUserFiles(utils->MailboxDir(), path);
        utils->FollowMailbox(path);
        RegisterUser(utils->InstallDir(), WindowsUser(), TPLUtils::GetPMUser(), path);
        RestartClient(TPLUtils::GetPMUser(), txt::CHANGE_PATH);
    } catch (...) {
        merrowin->ReleaseProc();
    }
}

bool TUserSwitch::MoveUserFiles(const std::string& from, const std::string& to) {
    if (from.empty() || SameTextNoCase(from, to)) return true;
    std::vector<std::string> names{kConfigFileName, kAutoListFileName};
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((from + "*.f??").c_str(), &fd));
    if (find) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPerUserFormFile(fd.cFileName))
                names.emplace_back(fd.cFileName);
        } while (FindNextFileA(find.get(), &fd));
    }
    bool all = true;
    for (const std::string& name : names) {
        std::string source = from + name, target = to + name;
        if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        // A file the user already keeps in the new directory stays as it
        // is, and so does the old one: nothing is overwritten or lost.
        if (!CopyFileA(source.c_str(), target.c_str(), TRUE)) {
            all = false;
            continue;
        }
        DeleteFileA(source.c_str());
    }
    return all;
}

bool TUserSwitch::CloseClientWindows() {
    if (pl_.Merrowin() && pl_.Merrowin()->MainWindow() && !CloseAndWait(pl_.Merrowin()->MainWindow())) return false;
    for (HWND editor : ChildrenOfClasses(pl_.MdiClient(), {host::kEditorClass}))
        if (!CloseAndWait(editor)) return false;
    for (HWND reader : ChildrenOfClasses(pl_.MdiClient(), {host::kReaderMdiClass, host::kReaderClass}))
        if (!CloseAndWait(reader)) return false;
    return true;
}

std::string TUserSwitch::RestartAbandonedText() const {
    // The question's first lines say what the user has to do instead.
    std::string text = pl_.Texts().Text(txt::CHANGE_PATH);
    size_t last = text.rfind("\r\n");
    return last == std::string::npos ? text : text.substr(0, last);
}

bool TUserSwitch::RestartClient(const std::string& user, int question) {
    TMerrowin* merrowin = pl_.Merrowin();
    if (!merrowin) return false;
    bool yes = merrowin->Confirm(pl_.Texts().Text(question));
    merrowin->ReleaseProc();
    if (!yes) return false;
    bool started = CloseClientWindows() && StartClientRestart(pl_.Utils()->InstallDir(), user);
    if (!started) {
        merrowin->Info(RestartAbandonedText());
        merrowin->ReleaseProc();
        return false;
    }
    PostMessageA(pl_.HostWindow(), WM_QUIT, 0, 0);
    return true;
}

void TUserSwitch::FindUserNameDialog() {
    HWND active = GetActiveWindow();
    if (!active || CaptionOf(active) != pl_.Texts().Text(txt::USER_NAME)) return;
    KillTimer(pl_.AutomationWindow(), kTimerUserName);
    HWND edit = FindChildWnd(active, "Edit", "");
    if (!edit) return;
    userNameEdit_ = edit;
    userNameEditProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassedUserNameEdit)));
}

LRESULT TUserSwitch::UserNameEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC previous = userNameEditProc_;
    if (msg == WM_DESTROY && wnd == userNameEdit_) {
        userNameGiven_ = TextOf(wnd);
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        userNameEdit_ = nullptr;
        userNameEditProc_ = nullptr;
        // Asked once the dialog is over.
        if (!userNameGiven_.empty()) PostMessageA(pl_.AutomationWindow(), kMsgUserNameGiven, 0, 0);
    }
    return previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

void TUserSwitch::OnUserNameGiven() {
    std::string user = std::move(userNameGiven_);
    userNameGiven_.clear();
    if (!user.empty()) RestartClient(user, txt::CHANGE_USER);
}

void TUserSwitch::RestoreEdits() {
    if (userNameEdit_ && userNameEditProc_ && IsWindow(userNameEdit_))
        SetWindowLongPtrA(userNameEdit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(userNameEditProc_));
    userNameEdit_ = nullptr;
    userNameEditProc_ = nullptr;
    if (mailboxEdit_ && mailboxEditProc_ && IsWindow(mailboxEdit_))
        SetWindowLongPtrA(mailboxEdit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mailboxEditProc_));
    mailboxEditProc_ = nullptr;
}

}  // namespace orv::automation
