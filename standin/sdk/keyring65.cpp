// The key-ring family of release 6.5 over the same key model as release 7.
// A set opened from ring files is the root set of a key database and stands
// for it: freeing the set closes the rings. Other sets keep the rings of their
// keys open. Property and filter numbers of release 6.5 are turned into the
// release 7 codes the model answers; key IDs are 34 bytes.
#include <algorithm>
#include <cstring>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

using namespace sdk;

// Entry points of both releases that the release 6.5 forms build on.
extern "C" {
PGPError PGP_CALL PGPSetKeyEnabled(PGPKeyDBObjRef key, PGPBoolean enable);
PGPError PGP_CALL PGPDeleteKeyDBObj(PGPKeyDBObjRef obj);
PGPError PGP_CALL PGPGetKeyID(PGPKeyDBObjRef obj, PGPKeyID* outKeyID);
PGPError PGP_CALL PGPNewKeyIDFromString(const char* string, PGPInt32 kind, PGPKeyID* outKeyID);
PGPError PGP_CALL PGPKeyIterRewind(PGPKeyIterRef iter, PGPKeyIterKind kind);
PGPError PGP_CALL PGPGetIndexedAdditionalRecipientRequestKey(PGPKeyDBObjRef key, PGPUInt32 index,
                                                             PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID,
                                                             PGPByte* outClass);
PGPError PGP_CALL PGPGetIndexedRevocationKey(PGPKeyDBObjRef key, PGPUInt32 index, PGPKeyDBObjRef* outKey,
                                             PGPKeyID* outKeyID);
PGPBoolean PGP_CALL PGPKeySetIsMember(PGPKeyDBObjRef key, PGPKeySetRef keySet);
PGPError PGP_CALL PGPGetPrimaryUserIDName(PGPKeyDBObjRef key, char* buffer, PGPSize bufferSize, PGPSize* outLength);
PGPError PGP_CALL PGPsdkPrefGetFileSpec(PGPContextRef context, PGPsdkPrefSelector selector, PGPFileSpecRef* outSpec);
PGPError PGP_CALL PGPsdkPrefSetData(PGPContextRef context, PGPsdkPrefSelector selector, const void* data,
                                    PGPSize size);
PGPError PGP_CALL PGPsdkPrefGetData(PGPContextRef context, PGPsdkPrefSelector selector, void** outData,
                                    PGPSize* outSize);
PGPError PGP_CALL PGPFreeFileSpec(PGPFileSpecRef spec);
PGPContextRef PGP_CALL PGPPeekKeySetContext(PGPKeySetRef keySet);
PGPContextRef PGP_CALL PGPPeekKeyListContext(PGPKeyListRef keyList);
PGPContextRef PGP_CALL PGPPeekKeyIterContext(PGPKeyIterRef iter);
}

