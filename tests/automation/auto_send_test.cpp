// The automatic encryption on send, end to end: the mail client stand-in
// with Pellatch.dll and Merrowin.dll over the engine stand-in, an AutoList in
// the mailbox, a message written in the client's editor and sent with its
// "Send" control. What lands in the outbox is read back by gpg.
#include "tests/automation/pellatch_fixture.h"

#include <atomic>
#include <initializer_list>
#include <cstdio>
#include <thread>

#include "base/unique_handle.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/editor.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/mail_files.h"
#include "tests/support/gpg_shell.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/ui/box_view.h"

using namespace pltest;
using namespace orv::test;
namespace host = orv::host;

namespace {

constexpr const char* kAliceKey = "0xE8750B357ACE6A48";
constexpr const char* kBobDigits = "D91F7A27B2A16278";
constexpr const char* kCarolDigits = "6533671D0C89AF89";
constexpr const char* kSecret = "The harbour plans, page 4711";



class AutoSend : public PellatchHost {
protected:
    static void SetUpTestSuite() {
        prefs_ = new PrefsFileOverride;
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        // The engine's libraries stay loaded between the tests: each test's
        // client loads and frees them, and the stand-in's core cannot be
        // loaded again once freed.
        SetDllDirectoryA(engine_->Dir().c_str());
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((engine_->Dir() + "*.dll").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (HMODULE m = LoadLibraryA((engine_->Dir() + found.cFileName).c_str())) held_.push_back(m);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    static void TearDownTestSuite() {
        for (HMODULE m : held_) FreeLibrary(m);
        held_.clear();
        delete engine_;
        engine_ = nullptr;
        delete prefs_;
        prefs_ = nullptr;
    }

    // The client with both libraries, the AutoList and the configuration.
    void Start(const std::string& autoList, const std::string& moreConfig = "", bool fullAutomation = true) {
        Prepare();
        if (HasFatalFailure()) return;
        engine_->ResetRings();
        ASSERT_TRUE(SetDllDirectoryA(engine_->Dir().c_str()));
        prefs_->Write("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                      engine_->SecretRing() + "\"\r\nDefaultKeyID=\"0xE8750B357ACE6A48000000000000000000\"\r\n");
        ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg",
                                     "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" +
                                         engine_->SecretRing() + "\r\n[DefaultUser]\r\nName=alice\\" + kAliceKey +
                                         "\r\n[HideKeyDialog]\r\nHide=1\r\n[FullAuto]\r\nChecked=" + (fullAutomation ? "1" : "0") + "\r\n"
                                         "[ConfirmEncrypt]\r\nConfirm=0\r\n"
                                         // A configuration of this version: no upgrade at start.
                                         "[Version]\r\nNo=99999\r\n" + moreConfig));
        if (!autoList.empty()) {
            ASSERT_TRUE(mctest::WriteAll(mailbox + "AutoList.txt", autoList));
        }
        StartClient();
        // The client's own report, as it goes, when a run is to be traced.
        if (GetEnvironmentVariableA("ORV_TRACE_CLIENT", nullptr, 0))
            host->onLog = [this](const std::string& line) {
                log.push_back(line);
                std::printf("   client: %s\n", line.c_str());
                std::fflush(stdout);
            };
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
        PumpQueued();
        return editor;
    }

