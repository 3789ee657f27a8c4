#include "engine/pgp_prefs.h"

#include <windows.h>

#include <cstring>

#include "engine/adapters.h"
#include "engine/loader.h"
#include "engine/prefs_file.h"
#include "engine/sdk_table.h"

namespace orv {

namespace {

constexpr std::size_t kProtocolAt = 4;
constexpr std::size_t kHostAt = 264;
constexpr std::size_t kHostRoom = 256;
constexpr std::size_t kPortAt = 520;
constexpr std::size_t kExtraAt = 656;

std::int32_t ReadInt32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return static_cast<std::int32_t>(v);
}
void WriteInt32(std::uint8_t* p, std::int32_t v) { std::memcpy(p, &v, 4); }

KeyServerEntry EntryAt(const std::uint8_t* e) {
    KeyServerEntry entry;
    entry.Protocol = ReadInt32(e + kProtocolAt);
    const char* host = reinterpret_cast<const char*>(e + kHostAt);
    std::size_t n = 0;
    while (n < kHostRoom && host[n]) ++n;  // a host without its zero ends at the field
    entry.Host.assign(host, n);
    // The low 16 bits hold the port whether PGP keeps it in 16 or 32 bits.
    entry.Port = static_cast<int>(e[kPortAt] | (e[kPortAt + 1] << 8));
    entry.Extra = ReadInt32(e + kExtraAt);
    return entry;
}

class Context {
public:
    Context() { error_ = sdk::Call(sdk::Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &ctx_); }
    ~Context() {
        if (ctx_ && sdk::Sdk().PGPFreeContext) sdk::Sdk().PGPFreeContext(ctx_);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    PGPContextRef get() const { return ctx_; }
    PGPError error() const { return error_; }

private:
    PGPContextRef ctx_ = nullptr;
    PGPError error_ = kPGPError_EngineNotLoaded;
};

PGPError FileFromPrefs(PGPContextRef ctx, PGPsdkPrefSelector selector, std::string& path) {
    auto& t = sdk::Sdk();
    PGPFileSpecRef spec = nullptr;
    PGPError err = sdk::Call(t.PGPsdkPrefGetFileSpec, ctx, selector, &spec);
    if (err != kPGPError_NoErr) return err;
    char* full = nullptr;
    err = sdk::Call(t.PGPGetFullPathFromFileSpec, spec, &full);
    if (spec && t.PGPFreeFileSpec) t.PGPFreeFileSpec(spec);
    if (err == kPGPError_NoErr && full) path = full;
    if (full && t.PGPFreeData) t.PGPFreeData(full);
    return err;
}

PGPError DefaultKeyFromPrefs(PGPContextRef ctx, std::string& keyID) {
    auto& t = sdk::Sdk();
    void* data = nullptr;
    PGPSize size = 0;
    PGPError err = sdk::Call(t.PGPsdkPrefGetData, ctx, PGPsdkPrefSelector(kPGPsdkPref_DefaultKeyID), &data, &size);
    if (err != kPGPError_NoErr) {
        if (data && t.PGPFreeData) t.PGPFreeData(data);
        return err;
    }
    // The engine reads the exported ID from a buffer of full size, never
    // past what the preference held.
    PGPByte exported[kPGPKeyIDSize] = {};
    if (data) std::memcpy(exported, data, size < sizeof(exported) ? size : sizeof(exported));
    if (data && t.PGPFreeData) t.PGPFreeData(data);
    if (size == 0) return kPGPError_PrefNotFound;
    PGPKeyID id{};
    err = sdk::Call(t.PGPImportKeyID, static_cast<const void*>(exported), &id);
    if (err != kPGPError_NoErr) return err;
    char text[kPGPMaxKeyIDStringSize] = {};
    err = sdk::Call(t.PGPGetKeyIDString, static_cast<const PGPKeyID*>(&id), loader::KeyIDFormatFull(), text);
    if (err == kPGPError_NoErr) {
        text[kPGPMaxKeyIDStringSize - 1] = '\0';
        keyID = text;
    }
    return err;
}

std::unique_ptr<TPgpPrefs>& Instance() {
    static std::unique_ptr<TPgpPrefs> prefs;
    return prefs;
}

}  // namespace

std::vector<KeyServerEntry> ParseKeyServerEntries(const std::vector<std::uint8_t>& data) {
    std::vector<KeyServerEntry> entries;
    const std::size_t count = data.size() / kKeyServerEntrySize;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) entries.push_back(EntryAt(data.data() + i * kKeyServerEntrySize));
    return entries;
}

