// Key-server search and fetch over the key servers of the PGP preferences.
#include <windows.h>

#include <map>
#include <memory>
#include <new>

#include "engine/adapters.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/message_pump.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"

namespace orv {
namespace {

using sdk::Call;
using sdk::Sdk;

void ReleaseFilter(PGPFilterRef& filter) {
    if (filter && Sdk().PGPFreeFilter) Sdk().PGPFreeFilter(filter);
    filter = nullptr;
}

// Release 7 hands the found keys over as a key database whose root set is
// what the caller gets; a root set does not own its database, so the database
// is kept here until the caller's set goes back through ReleaseServerKeys.
std::map<PGPKeySetRef, PGPKeyDBRef>& FoundDatabases() {
    static std::map<PGPKeySetRef, PGPKeyDBRef> found;
    return found;
}

// Key-server support, thread storage and one server object per address, for
// the length of one search; released in every case.
class ServerSession {
public:
    ServerSession() = default;
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;
    ~ServerSession() {
        auto& t = Sdk();
        for (PGPKeyServerRef server : servers_)
            if (t.PGPFreeKeyServer) t.PGPFreeKeyServer(server);
        if (storage_ && t.PGPKeyServerDisposeThreadStorage) t.PGPKeyServerDisposeThreadStorage(storage_);
        if (initialised_ && t.PGPKeyServerCleanup) t.PGPKeyServerCleanup();
    }

    PGPError Open(PGPContextRef context, const std::vector<std::string>& urls) {
        auto& t = Sdk();
        PGPError err = Call(t.PGPKeyServerInit);
        if (err != kPGPError_NoErr) return err;
        initialised_ = true;
        err = Call(t.PGPKeyServerCreateThreadStorage, &storage_);
        if (err != kPGPError_NoErr) return err;
        if (!t.PGPONetURL || !t.PGPOLastOption) return kPGPError_EngineNotLoaded;
        // An address the library refuses leaves the others usable.
        PGPError firstError = kPGPError_NoErr;
        for (const auto& url : urls) {
            PGPKeyServerRef server = nullptr;
            err = Call(t.PGPNewKeyServer, context, &server, t.PGPONetURL(context, url.c_str()),
                       t.PGPOLastOption(context));
            if (err == kPGPError_NoErr && server) {
                servers_.push_back(server);
            } else if (firstError == kPGPError_NoErr) {
                firstError = err != kPGPError_NoErr ? err : kPGPError_BadParams;
            }
        }
        return servers_.empty() ? firstError : kPGPError_NoErr;
    }

