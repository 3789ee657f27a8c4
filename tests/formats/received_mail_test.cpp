// DECRYPT_FILE_EX and KEY_MANAGEMENT as the mail client calls them on mail
// written by gpg at the start of the run (gpg_mail/make_mail.sh): PGP/MIME
// encrypted and signed with a text part and a binary attachment, PGP/MIME
// signed, clear-signed inline text, and an inline message whose attachment
// is its own armoured part. The result file is compared byte for byte with
// what was sent, and the signature status line with the signer's key. Also
// the forwarded-message check, the client's "PGPMIME" form, the popup or
// warning of the signature line, the question for a recipient key with an
// additional decryption key, a key fetched from a real key server for an
// "X-PGP-KEY" header, and a message file the library may not replace.
#include <winsock2.h>

#include "tests/formats/encryptor_fixture.h"

#include <commctrl.h>

#include <cstring>

#include "formats/decryptor.h"
#include "tests/support/unix_scratch.h"
#include "tests/standin/sdknet_support.h"
#include "tests/ui/box_view.h"

#ifndef ORV_MAIL_SCRIPT
#error ORV_MAIL_SCRIPT names the script that makes the mail
#endif

namespace {

using namespace orv;
using namespace orv::test;

constexpr std::size_t npos = std::string::npos;
// The prompt line of the engine's passphrase dialog.
constexpr int kPassphrasePrompt = 1001;

// Starts a Linux program (bash) from the Wine process; callers wait for a
// file it writes when done.
std::string Trimmed(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    return s;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    const std::size_t at = s.find(from);
    if (at != npos) s.replace(at, from.size(), to);
    return s;
}

std::string Base64Decoded(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else continue;
        value = value << 6 | static_cast<unsigned>(v);
        if ((bits += 6) >= 8) {
            bits -= 8;
            out += static_cast<char>(value >> bits & 0xFF);
        }
    }
    return out;
}

// The base64 body of the part that names the file, up to the next delimiter.
std::string AttachmentOf(const std::string& message, const std::string& fileName) {
    const std::size_t named = message.find("filename=\"" + fileName + "\"");
    if (named == npos) return {};
    const std::size_t body = message.find("\r\n\r\n", named);
    const std::size_t end = message.find("\r\n--", body);
    if (body == npos || end == npos) return {};
    return Base64Decoded(message.substr(body + 4, end - body - 4));
}

// Boxes of the library as this thread shows them, read at that moment: the
// signature popup too, which closes by itself and so is never scripted.
// Each is closed at once, so that an unexpected box cannot stop the test.
class ShownBoxes {
public:
    ShownBoxes() {
        Self() = this;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &Proc, nullptr, GetCurrentThreadId());
    }
    ~ShownBoxes() {
        UnhookWindowsHookEx(hook_);
        Self() = nullptr;
    }
    std::vector<std::string> texts;

private:
    static ShownBoxes*& Self() {
        static ShownBoxes* self = nullptr;
        return self;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && Self() && call->message == WM_SHOWWINDOW && call->wParam &&
            ClassOf(call->hwnd) == kLibraryBox) {
            Self()->texts.push_back(ViewBox(call->hwnd).text);
            PostMessageA(call->hwnd, WM_CLOSE, 0, 0);
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    HHOOK hook_ = nullptr;
};

class User {
public:
    User& Passphrase(const std::string& p) {
        script_.Expect(kEngineDialog, "", [this, p](HWND dlg) {
            prompts.push_back(GetText(FindChildById(dlg, kPassphrasePrompt)));
            TypePassphrase(dlg, p);
        });
        return *this;
    }
    User& Box(const std::string& button) {
        script_.Expect(kLibraryBox, "", [this, button](HWND box) {
            boxes.push_back(ViewBox(box).text);
            // A box that has not yet taken its keys is asked again; the next
            // step must not take this box for the next one.
            for (int tries = 0; tries < 10 && IsWindow(box); ++tries) {
                if (!ClickButton(box, button)) PostKey(box, VK_RETURN);
                WaitGone(box, 1000);
            }
        });
        return *this;
    }
    // The engine's key selection: the first key offered is chosen.
    User& ChooseFirstKey(const char* caption) {
        script_.Expect(kEngineDialog, caption, [this](HWND dlg) {
            HWND list = FindChildById(dlg, 2002);
            offered = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
            ClickButton(dlg, "OK");
        });
        return *this;
    }
    User& Start() {
        script_.Start(30000);
        return *this;
    }
    bool Finish() { return script_.Finish(60000); }
    std::string Failure() const { return script_.Failure(); }
    std::vector<std::string> boxes, prompts;
    int offered = -1;

private:
    ModalScript script_;
};

