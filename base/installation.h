#pragma once
// What the deliverables know of an installation: where it is recorded, the
// files it and each mail client user keep, the register of those users, how
// the installer asks the launcher for a set-up that nobody watches, and how
// the mail client is restarted through the launcher.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Local machine: the installation directory.
constexpr const char* kInstallKey = "Software\\Tamberlow\\Fennick";
constexpr const char* kInstallValue = "InstallDir1";

// In the installation directory.
constexpr const char* kLauncherFileName = "Tolvane.exe";
constexpr const char* kMainLibraryFileName = "Merrowin.dll";
constexpr const char* kStringLibraryFileName = "Lumvika.dll";
// The register of the mail client users set up, by Windows user.
constexpr const char* kUsersFileName = "Users.cfg";
// The launcher's log, beside "Users.cfg" in the installation directory.
constexpr const char* kLauncherLogName = "Tolvane.log";

// In each mail client user's mailbox directory.
constexpr const char* kConfigFileName = "Merrowin.cfg";
constexpr const char* kAutoListFileName = "AutoList.txt";

// Argument after a set-up command ("UserConfig /S"): no boxes and no
// dialogs; the launcher's exit code and a line in its log tell the result.
constexpr const char* kSilentSwitch = "/S";

// A string value of the registry, whole whatever its length (a stored
// command line of the mail client may be longer than a path); "" when the
// key or value is missing or holds no text.
std::string ReadRegistryText(HKEY root, const char* subKey, const char* value);

// The installation directory as recorded, ending in "\"; "" when missing.
std::string InstallDirectory();
// The Windows user the register files mail client users under;
// "DefaultUser" when the system names none.
std::string WindowsUser();

// The launcher and the string library of an installation directory (ending
// in "\").
std::string LauncherPath(const std::string& installDir);
std::string StringLibraryPath(const std::string& installDir);
std::string UsersFilePath(const std::string& installDir);

// A mail client user registered in "Users.cfg".
struct RegisteredUser {
    std::string section;  // Windows user name
    std::string user;     // mail client user name
    std::string mailbox;  // mailbox directory, as registered
};

// The entries of "Users.cfg": lines with "=" followed by a double quote,
// each under the section line above it.
std::vector<RegisteredUser> ReadRegisteredUsers(const std::string& text);
// Records the mail client user's mailbox under the Windows user, or takes
// the entry out.
void RegisterUser(const std::string& installDir, const std::string& windowsUser, const std::string& user,
                  const std::string& mailboxDir);
void UnregisterUser(const std::string& installDir, const std::string& windowsUser, const std::string& user);

// The launcher's arguments that restart the mail client: "RESTART", the
// process handle in decimal, then the user name as one argument, quoted so
// that a name with blanks arrives whole (no user name: two arguments only).
// Empty when the name cannot arrive whole (it holds a double quote).
std::string RestartParameters(std::uintptr_t processHandle, std::string_view user);

// Starts the launcher of the installation directory to restart this mail
// client (under the user named, or the same user for ""), and waits until
// the launcher holds the client's handle and a command line to start again.
// Only then may the client close: false when the launcher restarted
// nothing, and the client stays.
bool StartClientRestart(const std::string& installDir, const std::string& user);

}  // namespace orv
