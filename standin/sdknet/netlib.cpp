// The stand-in's networking library "PGPsdkNL.dll": start and clean-up, TLS
// objects (no TLS is spoken: sessions report that none was established), and
// key servers over HKP that search and fetch keys for real. Keys come back
// through the core's own import, so they are the core's objects.
#include <winsock2.h>
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdknet/core_link.h"
#include "standin/sdknet/hkp.h"
#include "standin/sdknet/net_api.h"

#define NET_EXPORT(name) static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name)

#ifndef ORV_SDKNET_RELEASE
#define ORV_SDKNET_RELEASE 7
#endif

// What a query hands back: a key database (7) or a key set (6.5).
#if ORV_SDKNET_RELEASE == 65
using FoundKeys = PGPKeySetRef;
constexpr PGPKeyIDStringType kFullKeyIDText = kPGPKeyIDString65_Full;
#define NET_EXPORT_QUERY static_assert(std::is_same_v<decltype(&PGPQueryKeyServer), PFN65_PGPQueryKeyServer>)
#else
using FoundKeys = PGPKeyDBRef;
constexpr PGPKeyIDStringType kFullKeyIDText = kPGPKeyIDString_Full;
#define NET_EXPORT_QUERY NET_EXPORT(PGPQueryKeyServer)
#endif

namespace {

enum class Tag : std::uint32_t {
    TLSContext = 0x544c5343,
    TLSSession = 0x544c5353,
    KeyServer = 0x4b535256,
    ThreadStorage = 0x4b535453,
    Dead = 0xdeaddead
};

template <Tag T>
struct Tagged {
    Tag tag = T;
    ~Tagged() { tag = Tag::Dead; }
    bool valid() const { return tag == T; }
};

template <class P>
P* check(P* p) {
    return (p && p->valid()) ? p : nullptr;
}

int g_libraryInits = 0;
int g_serverInits = 0;

// The idle handler belongs to the thread that runs the key-server calls.
thread_local PGPEventHandlerProcPtr t_idleHandler = nullptr;
thread_local PGPUserValue t_idleValue = nullptr;

char* CopyText(const std::string& text) {
    auto newData = ORVNET_CORE(PGPNewData);
    auto defaultMgr = ORVNET_CORE(PGPGetDefaultMemoryMgr);
    if (!newData || !defaultMgr) return nullptr;
    auto* p = static_cast<char*>(newData(defaultMgr(), static_cast<PGPSize>(text.size() + 1), 0));
    if (p) std::memcpy(p, text.c_str(), text.size() + 1);
    return p;
}

}  // namespace

struct PGPtlsContext : Tagged<Tag::TLSContext> {
    PGPContextRef context = nullptr;
    bool useCache = true;
};

struct PGPtlsSession : Tagged<Tag::TLSSession> {
    PGPtlsContextRef owner = nullptr;
    PGPFlags options = 0;
    PGPtlsReceiveProcPtr receive = nullptr;
    void* receiveValue = nullptr;
    PGPtlsSendProcPtr send = nullptr;
    void* sendValue = nullptr;
};

struct PGPKeyServer : Tagged<Tag::KeyServer> {
    int refs = 1;
    PGPContextRef context = nullptr;
    orvnet::ServerAddress address;
    PGPKeyServerKeySpace keySpace = 0;
    PGPKeyServerAccessType accessType = 0;
    bool open = false;
    bool busy = false;
    bool cancelled = false;
    PGPtlsSessionRef tls = nullptr;
    PGPEventHandlerProcPtr handler = nullptr;
    PGPUserValue handlerValue = nullptr;
    std::string lastError;
};

struct PGPKeyServerThreadStorage : Tagged<Tag::ThreadStorage> {
    PGPEventHandlerProcPtr savedHandler = nullptr;
    PGPUserValue savedValue = nullptr;
};

