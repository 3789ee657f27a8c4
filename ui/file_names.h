#pragma once
// Names proposed for files that the user saves from a message. A name taken
// from a message (an attachment's name, a subject) is written by its sender:
// it is reduced to a bare name that can only land in the folder the user
// chose.

#include <string>
#include <string_view>

namespace orv::ui {

// The part after the last path separator ("\", "/" or ":"), without the
// characters a file name cannot hold, blanks and dots trimmed off the ends;
// a device name ("CON", "LPT1.txt", ...) gets a leading "_". Empty when
// nothing is left.
std::string SafeFileName(std::string_view name);

}  // namespace orv::ui
