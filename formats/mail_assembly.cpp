// Putting the PGP mail together: inline PGP inside the client's own MIME
// structure, or the whole MIME body as one PGP/MIME entity.

#include "engine/pgpsdk.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/pm_funcs.h"
#include "formats/text_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace orv {

using namespace mime;

namespace {

// Stored messages inside stored messages deeper than this go out as files.
constexpr int kMaxStoredDepth = 8;
// "PGPMime-Boundary-" and eight hex digits.
constexpr std::string_view kBoundaryStem = "PGPMime-Boundary-";
constexpr std::size_t kBoundaryLength = kBoundaryStem.size() + 8;
// An attachment's job the user stopped: sending it unencoded is offered again.
constexpr int kJobStopped = 0;

constexpr std::string_view kEncryptedFileHeader =
    "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
    "Content-description: PGP encrypted file\r\nContent-disposition: attachment; filename=\r\n \"";
constexpr std::string_view kSignatureFileHeader =
    "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
    "Content-description: PGP detached signature\r\nContent-disposition: attachment; filename=\r\n \"";

std::string MixedHeader(std::string_view mixed) {
    return "Content-type: Multipart/Mixed;\r\n boundary=" + std::string(mixed.substr(2));
}

std::string AltHeader(std::string_view alt) {
    return "Content-type: Multipart/Alternative;\r\n boundary=" + std::string(alt.substr(2));
}

bool IsStoredMessageName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == npos) return false;
    const std::string ext = UpperCase(name.substr(dot));
    return ext == ".CNM" || ext == ".CNR" || ext == ".PM$";
}

// ".pgp" or ".sig" goes inside an encoded word, before its closing "?=".
std::string WithExtension(std::string name, std::string_view ext) {
    if (name.empty()) name = "-";
    if (name.ends_with("?=") && StartsWithNoCase(name, "=?")) name.insert(name.size() - 2, ext);
    else name += ext;
    return name;
}

// The header of an attachment that goes out as a file of its own: the
// part's file name with the extension, and the encryption parameter.
std::string OwnFileHeader(std::string_view lead, std::string partHeader, std::string_view ext,
                          std::string_view flags) {
    std::string header(lead);
    header += WithExtension(TPMFuncs::GetAttachmentName(partHeader, 0), ext);
    header += "\";\r\n";
    header += kEncryptionParameter;
    header += flags;
    return header;
}

// The alternative container's first part, then the rest of the container as
// it is, or its closing delimiter when nothing follows.
void AppendAlternatives(std::string& entity, std::string_view container, std::string& alt) {
    const TMailPartView sub = TPMFuncs::PartView(container, alt, alt);
    entity += alt;
    entity += "\r\n";
    AppendWithBlankLine(entity, sub.Header);
    AppendWithBlankLine(entity, sub.Body);
    if (container.empty()) entity += alt + "--";
    else entity += container;
}

// The place of a header's line that begins with lowerName, with its
// continuation lines; npos when there is none.
std::size_t LineSpan(std::string_view header, std::string_view lowerName, std::size_t& end) {
    for (std::size_t p = FindNoCase(header, lowerName); p != npos; p = FindNoCase(header, lowerName, p + 1)) {
        if (p != 0 && header[p - 1] != '\n') continue;
        end = p;
        do {
            const std::size_t lf = header.find('\n', end);
            end = lf == npos ? header.size() : lf + 1;
        } while (end < header.size() && (header[end] == ' ' || header[end] == '\t'));
        return p;
    }
    return npos;
}

// Removes every line beginning with lowerName (with continuations).
std::string DropLines(std::string_view header, std::string_view lowerName) {
    std::string out(header);
    std::size_t end = 0;
    for (std::size_t p = LineSpan(out, lowerName, end); p != npos; p = LineSpan(out, lowerName, end)) {
        // The last line of a header has no line end of its own: the one before it goes.
        if (end == out.size() && (end == 0 || out[end - 1] != '\n') && p >= 2) p -= 2;
        out.erase(p, end - p);
    }
    return std::string(TrimRight(out));
}

