// Encoding and decoding jobs of the stand-in, round trip through RNP, with
// the events the decoding job relies on, and hostile input.
#include "tests/standin/fixture.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string kText = "Dear Bob,\r\nFrom here the plan goes on.\r\n- a dashed line\r\nBye\r\n";

class JobsTest : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        db = OpenRings();
        ASSERT_NE(db, nullptr);
        alice = KeyByName(db, "alice");
        bob = KeyByName(db, "bob");
        carol = KeyByName(db, "carol");
        ASSERT_TRUE(alice && bob && carol);
    }
    PGPOptionListRef Opts(PGPOptionListRef a, PGPOptionListRef b = nullptr, PGPOptionListRef c = nullptr,
                          PGPOptionListRef d = nullptr, PGPOptionListRef e = nullptr) {
        PGPOptionListRef l = nullptr;
        EXPECT_EQ(S().PGPNewOptionList(ctx, &l), 0);
        for (PGPOptionListRef o : {a, b, c, d, e})
            if (o) {
                EXPECT_EQ(S().PGPAppendOptionList(l, o, Last()), 0);
            }
        return l;
    }
    PGPOptionListRef SignAlice() {
        return S().PGPOSignWithKey(ctx, alice, S().PGPOPassphrase(ctx, "alice pass"), Last());
    }
    PGPKeySetRef Set(std::initializer_list<PGPKeyDBObjRef> keys) {
        PGPKeySetRef s = nullptr;
        EXPECT_EQ(S().PGPNewEmptyKeySet(db, &s), 0);
        for (auto* k : keys) {
            PGPKeySetRef one = nullptr;
            S().PGPNewOneKeySet(k, &one);
            S().PGPAddKeys(one, s);
            S().PGPFreeKeySet(one);
        }
        return s;
    }
    std::string EncryptSigned(const std::string& text, bool armor = true) {
        PGPKeySetRef to = Set({alice, bob});
        std::string out;
        EXPECT_EQ(Encode(ctx, text, out,
                         Opts(S().PGPOEncryptToKeySet(ctx, to), SignAlice(), S().PGPOArmorOutput(ctx, armor))),
                  0);
        S().PGPFreeKeySet(to);
        return out;
    }
    PGPKeyDBRef db = nullptr;
    PGPKeyDBObjRef alice = nullptr, bob = nullptr, carol = nullptr;
};

