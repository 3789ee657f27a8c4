// The automatic encryption on send: the send check, the encryption-box step,
// the host's encryption dialog filled and confirmed, the send repeated with
// the client's keystrokes, the keys handed to the main library with the
// default blind copies merged, and the header fix-up of written files.
#include "automation/auto_send.h"

#include <vector>

#include "automation/auto_send_text.h"
#include "automation/autolist_upkeep.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "base/installation.h"
#include "base/whole_file.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

constexpr const char* kOkCaption = "OK";
constexpr int kAnswerCancel = IDCANCEL;
constexpr int kAnswerYes = IDYES;
constexpr UINT kResendDelayMs = 500;

BOOL CALLBACK Collect(HWND wnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
    return TRUE;
}

std::vector<HWND> DescendantsOf(HWND parent) {
    std::vector<HWND> out;
    if (parent) EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND FindOfClassWith(HWND parent, const char* cls, const std::string& text) {
    for (HWND wnd : DescendantsOf(parent))
        if (SameTextNoCase(ClassOf(wnd), cls) && DelAmp(CaptionOf(wnd)).find(text) != std::string::npos) return wnd;
    return nullptr;
}

// The control whose whole caption is the text: the editor's "Send" control,
// not a label that merely holds the word, such as "Send replies to:".
HWND FindOfClassNamed(HWND parent, const char* cls, const std::string& text) {
    for (HWND wnd : DescendantsOf(parent))
        if (SameTextNoCase(ClassOf(wnd), cls) && SameTextNoCase(Trim(DelAmp(CaptionOf(wnd))), text)) return wnd;
    return nullptr;
}

void KeyEvent(BYTE vk, bool up) {
    keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), up ? KEYEVENTF_KEYUP : 0, 0);
}

