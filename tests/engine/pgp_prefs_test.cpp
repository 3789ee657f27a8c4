#include "engine/pgp_prefs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/loader.h"
#include "engine/prefs_file.h"
#include "engine/sdk_table.h"

namespace {

using orv::KeyServerEntry;
using orv::PrefsRecord;

std::vector<std::uint8_t> Entry(int protocol, const std::string& host, std::uint32_t port32, int extra,
                                std::uint8_t fill = 0) {
    std::vector<std::uint8_t> e(724, fill);
    std::memcpy(&e[4], &protocol, 4);
    std::memset(&e[264], 0, 256);
    std::memcpy(&e[264], host.data(), std::min<std::size_t>(host.size(), 256));
    std::memcpy(&e[520], &port32, 4);
    std::memcpy(&e[656], &extra, 4);
    return e;
}
std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// ---- The client library's binary lists --------------------------------------

TEST(KeyServerEntries, FieldsAtTheirBytes) {
    const auto data = Join({Entry(2, "keys.example.org", 11371, 7), Entry(3, "ldaps.example.org", 636, -1)});
    const auto entries = orv::ParseKeyServerEntries(data);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Protocol, 2);
    EXPECT_EQ(entries[0].Host, "keys.example.org");
    EXPECT_EQ(entries[0].Port, 11371);
    EXPECT_EQ(entries[0].Extra, 7);
    EXPECT_EQ(entries[1].Protocol, 3);
    EXPECT_EQ(entries[1].Extra, -1);
}

TEST(KeyServerEntries, HostilePreferenceData) {
    // A host filling its whole field without a zero ends at the field.
    const std::string full(256, 'h');
    auto e = Entry(2, full, 80, 0, 0xAB);
    auto entries = orv::ParseKeyServerEntries(e);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Host, full);
    // Bytes after a 16-bit port do not change it.
    e = Entry(2, "h", 0xFFFF0000u | 8080u, 0);
    EXPECT_EQ(orv::ParseKeyServerEntries(e)[0].Port, 8080);
    // A partial entry at the end is no entry.
    auto partial = Join({Entry(1, "a", 1, 0)});
    partial.resize(724 + 700, 1);
    EXPECT_EQ(orv::ParseKeyServerEntries(partial).size(), 1u);
    EXPECT_TRUE(orv::ParseKeyServerEntries(std::vector<std::uint8_t>(723, 1)).empty());
}

TEST(KeyServerEntries, PatchingRewritesOnlyTheFirstEntrysFields) {
    const auto original = Join({Entry(2, "old.example.org", 11371, 1, 0x5A), Entry(1, "second", 389, 2, 0x5A)});
    auto data = original;
    KeyServerEntry e;
    e.Protocol = 4;
    e.Host = "new.example.org";
    e.Port = 443;
    e.Extra = 99;
    ASSERT_EQ(orv::PatchFirstKeyServerEntry(data, e), 0);
    const auto back = orv::ParseKeyServerEntries(data);
    EXPECT_EQ(back[0].Protocol, 4);
    EXPECT_EQ(back[0].Host, "new.example.org");
    EXPECT_EQ(back[0].Port, 443);
    EXPECT_EQ(back[0].Extra, 99);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const bool field = (i >= 4 && i < 8) || (i >= 264 && i < 520) || (i >= 520 && i < 522) ||
                           (i >= 656 && i < 660);
        if (!field) {
            ASSERT_EQ(data[i], original[i]) << "byte " << i;
        }
    }
}

TEST(KeyServerEntries, PatchingRefusesWhatDoesNotFit) {
    auto data = Entry(2, "old", 1, 0);
    const auto original = data;
    KeyServerEntry e;
    e.Protocol = 2;
    e.Host = std::string(256, 'x');  // no room left for the zero
    EXPECT_EQ(orv::PatchFirstKeyServerEntry(data, e), orv::kPrefErrBadParams);
    e.Host = std::string("a\0b", 3);
    EXPECT_EQ(orv::PatchFirstKeyServerEntry(data, e), orv::kPrefErrBadParams);
    e.Host = "";
    EXPECT_EQ(orv::PatchFirstKeyServerEntry(data, e), orv::kPrefErrBadParams);
    EXPECT_EQ(data, original);
    std::vector<std::uint8_t> small(100);
    e.Host = "ok";
    EXPECT_EQ(orv::PatchFirstKeyServerEntry(small, e), orv::kPrefErrNotFound);
}

