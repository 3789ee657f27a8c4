// ENCRYPT_FILE_EX and SIGN_FILE_EX as the mail client calls them: the
// message file rewritten inline or as PGP/MIME over the engine stand-in,
// the copy mode's results, the non-MIME question, the Copy/Send question
// after a cancel or a failed write with the message file left as it was,
// the status line, and what the automation window is told and answers.
#include "tests/formats/encryptor_fixture.h"

#include "ui/sel_key_dialog.h"

#include <cctype>
#include <cstdlib>

#include "tests/standin/sdknet_support.h"
#include "tests/ui/box_view.h"
#include "ui/info_box.h"

namespace {

using namespace orv;
using namespace orv::test;

// Steps of the user during one call, and what the boxes said.
class User {
public:
    User& Passphrase(const std::string& p) {
        script_.Expect(kEngineDialog, "", [p](HWND dlg) { TypePassphrase(dlg, p); });
        return *this;
    }
    User& CancelPassphrase() {
        script_.Expect(kEngineDialog, "", [](HWND dlg) { ClickId(dlg, IDCANCEL); });
        return *this;
    }
    // A box of the library answered by its button.
    User& Box(const std::string& button) {
        script_.Expect(kLibraryBox, "", [this, button](HWND box) {
            boxes.push_back(ViewBox(box).text);
            if (!ClickButton(box, button) && !ClickButton(box, "&" + button)) PostKey(box, VK_RETURN);
        });
        return *this;
    }
    User& Start() {
        script_.Start(20000);
        return *this;
    }
    bool Finish() { return script_.Finish(); }
    std::string Failure() const { return script_.Failure(); }
    std::vector<std::string> boxes;

private:
    ModalScript script_;
};

// No box of the library may come up: one that does is closed and reported.
class NoBox {
public:
    NoBox() {
        script_.Expect(kLibraryBox, "", [this](HWND box) {
            seen = ViewBox(box).text;
            PostMessageA(box, WM_CLOSE, 0, 0);
        });
        script_.Start(1500);
    }
    ~NoBox() {
        script_.Finish();
        EXPECT_EQ(seen, "") << "a box came up";
    }
    std::string seen;

private:
    ModalScript script_;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string InteropDir() {
    const char* d = std::getenv("ORV_INTEROP_DIR");
    return d ? std::string(d) + "\\" : std::string();
}

using Encode = EncryptorTest;

TEST_F(Encode, InlineEncryptsTheTextPartAndTheAttachment) {
    const std::string file = Path("inline.PM$");
    Write(file, MixedMessage(1, Attachment()));
    int result = 0;
    {
        NoBox none;
        result = Call(encryptFileEx, file, "", "bob@example.org");
    }
    EXPECT_EQ(result, 1);
    const std::string out = ReadAll(file);
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP MESSAGE-----"), 2) << out;
    EXPECT_EQ(out.find("the report is attached"), std::string::npos) << "plain text left in the message";
    EXPECT_NE(out.find("X-PM-Encryptor: ORVPGP-PM32, 1\r\n"), std::string::npos);
    EXPECT_NE(out.find(" \"data.bin\""), std::string::npos) << out.substr(0, 1200);
    EXPECT_EQ(windows_->StatusLines(0),
              (std::vector<std::string>{"Encrypting message ...", "Encrypting attachment(s) ...",
                                        "Encrypting finished"}));
    const auto offered = windows_->Automation(automation::AM_ADDTOLIST);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_NE(offered[0].text.find("bob@example.org"), std::string::npos) << offered[0].text;
    EXPECT_NE(offered[0].text.find(std::string("\\") + kBobID), std::string::npos) << offered[0].text;
    EXPECT_TRUE(windows_->Automation(automation::AM_ENCODEFAILED).empty());
    EXPECT_TRUE(windows_->Automation(automation::AM_SIGNKEY).size() == 1 &&
                windows_->Automation(automation::AM_SIGNKEY)[0].wp == 0)
        << "only the question for the key; nothing was signed";
    if (!InteropDir().empty()) {
        Write(InteropDir() + "inline_enc.txt", out);
        Write(InteropDir() + "attachment.bin", Attachment());
    }
}

TEST_F(Encode, SignFileExEncryptsWhatTheHeaderAsksFor) {
    const std::string file = Path("signex.PM$");
    Write(file, MixedMessage(1, Attachment()));
    NoBox none;
    EXPECT_EQ(Call(signFileEx, file, "", "bob@example.org"), 1);
    EXPECT_EQ(CountOf(ReadAll(file), "-----BEGIN PGP MESSAGE-----"), 2);
}

TEST_F(Encode, EncryptAndSignReportsTheSigningKey) {
    const std::string file = Path("encsign.PM$");
    Write(file, MixedMessage(5, Attachment()));
    User user;
    user.Passphrase(kAlicePass).Passphrase(kAlicePass).Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 1);
    const std::string out = ReadAll(file);
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP MESSAGE-----"), 2);
    const auto signKey = windows_->Automation(automation::AM_SIGNKEY);
    ASSERT_EQ(signKey.size(), 2u);
    EXPECT_EQ(signKey[1].wp, 1u);
    EXPECT_EQ(signKey[1].text, kAliceID);
    EXPECT_EQ(windows_->StatusLines(0).back(), "Encrypting/Signing finished");
    if (!InteropDir().empty()) Write(InteropDir() + "inline_encsign.txt", out);
}

TEST_F(Encode, TheAutomationWindowChoosesTheSigningKeyAndTheOptions) {
    // The plug-in asks to sign only, although the header says encrypt.
    windows_->automatic = true;
    windows_->entry = "2,bob@example.org";
    windows_->entryFirst = "2";
    windows_->signKey = kAliceID;
    const std::string file = Path("auto.PM$");
    Write(file, MixedMessage(1, "just some text bytes"));
    User user;
    user.Passphrase(kAlicePass).Passphrase(kAlicePass).Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 1);
    const std::string out = ReadAll(file);
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP MESSAGE-----"), 0);
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP SIGNED MESSAGE-----"), 1) << out;
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP SIGNATURE-----"), 2) << "text signature and detached signature";
    const auto next = windows_->Automation(automation::AM_NEXTENTRY);
    ASSERT_EQ(next.size(), 1u) << "a sign-only entry is handed back split";
    EXPECT_EQ(next[0].text, "2|bob@example.org");
    EXPECT_EQ(windows_->StatusLines(0).back(), "Signing finished");
    if (!InteropDir().empty()) Write(InteropDir() + "inline_sign.txt", out);
}

