// The product's loader and its release adapters over the release 6.5 flavour
// of the engine stand-in (bin/sdk65) with its four companion libraries, all
// five loaded in full from one directory: the release is told apart, the
// user-interface, client and support slots are the stand-ins' and answer, key
// IDs are 34 bytes, the key-ring holder lists the rings' keys, and a message
// encrypted and signed through the adapters decodes again.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/adapters.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "standin/sdkui/dialog_ids.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test data directory
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
    std::string p = "Z:" ORV_STANDIN_DATA "/";
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

struct Events {
    std::vector<void*> buffers;
    std::vector<PGPSize> lengths;
    std::string passphrase;
    int signatures = 0, verified = 0, recipients = 0;
    PGPUInt32 keyCount = 0;
    std::vector<std::string> recipientIDs;
    int keysFound = 0;
    PGPUInt32 foundCount = 0;
    bool foundWithDB = false;
};

PGPError PGP_CALL OnEvent(PGPContextRef ctx, PGPEvent* e, PGPUserValue uv) {
    auto* ev = static_cast<Events*>(uv);
    auto& t = Sdk();
    switch (e->type) {
    case kPGPEvent_RecipientsEvent: {
        ++ev->recipients;
        ev->keyCount = e->data.recipientsData.keyCount;
        // The key IDs come packed with release 6.5's size as stride.
        for (PGPUInt32 i = 0; i < e->data.recipientsData.keyCount; ++i) {
            PGPKeyID id{};
            std::memcpy(&id, e->data.recipientsData.keyIDArray + i * kPGPKeyIDSize65, kPGPKeyIDSize65);
            char text[kPGPMaxKeyIDStringSize] = {};
            t.PGPGetKeyIDString(&id, loader::KeyIDFormatFull(), text);
            ev->recipientIDs.push_back(text);
        }
        return 0;
    }
    case kPGPEvent_PassphraseEvent:
        return t.PGPAddJobOptions(e->job, t.PGPOPassphrase(ctx, ev->passphrase.c_str()), t.PGPOLastOption(ctx));
    case kPGPEvent_OutputEvent:
        ev->buffers.push_back(nullptr);
        ev->lengths.push_back(0);
        return t.PGPAddJobOptions(e->job,
                                  t.PGPOAllocatedOutputBuffer(ctx, &ev->buffers.back(), 0xFFFFFFFFu, &ev->lengths.back()),
                                  t.PGPOLastOption(ctx));
    case kPGPEvent_KeyFoundEvent: {
        // Release 6.5 hands over a set only; freeing it frees what it stands for.
        ++ev->keysFound;
        ev->foundWithDB = e->data.keyFoundData.keyDB != nullptr;
        PGPUInt32 n = 0;
        t.PGPCountKeys(e->data.keyFoundData.keySet, &n);
        ev->foundCount += n;
        t.PGPFreeKeySet(e->data.keyFoundData.keySet);
        return 0;
    }
    case kPGPEvent_SignatureEvent:
        ++ev->signatures;
        if (e->data.signatureData.verified && e->data.signatureData.signingKey) ++ev->verified;
        return 0;
    default: return 0;
    }
}

