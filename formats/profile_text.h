#pragma once
// The private-profile text of "Merrowin.cfg" changed in memory, so that the
// configuration dialog can write every key at once: the whole new text goes
// to the file in one replacement instead of one write per key.

#include <string>
#include <vector>

namespace orv {

struct ProfileValue {
    std::string section;
    std::string key;
    std::string value;
};

// The text with each key set as the platform's profile writer sets it:
// section and key names compared ignoring case, an existing "key=value"
// line replaced in place, a new key added after the last line of its
// section, a new section added at the end. Other lines (comments, keys of
// other programs) stay as they are. Line ends are CR LF.
std::string SetProfileValues(const std::string& text, const std::vector<ProfileValue>& values);

// The text without the section (its header and every line up to the next
// section), its name compared ignoring case; line ends become CR LF.
std::string EraseProfileSection(const std::string& text, const std::string& section);

}  // namespace orv
