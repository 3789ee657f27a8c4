// Key rings, recipient resolution and key listings over the engine stand-in's
// core library (RNP), bound in full by the loader with the fake networking,
// user-interface, client and support libraries beside it. The rings are
// copies of gpg's export of alice (RSA, secret), bob (RSA) and carol
// (DSA 2048 with an ElGamal 2048 subkey).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <string>

#include "engine/key_dialogs.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using sdk::Sdk;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kCarol = "0x6533671D0C89AF89";

std::string ExeDir() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir;
}

std::string DataDir() {
    std::string p = "Z:" ORV_KEY_DATA "/";
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string FakeLog() {
    char buf[32768];
    DWORD n = GetEnvironmentVariableA("ORV_FAKE_LOG", buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

// The entries' key-ID texts in sorted order, blank-separated: the engine's
// own order is not what these tests are about.
std::string SortedIDs(const TKeyPropsList& list) {
    std::vector<std::string> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list.Strings(i));
    std::sort(v.begin(), v.end());
    std::string ids;
    for (const auto& id : v) ids += (ids.empty() ? "" : " ") + id;
    return ids;
}

class KeyRingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "orv_keys_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        const std::string bin = ExeDir();
        CopyFileA((bin + "sdk7\\PGP_SDK.dll").c_str(), (dir_ + "PGP_SDK.dll").c_str(), FALSE);
        for (const char* f : {"PGPsdkNL.dll", "PGPsdkUI.dll", "PGPcl.dll", "PGPsc.dll"})
            CopyFileA((bin + "fakesdk\\r7\\" + f).c_str(), (dir_ + f).c_str(), FALSE);
        SetDllDirectoryA(dir_.c_str());
        loader::EngineObjectHooks hooks;
        hooks.createKeyRings = CreateKeyRings;
        hooks.freeKeyRings = FreeKeyRings;
        loader::SetEngineObjectHooks(hooks);
        loaded_ = loader::Load(loader::Scope::Full);
    }
    static void TearDownTestSuite() {
        loader::Unload();
        loader::SetEngineObjectHooks({});
        SetDllDirectoryA(nullptr);
        for (const char* f : {"PGP_SDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPcl.dll", "PGPsc.dll",
                              "pubring.pkr", "secring.skr"})
            DeleteFileA((dir_ + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_TRUE(loader::IsSDK7());
        ASSERT_NE(KeyRings(), nullptr) << "the loader's key-ring step made no holder";
        CopyFileA((DataDir() + "pubring.pkr").c_str(), (dir_ + "pubring.pkr").c_str(), FALSE);
        CopyFileA((DataDir() + "secring.skr").c_str(), (dir_ + "secring.skr").c_str(), FALSE);
        ASSERT_TRUE(KeyRings()->SetRingFiles(dir_ + "pubring.pkr", dir_ + "secring.skr"));
        ASSERT_EQ(KeyRings()->OpenKeyRings(ctx_, set_), 0);
    }
    void TearDown() override {
        if (ctx_) KeyRings()->CloseKeyRings();
        ASSERT_EQ(KeyRings()->OpenCount, 0) << "a test left the rings open";
    }

    // Key-ID texts of a resolved set, sorted; or the error.
    std::string Resolve(const std::string& text) {
        PGPKeySetRef out = reinterpret_cast<PGPKeySetRef>(1);
        const PGPError err = ResolveKeys(ctx_, set_, text, out);
        if (err != 0) {
            EXPECT_EQ(out, nullptr) << "a failed resolution handed out a set: " << text;
            return std::to_string(err);
        }
        TKeyPropsList* list = nullptr;
        const int n = ListKeys(ctx_, out, 0, 0, kPGPKeyOrdering_KeyID, list);
        Sdk().PGPFreeKeySet(out);
        std::unique_ptr<TKeyPropsList> owned(list);
        if (n < 0) return "list " + std::to_string(n);
        return SortedIDs(*list);
    }

    std::unique_ptr<TKeyPropsList> List(std::uint32_t flags, std::uint32_t mask) {
        TKeyPropsList* list = nullptr;
        const int n = ListKeys(ctx_, set_, flags, mask, kPGPKeyOrdering_KeyID, list);
        EXPECT_GE(n, 0);
        return std::unique_ptr<TKeyPropsList>(list);
    }

    static inline std::string dir_;
    static inline bool loaded_ = false;
    PGPContextRef ctx_ = nullptr;
    PGPKeySetRef set_ = nullptr;
};

TEST_F(KeyRingsTest, OpeningTwiceAndClosingOnceLeavesTheRingsOpen) {
    PGPContextRef ctx2 = nullptr;
    PGPKeySetRef set2 = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx2, set2), 0);
    EXPECT_EQ(ctx2, ctx_);
    EXPECT_EQ(set2, set_);
    EXPECT_EQ(KeyRings()->OpenCount, 2);
    KeyRings()->CloseKeyRings();
    EXPECT_EQ(KeyRings()->OpenCount, 1);
    ASSERT_NE(KeyRings()->RootSet, nullptr);
    PGPUInt32 n = 0;
    ASSERT_EQ(Sdk().PGPCountKeys(KeyRings()->RootSet, &n), 0);
    EXPECT_EQ(n, 3u) << "the remaining user's rings still hold alice, bob and carol";
    KeyRings()->CloseKeyRings();
    ctx_ = nullptr;
    EXPECT_EQ(KeyRings()->OpenCount, 0);
    EXPECT_EQ(KeyRings()->RootSet, nullptr);
    EXPECT_EQ(KeyRings()->RingContext, nullptr);
    KeyRings()->CloseKeyRings();  // one close too many does not go below zero
    EXPECT_EQ(KeyRings()->OpenCount, 0);
}

