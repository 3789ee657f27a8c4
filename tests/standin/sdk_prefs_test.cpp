// With release 7 the core follows PGP's own preference file in the user's
// application-data folder: the rings and the default key it names are the
// ones the SDK preferences give, and the front-end's own reading of that
// file (TPrefsFile) agrees with the engine. Without such a file, or with one
// that names no rings, the SDK's own preferences stay.
#include <algorithm>
#include <memory>

#include "engine/prefs_file.h"
#include "tests/support/app_data_override.h"
#include "tests/standin/fixture.h"

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

class PgpPrefsTest : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        if (HasFatalFailure()) return;
        appData = dir + "appdata";
        pgpDir = appData + "\\Network Associates\\PGP\\";
        rings = dir + "my rings\\";
        for (const std::string& d : {appData, appData + "\\Network Associates", pgpDir, rings})
            CreateDirectoryA(d.c_str(), nullptr);
        CopyFileA((DataDir() + "pubring.pkr").c_str(), (rings + "pubring.pkr").c_str(), FALSE);
        CopyFileA((DataDir() + "secring.skr").c_str(), (rings + "secring.skr").c_str(), FALSE);
        appDataOverride = std::make_unique<orv::test::AppDataOverride>(appData);
    }
    void TearDown() override {
        for (auto c : contexts) S().PGPFreeContext(c);
        appDataOverride.reset();
        for (const std::string& f : {pgpDir + "PGPprefs.txt", rings + "pubring.pkr", rings + "secring.skr"})
            DeleteFileA(f.c_str());
        for (const std::string& d : {rings, pgpDir, appData + "\\Network Associates", appData})
            RemoveDirectoryA(d.c_str());
        SdkTest::TearDown();
    }

    std::string FileSpec(PGPContextRef c, PGPsdkPrefSelector selector, PGPError* err = nullptr) {
        PGPFileSpecRef spec = nullptr;
        PGPError e = S().PGPsdkPrefGetFileSpec(c, selector, &spec);
        if (err) *err = e;
        if (e) return {};
        char* path = nullptr;
        EXPECT_EQ(S().PGPGetFullPathFromFileSpec(spec, &path), 0);
        std::string p = path ? path : "";
        if (path) S().PGPFreeData(path);
        S().PGPFreeFileSpec(spec);
        return p;
    }
    // The default key as the SDK keeps it: length byte, then the ID.
    std::string DefaultKey(PGPContextRef c, PGPError* err) {
        void* data = nullptr;
        PGPSize size = 0;
        *err = S().PGPsdkPrefGetData(c, kPGPsdkPref_DefaultKeyID, &data, &size);
        std::string bytes = data ? std::string(static_cast<char*>(data), size) : std::string();
        if (data) S().PGPFreeData(data);
        return bytes;
    }
    PGPContextRef FreshContext() {
        PGPContextRef c = nullptr;
        EXPECT_EQ(S().PGPNewContext(kPGPsdkAPIVersion, &c), 0);
        contexts.push_back(c);
        return c;
    }
    void Write(const std::string& text) { WriteAll(pgpDir + "PGPprefs.txt", text); }

    std::string appData, pgpDir, rings;
    std::unique_ptr<orv::test::AppDataOverride> appDataOverride;
    std::vector<PGPContextRef> contexts;
};

