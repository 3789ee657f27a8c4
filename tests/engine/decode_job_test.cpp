// The decoding job over the engine stand-in (RNP) with alice's rings, on
// texts and files that GnuPG makes at the start of the run
// (decode/make_inputs.sh): encrypted to alice, signed by bob (on her rings)
// and by dave (unknown to her), detached signatures, several blocks in one
// text, key blocks, tampered and hostile inputs. Passphrases come from the
// passphrase cache; the dialogs of the user-interface library are used where
// the stand-in's own library is present.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/decode_job.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "engine/pgp_time.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/app_data_override.h"
#include "tests/support/unix_scratch.h"
#include "tests/support/server_search_watch.h"
#include "tests/standin/sdknet_support.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/support/files.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif
#ifndef ORV_DECODE_SCRIPT
#error ORV_DECODE_SCRIPT names the script that makes the inputs
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;


using orv::test::ReadAll;

bool WriteAll(const std::string& path, const std::string& data) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &n, nullptr) && n == data.size();
    CloseHandle(f);
    return ok;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Trimmed(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    return s;
}

std::string FakeLog() {
    char buf[32768];
    DWORD n = GetEnvironmentVariableA("ORV_FAKE_LOG", buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

// The engine's windows, as its libraries make them.
const char* const kDialogCaption = "PGP";
const int kViewerInfo = 3001;      // "<bytes> bytes, <lines> lines" of the secure viewer
const int kLogLines = 3101;        // list box of the PGP log window

test::ModalScript::Action TypePassphrase(const std::string& passphrase) {
    return [passphrase](HWND dlg) {
        test::SetText(test::FindChildById(dlg, kPassphraseEdit), passphrase);
        test::ClickButton(dlg, "OK");
    };
}

// Lines of the PGP log window; none while it was never made.
std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    HWND log = FindWindowA("PGPscLogWindow", nullptr);
    HWND list = log ? GetDlgItem(log, kLogLines) : nullptr;
    if (!list) return lines;
    const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::string line(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
        line.resize(std::strlen(line.c_str()));
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    return lines;
}

class DecodeJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unixDir_ = "/tmp/orv_decode_" + unique;
        dir_ = "Z:\\tmp\\orv_decode_" + unique + "\\";
        ready_ = StartUnix(std::string(ORV_DECODE_SCRIPT) + " " + unixDir_ + "/in " + ORV_KEY_DATA) &&
                 WaitForFile(dir_ + "in\\done", 120000);
        CreateDirectoryA((dir_ + "out").c_str(), nullptr);
        engine_ = new test::StandInEngine(test::SourcePath(ORV_KEY_DATA));
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loaded_ = engine_->Load(hooks);
        if (loaded_ && KeyRings()) KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing());
    }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
        StartUnix("-c \"rm -rf " + unixDir_ + "\"");
    }

    void SetUp() override {
        ASSERT_TRUE(ready_) << "GnuPG inputs were not made in " << dir_;
        ASSERT_TRUE(loaded_);
        SetEnvironmentVariableA("ORV_FAKE_LOG", "");
        secure_ = std::make_unique<TSecure>();
        job_ = std::make_unique<TPGPDecode>();
        job_->Secure = secure_.get();
        job_->NoteBadSignature = "bad signature";
        job_->NoteDisabledKey = "disabled key";
        job_->NoteExpiredKey = "expired key";
        job_->NoteRevokedKey = "revoked key";
        job_->NoteUnknownKey = "unknown key";
        job_->ImportPrompt = "Import key(s)";
        job_->PassphrasePrompt = "Enter your passphrase:";
        job_->PassThroughUnrecognized = true;
    }
    void TearDown() override {
        job_.reset();
        secure_.reset();
        if (KeyRings()) {
            EXPECT_EQ(KeyRings()->OpenCount, 0) << "key rings left open";
        }
    }

    static std::string In(const std::string& name) { return dir_ + "in\\" + name; }
    static std::string Out(const std::string& name) { return dir_ + "out\\" + name; }
    static std::string Input(const std::string& name) { return ReadAll(In(name)); }
    static std::string Plain() { return Input("plain.txt"); }

    // Fills the decryption slot of the cache as an earlier job would.
    void CachePassphrase(const char* passphrase) {
        PGPContextRef context = nullptr;
        ASSERT_EQ(sdk::Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &context), 0);
        const std::string source = "bytes of an earlier job's output";
        ASSERT_TRUE(secure_->CachePassphrase(context, passphrase, kDecryptSlot, source.data(), source.size()));
        sdk::Call(Sdk().PGPFreeContext, context);
    }

    // What every job leaves behind unless the environment is kept open.
    void ExpectCleanedUp() {
        EXPECT_EQ(job_->Context, nullptr);
        EXPECT_EQ(job_->KeySet, nullptr);
        EXPECT_EQ(job_->TLSContext, nullptr);
        EXPECT_EQ(job_->Passphrase, nullptr);
        EXPECT_EQ(job_->Collected, nullptr);
        EXPECT_EQ(job_->CollectedLength, 0u);
        EXPECT_EQ(job_->OutData, nullptr);
        EXPECT_EQ(job_->RecipientKeys, nullptr);
        EXPECT_EQ(job_->RecipientKeyIDCount, 0);
        EXPECT_TRUE(job_->RecipientKeyIDs.empty());
        if (KeyRings()) {
            EXPECT_EQ(KeyRings()->OpenCount, 0);
        }
    }

    static std::string IDOf(const char* who) { return Trimmed(Input(std::string("id_") + who + ".txt")); }

    static bool HasDialogs() { return Sdk().PGPDecryptionPassphraseDialog != nullptr; }

    std::string FetchCached() {
        PGPContextRef context = nullptr;
        if (sdk::Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &context) != 0) return "<no context>";
        char* p = nullptr;
        std::string text = "<none>";
        if (secure_->FetchPassphrase(context, kDecryptSlot, p) == 0 && p) {
            text = p;
            Sdk().PGPFreeData(p);
        }
        sdk::Call(Sdk().PGPFreeContext, context);
        return text;
    }

    static inline test::StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline bool ready_ = false;
    static inline std::string dir_;
    static inline std::string unixDir_;

    std::unique_ptr<TSecure> secure_;
    std::unique_ptr<TPGPDecode> job_;
};

// ---- Input checks and analysis --------------------------------------------------