TEST_F(Encode, PGPMimeWhenTheSwitchIsOn) {
    WriteConfig("[MenuOptions]\r\nPGPMime=1\r\n");
    const std::string file = Path("mime.PM$");
    Write(file, MixedMessage(1, Attachment()));
    int result = 0;
    {
        NoBox none;
        result = Call(encryptFileEx, file, "", "bob@example.org");
    }
    EXPECT_EQ(result, 1);
    const std::string out = ReadAll(file);
    EXPECT_EQ(CountOf(out, "-----BEGIN PGP MESSAGE-----"), 1) << out.substr(0, 1500);
    EXPECT_NE(out.find("PGPMime-Boundary-"), std::string::npos);
    EXPECT_NE(Lower(out).find("multipart/encrypted"), std::string::npos);
    EXPECT_EQ(out.find("Message-Boundary-4711"), std::string::npos) << "the client's boundary is inside the PGP block";
    EXPECT_EQ(windows_->StatusLines(0).front(), "Encrypting message ...");
    if (!InteropDir().empty()) Write(InteropDir() + "mime_enc.txt", out);
}

TEST_F(Encode, CopyModeResultsByExtensionAndContent) {
    const std::string text = MixedMessage(1, "abc");
    struct Row {
        const char* name;
        std::string content;
        int result;
    } rows[] = {
        {"copy.txt", text, 2},
        {"copy.PM$", text, 1},
        {"copy2.pm$", text, 1},
        {"bin.PM$", std::string("\x01\x02\x00\x03 binary", 12), 2},
    };
    NoBox none;
    for (const auto& row : rows) {
        const std::string file = Path(row.name), output = Path(std::string(row.name) + ".out");
        Write(file, row.content);
        EXPECT_EQ(Call(encryptFileEx, file, output, "bob@example.org"), row.result) << row.name;
        EXPECT_EQ(ReadAll(output), row.content) << row.name;
        EXPECT_EQ(ReadAll(file), row.content) << "the message file is not touched in copy mode";
    }
    windows_->sendCancelled = 1;
    const std::string file = Path("cancelled.PM$"), output = Path("cancelled.out");
    Write(file, text);
    EXPECT_EQ(Call(encryptFileEx, file, output, "bob@example.org"), 0);
    EXPECT_EQ(GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES) << "a cancelled send copies nothing";
}

