// The release 6.5 flavour of the stand-in's user-interface, client and
// support libraries beside the release 6.5 core, all five libraries loaded by
// the product's loader from one directory as an installed PGP 6.5 is: the
// passphrase dialogs with 34-byte key IDs, the key selection dialog, the
// client preferences the product reads on 6.5, the notifications, the support
// library's windows under their 6.5 names, the key-server search handing back
// a key set, and a decoding job whose passphrase the user types. Every dialog
// is answered by the UI robot; each one is photographed.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/adapters.h"
#include "engine/decode_job.h"
#include "engine/key_dialogs.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "standin/sdkclient/client_ids.h"
#include "standin/sdknet/search_dialog_ids.h"
#include "standin/sdksupport/support_ids.h"
#include "standin/sdkui/dialog_ids.h"
#include "tests/standin/sdknet_support.h"
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
const char* const kAlicePass = "alice pass";
const char* const kLibraries[] = {"PGPSDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"};

std::string ProgramDir() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir;
}

std::string DataDir() {
    std::string p = "Z:" ORV_STANDIN_DATA "/";
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

using orv::test::ReadAll;

std::string ListBoxLines(HWND list) {
    std::string all;
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char line[512] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        all += std::string(line) + "\n";
    }
    return all;
}

std::string ComboLines(HWND combo) {
    std::string all;
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char line[512] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line));
        all += std::string(line) + "\n";
    }
    return all;
}

bool WaitStatus(HWND dlg, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (GetText(FindChildById(dlg, IDC_SDKUI_STATUS)) == text) return true;
        Sleep(50);
    }
    return false;
}

// Lets windows of this thread paint before they are read or photographed.
void Pump() {
    for (int round = 0; round < 5; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(40);
    }
}

void Type(HWND dlg, int id, const std::string& text) { SetText(FindChildById(dlg, id), text); }

