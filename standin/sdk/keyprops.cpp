// Properties of keys, subkeys, user IDs and signatures (release 7 codes).
//
// What RNP does not know is derived here:
//  - axiomatic: the key's trust byte says so, or, without a trust byte, its
//    secret part is on the rings;
//  - owner trust and "disabled": the trust byte kept beside RNP;
//  - validity: complete for axiomatic keys; otherwise per user ID from valid
//    certifications: one by an axiomatic key or by a completely trusted valid
//    key makes it complete, two by marginally trusted valid keys too, one
//    such marginal one makes it marginal; revoked or expired keys are invalid.
#include <algorithm>
#include <cstring>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

namespace sdk {

namespace {

enum : uint8_t { kTrustMask = 7, kTrustDisabled = 0x20, kTrustAxiomatic = 0x80 };
enum { kTrustUnknown = 1, kTrustMarginal = 5, kTrustComplete = 6, kTrustUltimate = 7 };

int algorithmNumber(const std::string& name) {
    if (name == "RSA") return 1;
    if (name == "ELGAMAL") return 16;
    if (name == "DSA") return 17;
    if (name == "ECDH") return 18;
    if (name == "ECDSA") return 19;
    if (name == "EDDSA") return 22;
    return 0;
}

struct RnpSig {
    rnp_signature_handle_t h = nullptr;
    ~RnpSig() { if (h) rnp_signature_handle_destroy(h); }
};

rnp_signature_handle_t sigHandle(const PGPKeyDBObj* s) {
    RnpKey k(keyHandle(&s->key->self));
    if (!k.h) return nullptr;
    rnp_signature_handle_t sh = nullptr;
    if (s->parent) {
        rnp_uid_handle_t u = nullptr;
        if (rnp_key_get_uid_handle_at(k.h, s->parent->index, &u) != RNP_SUCCESS) return nullptr;
        rnp_uid_get_signature_at(u, s->index, &sh);
        rnp_uid_handle_destroy(u);
    } else {
        rnp_key_get_signature_at(k.h, s->index, &sh);
    }
    return sh;
}

std::string uidText(const PGPKeyDBObj* u) {
    RnpKey k(keyHandle(&u->key->self));
    RnpString s;
    if (!k.h || rnp_key_get_uid_at(k.h, u->index, &s.s) != RNP_SUCCESS) return {};
    return s.str();
}

bool flag(rnp_result_t (*fn)(rnp_key_handle_t, bool*), rnp_key_handle_t h) {
    bool v = false;
    return h && fn(h, &v) == RNP_SUCCESS && v;
}

bool allows(rnp_key_handle_t h, const char* usage) {
    bool v = false;
    return h && rnp_key_allows_usage(h, usage, &v) == RNP_SUCCESS && v;
}

uint8_t ownerTrust(KeyRecord* k) {
    if (isAxiomatic(k)) return kTrustUltimate;
    auto it = k->db->trust.find(k->self.fpr);
    if (it == k->db->trust.end() || !it->second.hasKeyTrust) return 0;
    return it->second.keyTrust & kTrustMask;
}

int uidValidity(PGPKeyDBObj* u, int depth);

int validityOf(KeyRecord* k, int depth) {
    if (depth == 0 && k->cachedValidity >= 0) return k->cachedValidity;
    RnpKey h(keyHandle(&k->self));
    int v = 0;
    if (flag(rnp_key_is_revoked, h.h) || flag(rnp_key_is_expired, h.h)) {
        v = 1;
    } else if (isAxiomatic(k)) {
        v = 3;
    } else if (depth < 4) {
        for (auto& u : k->userIDs) v = std::max(v, uidValidity(u.get(), depth));
    }
    if (depth == 0) k->cachedValidity = v;
    return v;
}

int uidValidity(PGPKeyDBObj* u, int depth) {
    KeyRecord* k = u->key;
    if (isAxiomatic(k)) return 3;
    int marginals = 0;
    for (auto& s : u->children) {
        RnpSig sh;
        sh.h = sigHandle(s.get());
        if (!sh.h) continue;
        RnpString signer;
        if (rnp_signature_get_keyid(sh.h, &signer.s) != RNP_SUCCESS) continue;
        KeyRecord* c = findKey(k->db, signer.str());
        if (!c || c == k) continue;
        if (rnp_signature_is_valid(sh.h, 0) != RNP_SUCCESS || sigIsRevoked(s.get())) continue;
        if (isAxiomatic(c)) return 3;
        uint8_t t = ownerTrust(c);
        if (t < kTrustMarginal) continue;
        if (validityOf(c, depth + 1) < 3) continue;
        if (t >= kTrustComplete) return 3;
        ++marginals;
    }
    return marginals >= 2 ? 3 : marginals == 1 ? 2 : 0;
}

std::string keyIDBytes(const std::string& hex16) {
    PGPKeyID id;
    makeKeyID(hex16, &id);
    return std::string(reinterpret_cast<const char*>(&id), kKeyIDBytes);
}

uint32_t creationOf(rnp_key_handle_t h) {
    uint32_t c = 0;
    if (h) rnp_key_get_creation(h, &c);
    return c;
}

uint32_t expirationOf(rnp_key_handle_t h) {
    uint32_t e = 0;
    if (h) rnp_key_get_expiration(h, &e);
    return e ? creationOf(h) + e : 0;
}

int keyFlags(rnp_key_handle_t h) {
    int f = 0;
    if (allows(h, "certify")) f |= 1;
    if (allows(h, "sign")) f |= 2;
    if (allows(h, "encrypt")) f |= 4 | 8;
    if (allows(h, "authenticate")) f |= 0x20;
    return f;
}

bool needsPassphrase(rnp_key_handle_t h) {
    return flag(rnp_key_have_secret, h) && flag(rnp_key_is_protected, h);
}

}  // namespace

bool isAxiomatic(KeyRecord* k) {
    auto it = k->db->trust.find(k->self.fpr);
    if (it != k->db->trust.end() && it->second.hasKeyTrust) return (it->second.keyTrust & kTrustAxiomatic) != 0;
    return hasSecret(k);
}

int keyValidity(KeyRecord* k) { return validityOf(k, 0); }

std::string primaryUserID(KeyRecord* k) {
    RnpKey h(keyHandle(&k->self));
    RnpString s;
    if (h.h && rnp_key_get_primary_uid(h.h, &s.s) == RNP_SUCCESS) return s.str();
    if (h.h && rnp_key_get_uid_at(h.h, 0, &s.s) == RNP_SUCCESS) return s.str();
    return {};
}

PGPKeyDBObj* usableKey(KeyRecord* k, const char* usage) {
    // The newest valid subkey with the usage, else the key itself.
    PGPKeyDBObj* best = nullptr;
    uint32_t bestTime = 0;
    for (auto& s : k->subkeys) {
        RnpKey h(keyHandle(s.get()));
        if (!allows(h.h, usage) || flag(rnp_key_is_revoked, h.h) || flag(rnp_key_is_expired, h.h)) continue;
        uint32_t c = creationOf(h.h);
        if (!best || c >= bestTime) {
            best = s.get();
            bestTime = c;
        }
    }
    if (best) return best;
    RnpKey h(keyHandle(&k->self));
    return allows(h.h, usage) ? &k->self : nullptr;
}

PGPError boolProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPBoolean* out) {
    *out = 0;
    KeyRecord* k = obj->key;
    if (obj->kind == kPGPKeyIter_Key || obj->kind == kPGPKeyIter_SubKey) {
        RnpKey h(keyHandle(obj));
        if (!h.h) return kPGPError_ItemNotFound;
        bool revoked = flag(rnp_key_is_revoked, h.h), expired = flag(rnp_key_is_expired, h.h);
        bool sub = obj->kind == kPGPKeyIter_SubKey;
        if (sub) {
            switch (prop) {
            case kPGPSubKeyProperty_IsRevoked: *out = revoked; return 0;
            case kPGPSubKeyProperty_IsNotCorrupt: *out = 1; return 0;
            case kPGPSubKeyProperty_IsExpired: *out = expired; return 0;
            case kPGPSubKeyProperty_NeedsPassphrase: *out = needsPassphrase(h.h); return 0;
            case kPGPSubKeyProperty_HasUnverifiedRevocation:
            case kPGPSubKeyProperty_HasThirdPartyRevocation: *out = 0; return 0;
            case kPGPSubKeyProperty_IsRevocable: *out = flag(rnp_key_have_secret, h.h); return 0;
            default: break;
            }
        }
        bool disabled = false;
        auto t = k->db->trust.find(k->self.fpr);
        if (t != k->db->trust.end() && t->second.hasKeyTrust) disabled = (t->second.keyTrust & kTrustDisabled) != 0;
        auto usable = [&](const char* usage, bool secret) {
            if (revoked || expired) return false;
            PGPKeyDBObj* u = sub ? (allows(h.h, usage) ? obj : nullptr) : usableKey(k, usage);
            if (!u) return false;
            if (!secret) return true;
            RnpKey uh(keyHandle(u));
            return flag(rnp_key_have_secret, uh.h);
        };
        switch (prop) {
        case kPGPKeyProperty_IsSecret: *out = flag(rnp_key_have_secret, h.h); return 0;
        case kPGPKeyProperty_IsAxiomatic: *out = isAxiomatic(k); return 0;
        case kPGPKeyProperty_IsRevoked: *out = revoked; return 0;
        case kPGPKeyProperty_IsDisabled: *out = disabled; return 0;
        case kPGPKeyProperty_IsNotCorrupt: *out = 1; return 0;
        case kPGPKeyProperty_IsExpired: *out = expired; return 0;
        case kPGPKeyProperty_NeedsPassphrase: *out = needsPassphrase(h.h); return 0;
        case kPGPKeyProperty_HasUnverifiedRevocation: *out = 0; return 0;
        case kPGPKeyProperty_CanEncrypt: *out = usable("encrypt", false) && !disabled; return 0;
        case kPGPKeyProperty_CanDecrypt: *out = usable("encrypt", true); return 0;
        case kPGPKeyProperty_CanSign: *out = usable("sign", true) && !disabled; return 0;
        case kPGPKeyProperty_CanVerify: *out = sub ? allows(h.h, "sign") : usableKey(k, "sign") != nullptr; return 0;
        case kPGPKeyProperty_IsEncryptionKey:
            *out = sub ? allows(h.h, "encrypt") : usableKey(k, "encrypt") != nullptr;
            return 0;
        case kPGPKeyProperty_IsSigningKey: *out = allows(h.h, "sign"); return 0;
        case kPGPKeyProperty_IsSecretShared: *out = 0; return 0;
        case kPGPKeyProperty_IsRevocable: *out = flag(rnp_key_have_secret, h.h); return 0;
        case kPGPKeyProperty_HasThirdPartyRevocation: {
            PGPUInt32 n = 0;
            PGPCountRevocationKeys(&k->self, &n);
            *out = n > 0;
            return 0;
        }
        default: return kPGPError_InvalidProperty;
        }
    }
    if (obj->kind == kPGPKeyIter_UserID) {
        if (prop != kPGPUserIDProperty_IsAttribute) return kPGPError_InvalidProperty;
        RnpKey h(keyHandle(&k->self));
        rnp_uid_handle_t u = nullptr;
        uint32_t type = RNP_USER_ID;
        if (h.h && rnp_key_get_uid_handle_at(h.h, obj->index, &u) == RNP_SUCCESS) {
            rnp_uid_get_type(u, &type);
            rnp_uid_handle_destroy(u);
        }
        *out = type != RNP_USER_ID;
        return 0;
    }
    RnpSig s;
    s.h = sigHandle(obj);
    if (!s.h) return kPGPError_ItemNotFound;
    switch (prop) {
    case kPGPSigProperty_IsRevoked: *out = sigIsRevoked(obj); return 0;
    case kPGPSigProperty_IsNotCorrupt: *out = 1; return 0;
    case kPGPSigProperty_IsTried: *out = 1; return 0;
    case kPGPSigProperty_IsVerified: *out = rnp_signature_is_valid(s.h, 0) == RNP_SUCCESS; return 0;
    case kPGPSigProperty_IsMySig: {
        RnpString id;
        rnp_signature_get_keyid(s.h, &id.s);
        KeyRecord* c = findKey(k->db, id.str());
        *out = c && hasSecret(c);
        return 0;
    }
    case kPGPSigProperty_IsExportable: {
        bool exportable = true;
        int level = 0, amount = 0;
        sigOptions(obj, &exportable, &level, &amount);
        *out = exportable;
        return 0;
    }
    case kPGPSigProperty_HasUnverifiedRevocation: *out = 0; return 0;
    case kPGPSigProperty_IsExpired: *out = rnp_signature_is_valid(s.h, 0) == RNP_ERROR_SIGNATURE_EXPIRED; return 0;
    case kPGPSigProperty_IsX509: *out = 0; return 0;
    default: return kPGPError_InvalidProperty;
    }
}

