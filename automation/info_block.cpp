#include "automation/info_block.h"

#include "automation/pl_text.h"
#include "base/text.h"

namespace orv::automation {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Good and bad results read as three lines: the result with its detail,
// the signer, and the key with its validity.
std::string ThreeLines(std::string_view info, std::string_view indent) {
    size_t bracket = info.find(')');
    if (bracket == std::string_view::npos) return std::string(info);
    std::string out(info.substr(0, bracket + 1));
    std::string_view rest = info.substr(bracket + 1);
    size_t comma = rest.find(',');
    out.append(kCrLf).append(indent).append(TrimLeft(rest.substr(0, comma)));
    if (comma != std::string_view::npos)
        out.append(kCrLf).append(indent).append(TrimLeft(rest.substr(comma + 1)));
    return out;
}

}  // namespace

std::optional<std::uint32_t> InfoBlockColour(int resultCode) {
    switch (resultCode) {
    case 2:
    case 3: return 0x008000;
    case 4: return 0x0000FF;
    case 5: return 0x0080FF;
    default: return std::nullopt;
    }
}

std::optional<InfoBlock> BuildInfoBlock(std::string_view info, bool tabbed, int resultCode) {
    std::optional<std::uint32_t> colour = InfoBlockColour(resultCode);
    if (!colour) return std::nullopt;
    InfoBlock block;
    block.colour = *colour;
    std::string_view indent = tabbed ? "\t\t" : "\t";
    block.prefix = tabbed ? std::string("\t") + kInfoBlockMark : std::string(kInfoBlockMark);
    std::string text(info);
    size_t crlf = text.find(kCrLf);
    if (crlf != std::string::npos) text.insert(crlf + kCrLf.size(), indent);
    block.body = resultCode == 5 ? text : ThreeLines(text, indent);
    if (!tabbed) block.trailer = std::string(indent) + "\r\n\r\n";
    return block;
}

bool StartsWithInfoBlock(std::string_view line0) {
    // The tabbed layout writes its block behind a tab.
    size_t start = line0.find_first_not_of('\t');
    return start != std::string_view::npos && line0.substr(start).rfind(kInfoBlockMark, 0) == 0;
}

std::string EncryptedTextOf(std::string_view text) {
    return text.find("-----BEGIN PGP MESSAGE-----") != std::string_view::npos ? std::string(text) : std::string();
}

std::string PgpMimeBodyOf(std::string_view text) {
    size_t blank = text.find("\r\n\r\n");
    if (blank == std::string_view::npos) return {};
    std::string_view head = text.substr(0, blank + 4);
    if (head.find("protocol=\"application/pgp-") == std::string_view::npos) return {};
    return std::string(text.substr(blank + 4));
}

}  // namespace orv::automation