std::string Cell(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

// The key-ID column of every row of a list view.
std::vector<std::string> KeyColumn(HWND list) {
    std::vector<std::string> ids;
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) ids.push_back(Cell(list, i, 1));
    std::sort(ids.begin(), ids.end());
    return ids;
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

std::string KeyIDOf(PGPKeyDBObjRef key) {
    PGPKeyID id{};
    char text[kPGPMaxKeyIDStringSize] = {};
    if (!key || sdk::GetKeyID(key, &id) != 0 || Sdk().PGPGetKeyIDString(&id, loader::KeyIDFormatFull(), text) != 0)
        return {};
    return text;
}

bool IsSecureData(void* block) {
    PGPMemoryMgrRef mgr = nullptr;
    PGPSize size = 0;
    PGPBoolean secure = 0;
    return block && Sdk().PGPGetMemoryMgrDataInfo(block, &mgr, &size, &secure) == 0 && secure;
}

class Companions65Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "orv_sdk65c_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        const std::string bin = ProgramDir() + "sdk65\\";
        for (const char* f : kLibraries) copied_ = CopyFileA((bin + f).c_str(), (dir_ + f).c_str(), FALSE) && copied_;
        SetDllDirectoryA(dir_.c_str());
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loader::SetEngineObjectHooks(hooks);
        loaded_ = copied_ && loader::Load(loader::Scope::Full);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Companions65Owner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(owner_);
        loader::Unload();
        loader::SetEngineObjectHooks({});
        SetDllDirectoryA(nullptr);
        for (const char* f : kLibraries) DeleteFileA((dir_ + f).c_str());
        for (const char* f : {"pubring.pkr", "secring.skr", "pubring.pkr.new", "secring.skr.new", SDKCL_PREFS_FILE,
                              SDKCL_LOG_FILE})
            DeleteFileA((dir_ + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void SetUp() override {
        ASSERT_TRUE(copied_) << "bin/sdk65 lacks one of the five stand-in libraries";
        ASSERT_TRUE(loaded_) << "the release 6.5 stand-in did not load in full";
        ASSERT_FALSE(loader::IsSDK7());
        const std::string data = DataDir();
        CopyFileA((data + "pubring.pkr").c_str(), (dir_ + "pubring.pkr").c_str(), FALSE);
        CopyFileA((data + "secring.skr").c_str(), (dir_ + "secring.skr").c_str(), FALSE);
        ASSERT_TRUE(KeyRings()->SetRingFiles(dir_ + "pubring.pkr", dir_ + "secring.skr"));
        ASSERT_EQ(KeyRings()->OpenKeyRings(ctx_, set_), 0);
    }
    void TearDown() override {
        if (ctx_) KeyRings()->CloseKeyRings();
    }
    PGPKeyDBObjRef Key(const char* id) {
        PGPKeyDBObjRef key = nullptr;
        EXPECT_EQ(FindKeyByID(set_, id, key), 0) << id;
        return key;
    }

    static inline std::string dir_;
    static inline bool copied_ = true, loaded_ = false;
    static inline HWND owner_ = nullptr;
    PGPContextRef ctx_ = nullptr;
    PGPKeySetRef set_ = nullptr;
};

TEST_F(Companions65Test, SigningDialogRefusesAWrongPassphraseAndReturnsTheKeyOfTheRings) {
    std::string keys, afterWrong;
    bool wrongShown = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        keys = ComboLines(FindChildById(dlg, IDC_SDKUI_KEYS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "not alice's");
        ClickId(dlg, IDOK);
        wrongShown = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        afterWrong = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        SaveScreenshot(dlg, ShotPath("sdk65_signing_wrong.png"));
        Type(dlg, IDC_SDKUI_PASSPHRASE, kAlicePass);
        ClickId(dlg, IDOK);
    });
    script.Start();
    char* pass = nullptr;
    PGPKeyDBObjRef key = nullptr;
    const PGPError err = SigningPassphrase(ctx_, set_, "Sign with:", kAlice, true, owner_, pass, key);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    ASSERT_NE(pass, nullptr);
    EXPECT_STREQ(pass, kAlicePass);
    EXPECT_TRUE(IsSecureData(pass));
    Sdk().PGPFreeData(pass);
    EXPECT_EQ(KeyIDOf(key), kAlice);
    EXPECT_TRUE(wrongShown);
    EXPECT_EQ(afterWrong, "") << "the field kept the wrong passphrase";
    // The set of the rings is what the dialog lists: alice alone has a secret key.
    EXPECT_NE(keys.find(std::string("alice <alice@example.org> (") + kAlice + ")"), std::string::npos) << keys;
    EXPECT_EQ(keys.find(kBob), std::string::npos) << keys;
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].owner, owner_);
}

TEST_F(Companions65Test, DecryptionDialogNamesRecipientsFrom34ByteKeyIDs) {
    // Three key IDs packed at release 6.5's stride.
    PGPByte packed[3 * kPGPKeyIDSize65] = {};
    PGPKeyID id{};
    ASSERT_EQ(sdk::GetKeyID(Key(kBob), &id), 0);
    std::memcpy(packed, &id, kPGPKeyIDSize65);
    ASSERT_EQ(sdk::GetKeyID(Key(kAlice), &id), 0);
    std::memcpy(packed + kPGPKeyIDSize65, &id, kPGPKeyIDSize65);
    ASSERT_EQ(sdk::NewKeyIDFromString("0x1122334455667788", 0, &id), 0);
    std::memcpy(packed + 2 * kPGPKeyIDSize65, &id, kPGPKeyIDSize65);
    std::string recipients, afterWrong;
    bool wrongShown = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        recipients = ListBoxLines(FindChildById(dlg, IDC_SDKUI_RECIPIENTS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "bob's?");
        ClickId(dlg, IDOK);
        wrongShown = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        afterWrong = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        SaveScreenshot(dlg, ShotPath("sdk65_decryption.png"));
        Type(dlg, IDC_SDKUI_PASSPHRASE, kAlicePass);
        ClickId(dlg, IDOK);
    });
    script.Start();
    char* pass = nullptr;
    PGPKeyDBObjRef key = nullptr;
    const PGPError err = DecryptionPassphrase(ctx_, set_, 3, packed, "Passphrase:", owner_, pass, key);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_STREQ(pass, kAlicePass);
    EXPECT_TRUE(IsSecureData(pass));
    Sdk().PGPFreeData(pass);
    EXPECT_EQ(KeyIDOf(key), kAlice);
    EXPECT_TRUE(wrongShown);
    EXPECT_EQ(afterWrong, "");
    EXPECT_EQ(recipients, std::string("bob <bob@example.org> (") + kBob + ")\nalice <alice@example.org> (" + kAlice +
                              ")\nUnknown key (0x1122334455667788)\n");
}

