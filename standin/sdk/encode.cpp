// PGPEncode: encrypt, sign, clear-sign, detached signatures, conventional
// encryption, plain armour and PGP/MIME entities, through RNP.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/job.h"
#include "standin/sdk/packets.h"

// libdeflate (static, from scripts/thirdparty.sh): DEFLATE of a whole buffer, about
// twice as fast as zlib's streaming deflate at the same level on this i386
// build, where compression dominates an encrypted and signed message.
extern "C" {
struct libdeflate_compressor;
struct libdeflate_compressor* libdeflate_alloc_compressor(int compression_level);
size_t libdeflate_deflate_compress(struct libdeflate_compressor* compressor, const void* in, size_t in_nbytes,
                                   void* out, size_t out_nbytes_avail);
size_t libdeflate_deflate_compress_bound(struct libdeflate_compressor* compressor, size_t in_nbytes);
void libdeflate_free_compressor(struct libdeflate_compressor* compressor);
}

namespace sdk {

PGPError sendEvent(JobState& job, PGPEvent& event) {
    event.job = &job.job;
    if (!job.handler) return kPGPError_NoErr;
    return job.handler(job.context, &event, job.userValue);
}

const char* cipherName(int a) {
    switch (a) {
    case 1: return "IDEA";
    case 2: return "TRIPLEDES";
    case 3: return "CAST5";
    case 4: return "BLOWFISH";
    case 7: return "AES128";
    case 8: return "AES192";
    case 9: return "AES256";
    case 10: return "TWOFISH";
    case 11: return "CAMELLIA128";
    case 12: return "CAMELLIA192";
    case 13: return "CAMELLIA256";
    default: return "";
    }
}

const char* hashName(int a) {
    switch (a) {
    case 1: return "MD5";
    case 2: return "SHA1";
    case 3: return "RIPEMD160";
    case 8: return "SHA256";
    case 9: return "SHA384";
    case 10: return "SHA512";
    case 11: return "SHA224";
    default: return "";
    }
}

}  // namespace sdk

using namespace sdk;

