#pragma once
// "Merrowin.cfg": read through the platform's private-profile functions
// (strings through a 1024-byte buffer, integers in decimal or with a "0x"
// prefix), by the keys of its table with their defaults and ranges; written
// as a whole file, so that no reader ever sees half of a change.

#include <optional>
#include <string>
#include <vector>

#include "formats/profile_text.h"
#include "formats/settings.h"

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

    // By the table: a number within its range, a flag as 0 or 1, with the
    // table's default or the given one when the key is absent or no number.
    int Read(Cfg id) const { return Read(id, KeyOf(id).fallback); }
    int Read(Cfg id, int fallback) const;
    bool ReadFlag(Cfg id) const { return Read(id) != 0; }
    bool ReadFlag(Cfg id, bool fallback) const { return Read(id, fallback ? 1 : 0) != 0; }
    std::string ReadText(Cfg id, const std::string& fallback = {}) const {
        return ReadString(KeyOf(id).section, KeyOf(id).key, fallback);
    }
    bool Write(Cfg id, int value) const { return Write({Value(id, value)}); }

    // Every value set and every named section erased in one replacement of
    // the whole file. A read-only file stays unchanged unless the user's own
    // save asks to take the mark off; a failed write leaves it as it was.
    enum class ReadOnly { Keep, TakeOff };
    bool Write(const std::vector<ProfileValue>& values, const std::vector<std::string>& erasedSections = {},
               ReadOnly readOnly = ReadOnly::Keep) const;

    static ProfileValue Value(Cfg id, int value) { return {KeyOf(id).section, KeyOf(id).key, std::to_string(value)}; }
    static ProfileValue Value(Cfg id, bool value) { return Value(id, value ? 1 : 0); }
    static ProfileValue Value(Cfg id, const std::string& text) { return {KeyOf(id).section, KeyOf(id).key, text}; }

    static constexpr unsigned kStringRoom = 1024;

private:
    std::string path_;
};

}  // namespace orv
