// Finding the PGP content of an incoming message.

#include "formats/pgp_recognition.h"

#include "base/wipe_text.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"

namespace orv {

using namespace mime;

namespace {

constexpr std::string_view kBeginAny = "-----BEGIN PGP ";
constexpr std::string_view kSignedBegin = "-----BEGIN PGP SIGNED MESSAGE-----";

struct ArmorKind {
    int kind;
    std::string_view begin, end;
};
constexpr ArmorKind kArmorKinds[] = {
    {mkMessage, "-----BEGIN PGP MESSAGE-----", "-----END PGP MESSAGE-----"},
    {mkClearSigned, kSignedBegin, "-----END PGP SIGNATURE-----"},
    {mkPublicKey, "-----BEGIN PGP PUBLIC KEY BLOCK-----", "-----END PGP PUBLIC KEY BLOCK-----"},
};

// Wrappers nested deeper than this are not searched for an entity.
constexpr int kMaxWrapping = 4;

// The logical "Content-type:" line of a header block, in lower case.
std::string ContentTypeOf(std::string_view header) {
    while (!header.empty()) {
        std::string line = TakeHeaderLine(header);
        if (StartsWithNoCase(line, "content-type:")) return LowerCase(line);
        if (line.empty()) break;
    }
    return {};
}

bool IsWrapper(std::string_view contentType) {
    return contentType.find("multipart/mixed") != npos || contentType.find("multipart/alternative") != npos;
}

// The entity among the parts of a wrapper's body; offsets are the body's.
TEmbeddedEntity FindInParts(std::string_view body, std::string_view boundary, int depth) {
    TEmbeddedEntity found;
    bool other = false;
    for (Delimiter d = FindDelimiter(body, boundary); d && !d.closing;) {
        const Delimiter next = FindDelimiter(body, boundary, d.next);
        const std::size_t end = next ? ContentEndBefore(body, next.pos) : body.size();
        const std::string_view part = body.substr(d.next, end > d.next ? end - d.next : 0);
        std::string_view header, content;
        SplitPart(part, header, content);
        const std::string type = ContentTypeOf(header);
        TEmbeddedEntity inner;
        if (!found && IsPGPMimeEntity(part)) {
            found.Start = d.next;
            found.End = d.next + part.size();
        } else if (!found && depth < kMaxWrapping && IsWrapper(type) &&
                   (inner = FindInParts(content, TMCFuncs::GetBounds(type), depth + 1))) {
            const auto at = static_cast<std::size_t>(content.data() - body.data());
            found.Start = at + inner.Start;
            found.End = at + inner.End;
            other = other || inner.OtherContent;
        } else if (!Trim(content).empty()) {
            other = true;
        }
        d = next;
    }
    found.OtherContent = other;
    return found;
}

std::size_t FindAtLineStart(std::string_view text, std::string_view what, std::size_t from) {
    for (std::size_t p = text.find(what, from); p != npos; p = text.find(what, p + 1))
        if (p == 0 || text[p - 1] == '\n') return p;
    return npos;
}

}  // namespace

int FindArmor(std::string_view text, std::size_t& start, std::size_t& end) {
    start = end = 0;
    const std::size_t p = FindAtLineStart(text, kBeginAny, 0);
    if (p == npos) return mkNone;
    for (const ArmorKind& k : kArmorKinds) {
        if (text.compare(p, k.begin.size(), k.begin) != 0) continue;
        const std::size_t e = FindAtLineStart(text, k.end, p + k.begin.size());
        if (e == npos) return mkNone;
        start = p;
        end = e + k.end.size();
        return k.kind;
    }
    return mkNone;
}

namespace {

// The text's parts, cut so that the block keeps the text's own memory:
// Head and Trailing are copied out, the block stays where it is.
void CutAround(std::string& text, std::size_t start, std::size_t end, TPGPSplit& out) {
    out.Head = text.substr(0, start);
    out.Trailing = text.substr(end);
    // The bytes beyond the block stay in its spare room, which its wipe covers.
    text.resize(end);
    text.erase(0, start);
    out.Block = std::move(text);
}

TPGPSplit SplitNormalised(std::string text, const TAnalyzeText& analyze) {
    TPGPSplit out;
    const std::size_t blank = text.find("\r\n\r\n");
    const std::size_t headEnd = blank == npos ? 0 : blank + 4;
    const std::string_view head = std::string_view(text).substr(0, headEnd);

    const std::size_t protocol = FindNoCase(head, "protocol=\"application/pgp-");
    if (protocol != npos) {
        // The rest of that header line and one continuation.
        std::size_t lineEnd = head.find("\r\n", protocol);
        if (lineEnd != npos && lineEnd + 2 < head.size() && (head[lineEnd + 2] == ' ' || head[lineEnd + 2] == '\t'))
            lineEnd = head.find("\r\n", lineEnd + 2);
        const std::string_view rest = head.substr(protocol, lineEnd == npos ? npos : lineEnd - protocol);
        if (ContainsNoCase(rest, "application/pgp-encrypted") || ContainsNoCase(rest, "application/pgp-signature") ||
            ContainsNoCase(rest, "application/pgp-keys")) {
            out.Kind = mkPGPMime;
            out.Head = TrimRight(head);
            out.Block = std::move(text);
            return out;
        }
    }

    if (const TEmbeddedEntity entity = FindEmbeddedPGPMime(text)) {
        out.Kind = mkPGPMime;
        out.Embedded = true;
        out.OutsideContent = entity.OtherContent;
        CutAround(text, entity.Start, entity.End, out);
        return out;
    }

    // The copies made here may hold decrypted text (a decoded message is
    // recognised again when keys are looked for): each is wiped once used.
    if (analyze && analyze(text) != 0) {
        const std::string header(head);
        std::string converted = TMCFuncs::ConvertEncQPCodes(header, std::string_view(text).substr(headEnd));
        std::string joined;
        joined.reserve(headEnd + converted.size());
        joined.append(text, 0, headEnd);
        joined += converted;
        WipeText(converted);
        WipeText(text);
        text = std::move(joined);
    }

    std::size_t start = 0, end = 0;
    out.Kind = FindArmor(text, start, end);
    if (out.Kind == mkNone) {
        out.Head = text.substr(0, headEnd);
        WipeText(text);
    } else {
        CutAround(text, start, end, out);
    }
    return out;
}

}  // namespace

TPGPSplit SplitPGPMessage(std::string_view text, const TAnalyzeText& analyze) {
    return SplitNormalised(NormaliseLineEnds(text), analyze);
}

TPGPSplit SplitPGPMessage(std::string&& text, const TAnalyzeText& analyze) {
    return SplitNormalised(NormaliseLineEnds(std::move(text)), analyze);
}

bool IsPGPMimeEntity(std::string_view entity) {
    const std::size_t blank = entity.find("\r\n\r\n");
    const std::string type = ContentTypeOf(entity.substr(0, blank == npos ? npos : blank + 2));
    return (type.find("multipart/signed") != npos && type.find("application/pgp-signature") != npos) ||
           (type.find("multipart/encrypted") != npos && type.find("application/pgp-encrypted") != npos);
}

TEmbeddedEntity FindPGPMimePart(std::string_view body, std::string_view boundary) {
    return FindInParts(body, boundary, 1);
}

TEmbeddedEntity FindEmbeddedPGPMime(std::string_view text) {
    const std::size_t blank = text.find("\r\n\r\n");
    if (blank == npos) return {};
    const std::string type = ContentTypeOf(text.substr(0, blank + 2));
    if (!IsWrapper(type)) return {};
    TEmbeddedEntity found = FindPGPMimePart(text.substr(blank + 4), TMCFuncs::GetBounds(type));
    if (!found) return {};
    found.Start += blank + 4;
    found.End += blank + 4;
    return found;
}

void StripClearSignedInPlace(std::string& text) {
    if (!StartsWith(text, kSignedBegin)) return;
    std::string stripped = StripClearSigned(text);
    WipeText(text);
    text = std::move(stripped);
}

std::string StripClearSigned(std::string_view text) {
    if (!StartsWith(text, kSignedBegin)) return std::string(text);
    const std::size_t blank = text.find("\r\n\r\n", kSignedBegin.size());
    if (blank == npos) return std::string(text);
    std::string_view signedText = text.substr(blank + 4);
    signedText = signedText.substr(0, signedText.find("\r\n-----BEGIN PGP SIGNATURE-----"));
    std::string out;
    out.reserve(signedText.size());
    for (std::size_t i = 0; i < signedText.size(); ++i) {
        if ((i == 0 || signedText[i - 1] == '\n') && signedText.compare(i, 2, "- ") == 0) ++i;
        else out += signedText[i];
    }
    return out;
}

}  // namespace orv