PGPError numProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPInt32* out) {
    *out = 0;
    KeyRecord* k = obj->key;
    if (obj->kind == kPGPKeyIter_Key || obj->kind == kPGPKeyIter_SubKey) {
        RnpKey h(keyHandle(obj));
        if (!h.h) return kPGPError_ItemNotFound;
        RnpString alg;
        rnp_key_get_alg(h.h, &alg.s);
        uint32_t bits = 0;
        rnp_key_get_bits(h.h, &bits);
        bool sub = obj->kind == kPGPKeyIter_SubKey;
        if (sub) {
            switch (prop) {
            case kPGPSubKeyProperty_AlgorithmID: *out = algorithmNumber(alg.str()); return 0;
            case kPGPSubKeyProperty_Bits: *out = static_cast<PGPInt32>(bits); return 0;
            case kPGPSubKeyProperty_LockingAlgorithmID:
            case kPGPSubKeyProperty_LockingBits: {
                PGPInt32 a = 0, b = 0;
                lockingCipher(obj, &a, &b);
                *out = prop == kPGPSubKeyProperty_LockingBits ? b : a;
                return 0;
            }
            case kPGPSubKeyProperty_Version: *out = 4; return 0;
            case kPGPSubKeyProperty_Flags: *out = keyFlags(h.h); return 0;
            default: break;
            }
        }
        switch (prop) {
        case kPGPKeyProperty_AlgorithmID: *out = algorithmNumber(alg.str()); return 0;
        case kPGPKeyProperty_Bits: *out = static_cast<PGPInt32>(bits); return 0;
        case kPGPKeyProperty_LockingAlgorithmID:
        case kPGPKeyProperty_LockingBits: {
            PGPInt32 a = 0, b = 0;
            lockingCipher(obj, &a, &b);
            *out = prop == kPGPKeyProperty_LockingBits ? b : a;
            return 0;
        }
        case kPGPKeyProperty_Flags: *out = keyFlags(h.h); return 0;
        default: break;
        }
        if (sub) return kPGPError_InvalidProperty;
        switch (prop) {
        case kPGPKeyProperty_Trust: *out = ownerTrust(k); return 0;
        case kPGPKeyProperty_Validity: *out = keyValidity(k); return 0;
        case kPGPKeyProperty_HashAlgorithmID: *out = 2; return 0;
        case kPGPKeyProperty_Version: *out = 4; return 0;
        default: return kPGPError_InvalidProperty;
        }
    }
    if (obj->kind == kPGPKeyIter_UserID) {
        switch (prop) {
        case kPGPUserIDProperty_Validity: *out = isAxiomatic(k) ? 3 : uidValidity(obj, 0); return 0;
        case kPGPUserIDProperty_Confidence: *out = 0; return 0;
        case kPGPUserIDProperty_AttributeType: *out = 0; return 0;
        default: return kPGPError_InvalidProperty;
        }
    }
    RnpSig s;
    s.h = sigHandle(obj);
    if (!s.h) return kPGPError_ItemNotFound;
    switch (prop) {
    case kPGPSigProperty_AlgorithmID: {
        RnpString a;
        rnp_signature_get_alg(s.h, &a.s);
        *out = algorithmNumber(a.str());
        return 0;
    }
    case kPGPSigProperty_TrustLevel:
    case kPGPSigProperty_TrustValue: {
        bool exportable = true;
        int level = 0, amount = 0;
        sigOptions(obj, &exportable, &level, &amount);
        *out = prop == kPGPSigProperty_TrustLevel ? level : amount;
        return 0;
    }
    default: return kPGPError_InvalidProperty;
    }
}

