#include "base/installation.h"

#include <algorithm>

#include "base/text.h"
#include "base/unique_handle.h"
#include "interfaces/restart_signal.h"

namespace orv {

namespace {

// The launcher's start with its engine binding, under a loaded machine.
constexpr DWORD kLauncherReadyMs = 30000;

// The launcher holds the client's handle and a command line to start again
// once it sets the event; ending first, or taking too long, it restarted
// nothing. Messages other programs send to the client's windows meanwhile
// are answered, so that a launcher waiting on one of them is not held up.
bool LauncherTookOver(HANDLE ready, HANDLE launcher) {
    HANDLE both[2] = {ready, launcher};
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= kLauncherReadyMs) return false;
        const DWORD woke = MsgWaitForMultipleObjects(2, both, FALSE, kLauncherReadyMs - spent, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 2) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

std::string ReadRegistryText(HKEY root, const char* subKey, const char* value) {
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

std::string InstallDirectory() { return WithBackslash(ReadRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, kInstallValue)); }

std::string WindowsUser() {
    std::string user = ReadRegistryText(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control", "Current User");
    return user.empty() ? "DefaultUser" : user;
}

std::string LauncherPath(const std::string& installDir) { return installDir + kLauncherFileName; }
std::string StringLibraryPath(const std::string& installDir) { return installDir + kStringLibraryFileName; }
std::string UsersFilePath(const std::string& installDir) { return installDir + kUsersFileName; }

std::vector<RegisteredUser> ReadRegisteredUsers(const std::string& text) {
    std::vector<RegisteredUser> users;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t mark = line.find("=\"");
        // A user name may begin with "[": only a line without an entry's
        // "=\"" names a section.
        if (line.empty() || (line[0] == '[' && mark == std::string::npos)) {
            section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
            continue;
        }
        if (mark == std::string::npos) continue;
        RegisteredUser entry;
        entry.section = section;
        entry.user = Trim(line.substr(0, mark));
        const std::size_t open = mark + 2;
        // The directory ends before the line's last character, its closing quote.
        entry.mailbox = line.size() > open ? line.substr(open, line.size() - 1 - open) : std::string();
        if (!line.empty() && line.back() != '"') entry.mailbox = line.substr(open);
        users.push_back(entry);
    }
    return users;
}

void RegisterUser(const std::string& installDir, const std::string& windowsUser, const std::string& user,
                  const std::string& mailboxDir) {
    const std::string value = "\"" + mailboxDir + "\"";
    WritePrivateProfileStringA(windowsUser.c_str(), user.c_str(), value.c_str(), UsersFilePath(installDir).c_str());
}

void UnregisterUser(const std::string& installDir, const std::string& windowsUser, const std::string& user) {
    WritePrivateProfileStringA(windowsUser.c_str(), user.c_str(), nullptr, UsersFilePath(installDir).c_str());
}

std::string RestartParameters(std::uintptr_t processHandle, std::string_view user) {
    // The launcher splits as the system's start-up code does: blanks
    // separate, each double quote only opens or closes a group and
    // backslashes are plain characters. A name holding a double quote
    // cannot reach it whole.
    if (user.find('"') != std::string_view::npos) return {};
    std::string out = "RESTART " + std::to_string(processHandle);
    if (user.empty()) return out;
    out.reserve(out.size() + user.size() + 3);
    out += " \"";
    out += user;
    out += '"';
    return out;
}

bool StartClientRestart(const std::string& installDir, const std::string& user) {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    UniqueHandle owned(self);
    const std::string parameters = RestartParameters(reinterpret_cast<std::uintptr_t>(self), user);
    if (parameters.empty()) return false;
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, RestartReadyEventName(GetCurrentProcessId()).c_str()));
    if (!ready) return false;
    ResetEvent(ready.get());
    const std::string launcher = LauncherPath(installDir);
    std::string command = "\"" + launcher + "\" " + parameters;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    // Started directly, so that the launcher surely inherits the handle it
    // waits for.
    if (!CreateProcessA(launcher.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        installDir.empty() ? nullptr : installDir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    UniqueHandle process(pi.hProcess);
    return LauncherTookOver(ready.get(), process.get());
}

}  // namespace orv
