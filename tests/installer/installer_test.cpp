// OrvaneSetup.exe as an administrator runs it, silently and through its pages:
// the deliverables, templates, toolbar bitmaps and help page land in the chosen
// directory, "InstallDir1" and the Add/Remove entry describe them, the Start
// menu offers the file window, the per-user set-up and the uninstaller, the
// current mail client user is set up, the mail client stand-in loads both
// extensions from there, and the uninstaller takes it all away again. An
// upgrade over a running launcher, a downgrade, a machine without an engine
// and a failed clean-up are each met the way an administrator expects; a
// user without any keys gets from the installation to a first encrypted and
// signed message with nothing but what it installed.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "automation/menu.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/file_window.h"
#include "interfaces/mail_client.h"
#include "plugin/session.h"
#include "standin/sdksupport/support_ids.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/app_data_override.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/gpg_shell.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const std::string kUninstallKey = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                                  ORV_PRODUCT_NAME;
const std::string kSetupCaption = std::string(ORV_PRODUCT_NAME) + " " + ORV_VERSION_TEXT + " Setup";
const char* const kDeliverables[] = {"Merrowin.dll", "Pellatch.dll", "Tolvane.exe", "Lumvika.dll"};
const char* const kInstalled[] = {"Merrowin.dll", "Pellatch.dll", "Tolvane.exe",  "Lumvika.dll",
                                  "Merrowin.fff", "Pellatch.fff", "AutoList.txt", "Uninstall.exe"};
const char* const kEngineFiles[] = {"PGP_SDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPcl.dll", "PGPsc.dll"};
// The installer's own exit codes (installer/orvane.nsi).
constexpr int kExitNoEngine = 3;
constexpr int kExitInUse = 4;
constexpr int kExitNewerInstalled = 5;
constexpr int kExitCleanupFailed = 8;
constexpr int kRunMs = 120000;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> RegText(const std::string& subKey, const char* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
    UniqueRegKey key(raw);
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(buffer);
}

std::optional<DWORD> RegNumber(const std::string& subKey, const char* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
    UniqueRegKey key(raw);
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

// A program the test starts, ended by its handle when the test is done with
// it, also when the test fails.
class StartedProcess {
public:
    explicit StartedProcess(const std::string& commandLine) {
        std::string line = commandLine;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
        CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
    }
    ~StartedProcess() { End(); }
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    // Its exit code once it ended within the time, otherwise -1.
    int Wait(int ms) {
        DWORD code = static_cast<DWORD>(-1);
        if (process_ && WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }
    void End() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 10000);
        }
    }

private:
    UniqueHandle process_;
};

int RunToEnd(const std::string& commandLine, int ms) {
    StartedProcess process(commandLine);
    return process.Wait(ms);
}

// Answers the launcher's information box whenever one shows, for as long as
// it lives; a silent run must not need it.
class InfoBoxAnswerer {
public:
    InfoBoxAnswerer()
        : thread_([this] {
              while (!stop_) {
                  for (HWND box : ListTopWindows("#32770", "KVSEC-Info:"))
                      if (ClickButton(box, "OK")) ++answered_;
                  Sleep(100);
              }
          }) {}
    ~InfoBoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    InfoBoxAnswerer(const InfoBoxAnswerer&) = delete;
    InfoBoxAnswerer& operator=(const InfoBoxAnswerer&) = delete;
    int Answered() const { return answered_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};

std::string ResourceText(const std::string& file, LPCSTR type, LPCSTR name) {
    UniqueModule module(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return {};
    HRSRC found = FindResourceA(module.get(), name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module.get(), found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module.get(), found)) : std::string();
}

// A string of the file's version resource, in its first translation.
std::string VersionText(const std::string& file, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (!size) return {};
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, info.data())) return {};
    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return {};
    char query[128];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&value), &length) || !value) return {};
    return value;
}

struct Shortcut {
    std::string name;
    std::string target;
    std::string arguments;
};

std::string StartMenuFolder() {
    char programs[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::string(programs) + "\\" + ORV_PRODUCT_NAME + "\\";
}

// The product's Start-menu folder as the shell reads it: each link's target.
std::vector<Shortcut> StartMenuShortcuts() {
    std::vector<Shortcut> links;
    const std::string folder = StartMenuFolder();
    CoInitialize(nullptr);
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((folder + "*.lnk").c_str(), &fd));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &fd)) {
        Shortcut link{fd.cFileName, {}, {}};
        IShellLinkA* shell = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&shell)))) {
            IPersistFile* file = nullptr;
            if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                const std::string path = folder + fd.cFileName;
                std::wstring wide(path.begin(), path.end());
                char text[MAX_PATH] = {};
                if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
                    if (SUCCEEDED(shell->GetPath(text, MAX_PATH, nullptr, 0))) link.target = text;
                    text[0] = 0;
                    if (SUCCEEDED(shell->GetArguments(text, MAX_PATH))) link.arguments = text;
                }
                file->Release();
            }
            shell->Release();
        }
        links.push_back(link);
    }
    CoUninitialize();
    return links;
}

