// The plug-in object's life, FORMINIT's window and the automation window's
// message table.
#include "automation/pl_data.h"

#include <cstring>

#include "automation/menu.h"
#include "automation/message_files.h"
#include "automation/pl_text.h"
#include "automation/signature_view.h"
#include "formats/config_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

TPLData* g_plData = nullptr;

static_assert(orv::automation::kUserMessage == WM_USER);

constexpr const char* kStartBoxTitle = "KVSEC";
constexpr const char* kFatalText = "FATAL ERROR!";

LRESULT CALLBACK AutomationWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return data->WndProc(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The hooks' answers do not change what the client's windows receive, apart
// from the messages the get-message hook neutralises in place.
LRESULT CALLBACK CallWndProcHook(int code, WPARAM wp, LPARAM lp) noexcept {
    TPLData* data = PLData();
    if (code < 0 || !data) return CallNextHookEx(nullptr, code, wp, lp);
    try {
        data->OnCallWndProc(*reinterpret_cast<CWPSTRUCT*>(lp));
    } catch (...) {
    }
    CallNextHookEx(nullptr, code, wp, lp);
    return 0;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp) noexcept {
    TPLData* data = PLData();
    if (code >= 0 && data && wp == PM_REMOVE) {
        try {
            data->OnGetMessage(*reinterpret_cast<MSG*>(lp));
        } catch (...) {
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}


}  // namespace

TPLData* PLData() { return g_plData; }

void CreatePLData(HINSTANCE instance) {
    SetPluginInstance(instance);
    WNDCLASSA wc{};
    wc.lpfnWndProc = AutomationWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = orv::automation::kWindowClass;
    RegisterClassA(&wc);
    g_plData = new TPLData;
}

void DestroyPLData() {
    // The automation window goes first, so that the class can be unregistered.
    TPLData* data = g_plData;
    if (data && data->AutomationWindow() && IsWindow(data->AutomationWindow()))
        DestroyWindow(data->AutomationWindow());
    UnregisterClassA(orv::automation::kWindowClass, PluginInstance());
    g_plData = nullptr;
    delete data;
}

TPLData::TPLData() = default;

TPLData::~TPLData() {
    autoListHookup_.CloseMenu();
    sending_.ForgetKeys();
    frontend_.reset();
    signatureView_.reset();
    RemoveHooks();
    RestoreAllSubclasses();
    hosts_.MdiWindows().clear();
    PLUtils.reset();
    merrowin_.reset();
    TER.reset();
    texts_.Unload();
}

HWND TPLData::Attach(HWND hostWindow) {
    // One automation window per client: its hooks and lists are this
    // object's.
    if (automationWindow_ && IsWindow(automationWindow_)) return automationWindow_;
    hostWindow_ = hostWindow;
    HWND wnd = CreateAutomationWindow();
    if (!wnd) ShowStartFailure();
    return wnd;
}

void TPLData::ShowStartFailure() const {
    const char* warn = texts_.Text(txt::LANG_WARN);
    if (languageMismatch_ && *warn) {
        MessageBeep(MB_ICONWARNING);
        MessageBoxA(nullptr, warn, kStartBoxTitle, MB_OK | MB_ICONWARNING);
    } else {
        MessageBeep(MB_ICONERROR);
        MessageBoxA(nullptr, kFatalText, kStartBoxTitle, MB_OK | MB_ICONERROR);
    }
}

HWND TPLData::CreateAutomationWindow() {
    languageMismatch_ = 0;
    automationWindow_ = CreateWindowExA(0, orv::automation::kWindowClass, kAutomationCaption, WS_CHILD, 0, 0, 0, 0,
                                        hostWindow_, nullptr, PluginInstance(), nullptr);
    if (!automationWindow_) return nullptr;
    bool ok = false;
    try {
        ok = CreateUtilities();
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        DestroyWindow(automationWindow_);
        automationWindow_ = nullptr;
    }
    return automationWindow_;
}

bool TPLData::CreateUtilities() {
    frame_ = reinterpret_cast<HWND>(SendMessageA(hostWindow_, host::kHostGetWindow, host::kWindowFrame, 0));
    // The system names the class "MDIClient"; the client may write it otherwise.
    mdiClient_ = frame_ ? FindChildWnd(frame_, host::kMdiClientClass, "") : nullptr;
    PLUtils = std::make_unique<TPLUtils>(hostWindow_);
    switch (texts_.Bind(*PLUtils)) {
    case TStringLibrary::Bound::Ok: break;
    case TStringLibrary::Bound::LanguageMismatch: languageMismatch_ = 1; return false;
    case TStringLibrary::Bound::Unavailable: return false;
    }
    ReadOptions();
    hosts_.Clear();
    merrowin_ = std::make_unique<TMerrowin>(*PLUtils);
    TER = std::make_unique<TTER>();
    if (!merrowin_->Initialize(hostWindow_, frame_, automationWindow_, mdiClient_)) return false;
    TER->Initialize(PLUtils->ProgramDir());
    signatureView_ = std::make_unique<TSignatureView>(*this);
    frontend_ = std::make_unique<TFrontendMenu>(*this);
    frontend_->Attach();
    return true;
}

void TPLData::ReadOptions() {
    const TConfigFile cfg(PLUtils->ConfigFile());
    options_.usePgpMime = cfg.ReadFlag(Cfg::PGPMime);
    options_.appendPgp = cfg.ReadFlag(Cfg::PGPExt);
    options_.fullAutomation = cfg.ReadFlag(Cfg::FullAuto);
    options_.FullAutoSigned = options_.fullAutomation && cfg.ReadFlag(Cfg::FullAutoSigned);
    options_.AutoEnabled = cfg.ReadFlag(Cfg::Auto);
    options_.hideKeyDialog = cfg.ReadFlag(Cfg::Hide);
    options_.warnMixed = cfg.ReadFlag(Cfg::MixedWarn);
}

void TPLData::InstallHooks() {
    DWORD thread = GetCurrentThreadId();
    callWndProcHook_ = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcHook, nullptr, thread);
    getMessageHook_ = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, thread);
}