namespace {

PGPError SendState(PGPKeyServerRef server, PGPKeyServerState state) {
    if (!server->handler) return kPGPError_NoErr;
    PGPEvent event{};
    event.type = kPGPEvent_KeyServerEvent;
    event.data.keyServerData.keyServerRef = server;
    event.data.keyServerData.state = state;
    return server->handler(server->context, &event, server->handlerValue);
}

PGPError Idle(PGPKeyServerRef server) {
    if (server->cancelled) return kPGPError_ServerCancelled;
    if (!t_idleHandler) return kPGPError_NoErr;
    PGPEvent event{};
    event.type = kPGPEvent_KeyServerIdleEvent;
    event.data.keyServerData.keyServerRef = server;
    const PGPError err = t_idleHandler(server->context, &event, t_idleValue);
    return server->cancelled && err == kPGPError_NoErr ? kPGPError_ServerCancelled : err;
}

struct Term {
    bool isKeyID = false;
    std::string value;  // key ID as hexadecimal digits, or the user-ID text
};

// The requests a filter asks for: key IDs and user-ID texts. Alternatives
// (Or) ask for both sides; a conjunction (And) needs only one side's requests,
// the other side is checked on the keys that come back.
PGPError CollectTerms(PGPFilterRef filter, std::vector<Term>& terms, int depth = 0) {
    auto info = ORVNET_CORE(ORVsdkGetFilterInfo);
    auto keyIDString = ORVNET_CORE(PGPGetKeyIDString);
    if (!info || !keyIDString) return kPGPError_EngineNotLoaded;
    if (depth > 64) return kPGPError_BadParams;
    ORVsdkFilterInfo f{};
    PGPError err = info(filter, &f);
    if (err != kPGPError_NoErr) return err;
    switch (f.kind) {
    case kORVsdkFilter_Or:
        err = CollectTerms(f.a, terms, depth + 1);
        if (err == kPGPError_NoErr) err = CollectTerms(f.b, terms, depth + 1);
        return err;
    case kORVsdkFilter_And: {
        std::vector<Term> left;
        err = CollectTerms(f.a, left, depth + 1);
        if (err != kPGPError_NoErr) return err;
        if (left.empty()) return CollectTerms(f.b, terms, depth + 1);
        terms.insert(terms.end(), left.begin(), left.end());
        return kPGPError_NoErr;
    }
    case kORVsdkFilter_Data:
        if (f.property == kPGPKeyProperty_KeyID || f.property == kPGPSubKeyProperty_KeyID) {
            PGPKeyID id{};
            std::memcpy(&id, f.data, f.dataLength < sizeof id ? f.dataLength : sizeof id);
            char text[kPGPMaxKeyIDStringSize] = {};
            err = keyIDString(&id, kFullKeyIDText, text);
            if (err != kPGPError_NoErr) return err;
            std::string hex = text;
            if (hex.compare(0, 2, "0x") == 0 || hex.compare(0, 2, "0X") == 0) hex.erase(0, 2);
            if (!hex.empty()) terms.push_back({true, hex});
        } else if (f.property == kPGPUserIDProperty_Name || f.property == kPGPUserIDProperty_CommonName ||
                   f.property == kPGPUserIDProperty_EmailAddress) {
            std::string text(static_cast<const char*>(f.data), f.dataLength);
            if (!text.empty()) terms.push_back({false, text});
        }
        return kPGPError_NoErr;
    default:
        return kPGPError_NoErr;  // conditions the server cannot be asked for
    }
}

constexpr std::size_t kMaxKeysPerSearch = 100;

// Fetches the armoured keys of every term, joined.
PGPError FetchTerms(PGPKeyServerRef server, const std::vector<Term>& terms, std::string& armoured) {
    const orvnet::IdleRoutine idle = [server] { return Idle(server); };
    const orvnet::HttpLimits limits;
    std::vector<std::string> ids;
    for (const auto& term : terms) {
        if (term.isKeyID) {
            ids.push_back(term.value);
            continue;
        }
        orvnet::HttpResponse answer;
        PGPError err = orvnet::HttpGet(server->address.host, server->address.port,
                                       orvnet::IndexRequest(server->address.path, term.value), idle, limits, answer);
        if (err != kPGPError_NoErr) return err;
        if (answer.status == 404) continue;  // nothing matches
        if (answer.status != 200) {
            server->lastError = "The key server answered " + std::to_string(answer.status) + " to a search";
            return kPGPError_ServerRequestRejected;
        }
        for (auto& id : orvnet::ParseIndexKeys(answer.body)) ids.push_back(std::move(id));
        if (ids.size() > kMaxKeysPerSearch) return kPGPError_ServerTooManyResults;
    }
    PGPError err = SendState(server, kPGPKeyServerState_ReceivingResults);
    if (err != kPGPError_NoErr) return err;
    std::vector<std::string> done;
    for (const auto& id : ids) {
        bool seen = false;
        for (const auto& d : done) seen = seen || d == id;
        if (seen) continue;
        done.push_back(id);
        orvnet::HttpResponse answer;
        err = orvnet::HttpGet(server->address.host, server->address.port,
                              orvnet::GetRequest(server->address.path, id), idle, limits, answer);
        if (err != kPGPError_NoErr) return err;
        if (answer.status == 404) continue;
        if (answer.status != 200) {
            server->lastError = "The key server answered " + std::to_string(answer.status) + " to a key request";
            return kPGPError_ServerRequestRejected;
        }
        if (answer.body.find("-----BEGIN PGP PUBLIC KEY BLOCK-----") == std::string::npos) {
            server->lastError = "The key server sent no key block";
            return kPGPError_ServerUnknownResponse;
        }
        armoured += answer.body;
        armoured += "\r\n";
    }
    return kPGPError_NoErr;
}

#if ORV_SDKNET_RELEASE == 65
// The keys of the armoured text that pass the filter, in a new set; the set
// keeps the keys it holds alive after the imported set is freed.
PGPError ImportMatching(PGPContextRef context, const std::string& armoured, PGPFilterRef filter, PGPKeySetRef& out) {
    out = nullptr;
    auto newEmptySet = orvnet::CoreProc<PFN65_PGPNewEmptyKeySet>("PGPNewEmptyKeySet");
    auto import = ORVNET_CORE(PGPImportKeySet);
    auto inputBuffer = ORVNET_CORE(PGPOInputBuffer);
    auto lastOption = ORVNET_CORE(PGPOLastOption);
    auto filterKeySet = ORVNET_CORE(PGPFilterKeySet);
    auto countKeys = ORVNET_CORE(PGPCountKeys);
    auto freeKeySet = ORVNET_CORE(PGPFreeKeySet);
    if (!newEmptySet || !import || !inputBuffer || !lastOption || !filterKeySet || !countKeys || !freeKeySet)
        return kPGPError_EngineNotLoaded;
    if (armoured.empty()) return newEmptySet(context, &out);
    PGPKeySetRef read = nullptr;
    PGPError err = import(context, &read,
                          inputBuffer(context, armoured.data(), static_cast<PGPSize>(armoured.size())),
                          lastOption(context));
    // Key blocks that do not read are the server's fault, not "no keys".
    PGPUInt32 readCount = 0;
    if (err == kPGPError_NoErr && (countKeys(read, &readCount) != kPGPError_NoErr || readCount == 0))
        err = kPGPError_ServerUnknownResponse;
    if (err != kPGPError_NoErr && err != kPGPError_OutOfMemory) err = kPGPError_ServerUnknownResponse;
    if (err == kPGPError_NoErr) err = filterKeySet(read, filter, &out);
    if (read) freeKeySet(read);
    return err;
}
#else
// The keys of the armoured text that pass the filter, in a new database.
PGPError ImportMatching(PGPContextRef context, const std::string& armoured, PGPFilterRef filter, PGPKeyDBRef& out) {
    out = nullptr;
    auto newKeyDB = ORVNET_CORE(PGPNewKeyDB);
    auto freeKeyDB = ORVNET_CORE(PGPFreeKeyDB);
    auto import = ORVNET_CORE(PGPImport);
    auto inputBuffer = ORVNET_CORE(PGPOInputBuffer);
    auto lastOption = ORVNET_CORE(PGPOLastOption);
    auto rootSet = ORVNET_CORE(PGPPeekKeyDBRootKeySet);
    auto filterKeySet = ORVNET_CORE(PGPFilterKeySet);
    auto copyKeys = ORVNET_CORE(PGPCopyKeys);
    auto freeKeySet = ORVNET_CORE(PGPFreeKeySet);
    auto countKeys = ORVNET_CORE(PGPCountKeysInKeyDB);
    if (!countKeys || !newKeyDB || !freeKeyDB || !import || !inputBuffer || !lastOption || !rootSet || !filterKeySet ||
        !copyKeys || !freeKeySet)
        return kPGPError_EngineNotLoaded;
    PGPKeyDBRef result = nullptr;
    PGPError err = newKeyDB(context, &result);
    if (err != kPGPError_NoErr || armoured.empty()) {
        out = result;
        return err;
    }
    PGPKeyDBRef read = nullptr;
    err = import(context, &read,
                 inputBuffer(context, armoured.data(), static_cast<PGPSize>(armoured.size())), lastOption(context));
    PGPKeySetRef matching = nullptr, copied = nullptr;
    // Key blocks that do not read are the server's fault, not "no keys".
    PGPUInt32 readCount = 0;
    if (err == kPGPError_NoErr && (countKeys(read, &readCount) != kPGPError_NoErr || readCount == 0))
        err = kPGPError_ServerUnknownResponse;
    if (err != kPGPError_NoErr && err != kPGPError_OutOfMemory) err = kPGPError_ServerUnknownResponse;
    if (err == kPGPError_NoErr) err = filterKeySet(rootSet(read), filter, &matching);
    if (err == kPGPError_NoErr) err = copyKeys(matching, result, &copied);
    if (copied) freeKeySet(copied);
    if (matching) freeKeySet(matching);
    if (read) freeKeyDB(read);
    if (err != kPGPError_NoErr) {
        freeKeyDB(result);
        return err;
    }
    out = result;
    return kPGPError_NoErr;
}
#endif

// The server's address from the options of PGPNewKeyServer.
PGPError AddressFromOptions(const std::vector<orvnet::Option>& options, orvnet::ServerAddress& address) {
    const auto* protocol = orvnet::FindOption(options, kORVsdkNet_Protocol);
    if (const auto* url = orvnet::FindOption(options, kORVsdkNet_URL))
        return orvnet::ParseServerAddress(url->text, address);
    std::string host;
    int port = 0;
    if (const auto* name = orvnet::FindOption(options, kORVsdkNet_HostName)) {
        host = name->text;
        port = name->num;
    } else if (const auto* numeric = orvnet::FindOption(options, kORVsdkNet_HostAddress)) {
        const auto a = static_cast<std::uint32_t>(numeric->num);
        host = std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
               std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF);
        port = numeric->num2;
    } else {
        return kPGPError_BadParams;
    }
    const char* scheme = orvnet::ProtocolName(protocol ? protocol->num : kPGPKeyServerProtocol_HTTP);
    if (!*scheme) return kPGPError_ServerUnknownProtocol;
    std::string url = std::string(scheme) + "://" + host;
    if (port > 0) url += ":" + std::to_string(port & 0xFFFF);
    return orvnet::ParseServerAddress(url, address);
}

