// The AutoList's upkeep through Pellatch.dll inside the mail client
// stand-in, beside a main library whose address and key exports answer as
// the test scripts them: address books in the client's format added from the
// menu, the key-ID update that a refusing or missing export cannot empty,
// options set around comments, the last recipients of a send, a save that
// cannot replace the file, and the upgrade after installation.
#include "tests/automation/pellatch_fixture.h"

#include <cstdio>

#include "automation/abk.h"
#include "automation/autolist_upkeep.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_utils.h"
#include "automation/string_library.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/mail_files.h"
#include "tests/support/stand_in_engine.h"

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
        orv::test::PumpQueued();
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
    orv::test::PumpQueued();
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
    // OK without a single entry written: the entries stay.
    Result("SetAddrOptions", 1);
    Command(4);
    EXPECT_TRUE(MainLogged("SetAddrOptions"));
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
    orv::test::PumpQueued();
    EXPECT_TRUE(MainLogged("AddAddrOptions 3 0"));
    EXPECT_EQ(Given("AddAddrOptions"),
              "Bob <bob@example.org>\\0x2222222222222222\r\ncarol@example.org\\0x3333333333333333");
    EXPECT_EQ(List(), std::string(kHeader) + "Bob <bob@example.org>\\3x2222222222222222\r\nzed@example.org\\1x9999999999999999\r\n");
    EXPECT_TRUE(MainLogged("Info 1 new address(es) added to the AutoList"));
    // The text is used once.
    std::remove((install + "in_AddAddrOptions.txt").c_str());
    SendMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    orv::test::PumpQueued();
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
        orv::test::PumpQueued();
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
    orv::test::PumpQueued();
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

TEST_F(AutoListUpgrade, AListThePlugInWroteWithoutAHeaderIsNotTakenForAnOldOne) {
    // A current configuration without a recorded version, and a list the
    // plug-in made: no "Update" line, a disabled entry and a signing one.
    PrepareUpgrade("[Pellatch]\r\nAuto=1\r\n[FullAuto]\r\nChecked=0\r\n");
    const std::string list = "alice@example.org\\8x1111111111111111\r\nbob@example.org\\2x2222222222222222\r\n";
    ASSERT_TRUE(WriteList(list));
    StartClient();
    FormStart();
    EXPECT_FALSE(MainLogged("FindKeys 1"));
    EXPECT_EQ(List(), list);
    EXPECT_EQ(CfgInt("Version", "No", 0), Current());
}

