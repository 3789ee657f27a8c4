// Header lines, header blocks, boundaries and the viewer's display header.

#include "formats/mcfuncs.h"
#include "formats/mime_text.h"

namespace orv {

using namespace mime;

namespace {

// Start of the first line of header that begins with lowerName (ASCII case
// ignored).
std::size_t FindLineStart(std::string_view header, std::string_view lowerName) {
    for (std::size_t p = FindNoCase(header, lowerName); p != npos; p = FindNoCase(header, lowerName, p + 1))
        if (p == 0 || header[p - 1] == '\n') return p;
    return npos;
}

}  // namespace

std::string TMCFuncs::GetHeaderLine(std::string& text) {
    std::string_view rest(text);
    std::string line = TakeHeaderLine(rest);
    text.erase(0, text.size() - rest.size());
    return line;
}

std::string TMCFuncs::GetHeaderLine(std::string_view& text) { return TakeHeaderLine(text); }

std::string TMCFuncs::GetHeader(std::string& text) {
    const std::size_t end = text.find("\r\n\r\n");
    if (end == npos) return {};
    std::string header = text.substr(0, end + 4);
    text.erase(0, end + 4);
    return header;
}

std::string TMCFuncs::GetBounds(std::string_view header) {
    const std::size_t p = FindNoCase(header, "boundary=");
    if (p == npos) return {};
    std::string_view value = TrimLeft(header.substr(p + 9));
    value = value.substr(0, value.find("\r\n"));
    value = value.substr(0, value.find(';'));
    std::string out;
    out.reserve(value.size());
    for (char c : value)
        if (c != '"') out += c;
    return std::string(TrimRight(out));
}

bool TMCFuncs::IsQP(std::string& header) {
    const std::size_t te = FindLineStart(header, "content-transfer-encoding:");
    const std::size_t ct = FindLineStart(header, "content-type:");
    if (te == npos || ct == npos) return false;
    std::string_view teRest = std::string_view(header).substr(te);
    const std::string teLine = TakeHeaderLine(teRest);
    std::string_view ctRest = std::string_view(header).substr(ct);
    const std::string ctLine = TakeHeaderLine(ctRest);
    if (!ContainsNoCase(teLine, "quoted-printable") || !ContainsNoCase(ctLine, "iso-8859-1")) return false;
    const std::size_t teEnd = header.size() - teRest.size();
    header.erase(te, teEnd - te);
    return true;
}

int TMCFuncs::CompressHeader(std::string& header, std::string& boundary) {
    std::string_view rest(header);
    const std::string_view partner = StartsWithNoCase(rest, "x-cs:") ? "to:" : "from:";
    std::string display;
    display.reserve(256);
    int kind = bkNone;
    bool examine = true;
    bool haveBoundary = false;
    boundary.clear();
    while (!rest.empty()) {
        const std::string line = TakeHeaderLine(rest);
        if (StartsWithNoCase(line, "date:") || StartsWithNoCase(line, "subject:") ||
            StartsWithNoCase(line, partner)) {
            display += TrimLeft(DecodeHeader(line));
            display += "\r\n";
            continue;
        }
        if (!examine) continue;
        if (StartsWithNoCase(line, "content-type:")) {
            if (ContainsNoCase(line, "multipart/alternative;"))
                kind = bkAlternative;
            else if (ContainsNoCase(line, "multipart/encrypted;"))
                kind = bkEncrypted;
            else if (ContainsNoCase(line, "multipart/signed;"))
                kind = bkSigned;
            else
                kind = bkText;
            if (!haveBoundary) {
                boundary = GetBounds(line);
                haveBoundary = true;
            }
        } else if (StartsWithNoCase(line, "content-transfer-encoding:") &&
                   FindNoCase(line, "quoted-printable", 26) != npos) {
            kind = bkQuoted;
            examine = false;
        }
    }
    header = std::move(display);
    return kind;
}

}  // namespace orv