LRESULT CALLBACK SubclassedEncDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return data->Sending().EncDialogProc(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK SubclassedEncComboProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return data->Sending().EncComboProc(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

WNDPROC Replace(HWND wnd, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

}  // namespace

HWND FindButtonWith(HWND parent, const std::string& text) { return FindOfClassWith(parent, "BUTTON", text); }

bool IsChecked(HWND button) { return button && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string EditorIdentity(HWND editor, const std::string& label) {
    for (HWND wnd : DescendantsOf(editor)) {
        if (!SameTextNoCase(ClassOf(wnd), "COMBOBOX")) continue;
        HWND previous = GetWindow(wnd, GW_HWNDPREV);
        if (previous && DelAmp(std::string(Trim(CaptionOf(previous)))) == label) return CaptionOf(wnd);
    }
    return {};
}

std::string DefaultBcc(const std::string& mailboxDir, const std::string& identity, const std::string& defaultIdentity) {
    const std::string section = SameTextNoCase(identity, defaultIdentity)
                                    ? std::string(host::kIniSectionMain)
                                    : std::string(host::kIniSectionIdentityPrefix) + identity;
    char value[1024] = {};
    GetPrivateProfileStringA(section.c_str(), host::kIniKeyDefaultBcc, "", value, sizeof value,
                             (mailboxDir + host::kPmailIni).c_str());
    return std::string(Trim(value));
}

bool PushSendKeys(HWND editor, const std::string& sendLabel, bool prefix) {
    if (!editor || sendLabel.empty() || !FindOfClassNamed(editor, "STATIC", sendLabel)) return false;
    if (prefix) {
        KeyEvent(VK_F9, false);
        KeyEvent(VK_F9, true);
        KeyEvent(VK_F8, false);
        KeyEvent(VK_F8, true);
    }
    KeyEvent(VK_CONTROL, false);
    KeyEvent(VK_RETURN, false);
    KeyEvent(VK_RETURN, true);
    KeyEvent(VK_CONTROL, true);
    return true;
}

// ---- The send check -------------------------------------------------------

void TSendCheck::SuppressSends() {
    sendSuppressed_ = 1;
    SetTimer(pl_.AutomationWindow(), kTimerSendSuppressed, 500, nullptr);
}

void TSendCheck::EditorOpened() {
    lastKeyId_.clear();
    AutoMode = 0;
}

void TSendCheck::EditorClosing(HWND editor) {
    lastKeyId_.clear();
    AutoMode = 0;
    if (editor == encDialogEditor_) SetEncDialogDone(false);
}

void TSendCheck::PushSendKeysNow() {
    KillTimer(pl_.AutomationWindow(), kTimerSendKeys);
    PushSendKeys(ActiveMdiWindow(), pl_.Texts().Text(txt::SEND_LBL), false);
}

void TSendCheck::EncodeFailed() {
    AutoMode = 0;
    SendCancelled = 1;
}

void TSendCheck::HandEntry(EntryRecord& record) const {
    record.entry = handedKeys_[0].c_str();
    record.firstItem = handedKeys_[1].c_str();
    // Set only when the list chose this send's options itself.
    record.automatic = AutoMode == 4;
}

void TSendCheck::TakeNextEntry(const EntryRecord& record) {
    handedKeys_[0] = record.entry ? record.entry : "";
    handedKeys_[1] = record.firstItem ? record.firstItem : "";
}

void TSendCheck::ForgetKeys() {
    LastKeys.clear();
    handedKeys_[0].clear();
    handedKeys_[1].clear();
}

LRESULT TSendCheck::Check() {
    if (sendSuppressed_) return 0;
    SendCancelled = 0;
    // The filled dialog speaks for the send of its own editor only: any
    // other editor's send is checked against the list afresh.
    if (EncDialogDone && encDialogEditor_ != ActiveMdiWindow()) SetEncDialogDone(false);
    bool passOn = (!pl_.Options().AutoEnabled && AutoMode < 5) || EncDialogDone;
    if (passOn && EncDialogDone && AutoMode > 3 && !WillBeEncoded()) {
        // The dialog was filled for an encoding the client will not do.
        TellArmingFailed(pl_.Texts().Text(txt::ENC_BOX));
        return host::kSendCheckStop;
    }
    if (!passOn) {
        switch (EncryptionBoxStep()) {
        case BoxStep::Started: return host::kSendCheckStop;
        case BoxStep::ArmFailed: TellArmingFailed(pl_.Texts().Text(txt::ENC_BOX)); return host::kSendCheckStop;
        case BoxStep::NotStarted: break;
        }
    }
    if (WillBeEncoded()) {
        if (!ResendPushed) {
            SetTimer(pl_.AutomationWindow(), kTimerResend, kResendDelayMs, nullptr);
            return host::kSendCheckStop;
        }
        if (pl_.Options().AutoEnabled && !bccMerged_) {
            if (!LastKeys.empty()) MergeDefaultBcc();
            if (SendCancelled) {
                // The key choice for a blind copy was cancelled.
                SetEncDialogDone(false);
                autoList_.reset();
                return host::kSendCheckStop;
            }
            handedKeys_[0] = LastKeys;
            handedKeys_[1].clear();
        }
    }
    SetEncDialogDone(false);
    autoList_.reset();
    return 0;
}

void TSendCheck::SetEncDialogDone(bool done, HWND editor) {
    EncDialogDone = done ? 1 : 0;
    encDialogEditor_ = done ? editor : nullptr;
}

bool TSendCheck::WillBeEncoded() const {
    auto* flag = reinterpret_cast<const BYTE*>(
        SendMessageA(pl_.HostWindow(), host::kHostGetSendField, host::kSendFieldEncodeFlag, 0));
    return flag && *flag;
}

HWND TSendCheck::ActiveMdiWindow() const {
    return reinterpret_cast<HWND>(SendMessageA(pl_.HostWindow(), host::kHostGetWindow, host::kWindowActiveMdi, 0));
}

TSendCheck::BoxStep TSendCheck::EncryptionBoxStep() {
    const int e = pl_.Hosts().ActiveEditorIndex();
    // The sending editor, taken now: while the mixed-options question was
    // open the question's form was the active MDI window.
    HWND editor = ActiveMdiWindow();
    const bool fresh = e >= 0 && ((pl_.Hosts().EditorFlags().Object(e) >> 8) & 0xFF) == 0;
    if (fresh || AutoMode == 2 || AutoMode > 4) {
        SendCancelled = 0;
        UnlistedRecipients.clear();
        LastKeys.clear();
        handedKeys_[0].clear();
        handedKeys_[1].clear();
        if (LoadAutoList() == ListLoad::Unreadable) {
            // Whom the list names is unknown: nothing may leave as written.
            TellSendStopped(std::string(pl_.Texts().Text(txt::READ_ERROR)) + ": " + AutoListPath());
            return BoxStep::Started;
        }
        const int c = EvaluateRecipients();
        if (c != 0) {
            if (SendCancelled) AutoMode = 0;
            if (AutoMode == 2) AutoMode = 1;
            if (AutoMode == 0 && c > 1) AutoMode = 4;
            if (pl_.Options().warnMixed &&
                ((c == 3 && AutoMode > 3 && AutoMode != 6) || (AutoMode == 4 && RecipientFlags == 3)))
                AskMixedOptions(editor);
        } else if (AutoMode < 5 || SendCancelled) {
            // A command of the user (5 to 7) stands without a list or a
            // listed recipient: the message is encoded as asked, never sent
            // as it was. Cancel in the key choice keeps the message, also
            // after a command.
            AutoMode = 0;
            autoList_.reset();
        }
        if (pl_.Merrowin()) pl_.Merrowin()->ReleaseProc();
        // The question's host form can stay the active MDI window a moment
        // after it closed: the sending editor is made active again, so that
        // the client's dialog and the repeated send are its own.
        if (editor && IsWindow(editor) && ActiveMdiWindow() != editor)
            SendMessageA(pl_.Windows().mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(editor), 0);
        if (AutoMode > 2) {
            return SetCheckBox(editor, pl_.Texts().Text(txt::ENC_BOX), true) ? BoxStep::Started : BoxStep::ArmFailed;
        }
    }
    if (SendCancelled) {
        if (e >= 0) pl_.Hosts().EditorFlags().SetObject(e, 0);
        AutoMode = 0;
        autoList_.reset();
        return BoxStep::Started;
    }
    return BoxStep::NotStarted;
}

void TSendCheck::AskMixedOptions(HWND editor) {
    const int answer = pl_.Merrowin() ? pl_.Merrowin()->ConfCanc(pl_.Texts().Text(txt::CONF_SEL)) : kAnswerCancel;
    if (answer == kAnswerCancel) {
        AutoMode = 0;
        SendCancelled = 1;
    } else if (answer == kAnswerYes) {
        if (AutoMode == 4) {
            AutoMode = 0;
        } else if (AutoMode == 5) {
            AutoMode = 0;
            SetEncDialogDone(true, editor);
            SetTimer(pl_.AutomationWindow(), kTimerResend, kResendDelayMs, nullptr);
        } else if (AutoMode == 7) {
            AutoMode = 6;
        }
    }
}

void TSendCheck::TellArmingFailed(const std::string& missing) {
    // What was asked: by the menu command, or by the listed recipients.
    const bool sign = AutoMode == 6 || AutoMode == 7 || (AutoMode < 5 && (RecipientFlags & 2));
    const bool encrypt = AutoMode == 5 || AutoMode == 7 || (AutoMode < 5 && (RecipientFlags & 1)) || !sign;
    const int asked = encrypt && sign ? txt::E_S_ID : sign ? txt::SIG_ID : txt::ENC_ID;
    TellSendStopped(std::string(pl_.Texts().Text(asked)) + " - \"" + missing + "\" " + pl_.Texts().Text(txt::_MISS));
}

void TSendCheck::TellSendStopped(const std::string& reason) {
    AutoMode = 0;
    SendCancelled = 1;
    SetEncDialogDone(false);
    autoList_.reset();
    if (pl_.Merrowin()) {
        const TStringLibrary& texts = pl_.Texts();
        pl_.Merrowin()->Error(std::string(texts.Text(txt::_SEND)) + " " + texts.Text(txt::_CANCELLED) + ":\r\n" + reason);
        pl_.Merrowin()->ReleaseProc();
    }
}

// ---- Recipients -------------------------------------------------------------

std::string TSendCheck::AutoListPath() const {
    return pl_.Utils() ? pl_.Utils()->MailboxDir() + kAutoListFileName : std::string();
}

TSendCheck::ListLoad TSendCheck::LoadAutoList() {
    autoList_.reset();
    const std::string path = AutoListPath();
    if (path.empty() || !FileExists(path)) return ListLoad::Absent;
    std::string text;
    if (!ReadWholeFile(path, text)) return ListLoad::Unreadable;
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    autoList_ = std::make_unique<TAutoList>(ParseAutoList(text));
    return ListLoad::Loaded;
}

TRecipientCheck TSendCheck::NewRecipientCheck() {
    TRecipientCheck check;
    check.list = autoList_.get();
    check.autoMode = AutoMode;
    const int e = pl_.Hosts().ActiveEditorIndex();
    const bool confirmedSignOnly = e >= 0 && (pl_.Hosts().EditorFlags().Object(e) & 0xFF) != 0;
    check.resolveDuplicates = pl_.Options().hideKeyDialog && AutoMode != 6 && !confirmedSignOnly;
    check.keySelect = [this](const std::string& item, const std::string& candidates) {
        return pl_.Merrowin() ? pl_.Merrowin()->KeySelect(item, candidates) : -1;
    };
    check.lastKeys = LastKeys;
    check.unlisted = UnlistedRecipients;
    check.recipientFlags = RecipientFlags;
    check.sendCancelled = SendCancelled != 0;
    return check;
}

void TSendCheck::TakeRecipientCheck(const TRecipientCheck& check) {
    LastKeys = check.lastKeys;
    UnlistedRecipients = check.unlisted;
    RecipientFlags = check.recipientFlags;
    SendCancelled = check.sendCancelled ? 1 : 0;
}

std::string TSendCheck::SendField(WPARAM field) const {
    auto* text = reinterpret_cast<const char*>(SendMessageA(pl_.HostWindow(), host::kHostGetSendField, field, 0));
    return text ? std::string(text) : std::string();
}

int TSendCheck::EvaluateRecipients() {
    RecipientFlags = 0;
    TRecipientCheck check = NewRecipientCheck();
    int r = CheckAddressText(SendField(host::kSendFieldTo), check);
    // Listed copy recipients count whatever the To field gave.
    if (!check.sendCancelled) {
        std::string more(Trim(SendField(host::kSendFieldCc)));
        const std::string bcc(Trim(SendField(host::kSendFieldBcc)));
        if (!more.empty() && !bcc.empty()) more += ",";
        more += bcc;
        if (!more.empty()) r |= CheckAddressText(more, check);
    }
    TakeRecipientCheck(check);
    return SendCancelled ? 0 : r;
}

void TSendCheck::MergeDefaultBcc() {
    bccMerged_ = 1;
    const std::string identity = EditorIdentity(ActiveMdiWindow(), pl_.Texts().Text(txt::ID_TITLE));
    const std::string bcc =
        pl_.Utils() ? DefaultBcc(pl_.Utils()->MailboxDir(), identity, pl_.Texts().Text(txt::DEF_PATH)) : std::string();
    if (bcc.empty()) return;
    MergeBccTokens(LastKeys, RecipientFlags, [&](std::string& keys) {
        TRecipientCheck check = NewRecipientCheck();
        check.lastKeys = keys;
        CheckAddressText(bcc, check);
        TakeRecipientCheck(check);
        keys = check.lastKeys;
    });
}

// ---- The host's encryption dialog -----------------------------------------------

bool TSendCheck::SetCheckBox(HWND parent, const std::string& caption, bool wanted) {
    HWND box = caption.empty() ? nullptr : FindButtonWith(parent, caption);
    if (!box) return false;
    // Ticking the encryption box again opens the client's dialog again.
    if (caption == pl_.Texts().Text(txt::ENC_BOX) && IsChecked(box)) SendMessageA(box, BM_CLICK, 0, 0);
    if (IsChecked(box) != wanted) PostMessageA(box, BM_CLICK, 0, 0);
    TPLUtils::ProcessMessages();
    return true;
}

void TSendCheck::EncryptionDialogOpened(HWND dialog) {
    if (!dialog || !IsWindow(dialog)) return;
    ResendPushed = 0;
    bccMerged_ = 0;
    comboCleaned_ = 0;
    encDialogCancelled_ = 0;
    RestoreEncryptionDialog();
    encDialog_ = dialog;
    encDialogProc_ = Replace(dialog, SubclassedEncDialogProc);
    encCombo_ = FindChildWnd(dialog, "COMBOBOX", "");
    if (encCombo_) encComboProc_ = Replace(encCombo_, SubclassedEncComboProc);
    // A client that announces the dialog once it shows has given the focus
    // and painted the frame already.
    if (encCombo_ && (GetFocus() == encCombo_ || IsWindowVisible(dialog))) CleanEncryptorCombo();
    if (IsWindowVisible(dialog) && !EncDialogDone) FirstDialogPaint();
}

void TSendCheck::FirstDialogPaint() {
    // The client's encryption dialog is modal over the editor that sends.
    SetEncDialogDone(true, ActiveMdiWindow());
    // Filled once the client's own showing and painting is over.
    PostMessageA(pl_.AutomationWindow(), kMsgFillEncryptionDialog, 0, 0);
}

void TSendCheck::RestoreEncryptionDialog() {
    auto restore = [](HWND wnd, WNDPROC ours, WNDPROC& previous) {
        if (wnd && previous && IsWindow(wnd) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == ours)
            Replace(wnd, previous);
        previous = nullptr;
    };
    restore(encCombo_, SubclassedEncComboProc, encComboProc_);
    restore(encDialog_, SubclassedEncDialogProc, encDialogProc_);
    encCombo_ = nullptr;
    encDialog_ = nullptr;
}

LRESULT TSendCheck::EncComboProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC previous = wnd == encCombo_ ? encComboProc_ : nullptr;
    LRESULT result = previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
    if (msg == WM_SETFOCUS && !comboCleaned_) CleanEncryptorCombo();
    return result;
}

void TSendCheck::CleanEncryptorCombo() {
    comboCleaned_ = 1;
    for (const char* entry : {host::kEncryptorEntryMime, host::kEncryptorEntryInline}) {
        LRESULT i = SendMessageA(encCombo_, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry));
        // The exact search ignores case; only the very text goes.
        char text[128] = {};
        if (i != CB_ERR && SendMessageA(encCombo_, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof text) &&
            SendMessageA(encCombo_, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text)) != CB_ERR &&
            std::string(text) == entry)
            SendMessageA(encCombo_, CB_DELETESTRING, WPARAM(i), 0);
    }
    LRESULT chosen = SendMessageA(encCombo_, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(host::kEncryptorEntry));
    if (chosen != CB_ERR) SendMessageA(encCombo_, CB_SETCURSEL, WPARAM(chosen), 0);
    encryptorChosen_ = chosen != CB_ERR;
    if (HWND sign = FindButtonWith(encDialog_, pl_.Texts().Text(txt::SIGN_LBL))) EnableWindow(sign, TRUE);
}

