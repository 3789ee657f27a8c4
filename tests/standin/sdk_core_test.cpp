// Start, version, error texts, memory, file references, time, random
// bytes and option lists of the stand-in core library.
#include "tests/standin/fixture.h"

#include <cstring>

using CoreTest = SdkTest;

TEST_F(CoreTest, ReportsRelease7AndAVersionText) {
    PGPUInt32 out = 0;
    EXPECT_GE(S().PGPGetSDKVersion(&out), kPGPsdk7VersionBase);
    char text[kPGPsdkVersionStringSize] = {};
    ASSERT_EQ(S().PGPGetPGPsdkVersionString(text), 0);
    EXPECT_NE(std::strstr(text, "PGPsdk"), nullptr) << text;
    // The stand-in core library exports no release 6.5 key functions.
    EXPECT_EQ(GetProcAddress(S().module, "PGPOpenKeyRingPair"), nullptr);
}

TEST_F(CoreTest, ErrorTextsForKnownAndUnknownNumbers) {
    char text[128];
    ASSERT_EQ(S().PGPGetErrorString(-11987, sizeof text, text), 0);
    EXPECT_STREQ(text, "User cancelled");
    ASSERT_EQ(S().PGPGetErrorString(-11500, sizeof text, text), 0);
    EXPECT_STREQ(text, "Bad passphrase");
    ASSERT_EQ(S().PGPGetErrorString(-4242, sizeof text, text), 0);
    EXPECT_STREQ(text, "Undescribed PGP error -4242");
    char tiny[5];
    EXPECT_NE(S().PGPGetErrorString(-12000, sizeof tiny, tiny), 0);
    EXPECT_EQ(std::strlen(tiny), 4u);  // cut, still terminated
}

TEST_F(CoreTest, MemoryPlainAndSecure) {
    PGPMemoryMgrRef mgr = S().PGPGetDefaultMemoryMgr();
    ASSERT_NE(mgr, nullptr);
    char* plain = static_cast<char*>(S().PGPNewData(mgr, 100, 0));
    char* secret = static_cast<char*>(S().PGPNewSecureData(mgr, 64, 0));
    ASSERT_TRUE(plain && secret);
    PGPBoolean isSecure = 2;
    PGPSize size = 0;
    ASSERT_EQ(S().PGPGetMemoryMgrDataInfo(secret, nullptr, &size, &isSecure), 0);
    EXPECT_EQ(isSecure, 1);
    EXPECT_EQ(size, 64u);
    ASSERT_EQ(S().PGPGetMemoryMgrDataInfo(plain, nullptr, nullptr, &isSecure), 0);
    EXPECT_EQ(isSecure, 0);
    // Secure data sits in locked pages of its own.
    MEMORY_BASIC_INFORMATION mbi{};
    ASSERT_TRUE(VirtualQuery(secret, &mbi, sizeof mbi));
    EXPECT_EQ(mbi.Type, static_cast<DWORD>(MEM_PRIVATE));
    std::strcpy(secret, "passphrase");
    void* block = secret;
    ASSERT_EQ(S().PGPReallocData(mgr, &block, 4096, 0), 0);
    EXPECT_STREQ(static_cast<char*>(block), "passphrase");
    ASSERT_EQ(S().PGPGetMemoryMgrDataInfo(block, nullptr, nullptr, &isSecure), 0);
    EXPECT_EQ(isSecure, 1);
    EXPECT_EQ(S().PGPFreeData(block), 0);
    EXPECT_EQ(S().PGPFreeData(plain), 0);
    char notOurs[32] = {};
    EXPECT_EQ(S().PGPFreeData(notOurs + 16), kPGPError_BadParams);
}