class Loader65Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "orv_sdk65_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        const std::string bin = ExeDir();
        for (const char* f : {"PGPSDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"})
            copied_ = CopyFileA((bin + "sdk65\\" + f).c_str(), (dir_ + f).c_str(), FALSE) && copied_;
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
        for (const char* f : {"PGPSDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll",
                              "pubring.pkr", "secring.skr", "pubring.pkr.new", "secring.skr.new", "PGPclient.prf",
                              "PGPclient.log"})
            DeleteFileA((dir_ + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void SetUp() override {
        ASSERT_TRUE(copied_) << "bin/sdk65 lacks one of the five stand-in libraries";
        ASSERT_TRUE(loaded_) << "the release 6.5 stand-in did not load in full";
        ASSERT_NE(KeyRings(), nullptr);
        CopyFileA((DataDir() + "pubring.pkr").c_str(), (dir_ + "pubring.pkr").c_str(), FALSE);
        CopyFileA((DataDir() + "secring.skr").c_str(), (dir_ + "secring.skr").c_str(), FALSE);
        ASSERT_TRUE(KeyRings()->SetRingFiles(dir_ + "pubring.pkr", dir_ + "secring.skr"));
        ASSERT_EQ(KeyRings()->OpenKeyRings(ctx_, set_), 0);
    }
    void TearDown() override {
        if (ctx_) KeyRings()->CloseKeyRings();
    }

    PGPKeyDBObjRef Find(const char* idText) {
        PGPKeyID id{};
        PGPKeyDBObjRef key = nullptr;
        if (sdk::NewKeyIDFromString(idText, 0, &id) || sdk::FindKeyByKeyID(set_, &id, &key)) return nullptr;
        return key;
    }

    static inline std::string dir_;
    static inline bool copied_ = true;
    static inline bool loaded_ = false;
    PGPContextRef ctx_ = nullptr;
    PGPKeySetRef set_ = nullptr;
};

TEST_F(Loader65Test, TheReleaseIsToldApartAndKeyIDsAre34Bytes) {
    EXPECT_FALSE(loader::IsSDK7());
    EXPECT_EQ(loader::KeyIDSize(), 34u);
    EXPECT_EQ(loader::KeyIDFormatShort(), 2);
    EXPECT_EQ(loader::KeyIDFormatFull(), 3);
    EXPECT_NE(std::strstr(loader::VersionText(), "6.5"), nullptr) << loader::VersionText();
    // Release 6.5 slots are bound, release 7 ones stay empty.
    auto& t = Sdk();
    EXPECT_NE(t.PGPOpenKeyRingPair, nullptr);
    EXPECT_NE(t.PGPGetKeyBoolean, nullptr);
    EXPECT_NE(t.PGPOKeySetRef, nullptr);
    EXPECT_EQ(t.PGPOpenKeyDBFile, nullptr);
    EXPECT_EQ(t.PGPOKeyDBRef, nullptr);
    // A key ID written by the engine stays within 34 bytes.
    PGPKeyDBObjRef carol = Find(kCarol);
    ASSERT_NE(carol, nullptr);
    PGPKeyID id;
    std::memset(&id, 0xAB, sizeof id);
    ASSERT_EQ(sdk::GetKeyID(carol, &id), 0);
    EXPECT_EQ(id.opaque[34], 0xAB);
    EXPECT_EQ(id.opaque[35], 0xAB);
    char text[kPGPMaxKeyIDStringSize] = {};
    ASSERT_EQ(t.PGPGetKeyIDString(&id, loader::KeyIDFormatFull(), text), 0);
    EXPECT_STREQ(text, kCarol);
    ASSERT_EQ(t.PGPGetKeyIDString(&id, loader::KeyIDFormatShort(), text), 0);
    EXPECT_STREQ(text, "0x0C89AF89");
}

// Every slot the loader fills from the user-interface, client and support
// libraries comes from the stand-ins of this directory, and they answer.
TEST_F(Loader65Test, TheCompanionSlotsAreTheStandInsAndAnswer) {
    auto& t = Sdk();
    for (const char* f : {"PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"}) {
        HMODULE m = GetModuleHandleA(f);
        ASSERT_NE(m, nullptr) << f;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(m, path, MAX_PATH);
        EXPECT_EQ(lstrcmpiA(path, (dir_ + f).c_str()), 0) << path;
    }
    EXPECT_EQ(GetModuleHandleA("PGPcl.dll"), nullptr);
#define ORV_EXPECT_BOUND(slot, name) EXPECT_NE(t.slot, nullptr) << name;
#define ORV_EXPECT_EMPTY(slot, name) EXPECT_EQ(t.slot, nullptr) << name;
    ORV_SDK_CLIENT_65(ORV_EXPECT_BOUND)
    ORV_SDK_CLIENT_7(ORV_EXPECT_EMPTY)
    ORV_SDK_SUPPORT_65(ORV_EXPECT_BOUND)
    EXPECT_NE(t.PGPsdkUILibInit, nullptr);
    EXPECT_NE(t.PGPSigningPassphraseDialog, nullptr);
    EXPECT_NE(t.PGPDecryptionPassphraseDialog, nullptr);
    EXPECT_NE(t.PGPConventionalEncryptionPassphraseDialog, nullptr);
    EXPECT_NE(t.PGPSearchKeyServerDialog, nullptr);
    EXPECT_NE(t.PGPOUIOutputPassphrase, nullptr);
#undef ORV_EXPECT_BOUND
#undef ORV_EXPECT_EMPTY

    // The client library starts over the loaded core and keeps preferences.
    EXPECT_EQ(sdk::ClientInitLibrary(ctx_), 0);
    EXPECT_EQ(sdk::ClientCloseLibrary(), 0);
    const std::vector<std::uint8_t> algorithms = {2, 0, 0, 0};
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefAllowedAlgorithms, algorithms), 0);
    std::vector<std::uint8_t> back;
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefAllowedAlgorithms, back), 0);
    EXPECT_EQ(back, algorithms);
    // The support library's 6.5 names fill the release 7 slots.
    char path[MAX_PATH] = {};
    ASSERT_EQ(t.PGPscPGPpath(path, sizeof path), 0);
    std::string where(path);
    if (!where.empty() && where.back() != '\\') where += '\\';
    EXPECT_EQ(lstrcmpiA(where.c_str(), dir_.c_str()), 0) << where;

    // A user-interface slot shows its dialog; the robot types the passphrase.
    test::ModalScript script;
    script.Expect("#32770", "PGP", [](HWND dlg) {
        test::SetText(test::FindChildById(dlg, IDC_SDKUI_PASSPHRASE), "typed on 6.5");
        test::ClickButton(dlg, "OK");
    });
    script.Start();
    char* pass = nullptr;
    const PGPError err = t.PGPConventionalDecryptionPassphraseDialog(ctx_, t.PGPOUIOutputPassphrase(ctx_, &pass),
                                                                     t.PGPOLastOption(ctx_));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(err, 0);
    ASSERT_NE(pass, nullptr);
    EXPECT_STREQ(pass, "typed on 6.5");
    t.PGPFreeData(pass);
}