TEST_F(Encode, ANonMimeMessageIsNeverEncrypted) {
    const std::string file = Path("plain.PM$");
    Write(file, "From: alice@example.org\r\nTo: bob@example.org\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nHello\r\n");
    User user;
    user.Box("&Yes").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("Non-MIME messages cannot be encrypted/signed.", 0), 0u) << user.boxes[0];
    const std::string out = ReadAll(file);
    EXPECT_EQ(out.find("X-PM-Encryptor"), std::string::npos);
    EXPECT_NE(out.find("Hello"), std::string::npos);
}

TEST_F(Encode, ANonMimeMessageAnsweredNoMovesToANewEditor) {
    const std::string file = Path("plain_no.PM$");
    Write(file, "From: alice@example.org\r\nTo: bob@example.org\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nHello\r\n");
    const std::size_t editorsBefore = windows_->editors.size();
    User user;
    user.Box("&No").Box("OK").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, -2);
    EXPECT_EQ(ReadAll(file), "To: (delete)\r\nSubject: (cancelled)");
    ASSERT_EQ(windows_->editors.size(), editorsBefore + 1) << "the text went to a new editor";
    ASSERT_FALSE(windows_->editorFields.empty());
    EXPECT_EQ(windows_->editorFields.back().first, host::kFieldReady);
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[1].rfind("Message copied - please check", 0), 0u) << user.boxes[1];
}

TEST_F(Encode, ANonMimeMessageThatCannotTakeTheMarkerIsNotReportedMoved) {
    const std::string file = Path("plain_ro.PM$");
    const std::string original =
        "From: alice@example.org\r\nTo: bob@example.org\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nHello\r\n";
    Write(file, original);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::size_t editorsBefore = windows_->editors.size();
    User user;
    user.Box("&No").Box("OK").Box("OK").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result, -1) << "neither sent as it is nor claimed to carry the marker";
    EXPECT_EQ(ReadAll(file), original);
    EXPECT_EQ(windows_->editors.size(), editorsBefore + 1) << "the text is kept in a new editor";
    ASSERT_EQ(user.boxes.size(), 3u);
    EXPECT_EQ(user.boxes[2], "Error writing data!");
}

