// The engine stand-in's user-interface library, loaded by the product's loader
// beside the stand-in core and driven through the product's own passphrase
// dialog calls (engine/key_dialogs) and the SDK table, its dialogs answered by
// the UI robot as a user would answer them.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "engine/key_dialogs.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "standin/sdkui/dialog_ids.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kAlicePass = "alice pass";

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

// Waits until the dialog's status line shows the text; false on timeout.
bool WaitStatus(HWND dlg, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (GetText(FindChildById(dlg, IDC_SDKUI_STATUS)) == text) return true;
        Sleep(50);
    }
    return false;
}

void Type(HWND dlg, int id, const std::string& text) { SetText(FindChildById(dlg, id), text); }

std::string KeyIDOf(PGPKeyDBObjRef key) {
    PGPKeyID id{};
    char text[kPGPMaxKeyIDStringSize] = {};
    if (!key || Sdk().PGPGetKeyID(key, &id) != 0 || Sdk().PGPGetKeyIDString(&id, loader::KeyIDFormatFull(), text) != 0)
        return {};
    return text;
}

bool IsSecureData(void* block) {
    PGPMemoryMgrRef mgr = nullptr;
    PGPSize size = 0;
    PGPBoolean secure = 0;
    return block && Sdk().PGPGetMemoryMgrDataInfo(block, &mgr, &size, &secure) == 0 && secure;
}

class SdkUITest : public ::testing::Test {
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
        wc.lpszClassName = "SdkUITestOwner";
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
        HMODULE ui = GetModuleHandleA("PGPsdkUI.dll");
        ASSERT_NE(ui, nullptr);
        ASSERT_NE(FindResourceA(ui, MAKEINTRESOURCEA(IDD_SDKUI_PASSPHRASE), MAKEINTRESOURCEA(5)), nullptr)
            << "the loaded user-interface library is not the stand-in's (bin/sdk7)";
        engine_->ResetRings();
        ASSERT_TRUE(KeyRings()->SetRingFiles(engine_->PublicRing(), engine_->SecretRing()));
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

    static inline StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline HWND owner_ = nullptr;
    PGPContextRef ctx_ = nullptr;
    PGPKeySetRef set_ = nullptr;
};

TEST_F(SdkUITest, SigningDialogAsksAgainAfterAWrongPassphraseAndReturnsKeyAndPassphrase) {
    std::string keys, afterWrong, status;
    bool wrongShown = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        keys = ComboLines(FindChildById(dlg, IDC_SDKUI_KEYS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "not alice's");
        ClickId(dlg, IDOK);
        wrongShown = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        afterWrong = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        SaveScreenshot(dlg, ShotPath("sdk7_signing_wrong.png"));
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
    EXPECT_TRUE(IsSecureData(pass)) << "the passphrase is not in the engine's secure memory";
    Sdk().PGPFreeData(pass);
    EXPECT_EQ(KeyIDOf(key), kAlice);
    EXPECT_TRUE(wrongShown) << "a wrong passphrase was not refused";
    EXPECT_EQ(afterWrong, "") << "the field kept the wrong passphrase";
    // Only alice has a secret key: the one signing choice, named by user ID and key ID.
    EXPECT_NE(keys.find(std::string("(") + kAlice + ")"), std::string::npos) << keys;
    EXPECT_EQ(keys.find(kBob), std::string::npos) << keys;
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, owner_);
    EXPECT_NE(std::find(seen[0].texts.begin(), seen[0].texts.end(), "Sign with:"), seen[0].texts.end());
}

