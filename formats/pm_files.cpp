// Rewriting the message file so that it goes out unencoded: the crypt headers
// removed, or, for a message without MIME, the attachments uuencoded.

#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/pm_funcs.h"
#include "formats/text_source.h"

namespace orv {

using namespace mime;

namespace {

constexpr std::string_view kMessageBoundary = "--Message-Boundary";

std::size_t FindAtLineStart(std::string_view text, std::string_view what) {
    for (std::size_t p = text.find(what); p != npos; p = text.find(what, p + 1))
        if (p == 0 || text[p - 1] == '\n') return p;
    return npos;
}

// The uuencoded file with the note the mail client's readers expect.
void AppendUUEncoded(std::string& out, const std::string& name, std::string_view bytes) {
    out += " * This message contains the file '";
    out += name;
    out += "', which has been\r\n"
           " * uuencoded. If you are using Pegasus Mail, then you can use\r\n"
           " * the browser's eXtract function to lift the original contents\r\n"
           " * out to a file, otherwise you will have to extract the message\r\n"
           " * and uudecode it manually.\r\n\r\n"
           "begin 660 ";
    out += name;
    out += "\r\n";
    out += TMCFuncs::UUEncode(bytes);
    // The zero-length line ends the data for every uudecoder.
    out += "`\r\nend\r\n";
}

}  // namespace

int TPMFuncs::Unencoded() {
    std::string bytes;
    if (!Services.ReadMessage || !Services.ReadMessage(MessageFile, bytes)) {
        if (Services.Error) Services.Error(Text(txt::READ_ERROR));
        return 0;
    }
    const bool keep = KeepMixedLine;
    KeepMixedLine = true;
    std::string out = RemoveCryptHeaders(bytes, "");
    KeepMixedLine = keep;
    WipeText(bytes);
    if (!Services.ReplaceMessage || !Services.ReplaceMessage(MessageFile, out))
        if (Services.Error) Services.Error(Text(txt::WRITE_ERROR));
    WipeText(out);
    return 0;
}

int TPMFuncs::NonMimeMessage(std::string_view message, std::string_view /*mainHeader*/) {
    if (Services.Cancel && Services.Cancel(Text(txt::CONF_MIME))) return Services.CopyMessage ? Services.CopyMessage() : -2;

    const std::string text = RemoveEncryptorHeader(message, false);
    std::string out;
    out.reserve(text.size() + text.size() / 3 + 1024);
    std::string_view rest = text;
    std::string name;
    bool bodyNext = false;
    while (!rest.empty()) {
        const std::size_t blank = rest.find("\r\n\r\n");
        std::string_view block = rest.substr(0, blank == npos ? rest.size() : blank + 4);
        if (bodyNext) {
            bodyNext = false;
            // The body ends at the next delimiter, which starts the next block.
            const std::size_t next = FindAtLineStart(block, kMessageBoundary);
            if (next != npos) block = block.substr(0, next);
            rest.remove_prefix(block.size());
            std::string bytes = TMCFuncs::Base64DecodeBuffer(block);
            if (bytes.empty() && !Trim(block).empty()) {
                if (Services.Error) Services.Error(Text(txt::BASE64_ERROR));
                WipeText(out);
                return -1;
            }
            AppendUUEncoded(out, name, bytes);
            WipeText(bytes);
            continue;
        }
        rest.remove_prefix(block.size());
        const std::size_t at = block.find(kMessageBoundary);
        if (at == npos) {
            out += block;
            continue;
        }
        std::string header(block.substr(at));
        const std::size_t lineEnd = header.find("\r\n");
        const std::string_view delimiter = std::string_view(header).substr(0, lineEnd);
        // Only a base64 part announces an attachment body; the closing
        // delimiter announces nothing.
        bodyNext = !delimiter.ends_with("--") && ContainsNoCase(header, "base64");
        if (bodyNext) {
            std::string partHeader(lineEnd == npos ? std::string_view() : std::string_view(header).substr(lineEnd + 2));
            name = GetAttachmentName(partHeader, 1);
            if (name.empty()) name.assign(1, '-');
        }
        out += block.substr(0, at);
    }

    if (!Services.ReplaceMessage || !Services.ReplaceMessage(MessageFile, out)) {
        if (Services.Error) Services.Error(Text(txt::WRITE_ERROR));
        WipeText(out);
        return -1;
    }
    WipeText(out);
    return 0;
}

}  // namespace orv