TEST_F(DecodeJobTest, InputChecksComeFirstAndLeaveNothingOpen) {
    EXPECT_EQ(job_->DecodeBuffer(""), -11984);
    EXPECT_EQ(job_->AnalyzeBuffer(""), -11984);
    EXPECT_EQ(job_->DecodeFile(""), -11997);
    EXPECT_EQ(job_->DecodeFile(In("no such file.pgp")), -11997);
    EXPECT_EQ(job_->AnalyzeFile(In("no such file.pgp")), -11997);
    ASSERT_TRUE(WriteAll(Out("empty.pgp"), ""));
    EXPECT_EQ(job_->DecodeFile(Out("empty.pgp")), -11990);
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, AnalysisTellsEncryptedDataWithoutAskingAPassphrase) {
    // No passphrase is cached and the dialog would fail: an analysis that asked
    // for one could not succeed.
    EXPECT_EQ(job_->AnalyzeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);
    EXPECT_EQ(job_->OutputText, "");
    EXPECT_TRUE(secure_->IsEmpty());
    ExpectCleanedUp();

    EXPECT_EQ(job_->AnalyzeFile(In("enc_alice.txt.pgp")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);
    EXPECT_EQ(job_->AnalyzeBuffer(Input("multi.txt")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);

    EXPECT_EQ(job_->AnalyzeBuffer("Just a letter.\r\nNothing encrypted here.\r\n"), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeNotPGP);
    // Analysis only tells encrypted data apart.
    EXPECT_EQ(job_->AnalyzeBuffer(Input("clear_bob.asc")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeNotPGP);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigNone);
    ExpectCleanedUp();
}

// ---- Decryption and the passphrase cache ------------------------------------------

TEST_F(DecodeJobTest, EncryptedTextDecodesWithTheCachedPassphraseWhichStaysCached) {
    CachePassphrase(kAlicePass);
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job_->OutputText, Plain());
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigNone);
    EXPECT_FALSE(job_->ForYourEyesOnly);
    EXPECT_FALSE(job_->Conventional);
    // Stored again, keyed from this job's output: the next job finds it.
    EXPECT_FALSE(secure_->IsEmpty());
    ExpectCleanedUp();
    char* again = nullptr;
    PGPContextRef context = nullptr;
    ASSERT_EQ(sdk::Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &context), 0);
    ASSERT_EQ(secure_->FetchPassphrase(context, kDecryptSlot, again), 0);
    EXPECT_STREQ(again, kAlicePass);
    Sdk().PGPFreeData(again);
    sdk::Call(Sdk().PGPFreeContext, context);

    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice2.asc")), 0);
    EXPECT_EQ(job_->OutputText, Input("plain2.txt"));
}

TEST_F(DecodeJobTest, NeverCacheModeWipesTheCacheAndKeepsNothing) {
    CachePassphrase(kAlicePass);
    job_->SetCacheMode(-1);
    EXPECT_TRUE(secure_->IsEmpty());
    if (!HasDialogs()) {
        // Nothing cached: the dialog is asked, and this engine has none.
        EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), kPGPError_EngineNotLoaded);
        EXPECT_EQ(job_->OutputText, "");
    } else {
        test::ModalScript script;
        script.Expect("#32770", kDialogCaption, TypePassphrase(kAlicePass));
        script.Start();
        EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
        EXPECT_TRUE(script.Finish()) << script.Failure();
        EXPECT_EQ(job_->OutputText, Plain());
    }
    EXPECT_TRUE(secure_->IsEmpty()) << "a passphrase was cached";
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, WrongCachedPassphraseIsWipedAndAskedAgain) {
    CachePassphrase("not alice's passphrase");
    if (!HasDialogs()) {
        // The second request for the section goes to the dialog (missing here).
        EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), kPGPError_EngineNotLoaded);
        EXPECT_TRUE(secure_->IsEmpty()) << "the wrong passphrase stayed cached";
        EXPECT_EQ(job_->OutputText, "");
        ExpectCleanedUp();
        return;
    }
    // The cached passphrase is tried first; the dialog asks once it failed.
    test::ModalScript script;
    script.Expect("#32770", kDialogCaption, TypePassphrase(kAlicePass));
    script.Start();
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(job_->OutputText, Plain());
    // The passphrase the user gave replaced the wrong one in the cache.
    EXPECT_EQ(FetchCached(), kAlicePass);
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, CancelledDialogEndsTheJobCleanly) {
    if (!HasDialogs()) GTEST_SKIP() << "no passphrase dialog in this engine";
    test::ModalScript script;
    script.Click(kDialogCaption, "Cancel");
    script.Start();
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), kPGPError_UserAbort);
    EXPECT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(job_->OutputText, "");
    EXPECT_TRUE(secure_->IsEmpty());
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, ConventionalMessageAsksTheConventionalDialogAndIsNotCached) {
    if (!HasDialogs()) GTEST_SKIP() << "no passphrase dialog in this engine";
    CachePassphrase(kAlicePass);
    test::ModalScript script;
    // A wrong answer first: the same section asks again.
    script.Expect("#32770", kDialogCaption, TypePassphrase("not the passphrase"));
    script.Expect("#32770", kDialogCaption, TypePassphrase("conv pass"));
    script.Start();
    EXPECT_EQ(job_->DecodeBuffer(Input("conv.asc")), 0);
    EXPECT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(job_->OutputText, Plain());
    EXPECT_TRUE(job_->Conventional);
    // The decryption slot keeps what it held; a conventional passphrase is never stored.
    EXPECT_EQ(FetchCached(), kAlicePass);
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, SeveralBlocksJoinInOrderWithOnePassphraseForAllSections) {
    CachePassphrase(kAlicePass);
    ASSERT_EQ(job_->DecodeBuffer(Input("multi.txt")), 0);
    const std::string& out = job_->OutputText;
    const auto intro = out.find("Intro line before the blocks.");
    const auto first = out.find(Plain());
    const auto between = out.find("Text between the blocks.");
    const auto second = out.find(Input("plain2.txt"));
    const auto closing = out.find("Closing line.");
    ASSERT_NE(intro, std::string::npos) << out;
    ASSERT_NE(first, std::string::npos) << out;
    ASSERT_NE(between, std::string::npos) << out;
    ASSERT_NE(second, std::string::npos) << out;
    ASSERT_NE(closing, std::string::npos) << out;
    EXPECT_LT(intro, first);
    EXPECT_LT(first, between);
    EXPECT_LT(between, second);
    EXPECT_LT(second, closing);
    EXPECT_EQ(out.find("-----BEGIN PGP"), std::string::npos);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);
    ExpectCleanedUp();

    // Without pass-through only the decrypted sections remain, joined.
    job_->PassThroughUnrecognized = false;
    ASSERT_EQ(job_->DecodeBuffer(Input("multi.txt")), 0);
    EXPECT_EQ(job_->OutputText, Plain() + Input("plain2.txt"));
}

