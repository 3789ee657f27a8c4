#pragma once
// The host's controls that the automatic encryption on send works through:
// check boxes found by caption, the send control, the identity of the
// message, its default blind copies, and the send keystrokes.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "automation/auto_send_text.h"
#include "interfaces/host_messages.h"

namespace orv::automation {

// The first "BUTTON" descendant whose caption, its first "&" removed,
// contains the text; 0 when there is none.
HWND FindButtonWith(HWND parent, const std::string& text);
bool IsChecked(HWND button);

// The identity the editor sends with: the combo box after the label.
std::string EditorIdentity(HWND editor, const std::string& label);

// "Default BCC field" of the identity in "PMAIL.INI", trimmed.
std::string DefaultBcc(const std::string& mailboxDir, const std::string& identity, const std::string& defaultIdentity);

// The client's send keystrokes (Control+Enter, with the F9 F8 prefix on a
// repeated send) to the editor that has the send control; false when the
// editor has none.
bool PushSendKeys(HWND editor, const std::string& sendLabel, bool prefix);

class TPLData;

// The send check: one message's way from the client's send to its leaving,
// through the AutoList, the host's encryption dialog and the repeated send
// keystrokes, and the keys handed to the main library for it.
class TSendCheck {
public:
    explicit TSendCheck(TPLData& pl) : pl_(pl) {}
    TSendCheck(const TSendCheck&) = delete;
    TSendCheck& operator=(const TSendCheck&) = delete;

    // The client's send check: 0 lets the message go.
    LRESULT Check();
    // After the exit was cancelled the client's send is let go unchecked
    // for a moment.
    void SuppressSends();
    void EndSuppression() { sendSuppressed_ = 0; }
    // A menu command's mode (5 encrypt, 6 sign, 7 both) for the next send.
    void SetAutoMode(std::uint32_t mode) { AutoMode = mode; }
    // An editor opens or closes: nothing of an earlier send stays.
    void EditorOpened();
    void EditorClosing(HWND editor);
    void PushSendKeysNow();
    void ResendTimer();

    // The exchange with the main library.
    bool Cancelled() const { return SendCancelled != 0; }
    void EncodeFailed();
    void SetSignKey(const char* keyId) { lastKeyId_ = keyId; }
    const std::string& SignKey() const { return lastKeyId_; }
    void HandEntry(EntryRecord& record) const;
    void TakeNextEntry(const EntryRecord& record);
    void ForgetKeys();
    // The recipients of the last send that are not on the AutoList (CR LF).
    const std::string& Unlisted() const { return UnlistedRecipients; }

    // The host's encryption dialog.
    void EncryptionDialogOpened(HWND dialog);
    void FillEncryptionDialog();
    LRESULT EncDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT EncComboProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void RestoreEncryptionDialog();

    void FixUpMessageFile(const char* path);

private:
    enum class BoxStep { NotStarted, Started, ArmFailed };
    BoxStep EncryptionBoxStep();
    void AskMixedOptions(HWND editor);
    // EncDialogDone with the editor whose send set it.
    void SetEncDialogDone(bool done, HWND editor = nullptr);
    // An encoding the user or the list asked for cannot be armed (the named
    // control or choice is missing): the send stops and the user hears why.
    void TellArmingFailed(const std::string& missing);
    void TellSendStopped(const std::string& reason);
    bool WillBeEncoded() const;
    HWND ActiveMdiWindow() const;
    enum class ListLoad { Loaded, Absent, Unreadable };
    ListLoad LoadAutoList();
    std::string AutoListPath() const;
    TRecipientCheck NewRecipientCheck();
    void TakeRecipientCheck(const TRecipientCheck& check);
    std::string SendField(WPARAM field) const;
    int EvaluateRecipients();
    void MergeDefaultBcc();
    bool SetCheckBox(HWND parent, const std::string& caption, bool wanted);
    void CleanEncryptorCombo();
    void FirstDialogPaint();
    void EncryptionDialogClosing();

    TPLData& pl_;
    BYTE sendSuppressed_ = 0;
    BYTE SendCancelled = 0;
    BYTE ResendPushed = 0;
    std::uint32_t RecipientFlags = 0;
    std::uint32_t AutoMode = 0;
    std::string lastKeyId_;
    std::string LastKeys;
    std::string handedKeys_[2];
    std::string UnlistedRecipients;
    // slNames and slFlags: present only during one send check.
    std::unique_ptr<TAutoList> autoList_;
    BYTE EncDialogDone = 0;
    HWND encDialogEditor_ = nullptr;
    BYTE comboCleaned_ = 0;
    BYTE bccMerged_ = 0;
    BYTE encDialogCancelled_ = 0;
    BYTE encryptorChosen_ = 0;
    // The encryption dialog was cancelled for want of this control.
    std::string armingMissing_;
    HWND encDialog_ = nullptr;
    HWND encCombo_ = nullptr;
    WNDPROC encDialogProc_ = nullptr;
    WNDPROC encComboProc_ = nullptr;
};

}  // namespace orv::automation