TEST_F(CoreTest, FileSpecKeepsWindowsPath) {
    PGPFileSpecRef spec = nullptr, copy = nullptr;
    const char* path = "C:\\Program Files\\PGP\\pubring.pkr";
    ASSERT_EQ(S().PGPNewFileSpecFromFullPath(ctx, path, &spec), 0);
    ASSERT_EQ(S().PGPCopyFileSpec(spec, &copy), 0);
    S().PGPFreeFileSpec(spec);
    char* back = nullptr;
    ASSERT_EQ(S().PGPGetFullPathFromFileSpec(copy, &back), 0);
    EXPECT_STREQ(back, path);
    S().PGPFreeData(back);
    S().PGPFreeFileSpec(copy);
    EXPECT_EQ(S().PGPNewFileSpecFromFullPath(ctx, "", &spec), kPGPError_BadParams);
    EXPECT_EQ(spec, nullptr);
}

TEST_F(CoreTest, TimeAndRandomBytes) {
    PGPTime now = S().PGPGetTime();
    EXPECT_GT(now, 1600000000u);
    PGPUInt16 y = 0, m = 0, d = 0;
    S().PGPGetYMDFromPGPTime(951782400u, &y, &m, &d);  // 29 February 2000, UTC
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 29);
    unsigned char a[32] = {}, b[32] = {};
    ASSERT_EQ(S().PGPContextGetRandomBytes(ctx, a, sizeof a), 0);
    ASSERT_EQ(S().PGPContextGetRandomBytes(ctx, b, sizeof b), 0);
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
}

TEST_F(CoreTest, OptionListsJoinCopyAndRefuseBrokenOptions) {
    PGPOptionListRef list = nullptr;
    ASSERT_EQ(S().PGPBuildOptionList(ctx, &list, S().PGPOArmorOutput(ctx, 1), S().PGPOCompression(ctx, 0), Last()), 0);
    ASSERT_EQ(S().PGPAppendOptionList(list, S().PGPOCommentString(ctx, "c"), Last()), 0);
    PGPOptionListRef copy = nullptr;
    ASSERT_EQ(S().PGPCopyOptionList(list, &copy), 0);
    EXPECT_EQ(S().PGPFreeOptionList(list), 0);
    // The copy still works as a job's options after the original is gone.
    std::string out;
    EXPECT_EQ(Encode(ctx, "hello", out, copy), 0);
    EXPECT_NE(out.find("-----BEGIN PGP MESSAGE-----"), std::string::npos);
    EXPECT_NE(out.find("Comment: c"), std::string::npos);
    // A null option (a failed option function) fails the consuming call.
    PGPOptionListRef bad = nullptr;
    EXPECT_EQ(S().PGPBuildOptionList(ctx, &bad, S().PGPOArmorOutput(ctx, 1), nullptr, Last()), kPGPError_BadParams);
    EXPECT_EQ(bad, nullptr);
    // An option with a bad argument makes a list that the consuming call refuses.
    EXPECT_EQ(S().PGPBuildOptionList(ctx, &bad, S().PGPOInputFile(ctx, nullptr), Last()), kPGPError_BadParams);
}

