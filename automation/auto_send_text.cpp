#include "automation/auto_send_text.h"

#include <algorithm>

#include "automation/address_text.h"
#include "automation/pl_text.h"
#include "formats/autolist.h"

namespace orv::automation {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr char kHexDigits[] = "0123456789ABCDEF";


int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (true) {
        std::size_t comma = text.find(',', at);
        out.push_back(text.substr(at, comma == npos ? npos : comma - at));
        if (comma == npos) break;
        at = comma + 1;
    }
    return out;
}

std::string JoinCommas(const std::vector<std::string>& tokens) {
    std::string out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i) out += ',';
        out += tokens[i];
    }
    return out;
}

// The first entry whose address text, e-mail address or alias answers the
// item; -1 when none does.
int FindEntry(const TAutoList& list, const std::string& item) {
    const std::string lowered = Lower(item);
    for (int i = 0; i < list.Count(); ++i)
        if (list.slNames[i] == lowered) return i;
    const std::string email = ExtractEmail(lowered);
    if (!email.empty())
        for (int i = 0; i < list.Count(); ++i)
            if (ExtractEmail(list.slNames[i]) == email) return i;
    const std::string alias = ExtractAlias(lowered);
    if (!alias.empty())
        for (int i = 0; i < list.Count(); ++i)
            if (list.slNames[i] == alias) return i;
    return -1;
}

std::string CandidateLine(const TAutoList& list, int i) {
    return list.slNames[i] + "\\" + kHexDigits[list.flags[i] & 15] + list.slFlags[i].substr(1);
}

// Entries sharing entry i's address with other keys, offered when they
// disagree; the index to use.
int ResolveDuplicates(const TAutoList& list, int i, const std::string& item, bool singleRecipient,
                      TRecipientCheck& check) {
    std::vector<int> entries{i};
    std::vector<std::string> lines{CandidateLine(list, i)};
    for (int j = 0; j < list.Count(); ++j) {
        if (j == i || list.slNames[j] != list.slNames[i] || list.slFlags[j] == list.slFlags[i]) continue;
        std::string line = CandidateLine(list, j);
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) continue;
        entries.push_back(j);
        lines.push_back(line);
    }
    if (lines.size() < 2) return i;
    const bool allPlain = std::all_of(entries.begin(), entries.end(), [&](int e) {
        return list.flags[e] == 0 || list.flags[e] == formats::autoflag::kSign;
    });
    if (singleRecipient && allPlain) return i;
    std::string candidates;
    for (const std::string& line : lines) {
        if (!candidates.empty()) candidates += "\r\n";
        candidates += line;
    }
    const int chosen = check.keySelect ? check.keySelect(item, candidates) : -1;
    if (chosen < 0 || chosen >= static_cast<int>(entries.size())) {
        check.sendCancelled = true;
        return i;
    }
    return entries[static_cast<std::size_t>(chosen)];
}

}  // namespace

TAutoList ParseAutoList(std::string_view loweredText) {
    TAutoList list;
    std::size_t at = 0;
    while (at < loweredText.size()) {
        std::size_t end = loweredText.find('\n', at);
        std::string_view line = loweredText.substr(at, end == npos ? npos : end - at);
        at = end == npos ? loweredText.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto entry = formats::SplitAutoLine(line);
        if (!entry || entry->Address.empty() || !formats::IsKeyField(entry->KeyField)) continue;
        const std::string& key = entry->KeyField;
        // Lower-cased first, so only the digits 0-9 remain as flag digits.
        if (key[1] != 'x' || key[0] < '0' || key[0] > '9') continue;
        const int flags = key[0] - '0';
        if (flags & formats::autoflag::kDisabled) continue;
        list.slNames.push_back(entry->Address);
        list.slFlags.push_back("0x" + UpperCase(key.substr(2)));
        list.flags.push_back(flags);
    }
    return list;
}

