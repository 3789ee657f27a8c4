// The stand-in's networking library "PGPsdkNL.dll" over the stand-in core:
// HKP texts, key-server searches against a real SKS server on loopback (bob,
// carol and dave on it), servers that are down, silent or hostile, and the
// key-server search dialog of the user-interface library driven by the UI
// robot.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// The front-end's declarations first: the stand-in's headers below use them.
#include "engine/pgpsdk.h"
#include "standin/sdknet/hkp.h"
#include "standin/sdknet/net_api.h"
#include "standin/sdknet/search_dialog_ids.h"
#include "tests/standin/sdk_bind.h"
#include "tests/standin/sdknet_support.h"
#include "tests/support/ui_robot.h"

namespace {

using namespace orv::test;

// ---- HKP texts ---------------------------------------------------------------

TEST(HkpAddress, AddressesOfTheKeyServerList) {
    struct Row {
        const char* url;
        PGPError error;
        PGPKeyServerProtocol protocol;
        const char* host;
        int port;
        const char* path;
    } rows[] = {
        {"http://127.0.0.1:11371", 0, kPGPKeyServerProtocol_HTTP, "127.0.0.1", 11371, "/pks/lookup"},
        {"http://keys.example.org", 0, kPGPKeyServerProtocol_HTTP, "keys.example.org", 11371, "/pks/lookup"},
        {"HKP://keys.example.org:80/", 0, kPGPKeyServerProtocol_HTTP, "keys.example.org", 80, "/pks/lookup"},
        {"http://h:8080/other/lookup", 0, kPGPKeyServerProtocol_HTTP, "h", 8080, "/other/lookup"},
        {"https://keys.example.org", 0, kPGPKeyServerProtocol_HTTPS, "keys.example.org", 443, "/pks/lookup"},
        {"ldap://certserver.example.org", 0, kPGPKeyServerProtocol_LDAP, "certserver.example.org", 389, "/pks/lookup"},
        {"ldaps://h:1636", 0, kPGPKeyServerProtocol_LDAPS, "h", 1636, "/pks/lookup"},
        {"ftp://h", kPGPError_ServerUnknownProtocol, 0, "", 0, ""},
        {"keys.example.org", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h:0", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h:65536", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h:12a", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h:", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://a b:1", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h/pks/lookup?op=x", kPGPError_ServerBadAddress, 0, "", 0, ""},
        {"http://h\r\nHost: evil:1", kPGPError_ServerBadAddress, 0, "", 0, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.url);
        orvnet::ServerAddress a;
        ASSERT_EQ(orvnet::ParseServerAddress(r.url, a), r.error);
        if (r.error) continue;
        EXPECT_EQ(a.protocol, r.protocol);
        EXPECT_EQ(a.host, r.host);
        EXPECT_EQ(a.port, r.port);
        EXPECT_EQ(a.path, r.path);
    }
}

TEST(HkpText, RequestsIndexAndAnswers) {
    EXPECT_EQ(orvnet::IndexRequest("/pks/lookup", "dave@example.org"),
              "/pks/lookup?op=index&options=mr&search=dave%40example.org");
    EXPECT_EQ(orvnet::IndexRequest("/pks/lookup", "a b&op=get#\xE9"),
              "/pks/lookup?op=index&options=mr&search=a%20b%26op%3Dget%23%E9");
    EXPECT_EQ(orvnet::GetRequest("/pks/lookup", "D0D50EED59F5C778"),
              "/pks/lookup?op=get&options=mr&search=0xD0D50EED59F5C778");

    const std::string index =
        "info:1:4\r\n"
        "pub:0A935CEA94C4307453188D8AD0D50EED59F5C778:1:2048:1796691932::\r\n"
        "uid:dave <dave@example.org>:1796691932::\r\n"
        "pub:0x6533671d0c89af89:17:2048:1796691929::\n"
        "pub:0A935CEA94C4307453188D8AD0D50EED59F5C778:1:2048:1796691932::\n"
        "pub:NOTHEX:1:2048::\n"
        "pub:12345:1:2048::\n"
        "pub:D91F7A27B2A16278";
    EXPECT_EQ(orvnet::ParseIndexKeys(index),
              (std::vector<std::string>{"0A935CEA94C4307453188D8AD0D50EED59F5C778", "6533671D0C89AF89",
                                        "D91F7A27B2A16278"}));
    EXPECT_TRUE(orvnet::ParseIndexKeys("<html>No keys</html>").empty());

    orvnet::HttpResponse r;
    ASSERT_TRUE(orvnet::ParseHttpResponse("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nab", r));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "ab");
    ASSERT_TRUE(orvnet::ParseHttpResponse("HTTP/1.1 404 Not found\n\n", r));
    EXPECT_EQ(r.status, 404);
    EXPECT_TRUE(r.body.empty());
    EXPECT_FALSE(orvnet::ParseHttpResponse("SSH-2.0-OpenSSH\r\n", r));
    EXPECT_FALSE(orvnet::ParseHttpResponse("HTTP/1.0 2x0 OK\r\n\r\n", r));
    EXPECT_FALSE(orvnet::ParseHttpResponse("HTTP/1.0 200 OK\r\nno end of head", r));
    EXPECT_FALSE(orvnet::ParseHttpResponse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", r));
}

// ---- The library over the core ---------------------------------------------------

#define ORV_NET_FUNCTIONS(X)                                                                                   \
    X(PGPsdkNetworkLibInit) X(PGPsdkNetworkLibCleanup) X(PGPNewTLSContext) X(PGPFreeTLSContext)                 \
    X(PGPNewTLSSession) X(PGPFreeTLSSession) X(PGPCopyTLSSession) X(PGPtlsHandshake) X(PGPtlsSend)              \
    X(PGPtlsGetState) X(PGPONetURL) X(PGPONetHostName) X(PGPONetHostAddress) X(PGPOKeyServerProtocol)           \
    X(PGPOKeyServerSearchFilter) X(PGPKeyServerInit) X(PGPKeyServerCleanup) X(PGPKeyServerCreateThreadStorage) \
    X(PGPKeyServerDisposeThreadStorage) X(PGPSetKeyServerIdleEventHandler) X(PGPGetKeyServerIdleEventHandler)   \
    X(PGPNewKeyServer) X(PGPFreeKeyServer) X(PGPIncKeyServerRefCount) X(PGPSetKeyServerEventHandler)           \
    X(PGPCancelKeyServerCall) X(PGPKeyServerOpen) X(PGPKeyServerClose) X(PGPQueryKeyServer)                     \
    X(PGPGetKeyServerProtocol) X(PGPGetKeyServerPort) X(PGPGetKeyServerHostName) X(PGPGetKeyServerAddress)      \
    X(PGPGetKeyServerPath) X(PGPGetKeyServerContext) X(PGPGetLastKeyServerErrorString) X(PGPUploadToKeyServer)

struct Net {
    HMODULE module = nullptr;
#define ORV_NET_FIELD(n) PFN_##n n = nullptr;
    ORV_NET_FUNCTIONS(ORV_NET_FIELD)
#undef ORV_NET_FIELD
    std::vector<std::string> missing;
    Net() {
        module = LoadLibraryA("sdk7\\PGPsdkNL.dll");
        if (!module) return;
#define ORV_NET_BIND(n)                                                                         \
    n = reinterpret_cast<PFN_##n>(reinterpret_cast<void (*)()>(GetProcAddress(module, #n))); \
    if (!n) missing.push_back(#n);
        ORV_NET_FUNCTIONS(ORV_NET_BIND)
#undef ORV_NET_BIND
    }
};

// The search dialog of the user-interface library.
struct Ui {
    HMODULE module = LoadLibraryA("sdk7\\PGPsdkUI.dll");
    PFN_PGPSearchKeyServerDialog search = module ? reinterpret_cast<PFN_PGPSearchKeyServerDialog>(
                                                       reinterpret_cast<void (*)()>(GetProcAddress(module, "PGPSearchKeyServerDialog")))
                                                 : nullptr;
    PFN_PGPOUIParentWindowHandle parent =
        module ? reinterpret_cast<PFN_PGPOUIParentWindowHandle>(
                     reinterpret_cast<void (*)()>(GetProcAddress(module, "PGPOUIParentWindowHandle")))
               : nullptr;
    PFN_PGPOUIKeyServerSearchKeyIDList keyIDs =
        module ? reinterpret_cast<PFN_PGPOUIKeyServerSearchKeyIDList>(
                     reinterpret_cast<void (*)()>(GetProcAddress(module, "PGPOUIKeyServerSearchKeyIDList")))
               : nullptr;
    PFN_PGPSendToKeyServerDialog send =
        module ? reinterpret_cast<PFN_PGPSendToKeyServerDialog>(
                     reinterpret_cast<void (*)()>(GetProcAddress(module, "PGPSendToKeyServerDialog")))
               : nullptr;
};

class KeyServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sdk();  // the core first: the companions find it loaded
        net_ = new Net;
        ui_ = new Ui;
        sks_ = new SksServer;
        if (net_->PGPsdkNetworkLibInit) net_->PGPsdkNetworkLibInit(0);
    }
    static void TearDownTestSuite() {
        if (net_->PGPsdkNetworkLibCleanup) net_->PGPsdkNetworkLibCleanup();
        delete sks_;
        delete ui_;
        delete net_;
    }

    void SetUp() override {
        ASSERT_NE(sdk().module, nullptr);
        ASSERT_NE(net_->module, nullptr);
        ASSERT_TRUE(net_->missing.empty()) << net_->missing.front();
        ASSERT_EQ(sdk().PGPNewContext(kPGPsdkAPIVersion, &ctx), 0);
        ASSERT_EQ(N().PGPKeyServerInit(), 0);
    }
    void TearDown() override {
        for (auto* s : servers) N().PGPFreeKeyServer(s);
        for (auto* f : filters) sdk().PGPFreeFilter(f);
        for (auto* db : dbs) sdk().PGPFreeKeyDB(db);
        N().PGPKeyServerCleanup();
        if (ctx) sdk().PGPFreeContext(ctx);
    }

    static Net& N() { return *net_; }
    PGPOptionListRef Last() { return sdk().PGPOLastOption(ctx); }

    void RequireSks() {
        ASSERT_GT(sks_->Port(), 0) << sks_->Failure();
    }

    PGPKeyServerRef Server(const std::string& url) {
        PGPKeyServerRef s = nullptr;
        EXPECT_EQ(N().PGPNewKeyServer(ctx, &s, N().PGPONetURL(ctx, url.c_str()), Last()), 0) << url;
        if (s) servers.push_back(s);
        return s;
    }

    // The key ID of the first key of a data file.
    PGPKeyID KeyIDOf(const std::string& file) {
        const std::string text = ReadDataFile(file);
        PGPKeyDBRef db = nullptr;
        EXPECT_EQ(sdk().PGPImport(ctx, &db, sdk().PGPOInputBuffer(ctx, text.data(), text.size()), Last()), 0);
        PGPKeyID id{};
        if (!db) return id;
        dbs.push_back(db);
        PGPKeyIterRef it = nullptr;
        sdk().PGPNewKeyIterFromKeySet(sdk().PGPPeekKeyDBRootKeySet(db), &it);
        PGPKeyDBObjRef key = nullptr;
        sdk().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &key);
        if (key) sdk().PGPGetKeyID(key, &id);
        sdk().PGPFreeKeyIter(it);
        return id;
    }
    std::string IDText(const PGPKeyID& id) {
        char text[kPGPMaxKeyIDStringSize] = {};
        sdk().PGPGetKeyIDString(&id, kPGPKeyIDString_Full, text);
        return text;
    }