void TPLData::RemoveHooks() {
    if (callWndProcHook_) UnhookWindowsHookEx(callWndProcHook_);
    if (getMessageHook_) UnhookWindowsHookEx(getMessageHook_);
    callWndProcHook_ = nullptr;
    getMessageHook_ = nullptr;
}

LRESULT TPLData::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        automationWindow_ = wnd;
        InstallHooks();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_TIMER: return OnTimer(wp);
    case WM_COMMAND:
        if (autoListHookup_.OnCommand(wp, lp)) return 0;
        if (frontend_) frontend_->OnCommand(wp, lp);
        return 0;
    case WM_MENUSELECT:
        if (frontend_) frontend_->OnMenuSelect(wp, lp);
        return 0;
    case WM_HELP:
        if (frontend_ && lp) frontend_->OnHelp(*reinterpret_cast<const HELPINFO*>(lp));
        return TRUE;
    case orv::automation::AM_SESSIONCLOSED: return OnSessionClosed(wp, lp);
    case host::kFormMsgStart: return autoListHookup_.OnFormStart();
    case host::kFormMsgSendCheck: return sending_.Check();
    case host::kFormMsgNotify: return OnNotify(wp, lp);
    case kMsgUserNameGiven: users_.OnUserNameGiven(); return 0;
    case kMsgMailboxDialogClosed: users_.OnMailboxDialogClosed(); return 0;
    case kMsgFillEncryptionDialog: sending_.FillEncryptionDialog(); return 0;
    default: break;
    }
    bool handled = false;
    LRESULT result = OnAutomationMessage(msg, wp, lp, &handled);
    if (handled) return result;
    if ((msg >= host::kFormMsgFirst && msg <= host::kFormMsgLast) ||
        (msg >= host::kHostMsgFirst && msg <= host::kHostMsgLast)) {
        return hostWindow_ && IsWindow(hostWindow_) ? SendMessageA(hostWindow_, msg, wp, lp) : 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TPLData::OnAutomationMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
    *handled = true;
    switch (msg) {
    case orv::automation::AM_COPIEDTEXT:
        return copiedText_.empty() ? 0 : reinterpret_cast<LRESULT>(copiedText_.c_str());
    case orv::automation::AM_ADDTOLIST:
        autoListHookup_.SetLastRecipients(reinterpret_cast<const char*>(lp));
        return 0;
    case orv::automation::AM_OPTIONS:
        options_.AutoEnabled = (wp & orv::automation::kOptionAutoEncryption) != 0;
        options_.hideKeyDialog = (wp & orv::automation::kOptionHideKeyDialog) != 0;
        options_.warnMixed = (wp & orv::automation::kOptionWarnMixed) != 0;
        if (!(wp & orv::automation::kOptionCacheKept) && frontend_) frontend_->SetWipeEnabled(false);
        return 0;
    case orv::automation::AM_SIGNKEY:
        if (!lp) return 0;
        if (wp) {
            sending_.SetSignKey(reinterpret_cast<const char*>(lp));
        } else {
            char* out = reinterpret_cast<char*>(lp);
            const std::string& keyId = sending_.SignKey();
            size_t n = std::min(keyId.size(), orv::automation::kSignKeyChars);
            std::memcpy(out, keyId.data(), n);
            out[n] = '\0';
        }
        return 0;
    case orv::automation::AM_GETENTRY: {
        auto* record = reinterpret_cast<orv::automation::EntryRecord*>(lp);
        if (!record) return 0;
        sending_.HandEntry(*record);
        record->pgpMimeWanted = hosts_.PgpMimeWanted(ActiveMdiChild(Windows()));
        return 0;
    }
    case orv::automation::AM_NEXTENTRY: {
        auto* record = reinterpret_cast<const orv::automation::EntryRecord*>(lp);
        if (record) sending_.TakeNextEntry(*record);
        return 1;
    }
    case orv::automation::AM_SENDCANCELLED: return sending_.Cancelled() ? 1 : 0;
    case orv::automation::AM_ENCODEFAILED: sending_.EncodeFailed(); return 0;
    case orv::automation::AM_DECODED: hosts_.SignatureDecoded(wp, reinterpret_cast<const char*>(lp)); return 0;
    case orv::automation::AM_CACHESTATE:
        if (wp == 0 && hostWindow_)
            SendMessageA(hostWindow_, host::kHostStatusLine, host::kStatusProgress,
                         reinterpret_cast<LPARAM>(texts_.Text(txt::WIPE_SUCCESS)));
        if (frontend_) frontend_->SetWipeEnabled(wp != 0);
        return 0;
    default: *handled = false; return 0;
    }
}

