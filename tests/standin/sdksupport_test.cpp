// The engine stand-in's support library, loaded by the product's loader beside
// the stand-in core: the PGP log window, the secure viewer, the key manager
// and the installation path, as a user and the UI robot see them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/loader.h"
#include "engine/prefs_file.h"
#include "engine/sdk_table.h"
#include "standin/sdksupport/support_ids.h"
#include "tests/support/app_data_override.h"
#include "tests/support/files.h"
#include "tests/support/gpg_shell.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/support/unix_scratch.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

std::vector<std::string> ListBoxItems(HWND list) {
    std::vector<std::string> items;
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char line[1024] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        items.push_back(line);
    }
    return items;
}

std::string Cell(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ClipboardText() {
    std::string text;
    for (int i = 0; i < 20 && !OpenClipboard(nullptr); ++i) Sleep(20);
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    for (int i = 0; i < 20 && !OpenClipboard(nullptr); ++i) Sleep(20);
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    SetClipboardData(CF_TEXT, h);
    CloseClipboard();
}

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class SdkSupportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The engine's preferences are the suite's own: none, so that its
        // rings are the ones beside it, whatever the machine's user has.
        appData_ = new ScratchAppData;
        engine_ = new StandInEngine(SourcePath(ORV_STANDIN_DATA));
        loaded_ = engine_->Load();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SdkSupportTestOwner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(owner_);
        delete engine_;
        engine_ = nullptr;
        delete appData_;
        appData_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_NE(Sdk().PGPscSendPGPlogMsg, nullptr);
        ASSERT_NE(GetProcAddress(GetModuleHandleA("PGPsc.dll"), "PGPscTempestViewer"), nullptr);
    }
    static inline ScratchAppData* appData_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline HWND owner_ = nullptr;
};

TEST_F(SdkSupportTest, LogWindowShowsEveryLineOfTheMessagesInOrder) {
    auto& t = Sdk();
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Good Signature\nletter.txt\nalice <alice@example.org>\n"), 0);
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Bad Signature\n(...)\n(0x1122334455667788)"), 0);
    EXPECT_EQ(t.PGPscSendPGPlogMsg(owner_, nullptr), kPGPError_BadParams);
    Pump();
    HWND log = FindTopWindow(SDKSC_LOG_CLASS, SDKSC_LOG_CAPTION, 2000);
    ASSERT_NE(log, nullptr);
    const auto items = ListBoxItems(FindChildById(log, IDC_SDKSC_LOG_LINES));
    const std::vector<std::string> expected = {"Good Signature", "letter.txt", "alice <alice@example.org>",
                                               "Bad Signature", "(...)", "(0x1122334455667788)"};
    EXPECT_EQ(items, expected);
    SaveScreenshot(log, ShotPath("sdk7_log.png"));
    // Closing hides it; the next message shows it again with the lines kept.
    SendMessageA(log, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(log));
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Good Signature\n"), 0);
    EXPECT_TRUE(IsWindowVisible(log));
    EXPECT_EQ(ListBoxItems(FindChildById(log, IDC_SDKSC_LOG_LINES)).size(), expected.size() + 1);
}