// The worker as the frontend menu and the reader's popup use it: built in
// this process over the plug-in's own libraries and the client's windows.
class AutoListWorker : public AutoListHost {
protected:
    void StartWorker() {
        Start();
        if (HasFatalFailure()) return;
        BindWorker();
    }
    // After the client started.
    void BindWorker() {
        orv::automation::SetPluginInstance(GetModuleHandleA(PluginPath().c_str()));
        hostWindow = GetParent(AutomationWindow());
        utils = std::make_unique<orv::automation::TPLUtils>(hostWindow);
        ASSERT_EQ(texts.Bind(*utils), orv::automation::TStringLibrary::Bound::Ok);
        merrowin = std::make_unique<orv::automation::TMerrowin>(*utils);
        ASSERT_TRUE(merrowin->Initialize(hostWindow, host->Frame(), AutomationWindow(), host->MdiClient()));
    }
    std::unique_ptr<orv::automation::TABK> Worker(const std::string& input = "") {
        return std::make_unique<orv::automation::TABK>(AutomationWindow(), hostWindow, *merrowin, *utils, texts, 3,
                                                       input);
    }
    void TearDown() override {
        merrowin.reset();
        texts.Unload();
        utils.reset();
        PellatchHost::TearDown();
    }
    static std::string ItemText(HMENU menu, UINT position) {
        char text[256] = {};
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        return text;
    }
    static bool Grayed(HMENU menu, UINT position) {
        return (GetMenuState(menu, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
    }

    HWND hostWindow = nullptr;
    std::unique_ptr<orv::automation::TPLUtils> utils;
    orv::automation::TStringLibrary texts;
    std::unique_ptr<orv::automation::TMerrowin> merrowin;
};

TEST_F(AutoListWorker, TheMenuListsTheBooksOfTheGlobalDirectoryBeforeTheMailboxsOwn) {
    Prepare(MainLibrary::Scripted);
    const std::string global = dir + "global\\";
    CreateDirectoryA(global.c_str(), nullptr);
    orv::mailclient::AddressBook book{"Everyone", {{"Erin", "erin@example.org"}}};
    ASSERT_TRUE(mctest::WriteAll(global + "ALL.PMR", orv::mailclient::AddressBookText(book)));
    WriteBook("MINE.PMR", "Mine", {{"Alice", "alice@example.org"}});
    SetEnvironmentVariableA("PMR", global.c_str());
    StartClient();
    ASSERT_NO_FATAL_FAILURE(BindWorker());
    auto worker = Worker("bob@example.org\r\ncarol@example.org");
    SetEnvironmentVariableA("PMR", nullptr);
    ASSERT_TRUE(worker->CreateMenu());
    HMENU menu = worker->Menu();
    ASSERT_EQ(GetMenuItemCount(menu), 9);
    EXPECT_EQ(ItemText(menu, 0), "Address &books");
    EXPECT_FALSE(Grayed(menu, 0));
    HMENU books = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(books), 2);
    EXPECT_EQ(ItemText(books, 0), "\"Everyone\"");
    EXPECT_EQ(GetMenuItemID(books, 0), 0x1001u);
    EXPECT_EQ(ItemText(books, 1), "\"Mine\"");
    EXPECT_EQ(GetMenuItemID(books, 1), 0x1002u);
    const UINT ids[] = {0, 0, 0x1003, 0x1004, 0x1005, 0, 0x1006, 0x1007, 0x1008};
    for (UINT i = 2; i < 9; ++i) EXPECT_EQ(GetMenuItemID(menu, i), ids[i] ? ids[i] : 0u) << i;
    EXPECT_EQ(ItemText(menu, 3), "Last &recipients");
    EXPECT_FALSE(Grayed(menu, 3));
    EXPECT_EQ(ItemText(menu, 8), "&Edit AutoList");

    // Book 1 is the global one.
    Answer("GetABKAddr", "erin@example.org\\3x5555555555555555");
    orv::automation::RunAutoListCommand(*worker, 1);
    EXPECT_EQ(Given("GetABKAddr"), "erin@example.org\xA0(Erin)\tEveryone");
}

TEST_F(AutoListWorker, WithoutBooksOrUsableRecipientsThoseItemsAreGrayed) {
    ASSERT_NO_FATAL_FAILURE(StartWorker());
    auto worker = Worker("Smith, Bob <bob@example.org>");
    ASSERT_TRUE(worker->CreateMenu());
    HMENU menu = worker->Menu();
    EXPECT_TRUE(Grayed(menu, 0));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 0)), 0);
    EXPECT_EQ(GetMenuItemID(menu, 2), 0x1001u);
    EXPECT_TRUE(Grayed(menu, 3));
    EXPECT_FALSE(Grayed(menu, 4));
    EXPECT_EQ(GetMenuItemID(menu, 8), 0x1006u);
    auto none = Worker("");
    ASSERT_TRUE(none->CreateMenu());
    EXPECT_TRUE(Grayed(none->Menu(), 3));
}

TEST_F(AutoListWorker, OneAddressFromAReader) {
    ASSERT_NO_FATAL_FAILURE(StartWorker());
    ASSERT_TRUE(WriteList(std::string(kHeader) + "zed@example.org\\1x9999999999999999\r\n"));
    Answer("AddAddrOptions", "dan@example.org\\3x4444444444444444");
    Worker()->AddOneAddress("\"Dan Example\" <dan@example.org>");
    EXPECT_TRUE(MainLogged("AddAddrOptions 3 1"));
    EXPECT_EQ(Given("AddAddrOptions"), "dan@example.org");
    EXPECT_EQ(List(), std::string(kHeader) + "dan@example.org\\3x4444444444444444\r\nzed@example.org\\1x9999999999999999\r\n");
    EXPECT_TRUE(MainLogged("Info Address added to the AutoList"));

    // A name without an address is added by its name; a result the main
    // library claims but did not write is an error, and the list stays.
    const std::string list = List();
    std::remove((install + "out_AddAddrOptions.txt").c_str());
    Result("AddAddrOptions", 1);
    Worker()->AddOneAddress("\"Erin Example\"");
    EXPECT_EQ(Given("AddAddrOptions"), "Erin Example");
    EXPECT_EQ(List(), list);
    EXPECT_TRUE(MainLogged("Error Cannot add the address to the AutoList"));
}

