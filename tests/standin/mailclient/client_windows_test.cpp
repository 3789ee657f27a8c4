// The client's frame, forms, keys, folders, readers and address books as the
// automation plug-in and the main library meet them: frame commands and the
// commands relayed to forms, the forms notifications, host form windows,
// form-definition files, the send keys in any message loop, folder files
// held open while shown, readers that decode PGP mail, address books of the
// three directories and the language file the client holds open.
#include <cstring>

#include "base/path_field.h"
#include "standin/mailclient/editor.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/mail_files.h"
#include "tests/standin/mailclient/host_fixture.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;
// The stand-in's own statement of the interface (compared with the
// product's in host_declarations_test.cpp).
namespace host = orv::mailclient::host;
namespace mc = orv::mailclient;

namespace {

HWND FieldAfter(HWND wnd, const char* label) { return GetWindow(FindChild(wnd, "Static", label), GW_HWNDNEXT); }

void FrameCommand(HWND frame, WORD id) { SendMessageA(frame, WM_COMMAND, id, 0); }

std::string Message(const std::string& subject, const std::string& body, const std::string& extraHeader = "") {
    return "From: bob@example.org\r\nTo: alice@home.example\r\nSubject: " + subject + "\r\n" + extraHeader + "\r\n" +
           body;
}

bool CanRead(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

}  // namespace

class ClientWindows : public HostFixture {
protected:
    void SetUp() override {
        SetUpHost("client_windows");
        encLog = mctest::FreshEncryptorLog(dir);
        for (const char* v : {"ORV_TEST_STOP_SEND", "ORV_TEST_HOLD_EXIT"}) SetEnvironmentVariableA(v, nullptr);
        ext = host->LoadExtension(mctest::BinDir() + "test_encryptor.dll");
        ASSERT_NE(ext, nullptr);
        mailbox = dir + "mail\\";
    }
    std::vector<std::string> EncLog() { return mctest::Lines(encLog); }
    void WriteInbox() {
        mc::Folder inbox;
        inbox.name = "Inbox";
        inbox.messages = {Message("Plain note", "Hello Alice.\r\n"),
                          Message("Secret", "-----BEGIN PGP MESSAGE-----\r\nhQEMA\r\n-----END PGP MESSAGE-----\r\n",
                                  "Result: 2\r\n"),
                          Message("Third", "Last one.\r\n")};
        ASSERT_TRUE(mc::WriteOwnedFile(mailbox + "INBOX.PMM", mc::FolderText(inbox)));
    }