TEST_F(JobsTest, EncryptAndSignRoundTripWithEvents) {
    std::string msg = EncryptSigned(kText);
    ASSERT_EQ(msg.rfind("-----BEGIN PGP MESSAGE-----\r\n", 0), 0u) << msg.substr(0, 80);
    EXPECT_EQ(msg.find("plan goes on"), std::string::npos);
    DecodeRun r = Decode(ctx, db, msg, {"alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
    EXPECT_EQ(r.log.events, (std::vector<std::string>{"begin 0", "analyze 0", "recipients", "passphrase", "output",
                                                      "sig", "end 0"}));
    ASSERT_EQ(r.log.recipientCounts.size(), 1u);
    EXPECT_EQ(r.log.recipientCounts[0], 2u);
    ASSERT_EQ(r.log.sigs.size(), 1u);
    EXPECT_TRUE(r.log.sigs[0].known);
    EXPECT_TRUE(r.log.sigs[0].checked);
    EXPECT_TRUE(r.log.sigs[0].verified);
    EXPECT_EQ(r.log.sigs[0].validity, 3);
    EXPECT_EQ(r.log.sigs[0].keyID, KeyIDText(alice));
    EXPECT_NEAR(static_cast<double>(r.log.sigs[0].created), static_cast<double>(S().PGPGetTime()), 120.0);
}

TEST_F(JobsTest, WrongPassphraseIsAskedAgainForTheSameSection) {
    std::string msg = EncryptSigned(kText, false);  // binary this time
    DecodeRun r = Decode(ctx, db, msg, {"wrong", "also wrong", "alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
    EXPECT_EQ(r.log.passphraseSections, (std::vector<int>{0, 0, 0}));
    // Cancelling the passphrase dialog ends the job with the dialog's error.
    r = Decode(ctx, db, msg, {"wrong"});
    EXPECT_EQ(r.result, kPGPError_UserAbort);
    EXPECT_TRUE(r.output.empty());
}

// A key stays unlocked between decoding jobs on open rings; every passphrase
// is still checked: a wrong one by the next decoding, by the passphrase test,
// by signing, and the old one after a passphrase change.
TEST_F(JobsTest, KeyKeptUnlockedBetweenJobsStillChecksEveryPassphrase) {
    const std::string msg = EncryptSigned(kText);
    for (int i = 0; i < 3; ++i) {
        DecodeRun r = Decode(ctx, db, msg, {"alice pass"});
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(r.output, kText);
        EXPECT_EQ(r.log.passphraseSections, (std::vector<int>{0}));  // asked every job, as before
    }
    DecodeRun r = Decode(ctx, db, msg, {"wrong", "alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.log.passphraseSections, (std::vector<int>{0, 0}));
    r = Decode(ctx, db, msg, {"alice pass"});
    ASSERT_EQ(r.result, 0);
    r = Decode(ctx, db, msg, {"wrong"});
    EXPECT_EQ(r.result, kPGPError_UserAbort);
    EXPECT_TRUE(r.output.empty());

    // The decryption subkey is the key kept unlocked.
    PGPKeyDBObjRef subkey = nullptr;
    {
        PGPKeySetRef one = nullptr;
        PGPKeyListRef list = nullptr;
        PGPKeyIterRef it = nullptr;
        PGPKeyDBObjRef key = nullptr;
        ASSERT_EQ(S().PGPNewOneKeySet(alice, &one), 0);
        ASSERT_EQ(S().PGPOrderKeySet(one, kPGPKeyOrdering_UserID, 0, &list), 0);
        ASSERT_EQ(S().PGPNewKeyIter(list, &it), 0);
        ASSERT_EQ(S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &key), 0);
        ASSERT_EQ(S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_SubKey, &subkey), 0);
        S().PGPFreeKeyIter(it);
        S().PGPFreeKeyList(list);
        S().PGPFreeKeySet(one);
    }
    ASSERT_EQ(Decode(ctx, db, msg, {"alice pass"}).result, 0);
    EXPECT_FALSE(S().PGPPassphraseIsValid(subkey, S().PGPOPassphrase(ctx, "alice pas"), Last()));
    EXPECT_TRUE(S().PGPPassphraseIsValid(subkey, S().PGPOPassphrase(ctx, "alice pass"), Last()));
    r = Decode(ctx, db, msg, {"wrong", "alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.log.passphraseSections, (std::vector<int>{0, 0}));
    ASSERT_EQ(Decode(ctx, db, msg, {"alice pass"}).result, 0);
    std::string out;
    EXPECT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOSignWithKey(ctx, alice, S().PGPOPassphrase(ctx, "bad"), Last()),
                          S().PGPOArmorOutput(ctx, 1))),
              -11500);

    ASSERT_EQ(Decode(ctx, db, msg, {"alice pass"}).result, 0);
    ASSERT_EQ(S().PGPChangePassphrase(alice, S().PGPOPassphrase(ctx, "alice pass"), S().PGPOPassphrase(ctx, "new pass"),
                                      Last()),
              0);
    r = Decode(ctx, db, msg, {"alice pass"});
    EXPECT_EQ(r.result, kPGPError_UserAbort);
    r = Decode(ctx, db, msg, {"new pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
}

TEST_F(JobsTest, SeveralArmouredBlocksDecodeSectionBySection) {
    std::string m1 = EncryptSigned("first secret\r\n");
    std::string m2 = EncryptSigned("second secret\r\n");
    // Armour lines quoted inside a line are text; only whole lines count.
    std::string text = "Intro line, quoting -----BEGIN PGP MESSAGE-----\r\n" + m1 +
                       "between -----END PGP MESSAGE-----\r\n" + m2 + "outro\r\n";
    PGPOptionListRef pass = nullptr;
    S().PGPBuildOptionList(ctx, &pass, S().PGPOPassThroughIfUnrecognized(ctx, 1), Last());
    DecodeRun r = Decode(ctx, db, text, {"alice pass", "alice pass"}, pass);
    S().PGPFreeOptionList(pass);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "Intro line, quoting -----BEGIN PGP MESSAGE-----\r\nfirst secret\r\n"
                        "between -----END PGP MESSAGE-----\r\nsecond secret\r\noutro\r\n");
    std::vector<std::string> want = {"begin 0", "analyze 4", "output", "end 0",
                                     "begin 1", "analyze 0", "recipients", "passphrase", "output", "sig", "end 1",
                                     "begin 2", "analyze 4", "output", "end 2",
                                     "begin 3", "analyze 0", "recipients", "passphrase", "output", "sig", "end 3",
                                     "begin 4", "analyze 4", "output", "end 4"};
    EXPECT_EQ(r.log.events, want);
    EXPECT_EQ(r.log.passphraseSections, (std::vector<int>{1, 3}));
    // Without pass-through the text around the blocks is dropped.
    r = Decode(ctx, db, text, {"alice pass", "alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "first secret\r\nsecond secret\r\n");
}

TEST_F(JobsTest, ConventionalEncryptionWithCipherNumber) {
    std::string out;
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOConventionalEncrypt(ctx, S().PGPOPassphrase(ctx, "sym pass"), Last()),
                          S().PGPOCipherAlgorithm(ctx, 3), S().PGPOArmorOutput(ctx, 1))),
              0);
    DecodeRun r = Decode(ctx, nullptr, out, {"nope", "sym pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
    EXPECT_EQ(std::count(r.log.events.begin(), r.log.events.end(), "conventional"), 2);
    // The passphrase cache hands the passphrase in with the job's options.
    PGPOptionListRef given = nullptr;
    S().PGPBuildOptionList(ctx, &given, S().PGPOPassphraseBuffer(ctx, "sym pass", 8), Last());
    r = Decode(ctx, nullptr, out, {}, given);
    S().PGPFreeOptionList(given);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
    EXPECT_EQ(std::count(r.log.events.begin(), r.log.events.end(), "conventional"), 0);
}

// The passphrase cache's use: a binary 32-byte pass key (zero bytes
// included), fixed 512- and 256-byte buffers, no event handler.
TEST_F(JobsTest, PassKeyCacheRoundTripWithFixedBuffers) {
    unsigned char key[32];
    for (int i = 0; i < 32; ++i) key[i] = static_cast<unsigned char>(i * 37);  // key[0] is 0
    unsigned char other[32];
    std::memcpy(other, key, 32);
    other[31] ^= 1;  // differs only after the first zero byte
    const char* pass = "cached secret";
    char blob[512];
    PGPSize blobLen = 0;
    ASSERT_EQ(S().PGPEncode(ctx, S().PGPOCompression(ctx, 1), S().PGPOCipherAlgorithm(ctx, 1),
                            S().PGPOInputBuffer(ctx, pass, std::strlen(pass)),
                            S().PGPOOutputBuffer(ctx, blob, sizeof blob, &blobLen),
                            S().PGPOConventionalEncrypt(ctx, S().PGPOPassphraseBuffer(ctx, key, 32), Last()), Last()),
              0);
    ASSERT_GT(blobLen, 0u);
    char* out = static_cast<char*>(S().PGPNewSecureData(S().PGPGetDefaultMemoryMgr(), 256, 0));
    PGPSize outLen = 0;
    ASSERT_EQ(S().PGPDecode(ctx, S().PGPOInputBuffer(ctx, blob, blobLen), S().PGPOOutputBuffer(ctx, out, 256, &outLen),
                            S().PGPOPassphraseBuffer(ctx, key, 32), Last()),
              0);
    EXPECT_EQ(std::string(out, outLen), pass);
    // Without a handler to ask, a wrong pass key ends the job.
    outLen = 0;
    EXPECT_NE(S().PGPDecode(ctx, S().PGPOInputBuffer(ctx, blob, blobLen), S().PGPOOutputBuffer(ctx, out, 256, &outLen),
                            S().PGPOPassphraseBuffer(ctx, other, 32), Last()),
              0);
    EXPECT_EQ(outLen, 0u);
    S().PGPFreeData(out);
}

TEST_F(JobsTest, ClearSignedGoodAndTampered) {
    std::string out;
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(SignAlice(), S().PGPOClearSign(ctx, 1), S().PGPODataIsASCII(ctx, 1),
                          S().PGPOHashAlgorithm(ctx, 2), S().PGPOVersionString(ctx, "Orvane 1.0"))),
              0);
    ASSERT_EQ(out.rfind("-----BEGIN PGP SIGNED MESSAGE-----\r\nHash: SHA1\r\n", 0), 0u) << out;
    EXPECT_NE(out.find("- - a dashed line"), std::string::npos);  // dash escaping
    EXPECT_NE(out.find("-----BEGIN PGP SIGNATURE-----\r\nVersion: Orvane 1.0\r\n"), std::string::npos);
    DecodeRun r = Decode(ctx, db, out, {});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.log.events, (std::vector<std::string>{"begin 0", "analyze 1", "output", "sig", "end 0"}));
    ASSERT_EQ(r.log.sigs.size(), 1u);
    EXPECT_TRUE(r.log.sigs[0].verified);
    EXPECT_NE(r.output.find("plan goes on"), std::string::npos);
    std::string tampered = out;
    tampered.replace(tampered.find("plan goes on"), 12, "plan goes up");
    r = Decode(ctx, db, tampered, {});
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.log.sigs.size(), 1u);
    EXPECT_TRUE(r.log.sigs[0].checked);
    EXPECT_FALSE(r.log.sigs[0].verified);
    // Passing clear-signed text through keeps the whole signed block.
    PGPOptionListRef through = nullptr;
    S().PGPBuildOptionList(ctx, &through, S().PGPOPassThroughClearSigned(ctx, 1), Last());
    r = Decode(ctx, db, out, {}, through);
    S().PGPFreeOptionList(through);
    EXPECT_EQ(r.output, out);
    EXPECT_TRUE(r.log.sigs.at(0).verified);
}

TEST_F(JobsTest, DetachedSignatureAgainstDataFile) {
    std::string sig;
    ASSERT_EQ(Encode(ctx, kText, sig, Opts(SignAlice(), S().PGPODetachedSig(ctx, Last()), S().PGPOArmorOutput(ctx, 1))),
              0);
    ASSERT_EQ(sig.rfind("-----BEGIN PGP SIGNATURE-----", 0), 0u);
    WriteAll(Temp("data.txt"), kText);
    auto verify = [&]() {
        PGPFileSpecRef spec = nullptr;
        S().PGPNewFileSpecFromFullPath(ctx, Temp("data.txt").c_str(), &spec);
        PGPOptionListRef extra = nullptr;
        S().PGPBuildOptionList(ctx, &extra, S().PGPODetachedSig(ctx, S().PGPOInputFile(ctx, spec), Last()), Last());
        S().PGPFreeFileSpec(spec);
        DecodeRun r = Decode(ctx, db, sig, {}, extra);
        S().PGPFreeOptionList(extra);
        return r;
    };
    DecodeRun r = verify();
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.log.events, (std::vector<std::string>{"begin 0", "analyze 2", "sig", "end 0"}));
    EXPECT_TRUE(r.log.sigs.at(0).verified);
    WriteAll(Temp("data.txt"), kText + "x");
    r = verify();
    EXPECT_FALSE(r.log.sigs.at(0).verified);
    // Without its data the signature cannot be checked.
    r = Decode(ctx, db, sig, {});
    EXPECT_EQ(r.result, kPGPError_DetachedSignatureWithoutData);
}