// A box of the installer: its caption is the installer's, its text holds part.
HWND WaitForBox(const std::string& part, int timeoutMs = 30000) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : ListTopWindows("#32770", kSetupCaption))
                for (const std::string& text : StaticTexts(w))
                    if (text.find(part) != std::string::npos) found = w;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// The installer's page window once its main button reads caption.
HWND WaitForPage(const std::string& button, int timeoutMs = 30000) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            // A page's caption goes on with the page's name.
            for (HWND w : ListTopWindows("#32770", kSetupCaption + "*")) {
                HWND b = FindChild(w, "Button", button);
                if (b && IsWindowEnabled(b)) found = w;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// Answers the installer's box holding part, after a screenshot of it.
bool AnswerBox(const std::string& part, const std::string& shot, const std::string& button) {
    HWND box = WaitForBox(part);
    if (!box) return false;
    SaveScreenshot(box, ShotPath(shot));
    return ClickButton(box, button);
}

// Through the components and directory pages, as an administrator clicks,
// with a screenshot of each when a name is given; false when a page is missing.
bool ClickThroughToInstall(const char* shotPrefix = nullptr) {
    for (const char* button : {"Next >", "Install"}) {
        HWND page = WaitForPage(button);
        if (!page) return false;
        if (shotPrefix)
            SaveScreenshot(page, ShotPath(std::string(shotPrefix) + (button[0] == 'N' ? "components" : "directory") +
                                          ".png"));
        ClickButton(page, button);
    }
    return true;
}

// The engine's passphrase dialog, in whichever program shows it.
HWND FindPassphraseDialog(int timeoutMs) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : ListTopWindows("#32770", ""))
                if (FindChildById(w, kPassphraseEdit)) found = w;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// For the reader of a failure: the screen saved under the name, and the
// windows on it.
std::string ShownWindows(const std::string& shot) {
    SaveScreenshot(nullptr, ShotPath(shot));
    std::string shown = "on the screen (" + shot + "):\n";
    for (HWND w : ListTopWindows("", "")) shown += "  " + ClassOf(w) + " \"" + GetText(w) + "\"\n";
    return shown;
}

class InstallerTest : public ::testing::Test {
protected:
    InstallerTest()
        : mailbox_("installer_mailbox"),
          engine_(SourcePath(ORV_KEY_DATA)),
          installDir_(HKEY_LOCAL_MACHINE, kInstallKey, kInstallValue, std::nullopt),
          installedVersion_(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", std::nullopt),
          mailboxValue_(HKEY_CURRENT_USER, host::kRegMailbox, "", MailboxValue()),
          userValue_(HKEY_CURRENT_USER, host::kRegUsername, "", std::string("tester")),
          commandValue_(HKEY_CURRENT_USER, host::kRegCommand, "", std::nullopt) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "orv_installed_" + std::to_string(GetCurrentProcessId());
        inst_ = dir_ + "\\";
        ReplaceWholeFile(mailbox_.Path() + "Merrowin.cfg", "[FilePaths]\r\nPubRing=" + engine_.PublicRing() +
                                                              "\r\nSecRing=" + engine_.SecretRing() + "\r\n");
        char path[8192] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_ = path;
        SetEnginePath(true);
    }
    ~InstallerTest() override {
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
        RemoveInstallation();
    }

    // The installer's own log of its silent runs.
    static std::string SetupLog() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        return std::string(temp) + ORV_PRODUCT_NAME + "Setup.log";
    }
    // The engine where the product looks for it: on PATH.
    void SetEnginePath(bool withEngine) {
        SetEnvironmentVariableA("PATH", ((withEngine ? engine_.Dir() + ";" : std::string()) + oldPath_).c_str());
    }
    std::string SetupCommand(const std::string& arguments) const {
        return "\"" + ProgramDir() + "OrvaneSetup.exe\" " + arguments + " /D=" + dir_;
    }
    int RunSetup(const std::string& arguments) { return RunToEnd(SetupCommand(arguments), kRunMs); }
    // The uninstaller run in place, so that its exit code is its result.
    int RunUninstallerInPlace(const std::string& arguments) {
        return RunToEnd("\"" + inst_ + "Uninstall.exe\" " + arguments + " _?=" + dir_, kRunMs);
    }
    std::string MailboxValue() const {
        std::string box = mailbox_.Path();
        box.pop_back();
        return box;
    }
    // What a test or a refused uninstall left of the installation.
    void RemoveInstallation() {
        WIN32_FIND_DATAA fd;
        UniqueFind find(FindFirstFileA((inst_ + "*").c_str(), &fd));
        for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &fd))
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((inst_ + fd.cFileName).c_str());
        RemoveDirectoryA(dir_.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        for (const Shortcut& link : StartMenuShortcuts()) DeleteFileA((StartMenuFolder() + link.name).c_str());
        RemoveDirectoryA(StartMenuFolder().c_str());
    }

    ScratchDir mailbox_;
    StandInEngine engine_;
    RegistryValue installDir_;
    RegistryValue installedVersion_;
    RegistryValue mailboxValue_;
    RegistryValue userValue_;
    RegistryValue commandValue_;
    std::string dir_;
    std::string inst_;
    std::string oldPath_;
};