// Two secret keys: alice's (protected) and bob's (no passphrase), in a key
// database of their own.
TEST_F(SdkUITest, SigningDialogStartsAtTheDefaultKeyAndFindsTheKeyThePassphraseFits) {
    auto& t = Sdk();
    std::string data;
    for (const char* f : {"alice_sec.asc", "bob_sec.asc"}) {
        HANDLE h = CreateFileA((SourcePath(ORV_STANDIN_DATA) + f).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << f;
        std::string part(GetFileSize(h, nullptr), '\0');
        DWORD got = 0;
        ReadFile(h, part.data(), DWORD(part.size()), &got, nullptr);
        CloseHandle(h);
        data += part + "\n";
    }
    PGPKeyDBRef db = nullptr;
    ASSERT_EQ(t.PGPImport(ctx_, &db, t.PGPOInputBuffer(ctx_, data.data(), PGPSize(data.size())), t.PGPOLastOption(ctx_)),
              0);
    PGPKeyID aliceID{}, bobID{};
    ASSERT_EQ(t.PGPNewKeyIDFromString(kAlice, 0, &aliceID), 0);
    ASSERT_EQ(t.PGPNewKeyIDFromString(kBob, 0, &bobID), 0);
    PGPKeyDBObjRef alice = nullptr, bob = nullptr;
    ASSERT_EQ(t.PGPFindKeyByKeyID(db, &aliceID, &alice), 0);
    ASSERT_EQ(t.PGPFindKeyByKeyID(db, &bobID, &bob), 0);

    auto run = [&](PGPKeyDBObjRef defaultKey, bool find, char*& pass, PGPKeyDBObjRef& key) {
        return t.PGPSigningPassphraseDialog(ctx_, db, &key, t.PGPOUIDefaultKey(ctx_, defaultKey),
                                            t.PGPOUIFindMatchingKey(ctx_, find), t.PGPOUIVerifyPassphrase(ctx_, 1),
                                            t.PGPOUIOutputPassphrase(ctx_, &pass),
                                            t.PGPOUIParentWindowHandle(ctx_, owner_), t.PGPOLastOption(ctx_));
    };
    auto selected = [](HWND dlg) {
        HWND combo = FindChildById(dlg, IDC_SDKUI_KEYS);
        char line[512] = {};
        SendMessageA(combo, CB_GETLBTEXT, SendMessageA(combo, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(line));
        return std::string(line);
    };
    std::string firstSelected, secondSelected, keys;
    bool refused = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        firstSelected = selected(dlg);
        keys = ComboLines(FindChildById(dlg, IDC_SDKUI_KEYS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "");
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        secondSelected = selected(dlg);
        ClickId(dlg, IDOK);  // an empty passphrase is bob's
        refused = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        ClickId(dlg, IDCANCEL);
    });
    script.Start();
    char* pass = nullptr;
    PGPKeyDBObjRef key = nullptr;
    // Alice's key is chosen, bob's passphrase typed: the matching key is bob's.
    const PGPError found = run(alice, true, pass, key);
    const std::string foundKey = KeyIDOf(key);
    if (pass) t.PGPFreeData(pass);
    pass = nullptr;
    key = nullptr;
    // Without the search only the chosen key counts.
    const PGPError strict = run(alice, false, pass, key);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    t.PGPFreeKeyDB(db);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(foundKey, kBob);
    EXPECT_EQ(strict, kPGPError_UserAbort);
    EXPECT_EQ(pass, nullptr);
    EXPECT_TRUE(refused);
    EXPECT_NE(firstSelected.find(kAlice), std::string::npos) << firstSelected;
    EXPECT_NE(secondSelected.find(kAlice), std::string::npos) << secondSelected;
    EXPECT_NE(keys.find(kBob), std::string::npos) << keys;
}

TEST_F(SdkUITest, CancelledDialogsGiveUserAbortAndNoPassphrase) {
    ModalScript script;
    script.Expect("#32770", "PGP", [](HWND dlg) {
        Type(dlg, IDC_SDKUI_PASSPHRASE, kAlicePass);
        ClickId(dlg, IDCANCEL);
    });
    script.Expect("#32770", "PGP", [](HWND dlg) { ClickId(dlg, IDCANCEL); });
    script.Expect("#32770", "PGP", [](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); });
    script.Start();
    char* pass = reinterpret_cast<char*>(1);
    PGPKeyDBObjRef key = reinterpret_cast<PGPKeyDBObjRef>(1);
    EXPECT_EQ(SigningPassphrase(ctx_, set_, "Sign:", kAlice, true, owner_, pass, key), kPGPError_UserAbort);
    EXPECT_EQ(pass, nullptr);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(ConventionalEncryptionPassphrase(ctx_, "Encrypt:", owner_, pass), kPGPError_UserAbort);
    EXPECT_EQ(pass, nullptr);
    EXPECT_EQ(ConventionalDecryptionPassphrase(ctx_, "Decrypt:", owner_, pass), kPGPError_UserAbort);
    EXPECT_EQ(pass, nullptr);
    ASSERT_TRUE(script.Finish()) << script.Failure();
}