TEST_F(KeyRingsTest, AFailedOpenLeavesNothingOpen) {
    KeyRings()->CloseKeyRings();
    ctx_ = nullptr;
    EXPECT_FALSE(KeyRings()->SetRingFiles("", dir_ + "secring.skr"));
    // A public ring that is no key ring at all.
    const std::string junk = dir_ + "junk.pkr";
    HANDLE h = CreateFileA(junk.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "\x99\xff\xff\xff not a key ring", 24, &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(KeyRings()->SetRingFiles(junk, dir_ + "secring.skr"));
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    const PGPError err = KeyRings()->OpenKeyRings(ctx, set);
    if (err == 0) KeyRings()->CloseKeyRings();
    const int counted = CountKeys("alice");
    DeleteFileA(junk.c_str());
    EXPECT_NE(err, 0);
    EXPECT_EQ(ctx, nullptr);
    EXPECT_EQ(set, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 0);
    EXPECT_EQ(KeyRings()->RingContext, nullptr);
    EXPECT_EQ(KeyRings()->KeyDB, nullptr);
    EXPECT_LT(counted, 0) << "look-ups report the failed open";
}

TEST_F(KeyRingsTest, CommitTellsTheClientLibraryWithTheProcessID) {
    SetEnvironmentVariableA("ORV_FAKE_LOG", nullptr);
    ASSERT_EQ(KeyRings()->CommitKeyRings(), 0);
    EXPECT_NE(FakeLog().find("PGPclNotifyKeyringChanges7(0," + std::to_string(GetCurrentProcessId()) + ")"),
              std::string::npos)
        << FakeLog();
}

TEST_F(KeyRingsTest, RecipientTextsResolveByKeyIDOrUserIDSubstring) {
    const struct {
        const char* text;
        std::string expected;
    } rows[] = {
        {"0xB2A16278", kBob},
        {"0xb2a16278", kBob},
        {"0Xd91f7a27b2a16278", kBob},
        {"0xD91F7A27B2A16278", kBob},
        {"carol", kCarol},
        {"bob@example.org, carol@example.org", std::string(kCarol) + " " + kBob},
        {"alice@example.org bob@example.org", std::string(kBob) + " " + kAlice},
        {"\"bob <bob@example.org>\"", kBob},
        {"  ,carol,, ", kCarol},
        {"example.org", std::string(kCarol) + " " + kBob + " " + kAlice},
        // Four digits after "0x" are no key ID: no user ID holds them.
        {"0x6278", "-11984"},
        // A key ID that is not in the rings.
        {"0x0123456789ABCDEF", "-11984"},
        {"bob@example.org, dave@example.org", "-11984"},
        {"dave@example.org", "-11984"},
        {"", "-11984"},
        {" , ", "-11984"},
    };
    for (const auto& row : rows) EXPECT_EQ(Resolve(row.text), row.expected) << "text: " << row.text;
}

TEST(KeyIDTexts, AreTenOrEighteenCharactersOfHexAfter0x) {
    EXPECT_TRUE(IsKeyIDText("0xB2A16278"));
    EXPECT_TRUE(IsKeyIDText("0Xb2a16278"));
    EXPECT_TRUE(IsKeyIDText("0xD91F7A27B2A16278"));
    EXPECT_FALSE(IsKeyIDText("0x6278"));
    EXPECT_FALSE(IsKeyIDText("0xB2A1627"));
    EXPECT_FALSE(IsKeyIDText("0xB2A16278G"));
    EXPECT_FALSE(IsKeyIDText("0xG2A16278"));
    EXPECT_FALSE(IsKeyIDText("1xB2A16278"));
    EXPECT_FALSE(IsKeyIDText("0xD91F7A27B2A162781"));
}

TEST(RecipientTextSplit, CommasAndBlanksSeparateQuotesGroup) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitRecipientText("a,b c\td"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitRecipientText("\"Bob Smith\" , x"), (V{"Bob Smith", "x"}));
    EXPECT_EQ(SplitRecipientText("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
    EXPECT_EQ(SplitRecipientText("\" \",\"\""), V{});
    EXPECT_EQ(SplitRecipientText("\"unterminated"), (V{"unterminated"}));
}

TEST_F(KeyRingsTest, CountKeysGivesTheNumberAndTheFirstKeyID) {
    std::string first;
    EXPECT_EQ(CountKeys("bob", &first), 1);
    EXPECT_EQ(first, kBob);
    EXPECT_EQ(CountKeys("example.org", &first), 3);
    EXPECT_TRUE(first == kAlice || first == kBob || first == kCarol) << first;
    EXPECT_EQ(CountKeys("nobody@example.org", &first), 0);
    EXPECT_EQ(first, "");
    EXPECT_EQ(KeyRings()->OpenCount, 1) << "CountKeys closes what it opened";
}

TEST_F(KeyRingsTest, FindKeyByIDTakesShortAndFullIDs) {
    PGPKeyDBObjRef key = nullptr;
    ASSERT_EQ(FindKeyByID(set_, "0x0C89AF89", key), 0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(KeyIDText(key), kCarol);
    EXPECT_EQ(KeyIDText(key, false), "0x0C89AF89");
    ASSERT_EQ(FindKeyByID(set_, "0xe8750b357ace6a48", key), 0);
    EXPECT_EQ(KeyIDText(key), kAlice);
    EXPECT_NE(FindKeyByID(set_, "0x0123456789ABCDEF", key), 0);
    EXPECT_EQ(key, nullptr);
    EXPECT_NE(FindKeyByID(set_, "carol", key), 0);
    EXPECT_EQ(key, nullptr);
}

TEST_F(KeyRingsTest, PassphraseIsCheckedAgainstTheSecretKey) {
    EXPECT_TRUE(IsPassphraseValid(kAlice, "alice pass"));
    EXPECT_FALSE(IsPassphraseValid(kAlice, "alice pas"));
    EXPECT_FALSE(IsPassphraseValid("0x0123456789ABCDEF", "alice pass"));
    EXPECT_FALSE(IsPassphraseValid(kAlice, nullptr));
    EXPECT_EQ(KeyRings()->OpenCount, 1);
}

TEST_F(KeyRingsTest, RecordsCarryWhatTheMaskAsksFor) {
    const std::uint32_t mask = kPropShortKeyID | kPropUserName | kPropFingerprint | kPropCreated | kPropExpires |
                               kPropSizeText | kPropAlgorithm | kPropCreatedTime | kPropExpiresTime |
                               kPropIsSecret | kPropIsRevoked | kPropCanEncrypt | kPropCanDecrypt | kPropCanSign |
                               kPropHasSubkeyText | kPropUserIDs | kPropADKState | kPropRevokerState;
    auto list = List(0, mask);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Count(), 3);
    const int a = list->IndexOf(kAlice), b = list->IndexOf(kBob), c = list->IndexOf(kCarol);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ASSERT_GE(c, 0);

    const TKeyProps& alice = list->Objects(a);
    EXPECT_EQ(alice.ShortKeyID, "0x7ACE6A48");
    EXPECT_EQ(alice.UserName, "alice <alice@example.org>");
    EXPECT_EQ(alice.Fingerprint, "2D88 AE36 B074 F922 AE8D 815A E875 0B35 7ACE 6A48");
    EXPECT_EQ(alice.SizeText, "2048 bits");
    EXPECT_EQ(alice.Algorithm, 1);
    EXPECT_FALSE(alice.HasSubkeyText);
    EXPECT_EQ(alice.CreatedTime, 1796691917u);
    EXPECT_FALSE(alice.Created.empty());
    EXPECT_EQ(alice.Expires, "") << "alice's key does not expire";
    EXPECT_EQ(alice.ExpiresTime, 0u);
    EXPECT_TRUE(alice.IsSecret);
    EXPECT_TRUE(alice.CanDecrypt);
    EXPECT_TRUE(alice.CanSign);
    EXPECT_FALSE(alice.IsRevoked);
    ASSERT_NE(alice.UserIDs, nullptr);
    EXPECT_EQ(*alice.UserIDs, (std::vector<std::string>{"alice <alice@example.org>"}));
    EXPECT_EQ(alice.ADKState, kADKNone);
    ASSERT_NE(alice.ADKeys, nullptr);
    EXPECT_TRUE(alice.ADKeys->empty());
    EXPECT_EQ(alice.RevokerState, 0);
    EXPECT_EQ(alice.Signatures, nullptr) << "bit 29 was not asked for";

    const TKeyProps& bob = list->Objects(b);
    EXPECT_FALSE(bob.IsSecret);
    EXPECT_FALSE(bob.CanDecrypt);
    EXPECT_TRUE(bob.CanEncrypt);

    // DSA key of 2048 bits with a 2048-bit ElGamal subkey.
    const TKeyProps& carol = list->Objects(c);
    EXPECT_EQ(carol.SizeText, "2048/2048 bits");
    EXPECT_EQ(carol.Algorithm, 18);
    EXPECT_TRUE(carol.HasSubkeyText);
    EXPECT_EQ(carol.Fingerprint, "0F32 31C7 0E89 20E6 5CBB 7C50 6533 671D 0C89 AF89");
    EXPECT_TRUE(carol.CanEncrypt);
}

TEST_F(KeyRingsTest, FieldsOutsideTheMaskStayEmpty) {
    auto list = List(0, kPropShortKeyID);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Count(), 3);
    const TKeyProps& alice = list->Objects(list->IndexOf(kAlice));
    EXPECT_EQ(alice.ShortKeyID, "0x7ACE6A48");
    EXPECT_EQ(alice.UserName, "");
    EXPECT_EQ(alice.SizeText, "");
    EXPECT_FALSE(alice.IsSecret);
    EXPECT_EQ(alice.UserIDs, nullptr);
}

TEST_F(KeyRingsTest, UserIDSignaturesNameTheirCertifiers) {
    auto list = List(0, kPropUserIDs | kPropUserIDSigs);
    ASSERT_NE(list, nullptr);
    const TKeyProps& carol = list->Objects(list->IndexOf(kCarol));
    ASSERT_NE(carol.Signatures, nullptr);
    ASSERT_FALSE(carol.Signatures->empty());
    EXPECT_EQ(carol.Signatures->front(), kCarol) << "the self-signature";
}

TEST_F(KeyRingsTest, CapabilityAndAlgorithmFlagsFilterTheKeys) {
    auto ids = [&](std::uint32_t flags) {
        auto list = List(flags, 0);
        return list ? SortedIDs(*list) : std::string("no list");
    };
    const std::string all = std::string(kCarol) + " " + kBob + " " + kAlice;
    EXPECT_EQ(ids(0), all);
    EXPECT_EQ(ids(kCapCanDecrypt), kAlice);
    EXPECT_EQ(ids(kCapCanEncrypt), all);
    EXPECT_EQ(ids(kCapEnabled), all);
    EXPECT_EQ(ids(kCapDisabled), "");
    EXPECT_EQ(ids(kCapAlgDSA), kCarol);
    EXPECT_EQ(ids(kCapAlgRSA), std::string(kBob) + " " + kAlice);
    EXPECT_EQ(ids(kCapCanDecrypt | kCapAlgDSA), "");
    EXPECT_EQ(ids(kCapCanDecrypt | kCapAlgRSA), kAlice);
    // Only the first boolean flag counts: "can decrypt" before "disabled".
    EXPECT_EQ(ids(kCapCanDecrypt | kCapDisabled), kAlice);
}

TEST_F(KeyRingsTest, FindKeysListsMatchesIntoANewList) {
    TKeyPropsList* list = nullptr;
    EXPECT_EQ(FindKeys("alice, carol", kCapCanEncrypt, kPropUserName, list), 2);
    std::unique_ptr<TKeyPropsList> owned(list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Mask(), kPropUserName);
    EXPECT_GE(list->IndexOf(kCarol), 0);
    EXPECT_EQ(list->Objects(list->IndexOf(kAlice)).UserName, "alice <alice@example.org>");
    TKeyPropsList* none = nullptr;
    EXPECT_EQ(FindKeys("alice, dave", 0, 0, none), -11984);
    EXPECT_EQ(none, nullptr);
}

TEST_F(KeyRingsTest, ExportWritesArmouredKeysAndListsThem) {
    PGPKeySetRef bob = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, "bob", bob), 0);
    std::string text;
    TKeyPropsList listed(0, kPropShortKeyID);
    EXPECT_EQ(ExportKeys(ctx_, bob, false, "", &text, &listed), 0);
    Sdk().PGPFreeKeySet(bob);
    EXPECT_NE(text.find("-----BEGIN PGP PUBLIC KEY BLOCK-----"), std::string::npos) << text.substr(0, 80);
    EXPECT_EQ(text.find("PRIVATE KEY"), std::string::npos);
    ASSERT_EQ(listed.Count(), 1);
    EXPECT_EQ(listed.Strings(0), kBob);
    EXPECT_EQ(listed.Objects(0).ShortKeyID, "0xB2A16278");
}