    // Clicks "Send" and lets the client work until the editor is gone. The
    // bound is not stretched: where the message must stay, it is a bounded look.
    bool Send(HWND editor, int timeoutMs = 20000) {
        EXPECT_TRUE(mctest::ClickStatic(editor, "Send"));
        const DWORD start = GetTickCount();
        PumpUntil([&] { return !IsWindow(editor) || GetTickCount() - start >= DWORD(timeoutMs); }, timeoutMs);
        PumpQueued();
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

    // gpg holding the secret keys named (Bob's and Carol's unless told) and
    // Alice's public key reads a PGP block.
    std::string Gpg(const std::string& block, const std::string& action,
                    std::initializer_list<const char*> secrets = {"bob_sec.asc", "carol_sec.asc"}) {
        std::vector<std::string> keys{"alice_pub.asc"};
        keys.insert(keys.end(), secrets.begin(), secrets.end());
        return KeyShell("orv_autosend", ORV_KEY_DATA).ReadBlock(block, action, keys);
    }

    // Sends, and the send stops with one error box that says so first; its
    // text.
    std::string SendStoppedSaying(HWND editor) {
        ModalScript told;
        std::string said;
        told.Expect(pltest::kBox, "", [&said](HWND b) {
            said = ViewBox(b).text;
            PostKey(b, VK_RETURN);
        });
        told.Start();
        EXPECT_FALSE(Send(editor, 8000)) << "the message left";
        EXPECT_TRUE(told.Finish()) << told.Failure();
        EXPECT_EQ(told.Seen().size(), 1u);
        if (!told.Seen().empty()) {
            EXPECT_EQ(told.Seen()[0].caption, "Error:");
        }
        EXPECT_EQ(said.rfind("Send cancelled:", 0), 0u) << said;
        return said;
    }

    // The outbox holds one copy, and only Bob's key opens it.
    void ExpectOneCopyEncryptedForBob() {
        const auto out = Outbox();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].find(kSecret), std::string::npos) << "plain text left the client";
        const std::string block = Between(out[0], "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
        ASSERT_FALSE(block.empty()) << out[0];
        EXPECT_NE(Gpg(block, "--decrypt", {"bob_sec.asc"}).find(kSecret), std::string::npos);
    }

    static inline PrefsFileOverride* prefs_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline std::vector<HMODULE> held_;
    orv::mailclient::Extension* encryptor = nullptr;
};

std::string BobEntry(int flags) { return "bob@example.org\\" + std::to_string(flags) + "x" + kBobDigits + "\r\n"; }
std::string CarolEntry(int flags) { return "carol@example.org\\" + std::to_string(flags) + "x" + kCarolDigits + "\r\n"; }

// A box nobody expected is answered, so that the test fails instead of
// waiting for a user; the script's last step then sees none.
void GuardFurtherBoxes(ModalScript& script) {
    script.Expect(kBox, "", [](HWND box) { PostKey(box, VK_RETURN); });
}

// A control of the editor under another caption.
void Rename(HWND editor, const char* cls, const char* caption, const char* other) {
    HWND control = FindChild(editor, cls, caption);
    ASSERT_NE(control, nullptr) << caption;
    SetWindowTextA(control, other);
}

std::string Block(const std::string& message) {
    return Between(message, "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
}

// Counts the automation window's resend timer (1) as it fires.
std::atomic<int> g_resends{0};
HWND g_resendWatched = nullptr;
LRESULT CALLBACK ResendWatch(int code, WPARAM wp, LPARAM lp) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (code >= 0 && wp == PM_REMOVE && msg->message == WM_TIMER && msg->hwnd == g_resendWatched && msg->wParam == 1)
        ++g_resends;
    return CallNextHookEx(nullptr, code, wp, lp);
}
struct ResendCounter {
    explicit ResendCounter(HWND automation) {
        g_resends = 0;
        g_resendWatched = automation;
        hook = SetWindowsHookExA(WH_GETMESSAGE, ResendWatch, nullptr, GetCurrentThreadId());
    }
    ~ResendCounter() {
        if (hook) UnhookWindowsHookEx(hook);
    }
    HHOOK hook = nullptr;
};

// The client's mailbox directory dialog: the path typed and confirmed.
ModalScript::Action EnterPath(const std::string& path) {
    return [path](HWND dialog) {
        SetText(FindChild(dialog, "Edit", ""), path);
        ClickButton(dialog, "OK");
    };
}

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

TEST_F(AutoSend, ARecipientListedForSigningGetsAMessageGpgVerifies) {
    // The entry names a display name; the recipient is given bare, in capitals.
    Start("Carol Peer <carol@example.org>\\2x" + std::string(kCarolDigits) + "\r\n");
    PassphraseTypist typist;
    HWND editor = Compose("CAROL@EXAMPLE.ORG");
    ASSERT_TRUE(Send(editor, 40000)) << "the message was not sent";
    EXPECT_NE(mctest::LineStarting(log, "call SIGN_FILE_EX"), "");
    EXPECT_EQ(mctest::LineStarting(log, "call ENCRYPT_FILE_EX"), "");
    EXPECT_GE(typist.answered.load(), 1) << "signing asks for the passphrase";
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    const std::string block = Between(out[0], "-----BEGIN PGP SIGNED MESSAGE-----", "-----END PGP SIGNATURE-----");
    ASSERT_FALSE(block.empty()) << out[0];
    EXPECT_NE(block.find(kSecret), std::string::npos);
    const std::string gpg = Gpg(block, "--verify");
    EXPECT_NE(gpg.find("GOODSIG E8750B357ACE6A48"), std::string::npos) << gpg;
}

TEST_F(AutoSend, AnUnlistedRecipientsMessageGoesOutUntouched) {
    Start(BobEntry(1));
    HWND editor = Compose("dave@example.org");
    ASSERT_TRUE(Send(editor));
    EXPECT_FALSE(Logged("send stopped by a form"));
    EXPECT_EQ(mctest::LineStarting(log, "call "), "") << "no encryptor was called";
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].find("To: dave@example.org\r\n"), std::string::npos);
    EXPECT_NE(out[0].find("\r\n\r\n" + std::string(kSecret) + "\r\n"), std::string::npos) << out[0];
    EXPECT_EQ(out[0].find("X-PM-Encryptor"), std::string::npos);
    EXPECT_EQ(out[0].find("-----BEGIN PGP"), std::string::npos);
}