TEST_F(DecodeJobTest, MessageForAKeyNotOnTheRingsFailsCleanly) {
    CachePassphrase(kAlicePass);
    EXPECT_NE(job_->DecodeBuffer(Input("enc_carol.asc")), 0);
    EXPECT_EQ(job_->OutputText, "");
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, ForYourEyesOnlyIsShownNotReturned) {
    CachePassphrase(kAlicePass);
    if (!Sdk().PGPscTempestViewer) {
        EXPECT_EQ(job_->DecodeBuffer(Input("enc_fyeo.asc")), kPGPError_EngineNotLoaded) << "the viewer was not called";
        EXPECT_TRUE(job_->ForYourEyesOnly);
        EXPECT_EQ(job_->OutputText, "");
        ExpectCleanedUp();
        return;
    }
    std::string info;
    test::ModalScript script;
    script.Expect("PGPscTempestViewer", "PGP Secure Viewer - For Your Eyes Only", [&info](HWND viewer) {
        info = test::GetText(test::FindChildById(viewer, kViewerInfo));
        test::ClickButton(viewer, "Close");
    });
    script.Start();
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_fyeo.asc")), 0);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(info.rfind(std::to_string(Plain().size()) + " bytes", 0), 0u) << info;
    EXPECT_TRUE(job_->ForYourEyesOnly);
    EXPECT_EQ(job_->OutputText, "");
    ExpectCleanedUp();

    // Nor is it written to a file.
    job_->ToFile = true;
    job_->OutputFile = Out("fyeo.txt");
    test::ModalScript again;
    again.Expect("PGPscTempestViewer", "PGP Secure Viewer*", test::PressButton("Close"));
    again.Start();
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_fyeo.asc")), 0);
    EXPECT_TRUE(again.Finish()) << again.Failure();
    EXPECT_FALSE(Exists(Out("fyeo.txt")));
}

// ---- Signatures -----------------------------------------------------------------------

TEST_F(DecodeJobTest, SignaturesOfAKnownSignerAreGood) {
    struct Case {
        const char* file;
        int kind;
    } cases[] = {{"sign_bob.asc", kAnalyzeSigned}, {"clear_bob.asc", kAnalyzeSigned},
                 {"encsign_bob.asc", kAnalyzeEncrypted}};
    CachePassphrase(kAlicePass);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(job_->DecodeBuffer(Input(c.file)), 0);
        EXPECT_EQ(job_->AnalyzeResult, c.kind);
        const TSignatureInfo& s = job_->SignatureInfo;
        EXPECT_EQ(s.Status, kSigGood);
        EXPECT_EQ(s.KeyIDText, IDOf("bob"));
        EXPECT_EQ(s.UserID, "bob <bob@example.org>");
        EXPECT_TRUE(s.Checked);
        EXPECT_TRUE(s.Verified);
        EXPECT_FALSE(s.Revoked || s.Disabled || s.Expired || s.Detached);
        EXPECT_GT(s.Time, 1500000000u);
        EXPECT_EQ(s.DateText, FormatPGPTime(s.Time));
        EXPECT_EQ(job_->SignatureNote(), "");
        EXPECT_NE(job_->OutputText.find("Plain text of the decode test."), std::string::npos);
        EXPECT_EQ(job_->OutputText.find("-----BEGIN PGP"), std::string::npos);
        ExpectCleanedUp();
    }
    EXPECT_EQ(job_->OutputText, Plain());
}

TEST_F(DecodeJobTest, TamperedClearSignedTextHasABadSignature) {
    ASSERT_EQ(job_->DecodeBuffer(Input("clear_bob_tampered.asc")), 0);
    const TSignatureInfo& s = job_->SignatureInfo;
    EXPECT_EQ(s.Status, kSigBad);
    EXPECT_TRUE(s.Checked);
    EXPECT_FALSE(s.Verified);
    EXPECT_EQ(s.KeyIDText, IDOf("bob"));
    EXPECT_EQ(job_->SignatureNote(), "bad signature");
    EXPECT_NE(job_->OutputText.find("Second LINE"), std::string::npos);
    const std::string text = job_->StatusText();
    EXPECT_EQ(text.rfind("Bad Signature\n(...)\nbob <bob@example.org>\n", 0), 0u) << text;
    EXPECT_NE(text.find(" (bad signature)"), std::string::npos) << text;
    ExpectCleanedUp();
}

// Two clear-signed sections in one text: the record is the weaker one,
// whichever comes first, so that the good one never hides the forged one.
TEST_F(DecodeJobTest, ABadSignatureIsNotHiddenBehindALaterGoodOneOrAnUnknownSigner) {
    const std::string good = Input("clear_bob.asc"), bad = Input("clear_bob_tampered.asc"),
                      unknown = Input("clear_dave.asc");
    struct Row {
        std::string text;
        int status;
    } rows[] = {{bad + "\r\n" + good, kSigBad}, {good + "\r\n" + bad, kSigBad},
                {unknown + "\r\n" + good, kSigUnknownKey}, {bad + "\r\n" + unknown, kSigBad}};
    for (const auto& row : rows) {
        ASSERT_EQ(job_->DecodeBuffer(row.text), 0);
        EXPECT_EQ(job_->SignatureInfo.Status, row.status);
        const std::string& out = job_->OutputText;
        const std::size_t first = out.find("Plain text of the decode test.");
        EXPECT_NE(out.find("Plain text of the decode test.", first + 1), std::string::npos)
            << "every section's text comes back: " << out;
    }
    EXPECT_EQ(SignatureStrength(kSigBad, true), 0);
    EXPECT_LT(SignatureStrength(kSigGood, false), SignatureStrength(kSigGood, true));
}