    PGPFilterRef KeyIDFilter(const PGPKeyID& id) {
        PGPFilterRef f = nullptr;
        EXPECT_EQ(sdk().PGPNewKeyDBObjDataFilter(ctx, kPGPKeyProperty_KeyID, &id, kPGPKeyIDSize, kPGPMatchEqual, &f),
                  0);
        return f;
    }
    PGPFilterRef TextFilter(const std::string& text) {
        PGPFilterRef f = nullptr;
        EXPECT_EQ(sdk().PGPNewKeyDBObjDataFilter(ctx, kPGPUserIDProperty_Name, text.data(), text.size(),
                                                  kPGPMatchSubString, &f),
                  0);
        return f;
    }
    PGPFilterRef Keep(PGPFilterRef f) {
        filters.push_back(f);
        return f;
    }

    // Opens, queries and closes; the key-ID texts of the keys found, sorted.
    PGPError Query(PGPKeyServerRef server, PGPFilterRef filter, std::vector<std::string>* ids,
                   std::vector<std::string>* names = nullptr) {
        PGPError err = N().PGPKeyServerOpen(server, nullptr);
        if (err) return err;
        PGPKeyDBRef found = nullptr;
        err = N().PGPQueryKeyServer(server, filter, &found);
        EXPECT_EQ(N().PGPKeyServerClose(server), 0);
        if (err) {
            EXPECT_EQ(found, nullptr);
            return err;
        }
        EXPECT_NE(found, nullptr);
        if (!found) return -1;
        dbs.push_back(found);
        ListKeys(found, ids, names);
        return 0;
    }
    void ListKeys(PGPKeyDBRef db, std::vector<std::string>* ids, std::vector<std::string>* names = nullptr) {
        PGPKeyIterRef it = nullptr;
        sdk().PGPNewKeyIterFromKeySet(sdk().PGPPeekKeyDBRootKeySet(db), &it);
        PGPKeyDBObjRef key = nullptr;
        while (sdk().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &key) == 0 && key) {
            PGPKeyID id{};
            sdk().PGPGetKeyID(key, &id);
            if (ids) ids->push_back(IDText(id));
            char name[256] = {};
            PGPSize len = 0;
            sdk().PGPGetPrimaryUserIDName(key, name, sizeof name, &len);
            if (names) names->push_back(name);
            key = nullptr;
        }
        sdk().PGPFreeKeyIter(it);
        if (ids) std::sort(ids->begin(), ids->end());
        if (names) std::sort(names->begin(), names->end());
    }
    std::string LastError(PGPKeyServerRef server) {
        char* text = nullptr;
        EXPECT_EQ(N().PGPGetLastKeyServerErrorString(server, &text), 0);
        std::string s = text ? text : "";
        if (text) sdk().PGPFreeData(text);
        return s;
    }

    PGPContextRef ctx = nullptr;
    std::vector<PGPKeyServerRef> servers;
    std::vector<PGPFilterRef> filters;
    std::vector<PGPKeyDBRef> dbs;
    static Net* net_;
    static Ui* ui_;
    static SksServer* sks_;
};

