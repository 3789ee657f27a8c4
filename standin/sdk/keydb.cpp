// Key databases: rings read through Win32 into RNP, a model of keys, subkeys,
// user IDs and signatures whose handles stay valid while the database lives,
// and writing rings back. Unchanged keys are written with the packets they
// were read with (trust packets and anything RNP does not keep included);
// changed keys come from RNP with their trust packets put back.
#include <windows.h>

#include <algorithm>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

namespace sdk {

namespace {

std::vector<std::unique_ptr<PGPKeyDBObj>> gGraveyard;  // replaced objects stay valid as handles

std::string idFromFpr(const std::string& fpr) { return fpr.size() >= 16 ? fpr.substr(fpr.size() - 16) : fpr; }

void buildChildren(KeyRecord* rec) {
    for (auto& v : {&rec->subkeys, &rec->userIDs, &rec->directSigs})
        for (auto& o : *v) gGraveyard.push_back(std::move(o));
    rec->subkeys.clear();
    rec->userIDs.clear();
    rec->directSigs.clear();
    RnpKey k(keyHandle(&rec->self));
    if (!k.h) return;
    size_t n = 0;
    rnp_key_get_subkey_count(k.h, &n);
    for (size_t i = 0; i < n; ++i) {
        rnp_key_handle_t sh = nullptr;
        if (rnp_key_get_subkey_at(k.h, i, &sh)) continue;
        RnpKey s(sh);
        RnpString f;
        rnp_key_get_fprint(s.h, &f.s);
        auto o = std::make_unique<PGPKeyDBObj>();
        o->kind = kPGPKeyIter_SubKey;
        o->key = rec;
        o->index = static_cast<int>(i);
        o->fpr = f.str();
        o->keyid = idFromFpr(o->fpr);
        rec->subkeys.push_back(std::move(o));
    }
    n = 0;
    rnp_key_get_uid_count(k.h, &n);
    for (size_t i = 0; i < n; ++i) {
        auto u = std::make_unique<PGPKeyDBObj>();
        u->kind = kPGPKeyIter_UserID;
        u->key = rec;
        u->index = static_cast<int>(i);
        rnp_uid_handle_t uh = nullptr;
        if (rnp_key_get_uid_handle_at(k.h, i, &uh) == RNP_SUCCESS) {
            size_t sc = 0;
            rnp_uid_get_signature_count(uh, &sc);
            for (size_t j = 0; j < sc; ++j) {
                auto s = std::make_unique<PGPKeyDBObj>();
                s->kind = kPGPKeyIter_Signature;
                s->key = rec;
                s->index = static_cast<int>(j);
                s->parent = u.get();
                u->children.push_back(std::move(s));
            }
            rnp_uid_handle_destroy(uh);
        }
        rec->userIDs.push_back(std::move(u));
    }
    n = 0;
    rnp_key_get_signature_count(k.h, &n);
    for (size_t j = 0; j < n; ++j) {
        auto s = std::make_unique<PGPKeyDBObj>();
        s->kind = kPGPKeyIter_Signature;
        s->key = rec;
        s->index = static_cast<int>(j);
        rec->directSigs.push_back(std::move(s));
    }
}

struct RingRead {
    std::map<std::string, std::string> blocks;
    std::vector<std::string> unknown;  // filled later with blocks RNP did not take
    std::vector<std::pair<std::string, std::string>> ordered;
    std::string binary;
    bool armored = false;
};

// Cuts binary ring data into key blocks and takes the trust packets of keys
// and user IDs into the side store.
void cutBlocks(PGPKeyDB* db, const std::string& bin, RingRead& rr) {
    std::vector<Packet> pk;
    if (!splitPackets(bin, pk)) return;
    size_t i = 0;
    while (i < pk.size()) {
        if (pk[i].tag != 5 && pk[i].tag != 6) {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < pk.size() && pk[j].tag != 5 && pk[j].tag != 6) ++j;
        std::string body = bin.substr(pk[i].bodyStart, pk[i].end - pk[i].bodyStart);
        std::string fpr = keyPacketFingerprint(body, pk[i].tag == 5);
        std::string block = bin.substr(pk[i].start, pk[j - 1].end - pk[i].start);
        if (!fpr.empty()) {
            TrustRecord& tr = db->trust[fpr];
            std::string lastUid;
            int prevTag = 0;
            for (size_t k = i; k < j; ++k) {
                if (pk[k].tag == 12 && pk[k].end > pk[k].bodyStart) {
                    uint8_t v = static_cast<uint8_t>(bin[pk[k].bodyStart]);
                    if (prevTag == 5 || prevTag == 6) {
                        if (!tr.hasKeyTrust) {
                            tr.hasKeyTrust = true;
                            tr.keyTrust = v;
                        }
                    } else if (prevTag == 13) {
                        tr.userIDTrust.emplace(lastUid, v);
                    }
                }
                if (pk[k].tag == 13) lastUid = bin.substr(pk[k].bodyStart, pk[k].end - pk[k].bodyStart);
                if (pk[k].tag != 12) prevTag = pk[k].tag;
            }
            rr.blocks[fpr] += block;
        }
        rr.ordered.emplace_back(fpr, block);
        i = j;
    }
}

bool readRing(PGPKeyDB* db, const std::string& path, RingRead& rr, PGPError& err) {
    std::string raw;
    if (!fileExists(path)) return true;  // a ring not yet written is empty
    if (!readFile(path, raw)) {
        err = kPGPError_ReadFailed;
        return false;
    }
    size_t p = raw.find_first_not_of(" \t\r\n");
    if (p != std::string::npos && raw[p] == '-') {
        rr.armored = true;
        for (const auto& s : lexSections(raw)) {
            if (s.kind != Section::PublicKey && s.kind != Section::PrivateKey) continue;
            std::string bin;
            if (dearmor(raw.substr(s.start, s.end - s.start), bin)) rr.binary += bin;
        }
    } else {
        rr.binary = raw;
    }
    cutBlocks(db, rr.binary, rr);
    return true;
}

// Puts the side store's trust bytes into a key block: replaces the trust
// packet after the key and after each user ID, or adds one where it is
// missing; every other packet stays as it is.
std::string applyTrust(const std::string& block, const TrustRecord* tr) {
    std::vector<Packet> pk;
    if (!tr || !splitPackets(block, pk)) return block;
    std::string out;
    out.reserve(block.size() + 16);
    for (size_t k = 0; k < pk.size(); ++k) {
        const Packet& p = pk[k];
        bool follows = k > 0 && pk[k].tag == 12;
        int prev = 0;
        for (size_t q = k; q-- > 0;)
            if (pk[q].tag != 12) {
                prev = pk[q].tag;
                break;
            }
        bool firstTrustAfter = follows && pk[k - 1].tag != 12;
        if (firstTrustAfter && (prev == 5 || prev == 6) && k == 1 && tr->hasKeyTrust) continue;  // rewritten below
        if (firstTrustAfter && prev == 13) {
            std::string uid = block.substr(pk[k - 1].bodyStart, pk[k - 1].end - pk[k - 1].bodyStart);
            if (tr->userIDTrust.count(uid)) continue;
        }
        out.append(block, p.start, p.end - p.start);
        if (k == 0 && (p.tag == 5 || p.tag == 6) && tr->hasKeyTrust) out += trustPacket(tr->keyTrust);
        if (p.tag == 13) {
            auto it = tr->userIDTrust.find(block.substr(p.bodyStart, p.end - p.bodyStart));
            if (it != tr->userIDTrust.end()) out += trustPacket(it->second);
        }
    }
    return out;
}

std::string armorAs(const std::string& bin, const char* type) {
    RnpInput in(bin.data(), bin.size());
    RnpOutput out;
    if (!in.in || !out.out || rnp_enarmor(in.in, out.out, type) != RNP_SUCCESS) return {};
    return out.take();
}

}  // namespace

rnp_ffi_t newFfi() {
    rnp_ffi_t ffi = nullptr;
    if (rnp_ffi_create(&ffi, "GPG", "GPG") != RNP_SUCCESS) return nullptr;
    rnp_add_security_rule(ffi, RNP_FEATURE_HASH_ALG, "SHA1", RNP_SECURITY_OVERRIDE, 0, RNP_SECURITY_DEFAULT);
    return ffi;
}

rnp_key_handle_t keyHandle(const PGPKeyDBObj* obj) {
    if (!obj || !obj->key || !obj->key->db) return nullptr;
    const std::string& fpr = obj->kind == kPGPKeyIter_SubKey ? obj->fpr : obj->key->self.fpr;
    rnp_key_handle_t h = nullptr;
    if (rnp_locate_key(obj->key->db->ffi, "fingerprint", fpr.c_str(), &h) != RNP_SUCCESS) return nullptr;
    return h;
}

void refreshKeys(PGPKeyDBRef db) {
    std::vector<std::string> primaries;
    rnp_identifier_iterator_t it = nullptr;
    if (rnp_identifier_iterator_create(db->ffi, &it, "fingerprint") == RNP_SUCCESS) {
        const char* id = nullptr;
        while (rnp_identifier_iterator_next(it, &id) == RNP_SUCCESS && id) {
            rnp_key_handle_t h = nullptr;
            if (rnp_locate_key(db->ffi, "fingerprint", id, &h) != RNP_SUCCESS || !h) continue;
            bool primary = false;
            rnp_key_is_primary(h, &primary);
            rnp_key_handle_destroy(h);
            if (primary) primaries.push_back(id);
        }
        rnp_identifier_iterator_destroy(it);
    }
    for (auto& rec : db->keys) rec->deleted = true;
    for (const auto& fpr : primaries) {
        auto f = db->byFpr.find(fpr);
        KeyRecord* rec;
        if (f == db->byFpr.end()) {
            auto r = std::make_unique<KeyRecord>();
            r->db = db;
            r->self.kind = kPGPKeyIter_Key;
            r->self.key = r.get();
            r->self.fpr = fpr;
            r->self.keyid = idFromFpr(fpr);
            rec = r.get();
            db->byFpr[fpr] = rec;
            db->keys.push_back(std::move(r));
            buildChildren(rec);
        } else {
            rec = f->second;
            if (rec->deleted && rec->changed) buildChildren(rec);
        }
        rec->deleted = false;
        rec->cachedValidity = -1;
    }
    for (auto& rec : db->keys) rec->cachedValidity = -1;
}

// Rebuilds the children of keys whose packets changed (after import or edits).
void rebuildChanged(PGPKeyDBRef db, const std::vector<std::string>& fprs) {
    refreshKeys(db);
    for (const auto& f : fprs) {
        auto it = db->byFpr.find(f);
        if (it != db->byFpr.end()) {
            it->second->changed = true;
            buildChildren(it->second);
        }
    }
}

std::vector<KeyRecord*> liveKeys(PGPKeyDBRef db) {
    std::vector<KeyRecord*> v;
    if (!db) return v;
    for (auto& r : db->keys)
        if (!r->deleted) v.push_back(r.get());
    return v;
}

KeyRecord* findKey(PGPKeyDBRef db, const std::string& hexIn) {
    std::string hex = upper(hexIn);
    if (hex.rfind("0X", 0) == 0) hex = hex.substr(2);
    if (hex.empty()) return nullptr;
    for (auto* r : liveKeys(db)) {
        auto matches = [&](const std::string& fpr) {
            return fpr.size() >= hex.size() && fpr.compare(fpr.size() - hex.size(), hex.size(), hex) == 0;
        };
        if (matches(r->self.fpr)) return r;
        for (auto& s : r->subkeys)
            if (matches(s->fpr)) return r;
    }
    return nullptr;
}

PGPKeyDBObj* findKeyObj(PGPKeyDBRef db, const std::string& keyidHex) {
    std::string hex = upper(keyidHex);
    for (auto* r : liveKeys(db)) {
        if (r->self.keyid == hex) return &r->self;
        for (auto& s : r->subkeys)
            if (s->keyid == hex) return s.get();
    }
    return nullptr;
}

bool hasSecret(const KeyRecord* key) {
    RnpKey k(keyHandle(&key->self));
    bool s = false;
    if (k.h) rnp_key_have_secret(k.h, &s);
    return s;
}

TrustRecord& trustOf(KeyRecord* key) { return key->db->trust[key->self.fpr]; }

PGPError newKeyDB(PGPContextRef context, PGPKeyDBRef* out) {
    *out = nullptr;
    auto* db = new (std::nothrow) PGPKeyDB;
    if (!db) return kPGPError_OutOfMemory;
    db->context = context;
    db->ffi = newFfi();
    if (!db->ffi) {
        delete db;
        return kPGPError_OutOfMemory;
    }
    PGPError err = newKeySet(db, true, &db->root);
    if (err) {
        rnp_ffi_destroy(db->ffi);
        delete db;
        return err;
    }
    *out = db;
    return kPGPError_NoErr;
}

PGPError importInto(PGPKeyDBRef db, std::string_view data, bool secretToo, std::vector<std::string>* fprs) {
    // RNP takes key blocks only without text around them: cut them out.
    std::string bin;
    if (!data.empty() && (static_cast<unsigned char>(data[0]) & 0x80)) {
        bin.assign(data);
    } else {
        for (const auto& s : lexSections(data)) {
            if (s.kind != Section::PublicKey && s.kind != Section::PrivateKey) continue;
            if (s.kind == Section::PrivateKey && !secretToo) continue;
            std::string b;
            if (!dearmor(data.substr(s.start, s.end - s.start), b)) return kErrArmorIncomplete;
            bin += b;
        }
    }
    if (bin.empty()) return kPGPError_ItemNotFound;
    RnpInput in(bin.data(), bin.size());
    RnpString json;
    uint32_t flags = RNP_LOAD_SAVE_PUBLIC_KEYS | RNP_LOAD_SAVE_PERMISSIVE;
    if (secretToo) flags |= RNP_LOAD_SAVE_SECRET_KEYS;
    rnp_result_t r = rnp_import_keys(db->ffi, in.in, flags, &json.s);
    if (r != RNP_SUCCESS) return mapRnp(r, kErrArmorIncomplete);
    // The report lists every key and subkey with its status; keep the primaries.
    std::vector<std::string> changed;
    std::string j = json.str();
    size_t pos = 0;
    while ((pos = j.find("\"fingerprint\":\"", pos)) != std::string::npos) {
        pos += 15;
        size_t e = j.find('"', pos);
        if (e == std::string::npos) break;
        std::string f = upper(j.substr(pos, e - pos));
        rnp_key_handle_t h = nullptr;
        if (rnp_locate_key(db->ffi, "fingerprint", f.c_str(), &h) == RNP_SUCCESS && h) {
            bool primary = false;
            rnp_key_is_primary(h, &primary);
            if (!primary) {
                RnpString pf;
                if (rnp_key_get_primary_fprint(h, &pf.s) == RNP_SUCCESS) f = upper(pf.str());
            }
            rnp_key_handle_destroy(h);
            if (std::find(changed.begin(), changed.end(), f) == changed.end()) changed.push_back(f);
        }
        pos = e;
    }
    rebuildChanged(db, changed);
    db->updated = true;
    if (fprs) *fprs = changed;
    return kPGPError_NoErr;
}

std::string exportKey(const KeyRecord* key, bool secret, bool armored) {
    RnpKey k(keyHandle(&key->self));
    RnpOutput out;
    if (!k.h || !out.out) return {};
    uint32_t flags = RNP_KEY_EXPORT_SUBKEYS | (secret ? RNP_KEY_EXPORT_SECRET : RNP_KEY_EXPORT_PUBLIC);
    if (armored) flags |= RNP_KEY_EXPORT_ARMORED;
    if (rnp_key_export(k.h, out.out, flags) != RNP_SUCCESS) return {};
    return out.take();
}

}  // namespace sdk

