#include "ui/address_rows.h"

#include <algorithm>
#include <tuple>

#include "formats/autolist.h"

namespace orv::ui {

namespace {

char Lower(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u - 'A' + 'a');
    // The Windows ANSI code page: capitals 0xC0-0xDE (but 0xD7) have their small letter 0x20 above.
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 0x20);
    return c;
}

std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

int FlagOfColumn(int column) { return column >= addrcol::kEncrypt && column <= addrcol::kDisable ? 1 << (column - 1) : 0; }

}  // namespace

bool TAddrRow::Marked(int column) const {
    if (column == addrcol::kAdd) return add;
    const int flag = FlagOfColumn(column);
    return flag != 0 && (flags & flag) != 0;
}

std::vector<TAddrLine> SplitLines(std::string_view text) {
    std::vector<TAddrLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        TAddrLine line;
        if (lf == std::string_view::npos) {
            line.text = std::string(text.substr(start));
            start = text.size();
        } else {
            const bool cr = lf > start && text[lf - 1] == '\r';
            line.text = std::string(text.substr(start, lf - start - (cr ? 1 : 0)));
            line.end = cr ? "\r\n" : "\n";
            start = lf + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<TAddrRow> ReadEntries(std::vector<TAddrLine>& lines, int flagsOverride) {
    std::vector<TAddrRow> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TAddrLine& line = lines[i];
        line.entry = false;
        const auto entry = formats::SplitAutoLine(line.text);
        if (!entry || entry->Address.empty() || !formats::IsKeyField(entry->KeyField)) continue;
        const int flags = formats::KeyFlags(entry->KeyField);
        if (flags < 0) continue;
        line.entry = true;
        TAddrRow row;
        row.address = entry->Address;
        row.keyDigits = std::string(formats::KeyDigits(entry->KeyField));
        row.flags = flagsOverride >= 1 ? (flagsOverride & 15) : flags;
        row.source = static_cast<int>(i);
        row.original = line.text;
        row.originalFlags = flags;
        row.originalAddress = row.address;
        rows.push_back(std::move(row));
    }
    return rows;
}

char FlagDigit(int flags) { return "0123456789ABCDEF"[flags & 15]; }

std::string RowEntry(const TAddrRow& row) {
    return formats::AutoLine(row.address, formats::KeyToken(row.flags, row.keyDigits));
}

bool MarkEnabled(const TAddrRow& row, int column) {
    if (row.Empty()) return false;
    if (column == addrcol::kAdd || column == addrcol::kDisable) return true;
    if (column >= addrcol::kEncrypt && column <= addrcol::kAsk) return (row.flags & formats::autoflag::kDisabled) == 0;
    return false;
}

bool ToggleMark(std::vector<TAddrRow>& rows, std::size_t row, int column, bool singleAdd) {
    if (row >= rows.size() || !MarkEnabled(rows[row], column)) return false;
    TAddrRow& r = rows[row];
    if (column == addrcol::kAdd) {
        r.add = !r.add;
        if (singleAdd && r.add)
            for (std::size_t i = 0; i < rows.size(); ++i)
                if (i != row) rows[i].add = false;
        return true;
    }
    r.flags ^= FlagOfColumn(column);
    return true;
}

std::string SetOptionsResult(const std::vector<TAddrLine>& lines, const std::vector<TAddrRow>& rows) {
    std::string out;
    std::size_t size = 0;
    for (const TAddrLine& line : lines) size += line.text.size() + line.end.size();
    out.reserve(size);
    // The lines of deleted rows go; the rows left fill the other entry lines
    // in the grid's order, so an unsorted grid keeps every entry in its place.
    std::vector<bool> kept(lines.size(), false);
    for (const TAddrRow& row : rows)
        if (!row.Empty() && row.source >= 0 && std::size_t(row.source) < lines.size()) kept[std::size_t(row.source)] = true;
    std::size_t next = 0;
    auto nextRow = [&]() -> const TAddrRow* {
        while (next < rows.size() && rows[next].Empty()) ++next;
        return next < rows.size() ? &rows[next++] : nullptr;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TAddrLine& line = lines[i];
        if (!line.entry) {
            out += line.text;
            out += line.end;
            continue;
        }
        if (!kept[i]) continue;
        const TAddrRow* row = nextRow();
        if (!row) continue;
        const bool unchanged = !row->original.empty() && row->flags == row->originalFlags &&
                               row->address == row->originalAddress;
        out += unchanged ? row->original : RowEntry(*row);
        out += line.end;
    }
    return out;
}

std::string AddResult(const std::vector<TAddrRow>& rows) {
    std::string out;
    for (const TAddrRow& row : rows) {
        if (!row.add || row.Empty() || row.keyDigits.empty()) continue;
        if (!out.empty()) out += "\r\n";
        out += RowEntry(row);
    }
    return out;
}

std::string AddressSortKey(std::string_view address) {
    std::string key;
    key.reserve(address.size());
    for (char c : address) {
        const unsigned char u = static_cast<unsigned char>(Lower(c));
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || u >= 192) key += static_cast<char>(u);
    }
    return key;
}

void SortRows(std::vector<TAddrRow>& rows, int column, bool descending) {
    struct Keyed {
        std::string primary;
        std::string marks;
        std::string type;
        std::string id;
        std::string address;
        TAddrRow row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (TAddrRow& row : rows) {
        Keyed k;
        // Marked cells sort before unmarked ones, as "×" before a blank would in the reversed order.
        for (int c = addrcol::kAdd; c <= addrcol::kDisable; ++c) k.marks += row.Marked(c) ? '0' : '1';
        k.type = LowerText(row.keyType);
        k.id = LowerText(row.keyDigits);
        k.address = AddressSortKey(row.Shown());
        if (column >= addrcol::kAdd && column <= addrcol::kDisable)
            k.primary = k.marks.substr(static_cast<std::size_t>(column), 1);
        else if (column == addrcol::kKeyType)
            k.primary = k.type;
        else if (column == addrcol::kKeyID)
            k.primary = k.id;
        else
            k.primary = k.address;
        k.row = std::move(row);
        keyed.push_back(std::move(k));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
        const auto ka = std::tie(a.primary, a.marks, a.type, a.id, a.address);
        const auto kb = std::tie(b.primary, b.marks, b.type, b.id, b.address);
        return descending ? kb < ka : ka < kb;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = std::move(keyed[i].row);
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    return LowerText(haystack).find(LowerText(needle)) != std::string::npos;
}

int FindRow(const std::vector<TAddrRow>& rows, int from, std::string_view text) {
    if (text.empty()) return -1;
    for (std::size_t i = static_cast<std::size_t>(std::max(from + 1, 0)); i < rows.size(); ++i)
        if (ContainsText(rows[i].Shown(), text)) return static_cast<int>(i);
    return -1;
}

std::string EmailOf(std::string_view userID) {
    const std::size_t open = userID.rfind('<');
    const std::size_t close = userID.rfind('>');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::string(userID);
    return std::string(userID.substr(open + 1, close - open - 1));
}

}  // namespace orv::ui