TEST_F(AutoSend, WithAutomaticEncryptionOffAListedRecipientsMessageIsLeftToTheUser) {
    Start(BobEntry(1), "[Pellatch]\r\nAuto=0\r\n");
    HWND editor = Compose("bob@example.org");
    ASSERT_TRUE(Send(editor));
    EXPECT_FALSE(Logged("send stopped by a form"));
    EXPECT_EQ(mctest::LineStarting(log, "call "), "");
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].find(kSecret), std::string::npos);
}

TEST_F(AutoSend, AMixedSendAsksFirstCancelKeepsTheMessageYesSendsItPlain) {
    Start(BobEntry(1));
    HWND editor = Compose("bob@example.org", "dave@example.org");
    ModalScript cancel;
    std::string said;
    cancel.Expect(kBox, "", [&said](HWND box) {
        said = ViewBox(box).text;
        ClickButton(box, "Cancel");
    });
    cancel.Start();
    EXPECT_FALSE(Send(editor, 8000)) << "the editor went away after cancel";
    ASSERT_TRUE(cancel.Finish()) << cancel.Failure();
    ASSERT_EQ(cancel.Seen().size(), 1u);
    EXPECT_NE(said.find("encrypted and unencrypted messages"), std::string::npos) << said;
    EXPECT_TRUE(Logged("send stopped by a form"));
    EXPECT_TRUE(Outbox().empty()) << "nothing may leave after cancel";
    EXPECT_FALSE(mctest::Exists(host->OutboxFolder()));

    // Asked again on the next send; "yes" sends everything unencrypted.
    ModalScript yes;
    // The box's keyboard answer, as a person at the keyboard gives it.
    yes.Expect(kBox, "", [](HWND box) { PostKey(box, 'Y'); });
    yes.Start();
    EXPECT_TRUE(Send(editor));
    ASSERT_TRUE(yes.Finish()) << yes.Failure();
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].find(kSecret), std::string::npos);
    EXPECT_EQ(out[0].find("-----BEGIN PGP"), std::string::npos);
}

TEST_F(AutoSend, AListedCopyRecipientIsHonouredWhateverTheToFieldGives) {
    // The To field yields nobody on the list; the copy goes to a listed one.
    Start(BobEntry(1));
    HWND editor = Compose("", "Bob <bob@example.org>");
    EXPECT_TRUE(Send(editor));
    EXPECT_TRUE(Logged("send stopped by a form")) << "the send went back for encryption";
    EXPECT_NE(mctest::LineStarting(log, "call ENCRYPT_FILE_EX"), "");
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].find(kSecret), std::string::npos) << "plain text left the client";
    const std::string block = Between(out[0], "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
    ASSERT_FALSE(block.empty()) << out[0];
    const std::string gpg = Gpg(block, "--decrypt");
    EXPECT_NE(gpg.find(kSecret), std::string::npos) << gpg;
}

