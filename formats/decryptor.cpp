// The receiving side of the encryptor interface: received messages decoded
// into the client's result file with their signature status line,
// signatures checked for the client, keys taken out of messages, files
// destroyed.

#include "formats/decryptor.h"

#include "engine/decode_job.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/pgp_recognition.h"
#include "formats/signature_line.h"
#include "formats/text_source.h"
#include "interfaces/host_messages.h"

namespace orv {

using namespace mime;

namespace {


// The text of the armour's own MIME part around the block: its body before
// the block (after the part's header) and the text after it up to the next
// boundary line. Other parts are the client's (attachments) and are left
// out; without a boundary the whole body counts.
bool TextBesideBlock(const TPGPSplit& split) {
    const std::string_view head = split.Head;
    const std::size_t blank = head.find("\r\n\r\n");
    const std::string boundary = TMCFuncs::GetBounds(head.substr(0, blank));
    std::string_view before = blank == npos ? std::string_view() : head.substr(blank + 4);
    std::string_view after = split.Trailing;
    if (!boundary.empty()) {
        const std::string mark = "--" + boundary;
        std::size_t at = before.rfind(mark);
        while (at != npos && at > 0 && before[at - 1] != '\n') at = at == 0 ? npos : before.rfind(mark, at - 1);
        if (at != npos) {
            const std::size_t partBody = before.find("\r\n\r\n", at);
            before = partBody == npos ? std::string_view() : before.substr(partBody + 4);
        }
        const std::size_t next = after.find("\n" + mark);
        if (next != npos) after = after.substr(0, next);
        if (StartsWith(after, mark)) after = std::string_view();
    }
    return !Trim(before).empty() || !Trim(after).empty();
}

// Text that the signature does not cover reaches the result file beside the
// signed text: around a clear-signed block (the rule VERIFY_SIGNATURE has
// always used), and around an inline PGP message in its part.
bool HasUnsignedData(const TPGPSplit& split) {
    if (split.Kind == mkMessage) return TextBesideBlock(split);
    if (split.Kind != mkClearSigned) return false;
    if (!Trim(split.Trailing).empty()) return true;
    const std::size_t blank = split.Head.find("\r\n\r\n");
    return blank != npos && TrimRight(split.Head).size() >= blank + 5;
}

// The header line from the last "Content-disposition: " on, with its
// continuation lines, names a file.
bool IsAttachmentHeader(std::string_view header) {
    const std::string lower = LowerCase(header);
    const std::size_t at = lower.rfind("content-disposition: ");
    if (at == npos) return false;
    std::size_t end = at;
    for (;;) {
        end = lower.find("\r\n", end);
        if (end == npos) {
            end = lower.size();
            break;
        }
        if (end + 2 < lower.size() && (lower[end + 2] == ' ' || lower[end + 2] == '\t')) {
            end += 2;
            continue;
        }
        break;
    }
    return lower.substr(at, end - at).find("filename=") != npos;
}

// The text starts with a header field ("Name:"), not with plain text.
bool StartsWithField(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] != ':') {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 32 || c > 126) return false;
        ++i;
    }
    return i > 0 && i < text.size();
}

// The top header of a PGP/MIME message without its content lines (the
// multipart/encrypted or multipart/signed type with its continuations, and
// the envelope's other "Content-" fields): the decoded entity brings its own.
std::string WithoutContentFields(std::string_view header) {
    std::string out;
    out.reserve(header.size());
    bool dropping = false;
    std::size_t pos = 0;
    while (pos < header.size()) {
        std::size_t end = header.find("\r\n", pos);
        const std::size_t next = end == npos ? header.size() : end + 2;
        if (end == npos) end = header.size();
        const std::string_view line = header.substr(pos, end - pos);
        const bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!continuation) dropping = StartsWithNoCase(line, "content-");
        if (!dropping) {
            if (!out.empty()) out += "\r\n";
            out += line;
        }
        pos = next;
    }
    return out;
}

