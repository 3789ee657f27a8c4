// Readable text of MIME messages for the viewer, and the body conversions
// used after decryption.

#include "base/wipe_text.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/pgp_recognition.h"

#include <algorithm>

namespace orv {

using namespace mime;

namespace {

// Nested signed or encrypted envelopes deeper than this are shown as they are;
// a hostile message could otherwise nest them until the stack runs out.
constexpr int kMaxDepth = 16;

constexpr std::string_view kBeginMessage = "-----BEGIN PGP MESSAGE-----";
constexpr std::string_view kEndMessage = "-----END PGP MESSAGE-----";
constexpr std::string_view kBeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
// The view decode puts its signature report in front of the decoded text.
constexpr std::string_view kInfoStart = "PGP-Info: ";
constexpr std::string_view kInfoEnd = "\r\n___________\r\n\r\n";

// The text ends in exactly one blank line; an empty text stays empty.
std::string AddSpaceLine(std::string text) {
    if (text.empty() || text.ends_with("\r\n\r\n")) return text;
    text += text.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
    return text;
}

std::string_view FirstLine(std::string_view text) {
    const std::size_t lf = text.find('\n');
    return TrimRight(text.substr(0, lf));
}

// The first part of a multipart body, or nothing when there is none.
bool FirstPart(std::string_view body, std::string_view boundary, std::string_view& part) {
    const Delimiter d = FindDelimiter(body, boundary);
    if (!d || d.closing) return false;
    const Delimiter next = FindDelimiter(body, boundary, d.next);
    part = body.substr(d.next, (next ? next.pos : body.size()) - d.next);
    return true;
}

// Whether the text starts with a header field ("Name:"), not with plain text.
bool StartsWithField(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] != ':') {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 32 || c > 126) return false;
        ++i;
    }
    return i > 0 && i < text.size();
}

// A quoted-printable transfer encoding line is replaced by one for 8-bit text
// once the body has been decoded, so that the mail client does not decode it
// a second time.
std::string MarkDecoded(std::string header) {
    for (std::size_t p = FindNoCase(header, "content-transfer-encoding:"); p != npos;
         p = FindNoCase(header, "content-transfer-encoding:", p + 1)) {
        if (p > 0 && header[p - 1] != '\n') continue;
        std::string_view rest = std::string_view(header).substr(p);
        const std::string line = TakeHeaderLine(rest);
        if (!ContainsNoCase(line, "quoted-printable")) continue;
        const std::size_t end = header.size() - rest.size();
        const bool hadLineEnd = header.compare(end - 1, 1, "\n") == 0;
        header.replace(p, end - p, hadLineEnd ? "Content-transfer-encoding: 8BIT\r\n"
                                               : "Content-transfer-encoding: 8BIT");
        break;
    }
    return header;
}

}  // namespace

std::string TMCFuncs::StripHtml(std::string_view boundary, std::string_view text) {
    const Delimiter d = FindDelimiter(text, boundary);
    if (!d) return std::string(text);
    if (d.closing) return {};
    const Delimiter next = FindDelimiter(text, boundary, d.next);
    const std::size_t end = next ? ContentEndBefore(text, next.pos) : text.size();
    const std::string_view part = text.substr(d.pos, end - d.pos);
    const std::size_t blank = part.find("\r\n\r\n");
    if (blank == npos) return {};
    const std::string_view header = part.substr(0, blank + 4);
    const std::string_view body = part.substr(blank + 4);
    if (ContainsNoCase(header, "quoted-printable")) return ConvertText(body);
    return std::string(body);
}

std::string TMCFuncs::ExtractMime(std::string_view boundary, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (Delimiter d = FindDelimiter(text, boundary); d && !d.closing;) {
        const Delimiter next = FindDelimiter(text, boundary, d.next);
        std::string_view header, body;
        SplitPart(text.substr(d.next, (next ? next.pos : text.size()) - d.next), header, body);
        std::string decoded = DecodeHeader(header);
        const std::string inner = GetBounds(decoded);
        std::string_view innerPart;
        if (!inner.empty() && FirstPart(body, inner, innerPart)) {
            SplitPart(innerPart, header, body);
            decoded = DecodeHeader(header);
        }
        // A part without any header is plain text by default.
        const bool isText = decoded.empty() || (ContainsNoCase(decoded, "text/") && !ContainsNoCase(decoded, "filename="));
        if (isText) {
            if (ContainsNoCase(decoded, "quoted-printable"))
                out += ConvertText(body);
            else
                out += body;
        } else {
            std::string_view first = FirstLine(decoded);
            out += "\r\n=> Attachment: ";
            out += first.substr(0, first.find(';'));
            out += "\r\n";
        }
        d = next;
    }
    return out;
}

std::string TMCFuncs::ExtractBody(std::string_view message) { return ExtractBodyAt(message, 0); }

