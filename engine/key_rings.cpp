// The shared key rings, key look-ups and key listings.
#include "engine/key_rings.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <new>

#include "base/key_id.h"
#include "engine/adapters.h"
#include "engine/loader.h"
#include "engine/message_pump.h"
#include "engine/pgp_time.h"
#include "engine/sdk_table.h"

namespace orv {
namespace {

using sdk::Call;
using sdk::Sdk;

TKeyRings* g_keyRings = nullptr;

template <class Fn65, class Fn>
Fn65 As65(Fn fn) {
    return reinterpret_cast<Fn65>(reinterpret_cast<void (*)()>(fn));
}

void FreeSet(PGPKeySetRef& set) {
    if (set && Sdk().PGPFreeKeySet) Sdk().PGPFreeKeySet(set);
    set = nullptr;
}
void FreeFilter(PGPFilterRef& filter) {
    if (filter && Sdk().PGPFreeFilter) Sdk().PGPFreeFilter(filter);
    filter = nullptr;
}

PGPError NewFileSpec(PGPContextRef context, const std::string& path, PGPFileSpecRef& spec) {
    spec = nullptr;
    return Call(Sdk().PGPNewFileSpecFromFullPath, context, path.c_str(), &spec);
}

void FreeFileSpec(PGPFileSpecRef& spec) {
    if (spec && Sdk().PGPFreeFileSpec) Sdk().PGPFreeFileSpec(spec);
    spec = nullptr;
}

PGPError NewEmptySet(PGPContextRef context, PGPKeySetRef like, PGPKeySetRef& out) {
    auto& t = Sdk();
    out = nullptr;
    if (loader::IsSDK7()) {
        if (!t.PGPPeekKeySetKeyDB) return kPGPError_EngineNotLoaded;
        return Call(t.PGPNewEmptyKeySet, t.PGPPeekKeySetKeyDB(like), &out);
    }
    return Call(As65<PFN65_PGPNewEmptyKeySet>(t.PGPNewEmptyKeySet), context, &out);
}

// A new set with the same keys as `set`.
PGPError ShareSet(PGPKeySetRef set, PGPKeySetRef& out) {
    out = nullptr;
    PGPError err = Call(Sdk().PGPIncKeySetRefCount, set);
    if (err == kPGPError_NoErr) out = set;
    return err;
}

// The filter of one recipient item: a key ID matched exactly, else a user-ID
// substring.
PGPError ItemFilter(PGPContextRef context, const std::string& item, PGPFilterRef& filter) {
    filter = nullptr;
    if (IsKeyIDText(item)) {
        PGPKeyID id{};
        PGPError err = sdk::NewKeyIDFromString(item.c_str(), 0, &id);
        if (err != kPGPError_NoErr) return err;
        return sdk::NewDataFilter(context, kPGPKeyProperty_KeyID, &id, loader::KeyIDSize(), kPGPMatchEqual, &filter);
    }
    return sdk::NewDataFilter(context, kPGPUserIDProperty_Name, item.data(), static_cast<PGPSize>(item.size()),
                              kPGPMatchSubString, &filter);
}

PGPUInt32 CountSet(PGPKeySetRef set) {
    PGPUInt32 n = 0;
    if (Call(Sdk().PGPCountKeys, set, &n) != kPGPError_NoErr) return 0;
    return n;
}

// The user's rings for the length of one call.
class RingsInUse {
public:
    RingsInUse() {
        error_ = g_keyRings ? g_keyRings->OpenKeyRings(context_, keySet_) : kPGPError_EngineNotLoaded;
    }
    ~RingsInUse() {
        if (error_ == kPGPError_NoErr) g_keyRings->CloseKeyRings();
    }
    RingsInUse(const RingsInUse&) = delete;
    RingsInUse& operator=(const RingsInUse&) = delete;
    PGPError error() const { return error_; }
    PGPContextRef context() const { return context_; }
    PGPKeySetRef keySet() const { return keySet_; }

private:
    PGPError error_ = kPGPError_EngineNotLoaded;
    PGPContextRef context_ = nullptr;
    PGPKeySetRef keySet_ = nullptr;
};

bool BoolProp(PGPKeyDBObjRef key, PGPKeyDBObjProperty p) {
    PGPBoolean b = 0;
    return sdk::GetBooleanProperty(key, p, &b) == kPGPError_NoErr && b != 0;
}
int NumProp(PGPKeyDBObjRef key, PGPKeyDBObjProperty p) {
    PGPInt32 v = 0;
    return sdk::GetNumericProperty(key, p, &v) == kPGPError_NoErr ? v : 0;
}
PGPTime TimeProp(PGPKeyDBObjRef key, PGPKeyDBObjProperty p) {
    PGPTime v = 0;
    return sdk::GetTimeProperty(key, p, &v) == kPGPError_NoErr ? v : 0;
}

std::string KeyIDTextOf(const PGPKeyID& id) {
    char text[kPGPMaxKeyIDStringSize] = {};
    if (Call(Sdk().PGPGetKeyIDString, &id, loader::KeyIDFormatFull(), text) != kPGPError_NoErr) return {};
    text[kPGPMaxKeyIDStringSize - 1] = '\0';
    return text;
}

std::string UserIDName(PGPKeyDBObjRef uid) {
    char buf[1024] = {};
    PGPSize len = 0;
    if (sdk::GetDataProperty(uid, kPGPUserIDProperty_Name, buf, sizeof buf - 1, &len) != kPGPError_NoErr) return {};
    return std::string(buf, len < sizeof buf - 1 ? len : sizeof buf - 1);
}

void FillRecord(TKeyProps& r, std::uint32_t mask, const std::string& fullID, PGPKeyDBObjRef key, PGPKeyIterRef iter,
                PGPKeySetRef keySet) {
    if (mask & kPropShortKeyID) r.ShortKeyID = ShortKeyID(fullID);
    if (mask & kPropUserName) {
        char name[256] = {};
        PGPSize len = 0;
        if (sdk::GetPrimaryUserIDName(key, name, sizeof name - 1, &len) == kPGPError_NoErr)
            r.UserName.assign(name, len < sizeof name - 1 ? len : sizeof name - 1);
    }
    if (mask & kPropFingerprint) {
        PGPByte fp[64] = {};
        PGPSize len = 0;
        if (sdk::GetDataProperty(key, kPGPKeyProperty_Fingerprint, fp, sizeof fp, &len) == kPGPError_NoErr)
            r.Fingerprint = FingerprintText(fp, len < sizeof fp ? len : sizeof fp);
    }
    const PGPTime created = TimeProp(key, kPGPKeyProperty_Creation);
    PGPTime expires = TimeProp(key, kPGPKeyProperty_Expiration);
    if (expires <= created) expires = 0;
    if (mask & kPropCreated) r.Created = FormatPGPTime(created);
    if (mask & kPropExpires) r.Expires = expires ? FormatPGPTime(expires) : std::string();
    if (mask & kPropCreatedTime) r.CreatedTime = created;
    if (mask & kPropExpiresTime) r.ExpiresTime = expires;

    if (mask & (kPropSizeText | kPropAlgorithm | kPropHasSubkeyText)) {
        const int algorithm = NumProp(key, kPGPKeyProperty_AlgorithmID);
        int subBits = 0;
        if (algorithm == kPGPPublicKeyAlgorithm_DSA) {
            PGPKeyDBObjRef sub = nullptr;
            sdk::KeyIterRewind(iter, kPGPKeyIter_SubKey);
            if (sdk::KeyIterNext(iter, kPGPKeyIter_SubKey, &sub) == kPGPError_NoErr && sub)
                subBits = NumProp(sub, kPGPSubKeyProperty_Bits);
        }
        const std::string size = KeySizeText(algorithm, NumProp(key, kPGPKeyProperty_Bits), subBits);
        const bool hasSub = size.find('/') != std::string::npos;
        if (mask & kPropSizeText) r.SizeText = size;
        if (mask & kPropAlgorithm)
            r.Algorithm = algorithm == kPGPPublicKeyAlgorithm_DSA && hasSub ? kPGPPublicKeyAlgorithm_DHDSS : algorithm;
        if (mask & kPropHasSubkeyText) r.HasSubkeyText = hasSub;
    }
    if (mask & kPropTrust) r.Trust = NumProp(key, kPGPKeyProperty_Trust);
    if (mask & kPropKeyValidity) r.KeyValidity = NumProp(key, kPGPKeyProperty_Validity);
    if (mask & kPropIsSecret) r.IsSecret = BoolProp(key, kPGPKeyProperty_IsSecret);
    if (mask & kPropIsAxiomatic) r.IsAxiomatic = BoolProp(key, kPGPKeyProperty_IsAxiomatic);
    if (mask & kPropIsRevoked) r.IsRevoked = BoolProp(key, kPGPKeyProperty_IsRevoked);
    if (mask & kPropIsDisabled) r.IsDisabled = BoolProp(key, kPGPKeyProperty_IsDisabled);
    if (mask & kPropIsExpired) r.IsExpired = BoolProp(key, kPGPKeyProperty_IsExpired);
    if (mask & kPropIsShared) r.IsShared = BoolProp(key, kPGPKeyProperty_IsSecretShared);
    if (mask & kPropCanEncrypt) r.CanEncrypt = BoolProp(key, kPGPKeyProperty_CanEncrypt);
    if (mask & kPropCanDecrypt) r.CanDecrypt = BoolProp(key, kPGPKeyProperty_CanDecrypt);
    if (mask & kPropCanSign) r.CanSign = BoolProp(key, kPGPKeyProperty_CanSign);
    if (mask & kPropCanVerify) r.CanVerify = BoolProp(key, kPGPKeyProperty_CanVerify);

    if (mask & kPropRevokerState) {
        PGPUInt32 n = 0;
        if (Call(Sdk().PGPCountRevocationKeys, key, &n) == kPGPError_NoErr && n > 0) {
            r.RevokerState = 1;
            for (PGPUInt32 i = 0; i < n; ++i) {
                PGPKeyDBObjRef rk = nullptr;
                PGPKeyID id{};
                if (sdk::GetIndexedRevocationKey(key, keySet, i, &rk, &id) == kPGPError_NoErr && r.RevocationKeys)
                    r.RevocationKeys->push_back(KeyIDTextOf(id));
            }
        }
    }
    if (mask & kPropADKState) {
        PGPUInt32 n = 0;
        if (Call(Sdk().PGPCountAdditionalRecipientRequests, key, &n) == kPGPError_NoErr && n > 0) {
            r.ADKState = kADKPresent;
            for (PGPUInt32 i = 0; i < n; ++i) {
                PGPKeyDBObjRef adk = nullptr;
                PGPKeyID id{};
                PGPByte cls = 0;
                if (sdk::GetIndexedAdditionalRecipientRequestKey(key, keySet, i, &adk, &id, &cls) != kPGPError_NoErr)
                    continue;
                if (cls & 0x80) r.ADKState = kADKRequired;
                if (r.ADKeys) r.ADKeys->push_back(KeyIDTextOf(id));
            }
        }
    }
    if ((mask & kPropUserIDs) && r.UserIDs) {
        sdk::KeyIterRewind(iter, kPGPKeyIter_UserID);
        PGPKeyDBObjRef uid = nullptr;
        while (sdk::KeyIterNext(iter, kPGPKeyIter_UserID, &uid) == kPGPError_NoErr && uid) {
            r.UserIDs->push_back(UserIDName(uid));
            if ((mask & kPropUserIDSigs) && r.Signatures) {
                sdk::KeyIterRewind(iter, kPGPKeyIter_Signature);
                PGPKeyDBObjRef sig = nullptr;
                while (sdk::KeyIterNext(iter, kPGPKeyIter_Signature, &sig) == kPGPError_NoErr && sig) {
                    PGPKeyID id{};
                    if (sdk::GetCertifierKeyID(sig, &id) == kPGPError_NoErr) r.Signatures->push_back(KeyIDTextOf(id));
                    sig = nullptr;
                }
            }
            uid = nullptr;
        }
    }
}

// A group's member keys, subgroups flattened, as lines: what the user knows
// the key by (its primary user ID when it is on the rings, else its key-ID
// text), a TAB, and its key-ID text, which alone resolves it again: a user
// ID would match as a substring any other key that contains it.
void AppendGroupMembers(PGPGroupSetRef set, PGPGroupID id, PGPKeySetRef keySet, std::string& entry, int depth) {
    auto& t = Sdk();
    if (depth > 8 || !t.PGPCountGroupItems || !t.PGPGetIndGroupItem) return;
    PGPUInt32 keys = 0, total = 0;
    if (Call(t.PGPCountGroupItems, set, id, PGPBoolean(0), &keys, &total) != kPGPError_NoErr) return;
    for (PGPUInt32 i = 0; i < total; ++i) {
        PGPGroupItem item{};
        if (Call(t.PGPGetIndGroupItem, set, id, i, &item) != kPGPError_NoErr) continue;
        if (item.type == 1) {
            AppendGroupMembers(set, item.groupID, keySet, entry, depth + 1);
            continue;
        }
        const std::string keyID = KeyIDTextOf(item.keyID);
        if (keyID.empty()) continue;
        std::string line = keyID;
        PGPKeyDBObjRef key = nullptr;
        if (keySet && FindKeyByID(keySet, keyID, key) == kPGPError_NoErr && key) {
            char name[256] = {};
            PGPSize len = 0;
            if (sdk::GetPrimaryUserIDName(key, name, sizeof name - 1, &len) == kPGPError_NoErr && len > 0)
                line.assign(name, len < sizeof name - 1 ? len : sizeof name - 1);
        }
        entry += "\r\n" + line + kGroupMemberKeyID + keyID;
    }
}

// The groups of the groups file, each as its name followed by one line per
// member key; nothing when there is no file.
void ReadGroups(PGPContextRef context, PGPKeySetRef keySet, std::vector<std::string>& groups) {
    auto& t = Sdk();
    if (!g_keyRings || g_keyRings->GroupFile.empty() || !t.PGPFreeGroupSet) return;
    PGPFileSpecRef spec = nullptr;
    if (NewFileSpec(context, g_keyRings->GroupFile, spec) != kPGPError_NoErr) return;
    PGPGroupSetRef set = nullptr;
    const PGPError err = Call(t.PGPNewGroupSetFromFile, context, spec, &set);
    FreeFileSpec(spec);
    if (err != kPGPError_NoErr || !set) return;
    PGPUInt32 count = 0;
    if (Call(t.PGPCountGroupsInSet, set, &count) == kPGPError_NoErr) {
        for (PGPUInt32 i = 0; i < count; ++i) {
            PGPGroupID id = 0;
            PGPGroupInfo info{};
            if (Call(t.PGPGetIndGroupID, set, i, &id) != kPGPError_NoErr) continue;
            if (Call(t.PGPGetGroupInfo, set, id, &info) != kPGPError_NoErr) continue;
            info.name[sizeof info.name - 1] = '\0';
            std::string entry = info.name;
            AppendGroupMembers(set, id, keySet, entry, 0);
            groups.push_back(std::move(entry));
        }
    }
    t.PGPFreeGroupSet(set);
}

}  // namespace

// ---- TKeyRings -----------------------------------------------------------

TKeyRings::~TKeyRings() { FreeHandles(); }

void TKeyRings::FreeHandles() {
    auto& t = Sdk();
    if (loader::IsSDK7()) {
        if (KeyDB && t.PGPFreeKeyDB) t.PGPFreeKeyDB(KeyDB);
    } else if (RootSet && t.PGPFreeKeySet) {
        t.PGPFreeKeySet(RootSet);
    }
    if (RingContext && t.PGPFreeContext) t.PGPFreeContext(RingContext);
    KeyDB = nullptr;
    RootSet = nullptr;
    RingContext = nullptr;
    OpenCount = 0;
}

PGPError TKeyRings::OpenKeyRings(PGPContextRef& context, PGPKeySetRef& keySet) {
    context = nullptr;
    keySet = nullptr;
    if (loader::FatalCode() != 0) return kPGPError_EngineNotLoaded;
    auto& t = Sdk();
    if (OpenCount == 0) {
        PGPContextRef ctx = nullptr;
        PGPError err = Call(t.PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &ctx);
        if (err != kPGPError_NoErr) return err;
        PGPFileSpecRef pub = nullptr, priv = nullptr;
        err = NewFileSpec(ctx, PublicRingFile, pub);
        if (err == kPGPError_NoErr) err = NewFileSpec(ctx, PrivateRingFile, priv);
        PGPKeyDBRef db = nullptr;
        PGPKeySetRef root = nullptr;
        if (err == kPGPError_NoErr) {
            if (loader::IsSDK7()) {
                err = Call(t.PGPOpenKeyDBFile, ctx, PGPFlags(kPGPOpenKeyDBFileOptions_Mutable), pub, priv, &db);
                if (err == kPGPError_NoErr) {
                    root = t.PGPPeekKeyDBRootKeySet ? t.PGPPeekKeyDBRootKeySet(db) : nullptr;
                    if (!root) err = kPGPError_EngineNotLoaded;
                }
            } else {
                err = Call(t.PGPOpenKeyRingPair, ctx, PGPFlags(kPGPOpenKeyRingOptions_Mutable), pub, priv, &root);
            }
        }
        FreeFileSpec(priv);
        FreeFileSpec(pub);
        if (err != kPGPError_NoErr) {
            if (db && t.PGPFreeKeyDB) t.PGPFreeKeyDB(db);
            else if (!loader::IsSDK7() && root && t.PGPFreeKeySet) t.PGPFreeKeySet(root);
            if (t.PGPFreeContext) t.PGPFreeContext(ctx);
            return err;
        }
        RingContext = ctx;
        KeyDB = db;
        RootSet = root;
    }
    ++OpenCount;
    context = RingContext;
    keySet = RootSet;
    return kPGPError_NoErr;
}

void TKeyRings::CloseKeyRings() {
    if (OpenCount == 1) FreeHandles();
    else if (OpenCount > 0) --OpenCount;
}

PGPError TKeyRings::CommitKeyRings() {
    if (OpenCount == 0) return kPGPError_BadParams;
    auto& t = Sdk();
    PGPError err = kPGPError_NoErr;
    if (loader::IsSDK7()) {
        err = Call(t.PGPFlushKeyDB, KeyDB);
    } else {
        if (!t.PGPKeySetNeedsCommit) return kPGPError_EngineNotLoaded;
        if (t.PGPKeySetNeedsCommit(RootSet)) err = Call(t.PGPCommitKeyRingChanges, RootSet);
    }
    // Other PGP programs reread the rings on this notice; without a client
    // library nobody is listening.
    if (err == kPGPError_NoErr) sdk::NotifyKeyringChanges(GetCurrentProcessId());
    return err;
}

bool TKeyRings::SetRingFiles(const std::string& publicRing, const std::string& privateRing) {
    PublicRingFile = publicRing;
    PrivateRingFile = privateRing;
    return !publicRing.empty() && !privateRing.empty();
}

int TKeyRings::ReadRingFiles(TPgpPrefs& prefs) {
    PrefsRecord record;
    const int err = prefs.ReadPrefs(record, kPrefsPublicRing | kPrefsPrivateRing | kPrefsGroupsFile);
    if (err != 0) return err;
    SetRingFiles(record.PublicRing, record.PrivateRing);
    GroupFile = record.GroupsFile;
    return 0;
}

PGPError TKeyRings::OpenEnvironment(PGPContextRef& context, PGPKeySetRef& keySet, PGPtlsContextRef& tls) {
    tls = nullptr;
    PGPError err = OpenKeyRings(context, keySet);
    if (err != kPGPError_NoErr) return err;
    err = Call(Sdk().PGPNewTLSContext, context, &tls);
    if (err == kPGPError_NoErr) {
        err = sdk::ClientInitLibrary(context);
        if (err == kPGPError_NoErr) return err;
        if (Sdk().PGPFreeTLSContext) Sdk().PGPFreeTLSContext(tls);
    }
    tls = nullptr;
    CloseKeyRings();
    context = nullptr;
    keySet = nullptr;
    return err;
}

void TKeyRings::CloseEnvironment(PGPtlsContextRef tls) {
    sdk::ClientCloseLibrary();
    if (tls && Sdk().PGPFreeTLSContext) Sdk().PGPFreeTLSContext(tls);
    CloseKeyRings();
}

TKeyRings* KeyRings() { return g_keyRings; }
void CreateKeyRings() {
    if (!g_keyRings) g_keyRings = new TKeyRings;
}
void FreeKeyRings() {
    delete g_keyRings;
    g_keyRings = nullptr;
}

// ---- Texts ---------------------------------------------------------------

std::vector<std::string> SplitRecipientText(const std::string& text) {
    std::vector<std::string> items;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto isSep = [](char c) { return c == ',' || static_cast<unsigned char>(c) <= ' '; };
    while (i < n) {
        while (i < n && isSep(text[i])) ++i;
        if (i >= n) break;
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            while (i < n && !isSep(text[i])) item += text[i++];
        } else {
            while (i < n && !isSep(text[i])) item += text[i++];
        }
        const auto b = item.find_first_not_of(" \t\r\n");
        const auto e = item.find_last_not_of(" \t\r\n");
        if (b != std::string::npos) items.push_back(item.substr(b, e - b + 1));
    }
    return items;
}