// The decrypted entity as it goes below the top header, taken over: lead
// gets the CR LF that ends that header (and a blank line where the entity
// needs one), the entity itself stays where it is. A multipart entity stays
// whole, so that its text and attachments reach the client as they were
// sent; a single part gets its quoted-printable body decoded; an entity
// without a header of its own keeps its first paragraph as text.
std::string DecodedEntity(std::string&& plain, std::string& lead) {
    std::string entity = NormaliseLineEnds(std::move(plain));
    if (!StartsWithField(entity)) {
        lead = StartsWith(entity, "\r\n") ? "\r\n" : "\r\n\r\n";
        return entity;
    }
    const std::size_t blank = entity.find("\r\n\r\n");
    const std::string_view header = blank == npos ? std::string_view() : std::string_view(entity).substr(0, blank + 4);
    if (header.empty() || !TMCFuncs::GetBounds(header).empty()) {
        lead = "\r\n";
        return entity;
    }
    lead.clear();
    std::string out = TMCFuncs::ConvertDecQPCodes(entity);
    WipeText(entity);
    return out;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "0X" and a key ID after the last "X-PGP-KEY" header: 16 hex digits when
// there are, else 8.
std::string XPGPKeyID(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    const std::size_t at = upper.rfind("X-PGP-KEY");
    if (at == npos) return {};
    const std::size_t lineEnd = upper.find("\r\n", at);
    const std::size_t x = upper.find("0X", at);
    if (x == npos || (lineEnd != npos && x > lineEnd)) return {};
    std::size_t n = 0;
    while (x + 2 + n < upper.size() && n < 16 && IsHex(upper[x + 2 + n])) ++n;
    if (n >= 16) return "0x" + upper.substr(x + 2, 16);
    if (n >= 8) return "0x" + upper.substr(x + 2, 8);
    return {};
}

}  // namespace

// ---- Decoding job runs ----------------------------------------------------------

struct TPMEncryptor::TDecodeRun {
    int Error = -1;
    std::string Plain;
    // What goes between the header and the plain text when they are written.
    std::string Lead;
    int Code = kSigCodeNone;
    std::string Line;
    // Text the signatures do not cover reaches the result beside them.
    bool UnsignedData = false;
    ~TDecodeRun() { WipeText(Plain); }

    // The weaker report of the two stays; encryption found by either stays noted.
    void TakeWeaker(TDecodeRun& other) {
        const int encrypted = (Code | other.Code) & kSigCodeEncrypted;
        if (IsWeakerSignature(other.Code, Code)) {
            Code = other.Code;
            Line = std::move(other.Line);
        }
        Code |= encrypted;
    }
};

namespace {

// Where a later block, at `at` in the text after the first one, lies in a
// part that names a file: an armoured attachment is the client's, decoded
// when it is opened. A block with no delimiter before it shares the first
// block's part.
bool InAttachmentPart(std::string_view head, std::string_view trailing, std::size_t at) {
    const std::size_t blank = head.find("\r\n\r\n");
    const std::string boundary = TMCFuncs::GetBounds(head.substr(0, blank));
    if (boundary.empty()) return false;
    const std::string mark = "\n--" + boundary;
    const std::size_t delimiter = trailing.substr(0, at).rfind(mark);
    if (delimiter == npos) return false;
    const std::string_view part = trailing.substr(delimiter + mark.size(), at - delimiter - mark.size());
    const std::size_t partBlank = part.find("\r\n\r\n");
    return partBlank != npos && IsAttachmentHeader(part.substr(0, partBlank));
}

}  // namespace

TAnalyzeText TPMEncryptor::Analysis() {
    if (!Host.Decoder) return {};
    return [this](const std::string& t) {
        Host.Decoder->AnalyzeBuffer(t);
        return Host.Decoder->AnalyzeResult;
    };
}

TPGPSplit TPMEncryptor::Recognise(std::string&& text) { return SplitPGPMessage(std::move(text), Analysis()); }

void TPMEncryptor::DecodeAll(TPGPSplit& split, bool verify, const std::string& title, TDecodeRun& run) {
    run.UnsignedData = split.Embedded ? split.OutsideContent : HasUnsignedData(split);
    // The block of a kind that gives plain text is not read again: the job
    // takes it over and frees it before the plain text is collected.
    if (split.Kind >= mkPGPMime && split.Kind <= mkClearSigned) {
        RunDecoder(std::move(split.Block), verify, title, run);
        split.Block.clear();
    } else {
        RunDecoder(split.Block, verify, title, run);
    }
    if (run.Error != 0) return;
    if (split.Kind == mkPGPMime) {
        // A PGP/MIME message whose encrypted part is empty, missing or plain
        // text gives the engine nothing to decrypt or verify: it is reported,
        // and the message stays as it came.
        if (!verify && !(run.Code & kSigCodeEncrypted) && run.Code == kSigCodeNone) {
            WipeText(run.Plain);
            run.Error = kPGPError_CantDecrypt;
            return;
        }
        UnwrapEntities(verify, title, run);
    } else if (split.Kind == mkMessage || split.Kind == mkClearSigned) {
        DecodeFurtherBlocks(split, verify, title, run);
    }
}

