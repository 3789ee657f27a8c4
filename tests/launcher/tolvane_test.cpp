// Tolvane.exe as a user starts it, from an installation directory with the
// string and main libraries and the templates, over the engine stand-in:
// per-user set-up, removal and clean-up, the restart of the mail client, the
// file window's start and the second start that only brings it back.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/file_window.h"
#include "interfaces/mail_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const char* const kUser = "tester";
const char* const kInfoTitle = "KVSEC-Info:";
const char* const kErrorTitle = "KVSEC-Error:";
const char* const kLibraryBox = "TfrmPGPDlg";
const char* const kDeliverables[] = {"Tolvane.exe", "Merrowin.dll", "Lumvika.dll", "templates\\Merrowin.fff",
                                     "templates\\Pellatch.fff", "templates\\AutoList.txt"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string CmdExe() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\cmd.exe";
}

using Launched = ChildProcess;

class TolvaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        install_ = new ScratchDir("tolvane_install");
        mailbox_ = new ScratchDir("tolvane_mailbox");
        for (const std::string file : kDeliverables)
            CopyFileA((ProgramDir() + file).c_str(),
                      (install_->Path() + file.substr(file.find_last_of('\\') + 1)).c_str(), FALSE);
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        // The launcher and the main library find the engine on the search path.
        char path[8192] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_ = path;
        SetEnvironmentVariableA("PATH", (engine_->Dir() + ";" + oldPath_).c_str());
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegUsername, "", kUser));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", install_->Path()));
    }
    static void TearDownTestSuite() {
        registry_.clear();
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
        delete engine_;
        delete mailbox_;
        delete install_;
    }
    void SetUp() override {
        mailbox_->Empty();
        DeleteFileA(UsersFile().c_str());
    }

    static std::string Mailbox() { return mailbox_->Path(); }
    static std::string UsersFile() { return install_->Path() + "Users.cfg"; }
    static std::string Tolvane() { return install_->Path() + "Tolvane.exe"; }
    static std::string ConfigText() {
        return "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
               "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n";
    }
    static void WriteConfig(const std::string& dir) { ReplaceWholeFile(dir + "Merrowin.cfg", ConfigText()); }

    // Runs the launcher to its end while the script answers its boxes.
    static ::testing::AssertionResult RunToEnd(const std::string& args, ModalScript* script, int ms = 60000) {
        if (script) script->Start();
        Launched run(Tolvane(), args);
        if (!run.Started()) return ::testing::AssertionFailure() << "Tolvane.exe did not start";
        const bool ended = run.Wait(ms);
        if (script && !script->Finish(5000)) return ::testing::AssertionFailure() << script->Failure();
        if (!ended) return ::testing::AssertionFailure() << "Tolvane " << args << " did not end";
        return ::testing::AssertionSuccess();
    }

    static ScratchDir* install_;
    static ScratchDir* mailbox_;
    static StandInEngine* engine_;
    static std::string oldPath_;
    static std::vector<std::unique_ptr<RegistryValue>> registry_;
};

ScratchDir* TolvaneTest::install_ = nullptr;
ScratchDir* TolvaneTest::mailbox_ = nullptr;
StandInEngine* TolvaneTest::engine_ = nullptr;
std::string TolvaneTest::oldPath_;
std::vector<std::unique_ptr<RegistryValue>> TolvaneTest::registry_;

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const auto& t : texts) all += t + "|";
    return all;
}