// Clear-signed text as the engine gives it back: the signature does not
// cover blanks at the ends of lines, and the engine leaves them out.
std::string AsSigned(const std::string& text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find("\r\n", pos);
        if (end == npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        out += line;
        if (end < text.size()) out += "\r\n";
        pos = end + 2;
    }
    return out;
}

std::string Top(const std::string& subject) {
    return "From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: " + subject + "\r\nMIME-Version: 1.0\r\n";
}

// The mail of gpg in a directory of its own, made before the library loads.
class ReceivedMail : public EncryptorTest {
protected:
    static void SetUpTestSuite() {
        const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unixDir_ = "/tmp/orv_mail_" + unique;
        dir_ = "Z:\\tmp\\orv_mail_" + unique + "\\";
        ready_ = StartUnix(std::string(ORV_MAIL_SCRIPT) + " " + unixDir_ + " " + ORV_KEY_DATA) &&
                 WaitForFile(dir_ + "done", 180000);
        EncryptorTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        EncryptorTest::TearDownTestSuite();
        StartUnix("-c \"rm -rf " + unixDir_ + "\"");
    }
    void SetUp() override {
        EncryptorTest::SetUp();
        ASSERT_TRUE(ready_) << "gpg made no mail in " << dir_;
    }
    static std::string In(const std::string& name) { return dir_ + name; }
    static std::string Input(const std::string& name) { return ReadAll(In(name)); }
    // A bad signature carries its note, as every signature line does.
    static std::string BobLine(const char* word) {
        const std::string note = std::string(word) == "Bad" ? " (bad signature)" : "";
        return std::string(word) + " signature" + note + " from bob <bob@example.org>, (" +
               Trimmed(Input("id_bob.txt")) + "): ";
    }
    static std::string DaveLine() { return "No key [ " + Trimmed(Input("id_dave.txt")) + " ] for signature"; }

    // One DECRYPT_FILE_EX on a copy of the received file, as the client
    // writes it into its own directory; the result file's bytes.
    std::string Decrypt(const std::string& name, User& user, int& result) {
        const std::string file = Path(name);
        Write(file, Input(name));
        const std::string output = Path(name + ".out");
        DeleteFileA(output.c_str());
        windows_->Clear();
        user.Start();
        result = Call(decryptFileEx, file, output, "");
        EXPECT_TRUE(user.Finish()) << name << ": " << user.Failure();
        return ReadAll(output);
    }
    // The one signature status line of the last call.
    std::string SignatureStatus() const {
        const auto lines = windows_->StatusLines(3);
        return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " signature lines)";
    }
    WPARAM DecodedCode() const {
        const auto decoded = windows_->Automation(automation::AM_DECODED);
        return decoded.size() == 1 ? decoded[0].wp : WPARAM(-1);
    }

    static inline std::string dir_, unixDir_;
    static inline bool ready_ = false;
};

bool Good(WPARAM code) {
    const WPARAM c = code & 0xFFFF;
    return c == kSigCodeGoodValid || c == kSigCodeGoodInvalid;
}