TEST_F(JobsTest, UnknownSignerAndSignOnly) {
    PGPKeyDBRef daveDB = ImportFile("dave_sec.asc");
    PGPKeyDBObjRef dave = KeyByName(daveDB, "dave");
    ASSERT_NE(dave, nullptr);
    std::string out;
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOSignWithKey(ctx, dave, Last()), S().PGPOArmorOutput(ctx, 1),
                          S().PGPOCompression(ctx, 1))),
              0);
    DecodeRun r = Decode(ctx, db, out, {});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
    ASSERT_EQ(r.log.sigs.size(), 1u);
    EXPECT_FALSE(r.log.sigs[0].known);
    EXPECT_FALSE(r.log.sigs[0].checked);
    EXPECT_EQ(r.log.sigs[0].keyID, KeyIDText(dave));
    // A signer from one database and a recipient from another work together.
    PGPKeySetRef to = Set({alice});
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOSignWithKey(ctx, dave, Last()), S().PGPOEncryptToKeySet(ctx, to))),
              0);
    S().PGPFreeKeySet(to);
    r = Decode(ctx, db, out, {"alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, kText);
}

TEST_F(JobsTest, GoodSignatureOfARevokedKeyIsGoodAndRevoked) {
    PGPKeyDBObjRef key = nullptr;
    const char* name = "Revoked Signer <rev@example.org>";
    ASSERT_EQ(S().PGPGenerateKey(ctx, &key, S().PGPOKeyDBRef(ctx, db), S().PGPOKeyGenParams(ctx, 1, 1024),
                                 S().PGPOKeyGenName(ctx, name, std::strlen(name)), S().PGPOPassphrase(ctx, "r"),
                                 Last()),
              0);
    std::string out;
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOSignWithKey(ctx, key, S().PGPOPassphrase(ctx, "r"), Last()), S().PGPOClearSign(ctx, 1))),
              0);
    ASSERT_EQ(S().PGPRevoke(key, S().PGPOPassphrase(ctx, "r"), Last()), 0);
    PGPBoolean revoked = 0;
    ASSERT_EQ(S().PGPGetKeyDBObjBooleanProperty(key, kPGPKeyProperty_IsRevoked, &revoked), 0);
    ASSERT_TRUE(revoked);
    DecodeRun r = Decode(ctx, db, out, {});
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.log.sigs.size(), 1u);
    EXPECT_TRUE(r.log.sigs[0].revoked);
    EXPECT_TRUE(r.log.sigs[0].checked);
    EXPECT_TRUE(r.log.sigs[0].verified);
    std::string tampered = out;
    tampered.replace(tampered.find("plan goes on"), 12, "plan goes up");
    r = Decode(ctx, db, tampered, {});
    EXPECT_TRUE(r.log.sigs.at(0).revoked);
    EXPECT_FALSE(r.log.sigs.at(0).verified);
    // A revoked key no longer signs.
    EXPECT_EQ(Encode(ctx, kText, out, Opts(S().PGPOSignWithKey(ctx, key, S().PGPOPassphrase(ctx, "r"), Last()))),
              -11497);
}