Net* KeyServerTest::net_ = nullptr;
Ui* KeyServerTest::ui_ = nullptr;
SksServer* KeyServerTest::sks_ = nullptr;

TEST_F(KeyServerTest, KeyIDSearchFetchesDavesKeyFromTheServer) {
    RequireSks();
    const PGPKeyID dave = KeyIDOf("dave_pub.asc");
    std::vector<std::string> ids, names;
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(KeyIDFilter(dave)), &ids, &names), 0);
    EXPECT_EQ(ids, std::vector<std::string>{IDText(dave)});
    EXPECT_EQ(names, std::vector<std::string>{"dave <dave@example.org>"});
}

TEST_F(KeyServerTest, UserIDTextSearchFindsEveryMatchingKey) {
    RequireSks();
    std::vector<std::string> ids, names;
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(TextFilter("carol")), &ids, &names), 0);
    EXPECT_EQ(ids, std::vector<std::string>{IDText(KeyIDOf("carol_pub.asc"))});
    ids.clear();
    names.clear();
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(TextFilter("dave@example.org")), &ids, &names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"dave <dave@example.org>"});
    names.clear();
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(TextFilter("example.org")), nullptr, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"bob <bob@example.org>", "carol <carol@example.org>",
                                               "dave <dave@example.org>"}));
}