TEST_F(ReceivedMail, PGPMimeEncryptedAndSignedGivesOneHeaderWithTheTextAndTheAttachment) {
    User user;
    user.Passphrase(kAlicePass);
    int result = 0;
    const std::string out = Decrypt("mime_enc.PM$", user, result);
    EXPECT_EQ(result, 2);
    // The envelope's content type gives way to the entity's; the rest of
    // the top header stays.
    EXPECT_EQ(out, Top("Figures (PGP/MIME)") + Input("entity.txt"));
    const std::string header = out.substr(0, out.find("\r\n\r\n"));
    EXPECT_EQ(CountOf(header, "Content-Type:"), 1) << header;
    EXPECT_EQ(header.find("multipart/encrypted"), npos) << header;
    EXPECT_EQ(header.find("\tboundary=\"enc-b0undary\""), npos) << "the continuation line goes too";
    EXPECT_NE(out.find("\r\n\r\n" + Input("text.txt") + "\r\n--inner-b0undary"), npos) << "the text part as sent";
    EXPECT_EQ(AttachmentOf(out, "figures.bin"), Input("attachment.bin")) << "the attachment's bytes as sent";
    EXPECT_EQ(SignatureStatus().rfind(BobLine("Good"), 0), 0u) << SignatureStatus();
    EXPECT_TRUE(DecodedCode() & kSigCodeEncrypted) << DecodedCode();
    EXPECT_TRUE(Good(DecodedCode())) << DecodedCode();
}

TEST_F(ReceivedMail, PGPMimeSignedGoodTamperedAndFromAnUnknownSigner) {
    const std::string entity = Input("entity.txt");
    const std::string tampered = Replaced(entity, "the figures are", "the FIGURES are");
    ASSERT_NE(tampered, entity);
    struct Row {
        const char* file;
        std::string entity, line;
        WPARAM code;
    } rows[] = {
        {"mime_signed.PM$", entity, BobLine("Good"), 0},
        {"mime_signed_tampered.PM$", tampered, BobLine("Bad"), kSigCodeBad},
        {"mime_signed_dave.PM$", entity, DaveLine(), kSigCodeNoKey},
    };
    for (const auto& row : rows) {
        ShownBoxes shown;
        User user;
        int result = 0;
        const std::string out = Decrypt(row.file, user, result);
        EXPECT_EQ(result, 2) << row.file;
        EXPECT_EQ(out, Top("Figures (signed)") + row.entity) << row.file;
        EXPECT_EQ(AttachmentOf(out, "figures.bin"), Input("attachment.bin")) << row.file;
        EXPECT_EQ(SignatureStatus().rfind(row.line, 0), 0u) << row.file << ": " << SignatureStatus();
        if (row.code) EXPECT_EQ(DecodedCode(), row.code) << row.file;
        else EXPECT_TRUE(Good(DecodedCode()) && !(DecodedCode() & kSigCodeEncrypted)) << DecodedCode();
        EXPECT_TRUE(shown.texts.empty()) << row.file << ": " << shown.texts.front();
    }
}

TEST_F(ReceivedMail, ClearSignedTextGoodTamperedAndFromAnUnknownSigner) {
    const std::string head = Top("Figures (clear-signed)") +
                             "Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    const std::string text = Input("text.txt");
    struct Row {
        const char* file;
        std::string text, line;
        WPARAM code;
    } rows[] = {
        {"clear.PM$", text, BobLine("Good"), 0},
        {"clear_tampered.PM$", Replaced(text, "the figures are", "the FIGURES are"), BobLine("Bad"), kSigCodeBad},
        {"clear_dave.PM$", text, DaveLine(), kSigCodeNoKey},
    };
    for (const auto& row : rows) {
        ShownBoxes shown;
        User user;
        int result = 0;
        const std::string out = Decrypt(row.file, user, result);
        EXPECT_EQ(result, 2) << row.file;
        // The armour's frame and dash escapes are gone: the text as signed,
        // followed by the line end after the armour.
        EXPECT_EQ(out, head + AsSigned(row.text) + "\r\n") << row.file;
        EXPECT_EQ(SignatureStatus().rfind(row.line, 0), 0u) << row.file << ": " << SignatureStatus();
        if (row.code) EXPECT_EQ(DecodedCode(), row.code) << row.file;
        else EXPECT_TRUE(Good(DecodedCode())) << DecodedCode();
        EXPECT_TRUE(shown.texts.empty()) << row.file << ": " << shown.texts.front();
    }
}