TEST_F(Companions65Test, ConventionalPassphraseIsAskedTwiceAndCancelGivesUserAbort) {
    std::string first, second;
    bool mismatchShown = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        Type(dlg, IDC_SDKUI_PASSPHRASE, "one secret");
        Type(dlg, IDC_SDKUI_CONFIRMATION, "another secret");
        ClickId(dlg, IDOK);
        mismatchShown = WaitStatus(dlg, SDKUI_TEXT_MISMATCH);
        first = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        second = GetText(FindChildById(dlg, IDC_SDKUI_CONFIRMATION));
        SaveScreenshot(dlg, ShotPath("sdk65_conventional_mismatch.png"));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "same secret");
        Type(dlg, IDC_SDKUI_CONFIRMATION, "same secret");
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", "PGP", [](HWND dlg) {
        Type(dlg, IDC_SDKUI_PASSPHRASE, "typed, then cancelled");
        Sleep(200);  // the masked text painted
        SaveScreenshot(dlg, ShotPath("sdk65_conventional_decryption.png"));
        ClickId(dlg, IDCANCEL);
    });
    script.Expect("#32770", "PGP", [](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); });
    script.Start();
    char* pass = nullptr;
    const PGPError asked = ConventionalEncryptionPassphrase(ctx_, "Conventional:", owner_, pass);
    const std::string typed = pass ? pass : "";
    if (pass) Sdk().PGPFreeData(pass);
    pass = reinterpret_cast<char*>(1);
    const PGPError cancelled = ConventionalDecryptionPassphrase(ctx_, "Decrypt:", owner_, pass);
    char* signPass = reinterpret_cast<char*>(1);
    PGPKeyDBObjRef key = reinterpret_cast<PGPKeyDBObjRef>(1);
    const PGPError closed = SigningPassphrase(ctx_, set_, "Sign:", kAlice, true, owner_, signPass, key);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(typed, "same secret");
    EXPECT_TRUE(mismatchShown);
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "");
    EXPECT_EQ(cancelled, -11987);
    EXPECT_EQ(pass, nullptr);
    EXPECT_EQ(closed, -11987);
    EXPECT_EQ(signPass, nullptr);
    EXPECT_EQ(key, nullptr);
}