LRESULT TPLData::OnSessionClosed(WPARAM wp, LPARAM lp) {
    if (merrowin_) merrowin_->ReleaseProc();
    if (frontend_) frontend_->EnableFrontend();
    armNextEditor_ = lp != 0;
    if (wp && mdiClient_) {
        if (HWND queue = FindDescendant(mdiClient_, host::kQueueManagerClass))
            PostMessageA(queue, host::kQueueRefresh, 0, 0);
    }
    autoListHookup_.AddLastRecipients();
    hosts_.FocusAfterMainLibrary();
    return 0;
}

LRESULT TPLData::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerSendSuppressed:
        KillTimer(automationWindow_, id);
        sending_.EndSuppression();
        break;
    case kTimerResend: sending_.ResendTimer(); break;
    case kTimerSendKeys: sending_.PushSendKeysNow(); break;
    case kTimerUserName: users_.FindUserNameDialog(); break;
    case kTimerCloseFrame:
        if (MainWindowOpen()) break;
        KillTimer(automationWindow_, id);
        if (frame_ && IsWindow(frame_)) PostMessageA(frame_, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    default: KillTimer(automationWindow_, id); break;
    }
    return 0;
}

LRESULT TPLData::OnNotify(WPARAM kind, LPARAM lp) {
    switch (kind) {
    case host::kNotifyClosing: {
        int kept = PLUtils ? DeleteBlankMessageFiles(PLUtils->MailboxDir()) : -1;
        // Held only to close again after the deletion: a close that did not
        // come through the exit command goes on at once.
        if (kept == 0 && exitRequested_) {
            if (frame_) PostMessageA(frame_, WM_COMMAND, host::kCmdExitCheck, 0);
            return host::kSendCheckStop;
        }
        return 0;
    }
    case host::kNotifyUnloading: {
        const char* path = reinterpret_cast<const char*>(lp);
        if (path && merrowin_ && SameTextNoCase(path, merrowin_->LibraryPath())) merrowin_->CloseMainWindow();
        return 0;
    }
    case host::kNotifyFormOpened: hosts_.RecogniseMainLibraryWindow(reinterpret_cast<HWND>(lp)); return 0;
    case host::kNotifyDialogOpened: {
        auto* notice = reinterpret_cast<const host::DialogNotice*>(lp);
        if (!notice) return 0;
        TPLUtils::ProcessMessages();
        switch (notice->Kind) {
        case host::kDialogEditor: hosts_.EditorOpened(notice->Window); break;
        case host::kDialogReader:
        case host::kDialogReaderAlt: hosts_.ReaderOpened(notice->Window); break;
        case host::kDialogMailboxDir: users_.MailboxDialogOpened(notice->Window); break;
        case host::kDialogEncryption: sending_.EncryptionDialogOpened(notice->Window); break;
        default: break;
        }
        return 0;
    }
    case host::kNotifyFileWritten: {
        auto* notice = reinterpret_cast<const host::FileNotice*>(lp);
        if (notice) sending_.FixUpMessageFile(notice->FileName);
        return 0;
    }
    default: return 0;
    }
}

void TPLData::OnDestroy() {
    try {
        users_.MailboxMove();
    } catch (...) {
    }
    RemoveHooks();
    RestoreAllSubclasses();
    for (UINT_PTR id = kTimerResend; id <= kTimerCloseFrame; ++id) KillTimer(automationWindow_, id);
    automationWindow_ = nullptr;
}

void TPLData::RestoreAllSubclasses() {
    hosts_.RestoreAll();
    sending_.RestoreEncryptionDialog();
    users_.RestoreEdits();
}

}  // namespace orv::automation
