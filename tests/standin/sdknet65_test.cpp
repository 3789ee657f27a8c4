// The release 6.5 flavour of the networking library over the release 6.5
// core: key-server queries answer with key sets, and key IDs are 34 bytes;
// searched against the real SKS server on loopback.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// The front-end's declarations first: the stand-in's header below uses them.
#include "engine/pgpsdk.h"
#include "standin/sdknet/net_api.h"
#include "tests/standin/sdknet_support.h"

namespace {

using namespace orv::test;

template <class Fn>
Fn Bind(HMODULE m, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}
#define BIND(m, name) Bind<PFN_##name>(m, #name)

class KeyServer65Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetDllDirectoryA("sdk65");
        core_ = LoadLibraryA("PGPSDK.dll");
        net_ = LoadLibraryA("PGPsdkNL.dll");
        SetDllDirectoryA(nullptr);
        sks_ = new SksServer;
    }
    static void TearDownTestSuite() { delete sks_; }

    void SetUp() override {
        ASSERT_NE(core_, nullptr);
        ASSERT_NE(net_, nullptr);
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
        ASSERT_EQ(BIND(core_, PGPsdkInit)(0), 0);
        ASSERT_EQ(BIND(net_, PGPsdkNetworkLibInit)(0), 0);
        ASSERT_EQ(BIND(core_, PGPNewContext)(kPGPsdkAPIVersion, &ctx), 0);
        ASSERT_EQ(BIND(net_, PGPKeyServerInit)(), 0);
        ASSERT_EQ(BIND(net_, PGPNewKeyServer)(ctx, &server, BIND(net_, PGPONetURL)(ctx, sks_->Url().c_str()),
                                              BIND(core_, PGPOLastOption)(ctx)),
                  0);
    }
    void TearDown() override {
        if (server) BIND(net_, PGPFreeKeyServer)(server);
        BIND(net_, PGPKeyServerCleanup)();
        BIND(net_, PGPsdkNetworkLibCleanup)();
        if (ctx) BIND(core_, PGPFreeContext)(ctx);
        BIND(core_, PGPsdkCleanup)();
    }

    // The primary user IDs of the keys found, sorted; or the error.
    std::vector<std::string> Query(PGPFilterRef filter) {
        auto query = Bind<PFN65_PGPQueryKeyServer>(net_, "PGPQueryKeyServer");
        EXPECT_EQ(BIND(net_, PGPKeyServerOpen)(server, nullptr), 0);
        PGPKeySetRef found = nullptr;
        const PGPError err = query(server, filter, &found);
        EXPECT_EQ(BIND(net_, PGPKeyServerClose)(server), 0);
        BIND(core_, PGPFreeFilter)(filter);
        if (err) return {std::to_string(err)};
        std::vector<std::string> names;
        PGPKeyListRef list = nullptr;
        PGPKeyIterRef iter = nullptr;
        EXPECT_EQ(Bind<PFN65_PGPOrderKeySet>(core_, "PGPOrderKeySet")(found, kPGPKeyOrdering_UserID, &list), 0);
        EXPECT_EQ(BIND(core_, PGPNewKeyIter)(list, &iter), 0);
        PGPKeyRef key = nullptr;
        while (BIND(core_, PGPKeyIterNext)(iter, &key) == 0 && key) {
            char name[256] = {};
            PGPSize len = 0;
            BIND(core_, PGPGetPrimaryUserIDNameBuffer)(key, sizeof name, name, &len);
            PGPKeyID id{};
            BIND(core_, PGPGetKeyIDFromKey)(key, &id);
            char idText[kPGPMaxKeyIDStringSize] = {};
            BIND(core_, PGPGetKeyIDString)(&id, kPGPKeyIDString65_Full, idText);
            names.push_back(std::string(name) + " " + idText);
            key = nullptr;
        }
        BIND(core_, PGPFreeKeyIter)(iter);
        BIND(core_, PGPFreeKeyList)(list);
        BIND(core_, PGPFreeKeySet)(found);
        std::sort(names.begin(), names.end());
        return names;
    }

    PGPContextRef ctx = nullptr;
    PGPKeyServerRef server = nullptr;
    static inline HMODULE core_ = nullptr;
    static inline HMODULE net_ = nullptr;
    static inline SksServer* sks_ = nullptr;
};

TEST_F(KeyServer65Test, KeyIDAndUserIDSearchesAnswerWithKeySets) {
    PGPKeyID dave{};
    ASSERT_EQ(BIND(core_, PGPGetKeyIDFromString)("0xD0D50EED59F5C778", &dave), 0);
    PGPFilterRef byID = nullptr;
    ASSERT_EQ(BIND(core_, PGPNewKeyIDFilter)(ctx, &dave, &byID), 0);
    EXPECT_EQ(Query(byID), std::vector<std::string>{"dave <dave@example.org> 0xD0D50EED59F5C778"});

    PGPFilterRef byName = nullptr;
    ASSERT_EQ(BIND(core_, PGPNewUserIDStringFilter)(ctx, "carol", kPGPMatchSubString, &byName), 0);
    EXPECT_EQ(Query(byName), std::vector<std::string>{"carol <carol@example.org> 0x6533671D0C89AF89"});

    PGPFilterRef nobody = nullptr;
    ASSERT_EQ(BIND(core_, PGPNewUserIDStringFilter)(ctx, "nobody-at-all", kPGPMatchSubString, &nobody), 0);
    EXPECT_TRUE(Query(nobody).empty());
}

}  // namespace
