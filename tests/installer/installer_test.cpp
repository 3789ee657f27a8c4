// OrvaneSetup.exe as an administrator runs it, silently: the deliverables and
// templates land in the chosen directory, "InstallDir1" names it, the current
// mail client user is set up, the mail client stand-in loads both extensions
// from there, and the uninstaller takes it all away again.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin/mail_client.h"
#include "base/whole_file.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const char* const kInstallKey = "Software\\Tamberlow\\Fennick";
const char* const kInstalled[] = {"Merrowin.dll", "Pellatch.dll", "Tolvane.exe",  "Lumvika.dll",
                                  "Merrowin.fff", "Pellatch.fff", "AutoList.txt", "Uninstall.exe"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string& path) {
    std::string text;
    ReadWholeFile(path, text);
    return text;
}

std::optional<std::string> InstallDirValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer - 1;
    const LONG r = RegQueryValueExA(key, "InstallDir1", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer);
}

// Runs the command line to its end; its exit code, or -1.
int RunToEnd(const std::string& commandLine, int ms) {
    std::string line = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(ms)) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

TEST(Installer, InstallsSetsTheUserUpAndUninstallsCleanly) {
    ScratchDir mailbox("installer_mailbox");
    StandInEngine engine(SourcePath(ORV_KEY_DATA));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "orv_installed_" + std::to_string(GetCurrentProcessId());
    const std::string inst = dir + "\\";
    // Everything the installer and the stand-in change is put back afterwards.
    RegistryValue installDir(HKEY_LOCAL_MACHINE, kInstallKey, "InstallDir1", std::nullopt);
    std::string box = mailbox.Path();
    box.pop_back();
    RegistryValue mailboxValue(HKEY_CURRENT_USER, host::kRegMailbox, "", box);
    RegistryValue userValue(HKEY_CURRENT_USER, host::kRegUsername, "", std::string("tester"));
    RegistryValue commandValue(HKEY_CURRENT_USER, host::kRegCommand, "", std::nullopt);
    ReplaceWholeFile(mailbox.Path() + "Merrowin.cfg",
                     "[FilePaths]\r\nPubRing=" + engine.PublicRing() + "\r\nSecRing=" + engine.SecretRing() + "\r\n");
    char path[8192] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string oldPath = path;
    SetEnvironmentVariableA("PATH", (engine.Dir() + ";" + oldPath).c_str());

    // The set-up that the installer offers reports to the user.
    ModalScript script;
    script.Click("KVSEC-Info:", "OK");
    script.Start();
    const int installed = RunToEnd("\"" + ProgramDir() + "OrvaneSetup.exe\" /S /USERSETUP /D=" + dir, 120000);
    EXPECT_TRUE(script.Finish(10000)) << script.Failure();
    EXPECT_EQ(installed, 0);
    for (const char* file : kInstalled) EXPECT_TRUE(Exists(inst + file)) << file;
    EXPECT_EQ(InstallDirValue().value_or("<none>"), dir);
    for (const char* file : {"AutoList.txt", "Merrowin.fff", "Pellatch.fff"})
        EXPECT_TRUE(Exists(mailbox.Path() + file)) << file;
    EXPECT_NE(ReadText(mailbox.Path() + "Merrowin.fff").find("Form DLL = \"" + inst + "Merrowin.dll\""),
              std::string::npos);
    EXPECT_NE(ReadText(inst + "Users.cfg").find("tester=\"" + mailbox.Path() + "\""), std::string::npos);

    // The mail client loads both extensions from the installation.
    const std::string report = mailbox.Path() + "client.log";
    std::string sdkDir = engine.Dir();
    sdkDir.pop_back();  // a backslash before the closing quote would escape it
    const int client = RunToEnd("\"" + ProgramDir() + "PMailStandin.exe\" --user tester --mailbox \"" + box +
                                     "\" --sdk-dir \"" + sdkDir + "\" --module \"" + inst +
                                     "Merrowin.dll\" --module \"" + inst + "Pellatch.dll\" --quit --hidden --report \"" +
                                     report + "\"",
                                 60000);
    const std::string log = ReadText(report);
    EXPECT_EQ(client, 0) << log;
    EXPECT_NE(log.find("loaded " + inst + "Merrowin.dll"), std::string::npos) << log;
    EXPECT_NE(log.find("loaded " + inst + "Pellatch.dll"), std::string::npos) << log;
    DeleteFileA(report.c_str());

    // The uninstaller runs from a copy of itself and leaves no trace; the
    // user's own files stay.
    EXPECT_EQ(RunToEnd("\"" + inst + "Uninstall.exe\" /S", 60000), 0);
    for (int waited = 0; waited < 30000 && Exists(dir); waited += 100) Sleep(100);
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(InstallDirValue().has_value());
    EXPECT_TRUE(Exists(mailbox.Path() + "Merrowin.cfg"));
    EXPECT_TRUE(Exists(mailbox.Path() + "AutoList.txt"));
    SetEnvironmentVariableA("PATH", oldPath.c_str());
}

}  // namespace