PGPError FreeServer(PGPKeyServerRef server) {
    if (--server->refs > 0) return kPGPError_NoErr;
    delete server;
    return kPGPError_NoErr;
}

}  // namespace

extern "C" {

// ---- Start and clean-up ----------------------------------------------------

__declspec(dllexport) PGPError PGP_CALL PGPsdkNetworkLibInit(PGPFlags options) {
    try {
        if (g_libraryInits == 0 && !orvnet::StartSockets()) return kPGPError_ServerNotInitialized;
        ++g_libraryInits;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPsdkNetworkLibCleanup(void) {
    try {
        if (g_libraryInits == 0) return kPGPError_ServerNotInitialized;
        if (--g_libraryInits == 0) orvnet::StopSockets();
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// ---- TLS ---------------------------------------------------------------------

__declspec(dllexport) PGPError PGP_CALL PGPNewTLSContext(PGPContextRef context, PGPtlsContextRef* outRef) {
    try {
        if (!outRef) return kPGPError_BadParams;
        *outRef = nullptr;
        if (!context) return kPGPError_BadParams;
        auto* t = new (std::nothrow) PGPtlsContext;
        if (!t) return kPGPError_OutOfMemory;
        t->context = context;
        *outRef = t;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPFreeTLSContext(PGPtlsContextRef ref) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        delete ref;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetCache(PGPtlsContextRef ref, PGPBoolean useCache) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        ref->useCache = useCache != 0;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsClearCache(PGPtlsContextRef ref) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPNewTLSSession(PGPtlsContextRef ref, PGPtlsSessionRef* outRef) {
    try {
        if (!outRef) return kPGPError_BadParams;
        *outRef = nullptr;
        if (!check(ref)) return kPGPError_BadParams;
        auto* s = new (std::nothrow) PGPtlsSession;
        if (!s) return kPGPError_OutOfMemory;
        s->owner = ref;
        *outRef = s;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPFreeTLSSession(PGPtlsSessionRef ref) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        delete ref;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPCopyTLSSession(PGPtlsSessionRef ref, PGPtlsSessionRef* outRef) {
    try {
        if (!outRef) return kPGPError_BadParams;
        *outRef = nullptr;
        if (!check(ref)) return kPGPError_BadParams;
        auto* s = new (std::nothrow) PGPtlsSession(*ref);
        if (!s) return kPGPError_OutOfMemory;
        *outRef = s;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetProtocolOptions(PGPtlsSessionRef ref, PGPFlags options) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        ref->options = options;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsClose(PGPtlsSessionRef ref, PGPBoolean dontCache) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

// No TLS is spoken here: a handshake fails plainly rather than pretending.
__declspec(dllexport) PGPError PGP_CALL PGPtlsHandshake(PGPtlsSessionRef ref) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        return kPGPError_TLSHandshakeFailed;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetRemoteUniqueID(PGPtlsSessionRef ref, PGPUInt32 remoteID) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetPreferredCipherSuite(PGPtlsSessionRef ref,
                                                                      PGPtlsCipherSuiteNum suite) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetDHPrime(PGPtlsSessionRef ref, PGPtlsPrime prime) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsGetNegotiatedCipherSuite(PGPtlsSessionRef ref,
                                                                       PGPtlsCipherSuiteNum* outSuite) {
    try {
        if (outSuite) *outSuite = 0;
        if (!check(ref)) return kPGPError_BadParams;
        return kPGPError_TLSNotEstablished;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsGetState(PGPtlsSessionRef ref, PGPtlsProtocolState* outState) {
    try {
        if (!outState || !check(ref)) return kPGPError_BadParams;
        *outState = 0;  // never established
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsReceive(PGPtlsSessionRef ref, void* buffer, PGPSize* bufferSize) {
    try {
        if (bufferSize) *bufferSize = 0;
        if (!check(ref)) return kPGPError_BadParams;
        return kPGPError_TLSNotEstablished;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSend(PGPtlsSessionRef ref, const void* buffer, PGPSize size) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        return kPGPError_TLSNotEstablished;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetReceiveCallback(PGPtlsSessionRef ref, PGPtlsReceiveProcPtr proc,
                                                                 void* userValue) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        ref->receive = proc;
        ref->receiveValue = userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSetSendCallback(PGPtlsSessionRef ref, PGPtlsSendProcPtr proc,
                                                              void* userValue) {
    try {
        if (!check(ref)) return kPGPError_BadParams;
        ref->send = proc;
        ref->sendValue = userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsSendQueueIdle(PGPtlsSessionRef ref) {
    try {
        return check(ref) ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPSize PGP_CALL PGPtlsReceiveBufferSize(PGPtlsSessionRef ref) {
    try {
        return 0;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPtlsGetAlert(PGPtlsSessionRef ref, PGPtlsAlert* outAlert) {
    try {
        if (!outAlert || !check(ref)) return kPGPError_BadParams;
        *outAlert = 0;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// ---- Options -------------------------------------------------------------------

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPONetURL(PGPContextRef context, const char* url) {
    try {
        if (!url) return orvnet::NewOption(context, 0, 0, 0, nullptr, nullptr, 0);
        return orvnet::NewOption(context, kORVsdkNet_URL, 0, 0, nullptr, url, static_cast<PGPUInt32>(std::strlen(url)));
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPONetHostName(PGPContextRef context, const char* hostName,
                                                                PGPUInt16 port) {
    try {
        if (!hostName) return orvnet::NewOption(context, 0, 0, 0, nullptr, nullptr, 0);
        return orvnet::NewOption(context, kORVsdkNet_HostName, port, 0, nullptr, hostName,
                                 static_cast<PGPUInt32>(std::strlen(hostName)));
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPONetHostAddress(PGPContextRef context, PGPUInt32 address,
                                                                   PGPUInt16 port) {
    try {
        return orvnet::NewOption(context, kORVsdkNet_HostAddress, static_cast<PGPInt32>(address), port, nullptr,
                                 nullptr, 0);
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPOKeyServerProtocol(PGPContextRef context,
                                                                      PGPKeyServerProtocol protocol) {
    try {
        return orvnet::NewOption(context, kORVsdkNet_Protocol, protocol, 0, nullptr, nullptr, 0);
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPOKeyServerKeySpace(PGPContextRef context,
                                                                      PGPKeyServerKeySpace space) {
    try {
        return orvnet::NewOption(context, kORVsdkNet_KeySpace, space, 0, nullptr, nullptr, 0);
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPOptionListRef PGP_CALL PGPOKeyServerAccessType(PGPContextRef context,
                                                                        PGPKeyServerAccessType type) {
    try {
        return orvnet::NewOption(context, kORVsdkNet_AccessType, type, 0, nullptr, nullptr, 0);
    } ORV_EXPORT_GUARD
}

// The filter stays the caller's and must live until the consuming call ends.
__declspec(dllexport) PGPOptionListRef PGP_CALL PGPOKeyServerSearchFilter(PGPContextRef context,
                                                                          PGPFilterRef filter) {
    try {
        return orvnet::NewOption(context, filter ? kORVsdkNet_SearchFilter : 0, 0, 0, filter, nullptr, 0);
    } ORV_EXPORT_GUARD
}

// ---- Key-server support ----------------------------------------------------------

__declspec(dllexport) PGPError PGP_CALL PGPKeyServerInit(void) {
    try {
        ++g_serverInits;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPKeyServerCleanup(void) {
    try {
        if (g_serverInits == 0) return kPGPError_ServerNotInitialized;
        --g_serverInits;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPKeyServerCreateThreadStorage(PGPKeyServerThreadStorageRef* outStorage) {
    try {
        if (!outStorage) return kPGPError_BadParams;
        auto* s = new (std::nothrow) PGPKeyServerThreadStorage;
        *outStorage = s;
        if (!s) return kPGPError_OutOfMemory;
        s->savedHandler = t_idleHandler;
        s->savedValue = t_idleValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// Gives the thread back the idle handler it had when the storage was made.
__declspec(dllexport) PGPError PGP_CALL PGPKeyServerDisposeThreadStorage(PGPKeyServerThreadStorageRef storage) {
    try {
        if (!check(storage)) return kPGPError_BadParams;
        t_idleHandler = storage->savedHandler;
        t_idleValue = storage->savedValue;
        delete storage;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPSetKeyServerIdleEventHandler(PGPEventHandlerProcPtr handler,
                                                                        PGPUserValue userValue) {
    try {
        t_idleHandler = handler;
        t_idleValue = userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerIdleEventHandler(PGPEventHandlerProcPtr* outHandler,
                                                                        PGPUserValue* outUserValue) {
    try {
        if (!outHandler || !outUserValue) return kPGPError_BadParams;
        *outHandler = t_idleHandler;
        *outUserValue = t_idleValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// ---- Key servers -------------------------------------------------------------------

__declspec(dllexport) PGPError PGP_CALL PGPNewKeyServer(PGPContextRef context, PGPKeyServerRef* outServer,
                                                        PGPOptionListRef firstOption, ...) {
    try {
        std::vector<orvnet::Option> options;
        va_list ap;
        va_start(ap, firstOption);
        PGPError err = orvnet::GatherOptions(firstOption, ap, options);
        va_end(ap);
        if (!outServer) return kPGPError_BadParams;
        *outServer = nullptr;
        if (!context) return kPGPError_BadParams;
        if (err != kPGPError_NoErr) return err;
        auto* server = new (std::nothrow) PGPKeyServer;
        if (!server) return kPGPError_OutOfMemory;
        err = AddressFromOptions(options, server->address);
        if (err != kPGPError_NoErr) {
            delete server;
            return err;
        }
        server->context = context;
        if (const auto* o = orvnet::FindOption(options, kORVsdkNet_KeySpace)) server->keySpace = o->num;
        if (const auto* o = orvnet::FindOption(options, kORVsdkNet_AccessType)) server->accessType = o->num;
        *outServer = server;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPFreeKeyServer(PGPKeyServerRef server) {
    try {
        if (!check(server)) return kPGPError_BadParams;
        return FreeServer(server);
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPIncKeyServerRefCount(PGPKeyServerRef server) {
    try {
        if (!check(server)) return kPGPError_BadParams;
        ++server->refs;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPSetKeyServerEventHandler(PGPKeyServerRef server,
                                                                    PGPEventHandlerProcPtr handler,
                                                                    PGPUserValue userValue) {
    try {
        if (!check(server)) return kPGPError_BadParams;
        server->handler = handler;
        server->handlerValue = userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerEventHandler(PGPKeyServerRef server,
                                                                    PGPEventHandlerProcPtr* outHandler,
                                                                    PGPUserValue* outUserValue) {
    try {
        if (!check(server) || !outHandler || !outUserValue) return kPGPError_BadParams;
        *outHandler = server->handler;
        *outUserValue = server->handlerValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// Ends the running call at its next wait.
__declspec(dllexport) PGPError PGP_CALL PGPCancelKeyServerCall(PGPKeyServerRef server) {
    try {
        if (!check(server)) return kPGPError_BadParams;
        if (server->busy) server->cancelled = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPKeyServerOpen(PGPKeyServerRef server, PGPtlsSessionRef tlsSession) {
    try {
        if (!check(server) || (tlsSession && !check(tlsSession))) return kPGPError_BadParams;
        if (g_serverInits == 0) return kPGPError_ServerNotInitialized;
        if (server->open) return kPGPError_ServerInProgress;
        PGPError err = SendState(server, kPGPKeyServerState_Opening);
        if (err != kPGPError_NoErr) return err;
        switch (server->address.protocol) {
        case kPGPKeyServerProtocol_HTTP: break;
        case kPGPKeyServerProtocol_HTTPS:
        case kPGPKeyServerProtocol_LDAPS:
            server->lastError = "Key servers over TLS (" + orvnet::AddressText(server->address) +
                                ") are not available; use an http key server";
            return kPGPError_ServerRequestNotSupported;
        default:
            server->lastError = "LDAP key servers (" + orvnet::AddressText(server->address) +
                                ") are not available; use an http key server";
            return kPGPError_ServerRequestNotSupported;
        }
        server->tls = tlsSession;
        server->open = true;
        server->lastError.clear();
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPKeyServerClose(PGPKeyServerRef server) {
    try {
        if (!check(server)) return kPGPError_BadParams;
        if (!server->open) return kPGPError_ServerNotInitialized;
        SendState(server, kPGPKeyServerState_Closing);
        server->open = false;
        server->tls = nullptr;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPQueryKeyServer(PGPKeyServerRef server, PGPFilterRef filter,
                                                          FoundKeys* outFoundKeys) {
    try {
        if (!outFoundKeys) return kPGPError_BadParams;
        *outFoundKeys = nullptr;
        if (!check(server) || !filter) return kPGPError_BadParams;
        if (g_serverInits == 0) return kPGPError_ServerNotInitialized;
        if (!server->open) return kPGPError_ServerNotInitialized;
        if (server->busy) return kPGPError_ServerInProgress;
        std::vector<Term> terms;
        PGPError err = CollectTerms(filter, terms);
        if (err != kPGPError_NoErr) return err;
        if (terms.empty()) {
            server->lastError = "The search names no key ID and no user ID";
            return kPGPError_ServerRequestNotSupported;
        }
        server->busy = true;
        server->cancelled = false;
        std::string armoured;
        err = SendState(server, kPGPKeyServerState_Querying);
        if (err == kPGPError_NoErr) err = FetchTerms(server, terms, armoured);
        if (err == kPGPError_NoErr) err = SendState(server, kPGPKeyServerState_ProcessingResults);
        if (err == kPGPError_NoErr) {
            err = ImportMatching(server->context, armoured, filter, *outFoundKeys);
            if (err != kPGPError_NoErr && server->lastError.empty()) server->lastError = "The keys sent could not be read";
        }
        if (err == kPGPError_ServerConnectFailed)
            server->lastError = "Nobody answers at " + orvnet::AddressText(server->address);
        else if (err == kPGPError_ServerTimedOut)
            server->lastError = orvnet::AddressText(server->address) + " did not answer in time";
        server->busy = false;
        server->cancelled = false;
        return err;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerTLSSession(PGPKeyServerRef server,
                                                                  PGPtlsSessionRef* outSession) {
    try {
        if (!check(server) || !outSession) return kPGPError_BadParams;
        *outSession = server->tls;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerProtocol(PGPKeyServerRef server,
                                                                PGPKeyServerProtocol* outProtocol) {
    try {
        if (!check(server) || !outProtocol) return kPGPError_BadParams;
        *outProtocol = server->address.protocol;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerAccessType(PGPKeyServerRef server,
                                                                  PGPKeyServerAccessType* outType) {
    try {
        if (!check(server) || !outType) return kPGPError_BadParams;
        *outType = server->accessType;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerKeySpace(PGPKeyServerRef server,
                                                                PGPKeyServerKeySpace* outSpace) {
    try {
        if (!check(server) || !outSpace) return kPGPError_BadParams;
        *outSpace = server->keySpace;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerPort(PGPKeyServerRef server, PGPUInt16* outPort) {
    try {
        if (!check(server) || !outPort) return kPGPError_BadParams;
        *outPort = server->address.port;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerHostName(PGPKeyServerRef server, char** outHostName) {
    try {
        if (!outHostName) return kPGPError_BadParams;
        *outHostName = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        *outHostName = CopyText(server->address.host);
        return *outHostName ? kPGPError_NoErr : kPGPError_OutOfMemory;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerAddress(PGPKeyServerRef server, PGPUInt32* outAddress) {
    try {
        if (!outAddress) return kPGPError_BadParams;
        *outAddress = 0;
        if (!check(server)) return kPGPError_BadParams;
        const unsigned long a = inet_addr(server->address.host.c_str());
        if (a == INADDR_NONE) return kPGPError_ServerNotFound;
        *outAddress = ntohl(a);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetKeyServerPath(PGPKeyServerRef server, char** outPath) {
    try {
        if (!outPath) return kPGPError_BadParams;
        *outPath = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        *outPath = CopyText(server->address.path);
        return *outPath ? kPGPError_NoErr : kPGPError_OutOfMemory;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPContextRef PGP_CALL PGPGetKeyServerContext(PGPKeyServerRef server) {
    try {
        return check(server) ? server->context : nullptr;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPGetLastKeyServerErrorString(PGPKeyServerRef server,
                                                                       char** outErrorString) {
    try {
        if (!outErrorString) return kPGPError_BadParams;
        *outErrorString = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        *outErrorString = CopyText(server->lastError);
        return *outErrorString ? kPGPError_NoErr : kPGPError_OutOfMemory;
    } ORV_EXPORT_GUARD
}

// Changing keys on a server is not offered by the stand-in.
__declspec(dllexport) PGPError PGP_CALL PGPUploadToKeyServer(PGPKeyServerRef server, PGPKeySetRef keysToUpload,
                                                             PGPKeySetRef* outKeysThatFailed) {
    try {
        if (outKeysThatFailed) *outKeysThatFailed = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        server->lastError = "Sending keys to a key server is not available";
        return kPGPError_ServerRequestNotSupported;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPDeleteFromKeyServer(PGPKeyServerRef server, PGPKeySetRef keys,
                                                               PGPKeySetRef* outKeysThatFailed) {
    try {
        if (outKeysThatFailed) *outKeysThatFailed = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        server->lastError = "Deleting keys on a key server is not available";
        return kPGPError_ServerRequestNotSupported;
    } ORV_EXPORT_GUARD
}

__declspec(dllexport) PGPError PGP_CALL PGPDisableFromKeyServer(PGPKeyServerRef server, PGPKeySetRef keys,
                                                                PGPKeySetRef* outKeysThatFailed) {
    try {
        if (outKeysThatFailed) *outKeysThatFailed = nullptr;
        if (!check(server)) return kPGPError_BadParams;
        server->lastError = "Disabling keys on a key server is not available";
        return kPGPError_ServerRequestNotSupported;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

NET_EXPORT(PGPsdkNetworkLibInit);
NET_EXPORT(PGPsdkNetworkLibCleanup);
NET_EXPORT(PGPNewTLSContext);
NET_EXPORT(PGPFreeTLSContext);
NET_EXPORT(PGPtlsSetCache);
NET_EXPORT(PGPtlsClearCache);
NET_EXPORT(PGPNewTLSSession);
NET_EXPORT(PGPFreeTLSSession);
NET_EXPORT(PGPCopyTLSSession);
NET_EXPORT(PGPtlsSetProtocolOptions);
NET_EXPORT(PGPtlsClose);
NET_EXPORT(PGPtlsHandshake);
NET_EXPORT(PGPtlsSetRemoteUniqueID);
NET_EXPORT(PGPtlsSetPreferredCipherSuite);
NET_EXPORT(PGPtlsSetDHPrime);
NET_EXPORT(PGPtlsGetNegotiatedCipherSuite);
NET_EXPORT(PGPtlsGetState);
NET_EXPORT(PGPtlsReceive);
NET_EXPORT(PGPtlsSend);
NET_EXPORT(PGPtlsSetReceiveCallback);
NET_EXPORT(PGPtlsSetSendCallback);
NET_EXPORT(PGPtlsSendQueueIdle);
NET_EXPORT(PGPtlsReceiveBufferSize);
NET_EXPORT(PGPtlsGetAlert);
NET_EXPORT(PGPONetURL);
NET_EXPORT(PGPONetHostName);
NET_EXPORT(PGPONetHostAddress);
NET_EXPORT(PGPOKeyServerProtocol);
NET_EXPORT(PGPOKeyServerKeySpace);
NET_EXPORT(PGPOKeyServerAccessType);
NET_EXPORT(PGPOKeyServerSearchFilter);
NET_EXPORT(PGPKeyServerInit);
NET_EXPORT(PGPKeyServerCleanup);
NET_EXPORT(PGPKeyServerCreateThreadStorage);
NET_EXPORT(PGPKeyServerDisposeThreadStorage);
NET_EXPORT(PGPSetKeyServerIdleEventHandler);
NET_EXPORT(PGPGetKeyServerIdleEventHandler);
NET_EXPORT(PGPNewKeyServer);
NET_EXPORT(PGPFreeKeyServer);
NET_EXPORT(PGPIncKeyServerRefCount);
NET_EXPORT(PGPSetKeyServerEventHandler);
NET_EXPORT(PGPGetKeyServerEventHandler);
NET_EXPORT(PGPCancelKeyServerCall);
NET_EXPORT(PGPKeyServerOpen);
NET_EXPORT(PGPKeyServerClose);
NET_EXPORT_QUERY;
NET_EXPORT(PGPGetKeyServerTLSSession);
NET_EXPORT(PGPGetKeyServerProtocol);
NET_EXPORT(PGPGetKeyServerAccessType);
NET_EXPORT(PGPGetKeyServerKeySpace);
NET_EXPORT(PGPGetKeyServerPort);
NET_EXPORT(PGPGetKeyServerHostName);
NET_EXPORT(PGPGetKeyServerAddress);
NET_EXPORT(PGPGetKeyServerPath);
NET_EXPORT(PGPGetKeyServerContext);
NET_EXPORT(PGPGetLastKeyServerErrorString);
NET_EXPORT(PGPUploadToKeyServer);
NET_EXPORT(PGPDeleteFromKeyServer);
NET_EXPORT(PGPDisableFromKeyServer);