std::string TMCFuncs::ExtractBodyAt(std::string_view message, int depth) {
    std::string body = NormaliseLineEnds(message);
    const bool copySelf = StartsWithNoCase(body, "x-cs:");
    std::string display = GetHeader(body);
    std::string boundary;
    const int kind = CompressHeader(display, boundary);
    bool ended = false;
    if (!copySelf) {
        switch (kind) {
        case bkText:
            if (!boundary.empty()) body = ViewDecrypt ? ExtractWrapped(boundary, body, depth) : ExtractMime(boundary, body);
            break;
        case bkAlternative:
            if (!boundary.empty()) body = StripHtml(boundary, body);
            break;
        case bkEncrypted:
            if (ViewDecrypt) body = DecryptForView(body, depth);
            break;
        case bkSigned:
            if (depth < kMaxDepth) body = ExtractBodyAt(body, depth + 1);
            break;
        case bkQuoted:
            if (boundary.empty()) body = ConvertText(body);
            break;
        default:
            break;
        }
        if (kind == bkEncrypted || kind == bkSigned) {
            ended = body.find(kMailEndLine) != npos;
        } else if (ViewDecrypt && Services.ViewDecode &&
                   (body.find(kBeginMessage) != npos || body.find(kBeginSigned) != npos)) {
            body = Services.ViewDecode(body);
        }
    }
    const std::size_t zero = body.find('\0');
    if (zero != npos) {
        body.resize(zero);
        body += " => Attachment: ???";
        ended = false;
    }
    std::string out;
    out.reserve(display.size() + body.size() + kMailEndLine.size() + 10);
    out += display;
    out += "\r\n";
    if (ended) {
        out += body;
        return out;
    }
    out += AddSpaceLine(std::move(body));
    out += kMailEndLine;
    out += "\r\n\r\n";
    return out;
}

// A mailing list's wrapper around a PGP/MIME message: that part is read as
// the message it carries (decrypted for viewing like one on its own), as a
// text part among the wrapper's others.
std::string TMCFuncs::ExtractWrapped(std::string_view boundary, std::string_view body, int depth) {
    const TEmbeddedEntity entity = FindPGPMimePart(body, boundary);
    if (!entity || depth >= kMaxDepth) return ExtractMime(boundary, body);
    std::string inner = ExtractBodyAt(body.substr(entity.Start, entity.End - entity.Start), depth + 1);
    const std::size_t endLine = inner.rfind(kMailEndLine);
    if (endLine != npos) inner.resize(endLine);
    std::string rewritten;
    rewritten.reserve(body.size() + inner.size());
    rewritten.append(body.substr(0, entity.Start));
    rewritten += "Content-Type: text/plain\r\n";
    rewritten += inner;
    rewritten += "\r\n";
    rewritten.append(body.substr(entity.End));
    std::fill(inner.begin(), inner.end(), '\0');
    std::string out = ExtractMime(boundary, rewritten);
    std::fill(rewritten.begin(), rewritten.end(), '\0');
    return out;
}

std::string TMCFuncs::DecryptForView(std::string_view body, int depth) {
    const std::size_t begin = body.find(kBeginMessage);
    if (begin == npos) return std::string(body);
    const std::size_t end = body.find(kEndMessage, begin);
    if (end == npos) return std::string(body);
    const std::string block(body.substr(begin, end + kEndMessage.size() - begin));
    if (!Services.ViewDecode) return block;
    std::string plain = Services.ViewDecode(block);
    if (plain == block) return block;
    std::string out;
    if (StartsWith(plain, kInfoStart)) {
        const std::size_t infoEnd = plain.find(kInfoEnd);
        if (infoEnd != npos) {
            out.assign(plain, 0, infoEnd + kInfoEnd.size());
            plain.erase(0, infoEnd + kInfoEnd.size());
        }
    }
    // Decrypted plain text without a header of its own must not lose its
    // first paragraph to the header reader.
    if (!StartsWithField(plain)) plain.insert(0, "\r\n\r\n");
    out += depth < kMaxDepth ? ExtractBodyAt(plain, depth + 1) : plain;
    std::fill(plain.begin(), plain.end(), '\0');
    return out;
}

std::string TMCFuncs::ConvertQPCodes(std::string_view header, std::string_view body) {
    std::string display(header);
    std::string boundary;
    const int kind = CompressHeader(display, boundary);
    if (!boundary.empty()) {
        if (ContainsNoCase(header, "multipart/alternative;")) return StripHtml(boundary, body);
        return ExtractMime(boundary, body);
    }
    if (kind == bkQuoted) return ConvertText(body);
    return {};
}

std::string TMCFuncs::ConvertEncQPCodes(std::string_view header, std::string_view body) {
    std::string converted = ConvertQPCodes(header, body);
    if (converted.empty()) return std::string(body);
    return converted;
}

std::string TMCFuncs::ConvertDecQPCodes(std::string_view entity) {
    // Every copy here holds decrypted text: each is wiped once used.
    std::string body(entity);
    std::string header = GetHeader(body);
    std::string converted = ConvertQPCodes(header, body);
    WipeText(body);
    std::string out;
    if (converted.empty()) {
        WipeText(header);
        out.reserve(entity.size() + 2);
        out += "\r\n";
        out += entity;
        return out;
    }
    std::string display(header);
    std::string boundary;
    CompressHeader(display, boundary);
    WipeText(display);
    if (boundary.empty()) header = MarkDecoded(std::move(header));
    out.reserve(header.size() + converted.size() + 2);
    out += "\r\n";
    out += header;
    out += converted;
    WipeText(header);
    WipeText(converted);
    return out;
}

}  // namespace orv