TEST_F(KeyServerTest, TheWholeFilterDecidesWhichFetchedKeysCount) {
    RequireSks();
    // Alternatives ask for both keys.
    PGPFilterRef either = nullptr;
    ASSERT_EQ(sdk().PGPUnionFilters(KeyIDFilter(KeyIDOf("bob_pub.asc")), KeyIDFilter(KeyIDOf("dave_pub.asc")), &either),
              0);
    std::vector<std::string> names;
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(either), nullptr, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"bob <bob@example.org>", "dave <dave@example.org>"}));
    // A condition the server cannot be asked (DSA keys only) is checked on
    // what comes back.
    PGPFilterRef dsa = nullptr, both = nullptr;
    ASSERT_EQ(sdk().PGPNewKeyDBObjNumericFilter(ctx, kPGPKeyProperty_AlgorithmID, kPGPPublicKeyAlgorithm_DSA,
                                                kPGPMatchEqual, &dsa),
              0);
    ASSERT_EQ(sdk().PGPIntersectFilters(dsa, TextFilter("example.org"), &both), 0);
    names.clear();
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(both), nullptr, &names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"carol <carol@example.org>"});
}

TEST_F(KeyServerTest, NoMatchGivesAnEmptyDatabase) {
    RequireSks();
    std::vector<std::string> ids;
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(TextFilter("nobody-at-all")), &ids), 0);
    EXPECT_TRUE(ids.empty());
    PGPKeyID unknown{};
    ASSERT_EQ(sdk().PGPNewKeyIDFromString("0x0123456789ABCDEF", 0, &unknown), 0);
    ASSERT_EQ(Query(Server(sks_->Url()), Keep(KeyIDFilter(unknown)), &ids), 0);
    EXPECT_TRUE(ids.empty());
}

TEST_F(KeyServerTest, ServerDownIsAClearErrorWithoutWaiting) {
    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    PGPKeyServerRef server = Server(url);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(server, Keep(TextFilter("dave")), nullptr), kPGPError_ServerConnectFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(LastError(server).find("Nobody answers at " + url), std::string::npos) << LastError(server);
}

struct IdleCount {
    int calls = 0;
    int stopAfter = 0;
    PGPKeyServerRef cancelServer = nullptr;
    PFN_PGPCancelKeyServerCall cancel = nullptr;
};

PGPError PGP_CALL CountingIdle(PGPContextRef, PGPEvent* event, PGPUserValue value) {
    auto& c = *static_cast<IdleCount*>(value);
    if (event->type != kPGPEvent_KeyServerIdleEvent) return -1;
    if (++c.calls < c.stopAfter) return 0;
    if (c.cancelServer) {
        c.cancel(c.cancelServer);
        return 0;
    }
    return kPGPError_UserAbort;
}

