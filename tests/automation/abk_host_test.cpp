// The AutoList's upkeep through Pellatch.dll inside the mail client
// stand-in, beside a main library whose address and key exports answer as
// the test scripts them: address books in the client's format added from the
// menu, the key-ID update that a refusing or missing export cannot empty,
// options set around comments, the last recipients of a send, a save that
// cannot replace the file, and the upgrade after installation.
#include "tests/automation/pellatch_fixture.h"

#include <cstdio>

#include "automation/autolist_upkeep.h"
#include "automation/pl_utils.h"
#include "base/unique_handle.h"
#include "plugin/automation_messages.h"
#include "plugin/mail_client.h"
#include "standin/mailclient/mail_files.h"

using namespace pltest;
namespace host = orv::host;

namespace {

constexpr const char* kHeader = "##### Orvane AutoList  Update 4.8.5 #####\r\n\r\n";
constexpr UINT kAutoListBase = 0x1000;

std::string VersionText() {
    return orv::automation::TPLUtils::GetVersion(PluginPath());
}

}  // namespace

class AutoListHost : public PellatchHost {
protected:
    void Start(MainLibrary main = MainLibrary::Scripted) {
        Prepare(main);
        if (HasFatalFailure()) return;
        StartClient();
        ASSERT_NE(AutomationWindow(), nullptr);
    }

    std::string List() const { return mctest::ReadAll(mailbox + "AutoList.txt"); }
    bool WriteList(const std::string& text) const { return mctest::WriteAll(mailbox + "AutoList.txt", text); }

    // The scripted answer of an export: the text it writes, and its result.
    void Answer(const std::string& name, const std::string& out) const {
        ASSERT_TRUE(mctest::WriteAll(install + "out_" + name + ".txt", out));
    }
    void Result(const std::string& name, int result) const {
        ASSERT_TRUE(mctest::WriteAll(install + "ret_" + name + ".txt", std::to_string(result)));
    }
    std::string Given(const std::string& name) const { return mctest::ReadAll(install + "in_" + name + ".txt"); }
    std::vector<std::string> MainLog() const {
        std::vector<std::string> lines;
        for (auto& l : orv::automation::SplitLines(mctest::ReadAll(install + "main.log"))) lines.push_back(l);
        return lines;
    }
    bool MainLogged(const std::string& line) const { return mctest::HasLine(MainLog(), line); }

    void WriteBook(const std::string& file, const std::string& name,
                   const std::vector<orv::mailclient::AddressEntry>& entries) const {
        orv::mailclient::AddressBook book{name, entries};
        ASSERT_TRUE(mctest::WriteAll(mailbox + file, orv::mailclient::AddressBookText(book)));
    }

    // Command k of the AutoList menu, as its popup sends it.
    void Command(int k) {
        SendMessageA(AutomationWindow(), WM_COMMAND, kAutoListBase + k, 0);
        mctest::PumpFor(100);
    }

    bool StatusShown(const std::string& text) const {
        for (const auto& s : host->StatusLines())
            if (s.text == text) return true;
        return false;
    }

    std::string Cfg() const { return mailbox + "Merrowin.cfg"; }
    int CfgInt(const char* section, const char* key, int fallback) const {
        return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, Cfg().c_str()));
    }
};

TEST_F(AutoListHost, AddsTheChosenAddressesOfABookInTheClientsFormat) {
    Prepare(MainLibrary::Scripted);
    WriteBook("FRIENDS.PMR", "Friends", {{"Alice", "alice@example.org"}, {"Bob \"B\"", "bob@example.org"}});
    // A book without a name is no book.
    WriteBook("NONAME.PMR", "", {{"Nobody", "nobody@example.org"}});
    ASSERT_TRUE(WriteList(std::string(kHeader) + "zed@example.org\\1x9999999999999999\r\n"));
    StartClient();
    Answer("GetABKAddr", "alice@example.org\xA0(Alice)\\3x1111111111111111\r\n");

    Command(1);  // the one book
    EXPECT_TRUE(MainLogged("GetABKAddr 3"));
    EXPECT_EQ(Given("GetABKAddr"), "alice@example.org\xA0(Alice)\tFriends\r\nbob@example.org\xA0(Bob B)\tFriends");
    EXPECT_EQ(List(), std::string(kHeader) +
                          "Alice\\3x1111111111111111\r\n"
                          "alice@example.org\\3x1111111111111111\r\n"
                          "zed@example.org\\1x9999999999999999\r\n");
    EXPECT_TRUE(MainLogged("Info 2 new address(es) added to the AutoList"));
    EXPECT_TRUE(StatusShown("Updating the AutoList ..."));
    EXPECT_TRUE(StatusShown("AutoList updated"));
}