std::string FingerprintText(const PGPByte* bytes, std::size_t length) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0 && i % 2 == 0) out += ' ';
        out += hex[bytes[i] >> 4];
        out += hex[bytes[i] & 0xF];
    }
    return out;
}

std::string KeySizeText(int algorithm, int keyBits, int subkeyBits) {
    if (algorithm == kPGPPublicKeyAlgorithm_RSA) return std::to_string(keyBits) + " bits";
    if (algorithm == kPGPPublicKeyAlgorithm_DSA) {
        if (subkeyBits > 0) return std::to_string(subkeyBits) + "/" + std::to_string(keyBits) + " bits";
        return std::to_string(keyBits) + " bits";
    }
    return {};
}

std::string KeyIDText(PGPKeyDBObjRef key, bool full) {
    PGPKeyID id{};
    if (sdk::GetKeyID(key, &id) != kPGPError_NoErr) return {};
    char text[kPGPMaxKeyIDStringSize] = {};
    const PGPKeyIDStringType kind = full ? loader::KeyIDFormatFull() : loader::KeyIDFormatShort();
    if (Call(Sdk().PGPGetKeyIDString, &id, kind, text) != kPGPError_NoErr) return {};
    text[kPGPMaxKeyIDStringSize - 1] = '\0';
    return text;
}

