// The configuration store over the engine stand-in: "Merrowin.cfg" with its
// defaults and number forms, the PGP configuration check with its retry
// question, the default signing user and its write-back, the passphrase
// cache timer and its notice to an automation window, message files and the
// form-definition files.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "engine/key_rings.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "formats/config_file.h"
#include "interfaces/host_messages.h"
#include "plugin/form_files.h"
#include "plugin/msgbox.h"
#include "plugin/pgp_data.h"
#include "strings/text_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"

using namespace orv;
using namespace orv::test;

namespace {

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBox = "TfrmPGPDlg";

// ---- Pure text rules -------------------------------------------------------

TEST(ConfigNumbers, DecimalAndHexadecimalForms) {
    struct Row {
        const char* text;
        std::optional<int> value;
    };
    const Row rows[] = {
        {"60", 60},         {"0x3C", 60},       {"0X3c", 60},   {" -1 ", -1},    {"+7", 7},
        {"0xFFFFFFFF", -1}, {"2147483647", 2147483647},       {"-2147483648", int(0x80000000)},
        {"2147483648", {}}, {"0x100000000", {}}, {"", {}},     {"abc", {}},     {"0x", {}},
        {"12a", {}},        {"0xG1", {}},       {"-", {}},     {"1 2", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseConfigInt(row.text), row.value);
    }
}

TEST(DefaultUserText, SplitAtTheLastBackslash) {
    std::string user, id;
    SplitDefaultUser(" Alice <a@x> \\ 0x7ACE6A48 ", user, id);
    EXPECT_EQ(user, "Alice <a@x>");
    EXPECT_EQ(id, "0x7ACE6A48");
    SplitDefaultUser("Domain\\Alice\\0x1", user, id);
    EXPECT_EQ(user, "Domain\\Alice");
    EXPECT_EQ(id, "0x1");
    SplitDefaultUser("Alice only", user, id);
    EXPECT_EQ(user, "Alice only");
    EXPECT_EQ(id, "");
}

TEST(FormDefinition, LibraryLinePointsAtTheInstallDirectory) {
    const std::string text =
        "Form name = Orvane\r\n"
        "Form DLL = \"C:\\OLD\\PLACE\\Merrowin.dll\"\r\n"
        "Bitmap file = \"C:\\OLD\\kvsec.bmp\"\r\n"
        "Form data = MANAGER\r\n"
        "Form tagname = x\r\n";
    std::string out;
    ASSERT_TRUE(UpdateFormDefinition(text, "D:\\Orvane\\", false, out));
    EXPECT_EQ(out,
              "Form name = Orvane\r\n"
              "Form DLL = \"D:\\Orvane\\Merrowin.dll\"\r\n"
              "Form data = MANAGER\r\n"
              "Form tagname = x\r\n");
    // The automation plug-in keeps only its editor form data.
    const std::string plug = "Form DLL = \"A:Pellatch.dll\"\nForm data = READER\nForm data = EDIT\n";
    ASSERT_TRUE(UpdateFormDefinition(plug, "D:\\Orvane\\", true, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\Orvane\\Pellatch.dll\"\nForm data = EDIT\n");
}

TEST(FormDefinition, BareOrUnquotedLibraryNamesStayWhole) {
    std::string out;
    ASSERT_TRUE(UpdateFormDefinition("Form DLL = \"Merrowin.dll\"\r\n", "D:\\O\\", false, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\O\\Merrowin.dll\"\r\n");
    ASSERT_TRUE(UpdateFormDefinition("Form DLL = C:\\X\\Merrowin.dll", "D:\\O\\", false, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\O\\Merrowin.dll\"");
    // Each library keeps its role in the client, whatever else its flags hold.
    ASSERT_TRUE(UpdateFormDefinition("Form DLL = Pellatch.dll\r\nForm flags = 0x4\r\n", "D:\\O\\", true, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\O\\Pellatch.dll\"\r\nForm flags = 5\r\n");
    ASSERT_TRUE(UpdateFormDefinition("Form DLL = Merrowin.dll\nForm flags = 0\n", "D:\\O\\", false, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\O\\Merrowin.dll\"\nForm flags = 2\n");
    ASSERT_TRUE(UpdateFormDefinition("Form DLL = Merrowin.dll\nForm flags = 0x2\n", "D:\\O\\", false, out));
    EXPECT_EQ(out, "Form DLL = \"D:\\O\\Merrowin.dll\"\nForm flags = 0x2\n");
    // No library line: nothing to write back.
    EXPECT_FALSE(UpdateFormDefinition("Bitmap file = x\r\nName = y\r\n", "D:\\O\\", false, out));
}

TEST(PGPInfo, FirstLineEndsAtTheBracketTheRestIsIndented) {
    EXPECT_EQ(PGPInfoBlock("Good signature (Tue, 01 Dec 2026) from alice <a@x>, (0x7ACE6A48): complete validity"),
              "PGP-Info: \tGood signature (Tue, 01 Dec 2026)\r\n\t\tfrom alice <a@x>,\r\n\t\t(0x7ACE6A48): "
              "complete validity\r\n___________\r\n\r\n");
    EXPECT_EQ(PGPInfoBlock("Unknown algorithm for signature"),
              "PGP-Info: \tUnknown algorithm for signature\r\n___________\r\n\r\n");
}

// ---- Over the engine -----------------------------------------------------------

class ConfigStore : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        hooks.createPrefsFile = CreatePgpPrefs;
        hooks.freePrefsFile = FreePgpPrefs;
        prefs_ = new PrefsFileOverride();
        prefs_->Write("DefaultKeyID=\"" + std::string(kAlice) + "\"\r\n");
        loaded_ = engine_->Load(hooks);
        texts::Load(ProgramDir());
    }
    static void TearDownTestSuite() {
        texts::Unload();
        delete engine_;
        engine_ = nullptr;
        delete prefs_;
        prefs_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load";
        ASSERT_TRUE(texts::Loaded());
        engine_->ResetRings();
        dir_ = std::make_unique<ScratchDir>("cfg");
        links_.ConfigFile = dir_->Path() + "Merrowin.cfg";
        links_.MailboxDir = dir_->Path();
        links_.InstallDir = "D:\\Orvane\\";
        links_.MsgBox = std::make_unique<TMsgBox>();
        data_ = std::make_unique<TPGPData>(links_);
        automation_ = std::make_unique<AutomationWindow>();
    }
    void TearDown() override {
        data_.reset();
        automation_.reset();
    }
    void WriteConfig(const std::string& text) { ASSERT_TRUE(ReplaceWholeFile(links_.ConfigFile, text)); }
    std::string ConfigValue(const char* section, const char* key) {
        return TConfigFile(links_.ConfigFile).ReadString(section, key, "<absent>");
    }
    std::string RingsSection() {
        return "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() + "\r\n";
    }
    // A cached signing passphrase, as a job leaves it.
    void FillCache() {
        PGPContextRef context = nullptr;
        ASSERT_EQ(sdk::Sdk().PGPNewContext(kPGPsdkAPIVersion, &context), 0);
        const std::string source = "output bytes of a job, long enough for a key";
        EXPECT_TRUE(data_->Secure->CachePassphrase(context, "alice pass", kSignSlot, source.data(), source.size()));
        sdk::Sdk().PGPFreeContext(context);
        ASSERT_FALSE(data_->Secure->IsEmpty());
    }

    static StandInEngine* engine_;
    static PrefsFileOverride* prefs_;
    static bool loaded_;
    std::unique_ptr<ScratchDir> dir_;
    TSessionContext links_;
    std::unique_ptr<TPGPData> data_;
    std::unique_ptr<AutomationWindow> automation_;
};

StandInEngine* ConfigStore::engine_ = nullptr;
PrefsFileOverride* ConfigStore::prefs_ = nullptr;
bool ConfigStore::loaded_ = false;

TEST_F(ConfigStore, WithoutAFileEveryValueIsItsDefault) {
    ASSERT_TRUE(data_->LoadSettings());
    EXPECT_FALSE(data_->Settings.Always);
    EXPECT_EQ(data_->Settings.Comment, "");
    EXPECT_FALSE(data_->Settings.Standard);
    EXPECT_TRUE(data_->Settings.Auto);
    EXPECT_FALSE(data_->Settings.Hide);
    EXPECT_TRUE(data_->Settings.Encrypt);
    EXPECT_FALSE(data_->Settings.Confirm);
    EXPECT_TRUE(data_->Settings.MixedWarn);
    EXPECT_TRUE(data_->Settings.ADKWarn);
    EXPECT_FALSE(data_->Settings.CheckKey);
    EXPECT_FALSE(data_->Settings.Lookup);
    EXPECT_TRUE(data_->Settings.CheckSig);
    EXPECT_EQ(data_->Settings.Include, 0);
    EXPECT_EQ(data_->Settings.Store, -1);
    EXPECT_EQ(data_->Settings.Count, 3);
    EXPECT_EQ(data_->Secure->WipeCount, 3);
    // Reading never creates the file.
    EXPECT_EQ(GetFileAttributesA(links_.ConfigFile.c_str()), INVALID_FILE_ATTRIBUTES);

    links_.ConfigFile.clear();
    EXPECT_FALSE(data_->LoadSettings());
}

TEST_F(ConfigStore, ValuesInEitherNumberFormAndBadNumbersGiveTheDefault) {
    WriteConfig(
        "[StorePassphrase]\r\nStore=0x3C\r\n[WipeCount]\r\nCount=seven\r\n[CheckMessage]\r\nInclude=2\r\n"
        "CheckSig=0\r\nLookup=0x1\r\n[Pellatch]\r\nAuto=0\r\n[DefaultComment]\r\nComment=Orvane user\r\n"
        "[MixedOptions]\r\nWarn=0\r\n[ADKWarning]\r\nWarn=1\r\n[EncryptAttach]\r\nEncrypt=\r\n");
    ASSERT_TRUE(data_->LoadSettings());
    EXPECT_EQ(data_->Settings.Store, 60);
    EXPECT_EQ(data_->Settings.Count, 3);
    EXPECT_EQ(data_->Settings.Include, 2);
    EXPECT_FALSE(data_->Settings.CheckSig);
    EXPECT_TRUE(data_->Settings.Lookup);
    EXPECT_FALSE(data_->Settings.Auto);
    EXPECT_EQ(data_->Settings.Comment, "Orvane user");
    // The two "Warn" keys live in different sections.
    EXPECT_FALSE(data_->Settings.MixedWarn);
    EXPECT_TRUE(data_->Settings.ADKWarn);
    EXPECT_TRUE(data_->Settings.Encrypt);
}

// The dialog shows numbers outside their fields' ranges as the nearest end;
// the store took them as they were (a passphrase kept for hours, a wiper
// that deletes without overwriting).
TEST_F(ConfigStore, NumbersOutOfRangeAreTakenAsTheDialogShowsThem) {
    WriteConfig("[StorePassphrase]\r\nStore=5000\r\n[WipeCount]\r\nCount=0\r\n[CheckMessage]\r\nInclude=7\r\n");
    ASSERT_TRUE(data_->LoadSettings());
    EXPECT_EQ(data_->Settings.Store, 900);
    EXPECT_EQ(data_->Settings.Count, 1);
    EXPECT_EQ(data_->Secure->WipeCount, 1);
    EXPECT_EQ(data_->Settings.Include, 2);
    WriteConfig("[StorePassphrase]\r\nStore=-30\r\n[WipeCount]\r\nCount=1000\r\n[CheckMessage]\r\nInclude=-1\r\n");
    ASSERT_TRUE(data_->LoadSettings());
    EXPECT_EQ(data_->Settings.Store, -1);
    EXPECT_EQ(data_->Settings.Count, 100);
    EXPECT_EQ(data_->Settings.Include, 0);
}

TEST_F(ConfigStore, CheckHandsTheConfiguredRingsToTheKeyRings) {
    WriteConfig(RingsSection() + "[MenuOptions]\r\nPGPMime=1\r\n[DefaultUser]\r\nName=Alice\\" + kAlice + "\r\n");
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(KeyRings()->PublicRingFile, engine_->PublicRing());
    EXPECT_EQ(KeyRings()->PrivateRingFile, engine_->SecretRing());
    EXPECT_TRUE(data_->Settings.PGPMime);
    EXPECT_EQ(data_->Settings.DefaultKeyID, kAlice);
    EXPECT_EQ(data_->Settings.DefaultUserName, "Alice");
}

TEST_F(ConfigStore, MissingRingAsksToRetryUntilTheUserDeclines) {
    const std::string pub = dir_->Path() + "late.pkr";
    WriteConfig("[FilePaths]\r\nPubRing=" + pub + "\r\nSecRing=" + engine_->SecretRing() + "\r\n");
    BoxView first, second;
    ModalScript script;
    // First answer: the ring is put in place, then Yes.
    script.Expect(kBox, "Confirm:", [&](HWND box) {
        first = ViewBox(box);
        CopyFileA(engine_->PublicRing().c_str(), pub.c_str(), FALSE);
        PostKey(box, 'Y');
    });
    script.Start();
    EXPECT_TRUE(data_->CheckPGPConfig());
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(first.text, "Cannot find the following file(s):\r\n\r\nPubRing\r\n\r\nRetry?");
    EXPECT_EQ(KeyRings()->PublicRingFile, pub);

    // Both missing: both names, and No stops the check.
    WriteConfig("[FilePaths]\r\nPubRing=" + dir_->Path() + "no.pkr\r\nSecRing=" + dir_->Path() + "no.skr\r\n");
    ModalScript again;
    again.Expect(kBox, "Confirm:", [&](HWND box) {
        second = ViewBox(box);
        PostKey(box, 'N');
    });
    again.Start();
    EXPECT_FALSE(data_->CheckPGPConfig());
    ASSERT_TRUE(again.Finish()) << again.Failure();
    EXPECT_EQ(second.text, "Cannot find the following file(s):\r\n\r\nSecRing and PubRing\r\n\r\nRetry?");
}

TEST_F(ConfigStore, SetupCommandsDoNotAskForMissingRings) {
    links_.SetupCommand = "USERCONFIG";
    WriteConfig("[FilePaths]\r\nPubRing=" + dir_->Path() + "no.pkr\r\nSecRing=" + dir_->Path() + "no.skr\r\n");
    ModalScript script;
    script.Expect(kBox, "", PressButton("OK"));
    script.Start(1500);
    EXPECT_FALSE(data_->CheckPGPConfig());
    EXPECT_FALSE(script.Finish());  // no box at all
}

TEST_F(ConfigStore, BackslashNameTakesThePreferencesDefaultKeyAndWritesItBack) {
    WriteConfig(RingsSection() + "[DefaultUser]\r\nName=\\\r\n");
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(data_->Settings.DefaultKeyID, kAlice);
    EXPECT_NE(data_->Settings.DefaultUserName.find("alice"), std::string::npos) << data_->Settings.DefaultUserName;
    EXPECT_EQ(ConfigValue("DefaultUser", "Name"), data_->Settings.DefaultUserName + "\\" + kAlice);
}

// A new user's set-up leaves the name empty: nothing is said while the
// engine has no default key, and its first one becomes the signing key.
TEST_F(ConfigStore, EmptyNameTakesTheEnginesDefaultKeyOnceThereIsOne) {
    WriteConfig(RingsSection() + "[DefaultUser]\r\nName=\r\n");
    const std::shared_ptr<void> restorePrefs(nullptr, [](void*) {
        prefs_->Write("DefaultKeyID=\"" + std::string(kAlice) + "\"\r\n");
    });
    prefs_->Write("");
    ModalScript script;
    script.Expect(kBox, "", PressButton("OK"));
    script.Start(1500);
    EXPECT_TRUE(data_->CheckPGPConfig());
    EXPECT_FALSE(script.Finish());  // no box at all
    EXPECT_EQ(data_->Settings.DefaultKeyID, "");
    EXPECT_EQ(ConfigValue("DefaultUser", "Name"), "");

    prefs_->Write("DefaultKeyID=\"" + std::string(kAlice) + "\"\r\n");
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(data_->Settings.DefaultKeyID, kAlice);
    EXPECT_NE(data_->Settings.DefaultUserName.find("alice"), std::string::npos) << data_->Settings.DefaultUserName;
    EXPECT_EQ(ConfigValue("DefaultUser", "Name"), data_->Settings.DefaultUserName + "\\" + kAlice);
}

TEST_F(ConfigStore, ShortKeyIDIsExpandedWhenItMatchesOneKey) {
    WriteConfig(RingsSection() + "[DefaultUser]\r\nName=Somebody\\0x7ACE6A48\r\n");
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(data_->Settings.DefaultKeyID, kAlice);
    EXPECT_EQ(ConfigValue("DefaultUser", "Name"), data_->Settings.DefaultUserName + "\\" + kAlice);
    // A key ID of no key stays as it was, and so does the file.
    WriteConfig(RingsSection() + "[DefaultUser]\r\nName=Nobody\\0x01020304\r\n");
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(data_->Settings.DefaultKeyID, "0x01020304");
    EXPECT_EQ(ConfigValue("DefaultUser", "Name"), "Nobody\\0x01020304");
}

TEST_F(ConfigStore, WipeNowTellsTheAutomationWindowOnlyWhenAPassphraseWasStored) {
    links_.AutomationWindow = automation_->Handle();
    EXPECT_TRUE(data_->CacheTimer(kWipeNow));
    EXPECT_TRUE(automation_->CacheStates().empty());  // empty and stays empty
    FillCache();
    EXPECT_TRUE(data_->CacheTimer(kWipeNow));
    EXPECT_TRUE(data_->Secure->IsEmpty());
    EXPECT_EQ(automation_->CacheStates(), std::vector<WPARAM>{0});
}

TEST_F(ConfigStore, StoreZeroKeepsThePassphraseAndSaysSo) {
    links_.AutomationWindow = automation_->Handle();
    FillCache();
    EXPECT_FALSE(data_->CacheTimer(0));
    EXPECT_FALSE(data_->CacheTimerRunning());
    EXPECT_FALSE(data_->Secure->IsEmpty());
    EXPECT_EQ(automation_->CacheStates(), std::vector<WPARAM>{1});
}

TEST_F(ConfigStore, TimerExpiryWipesTheCache) {
    links_.AutomationWindow = automation_->Handle();
    data_->Settings.Store = 1;
    FillCache();
    EXPECT_FALSE(data_->CacheTimer(1));
    EXPECT_TRUE(data_->CacheTimerRunning());
    // A second operation restarts the one timer.
    EXPECT_FALSE(data_->CacheTimer(1));
    PumpUntil([&] { return data_->Secure->IsEmpty(); }, 4000);
    EXPECT_TRUE(data_->Secure->IsEmpty());
    EXPECT_FALSE(data_->CacheTimerRunning());
    EXPECT_EQ(automation_->CacheStates(), (std::vector<WPARAM>{1, 1, 0}));
}

TEST_F(ConfigStore, MessageFilesAreReplacedWholeOrNotAtAll) {
    const std::string file = dir_->Path() + "msg.pm$";
    ASSERT_TRUE(ReplaceWholeFile(file, "old text"));
    std::string big(3 * 1024 * 1024, 'x');
    big += "end";
    ASSERT_TRUE(data_->WriteMessageFile(file, big));
    EXPECT_EQ(data_->LastResult, 0);
    std::string back;
    ASSERT_TRUE(data_->ReadMessageFile(file, back));
    EXPECT_TRUE(back == big) << back.size();
    EXPECT_EQ(dir_->Files(), (std::vector<std::string>{"msg.pm$"}));  // no helper file left

    // A read-only file cannot be replaced: the old content stays and the
    // result says so.
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(data_->WriteMessageFile(file, "new"));
    EXPECT_EQ(data_->LastResult, -1);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(data_->ReadMessageFile(file, back));
    EXPECT_TRUE(back == big) << back.size();
    EXPECT_EQ(dir_->Files(), (std::vector<std::string>{"msg.pm$"}));

    EXPECT_FALSE(data_->ReadMessageFile(dir_->Path() + "none.pm$", back));
    EXPECT_EQ(data_->LastResult, -1);
    EXPECT_FALSE(data_->WriteMessageFile(dir_->Path() + "no\\such\\dir.pm$", "x"));
}

TEST_F(ConfigStore, FormFilesOfBothLibrariesAreUpdated) {
    const std::string merrowin = dir_->Path() + "Merrowin.fff";
    const std::string pellatch = dir_->Path() + "Pellatch.fff";
    const std::string other = dir_->Path() + "Other.fff";
    const std::string nolib = dir_->Path() + "Merrowin.fxx";
    ASSERT_TRUE(ReplaceWholeFile(merrowin, "Form DLL = \"C:\\PM\\Merrowin.dll\"\r\nBitmap file = a.bmp\r\n"));
    ASSERT_TRUE(ReplaceWholeFile(pellatch, "Form DLL = \"C:\\PM\\Pellatch.dll\"\r\nForm data = X\r\n"));
    ASSERT_TRUE(ReplaceWholeFile(other, "Form DLL = \"C:\\PM\\Other.dll\"\r\n"));
    ASSERT_TRUE(ReplaceWholeFile(nolib, "Bitmap file = a.bmp\r\n"));
    ASSERT_TRUE(data_->UpdateFormFiles());
    std::string text;
    ReadWholeFile(merrowin, text);
    EXPECT_EQ(text, "Form DLL = \"D:\\Orvane\\Merrowin.dll\"\r\n");
    ReadWholeFile(pellatch, text);
    EXPECT_EQ(text, "Form DLL = \"D:\\Orvane\\Pellatch.dll\"\r\n");
    ReadWholeFile(other, text);
    EXPECT_EQ(text, "Form DLL = \"C:\\PM\\Other.dll\"\r\n");
    ReadWholeFile(nolib, text);
    EXPECT_EQ(text, "Bitmap file = a.bmp\r\n");  // no library line: left alone
}

TEST_F(ConfigStore, UnwritableFormFileShowsTheErrorBox) {
    const std::string merrowin = dir_->Path() + "Merrowin.fff";
    ASSERT_TRUE(ReplaceWholeFile(merrowin, "Form DLL = \"C:\\PM\\Merrowin.dll\"\r\n"));
    SetFileAttributesA(merrowin.c_str(), FILE_ATTRIBUTE_READONLY);
    BoxView view;
    ModalScript script;
    script.Expect(kBox, "Error:", [&](HWND box) {
        view = ViewBox(box);
        PostKey(box, VK_RETURN);
    });
    script.Start();
    EXPECT_FALSE(data_->UpdateFormFiles());
    ASSERT_TRUE(script.Finish()) << script.Failure();
    SetFileAttributesA(merrowin.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(view.text, "Cannot set program paths!");
}

TEST_F(ConfigStore, KeySearchesByTextSecretAndTheAttributeTexts) {
    WriteConfig(RingsSection());
    ASSERT_TRUE(data_->CheckPGPConfig());
    EXPECT_EQ(data_->FindKeysByText("bob", kPropUserName), 1);
    EXPECT_EQ(data_->KeyPropsList->Strings(0), "0xD91F7A27B2A16278");
    EXPECT_EQ(data_->FindKeysByText("nobody-at-all", kPropUserName), 0);
    // Only alice's secret key is on the rings.
    EXPECT_EQ(data_->FindSecretKeys("example", kPropUserName), 1);
    EXPECT_EQ(data_->KeyPropsList->Strings(0), kAlice);
    EXPECT_EQ(data_->AlgorithmText(1), "RSA Key");
    EXPECT_EQ(data_->AlgorithmText(17), "DSS Key");
    EXPECT_EQ(data_->AlgorithmText(5), "");
    EXPECT_EQ(data_->AlgorithmText(99), "");
    EXPECT_EQ(data_->ValidityText(3), "complete validity");
    EXPECT_EQ(data_->KeyTypeText(1), "Secret Key");
}

TEST_F(ConfigStore, TextEncryptedToAFileIsAnalysedAndDecodedWithTheCachedPassphrase) {
    WriteConfig(RingsSection() + "[DefaultUser]\r\nName=alice\\" + kAlice + "\r\n[StorePassphrase]\r\nStore=0\r\n");
    ASSERT_TRUE(data_->LoadSettings());
    ASSERT_TRUE(data_->CheckPGPConfig());
    const std::string secret = "Meet at the harbour at noon.\r\n";
    const std::string armoured = dir_->Path() + "note.asc";
    bool written = false;
    ASSERT_TRUE(data_->EncryptTextToFile(secret, armoured, written));
    EXPECT_TRUE(written);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(armoured, bytes));
    EXPECT_GT(bytes.size(), 40u);
    EXPECT_EQ(bytes.find("harbour"), std::string::npos);
    bool encrypted = false;
    EXPECT_EQ(data_->AnalyzeFile(armoured, encrypted), 0);
    EXPECT_TRUE(encrypted);

    // The decryption passphrase comes from the cache: no dialog.
    PGPContextRef context = nullptr;
    ASSERT_EQ(sdk::Sdk().PGPNewContext(kPGPsdkAPIVersion, &context), 0);
    const std::string source = "bytes of an earlier job, long enough for a key";
    ASSERT_TRUE(data_->Secure->CachePassphrase(context, "alice pass", kDecryptSlot, source.data(), source.size()));
    sdk::Sdk().PGPFreeContext(context);
    const std::string plain = dir_->Path() + "note.txt";
    EXPECT_EQ(data_->FileJob(armoured, plain, false), 0);
    ASSERT_TRUE(ReadWholeFile(plain, bytes));
    EXPECT_EQ(bytes, secret);

    // The viewer's decode of text that is no PGP data gives it back as it was.
    EXPECT_EQ(data_->DecodeText("just words\r\n"), "just words\r\n");
}

}  // namespace