TEST_F(AutoListHost, AllBooksFromTheFrontendMenuOfTheFrame) {
    Prepare(MainLibrary::Scripted);
    WriteBook("A.PMR", "Friends", {{"Alice", "alice@example.org"}});
    WriteBook("B.PMR", "Work", {{"", "carol@example.org"}});
    StartClient();
    Answer("GetABKAddr", "carol@example.org\\1x3333333333333333");
    // Two books: 0x1003 is "all books", reached through the frame's menu.
    PostMessageA(host->Frame(), WM_COMMAND, kAutoListBase + 3, 0);
    mctest::PumpFor(300);
    const std::string given = Given("GetABKAddr");
    EXPECT_NE(given.find("alice@example.org\xA0(Alice)\tFriends"), std::string::npos) << given;
    EXPECT_NE(given.find("carol@example.org\tWork"), std::string::npos) << given;
    // No list before: the new one holds the entry and nothing else.
    EXPECT_EQ(List(), "carol@example.org\\1x3333333333333333\r\n");
}

TEST_F(AutoListHost, AnUpdateTheMainLibraryRefusesLeavesTheListAsItWas) {
    Start();
    const std::string list = std::string(kHeader) + "bob@example.org\\3x22222222\r\n# friends\r\nBob\\3x22222222\r\n";
    ASSERT_TRUE(WriteList(list));
    // Written nothing, result 0: what a missing export answers.
    Command(5);
    EXPECT_TRUE(MainLogged("FindKeys 0"));
    EXPECT_EQ(List(), list);
    EXPECT_TRUE(MainLogged("Error Cannot update the key IDs of the AutoList"));
    // Text written but refused with -1.
    Answer("FindKeys", "x\\0x1\r\n");
    Result("FindKeys", -1);
    Command(5);
    EXPECT_EQ(List(), list);
    EXPECT_FALSE(MainLogged("Info The key IDs of the AutoList have been updated"));
}

TEST_F(AutoListHost, AnUpdateWithoutTheExportLeavesTheListAsItWas) {
    Start(MainLibrary::Partial);
    const std::string list = std::string(kHeader) + "bob@example.org\\3x22222222\r\n";
    ASSERT_TRUE(WriteList(list));
    Command(5);  // no books: update
    EXPECT_EQ(List(), list);
    Command(4);  // options: the export is missing, nothing changes
    EXPECT_EQ(List(), list);
}

TEST_F(AutoListHost, AnUpdateSortsTheLongerKeysAndKeepsTwoKeysForOneAddress) {
    Start();
    ASSERT_TRUE(WriteList(std::string(kHeader) + "bob@example.org\\3x22222222\r\nbob@example.org\\1x11111111\r\n"));
    Answer("FindKeys", "bob@example.org\\3x2222222222222222\r\nbob@example.org\\1x1111111111111111\r\n");
    Result("FindKeys", 2);
    Command(5);
    EXPECT_EQ(Given("FindKeys"), "bob@example.org\\3x22222222\r\nbob@example.org\\1x11111111\r\n");
    EXPECT_EQ(List(), std::string(kHeader) +
                          "bob@example.org\\1x1111111111111111\r\n"
                          "bob@example.org\\3x2222222222222222\r\n");
    EXPECT_TRUE(MainLogged("Info The key IDs of the AutoList have been updated"));
}