namespace {

// Whether every line already ends in CR LF, as the front-end's texts do:
// then the text is signed and encrypted where it lies, not copied.
bool hasCanonicalLines(std::string_view s) {
    for (size_t p = findLineEnd(s); p != std::string_view::npos; p = findLineEnd(s, p + 2))
        if (s[p] != '\r' || p + 1 >= s.size() || s[p + 1] != '\n') return false;
    return true;
}

std::string canonicalLines(std::string_view in) {
    std::string out;
    out.reserve(in.size() + in.size() / 32);
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// A literal data packet in the new format, for armour without encryption or
// signing.
// Appends a literal data packet in the new format; built in place, as the
// data is the message's plain text and is not to be copied about.
void appendLiteral(std::string& out, std::string_view data, const std::string& name, bool text,
                   uint32_t t = sdk::unixTime()) {
    std::string n = name.substr(0, 255);
    size_t len = 2 + n.size() + 4 + data.size();
    out.reserve(out.size() + 6 + len);
    out += static_cast<char>(0xc0 | 11);
    out += static_cast<char>(0xff);
    for (int i = 3; i >= 0; --i) out += static_cast<char>((len >> (i * 8)) & 0xff);
    out += text ? 't' : 'b';
    out += static_cast<char>(n.size());
    out += n;
    for (int i = 3; i >= 0; --i) out += static_cast<char>((t >> (i * 8)) & 0xff);
    out += data;
}

// A packet in the new format with a five-byte length.
std::string packet(int tag, const std::string& body) {
    std::string p;
    p.reserve(body.size() + 6);
    p += static_cast<char>(0xc0 | tag);
    p += static_cast<char>(0xff);
    size_t len = body.size();
    for (int i = 3; i >= 0; --i) p += static_cast<char>((len >> (i * 8)) & 0xff);
    p += body;
    return p;
}

// A packet in a block of its own, wiped with it: a compressed packet is
// deflated straight behind the room for its header, not copied after.
struct PacketBlock {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    PacketBlock() = default;
    PacketBlock(const PacketBlock&) = delete;
    PacketBlock& operator=(const PacketBlock&) = delete;
    ~PacketBlock() {
        if (data) wipe(data.get(), size);
    }
};

// A compressed data packet (ZIP, the level gpg uses by default) around the
// given packets; false when compression failed.
constexpr int kZipLevel = 6;
bool zipPacket(const std::string& packets, PacketBlock& out) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(kZipLevel);
    if (!c) return false;
    constexpr size_t kHead = 7;  // tag, five-byte length, algorithm
    const size_t bound = libdeflate_deflate_compress_bound(c, packets.size());
    out.data.reset(new (std::nothrow) char[kHead + bound]);
    const size_t n =
        out.data ? libdeflate_deflate_compress(c, packets.data(), packets.size(), out.data.get() + kHead, bound) : 0;
    libdeflate_free_compressor(c);
    if (!n) return false;
    out.size = kHead + n;
    char* h = out.data.get();
    h[0] = static_cast<char>(0xc0 | 8);
    h[1] = static_cast<char>(0xff);
    const size_t len = 1 + n;
    for (int i = 0; i < 4; ++i) h[2 + i] = static_cast<char>((len >> ((3 - i) * 8)) & 0xff);
    h[6] = 1;  // ZIP
    return true;
}

std::string enarmor(const std::string& bin, const char* type) {
    RnpInput in(bin.data(), bin.size());
    RnpOutput out;
    if (!in.in || !out.out || rnp_enarmor(in.in, out.out, type) != RNP_SUCCESS) return {};
    return out.take();
}

// A separator found in none of the texts the entity is made of.
std::string randomSeparator(PGPContextRef context, std::string_view first, std::string_view second = {}) {
    for (;;) {
        unsigned char r[8];
        PGPContextGetRandomBytes(context, r, sizeof r);
        std::string sep = "=_OrvanePGPMIME_" + toHex(std::string(reinterpret_cast<char*>(r), sizeof r));
        if (findText(first, sep) == std::string_view::npos && findText(second, sep) == std::string_view::npos)
            return sep;
    }
}

struct Settings {
    bool armor = false, clear = false, detached = false, compress = true, text = false, fyeo = false;
    bool mime = false, omitMimeVersion = false;
    const Option* mimeOpt = nullptr;
    int cipher = 0, hash = 0;
    std::string fileName, comment, version;
    std::vector<int> preferred;
    bool conventional = false;
    SecureBytes conventionalPass;
    PGPKeyDBObj* signer = nullptr;
    SecureBytes signerPass;
    bool signerPassGiven = false;
    std::vector<PGPKeyDBObj*> recipients;  // keys or subkeys
};

PGPError readSettings(const std::vector<Option>& opts, Settings& s) {
    for (const auto& o : opts) {
        switch (o.type) {
        case Opt::ArmorOutput: s.armor = o.num; break;
        case Opt::ClearSign: s.clear = o.num; break;
        case Opt::DetachedSig: s.detached = true; break;
        case Opt::Compression: s.compress = o.num; break;
        case Opt::DataIsASCII: s.text = o.num; break;
        case Opt::ForYourEyesOnly: s.fyeo = o.num; break;
        case Opt::PGPMIMEEncoding: s.mime = o.num; s.mimeOpt = &o; break;
        case Opt::OmitMIMEVersion: s.omitMimeVersion = o.num; break;
        case Opt::CipherAlgorithm: s.cipher = o.num; break;
        case Opt::HashAlgorithm: s.hash = o.num; break;
        case Opt::FileNameString: s.fileName = o.text; break;
        case Opt::CommentString: s.comment = o.text; break;
        case Opt::VersionString: s.version = o.text; break;
        case Opt::PreferredAlgorithms: s.preferred.assign(o.numbers.begin(), o.numbers.end()); break;
        case Opt::ConventionalEncrypt:
            s.conventional = true;
            if (hasPassphrase(o.sub)) s.conventionalPass = passphraseOf(o.sub);
            break;
        case Opt::SignWithKey:
            s.signer = static_cast<PGPKeyDBObj*>(o.ptr);
            if (hasPassphrase(o.sub)) {
                s.signerPass = passphraseOf(o.sub);
                s.signerPassGiven = true;
            }
            break;
        case Opt::EncryptToKey: s.recipients.push_back(static_cast<PGPKeyDBObj*>(o.ptr)); break;
        case Opt::EncryptToKeySet:
            for (auto* k : setMembers(static_cast<PGPKeySetRef>(o.ptr))) s.recipients.push_back(&k->self);
            break;
        default: break;
        }
    }
    if (s.conventional && s.conventionalPass.empty() && hasPassphrase(opts)) s.conventionalPass = passphraseOf(opts);
    if (s.signer && !s.signerPassGiven && hasPassphrase(opts)) {
        s.signerPass = passphraseOf(opts);
        s.signerPassGiven = true;
    }
    if (s.clear) {
        s.armor = true;
        s.text = true;
    }
    if (s.mime) s.armor = true;
    return kPGPError_NoErr;
}

bool keyFlag(PGPKeyDBObj* o, PGPKeyDBObjProperty p) {
    PGPBoolean v = 0;
    return boolProperty(&o->key->self, p, &v) == kPGPError_NoErr && v;
}

// The first cipher of the preference list (or of the first recipient's
// preferences) that every recipient's key accepts; 3DES is always accepted.
int chooseCipher(const Settings& s) {
    std::vector<std::string> prefs;
    for (auto* r : s.recipients) {
        std::string p;
        dataProperty(&r->key->self, kPGPKeyProperty_PreferredAlgorithms, p);
        prefs.push_back(p);
    }
    auto allAccept = [&](int c) {
        if (!*cipherName(c)) return false;
        for (auto& p : prefs)
            if (c != 2 && !p.empty() && p.find(static_cast<char>(c)) == std::string::npos) return false;
        return true;
    };
    for (int c : s.preferred)
        if (allAccept(c)) return c;
    if (!prefs.empty())
        for (char c : prefs[0])
            if (allAccept(static_cast<unsigned char>(c))) return static_cast<unsigned char>(c);
    return prefs.empty() || prefs[0].empty() ? 9 : 2;
}

// Signing with MD5 would make signatures that current OpenPGP software
// rejects, so an MD5 request is answered with SHA-256.
const char* chooseHash(int h) {
    if (h == 0 || h == 1) return "SHA256";
    const char* n = hashName(h);
    return *n ? n : "SHA256";
}

void appendMimeEncrypted(std::string& b, const std::string& sep, std::string_view armored) {
    b += "--" + sep + "\r\n";
    b += "Content-Type: application/pgp-encrypted\r\n";
    b += "Content-Description: PGP/MIME version identification\r\n\r\n";
    b += "Version: 1\r\n\r\n";
    b += "--" + sep + "\r\n";
    b += "Content-Type: application/octet-stream; name=\"encrypted.asc\"\r\n";
    b += "Content-Description: OpenPGP encrypted message\r\n";
    b += "Content-Disposition: inline; filename=\"encrypted.asc\"\r\n\r\n";
    b += armored;
    if (b.back() != '\n') b += "\r\n";
    b += "\r\n--" + sep + "--\r\n";
}

class Encoder {
public:
    Encoder(JobState& job, Settings& s) : job_(job), s_(s) {}
    ~Encoder() {
        for (auto h : locked_) {
            rnp_key_lock(h);
            rnp_key_handle_destroy(h);
        }
        for (auto h : handles_) rnp_key_handle_destroy(h);
        if (scratch_) rnp_ffi_destroy(scratch_);
    }

