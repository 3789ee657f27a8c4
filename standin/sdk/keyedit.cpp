// Pass keys and the entropy estimate of key generation.
//
// A pass key stands for a key's passphrase without being it: PGP derives it
// from the passphrase; the stand-in cannot unlock a key with a derived value
// (RNP takes passphrases only), so it hands out a random value of the size of
// the key's locking cipher and keeps, for the life of the library, which
// passphrase it stands for. PGPOPasskeyBuffer turns it back.
#include <cstring>
#include <mutex>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

using namespace sdk;

namespace {

struct Passkey {
    std::string token;  // random bytes, not secret by themselves
    SecureBytes passphrase;
};

std::mutex gPasskeyLock;
std::vector<Passkey>& passkeys() {
    static std::vector<Passkey> v;
    return v;
}

int cipherNumber(const std::string& name) {
    static const std::pair<const char*, int> names[] = {
        {"IDEA", 1}, {"TRIPLEDES", 2}, {"CAST5", 3}, {"BLOWFISH", 4}, {"AES128", 7}, {"AES192", 8},
        {"AES256", 9}, {"TWOFISH", 10}, {"CAMELLIA128", 11}, {"CAMELLIA192", 12}, {"CAMELLIA256", 13}};
    for (auto& [n, v] : names)
        if (name == n) return v;
    return 0;
}

size_t cipherKeyBytes(int cipher) {
    switch (cipher) {
    case 2: case 8: case 12: return 24;
    case 9: case 10: case 13: return 32;
    default: return 16;
    }
}

// The part whose secret the passphrase unlocks: a subkey as given, else the key.
PGPKeyDBObj* lockedPart(PGPKeyDBObj* obj) { return obj->kind == kPGPKeyIter_SubKey ? obj : &obj->key->self; }

}  // namespace

namespace sdk {

void lockingCipher(PGPKeyDBObj* obj, PGPInt32* algorithm, PGPInt32* bits) {
    *algorithm = 0;
    *bits = 0;
    RnpKey h(keyHandle(obj));
    bool secret = false, prot = false;
    if (!h.h || rnp_key_have_secret(h.h, &secret) || !secret || rnp_key_is_protected(h.h, &prot) || !prot) return;
    RnpString c;
    if (rnp_key_get_protection_cipher(h.h, &c.s) != RNP_SUCCESS) return;
    *algorithm = cipherNumber(upper(c.str()));
    *bits = static_cast<PGPInt32>(cipherKeyBytes(*algorithm) * 8);
}

bool passphraseForPasskey(const void* passkey, size_t length, SecureBytes& out) {
    std::lock_guard<std::mutex> lock(gPasskeyLock);
    for (const auto& p : passkeys())
        if (p.token.size() == length && std::memcmp(p.token.data(), passkey, length) == 0) {
            out = p.passphrase;
            return true;
        }
    return false;
}

}  // namespace sdk

PGPError sdk::passkeyOf(PGPKeyDBObjRef key, void* passkeyBuffer, const std::vector<Option>& opts) {
    if (!check(key) || !key->key || !passkeyBuffer ||
        (key->kind != kPGPKeyIter_Key && key->kind != kPGPKeyIter_SubKey))
        return kPGPError_BadParams;
    if (!hasPassphrase(opts)) return kPGPError_NeedPassphrase;
    PGPKeyDBObj* part = lockedPart(key);
    PGPInt32 algorithm = 0, bits = 0;
    lockingCipher(part, &algorithm, &bits);
    if (!bits) return kErrSecretKeyNotFound;  // nothing is locked: there is no pass key
    SecureBytes pass = passphraseOf(opts);
    relockKeptKeys(key->key->db);
    RnpKey h(keyHandle(part));
    if (!h.h || rnp_key_unlock(h.h, pass.c_str()) != RNP_SUCCESS) return kErrBadPassphrase;
    rnp_key_lock(h.h);
    Passkey p;
    p.token.resize(static_cast<size_t>(bits) / 8);
    PGPError err = PGPContextGetRandomBytes(key->key->db->context, &p.token[0], static_cast<PGPSize>(p.token.size()));
    if (err) return err;
    p.passphrase = pass;
    std::memcpy(passkeyBuffer, p.token.data(), p.token.size());
    std::lock_guard<std::mutex> lock(gPasskeyLock);
    passkeys().push_back(std::move(p));
    return kPGPError_NoErr;
}

extern "C" {

PGPError PGP_CALL PGPGetKeyPasskeyBuffer(PGPKeyDBObjRef key, void* passkeyBuffer, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (err) return check(key) ? err : kPGPError_BadParams;
        return passkeyOf(key, passkeyBuffer, opts);
    } ORV_EXPORT_GUARD
}

// The stand-in's random bytes come from the system, which never runs short,
// so key generation never waits for entropy from the user.
PGPUInt32 PGP_CALL PGPGetKeyEntropyNeeded(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        gatherOptions(firstOption, ap, opts);
        va_end(ap);
        return 0;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPGetKeyPasskeyBuffer);
SDK_EXPORT(PGPGetKeyEntropyNeeded);

// ---- primary user ID ------------------------------------------------------------

extern "C" {

// A new self-certification of the user ID, marked primary; being the newest,
// it is the one that counts for the key.
PGPError PGP_CALL PGPSetPrimaryUserID(PGPUserIDRef userID, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(userID) || userID->kind != kPGPKeyIter_UserID || !userID->key || userID->key->deleted)
            return kPGPError_BadParams;
        if (err) return err;
        KeyRecord* k = userID->key;
        RnpKey h(keyHandle(&k->self));
        RnpString text;
        if (!h.h || rnp_key_get_uid_at(h.h, userID->index, &text.s) != RNP_SUCCESS) return kPGPError_ItemNotFound;
        bool secret = false, prot = false;
        if (rnp_key_have_secret(h.h, &secret) || !secret) return kErrSecretKeyNotFound;
        rnp_key_is_protected(h.h, &prot);
        if (prot) {
            if (!hasPassphrase(opts)) return kPGPError_NeedPassphrase;
            relockKeptKeys(k->db);
            if (rnp_key_unlock(h.h, passphraseOf(opts).c_str()) != RNP_SUCCESS) return kErrBadPassphrase;
        }
        // RNP adds no certification to a user ID the key already has: the user ID
        // is taken off, certified anew as primary, and its earlier certifications
        // (the user's and other people's) are merged back from the key as it was.
        std::string before = exportKey(k, false, false);
        rnp_uid_handle_t u = nullptr;
        rnp_result_t r = before.empty() ? static_cast<rnp_result_t>(RNP_ERROR_BAD_STATE) : rnp_key_get_uid_handle_at(h.h, userID->index, &u);
        if (r == RNP_SUCCESS) {
            r = rnp_uid_remove(h.h, u);
            rnp_uid_handle_destroy(u);
        }
        if (r == RNP_SUCCESS) r = rnp_key_add_uid(h.h, text.s, "SHA256", 0, 0, true);
        if (prot) rnp_key_lock(h.h);
        if (!before.empty()) {
            RnpInput in(before.data(), before.size());
            rnp_import_keys(k->db->ffi, in.in, RNP_LOAD_SAVE_PUBLIC_KEYS | RNP_LOAD_SAVE_PERMISSIVE, nullptr);
        }
        if (r != RNP_SUCCESS) return mapRnp(r, kErrCantSign);
        k->changed = true;
        k->db->updated = true;
        rebuildChanged(k->db, {k->self.fpr});
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPSetPrimaryUserID);