TEST_F(Encode, WithoutAutoKeySearchTheKeyDialogAsksWithItsCaptions) {
    WriteConfig("[HideKeyDialog]\r\nHide=0\r\n");
    const std::string file = Path("keydlg.PM$");
    Write(file, MixedMessage(1, "abc"));
    std::string prompt, ok, cancel, server, addList, caption;
    bool helpButton = false;
    ModalScript script;
    script.Expect(kSelKeyDialogClass, kSelKeyDialogCaption, [&](HWND dlg) {
        caption = GetText(dlg);
        helpButton = (GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        prompt = GetText(FindChildById(dlg, kSelKeyPrompt));
        ok = GetText(FindChildById(dlg, kSelKeyOK));
        cancel = GetText(FindChildById(dlg, kSelKeyCancel));
        server = GetText(FindChildById(dlg, kSelKeyServer));
        addList = GetText(FindChildById(dlg, kSelKeyList));
        SaveScreenshot(dlg, ShotPath("encryptor_key_dialog.png"));
        for (int i = 0; i < 100 && !IsWindowEnabled(FindChildById(dlg, kSelKeyOK)); ++i) Sleep(20);
        ClickId(dlg, kSelKeyOK);
    });
    script.Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(caption, "PGP");
    EXPECT_TRUE(helpButton);
    EXPECT_EQ(prompt, "Select key for \"bob@example.org\":");
    EXPECT_EQ(ok, "&OK");
    EXPECT_EQ(cancel, "&Cancel");
    EXPECT_EQ(server, "Key from &server");
    EXPECT_EQ(addList, "Use and add to &AutoList");
    EXPECT_EQ(CountOf(ReadAll(file), "-----BEGIN PGP MESSAGE-----"), 2);
}

TEST_F(Encode, AutoKeySearchEncryptsToTheOneMatchingKeyWithoutTheDialog) {
    WriteConfig("[HideKeyDialog]\r\nHide=1\r\n");
    const std::string file = Path("nodlg.PM$");
    Write(file, MixedMessage(1, "abc"));
    bool dialogShown = false;
    ModalScript guard;
    guard.Expect(kSelKeyDialogClass, kSelKeyDialogCaption, [&](HWND dlg) {
        dialogShown = true;
        ClickId(dlg, kSelKeyCancel);
    });
    guard.Start(1500);
    EXPECT_EQ(Call(encryptFileEx, file, "", "bob@example.org"), 1);
    guard.Finish();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(CountOf(ReadAll(file), "-----BEGIN PGP MESSAGE-----"), 2);
}

TEST_F(Encode, ACancelledSigningSendsTheMessageUnsignedWhenTheUserSaysSend) {
    const std::string file = Path("cancel.PM$");
    Write(file, MixedMessage(4, "xyz"));
    User user;
    user.CancelPassphrase().Box("&Send").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("Delete message and copy data to a new message", 0), 0u)
        << "no error text for a cancel: " << user.boxes[0];
    const std::string out = ReadAll(file);
    EXPECT_EQ(out.find("X-PM-Encryptor"), std::string::npos);
    EXPECT_NE(out.find("the report is attached"), std::string::npos);
    EXPECT_EQ(windows_->StatusLines(0).back(), "Signing cancelled");
    EXPECT_EQ(windows_->Automation(automation::AM_ENCODEFAILED).size(), 1u);
}

TEST_F(Encode, CopyMovesTheMessageToANewEditor) {
    const std::string file = Path("copy_editor.PM$");
    Write(file, MixedMessage(4, "xyz"));
    User user;
    user.CancelPassphrase().Box("&Copy").Box("OK").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, -2);
    EXPECT_EQ(ReadAll(file), "To: (delete)\r\nSubject: (cancelled)");
    ASSERT_EQ(windows_->editors.size(), 1u);
    ASSERT_FALSE(windows_->editorFields.empty());
    EXPECT_EQ(windows_->editorFields.front().first, host::kFieldTo);
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[1].rfind("Message copied - please check \"Attachments\" and \"Special\" settings", 0), 0u)
        << user.boxes[1];
}