using namespace sdk;

namespace {

PGPError loadRings(PGPKeyDB* db) {
    RingRead pub, sec;
    PGPError err = kPGPError_NoErr;
    if (!db->pubPath.empty() && !readRing(db, db->pubPath, pub, err)) return err;
    if (!db->secPath.empty() && !readRing(db, db->secPath, sec, err)) return err;
    db->pubArmored = pub.armored;
    db->secArmored = sec.armored;
    for (auto* rr : {&pub, &sec}) {
        if (rr->binary.empty()) continue;
        // Importing skips packets RNP cannot use instead of refusing the ring;
        // they stay in the file through the kept blocks.
        RnpInput in(rr->binary.data(), rr->binary.size());
        uint32_t flags = RNP_LOAD_SAVE_PUBLIC_KEYS | RNP_LOAD_SAVE_SECRET_KEYS | RNP_LOAD_SAVE_PERMISSIVE;
        rnp_result_t r = rnp_import_keys(db->ffi, in.in, flags, nullptr);
        if (r != RNP_SUCCESS && r != RNP_ERROR_EOF) return mapRnp(r, kPGPError_ReadFailed);
    }
    refreshKeys(db);
    auto keep = [&](RingRead& rr, std::map<std::string, std::string>& blocks, std::vector<std::string>& unknown) {
        blocks = rr.blocks;
        for (auto& [fpr, block] : rr.ordered)
            if (fpr.empty() || !db->byFpr.count(fpr)) unknown.push_back(block);
    };
    keep(pub, db->pubBlocks, db->pubUnknown);
    keep(sec, db->secBlocks, db->secUnknown);
    return kPGPError_NoErr;
}

}  // namespace