TEST_F(KeyServerTest, SilentServerIsLeftThroughTheIdleHandlerOrACancel) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FakeHttpServer silent([release](const std::string&) {
        WaitForSingleObject(release, 20000);
        return std::string();
    });
    PGPKeyServerThreadStorageRef storage = nullptr;
    ASSERT_EQ(N().PGPKeyServerCreateThreadStorage(&storage), 0);
    IdleCount count;
    count.stopAfter = 5;
    ASSERT_EQ(N().PGPSetKeyServerIdleEventHandler(CountingIdle, &count), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(Server(silent.Url()), Keep(TextFilter("dave")), nullptr), kPGPError_UserAbort);
    EXPECT_EQ(count.calls, 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    PGPKeyServerRef server = Server(silent.Url());
    count = IdleCount{};
    count.stopAfter = 3;
    count.cancelServer = server;
    count.cancel = N().PGPCancelKeyServerCall;
    EXPECT_EQ(Query(server, Keep(TextFilter("dave")), nullptr), kPGPError_ServerCancelled);
    // The thread storage gives the thread its former idle handler back.
    ASSERT_EQ(N().PGPKeyServerDisposeThreadStorage(storage), 0);
    PGPEventHandlerProcPtr handler = CountingIdle;
    PGPUserValue value = &count;
    ASSERT_EQ(N().PGPGetKeyServerIdleEventHandler(&handler, &value), 0);
    EXPECT_EQ(handler, nullptr);
    EXPECT_EQ(value, nullptr);
    SetEvent(release);
    CloseHandle(release);
}

TEST_F(KeyServerTest, HostileAnswersAreRefusedWithTheirOwnErrors) {
    std::string manyKeys = "info:1:200\n";
    for (int i = 0; i < 200; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "pub:%016X:1:2048:1::\n", 0x1000 + i);
        manyKeys += line;
    }
    struct Row {
        const char* name;
        std::string answer;
        PGPError error;
    } rows[] = {
        {"not HTTP", "SSH-2.0-OpenSSH_9\r\n", kPGPError_ServerUnknownResponse},
        {"server error", HttpAnswer(500, "boom"), kPGPError_ServerRequestRejected},
        {"no key block", HttpAnswer(200, "pub:D0D50EED59F5C778:1:2048:1::\n<html>keys</html>"),
         kPGPError_ServerUnknownResponse},
        {"too many keys", HttpAnswer(200, manyKeys), kPGPError_ServerTooManyResults},
        {"endless answer", HttpAnswer(200, std::string(9u << 20, 'x')), kPGPError_ServerTooManyResults},
        {"closed at once", "", kPGPError_ServerConnectFailed},
        {"broken key block", HttpAnswer(200, "pub:D0D50EED59F5C778:1:2048:1::\n"), kPGPError_ServerUnknownResponse},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool index = std::string(r.name) != "no key block" && std::string(r.name) != "broken key block";
        FakeHttpServer fake([&](const std::string& line) {
            if (line.find("op=index") != std::string::npos)
                return index ? r.answer : HttpAnswer(200, "pub:D0D50EED59F5C778:1:2048:1::\n");
            if (std::string(r.name) == "broken key block")
                return HttpAnswer(200, "-----BEGIN PGP PUBLIC KEY BLOCK-----\r\n\r\nnot base64 !!!\r\n"
                                       "-----END PGP PUBLIC KEY BLOCK-----\r\n");
            return r.answer;
        });
        PGPKeyServerRef server = Server(fake.Url());
        const PGPError err = Query(server, Keep(TextFilter("dave@example.org")), nullptr);
        EXPECT_EQ(err, r.error);
        const auto requests = fake.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests[0], "GET /pks/lookup?op=index&options=mr&search=dave%40example.org HTTP/1.0");
    }
}