TEST_F(Loader65Test, PropertiesThroughTheOlderFamilies) {
    PGPKeyDBObjRef alice = Find(kAlice), bob = Find(kBob), carol = Find(kCarol);
    ASSERT_TRUE(alice && bob && carol);
    PGPBoolean b = 2;
    ASSERT_EQ(sdk::GetBooleanProperty(alice, kPGPKeyProperty_IsSecret, &b), 0);
    EXPECT_EQ(b, 1);
    ASSERT_EQ(sdk::GetBooleanProperty(bob, kPGPKeyProperty_CanEncrypt, &b), 0);
    EXPECT_EQ(b, 1);
    ASSERT_EQ(sdk::GetBooleanProperty(bob, kPGPKeyProperty_CanSign, &b), 0);
    EXPECT_EQ(b, 0);
    PGPInt32 n = 0;
    ASSERT_EQ(sdk::GetNumericProperty(carol, kPGPKeyProperty_AlgorithmID, &n), 0);
    EXPECT_EQ(n, kPGPPublicKeyAlgorithm_DSA);
    ASSERT_EQ(sdk::GetNumericProperty(alice, kPGPKeyProperty_Validity, &n), 0);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(sdk::GetNumericProperty(alice, kPGPKeyProperty_HashAlgorithmID, &n), 0);
    EXPECT_GT(n, 0);
    PGPTime created = 0;
    ASSERT_EQ(sdk::GetTimeProperty(carol, kPGPKeyProperty_Creation, &created), 0);
    EXPECT_GT(created, 1600000000u);
    PGPByte fpr[32];
    PGPSize len = 0;
    ASSERT_EQ(sdk::GetDataProperty(carol, kPGPKeyProperty_Fingerprint, fpr, sizeof fpr, &len), 0);
    EXPECT_EQ(len, 20u);
    char name[128];
    ASSERT_EQ(sdk::GetPrimaryUserIDName(bob, name, sizeof name, &len), 0);
    EXPECT_EQ(std::string(name, len), "bob <bob@example.org>");
    // Subkeys, user IDs and signatures by the per-kind iterator calls.
    PGPKeyListRef list = nullptr;
    ASSERT_EQ(sdk::OrderKeySet(set_, kPGPKeyOrdering_UserID, true, &list), 0);
    PGPKeyIterRef it = nullptr;
    ASSERT_EQ(Sdk().PGPNewKeyIter(list, &it), 0);
    PGPKeyDBObjRef key = nullptr, sub = nullptr, uid = nullptr, sig = nullptr;
    ASSERT_EQ(sdk::KeyIterNext(it, kPGPKeyIter_Key, &key), 0);
    EXPECT_EQ(key, carol);  // reversed order of user IDs
    ASSERT_EQ(sdk::KeyIterNext(it, kPGPKeyIter_SubKey, &sub), 0);
    ASSERT_EQ(sdk::GetNumericProperty(sub, kPGPSubKeyProperty_AlgorithmID, &n), 0);
    EXPECT_EQ(n, kPGPPublicKeyAlgorithm_ElGamal);
    ASSERT_EQ(sdk::GetBooleanProperty(sub, kPGPSubKeyProperty_IsRevoked, &b), 0);
    EXPECT_EQ(b, 0);
    ASSERT_EQ(sdk::KeyIterNext(it, kPGPKeyIter_UserID, &uid), 0);
    ASSERT_EQ(sdk::GetDataProperty(uid, kPGPUserIDProperty_Name, name, sizeof name, &len), 0);
    EXPECT_EQ(std::string(name, len), "carol <carol@example.org>");
    ASSERT_EQ(sdk::KeyIterNext(it, kPGPKeyIter_Signature, &sig), 0);
    ASSERT_EQ(sdk::GetBooleanProperty(sig, kPGPSigProperty_IsVerified, &b), 0);
    EXPECT_EQ(b, 1);
    PGPKeyID certifier{};
    ASSERT_EQ(sdk::GetCertifierKeyID(sig, &certifier), 0);
    char text[kPGPMaxKeyIDStringSize] = {};
    Sdk().PGPGetKeyIDString(&certifier, loader::KeyIDFormatFull(), text);
    EXPECT_STREQ(text, kCarol);
    ASSERT_EQ(sdk::KeyIterRewind(it, kPGPKeyIter_Key), 0);
    ASSERT_EQ(sdk::KeyIterNext(it, kPGPKeyIter_Key, &key), 0);
    EXPECT_EQ(key, carol);
    Sdk().PGPFreeKeyIter(it);
    Sdk().PGPFreeKeyList(list);
    // A code release 6.5 lacks is refused by name.
    EXPECT_EQ(sdk::GetNumericProperty(alice, kPGPKeyProperty_Version, &n), kPGPError_InvalidProperty);
}

