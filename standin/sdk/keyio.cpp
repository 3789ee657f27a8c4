// Import and export, copying and deleting keys, key generation and the key
// edits the system uses.
#include <algorithm>
#include <cstring>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

using namespace sdk;

namespace {

// Secret parts to try with a passphrase: the key, then its subkeys.
std::vector<PGPKeyDBObj*> secretParts(KeyRecord* k) {
    std::vector<PGPKeyDBObj*> v;
    for (PGPKeyDBObj* o : [&] {
             std::vector<PGPKeyDBObj*> all{&k->self};
             for (auto& s : k->subkeys) all.push_back(s.get());
             return all;
         }()) {
        RnpKey h(keyHandle(o));
        bool s = false;
        if (h.h && rnp_key_have_secret(h.h, &s) == RNP_SUCCESS && s) v.push_back(o);
    }
    return v;
}

// A key a decoding job kept unlocked is locked first: the passphrase is then
// checked against the key itself.
bool unlockWith(PGPKeyDBRef db, rnp_key_handle_t h, const SecureBytes& pass) {
    relockKeptKeys(db);
    bool prot = false;
    rnp_key_is_protected(h, &prot);
    if (!prot) return true;
    return rnp_key_unlock(h, pass.c_str()) == RNP_SUCCESS;
}

PGPKeyDBRef keyDBOption(const std::vector<Option>& opts) {
    const Option* o = findOption(opts, Opt::KeyDBRef);
    if (o) return check(static_cast<PGPKeyDBRef>(o->ptr));
    o = findOption(opts, Opt::KeySetRef);
    if (o && check(static_cast<PGPKeySetRef>(o->ptr))) return static_cast<PGPKeySetRef>(o->ptr)->db;
    return nullptr;
}

void markChanged(PGPKeyDBRef db, KeyRecord* k) {
    k->changed = true;
    db->updated = true;
    rebuildChanged(db, {k->self.fpr});
}

PGPError copyInto(const std::vector<KeyRecord*>& keys, PGPKeyDBRef dest, std::vector<KeyRecord*>* copied) {
    for (auto* k : keys) {
        std::string data = exportKey(k, false, false);
        if (hasSecret(k)) data += exportKey(k, true, false);
        if (data.empty()) return kPGPError_ItemNotFound;
        std::vector<std::string> fprs;
        PGPError err = importInto(dest, data, true, &fprs);
        if (err) return err;
        auto t = k->db->trust.find(k->self.fpr);
        if (t != k->db->trust.end() && !dest->trust.count(k->self.fpr)) dest->trust[k->self.fpr] = t->second;
        auto f = dest->byFpr.find(k->self.fpr);
        if (copied && f != dest->byFpr.end()) copied->push_back(f->second);
    }
    return kPGPError_NoErr;
}

}  // namespace

extern "C" {

}  // extern "C"

namespace sdk {

PGPError importKeys(PGPContextRef context, PGPKeyDBRef* outImportedKeys, const std::vector<Option>& opts) {
    *outImportedKeys = nullptr;
    // A large message is searched for key blocks where it lies.
    std::string stored;
    std::string_view data;
    PGPError err = readInputView(opts, stored, data);
    if (err) return err;
    PGPKeyDBRef db = nullptr;
    err = newKeyDB(context, &db);
    if (err) return err;
    err = importInto(db, data, true, nullptr);
    if (err) {
        PGPFreeKeyDB(db);
        return err;
    }
    db->updated = false;
    *outImportedKeys = db;
    return kPGPError_NoErr;
}

PGPError exportKeys(PGPContextRef context, const std::vector<Option>& opts) {
    std::vector<KeyRecord*> keys;
    for (const auto& o : opts) {
        if (o.type == Opt::ExportKeySet)
            for (auto* k : setMembers(static_cast<PGPKeySetRef>(o.ptr))) keys.push_back(k);
        if (o.type == Opt::EncryptToKey) keys.push_back(static_cast<PGPKeyDBObj*>(o.ptr)->key);
    }
    if (keys.empty()) return kPGPError_ItemNotFound;
    const Option* out = outputOption(opts);
    if (!out) return kPGPError_BadParams;
    const Option* priv = findOption(opts, Opt::ExportPrivateKeys);
    bool secret = priv && priv->num;
    const Option* armor = findOption(opts, Opt::ArmorOutput);
    bool armored = !armor || armor->num;
    std::string pub, sec;
    for (auto* k : keys) {
        pub += exportKey(k, false, false);
        if (secret && hasSecret(k)) sec += exportKey(k, true, false);
    }
    std::string data;
    auto arm = [&](const std::string& bin, const char* type) {
        RnpInput in(bin.data(), bin.size());
        RnpOutput o;
        if (rnp_enarmor(in.in, o.out, type) != RNP_SUCCESS) return std::string();
        return o.take();
    };
    if (armored) {
        const Option* v = findOption(opts, Opt::VersionString);
        const Option* c = findOption(opts, Opt::CommentString);
        data = addArmorHeaders(arm(pub, "public key"), v ? v->text : "", c ? c->text : "");
        if (!sec.empty()) data += "\r\n" + addArmorHeaders(arm(sec, "secret key"), v ? v->text : "", c ? c->text : "");
    } else {
        data = pub + sec;
    }
    return writeOutput(context, *out, data);
}

}  // namespace sdk