TEST_F(ReceivedMail, InlineMessageAndItsArmouredAttachmentPart) {
    const std::string message = Input("inline.PM$");
    const std::size_t begin = message.find("-----BEGIN PGP MESSAGE-----");
    const std::string endMark = "-----END PGP MESSAGE-----";
    const std::size_t end = message.find(endMark, begin);
    ASSERT_NE(end, npos);
    {
        // The text part's block decrypts in place; the attachment part stays
        // as it came, for the client to hand over when it is opened.
        User user;
        user.Passphrase(kAlicePass);
        int result = 0;
        const std::string out = Decrypt("inline.PM$", user, result);
        EXPECT_EQ(result, 2);
        EXPECT_EQ(out, message.substr(0, begin) + Input("text.txt") + message.substr(end + endMark.size()));
        EXPECT_EQ(SignatureStatus().rfind(BobLine("Good"), 0), 0u) << SignatureStatus();
        ASSERT_EQ(user.prompts.size(), 1u);
        EXPECT_EQ(user.prompts[0].find("Decrypt message - "), 0u) << user.prompts[0];
    }
    {
        User user;
        user.Passphrase(kAlicePass);
        int result = 0;
        const std::string out = Decrypt("inline_att.PM$", user, result);
        EXPECT_EQ(result, 2);
        EXPECT_EQ(out, Input("attachment.bin")) << "the attachment alone, byte for byte";
        ASSERT_EQ(user.prompts.size(), 1u);
        EXPECT_EQ(user.prompts[0].find("Decrypt attachment - "), 0u) << user.prompts[0];
        EXPECT_EQ(windows_->StatusLines(0).back(), "Decrypting/Verifying finished");
    }
}

// GnuPG's verdict on a file of make_sig_shapes.py: good, bad or nokey.
std::string GnuPGVerdict(const std::string& verdicts, const std::string& file) {
    const std::size_t at = verdicts.find(file + " ");
    if (at == npos || (at > 0 && verdicts[at - 1] != '\n')) return "(none)";
    const std::size_t from = at + file.size() + 1;
    return Trimmed(verdicts.substr(from, verdicts.find('\n', from) - from));
}

