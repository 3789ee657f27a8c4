// The encryptor functions the mail client calls with a message file, and
// what they reach of the session: the host's windows, the automation
// window, the boxes, the files, the key rings and the engine's jobs. No
// exception leaves an export.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "base/text.h"
#include "engine/decode_job.h"
#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/pgp_prefs.h"
#include "engine/secure_cache.h"
#include "formats/decryptor.h"
#include "formats/encode_order.h"
#include "formats/encryptor.h"
#include "formats/mime_text.h"
#include "interfaces/mail_client.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"

using namespace orv;

namespace {

// ---- The current message window as the client's editor -------------------------

std::string WindowText(HWND wnd) {
    if (!wnd) return {};
    const int n = GetWindowTextLengthA(wnd);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(wnd, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::string ClassOf(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

// A label's caption as the editor's fields are looked up by it: trimmed,
// its first ampersand removed.
std::string CleanCaption(std::string text) {
    text = std::string(Trim(text));
    const std::size_t amp = text.find('&');
    if (amp != std::string::npos) text.erase(amp, 1);
    return text;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    if (!parent || !IsWindow(parent)) return all;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool ClassIs(HWND wnd, const char* cls) { return lstrcmpiA(ClassOf(wnd).c_str(), cls) == 0; }

// The field of that class whose preceding window carries the label.
HWND LabelledField(HWND editor, const std::string& label, const char* cls) {
    for (HWND w : Descendants(editor)) {
        if (!ClassIs(w, cls)) continue;
        HWND prev = GetWindow(w, GW_HWNDPREV);
        if (prev && CleanCaption(WindowText(prev)) == label) return w;
    }
    return nullptr;
}

HWND ButtonBeginning(HWND editor, const std::string& caption) {
    const std::string clean = CleanCaption(caption);
    for (HWND w : Descendants(editor)) {
        if (!ClassIs(w, "Button")) continue;
        const std::string text = WindowText(w);
        if (text.rfind(caption, 0) == 0 || CleanCaption(text).rfind(clean, 0) == 0) return w;
    }
    return nullptr;
}

std::string Txt(int number) { return texts::Get(number); }

HWND CurrentEditor() {
    TPluginParams* s = Session();
    if (!s) return nullptr;
    HWND w = s->MessageWindow();
    if (!w || ClassOf(w) != host::kEditorClass) return nullptr;
    const std::string caption = WindowText(w);
    const std::string msg = Txt(txt::ED_MSG_CAP), reply = Txt(txt::ED_REPLY_CAP);
    if ((!msg.empty() && caption.rfind(msg, 0) == 0) || (!reply.empty() && caption.rfind(reply, 0) == 0)) return w;
    return nullptr;
}

// The editor control's text through the host editor library when the
// client has it loaded, else the control's window text.
std::string EditorBodyText(HWND control) {
    using GetTerBufferFn = HGLOBAL(WINAPI*)(HWND, long*);
    TPluginParams* s = Session();
    HMODULE ter = GetModuleHandleA(host::kEditorLibrary);
    if (!ter && s && !s->BaseDir.empty()) ter = GetModuleHandleA((s->BaseDir + host::kEditorLibrary).c_str());
    auto fn = ter ? reinterpret_cast<GetTerBufferFn>(reinterpret_cast<void*>(GetProcAddress(ter, "GetTerBuffer")))
                  : nullptr;
    if (fn) {
        long size = 0;
        HGLOBAL h = fn(control, &size);
        if (h) {
            std::string text;
            if (const char* p = static_cast<const char*>(GlobalLock(h))) {
                text.assign(p, size > 0 ? static_cast<std::size_t>(size) : std::strlen(p));
                GlobalUnlock(h);
            }
            GlobalFree(h);
            return text;
        }
    }
    return WindowText(control);
}

void MoveToNewEditor(const std::string& note) {
    TPluginParams* s = Session();
    HWND target = s ? s->HostTarget() : nullptr;
    if (!target) return;
    HWND editor = CurrentEditor();
    std::string body, to, subject, cc, bcc, replyTo, identity;
    int signature = -1;
    std::vector<std::string> attachments;
    bool copySelf = false, delivery = false, reading = false, urgent = false, useMime = false, rich = false;
    if (editor) {
        for (HWND w : Descendants(editor))
            if (ClassIs(w, host::kEditorControlClass)) {
                body = EditorBodyText(w);
                break;
            }
        to = WindowText(LabelledField(editor, Txt(txt::TO_HEADER), "Edit"));
        subject = WindowText(LabelledField(editor, Txt(txt::SUBJ_HEADER), "Edit"));
        cc = WindowText(LabelledField(editor, Txt(txt::CC_HEADER), "Edit"));
        bcc = WindowText(LabelledField(editor, Txt(txt::BCC_HEADER), "Edit"));
        replyTo = WindowText(LabelledField(editor, Txt(txt::REPLY_HEADER), "Edit"));
        identity = WindowText(LabelledField(editor, Txt(txt::ID_HEADER), "ComboBox"));
        if (HWND sig = LabelledField(editor, Txt(txt::_SIGNATURE), "ComboBox"))
            signature = static_cast<int>(SendMessageA(sig, CB_GETCURSEL, 0, 0)) - 1;
        for (HWND w : Descendants(editor)) {
            if (!ClassIs(w, "ListBox")) continue;
            const int n = static_cast<int>(SendMessageA(w, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                const int len = static_cast<int>(SendMessageA(w, LB_GETTEXTLEN, i, 0));
                if (len < 0) continue;
                std::string line(static_cast<std::size_t>(len) + 1, '\0');
                SendMessageA(w, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
                line.resize(std::strlen(line.c_str()));
                attachments.push_back(line);
            }
            break;
        }
        auto checked = [&](int number) {
            HWND b = ButtonBeginning(editor, Txt(number));
            return b && SendMessageA(b, BM_GETCHECK, 0, 0) == BST_CHECKED;
        };
        reading = checked(txt::CONF_READ);
        delivery = checked(txt::CONF_DELIVER);
        copySelf = checked(txt::COPY_SELF);
        urgent = checked(txt::_URGENT);
        rich = checked(txt::RICH_TEXT);
        useMime = checked(txt::USE_MIME);
    }
    HWND fresh = reinterpret_cast<HWND>(SendMessageA(target, host::kHostNewEditor, host::kNewEditorAny, 0));
    if (!fresh || !IsWindow(fresh)) return;
    auto set = [&](WPARAM field, const std::string& value) {
        SendMessageA(fresh, host::kEditorSetField, field, reinterpret_cast<LPARAM>(value.c_str()));
    };
    set(host::kFieldTo, to);
    set(host::kFieldSubject, subject);
    set(host::kFieldCc, cc);
    set(host::kFieldBcc, bcc);
    set(host::kFieldInsertText, std::string(TrimRight(body)));
    set(host::kFieldIdentity, identity);
    set(host::kFieldReplyTo, replyTo);
    for (const auto& a : attachments) set(host::kFieldAttachment, std::string(TrimRight(a)));
    PostMessageA(fresh, host::kEditorSetField, host::kFieldCopySelf, copySelf);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldConfirmDelivery, delivery);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldConfirmReading, reading);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldUrgent, urgent);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldUseMime, useMime);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldSignature, signature);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldRichText, rich);
    PostMessageA(fresh, host::kEditorSetField, host::kFieldReady, 0);
    WipeText(body);
    if (s->MsgBox) s->MsgBox->Info(note.c_str());
    SetFocus(fresh);
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

std::vector<TFoundKey> FoundKeys(const TKeyPropsList* list, bool signingOnly) {
    std::vector<TFoundKey> keys;
    if (!list) return keys;
    for (int i = 0; i < list->Count(); ++i) {
        const TKeyProps& p = list->Objects(i);
        if (signingOnly && (!p.CanSign || p.IsRevoked || p.IsExpired || p.IsDisabled)) continue;
        keys.push_back({list->Strings(i), p.UserName});
    }
    return keys;
}

}  // namespace

// The session's encryptor: the assembly and the flow over it. The jobs are
// the configuration store's; the session makes this with its other objects
// and frees it at the library end, while the engine is still there.
struct orv::TPMFuncsObjects {
    TPMFuncs PM;
    std::unique_ptr<TPMEncryptor> Ops;
    // The user chose the keys in the key dialog during this encode.
    bool KeysChosen = false;
};

namespace {

using TEncryptorState = TPMFuncsObjects;

HWND Automation() {
    TPluginParams* s = Session();
    return s ? s->Automation() : nullptr;
}

PGPWindowRef Owner() {
    TPluginParams* s = Session();
    return s ? s->Owner() : nullptr;
}

// The store's encoding job as the mail assembly runs it: the standing
// fields from the settings as they are now, and the key dialog unless
// [HideKeyDialog] Hide leaves the recipients to the AutoList.
TPGPEncode& MailEncodeJob(TPGPData& data) {
    TPGPEncode& job = data.EncodeJob();
    job.OmitMIMEVersion = true;
    job.AlwaysSelectKeys = !data.Settings.Hide;
    return job;
}

// The store's decoding job as the receiving side runs it.
void PrepareMailDecodeJob(TPGPData& data) { data.DecodeJob(); }

// The string library's texts and error texts.
void BindTexts(TEncryptorHost& h) {
    h.Text = [](int n) { return std::string(texts::Get(n)); };
    h.ErrorText = [](int e) { return texts::ErrorText(e); };
}

// The session's settings, configuration check and passphrase cache.
void BindSession(TEncryptorHost& h) {
    h.CheckPGPConfig = [] {
        TPluginParams* s = Session();
        if (!s || !s->PGPData) return false;
        s->PGPData->LoadSettings();
        const bool ok = s->CheckPGPConfig();
        PrepareMailDecodeJob(*s->PGPData);
        return ok;
    };
    h.FormParameter = [] {
        TPluginParams* s = Session();
        return s ? s->FormParameter : std::string();
    };
    h.MarginalIsInvalid = [] { return PgpPrefs() ? PgpPrefs()->MarginalIsInvalid() : false; };
    h.CacheTimer = [](int store) {
        TPluginParams* s = Session();
        if (s && s->PGPData) s->PGPData->CacheTimer(store);
    };
}

// The host window and the automation window.
void BindWindows(TEncryptorHost& h) {
    h.HostToBottom = [] {
        TPluginParams* s = Session();
        if (s && s->HostForm() && IsWindow(s->HostForm()))
            SetWindowPos(s->HostForm(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    };
    h.SendHost = [](unsigned msg, std::uintptr_t wp, std::intptr_t lp) -> std::intptr_t {
        TPluginParams* s = Session();
        HWND target = s ? s->HostTarget() : nullptr;
        return target ? SendMessageA(target, msg, wp, lp) : 0;
    };
    h.HasAutomation = [] { return Automation() != nullptr; };
    h.SendAutomation = [](unsigned msg, std::uintptr_t wp, std::intptr_t lp) -> std::intptr_t {
        HWND a = Automation();
        return a ? SendMessageA(a, msg, wp, lp) : 0;
    };
}

// The session's message boxes.
void BindBoxes(TEncryptorHost& h) {
    auto box = [](void (TMsgBox::*fn)(const char*)) {
        return [fn](const std::string& text) {
            TPluginParams* s = Session();
            if (s && s->MsgBox) (s->MsgBox.get()->*fn)(text.c_str());
        };
    };
    h.Error = box(&TMsgBox::Error);
    h.Warn = box(&TMsgBox::Warn);
    h.Info = box(&TMsgBox::Info);
    h.Popup = box(&TMsgBox::Popup);
    h.CustomDlg = [](const std::string& title, const std::string& text, const std::string& right,
                     const std::string& left, int flags) {
        TPluginParams* s = Session();
        return s && s->MsgBox ? s->MsgBox->CustomDlg(title.c_str(), text.c_str(), right.c_str(), left.c_str(), flags)
                              : 0;
    };
}

// Files, read whole and replaced whole.
void BindFiles(TEncryptorHost& h) {
    h.FileExists = [](const std::string& path) { return FileExists(path); };
    h.ReadFile = [](const std::string& path, std::string& bytes) { return ReadWholeFile(path, bytes); };
    h.WriteFile = [](const std::string& path, std::initializer_list<std::string_view> pieces) {
        return ReplaceWholeFile(path, pieces);
    };
    h.WipeFile = [](const std::string& path) {
        TPluginParams* s = Session();
        if (!s || !s->PGPData || !FileExists(path)) return false;
        s->PGPData->WipeFile(path);
        return !FileExists(path);
    };
}

// The key rings and the key server.
void BindKeys(TEncryptorHost& h) {
    h.FindSigningKeys = [](const std::string& text) {
        TPluginParams* s = Session();
        if (!s || !s->PGPData || s->PGPData->FindSecretKeys(text, kPropUserName | kPropCanSign | kPropIsRevoked |
                                                                        kPropIsExpired | kPropIsDisabled) <= 0)
            return std::vector<TFoundKey>{};
        return FoundKeys(s->PGPData->KeyPropsList.get(), true);
    };
    h.CountKeys = [](const std::string& text) { return orv::CountKeys(text); };
    h.HasADK = [](const std::string& text) {
        TPluginParams* s = Session();
        return s && s->PGPData && s->PGPData->FindKeysWithADK(text, kPropUserName) > 0;
    };
    h.KeysOf = [](const std::string& text) {
        TPluginParams* s = Session();
        if (!s || !s->PGPData || text.empty() || s->PGPData->FindKeysByText(text, kPropUserName) <= 0)
            return std::vector<TFoundKey>{};
        return FoundKeys(s->PGPData->KeyPropsList.get(), false);
    };
    h.ImportKeys = [](const std::string& text, std::vector<TFoundKey>& imported) -> int {
        TKeyPropsList list(0, kPropUserName | kPropShortKeyID);
        const PGPError err = ImportFromFile(text, false, texts::Get(txt::ADD_KEYS), Owner(), &list);
        imported = FoundKeys(&list, false);
        return err;
    };
    h.FetchKey = [](const std::string& keyID) -> int {
        TKeyPropsList* list = nullptr;
        const PGPError err = FetchKeyFromServer(keyID, texts::Get(txt::ADD_KEYS), list, Owner(), kPropUserName);
        delete list;
        return err;
    };
}

// The current message window, the clipboard and the host's own settings.
void BindEditor(TEncryptorHost& h) {
    h.ClipboardText = ClipboardText;
    h.EditorIdentity = [](std::string& identity) {
        HWND editor = CurrentEditor();
        if (!editor) return false;
        identity = WindowText(LabelledField(editor, Txt(txt::ID_HEADER), "ComboBox"));
        if (identity.size() > 260) identity.resize(260);
        return true;
    };
    h.UncheckEncrypt = [] {
        TPluginParams* s = Session();
        HWND w = s ? s->MessageWindow() : nullptr;
        if (!w) return;
        if (HWND b = ButtonBeginning(w, Txt(txt::ED_ENC_LBL))) SendMessageA(b, BM_SETCHECK, BST_UNCHECKED, 0);
    };
    h.MoveToNewEditor = MoveToNewEditor;
    h.MessageWindowFieldBegins = [](const std::string& prefix) {
        TPluginParams* s = Session();
        HWND w = s ? s->MessageWindow() : nullptr;
        if (prefix.empty() || !w) return false;
        for (HWND c : Descendants(w))
            if (ClassIs(c, "Edit") && WindowText(c).rfind(prefix, 0) == 0) return true;
        return false;
    };
    h.PmailIni = [](const std::string& section, const std::string& key) {
        TPluginParams* s = Session();
        if (!s) return std::string();
        char buffer[1024] = {};
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer,
                                 (s->MailboxDir + host::kPmailIni).c_str());
        return std::string(buffer);
    };
}

TEncryptorHost MakeHost(TPluginParams& session) {
    TEncryptorHost h;
    BindTexts(h);
    BindSession(h);
    BindWindows(h);
    BindBoxes(h);
    BindFiles(h);
    BindKeys(h);
    BindEditor(h);
    h.Decoder = session.PGPData ? session.PGPData->PGPDecode.get() : nullptr;
    return h;
}

TAssemblyServices MakeAssemblyServices(TEncryptorState& st, TEncryptorHost& host) {
    TAssemblyServices a;
    a.Text = host.Text;
    a.Encode = [state = &st](const TEncodeOrder& order, std::string& recipients, std::string& signer) {
        TPluginParams* s = Session();
        if (!s || !s->PGPData) {
            TEncodeOutcome none;
            none.Error = kPGPError_EngineNotLoaded;
            return none;
        }
        TPGPEncode& job = MailEncodeJob(*s->PGPData);
        // The keys are chosen once per message: its further parts go to the
        // keys the first one resolved to, without asking again.
        if (state->KeysChosen) job.AlwaysSelectKeys = false;
        TEncodeOutcome outcome = RunEncodeOrder(job, order, recipients, signer);
        if (outcome.Error == 0 && order.Operation == TEncodeOperation::Encrypt) state->KeysChosen = true;
        return outcome;
    };
    a.ErrorText = host.ErrorText;
    a.ClearPGPError = [] {
        TPluginParams* s = Session();
        if (s && s->PGPData) s->PGPData->LastResult = 0;
    };
    a.Cancel = [](const std::string& text) {
        TPluginParams* s = Session();
        return s && s->MsgBox && s->MsgBox->Cancel(text.c_str());
    };
    a.Error = host.Error;
    a.Status = [send = host.SendHost](const std::string& text) {
        send(host::kHostStatusLine, host::kStatusProgress, reinterpret_cast<std::intptr_t>(text.c_str()));
    };
    a.Random32 = [] {
        TPluginParams* s = Session();
        return s && s->PGPData && s->PGPData->Secure ? static_cast<std::uint32_t>(s->PGPData->Secure->Random.Next())
                                                      : static_cast<std::uint32_t>(GetTickCount());
    };
    a.PGPExt = [] {
        TPluginParams* s = Session();
        return s && s->PGPData && s->PGPData->Settings.PGPExt;
    };
    a.ReadMessage = host.ReadFile;
    a.ReplaceMessage = [](const std::string& path, std::string_view bytes) { return ReplaceWholeFile(path, bytes); };
    return a;
}

TPMFuncsObjects* MakePMFuncs(TPluginParams& session) {
    if (!session.PGPData) return nullptr;
    auto st = std::make_unique<TEncryptorState>();
    TEncryptorHost host = MakeHost(session);
    st->PM.Services = MakeAssemblyServices(*st, host);
    st->Ops = std::make_unique<TPMEncryptor>(st->PM, std::move(host), session.PGPData->Settings, session.OutcomeFlags);
    return st.release();
}

void ReleasePMFuncs(TPMFuncsObjects* objects) { delete objects; }

// The session makes the encryptor when it starts, which is after the
// library's own objects are constructed.
[[maybe_unused]] const bool g_factorySet = (SetPMFuncsFactory(MakePMFuncs, ReleasePMFuncs), true);

// The encryptor with the settings of this call; null without a session.
TPMEncryptor* Encryptor() {
    TPluginParams* s = Session();
    if (!s || !s->PGPData || !s->PMFuncs) return nullptr;
    return s->PMFuncs->Ops.get();
}

// Takes over the request with the settings it runs with.
TPMEncryptor* TakeOver(const void* request, bool& checked) {
    TPMEncryptor* ops = Encryptor();
    if (!ops) return nullptr;
    checked = ops->ReadCryptEx(request);
    return ops;
}

int EncodeExport(const host::CryptRequest* request) {
    if (!request) return 0;
    try {
        bool checked = false;
        TPMEncryptor* ops = TakeOver(request, checked);
        if (!ops) return 0;
        Session()->PMFuncs->KeysChosen = false;
        // The key dialog names the recipients it looks for.
        Session()->PGPData->PGPEncode->SelectPrompt =
            std::string(texts::Get(txt::SEL_KEY)) + " \"" + ops->HostRecipients + "\":";
        return ops->Encode();
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

int __stdcall ENCRYPT_FILE_EX(const host::CryptRequest* request) { return EncodeExport(request); }

int __stdcall SIGN_FILE_EX(const host::CryptRequest* request) { return EncodeExport(request); }

int __stdcall DECRYPT_FILE_EX(const host::CryptRequest* request) {
    if (!request) return 0;
    try {
        bool checked = false;
        TPMEncryptor* ops = TakeOver(request, checked);
        return ops ? ops->Decode() : 0;
    } catch (...) {
        return 0;
    }
}

int __stdcall VERIFY_SIGNATURE(const char* path, char* result) {
    int r = -1;
    try {
        TPMEncryptor* ops = Encryptor();
        if (ops) {
            r = ops->VerifySignature(path);
            if (result) {
                // The caller's buffer has room for a signature line and its
                // zero; an error text is cut there too.
                const std::string& text = ops->ResultText;
                const std::size_t n = std::min(text.size(), kVerifyLineMax);
                std::memcpy(result, text.data(), n);
                result[n] = 0;
            }
        } else if (result) {
            result[0] = 0;
        }
    } catch (...) {
        if (result) result[0] = 0;
        r = -1;
    }
    return r;
}

int __stdcall KEY_MANAGEMENT(const char* pathOrClip) {
    try {
        TPMEncryptor* ops = Encryptor();
        if (!ops) return 0;
        return ops->KeyManagement(pathOrClip);
    } catch (...) {
        return 0;
    }
}

int __stdcall DESTROY_FILE(const char* path) {
    try {
        TPMEncryptor* ops = Encryptor();
        if (!ops) return 0;
        return ops->DestroyFile(path);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
