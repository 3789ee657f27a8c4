#pragma once
// TMCFuncs: the toolkit for the mail texts the mail client hands over. It reads
// header lines and boundaries, decodes and encodes quoted-printable, base64,
// uuencode and ISO-8859-1 encoded header words, turns a MIME message into
// readable text for the viewer and lists the parts of a PGP/MIME message.
// Everything here works on plain byte strings; the decoding job, the string
// library, message boxes, the viewer window and files are reached through
// TMimeServices, filled in by the session.

#include "formats/text_source.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// What a header says about the body that follows it (CompressHeader).
enum TBodyKind : int {
    bkNone = 0,
    bkText = 1,         // any other content type
    bkQuoted = 2,       // quoted-printable transfer encoding
    bkAlternative = 3,  // multipart/alternative
    bkEncrypted = 4,    // multipart/encrypted (PGP/MIME)
    bkSigned = 5,       // multipart/signed (PGP/MIME)
};

// Part-kind flags of a listed part: low 4 bits the transfer encoding.
inline constexpr std::uint32_t pkEncodingMask = 0x0F;
inline constexpr std::uint32_t pkNone = 0;
inline constexpr std::uint32_t pkQuoted = 1;
inline constexpr std::uint32_t pkBase64 = 2;
inline constexpr std::uint32_t pkHasFileName = 16;

// One entry of a part listing: display line, blank line, then the part text.
struct TMimePart {
    std::string Entry;
    std::uint32_t Flags = 0;

    // The first line of the entry, right-trimmed: the row of the list box.
    std::string Caption() const;
    // The entry after its display line and blank line: what is viewed or saved.
    std::string_view Data() const;
};

struct TMimeServices {
    TTextSource Text;
    // Decoding job in view mode: text in, text out; the input unchanged when
    // nothing could be decoded.
    std::function<std::string(const std::string&)> ViewDecode;
    // Decoding job with verify mode off; nothing on failure.
    std::function<std::optional<std::string>(const std::string&)> Decode;
    // The session's error box.
    std::function<void(const std::string&)> Error;
    // The viewer window, modal, with its folder button hidden.
    std::function<void(const std::string&)> ShowText;
    // Writes the bytes to the file, replacing it; false on failure.
    std::function<bool(const std::string& path, std::string_view bytes)> WriteFile;
};

// What the attachment list box (the selection box) needs to show a listing.
struct TMimeListBox {
    std::string Caption;     // MIME_SAVE
    std::string ViewHint;    // MVIEW_HINT
    std::string SaveHint;    // MSAVE_HINT
    std::string CloseHint;   // MCLOSE_HINT
    std::string SaveTitle;   // "Save" + " " + FILE_AS
    std::string SaveFilter;  // "All (*.*)|*.*"
};

class TMCFuncs {
public:
    // Set by the viewer before a text extraction: inline PGP and PGP/MIME
    // encrypted parts are decrypted while extracting.
    bool ViewDecrypt = false;
    // Depth of the current attachment listing, for indentation.
    std::int32_t NestingLevel = 0;
    // The parts found by an attachment listing.
    std::vector<TMimePart> slMimeParts;

    TMimeServices Services;

    TMCFuncs() = default;
    explicit TMCFuncs(TMimeServices services) : Services(std::move(services)) {}
    ~TMCFuncs();
    TMCFuncs(const TMCFuncs&) = delete;
    TMCFuncs& operator=(const TMCFuncs&) = delete;

    // Header reading.
    static bool IsQP(std::string& header);
    static bool Is8Bit(std::string_view text);
    static bool IsBinary(std::string_view text);
    static std::string GetBounds(std::string_view header);
    static std::string GetHeader(std::string& text);
    static std::string GetHeaderLine(std::string& text);
    // The same on a view that is advanced: for walking a header line by line
    // without cutting the front off the text each time.
    static std::string GetHeaderLine(std::string_view& text);
    static int CompressHeader(std::string& header, std::string& boundary);

    // Codecs; decoders never raise.
    static std::string ConvertText(std::string_view text);
    static std::string EncodeHeader(std::string_view text);
    static std::string DecodeHeader(std::string_view text);
    static std::string Base64EncodeBuffer(std::string_view bytes);
    static std::string Base64DecodeBuffer(std::string_view text);
    // The same over the text itself; the length of the bytes, or -1 when the
    // text is invalid (it is then partly overwritten).
    static std::ptrdiff_t Base64DecodeInPlace(char* text, std::size_t size);
    static std::string UUEncode(std::string_view bytes);
    static std::string UUDecode(std::string_view text);

    // Readable text.
    static std::string StripHtml(std::string_view boundary, std::string_view text);
    static std::string ExtractMime(std::string_view boundary, std::string_view text);
    std::string ExtractBody(std::string_view message);

    // Body conversions for decryption.
    static std::string ConvertQPCodes(std::string_view header, std::string_view body);
    static std::string ConvertEncQPCodes(std::string_view header, std::string_view body);
    static std::string ConvertDecQPCodes(std::string_view entity);

    // Part listing.
    std::uint32_t GetHeaderFlags(std::string& header, std::string& displayLine) const;
    bool SaveMimeAttachments(std::string_view message);
    // Empties slMimeParts, overwriting the texts first: they may hold
    // decrypted data.
    void ClearMimeParts();
    TMimeListBox MimeListBox() const;

    // A listed part: viewing shows it in the viewer (text parts only), saving
    // writes its bytes to the file. False when nothing was shown or written.
    bool ViewData(const TMimePart& part);
    bool SaveData(const TMimePart& part, const std::string& path);

private:
    std::string ExtractBodyAt(std::string_view message, int depth);
    std::string DecryptForView(std::string_view body, int depth);
    std::string ExtractWrapped(std::string_view boundary, std::string_view body, int depth);
    bool ListParts(std::string_view message, int depth);
    std::string Text(int number) const;
    void ShowError(const std::string& text) const;
};

// The closing line of a readable message.
inline constexpr std::string_view kMailEndLine =
    "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~ M A I L E N D ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";

}  // namespace orv
