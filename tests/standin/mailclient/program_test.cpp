// PMailStandin.exe as the demo and the tests start it: the test user's
// registry keys and "PMAIL.INI", encryptor calls from the command line with
// their report, missing modules and entry points, the library directory for
// the PGP SDK, and its windows driven from another process.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "interfaces/mail_client.h"
#include "standin/mailclient/mail_files.h"
#include "standin/mailclient/user_setup.h"
#include "tests/standin/mailclient/test_support.h"
#include "tests/support/fake_sdk_env.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;
namespace host = orv::host;

namespace {

std::string Quote(const std::string& a) { return "\"" + a + "\""; }

// Starts the program; with wait, returns its exit code (-1 on time-out).
int RunStandin(const std::vector<std::string>& args, PROCESS_INFORMATION* started = nullptr) {
    std::string cmd = Quote(mctest::BinDir() + "PMailStandin.exe");
    for (const auto& a : args) cmd += " " + Quote(a);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -2;
    if (started) {
        *started = pi;
        return 0;
    }
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
}

std::string IniValue(const std::string& ini, const std::string& section, const char* key) {
    char buf[256] = {};
    GetPrivateProfileStringA(section.c_str(), key, "(absent)", buf, sizeof buf, ini.c_str());
    return buf;
}

}  // namespace

class StandinProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = mctest::ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        encLog = mctest::FreshEncryptorLog(dir);
        report = dir + "report.txt";
        SetEnvironmentVariableA("ORV_SDK_DIR", nullptr);
    }
    std::vector<std::string> Report() { return mctest::Lines(report); }
    std::string dir, encLog, report;
};

TEST_F(StandinProgram, SetsUpTheUserAndReportsAnEncryptorCall) {
    std::string file = dir + "outgoing.pm$";
    ASSERT_TRUE(mctest::WriteAll(file, "To: bob@example.org\r\nSubject: Hi\r\n\r\nSecret\r\n"));
    int code = RunStandin({"--user", "alice", "--mailbox", dir + "alice", "--from", "alice@home.example", "--bcc",
                    "archive@home.example", "--identity", "Work=alice@work.example;boss@work.example", "--module",
                    mctest::BinDir() + "test_encryptor.dll", "--encrypt", file, "--recipients", "bob@example.org",
                    "--host-word", "77", "--report", report});
    EXPECT_EQ(code, 0);
    auto lines = Report();
    std::string mailbox = dir + "alice\\";
    EXPECT_TRUE(mctest::HasLine(lines, "user alice mailbox " + mailbox));
    EXPECT_TRUE(mctest::HasLine(lines, "loaded " + mctest::BinDir() + "test_encryptor.dll"));
    EXPECT_TRUE(mctest::HasLine(lines, "attach FORMINIT 0"));
    EXPECT_TRUE(mctest::HasLine(lines, "call ENCRYPT_FILE_EX " + file));
    EXPECT_TRUE(mctest::HasLine(lines, "status 0: Encrypting finished"));
    EXPECT_TRUE(mctest::HasLine(lines, "result 1"));
    EXPECT_TRUE(mctest::HasLine(lines, "reaction encoded"));
    EXPECT_EQ(lines.empty() ? "" : lines.back(), "end 0");
    auto enc = mctest::Lines(encLog);
    EXPECT_NE(mctest::LineStarting(enc, "ENCRYPT_FILE_EX hostword=77 message=" + file +
                                            " output=(null) recipients=bob@example.org"),
              "");
    EXPECT_TRUE(mctest::HasLine(enc, "mailbox=" + mailbox));

    // What the product reads of the client's configuration.
    using orv::mailclient::ReadUserRegistryDefault;
    EXPECT_EQ(ReadUserRegistryDefault(host::kRegUsername), "alice");
    EXPECT_EQ(ReadUserRegistryDefault(host::kRegMailbox), mailbox);
    EXPECT_EQ(ReadUserRegistryDefault(host::kRegBaseDir), mctest::BinDir());
    EXPECT_EQ(ReadUserRegistryDefault(host::kRegCommand), Quote(mctest::BinDir() + "PMailStandin.exe") + " -I alice");
    std::string ini = mailbox + host::kPmailIni;
    ASSERT_TRUE(mctest::Exists(ini));
    EXPECT_EQ(IniValue(ini, std::string(host::kIniSectionIdentityPrefix) + "Work", host::kIniKeyAlternativeFrom),
              "alice@work.example");
    EXPECT_EQ(IniValue(ini, std::string(host::kIniSectionIdentityPrefix) + "Work", host::kIniKeyDefaultBcc),
              "boss@work.example");
    EXPECT_EQ(IniValue(ini, host::kIniSectionTcpIp, host::kIniKeyAlternativeFrom), "alice@home.example");
    EXPECT_EQ(IniValue(ini, host::kIniSectionMain, host::kIniKeyDefaultBcc), "archive@home.example");
}

