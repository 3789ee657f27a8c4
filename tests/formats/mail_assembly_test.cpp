// Inline and PGP/MIME assembly over the engine stand-in: the layouts of the
// messages built, the texts and files the engine gives back when the PGP
// blocks are decoded again, the user's questions on attachments, and the
// message file rewritten safely when a message goes out unencoded.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "engine/decode_job.h"
#include "engine/encode_job.h"
#include "engine/isaac.h"
#include "engine/key_rings.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "tests/support/files.h"
#include "ui/sel_key_dialog.h"
#include "engine/wipe_file.h"
#include "formats/encode_order.h"
#include "formats/mcfuncs.h"
#include "formats/pm_funcs.h"
#include "pm_test_texts.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using orv::test::ReadAll;
using sdk::Sdk;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
constexpr std::uint32_t kRandom = 0x1234ABCD;

std::string Bytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

const std::string kAttachment = Bytes(3000, 7);
const std::string kText = "Gr\xFC\xDF" "e, Bob\r\n\r\nthe report is attached.\r\n";

std::string MainHeader(int flags, bool mixed = true) {
    std::string h = "From: Alice <alice@example.org>\r\nTo: bob@example.org\r\nSubject: Report\r\nMIME-Version: 1.0\r\n";
    if (mixed) h += "Content-type: Multipart/Mixed; boundary=Message-Boundary-4711\r\n";
    return h + "X-PM-Encryptor: ORVPGP-PM32, " + std::to_string(flags) + "\r\n";
}

const std::string kTextPart =
    "--Message-Boundary-4711\r\nContent-type: text/plain; charset=ISO-8859-1\r\n"
    "Content-transfer-encoding: Quoted-printable\r\nContent-description: Mail message body\r\n\r\n"
    "Gr=FC=DFe, Bob\r\n\r\nthe report=\r\n is attached.\r\n\r\n";

std::string AttachmentPart(const std::string& name, const std::string& bytes) {
    return "--Message-Boundary-4711\r\nContent-type: Application/Octet-stream; name=\"" + name +
           "\"; type=Unknown\r\nContent-disposition: attachment; filename=\"" + name +
           "\"\r\nContent-transfer-encoding: BASE64\r\n\r\n" + TMCFuncs::Base64EncodeBuffer(bytes) + "\r\n\r\n";
}

std::string MixedMessage(int flags) {
    return MainHeader(flags) + "\r\n\r\n" + kTextPart + AttachmentPart("data.bin", kAttachment) +
           "--Message-Boundary-4711--\r\n";
}

// The output with every armoured block replaced by "[n]"; the blocks in order.
std::string Skeleton(const std::string& text, std::vector<std::string>& blocks) {
    std::string out;
    std::size_t done = 0;
    for (std::size_t p = text.find("-----BEGIN PGP "); p != std::string::npos; p = text.find("-----BEGIN PGP ", done)) {
        const std::size_t close = text.find("-----END PGP ", p);
        if (close == std::string::npos) break;
        const std::size_t end = text.find("-----", close + 13) + 5;
        out += text.substr(done, p - done);
        blocks.push_back(text.substr(p, end - p));
        out += "[" + std::to_string(blocks.size()) + "]";
        done = end;
    }
    out += text.substr(done);
    return out;
}

std::string TempDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &n, nullptr) && n == bytes.size();
    CloseHandle(f);
    return ok;
}

class MailAssemblyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
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
    }

    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        secure_ = std::make_unique<TSecure>();
        encode_ = std::make_unique<TPGPEncode>();
        encode_->Secure = secure_.get();
        encode_->KeySelector = SelectKeysInDialog;
        encode_->CacheMode = 60;
        encode_->OmitMIMEVersion = true;
        encode_->PassphrasePrompt = "Enter your passphrase:";
        encode_->SelectPrompt = "Select public key for ";
        decode_ = std::make_unique<TPGPDecode>();
        decode_->Secure = secure_.get();
        decode_->PassphrasePrompt = "Enter your passphrase:";
        decode_->PassThroughUnrecognized = true;
        CachePassphrase(kDecryptSlot);
        CachePassphrase(kSignSlot);

        TAssemblyServices s;
        s.Text = test::LibraryTexts();
        s.Encode = [this](const TEncodeOrder& order, std::string& recipients, std::string& signer) {
            orders_.push_back(order);
            return RunEncodeOrder(*encode_, order, recipients, signer);
        };
        s.ErrorText = [](int error) { return "PGP error " + std::to_string(error); };
        s.ClearPGPError = [this] { ++cleared_; };
        s.Cancel = [this](const std::string& question) {
            questions_.push_back(question);
            if (answers_.empty()) return true;
            const bool no = answers_.front();
            answers_.pop_front();
            return no;
        };
        s.Error = [this](const std::string& text) { errors_.push_back(text); };
        s.Status = [this](const std::string& text) { status_.push_back(text); };
        s.AdkDeclined = [this](const std::string&) { return adkDeclined_; };
        s.Random32 = [] { return kRandom; };
        s.PGPMimeLoaded = [this] { return pgpMime_; };
        s.PGPExt = [this] { return pgpExt_; };
        s.ReadMessage = [](const std::string& path, std::string& bytes) { return ReadWholeFile(path, bytes); };
        s.ReplaceMessage = [](const std::string& path, std::string_view bytes) { return ReplaceWholeFile(path, bytes); };
        // The file wiper, as the library's start hands it to the replacement.
        SetFileWiper([this](const std::string& old) {
            wiped_.push_back(old);
            TIsaac random;
            random.Seed({1, 2, 3, 4, 5, 6, 7, 8});
            WipeFile(old.c_str(), 3, random);
        });
        s.CopyMessage = [this] { return ++copied_, -2; };
        pm_ = std::make_unique<TPMFuncs>(std::move(s));
        pm_->RecipientSpec = kBob;
        pm_->SignKeyID = kAlice;
        pm_->AttachMode = 1;
    }
    void TearDown() override {
        SetFileWiper(nullptr);
        pm_.reset();
        decode_.reset();
        encode_.reset();
        secure_.reset();
        if (KeyRings()) {
            EXPECT_EQ(KeyRings()->OpenCount, 0) << "key rings left open";
        }
    }

    void CachePassphrase(int slot) {
        PGPContextRef context = nullptr;
        ASSERT_EQ(sdk::Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &context), 0);
        const std::string source = "bytes of an earlier job's output";
        ASSERT_TRUE(secure_->CachePassphrase(context, test::kAlicePass, slot, source.data(), source.size()));
        sdk::Call(Sdk().PGPFreeContext, context);
    }

    // The engine's decoding of one block; a failure gives the error number.
    std::string Decode(const std::string& block) {
        const PGPError err = decode_->DecodeBuffer(block);
        if (err != 0) return "decode error " + std::to_string(err);
        return decode_->OutputText;
    }

    // Splits and assembles a message as the encryptor operations do.
    int Assemble(const std::string& message, std::string& out, bool mime) {
        std::string header, body, mixed, alt;
        pm_->IsMime = pm_->DoEncrypt = pm_->DoSign = false;
        pm_->GetMainHeader(message, header, body, mixed, alt);
        return mime ? pm_->PGPMimeEncoded(header, body, mixed, alt, out) : pm_->PGPEncoded(header, body, mixed, alt, out);
    }

    static inline test::StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;

    std::unique_ptr<TSecure> secure_;
    std::unique_ptr<TPGPEncode> encode_;
    std::unique_ptr<TPGPDecode> decode_;
    std::unique_ptr<TPMFuncs> pm_;
    std::vector<TEncodeOrder> orders_;
    std::vector<std::string> questions_, errors_, status_, wiped_;
    std::deque<bool> answers_;
    int cleared_ = 0, copied_ = 0;
    bool adkDeclined_ = false, pgpMime_ = false, pgpExt_ = true;
};

// ---- Inline PGP -----------------------------------------------------------------

TEST_F(MailAssemblyTest, InlineTextPartAndAttachmentLayout) {
    std::string out;
    ASSERT_EQ(Assemble(MixedMessage(1), out, false), 1) << out;
    std::vector<std::string> blocks;
    EXPECT_EQ(Skeleton(out, blocks),
              MainHeader(1).substr(0, MainHeader(1).size() - 2) +
                  "\r\n\r\n"
                  "--Message-Boundary-4711\r\n"
                  "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
                  "Content-description: Mail message body\r\n\r\n[1]\r\n\r\n"
                  "--Message-Boundary-4711\r\n"
                  "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
                  "Content-description: PGP encrypted file\r\nContent-disposition: attachment; filename=\r\n"
                  " \"data.bin.pgp\";\r\n x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=1\r\n\r\n[2]\r\n\r\n"
                  "--Message-Boundary-4711--");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Decode(blocks[0]), kText) << "the quoted-printable text goes in decoded";
    EXPECT_EQ(Decode(blocks[1]), kAttachment) << "the attachment goes in as its own bytes";
    EXPECT_EQ(out.find(kAttachment.substr(0, 64)), std::string::npos);

    ASSERT_EQ(orders_.size(), 2u);
    EXPECT_TRUE(orders_[0].TextMode);
    EXPECT_FALSE(orders_[1].TextMode);
    EXPECT_EQ(orders_[0].Title, "Sign message");
    EXPECT_EQ(orders_[1].Title, "Sign attachment");
    EXPECT_EQ(pm_->RecipientSpec, kBob) << "the signer the job appends is taken off again";
    EXPECT_EQ(status_, (std::vector<std::string>{"Encrypting message ...", "Encrypting attachment(s) ..."}));
    EXPECT_TRUE(questions_.empty());
}

