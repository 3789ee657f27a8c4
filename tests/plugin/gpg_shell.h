#pragma once
// gpg beside the tests: a directory under /tmp that both Windows and Linux
// programs reach, and gpg run over files in it from a bash script with a
// fresh GnuPG home.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/whole_file.h"

namespace orv::test {

// A directory under /tmp that both Windows and Linux programs reach, and gpg
// run over files in it from a bash script.
class UnixScratch {
public:
    UnixScratch() {
        const std::string name = "orv_gpg_" + std::to_string(GetCurrentProcessId()) + "_" +
                                 std::to_string(GetTickCount());
        unix_ = "/tmp/" + name + "/";
        win_ = "Z:\\tmp\\" + name + "\\";
        CreateDirectoryA(win_.c_str(), nullptr);
    }
    ~UnixScratch() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((win_ + "*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((win_ + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
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
                                   "out.txt 2> " + unix_ + "err.txt\nrm -rf \"$GNUPGHOME\"\ntouch " + unix_ +
                                   "done\n";
        ReplaceWholeFile(win_ + "run.sh", script);
        std::string line = "Z:\\bin\\bash " + unix_ + "run.sh";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return "<bash did not start>";
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        // Wine does not wait for a Linux process: the script says when it is done.
        for (int waited = 0; GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
            if (waited > 60000) return "<gpg did not finish>";
            Sleep(50);
        }
        std::string out;
        ReadWholeFile(win_ + "out.txt", out);
        return out;
    }

    // The primary fingerprints gpg reads from a key file (upper-case hex),
    // with "sec" or "pub" in front.
    std::vector<std::string> Keys(const std::string& unixFile) {
        const std::string out = Run("gpg --batch --with-colons --show-keys " + unixFile);
        std::vector<std::string> keys;
        std::string kind;
        size_t pos = 0;
        while (pos < out.size()) {
            size_t end = out.find('\n', pos);
            if (end == std::string::npos) end = out.size();
            const std::string line = out.substr(pos, end - pos);
            pos = end + 1;
            if (line.rfind("pub:", 0) == 0 || line.rfind("sec:", 0) == 0) {
                kind = line.substr(0, 3);
            } else if (line.rfind("fpr:", 0) == 0 && !kind.empty()) {
                const size_t last = line.find_last_not_of(':');
                const size_t first = line.find_last_of(':', last);
                keys.push_back(kind + " " + line.substr(first + 1, last - first));
                kind.clear();  // the next fpr lines are the subkeys'
            }
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }

private:
    std::string unix_, win_;
};

}  // namespace orv::test