TEST_F(KeyServerTest, ServersByNameOrAddressAndWhatTheyReport) {
    PGPKeyServerRef byName = nullptr;
    ASSERT_EQ(N().PGPNewKeyServer(ctx, &byName, N().PGPONetHostName(ctx, "keys.example.org", 0),
                                  N().PGPOKeyServerProtocol(ctx, kPGPKeyServerProtocol_HTTP), Last()),
              0);
    servers.push_back(byName);
    PGPUInt16 port = 0;
    PGPKeyServerProtocol protocol = 0;
    char* host = nullptr;
    char* path = nullptr;
    ASSERT_EQ(N().PGPGetKeyServerPort(byName, &port), 0);
    ASSERT_EQ(N().PGPGetKeyServerProtocol(byName, &protocol), 0);
    ASSERT_EQ(N().PGPGetKeyServerHostName(byName, &host), 0);
    ASSERT_EQ(N().PGPGetKeyServerPath(byName, &path), 0);
    EXPECT_EQ(port, orvnet::kHkpDefaultPort);
    EXPECT_EQ(protocol, kPGPKeyServerProtocol_HTTP);
    EXPECT_STREQ(host, "keys.example.org");
    EXPECT_STREQ(path, "/pks/lookup");
    sdk().PGPFreeData(host);
    sdk().PGPFreeData(path);
    EXPECT_EQ(N().PGPGetKeyServerContext(byName), ctx);

    PGPKeyServerRef byAddress = nullptr;
    ASSERT_EQ(N().PGPNewKeyServer(ctx, &byAddress, N().PGPONetHostAddress(ctx, 0x7F000001, 8080), Last()), 0);
    servers.push_back(byAddress);
    PGPUInt32 address = 0;
    ASSERT_EQ(N().PGPGetKeyServerAddress(byAddress, &address), 0);
    EXPECT_EQ(address, 0x7F000001u);
    ASSERT_EQ(N().PGPGetKeyServerPort(byAddress, &port), 0);
    EXPECT_EQ(port, 8080);

    // Protocols the stand-in does not speak fail plainly when opened.
    PGPKeyServerRef https = Server("https://127.0.0.1:1");
    EXPECT_EQ(N().PGPKeyServerOpen(https, nullptr), kPGPError_ServerRequestNotSupported);
    EXPECT_NE(LastError(https).find("https://127.0.0.1:1"), std::string::npos);
    PGPKeyServerRef ldap = Server("ldap://127.0.0.1");
    EXPECT_EQ(N().PGPKeyServerOpen(ldap, nullptr), kPGPError_ServerRequestNotSupported);
    EXPECT_NE(LastError(ldap).find("LDAP"), std::string::npos);

    PGPKeyServerRef none = nullptr;
    EXPECT_EQ(N().PGPNewKeyServer(ctx, &none, N().PGPONetURL(ctx, "ftp://h"), Last()), kPGPError_ServerUnknownProtocol);
    EXPECT_EQ(N().PGPNewKeyServer(ctx, &none, N().PGPOKeyServerProtocol(ctx, 2), Last()), kPGPError_BadParams);
    EXPECT_EQ(N().PGPNewKeyServer(ctx, &none, N().PGPONetURL(ctx, nullptr), Last()), kPGPError_BadParams);
    EXPECT_EQ(none, nullptr);

    // A query needs an open server and key-server support.
    PGPKeyServerRef closed = Server("http://127.0.0.1:1");
    PGPKeyDBRef found = nullptr;
    EXPECT_EQ(N().PGPQueryKeyServer(closed, Keep(TextFilter("x")), &found), kPGPError_ServerNotInitialized);
    ASSERT_EQ(N().PGPKeyServerCleanup(), 0);
    EXPECT_EQ(N().PGPKeyServerOpen(closed, nullptr), kPGPError_ServerNotInitialized);
    ASSERT_EQ(N().PGPKeyServerInit(), 0);
    // A filter that names no key ID or user ID cannot be sent.
    PGPFilterRef secret = nullptr;
    ASSERT_EQ(sdk().PGPNewKeyDBObjBooleanFilter(ctx, kPGPKeyProperty_IsSecret, 1, &secret), 0);
    ASSERT_EQ(N().PGPKeyServerOpen(closed, nullptr), 0);
    EXPECT_EQ(N().PGPQueryKeyServer(closed, Keep(secret), &found), kPGPError_ServerRequestNotSupported);
    EXPECT_EQ(N().PGPKeyServerClose(closed), 0);
    EXPECT_EQ(N().PGPFreeKeyServer(reinterpret_cast<PGPKeyServerRef>(ctx)), kPGPError_BadParams);
    PGPKeySetRef failed = reinterpret_cast<PGPKeySetRef>(1);
    EXPECT_EQ(N().PGPUploadToKeyServer(closed, nullptr, &failed), kPGPError_ServerRequestNotSupported);
    EXPECT_EQ(failed, nullptr);
}

std::vector<PGPKeyServerState> g_states;
PGPError PGP_CALL RecordStates(PGPContextRef, PGPEvent* event, PGPUserValue) {
    if (event->type == kPGPEvent_KeyServerEvent) g_states.push_back(event->data.keyServerData.state);
    return 0;
}