TEST_F(MailAssemblyTest, InlineWithoutPGPExtAndWithEncodedNames) {
    pgpExt_ = false;
    const std::string message = MainHeader(5) + "\r\n" + kTextPart + AttachmentPart("Gr\xFC\xDF" "e.txt", "abc") +
                                "--Message-Boundary-4711--\r\n";
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    std::vector<std::string> blocks;
    const std::string skeleton = Skeleton(out, blocks);
    EXPECT_NE(skeleton.find("--Message-Boundary-4711\r\n"
                            "Content-type: Application/Octet-stream; name=\r\n \"=?ISO-8859-1?Q?Gr=FC=DFe.txt?=\"; "
                            "type=Unknown\r\nContent-disposition: attachment; filename=\r\n"
                            " \"=?ISO-8859-1?Q?Gr=FC=DFe.txt?=\"\r\nContent-transfer-encoding: 7BIT\r\n"
                            "Content-description: PGP encrypted file\r\n\r\n[2]\r\n\r\n--Message-Boundary-4711--"),
              std::string::npos)
        << skeleton;
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Decode(blocks[1]), "abc");

    // A header that already carries the encryption parameter gets this run's flags.
    const std::string again = MainHeader(1) + "\r\n--Message-Boundary-4711\r\nContent-type: text/plain\r\n"
                              "Content-disposition: attachment; filename=\r\n \"a.txt.pgp\";\r\n"
                              " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=4\r\n\r\nplain\r\n"
                              "--Message-Boundary-4711--\r\n";
    ASSERT_EQ(Assemble(again, out, false), 1) << out;
    blocks.clear();
    EXPECT_NE(Skeleton(out, blocks).find("--Message-Boundary-4711\r\nContent-type: text/plain\r\n"
                                         "Content-disposition: attachment; filename=\r\n \"a.txt.pgp\";\r\n"
                                         " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=1\r\n"
                                         "Content-description: PGP encrypted file\r\n\r\n[1]"),
              std::string::npos)
        << out;

    // With PGPExt the ".pgp" goes inside the encoded word.
    pgpExt_ = true;
    ASSERT_EQ(Assemble(message, out, false), 1);
    EXPECT_NE(out.find(" \"=?ISO-8859-1?Q?Gr=FC=DFe.txt.pgp?=\";\r\n x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=5"),
              std::string::npos);
}

TEST_F(MailAssemblyTest, InlineSigningOnlySendsTheFileAndItsSignature) {
    const std::string message = MainHeader(4) + "\r\n" + kTextPart + AttachmentPart("", "file bytes") +
                                "--Message-Boundary-4711--\r\n";
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    std::vector<std::string> blocks;
    const std::string skeleton = Skeleton(out, blocks);
    // The 8-bit signed text goes out in the client's charset; the file keeps its header, rewritten.
    EXPECT_NE(skeleton.find("--Message-Boundary-4711\r\nContent-type: text/plain; charset=ISO-8859-1\r\n"
                            "Content-transfer-encoding: 8BIT\r\nContent-description: Mail message body\r\n\r\n[1]"),
              std::string::npos)
        << skeleton;
    EXPECT_NE(skeleton.find("--Message-Boundary-4711\r\nContent-type: Application/Octet-stream; name=\r\n \"\"; "
                            "type=Unknown\r\nContent-disposition: attachment; filename=\r\n \"\"\r\n"
                            "Content-transfer-encoding: BASE64"
                            "\r\n\r\nZmlsZSBieXRlcw==\r\n\r\n"
                            "--Message-Boundary-4711\r\nContent-type: text/plain; charset=US-ASCII\r\n"
                            "Content-transfer-encoding: 7BIT\r\nContent-description: PGP detached signature\r\n"
                            "Content-disposition: attachment; filename=\r\n \"-.sig\";\r\n"
                            " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=4\r\n\r\n[2]\r\n\r\n"
                            "--Message-Boundary-4711--"),
              std::string::npos)
        << skeleton;
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_TRUE(blocks[0].starts_with("-----BEGIN PGP SIGNED MESSAGE-----"));
    EXPECT_TRUE(blocks[1].starts_with("-----BEGIN PGP SIGNATURE-----"));
    EXPECT_EQ(orders_[0].Operation, TEncodeOperation::ClearSign);
    EXPECT_EQ(orders_[1].Operation, TEncodeOperation::DetachedSign);
    EXPECT_EQ(decode_->DecodeBuffer(blocks[0]), 0);
    EXPECT_EQ(decode_->SignatureInfo.Status, kSigGood);
}

TEST_F(MailAssemblyTest, InlineAlternativeSendsTheFirstTwoSubParts) {
    const std::string message =
        MainHeader(1) + "\r\n--Message-Boundary-4711\r\nContent-type: Multipart/Alternative; boundary=\"alt\"\r\n\r\n"
        "--alt\r\nContent-type: text/plain\r\n\r\nplain text\r\n--alt\r\nContent-type: text/html\r\n\r\n<p>html</p>\r\n"
        "--alt\r\nContent-type: text/enriched\r\n\r\nthird\r\n--alt--\r\n\r\n" +
        AttachmentPart("a.bin", "A") + "--Message-Boundary-4711--\r\n";
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    std::vector<std::string> blocks;
    const std::string skeleton = Skeleton(out, blocks);
    const std::string body = MainHeader(1).substr(0, MainHeader(1).size() - 2) +
                             "\r\n\r\n--Message-Boundary-4711\r\nContent-type: Multipart/Alternative;\r\n boundary=alt"
                             "\r\n\r\n--alt\r\nContent-type: text/plain; charset=US-ASCII\r\n"
                             "Content-transfer-encoding: 7BIT\r\nContent-description: Mail message body\r\n\r\n[1]\r\n"
                             "\r\n--alt\r\nContent-type: text/html; charset=US-ASCII\r\n"
                             "Content-transfer-encoding: 7BIT\r\nContent-description: Mail message body\r\n\r\n[2]\r\n"
                             "\r\n--alt--\r\n\r\n--Message-Boundary-4711\r\n";
    EXPECT_EQ(skeleton.substr(0, body.size()), body);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(Decode(blocks[0]), "plain text");
    EXPECT_EQ(Decode(blocks[1]), "<p>html</p>");
    EXPECT_EQ(Decode(blocks[2]), "A");
    EXPECT_EQ(out.find("third"), std::string::npos);
}

