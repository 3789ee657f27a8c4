// The encoding job over the engine stand-in with the gpg-made rings: the
// options it hands the engine and their order (recorded by wrapping the
// loader's table), recipient resolution with the signer last, signing with
// the passphrase cache, the key selection dialog answered by the UI robot,
// the results as texts and files, the failures, and clean-up on every path.
//
// With ORV_ENCODE_OUT set (a directory), the Peers tests leave their outputs
// there for encode/gpg_check.sh, which decrypts and verifies them with gpg.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "tests/support/files.h"
#include "ui/sel_key_dialog.h"
#include "standin/sdkui/dialog_ids.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif
#ifndef ORV_ENCODE_DATA
#error ORV_ENCODE_DATA names the directory of the keys of these tests
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kCarol = "0x6533671D0C89AF89";
const char* const kText = "Hello Orvane,\r\nthis is the second line.\r\n-- \r\nFrom the sender\r\n";

// ---- What the job hands the engine --------------------------------------------

std::vector<std::string> g_calls;
// The passphrase cache's stored blob: its decoding is no part of the job's list.
const void* g_cacheBlob = nullptr;
void Note(const std::string& s) { g_calls.push_back(s); }

sdk::Table g_real;

#define ORV_REC_VALUE(slot, T)                                                  \
    PGPOptionListRef PGP_CALL rec_##slot(PGPContextRef c, T v) {                \
        Note(std::string(#slot) + "(" + std::to_string(static_cast<long>(v)) + ")"); \
        return g_real.slot(c, v);                                               \
    }
ORV_REC_VALUE(PGPOArmorOutput, PGPBoolean)
ORV_REC_VALUE(PGPOClearSign, PGPBoolean)
ORV_REC_VALUE(PGPOCompression, PGPBoolean)
ORV_REC_VALUE(PGPOForYourEyesOnly, PGPBoolean)
ORV_REC_VALUE(PGPODataIsASCII, PGPBoolean)
ORV_REC_VALUE(PGPOOmitMIMEVersion, PGPBoolean)
ORV_REC_VALUE(PGPOCipherAlgorithm, PGPCipherAlgorithm)
ORV_REC_VALUE(PGPOHashAlgorithm, PGPHashAlgorithm)
#undef ORV_REC_VALUE

PGPOptionListRef PGP_CALL rec_PGPOCommentString(PGPContextRef c, const char* s) {
    Note(std::string("PGPOCommentString(") + (s ? s : "<null>") + ")");
    return g_real.PGPOCommentString(c, s);
}
PGPOptionListRef PGP_CALL rec_PGPOVersionString(PGPContextRef c, const char* s) {
    Note(std::string("PGPOVersionString(") + (s ? s : "<null>") + ")");
    return g_real.PGPOVersionString(c, s);
}
PGPOptionListRef PGP_CALL rec_PGPOEventHandler(PGPContextRef c, PGPEventHandlerProcPtr h, PGPUserValue u) {
    Note("PGPOEventHandler");
    return g_real.PGPOEventHandler(c, h, u);
}
// The options of a variable list, up to the closing option, joined into one.
PGPOptionListRef Joined(PGPContextRef c, PGPOptionListRef first, va_list ap) {
    PGPOptionListRef last = g_real.PGPOLastOption(c);
    PGPOptionListRef list = nullptr;
    g_real.PGPNewOptionList(c, &list);
    for (PGPOptionListRef o = first; o != last; o = va_arg(ap, PGPOptionListRef))
        g_real.PGPAppendOptionList(list, o, last);
    return list;
}

PGPOptionListRef PGP_CALL rec_PGPODetachedSig(PGPContextRef c, PGPOptionListRef first, ...) {
    Note("PGPODetachedSig");
    va_list ap;
    va_start(ap, first);
    PGPOptionListRef inner = Joined(c, first, ap);
    va_end(ap);
    return g_real.PGPODetachedSig(c, inner, g_real.PGPOLastOption(c));
}
PGPOptionListRef PGP_CALL rec_PGPOConventionalEncrypt(PGPContextRef c, PGPOptionListRef first, ...) {
    Note("PGPOConventionalEncrypt");
    va_list ap;
    va_start(ap, first);
    PGPOptionListRef inner = Joined(c, first, ap);
    va_end(ap);
    return g_real.PGPOConventionalEncrypt(c, inner, g_real.PGPOLastOption(c));
}
PGPOptionListRef PGP_CALL rec_PGPOSignWithKey(PGPContextRef c, PGPKeyDBObjRef key, PGPOptionListRef first, ...) {
    Note("PGPOSignWithKey(" + KeyIDText(key) + ")");
    va_list ap;
    va_start(ap, first);
    PGPOptionListRef inner = Joined(c, first, ap);
    va_end(ap);
    return g_real.PGPOSignWithKey(c, key, inner, g_real.PGPOLastOption(c));
}
PGPOptionListRef PGP_CALL rec_PGPOPGPMIMEEncoding(PGPContextRef c, PGPBoolean b, PGPSize* offset, char* sep) {
    Note("PGPOPGPMIMEEncoding(" + std::to_string(b) + (sep && sep[0] == 0 ? ",empty" : ",not empty") + ")");
    return g_real.PGPOPGPMIMEEncoding(c, b, offset, sep);
}
PGPOptionListRef PGP_CALL rec_PGPOEncryptToKeySet(PGPContextRef c, PGPKeySetRef set) {
    PGPUInt32 n = 0;
    g_real.PGPCountKeys(set, &n);
    Note("PGPOEncryptToKeySet(" + std::to_string(n) + ")");
    return g_real.PGPOEncryptToKeySet(c, set);
}
PGPOptionListRef PGP_CALL rec_PGPOPreferredAlgorithms(PGPContextRef c, const PGPCipherAlgorithm* a, PGPUInt32 n) {
    Note("PGPOPreferredAlgorithms(" + std::to_string(n) + ")");
    return g_real.PGPOPreferredAlgorithms(c, a, n);
}
PGPOptionListRef PGP_CALL rec_PGPOInputBuffer(PGPContextRef c, const void* b, PGPSize n) {
    Note(b && b == g_cacheBlob ? std::string("PGPOPassphrase") : "PGPOInputBuffer(" + std::to_string(n) + ")");
    return g_real.PGPOInputBuffer(c, b, n);
}
PGPOptionListRef PGP_CALL rec_PGPOInputFile(PGPContextRef c, PGPFileSpecRef f) {
    Note("PGPOInputFile");
    return g_real.PGPOInputFile(c, f);
}
PGPOptionListRef PGP_CALL rec_PGPOAllocatedOutputBuffer(PGPContextRef c, void** out, PGPSize max, PGPSize* len) {
    Note("PGPOAllocatedOutputBuffer(" + std::to_string(max) + ")");
    return g_real.PGPOAllocatedOutputBuffer(c, out, max, len);
}
PGPOptionListRef PGP_CALL rec_PGPOPassphrase(PGPContextRef c, const char* p) {
    Note("PGPOPassphrase");
    return g_real.PGPOPassphrase(c, p);
}
PGPError PGP_CALL rec_PGPEncode(PGPContextRef c, PGPOptionListRef first, ...) {
    Note("PGPEncode");
    va_list ap;
    va_start(ap, first);
    PGPOptionListRef all = Joined(c, first, ap);
    va_end(ap);
    return g_real.PGPEncode(c, all, g_real.PGPOLastOption(c));
}

void InstallRecorder() {
    auto& t = Sdk();
    g_real = t;
#define ORV_SWAP(slot) t.slot = rec_##slot;
    ORV_SWAP(PGPOArmorOutput)
    ORV_SWAP(PGPOClearSign)
    ORV_SWAP(PGPOCompression)
    ORV_SWAP(PGPOForYourEyesOnly)
    ORV_SWAP(PGPODataIsASCII)
    ORV_SWAP(PGPOOmitMIMEVersion)
    ORV_SWAP(PGPOCipherAlgorithm)
    ORV_SWAP(PGPOHashAlgorithm)
    ORV_SWAP(PGPOCommentString)
    ORV_SWAP(PGPOVersionString)
    ORV_SWAP(PGPOEventHandler)
    ORV_SWAP(PGPODetachedSig)
    ORV_SWAP(PGPOConventionalEncrypt)
    ORV_SWAP(PGPOSignWithKey)
    ORV_SWAP(PGPOPGPMIMEEncoding)
    ORV_SWAP(PGPOEncryptToKeySet)
    ORV_SWAP(PGPOPreferredAlgorithms)
    ORV_SWAP(PGPOInputBuffer)
    ORV_SWAP(PGPOInputFile)
    ORV_SWAP(PGPOAllocatedOutputBuffer)
    ORV_SWAP(PGPOPassphrase)
    ORV_SWAP(PGPEncode)
#undef ORV_SWAP
}

// The recorded calls up to the job's encoder call (the passphrase cache
// encodes too, afterwards), without the passphrase options and the cache's
// reading, joined by blanks.
std::string Calls() {
    std::string out;
    for (const auto& c : g_calls) {
        if (c == "PGPOPassphrase") continue;
        out += (out.empty() ? "" : " ") + c;
        if (c == "PGPEncode") break;
    }
    return out;
}

// ---- Files ------------------------------------------------------------------

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string EnvOut() {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("ORV_ENCODE_OUT", buf, sizeof buf);
    if (!n || n >= sizeof buf) return {};
    std::string dir(buf, n);
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

// ---- Fixture ----------------------------------------------------------------

// A data directory with alice's rings, whose secret ring also holds carol's
// key (DSA/ElGamal, protected with "carol pass").
std::string MakeDataDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "orv_encode_data_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string rings = SourcePath(ORV_KEY_DATA);
    const std::string own = SourcePath(ORV_ENCODE_DATA);
    CopyFileA((rings + "pubring.pkr").c_str(), (dir + "pubring.pkr").c_str(), FALSE);
    WriteFile(dir + "secring.skr", ReadAll(rings + "alice_sec.asc") + ReadAll(own + "carol_protected_sec.asc"));
    return dir;
}

class EncodeJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dataDir_ = MakeDataDir();
        engine_ = new StandInEngine(dataDir_);
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loaded_ = engine_->Load(hooks);
        if (loaded_) InstallRecorder();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        work_ = std::string(temp) + "orv_encode_work_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(work_.c_str(), nullptr);
        out_ = EnvOut();
        if (out_.empty()) out_ = work_;
        WriteFile(out_ + "data.txt", kText);
    }
    static void TearDownTestSuite() {
        if (loaded_) Sdk() = g_real;
        delete engine_;
        engine_ = nullptr;
        for (const char* f : {"pubring.pkr", "secring.skr"}) DeleteFileA((dataDir_ + f).c_str());
        RemoveDirectoryA(dataDir_.c_str());
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((work_ + "*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((work_ + fd.cFileName).c_str());
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(work_.c_str());
    }

    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_NE(KeyRings(), nullptr);
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
        secure = std::make_unique<TSecure>();
        job = std::make_unique<TPGPEncode>();
        job->Secure = secure.get();
        job->KeySelector = SelectKeysInDialog;
        job->SelectPrompt = "Select public key for ";
        job->PassphrasePrompt = "Enter your passphrase:";
        job->GroupCaption = "Group";
        job->OKCaption = "&OK";
        job->CancelCaption = "&Cancel";
        job->ServerCaption = "Key from &server";
        job->AutoListCaption = "Use and add to &AutoList";
        job->OmitMIMEVersion = true;
        job->Armor = true;
        job->TextMode = true;
        g_calls.clear();
    }
    void TearDown() override {
        job.reset();
        secure.reset();
        ASSERT_EQ(KeyRings()->OpenCount, 0) << "a job left the rings open";
    }

    // The signing passphrase as an earlier job would have left it.
    void CacheSigning(const char* passphrase) {
        PGPContextRef ctx = nullptr;
        PGPKeySetRef set = nullptr;
        ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
        const char seed[] = "bytes of an earlier job's output";
        EXPECT_TRUE(secure->CachePassphrase(ctx, passphrase, kSignSlot, seed, sizeof seed - 1));
        KeyRings()->CloseKeyRings();
        g_cacheBlob = secure->SignSlot.Blob;
        g_calls.clear();
    }

    // Keeps an output for the gpg check.
    void Keep(const std::string& name, const std::string& bytes) { WriteFile(out_ + name, bytes); }

    static inline StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline std::string dataDir_, work_, out_;
    std::unique_ptr<TSecure> secure;
    std::unique_ptr<TPGPEncode> job;
};

