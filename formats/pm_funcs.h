#pragma once
// TPMFuncs, the encryptor-operations object: here its part that turns an
// outgoing message of the mail client into the message that is sent (inline
// PGP or PGP/MIME), rewrites a message to go out unencoded and uuencodes the
// attachments of a non-MIME message. The text work is plain byte-string code;
// the encoding job, the configuration, the boxes, the status line and the
// message file are reached through TAssemblyServices, filled in by the
// session (TPGPData and the job behind it).

#include "base/wipe_text.h"
#include "formats/text_source.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orv {

// What the assembly asks of one run of the encoding job.
enum class TEncodeOperation {
    Encrypt,       // public-key encryption, signed too when Sign is set
    ClearSign,     // text signing (message text and PGP/MIME entities)
    DetachedSign,  // detached signature (attachment bodies)
};

struct TEncodeOrder {
    std::string Data;
    // Where set, the job reads these bytes instead of Data: an attachment
    // decoded where it lies in the message is not copied again.
    std::string_view DataView;
    TEncodeOperation Operation = TEncodeOperation::Encrypt;
    bool Sign = false;
    bool TextMode = false;
    bool PGPMIME = false;
    std::string Title;  // SIGN_MSG or SIGN_ATT: the job's title for its dialogs
    // Where set, the output is appended to this text rather than returned in
    // the outcome, so that a large armour is not held twice.
    std::string* AppendTo = nullptr;
    // Room to leave behind it for what the assembly adds afterwards.
    std::size_t AppendRoom = 0;
};

struct TEncodeOutcome {
    int Error = -1;  // PGP error number; 0 success
    std::string Output;
    std::string MIMESeparator;  // the boundary the job used for PGP/MIME output
};

struct TAssemblyServices {
    TTextSource Text;
    // Runs the encoding job with the session's settings (armour on, comment,
    // key dialog, recipients and signing key of the request); on success the
    // recipient text and signing key used come back through the two strings.
    std::function<TEncodeOutcome(const TEncodeOrder& order, std::string& recipientSpec, std::string& signKeyID)>
        Encode;
    // The text of a PGP error number.
    std::function<std::string(int error)> ErrorText;
    // Forgets the last PGP result once the user chose to send a part unencoded.
    std::function<void()> ClearPGPError;
    // The Cancel box: text + "?", No as default; true when the answer is No.
    std::function<bool(const std::string& text)> Cancel;
    std::function<void(const std::string& text)> Error;
    // Progress line of the mail client's status bar.
    std::function<void(const std::string& text)> Status;
    // The ADK question for the recipients; true when the user declines (copy
    // the message to a new editor instead).
    std::function<bool(const std::string& recipientSpec)> AdkDeclined;
    // 32-bit value of the random source, for fresh PGP/MIME boundaries.
    std::function<std::uint32_t()> Random32;
    // [MenuOptions] PGPMime as loaded, and PGPExt.
    std::function<bool()> PGPMimeLoaded;
    std::function<bool()> PGPExt;
    // Reads the whole message file; false when it cannot be read.
    std::function<bool(const std::string& path, std::string& bytes)> ReadMessage;
    // Puts the bytes in place of the message file so that it is never left
    // half-written: the old content is wiped only once the new one is on disk.
    std::function<bool(const std::string& path, std::string_view bytes)> ReplaceMessage;
    // Moves the message into a new editor window (result -2).
    std::function<int()> CopyMessage;
};

// One part as views into the body it was cut from.
struct TMailPartView {
    std::string_view Header;
    std::string_view Body;
    bool IsAttachment = false;
    bool IsAlternative = false;
};

// One part of a message body, as PartExtract cuts it.
struct TMailPart {
    std::string Header;  // without its blank line
    std::string Body;
    bool IsAttachment = false;
    // The multipart/alternative container: Body starts at its first delimiter.
    bool IsAlternative = false;
};

