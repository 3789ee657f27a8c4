// The loader in this process, over fake engine libraries assembled in
// temporary directories: load order and fallbacks, the fatal conditions and
// their box, release detection, binding by release, version text, unloading.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "tests/engine/loader_test_support.h"

using namespace orv::test;
namespace loader = orv::loader;
using orv::sdk::Sdk;

namespace {

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ClearFakeLog(); }
    void TearDown() override {
        loader::Unload();
        ClearFakeLog();
    }
};

TEST(LoaderFatalTexts, AreTheSixMessagesOfTheFatalConditions) {
    const struct {
        int code;
        const char* text;
    } rows[] = {
        {1, "PGP Software Development Kit Core Library not found"},
        {2, "PGP Software Development Kit Networking Library not found"},
        {3, "PGP Software Development Kit User Interface Library not found"},
        {4, "PGP Client Library not found"},
        {5, "PGP Cryptographic Support Library not found"},
        {6, "Wrong PGP version: 6.5.X or 7.X.X required"},
    };
    for (const auto& row : rows) EXPECT_STREQ(loader::FatalText(row.code), row.text) << row.code;
    EXPECT_STREQ(loader::FatalText(0), "");
    EXPECT_STREQ(loader::FatalText(7), "");
}

TEST_F(LoaderTest, FallbackNamesAloneLoadRelease7InFull) {
    EngineDir dir("r7", Release7Files());  // "PGP_SDK.dll" and "PGPcl.dll", not the first names
    ASSERT_TRUE(loader::Load(loader::Scope::Full));
    EXPECT_EQ(loader::FatalCode(), 0);
    EXPECT_TRUE(loader::IsSDK7());
    EXPECT_EQ(loader::KeyIDFormatShort(), 1);
    EXPECT_EQ(loader::KeyIDFormatFull(), 2);
    EXPECT_EQ(loader::KeyIDSize(), 36u);
    EXPECT_STREQ(loader::VersionText(), "PGPsdk 7.0 fake");
    EXPECT_EQ(FakeLog(), "PGPsdkInit(0);version;PGPsdkNetworkLibInit(0);PGPsdkUILibInit(0);");

    auto& t = Sdk();
    // Names of release 7 are bound, those of release 6.5 left empty even
    // where the library has them.
    EXPECT_NE(t.PGPOKeyDBRef, nullptr);
    EXPECT_NE(t.PGPOEncryptToKeyDBObj, nullptr);
    EXPECT_NE(t.PGPOKeyFlags, nullptr);
    EXPECT_EQ(t.PGPOKeySetRef, nullptr);
    EXPECT_EQ(t.PGPOEncryptToKey, nullptr);
    EXPECT_EQ(t.PGPOpenKeyRingPair, nullptr);
    EXPECT_EQ(t.PGPGetSDKString, nullptr);
    EXPECT_NE(t.PGPEncode, nullptr);
    EXPECT_NE(t.PGPOLastOption, nullptr);
    EXPECT_NE(t.PGPsdkLoadDefaultPrefs, nullptr);
    EXPECT_NE(t.PGPNewTLSContext, nullptr);
    EXPECT_NE(t.PGPONetURL, nullptr);  // key-server family from the networking library
    EXPECT_NE(t.PGPOUIWindowTitle, nullptr);
    EXPECT_NE(t.PGPclInitLibrary7, nullptr);  // "_PGPclInitLibrary@8"
    EXPECT_EQ(t.PGPclInitLibrary, nullptr);
    EXPECT_NE(t.PGPscSendPGPlogMsg, nullptr);
    EXPECT_NE(t.PGPscPGPpath, nullptr);
    EXPECT_EQ(t.PGPscTempestViewer, nullptr);  // missing names stay empty

    ClearFakeLog();
    loader::Unload();
    EXPECT_EQ(FakeLog(),
              "PGPsdkUILibCleanup;PGPsdkNetworkLibCleanup;PGPsdkCleanup;"
              "free:PGPsc;free:PGPcl;free:PGPsdkUI;free:PGPsdkNL;free:PGP_SDK;");
    EXPECT_EQ(Sdk().PGPEncode, nullptr);
}