// Signatures where other mail programs and mailing lists put them: inside
// the decrypted entity, in a list's wrapper beside its footer, and in the
// second of two inline blocks. Each is reported as GnuPG reads it, by the
// result code, the status line, the reader's message and VERIFY_SIGNATURE;
// a bad signature anywhere is never reported as good.
TEST_F(ReceivedMail, EverySignatureOfTheMessageIsReportedAsGnuPGReadsIt) {
    // The run is over the engine release the environment chose.
    EXPECT_NE(GetModuleHandleA(StandInEngine::Release() == 65 ? "PGPSDK.dll" : "PGP_SDK.dll"), nullptr);
    // The reader is given the signature line.
    WriteConfig("[CheckMessage]\r\nInclude=1\r\n");
    const std::string verdicts = Input("verdicts.txt");
    const std::string entity = Input("entity.txt");
    const std::string forgedEntity = Replaced(entity, "figures are", "FIGURES are");
    const std::string textPart =
        "Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + Input("text.txt");
    const std::string forgedText = Replaced(textPart, "figures are", "FIGURES are");
    const std::string listPart = "\r\n--list-b0undary\r\n";
    struct Row {
        std::string file;
        bool encrypted;      // a passphrase is asked
        bool outsideText;    // the list's footer lies outside the signature
        std::string inOutput;  // the signed text where the signature was
        std::string footer;
    } rows[] = {
        {"nested.PM$", true, false, Top("Figures (nested)") + entity, ""},
        {"nested_tampered.PM$", true, false, Top("Figures (nested)") + forgedEntity, ""},
        {"nested_dave.PM$", true, false, Top("Figures (nested)") + entity, ""},
        {"nested_text.PM$", true, false, Top("Figures (nested text)") + textPart, ""},
        {"nested_text_tampered.PM$", true, false, Top("Figures (nested text)") + forgedText, ""},
        {"nested_text_dave.PM$", true, false, Top("Figures (nested text)") + textPart, ""},
        {"list.PM$", false, true, listPart + entity, "figures-list mailing list"},
        {"list_tampered.PM$", false, true, listPart + forgedEntity, "figures-list mailing list"},
        {"list_dave.PM$", false, true, listPart + entity, "figures-list mailing list"},
        {"list_b64.PM$", false, true, listPart + entity, "X19fX19fX19f"},
        {"list_b64_tampered.PM$", false, true, listPart + forgedEntity, "X19fX19fX19f"},
        {"list_b64_dave.PM$", false, true, listPart + entity, "X19fX19fX19f"},
        {"list_enc.PM$", true, true, listPart + entity, "figures-list mailing list"},
        {"blocks.PM$", true, false, AsSigned(Input("text.txt")), "The second block: the totals."},
        {"blocks_tampered.PM$", true, false, AsSigned(Replaced(Input("text.txt"), "figures are", "FIGURES are")),
         "The second block: the totals."},
        {"blocks_dave.PM$", true, false, AsSigned(Input("text.txt")), "The second block: the totals."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string gpg = GnuPGVerdict(verdicts, row.file);
        ASSERT_TRUE(gpg == "good" || gpg == "bad" || gpg == "nokey") << gpg;
        ShownBoxes shown;
        User user;
        if (row.encrypted) user.Passphrase(kAlicePass);
        int result = 0;
        const std::string out = Decrypt(row.file, user, result);
        EXPECT_EQ(result, 2);
        if (row.file.rfind("list", 0) == 0) {
            EXPECT_NE(out.find("Subject: [figures-list] Figures (list"), npos) << "the tagged subject stays";
            EXPECT_NE(out.find(row.inOutput), npos) << out;
        } else if (row.file.rfind("nested", 0) == 0) {
            EXPECT_EQ(out, row.inOutput);
        } else {
            EXPECT_NE(out.find(row.inOutput), npos) << out;
        }
        if (!row.footer.empty()) {
            EXPECT_NE(out.find(row.footer), npos) << out;
        }
        EXPECT_EQ(out.find("-----BEGIN PGP"), npos) << "every block and signature is decoded: " << out;

        const std::string prefix = row.outsideText ? "UNSIGNED data found: " : "";
        const std::string line = gpg == "nokey" ? DaveLine() : BobLine(gpg == "good" ? "Good" : "Bad");
        EXPECT_EQ(SignatureStatus().rfind(prefix + line, 0), 0u) << SignatureStatus();
        const WPARAM code = DecodedCode();
        if (gpg == "good") {
            EXPECT_TRUE(Good(code)) << code;
        } else {
            EXPECT_EQ(code & 0xFFFF, WPARAM(gpg == "bad" ? kSigCodeBad : kSigCodeNoKey));
        }
        EXPECT_EQ((code & kSigCodeEncrypted) != 0, row.encrypted) << code;
        const auto decoded = windows_->Automation(automation::AM_DECODED);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].text.find(line), row.outsideText ? std::string("UNSIGNED data found:\r\n").size() : 0u)
            << decoded[0].text;
        EXPECT_TRUE(shown.texts.empty()) << shown.texts.front();

        User verifier;
        if (row.encrypted) verifier.Passphrase(kAlicePass);
        verifier.Start();
        char buffer[kVerifyLineMax + 1] = {};
        const int verified = verifySignature(Path(row.file).c_str(), buffer);
        EXPECT_TRUE(verifier.Finish()) << verifier.Failure();
        EXPECT_EQ(verified, gpg == "good" ? 1 : 0) << buffer;
        const std::string verifyText = buffer;
        EXPECT_EQ(verifyText.find(line.substr(0, 40)), row.outsideText ? std::string("UNSIGNED data found:\r\n").size() : 0u)
            << verifyText;
        if (gpg != "good") {
            EXPECT_EQ(verifyText.find("Good"), npos) << verifyText;
        }
    }
}

TEST_F(ReceivedMail, TheSignatureLineInAPopupOrAWarning) {
    WriteConfig("[CheckMessage]\r\nInclude=2\r\n");
    struct Row {
        const char* file;
        std::string start;
    } rows[] = {
        // A good signature and an unknown signer in the popup, which closes
        // by itself; a bad one as a warning the user must close.
        {"clear.PM$", "Good signature from bob <bob@example.org>\r\n(" + Trimmed(Input("id_bob.txt")) + ")\r\n: "},
        {"clear_dave.PM$", DaveLine()},
        {"clear_tampered.PM$",
         "Bad signature (bad signature) from bob <bob@example.org>\r\n(" + Trimmed(Input("id_bob.txt")) + ")\r\n: "},
    };
    for (const auto& row : rows) {
        ShownBoxes shown;
        User user;
        int result = 0;
        Decrypt(row.file, user, result);
        EXPECT_EQ(result, 2);
        ASSERT_EQ(shown.texts.size(), 1u) << row.file;
        EXPECT_EQ(shown.texts[0].rfind(row.start, 0), 0u) << row.file << ": " << shown.texts[0];
        const bool warning = std::string(row.file) == "clear_tampered.PM$";
        EXPECT_EQ(shown.texts[0].back() == '!', warning) << "only the warning ends in \"!\": " << shown.texts[0];
        // With Include=2 the reader is not given the line.
        const auto decoded = windows_->Automation(automation::AM_DECODED);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].lp, 0);
    }
}

