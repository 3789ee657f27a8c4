// The release adapters against the fake engines: with release 6.5 every call
// must reach the older entry point with the translated number and argument
// order; with release 7 the newer one with the arguments unchanged. The fake
// libraries record what they were called with.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/adapters.h"
#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "tests/engine/loader_test_support.h"

using namespace orv::test;
namespace sdk = orv::sdk;
namespace loader = orv::loader;

namespace {

PGPKeyDBObjRef const kObj = reinterpret_cast<PGPKeyDBObjRef>(0x10);
PGPKeySetRef const kSet = reinterpret_cast<PGPKeySetRef>(0x20);
PGPContextRef const kContext = reinterpret_cast<PGPContextRef>(0x30);

class Adapters65 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new EngineDir("r65", Release65Files());
        ASSERT_TRUE(loader::Load(loader::Scope::Full));
        ASSERT_FALSE(loader::IsSDK7());
    }
    static void TearDownTestSuite() {
        loader::Unload();
        delete dir_;
    }
    void SetUp() override { ClearFakeLog(); }
    static EngineDir* dir_;
};
EngineDir* Adapters65::dir_ = nullptr;

class Adapters7 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new EngineDir("r7", Release7Files());
        ASSERT_TRUE(loader::Load(loader::Scope::Full));
        ASSERT_TRUE(loader::IsSDK7());
    }
    static void TearDownTestSuite() {
        loader::Unload();
        delete dir_;
    }
    void SetUp() override { ClearFakeLog(); }
    static EngineDir* dir_;
};
EngineDir* Adapters7::dir_ = nullptr;

enum class Getter { Boolean, Numeric, Time, Data };

PGPError Get(Getter g, PGPKeyDBObjProperty code) {
    switch (g) {
        case Getter::Boolean: {
            PGPBoolean b = 0;
            return sdk::GetBooleanProperty(kObj, code, &b);
        }
        case Getter::Numeric: {
            PGPInt32 n = 0;
            return sdk::GetNumericProperty(kObj, code, &n);
        }
        case Getter::Time: {
            PGPTime t = 0;
            return sdk::GetTimeProperty(kObj, code, &t);
        }
        default: {
            char buf[16];
            PGPSize len = 0;
            return sdk::GetDataProperty(kObj, code, buf, sizeof buf, &len);
        }
    }
}

// The property-code table, row by row: release 7 codes first..last go to the
// release 6.5 function with code + offset (or the fixed number when set).
struct PropertyRow {
    int first, last;
    Getter getter;
    const char* function;
    int offset;
    int fixed;  // -1: none
};
const PropertyRow kPropertyTable[] = {
    {100, 116, Getter::Boolean, "PGPGetKeyBoolean", -40, -1},
    {200, 206, Getter::Numeric, "PGPGetKeyNumber", -180, -1},
    {300, 301, Getter::Time, "PGPGetKeyTime", -260, -1},
    {401, 401, Getter::Data, "PGPGetKeyPropertyBuffer", 0, 1},
    {403, 403, Getter::Data, "PGPGetKeyPropertyBuffer", 0, 2},
    {404, 404, Getter::Data, "PGPGetKeyPropertyBuffer", 0, 3},
    {501, 501, Getter::Boolean, "PGPGetSubKeyBoolean", 0, 62},
    {502, 505, Getter::Boolean, "PGPGetSubKeyBoolean", -438, -1},
    {506, 507, Getter::Boolean, "PGPGetSubKeyBoolean", -431, -1},
    {600, 601, Getter::Numeric, "PGPGetSubKeyNumber", -580, -1},
    {602, 603, Getter::Numeric, "PGPGetSubKeyNumber", -578, -1},
    {605, 605, Getter::Numeric, "PGPGetSubKeyNumber", 0, 206},
    {700, 701, Getter::Time, "PGPGetSubKeyTime", -660, -1},
    {900, 900, Getter::Boolean, "PGPGetUserIDBoolean", 0, 110},
    {1000, 1002, Getter::Numeric, "PGPGetUserIDNumber", -900, -1},
    {1200, 1201, Getter::Data, "PGPGetUserIDStringBuffer", -1120, -1},
    {1300, 1308, Getter::Boolean, "PGPGetSigBoolean", -1120, -1},
    {1400, 1402, Getter::Numeric, "PGPGetSigNumber", -1258, -1},
    {1500, 1501, Getter::Time, "PGPGetSigTime", -1340, -1},
    {1600, 1601, Getter::Data, "PGPGetSigPropertyBuffer", -1480, -1},
};