TEST_F(DecodeJobTest, UnknownSignerGivesStatusThreeWithTheFullKeyIDInTheLog) {
    const std::size_t linesBefore = LogLines().size();
    job_->ReportAlways = true;
    ASSERT_EQ(job_->DecodeBuffer(Input("clear_dave.asc")), 0);
    const TSignatureInfo& s = job_->SignatureInfo;
    EXPECT_EQ(s.Status, kSigUnknownKey);
    EXPECT_EQ(s.KeyIDText, IDOf("dave"));
    EXPECT_EQ(s.KeyIDText.size(), 18u);
    EXPECT_EQ(s.UserID, "");
    EXPECT_GT(s.Time, 1500000000u);
    EXPECT_EQ(job_->SignatureNote(), "unknown key");
    const std::string text = job_->StatusText();
    EXPECT_EQ(text, "Bad Signature\n(...)\n(" + IDOf("dave") + ")\nInvalid Key\n" + s.DateText + " (unknown key)");
    // The PGP log got the same text, once.
    const std::string log = FakeLog();
    if (log.find("log:") != std::string::npos) {
        EXPECT_NE(log.find("log:" + text + ";"), std::string::npos) << log;
        EXPECT_EQ(log.find("log:", log.find("log:") + 1), std::string::npos) << log;
    } else {
        const std::vector<std::string> lines = LogLines();
        const std::vector<std::string> want = SplitLines(text);
        ASSERT_GE(lines.size(), want.size()) << "nothing reached the PGP log window";
        EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(want.size()), lines.end()), want);
        EXPECT_EQ(lines.size() - linesBefore, want.size()) << "reported more than once";
    }
    EXPECT_NE(job_->OutputText.find("Plain text of the decode test."), std::string::npos);
    ExpectCleanedUp();

    CachePassphrase(kAlicePass);
    ASSERT_EQ(job_->DecodeBuffer(Input("encsign_dave.asc")), 0);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigUnknownKey);
    EXPECT_EQ(job_->SignatureInfo.KeyIDText, IDOf("dave"));
    EXPECT_EQ(job_->OutputText, Plain());
}

TEST_F(DecodeJobTest, NothingGoesToTheLogUnlessAsked) {
    const std::size_t linesBefore = LogLines().size();
    ASSERT_EQ(job_->DecodeBuffer(Input("clear_dave.asc")), 0);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigUnknownKey);
    EXPECT_EQ(FakeLog().find("log:"), std::string::npos) << FakeLog();
    EXPECT_EQ(LogLines().size(), linesBefore);
}

TEST_F(DecodeJobTest, ClearSignedTextWithPlainTextAroundKeepsItAllInOneOutput) {
    ASSERT_EQ(job_->DecodeBuffer(Input("clear_around.txt")), 0);
    const std::string& out = job_->OutputText;
    const auto before = out.find("Before the signed text.");
    const auto signedText = out.find("Plain text of the decode test.");
    const auto after = out.find("After the signed text.");
    ASSERT_NE(before, std::string::npos) << out;
    ASSERT_NE(signedText, std::string::npos) << out;
    ASSERT_NE(after, std::string::npos) << out;
    EXPECT_LT(before, signedText);
    EXPECT_LT(signedText, after);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigGood);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeSigned);
    ExpectCleanedUp();

    // Passed through, the signed text keeps its frame.
    job_->PassThroughClearSigned = true;
    ASSERT_EQ(job_->DecodeBuffer(Input("clear_around.txt")), 0);
    EXPECT_NE(job_->OutputText.find("-----BEGIN PGP SIGNED MESSAGE-----"), std::string::npos);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigGood);
}

TEST_F(DecodeJobTest, DetachedSignatureIsCheckedAgainstItsDataFileWhichStaysUntouched) {
    const std::string data = Input("data.txt");
    for (const char* sig : {"data.txt.sig", "data.txt.asc"}) {
        SCOPED_TRACE(sig);
        job_->OutputFile.clear();
        job_->ToFile = true;
        ASSERT_EQ(job_->DecodeFile(In(sig)), 0);
        EXPECT_EQ(job_->AnalyzeResult, kAnalyzeDetachedSignature);
        EXPECT_EQ(job_->SignatureInfo.Status, kSigGood);
        EXPECT_TRUE(job_->SignatureInfo.Detached);
        EXPECT_EQ(job_->SignatureInfo.KeyIDText, IDOf("bob"));
        EXPECT_EQ(job_->OutputFile, In("data.txt"));
        EXPECT_EQ(ReadAll(In("data.txt")), data) << "the data file was written over";
        EXPECT_EQ(job_->StatusText().rfind("Good Signature\ndata.txt\nbob <bob@example.org>\n", 0), 0u);
        ExpectCleanedUp();
    }
    // A signature text has no data file of its own.
    job_->OutputFile.clear();
    job_->ToFile = false;
    EXPECT_EQ(job_->DecodeBuffer(Input("data.txt.asc")), -11478);
    ExpectCleanedUp();
    // Nor does a signature beside no data file.
    ASSERT_TRUE(CopyFileA(In("data.txt.sig").c_str(), Out("lonely.txt.sig").c_str(), FALSE));
    EXPECT_EQ(job_->DecodeFile(Out("lonely.txt.sig")), -11478);
    ExpectCleanedUp();
    // Data that differs from what was signed.
    ASSERT_TRUE(WriteAll(Out("changed.txt"), data + "one more line\r\n"));
    ASSERT_TRUE(CopyFileA(In("data.txt.sig").c_str(), Out("changed.txt.sig").c_str(), FALSE));
    job_->OutputFile.clear();
    ASSERT_EQ(job_->DecodeFile(Out("changed.txt.sig")), 0);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigBad);
}

// ---- Keys, pass-through and the "@" rule ------------------------------------------------