TEST_F(JobsTest, RecursiveDecodingOpensNestedMessages) {
    std::string inner = EncryptSigned("inner secret\r\n");
    PGPKeySetRef to = Set({alice});
    std::string outer;
    ASSERT_EQ(Encode(ctx, inner, outer, Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPOArmorOutput(ctx, 1))), 0);
    S().PGPFreeKeySet(to);
    PGPOptionListRef rec = nullptr;
    S().PGPBuildOptionList(ctx, &rec, S().PGPORecursivelyDecode(ctx, 1), Last());
    DecodeRun r = Decode(ctx, db, outer, {"alice pass", "alice pass"}, rec);
    S().PGPFreeOptionList(rec);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "inner secret\r\n");
    EXPECT_TRUE(r.log.sigs.at(0).verified);
    // Without recursion the inner message comes back as it is.
    r = Decode(ctx, db, outer, {"alice pass"});
    EXPECT_EQ(r.output, inner);
}

TEST_F(JobsTest, SigningNeedsTheRightPassphrase) {
    std::string out;
    EXPECT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOSignWithKey(ctx, alice, S().PGPOPassphrase(ctx, "bad"), Last()),
                          S().PGPOArmorOutput(ctx, 1))),
              -11500);
    EXPECT_TRUE(out.empty());
    // Bob's key on these rings has no secret part.
    EXPECT_EQ(Encode(ctx, kText, out, Opts(S().PGPOSignWithKey(ctx, bob, S().PGPOPassphrase(ctx, "x"), Last()))),
              -11402);
}