    PGPError run(std::string_view input, std::string& output) {
        PGPError err = prepare();
        if (err) return err;
        std::string canonical;
        const bool copied = s_.text && !hasCanonicalLines(input);
        if (copied) canonical = canonicalLines(input);
        const std::string_view data = copied ? std::string_view(canonical) : input;
        PGPError err2 = s_.mime ? runMime(data, output) : runPlain(data, output, s_.detached, s_.clear);
        wipe(canonical.data(), canonical.size());
        return err2;
    }

private:
    PGPError prepare() {
        // All keys of one job must sit in one RNP context.
        PGPKeyDBRef db = nullptr;
        bool mixed = false;
        auto note = [&](PGPKeyDBObj* o) {
            if (!db) db = o->key->db;
            else if (db != o->key->db) mixed = true;
        };
        if (s_.signer) note(s_.signer);
        for (auto* r : s_.recipients) note(r);
        if (db) ffi_ = db->ffi;
        if (!db) {
            // Conventional encryption needs no keys, but RNP needs a context.
            scratch_ = newFfi();
            if (!scratch_) return kPGPError_OutOfMemory;
            ffi_ = scratch_;
        }
        if (mixed) {
            scratch_ = newFfi();
            if (!scratch_) return kPGPError_OutOfMemory;
            std::string keys;
            for (auto* r : s_.recipients) keys += exportKey(r->key, false, false);
            if (s_.signer) keys += exportKey(s_.signer->key, true, false) + exportKey(s_.signer->key, false, false);
            RnpInput in(keys.data(), keys.size());
            if (rnp_load_keys(scratch_, "GPG", in.in, RNP_LOAD_SAVE_PUBLIC_KEYS | RNP_LOAD_SAVE_SECRET_KEYS))
                return kErrUnknownError;
            ffi_ = scratch_;
        }
        if (s_.signer) {
            if (!check(s_.signer) || !s_.signer->key || s_.signer->key->deleted) return kPGPError_BadParams;
            KeyRecord* k = s_.signer->key;
            if (keyFlag(s_.signer, kPGPKeyProperty_IsRevoked)) return kErrKeyRevoked;
            if (keyFlag(s_.signer, kPGPKeyProperty_IsExpired)) return kErrKeyExpired;
            if (keyFlag(s_.signer, kPGPKeyProperty_IsDisabled)) return kErrKeyDisabled;
            PGPKeyDBObj* part = s_.signer->kind == kPGPKeyIter_SubKey ? s_.signer : usableKey(k, "sign");
            if (!part) return kErrCantSign;
            rnp_key_handle_t h = locate(part->kind == kPGPKeyIter_SubKey ? part->fpr : k->self.fpr);
            bool secret = false;
            if (!h || rnp_key_have_secret(h, &secret) || !secret) return kErrSecretKeyNotFound;
            bool prot = false;
            rnp_key_is_protected(h, &prot);
            if (prot) {
                if (!s_.signerPassGiven) return kPGPError_NeedPassphrase;
                relockKeptKeys(k->db);
                if (rnp_key_unlock(h, s_.signerPass.c_str()) != RNP_SUCCESS) return kErrBadPassphrase;
                locked_.push_back(h);
                handles_.pop_back();
            }
            signKey_ = h;
        }
        for (auto* r : s_.recipients) {
            if (!check(r) || !r->key || r->key->deleted) return kPGPError_BadParams;
            if (keyFlag(r, kPGPKeyProperty_IsRevoked)) return kErrKeyRevoked;
            if (keyFlag(r, kPGPKeyProperty_IsExpired)) return kErrKeyExpired;
            if (keyFlag(r, kPGPKeyProperty_IsDisabled)) return kErrKeyDisabled;
            PGPKeyDBObj* part = r->kind == kPGPKeyIter_SubKey ? r : usableKey(r->key, "encrypt");
            if (!part) return kErrCantEncrypt;
            rnp_key_handle_t h = locate(part->kind == kPGPKeyIter_SubKey ? part->fpr : r->key->self.fpr);
            if (!h) return kPGPError_ItemNotFound;
            if (std::find(recipients_.begin(), recipients_.end(), part) == recipients_.end()) {
                recipients_.push_back(part);
                recipientHandles_.push_back(h);
            }
        }
        if (s_.conventional && s_.conventionalPass.empty()) return kPGPError_NeedPassphrase;
        return kPGPError_NoErr;
    }