TEST_F(Companions65Test, KeySelectionReturnsTheChosenKeysOfTheRings) {
    std::vector<std::string> offered;
    std::string prompt;
    ModalScript script;
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [&](HWND dlg) {
        HWND list = FindChildById(dlg, IDC_SDKCL_KEYS);
        offered = KeyColumn(list);
        prompt = GetText(FindChildById(dlg, IDC_SDKCL_PROMPT));
        SelectRow(list, kBob);
        SelectRow(list, kCarol);
        Sleep(200);  // the selection painted
        SaveScreenshot(dlg, ShotPath("sdk65_key_selection.png"));
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", SDKCL_SELECT_CAPTION, [](HWND dlg) {
        SelectRow(FindChildById(dlg, IDC_SDKCL_KEYS), kAlice);
        ClickId(dlg, IDCANCEL);
    });
    script.Start();
    PGPKeySetRef chosen = nullptr, none = reinterpret_cast<PGPKeySetRef>(1);
    const PGPError err = sdk::SelectKeys(ctx_, nullptr, owner_, "Keys to send:", set_, &chosen);
    const PGPError cancelled = sdk::SelectKeys(ctx_, nullptr, owner_, "Keys to send:", set_, &none);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(prompt, "Keys to send:");
    EXPECT_EQ(offered, (std::vector<std::string>{kCarol, kBob, kAlice}));
    ASSERT_EQ(err, 0);
    ASSERT_NE(chosen, nullptr);
    PGPUInt32 count = 0;
    ASSERT_EQ(Sdk().PGPCountKeys(chosen, &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(Sdk().PGPKeySetIsMember(Key(kBob), chosen));
    EXPECT_TRUE(Sdk().PGPKeySetIsMember(Key(kCarol), chosen));
    EXPECT_FALSE(Sdk().PGPKeySetIsMember(Key(kAlice), chosen));
    Sdk().PGPFreeKeySet(chosen);
    EXPECT_EQ(cancelled, -11987);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Companions65Test, ClientPreferencesTheProductReadsAreKeptInTheClientsFile) {
    // One key-server entry: protocol at byte 4, host at 264, port at 520.
    std::vector<std::uint8_t> entry(kPGPPrefKeyServerEntrySize, 0);
    entry[4] = 2;
    std::memcpy(entry.data() + 264, "keys.example.org", 16);
    entry[520] = 0x8B;
    entry[521] = 0x2C;
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, entry), 0);
    const std::vector<std::uint8_t> algorithms = {3, 0, 0, 0, 9, 0, 0, 0};
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefAllowedAlgorithms, algorithms), 0);
    // Each use opens the preferences afresh: what was saved is read back.
    std::vector<std::uint8_t> back;
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefKeyServerList, back), 0);
    EXPECT_EQ(back, entry);
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefAllowedAlgorithms, back), 0);
    EXPECT_EQ(back, algorithms);
    const std::string file = ReadAll(dir_ + SDKCL_PREFS_FILE);
    EXPECT_NE(file.find("604=d:"), std::string::npos) << file;
    EXPECT_NE(file.find("608=d:0300000009000000"), std::string::npos) << file;
    // A half-written entry is refused.
    EXPECT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, std::vector<std::uint8_t>(100, 1)), kPGPError_BadParams);

    // The boolean 10 through the plain names: saved on close when asked,
    // dropped otherwise.
    auto& t = Sdk();
    bool marginal = true;
    EXPECT_EQ(sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, marginal), kPGPError_PrefNotFound);
    EXPECT_FALSE(marginal);
    PGPPrefRef prefs = nullptr;
    ASSERT_EQ(t.PGPclOpenClientPrefs(t.PGPGetDefaultMemoryMgr(), &prefs), 0);
    ASSERT_EQ(t.PGPclSetPrefBoolean(prefs, kPGPPrefMarginalIsInvalid, 1), 0);
    ASSERT_EQ(t.PGPclCloseClientPrefs(prefs, 1), 0);
    ASSERT_EQ(sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, marginal), 0);
    EXPECT_TRUE(marginal);
    ASSERT_EQ(t.PGPclOpenClientPrefs(t.PGPGetDefaultMemoryMgr(), &prefs), 0);
    ASSERT_EQ(t.PGPclSetPrefBoolean(prefs, kPGPPrefMarginalIsInvalid, 0), 0);
    ASSERT_EQ(t.PGPclSetPrefNumber(prefs, 77, 4096), 0);
    ASSERT_EQ(t.PGPclCloseClientPrefs(prefs, 0), 0);
    ASSERT_EQ(sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, marginal), 0);
    EXPECT_TRUE(marginal) << "a change closed without saving was kept";
    ASSERT_EQ(t.PGPclOpenClientPrefs(t.PGPGetDefaultMemoryMgr(), &prefs), 0);
    PGPUInt32 number = 1;
    EXPECT_EQ(t.PGPclGetPrefNumber(prefs, 77, &number), kPGPError_PrefNotFound);
    ASSERT_EQ(t.PGPclCloseClientPrefs(prefs, 0), 0);
    EXPECT_EQ(t.PGPclCloseClientPrefs(prefs, 0), kPGPError_BadParams) << "closed twice";

    // Notifications, with the process id.
    const DWORD pid = GetCurrentProcessId();
    ASSERT_EQ(sdk::NotifyKeyringChanges(pid), 0);
    ASSERT_EQ(sdk::NotifyPrefsChanges(pid), 0);
    const std::string log = ReadAll(dir_ + SDKCL_LOG_FILE);
    EXPECT_NE(log.find("keyring 0 " + std::to_string(pid) + "\r\nprefs " + std::to_string(pid) + "\r\n"),
              std::string::npos)
        << log;
}