TEST_F(SdkSupportTest, SecureViewerShowsTheTextWithoutLettingItBeCopied) {
    const std::string secret = "Meet me at dawn.\r\nBring the map.\r\nBurn this note.";
    SetClipboardText("clipboard before");
    std::string info, caption, clipboardAfter;
    std::vector<std::string> childTexts;
    bool ownerDisabled = false;
    ModalScript script;
    script.Expect(SDKSC_VIEWER_CLASS, SDKSC_VIEWER_EYES_CAPTION, [&](HWND viewer) {
        ownerDisabled = !IsWindowEnabled(owner_);
        caption = GetText(viewer);
        info = GetText(FindChildById(viewer, IDC_SDKSC_VIEWER_INFO));
        for (HWND child : Children(viewer)) childTexts.push_back(GetText(child));
        SaveScreenshot(viewer, ShotPath("sdksupport_viewer.png"));
        // What a user would try: select all and copy, the copy message.
        PostKey(viewer, 'A', true);
        PostKey(viewer, 'C', true);
        PostMessageA(viewer, WM_COPY, 0, 0);
        Sleep(300);
        clipboardAfter = ClipboardText();
        ClickId(viewer, IDC_SDKSC_VIEWER_CLOSE);
    });
    script.Start();
    const PGPError err = Sdk().PGPscTempestViewer(nullptr, owner_, secret.data(), PGPSize(secret.size()), 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(ownerDisabled) << "the viewer was not modal over its owner";
    EXPECT_TRUE(IsWindowEnabled(owner_)) << "the owner stayed disabled";
    EXPECT_EQ(caption, SDKSC_VIEWER_EYES_CAPTION);
    EXPECT_EQ(info, std::to_string(secret.size()) + " bytes, 3 lines");
    EXPECT_EQ(clipboardAfter, "clipboard before");
    for (const auto& text : childTexts) EXPECT_EQ(text.find("dawn"), std::string::npos) << text;
    EXPECT_TRUE(ListTopWindows(SDKSC_VIEWER_CLASS, "").empty()) << "the viewer is still there";

    // Without the eyes-only flag the caption says so; Esc closes it.
    ModalScript plain;
    plain.Expect(SDKSC_VIEWER_CLASS, SDKSC_VIEWER_CAPTION, [](HWND viewer) { PostKey(viewer, VK_ESCAPE); });
    plain.Start();
    EXPECT_EQ(Sdk().PGPscTempestViewer(nullptr, owner_, "x", 1, 0), 0);
    ASSERT_TRUE(plain.Finish()) << plain.Failure();
}

TEST_F(SdkSupportTest, KeyManagerListsTheKeysOfTheRings) {
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    Pump();
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    ASSERT_NE(keys, nullptr);
    HWND list = FindChildById(keys, IDC_SDKSC_KEYS_LIST);
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string all;
    int secret = 0;
    for (int i = 0; i < n; ++i) {
        all += Cell(list, i, 0) + " " + Cell(list, i, 1) + "\n";
        if (Cell(list, i, 4) == "yes") {
            ++secret;
            EXPECT_EQ(Cell(list, i, 1), "0xE8750B357ACE6A48");
        }
    }
    EXPECT_EQ(n, 3) << all;
    EXPECT_EQ(secret, 1) << all;
    EXPECT_NE(all.find("bob"), std::string::npos) << all;
    EXPECT_NE(all.find("0x6533671D0C89AF89"), std::string::npos) << all;
    SaveScreenshot(keys, ShotPath("sdk7_pgpkeys.png"));
    // A second start shows the same window again.
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    EXPECT_EQ(ListTopWindows(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION).size(), 1u);
    DestroyWindow(keys);
}

void SelectRow(HWND list, int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int RowOf(HWND list, const std::string& keyID) {
    for (int i = 0; i < int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); ++i)
        if (Cell(list, i, 1) == keyID) return i;
    return -1;
}

// Types the fields of a dialog of the key manager and presses OK; when a
// complaint is expected, reads it, closes it, and leaves the dialog open.
std::string FillAndPress(HWND dialog, const std::vector<std::pair<int, std::string>>& fields, bool complaint) {
    for (const auto& [id, text] : fields) SetText(FindChildById(dialog, id), text);
    ClickId(dialog, IDOK);
    if (!complaint) return {};
    HWND box = FindTopWindow("#32770", SDKSC_KEYS_CAPTION, 20000);
    if (!box) return "no complaint";
    std::string said;
    for (const auto& t : StaticTexts(box)) said += t;
    ClickButton(box, "OK");
    WaitGone(box);
    return said;
}

TEST_F(SdkSupportTest, AFreshUserGetsEmptyRingsAndAKeyPairOfTheirOwn) {
    ScratchAppData scratch;
    // The preferences name rings in a folder that does not exist yet.
    const std::string ringDir = scratch.Root() + "my keys\\";
    CreateDirectoryA((scratch.Root() + "appdata\\Network Associates").c_str(), nullptr);
    CreateDirectoryA((scratch.Root() + "appdata\\Network Associates\\PGP").c_str(), nullptr);
    {
        HANDLE h = CreateFileA(scratch.PrefsFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text = "PublicKeyringFile=\"" + ringDir + "pubring.pkr\"\r\nPrivateKeyringFile=\"" +
                                 ringDir + "secring.skr\"\r\n";
        DWORD put = 0;
        WriteFile(h, text.data(), DWORD(text.size()), &put, nullptr);
        CloseHandle(h);
    }

    std::string question;
    ModalScript offer;
    offer.Expect("#32770", SDKSC_KEYS_CAPTION, [&](HWND box) {
        for (const auto& t : StaticTexts(box)) question += t;
        ClickButton(box, "Yes");
    });
    offer.Start();
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    ASSERT_TRUE(offer.Finish()) << offer.Failure();
    EXPECT_NE(question.find(ringDir + "pubring.pkr"), std::string::npos) << question;
    EXPECT_NE(question.find("Create new, empty key rings there?"), std::string::npos) << question;
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    ASSERT_NE(keys, nullptr);
    std::shared_ptr<void> closeKeys(nullptr, [keys](void*) { DestroyWindow(keys); });
    HWND list = FindChildById(keys, IDC_SDKSC_KEYS_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_NE(GetFileAttributesA((ringDir + "pubring.pkr").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((ringDir + "secring.skr").c_str()), INVALID_FILE_ATTRIBUTES);

    // A new key pair: a short passphrase and two that differ are refused
    // with a word, the dialog stays; then the real one.
    std::string tooShort, differ;
    ModalScript make;
    make.Expect("#32770", "New Key Pair", [&](HWND dialog) {
        SendMessageA(FindChildById(dialog, IDC_SDKSC_NEWKEY_SIZE), CB_SETCURSEL, 0, 0);  // 2048, quick
        tooShort = FillAndPress(dialog,
                                {{IDC_SDKSC_NEWKEY_NAME, "Fresh User"},
                                 {IDC_SDKSC_NEWKEY_EMAIL, "fresh@example.org"},
                                 {IDC_SDKSC_NEWKEY_PASS, "short"},
                                 {IDC_SDKSC_NEWKEY_CONFIRM, "short"}},
                                true);
        differ = FillAndPress(dialog,
                              {{IDC_SDKSC_NEWKEY_PASS, "first of two"}, {IDC_SDKSC_NEWKEY_CONFIRM, "second of two"}},
                              true);
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_PASS), "fresh start 2026");
        SetText(FindChildById(dialog, IDC_SDKSC_NEWKEY_CONFIRM), "fresh start 2026");
        SaveScreenshot(dialog, ShotPath("sdk7_new_key_pair.png"));
        ClickId(dialog, IDOK);
    });
    make.Start();
    SendMessageA(keys, WM_COMMAND, IDM_SDKSC_KEYS_NEW, 0);
    ASSERT_TRUE(make.Finish()) << make.Failure();
    EXPECT_EQ(tooShort, "The passphrase must have at least 8 characters.");
    EXPECT_EQ(differ, "The two passphrases differ. Type the same passphrase twice.");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    const std::string keyID = Cell(list, 0, 1);
    EXPECT_EQ(Cell(list, 0, 0), "Fresh User <fresh@example.org>");
    EXPECT_EQ(Cell(list, 0, 2), "RSA");
    EXPECT_EQ(Cell(list, 0, 3), "2048 bits");
    EXPECT_EQ(Cell(list, 0, 4), "yes");
    EXPECT_EQ(Cell(list, 0, 5), "yes") << "the first key pair is not the default key";
    SaveScreenshot(keys, ShotPath("sdk7_pgpkeys_fresh.png"));
    // The front-end reads the same rings and signs with the new key.
    orv::TPrefsFile prefs;
    orv::PrefsRecord record;
    ASSERT_EQ(prefs.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(record.PublicRing, ringDir + "pubring.pkr");
    EXPECT_EQ(record.DefaultKeyID, keyID);
    // GnuPG reads the public key: it certifies and signs, its subkey encrypts.
    UnixScratch gpg("orv_new_key");
    ASSERT_TRUE(CopyFileA((ringDir + "pubring.pkr").c_str(), (gpg.Win() + "pub.pkr").c_str(), FALSE));
    const std::string shown = gpg.Run("gpg --batch --with-colons --show-keys " + gpg.Unix() + "pub.pkr");
    const std::string pubUse = ColonField(shown, "pub", 11), subUse = ColonField(shown, "sub", 11);
    EXPECT_NE(pubUse.find('s'), std::string::npos) << shown;
    EXPECT_NE(subUse.find('e'), std::string::npos) << shown;
    EXPECT_NE(shown.find("Fresh User <fresh@example.org>"), std::string::npos) << shown;
    EXPECT_NE(shown.find(keyID.substr(2)), std::string::npos) << shown;
    const std::string rings = ReadAll(ringDir + "secring.skr");
    EXPECT_GT(rings.size(), 1000u);
    EXPECT_EQ(rings.find("fresh start 2026"), std::string::npos);

    // A new passphrase: the old one is checked, then the new one holds.
    auto change = [&](const std::string& oldPass, const std::string& newPass) {
        std::string said;
        ModalScript script;
        script.Expect("#32770", "Change Passphrase", [&](HWND dialog) {
            FillAndPress(dialog,
                         {{IDC_SDKSC_PASS_OLD, oldPass}, {IDC_SDKSC_PASS_NEW, newPass}, {IDC_SDKSC_PASS_CONFIRM, newPass}},
                         false);
        });
        script.Expect("#32770", SDKSC_KEYS_CAPTION, [&](HWND box) {
            for (const auto& t : StaticTexts(box)) said += t;
            ClickButton(box, "OK");
        });
        script.Start();
        SelectRow(list, 0);
        SendMessageA(keys, WM_COMMAND, IDM_SDKSC_KEYS_PASSPHRASE, 0);
        EXPECT_TRUE(script.Finish()) << script.Failure();
        return said;
    };
    const std::string refused = "The old passphrase is not the passphrase of this key. Nothing was changed.";
    EXPECT_EQ(change("not the passphrase", "a second passphrase"), refused);
    EXPECT_EQ(change("fresh start 2026", "a second passphrase"), "The passphrase of " + keyID + " is changed.");
    EXPECT_EQ(change("fresh start 2026", "a third passphrase"), refused);
    EXPECT_EQ(change("a second passphrase", "a third passphrase"), "The passphrase of " + keyID + " is changed.");
}

// Where the preferences point cannot be written (here a file stands where
// their folder should be): the user's own folder is offered instead, and the
// preferences then name it.
TEST_F(SdkSupportTest, RingsThatCannotBeMadeWhereThePreferencesSayGoToTheUsersFolder) {
    ScratchAppData scratch;
    const std::string blocked = scratch.Root() + "not a folder";
    const std::string pgpDir = scratch.Root() + "appdata\\Network Associates\\PGP\\";
    CreateDirectoryA((scratch.Root() + "appdata\\Network Associates").c_str(), nullptr);
    CreateDirectoryA(pgpDir.c_str(), nullptr);
    for (const auto& [path, text] :
         {std::pair{blocked, std::string("a file")},
          {scratch.PrefsFile(), "PublicKeyringFile=\"" + blocked + "\\pubring.pkr\"\r\nPrivateKeyringFile=\"" + blocked +
                                    "\\secring.skr\"\r\n"}}) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, text.data(), DWORD(text.size()), &put, nullptr);
        CloseHandle(h);
    }
    std::string instead;
    ModalScript script;
    script.Expect("#32770", SDKSC_KEYS_CAPTION, PressButton("Yes"));
    script.Expect("#32770", SDKSC_KEYS_CAPTION, [&](HWND box) {
        for (const auto& t : StaticTexts(box)) instead += t;
        ClickButton(box, "Yes");
    });
    script.Start();
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    std::shared_ptr<void> closeKeys(nullptr, [keys](void*) { DestroyWindow(keys); });
    EXPECT_NE(instead.find("could not be created at " + blocked + "\\pubring.pkr"), std::string::npos) << instead;
    EXPECT_NE(instead.find(pgpDir + "pubring.pkr"), std::string::npos) << instead;
    EXPECT_NE(GetFileAttributesA((pgpDir + "pubring.pkr").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((pgpDir + "secring.skr").c_str()), INVALID_FILE_ATTRIBUTES);
    orv::TPrefsFile prefs;
    orv::PrefsRecord record;
    ASSERT_EQ(prefs.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsPrivateRing), 0);
    EXPECT_EQ(record.PublicRing, pgpDir + "pubring.pkr");
    EXPECT_EQ(record.PrivateRing, pgpDir + "secring.skr");
}

TEST_F(SdkSupportTest, OnlyAKeyPairOfTheUsersOwnBecomesTheDefaultKey) {
    ScratchAppData scratch;  // no preference file: the rings beside the engine
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    ASSERT_NE(keys, nullptr);
    std::shared_ptr<void> closeKeys(nullptr, [keys](void*) { DestroyWindow(keys); });
    HWND list = FindChildById(keys, IDC_SDKSC_KEYS_LIST);
    const int alice = RowOf(list, "0xE8750B357ACE6A48"), carol = RowOf(list, "0x6533671D0C89AF89");
    ASSERT_GE(alice, 0);
    ASSERT_GE(carol, 0);
    EXPECT_EQ(Cell(list, alice, 5), "");

    // Carol's is a public key only.
    std::string said;
    ModalScript refused;
    refused.Expect("#32770", SDKSC_KEYS_CAPTION, [&](HWND box) {
        for (const auto& t : StaticTexts(box)) said += t;
        ClickButton(box, "OK");
    });
    refused.Start();
    SelectRow(list, carol);
    SendMessageA(keys, WM_COMMAND, IDM_SDKSC_KEYS_DEFAULT, 0);
    ASSERT_TRUE(refused.Finish()) << refused.Failure();
    EXPECT_NE(said.find("key pair of your own"), std::string::npos) << said;
    EXPECT_EQ(GetFileAttributesA(scratch.PrefsFile().c_str()), INVALID_FILE_ATTRIBUTES);

    SelectRow(list, RowOf(list, "0xE8750B357ACE6A48"));
    SendMessageA(keys, WM_COMMAND, IDM_SDKSC_KEYS_DEFAULT, 0);
    EXPECT_EQ(Cell(list, RowOf(list, "0xE8750B357ACE6A48"), 5), "yes");
    orv::TPrefsFile prefs;
    orv::PrefsRecord record;
    ASSERT_EQ(prefs.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsDefaultKey), 0)
        << ReadAll(scratch.PrefsFile());
    EXPECT_EQ(record.DefaultKeyID, "0xE8750B357ACE6A48");
    EXPECT_EQ(lstrcmpiA(record.PublicRing.c_str(), engine_->PublicRing().c_str()), 0) << record.PublicRing;
}

TEST_F(SdkSupportTest, PathIsTheEngineDirectoryAndShortBuffersAreRefused) {
    char path[MAX_PATH] = {};
    ASSERT_EQ(Sdk().PGPscPGPpath(path, sizeof path), 0);
    EXPECT_EQ(lstrcmpiA(path, engine_->Dir().c_str()), 0) << path;
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_NE(Sdk().PGPscPGPpath(tiny, sizeof tiny), 0);
    EXPECT_EQ(tiny[0], 0);
}

}  // namespace
