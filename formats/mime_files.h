#pragma once
// The file side of saving a listed part: the bytes replace the file's content.

#include <string>
#include <string_view>

namespace orv {

// False when the file could not be created or not be written completely.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace orv