TEST_F(AutoSend, WhenEncryptionCannotBeArmedTheSendStopsAndTheUserIsTold) {
    Start(BobEntry(1));
    HWND editor = Compose("bob@example.org");
    // A client whose editor has no encryption box the plug-in knows.
    ASSERT_NO_FATAL_FAILURE(Rename(editor, "Button", "Encrypt...", "Secure"));
    const std::string said = SendStoppedSaying(editor);
    // What was asked, and what is missing for it.
    EXPECT_NE(said.find("Encrypt the message when it is sent - \"Encrypt...\" missing"), std::string::npos) << said;
    EXPECT_TRUE(Logged("send stopped by a form"));
    EXPECT_EQ(mctest::LineStarting(log, "sent "), "");
    EXPECT_TRUE(Outbox().empty()) << "nothing may leave in clear";
}

TEST_F(AutoSend, WithoutFullAutomationTheDialogWaitsFilledForTheUser) {
    Start(BobEntry(1), "", false);
    struct Seen {
        std::string encryptor;
        bool encrypt = false, sign = false, signEnabled = false;
    };
    auto look = [](Seen* seen) {
        return [seen](HWND dlg) {
            HWND enc = FindChild(dlg, "Button", "Encrypt the message");
            // Filled by the plug-in once the client's showing is over.
            PumpUntil([&] { return GetText(FindChild(dlg, "ComboBox", "")) == "Orvane" &&
                                   SendMessageA(enc, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000);
            seen->encryptor = GetText(FindChild(dlg, "ComboBox", ""));
            HWND sign = FindChild(dlg, "Button", "Sign the message");
            seen->encrypt = SendMessageA(enc, BM_GETCHECK, 0, 0) == BST_CHECKED;
            seen->sign = SendMessageA(sign, BM_GETCHECK, 0, 0) == BST_CHECKED;
            seen->signEnabled = IsWindowEnabled(sign);
        };
    };
    // The user cancels the dialog: the message stays where it is.
    HWND first = Compose("bob@example.org");
    Seen cancelled;
    ModalScript no;
    no.Expect("#32770", "Encryption", [&](HWND dlg) {
        look(&cancelled)(dlg);
        ClickButton(dlg, "Cancel");
    });
    no.Start();
    EXPECT_FALSE(Send(first, 6000));
    ASSERT_TRUE(no.Finish()) << no.Failure();
    EXPECT_EQ(cancelled.encryptor, "Orvane");
    EXPECT_TRUE(cancelled.encrypt);
    EXPECT_TRUE(Outbox().empty());
    SendMessageA(host->MdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(first), 0);

    // The user confirms it: the message goes out encrypted.
    HWND second = Compose("bob@example.org");
    Seen confirmed;
    ModalScript yes;
    yes.Expect("#32770", "Encryption", [&](HWND dlg) {
        look(&confirmed)(dlg);
        SaveScreenshot(nullptr, ShotPath("autosend_dialog_filled.png"));
        ClickButton(dlg, "OK");
    });
    yes.Start();
    EXPECT_TRUE(Send(second));
    ASSERT_TRUE(yes.Finish()) << yes.Failure();
    EXPECT_EQ(confirmed.encryptor, "Orvane");
    EXPECT_TRUE(confirmed.encrypt);
    EXPECT_FALSE(confirmed.sign);
    EXPECT_TRUE(confirmed.signEnabled);
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].find(kSecret), std::string::npos);
    EXPECT_NE(out[0].find("-----BEGIN PGP MESSAGE-----"), std::string::npos);
}

