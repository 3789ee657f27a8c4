// The main library's exports for the mail client, the launcher and the
// automation plug-in. No exception leaves an export: each catches at its
// boundary and gives its failure result.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/text.h"
#include "interfaces/address_room.h"
#include "engine/key_rings.h"
#include "interfaces/address_room.h"
#include "interfaces/mail_client.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/address_exports.h"
#include "plugin/key_ops.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "plugin/window_exports.h"
#include "strings/text_client.h"
#include "ui/info_box.h"

using namespace orv;

namespace {

TMsgBox* Boxes() {
    TPluginParams* s = Session();
    return s ? s->MsgBox.get() : nullptr;
}

}  // namespace

extern "C" {

WORD __stdcall FORMINIT(WORD version, int mode, HWND hostWindow, const char* parameter, HWND* formWindow,
                        char** /*callbackName*/) {
    TPluginParams* s = Session();
    if ((version >> 8) > host::kFormInterfaceMaxMajor || !s) return host::kFormInitFailed;
    TSessionForm* form = nullptr;
    // A launcher window's run may close its form: the form is closed here
    // only while the session still has it.
    const std::string wanted = parameter ? parameter : "";
    auto closeForm = [&] {
        if (form && s->OpenForm(wanted) == form) s->CloseForm(form);
    };
    try {
        // Without a form there is no window: the host window is kept for
        // the encryptor calls, but the start itself reports no form.
        form = s->Init(mode, wanted, hostWindow);
        if (!form) return host::kFormInitFailed;
        if (s->PGPData) s->PGPData->LoadSettings();
        if (!form->Window) {
            s->CloseForm(form);
            return host::kFormInitFailed;
        }
        if (formWindow) *formWindow = form->Window;
        // The launcher's forms count only when their window ran.
        if (form->InLauncher() && !RunLauncherWindow(*s)) {
            closeForm();
            if (formWindow) *formWindow = nullptr;
            return host::kFormInitFailed;
        }
        return host::kFormInitOk;
    } catch (...) {
        closeForm();
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
        if (mailboxDir) s->MailboxDir = WithBackslash(mailboxDir);
    } catch (...) {
    }
}


int __stdcall ShowAbout() {
    TPluginParams* s = Session();
    if (!s || !s->MsgBox) return 0;
    try {
        ui::ShowInfoBox();
        if (s->FormParameter == merrowin::kFormAbout && s->HostForm() && IsWindow(s->HostForm()))
            PostMessageA(s->HostForm(), WM_CLOSE, 0, 0);
        return 1;
    } catch (...) {
        return 0;
    }
}

int __stdcall WipeCache() {
    TPluginParams* s = Session();
    if (!s || !s->PGPData) return 0;
    try {
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
        return FetchKey(*s, keyID) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall FindKeys(const char* text, char* buffer, int /*flag*/) {
    TPluginParams* s = Session();
    if (!s || !s->PGPData) return -1;
    try {
        if (!s->CheckPGPConfig()) return -1;
        const std::string input = text ? text : "";
        if (input.empty()) {
            const int n = CountRingKeys();
            return n < 0 ? -1 : n;
        }
        std::string upgraded;
        const int changed = UpgradeAutoListKeyIDsFromRings(input, upgraded);
        // A list that would outgrow its caller's buffer fails rather than overruns it.
        if (!CopyResult(buffer, addrroom::FindKeys(input), upgraded)) return -1;
        return changed;
    } catch (...) {
        return -1;
    }
}

int __stdcall KeyDelete(char* buffer) {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        std::string ids;
        if (!DeleteChosenKeys(*s, false, ids)) return 0;
        // The room is what the caller gives, whatever the ring holds now.
        const std::size_t room = addrroom::KeyDelete();
        if (!CopyResult(buffer, room, ids)) {
            if (TMsgBox* m = Boxes()) m->Error(texts::Get(txt::NO_MEM));
            return 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

int __stdcall KeyExtract() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        return ExtractChosenKeys(*s, "") ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall ShowFingerPrint() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
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
