// The engine stand-in's client library, loaded by the product's loader beside
// the stand-in core: preferences kept in its own file and read back by the
// product's preference adapters, change notifications, and the key selection
// dialog driven by the UI robot through the product's key selection and import.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/adapters.h"
#include "engine/key_props.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "standin/sdkclient/client_ids.h"
#include "standin/sdkclient/pref_store.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/support/files.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kCarol = "0x6533671D0C89AF89";

using orv::test::ReadAll;

struct Row {
    std::string userID, keyID, type, size;
};

std::string Cell(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<Row> Rows(HWND list) {
    std::vector<Row> rows;
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) rows.push_back({Cell(list, i, 0), Cell(list, i, 1), Cell(list, i, 2), Cell(list, i, 3)});
    return rows;
}

void SelectRow(HWND list, const std::string& keyID) {
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if (Cell(list, i, 1) != keyID) continue;
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
    }
}

std::string SortedIDs(const TKeyPropsList& list) {
    std::vector<std::string> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list.Strings(i));
    std::sort(v.begin(), v.end());
    std::string ids;
    for (const auto& id : v) ids += (ids.empty() ? "" : " ") + id;
    return ids;
}

class SdkClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = new StandInEngine(SourcePath(ORV_STANDIN_DATA));
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loaded_ = engine_->Load(hooks);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SdkClientTestOwner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(owner_);
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_NE(FindResourceA(GetModuleHandleA("PGPcl.dll"), MAKEINTRESOURCEA(IDD_SDKCL_SELECT), MAKEINTRESOURCEA(5)),
                  nullptr)
            << "the loaded client library is not the stand-in's (bin/sdk7)";
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
    }
    PGPPrefRef Prefs() {
        PGPPrefRef client = nullptr, admin = nullptr;
        EXPECT_EQ(Sdk().PGPclPeekClientLibPrefRefs7(&client, &admin), 0);
        return client;
    }

    static inline StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline HWND owner_ = nullptr;
};

TEST_F(SdkClientTest, KeyServerListAndDataPreferencesGoThroughThePreferenceFile) {
    // Two 724-byte key-server entries as release 6.5 keeps them: protocol at
    // byte 4, host at 264, port at 520, the fourth number at 656.
    std::vector<std::uint8_t> servers(2 * kPGPPrefKeyServerEntrySize, 0);
    servers[4] = 2;
    std::memcpy(&servers[264], "keys.example.org", 16);
    servers[520] = 0x6B;
    servers[521] = 0x2C;
    servers[656] = 9;
    servers[kPGPPrefKeyServerEntrySize + 4] = 1;
    std::memcpy(&servers[kPGPPrefKeyServerEntrySize + 264], "127.0.0.1", 9);
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, servers), 0);
    std::vector<std::uint8_t> back;
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefKeyServerList, back), 0);
    EXPECT_EQ(back, servers);

    const std::vector<std::uint8_t> algorithms = {3, 0, 0, 0, 9, 0, 0, 0};
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefAllowedAlgorithms, algorithms), 0);
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefAllowedAlgorithms, back), 0);
    EXPECT_EQ(back, algorithms);

    // The product's write flushes: the file holds the entries, byte for byte.
    sdkclient::TPrefStore file;
    file.Load(engine_->Dir() + SDKCL_PREFS_FILE);
    const auto* stored = file.Find(kPGPPrefKeyServerList);
    ASSERT_NE(stored, nullptr) << ReadAll(engine_->Dir() + SDKCL_PREFS_FILE);
    EXPECT_EQ(stored->kind, 'd');
    EXPECT_EQ(std::vector<std::uint8_t>(stored->bytes.begin(), stored->bytes.end()), servers);
    ASSERT_NE(file.Find(kPGPPrefAllowedAlgorithms), nullptr);

    // A key-server list that is not made of whole entries is refused.
    EXPECT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, std::vector<std::uint8_t>(725, 1)), kPGPError_BadParams);
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefKeyServerList, back), 0);
    EXPECT_EQ(back, servers);
}