TEST_F(AutoListWorker, TheEntriesOfDeletedKeysGoAndCommentsStay) {
    ASSERT_NO_FATAL_FAILURE(StartWorker());
    ASSERT_TRUE(WriteList(std::string(kHeader) +
                          "a@example.org\\3x1111111111111111\r\n# team\r\nA\\1x1111111111111111\r\n"
                          "b@example.org\\1x2222222222222222\r\n"));
    Worker()->RemoveDeletedKeys("0x1111111111111111,0x5555555555555555");
    EXPECT_EQ(List(), std::string(kHeader) + "# team\r\nb@example.org\\1x2222222222222222\r\n");
    EXPECT_TRUE(MainLogged("Info 2 AutoList entries removed"));
    // Without a list nothing is made.
    DeleteFileA((mailbox + "AutoList.txt").c_str());
    Worker()->RemoveDeletedKeys("0x2222222222222222");
    EXPECT_FALSE(orv::FileExists(mailbox + "AutoList.txt"));
}

TEST_F(AutoListHost, KeyRingAddressesJoinTheList) {
    Start();
    ASSERT_TRUE(WriteList(std::string(kHeader) + "a@example.org\\1x1111111111111111\r\nBob\\3x2222222222222222\r\n"
                                                 "# not an entry\\3y22\r\n"));
    Answer("GetPGPAddr", "new@example.org\\3x5555555555555555\r\n");
    Command(3);  // no books: key ring
    EXPECT_TRUE(MainLogged("GetPGPAddr 3"));
    EXPECT_EQ(Given("GetPGPAddr"), "a@example.org\r\nBob|1x1111111111111111,3x2222222222222222");
    EXPECT_EQ(List(), std::string(kHeader) + "a@example.org\\1x1111111111111111\r\nBob\\3x2222222222222222\r\n"
                                             "# not an entry\\3y22\r\nnew@example.org\\3x5555555555555555\r\n");
    EXPECT_TRUE(MainLogged("Info 1 address(es) of the key ring added to the AutoList"));
}

TEST_F(AutoListHost, EditingAListThatCannotBeMadeSaysSo) {
    Start();
    // A folder in the list's place.
    ASSERT_TRUE(CreateDirectoryA((mailbox + "AutoList.txt").c_str(), nullptr));
    Command(6);  // no books: edit
    // The log holds the text's two lines as two.
    EXPECT_TRUE(MainLogged("Error Cannot create the file"));
    EXPECT_TRUE(MainLogged(mailbox + "AutoList.txt!"));
}

TEST_F(AutoListWorker, TheMenuAtTheCursorRunsTheItemTheUserPicks) {
    ASSERT_NO_FATAL_FAILURE(StartWorker());
    const std::string list = std::string(kHeader) + "bob@example.org\\3x22222222\r\n";
    ASSERT_TRUE(WriteList(list));
    Answer("FindKeys", "bob@example.org\\3x2222222222222222\r\n");
    orv::test::ModalScript script;
    // "&Update AutoList" by its mnemonic, as typed on the open menu.
    script.Expect("#32768", "", orv::test::ScreenshotThen(orv::test::ShotPath("autolist_menu.png"), [](HWND menu) {
        PostMessageA(menu, WM_CHAR, 'u', 0);
    }));
    script.Start();
    SetCursorPos(200, 200);
    auto worker = Worker("bob@example.org");
    worker->ShowMenu();
    EXPECT_TRUE(script.Finish()) << script.Failure();
    // The picked command reaches the automation window and runs there.
    orv::test::PumpUntil([&] { return MainLogged("FindKeys 0"); }, 10000);
    EXPECT_TRUE(MainLogged("FindKeys 0"));
    EXPECT_EQ(List(), std::string(kHeader) + "bob@example.org\\3x2222222222222222\r\n");
}