TEST_F(StandinProgram, DecryptWritesTheResultBesideTheMessage) {
    std::string file = dir + "incoming.pm$";
    ASSERT_TRUE(mctest::WriteAll(file, "From: bob@example.org\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n"));
    int code = RunStandin({"--mailbox", dir + "mb", "--module", mctest::BinDir() + "test_encryptor.dll", "--decrypt", file,
                    "--report", report});
    EXPECT_EQ(code, 0);
    auto lines = Report();
    EXPECT_TRUE(mctest::HasLine(lines, "result 2"));
    EXPECT_TRUE(mctest::HasLine(lines, "reaction show " + file + ".out"));
    EXPECT_TRUE(mctest::HasLine(lines, "status 3: Good signature from tester, (0x12345678): complete validity"));
    EXPECT_EQ(mctest::ReadAll(file + ".out").compare(0, 10, "decoded:\r\n"), 0);
}

TEST_F(StandinProgram, MissingModulesAndEntryPointsAreReportedNotFatal) {
    std::string file = dir + "m.pm$";
    ASSERT_TRUE(mctest::WriteAll(file, "Result: 2\r\n\r\nx\r\n"));
    int code = RunStandin({"--mailbox", dir + "mb", "--module", mctest::BinDir() + "partial_encryptor.dll", "--encrypt", file,
                    "--decrypt", file, "--output", dir + "m.out", "--report", report});
    EXPECT_EQ(code, 2);
    auto lines = Report();
    for (const char* name : {"ENCRYPT_FILE_EX", "SIGN_FILE_EX", "VERIFY_SIGNATURE", "KEY_MANAGEMENT", "DESTROY_FILE"})
        EXPECT_TRUE(mctest::HasLine(lines, std::string("missing ") + name)) << name;
    EXPECT_FALSE(mctest::HasLine(lines, "missing DECRYPT_FILE_EX"));
    // The call after the missing one still ran.
    EXPECT_TRUE(mctest::HasLine(lines, "call DECRYPT_FILE_EX " + file));
    EXPECT_TRUE(mctest::HasLine(lines, "result 2"));

    code = RunStandin({"--mailbox", dir + "mb", "--module", dir + "NoSuchModule.dll", "--encrypt", file, "--report", report});
    EXPECT_EQ(code, 2);
    EXPECT_NE(mctest::LineStarting(Report(), "error cannot load " + dir + "NoSuchModule.dll"), "");
}

TEST_F(StandinProgram, LibraryDirectoryLetsAModuleFindItsEngine) {
    std::vector<std::string> base = {"--mailbox", dir + "mb", "--module", mctest::BinDir() + "sdk_encryptor.dll",
                                     "--keys", host::kClipboardSource, "--report", report};
    EXPECT_EQ(RunStandin(base), 2);
    EXPECT_NE(mctest::LineStarting(Report(), "error cannot load " + mctest::BinDir() + "sdk_encryptor.dll"), "");

    auto withDir = base;
    withDir.insert(withDir.end(), {"--sdk-dir", mctest::BinDir() + "mcsdk"});
    EXPECT_EQ(RunStandin(withDir), 0);
    auto lines = Report();
    EXPECT_TRUE(mctest::HasLine(lines, "sdk-dir " + mctest::BinDir() + "mcsdk"));
    EXPECT_TRUE(mctest::HasLine(lines, "reaction keys imported"));

    SetEnvironmentVariableA("ORV_SDK_DIR", (mctest::BinDir() + "mcsdk").c_str());
    EXPECT_EQ(RunStandin(base), 0);
    EXPECT_TRUE(mctest::HasLine(Report(), "reaction keys imported"));
    SetEnvironmentVariableA("ORV_SDK_DIR", nullptr);
}