    std::string encLog, mailbox;
    mc::Extension* ext = nullptr;
};

TEST_F(ClientWindows, MenuCommandsReachTheFormsAndTheFrameActs) {
    HWND form = host->OpenForm(*ext, "TEST", "Orvane");
    ASSERT_NE(form, nullptr);
    mctest::PumpFor(50);
    // Notification 19 names the host form window, captioned with the title.
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 19 class=WPMFORMHOST caption=Orvane"));
    for (WORD id : {host::kCmdCopy, host::kCmdFind, host::kCmdFindNext, host::kCmdSave})
        FrameCommand(host->Frame(), id);
    auto lines = EncLog();
    for (const char* relayed : {"command 133 0", "command 146 0", "command 147 0", "command 230 0"})
        EXPECT_TRUE(mctest::HasLine(lines, relayed)) << relayed;

    FrameCommand(host->Frame(), host::kCmdOpenFolderManager);
    HWND folman = FindChild(host->MdiClient(), host::kFolderManagerClass, "");
    ASSERT_NE(folman, nullptr);
    HWND pane = FindChild(folman, host::kFolderDialogClass, "");
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(ClassOf(GetDlgItem(pane, 201)), "Button");
    EXPECT_EQ(ClassOf(GetDlgItem(pane, 202)), "ListBox");
    EXPECT_NE(FindChild(pane, host::kEditorControlClass, ""), nullptr);

    HMENU bar = GetMenu(host->Frame());
    FrameCommand(host->Frame(), host::kCommandRawView);
    EXPECT_TRUE(GetMenuState(bar, host::kCommandRawView, MF_BYCOMMAND) & MF_CHECKED);
    FrameCommand(host->Frame(), host::kCommandRawView);
    EXPECT_FALSE(GetMenuState(bar, host::kCommandRawView, MF_BYCOMMAND) & MF_CHECKED);

    // 111 closes the window the user works in.
    HWND editor = host->NewEditor();
    FrameCommand(host->Frame(), host::kCmdCloseForm);
    mctest::PumpFor(50);
    EXPECT_FALSE(IsWindow(editor));
    FrameCommand(host->Frame(), host::kCmdExitCancel);
    EXPECT_TRUE(mctest::HasLine(log, "exit cancelled"));
    EXPECT_TRUE(IsWindow(host->Frame()));
}

TEST_F(ClientWindows, ExitAsksTheFormsWhichMayHoldItUntil211) {
    ASSERT_NE(host->OpenForm(*ext, "TEST", "Orvane"), nullptr);
    SetEnvironmentVariableA("ORV_TEST_HOLD_EXIT", "1");
    FrameCommand(host->Frame(), host::kCmdExit);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 15 hold"));
    EXPECT_TRUE(mctest::HasLine(log, "exit held by a form"));
    ASSERT_TRUE(IsWindow(host->Frame()));
    // The form closes the client itself once its work is done.
    HWND frame = host->Frame();
    PostMessageA(frame, WM_COMMAND, host::kCmdExitCheck, 0);
    mctest::PumpFor(100);
    EXPECT_FALSE(IsWindow(frame));
    SetEnvironmentVariableA("ORV_TEST_HOLD_EXIT", nullptr);
    // Before the library goes, the forms still there hear of it (16).
    std::string path = ext->Path();
    host.reset();
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 16 " + path));
}

TEST_F(ClientWindows, HostFormWindowPassesFormsMessagesAndGoesWithItsForm) {
    host::FormRecord record{};
    // A checkout deep in the file system gives the library's short path.
    ASSERT_TRUE(orv::CopyToField(record.LibraryPath, sizeof record.LibraryPath,
                                 orv::PathForField(mctest::BinDir() + "test_encryptor.dll", sizeof record.LibraryPath)));
    std::strcpy(record.FormName, "UTILS");
    std::strcpy(record.Title, "Orvane");
    record.RecordKind = host::kFormRecordKind;
    HWND form = reinterpret_cast<HWND>(Ask(host::kHostOpenForm, 0, reinterpret_cast<LPARAM>(&record)));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(ClassOf(form), "ORVTESTFORM");  // the form's own window
    HWND formHostWnd = GetParent(form);
    EXPECT_EQ(GetText(formHostWnd), "Orvane");
    SendMessageA(formHostWnd, host::kFormMsgCommand, 7, host::kCommandForce);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "command 7 1025"));
    // Releasing the form closes its window; its host window goes with it.
    SendMessageA(form, WM_CLOSE, 0, 0);
    mctest::PumpFor(500);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_FALSE(IsWindow(formHostWnd));
}

TEST_F(ClientWindows, FormFilesLoadExtensionsSideBySideAndStartTheirForms) {
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Auto.fff", "Form name = Automation\r\nForm DLL = \"" + mctest::BinDir() +
                                                           "partial_encryptor.dll\"\r\nBitmap file = auto.bmp\r\n"
                                                           "Form data = EDIT\r\nForm flags = 1\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Crypt.fff",
                                 "Form name = Encryptor\r\nForm DLL = \"" + mctest::BinDir() + "test_encryptor.dll\"\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Broken.fff", "Form name = nothing to load\r\n"));
    host->LoadFormFiles();
    host->StartForms();
    mctest::PumpFor(50);
    ASSERT_EQ(host->Extensions().size(), 2u);  // test_encryptor.dll is loaded once
    EXPECT_TRUE(mctest::HasLine(EncLog(), "FORMINIT version=256 mode=0 param=EDIT host=window"));
    EXPECT_TRUE(mctest::HasLine(log, "form file " + mailbox + "Crypt.fff"));
    // The startup form hears of an editor; the encryptor runs on the send.
    HWND editor = host->NewEditor();
    mctest::PumpFor(50);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 25 kind=1 parent=EDMAIL"));
    SetText(FieldAfter(editor, host::kLabelTo), "bob@example.org");
    SendMessageA(FindChild(editor, "Button", StripMnemonic(host::kCheckEncrypt)), BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(host->SendFromEditor(editor));
    EXPECT_NE(mctest::LineStarting(EncLog(), "ENCRYPT_FILE_EX"), "");
}