PGPError sdk::saveRings(PGPKeyDB* db) {
    std::string pub, sec;
    for (auto* rec : liveKeys(db)) {
        auto tr = db->trust.find(rec->self.fpr);
        const TrustRecord* t = tr == db->trust.end() ? nullptr : &tr->second;
        auto pb = db->pubBlocks.find(rec->self.fpr);
        if (!rec->changed && pb != db->pubBlocks.end()) {
            pub += applyTrust(pb->second, t);
        } else {
            std::string e = exportKey(rec, false, false);
            if (e.empty()) return kPGPError_WriteFailed;
            pub += applyTrust(e, t);
        }
        if (hasSecret(rec)) {
            auto sb = db->secBlocks.find(rec->self.fpr);
            if (!rec->changed && sb != db->secBlocks.end()) {
                sec += applyTrust(sb->second, t);
            } else {
                std::string e = exportKey(rec, true, false);
                if (e.empty()) return kPGPError_WriteFailed;
                sec += applyTrust(e, t);
            }
        }
    }
    for (auto& b : db->pubUnknown) pub += b;
    for (auto& b : db->secUnknown) sec += b;
    if (db->pubArmored && !pub.empty()) pub = armorAs(pub, "public key");
    if (db->secArmored && !sec.empty()) sec = armorAs(sec, "secret key");
    if (!db->pubPath.empty() && !replaceFile(db->pubPath, pub)) return kPGPError_WriteFailed;
    if (!db->secPath.empty() && !replaceFile(db->secPath, sec)) return kPGPError_WriteFailed;
    // What is on disk now is the base for the next write.
    db->pubBlocks.clear();
    db->secBlocks.clear();
    RingRead p2, s2;
    cutBlocks(db, db->pubArmored ? std::string() : pub, p2);
    if (!db->pubArmored) db->pubBlocks = p2.blocks;
    if (!db->secArmored) {
        cutBlocks(db, sec, s2);
        db->secBlocks = s2.blocks;
    }
    for (auto* rec : liveKeys(db))
        if (db->pubBlocks.count(rec->self.fpr)) rec->changed = false;
    db->updated = false;
    return kPGPError_NoErr;
}

