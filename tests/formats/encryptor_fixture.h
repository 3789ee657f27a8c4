#pragma once
// The main library loaded as the mail client loads it for its encryptor
// functions: over a private engine directory, with the test user's registry
// values, a mailbox directory in %TEMP%, a host window that answers the
// host messages and records the status line, a new-editor window that
// records its fields, and an automation window of class "ORVAUTOCRYPT"
// that answers and records the automation messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/files.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

namespace orv::test {

inline const char* const kAliceID = "0xE8750B357ACE6A48";
inline const char* const kBobID = "0xD91F7A27B2A16278";
// The stand-in's dialogs and the library's own message boxes.
inline const char* const kEngineDialog = "#32770";
inline const char* const kLibraryBox = "TfrmPGPDlg";

using CryptFn = int(WINAPI*)(host::CryptRequest*);
using VerifyFn = int(WINAPI*)(const char*, char*);
using PathFn = int(WINAPI*)(const char*);
using PlugInitFn = void(WINAPI*)(HWND, DWORD, HWND, const char*);

// What a window of the test was told.
struct Told {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    std::string text;  // the text lParam pointed at, copied while it was valid
};

class TestWindows {
public:
    TestWindows() {
        Register("OrvEncHost", &HostProc);
        Register("OrvEncEditor", &EditorProc);
        Register(automation::kWindowClass, &AutomationProc);
        host = Make("OrvEncHost", "Pegasus Mail");
        automationWnd = Make(automation::kWindowClass, "");
        Self() = this;
    }
    ~TestWindows() {
        Self() = nullptr;
        for (HWND w : editors) DestroyWindow(w);
        DestroyWindow(automationWnd);
        DestroyWindow(host);
    }
    void Clear() {
        status.clear();
        automationTold.clear();
        editorFields.clear();
        for (HWND w : editors) DestroyWindow(w);
        editors.clear();
    }
    std::vector<std::string> StatusLines(WPARAM kind) const {
        std::vector<std::string> lines;
        for (const auto& t : status)
            if (t.wp == kind) lines.push_back(t.text);
        return lines;
    }
    std::vector<Told> Automation(UINT msg) const {
        std::vector<Told> out;
        for (const auto& t : automationTold)
            if (t.msg == msg) out.push_back(t);
        return out;
    }