int PatchFirstKeyServerEntry(std::vector<std::uint8_t>& data, const KeyServerEntry& entry) {
    if (data.size() < kKeyServerEntrySize) return kPrefErrNotFound;
    if (entry.Host.empty() || entry.Host.size() >= kHostRoom || entry.Host.find('\0') != std::string::npos)
        return kPrefErrBadParams;
    std::uint8_t* e = data.data();
    WriteInt32(e + kProtocolAt, entry.Protocol);
    std::memset(e + kHostAt, 0, kHostRoom);
    std::memcpy(e + kHostAt, entry.Host.data(), entry.Host.size());
    e[kPortAt] = static_cast<std::uint8_t>(entry.Port & 0xff);
    e[kPortAt + 1] = static_cast<std::uint8_t>((entry.Port >> 8) & 0xff);
    WriteInt32(e + kExtraAt, entry.Extra);
    return 0;
}

std::vector<int> ParseAlgorithmList(const std::vector<std::uint8_t>& data) {
    std::vector<int> algorithms;
    for (std::size_t at = 0; at + 4 <= data.size() && algorithms.size() < 8; at += 4)
        algorithms.push_back(ReadInt32(data.data() + at));
    return algorithms;
}

int TSdkPrefs::ReadPrefs(PrefsRecord& record, unsigned mask) {
    Context ctx;
    if (ctx.error() != kPGPError_NoErr) return ctx.error();
    PGPError err = sdk::Call(sdk::Sdk().PGPsdkLoadDefaultPrefs, ctx.get());
    if (err != kPGPError_NoErr) return err;
    const struct {
        unsigned bit;
        PGPsdkPrefSelector selector;
        std::string PrefsRecord::*field;
    } files[] = {
        {kPrefsPublicRing, kPGPsdkPref_PublicKeyring, &PrefsRecord::PublicRing},
        {kPrefsPrivateRing, kPGPsdkPref_PrivateKeyring, &PrefsRecord::PrivateRing},
        {kPrefsRandomSeed, kPGPsdkPref_RandomSeedFile, &PrefsRecord::RandomSeed},
        {kPrefsGroupsFile, kPGPsdkPref_GroupsFile, &PrefsRecord::GroupsFile},
    };
    for (const auto& f : files) {
        if (!(mask & f.bit)) continue;
        err = FileFromPrefs(ctx.get(), f.selector, record.*f.field);
        if (err != kPGPError_NoErr) return err;
    }
    if (mask & kPrefsDefaultKey) return DefaultKeyFromPrefs(ctx.get(), record.DefaultKeyID);
    return kPGPError_NoErr;
}

int TSdkPrefs::ReadKeyServerURLs(std::vector<std::string>& urls) {
    urls.clear();
    std::vector<std::uint8_t> data;
    const PGPError err = sdk::GetClientPrefData(kPGPPrefKeyServerList, data);
    if (err != kPGPError_NoErr) return kPrefErrNotFound;
    for (const auto& e : ParseKeyServerEntries(data)) {
        if (e.Host.empty() || !KeyServerProtocolName(e.Protocol)) continue;
        urls.push_back(KeyServerURL(e.Protocol, e.Host, std::to_string(e.Port)));
    }
    return urls.empty() ? kPrefErrNotFound : 0;
}

int TSdkPrefs::ReadFirstKeyServer(KeyServerEntry& entry) {
    std::vector<std::uint8_t> data;
    if (sdk::GetClientPrefData(kPGPPrefKeyServerList, data) != kPGPError_NoErr) return kPrefErrNotFound;
    const auto entries = ParseKeyServerEntries(data);
    if (entries.empty()) return kPrefErrNotFound;
    entry = entries.front();
    return 0;
}

int TSdkPrefs::WriteFirstKeyServer(const KeyServerEntry& entry) {
    std::vector<std::uint8_t> data;
    if (sdk::GetClientPrefData(kPGPPrefKeyServerList, data) != kPGPError_NoErr) return kPrefErrNotFound;
    const int patched = PatchFirstKeyServerEntry(data, entry);
    if (patched != 0) return patched;
    const PGPError err = sdk::SetClientPrefData(kPGPPrefKeyServerList, data);
    if (err != kPGPError_NoErr) return err;
    sdk::NotifyPrefsChanges(GetCurrentProcessId());
    return 0;
}

bool TSdkPrefs::MarginalIsInvalid() {
    bool value = false;
    return sdk::GetClientPrefBoolean(kPGPPrefMarginalIsInvalid, value) == kPGPError_NoErr && value;
}

int TSdkPrefs::ReadPreferredAlgorithms(std::vector<int>& algorithms) {
    algorithms.clear();
    std::vector<std::uint8_t> data;
    if (sdk::GetClientPrefData(kPGPPrefAllowedAlgorithms, data) != kPGPError_NoErr) return kPrefErrNotFound;
    algorithms = ParseAlgorithmList(data);
    return algorithms.empty() ? kPrefErrNotFound : 0;
}

TPgpPrefs* PgpPrefs() { return Instance().get(); }

void CreatePgpPrefs() {
    if (loader::IsSDK7())
        Instance() = std::make_unique<TPrefsFile>();
    else
        Instance() = std::make_unique<TSdkPrefs>();
}

void FreePgpPrefs() { Instance().reset(); }

}  // namespace orv
