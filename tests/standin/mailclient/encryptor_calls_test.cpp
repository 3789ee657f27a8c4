// The stand-in calls the encryptor interface as the client does: entry
// points bound by name, the 44-byte request, the host window the module
// reports to, and the host's reaction to every result code.
#include <algorithm>
#include <cstring>

#include "base/path_field.h"
#include "standin/mailclient/editor.h"
#include "tests/standin/mailclient/host_fixture.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;
namespace host = orv::host;
using orv::mailclient::CryptOp;
using orv::mailclient::Extension;

class EncryptorCalls : public HostFixture {
protected:
    void SetUp() override {
        SetUpHost("encryptor_calls");
        encLog = mctest::FreshEncryptorLog(dir);
        SetEnvironmentVariableA("ORV_TEST_STOP_SEND", nullptr);
        ext = host->LoadExtension(mctest::BinDir() + "test_encryptor.dll");
        ASSERT_NE(ext, nullptr);
    }
    std::string Message(const std::string& name, const std::string& text) {
        std::string path = dir + name;
        EXPECT_TRUE(mctest::WriteAll(path, text));
        return path;
    }
    std::vector<std::string> EncLog() { return mctest::Lines(encLog); }

    // The editor's field that follows the label.
    static HWND Field(HWND editor, const char* label) {
        return GetWindow(FindChild(editor, "Static", label), GW_HWNDNEXT);
    }
    // The user ticks "Encrypt..." and chooses this encryptor in the dialog,
    // signing too when asked.
    static void ChooseThisEncryptor(HWND editor, bool sign, ModalScript& script) {
        script.Expect("#32770", "Encryption", [sign](HWND dlg) {
            HWND combo = FindChild(dlg, "ComboBox", "");
            SendMessageA(combo, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(host::kEncryptorEntry));
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
            if (sign) ClickButton(dlg, "Sign the message");
            ClickButton(dlg, "OK");
        });
        script.Start();
        PostMessageA(FindChild(editor, "Button", StripMnemonic(host::kCheckEncrypt)), BM_CLICK, 0, 0);
        mctest::PumpFor(100);
    }

    std::string encLog;
    Extension* ext = nullptr;
};

TEST_F(EncryptorCalls, BindsEntryPointsByNameAndReportsMissingOnes) {
    EXPECT_TRUE(ext->Missing().empty());
    EXPECT_TRUE(ext->formInit && ext->encryptFileEx && ext->signFileEx && ext->decryptFileEx && ext->verifySignature &&
                ext->keyManagement && ext->destroyFile);

    Extension* partial = host->LoadExtension(mctest::BinDir() + "partial_encryptor.dll");
    ASSERT_NE(partial, nullptr);
    std::vector<std::string> expected = {"ENCRYPT_FILE_EX", "SIGN_FILE_EX", "VERIFY_SIGNATURE", "KEY_MANAGEMENT",
                                         "DESTROY_FILE"};
    EXPECT_EQ(partial->Missing(), expected);
    EXPECT_TRUE(mctest::HasLine(log, "missing KEY_MANAGEMENT"));
    std::string file = Message("partial.pm$", "To: bob@example.org\r\n\r\nbody\r\n");
    auto missing = host->RunCrypt(*partial, CryptOp::Encrypt, file, "", "bob@example.org");
    EXPECT_FALSE(missing.called);
    EXPECT_EQ(missing.reaction, "missing ENCRYPT_FILE_EX");
    // What the module has still works.
    auto decoded = host->RunCrypt(*partial, CryptOp::Decrypt, file, dir + "partial.out", "");
    EXPECT_TRUE(decoded.called);
    EXPECT_EQ(decoded.result, host::kDecodeWritten);

    EXPECT_EQ(host->LoadExtension(dir + "NoSuch.dll"), nullptr);
    EXPECT_NE(mctest::LineStarting(log, "error cannot load " + dir + "NoSuch.dll"), "");
}