void TPMEncryptor::UnwrapEntities(bool verify, const std::string& title, TDecodeRun& run) {
    int encrypted = run.Code & kSigCodeEncrypted;
    TSignatureReport report{run.Code, std::move(run.Line)};
    UnwrapPGPMimeLayers(run.Plain, report,
                        [&](const std::string& entity, std::string& plain, TSignatureReport& innerReport) {
                            TDecodeRun inner;
                            RunDecoder(entity, verify, title, inner);
                            encrypted |= inner.Code & kSigCodeEncrypted;
                            plain = std::move(inner.Plain);
                            innerReport = {inner.Code, std::move(inner.Line)};
                            return inner.Error;
                        });
    run.Code = report.Code | encrypted;
    run.Line = std::move(report.Line);
}

// The armoured messages and clear-signed texts after the first, outside
// attachment parts, each decoded in its place; the first one's plain text
// is in the run already.
void TPMEncryptor::DecodeFurtherBlocks(TPGPSplit& split, bool verify, const std::string& title, TDecodeRun& run) {
    auto strip = [this](TDecodeRun& r) {
        if (Settings.CheckSig && !r.Line.empty()) StripClearSignedInPlace(r.Plain);
    };
    strip(run);
    auto unsignedBlock = [](const TDecodeRun& r) { return (r.Code & ~kSigCodeEncrypted) == kSigCodeNone; };
    // A block without a signature beside signed ones is text no signature covers.
    bool blockUnsigned = unsignedBlock(run);
    std::string outside;
    std::size_t done = 0;
    for (std::size_t from = 0; from < split.Trailing.size();) {
        std::size_t start = 0, end = 0;
        const int kind = FindArmor(std::string_view(split.Trailing).substr(from), start, end);
        if (kind == mkNone) break;
        start += from;
        end += from;
        from = end;
        if ((kind != mkMessage && kind != mkClearSigned) || InAttachmentPart(split.Head, split.Trailing, start))
            continue;
        TDecodeRun next;
        RunDecoder(split.Trailing.substr(start, end - start), verify, title, next);
        if (next.Error != 0) break;
        strip(next);
        const std::string_view between = std::string_view(split.Trailing).substr(done, start - done);
        outside += between;
        run.Plain += between;
        run.Plain += next.Plain;
        blockUnsigned = blockUnsigned || unsignedBlock(next);
        run.TakeWeaker(next);
        done = end;
    }
    if (done == 0) return;
    split.Trailing.erase(0, done);
    outside += split.Trailing;
    TPGPSplit around;
    around.Kind = split.Kind;
    around.Head = split.Head;
    around.Trailing = std::move(outside);
    run.UnsignedData = HasUnsignedData(around) || (blockUnsigned && !unsignedBlock(run));
}

int TPMEncryptor::RunDecoder(const std::string& block, bool verify, const std::string& title, TDecodeRun& run) {
    return RunDecoderOn(block, nullptr, verify, title, run);
}

int TPMEncryptor::RunDecoder(std::string&& block, bool verify, const std::string& title, TDecodeRun& run) {
    return RunDecoderOn(block, &block, verify, title, run);
}