PGPError timeProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPTime* out) {
    *out = 0;
    if (obj->kind == kPGPKeyIter_Key || obj->kind == kPGPKeyIter_SubKey) {
        RnpKey h(keyHandle(obj));
        if (!h.h) return kPGPError_ItemNotFound;
        bool sub = obj->kind == kPGPKeyIter_SubKey;
        int p = sub && (prop == 700 || prop == 701) ? prop - 400 : prop;
        if (!sub && (prop == 700 || prop == 701)) return kPGPError_InvalidProperty;
        if (p == kPGPKeyProperty_Creation) *out = creationOf(h.h);
        else if (p == kPGPKeyProperty_Expiration) *out = expirationOf(h.h);
        else return kPGPError_InvalidProperty;
        return 0;
    }
    if (obj->kind != kPGPKeyIter_Signature) return kPGPError_InvalidProperty;
    RnpSig s;
    s.h = sigHandle(obj);
    if (!s.h) return kPGPError_ItemNotFound;
    uint32_t c = 0, e = 0;
    rnp_signature_get_creation(s.h, &c);
    rnp_signature_get_expiration(s.h, &e);
    if (prop == kPGPSigProperty_Creation) *out = c;
    else if (prop == kPGPSigProperty_Expiration) *out = e ? c + e : 0;
    else return kPGPError_InvalidProperty;
    return 0;
}

