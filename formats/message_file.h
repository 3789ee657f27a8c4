#pragma once
// The message file the mail client hands over: read whole, and replaced so
// that it is never left half-written.

#include <functional>
#include <string>
#include <string_view>

namespace orv {

// False when the file does not exist or cannot be read completely.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Writes the bytes to a new file beside the message file, then moves the old
// file aside, the new one into its place, and wipes the old one (wipeOld:
// the file wiper with the configured passes; it deletes the file). When
// anything fails before the new file is in place, the message file keeps its
// old content and the result is false.
bool ReplaceMessageFile(const std::string& path, std::string_view bytes,
                        const std::function<void(const std::string& path)>& wipeOld);

}  // namespace orv