namespace {

// Release 6.5 numbers to release 7 codes, per object kind; 0 when release
// 6.5 has no such number.
PGPKeyDBObjProperty keyBoolean(PGPKeyPropName p) { return p >= 60 && p <= 76 ? p + 40 : 0; }
PGPKeyDBObjProperty keyNumber(PGPKeyPropName p) { return p >= 20 && p <= 26 ? p + 180 : 0; }
PGPKeyDBObjProperty keyTime(PGPKeyPropName p) { return p >= 40 && p <= 41 ? p + 260 : 0; }
PGPKeyDBObjProperty keyBuffer(PGPKeyPropName p) { return p == 1 ? 401 : (p == 2 || p == 3) ? p + 401 : 0; }
PGPKeyDBObjProperty subKeyBoolean(PGPKeyPropName p) {
    if (p == 62) return 501;
    if (p >= 64 && p <= 67) return p + 438;
    if (p >= 75 && p <= 76) return p + 431;
    return 0;
}
PGPKeyDBObjProperty subKeyNumber(PGPKeyPropName p) {
    if (p >= 20 && p <= 21) return p + 580;
    if (p >= 24 && p <= 25) return p + 578;
    if (p == 206) return 605;
    return 0;
}
PGPKeyDBObjProperty subKeyTime(PGPKeyPropName p) { return p >= 40 && p <= 41 ? p + 660 : 0; }
PGPKeyDBObjProperty userIDBoolean(PGPKeyPropName p) { return p == 110 ? 900 : 0; }
PGPKeyDBObjProperty userIDNumber(PGPKeyPropName p) { return p >= 100 && p <= 102 ? p + 900 : 0; }
PGPKeyDBObjProperty userIDString(PGPKeyPropName p) { return p >= 80 && p <= 83 ? p + 1120 : 0; }
PGPKeyDBObjProperty sigBoolean(PGPKeyPropName p) { return p >= 180 && p <= 188 ? p + 1120 : 0; }
PGPKeyDBObjProperty sigNumber(PGPKeyPropName p) { return p >= 142 && p <= 144 ? p + 1258 : 0; }
PGPKeyDBObjProperty sigTime(PGPKeyPropName p) { return p >= 160 && p <= 161 ? p + 1340 : 0; }
PGPKeyDBObjProperty sigBuffer(PGPKeyPropName p) { return p >= 120 && p <= 121 ? p + 1480 : 0; }

bool isKind(PGPKeyDBObjRef obj, int kind) { return check(obj) && obj->key && !obj->key->deleted && obj->kind == kind; }

template <class T, class F>
PGPError getProperty(PGPKeyDBObjRef obj, int kind, PGPKeyDBObjProperty code, T* out, F get) {
    if (!out) return kPGPError_BadParams;
    *out = 0;
    if (!isKind(obj, kind)) return kPGPError_BadParams;
    if (!code) return kPGPError_InvalidProperty;
    return get(obj, code, out);
}

PGPError getBuffer(PGPKeyDBObjRef obj, int kind, PGPKeyDBObjProperty code, PGPSize size, void* buffer,
                   PGPSize* outLength) {
    if (outLength) *outLength = 0;
    if (!isKind(obj, kind) || (!buffer && size)) return kPGPError_BadParams;
    if (!code) return kPGPError_InvalidProperty;
    std::string v;
    PGPError err = dataProperty(obj, code, v);
    if (err) return err;
    size_t n = std::min<size_t>(v.size(), size);
    if (n) std::memcpy(buffer, v.data(), n);
    if (outLength) *outLength = static_cast<PGPSize>(n);
    return v.size() > size ? kErrBufferTooSmall : kPGPError_NoErr;
}

PGPError filterOf(PGPContextRef context, PGPFilter f, PGPFilterRef* out) {
    if (!out) return kPGPError_BadParams;
    *out = nullptr;
    if (!check(context)) return kPGPError_BadParams;
    if (!f.property) return kPGPError_InvalidProperty;
    auto* n = new (std::nothrow) PGPFilter(f);
    if (!n) return kPGPError_OutOfMemory;
    *out = n;
    return kPGPError_NoErr;
}

PGPFilter booleanFilter(PGPKeyDBObjProperty p, PGPBoolean v) {
    PGPFilter f;
    f.kind = PGPFilter::Boolean;
    f.property = p;
    f.boolValue = v;
    return f;
}

PGPFilter numericFilter(PGPKeyDBObjProperty p, uint32_t v, PGPMatchCriterion m, bool time = false) {
    PGPFilter f;
    f.kind = time ? PGPFilter::Time : PGPFilter::Numeric;
    f.property = p;
    f.number = v;
    f.match = m;
    return f;
}

PGPFilter dataFilter(PGPKeyDBObjProperty p, const void* data, size_t length, PGPMatchCriterion m) {
    PGPFilter f;
    f.kind = PGPFilter::Data;
    f.property = p;
    if (data) f.data.assign(static_cast<const char*>(data), length);
    f.match = m;
    return f;
}

PGPError keyIDFilter(PGPContextRef context, PGPKeyDBObjProperty p, const PGPKeyID* keyID, PGPFilterRef* out) {
    if (!keyID) {
        if (out) *out = nullptr;
        return kPGPError_BadParams;
    }
    return filterOf(context, dataFilter(p, keyID, kKeyIDBytes, kPGPMatchEqual), out);
}

PGPError textFilter(PGPContextRef context, PGPKeyDBObjProperty p, const char* text, PGPMatchCriterion m,
                    PGPFilterRef* out) {
    if (!text) {
        if (out) *out = nullptr;
        return kPGPError_BadParams;
    }
    return filterOf(context, dataFilter(p, text, std::strlen(text), m), out);
}

std::vector<Option> gather(PGPOptionListRef first, va_list ap, PGPError& err) {
    std::vector<Option> opts;
    err = gatherOptions(first, ap, opts);
    return opts;
}

PGPError ringsOf(PGPKeySetRef set, PGPKeyDBRef& db) {
    db = check(set) ? set->db : nullptr;
    return db ? kPGPError_NoErr : kPGPError_BadParams;
}

// An exported key ID: its length (4 or 8), then the ID bytes.
constexpr size_t kExportedKeyIDMax = 9;

}  // namespace