TEST_F(KeyRingsTest, NothingOfferedIsNothingToImport) {
    PGPKeySetRef none = nullptr;
    ASSERT_EQ(Sdk().PGPNewEmptyKeySet(KeyRings()->KeyDB, &none), 0);
    EXPECT_EQ(ImportKeys(ctx_, none, "Import", nullptr, nullptr), -10988);
    Sdk().PGPFreeKeySet(none);
    EXPECT_EQ(ImportKeys(ctx_, nullptr, "Import", nullptr, nullptr), -10988);
}

TEST_F(KeyRingsTest, ImportWithoutTheSelectionDialogAddsNothing) {
    // The fake client library has no key selection dialog: the import must
    // fail as such and leave the rings as they were.
    TKeyPropsList listed(0, kPropShortKeyID);
    EXPECT_EQ(ImportFromFile(DataDir() + "dave_pub.asc", true, "Import", nullptr, &listed), -11977);
    EXPECT_EQ(listed.Count(), 0);
    EXPECT_EQ(CountKeys("dave"), 0);
    EXPECT_EQ(KeyRings()->OpenCount, 1);
    EXPECT_NE(ImportFromFile(DataDir() + "no_such_file.asc", true, "Import", nullptr, &listed), 0);
    EXPECT_EQ(KeyRings()->OpenCount, 1);
}

