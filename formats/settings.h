#pragma once
// The user's settings from "Merrowin.cfg", as the configuration store read
// them. The store owns the one record; the encryptor operations, the jobs'
// set-up and the windows read it by reference, so a value changed by the
// store is the value every reader sees.

#include <cstdint>
#include <string>

// Every key of "Merrowin.cfg" that a deliverable reads or writes:
// (id, section, key, kind, default, lowest, highest). A number outside its
// range reads as the nearest end, for every reader alike; a flag is any
// number, on when not 0. The last rows are the keys of older files that the
// upgrade converts, taken as they are.
#define ORV_CONFIG_KEYS(X) \
    X(DefaultUserName, "DefaultUser", "Name", Text, 0, 0, 0) \
    X(Always, "DefaultUser", "Always", Flag, 0, 0, 1) \
    X(Comment, "DefaultComment", "Comment", Text, 0, 0, 0) \
    X(Standard, "StandardColor", "Standard", Flag, 0, 0, 1) \
    X(Auto, "Pellatch", "Auto", Flag, 1, 0, 1) \
    X(Hide, "HideKeyDialog", "Hide", Flag, 0, 0, 1) \
    X(Encrypt, "EncryptAttach", "Encrypt", Flag, 1, 0, 1) \
    X(Confirm, "ConfirmEncrypt", "Confirm", Flag, 0, 0, 1) \
    X(MixedWarn, "MixedOptions", "Warn", Flag, 1, 0, 1) \
    X(ADKWarn, "ADKWarning", "Warn", Flag, 1, 0, 1) \
    X(CheckKey, "CheckMessage", "CheckKey", Flag, 0, 0, 1) \
    X(Lookup, "CheckMessage", "Lookup", Flag, 0, 0, 1) \
    X(CheckSig, "CheckMessage", "CheckSig", Flag, 1, 0, 1) \
    X(Include, "CheckMessage", "Include", Number, 0, 0, 2) \
    X(Store, "StorePassphrase", "Store", Number, -1, -1, 900) \
    X(Count, "WipeCount", "Count", Number, 3, 1, 100) \
    X(SecRing, "FilePaths", "SecRing", Text, 0, 0, 0) \
    X(PubRing, "FilePaths", "PubRing", Text, 0, 0, 0) \
    X(PGPGroup, "FilePaths", "PGPgroup", Text, 0, 0, 0) \
    X(PGPMime, "MenuOptions", "PGPMime", Flag, 0, 0, 1) \
    X(PGPExt, "MenuOptions", "PGPExt", Flag, 0, 0, 1) \
    X(WipePass, "Toolbar", "WipePass", Flag, 0, 0, 1) \
    X(EncSign, "Toolbar", "EncSign", Number, 2, 0, 4) \
    X(Decrypt, "Toolbar", "Decrypt", Flag, 1, 0, 1) \
    X(Verify, "Toolbar", "Verify", Flag, 1, 0, 1) \
    X(Manage, "Toolbar", "Manage", Flag, 1, 0, 1) \
    X(PGPkeys, "Toolbar", "PGPkeys", Flag, 1, 0, 1) \
    X(FullAuto, "FullAuto", "Checked", Flag, 0, 0, 1) \
    X(FullAutoSigned, "FullAuto", "Signed", Flag, 0, 0, 1) \
    X(LanguageCheck, "Language", "Check", Flag, 1, 0, 1) \
    X(Version, "Version", "No", Number, 0, kConfigAny, kConfigAnyTop) \
    X(OldCheckSig, "CheckSig", "Check", Number, 1, kConfigAny, kConfigAnyTop) \
    X(OldInclude, "CheckSig", "Include", Number, 0, kConfigAny, kConfigAnyTop) \
    X(OldSignOnly, "Toolbar", "SignOnly", Number, 0, kConfigAny, kConfigAnyTop)

namespace orv {

constexpr int kConfigAny = -0x7FFFFFFF - 1, kConfigAnyTop = 0x7FFFFFFF;

enum class ConfigKind { Flag, Number, Text };

struct ConfigKey {
    const char* section;
    const char* key;
    ConfigKind kind;
    int fallback;  // numbers and flags; texts default to ""
    int lowest;
    int highest;
};

enum class Cfg {
#define ORV_CONFIG_ID(id, section, key, kind, fallback, lowest, highest) id,
    ORV_CONFIG_KEYS(ORV_CONFIG_ID)
#undef ORV_CONFIG_ID
};

inline constexpr ConfigKey kConfigKeys[] = {
#define ORV_CONFIG_ROW(id, section, key, kind, fallback, lowest, highest) \
    {section, key, ConfigKind::kind, fallback, lowest, highest},
    ORV_CONFIG_KEYS(ORV_CONFIG_ROW)
#undef ORV_CONFIG_ROW
};

constexpr const ConfigKey& KeyOf(Cfg id) { return kConfigKeys[static_cast<int>(id)]; }

// A number as every reader takes it: within the key's range.
constexpr int ClampConfig(Cfg id, int value) {
    const ConfigKey& k = KeyOf(id);
    return value < k.lowest ? k.lowest : value > k.highest ? k.highest : value;
}

// Store value that keeps no passphrase at all.
constexpr int kStoreNever = -1;
static_assert(KeyOf(Cfg::Store).fallback == kStoreNever && KeyOf(Cfg::Store).lowest == kStoreNever);

struct TSettings {
    // [DefaultUser] Name, split into its halves by the configuration check.
    std::string DefaultUserName;
    std::string DefaultKeyID;
    bool Always = KeyOf(Cfg::Always).fallback;
    std::string Comment;
    bool Standard = KeyOf(Cfg::Standard).fallback;
    bool Auto = KeyOf(Cfg::Auto).fallback;
    bool Hide = KeyOf(Cfg::Hide).fallback;
    bool Encrypt = KeyOf(Cfg::Encrypt).fallback;
    bool Confirm = KeyOf(Cfg::Confirm).fallback;
    bool MixedWarn = KeyOf(Cfg::MixedWarn).fallback;
    bool ADKWarn = KeyOf(Cfg::ADKWarn).fallback;
    bool CheckKey = KeyOf(Cfg::CheckKey).fallback;
    bool Lookup = KeyOf(Cfg::Lookup).fallback;
    bool CheckSig = KeyOf(Cfg::CheckSig).fallback;
    std::uint8_t Include = KeyOf(Cfg::Include).fallback;
    int Store = kStoreNever;  // seconds
    int Count = KeyOf(Cfg::Count).fallback;
    // Read by the configuration check; a ring that does not exist is "".
    std::string SecRing;
    std::string PubRing;
    std::string PGPGroup;
    bool PGPMime = KeyOf(Cfg::PGPMime).fallback;
    bool PGPExt = KeyOf(Cfg::PGPExt).fallback;
};

}  // namespace orv
