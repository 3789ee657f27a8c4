#pragma once
// The recipient list's upkeep as plain text logic: the header block, the
// sort and merge of its entries, the conversions of older list formats, the
// host's address books, and the texts handed to and taken from the main
// library's address dialogs. No Win32; the worker (automation/abk.h) reads
// and writes the files and asks the user.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::automation {

using TLines = std::vector<std::string>;

// Lines of a text split at LF, a CR before it dropped; a last line end gives
// no further empty line.
TLines SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinLines(const TLines& lines);
// The lines joined with CR LF, none after the last (a text handed to the
// main library's dialogs).
std::string JoinedLines(const TLines& lines);

// The leading lines of the list that are empty or begin and end with "#".
bool IsHeaderLine(std::string_view line);
struct TAutoListText {
    TLines Header;
    TLines Body;
};
TAutoListText TakeHeader(std::string_view fileText);
// The header block in front of the body (no empty line is added for an
// empty header).
std::string WithHeader(const TLines& header, const TLines& body);

// A line the sort takes as an entry: split at its last backslash into a
// non-empty address and a key field longer than 9 characters.
bool IsSortableEntry(std::string_view line);

// Sorts and merges the entries of the body (header already taken off):
// entries ordered by key, aliases with the addresses of their key behind
// them, a line dropped only when it repeats another's address and key.
// Lines that are no entries keep their places; the entries fill the places
// entries had. The result is the number of lines.
int SortEntries(TLines& body);

// The entries of the body in order, and the body with new entries put in
// the places of the old ones (surplus places removed, extra entries
// appended), so that comments and other lines stay as they were.
TLines EntriesOf(const TLines& body);
void PutEntriesInPlace(TLines& body, const TLines& entries);

// ---- The upgrade after installation ----------------------------------

// The version text cut at its last "/" and its last "b", digits only.
long VersionNumber(std::string_view versionText);
// The list format a header names by its first "Update " (0 to 5), and the
// format a recorded configuration version stands for.
constexpr int kCurrentListFormat = 5;
int HeaderFormat(const TLines& header);
bool HeaderNamesFormat(const TLines& header);
int FormatOfVersion(long version);
// The format of a list whose header names none: the plug-in writes such
// lists itself. The recorded version of the configuration says it; without
// one, only a list whose every entry has the flag digit "0" (the oldest
// format knew no flags) is of the oldest format.
int UnnamedListFormat(const TLines& body, long recordedVersion);
// Formats below 2: comments opened, flag digits set (format 0: the given
// digit; format 1: "0" becomes "8", disabled), other entry lines lose their
// last character.
void ConvertOldEntries(TLines& body, int format, char flagDigit);

// ---- Address books ("*.PMR") ------------------------------------------

struct TBookEntry {
    std::string Alias;
    std::string Email;
};
struct TAddressBook {
    std::string Name;
    std::vector<TBookEntry> Entries;
};
// The book in the host's format; nothing when its name is empty. Texts go
// through fromOem and lose their double quotes.
std::optional<TAddressBook> ReadAddressBook(std::string_view bytes,
                                            const std::function<std::string(std::string)>& fromOem);
// The line for the address-book choice: e-mail, a non-breaking space and
// "(alias)" when there is one, a tab and the book's name.
std::string AddressLine(const TBookEntry& entry, std::string_view bookName);
// The lines of the chosen addresses ("address\key field") as list entries:
// one for the e-mail address and one for the alias of each.
TLines EntriesFromChosen(std::string_view chosen);

// ---- Recipients, key ring, deleted keys -------------------------------

// The last recipients: a CR LF list of addresses, or such a list, a
// backslash and a comma list of key fields, paired into entries. paired
// says which of the two it was.
std::string RecipientEntries(std::string_view input, bool* paired);
// For a single recipient whose address the result does not name: the
// address with the result's first key field.
std::string SingleRecipientResult(std::string_view input, std::string_view result);
// The valid entries' addresses (CR LF) and key fields (commas).
void SplitForKeyRing(const TLines& body, std::string* addresses, std::string* keys);
// Removes every entry whose key equals one of the comma-separated key IDs
// (flag digit aside, letter case aside); other lines stay. The number removed.
int RemoveKeys(TLines& body, std::string_view deletedIds);

}  // namespace orv::automation
