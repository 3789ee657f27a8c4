// PGPDecode: cuts the input into lexical sections and handles each one with
// the events the SDK defines: analysis, recipients, passphrase (asked again
// for the same section after a wrong answer), output, signatures, keys found,
// and pass-through of what is not PGP data.
#include <algorithm>
#include <cstring>
#include <list>

#include "standin/export_guard.h"
#include "standin/sdk/job.h"
#include "standin/sdk/packets.h"
#include "standin/sdk/pgpmime_in.h"

using namespace sdk;

namespace {

constexpr int kMaxPassphraseRequests = 64;
// Bytes of a message's head that hold its session key packets (one for
// each recipient, a few hundred bytes each).
constexpr size_t kSessionKeyHead = 1u << 16;
// execute: RNP could not read the armoured message; the binary is tried.
constexpr PGPError kTryBinary = 1;

struct PassProvider {
    const SecureBytes* pass = nullptr;
};

bool passProvider(rnp_ffi_t, void* app, rnp_key_handle_t key, const char* context, char buf[], size_t len) {
    auto* p = static_cast<PassProvider*>(app);
    // Only a message's own passphrase is answered; locked secret keys stay locked.
    if (!p || !p->pass || key || std::strcmp(context, "decrypt (symmetric)") != 0) return false;
    SecureBytes pw = messagePassword(*p->pass);
    if (pw.size() + 1 > len) return false;
    std::memcpy(buf, pw.c_str(), pw.size() + 1);
    return true;
}

class Decoder {
public:
    explicit Decoder(JobState& job) : job_(job) {}
    ~Decoder() {
        for (auto& [part, h] : unlocked_) releaseAfterDecoding(part, h);
        // The sinks held the plain text (their blocks are wiped when freed).
        for (auto& sink : sinks_) {
            wipe(sink.data.data(), sink.data.size());
            if (sink.block) PGPFreeData(sink.block);
        }
        if (emptyFfi_) rnp_ffi_destroy(emptyFfi_);
    }

    PGPError run(std::string_view input) {
        takeOptions(job_.options, true);
        PgpMimeInput mime;
        if (parsePgpMime(input, mime)) return pgpMime(mime);
        auto sections = lexSections(input);
        PGPError err = kPGPError_NoErr;
        for (size_t i = 0; i < sections.size() && !err; ++i) {
            section_ = static_cast<int>(i);
            PGPEvent b{};
            b.type = kPGPEvent_BeginLexEvent;
            b.data.beginLexData.sectionNumber = static_cast<PGPUInt32>(i);
            b.data.beginLexData.sectionOffset = static_cast<PGPSize>(sections[i].start);
            err = job_.event(b);
            takeAdded();
            if (err) break;
            const Section& s = sections[i];
            err = section(s, input.substr(s.start, s.end - s.start));
            if (err == kPGPError_SkipSection) err = kPGPError_NoErr;
            PGPError perr = publish();
            if (!err) err = perr;
            PGPEvent e{};
            e.type = kPGPEvent_EndLexEvent;
            e.data.endLexData.sectionNumber = static_cast<PGPUInt32>(i);
            PGPError eerr = job_.event(e);
            takeAdded();
            if (!err) err = eerr;
        }
        return err;
    }

private:
    // A PGP/MIME message is one lexical section: its armoured message, or
    // its signed entity with the detached signature.
    PGPError pgpMime(const PgpMimeInput& m) {
        section_ = 0;
        PGPEvent b{};
        b.type = kPGPEvent_BeginLexEvent;
        b.data.beginLexData.sectionNumber = 0;
        b.data.beginLexData.sectionOffset = 0;
        PGPError err = job_.event(b);
        takeAdded();
        if (err) return err;
        if (m.kind == PgpMimeInput::Encrypted) {
            Section s;
            s.start = 0;
            s.end = m.armour.size();
            s.kind = Section::Message;
            err = section(s, m.armour);
        } else {
            err = signedEntity(m);
        }
        if (err == kPGPError_SkipSection) err = kPGPError_NoErr;
        PGPError perr = publish();
        if (!err) err = perr;
        PGPEvent e{};
        e.type = kPGPEvent_EndLexEvent;
        e.data.endLexData.sectionNumber = 0;
        PGPError eerr = job_.event(e);
        takeAdded();
        if (!err) err = eerr;
        return err;
    }