TEST_F(EncryptorCalls, HandsTheRequestRecordAndAnswersTheModule) {
    EXPECT_EQ(host->AttachEncryptor(*ext), 0);  // an empty form parameter starts no form
    EXPECT_TRUE(mctest::HasLine(EncLog(), "FORMINIT version=256 mode=0 param= host=window"));
    host->hostWord = 1234;
    std::string file = Message("out1.pm$", "To: bob@example.org\r\nSubject: Hi\r\n\r\nSecret text\r\n");
    auto r = host->RunCrypt(*ext, CryptOp::Encrypt, file, "", "bob@example.org, carol@example.org");
    EXPECT_TRUE(r.called);
    EXPECT_EQ(r.result, host::kEncodeDone);
    EXPECT_EQ(r.reaction, "encoded");
    auto lines = EncLog();
    // Read by the module at offsets 8, 16, 20 and 24 of the record.
    EXPECT_TRUE(mctest::HasLine(lines, "ENCRYPT_FILE_EX hostword=1234 message=" + file +
                                           " output=(null) recipients=bob@example.org, carol@example.org reserved=zero"));
    EXPECT_TRUE(mctest::HasLine(lines, "mailbox=" + dir + "mail\\"));
    EXPECT_TRUE(mctest::HasLine(lines, "programdir=" + mctest::BinDir()));
    EXPECT_TRUE(mctest::HasLine(lines, "setting80=1"));
    EXPECT_TRUE(mctest::HasLine(lines, "charset=ISO-8859-1"));
    // The module's status lines reached the host window it was given.
    auto& status = host->StatusLines();
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0].text, "Encrypting ...");
    EXPECT_EQ(status[1].text, "Encrypting finished");
    EXPECT_EQ(status[1].kind, host::kStatusProgress);
    EXPECT_NE(mctest::ReadAll(file).find("-----BEGIN PGP MESSAGE-----"), std::string::npos);
    EXPECT_TRUE(mctest::HasLine(log, "result 1"));
    EXPECT_TRUE(mctest::HasLine(log, "reaction encoded"));
}

TEST_F(EncryptorCalls, ReactsToEachResultCode) {
    host->AttachEncryptor(*ext);
    struct Row {
        CryptOp op;
        const char* text;
        bool withOutput;
        int result;
        const char* reaction;
    } rows[] = {
        {CryptOp::Encrypt, "Result: 0\r\nTo: bob@example.org\r\n\r\nx\r\n", false, 0, "send as it is"},
        {CryptOp::Sign, "Result: 1\r\nTo: bob@example.org\r\n\r\nx\r\n", false, 1, "encoded"},
        {CryptOp::Encrypt, "Result: 7\r\n\r\nx\r\n", false, 7, "unknown result, not sent"},
        {CryptOp::Encrypt, "Result: 2\r\n\r\nx\r\n", true, 2, "copied to "},
        {CryptOp::Decrypt, "Result: 2\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n", true, 2, "show "},
        {CryptOp::Decrypt, "Result: 0\r\n\r\nplain\r\n", true, 0, "show the message as it is"},
        {CryptOp::Verify, "Result: 1\r\n\r\nsigned\r\n", false, 1, "good signature"},
        {CryptOp::Verify, "Result: 0\r\n\r\nsigned\r\n", false, 0, "bad signature"},
        {CryptOp::Verify, "Result: -1\r\n\r\nplain\r\n", false, -1, "no signature checked"},
        {CryptOp::Keys, "-----BEGIN PGP PUBLIC KEY BLOCK-----\r\n", false, 1, "keys imported"},
        {CryptOp::Keys, "no key here\r\n", false, 0, "no keys imported"},
        {CryptOp::Destroy, "to be wiped\r\n", false, 1, "file destroyed"},
    };
    int n = 0;
    for (const Row& row : rows) {
        std::string file = Message("row" + std::to_string(++n) + ".pm$", row.text);
        std::string output = row.withOutput ? dir + "row" + std::to_string(n) + ".out" : "";
        auto r = host->RunCrypt(*ext, row.op, file, output, "bob@example.org");
        SCOPED_TRACE(row.text);
        EXPECT_TRUE(r.called);
        EXPECT_EQ(r.result, row.result);
        EXPECT_EQ(r.reaction.compare(0, std::strlen(row.reaction), row.reaction), 0) << r.reaction;
        if (row.op == CryptOp::Decrypt && row.result == 2) {
            EXPECT_EQ(r.reaction, "show " + output);
            EXPECT_EQ(mctest::ReadAll(output).compare(0, 10, "decoded:\r\n"), 0);
            EXPECT_EQ(host->StatusLines().back().kind, host::kStatusSignature);
        }
        if (row.op == CryptOp::Verify && row.result == 1) {
            EXPECT_EQ(r.verifyText, "Good signature from tester");
        }
        if (row.op == CryptOp::Destroy) {
            EXPECT_FALSE(mctest::Exists(file));
        }
    }
    auto gone = host->RunCrypt(*ext, CryptOp::Destroy, dir + "never-there.txt", "", "");
    EXPECT_EQ(gone.result, 0);
    EXPECT_EQ(gone.reaction, "file not destroyed");
    auto clip = host->RunCrypt(*ext, CryptOp::Keys, host::kClipboardSource, "", "");
    EXPECT_EQ(clip.result, 1);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "KEY_MANAGEMENT :CLIP:"));
}