// The first key-selection dialog of this process, or none in the time.
HWND FindKeyDialog(int timeoutMs) {
    const DWORD end = GetTickCount() + timeoutMs;
    do {
        for (HWND w : ListTopWindows(kSelKeyDialogClass, kSelKeyDialogCaption)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && GetDlgItem(w, kSelKeyTree)) return w;
        }
        Sleep(30);
    } while (GetTickCount() < end);
    return nullptr;
}

// Answers the key dialog from a thread while the job runs on this one.
class DialogAnswer {
public:
    explicit DialogAnswer(std::function<void(HWND dlg, HWND tree)> act, int timeoutMs = 10000) {
        thread_ = std::thread([this, act, timeoutMs] {
            HWND dlg = FindKeyDialog(timeoutMs);
            if (!dlg) return;
            seen_ = true;
            act(dlg, GetDlgItem(dlg, kSelKeyTree));
            if (!WaitGone(dlg, 5000)) PostMessageA(dlg, WM_CLOSE, 0, 0);
        });
    }
    ~DialogAnswer() {
        if (thread_.joinable()) thread_.join();
    }
    bool Seen() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    std::thread thread_;
    std::atomic<bool> seen_{false};
};

HTREEITEM FindKeyItem(HWND tree, const std::string& prefix) {
    for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) {
        char buf[512] = {};
        TVITEMA tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = i;
        tv.pszText = buf;
        tv.cchTextMax = sizeof buf;
        TreeView_GetItem(tree, &tv);
        if (std::string(buf).rfind(prefix, 0) == 0) return i;
    }
    return nullptr;
}

