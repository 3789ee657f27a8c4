#include "automation/autolist_upkeep.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "automation/address_text.h"
#include "automation/pl_text.h"
#include "base/text.h"
#include "formats/autolist.h"

namespace orv::automation {

namespace {

constexpr std::size_t kNameSize = 128;
constexpr std::size_t kRecordSize = 458;
constexpr std::size_t kAliasAt = 2;
constexpr std::size_t kEmailAt = 342;
constexpr std::size_t kEmailSize = 116;
constexpr char kNoBreakSpace = '\xA0';

bool HasX(std::string_view key) { return key.size() > 1 && (key[1] == 'x' || key[1] == 'X'); }

// Zero-terminated text inside a fixed field.
std::string FixedText(std::string_view bytes, std::size_t at, std::size_t size) {
    if (at >= bytes.size()) return {};
    std::string_view field = bytes.substr(at, std::min(size, bytes.size() - at));
    return std::string(field.substr(0, field.find('\0')));
}

// One entry while the sort works on it.
struct TSortEntry {
    std::string Key;      // flag digit made "0" when the key has its "x"
    std::string Address;
    char Flag = 0;        // the remembered first character, 0 when unknown
    std::string Order;    // key (upper case) + "\" + address (upper case)
};

bool ByOrder(const TSortEntry& a, const TSortEntry& b) { return a.Order < b.Order; }

bool IsAddressEntry(std::string_view address) {
    return address.find('@') != std::string_view::npos ||
           (address.find('<') != std::string_view::npos && address.find('>') != std::string_view::npos);
}

std::optional<TSortEntry> TakeEntry(std::string_view line) {
    if (!IsSortableEntry(line)) return std::nullopt;
    auto split = formats::SplitAutoLine(line);
    TSortEntry e{split->KeyField, split->Address, 0, {}};
    if (HasX(e.Key)) {
        e.Flag = e.Key[0];
        e.Key[0] = '0';
    }
    e.Order = UpperCase(e.Key) + "\\" + UpperCase(e.Address);
    return e;
}

// Step 2: sorted by key, a line that repeats another (letter case aside)
// dropped; the first one met keeps its flag.
void SortUnique(std::vector<TSortEntry>& list) {
    std::stable_sort(list.begin(), list.end(), ByOrder);
    list.erase(std::unique(list.begin(), list.end(),
                           [](const TSortEntry& a, const TSortEntry& b) { return a.Order == b.Order; }),
               list.end());
}

// Step 3: a bare address goes when another entry names the same mailbox
// for the same key; several keys for one address are allowed and all kept.
void DropRepeatedMailboxes(std::vector<TSortEntry>& list) {
    std::unordered_map<std::string, std::vector<std::size_t>> byKeyAndMail;
    for (std::size_t j = 0; j < list.size(); ++j) {
        std::string mail = ExtractEmail(list[j].Address);
        if (!mail.empty()) byKeyAndMail[UpperCase(list[j].Key) + "\\" + UpperCase(mail)].push_back(j);
    }
    std::vector<bool> dropped(list.size(), false);
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto it = byKeyAndMail.find(UpperCase(list[i].Key) + "\\" + UpperCase(list[i].Address));
        if (it == byKeyAndMail.end()) continue;
        for (std::size_t j : it->second)
            if (j != i && !dropped[j]) {
                dropped[i] = true;
                break;
            }
    }
    std::vector<TSortEntry> kept;
    kept.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!dropped[i]) kept.push_back(std::move(list[i]));
    list.swap(kept);
}

// The key without its flag digit, which step 4 has put back.
std::string SortKey(const TSortEntry& e) { return UpperCase(std::string_view(e.Key).substr(1)); }

// Step 5: the aliases in key order, the addresses of an alias's key right
// behind the last alias of that key, smaller keys in front.
std::vector<TSortEntry> MergeAliases(std::vector<TSortEntry>& aliases, std::vector<TSortEntry>& addresses) {
    std::vector<TSortEntry> out;
    out.reserve(aliases.size() + addresses.size());
    std::size_t next = 0;
    std::vector<TSortEntry> collected;
    for (std::size_t a = 0; a < aliases.size(); ++a) {
        const std::string key = SortKey(aliases[a]);
        while (next < addresses.size() && SortKey(addresses[next]) < key) out.push_back(std::move(addresses[next++]));
        while (next < addresses.size() && SortKey(addresses[next]) == key) collected.push_back(std::move(addresses[next++]));
        out.push_back(std::move(aliases[a]));
        const bool lastOfKey = a + 1 == aliases.size() || SortKey(aliases[a + 1]) != key;
        if (lastOfKey) {
            for (auto& e : collected) out.push_back(std::move(e));
            collected.clear();
        }
    }
    while (next < addresses.size()) out.push_back(std::move(addresses[next++]));
    return out;
}

bool IsEntryPlace(std::string_view line) { return IsSortableEntry(line); }

}  // namespace

