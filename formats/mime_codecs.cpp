// Quoted-printable, encoded header words, base64 and uuencode.

#include "formats/mcfuncs.h"
#include "formats/mime_text.h"

#include <algorithm>
#include <cstring>

namespace orv {

using namespace mime;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::string_view kLatin1Word = "=?ISO-8859-1?Q?";

bool NeedsWordEncoding(unsigned char c) {
    if (c == '\t' || c == '\n' || c == '\r') return false;
    return c < 32 || c == '=' || c > 126;
}

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Backquote for 0, then "!" to "_" for 1 to 63.
char UUChar(unsigned v) { return v == 0 ? '`' : char(32 + v); }
bool IsUUTableChar(char c) { return c == '`' || (c >= 33 && c <= 95); }
unsigned UUValue(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - 32) & 63; }

}  // namespace

bool TMCFuncs::Is8Bit(std::string_view text) {
    for (unsigned char c : text)
        if (c != '\t' && c != '\n' && c != '\r' && (c < 32 || c > 126)) return true;
    return false;
}

bool TMCFuncs::IsBinary(std::string_view text) {
    for (unsigned char c : text)
        if (c <= 8 || c == 11 || c == 12 || (c >= 14 && c <= 31)) return true;
    return false;
}

std::string TMCFuncs::ConvertText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t eq = text.find('=', i);
        if (eq == npos) break;
        out.append(text, i, eq - i);
        if (text.size() - eq < 3) {
            i = eq;
            break;
        }
        if (text[eq + 1] == '\r' && text[eq + 2] == '\n') {
            i = eq + 3;
            continue;
        }
        const int hi = HexValue(text[eq + 1]);
        const int lo = HexValue(text[eq + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) {
            out += '=';
            i = eq + 1;
            continue;
        }
        out += char(hi * 16 + lo);
        i = eq + 3;
    }
    out.append(text, i, npos);
    return out;
}

std::string TMCFuncs::EncodeHeader(std::string_view text) {
    if (UpperCase(text).find(kLatin1Word) != npos) return std::string(text);
    if (std::none_of(text.begin(), text.end(),
                     [](char c) { return NeedsWordEncoding(static_cast<unsigned char>(c)); }))
        return std::string(text);
    std::string out;
    out.reserve(kLatin1Word.size() + text.size() * 3 + 2);
    out += kLatin1Word;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        // "?" and "_" are encoded too inside the word: a raw "?=" would end
        // it early and a raw "_" would come back as a blank.
        if (NeedsWordEncoding(c) || c == '?' || c == '_') {
            out += '=';
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 15];
        } else if (c == ' ') {
            out += '_';
        } else {
            out += ch;
        }
    }
    out += "?=";
    return out;
}