void TSendCheck::FillEncryptionDialog() {
    if (!encDialog_ || !IsWindow(encDialog_)) return;
    const std::string encLabel = pl_.Texts().Text(txt::ENC_LBL), signLabel = pl_.Texts().Text(txt::SIGN_LBL);
    std::string missing;
    auto set = [&](bool encrypt, bool sign) {
        if (!SetCheckBox(encDialog_, encLabel, encrypt)) missing = encLabel;
        if (!SetCheckBox(encDialog_, signLabel, sign) && missing.empty()) missing = signLabel;
    };
    switch (AutoMode) {
    case 4:
        if (!LastKeys.empty()) {
            const int f = FlagDigitsOr(LastKeys);
            set(f & 1, f & 2);
            if (f & 4) AutoMode = 3;
        } else {
            set(true, pl_.Options().FullAutoSigned != 0);
        }
        break;
    case 5: set(true, false); break;
    case 6: set(false, true); break;
    case 7: set(true, true); break;
    default: break;
    }
    if (AutoMode != 4 && !LastKeys.empty()) LastKeys[0] = '0';
    if (AutoMode > 3 && (!missing.empty() || !encryptorChosen_)) {
        // Without this encryptor and its boxes the dialog would send the
        // message otherwise than asked.
        armingMissing_ = encryptorChosen_ ? missing : std::string(host::kEncryptorEntry);
        if (HWND cancel = FindOfClassWith(encDialog_, "BUTTON", "Cancel")) PostMessageA(cancel, BM_CLICK, 0, 0);
        else PostMessageA(encDialog_, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if ((pl_.Options().fullAutomation && AutoMode > 3) || AutoMode > 4)
        if (HWND ok = FindOfClassWith(encDialog_, "BUTTON", kOkCaption)) PostMessageA(ok, BM_CLICK, 0, 0);
}

LRESULT TSendCheck::EncDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC previous = wnd == encDialog_ ? encDialogProc_ : nullptr;
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        const WORD id = LOWORD(wp);
        if (AutoMode < 3 && id == IDOK) AutoMode = 2;
        if (AutoMode < 3 && id == IDCANCEL) AutoMode = 1;
        if (id == IDCANCEL) encDialogCancelled_ = 1;
    }
    if (msg == WM_DESTROY && wnd == encDialog_) {
        EncryptionDialogClosing();
        RestoreEncryptionDialog();
    }
    LRESULT result = previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
    if (msg == WM_NCPAINT && wnd == encDialog_ && !EncDialogDone) FirstDialogPaint();
    return result;
}