TEST_F(MailAssemblyTest, StoredMessageIsAssembledInline) {
    const std::string stored = "From: carol@example.org\r\nSubject: old\r\nMIME-Version: 1.0\r\n"
                               "Content-type: text/plain; charset=US-ASCII\r\n\r\nold letter\r\n";
    const std::string message =
        MainHeader(1) + "\r\n" + kTextPart + AttachmentPart("mail.CNM", stored) + "--Message-Boundary-4711--\r\n";
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    std::vector<std::string> blocks;
    const std::string skeleton = Skeleton(out, blocks);
    EXPECT_NE(skeleton.find("--Message-Boundary-4711\r\nContent-type: Message/RFC822\r\n\r\n"
                            "From: carol@example.org\r\nSubject: old\r\nMIME-Version: 1.0\r\n"
                            "X-PM-Encryptor: ORVPGP-PM32, 1\r\nContent-type: text/plain; charset=US-ASCII\r\n"
                            "Content-transfer-encoding: 7BIT\r\nContent-description: Mail message body\r\n\r\n[2]"
                            "\r\n\r\n--Message-Boundary-4711--"),
              std::string::npos)
        << skeleton;
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Decode(blocks[1]), "old letter\r\n");
}

TEST_F(MailAssemblyTest, AttachmentQuestionAndUnencodedAttachments) {
    pm_->AttachMode = -1;
    const std::string message = MainHeader(1) + "\r\n" + AttachmentPart("one.bin", "1") +
                                AttachmentPart("two.bin", "2") + "--Message-Boundary-4711--\r\n";
    // "Yes": sent unencoded, and so is every further attachment without asking.
    answers_ = {false};
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    EXPECT_EQ(questions_, std::vector<std::string>{"Send unencrypted attachment(s)"});
    EXPECT_EQ(pm_->AttachMode, 0);
    EXPECT_EQ(cleared_, 2);
    EXPECT_EQ(out.find("-----BEGIN PGP"), std::string::npos);
    EXPECT_EQ(out.find("X-PM-Encryptor"), std::string::npos) << "no encoded part left: the encryptor header goes";
    EXPECT_NE(out.find("filename=\r\n \"two.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\nMg==\r\n"),
              std::string::npos);

    // "No": encoded after all.
    pm_->AttachMode = -1;
    questions_.clear();
    answers_ = {true};
    ASSERT_EQ(Assemble(message, out, false), 1);
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_EQ(pm_->AttachMode, 1);
    std::vector<std::string> blocks;
    Skeleton(out, blocks);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Decode(blocks[1]), "2");
}

TEST_F(MailAssemblyTest, CancelledKeyChoiceOffersTheAttachmentUnencrypted) {
    // A recipient text that fits several keys brings the key selection
    // dialog; the user cancels it, then chooses to send the file unencrypted.
    pm_->RecipientSpec = "example.org";
    encode_->CancelCaption = "&Cancel";
    encode_->OKCaption = "&OK";
    const std::string message = MainHeader(1) + "\r\n" + AttachmentPart("f.bin", "secret file") +
                                "--Message-Boundary-4711--\r\n";
    test::ModalScript script;
    script.Expect("", "PGP", [](HWND dlg) { test::ClickId(dlg, kSelKeyCancel); });
    script.Start();
    answers_ = {false};
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(questions_, std::vector<std::string>{"Send unencrypted attachment(s)"});
    EXPECT_EQ(pm_->AttachMode, 0);
    EXPECT_EQ(cleared_, 1) << "the cancel is no longer the last PGP result";
    EXPECT_TRUE(errors_.empty()) << "a cancel is never shown";
    EXPECT_NE(out.find("filename=\r\n \"f.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\n"
                       "c2VjcmV0IGZpbGU=\r\n\r\n--Message-Boundary-4711--"),
              std::string::npos)
        << out;
}

TEST_F(MailAssemblyTest, HostileMessagesAssembleWithoutHarm) {
    // No closing delimiter, NUL bytes in the text, a boundary that is a prefix
    // of a line in the body, an unterminated alternative container.
    const std::string text = std::string("line") + '\0' + "with nul\r\n--Message-Boundary-47110\r\nnot a part\r\n";
    const std::string message = MainHeader(1) + "\r\n--Message-Boundary-4711\r\nContent-type: text/plain\r\n\r\n" +
                                text + "--Message-Boundary-4711\r\nContent-type: Multipart/Alternative; "
                                       "boundary=\"A\"\r\n\r\n--A\r\nContent-type: text/plain\r\n\r\nalt";
    std::string out;
    ASSERT_EQ(Assemble(message, out, false), 1) << out;
    std::vector<std::string> blocks;
    Skeleton(out, blocks);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Decode(blocks[0]), text.substr(0, text.size() - 2));
    EXPECT_EQ(Decode(blocks[1]), "alt");
    EXPECT_TRUE(out.ends_with("\r\n--A--\r\n\r\n--Message-Boundary-4711--")) << out;
    pgpMime_ = true;
    ASSERT_EQ(Assemble(message, out, true), 1) << out;
    blocks.clear();
    Skeleton(out, blocks);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_NE(Decode(blocks[0]).find(text), std::string::npos);
}

