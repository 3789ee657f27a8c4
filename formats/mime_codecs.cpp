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

// Value of each byte in the alphabet; -1 for bytes outside it, -2 for "=".
struct Base64Table {
    signed char value[256];
    constexpr Base64Table() : value{} {
        for (int i = 0; i < 256; ++i) value[i] = -1;
        for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<signed char>(i);
        value[static_cast<unsigned char>('=')] = -2;
    }
};
constexpr Base64Table kBase64Values;

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
    // Lines of 76 characters (57 bytes) with CR LF between them; the blocks
    // of 10944 bytes the format is read in are whole lines, so they need no
    // handling of their own. The text is written straight into its final
    // size: attachments are large.
    constexpr std::size_t kLineBytes = 57;
    if (bytes.empty()) return {};
    const std::size_t lines = (bytes.size() + kLineBytes - 1) / kLineBytes;
    const std::size_t lastBytes = bytes.size() - (lines - 1) * kLineBytes;
    std::string out((lines - 1) * 78 + (lastBytes + 2) / 3 * 4, '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    char* o = out.data();
    for (std::size_t line = 0; line < lines; ++line) {
        if (line) *o++ = '\r', *o++ = '\n';
        const std::size_t n = line + 1 < lines ? kLineBytes : lastBytes;
        std::size_t k = 0;
        for (; k + 3 <= n; k += 3, in += 3) {
            const unsigned v = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | unsigned(in[2]);
            o[0] = kBase64Alphabet[v >> 18];
            o[1] = kBase64Alphabet[(v >> 12) & 63];
            o[2] = kBase64Alphabet[(v >> 6) & 63];
            o[3] = kBase64Alphabet[v & 63];
            o += 4;
        }
        if (n - k == 1) {
            const unsigned v = unsigned(in[0]) << 16;
            o[0] = kBase64Alphabet[v >> 18];
            o[1] = kBase64Alphabet[(v >> 12) & 63];
            o[2] = o[3] = '=';
            o += 4, in += 1;
        } else if (n - k == 2) {
            const unsigned v = unsigned(in[0]) << 16 | unsigned(in[1]) << 8;
            o[0] = kBase64Alphabet[v >> 18];
            o[1] = kBase64Alphabet[(v >> 12) & 63];
            o[2] = kBase64Alphabet[(v >> 6) & 63];
            o[3] = '=';
            o += 4, in += 2;
        }
    }
    return out;
}

namespace {

// Decodes into `out`, which may be the text itself: every byte is written
// behind the characters it came from. -1 when the text is invalid.
std::ptrdiff_t DecodeBase64(std::string_view text, char* const out) {
    char* o = out;
    unsigned quantum = 0;
    int count = 0;
    // A "=" ends the current group of four; a group of a single character
    // cannot stand for any byte and makes the whole text invalid.
    auto finish = [&]() -> bool {
        if (count == 1) return false;
        if (count >= 2) *o++ = char(quantum >> (count == 2 ? 4 : 10));
        if (count == 3) *o++ = char(quantum >> 2);
        quantum = 0;
        count = 0;
        return true;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    const signed char* const value = kBase64Values.value;
    while (p < end) {
        // Whole groups of four inside a line go at once.
        if (count == 0 && end - p >= 4) {
            const int a = value[p[0]], b = value[p[1]], c = value[p[2]], d = value[p[3]];
            if ((a | b | c | d) >= 0) {
                const unsigned v = unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6 | unsigned(d);
                o[0] = char(v >> 16);
                o[1] = char(v >> 8);
                o[2] = char(v);
                o += 3, p += 4;
                continue;
            }
        }
        const int v = value[*p++];
        if (v == -2) {
            if (!finish()) return -1;
            continue;
        }
        if (v < 0) continue;
        quantum = quantum << 6 | unsigned(v);
        if (++count == 4) {
            o[0] = char(quantum >> 16);
            o[1] = char(quantum >> 8);
            o[2] = char(quantum);
            o += 3;
            quantum = 0;
            count = 0;
        }
    }
    if (!finish()) return -1;
    return o - out;
}

}  // namespace

std::string TMCFuncs::Base64DecodeBuffer(std::string_view text) {
    std::string out(text.size() / 4 * 3 + 3, '\0');
    const std::ptrdiff_t n = DecodeBase64(text, out.data());
    if (n < 0) return {};
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::ptrdiff_t TMCFuncs::Base64DecodeInPlace(char* text, std::size_t size) {
    return DecodeBase64(std::string_view(text, size), text);
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