TEST_F(Companions65Test, SupportLibraryWindowsUnderTheirReleaseNames) {
    auto& t = Sdk();
    ASSERT_NE(t.PGPscSendPGPlogMsg, nullptr);
    ASSERT_NE(t.PGPscTempestViewer, nullptr);
    ASSERT_NE(t.PGPscDoLaunchKeys, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_EQ(t.PGPscPGPpath(path, sizeof path), 0);
    EXPECT_EQ(std::string(path) + (std::string(path).back() == '\\' ? "" : "\\"), dir_);

    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "first line\nsecond line"), 0);
    Pump();
    HWND log = FindTopWindow(SDKSC_LOG_CLASS, SDKSC_LOG_CAPTION, 2000);
    ASSERT_NE(log, nullptr);
    const std::string lines = ListBoxLines(FindChildById(log, IDC_SDKSC_LOG_LINES));
    EXPECT_NE(lines.find("first line\nsecond line\n"), std::string::npos) << lines;
    SaveScreenshot(log, ShotPath("sdk65_log.png"));

    // The key manager lists the rings beside the library.
    ASSERT_EQ(t.PGPscDoLaunchKeys(owner_), 0);
    Pump();
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(KeyColumn(FindChildById(keys, IDC_SDKSC_KEYS_LIST)), (std::vector<std::string>{kCarol, kBob, kAlice}));
    SaveScreenshot(keys, ShotPath("sdk65_pgpkeys.png"));
    DestroyWindow(keys);

    std::string info;
    ModalScript script;
    script.Expect(SDKSC_VIEWER_CLASS, SDKSC_VIEWER_EYES_CAPTION, [&info](HWND viewer) {
        info = GetText(FindChildById(viewer, IDC_SDKSC_VIEWER_INFO));
        SaveScreenshot(viewer, ShotPath("sdk65_viewer.png"));
        ClickId(viewer, IDC_SDKSC_VIEWER_CLOSE);
    });
    script.Start();
    const std::string text = "For your eyes only\r\nsecond line\r\n";
    const PGPError shown = t.PGPscTempestViewer(ctx_, owner_, text.data(), PGPSize(text.size()), 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(shown, 0);
    EXPECT_NE(info.find(std::to_string(text.size()) + " bytes"), std::string::npos) << info;
}

