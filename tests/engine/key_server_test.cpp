// The product's key-server search and key fetch over the engine stand-in
// (core, networking, user-interface and client libraries of bin/sdk7), with the key
// servers named by the PGP preferences file of release 7: a real SKS server on
// loopback holding bob, carol and dave (dave is on none of the user's rings),
// a server that is down, and a silent one for cancelling.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "engine/adapters.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"
#include "standin/sdknet/net_api.h"
#include "standin/sdkclient/client_ids.h"
#include "standin/sdknet/search_dialog_ids.h"
#include "tests/standin/sdknet_support.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

std::string KeyServerLine(int n, const std::string& host, int port) {
    return "KeyServerList" + std::to_string(n) + "=2,0,0,\"" + host + "\"," + std::to_string(port) + ",0,1,0\r\n";
}

class KeyServerProductTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sks_ = new SksServer;
        // The preference reader finds its file below the registered folder.
        appData_ = new PrivateAppData;
        engine_ = new StandInEngine(SourcePath(ORV_SKS_DATA));
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        hooks.createPrefsFile = CreatePgpPrefs;
        hooks.freePrefsFile = FreePgpPrefs;
        loaded_ = engine_->Load(hooks);
    }
    static void TearDownTestSuite() {
        delete engine_;
        delete appData_;
        delete sks_;
    }

    // The preferences name the given key servers, in order.
    void WritePrefs(const std::string& servers) {
        appData_->WritePrefs("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                             engine_->SecretRing() + "\"\r\n" + servers);
    }

    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
        ASSERT_NE(PgpPrefs(), nullptr);
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
        WritePrefs(KeyServerLine(1, "127.0.0.1", ClosedLoopbackPort()) + KeyServerLine(2, "127.0.0.1", sks_->Port()));
    }
    void TearDown() override { EXPECT_EQ(KeyRings()->OpenCount, 0) << "a test left the rings open"; }

    // Runs SearchKeyServer inside an environment of its own; the found keys'
    // user IDs (sorted) or the error.
    std::string Search(const std::string& text, std::uint32_t flags) {
        PGPContextRef context = nullptr;
        PGPKeySetRef keys = nullptr;
        PGPtlsContextRef tls = nullptr;
        PGPError err = KeyRings()->OpenEnvironment(context, keys, tls);
        if (err) return std::to_string(err);
        PGPFilterRef filter = nullptr;
        err = sdk::NewDataFilter(context, kPGPUserIDProperty_Name, text.data(), text.size(), kPGPMatchSubString,
                                 &filter);
        PGPKeySetRef found = reinterpret_cast<PGPKeySetRef>(1);
        if (!err) err = SearchKeyServer(context, tls, filter, flags, nullptr, found);
        if (filter) Sdk().PGPFreeFilter(filter);
        std::string result;
        if (err) {
            EXPECT_EQ(found, nullptr);
            result = std::to_string(err);
        } else {
            TKeyPropsList* list = nullptr;
            const int n = ListKeys(context, found, 0, kPropUserName, kPGPKeyOrdering_UserID, list);
            std::unique_ptr<TKeyPropsList> owned(list);
            for (int i = 0; n > 0 && i < list->Count(); ++i)
                result += (result.empty() ? "" : "|") + list->Objects(i).UserName;
            Sdk().PGPFreeKeySet(found);
        }
        KeyRings()->CloseEnvironment(tls);
        return result;
    }

    static inline SksServer* sks_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline PrivateAppData* appData_ = nullptr;
    static inline bool loaded_ = false;
};

TEST_F(KeyServerProductTest, SearchFindsKeysOnTheServersOfThePreferences) {
    // The first server is down; the search goes on to the second.
    EXPECT_EQ(Search("dave", 0), "dave <dave@example.org>");
    EXPECT_EQ(Search("example.org", 0), "bob <bob@example.org>|carol <carol@example.org>|dave <dave@example.org>");
    EXPECT_EQ(Search("nobody-at-all", 0), "");
    // Dave stays off the user's rings: searching imports nothing.
    EXPECT_EQ(CountKeys("dave"), 0);
}

TEST_F(KeyServerProductTest, CapabilityFlagsNarrowWhatTheSearchReturns) {
    EXPECT_EQ(Search("example.org", kCapAlgDSA), "carol <carol@example.org>");
    EXPECT_EQ(Search("example.org", kCapAlgRSA), "bob <bob@example.org>|dave <dave@example.org>");
}

