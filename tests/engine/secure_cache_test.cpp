#include "engine/secure_cache.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using orv::TSecure;

// ---- A small engine that keeps the rules the cache relies on ---------------
// Option functions make option records; the jobs read them and "encrypt" by
// keeping the key beside the text XORed with it. Every allocation is tracked
// so that leaks, double frees and non-secure buffers show.

enum class Opt { Compression, Cipher, InputBuffer, OutputBuffer, Conventional, PassphraseBuffer, Last };

struct FakeOption {
    Opt kind;
    std::uint32_t value = 0;
    const void* data = nullptr;
    PGPSize size = 0;
    PGPSize* outLength = nullptr;
    std::vector<FakeOption*> nested;
};

struct FakeEngine {
    std::vector<std::unique_ptr<FakeOption>> options;
    std::map<void*, std::pair<PGPSize, bool>> live;  // block -> size, secure
    int badFrees = 0;
    PGPError encodeResult = 0;
    PGPError decodeResult = 0;
    int encodeCalls = 0;
    int decodeCalls = 0;
    std::vector<FakeOption> lastEncode;  // top-level options of the last encode
    std::vector<FakeOption> lastDecode;
    bool failAllocation = false;
} g;

PGPOptionListRef Make(Opt kind) {
    g.options.push_back(std::make_unique<FakeOption>(FakeOption{kind}));
    return reinterpret_cast<PGPOptionListRef>(g.options.back().get());
}
FakeOption* As(PGPOptionListRef o) { return reinterpret_cast<FakeOption*>(o); }

std::vector<FakeOption*> Collect(PGPOptionListRef first, va_list args) {
    std::vector<FakeOption*> list;
    for (FakeOption* o = As(first); o && o->kind != Opt::Last; o = As(va_arg(args, PGPOptionListRef)))
        list.push_back(o);
    return list;
}

const FakeOption* Find(const std::vector<FakeOption>& list, Opt kind) {
    for (const auto& o : list)
        if (o.kind == kind) return &o;
    return nullptr;
}
const FakeOption* Find(const std::vector<FakeOption*>& list, Opt kind) {
    for (const auto* o : list)
        if (o->kind == kind) return o;
    return nullptr;
}

PGPMemoryMgrRef PGP_CALL FakeDefaultMgr() { return reinterpret_cast<PGPMemoryMgrRef>(0x1234); }
void* PGP_CALL FakeNewSecureData(PGPMemoryMgrRef, PGPSize size, PGPFlags) {
    if (g.failAllocation) return nullptr;
    void* p = std::calloc(1, size);
    g.live[p] = {size, true};
    return p;
}
PGPError PGP_CALL FakeFreeData(void* block) {
    auto it = g.live.find(block);
    if (it == g.live.end()) {
        ++g.badFrees;
        return kPGPError_BadParams;
    }
    std::memset(block, 0, it->second.first);
    std::free(block);
    g.live.erase(it);
    return 0;
}

PGPOptionListRef PGP_CALL FakeCompression(PGPContextRef, PGPBoolean on) {
    auto o = Make(Opt::Compression);
    As(o)->value = on;
    return o;
}
PGPOptionListRef PGP_CALL FakeCipher(PGPContextRef, PGPCipherAlgorithm alg) {
    auto o = Make(Opt::Cipher);
    As(o)->value = static_cast<std::uint32_t>(alg);
    return o;
}
PGPOptionListRef PGP_CALL FakeInputBuffer(PGPContextRef, const void* data, PGPSize size) {
    auto o = Make(Opt::InputBuffer);
    As(o)->data = data;
    As(o)->size = size;
    return o;
}
PGPOptionListRef PGP_CALL FakeOutputBuffer(PGPContextRef, void* data, PGPSize size, PGPSize* outLength) {
    auto o = Make(Opt::OutputBuffer);
    As(o)->data = data;
    As(o)->size = size;
    As(o)->outLength = outLength;
    return o;
}
PGPOptionListRef PGP_CALL FakePassphraseBuffer(PGPContextRef, const void* data, PGPSize size) {
    auto o = Make(Opt::PassphraseBuffer);
    As(o)->data = data;
    As(o)->size = size;
    return o;
}
PGPOptionListRef PGP_CALL FakeConventional(PGPContextRef, PGPOptionListRef first, ...) {
    auto o = Make(Opt::Conventional);
    va_list args;
    va_start(args, first);
    As(o)->nested = Collect(first, args);
    va_end(args);
    return o;
}
PGPOptionListRef PGP_CALL FakeLast(PGPContextRef) { return Make(Opt::Last); }

