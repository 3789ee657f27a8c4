// The stand-in's half of the interop matrix with gpg and sq (driven by
// interop.sh): "Write" makes the stand-in's outputs for the peers to check,
// "Read" checks what the peers made. Files live in ORV_INTEROP_DIR.
#include "tests/standin/fixture.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string InteropDir() {
    const char* d = std::getenv("ORV_INTEROP_DIR");
    return d ? std::string(d) + "\\" : std::string();
}

const std::string kText = "Interop text\r\nFrom the stand-in\r\n- dashed\r\nend\r\n";

class Interop : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        io = InteropDir();
        if (io.empty()) GTEST_SKIP() << "run by interop.sh";
        db = OpenRings();
        ASSERT_NE(db, nullptr);
        alice = KeyByName(db, "alice");
        ASSERT_NE(alice, nullptr);
    }
    PGPOptionListRef Opts(std::initializer_list<PGPOptionListRef> opts) {
        PGPOptionListRef l = nullptr;
        S().PGPNewOptionList(ctx, &l);
        for (auto* o : opts) EXPECT_EQ(S().PGPAppendOptionList(l, o, Last()), 0);
        return l;
    }
    PGPOptionListRef SignAlice() { return S().PGPOSignWithKey(ctx, alice, S().PGPOPassphrase(ctx, "alice pass"), Last()); }
    PGPKeySetRef One(PGPKeyDBObjRef k) {
        PGPKeySetRef s = nullptr;
        S().PGPNewOneKeySet(k, &s);
        return s;
    }
    std::string io;
    PGPKeyDBRef db = nullptr;
    PGPKeyDBObjRef alice = nullptr;
};

TEST_F(Interop, WriteForPeers) {
    std::string out;
    for (const char* peer : {"bob", "carol"}) {
        PGPKeyDBObjRef p = KeyByName(db, peer);
        ASSERT_NE(p, nullptr);
        PGPKeySetRef to = One(p);
        for (bool armor : {true, false}) {
            std::string suffix = armor ? ".asc" : ".pgp";
            ASSERT_EQ(Encode(ctx, kText, out, Opts({S().PGPOEncryptToKeySet(ctx, to), S().PGPOArmorOutput(ctx, armor)})), 0);
            WriteAll(io + "sdk_enc_" + peer + suffix, out);
            ASSERT_EQ(Encode(ctx, kText, out,
                             Opts({S().PGPOEncryptToKeySet(ctx, to), SignAlice(), S().PGPOArmorOutput(ctx, armor),
                                   S().PGPOCompression(ctx, 1)})),
                      0);
            WriteAll(io + "sdk_encsign_" + peer + suffix, out);
        }
        S().PGPFreeKeySet(to);
    }
    ASSERT_EQ(Encode(ctx, kText, out, Opts({SignAlice(), S().PGPOArmorOutput(ctx, 1)})), 0);
    WriteAll(io + "sdk_sign.asc", out);
    ASSERT_EQ(Encode(ctx, kText, out, Opts({SignAlice(), S().PGPOClearSign(ctx, 1), S().PGPOHashAlgorithm(ctx, 8)})), 0);
    WriteAll(io + "sdk_clear.asc", out);
    // SHA-1, as the encoding job asks for DSA keys; sq's policy refuses SHA-1, gpg reads it.
    ASSERT_EQ(Encode(ctx, kText, out, Opts({SignAlice(), S().PGPOClearSign(ctx, 1), S().PGPOHashAlgorithm(ctx, 2)})), 0);
    WriteAll(io + "sdk_clear_sha1.asc", out);
    // Signatures by a DSA key of the stand-in's user (carol's secret key in a second database).
    PGPKeyDBRef carolDB = ImportFile("carol_sec.asc");
    PGPKeyDBObjRef carol = KeyByName(carolDB, "carol");
    ASSERT_NE(carol, nullptr);
    ASSERT_EQ(Encode(ctx, kText, out, Opts({S().PGPOSignWithKey(ctx, carol, Last()), S().PGPOArmorOutput(ctx, 1)})), 0);
    WriteAll(io + "sdk_sign_dsa.asc", out);
    ASSERT_EQ(Encode(ctx, kText, out, Opts({S().PGPOSignWithKey(ctx, carol, Last()), S().PGPOClearSign(ctx, 1)})), 0);
    WriteAll(io + "sdk_clear_dsa.asc", out);
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts({S().PGPOSignWithKey(ctx, carol, Last()), S().PGPODetachedSig(ctx, Last()),
                           S().PGPOHashAlgorithm(ctx, 2)})),
              0);
    WriteAll(io + "sdk_data.txt.dsa.sig", out);
    WriteAll(io + "sdk_data.txt", kText);
    ASSERT_EQ(Encode(ctx, kText, out, Opts({SignAlice(), S().PGPODetachedSig(ctx, Last()), S().PGPOArmorOutput(ctx, 1)})), 0);
    WriteAll(io + "sdk_data.txt.asc", out);
    // Preferred algorithms: the first one that the recipient's key accepts.
    {
        PGPKeySetRef bobSet = One(KeyByName(db, "bob"));
        const PGPCipherAlgorithm castFirst[] = {3, 8, 9};
        ASSERT_EQ(Encode(ctx, kText, out,
                         Opts({S().PGPOEncryptToKeySet(ctx, bobSet), S().PGPOPreferredAlgorithms(ctx, castFirst, 3)})),
                  0);
        WriteAll(io + "sdk_pref_bob.pgp", out);
        ASSERT_EQ(Encode(ctx, kText, out,
                         Opts({S().PGPOEncryptToKeySet(ctx, bobSet), S().PGPOCipherAlgorithm(ctx, 3)})),
                  0);
        WriteAll(io + "sdk_cast5_bob.pgp", out);
        S().PGPFreeKeySet(bobSet);
    }
    // PGP/MIME entities, checked part by part as RFC 3156 prescribes.
    std::string entity = "Content-Type: text/plain; charset=us-ascii\r\n\r\nMIME body line\r\n";
    PGPSize offset = 0;
    char sep[kPGPMIMESeparatorSize];
    PGPKeySetRef to = One(KeyByName(db, "bob"));
    ASSERT_EQ(Encode(ctx, entity, out,
                     Opts({S().PGPOEncryptToKeySet(ctx, to), SignAlice(), S().PGPODataIsASCII(ctx, 1),
                           S().PGPOPGPMIMEEncoding(ctx, 1, &offset, sep)})),
              0);
    S().PGPFreeKeySet(to);
    WriteAll(io + "sdk_mime_enc.eml", out);
    ASSERT_EQ(Encode(ctx, entity, out,
                     Opts({SignAlice(), S().PGPODataIsASCII(ctx, 1), S().PGPOPGPMIMEEncoding(ctx, 1, &offset, sep)})),
              0);
    WriteAll(io + "sdk_mime_signed.eml", out);
    WriteAll(io + "mime_entity.txt", entity);
    // The user's public key as exported by the stand-in.
    void* buf = nullptr;
    PGPSize len = 0;
    PGPKeySetRef me = One(alice);
    ASSERT_EQ(S().PGPExport(ctx, S().PGPOExportKeySet(ctx, me), S().PGPOAllocatedOutputBuffer(ctx, &buf, 0xFFFFFFFFu, &len),
                            Last()),
              0);
    S().PGPFreeKeySet(me);
    WriteAll(io + "sdk_alice_export.asc", std::string(static_cast<char*>(buf), len));
    S().PGPFreeData(buf);
}