    // The entity goes out as it stands; its canonical form is what was signed.
    PGPError signedEntity(const PgpMimeInput& m) {
        std::string sigBin;
        if (!dearmor(m.armour, sigBin)) return job_.error(kErrArmorIncomplete);
        PGPError err = analyze(kPGPAnalyze_Signed);
        if (err) return err;
        err = output(m.entity, std::string(), false);
        if (err) return err;
        return verifyDetachedOver(m.signedBytes(), sigBin);
    }

    // ---- options -----------------------------------------------------------

    void takeOptions(const std::vector<Option>& opts, bool initial) {
        for (const auto& o : opts) {
            switch (o.type) {
            case Opt::KeyDBRef:
                if (auto* db = check(static_cast<PGPKeyDBRef>(o.ptr))) useDB(db);
                break;
            case Opt::KeySetRef:
                if (auto* s = check(static_cast<PGPKeySetRef>(o.ptr))) {
                    if (s->db) useDB(s->db);
                    for (auto* k : s->members) useDB(k->db);
                }
                break;
            case Opt::Passphrase:
            case Opt::Passkey:
                pending_.push_back(o.secret);
                break;
            case Opt::AllocatedOutputBuffer:
            case Opt::OutputBuffer:
            case Opt::OutputFile:
                sinks_.push_back({o, std::string(), false});
                sink_ = &sinks_.back();
                break;
            case Opt::DiscardOutput: discard_ = o.num; break;
            case Opt::PassThroughIfUnrecognized: passUnrecognized_ = o.num; break;
            case Opt::PassThroughClearSigned: passClearSigned_ = o.num; break;
            case Opt::PassThroughKeys: passKeys_ = o.num; break;
            case Opt::SendEventIfKeyFound: keyEvents_ = o.num; break;
            case Opt::RecursivelyDecode: recursive_ = o.num; break;
            case Opt::DetachedSig: detached_ = o.sub; hasDetached_ = true; break;
            default: break;
            }
        }
        (void)initial;
    }

    void takeAdded() { takeOptions(job_.takeAdded(), false); }

    void useDB(PGPKeyDBRef db) {
        if (std::find(dbs_.begin(), dbs_.end(), db) == dbs_.end()) dbs_.push_back(db);
    }

    // ---- output ------------------------------------------------------------

    struct Sink {
        Option opt;
        std::string data;
        bool dirty;
        // An allocated buffer's whole output as RNP wrote it, handed over as it is.
        void* block = nullptr;
        size_t blockLength = 0;
        // The block last handed over, while the option still holds it.
        const void* handed = nullptr;
        size_t handedLength = 0;

        // Further output after a block: the block's bytes come first.
        void append(std::string_view more) {
            if (block) {
                data.assign(static_cast<const char*>(block), blockLength);
                PGPFreeData(block);
                block = nullptr;
            } else if (handed && *static_cast<void**>(opt.ptr) == handed) {
                data.assign(static_cast<const char*>(handed), handedLength);
            }
            handed = nullptr;
            data += more;
        }
    };

    // Plain text RNP wrote into a block goes to a fresh allocated buffer or
    // output file without a copy; any other output is copied into its sink.
    PGPError output(std::string_view data, const std::string& name, bool fyeo, OutputBlock* whole = nullptr) {
        if (discard_ && !sink_) return kPGPError_NoErr;
        PGPEvent e{};
        e.type = kPGPEvent_OutputEvent;
        e.data.outputData.messageType = 0;
        e.data.outputData.suggestedName = name.empty() ? nullptr : name.c_str();
        e.data.outputData.forYourEyesOnly = fyeo;
        PGPError err = job_.event(e);
        takeAdded();
        if (err) return err;
        if (!sink_) return discard_ ? kPGPError_NoErr : kPGPError_BadParams;
        const bool fresh = !sink_->dirty && sink_->data.empty() && !sink_->block && !sink_->handed;
        if (whole && fresh && (sink_->opt.type == Opt::AllocatedOutputBuffer || sink_->opt.type == Opt::OutputFile))
            sink_->block = whole->release(sink_->blockLength);
        else
            sink_->append(data);
        sink_->dirty = true;
        return kPGPError_NoErr;
    }