bool HeaderSays(std::string_view header, std::string_view lowerName, std::string_view lowerWord) {
    std::size_t end = 0;
    const std::size_t p = LineSpan(header, lowerName, end);
    return p != npos && FindNoCase(header.substr(p, end - p), lowerWord) != npos;
}

void ReplaceLine(std::string& header, std::string_view lowerName, std::string_view line) {
    std::size_t end = 0;
    const std::size_t p = LineSpan(header, lowerName, end);
    if (p == npos) return;
    while (end > p && (header[end - 1] == '\n' || header[end - 1] == '\r')) --end;
    header.replace(p, end - p, line);
}

// Replaces the chosen occurrences of `from` (by their index among all
// occurrences, at) with `to`, in place and in one pass.
void ReplaceChosen(std::string& text, const std::vector<std::size_t>& at, std::string_view from, std::string_view to,
                   const std::vector<std::size_t>& chosen) {
    std::vector<std::size_t> replace;
    for (std::size_t i = 0; i < at.size(); ++i)
        if (std::find(chosen.begin(), chosen.end(), i) != chosen.end()) replace.push_back(at[i]);
    if (replace.empty() || from.empty()) return;
    const std::size_t oldSize = text.size();
    if (to.size() <= from.size()) {
        std::size_t write = replace[0];
        for (std::size_t k = 0; k < replace.size(); ++k) {
            text.replace(write, to.size(), to);
            write += to.size();
            const std::size_t next = k + 1 < replace.size() ? replace[k + 1] : oldSize;
            const std::size_t from0 = replace[k] + from.size();
            std::memmove(&text[write], text.data() + from0, next - from0);
            write += next - from0;
        }
        text.resize(write);
        return;
    }
    // Growing: the tail moves first, from the end backwards.
    const std::size_t grow = (to.size() - from.size()) * replace.size();
    ReserveFor(text, grow);
    text.resize(oldSize + grow);
    std::size_t end = oldSize, write = oldSize + grow;
    for (std::size_t k = replace.size(); k-- > 0;) {
        const std::size_t tail = replace[k] + from.size();
        write -= end - tail;
        std::memmove(&text[write], text.data() + tail, end - tail);
        write -= to.size();
        std::memcpy(&text[write], to.data(), to.size());
        end = replace[k];
    }
}

}  // namespace

std::string TPMFuncs::ProgressWords() const {
    if (DoEncrypt && DoSign) return Text(txt::ENC_BEG) + "/" + Text(txt::SIGN_BEG);
    if (DoEncrypt) return Text(txt::ENC_BEG);
    if (DoSign) return Text(txt::SIGN_BEG);
    return {};
}

TPMFuncs::TJobResult TPMFuncs::RunJob(std::string& data, bool text, bool pgpMime, int titleNumber,
                                      std::string* appendTo, std::size_t appendRoom) {
    TJobResult result;
    TEncodeOrder order;
    bool lineEndAdded = false;
    if (DoEncrypt) {
        order.Operation = TEncodeOperation::Encrypt;
        order.Sign = DoSign;
    } else if (text) {
        order.Operation = TEncodeOperation::ClearSign;
        data += "\r\n";
        lineEndAdded = true;
    } else {
        order.Operation = TEncodeOperation::DetachedSign;
    }
    // The text is lent to the job, not copied: attachments can be large.
    order.Data = std::move(data);
    order.TextMode = text;
    order.PGPMIME = pgpMime;
    order.Title = Text(titleNumber);
    result = Dispatch(order, appendTo, appendRoom);
    data = std::move(order.Data);
    if (lineEndAdded) data.resize(data.size() - 2);
    return result;
}

