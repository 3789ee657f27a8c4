#pragma once
// A program a test starts: ended by its handle when it outlives the test, so
// that a failing test leaves nothing running.

#include <windows.h>

#include <string>

#include "tests/support/ui_robot.h"

namespace orv::test {

class ChildProcess {
public:
    // exe is quoted; args follow as given. dir: working directory ("" for the
    // test's own).
    ChildProcess(const std::string& exe, const std::string& args, bool inherit = false, const std::string& dir = {}) {
        std::string line = "\"" + exe + "\" " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, inherit, 0, nullptr,
                           dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
    }
    ~ChildProcess() {
        if (!process_) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Started() const { return process_ != nullptr; }
    HANDLE Handle() const { return process_; }
    // True when it ended within the time; the test's own windows answer
    // meanwhile.
    bool Wait(int ms) {
        const DWORD end = GetTickCount() + static_cast<DWORD>(Patience(ms));
        while (process_ && WaitForSingleObject(process_, 20) == WAIT_TIMEOUT) {
            if (static_cast<LONG>(GetTickCount() - end) > 0) return false;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        return process_ != nullptr;
    }
    // The exit code once ended; STILL_ACTIVE before.
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        if (process_) GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE process_ = nullptr;
};

}  // namespace orv::test