TEST_F(SdkClientTest, BooleanNumberAndStringPreferencesKeepTheirKinds) {
    auto& t = Sdk();
    PGPPrefRef prefs = Prefs();
    ASSERT_NE(prefs, nullptr);
    PGPPrefRef admin = nullptr, client = nullptr;
    ASSERT_EQ(t.PGPclPeekClientLibPrefRefs7(&client, &admin), 0);

    ASSERT_EQ(t.PGPclSetPrefBoolean7(prefs, kPGPPrefMarginalIsInvalid, 1), 0);
    ASSERT_EQ(t.PGPclSetPrefNumber7(prefs, 77, 4000000000u), 0);
    ASSERT_EQ(t.PGPclSetPrefString7(prefs, 78, "line one\r\nline=two"), 0);
    ASSERT_EQ(t.PGPclFlushClientLibPrefs7(prefs, admin), 0);

    bool marginal = false;
    ASSERT_EQ(sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, marginal), 0);
    EXPECT_TRUE(marginal);
    PGPUInt32 number = 0;
    ASSERT_EQ(t.PGPclGetPrefNumber7(prefs, 77, &number), 0);
    EXPECT_EQ(number, 4000000000u);
    char* text = nullptr;
    ASSERT_EQ(t.PGPclGetPrefStringAlloc7(prefs, 78, &text), 0);
    EXPECT_STREQ(text, "line one\r\nline=two");
    t.PGPFreeData(text);
    char small[5] = {'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(t.PGPclGetPrefStringBuffer7(prefs, 78, sizeof small, small), 0);
    EXPECT_STREQ(small, "line");

    // Kinds are not mixed, unknown handles are refused, removed ones are gone.
    PGPBoolean b = 0;
    EXPECT_EQ(t.PGPclGetPrefBoolean7(prefs, 77, &b), kPGPError_BadParams);
    EXPECT_EQ(t.PGPclGetPrefNumber7(reinterpret_cast<PGPPrefRef>(0xC1), 77, &number), kPGPError_BadParams);
    EXPECT_EQ(t.PGPclRemovePref7(prefs, 77), 0);
    EXPECT_EQ(t.PGPclGetPrefNumber7(prefs, 77, &number), kPGPError_PrefNotFound);
    EXPECT_EQ(t.PGPclGetPrefNumber7(prefs, 12345, &number), kPGPError_PrefNotFound);
    ASSERT_EQ(t.PGPclFlushClientLibPrefs7(prefs, admin), 0);

    sdkclient::TPrefStore file;
    file.Load(engine_->Dir() + SDKCL_PREFS_FILE);
    ASSERT_NE(file.Find(78), nullptr);
    EXPECT_EQ(file.Find(78)->bytes, "line one\r\nline=two");
    EXPECT_EQ(file.Find(77), nullptr);
    ASSERT_NE(file.Find(kPGPPrefMarginalIsInvalid), nullptr);
    EXPECT_EQ(file.Find(kPGPPrefMarginalIsInvalid)->bytes, "1");
}

TEST(SdkClientPrefFile, DamagedLinesAreSkippedAndTheTextRoundTrips) {
    sdkclient::TPrefStore store;
    store.Parse(
        "; comment\r\n10=b:1\r\n11=b:2\r\n604=d:0A0B\r\n605=d:ABC\r\n606=d:ZZ\r\n20=n:42\r\n21=n:99999999999\r\n"
        "99999999999=n:1\r\n-5=n:1\r\n30=s:41420A43\r\n31=x:00\r\nnonsense\r\n=b:1\r\n40=b\r\n41=s:\n");
    ASSERT_NE(store.Find(10), nullptr);
    EXPECT_EQ(store.Find(10)->bytes, "1");
    EXPECT_EQ(store.Find(11), nullptr);
    ASSERT_NE(store.Find(604), nullptr);
    EXPECT_EQ(store.Find(604)->bytes, std::string("\x0A\x0B"));
    EXPECT_EQ(store.Find(605), nullptr);
    EXPECT_EQ(store.Find(606), nullptr);
    ASSERT_NE(store.Find(20), nullptr);
    EXPECT_EQ(store.Find(21), nullptr);
    ASSERT_NE(store.Find(30), nullptr);
    EXPECT_EQ(store.Find(30)->bytes, "AB\nC");
    EXPECT_EQ(store.Find(31), nullptr);
    EXPECT_EQ(store.Find(40), nullptr);
    ASSERT_NE(store.Find(41), nullptr);
    EXPECT_EQ(store.Find(41)->bytes, "");

    sdkclient::TPrefStore again;
    again.Parse(store.Text());
    EXPECT_EQ(again.Text(), store.Text());
}