TEST_F(Adapters65, EveryPropertyCodeReachesItsFunctionWithTheTranslatedNumber) {
    int checked = 0;
    for (const auto& row : kPropertyTable) {
        for (int code = row.first; code <= row.last; ++code) {
            SCOPED_TRACE(code);
            ClearFakeLog();
            ASSERT_EQ(Get(row.getter, code), 0);
            const int translated = row.fixed >= 0 ? row.fixed : code + row.offset;
            std::string expected = std::string(row.function) + "(" + std::to_string(translated);
            expected += row.getter == Getter::Data ? ",16);" : ");";  // buffers also get the size
            EXPECT_EQ(FakeLog(), expected);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 17 + 7 + 2 + 3 + 1 + 4 + 2 + 2 + 2 + 1 + 2 + 1 + 3 + 2 + 9 + 3 + 2 + 2);
}

TEST_F(Adapters65, HashAlgorithmCodeAsksForTheHashUsed) {
    PGPInt32 value = 0;
    ASSERT_EQ(sdk::GetNumericProperty(kObj, 207, &value), 0);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(FakeLog(), "PGPGetHashAlgUsed;");
}

TEST_F(Adapters65, ValuesComeBackThroughTheOutArguments) {
    PGPInt32 number = 0;
    ASSERT_EQ(sdk::GetNumericProperty(kObj, 201, &number), 0);
    EXPECT_EQ(number, 22);  // the fake answers translated code + 1
    PGPTime time = 0;
    ASSERT_EQ(sdk::GetTimeProperty(kObj, 1501, &time), 0);
    EXPECT_EQ(time, 162u);
    char buf[4] = {};
    PGPSize len = 0;
    ASSERT_EQ(sdk::GetDataProperty(kObj, 401, buf, sizeof buf, &len), 0);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(len, 1u);
}

TEST_F(Adapters65, CodesTheReleaseLacksAreInvalidPropertiesForEveryGetter) {
    const int lacking[] = {0,   -1,  99,  117, 199, 208, 299, 302, 400, 402,  405,  500,  508,  604,  606,
                           699, 702, 801, 899, 901, 999, 1003, 1199, 1202, 1203, 1299, 1309, 1403, 1502, 1602};
    for (int code : lacking)
        for (Getter g : {Getter::Boolean, Getter::Numeric, Getter::Time, Getter::Data}) EXPECT_EQ(Get(g, code), -11318) << code;
    EXPECT_EQ(FakeLog(), "");
}

TEST_F(Adapters65, ACodeAskedOfTheWrongGetterIsInvalid) {
    EXPECT_EQ(Get(Getter::Numeric, 100), -11318);
    EXPECT_EQ(Get(Getter::Boolean, 200), -11318);
    EXPECT_EQ(Get(Getter::Time, 401), -11318);
    EXPECT_EQ(Get(Getter::Data, 300), -11318);
    EXPECT_EQ(FakeLog(), "");
}

TEST_F(Adapters65, BooleanFilters) {
    const struct {
        int code;
        const char* log;  // "" = invalid property
    } rows[] = {
        {103, "PGPNewKeyDisabledFilter(1);"},   {108, "PGPNewKeyBooleanFilter(68,1);"},
        {109, "PGPNewKeyBooleanFilter(69,1);"}, {110, "PGPNewKeyBooleanFilter(70,1);"},
        {111, "PGPNewKeyBooleanFilter(71,1);"}, {100, ""},
        {102, ""},                              {107, ""},
        {112, ""},                              {900, ""},
    };
    for (const auto& row : rows) {
        ClearFakeLog();
        PGPFilterRef filter = reinterpret_cast<PGPFilterRef>(1);
        PGPError err = sdk::NewBooleanFilter(kContext, row.code, true, &filter);
        EXPECT_EQ(err, *row.log ? 0 : -11318) << row.code;
        EXPECT_EQ(FakeLog(), row.log) << row.code;
        if (!*row.log) {
            EXPECT_EQ(filter, nullptr) << row.code;
        }
    }
}

TEST_F(Adapters65, NumericFilterOnlyForTheAlgorithm) {
    PGPFilterRef filter = nullptr;
    EXPECT_EQ(sdk::NewNumericFilter(kContext, 200, 17, kPGPMatchEqual, &filter), 0);
    EXPECT_EQ(FakeLog(), "PGPNewKeySigAlgorithmFilter(17);");
    ClearFakeLog();
    EXPECT_EQ(sdk::NewNumericFilter(kContext, 208, 4, kPGPMatchEqual, &filter), -11318);
    EXPECT_EQ(sdk::NewNumericFilter(kContext, 201, 1024, kPGPMatchEqual, &filter), -11318);
    EXPECT_EQ(sdk::NewTimeFilter(kContext, 300, 1000, kPGPMatchEqual, &filter), -11318);
    EXPECT_EQ(FakeLog(), "");
}

TEST_F(Adapters65, DataFilters) {
    PGPKeyID id;
    std::memset(&id, 0x42, sizeof id);
    const struct {
        int code;
        const char* log;
    } keyIDRows[] = {
        {402, "PGPNewKeyIDFilter(66);"},
        {801, "PGPNewSubKeyIDFilter(66);"},
        {1600, "PGPNewSigKeyIDFilter(66);"},
    };
    for (const auto& row : keyIDRows) {
        ClearFakeLog();
        PGPFilterRef filter = nullptr;
        EXPECT_EQ(sdk::NewDataFilter(kContext, row.code, &id, sizeof id, kPGPMatchEqual, &filter), 0);
        EXPECT_EQ(FakeLog(), row.log);
    }
    // User-ID texts are handed over zero-terminated at the given length.
    const char text[] = "alice@example.org";
    const struct {
        int code;
        const char* log;
    } textRows[] = {
        {1200, "PGPNewUserIDStringFilter(alice,4);"},
        {1202, "PGPNewUserIDNameFilter(alice,4);"},
        {1203, "PGPNewUserIDEmailFilter(alice,4);"},
    };
    for (const auto& row : textRows) {
        ClearFakeLog();
        PGPFilterRef filter = nullptr;
        EXPECT_EQ(sdk::NewDataFilter(kContext, row.code, text, 5, kPGPMatchSubString, &filter), 0);
        EXPECT_EQ(FakeLog(), row.log);
    }
    ClearFakeLog();
    PGPFilterRef filter = nullptr;
    for (int code : {401, 1201, 1601, 403})
        EXPECT_EQ(sdk::NewDataFilter(kContext, code, text, 5, kPGPMatchEqual, &filter), -11318) << code;
    // A key ID shorter than release 6.5 reads is refused, not read past.
    EXPECT_EQ(sdk::NewDataFilter(kContext, 402, &id, 8, kPGPMatchEqual, &filter), kPGPError_BadParams);
    EXPECT_EQ(FakeLog(), "");
}

TEST_F(Adapters65, OrderFoldsReverseIntoTheOrdering) {
    const struct {
        int order;
        bool reverse;
        int sent;
    } rows[] = {{0, false, 0}, {0, true, 0}, {1, false, 1}, {1, true, 1}, {2, false, 2},
                {2, true, 3},  {3, false, 4}, {3, true, 5},  {9, true, 17}};
    for (const auto& row : rows) {
        ClearFakeLog();
        PGPKeyListRef list = nullptr;
        ASSERT_EQ(sdk::OrderKeySet(kSet, row.order, row.reverse, &list), 0);
        EXPECT_EQ(FakeLog(), "PGPOrderKeySet(" + std::to_string(row.sent) + ");") << row.order << row.reverse;
        EXPECT_NE(list, nullptr);
    }
}

TEST_F(Adapters65, IteratorKindsGoToTheirOwnFunctions) {
    const struct {
        int kind;
        const char* next;
        const char* rewind;
    } rows[] = {
        {1, "PGPKeyIterNext;", "PGPKeyIterRewind;"},
        {2, "PGPKeyIterNextSubKey;", "PGPKeyIterRewindSubKey;"},
        {4, "PGPKeyIterNextUserID;", "PGPKeyIterRewindUserID;"},
        {8, "PGPKeyIterNextUIDSig;", "PGPKeyIterRewindUIDSig;"},
    };
    auto iter = reinterpret_cast<PGPKeyIterRef>(0x50);
    for (const auto& row : rows) {
        ClearFakeLog();
        PGPKeyDBObjRef obj = nullptr;
        EXPECT_EQ(sdk::KeyIterNext(iter, row.kind, &obj), 0);
        EXPECT_EQ(FakeLog(), row.next);
        EXPECT_NE(obj, nullptr);
        ClearFakeLog();
        EXPECT_EQ(sdk::KeyIterRewind(iter, row.kind), 0);
        EXPECT_EQ(FakeLog(), row.rewind);
    }
    ClearFakeLog();
    for (int kind : {0, 3, 16, -1}) {
        PGPKeyDBObjRef obj = kObj;
        EXPECT_EQ(sdk::KeyIterNext(iter, kind, &obj), -11978) << kind;
        EXPECT_EQ(obj, nullptr);
        EXPECT_EQ(sdk::KeyIterRewind(iter, kind), -11978) << kind;
    }
    EXPECT_EQ(FakeLog(), "");
}

TEST_F(Adapters65, KeyCallsTakeTheOlderForms) {
    auto other = reinterpret_cast<PGPKeySetRef>(0x99);
    EXPECT_EQ(sdk::RemoveKeys(kSet, other), 0);
    EXPECT_EQ(FakeLog(), "PGPRemoveKeys(153);");

    ClearFakeLog();
    PGPKeyID id{};
    PGPKeyDBObjRef key = nullptr;
    EXPECT_EQ(sdk::FindKeyByKeyID(kSet, &id, &key), 0);
    EXPECT_EQ(FakeLog(), "PGPGetKeyByKeyID(32);");
    EXPECT_EQ(key, reinterpret_cast<PGPKeyDBObjRef>(0x65));

    ClearFakeLog();
    EXPECT_EQ(sdk::NewKeyIDFromString("0x12345678", 1, &id), 0);
    EXPECT_EQ(FakeLog(), "PGPGetKeyIDFromString(0x12345678);");

    ClearFakeLog();
    EXPECT_EQ(sdk::GetKeyID(kObj, &id), 0);
    EXPECT_EQ(sdk::GetCertifierKeyID(kObj, &id), 0);
    EXPECT_EQ(FakeLog(), "PGPGetKeyIDFromKey;PGPGetKeyIDOfCertifier;");

    ClearFakeLog();
    char name[32] = {};
    PGPSize length = 0;
    EXPECT_EQ(sdk::GetPrimaryUserIDName(kObj, name, sizeof name, &length), 0);
    EXPECT_STREQ(name, "Release Six");
    EXPECT_EQ(length, 11u);
    EXPECT_EQ(FakeLog(), "PGPGetPrimaryUserIDNameBuffer(32);");

    ClearFakeLog();
    EXPECT_EQ(sdk::GetIndexedRevocationKey(kObj, kSet, 3, &key, &id), 0);
    EXPECT_EQ(FakeLog(), "PGPGetIndexedRevocationKey(32,3);");
    EXPECT_EQ(key, reinterpret_cast<PGPKeyDBObjRef>(0x6E));

    ClearFakeLog();
    EXPECT_EQ(sdk::KeySourceOption(kContext, kSet), reinterpret_cast<PGPOptionListRef>(0x65));
    EXPECT_EQ(FakeLog(), "PGPOKeySetRef(32);");
}

TEST_F(Adapters65, ClientLibraryPlainNames) {
    EXPECT_EQ(sdk::ClientInitLibrary(kContext), 0);
    EXPECT_EQ(sdk::NotifyKeyringChanges(1234), 0);
    EXPECT_EQ(sdk::ClientCloseLibrary(), 0);
    EXPECT_EQ(FakeLog(), "PGPclInitLibrary;PGPclNotifyKeyringChanges(1234);PGPclCloseLibrary;");
}

TEST_F(Adapters65, KeyServerListIsReadFromOpenedClientPreferences) {
    std::vector<std::uint8_t> data;
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefKeyServerList, data), 0);
    ASSERT_EQ(data.size(), 1448u);
    EXPECT_EQ(sdk::KeyServerEntryCount(data.size()), 2u);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[724], 2);
    EXPECT_EQ(FakeLog(), "PGPclOpenClientPrefs;GetPrefData(193,604);PGPclCloseClientPrefs(0);");

    ClearFakeLog();
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, data), 0);
    EXPECT_EQ(FakeLog(), "PGPclOpenClientPrefs;SetPrefData(193,6041448);PGPclCloseClientPrefs(1);");
}