TEST_F(ClientWindows, SendAndFieldKeysWorkInAnyMessageLoop) {
    HWND editor = host->NewEditor();
    SetText(FieldAfter(editor, host::kLabelTo), "bob@example.org");
    SetText(FieldAfter(editor, host::kLabelSubject), "By keys");
    HWND body = FieldAfter(editor, "Message:");
    SetForegroundWindow(host->Frame());
    SetFocus(FieldAfter(editor, host::kLabelTo));
    mctest::PumpFor(50);
    // F9 moves to the message text, F8 back to the address fields.
    SendKeyInput(VK_F9);
    mctest::PumpFor(100);
    EXPECT_TRUE(GetFocus() == body || IsChild(body, GetFocus()));
    SendKeyInput(VK_F8);
    mctest::PumpFor(100);
    EXPECT_EQ(GetFocus(), FieldAfter(editor, host::kLabelTo));
    // Control+Enter sends, here in the test's own loop.
    SendKeyInput(VK_RETURN, true);
    mctest::PumpFor(300);
    EXPECT_FALSE(IsWindow(editor));
    std::string sent = mctest::LineStarting(log, "sent ");
    ASSERT_NE(sent, "");
    EXPECT_NE(mctest::ReadAll(sent.substr(5)).find("Subject: By keys"), std::string::npos);
}