TEST_F(LoaderTest, Release65BindsItsOwnFamiliesIntoTheSharedSlots) {
    EngineDir dir("r65", Release65Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Full));
    EXPECT_FALSE(loader::IsSDK7());
    EXPECT_EQ(loader::KeyIDFormatShort(), 2);
    EXPECT_EQ(loader::KeyIDFormatFull(), 3);
    EXPECT_EQ(loader::KeyIDSize(), 34u);
    EXPECT_STREQ(loader::VersionText(), "PGPsdk 6.5 fake");

    auto& t = Sdk();
    EXPECT_NE(t.PGPOKeySetRef, nullptr);
    EXPECT_NE(t.PGPOEncryptToKey, nullptr);
    EXPECT_EQ(t.PGPOKeyDBRef, nullptr);
    EXPECT_EQ(t.PGPOEncryptToKeyDBObj, nullptr);
    EXPECT_EQ(t.PGPOKeyFlags, nullptr);
    EXPECT_NE(t.PGPOpenKeyRingPair, nullptr);
    EXPECT_EQ(t.PGPOpenKeyDBFile, nullptr);
    EXPECT_EQ(t.PGPGetPGPsdkVersionString, nullptr);
    EXPECT_NE(t.PGPclInitLibrary, nullptr);
    EXPECT_EQ(t.PGPclInitLibrary7, nullptr);
    // "SendPGPlogMsg" and "PGPpath" land in the slots of the release 7 names.
    ASSERT_NE(t.PGPscSendPGPlogMsg, nullptr);
    ClearFakeLog();
    EXPECT_EQ(t.PGPscSendPGPlogMsg(nullptr, "hello"), 0);
    EXPECT_EQ(FakeLog(), "log:hello;");
    char path[64] = {};
    ASSERT_NE(t.PGPscPGPpath, nullptr);
    EXPECT_EQ(t.PGPscPGPpath(path, sizeof path), 0);
    EXPECT_STREQ(path, "C:\\PGP65\\");
}

TEST_F(LoaderTest, CoreScopeStartsOnlyTheCoreAndCleansOnlyIt) {
    EngineDir dir("r7", Release7Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Core));
    EXPECT_EQ(FakeLog(), "PGPsdkInit(0);version;");
    EXPECT_STREQ(loader::VersionText(), "PGPsdk 7.0 fake");
    EXPECT_EQ(Sdk().PGPEncode, nullptr);
    EXPECT_EQ(Sdk().PGPsdkNetworkLibInit, nullptr);
    ClearFakeLog();
    loader::Unload();
    EXPECT_EQ(FakeLog(), "PGPsdkCleanup;free:PGPsc;free:PGPcl;free:PGPsdkUI;free:PGPsdkNL;free:PGP_SDK;");
}

TEST_F(LoaderTest, LoadsOnceUntilUnloaded) {
    EngineDir dir("r7", Release7Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Core));
    ASSERT_TRUE(loader::Load(loader::Scope::Core));
    EXPECT_EQ(FakeLog(), "PGPsdkInit(0);version;");
}

TEST_F(LoaderTest, FailedVersionTextBecomesNAWithZerosBehind) {
    ScopedEnv failing("ORV_FAKE_VERSION_TEXT_ERROR", "-11999");
    EngineDir dir("r7", Release7Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Core));
    const char* text = loader::VersionText();
    EXPECT_STREQ(text, "N/A");
    // Nothing of what the failed call wrote may survive behind the text.
    for (size_t i = 3; i < loader::kVersionTextSize; ++i) ASSERT_EQ(text[i], '\0') << i;
}

// Each missing library stops with its message, after the libraries before it
// were loaded, and no later step runs.
TEST_F(LoaderTest, MissingLibraryStopsWithItsMessage) {
    const struct {
        const char* missing;  // release 7 file left out
        int code;
        const char* loadedBefore;  // still loaded when the box has been answered
    } rows[] = {
        {"PGPsdkNL.dll", 2, "PGP_SDK.dll"},
        {"PGPsdkUI.dll", 3, "PGPsdkNL.dll"},
        {"PGPcl.dll", 4, "PGPsdkUI.dll"},
        {"PGPsc.dll", 5, "PGPcl.dll"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.missing);
        ClearFakeLog();
        EngineDir dir("r7", Without(Release7Files(), row.missing));
        FatalBoxWatch box;
        box.script.Start();
        EXPECT_FALSE(loader::Load(loader::Scope::Full));
        ASSERT_TRUE(box.script.Finish()) << box.script.Failure();
        auto seen = box.script.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].owner, nullptr);
        EXPECT_TRUE(box.errorIcon);
        ASSERT_FALSE(seen[0].texts.empty());
        EXPECT_EQ(seen[0].texts.back(), loader::FatalText(row.code));
        EXPECT_EQ(loader::FatalCode(), row.code);
        EXPECT_NE(GetModuleHandleA(row.loadedBefore), nullptr);
        EXPECT_EQ(FakeLog(), "");  // not even PGPsdkInit
        EXPECT_EQ(Sdk().PGPsdkInit, nullptr);

        ClearFakeLog();
        loader::Unload();
        EXPECT_EQ(FakeLog().find("PGPsdkCleanup"), std::string::npos);
        EXPECT_NE(FakeLog().find("free:PGP_SDK;"), std::string::npos);
        EXPECT_EQ(GetModuleHandleA("PGP_SDK.dll"), nullptr);
        EXPECT_EQ(loader::FatalCode(), 0);
    }
}

TEST_F(LoaderTest, NoCoreLibraryIsFatal1) {
    EngineDir dir("r7", {});
    FatalBoxWatch box;
    box.script.Start();
    EXPECT_FALSE(loader::Load(loader::Scope::Core));
    ASSERT_TRUE(box.script.Finish()) << box.script.Failure();
    ASSERT_EQ(box.script.Seen().size(), 1u);
    EXPECT_EQ(box.script.Seen()[0].texts.back(), "PGP Software Development Kit Core Library not found");
    EXPECT_EQ(loader::FatalCode(), 1);
}

