// The passphrase dialogs of the user-interface library. Each runs modally over
// the PGPOUIParentWindowHandle window, hands the passphrase back in the core's
// secure memory (PGPNewSecureData; the caller frees it with PGPFreeData) and
// leaves no passphrase text in its fields: a text read is overwritten in the
// control and the control emptied, on every ending and on every retry.
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdkui/core_access.h"
#include "standin/sdkui/dialog_ids.h"
#include "standin/sdkui/sdkui_exports.h"
#include "standin/sdkui/sdkui_module.h"
#include "standin/sdkui/ui_options.h"

namespace {

using companion::core;
using companion::KeyInfo;
using sdkui::UIOptions;

constexpr PGPError kErrSecretKeyNotFound = -11402;
constexpr PGPError kErrUnknown = -11985;

enum class Kind { Passphrase, KeyPassphrase, Signing, Decryption, Confirmation };

struct DialogRun {
    Kind kind = Kind::Passphrase;
    PGPContextRef context = nullptr;
    UIOptions opts;
    std::vector<KeyInfo> keys;  // signing: the choices; decryption and key passphrase: the candidates
    std::vector<std::string> recipients;
    int defaultIndex = 0;
    std::vector<HWND> checkboxes;
    char* passphrase = nullptr;  // secure data of the core
    PGPKeyDBObjRef chosenKey = nullptr;
};

void freeSecret(char*& p) {
    if (!p) return;
    companion::wipe(p, std::strlen(p));
    core().PGPFreeData(p);
    p = nullptr;
}

// Overwrites the edit control's own buffer before emptying it, so that the
// freed text does not keep the passphrase.
void clearField(HWND edit) {
    if (!edit) return;
    const int n = GetWindowTextLengthA(edit);
    if (n > 0) SetWindowTextA(edit, std::string(static_cast<size_t>(n), '*').c_str());
    SetWindowTextA(edit, "");
}

void clearFields(HWND dlg) {
    clearField(GetDlgItem(dlg, IDC_SDKUI_PASSPHRASE));
    clearField(GetDlgItem(dlg, IDC_SDKUI_CONFIRMATION));
}

// The field's text in fresh secure data of the core; the field is cleared.
char* takeField(HWND edit) {
    const auto& c = core();
    const int n = edit ? GetWindowTextLengthA(edit) : 0;
    auto* buf = static_cast<char*>(c.PGPNewSecureData(c.PGPGetDefaultMemoryMgr(), PGPSize(n) + 1, 1));
    if (buf) {
        buf[0] = 0;
        if (n > 0) GetWindowTextA(edit, buf, n + 1);
        buf[n] = 0;
    }
    clearField(edit);
    return buf;
}

bool passphraseFits(PGPContextRef context, PGPKeyDBObjRef key, const char* pass) {
    const auto& c = core();
    return key && c.PGPPassphraseIsValid(key, c.PGPOPassphrase(context, pass), c.PGPOLastOption(context)) != 0;
}

void showStatus(HWND dlg, const char* text) {
    SetDlgItemTextA(dlg, IDC_SDKUI_STATUS, text);
    SetFocus(GetDlgItem(dlg, IDC_SDKUI_PASSPHRASE));
}

void updateQuality(HWND dlg, const DialogRun& run) {
    if (!run.opts.showQuality) return;
    char text[512];
    GetDlgItemTextA(dlg, IDC_SDKUI_PASSPHRASE, text, sizeof text);
    const PGPUInt32 q = sdkui::passphraseQuality(text);
    companion::wipe(text, sizeof text);
    SetDlgItemTextA(dlg, IDC_SDKUI_QUALITY, ("Quality: " + std::to_string(q) + "%").c_str());
}

// Check boxes of PGPOUICheckbox below the fields; the buttons move down.
void addCheckboxes(HWND dlg, DialogRun& run) {
    if (run.opts.checkboxes.empty()) return;
    RECT unit = {0, 0, 4, 14};
    MapDialogRect(dlg, &unit);
    const int step = unit.bottom;
    HWND ok = GetDlgItem(dlg, IDOK);
    RECT okRect;
    GetWindowRect(ok, &okRect);
    POINT top = {okRect.left, okRect.top};
    ScreenToClient(dlg, &top);
    RECT client;
    GetClientRect(dlg, &client);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    const int count = static_cast<int>(run.opts.checkboxes.size());
    for (int i = 0; i < count; ++i) {
        const auto& box = run.opts.checkboxes[i];
        HWND h = CreateWindowExA(0, "BUTTON", box.title.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                                 unit.right * 2, top.y + i * step, client.right - unit.right * 4, step - 2, dlg,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SDKUI_CHECKBOX + i)),
                                 sdkui::module(), nullptr);
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageA(h, BM_SETCHECK, box.initialValue ? BST_CHECKED : BST_UNCHECKED, 0);
        run.checkboxes.push_back(h);
    }
    const int grow = count * step;
    for (int id : {IDOK, IDCANCEL}) {
        HWND b = GetDlgItem(dlg, id);
        RECT r;
        GetWindowRect(b, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(dlg, &p);
        SetWindowPos(b, nullptr, p.x, p.y + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT w;
    GetWindowRect(dlg, &w);
    SetWindowPos(dlg, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + grow, SWP_NOMOVE | SWP_NOZORDER);
}

void initDialog(HWND dlg, DialogRun& run) {
    SetWindowTextA(dlg, run.opts.title.c_str());
    if (run.opts.hasPrompt) SetDlgItemTextA(dlg, IDC_SDKUI_PROMPT, run.opts.prompt.c_str());
    SendDlgItemMessageA(dlg, IDC_SDKUI_PASSPHRASE, EM_LIMITTEXT, 255, 0);
    SendDlgItemMessageA(dlg, IDC_SDKUI_CONFIRMATION, EM_LIMITTEXT, 255, 0);
    if (run.kind == Kind::Signing) {
        HWND combo = GetDlgItem(dlg, IDC_SDKUI_KEYS);
        for (const auto& k : run.keys)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((k.userID + " (" + k.keyID + ")").c_str()));
        SendMessageA(combo, CB_SETCURSEL, run.defaultIndex, 0);
    }
    if (run.kind == Kind::Decryption) {
        HWND list = GetDlgItem(dlg, IDC_SDKUI_RECIPIENTS);
        for (const auto& line : run.recipients) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    addCheckboxes(dlg, run);
    updateQuality(dlg, run);
    SetForegroundWindow(dlg);
    SetFocus(GetDlgItem(dlg, IDC_SDKUI_PASSPHRASE));
}

// The key whose passphrase this is, among the candidates: the first one, or
// with PGPOUIFindMatchingKey any of them; null when none fits.
PGPKeyDBObjRef matchingKey(const DialogRun& run, size_t first, const char* pass) {
    if (first >= run.keys.size()) return nullptr;
    if (passphraseFits(run.context, run.keys[first].key, pass)) return run.keys[first].key;
    if (!run.opts.findMatchingKey) return nullptr;
    for (size_t i = 0; i < run.keys.size(); ++i)
        if (i != first && passphraseFits(run.context, run.keys[i].key, pass)) return run.keys[i].key;
    return nullptr;
}

// OK pressed: true when the dialog may end.
bool accept(HWND dlg, DialogRun& run) {
    char* pass = takeField(GetDlgItem(dlg, IDC_SDKUI_PASSPHRASE));
    if (!pass) {
        clearFields(dlg);
        return false;
    }
    if (run.kind == Kind::Confirmation) {
        char* again = takeField(GetDlgItem(dlg, IDC_SDKUI_CONFIRMATION));
        const bool same = again && std::strcmp(pass, again) == 0;
        freeSecret(again);
        const char* problem = nullptr;
        if (!same) problem = SDKUI_TEXT_MISMATCH;
        else if (std::strlen(pass) < run.opts.minimumLength) problem = SDKUI_TEXT_TOO_SHORT;
        else if (sdkui::passphraseQuality(pass) < run.opts.minimumQuality) problem = SDKUI_TEXT_TOO_WEAK;
        if (problem) {
            freeSecret(pass);
            showStatus(dlg, problem);
            return false;
        }
    }
    if (run.kind == Kind::Signing || run.kind == Kind::Decryption || run.kind == Kind::KeyPassphrase) {
        size_t first = 0;
        if (run.kind == Kind::Signing) {
            const LRESULT sel = SendDlgItemMessageA(dlg, IDC_SDKUI_KEYS, CB_GETCURSEL, 0, 0);
            first = sel >= 0 ? static_cast<size_t>(sel) : 0;
        }
        PGPKeyDBObjRef key = first < run.keys.size() ? run.keys[first].key : nullptr;
        if (run.opts.verifyPassphrase && !run.keys.empty()) {
            key = matchingKey(run, first, pass);
            if (!key) {
                freeSecret(pass);
                showStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
                return false;
            }
        }
        run.chosenKey = key;
    }
    for (size_t i = 0; i < run.checkboxes.size(); ++i)
        if (run.opts.checkboxes[i].result)
            *run.opts.checkboxes[i].result = SendMessageA(run.checkboxes[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
    run.passphrase = pass;
    return true;
}

INT_PTR CALLBACK dialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrA(dlg, DWLP_USER));
        switch (msg) {
            case WM_INITDIALOG:
                SetWindowLongPtrA(dlg, DWLP_USER, lp);
                initDialog(dlg, *reinterpret_cast<DialogRun*>(lp));
                return FALSE;  // the focus is set
            case WM_COMMAND:
                if (!run) break;
                if (LOWORD(wp) == IDOK) {
                    if (accept(dlg, *run)) {
                        clearFields(dlg);
                        EndDialog(dlg, IDOK);
                    }
                    return TRUE;
                }
                if (LOWORD(wp) == IDCANCEL) {
                    clearFields(dlg);
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
                }
                if (LOWORD(wp) == IDC_SDKUI_PASSPHRASE && HIWORD(wp) == EN_CHANGE) {
                    updateQuality(dlg, *run);
                    return TRUE;
                }
                break;
            case WM_DESTROY:
                clearFields(dlg);
                break;
            default: break;
        }
    } catch (...) {
        clearFields(dlg);
        EndDialog(dlg, IDCANCEL);
    }
    return FALSE;
}

int templateOf(Kind kind) {
    switch (kind) {
        case Kind::Signing: return IDD_SDKUI_SIGNING;
        case Kind::Decryption: return IDD_SDKUI_DECRYPTION;
        case Kind::Confirmation: return IDD_SDKUI_CONFIRMATION;
        default: return IDD_SDKUI_PASSPHRASE;
    }
}

// Runs the dialog and hands out its passphrase; the options are read already.
PGPError runDialog(DialogRun& run) {
    if (!run.opts.outPassphrase) return kPGPError_BadParams;
    HWND parent = static_cast<HWND>(run.opts.parent);
    if (parent && !IsWindow(parent)) parent = nullptr;
    const INT_PTR r = DialogBoxParamA(sdkui::module(), MAKEINTRESOURCEA(templateOf(run.kind)), parent, dialogProc,
                                      reinterpret_cast<LPARAM>(&run));
    if (r == IDOK && run.passphrase) {
        *run.opts.outPassphrase = run.passphrase;
        run.passphrase = nullptr;
        return kPGPError_NoErr;
    }
    freeSecret(run.passphrase);
    run.chosenKey = nullptr;
    return r == IDCANCEL ? kPGPError_UserAbort : kErrUnknown;
}

// Reads the options of a dialog call; the caller's variable arguments start
// after firstOption.
#define READ_OPTIONS(run, firstOption)                                    \
    va_list ap;                                                          \
    va_start(ap, firstOption);                                           \
    const PGPError readErr = sdkui::ReadOptions(firstOption, ap, (run).opts); \
    va_end(ap)

bool isSecretFor(const KeyInfo& k, bool sign) { return k.secret && (sign ? k.canSign : k.canDecrypt); }

PGPError guarded(PGPError (*body)(DialogRun&), DialogRun& run) {
    try {
        return body(run);
    } catch (...) {
        freeSecret(run.passphrase);
        return kErrUnknown;
    }
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPPassphraseDialog(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        run.context = context;
        return guarded(runDialog, run);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPConventionalDecryptionPassphraseDialog(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        run.context = context;
        if (!run.opts.hasPrompt) run.opts.prompt = "Enter the passphrase of the message:", run.opts.hasPrompt = true;
        return guarded(runDialog, run);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPConfirmationPassphraseDialog(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        run.context = context;
        run.kind = Kind::Confirmation;
        return guarded(runDialog, run);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPConventionalEncryptionPassphraseDialog(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        run.context = context;
        run.kind = Kind::Confirmation;
        if (!run.opts.hasPrompt) run.opts.prompt = "Enter the passphrase to encrypt with:", run.opts.hasPrompt = true;
        return guarded(runDialog, run);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyPassphraseDialog(PGPContextRef context, PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        if (!key) return kPGPError_BadParams;
        run.context = context;
        run.kind = Kind::KeyPassphrase;
        run.keys.push_back(companion::describeKey(key));
        if (!run.opts.hasPrompt) {
            run.opts.prompt = "Enter the passphrase for " + run.keys[0].userID + ":";
            run.opts.hasPrompt = true;
        }
        return guarded(runDialog, run);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSigningPassphraseDialog(PGPContextRef context, void* keys, PGPKeyDBObjRef* outSigningKey,
                                             PGPOptionListRef firstOption, ...) {
    try {
        if (outSigningKey) *outSigningKey = nullptr;
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        if (!keys || !outSigningKey) return kPGPError_BadParams;
    #if ORV_SDKUI_RELEASE == 7
        const auto& c = core();
        PGPKeySetRef set = c.PGPPeekKeyDBRootKeySet(static_cast<PGPKeyDBRef>(keys));
    #else
        PGPKeySetRef set = static_cast<PGPKeySetRef>(keys);
    #endif
        run.context = context;
        run.kind = Kind::Signing;
        for (auto& k : companion::listKeys(set))
            if (isSecretFor(k, true)) run.keys.push_back(k);
        if (run.keys.empty()) return kErrSecretKeyNotFound;
        for (size_t i = 0; i < run.keys.size(); ++i)
            if (run.keys[i].key == run.opts.defaultKey) run.defaultIndex = static_cast<int>(i);
        const PGPError err = guarded(runDialog, run);
        if (err == kPGPError_NoErr) *outSigningKey = run.chosenKey;
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDecryptionPassphraseDialog(PGPContextRef context, PGPKeySetRef recipientKeys,
                                                PGPUInt32 keyIDCount, const PGPByte* keyIDList,
                                                PGPKeyDBObjRef* outDecryptionKey, PGPOptionListRef firstOption, ...) {
    try {
        if (outDecryptionKey) *outDecryptionKey = nullptr;
        DialogRun run;
        READ_OPTIONS(run, firstOption);
        if (readErr) return readErr;
        if ((keyIDCount && !keyIDList) || keyIDCount > 4096) return kPGPError_BadParams;
        run.context = context;
        run.kind = Kind::Decryption;
        for (PGPUInt32 i = 0; i < keyIDCount; ++i) {
            PGPKeyID id{};
            std::memcpy(&id, keyIDList + i * sdkui::kKeyIDSize, sdkui::kKeyIDSize);
            const std::string idText = companion::keyIDText(id);
            if (PGPKeyDBObjRef key = companion::findKey(recipientKeys, id)) {
                const KeyInfo k = companion::describeKey(key);
                run.recipients.push_back(k.userID + " (" + idText + ")");
            } else {
                run.recipients.push_back("Unknown key (" + idText + ")");
            }
        }
        for (auto& k : companion::listKeys(recipientKeys))
            if (isSecretFor(k, false)) run.keys.push_back(k);
        const PGPError err = guarded(runDialog, run);
        if (err == kPGPError_NoErr && outDecryptionKey) *outDecryptionKey = run.chosenKey;
        return err;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDKUI_EXPORT(PGPPassphraseDialog);
SDKUI_EXPORT(PGPConventionalDecryptionPassphraseDialog);
SDKUI_EXPORT(PGPConfirmationPassphraseDialog);
SDKUI_EXPORT(PGPConventionalEncryptionPassphraseDialog);
SDKUI_EXPORT(PGPKeyPassphraseDialog);
SDKUI_EXPORT(PGPSigningPassphraseDialog);
SDKUI_EXPORT(PGPDecryptionPassphraseDialog);