std::string NextAddressItem(std::string& text) {
    auto cut = [&text]() {
        std::size_t comma = text.find(',');
        std::string piece = text.substr(0, comma == npos ? npos : comma + 1);
        text.erase(0, piece.size());
        return piece;
    };
    std::string item = cut();
    if (std::count(item.begin(), item.end(), '"') == 1) {
        while (!text.empty()) {
            std::string piece = cut();
            item += piece;
            if (piece.find('"') != npos) break;
        }
    }
    return item;
}

std::string KeyTokenOf(const TAutoList& list, int i, std::uint32_t autoMode) {
    const std::string& stored = list.slFlags[static_cast<std::size_t>(i)];
    if (autoMode != 0) return stored;
    return (std::string(1, kHexDigits[list.flags[static_cast<std::size_t>(i)] & 15]) + stored.substr(1)).substr(0, 18);
}

int CheckAddressText(const std::string& text, TRecipientCheck& check) {
    if (!check.list) return 0;
    const TAutoList& list = *check.list;
    const bool singleRecipient = check.autoMode == 0 && check.lastKeys.empty() && text.find(',') == npos;
    std::string rest = text;
    std::vector<std::string> tokens;
    int result = 0;
    while (!rest.empty() && !check.sendCancelled) {
        std::string item = DelQuotes(std::string(Trim(NextAddressItem(rest))));
        if (!item.empty() && item.back() == ',') item = Trim(item.substr(0, item.size() - 1));
        if (item.empty()) continue;
        int i = FindEntry(list, item);
        if (i < 0) {
            if (!check.unlisted.empty()) check.unlisted += "\r\n";
            check.unlisted += item;
            result |= 1;
            tokens.push_back("0x");
            continue;
        }
        if (check.resolveDuplicates) i = ResolveDuplicates(list, i, item, singleRecipient, check);
        const int f = list.flags[static_cast<std::size_t>(i)];
        if (f != 0) result |= 2;
        if (f & formats::autoflag::kEncrypt) check.recipientFlags |= 1;
        if (f == 2 || f == 6) check.recipientFlags |= 2;
        tokens.push_back(KeyTokenOf(list, i, check.autoMode));
    }
    if (check.sendCancelled) {
        check.lastKeys.clear();
        return 0;
    }
    for (const std::string& token : tokens) {
        if (!check.lastKeys.empty()) check.lastKeys += ',';
        check.lastKeys += token;
    }
    return result;
}

int FlagDigitsOr(std::string_view lastKeys) {
    int f = 0;
    for (std::size_t p = lastKeys.find('x', 1); p != npos; p = lastKeys.find('x', p + 1)) f |= HexValue(lastKeys[p - 1]);
    return f;
}

void SetFlagDigits(std::string& lastKeys, int value) {
    for (std::size_t p = lastKeys.find('x', 1); p != npos; p = lastKeys.find('x', p + 1))
        lastKeys[p - 1] = kHexDigits[value & 15];
}

void MergeBccTokens(std::string& lastKeys, std::uint32_t recipientFlags,
                    const std::function<void(std::string& lastKeys)>& checkBcc) {
    const std::size_t n = static_cast<std::size_t>(std::count(lastKeys.begin(), lastKeys.end(), ',')) + 1;
    std::uint32_t u = recipientFlags;
    checkBcc(lastKeys);
    if (lastKeys.empty()) return;
    std::vector<std::string> tokens = SplitCommas(lastKeys);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].empty()) continue;
        if (i < n) u |= static_cast<std::uint32_t>(HexValue(tokens[i][0]));
        else if (tokens[i] != "0x") tokens[i][0] = kHexDigits[u & 15];
    }
    lastKeys = JoinCommas(tokens);
}

