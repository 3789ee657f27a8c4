#pragma once
// Lists of keys with the properties the windows show: one entry per key whose
// text is the key's full key-ID text and whose record holds what the list's
// mask asked for.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/pgpsdk.h"

namespace orv {

// Bits of a key-property mask: which record fields a listing fills.
enum : std::uint32_t {
    kPropShortKeyID = 0x1,
    kPropUserName = 0x2,
    kPropFingerprint = 0x4,
    kPropCreated = 0x8,
    kPropExpires = 0x10,
    kPropSizeText = 0x80,
    kPropAlgorithm = 0x100,
    kPropTrust = 0x200,
    kPropKeyValidity = 0x400,
    kPropCreatedTime = 0x800,
    kPropExpiresTime = 0x1000,
    kPropIsSecret = 0x8000,
    kPropIsAxiomatic = 0x10000,
    kPropIsRevoked = 0x20000,
    kPropIsDisabled = 0x40000,
    kPropIsExpired = 0x80000,
    kPropIsShared = 0x100000,
    kPropCanEncrypt = 0x200000,
    kPropCanDecrypt = 0x400000,
    kPropCanSign = 0x800000,
    kPropCanVerify = 0x1000000,
    kPropRevokerState = 0x2000000,
    kPropADKState = 0x4000000,
    kPropHasSubkeyText = 0x8000000,
    kPropUserIDs = 0x10000000,
    kPropUserIDSigs = 0x20000000,
    kPropGroups = 0x40000000,
};

// Separates a group member's shown text from its key ID.
constexpr char kGroupMemberKeyID = '\t';

// A key's user IDs (or another per-key text list).
class TUserIDs : public std::vector<std::string> {};

// ADKState values.
enum : int { kADKNone = 0, kADKPresent = 1, kADKRequired = 2 };

struct TKeyProps {
    std::string ShortKeyID;
    std::string UserName;
    std::string Fingerprint;
    std::string Created;
    std::string Expires;
    std::string SizeText;
    int Algorithm = 0;
    int Trust = 0;
    int KeyValidity = 0;
    PGPTime CreatedTime = 0;
    PGPTime ExpiresTime = 0;
    bool IsSecret = false;
    bool IsAxiomatic = false;
    bool IsRevoked = false;
    bool IsDisabled = false;
    bool IsExpired = false;
    bool IsShared = false;
    bool CanEncrypt = false;
    bool CanDecrypt = false;
    bool CanSign = false;
    bool CanVerify = false;
    int RevokerState = 0;
    int ADKState = kADKNone;
    bool HasSubkeyText = false;
    // Present only when the list's mask asks for them.
    std::unique_ptr<TUserIDs> UserIDs;         // bit 28
    std::unique_ptr<TUserIDs> Signatures;      // bit 29: certifier key IDs of the user IDs' signatures
    std::unique_ptr<TUserIDs> ADKeys;          // bit 26: key-ID texts of additional decryption keys
    std::unique_ptr<TUserIDs> RevocationKeys;  // bit 25: key-ID texts of revocation keys
};

class TKeyPropsList {
public:
    // Starts with `count` entries with empty texts and zeroed records.
    explicit TKeyPropsList(int count = 0, std::uint32_t mask = 0);
    TKeyPropsList(const TKeyPropsList&) = delete;
    TKeyPropsList& operator=(const TKeyPropsList&) = delete;

    std::uint32_t Mask() const { return mask_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Strings(int index) const { return entries_.at(index).text; }
    TKeyProps& Objects(int index) { return *entries_.at(index).props; }
    const TKeyProps& Objects(int index) const { return *entries_.at(index).props; }
    // Index of the entry with this text, or -1.
    int IndexOf(const std::string& text) const;

    int Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Clear();
    // The record travels with its entry.
    void Move(int from, int to);

    // Key groups of the groups file: the group's name, then one line per
    // member key (shown text, kGroupMemberKeyID, key-ID text).
    std::vector<std::string> Groups;

private:
    struct Entry {
        std::string text;
        std::unique_ptr<TKeyProps> props;
    };
    std::unique_ptr<TKeyProps> NewRecord() const;

    std::uint32_t mask_;
    std::vector<Entry> entries_;
};

}  // namespace orv
