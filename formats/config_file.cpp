#include "formats/config_file.h"

#include <windows.h>

#include <cctype>
#include <cstdint>

#include "base/whole_file.h"

namespace orv {

std::optional<int> ParseConfigInt(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e) return std::nullopt;
    if (e - b > 2 && text[b] == '0' && (text[b + 1] == 'x' || text[b + 1] == 'X')) {
        if (e - b - 2 > 8) return std::nullopt;
        std::uint32_t v = 0;
        for (size_t i = b + 2; i < e; ++i) {
            const int c = std::tolower(static_cast<unsigned char>(text[i]));
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return std::nullopt;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<int>(v);
    }
    bool negative = false;
    if (text[b] == '-' || text[b] == '+') {
        negative = text[b] == '-';
        ++b;
    }
    if (b == e) return std::nullopt;
    std::int64_t v = 0;
    for (size_t i = b; i < e; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 0x80000000LL) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFLL) return std::nullopt;
    return static_cast<int>(v);
}

bool TConfigFile::Exists() const {
    if (path_.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TConfigFile::ReadString(const char* section, const char* key, const std::string& fallback) const {
    if (path_.empty()) return fallback;
    char buffer[kStringRoom];
    const DWORD n = GetPrivateProfileStringA(section, key, fallback.c_str(), buffer, kStringRoom, path_.c_str());
    return std::string(buffer, n);
}

int TConfigFile::ReadInteger(const char* section, const char* key, int fallback) const {
    // A key that is missing reads as the empty text, which is no number.
    const auto value = ParseConfigInt(ReadString(section, key, ""));
    return value ? *value : fallback;
}

int TConfigFile::Read(Cfg id, int fallback) const {
    const ConfigKey& k = KeyOf(id);
    const int value = ReadInteger(k.section, k.key, fallback);
    return k.kind == ConfigKind::Flag ? (value != 0 ? 1 : 0) : ClampConfig(id, value);
}

bool TConfigFile::WriteString(const char* section, const char* key, const std::string& value) const {
    return Write({{section, key, value}});
}

bool TConfigFile::Write(const std::vector<ProfileValue>& values, const std::vector<std::string>& erasedSections,
                        ReadOnly readOnly) const {
    if (path_.empty()) return false;
    std::string text;
    if (FileExists(path_) && !ReadWholeFile(path_, text)) return false;
    for (const std::string& section : erasedSections) text = EraseProfileSection(text, section);
    const std::string updated = SetProfileValues(text, values);
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    const bool takeOff = readOnly == ReadOnly::TakeOff && attributes != INVALID_FILE_ATTRIBUTES &&
                         (attributes & FILE_ATTRIBUTE_READONLY);
    if (takeOff) SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    const bool written = ReplaceWholeFile(path_, updated);
    if (!written && takeOff) SetFileAttributesA(path_.c_str(), attributes);
    return written;
}

}  // namespace orv
