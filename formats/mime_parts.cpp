// Listing the parts and attachments of a (PGP/MIME) message, and viewing or
// saving one listed part.

#include "base/wipe_text.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"

#include <algorithm>

namespace orv {

using namespace mime;

namespace {

// Embedded messages nested deeper than this are listed as plain parts.
constexpr int kMaxListDepth = 16;

constexpr std::string_view kBeginMessage = "-----BEGIN PGP MESSAGE-----";
constexpr std::string_view kEndMessage = "-----END PGP MESSAGE-----";

std::size_t FindLineStart(std::string_view header, std::string_view lowerName) {
    for (std::size_t p = FindNoCase(header, lowerName); p != npos; p = FindNoCase(header, lowerName, p + 1))
        if (p == 0 || header[p - 1] == '\n') return p;
    return npos;
}

// Date, subject and sender of a message header, encoded words decoded.
std::string CollectLines(std::string_view header) {
    std::string out;
    while (!header.empty()) {
        const std::string line = TakeHeaderLine(header);
        if (!StartsWithNoCase(line, "date:") && !StartsWithNoCase(line, "subject:") &&
            !StartsWithNoCase(line, "from:"))
            continue;
        if (!out.empty()) out += "\r\n";
        out += TMCFuncs::DecodeHeader(line);
    }
    return out;
}

// A part whose own header declares a MIME message is an attached mail.
bool IsMessage(std::string_view partBody) {
    const std::size_t blank = partBody.find("\r\n\r\n");
    if (blank == npos) return false;
    std::string header = "\r\n";
    header += partBody.substr(0, blank + 4);
    return ContainsNoCase(header, "\r\nmime-version: 1.0");
}

}  // namespace

std::string TMimePart::Caption() const {
    return std::string(TrimRight(std::string_view(Entry).substr(0, Entry.find('\n'))));
}

std::string_view TMimePart::Data() const {
    const std::size_t blank = Entry.find("\r\n\r\n");
    if (blank == npos) return {};
    return std::string_view(Entry).substr(blank + 4);
}

TMCFuncs::~TMCFuncs() { ClearMimeParts(); }

std::string TMCFuncs::Text(int number) const { return Services.Text ? Services.Text(number) : std::string(); }

void TMCFuncs::ShowError(const std::string& text) const {
    if (Services.Error) Services.Error(text);
}

std::uint32_t TMCFuncs::GetHeaderFlags(std::string& header, std::string& displayLine) const {
    std::uint32_t flags = pkNone;
    bool named = false;
    std::string name;
    std::string_view rest(header);
    while (!rest.empty()) {
        const std::string line = TakeHeaderLine(rest);
        if (StartsWithNoCase(line, "content-transfer-encoding:")) {
            if (ContainsNoCase(line, "quoted-printable"))
                flags = (flags & ~pkEncodingMask) | pkQuoted;
            else if (ContainsNoCase(line, "base64"))
                flags = (flags & ~pkEncodingMask) | pkBase64;
        } else if (StartsWithNoCase(line, "content-disposition:")) {
            const std::size_t p = FindNoCase(line, "filename=");
            if (p == npos) continue;
            flags |= pkHasFileName;
            named = true;
            std::string_view value = std::string_view(line).substr(p + 9);
            const std::size_t open = value.find('"');
            const std::size_t close = value.rfind('"');
            if (open == npos)
                name = Trim(value);
            else if (close > open)
                name = value.substr(open + 1, close - open - 1);
            else
                name = value.substr(open + 1);
            name = DecodeHeader(name);
        }
    }
    header.clear();
    // Control bytes of a decoded name would break the list entry's lines.
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    displayLine.clear();
    for (int level = 1; level < NestingLevel; ++level) displayLine += "    ";
    displayLine += "+ ";
    if (named) {
        const std::string word = Text(txt::_FILE);
        if (!word.empty()) displayLine.append(word, 1, npos);
        displayLine += ' ';
        displayLine += name;
    } else {
        displayLine += Text(txt::MM_BODY);
    }
    displayLine += "\r\n\r\n";
    return flags;
}

bool TMCFuncs::SaveMimeAttachments(std::string_view message) {
    ListParts(message, 0);
    return !slMimeParts.empty();
}

bool TMCFuncs::ListParts(std::string_view message, int depth) {
    if (depth > kMaxListDepth) return false;
    const std::size_t before = slMimeParts.size();
    std::string body(message);
    std::string header = GetHeader(body);
    body.erase(0, body.size() - TrimLeft(body).size());
    const std::string collected = CollectLines(header);

    const std::size_t begin = body.find(kBeginMessage);
    const std::size_t end = body.rfind(kEndMessage);
    if (Services.Decode && begin != npos && end != npos && end > begin) {
        std::optional<std::string> plain =
            Services.Decode(body.substr(begin, end + kEndMessage.size() - begin));
        if (plain) {
            WipeText(body);
            body = std::move(*plain);
            header = GetHeader(body);
        }
    }

    ++NestingLevel;
    std::string block;
    if (!collected.empty()) block = collected + "\r\n\r\n";

    std::string contentType;
    const std::size_t ct = FindLineStart(header, "content-type:");
    if (ct != npos) {
        std::string_view rest = std::string_view(header).substr(ct);
        contentType = TakeHeaderLine(rest, 1);
    }

    std::string line;
    auto add = [&](std::uint32_t flags, std::string_view text) {
        std::string entry;
        // Base64 data would take the collected lines into the decoded bytes.
        const bool withBlock = !block.empty() && (flags & pkEncodingMask) != pkBase64;
        entry.reserve(line.size() + (withBlock ? block.size() : 0) + text.size());
        entry += line;
        if (withBlock) {
            entry += block;
            block.clear();
        }
        entry += text;
        slMimeParts.push_back({std::move(entry), flags});
    };

    if (!ContainsNoCase(contentType, "multipart/mixed;")) {
        std::string partHeader = header;
        const std::uint32_t flags = GetHeaderFlags(partHeader, line);
        add(flags, body);
        WipeText(partHeader);
    } else {
        const std::string boundary = GetBounds(contentType);
        const std::string_view all(body);
        for (Delimiter d = FindDelimiter(all, boundary); d && !d.closing;) {
            const Delimiter next = FindDelimiter(all, boundary, d.next);
            const std::size_t partEnd = next ? ContentEndBefore(all, next.pos) : all.size();
            std::string_view partHeader, partBody;
            SplitPart(all.substr(d.next, std::max(partEnd, d.next) - d.next), partHeader, partBody);
            d = next;
            std::string headerCopy(partHeader);
            const std::uint32_t flags = GetHeaderFlags(headerCopy, line);
            WipeText(headerCopy);
            std::string text;
            if (ContainsNoCase(partHeader, "multipart/alternative;")) {
                text = StripHtml(GetBounds(partHeader), partBody);
            } else if ((flags & pkHasFileName) && IsMessage(partBody)) {
                const std::size_t listed = slMimeParts.size();
                ListParts(partBody, depth + 1);
                if (slMimeParts.size() > listed) continue;
                text = partBody;
            } else {
                text = partBody;
            }
            add(flags, text);
            WipeText(text);
        }
    }
    // The listing's entries are the only copies kept: the decrypted text's
    // header, part texts and lines are wiped here.
    WipeText(body);
    WipeText(header);
    WipeText(block);
    WipeText(line);
    WipeText(contentType);
    --NestingLevel;
    return slMimeParts.size() > before;
}

void TMCFuncs::ClearMimeParts() {
    for (TMimePart& part : slMimeParts) WipeText(part.Entry);
    slMimeParts.clear();
}

TMimeListBox TMCFuncs::MimeListBox() const {
    TMimeListBox box;
    box.Caption = Text(txt::MIME_SAVE);
    box.ViewHint = Text(txt::MVIEW_HINT);
    box.SaveHint = Text(txt::MSAVE_HINT);
    box.CloseHint = Text(txt::MCLOSE_HINT);
    box.SaveTitle = Text(txt::_SAVE) + " " + Text(txt::FILE_AS);
    box.SaveFilter = "All (*.*)|*.*";
    return box;
}

bool TMCFuncs::ViewData(const TMimePart& part) {
    std::string text;
    switch (part.Flags & pkEncodingMask) {
    case pkNone:
        text = part.Data();
        break;
    case pkQuoted:
        text = ConvertText(part.Data());
        break;
    default:
        return false;
    }
    if (!Services.ShowText) return false;
    Services.ShowText(text);
    WipeText(text);
    return true;
}

bool TMCFuncs::SaveData(const TMimePart& part, const std::string& path) {
    std::string bytes;
    switch (part.Flags & pkEncodingMask) {
    case pkNone:
        bytes = part.Data();
        break;
    case pkQuoted:
        bytes = ConvertText(part.Data());
        break;
    case pkBase64:
        bytes = Base64DecodeBuffer(part.Data());
        if (bytes.empty()) {
            ShowError(Text(txt::BASE64_ERROR));
            return false;
        }
        break;
    default:
        return false;
    }
    const bool written = Services.WriteFile && Services.WriteFile(path, bytes);
    WipeText(bytes);
    if (!written) ShowError(Text(txt::WRITE_ERROR));
    return written;
}

}  // namespace orv