TEST_F(KeyServerProductTest, PreferencesWithoutUsableServersAreReported) {
    WritePrefs("");
    EXPECT_EQ(Search("dave", 0), std::to_string(kPGPError_PrefNotFound));
    WritePrefs(KeyServerLine(1, "127.0.0.1", ClosedLoopbackPort()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Search("dave", 0), std::to_string(kPGPError_ServerConnectFailed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A server line the library refuses leaves the others usable.
    WritePrefs("KeyServerList1=2,0,0,\"bad host\",1,0,1,0\r\n" + KeyServerLine(2, "127.0.0.1", sks_->Port()));
    EXPECT_EQ(Search("carol", 0), "carol <carol@example.org>");
}

TEST_F(KeyServerProductTest, FetchWithNothingFoundOffersNothing) {
    TKeyPropsList* list = nullptr;
    EXPECT_EQ(FetchKeyFromServer("nobody-at-all", "Import", list, nullptr, kPropUserName), kKeyErrNothingToImport);
    delete list;
    list = nullptr;
    EXPECT_EQ(FetchKeyFromServer("  ,  ", "Import", list, nullptr, kPropUserName), kKeyErrNoKeyForItem);
    EXPECT_EQ(list, nullptr);
}

TEST_F(KeyServerProductTest, CancellingTheSearchDialogEndsTheFetch) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        FakeHttpServer silent([release](const std::string&) {
            WaitForSingleObject(release, 20000);
            return std::string();
        });
        WritePrefs(KeyServerLine(1, "127.0.0.1", silent.Port()));
        std::string status;
        ModalScript robot;
        robot.Expect("#32770", KSSEARCH_CAPTION, [&](HWND dialog) {
            for (int i = 0; i < 100 && GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS)).find("Searching") != 0; ++i)
                Sleep(50);
            status = GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS));
            ClickButton(dialog, "Cancel");
            WaitGone(dialog, 5000);
        });
        robot.Start();
        TKeyPropsList* list = nullptr;
        const PGPError err = FetchKeyFromServer("dave", "Import", list, nullptr, kPropUserName);
        EXPECT_TRUE(robot.Finish()) << robot.Failure();
        EXPECT_EQ(err, kPGPError_UserAbort);
        EXPECT_EQ(status, "Searching " + silent.Url() + " ...");
        delete list;
        SetEvent(release);
    }
    CloseHandle(release);
    EXPECT_EQ(CountKeys("dave"), 0);
}

TEST_F(KeyServerProductTest, FetchedKeyIsChosenInTheImportSelectionAndAddedToTheRings) {
    // Dave's key ID, from the server itself.
    std::string daveID;
    {
        PGPContextRef context = nullptr;
        PGPKeySetRef keys = nullptr;
        PGPtlsContextRef tls = nullptr;
        ASSERT_EQ(KeyRings()->OpenEnvironment(context, keys, tls), 0);
        PGPFilterRef filter = nullptr;
        ASSERT_EQ(sdk::NewDataFilter(context, kPGPUserIDProperty_Name, "dave", 4, kPGPMatchSubString, &filter), 0);
        PGPKeySetRef found = nullptr;
        ASSERT_EQ(SearchKeyServer(context, tls, filter, 0, nullptr, found), 0);
        Sdk().PGPFreeFilter(filter);
        TKeyPropsList* list = nullptr;
        ASSERT_EQ(ListKeys(context, found, 0, 0, kPGPKeyOrdering_UserID, list), 1);
        daveID = list->Strings(0);
        delete list;
        Sdk().PGPFreeKeySet(found);
        KeyRings()->CloseEnvironment(tls);
    }
    ASSERT_EQ(daveID.size(), 18u);
    ASSERT_EQ(CountKeys("dave"), 0);

    // The user picks the offered key in the client library's selection dialog.
    std::string prompt, rows;
    ModalScript robot;
    // The search dialog closes by itself when the search ends, perhaps
    // before a robot could see it: only the import selection is answered.
    robot.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dialog) {
        prompt = GetText(FindChildById(dialog, IDC_SDKCL_PROMPT));
        HWND keys = FindChildById(dialog, IDC_SDKCL_KEYS);
        rows = std::to_string(SendMessageA(keys, LVM_GETITEMCOUNT, 0, 0));
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(keys, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        ClickButton(dialog, "OK");
        if (!WaitGone(dialog, 3000)) ClickButton(dialog, "Cancel");
    });
    robot.Start();
    TKeyPropsList* list = nullptr;
    const PGPError err = FetchKeyFromServer(daveID, "Import the keys found", list, nullptr, kPropUserName);
    std::unique_ptr<TKeyPropsList> owned(list);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    EXPECT_EQ(prompt, "Import the keys found");
    EXPECT_EQ(rows, "1");
    ASSERT_EQ(err, 0);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Strings(0), daveID);
    EXPECT_EQ(list->Objects(0).UserName, "dave <dave@example.org>");
    // Dave is on the user's rings now, also for a fresh opening of the files.
    std::string first;
    EXPECT_EQ(CountKeys("dave", &first), 1);
    EXPECT_EQ(first, daveID);
}

TEST_F(KeyServerProductTest, CancelledImportSelectionLeavesTheRingsAlone) {
    ModalScript robot;
    robot.Expect("#32770", SDKCL_SELECT_CAPTION, PressButton("Cancel"));
    robot.Start();
    TKeyPropsList* list = nullptr;
    const PGPError err = FetchKeyFromServer("carol dave", "Import", list, nullptr, kPropUserName);
    delete list;
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    EXPECT_EQ(err, kPGPError_UserAbort);
    EXPECT_EQ(CountKeys("dave"), 0);
}

}  // namespace