TEST_F(DecodeJobTest, KeyBlockIsFoundAndPassedThroughButNotImportedUnasked) {
    job_->PassThroughKeys = true;
    ASSERT_EQ(job_->DecodeBuffer(Input("key_dave.txt")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeKey);
    EXPECT_NE(job_->OutputText.find("-----BEGIN PGP PUBLIC KEY BLOCK-----"), std::string::npos);
    EXPECT_NE(job_->OutputText.find("Here is my key:"), std::string::npos);
    EXPECT_EQ(job_->ImportedKeys.Count(), 0);
    EXPECT_EQ(CountKeys("dave@example.org"), 0);
    ExpectCleanedUp();

    job_->PassThroughKeys = false;
    ASSERT_EQ(job_->DecodeBuffer(Input("key_dave.txt")), 0);
    EXPECT_EQ(job_->OutputText.find("-----BEGIN PGP PUBLIC KEY BLOCK-----"), std::string::npos);

    // Offered for import: the client library's dialog decides; without one
    // the job still ends well and nothing was added.
    job_->ImportFoundKeys = true;
    if (!Sdk().PGPclSelectKeys7) {
        EXPECT_EQ(job_->DecodeBuffer(Input("key_dave.txt")), 0);
        EXPECT_EQ(job_->ImportedKeys.Count(), 0);
        EXPECT_EQ(CountKeys("dave@example.org"), 0);
        ExpectCleanedUp();
        return;
    }
    {
        // Declined: nothing added, the decoding goes on.
        test::ModalScript script;
        script.Click("PGP Key Selection", "Cancel");
        script.Start();
        EXPECT_EQ(job_->DecodeBuffer(Input("key_dave.txt")), 0);
        EXPECT_TRUE(script.Finish()) << script.Failure();
        EXPECT_EQ(job_->ImportedKeys.Count(), 0);
        EXPECT_EQ(CountKeys("dave@example.org"), 0);
        ExpectCleanedUp();
    }
    {
        std::string prompt;
        test::ModalScript script;
        script.Expect("#32770", "PGP Key Selection", [&prompt](HWND dlg) {
            prompt = test::GetText(test::FindChildById(dlg, 2001));
            HWND list = test::FindChildById(dlg, 2002);
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
            test::ClickButton(dlg, "OK");
        });
        script.Start();
        EXPECT_EQ(job_->DecodeBuffer(Input("key_dave.txt")), 0);
        EXPECT_TRUE(script.Finish()) << script.Failure();
        EXPECT_EQ(prompt, "Import key(s)");
        ASSERT_EQ(job_->ImportedKeys.Count(), 1);
        EXPECT_EQ(job_->ImportedKeys.Strings(0), IDOf("dave"));
        EXPECT_EQ(job_->ImportedKeys.Objects(0).UserName, "dave <dave@example.org>");
        EXPECT_EQ(CountKeys("dave@example.org"), 1);
        ExpectCleanedUp();
    }
    // Now on the rings, dave's signature is checked and good.
    job_->ImportFoundKeys = false;
    EXPECT_EQ(job_->DecodeBuffer(Input("clear_dave.asc")), 0);
    EXPECT_EQ(job_->SignatureInfo.Status, kSigGood);
    EXPECT_EQ(job_->SignatureInfo.UserID, "dave <dave@example.org>");
    engine_->ResetRings();
}

TEST_F(DecodeJobTest, HighByteTextWithoutPGPDataComesBackUnchanged) {
    // The first byte, 0xE4, read as a packet header names no packet kind.
    const std::string text = "\xE4pfel und Birnen.\r\n\xDC" "ber den Fluss.\r\n";
    ASSERT_EQ(job_->DecodeBuffer(text), 0);
    EXPECT_EQ(job_->OutputText, text);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeNotPGP);
    ExpectCleanedUp();

    job_->PassThroughUnrecognized = false;
    ASSERT_EQ(job_->DecodeBuffer(text), 0);
    EXPECT_EQ(job_->OutputText, "");

    // Plain ASCII text passes unchanged too, with nothing dropped.
    job_->PassThroughUnrecognized = true;
    ASSERT_EQ(job_->DecodeBuffer("@home: no PGP here\r\n"), 0);
    EXPECT_EQ(job_->OutputText, "@home: no PGP here\r\n");
}

// ---- Output to files -------------------------------------------------------------------

TEST_F(DecodeJobTest, FileOutputNamesFollowTheMessageAndTheInputName) {
    CachePassphrase(kAlicePass);
    job_->ToFile = true;
    // The name the message carries, in the input's directory.
    ASSERT_TRUE(CopyFileA(In("letter.dat").c_str(), Out("letter.dat").c_str(), FALSE));
    ASSERT_EQ(job_->DecodeFile(Out("letter.dat")), 0);
    EXPECT_EQ(job_->OutputFile, Out("plain.txt"));
    EXPECT_EQ(ReadAll(Out("plain.txt")), Plain());
    EXPECT_EQ(job_->OutputText, "");
    EXPECT_GT(job_->InputSize, 0);
    ExpectCleanedUp();

    // A name with directories in it stays in the input's directory.
    job_->OutputFile.clear();
    ASSERT_TRUE(CopyFileA(In("enc_hostile.pgp").c_str(), Out("hostile.pgp").c_str(), FALSE));
    ASSERT_EQ(job_->DecodeFile(Out("hostile.pgp")), 0);
    EXPECT_EQ(job_->OutputFile, Out("evil.txt"));
    EXPECT_EQ(ReadAll(Out("evil.txt")), Plain());
    EXPECT_FALSE(Exists(dir_ + "evil.txt"));

    // Without a name in the message: the input name without ".pgp".
    job_->OutputFile.clear();
    ASSERT_TRUE(CopyFileA(In("enc_noname.bin").c_str(), Out("noname.txt.pgp").c_str(), FALSE));
    ASSERT_EQ(job_->DecodeFile(Out("noname.txt.pgp")), 0);
    EXPECT_EQ(job_->OutputFile, Out("noname.txt"));
    EXPECT_EQ(ReadAll(Out("noname.txt")), Plain());

    // No name at all: the error raised in the output event is the result.
    job_->OutputFile.clear();
    ASSERT_TRUE(CopyFileA(In("enc_noname.bin").c_str(), Out("noname.bin").c_str(), FALSE));
    EXPECT_EQ(job_->DecodeFile(Out("noname.bin")), -11996);
    EXPECT_EQ(job_->SavedError, -11996);
    EXPECT_EQ(ReadAll(Out("noname.bin")), Input("enc_noname.bin")) << "the input was written over";
    ExpectCleanedUp();
}