    PGPError publish() {
        PGPError err = kPGPError_NoErr;
        for (auto& s : sinks_) {
            if (!s.dirty) continue;
            s.dirty = false;
            PGPError e = kPGPError_NoErr;
            if (s.block && s.opt.type == Opt::OutputFile) {
                // Written from where RNP put the plain text; the block stays for further output.
                const std::string_view plain(static_cast<const char*>(s.block), s.blockLength);
                e = writeOutput(job_.context, s.opt, plain);
            } else if (s.block) {
                s.handed = s.block;
                s.handedLength = s.blockLength;
                e = handOverOutput(s.opt, s.block, s.blockLength);
                if (e) s.handed = nullptr;
            } else {
                e = writeOutput(job_.context, s.opt, s.data);
            }
            if (!err) err = e;
        }
        return err;
    }

    // ---- sections ----------------------------------------------------------

    PGPError analyze(int kind) {
        PGPEvent e{};
        e.type = kPGPEvent_AnalyzeEvent;
        e.data.analyzeData.sectionType = kind;
        PGPError err = job_.event(e);
        takeAdded();
        return err;
    }

    static int kindOfPackets(const std::string& bin) { return kindOfTag(firstPacketTag(bin)); }
    static int kindOfTag(int tag) {
        switch (tag) {
        case 1: case 3: case 9: case 18: case 20: return kPGPAnalyze_Encrypted;
        case 4: case 8: case 11: return kPGPAnalyze_Signed;
        case 2: return kPGPAnalyze_DetachedSignature;
        case 5: case 6: return kPGPAnalyze_Key;
        default: return kPGPAnalyze_Unknown;
        }
    }

    PGPError section(const Section& s, std::string_view text) {
        std::string bin;
        int kind = kPGPAnalyze_Unknown;
        switch (s.kind) {
        case Section::Text: break;
        case Section::Broken: return job_.error(kErrArmorIncomplete);
        case Section::Binary: kind = kindOfTag(text.empty() ? -1 : firstPacketTag(std::string(text.substr(0, 1)))); break;
        case Section::Message: {
            // The kind comes from the head of the armour: an analysis that
            // stops at the event never decodes the whole block.
            const int tag = firstArmoredPacketTag(text);
            if (tag < 0 && !dearmor(text, bin)) return job_.error(kErrArmorIncomplete);
            kind = tag < 0 ? kindOfPackets(bin) : kindOfTag(tag);
            break;
        }
        case Section::Signed: kind = kPGPAnalyze_Signed; break;
        case Section::Signature:
            if (!dearmor(text, bin)) return job_.error(kErrArmorIncomplete);
            kind = kPGPAnalyze_DetachedSignature;
            break;
        case Section::PublicKey:
        case Section::PrivateKey:
            if (!dearmor(text, bin)) return job_.error(kErrArmorIncomplete);
            kind = kPGPAnalyze_Key;
            break;
        }
        PGPError err = analyze(kind);
        if (err) return err;
        // An encrypted message is read by RNP as it stands, armour and all.
        const bool asArmoured = s.kind == Section::Message && bin.empty() && kind == kPGPAnalyze_Encrypted;
        if (s.kind == Section::Message && bin.empty() && !asArmoured && !dearmor(text, bin))
            return job_.error(kErrArmorIncomplete);
        // Binary input is read where it lies.
        const std::string_view binary = s.kind == Section::Binary ? text : std::string_view(bin);
        switch (kind) {
        case kPGPAnalyze_Encrypted: return asArmoured ? decrypt(text, true) : decrypt(binary, false);
        case kPGPAnalyze_Signed:
            if (s.kind == Section::Signed && passClearSigned_) return verify(text, true);
            return verify(s.kind == Section::Signed ? text : binary, false);
        case kPGPAnalyze_DetachedSignature: return verifyDetached(std::string(binary));
        case kPGPAnalyze_Key: return keys(text, std::string(binary));
        default:
            if (s.kind == Section::Binary) return job_.error(kErrCantDecrypt);
            return passUnrecognized_ ? output(text, std::string(), false) : kPGPError_NoErr;
        }
    }