TEST_F(ClientWindows, FolderHeldOpenWhileShownAndReadersDecodePgpMail) {
    WriteInbox();
    ASSERT_NE(host->OpenForm(*ext, "TEST", "Orvane"), nullptr);
    HWND folman = host->OpenFolderManager();
    ASSERT_TRUE(host->ShowFolder("INBOX.PMM"));
    HWND pane = FindChild(folman, host::kFolderDialogClass, "");
    EXPECT_EQ(SendMessageA(GetDlgItem(pane, 202), LB_GETCOUNT, 0, 0), 3);
    // Shown, the folder cannot be read by anyone else.
    EXPECT_FALSE(CanRead(mailbox + "INBOX.PMM"));
    ASSERT_TRUE(host->SelectFolderMessage(1));
    EXPECT_NE(GetText(FindChild(pane, host::kEditorControlClass, "")).find("Subject: Secret\r\n"), std::string::npos);

    // "Open" on the PGP message: the decryptor's output is shown.
    FrameCommand(host->Frame(), host::kCmdFolderOpen201);
    mctest::PumpFor(100);
    HWND reader = host->ActiveReader();
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(ClassOf(reader), host::kReaderMdiClass);
    HWND dialog = FindChild(reader, host::kReaderDialogClass, "");
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(FindChild(dialog, host::kHeaderControlClass, ""), nullptr);
    EXPECT_NE(FindChild(dialog, host::kToolbarStripClass, ""), nullptr);
    EXPECT_NE(mctest::LineStarting(EncLog(), "DECRYPT_FILE_EX"), "");
    EXPECT_EQ(GetText(FindChild(dialog, host::kEditorControlClass, "")).compare(0, 10, "decoded:\r\n"), 0);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 25 kind=5 parent=WPMMDI"));

    // Verify and take keys act on the active reader's message.
    FrameCommand(host->Frame(), host::kCmdVerify);
    FrameCommand(host->Frame(), host::kCmdAddKey);
    auto lines = EncLog();
    EXPECT_NE(mctest::LineStarting(lines, "VERIFY_SIGNATURE"), "");
    EXPECT_NE(mctest::LineStarting(lines, "KEY_MANAGEMENT"), "");
    ASSERT_FALSE(host->StatusLines().empty());
    EXPECT_EQ(host->StatusLines().back().kind, host::kStatusSignature);

    // Next message in the same reader; raw view shows the stored message.
    FrameCommand(host->Frame(), host::kCmdReaderNext);
    EXPECT_EQ(GetText(reader), "Inbox - message 3");
    HWND body = FindChild(dialog, host::kEditorControlClass, "");
    EXPECT_EQ(GetText(body), "Last one.\r\n");
    FrameCommand(host->Frame(), host::kCommandRawView);
    EXPECT_EQ(GetText(body).compare(0, 22, "From: bob@example.org\r"), 0);
    FrameCommand(host->Frame(), host::kCommandRawView);
    // The header control hidden: the reader dialog hears of it.
    MSG pending;
    while (PeekMessageA(&pending, dialog, host::kReaderState, host::kReaderState, PM_REMOVE)) {
    }
    SendMessageA(dialog, WM_COMMAND, mc::kCmdReaderHeaders, 0);
    ASSERT_TRUE(PeekMessageA(&pending, dialog, host::kReaderState, host::kReaderState, PM_REMOVE));
    EXPECT_EQ(pending.wParam, host::kReaderHeaderChanged);
    EXPECT_TRUE(pending.lParam & 0x10);
    EXPECT_FALSE(IsWindowVisible(FindChild(dialog, host::kHeaderControlClass, "")));
    EXPECT_EQ(GetText(body).compare(0, 22, "From: bob@example.org\r"), 0);

    SendMessageA(host->MdiClient(), WM_MDITILE, MDITILE_HORIZONTAL, 0);
    host->NewEditor();
    SendMessageA(host->MdiClient(), WM_MDITILE, MDITILE_VERTICAL, 0);
    mctest::PumpFor(100);
    SaveScreenshot(host->Frame(), ShotPath("mailclient_frame_editor_reader_folders.png"));
    SendMessageA(host->MdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(folman), 0);
    EXPECT_TRUE(CanRead(mailbox + "INBOX.PMM"));
}

