// Signatures over keys that RNP does not make itself: certifications of
// other people's user IDs, their revocations, and the key's own direct-key
// and user-ID signatures that carry its options (designated revokers,
// additional decryption keys, preferred algorithms, key flags).
//
// The signature packet is built here, the signer's secret key is opened by
// RNP in a throwaway context (so the user's rings never hold it unlocked),
// Botan computes the signature, and RNP merges the packet into the key as an
// import would: everything else the key held stays as it was.
#include <cstring>

#include "standin/export_guard.h"
#include "standin/sdk/botan_ffi.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

using namespace sdk;

namespace {

constexpr uint8_t kSigCertGeneric = 0x10;
constexpr uint8_t kSigDirectKey = 0x1F;
constexpr uint8_t kSigCertRevocation = 0x30;
constexpr uint8_t kHashSHA256 = 8;

// ---- packet pieces --------------------------------------------------------------

std::string be(uint32_t v, int bytes) {
    std::string s;
    for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xff);
    return s;
}

std::string mpi(const std::string& magnitude) {
    size_t i = 0;
    while (i < magnitude.size() && magnitude[i] == 0) ++i;
    std::string m = magnitude.substr(i);
    uint32_t bits = 0;
    if (!m.empty()) {
        bits = static_cast<uint32_t>((m.size() - 1) * 8);
        for (unsigned char c = static_cast<unsigned char>(m[0]); c; c >>= 1) ++bits;
    }
    return be(bits, 2) + m;
}

std::string subpacket(uint8_t type, const std::string& body, bool critical = false) {
    size_t n = body.size() + 1;
    std::string len;
    if (n < 192) len = std::string(1, static_cast<char>(n));
    else if (n < 8384) len = std::string{static_cast<char>(((n - 192) >> 8) + 192), static_cast<char>((n - 192) & 0xff)};
    else len = "\xff" + be(static_cast<uint32_t>(n), 4);
    return len + static_cast<char>(critical ? type | 0x80 : type) + body;
}

std::string newPacket(int tag, const std::string& body) {
    return std::string(1, static_cast<char>(0xC0 | tag)) + "\xff" + be(static_cast<uint32_t>(body.size()), 4) + body;
}

