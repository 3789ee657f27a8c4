// Splitting an outgoing message of the mail client: its main header, its
// parts, attachment names and headers, and the removal of the crypt headers.

#include "base/wipe_text.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/pm_funcs.h"
#include "formats/text_source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orv {

using namespace mime;

namespace {

constexpr std::string_view kMixedLine = "Content-type: Multipart/Mixed; ";
constexpr std::string_view kAltLine = "Content-type: Multipart/Alternative; ";

bool IsPadding(char c) { return c == ' ' || c == '\t'; }

// The first line with its line end, or all of a text without one.
std::string_view FirstLine(std::string_view text) {
    const std::size_t lf = text.find('\n');
    return lf == npos ? text : text.substr(0, lf + 1);
}

// The lines of a header block, without their line ends.
std::vector<std::string_view> Lines(std::string_view header) {
    std::vector<std::string_view> lines;
    while (!header.empty()) {
        const std::size_t lf = header.find('\n');
        std::string_view line = header.substr(0, lf);
        header.remove_prefix(lf == npos ? header.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

// One header line with its continuation: `raw` is the text as written
// (without the final line end), `joined` the first line right-trimmed, a
// blank and the first continuation left-trimmed.
struct HeaderGroup {
    std::string_view raw;
    std::string joined;
};

// The encryption parameter is the attachment's own continuation line; it is
// never joined to the line before it, so that it can be found and dropped.
bool IsParameterLine(std::string_view line) { return StartsWith(line, kEncryptionParameter); }

std::vector<HeaderGroup> Groups(std::string_view header, bool absorbAllContinuations) {
    const std::vector<std::string_view> lines = Lines(header);
    std::vector<HeaderGroup> groups;
    groups.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size();) {
        const std::string_view first = lines[i];
        std::size_t last = i;
        HeaderGroup g;
        if (i + 1 < lines.size() && !lines[i + 1].empty() && IsPadding(lines[i + 1][0]) &&
            !IsParameterLine(lines[i + 1])) {
            g.joined.reserve(first.size() + lines[i + 1].size() + 1);
            g.joined = TrimRight(first);
            g.joined += ' ';
            g.joined += TrimLeft(lines[i + 1]);
            last = i + 1;
            if (absorbAllContinuations)
                while (last + 1 < lines.size() && !lines[last + 1].empty() && IsPadding(lines[last + 1][0]))
                    ++last;
        } else {
            g.joined = first;
        }
        g.raw = std::string_view(first.data(), static_cast<std::size_t>(lines[last].data() + lines[last].size() -
                                                                         first.data()));
        groups.push_back(std::move(g));
        i = last + 1;
    }
    return groups;
}

// Start of the first line of text that begins with lowerName.
std::size_t FindLineStart(std::string_view text, std::string_view lowerName) {
    for (std::size_t p = FindNoCase(text, lowerName); p != npos; p = FindNoCase(text, lowerName, p + 1))
        if (p == 0 || text[p - 1] == '\n') return p;
    return npos;
}

std::size_t FindLastLineStart(std::string_view text, std::string_view lowerName) {
    std::size_t found = npos;
    for (std::size_t p = FindNoCase(text, lowerName); p != npos; p = FindNoCase(text, lowerName, p + 1))
        if (p == 0 || text[p - 1] == '\n') found = p;
    return found;
}

// A field name: printable characters other than the colon, then the colon.
bool IsFieldLine(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] > 32 && line[i] < 127 && line[i] != ':') ++i;
    return i > 0 && i < line.size() && line[i] == ':';
}

// Whether a part's text begins with a header block. A text without one (a
// plain message without content headers) keeps its first paragraph as body.
bool BeginsWithHeader(std::string_view block) {
    for (const std::string_view line : Lines(block))
        if (!(line.empty() ? false : IsPadding(line[0]) || IsFieldLine(line))) return false;
    return !block.empty();
}

void SplitHeader(std::string_view text, std::string_view& header, std::string_view& body) {
    if (StartsWith(text, "\r\n")) {
        header = {};
        body = text.substr(2);
        return;
    }
    const std::size_t blank = text.find("\r\n\r\n");
    const std::string_view block = text.substr(0, blank);
    if (!BeginsWithHeader(block)) {
        header = {};
        body = text;
        return;
    }
    header = block;
    body = blank == npos ? std::string_view() : text.substr(blank + 4);
}

bool IsStoredMessageName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == npos) return false;
    const std::string ext = UpperCase(name.substr(dot));
    return ext == ".CNM" || ext == ".CNR" || ext == ".PM$";
}