TEST_F(PgpPrefsTest, EngineOpensTheRingsAndDefaultKeyThePreferenceFileNames) {
    // alice's key ID, from the rings themselves.
    PGPKeyDBRef data = OpenRingFiles(DataDir() + "pubring.pkr", DataDir() + "secring.skr", 0);
    const std::string aliceID = KeyIDText(KeyByName(data, "alice"));
    ASSERT_EQ(aliceID.size(), 18u) << aliceID;
    // The public ring's quoted value continues on a second line; the key ID
    // carries PGP's padding zeros.
    Write("KeyServerList1=1,0,0,\"keys.example.org\",389,0,0,0\r\n"
          "PublicKeyringFile=\"" + rings + "pub\" \\\r\n"
          "\"ring.pkr\"\r\n"
          "  privatekeyringfile = \"" + rings + "secring.skr\"\r\n"
          "RNGSeedFile=\"" + rings + "randseed.rnd\"\r\n"
          "DefaultKeyID=\"" + aliceID + "00000000\"\r\n");

    orv::TPrefsFile system;
    ASSERT_EQ(system.PrefsPath, pgpDir + "PGPprefs.txt");
    orv::PrefsRecord record;
    ASSERT_EQ(system.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsPrivateRing | orv::kPrefsRandomSeed |
                                           orv::kPrefsDefaultKey | orv::kPrefsGroupsFile),
              0);
    EXPECT_EQ(record.PublicRing, rings + "pubring.pkr");
    EXPECT_EQ(record.PrivateRing, rings + "secring.skr");
    EXPECT_EQ(Lower(record.DefaultKeyID), Lower(aliceID));

    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PublicKeyring), record.PublicRing);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PrivateKeyring), record.PrivateRing);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_RandomSeedFile), record.RandomSeed);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_GroupsFile), record.GroupsFile);
    PGPError err = 0;
    std::string id = DefaultKey(ctx, &err);
    ASSERT_EQ(err, 0);
    ASSERT_EQ(id.size(), 9u);
    EXPECT_EQ(id[0], 8);
    char hex[17] = {};
    for (int i = 0; i < 8; ++i) std::snprintf(hex + 2 * i, 3, "%02x", static_cast<unsigned char>(id[1 + i]));
    EXPECT_EQ("0x" + std::string(hex), Lower(aliceID));

    // A context that never loaded them reads the same; the rings it names
    // open, and the default key is a secret key in them.
    PGPContextRef other = FreshContext();
    PGPFileSpecRef pub = nullptr, sec = nullptr;
    ASSERT_EQ(S().PGPsdkPrefGetFileSpec(other, kPGPsdkPref_PublicKeyring, &pub), 0);
    ASSERT_EQ(S().PGPsdkPrefGetFileSpec(other, kPGPsdkPref_PrivateKeyring, &sec), 0);
    PGPKeyDBRef db = nullptr;
    ASSERT_EQ(S().PGPOpenKeyDBFile(other, kPGPOpenKeyDBFileOptions_Mutable, pub, sec, &db), 0);
    S().PGPFreeFileSpec(pub);
    S().PGPFreeFileSpec(sec);
    dbs.push_back(db);
    PGPUInt32 count = 0;
    S().PGPCountKeysInKeyDB(db, &count);
    EXPECT_EQ(count, 3u);
    PGPKeyDBObjRef key = Key(db, aliceID.c_str());
    ASSERT_NE(key, nullptr);
    PGPBoolean secret = 0;
    EXPECT_EQ(S().PGPGetKeyDBObjBooleanProperty(key, kPGPKeyProperty_IsSecret, &secret), 0);
    EXPECT_TRUE(secret);
}

// A file saved with bare LF line ends, a value broken over two lines without
// quotes, and a default key ID whose own last digit is a zero (not padding):
// the engine and the front-end read the same paths and the same key.
TEST_F(PgpPrefsTest, BareLineEndsAndAKeyIDEndingInZeroReadAlike) {
    Write("PublicKeyringFile=" + rings + "pub \\\nring.pkr\n"
          "PrivateKeyringFile=\"" + rings + "secring.skr\"\n"
          "DefaultKeyID=0x1234567890ABCDE0\n");
    orv::TPrefsFile system;
    orv::PrefsRecord record;
    ASSERT_EQ(system.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsPrivateRing | orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(record.PublicRing, rings + "pubring.pkr");
    EXPECT_EQ(record.DefaultKeyID, "0x1234567890ABCDE0");

    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PublicKeyring), record.PublicRing);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PrivateKeyring), record.PrivateRing);
    PGPError err = 0;
    const std::string id = DefaultKey(ctx, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(id, std::string("\x08\x12\x34\x56\x78\x90\xAB\xCD\xE0", 9));
}