TEST_F(EncryptorCalls, MovedMessageArrivesInANewEditor) {
    host->AttachEncryptor(*ext);
    std::string file = Message("moved.pm$", "Result: -2\r\nTo: bob@example.org\r\nSubject: Plans\r\n\r\nx\r\n");
    auto r = host->RunCrypt(*ext, CryptOp::Encrypt, file, "", "bob@example.org");
    EXPECT_EQ(r.result, host::kEncodeMovedToEditor);
    EXPECT_EQ(r.reaction, "moved to a new editor, not sent");
    mctest::PumpFor(100);
    auto editors = host->Editors();
    ASSERT_EQ(editors.size(), 1u);
    auto c = orv::mailclient::ReadEditor(editors[0]);
    EXPECT_EQ(c.to, "bob@example.org");
    EXPECT_EQ(c.subject, "Plans");
    ASSERT_EQ(c.attachments.size(), 1u);
    EXPECT_EQ(c.attachments[0], "C:\\report.txt");
    EXPECT_TRUE(c.urgent);
    EXPECT_NE(mctest::ReadAll(file).find(host::kDeleteMarkerTo), std::string::npos);
    SaveScreenshot(host->Frame(), ShotPath("mailclient_moved_message.png"));
}

TEST_F(EncryptorCalls, FormRecordStartsAFormInItsOwnHostWindow) {
    host::FormRecord record{};
    // A checkout deep in the file system gives the library's short path.
    ASSERT_TRUE(orv::CopyToField(record.LibraryPath, sizeof record.LibraryPath,
                                 orv::PathForField(mctest::BinDir() + "test_encryptor.dll", sizeof record.LibraryPath)));
    std::strcpy(record.FormName, "TEST");
    std::strcpy(record.Title, "Orvane");
    record.RecordKind = host::kFormRecordKind;
    HWND form = reinterpret_cast<HWND>(Ask(host::kHostOpenForm, 0, reinterpret_cast<LPARAM>(&record)));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(ClassOf(form), "ORVTESTFORM");
    EXPECT_EQ(GetText(GetParent(form)), "Orvane");
    EXPECT_EQ(host->Extensions().size(), 1u);  // the loaded library is used again
    mctest::PumpFor(100);
    host->NewEditor();
    auto lines = EncLog();
    EXPECT_TRUE(mctest::HasLine(lines, "FORMINIT version=256 mode=0 param=TEST host=window"));
    EXPECT_TRUE(mctest::HasLine(lines, "command 0 1036"));  // the start notification
    EXPECT_TRUE(mctest::HasLine(lines, "notify 25 kind=1 parent=EDMAIL"));
    ASSERT_TRUE(orv::CopyToField(record.LibraryPath, sizeof record.LibraryPath, dir + "Missing.dll"));
    EXPECT_EQ(Ask(host::kHostOpenForm, 0, reinterpret_cast<LPARAM>(&record)), 0);
}

TEST_F(EncryptorCalls, SendFromEditorRunsSendCheckFileAndEncryptor) {
    ASSERT_NE(host->OpenForm(*ext, "TEST"), nullptr);
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    SetText(Field(editor, host::kLabelTo), "bob@example.org");
    SetText(Field(editor, host::kLabelSubject), "Secret plans");
    SetText(Field(editor, "Message:"), "Meet at noon.");
    // The encryption dialog: this encryptor, encrypted and signed.
    ModalScript script;
    ChooseThisEncryptor(editor, true, script);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    mctest::PumpFor(50);
    const auto* choice = host->EncryptionChoiceOf(editor);
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->encryptor, host::kEncryptorEntry);
    EXPECT_TRUE(choice->encrypt && choice->sign);
    EXPECT_NE(mctest::LineStarting(EncLog(), "notify 25 kind=4"), "");
    ASSERT_TRUE(mctest::ClickStatic(editor, host::kSendLabel));
    mctest::PumpFor(200);

    auto lines = EncLog();
    EXPECT_TRUE(mctest::HasLine(lines, "sendcheck go"));
    EXPECT_NE(mctest::LineStarting(lines, "notify 28 " + dir + "mail\\MSG"), "");
    EXPECT_TRUE(mctest::HasLine(lines, "message-to=bob@example.org"));
    EXPECT_TRUE(mctest::HasLine(lines, "message-encryptor=ORVPGP-PM32, 5"));
    EXPECT_FALSE(IsWindow(editor));
    std::string sentLine = mctest::LineStarting(log, "sent ");
    ASSERT_NE(sentLine, "");
    EXPECT_NE(mctest::ReadAll(sentLine.substr(5)).find("-----BEGIN PGP MESSAGE-----"), std::string::npos);

    // A form that answers the send check with the stop value holds the send.
    SetEnvironmentVariableA("ORV_TEST_STOP_SEND", "1");
    HWND second = host->NewEditor();
    SetText(GetWindow(FindChild(second, "Static", host::kLabelTo), GW_HWNDNEXT), "carol@example.org");
    log.clear();
    ASSERT_TRUE(mctest::ClickStatic(second, host::kSendLabel));
    mctest::PumpFor(200);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "sendcheck stop"));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_TRUE(mctest::HasLine(log, "send stopped by a form"));
    EXPECT_EQ(mctest::LineStarting(log, "sent "), "");
    SetEnvironmentVariableA("ORV_TEST_STOP_SEND", nullptr);
}