TEST_F(KeyServerTest, EventsFollowTheSearch) {
    RequireSks();
    PGPKeyServerRef server = Server(sks_->Url());
    ASSERT_EQ(N().PGPSetKeyServerEventHandler(server, RecordStates, nullptr), 0);
    g_states.clear();
    std::vector<std::string> ids;
    ASSERT_EQ(Query(server, Keep(TextFilter("bob")), &ids), 0);
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_EQ(g_states, (std::vector<PGPKeyServerState>{kPGPKeyServerState_Opening, kPGPKeyServerState_Querying,
                                                        kPGPKeyServerState_ReceivingResults,
                                                        kPGPKeyServerState_ProcessingResults,
                                                        kPGPKeyServerState_Closing}));
}

TEST_F(KeyServerTest, TlsObjectsExistButNoSessionIsEstablished) {
    PGPtlsContextRef tls = nullptr;
    ASSERT_EQ(N().PGPNewTLSContext(ctx, &tls), 0);
    PGPtlsSessionRef session = nullptr, copy = nullptr;
    ASSERT_EQ(N().PGPNewTLSSession(tls, &session), 0);
    ASSERT_EQ(N().PGPCopyTLSSession(session, &copy), 0);
    EXPECT_EQ(N().PGPtlsHandshake(session), kPGPError_TLSHandshakeFailed);
    EXPECT_EQ(N().PGPtlsSend(session, "x", 1), kPGPError_TLSNotEstablished);
    PGPtlsProtocolState state = 5;
    EXPECT_EQ(N().PGPtlsGetState(copy, &state), 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(N().PGPFreeTLSSession(copy), 0);
    EXPECT_EQ(N().PGPFreeTLSSession(session), 0);
    EXPECT_EQ(N().PGPFreeTLSSession(session), kPGPError_BadParams);
    EXPECT_EQ(N().PGPFreeTLSContext(tls), 0);
    EXPECT_EQ(N().PGPNewTLSContext(nullptr, &tls), kPGPError_BadParams);
}

// ---- The search dialog -------------------------------------------------------------

class SearchDialogTest : public KeyServerTest {
protected:
    void SetUp() override {
        KeyServerTest::SetUp();
        ASSERT_NE(ui_->search, nullptr);
    }
};

TEST_F(SearchDialogTest, ShowsTheSearchAndReturnsTheKeysFound) {
    // The server holds its answer until the robot has read the dialog.
    const std::string daveKey = ReadDataFile("dave_pub.asc");
    HANDLE seen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FakeHttpServer slow([&](const std::string& line) {
        WaitForSingleObject(seen, 10000);
        if (line.find("op=index") != std::string::npos)
            return HttpAnswer(200, "info:1:1\npub:D0D50EED59F5C778:1:2048:1::\nuid:dave:1::\n");
        return HttpAnswer(200, daveKey, "application/pgp-keys");
    });
    std::string query, server, status;
    ModalScript robot;
    const std::string searching = "Searching " + slow.Url() + " ...";
    robot.Expect("#32770", KSSEARCH_CAPTION, [&](HWND dialog) {
        for (int i = 0; i < 100 && GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS)) != searching; ++i) Sleep(50);
        query = GetText(FindChildById(dialog, IDC_KSSEARCH_QUERY));
        server = GetText(FindChildById(dialog, IDC_KSSEARCH_SERVER));
        status = GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS));
        SaveScreenshot(dialog, ShotPath("keyserver_search.png"));
        SetEvent(seen);
        WaitGone(dialog, 10000);
    });
    robot.Start();
    PGPKeyServerRef down = Server("http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    PGPKeyServerRef up = Server(slow.Url());
    const PGPKeyServerRef both[] = {down, up};
    PGPFilterRef filter = Keep(TextFilter("dave"));
    void* found = nullptr;
    const PGPError err = ui_->search(ctx, 2, both, nullptr, 0, &found,
                                     N().PGPOKeyServerSearchFilter(ctx, filter), Last());
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    CloseHandle(seen);
    ASSERT_EQ(err, 0);
    ASSERT_NE(found, nullptr);
    dbs.push_back(static_cast<PGPKeyDBRef>(found));
    std::vector<std::string> names;
    ListKeys(static_cast<PGPKeyDBRef>(found), nullptr, &names);
    EXPECT_EQ(names, std::vector<std::string>{"dave <dave@example.org>"});
    EXPECT_EQ(query, "Searching for: \"dave\"");
    // The server that is down was passed over for the next one.
    EXPECT_EQ(server, "Server: " + slow.Url());
    EXPECT_EQ(status, "Searching " + slow.Url() + " ...");
}