TEST_F(MailAssemblyTest, FailuresGiveTheirTextOrTheEditor) {
    std::string out;
    const std::string bad = MainHeader(1) + "\r\n" +
                            "--Message-Boundary-4711\r\nContent-type: a/b\r\nContent-disposition: attachment; "
                            "filename=\"x\"\r\nContent-transfer-encoding: BASE64\r\n\r\n!!!!\r\n--Message-Boundary-4711--";
    EXPECT_EQ(Assemble(bad, out, false), -1);
    EXPECT_EQ(out, "BASE64 error");

    // An empty text is an engine error: its text comes back and is shown.
    const std::string empty = MainHeader(1, false) + "Content-type: text/plain\r\n\r\n";
    EXPECT_EQ(Assemble(empty, out, false), -1);
    EXPECT_EQ(out, "PGP error -11984");
    EXPECT_EQ(errors_, std::vector<std::string>{"PGP error -11984"});

    pm_->AdkCheck = true;
    adkDeclined_ = true;
    EXPECT_EQ(Assemble(MixedMessage(1), out, false), -2);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(pm_->AdkCheck) << "asked once per run";
    pm_->AdkCheck = true;
    EXPECT_EQ(Assemble(MixedMessage(1), out, true), -2);
}

// ---- PGP/MIME -------------------------------------------------------------------

struct MimeShape {
    const char* name;
    std::string message;
    std::string entity;
};

std::vector<MimeShape> MimeShapes() {
    const std::string attachment = AttachmentPart("data.bin", "DATA");
    const std::string alt = "--Message-Boundary-4711\r\nContent-type: Multipart/Alternative; boundary=\"A\"\r\n\r\n"
                            "--A\r\nContent-type: text/plain\r\n\r\nplain\r\n--A\r\nContent-type: text/html\r\n\r\n"
                            "<b>html</b>\r\n--A--\r\n\r\n";
    const std::string mixedHead = "Content-type: Multipart/Mixed;\r\n boundary=Message-Boundary-4711\r\n\r\n";
    const std::string textHead = "Content-type: text/plain; charset=ISO-8859-1\r\nContent-transfer-encoding: "
                                 "Quoted-printable\r\nContent-description: Mail message body\r\n\r\n";
    const std::string attHead = "--Message-Boundary-4711\r\nContent-type: Application/Octet-stream; name=\r\n"
                                " \"data.bin\"; type=Unknown\r\nContent-disposition: attachment; filename=\r\n"
                                " \"data.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\nREFUQQ==\r\n\r\n";
    return {
        {"mixed and alternative", MainHeader(1) + "\r\n" + alt + attachment + "--Message-Boundary-4711--\r\n",
         mixedHead + "--Message-Boundary-4711\r\nContent-type: Multipart/Alternative;\r\n boundary=A\r\n\r\n"
                     "--A\r\nContent-type: text/plain\r\n\r\nplain\r\n\r\n--A\r\nContent-type: text/html\r\n\r\n"
                     "<b>html</b>\r\n--A--\r\n\r\n" +
             attHead + "--Message-Boundary-4711--"},
        {"alternative only",
         "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: Multipart/Alternative; boundary=\"A\"\r\n"
         "X-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\n--A\r\nContent-type: text/plain\r\n\r\nplain\r\n"
         "--A\r\nContent-type: text/html\r\n\r\n<b>html</b>\r\n--A--\r\n",
         "Content-type: Multipart/Alternative; boundary=\"A\"\r\n\r\n--A\r\nContent-type: text/plain\r\n\r\n"
         "plain\r\n\r\n--A\r\nContent-type: text/html\r\n\r\n<b>html</b>\r\n--A--\r\n"},
        {"mixed with further parts", MainHeader(1) + "\r\n" + kTextPart + attachment +
                                         "--Message-Boundary-4711--\r\n",
         mixedHead + "--Message-Boundary-4711\r\n" + textHead + "Gr=FC=DFe, Bob\r\n\r\nthe report=\r\n is attached."
                                                                 "\r\n\r\n" +
             attHead + "--Message-Boundary-4711--"},
        {"mixed with a single part", MainHeader(1) + "\r\n" + attachment + "--Message-Boundary-4711--\r\n",
         mixedHead + attHead + "--Message-Boundary-4711--"},
        {"neither",
         "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: text/plain; charset=US-ASCII\r\nX-PM-Encryptor: ORVPGP-PM32, 1"
         "\r\nContent-transfer-encoding: 7BIT\r\n\r\nJust text.\r\n",
         "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n\r\nJust text.\r\n"},
    };
}