TEST_F(DecodeJobTest, GivenOutputFileIsReplacedWholeOrLeftAlone) {
    CachePassphrase(kAlicePass);
    job_->ToFile = true;
    job_->OutputFile = Out("given.txt");
    ASSERT_TRUE(WriteAll(job_->OutputFile, std::string(5000, 'x')));
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job_->OutputFile, Out("given.txt"));
    EXPECT_EQ(ReadAll(Out("given.txt")), Plain());
    EXPECT_EQ(job_->OutputText, "");

    // Signed data goes through the one fixed output buffer.
    ASSERT_EQ(job_->DecodeBuffer(Input("sign_bob.asc")), 0);
    EXPECT_EQ(ReadAll(Out("given.txt")), Plain());
    EXPECT_EQ(job_->SignatureInfo.Status, kSigGood);

    // A directory that does not exist: nothing written, no stray file.
    job_->OutputFile = dir_ + "missing\\given.txt";
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), -11996);
    EXPECT_FALSE(Exists(dir_ + "missing"));
    ExpectCleanedUp();

    // A text names no place for the name its message suggests.
    job_->OutputFile.clear();
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), -11996);
    EXPECT_EQ(job_->SavedError, -11996);
    EXPECT_FALSE(Exists(std::string(cwd) + "\\plain.txt"));
    ExpectCleanedUp();
}

TEST(DecodeOutputName, RuleCutsTheKnownExtensionsOnly) {
    struct Case {
        const char* output;
        const char* input;
        bool detached;
        const char* want;
    } cases[] = {
        {"C:\\set.txt", "C:\\in\\msg.pgp", false, "C:\\set.txt"},
        {"", "C:\\in\\msg.txt.pgp", false, "C:\\in\\msg.txt"},
        {"", "  C:\\in\\msg.TXT.ASC  ", false, "C:\\in\\msg.TXT"},
        {"", "C:\\in\\data.txt.sig", true, "C:\\in\\data.txt"},
        {"", "C:\\in\\data.txt.SIG", true, "C:\\in\\data.txt"},
        {"", "C:\\in\\data.txt.asc", true, "C:\\in\\data.txt"},
        {"", "C:\\in\\data.txt.sig", false, ""},  // not a detached signature
        {"", "C:\\in\\letter.dat", false, ""},    // would be the input itself
        {"", "C:\\in\\letter", false, ""},
        {"", "C:\\in\\.pgp", false, ""},
        {"", "C:\\in.d\\file", false, ""},
        {"", "", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeriveOutputName(c.output, c.input, c.detached), c.want) << c.input;
    EXPECT_EQ(FileNameOf("C:\\dir\\name.txt"), "name.txt");
    EXPECT_EQ(FileNameOf("name.txt"), "name.txt");
    EXPECT_EQ(FileNameOf(""), "");
}

// ---- The status text -----------------------------------------------------------------

TEST(DecodeStatusText, PartsFollowTheSignatureRecord) {
    TSignatureNotes notes{"bad signature", "disabled key", "expired key", "revoked key", "unknown key", ""};
    TSignatureInfo s;
    EXPECT_EQ(SignatureStatusText(s, "x.txt", notes), "");

    s.Status = kSigGood;
    s.KeyIDText = "0x1122334455667788";
    s.UserID = "bob <bob@example.org>";
    s.DateText = "Tue, 08 Dec 2026, 03:00";
    s.Checked = s.Verified = true;
    s.Validity = 3;
    EXPECT_EQ(SignatureStatusText(s, "x.txt", notes),
              "Good Signature\nx.txt\nbob <bob@example.org>\nValid Key\nTue, 08 Dec 2026, 03:00");
    s.Validity = 2;
    EXPECT_EQ(SignatureStatusText(s, "", notes),
              "Good Signature\n(...)\nbob <bob@example.org>\nMarginal Key\nTue, 08 Dec 2026, 03:00");
    s.Axiomatic = true;
    s.Validity = 0;
    EXPECT_NE(SignatureStatusText(s, "", notes).find("\nImplicit Trust\n"), std::string::npos);
    s.Axiomatic = false;
    EXPECT_NE(SignatureStatusText(s, "", notes).find("\nInvalid Key\n"), std::string::npos);

    // Of revoked, disabled and expired the last that applies is the note.
    s.Revoked = true;
    EXPECT_EQ(SignatureNote(s, notes), "revoked key");
    s.Disabled = true;
    EXPECT_EQ(SignatureNote(s, notes), "disabled key");
    s.Expired = true;
    EXPECT_EQ(SignatureNote(s, notes), "expired key");
    s.Disabled = false;
    EXPECT_EQ(SignatureNote(s, notes), "expired key");
    EXPECT_EQ(SignatureStatusText(s, "", notes).substr(SignatureStatusText(s, "", notes).size() - 14),
              " (expired key)");

    s.Verified = false;
    s.Status = kSigBad;
    EXPECT_EQ(SignatureNote(s, notes), "bad signature");
    EXPECT_EQ(SignatureStatusText(s, "", notes).rfind("Bad Signature\n", 0), 0u);

    // A key that cannot sign: the unusable-key note, empty by default.
    s.Status = kSigNotSigningKey;
    EXPECT_EQ(SignatureNote(s, notes), "");
    notes.UnusableKey = "unusable key";
    EXPECT_EQ(SignatureNote(s, notes), "unusable key");

    // The unknown key shows its ID even when a user ID slipped in.
    s.Status = kSigUnknownKey;
    EXPECT_NE(SignatureStatusText(s, "", notes).find("\n(0x1122334455667788)\n"), std::string::npos);
    s.UserID.clear();
    EXPECT_EQ(SignatureNote(s, notes), "unknown key");
}

// ---- Keeping the environment open ------------------------------------------------------

TEST_F(DecodeJobTest, KeepOpenHoldsContextRingsAndThePassphraseBetweenJobs) {
    ASSERT_EQ(job_->SetKeepOpen(true), 0);
    ASSERT_NE(job_->Context, nullptr);
    ASSERT_NE(job_->KeySet, nullptr);
    const PGPContextRef context = job_->Context;
    EXPECT_EQ(KeyRings()->OpenCount, 1);

    CachePassphrase(kAlicePass);
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job_->OutputText, Plain());
    EXPECT_EQ(job_->Context, context);
    EXPECT_NE(job_->Passphrase, nullptr);
    EXPECT_EQ(job_->Collected, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 1);

    // The cache is empty now: the next job lives on the passphrase it holds.
    secure_->WipeAll();
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice2.asc")), 0);
    EXPECT_EQ(job_->OutputText, Input("plain2.txt"));
    EXPECT_TRUE(secure_->IsEmpty()) << "kept open, the job does not cache";

    // Analysis uses a context of its own and leaves the held one alone.
    ASSERT_EQ(job_->AnalyzeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job_->AnalyzeResult, kAnalyzeEncrypted);
    EXPECT_EQ(job_->Context, context);
    EXPECT_NE(job_->Passphrase, nullptr);

    ASSERT_EQ(job_->SetKeepOpen(false), 0);
    ExpectCleanedUp();

    // Held open through the field alone, and let go the same way.
    CachePassphrase(kAlicePass);
    job_->KeepOpen = true;
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_NE(job_->Context, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 1);
    job_->KeepOpen = false;
    ASSERT_EQ(job_->DecodeBuffer(Input("enc_alice2.asc")), 0);
    EXPECT_EQ(job_->OutputText, Input("plain2.txt"));
    ExpectCleanedUp();
}