void TSendCheck::EncryptionDialogClosing() {
    const bool encrypt = IsChecked(FindButtonWith(encDialog_, pl_.Texts().Text(txt::ENC_LBL)));
    const bool sign = IsChecked(FindButtonWith(encDialog_, pl_.Texts().Text(txt::SIGN_LBL)));
    const int choice = (encrypt ? 1 : 0) + (sign ? 2 : 0);
    if (!pl_.Options().fullAutomation || AutoMode == 2 || AutoMode == 3) SetFlagDigits(LastKeys, choice);
    const int e = pl_.Hosts().ActiveEditorIndex();
    if (e >= 0) {
        const std::uintptr_t s = AutoMode == 2 && sign && !encrypt ? 1 : 0;
        const bool several = LastKeys.find(',') != std::string::npos;
        pl_.Hosts().EditorFlags().SetObject(e, several ? 256 + s : pl_.Hosts().EditorFlags().Object(e) + 256 + s);
    }
    if (!armingMissing_.empty()) {
        const std::string missing = std::move(armingMissing_);
        armingMissing_.clear();
        TellArmingFailed(missing);
        return;
    }
    // Cancelled by the user: the message stays in the editor as it is.
    if (encDialogCancelled_ && AutoMode >= 3) AutoMode = 1;
    if (AutoMode < 3) SetEncDialogDone(false);
    else SetTimer(pl_.AutomationWindow(), kTimerResend, kResendDelayMs, nullptr);
}

void TSendCheck::ResendTimer() {
    KillTimer(pl_.AutomationWindow(), kTimerResend);
    ResendPushed = 1;
    PushSendKeys(ActiveMdiWindow(), pl_.Texts().Text(txt::SEND_LBL), true);
}

// ---- The written message file ------------------------------------------------

void TSendCheck::FixUpMessageFile(const char* path) {
    if (!path || !*path || !FileExists(path)) return;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return;
    char charset[host::kCharsetRoom + 1] = {};
    SendMessageA(pl_.HostWindow(), host::kHostGetSetting, host::kSettingCharset, reinterpret_cast<LPARAM>(charset));
    charset[host::kCharsetRoom] = '\0';
    const std::string fixed = FixedUpMessage(bytes, charset);
    if (!fixed.empty()) ReplaceWholeFile(path, fixed);
}

}  // namespace orv::automation