std::vector<FakeOption> Copy(const std::vector<FakeOption*>& list) {
    std::vector<FakeOption> out;
    for (auto* o : list) out.push_back(*o);
    return out;
}

PGPError PGP_CALL FakeEncode(PGPContextRef, PGPOptionListRef first, ...) {
    ++g.encodeCalls;
    va_list args;
    va_start(args, first);
    const auto list = Collect(first, args);
    va_end(args);
    g.lastEncode = Copy(list);
    if (g.encodeResult) return g.encodeResult;
    const FakeOption* in = Find(list, Opt::InputBuffer);
    const FakeOption* out = Find(list, Opt::OutputBuffer);
    const FakeOption* conv = Find(list, Opt::Conventional);
    const FakeOption* key = conv ? Find(conv->nested, Opt::PassphraseBuffer) : nullptr;
    if (!in || !out || !key || key->size == 0) return kPGPError_BadParams;
    const PGPSize need = 4 + key->size + in->size;
    if (need > out->size) return -11990;
    auto* o = static_cast<unsigned char*>(const_cast<void*>(out->data));
    auto* k = static_cast<const unsigned char*>(key->data);
    auto* p = static_cast<const unsigned char*>(in->data);
    std::memcpy(o, "ENC", 4);
    std::memcpy(o + 4, k, key->size);
    for (PGPSize i = 0; i < in->size; ++i) o[4 + key->size + i] = p[i] ^ k[i % key->size];
    *out->outLength = need;
    return 0;
}

PGPError PGP_CALL FakeDecode(PGPContextRef, PGPOptionListRef first, ...) {
    ++g.decodeCalls;
    va_list args;
    va_start(args, first);
    const auto list = Collect(first, args);
    va_end(args);
    g.lastDecode = Copy(list);
    if (g.decodeResult) return g.decodeResult;
    const FakeOption* in = Find(list, Opt::InputBuffer);
    const FakeOption* out = Find(list, Opt::OutputBuffer);
    const FakeOption* key = Find(list, Opt::PassphraseBuffer);
    if (!in || !out || !key) return kPGPError_BadParams;
    auto* i = static_cast<const unsigned char*>(in->data);
    if (in->size < 4 + key->size || std::memcmp(i, "ENC", 4) != 0) return -11411;
    if (std::memcmp(i + 4, key->data, key->size) != 0) return -11500;  // bad passphrase
    const PGPSize n = in->size - 4 - key->size;
    if (n > out->size) return -11990;
    auto* k = static_cast<const unsigned char*>(key->data);
    auto* o = static_cast<unsigned char*>(const_cast<void*>(out->data));
    for (PGPSize j = 0; j < n; ++j) o[j] = i[4 + key->size + j] ^ k[j % key->size];
    *out->outLength = n;
    return 0;
}

orv::sdk::Table FakeTable() {
    orv::sdk::Table t;
    t.PGPGetDefaultMemoryMgr = FakeDefaultMgr;
    t.PGPNewSecureData = FakeNewSecureData;
    t.PGPFreeData = FakeFreeData;
    t.PGPEncode = FakeEncode;
    t.PGPDecode = FakeDecode;
    t.PGPOCompression = FakeCompression;
    t.PGPOCipherAlgorithm = FakeCipher;
    t.PGPOInputBuffer = FakeInputBuffer;
    t.PGPOOutputBuffer = FakeOutputBuffer;
    t.PGPOConventionalEncrypt = FakeConventional;
    t.PGPOPassphraseBuffer = FakePassphraseBuffer;
    t.PGPOLastOption = FakeLast;
    return t;
}

