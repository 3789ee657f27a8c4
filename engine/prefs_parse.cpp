#include "engine/prefs_parse.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "base/text.h"

namespace orv {

std::string CleanPrefValue(std::string v) {
    if (v.size() >= 2 && v.compare(v.size() - 2, 2, " \\") == 0) v.resize(v.size() - 2);
    v = std::string(Trim(v));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}

// Fields with their quotes kept, so that a rewritten line keeps the fields it
// does not change exactly as they were.
std::vector<std::string> SplitRawPrefFields(const std::string& text) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.push_back(std::string(Trim(field)));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(std::string(Trim(field)));
    return fields;
}

namespace {

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
    const std::string t(Trim(text));
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
    std::vector<std::string> fields = SplitRawPrefFields(text);
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

std::string FullHexID(const std::string& keyID) {
    constexpr std::size_t kFull = 18;  // "0x" + 16 digits
    std::string id = keyID;
    // The zeros are padding behind the ID; a full ID's own last digits stay.
    while (id.size() > kFull && id.back() == '0') id.pop_back();
    if (id.size() > kFull && id[0] == '0' && (id[1] == 'x' || id[1] == 'X'))
        id = id.substr(0, 2) + id.substr(id.size() - 16);
    return id;
}

}  // namespace orv