TEST_F(MailAssemblyTest, PGPMimeEntityShapesAndEnvelope) {
    pgpMime_ = true;
    for (const MimeShape& shape : MimeShapes()) {
        SCOPED_TRACE(shape.name);
        std::string header, body, mixed, alt, out;
        pm_->IsMime = pm_->DoEncrypt = pm_->DoSign = false;
        pm_->GetMainHeader(shape.message, header, body, mixed, alt);
        ASSERT_EQ(pm_->PGPMimeEncoded(header, body, mixed, alt, out), 1) << out;
        EXPECT_EQ(out.find("Content-type: Multipart/"), std::string::npos) << "the main header declares no multipart";
        std::string top = header;
        const std::size_t altLine = top.find("\r\nContent-type: Multipart/Alternative; boundary=\"A\"");
        if (altLine != std::string::npos) top.erase(altLine, 51);
        ASSERT_TRUE(out.starts_with(top + "\r\nContent-Type: multipart/encrypted; "
                                          "protocol=\"application/pgp-encrypted\";\r\n\tboundary=\"PGPMime-Boundary-"
                                          "1234ABCD\"\r\n\r\n--PGPMime-Boundary-1234ABCD\r\n"
                                          "Content-Type: application/pgp-encrypted\r\n"))
            << out;
        EXPECT_TRUE(out.ends_with("\r\n--PGPMime-Boundary-1234ABCD--\r\n"));
        std::size_t count = 0;
        for (std::size_t p = out.find("PGPMime-Boundary-1234ABCD"); p != std::string::npos;
             p = out.find("PGPMime-Boundary-1234ABCD", p + 1))
            ++count;
        EXPECT_EQ(count, 4u);
        EXPECT_EQ(out.find(encode_->MIMESeparator), std::string::npos) << "no delimiter of the job is left";
        std::vector<std::string> blocks;
        Skeleton(out, blocks);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(Decode(blocks[0]), shape.entity);
        ASSERT_FALSE(orders_.empty());
        EXPECT_TRUE(orders_.back().PGPMIME);
        EXPECT_TRUE(orders_.back().TextMode);
    }
}