// The text between the first and the last quote character, and the places of
// both; false without two of them.
bool Quoted(std::string_view line, char quote, std::size_t& first, std::size_t& last) {
    first = line.find(quote);
    last = line.rfind(quote);
    return first != npos && last != first;
}

}  // namespace

void EndInBlankLine(std::string& text) {
    if (text.empty() || text.ends_with("\r\n\r\n")) return;
    text += text.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
}

std::string TPMFuncs::AddSpaceLine(std::string_view text) {
    std::string out(text);
    EndInBlankLine(out);
    return out;
}

std::string TPMFuncs::DelQuotes(std::string_view text) {
    std::string out(text);
    const std::size_t first = out.find('"');
    if (first == npos) return out;
    out.erase(first, 1);
    const std::size_t last = out.rfind('"');
    if (last != npos) out.erase(last, 1);
    return out;
}

std::string RemoveEncryptorHeader(std::string_view header, bool last) {
    std::size_t p = npos;
    for (std::size_t q = header.find(kEncryptorHeader); q != npos; q = header.find(kEncryptorHeader, q + 1)) {
        if (q != 0 && header[q - 1] != '\n') continue;
        p = q;
        if (!last) break;
    }
    if (p == npos) return std::string(header);
    const std::size_t lf = header.find('\n', p);
    std::size_t from = p;
    std::size_t to = lf == npos ? header.size() : lf + 1;
    // The last line of a header has no line end of its own: the one before it goes.
    if (lf == npos && from >= 2 && header.compare(from - 2, 2, "\r\n") == 0) from -= 2;
    std::string out;
    out.reserve(header.size());
    out.append(header.substr(0, from));
    out.append(header.substr(to));
    return out;
}

std::size_t TPMFuncs::MainHeaderParts(std::string_view message, std::string& mainHeader, std::string& bodyHead,
                                      std::string& mixedBoundary, std::string& altBoundary) {
    mainHeader.clear();
    bodyHead.clear();
    mixedBoundary.clear();
    altBoundary.clear();
    const std::string_view text = TrimLeft(message);
    const std::size_t blank = text.find("\r\n\r\n");
    if (blank == npos) return std::size_t(text.data() - message.data());
    std::string_view rest = text.substr(blank + 4);
    const bool dropMixedLine = !KeepMixedLine && Services.PGPMimeLoaded && Services.PGPMimeLoaded();

    std::string kept, collected;
    kept.reserve(blank + 2);
    auto add = [](std::string& to, std::string_view raw) {
        if (!to.empty()) to += "\r\n";
        to += raw;
    };
    for (const HeaderGroup& g : Groups(text.substr(0, blank), true)) {
        const std::string& line = g.joined;
        if (StartsWith(line, "MIME-Version: 1.0")) IsMime = true;
        if (mixedBoundary.empty() && StartsWithNoCase(line, kMixedLine)) {
            const std::string value = line.size() > 40 ? DelQuotes(Trim(std::string_view(line).substr(40))) : "";
            if (!value.empty()) {
                mixedBoundary = "--" + value;
                rest = TrimLeft(rest);
                if (dropMixedLine) continue;
            }
            add(kept, g.raw);
        } else if (altBoundary.empty() && StartsWithNoCase(line, kAltLine)) {
            const std::string value = line.size() > 46 ? DelQuotes(Trim(std::string_view(line).substr(46))) : "";
            if (!value.empty()) altBoundary = "--" + value;
            add(kept, g.raw);
        } else if (!DoEncrypt && !DoSign && StartsWith(line, kEncryptorHeader)) {
            const std::string number(Trim(std::string_view(line).substr(kEncryptorHeader.size())));
            char* end = nullptr;
            const long flags = std::strtol(number.c_str(), &end, 10);
            if (!number.empty() && end && *end == '\0') {
                DoEncrypt = (flags & 1) != 0;
                DoSign = (flags & 4) != 0;
            }
            add(kept, g.raw);
        } else if (StartsWithNoCase(line, "content-type: ") || StartsWithNoCase(line, "content-transfer-encoding: ") ||
                   StartsWithNoCase(line, "content-description: ")) {
            add(collected, g.raw);
        } else {
            add(kept, g.raw);
        }
    }

    const std::string_view cut = !mixedBoundary.empty() ? mixedBoundary : altBoundary;
    if (!cut.empty()) {
        const Delimiter d = FindDelimiter(rest, cut.substr(2));
        if (d) rest.remove_prefix(d.pos);
    }
    bodyHead = AddSpaceLine(TrimLeft(collected));
    mainHeader = TrimRight(kept);
    return std::size_t(rest.data() - message.data());
}

