#include "standin/sdkclient/pref_store.h"

#include <windows.h>

#include <cstdlib>

#include "base/unique_handle.h"

namespace sdkclient {

namespace {

const char kHex[] = "0123456789ABCDEF";

std::string toHex(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool fromHex(const std::string& hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool allDigits(const std::string& s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string TPrefStore::Text() const {
    std::string text = "; PGP client preferences of the engine stand-in\r\n";
    for (const auto& [index, v] : values_) {
        const bool plain = v.kind == 'b' || v.kind == 'n';
        text += std::to_string(index) + "=" + v.kind + ":" + (plain ? v.bytes : toHex(v.bytes)) + "\r\n";
    }
    return text;
}

void TPrefStore::Parse(const std::string& text) {
    values_.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || eq == std::string::npos || line.size() < eq + 3 || line[eq + 2] != ':')
            continue;
        const std::string index = line.substr(0, eq);
        const char kind = line[eq + 1];
        const std::string value = line.substr(eq + 3);
        if (!allDigits(index)) continue;
        const long n = std::strtol(index.c_str(), nullptr, 10);
        PrefValue v;
        v.kind = kind;
        if (kind == 'b') {
            if (value != "0" && value != "1") continue;
            v.bytes = value;
        } else if (kind == 'n') {
            if (!allDigits(value) || std::strtoull(value.c_str(), nullptr, 10) > 0xFFFFFFFFull) continue;
            v.bytes = value;
        } else if (kind == 's' || kind == 'd') {
            if (!fromHex(value, v.bytes)) continue;
        } else {
            continue;
        }
        values_[static_cast<int>(n)] = v;
    }
    dirty_ = false;
}

void TPrefStore::Load(const std::string& path) {
    values_.clear();
    dirty_ = false;
    orv::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > (16u << 20)) return;
    std::string text(size, '\0');
    DWORD got = 0;
    if (size && (!ReadFile(file.get(), text.data(), size, &got, nullptr) || got != size)) return;
    Parse(text);
}

bool TPrefStore::Save(const std::string& path) const {
    const std::string text = Text();
    const std::string temp = path + ".new";
    {
        orv::UniqueHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) || written != text.size()) {
            file.reset();
            DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

const PrefValue* TPrefStore::Find(int index) const {
    auto it = values_.find(index);
    return it == values_.end() ? nullptr : &it->second;
}

void TPrefStore::Set(int index, char kind, const std::string& bytes) {
    values_[index] = PrefValue{kind, bytes};
    dirty_ = true;
}

bool TPrefStore::Remove(int index) {
    if (!values_.erase(index)) return false;
    dirty_ = true;
    return true;
}

}  // namespace sdkclient