// ---- A missing signer's key from the key server ------------------------------------------

// The rings of the other tests, the PGP preferences naming a real key server
// on loopback that holds dave's key, and the engine's search and selection
// dialogs answered by the robot.
class DecodeLookupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unixDir_ = "/tmp/orv_decode_ks_" + unique;
        dir_ = "Z:\\tmp\\orv_decode_ks_" + unique + "\\";
        ready_ = StartUnix(std::string(ORV_DECODE_SCRIPT) + " " + unixDir_ + "/in " + ORV_KEY_DATA) &&
                 WaitForFile(dir_ + "in\\done", 120000);
        sks_ = new test::SksServer;
        appData_ = dir_ + "appdata";
        CreateDirectoryA(appData_.c_str(), nullptr);
        CreateDirectoryA((appData_ + "\\Network Associates").c_str(), nullptr);
        CreateDirectoryA((appData_ + "\\Network Associates\\PGP").c_str(), nullptr);
        savedAppData_ = orv::test::AppDataOverride::Read();
        orv::test::AppDataOverride::Write(appData_);
        engine_ = new test::StandInEngine(test::SourcePath(ORV_KEY_DATA));
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        hooks.createPrefsFile = CreatePgpPrefs;
        hooks.freePrefsFile = FreePgpPrefs;
        loaded_ = engine_->Load(hooks);
    }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
        orv::test::AppDataOverride::Write(savedAppData_);
        delete sks_;
        sks_ = nullptr;
        StartUnix("-c \"rm -rf " + unixDir_ + "\"");
    }
    void SetUp() override {
        ASSERT_TRUE(ready_);
        ASSERT_TRUE(loaded_);
        ASSERT_TRUE(Sdk().PGPSearchKeyServerDialog && Sdk().PGPclSelectKeys7) << "the engine has no key-server dialogs";
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
        std::ofstream prefs(appData_ + "\\Network Associates\\PGP\\PGPprefs.txt", std::ios::binary | std::ios::trunc);
        prefs << "PublicKeyringFile=\"" << engine_->PublicRing() << "\"\r\n"
              << "PrivateKeyringFile=\"" << engine_->SecretRing() << "\"\r\n"
              << "KeyServerList1=2,0,0,\"127.0.0.1\"," << sks_->Port() << ",0,1,0\r\n";
    }
    void TearDown() override {
        engine_->ResetRings();
        EXPECT_EQ(KeyRings()->OpenCount, 0);
    }

    static inline test::StandInEngine* engine_ = nullptr;
    static inline test::SksServer* sks_ = nullptr;
    static inline bool loaded_ = false, ready_ = false;
    static inline std::string dir_, unixDir_, appData_, savedAppData_;
};