TEST_F(AutoSend, AWrittenFileWithAnArmouredBodyGetsTheEncryptorHeaderOnce) {
    Start("");
    const std::string armour =
        "\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA9kfeiey oKZ4AQf/\r\n=abcd\r\n-----END PGP MESSAGE-----\r\n";
    // Without MIME features the client writes no MIME header: the plain
    // text block is added.
    HWND plain = Compose("dave@example.org", "", false, armour);
    ASSERT_TRUE(Send(plain));
    // With them the client's own Content-type stays the only one.
    HWND mime = Compose("dave@example.org", "", true, armour);
    ASSERT_TRUE(Send(mime));
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 2u);
    auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    };
    const std::string head0 = out[0].substr(0, out[0].find("\r\n\r\n"));
    EXPECT_NE(head0.find("\r\nX-PM-Encryptor: ORVPGP-PM32, 1"), std::string::npos) << head0;
    EXPECT_NE(head0.find("\r\nMIME-Version: 1.0\r\nContent-type: text/plain; charset=US-ASCII\r\n"
                         "Content-transfer-encoding: 7BIT\r\nContent-description: Mail message body"),
              std::string::npos)
        << head0;
    EXPECT_EQ(out[0].find("\r\n\r\n-----BEGIN PGP MESSAGE-----"), head0.size()) << "leading blank lines dropped";
    const std::string head1 = out[1].substr(0, out[1].find("\r\n\r\n"));
    EXPECT_NE(head1.find("\r\nX-PM-Encryptor: ORVPGP-PM32, 1"), std::string::npos) << head1;
    EXPECT_EQ(count(head1, "Content-type:"), 1) << head1;
    EXPECT_EQ(count(head1, "MIME-Version:"), 1) << head1;
}

TEST_F(AutoSend, AnEntryThatAsksLeavesTheFilledDialogToTheUserEvenInFullAutomation) {
    Start(BobEntry(5));  // encrypt, and ask
    HWND editor = Compose("bob@example.org");
    bool encryptTicked = false, waited = false;
    ModalScript user;
    user.Expect("#32770", "Encryption", [&](HWND dlg) {
        Sleep(800);  // a bounded look: no automatic confirmation may come
        waited = IsWindowVisible(dlg) != FALSE;
        encryptTicked = SendMessageA(FindChild(dlg, "Button", "Encrypt the message"), BM_GETCHECK, 0, 0) == BST_CHECKED;
        ClickButton(dlg, "OK");
    });
    user.Start();
    EXPECT_TRUE(Send(editor));
    ASSERT_TRUE(user.Finish()) << user.Failure();
    EXPECT_TRUE(waited);
    EXPECT_TRUE(encryptTicked);
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    const std::string block = Between(out[0], "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
    ASSERT_FALSE(block.empty()) << out[0];
    EXPECT_NE(Gpg(block, "--decrypt").find(kSecret), std::string::npos);
}

TEST_F(AutoSend, EachRecipientGetsACopyThatOnlyTheirOwnKeyOpens) {
    Start(BobEntry(1) + CarolEntry(1));
    // A display name holding a comma stays one recipient.
    HWND editor = Compose("bob@example.org, \"Peer, Carol\" <carol@example.org>");
    ASSERT_TRUE(Send(editor)) << "the message was not sent";
    EXPECT_TRUE(Logged("copy for bob@example.org"));
    EXPECT_TRUE(Logged("copy for \"Peer, Carol\" <carol@example.org>"));
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 2u);
    for (const std::string& copy : out) EXPECT_EQ(copy.find(kSecret), std::string::npos) << "plain text left";
    const std::string toBob = Block(out[0]), toCarol = Block(out[1]);
    ASSERT_FALSE(toBob.empty()) << out[0];
    ASSERT_FALSE(toCarol.empty()) << out[1];
    EXPECT_NE(Gpg(toBob, "--decrypt", {"bob_sec.asc"}).find(kSecret), std::string::npos);
    EXPECT_EQ(Gpg(toBob, "--decrypt", {"carol_sec.asc"}).find(kSecret), std::string::npos);
    EXPECT_NE(Gpg(toCarol, "--decrypt", {"carol_sec.asc"}).find(kSecret), std::string::npos);
    EXPECT_EQ(Gpg(toCarol, "--decrypt", {"bob_sec.asc"}).find(kSecret), std::string::npos);
}