// The real main library over the engine stand-in and the test key rings
// (alice 0xE8750B357ACE6A48, bob 0xD91F7A27B2A16278): the key IDs of the list
// grow to their 16 digits through its FindKeys.
class AutoListRealKeys : public AutoListHost {
protected:
    void StartWithRings(const std::string& moreConfig = "") {
        Prepare(MainLibrary::Real);
        if (HasFatalFailure()) return;
        engine = std::make_unique<orv::test::StandInEngine>(orv::test::SourcePath(ORV_KEY_DATA));
        SetDllDirectoryA(engine->Dir().c_str());
        ASSERT_TRUE(mctest::WriteAll(Cfg(), "[FilePaths]\r\nPubRing=" + engine->PublicRing() + "\r\nSecRing=" +
                                                engine->SecretRing() +
                                                "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n" +
                                                "[Pellatch]\r\nAuto=1\r\n" + moreConfig));
    }
    void TearDown() override {
        AutoListHost::TearDown();
        engine.reset();
    }
    std::unique_ptr<orv::test::StandInEngine> engine;
};

TEST_F(AutoListRealKeys, TheUpdateFromTheMenuFindsTheFullKeyIDs) {
    ASSERT_NO_FATAL_FAILURE(StartWithRings("[Version]\r\nNo=99999\r\n"));
    ASSERT_TRUE(WriteList(std::string(kHeader) +
                          "alice@example.org\\3x7ACE6A48\r\nBob\\1xB2A16278\r\n# team\r\nnobody@example.org\\1x12345678\r\n"));
    StartClient();
    orv::test::ModalScript script;
    script.Expect(kBox, "", orv::test::ScreenshotThen(orv::test::ShotPath("autolist_ids_updated.png"),
                                                      [](HWND box) { orv::test::PostKey(box, VK_RETURN); }));
    script.Start();
    Command(5);  // no books: update
    EXPECT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].caption, "Info:");
    EXPECT_EQ(List(), std::string(kHeader) +
                          "nobody@example.org\\1x12345678\r\nBob\\1xD91F7A27B2A16278\r\n# team\r\n"
                          "alice@example.org\\3xE8750B357ACE6A48\r\n");
}

TEST_F(AutoListRealKeys, TheUpgradeOfAnOldListAsksTheMainLibraryDirectly) {
    ASSERT_NO_FATAL_FAILURE(StartWithRings("[FullAuto]\r\nChecked=1\r\nSigned=0\r\n"));
    ASSERT_TRUE(mctest::WriteAll(install + "AutoList.txt", kHeader));
    // Format 0 (no "Update" line): flags become 1, full automation without signing.
    ASSERT_TRUE(WriteList("alice@example.org\\0x7ACE6A48\r\ncarol@example.org\\0x0C89AF89\r\n"));
    StartClient();
    host->NotifyForms(host::kFormMsgStart, 0, 0, 0);
    orv::test::PumpQueued();
    EXPECT_EQ(List(), std::string(kHeader) +
                          "alice@example.org\\1xE8750B357ACE6A48\r\ncarol@example.org\\1x6533671D0C89AF89\r\n");
    EXPECT_EQ(CfgInt("Version", "No", 0), orv::automation::VersionNumber(VersionText()));
}

// With the main library's own address dialogs: the robot works them with the
// keyboard as a user would.
namespace {

// Typed once the box has the keyboard.
void Keys(HWND box, std::initializer_list<WORD> keys, bool ctrl = false) {
    orv::test::AwaitKeys(box);
    for (WORD k : keys) orv::test::SendKeyInput(k, ctrl);
}

}  // namespace

TEST_F(AutoListRealKeys, AddressesOfABookChosenInTheMainLibrarysBoxesJoinTheList) {
    ASSERT_NO_FATAL_FAILURE(StartWithRings("[Version]\r\nNo=99999\r\n"));
    WriteBook("FRIENDS.PMR", "Friends",
              {{"Bobby", "bob@example.org"}, {"Carol", "carol@example.org"}, {"Nokey", "nokey@example.org"}});
    ASSERT_TRUE(WriteList(std::string(kHeader) + "alice@example.org\\3xE8750B357ACE6A48\r\n"));
    StartClient();
    orv::test::ModalScript script;
    script.Expect("TfrmSelBox", "", orv::test::ScreenshotThen(orv::test::ShotPath("autolist_book_choice.png"), [](HWND box) {
        Keys(box, {'A'}, true);
        Keys(box, {VK_RETURN});
    }));
    script.Expect("TfrmAddrBox", "Set address options for AutoList or cancel",
                  orv::test::ScreenshotThen(orv::test::ShotPath("autolist_book_options.png"),
                                            [](HWND box) { Keys(box, {VK_RETURN}); }));
    script.Expect(kBox, "Info:", orv::test::ScreenshotThen(orv::test::ShotPath("autolist_book_added.png"),
                                                           [](HWND box) { orv::test::PostKey(box, VK_RETURN); }));
    script.Start();
    Command(1);
    EXPECT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(List(), std::string(kHeader) +
                          "Carol\\3x6533671D0C89AF89\r\ncarol@example.org\\3x6533671D0C89AF89\r\n"
                          "Bobby\\3xD91F7A27B2A16278\r\nbob@example.org\\3xD91F7A27B2A16278\r\n"
                          "alice@example.org\\3xE8750B357ACE6A48\r\n");
}

