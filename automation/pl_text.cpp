#include "automation/pl_text.h"

#include <algorithm>
#include <cctype>

namespace orv::automation {

UserAndKey ExtractUserAndKey(std::string_view text) {
    size_t at = text.rfind('\\');
    if (at == std::string_view::npos) return {std::string(Trim(text)), {}};
    return {std::string(Trim(text.substr(0, at))), std::string(Trim(text.substr(at + 1)))};
}

UserAndKey ExtractKeyAndUser(std::string_view text) {
    size_t at = text.find('\\');
    if (at == std::string_view::npos) return {std::string(Trim(text)), {}};
    return {std::string(Trim(text.substr(at + 1))), std::string(Trim(text.substr(0, at)))};
}

std::string CommaExtract(std::string& text) {
    size_t at = text.find(',');
    if (at == std::string::npos) {
        std::string all(Trim(text));
        text.clear();
        return all;
    }
    std::string piece(Trim(std::string_view(text).substr(0, at)));
    text.erase(0, at + 1);
    return piece;
}

std::string GetLine(std::string& text) {
    size_t at = text.find("\r\n");
    if (at == std::string::npos) {
        std::string all(Trim(text));
        text.clear();
        return all;
    }
    std::string line(Trim(std::string_view(text).substr(0, at)));
    text.erase(0, at + 2);
    return line;
}

std::string DelAmp(std::string text) {
    size_t at = text.find('&');
    if (at != std::string::npos) text.erase(at, 1);
    return text;
}

std::string DelQuotes(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

std::string ExtractStr(std::string& text, size_t pos, size_t count) {
    if (pos >= text.size()) return {};
    std::string piece = text.substr(pos, count);
    text.erase(pos, piece.size());
    return piece;
}

bool IsDraftFile(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string_view ext = fileName.substr(dot);
    return SameTextNoCase(ext, ".PMW") || SameTextNoCase(ext, ".PMX");
}

bool IsBlankDraft(std::uint64_t size, std::string_view content) {
    if (size >= 400) return false;
    return std::count(content.begin(), content.end(), '\n') <= 6;
}

bool IsMailboxChange(std::string_view text, std::string_view textAtOpen, std::string_view defaultText) {
    return !text.empty() && text != defaultText && !SameTextNoCase(text, textAtOpen);
}

bool IsPerUserFormFile(std::string_view fileName) {
    // Base name, a dot and an extension of exactly three characters beginning
    // with "f".
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || fileName.size() - dot != 4) return false;
    std::string_view base = fileName.substr(0, dot);
    if (!SameTextNoCase(base, "Pellatch") && !SameTextNoCase(base, "Merrowin")) return false;
    return UpperChar(fileName[dot + 1]) == 'F';
}

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string ExtractHexID(std::string_view text) {
    std::string upper = UpperCase(std::string(text));
    size_t at = upper.find("0X");
    if (at == std::string::npos) return {};
    size_t digits = 0;
    while (at + 2 + digits < upper.size() && IsHexDigit(upper[at + 2 + digits])) ++digits;
    // The whole 64-bit ID when the text holds one: a 32-bit ID is shared by
    // many keys on a key server.
    size_t take = digits >= 16 ? 16 : digits >= 8 ? 8 : 0;
    if (take == 0) return {};
    return "0x" + upper.substr(at + 2, take);
}

}  // namespace orv::automation