// Answers the engine's passphrase dialog (signing or conventional
// encryption) with the passphrase, in both fields where it asks twice.
class PassphraseAnswer {
public:
    explicit PassphraseAnswer(const std::string& passphrase, int timeoutMs = 15000) {
        thread_ = std::thread([this, passphrase, timeoutMs] {
            const DWORD end = GetTickCount() + timeoutMs;
            HWND dlg = nullptr;
            while (!dlg && GetTickCount() < end) {
                for (HWND w : ListTopWindows("#32770", "PGP")) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid == GetCurrentProcessId() && GetDlgItem(w, IDC_SDKUI_PASSPHRASE)) dlg = w;
                }
                if (!dlg) Sleep(30);
            }
            if (!dlg) return;
            seen_ = true;
            prompt_ = GetText(GetDlgItem(dlg, IDC_SDKUI_PROMPT));
            signing_ = GetDlgItem(dlg, IDC_SDKUI_KEYS) != nullptr;
            SetText(GetDlgItem(dlg, IDC_SDKUI_PASSPHRASE), passphrase);
            if (HWND confirm = GetDlgItem(dlg, IDC_SDKUI_CONFIRMATION)) SetText(confirm, passphrase);
            ClickId(dlg, IDOK);
            if (!WaitGone(dlg, 10000)) PostMessageA(dlg, WM_CLOSE, 0, 0);
        });
    }
    ~PassphraseAnswer() {
        if (thread_.joinable()) thread_.join();
    }
    bool Seen() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }
    std::string Prompt() {
        Seen();
        return prompt_;
    }
    bool Signing() {
        Seen();
        return signing_;
    }

private:
    std::thread thread_;
    std::atomic<bool> seen_{false};
    std::string prompt_;
    bool signing_ = false;
};

bool HaveDialogs() { return Sdk().PGPSigningPassphraseDialog && Sdk().PGPConventionalEncryptionPassphraseDialog; }