TEST_F(AutoSend, AMixedSendKeptAsItIsEncryptsTheListedCopyAndLeavesTheOtherAsWritten) {
    Start(BobEntry(1));
    HWND editor = Compose("dave@example.org", "Bob <bob@example.org>");
    ModalScript keep;
    keep.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); });
    GuardFurtherBoxes(keep);
    keep.Start(5000);
    ASSERT_TRUE(Send(editor)) << "the message was not sent";
    keep.Finish();  // the guard's step sees no box
    ASSERT_EQ(keep.Seen().size(), 1u) << "a further box: " << keep.Seen().back().caption;
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 2u);
    // Dave, who is not on the list, gets what the user wrote, as warned.
    EXPECT_NE(out[0].find(kSecret), std::string::npos) << out[0];
    EXPECT_EQ(out[0].find("-----BEGIN PGP"), std::string::npos);
    EXPECT_EQ(out[1].find(kSecret), std::string::npos) << "Bob's copy left in clear";
    const std::string toBob = Block(out[1]);
    ASSERT_FALSE(toBob.empty()) << out[1];
    EXPECT_NE(Gpg(toBob, "--decrypt", {"bob_sec.asc"}).find(kSecret), std::string::npos);
}

TEST_F(AutoSend, EncryptAndSendFromTheMenuEncryptsEveryCopyListedOrNot) {
    Start(BobEntry(1));
    // Carol is not on the list; her key is on the ring.
    HWND editor = Compose("carol@example.org", "bob@example.org");
    ModalScript keep;
    keep.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); });
    GuardFurtherBoxes(keep);
    keep.Start(5000);
    PostMessageA(host->Frame(), WM_COMMAND, 0x3007, 0);  // "Encrypt and send"
    PumpUntil([&] { return !IsWindow(editor); }, 20000);
    ASSERT_FALSE(IsWindow(editor)) << "the menu command sent nothing";
    keep.Finish();  // the guard's step sees no box
    ASSERT_EQ(keep.Seen().size(), 1u) << "a further box: " << keep.Seen().back().caption;
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 2u);
    const std::string toCarol = Block(out[0]), toBob = Block(out[1]);
    ASSERT_FALSE(toCarol.empty()) << out[0];
    ASSERT_FALSE(toBob.empty()) << out[1];
    EXPECT_NE(Gpg(toCarol, "--decrypt", {"carol_sec.asc"}).find(kSecret), std::string::npos);
    EXPECT_NE(Gpg(toBob, "--decrypt", {"bob_sec.asc"}).find(kSecret), std::string::npos);
}

TEST_F(AutoSend, SignAndSendFromTheMenuSignsForAnUnlistedRecipient) {
    Start(BobEntry(1));
    PassphraseTypist typist;
    HWND editor = Compose("dave@example.org");
    PostMessageA(host->Frame(), WM_COMMAND, 0x3008, 0);  // "Sign and send"
    PumpUntil([&] { return !IsWindow(editor); }, 40000);
    ASSERT_FALSE(IsWindow(editor)) << "the menu command sent nothing";
    EXPECT_NE(mctest::LineStarting(log, "call SIGN_FILE_EX"), "");
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    const std::string block = Between(out[0], "-----BEGIN PGP SIGNED MESSAGE-----", "-----END PGP SIGNATURE-----");
    ASSERT_FALSE(block.empty()) << out[0];
    EXPECT_NE(Gpg(block, "--verify").find("GOODSIG E8750B357ACE6A48"), std::string::npos);
}

