#include "engine/prefs_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using orv::KeyServerEntry;
using orv::PrefsRecord;
using orv::TPrefsFile;

class PrefsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, tmp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir_ = std::string(tmp) + "orv_prefs_" + name + "_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "\\PGPprefs.txt";
    }
    void TearDown() override {
        for (const auto& f : Files()) DeleteFileA((dir_ + "\\" + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void Write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string Read() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir_ + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..")) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        return names;
    }
    TPrefsFile Prefs() { return TPrefsFile(path_, dir_ + "\\PGPgroup.pgr"); }

    std::string dir_, path_;
};

// ---- Loading: continuation lines and value cleaning ----------------------

TEST_F(PrefsFileTest, QuotedValueSplitOverLinesReadsAsOneValue) {
    Write("Comment=\"first part \" \\\r\n\"second part \" \\\r\n\"third\"\r\nNext=1\r\n");
    TPrefsFile p = Prefs();
    ASSERT_TRUE(p.LoadPrefs());
    EXPECT_EQ(p.Value("Comment"), "first part second part third");
    EXPECT_EQ(p.Value("Next"), "1");
    EXPECT_EQ(p.PrefsData.size(), 2u);
}

TEST_F(PrefsFileTest, UnquotedContinuationLosesOnlyTheBreak) {
    Write("List=alpha, \\\r\nbeta\r\n");
    TPrefsFile p = Prefs();
    ASSERT_TRUE(p.LoadPrefs());
    EXPECT_EQ(p.Value("List"), "alpha,beta");
}

TEST_F(PrefsFileTest, LineEndsOtherThanCrLfContinueToo) {
    Write("A=\"one\" \\\n\"two\"\nB=\"x\" \\\r\"y\"\r");
    TPrefsFile p = Prefs();
    ASSERT_TRUE(p.LoadPrefs());
    EXPECT_EQ(p.Value("A"), "onetwo");
    EXPECT_EQ(p.Value("B"), "xy");
}

struct HostileCase {
    const char* name;
    std::string file;
    const char* key;
    std::string expected;
};

class PrefsHostileTest : public PrefsFileTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(PrefsHostileTest, ReadsWithoutOverrunOrInvention) {
    Write(GetParam().file);
    TPrefsFile p = Prefs();
    p.LoadPrefs();
    EXPECT_EQ(p.Value(GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrefsHostileTest,
    ::testing::Values(
        HostileCase{"QuotedContinuationAtEndOfFile", "V=\"open\" \\", "V", "\"open"},
        HostileCase{"QuotedContinuationAtEndOfFileWithBreak", "V=\"open\" \\\r\n", "V", "\"open"},
        HostileCase{"ContinuationInsideQuotesAtEndOfFile", "V=\"open \\", "V", "\"open"},
        HostileCase{"UnquotedContinuationAtEndOfFile", "V=abc \\", "V", "abc"},
        HostileCase{"ContinuationIntoNonQuoteKeepsItsFirstCharacter", "V=\"a\" \\\r\nbc\r\n", "V", "\"abc"},
        HostileCase{"ChainOfEmptyContinuations", "V=\"x\" \\\r\n \\\r\n \\\r\n\"y\"\r\n", "V", "x\"y"},
        HostileCase{"MissingValue", "V=\r\nW=1\r\n", "V", ""},
        HostileCase{"LineWithoutEquals", "V\r\nV=2\r\n", "V", "2"},
        HostileCase{"NameMatchIgnoresCase", "publickeyringfile=\"p\"\r\n", "PublicKeyringFile", "p"},
        HostileCase{"FirstOfTwoLinesWins", "V=1\r\nV=2\r\n", "V", "1"},
        HostileCase{"LoneQuoteStays", "V=\"\r\n", "V", "\""},
        HostileCase{"EmptyQuotes", "V=\"\"\r\n", "V", ""},
        HostileCase{"EqualsInsideValue", "V=\"a=b\"\r\n", "V", "a=b"},
        HostileCase{"NulBytesDoNotEndTheFile", std::string("X=1\0\r\nV=after\r\n", 16), "V", "after"},
        HostileCase{"NoSuchName", "V=1\r\n", "W", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(PrefsFileTest, LongContinuationChainIsJoined) {
    std::string file = "Big=\"";
    for (int i = 0; i < 20000; ++i) file += "ab\" \\\r\n\"";
    file += "end\"\r\n";
    Write(file);
    TPrefsFile p = Prefs();
    ASSERT_TRUE(p.LoadPrefs());
    const std::string v = p.Value("Big");
    EXPECT_EQ(v.size(), 20000u * 2 + 3);
    EXPECT_EQ(v.substr(v.size() - 5), "abend");
}

TEST_F(PrefsFileTest, MissingOrEmptyFileIsNoSource) {
    TPrefsFile p = Prefs();
    EXPECT_FALSE(p.LoadPrefs());
    Write("");
    EXPECT_FALSE(p.LoadPrefs());
    TPrefsFile unnamed("", "");
    EXPECT_FALSE(unnamed.LoadPrefs());
}

// ---- The record -----------------------------------------------------------

const char kTypicalPrefs[] =
    "PublicKeyringFile=\"C:\\Keys\\pubring.pkr\"\r\n"
    "PrivateKeyringFile=\"C:\\Keys\\secring.skr\"\r\n"
    "RNGSeedFile=\"C:\\Keys\\randseed.rnd\"\r\n"
    "DefaultKeyID=\"0x89ABCDEF0123456700000000000000000000\"\r\n";

struct RecordCase {
    unsigned mask;
    std::string PrefsRecord::*field;
    const char* expected;  // "<groups>" for the groups path
};

TEST_F(PrefsFileTest, RecordIsFilledPerMaskBit) {
    Write(kTypicalPrefs);
    const RecordCase cases[] = {
        {orv::kPrefsPublicRing, &PrefsRecord::PublicRing, "C:\\Keys\\pubring.pkr"},
        {orv::kPrefsPrivateRing, &PrefsRecord::PrivateRing, "C:\\Keys\\secring.skr"},
        {orv::kPrefsRandomSeed, &PrefsRecord::RandomSeed, "C:\\Keys\\randseed.rnd"},
        {orv::kPrefsDefaultKey, &PrefsRecord::DefaultKeyID, "0x89ABCDEF01234567"},
        {orv::kPrefsGroupsFile, &PrefsRecord::GroupsFile, "<groups>"},
    };
    for (const auto& c : cases) {
        TPrefsFile p = Prefs();
        PrefsRecord r;
        ASSERT_EQ(p.ReadPrefs(r, c.mask), 0);
        const std::string expected = std::string(c.expected) == "<groups>" ? p.GroupsPath : c.expected;
        EXPECT_EQ(r.*c.field, expected) << "mask " << c.mask;
        for (const auto& other : cases) {
            if (other.mask != c.mask) {
                EXPECT_TRUE((r.*other.field).empty()) << "mask " << c.mask;
            }
        }
        EXPECT_TRUE(p.PrefsData.empty()) << "the lines are dropped after reading";
    }
}

TEST_F(PrefsFileTest, RecordFromMissingFileIsPreferenceNotFound) {
    TPrefsFile p = Prefs();
    PrefsRecord r;
    EXPECT_EQ(p.ReadPrefs(r, 31), orv::kPrefErrNotFound);
    EXPECT_EQ(orv::kPrefErrNotFound, -11979);
}

struct HexIDCase {
    const char* in;
    const char* out;
};

TEST(PrefsGetFullHexID, CutsToTheSixteenDigitsBeforeThePadding) {
    const HexIDCase cases[] = {
        {"0x89ABCDEF0123456700000000000000000000", "0x89ABCDEF01234567"},
        {"0x89ABCDEF01234567", "0x89ABCDEF01234567"},
        // An ID whose own last digits are zeros keeps them.
        {"0x89ABCDEF01234500", "0x89ABCDEF01234500"},
        {"0x89ABCDEF0123450000000000", "0x89ABCDEF01234500"},
        {"0X1111222233334444555500", "0X2222333344445555"},
        {"0x1234", "0x1234"},
        {"", ""},
        {"ABCDEF0123456789ABCDEF", "ABCDEF0123456789ABCDEF"},
    };
    for (const auto& c : cases) EXPECT_EQ(TPrefsFile::GetFullHexID(c.in), c.out) << c.in;
}

TEST(PrefsGetPGPKeyIDString, GivesSeventyTwoHexDigits) {
    unsigned char id[36] = {};
    id[0] = 0x01;
    id[1] = 0xAB;
    id[35] = 0xF0;
    const std::string s = TPrefsFile::GetPGPKeyIDString(id);
    ASSERT_EQ(s.size(), 72u);
    EXPECT_EQ(s.substr(0, 4), "01AB");
    EXPECT_EQ(s.substr(68), "00F0");
}

// ---- Key servers ----------------------------------------------------------

TEST_F(PrefsFileTest, KeyServerAddressesSkipMalformedLinesAndContinue) {
    Write("KeyServerList1=2,0,0,\"keys.example.org\",11371,0,1,0\r\n"
          "KeyServerList2=1,0,0,\"seven.example.org\",389,0,1\r\n"
          "KeyServerList3=1,0,0,\"ldap.example.org\",0,0,1,0\r\n"
          "KeyServerList4=9,0,0,\"unknown.example.org\",1,0,1,0\r\n"
          "KeyServerList5=4,0,0,\"a,b.example.org\",443,0,0,0\r\n"
          "KeyServerList7=2,0,0,\"after.gap.example.org\",80,0,0,0\r\n");
    TPrefsFile p = Prefs();
    std::vector<std::string> urls;
    ASSERT_EQ(p.ReadKeyServerURLs(urls), 0);
    const std::vector<std::string> expected = {
        "http://keys.example.org:11371", "ldap://ldap.example.org", "https://a,b.example.org:443"};
    EXPECT_EQ(urls, expected);
}

TEST_F(PrefsFileTest, NonNumericProtocolEndsTheReading) {
    Write("KeyServerList1=2,0,0,\"a\",1,0,0,0\r\nKeyServerList2=x,0,0,\"b\",1,0,0,0\r\n");
    TPrefsFile p = Prefs();
    std::vector<std::string> urls{"stale"};
    EXPECT_EQ(p.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
    EXPECT_TRUE(urls.empty());
}

TEST_F(PrefsFileTest, NoUsableKeyServerIsPreferenceNotFound) {
    Write("KeyServerList1=2,0,0,\"a\",1\r\n");
    TPrefsFile p = Prefs();
    std::vector<std::string> urls;
    EXPECT_EQ(p.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
    Write("Other=1\r\n");
    EXPECT_EQ(p.ReadKeyServerURLs(urls), orv::kPrefErrNotFound);
}

TEST_F(PrefsFileTest, FirstKeyServerIsRead) {
    Write("KeyServerList1=3,7,8,\"ldaps.example.org\",636,5,6,42\r\n");
    TPrefsFile p = Prefs();
    KeyServerEntry e;
    ASSERT_EQ(p.ReadFirstKeyServer(e), 0);
    EXPECT_EQ(e.Protocol, 3);
    EXPECT_EQ(e.Host, "ldaps.example.org");
    EXPECT_EQ(e.Port, 636);
    EXPECT_EQ(e.Extra, 42);
}

TEST_F(PrefsFileTest, FirstKeyServerWithUnparsableNumberIsNotRead) {
    const char* lines[] = {
        "KeyServerList1=3,7,8,\"h\",port,5,6,42\r\n",
        "KeyServerList1=3,7,8,\"h\",636,5,6,\r\n",
        "KeyServerList1=3,7,8,\"h\",99999999999,5,6,1\r\n",
        "KeyServerList1=3,7,8,\"h\",636,5,6\r\n",
        "KeyServerList2=3,7,8,\"h\",636,5,6,1\r\n",
    };
    for (const char* line : lines) {
        Write(line);
        TPrefsFile p = Prefs();
        KeyServerEntry e;
        e.Host = "untouched";
        EXPECT_EQ(p.ReadFirstKeyServer(e), orv::kPrefErrNotFound) << line;
        EXPECT_EQ(e.Host, "untouched") << line;
    }
}

TEST_F(PrefsFileTest, WritingFirstKeyServerKeepsPGPsOwnFields) {
    Write("Before=\"a\" \\\r\n\"b\"\r\n"
          "KeyServerList1=2,\"x,y\",8,\"old.example.org\",11371,5,6,0\r\n"
          "KeyServerList2=1,0,0,\"second.example.org\",389,0,1,0\r\n");
    TPrefsFile p = Prefs();
    KeyServerEntry e;
    e.Protocol = 4;
    e.Host = "new.example.org";
    e.Port = 443;
    e.Extra = 9;
    ASSERT_EQ(p.WriteFirstKeyServer(e), 0);
    EXPECT_TRUE(p.PrefsData.empty());

    const std::string text = Read();
    EXPECT_NE(text.find("KeyServerList1=4,\"x,y\",8,\"new.example.org\",443,5,6,9\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("KeyServerList2=1,0,0,\"second.example.org\",389,0,1,0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Before=\"ab\"\r\n"), std::string::npos);

    KeyServerEntry back;
    ASSERT_EQ(p.ReadFirstKeyServer(back), 0);
    EXPECT_EQ(back.Protocol, 4);
    EXPECT_EQ(back.Host, "new.example.org");
    EXPECT_EQ(back.Port, 443);
    EXPECT_EQ(back.Extra, 9);
    EXPECT_EQ(Files(), std::vector<std::string>{"PGPprefs.txt"}) << "no temporary file is left";
}

TEST_F(PrefsFileTest, HostThatWouldBreakTheFileIsRefused) {
    const std::string original = "KeyServerList1=2,0,0,\"old\",1,0,0,0\r\n";
    Write(original);
    const char* hosts[] = {"evil\"host", "line\r\nDefaultKeyID=0x1", "a,b", ""};
    for (const char* h : hosts) {
        TPrefsFile p = Prefs();
        KeyServerEntry e;
        e.Protocol = 2;
        e.Host = h;
        EXPECT_EQ(p.WriteFirstKeyServer(e), orv::kPrefErrBadParams) << h;
        EXPECT_EQ(Read(), original);
    }
}

TEST_F(PrefsFileTest, WritingWithoutAnEntryOrAFileChangesNothing) {
    TPrefsFile p = Prefs();
    KeyServerEntry e;
    e.Protocol = 2;
    e.Host = "h";
    EXPECT_EQ(p.WriteFirstKeyServer(e), orv::kPrefErrNotFound);
    EXPECT_TRUE(Files().empty());
    Write("Other=1\r\n");
    EXPECT_EQ(p.WriteFirstKeyServer(e), orv::kPrefErrNotFound);
    EXPECT_EQ(Read(), "Other=1\r\n");
}

// ---- Marginal validity and algorithms --------------------------------------

TEST_F(PrefsFileTest, MarginalIsInvalidOnlyForTrue) {
    const std::pair<const char*, bool> cases[] = {
        {"MarginalValidityIsInvalid=TRUE\r\n", true},
        {"MarginalValidityIsInvalid=true\r\n", true},
        {"MarginalValidityIsInvalid=\"True\"\r\n", true},
        {"MarginalValidityIsInvalid=FALSE\r\n", false},
        {"MarginalValidityIsInvalid=TRUEISH\r\n", false},
        {"MarginalValidityIsInvalid=\r\n", false},
        {"Other=TRUE\r\n", false},
    };
    for (const auto& [file, expected] : cases) {
        Write(file);
        TPrefsFile p = Prefs();
        EXPECT_EQ(p.MarginalIsInvalid(), expected) << file;
    }
    DeleteFileA(path_.c_str());
    TPrefsFile p = Prefs();
    EXPECT_FALSE(p.MarginalIsInvalid());
}

TEST_F(PrefsFileTest, PreferredAlgorithmsUntilTheFirstEmpty) {
    Write("AllowedAlgorithmsList1=3\r\nAllowedAlgorithmsList2=2\r\nAllowedAlgorithmsList3=1\r\n"
          "AllowedAlgorithmsList5=7\r\n");
    TPrefsFile p = Prefs();
    std::vector<int> algs;
    ASSERT_EQ(p.ReadPreferredAlgorithms(algs), 0);
    EXPECT_EQ(algs, (std::vector<int>{3, 2, 1}));
}

TEST_F(PrefsFileTest, PreferredAlgorithmsStopAtEight) {
    std::string file;
    for (int i = 1; i <= 10; ++i) file += "AllowedAlgorithmsList" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    Write(file);
    TPrefsFile p = Prefs();
    std::vector<int> algs;
    ASSERT_EQ(p.ReadPreferredAlgorithms(algs), 0);
    EXPECT_EQ(algs, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PrefsFileTest, UnparsableOrMissingAlgorithmsAreNotFound) {
    const char* files[] = {
        "AllowedAlgorithmsList1=3\r\nAllowedAlgorithmsList2=CAST\r\n",
        "AllowedAlgorithmsList1=3x\r\n",
        "AllowedAlgorithmsList1=-\r\n",
        "Other=1\r\n",
    };
    for (const char* f : files) {
        Write(f);
        TPrefsFile p = Prefs();
        std::vector<int> algs{99};
        EXPECT_EQ(p.ReadPreferredAlgorithms(algs), orv::kPrefErrNotFound) << f;
        EXPECT_TRUE(algs.empty()) << f;
    }
}

TEST(PrefsParseInt, AcceptsOnlyWholeDecimalNumbers) {
    const std::pair<const char*, bool> cases[] = {
        {"0", true}, {"42", true}, {"-7", true}, {" 5 ", true}, {"2147483647", true},
        {"2147483648", false}, {"", false}, {"4a", false}, {"0x10", false}, {"1 2", false}, {"+", false},
    };
    for (const auto& [text, ok] : cases) {
        int v = 0;
        EXPECT_EQ(orv::ParsePrefInt(text, v), ok) << text;
    }
    int v = 0;
    ASSERT_TRUE(orv::ParsePrefInt("-2147483648", v));
    EXPECT_EQ(v, INT_MIN);
}

// ---- The file's place -------------------------------------------------------

TEST(PrefsFileLocation, BelowTheApplicationDataFolder) {
    HKEY key = nullptr;
    char appData[MAX_PATH * 2] = {};
    DWORD size = sizeof(appData) - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                      0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS ||
        RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(appData), &size) !=
            ERROR_SUCCESS) {
        if (key) RegCloseKey(key);
        GTEST_SKIP() << "no AppData folder registered";
    }
    RegCloseKey(key);
    TPrefsFile p;
    EXPECT_EQ(p.PrefsPath, std::string(appData) + "\\Network Associates\\PGP\\PGPprefs.txt");
    EXPECT_EQ(p.GroupsPath, std::string(appData) + "\\Network Associates\\PGP\\PGPgroup.pgr");
}

}  // namespace