extern "C" {

// ---- rings -------------------------------------------------------------------

PGPError PGP_CALL PGPOpenKeyRingPair(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef pubFile,
                                     PGPFileSpecRef privFile, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(context) || !check(pubFile) || !check(privFile)) return kPGPError_BadParams;
        PGPKeyDBRef db = nullptr;
        PGPError err = openRings(context, (openFlags & kPGPOpenKeyRingOptions_Mutable) != 0, pubFile->path,
                                 privFile->path, &db);
        if (err) return err;
        *outKeySet = db->root;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPOpenKeyRing(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef file,
                                 PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(context) || !check(file)) return kPGPError_BadParams;
        PGPKeyDBRef db = nullptr;
        PGPError err = openRings(context, (openFlags & kPGPOpenKeyRingOptions_Mutable) != 0, file->path, std::string(), &db);
        if (err) return err;
        // One file written as a public ring would lose the secret keys it holds.
        for (auto* k : liveKeys(db))
            if (hasSecret(k)) db->isMutable = false;
        *outKeySet = db->root;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPOpenDefaultKeyRings(PGPContextRef context, PGPFlags openFlags, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        PGPFileSpecRef pub = nullptr, sec = nullptr;
        PGPError err = PGPsdkPrefGetFileSpec(context, kPGPsdkPref_PublicKeyring, &pub);
        if (!err) err = PGPsdkPrefGetFileSpec(context, kPGPsdkPref_PrivateKeyring, &sec);
        if (!err) err = PGPOpenKeyRingPair(context, openFlags, pub, sec, outKeySet);
        if (pub) PGPFreeFileSpec(pub);
        if (sec) PGPFreeFileSpec(sec);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPReloadKeyRings(PGPKeySetRef keySet) {
    try {
        PGPKeyDBRef db = nullptr;
        if (ringsOf(keySet, db)) return kPGPError_BadParams;
        return reloadRings(db);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRevertKeyRingChanges(PGPKeySetRef keySet) {
    try {
        return PGPReloadKeyRings(keySet);
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPKeySetIsMutable(PGPKeySetRef keySet) {
    try {
        PGPKeyDBRef db = nullptr;
        return ringsOf(keySet, db) == kPGPError_NoErr && db->isMutable;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPKeySetNeedsCommit(PGPKeySetRef keySet) {
    try {
        PGPKeyDBRef db = nullptr;
        return ringsOf(keySet, db) == kPGPError_NoErr && db->updated;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCommitKeyRingChanges(PGPKeySetRef keySet) {
    try {
        PGPKeyDBRef db = nullptr;
        if (ringsOf(keySet, db)) return kPGPError_BadParams;
        if (db->pubPath.empty() || !db->isMutable) return kPGPError_NoErr;
        return saveRings(db);
    } ORV_EXPORT_GUARD
}

// ---- sets -------------------------------------------------------------------

// A new empty key set of its own rings in memory: keys added are copied in.
PGPError PGP_CALL PGPNewKeySet65(PGPContextRef context, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        PGPKeyDBRef db = nullptr;
        PGPError err = newKeyDB(context, &db);
        if (!err) *outKeySet = db->root;
        return err;
    } ORV_EXPORT_GUARD
}

// A new empty set that refers to keys of any rings.
PGPError PGP_CALL PGPNewEmptyKeySet65(PGPContextRef context, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        PGPError err = newKeySet(nullptr, false, outKeySet);
        if (!err) (*outKeySet)->context = context;
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewSingletonKeySet(PGPKeyRef key, PGPKeySetRef* outKeySet) {
    try {
        return PGPNewOneKeySet(key, outKeySet);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRemoveKeys(PGPKeySetRef keysToRemove, PGPKeySetRef fromKeySet) {
    try {
        if (!check(keysToRemove) || !check(fromKeySet)) return kPGPError_BadParams;
        auto gone = setMembers(keysToRemove);
        if (fromKeySet->isRoot) {
            // From the rings themselves: the keys of those rings are deleted.
            PGPKeySetRef doomed = nullptr;
            PGPError err = newKeySet(fromKeySet->db, false, &doomed);
            if (err) return err;
            for (auto* k : gone)
                if (k->db == fromKeySet->db) doomed->members.push_back(k);
            err = PGPDeleteKeys(doomed);
            freeKeySet(doomed);
            return err;
        }
        auto& m = fromKeySet->members;
        m.erase(std::remove_if(m.begin(), m.end(),
                               [&](KeyRecord* k) { return std::find(gone.begin(), gone.end(), k) != gone.end(); }),
                m.end());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPImportKeySet(PGPContextRef context, PGPKeySetRef* outImportedKeys, PGPOptionListRef firstOption,
                                  ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (outImportedKeys) *outImportedKeys = nullptr;
        if (!check(context) || !outImportedKeys) return kPGPError_BadParams;
        if (err) return err;
        PGPKeyDBRef db = nullptr;
        err = importKeys(context, &db, opts);
        if (!err) *outImportedKeys = db->root;
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPExportKeySet(PGPKeySetRef keysToExport, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (!check(keysToExport)) return kPGPError_BadParams;
        if (err) return err;
        Option keys{Opt::ExportKeySet};
        keys.ptr = keysToExport;
        opts.push_back(keys);
        return exportKeys(keysToExport->context, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPOrderKeySet65(PGPKeySetRef keySet, PGPKeyOrdering order, PGPKeyListRef* outKeyList) {
    try {
        // Orderings after "any" come in pairs, the second one reversed.
        if (order <= kPGPKeyOrdering_Any) return PGPOrderKeySet(keySet, order, 0, outKeyList);
        return PGPOrderKeySet(keySet, (order + 2) / 2, (order & 1) != 0, outKeyList);
    } ORV_EXPORT_GUARD
}

// ---- filters -------------------------------------------------------------------

PGPError PGP_CALL PGPNewKeyBooleanFilter(PGPContextRef context, PGPKeyPropName property, PGPBoolean match,
                                         PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(keyBoolean(property), match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyCreationTimeFilter(PGPContextRef context, PGPTime time, PGPMatchCriterion match,
                                              PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPKeyProperty_Creation, time, match, true), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyExpirationTimeFilter(PGPContextRef context, PGPTime time, PGPMatchCriterion match,
                                                PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPKeyProperty_Expiration, time, match, true), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyDisabledFilter(PGPContextRef context, PGPBoolean disabled, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(kPGPKeyProperty_IsDisabled, disabled), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyNumberFilter(PGPContextRef context, PGPKeyPropName property, PGPUInt32 value,
                                        PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(keyNumber(property), value, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyTimeFilter(PGPContextRef context, PGPKeyPropName property, PGPTime value,
                                      PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(keyTime(property), value, match, true), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyPropertyBufferFilter(PGPContextRef context, PGPKeyPropName property, const void* buffer,
                                                PGPSize length, PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        if (!buffer && length) return kPGPError_BadParams;
        return filterOf(context, dataFilter(keyBuffer(property), buffer, length, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyRevokedFilter(PGPContextRef context, PGPBoolean revoked, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(kPGPKeyProperty_IsRevoked, revoked), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyEncryptAlgorithmFilter(PGPContextRef context, PGPPublicKeyAlgorithm algorithm,
                                                  PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPSubKeyProperty_AlgorithmID, algorithm, kPGPMatchEqual), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyEncryptKeySizeFilter(PGPContextRef context, PGPUInt32 bits, PGPMatchCriterion match,
                                                PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPSubKeyProperty_Bits, bits, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyFingerPrintFilter(PGPContextRef context, const void* fingerprint, PGPSize length,
                                             PGPFilterRef* outFilter) {
    try {
        if (!fingerprint) return kPGPError_BadParams;
        return filterOf(context, dataFilter(kPGPKeyProperty_Fingerprint, fingerprint, length, kPGPMatchEqual), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeyIDFilter(PGPContextRef context, const PGPKeyID* keyID, PGPFilterRef* outFilter) {
    try {
        return keyIDFilter(context, kPGPKeyProperty_KeyID, keyID, outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSubKeyBooleanFilter(PGPContextRef context, PGPKeyPropName property, PGPBoolean match,
                                            PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(subKeyBoolean(property), match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSubKeyIDFilter(PGPContextRef context, const PGPKeyID* keyID, PGPFilterRef* outFilter) {
    try {
        return keyIDFilter(context, kPGPSubKeyProperty_KeyID, keyID, outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSubKeyNumberFilter(PGPContextRef context, PGPKeyPropName property, PGPUInt32 value,
                                           PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(subKeyNumber(property), value, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSubKeyTimeFilter(PGPContextRef context, PGPKeyPropName property, PGPTime value,
                                         PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(subKeyTime(property), value, match, true), outFilter);
    } ORV_EXPORT_GUARD
}
// Release 6.5 has no subkey buffer property that the stand-in knows.
PGPError PGP_CALL PGPNewSubKeyPropertyBufferFilter(PGPContextRef context, PGPKeyPropName property, const void* buffer,
                                                   PGPSize length, PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, dataFilter(0, buffer, length, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeySigAlgorithmFilter(PGPContextRef context, PGPPublicKeyAlgorithm algorithm,
                                              PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPKeyProperty_AlgorithmID, algorithm, kPGPMatchEqual), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewKeySigKeySizeFilter(PGPContextRef context, PGPUInt32 bits, PGPMatchCriterion match,
                                            PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(kPGPKeyProperty_Bits, bits, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSigBooleanFilter(PGPContextRef context, PGPKeyPropName property, PGPBoolean match,
                                         PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(sigBoolean(property), match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSigKeyIDFilter(PGPContextRef context, const PGPKeyID* keyID, PGPFilterRef* outFilter) {
    try {
        return keyIDFilter(context, kPGPSigProperty_KeyID, keyID, outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSigNumberFilter(PGPContextRef context, PGPKeyPropName property, PGPUInt32 value,
                                        PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(sigNumber(property), value, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSigTimeFilter(PGPContextRef context, PGPKeyPropName property, PGPTime value,
                                      PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(sigTime(property), value, match, true), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewSigPropertyBufferFilter(PGPContextRef context, PGPKeyPropName property, const void* buffer,
                                                PGPSize length, PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        if (!buffer && length) return kPGPError_BadParams;
        return filterOf(context, dataFilter(sigBuffer(property), buffer, length, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDBooleanFilter(PGPContextRef context, PGPKeyPropName property, PGPBoolean match,
                                            PGPFilterRef* outFilter) {
    try {
        return filterOf(context, booleanFilter(userIDBoolean(property), match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDNameFilter(PGPContextRef context, const char* name, PGPMatchCriterion match,
                                         PGPFilterRef* outFilter) {
    try {
        return textFilter(context, kPGPUserIDProperty_CommonName, name, match, outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDNumberFilter(PGPContextRef context, PGPKeyPropName property, PGPUInt32 value,
                                           PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        return filterOf(context, numericFilter(userIDNumber(property), value, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDStringBufferFilter(PGPContextRef context, PGPKeyPropName property, const void* buffer,
                                                 PGPSize length, PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        if (!buffer && length) return kPGPError_BadParams;
        return filterOf(context, dataFilter(userIDString(property), buffer, length, match), outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDStringFilter(PGPContextRef context, const char* string, PGPMatchCriterion match,
                                           PGPFilterRef* outFilter) {
    try {
        return textFilter(context, kPGPUserIDProperty_Name, string, match, outFilter);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPNewUserIDEmailFilter(PGPContextRef context, const char* email, PGPMatchCriterion match,
                                          PGPFilterRef* outFilter) {
    try {
        return textFilter(context, kPGPUserIDProperty_EmailAddress, email, match, outFilter);
    } ORV_EXPORT_GUARD
}

// ---- iterators ---------------------------------------------------------------

PGPError PGP_CALL PGPKeyIterKey(PGPKeyIterRef iter, PGPKeyRef* outKey) {
    try {
        return iterObj(iter, kPGPKeyIter_Key, 0, outKey);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterSubKey(PGPKeyIterRef iter, PGPSubKeyRef* outSubKey) {
    try {
        return iterObj(iter, kPGPKeyIter_SubKey, 0, outSubKey);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterUserID(PGPKeyIterRef iter, PGPUserIDRef* outUserID) {
    try {
        return iterObj(iter, kPGPKeyIter_UserID, 0, outUserID);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterSig(PGPKeyIterRef iter, PGPSigRef* outSig) {
    try {
        return iterObj(iter, kPGPKeyIter_Signature, 0, outSig);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterNext(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_Key, 1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterNextSubKey(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_SubKey, 1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterNextUserID(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_UserID, 1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterNextUIDSig(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_Signature, 1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterPrev(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_Key, -1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterPrevSubKey(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_SubKey, -1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterPrevUserID(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_UserID, -1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterPrevUIDSig(PGPKeyIterRef iter, PGPKeyDBObjRef* o) {
    try {
        return iterObj(iter, kPGPKeyIter_Signature, -1, o);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterRewind65(PGPKeyIterRef iter) {
    try {
        return PGPKeyIterRewind(iter, kPGPKeyIter_Key);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterRewindSubKey(PGPKeyIterRef iter) {
    try {
        return PGPKeyIterRewind(iter, kPGPKeyIter_SubKey);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterRewindUserID(PGPKeyIterRef iter) {
    try {
        return PGPKeyIterRewind(iter, kPGPKeyIter_UserID);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPKeyIterRewindUIDSig(PGPKeyIterRef iter) {
    try {
        return PGPKeyIterRewind(iter, kPGPKeyIter_Signature);
    } ORV_EXPORT_GUARD
}

// ---- edits -------------------------------------------------------------------

PGPError PGP_CALL PGPChangeSubKeyPassphrase(PGPSubKeyRef subKey, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (!isKind(subKey, kPGPKeyIter_SubKey)) return kPGPError_BadParams;
        return err ? err : changePassphrase(subKey, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPEnableKey(PGPKeyRef key) {
    try {
        return PGPSetKeyEnabled(key, 1);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPDisableKey(PGPKeyRef key) {
    try {
        return PGPSetKeyEnabled(key, 0);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRevokeKey(PGPKeyRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (!isKind(key, kPGPKeyIter_Key)) return kPGPError_BadParams;
        return err ? err : revokeKey(key, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRevokeSubKey(PGPSubKeyRef subKey, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (!isKind(subKey, kPGPKeyIter_SubKey)) return kPGPError_BadParams;
        return err ? err : revokeKey(subKey, opts);
    } ORV_EXPORT_GUARD
}

// The key is the user's own no longer: its owner trust is left undefined
// until the user sets it again.
PGPError PGP_CALL PGPUnsetKeyAxiomatic(PGPKeyRef key) {
    try {
        if (!isKind(key, kPGPKeyIter_Key)) return kPGPError_BadParams;
        TrustRecord& t = trustOf(key->key);
        t.keyTrust = static_cast<uint8_t>(t.hasKeyTrust ? (t.keyTrust & 0x20) : 0);
        t.hasKeyTrust = true;
        key->key->db->updated = true;
        for (auto& r : key->key->db->keys) r->cachedValidity = -1;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRemoveSubKey(PGPSubKeyRef subKey) {
    try {
        return isKind(subKey, kPGPKeyIter_SubKey) ? PGPDeleteKeyDBObj(subKey) : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPRemoveUserID(PGPUserIDRef userID) {
    try {
        return isKind(userID, kPGPKeyIter_UserID) ? PGPDeleteKeyDBObj(userID) : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPRemoveSig(PGPSigRef sig) {
    try {
        return isKind(sig, kPGPKeyIter_Signature) ? PGPDeleteKeyDBObj(sig) : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetSubKeyPasskeyBuffer(PGPSubKeyRef subKey, void* passkeyBuffer, PGPOptionListRef firstOption,
                                            ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        std::vector<Option> opts = gather(firstOption, ap, err);
        va_end(ap);
        if (!isKind(subKey, kPGPKeyIter_SubKey)) return kPGPError_BadParams;
        return err ? err : passkeyOf(subKey, passkeyBuffer, opts);
    } ORV_EXPORT_GUARD
}

// ---- properties ----------------------------------------------------------------

PGPError PGP_CALL PGPGetHashAlgUsed(PGPKeyRef key, PGPHashAlgorithm* outAlgorithm) {
    try {
        return getProperty(key, kPGPKeyIter_Key, kPGPKeyProperty_HashAlgorithmID, outAlgorithm, numProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyBoolean(PGPKeyRef key, PGPKeyPropName property, PGPBoolean* outValue) {
    try {
        return getProperty(key, kPGPKeyIter_Key, keyBoolean(property), outValue, boolProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyNumber(PGPKeyRef key, PGPKeyPropName property, PGPInt32* outValue) {
    try {
        return getProperty(key, kPGPKeyIter_Key, keyNumber(property), outValue, numProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyPropertyBuffer(PGPKeyRef key, PGPKeyPropName property, PGPSize bufferSize, void* buffer,
                                          PGPSize* outLength) {
    try {
        return getBuffer(key, kPGPKeyIter_Key, keyBuffer(property), bufferSize, buffer, outLength);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyTime(PGPKeyRef key, PGPKeyPropName property, PGPTime* outValue) {
    try {
        return getProperty(key, kPGPKeyIter_Key, keyTime(property), outValue, timeProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSubKeyBoolean(PGPSubKeyRef subKey, PGPKeyPropName property, PGPBoolean* outValue) {
    try {
        return getProperty(subKey, kPGPKeyIter_SubKey, subKeyBoolean(property), outValue, boolProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSubKeyNumber(PGPSubKeyRef subKey, PGPKeyPropName property, PGPInt32* outValue) {
    try {
        return getProperty(subKey, kPGPKeyIter_SubKey, subKeyNumber(property), outValue, numProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSubKeyPropertyBuffer(PGPSubKeyRef subKey, PGPKeyPropName property, PGPSize bufferSize,
                                             void* buffer, PGPSize* outLength) {
    try {
        return getBuffer(subKey, kPGPKeyIter_SubKey, 0, bufferSize, buffer, outLength);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSubKeyTime(PGPSubKeyRef subKey, PGPKeyPropName property, PGPTime* outValue) {
    try {
        return getProperty(subKey, kPGPKeyIter_SubKey, subKeyTime(property), outValue, timeProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetUserIDBoolean(PGPUserIDRef userID, PGPKeyPropName property, PGPBoolean* outValue) {
    try {
        return getProperty(userID, kPGPKeyIter_UserID, userIDBoolean(property), outValue, boolProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetUserIDNumber(PGPUserIDRef userID, PGPKeyPropName property, PGPInt32* outValue) {
    try {
        return getProperty(userID, kPGPKeyIter_UserID, userIDNumber(property), outValue, numProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetUserIDStringBuffer(PGPUserIDRef userID, PGPKeyPropName property, PGPSize bufferSize,
                                           void* buffer, PGPSize* outLength) {
    try {
        return getBuffer(userID, kPGPKeyIter_UserID, userIDString(property), bufferSize, buffer, outLength);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSigBoolean(PGPSigRef sig, PGPKeyPropName property, PGPBoolean* outValue) {
    try {
        return getProperty(sig, kPGPKeyIter_Signature, sigBoolean(property), outValue, boolProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSigNumber(PGPSigRef sig, PGPKeyPropName property, PGPInt32* outValue) {
    try {
        return getProperty(sig, kPGPKeyIter_Signature, sigNumber(property), outValue, numProperty);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSigPropertyBuffer(PGPSigRef sig, PGPKeyPropName property, PGPSize bufferSize, void* buffer,
                                          PGPSize* outLength) {
    try {
        return getBuffer(sig, kPGPKeyIter_Signature, sigBuffer(property), bufferSize, buffer, outLength);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSigTime(PGPSigRef sig, PGPKeyPropName property, PGPTime* outValue) {
    try {
        return getProperty(sig, kPGPKeyIter_Signature, sigTime(property), outValue, timeProperty);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetPrimaryUserIDNameBuffer(PGPKeyRef key, PGPSize bufferSize, char* buffer, PGPSize* outLength) {
    try {
        return PGPGetPrimaryUserIDName(key, buffer, bufferSize, outLength);
    } ORV_EXPORT_GUARD
}

// ---- key IDs and lookups -------------------------------------------------------

PGPError PGP_CALL PGPExportKeyID(const PGPKeyID* keyID, PGPByte exportedData[kPGPKeyIDSize], PGPSize* outLength) {
    try {
        if (outLength) *outLength = 0;
        if (!keyID || !exportedData) return kPGPError_BadParams;
        std::string hex = keyIDHex(keyID);
        if (hex.empty()) return kPGPError_BadParams;
        exportedData[0] = static_cast<PGPByte>(hex.size() / 2);
        for (size_t i = 0; i < hex.size() / 2; ++i)
            exportedData[1 + i] = static_cast<PGPByte>(std::stoi(hex.substr(i * 2, 2), nullptr, 16));
        if (outLength) *outLength = static_cast<PGPSize>(1 + hex.size() / 2);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPImportKeyID(const void* data, PGPKeyID* outKeyID) {
    try {
        if (!outKeyID) return kPGPError_BadParams;
        std::memset(outKeyID, 0, kKeyIDBytes);
        if (!data) return kPGPError_BadParams;
        const auto* b = static_cast<const PGPByte*>(data);
        if (b[0] != 4 && b[0] != 8) return kPGPError_BadParams;
        static_assert(kExportedKeyIDMax <= kPGPKeyIDSize65);
        makeKeyID(toHex(std::string(reinterpret_cast<const char*>(b + 1), b[0])), outKeyID);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyIDFromString(const char* string, PGPKeyID* outKeyID) {
    try {
        return PGPNewKeyIDFromString(string, 0, outKeyID);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyIDFromKey(PGPKeyDBObjRef key, PGPKeyID* outKeyID) {
    try {
        if (!isKind(key, kPGPKeyIter_Key)) return kPGPError_BadParams;
        return PGPGetKeyID(key, outKeyID);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyIDFromSubKey(PGPKeyDBObjRef subKey, PGPKeyID* outKeyID) {
    try {
        if (!isKind(subKey, kPGPKeyIter_SubKey)) return kPGPError_BadParams;
        return PGPGetKeyID(subKey, outKeyID);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyIDOfCertifier(PGPKeyDBObjRef sig, PGPKeyID* outKeyID) {
    try {
        if (!isKind(sig, kPGPKeyIter_Signature)) return kPGPError_BadParams;
        return PGPGetKeyID(sig, outKeyID);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyByKeyID(PGPKeySetRef keySet, const PGPKeyID* keyID, PGPPublicKeyAlgorithm algorithm,
                                   PGPKeyRef* outKey) {
    try {
        if (!outKey) return kPGPError_BadParams;
        *outKey = nullptr;
        if (!check(keySet) || !keyID || keyIDHex(keyID).empty()) return kPGPError_BadParams;
        for (auto* k : setMembers(keySet)) {
            bool match = keyIDMatches(keyID, k->self.keyid);
            for (auto& s : k->subkeys) match = match || keyIDMatches(keyID, s->keyid);
            if (!match) continue;
            PGPInt32 alg = 0;
            numProperty(&k->self, kPGPKeyProperty_AlgorithmID, &alg);
            if (algorithm && alg != algorithm) continue;
            *outKey = &k->self;
            return kPGPError_NoErr;
        }
        return kPGPError_ItemNotFound;
    } ORV_EXPORT_GUARD
}

// The default private key lives in the SDK preferences of the key's context.
PGPError PGP_CALL PGPSetDefaultPrivateKey(PGPKeyRef key) {
    try {
        if (!isKind(key, kPGPKeyIter_Key)) return kPGPError_BadParams;
        if (!hasSecret(key->key)) return kErrSecretKeyNotFound;
        PGPKeyID id;
        PGPByte exported[kPGPKeyIDSize];
        PGPSize length = 0;
        PGPError err = PGPGetKeyID(key, &id);
        if (!err) err = PGPExportKeyID(&id, exported, &length);
        if (!err) err = PGPsdkPrefSetData(key->key->db->context, kPGPsdkPref_DefaultKeyID, exported, length);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetDefaultPrivateKey(PGPKeySetRef keySet, PGPKeyRef* outKey) {
    try {
        if (!outKey) return kPGPError_BadParams;
        *outKey = nullptr;
        if (!check(keySet)) return kPGPError_BadParams;
        void* data = nullptr;
        PGPSize size = 0;
        PGPError err = PGPsdkPrefGetData(keySet->context, kPGPsdkPref_DefaultKeyID, &data, &size);
        if (err) return err;
        PGPByte exported[kPGPKeyIDSize] = {};
        std::memcpy(exported, data, std::min<size_t>(size, sizeof exported));
        PGPFreeData(data);
        PGPKeyID id;
        err = PGPImportKeyID(exported, &id);
        if (!err) err = PGPGetKeyByKeyID(keySet, &id, 0, outKey);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndexedAdditionalRecipientRequestKey65(PGPKeyRef key, PGPKeySetRef allKeys, PGPUInt32 index,
                                                               PGPKeyRef* outKey, PGPKeyID* outKeyID,
                                                               PGPByte* outClass) {
    try {
        if (allKeys && !check(allKeys)) return kPGPError_BadParams;
        PGPError err = PGPGetIndexedAdditionalRecipientRequestKey(key, index, outKey, outKeyID, outClass);
        if (!err && outKey && *outKey && allKeys && !PGPKeySetIsMember(*outKey, allKeys)) *outKey = nullptr;
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndexedRevocationKey65(PGPKeyRef key, PGPKeySetRef allKeys, PGPUInt32 index,
                                               PGPKeyRef* outKey, PGPKeyID* outKeyID) {
    try {
        if (allKeys && !check(allKeys)) return kPGPError_BadParams;
        PGPError err = PGPGetIndexedRevocationKey(key, index, outKey, outKeyID);
        if (!err && outKey && *outKey && allKeys && !PGPKeySetIsMember(*outKey, allKeys)) *outKey = nullptr;
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetSigCertifierKey65(PGPSigRef sig, PGPKeySetRef allKeys, PGPKeyRef* outKey) {
    try {
        if (!outKey) return kPGPError_BadParams;
        *outKey = nullptr;
        if (!isKind(sig, kPGPKeyIter_Signature) || !check(allKeys)) return kPGPError_BadParams;
        PGPKeyID id;
        PGPError err = PGPGetKeyID(sig, &id);
        return err ? err : PGPGetKeyByKeyID(allKeys, &id, 0, outKey);
    } ORV_EXPORT_GUARD
}

// ---- contexts ----------------------------------------------------------------

PGPError PGP_CALL PGPGetKeySetContext(PGPKeySetRef keySet, PGPContextRef* outContext) {
    try {
        if (!outContext) return kPGPError_BadParams;
        *outContext = PGPPeekKeySetContext(keySet);
        return *outContext ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyListContext(PGPKeyListRef keyList, PGPContextRef* outContext) {
    try {
        if (!outContext) return kPGPError_BadParams;
        *outContext = PGPPeekKeyListContext(keyList);
        return *outContext ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetKeyIterContext(PGPKeyIterRef iter, PGPContextRef* outContext) {
    try {
        if (!outContext) return kPGPError_BadParams;
        *outContext = PGPPeekKeyIterContext(iter);
        return *outContext ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}
static PGPError objContext(PGPKeyDBObjRef obj, int kind, PGPContextRef* outContext) {
    if (!outContext) return kPGPError_BadParams;
    *outContext = isKind(obj, kind) ? obj->key->db->context : nullptr;
    return *outContext ? kPGPError_NoErr : kPGPError_BadParams;
}
PGPError PGP_CALL PGPGetKeyContext(PGPKeyRef key, PGPContextRef* c) {
    try {
        return objContext(key, kPGPKeyIter_Key, c);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetSubKeyContext(PGPSubKeyRef s, PGPContextRef* c) {
    try {
        return objContext(s, kPGPKeyIter_SubKey, c);
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPGetUserIDContext(PGPUserIDRef u, PGPContextRef* c) {
    try {
        return objContext(u, kPGPKeyIter_UserID, c);
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT65(PGPOpenKeyRingPair);
SDK_EXPORT65(PGPOpenKeyRing);
SDK_EXPORT65(PGPOpenDefaultKeyRings);
SDK_EXPORT65(PGPReloadKeyRings);
SDK_EXPORT65(PGPRevertKeyRingChanges);
SDK_EXPORT65(PGPKeySetIsMutable);
SDK_EXPORT65(PGPKeySetNeedsCommit);
SDK_EXPORT65(PGPCommitKeyRingChanges);
SDK_EXPORT65_AS(PGPNewKeySet, PGPNewKeySet65);
SDK_EXPORT65_AS(PGPNewEmptyKeySet, PGPNewEmptyKeySet65);
SDK_EXPORT65(PGPNewSingletonKeySet);
SDK_EXPORT65(PGPRemoveKeys);
SDK_EXPORT65(PGPImportKeySet);
SDK_EXPORT65(PGPExportKeySet);
SDK_EXPORT65_AS(PGPOrderKeySet, PGPOrderKeySet65);
SDK_EXPORT65(PGPNewKeyBooleanFilter);
SDK_EXPORT65(PGPNewKeyCreationTimeFilter);
SDK_EXPORT65(PGPNewKeyExpirationTimeFilter);
SDK_EXPORT65(PGPNewKeyDisabledFilter);
SDK_EXPORT65(PGPNewKeyNumberFilter);
SDK_EXPORT65(PGPNewKeyTimeFilter);
SDK_EXPORT65(PGPNewKeyPropertyBufferFilter);
SDK_EXPORT65(PGPNewKeyRevokedFilter);
SDK_EXPORT65(PGPNewKeyEncryptAlgorithmFilter);
SDK_EXPORT65(PGPNewKeyEncryptKeySizeFilter);
SDK_EXPORT65(PGPNewKeyFingerPrintFilter);
SDK_EXPORT65(PGPNewKeyIDFilter);
SDK_EXPORT65(PGPNewSubKeyBooleanFilter);
SDK_EXPORT65(PGPNewSubKeyIDFilter);
SDK_EXPORT65(PGPNewSubKeyNumberFilter);
SDK_EXPORT65(PGPNewSubKeyTimeFilter);
SDK_EXPORT65(PGPNewSubKeyPropertyBufferFilter);
SDK_EXPORT65(PGPNewKeySigAlgorithmFilter);
SDK_EXPORT65(PGPNewKeySigKeySizeFilter);
SDK_EXPORT65(PGPNewSigBooleanFilter);
SDK_EXPORT65(PGPNewSigKeyIDFilter);
SDK_EXPORT65(PGPNewSigNumberFilter);
SDK_EXPORT65(PGPNewSigTimeFilter);
SDK_EXPORT65(PGPNewSigPropertyBufferFilter);
SDK_EXPORT65(PGPNewUserIDBooleanFilter);
SDK_EXPORT65(PGPNewUserIDNameFilter);
SDK_EXPORT65(PGPNewUserIDNumberFilter);
SDK_EXPORT65(PGPNewUserIDStringBufferFilter);
SDK_EXPORT65(PGPNewUserIDStringFilter);
SDK_EXPORT65(PGPNewUserIDEmailFilter);
SDK_EXPORT65(PGPKeyIterKey);
SDK_EXPORT65(PGPKeyIterSubKey);
SDK_EXPORT65(PGPKeyIterUserID);
SDK_EXPORT65(PGPKeyIterSig);
SDK_EXPORT65(PGPKeyIterNext);
SDK_EXPORT65(PGPKeyIterNextSubKey);
SDK_EXPORT65(PGPKeyIterNextUserID);
SDK_EXPORT65(PGPKeyIterNextUIDSig);
SDK_EXPORT65(PGPKeyIterPrev);
SDK_EXPORT65(PGPKeyIterPrevSubKey);
SDK_EXPORT65(PGPKeyIterPrevUserID);
SDK_EXPORT65(PGPKeyIterPrevUIDSig);
SDK_EXPORT65_AS(PGPKeyIterRewind, PGPKeyIterRewind65);
SDK_EXPORT65(PGPKeyIterRewindSubKey);
SDK_EXPORT65(PGPKeyIterRewindUserID);
SDK_EXPORT65(PGPKeyIterRewindUIDSig);
SDK_EXPORT65(PGPChangeSubKeyPassphrase);
SDK_EXPORT65(PGPEnableKey);
SDK_EXPORT65(PGPDisableKey);
SDK_EXPORT65(PGPRevokeKey);
SDK_EXPORT65(PGPRevokeSubKey);
SDK_EXPORT65(PGPUnsetKeyAxiomatic);
SDK_EXPORT65(PGPRemoveSubKey);
SDK_EXPORT65(PGPRemoveUserID);
SDK_EXPORT65(PGPRemoveSig);
SDK_EXPORT65(PGPGetSubKeyPasskeyBuffer);
SDK_EXPORT65(PGPGetHashAlgUsed);
SDK_EXPORT65(PGPGetKeyBoolean);
SDK_EXPORT65(PGPGetKeyNumber);
SDK_EXPORT65(PGPGetKeyPropertyBuffer);
SDK_EXPORT65(PGPGetKeyTime);
SDK_EXPORT65(PGPGetSubKeyBoolean);
SDK_EXPORT65(PGPGetSubKeyNumber);
SDK_EXPORT65(PGPGetSubKeyPropertyBuffer);
SDK_EXPORT65(PGPGetSubKeyTime);
SDK_EXPORT65(PGPGetUserIDBoolean);
SDK_EXPORT65(PGPGetUserIDNumber);
SDK_EXPORT65(PGPGetUserIDStringBuffer);
SDK_EXPORT65(PGPGetSigBoolean);
SDK_EXPORT65(PGPGetSigNumber);
SDK_EXPORT65(PGPGetSigPropertyBuffer);
SDK_EXPORT65(PGPGetSigTime);
SDK_EXPORT65(PGPGetPrimaryUserIDNameBuffer);
SDK_EXPORT65(PGPExportKeyID);
SDK_EXPORT65(PGPImportKeyID);
SDK_EXPORT65(PGPGetKeyIDFromString);
SDK_EXPORT65(PGPGetKeyIDFromKey);
SDK_EXPORT65(PGPGetKeyIDFromSubKey);
SDK_EXPORT65(PGPGetKeyIDOfCertifier);
SDK_EXPORT65(PGPGetKeyByKeyID);
SDK_EXPORT65(PGPSetDefaultPrivateKey);
SDK_EXPORT65(PGPGetDefaultPrivateKey);
SDK_EXPORT65_AS(PGPGetIndexedAdditionalRecipientRequestKey, PGPGetIndexedAdditionalRecipientRequestKey65);
SDK_EXPORT65_AS(PGPGetIndexedRevocationKey, PGPGetIndexedRevocationKey65);
SDK_EXPORT65_AS(PGPGetSigCertifierKey, PGPGetSigCertifierKey65);
SDK_EXPORT65(PGPGetKeySetContext);
SDK_EXPORT65(PGPGetKeyListContext);
SDK_EXPORT65(PGPGetKeyIterContext);
SDK_EXPORT65(PGPGetKeyContext);
SDK_EXPORT65(PGPGetSubKeyContext);
SDK_EXPORT65(PGPGetUserIDContext);
