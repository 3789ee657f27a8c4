#pragma once
// The launcher's texts from the string library (ordinals 1-11).

#include <windows.h>

#include <array>
#include <string>

namespace orv::launcher {

enum LauncherText : int {
    ERROR_TITLE = 1,
    WARN_TITLE,
    INFO_TITLE,
    CONF_TITLE,
    SETUP,
    UNINST,
    UPDATE,
    FAILURE,
    FFF_EXT,
    NO_USERS,
    NO_PGP,
};

class LauncherTexts {
public:
    // Binds the eleven texts; false when one is missing.
    bool Bind(HMODULE stringLibrary);
    const std::string& operator[](LauncherText number) const { return texts_[number - 1]; }

private:
    std::array<std::string, 11> texts_;
};

}  // namespace orv::launcher