void TPMFuncs::GetMainHeader(std::string_view message, std::string& mainHeader, std::string& body,
                             std::string& mixedBoundary, std::string& altBoundary) {
    const std::size_t rest = MainHeaderParts(message, mainHeader, body, mixedBoundary, altBoundary);
    body += message.substr(rest);
}

void TPMFuncs::TakeMainHeader(std::string& message, std::string& mainHeader, std::string& body,
                              std::string& mixedBoundary, std::string& altBoundary) {
    std::string head;
    const std::size_t rest = MainHeaderParts(message, mainHeader, head, mixedBoundary, altBoundary);
    if (!IsMime || head.size() > rest) {
        // A message that is not MIME is still needed whole.
        body = std::move(head);
        body += std::string_view(message).substr(rest);
        return;
    }
    // The body's content lines go right before the rest, the body moves over
    // the header, and what the move leaves behind at the end is wiped before
    // the text is cut there.
    const std::size_t start = rest - head.size();
    std::copy(head.begin(), head.end(), message.begin() + std::ptrdiff_t(start));
    const std::size_t size = message.size() - start;
    std::memmove(message.data(), message.data() + start, size);
    WipeBytes(message.data() + size, start);
    message.resize(size);
    body = std::move(message);
    message.clear();
}

TMailPart TPMFuncs::PartExtract(std::string_view& body, std::string_view boundary, std::string& altBoundary) {
    const TMailPartView view = PartView(body, boundary, altBoundary);
    TMailPart part;
    part.Header = view.Header;
    part.Body = view.Body;
    part.IsAttachment = view.IsAttachment;
    part.IsAlternative = view.IsAlternative;
    return part;
}

TMailPartView TPMFuncs::PartView(std::string_view& body, std::string_view boundary, std::string& altBoundary) {
    TMailPartView part;
    std::string_view text;
    bool cut = false;
    const std::string_view name = boundary.size() > 2 ? boundary.substr(2) : std::string_view();
    const Delimiter first = name.empty() ? Delimiter{} : FindDelimiter(FirstLine(body), name);
    if (!first || first.pos != 0) {
        text = body;
        body = {};
    } else if (first.closing) {
        body = {};
        return part;
    } else {
        const std::size_t start = first.next;
        const Delimiter next = FindDelimiter(body, name, start);
        if (!next) {
            text = body.substr(start);
            body = {};
        } else {
            const std::size_t end = std::max(start, ContentEndBefore(body, next.pos));
            text = body.substr(start, end - start);
            body = next.closing ? std::string_view() : body.substr(next.pos);
        }
        cut = true;
    }

    // The alternative container of a message without a mixed boundary.
    if (!cut && !altBoundary.empty()) {
        const Delimiter alt = FindDelimiter(FirstLine(text), std::string_view(altBoundary).substr(2));
        if (alt && alt.pos == 0) {
            part.Body = text;
            part.IsAlternative = true;
            return part;
        }
    }

    SplitHeader(text, part.Header, part.Body);

    if (StartsWithNoCase(part.Header, "content-type: multipart/alternative;")) {
        const std::string value = TMCFuncs::GetBounds(part.Header.substr(std::min<std::size_t>(37, part.Header.size())));
        if (!value.empty() && (altBoundary.empty() || altBoundary.substr(2) == value)) {
            altBoundary = "--" + value;
            part.Header = {};
            const Delimiter d = FindDelimiter(part.Body, value);
            if (d) part.Body.remove_prefix(d.pos);
            part.IsAlternative = true;
            return part;
        }
    }

    if (cut && boundary != altBoundary) {
        const std::size_t disposition = FindLastLineStart(part.Header, "content-disposition: ");
        if (disposition != npos) {
            std::string_view rest = part.Header.substr(disposition);
            part.IsAttachment = ContainsNoCase(TakeHeaderLine(rest), "filename=");
        }
    }
    return part;
}

