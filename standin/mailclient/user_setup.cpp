#include "standin/mailclient/user_setup.h"

#include <windows.h>

#include "standin/mailclient/handles.h"
#include "standin/mailclient/host_interface.h"

namespace orv::mailclient {

std::string WithBackslash(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    if (!dir.empty() && dir.back() != '\\') dir.push_back('\\');
    return dir;
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

namespace {

bool CreateDirectories(const std::string& dir) {
    std::string path = WithBackslash(dir);
    for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
        std::string part = path.substr(0, pos);
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool WriteUserRegistryDefault(const char* subKey, const std::string& value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return false;
    UniqueRegKey key(raw);
    return RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          DWORD(value.size() + 1)) == ERROR_SUCCESS;
}

namespace {

bool WriteWholeFile(const std::string& path, const std::string& text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
}

// The client writes its key names padded to a fixed width.
void AddKey(std::string& out, const char* paddedKey, const std::string& value) {
    out += paddedKey;
    out += "= ";
    out += value;
    out += "\r\n";
}

}  // namespace

std::string PmailIniText(const UserSetup& user) {
    std::string out;
    out += "[";
    out += host::kIniSectionMain;
    out += "]\r\n";
    AddKey(out, host::kIniKeyDefaultBcc, user.defaultBcc);
    out += "\r\n[";
    out += host::kIniSectionTcpIp;
    out += "]\r\n";
    AddKey(out, host::kIniKeyAlternativeFrom, user.fromAddress);
    for (const Identity& id : user.identities) {
        out += "\r\n[";
        out += host::kIniSectionIdentityPrefix;
        out += id.name;
        out += "]\r\n";
        AddKey(out, host::kIniKeyAlternativeFrom, id.fromAddress);
        AddKey(out, host::kIniKeyDefaultBcc, id.defaultBcc);
    }
    return out;
}

bool ApplyUserSetup(const UserSetup& user, std::string* error) {
    if (user.mailboxDir.empty()) {
        *error = "no mailbox directory";
        return false;
    }
    if (!CreateDirectories(user.mailboxDir)) {
        *error = "cannot create the mailbox directory " + user.mailboxDir;
        return false;
    }
    // The client stores its directories with the trailing backslash.
    if (!WriteUserRegistryDefault(host::kRegUsername, user.userName) || !WriteUserRegistryDefault(host::kRegMailbox, user.mailboxDir) ||
        !WriteUserRegistryDefault(host::kRegBaseDir, user.programDir) || !WriteUserRegistryDefault(host::kRegCommand, user.commandLine)) {
        *error = "cannot write the registry keys under Software\\Pegasus Mail";
        return false;
    }
    if (!WriteWholeFile(user.mailboxDir + host::kPmailIni, PmailIniText(user))) {
        *error = "cannot write " + user.mailboxDir + host::kPmailIni;
        return false;
    }
    if (!user.globalBookDir.empty()) {
        std::string ini = user.programDir + host::kPegasusIni;
        if (!WritePrivateProfileStringA(host::kPegasusIniSectionEnv, host::kPegasusIniKeyPmr,
                                        WithBackslash(user.globalBookDir).c_str(), ini.c_str())) {
            *error = "cannot write " + ini;
            return false;
        }
    }
    return true;
}

std::string ReadUserRegistryDefault(const char* subKey) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey key(raw);
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return std::string(buf);
}

}  // namespace orv::mailclient
