#pragma once
// The installed PGP's preferences, read from whichever source the engine's
// release keeps them in: the text file of release 7 or the SDK and client
// library calls of release 6.5.

#include <string>
#include <vector>

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

// "ldap", "http", "ldaps", "https" for 1-4, else nullptr.
const char* KeyServerProtocolName(int protocol);
// protocol name + "://" + host, and ":" + port unless the port text is "0"
// or empty; empty when the protocol has no name.
std::string KeyServerURL(int protocol, const std::string& host, const std::string& port);

// Strict decimal integer (optional sign, digits only, within 32 bits).
bool ParsePrefInt(const std::string& text, int& value);

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

}  // namespace orv
