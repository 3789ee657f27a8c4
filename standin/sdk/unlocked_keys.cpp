// Secret keys kept unlocked between decoding jobs. Unlocking a key runs the
// passphrase through its iterated hash, and RNP's first private-key operation
// after an unlock prepares the key again; together they cost a quarter of a
// second per message, so a folder of encrypted mail decoded job by job spent
// nearly all its time there. A key a decoding job unlocked therefore stays
// unlocked while its database is open, and a later job that presents the same
// passphrase (compared by salted digest) uses it as it is. Every other use of
// a secret key locks the kept keys first, so a passphrase is always checked
// against the key itself there.
#include <cstring>

#include "standin/sdk/botan_ffi.h"
#include "standin/sdk/internal.h"

namespace sdk {

namespace {

constexpr size_t kSaltBytes = 16;

bool makeSalt(PGPKeyDBRef db) {
    if (!db->keptSalt.empty()) return true;
    botan_rng_t rng = nullptr;
    if (botan_rng_init(&rng, "system") != 0) return false;
    std::string salt(kSaltBytes, '\0');
    const bool made = botan_rng_get(rng, reinterpret_cast<uint8_t*>(&salt[0]), salt.size()) == 0;
    botan_rng_destroy(rng);
    if (made) db->keptSalt = salt;
    return made;
}

// Empty when no digest could be made: the key is then not kept.
std::string passDigest(PGPKeyDBRef db, const SecureBytes& pass) {
    if (!makeSalt(db)) return {};
    botan_hash_t h = nullptr;
    if (botan_hash_init(&h, "SHA-256", 0) != 0) return {};
    uint8_t out[32];
    botan_hash_update(h, reinterpret_cast<const uint8_t*>(db->keptSalt.data()), db->keptSalt.size());
    botan_hash_update(h, reinterpret_cast<const uint8_t*>(pass.data()), pass.size());
    botan_hash_final(h, out);
    botan_hash_destroy(h);
    std::string digest(reinterpret_cast<char*>(out), sizeof out);
    wipe(out, sizeof out);
    return digest;
}

bool sameDigest(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

const std::string& fingerprintOf(const PGPKeyDBObj* part) {
    return part->kind == kPGPKeyIter_SubKey ? part->fpr : part->key->self.fpr;
}

}  // namespace

rnp_key_handle_t unlockForDecoding(PGPKeyDBObj* part, const SecureBytes& pass) {
    if (!part || !part->key || !part->key->db) return nullptr;
    PGPKeyDBRef db = part->key->db;
    rnp_key_handle_t h = keyHandle(part);
    if (!h) return nullptr;
    const std::string digest = passDigest(db, pass);
    const std::string& fpr = fingerprintOf(part);
    auto kept = db->keptUnlocked.find(fpr);
    bool locked = true;
    rnp_key_is_locked(h, &locked);
    if (kept != db->keptUnlocked.end()) {
        if (!locked && sameDigest(kept->second, digest)) return h;
        // Another passphrase: it is checked against the key itself.
        rnp_key_lock(h);
        db->keptUnlocked.erase(kept);
    } else if (!locked) {
        rnp_key_lock(h);
    }
    if (rnp_key_unlock(h, pass.c_str()) != RNP_SUCCESS) {
        rnp_key_handle_destroy(h);
        return nullptr;
    }
    // Without a digest the key serves this job only (releaseAfterDecoding locks it).
    if (!digest.empty()) db->keptUnlocked[fpr] = digest;
    return h;
}

void releaseAfterDecoding(PGPKeyDBObj* part, rnp_key_handle_t h) {
    if (!h) return;
    PGPKeyDBRef db = part && part->key ? part->key->db : nullptr;
    if (!db || !db->keptUnlocked.count(fingerprintOf(part))) rnp_key_lock(h);
    rnp_key_handle_destroy(h);
}

void relockKeptKeys(PGPKeyDBRef db) {
    if (!db || db->keptUnlocked.empty()) return;
    for (const auto& [fpr, digest] : db->keptUnlocked) {
        rnp_key_handle_t h = nullptr;
        if (rnp_locate_key(db->ffi, "fingerprint", fpr.c_str(), &h) == RNP_SUCCESS && h) {
            rnp_key_lock(h);
            rnp_key_handle_destroy(h);
        }
    }
    db->keptUnlocked.clear();
}

}  // namespace sdk