    rnp_ffi_t mainFfi() {
        if (!dbs_.empty()) return dbs_[0]->ffi;
        if (!emptyFfi_) emptyFfi_ = newFfi();
        return emptyFfi_;
    }

    PGPKeyDBObj* findObj(const std::string& keyid) {
        for (auto* db : dbs_)
            if (auto* o = findKeyObj(db, keyid)) return o;
        return nullptr;
    }

    // ---- decryption ----------------------------------------------------------

    // The session key packets are read from the head of the message; an
    // armoured one is given to RNP whole, and decoded apart only when RNP
    // cannot read it (so that a damaged armour is reported as such).
    PGPError decrypt(std::string_view data, bool armoured) {
        bool symmetric = false;
        const std::string head = armoured ? dearmorHead(data, kSessionKeyHead) : std::string();
        std::vector<std::string> ids = sessionKeyRecipients(armoured ? std::string_view(head) : data, &symmetric);
        // Recipients event: the keys we have, and every key ID of the message.
        PGPKeySetRef recipients = nullptr;
        if (!dbs_.empty()) newKeySet(dbs_[0], false, &recipients);
        std::vector<PGPByte> idArray;
        std::vector<PGPKeyDBObj*> candidates;
        bool hidden = false;
        for (auto& id : ids) {
            PGPKeyID k;
            makeKeyID(id, &k);
            idArray.insert(idArray.end(), k.opaque, k.opaque + kKeyIDBytes);
            if (id == "0000000000000000") {
                hidden = true;
                continue;
            }
            PGPKeyDBObj* o = findObj(id);
            if (!o) continue;
            if (recipients && o->key->db == recipients->db) recipients->members.push_back(o->key);
            RnpKey h(keyHandle(o));
            bool secret = false;
            if (h.h && rnp_key_have_secret(h.h, &secret) == RNP_SUCCESS && secret) candidates.push_back(o);
        }
        if (hidden) {
            // A hidden recipient may be any of our secret encryption keys.
            for (auto* db : dbs_)
                for (auto* k : liveKeys(db))
                    for (auto& s : k->subkeys) {
                        RnpKey h(keyHandle(s.get()));
                        bool secret = false, enc = false;
                        rnp_key_have_secret(h.h, &secret);
                        rnp_key_allows_usage(h.h, "encrypt", &enc);
                        if (secret && enc) candidates.push_back(s.get());
                    }
        }
        PGPEvent re{};
        re.type = kPGPEvent_RecipientsEvent;
        re.data.recipientsData.recipientSet = recipients;
        re.data.recipientsData.conventionalPassphraseCount = symmetric ? 1 : 0;
        re.data.recipientsData.keyCount = static_cast<PGPUInt32>(ids.size());
        re.data.recipientsData.keyIDArray = idArray.empty() ? nullptr : idArray.data();
        PGPError err = job_.event(re);
        takeAdded();
        if (err) {
            if (recipients) PGPFreeKeySet(recipients);
            return err;
        }

        rnp_ffi_t ffi = mainFfi();
        SecureBytes pass;
        bool conventional = candidates.empty() && symmetric;
        if (candidates.empty() && !symmetric) {
            if (recipients) PGPFreeKeySet(recipients);
            return job_.error(kErrNoDecryptionKey);
        }
        if (!conventional) {
            // Unlock one of our keys, asking again as long as the answers are wrong.
            rnp_key_handle_t unlocked = nullptr;
            for (auto* c : candidates) {
                RnpKey h(keyHandle(c));
                bool prot = false;
                rnp_key_is_protected(h.h, &prot);
                if (!prot) {
                    ffi = c->key->db->ffi;
                    unlocked = h.h;
                    h.h = nullptr;
                    unlocked_.push_back({c, unlocked});
                    break;
                }
            }
            for (int tries = 0; !unlocked && tries < kMaxPassphraseRequests; ++tries) {
                err = nextPassphrase(false, recipients, pass);
                if (err) break;
                for (auto* c : candidates) {
                    if (rnp_key_handle_t h = unlockForDecoding(c, pass)) {
                        unlocked = h;
                        unlocked_.push_back({c, h});
                        ffi = c->key->db->ffi;
                        break;
                    }
                }
            }
            if (recipients) PGPFreeKeySet(recipients);
            if (err) return err;
            if (!unlocked) return job_.error(kErrBadPassphrase);
            if (hidden) {
                RnpString id;
                rnp_key_get_keyid(unlocked, &id.s);
                std::string bin;
                if (armoured && !dearmor(data, bin)) return job_.error(kErrArmorIncomplete);
                return execute(ffi, withRecipient(armoured ? std::string_view(bin) : data, upper(id.str())), nullptr);
            }
            return executeAny(ffi, data, armoured, nullptr);
        }
        if (recipients) PGPFreeKeySet(recipients);
        for (int tries = 0; tries < kMaxPassphraseRequests; ++tries) {
            err = nextPassphrase(true, nullptr, pass);
            if (err) return err;
            err = executeAny(ffi, data, armoured, &pass);
            if (err != kErrBadPassphrase) return err;
        }
        return job_.error(kErrBadPassphrase);
    }