namespace {

// PGP's own preference file, which other programs of the test run may have
// left, kept aside while a test needs the engine without it.
class NoPgpPrefsFile {
public:
    NoPgpPrefsFile() {
        char appData[MAX_PATH] = {};
        DWORD size = sizeof appData;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(appData), &size);
            RegCloseKey(key);
        }
        path_ = std::string(appData) + "\\Network Associates\\PGP\\PGPprefs.txt";
        aside_ = path_ + ".orvtest";
        moved_ = appData[0] && MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~NoPgpPrefsFile() {
        if (moved_) MoveFileExA(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    NoPgpPrefsFile(const NoPgpPrefsFile&) = delete;
    NoPgpPrefsFile& operator=(const NoPgpPrefsFile&) = delete;

private:
    std::string path_, aside_;
    bool moved_ = false;
};

}  // namespace

TEST_F(CoreTest, SdkPreferencesFromFileAndDefaults) {
    // Without a preference file the rings are those beside the core library.
    NoPgpPrefsFile noPgpPrefs;
    ASSERT_EQ(S().PGPsdkLoadDefaultPrefs(ctx), 0);
    PGPFileSpecRef spec = nullptr;
    ASSERT_EQ(S().PGPsdkPrefGetFileSpec(ctx, kPGPsdkPref_PublicKeyring, &spec), 0);
    char* path = nullptr;
    ASSERT_EQ(S().PGPGetFullPathFromFileSpec(spec, &path), 0);
    std::string pub = path;
    S().PGPFreeData(path);
    S().PGPFreeFileSpec(spec);
    EXPECT_NE(pub.find("sdk7\\pubring.pkr"), std::string::npos) << pub;
    void* data = nullptr;
    PGPSize size = 7;
    EXPECT_EQ(S().PGPsdkPrefGetData(ctx, kPGPsdkPref_DefaultKeyID, &data, &size), kPGPError_PrefNotFound);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    // A hand-written file: lines that do not parse are passed over.
    std::string file = Temp("PGPsdk.dat");
    WriteAll(file, "6 file C:\\Rings\\secring.skr\r\njunk\r\n3 data 0841\r\n3 data zz\r\n9 file C:\\x\r\n5 file \r\n");
    PGPFileSpecRef prefs = nullptr;
    ASSERT_EQ(S().PGPNewFileSpecFromFullPath(ctx, file.c_str(), &prefs), 0);
    ASSERT_EQ(S().PGPsdkLoadPrefs(ctx, prefs), 0);
    ASSERT_EQ(S().PGPsdkPrefGetFileSpec(ctx, kPGPsdkPref_PrivateKeyring, &spec), 0);
    ASSERT_EQ(S().PGPGetFullPathFromFileSpec(spec, &path), 0);
    EXPECT_STREQ(path, "C:\\Rings\\secring.skr");
    S().PGPFreeData(path);
    S().PGPFreeFileSpec(spec);
    ASSERT_EQ(S().PGPsdkPrefGetData(ctx, kPGPsdkPref_DefaultKeyID, &data, &size), 0);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "\x08\x41");
    S().PGPFreeData(data);
    EXPECT_EQ(S().PGPsdkPrefGetFileSpec(ctx, 9, &spec), kPGPError_BadParams);
    // Changes are saved to the file they came from and read back by a new context.
    const unsigned char id[] = {8, 0xde, 0xad, 0, 0xbe, 0xef, 1, 2, 3};
    ASSERT_EQ(S().PGPsdkPrefSetData(ctx, kPGPsdkPref_DefaultKeyID, id, sizeof id), 0);
    PGPFileSpecRef groups = nullptr;
    ASSERT_EQ(S().PGPNewFileSpecFromFullPath(ctx, "D:\\PGP\\PGPgroup.pgr", &groups), 0);
    ASSERT_EQ(S().PGPsdkPrefSetFileSpec(ctx, kPGPsdkPref_GroupsFile, groups), 0);
    S().PGPFreeFileSpec(groups);
    ASSERT_EQ(S().PGPsdkSavePrefs(ctx), 0);
    PGPContextRef other = nullptr;
    ASSERT_EQ(S().PGPNewContext(kPGPsdkAPIVersion, &other), 0);
    ASSERT_EQ(S().PGPsdkLoadPrefs(other, prefs), 0);
    ASSERT_EQ(S().PGPsdkPrefGetData(other, kPGPsdkPref_DefaultKeyID, &data, &size), 0);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), std::string(reinterpret_cast<const char*>(id), sizeof id));
    S().PGPFreeData(data);
    ASSERT_EQ(S().PGPsdkPrefGetFileSpec(other, kPGPsdkPref_GroupsFile, &spec), 0);
    ASSERT_EQ(S().PGPGetFullPathFromFileSpec(spec, &path), 0);
    EXPECT_STREQ(path, "D:\\PGP\\PGPgroup.pgr");
    S().PGPFreeData(path);
    S().PGPFreeFileSpec(spec);
    S().PGPFreeContext(other);
    S().PGPFreeFileSpec(prefs);
    // A file that is not there is an error when named, not a silent default.
    ASSERT_EQ(S().PGPNewFileSpecFromFullPath(ctx, Temp("none.dat").c_str(), &prefs), 0);
    EXPECT_EQ(S().PGPsdkLoadPrefs(ctx, prefs), kPGPError_FileNotFound);
    S().PGPFreeFileSpec(prefs);
}
