#pragma once
// The rows of the address box and the text they come from and go back to:
// reading a recipient list into rows (lines that are no entries are kept as
// they were), the marking rules, the sort order and the result text. No
// Win32 here: the window only shows and edits these rows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orv::ui {

// What the box is opened for; each use has its caption, columns and result.
enum class AddrUse { SetOptions, AddFromRing, AddEntries, AddPerAddress, KeyChoice };

// Grid columns.
namespace addrcol {
constexpr int kAdd = 0;
constexpr int kEncrypt = 1;
constexpr int kSign = 2;
constexpr int kAsk = 3;
constexpr int kDisable = 4;
constexpr int kKeyType = 5;
constexpr int kKeyID = 6;
constexpr int kAddress = 7;
constexpr int kCount = 8;
}  // namespace addrcol

// "×", the character of a marked cell.
constexpr char kMarkChar = '\xD7';

struct TAddrRow {
    std::string address;    // the entry's address
    std::string holder;     // the user ID of the key, where the row shows whose key it is
    std::string keyDigits;  // the key's hexadecimal digits, without "0x"
    int flags = 0;          // encrypt 1, sign 2, ask 4, disable 8
    bool add = false;       // column 0
    std::string keyType;    // column 5
    int keyIndex = -1;      // the key's index in the key list, -1 when missing
    int source = -1;        // the input line it came from, -1 for none
    std::string original;   // the input line as it was (set options)
    int originalFlags = 0;
    std::string originalAddress;

    bool Empty() const { return address.empty() && keyDigits.empty(); }
    // Column 7: whose key the row holds when that is known, else the address.
    const std::string& Shown() const { return holder.empty() ? address : holder; }
    // Column 6: "0x" and the key digits.
    std::string KeyIDText() const { return keyDigits.empty() ? std::string() : "0x" + keyDigits; }
    bool Marked(int column) const;
};

// One line of an input text with its own line end ("\r\n", "\n" or none).
struct TAddrLine {
    std::string text;
    std::string end;
    bool entry = false;  // an entry shown as a row
};

// Splits at line ends, keeping each line's end.
std::vector<TAddrLine> SplitLines(std::string_view text);

// Reads entries (address, backslash, key field "Nx" + digits). Lines that are
// no entries are marked as such and give no row. flagsOverride >= 1 replaces
// every entry's flags.
std::vector<TAddrRow> ReadEntries(std::vector<TAddrLine>& lines, int flagsOverride);

// The hexadecimal digit of the flags ("0".."F").
char FlagDigit(int flags);
// The entry of a row: address + "\" + flag digit + "x" + key digits.
std::string RowEntry(const TAddrRow& row);

// The marking rules. Columns 1-3 change only while column 4 is unmarked;
// columns 0 and 4 always. With singleAdd, marking column 0 clears it on every
// other row. True when the cell changed.
bool ToggleMark(std::vector<TAddrRow>& rows, std::size_t row, int column, bool singleAdd);
// Whether the cell can be changed now.
bool MarkEnabled(const TAddrRow& row, int column);

// Set options: the input text again. Lines that are no entries come back as
// they were; the lines of deleted rows go; the remaining entry lines take the
// rows in grid order (rows the user did not change as they were, changed
// ones trimmed).
std::string SetOptionsResult(const std::vector<TAddrLine>& lines, const std::vector<TAddrRow>& rows);
// Add uses: the entries of the rows marked in column 0, joined by CR LF.
std::string AddResult(const std::vector<TAddrRow>& rows);

// The sort key of an address: lower case, only digits, letters and
// characters of code 192 and above.
std::string AddressSortKey(std::string_view address);
// Orders by the column, then marks, key type, key ID and address;
// descending reverses. Stable, so equal rows keep their order.
void SortRows(std::vector<TAddrRow>& rows, int column, bool descending);

// The index of the first row after `from` whose column 7 contains the text
// (case-insensitive), or -1; wraps not.
int FindRow(const std::vector<TAddrRow>& rows, int from, std::string_view text);
bool ContainsText(std::string_view haystack, std::string_view needle);

// The e-mail address inside a user ID ("Name <a@b>" gives "a@b"); the text
// itself when it holds no angle brackets.
std::string EmailOf(std::string_view userID);

}  // namespace orv::ui