TEST_F(Encode, AFailedWriteLeavesTheMessageAsItWas) {
    const std::string file = Path("locked.PM$");
    const std::string original = MixedMessage(1, Attachment());
    Write(file, original);
    // Another program holds the file open without letting it be renamed or
    // deleted: the message can be read, not replaced.
    HANDLE hold = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    User user;
    user.Box("&Send").Box("OK").Start();
    const int result = Call(encryptFileEx, file, "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    CloseHandle(hold);
    EXPECT_EQ(result, 0);
    ASSERT_GE(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("Error writing data!\r\n\r\nDelete message and copy data", 0), 0u) << user.boxes[0];
    EXPECT_EQ(ReadAll(file), original) << "the message is neither wiped nor half-written";
    EXPECT_EQ(windows_->StatusLines(0).back(), "Encrypting cancelled");
    EXPECT_EQ(GetFileAttributesA((file + ".orvnew").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing left beside it";
}

TEST_F(Encode, AMissingMessageFileIsReported) {
    User user;
    user.Box("OK").Start();
    const int result = Call(encryptFileEx, Path("missing.PM$"), "", "bob@example.org");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0], "File not found!");
}

// The about box as the client shows it through ShowAbout, with a key
// server on loopback that records what it is asked.
class AboutBox : public EncryptorTest {
protected:
    static void SetUpTestSuite() {
        server_ = new FakeHttpServer([](const std::string&) {
            return std::string("HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nNo keys found\r\n");
        });
        appData_ = new PrivateAppData;
        EncryptorTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        EncryptorTest::TearDownTestSuite();
        delete appData_;
        delete server_;
    }
    void SetUp() override {
        EncryptorTest::SetUp();
        appData_->WritePrefs("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                             engine_->SecretRing() + "\"\r\nKeyServerList1=2,0,0,\"127.0.0.1\"," +
                             std::to_string(server_->Port()) + ",0,1,0\r\n");
    }
    // Moves the mouse onto the middle of the link's text and clicks it; a
    // box without that link is closed, so that the test goes on.
    static void ClickLink(HWND box, const std::string& text) {
        HWND link = nullptr;
        // The box may show before its links are laid out.
        PumpUntil([&] { return (link = FindChild(box, "", text)) != nullptr; }, 2000);
        if (!link) {
            ADD_FAILURE() << "no link " << text;
            PostKey(box, VK_ESCAPE);
            return;
        }
        RECT client;
        GetClientRect(link, &client);
        PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, 5));
        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 5));
    }
    static inline FakeHttpServer* server_ = nullptr;
    static inline PrivateAppData* appData_ = nullptr;
};

TEST_F(AboutBox, TheMailLinkFillsTheNewEditorTheClientOpened) {
    auto showAbout = Bind<int(WINAPI*)()>("ShowAbout");
    ASSERT_NE(showAbout, nullptr);
    const ui::AuthorContact contact;
    ModalScript script;
    script.Expect("TfrmInfoBox", "", [&](HWND box) { ClickLink(box, contact.email); });
    script.Start();
    EXPECT_EQ(showAbout() & 0xFF, 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    // The last field comes posted.
    PumpUntil([&] { return windows_->editorFields.size() >= 4; }, 1000);
    ASSERT_EQ(windows_->editors.size(), 1u) << "the client was asked for a new editor";
    std::vector<WPARAM> fields;
    for (const auto& f : windows_->editorFields) fields.push_back(f.first);
    EXPECT_EQ(fields, (std::vector<WPARAM>{host::kFieldTo, host::kFieldSubject, host::kFieldBody, host::kFieldReady}));
    ASSERT_EQ(windows_->editorFields.size(), 4u);
    EXPECT_EQ(windows_->editorFields[0].second, contact.email);
    EXPECT_EQ(windows_->editorFields[1].second.rfind("kvsec Version ", 0), 0u) << windows_->editorFields[1].second;
    EXPECT_EQ(windows_->editorFields[2].second.rfind("PGP ", 0), 0u) << windows_->editorFields[2].second;
    EXPECT_NE(windows_->editorFields[2].second.find("\r\nWin "), std::string::npos);
}

}  // namespace