// ---- Look-ups ------------------------------------------------------------

PGPError ResolveKeys(PGPContextRef context, PGPKeySetRef keySet, const std::string& text, PGPKeySetRef& outSet) {
    outSet = nullptr;
    const auto items = SplitRecipientText(text);
    if (items.empty()) return kKeyErrNoKeyForItem;
    PGPKeySetRef result = nullptr;
    PGPError err = NewEmptySet(context, keySet, result);
    if (err != kPGPError_NoErr) return err;
    for (const auto& item : items) {
        PGPFilterRef filter = nullptr;
        err = ItemFilter(context, item, filter);
        // A text the engine cannot turn into a key ID names no key.
        if (err == kPGPError_BadParams) err = kKeyErrNoKeyForItem;
        PGPKeySetRef found = nullptr;
        if (err == kPGPError_NoErr) err = Call(Sdk().PGPFilterKeySet, keySet, filter, &found);
        FreeFilter(filter);
        if (err == kPGPError_NoErr && CountSet(found) == 0) err = kKeyErrNoKeyForItem;
        if (err == kPGPError_NoErr) err = Call(Sdk().PGPAddKeys, found, result);
        FreeSet(found);
        if (err != kPGPError_NoErr) {
            FreeSet(result);
            return err;
        }
    }
    outSet = result;
    return kPGPError_NoErr;
}

