#pragma once
// Plain text and passphrases that sat in an ordinary string are overwritten
// before the memory goes back.

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// Zeros n bytes at memory speed, where the compiler cannot leave the stores
// out because the memory is about to be given back.
void WipeBytes(void* bytes, std::size_t n) noexcept;

// Zeros every byte the string owns, its spare room included (a short
// string moved away keeps its bytes in the room of the one it left), then
// gives the memory back: the string is empty afterwards.
void WipeText(std::string& text) noexcept;

// Appends; when the string has to move to a larger buffer, the one it
// leaves is wiped, so that a text grown piece by piece leaves no copies of
// itself behind.
void AppendWiped(std::string& text, std::string_view more);

}  // namespace orv
