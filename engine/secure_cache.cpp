#include "engine/secure_cache.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/wipe_text.h"
#include "engine/wipe_file.h"

namespace orv {

namespace {

constexpr std::uint32_t MakeLong(std::uint32_t low, std::uint32_t high) {
    return low + high * 65536u;
}

// |r mod n| with the remainder taking the sign of r.
std::size_t RandomPosition(std::int32_t r, std::size_t n) {
    long long rem = static_cast<long long>(r) % static_cast<long long>(n);
    return static_cast<std::size_t>(rem < 0 ? -rem : rem);
}

}  // namespace

std::array<std::uint32_t, 8> MakeSecureSeed(const SYSTEMTIME& now, POINT cursor, LONG messageTime,
                                            DWORD messagePos, DWORD tickCount) {
    return {
        MakeLong(now.wMonth, now.wSecond),
        MakeLong(now.wHour, now.wDay),
        MakeLong(now.wMilliseconds, now.wYear),
        MakeLong(now.wDayOfWeek, now.wMinute),
        MakeLong(static_cast<std::uint32_t>(cursor.x), static_cast<std::uint32_t>(cursor.y)),
        static_cast<std::uint32_t>(messageTime),
        static_cast<std::uint32_t>(messagePos),
        static_cast<std::uint32_t>(tickCount),
    };
}

std::array<std::uint32_t, 8> MakeSecureSeed() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    POINT cursor{};
    if (!GetCursorPos(&cursor)) cursor = POINT{};
    return MakeSecureSeed(now, cursor, GetMessageTime(), GetMessagePos(), GetTickCount());
}

TSecure::TSecure(const sdk::Table& sdk) : TSecure(sdk, MakeSecureSeed()) {}

TSecure::TSecure(const sdk::Table& sdk, const std::array<std::uint32_t, 8>& seed) : sdk_(sdk) {
    Random.Seed(seed);
}

TSecure::~TSecure() { WipeAll(); }

TSecure::Slot* TSecure::SlotAt(int slot) {
    if (slot == kDecryptSlot) return &DecryptSlot;
    if (slot == kSignSlot) return &SignSlot;
    return nullptr;
}

void TSecure::FreeSlot(Slot& s) {
    // Secure data is wiped by the engine when it is freed.
    if (sdk_.PGPFreeData) {
        if (s.Blob) sdk_.PGPFreeData(s.Blob);
        if (s.Key) sdk_.PGPFreeData(s.Key);
    }
    s.Blob = nullptr;
    s.Key = nullptr;
    s.Length = 0;
}

void TSecure::MakeKey(unsigned char (&key)[kKeySize], const unsigned char* source, std::size_t length) {
    const std::int32_t r0 = Random.Next();
    // Through 64 bits, so that the most negative draw has a magnitude too.
    const long long magnitude = std::llabs(static_cast<long long>(r0));
    const std::string digits = std::to_string(magnitude);
    for (auto& b : key) b = source[RandomPosition(Random.Next(), length)];
    for (char c : digits) key[RandomPosition(Random.Next(), kKeySize)] = static_cast<unsigned char>(c);
}

bool TSecure::CachePassphrase(PGPContextRef context, const char* passphrase, int slot, const void* source,
                              std::size_t length) {
    Slot* s = SlotAt(slot);
    if (!s || !passphrase || !source || length == 0) return false;
    FreeSlot(*s);

    const sdk::Table& t = sdk_;
    if (!t.PGPNewSecureData || !t.PGPGetDefaultMemoryMgr || !t.PGPFreeData || !t.PGPEncode ||
        !t.PGPOCompression || !t.PGPOCipherAlgorithm || !t.PGPOInputBuffer || !t.PGPOOutputBuffer ||
        !t.PGPOConventionalEncrypt || !t.PGPOPassphraseBuffer || !t.PGPOLastOption)
        return false;

    PGPMemoryMgrRef mgr = t.PGPGetDefaultMemoryMgr();
    s->Blob = t.PGPNewSecureData(mgr, kBlobSize, kPGPMemoryMgrFlags_Clear);
    s->Key = t.PGPNewSecureData(mgr, kKeySize, kPGPMemoryMgrFlags_Clear);
    if (!s->Blob || !s->Key) {
        FreeSlot(*s);
        return false;
    }

    unsigned char key[kKeySize];
    MakeKey(key, static_cast<const unsigned char*>(source), length);
    std::memcpy(s->Key, key, kKeySize);
    WipeBytes(key, sizeof(key));

    PGPSize outLength = 0;
    const PGPError err = t.PGPEncode(
        context, t.PGPOCompression(context, 1), t.PGPOCipherAlgorithm(context, kPGPCipherAlgorithm_IDEA),
        t.PGPOInputBuffer(context, passphrase, static_cast<PGPSize>(std::strlen(passphrase))),
        t.PGPOOutputBuffer(context, s->Blob, kBlobSize, &outLength),
        t.PGPOConventionalEncrypt(context, t.PGPOPassphraseBuffer(context, s->Key, kKeySize),
                                  t.PGPOLastOption(context)),
        t.PGPOLastOption(context));
    if (err != kPGPError_NoErr || outLength == 0 || outLength > kBlobSize) {
        FreeSlot(*s);
        return false;
    }
    s->Length = static_cast<int>(outLength);
    return true;
}

PGPError TSecure::FetchPassphrase(PGPContextRef context, int slot, char*& passphrase) {
    passphrase = nullptr;
    Slot* s = SlotAt(slot);
    if (!s || s->Length == 0) return kPGPError_NeedPassphrase;

    const sdk::Table& t = sdk_;
    if (!t.PGPNewSecureData || !t.PGPGetDefaultMemoryMgr || !t.PGPFreeData || !t.PGPDecode ||
        !t.PGPOInputBuffer || !t.PGPOOutputBuffer || !t.PGPOPassphraseBuffer || !t.PGPOLastOption)
        return kPGPError_EngineNotLoaded;

    char* out = static_cast<char*>(
        t.PGPNewSecureData(t.PGPGetDefaultMemoryMgr(), kPassphraseSize, kPGPMemoryMgrFlags_Clear));
    if (!out) return kPGPError_OutOfMemory;

    // One byte short of the buffer, so that the text always ends in a zero.
    PGPSize outLength = 0;
    const PGPError err = t.PGPDecode(
        context, t.PGPOInputBuffer(context, s->Blob, static_cast<PGPSize>(s->Length)),
        t.PGPOOutputBuffer(context, out, kPassphraseSize - 1, &outLength),
        t.PGPOPassphraseBuffer(context, s->Key, kKeySize), t.PGPOLastOption(context));
    if (err != kPGPError_NoErr || outLength >= kPassphraseSize) {
        t.PGPFreeData(out);
        return err != kPGPError_NoErr ? err : kPGPError_BadParams;
    }
    out[outLength] = '\0';
    passphrase = out;
    return kPGPError_NoErr;
}

void TSecure::WipeSlot(int slot) {
    if (Slot* s = SlotAt(slot)) FreeSlot(*s);
}

void TSecure::WipeAll() {
    FreeSlot(DecryptSlot);
    FreeSlot(SignSlot);
}

bool TSecure::IsEmpty() const { return DecryptSlot.Length == 0 && SignSlot.Length == 0; }

void TSecure::WipeFile(const char* path) { orv::WipeFile(path, WipeCount, Random); }

}  // namespace orv