int CountKeys(const std::string& text, std::string* firstKeyID) {
    if (firstKeyID) firstKeyID->clear();
    RingsInUse rings;
    if (rings.error() != kPGPError_NoErr) return rings.error();
    PGPKeySetRef found = nullptr;
    PGPError err = ResolveKeys(rings.context(), rings.keySet(), text, found);
    if (err == kKeyErrNoKeyForItem) return 0;
    if (err != kPGPError_NoErr) return err;
    const int count = static_cast<int>(CountSet(found));
    if (firstKeyID && count > 0) {
        PGPKeyListRef list = nullptr;
        PGPKeyIterRef iter = nullptr;
        if (sdk::OrderKeySet(found, kPGPKeyOrdering_Any, false, &list) == kPGPError_NoErr &&
            Call(Sdk().PGPNewKeyIter, list, &iter) == kPGPError_NoErr) {
            PGPKeyDBObjRef key = nullptr;
            if (sdk::KeyIterNext(iter, kPGPKeyIter_Key, &key) == kPGPError_NoErr && key) *firstKeyID = KeyIDText(key);
        }
        if (iter) Sdk().PGPFreeKeyIter(iter);
        if (list) Sdk().PGPFreeKeyList(list);
    }
    FreeSet(found);
    return count;
}

PGPError FindKeyByID(PGPKeySetRef keySet, const std::string& keyIDText, PGPKeyDBObjRef& outKey) {
    outKey = nullptr;
    if (!IsKeyIDText(keyIDText)) return kPGPError_BadParams;
    PGPKeyID id{};
    PGPError err = sdk::NewKeyIDFromString(keyIDText.c_str(), 0, &id);
    if (err != kPGPError_NoErr) return err;
    return sdk::FindKeyByKeyID(keySet, &id, &outKey);
}