TEST_F(JobsTest, PGPMIMEEncryptedAndSigned) {
    PGPKeySetRef to = Set({alice, carol});
    std::string entity = "Content-Type: text/plain; charset=us-ascii\r\n\r\nHello MIME\r\n";
    PGPSize offset = 0;
    char sep[kPGPMIMESeparatorSize];
    std::string out;
    ASSERT_EQ(Encode(ctx, entity, out,
                     Opts(S().PGPOEncryptToKeySet(ctx, to), SignAlice(), S().PGPODataIsASCII(ctx, 1),
                          S().PGPOPGPMIMEEncoding(ctx, 1, &offset, sep), S().PGPOOmitMIMEVersion(ctx, 1))),
              0);
    S().PGPFreeKeySet(to);
    std::string s = sep;
    ASSERT_FALSE(s.empty());
    EXPECT_LE(s.size(), 80u);
    ASSERT_EQ(out.rfind("Content-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\"", 0), 0u) << out;
    EXPECT_EQ(out.find("MIME-Version"), std::string::npos);
    ASSERT_GT(offset, 4u);
    EXPECT_EQ(out.substr(offset - 4, 4), "\r\n\r\n");
    EXPECT_EQ(out.substr(offset, 2 + s.size()), "--" + s);
    size_t occurrences = 0;
    for (size_t p = out.find(s); p != std::string::npos; p = out.find(s, p + 1)) ++occurrences;
    EXPECT_EQ(occurrences, 4u);
    EXPECT_NE(out.find("Content-Type: application/pgp-encrypted\r\n"), std::string::npos);
    size_t b = out.find("-----BEGIN PGP MESSAGE-----");
    size_t e = out.find("-----END PGP MESSAGE-----");
    ASSERT_TRUE(b != std::string::npos && e != std::string::npos);
    DecodeRun r = Decode(ctx, db, out.substr(b, e - b + 27), {"alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, entity);
    // Line ends other than CR LF are made CR LF before the entity is protected.
    to = Set({alice});
    ASSERT_EQ(Encode(ctx, "Content-Type: text/plain\n\nbare LF\nlone CR\rend", out,
                     Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPODataIsASCII(ctx, 1),
                          S().PGPOPGPMIMEEncoding(ctx, 1, &offset, sep))),
              0);
    S().PGPFreeKeySet(to);
    b = out.find("-----BEGIN PGP MESSAGE-----");
    e = out.find("-----END PGP MESSAGE-----");
    ASSERT_TRUE(b != std::string::npos && e != std::string::npos);
    r = Decode(ctx, db, out.substr(b, e - b + 27), {"alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "Content-Type: text/plain\r\n\r\nbare LF\r\nlone CR\r\nend");

    ASSERT_EQ(Encode(ctx, entity, out,
                     Opts(SignAlice(), S().PGPODataIsASCII(ctx, 1), S().PGPOPGPMIMEEncoding(ctx, 1, &offset, sep))),
              0);
    ASSERT_EQ(out.rfind("MIME-Version: 1.0\r\nContent-Type: multipart/signed; micalg=pgp-sha256;", 0), 0u) << out;
    s = sep;
    std::string signedPart = "--" + s + "\r\n" + entity + "\r\n--" + s + "\r\n";
    EXPECT_NE(out.find(signedPart), std::string::npos);
}

TEST_F(JobsTest, EyesOnlyFileNameAndKeyBlocks) {
    PGPKeySetRef to = Set({alice});
    std::string out;
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPOForYourEyesOnly(ctx, 1), S().PGPOArmorOutput(ctx, 1))),
              0);
    DecodeRun r = Decode(ctx, db, out, {"alice pass"});
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.log.eyesOnly.size(), 1u);
    EXPECT_TRUE(r.log.eyesOnly[0]);
    ASSERT_EQ(Encode(ctx, kText, out,
                     Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPOFileNameString(ctx, "report.txt"))),
              0);
    S().PGPFreeKeySet(to);
    r = Decode(ctx, db, out, {"alice pass"});
    EXPECT_EQ(r.log.suggestedNames.at(0), "report.txt");
    EXPECT_FALSE(r.log.eyesOnly.at(0));
    // A key block raises a key-found event with the keys it holds.
    std::string keys = "see my key\r\n" + ReadAll(DataDir() + "dave_pub.asc");
    PGPOptionListRef opts = nullptr;
    S().PGPBuildOptionList(ctx, &opts, S().PGPOSendEventIfKeyFound(ctx, 1), S().PGPOPassThroughKeys(ctx, 1), Last());
    r = Decode(ctx, db, keys, {}, opts);
    S().PGPFreeOptionList(opts);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.log.keyFound, 1);
    EXPECT_EQ(r.log.keysInFound, 1u);
    EXPECT_NE(r.output.find("-----BEGIN PGP PUBLIC KEY BLOCK-----"), std::string::npos);
}