int TPMEncryptor::RunDecoderOn(const std::string& block, std::string* taken, bool verify, const std::string& title,
                               TDecodeRun& run) {
    TPGPDecode* job = Host.Decoder;
    if (!job) return run.Error = -11977;
    job->ToFile = false;
    job->LookupOnServer = Settings.Lookup;
    job->PassThroughClearSigned = !Settings.CheckSig && !verify;
    job->PassThroughUnrecognized = true;
    job->PassThroughKeys = true;
    job->ImportFoundKeys = true;
    job->ImportPrompt = T(txt::ADD_KEYS);
    const std::string prompt = job->PassphrasePrompt;
    job->PassphrasePrompt = title + " - " + T(txt::ENTER_PHRASE);
    try {
        run.Error = taken ? job->DecodeBuffer(std::move(*taken)) : job->DecodeBuffer(block);
    } catch (...) {
        run.Error = -11999;
    }
    job->PassphrasePrompt = prompt;
    run.Plain = std::move(job->OutputText);
    WipeText(job->OutputText);
    job->OutputText.clear();
    if (Host.CacheTimer) Host.CacheTimer(Settings.Store);
    if (run.Error != 0) return run.Error;
    const TSignatureInfo& info = job->SignatureInfo;
    TSignatureReport report =
        SignatureReportOf(info, Host.MarginalIsInvalid && Host.MarginalIsInvalid(), Host.Text);
    run.Code = report.Code;
    run.Line = std::move(report.Line);
    if (job->AnalyzeResult == kAnalyzeEncrypted) run.Code |= kSigCodeEncrypted;
    if (!info.UserID.empty() && !info.KeyIDText.empty())
        AutoListEntry = AutoListEntryOf({TFoundKey{info.KeyIDText, info.UserID}});
    return 0;
}

int TPMEncryptor::Decode() {
    if (Host.MessageWindowFieldBegins && Host.MessageWindowFieldBegins(T(txt::ED_FWD_TEXT))) return 0;
    if (PM.MessageFile.empty()) return 0;
    std::string text;
    if (!Host.ReadFile || !Host.ReadFile(PM.MessageFile, text) || text.empty()) return 0;
    if (OutcomeFlags[2] && !OutcomeFlags[1]) {
        const bool written = WriteResultFile(text);
        WipeText(text);
        return written ? 2 : 0;
    }
    return DecodeText(std::move(text));
}

bool TPMEncryptor::WriteMessageAsItCame() {
    std::string text;
    const bool written = Host.ReadFile && Host.ReadFile(PM.MessageFile, text) && WriteResultFile(text);
    WipeText(text);
    return written;
}

int TPMEncryptor::DecodeText(std::string&& text) {
    TPGPSplit split = SplitForDecoding(std::move(text));
    if (split.Block.empty()) {
        WipeText(split.Head);
        WipeText(split.Trailing);
        return WriteMessageAsItCame() ? 2 : 0;
    }
    const bool attachment = !split.Embedded && IsAttachmentHeader(split.Head);
    // An attachment's header and trailing text are dropped, so nothing
    // unsigned reaches its result.
    if (attachment) {
        split.Head.clear();
        split.Trailing.clear();
    }

    Status(0, T(txt::DEC_BEG) + " ...");
    TDecodeRun run;
    DecodeAll(split, false, T(attachment ? txt::DEC_ATT : txt::DEC_MSG), run);
    const bool unsignedData = !attachment && run.UnsignedData;
    const bool decoded = TakeRunResult(split, run, unsignedData);
    const bool toAutomation = AutomationListens();
    if (toAutomation) ReportDecodedToAutomation(run, attachment);
    const bool written = decoded && WriteDecoded(split, run);
    std::string report;
    bool importFailed = false;
    if (written && Settings.CheckKey && Host.ImportKeys) report = ImportOfferedKeys(split, run, importFailed);
    ShowDecodeStatus(run, unsignedData);
    int result = 2;
    if (!written) result = WriteMessageAsItCame() ? 2 : 0;
    else if (!report.empty()) TellImport(report, importFailed, toAutomation);
    WipeText(split.Block);
    return result;
}

bool TPMEncryptor::WriteResultFile(std::initializer_list<std::string_view> pieces) {
    if (!OutputFile.empty() && Host.WriteFile && Host.WriteFile(OutputFile, pieces)) return true;
    if (Host.Error) Host.Error(T(txt::WRITE_ERROR));
    return false;
}

TPGPSplit TPMEncryptor::SplitForDecoding(std::string&& text) {
    if (!Host.FormParameter || Host.FormParameter() != "PGPMIME") return Recognise(std::move(text));
    TPGPSplit split;
    split.Kind = mkPGPMime;
    split.Block = NormaliseLineEnds(std::move(text));
    split.Head = split.Block.substr(0, split.Block.find("\r\n\r\n"));
    return split;
}

