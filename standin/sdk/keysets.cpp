// Key sets, filters, ordered key lists, iterators and key IDs.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

namespace sdk {

// A key ID value: byte 0 holds the number of ID bytes (8, or 4 for an
// abbreviated ID), bytes 4 to 11 the ID itself, right-aligned.
void makeKeyID(const std::string& hex, PGPKeyID* out) {
    std::memset(out, 0, kKeyIDBytes);
    size_t n = hex.size() / 2;
    if (n > 8) n = 8;
    out->opaque[0] = static_cast<PGPByte>(n);
    for (size_t i = 0; i < n; ++i) {
        unsigned v = 0;
        std::sscanf(hex.c_str() + i * 2, "%2x", &v);
        out->opaque[4 + (8 - n) + i] = static_cast<PGPByte>(v);
    }
}

std::string keyIDHex(const PGPKeyID* id) {
    int n = id->opaque[0];
    if (n != 4 && n != 8) return {};
    std::string bytes(reinterpret_cast<const char*>(id->opaque + 4 + (8 - n)), n);
    return toHex(bytes);
}

bool keyIDMatches(const PGPKeyID* id, const std::string& hex16) {
    std::string h = keyIDHex(id);
    if (h.empty() || hex16.size() < h.size()) return false;
    return hex16.compare(hex16.size() - h.size(), h.size(), h) == 0;
}

PGPError newKeySet(PGPKeyDBRef db, bool root, PGPKeySetRef* out) {
    auto* s = new (std::nothrow) PGPKeySet;
    if (!s) return kPGPError_OutOfMemory;
    s->db = db;
    s->context = db ? db->context : nullptr;
    s->isRoot = root;
    if (!root) holdDB(s, db);
    *out = s;
    return kPGPError_NoErr;
}

void holdDB(PGPKeySetRef set, PGPKeyDBRef db) {
#if ORV_SDK_RELEASE == 65
    // Release 6.5 has no key databases to free: a set keeps the rings its
    // keys live in open until the set itself is freed.
    if (!db || set->isRoot || std::find(set->held.begin(), set->held.end(), db) != set->held.end()) return;
    ++db->refs;
    set->held.push_back(db);
#endif
}

PGPError freeKeySet(PGPKeySetRef keySet) {
    if (keySet->isRoot) {
#if ORV_SDK_RELEASE == 65
        return PGPFreeKeyDB(keySet->db);  // the set stands for its rings
#else
        return kPGPError_NoErr;  // the database owns its root set
#endif
    }
    if (--keySet->refs > 0) return kPGPError_NoErr;
    std::vector<PGPKeyDBRef> held = std::move(keySet->held);
    delete keySet;
    for (auto* db : held) PGPFreeKeyDB(db);
    return kPGPError_NoErr;
}

std::vector<KeyRecord*> setMembers(PGPKeySetRef set) {
    if (set->isRoot) return liveKeys(set->db);
    std::vector<KeyRecord*> v;
    for (auto* k : set->members)
        if (!k->deleted) v.push_back(k);
    return v;
}

}  // namespace sdk

using namespace sdk;

