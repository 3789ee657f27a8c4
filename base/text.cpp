#include "base/text.h"

#include <cstdint>
#include <cstring>

namespace orv {

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerChar(c);
    return out;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperChar(c);
    return out;
}

bool SameTextNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (LowerChar(text[i]) != LowerChar(prefix[i])) return false;
    return true;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;

// Nonzero when one of the word's bytes is the byte spread over pattern.
inline std::uint64_t HasByte(std::uint64_t word, std::uint64_t pattern) {
    const std::uint64_t x = word ^ pattern;  // zero where the byte matched
    return (x - kOnes) & ~x & kHighs;
}

}  // namespace

std::size_t FindLineEnd(std::string_view text, std::size_t from) {
    constexpr std::uint64_t kCR = kOnes * '\r', kLF = kOnes * '\n';
    std::size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (HasByte(word, kCR) | HasByte(word, kLF)) break;
    }
    for (; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n') return i;
    return std::string_view::npos;
}

std::size_t FindByte(std::string_view text, char c, std::size_t from) {
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    std::size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (HasByte(word, pattern)) break;
    }
    for (; i < text.size(); ++i)
        if (text[i] == c) return i;
    return std::string_view::npos;
}

std::size_t FindText(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
    for (std::size_t p = FindByte(text, what[0], from); p != std::string_view::npos;
         p = FindByte(text, what[0], p + 1)) {
        if (text.size() - p < what.size()) break;
        if (text.compare(p, what.size(), what) == 0) return p;
    }
    return std::string_view::npos;
}

std::string WithBackslash(std::string dir) {
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

}  // namespace orv