TEST_F(Adapters7, CallsPassTheirArgumentsUnchanged) {
    PGPBoolean b = 0;
    PGPInt32 n = 0;
    PGPTime t = 0;
    char buf[8];
    PGPSize len = 0;
    // Codes release 6.5 lacks are the engine's business with release 7.
    EXPECT_EQ(sdk::GetBooleanProperty(kObj, 113, &b), 0);
    EXPECT_EQ(sdk::GetNumericProperty(kObj, 208, &n), 0);
    EXPECT_EQ(sdk::GetTimeProperty(kObj, 301, &t), 0);
    EXPECT_EQ(sdk::GetDataProperty(kObj, 402, buf, sizeof buf, &len), 0);
    EXPECT_EQ(FakeLog(),
              "PGPGetKeyDBObjBooleanProperty(113);PGPGetKeyDBObjNumericProperty(208);"
              "PGPGetKeyDBObjTimeProperty(301);PGPGetKeyDBObjDataProperty(402,8);");
    EXPECT_EQ(n, 209);

    ClearFakeLog();
    PGPKeyListRef list = nullptr;
    EXPECT_EQ(sdk::OrderKeySet(kSet, 3, true, &list), 0);
    PGPKeyDBObjRef obj = nullptr;
    EXPECT_EQ(sdk::KeyIterNext(reinterpret_cast<PGPKeyIterRef>(1), 4, &obj), 0);
    EXPECT_EQ(sdk::KeyIterRewind(reinterpret_cast<PGPKeyIterRef>(1), 8), 0);
    EXPECT_EQ(sdk::RemoveKeys(kSet, reinterpret_cast<PGPKeySetRef>(0x99)), 0);
    EXPECT_EQ(FakeLog(), "PGPOrderKeySet(3,1);PGPKeyIterNextKeyDBObj(4);PGPKeyIterRewind(8);PGPDeleteKeys;");

    ClearFakeLog();
    PGPFilterRef filter = nullptr;
    EXPECT_EQ(sdk::NewBooleanFilter(kContext, 100, false, &filter), 0);
    EXPECT_EQ(sdk::NewNumericFilter(kContext, 208, 3, kPGPMatchGreaterOrEqual, &filter), 0);
    EXPECT_EQ(sdk::NewDataFilter(kContext, 1200, "bob", 3, kPGPMatchSubString, &filter), 0);
    EXPECT_EQ(FakeLog(),
              "PGPNewKeyDBObjBooleanFilter(100,0);PGPNewKeyDBObjNumericFilter(208,33);"
              "PGPNewKeyDBObjDataFilter(1200,34);");
}

