#pragma once
// The installed PGP's preferences, read from whichever source the engine's
// release keeps them in: the text file of release 7 or the SDK and client
// library calls of release 6.5.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/prefs_parse.h"

namespace orv {

// "Preference not found": the source is missing or a value does not parse.
constexpr int kPrefErrNotFound = -11979;
// "Bad parameters".
constexpr int kPrefErrBadParams = -12000;

// Request mask bits of ReadPrefs.
enum PrefsMask : unsigned {
    kPrefsPublicRing = 1,
    kPrefsPrivateRing = 2,
    kPrefsRandomSeed = 4,
    kPrefsDefaultKey = 8,
    kPrefsGroupsFile = 16,
};

struct PrefsRecord {
    std::string PublicRing;
    std::string PrivateRing;
    std::string RandomSeed;
    std::string GroupsFile;
    std::string DefaultKeyID;  // "0x" + 16 hexadecimal digits
};

struct KeyServerEntry {
    int Protocol = 0;  // 1 ldap, 2 http, 3 ldaps, 4 https
    std::string Host;
    int Port = 0;
    int Extra = 0;  // PGP's own number kept with the entry
};

class TPgpPrefs {
public:
    virtual ~TPgpPrefs() = default;
    // 0, -11979 when the source cannot be read, or an SDK error number.
    virtual int ReadPrefs(PrefsRecord& record, unsigned mask) = 0;
    virtual int ReadKeyServerURLs(std::vector<std::string>& urls) = 0;
    virtual int ReadFirstKeyServer(KeyServerEntry& entry) = 0;
    virtual int WriteFirstKeyServer(const KeyServerEntry& entry) = 0;
    virtual bool MarginalIsInvalid() = 0;
    // Up to 8 algorithm numbers.
    virtual int ReadPreferredAlgorithms(std::vector<int>& algorithms) = 0;
};

// Release 6.5: the engine's own preferences and the client library's.
class TSdkPrefs : public TPgpPrefs {
public:
    int ReadPrefs(PrefsRecord& record, unsigned mask) override;
    int ReadKeyServerURLs(std::vector<std::string>& urls) override;
    int ReadFirstKeyServer(KeyServerEntry& entry) override;
    int WriteFirstKeyServer(const KeyServerEntry& entry) override;
    bool MarginalIsInvalid() override;
    int ReadPreferredAlgorithms(std::vector<int>& algorithms) override;
};

// The client library's key-server list: 724-byte entries with the protocol
// at byte 4, the host at byte 264 (room for 256 characters), the port at
// byte 520 and the fourth number at byte 656.
constexpr std::size_t kKeyServerEntrySize = 724;
std::vector<KeyServerEntry> ParseKeyServerEntries(const std::vector<std::uint8_t>& data);
// Rewrites the first entry and keeps every other byte; kPrefErrNotFound
// without a whole first entry, kPrefErrBadParams for a host without room.
int PatchFirstKeyServerEntry(std::vector<std::uint8_t>& data, const KeyServerEntry& entry);
// The client library's algorithm list: 4 bytes per number, at most 8.
std::vector<int> ParseAlgorithmList(const std::vector<std::uint8_t>& data);

// The process's preference reader, made for the loaded release when the
// engine is loaded and freed before it is unloaded; null in between.
TPgpPrefs* PgpPrefs();
void CreatePgpPrefs();
void FreePgpPrefs();

}  // namespace orv