bool IsPassphraseValid(const std::string& keyIDText, const char* passphrase) {
    RingsInUse rings;
    if (rings.error() != kPGPError_NoErr || !passphrase) return false;
    PGPKeyDBObjRef key = nullptr;
    auto& t = Sdk();
    if (FindKeyByID(rings.keySet(), keyIDText, key) != kPGPError_NoErr || !key) return false;
    if (!t.PGPPassphraseIsValid || !t.PGPOPassphrase || !t.PGPOLastOption) return false;
    return t.PGPPassphraseIsValid(key, t.PGPOPassphrase(rings.context(), passphrase),
                                  t.PGPOLastOption(rings.context())) != 0;
}

PGPError NewCapabilityFilter(PGPContextRef context, std::uint32_t flags, PGPFilterRef& outFilter) {
    outFilter = nullptr;
    PGPFilterRef boolFilter = nullptr, algFilter = nullptr;
    PGPError err = kPGPError_NoErr;
    static const struct {
        std::uint32_t flag;
        PGPKeyDBObjProperty property;
        bool value;
    } kBooleans[] = {
        {kCapCanEncrypt, kPGPKeyProperty_CanEncrypt, true}, {kCapCanDecrypt, kPGPKeyProperty_CanDecrypt, true},
        {kCapCanSign, kPGPKeyProperty_CanSign, true},       {kCapCanVerify, kPGPKeyProperty_CanVerify, true},
        {kCapEnabled, kPGPKeyProperty_IsDisabled, false},   {kCapDisabled, kPGPKeyProperty_IsDisabled, true},
    };
    for (const auto& b : kBooleans) {
        if (!(flags & b.flag)) continue;
        err = sdk::NewBooleanFilter(context, b.property, b.value, &boolFilter);
        break;
    }
    if (err != kPGPError_NoErr) return err;
    const bool r7 = loader::IsSDK7();
    if (flags & kCapAlgDSA)
        err = sdk::NewNumericFilter(context, kPGPKeyProperty_AlgorithmID, kPGPPublicKeyAlgorithm_DSA, kPGPMatchEqual,
                                    &algFilter);
    else if (flags & kCapAlgRSA)
        err = sdk::NewNumericFilter(context, kPGPKeyProperty_AlgorithmID, kPGPPublicKeyAlgorithm_RSA, kPGPMatchEqual,
                                    &algFilter);
    else if (flags & kCapVersion4)
        err = r7 ? sdk::NewNumericFilter(context, kPGPKeyProperty_Version, 4, kPGPMatchEqual, &algFilter)
                 : sdk::NewNumericFilter(context, kPGPKeyProperty_AlgorithmID, kPGPPublicKeyAlgorithm_DSA,
                                         kPGPMatchEqual, &algFilter);
    else if (flags & kCapVersion3)
        err = r7 ? sdk::NewNumericFilter(context, kPGPKeyProperty_Version, 3, kPGPMatchGreaterOrEqual, &algFilter)
                 : sdk::NewNumericFilter(context, kPGPKeyProperty_AlgorithmID, kPGPPublicKeyAlgorithm_RSA,
                                         kPGPMatchEqual, &algFilter);
    if (err != kPGPError_NoErr) {
        FreeFilter(boolFilter);
        return err;
    }
    if (boolFilter && algFilter) {
        err = Call(Sdk().PGPIntersectFilters, boolFilter, algFilter, &outFilter);
        // The intersection takes over both filters only when it was made.
        if (err != kPGPError_NoErr) {
            FreeFilter(boolFilter);
            FreeFilter(algFilter);
        }
        return err;
    }
    outFilter = boolFilter ? boolFilter : algFilter;
    return kPGPError_NoErr;
}

