#pragma once
// TPLData: the automation plug-in's one object, from library load to unload.
// It owns the hidden automation window ("ORVAUTOCRYPT"), the two hooks on the
// client's user-interface thread, the lists of the client's editors and
// readers it subclassed, and the bridges to the main and string libraries.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/auto_send_text.h"
#include "automation/host_windows.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_utils.h"
#include "automation/string_library.h"
#include "automation/tter.h"
#include "automation/window_lists.h"

namespace orv::automation {

class TFrontendMenu;
class TSignatureView;
class TABK;

// The reader record: 14 bytes, allocated zeroed, freed with the reader.
#pragma pack(push, 1)
struct ReaderRecord {
    WNDPROC previousProc;
    BYTE rawView;
    BYTE openedFromFolder;
    std::int32_t iconWithoutHeader;
    std::int32_t iconWithHeader;
};
#pragma pack(pop)
static_assert(sizeof(ReaderRecord) == 14);

// Timers of the automation window.
enum TimerId : UINT_PTR {
    kTimerResend = 1,
    kTimerSendKeys = 2,
    kTimerSendSuppressed = 3,
    kTimerUserName = 4,
    kTimerCloseFrame = 5,
};

class TPLData {
public:
    TPLData();
    // The unload order: stored key strings, the host windows' procedures,
    // the lists, the utilities, the main library, the editor library.
    ~TPLData();
    TPLData(const TPLData&) = delete;
    TPLData& operator=(const TPLData&) = delete;

    // FORMINIT's steps 2-4: the automation window, or 0 after the box.
    HWND Attach(HWND hostWindow);

    LRESULT WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnCallWndProc(const CWPSTRUCT& cwp);
    void OnGetMessage(MSG& msg);
    LRESULT EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT ReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT ReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT UserNameEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT MailboxEditProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT EncDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT EncComboProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND AutomationWindow() const { return automationWindow_; }

    // The AutoList menu for the frontend menu: the worker and its popup
    // while the menu is open (nullptr when no worker may be built), and the
    // worker freed when the menu closes. The popup is the worker's: take it
    // out of the frontend menu before closing, so that it is destroyed once.
    HMENU OpenAutoListMenu();
    void CloseAutoListMenu();
    // The toolbar's way: a worker and its menu at the cursor.
    void ShowAutoListMenu();
    // Command k of the AutoList menu (identifier − 0x1000), with a worker of
    // its own.
    void RunAutoListMenuCommand(int k);
    // One address from a reader, and the entries of keys the user deleted.
    void AddAddressToAutoList(const std::string& text);
    void RemoveAutoListKeys(const std::string& ids);
    const TStringLibrary& Texts() const { return texts_; }

private:
    // The menu and the signature display work on the plug-in's state.
    friend class TFrontendMenu;
    friend class TSignatureView;

    // Creating the automation window (Part "Creating the automation window").
    HWND CreateAutomationWindow();
    bool CreateUtilities();
    void ReadOptions();
    void ShowStartFailure() const;

    // Messages of the automation window.
    void InstallHooks();
    void RemoveHooks();
    LRESULT OnTimer(UINT_PTR id);
    LRESULT OnNotify(WPARAM kind, LPARAM lp);
    LRESULT OnSessionClosed(WPARAM wp, LPARAM lp);
    LRESULT OnAutomationMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled);
    void OnDestroy();
    // The AutoList's upkeep (abk_hookup.cpp).
    std::unique_ptr<TABK> MakeABK(std::string input);
    int DefaultEntryOptions() const;
    bool OnAutoListCommand(WPARAM wp, LPARAM lp);
    LRESULT OnFormStart();
    void AddLastRecipients();

    // Call-window-procedure hook cases.
    void FrameMessage(const CWPSTRUCT& cwp);
    void OtherWindowMessage(const CWPSTRUCT& cwp);
    void OnWindowShown(HWND wnd);

    // Host dialogs announced by notification 25.
    void EditorOpened(HWND editorDialog);
    void ReaderOpened(HWND readerDialog);
    void MailboxDialogOpened(HWND dialog);
    void RecogniseMainLibraryWindow(HWND wnd);
    void FocusAfterMainLibrary();
    void ResetSignatureInfo();
    bool ReaderExists() const;
    bool MainWindowOpen() const { return merrowin_ && merrowin_->MainWindow(); }

    // Automatic encryption on send (auto_send.cpp).
    enum class BoxStep { NotStarted, Started, ArmFailed };
    LRESULT SendCheck();
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
    int ActiveEditorIndex() const;
    enum class ListLoad { Loaded, Absent, Unreadable };
    ListLoad LoadAutoList();
    std::string AutoListPath() const;
    TRecipientCheck NewRecipientCheck();
    void TakeRecipientCheck(const TRecipientCheck& check);
    std::string SendField(WPARAM field) const;
    int EvaluateRecipients();
    void MergeDefaultBcc();
    bool SetCheckBox(HWND parent, const std::string& caption, bool wanted);
    void EncryptionDialogOpened(HWND dialog);
    void RestoreEncryptionDialog();
    void CleanEncryptorCombo();
    void FirstDialogPaint();
    void FillEncryptionDialog();
    void EncryptionDialogClosing();
    void ResendTimer();
    void FixUpMessageFile(const char* path);