TEST_F(ClientWindows, SentMessagesAreFiledInTheOutboxAndFolderChoiceAnswers) {
    WriteInbox();
    HWND editor = host->NewEditor();
    SetText(FieldAfter(editor, host::kLabelTo), "carol@example.org");
    SetText(FieldAfter(editor, host::kLabelSubject), "Filed");
    SetText(FieldAfter(editor, "Message:"), "Kept in the outbox.");
    host->OpenFolderManager();
    ASSERT_TRUE(host->ShowFolder("OUTBOX.PMM") == false);  // none yet
    ASSERT_TRUE(host->SendFromEditor(editor));
    std::string text;
    ASSERT_TRUE(mc::ReadFileText(host->OutboxFolder(), &text));
    mc::Folder outbox;
    ASSERT_TRUE(mc::ParseFolder(text, &outbox));
    EXPECT_EQ(outbox.name, "Outbox");
    ASSERT_EQ(outbox.messages.size(), 1u);
    EXPECT_NE(outbox.messages[0].find("To: carol@example.org\r\n"), std::string::npos);
    // Shown and held, the outbox still takes the next message.
    ASSERT_TRUE(host->ShowFolder("OUTBOX.PMM"));
    HWND second = host->NewEditor();
    SetText(FieldAfter(second, host::kLabelTo), "dave@example.org");
    ASSERT_TRUE(host->SendFromEditor(second));
    EXPECT_EQ(SendMessageA(GetDlgItem(FindChild(host->FolderManager(), host::kFolderDialogClass, ""), 202), LB_GETCOUNT,
                           0, 0),
              2);

    host->folderChoice = "INBOX";
    host::FolderChoice choice;
    std::memset(&choice, 'x', sizeof choice);
    ASSERT_EQ(Ask(host::kHostChooseFolder, 0, reinterpret_cast<LPARAM>(&choice)), 1);
    EXPECT_STREQ(choice.FolderName, "INBOX");
    EXPECT_STREQ(choice.Title, "Inbox");
    // The user picks from the mailbox's folders.
    host->folderChoice.clear();
    ModalScript script;
    script.Expect("#32770", "Select a folder", [](HWND dlg) {
        SendMessageA(FindChild(dlg, "ListBox", ""), LB_SETCURSEL, 1, 0);
        ClickButton(dlg, "OK");
    });
    script.Start();
    ASSERT_EQ(Ask(host::kHostChooseFolder, 0, reinterpret_cast<LPARAM>(&choice)), 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_STREQ(choice.FolderName, "OUTBOX");
}

TEST_F(ClientWindows, FolderAndAddressBookFilesKeepTheirLayout) {
    mc::Folder folder;
    folder.name = "Archive";
    folder.messages = {"A\r\n", "", "C\r\n"};
    std::string text = mc::FolderText(folder);
    ASSERT_EQ(text.size(), 128u + 3 + 1 + 0 + 1 + 3);
    EXPECT_EQ(text.compare(0, 8, std::string("Archive\0", 8)), 0);
    EXPECT_EQ(text[131], 26);
    mc::Folder back;
    ASSERT_TRUE(mc::ParseFolder(text, &back));
    EXPECT_EQ(back.messages, folder.messages);
    EXPECT_FALSE(mc::ParseFolder(std::string(127, '\0'), &back));

    mc::AddressBook book;
    book.name = "Friends";
    book.entries = {{"J\xFCrgen \"J\"", "juergen@example.org"}, {"Bob", "bob@example.org"}};
    std::string pmr = mc::AddressBookText(book);
    ASSERT_EQ(pmr.size(), 128u + 2 * 458);
    EXPECT_EQ(pmr.compare(128 + 2, 3, "J\x81r"), 0);  // OEM code page 437 writes u-umlaut as 0x81
    EXPECT_EQ(pmr.compare(128 + 342, 19, "juergen@example.org"), 0);
    EXPECT_EQ(pmr.compare(128 + 458 + 2, 4, std::string("Bob\0", 4)), 0);
    mc::AddressBook read;
    ASSERT_TRUE(mc::ParseAddressBook(pmr + "short", &read));  // a partial record is not one
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].alias, "J\xFCrgen \"J\"");
    EXPECT_EQ(read.entries[1].address, "bob@example.org");
}

TEST(ClientFiles, AddressBooksOfTheThreeDirectoriesAndTheHeldLanguageFile) {
    std::string dir = mctest::ScratchDir("client_files");
    std::string program = dir + "program\\", mailbox = dir + "mail\\", global = dir + "global\\";
    for (const std::string& d : {program, mailbox, global}) CreateDirectoryA(d.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((mctest::BinDir() + "TER32.dll").c_str(), (program + "TER32.dll").c_str(), FALSE));
    auto book = [](const std::string& path, const std::string& name, const std::string& alias) {
        mc::AddressBook b;
        b.name = name;
        b.entries = {{alias, alias + "@example.org"}};
        ASSERT_TRUE(mctest::WriteAll(path, mc::AddressBookText(b)));
    };
    book(global + "GLOBAL.PMR", "Company", "carol");
    book(program + "SHARED.PMR", "Shared", "dave");
    book(mailbox + "MINE.PMR", "Mine", "erin");
    book(mailbox + "NONAME.PMR", "", "ignored");
    ASSERT_TRUE(WritePrivateProfileStringA("WinPMail 32-bit environment", "PMR", ("  " + global).c_str(),
                                           (program + "PEGASUS.INI").c_str()));
    mc::UserSetup user;
    user.userName = "alice";
    user.mailboxDir = mailbox;
    user.programDir = program;
    {
        mc::Host client(user);
        client.language = "de";
        ASSERT_TRUE(client.Create(false));
        EXPECT_EQ(client.GlobalAddressBookDir(), global);
        auto books = client.AddressBooks();
        ASSERT_EQ(books.size(), 3u);
        EXPECT_EQ(books[0].name, "Company");
        EXPECT_EQ(books[1].name, "Shared");
        EXPECT_EQ(books[2].name, "Mine");
        HWND window = client.OpenAddressBooks();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(ClassOf(window), host::kListWindowClass);
        HWND list = FindChild(window, "ListBox", "");
        EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
        // The running language's file is held: nobody else can read it.
        EXPECT_FALSE(CanRead(program + "WPM32de.dat"));
        EXPECT_TRUE(mctest::Exists(program + "WPM32de.dat"));
    }
    EXPECT_TRUE(CanRead(program + "WPM32de.dat"));
    // Without the PMR line, the environment names the global directory.
    ASSERT_TRUE(WritePrivateProfileStringA("WinPMail 32-bit environment", "PMR", nullptr, (program + "PEGASUS.INI").c_str()));
    SetEnvironmentVariableA("PMR", global.c_str());
    mc::Host client(user);
    ASSERT_TRUE(client.Create(false));
    EXPECT_EQ(client.GlobalAddressBookDir(), global);
    EXPECT_FALSE(CanRead(program + "WINPM-32.dat"));
    SetEnvironmentVariableA("PMR", nullptr);
    EXPECT_EQ(mc::Host(user).GlobalAddressBookDir(), "");
}