TLines SplitLines(std::string_view text) {
    TLines lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        if (end > pos && text[end - 1] == '\r') --end;
        lines.emplace_back(text.substr(pos, end - pos));
        pos = next;
    }
    return lines;
}

std::string JoinLines(const TLines& lines) {
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

std::string JoinedLines(const TLines& lines) {
    std::string text = JoinLines(lines);
    if (!text.empty()) text.resize(text.size() - 2);
    return text;
}

bool IsHeaderLine(std::string_view line) {
    std::string t(Trim(line));
    return t.empty() || (line.front() == '#' && t.back() == '#');
}

TAutoListText TakeHeader(std::string_view fileText) {
    TAutoListText out;
    TLines lines = SplitLines(fileText);
    std::size_t n = 0;
    while (n < lines.size() && IsHeaderLine(lines[n])) ++n;
    out.Header.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(n));
    out.Body.assign(lines.begin() + static_cast<std::ptrdiff_t>(n), lines.end());
    return out;
}

std::string WithHeader(const TLines& header, const TLines& body) { return JoinLines(header) + JoinLines(body); }

bool IsSortableEntry(std::string_view line) {
    auto split = formats::SplitAutoLine(line);
    // An address that begins with "#" once trimmed would come back as a
    // comment: such a line stays as it is.
    return split && !split->Address.empty() && split->Address.front() != '#' && split->KeyField.size() > 9;
}

TLines EntriesOf(const TLines& body) {
    TLines entries;
    for (const auto& line : body)
        if (IsEntryPlace(line)) entries.push_back(line);
    return entries;
}

void PutEntriesInPlace(TLines& body, const TLines& entries) {
    TLines out;
    out.reserve(std::max(body.size(), entries.size()));
    std::size_t next = 0;
    for (auto& line : body) {
        if (!IsEntryPlace(line)) out.push_back(std::move(line));
        else if (next < entries.size()) out.push_back(entries[next++]);
    }
    while (next < entries.size()) out.push_back(entries[next++]);
    body.swap(out);
}

int SortEntries(TLines& body) {
    std::vector<TSortEntry> aliases, addresses;
    for (const auto& line : body) {
        auto e = TakeEntry(line);
        if (!e) continue;
        (IsAddressEntry(e->Address) ? addresses : aliases).push_back(std::move(*e));
    }
    SortUnique(addresses);
    SortUnique(aliases);
    DropRepeatedMailboxes(addresses);
    for (auto* list : {&aliases, &addresses})
        for (auto& e : *list)
            if (e.Flag) e.Key[0] = e.Flag;
    TLines sorted;
    for (auto& e : MergeAliases(aliases, addresses)) sorted.push_back(formats::AutoLine(e.Address, e.Key));
    PutEntriesInPlace(body, sorted);
    return static_cast<int>(body.size());
}

// ---- Upgrade ------------------------------------------------------------

long VersionNumber(std::string_view versionText) {
    std::string_view t = versionText;
    if (auto slash = t.rfind('/'); slash != std::string_view::npos) t = t.substr(0, slash);
    if (auto b = t.rfind('b'); b != std::string_view::npos) t = t.substr(0, b);
    long n = 0;
    for (char c : t)
        if (c >= '0' && c <= '9' && n < 100000000) n = n * 10 + (c - '0');
    return n;
}

int HeaderFormat(const TLines& header) {
    std::string all = JoinLines(header);
    auto at = all.find("Update ");
    if (at == std::string::npos) return 0;
    std::string name = all.substr(at, 12);
    if (name == "Update 4.8.5") return 5;
    if (name == "Update 4.7.0") return 4;
    if (name == "Update 4.5.7") return 3;
    if (name == "Update 4.5.5") return 2;
    if (name == "Update 4.5.0") return 1;
    return 0;
}

bool HeaderNamesFormat(const TLines& header) { return JoinLines(header).find("Update ") != std::string::npos; }

int UnnamedListFormat(const TLines& body, long recordedVersion) {
    if (recordedVersion > 0) return FormatOfVersion(recordedVersion);
    for (const auto& line : body) {
        const auto cut = line.rfind('\\');
        if (cut == std::string::npos) continue;
        const std::string key(Trim(std::string_view(line).substr(cut + 1)));
        if (HasX(key) && key[0] != '0') return kCurrentListFormat;
    }
    return 0;
}

int FormatOfVersion(long version) {
    if (version >= 485) return 5;
    if (version >= 470) return 4;
    if (version >= 457) return 3;
    if (version >= 455) return 2;
    if (version >= 450) return 1;
    return 0;
}