    // RNP over the armoured message; when it fails for another reason than
    // the passphrase, the armour is decoded apart and the binary tried, so
    // that the error is the one the binary gives (or the armour's own).
    PGPError executeAny(rnp_ffi_t ffi, std::string_view data, bool armoured, const SecureBytes* pass) {
        if (!armoured) return execute(ffi, data, pass);
        const PGPError err = execute(ffi, data, pass, true);
        if (err != kTryBinary) return err;
        std::string bin;
        if (!dearmor(data, bin)) return job_.error(kErrArmorIncomplete);
        return execute(ffi, bin, pass);
    }

    // The next passphrase to try: one given with the job's options first,
    // then the handler's answer to a passphrase event.
    PGPError nextPassphrase(bool conventional, PGPKeySetRef keys, SecureBytes& pass) {
        if (!pending_.empty()) {
            pass = pending_.front();
            pending_.erase(pending_.begin());
            return kPGPError_NoErr;
        }
        for (int asked = 0; asked < kMaxPassphraseRequests; ++asked) {
            PGPEvent e{};
            e.type = kPGPEvent_PassphraseEvent;
            e.data.passphraseData.fConventional = conventional;
            e.data.passphraseData.keyset = keys;
            PGPError err = job_.event(e);
            takeAdded();
            if (err) return err;
            if (!pending_.empty()) {
                pass = pending_.front();
                pending_.erase(pending_.begin());
                return kPGPError_NoErr;
            }
        }
        return kPGPError_NeedPassphrase;
    }

