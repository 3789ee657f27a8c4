#pragma once
// Key-ID texts as the engine prints them: "0x" and hexadecimal digits.

#include <string>
#include <string_view>

namespace orv {

// "0x" and 8 or 16 hexadecimal digits (either case of the x and the digits).
bool IsKeyIDText(std::string_view text);

// "0x" + the last 8 hexadecimal digits of a 10- or 18-character key-ID
// text; empty for any other text.
std::string ShortKeyID(std::string_view keyID);

}  // namespace orv