TEST_F(ClientWindows, ReaderLayoutsForwardWindowAndHostDialogs) {
    ASSERT_NE(host->OpenForm(*ext, "TEST", "Orvane"), nullptr);
    const std::string text = Message("Layouts", "Body text.\r\n");
    host->readerLayout = mc::ReaderLayout::Plain;
    HWND plain = host->OpenReader("Plain", text);
    EXPECT_EQ(ClassOf(plain), host::kReaderClass);
    HWND rdr = FindChild(plain, host::kReaderDialogClass2, "");
    ASSERT_NE(rdr, nullptr);
    EXPECT_EQ(FindChild(rdr, host::kHeaderControlClass, ""), nullptr);
    EXPECT_EQ(GetText(FindChild(rdr, host::kEditorControlClass, "")), text);  // headers in the text
    host->readerLayout = mc::ReaderLayout::PlainWithHeader;
    HWND withHeader = host->OpenReader("With header", text);
    HWND rdrc = FindChild(withHeader, host::kReaderDialogClass3, "");
    ASSERT_NE(rdrc, nullptr);
    EXPECT_NE(GetText(FindChild(rdrc, host::kHeaderControlClass, "")).find("Subject: Layouts"), std::string::npos);
    EXPECT_EQ(GetText(FindChild(rdrc, host::kEditorControlClass, "")), "Body text.\r\n");
    mctest::PumpFor(50);
    auto lines = EncLog();
    EXPECT_TRUE(mctest::HasLine(lines, "notify 25 kind=23 parent=READER"));

    // Forwarding: the "FWD" window comes first among the MDI windows.
    SendMessageA(rdrc, WM_COMMAND, mc::kCmdReaderForward, 0);
    HWND fwd = GetWindow(host->MdiClient(), GW_CHILD);
    ASSERT_EQ(ClassOf(fwd), host::kForwardClass);
    EXPECT_EQ(GetText(FindChild(fwd, "Edit", "(Fwd) Layouts")), "(Fwd) Layouts");
    SetText(GetDlgItem(fwd, mc::kIdForwardTo), "frank@example.org");
    ClickButton(fwd, "Forward");
    mctest::PumpFor(150);
    EXPECT_FALSE(IsWindow(fwd));
    std::string sent = mctest::LineStarting(log, "sent ");
    ASSERT_NE(sent, "");
    std::string forwarded = mctest::ReadAll(sent.substr(5));
    EXPECT_NE(forwarded.find("To: frank@example.org\r\nSubject: (Fwd) Layouts\r\n"), std::string::npos);
    EXPECT_NE(forwarded.find("Body text."), std::string::npos);
    EXPECT_NE(mctest::LineStarting(EncLog(), "notify 28 " + mailbox + "FWD"), "");

    // The mailbox directory dialog is announced as kind 18.
    ModalScript script;
    script.Expect("#32770", "Mailbox directory", [this](HWND dlg) {
        SetText(FindChild(dlg, "Edit", ""), dir + "moved");
        ClickButton(dlg, "OK");
    });
    script.Expect("#32770", "New user name", [](HWND dlg) {
        SetText(FindChild(dlg, "Edit", ""), "bob");
        ClickButton(dlg, "OK");
    });
    script.Start();
    FrameCommand(host->Frame(), mc::kCmdMailboxDir);
    FrameCommand(host->Frame(), host::kCmdUserName);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_NE(mctest::LineStarting(EncLog(), "notify 25 kind=18"), "");
    EXPECT_EQ(mc::ReadUserRegistryDefault(host::kRegMailbox), dir + "moved\\");
    EXPECT_EQ(host->User().mailboxDir, dir + "moved\\");
    EXPECT_EQ(mc::ReadUserRegistryDefault(host::kRegUsername), "bob");
}