std::string TPMFuncs::GetAttachmentName(std::string& header, int mode) {
    std::vector<HeaderGroup> groups = Groups(header, false);
    std::vector<std::string> lines(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) lines[i] = groups[i].raw;
    std::vector<bool> removed(groups.size(), false);

    std::string name, kept;
    bool keptPlaced = false;
    auto unknown = [&name] { return name.empty() || name == "-"; };
    // The line cut before its first quote, the name on a continuation line in
    // quotes, and what followed the closing quote.
    auto rewrite = [&](std::size_t i, char quote, bool nameOnOwnLine) {
        const std::string& joined = groups[i].joined;
        std::size_t first, last;
        if (!Quoted(joined, quote, first, last)) return false;
        if (unknown()) name = TMCFuncs::EncodeHeader(std::string_view(joined).substr(first + 1, last - first - 1));
        std::string after(Trim(std::string_view(joined).substr(last + 1)));
        if (after == ";") after.clear();
        std::string line(TrimRight(std::string_view(joined).substr(0, first)));
        if (nameOnOwnLine) {
            line += "\r\n ";
            line += quote;
            line += name;
            line += quote;
        }
        line += after;
        lines[i] = std::move(line);
        return true;
    };

    for (std::size_t k = groups.size(); k-- > 0;) {
        const std::string& joined = groups[k].joined;
        if (IsParameterLine(joined)) {
            removed[k] = true;
            if (mode == 0) kept = groups[k].raw;
        } else if (StartsWithNoCase(joined, "content-disposition: ")) {
            if (!rewrite(k, '"', true) && unknown()) {
                const std::size_t at = FindNoCase(joined, "filename=");
                if (at != npos) {
                    std::string_view value = std::string_view(joined).substr(at + 9);
                    name = TMCFuncs::EncodeHeader(Trim(value.substr(0, value.find(';'))));
                }
            }
            if (!kept.empty() && !keptPlaced) {
                lines[k] += ";\r\n" + kept;
                keptPlaced = true;
            }
        } else if (StartsWithNoCase(joined, "content-description: ")) {
            rewrite(k, '\'', !name.empty() && name != "-");
            break;
        } else if (StartsWithNoCase(joined, "content-type: ")) {
            rewrite(k, '"', true);
            break;
        }
    }

    std::string out;
    out.reserve(header.size() + name.size() * 2 + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (removed[i]) continue;
        if (!out.empty()) out += "\r\n";
        out += lines[i];
    }
    if (!kept.empty() && !keptPlaced) out += ";\r\n" + kept;
    header = TrimRight(out);
    return name;
}

std::string TPMFuncs::SetBodyHeader(std::string_view encodedText, std::string_view oldHeader) const {
    const std::size_t at = FindLineStart(oldHeader, "content-type: ");
    if (at == npos) return {};
    std::string_view rest = oldHeader.substr(at);
    const std::string line = TakeHeaderLine(rest);
    const bool eightBit = TMCFuncs::Is8Bit(encodedText);
    std::string out(TrimRight(std::string_view(line).substr(0, line.find(';'))));
    out += "; charset=";
    out += eightBit ? HostCharset : std::string("US-ASCII");
    out += "\r\nContent-transfer-encoding: ";
    out += eightBit ? "8BIT" : "7BIT";
    out += "\r\nContent-description: Mail message body";
    return out;
}

int TPMFuncs::EncodeAttachment(std::string& header, std::string& body, int mode) {
    std::string_view view = body;
    std::string encoded;
    const int r = EncodeAttachment(header, view, encoded, mode);
    if (view.data() == encoded.data() && view.size() == encoded.size() && r == 1) {
        WipeText(body);
        body = std::move(encoded);
    }
    return r;
}

int TPMFuncs::EncodeAttachment(std::string& header, std::string_view& body, std::string& storage, int mode) {
    const std::size_t at = FindLineStart(header, "content-transfer-encoding: ");
    std::string_view rest = std::string_view(header).substr(at == npos ? header.size() : at);
    const std::string line = at == npos ? std::string() : TakeHeaderLine(rest);
    if (!ContainsNoCase(line, "base64")) {
        std::string encoded = TMCFuncs::Base64EncodeBuffer(body);
        // An empty attachment is an empty base64 body, not an error.
        if (encoded.empty() && !body.empty()) return -1;
        // The body may be the storage itself (decoded bytes).
        WipeText(storage);
        storage = std::move(encoded);
        body = storage;
        if (at == npos) {
            header = TrimRight(header);
            if (!header.empty()) header += "\r\n";
            header += "Content-transfer-encoding: BASE64";
        } else {
            std::size_t end = header.size() - rest.size();
            if (end > at && header[end - 1] == '\n') --end;
            if (end > at && header[end - 1] == '\r') --end;
            header.replace(at, end - at, "Content-transfer-encoding: BASE64");
        }
    }
    GetAttachmentName(header, mode);
    return 1;
}

