#include "automation/pl_utils.h"

#include <vector>

#include "automation/pl_text.h"
#include "base/installation.h"
#include "base/unique_handle.h"
#include "engine/message_pump.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

HINSTANCE g_instance = nullptr;

constexpr DWORD kRegBufferSize = 260;

std::string AskHostForDir(HWND hostWindow, UINT message) {
    char buffer[host::kHostDirBufferRoom + 1] = {};
    if (!hostWindow) return {};
    SendMessageA(hostWindow, message, host::kHostDirBufferRoom, reinterpret_cast<LPARAM>(buffer));
    buffer[host::kHostDirBufferRoom] = '\0';
    return WithBackslash(buffer);
}

}  // namespace

HINSTANCE PluginInstance() { return g_instance; }
void SetPluginInstance(HINSTANCE instance) { g_instance = instance; }

TPLUtils::TPLUtils(HWND hostWindow)
    : versionText_(GetVersion(GetPluginPath())),
      programDir_(GetBaseDirPath(hostWindow)),
      mailboxDir_(GetMailboxPath(hostWindow)),
      installDir_(InstallDirectory()) {}

std::string TPLUtils::ConfigFile() const { return mailboxDir_ + kConfigFileName; }

void TPLUtils::FollowMailbox(const std::string& dir) { mailboxDir_ = WithBackslash(dir); }

void TPLUtils::ProcessMessages() { PumpMessages(); }

std::string TPLUtils::GetVersion(const std::string& file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (!size) return "0";
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, info.data())) return "0";
    for (const char* block : {"040904B0", "040704B0", "040C04B0", "041004B0"}) {
        std::string path = std::string("\\StringFileInfo\\") + block + "\\ProductVersion";
        char* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value && length)
            return std::string(value, strnlen(value, length));
    }
    return "0";
}

std::string TPLUtils::GetBaseDirPath(HWND hostWindow) { return AskHostForDir(hostWindow, host::kHostGetProgramDir); }

std::string TPLUtils::GetMailboxPath(HWND hostWindow) { return AskHostForDir(hostWindow, host::kHostGetMailboxDir); }

std::string TPLUtils::GetGlobalABKPath(const std::string& dir) {
    char value[kRegBufferSize] = {};
    std::string ini = dir + host::kPegasusIni;
    GetPrivateProfileStringA(host::kPegasusIniSectionEnv, host::kPegasusIniKeyPmr, "", value, sizeof value,
                             ini.c_str());
    std::string path(Trim(value));
    if (path.empty()) {
        DWORD n = GetEnvironmentVariableA(host::kPmrEnvironment, value, sizeof value);
        if (n > 0 && n < sizeof value) path = Trim(value);
    }
    return WithBackslash(path);
}

std::string TPLUtils::GetPluginPath() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(g_instance, path, MAX_PATH);
    return n && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string TPLUtils::GetPMUser() { return ReadRegistryText(HKEY_CURRENT_USER, host::kRegUsername, nullptr); }

}  // namespace orv::automation