// ---- Option lists -----------------------------------------------------------

TEST_F(EncodeJobTest, EncryptAndSignHandsTheOptionsInTheirOrder) {
    CacheSigning("alice pass");
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    job->Comment = "Orvane test comment";
    job->PGPMIME = true;
    ASSERT_EQ(job->EncryptBuffer(kText, true), 0);
    const std::string version = std::string("PGPOVersionString(") + loader::VersionText() + ")";
    EXPECT_EQ(Calls(), "PGPOEventHandler PGPOArmorOutput(1) PGPOClearSign(0) PGPOCompression(1) "
                       "PGPOForYourEyesOnly(0) PGPODataIsASCII(1) PGPOCommentString(Orvane test comment) " +
                           version +
                           " PGPOPGPMIMEEncoding(1,empty) PGPOOmitMIMEVersion(1) "
                           "PGPOSignWithKey(" + kAlice + ") PGPOHashAlgorithm(1) PGPOEncryptToKeySet(2) "
                           "PGPOInputBuffer(" + std::to_string(std::strlen(kText)) +
                           ") PGPOAllocatedOutputBuffer(4294967295) PGPEncode");
    EXPECT_EQ(job->Recipients, std::string("bob@example.org,") + kAlice) << "the signer is the last recipient";
    EXPECT_EQ(job->SignerKeyID, kAlice);
    EXPECT_FALSE(job->MIMESeparator.empty());
    EXPECT_LE(job->MIMESeparator.size(), 80u);
    EXPECT_EQ(job->MIMESeparator.find('\0'), std::string::npos) << "cut to its text length";
    EXPECT_NE(job->OutputText.find(job->MIMESeparator), std::string::npos);
    EXPECT_GT(job->MIMEBodyOffset, 0u);
    EXPECT_LT(job->MIMEBodyOffset, job->OutputText.size());
    Keep("pgpmime_encsign.txt", job->OutputText);
    Keep("pgpmime_encsign.sep", job->MIMESeparator);
}

TEST_F(EncodeJobTest, DetachedSignatureCarriesNoTextOrCompressionOptions) {
    CacheSigning("alice pass");
    job->SignerKeyID = kAlice;
    job->Comment = "detached";
    job->Compress = true;
    job->ClearSign = true;
    job->ForYourEyesOnly = true;
    job->Encrypt = true;
    ASSERT_EQ(job->DetachedSignBuffer(kText), 0);
    const std::string version = std::string("PGPOVersionString(") + loader::VersionText() + ")";
    EXPECT_EQ(Calls(), "PGPOEventHandler PGPOArmorOutput(1) PGPODetachedSig PGPOCommentString(detached) " + version +
                           " PGPOSignWithKey(" + kAlice + ") PGPOHashAlgorithm(1) PGPOInputBuffer(" +
                           std::to_string(std::strlen(kText)) + ") PGPOAllocatedOutputBuffer(4294967295) PGPEncode");
    EXPECT_NE(job->OutputText.find("-----BEGIN PGP SIGNATURE-----"), std::string::npos);
    Keep("detached.txt", kText);
    Keep("detached.txt.asc", job->OutputText);
}

TEST_F(EncodeJobTest, ClearSigningSwitchesOffCompressionAndEncryption) {
    CacheSigning("alice pass");
    job->SignerKeyID = kAlice;
    job->Compress = true;
    job->Encrypt = true;
    job->Conventional = true;
    job->Detached = true;
    job->TextMode = false;
    job->Armor = false;
    ASSERT_EQ(job->ClearSignBuffer(kText), 0);
    EXPECT_TRUE(job->Sign);
    EXPECT_TRUE(job->Armor);
    EXPECT_TRUE(job->TextMode);
    EXPECT_FALSE(job->Encrypt);
    EXPECT_FALSE(job->Compress);
    EXPECT_FALSE(job->Conventional);
    EXPECT_FALSE(job->Detached);
    const std::string calls = Calls();
    EXPECT_NE(calls.find("PGPOArmorOutput(1) PGPOClearSign(1) PGPOCompression(0)"), std::string::npos) << calls;
    EXPECT_NE(calls.find("PGPODataIsASCII(1)"), std::string::npos) << calls;
    EXPECT_EQ(calls.find("PGPOEncryptToKeySet"), std::string::npos) << calls;
    EXPECT_NE(job->OutputText.find("-----BEGIN PGP SIGNED MESSAGE-----"), std::string::npos);
    EXPECT_NE(job->OutputText.find("this is the second line."), std::string::npos);
    Keep("clear.asc", job->OutputText);
}

TEST_F(EncodeJobTest, SetterRules) {
    TPGPEncode e;
    e.Conventional = true;
    e.SetSign(true);
    EXPECT_FALSE(e.Conventional);
    e.Detached = e.Conventional = e.ClearSign = true;
    e.SetEncrypt(true);
    EXPECT_FALSE(e.Detached || e.Conventional || e.ClearSign);
    e.Encrypt = e.Compress = true;
    e.SetClearSign(false);
    EXPECT_TRUE(e.Encrypt && e.Compress) << "switching off changes nothing else";
    EXPECT_EQ(HashForAlgorithm(1), 1);
    EXPECT_EQ(HashForAlgorithm(3), 1);
    EXPECT_EQ(HashForAlgorithm(16), 2);
    EXPECT_EQ(HashForAlgorithm(17), 2);
    EXPECT_EQ(HashForAlgorithm(18), 2);
    EXPECT_EQ(HashForAlgorithm(4), 0);
    EXPECT_EQ(HashForAlgorithm(19), 0);
}

