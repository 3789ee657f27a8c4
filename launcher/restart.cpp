#include "launcher/restart.h"

#include <windows.h>

#include <string>

#include "base/unique_handle.h"
#include "interfaces/restart_signal.h"

namespace orv::launcher {

namespace {

// The client's frame window, of class "FRAME" titled "Pegasus Mail".
constexpr const char* kClientFrameClass = "FRAME";
constexpr const char* kClientFrameTitle = "Pegasus Mail";
constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS;  // 0x30

struct FrameSearch {
    DWORD process;
    bool found;
};

BOOL CALLBACK FindClientFrame(HWND wnd, LPARAM lp) {
    auto* search = reinterpret_cast<FrameSearch*>(lp);
    char cls[32] = {}, title[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    GetWindowTextA(wnd, title, sizeof title);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner == search->process && lstrcmpA(cls, kClientFrameClass) == 0 && lstrcmpA(title, kClientFrameTitle) == 0) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Waits, within the bound, until the given client process has ended and no
// frame of it is left; the clients of other users are none of its business.
bool WaitForClient(HANDLE process) {
    const DWORD start = GetTickCount();
    if (WaitForSingleObject(process, kRestartWaitMs) != WAIT_OBJECT_0) return false;
    const DWORD id = GetProcessId(process);
    for (;;) {
        FrameSearch search{id, false};
        EnumWindows(FindClientFrame, reinterpret_cast<LPARAM>(&search));
        if (!search.found || id == 0) return true;
        if (GetTickCount() - start > kRestartWaitMs) return false;
        Sleep(50);
    }
}

void TellClientRestartStarted(DWORD clientId) {
    UniqueHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, RestartReadyEventName(clientId).c_str()));
    if (ready) SetEvent(ready.get());
}

}  // namespace

void* RestartHandle(const std::string& text) {
    if (text.empty() || text.size() > 10) return nullptr;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return nullptr;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    // Handles are multiples of four; -1 and -2 (this process and thread as
    // pseudo handles) would make the launcher wait on itself.
    if (value == 0 || value > 0xFFFFFFFFull || value % 4 != 0) return nullptr;
    return reinterpret_cast<void*>(static_cast<ULONG_PTR>(value));
}

std::string RestartClient(const std::vector<Argument>& args, const std::string& storedCommand) {
    if (!RestartArgumentsValid(args)) return "expected RESTART, a process handle and at most a user name";
    HANDLE raw = RestartHandle(args[2].text);
    if (!raw) return "not a process handle: " + args[2].text;
    UniqueHandle process(raw);
    const DWORD clientId = GetProcessId(process.get());
    if (clientId == 0 || clientId == GetCurrentProcessId()) {
        process.release();
        return "not a process handle: " + args[2].text;
    }
    std::string line = storedCommand;
    if (args.size() > 3) line = RestartCommandLine(storedCommand, args[3].text);
    if (line.empty()) return "no command line of the mail client is recorded";
    // Everything for the restart is at hand: the client may close now.
    TellClientRestartStarted(clientId);
    if (!WaitForClient(process.get())) return "the mail client did not end";
    process.reset();

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // 68 bytes
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr, nullptr, &startup,
                        &info))
        return "cannot start " + line + " (error " + std::to_string(GetLastError()) + ")";
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return {};
}

}  // namespace orv::launcher