TPMFuncs::TJobResult TPMFuncs::EncryptView(std::string_view bytes, std::string* appendTo, std::size_t appendRoom) {
    TEncodeOrder order;
    order.Operation = TEncodeOperation::Encrypt;
    order.Sign = DoSign;
    order.DataView = bytes;
    order.Title = Text(txt::SIGN_ATT);
    return Dispatch(order, appendTo, appendRoom);
}

TPMFuncs::TJobResult TPMFuncs::Dispatch(TEncodeOrder& order, std::string* appendTo, std::size_t appendRoom) {
    TJobResult result;
    order.AppendTo = appendTo;
    order.AppendRoom = appendRoom;
    if (!Services.Encode) {
        result.Error = kPGPError_EngineNotLoaded;
    } else {
        TEncodeOutcome outcome = Services.Encode(order, RecipientSpec, SignKeyID);
        result.Error = outcome.Error;
        result.Output = std::move(outcome.Output);
        result.Separator = std::move(outcome.MIMESeparator);
        // An encoder that does not append gives its output back instead.
        if (appendTo && result.Error == 0 && !result.Output.empty()) {
            ReserveFor(*appendTo, result.Output.size() + appendRoom);
            appendTo->append(result.Output);
            WipeText(result.Output);
        }
    }
    if (result.Error == 0) {
        // The job puts the signer last in the recipient list; it is not one
        // of the recipients the user asked for.
        if (RecipientSpec.size() > 18 && !SignKeyID.empty() && RecipientSpec.ends_with(SignKeyID))
            RecipientSpec.resize(RecipientSpec.size() - std::min(RecipientSpec.size(), SignKeyID.size() + 1));
    } else if (result.Error != kPGPError_UserAbort && result.Error != kPGPError_FilePermissions && Services.Error) {
        Services.Error(JobErrorText(result.Error));
    }
    return result;
}

std::string TPMFuncs::JobErrorText(int error) const {
    return Services.ErrorText ? Services.ErrorText(error) : std::string();
}

bool TPMFuncs::AdkStop() {
    if (!AdkCheck || !DoEncrypt) return false;
    AdkCheck = false;
    return Services.AdkDeclined && Services.AdkDeclined(RecipientSpec);
}

int TPMFuncs::EncodeTextPart(std::string header, std::string body, std::string& newHeader, std::string& armoured,
                             std::string& error) {
    if (TMCFuncs::IsQP(header)) {
        std::string decoded = TMCFuncs::ConvertText(body);
        WipeText(body);
        body = std::move(decoded);
    }
    TJobResult job = RunJob(body, true, false, txt::SIGN_MSG);
    WipeText(body);
    if (job.Error != 0) {
        error = JobErrorText(job.Error);
        return -1;
    }
    if (AdkStop()) return -2;
    newHeader = SetBodyHeader(job.Output, header);
    armoured = std::move(job.Output);
    return 1;
}

// One attachment on its way into the inline output: its header and body as
// they are turned, and the output they go to.
struct TPMFuncs::TInlinePart {
    std::string header;
    // Decoded or converted text of the body, wiped on every way out.
    std::string owned;
    // A view into the message, or onto `owned`.
    std::string_view body;
    char* writable;
    std::string_view mixed;
    std::string_view mainHeader;
    std::string_view rest;
    std::string& out;
    std::string question;  // the Cancel box's text for the part
    std::string flags;     // the flags number of the encryptor header

    ~TInlinePart() { WipeText(owned); }
    void Own(std::string text) {
        WipeText(owned);
        owned = std::move(text);
        body = owned;
    }
    // Room behind a part for, roughly, what is still to come.
    std::size_t RoomAfter() const { return mixed.size() + rest.size() + rest.size() / 16 + 256; }
};