TEST_F(StandinProgram, WindowsCanBeDrivenFromAnotherProcess) {
    PROCESS_INFORMATION pi{};
    ASSERT_EQ(RunStandin({"--mailbox", dir + "mb", "--module", mctest::BinDir() + "test_encryptor.dll", "--new-editor",
                   "--report", report},
                  &pi),
              0);
    HWND frame = FindTopWindow(host::kFrameClass, host::kFrameCaption, 20000);
    ASSERT_NE(frame, nullptr);
    HWND editor = FindChild(frame, host::kEditorClass, "");
    ASSERT_NE(editor, nullptr);
    HWND to = GetWindow(FindChild(editor, "Static", host::kLabelTo), GW_HWNDNEXT);
    ASSERT_NE(to, nullptr);
    SetText(to, "bob@example.org");
    EXPECT_EQ(GetText(to), "bob@example.org");
    Sleep(200);
    SaveScreenshot(frame, ShotPath("mailclient_program.png"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(mctest::HasLine(Report(), "end 0"));
}

TEST_F(StandinProgram, LoadsTheMainLibraryOnlyWithAnEngine) {
    std::string merrowin = mctest::BinDir() + "Merrowin.dll";
    // Without an engine the library's start shows its fatal box and fails;
    // the client reports it and goes on.
    ModalScript script;
    script.Expect("#32770", "PGP Components fatal error:", PressButton("OK"));
    script.Start();
    EXPECT_EQ(RunStandin({"--mailbox", dir + "mb", "--module", merrowin, "--decrypt", dir + "none.pm$", "--report",
                          report}),
              2);
    EXPECT_TRUE(script.Finish()) << script.Failure();
    EXPECT_NE(mctest::LineStarting(Report(), "error cannot load " + merrowin), "");

    EXPECT_EQ(RunStandin({"--mailbox", dir + "mb", "--module", merrowin, "--sdk-dir", FakeSdkDir("r7"), "--quit",
                          "--report", report}),
              0);
    auto lines = Report();
    EXPECT_TRUE(mctest::HasLine(lines, "loaded " + merrowin));
    const std::vector<std::string> entryPoints = {"FORMINIT", "ENCRYPT_FILE_EX", "SIGN_FILE_EX", "DECRYPT_FILE_EX",
                                                  "VERIFY_SIGNATURE", "KEY_MANAGEMENT", "DESTROY_FILE"};
    for (const auto& line : lines) {
        if (line.compare(0, 8, "missing ") != 0) continue;
        bool known = false;
        for (const auto& e : entryPoints) known = known || line == "missing " + e;
        EXPECT_TRUE(known) << line;
    }
}

TEST_F(StandinProgram, StartsWithTheEditorLibraryAndTheFormFilesOfTheMailbox) {
    // The user's mailbox as the client finds it: a form file of an extension
    // that starts with the client, one of the encryptor, and a folder.
    std::string mailbox = dir + "mb\\";
    CreateDirectoryA(mailbox.c_str(), nullptr);
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Auto.fff", "Form DLL = \"" + mctest::BinDir() +
                                                           "partial_encryptor.dll\"\r\nForm data = EDIT\r\nForm flags = 1\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Crypt.fff",
                                 "Form DLL = \"" + mctest::BinDir() + "test_encryptor.dll\"\r\nForm flags = 0x2\r\n"));
    orv::mailclient::Folder inbox;
    inbox.name = "Inbox";
    inbox.messages = {"From: bob@example.org\r\nSubject: Hello\r\n\r\nHi Alice.\r\n"};
    ASSERT_TRUE(mctest::WriteAll(mailbox + "INBOX.PMM", orv::mailclient::FolderText(inbox)));
    PROCESS_INFORMATION pi{};
    // (Without its last backslash, which would escape the closing quote.)
    // No module on the command line: the form file names the encryptor.
    ASSERT_EQ(RunStandin({"-I", "carol", "--mailbox", dir + "mb",
                          "--open-folder", "INBOX.PMM", "--read", "1", "--report", report},
                         &pi),
              0);
    HWND frame = FindTopWindow(host::kFrameClass, host::kFrameCaption, 20000);
    ASSERT_NE(frame, nullptr);
    HWND reader = nullptr;
    for (int i = 0; i < 100 && !reader; ++i, Sleep(100)) reader = FindChild(frame, host::kReaderMdiClass, "");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(GetText(FindChild(reader, host::kEditorControlClass, "")), "Hi Alice.\r\n");
    EXPECT_NE(FindChild(frame, host::kFolderManagerClass, ""), nullptr);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    auto lines = Report();
    EXPECT_TRUE(mctest::HasLine(lines, "user carol mailbox " + mailbox));
    EXPECT_TRUE(mctest::HasLine(lines, "form file " + mailbox + "Auto.fff"));
    // Only the form files' libraries; the encryptor is the one marked so.
    auto loaded = std::count_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.compare(0, 7, "loaded ") == 0; });
    EXPECT_EQ(loaded, 2);
    EXPECT_TRUE(mctest::HasLine(lines, "read " + mailbox + "INBOX.PMM 1"));
    auto enc = mctest::Lines(encLog);
    EXPECT_TRUE(mctest::HasLine(enc, "FORMINIT version=256 mode=0 param=EDIT host=window"));
    EXPECT_TRUE(mctest::HasLine(enc, "FORMINIT version=256 mode=0 param= host=window"));
    EXPECT_NE(mctest::LineStarting(lines, "attach FORMINIT"), "");
    EXPECT_TRUE(mctest::HasLine(enc, "notify 25 kind=5 parent=WPMMDI"));
    EXPECT_EQ(orv::mailclient::ReadUserRegistryDefault(host::kRegUsername), "carol");
}