    rnp_key_handle_t locate(const std::string& fpr) {
        rnp_key_handle_t h = nullptr;
        if (!ffi_ || rnp_locate_key(ffi_, "fingerprint", fpr.c_str(), &h) != RNP_SUCCESS || !h) return nullptr;
        handles_.push_back(h);
        return h;
    }

    std::string fileName() const { return s_.fyeo ? "_CONSOLE" : s_.fileName; }

    PGPError runPlain(std::string_view data, std::string& output, bool detached, bool clear) {
        bool encrypting = !recipientHandles_.empty() || s_.conventional;
        RnpInput in(data.data(), data.size());
        RnpOutput out;
        if (!in.in || !out.out) return kPGPError_OutOfMemory;
        rnp_result_t r;
        const char* hash = chooseHash(s_.hash);
        uint32_t now = sdk::unixTime();
        if (encrypting) {
            if (detached || clear) return kPGPError_BadParams;
            // Compressed messages are put together here (signature by RNP,
            // compression by libdeflate) and only encrypted by RNP.
            PacketBlock packets;
            if (s_.compress) {
                PGPError err = signedCompressed(data, hash, now, packets);
                if (err) return err;
            }
            RnpInput packed(packets.data ? packets.data.get() : "", packets.size);
            rnp_op_encrypt_t op = nullptr;
            if (rnp_op_encrypt_create(&op, ffi_, s_.compress ? packed.in : in.in, out.out) != RNP_SUCCESS)
                return kPGPError_BadParams;
            for (auto h : recipientHandles_) rnp_op_encrypt_add_recipient(op, h);
            if (signKey_ && !s_.compress) rnp_op_encrypt_add_signature(op, signKey_, nullptr);
            if (s_.compress) rnp_op_encrypt_set_flags(op, RNP_ENCRYPT_NOWRAP);
            int cipher = s_.conventional && s_.cipher ? s_.cipher : (s_.cipher ? s_.cipher : chooseCipher(s_));
            if (!*cipherName(cipher)) {
                rnp_op_encrypt_destroy(op);
                return kPGPError_BadParams;
            }
            if (s_.conventional) {
                SecureBytes pw = messagePassword(s_.conventionalPass);
                rnp_op_encrypt_add_password(op, pw.c_str(), "SHA256", 0, cipherName(cipher));
            }
            rnp_op_encrypt_set_cipher(op, cipherName(cipher));
            rnp_op_encrypt_set_hash(op, hash);
            rnp_op_encrypt_set_armor(op, s_.armor);
            rnp_op_encrypt_set_compression(op, "Uncompressed", 0);
            rnp_op_encrypt_set_file_name(op, fileName().c_str());
            rnp_op_encrypt_set_file_mtime(op, now);
            r = rnp_op_encrypt_execute(op);
            rnp_op_encrypt_destroy(op);
        } else if (signKey_) {
            rnp_op_sign_t op = nullptr;
            if (clear) r = rnp_op_sign_cleartext_create(&op, ffi_, in.in, out.out);
            else if (detached) r = rnp_op_sign_detached_create(&op, ffi_, in.in, out.out);
            else r = rnp_op_sign_create(&op, ffi_, in.in, out.out);
            if (r != RNP_SUCCESS) return kPGPError_BadParams;
            rnp_op_sign_add_signature(op, signKey_, nullptr);
            rnp_op_sign_set_hash(op, hash);
            if (!clear) rnp_op_sign_set_armor(op, s_.armor);
            if (!clear && !detached) {
                rnp_op_sign_set_compression(op, s_.compress ? "ZIP" : "Uncompressed", s_.compress ? 6 : 0);
                rnp_op_sign_set_file_name(op, fileName().c_str());
                rnp_op_sign_set_file_mtime(op, now);
            }
            r = rnp_op_sign_execute(op);
            rnp_op_sign_destroy(op);
        } else {
            if (detached || clear) return kPGPError_BadParams;  // nothing to sign with
            std::string lit;
            appendLiteral(lit, data, fileName(), false);
            output = s_.armor ? addArmorHeaders(enarmor(lit, "message"), s_.version, s_.comment) : lit;
            wipe(lit.data(), lit.size());
            return output.empty() ? kErrUnknownError : kPGPError_NoErr;
        }
        if (r != RNP_SUCCESS) return mapRnp(r, kErrUnknownError);
        output = s_.armor || clear ? addArmorHeaders(out.view(), s_.version, s_.comment) : out.take();
        return kPGPError_NoErr;
    }