TEST_F(Adapters7, KeysAreFoundInTheSetsKeyDatabase) {
    PGPKeyID id{};
    PGPKeyDBObjRef key = nullptr;
    EXPECT_EQ(sdk::FindKeyByKeyID(kSet, &id, &key), 0);
    EXPECT_EQ(FakeLog(), "PGPFindKeyByKeyID(1824);");  // 0x20 + 0x700
    ClearFakeLog();
    EXPECT_EQ(sdk::KeySourceOption(kContext, kSet), reinterpret_cast<PGPOptionListRef>(0x7));
    EXPECT_EQ(FakeLog(), "PGPOKeyDBRef(1824);");
    ClearFakeLog();
    EXPECT_EQ(sdk::NewKeyIDFromString("0x1234567890ABCDEF", 0, &id), 0);
    EXPECT_EQ(FakeLog(), "PGPNewKeyIDFromString(0x1234567890ABCDEF,0);");
    ClearFakeLog();
    char name[32] = {};
    PGPSize length = 0;
    EXPECT_EQ(sdk::GetPrimaryUserIDName(kObj, name, sizeof name, &length), 0);
    EXPECT_STREQ(name, "Release Seven");
    ClearFakeLog();
    EXPECT_EQ(sdk::GetIndexedRevocationKey(kObj, kSet, 5, &key, &id), 0);
    EXPECT_EQ(FakeLog(), "PGPGetIndexedRevocationKey(5);");
}

