#pragma once
// TPLData: the automation plug-in's one object, from library load to unload.
// It owns the hidden automation window ("ORVAUTOCRYPT"), the two hooks on the
// client's user-interface thread, the bridges to the main and string
// libraries, and the roles that work through them: the host tracker, the
// send check, the user switch and the AutoList hook-up.

#include <windows.h>

#include <memory>
#include <string>

#include "automation/abk_hookup.h"
#include "automation/auto_send.h"
#include "automation/host_tracking.h"
#include "automation/host_windows.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_utils.h"
#include "automation/string_library.h"
#include "automation/tter.h"
#include "automation/user_switch.h"

namespace orv::automation {

class TFrontendMenu;
class TSignatureView;

// Timers of the automation window.
enum TimerId : UINT_PTR {
    kTimerResend = 1,
    kTimerSendKeys = 2,
    kTimerSendSuppressed = 3,
    kTimerUserName = 4,
    kTimerCloseFrame = 5,
};

// The options of "Merrowin.cfg" the plug-in acts on; the menu and the main
// library change them while the client runs.
struct TAutomationOptions {
    BYTE usePgpMime = 0;
    BYTE appendPgp = 0;
    BYTE fullAutomation = 0;
    BYTE FullAutoSigned = 0;
    BYTE AutoEnabled = 1;
    BYTE hideKeyDialog = 0;
    BYTE warnMixed = 1;
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

    // What the roles, the menu and the signature display work with.
    HWND AutomationWindow() const { return automationWindow_; }
    HWND HostWindow() const { return hostWindow_; }
    HWND Frame() const { return frame_; }
    HWND MdiClient() const { return mdiClient_; }
    HostWindows Windows() const { return {hostWindow_, mdiClient_}; }
    TMerrowin* Merrowin() const { return merrowin_.get(); }
    TPLUtils* Utils() const { return PLUtils.get(); }
    TTER* EditorLibrary() const { return TER.get(); }
    const TStringLibrary& Texts() const { return texts_; }
    TAutomationOptions& Options() { return options_; }
    bool MainWindowOpen() const { return merrowin_ && merrowin_->MainWindow(); }
    // A session closed with the wish to arm the next editor for PGP/MIME.
    bool ArmNextEditor() const { return armNextEditor_ != 0; }
    // The text handed to the main library on AM_COPIEDTEXT.
    void SetCopiedText(std::string text) { copiedText_ = std::move(text); }
    const std::string& CopiedText() const { return copiedText_; }

    THostTracker& Hosts() { return hosts_; }
    TSendCheck& Sending() { return sending_; }
    TUserSwitch& Users() { return users_; }
    TAutoListHookup& AutoList() { return autoListHookup_; }
    TSignatureView* SignatureView() const { return signatureView_.get(); }

private:
    // Creating the automation window.
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
    void RestoreAllSubclasses();

    // Call-window-procedure hook cases.
    void FrameMessage(const CWPSTRUCT& cwp);
    void OtherWindowMessage(const CWPSTRUCT& cwp);
    void OnWindowShown(HWND wnd);
    // The exit commands of the frame; false for any other command.
    bool OnExitCommand(WORD id);

    // Get-message hook cases.
    bool HoldClientClose(MSG& msg);
    bool OnInputMessage(MSG& msg);
    bool OnMenuCommand(MSG& msg, bool toFrame);
    void OnFrameCommand(WORD id);
    void MainWindowKeys(MSG& msg);

    BYTE exitRequested_ = 0;
    BYTE languageMismatch_ = 0;
    BYTE armNextEditor_ = 0;
    HWND automationWindow_ = nullptr;
    HWND frame_ = nullptr;
    HWND mdiClient_ = nullptr;
    HWND hostWindow_ = nullptr;
    HHOOK callWndProcHook_ = nullptr;
    HHOOK getMessageHook_ = nullptr;
    std::string copiedText_;
    TAutomationOptions options_;

    THostTracker hosts_{*this};
    TSendCheck sending_{*this};
    TUserSwitch users_{*this};
    TAutoListHookup autoListHookup_{*this};

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
