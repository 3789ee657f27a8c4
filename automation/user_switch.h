#pragma once
// The user switch: the client's mailbox-directory and user-name dialogs
// watched, the per-user files moved, and the client restarted through the
// launcher.

#include <windows.h>

#include <string>

namespace orv::automation {

class TPLData;

class TUserSwitch {
public:
    explicit TUserSwitch(TPLData& pl) : pl_(pl) {}
    TUserSwitch(const TUserSwitch&) = delete;
    TUserSwitch& operator=(const TUserSwitch&) = delete;

    void MailboxDialogOpened(HWND dialog);
    LRESULT MailboxEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnMailboxDialogClosed();
    // The mailbox directory the user gave, if it changed: files moved,
    // user registered, restart offered.
    void MailboxMove();
    void FindUserNameDialog();
    LRESULT UserNameEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnUserNameGiven();
    // The watched edit controls get their own procedures back.
    void RestoreEdits();

private:
    bool MoveUserFiles(const std::string& from, const std::string& to);
    // Closes the main library window, the editors and the readers; false
    // when the user kept one of them open.
    bool CloseClientWindows();
    // Asks for the restart, closes the client's windows and starts the
    // launcher; true when the restart really started.
    bool RestartClient(const std::string& user, int question);
    std::string RestartAbandonedText() const;

    TPLData& pl_;
    HWND userNameEdit_ = nullptr;
    WNDPROC userNameEditProc_ = nullptr;
    std::string userNameGiven_;
    HWND mailboxEdit_ = nullptr;
    WNDPROC mailboxEditProc_ = nullptr;
    std::string mailboxTextAtOpen_;
    std::string mailboxTextAtClose_;
};

}  // namespace orv::automation