bool TPMEncryptor::TakeRunResult(TPGPSplit& split, TDecodeRun& run, bool unsignedData) {
    if (run.Error != 0) ResultText = Host.ErrorText ? Host.ErrorText(run.Error) : std::string();
    else ResultText = run.Line;

    if (OutcomeFlags[2] || run.Error != 0) {
        if (run.Error != kPGPError_UserAbort && run.Error != kPGPError_FilePermissions && !EngineMissing && Host.Error &&
            !ResultText.empty())
            Host.Error(ResultText);
        ResultText.clear();
        split.Head.clear();
        split.Trailing.clear();
        return false;
    }
    if (split.Kind == mkPGPMime) OutcomeFlags[3] = 1;
    // A wrapped entity's plain text takes its place among the wrapper's
    // parts; a whole message's goes below its top header.
    if (split.Kind == mkPGPMime && !split.Embedded) {
        run.Plain = DecodedEntity(std::move(run.Plain), run.Lead);
        split.Head = WithoutContentFields(split.Head);
    }
    if (!run.Line.empty()) ShowSignatureLine(run, unsignedData);
    return true;
}

void TPMEncryptor::ShowSignatureLine(TDecodeRun& run, bool unsignedData) {
    if (unsignedData) run.Line = WithUnsignedDataNote(run.Line, Host.Text);
    ResultText = run.Line;
    if (!Settings.CheckSig || Settings.Include != 2) return;
    const std::string shown = ReformatSignatureLine(run.Line);
    if (run.Code & 3) {
        if (Host.Popup) Host.Popup(shown);
    } else if (Host.Warn) {
        Host.Warn(shown);
    }
}

void TPMEncryptor::ReportDecodedToAutomation(const TDecodeRun& run, bool attachment) {
    const bool withLine = !attachment && Settings.CheckSig && !run.Line.empty() && Settings.Include == 1;
    Host.SendAutomation(automation::AM_DECODED, static_cast<std::uintptr_t>(run.Code),
                        withLine ? reinterpret_cast<std::intptr_t>(run.Line.c_str()) : 0);
}

bool TPMEncryptor::WriteDecoded(const TPGPSplit& split, TDecodeRun& run) {
    std::string header = TMCFuncs::DecodeHeader(split.Head);
    // Armoured blocks had their frames taken off one by one.
    const bool framesOff = split.Kind == mkMessage || split.Kind == mkClearSigned;
    if (!framesOff && Settings.CheckSig && !run.Line.empty()) StripClearSignedInPlace(run.Plain);
    header += run.Lead;
    // The pieces go to the file one after the other, not joined first.
    const bool written = WriteResultFile({header, run.Plain, split.Trailing});
    WipeText(header);
    return written;
}

std::string TPMEncryptor::ImportOfferedKeys(const TPGPSplit& split, const TDecodeRun& run, bool& failed) {
    std::vector<TFoundKey> imported;
    const bool plainKinds = split.Kind >= mkPGPMime && split.Kind <= mkClearSigned;
    const int err = Host.ImportKeys(plainKinds ? run.Plain : split.Block, imported);
    if (err == 0 && !imported.empty()) {
        AutoListEntry = AutoListEntryOf(imported);
        return std::to_string(imported.size()) + T(txt::KEYS_ADDED);
    }
    if (err != 0 && err != kPGPError_UserAbort && err != kPGPError_ItemNotFound && err != kPGPError_FilePermissions) {
        failed = true;
        return Host.ErrorText ? Host.ErrorText(err) : std::string();
    }
    return {};
}

void TPMEncryptor::ShowDecodeStatus(const TDecodeRun& run, bool unsignedData) {
    if (run.Line.empty()) {
        Status(0, T(txt::DEC_BEG) + " " + T(txt::_FINISHED));
        return;
    }
    // The warning about unsigned text stays on the one status line.
    const std::size_t lf = run.Line.find('\n');
    Status(3, StatusLineOf(lf == npos ? run.Line : run.Line.substr(lf + 1), unsignedData, Host.Text));
}

void TPMEncryptor::TellImport(const std::string& report, bool failed, bool toAutomation) {
    if (failed) {
        if (Host.Error) Host.Error(report);
    } else if (Settings.Auto && toAutomation && !AutoListEntry.empty()) {
        OfferAutoListEntry();
    } else if (Host.Info) {
        Host.Info(report);
    }
}