// Release by the version function: its return value decides release 7 (signed,
// 0x02000000 or more) whatever it writes; otherwise the out value must be at
// least 0x03002000 (signed).
TEST_F(LoaderTest, VersionDecidesTheRelease) {
    const struct {
        const char* result;
        const char* out;
        int fatal;
        bool sdk7;
    } rows[] = {
        {"0x02000000", "0", 0, true},
        {"0x7FFFFFFF", "0x01000000", 0, true},
        {"0x02000000", "0xFFFFFFFF", 0, true},
        {"0x01FFFFFF", "0x03002000", 0, false},
        {"0x01FFFFFF", "0x7FFFFFFF", 0, false},
        {"0x80000000", "0x03002000", 0, false},  // negative return: not release 7
        {"0x01FFFFFF", "0x03001FFF", 6, false},
        {"0", "0x80000000", 6, false},  // negative out value is below the minimum
        {"0", "0", 6, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.result) + " / " + row.out);
        ClearFakeLog();
        ScopedEnv result("ORV_FAKE_VERSION_RESULT", row.result);
        ScopedEnv out("ORV_FAKE_VERSION_OUT", row.out);
        EngineDir dir("r65", Release65Files());
        FatalBoxWatch box;
        if (row.fatal) box.script.Start();
        const bool loaded = loader::Load(loader::Scope::Full);
        if (row.fatal) {
            ASSERT_TRUE(box.script.Finish()) << box.script.Failure();
            ASSERT_EQ(box.script.Seen().size(), 1u);
            EXPECT_EQ(box.script.Seen()[0].texts.back(), "Wrong PGP version: 6.5.X or 7.X.X required");
            // Started, then stopped: the version text and later steps never ran.
            EXPECT_EQ(FakeLog(), "PGPsdkInit(0);version;");
            EXPECT_STREQ(loader::VersionText(), "");
        }
        EXPECT_EQ(loaded, row.fatal == 0);
        EXPECT_EQ(loader::FatalCode(), row.fatal);
        EXPECT_EQ(loader::IsSDK7(), row.sdk7);
        ClearFakeLog();
        loader::Unload();
        // The engine was started, so it is cleaned up even after fatal 6.
        EXPECT_NE(FakeLog().find("PGPsdkCleanup;"), std::string::npos) << FakeLog();
    }
}

TEST_F(LoaderTest, PGPGetPGPsdkVersionServesWhenPGPGetSDKVersionIsMissing) {
    // The release 7 fake exports only the second name.
    EngineDir dir("r7", Release7Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Core));
    EXPECT_NE(FakeLog().find("version;"), std::string::npos);
    EXPECT_TRUE(loader::IsSDK7());
}

std::string g_hookLog;
TEST_F(LoaderTest, EngineObjectsAreMadeAfterTheKeyStepsAndFreedBeforeTheEngineStops) {
    loader::EngineObjectHooks hooks;
    hooks.createKeyRings = [] {
        g_hookLog = FakeLog() + (Sdk().PGPclInitLibrary7 ? "client bound," : "client unbound,") +
                    (Sdk().PGPsdkLoadDefaultPrefs ? "prefs bound|" : "prefs unbound|");
        ClearFakeLog();
    };
    hooks.createPrefsFile = [] { g_hookLog += Sdk().PGPsdkLoadDefaultPrefs ? "prefs bound|" : "prefs unbound|"; };
    hooks.freePrefsFile = [] { g_hookLog += "freePrefs:" + FakeLog() + "|"; };
    hooks.freeKeyRings = [] { g_hookLog += "freeRings|"; };
    loader::SetEngineObjectHooks(hooks);
    {
        EngineDir dir("r7", Release7Files());
        ASSERT_TRUE(loader::Load(loader::Scope::Full));
        EXPECT_EQ(FakeLog(), "PGPsdkUILibInit(0);");  // the user-interface step follows them
        ClearFakeLog();
        loader::Unload();
        EXPECT_EQ(g_hookLog,
                  "PGPsdkInit(0);version;PGPsdkNetworkLibInit(0);client bound,prefs unbound|"
                  "prefs bound|freePrefs:PGPsdkUILibCleanup;|freeRings|");
        EXPECT_EQ(FakeLog().rfind("PGPsdkUILibCleanup;PGPsdkNetworkLibCleanup;", 0), 0u);
    }
    loader::SetEngineObjectHooks({});
}

TEST_F(LoaderTest, EmptySlotAnswersEngineNotLoaded) {
    EngineDir dir("r7", Release7Files());
    ASSERT_TRUE(loader::Load(loader::Scope::Full));
    ASSERT_EQ(Sdk().PGPNewContext, nullptr);  // the fake lacks it
    PGPContextRef context = nullptr;
    EXPECT_EQ(orv::sdk::Call(Sdk().PGPNewContext, kPGPsdkAPIVersion, &context), -11977);
    EXPECT_EQ(orv::sdk::Call(Sdk().PGPsdkLoadDefaultPrefs, context), 0);
}

}  // namespace