TEST_F(PgpPrefsTest, WithoutRingsInThePreferenceFileTheSdkPreferencesStay) {
    PGPContextRef none = FreshContext();
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(none), 0);
    const std::string fallback = FileSpec(none, kPGPsdkPref_PublicKeyring);
    ASSERT_FALSE(fallback.empty());
    EXPECT_EQ(fallback.find(appData), std::string::npos);
    PGPError err = 0;
    DefaultKey(none, &err);
    EXPECT_EQ(err, kPGPError_PrefNotFound);

    // A file that names a default key but no rings is not followed.
    Write("DefaultKeyID=0x1111222233334444\r\nRNGSeedFile=\"" + rings + "randseed.rnd\"\r\n");
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PublicKeyring), fallback);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_RandomSeedFile).find(rings), std::string::npos);
    DefaultKey(ctx, &err);
    EXPECT_EQ(err, kPGPError_PrefNotFound);

    // An explicit preference file is the caller's choice, whatever PGP's says.
    Write("PublicKeyringFile=\"" + rings + "pubring.pkr\"\r\nPrivateKeyringFile=\"" + rings + "secring.skr\"\r\n");
    WriteAll(Temp("mine.dat"), "5 file C:\\elsewhere\\pub.pkr\r\n");
    PGPFileSpecRef spec = nullptr;
    ASSERT_EQ(S().PGPNewFileSpecFromFullPath(ctx, Temp("mine.dat").c_str(), &spec), 0);
    ASSERT_EQ(S().PGPsdkLoadPrefs(ctx, spec), 0);
    S().PGPFreeFileSpec(spec);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PublicKeyring), "C:\\elsewhere\\pub.pkr");
    // While the default load follows it.
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    EXPECT_EQ(FileSpec(ctx, kPGPsdkPref_PublicKeyring), rings + "pubring.pkr");
}