TEST_F(JobsTest, OutputToFixedBufferAndFile) {
    char small[16];
    PGPSize len = 0;
    EXPECT_EQ(S().PGPEncode(ctx, S().PGPOInputBuffer(ctx, kText.data(), kText.size()), S().PGPOArmorOutput(ctx, 1),
                            S().PGPOOutputBuffer(ctx, small, sizeof small, &len), Last()),
              -11998);
    EXPECT_LE(len, sizeof small);
    PGPFileSpecRef in = nullptr, outSpec = nullptr;
    WriteAll(Temp("in.bin"), std::string(100000, '\x5a'));
    S().PGPNewFileSpecFromFullPath(ctx, Temp("in.bin").c_str(), &in);
    S().PGPNewFileSpecFromFullPath(ctx, Temp("out.pgp").c_str(), &outSpec);
    PGPKeySetRef to = Set({alice});
    ASSERT_EQ(S().PGPEncode(ctx, S().PGPOInputFile(ctx, in), S().PGPOOutputFile(ctx, outSpec),
                            S().PGPOEncryptToKeySet(ctx, to), S().PGPOCompression(ctx, 1), Last()),
              0);
    S().PGPFreeKeySet(to);
    std::string enc = ReadAll(Temp("out.pgp"));
    EXPECT_LT(enc.size(), 10000u);  // compressed
    DecodeRun r = Decode(ctx, db, enc, {"alice pass"});
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, std::string(100000, '\x5a'));
    EXPECT_EQ(r.log.suggestedNames.at(0), "in.bin");
    S().PGPFreeFileSpec(in);
    S().PGPFreeFileSpec(outSpec);
}