TEST_F(MailAssemblyTest, PGPMimeSigningOnlyKeepsTheEntityVerbatim) {
    pgpMime_ = true;
    pm_->RecipientSpec.clear();
    const MimeShape shape = MimeShapes()[2];
    std::string message = shape.message;
    message.replace(message.find("PM32, 1"), 7, "PM32, 4");
    std::string out;
    ASSERT_EQ(Assemble(message, out, true), 1) << out;
    const std::string sep = "PGPMime-Boundary-1234ABCD";
    const std::size_t first = out.find("\r\n\r\n--" + sep + "\r\n");
    ASSERT_NE(first, std::string::npos) << out;
    const std::size_t start = first + 4 + 2 + sep.size() + 2;
    const std::size_t end = out.find("\r\n--" + sep + "\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(out.substr(start, end - start), shape.entity + "\r\n") << "text signing adds the line end";
    EXPECT_NE(out.find("multipart/signed"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\r\n--" + sep + "--\r\n"));
    EXPECT_EQ(orders_.back().Operation, TEncodeOperation::ClearSign);
}

// ---- Going out unencoded --------------------------------------------------------

class MessageFileTest : public MailAssemblyTest {
protected:
    void SetUp() override {
        MailAssemblyTest::SetUp();
        dir_ = TempDir() + "orv_pmfile_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        pm_->MessageFile = dir_ + "message.tmp";
    }
    void TearDown() override {
        DeleteFileA(pm_->MessageFile.c_str());
        RemoveDirectoryA(dir_.c_str());
        MailAssemblyTest::TearDown();
    }
    // Files of the directory other than the message file: none may be left.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir_ + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            const std::string n = fd.cFileName;
            if (n != "." && n != ".." && n != "message.tmp") names.push_back(n);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        return names;
    }
    std::string dir_;
};

TEST_F(MessageFileTest, UnencodedRewritesTheFileAndWipesTheOldOne) {
    ASSERT_TRUE(WriteFileBytes(pm_->MessageFile, MixedMessage(5)));
    EXPECT_EQ(pm_->Unencoded(), 0);
    const std::string now = ReadAll(pm_->MessageFile);
    EXPECT_EQ(now.find("X-PM-Encryptor"), std::string::npos);
    EXPECT_NE(now.find("Content-type: Multipart/Mixed; boundary=Message-Boundary-4711\r\n"), std::string::npos);
    EXPECT_EQ(wiped_.size(), 1u);
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(MessageFileTest, FailedWriteLeavesTheOriginalBytes) {
    const std::string original = MixedMessage(5);
    ASSERT_TRUE(WriteFileBytes(pm_->MessageFile, original));
    // The mail client still holds the file: it can be neither moved nor replaced.
    HANDLE held = CreateFileA(pm_->MessageFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(pm_->Unencoded(), 0);
    answers_ = {false};
    const std::string nonMime = "From: a\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\ntext\r\n";
    EXPECT_EQ(pm_->NonMimeMessage(nonMime, ""), -1);
    CloseHandle(held);
    EXPECT_EQ(ReadAll(pm_->MessageFile), original);
    // A read-only file is left as it is too.
    ASSERT_TRUE(SetFileAttributesA(pm_->MessageFile.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(pm_->Unencoded(), 0);
    SetFileAttributesA(pm_->MessageFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadAll(pm_->MessageFile), original);
    EXPECT_EQ(errors_, (std::vector<std::string>{"Error writing data", "Error writing data", "Error writing data"}));
    EXPECT_TRUE(wiped_.empty());
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(MessageFileTest, NonMimeAttachmentsAreUuencoded) {
    const std::string bytes = Bytes(200, 3);
    const std::string message = "From: a\r\nSubject: s\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nHello\r\n\r\n"
                                "--Message-Boundary-77\r\nContent-type: Application/Octet-stream; name=\"f.bin\"\r\n"
                                "Content-disposition: attachment; filename=\"f.bin\"\r\nContent-transfer-encoding: "
                                "BASE64\r\n\r\n" +
                                TMCFuncs::Base64EncodeBuffer(bytes) + "\r\n\r\n--Message-Boundary-77--\r\n";
    ASSERT_TRUE(WriteFileBytes(pm_->MessageFile, message));
    answers_ = {false};
    EXPECT_EQ(pm_->NonMimeMessage(message, ""), 0);
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_TRUE(questions_[0].starts_with("Non-MIME messages cannot be encrypted/signed."));
    const std::string now = ReadAll(pm_->MessageFile);
    const std::string uu = TMCFuncs::UUEncode(bytes);
    EXPECT_EQ(now, "From: a\r\nSubject: s\r\n\r\nHello\r\n\r\n"
                   " * This message contains the file 'f.bin', which has been\r\n"
                   " * uuencoded. If you are using Pegasus Mail, then you can use\r\n"
                   " * the browser's eXtract function to lift the original contents\r\n"
                   " * out to a file, otherwise you will have to extract the message\r\n"
                   " * and uudecode it manually.\r\n\r\nbegin 660 f.bin\r\n" +
                       uu + "`\r\nend\r\n");
    EXPECT_EQ(TMCFuncs::UUDecode(uu), bytes);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(MessageFileTest, UndecodableNonMimeAttachmentLeavesTheOriginalBytes) {
    const std::string message = "From: a\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nHello\r\n\r\n"
                                "--Message-Boundary-77\r\nContent-disposition: attachment; filename=\"f\"\r\n"
                                "Content-transfer-encoding: BASE64\r\n\r\n*\r\n\r\n--Message-Boundary-77--\r\n";
    ASSERT_TRUE(WriteFileBytes(pm_->MessageFile, message));
    answers_ = {false};
    EXPECT_EQ(pm_->NonMimeMessage(message, ""), -1);
    EXPECT_EQ(ReadAll(pm_->MessageFile), message);
    EXPECT_EQ(errors_, std::vector<std::string>{"BASE64 error"});

    // "No" moves the message to a new editor; this step writes nothing.
    answers_ = {true};
    EXPECT_EQ(pm_->NonMimeMessage(message, ""), -2);
    EXPECT_EQ(copied_, 1);
    EXPECT_EQ(ReadAll(pm_->MessageFile), message);
}

// ---- The job's output placed behind the message --------------------------------

// An encoder that gives its output back rather than appending it, and may
// fail on the attachment: the assembly must place the output or take the
// part's header out again.
struct FakeEncoder {
    std::string separator;
    std::string output;
    int attachmentError = 0;
    std::vector<TEncodeOrder> orders;
    std::vector<std::string> seen;  // the bytes each order lent to the job

    TAssemblyServices Services() {
        TAssemblyServices s;
        s.Text = test::LibraryTexts();
        s.Encode = [this](const TEncodeOrder& order, std::string&, std::string&) {
            orders.push_back(order);
            seen.emplace_back(order.DataView.data() ? order.DataView : std::string_view(order.Data));
            TEncodeOutcome o;
            o.Error = order.Title == "Sign attachment" ? attachmentError : 0;
            if (o.Error == 0) {
                o.Output = output;
                o.MIMESeparator = separator;
            }
            return o;
        };
        s.ErrorText = [](int error) { return "PGP error " + std::to_string(error); };
        s.Cancel = [](const std::string&) { return false; };  // "send it unencoded"
        s.Random32 = [] { return kRandom; };
        s.PGPExt = [] { return true; };
        return s;
    }
};

TEST(AssemblyOutput, PGPMimeBoundariesWhateverTheJobsSeparatorLength) {
    // The job's separator stands at the header parameter, the delimiters and
    // the closing delimiter; one more place inside a part is not a delimiter.
    for (const std::string& sep : {std::string("=s"), std::string(60, 'q')}) {
        for (const bool encrypt : {true, false}) {
            SCOPED_TRACE(std::to_string(sep.size()) + (encrypt ? " encrypted" : " signed"));
            const std::vector<std::string> pieces = {"Content-Type: multipart/x; boundary=\"", "\"\r\n\r\n--",
                                                     "\r\nA\r\n--", "\r\nB mentions ", "\r\n--", "--\r\n"};
            FakeEncoder fake;
            fake.separator = sep;
            for (std::size_t i = 0; i < pieces.size(); ++i) fake.output += (i ? sep : "") + pieces[i];
            const std::string boundary = "PGPMime-Boundary-1234ABCD";
            const std::size_t kept = encrypt ? 3 : 2;
            std::string expected = "Subject: s\r\n";
            for (std::size_t i = 0; i < pieces.size(); ++i)
                expected += (i == 0 ? "" : i == kept + 1 ? sep : boundary) + pieces[i];

            TPMFuncs pm(fake.Services());
            pm.DoEncrypt = encrypt;
            pm.DoSign = !encrypt;
            std::string body = "plain text\r\n", out;
            ASSERT_EQ(pm.PGPMimeEncoded("Subject: s", body, "", "", out), 1) << out;
            EXPECT_EQ(out, expected);
        }
    }
}

TEST(AssemblyOutput, InlineAttachmentArmourFollowsItsHeaderOrIsTakenBack) {
    const std::string message = MainHeader(1) + "\r\n" + AttachmentPart("f.bin", "secret file") +
                                "--Message-Boundary-4711--\r\n";
    const std::string partHeader =
        "--Message-Boundary-4711\r\nContent-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT"
        "\r\nContent-description: PGP encrypted file\r\nContent-disposition: attachment; filename=\r\n"
        " \"f.bin.pgp\";\r\n x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=1\r\n\r\n";
    for (const int error : {0, -11987, -11990}) {
        SCOPED_TRACE(error);
        FakeEncoder fake;
        fake.output = "-----BEGIN PGP MESSAGE-----\r\n\r\nxyz\r\n-----END PGP MESSAGE-----\r\n";
        fake.attachmentError = error;
        TPMFuncs pm(fake.Services());
        std::string header, body, mixed, alt, out;
        pm.GetMainHeader(message, header, body, mixed, alt);
        pm.DoEncrypt = true;
        const int r = pm.PGPEncoded(header, body, mixed, alt, out);
        ASSERT_FALSE(fake.orders.empty());
        EXPECT_EQ(fake.seen.front(), "secret file") << "the job gets the attachment's own bytes";
        EXPECT_TRUE(fake.orders.front().Data.empty()) << "seen where they were decoded, not copied";
        if (error == -11990) {
            EXPECT_EQ(r, -1);
            EXPECT_EQ(out, "PGP error -11990");
            continue;
        }
        ASSERT_EQ(r, 1) << out;
        EXPECT_TRUE(out.starts_with(header)) << out;
        const std::string part = out.substr(header.size());
        if (error == 0) {
            EXPECT_EQ(part, "\r\n\r\n" + partHeader + fake.output + "\r\n--Message-Boundary-4711--") << out;
        } else {
            // Cancelled, then sent unencoded: no trace of the encrypted part's header.
            EXPECT_EQ(out.find("PGP encrypted file"), std::string::npos) << out;
            EXPECT_NE(out.find("filename=\r\n \"f.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\n"
                               "c2VjcmV0IGZpbGU=\r\n\r\n--Message-Boundary-4711--"),
                      std::string::npos)
                << out;
        }
    }
}

TEST(AssemblyOutput, RetryAfterCancelLendsTheSameQuotedPrintableBytes) {
    // The job is cancelled, the user tries again: the quoted-printable
    // attachment is decoded once, not once per try.
    const std::string message = MainHeader(1) + "\r\n" +
                                "--Message-Boundary-4711\r\nContent-type: text/plain; charset=ISO-8859-1\r\nContent-disposition: "
                                "attachment; filename=\"q.txt\"\r\nContent-transfer-encoding: Quoted-printable\r\n\r\n"
                                "a=3D3D b=E9\r\n\r\n--Message-Boundary-4711--\r\n";
    FakeEncoder fake;
    fake.output = "-----BEGIN PGP MESSAGE-----\r\n\r\nxyz\r\n-----END PGP MESSAGE-----\r\n";
    fake.attachmentError = -11987;
    TAssemblyServices s = fake.Services();
    auto encode = s.Encode;
    s.Encode = [&fake, encode](const TEncodeOrder& order, std::string& r, std::string& k) {
        TEncodeOutcome o = encode(order, r, k);
        fake.attachmentError = 0;  // the second try goes through
        return o;
    };
    int asked = 0;
    s.Cancel = [&asked](const std::string&) { return ++asked == 1; };  // "try again"
    TPMFuncs pm(std::move(s));
    std::string header, body, mixed, alt, out;
    pm.GetMainHeader(message, header, body, mixed, alt);
    pm.DoEncrypt = true;
    ASSERT_EQ(pm.PGPEncoded(header, body, mixed, alt, out), 1) << out;
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(fake.seen.size(), 2u);
    EXPECT_EQ(fake.seen[0], "a=3D b\xE9\r\n");
    EXPECT_EQ(fake.seen[1], fake.seen[0]);
    EXPECT_NE(out.find(fake.output), std::string::npos) << out;
}

// ---- Files for the interop check with gpg ---------------------------------------

TEST_F(MailAssemblyTest, WriteForPeers) {
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("ORV_ASSEMBLY_DIR", dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "ORV_ASSEMBLY_DIR is not set";
    const std::string out = std::string(dir) + "\\";
    pm_->RecipientSpec = kAlice;
    std::string message;
    ASSERT_EQ(Assemble(MixedMessage(1), message, false), 1);
    ASSERT_TRUE(WriteFileBytes(out + "inline.eml", message));
    pgpMime_ = true;
    ASSERT_EQ(Assemble(MixedMessage(1), message, true), 1);
    ASSERT_TRUE(WriteFileBytes(out + "pgpmime.eml", message));
    std::string signedMessage = MixedMessage(4);
    ASSERT_EQ(Assemble(signedMessage, message, true), 1);
    ASSERT_TRUE(WriteFileBytes(out + "pgpmime_signed.eml", message));
    pgpMime_ = false;
    ASSERT_EQ(Assemble(signedMessage, message, false), 1);
    ASSERT_TRUE(WriteFileBytes(out + "inline_signed.eml", message));
    ASSERT_TRUE(WriteFileBytes(out + "text.txt", kText));
    ASSERT_TRUE(WriteFileBytes(out + "data.bin", kAttachment));
}

}  // namespace
