#pragma once
// Paths handed to the mail client in the fixed fields of its records. A cut
// path names another file, or none: the field gets the long path when it fits
// with its terminating zero, else the short (8.3) form of the same path when
// that fits, else nothing, and the caller tells the user.

#include <cstddef>
#include <string>

namespace orv {

// "" when neither form fits in room bytes (the zero included).
std::string PathForField(const std::string& path, std::size_t room);

// Copies text and its zero into a field of room bytes; false (field left
// empty) when it does not fit.
bool CopyToField(char* field, std::size_t room, const std::string& text);

}  // namespace orv
