#include "launcher/launcher_paths.h"

#include <windows.h>

#include "base/unique_handle.h"
#include "plugin/mail_client.h"
#include "plugin/session.h"

namespace orv::launcher {

namespace {

constexpr DWORD kValueRoom = 260;

std::string ReadValue(HKEY root, const char* subKey, const char* value) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey key(raw);
    char buffer[kValueRoom + 1] = {};
    DWORD size = kValueRoom;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    buffer[size < kValueRoom ? size : kValueRoom] = 0;
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