std::string hexToBytes(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Reads an MPI's magnitude; false past the end.
bool readMpi(const std::string& b, size_t& pos, std::string& out) {
    if (pos + 2 > b.size()) return false;
    size_t bits = (static_cast<unsigned char>(b[pos]) << 8) | static_cast<unsigned char>(b[pos + 1]);
    size_t n = (bits + 7) / 8;
    if (pos + 2 + n > b.size()) return false;
    out.assign(b, pos + 2, n);
    pos += 2 + n;
    return true;
}

// A subpacket area as (type, body) pairs, the critical bit dropped.
struct Sub {
    uint8_t type;
    bool critical;
    std::string body;
};
bool parseSubpackets(const std::string& area, std::vector<Sub>& out) {
    size_t p = 0;
    while (p < area.size()) {
        size_t n = static_cast<unsigned char>(area[p]);
        if (n < 192) {
            p += 1;
        } else if (n < 255) {
            if (p + 1 >= area.size()) return false;
            n = ((n - 192) << 8) + static_cast<unsigned char>(area[p + 1]) + 192;
            p += 2;
        } else {
            if (p + 5 > area.size()) return false;
            n = (static_cast<unsigned char>(area[p + 1]) << 24) | (static_cast<unsigned char>(area[p + 2]) << 16) |
                (static_cast<unsigned char>(area[p + 3]) << 8) | static_cast<unsigned char>(area[p + 4]);
            p += 5;
        }
        if (n == 0 || p + n > area.size()) return false;
        uint8_t t = static_cast<uint8_t>(area[p]);
        out.push_back({static_cast<uint8_t>(t & 0x7f), (t & 0x80) != 0, area.substr(p + 1, n - 1)});
        p += n;
    }
    return true;
}

// The body of a version 4 signature packet as RNP holds it.
std::string signatureBody(rnp_signature_handle_t sig) {
    RnpString json;
    if (!sig || rnp_signature_packet_to_json(sig, RNP_JSON_DUMP_RAW, &json.s) != RNP_SUCCESS) return {};
    std::string j = json.str();
    size_t header = j.find("\"header\"");
    size_t close = header == std::string::npos ? std::string::npos : j.find('}', header);
    size_t raw = close == std::string::npos ? std::string::npos : j.find("\"raw\":\"", close);
    if (raw == std::string::npos) return {};
    raw += 7;
    return hexToBytes(j.substr(raw, j.find('"', raw) - raw));
}

// The hashed subpackets of a version 4 signature body.
bool hashedSubpackets(const std::string& body, std::vector<Sub>& out) {
    if (body.size() < 6 || body[0] != 4) return false;
    size_t n = (static_cast<unsigned char>(body[4]) << 8) | static_cast<unsigned char>(body[5]);
    if (6 + n > body.size()) return false;
    return parseSubpackets(body.substr(6, n), out);
}

// ---- the signer's secret key ---------------------------------------------------------

struct SecretKey {
    int algorithm = 0;
    std::string publicBody;  // the public key packet's body
    std::string fpr;         // upper-case hex
    std::vector<std::string> pub;  // public fields: MPIs, or the curve OID first
    std::vector<SecureBytes> sec;  // secret MPIs
    ~SecretKey() {
        for (auto& p : pub) wipe(&p[0], p.size());
    }
};

// The primary key's secret fields: RNP removes the protection in a context
// of its own, whose copy is dropped at once.
PGPError openSecret(KeyRecord* signer, const SecureBytes& pass, SecretKey& out) {
    std::string data = exportKey(signer, true, false);
    if (data.empty()) return kErrSecretKeyNotFound;
    rnp_ffi_t ffi = newFfi();
    if (!ffi) return kPGPError_OutOfMemory;
    PGPError err = kPGPError_NoErr;
    std::string plain;
    {
        RnpInput in(data.data(), data.size());
        RnpKey h;
        bool prot = false, secret = false;
        if (rnp_import_keys(ffi, in.in, RNP_LOAD_SAVE_SECRET_KEYS, nullptr) != RNP_SUCCESS ||
            rnp_locate_key(ffi, "fingerprint", signer->self.fpr.c_str(), &h.h) != RNP_SUCCESS || !h.h ||
            rnp_key_have_secret(h.h, &secret) != RNP_SUCCESS || !secret) {
            err = kErrSecretKeyNotFound;
        } else {
            rnp_key_is_protected(h.h, &prot);
            if (prot && rnp_key_unprotect(h.h, pass.c_str()) != RNP_SUCCESS) err = kErrBadPassphrase;
        }
        if (!err) {
            RnpOutput o;
            if (rnp_key_export(h.h, o.out, RNP_KEY_EXPORT_SECRET) != RNP_SUCCESS) err = kErrSecretKeyNotFound;
            else plain = o.take();
        }
    }
    rnp_ffi_destroy(ffi);
    wipe(&data[0], data.size());
    std::vector<Packet> packets;
    if (!err && (!splitPackets(plain, packets) || packets.empty() || packets[0].tag != 5)) err = kErrSecretKeyNotFound;
    if (!err) {
        std::string body = plain.substr(packets[0].bodyStart, packets[0].end - packets[0].bodyStart);
        size_t p = 6;
        bool ok = body.size() > 6 && body[0] == 4;
        if (ok) out.algorithm = static_cast<unsigned char>(body[5]);
        int pubCount = 0, secCount = 0;
        bool curve = false;
        switch (out.algorithm) {
        case 1: case 3: pubCount = 2; secCount = 4; break;  // n e / d p q u
        case 17: pubCount = 4; secCount = 1; break;          // p q g y / x
        case 19: case 22: curve = true; pubCount = 1; secCount = 1; break;
        default: ok = false;
        }
        if (ok && curve) {
            size_t n = p < body.size() ? static_cast<unsigned char>(body[p]) : 0;
            ok = n > 0 && p + 1 + n <= body.size();
            if (ok) out.pub.push_back(body.substr(p + 1, n));
            p += 1 + n;
        }
        for (int i = 0; ok && i < pubCount; ++i) {
            std::string m;
            ok = readMpi(body, p, m);
            out.pub.push_back(m);
        }
        if (ok) {
            out.publicBody = body.substr(0, p);
            // A key left unprotected: usage byte 0, the MPIs, a checksum.
            ok = p < body.size() && body[p] == 0;
            ++p;
        }
        for (int i = 0; ok && i < secCount; ++i) {
            std::string m;
            ok = readMpi(body, p, m);
            out.sec.emplace_back(m.data(), m.size());
            wipe(&m[0], m.size());
        }
        wipe(&body[0], body.size());
        if (!ok) err = kErrCantSign;
        else out.fpr = keyPacketFingerprint(out.publicBody, false);
    }
    if (!plain.empty()) wipe(&plain[0], plain.size());
    return err;
}

// ---- Botan ---------------------------------------------------------------------

struct Mp {
    botan_mp_t m = nullptr;
    explicit Mp(const std::string& bytes) {
        botan_mp_init(&m);
        botan_mp_from_bin(m, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    Mp(const char* p, size_t n) {
        botan_mp_init(&m);
        botan_mp_from_bin(m, reinterpret_cast<const uint8_t*>(p), n);
    }
    ~Mp() { if (m) botan_mp_destroy(m); }
};

std::string digest(const std::string& data) {
    botan_hash_t h = nullptr;
    if (botan_hash_init(&h, "SHA-256", 0) != 0) return {};
    uint8_t out[32];
    botan_hash_update(h, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    botan_hash_final(h, out);
    botan_hash_destroy(h);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

const char* curveName(const std::string& oid) {
    static const std::pair<const char*, const char*> curves[] = {
        {"\x2A\x86\x48\xCE\x3D\x03\x01\x07", "secp256r1"},
        {"\x2B\x81\x04\x00\x22", "secp384r1"},
        {"\x2B\x81\x04\x00\x23", "secp521r1"},
        {"\x2B\x24\x03\x03\x02\x08\x01\x01\x07", "brainpool256r1"},
        {"\x2B\x24\x03\x03\x02\x08\x01\x01\x0B", "brainpool384r1"},
        {"\x2B\x24\x03\x03\x02\x08\x01\x01\x0D", "brainpool512r1"}};
    for (auto& [o, name] : curves)
        if (oid == o) return name;
    return nullptr;
}

// The signature's MPIs over the data, hashed with SHA-256.
PGPError computeSignature(const SecretKey& k, const std::string& data, std::string& mpis) {
    botan_privkey_t key = nullptr;
    const char* padding = "EMSA1(SHA-256)";
    std::string message = data;
    int r = -1;
    switch (k.algorithm) {
    case 1: case 3: {
        Mp p(k.sec[1].data(), k.sec[1].size()), q(k.sec[2].data(), k.sec[2].size()), e(k.pub[1]);
        r = botan_privkey_load_rsa(&key, p.m, q.m, e.m);
        padding = "EMSA3(SHA-256)";
        break;
    }
    case 17: {
        Mp p(k.pub[0]), q(k.pub[1]), g(k.pub[2]), x(k.sec[0].data(), k.sec[0].size());
        r = botan_privkey_load_dsa(&key, p.m, q.m, g.m, x.m);
        break;
    }
    case 19: {
        const char* curve = curveName(k.pub[0]);
        if (!curve) return kErrCantSign;
        Mp d(k.sec[0].data(), k.sec[0].size());
        r = botan_privkey_load_ecdsa(&key, d.m, curve);
        break;
    }
    case 22: {
        if (k.pub[0] != "\x2B\x06\x01\x04\x01\xDA\x47\x0F\x01" || k.sec[0].size() > 32) return kErrCantSign;
        uint8_t seed[32] = {};
        std::memcpy(seed + 32 - k.sec[0].size(), k.sec[0].data(), k.sec[0].size());
        r = botan_privkey_load_ed25519(&key, seed);
        wipe(seed, sizeof seed);
        // EdDSA in OpenPGP signs the digest itself.
        padding = "Pure";
        message = digest(data);
        break;
    }
    default: return kErrCantSign;
    }
    if (r != 0 || !key) return kErrCantSign;
    botan_rng_t rng = nullptr;
    botan_pk_op_sign_t op = nullptr;
    std::string sig;
    PGPError err = kErrCantSign;
    size_t len = 0;
    if (botan_rng_init(&rng, "system") == 0 && botan_pk_op_sign_create(&op, key, padding, 0) == 0 &&
        botan_pk_op_sign_output_length(op, &len) == 0 &&
        botan_pk_op_sign_update(op, reinterpret_cast<const uint8_t*>(message.data()), message.size()) == 0) {
        sig.resize(len);
        if (botan_pk_op_sign_finish(op, rng, reinterpret_cast<uint8_t*>(&sig[0]), &len) == 0) {
            sig.resize(len);
            err = kPGPError_NoErr;
        }
    }
    if (op) botan_pk_op_sign_destroy(op);
    if (rng) botan_rng_destroy(rng);
    botan_privkey_destroy(key);
    if (err) return err;
    if (k.algorithm == 1 || k.algorithm == 3) {
        mpis = mpi(sig);
    } else {
        // r and s of equal length, one after the other.
        if (sig.size() % 2) return kErrCantSign;
        mpis = mpi(sig.substr(0, sig.size() / 2)) + mpi(sig.substr(sig.size() / 2));
    }
    return kPGPError_NoErr;
}

// ---- the signature --------------------------------------------------------------------

// The target's key packet and, at uidIndex, its user ID or attribute packet.
bool targetPackets(KeyRecord* target, int uidIndex, std::string& keyPacket, std::string& uidPacket, int& uidTag) {
    std::string data = exportKey(target, false, false);
    std::vector<Packet> packets;
    if (data.empty() || !splitPackets(data, packets) || packets.empty() || packets[0].tag != 6) return false;
    keyPacket = data.substr(packets[0].start, packets[0].end - packets[0].start);
    if (uidIndex < 0) return true;
    int n = 0;
    for (auto& p : packets) {
        if (p.tag == 14) break;  // subkeys follow the user IDs
        if (p.tag != 13 && p.tag != 17) continue;
        if (n++ == uidIndex) {
            uidPacket = data.substr(p.start, p.end - p.start);
            uidTag = p.tag;
            return true;
        }
    }
    return false;
}

std::string bodyOf(const std::string& packet) {
    std::vector<Packet> p;
    if (!splitPackets(packet, p) || p.size() != 1) return {};
    return packet.substr(p[0].bodyStart, p[0].end - p[0].bodyStart);
}

struct SigRequest {
    uint8_t type = kSigCertGeneric;
    uint32_t created = 0;
    std::string hashed;  // subpackets beyond creation time and issuer
};

// Signs target's key (and user ID) with signer's secret key; merges the new
// signature into target's key database.
PGPError addSignature(KeyRecord* signer, const SecureBytes& pass, KeyRecord* target, int uidIndex,
                      const SigRequest& req) {
    std::string keyPacket, uidPacket;
    int uidTag = 0;
    if (!targetPackets(target, uidIndex, keyPacket, uidPacket, uidTag)) return kPGPError_ItemNotFound;
    SecretKey sk;
    PGPError err = openSecret(signer, pass, sk);
    if (err) return err;
    std::string fprBytes = hexToBytes(sk.fpr);
    std::string hashed = subpacket(2, be(req.created ? req.created : sdk::unixTime(), 4)) +
                         subpacket(33, "\x04" + fprBytes) + req.hashed;
    std::string head = std::string{4, static_cast<char>(req.type), static_cast<char>(sk.algorithm),
                                   static_cast<char>(kHashSHA256)} +
                       be(static_cast<uint32_t>(hashed.size()), 2) + hashed;
    std::string keyBody = bodyOf(keyPacket);
    std::string data = "\x99" + be(static_cast<uint32_t>(keyBody.size()), 2) + keyBody;
    if (!uidPacket.empty()) {
        std::string u = bodyOf(uidPacket);
        data += (uidTag == 17 ? "\xD1" : "\xB4") + be(static_cast<uint32_t>(u.size()), 4) + u;
    }
    data += head + "\x04\xff" + be(static_cast<uint32_t>(head.size()), 4);
    std::string mpis;
    err = computeSignature(sk, data, mpis);
    if (err) return err;
    std::string unhashed = subpacket(16, fprBytes.substr(fprBytes.size() - 8));
    std::string sigPacket = newPacket(2, head + be(static_cast<uint32_t>(unhashed.size()), 2) + unhashed +
                                             digest(data).substr(0, 2) + mpis);
    std::string block = keyPacket + uidPacket + sigPacket;
    RnpInput in(block.data(), block.size());
    rnp_result_t r = rnp_import_keys(target->db->ffi, in.in, RNP_LOAD_SAVE_PUBLIC_KEYS, nullptr);
    if (r != RNP_SUCCESS) return mapRnp(r, kErrCantSign);
    target->changed = true;
    target->db->updated = true;
    rebuildChanged(target->db, {target->self.fpr});
    return kPGPError_NoErr;
}

PGPError checkSigner(KeyRecord* signer, const std::vector<Option>& opts) {
    RnpKey h(keyHandle(&signer->self));
    bool secret = false, prot = false, revoked = false, expired = false;
    if (!h.h || rnp_key_have_secret(h.h, &secret) != RNP_SUCCESS || !secret) return kErrSecretKeyNotFound;
    rnp_key_is_revoked(h.h, &revoked);
    if (revoked) return kErrKeyRevoked;
    rnp_key_is_expired(h.h, &expired);
    if (expired) return kErrKeyExpired;
    rnp_key_is_protected(h.h, &prot);
    if (prot && !hasPassphrase(opts)) return kPGPError_NeedPassphrase;
    return kPGPError_NoErr;
}

PGPError gather(PGPOptionListRef first, va_list ap, std::vector<Option>& opts) { return gatherOptions(first, ap, opts); }

// A user ID certification with the options the SDK offers: exportable (a
// certification stays local unless asked), trust level and amount, a
// regular expression limiting the trust, expiration in days, creation date.
PGPError certify(PGPUserIDRef userID, PGPKeyDBObjRef certifier, const std::vector<Option>& opts) {
    if (!check(userID) || userID->kind != kPGPKeyIter_UserID || !userID->key || userID->key->deleted ||
        !check(certifier) || certifier->kind != kPGPKeyIter_Key || !certifier->key || certifier->key->deleted)
        return kPGPError_BadParams;
    KeyRecord* signer = certifier->key;
    PGPError err = checkSigner(signer, opts);
    if (err) return err;
    SigRequest req;
    const Option* o = findOption(opts, Opt::Exportable);
    if (!o || !o->num) req.hashed += subpacket(4, std::string(1, '\0'), true);
    if ((o = findOption(opts, Opt::SigTrust)) && o->num > 0) {
        int level = o->num > 255 ? 255 : o->num;
        int amount = o->num2 < 0 ? 0 : o->num2 > 255 ? 255 : o->num2;
        req.hashed += subpacket(5, std::string{static_cast<char>(level), static_cast<char>(amount)});
        if (const Option* rx = findOption(opts, Opt::SigRegularExpression); rx && !rx->text.empty())
            req.hashed += subpacket(6, rx->text + '\0', true);
    }
    if ((o = findOption(opts, Opt::Expiration)) && o->num > 0)
        req.hashed += subpacket(3, be(static_cast<uint32_t>(o->num) * 86400u, 4));
    if ((o = findOption(opts, Opt::CreationDate)) && o->num > 0) req.created = static_cast<uint32_t>(o->num);
    return addSignature(signer, passphraseOf(opts), userID->key, userID->index, req);
}

struct SigInfo {
    uint8_t type = 0;
    std::string signer;  // key ID, upper-case hex
    uint32_t created = 0;
};

SigInfo infoOf(PGPKeyDBObj* sig) {
    SigInfo info;
    RnpKey k(keyHandle(&sig->key->self));
    if (!k.h) return info;
    rnp_signature_handle_t sh = nullptr;
    if (sig->parent) {
        rnp_uid_handle_t u = nullptr;
        if (rnp_key_get_uid_handle_at(k.h, sig->parent->index, &u) != RNP_SUCCESS) return info;
        rnp_uid_get_signature_at(u, sig->index, &sh);
        rnp_uid_handle_destroy(u);
    } else {
        rnp_key_get_signature_at(k.h, sig->index, &sh);
    }
    if (!sh) return info;
    std::string body = signatureBody(sh);
    RnpString id;
    rnp_signature_get_keyid(sh, &id.s);
    rnp_signature_get_creation(sh, &info.created);
    rnp_signature_handle_destroy(sh);
    info.signer = upper(id.str());
    if (body.size() > 1) info.type = static_cast<uint8_t>(body[1]);
    return info;
}

// Revokes a certification (or direct-key signature) its signer made; the
// signer's secret key must be at hand.
PGPError revokeSig(PGPSigRef sig, KeyRecord* signer, const std::vector<Option>& opts) {
    SigInfo info = infoOf(sig);
    if (info.type < 0x10 || (info.type > 0x13 && info.type != kSigDirectKey)) return kPGPError_BadParams;
    if (!signer || signer->self.keyid != info.signer) return kErrSecretKeyNotFound;
    if (sigIsRevoked(sig)) return kPGPError_NoErr;
    PGPError err = checkSigner(signer, opts);
    if (err) return err;
    SigRequest req;
    req.type = kSigCertRevocation;
    req.hashed = subpacket(29, std::string(1, '\0'));  // no reason given
    return addSignature(signer, passphraseOf(opts), sig->key, sig->parent ? sig->parent->index : -1, req);
}

KeyRecord* signerIn(PGPKeyDBRef db, const std::string& keyid) {
    KeyRecord* k = db ? findKey(db, keyid) : nullptr;
    return k && k->self.keyid == keyid ? k : nullptr;
}

// ---- key options ------------------------------------------------------------------

// Designated revokers (12) and additional decryption keys (10) named by the options.
std::string keyRefSubpackets(const std::vector<Option>& opts, KeyRecord* self, std::vector<std::string>* fprs,
                             PGPError& err) {
    std::string out;
    err = kPGPError_NoErr;
    for (const auto& o : opts) {
        if (o.type != Opt::RevocationKeySet && o.type != Opt::AdditionalRecipientRequestKeySet) continue;
        auto* set = check(static_cast<PGPKeySetRef>(o.ptr));
        if (!set) {
            err = kPGPError_BadParams;
            return {};
        }
        for (auto* k : setMembers(set)) {
            if (k->self.fpr == self->self.fpr || k->self.fpr.size() != 40) {
                err = kPGPError_BadParams;
                return {};
            }
            RnpKey h(keyHandle(&k->self));
            RnpString alg;
            if (!h.h || rnp_key_get_alg(h.h, &alg.s) != RNP_SUCCESS) continue;
            std::string a = upper(alg.str());
            uint8_t algo = a == "RSA" ? 1 : a == "DSA" ? 17 : a == "ECDSA" ? 19 : a == "EDDSA" ? 22 : a == "ELGAMAL" ? 16 : 0;
            uint8_t cls = o.type == Opt::RevocationKeySet ? 0x80 : static_cast<uint8_t>(o.num | 0x80);
            std::string body = std::string{static_cast<char>(cls), static_cast<char>(algo)} + hexToBytes(k->self.fpr);
            out += subpacket(o.type == Opt::RevocationKeySet ? 12 : 10, body);
            if (fprs) fprs->push_back(k->self.fpr);
        }
    }
    return out;
}

// The key's own signatures of one kind: direct-key ones, or the newest
// self-certification of each user ID.
struct OwnSig {
    int uid = -1;
    size_t index = 0;
    std::string body;
};
std::vector<OwnSig> directSelfSigs(KeyRecord* k) {
    std::vector<OwnSig> v;
    RnpKey h(keyHandle(&k->self));
    size_t n = 0;
    if (!h.h) return v;
    rnp_key_get_signature_count(h.h, &n);
    for (size_t i = 0; i < n; ++i) {
        rnp_signature_handle_t s = nullptr;
        if (rnp_key_get_signature_at(h.h, i, &s) != RNP_SUCCESS) continue;
        RnpString id;
        rnp_signature_get_keyid(s, &id.s);
        std::string body = signatureBody(s);
        rnp_signature_handle_destroy(s);
        if (upper(id.str()) == k->self.keyid && body.size() > 1 && static_cast<uint8_t>(body[1]) == kSigDirectKey)
            v.push_back({-1, i, body});
    }
    return v;
}

std::vector<OwnSig> newestSelfCerts(KeyRecord* k) {
    std::vector<OwnSig> v;
    RnpKey h(keyHandle(&k->self));
    size_t n = 0;
    if (!h.h) return v;
    rnp_key_get_uid_count(h.h, &n);
    for (size_t u = 0; u < n; ++u) {
        rnp_uid_handle_t uh = nullptr;
        if (rnp_key_get_uid_handle_at(h.h, u, &uh) != RNP_SUCCESS) continue;
        size_t sc = 0;
        rnp_uid_get_signature_count(uh, &sc);
        OwnSig best;
        uint32_t bestTime = 0;
        for (size_t i = 0; i < sc; ++i) {
            rnp_signature_handle_t s = nullptr;
            if (rnp_uid_get_signature_at(uh, i, &s) != RNP_SUCCESS) continue;
            RnpString id;
            uint32_t created = 0;
            rnp_signature_get_keyid(s, &id.s);
            rnp_signature_get_creation(s, &created);
            bool valid = rnp_signature_is_valid(s, 0) == RNP_SUCCESS;
            std::string body = signatureBody(s);
            rnp_signature_handle_destroy(s);
            uint8_t type = body.size() > 1 ? static_cast<uint8_t>(body[1]) : 0;
            if (!valid || upper(id.str()) != k->self.keyid || type < 0x10 || type > 0x13) continue;
            if (best.body.empty() || created >= bestTime) {
                best = {static_cast<int>(u), i, body};
                bestTime = created;
            }
        }
        rnp_uid_handle_destroy(uh);
        if (!best.body.empty()) v.push_back(best);
    }
    return v;
}

std::string joinSubs(const std::vector<Sub>& subs) {
    std::string s;
    for (auto& x : subs) s += subpacket(x.type, x.body, x.critical);
    return s;
}

PGPError ownKey(PGPKeyDBObjRef key, const std::vector<Option>& opts, KeyRecord*& k) {
    if (!check(key) || key->kind != kPGPKeyIter_Key || !key->key || key->key->deleted) return kPGPError_BadParams;
    k = key->key;
    return checkSigner(k, opts);
}

PGPError gatherFrom(PGPOptionListRef first, va_list ap, std::vector<Option>& opts, PGPKeyDBObjRef key) {
    PGPError err = gather(first, ap, opts);
    return err && !check(key) ? kPGPError_BadParams : err;
}

}  // namespace

namespace sdk {

// A certification is revoked by a later certification revocation of its
// signer on the same user ID (or on the key, for a direct-key signature).
bool sigIsRevoked(PGPKeyDBObj* sig) {
    SigInfo info = infoOf(sig);
    if (info.type == kSigCertRevocation || info.signer.empty()) return false;
    const auto& siblings = sig->parent ? sig->parent->children : sig->key->directSigs;
    for (auto& s : siblings) {
        if (s.get() == sig) continue;
        SigInfo other = infoOf(s.get());
        if (other.type == kSigCertRevocation && other.signer == info.signer && other.created >= info.created) return true;
    }
    return false;
}

// The ciphers the key prefers, as its newest self-certification gives them
// (that of the primary user ID when one is marked).
std::string preferredCiphers(KeyRecord* k) {
    std::string best;
    uint32_t bestTime = 0;
    bool have = false, bestPrimary = false;
    for (auto& c : newestSelfCerts(k)) {
        std::vector<Sub> subs;
        if (!hashedSubpackets(c.body, subs)) continue;
        std::string ciphers;
        uint32_t created = 0;
        bool primary = false;
        for (auto& x : subs) {
            if (x.type == 11) ciphers = x.body;
            if (x.type == 2 && x.body.size() == 4) created = static_cast<uint32_t>(std::stoul(toHex(x.body), nullptr, 16));
            if (x.type == 25 && x.body.size() == 1) primary = x.body[0] != 0;
        }
        if (!have || (primary && !bestPrimary) || (primary == bestPrimary && created >= bestTime)) {
            have = true;
            best = ciphers;
            bestTime = created;
            bestPrimary = primary;
        }
    }
    return best;
}

// Exportable unless the signature says otherwise; trust level and amount.
void sigOptions(PGPKeyDBObj* sig, bool* exportable, int* trustLevel, int* trustAmount) {
    *exportable = true;
    *trustLevel = *trustAmount = 0;
    RnpKey k(keyHandle(&sig->key->self));
    rnp_signature_handle_t sh = nullptr;
    if (!k.h) return;
    if (sig->parent) {
        rnp_uid_handle_t u = nullptr;
        if (rnp_key_get_uid_handle_at(k.h, sig->parent->index, &u) != RNP_SUCCESS) return;
        rnp_uid_get_signature_at(u, sig->index, &sh);
        rnp_uid_handle_destroy(u);
    } else {
        rnp_key_get_signature_at(k.h, sig->index, &sh);
    }
    if (!sh) return;
    std::vector<Sub> subs;
    bool ok = hashedSubpackets(signatureBody(sh), subs);
    rnp_signature_handle_destroy(sh);
    if (!ok) return;
    for (auto& s : subs) {
        if (s.type == 4 && s.body.size() == 1) *exportable = s.body[0] != 0;
        if (s.type == 5 && s.body.size() == 2) {
            *trustLevel = static_cast<unsigned char>(s.body[0]);
            *trustAmount = static_cast<unsigned char>(s.body[1]);
        }
    }
}

}  // namespace sdk

extern "C" {

#if ORV_SDK_RELEASE == 65
PGPError PGP_CALL PGPSignUserID(PGPUserIDRef userID, PGPKeyRef certifyingKey, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gather(firstOption, ap, opts);
        va_end(ap);
        if (err) return check(userID) && check(certifyingKey) ? err : kPGPError_BadParams;
        return certify(userID, certifyingKey, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRevokeSig65(PGPContextRef context, PGPSigRef sig, PGPKeySetRef allKeys,
                                 PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gather(firstOption, ap, opts);
        va_end(ap);
        if (!check(context) || !check(sig) || sig->kind != kPGPKeyIter_Signature || !sig->key ||
            (allKeys && !check(allKeys)))
            return kPGPError_BadParams;
        if (err) return err;
        // The signer from the signature's own rings, else from the keys given.
        std::string id = infoOf(sig).signer;
        KeyRecord* signer = signerIn(sig->key->db, id);
        if (!signer && allKeys) {
            if (allKeys->db) signer = signerIn(allKeys->db, id);
            for (auto* k : setMembers(allKeys))
                if (!signer && k->self.keyid == id) signer = k;
            for (auto* db : allKeys->held)
                if (!signer) signer = signerIn(db, id);
        }
        return revokeSig(sig, signer, opts);
    } ORV_EXPORT_GUARD
}
#else
PGPError PGP_CALL PGPCertifyUserID(PGPUserIDRef userID, PGPKeyDBObjRef certifyingKey, PGPOptionListRef firstOption,
                                   ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gather(firstOption, ap, opts);
        va_end(ap);
        if (err) return check(userID) && check(certifyingKey) ? err : kPGPError_BadParams;
        return certify(userID, certifyingKey, opts);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPRevokeSig(PGPSigRef sig, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gather(firstOption, ap, opts);
        va_end(ap);
        if (!check(sig) || sig->kind != kPGPKeyIter_Signature || !sig->key) return kPGPError_BadParams;
        if (err) return err;
        return revokeSig(sig, signerIn(sig->key->db, infoOf(sig).signer), opts);
    } ORV_EXPORT_GUARD
}
#endif

// Adds designated revokers (PGPORevocationKeySet) and additional decryption
// keys (PGPOAdditionalRecipientRequestKeySet) to the key, in a new direct-key
// signature of its own.
PGPError PGP_CALL PGPAddKeyOptions(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherFrom(firstOption, ap, opts, key);
        va_end(ap);
        if (err) return err;
        KeyRecord* k = nullptr;
        if ((err = ownKey(key, opts, k))) return err;
        SigRequest req;
        req.hashed = keyRefSubpackets(opts, k, nullptr, err);
        if (err) return err;
        if (req.hashed.empty()) return kPGPError_BadParams;
        req.type = kSigDirectKey;
        return addSignature(k, passphraseOf(opts), k, -1, req);
    } ORV_EXPORT_GUARD
}

// Takes the named revokers and decryption keys off the key: its direct-key
// signatures that name them are replaced by one naming the others.
PGPError PGP_CALL PGPRemoveKeyOptions(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherFrom(firstOption, ap, opts, key);
        va_end(ap);
        if (err) return err;
        KeyRecord* k = nullptr;
        if ((err = ownKey(key, opts, k))) return err;
        std::vector<std::string> gone;
        keyRefSubpackets(opts, k, &gone, err);
        if (err) return err;
        if (gone.empty()) return kPGPError_BadParams;
        std::vector<size_t> drop;
        std::vector<Sub> keep;
        for (auto& s : directSelfSigs(k)) {
            std::vector<Sub> subs;
            if (!hashedSubpackets(s.body, subs)) continue;
            bool names = false;
            for (auto& x : subs)
                if ((x.type == 10 || x.type == 12) && x.body.size() == 22)
                    for (auto& f : gone) names = names || upper(toHex(x.body.substr(2))) == f;
            if (!names) continue;
            drop.push_back(s.index);
            for (auto& x : subs) {
                if (x.type != 10 && x.type != 12) continue;
                bool named = false;
                for (auto& f : gone) named = named || (x.body.size() == 22 && upper(toHex(x.body.substr(2))) == f);
                if (!named) keep.push_back(x);
            }
        }
        if (drop.empty()) return kPGPError_ItemNotFound;
        // The replacement first: should it fail, nothing is lost.
        if (!keep.empty()) {
            SigRequest req;
            req.type = kSigDirectKey;
            req.hashed = joinSubs(keep);
            if ((err = addSignature(k, passphraseOf(opts), k, -1, req))) return err;
        }
        RnpKey h(keyHandle(&k->self));
        if (!h.h) return kPGPError_ItemNotFound;
        std::vector<rnp_signature_handle_t> handles;
        for (size_t i : drop) {
            rnp_signature_handle_t s = nullptr;
            if (rnp_key_get_signature_at(h.h, i, &s) == RNP_SUCCESS) handles.push_back(s);
        }
        for (auto* s : handles) {
            rnp_signature_remove(h.h, s);
            rnp_signature_handle_destroy(s);
        }
        k->changed = true;
        k->db->updated = true;
        rebuildChanged(k->db, {k->self.fpr});
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// Sets the key's preferred ciphers (PGPOPreferredAlgorithms) and key flags
// (PGPOKeyFlags): each user ID gets a new self-certification that repeats the
// newest one with these values changed, so expiry, primary mark and the
// other preferences stay.
PGPError PGP_CALL PGPUpdateKeyOptions(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherFrom(firstOption, ap, opts, key);
        va_end(ap);
        if (err) return err;
        KeyRecord* k = nullptr;
        if ((err = ownKey(key, opts, k))) return err;
        const Option* prefs = findOption(opts, Opt::PreferredAlgorithms);
        const Option* flags = findOption(opts, Opt::KeyFlags);
        if (!prefs && !flags) return kPGPError_BadParams;
        std::string algorithms;
        if (prefs)
            for (int32_t a : prefs->numbers) {
                if (a <= 0 || a > 255) return kPGPError_BadParams;
                algorithms += static_cast<char>(a);
            }
        auto certs = newestSelfCerts(k);
        if (certs.empty()) return kPGPError_ItemNotFound;
        SecureBytes pass = passphraseOf(opts);
        for (auto& c : certs) {
            std::vector<Sub> subs, kept;
            if (!hashedSubpackets(c.body, subs)) return kErrCantSign;
            for (auto& x : subs) {
                if (x.type == 2 || x.type == 33 || (prefs && x.type == 11) || (flags && x.type == 27)) continue;
                kept.push_back(x);
            }
            SigRequest req;
            req.type = static_cast<uint8_t>(c.body[1]);
            req.hashed = joinSubs(kept);
            if (prefs && !algorithms.empty()) req.hashed += subpacket(11, algorithms);
            if (flags) req.hashed += subpacket(27, std::string(1, static_cast<char>(flags->num & 0xff)));
            if ((err = addSignature(k, pass, k, c.uid, req))) return err;
        }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

#if ORV_SDK_RELEASE == 65
SDK_EXPORT65(PGPSignUserID);
SDK_EXPORT65_AS(PGPRevokeSig, PGPRevokeSig65);
#else
SDK_EXPORT7(PGPCertifyUserID);
SDK_EXPORT7(PGPRevokeSig);
#endif
SDK_EXPORT(PGPAddKeyOptions);
SDK_EXPORT(PGPRemoveKeyOptions);
SDK_EXPORT(PGPUpdateKeyOptions);