TEST_F(KeyRingsTest, EnvironmentStartsAndEndsTheClientLibraryAroundTheRings) {
    SetEnvironmentVariableA("ORV_FAKE_LOG", nullptr);
    PGPContextRef ctx = nullptr;
    PGPKeySetRef set = nullptr;
    PGPtlsContextRef tls = nullptr;
    ASSERT_EQ(KeyRings()->OpenEnvironment(ctx, set, tls), 0);
    EXPECT_EQ(ctx, ctx_);
    EXPECT_EQ(set, set_);
    EXPECT_NE(tls, nullptr);
    EXPECT_EQ(KeyRings()->OpenCount, 2);
    KeyRings()->CloseEnvironment(tls);
    EXPECT_EQ(KeyRings()->OpenCount, 1);
    EXPECT_EQ(FakeLog(), "PGPclInitLibrary7(0);PGPclCloseLibrary7;");
}

TEST_F(KeyRingsTest, SelectionWithoutTheDialogListsNothingAndClosesTheEnvironment) {
    SetEnvironmentVariableA("ORV_FAKE_LOG", nullptr);
    TKeyPropsList listed(0, kPropShortKeyID);
    EXPECT_EQ(SelectKeys("Choose", &listed, nullptr, kCapCanEncrypt), -11977);
    EXPECT_EQ(listed.Count(), 0);
    EXPECT_EQ(KeyRings()->OpenCount, 1);
    EXPECT_EQ(FakeLog(), "PGPclInitLibrary7(0);PGPclCloseLibrary7;");
}