TEST_F(InstallerTest, InstallsSetsTheUserUpAndUninstallsCleanly) {
    DeleteFileA(SetupLog().c_str());
    {
        // The silent set-up reports through its exit code, never in a box.
        InfoBoxAnswerer answerer;
        EXPECT_EQ(RunSetup("/S /USERSETUP"), 0);
        EXPECT_EQ(answerer.Answered(), 0);
    }
    EXPECT_NE(ReadAll(SetupLog()).find("Per-user set-up done (Tolvane.exe UserConfig /S)"), std::string::npos)
        << ReadAll(SetupLog());
    for (const char* file : kInstalled) EXPECT_TRUE(Exists(inst_ + file)) << file;
    EXPECT_EQ(RegText(kInstallKey, kInstallValue).value_or("<none>"), dir_);
    for (const char* file : {"AutoList.txt", "Merrowin.fff", "Pellatch.fff"})
        EXPECT_TRUE(Exists(mailbox_.Path() + file)) << file;
    EXPECT_NE(ReadAll(mailbox_.Path() + "Merrowin.fff").find("Form DLL = \"" + inst_ + "Merrowin.dll\""),
              std::string::npos);
    EXPECT_NE(ReadAll(inst_ + "Users.cfg").find("tester=\"" + mailbox_.Path() + "\""), std::string::npos);

    // The mail client loads both extensions from the installation.
    const std::string report = mailbox_.Path() + "client.log";
    std::string sdkDir = engine_.Dir();
    sdkDir.pop_back();  // a backslash before the closing quote would escape it
    const int client = RunToEnd("\"" + ProgramDir() + "PMailStandin.exe\" --user tester --mailbox \"" +
                                    MailboxValue() + "\" --sdk-dir \"" + sdkDir + "\" --module \"" + inst_ +
                                    "Merrowin.dll\" --module \"" + inst_ + "Pellatch.dll\" --quit --hidden --report \"" +
                                    report + "\"",
                                60000);
    const std::string log = ReadAll(report);
    EXPECT_EQ(client, 0) << log;
    EXPECT_NE(log.find("loaded " + inst_ + "Merrowin.dll"), std::string::npos) << log;
    EXPECT_NE(log.find("loaded " + inst_ + "Pellatch.dll"), std::string::npos) << log;
    DeleteFileA(report.c_str());

    // The uninstaller runs from a copy of itself and leaves no trace; the
    // user's own files stay, the forms files naming the removed library go.
    EXPECT_EQ(RunToEnd("\"" + inst_ + "Uninstall.exe\" /S", 60000), 0);
    // Removing its Add/Remove entry is the copy's last step.
    PumpUntil([&] { return !Exists(dir_) && !RegText(kUninstallKey, "DisplayName"); }, 30000);
    EXPECT_FALSE(Exists(dir_));
    EXPECT_FALSE(RegText(kInstallKey, kInstallValue).has_value());
    EXPECT_FALSE(RegText(kUninstallKey, "DisplayName").has_value());
    EXPECT_TRUE(StartMenuShortcuts().empty());
    EXPECT_TRUE(Exists(mailbox_.Path() + "Merrowin.cfg"));
    EXPECT_TRUE(Exists(mailbox_.Path() + "AutoList.txt"));
    EXPECT_FALSE(Exists(mailbox_.Path() + "Merrowin.fff"));
    EXPECT_FALSE(Exists(mailbox_.Path() + "Pellatch.fff"));
}

