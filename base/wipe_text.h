#pragma once
// Plain text and passphrases that sat in an ordinary string are overwritten
// before the memory goes back.

#include <string>

namespace orv {

// Zeros every byte the string owns, its spare room included (a short
// string moved away keeps its bytes in the room of the one it left), then
// gives the memory back: the string is empty afterwards.
void WipeText(std::string& text) noexcept;

}  // namespace orv