const std::array<std::uint32_t, 8> kSeed = {3, 1, 4, 1, 5, 9, 2, 6};
const std::string kJobOutput = "-----BEGIN PGP MESSAGE-----\r\nhQEMA0123456789abcdef\r\n";

class SecureCacheTest : public ::testing::Test {
protected:
    void SetUp() override { g = FakeEngine{}; }
    void TearDown() override {
        EXPECT_EQ(g.badFrees, 0);
    }
    bool Store(TSecure& s, const char* phrase, int slot) {
        return s.CachePassphrase(nullptr, phrase, slot, kJobOutput.data(), kJobOutput.size());
    }
    std::string Fetch(TSecure& s, int slot, PGPError* err = nullptr) {
        char* p = reinterpret_cast<char*>(1);
        const PGPError e = s.FetchPassphrase(nullptr, slot, p);
        if (err) *err = e;
        if (!p) return "<none>";
        EXPECT_EQ(g.live.at(p).first, 256u);
        EXPECT_TRUE(g.live.at(p).second);
        std::string text(p);
        FakeFreeData(p);
        return text;
    }
    orv::sdk::Table table_ = FakeTable();
};

TEST_F(SecureCacheTest, StoredPassphraseComesBackFromEitherSlot) {
    TSecure s(table_, kSeed);
    EXPECT_TRUE(s.IsEmpty());
    ASSERT_TRUE(Store(s, "decrypt secret", orv::kDecryptSlot));
    EXPECT_FALSE(s.IsEmpty());
    ASSERT_TRUE(Store(s, "sign secret", orv::kSignSlot));
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot), "decrypt secret");
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "sign secret");
    // Fetching does not use the passphrase up: a storage time of 0 reuses it.
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "sign secret");
}

TEST_F(SecureCacheTest, StoringBuildsTheConventionalEncodingJob) {
    TSecure s(table_, kSeed);
    const char* phrase = "abc def";
    ASSERT_TRUE(Store(s, phrase, orv::kSignSlot));
    ASSERT_EQ(g.encodeCalls, 1);
    const auto& opts = g.lastEncode;
    ASSERT_EQ(opts.size(), 5u);
    ASSERT_NE(Find(opts, Opt::Compression), nullptr);
    EXPECT_EQ(Find(opts, Opt::Compression)->value, 1u);
    EXPECT_EQ(Find(opts, Opt::Cipher)->value, 1u);
    EXPECT_EQ(Find(opts, Opt::InputBuffer)->data, phrase);
    EXPECT_EQ(Find(opts, Opt::InputBuffer)->size, 7u);
    const FakeOption* out = Find(opts, Opt::OutputBuffer);
    EXPECT_EQ(out->data, s.SignSlot.Blob);
    EXPECT_EQ(out->size, 512u);
    const FakeOption* conv = Find(opts, Opt::Conventional);
    ASSERT_EQ(conv->nested.size(), 1u);
    EXPECT_EQ(conv->nested[0]->data, s.SignSlot.Key);
    EXPECT_EQ(conv->nested[0]->size, 32u);

    // Both buffers are the engine's secure data of the stated sizes.
    EXPECT_EQ(g.live.at(s.SignSlot.Blob), std::make_pair(PGPSize{512}, true));
    EXPECT_EQ(g.live.at(s.SignSlot.Key), std::make_pair(PGPSize{32}, true));
    EXPECT_EQ(s.SignSlot.Length, static_cast<int>(4 + 32 + 7));
    // The blob does not hold the passphrase in plain form.
    const std::string blob(static_cast<char*>(s.SignSlot.Blob), 512);
    EXPECT_EQ(blob.find(phrase), std::string::npos);
}

TEST_F(SecureCacheTest, FetchingBuildsTheDecodingJob) {
    TSecure s(table_, kSeed);
    ASSERT_TRUE(Store(s, "pp", orv::kDecryptSlot));
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot), "pp");
    const auto& opts = g.lastDecode;
    ASSERT_EQ(opts.size(), 3u);
    EXPECT_EQ(Find(opts, Opt::InputBuffer)->data, s.DecryptSlot.Blob);
    EXPECT_EQ(Find(opts, Opt::InputBuffer)->size, static_cast<PGPSize>(s.DecryptSlot.Length));
    EXPECT_EQ(Find(opts, Opt::PassphraseBuffer)->data, s.DecryptSlot.Key);
    EXPECT_EQ(Find(opts, Opt::PassphraseBuffer)->size, 32u);
    // One byte of the 256 stays for the terminating zero.
    EXPECT_EQ(Find(opts, Opt::OutputBuffer)->size, 255u);
}