// What a caller sets anew of what PGP's file holds (the key manager's new
// default key, its new rings) is saved into that file, every other line kept
// as it was, so that the front-end reads it too.
TEST_F(PgpPrefsTest, ADefaultKeySetAnewIsSavedInThePreferenceFile) {
    // The SDK's own file beside the core is saved as well: not left behind.
    char core[MAX_PATH] = {};
    GetModuleFileNameA(S().module, core, MAX_PATH);
    std::string sdkFile = core;
    sdkFile = sdkFile.substr(0, sdkFile.find_last_of('\\') + 1) + "PGPsdk.dat";
    const bool hadSdkFile = GetFileAttributesA(sdkFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::shared_ptr<void> removeSdkFile(nullptr, [&](void*) {
        if (!hadSdkFile) DeleteFileA(sdkFile.c_str());
    });
    const std::string before = "KeyServerList1=1,0,0,\"keys.example.org\",389,0,0,0\r\n"
                               "PublicKeyringFile=\"" + rings + "pub\" \\\r\n"
                               "\"ring.pkr\"\r\n"
                               "PrivateKeyringFile=\"" + rings + "secring.skr\"\r\n";
    Write(before + "DefaultKeyID=0x1111222233334444\r\nWarnOnWipe=1");
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    const unsigned char id[] = {8, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    ASSERT_EQ(S().PGPsdkPrefSetData(ctx, kPGPsdkPref_DefaultKeyID, id, sizeof id), 0);
    ASSERT_EQ(S().PGPsdkSavePrefs(ctx), 0);
    EXPECT_EQ(ReadAll(pgpDir + "PGPprefs.txt"), before + "DefaultKeyID=0x123456789ABCDEF0\r\nWarnOnWipe=1");
    orv::TPrefsFile system;
    orv::PrefsRecord record;
    ASSERT_EQ(system.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(record.DefaultKeyID, "0x123456789ABCDEF0");
    EXPECT_EQ(record.PublicRing, rings + "pubring.pkr");
    PGPError err = 0;
    EXPECT_EQ(DefaultKey(FreshContext(), &err), std::string(reinterpret_cast<const char*>(id), sizeof id));
    EXPECT_EQ(err, 0);

    // Without the file (nor its folder) the first save makes it, naming the
    // rings the key belongs to, so that its values count.
    DeleteFileA((pgpDir + "PGPprefs.txt").c_str());
    ASSERT_TRUE(RemoveDirectoryA(pgpDir.c_str()));
    PGPContextRef fresh = FreshContext();
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(fresh), 0);
    const std::string fallback = FileSpec(fresh, kPGPsdkPref_PublicKeyring);
    ASSERT_EQ(S().PGPsdkPrefSetData(fresh, kPGPsdkPref_DefaultKeyID, id, sizeof id), 0);
    ASSERT_EQ(S().PGPsdkSavePrefs(fresh), 0);
    orv::TPrefsFile again;
    ASSERT_EQ(again.ReadPrefs(record, orv::kPrefsPublicRing | orv::kPrefsDefaultKey), 0);
    EXPECT_EQ(record.DefaultKeyID, "0x123456789ABCDEF0");
    EXPECT_EQ(record.PublicRing, fallback);
    EXPECT_EQ(DefaultKey(FreshContext(), &err), std::string(reinterpret_cast<const char*>(id), sizeof id));
}

// Release 6.5 has no such file: its core keeps to its own preferences.
TEST_F(PgpPrefsTest, Release65KeepsItsOwnPreferences) {
    Write("PublicKeyringFile=\"" + rings + "pubring.pkr\"\r\nPrivateKeyringFile=\"" + rings + "secring.skr\"\r\n");
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string bin = exe;
    bin = bin.substr(0, bin.find_last_of('\\') + 1);
    HMODULE m = LoadLibraryA((bin + "sdk65\\PGPSDK.dll").c_str());
    ASSERT_NE(m, nullptr);
    auto get = [&](const char* n) { return reinterpret_cast<void*>(GetProcAddress(m, n)); };
    auto newContext = reinterpret_cast<PFN_PGPNewContext>(get("PGPNewContext"));
    auto freeContext = reinterpret_cast<PFN_PGPFreeContext>(get("PGPFreeContext"));
    auto loadDefault = reinterpret_cast<PFN_PGPsdkLoadDefaultPrefs>(get("PGPsdkLoadDefaultPrefs"));
    auto getSpec = reinterpret_cast<PFN_PGPsdkPrefGetFileSpec>(get("PGPsdkPrefGetFileSpec"));
    auto fullPath = reinterpret_cast<PFN_PGPGetFullPathFromFileSpec>(get("PGPGetFullPathFromFileSpec"));
    auto freeSpec = reinterpret_cast<PFN_PGPFreeFileSpec>(get("PGPFreeFileSpec"));
    auto freeData = reinterpret_cast<PFN_PGPFreeData>(get("PGPFreeData"));
    ASSERT_TRUE(newContext && freeContext && loadDefault && getSpec && fullPath && freeSpec && freeData);
    PGPContextRef c = nullptr;
    ASSERT_EQ(newContext(kPGPsdkAPIVersion, &c), 0);
    ASSERT_EQ(loadDefault(c), 0);
    PGPFileSpecRef spec = nullptr;
    ASSERT_EQ(getSpec(c, kPGPsdkPref_PublicKeyring, &spec), 0);
    char* path = nullptr;
    ASSERT_EQ(fullPath(spec, &path), 0);
    EXPECT_EQ(std::string(path), bin + "sdk65\\pubring.pkr");
    freeData(path);
    freeSpec(spec);
    freeContext(c);
    FreeLibrary(m);
}

}  // namespace
