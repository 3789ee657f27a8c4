// Orvane as a user installs it: OrvaneSetup.exe into a folder, the silent
// per-user set-up, then the mail client stand-in started with nothing of
// Orvane on its command line. The forms files of the mailbox make it start
// the automation plug-in and attach the main library as its encryptor; a
// message to a listed recipient leaves encrypted (gpg reads it as Bob), and
// the plug-in's menu opens the manager. Once from a short folder and once
// from one so deep that the client's form record cannot hold the long path.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/installation.h"
#include "base/whole_file.h"
#include "interfaces/mail_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/standin/mailclient/test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/gpg_shell.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

constexpr const char* kAliceKey = "0xE8750B357ACE6A48";
constexpr const char* kBobDigits = "D91F7A27B2A16278";
constexpr const char* kSecret = "Installed and sealed, page 2317";
constexpr size_t kDeepLength = 150;


// A folder in %TEMP% of exactly the length asked for (at least its base),
// made level by level, and removed with whatever the test left in it.
class InstallFolder {
public:
    explicit InstallFolder(size_t length) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        base_ = std::string(temp) + "orv_setup_" + std::to_string(GetCurrentProcessId());
        path_ = base_;
        int level = 0;
        while (path_.size() < length) {
            const size_t room = length - path_.size();
            std::string part = "\\Orvane installation level " + std::to_string(++level);
            if (part.size() > room) part = part.substr(0, room);
            if (part.back() == ' ' || part.back() == '\\') part.back() = 'x';
            path_ += part;
        }
        // Only the levels above the installation are made; the installer
        // makes the last one.
        for (size_t at = base_.size(); (at = path_.find('\\', at + 1)) != std::string::npos;)
            CreateDirectoryA(path_.substr(0, at).c_str(), nullptr);
        CreateDirectoryA(base_.c_str(), nullptr);
    }
    ~InstallFolder() { RemoveFolder(base_ + "\\"); }
    InstallFolder(const InstallFolder&) = delete;
    InstallFolder& operator=(const InstallFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string base_, path_;
};

class InstalledClient : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        engine_ = std::make_unique<StandInEngine>(SourcePath(ORV_KEY_DATA));
        mailbox_ = std::make_unique<ScratchDir>("installed_mailbox");
        prefs_ = std::make_unique<PrefsFileOverride>();
        prefs_->Write("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                      engine_->SecretRing() + "\"\r\nDefaultKeyID=\"" + kAliceKey + "000000000000000000\"\r\n");
        std::string box = mailbox_->Path();
        box.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, kInstallKey, kInstallValue, std::nullopt));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", box));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegUsername, "",
                                                            std::string("tester")));
        // The launcher finds the engine on the search path, as on a machine
        // with the engine installed.
        char path[8192] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_ = path;
        SetEnvironmentVariableA("PATH", (engine_->Dir() + ";" + oldPath_).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
        registry_.clear();
    }

    // The user's own configuration and list, there before the installation.
    void PrepareMailbox() {
        ASSERT_TRUE(ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                                     "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" +
                                         engine_->SecretRing() + "\r\n[DefaultUser]\r\nName=alice\\" + kAliceKey +
                                         "\r\n[HideKeyDialog]\r\nHide=1\r\n[FullAuto]\r\nChecked=1\r\n"
                                         "[ConfirmEncrypt]\r\nConfirm=0\r\n[Version]\r\nNo=99999\r\n"));
        ASSERT_TRUE(ReplaceWholeFile(mailbox_->Path() + "AutoList.txt",
                                     std::string("# recipients\r\nbob@example.org\\1x") + kBobDigits + "\r\n"));
        ASSERT_TRUE(ReplaceWholeFile(mailbox_->Path() + "body.txt", std::string(kSecret) + "\r\n"));
    }

    // The mail client as the user starts it: user, mailbox and engine only.
    std::string ClientArgs(const std::string& report) const {
        std::string box = mailbox_->Path();
        box.pop_back();  // a backslash before the closing quote would escape it
        std::string sdk = engine_->Dir();
        sdk.pop_back();
        return "--user tester --mailbox \"" + box + "\" --sdk-dir \"" + sdk + "\" --report \"" + report + "\"";
    }

    std::string GpgAsBob(const std::string& block) {
        return KeyShell("orv_installed", ORV_KEY_DATA).ReadBlock(block, "--decrypt", {"alice_pub.asc", "bob_sec.asc"});
    }

    std::unique_ptr<StandInEngine> engine_;
    std::unique_ptr<ScratchDir> mailbox_;
    std::unique_ptr<PrefsFileOverride> prefs_;
    std::vector<std::unique_ptr<RegistryValue>> registry_;
    std::string oldPath_;
};

