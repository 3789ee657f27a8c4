// The restart through the launcher, with the client stand-in in a process of
// its own and the launcher Tolvane.exe of the build in the installation
// directory: the user types a new user name, agrees to the restart, the
// client ends only once the launcher holds it, and the launcher brings the
// client back from its stored command line with that user, whole also when
// the name holds a blank. A launcher that cannot restart leaves the client
// running and the user told.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "interfaces/mail_client.h"
#include "tests/automation/pellatch_fixture.h"

using namespace pltest;
using namespace orv::test;

namespace {

std::string Quote(const std::string& a) { return "\"" + a + "\""; }

bool WaitForLine(const std::string& file, const std::string& prefix, int timeoutMs) {
    return PumpUntil([&] { return !mctest::LineStarting(mctest::Lines(file), prefix).empty(); }, timeoutMs);
}

// Sets an environment variable for the processes this test starts and puts
// the old value back afterwards.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const std::string& value) : name_(name) {
        char old[8192] = {};
        had_ = GetEnvironmentVariableA(name, old, sizeof old) > 0;
        old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvironmentValue() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    const std::string& Old() const { return old_; }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

class PellatchRestart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(UseFakeSdk("r7"));
        dir = mctest::ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        install = dir + "install\\";
        CreateDirectoryA(install.c_str(), nullptr);
        CreateDirectoryA((dir + "mail").c_str(), nullptr);
        const std::string bin = mctest::BinDir();
        // Installed as the installer lays them out: the launcher of the build
        // beside the main and string libraries.
        for (const char* file : {"Merrowin.dll", "Lumvika.dll", "Tolvane.exe"}) ASSERT_TRUE(CopyInto(bin + file, install));
        installValue = std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                       "InstallDir1", install);
        ASSERT_TRUE(installValue->ok());
        ASSERT_TRUE(mctest::WriteAll(dir + "mail\\Pellatch.fff", FormFileText()));
        // The client takes its engine from ORV_SDK_DIR; the launcher, like
        // every program, from the search path.
        sdkDir = std::make_unique<EnvironmentValue>("ORV_SDK_DIR", FakeSdkDir("r7"));
        char path[8192] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        searchPath = std::make_unique<EnvironmentValue>("PATH", FakeSdkDir("r7") + ";" + path);
    }

    void TearDown() override {
        if (client.hProcess) {
            if (WaitForSingleObject(client.hProcess, 0) == WAIT_TIMEOUT) {
                PostMessageA(FindTopWindow("FRAME", "Pegasus Mail", 100), WM_CLOSE, 0, 0);
                if (WaitForSingleObject(client.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(client.hProcess, 9);
            }
            CloseHandle(client.hProcess);
            CloseHandle(client.hThread);
        }
        storedCommand.reset();
        searchPath.reset();
        sdkDir.reset();
        installValue.reset();
        UseNoSdk();
    }

    // Starts the client as user alice with the plug-in; its frame once the
    // plug-in is attached.
    HWND StartClient() {
        first = dir + "first.txt";
        std::string cmd = Quote(mctest::BinDir() + "PMailStandin.exe") + " --user alice --mailbox " + Quote(dir + "mail") +
                          " --module " + Quote(install + "Merrowin.dll") + " --report " + Quote(first);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &client))
            return nullptr;
        if (!WaitForLine(first, "form  FORMINIT 1", 30000)) return nullptr;
        // This client's frame: a client another test program restarted may
        // still be about under the same class and caption.
        HWND found = nullptr;
        PumpUntil([&] {
            for (HWND frame : ListTopWindows("FRAME", "Pegasus Mail")) {
                DWORD pid = 0;
                GetWindowThreadProcessId(frame, &pid);
                if (pid == client.dwProcessId) found = frame;
            }
            return found != nullptr;
        }, 10000);
        return found;
    }

    // The client's command line as the client keeps it for the launcher:
    // its own options after the user switch.
    void StoreClientCommand(const std::string& line) {
        storedCommand.reset();
        storedCommand = std::make_unique<RegistryValue>(HKEY_CURRENT_USER, orv::host::kRegCommand, "", line);
    }
    // The launcher reads the stored line with room for 260 characters and
    // starts it in the installation directory: the restarted client's own
    // files are named from there.
    std::string RestartedCommand() const {
        return Quote(mctest::BinDir() + "PMailStandin.exe") + " -I alice --mailbox ..\\mail2 --quit --report " +
               "..\\restarted.txt";
    }

    // The user names a new user in the client's dialog and agrees to the
    // restart question; what follows is the caller's.
    static void ExpectUserNameAndYes(ModalScript& script, const std::string& name) {
        script.Expect("#32770", "New user name", [name](HWND dialog) {
            SetText(FindChild(dialog, "Edit", ""), name);
            ClickButton(dialog, "OK");
        });
        script.Expect(kBox, "Confirm:", PressButton("Yes"));
    }
    static void AskForUserName(HWND frame, ModalScript& script) {
        script.Start();
        PostMessageA(frame, WM_COMMAND, orv::host::kCmdUserName, 0);
    }

    // A launcher or client that another test program left running holds the
    // launcher's one-instance mutex or answers for the client.
    static void EndStrayLaunchersAndClients() {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, "Tolvane.exe") != 0 && lstrcmpiA(entry.szExeFile, "PMailStandin.exe") != 0)
                continue;
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
                TerminateProcess(p, 1);
                WaitForSingleObject(p, 5000);
                CloseHandle(p);
            }
        }
        CloseHandle(snapshot);
    }

    // The whole road of a restart under the user named.
    void ExpectRestartAs(const std::string& name) {
        EndStrayLaunchersAndClients();
        again = dir + "restarted.txt";
        HWND frame = StartClient();
        ASSERT_NE(frame, nullptr) << mctest::ReadAll(first);
        StoreClientCommand(RestartedCommand());

        ModalScript script;
        ExpectUserNameAndYes(script, name);
        AskForUserName(frame, script);
        DWORD code = 99;
        // The client ends because the launcher took over, and comes back.
        const bool ended = ClientEnded(30000, &code);
        EXPECT_TRUE(ended) << AllWindows();
        if (!ended) SaveScreenshot(nullptr, ShotPath("pellatch_restart_client_stays.png"));
        EXPECT_TRUE(script.Finish()) << script.Failure();
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(mctest::HasLine(mctest::Lines(first), "end 0")) << mctest::ReadAll(first);
        ASSERT_TRUE(WaitForLine(again, "end ", 60000)) << "the launcher started no client";
        auto lines = mctest::Lines(again);
        EXPECT_TRUE(mctest::HasLine(lines, "user " + name + " mailbox ..\\mail2\\")) << mctest::ReadAll(again);
        EXPECT_TRUE(mctest::HasLine(lines, "end 0")) << mctest::ReadAll(again);
    }

    // Every visible top window with its process, for the report of a
    // restart that did not happen.
    static std::string AllWindows() {
        std::string out;
        for (HWND wnd : ListTopWindows("", "")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            char cls[64] = {}, title[128] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            GetWindowTextA(wnd, title, sizeof title);
            out += std::to_string(pid) + " " + cls + " \"" + title + "\"\n";
        }
        return out;
    }

    // The client's top windows, for the report of a client that stays.
    std::string WindowsOfClient() const {
        std::string out;
        for (HWND wnd : ListTopWindows("", "")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            if (pid != client.dwProcessId) continue;
            char cls[64] = {}, title[128] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            GetWindowTextA(wnd, title, sizeof title);
            out += std::string(cls) + " \"" + title + "\"" + (IsWindowVisible(wnd) ? " visible" : "") +
                   (IsWindowEnabled(wnd) ? "" : " disabled") + "\n";
        }
        return out + mctest::ReadAll(first);
    }

    bool ClientEnded(DWORD timeoutMs, DWORD* code) const {
        if (WaitForSingleObject(client.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(client.hProcess, code);
        return true;
    }

    std::string dir, install, first, again;
    PROCESS_INFORMATION client{};
    std::unique_ptr<RegistryValue> installValue, storedCommand;
    std::unique_ptr<EnvironmentValue> sdkDir, searchPath;
};

}  // namespace