class FixedPrefs : public TPgpPrefs {
public:
    int result = 0;
    PrefsRecord record;
    unsigned askedMask = 0;
    int ReadPrefs(PrefsRecord& r, unsigned mask) override {
        askedMask = mask;
        if (result == 0) r = record;
        return result;
    }
    int ReadKeyServerURLs(std::vector<std::string>&) override { return -11979; }
    int ReadFirstKeyServer(KeyServerEntry&) override { return -11979; }
    int WriteFirstKeyServer(const KeyServerEntry&) override { return -11979; }
    bool MarginalIsInvalid() override { return false; }
    int ReadPreferredAlgorithms(std::vector<int>&) override { return -11979; }
};

TEST(KeyRingFiles, ComeFromThePreferencesUnlessTheyCannotBeRead) {
    TKeyRings rings;
    FixedPrefs prefs;
    prefs.record.PublicRing = "C:\\pgp\\pubring.pkr";
    prefs.record.PrivateRing = "C:\\pgp\\secring.skr";
    prefs.record.GroupsFile = "C:\\pgp\\PGPgroup.pgr";
    ASSERT_EQ(rings.ReadRingFiles(prefs), 0);
    EXPECT_EQ(prefs.askedMask, unsigned(kPrefsPublicRing | kPrefsPrivateRing | kPrefsGroupsFile));
    EXPECT_EQ(rings.PublicRingFile, "C:\\pgp\\pubring.pkr");
    EXPECT_EQ(rings.PrivateRingFile, "C:\\pgp\\secring.skr");
    EXPECT_EQ(rings.GroupFile, "C:\\pgp\\PGPgroup.pgr");
    prefs.result = -11979;
    prefs.record.PublicRing = "elsewhere";
    EXPECT_EQ(rings.ReadRingFiles(prefs), -11979);
    EXPECT_EQ(rings.PublicRingFile, "C:\\pgp\\pubring.pkr");
}