TEST_F(TolvaneTest, UserConfigSetsTheUserUpWithoutTouchingTheAutoList) {
    WriteConfig(Mailbox());
    const std::string ownList = "# my own list\r\nbob@example.org\\1xD91F7A27B2A16278\r\n";
    ReplaceWholeFile(Mailbox() + "AutoList.txt", ownList);

    ModalScript script;
    script.Click(kInfoTitle, "OK");
    ASSERT_TRUE(RunToEnd("UserConfig", &script));
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_NE(Joined(script.Seen()[0].texts).find("User-Setup successfully finished for user: tester"),
              std::string::npos)
        << Joined(script.Seen()[0].texts);

    EXPECT_EQ(ReadAll(Mailbox() + "AutoList.txt"), ownList);
    // The forms files are the templates, their library line pointed at the installation.
    const std::string forms = ReadAll(Mailbox() + "Merrowin.fff");
    EXPECT_NE(forms.find("Form DLL = \"" + install_->Path() + "Merrowin.dll\""), std::string::npos) << forms;
    const std::string plugin = ReadAll(Mailbox() + "Pellatch.fff");
    EXPECT_NE(plugin.find("Form DLL = \"" + install_->Path() + "Pellatch.dll\""), std::string::npos) << plugin;
    EXPECT_EQ(plugin.find("Bitmap file = "), std::string::npos);
    EXPECT_EQ(plugin.find("STARTUP"), std::string::npos);
    // The client starts the plug-in with itself and attaches the main library as encryptor.
    EXPECT_NE(plugin.find("Form flags = 1\r\n"), std::string::npos) << plugin;
    EXPECT_NE(forms.find("Form flags = 2\r\n"), std::string::npos) << forms;
    const std::string users = ReadAll(UsersFile());
    EXPECT_NE(users.find(std::string(kUser) + "=\"" + Mailbox() + "\""), std::string::npos) << users;
}

TEST_F(TolvaneTest, UserConfigCopiesTheTemplateListIntoANewMailbox) {
    WriteConfig(Mailbox());
    ModalScript script;
    script.Click(kInfoTitle, "OK");
    ASSERT_TRUE(RunToEnd("userconfig", &script));
    const std::string list = ReadAll(Mailbox() + "AutoList.txt");
    EXPECT_EQ(list, ReadAll(install_->Path() + "AutoList.txt"));
    EXPECT_NE(list.find("Update 4.8.5"), std::string::npos) << list;
}

TEST_F(TolvaneTest, UserUpdateCopiesTheFormsFilesToTheOtherUsers) {
    WriteConfig(Mailbox());
    ScratchDir other("tolvane_update");
    ScratchDir gone("tolvane_gone");
    const std::string missing = gone.Path() + "nowhere\\";
    ReplaceWholeFile(UsersFile(), "[Other]\r\nsomeone=\"" + other.Path() + "\"\r\nlost=\"" + missing + "\"\r\n");
    ModalScript script;
    script.Click(kInfoTitle, "OK");
    script.Click("KVSEC-Confirm:", "Yes");
    script.Click(kInfoTitle, "OK");
    script.Click("KVSEC-Warning:", "OK");
    ASSERT_TRUE(RunToEnd("UserUpdate", &script));
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NE(Joined(seen[1].texts).find("Copy updated configuration files for all users"), std::string::npos);
    EXPECT_NE(Joined(seen[2].texts).find("User-Setup successfully finished for user: Other/someone"),
              std::string::npos)
        << Joined(seen[2].texts);
    EXPECT_NE(Joined(seen[3].texts).find("Update failed for user: Other/lost!"), std::string::npos)
        << Joined(seen[3].texts);
    EXPECT_EQ(other.Files(), (std::vector<std::string>{"Merrowin.fff", "Pellatch.fff"}));
    EXPECT_EQ(ReadAll(other.Path() + "Merrowin.fff"), ReadAll(Mailbox() + "Merrowin.fff"));
}

TEST_F(TolvaneTest, UserUninstRemovesTheFilesAndTheEntry) {
    WriteConfig(Mailbox());
    {
        ModalScript setUp;
        setUp.Click(kInfoTitle, "OK");
        ASSERT_TRUE(RunToEnd("UserConfig", &setUp));
    }
    ASSERT_EQ(mailbox_->Files().size(), 4u);
    ModalScript script;
    script.Click(kInfoTitle, "OK");
    ASSERT_TRUE(RunToEnd("UserUninst", &script));
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_NE(Joined(script.Seen()[0].texts).find("Uninstallation successfully finished for user: tester"),
              std::string::npos);
    EXPECT_TRUE(mailbox_->Files().empty()) << Joined(mailbox_->Files());
    EXPECT_EQ(ReadAll(UsersFile()).find(std::string(kUser) + "="), std::string::npos) << ReadAll(UsersFile());
}