namespace {

bool dataMatches(const std::string& value, const std::string& want, PGPMatchCriterion match) {
    if (match == kPGPMatchSubString) {
        // User-ID substrings are matched without regard to case, as PGP does.
        std::string a = upper(value), b = upper(want);
        return a.find(b) != std::string::npos;
    }
    return value == want;
}

bool numberMatches(uint32_t v, uint32_t want, PGPMatchCriterion m) {
    switch (m) {
    case kPGPMatchGreaterOrEqual: return v >= want;
    case kPGPMatchLessOrEqual: return v <= want;
    default: return v == want;
    }
}

bool evalOn(PGPFilterRef f, PGPKeyDBObj* obj);

// A key matches when the key itself or one of its parts has the property.
bool evalKey(PGPFilterRef f, KeyRecord* k) {
    switch (f->kind) {
    case PGPFilter::Not: return !evalKey(f->a, k);
    case PGPFilter::And: return evalKey(f->a, k) && evalKey(f->b, k);
    case PGPFilter::Or: return evalKey(f->a, k) || evalKey(f->b, k);
    default: break;
    }
    int p = f->property;
    if (p >= 500 && p < 900) {
        for (auto& s : k->subkeys)
            if (evalOn(f, s.get())) return true;
        return false;
    }
    if (p >= 900 && p < 1300) {
        for (auto& u : k->userIDs)
            if (evalOn(f, u.get())) return true;
        return false;
    }
    if (p >= 1300 && p < 1700) {
        for (auto& u : k->userIDs)
            for (auto& s : u->children)
                if (evalOn(f, s.get())) return true;
        for (auto& s : k->directSigs)
            if (evalOn(f, s.get())) return true;
        return false;
    }
    return evalOn(f, &k->self);
}

bool evalOn(PGPFilterRef f, PGPKeyDBObj* obj) {
    switch (f->kind) {
    case PGPFilter::Boolean: {
        PGPBoolean v = 0;
        return boolProperty(obj, f->property, &v) == kPGPError_NoErr && (v != 0) == (f->boolValue != 0);
    }
    case PGPFilter::Numeric: {
        PGPInt32 v = 0;
        return numProperty(obj, f->property, &v) == kPGPError_NoErr &&
               numberMatches(static_cast<uint32_t>(v), f->number, f->match);
    }
    case PGPFilter::Time: {
        PGPTime v = 0;
        return timeProperty(obj, f->property, &v) == kPGPError_NoErr && numberMatches(v, f->number, f->match);
    }
    case PGPFilter::Data: {
        std::string v;
        if (f->property == kPGPKeyProperty_KeyID || f->property == kPGPSubKeyProperty_KeyID ||
            f->property == kPGPSigProperty_KeyID) {
            if (dataProperty(obj, f->property, v)) return false;
            PGPKeyID want;
            std::memcpy(&want, f->data.data(), std::min(f->data.size(), sizeof want));
            return keyIDMatches(&want, keyIDHex(reinterpret_cast<const PGPKeyID*>(v.data())));
        }
        return dataProperty(obj, f->property, v) == kPGPError_NoErr && dataMatches(v, f->data, f->match);
    }
    default: return false;
    }
}

PGPError newFilter(PGPContextRef context, PGPFilterRef* out, PGPFilter f) {
    if (!out) return kPGPError_BadParams;
    *out = nullptr;
    if (!check(context)) return kPGPError_BadParams;
    auto* n = new (std::nothrow) PGPFilter(f);
    if (!n) return kPGPError_OutOfMemory;
    *out = n;
    return kPGPError_NoErr;
}

void releaseFilter(PGPFilterRef f) {
    if (!check(f)) return;
    if (--f->refs > 0) return;
    releaseFilter(f->a);
    releaseFilter(f->b);
    delete f;
}

std::string sortName(KeyRecord* k) { return upper(primaryUserID(k)); }

}  // namespace

