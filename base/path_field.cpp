#include "base/path_field.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace orv {

std::string PathForField(const std::string& path, std::size_t room) {
    if (path.size() < room) return path;
    // The short form exists only for a path that exists; its length is known
    // first, so any length Windows allows is asked for.
    const DWORD need = GetShortPathNameA(path.c_str(), nullptr, 0);
    if (need == 0) return {};
    std::vector<char> buffer(need + 1);
    const DWORD got = GetShortPathNameA(path.c_str(), buffer.data(), need + 1);
    if (got == 0 || got > need) return {};
    std::string shortPath(buffer.data(), got);
    return shortPath.size() < room ? shortPath : std::string();
}

bool CopyToField(char* field, std::size_t room, const std::string& text) {
    if (room == 0) return false;
    if (text.size() >= room) {
        field[0] = 0;
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace orv
