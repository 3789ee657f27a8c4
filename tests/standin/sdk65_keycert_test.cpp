// Release 6.5 flavour: PGPSignUserID certifies a user ID on the user's rings
// and PGPRevokeSig (context, signature, key set) revokes it, both kept when
// the rings are committed and opened again.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/pgpsdk.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test data directory
#endif

namespace {

struct Sdk65 {
    HMODULE m = nullptr;
    template <class F>
    F get(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    }
};

std::string DataDir() {
    std::string p = "Z:" ORV_STANDIN_DATA "/";
    for (auto& c : p)
        if (c == '/') c = '\\';
    return p;
}

class KeyCert65Test : public ::testing::Test {
protected:
    void SetUp() override {
        SetDllDirectoryA("sdk65");
        s.m = LoadLibraryA("PGPSDK.dll");
        SetDllDirectoryA(nullptr);
        ASSERT_NE(s.m, nullptr);
        newContext = s.get<PFN_PGPNewContext>("PGPNewContext");
        freeContext = s.get<PFN_PGPFreeContext>("PGPFreeContext");
        newSpec = s.get<PFN_PGPNewFileSpecFromFullPath>("PGPNewFileSpecFromFullPath");
        freeSpec = s.get<PFN_PGPFreeFileSpec>("PGPFreeFileSpec");
        openPair = s.get<PFN_PGPOpenKeyRingPair>("PGPOpenKeyRingPair");
        commit = s.get<PFN_PGPCommitKeyRingChanges>("PGPCommitKeyRingChanges");
        freeSet = s.get<PFN_PGPFreeKeySet>("PGPFreeKeySet");
        order = s.get<PFN65_PGPOrderKeySet>("PGPOrderKeySet");
        freeList = s.get<PFN_PGPFreeKeyList>("PGPFreeKeyList");
        newIter = s.get<PFN_PGPNewKeyIter>("PGPNewKeyIter");
        freeIter = s.get<PFN_PGPFreeKeyIter>("PGPFreeKeyIter");
        next = s.get<PFN_PGPKeyIterNext>("PGPKeyIterNext");
        nextUID = s.get<PFN_PGPKeyIterNextUserID>("PGPKeyIterNextUserID");
        nextSig = s.get<PFN_PGPKeyIterNextUIDSig>("PGPKeyIterNextUIDSig");
        name = s.get<PFN_PGPGetPrimaryUserIDNameBuffer>("PGPGetPrimaryUserIDNameBuffer");
        sigBool = s.get<PFN_PGPGetSigBoolean>("PGPGetSigBoolean");
        signUserID = s.get<PFN_PGPSignUserID>("PGPSignUserID");
        revokeSig = s.get<PFN65_PGPRevokeSig>("PGPRevokeSig");
        passphrase = s.get<PFN_PGPOPassphrase>("PGPOPassphrase");
        exportable = s.get<PFN_PGPOExportable>("PGPOExportable");
        last = s.get<PFN_PGPOLastOption>("PGPOLastOption");
        ASSERT_TRUE(newContext && freeContext && newSpec && freeSpec && openPair && commit && freeSet && order &&
                    freeList && newIter && freeIter && next && nextUID && nextSig && name && sigBool && signUserID &&
                    revokeSig && passphrase && exportable && last);
        ASSERT_EQ(newContext(kPGPsdkAPIVersion, &ctx), 0);
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        dir = std::string(base) + "orv_sdk65_keycert_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        CopyFileA((DataDir() + "pubring.pkr").c_str(), (dir + "pubring.pkr").c_str(), FALSE);
        CopyFileA((DataDir() + "secring.skr").c_str(), (dir + "secring.skr").c_str(), FALSE);
    }
    void TearDown() override {
        for (auto* set : sets) freeSet(set);
        if (ctx) freeContext(ctx);
        DeleteFileA((dir + "pubring.pkr").c_str());
        DeleteFileA((dir + "secring.skr").c_str());
        RemoveDirectoryA(dir.c_str());
    }
    PGPKeySetRef Open() {
        PGPFileSpecRef p = nullptr, q = nullptr;
        EXPECT_EQ(newSpec(ctx, (dir + "pubring.pkr").c_str(), &p), 0);
        EXPECT_EQ(newSpec(ctx, (dir + "secring.skr").c_str(), &q), 0);
        PGPKeySetRef set = nullptr;
        EXPECT_EQ(openPair(ctx, kPGPOpenKeyRingOptions_Mutable, p, q, &set), 0);
        freeSpec(p);
        freeSpec(q);
        if (set) sets.push_back(set);
        return set;
    }
    // A key by name with the signatures on its first user ID.
    struct Found {
        PGPKeyRef key = nullptr;
        PGPUserIDRef uid = nullptr;
        std::vector<PGPSigRef> sigs;
    };
    Found Find(PGPKeySetRef set, const std::string& who) {
        Found f;
        PGPKeyListRef list = nullptr;
        PGPKeyIterRef it = nullptr;
        EXPECT_EQ(order(set, kPGPKeyOrdering_Any, &list), 0);
        EXPECT_EQ(newIter(list, &it), 0);
        PGPKeyRef k = nullptr;
        while (next(it, &k) == 0 && k) {
            char buf[256] = {};
            PGPSize n = 0;
            name(k, sizeof buf, buf, &n);
            if (std::string(buf, n).find(who) == std::string::npos) continue;
            f.key = k;
            if (nextUID(it, &f.uid) == 0) {
                PGPSigRef sig = nullptr;
                while (nextSig(it, &sig) == 0 && sig) f.sigs.push_back(sig);
            }
            break;
        }
        freeIter(it);
        freeList(list);
        return f;
    }
    bool SigBool(PGPSigRef sig, int release7Code) {
        PGPBoolean b = 0;
        EXPECT_EQ(sigBool(sig, release7Code - 1120, &b), 0);
        return b != 0;
    }

