#pragma once
// "Merrowin.cfg" through the platform's private-profile functions: strings
// through a 1024-byte buffer, integers in decimal or with a "0x" prefix.

#include <optional>
#include <string>

namespace orv {

// A configuration integer: optional blanks, decimal with an optional sign, or
// "0x"/"0X" and up to 8 hexadecimal digits (taken as 32 bits, so 0xFFFFFFFF
// is -1). Nothing for any other text.
std::optional<int> ParseConfigInt(const std::string& text);

class TConfigFile {
public:
    explicit TConfigFile(std::string path = {}) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }
    bool Exists() const;

    std::string ReadString(const char* section, const char* key, const std::string& fallback) const;
    int ReadInteger(const char* section, const char* key, int fallback) const;
    bool ReadBool(const char* section, const char* key, bool fallback) const {
        return ReadInteger(section, key, fallback ? 1 : 0) != 0;
    }
    bool WriteString(const char* section, const char* key, const std::string& value) const;
    bool WriteInteger(const char* section, const char* key, int value) const {
        return WriteString(section, key, std::to_string(value));
    }

    static constexpr unsigned kStringRoom = 1024;

private:
    std::string path_;
};

}  // namespace orv
