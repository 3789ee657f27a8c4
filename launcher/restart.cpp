#include "launcher/restart.h"

#include <windows.h>

#include <cstdlib>

#include "base/restart_signal.h"
#include "base/unique_handle.h"

namespace orv::launcher {

namespace {

// The client's frame window, of class "FRAME" titled "Pegasus Mail".
constexpr const char* kClientFrameClass = "FRAME";
constexpr const char* kClientFrameTitle = "Pegasus Mail";
constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS;  // 0x30

// The process handle the client made inheritable for us; null when the text
// is no number.
HANDLE HandleFromText(const std::string& text) {
    if (text.empty()) return nullptr;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (!end || *end != 0 || value == 0) return nullptr;
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
}

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

bool RestartClient(const std::vector<Argument>& args, const std::string& storedCommand) {
    if (!RestartArgumentsValid(args)) return false;
    HANDLE raw = HandleFromText(args[2].text);
    if (!raw) return false;
    UniqueHandle process(raw);
    const DWORD clientId = GetProcessId(process.get());
    if (clientId == 0) return false;
    std::string line = storedCommand;
    if (args.size() > 3) line = RestartCommandLine(storedCommand, args[3].text);
    if (line.empty()) return false;
    // Everything for the restart is at hand: the client may close now.
    TellClientRestartStarted(clientId);
    if (!WaitForClient(process.get())) return false;
    process.reset();

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // 68 bytes
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace orv::launcher
