// Certifications, their revocation and the key's own options, made by the
// stand-in on the user's rings, written back and read again.
#include "tests/standin/fixture.h"

namespace {

const char* const kAlicePass = "alice pass";

class KeyCertTest : public SdkTest {
protected:
    PGPBoolean Bool(PGPKeyDBObjRef o, PGPKeyDBObjProperty p) {
        PGPBoolean b = 0;
        EXPECT_EQ(S().PGPGetKeyDBObjBooleanProperty(o, p, &b), 0) << p;
        return b;
    }
    PGPInt32 Num(PGPKeyDBObjRef o, PGPKeyDBObjProperty p) {
        PGPInt32 n = -1;
        EXPECT_EQ(S().PGPGetKeyDBObjNumericProperty(o, p, &n), 0) << p;
        return n;
    }
    std::string Data(PGPKeyDBObjRef o, PGPKeyDBObjProperty p) {
        char buf[256] = {};
        PGPSize n = 0;
        if (S().PGPGetKeyDBObjDataProperty(o, p, buf, sizeof buf, &n)) return {};
        return std::string(buf, n);
    }
    std::string Name(PGPKeyDBObjRef key) {
        char buf[256] = {};
        PGPSize n = 0;
        EXPECT_EQ(S().PGPGetPrimaryUserIDName(key, buf, sizeof buf, &n), 0);
        return std::string(buf, n);
    }
    PGPOptionListRef Pass(const char* p = kAlicePass) { return S().PGPOPassphrase(ctx, p); }

    // The first user ID of a key and its signatures.
    struct UserID {
        PGPKeyDBObjRef uid = nullptr;
        std::vector<PGPKeyDBObjRef> sigs;
    };
    UserID FirstUserID(PGPKeyDBObjRef key) {
        UserID u;
        PGPKeySetRef one = nullptr;
        PGPKeyIterRef it = nullptr;
        S().PGPNewOneKeySet(key, &one);
        EXPECT_EQ(S().PGPNewKeyIterFromKeySet(one, &it), 0);
        PGPKeyDBObjRef k = nullptr, sig = nullptr;
        S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &k);
        S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_UserID, &u.uid);
        while (S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Signature, &sig) == 0) u.sigs.push_back(sig);
        S().PGPFreeKeyIter(it);
        S().PGPFreeKeySet(one);
        return u;
    }
    // The signatures on the key's first user ID made by the signer.
    std::vector<PGPKeyDBObjRef> SigsBy(PGPKeyDBObjRef key, PGPKeyDBObjRef signer) {
        std::vector<PGPKeyDBObjRef> out;
        for (auto s : FirstUserID(key).sigs) {
            PGPKeyDBObjRef c = nullptr;
            if (S().PGPGetSigCertifierKey(s, &c) == 0 && c == signer) out.push_back(s);
        }
        return out;
    }
};