TEST_F(SdkClientTest, KeyRingCommitsAreNotifiedWithTheProcessID) {
    const std::string log = engine_->Dir() + SDKCL_LOG_FILE;
    DeleteFileA(log.c_str());
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
    EXPECT_EQ(KeyRings()->CommitKeyRings(), 0);
    KeyRings()->CloseKeyRings();
    ASSERT_EQ(sdk::NotifyPrefsChanges(4321), 0);
    const std::string pid = std::to_string(GetCurrentProcessId());
    EXPECT_EQ(ReadAll(log), "keyring 0 " + pid + "\r\nprefs 4321\r\n");
}

TEST_F(SdkClientTest, SelectionDialogListsTheOfferedKeysAndReturnsOneOrSeveral) {
    std::vector<Row> rows;
    std::string prompt;
    ModalScript script;
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dlg) {
        HWND list = FindChildById(dlg, IDC_SDKCL_KEYS);
        rows = Rows(list);
        prompt = GetText(FindChildById(dlg, IDC_SDKCL_PROMPT));
        SelectRow(list, kBob);
        SelectRow(list, kCarol);
        Sleep(200);  // the selection painted
        SaveScreenshot(dlg, ShotPath("sdk7_key_selection.png"));
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dlg) {
        SelectRow(FindChildById(dlg, IDC_SDKCL_KEYS), kAlice);
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dlg) { ClickId(dlg, IDCANCEL); });
    script.Start();
    TKeyPropsList several(0, 0x3), one(0, 0x3), none(0, 0x3);
    const PGPError errSeveral = SelectKeys("Keys to export:", &several, owner_, 0);
    const PGPError errOne = SelectKeys("Keys to export:", &one, owner_, 0);
    const PGPError errNone = SelectKeys("Keys to export:", &none, owner_, 0);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(errSeveral, 0);
    EXPECT_EQ(SortedIDs(several), std::string(kCarol) + " " + kBob);
    EXPECT_EQ(errOne, 0);
    EXPECT_EQ(SortedIDs(one), kAlice);
    EXPECT_EQ(errNone, kPGPError_UserAbort);
    EXPECT_EQ(none.Count(), 0);

    EXPECT_EQ(prompt, "Keys to export:");
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& r : rows) {
        if (r.keyID == kCarol) {
            EXPECT_EQ(r.type, "DSA");
            EXPECT_EQ(r.size, "2048/2048 bits");
            EXPECT_NE(r.userID.find("carol"), std::string::npos);
        } else {
            EXPECT_TRUE(r.keyID == kAlice || r.keyID == kBob) << r.keyID;
            EXPECT_EQ(r.type, "RSA");
            EXPECT_EQ(r.size.substr(r.size.size() - 5), " bits");
        }
    }
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].owner, owner_);
}

TEST_F(SdkClientTest, ImportFromAFileOffersItsKeysAndAddsTheChosenOnes) {
    std::vector<Row> rows;
    ModalScript script;
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dlg) {
        HWND list = FindChildById(dlg, IDC_SDKCL_KEYS);
        rows = Rows(list);
        for (const auto& r : rows) SelectRow(list, r.keyID);
        ClickId(dlg, IDOK);
    });
    script.Start();
    TKeyPropsList imported(0, 0x3);
    const PGPError err =
        ImportFromFile(SourcePath(ORV_STANDIN_DATA) + "dave_pub.asc", true, "Import keys:", owner_, &imported);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].userID.find("dave"), std::string::npos);
    ASSERT_EQ(imported.Count(), 1);
    EXPECT_EQ(imported.Strings(0), rows[0].keyID);
    // The key is on the rings now.
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx, set), 0);
    PGPKeyDBObjRef key = nullptr;
    EXPECT_EQ(FindKeyByID(set, rows[0].keyID, key), 0);
    KeyRings()->CloseKeyRings();
}

}  // namespace