int TPMFuncs::InlineAttachment(const TMailPartView& part, char* writable, std::string_view mixed,
                               std::string_view mainHeader, std::string_view rest, std::string& out,
                               std::string& error, int depth) {
    TInlinePart p{.header = std::string(part.Header),
                  .body = part.Body,
                  .writable = writable,
                  .mixed = mixed,
                  .mainHeader = mainHeader,
                  .rest = rest,
                  .out = out,
                  .question = AttachmentQuestion(),
                  .flags = std::to_string(FlagsNumber())};
    if (!EncodesAttachment(p.question)) return SendUnencoded(p);
    if (!DecodeBase64Body(p)) {
        error = Text(txt::BASE64_ERROR);
        return -1;
    }
    std::string probe = p.header;
    if (IsStoredMessageName(GetAttachmentName(probe, 0)) && depth < kMaxStoredDepth)
        return InlineStoredMessage(p, error, depth);
    for (;;) {
        ConvertQuotedPrintable(p);
        const int r = DoEncrypt ? EncryptAttachment(p, error) : SignAttachment(p, error);
        if (r != kJobStopped) return r;
        // The user stopped the job: sending the part unencoded is offered again.
        AttachMode = -1;
        if (!EncodesAttachment(p.question)) return SendUnencoded(p);
    }
}

std::string TPMFuncs::AttachmentQuestion() const {
    std::string question = Text(txt::_SEND);
    question += DoEncrypt && DoSign ? Text(txt::UNSIGN_UNENC) : DoEncrypt ? Text(txt::_UNENC) : Text(txt::_UNSIGN);
    question += Text(txt::KIND_ATTACH);
    return question;
}

bool TPMFuncs::EncodesAttachment(const std::string& question) {
    if (AttachMode == 0) return false;
    if (AttachMode < 0) {
        if (!(Services.Cancel && Services.Cancel(question))) return false;
        AttachMode = 1;
    }
    return true;
}

void TPMFuncs::StartInline(TInlinePart& p) {
    if (!p.out.empty()) return;
    p.out = AttachMode == 0 ? RemoveEncryptorHeader(p.mainHeader, true) : std::string(p.mainHeader);
    EndInBlankLine(p.out);
}

void TPMFuncs::AppendInline(TInlinePart& p, std::string_view header, std::string_view body) {
    StartInline(p);
    ReserveFor(p.out, header.size() + body.size() + p.RoomAfter());
    EndInBlankLine(p.out);
    p.out += p.mixed;
    p.out += "\r\n";
    AppendWithBlankLine(p.out, header);
    p.out += body;
}

int TPMFuncs::SendUnencoded(TInlinePart& p) {
    EncodeAttachment(p.header, p.body, p.owned, 1);
    AttachMode = 0;
    if (Services.ClearPGPError) Services.ClearPGPError();
    AppendInline(p, p.header, p.body);
    return 1;
}

bool TPMFuncs::DecodeBase64Body(TInlinePart& p) {
    if (!HeaderSays(p.header, "content-transfer-encoding: ", "base64")) return true;
    // Decoded where it lies: a large attachment is not held twice.
    if (p.writable) {
        const std::ptrdiff_t n = TMCFuncs::Base64DecodeInPlace(p.writable, p.body.size());
        if (n < 0 || (n == 0 && !Trim(p.body).empty())) return false;
        p.body = std::string_view(p.writable, static_cast<std::size_t>(n));
    } else if (!Trim(p.body).empty()) {
        std::string bytes = TMCFuncs::Base64DecodeBuffer(p.body);
        if (bytes.empty()) return false;
        p.Own(std::move(bytes));
    }
    ReplaceLine(p.header, "content-transfer-encoding: ", "Content-transfer-encoding: 7BIT");
    return true;
}

int TPMFuncs::InlineStoredMessage(TInlinePart& p, std::string& error, int depth) {
    const bool e = DoEncrypt, s = DoSign, m = IsMime, keep = KeepMixedLine;
    std::string innerHeader, innerBody, innerMixed, innerAlt, innerOut;
    KeepMixedLine = true;
    GetMainHeader(p.body, innerHeader, innerBody, innerMixed, innerAlt);
    KeepMixedLine = keep;
    DoEncrypt = e;
    DoSign = s;
    IsMime = m;
    innerHeader += "\r\n";
    innerHeader += kEncryptorHeader;
    innerHeader += p.flags;
    const int r = InlineAt(innerHeader, innerBody, innerMixed, innerAlt, innerOut, depth + 1);
    WipeText(innerBody);
    if (r != 1) {
        error = std::move(innerOut);
        return r;
    }
    AppendInline(p, "Content-type: Message/RFC822", innerOut);
    WipeText(innerOut);
    return 1;
}

