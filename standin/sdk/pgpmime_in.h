// Recognition of PGP/MIME input (RFC 3156) for the decoding job: the
// armoured message of multipart/encrypted, and the signed entity with its
// detached signature of multipart/signed.
#pragma once

#include <string>

namespace sdk {

struct PgpMimeInput {
    enum Kind { None, Encrypted, Signed } kind = None;
    std::string armour;     // Encrypted: the armoured message; Signed: the armoured signature
    std::string entity;     // Signed: the signed entity as it stands in the message
    std::string canonical;  // Signed: the same bytes with CR LF line ends, as signed
};

// True when text is a whole PGP/MIME message with all its parts; a broken
// structure gives false and leaves the input to the ordinary decoding.
bool parsePgpMime(const std::string& text, PgpMimeInput& out);

}  // namespace sdk