TEST_F(KeyRingsTest, PassphraseDialogsTheEngineLacksGiveNoPassphrase) {
    // The fake user-interface library has no dialogs.
    char* phrase = reinterpret_cast<char*>(1);
    PGPKeyDBObjRef key = reinterpret_cast<PGPKeyDBObjRef>(1);
    EXPECT_EQ(ConventionalEncryptionPassphrase(ctx_, "Passphrase", nullptr, phrase), -11977);
    EXPECT_EQ(phrase, nullptr);
    phrase = reinterpret_cast<char*>(1);
    EXPECT_EQ(ConventionalDecryptionPassphrase(ctx_, "Passphrase", nullptr, phrase), -11977);
    EXPECT_EQ(phrase, nullptr);
    phrase = reinterpret_cast<char*>(1);
    EXPECT_EQ(SigningPassphrase(ctx_, set_, "Sign", kAlice, true, nullptr, phrase, key), -11977);
    EXPECT_EQ(phrase, nullptr);
    EXPECT_EQ(key, nullptr);
    key = reinterpret_cast<PGPKeyDBObjRef>(1);
    EXPECT_EQ(DecryptionPassphrase(ctx_, set_, 0, nullptr, "Decrypt", nullptr, phrase, key), -11977);
    EXPECT_EQ(phrase, nullptr);
    EXPECT_EQ(key, nullptr);
}

TEST(KeyPropsList, RecordsFollowTheirEntriesAndGetTheMasksLists) {
    TKeyPropsList list(2, kPropUserIDs | kPropADKState);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), "");
    ASSERT_NE(list.Objects(0).UserIDs, nullptr);
    ASSERT_NE(list.Objects(1).ADKeys, nullptr);
    EXPECT_EQ(list.Objects(0).RevocationKeys, nullptr);
    EXPECT_EQ(list.Objects(0).Signatures, nullptr);
    list.Add("0xA");
    list.Objects(2).UserName = "a";
    list.Insert(0, "0xB");
    EXPECT_EQ(list.Objects(0).UserName, "") << "an inserted record starts zeroed";
    EXPECT_EQ(list.Objects(0).Trust, 0);
    list.Move(3, 0);
    EXPECT_EQ(list.Strings(0), "0xA");
    EXPECT_EQ(list.Objects(0).UserName, "a");
    EXPECT_EQ(list.Strings(1), "0xB");
    list.Delete(1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf("0xB"), -1);
    EXPECT_THROW(list.Delete(5), std::out_of_range);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(KeySizeTexts, FollowTheAlgorithmAndTheEncryptionSubkey) {
    EXPECT_EQ(KeySizeText(1, 2048, 0), "2048 bits");
    EXPECT_EQ(KeySizeText(17, 1024, 2048), "2048/1024 bits");
    EXPECT_EQ(KeySizeText(17, 1024, 0), "1024 bits");
    EXPECT_EQ(KeySizeText(16, 2048, 0), "");
    const PGPByte fp[] = {0x0f, 0x32, 0x31, 0xc7, 0x0e};
    EXPECT_EQ(FingerprintText(fp, sizeof fp), "0F32 31C7 0E");
}

}  // namespace