void TPMFuncs::ConvertQuotedPrintable(TInlinePart& p) {
    if (!TMCFuncs::IsQP(p.header)) return;
    p.header += "\r\nContent-transfer-encoding: 8BIT";
    p.Own(TMCFuncs::ConvertText(p.body));
}

int TPMFuncs::EncryptAttachment(TInlinePart& p, std::string& error) {
    std::string flagged = p.header;
    const std::size_t param = flagged.find("x-encryption-flags=");
    if (param != npos && param + 19 < flagged.size()) flagged[param + 19] = p.flags[0];
    std::string newHeader;
    if (Services.PGPExt && Services.PGPExt()) {
        newHeader = OwnFileHeader(kEncryptedFileHeader, flagged, ".pgp", p.flags);
    } else {
        newHeader = DropLines(flagged, "content-description: ");
        GetAttachmentName(newHeader, 0);
        newHeader += "\r\nContent-description: PGP encrypted file";
    }
    // The part's header goes first and the job appends its armour right
    // behind it, so that the armour is held only once; a job that does not
    // end well takes the header back out.
    StartInline(p);
    const std::size_t mark = p.out.size();
    AppendInline(p, newHeader, {});
    // The job gives the armour exactly the room it needs (it may be
    // compressed), and room for the rest of the message behind it.
    TJobResult job = EncryptView(p.body, &p.out, p.RoomAfter());
    if (job.Error != 0) p.out.resize(mark);
    return AttachmentJobOutcome(job.Error, error);
}

int TPMFuncs::SignAttachment(TInlinePart& p, std::string& error) {
    // The job takes a string of its own.
    if (p.body.data() != p.owned.data() || p.body.size() != p.owned.size()) p.Own(std::string(p.body));
    TJobResult job = RunJob(p.owned, false, false, txt::SIGN_ATT);
    p.body = p.owned;
    const int r = AttachmentJobOutcome(job.Error, error);
    if (r != 1) return r;

    // Signing only: the file as it is, then its detached signature.
    if (EncodeAttachment(p.header, p.body, p.owned, 0) < 0) {
        error = Text(txt::BASE64_ERROR);
        return -1;
    }
    const std::string sigHeader = OwnFileHeader(kSignatureFileHeader, p.header, ".sig", p.flags);
    AppendInline(p, p.header, p.body);
    AppendInline(p, sigHeader, job.Output);
    return 1;
}

int TPMFuncs::AttachmentJobOutcome(int jobError, std::string& error) const {
    if (jobError == kPGPError_UserAbort) return kJobStopped;
    if (jobError != 0) {
        error = JobErrorText(jobError);
        return -1;
    }
    return 1;
}

