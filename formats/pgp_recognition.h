#pragma once
// Recognition of PGP content in incoming mail: what kind of PGP data a text
// holds, where its armoured block is, and the clear-signature frame around a
// signed text. Plain byte-string code; the decoding job's analysis comes in
// as a function.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orv {

// Message kinds: what an incoming text holds.
enum TMessageKind : int {
    mkNone = 0,
    mkPGPMime = 1,
    mkMessage = 2,       // "-----BEGIN PGP MESSAGE-----"
    mkClearSigned = 3,   // "-----BEGIN PGP SIGNED MESSAGE-----"
    mkPublicKey = 4,     // "-----BEGIN PGP PUBLIC KEY BLOCK-----"
};

// The first armour begin line at a line start and its end line; kind 0
// when that begin line is none of the three kinds or has no end line. The
// block runs from `start` to `end` (after the end marker).
int FindArmor(std::string_view text, std::size_t& start, std::size_t& end);

struct TPGPSplit {
    std::string Head;      // message header, blank line and any text before the armour
    std::string Block;     // the armoured block (for PGP/MIME the whole text)
    std::string Trailing;  // text after the block
    int Kind = mkNone;
    // A PGP/MIME block that is one part of a wrapper: Head and Trailing are
    // the rest of the message around it, and OutsideContent tells whether
    // the wrapper's other parts hold anything.
    bool Embedded = false;
    bool OutsideContent = false;
};

// The decoding job's analysis of a text: its analysis kind (0 encrypted,
// 1 signed, 2 detached signature, 3 key data, 4 not PGP data).
using TAnalyzeText = std::function<int(const std::string& text)>;

// Line ends become CR LF; a header that declares a PGP protocol makes the
// whole text PGP/MIME, and a wrapper carrying a PGP/MIME part makes that
// part the block; otherwise, unless the analysis finds encrypted data,
// a quoted-printable body is decoded before the armour is looked for.
TPGPSplit SplitPGPMessage(std::string_view text, const TAnalyzeText& analyze);
// The same for a text handed over: it becomes the block, without a copy.
TPGPSplit SplitPGPMessage(std::string&& text, const TAnalyzeText& analyze);
inline TPGPSplit SplitPGPMessage(const char* text, const TAnalyzeText& analyze) {
    return SplitPGPMessage(std::string_view(text), analyze);
}

// The entity (its header and body) is PGP/MIME: multipart/signed with the
// protocol "application/pgp-signature", or multipart/encrypted with
// "application/pgp-encrypted".
bool IsPGPMimeEntity(std::string_view entity);

// A PGP/MIME entity carried as a part of a multipart/mixed or
// multipart/alternative message (as a mailing list wraps signed mail with
// its footer): where the part's header and body lie in the text (CR LF line
// ends), and whether any other part holds something.
struct TEmbeddedEntity {
    std::size_t Start = std::string_view::npos;
    std::size_t End = std::string_view::npos;
    bool OtherContent = false;
    explicit operator bool() const { return Start != std::string_view::npos; }
};
TEmbeddedEntity FindEmbeddedPGPMime(std::string_view text);
// The same among the parts of a wrapper's body (after its header), with
// offsets into that body.
TEmbeddedEntity FindPGPMimePart(std::string_view body, std::string_view boundary);

// The signed text of a clear-signed message, without its frame and dash
// escapes; any other text comes back unchanged.
std::string StripClearSigned(std::string_view text);
// The same in place: a clear-signed text gives way to its signed text (and
// is wiped); any other text stays as it is, not copied.
void StripClearSignedInPlace(std::string& text);

}  // namespace orv