TEST_F(TolvaneTest, UserUninstWithoutConfigurationLeavesEverything) {
    ReplaceWholeFile(Mailbox() + "AutoList.txt", "# list\r\n");
    ReplaceWholeFile(Mailbox() + "Merrowin.fff", "Form DLL = \"x\"\r\n");
    WritePrivateProfileStringA("DefaultUser", kUser, ("\"" + Mailbox() + "\"").c_str(), UsersFile().c_str());
    // The user learns which files stayed.
    ModalScript script;
    script.Click(kErrorTitle, "OK");
    ASSERT_TRUE(RunToEnd("UserUninst", &script));
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_NE(Joined(script.Seen()[0].texts).find("AutoList.txt Merrowin.fff"), std::string::npos)
        << Joined(script.Seen()[0].texts);
    EXPECT_EQ(mailbox_->Files(), (std::vector<std::string>{"AutoList.txt", "Merrowin.fff"}));
    EXPECT_NE(ReadAll(UsersFile()).find(std::string(kUser) + "="), std::string::npos);
}

TEST_F(TolvaneTest, CleanupRemovesTheFilesOfEveryRegisteredUser) {
    ScratchDir other("tolvane_other");
    for (const std::string& dir : {Mailbox(), other.Path()}) {
        WriteConfig(dir);
        for (const char* name : {"AutoList.txt", "Merrowin.fff", "Pellatch.fff", "Pellatch.fxy"})
            ReplaceWholeFile(dir + name, "x\r\n");
        ReplaceWholeFile(dir + "keep.txt", "not ours\r\n");
    }
    const std::string users = "[DefaultUser]\r\ntester=\"" + Mailbox() + "\"\r\n[Another]\r\nsomeone=\"" +
                              other.Path() + "\"\r\n";
    ReplaceWholeFile(UsersFile(), users);
    ASSERT_TRUE(RunToEnd("Cleanup", nullptr));
    EXPECT_EQ(mailbox_->Files(), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(other.Files(), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(ReadAll(UsersFile()), users);
}

// ---- Nothing fails in silence -----------------------------------------------------

// The launcher's exit code, run without any box answered: a box would keep
// it from ending within the bound.
DWORD RunSilently(const std::string& exe, const std::string& args) {
    Launched run(exe, args);
    if (!run.Wait(60000)) return STILL_ACTIVE;
    return run.ExitCode();
}

TEST_F(TolvaneTest, SilentSetUpAsksNothingAndLogsItsResult) {
    const std::string log = install_->Path() + "Tolvane.log";
    DeleteFileA(log.c_str());
    // A new user: no configuration yet, so no dialog to fill either.
    EXPECT_EQ(RunSilently(Tolvane(), "UserConfig /S"), 0u) << ReadAll(log);
    EXPECT_EQ(mailbox_->Files(),
              (std::vector<std::string>{"AutoList.txt", "Merrowin.cfg", "Merrowin.fff", "Pellatch.fff"}));
    EXPECT_NE(ReadAll(UsersFile()).find(std::string(kUser) + "=\"" + Mailbox() + "\""), std::string::npos);
    EXPECT_NE(ReadAll(log).find("UserConfig: done"), std::string::npos) << ReadAll(log);
    // The other users' forms files are refreshed without a question.
    ScratchDir other("tolvane_silent_other");
    WritePrivateProfileStringA("Other", "someone", ("\"" + other.Path() + "\"").c_str(), UsersFile().c_str());
    EXPECT_EQ(RunSilently(Tolvane(), "UserUpdate /s"), 0u) << ReadAll(log);
    EXPECT_EQ(other.Files(), (std::vector<std::string>{"Merrowin.fff", "Pellatch.fff"}));
    {
        // Without a mail client user there is nobody to set up: said, not shown.
        RegistryValue noUser(HKEY_CURRENT_USER, host::kRegUsername, "", std::string());
        EXPECT_EQ(RunSilently(Tolvane(), "UserConfig /S"), 7u);
        EXPECT_NE(ReadAll(log).find("UserConfig: No Pegasus Mail user is recorded"), std::string::npos)
            << ReadAll(log);
    }
    EXPECT_EQ(RunSilently(Tolvane(), "UserUninst /S"), 0u) << ReadAll(log);
    EXPECT_TRUE(mailbox_->Files().empty());
    DeleteFileA(log.c_str());
}

TEST_F(TolvaneTest, ACommandThatCannotWorkSaysWhy) {
    WriteConfig(Mailbox());
    // Another launcher at work holds the lock.
    {
        UniqueHandle lock(CreateMutexA(nullptr, TRUE, "Orvane"));
        ModalScript script;
        script.Click(kErrorTitle, "OK");
        ASSERT_TRUE(RunToEnd("UserConfig", &script));
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_NE(Joined(script.Seen()[0].texts).find("Another Orvane launcher is at work"), std::string::npos);
        EXPECT_EQ(RunSilently(Tolvane(), "Cleanup /S"), 6u);
    }
    // The string library is missing: its own texts cannot tell it.
    const std::string strings = install_->Path() + "Lumvika.dll";
    ASSERT_TRUE(MoveFileA(strings.c_str(), (strings + ".away").c_str()));
    {
        ModalScript script;
        script.Click(kErrorTitle, "OK");
        const bool ended = RunToEnd("UserConfig", &script);
        MoveFileA((strings + ".away").c_str(), strings.c_str());
        ASSERT_TRUE(ended);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_NE(Joined(script.Seen()[0].texts).find("Cannot load Orvane's string library"), std::string::npos);
    }
    // No installation recorded.
    {
        RegistryValue noInstall(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick", "InstallDir1", std::nullopt);
        ModalScript script;
        script.Click(kErrorTitle, "OK");
        ASSERT_TRUE(RunToEnd("Cleanup", &script));
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_NE(Joined(script.Seen()[0].texts).find("InstallDir1"), std::string::npos);
    }
    EXPECT_TRUE(mailbox_->Files() == std::vector<std::string>{"Merrowin.cfg"});
}

TEST_F(TolvaneTest, CleanupReachesAUserWhoseNameBeginsWithABracket) {
    ScratchDir other("tolvane_bracket");
    WriteConfig(other.Path());
    for (const char* name : {"AutoList.txt", "Merrowin.fff", "Pellatch.fff"}) ReplaceWholeFile(other.Path() + name, "x\r\n");
    ReplaceWholeFile(UsersFile(), "[DefaultUser]\r\n[odd=\"" + other.Path() + "\"\r\n");
    EXPECT_EQ(RunSilently(Tolvane(), "Cleanup /S"), 0u);
    EXPECT_TRUE(other.Files().empty()) << Joined(other.Files());
    // What stays behind is told through the exit code.
    WriteConfig(other.Path());
    ReplaceWholeFile(other.Path() + "Pellatch.fff", "x\r\n");
    const std::string held = other.Path() + "AutoList.txt";
    ReplaceWholeFile(held, "x\r\n");
    UniqueHandle open(CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(RunSilently(Tolvane(), "Cleanup /S"), 9u);
}

// ---- Restart ---------------------------------------------------------------

class RestartTest : public TolvaneTest {
protected:
    void SetUp() override {
        TolvaneTest::SetUp();
        out_ = Mailbox() + "started.txt";
        DeleteFileA(out_.c_str());
    }
    // The stored client command: cmd.exe echoing its arguments into a file.
    std::unique_ptr<RegistryValue> StoreCommand(const std::string& echoed) {
        return std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegCommand, "",
                                               CmdExe() + " /c echo " + echoed + "> \"" + out_ + "\"");
    }
    // An inheritable handle of a client process that has ended already.
    HANDLE EndedClient() {
        std::string line = CmdExe() + " /c exit 0";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                            &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        WaitForSingleObject(pi.hProcess, 10000);
        HANDLE inheritable = nullptr;
        DuplicateHandle(GetCurrentProcess(), pi.hProcess, GetCurrentProcess(), &inheritable, 0, TRUE,
                        DUPLICATE_SAME_ACCESS);
        CloseHandle(pi.hProcess);
        return inheritable;
    }
    // Runs the launcher with the arguments after "RESTART"; the echoed line
    // of the restarted client, or "" when none was started.
    std::string Restart(const std::string& args, int waitMs) {
        HANDLE client = EndedClient();
        std::string full = "RESTART " + std::to_string(reinterpret_cast<ULONG_PTR>(client)) + args;
        if (args.rfind("<none>", 0) == 0) full = "RESTART";
        {
            Launched run(Tolvane(), full, true);
            EXPECT_TRUE(run.Wait(30000)) << full;
        }
        if (client) CloseHandle(client);
        // The client writes its line some time after the file appears.
        std::string text;
        for (int waited = 0; waited < Patience(waitMs) && text.find('\n') == std::string::npos; waited += 50) {
            Sleep(50);
            text = ReadAll(out_);
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        return Exists(out_) ? text + "|" : "";
    }
    std::string out_;
};

TEST_F(RestartTest, StartsTheClientWithTheUserNameAsOneArgument) {
    auto command = StoreCommand("C:\\mail-i\\winpm-32.exe -I olduser -A");
    EXPECT_EQ(Restart(" \"John Smith\"", 15000), "C:\\mail-i\\winpm-32.exe -I \"John Smith\" -A|");
}

TEST_F(RestartTest, StartsTheStoredLineUnchangedWithoutAUser) {
    auto command = StoreCommand("winpm-32.exe -I olduser");
    EXPECT_EQ(Restart("", 15000), "winpm-32.exe -I olduser|");
}

TEST_F(RestartTest, AnotherClientsFrameDoesNotHoldTheRestart) {
    auto command = StoreCommand("started");
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FRAME";
    RegisterClassA(&wc);
    // The frame of a mail client that is not the one restarted.
    HWND frame = CreateWindowExA(0, "FRAME", "Pegasus Mail", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Restart("", 15000), "started|");
    DestroyWindow(frame);
}

TEST_F(RestartTest, AStoredCommandOfAnyLengthIsStartedWhole) {
    const std::string longArgs = "-I olduser " + std::string(300, 'x');
    auto command = StoreCommand("winpm-32.exe " + longArgs);
    EXPECT_EQ(Restart("", 15000), "winpm-32.exe " + longArgs + "|");
}

TEST_F(RestartTest, AHandleOfNoClientEndsTheLauncherAtOnce) {
    auto command = StoreCommand("started");
    // -1 and -2 are the launcher's own pseudo handles; the last is no handle.
    for (const char* handle : {"4294967295", "4294967294", "-1", "99999999999"}) {
        Launched run(Tolvane(), std::string("RESTART ") + handle);
        EXPECT_TRUE(run.Wait(10000)) << handle;
        EXPECT_EQ(run.ExitCode(), 10u) << handle;
    }
    EXPECT_FALSE(Exists(out_));
}

TEST_F(RestartTest, WrongArgumentCountsStartNothing) {
    auto command = StoreCommand("started");
    EXPECT_EQ(Restart("<none>", 1500), "");
    EXPECT_EQ(Restart(" John Smith", 1500), "");
    EXPECT_EQ(Restart(" a b c", 1500), "");
}

// ---- The file window ------------------------------------------------------------

const std::string kIdleCaption = std::string(ui::kServerCaption) + "[Ctrl] + [E] starts Explorer ...";

TEST_F(TolvaneTest, LowerCaseRestartStartsTheFileWindow) {
    WriteConfig(Mailbox());
    HWND window = nullptr;
    std::string caption;
    ModalScript script;
    script.Expect(ui::kServerWindowClass, std::string(ui::kServerCaption) + "*", [&](HWND w) {
        window = w;
        caption = GetText(w);
    });
    // "restart" is a file name to the window: not found, so it is left alone.
    script.Expect(kLibraryBox, "Error:", [](HWND box) { PostKey(box, VK_RETURN); });
    script.Expect(kLibraryBox, "Confirm:", [](HWND box) { PostKey(box, 'Y'); });
    script.Start();
    Launched run(Tolvane(), "restart");
    ASSERT_TRUE(script.Finish(60000)) << script.Failure();
    for (int waited = 0; waited < Patience(5000) && GetText(window) != kIdleCaption; waited += 50) Sleep(50);
    EXPECT_EQ(GetText(window), kIdleCaption);
    SaveScreenshot(window, ShotPath("tolvane_file_window.png"));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.Wait(20000));
}

TEST_F(TolvaneTest, SecondStartRestoresTheFirstOnesWindow) {
    WriteConfig(Mailbox());
    Launched first(Tolvane(), "");
    HWND window = FindTopWindow(ui::kServerWindowClass, kIdleCaption, 30000);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    for (int waited = 0; waited < Patience(2000) && !IsIconic(window); waited += 50) Sleep(50);
    ASSERT_TRUE(IsIconic(window));
    {
        Launched second(Tolvane(), "");
        EXPECT_TRUE(second.Wait(20000));
    }
    for (int waited = 0; waited < Patience(2000) && IsIconic(window); waited += 50) Sleep(50);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(ListTopWindows(ui::kServerWindowClass, "").size(), 1u);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.Wait(20000));
}

}  // namespace