int TPMFuncs::InlineAt(std::string_view mainHeader, std::string& body, std::string_view mixed,
                       std::string_view altBoundary, std::string& output, int depth) {
    output.clear();
    std::string out, error, alt(altBoundary);
    // Room is made part by part (armour makes encoded text about a third
    // longer and leaves base64 as long as it was), so that no room stands
    // empty while the job's output is held.
    out.reserve(mainHeader.size() + 4096);
    const std::string progress = ProgressWords();
    std::string_view rest = body;
    auto fail = [&](int r) {
        WipeText(out);
        output = r == -1 ? std::move(error) : std::string();
        return r;
    };

    while (!rest.empty()) {
        const TMailPartView part = PartView(rest, mixed, alt);
        const bool attachment = part.IsAttachment;
        if (Services.Status)
            Services.Status(progress + " " + Text(attachment ? txt::KIND_ATTACH : txt::KIND_MESSAGE) + " ...");

        if (attachment) {
            // The part's body in the message's own buffer, to be decoded
            // there; an empty body may be seen elsewhere.
            const char* const base = std::as_const(body).data();
            char* writable = nullptr;
            if (!part.Body.empty() && std::less_equal<>()(base, part.Body.data()) &&
                std::less_equal<>()(part.Body.data() + part.Body.size(), base + body.size()))
                writable = body.data() + (part.Body.data() - base);
            const int r = InlineAttachment(part, writable, mixed, mainHeader, rest, out, error, depth);
            if (r != 1) return fail(r);
            continue;
        }

        if (part.IsAlternative) {
            if (out.empty()) {
                out = mainHeader;
                EndInBlankLine(out);
            }
            EndInBlankLine(out);
            if (!mixed.empty()) {
                out += mixed;
                out += "\r\n";
                out += AltHeader(alt);
                out += "\r\n\r\n";
            }
            out += alt;
            std::string_view container = part.Body;
            for (int n = 0; n < 2 && !container.empty(); ++n) {
                const TMailPartView sub = PartView(container, alt, alt);
                std::string newHeader, armoured;
                const int r =
                    EncodeTextPart(std::string(sub.Header), std::string(sub.Body), newHeader, armoured, error);
                if (r != 1) return fail(r);
                ReserveFor(out, newHeader.size() + armoured.size() + alt.size() + 256);
                out += "\r\n";
                AppendWithBlankLine(out, newHeader.empty() ? std::string_view("\r\n") : newHeader);
                AppendWithBlankLine(out, armoured);
                out += alt;
            }
            out += "--";
            continue;
        }

        std::string newHeader, armoured;
        const int r = EncodeTextPart(std::string(part.Header), std::string(part.Body), newHeader, armoured, error);
        if (r != 1) return fail(r);
        if (out.empty()) out = mainHeader;
        // Room for this part only: an attachment's job is still to run.
        ReserveFor(out, mixed.size() + newHeader.size() + armoured.size() + 256);
        if (!mixed.empty()) {
            EndInBlankLine(out);
            out += mixed;
            out += "\r\n";
        } else {
            out += "\r\n";
        }
        // A part without a content type still needs the blank line before its text.
        if (newHeader.empty()) out += "\r\n";
        else AppendWithBlankLine(out, newHeader);
        out += armoured;
    }
    if (out.empty()) {
        out = mainHeader;
        EndInBlankLine(out);
    }
    if (!mixed.empty()) {
        EndInBlankLine(out);
        out += mixed;
        out += "--";
    }
    output = std::move(out);
    return 1;
}

int TPMFuncs::PGPEncoded(std::string_view mainHeader, std::string& body, std::string_view mixedBoundary,
                         std::string_view altBoundary, std::string& output) {
    return InlineAt(mainHeader, body, mixedBoundary, altBoundary, output, 0);
}

int TPMFuncs::PGPMimeEncoded(std::string_view mainHeader, std::string_view body, std::string_view mixed,
                             std::string_view altBoundary, std::string& output) {
    output.clear();
    if (Services.Status) Services.Status(ProgressWords() + " " + Text(txt::KIND_MESSAGE) + " ...");
    std::string header(mainHeader), alt(altBoundary), entity;
    // The entity is about as long as the body; base64 attachments are carried over as they are.
    entity.reserve(body.size() + body.size() / 16 + 1024);
    if (!mixed.empty()) BuildMixedEntity(header, entity, body, mixed, alt);
    else if (!alt.empty()) BuildAlternativeEntity(header, entity, body, alt);
    else entity = body;

    // The job appends the signed or encrypted entity right behind the
    // header, so that it is held only once.
    output = header;
    output += "\r\n";
    const std::size_t bodyStart = output.size();
    // Room behind the armour for the boundaries that replace the separator.
    TJobResult job = RunJob(entity, true, true, txt::SIGN_MSG, &output, 4 * kBoundaryLength + 256);
    WipeText(entity);
    if (job.Error != 0) {
        WipeText(output);
        output = JobErrorText(job.Error);
        return -1;
    }
    if (AdkStop()) {
        WipeText(output);
        return -2;
    }
    if (!job.Separator.empty()) PutFreshBoundary(output, bodyStart, job.Separator);
    return 1;
}