void ConvertOldEntries(TLines& body, int format, char flagDigit) {
    for (auto& line : body) {
        if (auto hash = line.find('#'); hash != std::string::npos && hash + 1 < line.size())
            line = Trim(std::string_view(line).substr(hash + 1));
        const auto cut = line.rfind('\\');
        if (cut == std::string::npos) continue;
        std::size_t k = cut + 1;
        while (k < line.size() && static_cast<unsigned char>(line[k]) <= ' ') ++k;
        std::string key(Trim(std::string_view(line).substr(cut + 1)));
        if (HasX(key)) {
            if (format == 0) line[k] = flagDigit;
            else if (format == 1 && line[k] == '0') line[k] = '8';
        } else if (!line.empty()) {
            line.pop_back();
        }
    }
}

// ---- Address books ----------------------------------------------------------

std::optional<TAddressBook> ReadAddressBook(std::string_view bytes,
                                            const std::function<std::string(std::string)>& fromOem) {
    TAddressBook book;
    book.Name = DelQuotes(fromOem(FixedText(bytes, 0, kNameSize)));
    if (bytes.size() < kNameSize || Trim(book.Name).empty()) return std::nullopt;
    for (std::size_t at = kNameSize; at + kRecordSize <= bytes.size(); at += kRecordSize) {
        std::string_view record = bytes.substr(at, kRecordSize);
        TBookEntry e;
        e.Alias = DelQuotes(fromOem(FixedText(record, kAliasAt, kEmailAt - kAliasAt)));
        e.Email = DelQuotes(fromOem(FixedText(record, kEmailAt, kEmailSize)));
        book.Entries.push_back(std::move(e));
    }
    return book;
}

std::string AddressLine(const TBookEntry& entry, std::string_view bookName) {
    std::string line = entry.Email;
    if (!entry.Alias.empty()) {
        if (!line.empty()) line += kNoBreakSpace;
        line += "(" + entry.Alias + ")";
    }
    line += '\t';
    line += bookName;
    return line;
}

TLines EntriesFromChosen(std::string_view chosen) {
    TLines entries;
    for (const auto& line : SplitLines(chosen)) {
        UserAndKey uk = ExtractUserAndKey(line);
        if (uk.user.empty() || uk.key.empty()) continue;
        std::string mail = ExtractEmail(uk.user);
        std::string alias = ExtractAlias(uk.user);
        if (!mail.empty()) entries.push_back(formats::AutoLine(mail, uk.key));
        if (!alias.empty()) entries.push_back(formats::AutoLine(alias, uk.key));
    }
    return entries;
}

// ---- Recipients, key ring, deleted keys ---------------------------------

std::string RecipientEntries(std::string_view input, bool* paired) {
    const auto cut = input.rfind('\\');
    *paired = cut != std::string_view::npos;
    if (!*paired) return std::string(input);
    TLines addresses = SplitLines(input.substr(0, cut));
    std::string keys(input.substr(cut + 1));
    TLines pairs;
    for (const auto& a : addresses) {
        std::string address(Trim(a));
        std::string key = CommaExtract(keys);
        if (address.empty()) continue;
        pairs.push_back(formats::AutoLine(address, key));
    }
    return JoinedLines(pairs);
}

std::string SingleRecipientResult(std::string_view input, std::string_view result) {
    TLines in = SplitLines(input);
    if (in.size() != 1 || result.empty()) return std::string(result);
    std::string address = ExtractUserAndKey(in[0]).user;
    if (address.empty() || UpperCase(result).find(UpperCase(address)) != std::string::npos) return std::string(result);
    TLines out = SplitLines(result);
    std::string key = out.empty() ? std::string() : ExtractUserAndKey(out[0]).key;
    return key.empty() ? std::string(result) : formats::AutoLine(address, key);
}

void SplitForKeyRing(const TLines& body, std::string* addresses, std::string* keys) {
    addresses->clear();
    keys->clear();
    for (const auto& line : body) {
        auto e = formats::SplitAutoLine(line);
        if (!e || e->Address.empty() || !formats::IsKeyField(e->KeyField)) continue;
        if (!addresses->empty()) {
            *addresses += "\r\n";
            *keys += ",";
        }
        *addresses += e->Address;
        *keys += e->KeyField;
    }
}

int RemoveKeys(TLines& body, std::string_view deletedIds) {
    std::vector<std::string> ids;
    std::string rest(deletedIds);
    while (!rest.empty()) {
        std::string id = CommaExtract(rest);
        if (!id.empty()) ids.push_back(UpperCase(id));
    }
    int removed = 0;
    TLines kept;
    kept.reserve(body.size());
    for (auto& line : body) {
        auto e = formats::SplitAutoLine(line);
        bool gone = false;
        if (e && !e->Address.empty() && formats::IsKeyField(e->KeyField)) {
            std::string key = UpperCase(e->KeyField);
            key[0] = '0';
            gone = std::find(ids.begin(), ids.end(), key) != ids.end();
        }
        if (gone) ++removed;
        else kept.push_back(std::move(line));
    }
    body.swap(kept);
    return removed;
}

}  // namespace orv::automation