TEST_F(AutoListHost, SettingOptionsKeepsCommentsWhereTheyAre) {
    Start();
    ASSERT_TRUE(WriteList(std::string(kHeader) +
                          "b@example.org\\1x2222222222222222\r\n# colleagues\r\na@example.org\\1x1111111111111111\r\n"));
    Answer("SetAddrOptions", "b@example.org\\3x2222222222222222\r\na@example.org\\9x1111111111111111");
    Command(4);
    EXPECT_EQ(Given("SetAddrOptions"), "b@example.org\\1x2222222222222222\r\na@example.org\\1x1111111111111111");
    EXPECT_EQ(List(), std::string(kHeader) +
                          "a@example.org\\9x1111111111111111\r\n# colleagues\r\nb@example.org\\3x2222222222222222\r\n");
}

TEST_F(AutoListHost, ACancelledDialogLeavesTheFileUntouched) {
    Start();
    const std::string list = "b@example.org\\1x2222222222222222\r\n";
    ASSERT_TRUE(WriteList(list));
    Answer("SetAddrOptions", "");
    Result("SetAddrOptions", 0);
    Command(4);
    EXPECT_EQ(List(), list);
}

TEST_F(AutoListHost, ASaveThatCannotReplaceTheFileLeavesTheOldList) {
    Prepare(MainLibrary::Scripted);
    WriteBook("FRIENDS.PMR", "Friends", {{"Alice", "alice@example.org"}});
    const std::string list = std::string(kHeader) + "zed@example.org\\1x9999999999999999\r\n";
    ASSERT_TRUE(WriteList(list));
    StartClient();
    Answer("GetABKAddr", "alice@example.org\\3x1111111111111111\r\n");
    {
        // Another program holds the list open against writers.
        orv::UniqueHandle held(CreateFileA((mailbox + "AutoList.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        Command(1);
    }
    EXPECT_EQ(List(), list);
    EXPECT_TRUE(MainLogged("Error Error while changing the AutoList"));
    EXPECT_TRUE(StatusShown("AutoList updated"));
    // Nothing is left beside it.
    WIN32_FIND_DATAA found{};
    int files = 0;
    HANDLE search = FindFirstFileA((mailbox + "*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 4) << "AutoList.txt, FRIENDS.PMR, Pellatch.fff, PMAIL.INI";
}

TEST_F(AutoListHost, TheKeysOfASendAreOfferedWhenTheMainLibrarysFormCloses) {
    Start();
    ASSERT_TRUE(WriteList(std::string(kHeader) + "zed@example.org\\1x9999999999999999\r\n"));
    const std::string entry = "Bob <bob@example.org>\r\ncarol@example.org\\0x2222222222222222,0x3333333333333333";
    SendMessageA(AutomationWindow(), orv::automation::AM_ADDTOLIST, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    Answer("AddAddrOptions", "Bob <bob@example.org>\\3x2222222222222222\r\n");
    SendMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    mctest::PumpFor(100);
    EXPECT_TRUE(MainLogged("AddAddrOptions 3 0"));
    EXPECT_EQ(Given("AddAddrOptions"),
              "Bob <bob@example.org>\\0x2222222222222222\r\ncarol@example.org\\0x3333333333333333");
    EXPECT_EQ(List(), std::string(kHeader) + "Bob <bob@example.org>\\3x2222222222222222\r\nzed@example.org\\1x9999999999999999\r\n");
    EXPECT_TRUE(MainLogged("Info 1 new address(es) added to the AutoList"));
    // The text is used once.
    std::remove((install + "in_AddAddrOptions.txt").c_str());
    SendMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    mctest::PumpFor(100);
    EXPECT_EQ(Given("AddAddrOptions"), "");
}

class AutoListUpgrade : public AutoListHost {
protected:
    // The delivered list of the installation and a user's configuration.
    void PrepareUpgrade(const std::string& config) {
        Prepare(MainLibrary::Scripted);
        ASSERT_TRUE(mctest::WriteAll(install + "AutoList.txt", kHeader));
        ASSERT_TRUE(mctest::WriteAll(Cfg(), config));
    }
    void FormStart() {
        host->NotifyForms(host::kFormMsgStart, 0, 0, 0);
        mctest::PumpFor(100);
    }
    long Current() const { return orv::automation::VersionNumber(VersionText()); }
};

constexpr const char* kOldConfig =
    "[CheckSig]\r\nCheck=0\r\nInclude=1\r\n[Toolbar]\r\nSignOnly=1\r\n[StorePassphrase]\r\nStore=0\r\n"
    "[FullAuto]\r\nChecked=0\r\n";

TEST_F(AutoListUpgrade, AnOldListAndConfigurationAreConvertedOnce) {
    PrepareUpgrade(kOldConfig);
    ASSERT_TRUE(WriteList("# AutoList Update 4.5.0 #\r\nalice@example.org\\0x11111111\r\nbob@example.org\\1x22222222\r\n"));
    Answer("FindKeys", "alice@example.org\\8x1111111111111111\r\nbob@example.org\\1x2222222222222222\r\n");
    StartClient();
    FormStart();
    EXPECT_TRUE(MainLogged("FindKeys 1"));
    // Format 4.5.0: the "0" flag became "8" (disabled) before the key update.
    EXPECT_EQ(Given("FindKeys"), "alice@example.org\\8x11111111\r\nbob@example.org\\1x22222222\r\n");
    EXPECT_EQ(List(), std::string(kHeader) +
                          "alice@example.org\\8x1111111111111111\r\nbob@example.org\\1x2222222222222222\r\n");
    EXPECT_EQ(CfgInt("CheckMessage", "CheckSig", -9), 0);
    EXPECT_EQ(CfgInt("CheckMessage", "Include", -9), 1);
    EXPECT_EQ(CfgInt("CheckMessage", "CheckKey", -9), 0);
    EXPECT_EQ(CfgInt("MixedOptions", "Warn", -9), 1);
    EXPECT_EQ(CfgInt("Toolbar", "EncSign", -9), 2);
    EXPECT_EQ(CfgInt("StorePassphrase", "Store", -9), -1);
    EXPECT_EQ(CfgInt("CheckSig", "Check", -9), -9);
    ASSERT_GT(Current(), 0);
    EXPECT_EQ(CfgInt("Version", "No", 0), Current());

    // The next form start of this run, and a client started again, leave
    // everything as it is.
    const std::string list = List(), cfg = mctest::ReadAll(Cfg());
    FormStart();
    host.reset();
    mctest::PumpFor(50);
    StartClient();
    FormStart();
    EXPECT_EQ(List(), list);
    EXPECT_EQ(mctest::ReadAll(Cfg()), cfg);
}

TEST_F(AutoListUpgrade, AFailedKeyUpdateChangesNothingAndIsReported) {
    PrepareUpgrade(kOldConfig);
    const std::string list = "# AutoList Update 4.7.0 #\r\nalice@example.org\\3x11111111\r\n";
    ASSERT_TRUE(WriteList(list));
    StartClient();
    FormStart();  // the export writes nothing
    EXPECT_TRUE(MainLogged("FindKeys 1"));
    EXPECT_EQ(List(), list);
    EXPECT_EQ(CfgInt("StorePassphrase", "Store", -9), 0);
    EXPECT_EQ(CfgInt("CheckSig", "Check", -9), 0);
    EXPECT_EQ(CfgInt("Version", "No", -9), -9);
    EXPECT_TRUE(MainLogged("Error Cannot update the key IDs of the AutoList"));
}

TEST_F(AutoListUpgrade, ACurrentConfigurationWithoutAListIsNotConvertedAgain) {
    PrepareUpgrade("[Version]\r\nNo=485\r\n[StorePassphrase]\r\nStore=0\r\n");
    StartClient();
    FormStart();
    EXPECT_EQ(CfgInt("StorePassphrase", "Store", -9), 0);
    EXPECT_EQ(CfgInt("Version", "No", 0), Current());
    EXPECT_FALSE(MainLogged("FindKeys 1"));
}

TEST_F(AutoListUpgrade, AConfigurationWithoutAVersionBesideACurrentListKeepsItsValues) {
    PrepareUpgrade("[StorePassphrase]\r\nStore=0\r\n[Pellatch]\r\nAuto=1\r\n");
    const std::string list = std::string(kHeader) + "alice@example.org\\3x1111111111111111\r\n";
    ASSERT_TRUE(WriteList(list));
    StartClient();
    FormStart();
    EXPECT_EQ(CfgInt("StorePassphrase", "Store", -9), 0);
    EXPECT_EQ(CfgInt("Version", "No", 0), Current());
    EXPECT_EQ(List(), list);
}
