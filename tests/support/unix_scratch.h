#pragma once
// A directory under /tmp that both the Windows programs of a test and the
// Linux tools it checks them with (gpg, run by bash) reach, and a way to run
// such a tool over its files.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/whole_file.h"

namespace orv::test {

// Starts a Linux program (bash) from the Wine process. Wine does not wait for
// such a process, so callers wait for a file it writes when done. Nor does it
// give handles for it: the process handle comes back null and the thread
// handle is whatever its stack held, so neither is closed (closing that value
// once closed the program's directory of named objects, and every mutex made
// after failed).
inline bool StartUnix(const std::string& commandLine) {
    std::string cmd = "Z:\\bin\\bash " + commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return true;
}

inline bool WaitForFile(const std::string& path, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(100);
    }
    return false;
}

class UnixScratch {
public:
    explicit UnixScratch(const std::string& prefix) {
        const std::string name =
            prefix + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unix_ = "/tmp/" + name + "/";
        win_ = "Z:\\tmp\\" + name + "\\";
        CreateDirectoryA(win_.c_str(), nullptr);
    }
    ~UnixScratch() {
        for (const std::string& f : AllFiles()) {
            SetFileAttributesA((win_ + f).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((win_ + f).c_str());
        }
        RemoveDirectoryA(win_.c_str());
    }
    UnixScratch(const UnixScratch&) = delete;
    UnixScratch& operator=(const UnixScratch&) = delete;
    const std::string& Win() const { return win_; }
    const std::string& Unix() const { return unix_; }

    // Runs the commands with a fresh GnuPG home; their standard output.
    std::string Run(const std::string& commands) {
        const std::string done = win_ + "done";
        DeleteFileA(done.c_str());
        const std::string script = "export GNUPGHOME=$(mktemp -d)\n{ " + commands + "\n} > " + unix_ +
                                   "out.txt 2> " + unix_ + "err.txt\ngpgconf --kill gpg-agent 2>/dev/null\n"
                                   "rm -rf \"$GNUPGHOME\"\ntouch " + unix_ + "done\n";
        ReplaceWholeFile(win_ + "run.sh", script);
        if (!StartUnix(unix_ + "run.sh")) return "<bash did not start>";
        // Wine does not wait for a Linux process: the script says when it is done.
        for (int waited = 0; GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
            if (waited > 60000) return "<the tool did not finish>";
            Sleep(50);
        }
        std::string out;
        ReadWholeFile(win_ + "out.txt", out);
        for (const char* helper : {"done", "run.sh", "out.txt", "err.txt"}) DeleteFileA((win_ + helper).c_str());
        return out;
    }

    // The files of the directory, sorted.
    std::vector<std::string> Files() const { return AllFiles(); }

private:
    std::vector<std::string> AllFiles() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((win_ + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string unix_, win_;
};

}  // namespace orv::test