// Certifications for gpg to check: alice (RSA) certifies carol's user ID,
// then revokes it; carol (DSA, a key of another database) certifies bob's.
TEST_F(Interop, CertifyForPeers) {
    auto firstUserID = [&](PGPKeyDBObjRef key) {
        PGPKeySetRef one = One(key);
        PGPKeyIterRef it = nullptr;
        PGPKeyDBObjRef k = nullptr, uid = nullptr;
        S().PGPNewKeyIterFromKeySet(one, &it);
        S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &k);
        S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_UserID, &uid);
        S().PGPFreeKeyIter(it);
        S().PGPFreeKeySet(one);
        return uid;
    };
    auto exportTo = [&](PGPKeyDBObjRef key, const std::string& name) {
        void* buf = nullptr;
        PGPSize len = 0;
        PGPKeySetRef one = One(key);
        ASSERT_EQ(S().PGPExport(ctx, S().PGPOExportKeySet(ctx, one),
                                S().PGPOAllocatedOutputBuffer(ctx, &buf, 0xFFFFFFFFu, &len), Last()),
                  0);
        S().PGPFreeKeySet(one);
        WriteAll(io + name, std::string(static_cast<char*>(buf), len));
        S().PGPFreeData(buf);
    };
    PGPKeyDBObjRef carol = KeyByName(db, "carol");
    ASSERT_NE(carol, nullptr);
    ASSERT_EQ(S().PGPCertifyUserID(firstUserID(carol), alice, S().PGPOPassphrase(ctx, "alice pass"),
                                   S().PGPOExportable(ctx, 1), S().PGPOSigTrust(ctx, 1, 120), Last()),
              0);
    exportTo(carol, "sdk_carol_certified.asc");
    PGPKeyIterRef it = nullptr;
    PGPKeySetRef one = One(carol);
    S().PGPNewKeyIterFromKeySet(one, &it);
    PGPKeyDBObjRef obj = nullptr, mine = nullptr;
    S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &obj);
    S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_UserID, &obj);
    while (S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Signature, &obj) == 0) {
        PGPKeyDBObjRef c = nullptr;
        if (S().PGPGetSigCertifierKey(obj, &c) == 0 && c == alice) mine = obj;
    }
    S().PGPFreeKeyIter(it);
    S().PGPFreeKeySet(one);
    ASSERT_NE(mine, nullptr);
    ASSERT_EQ(S().PGPRevokeSig(mine, S().PGPOPassphrase(ctx, "alice pass"), Last()), 0);
    exportTo(carol, "sdk_carol_revoked.asc");

    PGPKeyDBRef carolDB = ImportFile("carol_sec.asc");
    ASSERT_NE(carolDB, nullptr);
    PGPKeyDBObjRef carolSecret = KeyByName(carolDB, "carol"), bob = KeyByName(db, "bob");
    ASSERT_TRUE(carolSecret && bob);
    ASSERT_EQ(S().PGPCertifyUserID(firstUserID(bob), carolSecret, S().PGPOPassphrase(ctx, ""),
                                   S().PGPOExportable(ctx, 1), Last()),
              0);
    exportTo(bob, "sdk_bob_by_carol.asc");
}