TEST_F(ReceivedMail, APGPMimeFormDecodesWhatTheHeaderDoesNotDeclare) {
    // A protocol parameter without quotes: legal MIME that the recognition
    // does not take for PGP/MIME. The client's "PGPMIME" form says it is.
    const std::string unquoted = Replaced(Input("mime_enc.PM$"), "protocol=\"application/pgp-encrypted\"",
                                          "protocol=application/pgp-encrypted");
    Write(In("mime_unquoted.PM$"), unquoted);
    auto formInit = Bind<host::FormInitFn>("FORMINIT");
    ASSERT_NE(formInit, nullptr);
    HWND session = nullptr;
    char* callback = nullptr;
    ASSERT_EQ(formInit(host::kFormInterfaceVersion, host::kFormModeClient, windows_->host, "PGPMIME", &session,
                       &callback),
              1);
    ASSERT_NE(session, nullptr);
    std::string out;
    {
        User user;
        user.Passphrase(kAlicePass);
        int result = 0;
        out = Decrypt("mime_unquoted.PM$", user, result);
        EXPECT_EQ(result, 2);
    }
    // Back to the state of the other tests: no form (and no window).
    DestroyWindow(session);
    formInit(host::kFormInterfaceVersion, host::kFormModeClient, windows_->host, "", &session, &callback);
    EXPECT_EQ(out, Top("Figures (PGP/MIME)") + Input("entity.txt"));
    EXPECT_EQ(SignatureStatus().rfind(BobLine("Good"), 0), 0u) << SignatureStatus();
}

