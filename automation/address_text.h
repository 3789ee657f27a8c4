#pragma once
// The e-mail address and the alias (display name) of an address text, as the
// recipient list and the address books know them. No Win32.

#include <string>
#include <string_view>

namespace orv::automation {

// None ("") without an at-sign. With a "<" whose next ">" lies after the
// first at-sign: the trimmed text between them. Otherwise the run around the
// first at-sign up to the nearest blank (code 32 or below, or 160) on either
// side; none when either side of the at-sign is empty.
std::string ExtractEmail(std::string_view text);

// The text without its "<...>" part and without the word holding the
// at-sign; of what remains the inside of round brackets, then the inside of
// double quotes, trimmed.
std::string ExtractAlias(std::string_view text);

}  // namespace orv::automation