    HWND host = nullptr;
    HWND automationWnd = nullptr;
    std::vector<HWND> editors;
    std::vector<Told> status;
    std::vector<Told> automationTold;
    std::vector<std::pair<WPARAM, std::string>> editorFields;
    // Answers of the automation window.
    std::string signKey;      // AM_SIGNKEY wParam 0
    std::string entry;        // AM_GETENTRY
    std::string entryFirst;
    bool automatic = false;
    bool pgpMimeWanted = false;
    LRESULT sendCancelled = 0;
    std::string charset = "ISO-8859-1";
    bool newEditorOpens = true;

private:
    static TestWindows*& Self() {
        static TestWindows* self = nullptr;
        return self;
    }
    static void Register(const char* cls, WNDPROC proc) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = cls;
        RegisterClassA(&wc);
    }
    static HWND Make(const char* cls, const char* caption) {
        return CreateWindowExA(0, cls, caption, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
    static std::string TextOf(LPARAM lp) { return lp ? std::string(reinterpret_cast<const char*>(lp)) : std::string(); }

    static LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        TestWindows* t = Self();
        if (t && msg == host::kHostStatusLine) {
            t->status.push_back({msg, wp, lp, TextOf(lp)});
            return 1;
        }
        if (t && msg == host::kHostGetSetting && wp == host::kSettingCharset && lp) {
            lstrcpynA(reinterpret_cast<char*>(lp), t->charset.c_str(), 261);
            return 1;
        }
        if (t && msg == host::kHostGetSetting) return 0;
        if (t && msg == host::kHostNewEditor) {
            if (!t->newEditorOpens) return 0;
            HWND e = Make("OrvEncEditor", "Message");
            t->editors.push_back(e);
            return reinterpret_cast<LRESULT>(e);
        }
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    static LRESULT CALLBACK EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        TestWindows* t = Self();
        if (t && msg == host::kEditorSetField) {
            const bool text = wp == host::kFieldTo || wp == host::kFieldSubject || wp == host::kFieldCc ||
                              wp == host::kFieldBody ||
                              wp == host::kFieldBcc || wp == host::kFieldInsertText || wp == host::kFieldIdentity ||
                              wp == host::kFieldReplyTo || wp == host::kFieldAttachment;
            t->editorFields.push_back({wp, text ? TextOf(lp) : std::to_string(lp)});
            return 1;
        }
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    static LRESULT CALLBACK AutomationProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        TestWindows* t = Self();
        if (!t || msg < WM_USER || msg > WM_USER + 11) return DefWindowProcA(wnd, msg, wp, lp);
        Told told{msg, wp, lp, {}};
        switch (msg) {
        case automation::AM_ADDTOLIST:
        case automation::AM_DECODED:
            told.text = TextOf(lp);
            break;
        case automation::AM_SIGNKEY:
            if (wp) {
                told.text = TextOf(lp);
            } else if (lp) {
                lstrcpynA(reinterpret_cast<char*>(lp), t->signKey.c_str(), automation::kSignKeyChars + 1);
            }
            break;
        case automation::AM_GETENTRY: {
            auto* r = reinterpret_cast<automation::EntryRecord*>(lp);
            r->entry = t->entry.c_str();
            r->firstItem = t->entryFirst.c_str();
            r->automatic = t->automatic;
            r->pgpMimeWanted = t->pgpMimeWanted;
            break;
        }
        case automation::AM_NEXTENTRY: {
            auto* r = reinterpret_cast<automation::EntryRecord*>(lp);
            told.text = std::string(r->firstItem ? r->firstItem : "") + "|" + (r->entry ? r->entry : "");
            t->automationTold.push_back(told);
            return 1;
        }
        case automation::AM_SENDCANCELLED:
            t->automationTold.push_back(told);
            return t->sendCancelled;
        default:
            break;
        }
        t->automationTold.push_back(told);
        return 0;
    }
};

class EncryptorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("encmailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(
            std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegBaseDir, "", std::string("C:\\PMail\\")));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        WriteConfig("");
        SetDllDirectoryA(engine_->Dir().c_str());
        module_ = LoadLibraryA((ProgramDir() + "Merrowin.dll").c_str());
        windows_ = new TestWindows;
        if (!module_) return;
        auto formInit = Bind<host::FormInitFn>("FORMINIT");
        HWND form = nullptr;
        char* callback = nullptr;
        // An empty form parameter makes the host window the one the
        // encryptor functions report to.
        if (formInit) formInit(host::kFormInterfaceVersion, host::kFormModeClient, windows_->host, "", &form, &callback);
        if (auto plugInit = Bind<PlugInitFn>("PlugInit"))
            plugInit(windows_->host, 0, windows_->automationWnd, mailbox_->Path().c_str());
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
        delete windows_;
        windows_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        engine_ = nullptr;
        registry_.clear();
        delete mailbox_;
        mailbox_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load: " << GetLastError();
        for (const auto& v : registry_) ASSERT_TRUE(v->ok());
        encryptFileEx = Bind<CryptFn>("ENCRYPT_FILE_EX");
        signFileEx = Bind<CryptFn>("SIGN_FILE_EX");
        decryptFileEx = Bind<CryptFn>("DECRYPT_FILE_EX");
        verifySignature = Bind<VerifyFn>("VERIFY_SIGNATURE");
        keyManagement = Bind<PathFn>("KEY_MANAGEMENT");
        destroyFile = Bind<PathFn>("DESTROY_FILE");
        ASSERT_TRUE(encryptFileEx && signFileEx && decryptFileEx && verifySignature && keyManagement && destroyFile);
        engine_->ResetRings();
        WriteConfig("");
        windows_->Clear();
        windows_->signKey.clear();
        windows_->entry.clear();
        windows_->entryFirst.clear();
        windows_->automatic = false;
        windows_->pgpMimeWanted = false;
        windows_->sendCancelled = 0;
        windows_->newEditorOpens = true;
    }

    template <class Fn>
    static Fn Bind(const char* name) {
        return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }
    // "Merrowin.cfg" with the test rings, alice as the default user, and
    // the extra lines given. Recipients come without the key dialog (Auto
    // Key Search on) unless the extra lines say otherwise.
    static void WriteConfig(const std::string& extra) {
        const std::string hide =
            extra.find("[HideKeyDialog]") == std::string::npos ? "[HideKeyDialog]\r\nHide=1\r\n" : "";
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\" + kAliceID + "\r\n" + hide + extra);
    }
    static std::string Path(const std::string& name) { return mailbox_->Path() + name; }
    static void Write(const std::string& path, const std::string& bytes) { ReplaceWholeFile(path, bytes); }

    // One call of an _EX function as the mail client makes it.
    static int Call(CryptFn fn, const std::string& file, const std::string& output, const std::string& recipients) {
        host::CryptRequest request{};
        request.HostWord = 0x1234;
        request.MessageFile = file.c_str();
        request.OutputFile = output.empty() ? nullptr : output.c_str();
        request.HostRecipients = recipients.c_str();
        return fn(&request);
    }

    CryptFn encryptFileEx = nullptr, signFileEx = nullptr, decryptFileEx = nullptr;
    VerifyFn verifySignature = nullptr;
    PathFn keyManagement = nullptr, destroyFile = nullptr;

    static inline HMODULE module_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline ScratchDir* mailbox_ = nullptr;
    static inline TestWindows* windows_ = nullptr;
    static inline std::vector<std::unique_ptr<RegistryValue>> registry_;
};

