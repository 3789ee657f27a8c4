#include "automation/address_text.h"

#include "automation/pl_text.h"

namespace orv::automation {

namespace {

bool IsSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 32 || u == 160;
}

// The inside of the first pair of the two characters, or the whole text.
std::string_view InsideOf(std::string_view text, char open, char close) {
    const size_t a = text.find(open);
    if (a == std::string_view::npos) return text;
    const size_t b = text.find(close, a + 1);
    if (b == std::string_view::npos) return text;
    return text.substr(a + 1, b - a - 1);
}

}  // namespace

std::string ExtractEmail(std::string_view text) {
    const size_t at = text.find('@');
    if (at == std::string_view::npos) return {};
    const size_t open = text.find('<');
    if (open != std::string_view::npos) {
        const size_t close = text.find('>', open + 1);
        if (close != std::string_view::npos && at < close && at > open)
            return std::string(Trim(text.substr(open + 1, close - open - 1)));
    }
    size_t a = at, b = at + 1;
    while (a > 0 && !IsSeparator(text[a - 1])) --a;
    while (b < text.size() && !IsSeparator(text[b])) ++b;
    if (a == at || b == at + 1) return {};
    return std::string(text.substr(a, b - a));
}

std::string ExtractAlias(std::string_view text) {
    std::string rest(text);
    if (size_t open = rest.find('<'); open != std::string::npos) {
        if (size_t close = rest.find('>', open + 1); close != std::string::npos) rest.erase(open, close - open + 1);
    }
    if (size_t at = rest.find('@'); at != std::string::npos) {
        size_t a = at, b = at + 1;
        while (a > 0 && !IsSeparator(rest[a - 1])) --a;
        while (b < rest.size() && !IsSeparator(rest[b])) ++b;
        const bool startsText = Trim(rest.substr(0, a)).empty();
        const bool endsText = Trim(rest.substr(b)).empty();
        if (startsText && endsText) {
            rest.clear();
        } else if (!endsText) {
            // The word goes with the separators on both sides of it.
            while (a > 0 && IsSeparator(rest[a - 1])) --a;
            while (b < rest.size() && IsSeparator(rest[b])) ++b;
            rest.erase(a, b - a);
        }
    }
    std::string_view inner = InsideOf(rest, '(', ')');
    return std::string(Trim(InsideOf(inner, '"', '"')));
}

}  // namespace orv::automation
