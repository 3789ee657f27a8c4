#pragma once
// The text rules of PGP's preference file: lines, " \" continuations,
// cleaned values, comma-separated key-server fields, numbers and key IDs.
// Plain text logic without any system call.

#include <string>
#include <vector>

namespace orv {

std::vector<std::string> SplitPrefLines(const std::string& text);
// Joins the lines with CR LF and removes the " \" line continuations; a
// quoted value continues in a new pair of quotes.
std::string JoinPrefLines(const std::vector<std::string>& lines);

// A value as it stands after "=": a trailing " \" cut, blanks trimmed, the
// surrounding double quotes removed.
std::string CleanPrefValue(std::string value);

// Splits a key-server line into its comma-separated fields; a field in
// double quotes may hold commas. The raw form keeps the quotes.
std::vector<std::string> SplitPrefFields(const std::string& text);
std::vector<std::string> SplitRawPrefFields(const std::string& text);

// Strict decimal integer (optional sign, digits only, within 32 bits).
bool ParsePrefInt(const std::string& text, int& value);

// "ldap", "http", "ldaps", "https" for 1-4, else nullptr.
const char* KeyServerProtocolName(int protocol);
// protocol name + "://" + host, and ":" + port unless the port text is "0"
// or empty; empty when the protocol has no name.
std::string KeyServerURL(int protocol, const std::string& host, const std::string& port);

// A default key ID text cut to "0x" + 16 digits: the zeros padding it are
// dropped (never into the 16 digits themselves), then the last 16 kept.
std::string FullHexID(const std::string& keyID);

}  // namespace orv
