#include "automation/message_files.h"

#include <windows.h>

#include "automation/pl_text.h"
#include "base/unique_handle.h"

namespace orv::automation {

namespace {

// The first 400 bytes decide: a longer file is kept anyway.
std::string Head(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    char buffer[400];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return {};
    return std::string(buffer, read);
}

}  // namespace

int DeleteBlankMessageFiles(const std::string& mailboxDir) {
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((mailboxDir + "*.PM?").c_str(), &fd));
    if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    int kept = 0;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsDraftFile(fd.cFileName)) continue;
        std::string path = mailboxDir + fd.cFileName;
        std::uint64_t size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        if (!IsBlankDraft(size, size < 400 ? Head(path) : std::string()) || !DeleteFileA(path.c_str())) ++kept;
    } while (FindNextFileA(find.get(), &fd));
    return kept;
}

}  // namespace orv::automation