TEST_P(InstalledClient, StartsOrvaneFromTheFormsFilesAndEncryptsForAListedRecipient) {
    InstallFolder folder(GetParam());
    const std::string dir = folder.Path();
    const std::string inst = dir + "\\";
    ASSERT_GE(dir.size(), GetParam());
    PrepareMailbox();
    if (HasFatalFailure()) return;

    {
        ChildProcess setup(ProgramDir() + "OrvaneSetup.exe", "/S /D=" + dir);
        ASSERT_TRUE(setup.Wait(120000)) << "the installer did not end";
        ASSERT_EQ(setup.ExitCode(), 0u);
    }
    ASSERT_NE(GetFileAttributesA((inst + "Merrowin.dll").c_str()), INVALID_FILE_ATTRIBUTES) << inst;
    {
        ChildProcess userSetup(inst + "Tolvane.exe", "UserConfig /S");
        ASSERT_TRUE(userSetup.Wait(60000)) << "the set-up waited for somebody";
        EXPECT_EQ(userSetup.ExitCode(), 0u) << mctest::ReadAll(inst + "Tolvane.log");
    }
    // The user's own list stays; the forms files name the installation.
    EXPECT_NE(mctest::ReadAll(mailbox_->Path() + "AutoList.txt").find(kBobDigits), std::string::npos);
    EXPECT_NE(mctest::ReadAll(mailbox_->Path() + "Pellatch.fff").find("Form DLL = \"" + inst + "Pellatch.dll\""),
              std::string::npos);

    // A message to Bob, who is on the list, written and sent in the client.
    const std::string sendReport = mailbox_->Path() + "send.log";
    {
        ChildProcess client(ProgramDir() + "PMailStandin.exe",
                            ClientArgs(sendReport) + " --send-to bob@example.org --subject Plans --body \"" +
                                mailbox_->Path() + "body.txt\"");
        ASSERT_TRUE(client.Wait(120000)) << mctest::ReadAll(sendReport);
        EXPECT_EQ(client.ExitCode(), 0u) << mctest::ReadAll(sendReport);
    }
    const std::string log = mctest::ReadAll(sendReport);
    const auto lines = mctest::Lines(sendReport);
    EXPECT_NE(log.find("loaded " + inst + "Pellatch.dll"), std::string::npos) << log;
    EXPECT_NE(log.find("loaded " + inst + "Merrowin.dll"), std::string::npos) << log;
    // The plug-in's form starts with the client; the main library attaches
    // as encryptor without a form of its own, which its FORMINIT reports as 0.
    EXPECT_TRUE(mctest::HasLine(lines, "form EDIT FORMINIT 1")) << log;
    EXPECT_EQ(mctest::LineStarting(lines, "attach FORMINIT"), "attach FORMINIT 0") << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    EXPECT_NE(mctest::LineStarting(lines, "call ENCRYPT_FILE_EX"), "") << log;
    const std::string sent = mctest::LineStarting(lines, "sent ");
    ASSERT_NE(sent, "") << log;
    const std::string message = mctest::ReadAll(sent.substr(5));
    EXPECT_EQ(message.find(kSecret), std::string::npos) << "plain text left the client";
    const std::string gpg = GpgAsBob(Between(message, "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----"));
    EXPECT_NE(gpg.find("DECRYPTION_OKAY"), std::string::npos) << gpg;
    EXPECT_NE(gpg.find(kSecret), std::string::npos) << gpg;

    // The plug-in's menu opens the main library's manager in the client.
    const std::string menuReport = mailbox_->Path() + "menu.log";
    {
        ChildProcess client(ProgramDir() + "PMailStandin.exe",
                            ClientArgs(menuReport) + " --menu \"&Orvane>Orvane>&Key manager\"");
        ASSERT_TRUE(client.Started());
        HWND manager = FindTopWindow("TfrmManager", "", 60000);
        EXPECT_NE(manager, nullptr) << mctest::ReadAll(menuReport);
        if (manager) {
            SaveScreenshot(manager, ShotPath("installed_manager_" + std::to_string(GetParam()) + ".png"));
            PostMessageA(manager, WM_CLOSE, 0, 0);
        }
        HWND frame = FindTopWindow(host::kFrameClass, host::kFrameCaption, 10000);
        if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_TRUE(client.Wait(60000)) << mctest::ReadAll(menuReport);
    }
    EXPECT_NE(mctest::ReadAll(menuReport).find("menu &Orvane>Orvane>&Key manager"), std::string::npos)
        << mctest::ReadAll(menuReport);

    ChildProcess uninstall(inst + "Uninstall.exe", "/S");
    EXPECT_TRUE(uninstall.Wait(60000));
    for (int waited = 0; waited < 30000 && GetFileAttributesA(dir.c_str()) != INVALID_FILE_ATTRIBUTES; waited += 100)
        Sleep(100);
}

INSTANTIATE_TEST_SUITE_P(Folders, InstalledClient, ::testing::Values(size_t{0}, kDeepLength),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return info.param ? std::string("Deep") : std::string("Short");
                         });

}  // namespace
