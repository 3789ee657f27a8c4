#include "standin/mailclient/encryption_dialog.h"

#include <vector>

#include "plugin/mail_client.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

enum : WORD { kIdEncryptor = 301, kIdEncrypt = 302, kIdSign = 303 };

// A dialog template built in memory, so that the stand-in needs no resources.
class Template {
public:
    Template(const wchar_t* caption, short cx, short cy) {
        DLGTEMPLATE head{DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, cx,
                         cy};
        Put(&head, sizeof head);
        words_.push_back(0);  // menu
        words_.push_back(0);  // class
        Text(caption);
        words_.push_back(8);
        Text(L"MS Shell Dlg");
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);
        DLGITEMTEMPLATE item{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
        Put(&item, sizeof item);
        words_.push_back(0xFFFF);
        words_.push_back(cls);
        Text(text);
        words_.push_back(0);
        ++count_;
    }
    LPCDLGTEMPLATEA Get() {
        reinterpret_cast<DLGTEMPLATE*>(words_.data())->cdit = count_;
        return reinterpret_cast<LPCDLGTEMPLATEA>(words_.data());
    }

private:
    void Put(const void* p, size_t n) {
        const WORD* w = static_cast<const WORD*>(p);
        words_.insert(words_.end(), w, w + n / 2);
    }
    void Text(const wchar_t* s) {
        while (*s) words_.push_back(WORD(*s++));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
    WORD count_ = 0;
};

constexpr WORD kButton = 0x0080, kStatic = 0x0082, kCombo = 0x0085;

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
    Template t(L"Encryption", 200, 92);
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