TEST_F(PellatchRestart, BringsTheClientBackWithTheSameUser) { ExpectRestartAs("carol"); }

TEST_F(PellatchRestart, BringsTheClientBackWithAUserNameHoldingABlank) { ExpectRestartAs("Bob Smith"); }

TEST_F(PellatchRestart, KeepsTheClientRunningWhenTheLauncherCannotRestartIt) {
    HWND frame = StartClient();
    ASSERT_NE(frame, nullptr) << mctest::ReadAll(first);
    // Without a stored command line there is nothing the launcher could start.
    StoreClientCommand("");

    ModalScript script;
    ExpectUserNameAndYes(script, "Bob Smith");
    script.Expect(kBox, "Info:", ScreenshotThen(ShotPath("pellatch_restart_not_started.png"), PressButton("OK")));
    AskForUserName(frame, script);
    PumpUntil([&] { return script.Seen().size() >= 3; }, 30000);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 3u);
    // The client was not closed: it goes on as before.
    DWORD code = 99;
    EXPECT_FALSE(ClientEnded(2000, &code)) << "the client closed although no restart started";
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsWindowVisible(frame));

    // The user closes the client as usual.
    PostMessageA(frame, WM_CLOSE, 0, 0);
    const bool ended = ClientEnded(20000, &code);
    EXPECT_TRUE(ended) << WindowsOfClient();
    if (!ended) SaveScreenshot(nullptr, ShotPath("pellatch_restart_client_stays.png"));
    EXPECT_EQ(code, 0u);
}
