#pragma once
// The signature report of a decoding job, built in one place for every
// caller (the encryptor operations, the viewer): the status code, the
// status line with its note ("(expired key)" and the others), the popup
// layout, the cut for VERIFY_SIGNATURE's caller, and the warning that part
// of the text is not covered by the signature.

#include <functional>
#include <string>
#include <string_view>

#include "formats/text_source.h"

namespace orv {

struct TSignatureInfo;

// The signature status code of a decoding job's record.
int SignatureStatusCode(int status, int validity, bool marginalIsInvalid);

// The status line for a code. unknownKey: the signer's key is not on the
// rings (else, for code 5, an unknown algorithm); note: the detail put in
// parentheses before "from".
std::string SignatureLine(int code, bool unknownKey, const std::string& note, const std::string& userID,
                          const std::string& keyID, int validity, const TTextSource& text);

// The note a record earns, in the string library's words: unknown key,
// unusable key, bad signature, or the key's state (revoked, disabled,
// expired); empty for a good signature by a usable key.
std::string SignatureNoteOf(const TSignatureInfo& info, const TTextSource& text);

// Code and line of a decoding job's record; the line is empty when there
// is no signature.
struct TSignatureReport {
    int Code = 1;
    std::string Line;
};
TSignatureReport SignatureReportOf(const TSignatureInfo& info, bool marginalIsInvalid, const TTextSource& text);

// Of two signature status codes (bit 16 aside) the one a message with both
// is reported by: a bad signature before an unknown signer, before a good
// signature by a key that is not valid, before a good one; a part without
// a signature gives way to any signature.
bool IsWeakerSignature(int code, int than);

// One more decode, of a PGP/MIME entity: the engine's error number; the
// plain text and the report come back through the arguments.
using TDecodeLayer = std::function<int(const std::string& entity, std::string& plain, TSignatureReport& report)>;
// Signed first and encrypted after, as separate PGP/MIME layers: while the
// decoded text is a PGP/MIME entity it is decoded in turn and takes its
// place, and the weaker report stays. A layer the engine cannot read stays
// as it came.
void UnwrapPGPMimeLayers(std::string& plain, TSignatureReport& report, const TDecodeLayer& decode);

// The line for text that the signature does not wholly cover: EXTRA_DATA
// on a line of its own before it (the form the popup, the automation
// window and VERIFY_SIGNATURE's caller get).
std::string WithUnsignedDataNote(const std::string& line, const TTextSource& text);
// The same on one line, for the host's status line.
std::string StatusLineOf(const std::string& line, bool unsignedData, const TTextSource& text);

// The signature line laid out for a popup.
std::string ReformatSignatureLine(std::string_view line);
// A result text cut for the caller's buffer of VERIFY_SIGNATURE.
std::string CutSignatureLine(std::string line);

}  // namespace orv