// The encryptor header and the attachment encryption parameter.
inline constexpr std::string_view kEncryptorName = "ORVPGP-PM32";
inline constexpr std::string_view kEncryptorHeader = "X-PM-Encryptor: ORVPGP-PM32, ";
inline constexpr std::string_view kEncryptionParameter = " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=";

class TPMFuncs {
public:
    // Per-call state of a request (the part of it that the assembly uses).
    std::string MessageFile;
    std::string RecipientSpec;
    std::string SignKeyID;
    bool IsMime = false;
    bool DoEncrypt = false;
    bool DoSign = false;
    bool AdkCheck = false;
    // +1 encode attachments, -1 ask first, 0 send them unencoded.
    std::int32_t AttachMode = 1;
    std::string HostCharset = "ISO-8859-1";

    TAssemblyServices Services;

    TPMFuncs() = default;
    explicit TPMFuncs(TAssemblyServices services) : Services(std::move(services)) {}

    // Text helpers.
    static std::string AddSpaceLine(std::string_view text);
    static std::string DelQuotes(std::string_view text);

    // Splitting a message and its parts.
    void GetMainHeader(std::string_view message, std::string& mainHeader, std::string& body,
                       std::string& mixedBoundary, std::string& altBoundary);
    // The same for a message that is not needed afterwards: a MIME message's
    // own buffer becomes the body (left empty), so that a large message is
    // not held twice; any other message stays as it is.
    void TakeMainHeader(std::string& message, std::string& mainHeader, std::string& body,
                        std::string& mixedBoundary, std::string& altBoundary);
    // The body is a view that is advanced past the part, so that walking a
    // message part by part stays linear in its size.
    static TMailPart PartExtract(std::string_view& body, std::string_view boundary, std::string& altBoundary);
    // The same without copying: the views point into the body.
    static TMailPartView PartView(std::string_view& body, std::string_view boundary, std::string& altBoundary);
    static std::string GetAttachmentName(std::string& header, int mode);
    std::string SetBodyHeader(std::string_view encodedText, std::string_view oldHeader) const;
    static int EncodeAttachment(std::string& header, std::string& body, int mode);
    // The same over a body seen through a view: an encoded body goes to
    // `storage` (wiped first; it may be what the view showed) and the view
    // then shows it.
    static int EncodeAttachment(std::string& header, std::string_view& body, std::string& storage, int mode);
    std::string RemoveCryptHeaders(std::string_view body, std::string_view mixedBoundary);
    // The same appended to a text that ends in a blank line (or is empty).
    void AppendWithoutCryptHeaders(std::string& out, std::string_view body, std::string_view mixedBoundary);

    // Assembly: the result is 1 with the message in `output`, -1 with the
    // error text in `output`, or -2 (move the message to a new editor).
    // Inline assembly decodes base64 attachments where they lie in the body,
    // which is used up.
    int PGPEncoded(std::string_view mainHeader, std::string& body, std::string_view mixedBoundary,
                   std::string_view altBoundary, std::string& output);
    int PGPMimeEncoded(std::string_view mainHeader, std::string_view body, std::string_view mixedBoundary,
                       std::string_view altBoundary, std::string& output);

    // The message file rewritten to go out as it is (crypt headers removed);
    // result 0. A failure leaves the file untouched and tells the user.
    int Unencoded();
    // A message without MIME: the user chooses between sending it unencoded
    // with uuencoded attachments (0) and a new editor (-2); -1 when an
    // attachment does not decode or the file cannot be written, the file
    // then being untouched.
    int NonMimeMessage(std::string_view message, std::string_view mainHeader);

    // The flags number of the encryptor header: 1 encrypt, 4 sign, 5 both.
    int FlagsNumber() const { return (DoEncrypt ? 1 : 0) + (DoSign ? 4 : 0); }

private:
    // While a message is rewritten as it is, or a stored message is put
    // inline, its mixed content-type line stays in its main header.
    bool KeepMixedLine = false;

