// The main library's exports for the mail client, the launcher and the
// automation plug-in. No exception leaves an export: each catches at its
// boundary and gives its failure result.
#include <windows.h>

#include <cstring>
#include <string>

#include "engine/key_rings.h"
#include "plugin/key_ops.h"
#include "plugin/mail_client.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "plugin/texts.h"
#include "plugin/window_exports.h"
#include "ui/info_box.h"

using namespace orv;

namespace {

TMsgBox* Boxes() {
    TPluginParams* s = Session();
    return s ? s->MsgBox.get() : nullptr;
}

void CopyOut(char* buffer, const std::string& text) {
    if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
}


}  // namespace

extern "C" {

WORD __stdcall FORMINIT(WORD version, int mode, HWND hostWindow, const char* parameter, HWND* formWindow,
                        char** /*callbackName*/) {
    TPluginParams* s = Session();
    if ((version >> 8) > host::kFormInterfaceMaxMajor || !s) return host::kFormInitFailed;
    try {
        if (!s->Init(mode, parameter ? parameter : "", hostWindow)) {
            s->DestroySessionWindow();
            return host::kFormInitFailed;
        }
        // Without a form there is no window: the host window is kept for
        // the encryptor calls, but the start itself reports no form.
        if (s->FormParameter.empty()) return host::kFormInitFailed;
        if (formWindow) *formWindow = s->SessionWindow;
        if (!s->SessionWindow) return host::kFormInitFailed;
        if (s->PGPData) {
            s->PGPData->LoadSettings();
            s->SyncLinks();
        }
        // The launcher's forms count only when their window ran.
        if (s->InLauncher() && !RunLauncherWindow(*s)) {
            s->DestroySessionWindow();
            if (formWindow) *formWindow = nullptr;
            return host::kFormInitFailed;
        }
        return host::kFormInitOk;
    } catch (...) {
        s->DestroySessionWindow();
        if (formWindow) *formWindow = nullptr;
        return host::kFormInitFailed;
    }
}

void __stdcall PlugInit(HWND clientMain, DWORD clientMdi, HWND automationWindow, const char* mailboxDir) {
    TPluginParams* s = Session();
    if (!s) return;
    try {
        s->ClientMain = clientMain;
        s->ClientMdi = clientMdi;
        s->AutomationWindow = automationWindow;
        s->OwnerWindow = clientMain;
        // The configuration file keeps the name it got at the start.
        if (mailboxDir) s->MailboxDir = DirectoryText(mailboxDir);
        s->SyncLinks();
    } catch (...) {
    }
}


int __stdcall ShowAbout() {
    TPluginParams* s = Session();
    if (!s || !s->MsgBox) return 0;
    try {
        s->SyncLinks();
        ui::ShowInfoBox();
        if (s->FormParameter == "ABOUT" && s->HostForm && IsWindow(s->HostForm))
            PostMessageA(s->HostForm, WM_CLOSE, 0, 0);
        return 1;
    } catch (...) {
        return 0;
    }
}

int __stdcall WipeCache() {
    TPluginParams* s = Session();
    if (!s || !s->PGPData) return 0;
    try {
        s->SyncLinks();
        return s->PGPData->CacheTimer(kWipeNow) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void __stdcall Error(const char* text) {
    try {
        if (TMsgBox* m = Boxes()) m->Error(text);
    } catch (...) {
    }
}

void __stdcall Warn(const char* text) {
    try {
        if (TMsgBox* m = Boxes()) m->Warn(text);
    } catch (...) {
    }
}

void __stdcall Info(const char* text) {
    try {
        if (TMsgBox* m = Boxes()) m->Info(text);
    } catch (...) {
    }
}

int __stdcall Confirm(const char* text) {
    try {
        TMsgBox* m = Boxes();
        return m && m->Confirm(text) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall Cancel(const char* text) {
    try {
        TMsgBox* m = Boxes();
        return m && m->Cancel(text) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

WORD __stdcall ConfCanc(const char* text) {
    try {
        TMsgBox* m = Boxes();
        return static_cast<WORD>(m ? m->ConfCanc(text) : 2);
    } catch (...) {
        return 2;
    }
}

WORD __stdcall CustomDlg(const char* title, const char* text, const char* rightCaption, const char* leftCaption,
                         int flags) {
    try {
        TMsgBox* m = Boxes();
        return static_cast<WORD>(m ? m->CustomDlg(title, text, rightCaption, leftCaption, flags) : 2);
    } catch (...) {
        return 2;
    }
}

int __stdcall GetKeyFromServer(const char* keyID) {
    TPluginParams* s = Session();
    if (!s || !keyID) return 0;
    try {
        s->SyncLinks();
        return FetchKey(*s, keyID) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall SetAddrOptions(const char*, char*) { return 0; }
int __stdcall AddAddrOptions(const char*, char*, int, int) { return 0; }
int __stdcall GetABKAddr(const char*, char*, int) { return 0; }
int __stdcall GetPGPAddr(const char*, const char*, char*, int) { return 0; }

int __stdcall FindKeys(const char* text, char* buffer, int flag) {
    TPluginParams* s = Session();
    if (!s || !s->PGPData) return -1;
    try {
        s->SyncLinks();
        if (!s->CheckPGPConfig()) return -1;
        const std::string input = text ? text : "";
        if (input.empty()) {
            const int n = CountRingKeys();
            return n < 0 ? -1 : n;
        }
        std::string upgraded;
        const int changed = UpgradeAutoListKeyIDs(
            input,
            [](const std::string& id) {
                std::string first;
                return CountKeys(id, &first) == 1 ? first : std::string();
            },
            upgraded);
        // The caller's room: the text's length, with flag 1 eight more
        // characters per line for the longer key IDs.
        size_t lines = 1;
        for (char c : input) lines += c == '\n';
        const size_t room = input.size() + (flag ? 8 * lines : 0);
        if (upgraded.size() > room) return -1;
        CopyOut(buffer, upgraded);
        return changed;
    } catch (...) {
        return -1;
    }
}

int __stdcall KeySelect(const char*, const char*) { return -1; }

int __stdcall KeyDelete(char* buffer) {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        s->SyncLinks();
        std::string ids;
        if (!DeleteChosenKeys(*s, false, ids)) return 0;
        CopyOut(buffer, ids);
        return 1;
    } catch (...) {
        return 0;
    }
}

int __stdcall KeyExtract() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        s->SyncLinks();
        return ExtractChosenKeys(*s, "") ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall ShowFingerPrint() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        s->SyncLinks();
        ShowChosenFingerprint(*s);
    } catch (...) {
    }
    return 0;
}

int __stdcall ExecPGPkeys() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        return LaunchPGPkeys(*s) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