// Decoded into a file: the file holds the plain text, and a second (signed)
// message of the same input follows the first one in it.
TEST_F(JobsTest, DecodeIntoFile) {
    const std::string first(300000, 'a'), second = "The second letter.\r\n";
    std::string one, two;
    PGPKeySetRef to = Set({alice});
    ASSERT_EQ(Encode(ctx, first, one, Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPOArmorOutput(ctx, 1))), 0);
    ASSERT_EQ(Encode(ctx, second, two, Opts(SignAlice(), S().PGPOArmorOutput(ctx, 1))), 0);
    S().PGPFreeKeySet(to);
    PGPFileSpecRef outSpec = nullptr;
    S().PGPNewFileSpecFromFullPath(ctx, Temp("plain.txt").c_str(), &outSpec);
    for (const std::string& input : {one, one + "\r\n" + two}) {
        EXPECT_EQ(S().PGPDecode(ctx, S().PGPOInputBuffer(ctx, input.data(), input.size()), S().PGPOKeyDBRef(ctx, db),
                                S().PGPOPassphrase(ctx, "alice pass"), S().PGPOOutputFile(ctx, outSpec), Last()),
                  0);
        const std::string got = ReadAll(Temp("plain.txt")), want = input == one ? first : first + second;
        EXPECT_EQ(got.size(), want.size());
        EXPECT_EQ(got.substr(first.size() - 8), want.substr(first.size() - 8));
    }
    S().PGPFreeFileSpec(outSpec);
}

