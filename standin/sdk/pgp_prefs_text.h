// The engine's reading of PGP's own preference file "PGPprefs.txt" (release
// 7): "Name=value" lines, where a value may run on over further lines, each
// broken line ending in " \"; a quoted value goes on in a new pair of quotes.
// Plain text logic, no system calls.
#pragma once

#include <string>

namespace sdk::pgpprefs {

// The value of the first line so named (names compare without case), with
// its continuations joined, the blanks around it trimmed and the surrounding
// double quotes removed; empty when no line has the name.
std::string valueOf(const std::string& fileText, const char* name);

// A default key ID text reduced to "0x" + 16 hex digits: zeros padding it
// behind the ID are dropped (never into the 16 digits themselves), then the
// last 16 digits are kept. Other texts come back unchanged.
std::string fullKeyID(const std::string& text);

// The file text with the first line so named (its continuation lines with
// it) saying "name=value", or with that line added at the end; every other
// byte stays as it was.
std::string withValue(const std::string& fileText, const char* name, const std::string& value);

}  // namespace sdk::pgpprefs