    const std::vector<PGPKeyServerRef>& Servers() const { return servers_; }

private:
    bool initialised_ = false;
    PGPKeyServerThreadStorageRef storage_ = nullptr;
    std::vector<PGPKeyServerRef> servers_;
};

// The capability filter intersected with the caller's text filter, which
// stays the caller's.
PGPError SearchFilter(PGPContextRef context, PGPFilterRef textFilter, std::uint32_t flags, PGPFilterRef& outFilter) {
    outFilter = nullptr;
    PGPFilterRef capability = nullptr;
    PGPError err = NewCapabilityFilter(context, flags, capability);
    if (err != kPGPError_NoErr) return err;
    if (!textFilter) {
        outFilter = capability;
        return kPGPError_NoErr;
    }
    err = Call(Sdk().PGPIncFilterRefCount, textFilter);
    if (err != kPGPError_NoErr) {
        ReleaseFilter(capability);
        return err;
    }
    if (!capability) {
        outFilter = textFilter;
        return kPGPError_NoErr;
    }
    err = Call(Sdk().PGPIntersectFilters, capability, textFilter, &outFilter);
    if (err != kPGPError_NoErr) {
        ReleaseFilter(capability);
        ReleaseFilter(textFilter);
    }
    return err;
}

// A key ID matched exactly, anything else as a user-ID substring; several
// items of the text are joined, so any of them finds keys.
PGPError TextFilter(PGPContextRef context, const std::string& text, PGPFilterRef& outFilter) {
    outFilter = nullptr;
    const auto items = SplitRecipientText(text);
    if (items.empty()) return kKeyErrNoKeyForItem;
    for (const auto& item : items) {
        PGPFilterRef one = nullptr;
        PGPError err;
        if (IsKeyIDText(item)) {
            PGPKeyID id{};
            err = sdk::NewKeyIDFromString(item.c_str(), 0, &id);
            if (err == kPGPError_NoErr)
                err = sdk::NewDataFilter(context, kPGPKeyProperty_KeyID, &id, loader::KeyIDSize(), kPGPMatchEqual,
                                         &one);
        } else {
            err = sdk::NewDataFilter(context, kPGPUserIDProperty_Name, item.data(),
                                     static_cast<PGPSize>(item.size()), kPGPMatchSubString, &one);
        }
        if (err == kPGPError_NoErr && outFilter) {
            PGPFilterRef joined = nullptr;
            err = Call(Sdk().PGPUnionFilters, outFilter, one, &joined);
            if (err == kPGPError_NoErr) {
                outFilter = joined;
                continue;
            }
            ReleaseFilter(one);
        }
        if (err != kPGPError_NoErr) {
            ReleaseFilter(outFilter);
            return err;
        }
        outFilter = one;
    }
    return kPGPError_NoErr;
}

}  // namespace

void ReleaseServerKeys(PGPKeySetRef& set) {
    if (!set) return;
    auto& found = FoundDatabases();
    const auto it = found.find(set);
    if (it != found.end()) {
        if (Sdk().PGPFreeKeyDB) Sdk().PGPFreeKeyDB(it->second);
        found.erase(it);
    } else if (Sdk().PGPFreeKeySet) {
        Sdk().PGPFreeKeySet(set);
    }
    set = nullptr;
}

PGPError SearchKeyServer(PGPContextRef context, PGPtlsContextRef tls, PGPFilterRef textFilter,
                         std::uint32_t capabilityFlags, PGPWindowRef owner, PGPKeySetRef& outFound) {
    outFound = nullptr;
    auto& t = Sdk();
    TPgpPrefs* prefs = PgpPrefs();
    if (!prefs || !t.PGPSearchKeyServerDialog || !t.PGPOKeyServerSearchFilter || !t.PGPOUIParentWindowHandle ||
        !t.PGPOLastOption)
        return kPGPError_EngineNotLoaded;
    std::vector<std::string> urls;
    PGPError err = prefs->ReadKeyServerURLs(urls);
    if (err != kPGPError_NoErr) return err;
    if (urls.empty()) return kPGPError_PrefNotFound;

    PGPFilterRef filter = nullptr;
    void* found = nullptr;
    {
        ServerSession session;
        err = session.Open(context, urls);
        if (err == kPGPError_NoErr) err = SearchFilter(context, textFilter, capabilityFlags, filter);
        if (err == kPGPError_NoErr) {
            const auto& servers = session.Servers();
            // The first server that finds keys answers; one that is down
            // leaves the search to the next.
            err = t.PGPSearchKeyServerDialog(context, static_cast<PGPUInt32>(servers.size()), servers.data(), tls,
                                             0, &found, t.PGPOKeyServerSearchFilter(context, filter),
                                             t.PGPOUIParentWindowHandle(context, owner), t.PGPOLastOption(context));
        }
        Sleep(100);
        PumpMessages();
    }
    ReleaseFilter(filter);
    if (err != kPGPError_NoErr || !found) {
        if (found) {
            if (loader::IsSDK7()) {
                if (t.PGPFreeKeyDB) t.PGPFreeKeyDB(static_cast<PGPKeyDBRef>(found));
            } else if (t.PGPFreeKeySet) {
                t.PGPFreeKeySet(static_cast<PGPKeySetRef>(found));
            }
        }
        return err != kPGPError_NoErr ? err : kPGPError_UserAbort;
    }
    if (!loader::IsSDK7()) {
        outFound = static_cast<PGPKeySetRef>(found);
        return kPGPError_NoErr;
    }
    auto* db = static_cast<PGPKeyDBRef>(found);
    PGPKeySetRef root = t.PGPPeekKeyDBRootKeySet ? t.PGPPeekKeyDBRootKeySet(db) : nullptr;
    if (!root) {
        if (t.PGPFreeKeyDB) t.PGPFreeKeyDB(db);
        return kPGPError_EngineNotLoaded;
    }
    try {
        FoundDatabases()[root] = db;
    } catch (const std::bad_alloc&) {
        if (t.PGPFreeKeyDB) t.PGPFreeKeyDB(db);
        return kPGPError_OutOfMemory;
    }
    outFound = root;
    return kPGPError_NoErr;
}

PGPError FetchKeyFromServer(const std::string& text, const std::string& prompt, TKeyPropsList*& list,
                            PGPWindowRef owner, std::uint32_t mask) {
    TKeyRings* rings = KeyRings();
    if (!rings) return kKeyErrNotLoaded;
    PGPContextRef context = nullptr;
    PGPKeySetRef keys = nullptr;
    PGPtlsContextRef tls = nullptr;
    PGPError err = rings->OpenEnvironment(context, keys, tls);
    if (err != kPGPError_NoErr) return err;
    PGPFilterRef filter = nullptr;
    PGPKeySetRef found = nullptr;
    err = TextFilter(context, text, filter);
    if (err == kPGPError_NoErr) err = SearchKeyServer(context, tls, filter, 0, owner, found);
    ReleaseFilter(filter);
    if (err == kPGPError_NoErr) {
        std::unique_ptr<TKeyPropsList> made;
        if (!list) made.reset(new (std::nothrow) TKeyPropsList(0, mask));
        if (!list && !made) {
            err = kKeyErrListAlloc;
        } else {
            err = ImportKeys(context, found, prompt, owner, list ? list : made.get(), tls);
            if (err == kPGPError_NoErr && made) list = made.release();
        }
    }
    ReleaseServerKeys(found);
    rings->CloseEnvironment(tls);
    return err;
}

}  // namespace orv