TEST_F(DecodeLookupTest, UnknownSignerIsLookedUpImportedAndTrustedAfterwards) {
    TPGPDecode job;
    job.ImportPrompt = "Import key(s)";
    job.NoteUnknownKey = "unknown key";
    job.LookupOnServer = true;
    const std::string clear = ReadAll(dir_ + "in\\clear_dave.asc");
    const std::string dave = Trimmed(ReadAll(dir_ + "in\\id_dave.txt"));

    std::string prompt;
    test::ModalScript robot;
    // The search dialog closes by itself when the search ends, perhaps
    // before a robot could see it: only the import selection is answered.
    robot.Expect("#32770", "PGP Key Selection", [&prompt](HWND dialog) {
        prompt = test::GetText(test::FindChildById(dialog, 2001));
        HWND keys = test::FindChildById(dialog, 2002);
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(keys, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        test::ClickButton(dialog, "OK");
    });
    robot.Start();
    ASSERT_EQ(job.DecodeBuffer(clear), 0);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    // The signature was reported before its key came: still unknown.
    EXPECT_EQ(job.SignatureInfo.Status, kSigUnknownKey);
    EXPECT_EQ(job.SignatureInfo.KeyIDText, dave);
    EXPECT_EQ(prompt, "Import key(s)");
    ASSERT_EQ(job.ImportedKeys.Count(), 1);
    EXPECT_EQ(job.ImportedKeys.Strings(0), dave);
    EXPECT_EQ(job.ImportedKeys.Objects(0).UserName, "dave <dave@example.org>");
    EXPECT_EQ(job.Context, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 0);

    // Now on the rings: no look-up, and the signature is good.
    ASSERT_EQ(job.DecodeBuffer(clear), 0);
    EXPECT_EQ(job.SignatureInfo.Status, kSigGood);
    EXPECT_EQ(job.SignatureInfo.UserID, "dave <dave@example.org>");
    EXPECT_EQ(job.ImportedKeys.Count(), 0);
}

TEST_F(DecodeLookupTest, AnUnknownSignersSearchGivesBackItsKeyDatabaseAndFilter) {
    for (const bool import : {false, true}) {
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
        TPGPDecode job;
        job.LookupOnServer = true;
        test::ModalScript robot;
        if (import) {
            robot.Expect("#32770", "PGP Key Selection", [](HWND dialog) {
                HWND keys = test::FindChildById(dialog, 2002);
                LVITEMA item{};
                item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                item.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageA(keys, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
                test::ClickButton(dialog, "OK");
            });
        } else {
            robot.Click("PGP Key Selection", "Cancel");
        }
        robot.Start();
        test::ServerSearchWatch watch;
        ASSERT_EQ(job.DecodeBuffer(ReadAll(dir_ + "in\\clear_dave.asc")), 0);
        EXPECT_TRUE(robot.Finish()) << robot.Failure();
        EXPECT_EQ(job.ImportedKeys.Count(), import ? 1 : 0);
        ASSERT_GE(watch.Peeked(), 1u) << "import " << import;
        EXPECT_EQ(watch.LeakedDatabases(KeyRings()->KeyDB), std::vector<PGPKeyDBRef>{}) << "import " << import;
        EXPECT_EQ(watch.FilterReferences(), 0) << "import " << import;
    }
}

TEST_F(DecodeLookupTest, DeclinedImportLeavesTheSignerUnknown) {
    TPGPDecode job;
    job.LookupOnServer = true;
    test::ModalScript robot;
    // The search dialog closes by itself when the search ends, perhaps
    // before a robot could see it: only the import selection is answered.
    robot.Click("PGP Key Selection", "Cancel");
    robot.Start();
    ASSERT_EQ(job.DecodeBuffer(ReadAll(dir_ + "in\\clear_dave.asc")), 0);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    EXPECT_EQ(job.SignatureInfo.Status, kSigUnknownKey);
    EXPECT_EQ(job.ImportedKeys.Count(), 0);
    EXPECT_EQ(CountKeys("dave@example.org"), 0);
    // Without the look-up no server is asked and no dialog shows.
    job.LookupOnServer = false;
    ASSERT_EQ(job.DecodeBuffer(ReadAll(dir_ + "in\\clear_dave.asc")), 0);
    EXPECT_EQ(job.SignatureInfo.Status, kSigUnknownKey);
}

// ---- Release 6.5 ----------------------------------------------------------------------------

// The release 6.5 flavour of the stand-in core with the fake companions of
// that release: 34-byte key IDs, the older key-ID text forms, key sets in
// place of key databases.
class DecodeRelease65Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unixDir_ = "/tmp/orv_decode_65_" + unique;
        dir_ = "Z:\\tmp\\orv_decode_65_" + unique + "\\";
        ready_ = StartUnix(std::string(ORV_DECODE_SCRIPT) + " " + unixDir_ + "/in " + ORV_KEY_DATA) &&
                 WaitForFile(dir_ + "in\\done", 120000);
        engineDir_ = dir_ + "engine\\";
        CreateDirectoryA(engineDir_.c_str(), nullptr);
        const std::string bin = test::ProgramDir();
        CopyFileA((bin + "sdk65\\PGPSDK.dll").c_str(), (engineDir_ + "PGPSDK.dll").c_str(), FALSE);
        for (const char* f : {"PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"})
            CopyFileA((bin + "fakesdk\\r65\\" + f).c_str(), (engineDir_ + f).c_str(), FALSE);
        const std::string data = test::SourcePath(ORV_KEY_DATA);
        for (const char* f : {"pubring.pkr", "secring.skr"})
            CopyFileA((data + f).c_str(), (engineDir_ + f).c_str(), FALSE);
        SetDllDirectoryA(engineDir_.c_str());
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loader::SetEngineObjectHooks(hooks);
        loaded_ = loader::Load(loader::Scope::Full);
        if (loaded_ && KeyRings())
            KeyRings()->SetRingFiles(engineDir_ + "pubring.pkr", engineDir_ + "secring.skr");
    }
    static void TearDownTestSuite() {
        if (loaded_) loader::Unload();
        loader::SetEngineObjectHooks({});
        SetDllDirectoryA(nullptr);
        StartUnix("-c \"rm -rf " + unixDir_ + "\"");
    }
    void SetUp() override {
        ASSERT_TRUE(ready_);
        ASSERT_TRUE(loaded_) << "the release 6.5 engine did not load";
        ASSERT_FALSE(loader::IsSDK7());
    }
    static std::string Input(const std::string& name) { return ReadAll(dir_ + "in\\" + name); }

    static inline bool ready_ = false, loaded_ = false;
    static inline std::string dir_, unixDir_, engineDir_;
};

TEST_F(DecodeRelease65Test, MessagesSignaturesAndKeysThroughTheOlderInterface) {
    TSecure secure;
    {
        PGPContextRef context = nullptr;
        ASSERT_EQ(sdk::Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &context), 0);
        const std::string source = "bytes of an earlier job's output";
        ASSERT_TRUE(secure.CachePassphrase(context, kAlicePass, kDecryptSlot, source.data(), source.size()));
        sdk::Call(Sdk().PGPFreeContext, context);
    }
    TPGPDecode job;
    job.Secure = &secure;
    job.PassThroughUnrecognized = true;
    job.NoteUnknownKey = "unknown key";
    const std::string plain = Input("plain.txt");

    ASSERT_EQ(job.AnalyzeBuffer(Input("enc_alice.asc")), 0);
    EXPECT_EQ(job.AnalyzeResult, kAnalyzeEncrypted);

    ASSERT_EQ(job.DecodeBuffer(Input("encsign_bob.asc")), 0);
    EXPECT_EQ(job.OutputText, plain);
    EXPECT_EQ(job.SignatureInfo.Status, kSigGood);
    EXPECT_EQ(job.SignatureInfo.KeyIDText, Trimmed(Input("id_bob.txt")));
    EXPECT_EQ(job.SignatureInfo.UserID, "bob <bob@example.org>");

    ASSERT_EQ(job.DecodeBuffer(Input("clear_dave.asc")), 0);
    EXPECT_EQ(job.SignatureInfo.Status, kSigUnknownKey);
    EXPECT_EQ(job.SignatureInfo.KeyIDText, Trimmed(Input("id_dave.txt")));
    EXPECT_EQ(job.SignatureNote(), "unknown key");

    ASSERT_EQ(job.DecodeBuffer(Input("multi.txt")), 0);
    EXPECT_NE(job.OutputText.find(plain), std::string::npos);
    EXPECT_NE(job.OutputText.find(Input("plain2.txt")), std::string::npos);

    // The found keys come as a key set, freed by the job.
    job.PassThroughKeys = true;
    ASSERT_EQ(job.DecodeBuffer(Input("key_dave.txt")), 0);
    EXPECT_EQ(job.AnalyzeResult, kAnalyzeKey);
    EXPECT_NE(job.OutputText.find("-----BEGIN PGP PUBLIC KEY BLOCK-----"), std::string::npos);

    EXPECT_EQ(job.Context, nullptr);
    EXPECT_EQ(job.Passphrase, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 0);
}

}  // namespace
