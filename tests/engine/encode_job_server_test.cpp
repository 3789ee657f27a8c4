// The encoding job with the PGP preferences of release 7 and a real SKS key
// server on loopback (bob, carol and dave; dave is on none of the user's
// rings): the default key of the preferences as the signer, and the key
// selection dialog's "key from server" answer, which searches the servers,
// offers the found key for import and encrypts to it.
//
// With ORV_ENCODE_OUT set, the message to dave is left there for
// encode/gpg_check.sh.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "ui/sel_key_dialog.h"
#include "standin/sdkclient/client_ids.h"
#include "tests/standin/sdknet_support.h"
#include "tests/support/server_search_watch.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_SKS_DATA
#error ORV_SKS_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using namespace orv::test;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kText = "For dave, from the key server.\r\n";

class EncodeServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sks_ = new SksServer;
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
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
        appData_->WritePrefs("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                             engine_->SecretRing() + "\"\r\nDefaultKeyID=\"" + kAlice +
                             "000000000000000000\"\r\nKeyServerList1=2,0,0,\"127.0.0.1\"," +
                             std::to_string(sks_->Port()) + ",0,1,0\r\n");
        secure = std::make_unique<TSecure>();
        job = std::make_unique<TPGPEncode>();
        job->Secure = secure.get();
        job->KeySelector = SelectKeysInDialog;
        job->SelectPrompt = "Select public key for ";
        job->PassphrasePrompt = "Enter your passphrase:";
        job->GroupCaption = "Group";
        job->OKCaption = "&OK";
        job->CancelCaption = "&Cancel";
        job->ServerCaption = "Key from &server";
        job->AutoListCaption = "Use and add to &AutoList";
        job->Armor = true;
        job->TextMode = true;
    }
    void TearDown() override {
        job.reset();
        secure.reset();
        EXPECT_EQ(KeyRings()->OpenCount, 0) << "a job left the rings open";
    }

    static inline SksServer* sks_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline PrivateAppData* appData_ = nullptr;
    static inline bool loaded_ = false;
    std::unique_ptr<TSecure> secure;
    std::unique_ptr<TPGPEncode> job;
};

TEST_F(EncodeServerTest, TheDefaultKeyStandsInForASignerThatNamesNoKey) {
    job->Recipients = "bob@example.org";
    job->SignerKeyID = "nobody at all";
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_EQ(job->SignerKeyID, kAlice);
    EXPECT_EQ(job->Recipients, std::string("bob@example.org,") + kAlice);
    EXPECT_EQ(job->Prefs.DefaultKeyID, kAlice);
}

TEST_F(EncodeServerTest, KeyFromServerImportsTheKeyAndEncryptsToIt) {
    ASSERT_EQ(CountKeys("dave"), 0);
    std::string importPrompt;
    int rows = -1;
    bool serverEnabled = false;
    ModalScript robot;
    robot.Expect(kSelKeyDialogClass, kSelKeyDialogCaption, [&](HWND dialog) {
        serverEnabled = IsWindowEnabled(GetDlgItem(dialog, kSelKeyServer)) != 0;
        ClickId(dialog, kSelKeyServer);
    });
    // The search dialog closes by itself when the search ends, perhaps
    // before a robot could see it: only the import selection is answered.
    robot.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dialog) {
        importPrompt = GetText(FindChildById(dialog, IDC_SDKCL_PROMPT));
        HWND keys = FindChildById(dialog, IDC_SDKCL_KEYS);
        rows = static_cast<int>(SendMessageA(keys, LVM_GETITEMCOUNT, 0, 0));
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(keys, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        ClickButton(dialog, "OK");
        if (!WaitGone(dialog, 3000)) ClickButton(dialog, "Cancel");
    });
    robot.Start();
    job->Recipients = "dave@example.org";
    job->SignerKeyID = kAlice;
    const PGPError err = job->EncryptBuffer(kText, false);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_TRUE(serverEnabled);
    EXPECT_EQ(importPrompt, "Select public key for ");
    EXPECT_EQ(rows, 1) << "the search looks for dave's encryption key only";
    ASSERT_EQ(job->ChosenKeys.Count(), 1);
    const std::string dave = job->ChosenKeys.Strings(0);
    EXPECT_EQ(dave.size(), 18u);
    EXPECT_EQ(job->Recipients, dave + "," + kAlice);
    std::string first;
    EXPECT_EQ(CountKeys("dave", &first), 1) << "dave is on the user's rings now";
    EXPECT_EQ(first, dave);
    EXPECT_NE(job->OutputText.find("-----BEGIN PGP MESSAGE-----"), std::string::npos);

    char dir[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("ORV_ENCODE_OUT", dir, sizeof dir);
    if (n && n < sizeof dir) {
        std::string path(dir, n);
        if (path.back() != '\\') path += '\\';
        std::ofstream(path + "enc_server_dave.asc", std::ios::binary) << job->OutputText;
    }
}

TEST_F(EncodeServerTest, AKeyFromServerSearchGivesBackItsKeyDatabaseAndFilter) {
    ModalScript robot;
    robot.Expect(kSelKeyDialogClass, kSelKeyDialogCaption, [](HWND dialog) { ClickId(dialog, kSelKeyServer); });
    robot.Expect("#32770", SDKCL_SELECT_CAPTION, [](HWND dialog) {
        HWND keys = FindChildById(dialog, IDC_SDKCL_KEYS);
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(keys, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        ClickButton(dialog, "OK");
        if (!WaitGone(dialog, 3000)) ClickButton(dialog, "Cancel");
    });
    robot.Start();
    ServerSearchWatch watch;
    job->Recipients = "dave@example.org";
    job->SignerKeyID = kAlice;
    ASSERT_EQ(job->EncryptBuffer(kText, false), 0);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    ASSERT_GE(watch.Peeked(), 1u) << "the search found dave's key in a database of its own";
    EXPECT_EQ(watch.LeakedDatabases(KeyRings()->KeyDB), std::vector<PGPKeyDBRef>{});
    ASSERT_GE(watch.DataFilters(), 1u);
    EXPECT_EQ(watch.FilterReferences(), 0) << "the search filter for dave went back: " << watch.Held();
}

TEST_F(EncodeServerTest, ACancelledImportEndsTheJob) {
    ModalScript robot;
    robot.Expect(kSelKeyDialogClass, kSelKeyDialogCaption, [](HWND dialog) { ClickId(dialog, kSelKeyServer); });
    // The search dialog closes by itself when the search ends, perhaps
    // before a robot could see it: only the import selection is answered.
    robot.Expect("#32770", SDKCL_SELECT_CAPTION, PressButton("Cancel"));
    robot.Start();
    job->Recipients = "dave@example.org";
    job->SignerKeyID = kAlice;
    EXPECT_EQ(job->EncryptBuffer(kText, false), kEncodeErrCancelled);
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    EXPECT_TRUE(job->OutputText.empty());
    EXPECT_EQ(job->ChosenKeys.Count(), 0);
    EXPECT_EQ(CountKeys("dave"), 0);
}

}  // namespace