    // Runs RNP over one message; a null pass means the key is unlocked.
    // With quiet, a failure other than the passphrase is only told back
    // (kTryBinary), with no error event.
    PGPError execute(rnp_ffi_t ffi, std::string_view data, const SecureBytes* pass, bool quiet = false) {
        PassProvider pp{pass};
        rnp_ffi_set_pass_provider(ffi, passProvider, &pp);
        RnpInput in(data.data(), data.size());
        // The plain text goes into one block that grows in place, about the
        // message's size to begin with; it reaches the job without a copy.
        OutputBlock out(contextMgr(job_.context), data.size() + (1u << 20));
        rnp_op_verify_t op = nullptr;
        rnp_result_t r = out.out ? rnp_op_verify_create(&op, ffi, in.in, out.out) : RNP_ERROR_OUT_OF_MEMORY;
        if (r == RNP_SUCCESS) r = rnp_op_verify_execute(op);
        rnp_ffi_set_pass_provider(ffi, nullptr, nullptr);
        PGPError err = kPGPError_NoErr;
        if (r != RNP_SUCCESS && r != RNP_ERROR_SIGNATURE_INVALID && r != RNP_ERROR_KEY_NOT_FOUND &&
            r != RNP_ERROR_SIGNATURE_EXPIRED) {
            if (op) rnp_op_verify_destroy(op);
            if (pass && (r == RNP_ERROR_BAD_PASSWORD || r == RNP_ERROR_DECRYPT_FAILED || r == RNP_ERROR_NO_SUITABLE_KEY))
                return kErrBadPassphrase;
            if (quiet) return kTryBinary;
            return job_.error(mapRnp(r, kErrCantDecrypt));
        }
        const std::string_view plain = out.finish();
        char* fname = nullptr;
        uint32_t mtime = 0;
        std::string name;
        if (rnp_op_verify_get_file_info(op, &fname, &mtime) == RNP_SUCCESS && fname) {
            name = fname;
            rnp_buffer_destroy(fname);
        }
        bool fyeo = name == "_CONSOLE";
        if (fyeo) name.clear();
        if (recursive_ && plain.find("-----BEGIN PGP ") != std::string::npos)
            err = nested(plain);
        else
            err = output(plain, name, fyeo, &out);
        if (!err) err = signatures(op);
        rnp_op_verify_destroy(op);
        return err;
    }

    // Decoded data that holds PGP data itself is decoded again, in place.
    PGPError nested(std::string_view plain) {
        if (++depth_ > 8) return kErrCantDecrypt;
        PGPError err = kPGPError_NoErr;
        for (const auto& s : lexSections(plain)) {
            err = section(s, plain.substr(s.start, s.end - s.start));
            if (err == kPGPError_SkipSection) err = kPGPError_NoErr;
            if (err) break;
        }
        --depth_;
        return err;
    }

    // ---- signatures ----------------------------------------------------------

    // RNP calls a signature by a revoked key invalid. PGP reports it as a good
    // signature by a revoked key, so such a signature is checked again
    // against the signer's key without its revocation.
    bool verifiesWithoutRevocation(PGPKeyDBObj* signer, size_t index) {
        if (recheck_.data() == nullptr) return false;
        rnp_ffi_t ffi = newFfi();
        if (!ffi) return false;
        bool ok = false;
        std::string pub = exportKey(signer->key, false, false);
        RnpInput kin(pub.data(), pub.size());
        if (rnp_import_keys(ffi, kin.in, RNP_LOAD_SAVE_PUBLIC_KEYS, nullptr) == RNP_SUCCESS) {
            rnp_key_handle_t k = nullptr;
            if (rnp_locate_key(ffi, "fingerprint", signer->key->self.fpr.c_str(), &k) == RNP_SUCCESS && k) {
                rnp_signature_handle_t rev = nullptr;
                while (rnp_key_get_revocation_signature(k, &rev) == RNP_SUCCESS && rev) {
                    bool removed = rnp_signature_remove(k, rev) == RNP_SUCCESS;
                    rnp_signature_handle_destroy(rev);
                    rev = nullptr;
                    if (!removed) break;
                }
                rnp_key_handle_destroy(k);
                RnpInput din(recheck_.data(), recheck_.size());
                RnpOutput out;
                rnp_op_verify_t op = nullptr;
                rnp_result_t r;
                if (recheckSig_.data() != nullptr) {
                    RnpInput sin(recheckSig_.data(), recheckSig_.size());
                    r = rnp_op_verify_detached_create(&op, ffi, din.in, sin.in);
                    if (r == RNP_SUCCESS) rnp_op_verify_execute(op);
                } else {
                    r = rnp_op_verify_create(&op, ffi, din.in, out.out);
                    if (r == RNP_SUCCESS) rnp_op_verify_execute(op);
                }
                rnp_op_verify_signature_t sig = nullptr;
                if (op && rnp_op_verify_get_signature_at(op, index, &sig) == RNP_SUCCESS)
                    ok = rnp_op_verify_signature_get_status(sig) == RNP_SUCCESS;
                if (op) rnp_op_verify_destroy(op);
            }
        }
        rnp_ffi_destroy(ffi);
        return ok;
    }