TEST_F(Loader65Test, KeyListsAndFiltersOfTheHolder) {
    TKeyPropsList* list = nullptr;
    ASSERT_EQ(ListKeys(ctx_, set_, 0, 0, kPGPKeyOrdering_KeyID, list), 3);
    std::unique_ptr<TKeyPropsList> owned(list);
    std::vector<std::string> ids;
    for (int i = 0; i < list->Count(); ++i) ids.push_back(list->Strings(i));
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{kCarol, kBob, kAlice}));
    PGPKeySetRef found = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, "bob@example.org", found), 0);
    PGPUInt32 count = 0;
    ASSERT_EQ(Sdk().PGPCountKeys(found, &count), 0);
    EXPECT_EQ(count, 1u);
    Sdk().PGPFreeKeySet(found);
    PGPKeySetRef dsa = nullptr;
    ASSERT_EQ(FilterByCapability(ctx_, set_, kCapAlgDSA, dsa), 0);
    ASSERT_EQ(Sdk().PGPCountKeys(dsa, &count), 0);
    EXPECT_EQ(count, 1u);
    Sdk().PGPFreeKeySet(dsa);
}

TEST_F(Loader65Test, EncryptAndSignThroughTheAdaptersDecodesAgain) {
    auto& t = Sdk();
    PGPKeyDBObjRef alice = Find(kAlice), bob = Find(kBob);
    ASSERT_TRUE(alice && bob);
    PGPKeySetRef to = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, std::string(kAlice) + "," + kBob, to), 0);
    const std::string text = "Release 6.5 round trip\r\n";
    void* out = nullptr;
    PGPSize outLen = 0;
    PGPOptionListRef L = t.PGPOLastOption(ctx_);
    ASSERT_EQ(t.PGPEncode(ctx_, t.PGPOInputBuffer(ctx_, text.data(), static_cast<PGPSize>(text.size())),
                          t.PGPOAllocatedOutputBuffer(ctx_, &out, 0xFFFFFFFFu, &outLen), t.PGPOEncryptToKeySet(ctx_, to),
                          t.PGPOSignWithKey(ctx_, alice, t.PGPOPassphrase(ctx_, "alice pass"), L),
                          t.PGPOArmorOutput(ctx_, 1), sdk::KeySourceOption(ctx_, set_), L),
              0);
    t.PGPFreeKeySet(to);
    std::string armored(static_cast<char*>(out), outLen);
    t.PGPFreeData(out);
    EXPECT_EQ(armored.rfind("-----BEGIN PGP MESSAGE-----", 0), 0u);
    EXPECT_EQ(armored.find("round trip"), std::string::npos);
    Events ev;
    ev.passphrase = "alice pass";
    ASSERT_EQ(t.PGPDecode(ctx_, t.PGPOInputBuffer(ctx_, armored.data(), static_cast<PGPSize>(armored.size())),
                          t.PGPOEventHandler(ctx_, OnEvent, &ev), sdk::KeySourceOption(ctx_, set_), L),
              0);
    std::string plain;
    for (size_t i = 0; i < ev.buffers.size(); ++i) {
        if (ev.buffers[i]) plain.append(static_cast<char*>(ev.buffers[i]), ev.lengths[i]);
        t.PGPFreeData(ev.buffers[i]);
    }
    EXPECT_EQ(plain, text);
    EXPECT_EQ(ev.recipients, 1);
    EXPECT_EQ(ev.keyCount, 2u);
    EXPECT_EQ(ev.signatures, 1);
    EXPECT_EQ(ev.verified, 1);
    ASSERT_EQ(ev.recipientIDs.size(), 2u);
    // The message names the encryption subkeys; each belongs to one of the two keys.
    for (const auto& id : ev.recipientIDs) EXPECT_EQ(id.size(), 18u) << id;
}