TEST_F(Adapters7, ClientLibraryDecoratedNamesWithTheirExtraArguments) {
    EXPECT_EQ(sdk::ClientInitLibrary(kContext), 0);
    EXPECT_EQ(sdk::NotifyKeyringChanges(4321), 0);
    EXPECT_EQ(sdk::ClientCloseLibrary(), 0);
    EXPECT_EQ(FakeLog(), "PGPclInitLibrary7(0);PGPclNotifyKeyringChanges7(0,4321);PGPclCloseLibrary7;");

    ClearFakeLog();
    std::vector<std::uint8_t> data;
    ASSERT_EQ(sdk::GetClientPrefData(kPGPPrefKeyServerList, data), 0);
    EXPECT_EQ(sdk::KeyServerEntryCount(data.size()), 2u);
    ASSERT_EQ(sdk::SetClientPrefData(kPGPPrefKeyServerList, data), 0);
    EXPECT_EQ(FakeLog(), "GetPrefData(193,604);SetPrefData(193,6041448);FlushClientLibPrefs(193,173);");
}

TEST_F(Adapters7, EntryPointsTheEngineLacksAnswerEngineNotLoaded) {
    PGPFilterRef filter = reinterpret_cast<PGPFilterRef>(1);
    EXPECT_EQ(sdk::NewTimeFilter(kContext, 300, 0, kPGPMatchEqual, &filter), -11977);
    PGPKeyID id{};
    EXPECT_EQ(sdk::GetKeyID(kObj, &id), -11977);
    bool marginal = true;
    EXPECT_EQ(sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, marginal), -11977);
    EXPECT_FALSE(marginal);
}

}  // namespace