// ---- Recipients ---------------------------------------------------------------

TEST_F(EncodeJobTest, OneMatchingKeyEncryptsWithoutADialogAndTheSignerLast) {
    DialogAnswer watch([](HWND dlg, HWND) { ClickId(dlg, kSelKeyCancel); }, 3000);
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    job->Comment = "Orvane test comment";
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_FALSE(watch.Seen()) << "a key dialog was shown for a recipient with one key";
    EXPECT_EQ(job->Recipients, std::string("bob@example.org,") + kAlice);
    EXPECT_NE(Calls().find("PGPOEncryptToKeySet(2)"), std::string::npos) << Calls();
    EXPECT_EQ(Calls().find("PGPOSignWithKey"), std::string::npos);
    EXPECT_NE(job->OutputText.find("Comment: Orvane test comment"), std::string::npos);
    EXPECT_EQ(job->OutputText.find("second line"), std::string::npos) << "plain text in the output";
    EXPECT_EQ(secure->SignSlot.Length, 0) << "no signature, no cached signing passphrase";
    Keep("enc_bob.asc", job->OutputText);
}

TEST_F(EncodeJobTest, ConfirmedRecipientsEncryptToSeveralKeys) {
    job->Recipients = "bob@example.org, carol@example.org";
    job->RecipientsConfirmed = true;
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_EQ(job->Recipients, std::string("bob@example.org, carol@example.org,") + kAlice);
    EXPECT_NE(Calls().find("PGPOEncryptToKeySet(3)"), std::string::npos) << Calls();
    Keep("enc_multi.asc", job->OutputText);
}

TEST_F(EncodeJobTest, ARecipientWithoutAKeyFailsWithoutOutput) {
    job->Recipients = "bob@example.org, nobody@example.org";
    job->RecipientsConfirmed = true;
    job->SignerKeyID = kAlice;
    EXPECT_EQ(job->EncryptBuffer(kText, false), kEncodeErrEmptyText);
    EXPECT_TRUE(job->OutputText.empty());
    EXPECT_EQ(Calls().find("PGPEncode"), std::string::npos);
}