PGPError FilterByCapability(PGPContextRef context, PGPKeySetRef keySet, std::uint32_t flags, PGPKeySetRef& outSet) {
    outSet = nullptr;
    PGPFilterRef filter = nullptr;
    PGPError err = NewCapabilityFilter(context, flags, filter);
    if (err != kPGPError_NoErr) return err;
    if (!filter) return ShareSet(keySet, outSet);
    err = Call(Sdk().PGPFilterKeySet, keySet, filter, &outSet);
    FreeFilter(filter);
    return err;
}

int ListKeys(PGPContextRef context, PGPKeySetRef keySet, std::uint32_t flags, std::uint32_t mask,
             PGPKeyOrdering order, TKeyPropsList*& list) {
    std::unique_ptr<TKeyPropsList> made;
    if (!list) {
        made.reset(new (std::nothrow) TKeyPropsList(0, mask));
        if (!made) return kKeyErrListAlloc;
    } else {
        mask = list->Mask();
    }
    TKeyPropsList& target = list ? *list : *made;
    PGPKeySetRef filtered = nullptr;
    PGPError err = FilterByCapability(context, keySet, flags, filtered);
    if (err != kPGPError_NoErr) return err;
    PGPKeyListRef ordered = nullptr;
    PGPKeyIterRef iter = nullptr;
    err = sdk::OrderKeySet(filtered, order, false, &ordered);
    if (err == kPGPError_NoErr) err = Call(Sdk().PGPNewKeyIter, ordered, &iter);
    if (err == kPGPError_NoErr) {
        try {
            PGPKeyDBObjRef key = nullptr;
            while (sdk::KeyIterNext(iter, kPGPKeyIter_Key, &key) == kPGPError_NoErr && key) {
                const std::string id = KeyIDText(key);
                if (made && target.Count() == 0 && (mask & kPropGroups)) ReadGroups(context, keySet, target.Groups);
                const int index = target.Add(id);
                FillRecord(target.Objects(index), mask, id, key, iter, filtered);
                key = nullptr;
            }
        } catch (const std::bad_alloc&) {
            err = kKeyErrListAlloc;
        }
    }
    if (iter) Sdk().PGPFreeKeyIter(iter);
    if (ordered) Sdk().PGPFreeKeyList(ordered);
    FreeSet(filtered);
    if (err != kPGPError_NoErr) return err;
    if (made) list = made.release();
    return list->Count();
}

