// The passphrase cache over a real engine: the SDK stand-in's core library,
// which does its conventional encryption through RNP.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/secure_cache.h"
#include "engine/sdk_table.h"

namespace {

using orv::TSecure;

class EngineCacheTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string dir(exe);
        dir.resize(dir.find_last_of('\\') + 1);
        core_ = LoadLibraryA((dir + "sdk7\\PGP_SDK.dll").c_str());
        if (!core_) return;
#define ORV_BIND(slot, name) \
    table_.slot = reinterpret_cast<PFN_##slot>(reinterpret_cast<void*>(GetProcAddress(core_, name)));
        ORV_SDK_CORE_START(ORV_BIND)
        ORV_SDK_JOBS(ORV_BIND)
        ORV_SDK_MEMORY(ORV_BIND)
        ORV_SDK_CONTEXT(ORV_BIND)
        ORV_SDK_OPTIONS(ORV_BIND)
#undef ORV_BIND
        if (table_.PGPsdkInit) table_.PGPsdkInit(0);
    }
    static void TearDownTestSuite() {
        if (table_.PGPsdkCleanup) table_.PGPsdkCleanup();
        if (core_) FreeLibrary(core_);
        core_ = nullptr;
        table_ = orv::sdk::Table{};
    }
    void SetUp() override {
        ASSERT_NE(core_, nullptr) << "the engine stand-in sdk7\\PGP_SDK.dll did not load";
        ASSERT_NE(table_.PGPNewContext, nullptr);
        ASSERT_EQ(table_.PGPNewContext(kPGPsdkAPIVersion, &context_), 0);
    }
    void TearDown() override {
        if (context_) table_.PGPFreeContext(context_);
    }

    bool Store(TSecure& s, const std::string& phrase, int slot, const std::string& source) {
        return s.CachePassphrase(context_, phrase.c_str(), slot, source.data(), source.size());
    }
    // The fetched text, or "<none>" when no buffer came back.
    std::string Fetch(TSecure& s, int slot, PGPError* err = nullptr) {
        char* p = nullptr;
        const PGPError e = s.FetchPassphrase(context_, slot, p);
        if (err) *err = e;
        if (!p) return "<none>";
        std::string text(p);
        table_.PGPFreeData(p);
        return text;
    }

    static inline HMODULE core_ = nullptr;
    static inline orv::sdk::Table table_;
    PGPContextRef context_ = nullptr;
    const std::string jobOutput_ =
        "-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA+9dVb3ld7y/AQf/Yx2a7TqM1d3pQe0k\r\n=AbCd\r\n"
        "-----END PGP MESSAGE-----\r\n";
};

TEST_F(EngineCacheTest, PassphraseSurvivesTheRoundTripEncrypted) {
    TSecure s(table_, {1, 2, 3, 4, 5, 6, 7, 8});
    const std::string phrase = "correct horse battery staple";
    ASSERT_TRUE(Store(s, phrase, orv::kSignSlot, jobOutput_));
    ASSERT_GT(s.SignSlot.Length, 0);
    ASSERT_LE(s.SignSlot.Length, 512);
    const std::string blob(static_cast<const char*>(s.SignSlot.Blob), s.SignSlot.Length);
    EXPECT_EQ(blob.find(phrase), std::string::npos);
    EXPECT_EQ(blob.find("horse"), std::string::npos);

    EXPECT_EQ(Fetch(s, orv::kSignSlot), phrase);
    EXPECT_EQ(Fetch(s, orv::kSignSlot), phrase) << "fetching leaves the passphrase cached";
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot), "<none>");
}

TEST_F(EngineCacheTest, SlotsAreIndependentAndWipedSeparately) {
    TSecure s(table_, {8, 7, 6, 5, 4, 3, 2, 1});
    ASSERT_TRUE(Store(s, "for decryption", orv::kDecryptSlot, jobOutput_));
    ASSERT_TRUE(Store(s, "for signing", orv::kSignSlot, jobOutput_ + "more"));
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot), "for decryption");
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "for signing");
    s.WipeSlot(orv::kDecryptSlot);
    PGPError err = 0;
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot, &err), "<none>");
    EXPECT_EQ(err, kPGPError_NeedPassphrase);
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "for signing");
}

TEST_F(EngineCacheTest, AnAlteredKeyGivesNoPassphrase) {
    TSecure s(table_, {5, 5, 5, 5, 5, 5, 5, 5});
    ASSERT_TRUE(Store(s, "secret", orv::kDecryptSlot, jobOutput_));
    static_cast<unsigned char*>(s.DecryptSlot.Key)[0] ^= 0x01;
    PGPError err = 0;
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot, &err), "<none>");
    EXPECT_NE(err, 0);
}

TEST_F(EngineCacheTest, BinaryJobOutputKeysTheCacheToo) {
    TSecure s(table_, {9, 9, 9, 9, 9, 9, 9, 9});
    std::string binary;
    for (int i = 0; i < 300; ++i) binary += static_cast<char>((i * 37 + 1) & 0xff);
    ASSERT_TRUE(Store(s, "binary source", orv::kSignSlot, binary));
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "binary source");
}

TEST_F(EngineCacheTest, APassphraseTooLongForTheFetchBufferIsNeverCutShort) {
    TSecure s(table_, {4, 4, 4, 4, 4, 4, 4, 4});
    std::string longest(255, 'a');
    ASSERT_TRUE(Store(s, longest, orv::kSignSlot, jobOutput_));
    EXPECT_EQ(Fetch(s, orv::kSignSlot), longest);

    std::string tooLong;
    for (int i = 0; i < 300; ++i) tooLong += static_cast<char>('a' + (i * 7) % 26);
    if (Store(s, tooLong, orv::kSignSlot, jobOutput_)) {
        PGPError err = 0;
        EXPECT_EQ(Fetch(s, orv::kSignSlot, &err), "<none>");
        EXPECT_NE(err, 0);
    }
}

}  // namespace
