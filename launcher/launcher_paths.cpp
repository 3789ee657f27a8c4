#include "launcher/launcher_paths.h"

#include <windows.h>

#include "base/installation.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "interfaces/mail_client.h"

namespace orv::launcher {

LauncherPaths ReadLauncherPaths() {
    LauncherPaths paths;
    paths.clientCommand = ReadRegistryText(HKEY_CURRENT_USER, host::kRegCommand, nullptr);
    paths.clientUser = ReadRegistryText(HKEY_CURRENT_USER, host::kRegUsername, nullptr);
    paths.mailboxDir = WithBackslash(ReadRegistryText(HKEY_CURRENT_USER, host::kRegMailbox, nullptr));
    paths.installDir = InstallDirectory();
    paths.windowsUser = WindowsUser();
    return paths;
}

}  // namespace orv::launcher