    PGPError signatures(rnp_op_verify_t op) {
        size_t n = 0;
        rnp_op_verify_get_signature_count(op, &n);
        for (size_t i = 0; i < n; ++i) {
            rnp_op_verify_signature_t sig = nullptr;
            if (rnp_op_verify_get_signature_at(op, i, &sig) != RNP_SUCCESS) continue;
            rnp_result_t status = rnp_op_verify_signature_get_status(sig);
            uint32_t created = 0, expires = 0;
            rnp_op_verify_signature_get_times(sig, &created, &expires);
            std::string keyid;
            rnp_signature_handle_t sh = nullptr;
            if (rnp_op_verify_signature_get_handle(sig, &sh) == RNP_SUCCESS && sh) {
                RnpString id;
                rnp_signature_get_keyid(sh, &id.s);
                keyid = upper(id.str());
                rnp_signature_handle_destroy(sh);
            }
            PGPEvent e{};
            e.type = kPGPEvent_SignatureEvent;
            auto& d = e.data.signatureData;
            makeKeyID(keyid, &d.signingKeyID);
            PGPKeyDBObj* signer = keyid.empty() ? nullptr : findObj(keyid);
            d.creationTime = created;
            if (signer && status != RNP_ERROR_KEY_NOT_FOUND) {
                d.signingKey = &signer->key->self;
                d.checked = 1;
                d.verified = status == RNP_SUCCESS;
                PGPBoolean v = 0;
                boolProperty(d.signingKey, kPGPKeyProperty_IsRevoked, &v);
                d.keyRevoked = v;
                if (v && !d.verified && status == RNP_ERROR_SIGNATURE_INVALID)
                    d.verified = verifiesWithoutRevocation(signer, i);
                boolProperty(d.signingKey, kPGPKeyProperty_IsDisabled, &v);
                d.keyDisabled = v;
                boolProperty(d.signingKey, kPGPKeyProperty_IsExpired, &v);
                d.keyExpired = v;
                d.keyValidity = keyValidity(signer->key);
                d.keyMeetsValidityThreshold = d.keyValidity >= 2;
            }
            PGPError err = job_.event(e);
            takeAdded();
            if (err) return err;
        }
        return kPGPError_NoErr;
    }

    PGPError verify(std::string_view data, bool passThroughText) {
        rnp_ffi_t ffi = mainFfi();
        RnpInput in(data.data(), data.size());
        RnpOutput out;
        rnp_op_verify_t op = nullptr;
        rnp_result_t r = rnp_op_verify_create(&op, ffi, in.in, out.out);
        if (r == RNP_SUCCESS) r = rnp_op_verify_execute(op);
        if (r != RNP_SUCCESS && r != RNP_ERROR_SIGNATURE_INVALID && r != RNP_ERROR_KEY_NOT_FOUND &&
            r != RNP_ERROR_SIGNATURE_EXPIRED) {
            if (op) rnp_op_verify_destroy(op);
            return job_.error(mapRnp(r, kErrBadSignature));
        }
        const std::string_view plain = passThroughText ? data : out.view();
        recheck_ = data;
        recheckSig_ = std::string_view();
        char* fname = nullptr;
        uint32_t mtime = 0;
        std::string name;
        if (rnp_op_verify_get_file_info(op, &fname, &mtime) == RNP_SUCCESS && fname) {
            name = fname;
            rnp_buffer_destroy(fname);
        }
        bool fyeo = name == "_CONSOLE";
        if (fyeo) name.clear();
        PGPError err = output(plain, name, fyeo);
        if (!err) err = signatures(op);
        recheck_ = std::string_view();
        rnp_op_verify_destroy(op);
        return err;
    }