TEST(AlgorithmList, FourBytesPerNumberAtMostEight) {
    std::vector<std::uint8_t> data;
    for (int i = 1; i <= 9; ++i)
        for (int b = 0; b < 4; ++b) data.push_back(static_cast<std::uint8_t>(b == 0 ? i : 0));
    EXPECT_EQ(orv::ParseAlgorithmList(data), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    data.resize(7);
    EXPECT_EQ(orv::ParseAlgorithmList(data), (std::vector<int>{1}));
    EXPECT_TRUE(orv::ParseAlgorithmList({}).empty());
}

// ---- Release 6.5 preferences through the entry-point table -------------------
// The table is filled with small stand-ins that keep the engine's rules:
// allocated results are freed with PGPFreeData, file references with
// PGPFreeFileSpec, the context with PGPFreeContext.

struct FakePrefs {
    std::map<void*, int> live;  // engine allocations still held
    int badFrees = 0;
    int contexts = 0;
    int specs = 0;
    std::map<PGPsdkPrefSelector, PGPError> specError;
    std::vector<std::uint8_t> defaultKey = {0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67};
    std::map<PGPPrefIndex, std::vector<std::uint8_t>> clientData;
    PGPBoolean marginal = 0;
    std::vector<std::uint8_t> written;
    PGPPrefIndex writtenIndex = 0;
    int saved = -1;
    DWORD notified = 0;
    std::vector<std::string> calls;
} f;

void* Alloc(std::size_t n) {
    void* p = std::calloc(1, n);
    f.live[p] = 1;
    return p;
}
PGPError PGP_CALL FreeData(void* p) {
    if (!f.live.erase(p)) {
        ++f.badFrees;
        return kPGPError_BadParams;
    }
    std::free(p);
    return 0;
}
PGPError PGP_CALL NewContext(PGPUInt32 version, PGPContextRef* out) {
    EXPECT_EQ(version, PGPUInt32(kPGPsdkAPIVersion));
    ++f.contexts;
    *out = reinterpret_cast<PGPContextRef>(0xC0);
    return 0;
}
PGPError PGP_CALL FreeContext(PGPContextRef) {
    --f.contexts;
    return 0;
}
PGPError PGP_CALL LoadDefaultPrefs(PGPContextRef) {
    f.calls.push_back("LoadDefaultPrefs");
    return 0;
}
PGPError PGP_CALL PrefGetFileSpec(PGPContextRef, PGPsdkPrefSelector sel, PGPFileSpecRef* out) {
    f.calls.push_back("GetFileSpec" + std::to_string(sel));
    auto it = f.specError.find(sel);
    if (it != f.specError.end()) return it->second;
    ++f.specs;
    *out = reinterpret_cast<PGPFileSpecRef>(static_cast<intptr_t>(0x100 + sel));
    return 0;
}
PGPError PGP_CALL FreeFileSpec(PGPFileSpecRef) {
    --f.specs;
    return 0;
}
PGPError PGP_CALL FullPath(PGPFileSpecRef spec, char** out) {
    const std::string path = "C:\\PGP\\file" + std::to_string(reinterpret_cast<intptr_t>(spec) - 0x100);
    *out = static_cast<char*>(Alloc(path.size() + 1));
    std::memcpy(*out, path.c_str(), path.size() + 1);
    return 0;
}
PGPError PGP_CALL PrefGetData(PGPContextRef, PGPsdkPrefSelector sel, void** out, PGPSize* size) {
    f.calls.push_back("GetData" + std::to_string(sel));
    *out = Alloc(f.defaultKey.size() + 1);
    std::memcpy(*out, f.defaultKey.data(), f.defaultKey.size());
    *size = static_cast<PGPSize>(f.defaultKey.size());
    return 0;
}
PGPError PGP_CALL ImportKeyID(const void* data, PGPKeyID* out) {
    std::memcpy(out->opaque, data, kPGPKeyIDSize);  // the engine reads a whole ID
    return 0;
}
PGPError PGP_CALL KeyIDString(const PGPKeyID* id, PGPKeyIDStringType, char out[kPGPMaxKeyIDStringSize]) {
    std::string s = "0x";
    char hex[3];
    for (int i = 0; i < 8; ++i) {
        sprintf(hex, "%02X", id->opaque[i]);
        s += hex;
    }
    strcpy(out, s.c_str());
    return 0;
}
PGPMemoryMgrRef PGP_CALL DefaultMgr() { return reinterpret_cast<PGPMemoryMgrRef>(0x77); }
PGPError PGP_CLCALL OpenClientPrefs(PGPMemoryMgrRef, PGPPrefRef* out) {
    *out = reinterpret_cast<PGPPrefRef>(0xC1);
    return 0;
}
PGPError PGP_CLCALL CloseClientPrefs(PGPPrefRef, PGPBoolean save) {
    f.saved = save;
    return 0;
}
PGPError PGP_CLCALL GetPrefData(PGPPrefRef, PGPPrefIndex index, PGPSize* len, void** data) {
    auto it = f.clientData.find(index);
    if (it == f.clientData.end()) return kPGPError_PrefNotFound;
    *data = Alloc(it->second.size() + 1);
    std::memcpy(*data, it->second.data(), it->second.size());
    *len = static_cast<PGPSize>(it->second.size());
    return 0;
}
PGPError PGP_CLCALL SetPrefData(PGPPrefRef, PGPPrefIndex index, PGPSize len, const void* data) {
    f.writtenIndex = index;
    f.written.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + len);
    return 0;
}
PGPError PGP_CLCALL GetPrefBoolean(PGPPrefRef, PGPPrefIndex index, PGPBoolean* out) {
    if (index != kPGPPrefMarginalIsInvalid) return kPGPError_PrefNotFound;
    *out = f.marginal;
    return 0;
}
PGPError PGP_CLCALL NotifyPrefsChanges(PGPUInt32 pid) {
    f.notified = pid;
    return 0;
}

class SdkPrefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(orv::loader::IsSDK7()) << "no engine is loaded in this program";
        f = FakePrefs{};
        auto& t = orv::sdk::Sdk();
        t = orv::sdk::Table{};
        t.PGPFreeData = FreeData;
        t.PGPNewContext = NewContext;
        t.PGPFreeContext = FreeContext;
        t.PGPsdkLoadDefaultPrefs = LoadDefaultPrefs;
        t.PGPsdkPrefGetFileSpec = PrefGetFileSpec;
        t.PGPFreeFileSpec = FreeFileSpec;
        t.PGPGetFullPathFromFileSpec = FullPath;
        t.PGPsdkPrefGetData = PrefGetData;
        t.PGPImportKeyID = ImportKeyID;
        t.PGPGetKeyIDString = KeyIDString;
        t.PGPGetDefaultMemoryMgr = DefaultMgr;
        t.PGPclOpenClientPrefs = OpenClientPrefs;
        t.PGPclCloseClientPrefs = CloseClientPrefs;
        t.PGPclGetPrefData = GetPrefData;
        t.PGPclSetPrefData = SetPrefData;
        t.PGPclGetPrefBoolean = GetPrefBoolean;
        t.PGPclNotifyPrefsChanges = NotifyPrefsChanges;
    }
    void TearDown() override {
        orv::sdk::Sdk() = orv::sdk::Table{};
        EXPECT_TRUE(f.live.empty()) << "engine buffers left unfreed";
        EXPECT_EQ(f.badFrees, 0);
        EXPECT_EQ(f.contexts, 0);
        EXPECT_EQ(f.specs, 0);
    }
    orv::TSdkPrefs prefs_;
};

TEST_F(SdkPrefsTest, RecordFromTheEnginesPreferences) {
    PrefsRecord r;
    ASSERT_EQ(prefs_.ReadPrefs(r, 31), 0);
    EXPECT_EQ(r.PublicRing, "C:\\PGP\\file5");
    EXPECT_EQ(r.PrivateRing, "C:\\PGP\\file6");
    EXPECT_EQ(r.RandomSeed, "C:\\PGP\\file7");
    EXPECT_EQ(r.GroupsFile, "C:\\PGP\\file8");
    EXPECT_EQ(r.DefaultKeyID, "0x89ABCDEF01234567");
    EXPECT_EQ(f.calls, (std::vector<std::string>{"LoadDefaultPrefs", "GetFileSpec5", "GetFileSpec6", "GetFileSpec7",
                                                 "GetFileSpec8", "GetData3"}));
}

TEST_F(SdkPrefsTest, OnlyTheMaskedItemsAreAskedFor) {
    PrefsRecord r;
    ASSERT_EQ(prefs_.ReadPrefs(r, orv::kPrefsPrivateRing | orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"LoadDefaultPrefs", "GetFileSpec6", "GetData3"}));
    EXPECT_TRUE(r.PublicRing.empty());
}

TEST_F(SdkPrefsTest, FirstFailingStepEndsTheReadingWithItsError) {
    f.specError[6] = kPGPError_FileNotFound;
    PrefsRecord r;
    EXPECT_EQ(prefs_.ReadPrefs(r, 31), kPGPError_FileNotFound);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"LoadDefaultPrefs", "GetFileSpec5", "GetFileSpec6"}));
    EXPECT_EQ(r.PublicRing, "C:\\PGP\\file5");
}

