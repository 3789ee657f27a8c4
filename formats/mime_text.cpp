#include "formats/mime_text.h"

#include <algorithm>

#include "base/wipe_text.h"

namespace orv::mime {

namespace {
bool IsPadding(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::size_t FindNoCase(std::string_view s, std::string_view lowerNeedle, std::size_t from) {
    if (lowerNeedle.empty()) return from <= s.size() ? from : npos;
    if (s.size() < lowerNeedle.size()) return npos;
    const std::size_t last = s.size() - lowerNeedle.size();
    const char first = lowerNeedle[0];
    for (std::size_t i = from; i <= last; ++i) {
        if (LowerChar(s[i]) != first) continue;
        std::size_t k = 1;
        while (k < lowerNeedle.size() && LowerChar(s[i + k]) == lowerNeedle[k]) ++k;
        if (k == lowerNeedle.size()) return i;
    }
    return npos;
}

bool ContainsNoCase(std::string_view s, std::string_view lowerNeedle) {
    return FindNoCase(s, lowerNeedle) != npos;
}

std::string NormaliseLineEnds(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 32 + 2);
    std::size_t i = 0;
    while (i < s.size()) {
        // Each line goes over whole; only its end is rewritten.
        const std::size_t end = std::min(FindLineEnd(s, i), s.size());
        out.append(s.data() + i, end - i);
        if (end == s.size()) break;
        out += "\r\n";
        i = end + (s[end] == '\r' && end + 1 < s.size() && s[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

std::string NormaliseLineEnds(std::string&& s) {
    // Every line end a CR with a LF after it: the text stays as it is.
    bool normal = true;
    for (std::size_t i = 0; (i = FindLineEnd(s, i)) != npos; i += 2) {
        if (s[i] != '\r' || i + 1 == s.size() || s[i + 1] != '\n') {
            normal = false;
            break;
        }
    }
    if (normal) return std::move(s);
    std::string out = NormaliseLineEnds(std::string_view(s));
    WipeText(s);
    return out;
}

namespace {
std::string_view CutLine(std::string_view& text) {
    const std::size_t lf = text.find('\n');
    const std::size_t n = lf == npos ? text.size() : lf + 1;
    std::string_view line = text.substr(0, n);
    text.remove_prefix(n);
    return line;
}
}  // namespace

std::string TakeHeaderLine(std::string_view& text, int maxContinuations) {
    std::string line(TrimRight(CutLine(text)));
    for (int joined = 0; !text.empty() && IsPadding(text[0]); ++joined) {
        if (maxContinuations >= 0 && joined >= maxContinuations) break;
        line += ' ';
        line += Trim(CutLine(text));
    }
    return line;
}

Delimiter FindDelimiter(std::string_view text, std::string_view boundary, std::size_t from) {
    Delimiter d;
    // A boundary cannot hold a line end; one that does never matches a line.
    if (boundary.empty() || boundary.find_first_of("\r\n") != npos) return d;
    auto nextLine = [text](std::size_t at) {
        const std::size_t lf = FindByte(text, '\n', at);
        return lf == npos ? text.size() : lf + 1;
    };
    std::size_t p = from;
    if (p > 0 && p <= text.size() && text[p - 1] != '\n') p = nextLine(p);
    // Only line starts are compared, and a comparison stops at the line's end
    // at the latest, so the walk is linear in the text whatever the boundary.
    for (; p < text.size(); p = nextLine(p)) {
        if (text.size() - p < boundary.size() + 2 || text[p] != '-' || text[p + 1] != '-') continue;
        std::size_t k = 0;
        while (k < boundary.size() && text[p + 2 + k] == boundary[k]) ++k;
        if (k < boundary.size()) continue;
        std::size_t q = p + 2 + boundary.size();
        bool closing = false;
        if (text.compare(q, 2, "--") == 0) {
            closing = true;
            q += 2;
        }
        while (q < text.size() && IsPadding(text[q])) ++q;
        if (q < text.size() && text[q] == '\r') ++q;
        if (q < text.size() && text[q] != '\n') continue;
        d.pos = p;
        d.next = q < text.size() ? q + 1 : q;
        d.closing = closing;
        return d;
    }
    return d;
}

void SplitPart(std::string_view part, std::string_view& header, std::string_view& body) {
    if (StartsWith(part, "\r\n")) {
        header = part.substr(0, 0);
        body = part.substr(2);
        return;
    }
    const std::size_t blank = part.find("\r\n\r\n");
    if (blank == npos) {
        header = part;
        body = part.substr(part.size());
        return;
    }
    header = part.substr(0, blank + 4);
    body = part.substr(blank + 4);
}

std::size_t ContentEndBefore(std::string_view text, std::size_t delimiterPos) {
    std::size_t end = delimiterPos;
    if (end > 0 && text[end - 1] == '\n') --end;
    if (end > 0 && text[end - 1] == '\r') --end;
    return end;
}

}  // namespace orv::mime