TEST_F(SearchDialogTest, CancelStopsAWaitingSearch) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FakeHttpServer silent([release](const std::string&) {
        WaitForSingleObject(release, 20000);
        return std::string();
    });
    ModalScript robot;
    robot.Expect("#32770", KSSEARCH_CAPTION, [](HWND dialog) {
        for (int i = 0; i < 100 && GetText(FindChildById(dialog, IDC_KSSEARCH_STATUS)).empty(); ++i) Sleep(50);
        Sleep(300);
        ClickButton(dialog, "Cancel");
        WaitGone(dialog, 5000);
    });
    robot.Start();
    PGPKeyServerRef server = Server(silent.Url());
    PGPKeyID dave = KeyIDOf("dave_pub.asc");
    void* found = reinterpret_cast<void*>(1);
    const auto start = std::chrono::steady_clock::now();
    const PGPError err = ui_->search(ctx, 1, &server, nullptr, 1, &found, ui_->keyIDs(ctx, 1, dave.opaque), Last());
    EXPECT_TRUE(robot.Finish()) << robot.Failure();
    EXPECT_EQ(err, kPGPError_UserAbort);
    EXPECT_EQ(found, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    SetEvent(release);
    CloseHandle(release);
}

TEST_F(SearchDialogTest, EveryServerFailingGivesTheFirstError) {
    PGPKeyServerRef down = Server("http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    PGPKeyServerRef https = Server("https://127.0.0.1:1");
    const PGPKeyServerRef both[] = {down, https};
    void* found = nullptr;
    EXPECT_EQ(ui_->search(ctx, 2, both, nullptr, 1, &found,
                          N().PGPOKeyServerSearchFilter(ctx, Keep(TextFilter("dave"))), Last()),
              kPGPError_ServerConnectFailed);
    EXPECT_EQ(found, nullptr);
    // Nothing to search for, and no servers, are refused before any window.
    EXPECT_EQ(ui_->search(ctx, 1, both, nullptr, 1, &found, Last()), kPGPError_BadParams);
    EXPECT_EQ(ui_->search(ctx, 0, both, nullptr, 1, &found,
                          N().PGPOKeyServerSearchFilter(ctx, Keep(TextFilter("dave"))), Last()),
              kPGPError_BadParams);
}

// Sending keys goes through the networking library, which sends none: the
// answer is its clear error, nothing is handed back, and the server is closed
// again (it opens anew).
TEST_F(SearchDialogTest, SendingKeysReportsWhatTheServerSays) {
    ASSERT_NE(ui_->send, nullptr);
    PGPKeyServerRef server = Server("http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    KeyIDOf("dave_pub.asc");
    ASSERT_FALSE(dbs.empty());
    PGPKeySetRef keys = sdk().PGPPeekKeyDBRootKeySet(dbs.back());
    PGPKeySetRef failed = reinterpret_cast<PGPKeySetRef>(1);
    EXPECT_EQ(ui_->send(ctx, server, nullptr, keys, &failed, ui_->parent(ctx, nullptr), Last()),
              kPGPError_ServerRequestNotSupported);
    EXPECT_EQ(failed, nullptr);
    EXPECT_NE(LastError(server).find("not available"), std::string::npos) << LastError(server);
    EXPECT_EQ(N().PGPKeyServerOpen(server, nullptr), 0);
    EXPECT_EQ(N().PGPKeyServerClose(server), 0);
    failed = reinterpret_cast<PGPKeySetRef>(1);
    EXPECT_EQ(ui_->send(ctx, server, nullptr, nullptr, &failed, Last()), kPGPError_BadParams);
    EXPECT_EQ(failed, nullptr);
}

TEST_F(SearchDialogTest, AllServersAnswerTogetherWhenAsked) {
    RequireSks();
    FakeHttpServer second([](const std::string& line) {
        if (line.find("op=index") != std::string::npos)
            return HttpAnswer(200, "info:1:1\npub:D0D50EED59F5C778:1:2048:1::\n");
        return HttpAnswer(200, ReadDataFile("dave_pub.asc"), "application/pgp-keys");
    });
    PGPKeyServerRef a = Server(sks_->Url());
    PGPKeyServerRef b = Server(second.Url());
    const PGPKeyServerRef both[] = {a, b};
    PGPFilterRef either = nullptr;
    ASSERT_EQ(sdk().PGPUnionFilters(TextFilter("bob"), TextFilter("dave"), &either), 0);
    Keep(either);
    void* found = nullptr;
    ASSERT_EQ(ui_->search(ctx, 2, both, nullptr, 1, &found, N().PGPOKeyServerSearchFilter(ctx, either), Last()), 0);
    dbs.push_back(static_cast<PGPKeyDBRef>(found));
    std::vector<std::string> names;
    ListKeys(static_cast<PGPKeyDBRef>(found), nullptr, &names);
    EXPECT_EQ(names, (std::vector<std::string>{"bob <bob@example.org>", "dave <dave@example.org>"}));
    EXPECT_FALSE(second.Requests().empty());
}

}  // namespace
