#pragma once
// The main library's access to the string library Lumvika: its range of texts
// is fetched in one pass when the session starts, everything else by ordinal
// on demand. A missing library or entry gives the empty text.

#include "strings/text_numbers.h"

#include <string>

namespace orv::texts {

// Loads "Lumvika.dll" from the directory (ending in "\" or empty for the
// search path) and reads texts 109-348. Loading twice keeps the first library.
bool Load(const std::string& directory);
void Unload();
bool Loaded();

// The text of that number; "" when the library or its entry is missing.
// The pointer stays valid while the library is loaded.
const char* Get(int number);
// Get() with a "&" put in front, for button captions ("&" + "Yes").
std::string Accel(int number);

// The engine's description of a PGP error number (GetErrorStr, ordinal 372);
// "" when the library or the entry is missing.
std::string ErrorText(long code);

}  // namespace orv::texts
