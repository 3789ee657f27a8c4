// Stands in for the launcher's restart in the plug-in's tests: writes the
// arguments as its runtime split them into "restart.log" beside itself,
// waits for the client's process handle it inherited, then starts the
// client's stored command with the user after "-I" and the options of
// ORV_RESTART_EXTRA, and waits for that run.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string g_log;

void Log(const std::string& line) {
    if (FILE* f = std::fopen(g_log.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string Narrow(const wchar_t* w) {
    char buf[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
    return buf;
}

std::string StoredCommand() {
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CURRENT_USER, "Software\\Pegasus Mail\\Command", value, &size) != ERROR_SUCCESS) return {};
    return value;
}

}  // namespace

int main() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    g_log = std::string(self).substr(0, std::string(self).find_last_of('\\') + 1) + "restart.log";
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Log("args " + std::to_string(argc - 1));
    for (int i = 1; i < argc; ++i) Log("arg " + Narrow(argv[i]));
    if (argc < 3 || Narrow(argv[1]) != "RESTART") return 1;
    HANDLE client = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoul(Narrow(argv[2]).c_str(), nullptr, 10)));
    DWORD waited = WaitForSingleObject(client, 60000);
    Log(waited == WAIT_OBJECT_0 ? "client ended" : "client wait failed " + std::to_string(GetLastError()));
    if (waited != WAIT_OBJECT_0) return 2;
    CloseHandle(client);
    std::string command = StoredCommand();
    size_t at = command.find("-I");
    if (argc > 3 && at != std::string::npos) {
        std::string rest = command.substr(at + 2);
        rest.erase(0, rest.find_first_not_of(' '));
        size_t blank = rest.find(' ');
        rest = blank == std::string::npos ? std::string() : rest.substr(blank);
        command = command.substr(0, at + 2) + " \"" + Narrow(argv[3]) + "\"" + rest;
    }
    char extra[2048] = {};
    if (GetEnvironmentVariableA("ORV_RESTART_EXTRA", extra, sizeof extra)) command += std::string(" ") + extra;
    Log("start " + command);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Log("start failed");
        return 3;
    }
    DWORD code = 99;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Log("restarted client ended " + std::to_string(code));
    LocalFree(argv);
    return 0;
}