std::string TMCFuncs::DecodeHeader(std::string_view text) {
    const std::string upper = UpperCase(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (;;) {
        const std::size_t start = upper.find(kLatin1Word, i);
        if (start == npos) break;
        const std::size_t close = upper.find("?=", start + kLatin1Word.size());
        if (close == npos) break;
        out.append(text, i, start - i);
        std::string word(text.substr(start + kLatin1Word.size(), close - start - kLatin1Word.size()));
        std::replace(word.begin(), word.end(), '_', ' ');
        out += ConvertText(word);
        i = close + 2;
    }
    out.append(text, i, npos);
    return out;
}

std::string TMCFuncs::Base64EncodeBuffer(std::string_view bytes) {
    constexpr std::size_t kLineBytes = 57;
    constexpr std::size_t kBlockBytes = 10944;  // 192 lines of 57 bytes
    std::string out;
    const std::size_t lines = (bytes.size() + kLineBytes - 1) / kLineBytes;
    out.reserve(lines * 78);
    auto put = [&out](unsigned v) { out += kBase64Alphabet[v & 63]; };
    for (std::size_t block = 0; block < bytes.size(); block += kBlockBytes) {
        const std::string_view chunk = bytes.substr(block, kBlockBytes);
        for (std::size_t line = 0; line < chunk.size(); line += kLineBytes) {
            if (!out.empty()) out += "\r\n";
            const std::string_view in = chunk.substr(line, kLineBytes);
            std::size_t k = 0;
            for (; k + 3 <= in.size(); k += 3) {
                const unsigned v = unsigned(static_cast<unsigned char>(in[k])) << 16 |
                                   unsigned(static_cast<unsigned char>(in[k + 1])) << 8 |
                                   unsigned(static_cast<unsigned char>(in[k + 2]));
                put(v >> 18), put(v >> 12), put(v >> 6), put(v);
            }
            if (in.size() - k == 1) {
                const unsigned v = unsigned(static_cast<unsigned char>(in[k])) << 16;
                put(v >> 18), put(v >> 12);
                out += "==";
            } else if (in.size() - k == 2) {
                const unsigned v = unsigned(static_cast<unsigned char>(in[k])) << 16 |
                                   unsigned(static_cast<unsigned char>(in[k + 1])) << 8;
                put(v >> 18), put(v >> 12), put(v >> 6);
                out += '=';
            }
        }
    }
    return out;
}

std::string TMCFuncs::Base64DecodeBuffer(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    unsigned quantum = 0;
    int count = 0;
    // A "=" ends the current group of four; a group of a single character
    // cannot stand for any byte and makes the whole text invalid.
    auto finish = [&]() -> bool {
        if (count == 1) return false;
        if (count >= 2) out += char(quantum >> (count == 2 ? 4 : 10));
        if (count == 3) out += char(quantum >> 2);
        quantum = 0;
        count = 0;
        return true;
    };
    for (char c : text) {
        if (c == '=') {
            if (!finish()) return {};
            continue;
        }
        const int v = Base64Value(c);
        if (v < 0) continue;
        quantum = quantum << 6 | unsigned(v);
        if (++count == 4) {
            out += char(quantum >> 16);
            out += char(quantum >> 8);
            out += char(quantum);
            quantum = 0;
            count = 0;
        }
    }
    if (!finish()) return {};
    return out;
}

std::string TMCFuncs::UUEncode(std::string_view bytes) {
    constexpr std::size_t kLineBytes = 45;
    std::string out;
    out.reserve((bytes.size() / kLineBytes + 1) * 63 + 1);
    for (std::size_t line = 0; line < bytes.size(); line += kLineBytes) {
        const std::string_view in = bytes.substr(line, kLineBytes);
        out += UUChar(unsigned(in.size()));
        for (std::size_t k = 0; k < in.size(); k += 3) {
            unsigned v = 0;
            for (std::size_t j = 0; j < 3; ++j)
                v = v << 8 | (k + j < in.size() ? unsigned(static_cast<unsigned char>(in[k + j])) : 0u);
            out += UUChar(v >> 18 & 63);
            out += UUChar(v >> 12 & 63);
            out += UUChar(v >> 6 & 63);
            out += UUChar(v & 63);
        }
        out += "\r\n";
    }
    // The zero-length line that closes the data; the caller's line end and
    // "end" line follow it.
    out += '`';
    return out;
}

std::string TMCFuncs::UUDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t lf = text.find('\n', i);
        if (lf == npos) lf = text.size();
        std::string_view line = text.substr(i, lf - i);
        i = lf + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (!IsUUTableChar(line[0])) return {};
        const unsigned n = UUValue(line[0]);
        if (n == 0) break;
        std::size_t pos = 1;
        unsigned produced = 0;
        while (produced < n) {
            unsigned v = 0;
            for (int j = 0; j < 4; ++j, ++pos) v = v << 6 | (pos < line.size() ? UUValue(line[pos]) : 0u);
            for (int j = 2; j >= 0 && produced < n; --j, ++produced) out += char(v >> (8 * j));
        }
    }
    return out;
}

}  // namespace orv