PGPError dataProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, std::string& out) {
    out.clear();
    if (obj->kind == kPGPKeyIter_Key || obj->kind == kPGPKeyIter_SubKey) {
        bool sub = obj->kind == kPGPKeyIter_SubKey;
        if ((sub && prop == kPGPSubKeyProperty_KeyID) || (!sub && prop == kPGPKeyProperty_KeyID)) {
            out = keyIDBytes(obj->keyid);
            return 0;
        }
        if (sub) return kPGPError_InvalidProperty;
        RnpKey h(keyHandle(obj));
        switch (prop) {
        case kPGPKeyProperty_Fingerprint: {
            for (size_t i = 0; i + 1 < obj->fpr.size(); i += 2)
                out += static_cast<char>(std::stoi(obj->fpr.substr(i, 2), nullptr, 16));
            return 0;
        }
        case kPGPKeyProperty_PreferredAlgorithms: out = preferredCiphers(obj->key); return 0;
        case kPGPKeyProperty_PreferredKeyServer: return 0;
        default: return kPGPError_InvalidProperty;
        }
    }
    if (obj->kind == kPGPKeyIter_UserID) {
        std::string t = uidText(obj);
        size_t lt = t.find('<'), gt = t.find('>', lt == std::string::npos ? 0 : lt);
        switch (prop) {
        case kPGPUserIDProperty_Name: out = t; return 0;
        case kPGPUserIDProperty_AttributeData: return 0;
        case kPGPUserIDProperty_CommonName:
            out = lt == std::string::npos ? t : t.substr(0, lt);
            while (!out.empty() && out.back() == ' ') out.pop_back();
            return 0;
        case kPGPUserIDProperty_EmailAddress:
            if (lt != std::string::npos && gt != std::string::npos) out = t.substr(lt + 1, gt - lt - 1);
            return 0;
        default: return kPGPError_InvalidProperty;
        }
    }
    if (prop != kPGPSigProperty_KeyID) return kPGPError_InvalidProperty;
    RnpSig s;
    s.h = sigHandle(obj);
    RnpString id;
    if (!s.h || rnp_signature_get_keyid(s.h, &id.s) != RNP_SUCCESS) return kPGPError_ItemNotFound;
    out = keyIDBytes(upper(id.str()));
    return 0;
}

}  // namespace sdk