    // The main header's parts; the body is bodyHead followed by the message
    // from the offset returned.
    std::size_t MainHeaderParts(std::string_view message, std::string& mainHeader, std::string& bodyHead,
                                std::string& mixedBoundary, std::string& altBoundary);

    struct TJobResult {
        int Error = -1;
        std::string Output;
        std::string Separator;
    };
    // The data is lent to the job and comes back unchanged.
    // With appendTo the output is appended there; Output stays empty.
    TJobResult RunJob(std::string& data, bool text, bool pgpMime, int titleNumber,
                      std::string* appendTo = nullptr, std::size_t appendRoom = 0);
    // An attachment's bytes, seen where they lie, encrypted (and signed)
    // with the armour appended to appendTo.
    TJobResult EncryptView(std::string_view bytes, std::string* appendTo, std::size_t appendRoom);
    TJobResult Dispatch(TEncodeOrder& order, std::string* appendTo, std::size_t appendRoom);
    std::string Text(int number) const;
    std::string ProgressWords() const;
    std::string JobErrorText(int error) const;
    bool AdkStop();
    int EncodeTextPart(std::string header, std::string body, std::string& newHeader, std::string& armoured,
                       std::string& error);
    // `rest` is what follows the part, for the room the output will need.
    // `writable` is the part's body in the message's own buffer (null when
    // the body is not seen there).
    int InlineAttachment(const TMailPartView& part, char* writable, std::string_view mixedBoundary,
                         std::string_view mainHeader, std::string_view rest, std::string& output,
                         std::string& error, int depth);
    struct TInlinePart;
    // The Cancel box's text: send the attachment unencoded?
    std::string AttachmentQuestion() const;
    // False once attachments go unencoded; where the user is to be asked
    // first, true when the answer is to encode them.
    bool EncodesAttachment(const std::string& question);
    // The output begun with the main header, once.
    void StartInline(TInlinePart& part);
    // A part (header and body) behind the mixed boundary.
    void AppendInline(TInlinePart& part, std::string_view header, std::string_view body);
    int SendUnencoded(TInlinePart& part);
    // A base64 body decoded (where it lies when it can be); false when it
    // does not decode.
    static bool DecodeBase64Body(TInlinePart& part);
    // A stored message goes inline as a message of its own, its parts encoded.
    int InlineStoredMessage(TInlinePart& part, std::string& error, int depth);
    static void ConvertQuotedPrintable(TInlinePart& part);
    // The job's result for an attachment: 1 appended, -1 with the error text,
    // or 0 when the user stopped the job.
    int EncryptAttachment(TInlinePart& part, std::string& error);
    int SignAttachment(TInlinePart& part, std::string& error);
    int AttachmentJobOutcome(int jobError, std::string& error) const;
    int InlineAt(std::string_view mainHeader, std::string& body, std::string_view mixedBoundary,
                 std::string_view altBoundary, std::string& output, int depth);
    // The PGP/MIME entity of a mixed or alternative message; the main
    // header gives up the content-type line the entity takes.
    void BuildMixedEntity(std::string& header, std::string& entity, std::string_view body,
                          std::string_view mixedBoundary, std::string& altBoundary);
    void BuildAlternativeEntity(std::string& header, std::string& entity, std::string_view body,
                                std::string& altBoundary);
    // The job's separator replaced, where it is a boundary, by a fresh one.
    void PutFreshBoundary(std::string& output, std::size_t bodyStart, std::string_view separator);
};

// Removes the encryptor header line (with its line end) at its last or first
// occurrence.
std::string RemoveEncryptorHeader(std::string_view header, bool last);

// AddSpaceLine in place.
void EndInBlankLine(std::string& text);
// Appends AddSpaceLine(text) without a copy of the text.
void AppendWithBlankLine(std::string& out, std::string_view text);
// Room for `more` bytes at the end, given at once rather than by doubling.
void ReserveFor(std::string& text, std::size_t more);


}  // namespace orv
