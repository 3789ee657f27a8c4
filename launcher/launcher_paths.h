#pragma once
// What the launcher reads from the registry: the mail client's command line,
// user and mailbox, the installation directory and the Windows user.

#include <string>

namespace orv::launcher {

struct LauncherPaths {
    std::string clientCommand;  // as stored
    std::string clientUser;     // as stored
    std::string mailboxDir;     // ends in "\" when known
    std::string installDir;     // ends in "\" when known
    std::string windowsUser;    // as stored; "DefaultUser" when absent
};

LauncherPaths ReadLauncherPaths();

}  // namespace orv::launcher