int TPMEncryptor::VerifySignature(const char* path) {
    if (!ReadCryptEx(nullptr) || !path) return -1;
    std::string text;
    if (!Host.ReadFile || !Host.ReadFile(path, text)) {
        if (Host.Error) Host.Error(T(Host.FileExists && !Host.FileExists(path) ? txt::NO_FILE : txt::READ_ERROR));
        return -1;
    }
    TPGPSplit split = Recognise(std::move(text));
    if (split.Block.empty()) return -1;
    TDecodeRun run;
    DecodeAll(split, true, T(txt::DEC_MSG), run);
    const bool unsignedData = run.UnsignedData;
    WipeText(run.Plain);
    WipeText(split.Block);
    if (run.Error == kPGPError_UserAbort) return -1;
    if (run.Error != 0) {
        ResultText = Host.ErrorText ? Host.ErrorText(run.Error) : std::string();
        ShowPGPError(run.Error);
        return -1;
    }
    if (run.Line.empty()) return -1;
    if (unsignedData) run.Line = WithUnsignedDataNote(run.Line, Host.Text);
    ResultText = CutSignatureLine(run.Line);
    const int code = run.Code & ~kSigCodeEncrypted;
    return code == kSigCodeGoodValid || code == kSigCodeGoodInvalid ? 1 : 0;
}

int TPMEncryptor::KeyManagement(const char* pathOrClip) {
    if (!ReadCryptEx(nullptr) || !pathOrClip) return 0;
    const std::string argument = pathOrClip;
    const bool clip = argument == ":CLIP:";
    std::string text;
    if (clip) {
        text = Host.ClipboardText ? Host.ClipboardText() : std::string();
    } else if (!Host.ReadFile || !Host.ReadFile(argument, text)) {
        if (Host.Error)
            Host.Error(T(Host.FileExists && !Host.FileExists(argument) ? txt::NO_FILE : txt::READ_ERROR));
        return 0;
    }
    const std::size_t dot = argument.rfind('.');
    const bool message = !clip && dot != npos && LowerCase(argument.substr(dot)) == ".pm$";
    std::string source;
    bool haveSource = true;
    if (message) {
        const TAnalyzeText analyze = Analysis();
        TPGPSplit split = SplitPGPMessage(text, analyze);
        if (split.Kind >= mkPGPMime && split.Kind <= mkClearSigned) {
            TDecodeRun run;
            RunDecoder(split.Block, false, T(txt::DEC_MSG), run);
            if (run.Error == 0) {
                TPGPSplit inner = SplitPGPMessage(run.Plain, analyze);
                source = std::move(inner.Block);
                WipeText(inner.Head);
                WipeText(inner.Trailing);
            } else if (run.Error == kPGPError_UserAbort) {
                WipeText(text);
                return 0;
            }
        } else {
            source = std::move(split.Block);
        }
        WipeText(split.Head);
        WipeText(split.Trailing);
        haveSource = !source.empty();
    } else {
        source = text;
    }

    int result = 0;
    bool found = false;
    if (haveSource && Host.ImportKeys) {
        std::vector<TFoundKey> imported;
        const int err = Host.ImportKeys(source, imported);
        if (err == 0 && !imported.empty()) {
            found = true;
            AutoListEntry = AutoListEntryOf(imported);
            const std::string report = std::to_string(imported.size()) + T(txt::KEYS_ADDED);
            if (Settings.Auto && AutomationListens())
                Host.SendAutomation(automation::AM_ADDTOLIST, 0, reinterpret_cast<std::intptr_t>(AutoListEntry.c_str()));
            else if (Host.Info)
                Host.Info(report);
            result = 1;
        } else if (err == kPGPError_UserAbort) {
            found = true;
        } else if (err != 0 && err != kPGPError_ItemNotFound) {
            found = true;
            ShowPGPError(err);
        }
    } else if (message) {
        const std::string keyID = XPGPKeyID(text);
        if (!keyID.empty() && Host.FetchKey) {
            found = true;
            Host.FetchKey(keyID);
        }
    }
    WipeText(source);
    WipeText(text);
    if (!found && Host.Error) Host.Error(T(txt::NO_KEY_FOUND));
    return result;
}

int TPMEncryptor::DestroyFile(const char* path) {
    if (!path || !Host.WipeFile) return 0;
    try {
        return Host.WipeFile(path) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace orv