extern "C" {

PGPError PGP_CALL PGPImport(PGPContextRef context, PGPKeyDBRef* outImportedKeys, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (outImportedKeys) *outImportedKeys = nullptr;
        if (!check(context) || !outImportedKeys) return kPGPError_BadParams;
        if (err) return err;
        return importKeys(context, outImportedKeys, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPExport(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(context)) return kPGPError_BadParams;
        if (err) return err;
        return exportKeys(context, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCopyKeys(PGPKeySetRef keysToCopy, PGPKeyDBRef destKeyDB, PGPKeySetRef* outNewKeys) {
    try {
        if (outNewKeys) *outNewKeys = nullptr;
        if (!check(keysToCopy) || !check(destKeyDB)) return kPGPError_BadParams;
        std::vector<KeyRecord*> copied;
        PGPError err = copyInto(setMembers(keysToCopy), destKeyDB, &copied);
        if (err) return err;
        if (outNewKeys) {
            err = newKeySet(destKeyDB, false, outNewKeys);
            if (!err) (*outNewKeys)->members = copied;
        }
        return err;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPAddKeys(PGPKeySetRef keysToAdd, PGPKeySetRef destKeySet) {
    try {
        if (!check(keysToAdd) || !check(destKeySet)) return kPGPError_BadParams;
        // Keys of other rings are copied into the destination's rings; a set
        // of no rings (release 6.5) only refers to them.
        std::vector<KeyRecord*> keys, foreign;
        for (auto* k : setMembers(keysToAdd))
            (!destKeySet->db || k->db == destKeySet->db ? keys : foreign).push_back(k);
        if (!foreign.empty()) {
            std::vector<KeyRecord*> copied;
            PGPError err = copyInto(foreign, destKeySet->db, &copied);
            if (err) return err;
            keys.insert(keys.end(), copied.begin(), copied.end());
        }
        if (!destKeySet->isRoot)
            for (auto* k : keys)
                if (std::find(destKeySet->members.begin(), destKeySet->members.end(), k) == destKeySet->members.end()) {
                    destKeySet->members.push_back(k);
                    holdDB(destKeySet, k->db);
                }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDeleteKeys(PGPKeySetRef keysToDelete) {
    try {
        if (!check(keysToDelete)) return kPGPError_BadParams;
        std::vector<PGPKeyDBRef> touched;
        for (auto* k : setMembers(keysToDelete)) {
            PGPKeyDBRef db = k->db;
            if (std::find(touched.begin(), touched.end(), db) == touched.end()) touched.push_back(db);
            RnpKey h(keyHandle(&k->self));
            if (h.h) rnp_key_remove(h.h, RNP_KEY_REMOVE_PUBLIC | RNP_KEY_REMOVE_SECRET | RNP_KEY_REMOVE_SUBKEYS);
            db->pubBlocks.erase(k->self.fpr);
            db->secBlocks.erase(k->self.fpr);
            k->deleted = true;
        }
        for (auto* db : touched) {
            db->updated = true;
            refreshKeys(db);
        }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDeleteKeyDBObj(PGPKeyDBObjRef obj) {
    try {
        if (!check(obj) || !obj->key) return kPGPError_BadParams;
        KeyRecord* k = obj->key;
        PGPKeyDBRef db = k->db;
        if (obj->kind == kPGPKeyIter_Key) {
            PGPKeySetRef one = nullptr;
            PGPError err = PGPNewOneKeySet(obj, &one);
            if (err) return err;
            err = PGPDeleteKeys(one);
            PGPFreeKeySet(one);
            return err;
        }
        RnpKey h(keyHandle(&k->self));
        if (!h.h) return kPGPError_ItemNotFound;
        rnp_result_t r = RNP_ERROR_BAD_PARAMETERS;
        if (obj->kind == kPGPKeyIter_SubKey) {
            RnpKey s(keyHandle(obj));
            if (s.h) r = rnp_key_remove(s.h, RNP_KEY_REMOVE_PUBLIC | RNP_KEY_REMOVE_SECRET);
        } else if (obj->kind == kPGPKeyIter_UserID) {
            rnp_uid_handle_t u = nullptr;
            if (rnp_key_get_uid_handle_at(h.h, obj->index, &u) == RNP_SUCCESS) {
                r = rnp_uid_remove(h.h, u);
                rnp_uid_handle_destroy(u);
            }
        } else {
            rnp_signature_handle_t sh = nullptr;
            if (obj->parent) {
                rnp_uid_handle_t u = nullptr;
                if (rnp_key_get_uid_handle_at(h.h, obj->parent->index, &u) == RNP_SUCCESS) {
                    rnp_uid_get_signature_at(u, obj->index, &sh);
                    rnp_uid_handle_destroy(u);
                }
            } else {
                rnp_key_get_signature_at(h.h, obj->index, &sh);
            }
            if (sh) {
                r = rnp_signature_remove(h.h, sh);
                rnp_signature_handle_destroy(sh);
            }
        }
        if (r != RNP_SUCCESS) return mapRnp(r, kPGPError_BadParams);
        markChanged(db, k);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPPassphraseIsValid(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (err || !check(key) || !key->key || !hasPassphrase(opts)) return 0;
        relockKeptKeys(key->key->db);
        SecureBytes pass = passphraseOf(opts);
        std::vector<PGPKeyDBObj*> parts;
        if (key->kind == kPGPKeyIter_SubKey) parts.push_back(key);
        else parts = secretParts(key->key);
        for (auto* p : parts) {
            RnpKey h(keyHandle(p));
            if (!h.h) continue;
            bool locked = true;
            rnp_key_is_locked(h.h, &locked);
            bool ok = unlockWith(key->key->db, h.h, pass);
            if (ok && locked) rnp_key_lock(h.h);
            return ok;
        }
        return 0;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetKeyEnabled(PGPKeyDBObjRef key, PGPBoolean enable) {
    try {
        if (!check(key) || !key->key || key->kind != kPGPKeyIter_Key) return kPGPError_BadParams;
        TrustRecord& t = trustOf(key->key);
        if (!t.hasKeyTrust) {
            t.hasKeyTrust = true;
            t.keyTrust = isAxiomatic(key->key) ? 0x87 : 0;
        }
        if (enable) t.keyTrust &= static_cast<uint8_t>(~0x20);
        else t.keyTrust |= 0x20;
        key->key->db->updated = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetKeyAxiomatic(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(key) || !key->key || key->kind != kPGPKeyIter_Key) return kPGPError_BadParams;
        if (err) return err;
        KeyRecord* k = key->key;
        if (!hasSecret(k)) return kErrSecretKeyNotFound;
        if (hasPassphrase(opts)) {
            SecureBytes pass = passphraseOf(opts);
            auto parts = secretParts(k);
            RnpKey h(parts.empty() ? nullptr : keyHandle(parts[0]));
            if (!h.h || !unlockWith(k->db, h.h, pass)) return kErrBadPassphrase;
            rnp_key_lock(h.h);
        }
        TrustRecord& t = trustOf(k);
        t.keyTrust = static_cast<uint8_t>((t.hasKeyTrust ? (t.keyTrust & 0x20) : 0) | 0x80 | 7);
        t.hasKeyTrust = true;
        k->db->updated = true;
        for (auto& r : k->db->keys) r->cachedValidity = -1;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

PGPError sdk::revokeKey(PGPKeyDBObjRef key, const std::vector<Option>& opts) {
    if (!check(key) || !key->key || (key->kind != kPGPKeyIter_Key && key->kind != kPGPKeyIter_SubKey))
        return kPGPError_BadParams;
    KeyRecord* k = key->key;
    RnpKey primary(keyHandle(&k->self));
    RnpKey target(keyHandle(key));
    if (!primary.h || !target.h) return kPGPError_ItemNotFound;
    SecureBytes pass = passphraseOf(opts);
    if (!unlockWith(k->db, primary.h, pass)) return kErrBadPassphrase;
    rnp_result_t r = rnp_key_revoke(target.h, 0, nullptr, nullptr, nullptr);
    rnp_key_lock(primary.h);
    if (r != RNP_SUCCESS) return mapRnp(r, kErrCantSign);
    markChanged(k->db, k);
    return kPGPError_NoErr;
}

extern "C" {

PGPError PGP_CALL PGPRevoke(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (err) return check(key) ? err : kPGPError_BadParams;
        return revokeKey(key, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPAddUserID(PGPKeyDBObjRef key, const char* userID, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(key) || !key->key || key->kind != kPGPKeyIter_Key || !userID || !*userID) return kPGPError_BadParams;
        if (err) return err;
        RnpKey h(keyHandle(key));
        if (!h.h) return kPGPError_ItemNotFound;
        if (!unlockWith(key->key->db, h.h, passphraseOf(opts))) return kErrBadPassphrase;
        rnp_result_t r = rnp_key_add_uid(h.h, userID, "SHA256", 0, 0, false);
        rnp_key_lock(h.h);
        if (r != RNP_SUCCESS) return mapRnp(r, kErrCantSign);
        markChanged(key->key->db, key->key);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

PGPError sdk::changePassphrase(PGPKeyDBObjRef key, const std::vector<Option>& opts) {
    if (!check(key) || !key->key) return kPGPError_BadParams;
    // The first passphrase given is the old one, the second the new one.
    std::vector<const Option*> passes;
    for (const auto& o : opts)
        if (o.type == Opt::Passphrase || o.type == Opt::Passkey) passes.push_back(&o);
    if (passes.size() != 2) return kPGPError_BadParams;
    relockKeptKeys(key->key->db);
    std::vector<PGPKeyDBObj*> parts;
    if (key->kind == kPGPKeyIter_SubKey) parts.push_back(key);
    else parts = secretParts(key->key);
    if (parts.empty()) return kErrSecretKeyNotFound;
    for (auto* p : parts) {
        RnpKey h(keyHandle(p));
        if (!h.h) return kPGPError_ItemNotFound;
        bool prot = false;
        rnp_key_is_protected(h.h, &prot);
        if (prot && rnp_key_unprotect(h.h, passes[0]->secret.c_str()) != RNP_SUCCESS) return kErrBadPassphrase;
        if (rnp_key_protect(h.h, passes[1]->secret.c_str(), nullptr, nullptr, nullptr, 0) != RNP_SUCCESS)
            return kErrUnknownError;
    }
    markChanged(key->key->db, key->key);
    return kPGPError_NoErr;
}

extern "C" {

PGPError PGP_CALL PGPChangePassphrase(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (err) return check(key) ? err : kPGPError_BadParams;
        return changePassphrase(key, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGenerateKey(PGPContextRef context, PGPKeyDBObjRef* outKey, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (outKey) *outKey = nullptr;
        if (!check(context) || !outKey) return kPGPError_BadParams;
        if (err) return err;
        PGPKeyDBRef db = keyDBOption(opts);
        const Option* params = findOption(opts, Opt::KeyGenParams);
        const Option* name = findOption(opts, Opt::KeyGenName);
        if (!db || !params || !name) return kPGPError_BadParams;
        const char* alg = params->num == 1 ? "RSA" : params->num == 17 ? "DSA" : nullptr;
        if (!alg) return kPGPError_UnknownPublicKeyAlgorithm;
        rnp_op_generate_t op = nullptr;
        if (rnp_op_generate_create(&op, db->ffi, alg) != RNP_SUCCESS) return kErrUnknownError;
        rnp_op_generate_set_bits(op, static_cast<uint32_t>(params->num2));
        rnp_op_generate_set_userid(op, name->text.c_str());
        rnp_op_generate_add_usage(op, "sign");
        rnp_op_generate_add_usage(op, "certify");
        if (const Option* e = findOption(opts, Opt::Expiration); e && e->num > 0)
            rnp_op_generate_set_expiration(op, static_cast<uint32_t>(e->num) * 86400u);
        SecureBytes pass = passphraseOf(opts);
        if (!pass.empty()) rnp_op_generate_set_protection_password(op, pass.c_str());
        rnp_result_t r = rnp_op_generate_execute(op);
        rnp_key_handle_t h = nullptr;
        if (r == RNP_SUCCESS) r = rnp_op_generate_get_key(op, &h);
        rnp_op_generate_destroy(op);
        if (r != RNP_SUCCESS) return mapRnp(r, kErrUnknownError);
        RnpKey key(h);
        RnpString fpr;
        rnp_key_get_fprint(h, &fpr.s);
        rnp_key_lock(h);
        refreshKeys(db);
        db->updated = true;
        auto f = db->byFpr.find(fpr.str());
        if (f == db->byFpr.end()) return kErrUnknownError;
        f->second->changed = true;
        *outKey = &f->second->self;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGenerateSubKey(PGPContextRef context, PGPKeyDBObjRef* outSubKey, PGPOptionListRef firstOption,
                                    ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (outSubKey) *outSubKey = nullptr;
        if (!check(context) || !outSubKey) return kPGPError_BadParams;
        if (err) return err;
        const Option* master = findOption(opts, Opt::KeyGenMasterKey);
        const Option* params = findOption(opts, Opt::KeyGenParams);
        if (!master || !params) return kPGPError_BadParams;
        auto* mk = static_cast<PGPKeyDBObj*>(master->ptr);
        KeyRecord* k = mk->key;
        const char* alg = params->num == 1 ? "RSA" : params->num == 16 ? "ELGAMAL" : nullptr;
        if (!alg) return kPGPError_UnknownPublicKeyAlgorithm;
        RnpKey primary(keyHandle(&k->self));
        if (!primary.h) return kPGPError_ItemNotFound;
        SecureBytes pass = passphraseOf(opts);
        if (!unlockWith(k->db, primary.h, pass)) return kErrBadPassphrase;
        rnp_op_generate_t op = nullptr;
        rnp_result_t r = rnp_op_generate_subkey_create(&op, k->db->ffi, primary.h, alg);
        if (r == RNP_SUCCESS) {
            rnp_op_generate_set_bits(op, static_cast<uint32_t>(params->num2));
            rnp_op_generate_add_usage(op, "encrypt");
            if (!pass.empty()) rnp_op_generate_set_protection_password(op, pass.c_str());
            if (const Option* e = findOption(opts, Opt::Expiration); e && e->num > 0)
                rnp_op_generate_set_expiration(op, static_cast<uint32_t>(e->num) * 86400u);
            r = rnp_op_generate_execute(op);
            rnp_key_handle_t h = nullptr;
            if (r == RNP_SUCCESS && rnp_op_generate_get_key(op, &h) == RNP_SUCCESS) {
                rnp_key_lock(h);
                rnp_key_handle_destroy(h);
            }
            rnp_op_generate_destroy(op);
        }
        rnp_key_lock(primary.h);
        if (r != RNP_SUCCESS) return mapRnp(r, kErrUnknownError);
        markChanged(k->db, k);
        if (k->subkeys.empty()) return kErrUnknownError;
        *outSubKey = k->subkeys.back().get();
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT7(PGPImport);
SDK_EXPORT7(PGPExport);
SDK_EXPORT7(PGPCopyKeys);
SDK_EXPORT(PGPAddKeys);
SDK_EXPORT7(PGPDeleteKeys);
SDK_EXPORT7(PGPDeleteKeyDBObj);
SDK_EXPORT(PGPPassphraseIsValid);
SDK_EXPORT7(PGPSetKeyEnabled);
SDK_EXPORT(PGPSetKeyAxiomatic);
SDK_EXPORT7(PGPRevoke);
SDK_EXPORT(PGPAddUserID);
SDK_EXPORT(PGPChangePassphrase);
SDK_EXPORT(PGPGenerateKey);
SDK_EXPORT(PGPGenerateSubKey);