    PGPError verifyDetached(const std::string& sigBin) {
        if (!hasDetached_) {
            PGPEvent e{};
            e.type = kPGPEvent_DetachedSignatureEvent;
            PGPError err = job_.event(e);
            takeAdded();
            if (err) return err;
        }
        if (!hasDetached_) return job_.error(kPGPError_DetachedSignatureWithoutData);
        std::string data;
        PGPError err = readInput(detached_, data, nullptr);
        if (err) return job_.error(err);
        return verifyDetachedOver(data, sigBin);
    }

    PGPError verifyDetachedOver(std::string_view data, std::string_view sigBin) {
        PGPError err = kPGPError_NoErr;
        rnp_ffi_t ffi = mainFfi();
        RnpInput din(data.data(), data.size());
        RnpInput sin(sigBin.data(), sigBin.size());
        rnp_op_verify_t op = nullptr;
        rnp_result_t r = rnp_op_verify_detached_create(&op, ffi, din.in, sin.in);
        if (r == RNP_SUCCESS) r = rnp_op_verify_execute(op);
        if (r != RNP_SUCCESS && r != RNP_ERROR_SIGNATURE_INVALID && r != RNP_ERROR_KEY_NOT_FOUND &&
            r != RNP_ERROR_SIGNATURE_EXPIRED) {
            if (op) rnp_op_verify_destroy(op);
            return job_.error(mapRnp(r, kErrBadSignature));
        }
        recheck_ = data;
        recheckSig_ = sigBin;
        err = signatures(op);
        recheck_ = recheckSig_ = std::string_view();
        rnp_op_verify_destroy(op);
        return err;
    }

    // ---- keys ----------------------------------------------------------------

    PGPError keys(std::string_view text, const std::string& bin) {
        PGPError err = kPGPError_NoErr;
        if (keyEvents_) {
            PGPKeyDBRef found = nullptr;
            err = newKeyDB(job_.context, &found);
            if (err) return err;
            err = importInto(found, bin, true, nullptr);
            if (err) {
                PGPFreeKeyDB(found);
                return job_.error(err);
            }
            found->updated = false;
            PGPEvent e{};
            e.type = kPGPEvent_KeyFoundEvent;
            // The handler frees the database (7) or the set standing for it (6.5).
            e.data.keyFoundData.keySet = found->root;
            e.data.keyFoundData.keyDB = ORV_SDK_RELEASE == 65 ? nullptr : found;
            err = job_.event(e);
            takeAdded();
            if (err) return err;
        }
        if (passKeys_) err = output(text, std::string(), false);
        return err;
    }

    JobState& job_;
    std::vector<PGPKeyDBRef> dbs_;
    std::vector<SecureBytes> pending_;
    std::list<Sink> sinks_;
    Sink* sink_ = nullptr;
    std::vector<Option> detached_;
    bool hasDetached_ = false;
    bool discard_ = false, passUnrecognized_ = false, passClearSigned_ = false, passKeys_ = false;
    bool keyEvents_ = false, recursive_ = false;
    int section_ = 0, depth_ = 0;
    std::vector<std::pair<PGPKeyDBObj*, rnp_key_handle_t>> unlocked_;
    rnp_ffi_t emptyFfi_ = nullptr;
    std::string_view recheck_;     // signed data of the signatures being reported
    std::string_view recheckSig_;  // detached signature, if any
};

}  // namespace

extern "C" {

PGPError PGP_CALL PGPDecode(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        JobState job(context);
        PGPError err = startJob(job, firstOption, ap);
        va_end(ap);
        if (err) return err;
        std::string stored;
        std::string_view input;
        err = readInputView(job.options, stored, input);
        if (err) return err;
        err = job.simple(kPGPEvent_InitialEvent);
        if (!err) {
            Decoder dec(job);
            err = dec.run(input);
        }
        if (!err) job.simple(kPGPEvent_FinalEvent);
        return err;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPDecode);