TEST_F(Companions65Test, KeyServerSearchDialogHandsBackAKeySet) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const std::string daveKey = ReadDataFile("dave_pub.asc");
    HANDLE seen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The server holds its answer until the robot has read the dialog.
    FakeHttpServer slow([&](const std::string& line) {
        WaitForSingleObject(seen, 10000);
        if (line.find("op=index") != std::string::npos)
            return HttpAnswer(200, "info:1:1\npub:D0D50EED59F5C778:1:2048:1::\nuid:dave:1::\n");
        return HttpAnswer(200, daveKey, "application/pgp-keys");
    });
    std::string query;
    ModalScript robot;
    robot.Expect("#32770", KSSEARCH_CAPTION, [&](HWND dialog) {
        for (int i = 0; i < 100 && GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS)).empty(); ++i) Sleep(50);
        query = GetText(FindChildById(dialog, IDC_KSSEARCH_QUERY));
        SaveScreenshot(dialog, ShotPath("sdk65_keyserver_search.png"));
        SetEvent(seen);
        WaitGone(dialog, 10000);
    });
    auto& t = Sdk();
    ASSERT_EQ(t.PGPKeyServerInit(), 0);
    PGPKeyServerRef server = nullptr;
    ASSERT_EQ(t.PGPNewKeyServer(ctx_, &server, t.PGPONetURL(ctx_, slow.Url().c_str()), t.PGPOLastOption(ctx_)), 0);
    PGPKeyID dave{};
    ASSERT_EQ(sdk::NewKeyIDFromString("0xD0D50EED59F5C778", 0, &dave), 0);
    robot.Start();
    void* found = nullptr;
    const PGPError err = t.PGPSearchKeyServerDialog(ctx_, 1, &server, nullptr, 0, &found,
                                                    t.PGPOUIKeyServerSearchKeyIDList(ctx_, 1, dave.opaque),
                                                    t.PGPOUIParentWindowHandle(ctx_, owner_), t.PGPOLastOption(ctx_));
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    SetEvent(seen);
    CloseHandle(seen);
    t.PGPFreeKeyServer(server);
    t.PGPKeyServerCleanup();
    ASSERT_EQ(err, 0);
    ASSERT_NE(found, nullptr);
    auto* keys = static_cast<PGPKeySetRef>(found);
    PGPUInt32 count = 0;
    ASSERT_EQ(t.PGPCountKeys(keys, &count), 0);
    EXPECT_EQ(count, 1u);
    PGPKeyDBObjRef key = nullptr;
    ASSERT_EQ(sdk::FindKeyByKeyID(keys, &dave, &key), 0);
    EXPECT_EQ(KeyIDOf(key), "0xD0D50EED59F5C778");
    t.PGPFreeKeySet(keys);
    EXPECT_NE(query.find("0xD0D50EED59F5C778"), std::string::npos) << query;
}

TEST_F(Companions65Test, DecodingJobAsksThePassphraseInTheRealDialog) {
    auto& t = Sdk();
    PGPKeySetRef to = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, kAlice, to), 0);
    const std::string text = "Release 6.5, typed passphrase\r\n";
    void* out = nullptr;
    PGPSize outLen = 0;
    PGPOptionListRef L = t.PGPOLastOption(ctx_);
    ASSERT_EQ(t.PGPEncode(ctx_, t.PGPOInputBuffer(ctx_, text.data(), PGPSize(text.size())),
                          t.PGPOAllocatedOutputBuffer(ctx_, &out, 0xFFFFFFFFu, &outLen), t.PGPOEncryptToKeySet(ctx_, to),
                          t.PGPOArmorOutput(ctx_, 1), sdk::KeySourceOption(ctx_, set_), L),
              0);
    t.PGPFreeKeySet(to);
    const std::string armored(static_cast<char*>(out), outLen);
    t.PGPFreeData(out);
    KeyRings()->CloseKeyRings();
    ctx_ = nullptr;

    bool wrongShown = false;
    std::string recipients;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        recipients = ListBoxLines(FindChildById(dlg, IDC_SDKUI_RECIPIENTS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "wrong");
        ClickId(dlg, IDOK);
        wrongShown = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        Type(dlg, IDC_SDKUI_PASSPHRASE, kAlicePass);
        ClickId(dlg, IDOK);
    });
    script.Start();
    TSecure secure;
    TPGPDecode job;
    job.Secure = &secure;
    const PGPError err = job.DecodeBuffer(armored);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_EQ(job.OutputText, text);
    EXPECT_TRUE(wrongShown);
    // The message names alice's encryption subkey, which the rings know as hers.
    EXPECT_NE(recipients.find("alice <alice@example.org>"), std::string::npos) << recipients;
    EXPECT_EQ(KeyRings()->OpenCount, 0);
}

}  // namespace
