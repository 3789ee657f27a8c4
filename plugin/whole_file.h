#pragma once
// Whole files in and out of memory. Files the user or the mail client owns
// are never left half-written: the new content goes completely into a file
// beside the target, which then replaces it.

#include <string>
#include <string_view>

namespace orv {

// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Writes the bytes completely beside the file, then puts them in its place.
// On failure the old file is unchanged and nothing is left behind.
bool ReplaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace orv
