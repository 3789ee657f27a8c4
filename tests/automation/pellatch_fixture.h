#pragma once
// Pellatch.dll in a mail client stand-in of the test's own process: an
// installation directory with the main and string libraries, a mailbox
// whose form file starts the plug-in with the client, and the client's
// registry keys for the test user.

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "standin/mailclient/host.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/standin/mailclient/test_support.h"
#include "tests/support/fake_sdk_env.h"
#include "tests/support/ui_robot.h"

namespace pltest {

constexpr const char* kAutomationClass = "ORVAUTOCRYPT";
// The main library's message box window.
constexpr const char* kBox = "TfrmPGPDlg";

inline bool CopyInto(const std::string& file, const std::string& dir) {
    std::string name = file.substr(file.find_last_of('\\') + 1);
    return CopyFileA(file.c_str(), (dir + name).c_str(), FALSE) != FALSE;
}

// A launcher process is running: one started for a restart waits for the
// client it was given, so it is still there while the client is.
inline bool LauncherRunning() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szExeFile, "Tolvane.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

// Which main library the installation directory holds.
enum class MainLibrary { Real, Partial, OtherVersion, Logging, Scripted };

inline std::string PluginPath() { return mctest::BinDir() + "Pellatch.dll"; }

// The form file that makes the client start the plug-in with itself.
inline std::string FormFileText() {
    return "Form name = Orvane automation\r\nForm DLL = " + PluginPath() + "\r\nForm flags = 1\r\n";
}

class PellatchHost : public ::testing::Test {
protected:
    // Prepares the directories; the client starts with StartClient.
    void Prepare(MainLibrary main = MainLibrary::Real) {
        ASSERT_TRUE(orv::test::UseFakeSdk("r7"));
        dir = mctest::ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        install = dir + "install\\";
        mailbox = dir + "mail\\";
        CreateDirectoryA(install.c_str(), nullptr);
        CreateDirectoryA(mailbox.c_str(), nullptr);
        std::string bin = mctest::BinDir();
        switch (main) {
        case MainLibrary::Real: ASSERT_TRUE(CopyInto(bin + "Merrowin.dll", install)); break;
        case MainLibrary::Partial: ASSERT_TRUE(CopyInto(bin + "pellatch_partial\\Merrowin.dll", install)); break;
        case MainLibrary::OtherVersion: ASSERT_TRUE(CopyInto(bin + "pellatch_other\\Merrowin.dll", install)); break;
        case MainLibrary::Logging: ASSERT_TRUE(CopyInto(bin + "pellatch_logging\\Merrowin.dll", install)); break;
        case MainLibrary::Scripted: ASSERT_TRUE(CopyInto(bin + "pellatch_abk\\Merrowin.dll", install)); break;
        }
        ASSERT_TRUE(CopyInto(bin + "Lumvika.dll", install));
        ASSERT_TRUE(CopyInto(bin + "Tolvane.exe", install));
        installValue = std::make_unique<orv::test::RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                                   "InstallDir1", install);
        ASSERT_TRUE(installValue->ok());
        ASSERT_TRUE(mctest::WriteAll(mailbox + "Pellatch.fff", FormFileText()));
        user.userName = "alice";
        user.mailboxDir = mailbox;
        user.programDir = bin;
        user.commandLine = "\"" + bin + "PMailStandin.exe\" -I alice";
        std::string error;
        ASSERT_TRUE(orv::mailclient::ApplyUserSetup(user, &error)) << error;
    }

    // Creates the client's windows and starts the forms of its form files.
    void StartClient() {
        host = std::make_unique<orv::mailclient::Host>(user);
        host->onLog = [this](const std::string& line) { log.push_back(line); };
        ASSERT_TRUE(host->Create(true));
        host->LoadFormFiles();
        host->StartForms();
        orv::test::PumpQueued();
    }

    void TearDown() override {
        host.reset();
        orv::test::PumpQueued();
        orv::test::UseNoSdk();
    }

    HWND AutomationWindow() const {
        return host && host->Frame() ? orv::test::FindChild(host->Frame(), kAutomationClass, "") : nullptr;
    }
    bool Logged(const std::string& line) const { return mctest::HasLine(log, line); }
    std::string MainLibraryPath() const { return install + "Merrowin.dll"; }

    std::string dir, install, mailbox;
    orv::mailclient::UserSetup user;
    std::unique_ptr<orv::test::RegistryValue> installValue;
    std::unique_ptr<orv::mailclient::Host> host;
    std::vector<std::string> log;
};

}  // namespace pltest