TEST_F(SdkUITest, DecryptionDialogNamesTheRecipientKeysAndFindsTheDecryptionKey) {
    PGPKeyID ids[3] = {};
    ASSERT_EQ(Sdk().PGPGetKeyID(Key(kBob), &ids[0]), 0);
    ASSERT_EQ(Sdk().PGPGetKeyID(Key(kAlice), &ids[1]), 0);
    ASSERT_EQ(Sdk().PGPNewKeyIDFromString("0x1122334455667788", 0, &ids[2]), 0);
    std::string recipients, afterWrong;
    bool wrongShown = false;
    ModalScript script;
    script.Expect("#32770", "PGP", [&](HWND dlg) {
        recipients = ListBoxLines(FindChildById(dlg, IDC_SDKUI_RECIPIENTS));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "bob's?");
        ClickId(dlg, IDOK);
        wrongShown = WaitStatus(dlg, SDKUI_TEXT_WRONG_PASSPHRASE);
        afterWrong = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        SaveScreenshot(dlg, ShotPath("sdk7_decryption.png"));
        Type(dlg, IDC_SDKUI_PASSPHRASE, kAlicePass);
        ClickId(dlg, IDOK);
    });
    script.Start();
    char* pass = nullptr;
    PGPKeyDBObjRef key = nullptr;
    const PGPError err = DecryptionPassphrase(ctx_, set_, 3, reinterpret_cast<const PGPByte*>(ids), "Passphrase:",
                                              owner_, pass, key);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_STREQ(pass, kAlicePass);
    EXPECT_TRUE(IsSecureData(pass));
    Sdk().PGPFreeData(pass);
    EXPECT_EQ(KeyIDOf(key), kAlice);
    EXPECT_TRUE(wrongShown);
    EXPECT_EQ(afterWrong, "");
    // One line per key ID, in the message's order; unknown IDs by their text.
    const auto lines = recipients;
    const size_t bob = lines.find(std::string("(") + kBob + ")");
    const size_t alice = lines.find(std::string("(") + kAlice + ")");
    const size_t unknown = lines.find("Unknown key (0x1122334455667788)");
    EXPECT_NE(bob, std::string::npos) << lines;
    EXPECT_NE(alice, std::string::npos) << lines;
    EXPECT_NE(unknown, std::string::npos) << lines;
    EXPECT_LT(bob, alice);
    EXPECT_LT(alice, unknown);
    EXPECT_NE(lines.find("alice <alice@example.org> (0xE8750B357ACE6A48)"), std::string::npos) << "the recipient is not named by user ID: " << lines;
}

TEST_F(SdkUITest, ConventionalEncryptionAsksTwiceUntilBothFieldsMatch) {
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
        SaveScreenshot(dlg, ShotPath("sdk7_conventional_mismatch.png"));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "same secret");
        Type(dlg, IDC_SDKUI_CONFIRMATION, "same secret");
        ClickId(dlg, IDOK);
    });
    script.Start();
    char* pass = nullptr;
    const PGPError err = ConventionalEncryptionPassphrase(ctx_, "Conventional:", owner_, pass);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_STREQ(pass, "same secret");
    EXPECT_TRUE(IsSecureData(pass));
    Sdk().PGPFreeData(pass);
    EXPECT_TRUE(mismatchShown);
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "");
}

TEST_F(SdkUITest, ConventionalDecryptionReturnsTheTypedPassphraseWithItsCaptionPromptAndOwner) {
    ModalScript script;
    script.Expect("#32770", "PGP", [](HWND dlg) {
        Type(dlg, IDC_SDKUI_PASSPHRASE, "message pass");
        Sleep(200);  // the masked text painted
        SaveScreenshot(dlg, ShotPath("sdk7_conventional_decryption.png"));
        ClickId(dlg, IDOK);
    });
    script.Start();
    char* pass = nullptr;
    const PGPError err = ConventionalDecryptionPassphrase(ctx_, "Passphrase of the message:", owner_, pass);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_STREQ(pass, "message pass");
    Sdk().PGPFreeData(pass);
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "PGP");
    EXPECT_EQ(seen[0].owner, owner_);
    EXPECT_NE(std::find(seen[0].texts.begin(), seen[0].texts.end(), "Passphrase of the message:"),
              seen[0].texts.end());
}