TEST_F(AutoSend, EncryptSignAndSendFromTheMenuGivesEachRecipientASignedCopyForTheirKey) {
    Start(BobEntry(1));
    PassphraseTypist typist;
    // Bob is listed for encryption only; the command asks for both.
    HWND editor = Compose("bob@example.org");
    PostMessageA(host->Frame(), WM_COMMAND, 0x3009, 0);  // "Encrypt, sign and send"
    PumpUntil([&] { return !IsWindow(editor); }, 40000);
    ASSERT_FALSE(IsWindow(editor)) << "the menu command sent nothing";
    EXPECT_NE(mctest::LineStarting(log, "call ENCRYPT_FILE_EX"), "");
    const auto out = Outbox();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].find(kSecret), std::string::npos) << "plain text left the client";
    const std::string block = Block(out[0]);
    ASSERT_FALSE(block.empty()) << out[0];
    const std::string gpg = Gpg(block, "--decrypt", {"bob_sec.asc"});
    EXPECT_NE(gpg.find("DECRYPTION_OKAY"), std::string::npos) << gpg;
    EXPECT_NE(gpg.find("GOODSIG E8750B357ACE6A48"), std::string::npos) << gpg;
    EXPECT_NE(gpg.find(kSecret), std::string::npos) << gpg;
}

TEST_F(AutoSend, WhenOneCopyCannotBeEncryptedNoCopyLeavesAndTheMessageMovesToANewEditor) {
    Start(BobEntry(1));
    // Dave has no key: his copy cannot be encrypted, Bob's could.
    HWND editor = Compose("bob@example.org", "dave@example.org");
    ModalScript script;
    script.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); });  // keep encrypting
    // The engine asks for a key for Dave; the user has none to give, and
    // then moves the message to a new editor rather than send it in clear.
    std::string prompt;
    script.Expect("TfrmSelKey", "PGP", [&prompt](HWND dialog) {
        for (HWND child : Children(dialog))
            if (GetText(child).rfind("Select key for", 0) == 0) prompt = GetText(child);
        ClickButton(dialog, "Cancel");
    });
    script.Expect(kBox, "Select:", [](HWND box) { PostKey(box, 'C'); });
    script.Expect(kBox, "Info:", [](HWND box) { PostKey(box, VK_RETURN); });  // "Message copied"
    GuardFurtherBoxes(script);
    script.Start(8000);
    PostMessageA(host->Frame(), WM_COMMAND, 0x3007, 0);  // "Encrypt and send"
    PumpUntilSeen(script, 4);
    mctest::PumpFor(1000);  // a bounded look: no further box may come
    script.Finish();  // the guard's step sees no box
    std::string boxes;
    for (const SeenBox& box : script.Seen()) boxes += box.cls + " \"" + box.caption + "\"\n";
    ASSERT_EQ(script.Seen().size(), 4u) << boxes;
    EXPECT_EQ(prompt, "Select key for \"dave@example.org\":");
    EXPECT_NE(mctest::LineStarting(log, "copy for bob@example.org"), "") << "Bob's copy was encoded first";
    EXPECT_EQ(mctest::LineStarting(log, "sent "), "");
    EXPECT_TRUE(Outbox().empty()) << "a copy left although another could not be encrypted";
    WIN32_FIND_DATAA found;
    HANDLE left = FindFirstFileA((mailbox + "MSG*").c_str(), &found);
    EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "an encoded copy was left behind: " << found.cFileName;
    if (left != INVALID_HANDLE_VALUE) FindClose(left);
    // Nothing is lost: the message waits in a new editor.
    EXPECT_FALSE(IsWindow(editor));
    const auto editors = host->Editors();
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_NE(orv::mailclient::ReadEditor(editors[0]).body.find(kSecret), std::string::npos);
}

TEST_F(AutoSend, AFilledDialogWhoseResendWentNowhereLetsNoOtherEditorsMessageOutPlain) {
    Start(BobEntry(1));
    HWND first = Compose("bob@example.org");
    // The repeated send of this editor finds no send control: its keys go
    // nowhere, the dialog stays filled for it.
    ASSERT_NO_FATAL_FAILURE(Rename(first, "Static", "Send", "Post"));
    {
        ResendCounter resends(AutomationWindow());
        SendMessageA(first, orv::mailclient::kEditorSendNow, 0, 0);
        PumpUntil([] { return g_resends > 0; }, 10000);
        ASSERT_GE(g_resends.load(), 1) << "the dialog was not confirmed";
        PumpQueued();
    }
    ASSERT_TRUE(IsWindow(first));
    EXPECT_TRUE(Outbox().empty());
    // Another message to the listed recipient is checked against the list.
    HWND second = Compose("bob@example.org");
    ASSERT_TRUE(Send(second)) << "the message was not sent";
    ExpectOneCopyEncryptedForBob();
}

