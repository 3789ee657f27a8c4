#include "standin/sdkui/core_access.h"

#include <windows.h>

#include <cstring>

namespace companion {

const Core& core() {
    static const Core bound = [] {
        Core c;
        HMODULE m = GetModuleHandleA("PGP_SDK.dll");
        if (!m) m = GetModuleHandleA("PGPSDK.dll");
        if (!m) return c;
        bool all = true;
#define ORV_COMPANION_BIND(slot, type, name)                                             \
    c.slot = reinterpret_cast<type>(reinterpret_cast<void (*)()>(GetProcAddress(m, name))); \
    all = all && c.slot;
        ORV_COMPANION_CORE_COMMON(ORV_COMPANION_BIND)
        ORV_COMPANION_CORE_KEYS(ORV_COMPANION_BIND)
#undef ORV_COMPANION_BIND
        c.complete = all;
        return c;
    }();
    return bound;
}

void wipe(void* p, size_t n) {
    if (p && n) SecureZeroMemory(p, n);
}

std::string keyIDText(const PGPKeyID& id) {
    const Core& c = core();
    char text[kPGPMaxKeyIDStringSize] = {};
    constexpr PGPKeyIDStringType full = ORV_COMPANION_RELEASE == 7 ? kPGPKeyIDString_Full : kPGPKeyIDString65_Full;
    if (!c.PGPGetKeyIDString || c.PGPGetKeyIDString(&id, full, text) != kPGPError_NoErr) return {};
    return text;
}

namespace {

const char* algorithmName(int algorithm) {
    switch (algorithm) {
        case kPGPPublicKeyAlgorithm_RSA:
        case kPGPPublicKeyAlgorithm_RSAEncryptOnly:
        case kPGPPublicKeyAlgorithm_RSASignOnly: return "RSA";
        case kPGPPublicKeyAlgorithm_ElGamal: return "ElGamal";
        case kPGPPublicKeyAlgorithm_DSA: return "DSA";
        case kPGPPublicKeyAlgorithm_DHDSS: return "DH/DSS";
        default: return "Other";
    }
}

#if ORV_COMPANION_RELEASE == 7

bool boolProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPBoolean b = 0;
    return core().PGPGetKeyDBObjBooleanProperty && core().PGPGetKeyDBObjBooleanProperty(obj, p, &b) == 0 && b;
}

int numProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPInt32 v = 0;
    if (!core().PGPGetKeyDBObjNumericProperty || core().PGPGetKeyDBObjNumericProperty(obj, p, &v) != 0) return 0;
    return v;
}

int subKeyBits(PGPKeyDBObjRef sub) { return numProp(sub, kPGPSubKeyProperty_Bits); }

// Walks the keys of a set, or with subKeys the subkeys of its one key.
class KeyWalk {
public:
    explicit KeyWalk(PGPKeySetRef set) {
        if (core().PGPNewKeyIterFromKeySet(set, &iter_) != kPGPError_NoErr) iter_ = nullptr;
    }
    ~KeyWalk() {
        if (iter_) core().PGPFreeKeyIter(iter_);
    }
    PGPKeyDBObjRef nextKey() { return next(kPGPKeyIter_Key); }
    PGPKeyDBObjRef nextSubKey() { return next(kPGPKeyIter_SubKey); }

private:
    PGPKeyDBObjRef next(PGPKeyIterKind kind) {
        PGPKeyDBObjRef obj = nullptr;
        if (!iter_ || core().PGPKeyIterNextKeyDBObj(iter_, kind, &obj) != kPGPError_NoErr) return nullptr;
        return obj;
    }
    PGPKeyIterRef iter_ = nullptr;
};

PGPError singleton(PGPKeyDBObjRef key, PGPKeySetRef* out) { return core().PGPNewOneKeySet(key, out); }

bool primaryName(PGPKeyDBObjRef key, char* name, PGPSize size, PGPSize* len) {
    return core().PGPGetPrimaryUserIDName(key, name, size, len) == kPGPError_NoErr;
}

#else

// Release 6.5 numbers the same properties 40 (booleans), 180 (key numbers)
// and 580 (subkey numbers) lower.
bool boolProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPBoolean b = 0;
    return core().PGPGetKeyBoolean && core().PGPGetKeyBoolean(obj, p - 40, &b) == 0 && b;
}

int numProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPInt32 v = 0;
    if (!core().PGPGetKeyNumber || core().PGPGetKeyNumber(obj, p - 180, &v) != 0) return 0;
    return v;
}