TEST_F(EncodeJobTest, KeyDialogAnswersChooseTheRecipient) {
    // OK on bob's key.
    std::string prompt;
    {
        DialogAnswer answer([&](HWND dlg, HWND tree) {
            prompt = GetText(GetDlgItem(dlg, kSelKeyPrompt));
            TreeView_SelectItem(tree, FindKeyItem(tree, "bob"));
            ClickId(dlg, kSelKeyOK);
        });
        job->Recipients = "robert@example.org";
        job->SignerKeyID = kAlice;
        ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_EQ(prompt, "Select public key for ");
    EXPECT_EQ(job->Recipients, std::string(kBob) + "," + kAlice);
    EXPECT_FALSE(job->RecipientsConfirmed);
    Keep("enc_chosen_bob.asc", job->OutputText);

    // Cancel.
    {
        DialogAnswer answer([](HWND dlg, HWND) { ClickId(dlg, kSelKeyCancel); });
        job->Recipients = "robert@example.org";
        EXPECT_EQ(job->EncryptBuffer(kText, false), kEncodeErrCancelled);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_TRUE(job->OutputText.empty());
    EXPECT_EQ(KeyRings()->OpenCount, 0);

    // Use and add to the list: the entry keeps carol's short key ID.
    {
        DialogAnswer answer([](HWND dlg, HWND tree) {
            TreeView_SelectItem(tree, FindKeyItem(tree, "carol"));
            ClickId(dlg, kSelKeyList);
        });
        job->Recipients = "c.singer@example.net";
        ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_EQ(job->Recipients, std::string("0x0C89AF89,") + kAlice);
    ASSERT_EQ(job->ChosenKeys.Count(), 1);
    EXPECT_EQ(job->ChosenKeys.Strings(0), "0x0C89AF89");
    EXPECT_EQ(job->ChosenKeys.Objects(0).ShortKeyID, "0x0C89AF89");
    EXPECT_EQ(job->ChosenKeys.Objects(0).UserName, std::string(kCarol) + "c.singer@example.net");
    Keep("enc_listed_carol.asc", job->OutputText);
}

TEST_F(EncodeJobTest, AlwaysSelectKeysShowsTheDialogForOneKey) {
    std::string selected;
    DialogAnswer answer([&](HWND dlg, HWND tree) {
        HTREEITEM sel = TreeView_GetSelection(tree);
        char buf[256] = {};
        TVITEMA tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = sel;
        tv.pszText = buf;
        tv.cchTextMax = sizeof buf;
        if (sel) TreeView_GetItem(tree, &tv);
        selected = buf;
        ClickId(dlg, kSelKeyOK);
    });
    job->Recipients = "bob@example.org";
    job->AlwaysSelectKeys = true;
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(selected, "bob <bob@example.org>") << "the user ID the name search found";
    EXPECT_EQ(job->Recipients, std::string(kBob) + "," + kAlice);
}

TEST_F(EncodeJobTest, AGroupResolvesThroughItsMembersKeyIDs) {
    const std::string members = GroupRecipients(std::string("Friends\r\nbob <bob@example.org>\t") + kBob +
                                                "\r\n  carol <carol@example.org>\t" + kCarol + " \r\n\r\n");
    EXPECT_EQ(members, std::string(kBob) + "," + kCarol);
    EXPECT_EQ(GroupRecipients("Lonely"), "");
    // A member known only by a user ID would match any key containing it.
    EXPECT_EQ(GroupRecipients("Q\nbob@example.org"), "");
    EXPECT_EQ(GroupRecipients(std::string("Q\n") + kBob), kBob) << "a member shown by its key ID";
    job->Recipients = members;
    job->RecipientsConfirmed = true;
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_NE(Calls().find("PGPOEncryptToKeySet(3)"), std::string::npos) << Calls();
}

// A groups file as the PGP key manager writes it: a group of bob and carol.
void WriteGroupsFile(const std::string& path) {
    auto& t = Sdk();
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
    PGPGroupSetRef groups = nullptr;
    ASSERT_EQ(t.PGPNewGroupSet(ctx, &groups), 0);
    PGPGroupID id = 0;
    ASSERT_EQ(t.PGPNewGroup(groups, "Friends", "", &id), 0);
    for (const char* member : {kBob, kCarol}) {
        PGPKeyDBObjRef key = nullptr;
        ASSERT_EQ(FindKeyByID(set, member, key), 0) << member;
        PGPGroupItem item{};
        item.type = 2;
        ASSERT_EQ(t.PGPGetKeyID(key, &item.keyID), 0);
        ASSERT_EQ(t.PGPAddItemToGroup(groups, &item, id), 0);
    }
    PGPFileSpecRef spec = nullptr;
    ASSERT_EQ(t.PGPNewFileSpecFromFullPath(ctx, path.c_str(), &spec), 0);
    EXPECT_EQ(t.PGPSaveGroupSetToFile(groups, spec), 0);
    t.PGPFreeFileSpec(spec);
    t.PGPFreeGroupSet(groups);
    KeyRings()->CloseKeyRings();
}

std::vector<std::string> ChildTexts(HWND tree, HTREEITEM parent) {
    std::vector<std::string> out;
    for (HTREEITEM i = TreeView_GetChild(tree, parent); i; i = TreeView_GetNextSibling(tree, i)) {
        char buf[512] = {};
        TVITEMA tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = i;
        tv.pszText = buf;
        tv.cchTextMax = sizeof buf;
        TreeView_GetItem(tree, &tv);
        out.push_back(buf);
    }
    return out;
}

TEST_F(EncodeJobTest, AGroupOfTheGroupsFileShowsItsMembersAndEncryptsToThem) {
    const std::string groupsFile = work_ + "PGPgroup.pgr";
    WriteGroupsFile(groupsFile);
    if (HasFatalFailure()) return;
    KeyRings()->GroupFile = groupsFile;
    std::vector<std::string> members;
    bool chosen = false;
    {
        DialogAnswer answer([&](HWND dlg, HWND tree) {
            HTREEITEM group = FindKeyItem(tree, "Friends (Group)");
            if (!group) return;
            members = ChildTexts(tree, group);
            chosen = TreeView_GetSelection(tree) == group;  // "friends" picks it
            TreeView_SelectItem(tree, group);
            ClickId(dlg, kSelKeyOK);
        });
        job->Recipients = "friends";
        job->SignerKeyID = kAlice;
        const int result = job->EncryptBuffer(kText, false);
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(result, 0);
    }
    KeyRings()->GroupFile.clear();
    DeleteFileA(groupsFile.c_str());
    ASSERT_EQ(members.size(), 2u);
    EXPECT_NE(members[0].find("bob@example.org"), std::string::npos) << members[0];
    EXPECT_NE(members[1].find("carol@example.org"), std::string::npos) << members[1];
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(job->RecipientsConfirmed);
    EXPECT_EQ(job->Recipients.rfind(std::string(kBob) + "," + kCarol, 0), 0u) << "by key ID: " << job->Recipients;
    EXPECT_NE(Calls().find("PGPOEncryptToKeySet(3)"), std::string::npos) << Calls();
}

// ---- Signing -------------------------------------------------------------------

TEST_F(EncodeJobTest, SigningStoresThePassphraseKeyedByTheOutput) {
    CacheSigning("alice pass");
    const int before = secure->SignSlot.Length;
    const void* blobBefore = secure->SignSlot.Blob;
    job->Recipients = "bob@example.org";
    job->SignerKeyID = "alice";  // a user-ID text naming one signing key
    ASSERT_EQ(job->EncryptBuffer(kText, true), 0);
    EXPECT_EQ(job->SignerKeyID, kAlice) << "the key actually used";
    EXPECT_GT(secure->SignSlot.Length, 0);
    EXPECT_TRUE(before > 0 && blobBefore != nullptr);
    EXPECT_EQ(job->Passphrase, nullptr) << "the passphrase is freed after the job";
    char* again = nullptr;
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
    ASSERT_EQ(secure->FetchPassphrase(ctx, kSignSlot, again), 0);
    EXPECT_STREQ(again, "alice pass");
    Sdk().PGPFreeData(again);
    KeyRings()->CloseKeyRings();
    Keep("encsign_bob.asc", job->OutputText);
}

TEST_F(EncodeJobTest, DSASignerSignsWithHashTwo) {
    CacheSigning("carol pass");
    job->SignerKeyID = kCarol;
    ASSERT_EQ(job->ClearSignBuffer(kText), 0);
    EXPECT_NE(Calls().find("PGPOSignWithKey(" + std::string(kCarol) + ") PGPOHashAlgorithm(2)"), std::string::npos)
        << Calls();
    Keep("clear_dsa.asc", job->OutputText);
}

TEST_F(EncodeJobTest, AGivenHashIsHandedOnUnchanged) {
    CacheSigning("alice pass");
    job->SignerKeyID = kAlice;
    job->HashAlgorithm = 8;
    ASSERT_EQ(job->ClearSignBuffer(kText), 0);
    EXPECT_NE(Calls().find("PGPOHashAlgorithm(8)"), std::string::npos) << Calls();
}

TEST_F(EncodeJobTest, AWrongCachedPassphraseIsNotUsed) {
    CacheSigning("not alice's");
    job->SignerKeyID = kAlice;
    if (!HaveDialogs()) {
        // The signing dialog would ask; without the engine's dialog library
        // the job ends there, with nothing signed.
        EXPECT_EQ(job->ClearSignBuffer(kText), kPGPError_EngineNotLoaded);
        EXPECT_EQ(Calls().find("PGPOSignWithKey"), std::string::npos) << Calls();
        EXPECT_TRUE(job->OutputText.empty());
        return;
    }
    PassphraseAnswer answer("alice pass");
    ASSERT_EQ(job->ClearSignBuffer(kText), 0);
    EXPECT_TRUE(answer.Seen()) << "the signing dialog did not ask";
    EXPECT_TRUE(answer.Signing());
    EXPECT_EQ(answer.Prompt(), "Enter your passphrase:");
    EXPECT_NE(Calls().find("PGPOSignWithKey(" + std::string(kAlice) + ")"), std::string::npos) << Calls();
    // The passphrase given replaces the wrong one.
    char* again = nullptr;
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
    ASSERT_EQ(secure->FetchPassphrase(ctx, kSignSlot, again), 0);
    EXPECT_STREQ(again, "alice pass");
    Sdk().PGPFreeData(again);
    KeyRings()->CloseKeyRings();
}

TEST_F(EncodeJobTest, CacheModeMinusOneWipesAndNeverUsesTheCache) {
    CacheSigning("alice pass");
    job->SetCacheMode(-1);
    EXPECT_TRUE(secure->IsEmpty());
    CacheSigning("alice pass");
    const void* blob = secure->SignSlot.Blob;
    job->SignerKeyID = kAlice;
    if (!HaveDialogs()) {
        EXPECT_EQ(job->ClearSignBuffer(kText), kPGPError_EngineNotLoaded);
        EXPECT_EQ(Calls().find("PGPOSignWithKey"), std::string::npos) << "the cached passphrase was used";
        return;
    }
    PassphraseAnswer answer("alice pass");
    ASSERT_EQ(job->ClearSignBuffer(kText), 0);
    EXPECT_TRUE(answer.Seen()) << "the cached passphrase was used";
    EXPECT_EQ(secure->SignSlot.Blob, blob) << "the passphrase was stored";
}

TEST_F(EncodeJobTest, ConventionalEncryptionAsksAndTakesNothingFurther) {
    job->Conventional = true;
    job->CipherIndex = 2;
    job->Recipients = "bob@example.org";
    if (!HaveDialogs()) {
        EXPECT_EQ(job->ArmorBuffer(kText), kPGPError_EngineNotLoaded);
        return;
    }
    PassphraseAnswer answer("conv pass");
    ASSERT_EQ(job->ArmorBuffer(kText), 0);
    EXPECT_TRUE(answer.Seen());
    const std::string calls = Calls();
    EXPECT_NE(calls.find("PGPOCipherAlgorithm(3) PGPOConventionalEncrypt PGPOInputBuffer"), std::string::npos)
        << calls;
    EXPECT_EQ(calls.find("PGPOEncryptToKeySet"), std::string::npos);
    EXPECT_EQ(calls.find("PGPOSignWithKey"), std::string::npos);
    EXPECT_TRUE(secure->IsEmpty()) << "a conventional passphrase is no signing passphrase";
    Keep("conventional.asc", job->OutputText);
}

TEST_F(EncodeJobTest, SigningAsksWhenTheCacheIsEmptyAndKeepsTheAnswer) {
    if (!HaveDialogs()) GTEST_SKIP() << "no passphrase dialogs in this engine";
    job->SignerKeyID = kAlice;
    job->Recipients = "bob@example.org";
    PassphraseAnswer answer("alice pass");
    ASSERT_EQ(job->EncryptBuffer(kText, true), 0);
    EXPECT_TRUE(answer.Signing());
    EXPECT_EQ(job->SignerKeyID, kAlice);
    EXPECT_GT(secure->SignSlot.Length, 0);
    Keep("encsign_asked_bob.asc", job->OutputText);
}

TEST_F(EncodeJobTest, ACancelledSigningDialogEndsTheJob) {
    if (!HaveDialogs()) GTEST_SKIP() << "no passphrase dialogs in this engine";
    job->SignerKeyID = kAlice;
    std::thread cancel([] {
        for (int i = 0; i < 300; ++i) {
            for (HWND w : ListTopWindows("#32770", "PGP")) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == GetCurrentProcessId() && GetDlgItem(w, IDC_SDKUI_PASSPHRASE)) {
                    ClickId(w, IDCANCEL);
                    return;
                }
            }
            Sleep(30);
        }
    });
    EXPECT_EQ(job->ClearSignBuffer(kText), kEncodeErrCancelled);
    cancel.join();
    EXPECT_TRUE(job->OutputText.empty());
    EXPECT_TRUE(secure->IsEmpty());
}

TEST_F(EncodeJobTest, SetWipeCountReachesTheCache) {
    job->SetWipeCount(7);
    EXPECT_EQ(secure->WipeCount, 7);
}

// ---- Inputs and outputs --------------------------------------------------------

TEST_F(EncodeJobTest, ArmouringAloneGivesAReadableMessage) {
    job->Comment = "armour only";
    job->Encrypt = true;
    job->Sign = true;
    ASSERT_EQ(job->ArmorBuffer(kText), 0);
    EXPECT_FALSE(job->Encrypt || job->Sign || job->Detached || job->ClearSign);
    EXPECT_NE(Calls().find("PGPOCompression(1)"), std::string::npos);
    EXPECT_EQ(Calls().find("PGPOEncryptToKeySet"), std::string::npos);
    EXPECT_NE(job->OutputText.find("-----BEGIN PGP MESSAGE-----"), std::string::npos);
    EXPECT_NE(job->OutputText.find("Comment: armour only"), std::string::npos);
    Keep("armor.asc", job->OutputText);
}

TEST_F(EncodeJobTest, EyesOnlyIsHandedOn) {
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    job->ForYourEyesOnly = true;
    job->Armor = false;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_NE(Calls().find("PGPOForYourEyesOnly(1)"), std::string::npos);
    EXPECT_EQ(job->OutputText.find("-----BEGIN"), std::string::npos) << "binary output asked";
    Keep("eyes_bob.pgp", job->OutputText);
}

TEST_F(EncodeJobTest, FileModeWritesTheOutputFileWhole) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += static_cast<char>((i * 131) & 0xFF);
    const std::string in = work_ + "file_in.bin";
    const std::string out = out_ + "file_enc.pgp";
    WriteFile(in, data);
    Keep("file_in.bin", data);
    WriteFile(out, "old content that must go");
    job->ToFile = true;
    job->OutputFile = out;
    job->TextMode = false;
    job->Armor = false;
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptFile(in, false), 0);
    EXPECT_EQ(job->InputSize, 5000);
    EXPECT_NE(Calls().find("PGPODataIsASCII(0) "), std::string::npos);
    EXPECT_NE(Calls().find("PGPOInputFile"), std::string::npos);
    EXPECT_TRUE(job->OutputText.empty());
    const std::string written = ReadAll(out);
    EXPECT_GT(written.size(), 100u);
    EXPECT_EQ(written.find("old content"), std::string::npos);
    // No temporary file is left beside it.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((out_ + "~orv*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(EncodeJobTest, InputFailures) {
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    EXPECT_EQ(job->EncryptFile(work_ + "no such file.txt", false), kEncodeErrInputFileMissing);
    EXPECT_EQ(job->EncryptFile(work_, false), kEncodeErrInputFileMissing) << "a directory is no input file";
    WriteFile(work_ + "empty.txt", "");
    EXPECT_EQ(job->EncryptFile(work_ + "empty.txt", false), kEncodeErrInputFileEmpty);
    EXPECT_EQ(job->EncryptBuffer("", false), kEncodeErrEmptyText);
    EXPECT_EQ(job->ClearSignBuffer(""), kEncodeErrEmptyText);
    EXPECT_EQ(Calls().find("PGPEncode"), std::string::npos);
}

