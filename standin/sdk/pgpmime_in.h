// Recognition of PGP/MIME input (RFC 3156) for the decoding job: the
// armoured message of multipart/encrypted, and the signed entity with its
// detached signature of multipart/signed.
#pragma once

#include <string>
#include <string_view>

namespace sdk {

struct PgpMimeInput {
    enum Kind { None, Encrypted, Signed } kind = None;
    // Views into the text given to parsePgpMime, which must outlive them.
    std::string_view armour;  // Encrypted: the armoured message; Signed: the armoured signature
    std::string_view entity;  // Signed: the signed entity as it stands in the message
    // Signed: the entity with CR LF line ends, as signed, when it has other line ends.
    std::string canonical;
    // An armour whose END line ends the text, with the line end it is read with.
    std::string armourStore;
    std::string_view signedBytes() const { return canonical.empty() ? entity : std::string_view(canonical); }
};

// True when text is a whole PGP/MIME message with all its parts; a broken
// structure gives false and leaves the input to the ordinary decoding.
bool parsePgpMime(std::string_view text, PgpMimeInput& out);

}  // namespace sdk