int FindKeys(const std::string& text, std::uint32_t flags, std::uint32_t mask, TKeyPropsList*& list) {
    RingsInUse rings;
    if (rings.error() != kPGPError_NoErr) return rings.error();
    PGPKeySetRef found = nullptr;
    PGPError err = ResolveKeys(rings.context(), rings.keySet(), text, found);
    if (err != kPGPError_NoErr) return err;
    const int count = ListKeys(rings.context(), found, flags, mask, kPGPKeyOrdering_UserID, list);
    FreeSet(found);
    return count;
}

PGPError ExportKeys(PGPContextRef context, PGPKeySetRef keys, bool withPrivate, const std::string& path,
                    std::string* text, TKeyPropsList* list) {
    auto& t = Sdk();
    if (CountSet(keys) == 0) return kKeyErrNothingToImport;
    if (!t.PGPOLastOption || !t.PGPOVersionString || !t.PGPOExportFormat || !t.PGPOExportPrivateKeys)
        return kPGPError_EngineNotLoaded;
    PGPFileSpecRef spec = nullptr;
    void* buffer = nullptr;
    PGPSize length = 0;
    PGPOptionListRef output = nullptr;
    PGPError err = kPGPError_NoErr;
    if (!path.empty()) {
        err = NewFileSpec(context, path, spec);
        if (err != kPGPError_NoErr) return err;
        output = t.PGPOOutputFile ? t.PGPOOutputFile(context, spec) : nullptr;
    } else {
        output = t.PGPOAllocatedOutputBuffer ? t.PGPOAllocatedOutputBuffer(context, &buffer, 0xFFFFFFFFu, &length)
                                             : nullptr;
    }
    PGPOptionListRef version = t.PGPOVersionString(context, loader::VersionText());
    PGPOptionListRef format = t.PGPOExportFormat(context, kPGPExportFormat_Complete);
    PGPOptionListRef priv = t.PGPOExportPrivateKeys(context, PGPBoolean(withPrivate ? 1 : 0));
    if (loader::IsSDK7()) {
        PGPOptionListRef set = t.PGPOExportKeySet ? t.PGPOExportKeySet(context, keys) : nullptr;
        err = Call(t.PGPExport, context, set, version, format, priv, output, t.PGPOLastOption(context));
    } else {
        err = Call(t.PGPExportKeySet, keys, version, format, priv, output, t.PGPOLastOption(context));
    }
    FreeFileSpec(spec);
    if (err == kPGPError_NoErr && text) text->assign(static_cast<const char*>(buffer), buffer ? length : 0);
    if (buffer && t.PGPFreeData) t.PGPFreeData(buffer);
    if (err == kPGPError_NoErr && list) {
        TKeyPropsList* target = list;
        const int n = ListKeys(context, keys, 0, list->Mask(), kPGPKeyOrdering_UserID, target);
        if (n < 0) err = n;
    }
    return err;
}