    // The packets of a signed (or only literal) message, compressed: one-pass
    // signature, literal data, and RNP's signature over the same bytes (a
    // binary signature does not cover the literal packet's name and date).
    PGPError signedCompressed(std::string_view data, const char* hash, uint32_t now, PacketBlock& out) {
        std::string sig;
        std::string onePass;
        if (signKey_) {
            RnpInput in(data.data(), data.size());
            RnpOutput o;
            rnp_op_sign_t op = nullptr;
            if (!in.in || !o.out || rnp_op_sign_detached_create(&op, ffi_, in.in, o.out) != RNP_SUCCESS)
                return kPGPError_OutOfMemory;
            rnp_op_sign_add_signature(op, signKey_, nullptr);
            rnp_op_sign_set_hash(op, hash);
            rnp_op_sign_set_armor(op, false);
            rnp_result_t r = rnp_op_sign_execute(op);
            rnp_op_sign_destroy(op);
            if (r != RNP_SUCCESS) return mapRnp(r, kErrUnknownError);
            sig = o.take();
            std::vector<Packet> pk;
            RnpString keyid;
            if (!splitPackets(sig, pk) || pk.size() != 1 || pk[0].tag != 2 || pk[0].end - pk[0].bodyStart < 4 ||
                sig[pk[0].bodyStart] != 4 || rnp_key_get_keyid(signKey_, &keyid.s) != RNP_SUCCESS ||
                keyid.str().size() != 16)
                return kErrUnknownError;
            const char* b = sig.data() + pk[0].bodyStart;  // version, type, public-key and hash algorithm
            std::string body;
            body += static_cast<char>(3);
            body += b[1];
            body += b[3];
            body += b[2];
            for (size_t i = 0; i < 16; i += 2)
                body += static_cast<char>(std::stoi(keyid.str().substr(i, 2), nullptr, 16));
            body += static_cast<char>(1);  // the signed data follows
            onePass = packet(4, body);
        }
        std::string inner;
        inner.reserve(onePass.size() + data.size() + 300 + sig.size());
        inner = onePass;
        appendLiteral(inner, data, fileName(), false, now);
        inner += sig;
        const bool zipped = zipPacket(inner, out);
        wipe(inner.data(), inner.size());
        return zipped ? kPGPError_NoErr : kErrUnknownError;
    }