using namespace sdk;

namespace {

// Designated revokers (subpacket 12) and additional decryption keys
// (subpacket 10) of the key's self-signatures: class and fingerprint.
struct KeyRef {
    uint8_t cls = 0;
    std::string fpr;
};

std::vector<KeyRef> selfSigKeyRefs(KeyRecord* k, int subpacketType) {
    std::vector<KeyRef> refs;
    std::vector<PGPKeyDBObj*> sigs;
    for (auto& s : k->directSigs) sigs.push_back(s.get());
    for (auto& u : k->userIDs)
        for (auto& s : u->children) sigs.push_back(s.get());
    std::string want = "\"type\":" + std::to_string(subpacketType) + ",";
    for (auto* s : sigs) {
        RnpSig sh;
        sh.h = sigHandle(s);
        if (!sh.h) continue;
        RnpString signer;
        rnp_signature_get_keyid(sh.h, &signer.s);
        if (upper(signer.str()) != k->self.keyid) continue;
        RnpString json;
        if (rnp_signature_packet_to_json(sh.h, RNP_JSON_DUMP_RAW, &json.s) != RNP_SUCCESS) continue;
        std::string j = json.str();
        size_t pos = 0;
        while ((pos = j.find(want, pos)) != std::string::npos) {
            size_t end = j.find('}', pos);
            size_t raw = j.find("\"raw\":\"", pos);
            pos += want.size();
            if (raw == std::string::npos || raw > end) continue;
            raw += 7;
            std::string hex = j.substr(raw, j.find('"', raw) - raw);
            // class, algorithm, 20-byte fingerprint
            if (hex.size() < 44) continue;
            KeyRef r;
            r.cls = static_cast<uint8_t>(std::stoi(hex.substr(0, 2), nullptr, 16));
            r.fpr = upper(hex.substr(hex.size() - 40));
            bool dup = false;
            for (auto& x : refs) dup = dup || x.fpr == r.fpr;
            if (!dup) refs.push_back(r);
        }
    }
    return refs;
}

PGPError indexedRef(PGPKeyDBObjRef key, int type, PGPUInt32 index, PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID,
                    PGPByte* outClass) {
    if (outKey) *outKey = nullptr;
    if (outKeyID) std::memset(outKeyID, 0, kKeyIDBytes);
    if (outClass) *outClass = 0;
    if (!check(key) || !key->key) return kPGPError_BadParams;
    auto refs = selfSigKeyRefs(key->key, type);
    if (index >= refs.size()) return kPGPError_ItemNotFound;
    const KeyRef& r = refs[index];
    if (outKeyID) makeKeyID(r.fpr.substr(24), outKeyID);
    if (outClass) *outClass = r.cls;
    if (outKey) {
        auto f = key->key->db->byFpr.find(r.fpr);
        if (f != key->key->db->byFpr.end() && !f->second->deleted) *outKey = &f->second->self;
    }
    return kPGPError_NoErr;
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPGetKeyDBObjBooleanProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property,
                                                PGPBoolean* outValue) {
    try {
        if (!outValue) return kPGPError_BadParams;
        *outValue = 0;
        if (!check(obj) || !obj->key) return kPGPError_BadParams;
        return boolProperty(obj, property, outValue);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyDBObjNumericProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPInt32* outValue) {
    try {
        if (!outValue) return kPGPError_BadParams;
        *outValue = 0;
        if (!check(obj) || !obj->key) return kPGPError_BadParams;
        return numProperty(obj, property, outValue);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyDBObjTimeProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPTime* outValue) {
    try {
        if (!outValue) return kPGPError_BadParams;
        *outValue = 0;
        if (!check(obj) || !obj->key) return kPGPError_BadParams;
        return timeProperty(obj, property, outValue);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetKeyDBObjDataProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, void* buffer,
                                             PGPSize bufferSize, PGPSize* outLength) {
    try {
        if (outLength) *outLength = 0;
        if (!check(obj) || !obj->key || (!buffer && bufferSize)) return kPGPError_BadParams;
        std::string v;
        PGPError err = dataProperty(obj, property, v);
        if (err) return err;
        if (outLength) *outLength = static_cast<PGPSize>(v.size());
        if (buffer) std::memcpy(buffer, v.data(), std::min<size_t>(v.size(), bufferSize));
        return v.size() > bufferSize && buffer ? kErrBufferTooSmall : kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetPrimaryUserID(PGPKeyDBObjRef key, PGPUserIDRef* outUserID) {
    try {
        if (!outUserID) return kPGPError_BadParams;
        *outUserID = nullptr;
        if (!check(key) || !key->key) return kPGPError_BadParams;
        KeyRecord* k = key->key;
        std::string primary = primaryUserID(k);
        for (auto& u : k->userIDs)
            if (uidText(u.get()) == primary) {
                *outUserID = u.get();
                return kPGPError_NoErr;
            }
        if (!k->userIDs.empty()) {
            *outUserID = k->userIDs[0].get();
            return kPGPError_NoErr;
        }
        return kPGPError_ItemNotFound;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetPrimaryUserIDName(PGPKeyDBObjRef key, char* buffer, PGPSize bufferSize, PGPSize* outLength) {
    try {
        if (outLength) *outLength = 0;
        if (!check(key) || !key->key || !buffer || bufferSize == 0) return kPGPError_BadParams;
        std::string n = primaryUserID(key->key);
        size_t len = std::min<size_t>(n.size(), bufferSize - 1);
        std::memcpy(buffer, n.data(), len);
        buffer[len] = 0;
        if (outLength) *outLength = static_cast<PGPSize>(len);
        return n.size() < bufferSize ? kPGPError_NoErr : kErrBufferTooSmall;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetPrimaryUserIDValidity(PGPKeyDBObjRef key, PGPValidity* outValidity) {
    try {
        if (!outValidity) return kPGPError_BadParams;
        *outValidity = 0;
        PGPUserIDRef u = nullptr;
        PGPError err = PGPGetPrimaryUserID(key, &u);
        if (err) return err;
        PGPInt32 v = 0;
        err = numProperty(u, kPGPUserIDProperty_Validity, &v);
        *outValidity = v;
        return err;
    } ORV_EXPORT_GUARD
}

PGPContextRef PGP_CALL PGPPeekKeyDBObjContext(PGPKeyDBObjRef obj) {
    try {
        return check(obj) && obj->key ? obj->key->db->context : nullptr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountAdditionalRecipientRequests(PGPKeyDBObjRef key, PGPUInt32* outCount) {
    try {
        if (!outCount) return kPGPError_BadParams;
        *outCount = 0;
        if (!check(key) || !key->key) return kPGPError_BadParams;
        *outCount = static_cast<PGPUInt32>(selfSigKeyRefs(key->key, 10).size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndexedAdditionalRecipientRequestKey(PGPKeyDBObjRef key, PGPUInt32 index,
                                                             PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID,
                                                             PGPByte* outClass) {
    try {
        return indexedRef(key, 10, index, outKey, outKeyID, outClass);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountRevocationKeys(PGPKeyDBObjRef key, PGPUInt32* outCount) {
    try {
        if (!outCount) return kPGPError_BadParams;
        *outCount = 0;
        if (!check(key) || !key->key) return kPGPError_BadParams;
        *outCount = static_cast<PGPUInt32>(selfSigKeyRefs(key->key, 12).size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndexedRevocationKey(PGPKeyDBObjRef key, PGPUInt32 index, PGPKeyDBObjRef* outKey,
                                             PGPKeyID* outKeyID) {
    try {
        return indexedRef(key, 12, index, outKey, outKeyID, nullptr);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetSigCertifierKey(PGPSigRef sig, PGPKeyDBObjRef* outKey) {
    try {
        if (!outKey) return kPGPError_BadParams;
        *outKey = nullptr;
        if (!check(sig) || sig->kind != kPGPKeyIter_Signature) return kPGPError_BadParams;
        std::string id;
        PGPError err = dataProperty(sig, kPGPSigProperty_KeyID, id);
        if (err) return err;
        KeyRecord* c = findKey(sig->key->db, keyIDHex(reinterpret_cast<const PGPKeyID*>(id.data())));
        if (!c) return kPGPError_ItemNotFound;
        *outKey = &c->self;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPCompareKeys(PGPKeyDBObjRef key1, PGPKeyDBObjRef key2, PGPKeyOrdering order) {
    try {
        if (!check(key1) || !check(key2) || !key1->key || !key2->key) return 0;
        KeyRecord *a = key1->key, *b = key2->key;
        switch (order) {
        case kPGPKeyOrdering_UserID: {
            std::string x = upper(primaryUserID(a)), y = upper(primaryUserID(b));
            return x < y ? -1 : x > y ? 1 : 0;
        }
        default: {
            const std::string &x = a->self.keyid, &y = b->self.keyid;
            return x < y ? -1 : x > y ? 1 : 0;
        }
        }
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPCompareUserIDStrings(const char* a, const char* b) {
    try {
        std::string x = upper(a ? a : ""), y = upper(b ? b : "");
        return x < y ? -1 : x > y ? 1 : 0;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT7(PGPGetKeyDBObjBooleanProperty);
SDK_EXPORT7(PGPGetKeyDBObjNumericProperty);
SDK_EXPORT7(PGPGetKeyDBObjTimeProperty);
SDK_EXPORT7(PGPGetKeyDBObjDataProperty);
SDK_EXPORT(PGPGetPrimaryUserID);
SDK_EXPORT7(PGPGetPrimaryUserIDName);
SDK_EXPORT(PGPGetPrimaryUserIDValidity);
SDK_EXPORT7(PGPPeekKeyDBObjContext);
SDK_EXPORT(PGPCountAdditionalRecipientRequests);
SDK_EXPORT7(PGPGetIndexedAdditionalRecipientRequestKey);
SDK_EXPORT(PGPCountRevocationKeys);
SDK_EXPORT7(PGPGetIndexedRevocationKey);
SDK_EXPORT7(PGPGetSigCertifierKey);
SDK_EXPORT(PGPCompareKeys);
SDK_EXPORT(PGPCompareUserIDStrings);