TEST_F(SecureCacheTest, NothingIsStoredWithoutPassphraseOrSource) {
    TSecure s(table_, kSeed);
    EXPECT_FALSE(s.CachePassphrase(nullptr, nullptr, 0, kJobOutput.data(), kJobOutput.size()));
    EXPECT_FALSE(s.CachePassphrase(nullptr, "p", 0, nullptr, 5));
    EXPECT_FALSE(s.CachePassphrase(nullptr, "p", 0, kJobOutput.data(), 0));
    EXPECT_FALSE(s.CachePassphrase(nullptr, "p", 2, kJobOutput.data(), kJobOutput.size()));
    EXPECT_FALSE(s.CachePassphrase(nullptr, "p", -1, kJobOutput.data(), kJobOutput.size()));
    EXPECT_EQ(g.encodeCalls, 0);
    EXPECT_TRUE(g.live.empty());
    EXPECT_TRUE(s.IsEmpty());
}

TEST_F(SecureCacheTest, FailedStoreLeavesTheSlotEmptyAndFreesItsBuffers) {
    TSecure s(table_, kSeed);
    ASSERT_TRUE(Store(s, "old", orv::kDecryptSlot));
    g.encodeResult = -11999;
    EXPECT_FALSE(Store(s, "new", orv::kDecryptSlot));
    EXPECT_EQ(s.DecryptSlot.Length, 0);
    EXPECT_EQ(s.DecryptSlot.Blob, nullptr);
    EXPECT_EQ(s.DecryptSlot.Key, nullptr);
    EXPECT_TRUE(g.live.empty());
    PGPError err = 0;
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot, &err), "<none>");
    EXPECT_EQ(err, kPGPError_NeedPassphrase);
}

TEST_F(SecureCacheTest, PassphraseTooLongForTheBlobIsNotStored) {
    TSecure s(table_, kSeed);
    const std::string longPhrase(600, 'x');
    EXPECT_FALSE(Store(s, longPhrase.c_str(), orv::kSignSlot));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(g.live.empty());
}

TEST_F(SecureCacheTest, FailedAllocationLeavesTheSlotEmpty) {
    TSecure s(table_, kSeed);
    g.failAllocation = true;
    EXPECT_FALSE(Store(s, "p", orv::kSignSlot));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(g.encodeCalls, 0);
}

TEST_F(SecureCacheTest, EmptySlotGivesNeededPassphraseIsMissing) {
    TSecure s(table_, kSeed);
    PGPError err = 0;
    EXPECT_EQ(Fetch(s, orv::kSignSlot, &err), "<none>");
    EXPECT_EQ(err, -11489);
    EXPECT_EQ(Fetch(s, 7, &err), "<none>");
    EXPECT_EQ(err, -11489);
    EXPECT_EQ(g.decodeCalls, 0);
}

TEST_F(SecureCacheTest, FailedFetchFreesTheBufferAndReturnsNone) {
    TSecure s(table_, kSeed);
    ASSERT_TRUE(Store(s, "p", orv::kDecryptSlot));
    const std::size_t before = g.live.size();
    g.decodeResult = -11500;
    PGPError err = 0;
    EXPECT_EQ(Fetch(s, orv::kDecryptSlot, &err), "<none>");
    EXPECT_EQ(err, -11500);
    EXPECT_EQ(g.live.size(), before);
}

TEST_F(SecureCacheTest, WipingOneSlotKeepsTheOther) {
    TSecure s(table_, kSeed);
    ASSERT_TRUE(Store(s, "d", orv::kDecryptSlot));
    ASSERT_TRUE(Store(s, "s", orv::kSignSlot));
    s.WipeSlot(orv::kDecryptSlot);
    EXPECT_EQ(s.DecryptSlot.Length, 0);
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_EQ(Fetch(s, orv::kSignSlot), "s");
    EXPECT_EQ(g.live.size(), 2u);
    s.WipeAll();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(g.live.empty());
    s.WipeAll();  // wiping twice frees nothing twice
}