PGPError ImportKeys(PGPContextRef context, PGPKeySetRef offered, const std::string& prompt, PGPWindowRef owner,
                    TKeyPropsList* list, PGPtlsContextRef tls) {
    auto& t = Sdk();
    if (!offered || CountSet(offered) == 0) return kKeyErrNothingToImport;
    RingsInUse rings;
    if (rings.error() != kPGPError_NoErr) return rings.error();
    const bool r7 = loader::IsSDK7();
    PGPKeyDBRef temporary = nullptr;
    PGPKeySetRef shown = nullptr, chosen = nullptr, added = nullptr;
    PGPError err = kPGPError_NoErr;
    if (r7) {
        // The dialog shows a key database of its own, apart from the rings.
        err = Call(t.PGPNewKeyDB, context, &temporary);
        if (err == kPGPError_NoErr) err = Call(t.PGPCopyKeys, offered, temporary, &shown);
    } else {
        err = ShareSet(offered, shown);
    }
    if (err == kPGPError_NoErr) err = sdk::SelectKeys(context, tls, owner, prompt.c_str(), shown, &chosen);
    PumpMessages();
    if (err == kPGPError_NoErr && CountSet(chosen) == 0) err = kPGPError_UserAbort;
    if (err == kPGPError_NoErr) {
        if (r7) {
            err = Call(t.PGPCopyKeys, chosen, g_keyRings->KeyDB, &added);
        } else {
            err = Call(t.PGPAddKeys, chosen, rings.keySet());
            if (err == kPGPError_NoErr) err = ShareSet(chosen, added);
        }
    }
    if (err == kPGPError_NoErr) err = g_keyRings->CommitKeyRings();
    if (err == kPGPError_NoErr && list) {
        TKeyPropsList* target = list;
        const int n = ListKeys(context, added, 0, list->Mask(), kPGPKeyOrdering_UserID, target);
        if (n < 0) err = n;
    }
    FreeSet(added);
    FreeSet(chosen);
    FreeSet(shown);
    if (temporary && t.PGPFreeKeyDB) t.PGPFreeKeyDB(temporary);
    return err;
}

PGPError SelectKeys(const std::string& prompt, TKeyPropsList* list, PGPWindowRef owner, std::uint32_t flags) {
    if (!g_keyRings) return kPGPError_EngineNotLoaded;
    PGPContextRef context = nullptr;
    PGPKeySetRef keys = nullptr;
    PGPtlsContextRef tls = nullptr;
    PGPError err = g_keyRings->OpenEnvironment(context, keys, tls);
    if (err != kPGPError_NoErr) return err;
    PGPKeySetRef shown = nullptr, chosen = nullptr;
    err = FilterByCapability(context, keys, flags, shown);
    if (err == kPGPError_NoErr) err = sdk::SelectKeys(context, tls, owner, prompt.c_str(), shown, &chosen);
    PumpMessages();
    if (err == kPGPError_NoErr && CountSet(chosen) == 0) err = kPGPError_UserAbort;
    if (err == kPGPError_NoErr && list) {
        TKeyPropsList* target = list;
        const int n = ListKeys(context, chosen, 0, list->Mask(), kPGPKeyOrdering_UserID, target);
        if (n < 0) err = n;
    }
    FreeSet(chosen);
    FreeSet(shown);
    g_keyRings->CloseEnvironment(tls);
    return err;
}

PGPError ImportFromFile(const std::string& pathOrText, bool isFile, const std::string& prompt, PGPWindowRef owner,
                        TKeyPropsList* list) {
    auto& t = Sdk();
    RingsInUse rings;
    if (rings.error() != kPGPError_NoErr) return rings.error();
    PGPContextRef context = rings.context();
    if (!t.PGPOLastOption || !t.PGPOInputFile || !t.PGPOInputBuffer) return kPGPError_EngineNotLoaded;
    PGPFileSpecRef spec = nullptr;
    PGPOptionListRef input = nullptr;
    if (isFile) {
        PGPError err = NewFileSpec(context, pathOrText, spec);
        if (err != kPGPError_NoErr) return err;
        input = t.PGPOInputFile(context, spec);
    } else {
        input = t.PGPOInputBuffer(context, pathOrText.data(), static_cast<PGPSize>(pathOrText.size()));
    }
    PGPError err = kPGPError_NoErr;
    PGPKeyDBRef readDB = nullptr;
    PGPKeySetRef read = nullptr;
    if (loader::IsSDK7()) {
        err = Call(t.PGPImport, context, &readDB, input, t.PGPOLastOption(context));
        if (err == kPGPError_NoErr) {
            read = t.PGPPeekKeyDBRootKeySet ? t.PGPPeekKeyDBRootKeySet(readDB) : nullptr;
            if (!read) err = kKeyErrNothingToImport;
        }
    } else {
        err = Call(t.PGPImportKeySet, context, &read, input, t.PGPOLastOption(context));
    }
    FreeFileSpec(spec);
    if (err == kPGPError_NoErr) err = ImportKeys(context, read, prompt, owner, list);
    if (readDB) {
        if (t.PGPFreeKeyDB) t.PGPFreeKeyDB(readDB);
    } else {
        FreeSet(read);
    }
    return err;
}

}  // namespace orv