int subKeyBits(PGPKeyDBObjRef sub) {
    PGPInt32 v = 0;
    if (!core().PGPGetSubKeyNumber || core().PGPGetSubKeyNumber(sub, kPGPSubKeyProperty_Bits - 580, &v) != 0) return 0;
    return v;
}

// Walks the keys of a set in the set's order, or the subkeys of the key
// reached last.
class KeyWalk {
public:
    explicit KeyWalk(PGPKeySetRef set) {
        const auto& c = core();
        if (c.PGPOrderKeySet(set, kPGPKeyOrdering_Any, &list_) != kPGPError_NoErr) list_ = nullptr;
        if (list_ && c.PGPNewKeyIter(list_, &iter_) != kPGPError_NoErr) iter_ = nullptr;
    }
    ~KeyWalk() {
        if (iter_) core().PGPFreeKeyIter(iter_);
        if (list_) core().PGPFreeKeyList(list_);
    }
    PGPKeyDBObjRef nextKey() { return next(core().PGPKeyIterNext); }
    PGPKeyDBObjRef nextSubKey() { return next(core().PGPKeyIterNextSubKey); }

private:
    PGPKeyDBObjRef next(PFN_PGPKeyIterNext step) {
        PGPKeyDBObjRef obj = nullptr;
        if (!iter_ || step(iter_, &obj) != kPGPError_NoErr) return nullptr;
        return obj;
    }
    PGPKeyListRef list_ = nullptr;
    PGPKeyIterRef iter_ = nullptr;
};

PGPError singleton(PGPKeyDBObjRef key, PGPKeySetRef* out) { return core().PGPNewSingletonKeySet(key, out); }

bool primaryName(PGPKeyDBObjRef key, char* name, PGPSize size, PGPSize* len) {
    return core().PGPGetPrimaryUserIDNameBuffer(key, size, name, len) == kPGPError_NoErr;
}

#endif

}  // namespace

bool keyIDOf(PGPKeyDBObjRef key, PGPKeyID& out) {
    out = PGPKeyID{};
    const Core& c = core();
#if ORV_COMPANION_RELEASE == 7
    return c.PGPGetKeyID && c.PGPGetKeyID(key, &out) == kPGPError_NoErr;
#else
    return c.PGPGetKeyIDFromKey && c.PGPGetKeyIDFromKey(key, &out) == kPGPError_NoErr;
#endif
}

PGPKeyDBObjRef findKey(PGPKeySetRef set, const PGPKeyID& id) {
    const Core& c = core();
    PGPKeyDBObjRef key = nullptr;
    if (!c.complete || !set) return nullptr;
#if ORV_COMPANION_RELEASE == 7
    PGPKeyDBRef db = c.PGPPeekKeySetKeyDB(set);
    if (!db || c.PGPFindKeyByKeyID(db, &id, &key) != kPGPError_NoErr) return nullptr;
#else
    if (c.PGPGetKeyByKeyID(set, &id, 0, &key) != kPGPError_NoErr) return nullptr;
#endif
    return key;
}

PGPError newSetOf(PGPKeySetRef from, const std::vector<PGPKeyDBObjRef>& keys, PGPKeySetRef* out) {
    const Core& c = core();
    *out = nullptr;
    if (!c.complete) return kPGPError_EngineNotLoaded;
    PGPKeySetRef made = nullptr;
#if ORV_COMPANION_RELEASE == 7
    PGPError err = c.PGPNewEmptyKeySet(c.PGPPeekKeySetKeyDB(from), &made);
#else
    PGPContextRef context = nullptr;
    PGPError err = c.PGPGetKeySetContext(from, &context);
    if (!err) err = c.PGPNewEmptyKeySet(context, &made);
#endif
    for (PGPKeyDBObjRef key : keys) {
        if (err) break;
        PGPKeySetRef one = nullptr;
        err = singleton(key, &one);
        if (!err) err = c.PGPAddKeys(one, made);
        if (one) c.PGPFreeKeySet(one);
    }
    if (err) {
        if (made) c.PGPFreeKeySet(made);
        return err;
    }
    *out = made;
    return kPGPError_NoErr;
}

