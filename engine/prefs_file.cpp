#include "engine/prefs_file.h"

#include <windows.h>

#include <utility>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "base/text.h"
#include "engine/prefs_parse.h"

namespace orv {

namespace {

constexpr const char* kPGPFolder = "\\Network Associates\\PGP\\";
// Far beyond any real preference file; larger ones are not read.
constexpr DWORD kMaxPrefsFileSize = 16 * 1024 * 1024;

std::string AppDataFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    UniqueRegKey owner(key);
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "AppData", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return std::string(buffer);
}

}  // namespace

class TPrefsFile::Session {
public:
    explicit Session(TPrefsFile& prefs) : prefs_(prefs), loaded_(prefs.LoadPrefs()) {}
    ~Session() { prefs_.PrefsData.clear(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool Loaded() const { return loaded_; }

private:
    TPrefsFile& prefs_;
    bool loaded_;
};

TPrefsFile::TPrefsFile() {
    // Without the folder there is no source: the paths stay empty rather
    // than pointing at the root of the current drive.
    const std::string appData = AppDataFolder();
    if (!appData.empty()) {
        PrefsPath = appData + kPGPFolder + "PGPprefs.txt";
        GroupsPath = appData + kPGPFolder + "PGPgroup.pgr";
    }
}

TPrefsFile::TPrefsFile(std::string prefsPath, std::string groupsPath)
    : PrefsPath(std::move(prefsPath)), GroupsPath(std::move(groupsPath)) {}

bool TPrefsFile::LoadPrefs() {
    PrefsData.clear();
    std::string bytes;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (PrefsPath.empty() || !GetFileAttributesExA(PrefsPath.c_str(), GetFileExInfoStandard, &data) ||
        data.nFileSizeHigh != 0 || data.nFileSizeLow > kMaxPrefsFileSize || !ReadWholeFile(PrefsPath, bytes))
        return false;
    const std::string text = JoinPrefLines(SplitPrefLines(bytes));
    PrefsData = SplitPrefLines(text);
    return !text.empty();
}

bool TPrefsFile::SavePrefs() {
    if (PrefsPath.empty()) return false;
    std::string text;
    for (const auto& line : PrefsData) {
        text += line;
        text += "\r\n";
    }
    return ReplaceWholeFile(PrefsPath, text);
}

std::string TPrefsFile::Value(const std::string& name) const {
    for (const auto& line : PrefsData) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (SameTextNoCase(Trim(std::string_view(line).substr(0, eq)), name)) return CleanPrefValue(line.substr(eq + 1));
    }
    return {};
}

void TPrefsFile::SetValue(const std::string& name, const std::string& value) {
    for (auto& line : PrefsData) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (SameTextNoCase(Trim(std::string_view(line).substr(0, eq)), name)) {
            line = line.substr(0, eq + 1) + value;
            return;
        }
    }
    PrefsData.push_back(name + "=" + value);
}

std::string TPrefsFile::GetFullHexID(const std::string& keyID) { return FullHexID(keyID); }

std::string TPrefsFile::GetPGPKeyIDString(const unsigned char (&keyID)[36]) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(72);
    for (unsigned char b : keyID) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

int TPrefsFile::ReadPrefs(PrefsRecord& record, unsigned mask) {
    Session s(*this);
    if (!s.Loaded()) return kPrefErrNotFound;
    if (mask & kPrefsPublicRing) record.PublicRing = Value("PublicKeyringFile");
    if (mask & kPrefsPrivateRing) record.PrivateRing = Value("PrivateKeyringFile");
    if (mask & kPrefsRandomSeed) record.RandomSeed = Value("RNGSeedFile");
    if (mask & kPrefsGroupsFile) record.GroupsFile = GroupsPath;
    if (mask & kPrefsDefaultKey) record.DefaultKeyID = GetFullHexID(Value("DefaultKeyID"));
    return 0;
}

int TPrefsFile::ReadKeyServerURLs(std::vector<std::string>& urls) {
    urls.clear();
    Session s(*this);
    if (!s.Loaded()) return kPrefErrNotFound;
    for (int n = 1;; ++n) {
        const std::string line = Value("KeyServerList" + std::to_string(n));
        if (line.empty()) break;
        const std::vector<std::string> fields = SplitPrefFields(line);
        if (fields.size() != 8) continue;
        int protocol = 0;
        if (!ParsePrefInt(fields[0], protocol)) {
            urls.clear();
            return kPrefErrNotFound;
        }
        if (!KeyServerProtocolName(protocol)) continue;
        urls.push_back(KeyServerURL(protocol, fields[3], fields[4]));
    }
    return urls.empty() ? kPrefErrNotFound : 0;
}

int TPrefsFile::ReadFirstKeyServer(KeyServerEntry& entry) {
    Session s(*this);
    if (!s.Loaded()) return kPrefErrNotFound;
    const std::vector<std::string> fields = SplitPrefFields(Value("KeyServerList1"));
    if (fields.size() != 8) return kPrefErrNotFound;
    KeyServerEntry read;
    if (!ParsePrefInt(fields[0], read.Protocol) || !ParsePrefInt(fields[4], read.Port) ||
        !ParsePrefInt(fields[7], read.Extra))
        return kPrefErrNotFound;
    read.Host = fields[3];
    entry = std::move(read);
    return 0;
}

int TPrefsFile::WriteFirstKeyServer(const KeyServerEntry& entry) {
    // The host goes into the file in quotes on one line: nothing in it may
    // end the quotes, the field or the line.
    if (entry.Host.empty()) return kPrefErrBadParams;
    for (char c : entry.Host)
        if (c == '"' || c == ',' || static_cast<unsigned char>(c) < 0x20) return kPrefErrBadParams;

    Session s(*this);
    if (!s.Loaded()) return kPrefErrNotFound;
    std::vector<std::string> fields = SplitRawPrefFields(Value("KeyServerList1"));
    if (fields.size() != 8) return kPrefErrNotFound;
    fields[0] = std::to_string(entry.Protocol);
    fields[3] = "\"" + entry.Host + "\"";
    fields[4] = std::to_string(entry.Port);
    fields[7] = std::to_string(entry.Extra);
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += fields[i];
    }
    SetValue("KeyServerList1", line);
    return SavePrefs() ? 0 : kPrefErrNotFound;
}

bool TPrefsFile::MarginalIsInvalid() {
    Session s(*this);
    return s.Loaded() && SameTextNoCase(Value("MarginalValidityIsInvalid"), "TRUE");
}

int TPrefsFile::ReadPreferredAlgorithms(std::vector<int>& algorithms) {
    algorithms.clear();
    Session s(*this);
    if (!s.Loaded()) return kPrefErrNotFound;
    for (int n = 1; n <= 8; ++n) {
        const std::string v = Value("AllowedAlgorithmsList" + std::to_string(n));
        if (v.empty()) break;
        int algorithm = 0;
        if (!ParsePrefInt(v, algorithm)) {
            algorithms.clear();
            return kPrefErrNotFound;
        }
        algorithms.push_back(algorithm);
    }
    return algorithms.empty() ? kPrefErrNotFound : 0;
}

}  // namespace orv