    // Restoring every window procedure the plug-in replaced.
    void RestoreEditor(int index);
    void RestoreReader(HWND readerMdi);
    void RestoreReaderDialog(HWND readerDialog);
    void RestoreAllSubclasses();

    // User switch, mailbox move and restart.
    void MailboxMove();
    bool MoveUserFiles(const std::string& from, const std::string& to);
    // Closes the main library window, the editors and the readers; false
    // when the user kept one of them open.
    bool CloseClientWindows();
    // Asks for the restart, closes the client's windows and starts the
    // launcher; true when the restart really started.
    bool RestartClient(const std::string& user, int question);
    void FindUserNameDialog();
    void OnUserNameGiven();
    void OnMailboxDialogClosed();
    std::string RestartAbandonedText() const;

    // Fields, in the roles of the plug-in object.
    BYTE exitRequested_ = 0;
    BYTE sendSuppressed_ = 0;
    BYTE SendCancelled = 0;
    BYTE readerIsMdi_ = 0;
    BYTE signatureInfoPending_ = 0;
    BYTE usePgpMime_ = 0;
    BYTE appendPgp_ = 0;
    BYTE fullAutomation_ = 0;
    BYTE FullAutoSigned = 0;
    BYTE AutoEnabled = 1;
    BYTE hideKeyDialog_ = 0;
    BYTE warnMixed_ = 1;
    BYTE armNextEditor_ = 0;
    std::uint32_t RecipientFlags = 0;
    std::int32_t signatureIconIndex_ = 0;
    HWND automationWindow_ = nullptr;
    HWND frame_ = nullptr;
    HWND mdiClient_ = nullptr;
    HWND hostWindow_ = nullptr;
    HHOOK callWndProcHook_ = nullptr;
    HHOOK getMessageHook_ = nullptr;
    HWND lastHovered_ = nullptr;
    HWND currentHovered_ = nullptr;
    BYTE languageMismatch_ = 0;
    BYTE addingRecipients_ = 0;
    BYTE ResendPushed = 0;
    BYTE viewerPending_ = 0;
    BYTE folderCommand_ = 0;
    WNDPROC userNameEditProc_ = nullptr;
    HWND userNameEdit_ = nullptr;
    TWindowList wlEditorFlags;
    TWindowList wlMDIEditor;
    TWindowList wlMDIReader;
    TWindowList wlReader;
    std::vector<HWND> lMDIWindowList;
    std::string lastRecipients_;
    std::string copiedText_;
    std::string signatureInfoText_;
    std::string lastKeyId_;
    std::string LastKeys;
    std::string handedKeys_[2];
    std::uint32_t AutoMode = 0;
    BYTE EncDialogDone = 0;
    HWND encDialogEditor_ = nullptr;
    BYTE comboCleaned_ = 0;
    BYTE bccMerged_ = 0;
    BYTE encDialogCancelled_ = 0;
    BYTE encryptorChosen_ = 0;
    // The encryption dialog was cancelled for want of this control.
    std::string armingMissing_;
    // slNames and slFlags: present only during one send check.
    std::unique_ptr<TAutoList> autoList_;
    HWND encDialog_ = nullptr;
    HWND encCombo_ = nullptr;
    WNDPROC encDialogProc_ = nullptr;
    WNDPROC encComboProc_ = nullptr;
    HWND mailboxEdit_ = nullptr;
    std::string mailboxTextAtOpen_;
    std::string mailboxTextAtClose_;
    WNDPROC mailboxEditProc_ = nullptr;
    std::string userNameGiven_;
    // The recipients of the last send that are not on the AutoList (CR LF).
    std::string UnlistedRecipients;
    BYTE upgradeTried_ = 0;
    std::unique_ptr<TABK> ABK;

    std::unique_ptr<TTER> TER;
    std::unique_ptr<TSignatureView> signatureView_;
    std::unique_ptr<TFrontendMenu> frontend_;
    std::unique_ptr<TMerrowin> merrowin_;
    std::unique_ptr<TPLUtils> PLUtils;
    TStringLibrary texts_;
};

// The one plug-in object, or nullptr outside load and unload.
TPLData* PLData();
void CreatePLData(HINSTANCE instance);
void DestroyPLData();

constexpr const char* kAutomationCaption = "AUTOCRYPT";
// Posted to the automation window once a watched host dialog has closed.
constexpr UINT kMsgUserNameGiven = WM_APP + 1;
constexpr UINT kMsgMailboxDialogClosed = WM_APP + 2;
// Posted at the host encryption dialog's first paint: fill it afterwards.
constexpr UINT kMsgFillEncryptionDialog = WM_APP + 3;

}  // namespace orv::automation