// What a peer wrote: file, expected plain text ("" = signature only), the
// signer's name or "" for an unknown signer, and whether it must verify.
struct PeerCase {
    const char* file;
    bool encrypted;
    const char* signer;  // "bob", "carol", "dave" (not on the user's rings)
    bool good;
    bool detached;
};

TEST_F(Interop, ReadFromPeers) {
    std::string plain = ReadAll(io + "peer_plain.txt");
    ASSERT_FALSE(plain.empty());
    const PeerCase cases[] = {
        {"gpg_encsign_bob.asc", true, "bob", true, false},
        {"gpg_encsign_carol.asc", true, "carol", true, false},
        {"gpg_encsign_carol.pgp", true, "carol", true, false},
        {"gpg_clear_bob.asc", false, "bob", true, false},
        {"gpg_clear_carol.asc", false, "carol", true, false},
        {"gpg_sign_carol.asc", false, "carol", true, false},
        {"gpg_detached_bob.asc", false, "bob", true, true},
        {"gpg_detached_carol.sig", false, "carol", true, true},
        {"gpg_clear_bob_tampered.asc", false, "bob", false, false},
        {"gpg_detached_carol_tampered.asc", false, "carol", false, true},
        {"gpg_sign_dave.asc", false, "dave", false, false},
        {"gpg_hidden_bob.asc", true, "bob", true, false},
        {"sq_encsign_bob.asc", true, "bob", true, false},
        {"sq_encsign_carol.asc", true, "carol", true, false},
        {"sq_clear_bob.asc", false, "bob", true, false},
        {"sq_sign_carol.pgp", false, "carol", true, false},
        {"sq_detached_bob.asc", false, "bob", true, true},
        {"sq_detached_carol.asc", false, "carol", true, true},
        {"sq_clear_carol_tampered.asc", false, "carol", false, false},
        {"sq_sign_dave.asc", false, "dave", false, false},
    };
    PGPKeyDBRef daveDB = ImportFile("dave_pub.asc");
    std::string daveID = KeyIDText(KeyByName(daveDB, "dave"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string data = ReadAll(io + c.file);
        ASSERT_FALSE(data.empty());
        PGPOptionListRef extra = nullptr;
        if (c.detached) {
            PGPFileSpecRef spec = nullptr;
            std::string target = io + (std::string(c.file).find("tampered") != std::string::npos ? "peer_plain_tampered.txt"
                                                                                                   : "peer_plain.txt");
            S().PGPNewFileSpecFromFullPath(ctx, target.c_str(), &spec);
            S().PGPBuildOptionList(ctx, &extra, S().PGPODetachedSig(ctx, S().PGPOInputFile(ctx, spec), Last()), Last());
            S().PGPFreeFileSpec(spec);
        }
        DecodeRun r = Decode(ctx, db, data, {"alice pass"}, extra);
        if (extra) S().PGPFreeOptionList(extra);
        ASSERT_EQ(r.result, 0);
        ASSERT_EQ(r.log.sigs.size(), 1u);
        const auto& sig = r.log.sigs[0];
        if (std::string(c.signer) == "dave") {
            EXPECT_FALSE(sig.known);
            EXPECT_EQ(sig.keyID, daveID);
            continue;
        }
        EXPECT_TRUE(sig.known);
        EXPECT_EQ(sig.keyID, KeyIDText(KeyByName(db, c.signer)));
        EXPECT_TRUE(sig.checked);
        EXPECT_EQ(sig.verified, c.good);
        if (c.detached) continue;
        // Clear-signed text comes back with its line ends as signed.
        std::string got = r.output;
        if (c.good) EXPECT_TRUE(got == plain || got + "\r\n" == plain || got == plain + "\r\n") << got;
        if (c.encrypted) EXPECT_NE(std::find(r.log.events.begin(), r.log.events.end(), "passphrase"), r.log.events.end());
    }
}

}  // namespace