TEST_F(ReceivedMail, AForwardedMessageInTheReaderIsNotDecoded) {
    auto formInit = Bind<host::FormInitFn>("FORMINIT");
    ASSERT_NE(formInit, nullptr);
    HWND session = nullptr;
    char* callback = nullptr;
    ASSERT_EQ(formInit(host::kFormInterfaceVersion, host::kFormModeClient, windows_->host, "READER", &session,
                       &callback),
              1);
    // The client's message window in front, with a field that begins "(Fwd)".
    HWND reader = CreateWindowExA(0, "Static", "Reader", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND field = CreateWindowExA(0, "Edit", "(Fwd) Figures", WS_CHILD | WS_VISIBLE, 0, 0, 150, 20, reader, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(reader, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(session, host::kFormMsgStart, 0, 0);
    const std::string file = Path("fwd.PM$"), output = Path("fwd.out");
    Write(file, Input("clear.PM$"));
    DeleteFileA(output.c_str());
    {
        ShownBoxes shown;
        EXPECT_EQ(Call(decryptFileEx, file, output, ""), 0);
        EXPECT_TRUE(shown.texts.empty());
    }
    EXPECT_EQ(GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing written";
    EXPECT_TRUE(windows_->StatusLines(3).empty());
    // The same message in a window without such a field is decoded.
    SetWindowTextA(field, "Figures (Fwd)");
    EXPECT_EQ(Call(decryptFileEx, file, output, ""), 2);
    EXPECT_EQ(SignatureStatus().rfind(BobLine("Good"), 0), 0u) << SignatureStatus();
    DestroyWindow(reader);
    DestroyWindow(session);
    formInit(host::kFormInterfaceVersion, host::kFormModeClient, windows_->host, "", &session, &callback);
}

TEST_F(ReceivedMail, ARecipientKeyWithAnAdditionalDecryptionKeyIsQuestioned) {
    // erin's key, made by gpg, names bob's key as its ADK.
    {
        Write(Path("erin.txt"), Input("erin_adk.asc"));
        User user;
        user.ChooseFirstKey("PGP Key Selection");
        user.Start();
        EXPECT_EQ(keyManagement(Path("erin.txt").c_str()), 1);
        EXPECT_TRUE(user.Finish()) << user.Failure();
    }
    const std::string original = MixedMessage(1, Attachment());
    {
        // "&Copy": the message moves to a new editor.
        const std::string file = Path("adk_copy.PM$");
        Write(file, original);
        User user;
        user.Box("&Copy").Box("OK").Start();
        EXPECT_EQ(Call(encryptFileEx, file, "", "erin@example.org"), -2);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        ASSERT_GE(user.boxes.size(), 1u);
        EXPECT_EQ(user.boxes[0], "The recipient's key has ADK(s)! Continue anyway?");
        EXPECT_EQ(ReadAll(file), "To: (delete)\r\nSubject: (cancelled)");
        EXPECT_EQ(windows_->editors.size(), 1u);
    }
    {
        // Without the warning in the configuration the question is not asked.
        WriteConfig("[ADKWarning]\r\nWarn=0\r\n");
        const std::string file = Path("adk_quiet.PM$");
        Write(file, original);
        ShownBoxes shown;
        EXPECT_NE(Call(encryptFileEx, file, "", "erin@example.org"), -2);
        for (const auto& text : shown.texts) EXPECT_EQ(text.find("ADK"), npos) << text;
    }
}

TEST_F(ReceivedMail, AReadOnlyMessageFileIsLeftAsItWas) {
    const std::string file = Path("readonly.PM$");
    const std::string original = MixedMessage(1, Attachment());
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    Write(file, original);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    User user;
    user.Box("&Send").Box("OK").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result, 0);
    ASSERT_GE(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("Error writing data!\r\n\r\nDelete message and copy data", 0), 0u) << user.boxes[0];
    EXPECT_EQ(ReadAll(file), original) << "neither wiped nor replaced";
    EXPECT_EQ(GetFileAttributesA((file + ".orvnew").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing left beside it";
    EXPECT_EQ(GetFileAttributesA((file + ".orvold").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A real key server on loopback that holds dave's key, named by the PGP
// preferences of a private application-data folder.
class KeyServerMail : public ReceivedMail {
protected:
    static void SetUpTestSuite() {
        sks_ = new SksServer;
        appData_ = new PrivateAppData;
        ReceivedMail::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        ReceivedMail::TearDownTestSuite();
        delete appData_;
        delete sks_;
    }
    void SetUp() override {
        ReceivedMail::SetUp();
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
        appData_->WritePrefs("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                             engine_->SecretRing() + "\"\r\nKeyServerList1=2,0,0,\"127.0.0.1\"," +
                             std::to_string(sks_->Port()) + ",0,1,0\r\n");
    }
    static inline SksServer* sks_ = nullptr;
    static inline PrivateAppData* appData_ = nullptr;
};

TEST_F(KeyServerMail, AnXPGPKeyHeaderFetchesTheSignersKey) {
    const std::string daveID = Trimmed(Input("longid_dave.txt"));
    ASSERT_EQ(daveID.size(), 18u);
    // The signer was unknown...
    {
        User user;
        int result = 0;
        Decrypt("clear_dave.PM$", user, result);
        ASSERT_EQ(SignatureStatus(), DaveLine());
    }
    // ...until his key came from the server for the header he sent.
    const std::string file = Path("xpgpkey.PM$");
    Write(file, "From: dave <dave@example.org>\r\nTo: alice@example.org\r\nX-PGP-Key: " + daveID +
                    "\r\nSubject: my key\r\n\r\nFetch it from the server.\r\n");
    {
        // The search dialog closes by itself when the search ends: only the
        // import selection is answered.
        User user;
        user.ChooseFirstKey("PGP Key Selection").Start();
        EXPECT_EQ(keyManagement(file.c_str()), 0);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        EXPECT_EQ(user.offered, 1);
    }
    User user;
    int result = 0;
    Decrypt("clear_dave.PM$", user, result);
    EXPECT_EQ(SignatureStatus().rfind("Good signature from dave <dave@example.org>, (" +
                                          Trimmed(Input("id_dave.txt")) + "): ",
                                      0),
              0u)
        << SignatureStatus();
}

}  // namespace