    Sdk65 s;
    PGPContextRef ctx = nullptr;
    std::string dir;
    std::vector<PGPKeySetRef> sets;
    PFN_PGPNewContext newContext = nullptr;
    PFN_PGPFreeContext freeContext = nullptr;
    PFN_PGPNewFileSpecFromFullPath newSpec = nullptr;
    PFN_PGPFreeFileSpec freeSpec = nullptr;
    PFN_PGPOpenKeyRingPair openPair = nullptr;
    PFN_PGPCommitKeyRingChanges commit = nullptr;
    PFN_PGPFreeKeySet freeSet = nullptr;
    PFN65_PGPOrderKeySet order = nullptr;
    PFN_PGPFreeKeyList freeList = nullptr;
    PFN_PGPNewKeyIter newIter = nullptr;
    PFN_PGPFreeKeyIter freeIter = nullptr;
    PFN_PGPKeyIterNext next = nullptr;
    PFN_PGPKeyIterNextUserID nextUID = nullptr;
    PFN_PGPKeyIterNextUIDSig nextSig = nullptr;
    PFN_PGPGetPrimaryUserIDNameBuffer name = nullptr;
    PFN_PGPGetSigBoolean sigBool = nullptr;
    PFN_PGPSignUserID signUserID = nullptr;
    PFN65_PGPRevokeSig revokeSig = nullptr;
    PFN_PGPOPassphrase passphrase = nullptr;
    PFN_PGPOExportable exportable = nullptr;
    PFN_PGPOLastOption last = nullptr;
};

TEST_F(KeyCert65Test, SignUserIDAndRevokeSigThroughTheRings) {
    PGPKeySetRef set = Open();
    ASSERT_NE(set, nullptr);
    Found alice = Find(set, "alice"), carol = Find(set, "carol");
    ASSERT_TRUE(alice.key && carol.uid);
    const size_t before = carol.sigs.size();
    EXPECT_EQ(signUserID(carol.uid, alice.key, passphrase(ctx, "wrong"), last(ctx)), -11500);
    ASSERT_EQ(signUserID(carol.uid, alice.key, passphrase(ctx, "alice pass"), exportable(ctx, 1), last(ctx)), 0);
    ASSERT_EQ(commit(set), 0);

    PGPKeySetRef again = Open();
    carol = Find(again, "carol");
    ASSERT_EQ(carol.sigs.size(), before + 1);
    PGPSigRef mine = nullptr;
    for (auto sig : carol.sigs)
        if (SigBool(sig, kPGPSigProperty_IsMySig)) mine = sig;
    ASSERT_NE(mine, nullptr);
    EXPECT_TRUE(SigBool(mine, kPGPSigProperty_IsVerified));
    EXPECT_FALSE(SigBool(mine, kPGPSigProperty_IsRevoked));

    // The signer is found through the key set given.
    ASSERT_EQ(revokeSig(ctx, mine, again, passphrase(ctx, "alice pass"), last(ctx)), 0);
    ASSERT_EQ(commit(again), 0);
    PGPKeySetRef third = Open();
    carol = Find(third, "carol");
    ASSERT_EQ(carol.sigs.size(), before + 2);
    int revoked = 0;
    for (auto sig : carol.sigs) revoked += SigBool(sig, kPGPSigProperty_IsRevoked);
    EXPECT_EQ(revoked, 1);
}

}  // namespace