TEST_F(Loader65Test, KeysFoundInAMessageComeAsASet) {
    auto& t = Sdk();
    std::string text = "Here is my key:\r\n";
    HANDLE h = CreateFileA((DataDir() + "dave_pub.asc").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string block(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, &block[0], static_cast<DWORD>(block.size()), &got, nullptr);
    CloseHandle(h);
    text += block + "\r\nBye\r\n";
    Events ev;
    PGPOptionListRef L = t.PGPOLastOption(ctx_);
    ASSERT_EQ(t.PGPDecode(ctx_, t.PGPOInputBuffer(ctx_, text.data(), static_cast<PGPSize>(text.size())),
                          t.PGPOEventHandler(ctx_, OnEvent, &ev), t.PGPOSendEventIfKeyFound(ctx_, 1),
                          t.PGPOPassThroughIfUnrecognized(ctx_, 1), sdk::KeySourceOption(ctx_, set_), L),
              0);
    for (void* b : ev.buffers) t.PGPFreeData(b);
    EXPECT_EQ(ev.keysFound, 1);
    EXPECT_EQ(ev.foundCount, 1u);
    EXPECT_FALSE(ev.foundWithDB);
    // The rings themselves are untouched by a key that was only found.
    PGPUInt32 count = 0;
    ASSERT_EQ(t.PGPCountKeys(set_, &count), 0);
    EXPECT_EQ(count, 3u);
}

TEST_F(Loader65Test, KeysAddedAndRemovedAreCommittedToTheRings) {
    auto& t = Sdk();
    std::string dave;
    {
        HANDLE h = CreateFileA((DataDir() + "dave_pub.asc").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        dave.resize(GetFileSize(h, nullptr));
        DWORD got = 0;
        ReadFile(h, &dave[0], static_cast<DWORD>(dave.size()), &got, nullptr);
        CloseHandle(h);
    }
    PGPKeySetRef imported = nullptr;
    ASSERT_EQ(t.PGPImportKeySet(ctx_, &imported,
                                t.PGPOInputBuffer(ctx_, dave.data(), static_cast<PGPSize>(dave.size())),
                                t.PGPOLastOption(ctx_)),
              0);
    ASSERT_EQ(t.PGPAddKeys(imported, set_), 0);
    t.PGPFreeKeySet(imported);  // closes the imported keys' own rings
    EXPECT_TRUE(t.PGPKeySetNeedsCommit(set_));
    ASSERT_EQ(KeyRings()->CommitKeyRings(), 0);
    EXPECT_FALSE(t.PGPKeySetNeedsCommit(set_));
    PGPKeySetRef carol = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, kCarol, carol), 0);
    ASSERT_EQ(sdk::RemoveKeys(carol, set_), 0);
    t.PGPFreeKeySet(carol);
    ASSERT_EQ(KeyRings()->CommitKeyRings(), 0);
    // Read again from the files.
    KeyRings()->CloseKeyRings();
    ctx_ = nullptr;
    ASSERT_EQ(KeyRings()->OpenKeyRings(ctx_, set_), 0);
    PGPUInt32 count = 0;
    ASSERT_EQ(t.PGPCountKeys(set_, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Find(kCarol), nullptr);
    PGPKeySetRef d = nullptr;
    ASSERT_EQ(ResolveKeys(ctx_, set_, "dave", d), 0);
    ASSERT_EQ(t.PGPCountKeys(d, &count), 0);
    EXPECT_EQ(count, 1u);
    t.PGPFreeKeySet(d);
}

}  // namespace