TEST_F(KeyCertTest, CertificationMakesTheKeyValidAndSurvivesTheRings) {
    PGPKeyDBRef db = OpenRings();
    PGPKeyDBObjRef alice = KeyByName(db, "alice"), carol = KeyByName(db, "carol"), bob = KeyByName(db, "bob");
    ASSERT_TRUE(alice && carol && bob);
    PGPUInt32 keys = 0;
    S().PGPCountKeysInKeyDB(db, &keys);
    const size_t bobSigs = FirstUserID(bob).sigs.size();
    EXPECT_LT(Num(carol, kPGPKeyProperty_Validity), 2);
    UserID u = FirstUserID(carol);
    ASSERT_NE(u.uid, nullptr);
    const size_t before = u.sigs.size();

    // Refused: no passphrase, a wrong one, a certifier without secret key, no user ID.
    EXPECT_EQ(S().PGPCertifyUserID(u.uid, alice, Last()), kPGPError_NeedPassphrase);
    EXPECT_EQ(S().PGPCertifyUserID(u.uid, alice, Pass("wrong"), Last()), -11500);
    EXPECT_EQ(S().PGPCertifyUserID(u.uid, bob, Pass(""), Last()), -11402);
    EXPECT_EQ(S().PGPCertifyUserID(carol, alice, Pass(), Last()), kPGPError_BadParams);
    EXPECT_EQ(FirstUserID(carol).sigs.size(), before);

    ASSERT_EQ(S().PGPCertifyUserID(u.uid, alice, Pass(), S().PGPOExportable(ctx, 1), S().PGPOSigTrust(ctx, 1, 120),
                                   Last()),
              0);
    auto mine = SigsBy(carol, alice);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_TRUE(Bool(mine[0], kPGPSigProperty_IsVerified));
    EXPECT_TRUE(Bool(mine[0], kPGPSigProperty_IsExportable));
    EXPECT_FALSE(Bool(mine[0], kPGPSigProperty_IsRevoked));
    EXPECT_EQ(Num(mine[0], kPGPSigProperty_TrustLevel), 1);
    EXPECT_EQ(Num(mine[0], kPGPSigProperty_TrustValue), 120);
    // The user's own key is axiomatic: its certification makes carol's key valid.
    EXPECT_EQ(Num(carol, kPGPKeyProperty_Validity), 3);
    EXPECT_TRUE(S().PGPKeyDBIsUpdated(db));

    // A local certification (the default) says so.
    ASSERT_EQ(S().PGPCertifyUserID(FirstUserID(bob).uid, alice, Pass(), Last()), 0);
    auto onBob = SigsBy(bob, alice);
    ASSERT_EQ(onBob.size(), 1u);
    EXPECT_FALSE(Bool(onBob[0], kPGPSigProperty_IsExportable));
    EXPECT_TRUE(Bool(onBob[0], kPGPSigProperty_IsVerified));

    ASSERT_EQ(S().PGPFlushKeyDB(db), 0);
    PGPKeyDBRef again = OpenRingFiles(Temp("pubring.pkr"), Temp("secring.skr"), 0);
    PGPUInt32 keysAgain = 0;
    S().PGPCountKeysInKeyDB(again, &keysAgain);
    EXPECT_EQ(keysAgain, keys);
    PGPKeyDBObjRef carol2 = KeyByName(again, "carol");
    EXPECT_EQ(FirstUserID(carol2).sigs.size(), before + 1);
    EXPECT_EQ(FirstUserID(KeyByName(again, "bob")).sigs.size(), bobSigs + 1);
    auto kept = SigsBy(carol2, KeyByName(again, "alice"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(Bool(kept[0], kPGPSigProperty_IsVerified));
    EXPECT_EQ(Num(carol2, kPGPKeyProperty_Validity), 3);
    // alice's secret key is still there and still locked by its passphrase.
    PGPKeyDBObjRef alice2 = KeyByName(again, "alice");
    EXPECT_TRUE(Bool(alice2, kPGPKeyProperty_IsSecret));
    EXPECT_TRUE(S().PGPPassphraseIsValid(alice2, Pass(), Last()));
    EXPECT_FALSE(S().PGPPassphraseIsValid(alice2, Pass(""), Last()));
}

TEST_F(KeyCertTest, RevokedCertificationNoLongerCounts) {
    PGPKeyDBRef db = OpenRings();
    PGPKeyDBObjRef alice = KeyByName(db, "alice"), carol = KeyByName(db, "carol");
    ASSERT_EQ(S().PGPCertifyUserID(FirstUserID(carol).uid, alice, Pass(), S().PGPOExportable(ctx, 1), Last()), 0);
    auto mine = SigsBy(carol, alice);
    ASSERT_EQ(mine.size(), 1u);
    // carol's self-signature is not the user's to revoke.
    PGPKeyDBObjRef self = nullptr;
    for (auto s : FirstUserID(carol).sigs) {
        PGPKeyDBObjRef c = nullptr;
        if (S().PGPGetSigCertifierKey(s, &c) == 0 && c == carol) self = s;
    }
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(S().PGPRevokeSig(self, Pass(""), Last()), -11402);
    EXPECT_EQ(S().PGPRevokeSig(mine[0], Pass("wrong"), Last()), -11500);
    EXPECT_FALSE(Bool(mine[0], kPGPSigProperty_IsRevoked));

    ASSERT_EQ(S().PGPRevokeSig(mine[0], Pass(), Last()), 0);
    mine = SigsBy(carol, alice);
    ASSERT_EQ(mine.size(), 2u);  // the certification and its revocation
    int revoked = 0;
    for (auto s : mine) revoked += Bool(s, kPGPSigProperty_IsRevoked);
    EXPECT_EQ(revoked, 1);
    EXPECT_LT(Num(carol, kPGPKeyProperty_Validity), 2);

    ASSERT_EQ(S().PGPFlushKeyDB(db), 0);
    PGPKeyDBRef again = OpenRingFiles(Temp("pubring.pkr"), Temp("secring.skr"), 0);
    PGPKeyDBObjRef carol2 = KeyByName(again, "carol");
    revoked = 0;
    for (auto s : SigsBy(carol2, KeyByName(again, "alice"))) revoked += Bool(s, kPGPSigProperty_IsRevoked);
    EXPECT_EQ(revoked, 1);
    EXPECT_LT(Num(carol2, kPGPKeyProperty_Validity), 2);
}

TEST_F(KeyCertTest, KeyOptionsAddRemoveAndUpdate) {
    PGPKeyDBRef db = OpenRings();
    PGPKeyDBObjRef alice = KeyByName(db, "alice"), bob = KeyByName(db, "bob"), carol = KeyByName(db, "carol");
    PGPKeySetRef revokers = nullptr;
    ASSERT_EQ(S().PGPNewOneKeySet(bob, &revokers), 0);
    PGPKeySetRef both = nullptr;
    ASSERT_EQ(S().PGPNewEmptyKeySet(db, &both), 0);
    S().PGPAddKeys(revokers, both);
    PGPKeySetRef carolSet = nullptr;
    S().PGPNewOneKeySet(carol, &carolSet);
    S().PGPAddKeys(carolSet, both);
    const std::string name = Name(alice);
    PGPTime expiry = 0;
    S().PGPGetKeyDBObjTimeProperty(alice, kPGPKeyProperty_Expiration, &expiry);

    EXPECT_EQ(S().PGPAddKeyOptions(alice, Pass(), Last()), kPGPError_BadParams);  // nothing to add
    EXPECT_EQ(S().PGPAddKeyOptions(alice, S().PGPORevocationKeySet(ctx, revokers), Pass("wrong"), Last()), -11500);
    ASSERT_EQ(S().PGPAddKeyOptions(alice, S().PGPORevocationKeySet(ctx, both), Pass(), Last()), 0);
    PGPUInt32 n = 0;
    ASSERT_EQ(S().PGPCountRevocationKeys(alice, &n), 0);
    EXPECT_EQ(n, 2u);

    // Taking bob off leaves carol.
    ASSERT_EQ(S().PGPRemoveKeyOptions(alice, S().PGPORevocationKeySet(ctx, revokers), Pass(), Last()), 0);
    ASSERT_EQ(S().PGPCountRevocationKeys(alice, &n), 0);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(S().PGPRemoveKeyOptions(alice, S().PGPORevocationKeySet(ctx, revokers), Pass(), Last()),
              kPGPError_ItemNotFound);

    const PGPCipherAlgorithm prefs[] = {kPGPCipherAlgorithm_CAST5, static_cast<PGPCipherAlgorithm>(7)};
    ASSERT_EQ(S().PGPUpdateKeyOptions(alice, S().PGPOPreferredAlgorithms(ctx, prefs, 2), Pass(), Last()), 0);
    EXPECT_EQ(Data(alice, kPGPKeyProperty_PreferredAlgorithms), std::string("\x03\x07"));
    // Certify-only: the key no longer signs, and the ciphers just set stay.
    EXPECT_TRUE(Bool(alice, kPGPKeyProperty_CanSign));
    ASSERT_EQ(S().PGPUpdateKeyOptions(alice, S().PGPOKeyFlags(ctx, 0x01), Pass(), Last()), 0);
    EXPECT_FALSE(Bool(alice, kPGPKeyProperty_CanSign));
    EXPECT_EQ(Data(alice, kPGPKeyProperty_PreferredAlgorithms), std::string("\x03\x07"));

    ASSERT_EQ(S().PGPFlushKeyDB(db), 0);
    PGPKeyDBRef again = OpenRingFiles(Temp("pubring.pkr"), Temp("secring.skr"), 0);
    PGPKeyDBObjRef alice2 = KeyByName(again, "alice");
    ASSERT_EQ(S().PGPCountRevocationKeys(alice2, &n), 0);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(Data(alice2, kPGPKeyProperty_PreferredAlgorithms), std::string("\x03\x07"));
    // What the new self-certification did not change stays.
    EXPECT_EQ(Name(alice2), name);
    PGPTime expiry2 = 1;
    S().PGPGetKeyDBObjTimeProperty(alice2, kPGPKeyProperty_Expiration, &expiry2);
    EXPECT_EQ(expiry2, expiry);
    EXPECT_FALSE(Bool(alice2, kPGPKeyProperty_CanSign));
    EXPECT_TRUE(Bool(alice2, kPGPKeyProperty_IsAxiomatic));
    S().PGPFreeKeySet(revokers);
    S().PGPFreeKeySet(carolSet);
    S().PGPFreeKeySet(both);
}

}  // namespace