TEST_F(InstallerTest, AddRemoveEntryStartMenuManifestsAndCopyrightAreThere) {
    ASSERT_EQ(RunSetup("/S"), 0);
    EXPECT_EQ(RegText(kUninstallKey, "DisplayIcon").value_or(""), inst_ + "Tolvane.exe,0");
    EXPECT_EQ(RegText(kUninstallKey, "DisplayVersion").value_or(""), ORV_VERSION_TEXT);
    EXPECT_EQ(RegNumber(kUninstallKey, "VersionMajor").value_or(999), DWORD(ORV_VERSION_MAJOR));
    EXPECT_EQ(RegNumber(kUninstallKey, "VersionMinor").value_or(999), DWORD(ORV_VERSION_MINOR));
    // The deliverables alone take more than a hundred kilobytes.
    EXPECT_GT(RegNumber(kUninstallKey, "EstimatedSize").value_or(0), DWORD(100));
    const std::string helpLink = RegText(kUninstallKey, "HelpLink").value_or("");
    EXPECT_EQ(helpLink, inst_ + kHtmlHelpName);
    EXPECT_TRUE(Exists(helpLink)) << helpLink;

    // Every toolbar bitmap the plug-in names is installed and is a bitmap.
    const automation::TextSource text = [](txt::TextNo) { return std::string("Encrypt/Sign (both)"); };
    for (std::uint16_t mask : {std::uint16_t(0x1FF), std::uint16_t(0x1FC), std::uint16_t(0x1F8)})
        for (const automation::ButtonSpec& button : automation::ToolbarButtonsOf(mask, text)) {
            HANDLE bitmap = LoadImageA(nullptr, (inst_ + button.bitmap).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
            EXPECT_NE(bitmap, nullptr) << button.bitmap;
            if (bitmap) DeleteObject(bitmap);
        }

    // The Start menu offers the file window, the per-user set-up and the
    // uninstaller; the listing is kept beside the screenshots.
    const std::vector<Shortcut> links = StartMenuShortcuts();
    std::string listing;
    for (const Shortcut& link : links) listing += link.name + " -> " + link.target + " " + link.arguments + "\r\n";
    ReplaceWholeFile(ShotPath("installer_start_menu.txt"), listing);
    std::printf("Start menu %s:\n%s", StartMenuFolder().c_str(), listing.c_str());
    auto has = [&](const std::string& target, const std::string& arguments) {
        for (const Shortcut& link : links)
            if (_stricmp(link.target.c_str(), target.c_str()) == 0 && link.arguments == arguments) return true;
        return false;
    };
    EXPECT_TRUE(has(inst_ + "Tolvane.exe", "")) << listing;
    EXPECT_TRUE(has(inst_ + "Tolvane.exe", "UserConfig")) << listing;
    EXPECT_TRUE(has(inst_ + "Uninstall.exe", "")) << listing;

    // The launcher runs as whoever starts it; installer and uninstaller ask
    // for an administrator.
    const auto manifest = [](const std::string& file) {
        return ResourceText(file, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    };
    EXPECT_NE(manifest(inst_ + "Tolvane.exe").find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest(ProgramDir() + "OrvaneSetup.exe").find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest(inst_ + "Uninstall.exe").find("level=\"requireAdministrator\""), std::string::npos);

    for (const std::string& file : {inst_ + kDeliverables[0], inst_ + kDeliverables[1], inst_ + kDeliverables[2],
                                    inst_ + kDeliverables[3], ProgramDir() + "OrvaneSetup.exe", inst_ + "Uninstall.exe"})
        EXPECT_EQ(VersionText(file, "LegalCopyright"), ORV_COPYRIGHT) << file;
    EXPECT_EQ(RunUninstallerInPlace("/S"), 0);
}

TEST_F(InstallerTest, UpgradeOverARunningLauncherAsksToCloseItAndReplacesNothingBefore) {
    ASSERT_EQ(RunSetup("/S"), 0);
    // A mark that only a replaced plug-in loses.
    const std::string plugin = inst_ + "Pellatch.dll";
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(plugin, bytes));
    const std::size_t size = bytes.size();
    ASSERT_TRUE(ReplaceWholeFile(plugin, bytes + "MARK"));

    StartedProcess launcher("\"" + inst_ + "Tolvane.exe\"");
    ASSERT_TRUE(launcher.Started());
    ASSERT_TRUE(PumpUntil([] { return !ListTopWindows(ui::kServerWindowClass, "").empty(); }, 60000));

    EXPECT_EQ(RunSetup("/S"), kExitInUse);
    ReadWholeFile(plugin, bytes);
    EXPECT_EQ(bytes.size(), size + 4) << "a file was replaced while the launcher ran";

    // Through the pages, run by an administrator who uses no mail client:
    // the set-up is not offered ready to go, the box names what is in use,
    // and Retry after the launcher has ended installs.
    RegistryValue noMailbox(HKEY_CURRENT_USER, host::kRegMailbox, "", std::nullopt);
    StartedProcess setup(SetupCommand(""));
    ASSERT_TRUE(ClickThroughToInstall("installer_page_"));
    HWND box = WaitForBox("is in use");
    ASSERT_NE(box, nullptr);
    SaveScreenshot(box, ShotPath("installer_box_in_use.png"));
    launcher.End();
    ClickButton(box, "Retry");
    HWND page = WaitForPage("Close");
    ASSERT_NE(page, nullptr);
    SaveScreenshot(page, ShotPath("installer_page_done.png"));
    ClickButton(page, "Close");
    EXPECT_EQ(setup.Wait(kRunMs), 0);
    ReadWholeFile(plugin, bytes);
    EXPECT_EQ(bytes.size(), size);
    EXPECT_FALSE(Exists(mailbox_.Path() + "Merrowin.fff")) << "the user was set up without being chosen";
    EXPECT_EQ(RunUninstallerInPlace("/S"), 0);
}

TEST_F(InstallerTest, UpgradeOverARunningMailClientIsRefusedSilently) {
    ASSERT_EQ(RunSetup("/S"), 0);
    const std::string report = mailbox_.Path() + "client.log";
    std::string sdkDir = engine_.Dir();
    sdkDir.pop_back();
    StartedProcess client("\"" + ProgramDir() + "PMailStandin.exe\" --user tester --mailbox \"" + MailboxValue() +
                          "\" --sdk-dir \"" + sdkDir + "\" --module \"" + inst_ + "Pellatch.dll\" --hidden --report \"" +
                          report + "\"");
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(PumpUntil([&] { return ReadAll(report).find("loaded " + inst_ + "Pellatch.dll") != std::string::npos; },
                          60000))
        << ReadAll(report);
    EXPECT_EQ(RunSetup("/S"), kExitInUse);
    client.End();
    EXPECT_EQ(RunSetup("/S"), 0);
    EXPECT_EQ(RunUninstallerInPlace("/S"), 0);
}

TEST_F(InstallerTest, DowngradeAsksAndASilentOneIsRefused) {
    RegistryValue newer(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", std::string("99.0.0.0"));
    EXPECT_EQ(RunSetup("/S"), kExitNewerInstalled);
    EXPECT_FALSE(Exists(dir_));

    StartedProcess setup(SetupCommand(""));
    ASSERT_TRUE(AnswerBox("newer", "installer_box_downgrade.png", "No"));
    EXPECT_EQ(setup.Wait(kRunMs), kExitNewerInstalled);
    EXPECT_FALSE(Exists(dir_));
}

// Nothing on the machine offers an engine: the installer brings its own,
// beside the deliverables, and the launcher and the main library inside the
// mail client (neither of whose folders nor PATH holds one) load it there.
TEST_F(InstallerTest, WithoutAnEngineOnTheMachineItsOwnIsInstalledAndLoaded) {
    SetEnginePath(false);
    DeleteFileA(SetupLog().c_str());
    EXPECT_EQ(RunSetup("/S /USERSETUP"), 0) << ReadAll(SetupLog());
    for (const char* file : kEngineFiles) EXPECT_TRUE(Exists(inst_ + file)) << file;
    EXPECT_NE(ReadAll(SetupLog()).find("Per-user set-up done (Tolvane.exe UserConfig /S)"), std::string::npos)
        << ReadAll(SetupLog());
    const std::string report = mailbox_.Path() + "client.log";
    const int client = RunToEnd("\"" + ProgramDir() + "PMailStandin.exe\" --user tester --mailbox \"" +
                                    MailboxValue() + "\" --module \"" + inst_ + "Merrowin.dll\" --quit --hidden --report \"" +
                                    report + "\"",
                                60000);
    const std::string log = ReadAll(report);
    EXPECT_EQ(client, 0) << log;
    EXPECT_NE(log.find("loaded " + inst_ + "Merrowin.dll"), std::string::npos) << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    DeleteFileA(report.c_str());
    // The uninstaller takes the engine with it.
    EXPECT_EQ(RunToEnd("\"" + inst_ + "Uninstall.exe\" /S", 60000), 0);
    PumpUntil([&] { return !Exists(dir_); }, 30000);
    for (const char* file : kEngineFiles) EXPECT_FALSE(Exists(inst_ + file)) << file;
    EXPECT_FALSE(Exists(dir_));
}

// A Windows user without any keys and without PGP preferences: the installer
// brings its engine, the engine's key manager opened from the plug-in's menu
// makes the key rings and the user's first key pair, a key gpg made arrives
// in a message and the client's key command adds it, the plug-in puts the
// key ring's addresses on the AutoList, and the first message to the gpg
// user leaves encrypted to that key and signed with the new one, as gpg reads
// it; Orvane's configuration then names the new key as the signing key.
TEST_F(InstallerTest, AFreshUserMakesAKeyPairAndSendsAnEncryptedSignedMessageToAGpgUser) {
    const std::string kName = "Fresh User", kMail = "fresh@example.org";
    const std::string kPass = "first key of mine";
    const std::string kGale = "gale@example.net";
    const std::string kBody = "Dear Gale,\r\nthe first sealed words from Orvane, page 2389.\r\nFresh\r\n";
    ScratchAppData appData;
    SetEnginePath(false);
    mailbox_.Empty();
    ASSERT_TRUE(mailbox_.Files().empty());
    ASSERT_EQ(GetFileAttributesA(appData.PrefsFile().c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_EQ(RunSetup("/S /USERSETUP"), 0) << ReadAll(SetupLog());
    for (const char* file : kEngineFiles) ASSERT_TRUE(Exists(inst_ + file)) << file;
    const std::string client = ProgramDir() + "PMailStandin.exe";
    // The mail client as the user starts it: the forms files bring Orvane.
    const auto clientArgs = [&](const std::string& report) {
        return "--user tester --mailbox \"" + MailboxValue() + "\" --report \"" + report + "\"";
    };
    const auto closeClient = [](ChildProcess& pmail, const std::string& report) {
        HWND frame = FindTopWindow(host::kFrameClass, host::kFrameCaption, 10000);
        EXPECT_NE(frame, nullptr);
        if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_TRUE(pmail.Wait(60000)) << ShownWindows("fresh_user_held.png") << ReadAll(report);
    };

    // The engine's key manager from the plug-in's menu: it offers new rings,
    // then makes a key pair in its dialog.
    std::string keyID;
    {
        const std::string report = mailbox_.Path() + "keys.log";
        ChildProcess pmail(client, clientArgs(report) + " --menu \"&Orvane>Launch &PGPkeys\"");
        ASSERT_TRUE(pmail.Started());
        HWND offer = FindTopWindow("#32770", SDKSC_KEYS_CAPTION, 60000);
        ASSERT_NE(offer, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        std::string question;
        for (const std::string& text : StaticTexts(offer)) question += text;
        EXPECT_NE(question.find(inst_ + "pubring.pkr"), std::string::npos) << question;
        EXPECT_NE(question.find("Create new, empty key rings there?"), std::string::npos) << question;
        SaveScreenshot(offer, ShotPath("fresh_user_offer.png"));
        ASSERT_TRUE(ClickButton(offer, "Yes"));
        ASSERT_TRUE(WaitGone(offer, 30000));
        HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 30000);
        ASSERT_NE(keys, nullptr) << ShownWindows("fresh_user_held.png");
        HWND status = FindChildById(keys, IDC_SDKSC_KEYS_STATUS);
        ASSERT_TRUE(PumpUntil([&] { return GetText(status).rfind("0 keys in ", 0) == 0; }, 30000)) << GetText(status);

        // "New Key Pair..." of its menu, as the user chooses it.
        PostMessageA(keys, WM_COMMAND, IDM_SDKSC_KEYS_NEW, 0);
        HWND dialog = FindTopWindow("#32770", "New Key Pair", 30000);
        ASSERT_NE(dialog, nullptr) << ShownWindows("fresh_user_held.png");
        SendMessageA(FindChildById(dialog, IDC_SDKSC_NEWKEY_SIZE), CB_SETCURSEL, 0, 0);  // 2048 bits, quick
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_NAME), kName);
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_EMAIL), kMail);
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_PASS), kPass);
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_CONFIRM), kPass);
        SaveScreenshot(dialog, ShotPath("fresh_user_new_key_pair.png"));
        ASSERT_TRUE(ClickId(dialog, IDOK));
        const std::string made = "Made the key pair 0x";
        ASSERT_TRUE(PumpUntil([&] { return GetText(status).rfind(made, 0) == 0; }, 180000))
            << GetText(status) << ShownWindows("fresh_user_held.png");
        const std::string said = GetText(status);
        keyID = said.substr(made.size() - 2, 18);
        EXPECT_EQ(said, made + keyID.substr(2) + ", your default key.");
        SaveScreenshot(keys, ShotPath("fresh_user_pgpkeys.png"));
        PostMessageA(keys, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitGone(keys, 30000));
        closeClient(pmail, report);
        EXPECT_EQ(ReadAll(report).find("error"), std::string::npos) << ReadAll(report);
    }
    ASSERT_EQ(keyID.size(), 18u);
    // The engine's preferences now name the rings beside it and the new key.
    const std::string prefs = ReadAll(appData.PrefsFile());
    EXPECT_NE(prefs.find("PublicKeyringFile=\"" + inst_ + "pubring.pkr\""), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("DefaultKeyID=" + keyID), std::string::npos) << prefs;

    // Gale's key, made by gpg without a passphrase, mailed to the user.
    UnixScratch gale("orv_gale");
    const std::string listed = gale.Run(
        "gpg --batch --passphrase '' --quick-gen-key 'Gale Gpg <" + kGale + ">' default default never 2>/dev/null; "
        "gpg --batch --armor --export " + kGale + " > " + gale.Unix() + "gale_pub.asc; "
        "gpg --batch --armor --pinentry-mode loopback --passphrase '' --export-secret-keys " + kGale + " > " +
        gale.Unix() + "gale_sec.asc; gpg --batch --with-colons --list-keys " + kGale);
    const std::string galeKey = ColonField(listed, "pub", 4);
    ASSERT_EQ(galeKey.size(), 16u) << listed;
    const std::string galePub = ReadAll(gale.Win() + "gale_pub.asc");
    ASSERT_NE(galePub.find("BEGIN PGP PUBLIC KEY BLOCK"), std::string::npos) << listed;
    const std::string letter = mailbox_.Path() + "GALEKEY.PM$";
    ASSERT_TRUE(ReplaceWholeFile(letter, "From: Gale Gpg <" + kGale + ">\r\nTo: " + kMail +
                                             "\r\nSubject: my key\r\n\r\nHello, here is my key.\r\n\r\n" + galePub));

    // The client's key command on the message: the engine asks which of its
    // keys to add.
    {
        const std::string report = mailbox_.Path() + "import.log";
        ChildProcess pmail(client, clientArgs(report) + " --keys \"" + letter + "\"");
        ASSERT_TRUE(pmail.Started());
        HWND dialog = FindTopWindow("#32770", "PGP Key Selection", 60000);
        ASSERT_NE(dialog, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        SaveScreenshot(dialog, ShotPath("fresh_user_import.png"));
        HWND ok = FindChildById(dialog, IDOK);
        EXPECT_FALSE(IsWindowEnabled(ok)) << "a key was chosen before the user chose one";
        // The first (only) key, chosen from the keyboard.
        ASSERT_TRUE(AwaitKeys(dialog));
        SendKeyInput(VK_HOME);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(ok) != FALSE; }, 30000));
        ClickId(dialog, IDOK);
        EXPECT_TRUE(pmail.Wait(60000)) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        EXPECT_EQ(pmail.ExitCode(), 0u) << ReadAll(report);
        EXPECT_NE(ReadAll(report).find("reaction keys imported"), std::string::npos) << ReadAll(report);
    }

    // The key ring's addresses onto the AutoList from the plug-in's menu;
    // the new entries encrypt and sign.
    {
        const std::string report = mailbox_.Path() + "autolist.log";
        ChildProcess pmail(client, clientArgs(report) + " --menu \"&Orvane>Edit AutoList>&Key ring addresses\"");
        ASSERT_TRUE(pmail.Started());
        HWND box = FindTopWindow("TfrmAddrBox", "", 60000);
        ASSERT_NE(box, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        ASSERT_TRUE(AwaitKeys(box));
        SendKeyInput('A', true);  // every address marked for adding
        WaitForInputIdle(pmail.Handle(), DWORD(Patience(10000)));
        SaveScreenshot(box, ShotPath("fresh_user_autolist.png"));
        SendKeyInput(VK_RETURN);
        HWND added = FindTopWindow("TfrmPGPDlg", "", 60000);
        ASSERT_NE(added, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        SaveScreenshot(added, ShotPath("fresh_user_autolist_added.png"));
        EXPECT_EQ(ViewBox(added).text, "2 address(es) of the key ring added to the AutoList");
        PostKey(added, VK_RETURN);
        EXPECT_TRUE(WaitGone(added, 30000));
        closeClient(pmail, report);
    }
    const std::string autoList = ReadAll(mailbox_.Path() + "AutoList.txt");
    EXPECT_NE(LowerCase(autoList).find(LowerCase("Gale Gpg <" + kGale + ">\\3x" + galeKey)), std::string::npos)
        << autoList;

    // The first message to Gale, written and sent in the client.
    const std::string report = mailbox_.Path() + "send.log";
    ASSERT_TRUE(ReplaceWholeFile(mailbox_.Path() + "body.txt", kBody));
    {
        ChildProcess pmail(client, clientArgs(report) + " --send-to " + kGale + " --subject \"First words\" --body \"" +
                                       mailbox_.Path() + "body.txt\"");
        ASSERT_TRUE(pmail.Started());
        // The client's encryption dialog, filled by the plug-in from the
        // AutoList entry; without full automation the user confirms it.
        HWND dialog = FindTopWindow("#32770", "Encryption", 60000);
        ASSERT_NE(dialog, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        HWND encrypt = FindChild(dialog, "Button", "Encrypt the message");
        HWND sign = FindChild(dialog, "Button", "Sign the message");
        ASSERT_TRUE(encrypt && sign);
        EXPECT_TRUE(PumpUntil(
            [&] {
                return SendMessageA(encrypt, BM_GETCHECK, 0, 0) == BST_CHECKED &&
                       SendMessageA(sign, BM_GETCHECK, 0, 0) == BST_CHECKED;
            },
            30000))
            << "the entry's flags did not reach the dialog";
        SaveScreenshot(dialog, ShotPath("fresh_user_encryption.png"));
        ClickButton(dialog, "OK");
        // The engine asks for the passphrase of the signing key.
        HWND passphrase = FindPassphraseDialog(60000);
        ASSERT_NE(passphrase, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        SaveScreenshot(passphrase, ShotPath("fresh_user_passphrase.png"));
        TypePassphrase(passphrase, kPass);
        // Without "hide key dialog" the user confirms the key the address
        // found.
        HWND keys = FindTopWindow("TfrmSelKey", "", 60000);
        ASSERT_NE(keys, nullptr) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        SaveScreenshot(keys, ShotPath("fresh_user_recipient.png"));
        ASSERT_TRUE(ClickButton(keys, "OK"));
        EXPECT_TRUE(pmail.Wait(180000)) << ShownWindows("fresh_user_held.png") << ReadAll(report);
        EXPECT_EQ(pmail.ExitCode(), 0u) << ReadAll(report);
    }
    // Orvane's configuration names the new key as the user's signing key.
    char signer[1024] = {};
    GetPrivateProfileStringA("DefaultUser", "Name", "", signer, sizeof signer, (mailbox_.Path() + "Merrowin.cfg").c_str());
    EXPECT_EQ(std::string(signer), kName + " <" + kMail + ">\\" + keyID);

    const std::string log = ReadAll(report);
    const size_t sentAt = log.find("\nsent ");
    ASSERT_NE(sentAt, std::string::npos) << log;
    const std::string message = ReadAll(log.substr(sentAt + 6, log.find('\r', sentAt + 1) - sentAt - 6));
    EXPECT_EQ(message.find("page 2389"), std::string::npos) << "plain text left the client";
    const std::string block = Between(message, "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----");
    ASSERT_FALSE(block.empty()) << message;

    // Gale's gpg, holding Gale's secret key and the new public key.
    ASSERT_TRUE(CopyFileA((inst_ + "pubring.pkr").c_str(), (gale.Win() + "fresh_pub.pkr").c_str(), FALSE));
    std::string galeDir = gale.Unix();
    galeDir.pop_back();
    KeyShell gpg("orv_gale_reads", galeDir);
    const std::string read = gpg.ReadBlock(block, "--decrypt", {"gale_sec.asc", "fresh_pub.pkr"});
    EXPECT_NE(read.find("[GNUPG:] DECRYPTION_OKAY"), std::string::npos) << read;
    EXPECT_NE(read.find("[GNUPG:] GOODSIG " + keyID.substr(2) + " " + kName + " <" + kMail + ">"), std::string::npos)
        << read;
    const size_t plain = read.find("\n\n");
    ASSERT_NE(plain, std::string::npos) << read;
    EXPECT_NE(read.find("the first sealed words from Orvane, page 2389.", plain), std::string::npos) << read;
}

TEST_F(InstallerTest, WithoutAnyEngineTheInstallerSaysSoAndInstallsNothing) {
    SetEnginePath(false);
    DeleteFileA(SetupLog().c_str());
    // Its own engine left out, as a user may untick it.
    EXPECT_EQ(RunSetup("/S /NOENGINE"), kExitNoEngine);
    EXPECT_FALSE(Exists(dir_));
    EXPECT_NE(ReadAll(SetupLog()).find("no OpenPGP engine"), std::string::npos) << ReadAll(SetupLog());

    StartedProcess setup(SetupCommand("/NOENGINE"));
    ASSERT_TRUE(ClickThroughToInstall());
    ASSERT_TRUE(AnswerBox("No OpenPGP engine", "installer_box_no_engine.png", "Cancel"));
    EXPECT_EQ(setup.Wait(kRunMs), kExitNoEngine);
    EXPECT_FALSE(Exists(dir_));
}

TEST_F(InstallerTest, FailedCleanupIsReportedAndKeepsUsersCfg) {
    {
        InfoBoxAnswerer answerer;
        ASSERT_EQ(RunSetup("/S /USERSETUP"), 0);
    }
    ASSERT_TRUE(Exists(inst_ + "Users.cfg"));
    // The user's configuration is held open: the clean-up cannot remove it.
    UniqueHandle held(CreateFileA((mailbox_.Path() + "Merrowin.cfg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(RunUninstallerInPlace("/S /CLEANUP"), kExitCleanupFailed);
    held.reset();
    EXPECT_TRUE(Exists(inst_ + "Users.cfg"));
    EXPECT_FALSE(Exists(inst_ + "Merrowin.dll"));
    EXPECT_FALSE(Exists(mailbox_.Path() + "Merrowin.fff"));
    EXPECT_FALSE(Exists(mailbox_.Path() + "Pellatch.fff"));
}

}  // namespace