std::string TPMFuncs::RemoveCryptHeaders(std::string_view message, std::string_view mixedBoundary) {
    std::string out;
    AppendWithoutCryptHeaders(out, message, mixedBoundary);
    return out;
}

void TPMFuncs::AppendWithoutCryptHeaders(std::string& out, std::string_view message, std::string_view mixedBoundary) {
    std::string boundary(mixedBoundary), alt, storage;
    std::string_view rest = message;
    if (mixedBoundary.empty()) {
        const bool e = DoEncrypt, s = DoSign, m = IsMime, keep = KeepMixedLine;
        std::string mainHeader;
        // The message keeps its multipart structure, so its header keeps the line that declares it.
        KeepMixedLine = true;
        GetMainHeader(message, mainHeader, storage, boundary, alt);
        KeepMixedLine = keep;
        DoEncrypt = e;
        DoSign = s;
        IsMime = m;
        out += RemoveEncryptorHeader(mainHeader, true);
        rest = storage;
    }
    // Base64 parts keep their length; only re-encoded ones grow by a third.
    ReserveFor(out, rest.size() + rest.size() / 16 + 64);

    auto appendPart = [&](std::string_view header, std::string_view body) {
        EndInBlankLine(out);
        out += boundary;
        out += "\r\n";
        AppendWithBlankLine(out, header);
        out += body;
    };
    // Decoded or re-encoded part bodies; wiped once the part is written.
    std::string partText;
    while (!rest.empty()) {
        const TMailPartView part = PartView(rest, boundary, alt);
        std::string_view body = part.Body;
        if (part.IsAttachment) {
            std::string header(part.Header);
            const std::string name = GetAttachmentName(header, 1);
            bool message = false;
            if (IsStoredMessageName(name)) {
                const std::size_t te = FindLineStart(header, "content-transfer-encoding: ");
                std::string_view teRest = std::string_view(header).substr(te == npos ? header.size() : te);
                if (te == npos || !ContainsNoCase(TakeHeaderLine(teRest), "base64")) {
                    message = true;
                } else {
                    // A stored message goes out as text; one that does not
                    // decode stays the base64 part it was.
                    std::string decoded = TMCFuncs::Base64DecodeBuffer(body);
                    if (!decoded.empty()) {
                        WipeText(partText);
                        partText = std::move(decoded);
                        body = partText;
                        message = true;
                    }
                }
            }
            if (message) {
                header = "Content-type: Message/RFC822";
            } else if (EncodeAttachment(header, body, partText, 1) < 0) {
                WipeText(partText);
                partText = Text(txt::BASE64_ERROR);
                body = partText;
            }
            appendPart(header, body);
        } else if (part.IsAlternative) {
            if (!boundary.empty()) {
                appendPart(std::string(TrimRight(kAltLine)) + "\r\n boundary=" + alt.substr(2), body);
            } else {
                EndInBlankLine(out);
                out += body;
            }
        } else if (!boundary.empty()) {
            appendPart(part.Header, body);
        } else {
            out += "\r\n";
            if (part.Header.empty()) out += "\r\n";
            else AppendWithBlankLine(out, part.Header);
            out += body;
        }
        WipeText(partText);
    }
    WipeText(storage);
    if (!boundary.empty()) {
        EndInBlankLine(out);
        out += boundary;
        out += "--";
    }
}

void ReserveFor(std::string& text, std::size_t more) {
    if (text.capacity() - text.size() >= more) return;
    // Growing a string in place may double its room; large messages are
    // given what they need at once, in a fresh buffer.
    std::string room;
    room.reserve(text.size() + more);
    room.append(text);
    text.swap(room);
    WipeText(room);
}

void AppendWithBlankLine(std::string& out, std::string_view text) {
    if (text.empty()) return;
    out += text;
    if (text.ends_with("\r\n\r\n")) return;
    out += text.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
}

std::string TPMFuncs::Text(int number) const { return Services.Text ? Services.Text(number) : std::string(); }

}  // namespace orv
