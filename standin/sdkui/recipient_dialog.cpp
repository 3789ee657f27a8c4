// The recipient dialog of the user-interface library: the user chooses the
// keys to encrypt to from the offered set, the default recipients (by key
// ID) chosen beforehand. The chosen keys come back in a new key set that the
// caller frees.
#include <windows.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdkui/core_access.h"
#include "standin/sdkui/dialog_ids.h"
#include "standin/sdkui/sdkui_exports.h"
#include "standin/sdkui/sdkui_module.h"
#include "standin/sdkui/ui_options.h"

namespace {

using companion::KeyInfo;

constexpr PGPError kErrUnknown = -11985;

struct RecipientRun {
    sdkui::UIOptions opts;
    std::vector<KeyInfo> keys;
    std::vector<bool> preset;  // a default recipient
    std::vector<PGPKeyDBObjRef> chosen;
};

// The keys of the default-recipients option, in the offered set.
std::vector<bool> defaultRecipients(const RecipientRun& run, PGPKeySetRef allKeys) {
    std::vector<bool> preset(run.keys.size(), false);
    const std::string& packed = run.opts.defaultRecipients;
    for (PGPUInt32 i = 0; i < run.opts.defaultRecipientCount; ++i) {
        if ((i + 1) * sdkui::kKeyIDSize > packed.size()) break;
        PGPKeyID id{};
        packed.copy(reinterpret_cast<char*>(&id), sdkui::kKeyIDSize, i * sdkui::kKeyIDSize);
        const PGPKeyDBObjRef key = companion::findKey(allKeys, id);
        for (size_t k = 0; k < run.keys.size(); ++k)
            if (key && run.keys[k].key == key) preset[k] = true;
    }
    return preset;
}

void initDialog(HWND dlg, const RecipientRun& run) {
    SetWindowTextA(dlg, run.opts.title.c_str());
    if (run.opts.hasPrompt) SetDlgItemTextA(dlg, IDC_SDKUI_PROMPT, run.opts.prompt.c_str());
    HWND list = GetDlgItem(dlg, IDC_SDKUI_RECIPIENT_KEYS);
    for (size_t i = 0; i < run.keys.size(); ++i) {
        const std::string line = run.keys[i].userID + " (" + run.keys[i].keyID + ")";
        const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
        if (run.preset[i]) SendMessageA(list, LB_SETSEL, TRUE, at);
    }
    SetFocus(list);
}

// The chosen keys; false with a status text when there is none.
bool accept(HWND dlg, RecipientRun& run) {
    HWND list = GetDlgItem(dlg, IDC_SDKUI_RECIPIENT_KEYS);
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    run.chosen.clear();
    for (int i = 0; i < count; ++i)
        if (SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0)
            run.chosen.push_back(run.keys[static_cast<size_t>(SendMessageA(list, LB_GETITEMDATA, i, 0))].key);
    if (!run.chosen.empty()) return true;
    SetDlgItemTextA(dlg, IDC_SDKUI_STATUS, SDKUI_TEXT_NO_RECIPIENT);
    SetFocus(list);
    return false;
}

INT_PTR CALLBACK recipientProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* run = reinterpret_cast<RecipientRun*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrA(dlg, DWLP_USER, lp);
            initDialog(dlg, *reinterpret_cast<RecipientRun*>(lp));
            return FALSE;  // the focus is set
        }
        if (msg == WM_COMMAND && run) {
            if (LOWORD(wp) == IDOK) {
                if (accept(dlg, *run)) EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
        }
    } catch (...) {
        EndDialog(dlg, IDABORT);
    }
    return FALSE;
}

bool allDefaultsFound(const RecipientRun& run) {
    size_t found = 0;
    for (bool p : run.preset) found += p ? 1 : 0;
    return run.opts.defaultRecipientCount > 0 && found == run.opts.defaultRecipientCount;
}

PGPError chooseRecipients(RecipientRun& run, PGPKeySetRef allKeys, bool alwaysDisplay, PGPKeySetRef* out) {
    run.keys = companion::listKeys(allKeys);
    run.preset = defaultRecipients(run, allKeys);
    // Every default recipient has its key: without the request to show the
    // dialog anyway, they are the answer.
    if (!alwaysDisplay && allDefaultsFound(run)) {
        for (size_t i = 0; i < run.keys.size(); ++i)
            if (run.preset[i]) run.chosen.push_back(run.keys[i].key);
        return companion::newSetOf(allKeys, run.chosen, out);
    }
    HWND parent = static_cast<HWND>(run.opts.parent);
    if (parent && !IsWindow(parent)) parent = nullptr;
    const INT_PTR r = DialogBoxParamA(sdkui::module(), MAKEINTRESOURCEA(IDD_SDKUI_RECIPIENTS), parent,
                                      recipientProc, reinterpret_cast<LPARAM>(&run));
    if (r == IDCANCEL) return kPGPError_UserAbort;
    if (r != IDOK) return kErrUnknown;
    return companion::newSetOf(allKeys, run.chosen, out);
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPRecipientDialog(PGPContextRef context, PGPKeySetRef allKeys, PGPBoolean alwaysDisplay,
                                     PGPKeySetRef* outRecipients, PGPOptionListRef firstOption, ...) {
    try {
        if (outRecipients) *outRecipients = nullptr;
        RecipientRun run;
        va_list ap;
        va_start(ap, firstOption);
        const PGPError readErr = sdkui::ReadOptions(firstOption, ap, run.opts);
        va_end(ap);
        if (readErr) return readErr;
        if (!context || !allKeys || !outRecipients) return kPGPError_BadParams;
        return chooseRecipients(run, allKeys, alwaysDisplay != 0, outRecipients);
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDKUI_EXPORT(PGPRecipientDialog);