// Options travel in the core's lists: built into a persistent list, grouped,
// nested, and each one read back by the dialog.
TEST_F(SdkUITest, OptionsMadeByTheLibraryTakeEffectThroughTheCoresOptionLists) {
    auto& t = Sdk();
    PGPOptionListRef built = nullptr;
    ASSERT_EQ(t.PGPBuildOptionList(ctx_, &built, t.PGPOUIWindowTitle(ctx_, "Built title"),
                                   t.PGPOUIDialogPrompt(ctx_, "Built prompt"), t.PGPOLastOption(ctx_)),
              0);
    PGPUInt32 checked = 7;
    char* pass = nullptr;
    std::string boxText, caption, tooShortField;
    bool tooShown = false;
    ModalScript script;
    script.Expect("#32770", "Built title", [&](HWND dlg) {
        caption = GetText(dlg);
        HWND box = FindChildById(dlg, IDC_SDKUI_CHECKBOX);
        boxText = GetText(box);
        ClickId(dlg, IDC_SDKUI_CHECKBOX);  // on
        Type(dlg, IDC_SDKUI_PASSPHRASE, "short");
        Type(dlg, IDC_SDKUI_CONFIRMATION, "short");
        ClickId(dlg, IDOK);
        tooShown = WaitStatus(dlg, SDKUI_TEXT_TOO_SHORT);
        tooShortField = GetText(FindChildById(dlg, IDC_SDKUI_PASSPHRASE));
        Type(dlg, IDC_SDKUI_PASSPHRASE, "long enough");
        Type(dlg, IDC_SDKUI_CONFIRMATION, "long enough");
        ClickId(dlg, IDOK);
    });
    script.Start();
    const PGPError err = t.PGPConfirmationPassphraseDialog(
        ctx_, built,
        t.PGPOUIDialogOptions(ctx_, t.PGPOUICheckbox(ctx_, 5, "&Wipe original", "", 0, &checked, t.PGPOLastOption(ctx_)),
                              t.PGPOUIMinimumPassphraseLength(ctx_, 8), t.PGPOLastOption(ctx_)),
        t.PGPOUIOutputPassphrase(ctx_, &pass), t.PGPOUIParentWindowHandle(ctx_, owner_), t.PGPOLastOption(ctx_));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    EXPECT_STREQ(pass, "long enough");
    t.PGPFreeData(pass);
    EXPECT_EQ(checked, 1u) << "the check box result was not written back";
    EXPECT_EQ(boxText, "&Wipe original");
    EXPECT_TRUE(tooShown) << "the minimum length did not take effect";
    EXPECT_EQ(tooShortField, "");
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, owner_);
    EXPECT_NE(std::find(seen[0].texts.begin(), seen[0].texts.end(), "Built prompt"), seen[0].texts.end());
    // The caller's list outlives the call; the temporaries were taken over.
    EXPECT_EQ(t.PGPFreeOptionList(built), 0);
}

TEST_F(SdkUITest, BadOptionsFailWithoutShowingADialog) {
    auto& t = Sdk();
    char* pass = nullptr;
    // A null title makes its list fail; no dialog may open for it.
    EXPECT_EQ(t.PGPPassphraseDialog(ctx_, t.PGPOUIWindowTitle(ctx_, nullptr), t.PGPOUIOutputPassphrase(ctx_, &pass),
                                    t.PGPOLastOption(ctx_)),
              kPGPError_BadParams);
    EXPECT_EQ(pass, nullptr);
    // Without an output place there is nowhere to put the passphrase.
    EXPECT_EQ(t.PGPPassphraseDialog(ctx_, t.PGPOUIWindowTitle(ctx_, "x"), t.PGPOLastOption(ctx_)), kPGPError_BadParams);
    // A signing dialog over no keys.
    PGPKeyDBObjRef key = nullptr;
    EXPECT_EQ(t.PGPSigningPassphraseDialog(ctx_, nullptr, &key, t.PGPOUIOutputPassphrase(ctx_, &pass),
                                           t.PGPOLastOption(ctx_)),
              kPGPError_BadParams);
    EXPECT_TRUE(ListTopWindows("#32770", "x").empty());
}

TEST_F(SdkUITest, PassphraseQualityGrowsWithLengthAndCharacterClasses) {
    auto& t = Sdk();
    ASSERT_NE(t.PGPEstimatePassphraseQuality, nullptr);
    const PGPUInt32 empty = t.PGPEstimatePassphraseQuality("");
    const PGPUInt32 shortLower = t.PGPEstimatePassphraseQuality("abc");
    const PGPUInt32 longLower = t.PGPEstimatePassphraseQuality("abcdefghijkl");
    const PGPUInt32 mixed = t.PGPEstimatePassphraseQuality("aB3$efghijkl");
    EXPECT_EQ(empty, 0u);
    EXPECT_LT(shortLower, longLower);
    EXPECT_LT(longLower, mixed);
    EXPECT_EQ(t.PGPEstimatePassphraseQuality("Correct horse battery staple, 42 times over!"), 100u);
}

