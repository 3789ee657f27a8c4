// The automatic encryption on send, end to end: the mail client stand-in
// with Pellatch.dll and Merrowin.dll over the engine stand-in, an AutoList in
// the mailbox, a message written in the client's editor and sent with its
// "Send" control. What lands in the outbox is read back by gpg.
#include "tests/automation/pellatch_fixture.h"

#include <atomic>
#include <thread>

#include "plugin/mail_client.h"
#include "standin/mailclient/editor.h"
#include "standin/mailclient/mail_files.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/unix_scratch.h"

using namespace pltest;
using namespace orv::test;
namespace host = orv::host;

namespace {

constexpr const char* kAliceKey = "0xE8750B357ACE6A48";
constexpr const char* kBobDigits = "D91F7A27B2A16278";
constexpr const char* kCarolDigits = "6533671D0C89AF89";
constexpr const char* kAlicePass = "alice pass";
constexpr const char* kSecret = "The harbour plans, page 4711";

// Types alice's passphrase into the engine's signing dialogs while it runs.
class PassphraseTypist {
public:
    PassphraseTypist()
        : thread_([this] {
              while (!stop_) {
                  for (HWND dlg : ListTopWindows("#32770", "")) {
                      HWND edit = FindChildById(dlg, 1002);
                      if (!edit) continue;
                      SetText(edit, kAlicePass);
                      ClickId(dlg, IDOK);
                      ++answered;
                      Sleep(300);
                  }
                  Sleep(50);
              }
          }) {}
    ~PassphraseTypist() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> answered{0};

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string Between(const std::string& text, const std::string& begin, const std::string& end) {
    size_t a = text.find(begin);
    if (a == std::string::npos) return {};
    size_t b = text.find(end, a);
    return b == std::string::npos ? std::string() : text.substr(a, b + end.size() - a) + "\r\n";
}

class AutoSend : public PellatchHost {
protected:
    static void SetUpTestSuite() {
        prefs_ = new PrefsFileOverride;
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
    }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
        delete prefs_;
        prefs_ = nullptr;
    }

    // The client with both libraries, the AutoList and the configuration.
    void Start(const std::string& autoList, const std::string& moreConfig = "") {
        Prepare();
        if (HasFatalFailure()) return;
        engine_->ResetRings();
        ASSERT_TRUE(SetDllDirectoryA(engine_->Dir().c_str()));
        prefs_->Write("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                      engine_->SecretRing() + "\"\r\nDefaultKeyID=\"0xE8750B357ACE6A48000000000000000000\"\r\n");
        ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg",
                                     "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" +
                                         engine_->SecretRing() + "\r\n[DefaultUser]\r\nName=alice\\" + kAliceKey +
                                         "\r\n[HideKeyDialog]\r\nHide=1\r\n[FullAuto]\r\nChecked=1\r\n"
                                         "[ConfirmEncrypt]\r\nConfirm=0\r\n" + moreConfig));
        if (!autoList.empty()) ASSERT_TRUE(mctest::WriteAll(mailbox + "AutoList.txt", autoList));
        StartClient();
        ASSERT_NE(AutomationWindow(), nullptr);
        encryptor = host->LoadExtension(MainLibraryPath());
        ASSERT_NE(encryptor, nullptr);
        host->AttachEncryptor(*encryptor);
    }

    HWND Compose(const std::string& to, const std::string& cc = "", bool useMime = true,
                 const std::string& body = std::string(kSecret) + "\r\n") {
        HWND editor = host->NewEditor();
        EXPECT_NE(editor, nullptr);
        SendMessageA(editor, host::kEditorSetField, host::kFieldTo, reinterpret_cast<LPARAM>(to.c_str()));
        SendMessageA(editor, host::kEditorSetField, host::kFieldSubject, reinterpret_cast<LPARAM>("Plans"));
        SendMessageA(editor, host::kEditorSetField, host::kFieldCc, reinterpret_cast<LPARAM>(cc.c_str()));
        SendMessageA(editor, host::kEditorSetField, host::kFieldUseMime, useMime ? 1 : 0);
        SendMessageA(editor, host::kEditorSetField, host::kFieldBody, reinterpret_cast<LPARAM>(body.c_str()));
        mctest::PumpFor(100);
        return editor;
    }

    // Clicks "Send" and lets the client work until the editor is gone.
    bool Send(HWND editor, int timeoutMs = 20000) {
        EXPECT_TRUE(mctest::ClickStatic(editor, "Send"));
        for (int waited = 0; IsWindow(editor) && waited < timeoutMs; waited += 50) mctest::PumpFor(50);
        mctest::PumpFor(200);
        return !IsWindow(editor);
    }

    std::vector<std::string> Outbox() {
        std::string text;
        orv::mailclient::Folder folder;
        if (!orv::mailclient::ReadFileText(host->OutboxFolder(), &text) ||
            !orv::mailclient::ParseFolder(text, &folder))
            return {};
        return folder.messages;
    }

    // gpg as Bob (and knowing Alice's public key) reads a PGP block.
    std::string Gpg(const std::string& block, const std::string& action) {
        UnixScratch shell("orv_autosend");
        if (!mctest::WriteAll(shell.Win() + "block.asc", block)) return "<no block written>";
        const std::string data = ORV_KEY_DATA;
        return shell.Run("gpg --batch -q --import " + data + "/bob_sec.asc " + data + "/alice_pub.asc " + data +
                         "/carol_sec.asc 2>/dev/null; gpg --batch --status-fd 1 -o " + shell.Unix() + "plain.txt " +
                         action + " " + shell.Unix() + "block.asc 2>/dev/null; echo; cat " + shell.Unix() +
                         "plain.txt 2>/dev/null");
    }

    static inline PrefsFileOverride* prefs_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    orv::mailclient::Extension* encryptor = nullptr;
};

std::string BobEntry(int flags) { return "bob@example.org\\" + std::to_string(flags) + "x" + kBobDigits + "\r\n"; }

}  // namespace

TEST_F(AutoSend, AMessageToAListedRecipientGoesOutEncryptedWithoutTheUsersHelp) {
    Start("# recipients\r\n" + BobEntry(1));
    HWND editor = Compose("Bob <BOB@example.org>");
    ASSERT_TRUE(Send(editor)) << "the message was not sent";
    EXPECT_TRUE(Logged("send stopped by a form")) << "the first send goes back for the encryption dialog";
    EXPECT_NE(mctest::LineStarting(log, "call ENCRYPT_FILE_EX"), "");
    EXPECT_TRUE(Logged("result 1"));
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].find(kSecret), std::string::npos) << "plain text left the client";
    const std::string block = Between(out[0], "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
    ASSERT_FALSE(block.empty()) << out[0];
    const std::string gpg = Gpg(block, "--decrypt");
    EXPECT_NE(gpg.find("DECRYPTION_OKAY"), std::string::npos) << gpg;
    EXPECT_NE(gpg.find(kSecret), std::string::npos) << gpg;
}