// A message of the client with a text part and a binary attachment.
inline std::string MixedMessage(int flags, const std::string& attachment) {
    std::string b64;
    {
        static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::size_t i = 0;
        int col = 0;
        for (; i + 2 < attachment.size(); i += 3) {
            const unsigned v = (unsigned char)attachment[i] << 16 | (unsigned char)attachment[i + 1] << 8 |
                               (unsigned char)attachment[i + 2];
            b64 += a[v >> 18 & 63];
            b64 += a[v >> 12 & 63];
            b64 += a[v >> 6 & 63];
            b64 += a[v & 63];
            if ((col += 4) >= 72) {
                b64 += "\r\n";
                col = 0;
            }
        }
        if (i < attachment.size()) {
            unsigned v = (unsigned char)attachment[i] << 16;
            if (i + 1 < attachment.size()) v |= (unsigned char)attachment[i + 1] << 8;
            b64 += a[v >> 18 & 63];
            b64 += a[v >> 12 & 63];
            b64 += i + 1 < attachment.size() ? a[v >> 6 & 63] : '=';
            b64 += '=';
        }
    }
    return "From: Alice <alice@example.org>\r\nTo: bob@example.org\r\nSubject: Report\r\nMIME-Version: 1.0\r\n"
           "Content-type: Multipart/Mixed; boundary=Message-Boundary-4711\r\n"
           "X-PM-Encryptor: ORVPGP-PM32, " +
           std::to_string(flags) +
           "\r\n\r\n"
           "--Message-Boundary-4711\r\nContent-type: text/plain; charset=US-ASCII\r\n"
           "Content-transfer-encoding: 7BIT\r\nContent-description: Mail message body\r\n\r\n"
           "Hello Bob,\r\n\r\nthe report is attached.\r\n\r\n"
           "--Message-Boundary-4711\r\nContent-type: Application/Octet-stream; name=\"data.bin\"; type=Unknown\r\n"
           "Content-disposition: attachment; filename=\"data.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\n" +
           b64 + "\r\n\r\n--Message-Boundary-4711--\r\n";
}

inline std::string Attachment() {
    std::string s(2000, '\0');
    unsigned x = 12345;
    for (char& c : s) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    return s;
}

inline int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace orv::test