// The selected lines of a multiple-choice list box.
std::string SelectedLines(HWND list) {
    std::string all;
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if (SendMessageA(list, LB_GETSEL, i, 0) <= 0) continue;
        char line[512] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        all += std::string(line) + "\n";
    }
    return all;
}

// Selects exactly the lines that hold one of the key IDs.
void SelectKeys(HWND list, const std::vector<const char*>& ids) {
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char line[512] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        bool chosen = false;
        for (const char* id : ids) chosen = chosen || std::strstr(line, id);
        SendMessageA(list, LB_SETSEL, chosen, i);
    }
}

// The recipient dialog shows the offered keys with the default recipient
// chosen, refuses an empty choice, and hands back what the user chose; with
// every default recipient found and no request to show it, it answers alone.
TEST_F(SdkUITest, RecipientDialogReturnsTheChosenKeysStartingFromTheDefaultRecipients) {
    auto& t = Sdk();
    PGPKeyID bobID{};
    ASSERT_EQ(t.PGPNewKeyIDFromString(kBob, 0, &bobID), 0);
    auto run = [&](PGPBoolean always, PGPKeySetRef& chosen) {
        return t.PGPRecipientDialog(ctx_, set_, always, &chosen, t.PGPOUIParentWindowHandle(ctx_, owner_),
                                    t.PGPOUIWindowTitle(ctx_, "Recipients"),
                                    t.PGPOUIDialogPrompt(ctx_, "Encrypt the message to:"),
                                    t.PGPOUIDefaultRecipients(ctx_, 1, reinterpret_cast<const PGPByte*>(&bobID)),
                                    t.PGPOLastOption(ctx_));
    };
    std::string offered, preselected, prompt;
    bool emptyRefused = false;
    ModalScript script;
    script.Expect("#32770", "Recipients", [&](HWND dlg) {
        HWND list = FindChildById(dlg, IDC_SDKUI_RECIPIENT_KEYS);
        offered = ListBoxLines(list);
        preselected = SelectedLines(list);
        prompt = GetText(FindChildById(dlg, IDC_SDKUI_PROMPT));
        SaveScreenshot(dlg, ShotPath("sdk7_recipients.png"));
        SelectKeys(list, {});
        ClickId(dlg, IDOK);
        emptyRefused = WaitStatus(dlg, SDKUI_TEXT_NO_RECIPIENT);
        SelectKeys(list, {kAlice, kBob});
        ClickId(dlg, IDOK);
    });
    script.Expect("#32770", "Recipients", [](HWND dlg) { ClickId(dlg, IDCANCEL); });
    script.Start();
    PGPKeySetRef shown = nullptr, cancelled = reinterpret_cast<PGPKeySetRef>(1), alone = nullptr;
    const PGPError shownErr = run(1, shown);
    const PGPError cancelErr = run(1, cancelled);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    const PGPError aloneErr = run(0, alone);

    ASSERT_EQ(shownErr, 0);
    PGPUInt32 count = 0;
    ASSERT_EQ(t.PGPCountKeys(shown, &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(t.PGPKeySetIsMember(Key(kAlice), shown));
    EXPECT_TRUE(t.PGPKeySetIsMember(Key(kBob), shown));
    t.PGPFreeKeySet(shown);
    EXPECT_EQ(cancelErr, kPGPError_UserAbort);
    EXPECT_EQ(cancelled, nullptr);
    ASSERT_EQ(aloneErr, 0);
    ASSERT_EQ(t.PGPCountKeys(alone, &count), 0);
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(t.PGPKeySetIsMember(Key(kBob), alone));
    t.PGPFreeKeySet(alone);

    EXPECT_TRUE(emptyRefused) << "an empty choice was taken";
    EXPECT_EQ(prompt, "Encrypt the message to:");
    EXPECT_NE(offered.find(kAlice), std::string::npos) << offered;
    EXPECT_NE(offered.find(kBob), std::string::npos) << offered;
    EXPECT_NE(preselected.find(kBob), std::string::npos) << preselected;
    EXPECT_EQ(preselected.find(kAlice), std::string::npos) << preselected;
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].owner, owner_);
}

}  // namespace