namespace {

void destroyDB(PGPKeyDB* db) {
    if (db->root) delete db->root;
    rnp_ffi_destroy(db->ffi);
    delete db;
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPNewKeyDB(PGPContextRef context, PGPKeyDBRef* outKeyDB) {
    try {
        if (!outKeyDB) return kPGPError_BadParams;
        *outKeyDB = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        return newKeyDB(context, outKeyDB);
    } ORV_EXPORT_GUARD
}

}  // extern "C"

PGPError sdk::openRings(PGPContextRef context, bool isMutable, const std::string& pub, const std::string& sec,
                        PGPKeyDBRef* out) {
    *out = nullptr;
    PGPKeyDBRef db = nullptr;
    PGPError err = newKeyDB(context, &db);
    if (err) return err;
    db->pubPath = pub;
    db->secPath = sec;
    db->isMutable = isMutable;
    err = loadRings(db);
    if (err) {
        destroyDB(db);
        return err;
    }
    db->updated = false;
    *out = db;
    return kPGPError_NoErr;
}

// Changes not written are dropped: the keys are read again from the files.
// Records of keys stay (handles the caller holds keep pointing somewhere
// valid); their parts are rebuilt.
PGPError sdk::reloadRings(PGPKeyDBRef db) {
    if (db->pubPath.empty() && db->secPath.empty()) return kPGPError_NoErr;
    rnp_ffi_t fresh = newFfi();
    if (!fresh) return kPGPError_OutOfMemory;
    rnp_ffi_t old = db->ffi;
    db->ffi = fresh;
    db->keptUnlocked.clear();  // the fresh keys are locked
    db->trust.clear();
    db->pubBlocks.clear();
    db->secBlocks.clear();
    db->pubUnknown.clear();
    db->secUnknown.clear();
    for (auto& rec : db->keys) {
        rec->deleted = true;
        rec->changed = true;
    }
    PGPError err = loadRings(db);
    for (auto& rec : db->keys) rec->changed = false;
    rnp_ffi_destroy(old);
    db->updated = false;
    return err;
}

extern "C" {

PGPError PGP_CALL PGPOpenKeyDBFile(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef pubFile,
                                   PGPFileSpecRef privFile, PGPKeyDBRef* outKeyDB) {
    try {
        if (!outKeyDB) return kPGPError_BadParams;
        *outKeyDB = nullptr;
        if (!check(context) || !check(pubFile) || (privFile && !check(privFile))) return kPGPError_BadParams;
        return openRings(context, (openFlags & kPGPOpenKeyDBFileOptions_Mutable) != 0, pubFile->path,
                         privFile ? privFile->path : std::string(), outKeyDB);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeKeyDB(PGPKeyDBRef keyDB) {
    try {
        if (!check(keyDB)) return kPGPError_BadParams;
        if (--keyDB->refs <= 0) destroyDB(keyDB);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFlushKeyDB(PGPKeyDBRef keyDB) {
    try {
        if (!check(keyDB)) return kPGPError_BadParams;
        if (keyDB->pubPath.empty() || !keyDB->isMutable) return kPGPError_NoErr;
        return saveRings(keyDB);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPIncKeyDBRefCount(PGPKeyDBRef keyDB) {
    try {
        if (!check(keyDB)) return kPGPError_BadParams;
        ++keyDB->refs;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPKeyDBIsMutable(PGPKeyDBRef keyDB) {
    try {
        return check(keyDB) && keyDB->isMutable;
    } ORV_EXPORT_GUARD
}
PGPBoolean PGP_CALL PGPKeyDBIsUpdated(PGPKeyDBRef keyDB) {
    try {
        return check(keyDB) && keyDB->updated;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountKeysInKeyDB(PGPKeyDBRef keyDB, PGPUInt32* outCount) {
    try {
        if (!check(keyDB) || !outCount) return kPGPError_BadParams;
        *outCount = static_cast<PGPUInt32>(liveKeys(keyDB).size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPKeySetRef PGP_CALL PGPPeekKeyDBRootKeySet(PGPKeyDBRef keyDB) {
    try {
        return check(keyDB) ? keyDB->root : nullptr;
    } ORV_EXPORT_GUARD
}
PGPContextRef PGP_CALL PGPPeekKeyDBContext(PGPKeyDBRef keyDB) {
    try {
        return check(keyDB) ? keyDB->context : nullptr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT7(PGPNewKeyDB);
SDK_EXPORT7(PGPOpenKeyDBFile);
SDK_EXPORT7(PGPFreeKeyDB);
SDK_EXPORT7(PGPFlushKeyDB);
SDK_EXPORT7(PGPIncKeyDBRefCount);
SDK_EXPORT7(PGPKeyDBIsMutable);
SDK_EXPORT7(PGPKeyDBIsUpdated);
SDK_EXPORT7(PGPCountKeysInKeyDB);
SDK_EXPORT7(PGPPeekKeyDBRootKeySet);
SDK_EXPORT7(PGPPeekKeyDBContext);