TEST_F(AutoListRealKeys, OptionsSetInTheMainLibrarysBoxKeepTheCommentsOfTheList) {
    ASSERT_NO_FATAL_FAILURE(StartWithRings("[Version]\r\nNo=99999\r\n"));
    ASSERT_TRUE(WriteList(std::string(kHeader) + "alice@example.org\\3xE8750B357ACE6A48\r\n# friends\r\n"
                                                 "bob@example.org\\1xD91F7A27B2A16278\r\n"));
    StartClient();
    orv::test::ModalScript script;
    // Space on the first row's encrypt mark: alice is signed only.
    script.Expect("TfrmAddrBox", "Set address options",
                  orv::test::ScreenshotThen(orv::test::ShotPath("autolist_options.png"), [](HWND box) {
                      Keys(box, {VK_SPACE});
                      Keys(box, {VK_RETURN});
                  }));
    script.Start();
    Command(4);  // no books: options
    EXPECT_TRUE(script.Finish()) << script.Failure();
    // Sorted by key afterwards (bob's is the smaller); the comment keeps its line.
    EXPECT_EQ(List(), std::string(kHeader) + "bob@example.org\\1xD91F7A27B2A16278\r\n# friends\r\n"
                                             "alice@example.org\\2xE8750B357ACE6A48\r\n");
}

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

}  // namespace

TEST_F(AutoListRealKeys, AListOverSixtyFourKiBIsUpdatedAndItsOptionsSet) {
    // 2,000 entries of alice's key: 66 KB with 8-digit key IDs, 82 KB with 16.
    ASSERT_NO_FATAL_FAILURE(StartWithRings("[Version]\r\nNo=99999\r\n"));
    std::string entries;
    for (int i = 0; i < 2000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "user%04d@example.org\\3x7ACE6A48\r\n", i);
        entries += line;
    }
    ASSERT_GT(entries.size(), 65536u);
    ASSERT_TRUE(WriteList(std::string(kHeader) + entries));
    StartClient();
    {
        orv::test::ModalScript script;
        script.Expect(kBox, "", [](HWND box) { orv::test::PostKey(box, VK_RETURN); });
        script.Start(300000);
        const DWORD start = GetTickCount();
        Command(5);  // no books: update
        std::printf("key IDs of 2,000 AutoList entries updated in %lu ms\n", GetTickCount() - start);
        EXPECT_TRUE(script.Finish()) << script.Failure();
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].caption, "Info:") << "the update failed";
    }
    EXPECT_EQ(Count(List(), "\\3xE8750B357ACE6A48\r\n"), 2000u);

    // Space on the first row's encrypt mark: that entry is signed only.
    orv::test::ModalScript script;
    script.Expect("TfrmAddrBox", "Set address options", [](HWND box) {
        Keys(box, {VK_SPACE});
        Keys(box, {VK_RETURN});
    });
    script.Expect(kBox, "", [](HWND box) { orv::test::PostKey(box, VK_RETURN); });  // none may come
    script.Start(30000);
    Command(4);  // no books: options
    script.Finish();
    ASSERT_GE(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen().size(), 1u) << "a box after the options: " << script.Seen().back().caption;
    const std::string list = List();
    EXPECT_EQ(Count(list, "\\2xE8750B357ACE6A48\r\n"), 1u);
    EXPECT_EQ(Count(list, "\\3xE8750B357ACE6A48\r\n"), 1999u);
}
