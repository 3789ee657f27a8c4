// The restart through the launcher from a separate client process: the user
// types a new user name with a blank, agrees to the restart, the client
// ends, and the launcher brings it back with that user.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "plugin/mail_client.h"
#include "tests/automation/pellatch_fixture.h"

using namespace pltest;
using namespace orv::test;

namespace {

std::string Quote(const std::string& a) { return "\"" + a + "\""; }

bool WaitForLine(const std::string& file, const std::string& prefix, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (!mctest::LineStarting(mctest::Lines(file), prefix).empty()) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

TEST(PellatchRestart, BringsTheClientBackWithTheSameUserNameWithABlank) {
    ASSERT_TRUE(UseFakeSdk("r7"));
    std::string dir = mctest::ScratchDir("pellatch_restart");
    std::string install = dir + "install\\", mailbox = dir + "mail\\", bin = mctest::BinDir();
    CreateDirectoryA(install.c_str(), nullptr);
    CreateDirectoryA(mailbox.c_str(), nullptr);
    ASSERT_TRUE(CopyInto(bin + "Merrowin.dll", install));
    ASSERT_TRUE(CopyInto(bin + "Lumvika.dll", install));
    ASSERT_TRUE(CopyInto(bin + "pellatch_launcher\\Tolvane.exe", install));
    RegistryValue installValue(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick", "InstallDir1", install);
    ASSERT_TRUE(installValue.ok());
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Pellatch.fff", FormFileText()));
    std::string first = dir + "first.txt", again = dir + "restarted.txt";
    SetEnvironmentVariableA("ORV_SDK_DIR", FakeSdkDir("r7").c_str());
    std::string extra = "--quit --module " + Quote(install + "Merrowin.dll") + " --mailbox " + Quote(dir + "mail2") +
                        " --report " + Quote(again);
    SetEnvironmentVariableA("ORV_RESTART_EXTRA", extra.c_str());

    std::string cmd = Quote(bin + "PMailStandin.exe") + " --user alice --mailbox " + Quote(dir + "mail") + " --module " +
                      Quote(install + "Merrowin.dll") + " --report " + Quote(first);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_TRUE(WaitForLine(first, "form  FORMINIT 1", 30000)) << mctest::ReadAll(first);
    HWND frame = FindTopWindow("FRAME", "Pegasus Mail", 10000);
    ASSERT_NE(frame, nullptr);

    ModalScript script;
    script.Expect("#32770", "New user name", [](HWND dialog) {
        SetText(FindChild(dialog, "Edit", ""), "Bob Smith");
        ClickButton(dialog, "OK");
    });
    script.Expect(kBox, "Confirm:", ScreenshotThen(ShotPath("pellatch_restart_question.png"), PressButton("Yes")));
    script.Start();
    PostMessageA(frame, WM_COMMAND, orv::host::kCmdUserName, 0);
    EXPECT_TRUE(script.Finish()) << script.Failure();

    // The client closes because the restart started, and comes back.
    DWORD code = 99;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    std::string log = install + "restart.log";
    ASSERT_TRUE(WaitForLine(log, "restarted client ended", 60000)) << mctest::ReadAll(log);
    auto lines = mctest::Lines(log);
    EXPECT_TRUE(mctest::HasLine(lines, "args 3")) << mctest::ReadAll(log);
    EXPECT_TRUE(mctest::HasLine(lines, "arg RESTART"));
    EXPECT_TRUE(mctest::HasLine(lines, "arg Bob Smith"));
    EXPECT_TRUE(mctest::HasLine(lines, "client ended"));
    EXPECT_TRUE(mctest::HasLine(lines, "restarted client ended 0"));
    EXPECT_TRUE(mctest::HasLine(mctest::Lines(again), "user Bob Smith mailbox " + dir + "mail2\\"))
        << mctest::ReadAll(again);
    SetEnvironmentVariableA("ORV_RESTART_EXTRA", nullptr);
    SetEnvironmentVariableA("ORV_SDK_DIR", nullptr);
    UseNoSdk();
}
