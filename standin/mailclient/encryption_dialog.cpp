#include "standin/mailclient/encryption_dialog.h"

#include <vector>

#include "standin/mailclient/host_interface.h"
#include "standin/mailclient/dialog_template.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

enum : WORD { kIdEncryptor = 301, kIdEncrypt = 302, kIdSign = 303 };

struct DialogState {
    Host* host;
    EncryptionChoice* choice;
};

void SignBoxFollowsEncryptor(HWND dlg) {
    bool chosen = SendDlgItemMessageA(dlg, kIdEncryptor, CB_GETCURSEL, 0, 0) != CB_ERR;
    EnableWindow(GetDlgItem(dlg, kIdSign), chosen);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        state = reinterpret_cast<DialogState*>(lp);
        HWND combo = GetDlgItem(dlg, kIdEncryptor);
        for (const char* entry : {host::kEncryptorEntry, host::kEncryptorEntryMime, host::kEncryptorEntryInline})
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        CheckDlgButton(dlg, kIdEncrypt, BST_CHECKED);
        SignBoxFollowsEncryptor(dlg);
        // Told after the dialog shows, as the client announces its dialogs.
        PostMessageA(dlg, WM_APP, 0, 0);
        return TRUE;
    }
    case WM_APP:
        if (state && state->host) {
            host::DialogNotice notice{dlg, host::kDialogEncryption, 0};
            state->host->NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened,
                                     reinterpret_cast<LPARAM>(&notice), 0);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kIdEncryptor && HIWORD(wp) == CBN_SELCHANGE) {
            SignBoxFollowsEncryptor(dlg);
            return TRUE;
        }
        if (LOWORD(wp) == IDOK && state) {
            char name[128] = {};
            GetDlgItemTextA(dlg, kIdEncryptor, name, sizeof name);
            state->choice->encryptor = name;
            state->choice->encrypt = IsDlgButtonChecked(dlg, kIdEncrypt) == BST_CHECKED;
            state->choice->sign = IsDlgButtonChecked(dlg, kIdSign) == BST_CHECKED;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

bool RunEncryptionDialog(HWND editor, Host* host, EncryptionChoice* choice) {
    DialogTemplate t(L"Encryption", 200, 92);
    t.Item(SS_LEFT, 8, 10, 50, 10, 0xFFFF, kStatic, L"Encryptor:");
    t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 60, 8, 132, 80, kIdEncryptor, kCombo, L"");
    t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 60, 28, 132, 12, kIdEncrypt, kButton, L"Encrypt the message");
    t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 60, 44, 132, 12, kIdSign, kButton, L"Sign the message");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 68, 60, 16, IDOK, kButton, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 132, 68, 60, 16, IDCANCEL, kButton, L"Cancel");
    DialogState state{host, choice};
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), GetAncestor(editor, GA_ROOT), DialogProc,
                                        reinterpret_cast<LPARAM>(&state));
    return r == IDOK;
}

int EncryptorNumber(const EncryptionChoice& choice) {
    return (choice.encrypt ? host::kEncryptorFlagEncrypt : 0) | (choice.sign ? host::kEncryptorFlagSign : 0);
}

}  // namespace orv::mailclient
