#include "launcher/launcher_paths.h"

#include <windows.h>

#include <algorithm>

#include "base/installation.h"
#include "base/unique_handle.h"
#include "interfaces/mail_client.h"

namespace orv::launcher {

namespace {

// The whole value, whatever its length: a stored command line of the mail
// client may be longer than a path.
std::string ReadValue(HKEY root, const char* subKey, const char* value) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey key(raw);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::string buffer(size + 1, '\0');
    if (RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    buffer.resize(std::min<std::size_t>(size, buffer.size()));
    const std::size_t zero = buffer.find('\0');
    if (zero != std::string::npos) buffer.resize(zero);
    return buffer;
}

// A directory value that is found and non-empty ends in "\".
std::string Directory(std::string value) {
    if (!value.empty() && value.back() != '\\') value += '\\';
    return value;
}

}  // namespace

LauncherPaths ReadLauncherPaths() {
    LauncherPaths paths;
    paths.clientCommand = ReadValue(HKEY_CURRENT_USER, host::kRegCommand, nullptr);
    paths.clientUser = ReadValue(HKEY_CURRENT_USER, host::kRegUsername, nullptr);
    paths.mailboxDir = Directory(ReadValue(HKEY_CURRENT_USER, host::kRegMailbox, nullptr));
    paths.installDir = Directory(ReadValue(HKEY_LOCAL_MACHINE, kInstallKey, kInstallValue));
    paths.windowsUser = ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control", "Current User");
    if (paths.windowsUser.empty()) paths.windowsUser = "DefaultUser";
    return paths;
}

std::string UsersFile(const LauncherPaths& paths) { return paths.installDir + "Users.cfg"; }

}  // namespace orv::launcher