TEST_F(EncryptorCalls, AnEncodedSendLeavesAsOneCopyPerRecipient) {
    ASSERT_NE(host->OpenForm(*ext, "TEST"), nullptr);
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    SetText(Field(editor, host::kLabelTo), "bob@example.org, \"Peer, Carol\" <carol@example.org>,");
    SetText(Field(editor, host::kLabelCc), " dave@example.org ");
    SetText(Field(editor, "Message:"), "Meet at noon.");
    ModalScript script;
    ChooseThisEncryptor(editor, false, script);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_TRUE(mctest::ClickStatic(editor, host::kSendLabel));
    mctest::PumpFor(200);

    // Each recipient's copy is its own file, encoded for that recipient
    // alone, in the order of the fields; every copy leaves.
    std::vector<std::string> calls;
    for (const std::string& line : EncLog()) {
        const size_t at = line.find(" recipients=");
        if (line.rfind("ENCRYPT_FILE_EX ", 0) == 0 && at != std::string::npos)
            calls.push_back(line.substr(at + 12, line.find(" reserved=") - at - 12));
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"bob@example.org", "\"Peer, Carol\" <carol@example.org>",
                                                "dave@example.org"}));
    int sent = 0;
    std::vector<std::string> files;
    for (const std::string& line : log)
        if (line.rfind("sent ", 0) == 0) {
            ++sent;
            files.push_back(line.substr(5));
        }
    EXPECT_EQ(sent, 3);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::unique(files.begin(), files.end()), files.end()) << "two copies in one file";
    EXPECT_FALSE(IsWindow(editor));
}

TEST_F(EncryptorCalls, CancelledEncryptionDialogClearsTheBox) {
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    HWND box = FindChild(editor, "Button", StripMnemonic(host::kCheckEncrypt));
    ModalScript script;
    script.Expect("#32770", "Encryption",
                  ScreenshotThen(ShotPath("mailclient_encryption_dialog.png"), PressButton("Cancel")));
    script.Start();
    PostMessageA(box, BM_CLICK, 0, 0);
    mctest::PumpFor(100);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    mctest::PumpFor(50);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(host->EncryptionChoiceOf(editor), nullptr);
    auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 1u);
    // The entries and boxes the automation plug-in works with.
    bool encrypt = false, sign = false, ok = false;
    for (const auto& b : seen[0].buttons) {
        encrypt = encrypt || b.find("Encrypt") != std::string::npos;
        sign = sign || b.find("Sign") != std::string::npos;
        ok = ok || b == "OK";
    }
    EXPECT_TRUE(encrypt && sign && ok);
}

TEST_F(EncryptorCalls, DecodedMessageOpensInAReader) {
    ASSERT_NE(host->OpenForm(*ext, "TEST"), nullptr);
    host->showReaders = true;
    std::string file = Message("in.pm$", "Result: 2\r\nFrom: bob@example.org\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n");
    auto r = host->RunCrypt(*ext, CryptOp::Decrypt, file, file + ".out", "");
    EXPECT_EQ(r.result, host::kDecodeWritten);
    mctest::PumpFor(100);
    HWND reader = FindChild(host->MdiClient(), host::kReaderMdiClass, "");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(GetText(reader), file + ".out");
    HWND pane = FindChild(reader, host::kReaderDialogClass, "");
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(GetText(FindChild(pane, host::kEditorControlClass, "")).compare(0, 10, "decoded:\r\n"), 0);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 25 kind=5 parent=WPMMDI"));
    SaveScreenshot(host->Frame(), ShotPath("mailclient_reader.png"));
}