TEST_F(EncodeJobTest, OutputFailuresLeaveTheOldFile) {
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    job->ToFile = true;
    job->OutputFile = "";
    EXPECT_EQ(job->EncryptBuffer(kText, false), kEncodeErrOutputFile);
    EXPECT_EQ(Calls().find("PGPEncode"), std::string::npos) << "no job without an output name";
    // Recipients come back resolved, the signer appended: each job is given them anew.
    job->Recipients = "bob@example.org";
    job->OutputFile = work_ + "no such folder\\out.pgp";
    EXPECT_EQ(job->EncryptBuffer(kText, false), kEncodeErrOutputFile);
    // A file that cannot be replaced keeps its content.
    const std::string locked = work_ + "locked.pgp";
    WriteFile(locked, "keep me");
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    job->OutputFile = locked;
    job->Recipients = "bob@example.org";
    EXPECT_NE(job->EncryptBuffer(kText, false), 0);
    CloseHandle(h);
    EXPECT_EQ(ReadAll(locked), "keep me");
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((work_ + "~orv*.tmp").c_str(), &fd);
    EXPECT_EQ(f, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (f != INVALID_HANDLE_VALUE) FindClose(f);
}

TEST_F(EncodeJobTest, ResultsOfAnEarlierJobDoNotSurviveTheNext) {
    job->Recipients = "bob@example.org";
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    ASSERT_FALSE(job->OutputText.empty());
    job->Recipients = "nobody@example.org";
    job->RecipientsConfirmed = true;
    EXPECT_NE(job->EncryptBuffer(kText, false), 0);
    EXPECT_TRUE(job->OutputText.empty());
    EXPECT_EQ(job->OutData, nullptr);
    EXPECT_EQ(job->RecipientKeys, nullptr);
    EXPECT_EQ(job->Context, nullptr);
}

}  // namespace