    // The entity wrapped as PGP/MIME, put together once in the output.
    PGPError runMime(std::string_view entity, std::string& output) {
        bool encrypting = !recipientHandles_.empty() || s_.conventional;
        std::string part;
        PGPError err;
        std::string head = s_.omitMimeVersion ? "" : "MIME-Version: 1.0\r\n";
        if (encrypting) {
            err = runPlain(entity, part, false, false);
            if (err) return err;
            separator_ = randomSeparator(job_.context, part);
            head += "Content-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\";\r\n\tboundary=\"" +
                    separator_ + "\"\r\n\r\n";
            output.reserve(head.size() + part.size() + 512);
            output = head;
            appendMimeEncrypted(output, separator_, part);
        } else {
            if (!signKey_) return kPGPError_BadParams;
            err = runPlain(entity, part, true, false);
            if (err) return err;
            const std::string sep = separator_ = randomSeparator(job_.context, entity, part);
            std::string micalg = chooseHash(s_.hash);
            std::transform(micalg.begin(), micalg.end(), micalg.begin(), ::tolower);
            head += "Content-Type: multipart/signed; micalg=pgp-" + micalg +
                    "; protocol=\"application/pgp-signature\";\r\n\tboundary=\"" + sep + "\"\r\n\r\n";
            output.reserve(head.size() + entity.size() + part.size() + 512);
            output = head;
            // The signed part is exactly the bytes between the delimiters.
            output += "--" + sep + "\r\n";
            output += entity;
            output += "\r\n--" + sep + "\r\n";
            output += "Content-Type: application/pgp-signature; name=\"signature.asc\"\r\n";
            output += "Content-Description: OpenPGP digital signature\r\n";
            output += "Content-Disposition: attachment; filename=\"signature.asc\"\r\n\r\n";
            output += part;
            if (output.back() != '\n') output += "\r\n";
            output += "\r\n--" + sep + "--\r\n";
        }
        if (s_.mimeOpt) {
            if (s_.mimeOpt->ptr) *static_cast<PGPSize*>(s_.mimeOpt->ptr) = static_cast<PGPSize>(head.size());
            if (s_.mimeOpt->ptr2)
                std::snprintf(static_cast<char*>(s_.mimeOpt->ptr2), kPGPMIMESeparatorSize, "%s", separator_.c_str());
        }
        return kPGPError_NoErr;
    }

    JobState& job_;
    Settings& s_;
    rnp_ffi_t ffi_ = nullptr;
    rnp_ffi_t scratch_ = nullptr;
    rnp_key_handle_t signKey_ = nullptr;
    std::vector<rnp_key_handle_t> handles_, locked_, recipientHandles_;
    std::vector<PGPKeyDBObj*> recipients_;
    std::string separator_;
};

}  // namespace

extern "C" {

PGPError PGP_CALL PGPAddJobOptions(PGPJobRef job, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(job) || !job->state) return kPGPError_BadParams;
        if (err) return err;
        for (auto& o : opts) job->state->added.push_back(std::move(o));
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPEncode(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        JobState job(context);
        PGPError err = startJob(job, firstOption, ap);
        va_end(ap);
        if (err) return err;
        err = job.simple(kPGPEvent_InitialEvent);
        if (err) return err;
        Settings s;
        std::string stored, inputName, output;
        std::string_view input;
        err = readInputView(job.options, stored, input, &inputName);
        const Option* out = outputOption(job.options);
        if (!err && !out) err = kPGPError_BadParams;
        if (!err) {
            readSettings(job.options, s);
            if (s.fileName.empty()) s.fileName = inputName;
            Encoder enc(job, s);
            err = enc.run(input, output);
        }
        wipe(stored.data(), stored.size());
        if (!err) err = writeOutput(context, *out, output);
        if (err) return job.error(err);
        job.simple(kPGPEvent_FinalEvent);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPAddJobOptions);
SDK_EXPORT(PGPEncode);
