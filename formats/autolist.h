#pragma once
// The recipient list "AutoList.txt": one entry per line, an address text, a
// backslash and a key field ("5x0123ABCD...": flag digit, "x", key digits).
// The main library's address box, the automation plug-in's send check and the
// list's upkeep all read a line through these, so they agree on what an entry is.

#include <optional>
#include <string>
#include <string_view>

namespace formats {

// Entry flags, the key field's first (hexadecimal) digit.
namespace autoflag {
constexpr int kEncrypt = 1;
constexpr int kSign = 2;
constexpr int kAsk = 4;
constexpr int kDisabled = 8;
}  // namespace autoflag

struct TAutoEntry {
  std::string Address;   // trimmed, as written
  std::string KeyField;  // trimmed, as written
};

// Empty lines and lines beginning "#" are comments.
bool IsAutoComment(std::string_view line);

// Splits a line at its last backslash, both parts trimmed of blanks and tabs.
// Comments and lines without a backslash give nothing; whether the key field
// is valid is for IsKeyField to say.
std::optional<TAutoEntry> SplitAutoLine(std::string_view line);

// Longer than 9 characters with "x" (or "X") as its second character.
bool IsKeyField(std::string_view field);

// The value of the field's first character as a hexadecimal digit, -1 when
// it is none.
int KeyFlags(std::string_view field);

// The key digits behind "Nx", empty for a field that is no key field.
std::string_view KeyDigits(std::string_view field);

// "Nx" + digits: N the hexadecimal digit of flags (0..15, upper case).
std::string KeyToken(int flags, std::string_view keyDigits);

// address + "\" + key token: a list line without its line end.
std::string AutoLine(std::string_view address, std::string_view keyField);

}  // namespace formats