extern "C" {

PGPError PGP_CALL PGPNewKeySet(PGPKeyDBRef keyDB, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(keyDB)) return kPGPError_BadParams;
        PGPError err = newKeySet(keyDB, false, outKeySet);
        if (!err) (*outKeySet)->members = liveKeys(keyDB);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewEmptyKeySet(PGPKeyDBRef keyDB, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(keyDB)) return kPGPError_BadParams;
        return newKeySet(keyDB, false, outKeySet);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewOneKeySet(PGPKeyDBObjRef key, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(key) || !key->key) return kPGPError_BadParams;
        PGPError err = newKeySet(key->key->db, false, outKeySet);
        if (!err) (*outKeySet)->members.push_back(key->key);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPIncKeySetRefCount(PGPKeySetRef keySet) {
    try {
        if (!check(keySet)) return kPGPError_BadParams;
        if (keySet->isRoot && ORV_SDK_RELEASE == 65) ++keySet->db->refs;
        else ++keySet->refs;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeKeySet(PGPKeySetRef keySet) {
    try {
        if (!check(keySet)) return kPGPError_BadParams;
        return freeKeySet(keySet);
    } ORV_EXPORT_GUARD
}

PGPKeyDBRef PGP_CALL PGPPeekKeySetKeyDB(PGPKeySetRef keySet) {
    try {
        return check(keySet) ? keySet->db : nullptr;
    } ORV_EXPORT_GUARD
}
PGPContextRef PGP_CALL PGPPeekKeySetContext(PGPKeySetRef keySet) {
    try {
        return check(keySet) ? keySet->context : nullptr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountKeys(PGPKeySetRef keySet, PGPUInt32* outCount) {
    try {
        if (!check(keySet) || !outCount) return kPGPError_BadParams;
        *outCount = static_cast<PGPUInt32>(setMembers(keySet).size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPKeySetIsMember(PGPKeyDBObjRef key, PGPKeySetRef keySet) {
    try {
        if (!check(key) || !check(keySet) || !key->key || key->key->deleted) return 0;
        if (keySet->isRoot) return key->key->db == keySet->db;
        auto m = setMembers(keySet);
        return std::find(m.begin(), m.end(), key->key) != m.end();
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyDBObjBooleanFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPBoolean match,
                                              PGPFilterRef* outFilter) {
    try {
        PGPFilter f;
        f.kind = PGPFilter::Boolean;
        f.property = property;
        f.boolValue = match;
        return newFilter(context, outFilter, f);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyDBObjNumericFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPUInt32 value,
                                              PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        PGPFilter f;
        f.kind = PGPFilter::Numeric;
        f.property = property;
        f.number = value;
        f.match = match;
        return newFilter(context, outFilter, f);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyDBObjTimeFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPTime value,
                                           PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        PGPFilter f;
        f.kind = PGPFilter::Time;
        f.property = property;
        f.number = value;
        f.match = match;
        return newFilter(context, outFilter, f);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyDBObjDataFilter(PGPContextRef context, PGPKeyDBObjProperty property, const void* data,
                                           PGPSize length, PGPMatchCriterion match, PGPFilterRef* outFilter) {
    try {
        if (!data && length) return kPGPError_BadParams;
        PGPFilter f;
        f.kind = PGPFilter::Data;
        f.property = property;
        if (data) f.data.assign(static_cast<const char*>(data), length);
        f.match = match;
        return newFilter(context, outFilter, f);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPIncFilterRefCount(PGPFilterRef filter) {
    try {
        if (!check(filter)) return kPGPError_BadParams;
        ++filter->refs;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// Combining filters takes over the filters given, as the SDK does.
PGPError PGP_CALL PGPNegateFilter(PGPFilterRef filter, PGPFilterRef* outFilter) {
    try {
        if (!outFilter) return kPGPError_BadParams;
        *outFilter = nullptr;
        if (!check(filter)) return kPGPError_BadParams;
        auto* n = new (std::nothrow) PGPFilter;
        if (!n) return kPGPError_OutOfMemory;
        n->kind = PGPFilter::Not;
        n->a = filter;
        *outFilter = n;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

static PGPError combine(PGPFilter::Kind kind, PGPFilterRef a, PGPFilterRef b, PGPFilterRef* outFilter) {
    if (!outFilter) return kPGPError_BadParams;
    *outFilter = nullptr;
    if (!check(a) || !check(b)) return kPGPError_BadParams;
    auto* n = new (std::nothrow) PGPFilter;
    if (!n) return kPGPError_OutOfMemory;
    n->kind = kind;
    n->a = a;
    n->b = b;
    *outFilter = n;
    return kPGPError_NoErr;
}

PGPError PGP_CALL PGPIntersectFilters(PGPFilterRef filter1, PGPFilterRef filter2, PGPFilterRef* outFilter) {
    try {
        return combine(PGPFilter::And, filter1, filter2, outFilter);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPUnionFilters(PGPFilterRef filter1, PGPFilterRef filter2, PGPFilterRef* outFilter) {
    try {
        return combine(PGPFilter::Or, filter1, filter2, outFilter);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeFilter(PGPFilterRef filter) {
    try {
        if (!check(filter)) return kPGPError_BadParams;
        releaseFilter(filter);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFilterKeySet(PGPKeySetRef keySet, PGPFilterRef filter, PGPKeySetRef* outKeySet) {
    try {
        if (!outKeySet) return kPGPError_BadParams;
        *outKeySet = nullptr;
        if (!check(keySet) || !check(filter)) return kPGPError_BadParams;
        PGPKeySetRef out = nullptr;
        PGPError err = newKeySet(keySet->db, false, &out);
        if (err) return err;
        out->context = keySet->context;
        for (auto* k : setMembers(keySet))
            if (evalKey(filter, k)) {
                out->members.push_back(k);
                holdDB(out, k->db);
            }
        *outKeySet = out;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPOrderKeySet(PGPKeySetRef keySet, PGPKeyOrdering order, PGPBoolean reverseOrder,
                                 PGPKeyListRef* outKeyList) {
    try {
        if (!outKeyList) return kPGPError_BadParams;
        *outKeyList = nullptr;
        if (!check(keySet)) return kPGPError_BadParams;
        auto* l = new (std::nothrow) PGPKeyList;
        if (!l) return kPGPError_OutOfMemory;
        l->set = keySet;
        PGPIncKeySetRefCount(keySet);
        l->keys = setMembers(keySet);
        auto num = [](KeyRecord* k, PGPKeyDBObjProperty p) {
            PGPInt32 v = 0;
            numProperty(&k->self, p, &v);
            return v;
        };
        auto tim = [](KeyRecord* k, PGPKeyDBObjProperty p) {
            PGPTime v = 0;
            timeProperty(&k->self, p, &v);
            return v;
        };
        auto less = [&](KeyRecord* a, KeyRecord* b) {
            switch (order) {
            case kPGPKeyOrdering_UserID: return sortName(a) < sortName(b);
            case kPGPKeyOrdering_KeyID: return a->self.keyid.substr(8) < b->self.keyid.substr(8);
            case kPGPKeyOrdering_Validity: return num(a, kPGPKeyProperty_Validity) > num(b, kPGPKeyProperty_Validity);
            case kPGPKeyOrdering_Trust: return num(a, kPGPKeyProperty_Trust) > num(b, kPGPKeyProperty_Trust);
            case kPGPKeyOrdering_EncryptionKeySize:
            case kPGPKeyOrdering_SigningKeySize: return num(a, kPGPKeyProperty_Bits) > num(b, kPGPKeyProperty_Bits);
            case kPGPKeyOrdering_CreationDate: return tim(a, kPGPKeyProperty_Creation) > tim(b, kPGPKeyProperty_Creation);
            case kPGPKeyOrdering_ExpirationDate:
                return tim(a, kPGPKeyProperty_Expiration) > tim(b, kPGPKeyProperty_Expiration);
            default: return false;
            }
        };
        std::stable_sort(l->keys.begin(), l->keys.end(), less);
        if (reverseOrder) std::reverse(l->keys.begin(), l->keys.end());
        *outKeyList = l;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPIncKeyListRefCount(PGPKeyListRef keyList) {
    try {
        if (!check(keyList)) return kPGPError_BadParams;
        ++keyList->refs;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeKeyList(PGPKeyListRef keyList) {
    try {
        if (!check(keyList)) return kPGPError_BadParams;
        if (--keyList->refs <= 0) {
            PGPFreeKeySet(keyList->set);
            delete keyList;
        }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPContextRef PGP_CALL PGPPeekKeyListContext(PGPKeyListRef keyList) {
    try {
        return check(keyList) ? keyList->set->context : nullptr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyIter(PGPKeyListRef keyList, PGPKeyIterRef* outIter) {
    try {
        if (!outIter) return kPGPError_BadParams;
        *outIter = nullptr;
        if (!check(keyList)) return kPGPError_BadParams;
        auto* it = new (std::nothrow) PGPKeyIter;
        if (!it) return kPGPError_OutOfMemory;
        it->list = keyList;
        ++keyList->refs;
        *outIter = it;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyIterFromKeySet(PGPKeySetRef keySet, PGPKeyIterRef* outIter) {
    try {
        if (!outIter) return kPGPError_BadParams;
        *outIter = nullptr;
        PGPKeyListRef list = nullptr;
        PGPError err = PGPOrderKeySet(keySet, kPGPKeyOrdering_Any, 0, &list);
        if (err) return err;
        err = PGPNewKeyIter(list, outIter);
        PGPFreeKeyList(list);
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyIterFromKeyDB(PGPKeyDBRef keyDB, PGPKeyIterRef* outIter) {
    try {
        if (outIter) *outIter = nullptr;
        if (!check(keyDB)) return kPGPError_BadParams;
        return PGPNewKeyIterFromKeySet(keyDB->root, outIter);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCopyKeyIter(PGPKeyIterRef iter, PGPKeyIterRef* outIter) {
    try {
        if (!outIter) return kPGPError_BadParams;
        *outIter = nullptr;
        if (!check(iter)) return kPGPError_BadParams;
        auto* it = new (std::nothrow) PGPKeyIter(*iter);
        if (!it) return kPGPError_OutOfMemory;
        ++it->list->refs;
        *outIter = it;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeKeyIter(PGPKeyIterRef iter) {
    try {
        if (!check(iter)) return kPGPError_BadParams;
        PGPFreeKeyList(iter->list);
        delete iter;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPContextRef PGP_CALL PGPPeekKeyIterContext(PGPKeyIterRef iter) {
    try {
        return check(iter) ? iter->list->set->context : nullptr;
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPKeyIterIndex(PGPKeyIterRef iter) {
    try {
        return check(iter) ? iter->key : -1;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyIterGetKeyDBObj(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj) {
    try {
        return iterObj(iter, kind, 0, outObj);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyIterNextKeyDBObj(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj) {
    try {
        return iterObj(iter, kind, 1, outObj);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyIterPrevKeyDBObj(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj) {
    try {
        return iterObj(iter, kind, -1, outObj);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyIterRewind(PGPKeyIterRef iter, PGPKeyIterKind kind) {
    try {
        if (!check(iter)) return kPGPError_BadParams;
        switch (kind) {
        case kPGPKeyIter_Key: iter->key = -1; iter->sub = iter->uid = iter->sig = -1; break;
        case kPGPKeyIter_SubKey: iter->sub = -1; break;
        case kPGPKeyIter_UserID: iter->uid = -1; iter->sig = -1; break;
        case kPGPKeyIter_Signature: iter->sig = -1; break;
        default: return kPGPError_BadParams;
        }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPKeyIterMove(PGPKeyIterRef iter, PGPInt32 relOffset, PGPKeyDBObjRef* outKey) {
    try {
        if (outKey) *outKey = nullptr;
        if (!check(iter)) return kPGPError_BadParams;
        int n = static_cast<int>(iter->list->keys.size());
        int pos = iter->key + relOffset;
        if (pos < 0 || pos >= n) return kPGPError_EndOfIteration;
        iter->key = pos;
        iter->sub = iter->uid = iter->sig = -1;
        if (outKey) *outKey = &iter->list->keys[pos]->self;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPKeyIterSeek(PGPKeyIterRef iter, PGPKeyDBObjRef key) {
    try {
        if (!check(iter) || !check(key) || !key->key) return -1;
        auto& v = iter->list->keys;
        auto f = std::find(v.begin(), v.end(), key->key);
        if (f == v.end()) return -1;
        iter->key = static_cast<int>(f - v.begin());
        iter->sub = iter->uid = iter->sig = -1;
        return iter->key;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

namespace sdk {

PGPError iterObj(PGPKeyIterRef it, PGPKeyIterKind kind, int step, PGPKeyDBObjRef* out) {
    if (!out) return kPGPError_BadParams;
    *out = nullptr;
    if (!check(it)) return kPGPError_BadParams;
    auto& keys = it->list->keys;
    auto move = [&](int& pos, int count) -> PGPError {
        int p = pos + step;
        if (step == 0) p = pos;
        if (p < 0 || p >= count) return kPGPError_EndOfIteration;
        pos = p;
        return kPGPError_NoErr;
    };
    if (kind == kPGPKeyIter_Key) {
        int p = it->key;
        PGPError err = move(p, static_cast<int>(keys.size()));
        while (!err && keys[p]->deleted) err = move(p, static_cast<int>(keys.size()));
        if (err) return err;
        if (p != it->key) it->sub = it->uid = it->sig = -1;
        it->key = p;
        *out = &keys[p]->self;
        return kPGPError_NoErr;
    }
    if (it->key < 0 || it->key >= static_cast<int>(keys.size())) return kPGPError_EndOfIteration;
    KeyRecord* k = keys[it->key];
    switch (kind) {
    case kPGPKeyIter_SubKey: {
        PGPError err = move(it->sub, static_cast<int>(k->subkeys.size()));
        if (!err) *out = k->subkeys[it->sub].get();
        return err;
    }
    case kPGPKeyIter_UserID: {
        int before = it->uid;
        PGPError err = move(it->uid, static_cast<int>(k->userIDs.size()));
        if (!err) {
            if (before != it->uid) it->sig = -1;
            *out = k->userIDs[it->uid].get();
        }
        return err;
    }
    case kPGPKeyIter_Signature: {
        if (it->uid < 0 || it->uid >= static_cast<int>(k->userIDs.size())) return kPGPError_EndOfIteration;
        auto& sigs = k->userIDs[it->uid]->children;
        PGPError err = move(it->sig, static_cast<int>(sigs.size()));
        if (!err) *out = sigs[it->sig].get();
        return err;
    }
    default: return kPGPError_EndOfIteration;
    }
}

}  // namespace sdk

extern "C" {

PGPError PGP_CALL PGPGetKeyID(PGPKeyDBObjRef obj, PGPKeyID* outKeyID) {
    try {
        if (!outKeyID) return kPGPError_BadParams;
        std::memset(outKeyID, 0, kKeyIDBytes);
        if (!check(obj)) return kPGPError_BadParams;
        std::string v;
        PGPError err = dataProperty(obj, obj->kind == kPGPKeyIter_Signature ? kPGPSigProperty_KeyID
                                         : obj->kind == kPGPKeyIter_SubKey ? kPGPSubKeyProperty_KeyID
                                                                            : kPGPKeyProperty_KeyID,
                                    v);
        if (err) return err;
        std::memcpy(outKeyID, v.data(), std::min(v.size(), kKeyIDBytes));
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyIDString(const PGPKeyID* keyID, PGPKeyIDStringType type,
                                    char outString[kPGPMaxKeyIDStringSize]) {
    try {
        if (!keyID || !outString) return kPGPError_BadParams;
        outString[0] = 0;
        std::string hex = keyIDHex(keyID);
        if (hex.empty()) return kPGPError_BadParams;
        // The text forms are numbered differently by the two releases.
        const PGPKeyIDStringType abbreviated = ORV_SDK_RELEASE == 65 ? kPGPKeyIDString65_Abbreviated
                                                                     : kPGPKeyIDString_Abbreviated;
        const PGPKeyIDStringType full = ORV_SDK_RELEASE == 65 ? kPGPKeyIDString65_Full : kPGPKeyIDString_Full;
        if (type == abbreviated) {
            hex = hex.substr(hex.size() - 8);
        } else if (type != full || hex.size() != 16) {
            return kPGPError_BadParams;
        }
        std::snprintf(outString, kPGPMaxKeyIDStringSize, "0x%s", hex.c_str());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeyIDFromString(const char* string, PGPInt32 kind, PGPKeyID* outKeyID) {
    try {
        if (!outKeyID) return kPGPError_BadParams;
        std::memset(outKeyID, 0, kKeyIDBytes);
        if (!string) return kPGPError_BadParams;
        std::string s = string;
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
        size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos) return kPGPError_BadParams;
        s = s.substr(b);
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = s.substr(2);
        if (s.size() != 8 && s.size() != 16) return kPGPError_BadParams;
        for (char c : s)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return kPGPError_BadParams;
        makeKeyID(upper(s), outKeyID);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPCompareKeyIDs(const PGPKeyID* a, const PGPKeyID* b) {
    try {
        if (!a || !b) return a ? 1 : (b ? -1 : 0);
        std::string x = keyIDHex(a), y = keyIDHex(b);
        size_t n = std::min(x.size(), y.size());
        x = x.substr(x.size() - n);
        y = y.substr(y.size() - n);
        return x < y ? -1 : (x > y ? 1 : 0);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFindKeyByKeyID(PGPKeyDBRef keyDB, const PGPKeyID* keyID, PGPKeyDBObjRef* outKey) {
    try {
        if (!outKey) return kPGPError_BadParams;
        *outKey = nullptr;
        if (!check(keyDB) || !keyID) return kPGPError_BadParams;
        std::string hex = keyIDHex(keyID);
        if (hex.empty()) return kPGPError_BadParams;
        for (auto* r : liveKeys(keyDB)) {
            if (keyIDMatches(keyID, r->self.keyid)) {
                *outKey = &r->self;
                return kPGPError_NoErr;
            }
            for (auto& s : r->subkeys)
                if (keyIDMatches(keyID, s->keyid)) {
                    *outKey = &r->self;  // the key that owns the subkey
                    return kPGPError_NoErr;
                }
        }
        return kPGPError_ItemNotFound;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT7(PGPNewKeySet);
SDK_EXPORT7(PGPNewEmptyKeySet);
SDK_EXPORT7(PGPNewOneKeySet);
SDK_EXPORT(PGPIncKeySetRefCount);
SDK_EXPORT(PGPFreeKeySet);
SDK_EXPORT7(PGPPeekKeySetKeyDB);
SDK_EXPORT7(PGPPeekKeySetContext);
SDK_EXPORT(PGPCountKeys);
SDK_EXPORT(PGPKeySetIsMember);
SDK_EXPORT7(PGPNewKeyDBObjBooleanFilter);
SDK_EXPORT7(PGPNewKeyDBObjNumericFilter);
SDK_EXPORT7(PGPNewKeyDBObjTimeFilter);
SDK_EXPORT7(PGPNewKeyDBObjDataFilter);
SDK_EXPORT(PGPIncFilterRefCount);
SDK_EXPORT(PGPNegateFilter);
SDK_EXPORT(PGPIntersectFilters);
SDK_EXPORT(PGPUnionFilters);
SDK_EXPORT(PGPFreeFilter);
SDK_EXPORT(PGPFilterKeySet);
SDK_EXPORT7(PGPOrderKeySet);
SDK_EXPORT(PGPIncKeyListRefCount);
SDK_EXPORT(PGPFreeKeyList);
SDK_EXPORT7(PGPPeekKeyListContext);
SDK_EXPORT(PGPNewKeyIter);
SDK_EXPORT7(PGPNewKeyIterFromKeySet);
SDK_EXPORT7(PGPNewKeyIterFromKeyDB);
SDK_EXPORT(PGPCopyKeyIter);
SDK_EXPORT(PGPFreeKeyIter);
SDK_EXPORT7(PGPPeekKeyIterContext);
SDK_EXPORT(PGPKeyIterIndex);
SDK_EXPORT7(PGPKeyIterGetKeyDBObj);
SDK_EXPORT7(PGPKeyIterNextKeyDBObj);
SDK_EXPORT7(PGPKeyIterPrevKeyDBObj);
SDK_EXPORT7(PGPKeyIterRewind);
SDK_EXPORT(PGPKeyIterMove);
SDK_EXPORT(PGPKeyIterSeek);
SDK_EXPORT7(PGPGetKeyID);
SDK_EXPORT(PGPGetKeyIDString);
SDK_EXPORT7(PGPNewKeyIDFromString);
SDK_EXPORT(PGPCompareKeyIDs);
SDK_EXPORT7(PGPFindKeyByKeyID);