TEST_F(SdkPrefsTest, ShortDefaultKeyDataIsNotReadPastItsEnd) {
    f.defaultKey = {0x12, 0x34};
    PrefsRecord r;
    ASSERT_EQ(prefs_.ReadPrefs(r, orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(r.DefaultKeyID, "0x1234000000000000");
}

TEST_F(SdkPrefsTest, KeyServerAddressesSkipEmptyHostsAndUnknownProtocols) {
    f.clientData[kPGPPrefKeyServerList] = Join({Entry(2, "keys.example.org", 11371, 0), Entry(1, "", 389, 0),
                                                Entry(9, "odd.example.org", 1, 0), Entry(1, "ldap.example.org", 0, 0)});
    std::vector<std::string> urls;
    ASSERT_EQ(prefs_.ReadKeyServerURLs(urls), 0);
    EXPECT_EQ(urls, (std::vector<std::string>{"http://keys.example.org:11371", "ldap://ldap.example.org"}));
}

TEST_F(SdkPrefsTest, NoKeyServerEntriesArePreferenceNotFound) {
    std::vector<std::string> urls;
    EXPECT_EQ(prefs_.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
    f.clientData[kPGPPrefKeyServerList] = Entry(2, "", 1, 0);
    EXPECT_EQ(prefs_.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
    KeyServerEntry e;
    f.clientData[kPGPPrefKeyServerList] = {};
    EXPECT_EQ(prefs_.ReadFirstKeyServer(e), orv::kPrefErrNotFound);
}

TEST_F(SdkPrefsTest, FirstKeyServerIsReadAndWrittenBack) {
    f.clientData[kPGPPrefKeyServerList] = Join({Entry(2, "old.example.org", 11371, 5), Entry(1, "two", 389, 6)});
    KeyServerEntry e;
    ASSERT_EQ(prefs_.ReadFirstKeyServer(e), 0);
    EXPECT_EQ(e.Host, "old.example.org");
    EXPECT_EQ(e.Extra, 5);

    e.Host = "new.example.org";
    e.Port = 80;
    ASSERT_EQ(prefs_.WriteFirstKeyServer(e), 0);
    EXPECT_EQ(f.writtenIndex, kPGPPrefKeyServerList);
    ASSERT_EQ(f.written.size(), 2u * 724);
    const auto back = orv::ParseKeyServerEntries(f.written);
    EXPECT_EQ(back[0].Host, "new.example.org");
    EXPECT_EQ(back[0].Port, 80);
    EXPECT_EQ(back[0].Extra, 5);
    EXPECT_EQ(back[1].Host, "two");
    EXPECT_EQ(f.saved, 1);
    EXPECT_EQ(f.notified, GetCurrentProcessId());
}

TEST_F(SdkPrefsTest, RefusedHostWritesNothing) {
    f.clientData[kPGPPrefKeyServerList] = Entry(2, "old", 1, 0);
    KeyServerEntry e;
    e.Protocol = 2;
    e.Host = std::string(300, 'x');
    EXPECT_EQ(prefs_.WriteFirstKeyServer(e), orv::kPrefErrBadParams);
    EXPECT_TRUE(f.written.empty());
    EXPECT_EQ(f.notified, 0u);
}

TEST_F(SdkPrefsTest, MarginalAndAlgorithmsFromTheClientLibrary) {
    EXPECT_FALSE(prefs_.MarginalIsInvalid());
    f.marginal = 1;
    EXPECT_TRUE(prefs_.MarginalIsInvalid());

    std::vector<int> algs;
    EXPECT_EQ(prefs_.ReadPreferredAlgorithms(algs), orv::kPrefErrNotFound);
    f.clientData[kPGPPrefAllowedAlgorithms] = {3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0};
    ASSERT_EQ(prefs_.ReadPreferredAlgorithms(algs), 0);
    EXPECT_EQ(algs, (std::vector<int>{3, 2, 1}));
}

TEST_F(SdkPrefsTest, EngineWithoutTheEntryPointsFailsQuietly) {
    orv::sdk::Sdk() = orv::sdk::Table{};
    PrefsRecord r;
    EXPECT_EQ(prefs_.ReadPrefs(r, 31), kPGPError_EngineNotLoaded);
    std::vector<std::string> urls;
    EXPECT_EQ(prefs_.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
    KeyServerEntry e;
    e.Host = "h";
    EXPECT_EQ(prefs_.WriteFirstKeyServer(e), orv::kPrefErrNotFound);
    EXPECT_FALSE(prefs_.MarginalIsInvalid());
}

TEST_F(SdkPrefsTest, TheProcessReaderFollowsTheLoadedRelease) {
    EXPECT_EQ(orv::PgpPrefs(), nullptr);
    orv::CreatePgpPrefs();
    EXPECT_NE(dynamic_cast<orv::TSdkPrefs*>(orv::PgpPrefs()), nullptr);
    orv::FreePgpPrefs();
    EXPECT_EQ(orv::PgpPrefs(), nullptr);
}

}  // namespace