TEST_F(AutoSend, AfterAMailboxMoveWithoutRestartTheMovedListStillEncrypts) {
    Start(BobEntry(1));
    // The user keeps a configuration of their own in the new mailbox, so the
    // main library's stays where it read it at the start.
    const std::string moved = dir + "moved\\";
    ASSERT_TRUE(CreateDirectoryA(moved.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((mailbox + "Merrowin.cfg").c_str(), (moved + "Merrowin.cfg").c_str(), TRUE));
    ModalScript script;
    script.Expect("#32770", "Mailbox directory", EnterPath(moved));
    script.Expect(kBox, "Confirm:", PressButton("No"));  // no restart
    script.Start();
    PostMessageA(host->Frame(), WM_COMMAND, orv::mailclient::kCmdMailboxDir, 0);
    PumpUntilSeen(script, 2);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_TRUE(mctest::Exists(moved + "AutoList.txt"));
    ASSERT_FALSE(mctest::Exists(mailbox + "AutoList.txt"));
    HWND editor = Compose("bob@example.org");
    ASSERT_TRUE(Send(editor)) << "the message was not sent";
    ExpectOneCopyEncryptedForBob();
}

TEST_F(AutoSend, AnAutoListThatCannotBeReadStopsTheSendAndSaysWhy) {
    Start(BobEntry(1));
    HWND editor = Compose("bob@example.org");
    // Another program holds the list without sharing it.
    orv::UniqueHandle held(
        CreateFileA((mailbox + "AutoList.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const std::string said = SendStoppedSaying(editor);
    EXPECT_NE(said.find("Error reading data: " + mailbox + "AutoList.txt"), std::string::npos) << said;
    EXPECT_TRUE(Outbox().empty()) << "nothing may leave in clear";
    // Once the list can be read, the same message goes out encrypted.
    held.reset();
    ASSERT_TRUE(Send(editor));
    ExpectOneCopyEncryptedForBob();
}

TEST_F(AutoSend, CancelInTheKeyChoiceOfEncryptAndSendKeepsTheMessage) {
    // Two keys for one recipient: the command asks which.
    Start(BobEntry(1) + "bob@example.org\\1x" + kCarolDigits + "\r\n");
    HWND editor = Compose("bob@example.org");
    ModalScript script;
    script.Expect("TfrmAddrBox", "Select key for", [](HWND box) {
        AwaitKeys(box);
        SendKeyInput(VK_ESCAPE);
    });
    GuardFurtherBoxes(script);
    script.Start(5000);
    PostMessageA(host->Frame(), WM_COMMAND, 0x3007, 0);  // "Encrypt and send"
    PumpUntil([&] { return !script.Seen().empty(); }, 20000);
    // Long enough for a send the cancel did not stop to run its course.
    for (int waited = 0; IsWindow(editor) && waited < 5000; waited += 50) mctest::PumpFor(50);
    script.Finish();  // the guard's step sees no box
    ASSERT_EQ(script.Seen().size(), 1u) << "a further box: " << script.Seen().back().caption;
    EXPECT_TRUE(IsWindow(editor)) << "the message left its editor";
    EXPECT_EQ(mctest::LineStarting(log, "call ENCRYPT_FILE_EX"), "");
    EXPECT_TRUE(Outbox().empty());
    EXPECT_FALSE(orv::mailclient::ReadEditor(editor).encrypt) << "the encryption box was ticked";
}

TEST_F(AutoSend, AnUnreadableDraftIsKeptWhenTheClientCloses) {
    Start("");
    const std::string draft = mailbox + "HELD.PMW";
    ASSERT_TRUE(mctest::WriteAll(draft, "To: bob\r\n"));
    {
        // Held without read sharing: its content cannot be seen, and it may
        // hold a message.
        orv::UniqueHandle held(
            CreateFileA(draft.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ASSERT_TRUE(host->RequestExit());
    }
    EXPECT_TRUE(mctest::Exists(draft)) << "a draft that could not be read was deleted";
}