// The plain text goes into one block that grows where it lies, or moves
// once the room it began with (about the message's size) is used up: a
// compressed letter outgrows that room, an uncompressed one grows in place.
TEST_F(JobsTest, LargePlainTextComesWholeWhetherItsBlockGrowsInPlaceOrMoves) {
    std::string text;
    for (int i = 0; text.size() < 3u * 1024 * 1024; ++i) text += "Line " + std::to_string(i) + " of a long letter.\r\n";
    PGPKeySetRef to = Set({alice});
    for (const bool compress : {true, false}) {
        std::string enc;
        ASSERT_EQ(Encode(ctx, text, enc,
                         Opts(S().PGPOEncryptToKeySet(ctx, to), S().PGPOCompression(ctx, compress),
                              S().PGPOArmorOutput(ctx, 1))),
                  0);
        if (compress) EXPECT_LT(enc.size() + (1u << 20), text.size());
        DecodeRun r = Decode(ctx, db, enc, {"alice pass"});
        ASSERT_EQ(r.result, 0) << "compressed: " << compress;
        EXPECT_EQ(r.output.size(), text.size()) << "compressed: " << compress;
        EXPECT_TRUE(r.output == text) << "compressed: " << compress;
    }
    S().PGPFreeKeySet(to);
}

TEST_F(JobsTest, HostileInput) {
    std::string msg = EncryptSigned(kText);
    // Truncated armour: the END line is missing.
    std::string cut = msg.substr(0, msg.size() / 2);
    DecodeRun r = Decode(ctx, db, cut, {"alice pass"});
    EXPECT_EQ(r.result, -11392);
    EXPECT_TRUE(r.output.empty());
    // Damaged armour body, in the encrypted data (not in a session key
    // packet of the other recipient, which would not matter).
    std::string bad = msg;
    size_t at = bad.rfind("\r\n=") - 20;
    bad[at] = bad[at] == 'A' ? 'B' : 'A';
    r = Decode(ctx, db, bad, {"alice pass"});
    EXPECT_NE(r.result, 0);
    EXPECT_EQ(r.output.find("plan goes on"), std::string::npos);
    // Tampered binary ciphertext fails its integrity check.
    std::string bin = EncryptSigned(kText, false);
    bin[bin.size() - 30] ^= 0x40;
    r = Decode(ctx, db, bin, {"alice pass"});
    EXPECT_NE(r.result, 0);
    // Binary garbage and empty armour blocks.
    r = Decode(ctx, db, std::string("\xc3\x01\x02\x03 not pgp", 12), {});
    EXPECT_NE(r.result, 0);
    r = Decode(ctx, db, "-----BEGIN PGP MESSAGE-----\r\n\r\n-----END PGP MESSAGE-----\r\n", {});
    EXPECT_NE(r.result, 0);
    // Plain text is not PGP data: kind 4 and, with pass-through, unchanged.
    PGPOptionListRef pass = nullptr;
    S().PGPBuildOptionList(ctx, &pass, S().PGPOPassThroughIfUnrecognized(ctx, 1), Last());
    r = Decode(ctx, db, "just text\r\n", {}, pass);
    S().PGPFreeOptionList(pass);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "just text\r\n");
    EXPECT_EQ(r.log.events, (std::vector<std::string>{"begin 0", "analyze 4", "output", "end 0"}));
}

}  // namespace