TEST_F(ClientWindows, OpenEditorsAreKeptAsDraftsWhenTheClientExits) {
    ASSERT_NE(host->OpenForm(*ext, "TEST", "Orvane"), nullptr);
    HWND plain = host->NewEditor();
    SetText(FieldAfter(plain, host::kLabelTo), "bob@example.org");
    HWND rich = host->NewEditor();
    SendMessageA(FindChild(rich, "Button", host::kCheckRichText), BM_SETCHECK, BST_CHECKED, 0);
    SetEnvironmentVariableA("ORV_TEST_HOLD_EXIT", "1");
    PostMessageA(host->Frame(), WM_CLOSE, 0, 0);
    mctest::PumpFor(100);
    SetEnvironmentVariableA("ORV_TEST_HOLD_EXIT", nullptr);
    // Drafts are written before the forms are asked.
    WIN32_FIND_DATAA fd;
    std::vector<std::string> drafts;
    HANDLE h = FindFirstFileA((mailbox + host::kMessageFilePattern).c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do drafts.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    ASSERT_EQ(drafts.size(), 2u);
    int pmw = 0, pmx = 0;
    for (const auto& d : drafts) {
        pmw += d.size() > 4 && d.substr(d.size() - 4) == host::kDraftExt;
        pmx += d.size() > 4 && d.substr(d.size() - 4) == host::kDraftExt2;
    }
    EXPECT_EQ(pmw, 1);
    EXPECT_EQ(pmx, 1);
    EXPECT_TRUE(mctest::HasLine(EncLog(), "notify 15 hold"));
    EXPECT_TRUE(IsWindow(host->Frame()));
}

TEST_F(ClientWindows, MessageOnlyToBeSignedGoesToTheSigningEntryPoint) {
    HWND editor = host->NewEditor();
    SetText(FieldAfter(editor, host::kLabelTo), "bob@example.org");
    ModalScript script;
    script.Expect("#32770", "Encryption", [](HWND dlg) {
        HWND combo = FindChild(dlg, "ComboBox", "");
        SendMessageA(combo, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(host::kEncryptorEntry));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        ClickButton(dlg, "Encrypt the message");
        ClickButton(dlg, "Sign the message");
        ClickButton(dlg, "OK");
    });
    script.Start();
    PostMessageA(FindChild(editor, "Button", StripMnemonic(host::kCheckEncrypt)), BM_CLICK, 0, 0);
    mctest::PumpFor(100);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    mctest::PumpFor(50);
    ASSERT_TRUE(host->SendFromEditor(editor));
    auto lines = EncLog();
    EXPECT_NE(mctest::LineStarting(lines, "SIGN_FILE_EX"), "");
    EXPECT_EQ(mctest::LineStarting(lines, "ENCRYPT_FILE_EX"), "");
    std::string sent = mctest::LineStarting(log, "sent ");
    ASSERT_NE(sent, "");
    EXPECT_NE(mctest::ReadAll(sent.substr(5)).find("X-PM-Encryptor: ORVPGP-PM32, 4\r\n"), std::string::npos);
}