namespace {

// The first part's header of a multipart body, moved out of the content;
// "" when the header declares no boundary or the content lacks it.
std::string SplitFirstPartHeader(const std::string& header, std::string& content) {
    const std::string lowered = Lower(header);
    const std::size_t line = lowered.find("\ncontent-type: ");
    if (line == npos) return {};
    std::size_t end = lowered.find("\r\n", line + 1);
    if (end != npos && end + 2 < lowered.size() && (lowered[end + 2] == '\t' || lowered[end + 2] == ' '))
        end = lowered.find("\r\n", end + 2);
    const std::string field = header.substr(line + 1, end == npos ? npos : end - line - 1);
    const std::size_t b = Lower(field).find("boundary=", std::min<std::size_t>(14, field.size()));
    if (b == npos) return {};
    std::string boundary(Trim(std::string_view(field).substr(b + 9)));
    if (!boundary.empty() && boundary.front() == '"') {
        const std::size_t close = boundary.find('"', 1);
        boundary = boundary.substr(1, close == npos ? npos : close - 1);
    } else {
        boundary = boundary.substr(0, boundary.find_first_of("; \t"));
    }
    boundary = DelQuotes(boundary);
    if (boundary.empty()) return {};
    const std::size_t at = content.find(boundary);
    if (at == npos) return {};
    const std::size_t blank = content.find("\r\n\r\n", at);
    if (blank == npos) return {};
    std::string sub = content.substr(0, blank);
    content.erase(0, blank);
    sub.erase(0, sub.find_first_not_of(" \t\r\n") == npos ? sub.size() : sub.find_first_not_of(" \t\r\n"));
    sub += "\r\n\r\n";
    const std::string subLowered = Lower(sub);
    const std::size_t subType = subLowered.find("\ncontent-type: ");
    if (subType != npos && subLowered.find("boundary=", subType) != npos) {
        content.erase(0, std::min(content.find_first_not_of(" \t\r\n"), content.size()));
        const std::size_t innerBlank = content.find("\r\n\r\n");
        const std::size_t cut = innerBlank == npos ? content.size() : innerBlank;
        sub += content.substr(0, cut) + "\r\n\r\n";
        content.erase(0, cut);
    }
    return sub;
}

bool AllSevenBit(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string FixedUpMessage(const std::string& file, const std::string& charset) {
    const std::size_t blank = file.find("\r\n\r\n");
    if (blank == npos) return {};
    std::string header = file.substr(0, blank);
    if (header.find("X-PM-Encryptor: ") != npos) return {};
    std::string content = file.substr(blank);
    const std::string sub = SplitFirstPartHeader(header, content);
    const std::size_t first = content.find_first_not_of(" \t\r\n");
    const std::string body = first == npos ? std::string() : content.substr(first);
    const char* kind = body.rfind("-----BEGIN PGP MESSAGE-----", 0) == 0          ? "1"
                       : body.rfind("-----BEGIN PGP SIGNED MESSAGE-----", 0) == 0 ? "4"
                                                                                   : nullptr;
    if (!kind) return {};
    header += std::string("\r\nX-PM-Encryptor: ORVPGP-PM32, ") + kind;
    const std::string lowered = "\n" + Lower(header);
    if (sub.empty() && lowered.find("\nmime-version: ") == npos) {
        header += "\r\nMIME-Version: 1.0";
        // A header the client wrote stays the one that describes the text;
        // 8-bit text is labelled with the client's own character set.
        if (lowered.find("\ncontent-type:") == npos) {
            const bool plain = AllSevenBit(body);
            header += "\r\nContent-type: text/plain; charset=" + (plain ? std::string("US-ASCII") : charset.empty() ? std::string("ISO-8859-1") : charset) +
                      "\r\nContent-transfer-encoding: " + (plain ? "7BIT" : "8BIT") +
                      "\r\nContent-description: Mail message body";
        }
    }
    std::string fixed = header + "\r\n\r\n" + sub + body;
    if (fixed.size() <= file.size()) return {};
    return fixed;
}

}  // namespace orv::automation
