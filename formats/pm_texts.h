#pragma once
// Numbers of the string library texts used by the PGP mail assembly.

namespace orv::text {
inline constexpr int NO_FILE = 131;        // "File not found"
inline constexpr int READ_ERROR = 132;     // "Error reading data"
inline constexpr int CONF_MIME = 208;      // "Non-MIME messages cannot be encrypted/signed. ..."
inline constexpr int KIND_ATTACH = 217;    // "attachment(s)"
inline constexpr int KIND_MESSAGE = 218;   // "message"
inline constexpr int UNENC_ = 219;         // " unencrypted "
inline constexpr int UNSIGN_ = 220;        // " unsigned "
inline constexpr int UNSIGN_UNENC = 221;   // " unsigned and unencrypted "
inline constexpr int SEND_ = 222;          // "Send"
inline constexpr int ENC_BEG = 231;        // "Encrypting"
inline constexpr int SIGN_BEG = 233;       // "Signing"
inline constexpr int SIGN_MSG = 240;       // "Sign message"
inline constexpr int SIGN_ATT = 241;       // "Sign attachment"
}  // namespace orv::text
