#include "engine/prefs_file.h"

#include <windows.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <utility>

#include "base/unique_handle.h"

namespace orv {

namespace {

constexpr const char* kPGPFolder = "\\Network Associates\\PGP\\";
// Far beyond any real preference file; larger ones are not read.
constexpr DWORD kMaxPrefsFileSize = 16 * 1024 * 1024;

bool EqualNoCase(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t first = 0, last = s.size();
    while (first < last && IsBlank(s[first])) ++first;
    while (last > first && IsBlank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

std::string CleanValue(std::string v) {
    if (v.size() >= 2 && v.compare(v.size() - 2, 2, " \\") == 0) v.resize(v.size() - 2);
    v = Trim(v);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}

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

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxPrefsFileSize) return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
         done != bytes.size()))
        return false;
    return true;
}

// Writes beside the target and moves over it, so that readers see the old
// file or the new one, never a part.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    std::string dir = path;
    const std::size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(dir.c_str(), "orv", 0, temp)) return false;
    bool ok = false;
    {
        UniqueHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        DWORD done = 0;
        ok = file &&
             (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                          &done, nullptr) &&
                                done == bytes.size())) &&
             FlushFileBuffers(file.get());
    }
    ok = ok && MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temp);
    return ok;
}

// Fields with their quotes kept, so that a rewritten line keeps the fields it
// does not change exactly as they were.
std::vector<std::string> SplitRawFields(const std::string& text) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.push_back(Trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(Trim(field));
    return fields;
}

std::string Unquote(const std::string& field) {
    if (field.empty() || field.front() != '"') return field;
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 1; i < field.size(); ++i) {
        if (field[i] == '"') {
            if (i + 1 < field.size() && field[i + 1] == '"') {
                out += '"';
                ++i;
                continue;
            }
            break;
        }
        out += field[i];
    }
    return out;
}

}  // namespace

const char* KeyServerProtocolName(int protocol) {
    static const char* const kNames[] = {"ldap", "http", "ldaps", "https"};
    return protocol >= 1 && protocol <= 4 ? kNames[protocol - 1] : nullptr;
}

std::string KeyServerURL(int protocol, const std::string& host, const std::string& port) {
    const char* name = KeyServerProtocolName(protocol);
    if (!name) return {};
    std::string url = std::string(name) + "://" + host;
    if (!port.empty() && port != "0") url += ":" + port;
    return url;
}

bool ParsePrefInt(const std::string& text, int& value) {
    const std::string t = Trim(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    if (i == t.size()) return false;
    for (std::size_t j = i; j < t.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(t[j]))) return false;
    if (t.size() - i > 10) return false;
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

std::vector<std::string> SplitPrefFields(const std::string& text) {
    std::vector<std::string> fields = SplitRawFields(text);
    for (auto& f : fields) f = Unquote(f);
    return fields;
}

std::vector<std::string> SplitPrefLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
    return lines;
}

std::string JoinPrefLines(const std::vector<std::string>& lines) {
    static const std::string kContinuation = " \\\r\n";
    std::string text;
    std::size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    text.reserve(total);
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, kContinuation.size(), kContinuation) != 0) {
            out += text[i++];
            continue;
        }
        i += kContinuation.size();
        // A quoted value continues in a new pair of quotes: the closing quote
        // before the break and the opening one after it go as well.
        if (!out.empty() && out.back() == '"') {
            out.pop_back();
            if (i < text.size() && text[i] == '"') ++i;
        }
    }
    return out;
}

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
    if (PrefsPath.empty() || !ReadWholeFile(PrefsPath, bytes)) return false;
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
        if (EqualNoCase(Trim(line.substr(0, eq)), name.c_str())) return CleanValue(line.substr(eq + 1));
    }
    return {};
}

void TPrefsFile::SetValue(const std::string& name, const std::string& value) {
    for (auto& line : PrefsData) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (EqualNoCase(Trim(line.substr(0, eq)), name.c_str())) {
            line = line.substr(0, eq + 1) + value;
            return;
        }
    }
    PrefsData.push_back(name + "=" + value);
}

std::string TPrefsFile::GetFullHexID(const std::string& keyID) {
    constexpr std::size_t kFull = 18;  // "0x" + 16 digits
    std::string id = keyID;
    // The zeros are padding behind the ID; a full ID's own last digits stay.
    while (id.size() > kFull && id.back() == '0') id.pop_back();
    if (id.size() > kFull && id[0] == '0' && (id[1] == 'x' || id[1] == 'X'))
        id = id.substr(0, 2) + id.substr(id.size() - 16);
    return id;
}

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
    std::vector<std::string> fields = SplitRawFields(Value("KeyServerList1"));
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
    return s.Loaded() && EqualNoCase(Value("MarginalValidityIsInvalid"), "TRUE");
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