TEST_F(SecureCacheTest, DestructionFreesEverySecureBuffer) {
    {
        TSecure s(table_, kSeed);
        ASSERT_TRUE(Store(s, "d", orv::kDecryptSlot));
        ASSERT_TRUE(Store(s, "s", orv::kSignSlot));
        ASSERT_TRUE(Store(s, "s2", orv::kSignSlot));  // replaces, frees the old pair
        EXPECT_EQ(g.live.size(), 4u);
    }
    EXPECT_TRUE(g.live.empty());
}

TEST_F(SecureCacheTest, MissingEntryPointsFailWithoutCrashing) {
    orv::sdk::Table empty;
    TSecure s(empty, kSeed);
    EXPECT_FALSE(Store(s, "p", orv::kSignSlot));
    char* p = nullptr;
    EXPECT_EQ(s.FetchPassphrase(nullptr, orv::kSignSlot, p), kPGPError_NeedPassphrase);
    EXPECT_EQ(p, nullptr);
    s.WipeAll();
}

// ---- The key -------------------------------------------------------------

TEST_F(SecureCacheTest, KeyFollowsTheDrawsInOrder) {
    TSecure s(table_, kSeed);
    orv::TIsaac mirror;
    mirror.Seed(kSeed);
    const auto* src = reinterpret_cast<const unsigned char*>(kJobOutput.data());
    const std::size_t n = kJobOutput.size();

    unsigned char key[32];
    s.MakeKey(key, src, n);

    auto pos = [](std::int32_t r, long long m) {
        long long v = static_cast<long long>(r) % m;
        return static_cast<std::size_t>(v < 0 ? -v : v);
    };
    unsigned char expected[32];
    const std::int32_t r0 = mirror.Next();
    const std::string digits = std::to_string(r0 < 0 ? -static_cast<long long>(r0) : r0);
    for (auto& b : expected) b = src[pos(mirror.Next(), static_cast<long long>(n))];
    for (char c : digits) expected[pos(mirror.Next(), 32)] = static_cast<unsigned char>(c);
    EXPECT_EQ(0, std::memcmp(key, expected, 32));
    EXPECT_EQ(s.Random.Next(), mirror.Next()) << "no draw more or less than the key needs";
}

TEST_F(SecureCacheTest, KeyFromSingleByteSourceStillCarriesTheDigits) {
    TSecure s(table_, kSeed);
    const unsigned char source = 'Q';
    unsigned char key[32];
    s.MakeKey(key, &source, 1);
    int digits = 0, fill = 0;
    for (unsigned char b : key) {
        if (b >= '0' && b <= '9') ++digits;
        if (b == 'Q') ++fill;
    }
    EXPECT_GT(digits, 0);
    EXPECT_EQ(digits + fill, 32);
}

// ---- Seeding ---------------------------------------------------------------

TEST(SecureSeed, WordsComeFromTimeCursorAndMessageState) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDayOfWeek = 2;
    t.wDay = 8;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 58;
    t.wMilliseconds = 999;
    const auto seed = orv::MakeSecureSeed(t, POINT{640, 480}, 0x11223344, 0x01E00280, 0xCAFEBABE);
    const std::uint32_t expected[8] = {
        12u + 58u * 65536u, 23u + 8u * 65536u, 999u + 2026u * 65536u, 2u + 59u * 65536u,
        640u + 480u * 65536u, 0x11223344u, 0x01E00280u, 0xCAFEBABEu,
    };
    for (int i = 0; i < 8; ++i) EXPECT_EQ(seed[i], expected[i]) << "word " << i;
}

TEST(SecureSeed, TheLiveSeedCarriesTodaysDate) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto seed = orv::MakeSecureSeed();
    EXPECT_EQ(seed[1] >> 16, now.wDay);
    EXPECT_EQ(seed[2] >> 16, now.wYear);
}

}  // namespace