PGPError openRings(const std::string& publicRing, const std::string& secretRing, Rings& out, bool writable) {
    const Core& c = core();
    out = Rings{};
    if (!c.complete) return kPGPError_EngineNotLoaded;
    PGPFileSpecRef pubSpec = nullptr, secSpec = nullptr;
    PGPError err = c.PGPNewContext(kPGPsdkAPIVersion, &out.context);
    if (!err) err = c.PGPNewFileSpecFromFullPath(out.context, publicRing.c_str(), &pubSpec);
    if (!err) err = c.PGPNewFileSpecFromFullPath(out.context, secretRing.c_str(), &secSpec);
#if ORV_COMPANION_RELEASE == 7
    PGPKeyDBRef db = nullptr;
    if (!err) err = c.PGPOpenKeyDBFile(out.context, writable ? kPGPOpenKeyDBFileOptions_Mutable : 0, pubSpec, secSpec, &db);
    out.db = db;
    if (!err) out.keys = c.PGPPeekKeyDBRootKeySet(db);
#else
    if (!err)
        err = c.PGPOpenKeyRingPair(out.context, writable ? kPGPOpenKeyRingOptions_Mutable : 0, pubSpec, secSpec, &out.keys);
#endif
    if (secSpec) c.PGPFreeFileSpec(secSpec);
    if (pubSpec) c.PGPFreeFileSpec(pubSpec);
    if (err) closeRings(out);
    return err;
}

PGPError saveRings(Rings& rings) {
    const Core& c = core();
#if ORV_COMPANION_RELEASE == 7
    return rings.db ? c.PGPFlushKeyDB(static_cast<PGPKeyDBRef>(rings.db)) : kPGPError_BadParams;
#else
    return rings.keys ? c.PGPCommitKeyRingChanges(rings.keys) : kPGPError_BadParams;
#endif
}

PGPOptionListRef ringsOption(const Rings& rings) {
    const Core& c = core();
#if ORV_COMPANION_RELEASE == 7
    return c.PGPOKeyDBRef(rings.context, static_cast<PGPKeyDBRef>(rings.db));
#else
    return c.PGPOKeySetRef(rings.context, rings.keys);
#endif
}

void closeRings(Rings& rings) {
    const Core& c = core();
#if ORV_COMPANION_RELEASE == 7
    if (rings.db) c.PGPFreeKeyDB(static_cast<PGPKeyDBRef>(rings.db));
#else
    // The rings' root set stands for the rings themselves.
    if (rings.keys) c.PGPFreeKeySet(rings.keys);
#endif
    if (rings.context) c.PGPFreeContext(rings.context);
    rings = Rings{};
}

KeyInfo describeKey(PGPKeyDBObjRef key) {
    const Core& c = core();
    KeyInfo k;
    k.key = key;
    if (!c.complete || !key) return k;
    char name[256] = {};
    PGPSize len = 0;
    if (primaryName(key, name, sizeof name - 1, &len)) k.userID.assign(name, strnlen(name, sizeof name - 1));
    PGPKeyID id{};
    if (keyIDOf(key, id)) k.keyID = keyIDText(id);
    k.type = algorithmName(numProp(key, kPGPKeyProperty_AlgorithmID));
    k.bits = numProp(key, kPGPKeyProperty_Bits);
    k.secret = boolProp(key, kPGPKeyProperty_IsSecret);
    k.canSign = boolProp(key, kPGPKeyProperty_CanSign);
    k.canDecrypt = boolProp(key, kPGPKeyProperty_CanDecrypt);
    // The key's own set walks its subkeys.
    PGPKeySetRef one = nullptr;
    if (singleton(key, &one) == kPGPError_NoErr) {
        KeyWalk walk(one);
        if (walk.nextKey()) {
            while (PGPKeyDBObjRef sub = walk.nextSubKey()) {
                const int b = subKeyBits(sub);
                if (b > 0) {
                    k.subBits = b;
                    break;
                }
            }
        }
    }
    if (one) c.PGPFreeKeySet(one);
    return k;
}

std::vector<KeyInfo> listKeys(PGPKeySetRef set) {
    const Core& c = core();
    std::vector<KeyInfo> keys;
    if (!c.complete || !set) return keys;
    std::vector<PGPKeyDBObjRef> found;
    {
        KeyWalk walk(set);
        while (PGPKeyDBObjRef key = walk.nextKey()) found.push_back(key);
    }
    for (PGPKeyDBObjRef key : found) keys.push_back(describeKey(key));
    return keys;
}

std::string sizeText(const KeyInfo& k) {
    if (k.bits <= 0) return {};
    if (k.type == "DSA" && k.subBits > 0) return std::to_string(k.subBits) + "/" + std::to_string(k.bits) + " bits";
    return std::to_string(k.bits) + " bits";
}

}  // namespace companion
