#pragma once
// The passphrase cache: at most one decryption and one signing passphrase
// kept between jobs, never in plain form. Each is conventionally encrypted
// by the engine under a 32-byte key made from random numbers and the bytes
// of the job that used it. The same object wipes files for the destruction
// operation.

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/isaac.h"
#include "engine/sdk_table.h"

#include <windows.h>

namespace orv {

enum { kDecryptSlot = 0, kSignSlot = 1 };

// Seed words from the local time, the cursor position and the message state.
std::array<std::uint32_t, 8> MakeSecureSeed(const SYSTEMTIME& now, POINT cursor, LONG messageTime,
                                            DWORD messagePos, DWORD tickCount);
std::array<std::uint32_t, 8> MakeSecureSeed();

class TSecure {
public:
    static constexpr PGPSize kBlobSize = 512;
    static constexpr PGPSize kKeySize = 32;
    static constexpr PGPSize kPassphraseSize = 256;

    struct Slot {
        int Length = 0;  // 0: empty
        void* Blob = nullptr;
        void* Key = nullptr;
    };

    // Seeds the random source from the clock and the message state.
    explicit TSecure(const sdk::Table& sdk = sdk::Sdk());
    TSecure(const sdk::Table& sdk, const std::array<std::uint32_t, 8>& seed);
    ~TSecure();
    TSecure(const TSecure&) = delete;
    TSecure& operator=(const TSecure&) = delete;

    // Stores the passphrase in slot 0 or 1, keyed by the job's output bytes.
    bool CachePassphrase(PGPContextRef context, const char* passphrase, int slot, const void* source,
                         std::size_t length);
    // 0 with a new secure buffer of 256 bytes (free with PGPFreeData),
    // -11489 for an empty slot, or the engine's error; no buffer on failure.
    PGPError FetchPassphrase(PGPContextRef context, int slot, char*& passphrase);

    void WipeSlot(int slot);
    void WipeAll();
    bool IsEmpty() const;

    void WipeFile(const char* path);
    void SetWipeCount(int count) { WipeCount = count; }

    // The 32 key bytes taken from random positions of the source, with the
    // decimal text of one more random number scattered over them.
    void MakeKey(unsigned char (&key)[kKeySize], const unsigned char* source, std::size_t length);

    Slot DecryptSlot;
    Slot SignSlot;
    TIsaac Random;
    int WipeCount = 3;

private:
    Slot* SlotAt(int slot);
    void FreeSlot(Slot& s);

    const sdk::Table& sdk_;
};

}  // namespace orv