void TPMFuncs::BuildMixedEntity(std::string& header, std::string& entity, std::string_view body,
                                std::string_view mixed, std::string& alt) {
    // The entity carries the message's content type; a top-level one left
    // in the main header would contradict the PGP/MIME envelope.
    header = DropLines(header, "content-type: ");
    std::string_view rest = body;
    const TMailPartView first = PartView(rest, mixed, alt);
    entity += MixedHeader(mixed);
    entity += "\r\n\r\n";
    if (first.IsAlternative) {
        entity += mixed;
        entity += "\r\n";
        entity += AltHeader(alt);
        entity += "\r\n\r\n";
        AppendAlternatives(entity, first.Body, alt);
        EndInBlankLine(entity);
        AppendWithoutCryptHeaders(entity, rest, mixed);
    } else if (!rest.empty()) {
        entity += mixed;
        entity += "\r\n";
        AppendWithBlankLine(entity, first.Header);
        AppendWithBlankLine(entity, first.Body);
        AppendWithoutCryptHeaders(entity, rest, mixed);
    } else {
        std::string single(mixed);
        single += "\r\n";
        AppendWithBlankLine(single, first.Header);
        AppendWithBlankLine(single, first.Body);
        single += mixed;
        single += "--";
        AppendWithoutCryptHeaders(entity, single, mixed);
        WipeText(single);
    }
}

void TPMFuncs::BuildAlternativeEntity(std::string& header, std::string& entity, std::string_view body,
                                      std::string& alt) {
    // The header's alternative content-type line moves into the entity.
    std::size_t end = 0, at = npos;
    for (std::size_t p = LineSpan(header, "content-type: multipart/alternative; ", end); p != npos;
         p = LineSpan(header, "content-type: multipart/alternative; ", end)) {
        at = p;
        std::size_t lineEnd = end;
        while (lineEnd > p && (header[lineEnd - 1] == '\n' || header[lineEnd - 1] == '\r')) --lineEnd;
        entity.assign(header, p, lineEnd - p);
        // The line goes with the line end before it, or the first line with its own.
        if (p >= 2) header.erase(p - 2, lineEnd - (p - 2));
        else header.erase(p, end - p);
    }
    if (at == npos) entity += AltHeader(alt);
    entity += "\r\n\r\n";
    std::string_view rest = body;
    const Delimiter d = FindDelimiter(rest, std::string_view(alt).substr(2));
    if (d) rest.remove_prefix(d.pos);
    const TMailPartView container = PartView(rest, "", alt);
    AppendAlternatives(entity, container.Body, alt);
}

void TPMFuncs::PutFreshBoundary(std::string& output, std::size_t bodyStart, std::string_view separator) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(Services.Random32 ? Services.Random32() : 0u));
    const std::string boundary = std::string(kBoundaryStem) + hex;
    // One search over the whole output, armour included.
    std::vector<std::size_t> at;
    for (std::size_t p = FindText(output, separator, bodyStart); p != npos;
         p = FindText(output, separator, p + separator.size()))
        at.push_back(p);
    const std::size_t count = at.size();
    // The header parameter, the part delimiters and the closing delimiter.
    std::vector<std::size_t> chosen = {0, count ? count - 1 : 0, 1};
    if (DoEncrypt) chosen.push_back(2);
    else if (count >= 2) chosen.push_back(count - 2);
    ReplaceChosen(output, at, separator, boundary, chosen);
}

}  // namespace orv
