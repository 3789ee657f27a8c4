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

TPGPSplit SplitPGPMessage(std::string_view input, const TAnalyzeText& analyze) {
    TPGPSplit out;
    std::string text = NormaliseLineEnds(input);
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
    } else {
        out.Head = text.substr(0, start);
        out.Block = text.substr(start, end - start);
        out.Trailing = text.substr(end);
    }
    WipeText(text);
    return out;
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
